// Least bodies of pending_uilib.h, replaced by their owners' definitions.
#include "pending_uilib.h"

__attribute__((weak)) void CfgSelectFreeSizeSlotSrc(SETTING_CONTEXT*, int) {}
