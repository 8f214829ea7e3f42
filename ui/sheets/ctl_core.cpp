// The control-kind table and the dispatchers of control events.
#include "sheets/ctl_core.h"

#include "kvplat/controls.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "sheets/ctl_bars.h"
#include "sheets/ctl_buttons.h"
#include "sheets/ctl_draw.h"
#include "sheets/ctl_edits.h"
#include "sheets/ctl_lists.h"
#include "sheets/ctl_pictures.h"
#include "sheets/ctl_tree.h"
#include "sheets/ctl_window.h"
#include "sheets/dlg_refresh.h"

namespace {

constexpr WORD kPresetList = 2001;
constexpr WORD kKindPlusMinusBar = 0x54;

#define KV_STATIC(k) {k, nullptr, nullptr, CtlStaticRefresh, nullptr, nullptr, CtlWindowProc}

constexpr CONTROL_KIND kKinds[CTL_KIND_ROWS] = {
    // Static texts and group boxes.
    KV_STATIC(0x1), KV_STATIC(0x4), KV_STATIC(0x5), KV_STATIC(0x6), KV_STATIC(0x2C), KV_STATIC(0x2D),
    KV_STATIC(0x2E), KV_STATIC(0x40), KV_STATIC(0x41), KV_STATIC(0x53), KV_STATIC(0x65), KV_STATIC(0x66),
    // Pictures and value icons: a click steps to the next allowed value.
    {0x2, CtlPictureClickNext, nullptr, CtlPictureRefresh, nullptr, nullptr, CtlWindowProc},
    {0x3, CtlPictureClickNext, nullptr, CtlValueIconRefresh, nullptr, nullptr, CtlWindowProc},
    // Summary buttons.
    {0x15, nullptr, CtlSummaryButtonInit, CtlStaticRefresh, CtlSummaryButtonCommand, CtlSummaryButtonMessage,
     CtlButtonWindowProc},
    {0x18, nullptr, CtlCaptionButtonInit, CtlStaticRefresh, CtlSummaryButtonCommand, CtlSummaryButtonMessage,
     CtlButtonWindowProc},
    // Check boxes and radio buttons.
    {0x16, CtlCheckBoxClick, nullptr, CtlCheckBoxRefresh, CtlCheckBoxCommand, nullptr, CtlWindowProc},
    {0x29, CtlRadioClick, nullptr, CtlRadioRefresh, CtlRadioCommand, nullptr, CtlWindowProc},
    // Lists and combos.
    {0x2A, nullptr, CtlListInit, CtlListRefresh, CtlListCommand, nullptr, CtlWindowProc},
    {0x2B, nullptr, CtlComboInit, CtlComboRefresh, CtlComboCommand, nullptr, CtlWindowProc},
    {0x2F, nullptr, CtlOwnerListInit, nullptr, CtlListCommand, CtlOwnerListMessage, CtlWindowProc},
    {0x31, nullptr, CtlOwnerListInit, nullptr, CtlListCommand, CtlCheckListMessage, CtlWindowProc},
    {0x30, nullptr, CtlComboInit, CtlComboRefreshChanged, CtlComboCommand, CtlComboDrawItem, CtlWindowProc},
    {0x32, nullptr, CtlPresetListInit, nullptr, CtlPresetListCommand, CtlPresetListDrawItem, CtlWindowProc},
    // Edits.
    {0x3D, nullptr, CtlEditInit, CtlEditRefresh, CtlEditCommand, nullptr, CtlWindowProc},
    {0x3E, nullptr, CtlEditInit, CtlEditRefresh, CtlEditCommand, nullptr, CtlWindowProc},
    {0x3F, nullptr, CtlUnitEditInit, CtlUnitEditRefresh, CtlUnitEditCommand, CtlUnitEditMessage, CtlWindowProc},
    // Bars.
    {0x17, nullptr, CtlSpinBarInit, CtlSpinBarRefresh, nullptr, CtlSpinBarMessage, CtlWindowProc},
    {0x51, nullptr, CtlSpinBarInit, CtlSpinBarRefresh, nullptr, CtlSpinBarMessage, CtlWindowProc},
    {0x52, nullptr, CtlScrollBarInit, CtlScrollBarRefresh, nullptr, CtlScrollBarMessage, CtlWindowProc},
    {kKindPlusMinusBar, nullptr, CtlScrollBarInit, CtlPlusMinusBarRefresh, nullptr, CtlScrollBarMessage, CtlWindowProc},
    {0x55, nullptr, CtlTrackBarInit, CtlTrackBarRefresh, nullptr, CtlTrackBarMessage, CtlWindowProc},
    // Tab groups and the settings tree.
    {0x68, nullptr, CtlTabGroupsInit, nullptr, nullptr, CtlTabGroupsMessage, CtlWindowProc},
    {0x69, nullptr, CtlSettingsTreeInit, nullptr, nullptr, CtlSettingsTreeMessage, CtlWindowProc},
};
#undef KV_STATIC

constexpr bool KindsUnique() {
  for (int i = 0; i < CTL_KIND_ROWS; ++i)
    for (int j = i + 1; j < CTL_KIND_ROWS; ++j)
      if (kKinds[i].kind == kKinds[j].kind) return false;
  return true;
}
static_assert(KindsUnique(), "one row a kind");

HWND PageWindow(const DIALOG_DESC* page) { return page ? static_cast<HWND>(page->window) : nullptr; }

bool Hidden(const CONTROL_DESC* c) { return (c->state & STG_CONTROL_STATE_HIDDEN_MASK) == STG_CONTROL_STATE_HIDDEN; }

}  // namespace

