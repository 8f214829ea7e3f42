// Windows: classes, the window tree, longs, texts, geometry, visibility, focus and capture.
#include <algorithm>
#include <cstring>

#include "ui_internal.h"

namespace kvp::ui {
namespace {

struct Core {
  std::vector<std::unique_ptr<Class>> classes;
  std::unordered_map<uintptr_t, Window*> live;
  std::vector<Window*> graveyard;  // dead windows still pinned
  uintptr_t next = 0x10010;
  ATOM nextAtom = 0xC000;
  Window* desktop = nullptr;
  Window* tray = nullptr;
  HWND focus = nullptr, capture = nullptr, active = nullptr;
  int depth = 0;
};

Core& C() {
  static Core* c = new Core;  // lives as long as the process
  return *c;
}

constexpr int kMaxSendDepth = 200;

void FreeIfDone(Window* w) {
  if (!w->dead || w->pins > 0) return;
  auto& g = C().graveyard;
  auto it = std::find(g.begin(), g.end(), w);
  if (it != g.end()) g.erase(it);
  delete w;
}

HWND NewHandle() {
  uintptr_t v = C().next;
  C().next += 2;
  return reinterpret_cast<HWND>(v);
}

void Detach(Window* w) {
  if (!w->parent) return;
  auto& v = w->parent->children;
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
  w->parent = nullptr;
}

LONG_PTR ReadExtra(Window* w, int at, bool* ok) {
  *ok = at >= 0 && size_t(at) + sizeof(LONG_PTR) <= w->extra.size();
  LONG_PTR v = 0;
  if (*ok) std::memcpy(&v, w->extra.data() + at, sizeof v);
  return v;
}

RECT Frame(DWORD style, DWORD ex) {
  int b = 0;
  if (style & WS_THICKFRAME) b = 4;
  else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) b = 3;
  else if (style & WS_BORDER) b = 1;
  if (ex & WS_EX_CLIENTEDGE) b += 2;
  if (ex & WS_EX_STATICEDGE) b += 1;
  int cap = (style & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0;
  return RECT{b, b + cap, b, b};
}

void SetFocusInternal(Window* w);

}  // namespace

Pin::Pin(Window* w) : w_(w) {
  if (w_) ++w_->pins;
}
Pin::~Pin() {
  if (w_) {
    --w_->pins;
    FreeIfDone(w_);
  }
}

Window* Peek(HWND h) {
  auto& live = C().live;
  auto it = live.find(reinterpret_cast<uintptr_t>(h));
  return it == live.end() ? nullptr : it->second;
}

Window* FromHandle(HWND h) {
  Window* w = Peek(h);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

Window* Desktop() {
  Core& c = C();
  if (!c.desktop) {
    RegisterStandardClasses();
    auto* d = new Window;
    d->h = NewHandle();
    d->cls = FindClass(u"#32769", nullptr);
    d->proc = DefWindowProcW;
    d->style = WS_VISIBLE | WS_CLIPCHILDREN;
    d->rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    c.live[reinterpret_cast<uintptr_t>(d->h)] = d;
    c.desktop = d;
    // The task bar along the bottom edge: programs place pop-ups clear of it.
    HWND tray = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"Shell_TrayWnd", u"", WS_POPUP | WS_VISIBLE, 0,
                                d->rect.bottom - 40, d->rect.right, 40, nullptr, nullptr, nullptr, nullptr);
    c.tray = Peek(tray);
  }
  return c.desktop;
}

LRESULT Send(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  Core& c = C();
  if (!w || w->dead) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (c.depth >= kMaxSendDepth) {
    SetLastError(ERROR_STACK_OVERFLOW);
    return 0;
  }
  Pin pin(w);
  ++c.depth;
  LRESULT r = w->proc(w->h, msg, wp, lp);
  --c.depth;
  return r;
}

void Notify(Window* ctl, UINT code) {
  if (!ctl->parent || ctl->parent == Desktop()) return;
  Send(ctl->parent, WM_COMMAND, MAKEWPARAM(WORD(ctl->id), WORD(code)), reinterpret_cast<LPARAM>(ctl->h));
}

LRESULT NotifyHdr(Window* ctl, UINT code, NMHDR* hdr) {
  if (!ctl->parent || ctl->parent == Desktop()) return 0;
  hdr->hwndFrom = ctl->h;
  hdr->idFrom = UINT_PTR(ctl->id);
  hdr->code = code;
  return Send(ctl->parent, WM_NOTIFY, WPARAM(ctl->id), reinterpret_cast<LPARAM>(hdr));
}

Window* TopLevelOf(Window* w) {
  while (w && w->parent && w->parent != C().desktop) w = w->parent;
  return w;
}

std::vector<Window*> Descendants(Window* w) {
  std::vector<Window*> out;
  std::vector<Window*> stack(w->children.rbegin(), w->children.rend());
  while (!stack.empty()) {
    Window* x = stack.back();
    stack.pop_back();
    out.push_back(x);
    stack.insert(stack.end(), x->children.rbegin(), x->children.rend());
  }
  return out;
}

Window* FindDescendantById(Window* root, int id) {
  for (Window* c : root->children)
    if ((c->style & WS_CHILD) && c->id == id) return c;
  for (Window* d : Descendants(root))
    if ((d->style & WS_CHILD) && d->id == id) return d;
  return nullptr;
}

bool Visible(Window* w) {
  for (; w && w != C().desktop; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return w != nullptr;
}

bool Enabled(Window* w) { return w && !(w->style & WS_DISABLED); }

RECT ClientInsets(Window* w) { return Frame(w->style, w->exStyle); }

RECT ClientRect(Window* w) {
  RECT f = ClientInsets(w);
  LONG cw = std::max<LONG>(0, (w->rect.right - w->rect.left) - f.left - f.right);
  LONG ch = std::max<LONG>(0, (w->rect.bottom - w->rect.top) - f.top - f.bottom);
  return RECT{0, 0, cw, ch};
}

RECT ScreenRect(Window* w) {
  POINT o{0, 0};
  if (w->parent) o = ClientOrigin(w->parent);
  return RECT{w->rect.left + o.x, w->rect.top + o.y, w->rect.right + o.x, w->rect.bottom + o.y};
}

POINT ClientOrigin(Window* w) {
  if (w == C().desktop) return POINT{0, 0};
  RECT s = ScreenRect(w);
  RECT f = ClientInsets(w);
  return POINT{s.left + f.left, s.top + f.top};
}

void InvalidateAll(Window* w) {
  w->invalid = true;
  w->erase = true;
  w->update = ClientRect(w);
}

// A class of the caller's own instance first, then a standard or global class, then any class of that name.
Class* FindClass(std::u16string_view name, HINSTANCE instance) {
  Class* shared = nullptr;
  Class* any = nullptr;
  for (auto& c : C().classes) {
    if (!WEqualI(c->name, name)) continue;
    if (instance && c->desc.hInstance == instance) return c.get();
    if (!shared && (c->standard || (c->desc.style & CS_GLOBALCLASS) || !c->desc.hInstance)) shared = c.get();
    if (!any) any = c.get();
  }
  return shared ? shared : any;
}

Class* FindClassByAtom(ATOM atom) {
  for (auto& c : C().classes)
    if (c->atom == atom) return c.get();
  return nullptr;
}

ATOM RegisterClassInternal(const WNDCLASSEXW* wc, bool standard, ControlKind kind, ATOM atom) {
  auto c = std::make_unique<Class>();
  c->name = std::u16string(WView(wc->lpszClassName));
  c->desc = *wc;
  c->desc.lpszClassName = nullptr;
  c->desc.lpszMenuName = nullptr;
  c->standard = standard;
  c->kind = kind;
  c->atom = atom ? atom : C().nextAtom++;
  ATOM a = c->atom;
  C().classes.push_back(std::move(c));
  return a;
}

void RegisterStandardClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  struct Row {
    const char16_t* name;
    WNDPROC proc;
    ControlKind kind;
    ATOM atom;
    int extra;
    UINT style;
  } rows[] = {
      {u"#32769", DefWindowProcW, ControlKind::kNone, 32769, 0, 0},
      {u"Shell_TrayWnd", DefWindowProcW, ControlKind::kNone, 0, 0, 0},
      {WC_DIALOGW, DefDlgProcW, ControlKind::kDialog, 32770, 48, CS_DBLCLKS},
      {WC_BUTTONW, ButtonProc, ControlKind::kButton, 0x80, 0, CS_DBLCLKS},
      {WC_EDITW, EditProc, ControlKind::kEdit, 0x81, 0, CS_DBLCLKS},
      {WC_STATICW, StaticProc, ControlKind::kStatic, 0x82, 0, 0},
      {WC_LISTBOXW, ListBoxProc, ControlKind::kListBox, 0x83, 0, CS_DBLCLKS},
      {WC_SCROLLBARW, ScrollBarProc, ControlKind::kScrollBar, 0x84, 0, CS_DBLCLKS},
      {WC_COMBOBOXW, ComboBoxProc, ControlKind::kComboBox, 0x85, 0, CS_DBLCLKS},
      {TRACKBAR_CLASSW, TrackBarProc, ControlKind::kTrackBar, 0, 0, 0},
      {WC_TABCONTROLW, TabProc, ControlKind::kTab, 0, 0, CS_DBLCLKS},
      {WC_TREEVIEWW, TreeProc, ControlKind::kTree, 0, 0, CS_DBLCLKS},
      {WC_LISTVIEWW, ListViewProc, ControlKind::kNone, 0, 0, CS_DBLCLKS},
  };
  for (const Row& r : rows) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = r.style | CS_GLOBALCLASS;
    wc.lpfnWndProc = r.proc;
    wc.cbWndExtra = r.extra;
    wc.lpszClassName = r.name;
    RegisterClassInternal(&wc, true, r.kind, r.atom);
  }
}

