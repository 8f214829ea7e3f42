// Registration values of the printer: what the driver's registration with the spooler names.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Capacity in characters that UiGetHelpFileName needs of its destination.
constexpr DWORD UI_HELP_FILE_NAME_CHARS = 261;

// 1 when the printer's driver information (level 3) has a help file whose path holds a backslash:
// dest (UI_HELP_FILE_NAME_CHARS characters) := the part after the last backslash, cut to fit. 0 and
// dest untouched otherwise. The third argument is not read.
int UiGetHelpFileName(HANDLE printer, WCHAR* dest, DWORD ignored, SETTING_CONTEXT* ctx);
