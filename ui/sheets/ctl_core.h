// The control core of the sheets: the control-kind table that names each kind's handlers and window
// procedure, the dispatchers that run them, and the chain of UI hooks through which the feature
// modules see every control event first.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

typedef int (*CTL_INIT_FN)(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
typedef void (*CTL_REFRESH_FN)(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
typedef INT_PTR (*CTL_COMMAND_FN)(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam,
                                  LPARAM lParam);
typedef INT_PTR (*CTL_MESSAGE_FN)(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message,
                                  WPARAM wParam, LPARAM lParam);

// One kind of control: its handlers (any may be none) and the procedure its window is subclassed with.
struct CONTROL_KIND {
  WORD kind;
  CTL_MESSAGE_FN pictureClick;
  CTL_INIT_FN init;
  CTL_REFRESH_FN refresh;
  CTL_COMMAND_FN command;
  CTL_MESSAGE_FN message;
  WNDPROC windowProc;
};
constexpr int CTL_KIND_ROWS = 34;

// Codes the UI hooks receive besides window messages.
constexpr UINT DLG_HOOK_INIT_CONTROL = 272;     // WM_INITDIALOG for one control
constexpr UINT DLG_HOOK_REFRESH_CONTROL = 15;   // WM_PAINT for one control
constexpr UINT DLG_HOOK_FOCUS_FAULT = 0x8007;   // after a refused change or a failed preset save

// The table (CTL_KIND_ROWS rows).
const CONTROL_KIND* CtlGetKindTable();
// The row of a kind, none when none.
const CONTROL_KIND* CtlFindKind(WORD kind);
// Offers code 272 to the hooks (an answer of exactly 1 ends here); else subclasses the window once
// (its user data := the control) and runs the kind's init handler. The handler's result, else 0.
int CtlInitControl(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
// Offers code 15 to the hooks; unless one answers exactly 1, the kind's refresh handler.
void CtlRefreshControl(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
// The kind's command handler's result, 0 without one.
INT_PTR CtlRunCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
// The hooks, then (for a command of this control) CtlRunCommand; a non-zero result repaints the page.
INT_PTR CtlDispatchCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam,
                           LPARAM lParam);
// The kind's message handler's result, 0 without one (and for WM_LBUTTONDOWN of a minus/plus bar).
INT_PTR CtlRunMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam,
                      LPARAM lParam);
// 0 for a hidden control and for a right button down on the preset list; else the hooks, then
// CtlRunMessage. A non-zero result repaints the page, except for owner drawing and colour answers.
INT_PTR CtlDispatchMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message,
                           WPARAM wParam, LPARAM lParam);
// Selects the first combo item whose item data equals the value and runs the control's command with
// CBN_SELCHANGE: its result; 0 without the control, the item count when no item carries the value.
INT_PTR CtlSelectComboByData(SETTING_CONTEXT* ctx, DIALOG_DESC* page, WORD controlId, DWORD value);
// The notification code of a WM_COMMAND.
WORD CtlNotifyCode(WPARAM wParam, LPARAM lParam);
// 1 when a scroll message came from `window`.
int CtlIsFromWindow(WPARAM wParam, LPARAM lParam, HWND window);
// The control's extra data when its tag is `tag`, else none.
const WORD* CtlGetExtraData(const CONTROL_DESC* control, WORD tag);
// The page-text hook, then each feature module's message handler in table order: the first non-zero
// answer, else 0. The context, page and control may be none.
INT_PTR DlgOfferUiHooks(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam,
                        LPARAM lParam);
