// Messages: sending, the posted queue, timers, pending paints, the default window procedure, and the
// small services of the fixed desktop (metrics, cursor, beeps).
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "kvplat/handle.h"
#include "kvplat/time.h"
#include "ui_internal.h"

namespace kvp::ui {
namespace {

struct Timer {
  HWND h = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  ULONGLONG due = 0;
};

struct Queue {
  std::deque<MSG> posted;
  std::vector<Timer> timers;
  bool quit = false;
  int quitCode = 0;
  DWORD lastTime = 0;
  POINT lastPos{};
  UINT_PTR nextThreadTimer = 0x7FF0;
  unsigned emptyPolls = 0;
  ULONGLONG firstEmptyPoll = 0;
  POINT cursorPos{640, 512};
  HCURSOR cursor = nullptr;
};

Queue& Q() {
  static Queue* q = new Queue;
  return *q;
}

// A polling loop (PeekMessageW with removal, no filter) that found nothing this many times in a row with no
// scripted input left can never be satisfied: a held press is let go (an error of the script); with nothing
// to let go the process stops with a clear message instead of spinning.
// Under the virtual clock nothing can change between two empty polls, so a short run of them is enough to
// tell; under the host's clock a timer may still fall due, so the loop is given a minute.
constexpr unsigned kMaxEmptyPolls = 100000;
constexpr ULONGLONG kMaxEmptyPollMs = 60000;

bool PollingForEver(Queue& q) {
  if (q.emptyPolls++ == 0) q.firstEmptyPoll = GetTickCount64();
  if (kvp::test::IsVirtualClock()) return q.emptyPolls >= kMaxEmptyPolls;
  return q.emptyPolls % 1024 == 0 && GetTickCount64() - q.firstEmptyPoll >= kMaxEmptyPollMs;
}

bool InRange(UINT m, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (m >= lo && m <= hi); }
bool ForWindow(HWND target, HWND filter) {
  if (!filter) return true;
  return target == filter || IsChild(filter, target);
}

Window* FindInvalid(Window* w, HWND filter) {
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    if (c->invalid && ForWindow(c->h, filter)) return c;
    if (Window* d = FindInvalid(c, filter)) return d;
  }
  return nullptr;
}

MSG Make(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  MSG msg{};
  msg.hwnd = h;
  msg.message = m;
  msg.wParam = wp;
  msg.lParam = lp;
  msg.time = GetTickCount();
  msg.pt = Q().cursorPos;
  return msg;
}

bool IsMouse(UINT m) { return m >= WM_MOUSEMOVE && m <= WM_RBUTTONDBLCLK; }

LPARAM PointParam(POINT p) { return MAKELPARAM(WORD(SHORT(p.x)), WORD(SHORT(p.y))); }

// Mouse input on its way to the program (its point is in the target's client coordinates). The capture
// window takes it all. Otherwise the window says what part of it lies under the point (WM_NCHITTEST; a
// see-through window hands it to its parent) and sets the cursor (WM_SETCURSOR); anywhere but the client
// area the message becomes its non-client form, which controls pass over.
void RouteMouse(MSG* m) {
  Window* w = Peek(m->hwnd);
  if (!w) return;
  POINT o = ClientOrigin(w);
  POINT screen{GET_X_LPARAM(m->lParam) + o.x, GET_Y_LPARAM(m->lParam) + o.y};
  m->pt = screen;
  auto clientParam = [&](Window* t) {
    POINT c = ClientOrigin(t);
    return PointParam(POINT{screen.x - c.x, screen.y - c.y});
  };
  if (Window* cap = Peek(GetCapture())) {
    m->hwnd = cap->h;
    m->lParam = clientParam(cap);
    return;
  }
  Pin pin(w);
  LRESULT ht = Send(w, WM_NCHITTEST, 0, PointParam(screen));
  while (ht == HTTRANSPARENT && !w->dead && (w->style & WS_CHILD) && w->parent) {
    w = w->parent;
    ht = Send(w, WM_NCHITTEST, 0, PointParam(screen));
  }
  if (w->dead) {
    m->message = WM_NULL;
    return;
  }
  Send(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w->h), MAKELPARAM(WORD(SHORT(ht)), WORD(m->message)));
  m->hwnd = w->h;
  if (ht == HTCLIENT) {
    m->lParam = clientParam(w);
  } else {
    m->message = m->message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    m->wParam = WPARAM(ht);
    m->lParam = PointParam(screen);
  }
}

