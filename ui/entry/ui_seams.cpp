// Least bodies of the workers and steps of the printer interface library that are built elsewhere.
// Each is weak: the real definition takes its place once linked in. A worker here refuses as the
// platform does for a request it does not serve (ERROR_NOT_SUPPORTED and the failure value of its
// contract) and touches nothing of the caller's; a step answers what lets the frame run.
#include "kvplat/error.h"
#include "ui_paths.h"
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
KV_SEAM(UiDeviceCapabilities) DWORD UiDeviceCapabilities(HANDLE, LPWSTR, WORD, void*, PDEVMODEW) { return NotSupported(UI_GDI_ERROR); }
KV_SEAM(UiDevQueryPrint) BOOL UiDevQueryPrint(DEVQUERYPRINT_INFO*) { return NotSupported<BOOL>(FALSE); }
KV_SEAM(UiDocumentEvent) int UiDocumentEvent(HANDLE, HDC, int, ULONG, void*, ULONG, void*) { return UI_DOCUMENTEVENT_UNSUPPORTED; }
KV_SEAM(UiPrinterEvent) BOOL UiPrinterEvent(LPWSTR, int, DWORD, LPARAM) { return NotSupported<BOOL>(FALSE); }
KV_SEAM(UiUpgradePrinter) BOOL UiUpgradePrinter(DWORD, LPBYTE) { return NotSupported<BOOL>(FALSE); }

// ---- Installation state.

KV_SEAM(UiIsPrinterRenamed) int UiIsPrinterRenamed(HANDLE, const WCHAR*) { return 0; }
KV_SEAM(InstHandlePrinterRename) void InstHandlePrinterRename(SETTING_CONTEXT*, HANDLE) {}
KV_SEAM(InstEnsureInstalled) int InstEnsureInstalled(HANDLE, const WCHAR*) { return 1; }

// ---- Path helpers.

KV_SEAM(InstGetPrinterNameCopy) WCHAR* InstGetPrinterNameCopy(HANDLE, WCHAR* dest, DWORD) { return dest; }

// ---- Steps of the DEVMODE intake.

KV_SEAM(UiApplyAppRequest) int UiApplyAppRequest(SETTING_CONTEXT*, DEVMODEW*) { return 1; }
KV_SEAM(UiApplyUserCodeSettings) int UiApplyUserCodeSettings(SETTING_CONTEXT*) { return 0; }