ControlKind KindOf(HWND hwnd) {
  Window* w = Peek(hwnd);
  return w && w->cls ? w->cls->kind : ControlKind::kNone;
}

bool ModalActive() { return !ModalStack().empty(); }

void ResetWindows() {
  Core& c = C();
  std::vector<HWND> tops;
  for (Window* w : Desktop()->children)
    if (w != c.tray) tops.push_back(w->h);
  for (HWND h : tops) DestroyWindow(h);
  // Owned windows that are not children of the desktop were destroyed with their owners; anything left is
  // a top-level window created without the desktop as parent.
  std::vector<HWND> rest;
  for (auto& [k, w] : c.live)
    if (w != c.desktop && w != c.tray && !w->parent) rest.push_back(w->h);
  std::sort(rest.begin(), rest.end());
  for (HWND h : rest) DestroyWindow(h);
  c.classes.erase(std::remove_if(c.classes.begin(), c.classes.end(), [](auto& k) { return !k->standard; }),
                  c.classes.end());
  c.focus = c.capture = c.active = nullptr;
  ForgetQueue();
  ScriptReset();
  ModalStack().clear();
}

size_t WindowCount() {
  Desktop();
  return C().live.size() - 2;  // the desktop and its task bar
}

namespace {

void SetFocusInternal(Window* w) {
  Core& c = C();
  HWND old = c.focus;
  HWND nw = w ? w->h : nullptr;
  if (old == nw) return;
  c.focus = nw;
  if (Window* o = Peek(old)) Send(o, WM_KILLFOCUS, reinterpret_cast<WPARAM>(nw), 0);
  if (w && !w->dead && c.focus == nw) Send(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

void DestroyTree(Window* w) {
  Core& c = C();
  if (w->dead) return;
  Pin pin(w);
  if (c.capture == w->h) ReleaseCapture();
  Send(w, WM_DESTROY, 0, 0);
  // Owned pop-ups go with their owner.
  std::vector<HWND> owned;
  for (auto& [k, x] : c.live)
    if (x->owner == w->h && !x->dead) owned.push_back(x->h);
  std::sort(owned.begin(), owned.end());  // oldest first, whatever the table's order
  for (HWND h : owned)
    if (Window* o = Peek(h)) DestroyTree(o);
  std::vector<Window*> kids = w->children;
  for (Window* k : kids)
    if (!k->dead) DestroyTree(k);
  Send(w, WM_NCDESTROY, 0, 0);
  if (c.focus == w->h) c.focus = nullptr;
  if (c.active == w->h) c.active = nullptr;
  KillTimersOf(w->h);
  DropMessagesOf(w->h);
  Detach(w);
  c.live.erase(reinterpret_cast<uintptr_t>(w->h));
  w->dead = true;
  w->data.reset();
  c.graveyard.push_back(w);
}

}  // namespace

}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

KVAPI ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  Desktop();
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpfnWndProc || !wc->lpszClassName ||
      IS_INTRESOURCE(wc->lpszClassName) || !wc->lpszClassName[0] || wc->cbWndExtra < 0 || wc->cbWndExtra > 4096) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  for (auto& c : C().classes)
    if (WEqualI(c->name, WView(wc->lpszClassName)) && !c->standard && c->desc.hInstance == wc->hInstance) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  return RegisterClassInternal(wc, false, ControlKind::kNone, 0);
}

