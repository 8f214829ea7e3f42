// The workers behind DrvDocumentPropertySheets and DrvDevicePropertySheets: what each sheet reason of
// the common property sheet service opens, merges, records and commits.
#include <cstring>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "config/settings_file.h"
#include "devlink/job_control.h"
#include "inst_default_presets.h"
#include "inst_defaults.h"
#include "inst_install_state.h"
#include "inst_setup.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"
#include "sheets/dlg_apply.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"
#include "ui_device_query.h"
#include "ui_docprops.h"
#include "ui_frame.h"
#include "ui_intake.h"
#include "ui_jobctl.h"
#include "ui_remote.h"
#include "ui_settings_file.h"
#include "ui_workers.h"

namespace {

constexpr ULONG_PTR kSheetIcon = 64082;
constexpr DWORD kRemoteConfigBit = 7;
constexpr WORD kNetworkKeyEdit = 2988, kDevicePage = 4019;

// The printer's level-2 record, freed when the run ends.
struct PrinterInfo {
  PRINTER_INFO_2W* info = nullptr;
  explicit PrinterInfo(HANDLE printer)
      : info(printer ? static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2)) : nullptr) {}
  ~PrinterInfo() { StgFree(info); }
  PrinterInfo(const PrinterInfo&) = delete;
  PrinterInfo& operator=(const PrinterInfo&) = delete;
};

// The installation check: a renamed printer is handled at INIT, any other must be set up for this user.
bool Installed(HANDLE printer, const PRINTER_INFO_2W* info) {
  return UiIsPrinterRenamed(printer, info) || InstEnsureInstalled(printer, 1, info) == 1;
}

