// DEVMODE conversion: the size rules of DrvConvertDevMode, the default DEVMODE that sets a new printer
// up, the re-synchronisation of a printer's settings after a driver update, and the size-wise merge.
#include "ui_convert.h"

#include <cstring>

#include "config/device_settings.h"
#include "config/paths.h"
#include "driverdata/img_image.h"
#include "inst_batch.h"
#include "inst_data_folder.h"
#include "inst_defaults.h"
#include "inst_install_state.h"
#include "inst_lists.h"
#include "inst_model_files.h"
#include "inst_registration.h"
#include "inst_remote.h"
#include "inst_setup.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/migrate.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/store.h"
#include "settings/units.h"
#include "sheets/dlg_values.h"
#include "ui_frame.h"
#include "ui_intake.h"
#include "ui_jobctl.h"
#include "ui_workers.h"

namespace {

constexpr DWORD kPublicSize = 220;
constexpr DWORD kOldPublicSize = 188;
constexpr DWORD kOldSize = STG_DEVMODE_PRIVATE_SIZE + kOldPublicSize;  // 1204
constexpr WORD kOldSpecVersion = 0x320;
constexpr WORD kOldDriverVersion = 0x350;
constexpr WORD kDefaultsFlags = 0x1B00;  // no lock, assumed administrator, reload, cache allowed, any handle
constexpr WORD kSetupFlags = STG_CF_NO_LOCK | STG_CF_ASSUME_ADMIN;
constexpr DWORD kResyncMerge = UI_INTAKE_CALLER_DEVICE | UI_INTAKE_MODIFY;  // 0x4000008
constexpr DWORD kRemoteConfigBit = 7;
constexpr BYTE kServerTypeClient = 17;
constexpr DWORD kSaveDevice = CFG_SAVE_FORCE | 4;

DWORD Extent(const DEVMODEW* dm) { return (DWORD)dm->dmSize + dm->dmDriverExtra; }

void SetCustomFunc1Default(SETTING_CONTEXT* ctx) {
  StgSetValue(ctx, QDV_wdmCustomFunc1, ImgGetDefaultValue(ctx, QDV_wdmCustomFunc1));
}

// The context's DEVMODE into the caller's output within the output's own sizes.
void CopyOut(SETTING_CONTEXT* ctx, DEVMODEW* out) {
  if (out) StgCopyDevmodeFromOld(StgGetDevmode(ctx), out);
}

bool NameHasClient(const WCHAR* name) {
  static constexpr char16_t kClient[] = u"\\Client";
  size_t n = name ? kvp::WLen(name) : 0, k = sizeof kClient / sizeof kClient[0] - 1;
  for (size_t i = 0; i + k <= n; ++i)
    if (std::memcmp(name + i, kClient, k * sizeof(WCHAR)) == 0) return true;
  return false;
}

// CDM_DRIVER_DEFAULT with room: the defaults of a printer that is set up already, or a set-up.
BOOL DefaultDevmode(LPWSTR name, DEVMODEW* out) {
  // 1.
  HANDLE printer = UiOpenPrinter(name, UI_ACCESS_READ);
  if (printer && !StgIsRemotePrinterHandle(printer)) {
    ClosePrinter(printer);
    printer = UiOpenPrinter(name, UI_ACCESS_ALL);
  }
  if (!printer) return FALSE;
  {
    // 2.
    UI_SETUP_SCOPE setup;
    // 3.
    if (StgIsRemotePrinterHandle(printer) || (InstIsBatchInstallDone(printer) && DlgPrinterHasDevmode(printer))) {
      SETTING_CONTEXT* ctx = UiOpenContextFlags(printer, printer, nullptr, kDefaultsFlags, STG_KIND_UI);
      if (ctx) {
        StgInitStoreDefaults(ctx);
        std::memcpy(out, StgGetDevmode(ctx), STG_DEVMODE_SIZE);
        UiCloseContext(ctx);
      }
      ClosePrinter(printer);
      return ctx ? TRUE : FALSE;
    }
    // 4.
    StgLockSharedFiles(nullptr);
    BOOL set = InstSetupPrinter(printer, out, INST_SETUP_NEW);
    StgUnlockSharedFiles(nullptr);
    if (!set) {
      ClosePrinter(printer);
      return FALSE;
    }
  }
  // 5.
  BYTE serverType = 0;
  if (StgIsFeatureBitSet(kRemoteConfigBit)) {
    auto* fetched = static_cast<DEVMODEW*>(StgAllocZero(STG_DEVMODE_SIZE));
    SETTING_CONTEXT* ctx = fetched ? UiOpenContextFlags(printer, printer, nullptr, kSetupFlags, STG_KIND_UI) : nullptr;
    if (!ctx) {
      StgFree(fetched);
      ClosePrinter(printer);
      return FALSE;
    }
    if (InstFetchRemoteDevmode(ctx, fetched, &serverType)) {
      int v = StgCompareStoreVersion(fetched);
      LONG size = STG_DEVMODE_SIZE;
      if (v == STG_VERSION_MIGRATE) {
        if (UiConvertDevmodeSizes(name, fetched, StgGetDevmode(ctx), &size, CDM_CONVERT) == 1) {
          StgMigrateStore(fetched, ctx);
          UiMergeCallerDevmode(ctx, nullptr, kResyncMerge);
          std::memcpy(out, StgGetDevmode(ctx), STG_DEVMODE_SIZE);
        }
      } else if (v != STG_VERSION_INCOMPATIBLE) {
        std::memcpy(out, fetched, STG_DEVMODE_SIZE);
      }
    }
    UiCloseContext(ctx);
    StgFree(fetched);
  }
  // 6.
  int stampMode = NameHasClient(name) || serverType == kServerTypeClient ? 0 : 2;
  BOOL stamped = InstStampInstall(printer, 1, stampMode);
  ClosePrinter(printer);
  return stamped;
}

// CDM_CONVERT after the conversion: the printer's stored settings brought in line with the driver.
BOOL Resync(LPWSTR name, const DEVMODEW* in, DEVMODEW* out) {
  // 1. - 2.
  int v = StgCompareStoreVersion(in);
  HANDLE printer = UiOpenPrinter(name, UiOpenForConvert(name) ? UI_ACCESS_READ : UI_ACCESS_ALL);
  if (!printer) return FALSE;
  // 3. A printer that was never set up on this machine has nothing to bring in line.
  WCHAR ini[260] = {};
  if (CfgGetIniPathForPrinter(ini, 260, 0, printer) && !CfgFileExists(ini)) {
    ClosePrinter(printer);
    return TRUE;
  }
  WORD installType = 2;
  {
    // 4.
    UI_SETUP_SCOPE setup;
    SETTING_CONTEXT* ctx = UiOpenContextFlags(printer, printer, nullptr, kSetupFlags, STG_KIND_UI);
    if (!ctx) {
      ClosePrinter(printer);
      return FALSE;
    }
    UiJcSyncAtConversion(ctx);
    InstWritePrinterNameValue(printer);
    BOOL ok = TRUE;
    if (InstPrinterHasBatchSection(name) || InstModelIniHasBatchSection(name, printer)) {
      // 5.
      ok = InstSetupPrinter(printer, out, INST_SETUP_BATCH);
      installType = 3;
    } else if (v == STG_VERSION_MIGRATE) {
      // 6.
      InstCheckModelDatabase(ctx);
      if (out) StgCopyDevmode(out, StgGetDevmode(ctx));
      InstInstallModelFiles(ctx, 4096);
      StgRequestDeviceDataLoad(ctx);
      SetCustomFunc1Default(ctx);
      CfgSaveDeviceSettings(printer, ctx, 2, kSaveDevice);
      StgMigrateStore(in, ctx);
      if (StgIsModelFeatureOn(ctx, 1, 0)) StgQueryPrintNotification(ctx, 1);
      UiMergeCallerDevmode(ctx, nullptr, kResyncMerge);
      InstRefreshPrinterLists(printer, ctx);
      CopyOut(ctx, out);
      InstWritePrinterIniSection(printer, 0, 1, ctx);
      InstSecureDataFolder(ctx);
      if (StgIsModelFeatureOn(ctx, 2, 0) && DlgLockInfo(ctx) && StgIsDefaultLocked(ctx)) StgRebuildDefaultStore(ctx);
    } else if (v == STG_VERSION_INCOMPATIBLE) {
      // 7.
      ok = InstSetupPrinter(printer, out, INST_SETUP_FULL);
      if (ok && out) {
        StgInitStoreDefaults(ctx);
        if (StgIsModelFeatureOn(ctx, 1, 0)) StgQueryPrintNotification(ctx, 0);
        CopyOut(ctx, out);
      }
      installType = 1;
    } else {
      // 8.
      InstCheckModelDatabase(ctx);
      InstInstallModelFiles(ctx, 4096);
      InstWritePrinterIniSection(printer, 0, 1, ctx);
      SetCustomFunc1Default(ctx);
      CfgSaveDeviceSettings(printer, ctx, 2, kSaveDevice);
      InstSecureDataFolder(ctx);
    }
    UiCloseContext(ctx);
    if (!ok) {
      ClosePrinter(printer);
      return FALSE;
    }
  }
  // 9.
  BOOL stamped = InstStampInstall(printer, installType, 0);
  ClosePrinter(printer);
  return stamped;
}

}  // namespace