const CONTROL_KIND* CtlGetKindTable() { return kKinds; }

const CONTROL_KIND* CtlFindKind(WORD kind) {
  for (const CONTROL_KIND& row : kKinds)
    if (row.kind == kind) return &row;
  return nullptr;
}

int CtlInitControl(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!control) return 0;
  if (DlgOfferUiHooks(ctx, page, control, DLG_HOOK_INIT_CONTROL, 0, 0) == 1) return 0;
  const CONTROL_KIND* row = CtlFindKind(control->kind);
  if (!row) return 0;
  HWND window = static_cast<HWND>(control->window);
  if (row->windowProc && window && !control->savedProc) {
    // The control is found again from its window by the subclass procedure.
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    control->savedProc =
        static_cast<ULONG_PTR>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(row->windowProc)));
  }
  return row->init ? row->init(ctx, page, control) : 0;
}

void CtlRefreshControl(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!control) return;
  if (DlgOfferUiHooks(ctx, page, control, DLG_HOOK_REFRESH_CONTROL, 0, 0) == 1) return;
  const CONTROL_KIND* row = CtlFindKind(control->kind);
  if (row && row->refresh) row->refresh(ctx, page, control);
}

INT_PTR CtlRunCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam) {
  if (!control) return 0;
  const CONTROL_KIND* row = CtlFindKind(control->kind);
  return row && row->command ? row->command(ctx, page, control, wParam, lParam) : 0;
}

INT_PTR CtlDispatchCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam,
                           LPARAM lParam) {
  if (!control) return 0;
  INT_PTR r = DlgOfferUiHooks(ctx, page, control, WM_COMMAND, wParam, lParam);
  if (!r && LOWORD(wParam) == control->controlId) r = CtlRunCommand(ctx, page, control, wParam, lParam);
  if (r && PageWindow(page)) PostMessageW(PageWindow(page), WM_PAINT, 0, 0);
  return r;
}

INT_PTR CtlRunMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam,
                      LPARAM lParam) {
  if (!control) return 0;
  // The minus/plus bar takes its clicks in its own window procedure.
  if (message == WM_LBUTTONDOWN && control->kind == kKindPlusMinusBar) return 0;
  const CONTROL_KIND* row = CtlFindKind(control->kind);
  return row && row->message ? row->message(ctx, page, control, message, wParam, lParam) : 0;
}

INT_PTR CtlDispatchMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message,
                           WPARAM wParam, LPARAM lParam) {
  if (!control) return 0;
  if (message == WM_RBUTTONDOWN && control->controlId == kPresetList) return 0;
  if (Hidden(control)) return 0;
  INT_PTR r = DlgOfferUiHooks(ctx, page, control, message, wParam, lParam);
  if (!r) r = CtlRunMessage(ctx, page, control, message, wParam, lParam);
  if (r && message != WM_DRAWITEM && message != WM_CTLCOLORLISTBOX && message != WM_CTLCOLORSCROLLBAR &&
      PageWindow(page))
    PostMessageW(PageWindow(page), WM_PAINT, 0, 0);
  return r;
}

INT_PTR CtlSelectComboByData(SETTING_CONTEXT* ctx, DIALOG_DESC* page, WORD controlId, DWORD value) {
  if (!page) return 0;
  CONTROL_DESC* control = nullptr;
  for (int i = 0; i < page->controlCount && !control; ++i)
    if (page->controls[i].controlId == controlId) control = &page->controls[i];
  if (!control || !control->window) return 0;
  HWND combo = static_cast<HWND>(control->window);
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (DWORD(SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0)) != value) continue;
    SendMessageW(combo, CB_SETCURSEL, WPARAM(i), 0);
    return CtlRunCommand(ctx, page, control, MAKEWPARAM(0, CBN_SELCHANGE), 0);
  }
  return count < 0 ? 0 : count;
}

WORD CtlNotifyCode(WPARAM wParam, LPARAM) { return HIWORD(wParam); }

int CtlIsFromWindow(WPARAM, LPARAM lParam, HWND window) { return reinterpret_cast<HWND>(lParam) == window ? 1 : 0; }

const WORD* CtlGetExtraData(const CONTROL_DESC* control, WORD tag) {
  if (!control || !control->extra) return nullptr;
  const WORD* words = static_cast<const WORD*>(control->extra);
  return words[0] == tag ? words : nullptr;
}

INT_PTR DlgOfferUiHooks(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam,
                        LPARAM lParam) {
  if (INT_PTR r = PgInitPageTexts(ctx, page, control, message)) return r;
  if (!ctx || !ctx->work || !ctx->work->modules) return 0;
  MODULE_VECTOR* v = ctx->work->modules;
  for (int32_t i = 0; i < v->count; ++i) {
    const FEATURE_MODULE& row = v->rows[i];
    if (!row.message) continue;
    if (INT_PTR r = row.message(ctx, page, control, message, wParam, LONG_PTR(lParam), row.privateData)) return r;
  }
  return 0;
}
