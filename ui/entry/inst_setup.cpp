// Printer set-up: the routine shared by the printer events, the DEVMODE conversion and the per-user
// checks, and the recognition and handling of a renamed printer.
#include "inst_setup.h"

#include <cstring>
#include <vector>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/ini.h"
#include "config/ini_text.h"
#include "config/lock_data.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "devlink/job_control.h"
#include "driverdata/img_image.h"
#include "inst_batch.h"
#include "inst_bundles.h"
#include "inst_data_folder.h"
#include "inst_defaults.h"
#include "inst_install_state.h"
#include "inst_lists.h"
#include "inst_model_files.h"
#include "inst_registration.h"
#include "inst_remote.h"
#include "kvplat/error.h"
#include "kvplat/profile.h"
#include "inst_ini_util.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/store.h"
#include "settings/units.h"
#include "sheets/dlg_values.h"
#include "ui_frame.h"
#include "ui_intake.h"
#include "ui_jobctl.h"
#include "ui_printer_data.h"
#include "ui_user_code.h"
#include "ui_workers.h"

namespace {

constexpr WORD kRdmOSKind = 707;
constexpr WORD kLock000First = 10418, kLock000Last = 10425, kLock001First = 10426, kLock001Last = 10433;
constexpr WORD kLockDstResolutionBoth = 10434;
constexpr DWORD kNameChars = 261;
constexpr DWORD kPathChars = 260;

// What the client steps of mode 2 leave out (6) and whether the remote saved information stays (7).
struct SETUP_OPTIONS {
  int mode;
  bool noClientStep;
  bool keepRemote;
};

// Argument of module event 49: the set-up mode, and whether a module wants the model database written.
struct SETUP_DATABASE_EVENT {
  uint64_t mode;
  uint64_t writeDatabase;
};

// Step 4: set-up removes the default data folder when the data folder lives elsewhere.
void RemoveMovedDefaultFolder(HANDLE printer, SETTING_CONTEXT* ctx, const SETUP_OPTIONS& o) {
  if (!StgGetCustomFuncBit(ctx, QDV_wdmCustomFunc1) && !StgGetValue(ctx, QDV_rdmHidden2Func7, nullptr)) return;
  WCHAR dir[kPathChars] = {};
  bool moved = (o.mode == INST_SETUP_CLIENT && !o.noClientStep &&
                CfgGetPrinterDataDir(printer, u"_ZARNDirectoryClient", dir, kPathChars) == 1) ||
               (o.mode == INST_SETUP_NEW && CfgReadDriverRegValue(u"_ZARNDirectory", dir, sizeof dir - sizeof(WCHAR)));
  if (moved) InstRemoveDefaultDataFolder(printer, 0);
}

// Step 10: the model's files, job-control items, batch instructions or the default bundle, INI keys.
void InstallModelParts(HANDLE, SETTING_CONTEXT* ctx, const SETUP_OPTIONS& o, bool hadBatch) {
  bool jobControlOpen = false;
  if (InstInstallModelFiles(ctx, 0)) {
    UiJcResetUserCodeSourceIfOn(ctx);
    JcWriteItems(ctx, 1792);
    if (o.mode == INST_SETUP_CLIENT && !o.noClientStep) {
      UiJcOpen(ctx);
      UiJcWriteItemsAllIfOn(ctx, StgIsModelFeatureOn(ctx, 0, 0) ? 158 : 14494);
      UiJcClose(ctx);
    }
    if (InstContextHasBatchSection(ctx)) {
      UiJcOpen(ctx);
      jobControlOpen = true;
    }
    if (!InstApplyBatchInstructions(ctx) || !InstRunBatchInstall(0, ctx, o.noClientStep ? 1 : 0)) {
      InstApplyDefaultBundle(0, o.mode, ctx);
      hadBatch = false;
    }
    UiLoadUserCodeIfEnabled(ctx);
    InstWriteDriverIniKeys(ctx, 0, nullptr);
    const WCHAR* section = CfgGetPrinterName(ctx);
    const WCHAR* ini = CfgGetIniPath(ctx);
    if (hadBatch) CfgIniWriteString(section, u"PackInstallDone", u"1", ini);
    if (o.mode == INST_SETUP_CLIENT && !o.noClientStep && ctx->model && ctx->model->driverVersionText)
      CfgIniWriteString(section, u"DrvInstVersion", ctx->model->driverVersionText, ini);
    if (o.mode == INST_SETUP_NEW || o.mode == INST_SETUP_FULL) {
      InstWriteModelDatabase(ctx);
    } else if (o.mode == INST_SETUP_CLIENT) {
      SETUP_DATABASE_EVENT e{(uint64_t)o.mode, 0};
      StgBroadcastModuleEvent(ctx, 49, &e);
      if (e.writeDatabase == 1) InstWriteModelDatabase(ctx);
    }
  }
  // 11.
  if (jobControlOpen) UiJcClose(ctx);
  InstRepairListEntries(ctx);
  StgBroadcastModuleEvent(ctx, 48, nullptr);
}

// Step 12: the settings of a full set-up written to printer data.
void WriteMachineValues(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (StgIsModelFeatureOn(ctx, 1, 0)) StgQueryPrintNotification(ctx, 0);
  UiApplyUserCodeSettings(ctx);
  UiJcClearItemsIfOn(ctx, 14495);
  if ((StgIsFeatureBitSet(0) || StgIsFeatureBitSet(7)) && BidiStatusServiceState(ctx) == BIDI_SERVICE_CONNECTED)
    UiSaveFontListsFromData(printer, ctx);
  else
    UiSaveDeviceSettingsFromData(printer, ctx);
  if (StgIsModelFeatureOn(ctx, 2, 0) && DlgLockInfo(ctx) && StgIsDefaultLocked(ctx) && ctx->work->defaultCopy) {
    *ctx->work->defaultCopy = *ctx->store;
    CfgSaveLockDefaultData(printer, ctx);
  }
  InstWriteDriverFileValues(printer, ctx);
  DWORD zero = 0;
  BYTE zeroByte = 0;
  CfgSetPrinterDataBinary(printer, &zero, sizeof zero, u"BidiFlag");
  CfgSetPrinterDataBinary(printer, &zero, sizeof zero, u"BidiExFlag");
  CfgSetPrinterDataBinary(printer, &zeroByte, sizeof zeroByte, u"BidiFunc");
}

// Step 16: the remote configuration fetched or its saved information cleared.
void RemoteStep(SETTING_CONTEXT* ctx, const SETUP_OPTIONS& o) {
  if (o.noClientStep) return;
  if (StgIsFeatureBitSet(7)) {
    if (o.mode == INST_SETUP_FULL) InstFetchRemoteConfig(7, 0, ctx);
    else if (o.mode == INST_SETUP_CLIENT && !o.keepRemote && BidiStatusServiceState(ctx) == BIDI_SERVICE_CONNECTED)
      InstClearRemoteSavedInfo(ctx);
  } else if (StgIsFeatureBitSet(0) && o.mode == INST_SETUP_CLIENT && !o.keepRemote) {
    InstFetchRemoteConfig(0, 0, ctx);
  }
}

// Step 17: a connection to a server's printer takes the server's administrator locks.
void LoadServerLocks(HANDLE printer, SETTING_CONTEXT* ctx, const SETUP_OPTIONS& o) {
  if (!StgIsModelFeatureOn(ctx, 2, 0) || o.mode != INST_SETUP_CLIENT || o.noClientStep || !StgIsRemotePrinter(ctx))
    return;
  if (ITEM_DESC* first = StgFindItem(ctx, kLock000First))
    CfgLoadLockBits(printer, ctx, first, 2, 4, u"rdmLock000InfoBit", kLock000First, kLock000Last);
  if (ITEM_DESC* first = StgFindItem(ctx, kLock001First))
    CfgLoadLockBits(printer, ctx, first, 2, 4, u"rdmLock001InfoBit", kLock001First, kLock001Last);
  if (ITEM_DESC* row = StgFindItem(ctx, kLockDstResolutionBoth)) CfgReadDeviceSetting(printer, ctx, row, 0, nullptr);
  CfgLoadLockData(printer, ctx);
  StgBroadcastModuleEvent(ctx, 60, nullptr);
  StgBroadcastModuleEvent(ctx, 59, nullptr);
}

}  // namespace

