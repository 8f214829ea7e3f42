// Buttons (push, default push, check boxes, radio buttons, group boxes, owner-drawn) and statics (texts,
// pictures, icons, rectangles).
#include <cstring>

#include "ctl_common.h"

namespace kvp::ui {
namespace {

struct ButtonData : ControlData {
  UINT check = BST_UNCHECKED;
  bool pushed = false, focus = false;
  HANDLE image = nullptr;
};

DWORD TypeOf(Window* w) { return w->style & BS_TYPEMASK; }
bool IsCheck(DWORD t) { return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE; }
bool IsRadio(DWORD t) { return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON; }

// The radio buttons of w's group: from the sibling that starts the group (WS_GROUP) to the next one.
std::vector<Window*> GroupOf(Window* w) {
  std::vector<Window*> out;
  if (!w->parent) return out;
  auto& v = w->parent->children;
  size_t i = size_t(std::find(v.begin(), v.end(), w) - v.begin());
  size_t start = i;
  while (start > 0 && !(v[start]->style & WS_GROUP)) --start;
  for (size_t k = start; k < v.size(); ++k) {
    if (k > start && (v[k]->style & WS_GROUP)) break;
    out.push_back(v[k]);
  }
  return out;
}

void Clicked(Window* w) {
  Pin pin(w);
  auto* d = DataOf<ButtonData>(w);
  switch (TypeOf(w)) {
    case BS_AUTOCHECKBOX: d->check = d->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: d->check = (d->check + 1) % 3; break;
    case BS_AUTORADIOBUTTON:
      for (Window* s : GroupOf(w))
        if (s != w && s->cls->kind == ControlKind::kButton && IsRadio(TypeOf(s))) Send(s, BM_SETCHECK, BST_UNCHECKED, 0);
      d->check = BST_CHECKED;
      break;
  }
  InvalidateAll(w);
  Notify(w, BN_CLICKED);
}

void CheckMark(HDC dc, RECT box, COLORREF c) {
  // A tick: down from the left third, up to the top right.
  int x0 = int(box.left) + 3, y0 = int(box.top) + 6;
  for (int i = 0; i < 3; ++i)
    for (int t = 0; t < 3; ++t) FillSolid(dc, RECT{x0 + i, y0 + i + t, x0 + i + 1, y0 + i + t + 1}, c);
  for (int i = 0; i < 5; ++i)
    for (int t = 0; t < 3; ++t) FillSolid(dc, RECT{x0 + 3 + i, y0 + 1 - i + t, x0 + 4 + i, y0 + 2 - i + t}, c);
}

void PaintButton(Window* w, HDC dc) {
  auto* d = DataOf<ButtonData>(w);
  RECT r = ClientRect(w);
  DWORD t = TypeOf(w);
  COLORREF tc = TextColour(w);
  if (t == BS_OWNERDRAW) {
    UINT state = (d->pushed ? ODS_SELECTED : 0) | (d->focus ? ODS_FOCUS : 0) | (Enabled(w) ? 0 : ODS_DISABLED);
    OwnerDraw(w, ODT_BUTTON, 0, ODA_DRAWENTIRE, state, dc, r, 0);
    return;
  }
  if (t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON) {
    FillRect(dc, &r, ParentBrush(w, WM_CTLCOLORBTN, dc, COLOR_BTNFACE));
    RECT face = r;
    if (t == BS_DEFPUSHBUTTON) {
      FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
      face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
    }
    FillSolid(dc, face, SysColor(COLOR_BTNFACE));
    Edge3d(dc, face, d->pushed);
    RECT tr = face;
    if (d->pushed) tr = RECT{tr.left + 1, tr.top + 1, tr.right + 1, tr.bottom + 1};
    if (d->image && (w->style & BS_BITMAP)) DrawBitmapAt(dc, static_cast<HBITMAP>(d->image), int(tr.left) + 3, int(tr.top) + 3);
    else DrawTextIn(dc, w->text, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE, tc);
    if (d->focus) {
      RECT f{face.left + 3, face.top + 3, face.right - 3, face.bottom - 3};
      DrawFocusRect(dc, &f);
    }
    return;
  }
  FillRect(dc, &r, ParentBrush(w, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE));
  int fh = FontHeight(w->font);
  if (t == BS_GROUPBOX) {
    int y = fh / 2;
    RECT frame{r.left, r.top + y, r.right, r.bottom};
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT inner{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    FrameRect(dc, &inner, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    if (!w->text.empty()) {
      RECT tr{r.left + 8, r.top, r.left + 8 + TextWidth(w->font, w->text) + 4, r.top + fh};
      FillSolid(dc, tr, SysColor(COLOR_BTNFACE));
      tr.left += 2;
      DrawTextIn(dc, w->text, tr, DT_SINGLELINE, tc);
    }
    return;
  }
  int top = int(r.top + (r.bottom - r.top - 13) / 2);
  RECT box{r.left, top, r.left + 13, top + 13};
  if (IsRadio(t)) {
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        double dx = x - 5.5, dy = y - 5.5, dist = dx * dx + dy * dy;
        COLORREF c = dist <= 20 ? SysColor(COLOR_WINDOW) : dist <= 36 ? SysColor(COLOR_BTNSHADOW) : 0xFFFFFFFF;
        if (d->check == BST_CHECKED && dist <= 6.5) c = tc;
        if (c != 0xFFFFFFFF) FillSolid(dc, RECT{box.left + x, box.top + y, box.left + x + 1, box.top + y + 1}, c);
      }
  } else {
    FillSolid(dc, box, d->check == BST_INDETERMINATE ? SysColor(COLOR_BTNFACE) : SysColor(COLOR_WINDOW));
    Edge3d(dc, box, true);
    if (d->check != BST_UNCHECKED) CheckMark(dc, box, d->check == BST_INDETERMINATE ? SysColor(COLOR_GRAYTEXT) : tc);
  }
  RECT tr{r.left + 17, r.top, r.right, r.bottom};
  DrawTextIn(dc, w->text, tr, DT_VCENTER | DT_SINGLELINE, tc);
  if (d->focus) {
    RECT f{tr.left - 1, int(r.top + (r.bottom - r.top - fh) / 2) - 1, tr.left + TextWidth(w->font, w->text) + 1,
           int(r.top + (r.bottom - r.top + fh) / 2) + 1};
    DrawFocusRect(dc, &f);
  }
}

struct StaticData : ControlData {
  HANDLE image = nullptr;
  bool ownsBitmap = false;
};

void PaintStatic(Window* w, HDC dc) {
  auto* d = DataOf<StaticData>(w);
  RECT r = ClientRect(w);
  DWORD t = w->style & SS_TYPEMASK;
  switch (t) {
    case SS_OWNERDRAW:
      OwnerDraw(w, ODT_STATIC, 0, ODA_DRAWENTIRE, Enabled(w) ? 0 : ODS_DISABLED, dc, r, 0);
      return;
    case SS_BLACKRECT: FillSolid(dc, r, SysColor(COLOR_WINDOWFRAME)); return;
    case SS_GRAYRECT: FillSolid(dc, r, SysColor(COLOR_BTNSHADOW)); return;
    case SS_WHITERECT: FillSolid(dc, r, SysColor(COLOR_WINDOW)); return;
    case SS_BLACKFRAME: FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME)); return;
    case SS_ETCHEDFRAME: Edge3d(dc, r, true); return;
  }
  FillRect(dc, &r, ParentBrush(w, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE));
  if (t == SS_BITMAP) {
    if (d->image) DrawBitmapAt(dc, static_cast<HBITMAP>(d->image), 0, 0);
    return;
  }
  if (t == SS_ICON) {
    if (d->image) DrawIcon(dc, 0, 0, static_cast<HICON>(d->image));
    return;
  }
  UINT fmt = (t == SS_CENTER ? DT_CENTER : t == SS_RIGHT ? DT_RIGHT : DT_LEFT) | ((w->style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
  if (t == SS_LEFT || t == SS_CENTER || t == SS_RIGHT) fmt |= DT_WORDBREAK;
  DrawTextIn(dc, w->text, r, fmt, TextColour(w));
}

void FitToImage(Window* w) {
  LONG cw = 0, ch = 0;
  auto* d = DataOf<StaticData>(w);
  IconDesc ic;
  int bw = 0, bh = 0;
  if ((w->style & SS_TYPEMASK) == SS_BITMAP && BitmapExtent(static_cast<HBITMAP>(d->image), &bw, &bh)) cw = bw, ch = bh;
  else if ((w->style & SS_TYPEMASK) == SS_ICON && IconDescribe(static_cast<HICON>(d->image), &ic)) cw = ic.width, ch = ic.height;
  if (!cw) return;
  RECT ins = ClientInsets(w);
  w->rect.right = w->rect.left + cw + ins.left + ins.right;
  w->rect.bottom = w->rect.top + ch + ins.top + ins.bottom;
}

}  // namespace

LRESULT ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<ButtonData>(w);
  DWORD t = TypeOf(w);
  switch (msg) {
    case BM_GETCHECK:
      return (IsCheck(t) || IsRadio(t)) ? d->check : 0;
    case BM_SETCHECK:
      if (IsCheck(t) || IsRadio(t)) {
        UINT v = UINT(wp);
        if (v == BST_INDETERMINATE && t != BS_3STATE && t != BS_AUTO3STATE) v = BST_CHECKED;
        d->check = v > BST_INDETERMINATE ? BST_CHECKED : v;
        InvalidateAll(w);
      }
      return 0;
    case BM_GETSTATE:
      return d->check | (d->pushed ? BST_PUSHED : 0) | (d->focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
      d->pushed = wp != 0;
      InvalidateAll(w);
      return 0;
    case BM_SETSTYLE:
      w->style = (w->style & ~0xFFFFu) | LOWORD(wp);
      InvalidateAll(w);
      return 0;
    case BM_CLICK:
      if (!Enabled(w)) return 0;
      Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      if (!w->dead) Send(w, WM_LBUTTONUP, 0, 0);
      return 0;
    case BM_SETIMAGE: {
      HANDLE old = d->image;
      d->image = reinterpret_cast<HANDLE>(lp);
      InvalidateAll(w);
      return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
      return reinterpret_cast<LRESULT>(d->image);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (t == BS_GROUPBOX) return 0;
      if (GetFocus() != h) SetFocus(h);
      if (w->dead) return 0;
      SetCapture(h);
      d->pushed = true;
      InvalidateAll(w);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == h) {
        bool was = d->pushed;
        d->pushed = false;
        ReleaseCapture();
        InvalidateAll(w);
        if (was && InClient(w, PointOf(lp))) Clicked(w);
      }
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE && t != BS_GROUPBOX) {
        d->pushed = true;
        InvalidateAll(w);
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE && d->pushed) {
        d->pushed = false;
        Clicked(w);
      }
      return 0;
    case WM_SETFOCUS:
      d->focus = true;
      InvalidateAll(w);
      if (w->style & BS_NOTIFY) Notify(w, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      d->focus = false;
      if (d->pushed) {
        d->pushed = false;
        if (GetCapture() == h) ReleaseCapture();
      }
      InvalidateAll(w);
      if (w->style & BS_NOTIFY) Notify(w, BN_KILLFOCUS);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != h && d->pushed && GetCapture() != h) {
        d->pushed = false;
        InvalidateAll(w);
      }
      return 0;
    case WM_NCHITTEST:
      return t == BS_GROUPBOX ? HTTRANSPARENT : DefWindowProcW(h, msg, wp, lp);
  }
  return ControlDefault(w, msg, wp, lp, PaintButton);
}

LRESULT StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<StaticData>(w);
  DWORD t = w->style & SS_TYPEMASK;
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
      // A picture static names its picture by the text: an id, "#id" or a name in the creating module.
      if ((t == SS_BITMAP || t == SS_ICON) && cs->lpszName && (IS_INTRESOURCE(cs->lpszName) || cs->lpszName[0])) {
        if (t == SS_BITMAP) {
          d->image = LoadBitmapW(cs->hInstance, cs->lpszName);
          d->ownsBitmap = d->image != nullptr;
        } else {
          d->image = LoadIconW(cs->hInstance, cs->lpszName);
        }
        if (!IS_INTRESOURCE(cs->lpszName)) w->text.clear();
        FitToImage(w);
      }
      return 0;
    }
    case WM_NCDESTROY:
      if (d->ownsBitmap && d->image) DeleteObject(d->image);
      d->image = nullptr;
      return 0;
    case STM_SETIMAGE:
    case STM_SETICON: {
      HANDLE old = d->image;
      d->image = reinterpret_cast<HANDLE>(msg == STM_SETICON ? HANDLE(wp) : HANDLE(lp));
      // The static gives back what it loaded itself; a picture set by the caller stays the caller's.
      if (d->ownsBitmap && old && old != d->image) {
        DeleteObject(old);
        old = nullptr;
      }
      d->ownsBitmap = false;
      FitToImage(w);
      InvalidateAll(w);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
    case STM_GETICON:
      return reinterpret_cast<LRESULT>(d->image);
    case WM_NCHITTEST:
      return (w->style & SS_NOTIFY) ? DefWindowProcW(h, msg, wp, lp) : HTTRANSPARENT;
    case WM_LBUTTONUP:
      if (w->style & SS_NOTIFY) Notify(w, STN_CLICKED);
      return 0;
  }
  return ControlDefault(w, msg, wp, lp, PaintStatic);
}

}  // namespace kvp::ui
