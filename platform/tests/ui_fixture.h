// What the window-core tests share: a clean desktop per test on the virtual clock, and a parent window
// that writes down what its children tell it.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/paint.h"
#include "kvplat/time.h"
#include "kvplat/uiscript.h"
#include "kvplat/window.h"

namespace uitest {

// One notification as the parent heard it.
struct Heard {
  UINT msg;
  int id;
  UINT code;
  int pos;
  bool operator==(const Heard&) const = default;
};

inline std::vector<Heard>& Log() {
  static std::vector<Heard> log;
  return log;
}

inline std::string Show(const std::vector<Heard>& v) {
  std::string s;
  for (const Heard& h : v)
    s += "{" + std::to_string(h.msg) + "," + std::to_string(h.id) + "," + std::to_string(int(h.code)) + "," + std::to_string(h.pos) + "} ";
  return s;
}

inline UINT g_measureHeight = 0;

inline LRESULT ParentProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      Log().push_back({msg, LOWORD(wp), HIWORD(wp), 0});
      return 0;
    case WM_NOTIFY: {
      auto* n = reinterpret_cast<NMHDR*>(lp);
      Log().push_back({msg, int(n->idFrom), n->code, 0});
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      Log().push_back({msg, GetDlgCtrlID(reinterpret_cast<HWND>(lp)), LOWORD(wp), SHORT(HIWORD(wp))});
      return 0;
    case WM_CONTEXTMENU:
      Log().push_back({msg, GetDlgCtrlID(reinterpret_cast<HWND>(wp)), 0, 0});
      return 0;
    case WM_HELP:
      Log().push_back({msg, reinterpret_cast<HELPINFO*>(lp)->iCtrlId, 0, 0});
      return TRUE;
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      Log().push_back({msg, int(m->CtlID), m->itemID, int(m->itemHeight)});
      if (g_measureHeight) m->itemHeight = g_measureHeight;
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      Log().push_back({msg, int(d->CtlID), d->itemID, int(d->itemData)});
      // Owner-drawn items are solid red, so a picture shows where they went.
      for (LONG y = d->rcItem.top; y < d->rcItem.bottom; ++y)
        for (LONG x = d->rcItem.left; x < d->rcItem.right; ++x) SetPixel(d->hDC, int(x), int(y), RGB(255, 0, 0));
      return TRUE;
    }
  }
  return DefWindowProcW(h, msg, wp, lp);
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvp::ui::ResetWindows();
    kvp::ui::ClearLogs();
    kvp::test::SetTickCount(5000000);
    Log().clear();
    g_measureHeight = 0;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = u"KvTestParent";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    ASSERT_NE(RegisterClassExW(&wc), 0);
    parent_ = CreateWindowExW(0, u"KvTestParent", u"Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    kvp::ui::ResetWindows();
    EXPECT_EQ(kvp::ui::WindowCount(), 0u);
    kvp::test::UseRealClock();
  }
  // A child control of the recording parent.
  HWND Make(const char16_t* cls, DWORD style, int id, int x = 10, int y = 10, int w = 120, int h = 24, const char16_t* text = u"") {
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                             reinterpret_cast<HMENU>(ULONG_PTR(id)), nullptr, nullptr);
    EXPECT_NE(c, nullptr) << GetLastError();
    return c;
  }
  // Runs the script to its end and hands back what the parent heard meanwhile.
  std::vector<Heard> Run() {
    Log().clear();
    EXPECT_TRUE(kvp::ui::RunUntilIdle());
    auto errors = kvp::ui::ScriptErrors();
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    return Only({WM_COMMAND, WM_NOTIFY, WM_HSCROLL, WM_VSCROLL});
  }
  static std::vector<Heard> Only(std::initializer_list<UINT> msgs) {
    std::vector<Heard> out;
    for (const Heard& h : Log())
      for (UINT m : msgs)
        if (h.msg == m) out.push_back(h);
    return out;
  }
  HWND parent_ = nullptr;
};

}  // namespace uitest
