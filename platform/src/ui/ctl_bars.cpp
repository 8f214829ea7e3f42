// Scroll bars and track bars: a range, a position, arrows and pages, and the WM_HSCROLL / WM_VSCROLL
// notifications. A scroll bar only reports (its owner moves it); a track bar moves itself and reports.
#include "ctl_common.h"

namespace kvp::ui {
namespace {

struct ScrollData : ControlData {
  int min = 0, max = 100, pos = 0;
  UINT page = 0;
  UINT arrows = ESB_ENABLE_BOTH;
  bool pressed = false;
};

bool Vertical(Window* w) { return (w->style & SBS_VERT) != 0; }
int MaxPos(ScrollData* d) { return d->page ? std::max(d->min, d->max - int(d->page) + 1) : d->max; }

void ToParent(Window* w, bool vertical, UINT code, int pos) {
  if (!w->parent || w->parent == Desktop()) return;
  Send(w->parent, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(WORD(code), WORD(pos)), reinterpret_cast<LPARAM>(w->h));
}

// The arrows, the thumb and the track of a scroll bar, along its length.
struct Parts {
  int len, arrow, thumbAt, thumbLen;
};
Parts Layout(Window* w, ScrollData* d) {
  RECT c = ClientRect(w);
  int len = int(Vertical(w) ? c.bottom : c.right);
  int arrow = std::min(GetSystemMetrics(SM_CXHSCROLL), len / 2);
  int track = std::max(0, len - 2 * arrow);
  int range = d->max - d->min + 1;
  int thumb = d->page ? std::max(8, int((long long)track * d->page / std::max(1, range))) : std::min(track, 17);
  thumb = std::min(thumb, track);
  int span = MaxPos(d) - d->min;
  int at = arrow + (span > 0 ? int((long long)(track - thumb) * (d->pos - d->min) / span) : 0);
  return Parts{len, arrow, at, thumb};
}

void PaintScroll(Window* w, HDC dc) {
  auto* d = DataOf<ScrollData>(w);
  RECT c = ClientRect(w);
  HBRUSH bg = ParentBrush(w, WM_CTLCOLORSCROLLBAR, dc, COLOR_SCROLLBAR);
  FillRect(dc, &c, bg);
  Parts p = Layout(w, d);
  bool v = Vertical(w);
  auto box = [&](int from, int len) {
    return v ? RECT{0, from, c.right, from + len} : RECT{from, 0, from + len, c.bottom};
  };
  auto arrowBox = [&](RECT r, bool first, bool enabled) {
    FillSolid(dc, r, SysColor(COLOR_BTNFACE));
    Edge3d(dc, r, false);
    int cx = int(r.left + r.right) / 2, cy = int(r.top + r.bottom) / 2;
    COLORREF col = enabled && Enabled(w) ? SysColor(COLOR_BTNTEXT) : SysColor(COLOR_GRAYTEXT);
    for (int k = 0; k < 4; ++k) {
      int s = first ? k : 3 - k;
      if (v) FillSolid(dc, RECT{cx - s, cy - 2 + k, cx + s + 1, cy - 1 + k}, col);
      else FillSolid(dc, RECT{cx - 2 + k, cy - s, cx - 1 + k, cy + s + 1}, col);
    }
  };
  arrowBox(box(0, p.arrow), true, !(d->arrows & ESB_DISABLE_LTUP));
  arrowBox(box(p.len - p.arrow, p.arrow), false, !(d->arrows & ESB_DISABLE_RTDN));
  if (p.thumbLen > 0 && Enabled(w)) {
    RECT t = box(p.thumbAt, p.thumbLen);
    FillSolid(dc, t, SysColor(COLOR_BTNFACE));
    Edge3d(dc, t, false);
  }
}

struct TrackData : ControlData {
  int min = 0, max = 100, pos = 0, line = 1, page = 20;
  bool focus = false, pressed = false;
};

bool TrackVertical(Window* w) { return (w->style & TBS_VERT) != 0; }

void TrackNotify(Window* w, UINT code, int pos) { ToParent(w, TrackVertical(w), code, code == TB_THUMBTRACK || code == TB_THUMBPOSITION ? pos : 0); }

int ThumbCentre(Window* w, TrackData* d) {
  RECT c = ClientRect(w);
  int len = int(TrackVertical(w) ? c.bottom : c.right) - 16;
  int span = d->max - d->min;
  return 8 + (span > 0 ? int((long long)len * (d->pos - d->min) / span) : 0);
}

void TrackMove(Window* w, TrackData* d, int to, UINT code) {
  int old = d->pos;
  d->pos = std::clamp(to, d->min, d->max);
  if (d->pos != old) InvalidateAll(w);
  TrackNotify(w, code, d->pos);
}

void PaintTrack(Window* w, HDC dc) {
  auto* d = DataOf<TrackData>(w);
  RECT c = ClientRect(w);
  FillRect(dc, &c, ParentBrush(w, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE));
  bool v = TrackVertical(w);
  int mid = int(v ? c.right : c.bottom) / 2;
  RECT channel = v ? RECT{mid - 2, 8, mid + 2, c.bottom - 8} : RECT{8, mid - 2, c.right - 8, mid + 2};
  FillSolid(dc, channel, SysColor(COLOR_WINDOW));
  Edge3d(dc, channel, true);
  int t = ThumbCentre(w, d);
  RECT thumb = v ? RECT{mid - 10, t - 5, mid + 10, t + 6} : RECT{t - 5, mid - 10, t + 6, mid + 10};
  FillSolid(dc, thumb, SysColor(COLOR_BTNFACE));
  Edge3d(dc, thumb, false);
  if (d->focus) DrawFocusRect(dc, &c);
}

}  // namespace

LRESULT ScrollBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<ScrollData>(w);
  switch (msg) {
    case SBM_SETPOS: {
      int old = d->pos;
      d->pos = std::clamp(int(INT_PTR(wp)), d->min, MaxPos(d));
      if (lp) InvalidateAll(w);
      return old;
    }
    case SBM_GETPOS:
      return d->pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = d->pos;
      d->min = int(INT_PTR(wp));
      d->max = std::max(d->min, int(lp));
      d->pos = std::clamp(d->pos, d->min, MaxPos(d));
      InvalidateAll(w);
      return old;
    }
    case SBM_GETRANGE:
      if (wp) *reinterpret_cast<int*>(wp) = d->min;
      if (lp) *reinterpret_cast<int*>(lp) = d->max;
      return 0;
    case SBM_ENABLE_ARROWS: {
      bool changed = d->arrows != UINT(wp);
      d->arrows = UINT(wp) & ESB_DISABLE_BOTH;
      InvalidateAll(w);
      return changed;
    }
    case SBM_SETSCROLLINFO: {
      auto* si = reinterpret_cast<const SCROLLINFO*>(lp);
      if (!si) return d->pos;
      if (si->fMask & SIF_RANGE) {
        d->min = si->nMin;
        d->max = std::max(si->nMin, si->nMax);
      }
      if (si->fMask & SIF_PAGE) d->page = std::min<UINT>(si->nPage, UINT(d->max - d->min + 1));
      if (si->fMask & SIF_POS) d->pos = si->nPos;
      d->pos = std::clamp(d->pos, d->min, MaxPos(d));
      if (wp) InvalidateAll(w);
      return d->pos;
    }
    case SBM_GETSCROLLINFO: {
      auto* si = reinterpret_cast<SCROLLINFO*>(lp);
      if (!si) return FALSE;
      if (si->fMask & SIF_RANGE) si->nMin = d->min, si->nMax = d->max;
      if (si->fMask & SIF_PAGE) si->nPage = d->page;
      if (si->fMask & SIF_POS) si->nPos = d->pos;
      if (si->fMask & SIF_TRACKPOS) si->nTrackPos = d->pos;
      return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      Pin pin(w);
      Parts p = Layout(w, d);
      POINT pt = PointOf(lp);
      int at = int(Vertical(w) ? pt.y : pt.x);
      UINT code;
      if (at < p.arrow) code = SB_LINEUP;
      else if (at >= p.len - p.arrow) code = SB_LINEDOWN;
      else if (at < p.thumbAt) code = SB_PAGEUP;
      else if (at >= p.thumbAt + p.thumbLen) code = SB_PAGEDOWN;
      else code = SB_THUMBPOSITION;
      if ((code == SB_LINEUP && (d->arrows & ESB_DISABLE_LTUP)) || (code == SB_LINEDOWN && (d->arrows & ESB_DISABLE_RTDN))) {
        MessageBeep(0);
        return 0;
      }
      SetCapture(h);
      d->pressed = true;
      if (code == SB_THUMBPOSITION) ToParent(w, Vertical(w), SB_THUMBTRACK, d->pos);
      if (!w->dead) ToParent(w, Vertical(w), code, code == SB_THUMBPOSITION ? d->pos : 0);
      return 0;
    }
    case WM_LBUTTONUP:
      if (d->pressed) {
        d->pressed = false;
        if (GetCapture() == h) ReleaseCapture();
        ToParent(w, Vertical(w), SB_ENDSCROLL, 0);
      }
      return 0;
    case WM_KEYDOWN: {
      UINT code;
      switch (wp) {
        case VK_UP: case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN: case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: return 0;
      }
      Pin pin(w);
      ToParent(w, Vertical(w), code, 0);
      if (!w->dead) ToParent(w, Vertical(w), SB_ENDSCROLL, 0);
      return 0;
    }
  }
  return ControlDefault(w, msg, wp, lp, PaintScroll);
}

