// UI language lookups of the sheets.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The region id taken from the help file's name (1 when there is no help file name).
int DlgHelpFileLanguageIndex(SETTING_CONTEXT* ctx);
// The two-letter code of the region of the help file's name ("us" when there is no help file name).
const WCHAR* DlgHelpFileLanguageCode(SETTING_CONTEXT* ctx);
