// The sheets' glue: the pages handed to the common property sheet service, the service call, and the
// page procedure with the buttons of the preset-save modes.
#include <vector>

#include "config/resource_strings.h"
#include "kvplat/controls.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/propsheet.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/units.h"
#include "sheets/dlg_prepare.h"
#include "sheets/dlg_proc.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"

namespace {

constexpr WORD kSaveCurrentText = 372, kSaveNamedText = 373;

RECT ClientRectOf(HWND sheet, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void SetText(SETTING_CONTEXT* ctx, HWND button, WORD stringId) {
  WCHAR text[256] = {};
  CfgLoadString(ctx, stringId, text, 256, 0);
  SetWindowTextW(button, text);
}

// The sheet's buttons in the preset-save modes: OK widened to 4/3 keeping its right edge and renamed
// to the save command; with both modes a second button (11111) one pitch to its left.
void PrepareSaveButtons(SETTING_CONTEXT* ctx, HWND sheet, DWORD modes) {
  HWND ok = GetDlgItem(sheet, IDOK), cancel = GetDlgItem(sheet, IDCANCEL);
  if (ok) {
    RECT r = ClientRectOf(sheet, ok);
    int width = 4 * int(r.right - r.left) / 3, height = int(r.bottom - r.top);
    int left = int(r.right) - width;
    MoveWindow(ok, left, int(r.top), width, height, TRUE);
    if ((modes & DLG_SAVE_AS_CURRENT) && (modes & DLG_SAVE_AS_NAMED)) {
      RECT c = cancel ? ClientRectOf(sheet, cancel) : r;
      int x = 2 * left - int(c.left), y = int(c.top);
      WCHAR text[256] = {};
      CfgLoadString(ctx, kSaveCurrentText, text, 256, 0);
      DWORD style = DWORD(GetWindowLongPtrW(ok, GWL_STYLE)) & ~DWORD(BS_DEFPUSHBUTTON);
      HWND save = CreateWindowExW(DWORD(GetWindowLongPtrW(ok, GWL_EXSTYLE)), WC_BUTTONW, text, style, x, y, width, height,
                                  sheet, reinterpret_cast<HMENU>(LONG_PTR(DLG_CMD_SAVE_CURRENT)), CfgLoadResourceDll(ctx),
                                  nullptr);
      if (save) {
        SetWindowLongPtrW(save, GWLP_WNDPROC, GetWindowLongPtrW(ok, GWLP_WNDPROC));
        SetWindowLongPtrW(save, GWLP_USERDATA, GetWindowLongPtrW(ok, GWLP_USERDATA));
        SendMessageW(save, WM_SETFONT, WPARAM(SendMessageW(ok, WM_GETFONT, 0, 0)), TRUE);
      }
      StgClearChangeFlags(ctx, DLG_SAVE_AS_CURRENT);
      modes &= ~DLG_SAVE_AS_CURRENT;
    }
    if (modes & DLG_SAVE_AS_CURRENT) {
      SetText(ctx, ok, kSaveCurrentText);
      SetWindowLongPtrW(ok, GWLP_ID, DLG_CMD_SAVE_CURRENT);
      StgClearChangeFlags(ctx, DLG_SAVE_AS_CURRENT);
    } else if (modes & DLG_SAVE_AS_NAMED) {
      SetText(ctx, ok, kSaveNamedText);
      SetWindowLongPtrW(ok, GWLP_ID, DLG_CMD_SAVE_NAMED);
      StgClearChangeFlags(ctx, DLG_SAVE_AS_NAMED);
    }
  }
  StgRaiseChangeFlags(ctx, DLG_SAVE_PENDING);
  DlgResetChildWindowProcs(ctx, sheet);
}

}  // namespace

LONG DlgAddSheetPages(SETTING_CONTEXT* ctx, WORD kind) {
  if (!ctx || !ctx->work || !ctx->dialogs) return 0;
  SHEET_WORK& w = ctx->work->sheet;
  if (!w.callback || !w.handle) return 0;
  ctx->work->dialogAccepted = 0;
  HMODULE resources = CfgLoadResourceDll(ctx);
  LONG added = 0;
  for (int i = 0; i < ctx->dialogs->count; ++i) {
    const DIALOG_DESC& d = ctx->dialogs->rows[i];
    if (!(d.kind & kind) || DlgIsKeyExcluded(ctx, d.pageKey)) continue;
    PROPSHEETPAGEW p{};
    p.dwSize = sizeof p;
    p.dwFlags = PSP_HASHELP;
    p.hInstance = resources;
    p.pszTemplate = MAKEINTRESOURCEW(d.id);
    p.pfnDlgProc = PgPageProc;
    p.lParam = reinterpret_cast<LPARAM>(ctx);
    HPROPSHEETPAGE page = CreatePropertySheetPageW(&p);
    if (!page) continue;
    if (w.callback(w.handle, CPSFUNC_ADD_HPROPSHEETPAGE, reinterpret_cast<LPARAM>(page), 0))
      ++added;
    else
      DestroyPropertySheetPage(page);  // refused: it stays ours
  }
  return added;
}

LONG DlgCallCommonPropertySheet(HWND owner, PFNPROPSHEETUI fn, LPARAM lParam, LPDWORD result) {
  HMODULE service = LoadLibraryA("compstui.dll");
  if (!service) return -1;
  auto entry = reinterpret_cast<PFN_CommonPropertySheetUIW>(GetProcAddress(service, "CommonPropertySheetUIW"));
  if (!entry) {
    DWORD e = GetLastError();
    FreeLibrary(service);
    SetLastError(e);
    return -1;
  }
  LONG r = entry(owner, fn, lParam, result);
  DWORD e = GetLastError();
  FreeLibrary(service);
  SetLastError(e);
  return r;
}

INT_PTR PgPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_INITDIALOG) return DlgProc(window, message, wParam, lParam);
  auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
  auto* ctx = psp ? reinterpret_cast<SETTING_CONTEXT*>(psp->lParam) : nullptr;
  if (ctx && ctx->work) {
    ctx->dialogInUse = SHORT(LOWORD(reinterpret_cast<ULONG_PTR>(psp->pszTemplate)));
    DWORD modes = StgGetChangeFlags(ctx) & (DLG_SAVE_AS_CURRENT | DLG_SAVE_AS_NAMED);
    if (modes) PrepareSaveButtons(ctx, GetParent(window), modes);
  }
  // The children wait until the page has been fitted (DLG_MSG_FIT_AND_SHOW).
  std::vector<HWND> children;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  for (HWND c : children) ShowWindow(c, SW_HIDE);
  return DlgProc(window, message, wParam, reinterpret_cast<LPARAM>(ctx));
}
