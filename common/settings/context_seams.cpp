// Least bodies of the calls the settings context, the store and the DEVMODE intake make into Parts that
// are not built yet. Each is a stand-in (kvseam.h): the real definition, once it is built, replaces it
// and its owner deletes the body here. A body here does only what the context paths need to run: a
// light answer ("no", "nothing loaded", "zero default"), never a parallel mechanism.
#include <cstring>

#include "config/free_size.h"
#include "config/driver_lists.h"
#include "config/lock_data.h"
#include "driverdata/rule_values.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvseam.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/paper_geometry.h"
#include "settings/public_fields.h"
#include "settings/store.h"


// ---- Lock data.

KV_SEAM(CfgLoadLockData) int CfgLoadLockData(HANDLE, SETTING_CONTEXT*) { return 1; }

// ---- Rule engine.


