// Windows and messages: trees and lookups, longs and subclassing, geometry, destruction from inside a
// message, the bounded send depth, the queue, and timers on the virtual clock.
#include <algorithm>

#include "ui_fixture.h"

namespace {

using uitest::UiTest;

std::vector<std::pair<HWND, UINT>> g_seen;
WNDPROC g_old = nullptr;

LRESULT Recorder(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  g_seen.push_back({h, msg});
  if (msg == WM_USER + 1) return 41;
  return DefWindowProcW(h, msg, wp, lp);
}

LRESULT Subclass(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER + 1) return CallWindowProcW(g_old, h, msg, wp, lp) + 1;
  return CallWindowProcW(g_old, h, msg, wp, lp);
}

LRESULT SelfDestroying(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER) {
    DestroyWindow(h);
    // The window is gone, yet this procedure still runs safely and calls into it.
    SetWindowTextW(h, u"late");
    return 7;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

LRESULT Recursive(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER) return 1 + SendMessageW(h, WM_USER, 0, 0);
  return DefWindowProcW(h, msg, wp, lp);
}

ATOM Register(const char16_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc);
}

TEST_F(UiTest, TreesLookupsAndZOrder) {
  ASSERT_NE(Register(u"KvRec", Recorder), 0);
  EXPECT_EQ(Register(u"kvrec", Recorder), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
  HWND a = Make(u"KvRec", 0, 11), b = Make(u"KvRec", 0, 12), c = Make(u"BUTTON", 0, 13);
  HWND inner = CreateWindowExW(0, u"STATIC", u"x", WS_CHILD, 0, 0, 5, 5, b, reinterpret_cast<HMENU>(14), nullptr, nullptr);
  EXPECT_EQ(GetWindow(parent_, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
  EXPECT_EQ(GetWindow(c, GW_HWNDFIRST), a);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetParent(inner), b);
  EXPECT_TRUE(IsChild(parent_, inner));
  EXPECT_EQ(GetDlgCtrlID(inner), 14);
  std::vector<HWND> all;
  EnumChildWindows(parent_, [](HWND h, LPARAM p) { reinterpret_cast<std::vector<HWND>*>(p)->push_back(h); return TRUE; },
                   reinterpret_cast<LPARAM>(&all));
  EXPECT_EQ(all, (std::vector<HWND>{a, b, inner, c}));
  // z-order: c to the top, then a just below b.
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(a, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(parent_, GW_CHILD), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
  WCHAR name[8];
  EXPECT_EQ(GetClassNameW(c, name, 8), 6);
  EXPECT_EQ(std::u16string(name), u"BUTTON");
  EXPECT_EQ(GetClassNameW(a, name, 4), 3);  // cut to the buffer and terminated
  EXPECT_EQ(std::u16string(name), u"KvR");
  EXPECT_EQ(FindWindowW(u"KvTestParent", nullptr), parent_);
  EXPECT_EQ(FindWindowW(nullptr, u"parent"), parent_);
  EXPECT_NE(FindWindowW(u"Shell_TrayWnd", nullptr), nullptr);
  EXPECT_EQ(FindWindowW(u"NoSuchClass", nullptr), nullptr);
  WNDCLASSEXW wc{};
  ASSERT_TRUE(GetClassInfoExW(nullptr, u"button", &wc));
  EXPECT_EQ(wc.lpfnWndProc, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(c, GWLP_WNDPROC)));
  EXPECT_FALSE(GetClassInfoExW(nullptr, u"NoSuchClass", &wc));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_DOES_NOT_EXIST);
  // A child needs a parent; an unknown class is refused.
  EXPECT_EQ(CreateWindowExW(0, u"BUTTON", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_TLW_WITH_WSCHILD);
  EXPECT_EQ(CreateWindowExW(0, u"Nope", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(UiTest, LongsAndSubclassingChainToTheOldProcedure) {
  ASSERT_NE(Register(u"KvRec", Recorder), 0);
  HWND a = Make(u"KvRec", WS_TABSTOP, 21);
  EXPECT_EQ(GetWindowLongPtrW(a, GWLP_ID), 21);
  EXPECT_TRUE(GetWindowLongPtrW(a, GWL_STYLE) & WS_TABSTOP);
  EXPECT_EQ(SetWindowLongPtrW(a, GWLP_USERDATA, 0x1234), 0);
  EXPECT_EQ(GetWindowLongPtrW(a, GWLP_USERDATA), 0x1234);
  EXPECT_EQ(GetWindowLongPtrW(a, 8), 0);  // no extra bytes
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_INDEX);
  g_old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
  EXPECT_EQ(g_old, Recorder);
  g_seen.clear();
  EXPECT_EQ(SendMessageW(a, WM_USER + 1, 0, 0), 42);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].second, UINT(WM_USER + 1));
  // Putting the class's procedure back ends the subclassing.
  WNDCLASSEXW wc{};
  ASSERT_TRUE(GetClassInfoExW(nullptr, u"KvRec", &wc));
  SetWindowLongPtrW(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wc.lpfnWndProc));
  EXPECT_EQ(SendMessageW(a, WM_USER + 1, 0, 0), 41);
  // Dialog slots live in the dialog class's extra bytes.
  HWND d = CreateWindowExW(0, WC_DIALOGW, u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(SetWindowLongPtrW(d, DWLP_USER, 99), 0);
  EXPECT_EQ(GetWindowLongPtrW(d, DWLP_USER), 99);
  SetWindowLongPtrW(d, DWLP_MSGRESULT, 5);
  EXPECT_EQ(GetWindowLongPtrW(d, DWLP_MSGRESULT), 5);
}

TEST_F(UiTest, TextsFollowTheBufferSizeProtocol) {
  HWND s = Make(u"STATIC", 0, 1, 0, 0, 50, 10, u"Paper size");
  EXPECT_EQ(GetWindowTextLengthW(s), 10);
  struct Case {
    int cap;
    int copied;
    const char16_t* text;
  } cases[] = {{32, 10, u"Paper size"}, {6, 5, u"Paper"}, {1, 0, u""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cap);
    WCHAR buf[32];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(GetWindowTextW(s, buf, c.cap), c.copied);
    EXPECT_EQ(std::u16string(buf), c.text);
  }
  WCHAR buf[4] = {u'#', u'#', u'#', u'#'};
  EXPECT_EQ(GetWindowTextW(s, buf, 0), 0);
  EXPECT_EQ(buf[0], u'#');  // a zero-sized buffer is not written
}

TEST_F(UiTest, GeometryMapsBetweenClientAndScreen) {
  // The parent is at (100, 100) with a caption and a thick frame.
  RECT wr, cr;
  ASSERT_TRUE(GetWindowRect(parent_, &wr));
  ASSERT_TRUE(GetClientRect(parent_, &cr));
  EXPECT_EQ(wr.left, 100);
  EXPECT_EQ(wr.right - wr.left, 400);
  int frame = GetSystemMetrics(SM_CXDLGFRAME) + 1, caption = GetSystemMetrics(SM_CYCAPTION);
  EXPECT_EQ(cr.right, 400 - 2 * frame);
  EXPECT_EQ(cr.bottom, 300 - 2 * frame - caption);
  HWND c = Make(u"BUTTON", 0, 5, 30, 40, 60, 20);
  GetWindowRect(c, &wr);
  EXPECT_EQ(wr.left, 100 + frame + 30);
  EXPECT_EQ(wr.top, 100 + frame + caption + 40);
  POINT p{1, 2};
  ClientToScreen(c, &p);
  EXPECT_EQ(p.x, wr.left + 1);
  ScreenToClient(parent_, &p);
  EXPECT_EQ(p.x, 31);
  EXPECT_EQ(p.y, 42);
  POINT pts[2] = {{0, 0}, {5, 5}};
  int shift = MapWindowPoints(c, parent_, pts, 2);
  EXPECT_EQ(pts[1].x, 35);
  EXPECT_EQ(LOWORD(shift), 30);
  EXPECT_EQ(HIWORD(shift), 40);
  MoveWindow(c, 0, 0, 10, 10, TRUE);
  GetClientRect(c, &cr);
  EXPECT_EQ(cr.right, 10);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(MulDiv(7, 3, 2), 11);  // 10.5 rounds away from zero
  EXPECT_EQ(MulDiv(-7, 3, 2), -11);
  EXPECT_EQ(MulDiv(1, 2, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 1), -1);
}

TEST_F(UiTest, ShowEnableFocusAndCapture) {
  HWND a = Make(u"BUTTON", 0, 1), b = Make(u"EDIT", 0, 2);
  EXPECT_TRUE(IsWindowVisible(a));
  EXPECT_TRUE(ShowWindow(a, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(a));
  ShowWindow(a, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(a));
  ShowWindow(parent_, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(a));  // a hidden ancestor hides it too
  ShowWindow(parent_, SW_SHOW);
  EXPECT_EQ(SetFocus(b), nullptr);
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(GetActiveWindow(), parent_);
  EXPECT_FALSE(EnableWindow(b, FALSE));
  EXPECT_FALSE(IsWindowEnabled(b));
  EXPECT_EQ(GetFocus(), nullptr);  // a disabled window loses the focus
  EXPECT_EQ(SetFocus(b), nullptr);
  EXPECT_TRUE(EnableWindow(b, TRUE));
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(UiTest, DestroyedWindowsFailCleanly) {
  ASSERT_NE(Register(u"KvRec", Recorder), 0);
  ASSERT_NE(Register(u"KvSelf", SelfDestroying), 0);
  HWND a = Make(u"KvRec", 0, 1);
  HWND kid = CreateWindowExW(0, u"KvRec", u"", WS_CHILD, 0, 0, 1, 1, a, nullptr, nullptr, nullptr);
  g_seen.clear();
  EXPECT_TRUE(DestroyWindow(a));
  // The parent hears WM_DESTROY before its child; WM_NCDESTROY comes last.
  std::vector<std::pair<HWND, UINT>> order(g_seen.begin(), g_seen.end());
  std::vector<std::pair<HWND, UINT>> want = {{a, WM_DESTROY}, {kid, WM_DESTROY}, {kid, WM_NCDESTROY}, {a, WM_NCDESTROY}};
  EXPECT_EQ(order, want);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(kid));
  SetLastError(0);
  EXPECT_EQ(SendMessageW(a, WM_USER + 1, 0, 0), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageW(a, WM_USER, 0, 0));
  EXPECT_FALSE(DestroyWindow(a));
  EXPECT_EQ(GetWindowLongPtrW(kid, GWLP_USERDATA), 0);
  // A procedure that destroys its own window inside a message.
  HWND s = Make(u"KvSelf", 0, 2);
  PostMessageW(s, WM_USER + 5, 0, 0);  // dropped with the window
  EXPECT_EQ(SendMessageW(s, WM_USER, 0, 0), 7);
  EXPECT_FALSE(IsWindow(s));
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
}

TEST_F(UiTest, RecursionOfSendsIsBounded) {
  ASSERT_NE(Register(u"KvLoop", Recursive), 0);
  HWND a = Make(u"KvLoop", 0, 1);
  LRESULT depth = SendMessageW(a, WM_USER, 0, 0);
  EXPECT_GT(depth, 10);
  EXPECT_LT(depth, 1000);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_STACK_OVERFLOW);
  EXPECT_TRUE(IsWindow(a));
}

TEST_F(UiTest, QueueOrderFiltersAndWaitingWithNothingLeft) {
  ASSERT_NE(Register(u"KvRec", Recorder), 0);
  HWND a = Make(u"KvRec", 0, 1);
  PostMessageW(a, WM_USER + 2, 1, 0);
  PostMessageW(a, 0x8001, 2, 0);
  PostMessageW(a, WM_USER + 3, 3, 0);
  MSG m;
  // A look for one message leaves the queue as it was.
  ASSERT_TRUE(PeekMessageW(&m, a, 0x8001, 0x8001, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 2u);
  ASSERT_TRUE(PeekMessageW(&m, a, 0x8001, 0x8001, PM_REMOVE));
  EXPECT_FALSE(PeekMessageW(&m, a, 0x8001, 0x8001, PM_NOREMOVE));
  std::vector<WPARAM> order;
  while (PeekMessageW(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE)) order.push_back(m.wParam);
  EXPECT_EQ(order, (std::vector<WPARAM>{1, 3}));
  PostQuitMessage(3);
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.wParam, 3u);
  // Nothing queued, nothing scripted: GetMessageW says so instead of waiting for ever.
  kvp::ui::RunUntilIdle();
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_TIMEOUT);
}

std::vector<WPARAM> g_timerIds;
LRESULT TimerRecorder(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) g_timerIds.push_back(wp);
  return DefWindowProcW(h, msg, wp, lp);
}

