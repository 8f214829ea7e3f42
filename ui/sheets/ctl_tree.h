// The settings tree and the tab groups.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
int CtlSettingsTreeInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlSettingsTreeMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlTabGroupsInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlTabGroupsMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