bool PeekInternal(MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
  Queue& q = Q();
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (!InRange(it->message, lo, hi) || !ForWindow(it->hwnd, filter)) continue;
    if (it->hwnd && !Peek(it->hwnd)) continue;
    *out = *it;
    if (remove) {
      q.posted.erase(it);
      if (IsMouse(out->message)) RouteMouse(out);
    }
    return true;
  }
  if (q.quit && !filter && InRange(WM_QUIT, lo, hi)) {
    *out = Make(nullptr, WM_QUIT, WPARAM(q.quitCode), 0);
    if (remove) q.quit = false;
    return true;
  }
  if (InRange(WM_PAINT, lo, hi))
    if (Window* w = FindInvalid(Desktop(), filter)) {
      *out = Make(w->h, WM_PAINT, 0, 0);
      return true;
    }
  if (InRange(WM_TIMER, lo, hi)) {
    ULONGLONG now = Now();
    for (Timer& t : q.timers) {
      if (t.due > now || !ForWindow(t.h, filter)) continue;
      *out = Make(t.h, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
      if (remove) t.due = now + t.elapse;
      return true;
    }
  }
  return false;
}

}  // namespace

ULONGLONG Now() { return GetTickCount64(); }

bool QueueEmpty() {
  MSG m;
  return !PeekInternal(&m, nullptr, 0, 0, false);
}

void DropMessagesOf(HWND h) {
  auto& p = Q().posted;
  p.erase(std::remove_if(p.begin(), p.end(), [h](const MSG& m) { return m.hwnd == h; }), p.end());
}

void KillTimersOf(HWND h) {
  auto& t = Q().timers;
  t.erase(std::remove_if(t.begin(), t.end(), [h](const Timer& x) { return x.h == h; }), t.end());
}

void ForgetQueue() {
  Queue& q = Q();
  q.posted.clear();
  q.timers.clear();
  q.quit = false;
  q.emptyPolls = 0;
}

ULONGLONG NextTimerDue(bool* any) {
  ULONGLONG best = ~0ULL;
  *any = false;
  for (const Timer& t : Q().timers) {
    best = std::min(best, t.due);
    *any = true;
  }
  return best;
}

}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

KVAPI LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = FromHandle(hwnd);
  return w ? Send(w, msg, wParam, lParam) : 0;
}

KVAPI BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd && !FromHandle(hwnd)) return FALSE;
  Q().posted.push_back(Make(hwnd, msg, wParam, lParam));
  return TRUE;
}

KVAPI BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId != GetCurrentThreadId()) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return PostMessageW(nullptr, msg, wParam, lParam);
}

KVAPI void PostQuitMessage(int exitCode) {
  Q().quit = true;
  Q().quitCode = exitCode;
}

KVAPI BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Queue& q = Q();
  bool remove = (removeFlags & PM_REMOVE) != 0;
  if (PeekInternal(msg, hwnd, filterMin, filterMax, remove)) {
    q.emptyPolls = 0;
    return TRUE;
  }
  if (!remove || hwnd || filterMin || filterMax) return FALSE;
  // An empty queue polled the way a waiting loop polls it: time for the next scripted action.
  while (ScriptStep()) {
    q.emptyPolls = 0;
    if (PeekInternal(msg, hwnd, filterMin, filterMax, remove)) return TRUE;
  }
  if (PollingForEver(q)) {
    q.emptyPolls = 0;
    // The usual reason: a loop that runs while a button is held, and the script never let it go.
    if (HWND held = ScriptTakeHeld()) {
      ScriptFail("the scripted input ran out while the mouse button was still held down; released it");
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(held, &p);
      PostMessageW(held, WM_LBUTTONUP, 0, MAKELPARAM(WORD(SHORT(p.x)), WORD(SHORT(p.y))));
      return FALSE;
    }
    std::fprintf(stderr, "kvplatform: a message loop polls for ever with no scripted input left to give it\n");
    std::abort();
  }
  return FALSE;
}

KVAPI BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  for (;;) {
    if (PeekInternal(msg, hwnd, filterMin, filterMax, true)) return msg->message != WM_QUIT;
    if (!ScriptStep()) {
      SetLastError(ERROR_TIMEOUT);
      return -1;
    }
  }
}

KVAPI BOOL WaitMessage(void) {
  for (;;) {
    if (!QueueEmpty()) return TRUE;
    if (!ScriptStep()) {
      SetLastError(ERROR_TIMEOUT);
      return FALSE;
    }
  }
}

KVAPI BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  WPARAM vk = msg->wParam;
  if (vk == VK_F1) {
    // F1 asks for help on the window that has the keyboard; a child passes the request to its parent.
    Window* w = Peek(msg->hwnd);
    if (!w) return FALSE;
    HELPINFO hi{sizeof(HELPINFO), HELPINFO_WINDOW, (w->style & WS_CHILD) ? int(w->id) : 0, msg->hwnd, 0, Q().cursorPos};
    Send(w, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));
    return TRUE;
  }
  WCHAR c = 0;
  if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK || vk == VK_TAB) c = WCHAR(vk);
  else if (vk >= '0' && vk <= '9') c = WCHAR(vk);
  else if (vk >= 'A' && vk <= 'Z') c = WCHAR(vk - 'A' + 'a');
  if (!c) return FALSE;
  Q().posted.push_front(Make(msg->hwnd, WM_CHAR, c, msg->lParam));
  return TRUE;
}