// The install defaults of the data folder's "kvuserdef.ini": taken over now ("ZarnInstDone" 0), or the
// display language they left (1).
void InstallDefaultsStep(SETTING_CONTEXT* ctx) {
  WCHAR path[MAX_PATH] = {};
  if (!CfgMakeDataFilePath(path, MAX_PATH, u"kvuserdef.ini", ctx) || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
    return;
  const WCHAR* printer = CfgGetPrinterName(ctx);
  int done = CfgIniGetInt(printer, u"ZarnInstDone", -1, path);
  if (done == 1)
    StgSetValue(ctx, sid::rdmLanguageID, DWORD(CfgIniGetInt(printer, u"DispLang", 0, path)) & 0xFF);
  else if (done == 0)
    InstImportInstallDefaults(printer, ctx);
}

// What a sheet keeps in the context starts empty: a context from the cache carries nothing of the
// last sheet, and no window of a closed sheet is reachable from its table.
void StartSheet(SETTING_CONTEXT* ctx, PROPSHEETUI_INFO* info, WORD kind) {
  SHEET_WORK& w = ctx->work->sheet;
  StgFree(w.trayCopy);
  w.callback = info->pfnComPropSheet;
  w.handle = info->hComPropSheet;
  w.kind = kind;
  w.firstDialogId = w.lastCommandId = w.captionId = 0;
  w.inApply = w.pageInitialising = w.layoutGuard = w.locksChanged = 0;
  w.mayChange = w.applied = w.committedByApply = w.deviceQueryResults = 0;
  w.trayCopy = nullptr;
  w.resolveGuard = 0;
  w.resolveNode = w.paintDc = nullptr;
  ctx->work->hintWindow = ctx->work->hintTarget = nullptr;
  ctx->work->hintTimer = 0;
  ctx->work->captureControlId = 0;
  for (int d = 0; ctx->dialogs && d < ctx->dialogs->count; ++d) {
    DIALOG_DESC& dialog = ctx->dialogs->rows[d];
    dialog.window = nullptr;
    for (int c = 0; c < dialog.controlCount; ++c) {
      dialog.controls[c].window = nullptr;
      dialog.controls[c].savedProc = 0;
    }
  }
}

// Releases a sheet's context with what it holds of the sheet.
void CloseSheetContext(SETTING_CONTEXT* ctx) {
  if (!ctx) return;
  if (ctx->work) {
    StgFree(ctx->work->sheet.trayCopy);
    ctx->work->sheet.trayCopy = nullptr;
    ctx->work->sheet.callback = nullptr;
    ctx->work->sheet.handle = nullptr;
  }
  UiCloseContext(ctx);
}

void FillHeader(PROPSHEETUI_INFO_HEADER* header, const WCHAR* title) {
  if (!header) return;
  header->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
  header->pTitle = const_cast<LPWSTR>(title);
  header->hInst = UiGetModuleHandle();
  header->IconID = kSheetIcon;
}

void TellSpooler(HANDLE printer) {
  PRINTER_INFO_7W update{};
  update.pszObjectGUID = nullptr;
  update.dwAction = DSPRINT_UPDATE;
  SetPrinterW(printer, 7, reinterpret_cast<LPBYTE>(&update), 0);
}

void ReportResult(SETTING_CONTEXT* ctx, LONG_PTR result) {
  SHEET_WORK& w = ctx->work->sheet;
  if (w.callback && w.handle) w.callback(w.handle, CPSFUNC_SET_RESULT, 0, result);
}

void SaveDeviceSetupFiles(SETTING_CONTEXT* ctx) {
  if (!UiIsSaveDeviceSetupOn(ctx)) return;
  InstSaveDefaultRstDevice(ctx);
  CfgSaveRestoreFile(nullptr, 8, ctx);
}

bool Win2000OrLater() { return StgIsNt5OrLater() != 0; }

// The device trays: taken over from the device unless they were; the flag says the device's results
// are kept.
struct TrayState {
  bool applied = true, flag = false;
};
TrayState Trays(SETTING_CONTEXT* ctx, HANDLE printer) {
  TrayState t;
  t.applied = UiBidiTraysApplied(ctx);
  if (StgGetServerClientMode(ctx) != 1 && BidiIniHasFlag(ctx))
    t.flag = BidiIniFlagSet(ctx);
  else
    t.flag = BidiGetPrinterFlag(printer, ctx);
  return t;
}

void LoadKeptQueryResults(SETTING_CONTEXT* ctx) {
  if (StgGetServerClientMode(ctx) != 1 && BidiIniFlagSet(ctx)) BidiLoadIniSettings(ctx);
}

// ---- Device sheets.

SETTING_CONTEXT* DeviceInit(HANDLE printer, const PRINTER_INFO_2W* info, const DEVICEPROPERTYHEADER* header) {
  SETTING_CONTEXT* ctx = UiOpenContextInfo(printer, printer, nullptr, STG_KIND_UI, info);
  if (!ctx || !ctx->image || !ctx->work) {
    if (ctx) UiCloseContext(ctx);
    return nullptr;
  }
  UiValidateContextStore(ctx);
  if (UiIsPrinterRenamed(printer, info)) {
    InstHandlePrinterRename(ctx);
    if (InstEnsureInstalled(printer, 1, info) != 1) {
      UiCloseContext(ctx);
      return nullptr;
    }
  }
  InstallDefaultsStep(ctx);
  StgSetTSE(ctx, StgIsTerminalServerMode(printer) ? 1 : 0);
  StgSetAdmin(ctx, StgIsAdminForContext(ctx) ? 1 : 0);
  LoadKeptQueryResults(ctx);
  UiBidiQueryByModule(ctx, nullptr);
  StgSetOSKind(ctx, Win2000OrLater() ? 2 : 1);
  StgSetCallSrc(ctx, 1);
  StgSetPropertyType(ctx, 1);
  StgSetNoPermission(ctx, (header->Flags & DPS_NOPERMISSION) ? 1 : 0);
  StgSetJBInstalled(ctx, CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx) ? 1 : 0);
  StgSetTVInstalled(ctx, CfgIsCompanionInstalled(CFG_COMPANION_PREVIEW, ctx) ? 1 : 0);
  UiApplyUserCodeSettings(ctx);
  if (StgIsModelFeatureOn(ctx, 0, 0)) JcReadItems(ctx, 8192);
  if (!StgGetNoPermission(ctx) && !StgGetBiDirect(ctx)) InstRunPackInstall(ctx, 2);
  if (!UiMergeCallerDevmode(ctx, nullptr, UI_MODE_DEVICE_SHEETS)) {
    UiCloseContext(ctx);
    return nullptr;
  }
  return ctx;
}