int UiConvertDevmodeSizes(const WCHAR*, const DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode) {
  // 1.
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  switch (mode) {
    case CDM_CONVERT: {
      // 2. The output names the size it wants; the caller's buffer must hold it before anything is copied.
      if (!out || *size < (LONG)DM_HEADER_BYTES || out->dmSize < DM_HEADER_BYTES || (DWORD)*size < Extent(out) || !in ||
          in->dmSize < DM_HEADER_BYTES || StgCopyDevmodeFromOld(in, out) <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      *size = (LONG)Extent(out);
      return 1;
    }
    case CDM_CONVERT351: {
      // 3.
      if (!out || *size < (LONG)kOldSize) {
        *size = kOldSize;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      std::memset(out, 0, kOldSize);
      out->dmSpecVersion = kOldSpecVersion;
      out->dmSize = kOldPublicSize;
      out->dmDriverVersion = kOldDriverVersion;
      out->dmDriverExtra = STG_DEVMODE_PRIVATE_SIZE;
      *size = kOldSize;
      if (!in || in->dmSize < DM_HEADER_BYTES || StgCopyDevmodeFromOld(in, out) <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      return 1;
    }
    case CDM_DRIVER_DEFAULT:
      // 4.
      if (!out || *size < (LONG)(kPublicSize + STG_DEVMODE_PRIVATE_SIZE)) {
        *size = kPublicSize + STG_DEVMODE_PRIVATE_SIZE;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      *size = kPublicSize + STG_DEVMODE_PRIVATE_SIZE;
      return 2;
    default:
      // 5.
      return 2;
  }
}

BOOL UiConvertDevMode(LPWSTR printerName, PDEVMODEW in, PDEVMODEW out, LONG* size, DWORD mode) {
  int a = UiConvertDevmodeSizes(printerName, in, out, size, mode);
  if (mode == CDM_DRIVER_DEFAULT && a == 2) return DefaultDevmode(printerName, out);
  if (mode == CDM_CONVERT && a == 1) return Resync(printerName, in, out);
  return a == 1 ? TRUE : FALSE;
}

int UiMergeDevmodeSizes(const DEVMODEW* source, const DEVMODEW* input, DEVMODEW* destination) {
  // 1.
  if (!destination) return -1;
  if (!source) return 0;
  // 2.
  if (!input) {
    std::memcpy(destination, source, Extent(source));
    return 1;
  }
  // 3.
  const DEVMODEW* pub = input->dmSize < source->dmSize ? input : source;
  const DEVMODEW* priv = input->dmDriverExtra < source->dmDriverExtra ? input : source;
  destination->dmSize = pub->dmSize;
  destination->dmSpecVersion = pub->dmSpecVersion;
  destination->dmDriverExtra = priv->dmDriverExtra;
  destination->dmDriverVersion = priv->dmDriverVersion;
  return StgCopyDevmodeFromOld(source, destination) > 0 ? 1 : 0;
}

int UiOpenForConvert(const WCHAR* printerName) {
  HANDLE printer = UiOpenPrinter(printerName, UI_ACCESS_READ);
  if (!printer) return 0;
  int remote = StgIsRemotePrinterHandle(printer) ? 1 : 0;
  ClosePrinter(printer);
  return remote;
}
