// The model's files installed into the data folder at set-up.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// 1 (0 when its buffers cannot be had).
int InstInstallModelFiles(SETTING_CONTEXT* ctx, DWORD flags);
