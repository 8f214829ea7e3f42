// Dialogs from templates, the dialog class's own handling, dialog item helpers, message boxes and the
// recorded help viewer.
#include <algorithm>
#include <cstring>

#include "ui_internal.h"

namespace kvp::ui {
namespace {

constexpr size_t kIndirectTemplateBound = size_t(1) << 20;

DLGPROC ProcOf(Window* w) {
  if (w->extra.size() < DWLP_USER + sizeof(LONG_PTR)) return nullptr;
  LONG_PTR v;
  std::memcpy(&v, w->extra.data() + DWLP_DLGPROC, sizeof v);
  return reinterpret_cast<DLGPROC>(v);
}

LONG_PTR MsgResult(Window* w) {
  LONG_PTR v = 0;
  if (w->extra.size() >= sizeof v) std::memcpy(&v, w->extra.data() + DWLP_MSGRESULT, sizeof v);
  return v;
}

const char16_t* ItemClass(const DialogItem& it) {
  switch (it.classAtom) {
    case 0x80: return WC_BUTTONW;
    case 0x81: return WC_EDITW;
    case 0x82: return WC_STATICW;
    case 0x83: return WC_LISTBOXW;
    case 0x84: return WC_SCROLLBARW;
    case 0x85: return WC_COMBOBOXW;
  }
  return it.className.c_str();
}

int Dx(int du) { return MulDiv(du, kBaseX, 4); }
int Dy(int du) { return MulDiv(du, kBaseY, 8); }

// A control the keyboard can reach: a tab stop of its own that is shown and enabled (the dialog itself
// may still be hidden while it is being built).
bool TabStop(Window* c) { return (c->style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE); }

Window* FirstTabStop(Window* d) {
  for (Window* c : d->children)
    if (TabStop(c)) return c;
  return nullptr;
}

HWND Build(HINSTANCE instance, const DialogDesc& d, HWND owner, DLGPROC proc, LPARAM param) {
  Window* ow = owner ? FromHandle(owner) : nullptr;
  if (owner && !ow) return nullptr;
  DWORD style = d.style & ~DWORD(WS_VISIBLE);
  RECT ins{};
  {
    Window probe;
    probe.style = style;
    probe.exStyle = d.exStyle;
    ins = ClientInsets(&probe);
  }
  int cw = Dx(d.cx), ch = Dy(d.cy);
  int ww = cw + int(ins.left + ins.right), wh = ch + int(ins.top + ins.bottom);
  int x = Dx(d.x), y = Dy(d.y);
  if (!(style & WS_CHILD)) {
    POINT base{0, 0};
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 40};
    if (ow) {
      base = ClientOrigin(ow);
      area = ScreenRect(ow);
    }
    if ((d.style & DS_CENTER) || (d.x == 0 && d.y == 0)) {
      x = int(area.left + (area.right - area.left - ww) / 2);
      y = int(area.top + (area.bottom - area.top - wh) / 2);
    } else {
      x += int(base.x);
      y += int(base.y);
    }
  }
  std::u16string cls = d.className.empty() ? std::u16string(WC_DIALOGW) : d.className;
  HWND h = CreateWindowExW(d.exStyle, cls.c_str(), d.caption.c_str(), style, x, y, ww, wh, owner, nullptr, instance, nullptr);
  Window* w = Peek(h);
  if (!w) return nullptr;
  Pin pin(w);
  w->dialog = true;
  w->font = DefaultFont();
  if (w->extra.size() >= DWLP_USER + sizeof(LONG_PTR)) {
    LONG_PTR p = reinterpret_cast<LONG_PTR>(proc);
    std::memcpy(w->extra.data() + DWLP_DLGPROC, &p, sizeof p);
  }
  for (const DialogItem& it : d.items) {
    LPCWSTR text = it.textId ? MAKEINTRESOURCEW(it.textId) : it.text.c_str();
    HWND c = CreateWindowExW(it.exStyle, ItemClass(it), text, it.style | WS_CHILD, Dx(it.x), Dy(it.y), Dx(it.cx), Dy(it.cy), h,
                             reinterpret_cast<HMENU>(ULONG_PTR(WORD(it.id))), instance, nullptr);
    if (w->dead) return nullptr;
    if (!c) {
      DWORD err = GetLastError();
      DestroyWindow(h);
      SetLastError(err);
      return nullptr;
    }
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(w->font), 0);
  }
  Window* first = FirstTabStop(w);
  LRESULT r = Send(w, WM_INITDIALOG, reinterpret_cast<WPARAM>(first ? first->h : nullptr), param);
  if (w->dead) return nullptr;
  if (r && first && Peek(first->h) && !first->dead) SetFocus(first->h);
  return h;
}

