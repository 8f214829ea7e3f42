// The common library's own feature modules: administrator locks (row 8), colour-matching profiles
// (row 2), job settings with the separation-sheet cycle (row 9) and chapters (row 4). The custom-size
// input module (row 3) has its own header, free_size_module.h. Each module is a command handler and an
// event callback of the feature-module table; the records below are the arguments of the events they
// answer, as the raisers build them.
#pragma once
#include <cstdint>

#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;
struct ITEM_DESC;

// Characters the decimal text of a LONG needs (sign and terminator included).
constexpr DWORD STG_DECIMAL_CHARS = 12;
// dst (STG_DECIMAL_CHARS characters) := value as decimal text, the form the modules' INI keys hold; dst.
WCHAR* StgFormatDecimalText(WCHAR* dst, LONG value);

// ---------------------------------------------------------------------------------------------
// Administrator locks.

// Command 312 records the locked values (1); commands 10000-11976 re-apply that setting from the
// locked default settings while the default settings are locked; any other command 0.
int StgLockModuleCommand(SETTING_CONTEXT* ctx, WORD command, void* privateData);
// Events 59 (locks into the preset files) and 60 (resolution lock into the quality files): 1; others 0.
int StgLockModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void* privateData);
// wdmLock001Info ... wdmLock008Info := the current values of the settings they record.
void StgRecordLockedValues(SETTING_CONTEXT* ctx);
// 1 when the BF_ id is in the BF_ table (its setting := its value in the locked default settings);
// 0 for an id not in the table.
int StgReapplyBfSetting(SETTING_CONTEXT* ctx, DWORD bfId);
// Writes the locked settings into (or, for a lifted lock, restores them in) every preset entry file.
// 1 done; 0 when the name texts could not be had.
int StgApplyLocksToPresets(SETTING_CONTEXT* ctx);
// The resolution lock over the quality entry files: through rdmDstResolutionBoth, or through
// rdmDstResolutionW and rdmDstResolutionH when an entry file has no rdmDstResolutionBoth key.
void StgApplyResolutionLockToQualityLists(SETTING_CONTEXT* ctx);
// Characters an entry file path of the preset and quality lists may have (terminator included).
constexpr DWORD STG_LOCK_ENTRY_PATH_CHARS = 261;
// 1 when `path` names a file inside the printer's data folder (or the per-user data folder): an
// absolute path without "." or ".." steps. Entry files outside are never read or written.
int StgIsLockEntryPathAllowed(SETTING_CONTEXT* ctx, const WCHAR* path);

// ---------------------------------------------------------------------------------------------
// Colour-matching profiles.

// Commands 111-124: 1; others 0. Events 15, 16, 36, 56 and 58: see the records below.
int StgCmmModuleCommand(SETTING_CONTEXT* ctx, WORD command, void* privateData);
int StgCmmModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void* privateData);
// Characters of a profile's mode and path texts (terminator included).
constexpr DWORD STG_CMM_TEXT_CHARS = 261;
// "CmmCount" (0), "CmmDefault" (4) and "CmmMax" (16) of the region section of the context's INI file
// (defaults when absent); StgSetCmmCount writes "CmmCount".
int StgGetCmmCount(SETTING_CONTEXT* ctx);
void StgSetCmmCount(SETTING_CONTEXT* ctx, int n);
int StgGetCmmDefault(SETTING_CONTEXT* ctx);
int StgGetCmmMax(SETTING_CONTEXT* ctx);
// Controls 2823 (mode) and 2825 (path) of the add-profile dialog, 2256 (list) of the profile-list
// dialog; none when absent.
CONTROL_DESC* StgGetCmmModeControl(SETTING_CONTEXT* ctx);
CONTROL_DESC* StgGetCmmPathControl(SETTING_CONTEXT* ctx);
CONTROL_DESC* StgGetCmmListControl(SETTING_CONTEXT* ctx);
// Reads profile n (n at or above the count reads profile 0; a negative n empties both texts) into
// `mode` and `path` (STG_CMM_TEXT_CHARS each).
void StgReadCmmProfile(SETTING_CONTEXT* ctx, int n, WCHAR* mode, WCHAR* path);
// Profile n into the settings bound to the mode and path controls (nothing moves without a binding).
void StgLoadCmmProfileToDialog(SETTING_CONTEXT* ctx, int n);
// Profile n into the settings named by the two controls' UI keys.
void StgSelectCmmProfile(SETTING_CONTEXT* ctx, int n);
// The texts of the settings bound to the mode and path controls into profile n (0 <= n < count only).
void StgSaveCmmProfile(SETTING_CONTEXT* ctx, int n);
// Deletes profile n: later profiles move one index down in the INI, the count drops by one (the last
// section stays in the file). The new count; the count unchanged for an n outside the list.
int StgDeleteCmmProfile(SETTING_CONTEXT* ctx, int n);
// value - 200 of the setting when that is a profile index below the count, else -1.
int StgGetCmmProfileOfSetting(SETTING_CONTEXT* ctx, WORD id);
// The same mapping of the list control's bound setting; -1 without the list control or binding.
int StgGetSelectedCmmProfile(SETTING_CONTEXT* ctx);
// Hook after the list changed; nothing to do in this library.
void StgOnCmmListChanged(SETTING_CONTEXT* ctx, int index);
// Notes the active colour-matching setting (flag bit and saved value byte in the work area).
void StgNoteActiveCmmSetting(SETTING_CONTEXT* ctx, int index);
// Colour-matching settings that point at a profile beyond the list take the user macro's stored value.
void StgCmmFixProfileSettings(SETTING_CONTEXT* ctx);
// Judge hooks 1292-1307: 1292 the selected profile is built-in or none; 1293 the list is full; 1294
// the path control exists; every other id 0.
DWORD StgCmmJudge(SETTING_CONTEXT* ctx, WORD id);

