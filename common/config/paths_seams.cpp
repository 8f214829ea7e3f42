// Least bodies of the calls that units, regions, platform queries, paths, INI access and resource
// strings make into Parts that are not built yet. Each is a stand-in (kvseam.h): the real definition,
// once it is built, replaces it and its owner deletes the body here. A body does only what its callers
// need to run: a light answer ("nothing", the model's constant), never a parallel mechanism.
#include "config/paths_seams.h"

#include <cstring>

#include "config/free_size.h"
#include "config/printer_data.h"
#include "driverdata/rule_lists.h"
#include "kvplat/error.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvseam.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/free_size_module.h"
#include "settings/model_tables.h"

// ---- Custom paper slots.


// The model's own custom-size limits, whatever the tray and orientation.
KV_SEAM(StgGetFreeSizeLimits) int StgGetFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD, DWORD, LONG* maximum, LONG* minimum, int selector) {
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  if (maximum) *maximum = (LONG)(selector ? m->customLengthMax : m->customWidthMax);
  if (minimum) *minimum = (LONG)(selector ? m->customLengthMin : m->customWidthMin);
  return 1;
}