TEST_F(UiTest, TimersFireAsTheVirtualClockAdvances) {
  ASSERT_NE(Register(u"KvTimed", TimerRecorder), 0);
  HWND a = Make(u"KvTimed", 0, 1);
  kvp::ui::RunUntilIdle();
  EXPECT_EQ(SetTimer(a, 1, 1000, nullptr), 1u);
  EXPECT_EQ(SetTimer(a, 2, 100, nullptr), 2u);
  static size_t procTicks;
  procTicks = 0;
  UINT_PTR free = SetTimer(nullptr, 0, 250, [](HWND, UINT, UINT_PTR, DWORD) { ++procTicks; });
  EXPECT_NE(free, 0u);
  auto fired = [](WPARAM id) { return size_t(std::count(g_timerIds.begin(), g_timerIds.end(), id)); };
  g_timerIds.clear();
  kvp::ui::ScriptAdvance(999);
  ASSERT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_EQ(fired(2), 9u);  // every 100 ms, each tick on its own
  EXPECT_EQ(fired(1), 0u);
  EXPECT_EQ(procTicks, 3u);
  kvp::ui::ScriptAdvance(1);
  ASSERT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_EQ(fired(1), 1u);
  EXPECT_EQ(fired(2), 10u);
  // Setting a timer again restarts it; killing it stops it.
  EXPECT_TRUE(KillTimer(a, 2));
  EXPECT_FALSE(KillTimer(a, 2));
  EXPECT_TRUE(KillTimer(nullptr, free));
  g_timerIds.clear();
  kvp::ui::ScriptAdvance(3000);
  ASSERT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_EQ(g_timerIds, (std::vector<WPARAM>{1, 1, 1}));
  // Destroying the window ends its timers.
  DestroyWindow(a);
  g_timerIds.clear();
  kvp::ui::ScriptAdvance(5000);
  EXPECT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_TRUE(g_timerIds.empty());
}

