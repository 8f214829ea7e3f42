// Buttons, check boxes, radio buttons and static texts.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

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
