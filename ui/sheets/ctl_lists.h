// Combo and list controls: filling, selecting the current value, taking the user's choice, and the
// owner-drawn items.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
int CtlComboInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlComboRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlComboRefreshChanged(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlComboCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
INT_PTR CtlComboDrawItem(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlListInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlListRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlListCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
int CtlOwnerListInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlOwnerListMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CtlCheckListMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlPresetListInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlPresetListCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
INT_PTR CtlPresetListDrawItem(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