KVAPI BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
  auto& v = C().classes;
  for (auto it = v.begin(); it != v.end(); ++it) {
    Class* c = it->get();
    if (c->standard || c->desc.hInstance != instance) continue;
    bool match = IS_INTRESOURCE(className) ? c->atom == ATOM(ULONG_PTR(className)) : WEqualI(c->name, WView(className));
    if (!match) continue;
    for (auto& [k, w] : C().live)
      if (w->cls == c) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
      }
    v.erase(it);
    return TRUE;
  }
  SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return FALSE;
}

KVAPI BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* wc) {
  Desktop();
  if (!className || !wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Class* c = IS_INTRESOURCE(className) ? FindClassByAtom(ATOM(ULONG_PTR(className))) : FindClass(WView(className), instance);
  if (c && instance && c->desc.hInstance != instance && !c->standard && !(c->desc.style & CS_GLOBALCLASS)) c = nullptr;
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *wc = c->desc;
  wc->cbSize = sizeof *wc;
  wc->lpszClassName = className;
  return c->atom;
}

KVAPI int GetClassNameW(HWND hwnd, LPWSTR name, int count) {
  Window* w = FromHandle(hwnd);
  if (!w || !name || count <= 0) {
    if (w) SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return int(WCopy(name, size_t(count), w->cls->name.c_str()));
}

KVAPI HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                           int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  Core& c = C();
  Window* desk = Desktop();
  if (!className) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Class* cls = IS_INTRESOURCE(className) ? FindClassByAtom(ATOM(ULONG_PTR(className))) : FindClass(WView(className), instance);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Window* pw = nullptr;
  if (parent) {
    pw = FromHandle(parent);
    if (!pw) return nullptr;
  }
  if ((style & WS_CHILD) && !pw) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  auto* w = new Window;
  w->h = NewHandle();
  w->cls = cls;
  w->proc = cls->desc.lpfnWndProc;
  w->style = style;
  w->exStyle = exStyle;
  w->instance = instance;
  w->extra.assign(size_t(cls->desc.cbWndExtra), 0);
  w->font = nullptr;
  if (style & WS_CHILD) {
    w->id = LONG_PTR(reinterpret_cast<ULONG_PTR>(menu));
    w->parent = pw;
  } else {
    w->parent = desk;
    w->owner = pw ? TopLevelOf(pw)->h : nullptr;
    if (!(style & WS_POPUP)) w->style |= WS_CAPTION | WS_CLIPSIBLINGS;
  }
  if (x == CW_USEDEFAULT) x = y = 40;
  if (width == CW_USEDEFAULT) width = 400, height = 300;
  w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
  c.live[reinterpret_cast<uintptr_t>(w->h)] = w;
  w->parent->children.push_back(w);
  if (!(w->style & WS_CHILD) && (exStyle & WS_EX_TOPMOST)) {
    auto& v = w->parent->children;
    v.pop_back();
    v.insert(v.begin(), w);
  } else if (!(w->style & WS_CHILD)) {
    // A new top-level window comes in front of the others (below the topmost ones).
    auto& v = w->parent->children;
    v.pop_back();
    auto at = std::find_if(v.begin(), v.end(), [](Window* o) { return !(o->exStyle & WS_EX_TOPMOST); });
    v.insert(at, w);
  }
  Pin pin(w);
  CREATESTRUCTW cs{param, instance, menu, parent, height, width, y, x, LONG(style), windowName, className, exStyle};
  if (!Send(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || w->dead) {
    if (!w->dead) DestroyWindow(w->h);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (Send(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || w->dead) {
    if (!w->dead) DestroyWindow(w->h);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (w->style & WS_VISIBLE) InvalidateAll(w);
  return w->h;
}

KVAPI BOOL DestroyWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w || w == C().desktop) return FALSE;
  if (w->style & WS_VISIBLE) w->style &= ~WS_VISIBLE;
  DestroyTree(w);  // frees the record unless someone still holds it
  return TRUE;
}

KVAPI BOOL IsWindow(HWND hwnd) { return Peek(hwnd) != nullptr; }

KVAPI BOOL IsChild(HWND parent, HWND hwnd) {
  Window* p = Peek(parent);
  Window* w = Peek(hwnd);
  if (!p || !w) return FALSE;
  for (; w && (w->style & WS_CHILD); w = w->parent)
    if (w->parent == p) return TRUE;
  return FALSE;
}

KVAPI HWND GetDesktopWindow(void) { return Desktop()->h; }

KVAPI HWND GetParent(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent ? w->parent->h : nullptr;
  if (w->style & WS_POPUP) return w->owner;
  return nullptr;
}

KVAPI HWND SetParent(HWND hwnd, HWND parent) {
  Window* w = FromHandle(hwnd);
  Window* p = parent ? FromHandle(parent) : Desktop();
  if (!w || !p) return nullptr;
  for (Window* a = p; a; a = a->parent)
    if (a == w) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  HWND old = w->parent ? w->parent->h : nullptr;
  Detach(w);
  w->parent = p;
  p->children.push_back(w);
  return old;
}

KVAPI HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->h;
  if (cmd == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  if (!w->parent) return nullptr;
  auto& v = w->parent->children;
  auto it = std::find(v.begin(), v.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST: return v.front()->h;
    case GW_HWNDLAST: return v.back()->h;
    case GW_HWNDNEXT: return it + 1 == v.end() ? nullptr : (*(it + 1))->h;
    case GW_HWNDPREV: return it == v.begin() ? nullptr : (*(it - 1))->h;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

KVAPI HWND GetTopWindow(HWND hwnd) { return GetWindow(hwnd ? hwnd : Desktop()->h, GW_CHILD); }

KVAPI BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  Window* p = parent ? FromHandle(parent) : Desktop();
  if (!p || !proc) return FALSE;
  std::vector<HWND> hs;
  for (Window* d : Descendants(p)) hs.push_back(d->h);
  for (HWND h : hs)
    if (Peek(h) && !proc(h, lParam)) break;
  return TRUE;
}

KVAPI BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  std::vector<HWND> hs;
  for (Window* w : Desktop()->children) hs.push_back(w->h);
  for (HWND h : hs)
    if (Peek(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

KVAPI HWND FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  Window* p = parent ? FromHandle(parent) : Desktop();
  if (!p) return nullptr;
  bool started = childAfter == nullptr;
  for (Window* w : p->children) {
    if (!started) {
      started = w->h == childAfter;
      continue;
    }
    if (className) {
      bool match = IS_INTRESOURCE(className) ? w->cls->atom == ATOM(ULONG_PTR(className)) : WEqualI(w->cls->name, WView(className));
      if (!match) continue;
    }
    if (windowName && !WEqualI(w->text, WView(windowName))) continue;
    return w->h;
  }
  return nullptr;
}

KVAPI HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) { return FindWindowExW(nullptr, nullptr, className, windowName); }

KVAPI LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? (w->parent ? w->parent->h : nullptr) : w->owner);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->exStyle));
    case GWLP_USERDATA: return w->userData;
  }
  bool ok;
  LONG_PTR v = ReadExtra(w, index, &ok);
  if (!ok) SetLastError(ERROR_INVALID_INDEX);
  return v;
}

