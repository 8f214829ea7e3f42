// Least bodies of the paper-geometry calls that are not built yet. Each is a stand-in (kvseam.h): the
// real definition replaces it once linked in. They leave the settings as they are.
#include "settings/paper_geometry.h"
#include "kvseam.h"

KV_SEAM(StgSyncResolutionFromQuality) void StgSyncResolutionFromQuality(DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM(StgSyncResolutionFromDst) void StgSyncResolutionFromDst(DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM(StgSetSourcePaperFromDevmode) void StgSetSourcePaperFromDevmode(DEVMODEW*, SETTING_CONTEXT*) {}
