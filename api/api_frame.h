// The driver-API frame: connections and their handles, API versions, id limits and item masks, the last
// error, the printer opens of a connection, and the library's attach and detach.
//
// A connection is one settings context of kind 0x200000 and an API_CONNECTION. The context's work area
// points at the connection's API_STATE (the record the common library writes the last error and the
// chapter row index into); the connection keeps everything else of the driver API beside it: the node
// snapshot, the saved store, its own agreed and maximum versions, its item masks and load-share marks.
// Versions and masks live per connection so that one caller's ZARNDrvInit can never change the size of
// the maps another connection writes; the process-wide values are only what a new connection starts from.
#pragma once
#include "kvdrvexc.h"
#include "kvplat/spooler.h"
#include "kvplat/types.h"
#include "settings/api_state.h"
#include "settings/context.h"

// Status ids have 8 related settings each; the snapshot holds one group per status id slot 1-269.
constexpr int API_SNAPSHOT_IDS = 269;
constexpr int API_SNAPSHOT_ENTRIES = 8;
struct API_NODE_STATE {
  DWORD excluded;
  DWORD disabled;
};
static_assert(sizeof(API_NODE_STATE) == 8);

// One row of the load-share table: the API's value, the stored rdmLoadShare value whose option is
// tested, and whether the printer allows it.
struct LOAD_SHARE_ROW {
  DWORD apiValue;
  DWORD storedValue;
  DWORD allowed;
};
constexpr int API_LOAD_SHARE_ROWS = 6;

constexpr int API_MASK_BYTES = 64;
constexpr int API_VERSION_DEFAULT = 3;

struct API_CONNECTION {
  API_STATE state;  // first: the work area's apiState points here
  API_HANDLE handle;
  SETTING_CONTEXT* ctx;
  API_NODE_STATE* nodeSnapshot;  // API_SNAPSHOT_IDS x API_SNAPSHOT_ENTRIES
  SETTING_STORE* savedStore;     // the quality copy
  int version;                   // agreed version in force for this connection
  int maxVersion;                // the highest the printer's model allows
  BYTE capsMask[API_MASK_BYTES];
  BYTE statusMask[API_MASK_BYTES];
  LOAD_SHARE_ROW loadShare[API_LOAD_SHARE_ROWS];
};

// ---- Library attach and detach (the load entry runs them; unit tests call them themselves) ----
void ApiLibraryAttach();
void ApiLibraryDetach();

// ---- Handles ----
// The connection a handle names, or none (0, never issued, already closed).
API_CONNECTION* ApiFindConnection(API_HANDLE handle);
// The connection whose settings a context holds, or none (a context of no connection).
API_CONNECTION* ApiConnectionOf(const SETTING_CONTEXT* ctx);
// Opens a connection on a printer by (system code page) name: the handle, or 0 with nothing left open.
API_HANDLE ApiOpenHandle(const char* printerName);
// Closes a connection; 1 always (nothing for a handle that names none).
int ApiCloseHandle(API_HANDLE handle);
// Number of open connections (for tests).
int ApiConnectionCount();

// ---- Versions, limits, masks ----
// The version in force for a context: its connection's agreed version, else the process-wide one.
int ApiGetVersion(const SETTING_CONTEXT* ctx);
int ApiGetMaxVersion(const SETTING_CONTEXT* ctx);
// which 0: highest low id; 1: highest high id, at the context's version. ApiCapsIdLimit answers 1 for
// any other argument (the length of the extra capability list).
int ApiStatusIdLimit(const SETTING_CONTEXT* ctx, int which);
int ApiCapsIdLimit(const SETTING_CONTEXT* ctx, int which);
// Whether the context's connection (or, without one, the process-wide masks) admits an id. kind 0
// capability, 1 status.
bool ApiIsItemSupported(const SETTING_CONTEXT* ctx, int kind, DWORD id);
// Bit of id n (1-512) in a mask: byte (n-1)/8, bit 0x80 >> ((n-1) % 8).
inline bool ApiMaskHas(const BYTE* mask, DWORD id) {
  return id >= 1 && id <= 512 && (mask[(id - 1) / 8] & (0x80 >> ((id - 1) % 8)));
}
inline void ApiMaskSet(BYTE* mask, DWORD id) {
  if (id >= 1 && id <= 512) mask[(id - 1) / 8] |= (BYTE)(0x80 >> ((id - 1) % 8));
}
// Builds both masks for a context at a version: an id is set when its row exists at that version, is
// enabled, and the model supports it.
void ApiBuildItemMasks(SETTING_CONTEXT* ctx, int version, BYTE* capsMask, BYTE* statusMask);
// The process-wide starting values (for tests).
int ApiProcessVersion();
int ApiProcessMaxVersion();

// ---- Last error ----
// Stores the code on the connection; 1, or 0 when the handle names none or its version is below 9.
int ApiSetLastError(API_HANDLE handle, DWORD code);
// The same for the connection of a context (0 for a context of no connection).
int ApiSetContextError(SETTING_CONTEXT* ctx, DWORD code);

// ---- Printer opens ----
// Opens the connection's printer by name; on success writes the handle to *out and into both printer
// fields of its context and answers 1; 0 when it cannot be opened. ApiClosePrinter closes it.
int ApiOpenPrinter(API_HANDLE handle, HANDLE* out, PRINTER_DEFAULTSW* defaults);
void ApiClosePrinter(HANDLE printer);
// The system code page name as wide text into `out` (capacity characters with the terminator). False
// for NULL, empty, not valid in the code page, or longer than fits (never cut).
bool ApiNameToWide(const char* name, WCHAR* out, int capacity);
// The model INI integer of a printer; -1 when the key is absent, the printer unknown or the path empty.
int ApiReadModelIniInt(const char* printerName, const WCHAR* section, const WCHAR* key);
// The model INI path of an open printer into `buffer` (`size` characters); empty when it cannot be had.
void ApiGetModelIniPath(HANDLE printer, WCHAR* buffer, int size);
// The driver file's folder with its trailing backslash; the buffer is left as it was when the driver
// information cannot be had.
void ApiGetDriverDirPrefix(HANDLE printer, WCHAR* buffer, int size);

// Rows at the version in force for a context.
struct API_ROW;
const API_ROW* ApiFindCapsRow(const SETTING_CONTEXT* ctx, DWORD id);
const API_ROW* ApiFindStatusRow(const SETTING_CONTEXT* ctx, DWORD id);
