// Administrator lock data kept in printer data.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Reads the printer-data value of each active administrator lock into the locked settings and applies
// the locks again. 1 applied, 0 when a value of an active lock was missing or unreadable.
int CfgLoadLockData(HANDLE printer, SETTING_CONTEXT* ctx);