bool LoadTemplate(HINSTANCE instance, LPCWSTR name, DialogDesc* d) {
  HRSRC r = FindResourceW(instance, name, RT_DIALOG);
  if (!r) return false;
  const void* p = LockResource(LoadResource(instance, r));
  if (!p || !DecodeDialogTemplate(p, SizeofResource(instance, r), d)) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  return true;
}

// What a modal window does to its owner: disabled while the window is up; enabled, active and focused as
// before once it has gone.
class OwnerHold {
 public:
  explicit OwnerHold(HWND top) : top_(top), focus_(GetFocus()) {
    disabled_ = top && IsWindowEnabled(top);
    if (disabled_) EnableWindow(top, FALSE);
  }
  ~OwnerHold() {
    if (!top_ || !IsWindow(top_)) return;
    if (disabled_) EnableWindow(top_, TRUE);
    SetActiveWindow(top_);
    if (focus_ && (focus_ == top_ || IsChild(top_, focus_)) && IsWindowEnabled(focus_)) SetFocus(focus_);
  }
  OwnerHold(const OwnerHold&) = delete;
  OwnerHold& operator=(const OwnerHold&) = delete;

 private:
  HWND top_, focus_;
  bool disabled_ = false;
};

INT_PTR Modal(HINSTANCE instance, const DialogDesc& d, HWND owner, DLGPROC proc, LPARAM param) {
  // A modal dialog is a pop-up owned by the top-level window of the given owner.
  Window* ow = owner ? FromHandle(owner) : nullptr;
  if (owner && !ow) return -1;
  HWND top = ow ? TopLevelOf(ow)->h : nullptr;
  DialogDesc dd = d;
  if (dd.style & WS_CHILD) dd.style = (dd.style & ~DWORD(WS_CHILD)) | WS_POPUP;
  OwnerHold hold(top);
  HWND h = Build(instance, dd, top, proc, param);
  Window* w = Peek(h);
  if (!w) return -1;
  Pin pin(w);
  if (!w->ended) ShowWindow(h, SW_SHOW);
  INT_PTR result = RunModal(w);
  DWORD err = GetLastError();
  if (!w->dead) DestroyWindow(h);
  SetLastError(err);
  return result;
}

HWND Modeless(HINSTANCE instance, const DialogDesc& d, HWND parent, DLGPROC proc, LPARAM param) {
  HWND h = Build(instance, d, parent, proc, param);
  if (h && (d.style & WS_VISIBLE)) ShowWindow(h, SW_SHOW);
  return h;
}

// ---- message boxes ----------------------------------------------------------------------------------------------

struct BoxButton {
  int id;
  const char16_t* text;
};

std::vector<BoxButton> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK: return {{IDOK, u"OK"}};
    case MB_OKCANCEL: return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, u"&Abort"}, {IDRETRY, u"&Retry"}, {IDIGNORE, u"&Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, u"&Yes"}, {IDNO, u"&No"}, {IDCANCEL, u"Cancel"}};
    case MB_YESNO: return {{IDYES, u"&Yes"}, {IDNO, u"&No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, u"&Retry"}, {IDCANCEL, u"Cancel"}};
  }
  return {};
}

INT_PTR BoxProc(HWND h, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg != WM_COMMAND) return FALSE;
  Window* w = Peek(h);
  if (!w) return FALSE;
  int id = LOWORD(wp);
  for (const BoxButton& b : ButtonsOf(w->boxType))
    if (b.id == id) {
      EndDialog(h, id);
      return TRUE;
    }
  // Escape or the close box: Cancel where there is one; a lone OK answers OK; otherwise nothing.
  if (id == IDCANCEL && (w->boxType & MB_TYPEMASK) == MB_OK) EndDialog(h, IDOK);
  return TRUE;
}

}  // namespace
}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

