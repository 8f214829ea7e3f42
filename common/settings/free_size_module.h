// Custom-size input module: the limits of a custom paper size by tray and orientation.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The size limits (dots) of a tray and orientation; selector 1 length, 0 width. 1 found, 0 when no
// row fits.
int StgGetFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD trayKey, DWORD orientKey, LONG* maximum, LONG* minimum,
                         int selector);