KVAPI LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  Queue& q = Q();
  q.lastTime = msg->time;
  q.lastPos = msg->pt;
  if (msg->message == WM_TIMER && msg->lParam) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  Window* w = FromHandle(msg->hwnd);
  if (!w) return 0;
  Pin pin(w);
  LRESULT r = Send(w, msg->message, msg->wParam, msg->lParam);
  // A window that does not paint when asked would be asked forever.
  if (msg->message == WM_PAINT && !w->dead) w->invalid = false;
  return r;
}

KVAPI DWORD GetMessageTime(void) { return Q().lastTime; }
KVAPI DWORD GetMessagePos(void) { return DWORD(MAKELONG(WORD(SHORT(Q().lastPos.x)), WORD(SHORT(Q().lastPos.y)))); }

KVAPI UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  Queue& q = Q();
  if (hwnd && !FromHandle(hwnd)) return 0;
  if (!hwnd) id = q.nextThreadTimer++;
  if (elapse < 10) elapse = 10;
  if (elapse > 0x7FFFFFFF) elapse = 0x7FFFFFFF;
  auto it = std::find_if(q.timers.begin(), q.timers.end(), [&](const Timer& t) { return t.h == hwnd && t.id == id; });
  Timer t{hwnd, id, elapse, proc, Now() + elapse};
  if (it != q.timers.end()) *it = t;
  else q.timers.push_back(t);
  return hwnd && id == 0 ? 1 : id;
}

KVAPI BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& t = Q().timers;
  auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.h == hwnd && x.id == id; });
  if (it == t.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t.erase(it);
  // A WM_TIMER already queued for it is dropped too.
  auto& p = Q().posted;
  p.erase(std::remove_if(p.begin(), p.end(), [&](const MSG& m) { return m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == id; }),
          p.end());
  return TRUE;
}

// ---- painting state ---------------------------------------------------------------------------------------

KVAPI BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    for (Window* w : Desktop()->children) InvalidateAll(w);
    return TRUE;
  }
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  RECT cr = ClientRect(w);
  RECT r = rect ? *rect : cr;
  r.left = std::max(r.left, cr.left);
  r.top = std::max(r.top, cr.top);
  r.right = std::min(r.right, cr.right);
  r.bottom = std::min(r.bottom, cr.bottom);
  if (r.left >= r.right || r.top >= r.bottom) return TRUE;
  if (w->invalid) {
    w->update.left = std::min(w->update.left, r.left);
    w->update.top = std::min(w->update.top, r.top);
    w->update.right = std::max(w->update.right, r.right);
    w->update.bottom = std::max(w->update.bottom, r.bottom);
  } else {
    w->update = r;
  }
  w->invalid = true;
  w->erase = w->erase || erase;
  return TRUE;
}

KVAPI BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  if (!rect || (rect->left <= w->update.left && rect->top <= w->update.top && rect->right >= w->update.right &&
                rect->bottom >= w->update.bottom))
    w->invalid = false;
  return TRUE;
}

KVAPI BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  if (rect) *rect = w->invalid ? w->update : RECT{0, 0, 0, 0};
  return w->invalid;
}

KVAPI BOOL RedrawWindow(HWND hwnd, const RECT* rect, void*, UINT) { return InvalidateRect(hwnd, rect, TRUE); }

KVAPI BOOL UpdateWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  if (w->invalid && Visible(w)) Send(w, WM_PAINT, 0, 0);
  if (!w->dead) w->invalid = false;
  return TRUE;
}

namespace {
HDC DcFor(Window* w, bool whole) {
  Surface* s = nullptr;
  POINT o{};
  RECT clip{};
  if (RenderTarget(w->h, whole, &s, &o, &clip)) return MakeDc(w->h, s, o, clip);
  return MakeDc(w->h, nullptr, POINT{0, 0}, RECT{0, 0, 0, 0});
}
}  // namespace

KVAPI HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = FromHandle(hwnd);
  if (!w || !ps) return nullptr;
  *ps = PAINTSTRUCT{};
  Surface* s = nullptr;
  POINT o{};
  RECT clip{};
  bool rendering = RenderTarget(hwnd, false, &s, &o, &clip);
  ps->hdc = DcFor(w, false);
  ps->rcPaint = rendering ? ClientRect(w) : (w->invalid ? w->update : RECT{0, 0, 0, 0});
  ps->fErase = w->erase && !rendering;
  if (w->erase && !rendering) {
    w->erase = false;
    ps->fErase = !Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps->hdc), 0);
  }
  if (!w->dead) w->invalid = false;
  return ps->hdc;
}

