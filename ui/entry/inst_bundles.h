// Settings bundles applied at set-up.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Applies the bundle the batch file names.
int InstRunBatchInstall(WORD ignored, SETTING_CONTEXT* ctx, int retry);
// Applies the model's default bundle. 1.
int InstApplyDefaultBundle(DWORD flags, int mode, SETTING_CONTEXT* ctx);
