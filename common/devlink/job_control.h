// The job-control link: job items (user code, owner and user names, document name, passwords, fax
// number and line, authentication data) moved between the settings of a context and the maker's
// job-control library "KAVJC64.DLL", which keeps them per printer.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Statuses of the job-control library (0 success).
constexpr DWORD JC_STATUS_OK = 0;
constexpr DWORD JC_STATUS_NO_VALUE = 13;               // a get: the item has no value
constexpr DWORD JC_STATUS_UNKNOWN_ITEM = 0x20000001u;  // an item the library or the driver does not know

// Item kinds.
constexpr DWORD JC_KIND_TEXT = 1;   // wide text
constexpr DWORD JC_KIND_DWORD = 4;  // u32

// The interface version the driver asks for.
constexpr WORD JC_INTERFACE_VERSION = 517;

// The table JCGetInterface hands out.
struct JC_INTERFACE {
  DWORD (*open)(const WCHAR* printerName, HANDLE* session);                                           // 0
  DWORD (*close)(HANDLE session);                                                                     // 1
  DWORD (*getItem)(HANDLE session, DWORD item, DWORD kind, void* buffer, DWORD bytes, DWORD* needed);  // 2
  DWORD (*setItem)(HANDLE session, DWORD item, DWORD kind, const void* buffer, DWORD bytes);          // 3
  DWORD (*withdraw)(HANDLE session, DWORD item);                                                       // 4
  DWORD (*sendRecord)(HANDLE session, DWORD code, const void* record);                                // 5
  DWORD (*mode)(HANDLE session, DWORD a, DWORD b);                                                    // 6
  DWORD (*query)(HANDLE session, DWORD item, DWORD one, DWORD four, void* buffer, DWORD bytes,
                 DWORD* needed);                                                                      // 7
  DWORD (*itemFlags)(HANDLE session, DWORD item, DWORD* flags);  // 8: bit 0 the item can be read
};
static_assert(offsetof(JC_INTERFACE, mode) == 48 && offsetof(JC_INTERFACE, itemFlags) == 64);
typedef DWORD (*PFN_JCGetInterface)(WORD version, JC_INTERFACE** table);
typedef void (*PFN_JCDisposeInterface)(JC_INTERFACE* table);

// Record code 1 of entry 5: the language of the print stream's user.
constexpr DWORD JC_RECORD_LANGUAGE = 1;
struct JC_LANGUAGE_RECORD {
  DWORD size;         // 8
  WORD language;      // primary language id
  WORD subLanguage;   // sub-language id
};
static_assert(sizeof(JC_LANGUAGE_RECORD) == 8 && offsetof(JC_LANGUAGE_RECORD, language) == 4 &&
              offsetof(JC_LANGUAGE_RECORD, subLanguage) == 6);

// The secure interface: JCGetInterface asked for this version hands out this table instead (through
// the same two-argument entry, the table's address in the second argument).
constexpr WORD JC_SECURE_INTERFACE_VERSION = 642;
// Transform kinds and the parameter of kind 2.
constexpr DWORD JC_TRANSFORM_FINAL = 1;
constexpr DWORD JC_TRANSFORM_KEYED = 2;
constexpr DWORD JC_TRANSFORM_PLAIN = 4;
constexpr DWORD JC_PARAM_KEY_TEXTS = 256;  // data: two ANSI text pointers (user name, network key)
struct JC_KEY_TEXTS {
  const char* userName;
  const char* networkKey;
};
static_assert(sizeof(JC_KEY_TEXTS) == 16);
struct SECURE_INTERFACE {
  DWORD (*open)(DWORD kind, HANDLE* transform);                                                  // 0
  DWORD (*close)(HANDLE transform);                                                              // 1
  DWORD (*setParam)(HANDLE transform, DWORD id, const void* data, DWORD bytes);                  // 2
  DWORD (*transform)(HANDLE transform, const void* input, DWORD inputBytes, void* output, DWORD outputBytes,
                     DWORD* outputLength);                                                       // 3: size query with no output
};
static_assert(sizeof(SECURE_INTERFACE) == 32 && offsetof(SECURE_INTERFACE, transform) == 24);

// One row of the job-item table: the item, its bit in the masks callers pass, its setting (0: none)
// and the kind it is exchanged as.
struct JC_ITEM_ROW {
  DWORD item;
  DWORD mask;
  WORD setting;
  DWORD kind;
};
constexpr size_t JC_ITEM_COUNT = 14;
// The rows in table order.
extern const JC_ITEM_ROW JC_ITEM_TABLE[JC_ITEM_COUNT];
// The row of an item, or none.
const JC_ITEM_ROW* JcFindItemRow(DWORD item);

