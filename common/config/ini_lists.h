// Lists kept in the driver INI: the section of the preset and quality lists, and the interface font
// that the defaults of the font-name settings take.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The section of the driver INI that holds the preset and quality lists (the printer's name); none
// without a context.
const WCHAR* CfgGetPresetSection(SETTING_CONTEXT* ctx);
// Writes the interface font's face name into buffer (at least 32 characters) and returns buffer.
WCHAR* CfgGetUiFontName(SETTING_CONTEXT* ctx, WCHAR* buffer);
