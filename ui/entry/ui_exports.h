// The printer interface library's outside surface: the records of the printer-interface contract that
// its callers hand in, and its twelve exported entry points. Every export forwards its arguments
// unchanged to one worker (ui_workers.h) and returns the worker's answer.
#pragma once
#include <cstddef>

#include "kvplat/devmode.h"
#include "kvplat/drvcontract.h"  // the contract records the exports take
#include "kvplat/types.h"
#include "kvplat/sheetservice.h"  // the property-sheet service records the workers receive
#include "kvplat/window.h"

// Answers of the contract that the workers use to refuse a request.
constexpr LONG UI_CPSUI_FAILURE = -1;      // property-sheet workers: failed, see the last error
constexpr DWORD UI_GDI_ERROR = 0xFFFFFFFFu;  // device capabilities
constexpr int UI_DOCUMENTEVENT_UNSUPPORTED = DOCUMENTEVENT_UNSUPPORTED;
constexpr int UI_DOCUMENTEVENT_FAILURE = DOCUMENTEVENT_FAILURE;

// ---- The twelve exports ----

// Document property sheets: info null asks for the page count; the result of the common property sheet
// service's reasons (>0 handled, -1 failed with the last error set).
KVAPI LONG DrvDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
// Device property sheets: as above for the printer's device settings.
KVAPI LONG DrvDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
// DocumentProperties: with fMode 0 the DEVMODE size, else IDOK/IDCANCEL; -1 on failure.
KVAPI LONG DrvDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in,
                                 DWORD fMode);
// The advanced document settings dialog: IDOK/IDCANCEL, -1 on failure.
KVAPI LONG DrvAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out,
                                         PDEVMODEW in);
// The printer's property dialog: TRUE when shown.
KVAPI BOOL PrinterProperties(HWND window, HANDLE printer);
// Converts a DEVMODE between the spooler's and the driver's forms; *size in bytes in and out.
KVAPI BOOL DrvConvertDevMode(LPWSTR printerName, PDEVMODEW in, PDEVMODEW out, LONG* size, DWORD mode);
// One capability of the printer: the count or value, UI_GDI_ERROR on failure.
KVAPI DWORD DrvDeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, void* output,
                                  PDEVMODEW devmode);
// Whether a job with this DEVMODE can print: TRUE, or FALSE with an error text.
KVAPI BOOL DevQueryPrintEx(DEVQUERYPRINT_INFO* info);
// A document event: >0 handled, UI_DOCUMENTEVENT_UNSUPPORTED, or UI_DOCUMENTEVENT_FAILURE.
KVAPI int DrvDocumentEvent(HANDLE printer, HDC dc, int event, ULONG inSize, void* in, ULONG outSize, void* out);
// A printer event (initialise, add or delete a connection, delete the printer): TRUE handled.
KVAPI BOOL DrvPrinterEvent(LPWSTR printerName, int event, DWORD flags, LPARAM lParam);
// Upgrade of an installed printer to this driver: TRUE.
KVAPI BOOL DrvUpgradePrinter(DWORD level, LPBYTE info);
// Exported for hosts that run it; the library's own load entry does not call it. TRUE always.
KVAPI BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
