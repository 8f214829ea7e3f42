// List boxes and combo boxes: items with data, the selection, owner-drawn fixed items (measured once through
// WM_MEASUREITEM, drawn through WM_DRAWITEM), multi-column lists, and the LBN_ / CBN_ notifications.
#include "ctl_common.h"

namespace kvp::ui {
namespace {

struct ListData : ControlData {
  ItemList list;
  int top = 0;
  int itemHeight = 16, columnWidth = 0;
  bool focus = false;
};

bool ListOwnerDraw(Window* w) { return (w->style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }

int RowsPerColumn(Window* w, ListData* d) { return std::max(1, int(ClientRect(w).bottom) / std::max(1, d->itemHeight)); }

RECT ItemRect(Window* w, ListData* d, int i) {
  RECT c = ClientRect(w);
  int rel = i - d->top;
  if (w->style & LBS_MULTICOLUMN) {
    int rows = RowsPerColumn(w, d);
    int col = rel >= 0 ? rel / rows : -1 - (-rel - 1) / rows;
    int row = rel - col * rows;
    int cw = d->columnWidth;
    return RECT{col * cw, row * d->itemHeight, col * cw + cw, row * d->itemHeight + d->itemHeight};
  }
  return RECT{0, rel * d->itemHeight, c.right, rel * d->itemHeight + d->itemHeight};
}

int ItemAt(Window* w, ListData* d, POINT p) {
  for (int i = d->top; i < d->list.Count(); ++i) {
    RECT r = ItemRect(w, d, i);
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return i;
  }
  return -1;
}

// Moves the top so that item i is in view.
void Reveal(Window* w, ListData* d, int i) {
  if (i < 0) return;
  int per = RowsPerColumn(w, d);
  if (w->style & LBS_MULTICOLUMN) {
    int cols = std::max(1, int(ClientRect(w).right) / std::max(1, d->columnWidth));
    per *= cols;
    if (i < d->top) d->top = i / RowsPerColumn(w, d) * RowsPerColumn(w, d);
    else if (i >= d->top + per) d->top = (i / RowsPerColumn(w, d) - cols + 1) * RowsPerColumn(w, d);
    return;
  }
  if (i < d->top) d->top = i;
  else if (i >= d->top + per) d->top = i - per + 1;
}

void ListSelect(Window* w, int i, bool notify) {
  auto* d = DataOf<ListData>(w);
  if (!d->list.Valid(i) || (d->list.cur == i && !(w->style & LBS_MULTIPLESEL))) return;
  if (w->style & LBS_MULTIPLESEL) d->list.items[size_t(i)].selected = !d->list.items[size_t(i)].selected;
  d->list.cur = i;
  Reveal(w, d, i);
  InvalidateAll(w);
  if (notify && (w->style & LBS_NOTIFY)) Notify(w, LBN_SELCHANGE);
}

void PaintList(Window* w, HDC dc) {
  auto* d = DataOf<ListData>(w);
  RECT c = ClientRect(w);
  HBRUSH bg = ParentBrush(w, WM_CTLCOLORLISTBOX, dc, COLOR_WINDOW);
  FillRect(dc, &c, bg);
  for (int i = d->top; i < d->list.Count(); ++i) {
    RECT r = ItemRect(w, d, i);
    if (r.left >= c.right || r.top >= c.bottom) {
      if (!(w->style & LBS_MULTICOLUMN) || r.left >= c.right) break;
      continue;
    }
    const ListItem& it = d->list.items[size_t(i)];
    bool sel = (w->style & LBS_MULTIPLESEL) ? it.selected : i == d->list.cur;
    if (ListOwnerDraw(w)) {
      UINT state = (sel ? ODS_SELECTED : 0) | (d->focus && i == d->list.cur ? ODS_FOCUS : 0) | (Enabled(w) ? 0 : ODS_DISABLED);
      OwnerDraw(w, ODT_LISTBOX, UINT(i), ODA_DRAWENTIRE, state, dc, r, it.data);
      continue;
    }
    if (sel) FillSolid(dc, r, SysColor(COLOR_HIGHLIGHT));
    RECT tr{r.left + 2, r.top, r.right, r.bottom};
    DrawTextIn(dc, it.text, tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, sel ? SysColor(COLOR_HIGHLIGHTTEXT) : TextColour(w));
    if (d->focus && i == d->list.cur) DrawFocusRect(dc, &r);
  }
}

struct ComboData : ControlData {
  ItemList list;
  int itemHeight = 16, fieldHeight = 16, dropHeight = 100;
  bool dropped = false, focus = false;
  size_t limit = 30000;
};

DWORD ComboType(Window* w) { return w->style & 3; }
bool ComboOwnerDraw(Window* w) { return (w->style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }

void ComboSetCur(Window* w, ComboData* d, int i) {
  d->list.cur = d->list.Valid(i) ? i : -1;
  if (d->list.strings) w->text = d->list.cur >= 0 ? d->list.items[size_t(i)].text : std::u16string();
  InvalidateAll(w);
}

void ComboDrop(Window* w, ComboData* d, bool drop) {
  if (d->dropped == drop || ComboType(w) == CBS_SIMPLE) return;
  Pin pin(w);
  if (drop) Notify(w, CBN_DROPDOWN);
  if (w->dead) return;
  d->dropped = drop;
  InvalidateAll(w);
  if (!drop) Notify(w, CBN_CLOSEUP);
}

// A user's pick from the drop-down list: the list opens, the item is chosen, the list closes.
void ComboPick(Window* w, int i) {
  Pin pin(w);
  auto* d = DataOf<ComboData>(w);
  ComboDrop(w, d, true);
  if (w->dead) return;
  bool change = d->list.cur != i;
  ComboSetCur(w, d, i);
  if (change) Notify(w, CBN_SELCHANGE);
  if (w->dead) return;
  Notify(w, CBN_SELENDOK);
  if (w->dead) return;
  ComboDrop(w, DataOf<ComboData>(w), false);
}

void PaintCombo(Window* w, HDC dc) {
  auto* d = DataOf<ComboData>(w);
  RECT c = ClientRect(w);
  RECT field{c.left, c.top, c.right, std::min<LONG>(c.bottom, d->fieldHeight + 6)};
  FillRect(dc, &field, ParentBrush(w, ComboType(w) == CBS_DROPDOWNLIST ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, dc, COLOR_WINDOW));
  FillSolid(dc, RECT{field.left + 2, field.top + 2, field.right - 2, field.bottom - 2}, SysColor(Enabled(w) ? COLOR_WINDOW : COLOR_BTNFACE));
  Edge3d(dc, field, true);
  int bw = GetSystemMetrics(SM_CXVSCROLL);
  RECT button{field.right - 2 - bw, field.top + 2, field.right - 2, field.bottom - 2};
  FillSolid(dc, button, SysColor(COLOR_BTNFACE));
  Edge3d(dc, button, d->dropped);
  int ax = int(button.left + (button.right - button.left) / 2), ay = int(button.top + (button.bottom - button.top) / 2 - 1);
  for (int k = 0; k < 4; ++k) FillSolid(dc, RECT{ax - 3 + k, ay + k, ax + 4 - k, ay + k + 1}, TextColour(w));
  RECT item{field.left + 3, field.top + 3, button.left - 1, field.bottom - 3};
  bool sel = d->focus && ComboType(w) == CBS_DROPDOWNLIST;
  if (ComboOwnerDraw(w)) {
    ULONG_PTR data = d->list.Valid(d->list.cur) ? d->list.items[size_t(d->list.cur)].data : 0;
    UINT state = ODS_COMBOBOXEDIT | (sel ? ODS_SELECTED | ODS_FOCUS : 0) | (Enabled(w) ? 0 : ODS_DISABLED);
    OwnerDraw(w, ODT_COMBOBOX, UINT(d->list.cur), ODA_DRAWENTIRE, state, dc, item, data);
    return;
  }
  if (sel) FillSolid(dc, item, SysColor(COLOR_HIGHLIGHT));
  RECT tr{item.left + 1, item.top, item.right, item.bottom};
  DrawTextIn(dc, w->text, tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, sel ? SysColor(COLOR_HIGHLIGHTTEXT) : TextColour(w));
}

}  // namespace

LRESULT ListBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<ListData>(w);
  ItemList& L = d->list;
  int i = int(INT_PTR(wp));
  switch (msg) {
    case WM_CREATE: {
      L.sorted = (w->style & LBS_SORT) != 0;
      L.strings = !ListOwnerDraw(w) || (w->style & LBS_HASSTRINGS);
      d->itemHeight = FontHeight(w->font) + 3;
      d->columnWidth = 96;
      if (w->style & LBS_OWNERDRAWFIXED) {
        // Multi-column lists take the measured width as their column width.
        MEASUREITEMSTRUCT m = Measure(w, ODT_LISTBOX, 0, UINT(ClientRect(w).right), UINT(d->itemHeight));
        if (m.itemHeight > 0) d->itemHeight = int(m.itemHeight);
        if ((w->style & LBS_MULTICOLUMN) && m.itemWidth > 0) d->columnWidth = int(m.itemWidth);
      }
      return 0;
    }
    case LB_ADDSTRING: {
      int at = L.Insert(-1, lp);
      InvalidateAll(w);
      return at;
    }
    case LB_INSERTSTRING: {
      if (i > L.Count()) return LB_ERR;
      int at = L.Insert(i, lp);
      InvalidateAll(w);
      return at;
    }
    case LB_DELETESTRING: {
      int r = L.Delete(i);
      if (d->top >= L.Count()) d->top = std::max(0, L.Count() - 1);
      InvalidateAll(w);
      return r < 0 ? LB_ERR : r;
    }
    case LB_RESETCONTENT:
      L.items.clear();
      L.cur = -1;
      d->top = 0;
      InvalidateAll(w);
      return 0;
    case LB_GETCOUNT:
      return L.Count();
    case LB_SETCURSEL:
      if (w->style & LBS_MULTIPLESEL) return LB_ERR;
      L.cur = L.Valid(i) ? i : -1;
      Reveal(w, d, L.cur);
      InvalidateAll(w);
      return L.Valid(i) ? i : LB_ERR;
    case LB_GETCURSEL:
      return (w->style & LBS_MULTIPLESEL) ? (L.Valid(L.cur) ? L.cur : 0) : L.cur;
    case LB_SETSEL: {
      if (!(w->style & LBS_MULTIPLESEL)) return LB_ERR;
      int which = int(lp);
      if (which == -1) {
        for (auto& it : L.items) it.selected = wp != 0;
      } else if (L.Valid(which)) {
        L.items[size_t(which)].selected = wp != 0;
      } else {
        return LB_ERR;
      }
      InvalidateAll(w);
      return 0;
    }
    case LB_GETSEL:
      if (!L.Valid(i)) return LB_ERR;
      return (w->style & LBS_MULTIPLESEL) ? L.items[size_t(i)].selected : i == L.cur;
    case LB_GETTEXT:
      return L.CopyText(i, lp);
    case LB_GETTEXTLEN:
      return L.Valid(i) ? (L.strings ? LRESULT(L.items[size_t(i)].text.size()) : LRESULT(sizeof(ULONG_PTR))) : LB_ERR;
    case LB_GETITEMDATA:
      return L.Valid(i) ? LRESULT(L.items[size_t(i)].data) : LB_ERR;
    case LB_SETITEMDATA:
      if (!L.Valid(i)) return LB_ERR;
      L.items[size_t(i)].data = ULONG_PTR(lp);
      return 0;
    case LB_GETTOPINDEX:
      return d->top;
    case LB_SETTOPINDEX:
      if (!L.Valid(i)) return LB_ERR;
      d->top = i;
      InvalidateAll(w);
      return 0;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      return L.Count() ? L.Find(i, WView(reinterpret_cast<LPCWSTR>(lp)), msg == LB_FINDSTRINGEXACT) : LB_ERR;
    case LB_SELECTSTRING: {
      int at = L.Count() ? L.Find(i, WView(reinterpret_cast<LPCWSTR>(lp)), false) : -1;
      if (at >= 0) {
        L.cur = at;
        Reveal(w, d, at);
        InvalidateAll(w);
      }
      return at;
    }
    case LB_GETITEMRECT:
      if (!L.Valid(i) || !lp) return LB_ERR;
      *reinterpret_cast<RECT*>(lp) = ItemRect(w, d, i);
      return 0;
    case LB_SETITEMHEIGHT:
      if (LOWORD(lp) == 0 || LOWORD(lp) > 255) return LB_ERR;
      d->itemHeight = LOWORD(lp);
      InvalidateAll(w);
      return 0;
    case LB_GETITEMHEIGHT:
      return d->itemHeight;
    case LB_SETCOLUMNWIDTH:
      d->columnWidth = std::max(1, int(wp));
      InvalidateAll(w);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      Pin pin(w);
      if (GetFocus() != h) SetFocus(h);
      if (w->dead) return 0;
      int at = ItemAt(w, d, PointOf(lp));
      if (at >= 0) ListSelect(w, at, true);
      if (msg == WM_LBUTTONDBLCLK && at >= 0 && !w->dead && (w->style & LBS_NOTIFY)) Notify(w, LBN_DBLCLK);
      return 0;
    }
    case WM_KEYDOWN: {
      int to = L.cur;
      int step = (w->style & LBS_MULTICOLUMN) ? RowsPerColumn(w, d) : 1;
      switch (wp) {
        case VK_UP: to = L.cur - 1; break;
        case VK_DOWN: to = L.cur + 1; break;
        case VK_LEFT: to = (w->style & LBS_MULTICOLUMN) ? L.cur - step : L.cur - 1; break;
        case VK_RIGHT: to = (w->style & LBS_MULTICOLUMN) ? L.cur + step : L.cur + 1; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = L.Count() - 1; break;
        default: return 0;
      }
      if (L.Count() == 0) return 0;
      ListSelect(w, std::clamp(to, 0, L.Count() - 1), true);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      d->focus = msg == WM_SETFOCUS;
      InvalidateAll(w);
      if (w->style & LBS_NOTIFY) Notify(w, msg == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
      return 0;
  }
  return ControlDefault(w, msg, wp, lp, PaintList);
}

LRESULT ComboBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<ComboData>(w);
  ItemList& L = d->list;
  int i = int(INT_PTR(wp));
  switch (msg) {
    case WM_CREATE: {
      L.sorted = (w->style & CBS_SORT) != 0;
      L.strings = !ComboOwnerDraw(w) || (w->style & CBS_HASSTRINGS);
      d->itemHeight = d->fieldHeight = FontHeight(w->font) + 3;
      d->dropHeight = int(w->rect.bottom - w->rect.top);
      if (w->style & CBS_OWNERDRAWFIXED) {
        UINT width = UINT(w->rect.right - w->rect.left);
        MEASUREITEMSTRUCT f = Measure(w, ODT_COMBOBOX, UINT(-1), width, UINT(d->fieldHeight));
        if (w->dead) return -1;
        MEASUREITEMSTRUCT m = Measure(w, ODT_COMBOBOX, 0, width, UINT(d->itemHeight));
        if (f.itemHeight > 0) d->fieldHeight = int(f.itemHeight);
        if (m.itemHeight > 0) d->itemHeight = int(m.itemHeight);
      }
      // The window is the closed box; the list drops below it to the height the creator gave.
      if (ComboType(w) != CBS_SIMPLE) w->rect.bottom = w->rect.top + d->fieldHeight + 6 + ClientInsets(w).top + ClientInsets(w).bottom;
      return 0;
    }
    case CB_ADDSTRING: {
      int at = L.Insert(-1, lp);
      InvalidateAll(w);
      return at;
    }
    case CB_INSERTSTRING: {
      if (i > L.Count()) return CB_ERR;
      int at = L.Insert(i, lp);
      InvalidateAll(w);
      return at;
    }
    case CB_DELETESTRING: {
      bool wasCur = L.cur == i;
      int r = L.Delete(i);
      if (wasCur) ComboSetCur(w, d, -1);
      return r < 0 ? CB_ERR : r;
    }
    case CB_RESETCONTENT:
      L.items.clear();
      ComboSetCur(w, d, -1);
      return CB_OKAY;
    case CB_GETCOUNT:
      return L.Count();
    case CB_SETCURSEL:
      ComboSetCur(w, d, i);
      return L.Valid(i) ? i : CB_ERR;
    case CB_GETCURSEL:
      return L.cur;
    case CB_GETLBTEXT:
      return L.CopyText(i, lp);
    case CB_GETLBTEXTLEN:
      return L.Valid(i) ? (L.strings ? LRESULT(L.items[size_t(i)].text.size()) : LRESULT(sizeof(ULONG_PTR))) : CB_ERR;
    case CB_GETITEMDATA:
      return L.Valid(i) ? LRESULT(L.items[size_t(i)].data) : CB_ERR;
    case CB_SETITEMDATA:
      if (!L.Valid(i)) return CB_ERR;
      L.items[size_t(i)].data = ULONG_PTR(lp);
      return CB_OKAY;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return L.Count() ? L.Find(i, WView(reinterpret_cast<LPCWSTR>(lp)), msg == CB_FINDSTRINGEXACT) : CB_ERR;
    case CB_SELECTSTRING: {
      int at = L.Count() ? L.Find(i, WView(reinterpret_cast<LPCWSTR>(lp)), false) : -1;
      if (at >= 0) ComboSetCur(w, d, at);
      return at;
    }
    case CB_SHOWDROPDOWN:
      ComboDrop(w, d, wp != 0);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return d->dropped;
    case CB_GETDROPPEDCONTROLRECT: {
      if (!lp) return CB_ERR;
      RECT s = ScreenRect(w);
      *reinterpret_cast<RECT*>(lp) = RECT{s.left, s.top, s.right, s.top + std::max<LONG>(d->dropHeight, s.bottom - s.top)};
      return CB_OKAY;
    }
    case CB_SETITEMHEIGHT:
      if (LOWORD(lp) == 0 || LOWORD(lp) > 255) return CB_ERR;
      (i == -1 ? d->fieldHeight : d->itemHeight) = LOWORD(lp);
      InvalidateAll(w);
      return CB_OKAY;
    case CB_GETITEMHEIGHT:
      return i == -1 ? d->fieldHeight : d->itemHeight;
    case CB_LIMITTEXT:
      d->limit = wp ? size_t(wp) : 0x7FFFFFFE;
      return TRUE;
    case WM_SETTEXT: {
      std::u16string_view t = WView(reinterpret_cast<LPCWSTR>(lp));
      if (ComboType(w) == CBS_DROPDOWNLIST) {
        int at = L.Count() ? L.Find(-1, t, true) : -1;
        if (at < 0) return CB_ERR;
        ComboSetCur(w, d, at);
        return TRUE;
      }
      w->text = std::u16string(t.substr(0, std::min(t.size(), d->limit)));
      InvalidateAll(w);
      return TRUE;
    }
    case WM_CHAR: {
      if (ComboType(w) == CBS_DROPDOWNLIST) return 0;
      WCHAR c = WCHAR(wp);
      if (c == VK_BACK) {
        if (w->text.empty()) return 0;
        w->text.pop_back();
      } else if (c >= 0x20 && w->text.size() < d->limit) {
        w->text.push_back(c);
      } else {
        return 0;
      }
      InvalidateAll(w);
      Pin pin(w);
      Notify(w, CBN_EDITUPDATE);
      if (!w->dead) Notify(w, CBN_EDITCHANGE);
      return 0;
    }
    case WM_NCHITTEST: {
      // The dropped list belongs to the combo box.
      RECT drop;
      Send(w, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&drop));
      POINT p = PointOf(lp);
      if (d->dropped && p.x >= drop.left && p.x < drop.right && p.y >= drop.top && p.y < drop.bottom) return HTCLIENT;
      return DefWindowProcW(h, msg, wp, lp);
    }
    case WM_LBUTTONDOWN: {
      Pin pin(w);
      if (GetFocus() != h) SetFocus(h);
      if (w->dead) return 0;
      // A click below the box while the list is down picks the item under it.
      int y = GET_Y_LPARAM(lp) - int(ClientRect(w).bottom);
      if (d->dropped && y >= 0) {
        int at = y / std::max(1, d->itemHeight);
        if (L.Valid(at)) ComboPick(w, at);
        return 0;
      }
      ComboDrop(w, d, !d->dropped);
      return 0;
    }
    case WM_KEYDOWN: {
      int to = L.cur;
      switch (wp) {
        case VK_UP: to = L.cur - 1; break;
        case VK_DOWN: to = L.cur + 1; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = L.Count() - 1; break;
        case VK_ESCAPE: ComboDrop(w, d, false); return 0;
        default: return 0;
      }
      if (!L.Count()) return 0;
      to = std::clamp(to, 0, L.Count() - 1);
      if (to != L.cur) {
        ComboSetCur(w, d, to);
        Notify(w, CBN_SELCHANGE);
      }
      return 0;
    }
    case WM_SETFOCUS:
      d->focus = true;
      InvalidateAll(w);
      Notify(w, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS: {
      Pin pin(w);
      d->focus = false;
      InvalidateAll(w);
      ComboDrop(w, d, false);
      if (!w->dead) Notify(w, CBN_KILLFOCUS);
      return 0;
    }
  }
  return ControlDefault(w, msg, wp, lp, PaintCombo);
}

bool UserSelect(Window* w, int index, std::u16string_view text, std::string* why) {
  ItemList* L = nullptr;
  if (w->cls->kind == ControlKind::kListBox) L = &DataOf<ListData>(w)->list;
  else if (w->cls->kind == ControlKind::kComboBox) L = &DataOf<ComboData>(w)->list;
  else return UserSelectBar(w, index, text, why);
  if (index < 0) index = L->Count() ? L->Find(-1, text, true) : -1;
  if (!L->Valid(index)) {
    *why = NoSuchItem("item", index, text);
    return false;
  }
  Pin pin(w);
  if (GetFocus() != w->h) SetFocus(w->h);
  if (w->dead) return true;
  if (w->cls->kind == ControlKind::kListBox) {
    auto* d = DataOf<ListData>(w);
    if (d->list.cur != index || (w->style & LBS_MULTIPLESEL)) ListSelect(w, index, true);
  } else {
    ComboPick(w, index);
  }
  return true;
}

}  // namespace kvp::ui
