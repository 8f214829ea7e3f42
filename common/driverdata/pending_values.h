// Calls into the driver INI lists that are being built alongside this code. Declared with the
// signatures their owners give them; pending_values.cpp holds weak least bodies until they land.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Owner: common/config/driver_lists.h. wdmUserSetName := the text of `key` + "Name"; 1 read, 0 not.
int CfgLoadQualityEntryName(SETTING_CONTEXT* ctx, const WCHAR* key);
