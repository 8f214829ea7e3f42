// Least bodies of the calls that the feature-module table, its op bridge, the version migration and
// the default section make into Parts built elsewhere (the individual feature modules, the driver INI
// lists, settings files, lock data, value checks). Each is weak: the real definition takes its place
// once it is linked in, and its owner deletes the body here. A body does only what its callers need
// to run: "nothing there", "refused", "nothing done".
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/lock_data.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "settings/modules_seams.h"
#include "kvseam.h"


// ---- Device query: no device answers.

KV_SEAM(BidiQueryDeviceForState) bool BidiQueryDeviceForState(SETTING_CONTEXT*, void*) { return false; }
KV_SEAM(BidiTraySelectValue) DWORD BidiTraySelectValue(DWORD) { return 0; }
