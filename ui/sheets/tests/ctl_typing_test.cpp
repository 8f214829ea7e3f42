// Typing and stepping in the sheets' controls: the number parser, the typing filters of the control window
// procedure, unit edits storing what is typed (lengths in dots without drift), arrow keys, held step
// buttons on the virtual clock, bars, hot spots, captions and combo pictures.
#include <string>

#include "kvplat/controls.h"
#include "kvplat/sysinfo.h"
#include "kvplat/time.h"
#include "settings/access.h"
#include "settings/setting_ids.h"
#include "sheets/ctl_bars.h"
#include "sheets/ctl_core.h"
#include "sheets/ctl_draw.h"
#include "sheets/ctl_edits.h"
#include "sheets/ctl_window.h"
#include "sheets/dlg_prepare.h"
#include "sheets/dlg_values.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

class Typing : public SheetsTest {
 protected:
  void SetUp() override {
    SheetsTest::SetUp();
    DlgPrepareUi(ctx_, nullptr);
  }
  void TearDown() override {
    for (int d = 0; ctx_ && ctx_->dialogs && d < ctx_->dialogs->count; ++d) {
      DIALOG_DESC& dlg = ctx_->dialogs->rows[d];
      dlg.window = nullptr;
      for (int i = 0; i < dlg.controlCount; ++i) dlg.controls[i].window = nullptr, dlg.controls[i].savedProc = 0;
    }
    SheetsTest::TearDown();
  }
  // The page of `dialogId` open in a bare window, and its control `controlId` made with `cls`.
  CONTROL_DESC* Open(WORD dialogId, WORD controlId, const char16_t* cls = u"EDIT", DWORD style = 0) {
    for (int d = 0; d < ctx_->dialogs->count; ++d) {
      DIALOG_DESC& dlg = ctx_->dialogs->rows[d];
      if (dlg.id != dialogId) continue;
      page_ = &dlg;
      if (!dlg.window) {
        HWND w = CreateWindowExW(0, u"#32770", u"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr, nullptr,
                                 nullptr);
        SetWindowLongPtrW(w, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        dlg.window = w;
      }
      for (int i = 0; i < dlg.controlCount; ++i) {
        CONTROL_DESC* c = &dlg.controls[i];
        if (c->controlId != controlId) continue;
        c->window = CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, 10, 10 + 30 * i, 100, 20,
                                    static_cast<HWND>(dlg.window), reinterpret_cast<HMENU>(uintptr_t(controlId)),
                                    nullptr, nullptr);
        c->savedProc = 0;
        CtlInitControl(ctx_, page_, c);
        return c;
      }
    }
    return nullptr;
  }
  static HWND W(CONTROL_DESC* c) { return static_cast<HWND>(c->window); }
  std::u16string Text(CONTROL_DESC* c) {
    WCHAR buf[200] = {};
    GetWindowTextW(W(c), buf, 200);
    return buf;
  }
  void Type(CONTROL_DESC* c, std::u16string_view s) {
    for (char16_t ch : s) SendMessageW(W(c), WM_CHAR, ch, 1);
  }
  INT_PTR Changed(CONTROL_DESC* c) {
    return CtlRunCommand(ctx_, page_, c, MAKEWPARAM(c->controlId, EN_CHANGE), reinterpret_cast<LPARAM>(c->window));
  }
  void Drain() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) DispatchMessageW(&m);
  }
  DIALOG_DESC* page_ = nullptr;
};

TEST(ParseScaledNumber, Cases) {
  struct Case {
    const char16_t* text;
    DWORD scale;
    LONG want;
  } cases[] = {
      {u"12.345 mm", 100, 1234}, {u"-3", 100, -300}, {u"mm", 100, 0},        {u"", 10, 0},
      {u"12.3", 10, 123},        {u"8.50", 100, 850}, {u"1.2.3", 10, 12},     {u"7", 0, 7},
      {u"7", 1, 7},              {u"2147483647", 1, 2147483647},             {u"2147483648", 1, 0},
      {u"1234567890123456789012345678901234567890", 1, 0},                  {u"300000000", 100, 0},
      {u"abc-12x", 1, -12},      {u"12,34", 10, 120},
  };
  for (const Case& c : cases) EXPECT_EQ(CtlParseScaledNumber(c.text, c.scale, nullptr), c.want);
  EXPECT_EQ(CtlParseScaledNumber(nullptr, 10, nullptr), 0);
}

