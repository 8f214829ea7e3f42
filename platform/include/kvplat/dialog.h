// Dialogs built from templates in resource modules, message boxes and the help viewer.
//
// A dialog is a window of the dialog class ("#32770") whose controls come from the template's items,
// placed in dialog units (horizontal units are a quarter of the base width, vertical an eighth of the
// base height of the dialog's font; the platform's font gives 6 x 13 pixels). Its dialog procedure sees
// every message first; answering FALSE leaves the message to the dialog class's own handling.
#pragma once
#include "kvplat/controls.h"

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDCLOSE 8
#define IDHELP 9

#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_CONTROL 0x400L
#define DS_CENTER 0x800L
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

// DialogBoxParamW: builds the dialog of template `name` in `instance`, disables the owner, sends
// WM_INITDIALOG (lParam = `param`; a TRUE answer puts the focus on the first control that takes it), shows
// it and runs its own message loop until EndDialog; then destroys it, enables the owner again and returns
// EndDialog's result. -1 with ERROR_RESOURCE_NAME_NOT_FOUND (or the lookup's error) for a missing template,
// ERROR_INVALID_DATA for a damaged one, ERROR_TIMEOUT when the loop had nothing left to wait for (the
// scripted input ran out, see kvplat/uiscript.h).
KVAPI INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param);
KVAPI INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param);
// CreateDialogParamW: the same dialog, modeless: returns its window after WM_INITDIALOG (null on failure
// as above); a null procedure gives a dialog of the class's own handling only.
KVAPI HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param);
KVAPI HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* tmpl, HWND parent, DLGPROC proc, LPARAM param);
// EndDialog: ends a modal dialog's loop with `result` (the dialog is hidden at once and destroyed when its
// loop ends); FALSE with ERROR_INVALID_WINDOW_HANDLE for a window that is not a dialog.
KVAPI BOOL EndDialog(HWND dialog, INT_PTR result);
KVAPI LRESULT DefDlgProcW(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
KVAPI BOOL IsDialogMessageW(HWND dialog, MSG* msg);
KVAPI HWND GetDlgItem(HWND dialog, int id);
KVAPI UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int count);
KVAPI BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
KVAPI UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
KVAPI BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
KVAPI BOOL CheckDlgButton(HWND dialog, int id, UINT check);
KVAPI UINT IsDlgButtonChecked(HWND dialog, int id);
KVAPI BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
KVAPI LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
KVAPI HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
KVAPI HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
KVAPI BOOL MapDialogRect(HWND dialog, RECT* rect);
KVAPI LONG GetDialogBaseUnits(void);

// Message boxes.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0L
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L

// MessageBoxW: a modal box with the text, the caption (null: "Error") and the buttons of `type`, owned by
// `owner` (disabled meanwhile). The answer is the id of the button pressed (IDOK, IDCANCEL, IDYES, ...),
// taken from the scripted input (an Answer action, or a click or key aimed at the box). 0 with
// ERROR_INVALID_PARAMETER for an unknown button set, ERROR_TIMEOUT when the script had no answer; an
// answer that names no button of the box is an error of the script and answers 0 likewise. Every box
// shown is recorded (kvp::ui::MessageBoxLog).
KVAPI int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// The help viewer: every call is recorded (kvp::ui::HelpLog); nothing is shown.
#define HELP_CONTEXT 0x0001L
#define HELP_QUIT 0x0002L
#define HELP_CONTENTS 0x0003L
#define HELP_CONTEXTPOPUP 0x0008L
#define HELP_FINDER 0x000BL
#define HELP_WM_HELP 0x000CL
#define HELP_CONTEXTMENU 0x000AL
#define HELP_SETPOPUP_POS 0x000DL
KVAPI BOOL WinHelpW(HWND hwnd, LPCWSTR helpFile, UINT command, ULONG_PTR data);
