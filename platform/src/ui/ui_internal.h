// The window core's own records: classes, windows, the queue, timers, the script, drawing surfaces.
// Everything runs on the UI thread; nothing here is locked.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/paint.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"

namespace kvp::ui {

struct Class {
  std::u16string name;
  ATOM atom = 0;
  WNDCLASSEXW desc{};  // as registered, without its name
  bool standard = false;
  ControlKind kind = ControlKind::kNone;
};

// What a control keeps besides the window's own fields.
struct ControlData {
  virtual ~ControlData() = default;
};

struct Window {
  HWND h = nullptr;
  Class* cls = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0, exStyle = 0;
  LONG_PTR id = 0, userData = 0;
  HINSTANCE instance = nullptr;
  Window* parent = nullptr;  // children only
  HWND owner = nullptr;      // pop-ups and overlapped windows
  std::vector<Window*> children;  // z-order, top first
  RECT rect{};  // window rectangle: in the parent's client coordinates for a child, else on the screen
  std::u16string text;
  HFONT font = nullptr;
  std::vector<uint8_t> extra;
  std::unique_ptr<ControlData> data;
  bool dead = false;
  int pins = 0;
  bool invalid = false, erase = false;
  RECT update{};
  // Dialogs.
  bool dialog = false, messageBox = false, ended = false;
  INT_PTR result = 0;
  UINT boxType = 0;
};

// Keeps a window's record alive while the core works on it, even when a procedure destroys it meanwhile.
class Pin {
 public:
  explicit Pin(Window* w);
  ~Pin();
  Pin(const Pin&) = delete;
  Pin& operator=(const Pin&) = delete;

 private:
  Window* w_;
};

// Lookups. FromHandle sets ERROR_INVALID_WINDOW_HANDLE for a null or dead handle.
Window* FromHandle(HWND h);
Window* Peek(HWND h);  // no error set
Window* Desktop();
LRESULT Send(Window* w, UINT msg, WPARAM wp, LPARAM lp);
void Notify(Window* ctl, UINT code);  // WM_COMMAND(id, code) to the parent
LRESULT NotifyHdr(Window* ctl, UINT code, NMHDR* hdr);  // WM_NOTIFY to the parent
Window* TopLevelOf(Window* w);
std::vector<Window*> Descendants(Window* w);  // depth first, z-order
Window* FindDescendantById(Window* root, int id);
bool Visible(Window* w);  // itself and all ancestors
bool Enabled(Window* w);
POINT ClientOrigin(Window* w);  // the client area's top-left corner on the screen
RECT ClientInsets(Window* w);   // frame widths around the client area
RECT ClientRect(Window* w);     // (0, 0, width, height)
RECT ScreenRect(Window* w);
void InvalidateAll(Window* w);
bool ModalActive();

// Standard classes (control procedures) and their registration.
void RegisterStandardClasses();
Class* FindClass(std::u16string_view name, HINSTANCE instance);
Class* FindClassByAtom(ATOM atom);

LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TrackBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TabProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TreeProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListViewProc(HWND, UINT, WPARAM, LPARAM);

// A user's pick of item `index` (or of the item with `text` when index < 0) in a list, combo, tab, tree or
// track bar, with the notifications a user's pick sends. False (with a reason) when there is no such item.
bool UserSelect(Window* w, int index, std::u16string_view text, std::string* why);
// The same for the scroll bar, track bar, tab control and tree view (a position for the bars).
bool UserSelectBar(Window* w, int index, std::u16string_view text, std::string* why);

// The queue.
bool QueueEmpty();
void DropMessagesOf(HWND h);
void KillTimersOf(HWND h);
void ForgetQueue();
ULONGLONG NextTimerDue(bool* any);
ULONGLONG Now();

// The script: runs the next action when a loop would wait; false when there is none.
bool ScriptStep();
bool ScriptEmpty();
// The window a scripted press left the button down on (cleared), or null.
HWND ScriptTakeHeld();
void ScriptFail(const std::string& why);
void RecordMessageBox(const MessageBoxRecord& r);
void RecordBeep();
void RecordHelp(const HelpRecord& r);
// The modal windows, innermost last (dialog loops and message boxes).
std::vector<HWND>& ModalStack();
Window* ActiveTarget();
// One modal loop: runs until `w` has ended; -1 with ERROR_TIMEOUT when there was nothing left to wait for.
INT_PTR RunModal(Window* w);

// Drawing.
struct Surface {
  int width = 0, height = 0;
  std::vector<uint32_t> px;  // 0x00RRGGBB
};
HDC MakeDc(HWND hwnd, Surface* surface, POINT origin, RECT clip);
void FreeDc(HDC hdc);
bool DcValid(HDC hdc);
// The render in progress (DrawWindow): where a window's client area and whole window lie on the surface.
bool RenderTarget(HWND hwnd, bool whole, Surface** surface, POINT* origin, RECT* clip);
HFONT DefaultFont();
int FontHeight(HFONT f);
int TextWidth(HFONT f, std::u16string_view s);
COLORREF SysColor(int index);
// Frames and fills the controls share.
void FillSolid(HDC dc, RECT r, COLORREF c);
void Edge3d(HDC dc, RECT r, bool sunken);
void DrawTextIn(HDC dc, std::u16string_view text, RECT r, UINT format, COLORREF colour);
void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y);
// A bitmap's size, for a resource bitmap or one made by drawing calls; false for neither.
bool BitmapExtent(HBITMAP bitmap, int* width, int* height);
// A window's frame and caption, drawn with a DC onto the whole window.
void PaintFrame(Window* w, HDC dc);

// Dialog units in pixels.
constexpr int kBaseX = 6, kBaseY = 13;

}  // namespace kvp::ui
