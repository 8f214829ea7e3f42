// Owner-draw operations and picture hot spots.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
INT_PTR CtlPictureClickNext(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);
// The work area's paint DC while one is set, else the window's own clipped to its client area.
HDC CtlGetPaintDc(SETTING_CONTEXT* ctx, HWND window);
// Releases a DC of CtlGetPaintDc (nothing while the work area holds a paint DC).
void CtlReleasePaintDc(SETTING_CONTEXT* ctx, HWND window, HDC dc);
// A button face in the rectangle (style low 4 bits: 2 double 3D frame, 4 arrow pictures) with the
// caption of the work area's caption id when a window is given: the caption's width (0 without window).
int CtlPaintButtonFace(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, HWND window, HDC dc,
                       const RECT* rect, int style, int pressed, int focused);
// Caption id := the string id of the control's caption row, 0 without one.
void CtlLoadCaptionId(SETTING_CONTEXT* ctx, CONTROL_DESC* control);
// Caption id := 0.
void CtlClearCaptionId(SETTING_CONTEXT* ctx);