TEST_F(Typing, CommaLanguagesParseTheirSeparator) {
  StgSetValue(ctx_, sid::rdmLanguageID, 3);
  EXPECT_EQ(CtlParseScaledNumber(u"12,34", 10, ctx_), 123);
  EXPECT_EQ(CtlParseScaledNumber(u"12.34", 10, ctx_), 120);
}

TEST_F(Typing, UnitEditTakesDigitsAndTheLanguagesSeparator) {
  CONTROL_DESC* c = Open(1001, 3322);
  ASSERT_NE(c, nullptr);
  SetWindowTextW(W(c), u"");
  Type(c, u"1.,a\x16\t2");
  EXPECT_EQ(Text(c), u"1.2");
  StgSetValue(ctx_, sid::rdmLanguageID, 5);
  SetWindowTextW(W(c), u"");
  Type(c, u"1.,2");
  EXPECT_EQ(Text(c), u"1,2");
  // A paste through the context menu still reaches the edit.
  kvp::ui::SetClipboardText(u"45");
  SendMessageW(W(c), WM_PASTE, 0, 0);
  EXPECT_EQ(Text(c), u"1,245");
}

TEST_F(Typing, TypedCopiesReachTheSettingAndOutOfRangeIsTakenBack) {
  CONTROL_DESC* c = Open(1001, 3322);
  ASSERT_NE(c, nullptr);
  SetWindowTextW(W(c), u"3");
  EXPECT_EQ(Changed(c), 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), 3u);
  // Beyond the 16-bit setting, and forty digits: a backspace is posted, nothing stored.
  for (const char16_t* t : {u"40000", u"1234567890123456789012345678901234567890"}) {
    SetWindowTextW(W(c), t);
    EXPECT_EQ(Changed(c), 0);
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), 3u);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, W(c), WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD));
    EXPECT_EQ(m.wParam, WPARAM(VK_BACK));
  }
}

TEST_F(Typing, LengthEditsKeepDotsWithoutDrift) {
  CONTROL_DESC* c = Open(1003, 3340);
  if (!c) GTEST_SKIP() << "no margin edit";
  ASSERT_TRUE(CtlIsLengthControl(c));
  SetWindowTextW(W(c), u"12.3");
  Changed(c);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmMarginOdd, nullptr), 580u);
  SetWindowTextW(W(c), u"");
  CtlUnitEditRefresh(ctx_, page_, c);
  EXPECT_EQ(Text(c).substr(0, 4), u"12.3");
  // Leaving the untouched edit stores nothing new.
  StgSetValue(ctx_, sid::rdmMarginOdd, 581);
  SetWindowTextW(W(c), u"");
  CtlUnitEditRefresh(ctx_, page_, c);
  CtlUnitEditMessage(ctx_, page_, c, WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmMarginOdd, nullptr), 581u);
  // Inch mode: 8.50 is 10200 dots.
  StgSetValue(ctx_, sid::rdmDspUnit, 1);
  SetWindowTextW(W(c), u"8.50");
  Changed(c);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmMarginOdd, nullptr), 10200u);
}

TEST_F(Typing, ArrowKeysSpinWithinTheRange) {
  CONTROL_DESC* c = Open(1001, 3322);
  ASSERT_NE(c, nullptr);
  CTL_NUMERIC rec{};
  ASSERT_TRUE(CtlGetNumericRecord(c, &rec));
  StgSetValue(ctx_, sid::dmCopies, DWORD(rec.maximum));
  EXPECT_EQ(SendMessageW(W(c), WM_KEYDOWN, VK_UP, 1), 0);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), DWORD(rec.maximum));
  StgSetValue(ctx_, sid::dmCopies, DWORD(rec.maximum - 1));
  SendMessageW(W(c), WM_KEYDOWN, VK_UP, 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), DWORD(rec.maximum));
  StgSetValue(ctx_, sid::dmCopies, DWORD(rec.minimum));
  SendMessageW(W(c), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), DWORD(rec.minimum));
  StgSetValue(ctx_, sid::dmCopies, 5);
  SendMessageW(W(c), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), 4u);
}

