// Edits: single and multi-line text with a limit, a password character, a selection, a process-wide
// clipboard for cut, copy and paste, and the EN_ notifications.
#include "ctl_common.h"

namespace kvp::ui {
namespace {

struct EditData : ControlData {
  size_t limit = 30000;
  size_t start = 0, end = 0;  // the selection, start <= end
  WCHAR password = 0;
  bool modified = false, focus = false;
};

std::u16string& Clipboard() {
  static auto* c = new std::u16string;
  return *c;
}

}  // namespace

void SetClipboardText(std::u16string_view text) { Clipboard() = std::u16string(text); }
std::u16string ClipboardText() { return Clipboard(); }

namespace {

void Changed(Window* w) {
  Pin pin(w);
  InvalidateAll(w);
  Notify(w, EN_UPDATE);
  if (!w->dead) Notify(w, EN_CHANGE);
}

// Replaces the selection by `s`, cut to what the limit leaves; EN_MAXTEXT when something had to go.
bool ReplaceSel(Window* w, std::u16string s, bool notify) {
  auto* d = DataOf<EditData>(w);
  size_t keep = w->text.size() - (d->end - d->start);
  if (keep + s.size() > d->limit) {
    size_t room = d->limit > keep ? d->limit - keep : 0;
    s.resize(room);
    Notify(w, EN_MAXTEXT);
    if (w->dead || s.empty()) return false;
  }
  w->text.replace(d->start, d->end - d->start, s);
  d->start = d->end = d->start + s.size();
  d->modified = true;
  if (notify) Changed(w);
  return true;
}

WCHAR Cased(Window* w, WCHAR c) {
  if ((w->style & ES_UPPERCASE) && c >= u'a' && c <= u'z') return WCHAR(c - 32);
  if ((w->style & ES_LOWERCASE) && c >= u'A' && c <= u'Z') return WCHAR(c + 32);
  return c;
}

void Paint(Window* w, HDC dc) {
  auto* d = DataOf<EditData>(w);
  RECT r = ClientRect(w);
  bool grey = !Enabled(w) || (w->style & ES_READONLY);
  FillRect(dc, &r, ParentBrush(w, grey ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, dc, grey ? COLOR_BTNFACE : COLOR_WINDOW));
  std::u16string shown = w->text;
  if (d->password && !(w->style & ES_MULTILINE)) shown.assign(w->text.size(), d->password);
  int fh = FontHeight(w->font);
  int x0 = 2, y = 1;
  if (!(w->style & ES_MULTILINE)) y = int((r.bottom - fh) / 2);
  size_t lineStart = 0;
  COLORREF tc = Enabled(w) ? SysColor(COLOR_WINDOWTEXT) : SysColor(COLOR_GRAYTEXT);
  while (lineStart <= shown.size()) {
    size_t nl = (w->style & ES_MULTILINE) ? shown.find(u"\r\n", lineStart) : std::u16string::npos;
    size_t lineEnd = nl == std::u16string::npos ? shown.size() : nl;
    std::u16string_view line = std::u16string_view(shown).substr(lineStart, lineEnd - lineStart);
    // The selection of this line, highlighted while the edit has the focus.
    if (d->focus && d->end > d->start && d->end > lineStart && d->start < lineEnd) {
      size_t a = std::max(d->start, lineStart) - lineStart, b = std::min(d->end, lineEnd) - lineStart;
      int xa = x0 + TextWidth(w->font, line.substr(0, a)), xb = x0 + TextWidth(w->font, line.substr(0, b));
      FillSolid(dc, RECT{xa, y, xb, y + fh}, SysColor(COLOR_HIGHLIGHT));
      DrawTextIn(dc, line.substr(0, a), RECT{x0, y, r.right, y + fh}, DT_NOPREFIX | DT_SINGLELINE, tc);
      DrawTextIn(dc, line.substr(a, b - a), RECT{xa, y, r.right, y + fh}, DT_NOPREFIX | DT_SINGLELINE, SysColor(COLOR_HIGHLIGHTTEXT));
      DrawTextIn(dc, line.substr(b), RECT{xb, y, r.right, y + fh}, DT_NOPREFIX | DT_SINGLELINE, tc);
    } else {
      DrawTextIn(dc, line, RECT{x0, y, r.right, y + fh}, DT_NOPREFIX | DT_SINGLELINE, tc);
    }
    if (nl == std::u16string::npos) break;
    lineStart = nl + 2;
    y += fh;
  }
  if (d->focus && d->start == d->end && !(w->style & ES_MULTILINE)) {
    int cx = x0 + TextWidth(w->font, std::u16string_view(shown).substr(0, d->start));
    FillSolid(dc, RECT{cx, y, cx + 1, y + fh}, tc);
  }
}

}  // namespace

LRESULT EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<EditData>(w);
  size_t len = w->text.size();
  switch (msg) {
    case WM_CREATE:
      if ((w->style & ES_PASSWORD) && !(w->style & ES_MULTILINE)) d->password = u'*';
      return 0;
    case WM_SETTEXT: {
      w->text = std::u16string(WView(reinterpret_cast<LPCWSTR>(lp)));
      d->start = d->end = 0;
      d->modified = false;
      Changed(w);
      return TRUE;
    }
    case EM_GETSEL: {
      if (wp) *reinterpret_cast<DWORD*>(wp) = DWORD(d->start);
      if (lp) *reinterpret_cast<DWORD*>(lp) = DWORD(d->end);
      if (d->start > 0xFFFF || d->end > 0xFFFF) return -1;
      return MAKELRESULT(WORD(d->start), WORD(d->end));
    }
    case EM_SETSEL: {
      long long a = (long long)(INT_PTR)wp, b = (long long)lp;
      if (a == -1) {
        d->start = d->end;
      } else {
        if (b < 0) b = (long long)len;
        if (a < 0) a = (long long)len;
        size_t s = size_t(std::min<long long>(a, (long long)len)), e = size_t(std::min<long long>(b, (long long)len));
        d->start = std::min(s, e);
        d->end = std::max(s, e);
      }
      InvalidateAll(w);
      return 0;
    }
    case EM_REPLACESEL:
      ReplaceSel(w, std::u16string(WView(reinterpret_cast<LPCWSTR>(lp))), true);
      return 0;
    case EM_LIMITTEXT:
      d->limit = wp ? size_t(wp) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return LRESULT(d->limit);
    case EM_SETPASSWORDCHAR:
      if (!(w->style & ES_MULTILINE)) {
        d->password = WCHAR(wp);
        if (wp) w->style |= ES_PASSWORD;
        else w->style &= ~DWORD(ES_PASSWORD);
        InvalidateAll(w);
      }
      return 0;
    case EM_GETPASSWORDCHAR:
      return d->password;
    case EM_GETMODIFY:
      return d->modified;
    case EM_SETMODIFY:
      d->modified = wp != 0;
      return 0;
    case EM_SETREADONLY:
      if (wp) w->style |= ES_READONLY;
      else w->style &= ~DWORD(ES_READONLY);
      InvalidateAll(w);
      return TRUE;
    case EM_GETLINECOUNT: {
      if (!(w->style & ES_MULTILINE)) return 1;
      LRESULT n = 1;
      for (size_t at = w->text.find(u"\r\n"); at != std::u16string::npos; at = w->text.find(u"\r\n", at + 2)) ++n;
      return n;
    }
    case WM_CHAR: {
      WCHAR c = WCHAR(wp);
      if (c == 0x16) return Send(w, WM_PASTE, 0, 0);
      if (c == 0x03) return Send(w, WM_COPY, 0, 0);
      if (c == 0x18) return Send(w, WM_CUT, 0, 0);
      if (c == 0x01) {
        d->start = 0;
        d->end = len;
        InvalidateAll(w);
        return 0;
      }
      if (w->style & ES_READONLY) {
        MessageBeep(0);
        return 0;
      }
      if (c == VK_BACK) {
        if (d->start == d->end) {
          if (d->start == 0) return 0;
          d->start -= (d->start >= 2 && w->text.compare(d->start - 2, 2, u"\r\n") == 0) ? 2 : 1;
        }
        w->text.erase(d->start, d->end - d->start);
        d->end = d->start;
        d->modified = true;
        Changed(w);
        return 0;
      }
      if (c == u'\r') {
        if (w->style & ES_MULTILINE) ReplaceSel(w, u"\r\n", true);
        return 0;
      }
      if (c < 0x20) return 0;
      if ((w->style & ES_NUMBER) && (c < u'0' || c > u'9')) {
        MessageBeep(0);
        return 0;
      }
      ReplaceSel(w, std::u16string(1, Cased(w, c)), true);
      return 0;
    }
    case WM_KEYDOWN:
      switch (wp) {
        case VK_LEFT: d->start = d->end = d->start > 0 ? d->start - 1 : 0; break;
        case VK_RIGHT: d->start = d->end = std::min(len, d->end + 1); break;
        case VK_HOME: d->start = d->end = 0; break;
        case VK_END: d->start = d->end = len; break;
        case VK_DELETE:
          if (w->style & ES_READONLY) return 0;
          if (d->start == d->end && d->end < len) ++d->end;
          if (d->start != d->end) {
            w->text.erase(d->start, d->end - d->start);
            d->end = d->start;
            d->modified = true;
            Changed(w);
          }
          return 0;
        default: return 0;
      }
      InvalidateAll(w);
      return 0;
    case WM_COPY:
    case WM_CUT:
      if (d->end > d->start && !d->password) {
        Clipboard() = w->text.substr(d->start, d->end - d->start);
        if (msg == WM_CUT && !(w->style & ES_READONLY)) ReplaceSel(w, u"", true);
      }
      return 0;
    case WM_CLEAR:
      if (d->end > d->start && !(w->style & ES_READONLY)) ReplaceSel(w, u"", true);
      return 0;
    case WM_PASTE: {
      if (w->style & ES_READONLY) return 0;
      std::u16string s = Clipboard();
      if (!(w->style & ES_MULTILINE)) {
        size_t nl = s.find_first_of(u"\r\n");
        if (nl != std::u16string::npos) s.resize(nl);
      }
      if (!s.empty()) ReplaceSel(w, s, true);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != h) SetFocus(h);
      if (w->dead) return 0;
      // The caret goes to the character boundary nearest the click (first line only for simplicity of
      // single-line edits; a multi-line edit puts it at the end).
      if (w->style & ES_MULTILINE) {
        d->start = d->end = len;
      } else {
        int x = GET_X_LPARAM(lp) - 2;
        size_t i = 0;
        while (i < len && TextWidth(w->font, std::u16string_view(w->text).substr(0, i + 1)) <= x) ++i;
        d->start = d->end = i;
      }
      if (msg == WM_LBUTTONDBLCLK) {
        d->start = 0;
        d->end = len;
      }
      InvalidateAll(w);
      return 0;
    }
    case WM_SETFOCUS:
      d->focus = true;
      InvalidateAll(w);
      Notify(w, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      d->focus = false;
      InvalidateAll(w);
      Notify(w, EN_KILLFOCUS);
      return 0;
  }
  return ControlDefault(w, msg, wp, lp, Paint);
}

}  // namespace kvp::ui
