// The control window procedure: the procedure every driver control is subclassed with, and the
// search of the control under a point.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

LRESULT CtlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The control of the page whose window holds the screen point (last control first), none when none.
CONTROL_DESC* CtlHitTestControl(DIALOG_DESC* page, int x, int y);
