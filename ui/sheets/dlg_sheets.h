// The property sheets of the interface library: pages for the workers, the common property sheet
// service, and the commit of the document settings into the caller's DEVMODE.
#pragma once
#include "kvplat/sheetservice.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Runs the common property sheet service ("compstui.dll", loaded for the call) for `fn`: its result, or
// -1 when the library or its entry point cannot be had.
LONG DlgCallCommonPropertySheet(HWND owner, PFNPROPSHEETUI fn, LPARAM lParam, LPDWORD result);
// Writes the document settings of the context into the caller's output DEVMODE recorded in the work area
// (and the printer's per-user settings with DM_UPDATE): 1 done, 0 not.
int DlgStoreDocumentDevmode(SETTING_CONTEXT* ctx);
