// The bidirectional device query: the maker's bidi library "kvbidi64.dll" is loaded from the driver folder
// for the length of one query and driven through the entry table it fills; the device's answers (trays
// and their papers and media, installed options, memory, firmware, status) become device settings.
//
// Each query binds its own table and library handle, so two threads querying at once never call through
// a table that the other has rebound or a library that the other has freed.
#pragma once
#include <cstddef>

#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;

// ---- The bidi library's entry table.

typedef BOOL (*BIDI_OPEN_FN)(const WCHAR* printerName, HANDLE* device, DWORD* available);
typedef void (*BIDI_CLOSE_FN)(HANDLE device);
typedef BOOL (*BIDI_OPEN_QUERY_FN)(HANDLE device, HANDLE* query, DWORD flags, DWORD* out);
typedef BOOL (*BIDI_ADD_QUERY_SET_FN)(HANDLE device, HANDLE* query, WORD set, DWORD one);
typedef BOOL (*BIDI_DEVICE_MODEL_FN)(HANDLE device, DWORD zero, WCHAR* buffer, DWORD chars);
// The number of 4-byte entries delivered, -1 on failure; *needed := the bytes the answer needs (0: none).
typedef LONG (*BIDI_READ_ITEM_FN)(HANDLE query, DWORD item, void* buffer, DWORD size, DWORD* needed);
typedef BOOL (*BIDI_READ_SET_ITEM_FN)(HANDLE query, WORD set, DWORD item, void* buffer, DWORD size, DWORD* needed);

// Filled by the library's KavroInitializeBidiApiV2W(&api): an 8-byte header the driver does not read,
// then 13 entries of which 0-4, 6 and 7 are called.
struct BIDI_API {
  DWORD headerSize;
  DWORD headerVersion;
  BIDI_OPEN_FN open;                   // 0
  BIDI_CLOSE_FN close;                 // 1
  BIDI_OPEN_QUERY_FN openQuery;        // 2
  BIDI_ADD_QUERY_SET_FN addQuerySet;   // 3
  BIDI_DEVICE_MODEL_FN deviceModel;    // 4
  void* entry5;
  BIDI_READ_ITEM_FN readItem;          // 6
  BIDI_READ_SET_ITEM_FN readSetItem;   // 7
  void* entries8to12[5];
};
static_assert(sizeof(BIDI_API) == 112 && offsetof(BIDI_API, open) == 8 && offsetof(BIDI_API, readItem) == 56 &&
              offsetof(BIDI_API, readSetItem) == 64);
typedef BOOL (*PFN_KavroInitializeBidiApiV2W)(BIDI_API* api);

// Query flags of BidiRunQuery.
constexpr WORD BIDI_QF_CALLER_ARG = 1;  // the caller passes an argument of its own (not used)
constexpr WORD BIDI_QF_LIGHT = 2;       // firmware and emulation versions only
constexpr WORD BIDI_QF_WIN9X_NAME = 8;  // on the old consumer platform the 32-bit library by bare name

// Open flags of entry 2.
constexpr DWORD BIDI_OPEN_LIGHT = 0x104;
constexpr DWORD BIDI_OPEN_FULL = 0x2011C;
constexpr DWORD BIDI_OPEN_CUSTOM_PAPER = 0x2000000;

// Status set of entries 3 and 7.
constexpr WORD BIDI_STATUS_SET = 15;

// Items of entry 6 and of the status set.
enum : DWORD {
  BIDI_ITEM_TRAYS = 1,
  BIDI_ITEM_OPTIONS = 2,
  BIDI_ITEM_FIRMWARE = 8,
  BIDI_ITEM_MEMORY = 11,
  BIDI_ITEM_TRAY_PAPER = 20,
  BIDI_ITEM_TRAY_MEDIA = 21,
  BIDI_ITEM_TRAY_STATUS = 23,
  BIDI_ITEM_CUSTOM_PAPERS = 80,
  BIDI_ITEM_CUSTOM_MEDIA = 81,
  BIDI_ITEM_CUSTOM_NAMES = 82,
  BIDI_ITEM_CUSTOM_CHARSETS = 83,
  BIDI_SET_ITEM_EMULATION = 2,
  BIDI_SET_ITEM_MEMORY_TYPE = 258,
  BIDI_SET_ITEM_OTHER = 259,
};

// Tray status word bits (item 23).
enum : DWORD {
  BIDI_TRAY_LOCKED = 0x1,
  BIDI_TRAY_COVER = 0x4,
  BIDI_TRAY_INSERT = 0x8,
  BIDI_TRAY_CHAPTER1 = 0x20,
  BIDI_TRAY_CHAPTER2 = 0x40,
  BIDI_TRAY_CHAPTER3 = 0x80,
  BIDI_TRAY_REVERSE_COVER = 0x200,
};

// Bits of the function byte rdmBidiFunc.
enum : BYTE {
  BIDI_FUNC_COVER = 0x01,
  BIDI_FUNC_INSERT = 0x02,
  BIDI_FUNC_CHAPTER1 = 0x04,
  BIDI_FUNC_CHAPTER2 = 0x08,
  BIDI_FUNC_CHAPTER3 = 0x10,
  BIDI_FUNC_REVERSE_COVER = 0x40,
};

