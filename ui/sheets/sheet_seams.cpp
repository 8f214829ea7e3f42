// Least bodies of the later parts of the sheets: each lets a page open and close and does nothing
// else (no rule refuses, nothing is committed or drawn, no window procedure is replaced).
#include "sheets/dlg_change.h"
#include "sheets/dlg_apply.h"
#include "sheets/dlg_refresh.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_subdialog.h"
#include "sheets/ctl_hint.h"
#include "sheets/ctl_window.h"
#include "sheets/ctl_lists.h"
#include "sheets/ctl_edits.h"
#include "sheets/ctl_bars.h"
#include "sheets/ctl_buttons.h"
#include "sheets/ctl_pictures.h"
#include "sheets/ctl_tree.h"
#include "sheets/ctl_draw.h"
#include "kvseam.h"
#include "settings/item_records.h"
#include "settings/context.h"

// ---- dlg_change.h

// ---- dlg_apply.h

// ---- dlg_refresh.h

// ---- dlg_layout.h

// ---- dlg_subdialog.h

// ---- ctl_hint.h
KV_SEAM(CtlUpdateHint) void CtlUpdateHint(SETTING_CONTEXT*, CONTROL_DESC*, HWND, int, int) {}
KV_SEAM(CtlPaintHintWindow) void CtlPaintHintWindow(SETTING_CONTEXT*) {}

// ---- ctl_window.h
// The subclassed window keeps behaving as its class does.
KV_SEAM(CtlWindowProc) LRESULT CtlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = reinterpret_cast<CONTROL_DESC*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (control && control->savedProc)
    return CallWindowProcW(reinterpret_cast<WNDPROC>(control->savedProc), window, message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}
KV_SEAM(CtlHitTestControl) CONTROL_DESC* CtlHitTestControl(DIALOG_DESC*, int, int) { return nullptr; }

// ---- ctl_lists.h
KV_SEAM(CtlComboDrawItem) INT_PTR CtlComboDrawItem(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlOwnerListMessage) INT_PTR CtlOwnerListMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlPresetListDrawItem) INT_PTR CtlPresetListDrawItem(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }

// ---- ctl_edits.h
KV_SEAM(CtlEditInit) int CtlEditInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlEditRefresh) void CtlEditRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlEditCommand) INT_PTR CtlEditCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlUnitEditInit) int CtlUnitEditInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlUnitEditRefresh) void CtlUnitEditRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlUnitEditCommand) INT_PTR CtlUnitEditCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlUnitEditMessage) INT_PTR CtlUnitEditMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }

// ---- ctl_bars.h
KV_SEAM(CtlSpinBarInit) int CtlSpinBarInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlSpinBarRefresh) void CtlSpinBarRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlSpinBarMessage) INT_PTR CtlSpinBarMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlScrollBarInit) int CtlScrollBarInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlScrollBarRefresh) void CtlScrollBarRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlPlusMinusBarRefresh) void CtlPlusMinusBarRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlScrollBarMessage) INT_PTR CtlScrollBarMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlTrackBarInit) int CtlTrackBarInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlTrackBarRefresh) void CtlTrackBarRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlTrackBarMessage) INT_PTR CtlTrackBarMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }



// ---- ctl_tree.h
KV_SEAM(CtlSettingsTreeInit) int CtlSettingsTreeInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlSettingsTreeMessage) INT_PTR CtlSettingsTreeMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlTabGroupsInit) int CtlTabGroupsInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlTabGroupsMessage) INT_PTR CtlTabGroupsMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }

// ---- ctl_draw.h
KV_SEAM(CtlPictureClickNext) INT_PTR CtlPictureClickNext(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlGetPaintDc) HDC CtlGetPaintDc(SETTING_CONTEXT* ctx, HWND window) {
  if (ctx && ctx->work && ctx->work->sheet.paintDc) return static_cast<HDC>(ctx->work->sheet.paintDc);
  return window ? GetDC(window) : nullptr;
}
KV_SEAM(CtlReleasePaintDc) void CtlReleasePaintDc(SETTING_CONTEXT* ctx, HWND window, HDC dc) {
  if (!(ctx && ctx->work && ctx->work->sheet.paintDc) && window && dc) ReleaseDC(window, dc);
}
KV_SEAM(CtlPaintButtonFace) int CtlPaintButtonFace(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, HWND, HDC, const RECT*, int, int, int) { return 0; }
KV_SEAM(CtlLoadCaptionId) void CtlLoadCaptionId(SETTING_CONTEXT* ctx, CONTROL_DESC*) {
  if (ctx && ctx->work) ctx->work->sheet.captionId = 0;
}
KV_SEAM(CtlClearCaptionId) void CtlClearCaptionId(SETTING_CONTEXT* ctx) {
  if (ctx && ctx->work) ctx->work->sheet.captionId = 0;
}