KVAPI LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      if (!value) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      if (w->style & WS_CHILD) return reinterpret_cast<LONG_PTR>(SetParent(hwnd, reinterpret_cast<HWND>(value)));
      old = reinterpret_cast<LONG_PTR>(w->owner);
      w->owner = reinterpret_cast<HWND>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      DWORD& s = index == GWL_STYLE ? w->style : w->exStyle;
      old = LONG_PTR(LONG(s));
      s = DWORD(value);
      Send(w, WM_STYLECHANGED, WPARAM(index), 0);
      return old;
    }
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
  }
  bool ok;
  old = ReadExtra(w, index, &ok);
  if (!ok) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  std::memcpy(w->extra.data() + index, &value, sizeof value);
  SetLastError(0);
  return old;
}

KVAPI LONG GetWindowLongW(HWND hwnd, int index) { return LONG(GetWindowLongPtrW(hwnd, index)); }
KVAPI LONG SetWindowLongW(HWND hwnd, int index, LONG value) { return LONG(SetWindowLongPtrW(hwnd, index, value)); }

KVAPI LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  Window* w = Peek(hwnd);
  if (!w) return proc(hwnd, msg, wParam, lParam);
  Core& c = C();
  if (c.depth >= kMaxSendDepth) {
    SetLastError(ERROR_STACK_OVERFLOW);
    return 0;
  }
  Pin pin(w);
  ++c.depth;
  LRESULT r = proc(hwnd, msg, wParam, lParam);
  --c.depth;
  return r;
}

