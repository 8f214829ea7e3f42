// Least body of the paper-source code lists until they are built: no paper is in a list.
#include "settings/units.h"

#define KV_SEAM __attribute__((weak))

KV_SEAM int StgIsResolutionListId(SETTING_CONTEXT*, DWORD) { return 0; }