LRESULT TrackBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<TrackData>(w);
  switch (msg) {
    case TBM_GETPOS:
      return d->pos;
    case TBM_SETPOS:
      d->pos = std::clamp(int(lp), d->min, d->max);
      InvalidateAll(w);
      return 0;
    case TBM_SETRANGE:
      d->min = SHORT(LOWORD(lp));
      d->max = std::max(d->min, int(SHORT(HIWORD(lp))));
      d->pos = std::clamp(d->pos, d->min, d->max);
      InvalidateAll(w);
      return 0;
    case TBM_SETRANGEMIN:
      d->min = std::min(int(lp), d->max);
      d->pos = std::clamp(d->pos, d->min, d->max);
      return 0;
    case TBM_SETRANGEMAX:
      d->max = std::max(int(lp), d->min);
      d->pos = std::clamp(d->pos, d->min, d->max);
      return 0;
    case TBM_GETRANGEMIN:
      return d->min;
    case TBM_GETRANGEMAX:
      return d->max;
    case TBM_SETPAGESIZE: {
      int old = d->page;
      d->page = std::max(1, int(lp));
      return old;
    }
    case TBM_SETLINESIZE: {
      int old = d->line;
      d->line = std::max(1, int(lp));
      return old;
    }
    case WM_LBUTTONDOWN: {
      Pin pin(w);
      if (GetFocus() != h) SetFocus(h);
      if (w->dead) return 0;
      POINT pt = PointOf(lp);
      int at = int(TrackVertical(w) ? pt.y : pt.x), t = ThumbCentre(w, d);
      SetCapture(h);
      d->pressed = true;
      if (at < t - 5) TrackMove(w, d, d->pos - d->page, TB_PAGEUP);
      else if (at > t + 5) TrackMove(w, d, d->pos + d->page, TB_PAGEDOWN);
      return 0;
    }
    case WM_LBUTTONUP:
      if (d->pressed) {
        d->pressed = false;
        if (GetCapture() == h) ReleaseCapture();
        TrackNotify(w, TB_ENDTRACK, d->pos);
      }
      return 0;
    case WM_KEYDOWN:
      switch (wp) {
        case VK_LEFT: case VK_UP: TrackMove(w, d, d->pos - d->line, TB_LINEUP); break;
        case VK_RIGHT: case VK_DOWN: TrackMove(w, d, d->pos + d->line, TB_LINEDOWN); break;
        case VK_PRIOR: TrackMove(w, d, d->pos - d->page, TB_PAGEUP); break;
        case VK_NEXT: TrackMove(w, d, d->pos + d->page, TB_PAGEDOWN); break;
        case VK_HOME: TrackMove(w, d, d->min, TB_TOP); break;
        case VK_END: TrackMove(w, d, d->max, TB_BOTTOM); break;
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_LEFT || wp == VK_RIGHT || wp == VK_UP || wp == VK_DOWN || wp == VK_PRIOR || wp == VK_NEXT || wp == VK_HOME || wp == VK_END)
        TrackNotify(w, TB_ENDTRACK, d->pos);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      d->focus = msg == WM_SETFOCUS;
      InvalidateAll(w);
      return 0;
  }
  return ControlDefault(w, msg, wp, lp, PaintTrack);
}

