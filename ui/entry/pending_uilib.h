// Calls into functions another helper is building now, declared with the signatures their owners give.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Owner: common/config/free_size.h. Copies the custom paper slot into the source custom-size settings.
void CfgSelectFreeSizeSlotSrc(SETTING_CONTEXT* ctx, int slot);
