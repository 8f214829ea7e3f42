// The in-memory INI text engine of the settings files: a whole file read as ANSI text and looked up
// with a moving cursor, a section composed in a growable buffer and put into its file in one
// replacement. Beside it three small readers of configuration kept near the INI files: a folder path
// stored in printer data, the user-function rights of the user information file and the per-user
// switch that enables driver settings.
//
// Text layout: lines end in LF (a CR before it is tolerated; the writer emits CR LF); a section header
// is a line whose first byte is '[' followed by the name and ']'; a section body runs from the line
// after its header to the next line beginning with '[' or the end of the text; a key line is the key,
// '=' and the value, without blanks removed anywhere. Section names are normalised ('[' and ']' become
// ',') before they are written or looked up.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Capacity of the composition buffer when it starts; it grows as a section needs.
constexpr DWORD CFG_INI_WRITER_INITIAL = 32768;

// A section being composed: ANSI text from `text`, `length` bytes so far, always followed by a zero
// byte inside `capacity`.
struct INI_TEXT_WRITER {
  char* text;
  DWORD capacity;
  DWORD length;
};

// ---- Reader.

// The whole file as ANSI text followed by one zero byte (free with CfgFreeIniText). A file that does
// not exist reads as an empty text and is not created. None for a path without a drive letter
// ("X:..."), a file that cannot be read whole, or no memory.
char* CfgLoadIniText(const WCHAR* path);
// Releases a text of CfgLoadIniText (none is accepted); 1.
int CfgFreeIniText(char* text);
// The body of the first section whose header matches the name (case-insensitive per byte): the start
// of the line after the header, or the end of the text when the header is the last line. None when no
// header matches or the text is none.
const char* CfgIniTextFindSection(const WCHAR* section, const char* text);
// Looks up `key` in a section body from the line at `*cursor` (a byte offset from the body, 0 at
// first, and afterwards only a value this function left there), wrapping once to the start of the
// body. Found: the value (at most capacity - 1 bytes) converted into dest, the cursor after the
// matched line, and the number of value bytes copied. Not found: dest := the default cut to
// capacity - 1 characters and its length; the cursor stays, or becomes 0 when the scan met the end of
// the section twice. A body of none, or a cursor past the end of the text, resets the cursor and gives
// the default.
WORD CfgIniTextGetString(const WCHAR* key, const WCHAR* def, WCHAR* dest, WORD capacity, const char* body,
                         DWORD* cursor);
// The value read as a decimal number (at most 10 characters); `def` when absent or empty.
int CfgIniTextGetInt(const WCHAR* key, int def, const char* body, DWORD* cursor);

// ---- Writer.

// Starts an empty composition of CFG_INI_WRITER_INITIAL bytes: 1, or 0 without memory.
int CfgIniTextWriterInit(INI_TEXT_WRITER* writer);
// Releases the composition buffer (the writer is emptied).
void CfgIniTextWriterFree(INI_TEXT_WRITER* writer);
// Appends "[name]" CR LF (nothing for an empty name): 1; 0 for a missing argument or when the buffer
// cannot grow (the text is then unchanged).
int CfgIniTextPutSection(INI_TEXT_WRITER* writer, const WCHAR* section);
// Appends "key=value" CR LF (nothing for an empty key): 1; 0 as for CfgIniTextPutSection.
int CfgIniTextPutKey(INI_TEXT_WRITER* writer, const WCHAR* key, const WCHAR* value);

// Puts a section (its complete ANSI text, header included, `length` bytes) into an INI file as its
// first section; the other sections keep their order and the old section of that name is dropped.
// The new file is written aside and then renamed over the old one, so a failure or a crash leaves the
// old file whole. The whole rewrite holds the global mutex and the file's profile lock, so no key that
// any process writes through the profile functions meanwhile is lost. 1 done; 0 when any step failed,
// the mutex included (the platform's error code becomes the context's last result code).
int CfgIniFileReplaceSection(SETTING_CONTEXT* ctx, const WCHAR* path, const WCHAR* section, const char* text,
                             DWORD length);

// ---- Configuration beside the INI files.

// The folder named by a printer-data value, usable as a data folder: "%SYSTEMROOT%..." expanded with
// the Windows folder, "%USERPROFILE%..." replaced by the printer's per-user data folder, any other
// value taken as it is; an existing folder (not the per-user one) gets "\_zarn" appended. 1 and dest
// filled; 0 when the value is missing, empty, too long, names no existing folder or does not fit
// dest; -1 without memory or per-user folder.
int CfgGetPrinterDataDir(HANDLE printer, const WCHAR* valueName, WCHAR* dest, DWORD capacity);
// Sets wdmSpecial1-16 from the "Function<n>" keys of the user information file for every function
// whose feature bit is set, 0 for the others and for all from the first failure on.
void CfgLoadUserFunctionRights(SETTING_CONTEXT* ctx);
// With feature bit 1: wdmSpecial2 := 2 when the per-user "Enabled" switch is 1, 1 when it is 0, else 0.
void CfgLoadDriverSettingsEnabled(SETTING_CONTEXT* ctx);
// The DWORD "Enabled" under HKCU "SOFTWARE\KAVRO\DRIVER\SETTINGS": 1 and *value, or 0 when missing.
int CfgReadDriverSettingsEnabled(DWORD* value);
