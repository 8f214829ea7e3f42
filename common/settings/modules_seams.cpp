// Least bodies of the calls that the feature-module table, its op bridge, the version migration and
// the default section make into Parts built elsewhere (the individual feature modules, the driver INI
// lists, settings files, lock data, value checks). Each is weak: the real definition takes its place
// once it is linked in, and its owner deletes the body here. A body does only what its callers need
// to run: "nothing there", "refused", "nothing done".
#include <cstdio>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/lock_data.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "kvseam.h"


// ---- Colour-matching and job-settings modules: no profiles, no judge answers.

KV_SEAM(StgGetCmmCount) int StgGetCmmCount(SETTING_CONTEXT*) { return 0; }
KV_SEAM(StgSelectCmmProfile) void StgSelectCmmProfile(SETTING_CONTEXT*, int) {}
KV_SEAM(StgCmmJudge) DWORD StgCmmJudge(SETTING_CONTEXT*, WORD) { return 0; }
KV_SEAM(StgSeparationJudge) DWORD StgSeparationJudge(SETTING_CONTEXT*, WORD) { return 0; }

// ---- Chapters module: no rows can be edited; a row's fields are read from the printer section.

KV_SEAM(StgEditChapterRows) int StgEditChapterRows(SETTING_CONTEXT*, DIALOG_DESC*, const DWORD*, void*,
                               const WCHAR (*)[STG_CHAPTER_RANGE_CHARS]) {
  return 1;
}
KV_SEAM(StgDeleteChapterRow) int StgDeleteChapterRow(SETTING_CONTEXT*) { return 1; }
KV_SEAM(StgClearChapterRows) int StgClearChapterRows(SETTING_CONTEXT*) { return 0; }
KV_SEAM(StgCompareChapterRows) int StgCompareChapterRows(SETTING_CONTEXT*, const void*, const void*) { return 1; }

namespace {
bool ChapterKey(int row, int field, WCHAR (&key)[40]) {
  static const char* const kNames[] = {"Page", "Tray", "Kind", "Print", "PageRange"};
  if (row < 0 || field < 1 || field > 5) return false;
  char text[40];
  std::snprintf(text, sizeof(text), "wdmChapter%s%lld", kNames[field - 1], (long long)row + 1);
  int i = 0;
  for (; text[i]; ++i) key[i] = (WCHAR)text[i];
  key[i] = 0;
  return true;
}
}  // namespace

KV_SEAM(StgReadChapterIniInt) int StgReadChapterIniInt(SETTING_CONTEXT* ctx, int row, int field, const WCHAR* iniPath, DWORD) {
  WCHAR key[40];
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (!iniPath || !section || !ChapterKey(row, field, key)) return 0;
  return CfgIniGetInt(section, key, 0, iniPath);
}

KV_SEAM(StgReadChapterIniText) void StgReadChapterIniText(SETTING_CONTEXT* ctx, int row, int field, WCHAR* dest, DWORD chars,
                                   const WCHAR* iniPath, DWORD) {
  if (!dest || !chars) return;
  dest[0] = 0;
  WCHAR key[40];
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (!iniPath || !section || !ChapterKey(row, field, key)) return;
  CfgIniGetString(section, key, u"", dest, chars, iniPath);
  dest[chars - 1] = 0;
}
