// Registration values of the printer: what the driver's registration with the spooler names.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The file-name part of the printer's driver path / help file into `dest` (`capacity` characters). 1
// when the path holds a backslash.
int UiGetHelpFileName(HANDLE printer, WCHAR* dest, DWORD capacity, SETTING_CONTEXT* ctx);
