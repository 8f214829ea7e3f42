// Least bodies of the calls the settings context, the store and the DEVMODE intake make into Parts that
// are not built yet. Each is a stand-in (kvseam.h): the real definition, once it is built, replaces it
// and its owner deletes the body here. A body here does only what the context paths need to run: a
// light answer ("no", "nothing loaded", "zero default"), never a parallel mechanism.
#include <cstring>

#include "config/free_size.h"
#include "config/driver_lists.h"
#include "config/lock_data.h"
#include "config/user_code.h"
#include "driverdata/rule_value_checks.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvseam.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/paper_geometry.h"
#include "settings/public_fields.h"
#include "settings/store.h"


// ---- Lock data, user code.

KV_SEAM(CfgLoadLockData) int CfgLoadLockData(HANDLE, SETTING_CONTEXT*) { return 1; }
KV_SEAM(CfgLoadUserCodeIfEnabled) int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT*) { return 1; }

// ---- Rule engine.

KV_SEAM(RuleIsCustomSlotPaper) int RuleIsCustomSlotPaper(DWORD paper, SETTING_CONTEXT*) {
  return paper == 256 || paper == 448 || (paper >= 384 && paper <= 393);
}

// ---- Public DEVMODE fields, geometry, derived settings.

// The public defaults proper are not built yet; the header fields are what the store needs to be a
// DEVMODE at all (sizes, versions, fields).
KV_SEAM(StgSetPublicDefaults) void StgSetPublicDefaults(DEVMODEW* dm, int, SETTING_CONTEXT* ctx) {
  if (!dm) return;
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  BYTE* p = reinterpret_cast<BYTE*>(dm);
  WORD spec = (WORD)m->specVersion, ver = (WORD)m->driverVersion, size = 220, extra = 1016;
  DWORD fields = (DWORD)m->fields;
  std::memcpy(p + DM_OFF_SPEC_VERSION, &spec, 2);
  std::memcpy(p + DM_OFF_DRIVER_VERSION, &ver, 2);
  std::memcpy(p + DM_OFF_SIZE, &size, 2);
  std::memcpy(p + DM_OFF_DRIVER_EXTRA, &extra, 2);
  std::memcpy(p + DM_OFF_FIELDS, &fields, 4);
}
// Of the finishing pass only what makes the store this model's private DEVMODE: the machine id and
// the driver type that the validators compare.
KV_SEAM(StgFinishStoreDefaults) void StgFinishStoreDefaults(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm) return;
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  BYTE* p = reinterpret_cast<BYTE*>(dm);
  p[PDM_OFF_MACHINE_ID] = (BYTE)m->modelCode;
  p[PDM_OFF_DRIVER_TYPE] = (BYTE)m->driverType;
}
KV_SEAM(StgRefreshGeometryAndState) void StgRefreshGeometryAndState(DEVMODEW*, SETTING_CONTEXT*, int) {}
KV_SEAM(StgMergePublicFields) void StgMergePublicFields(DEVMODEW*, const DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM(StgMergeDependentSettings) void StgMergeDependentSettings(DEVMODEW*, const DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM(StgRefreshDerivedSettings) void StgRefreshDerivedSettings(DEVMODEW*, SETTING_CONTEXT*, int) {}
KV_SEAM(StgApplySourcePaper) void StgApplySourcePaper(DWORD, WORD, SETTING_CONTEXT*, DEVMODEW*) {}
KV_SEAM(StgApplyOutputPaper) void StgApplyOutputPaper(DWORD, WORD, SETTING_CONTEXT*, DEVMODEW*) {}