namespace {
bool SelectTab(Window* w, int index, std::u16string_view text, std::string* why);
bool SelectTree(Window* w, int index, std::u16string_view text, std::string* why);
}  // namespace

bool UserSelectBar(Window* w, int index, std::u16string_view text, std::string* why) {
  Pin pin(w);
  switch (w->cls->kind) {
    case ControlKind::kScrollBar: {
      auto* d = DataOf<ScrollData>(w);
      if (index < d->min || index > MaxPos(d)) {
        *why = "position " + std::to_string(index) + " is outside the range";
        return false;
      }
      // Dragging the thumb there: the owner moves the bar when it hears of it.
      ToParent(w, Vertical(w), SB_THUMBTRACK, index);
      if (!w->dead) ToParent(w, Vertical(w), SB_THUMBPOSITION, index);
      if (!w->dead) ToParent(w, Vertical(w), SB_ENDSCROLL, 0);
      return true;
    }
    case ControlKind::kTrackBar: {
      auto* d = DataOf<TrackData>(w);
      if (index < d->min || index > d->max) {
        *why = "position " + std::to_string(index) + " is outside the range";
        return false;
      }
      if (GetFocus() != w->h) SetFocus(w->h);
      if (w->dead) return true;
      d->pos = index;
      InvalidateAll(w);
      TrackNotify(w, TB_THUMBTRACK, index);
      if (!w->dead) TrackNotify(w, TB_THUMBPOSITION, index);
      if (!w->dead) TrackNotify(w, TB_ENDTRACK, index);
      return true;
    }
    case ControlKind::kTab:
      return SelectTab(w, index, text, why);
    case ControlKind::kTree:
      return SelectTree(w, index, text, why);
    default:
      *why = "the control has nothing to select";
      return false;
  }
}