// Event 15: the list limits of the region section copied from one INI file into another.
struct STG_CMM_LIMITS_ARG {
  const WCHAR* sourceIni;
  const WCHAR* destinationIni;
  uint64_t keepCount;  // non-zero: an existing "CmmCount" of the destination stays
};
// Event 56: the toner-saving density of an item of control 3039.
struct STG_DENSITY_ARG {
  CONTROL_DESC* control;
  WORD itemId;
  uint64_t answer;
};
// Event 58 (answer 1 for controls 3032, 3035, 3038) and event 66's control-state record.
struct STG_CONTROL_ANSWER_ARG {
  CONTROL_DESC* control;
  uint64_t answer;
};

// The four colour-matching settings, in the order of their noted-flag bits: rdmColorMatchingMode,
// wdmColorMatchingText, wdmColorMatchingLine, wdmColorMatchingImage.
constexpr WORD STG_COLOUR_MATCHING_SETTINGS[4] = {133, 961, 962, 963};

// Noted colour settings in the work area's module state: a flag byte (bit 0 rdmColorMatchingMode,
// bit 1 text, bit 2 line, bit 3 image) and one saved value byte per setting after it.
constexpr int STG_NOTED_COLOUR_FLAGS = 0;
constexpr int STG_NOTED_COLOUR_VALUES = 1;

// ---------------------------------------------------------------------------------------------
// Job settings.

// Command 901: the separation-sheet cycle from the copies (1); any other command 0.
int StgSeparationModuleCommand(SETTING_CONTEXT* ctx, WORD command, void* privateData);
// Events 17, 21, 30, 32, 34, 35, 54, 66 and 67: 1; others 0.
int StgSeparationModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void* privateData);
// rdmSeparationSheetCycle := dmCopies when the copies (as i16) are above 0.
void StgSetSeparationCycleFromCopies(SETTING_CONTEXT* ctx);
// Judge hooks 1404-1419: 1404 is 1 when dmCopies < rdmSeparationSheetCycle; every other id 0.
DWORD StgSeparationJudge(SETTING_CONTEXT* ctx, WORD id);
// For a dialog whose kind has bit 0x20: the noted colour settings get their saved values back, then
// events 36 and 35 (the user macro's entry is saved in between). Nothing for other dialogs.
void StgRestoreNotedColourSettings(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog);
// For a dialog whose kind has bit 0x20: forgets the noted colour settings.
void StgForgetNotedColourSettings(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog);

// Event 17: the device's state of a bidi item.
struct STG_BIDI_STATE_ARG {
  void* key;
  uint64_t answer;
};
// Event 66: control states of the document page.
struct STG_PAGE_CONTROL_ARG {
  DIALOG_DESC* dialog;
  CONTROL_DESC* control;
};

// ---------------------------------------------------------------------------------------------
// Chapters.

// Fields of a row's INI keys.
enum : int {
  STG_CHAPTER_FIELD_PAGE = 1,
  STG_CHAPTER_FIELD_TRAY = 2,
  STG_CHAPTER_FIELD_KIND = 3,
  STG_CHAPTER_FIELD_PRINT = 4,
  STG_CHAPTER_FIELD_RANGE = 5,
};
constexpr int STG_CHAPTER_RANGE_CHARS = 16;
// Reads of a row take the region section instead of the printer section.
constexpr DWORD STG_CHAPTER_READ_REGION = 8;

// One chapter: the page where it starts (0 ends the list), its tray (stored value), kind, print choice
// and, for kind 3, its page range text ("first-last" or "first").
struct CHAPTER_ROW {
  WORD page;
  SHORT tray;
  BYTE kind;
  BYTE print;
  WCHAR range[STG_CHAPTER_RANGE_CHARS];
};
static_assert(sizeof(CHAPTER_ROW) == 38);