BOOL InstSetupPrinter(HANDLE printer, DEVMODEW* dm, int mode) {
  // 1.
  SETUP_OPTIONS o{mode, mode == INST_SETUP_CLIENT_SHORT, mode == INST_SETUP_CLIENT_KEEP};
  if (o.noClientStep || o.keepRemote) o.mode = INST_SETUP_CLIENT;
  WORD flags = (WORD)((o.mode == INST_SETUP_FULL ? 3 : 1) | STG_CF_NO_LOCK | STG_CF_ASSUME_ADMIN);
  if (o.mode == INST_SETUP_BATCH) {
    flags |= STG_CF_RELOAD_DEVICE;
    o.mode = INST_SETUP_NEW;
  }
  SETTING_CONTEXT* ctx = UiOpenContextFlags(printer, printer, nullptr, flags, STG_KIND_UI);
  if (!ctx) return FALSE;
  const WCHAR* name = CfgGetPrinterName(ctx);
  // 2.
  InstApplyModelDataDirectory(printer, name, ctx);
  InstApplyBatchDataDirectory(printer, name);
  const bool nt5 = StgIsNt5OrLater() != 0;
  if (nt5) InstCreateDataFolder(printer);
  // 3. A printer without its device settings is neither reported as set up nor stamped.
  StgSetValue(ctx, QDV_wdmCustomFunc1, ImgGetDefaultValue(ctx, QDV_wdmCustomFunc1));
  DWORD failed = 0;
  CfgSaveDeviceSettingsEx(printer, ctx, 2, 4, &failed);
  // 4.
  if (nt5) RemoveMovedDefaultFolder(printer, ctx, o);
  // 5.
  bool hadBatch = InstPrinterHasBatchSection(name) != 0;
  InstRunExpandPrograms(ctx);
  StgSetValue(ctx, kRdmOSKind, nt5 ? 2 : 1);
  // 6.
  if (o.mode != INST_SETUP_CLIENT) UiWriteHelpFileNameValue(ctx);
  // 7.
  InstImportInstallDefaults(name, ctx);
  if (!InstWritePrinterIniSection(printer, 0, 0, ctx)) ++failed;
  StgOnCmmListChanged(ctx, 0);
  // 8.
  if (o.mode != INST_SETUP_CLIENT) {
    InstWritePrinterNameValue(printer);
    InstWriteDriverNameValue(printer);
    UiEnsureDefaultFontTable(printer, ctx);
  }
  // 9.
  BidiClearIniSection(ctx);
  // 10. - 11.
  InstallModelParts(printer, ctx, o, hadBatch);
  // 12.
  if (o.mode == INST_SETUP_NEW || o.mode == INST_SETUP_FULL) WriteMachineValues(printer, ctx);
  // 13.
  if (!o.noClientStep) UiWriteLogFileValues(o.mode != INST_SETUP_CLIENT, ctx);
  // 14.
  if (o.mode == INST_SETUP_NEW && dm) std::memcpy(dm, UiSetSetupEnvironment(ctx), STG_DEVMODE_SIZE);
  // 15. - 17.
  InstSecureDataFolder(ctx);
  RemoteStep(ctx, o);
  LoadServerLocks(printer, ctx, o);
  // 18.
  UiCloseContextMode(ctx, STG_RELEASE_KEEP_LISTS);
  return failed == 0 ? TRUE : FALSE;
}