// ---- tab control ------------------------------------------------------------------------------------------------

namespace {

struct TabItem {
  std::u16string text;
  LPARAM param = 0;
};
struct TabData : ControlData {
  std::vector<TabItem> items;
  int cur = -1;
  bool focus = false;
};

constexpr int kTabRow = 20;

RECT TabRect(Window* w, TabData* d, int i) {
  int x = 2;
  for (int k = 0; k < i; ++k) x += TextWidth(w->font, d->items[size_t(k)].text) + 12;
  return RECT{x, 2, x + TextWidth(w->font, d->items[size_t(i)].text) + 12, 2 + kTabRow};
}

// A user's change of tab: the parent may refuse it while the old tab is still current.
bool ChangeTab(Window* w, int to) {
  auto* d = DataOf<TabData>(w);
  if (to == d->cur) return true;
  Pin pin(w);
  NMHDR hdr{};
  if (NotifyHdr(w, TCN_SELCHANGING, &hdr) || w->dead) return false;
  d = DataOf<TabData>(w);
  if (to < 0 || to >= int(d->items.size())) return false;
  d->cur = to;
  InvalidateAll(w);
  NMHDR hdr2{};
  NotifyHdr(w, TCN_SELCHANGE, &hdr2);
  return true;
}

void PaintTab(Window* w, HDC dc) {
  auto* d = DataOf<TabData>(w);
  RECT c = ClientRect(w);
  FillRect(dc, &c, ParentBrush(w, WM_CTLCOLORDLG, dc, COLOR_BTNFACE));
  RECT pane{0, kTabRow + 2, c.right, c.bottom};
  FillSolid(dc, pane, SysColor(COLOR_BTNFACE));
  Edge3d(dc, pane, false);
  for (int i = 0; i < int(d->items.size()); ++i) {
    RECT r = TabRect(w, d, i);
    if (i == d->cur) r = RECT{r.left - 2, r.top - 2, r.right + 2, r.bottom + 1};
    FillSolid(dc, r, SysColor(COLOR_BTNFACE));
    Edge3d(dc, RECT{r.left, r.top, r.right, r.bottom + 2}, false);
    if (i == d->cur) FillSolid(dc, RECT{r.left + 2, r.bottom - 1, r.right - 2, r.bottom + 2}, SysColor(COLOR_BTNFACE));
    DrawTextIn(dc, d->items[size_t(i)].text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, TextColour(w));
  }
}

bool SelectTab(Window* w, int index, std::u16string_view text, std::string* why) {
  auto* d = DataOf<TabData>(w);
  if (index < 0)
    for (size_t i = 0; i < d->items.size(); ++i)
      if (WEqualI(d->items[i].text, text)) index = int(i);
  if (index < 0 || index >= int(d->items.size())) {
    *why = NoSuchItem("tab", index, text);
    return false;
  }
  ChangeTab(w, index);
  return true;
}

}  // namespace