KVAPI int GetDlgCtrlID(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && (w->style & WS_CHILD) ? int(w->id) : 0;
}

KVAPI BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  return Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE : FALSE;
}

KVAPI int GetWindowTextW(HWND hwnd, LPWSTR text, int count) {
  Window* w = FromHandle(hwnd);
  if (!w || !text || count <= 0) return 0;
  text[0] = 0;
  return int(Send(w, WM_GETTEXT, WPARAM(count), reinterpret_cast<LPARAM>(text)));
}

KVAPI int GetWindowTextLengthW(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w ? int(Send(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

KVAPI BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Window* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ScreenRect(w);
  return TRUE;
}

KVAPI BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ClientRect(w);
  return TRUE;
}

KVAPI BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Window* w = FromHandle(hwnd);
  if (!w || w == C().desktop) return FALSE;
  Pin pin(w);
  RECT old = w->rect;
  if (!(flags & SWP_NOMOVE)) {
    LONG wd = w->rect.right - w->rect.left, ht = w->rect.bottom - w->rect.top;
    w->rect = RECT{x, y, x + wd, y + ht};
  }
  if (!(flags & SWP_NOSIZE)) w->rect = RECT{w->rect.left, w->rect.top, w->rect.left + std::max(0, cx), w->rect.top + std::max(0, cy)};
  if (!(flags & SWP_NOZORDER) && w->parent) {
    auto& v = w->parent->children;
    Window* after = nullptr;
    if (insertAfter != HWND_TOP && insertAfter != HWND_BOTTOM && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
      after = Peek(insertAfter);
      if (!after || after->parent != w->parent || after == w) after = nullptr;
    }
    if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~DWORD(WS_EX_TOPMOST);
    v.erase(std::find(v.begin(), v.end(), w));
    if (after) v.insert(std::find(v.begin(), v.end(), after) + 1, w);
    else if (insertAfter == HWND_BOTTOM) v.push_back(w);
    else v.insert(v.begin(), w);
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  if (w->dead) return TRUE;
  bool moved = old.left != w->rect.left || old.top != w->rect.top;
  bool sized = (old.right - old.left) != (w->rect.right - w->rect.left) || (old.bottom - old.top) != (w->rect.bottom - w->rect.top);
  if (moved || sized) {
    WINDOWPOS wp{hwnd, insertAfter, int(w->rect.left), int(w->rect.top), int(w->rect.right - w->rect.left),
                 int(w->rect.bottom - w->rect.top), flags};
    Send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    RECT cr = ClientRect(w);
    if (moved) Send(w, WM_MOVE, 0, MAKELPARAM(ClientInsets(w).left + w->rect.left, ClientInsets(w).top + w->rect.top));
    if (sized && !w->dead) Send(w, WM_SIZE, 0, MAKELPARAM(cr.right, cr.bottom));
    if (!w->dead && !(flags & SWP_NOREDRAW)) InvalidateAll(w);
  }
  return TRUE;
}

KVAPI BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

KVAPI int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from) {
    Window* f = FromHandle(from);
    if (!f) return 0;
    a = ClientOrigin(f);
  }
  if (to) {
    Window* t = FromHandle(to);
    if (!t) return 0;
    b = ClientOrigin(t);
  }
  LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(0);
  return int(MAKELONG(WORD(SHORT(dx)), WORD(SHORT(dy))));
}