// The job-control items of the device sheet at its end: the network key written or forgotten.
void DeviceJobControl(SETTING_CONTEXT* ctx) {
  if (!StgIsModelFeatureOn(ctx, 0, 0)) return;
  UiJcOpen(ctx);
  if (DlgAuthInfoPresent(ctx, 4) & 4) {
    UiJcWriteItemsIfOn(ctx, 8192);
  } else {
    StgSetValue(ctx, sid::wdmAuthenticationNetworkKey, 0);
    UiJcWriteItemsIfOn(ctx, 8192);
    ctx->work->textBuffer[0] = 0;
    DIALOG_DESC* page = StgFindDialog(ctx, kDevicePage);
    if (CONTROL_DESC* edit = page ? StgFindControlById(ctx, page, kNetworkKeyEdit) : nullptr)
      if (edit->window) SetWindowTextW(static_cast<HWND>(edit->window), u"");
  }
  if (StgGetValue(ctx, sid::rdmPrnFuncAuthenticationMode, nullptr) == 0)
    StgSetValue(ctx, sid::rdmPrnFuncAuthenticationSecureMode, 0);
  UiJcClose(ctx);
}

LONG DeviceDestroy(SETTING_CONTEXT* ctx) {
  if (ctx->work->sheet.applied == 1) {
    DeviceJobControl(ctx);
    DlgCommitDeviceSettings3(ctx);
    SaveDeviceSetupFiles(ctx);
    InstRunPackInstall(ctx, 1);
    if (BidiTouchFlag(ctx)) BidiClearIniSection(ctx);
    ReportResult(ctx, 1);
  }
  CloseSheetContext(ctx);
  return 1;
}

// ---- Document sheets.

SETTING_CONTEXT* DocumentInit(PROPSHEETUI_INFO* sheet, DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info) {
  HANDLE printer = header->hPrinter;
  DWORD fMode = header->fMode;
  SETTING_CONTEXT* ctx = UiOpenContextInfo(printer, printer, nullptr, STG_KIND_UI, info);
  if (!ctx || !ctx->image || !ctx->work) {
    if (ctx) UiCloseContext(ctx);
    return nullptr;
  }
  UiValidateContextStore(ctx);
  bool renamed = info && UiIsPrinterRenamed(printer, info);
  if (renamed) InstHandlePrinterRename(ctx);
  if (StgIsFeatureBitSet(kRemoteConfigBit)) InstSyncRemoteLists(ctx);
  if (renamed && InstEnsureInstalled(printer, 1, info) != 1) {
    UiCloseContext(ctx);
    return nullptr;
  }
  InstallDefaultsStep(ctx);
  StgSetTSE(ctx, StgIsTerminalServerMode(printer) ? 1 : 0);
  StgSetAdmin(ctx, StgIsAdminForContext(ctx) ? 1 : 0);
  DWORD intake = UI_MODE_DOC_SHEETS;
  if (StgIsModelFeatureOn(ctx, 1, 0) && StgGetPresentUIMode(ctx) == 0) {
    StgQueryPrintNotification(ctx, 1);
    intake = UI_MODE_DOC_SHEETS_KEEP_NOTIFY;
  }
  LoadKeptQueryResults(ctx);
  UiBidiEnsureQueried(ctx, nullptr);
  TrayState trays = Trays(ctx, printer);
  bool takeOver = !trays.applied && trays.flag;
  SETTING_STORE* copy = nullptr;
  if (takeOver) {
    UiBidiApplyDefaultTrays(ctx);
    copy = static_cast<SETTING_STORE*>(StgAllocZero(sizeof(SETTING_STORE)));
    if (!copy) {
      UiCloseContext(ctx);
      return nullptr;
    }
  }
  UiSetDocumentEnvironment(ctx, fMode);
  UI_MACHINE_BYTES machine = UiTakeMachineBytes(ctx);
  if (UiIsWin2000BeforeSp4()) {
    if (!StgGetNoPermission(ctx)) {
      ITEM_DESC* duplex = StgFindItem(ctx, sid::rdmSourceOptionTypeDuplex);
      if (duplex && CfgWritePrinterDataSetting(printer, ctx, duplex)) InstRunPackInstall(ctx, 0);
    }
  } else if (StgGetCallSrc(ctx) == 1 && !StgGetNoPermission(ctx)) {
    InstRunPackInstall(ctx, 0);
  }
  if (!UiMergeCallerDevmode(ctx, header->pdmIn, intake | fMode)) {
    StgFree(copy);
    UiCloseContext(ctx);
    return nullptr;
  }
  UiRestoreMachineBytes(ctx, machine);
  CfgApplyCountryClass(ctx);
  if (takeOver) UiBidiApplyDefaultTrays(ctx);
  StartSheet(ctx, sheet, DLG_SHEET_DOCUMENT);
  if (copy) std::memcpy(copy, ctx->store, sizeof(SETTING_STORE));
  ctx->work->sheetRefs[0] = header->pdmIn;
  ctx->work->sheetRefs[1] = header->pdmOut;
  ctx->work->docPropMode = fMode;
  ctx->work->sheet.deviceQueryResults = 1;
  ctx->work->sheet.trayCopy = copy;
  return ctx;
}