LRESULT TabProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<TabData>(w);
  int i = int(INT_PTR(wp));
  int n = int(d->items.size());
  switch (msg) {
    case TCM_INSERTITEMW: {
      auto* it = reinterpret_cast<const TCITEMW*>(lp);
      if (!it || i < 0) return -1;
      TabItem t;
      if ((it->mask & TCIF_TEXT) && it->pszText) t.text = std::u16string(WView(it->pszText));
      if (it->mask & TCIF_PARAM) t.param = it->lParam;
      int at = std::min(i, n);
      d->items.insert(d->items.begin() + at, std::move(t));
      if (d->cur < 0) d->cur = 0;
      else if (d->cur >= at && n > 0) ++d->cur;
      InvalidateAll(w);
      return at;
    }
    case TCM_SETITEMW:
    case TCM_GETITEMW: {
      auto* it = reinterpret_cast<TCITEMW*>(lp);
      if (!it || i < 0 || i >= n) return FALSE;
      TabItem& t = d->items[size_t(i)];
      if (msg == TCM_SETITEMW) {
        if ((it->mask & TCIF_TEXT) && it->pszText) t.text = std::u16string(WView(it->pszText));
        if (it->mask & TCIF_PARAM) t.param = it->lParam;
        InvalidateAll(w);
        return TRUE;
      }
      if ((it->mask & TCIF_TEXT) && it->pszText && it->cchTextMax > 0) WCopy(it->pszText, size_t(it->cchTextMax), t.text.c_str());
      if (it->mask & TCIF_PARAM) it->lParam = t.param;
      return TRUE;
    }
    case TCM_GETITEMCOUNT:
      return n;
    case TCM_DELETEITEM:
      if (i < 0 || i >= n) return FALSE;
      d->items.erase(d->items.begin() + i);
      if (d->cur == i) d->cur = d->items.empty() ? -1 : 0;
      else if (d->cur > i) --d->cur;
      InvalidateAll(w);
      return TRUE;
    case TCM_DELETEALLITEMS:
      d->items.clear();
      d->cur = -1;
      InvalidateAll(w);
      return TRUE;
    case TCM_GETCURSEL:
      return d->cur;
    case TCM_SETCURSEL: {
      if (i < 0 || i >= n) return -1;
      int old = d->cur;
      d->cur = i;
      InvalidateAll(w);
      return old;
    }
    case TCM_GETITEMRECT:
      if (i < 0 || i >= n || !lp) return FALSE;
      *reinterpret_cast<RECT*>(lp) = TabRect(w, d, i);
      return TRUE;
    case TCM_ADJUSTRECT: {
      // The page area lies inside the frame below the row of tabs.
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return 0;
      int k = wp ? -1 : 1;
      r->left += k * 4;
      r->right -= k * 4;
      r->top += k * (kTabRow + 4);
      r->bottom -= k * 4;
      return 0;
    }
    case WM_LBUTTONDOWN: {
      POINT p = PointOf(lp);
      for (int k = 0; k < n; ++k) {
        RECT r = TabRect(w, d, k);
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
          ChangeTab(w, k);
          break;
        }
      }
      return 0;
    }
    case WM_KEYDOWN:
      if ((wp == VK_LEFT || wp == VK_RIGHT) && n > 0) ChangeTab(w, std::clamp(d->cur + (wp == VK_LEFT ? -1 : 1), 0, n - 1));
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      d->focus = msg == WM_SETFOCUS;
      return 0;
  }
  return ControlDefault(w, msg, wp, lp, PaintTab);
}

// ---- tree view ----------------------------------------------------------------------------------------------

