// Status selection (the most urgent engine-status codes of a printer-information record), their
// expansion into display entries with locations, the localized short and long status texts, and the
// localized device names. Also the library's module state: its own handle and the current language.
#pragma once
#include <cstddef>

#include "kvplat/types.h"
#include "statusdata/infonode.h"
#include "statusdata/prninfo.h"

// The library's own result codes (besides 0, 8, 13, 87 and 122).
constexpr DWORD PAT_ERROR_LOCALE = 0x20000001;      // locale code unknown, or no code page for the language
constexpr DWORD PAT_ERROR_NO_PALETTE = 0x20000003;  // the model has no palette
constexpr DWORD PAT_ERROR_NOT_FOUND = 0x2000ffff;   // a table, a code's row or a string is missing

// ---------------------------------------------------------------------------------------------
// Module state

// The library's module handle (null inside a program that links the objects directly: the
// program itself then holds the resources).
HMODULE PatModuleHandle();
// The LANGID every text is taken in; 0x0400 (the user's default language) until PatSetLocale.
WORD PatCurrentLanguage();
void PatSetCurrentLanguage(WORD langId);

// ---------------------------------------------------------------------------------------------
// Records

constexpr DWORD PAT_STATUS_NO_RESPONSE = 0xFFFFFF02u;  // -254: the printer does not answer
constexpr DWORD PAT_STATUS_SERVICE_CALL = 40800;

// The caller's kind (bit 31: alternate tables) and the record the status comes from.
struct STATUS_CONTEXT {
  DWORD kind;
  DWORD reserved;
  PRN_INFO_EX* record;
};

// One element of a display list.
struct STATUS_ENTRY {
  DWORD code;      // display code
  DWORD location;  // 0: none
  CHAR text[256];  // the service-call code of a 40800 entry, else empty
};
static_assert(sizeof(STATUS_ENTRY) == 264 && offsetof(STATUS_ENTRY, text) == 8);

struct LOCATION_ENTRY {
  DWORD location;
  DWORD position;  // 1-based row of the location table
  DWORD stringId;
};
static_assert(sizeof(LOCATION_ENTRY) == 12);

// The merged record PatSelectStatus hands out: the library reads the first 280 bytes, the size word
// still tells a record of at least 404.
struct PAT_MERGED_RECORD {
  PRN_INFO_EX record;
  BYTE tail[PRN_INFO_EX_MIN_SIZE - sizeof(PRN_INFO_EX)];
};
static_assert(sizeof(PAT_MERGED_RECORD) >= PRN_INFO_EX_MIN_SIZE);

// ---------------------------------------------------------------------------------------------
// Tables

struct PRIORITY_ROW {
  const char* pattern;
  DWORD priority;
};
struct EXPANSION_ROW {
  const char* pattern;
  DWORD displayCode;
  DWORD location;
};
// A text-table row; the row with code 0xFFFFFFFF ends the table.
struct CODE_TEXT_ROW {
  DWORD code;
  DWORD stringId;
};
constexpr DWORD PAT_TABLE_END = 0xFFFFFFFFu;

// The one priority table: kinds 1 and 0x80000001 (no other kind has one).
extern const PRIORITY_ROW g_PatPriorityTable[];
extern const DWORD g_PatPriorityTableRows;
extern const EXPANSION_ROW g_PatExpansionTable[];
extern const DWORD g_PatExpansionTableRows;
extern const EXPANSION_ROW g_PatAltExpansionTable[];
extern const DWORD g_PatAltExpansionTableRows;

constexpr DWORD PAT_PRIORITY_NONE = 65535;
constexpr DWORD PAT_FORM_SHORT = 1;
constexpr DWORD PAT_FORM_LONG = 2;
constexpr DWORD PAT_STRING_SEPARATOR = 3500;
constexpr DWORD PAT_TEXT_CAPACITY = 512;

// ---------------------------------------------------------------------------------------------
// Selection

