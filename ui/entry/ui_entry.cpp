// The twelve exports of the printer interface library: each forwards its arguments unchanged to its
// worker and returns the worker's answer.
#include "ui_exports.h"
#include "ui_frame.h"
#include "ui_workers.h"

KVAPI LONG DrvDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  return UiDocumentPropertySheets(info, lParam);
}

KVAPI LONG DrvDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  return UiDevicePropertySheets(info, lParam);
}

KVAPI LONG DrvDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in,
                                 DWORD fMode) {
  return UiDocumentProperties(window, printer, deviceName, out, in, fMode);
}

KVAPI LONG DrvAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out,
                                         PDEVMODEW in) {
  return UiAdvancedDocumentProperties(window, printer, deviceName, out, in);
}

KVAPI BOOL PrinterProperties(HWND window, HANDLE printer) { return UiPrinterProperties(window, printer); }

KVAPI BOOL DrvConvertDevMode(LPWSTR printerName, PDEVMODEW in, PDEVMODEW out, LONG* size, DWORD mode) {
  return UiConvertDevMode(printerName, in, out, size, mode);
}

KVAPI DWORD DrvDeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, void* output,
                                  PDEVMODEW devmode) {
  return UiDeviceCapabilities(printer, deviceName, capability, output, devmode);
}

KVAPI BOOL DevQueryPrintEx(DEVQUERYPRINT_INFO* info) { return UiDevQueryPrint(info); }

KVAPI int DrvDocumentEvent(HANDLE printer, HDC dc, int event, ULONG inSize, void* in, ULONG outSize, void* out) {
  return UiDocumentEvent(printer, dc, event, inSize, in, outSize, out);
}

KVAPI BOOL DrvPrinterEvent(LPWSTR printerName, int event, DWORD flags, LPARAM lParam) {
  return UiPrinterEvent(printerName, event, flags, lParam);
}

KVAPI BOOL DrvUpgradePrinter(DWORD level, LPBYTE info) { return UiUpgradePrinter(level, info); }

KVAPI BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  return UiProcessAttachDetach(module, reason, reserved);
}
