// Least bodies of the calls declared in pending_lists.h; the real definitions replace them.
#include "config/pending_lists.h"

__attribute__((weak)) int RuleBroadcastEvent11(SETTING_CONTEXT*) { return 0; }
