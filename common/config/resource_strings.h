// Resource strings and text conversion: the model's resource library of a context, strings loaded
// from it by id and decorated with current values (tray names, custom paper sizes with their unit,
// size limits, texts of the feature modules, custom media names), decimal formatting with the
// European decimal comma, the bitmap-file test, and the conversions between wide text and the system
// ANSI code page.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Argument of module event 16 (the text of a string id, for a module to fill in): `text` holds the
// library's text and room for CFG_MODULE_TEXT_CHARS characters; a module writes at most that many,
// terminator included.
constexpr DWORD CFG_MODULE_TEXT_CHARS = 1025;
struct CFG_STRING_ID_EVENT {
  WORD stringId;
  WCHAR* text;
};

// One row of the decoration table: the first row with a string id decides how it is decorated.
struct STRING_DECORATION_ROW {
  DWORD stringId;  // 0 ends the table
  WORD settingId;
  WORD reserved;
  DWORD kind;      // 1 tray name, 2 size, 3 unit, 4 module text, 5 limit format, 6 custom media
};
static_assert(sizeof(STRING_DECORATION_ROW) == 12);

// The table (79 rows and the end row).
const STRING_DECORATION_ROW* CfgGetStringDecorationTable();
const STRING_DECORATION_ROW* CfgFindStringDecoration(DWORD stringId);

// The context's resource library, loaded on first use (a failed load is retried next time); none when
// it cannot be loaded.
HMODULE CfgLoadResourceDll(SETTING_CONTEXT* ctx);
// Frees the context's resource and picture libraries; the context.
SETTING_CONTEXT* CfgFreeContextLibraries(SETTING_CONTEXT* ctx);
// dest := string `stringId`, cut to capacity - 1 characters, decorated when asked; empty when the
// library or the string is missing.
void CfgLoadString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* dest, int capacity, int decorate);
// Decorates a loaded string in place, never past capacity - 1 characters.
void CfgDecorateString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* text, int capacity);
// Inserts of a resource text: "%s" takes the next text, "%d", "%i" and "%u" (also written "%ld",
// "%lu", "%hd" ...) the next number; at most CFG_FORMAT_MAX_NUMBERS numbers are read.
constexpr int CFG_FORMAT_MAX_NUMBERS = 8;
struct CFG_FORMAT_INSERTS {
  const WCHAR* const* texts;
  int textCount;
  const LONG* numbers;
  int numberCount;
};
// Formats a text that comes from a resource library into dest (capacity characters, always
// terminated, never cut inside a surrogate pair). "%%" gives "%"; a conversion whose insert is missing
// gives nothing; any other "%" (flags, widths, "%n", "%x" ...) is copied as written, so no resource text
// ever reaches a printf-style formatter. Returns the characters written.
int CfgFormatResourceText(WCHAR* dest, int capacity, const WCHAR* format, const CFG_FORMAT_INSERTS* inserts);
// Appends text to dest within capacity characters (terminator included), cut at a character boundary.
// Returns the new length.
int CfgAppendText(WCHAR* dest, int capacity, const WCHAR* text);
// Copies text into dest the same way.
int CfgCopyText(WCHAR* dest, int capacity, const WCHAR* text);

// Capacity CfgFormatDecimal needs of its destination.
constexpr int CFG_DECIMAL_TEXT = 32;
// value / divisor with as many decimals as the divisor has powers of ten (1-4), a decimal comma in a
// European region. dest holds CFG_DECIMAL_TEXT characters.
void CfgFormatDecimal(WCHAR* dest, DWORD divisor, LONG value, SETTING_CONTEXT* ctx);
// Every '.' after the last '(' (or in the whole text without one) becomes ','.
void CfgDecimalPointToComma(WCHAR* text);
// 1 and an open handle (the caller closes it) when the file holds a bitmap with a 40-byte information
// header; else 0.
int CfgOpenBmpFile(const WCHAR* path, HANDLE* file);
// ANSI (system code page) to wide, at most capacity characters, always terminated; capacity below 1
// means the text's length + 1. dest is returned.
WCHAR* CfgAnsiToWide(WCHAR* dest, const char* text, int capacity);
// Wide to ANSI within `bytes` bytes (0 or less: the text's length + 1), zero-filled first and always
// terminated; a double-byte character is never split. dest is returned.
char* CfgWideToAnsi(char* dest, const WCHAR* text, int bytes);
