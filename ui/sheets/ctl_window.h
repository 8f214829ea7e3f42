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
// 1 when the character may be typed into a unit edit: a digit, backspace or the language's decimal
// separator (',' when rdmLanguageID is 2-15, else '.').
int CtlIsNumericChar(SETTING_CONTEXT* ctx, WCHAR character);
// One step of an auto-repeat button: each control its step record names gets its value plus the step,
// held in its numeric range, without a rule check. 1.
int CtlRunStepButton(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* button);
