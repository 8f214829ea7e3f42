// The input script of the commands that run a dialog or a property sheet (--script FILE): the text form of
// the platform's scripted input (kvplat/uiscript.h), one action a line, played in order wherever the
// dialog waits for the user. Blank lines and lines starting with '#' are skipped. Control ids are decimal,
// 0x-hexadecimal or a button name (IDOK, IDCANCEL, IDYES, ...).
//
//   click ID [X Y]          button down and up on the control (at a point of its client area)
//   press ID / release      hold the button down on the control / let it go
//   mouse ID MESSAGE X Y [KEYS]   one mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN, ...) with MK_* keys
//   type ID TEXT            focus the control and type the rest of the line ("quotes" keep outer spaces)
//   paste ID TEXT           put the text on the clipboard and paste it into the control (the context menu)
//   key ID KEY              a key down and up: RETURN, ESCAPE, TAB, SPACE, LEFT, RIGHT, UP, DOWN, HOME,
//                           END, PRIOR, NEXT, DELETE, BACK, F1 or a number (ID 0: the focus window)
//   select ID INDEX|TEXT    pick an item of a list, combo, tab or tree by index or by its text
//   ok / cancel             the active window's OK / Cancel
//   answer ANSWER           the answer of the next message box (ok, cancel, yes, no, abort, retry, ignore)
//   advance MS              advance the virtual clock, firing every timer that falls due
//   picture FILE            write a PNG picture of the active window
//   page ID                 bring the page made from dialog ID to the front of the active property sheet
//   apply                   apply the active property sheet (as its Apply button does)
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace kvhost::input {

// One line of a script: its number, action word and arguments as written.
struct Action {
  int line = 0;
  std::string verb;
  std::vector<std::string> args;
  std::string rest;  // the text after the control id (type, select)
};

struct Script {
  std::vector<Action> actions;
};

// Reads a script text. False with a message naming the line for an unknown action or bad arguments.
bool Parse(const std::string& text, Script* out, std::string* error);

// What a played script met: the line being played, and pictures written.
struct Progress {
  int line = 0;
  std::vector<std::string> notes;  // "wrote FILE (W x H)" and failures of picture actions
  std::string pictureError;        // the first action that found no target of its own (picture, page, apply)
};

// Queues the script's actions on the platform's scripted input (after anything already queued). The
// progress record must outlive the run.
void Queue(const Script& script, const std::shared_ptr<Progress>& progress);

// After the run: empty when every action found its target, else a message naming the failing line.
std::string Failure(const Progress& progress);

}  // namespace kvhost::input
