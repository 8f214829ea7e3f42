// Least bodies of the calls the settings context, the store and the DEVMODE intake make into Parts that
// are not built yet. Each is a stand-in (kvseam.h): the real definition, once it is built, replaces it
// and its owner deletes the body here. A body here does only what the context paths need to run: a
// light answer ("no", "nothing loaded", "zero default"), never a parallel mechanism.
#include "settings/context_seams.h"

#include <cstring>

#include "config/free_size.h"
#include "config/ini_lists.h"
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

// ---- Interface font.

KV_SEAM(CfgGetUiFontName) WCHAR* CfgGetUiFontName(SETTING_CONTEXT*, WCHAR* buffer) {
  if (buffer) kvp::WCopy(buffer, 32, u"Arial");
  return buffer;
}

// ---- Device settings, printer data, companions.

KV_SEAM(CfgReloadDeviceSettings) void CfgReloadDeviceSettings(SETTING_CONTEXT*) {}
KV_SEAM(CfgFreeDeviceFontLists) void CfgFreeDeviceFontLists(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return;
  for (WORD id : {QDV_rdmDeviceFont, QDV_rdmOptionFont, QDV_rdmFontTable}) {
    ITEM_DESC* row = nullptr;
    void* list = (void*)(uintptr_t)StgGetValue(ctx, id, &row);
    if (row && list) {
      StgFree(list);
      StgSetValue(ctx, id, 0);
    }
  }
}
KV_SEAM(CfgAdoptPrinterDefaultDevmode) int CfgAdoptPrinterDefaultDevmode(SETTING_CONTEXT*) { return 0; }
KV_SEAM(CfgLoadLockData) int CfgLoadLockData(HANDLE, SETTING_CONTEXT*) { return 1; }
KV_SEAM(CfgIsCompanionInstalled) int CfgIsCompanionInstalled(DWORD, SETTING_CONTEXT*) { return 0; }
KV_SEAM(CfgLoadSettingClass) int CfgLoadSettingClass(HANDLE, SETTING_CONTEXT*, int, int) { return 1; }
KV_SEAM(CfgLoadUserCodeIfEnabled) int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT*) { return 1; }

// ---- Rule engine.

KV_SEAM(RuleIsSheetLandscape) int RuleIsSheetLandscape(SETTING_CONTEXT*) { return 0; }
KV_SEAM(RuleIsCustomSlotPaper) int RuleIsCustomSlotPaper(DWORD paper, SETTING_CONTEXT*) {
  return paper == 256 || paper == 448 || (paper >= 384 && paper <= 393);
}

// ---- Feature modules (none are registered yet).

KV_SEAM(StgIsModelFeatureOn) int StgIsModelFeatureOn(SETTING_CONTEXT*, WORD feature, int) { return feature < 6; }
KV_SEAM(StgCreateModules) void StgCreateModules(SETTING_CONTEXT*) {}
KV_SEAM(StgFreeModules) void StgFreeModules(SETTING_CONTEXT*) {}
KV_SEAM(StgBroadcastModuleEvent) int StgBroadcastModuleEvent(SETTING_CONTEXT*, DWORD, void*) { return 0; }

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

// ---- Version migration.

KV_SEAM(StgCompareStoreVersion) int StgCompareStoreVersion(const DEVMODEW* dm) {
  if (!dm) return -1;
  DWORD a = StgGetDmSettingsVersion(dm), b = (DWORD)StgGetModelBlock()->settingsVersion;
  if (a / 100 <= 2 && b / 100 <= 2) return 2;
  if (a / 100 == b / 100) return a % 100 < b % 100 ? 1 : 0;
  return a / 100 > b / 100 ? 0 : 2;
}
// No conversion rule runs yet: the settings are taken as they are and stamped with the model version.
KV_SEAM(StgMigrateStore) int StgMigrateStore(const DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (StgCompareStoreVersion(dm) != 1 || !ctx || !ctx->store) return 0;
  DWORD v = (DWORD)(ctx->model ? ctx->model->settingsVersion : StgGetModelBlock()->settingsVersion);
  std::memcpy(ctx->store->bytes + PDM_OFF_VERSION, &v, 4);
  return 0;
}

// ---- Driver INI.

KV_SEAM(CfgGetPresetSection) const WCHAR* CfgGetPresetSection(SETTING_CONTEXT* ctx) {
  return ctx && ctx->work ? ctx->work->printerName : nullptr;
}
