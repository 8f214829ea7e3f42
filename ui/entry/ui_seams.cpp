// Least bodies of the workers and steps of the printer interface library that are built elsewhere.
// Each is weak: the real definition takes its place once linked in. A worker here refuses as the
// platform does for a request it does not serve (ERROR_NOT_SUPPORTED and the failure value of its
// contract) and touches nothing of the caller's; a step answers what lets the frame run.
#include "kvplat/error.h"
#include "inst_data_folder.h"
#include "ui_printer_data.h"
#include "sheets/dlg_language.h"
#include "ui_workers.h"
#include "kvseam.h"


namespace {
template <typename T>
T NotSupported(T value) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return value;
}
}  // namespace

// ---- Workers behind the exports.

KV_SEAM(UiDocumentPropertySheets) LONG UiDocumentPropertySheets(PROPSHEETUI_INFO*, LPARAM) { return NotSupported(UI_CPSUI_FAILURE); }
KV_SEAM(UiDevicePropertySheets) LONG UiDevicePropertySheets(PROPSHEETUI_INFO*, LPARAM) { return NotSupported(UI_CPSUI_FAILURE); }
KV_SEAM(UiDocumentProperties) LONG UiDocumentProperties(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD) {
  return NotSupported<LONG>(-1);
}
KV_SEAM(UiAdvancedDocumentProperties) LONG UiAdvancedDocumentProperties(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW) {
  return NotSupported<LONG>(-1);
}
KV_SEAM(UiPrinterProperties) BOOL UiPrinterProperties(HWND, HANDLE) { return NotSupported<BOOL>(FALSE); }
KV_SEAM(UiConvertDevMode) BOOL UiConvertDevMode(LPWSTR, PDEVMODEW, PDEVMODEW, LONG*, DWORD) { return NotSupported<BOOL>(FALSE); }
KV_SEAM(UiPrinterEvent) BOOL UiPrinterEvent(LPWSTR, int, DWORD, LPARAM) { return NotSupported<BOOL>(FALSE); }
KV_SEAM(UiUpgradePrinter) BOOL UiUpgradePrinter(DWORD, LPBYTE) { return NotSupported<BOOL>(FALSE); }

// ---- Installation state.

KV_SEAM(UiIsPrinterRenamed) int UiIsPrinterRenamed(HANDLE, const WCHAR*) { return 0; }
KV_SEAM(InstHandlePrinterRename) void InstHandlePrinterRename(SETTING_CONTEXT*, HANDLE) {}
KV_SEAM(InstEnsureInstalled) int InstEnsureInstalled(HANDLE, const WCHAR*) { return 1; }
KV_SEAM(InstCheckInstalled) int InstCheckInstalled(HANDLE) { return 1; }
KV_SEAM(InstGetDataDirForPrinter) DWORD InstGetDataDirForPrinter(WCHAR*, DWORD, HANDLE, const PRINTER_INFO_2W*) { return 0; }

// ---- Steps of the DEVMODE intake.

KV_SEAM(UiApplyAppRequest) int UiApplyAppRequest(SETTING_CONTEXT*, DEVMODEW*) { return 1; }
KV_SEAM(UiApplyUserCodeSettings) int UiApplyUserCodeSettings(SETTING_CONTEXT*) { return 0; }
KV_SEAM(DlgHelpFileLanguageIndex) int DlgHelpFileLanguageIndex(SETTING_CONTEXT*) { return 1; }
KV_SEAM(DlgHelpFileLanguageCode) const WCHAR* DlgHelpFileLanguageCode(SETTING_CONTEXT*) { return u"us"; }
KV_SEAM(UiReadLockBits) BOOL UiReadLockBits(HANDLE, BYTE*, WORD) { return FALSE; }
