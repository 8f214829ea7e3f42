// The property sheets of the interface library: the pages the workers add to the common property sheet
// service, the service itself, the page procedure, and the commit of the document settings into the
// caller's DEVMODE.
#pragma once
#include "kvplat/sheetservice.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Sheet kinds: the kind bits of the pages they take.
constexpr WORD DLG_SHEET_DOCUMENT = 1;
constexpr WORD DLG_SHEET_DEVICE = 2;
// Change-word bits of the preset-save modes raised before a sheet opens, and of the save they leave
// pending until OK.
constexpr DWORD DLG_SAVE_AS_CURRENT = 0x80000000u;  // OK saves the settings as the current preset (11111)
constexpr DWORD DLG_SAVE_AS_NAMED = 0x40000000u;    // OK saves them under the typed name (22222)
constexpr DWORD DLG_SAVE_PENDING = 0x800000u;
constexpr WORD DLG_CMD_SAVE_CURRENT = 11111;
constexpr WORD DLG_CMD_SAVE_NAMED = 22222;

// Adds one page per dialog of the context's table whose kind shares a bit with the sheet kind and whose
// node does not exclude it, through the sheet callback the worker recorded. The number of pages the
// service accepted; 0 without a context, work area, callback or sheet handle (the acceptance mark is then
// left alone, else set to 0).
LONG DlgAddSheetPages(SETTING_CONTEXT* ctx, WORD kind);
// Runs the common property sheet service ("compstui.dll", loaded for the call) for `fn`: its result, or
// -1 when the library or its entry point cannot be had.
LONG DlgCallCommonPropertySheet(HWND owner, PFNPROPSHEETUI fn, LPARAM lParam, LPDWORD result);
// The dialog procedure of every page: the sheet's buttons in the preset-save modes and the page's
// children hidden until it is fitted, then DlgProc.
INT_PTR PgPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Writes the document settings of the context into the caller's output DEVMODE recorded in the work area
// (and the printer's per-user settings with DM_UPDATE): 1 done, 0 not.
int DlgStoreDocumentDevmode(SETTING_CONTEXT* ctx);
