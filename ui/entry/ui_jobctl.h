// The interface library's client of the job-control library. Results are those of the job-control
// events (0 success, otherwise the library's status).
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

DWORD UiJcOpen(SETTING_CONTEXT* ctx);
DWORD UiJcClose(SETTING_CONTEXT* ctx);
// Sends one item code with the open handle; 0 without a handle.
DWORD UiJcNotify(SETTING_CONTEXT* ctx, DWORD item);
DWORD UiJcWriteItemsAllIfOn(SETTING_CONTEXT* ctx, DWORD mask);
// Writes the items of the mask to job control / reads them back into their settings, while job control
// is on.
DWORD UiJcWriteItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcReadItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcResetUserCodeSourceIfOn(SETTING_CONTEXT* ctx);
DWORD UiJcClearItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
// Brings the job-control items in line after a DEVMODE conversion.
DWORD UiJcSyncAtConversion(SETTING_CONTEXT* ctx);
