// Least bodies of the calls the settings context, the store and the DEVMODE intake make into Parts
// that are built elsewhere. Each is weak: the real definition, once linked into the library, takes its
// place and the body here is then dead. A body here does only what the context paths need to run: a
// light answer ("no", "nothing loaded", "zero default"), never a parallel mechanism.
#include "settings/context_seams.h"

#include <cstring>

#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/store.h"

#define KV_SEAM __attribute__((weak))

// ---- Interface font.

KV_SEAM WCHAR* CfgGetUiFontName(SETTING_CONTEXT*, WCHAR* buffer) {
  if (buffer) kvp::WCopy(buffer, 32, u"Arial");
  return buffer;
}

// ---- Lock data, user code.

KV_SEAM int CfgLoadLockData(HANDLE, SETTING_CONTEXT*) { return 1; }
KV_SEAM int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT*) { return 1; }

// ---- Compiled image and rule engine.

// The image acquisition, the compiled defaults and the evaluator stack are built in driverdata
// (img_file.cpp, img_query.cpp, rule_eval.cpp).

// ---- Locks and charsets.

// ---- Public DEVMODE fields, geometry, derived settings.

// The public defaults proper are not built yet; the header fields are what the store needs to be a
// DEVMODE at all (sizes, versions, fields).
KV_SEAM void StgSetPublicDefaults(DEVMODEW* dm, int, SETTING_CONTEXT* ctx) {
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
KV_SEAM void StgFinishStoreDefaults(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm) return;
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  BYTE* p = reinterpret_cast<BYTE*>(dm);
  p[PDM_OFF_MACHINE_ID] = (BYTE)m->modelCode;
  p[PDM_OFF_DRIVER_TYPE] = (BYTE)m->driverType;
}
KV_SEAM void StgRefreshGeometryAndState(DEVMODEW*, SETTING_CONTEXT*, int) {}
KV_SEAM void StgMergePublicFields(DEVMODEW*, const DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM void StgMergeDependentSettings(DEVMODEW*, const DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM void StgRefreshDerivedSettings(DEVMODEW*, SETTING_CONTEXT*, int) {}
KV_SEAM void StgApplyOutputPaper(DWORD, WORD, SETTING_CONTEXT*, DEVMODEW*) {}

// ---- Custom paper slots.

KV_SEAM void CfgLoadAllFreeSizes(SETTING_CONTEXT*) {}
KV_SEAM int CfgFreeSizePaperToIndex(DWORD paper, SETTING_CONTEXT*) {
  if (paper >= 384 && paper <= 393) return (int)(paper - 384);
  return paper == 256 ? 10 : paper == 448 ? 11 : 0;
}
KV_SEAM void CfgLoadBuiltinFreeSize(SETTING_CONTEXT*, DWORD, int) {}
KV_SEAM void CfgSelectFreeSizeSlot(SETTING_CONTEXT*, int) {}

// ---- Driver INI.

KV_SEAM const WCHAR* CfgGetPresetSection(SETTING_CONTEXT* ctx) {
  return ctx && ctx->work ? ctx->work->printerName : nullptr;
}