int InstPrinterHasClientName(HANDLE printer) {
  WCHAR name[kNameChars] = {};
  DWORD type = 0, needed = 0;
  if (GetPrinterDataW(printer, const_cast<LPWSTR>(u"ClientName"), &type, reinterpret_cast<LPBYTE>(name),
                      (kNameChars - 1) * sizeof(WCHAR), &needed) != ERROR_SUCCESS)
    return 0;
  return name[0] ? 1 : 0;
}

int InstHasClientName(SETTING_CONTEXT* ctx) { return ctx ? InstPrinterHasClientName(ctx->printer) : 0; }

int UiIsPrinterRenamed(HANDLE printer, const PRINTER_INFO_2W* info) {
  if (!info || !info->pPrinterName) return 0;
  if ((info->pServerName && *info->pServerName) || InstPrinterHasClientName(printer)) return 0;
  WCHAR stored[kNameChars] = {};
  if (!InstReadPrinterNameValueTo(printer, stored)) return 1;
  return kvp::WEqualI(kvp::WView(stored), kvp::WView(info->pPrinterName)) ? 0 : 1;
}

int InstHandlePrinterRename(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return 0;
  HANDLE printer = ctx->printer;
  // 1.
  if (StgIsRemotePrinter(ctx) || InstHasClientName(ctx)) return 0;
  // 2.
  WCHAR old[kNameChars] = {};
  const WCHAR* current = CfgGetPrinterName(ctx);
  bool known = InstReadPrinterNameValueTo(printer, old) != 0;
  if (known && current && kvp::WEqualI(kvp::WView(old), kvp::WView(current))) return 0;
  // 3. The machine copy of the driver INI, for the duration.
  DWORD kind = ctx->work->kind;
  ctx->work->kind |= STG_KIND_COMMON_INI;
  InstWriteDriverIniKeys(ctx, 0, nullptr);
  WCHAR folder[kPathChars] = {}, bidiIni[kPathChars + 16] = {};
  if (known && old[0] && current && CfgGetCommonDataDirForPrinter(folder, kPathChars, printer)) {
    kvp::WCopy(bidiIni, kPathChars + 16, folder);
    size_t n = kvp::WLen(bidiIni);
    kvp::WCopy(bidiIni + n, kPathChars + 16 - n, u"\\kvbidi.ini");
    std::vector<WCHAR> section = inst::ReadWholeSection(old, bidiIni);
    if (section[0]) WritePrivateProfileSectionW(current, section.data(), bidiIni);
  }
  InstApplyDefaultBundle(16, -1, ctx);
  InstRepairListEntries(ctx);
  InstWriteInstallDefaults(current, ctx);
  ctx->work->kind = kind;
  // 4.
  if (!InstStampInstall(printer, 1, 2)) return 0;
  InstWritePrinterNameValue(printer);
  InstWriteDriverNameValue(printer);
  return 1;
}

HANDLE UiRevertToSpooler() { return RevertToPrinterSelf(); }

BOOL UiImpersonateClient(HANDLE token) { return token ? ImpersonatePrinterClient(token) : FALSE; }
