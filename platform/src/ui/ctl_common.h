// Helpers the standard controls share: their state record, painting with the parent's colours, item lists.
#pragma once
#include <algorithm>
#include <cstring>
#include <string>

#include "ui_internal.h"

namespace kvp::ui {

template <typename T>
T* DataOf(Window* w) {
  if (!w->data) w->data = std::make_unique<T>();
  return static_cast<T*>(w->data.get());
}

// The brush the parent gives for a control's background (WM_CTLCOLOR*); the desktop colour when it gives none.
inline HBRUSH ParentBrush(Window* w, UINT msg, HDC dc, int fallback) {
  LRESULT r = 0;
  if (w->parent && w->parent != Desktop()) r = Send(w->parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(w->h));
  return r ? reinterpret_cast<HBRUSH>(r) : GetSysColorBrush(fallback);
}

inline COLORREF TextColour(Window* w) { return SysColor(Enabled(w) ? COLOR_BTNTEXT : COLOR_GRAYTEXT); }

inline POINT PointOf(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }
inline bool InClient(Window* w, POINT p) {
  RECT r = ClientRect(w);
  return p.x >= 0 && p.y >= 0 && p.x < r.right && p.y < r.bottom;
}

// Sends WM_DRAWITEM for one item to the control's parent.
inline void OwnerDraw(Window* w, UINT type, UINT item, UINT action, UINT state, HDC dc, RECT r, ULONG_PTR data) {
  DRAWITEMSTRUCT dis{type, UINT(w->id), item, action, state, w->h, dc, r, data};
  if (w->parent) Send(w->parent, WM_DRAWITEM, WPARAM(w->id), reinterpret_cast<LPARAM>(&dis));
}

// Asks the parent for an owner-drawn item's height; `fallback` when it leaves it alone.
inline MEASUREITEMSTRUCT Measure(Window* w, UINT type, UINT item, UINT width, UINT fallback) {
  MEASUREITEMSTRUCT mis{type, UINT(w->id), item, width, fallback, 0};
  if (w->parent && w->parent != Desktop()) Send(w->parent, WM_MEASUREITEM, WPARAM(w->id), reinterpret_cast<LPARAM>(&mis));
  return mis;
}

// The messages every standard control answers alike: no separate background (the painting covers it),
// painting through `paint`, a repaint when enabled or disabled; everything else goes to DefWindowProcW.
template <typename PaintFn>
LRESULT ControlDefault(Window* w, UINT msg, WPARAM wp, LPARAM lp, PaintFn paint) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w->h, &ps);
      if (!w->dead) paint(w, dc);
      EndPaint(w->h, &ps);
      return 0;
    }
    case WM_ENABLE:
      InvalidateAll(w);
      return 0;
  }
  return DefWindowProcW(w->h, msg, wp, lp);
}

// The reason a user's pick found nothing (for the script's error): "no tab 4", "no item named 'A4'".
inline std::string NoSuchItem(const char* what, int index, std::u16string_view text) {
  std::string s("no ");
  s.append(what);
  if (index >= 0 || text.empty()) {
    s.push_back(' ');
    s.append(std::to_string(index));
  } else {
    s.append(" named '");
    s.append(ToUtf8(text));
    s.push_back('\'');
  }
  return s;
}

// The item list of list boxes and combo boxes.
struct ListItem {
  std::u16string text;
  ULONG_PTR data = 0;
  bool selected = false;
};

struct ItemList {
  std::vector<ListItem> items;
  int cur = -1;
  bool sorted = false, strings = true;

  int Count() const { return int(items.size()); }
  bool Valid(int i) const { return i >= 0 && i < Count(); }
  // Adds (at `at`, -1 for the end or the sorted place); the index, or -1.
  int Insert(int at, LPARAM lp) {
    ListItem it;
    if (strings) it.text = std::u16string(WView(reinterpret_cast<LPCWSTR>(lp)));
    else it.data = ULONG_PTR(lp);
    if (at < 0 && sorted && strings) {
      at = int(std::upper_bound(items.begin(), items.end(), it.text, [](const std::u16string& t, const ListItem& x) {
                 return WCompareI(t, x.text) < 0;
               }) - items.begin());
    }
    if (at < 0 || at > Count()) at = Count();
    items.insert(items.begin() + at, std::move(it));
    if (cur >= at) ++cur;
    return at;
  }
  int Delete(int i) {
    if (!Valid(i)) return -1;
    items.erase(items.begin() + i);
    if (cur == i) cur = -1;
    else if (cur > i) --cur;
    return Count();
  }
  int Find(int after, std::u16string_view s, bool exact) const {
    int n = Count();
    for (int k = 1; k <= n; ++k) {
      int i = ((after < 0 ? -1 : after) + k) % n;
      std::u16string_view t = items[size_t(i)].text;
      if (exact ? WEqualI(t, s) : (t.size() >= s.size() && WEqualI(t.substr(0, s.size()), s))) return i;
    }
    return -1;
  }
  // LB_GETTEXT / CB_GETLBTEXT: the text into a buffer the caller sized by the text length message.
  LRESULT CopyText(int i, LPARAM lp) const {
    if (!Valid(i)) return -1;
    auto* out = reinterpret_cast<LPWSTR>(lp);
    if (!strings) {
      if (out) std::memcpy(out, &items[size_t(i)].data, sizeof(ULONG_PTR));
      return sizeof(ULONG_PTR);
    }
    if (!out) return -1;
    const std::u16string& t = items[size_t(i)].text;
    std::copy(t.begin(), t.end(), out);
    out[t.size()] = 0;
    return LRESULT(t.size());
  }
};

}  // namespace kvp::ui
