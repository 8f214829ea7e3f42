// Document properties without a sheet, and the entries that start the sheets.
#include "ui_docprops.h"

#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/store.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"
#include "inst_install_state.h"
#include "inst_setup.h"
#include "ui_access.h"
#include "ui_frame.h"
#include "ui_intake.h"
#include "ui_remote.h"
#include "ui_workers.h"
#include "config/printer_data.h"

namespace {

bool Version(OSVERSIONINFOEXW* v) {
  *v = OSVERSIONINFOEXW{};
  v->dwOSVersionInfoSize = sizeof *v;
  return GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(v)) != FALSE;
}

// Remote configuration of the printer's lists through the status service (process feature bit 7).
constexpr DWORD kRemoteConfigBit = 7;

}  // namespace

int UiIsWin2000BeforeSp4() {
  OSVERSIONINFOEXW v;
  return Version(&v) && v.dwMajorVersion == 5 && v.dwMinorVersion == 0 && v.wServicePackMajor < 4 ? 1 : 0;
}

int UiIsWin2000Sp4() {
  OSVERSIONINFOEXW v;
  return Version(&v) && v.dwMajorVersion == 5 && v.dwMinorVersion == 0 && v.wServicePackMajor == 4 ? 1 : 0;
}

int UiWritePermissionProbe(HANDLE printer, const BYTE* data, DWORD size) {
  return SetPrinterDataW(printer, const_cast<LPWSTR>(u"Permission"), REG_DWORD, const_cast<LPBYTE>(data), size) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}

void UiSetDocumentEnvironment(SETTING_CONTEXT* ctx, DWORD fMode) {
  if (UiIsWin2000BeforeSp4()) {
    StgSetCallSrc(ctx, 1);
    StgSetOSKind(ctx, 2);
  } else {
    bool userDefault = (fMode & DM_USER_DEFAULT) != 0;
    if (userDefault && UiIsWin2000Sp4() && !DlgIsExplorerHost()) userDefault = false;
    StgSetCallSrc(ctx, userDefault ? 1 : 0);
    StgSetOSKind(ctx, StgIsNt5OrLater() ? 2 : 1);
  }
  StgSetPropertyType(ctx, 0);
  StgSetNoPermission(ctx, (fMode & DM_NOPERMISSION) ? 1 : 0);
}

UI_MACHINE_BYTES UiTakeMachineBytes(SETTING_CONTEXT* ctx) {
  UI_MACHINE_BYTES b{};
  b.jobBinder = CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx) ? 1 : 0;
  b.preview = CfgIsCompanionInstalled(CFG_COMPANION_PREVIEW, ctx) ? 1 : 0;
  StgSetJBInstalled(ctx, b.jobBinder);
  StgSetTVInstalled(ctx, b.preview);
  UiApplyUserCodeSettings(ctx);
  b.userCodeGet = StgGetUserCodeGet(ctx);
  return b;
}

void UiRestoreMachineBytes(SETTING_CONTEXT* ctx, const UI_MACHINE_BYTES& b) {
  // The companions and the user code are this machine's, whatever the caller's DEVMODE said.
  StgSetJBInstalled(ctx, b.jobBinder);
  StgSetTVInstalled(ctx, b.preview);
  StgSetUserCodeGet(ctx, b.userCodeGet == 1 ? 1 : 0);
  StgSetUserCodeDLL(ctx, b.userCodeGet == 1 ? 1 : 0);
}

LONG UiDocumentPropertiesSilent(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info, int renamed) {
  if (!header) return -1;
  header->cbOut = UI_DEVMODE_SIZE;
  DWORD fMode = header->fMode;
  if (fMode == 0 || !header->pdmOut) return UI_DEVMODE_SIZE;
  HANDLE printer = header->hPrinter;
  SETTING_CONTEXT* ctx = UiOpenContextMode(printer, printer, nullptr, STG_KIND_DOCPROP, fMode, info);
  if (!ctx || !ctx->image) {
    if (ctx) UiCloseContext(ctx);
    return -1;
  }
  UiValidateContextStore(ctx);
  ctx->work->sheetRefs[0] = header->pdmIn;
  ctx->work->sheetRefs[1] = header->pdmOut;
  ctx->work->docPropMode = fMode;
  if (renamed) InstHandlePrinterRename(ctx);
  if (StgIsFeatureBitSet(kRemoteConfigBit)) InstSyncRemoteLists(ctx);
  if (renamed && info && InstEnsureInstalled(printer, 0, info) != 1) {
    UiCloseContext(ctx);
    return -1;
  }
  UiSetDocumentEnvironment(ctx, fMode);
  StgSetServerClientMode(ctx, StgIsRemotePrinter(ctx) ? 1 : 0);
  UI_MACHINE_BYTES machine = UiTakeMachineBytes(ctx);
  LONG result = 1;
  if ((fMode & DM_MODIFY) && header->pdmIn) {
    if (!UiMergeCallerDevmode(ctx, header->pdmIn, fMode | UI_MODE_DOC_SILENT)) {
      result = -1;
    } else {
      UiRestoreMachineBytes(ctx, machine);
    }
  }
  if (result == 1 && (fMode & (DM_UPDATE | DM_COPY)) && DlgStoreDocumentDevmode(ctx) != 1) result = -1;
  UiCloseContext(ctx);
  return result;
}

LONG UiRunDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD fMode) {
  DOCUMENTPROPERTYHEADER header{};
  header.cbSize = sizeof header;
  header.hPrinter = printer;
  header.pszPrinterName = deviceName;
  header.pdmIn = in;
  header.pdmOut = out;
  header.cbOut = 0;
  header.fMode = fMode;
  if (fMode & DM_PROMPT) {
    DWORD result = 0;
    LONG r = DlgCallCommonPropertySheet(window, DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&header), &result);
    return r < 0 ? r : LONG(result);
  }
  return UiDocumentPropertiesSilent(&header, nullptr, 1);
}

LONG UiDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD fMode) {
  if (fMode == 0 || !out) return UI_DEVMODE_SIZE;
  InstCheckInstalled(printer);
  LONG r = UiRunDocumentProperties(window, printer, deviceName, out, in, fMode);
  if (r > 0) return IDOK;
  if (r == 0) return IDCANCEL;
  return r;
}

LONG UiAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in) {
  if (!out) return UI_DEVMODE_SIZE;
  InstCheckInstalled(printer);
  return UiRunDocumentProperties(window, printer, deviceName, out, in, UI_ADVANCED_FMODE) > 0 ? 1 : 0;
}

BOOL UiPrinterProperties(HWND window, HANDLE printer) {
  DEVICEPROPERTYHEADER header{};
  header.cbSize = sizeof header;
  header.hPrinter = printer;
  header.pszPrinterName = nullptr;
  // The write probe leaves the value "Permission" 1 in the printer's data: it is how the driver learns
  // whether this user may change the printer's settings.
  DWORD one = 1;
  if (!UiWritePermissionProbe(printer, reinterpret_cast<const BYTE*>(&one), sizeof one)) header.Flags |= DPS_NOPERMISSION;
  DWORD result = 0;
  LONG r = DlgCallCommonPropertySheet(window, DrvDevicePropertySheets, reinterpret_cast<LPARAM>(&header), &result);
  return r > 0 && result != 0 ? TRUE : FALSE;
}
