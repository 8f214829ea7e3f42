// UI language lookups: the region of the driver's help-file name and of the user's locale (the choice
// of the user-interface language, of the resource library and of the default region), and the
// Windows language of a region, all over the settings model's region table.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

constexpr WORD DLG_NO_REGION = 0xFFFF;

// Region id of the two letters before the extension of the driver's help file name (read into the
// work area's text buffer); 1 ("us") when the name cannot be had.
WORD DlgHelpFileLanguageIndex(SETTING_CONTEXT* ctx);
// The region table's code for those two letters; "us" when the name cannot be had.
const WCHAR* DlgHelpFileLanguageCode(SETTING_CONTEXT* ctx);
// Region id of the user's default locale; DLG_NO_REGION when no row matches.
WORD DlgUserLanguageIndex();
// Region id of a locale id (primary language: low 10 bits, sub-language: the 6 bits above them).
WORD DlgLcidLanguageIndex(LCID lcid);
// Region id of the first row with that primary language whose sub-language matches: a request with
// sub-language 0 takes any row, another one only a row with that same sub-language (so a row without
// sub-language answers only requests without one). DLG_NO_REGION when no row matches.
WORD DlgLanguageIndexOf(WORD primaryLang, WORD subLang);
// Primary language id of the region's row (the id taken as a byte); 0 for a region not in the table.
WORD DlgLanguageEntry(WORD regionId);
