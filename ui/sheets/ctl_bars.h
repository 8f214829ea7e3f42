// Spin bars, scroll bars, minus/plus bars and the track bar.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
int CtlSpinBarInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlSpinBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlSpinBarMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlScrollBarInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlScrollBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlPlusMinusBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlScrollBarMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlTrackBarInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlTrackBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlTrackBarMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
// Paints a minus/plus bar: the two boxes, the thumb and the track picture its scroll steps name.
void CtlPaintPlusMinusBar(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, int plusOnLeft);
