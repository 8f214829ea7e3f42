// The hint pop-up of the controls and the information marks beside disabled controls.
#pragma once
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct CONTROL_DESC;

// Prepares the hint of the control at (x, y) of `window`'s client area; none closes the hint.
void CtlUpdateHint(SETTING_CONTEXT* ctx, CONTROL_DESC* control, HWND window, int x, int y);
// Paints the hint window once.
void CtlPaintHintWindow(SETTING_CONTEXT* ctx);