// A cancelled document sheet after the device trays were taken over keeps the trays: the saved store
// (the caller's settings with the trays) comes back and is committed.
LONG RestoreTrays(SETTING_CONTEXT* ctx) {
  SETTING_STORE*& copy = ctx->work->sheet.trayCopy;
  if (copy) {
    std::memcpy(ctx->store, copy, sizeof(SETTING_STORE));
    StgFree(copy);
    copy = nullptr;
    DlgCommitDocumentSettings3(ctx);
  }
  UiBidiMarkTraysApplied(ctx);
  return 1;
}

LONG DocumentDestroy(SETTING_CONTEXT* ctx, const TrayState& trays) {
  SHEET_WORK& w = ctx->work->sheet;
  bool takeOver = !trays.applied && trays.flag;
  if (w.applied == 1) {
    UiJcOpen(ctx);
    if (StgIsModelFeatureOn(ctx, 0, 0)) {
      UiJcWriteItemsIfOn(ctx, 158);
      WORD present = DlgAuthInfoPresent(ctx, 3);
      if (!(present & 1)) {
        UiJcNotify(ctx, 9);
        StgSetValue(ctx, sid::wdmAuthenticationUserName, 0);
      }
      if (!(present & 2)) {
        StgSetValue(ctx, sid::wdmAuthenticationPassword, 0);
        UiJcWriteItemsIfOn(ctx, 4096);
      }
    } else {
      UiJcWriteItemsIfOn(ctx, 14494);
    }
    UiJcReadItemsIfOn(ctx, 1);
    UiJcClose(ctx);
    if (ctx->work->docPropMode & (DM_UPDATE | DM_COPY)) DlgCommitDocumentSettings3(ctx);
    if (takeOver) UiBidiMarkTraysApplied(ctx);
    SaveDeviceSetupFiles(ctx);
    ReportResult(ctx, 1);
  } else if (Win2000OrLater() && w.committedByApply) {
    if (takeOver) UiBidiMarkTraysApplied(ctx);
    ReportResult(ctx, 1);
  } else if (takeOver) {
    ReportResult(ctx, RestoreTrays(ctx));
  }
  CloseSheetContext(ctx);
  return 1;
}

