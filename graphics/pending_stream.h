// Calls into functions another part of the team is building now; their owner headers take these over.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Owner: common/settings/paper_geometry.h. Source paper geometry settings and DEVMODE paper fields for a
// paper code.
void StgApplySourcePaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
