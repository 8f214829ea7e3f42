// Buttons, check boxes, radio buttons and static texts.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// The extra record of a two-line summary button (tag 9): two caption strings and a separator line.
#pragma pack(push, 2)
struct CAPTION_RECORD {
  WORD tag;  // 9
  WORD firstId;
  WORD secondId;
  DWORD separator;  // non-zero: a line between the captions
};
#pragma pack(pop)
static_assert(sizeof(CAPTION_RECORD) == 10 && offsetof(CAPTION_RECORD, separator) == 6);
// The control's caption record, none when its extra data is something else.
const CAPTION_RECORD* CtlGetCaptionRecord(const CONTROL_DESC* control);

// The subclass procedure of owner-drawn buttons: CtlWindowProc while the window carries its control.
LRESULT CtlButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Kind handlers (the slots of the control-kind table).
INT_PTR CtlCheckBoxClick(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
void CtlCheckBoxRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlCheckBoxCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
INT_PTR CtlRadioClick(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
void CtlRadioRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlRadioCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
int CtlSummaryButtonInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
int CtlCaptionButtonInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlSummaryButtonCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
INT_PTR CtlSummaryButtonMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
void CtlStaticRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
