// The sub-dialog launcher, the settings-file dialogs and the context help of controls.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;

// Opens a driver dialog (mode 4: a single modal dialog): its end code, or a negative failure.
int DlgOpenSubDialog(SETTING_CONTEXT* ctx, WORD mode, WORD dialogId, HWND owner);
// Clears the resolve guard when `force` is non-zero or the message ends the resolving dialog.
void DlgClearResolveGuard(SETTING_CONTEXT* ctx, UINT message, WPARAM wParam, LPARAM lParam, int force);
// Context help for one control of a dialog (WM_HELP, WM_CONTEXTMENU).
void DlgShowControlHelp(HWND dialog, HWND control, UINT message);
// 1 when the file can be opened for reading, else 0.
int DlgFileExists(const WCHAR* path);