KVAPI BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  Window* w = FromHandle(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

KVAPI BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  Window* w = FromHandle(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

namespace {
bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
Window* Hit(Window* w, POINT screen) {
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE) || !Inside(ScreenRect(c), screen)) continue;
    Window* deeper = Hit(c, screen);
    return deeper ? deeper : c;
  }
  return nullptr;
}
}  // namespace

KVAPI HWND WindowFromPoint(POINT pt) {
  Window* w = Hit(Desktop(), pt);
  return w ? w->h : nullptr;
}

KVAPI HWND ChildWindowFromPoint(HWND parent, POINT pt) {
  Window* p = FromHandle(parent);
  if (!p) return nullptr;
  RECT cr = ClientRect(p);
  if (!Inside(cr, pt)) return nullptr;
  POINT o = ClientOrigin(p);
  POINT s{pt.x + o.x, pt.y + o.y};
  for (Window* c : p->children)
    if (Inside(ScreenRect(c), s)) return c->h;
  return parent;
}

KVAPI BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  Pin pin(w);
  bool was = (w->style & WS_VISIBLE) != 0;
  bool show = cmd != SW_HIDE;
  if (was == show) return was;
  Send(w, WM_SHOWWINDOW, show, 0);
  if (w->dead) return was;
  if (show) {
    w->style |= WS_VISIBLE;
    InvalidateAll(w);
    if (!(w->style & WS_CHILD) && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWNA && cmd != SW_SHOWMINNOACTIVE)
      SetActiveWindow(hwnd);
  } else {
    w->style &= ~WS_VISIBLE;
    if (w->parent && w->parent != C().desktop) InvalidateAll(w->parent);
    HWND f = C().focus;
    if (Window* fw = Peek(f); fw && (fw == w || IsChild(hwnd, f))) SetFocusInternal(nullptr);
  }
  return was;
}