// Argument records of the feature-module events the tray handler raises.
struct BIDI_TRAY_DETAILS_ARG {  // event 21: non-zero answer asks for tray details
  DWORD answer;
};
struct BIDI_TRAY_STATUS_ARG {  // event 8: does the status word count for the chapter kind (0: any)
  DWORD status;
  DWORD kind;
  WORD answer;
};
struct BIDI_TRAY_FUNCTION_ARG {  // event 9: the answering module records the tray's chapter function
  DWORD status;
  DWORD binValue;
  BYTE* functionByte;
};

// ---- The query.

// The region switches "bIsBIDISupportForZARN" / "bIsBIDISupportForZARNModel" of the driver INI (default
// 1); both read as off when the driver INI path is not an absolute path with a drive letter.
bool BidiIsSupported(SETTING_CONTEXT* ctx);
bool BidiIsModelCheckOn(SETTING_CONTEXT* ctx);
// Uses stored results when there are any (rdmBiDirect := the support switch; true); else queries when
// mayQuery (BidiQueryDevice's answer); else rdmBiDirect := 0 and false.
bool BidiEnsureQueried(SETTING_CONTEXT* ctx, bool mayQuery);
// BidiRunQuery with no argument and query flags 8 / with the caller's argument and query flags 1.
bool BidiQueryDevice(SETTING_CONTEXT* ctx);
bool BidiQueryDeviceForState(SETTING_CONTEXT* ctx, void* arg);
// The whole query with its bookkeeping: skipped (true) while the status service owns the channel; true
// without asking when the support switch is off (rdmBiDirect := 0); on success the state is stored in
// printer data and, for a user who may not write there, parked in the bidi INI. On failure rdmBiDirect
// := 0, the version settings are emptied and the device block is as before.
bool BidiRunQuery(SETTING_CONTEXT* ctx, void* arg, WORD queryFlags);
// true when the device opens and reports itself available. Records no error.
bool BidiProbeDevice(SETTING_CONTEXT* ctx, WORD queryFlags);
// Binds the library, checks the device's model, opens the query handle and runs the full or (flag 2)
// light query. Failures of the open, model and query-handle entries record an error code.
bool OpenBidiDevice(WORD queryFlags, SETTING_CONTEXT* ctx);
// The full query set on a snapshot of the device block (restored when a handler fails), then event 22,
// the status set and the save of the device settings to printer data.
bool BidiQueryAll(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx);
// The firmware version, then (when it succeeded) the light status set; the firmware query's answer.
bool BidiQueryLight(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx);
// The device step with the choice of its library: recordErrors records the failures of the open, model
// and query-handle entries in the context.
bool OpenBidiDeviceWith(WORD queryFlags, SETTING_CONTEXT* ctx, bool recordErrors);
// The last readers of the full and of the light query, run after their own readers succeeded (a library
// may read more; the common ones read nothing): 1 / the reader's answer, which is not used.
int BidiReadConfig(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx);
int BidiReadOptions(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx);
// The wait window a query started with flag 1 shows while it runs (none in the common library), and
// its closing.
HWND BidiShowWaitWindow(SETTING_CONTEXT* ctx, HWND owner);
void BidiCloseWaitWindow(HWND owner, HWND window);
// Maps the platform's last error into the code of the context's driver-API record (when it has one).
void BidiRecordError(SETTING_CONTEXT* ctx);
// The code of a platform error: 0 for 102, 201 for 14 and 56, 202 for 10, 200 for every other.
DWORD BidiMapError(DWORD systemError);
// The platform's last error: the reason a bidi entry failed.
DWORD BidiGetLastError(const BIDI_API* api);
// rdmBiDirect := 1 when BidiIsSupported, else 0. 1.
int BidiSetStateFromSupport(SETTING_CONTEXT* ctx);

// ---- Answer handlers: false only when working memory cannot be had; a device without an answer is
// no failure. Every count, size and text of an answer is bounded by the buffer it was read into.

bool BidiQueryTrays(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx);
bool BidiQueryOptions(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx);
bool BidiQueryMemory(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx);
bool BidiQueryFirmware(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx);
bool BidiQueryCustomPaper(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx);
// Status set 15: memory type, emulation version, other text. 1 always.
int BidiQueryStatus(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx);
// Status set 15: emulation version only. 1 always.
int BidiQueryStatusLight(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx);

// ---- Device-code maps: 0 when the code is not listed.

WORD BidiTrayPresentSetting(DWORD trayCode);
WORD BidiTrayFeedSetting(DWORD trayCode);
WORD BidiTrayPaperSetting(DWORD trayCode);
WORD BidiTrayMediaSetting(DWORD trayCode);
WORD BidiTrayLockSetting(DWORD trayCode);
// The tray's bin value (the dmDefaultSource value of the tray).
DWORD BidiTraySelectValue(DWORD trayCode);
// The paper value of a device paper code: the feed-direction-0 map first (*feed := 0), else the
// feed-direction-1 map (*feed := 1); "no paper" gives 0.
DWORD BidiMapPaperCode(DWORD paperCode, DWORD* feed);
// The media value of a device media code; "no media" gives 0.
DWORD BidiMapMediaCode(DWORD mediaCode);
// The listed code (0 = empty place) that stands earliest in the tray priority list; 0 when none does.
DWORD BidiPickPreferredTray(const DWORD* codes, DWORD count);