// Commands 303-307 copy one cover or insert media type to the others (1); others 0.
int StgChapterModuleCommand(SETTING_CONTEXT* ctx, WORD command, void* privateData);
int StgChapterModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void* privateData);
// The row at the index, or none when the index is negative, not below wdmChapterNum or beyond the
// row block, or the block cannot be had.
CHAPTER_ROW* StgGetChapterRow(SETTING_CONTEXT* ctx, int index);
// The rows from an INI file (none: the driver INI); flags STG_CHAPTER_READ_REGION reads the region
// section. Returns wdmChapterNum.
int StgLoadChapterRows(SETTING_CONTEXT* ctx, const WCHAR* iniPath, DWORD flags);
// The rows in use into an INI file (none: the driver INI); a row with page 0 ends them (wdmChapterNum
// := its index).
void StgSaveChapterRows(SETTING_CONTEXT* ctx, const WCHAR* iniPath);
// Merges the pages (ended by 0; range texts parallel to them, or none) into the chapter rows:
// 0 accepted, 1 refused (rows, tray slots and counts unchanged).
int StgEditChapterRows(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, const DWORD* pages, void* unused,
                       const WCHAR (*ranges)[STG_CHAPTER_RANGE_CHARS]);
// Refusals of a chapter merge (the message ids the interface library shows): no free row; more trays
// than wdmChapterTrayMax; a row printing 2 on the tray of a row printing 1; a range overlapping a row; a
// range from page 1 while a front cover is chosen.
constexpr DWORD STG_CHAPTER_REFUSED_FULL = 10065;
constexpr DWORD STG_CHAPTER_REFUSED_TRAYS = 10066;
constexpr DWORD STG_CHAPTER_REFUSED_PRINT_TRAY = 10068;
constexpr DWORD STG_CHAPTER_REFUSED_OVERLAP = 12045;
constexpr DWORD STG_CHAPTER_REFUSED_COVER = 12046;
// The merge with its refusal in *refusal (0 when accepted; may be none).
int StgEditChapterRowsWith(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, const DWORD* pages, void* unused,
                           const WCHAR (*ranges)[STG_CHAPTER_RANGE_CHARS], DWORD* refusal);
// Deletes row d, moving the later rows up: the index of the first empty row after it (the new
// wdmChapterNum), or -1 when d is not a row of the list (nothing changed).
int StgDeleteChapterRowAt(SETTING_CONTEXT* ctx, DWORD d);
// Deletes the row named by the driver-API record's chapter-row index: 0 done, 1 nothing done (no
// chapter list control or no driver-API record).
int StgDeleteChapterRow(SETTING_CONTEXT* ctx);
// Empties every row, keeping the old count in the work area: 0.
int StgClearChapterRows(SETTING_CONTEXT* ctx);
// 0 when the first wdmChapterNum rows (at most wdmChapterMax) of both lists agree in page, kind, tray
// and print; 1 otherwise or when either is missing.
int StgCompareChapterRows(SETTING_CONTEXT* ctx, const void* rowsA, const void* rowsB);
// The device tray code of a stored tray value / of a tray option value (0 when not listed).
DWORD StgGetChapterTrayCode(SETTING_CONTEXT* ctx, SHORT tray);
DWORD StgMapTrayOptionToCode(DWORD option);
// 1 for the chapter settings 996-1009, else 0.
int StgIsChapterSettingId(SETTING_CONTEXT* ctx, const uint64_t* id);
// Whether tray-usage flags serve a chapter tray kind (1: 0x20, 2: 0x40, 3: 0x80, 0: any of them).
int StgTestChapterTrayFlag(DWORD flags, DWORD kind);
// The default tray of the first chapter kind the flags serve := tray; its done bit (4, 8, 16) is set.
void StgSetChapterDefaultTray(DWORD flags, DWORD tray, BYTE* doneBits, SETTING_CONTEXT* ctx);
// The three default chapter trays := the bin value of device tray code 3.
void StgResetChapterDefaultTrays(SETTING_CONTEXT* ctx);
// Runs the automatic actions of the tray and print settings over every row's values.
void StgValidateChapterRows(SETTING_CONTEXT* ctx);
// Once per context: the chapter settings and rows from the device settings, then the limits from the
// driver INI. The load's result; 1 when already done.
int StgLoadChapterLimitsOnce(SETTING_CONTEXT* ctx);
// Asks for the device-data load when the chapter function is on.
void StgLoadChapterDataIfSelected(SETTING_CONTEXT* ctx);
// Every other cover or insert media type := the source's stored value.
void StgCopyMediaTypeToAll(SETTING_CONTEXT* ctx, WORD sourceId);
// dst := the INI key of a row's field ("wdmChapterPage%d" ... with the row number index + 1). false for
// a field outside 1-5, a negative row or a key that does not fit.
bool StgFormatChapterKey(WCHAR* dst, DWORD chars, int row, int field);
// One field of row `row` (0-based) from an INI file's printer section (region section with flag 8):
// integers default to 0, texts to "" (at most chars - 1 characters, always terminated).
int StgReadChapterIniInt(SETTING_CONTEXT* ctx, int row, int field, const WCHAR* iniPath, DWORD flags);
void StgReadChapterIniText(SETTING_CONTEXT* ctx, int row, int field, WCHAR* dest, DWORD chars,
                           const WCHAR* iniPath, DWORD flags);
// One field of a row into an INI file's printer section (decimal text for integers).
void StgWriteChapterIniInt(SETTING_CONTEXT* ctx, int row, int field, LONG value, const WCHAR* iniPath);
void StgWriteChapterIniText(SETTING_CONTEXT* ctx, int row, int field, const WCHAR* text, const WCHAR* iniPath);

