// The sub-dialog launcher, the settings-file dialogs and the context help of controls.
#pragma once
#include "kvplat/filedialog.h"
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;

// Module events of a sub-dialog's end; the argument is its DIALOG_DESC.
constexpr DWORD DLG_EVENT_SUBDIALOG_ROLLED_BACK = 34;
constexpr DWORD DLG_EVENT_SUBDIALOG_KEPT = 35;
// Buttons of the file dialogs' templates: the confirmed action the launcher carries out.
constexpr WORD DLG_FILE_SAVE = 5001, DLG_FILE_LOAD = 5002, DLG_FILE_DELETE = 5003;

// A file dialog's request: the record the platform reads and its four text areas (file name, initial
// folder, title, filter), allocated zero-filled as one block.
constexpr int DLG_FILE_TEXT = 1025;
struct DLG_FILE_REQUEST {
  OPENFILENAMEW ofn;
  WCHAR file[DLG_FILE_TEXT];
  WCHAR folder[DLG_FILE_TEXT];
  WCHAR title[DLG_FILE_TEXT];
  WCHAR filter[DLG_FILE_TEXT];
};
static_assert(sizeof(OPENFILENAMEW) == 152 && offsetof(DLG_FILE_REQUEST, file) == 152 &&
              sizeof(DLG_FILE_REQUEST) == 152 + 4 * 2 * DLG_FILE_TEXT);

// Opens a driver dialog under a settings snapshot: mode 4 a single modal dialog, a mode with any of bits
// 0x10-0x80 the nested sheet of the pages of that kind (dialog id: the start page); a file dialog by its
// kind. The dialog's end code (the sheet's result, the file dialog's answer or the save's result); 0 when
// the dialog is not in the table or no snapshot could be taken; -1 without the resource library.
// Accepted, the changes stay (event 35; the owner page is marked changed and laid out); otherwise they
// are rolled back (event 34).
int DlgOpenSubDialog(SETTING_CONTEXT* ctx, WORD mode, WORD dialogId, HWND owner);
// The hook of every file and folder dialog the launcher opens: checks the typed names, asks before
// replacing or deleting, stores the folder of intermediate files and leaves the confirmed action.
UINT_PTR DlgFileDialogHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Clears the resolve guard when `force` is non-zero or the message ends the resolving dialog.
void DlgClearResolveGuard(SETTING_CONTEXT* ctx, UINT message, WPARAM wParam, LPARAM lParam, int force);
// Context help for one control of a dialog (WM_HELP, WM_CONTEXTMENU).
void DlgShowControlHelp(HWND dialog, HWND control, UINT message);
// 1 when the file can be opened for reading, else 0.
int DlgFileExists(const WCHAR* path);
// 1 when the file is one of the printer's preset or quality files (full paths compared without regard
// to case; no file is written), else 0.
int DlgIsSettingsFileInUse(SETTING_CONTEXT* ctx, const WCHAR* file);