KVAPI INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  DialogDesc d;
  if (!LoadTemplate(instance, name, &d)) return -1;
  return Modal(instance, d, owner, proc, param);
}

KVAPI INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param) {
  DialogDesc d;
  if (!tmpl || !DecodeDialogTemplate(tmpl, kIndirectTemplateBound, &d)) {
    SetLastError(ERROR_INVALID_DATA);
    return -1;
  }
  return Modal(instance, d, owner, proc, param);
}

KVAPI HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param) {
  DialogDesc d;
  if (!LoadTemplate(instance, name, &d)) return nullptr;
  return Modeless(instance, d, parent, proc, param);
}

KVAPI HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* tmpl, HWND parent, DLGPROC proc, LPARAM param) {
  DialogDesc d;
  if (!tmpl || !DecodeDialogTemplate(tmpl, kIndirectTemplateBound, &d)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return Modeless(instance, d, parent, proc, param);
}

KVAPI BOOL EndDialog(HWND dialog, INT_PTR result) {
  Window* w = FromHandle(dialog);
  if (!w) return FALSE;
  if (!w->dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->ended = true;
  w->result = result;
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

KVAPI LRESULT DefDlgProcW(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Peek(dialog);
  if (!w) return 0;
  Pin pin(w);
  DLGPROC proc = ProcOf(w);
  if (proc) {
    INT_PTR r = proc(dialog, msg, wParam, lParam);
    if (w->dead) return r;
    if (r) {
      switch (msg) {
        case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN: case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_INITDIALOG:
          return r;
      }
      return MsgResult(w);
    }
  }
  switch (msg) {
    case WM_INITDIALOG:
      return proc ? 0 : TRUE;
    case WM_CLOSE: {
      Window* cancel = FindDescendantById(w, IDCANCEL);
      Send(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel ? cancel->h : nullptr));
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT r = ClientRect(w);
      FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case DM_GETDEFID:
      for (Window* c : w->children)
        if (c->cls->kind == ControlKind::kButton && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
          return MAKELRESULT(WORD(c->id), DC_HASDEFID);
      return 0;
    case DM_SETDEFID:
      for (Window* c : w->children) {
        if (c->cls->kind != ControlKind::kButton) continue;
        DWORD t = c->style & BS_TYPEMASK;
        if (c->id == LONG_PTR(wParam) && t == BS_PUSHBUTTON) SendMessageW(c->h, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        else if (c->id != LONG_PTR(wParam) && t == BS_DEFPUSHBUTTON) SendMessageW(c->h, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      }
      return TRUE;
  }
  return DefWindowProcW(dialog, msg, wParam, lParam);
}

KVAPI BOOL IsDialogMessageW(HWND dialog, MSG* msg) {
  Window* d = Peek(dialog);
  if (!d || !msg || !msg->hwnd) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    Window* f = Peek(GetFocus());
    switch (msg->wParam) {
      case VK_RETURN: {
        if (f && f->cls->kind == ControlKind::kEdit && (f->style & ES_MULTILINE) && (f->style & ES_WANTRETURN)) break;
        int id = IDOK;
        Window* b = nullptr;
        if (f && f->cls->kind == ControlKind::kButton && ((f->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON)) {
          b = f;
          id = int(f->id);
        } else if (LRESULT def = Send(d, DM_GETDEFID, 0, 0); HIWORD(def) == DC_HASDEFID) {
          id = LOWORD(def);
          b = FindDescendantById(d, id);
        }
        if (b && !Enabled(b)) {
          MessageBeep(0);
          return TRUE;
        }
        Send(d, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), reinterpret_cast<LPARAM>(b ? b->h : nullptr));
        return TRUE;
      }
      case VK_ESCAPE: {
        Window* c = FindDescendantById(d, IDCANCEL);
        Send(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(c ? c->h : nullptr));
        return TRUE;
      }
      case VK_TAB:
        if (HWND next = GetNextDlgTabItem(dialog, GetFocus(), FALSE)) SetFocus(next);
        return TRUE;
    }
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

KVAPI HWND GetDlgItem(HWND dialog, int id) {
  Window* d = FromHandle(dialog);
  if (!d) return nullptr;
  for (Window* c : d->children)
    if (int(c->id) == id) return c->h;
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

KVAPI UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int count) {
  if (text && count > 0) text[0] = 0;
  HWND c = GetDlgItem(dialog, id);
  return c ? UINT(GetWindowTextW(c, text, count)) : 0;
}

KVAPI BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SetWindowTextW(c, text) : FALSE;
}

KVAPI UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  WCHAR buf[64];
  if (!GetDlgItemTextW(dialog, id, buf, 64)) return 0;
  std::u16string_view s = WView(buf);
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  bool neg = false;
  if (isSigned && !s.empty() && s.front() == u'-') {
    neg = true;
    s.remove_prefix(1);
  }
  if (s.empty()) return 0;
  unsigned long long v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return 0;
    v = v * 10 + unsigned(c - u'0');
    if (v > (isSigned ? 0x80000000ULL : 0xFFFFFFFFULL)) return 0;
  }
  if (isSigned && !neg && v > 0x7FFFFFFF) return 0;
  if (translated) *translated = TRUE;
  return neg ? UINT(-(long long)v) : UINT(v);
}

KVAPI BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  std::string s = isSigned ? std::to_string(int(value)) : std::to_string(value);
  std::u16string w(s.begin(), s.end());
  return SetDlgItemTextW(dialog, id, w.c_str());
}

KVAPI BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  SendMessageW(c, BM_SETCHECK, check, 0);
  return TRUE;
}

KVAPI UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? UINT(SendMessageW(c, BM_GETCHECK, 0, 0)) : 0;
}

KVAPI BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  Window* d = FromHandle(dialog);
  if (!d) return FALSE;
  for (Window* c : d->children)
    if (c->id >= first && c->id <= last) SendMessageW(c->h, BM_SETCHECK, c->id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

KVAPI LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SendMessageW(c, msg, wParam, lParam) : 0;
}

KVAPI HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  Window* d = FromHandle(dialog);
  if (!d) return nullptr;
  std::vector<Window*> stops;
  for (Window* c : d->children)
    if (TabStop(c)) stops.push_back(c);
  if (stops.empty()) return nullptr;
  auto it = std::find_if(stops.begin(), stops.end(), [&](Window* c) { return c->h == control; });
  if (it == stops.end()) return (previous ? stops.back() : stops.front())->h;
  size_t i = size_t(it - stops.begin());
  size_t n = stops.size();
  return stops[previous ? (i + n - 1) % n : (i + 1) % n]->h;
}