KVAPI BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Peek(hwnd);
  return w && Visible(w);
}

KVAPI BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  Pin pin(w);
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) w->style &= ~DWORD(WS_DISABLED);
  else w->style |= WS_DISABLED;
  if (!enable) {
    HWND f = C().focus;
    if (f == hwnd || IsChild(hwnd, f)) SetFocusInternal(nullptr);
    if (C().capture == hwnd) ReleaseCapture();
  }
  Send(w, WM_ENABLE, enable, 0);
  if (!w->dead) InvalidateAll(w);
  return wasDisabled;
}

KVAPI BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = Peek(hwnd);
  return w && Enabled(w);
}

KVAPI HWND SetFocus(HWND hwnd) {
  HWND old = C().focus;
  if (!hwnd) {
    SetFocusInternal(nullptr);
    return old;
  }
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  for (Window* a = w; a && a != C().desktop; a = a->parent)
    if (a->style & WS_DISABLED) return nullptr;
  Window* top = TopLevelOf(w);
  if (top && C().active != top->h) C().active = top->h;
  SetFocusInternal(w);
  return old;
}

KVAPI HWND GetFocus(void) { return Peek(C().focus) ? C().focus : nullptr; }

KVAPI HWND SetActiveWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  w = TopLevelOf(w);
  HWND old = C().active;
  if (old == w->h) return old;
  C().active = w->h;
  if (Window* o = Peek(old)) Send(o, WM_ACTIVATE, 0, reinterpret_cast<LPARAM>(w->h));
  if (!w->dead) Send(w, WM_ACTIVATE, 1, reinterpret_cast<LPARAM>(old));
  return old;
}

KVAPI HWND GetActiveWindow(void) { return Peek(C().active) ? C().active : nullptr; }
KVAPI HWND GetForegroundWindow(void) { return GetActiveWindow(); }
KVAPI BOOL SetForegroundWindow(HWND hwnd) { return SetActiveWindow(hwnd) != nullptr || GetActiveWindow() == hwnd; }

KVAPI HWND SetCapture(HWND hwnd) {
  HWND old = C().capture;
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  C().capture = hwnd;
  if (old && old != hwnd)
    if (Window* o = Peek(old)) Send(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return Peek(old) ? old : nullptr;
}

KVAPI HWND GetCapture(void) { return Peek(C().capture) ? C().capture : nullptr; }

KVAPI BOOL ReleaseCapture(void) {
  HWND old = C().capture;
  C().capture = nullptr;
  if (Window* o = Peek(old)) Send(o, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}