TEST_F(UiTest, PaintComesWhenTheQueueIsOtherwiseEmpty) {
  ASSERT_NE(Register(u"KvRec", Recorder), 0);
  HWND a = Make(u"KvRec", 0, 1);
  kvp::ui::RunUntilIdle();
  RECT r;
  EXPECT_FALSE(GetUpdateRect(a, &r, FALSE));
  RECT part{2, 3, 10, 12};
  InvalidateRect(a, &part, TRUE);
  EXPECT_TRUE(GetUpdateRect(a, &r, FALSE));
  EXPECT_EQ(r.right, 10);
  g_seen.clear();
  PostMessageW(a, WM_USER + 9, 0, 0);
  kvp::ui::RunUntilIdle();
  ASSERT_GE(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].second, UINT(WM_USER + 9));
  EXPECT_EQ(g_seen[1].second, UINT(WM_PAINT));
  EXPECT_FALSE(GetUpdateRect(a, &r, FALSE));
  // A window that ignores WM_PAINT is not asked again and again.
  ASSERT_NE(Register(u"KvLazy", [](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
              return msg == WM_PAINT ? 0 : DefWindowProcW(h, msg, wp, lp);
            }), 0);
  HWND lazy = Make(u"KvLazy", 0, 2);
  EXPECT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_FALSE(GetUpdateRect(lazy, &r, FALSE));
}

}  // namespace