namespace {

struct Node {
  std::u16string text;
  LPARAM param = 0;
  UINT state = 0;
  int childrenFlag = 0;
  uintptr_t parent = 0;
  std::vector<uintptr_t> kids;
};

struct TreeData : ControlData {
  std::unordered_map<uintptr_t, Node> nodes;
  std::vector<uintptr_t> roots;
  uintptr_t selected = 0;
  bool focus = false;
};

uintptr_t NextItemId() {
  static uintptr_t next = 0x1000;
  return next += 4;
}

uintptr_t Id(HTREEITEM h) { return reinterpret_cast<uintptr_t>(h); }
HTREEITEM Handle(uintptr_t id) { return reinterpret_cast<HTREEITEM>(id); }
bool IsRoot(HTREEITEM h) { return !h || h == TVI_ROOT; }

std::vector<uintptr_t>& Siblings(TreeData* d, uintptr_t parent) { return parent ? d->nodes[parent].kids : d->roots; }

void Erase(TreeData* d, uintptr_t id) {
  auto it = d->nodes.find(id);
  if (it == d->nodes.end()) return;
  std::vector<uintptr_t> kids = it->second.kids;
  for (uintptr_t k : kids) Erase(d, k);
  auto& sib = Siblings(d, d->nodes[id].parent);
  sib.erase(std::remove(sib.begin(), sib.end(), id), sib.end());
  if (d->selected == id) d->selected = 0;
  d->nodes.erase(id);
}

// Items as shown: roots and the children of expanded items, depth first.
void Shown(TreeData* d, const std::vector<uintptr_t>& level, int depth, std::vector<std::pair<uintptr_t, int>>* out) {
  for (uintptr_t id : level) {
    out->push_back({id, depth});
    const Node& n = d->nodes[id];
    if (n.state & TVIS_EXPANDED) Shown(d, n.kids, depth + 1, out);
  }
}

void Fill(const Node& n, uintptr_t id, TVITEMW* it) {
  if ((it->mask & TVIF_TEXT) && it->pszText && it->cchTextMax > 0) WCopy(it->pszText, size_t(it->cchTextMax), n.text.c_str());
  if (it->mask & TVIF_PARAM) it->lParam = n.param;
  if (it->mask & TVIF_STATE) it->state = n.state & (it->stateMask ? it->stateMask : ~0u);
  if (it->mask & TVIF_CHILDREN) it->cChildren = n.kids.empty() ? n.childrenFlag : 1;
  it->hItem = Handle(id);
}

// Moves the selection; the parent may refuse it. `action` says how (TVC_*).
BOOL ChangeSelection(Window* w, uintptr_t to, UINT action) {
  auto* d = DataOf<TreeData>(w);
  if (to == d->selected) return TRUE;
  Pin pin(w);
  NMTREEVIEWW nm{};
  nm.action = action;
  nm.itemOld.mask = nm.itemNew.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
  if (d->selected) Fill(d->nodes[d->selected], d->selected, &nm.itemOld);
  if (to) Fill(d->nodes[to], to, &nm.itemNew);
  if (NotifyHdr(w, TVN_SELCHANGINGW, &nm.hdr) || w->dead) return FALSE;
  d = DataOf<TreeData>(w);
  if (to && !d->nodes.count(to)) return FALSE;
  if (d->selected && d->nodes.count(d->selected)) d->nodes[d->selected].state &= ~UINT(TVIS_SELECTED);
  d->selected = to;
  if (to) d->nodes[to].state |= TVIS_SELECTED;
  InvalidateAll(w);
  NMTREEVIEWW nm2 = nm;
  NotifyHdr(w, TVN_SELCHANGEDW, &nm2.hdr);
  return TRUE;
}

void PaintTree(Window* w, HDC dc) {
  auto* d = DataOf<TreeData>(w);
  RECT c = ClientRect(w);
  FillSolid(dc, c, SysColor(COLOR_WINDOW));
  std::vector<std::pair<uintptr_t, int>> shown;
  Shown(d, d->roots, 0, &shown);
  int fh = FontHeight(w->font) + 3, y = 1;
  for (auto& [id, depth] : shown) {
    if (y >= c.bottom) break;
    const Node& n = d->nodes[id];
    int x = 4 + depth * 19;
    bool sel = id == d->selected;
    RECT tr{x, y, x + TextWidth(w->font, n.text) + 4, y + fh};
    if (sel) FillSolid(dc, tr, SysColor(d->focus ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    tr.left += 2;
    DrawTextIn(dc, n.text, tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
               sel && d->focus ? SysColor(COLOR_HIGHLIGHTTEXT) : SysColor(COLOR_WINDOWTEXT));
    y += fh;
  }
}

bool SelectTree(Window* w, int index, std::u16string_view text, std::string* why) {
  auto* d = DataOf<TreeData>(w);
  std::vector<std::pair<uintptr_t, int>> shown;
  Shown(d, d->roots, 0, &shown);
  uintptr_t to = 0;
  if (index < 0) {
    for (auto& [id, depth] : shown)
      if (WEqualI(d->nodes[id].text, text)) {
        to = id;
        break;
      }
  } else if (index < int(shown.size())) {
    to = shown[size_t(index)].first;
  }
  if (!to) {
    *why = NoSuchItem("item in view", index, text);
    return false;
  }
  if (GetFocus() != w->h) SetFocus(w->h);
  if (!w->dead) ChangeSelection(w, to, TVC_BYMOUSE);
  return true;
}

}  // namespace

LRESULT TreeProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  auto* d = DataOf<TreeData>(w);
  switch (msg) {
    case TVM_INSERTITEMW: {
      auto* is = reinterpret_cast<const TVINSERTSTRUCTW*>(lp);
      if (!is) return 0;
      uintptr_t parent = IsRoot(is->hParent) ? 0 : Id(is->hParent);
      if (parent && !d->nodes.count(parent)) return 0;
      Node n;
      n.parent = parent;
      const TVITEMW& it = is->item;
      if ((it.mask & TVIF_TEXT) && it.pszText && reinterpret_cast<intptr_t>(it.pszText) != -1) n.text = std::u16string(WView(it.pszText));
      if (it.mask & TVIF_PARAM) n.param = it.lParam;
      if (it.mask & TVIF_STATE) n.state = it.state & it.stateMask & ~UINT(TVIS_SELECTED);
      if (it.mask & TVIF_CHILDREN) n.childrenFlag = it.cChildren;
      uintptr_t id = NextItemId();
      auto& sib = Siblings(d, parent);
      auto at = sib.end();
      if (is->hInsertAfter == TVI_FIRST) {
        at = sib.begin();
      } else if (is->hInsertAfter == TVI_SORT) {
        at = std::find_if(sib.begin(), sib.end(), [&](uintptr_t k) { return WCompareI(n.text, d->nodes[k].text) < 0; });
      } else if (is->hInsertAfter != TVI_LAST && is->hInsertAfter) {
        auto after = std::find(sib.begin(), sib.end(), Id(is->hInsertAfter));
        at = after == sib.end() ? sib.end() : after + 1;
      }
      sib.insert(at, id);
      d->nodes.emplace(id, std::move(n));
      InvalidateAll(w);
      return reinterpret_cast<LRESULT>(Handle(id));
    }
    case TVM_DELETEITEM: {
      auto item = reinterpret_cast<HTREEITEM>(lp);
      if (IsRoot(item)) {
        d->nodes.clear();
        d->roots.clear();
        d->selected = 0;
      } else {
        if (!d->nodes.count(Id(item))) return FALSE;
        Erase(d, Id(item));
      }
      InvalidateAll(w);
      return TRUE;
    }
    case TVM_GETCOUNT:
      return LRESULT(d->nodes.size());
    case TVM_GETNEXTITEM: {
      uintptr_t id = Id(reinterpret_cast<HTREEITEM>(lp));
      auto node = d->nodes.find(id);
      switch (wp) {
        case TVGN_ROOT: return d->roots.empty() ? 0 : reinterpret_cast<LRESULT>(Handle(d->roots.front()));
        case TVGN_CARET: return reinterpret_cast<LRESULT>(Handle(d->selected));
        case TVGN_CHILD: {
          const auto& kids = lp && !IsRoot(reinterpret_cast<HTREEITEM>(lp)) ? (node == d->nodes.end() ? std::vector<uintptr_t>() : node->second.kids) : d->roots;
          return kids.empty() ? 0 : reinterpret_cast<LRESULT>(Handle(kids.front()));
        }
        case TVGN_PARENT: return node == d->nodes.end() ? 0 : reinterpret_cast<LRESULT>(Handle(node->second.parent));
        case TVGN_NEXT:
        case TVGN_PREVIOUS: {
          if (node == d->nodes.end()) return 0;
          auto& sib = Siblings(d, node->second.parent);
          auto at = std::find(sib.begin(), sib.end(), id);
          if (wp == TVGN_NEXT) return at + 1 < sib.end() ? reinterpret_cast<LRESULT>(Handle(*(at + 1))) : 0;
          return at > sib.begin() ? reinterpret_cast<LRESULT>(Handle(*(at - 1))) : 0;
        }
      }
      return 0;
    }
    case TVM_SELECTITEM: {
      if (wp != TVGN_CARET) return FALSE;
      uintptr_t id = Id(reinterpret_cast<HTREEITEM>(lp));
      if (id && !d->nodes.count(id)) return FALSE;
      return ChangeSelection(w, id, TVC_UNKNOWN);
    }
    case TVM_EXPAND: {
      auto node = d->nodes.find(Id(reinterpret_cast<HTREEITEM>(lp)));
      if (node == d->nodes.end()) return FALSE;
      UINT code = UINT(wp) & 3;
      if (code == 1) node->second.state &= ~UINT(TVIS_EXPANDED);
      else if (code == 2) node->second.state |= TVIS_EXPANDED;
      else if (code == 3) node->second.state ^= TVIS_EXPANDED;
      InvalidateAll(w);
      return TRUE;
    }
    case TVM_GETITEMW:
    case TVM_SETITEMW: {
      auto* it = reinterpret_cast<TVITEMW*>(lp);
      if (!it) return FALSE;
      auto node = d->nodes.find(Id(it->hItem));
      if (node == d->nodes.end()) return FALSE;
      if (msg == TVM_GETITEMW) {
        Fill(node->second, node->first, it);
        return TRUE;
      }
      if ((it->mask & TVIF_TEXT) && it->pszText) node->second.text = std::u16string(WView(it->pszText));
      if (it->mask & TVIF_PARAM) node->second.param = it->lParam;
      if (it->mask & TVIF_STATE) node->second.state = (node->second.state & ~it->stateMask) | (it->state & it->stateMask);
      InvalidateAll(w);
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      Pin pin(w);
      if (GetFocus() != h) SetFocus(h);
      if (w->dead) return 0;
      std::vector<std::pair<uintptr_t, int>> shown;
      Shown(d, d->roots, 0, &shown);
      int row = (GET_Y_LPARAM(lp) - 1) / (FontHeight(w->font) + 3);
      if (row >= 0 && row < int(shown.size())) ChangeSelection(w, shown[size_t(row)].first, TVC_BYMOUSE);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      d->focus = msg == WM_SETFOCUS;
      InvalidateAll(w);
      return 0;
  }
  return ControlDefault(w, msg, wp, lp, PaintTree);
}

// Report list view: so far an empty list under its header bar. Columns, items and their
// notifications are not kept; a page that fills the list draws them itself.
LRESULT ListViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Peek(h);
  if (!w) return 0;
  return ControlDefault(w, msg, wp, lp, [](Window* lw, HDC dc) {
    RECT c = ClientRect(lw);
    FillSolid(dc, c, SysColor(COLOR_WINDOW));
    if ((lw->style & LVS_TYPEMASK) == LVS_REPORT && !(lw->style & LVS_NOCOLUMNHEADER)) {
      RECT header{c.left, c.top, c.right, std::min<LONG>(c.bottom, c.top + FontHeight(lw->font) + 6)};
      FillSolid(dc, header, SysColor(COLOR_BTNFACE));
      Edge3d(dc, header, false);
    }
  });
}

}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

