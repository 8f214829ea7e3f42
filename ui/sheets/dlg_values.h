// Value, text and lookup operations of the sheets: a control's setting read and written through its
// setting row, texts of settings behind control ids, dialogs and controls found by their windows, the
// display text of a setting's value, the authentication and lock settings, and a few environment checks.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct CONTROL_DESC;
struct DIALOG_DESC;

// A display string for an option value that is not a string id itself.
struct VALUE_TEXT_ROW {
  WORD optionValue;  // 0 ends the table
  WORD stringId;
};
constexpr int DLG_VALUE_TEXT_ROWS = 57;
// The table with its end row.
const VALUE_TEXT_ROW* DlgGetValueTextTable();

// Resource strings of the value texts.
constexpr WORD DLG_STR_TRUE = 370;
constexpr WORD DLG_STR_FALSE = 371;
constexpr WORD DLG_STR_NO_VALUE = 96;
constexpr WORD DLG_STR_STAMP_TEXT = 60411;  // the three kinds of rdmWmKind
constexpr WORD DLG_STR_STAMP_IMAGE = 60412;
constexpr WORD DLG_STR_STAMP_COMBINED = 60413;
// The name edits of the stamp dialog, by stamp kind 1-3.
constexpr WORD DLG_STAMP_NAME_EDITS[3] = {2310, 2339, 2584};

// The option value of the control's setting; 0 for a control without one.
DWORD CtlGetValue(SETTING_CONTEXT* ctx, const CONTROL_DESC* control);
// Writes the option value into the control's setting (no rule check).
void CtlSetValue(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, DWORD value);
// The stored text of the setting behind the first control with that id in any dialog (the window is not
// read, so the dialog need not be open). `buffer` holds the setting's length + 1 characters. Non-zero
// when copied; 0 when there is no such control or its setting is not text.
int CtlGetTextById(SETTING_CONTEXT* ctx, WORD controlId, WCHAR* buffer);
// Stores the text into that setting (cut to its room). Non-zero when stored; 0 without such a control.
int CtlSetTextById(SETTING_CONTEXT* ctx, WORD controlId, const WCHAR* text);
// The 16-bit value an option entry of a rule node stands for: the option's value for pick-one and
// pick-many nodes, the entry's first word for string nodes, 0 for other nodes. itemOut (or none) :=
// the first Item row of the node's rule row when the value is non-zero and there is one, else none.
WORD CtlOptionValue(const void* node, const void* option, const void** itemOut);

// The dialog whose open window is `window`; none when none.
DIALOG_DESC* PgFindByWindow(SETTING_CONTEXT* ctx, HWND window);
// The control of the dialog (of all dialogs in table order for none) whose window is `window`.
CONTROL_DESC* CtlFindByWindow(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, HWND window);

// The display text of the value of the setting with that UI item key, within capacity characters:
// pick values by their string (a value-text row first), booleans, lengths in the display unit with
// its unit text, texts, the stamp kinds and names; any other value as a number.
void DlgFormatValueText(SETTING_CONTEXT* ctx, WORD key, WCHAR* buffer, int capacity);

// Authentication information present, of the mask's values: 1 user name, 2 password, 4 network key
// (only in secure mode); 0 when authentication is off.
WORD DlgAuthInfoPresent(SETTING_CONTEXT* ctx, WORD mask);
// The stored value of rdmLockInfoLockInfo.
DWORD DlgLockInfo(SETTING_CONTEXT* ctx);
// Gives every child of `window` its class's window procedure back while a window of an application
// that replaces the standard controls' procedures is open; nothing otherwise.
void DlgResetChildWindowProcs(SETTING_CONTEXT* ctx, HWND window);
// 1 when the process's main module is "explorer.exe" in the Windows folder (whole path, without case).
int DlgIsExplorerHost();
// 1 when the printer's PRINTER_INFO_2 holds a DEVMODE; 0 when not or when it cannot be read.
int DlgPrinterHasDevmode(HANDLE printer);
// The installation switch of index 1-8 (1 for the pack installation, index 1); 0 outside 1-8.
int DlgFeatureSwitch(int index);
// 0: the chapter lists show the tray-usage marks.
int CtlUseAltTrayMark();