KVAPI BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps && ps->hdc) FreeDc(ps->hdc);
  return TRUE;
}

KVAPI HDC GetDC(HWND hwnd) {
  Window* w = hwnd ? FromHandle(hwnd) : Desktop();
  return w ? DcFor(w, false) : nullptr;
}

KVAPI int ReleaseDC(HWND hwnd, HDC hdc) {
  if (!DcValid(hdc)) return 0;
  FreeDc(hdc);
  return 1;
}

// ---- the default window procedure --------------------------------------------------------------------------

KVAPI LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Peek(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = std::u16string(WView(cs->lpszName));
      return TRUE;
    }
    case WM_SETTEXT:
      w->text = std::u16string(WView(reinterpret_cast<LPCWSTR>(lParam)));
      InvalidateAll(w);
      return TRUE;
    case WM_GETTEXT: {
      auto* buf = reinterpret_cast<LPWSTR>(lParam);
      if (!buf || wParam == 0) return 0;
      size_t n = std::min(w->text.size(), size_t(wParam) - 1);
      std::copy_n(w->text.data(), n, buf);
      buf[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(w->text.size());
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_NCHITTEST: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT s = ScreenRect(w);
      if (p.x < s.left || p.x >= s.right || p.y < s.top || p.y >= s.bottom) return HTNOWHERE;
      POINT o = ClientOrigin(w);
      RECT c = ClientRect(w);
      if (p.x >= o.x && p.x < o.x + c.right && p.y >= o.y && p.y < o.y + c.bottom) return HTCLIENT;
      return HTCAPTION;
    }
    case WM_SETCURSOR:
      if ((w->style & WS_CHILD) && w->parent && Send(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      // A press where nothing can be pressed beeps (once: by the window under the cursor).
      if (reinterpret_cast<HWND>(wParam) == hwnd && SHORT(LOWORD(lParam)) == HTERROR &&
          (HIWORD(lParam) == WM_LBUTTONDOWN || HIWORD(lParam) == WM_RBUTTONDOWN))
        MessageBeep(0);
      if (LOWORD(lParam) == HTCLIENT) SetCursor(w->cls->desc.hCursor ? w->cls->desc.hCursor : LoadCursorW(nullptr, IDC_ARROW));
      return FALSE;
    case WM_ERASEBKGND: {
      HBRUSH b = w->cls->desc.hbrBackground;
      if (!b) return 0;
      RECT r = ClientRect(w);
      FillRect(reinterpret_cast<HDC>(wParam), &r, b);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCPAINT: {
      HDC dc = DcFor(w, true);
      PaintFrame(w, dc);
      FreeDc(dc);
      return 0;
    }
    case WM_SETFONT:
      w->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateAll(w);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(w->font);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      bool white = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(white ? COLOR_WINDOW : COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(white ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_CONTEXTMENU:
    case WM_HELP:
      if ((w->style & WS_CHILD) && w->parent) return Send(w->parent, msg, wParam, lParam);
      return msg == WM_HELP ? TRUE : 0;
    case WM_MOUSEACTIVATE:
      return 1;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      Send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(WORD(SHORT(p.x)), WORD(SHORT(p.y))));
      return 0;
    }
  }
  return 0;
}

// ---- the desktop's services -------------------------------------------------------------------------------

KVAPI int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return 1280;
    case SM_CYSCREEN: return 1024;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL: case SM_CYVTHUMB: case SM_CXHTHUMB:
      return 17;
    case SM_CYCAPTION: case SM_CYMENU: return 20;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
  }
  return 0;
}

KVAPI BOOL GetCursorPos(POINT* pt) {
  if (!pt) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pt = Q().cursorPos;
  return TRUE;
}

KVAPI BOOL SetCursorPos(int x, int y) {
  Q().cursorPos = POINT{std::clamp(x, 0, GetSystemMetrics(SM_CXSCREEN) - 1), std::clamp(y, 0, GetSystemMetrics(SM_CYSCREEN) - 1)};
  return TRUE;
}

KVAPI HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = GetCursor();
  Q().cursor = cursor;
  return old;
}

KVAPI HCURSOR GetCursor(void) {
  if (!Q().cursor) Q().cursor = LoadCursorW(nullptr, IDC_ARROW);
  return Q().cursor;
}

KVAPI BOOL MessageBeep(UINT) {
  RecordBeep();
  return TRUE;
}

KVAPI int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long n = (long long)a * b;
  bool neg = (n < 0) != (c < 0);
  unsigned long long un = (unsigned long long)(n < 0 ? -n : n);
  unsigned long long uc = (unsigned long long)(c < 0 ? -(long long)c : c);
  unsigned long long q = (un + uc / 2) / uc;
  if (q > (neg ? 0x80000000ULL : 0x7FFFFFFFULL)) return -1;
  return neg ? int(-(long long)q) : int(q);
}