KVAPI BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  if (bar != SB_CTL || w->cls->kind != ControlKind::kScrollBar) {
    SetLastError(ERROR_NO_SCROLLBARS);
    return FALSE;
  }
  return Send(w, SBM_ENABLE_ARROWS, arrows, 0) ? TRUE : FALSE;
}

KVAPI int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  Window* w = FromHandle(hwnd);
  if (!w || bar != SB_CTL || w->cls->kind != ControlKind::kScrollBar) return 0;
  return int(Send(w, SBM_SETSCROLLINFO, WPARAM(redraw), reinterpret_cast<LPARAM>(info)));
}

KVAPI BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  Window* w = FromHandle(hwnd);
  if (!w || bar != SB_CTL || w->cls->kind != ControlKind::kScrollBar) return FALSE;
  return Send(w, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)) ? TRUE : FALSE;
}

KVAPI int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  Window* w = FromHandle(hwnd);
  if (!w || bar != SB_CTL || w->cls->kind != ControlKind::kScrollBar) return 0;
  return int(Send(w, SBM_SETPOS, WPARAM(pos), redraw));
}

KVAPI int GetScrollPos(HWND hwnd, int bar) {
  Window* w = FromHandle(hwnd);
  if (!w || bar != SB_CTL || w->cls->kind != ControlKind::kScrollBar) return 0;
  return int(Send(w, SBM_GETPOS, 0, 0));
}
