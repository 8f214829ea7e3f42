// The dialog procedure of every driver dialog: the pages of both sheets and the modal sub-dialogs. It
// binds the dialog to its DIALOG_DESC, initialises and routes to the controls, closes modal dialogs,
// checks a page's rules on OK and apply, saves presets from the save buttons and fits a page that is
// too large.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;

// Private messages of the driver dialogs.
constexpr UINT DLG_MSG_SHOW_ALERT = 0x8001;       // wParam control id, lParam alert row
constexpr UINT DLG_MSG_DUPLICATE_NAME = 0x8004;   // handled by the feature modules
constexpr UINT DLG_MSG_FIT_AND_SHOW = 0x8006;     // posted at the end of WM_INITDIALOG
constexpr WORD DLG_CMD_PRESS_OK = 0x8003;         // press the sheet's OK button

// Item size of an owner-drawn list or combo; a size of 0 leaves that dimension as the system gave it.
struct MEASURE_ROW {
  WORD controlId;  // 0 ends the table
  WORD itemWidth;
  WORD itemHeight;
};

INT_PTR DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Shrinks the page's children in proportion when they reach beyond its client area (less 3), shows the
// children that are not controls, enables the page and lays it out.
void PgFitAndShow(SETTING_CONTEXT* ctx, HWND page);
// 1 when any setting carries a change mark.
int DlgAnyChangeMarks(SETTING_CONTEXT* ctx);
void DlgClearChangeMarks(SETTING_CONTEXT* ctx);
// 1 for the file and folder dialogs.
int DlgIsFileDialog(const DIALOG_DESC* dialog);
int DlgIsNotFileDialog(const DIALOG_DESC* dialog);
// The measure row of the control id, none when none.
const MEASURE_ROW* CtlFindMeasureRow(WORD controlId);
