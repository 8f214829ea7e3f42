// Operations of the individual feature modules (colour-matching profiles, job settings, chapters)
// that the module table, its op bridge and the judge hooks call.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;

// Colour-matching profiles: the number of profiles ("CmmCount"); select profile n into the settings
// bound to the add-profile dialog's controls; the judge hooks 1292-1307.
int StgGetCmmCount(SETTING_CONTEXT* ctx);
void StgSelectCmmProfile(SETTING_CONTEXT* ctx, int n);
DWORD StgCmmJudge(SETTING_CONTEXT* ctx, WORD id);

// Job settings: the judge hooks 1404-1419.
DWORD StgSeparationJudge(SETTING_CONTEXT* ctx, WORD id);

// Chapters. Fields of a row's INI keys.
enum : int {
  STG_CHAPTER_FIELD_PAGE = 1,
  STG_CHAPTER_FIELD_TRAY = 2,
  STG_CHAPTER_FIELD_KIND = 3,
  STG_CHAPTER_FIELD_PRINT = 4,
  STG_CHAPTER_FIELD_RANGE = 5,
};
constexpr int STG_CHAPTER_RANGE_CHARS = 16;
// Merges the pages (ended by 0; range texts parallel to them, or none) into the chapter rows:
// 0 accepted, 1 refused (rows unchanged).
int StgEditChapterRows(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, const DWORD* pages, void* unused,
                       const WCHAR (*ranges)[STG_CHAPTER_RANGE_CHARS]);
// Deletes the row named by the driver-API record's chapter-row index: 0 done, 1 nothing done.
int StgDeleteChapterRow(SETTING_CONTEXT* ctx);
// Empties every row: 0.
int StgClearChapterRows(SETTING_CONTEXT* ctx);
// 0 when the first wdmChapterNum rows of both lists agree; 1 otherwise or when either is missing.
int StgCompareChapterRows(SETTING_CONTEXT* ctx, const void* rowsA, const void* rowsB);
// One field of row `row` (0-based) from the driver INI's printer section (region section with flag
// 8): integers default to 0, texts to "" (at most chars - 1 characters, always terminated).
int StgReadChapterIniInt(SETTING_CONTEXT* ctx, int row, int field, const WCHAR* iniPath, DWORD flags);
void StgReadChapterIniText(SETTING_CONTEXT* ctx, int row, int field, WCHAR* dest, DWORD chars,
                           const WCHAR* iniPath, DWORD flags);
