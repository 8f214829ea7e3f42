// Scripted input: the actions a test or the host queues, taken one at a time when a loop would wait, and
// the modal loop that dialogs and message boxes run.
#include <cstdio>

#include "kvplat/time.h"
#include "ui_internal.h"

namespace kvp::ui {
namespace {

enum class Act { kClick, kPress, kRelease, kMouse, kType, kPaste, kKey, kSelect, kOk, kCancel, kAnswer, kAdvance, kCall };

struct Action {
  Act kind;
  int id = 0;
  bool at = false;
  POINT pt{};
  std::u16string text;
  bool byText = false;
  UINT vk = 0;  // a key, or the mouse message
  WPARAM keys = 0;
  int index = 0;
  ULONGLONG ms = 0;
  std::function<void()> fn;
};

struct Script {
  std::deque<Action> actions;
  std::vector<std::string> errors;
  std::vector<MessageBoxRecord> boxes;
  std::vector<HelpRecord> help;
  unsigned beeps = 0;
  std::vector<HWND> modal;
  HWND held = nullptr;  // where a scripted press holds the button down
};

Script& S() {
  static auto* s = new Script;
  return *s;
}

std::string Utf8(std::u16string_view s) { return ToUtf8(s); }

std::string Where(Window* a) {
  if (!a) return "no active window";
  std::string s(1, '\'');
  s.append(Utf8(a->text));
  s.push_back('\'');
  return s;
}

Window* Target(const Action& a, Window* active, const char* what) {
  if (!active) {
    ScriptFail(std::string(what) + ": there is no active window");
    return nullptr;
  }
  Window* c = FindDescendantById(active, a.id);
  if (!c) {
    ScriptFail(std::string(what) + ": no control " + std::to_string(a.id) + " in " + Where(active));
    return nullptr;
  }
  if (!Visible(c) || !Enabled(c)) {
    ScriptFail(std::string(what) + ": control " + std::to_string(a.id) + " in " + Where(active) + " is " +
               (Visible(c) ? "disabled" : "hidden"));
    return nullptr;
  }
  return c;
}

LPARAM PointParam(POINT pt) { return MAKELPARAM(WORD(SHORT(pt.x)), WORD(SHORT(pt.y))); }

void PostDown(Window* c, POINT pt) {
  POINT s = ClientOrigin(c);
  SetCursorPos(int(s.x + pt.x), int(s.y + pt.y));
  HWND to = GetCapture() ? GetCapture() : c->h;
  PostMessageW(to, WM_MOUSEMOVE, 0, PointParam(pt));
  PostMessageW(c->h, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(pt));
}

void PostClick(Window* c, POINT pt) {
  PostDown(c, pt);
  PostMessageW(c->h, WM_LBUTTONUP, 0, PointParam(pt));
}

POINT Centre(Window* c) {
  RECT r = ClientRect(c);
  return POINT{r.right / 2, r.bottom / 2};
}

void PressButtonOf(Window* active, int id) {
  Window* b = FindDescendantById(active, id);
  if (b && Visible(b) && Enabled(b) && b->cls->kind == ControlKind::kButton) {
    PostClick(b, Centre(b));
  } else {
    PostMessageW(active->h, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), reinterpret_cast<LPARAM>(b ? b->h : nullptr));
  }
}

void Run(Action& a) {
  Window* active = ActiveTarget();
  switch (a.kind) {
    case Act::kClick: {
      Window* c = Target(a, active, "click");
      if (!c) return;
      PostClick(c, a.at ? a.pt : Centre(c));
      return;
    }
    case Act::kPress: {
      Window* c = Target(a, active, "press");
      if (!c) return;
      PostDown(c, a.at ? a.pt : Centre(c));
      S().held = c->h;
      return;
    }
    case Act::kRelease: {
      HWND h = S().held;
      Window* c = Peek(GetCapture() ? GetCapture() : h);
      S().held = nullptr;
      if (!c) {
        ScriptFail("release: no scripted press holds the button down");
        return;
      }
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(c->h, &p);
      PostMessageW(c->h, WM_LBUTTONUP, 0, PointParam(p));
      return;
    }
    case Act::kPaste: {
      Window* c = Target(a, active, "paste");
      if (!c) return;
      SetFocus(c->h);
      SetClipboardText(a.text);
      PostMessageW(c->h, WM_PASTE, 0, 0);
      return;
    }
    case Act::kMouse: {
      Window* c = Target(a, active, "mouse");
      if (!c) return;
      POINT s = ClientOrigin(c);
      SetCursorPos(int(s.x + a.pt.x), int(s.y + a.pt.y));
      PostMessageW(c->h, a.vk, a.keys, PointParam(a.pt));
      return;
    }
    case Act::kType:
    case Act::kKey: {
      const char* what = a.kind == Act::kType ? "type" : "key";
      Window* c = nullptr;
      if (a.id) {
        c = Target(a, active, what);
        if (!c) return;
        SetFocus(c->h);
      } else {
        c = Peek(GetFocus());
        if (!c) {
          ScriptFail(std::string(what) + ": nothing has the focus in " + Where(active));
          return;
        }
      }
      if (a.kind == Act::kType) {
        for (char16_t ch : a.text) PostMessageW(c->h, WM_CHAR, ch, 1);
      } else {
        PostMessageW(c->h, WM_KEYDOWN, a.vk, 1);
        PostMessageW(c->h, WM_KEYUP, a.vk, LPARAM(0xC0000001));
      }
      return;
    }
    case Act::kSelect: {
      Window* c = Target(a, active, "select");
      if (!c) return;
      std::string why;
      if (!UserSelect(c, a.byText ? -1 : a.index, a.text, &why))
        ScriptFail("select in control " + std::to_string(a.id) + " of " + Where(active) + ": " + why);
      return;
    }
    case Act::kOk:
    case Act::kCancel:
      if (!active) {
        ScriptFail(a.kind == Act::kOk ? "press OK: there is no active window" : "press Cancel: there is no active window");
        return;
      }
      PressButtonOf(active, a.kind == Act::kOk ? IDOK : IDCANCEL);
      return;
    case Act::kAnswer: {
      if (!active || !active->messageBox) {
        ScriptFail("answer " + std::to_string(a.index) + ": no message box is waiting (" + Where(active) + ")");
        return;
      }
      Window* b = FindDescendantById(active, a.index);
      if (!b) {
        ScriptFail("answer " + std::to_string(a.index) + ": the message box " + Where(active) + " has no such button");
        return;
      }
      PressButtonOf(active, a.index);
      return;
    }
    case Act::kAdvance: {
      bool any = false;
      ULONGLONG due = NextTimerDue(&any), now = Now();
      ULONGLONG step = a.ms;
      if (any && due > now && due - now < a.ms) step = due - now;
      kvp::test::AdvanceClock(step);
      if (step < a.ms) {
        Action rest = a;
        rest.ms = a.ms - step;
        S().actions.push_front(std::move(rest));
      }
      return;
    }
    case Act::kCall:
      if (a.fn) a.fn();
      return;
  }
}

void Queue(Action a) { S().actions.push_back(std::move(a)); }

}  // namespace

