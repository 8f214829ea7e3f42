// The job-control link: job items moved between the maker's job-control library and the settings.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Reads the job items of `mask` into their settings (job-control event 0x30040) when the job-information
// switch is on; the status of the event, or the switch's value.
int JcReadItems(SETTING_CONTEXT* ctx, DWORD mask);
