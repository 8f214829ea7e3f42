// Edit and unit edit controls.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
int CtlEditInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlEditRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlEditCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
int CtlUnitEditInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlUnitEditRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlUnitEditCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
INT_PTR CtlUnitEditMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