// The binding of one context, kept in its work area; zero-filled when the library is first loaded.
struct JC_BINDING {
  HMODULE module;
  HANDLE session;
  PFN_JCGetInterface getInterface;
  PFN_JCDisposeInterface disposeInterface;
  JC_INTERFACE* iface;
  WORD version;
};

// Job-control events.
enum : DWORD {
  JC_EVENT_READ = 256,
  JC_EVENT_WRITE = 512,
  JC_EVENT_CLEAR_WRITE = 1024,
  JC_EVENT_OPEN = 0x10004,
  JC_EVENT_OPEN_READ_ALL = 0x10010,
  JC_EVENT_CLOSE = 0x20008,
  JC_EVENT_CLOSE2 = 0x20020,
  JC_EVENT_RESET_USER_CODE = 0x30001,
  JC_EVENT_READ_ONCE = 0x30040,
  JC_EVENT_WRITE_ONCE = 0x30080,
};

// Items that need model feature 0 (the authentication data).
constexpr DWORD JC_MASK_AUTHENTICATION = 0x3800;

// Argument of module event 57: the driver version text a module may change.
struct JC_VERSION_TEXT_ARG {
  WCHAR* text;
  DWORD chars;
};

// The context's binding (in its work area), or none.
JC_BINDING* JcGetBinding(SETTING_CONTEXT* ctx);

// Reads the job items of `mask` into their settings (job-control event 0x30040) when the job-information
// switch is on; the status of the event, or the switch's value.
int JcReadItems(SETTING_CONTEXT* ctx, DWORD mask);
// Writes the settings of the items of `mask` (event 0x30080) under the same switch.
int JcWriteItems(SETTING_CONTEXT* ctx, DWORD mask);
// Runs one job-control event on the items of `mask`. The status of the interface load or of the session
// open when either fails; 0 otherwise (statuses of single items are not reported).
DWORD JcHandleEvent(SETTING_CONTEXT* ctx, DWORD event, DWORD mask);
// Loads the library from the driver folder (unless the binding has it) and asks for the interface.
// 0, the platform's last error of a failed load or look-up, or the library's refusal; on failure the
// binding is unloaded.
DWORD JcLoadInterface(JC_BINDING* binding, SETTING_CONTEXT* ctx);
// Gives the interface back and frees the library. 0.
DWORD JcUnloadInterface(JC_BINDING* binding, SETTING_CONTEXT* ctx);
// Opens / closes the context's session: the status of entry 0 / 1; 0 without a call when a session is
// already open / none is open.
DWORD JcOpenSession(SETTING_CONTEXT* ctx);
DWORD JcCloseSession(SETTING_CONTEXT* ctx);
// Reads one item into its setting in the open session (an answer longer than the setting is cut and
// terminated). 0 without a session; JC_STATUS_UNKNOWN_ITEM for an item that is not readable.
DWORD JcReadItem(SETTING_CONTEXT* ctx, DWORD item);
// Sends one item's value in the open session (mode 1024 clears the setting first). The status of
// entry 3; 0 without a session; JC_STATUS_UNKNOWN_ITEM for an item outside the table.
DWORD JcWriteItem(SETTING_CONTEXT* ctx, DWORD item, DWORD mode);
// The printer's information block of `level` in a zero-filled allocation the caller frees (StgFree),
// or none.
void* JcGetPrinterInfo(HANDLE printer, DWORD level);
// Reads one item of the printer without a context into dest, which holds destBytes bytes: at most the
// item's own size (34 bytes for items 2 and 5, 130 for 6, 18 for 1, 3, 4, 7 and 8, else 2) and never more
// than destBytes; a longer answer is cut and its last wide character set to 0. true when a value was
// read.
bool JcQueryPrinterValue(HANDLE printer, DWORD item, DWORD kind, WCHAR* dest, DWORD destBytes);
// Entry 6 with (session, a, b): its status.
DWORD JcSetMode(const JC_INTERFACE* iface, HANDLE session, DWORD a, DWORD b);
// Entry 7 reading `item` as a u32 into dest: its status.
DWORD JcQueryDword(const JC_INTERFACE* iface, HANDLE session, DWORD item, DWORD* dest);
// The session's flags (item 9 between modes (2, 0) and (0, 2)); 0 when the query fails.
DWORD JcGetSessionFlags(const JC_INTERFACE* iface, HANDLE session);