// PatSelectStatus: the merged record of the status container for the kind: the kind's record with the
// parts the general record (item 2) has. 0, or 87 for a bad kind, container, item or record.
DWORD PatSelectStatus(DWORD kind, INFO_NODE* container, PAT_MERGED_RECORD* merged);
// PatPriorityTableFor: the priority table of the kind (all 32 bits), or null.
const PRIORITY_ROW* PatPriorityTableFor(DWORD kind);
// PatLookupPriority: 1 with the priority of the first exact row, else of the first matching pattern;
// 0 with 65535 when no row fits.
BOOL PatLookupPriority(const PRIORITY_ROW* table, DWORD code, DWORD* priority);
// PatSelectTopCodes: appends to `codes` (u32 elements) the codes of the most urgent priority, sorted
// ascending as unsigned numbers. 0, 0x2000ffff (no priority table for the kind) or 8.
DWORD PatSelectTopCodes(const STATUS_CONTEXT* context, ELEMENT_LIST* codes);
// PatCollectStatusCodes: selection and expansion into the display list (STATUS_ENTRY elements).
// 0, 8 or 0x2000ffff.
DWORD PatCollectStatusCodes(const STATUS_CONTEXT* context, ELEMENT_LIST* display);
// PatExpandStatusCode: appends the display entries of one code; 0 or 8.
DWORD PatExpandStatusCode(const STATUS_CONTEXT* context, DWORD code, ELEMENT_LIST* display);
// PatExpandStatusTable: the table part: every exact row of the code, or failing any, every matching
// pattern row; a code without a row appends nothing. 0 or 8.
DWORD PatExpandStatusTable(const STATUS_CONTEXT* context, DWORD code, ELEMENT_LIST* display);
// PatExtractServiceCode: the text from its last "SC" to the end (at most capacity - 1 characters),
// or empty. 0, or 87 for null arguments.
DWORD PatExtractServiceCode(const CHAR* text, CHAR* destination, DWORD capacity);

// ---------------------------------------------------------------------------------------------
// Texts

// PatFindCodeTable: the text table of (table kind, form): (1|2, 1|2) status texts, (3, 1)
// locations, (4, 1) option names; null for any other.
const CODE_TEXT_ROW* PatFindCodeTable(DWORD tableKind, DWORD form);
// PatComposeStatusText: the short (form 1) or long (form 2) text of the display list into
// `destination` (capacity bytes; the library uses 512); a long service-call text gets its code
// appended. 0 or the error of PatFormatStatusText. The destination never holds a partial text on error.
DWORD PatComposeStatusText(const STATUS_CONTEXT* context, ELEMENT_LIST* display, DWORD form, CHAR* destination,
                           DWORD capacity);
// PatFormatStatusText: the first entry's template with each "%s" replaced by the location list;
// 0x2000ffff without a table, entry or string; text loading errors as they come.
DWORD PatFormatStatusText(const STATUS_CONTEXT* context, ELEMENT_LIST* display, DWORD form, CHAR* destination,
                          DWORD capacity);
// PatBuildLocationList: the names of the display list's locations in location-table order, joined by
// the language's separator. 0 (also for no locations), 8, or a text-loading error.
DWORD PatBuildLocationList(ELEMENT_LIST* display, CHAR* destination, DWORD capacity, DWORD which);
// PatLoadCodeText: the string of the code's row; 0x2000ffff for a missing code, or the string
// block's error. The destination is emptied on failure.
DWORD PatLoadCodeText(const CODE_TEXT_ROW* table, DWORD code, CHAR* destination, DWORD capacity);
// PatFindStringBlock: string `id` of the current language in its ANSI code page (cut to capacity - 1
// bytes, never inside a double-byte character). 0, 0x20000001 (no code page) or 0x2000ffff.
// The language 0x0400 is the user's default language (the machine's UserLocale) for both the code
// page and the strings; a language the library has no strings for gets the English ones from the
// resource loader, in that language's code page.
DWORD PatFindStringBlock(DWORD id, CHAR* destination, DWORD capacity);
// PatCurrentCodePage: the ANSI code page of the current language; 0 or 0x20000001.
DWORD PatCurrentCodePage(UINT* codePage);

// ---------------------------------------------------------------------------------------------
// Device names

constexpr BYTE PAT_FORM_DEVICE_NAME = 0x97;
constexpr BYTE PAT_FORM_OPTION_CODE = 0x96;

// PatLookupDeviceName: kind 1 (tray) or 2 (output bin) with form 0x97 and a name, or kind 3 (option)
// with form 0x96 and a pointer to a u32 option code. 0, 87 (bad kind, form, data or unknown name) or
// 0x2000ffff (unknown option, missing string).
DWORD PatLookupDeviceName(DWORD kind, const void* data, BYTE form, CHAR* destination, DWORD capacity);
DWORD PatGetTrayBinName(DWORD kind, const CHAR* name, CHAR* destination, DWORD capacity);
DWORD PatGetOptionName(DWORD optionCode, CHAR* destination, DWORD capacity);

// ---------------------------------------------------------------------------------------------
// The model's extension point

enum : DWORD { PAT_HOOK_PROFILE = 1, PAT_HOOK_VERSION = 2, PAT_HOOK_HELP_FILE = 3 };
// PatModelHook: called at the end of the profile and version exports and for the help-file name
// (data then points to a 512-byte name buffer). This model adds nothing: 0.
DWORD PatModelHook(DWORD reason, DWORD kind, void* data);
