// Message boxes of the interface library outside the rules' alerts, composed from resource strings
// (caption, message with its inserts, free texts before and after), the box with the system's text
// of an error code, the modeless wait window of the device query, and the small accessors used around
// them.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;

// The wait window: its dialog template in the resource library and the control that shows the text.
constexpr WORD DLG_WAIT_DIALOG_ID = 4006;  // QDV_IDD_DLG_STATUS
constexpr int DLG_WAIT_TEXT_ID = 5005;
// The message the device query shows in it.
constexpr WORD DLG_WAIT_QUERY_MESSAGE = 7001;

// Insert kinds.
constexpr WORD MSG_INSERT_TEXT = 1;     // one text
constexpr WORD MSG_INSERT_NUMBERS = 2;  // 1-8 numbers
constexpr WORD MSG_MAX_NUMBERS = 8;

// A message box request, filled on the caller's stack.
struct MSG_REQUEST {
  WORD messageId;        // resource string of the message or of its format
  WORD captionId;        // 0: the printer name is the caption
  WORD iconFlags;        // MessageBoxW icon bits
  WORD buttonFlags;      // MessageBoxW button bits
  const WCHAR* textBefore;  // or none
  WORD insertKind;       // MSG_INSERT_TEXT or MSG_INSERT_NUMBERS; 0 with an insert refuses the request
  WORD numberCount;      // numbers of a MSG_INSERT_NUMBERS insert (above 8: only the first is used)
  const void* insert;    // none, a wide text (kind 1) or an array of WORD numbers (kind 2)
  const WCHAR* textAfter;   // or none
};

// Shows the composed box: [text before, empty line] message [empty line, text after, empty line].
// Returns what MessageBoxW answered; 0 when the request is refused (none, an insert without kind, kind 2
// without numbers) or memory is short (nothing is shown then).
int DlgComposeMessage(SETTING_CONTEXT* ctx, const MSG_REQUEST* request, HWND owner);
// The message alone with that icon and buttons, captioned with the printer name. A none owner becomes
// the active window in these five.
int DlgShowMessageBox(SETTING_CONTEXT* ctx, HWND owner, WORD messageId, WORD icon, WORD buttons);
// With MB_ICONEXCLAMATION.
int DlgWarn(SETTING_CONTEXT* ctx, HWND owner, WORD messageId, WORD buttons);
int DlgWarnOk(SETTING_CONTEXT* ctx, HWND owner, WORD messageId);
int DlgAskOkCancel(SETTING_CONTEXT* ctx, HWND owner, WORD messageId);
// The message is a format with one text placeholder that receives `text`; MB_ICONEXCLAMATION, MB_OK.
int DlgWarnWithText(SETTING_CONTEXT* ctx, HWND owner, WORD messageId, const WCHAR* text);

// Shows the system's text of an error code captioned with the printer name (MB_ICONEXCLAMATION);
// nothing when the system has no text for it. Always 1.
int DlgShowSystemError(SETTING_CONTEXT* ctx, DWORD errorCode, HWND owner);

// Creates the modeless wait window (no dialog procedure) over the active window: title the printer
// name, text the decorated message (held in the work area's text buffer). Its window, or none.
HWND DlgShowWaitBox(SETTING_CONTEXT* ctx, HWND owner, WORD messageId);
// Destroys the wait window; what DestroyWindow answered.
BOOL DlgCloseWaitBox(void* ownerInfo, HWND window);

// The context's printer name (the installation code's caption); the buffer is not written.
const WCHAR* DlgCaption(WCHAR* buffer, SETTING_CONTEXT* ctx);
// dest := the printer's name when it fits in capacity characters (else unchanged). Returns dest.
WCHAR* DlgGetPrinterName(HANDLE printer, WCHAR* dest, DWORD capacity);
// buffer := the Windows folder, or empty when it does not fit in capacity characters. Always 1.
int DlgWindowsDirectory(WCHAR* buffer, UINT capacity);
