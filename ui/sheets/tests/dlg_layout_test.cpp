// A page of the model opened on its own: the combos filled from the rules, the page texts of the first
// UI hook, and the layout's preset rule with its exemptions and guards.
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/propsheet.h"
#include "sheets/ctl_lists.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_proc.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

class Layout : public SheetsTest {
 protected:
  // Opens page `id` as the sheet would and lets it finish its initialisation.
  HWND OpenPage(WORD id) {
    psp_ = {};
    psp_.dwSize = sizeof psp_;
    psp_.pszTemplate = MAKEINTRESOURCEW(id);
    psp_.lParam = reinterpret_cast<LPARAM>(ctx_);
    ctx_->dialogInUse = SHORT(id);
    host_ = CreateWindowExW(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 0, 500, 500, nullptr, nullptr, nullptr, nullptr);
    HWND page = CreateDialogParamW(CfgLoadResourceDll(ctx_), MAKEINTRESOURCEW(id), host_, PgPageProc,
                                   reinterpret_cast<LPARAM>(&psp_));
    kvp::ui::RunUntilIdle();
    return page;
  }
  std::u16string Text(HWND page, int id) {
    WCHAR buf[256] = {};
    GetWindowTextW(GetDlgItem(page, id), buf, 256);
    return buf;
  }
  PROPSHEETPAGEW psp_{};
  HWND host_ = nullptr;
};

}  // namespace

TEST_F(Layout, PaperComboListsTheRulesOptionsAndSelectsTheValue) {
  HWND page = OpenPage(1002);
  ASSERT_NE(page, nullptr);
  HWND combo = GetDlgItem(page, 2017);
  CONTROL_DESC* control = StgFindControlById(ctx_, StgFindDialog(ctx_, 1002), 2017);
  ASSERT_TRUE(combo && control);
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  EXPECT_GT(count, 1);
  for (LRESULT i = 0; i < count; ++i) {
    WORD option = WORD(SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0));
    WCHAR text[256] = {};
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(text), Load(option)) << "an item's data is its option, and its text";
  }
  LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  ASSERT_GE(selected, 0);
  EXPECT_EQ(DWORD(SendMessageW(combo, CB_GETITEMDATA, WPARAM(selected), 0)), CtlGetValue(ctx_, control));
  // A value without an item clears the selection.
  CtlSetValue(ctx_, control, 0xFFFF);
  CtlComboRefresh(ctx_, StgFindDialog(ctx_, 1002), control);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), -1);
}

TEST_F(Layout, FeedTextsFollowTheMachine) {
  for (DWORD feed : {0u, 1u}) {
    SCOPED_TRACE(feed);
    StgSetValue(ctx_, sid::rdmMachineTypeFeed, feed);
    HWND page = OpenPage(1011);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Text(page, 2173), Load(feed ? 13724 : 13725));
    EXPECT_EQ(Text(page, 2175), Load(feed ? 13725 : 13724));
    kvp::ui::ResetWindows();
  }
}

TEST_F(Layout, AChangeMakesTheStoredPresetUnsaved) {
  HWND page = OpenPage(1002);
  ASSERT_NE(page, nullptr);
  DIALOG_DESC* desc = StgFindDialog(ctx_, 1002);
  struct Case {
    WORD setting;
    uint64_t value;
    DWORD preset;
  } cases[] = {{sid::dmCopies, 3, 118}, {sid::rdmUIModeChange, 1, 121}, {sid::rdmLogCode, 0, 121}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    StgSetOptionValue(ctx_, sid::rdmPresetNo, 121);
    StgSetValue(ctx_, sid::rdmPresentUIMode, 0);
    DlgClearChangeMarks(ctx_);
    StgSetValue(ctx_, c.setting, c.value);
    PgLayoutPage(ctx_, desc, 0);
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmPresetNo, nullptr), c.preset);
    EXPECT_FALSE(DlgAnyChangeMarks(ctx_)) << "the layout consumes the change marks";
  }
  // A nested layout and a page still initialising are left alone.
  for (DWORD SHEET_WORK::*guard : {&SHEET_WORK::layoutGuard, &SHEET_WORK::pageInitialising}) {
    StgSetOptionValue(ctx_, sid::rdmPresetNo, 121);
    DlgClearChangeMarks(ctx_);
    StgSetValue(ctx_, sid::dmCopies, 4);
    ctx_->work->sheet.*guard = 1;
    PgLayoutPage(ctx_, desc, 0);
    ctx_->work->sheet.*guard = 0;
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmPresetNo, nullptr), 121u);
    EXPECT_TRUE(DlgAnyChangeMarks(ctx_));
  }
}

TEST_F(Layout, CheckBox2478IsAlwaysHiddenWithANode) {
  int node = 0;
  EXPECT_EQ(CtlIsExcluded(ctx_, &node, 2478), 1);
  EXPECT_EQ(CtlIsExcluded(ctx_, nullptr, 2478), 0);
}
