// Least body of the paper-source code lists until they are built: no paper is in a list, so the
// graphics library's second standard-paper fit keeps the job's paper.
#include "kvseam.h"
#include "settings/units.h"

KV_SEAM(StgIsResolutionListId) int StgIsResolutionListId(SETTING_CONTEXT*, DWORD) { return 0; }