TEST_F(Typing, SpinBarStepsTheSetting) {
  CONTROL_DESC* c = Open(1001, 3323, u"SCROLLBAR", SBS_VERT);
  ASSERT_NE(c, nullptr);
  StgSetValue(ctx_, sid::dmCopies, 5);
  CtlSpinBarRefresh(ctx_, page_, c);
  EXPECT_EQ(CtlSpinBarMessage(ctx_, page_, c, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(c->window)), 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), 6u);
  CtlSpinBarRefresh(ctx_, page_, c);
  CtlSpinBarMessage(ctx_, page_, c, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30000), reinterpret_cast<LPARAM>(c->window));
  CTL_NUMERIC rec{};
  ASSERT_TRUE(CtlGetNumericRecord(c, &rec));
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmCopies, nullptr), DWORD(rec.maximum));
  // Another bar's message changes nothing.
  EXPECT_EQ(CtlSpinBarMessage(ctx_, page_, c, WM_VSCROLL, SB_LINEUP, 0), 0);
}

TEST_F(Typing, HotSpotsFollowTheirGates) {
  StgSetValue(ctx_, sid::rdmSourceOptionTypeSingle, 0);
  StgSetValue(ctx_, sid::rdmSourceOptionTypeCut, 0);
  const HOT_SPOT_ROW* r = CtlFindHotSpot(ctx_, nullptr, POINT{70, 70}, CtlSourceHotSpots());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->value, 13260);
  EXPECT_EQ(CtlFindHotSpot(ctx_, nullptr, POINT{90, 85}, CtlSourceHotSpots()), nullptr);
  StgSetValue(ctx_, sid::rdmSourceOptionTypeCut, 1);
  r = CtlFindHotSpot(ctx_, nullptr, POINT{90, 85}, CtlSourceHotSpots());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->value, 13738);
  // Right and bottom edges are outside; negative x (the 3203 picture) matches none of these rows.
  EXPECT_EQ(CtlFindHotSpot(ctx_, nullptr, POINT{156, 52}, CtlSourceHotSpots()), nullptr);
  EXPECT_EQ(CtlFindHotSpot(ctx_, nullptr, POINT{-70, 70}, CtlSourceHotSpots()), nullptr);
  // An offset row moves the rectangle while its setting is 1.
  static const HOT_SPOT_OFFSET shift[] = {{sid::rdmSourceOptionTypeCut, 100, 0}, {}};
  const HOT_SPOT_ROW moved[] = {{0, 0, 0, 10, 10, 0, 7, 0, 0, shift}, {}};
  EXPECT_EQ(CtlFindHotSpot(ctx_, nullptr, POINT{5, 5}, moved), nullptr);
  EXPECT_NE(CtlFindHotSpot(ctx_, nullptr, POINT{105, 5}, moved), nullptr);
}

TEST_F(Typing, CaptionsAndComboPictures) {
  CONTROL_DESC button{};
  button.controlId = 2037;
  CtlLoadCaptionId(ctx_, &button);
  EXPECT_EQ(ctx_->work->sheet.captionId, CTL_NO_CAPTION);
  button.controlId = 2003;
  CtlLoadCaptionId(ctx_, &button);
  EXPECT_EQ(ctx_->work->sheet.captionId, 13187);
  button.controlId = 4242;
  CtlLoadCaptionId(ctx_, &button);
  EXPECT_EQ(ctx_->work->sheet.captionId, 0);
  CONTROL_DESC combo{};
  combo.controlId = 2937;
  EXPECT_EQ(CtlPictureOfItem(&combo, 13137), 7447);
  combo.state = STG_CONTROL_STATE_DISABLED;
  EXPECT_EQ(CtlPictureOfItem(&combo, 13137), 7451);
  EXPECT_EQ(CtlPictureOfItem(&combo, 1), 0);
  EXPECT_EQ(CtlHintOfItem(&combo, 13140), 0);
}

}  // namespace
