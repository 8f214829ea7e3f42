// The spooler's printer events and the driver upgrade.
#include <cstring>

#include "config/ini.h"
#include "config/paths.h"
#include "devlink/job_control.h"
#include "inst_batch.h"
#include "inst_install_state.h"
#include "inst_registration.h"
#include "inst_setup.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/store.h"
#include "ui_frame.h"
#include "ui_jobctl.h"
#include "ui_workers.h"

namespace {

constexpr WORD kRdmUserCode = 203;
constexpr DWORD kDisconnectCodes[] = {2, 3, 4, 5, 8, 9, 10};
constexpr DWORD kDeleteCodes[] = {256, 257, 258};

// Disconnection and deletion open the printer with the first rights that work.
HANDLE OpenForRemoval(const WCHAR* name) {
  for (UI_ACCESS_KIND use : {UI_ACCESS_ALL, UI_ACCESS_SERVER, UI_ACCESS_USE})
    if (HANDLE h = UiOpenPrinter(name, use)) return h;
  return nullptr;
}

// Sends item codes to the job-control library through a context of the printer.
template <class Fn>
void WithJobControl(HANDLE printer, Fn fn) {
  SETTING_CONTEXT* ctx = StgCreateContext(printer, printer, nullptr, STG_KIND_UI);
  if (!ctx) return;
  UiJcOpen(ctx);
  fn(ctx);
  UiJcClose(ctx);
  UiCloseContext(ctx);
}

// The spooler's own identity around a step; the client's is taken back on every path.
template <class Fn>
BOOL AsSpooler(Fn fn) {
  HANDLE token = UiRevertToSpooler();
  BOOL r = fn();
  UiImpersonateClient(token);
  return r;
}

}  // namespace

BOOL UiPrinterEvent(LPWSTR printerName, int event, DWORD, LPARAM) {
  switch (event) {
    case PRINTER_EVENT_ADD_CONNECTION: return AsSpooler([&] { return InstOnAddConnection(printerName); });
    case PRINTER_EVENT_DELETE_CONNECTION:
      AsSpooler([&] { return InstOnDeleteConnection(printerName); });
      return TRUE;
    case PRINTER_EVENT_INITIALIZE: return InstOnInitializePrinter(printerName);
    case PRINTER_EVENT_DELETE:
      InstOnDeletePrinter(printerName);
      return TRUE;
    default: return TRUE;
  }
}

BOOL InstOnAddConnection(const WCHAR* printerName) {
  // 1.
  HANDLE printer = UiOpenPrinter(printerName, UI_ACCESS_ALL);
  if (!printer) printer = UiOpenPrinter(printerName, UI_ACCESS_READ);
  if (!printer) return FALSE;
  BOOL ok = TRUE;
  {
    // 2.
    UI_SETUP_SCOPE setup;
    const bool locked = StgIsFeatureBitSet(7) != 0;
    if (locked) StgLockSharedFiles(nullptr);
    if (!InstSetupPrinter(printer, nullptr, INST_SETUP_CLIENT)) ok = FALSE;
    if (locked) StgUnlockSharedFiles(nullptr);
  }
  // 3.
  if (!InstStampInstall(printer, 1, 0)) ok = FALSE;
  // 4.
  if (ok) {
    auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
    ok = InstCopyToUserIni(printer) && InstCheckUserIniVersion(printer, 1) && info &&
         InstCopyBatchInstallToUser(printer, info) == 0;
    StgFree(info);
  }
  // 5.
  ClosePrinter(printer);
  return ok;
}

BOOL InstOnDeleteConnection(const WCHAR* printerName) {
  HANDLE printer = OpenForRemoval(printerName);
  if (!printer) return FALSE;
  WithJobControl(printer, [&](SETTING_CONTEXT* ctx) {
    if (ITEM_DESC* row = StgFindItem(ctx, kRdmUserCode)) StgSetString(ctx, row, u"");
    JcWriteItems(ctx, 1);
    for (DWORD code : kDisconnectCodes) UiJcNotify(ctx, code);
    // A later connection starts over: no batch install and no driver version recorded.
    const WCHAR* ini = CfgGetIniPath(ctx);
    const WCHAR* section = CfgGetPrinterName(ctx);
    InstMarkBatchInstallDone(ini, section, 0);
    CfgIniWriteString(section, u"DrvInstVersion", u"", ini);
  });
  ClosePrinter(printer);
  return TRUE;
}

BOOL InstOnInitializePrinter(const WCHAR* printerName) {
  // 1.
  HANDLE printer = UiOpenPrinter(printerName, UI_ACCESS_ALL);
  if (!printer) return FALSE;
  return AsSpooler([&] {
    BOOL ok = TRUE;
    bool setUp = false;
    {
      UI_SETUP_SCOPE setup;
      // 2. A recorded batch install, or instructions the per-user check runs later, leave nothing to do now.
      if (!InstIsBatchInstallDone(printer) && (!StgIsNt5OrLater() || !InstBatchSectionPending(printer))) {
        const bool locked = StgIsNt5OrLater() != 0;
        if (locked) StgLockSharedFiles(nullptr);
        ok = InstSetupPrinter(printer, nullptr, INST_SETUP_FULL);
        if (locked) StgUnlockSharedFiles(nullptr);
        setUp = true;
      }
    }
    if (setUp && ok) ok = InstStampInstall(printer, 1, 0);
    // 3.
    ClosePrinter(printer);
    return ok;
  });
}

BOOL InstOnDeletePrinter(const WCHAR* printerName) {
  HANDLE printer = OpenForRemoval(printerName);
  if (!printer) return FALSE;
  WithJobControl(printer, [&](SETTING_CONTEXT* ctx) {
    for (DWORD code : kDeleteCodes) UiJcNotify(ctx, code);
  });
  ClosePrinter(printer);
  return TRUE;
}

BOOL UiUpgradePrinter(DWORD level, LPBYTE data) {
  auto* info = reinterpret_cast<DRIVER_UPGRADE_INFO_1*>(data);
  HANDLE printer = level == 1 && info && info->pPrinterName ? UiOpenPrinter(info->pPrinterName, UI_ACCESS_ALL) : nullptr;
  if (!printer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  BOOL ok = FALSE;
  if (InstCheckInstalled(printer) == 1) {
    if (SETTING_CONTEXT* ctx = StgCreateContext(printer, printer, nullptr, STG_KIND_UI)) {
      ok = InstWriteDriverFileValues(printer, ctx);
      UiCloseContext(ctx);
    }
  }
  ClosePrinter(printer);
  return ok;
}
