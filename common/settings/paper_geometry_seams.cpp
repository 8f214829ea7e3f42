// Least bodies of the paper-geometry calls that are not built yet. Each is weak: the real definition
// replaces it once linked in. They leave the settings as they are.
#include "settings/paper_geometry.h"

#define KV_SEAM __attribute__((weak))

KV_SEAM void StgSyncResolutionFromQuality(DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM void StgSyncResolutionFromDst(DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM void StgSetSourcePaperFromDevmode(DEVMODEW*, SETTING_CONTEXT*) {}
