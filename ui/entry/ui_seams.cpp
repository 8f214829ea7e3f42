// Least bodies of the workers and steps of the printer interface library that are built elsewhere.
// Each is weak: the real definition takes its place once linked in. A worker here refuses as the
// platform does for a request it does not serve (ERROR_NOT_SUPPORTED and the failure value of its
// contract) and touches nothing of the caller's; a step answers what lets the frame run.
#include "devlink/job_control.h"
#include "kvplat/error.h"
#include "sheets/dlg_language.h"
#include "ui_workers.h"

#define KV_SEAM __attribute__((weak))

namespace {
template <typename T>
T NotSupported(T value) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return value;
}
}  // namespace

// ---- Workers behind the exports.

KV_SEAM LONG UiDocumentPropertySheets(PROPSHEETUI_INFO*, LPARAM) { return NotSupported(UI_CPSUI_FAILURE); }
KV_SEAM LONG UiDevicePropertySheets(PROPSHEETUI_INFO*, LPARAM) { return NotSupported(UI_CPSUI_FAILURE); }
KV_SEAM LONG UiDocumentProperties(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD) {
  return NotSupported<LONG>(-1);
}
KV_SEAM LONG UiAdvancedDocumentProperties(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW) {
  return NotSupported<LONG>(-1);
}
KV_SEAM BOOL UiPrinterProperties(HWND, HANDLE) { return NotSupported<BOOL>(FALSE); }
KV_SEAM BOOL UiConvertDevMode(LPWSTR, PDEVMODEW, PDEVMODEW, LONG*, DWORD) { return NotSupported<BOOL>(FALSE); }
KV_SEAM DWORD UiDeviceCapabilities(HANDLE, LPWSTR, WORD, void*, PDEVMODEW) { return NotSupported(UI_GDI_ERROR); }
KV_SEAM BOOL UiDevQueryPrint(DEVQUERYPRINT_INFO*) { return NotSupported<BOOL>(FALSE); }
KV_SEAM int UiDocumentEvent(HANDLE, HDC, int, ULONG, void*, ULONG, void*) { return UI_DOCUMENTEVENT_UNSUPPORTED; }
KV_SEAM BOOL UiPrinterEvent(LPWSTR, int, DWORD, LPARAM) { return NotSupported<BOOL>(FALSE); }
KV_SEAM BOOL UiUpgradePrinter(DWORD, LPBYTE) { return NotSupported<BOOL>(FALSE); }

// ---- Installation state.

KV_SEAM int UiIsPrinterRenamed(HANDLE, const WCHAR*) { return 0; }
KV_SEAM void InstHandlePrinterRename(SETTING_CONTEXT*, HANDLE) {}
KV_SEAM int InstEnsureInstalled(HANDLE, const WCHAR*) { return 1; }

// ---- Steps of the DEVMODE intake.

KV_SEAM int UiApplyAppRequest(SETTING_CONTEXT*, DEVMODEW*) { return 1; }
KV_SEAM int UiApplyUserCodeSettings(SETTING_CONTEXT*) { return 0; }
KV_SEAM int JcReadItems(SETTING_CONTEXT*, DWORD) { return 0; }
KV_SEAM int DlgHelpFileLanguageIndex(SETTING_CONTEXT*) { return 1; }
