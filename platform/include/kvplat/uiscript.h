// Scripted input and pictures of windows, for tests and for the host program.
//
// The window core runs without a screen. Where a program would wait for the user (a modal dialog's loop,
// a message box, GetMessageW, a polling PeekMessageW loop), the platform instead takes the next action of
// the script queued here. Actions name their target by control id inside the active window (the modal
// dialog or message box on top, else the focus window's top-level window); an action whose target does not
// exist is an error: it is recorded (ScriptErrors), the rest of the script is dropped, and the waiting loop
// then ends with ERROR_TIMEOUT, never hangs and never goes on silently.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "kvplat/window.h"

namespace kvp::ui {

// Queue actions, in the order they are to happen.
void ScriptClick(int controlId);                  // button down and up at the control's centre
void ScriptClickAt(int controlId, POINT client);  // ... at a point of its client area
// A held press: the button goes down on the control and stays down until ScriptRelease (the virtual clock
// may be advanced meanwhile). A polling loop left waiting with the button still down gets it released,
// and that is an error of the script.
void ScriptPress(int controlId);
void ScriptRelease();
// One mouse message (WM_MOUSEMOVE, WM_LBUTTON*, WM_RBUTTON*) with its key flags (MK_*) at a point of the
// control's client area, routed like real input.
void ScriptMouse(int controlId, UINT message, WPARAM keys, POINT client);
void ScriptType(int controlId, std::u16string_view text);  // focus the control, then one WM_CHAR each
// Put the text on the clipboard and paste it into the control, as an edit's context menu does.
void ScriptPaste(int controlId, std::u16string_view text);
void ScriptKey(int controlId, UINT virtualKey);   // key down and up (0: the focus window)
// Select an item the way a user picks it (list, combo, tab, tree): by index or by its text.
void ScriptSelect(int controlId, int index);
void ScriptSelectText(int controlId, std::u16string_view text);
void ScriptPressOk();      // the active window's IDOK button (or the command without a button)
void ScriptPressCancel();  // the active window's IDCANCEL
// The answer (IDOK, IDYES, ...) of the next message box; a box met without one is an error.
void ScriptAnswer(int answer);
// Advance the virtual clock (it is switched on) by `ms`, stopping at each timer on the way so that every
// timer fires as often as it falls due.
void ScriptAdvance(unsigned ms);
// Run any code at this point of the script (tests look inside a modal dialog with it).
void ScriptCall(std::function<void()> fn);

// Runs the message loop until the queue is idle and the script is empty (a modeless dialog's user). Returns
// false when an action found no target.
bool RunUntilIdle();
// Actions still queued, the errors met so far (texts name the action and the target), and a fresh start.
size_t ScriptPending();
std::vector<std::string> ScriptErrors();
void ScriptReset();

// What the platform recorded.
struct MessageBoxRecord {
  std::u16string text, caption;
  UINT type = 0;
  int answer = 0;
};
std::vector<MessageBoxRecord> MessageBoxLog();
struct HelpRecord {
  HWND hwnd = nullptr;
  std::u16string file;
  UINT command = 0;
  ULONG_PTR data = 0;
};
std::vector<HelpRecord> HelpLog();
unsigned BeepCount();
// The text the edits cut, copy and paste (the clipboard keeps no other form).
void SetClipboardText(std::u16string_view text);
std::u16string ClipboardText();
void ClearLogs();

// Pictures. A window (with its frame, caption and every visible descendant, each painting itself through
// WM_NCPAINT, WM_ERASEBKGND and WM_PAINT) drawn into a top-down 32-bit BGRA picture of its window size.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, row after row
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
bool DrawWindow(HWND hwnd, Picture* out);
// Writes the picture as an 8-bit RGB PNG file at a host path; false (with a reason in *error) when it
// cannot be written.
bool WritePng(const Picture& picture, const std::string& hostPath, std::string* error = nullptr);

// The template ids of the pages of a running property sheet, in tab order (-1 for a page named by text);
// empty when the window is not a running sheet.
std::vector<int> SheetPageIds(HWND sheet);

// Destroys every window left and forgets classes registered by programs, timers, queued messages and the
// script (tests call it between cases).
void ResetWindows();
// Live windows (tests use it to show nothing leaks).
size_t WindowCount();

}  // namespace kvp::ui
