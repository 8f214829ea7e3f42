// Regions: the static region table (id, language, two-letter code), its lookups, the region of a
// help-file name, and the country class of the user's locale.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

struct REGION_ROW {
  WORD regionId;     // 0xFFFF ends the table
  WORD primaryLang;  // only the low byte is used
  WORD subLang;      // 0 = none
  const WCHAR* code;
};

constexpr WORD STG_REGION_END = 0xFFFF;
constexpr WORD STG_REGION_DEFAULT = 1;  // "us"

// The table, ended by a row with id 0xFFFF.
const REGION_ROW* StgGetRegionTable();
// Region id of the first row whose code equals `code` without case; 1 for none or no match.
int StgRegionIdOfCode(const WCHAR* code);
// The row's code; "us" when no row has the id.
const WCHAR* StgRegionCodeOfId(int regionId);
// The table's own code text of a case-insensitive match; "us" for none or no match.
const WCHAR* StgNormalizeRegionCode(const WCHAR* code);
// Primary language id of the region (0 when none); *subLang := the row's sub-language (0 for none).
BYTE StgGetRegionLangId(BYTE regionId, WORD* subLang);
int StgIsKnownRegion(int regionId);
// Code of the context's rdmLanguageID; "us" when unknown.
const WCHAR* StgGetRegionCode(SETTING_CONTEXT* ctx);
// The two characters before the file name's extension, looked up; none gives 1 / "us".
int StgRegionIdOfFileName(const WCHAR* fileName);
const WCHAR* StgRegionCodeOfFileName(const WCHAR* fileName);
// Region of the printer's "HelpFileName"; 1 / "us" when absent.
int StgGetHelpFileRegionId(SETTING_CONTEXT* ctx);
const WCHAR* StgGetHelpFileRegionCode(SETTING_CONTEXT* ctx);
// 1, 2 or 5 when the user locale's country code begins with that digit, else 0.
WORD CfgGetCountryClass(SETTING_CONTEXT* ctx);
// Writes the work area's locale words (default paper code, inch flag, country class) and rdmLocaleID.
void CfgApplyCountryClass(SETTING_CONTEXT* ctx);