KVAPI HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  Window* d = FromHandle(dialog);
  Window* c = Peek(control);
  if (!d || !c || c->parent != d) return nullptr;
  auto& v = d->children;
  size_t i = size_t(std::find(v.begin(), v.end(), c) - v.begin());
  size_t start = i;
  while (start > 0 && !(v[start]->style & WS_GROUP)) --start;
  size_t end = i + 1;
  while (end < v.size() && !(v[end]->style & WS_GROUP)) ++end;
  size_t n = end - start;
  for (size_t k = 1; k < n; ++k) {
    size_t j = previous ? start + (i - start + n - k) % n : start + (i - start + k) % n;
    if (Visible(v[j]) && Enabled(v[j])) return v[j]->h;
  }
  return control;
}

KVAPI BOOL MapDialogRect(HWND dialog, RECT* rect) {
  if (!FromHandle(dialog) || !rect) return FALSE;
  rect->left = Dx(int(rect->left));
  rect->right = Dx(int(rect->right));
  rect->top = Dy(int(rect->top));
  rect->bottom = Dy(int(rect->bottom));
  return TRUE;
}

KVAPI LONG GetDialogBaseUnits(void) { return MAKELONG(kBaseX * 4 / 3, kBaseY); }

KVAPI int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  std::vector<BoxButton> buttons = ButtonsOf(type);
  if (buttons.empty() || (type & MB_TYPEMASK) > MB_RETRYCANCEL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Window* ow = owner ? FromHandle(owner) : nullptr;
  if (owner && !ow) return 0;
  HWND top = ow ? TopLevelOf(ow)->h : nullptr;
  std::u16string body(WView(text)), title(caption ? WView(caption) : std::u16string_view(u"Error"));

  // Layout: the icon on the left, the text beside it, the buttons centred below.
  HFONT font = DefaultFont();
  int textW = 0, lines = 1;
  size_t at = 0;
  for (;;) {
    size_t nl = body.find(u'\n', at);
    textW = std::max(textW, TextWidth(font, std::u16string_view(body).substr(at, nl == std::u16string::npos ? std::u16string::npos : nl - at)));
    if (nl == std::u16string::npos) break;
    ++lines;
    at = nl + 1;
  }
  textW = std::min(textW, 900);
  bool icon = (type & MB_ICONMASK) != 0;
  int textX = icon ? 62 : 16;
  int textH = lines * FontHeight(font);
  int btnW = 75, btnH = 23, gap = 8;
  int buttonsW = int(buttons.size()) * btnW + int(buttons.size() - 1) * gap;
  int cw = std::max(textX + textW + 16, buttonsW + 32);
  int ch = std::max(textH, icon ? 32 : 0) + 24 + btnH + 20;
  RECT probeInsets;
  {
    Window probe;
    probe.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    probe.exStyle = WS_EX_DLGMODALFRAME;
    probeInsets = ClientInsets(&probe);
  }
  int ww = cw + int(probeInsets.left + probeInsets.right), wh = ch + int(probeInsets.top + probeInsets.bottom);
  int x = (GetSystemMetrics(SM_CXSCREEN) - ww) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - 40 - wh) / 2;
  HWND h = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, WC_DIALOGW, title.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, ww, wh,
                           top, nullptr, nullptr, nullptr);
  Window* w = Peek(h);
  if (!w) return 0;
  Pin pin(w);
  w->dialog = true;
  w->messageBox = true;
  w->boxType = type;
  w->font = font;
  LONG_PTR p = reinterpret_cast<LONG_PTR>(&BoxProc);
  std::memcpy(w->extra.data() + DWLP_DLGPROC, &p, sizeof p);
  if (icon) {
    LPCWSTR which = IDI_ASTERISK;
    switch (type & MB_ICONMASK) {
      case MB_ICONHAND: which = IDI_HAND; break;
      case MB_ICONQUESTION: which = IDI_QUESTION; break;
      case MB_ICONEXCLAMATION: which = IDI_EXCLAMATION; break;
    }
    HWND ic = CreateWindowExW(0, WC_STATICW, nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, 16, 16, 32, 32, h, reinterpret_cast<HMENU>(20), nullptr, nullptr);
    SendMessageW(ic, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, which)), 0);
  }
  CreateWindowExW(0, WC_STATICW, body.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, textX, 16 + (icon && textH < 32 ? (32 - textH) / 2 : 0),
                  textW + 4, textH, h, reinterpret_cast<HMENU>(0xFFFF), nullptr, nullptr);
  size_t def = std::min<size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);
  int bx = (cw - buttonsW) / 2, by = ch - btnH - 12;
  HWND defButton = nullptr;
  for (size_t i = 0; i < buttons.size(); ++i) {
    DWORD bs = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND b = CreateWindowExW(0, WC_BUTTONW, buttons[i].text, bs, bx + int(i) * (btnW + gap), by, btnW, btnH, h,
                             reinterpret_cast<HMENU>(ULONG_PTR(buttons[i].id)), nullptr, nullptr);
    SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    if (i == def) defButton = b;
  }
  int answer = 0;
  {
    OwnerHold hold(top);
    ShowWindow(h, SW_SHOW);
    if (defButton) SetFocus(defButton);
    INT_PTR result = RunModal(w);
    answer = result > 0 ? int(result) : 0;
    if (!w->dead) DestroyWindow(h);
  }
  RecordMessageBox(MessageBoxRecord{body, title, type, answer});
  if (!answer) SetLastError(ERROR_TIMEOUT);
  return answer;
}

KVAPI BOOL WinHelpW(HWND hwnd, LPCWSTR helpFile, UINT command, ULONG_PTR data) {
  RecordHelp(HelpRecord{hwnd, std::u16string(WView(helpFile)), command, data});
  return TRUE;
}