namespace {

// A button that repeats while held: the first tick after four timer periods, then each period, until the
// button comes up (the shape of an auto-repeat step button's local loop).
int g_steps = 0;
LRESULT Repeater(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_LBUTTONDOWN) return DefWindowProcW(h, msg, wp, lp);
  ++g_steps;
  SetTimer(h, 2, 100, nullptr);
  int skip = 3;
  for (;;) {
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) continue;
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_TIMER && skip-- <= 0) ++g_steps;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  KillTimer(h, 2);
  return 0;
}

TEST_F(UiTest, HeldPressFeedsAPollingLoopUntilReleased) {
  ASSERT_NE(Register(u"KvRepeat", Repeater), 0);
  Make(u"KvRepeat", 0, 7);
  g_steps = 0;
  kvp::ui::ScriptPress(7);
  kvp::ui::ScriptAdvance(650);  // ticks at 100..600: three skipped, three steps
  kvp::ui::ScriptRelease();
  EXPECT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_EQ(g_steps, 4);
  // A script that never lets go: the platform releases the button and says so.
  g_steps = 0;
  kvp::ui::ScriptPress(7);
  EXPECT_FALSE(kvp::ui::RunUntilIdle());
  EXPECT_EQ(g_steps, 1);
  ASSERT_EQ(kvp::ui::ScriptErrors().size(), 1u);
  EXPECT_NE(kvp::ui::ScriptErrors()[0].find("held"), std::string::npos);
}

}  // namespace