bool ScriptStep() {
  Script& s = S();
  if (s.actions.empty()) return false;
  Action a = std::move(s.actions.front());
  s.actions.pop_front();
  Run(a);
  return true;
}

bool ScriptEmpty() { return S().actions.empty(); }

HWND ScriptTakeHeld() {
  HWND h = S().held;
  S().held = nullptr;
  return Peek(h) ? h : nullptr;
}

void ScriptFail(const std::string& why) {
  S().errors.push_back(why);
  S().actions.clear();
}

void RecordMessageBox(const MessageBoxRecord& r) { S().boxes.push_back(r); }
void RecordBeep() { ++S().beeps; }
std::vector<HWND>& ModalStack() { return S().modal; }

Window* ActiveTarget() {
  auto& m = S().modal;
  for (auto it = m.rbegin(); it != m.rend(); ++it)
    if (Window* w = Peek(*it)) return w;
  if (Window* w = Peek(GetActiveWindow())) return w;
  if (Window* f = Peek(GetFocus())) return TopLevelOf(f);
  for (Window* w : Desktop()->children)
    if ((w->style & WS_VISIBLE) && w->cls->name != u"Shell_TrayWnd") return w;
  return nullptr;
}

INT_PTR RunModal(Window* w) {
  Pin pin(w);
  HWND h = w->h;
  S().modal.push_back(h);
  INT_PTR result = -1;
  bool timedOut = false;
  while (!w->dead && !w->ended) {
    MSG m;
    BOOL r = GetMessageW(&m, nullptr, 0, 0);
    if (r == -1) {
      timedOut = true;
      break;
    }
    if (r == 0) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    if (!IsDialogMessageW(h, &m)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  auto& st = S().modal;
  for (auto it = st.rbegin(); it != st.rend(); ++it)
    if (*it == h) {
      st.erase(std::next(it).base());
      break;
    }
  if (w->ended) return w->result;
  if (timedOut) {
    S().errors.push_back("the scripted input ran out while " + Where(w) + " waited");
    SetLastError(ERROR_TIMEOUT);
  }
  return result;
}

void ScriptClick(int controlId) { Queue(Action{Act::kClick, controlId}); }
void ScriptClickAt(int controlId, POINT client) {
  Action a{Act::kClick, controlId};
  a.at = true;
  a.pt = client;
  Queue(std::move(a));
}
void ScriptType(int controlId, std::u16string_view text) {
  Action a{Act::kType, controlId};
  a.text = std::u16string(text);
  Queue(std::move(a));
}
void ScriptPaste(int controlId, std::u16string_view text) {
  Action a{Act::kPaste, controlId};
  a.text = std::u16string(text);
  Queue(std::move(a));
}
void ScriptKey(int controlId, UINT virtualKey) {
  Action a{Act::kKey, controlId};
  a.vk = virtualKey;
  Queue(std::move(a));
}
void ScriptSelect(int controlId, int index) {
  Action a{Act::kSelect, controlId};
  a.index = index;
  Queue(std::move(a));
}
void ScriptSelectText(int controlId, std::u16string_view text) {
  Action a{Act::kSelect, controlId};
  a.byText = true;
  a.text = std::u16string(text);
  Queue(std::move(a));
}
void ScriptMouse(int controlId, UINT message, WPARAM keys, POINT client) {
  Action a{Act::kMouse, controlId};
  a.vk = message;
  a.keys = keys;
  a.pt = client;
  Queue(std::move(a));
}
void ScriptPress(int controlId) { Queue(Action{Act::kPress, controlId}); }
void ScriptRelease() { Queue(Action{Act::kRelease}); }
void ScriptPressOk() { Queue(Action{Act::kOk}); }
void ScriptPressCancel() { Queue(Action{Act::kCancel}); }
void ScriptAnswer(int answer) {
  Action a{Act::kAnswer};
  a.index = answer;
  Queue(std::move(a));
}
void ScriptAdvance(unsigned ms) {
  Action a{Act::kAdvance};
  a.ms = ms;
  Queue(std::move(a));
}
void ScriptCall(std::function<void()> fn) {
  Action a{Act::kCall};
  a.fn = std::move(fn);
  Queue(std::move(a));
}

bool RunUntilIdle() {
  size_t before = S().errors.size();
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    Window* a = ActiveTarget();
    if (a && a->dialog && IsDialogMessageW(a->h, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return S().errors.size() == before;
}

size_t ScriptPending() { return S().actions.size(); }
std::vector<std::string> ScriptErrors() { return S().errors; }
void ScriptReset() {
  S().actions.clear();
  S().errors.clear();
  S().held = nullptr;
}

std::vector<MessageBoxRecord> MessageBoxLog() { return S().boxes; }
std::vector<HelpRecord> HelpLog() { return S().help; }
unsigned BeepCount() { return S().beeps; }
void ClearLogs() {
  S().boxes.clear();
  S().help.clear();
  S().beeps = 0;
}

void RecordHelp(const HelpRecord& r) { S().help.push_back(r); }

}  // namespace kvp::ui
