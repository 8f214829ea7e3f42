// The workers behind the exports and the set-up and installation checks the worker frame asks. Each
// worker receives its export's arguments unchanged and gives the export's answer. Workers that are not
// built yet answer from ui_seams.cpp: they refuse with ERROR_NOT_SUPPORTED and the failure value of
// their contract, touching nothing of the caller's.
#pragma once
#include "ui_exports.h"

struct SETTING_CONTEXT;

// Property-sheet workers (ui_sheet_workers.cpp): the answer of each sheet reason, -1 on failure.
LONG UiDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
LONG UiDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
LONG UiDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD fMode);
LONG UiAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in);
// FALSE (ERROR_NOT_SUPPORTED) while not built.
BOOL UiPrinterProperties(HWND window, HANDLE printer);
// DEVMODE conversion (ui_convert.cpp).
BOOL UiConvertDevMode(LPWSTR printerName, PDEVMODEW in, PDEVMODEW out, LONG* size, DWORD mode);
// Device capabilities: UI_GDI_ERROR (ERROR_NOT_SUPPORTED) while not built.
DWORD UiDeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, void* output, PDEVMODEW devmode);
// Job query: FALSE (ERROR_NOT_SUPPORTED) while not built.
BOOL UiDevQueryPrint(DEVQUERYPRINT_INFO* info);
// Document events: UI_DOCUMENTEVENT_UNSUPPORTED while not built.
int UiDocumentEvent(HANDLE printer, HDC dc, int event, ULONG inSize, void* in, ULONG outSize, void* out);
// Printer events and upgrade (inst_events.cpp).
BOOL UiPrinterEvent(LPWSTR printerName, int event, DWORD flags, LPARAM lParam);
BOOL UiUpgradePrinter(DWORD level, LPBYTE info);

// The application request block of a caller's DEVMODE (the merge's working copy, rewritten with the
// result): 1, or 0 when a working copy cannot be had or a requested device query fails. Sets
// UI_INTAKE_APP_REQUEST in the context's stored intake mode when it carried a request out.
int UiApplyAppRequest(SETTING_CONTEXT* ctx, DEVMODEW* dm);
// Takes the user code from a provider library: 0, and nothing changed while the provider switch is off.
int UiApplyUserCodeSettings(SETTING_CONTEXT* ctx);
