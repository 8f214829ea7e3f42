// The printer's keys of the driver INI and the copies of its lists.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Saves the device settings of a local printer and refreshes its INI keys and list copies. 1.
int InstRefreshPrinterLists(HANDLE printer, SETTING_CONTEXT* ctx);
// Writes the printer's keys of the driver INI (mode 0 set-up). 1, 0 when a path or name is missing.
int InstWriteDriverIniKeys(SETTING_CONTEXT* ctx, int mode, const WCHAR* value);
// Repairs the list entries of the printer's INI section. 1, 0 when a buffer, path or name is missing.
int InstRepairListEntries(SETTING_CONTEXT* ctx);
