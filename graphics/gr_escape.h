// Escapes of the graphics library: what applications, the interface library and other programs ask of a
// running job through ExtEscape (copy count, pass-through, technology, device units, job-log items, the
// driver INI path, the localized string hand-over, the version and output library name).
#pragma once
#include "config/string_handover.h"
#include "kvplat/types.h"

struct GR_PDEV;
struct ZARN_STREAM;

// Escape numbers the library answers.
enum : ULONG {
  GR_ESC_QUERYESCSUPPORT = 8,
  GR_ESC_SETCOPYCOUNT = 17,
  GR_ESC_PASSTHROUGH = 19,
  GR_ESC_GETTECHNOLOGY = 20,
  GR_ESC_GETDEVICEUNITS = 42,
  GR_ESC_USER_CODE = 111,
  GR_ESC_OWNER_NAME = 112,
  GR_ESC_JOB_PASSWORD = 113,
  GR_ESC_USER_ID = 114,
  GR_ESC_DOCUMENT_NAME = 115,
  GR_ESC_TEL_NO = 116,
  GR_ESC_TEL_LINE = 117,
  GR_ESC_STORED_PASSWORD = 118,
  GR_ESC_GET_DEFAULT_SOURCE = 119,
  GR_ESC_GET_PRINT_METHOD = 120,
  GR_ESC_SET_INI_PATH = 121,
  GR_ESC_STRING_TABLE = 122,
  GR_ESC_AUTH_USER_NAME = 123,
  GR_ESC_AUTH_NETWORK_KEY = 124,
  GR_ESC_AUTH_PASSWORD = 125,
  GR_ESC_GET_API_USE = 126,
  GR_ESC_VERSION = 140,
  GR_ESC_OUTPUT_LIBRARY = 141,
};

constexpr ULONG GR_ESC_FAILED = 0xFFFFFFFF;   // SETCOPYCOUNT without input, a failed pass-through write
constexpr ULONG GR_MAX_COPY_COUNT = 999;
constexpr DWORD GR_INI_PATH_CHARS = 260;     // the kept driver INI path, terminator included

// The library's fixed version text (escape 140): 25 characters and a terminating zero.
extern const char GR_VERSION_TEXT[26];

// 1 when the library answers `escape` for this context: 8, 17, 20, 42, 111 to 126, 140 and 141 always,
// 19 only while pass-through is on; 0 for every other number.
ULONG GrQueryEscapeSupport(const GR_PDEV* pdev, ULONG escape);
// Flushes the buffered records, then writes `length` caller bytes unchanged (no block header) to the
// bound output. FALSE when either fails (the output-error flag is then set).
BOOL GrWritePassThrough(ZARN_STREAM* stream, const void* bytes, DWORD length);
// Copies the texts of the caller's table (`rows` whole rows of it) into `own`, row by row, until the own
// table's row with key 0 or the caller's last row; each text stays zero-terminated within its 261
// characters. Keys and string ids of the caller's rows are not compared. Nothing for no caller table.
void GrCopyStringTable(STRING_HANDOVER_ROW* own, const STRING_HANDOVER_ROW* caller, DWORD rows);