SETTING_CONTEXT* ContextOf(PROPSHEETUI_INFO* info) { return reinterpret_cast<SETTING_CONTEXT*>(info->UserData); }

// The reasons both sheets answer alike: the information header (titled with the header's printer name,
// or the printer's own when the header has none), the result, the icon (none) and any other (1).
LONG OtherReason(PROPSHEETUI_INFO* info, LPARAM lParam, const WCHAR* title, SETTING_CONTEXT* ctx) {
  switch (info->Reason) {
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
      FillHeader(reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam), title ? title : CfgGetPrinterName(ctx));
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
      if (lParam) info->Result = ULONG_PTR(reinterpret_cast<SETRESULT_INFO*>(lParam)->Result);
      return 1;
    case PROPSHEETUI_REASON_GET_ICON:
      return -1;
  }
  return 1;
}

}  // namespace

int UiIsSaveDeviceSetupOn(SETTING_CONTEXT*) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\ZarnDrvCustomSetup", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return 0;
  BYTE data[4] = {};
  DWORD size = sizeof data, type = 0;
  LONG r = RegQueryValueExW(key, u"SaveDeviceSetup", nullptr, &type, data, &size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS && size >= 2 && data[0] == 1 && data[1] == 0 ? 1 : 0;
}

LONG UiDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  if (!info || !info->lParamInit) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  auto* header = reinterpret_cast<DEVICEPROPERTYHEADER*>(info->lParamInit);
  HANDLE printer = header->hPrinter;
  PrinterInfo pi(printer);
  if (info->Reason != PROPSHEETUI_REASON_DESTROY && (!pi.info || !Installed(printer, pi.info))) return -1;
  SETTING_CONTEXT* ctx = ContextOf(info);
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    ctx = DeviceInit(printer, pi.info, header);
    if (!ctx) return -1;
    info->UserData = reinterpret_cast<ULONG_PTR>(ctx);
  }
  if (!ctx) return -1;
  TellSpooler(printer);
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      CfgApplyCountryClass(ctx);
      StgSetCallSrc(ctx, 1);
      StgSetPropertyType(ctx, 1);
      StgSetNoPermission(ctx, (header->Flags & DPS_NOPERMISSION) ? 1 : 0);
      StartSheet(ctx, info, DLG_SHEET_DEVICE);
      ctx->work->sheet.mayChange = (header->Flags & DPS_NOPERMISSION) ? 0 : 1;
      if (DlgAddSheetPages(ctx, DLG_SHEET_DEVICE) <= 0) {
        info->UserData = 0;
        CloseSheetContext(ctx);
        return -1;
      }
      return 1;
    case PROPSHEETUI_REASON_DESTROY:
      info->UserData = 0;
      return DeviceDestroy(ctx);
  }
  return OtherReason(info, lParam, header->pszPrinterName, ctx);
}

LONG UiDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(info ? info->lParamInit : lParam);
  if (!header) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  HANDLE printer = header->hPrinter;
  PrinterInfo pi(nullptr);
  if (info || (header->fMode && header->pdmOut)) {
    pi.info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
    if (!pi.info || !Installed(printer, pi.info)) return -1;
  }
  if (!info) return UiDocumentPropertiesSilent(header, pi.info, pi.info ? UiIsPrinterRenamed(printer, pi.info) : 0);
  SETTING_CONTEXT* ctx = ContextOf(info);
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    ctx = DocumentInit(info, header, pi.info);
    if (!ctx) return -1;
    info->UserData = reinterpret_cast<ULONG_PTR>(ctx);
    if (DlgAddSheetPages(ctx, DLG_SHEET_DOCUMENT) <= 0) {
      info->UserData = 0;
      CloseSheetContext(ctx);
      return -1;
    }
    return 1;
  }
  if (!ctx) return -1;
  TrayState trays = Trays(ctx, printer);
  if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
    info->UserData = 0;
    return DocumentDestroy(ctx, trays);
  }
  return OtherReason(info, lParam, header->pszPrinterName, ctx);
}
