// Sub-dialogs: the launcher's snapshot (kept on acceptance, rolled back otherwise, at every level of a
// nested road), its events and the owner page's changed mark, the nested sheets, and the services of the
// settings-file dialogs.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "features/fm_modules.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/file.h"
#include "kvplat/propsheet.h"
#include "kvseam.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/undo.h"
#include "sheets/dlg_prepare.h"
#include "sheets/dlg_subdialog.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

namespace fs = std::filesystem;

constexpr WORD kMark = sid::dmCopies;
std::vector<std::pair<DWORD, WORD>> gEvents;  // {event, dialog id}

int RecordEvent(SETTING_CONTEXT*, DWORD event, void* arg, void*) {
  if (event == DLG_EVENT_SUBDIALOG_KEPT || event == DLG_EVENT_SUBDIALOG_ROLLED_BACK)
    gEvents.push_back({event, arg ? static_cast<DIALOG_DESC*>(arg)->id : WORD(0)});
  return 0;
}

// The sheet a page belongs to: it records the PSM_CHANGED it is sent.
std::vector<WPARAM> gChanged;
LRESULT SheetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == PSM_CHANGED) gChanged.push_back(wp);
  return DefWindowProcW(w, m, wp, lp);
}

class SubDialogs : public SheetsTest {
 protected:
  void SetUp() override {
    SheetsTest::SetUp();
    gEvents.clear();
    gChanged.clear();
    saved_ = ctx_->work->modules->rows[0].event;
    ctx_->work->modules->rows[0].event = RecordEvent;
    StgSetValue(ctx_, kMark, 1);
    // The sheets' preparation keeps a snapshot for the context's sheet: take it before counting.
    DlgPrepareUi(ctx_, nullptr);
    base_ = ctx_->work->undoDepth;
  }
  void TearDown() override {
    if (ctx_) ctx_->work->modules->rows[0].event = saved_;
    SheetsTest::TearDown();
  }
  DWORD Mark() { return DWORD(StgGetValue(ctx_, kMark, nullptr)); }
  void SetMark(DWORD v) { StgSetValue(ctx_, kMark, v); }
  // A sheet window holding page 1002, which is the dialog in use (the owner of the sub-dialog).
  HWND OwnerPage() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SheetProc;
    wc.lpszClassName = u"KvTestSheet";
    RegisterClassExW(&wc);
    sheet_ = CreateWindowExW(0, u"KvTestSheet", u"sheet", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND page = CreateWindowExW(0, u"STATIC", u"", WS_CHILD, 0, 0, 300, 200, sheet_, nullptr, nullptr, nullptr);
    StgFindDialog(ctx_, 1002)->window = page;
    ctx_->dialogInUse = 1002;
    return page;
  }
  STG_MODULE_EVENT saved_ = nullptr;
  DWORD base_ = 0;
  HWND sheet_ = nullptr;
};

}  // namespace

TEST_F(SubDialogs, ModalDialogKeepsOrRollsBackItsChanges) {
  struct Case {
    WORD dialog;
    bool ok;
    DWORD markAfter;
    DWORD event;
    bool changedMark;
  };
  const Case cases[] = {
      {1018, false, 1, DLG_EVENT_SUBDIALOG_ROLLED_BACK, false},
      {1018, true, 7, DLG_EVENT_SUBDIALOG_KEPT, true},
      {1020, true, 7, DLG_EVENT_SUBDIALOG_KEPT, false},  // the summary never marks its owner changed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dialog << (c.ok ? " OK" : " cancel"));
    SetMark(1);
    gEvents.clear();
    gChanged.clear();
    HWND page = OwnerPage();
    kvp::ui::ScriptCall([&] {
      EXPECT_EQ(ctx_->dialogInUse, c.dialog);
      EXPECT_EQ(StgFindDialog(ctx_, c.dialog)->modalOpen, 1);
      SetMark(7);
    });
    if (c.ok) kvp::ui::ScriptPressOk();
    else kvp::ui::ScriptPressCancel();
    int r = DlgOpenSubDialog(ctx_, 4, c.dialog, sheet_);
    EXPECT_EQ(r, c.ok ? IDOK : IDCANCEL);
    EXPECT_TRUE(kvp::ui::ScriptErrors().empty());
    EXPECT_EQ(Mark(), c.markAfter);
    EXPECT_EQ(ctx_->dialogInUse, 1002) << "the dialog in use is restored";
    EXPECT_EQ(StgFindDialog(ctx_, c.dialog)->modalOpen, 0);
    EXPECT_EQ(ctx_->work->undoDepth, base_);
    EXPECT_EQ(gEvents, (std::vector<std::pair<DWORD, WORD>>{{c.event, c.dialog}}));
    EXPECT_EQ(gChanged, c.changedMark ? std::vector<WPARAM>{reinterpret_cast<WPARAM>(page)} : std::vector<WPARAM>{});
    kvp::ui::ResetWindows();
  }
}

TEST_F(SubDialogs, FailuresOpenNothingAndChangeNothing) {
  ctx_->dialogInUse = 1002;
  // Not in the table.
  EXPECT_EQ(DlgOpenSubDialog(ctx_, 4, 999, nullptr), 0);
  EXPECT_EQ(ctx_->dialogInUse, 1002);
  EXPECT_EQ(ctx_->work->undoDepth, base_);
  EXPECT_TRUE(gEvents.empty());
  // Every snapshot taken: the dialog's changes could not be undone, so it does not open.
  for (DWORD i = base_; i < STG_UNDO_DEPTH; ++i) ASSERT_EQ(StgPushUndo(ctx_), 1);
  EXPECT_EQ(DlgOpenSubDialog(ctx_, 4, 1018, nullptr), 0);
  EXPECT_EQ(kvp::ui::WindowCount(), 0u);
  EXPECT_EQ(ctx_->work->undoDepth, STG_UNDO_DEPTH);
  for (DWORD i = base_; i < STG_UNDO_DEPTH; ++i) StgPopUndo(ctx_, 0);
  // No resource library.
  EXPECT_EQ(DlgOpenSubDialog(nullptr, 4, 1018, nullptr), -1);
  EXPECT_EQ(ctx_->work->undoDepth, base_);
  EXPECT_TRUE(gEvents.empty());
}

TEST_F(SubDialogs, NestedRoadCancelledAtEachLevelRestoresThatLevelOnly) {
  // 1018 sets 7 and opens 1013, which sets 9 and is cancelled; then 1018 is accepted.
  kvp::ui::ScriptCall([&] {
    SetMark(7);
    EXPECT_EQ(DlgOpenSubDialog(ctx_, 4, 1013, GetActiveWindow()), IDCANCEL);
    EXPECT_EQ(Mark(), 7u);
  });
  kvp::ui::ScriptCall([&] { SetMark(9); });
  kvp::ui::ScriptPressCancel();
  kvp::ui::ScriptPressOk();
  EXPECT_EQ(DlgOpenSubDialog(ctx_, 4, 1018, nullptr), IDOK);
  EXPECT_EQ(Mark(), 7u);
  EXPECT_EQ(gEvents, (std::vector<std::pair<DWORD, WORD>>{{DLG_EVENT_SUBDIALOG_ROLLED_BACK, 1013},
                                                          {DLG_EVENT_SUBDIALOG_KEPT, 1018}}));
  // The other way round: the inner change kept, the outer cancelled, both gone.
  gEvents.clear();
  SetMark(1);
  kvp::ui::ScriptCall([&] {
    SetMark(7);
    DlgOpenSubDialog(ctx_, 4, 1013, GetActiveWindow());
    EXPECT_EQ(Mark(), 9u);
  });
  kvp::ui::ScriptCall([&] { SetMark(9); });
  kvp::ui::ScriptPressOk();
  kvp::ui::ScriptPressCancel();
  EXPECT_EQ(DlgOpenSubDialog(ctx_, 4, 1018, nullptr), IDCANCEL);
  EXPECT_EQ(Mark(), 1u);
  EXPECT_EQ(ctx_->work->undoDepth, base_);
}

TEST_F(SubDialogs, NestedSheetsTakeTheirPagesAndStartPage) {
  struct Case {
    WORD mode, dialog;
    std::vector<int> pages;
    WORD start;
    bool userCaption;
  };
  const Case cases[] = {
      {16, 1003, {1002, 1003, 1004, 1005}, 1003, false},
      {4, 1038, {1021, 1038, 1029}, 1038, true},  // a kind-0x20 dialog opens its sheet in any mode
  };
  WCHAR user[256] = {};
  CfgLoadString(ctx_, 5001, user, 256, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialog);
    std::vector<int> pages;
    HWND current = nullptr;
    WCHAR caption[256] = {};
    kvp::ui::ScriptCall([&] {
      HWND sheet = GetActiveWindow();
      pages = kvp::ui::SheetPageIds(sheet);
      current = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      GetWindowTextW(sheet, caption, 256);
      SetMark(5);
    });
    kvp::ui::ScriptPressCancel();
    EXPECT_EQ(DlgOpenSubDialog(ctx_, c.mode, c.dialog, nullptr), 0);
    EXPECT_EQ(pages, c.pages);
    EXPECT_NE(current, nullptr);
    EXPECT_EQ(current, StgFindDialog(ctx_, c.start)->window);
    std::u16string expected = c.userCaption ? std::u16string(user) : std::u16string(CfgGetPrinterName(ctx_));
    EXPECT_EQ(std::u16string(caption), expected);
    EXPECT_EQ(Mark(), 1u) << "a cancelled sheet rolls back";
    kvp::ui::ResetWindows();
  }
}

TEST_F(SubDialogs, FileDialogWithoutAChoiceRollsBack) {
  // The file dialog answers nothing chosen: nothing is saved, loaded or deleted.
  ctx_->work->dialogAccepted = 1;
  SetMark(3);
  int r = DlgOpenSubDialog(ctx_, 4, 4002, nullptr);
  if (KvIsStandIn(reinterpret_cast<const void*>(&FmRunFileDialog))) {
    EXPECT_EQ(r, 0);
  }
  EXPECT_EQ(ctx_->work->dialogAccepted, 0u) << "an earlier dialog's acceptance does not carry over";
  EXPECT_EQ(gEvents, (std::vector<std::pair<DWORD, WORD>>{{DLG_EVENT_SUBDIALOG_ROLLED_BACK, 4002}}));
  EXPECT_EQ(ctx_->work->undoDepth, base_);
}

TEST_F(SubDialogs, ResolveGuardClearsOnTheEndingMessagesOnly) {
  struct Case {
    UINT message;
    WPARAM wParam;
    UINT code;
    int force;
    bool clears;
  };
  const Case cases[] = {
      {WM_COMMAND, IDOK, 0, 0, true},      {WM_COMMAND, IDCANCEL, 0, 0, true}, {WM_COMMAND, IDYES, 0, 0, true},
      {WM_COMMAND, IDNO, 0, 0, true},      {WM_COMMAND, IDCLOSE, 0, 0, true},  {WM_COMMAND, 3, 0, 0, false},
      {WM_COMMAND, 2001, 0, 0, false},     {WM_NOTIFY, 0, PSN_APPLY, 0, true}, {WM_NOTIFY, 0, PSN_RESET, 0, true},
      {WM_NOTIFY, 0, PSN_SETACTIVE, 0, false}, {WM_PAINT, 0, 0, 0, false},    {WM_PAINT, 0, 0, 1, true},
  };
  int node = 0;
  for (const Case& c : cases) {
    ctx_->work->sheet.resolveGuard = 1;
    ctx_->work->sheet.resolveNode = &node;
    NMHDR hdr{};
    hdr.code = c.code;
    DlgClearResolveGuard(ctx_, c.message, c.wParam, c.message == WM_NOTIFY ? reinterpret_cast<LPARAM>(&hdr) : 0, c.force);
    EXPECT_EQ(ctx_->work->sheet.resolveGuard, c.clears ? 0u : 1u) << c.message << " " << c.wParam << " " << c.code;
    EXPECT_EQ(ctx_->work->sheet.resolveNode, c.clears ? nullptr : &node);
  }
  DlgClearResolveGuard(nullptr, WM_COMMAND, IDOK, 0, 1);  // nothing to clear
}

TEST_F(SubDialogs, SettingsFilesInUseAreFoundByFullPathWithoutWritingAny) {
  const WCHAR* ini = CfgGetIniPath(ctx_);
  std::string iniHost;
  ASSERT_EQ(kvp::MapPath(ini, iniHost), 0u);
  fs::create_directories(fs::path(iniHost).parent_path());
  const WCHAR* section = CfgGetPresetSection(ctx_);
  std::string host;
  ASSERT_EQ(kvp::MapPath(u"C:\\data", host), 0u);
  fs::create_directories(host);
  for (const char* n : {"a.rsd", "q.rsq", "free.rst", "Ünïcode.rst"}) std::ofstream(host + "/" + n) << "[ZARN]\n";
  fs::permissions(host + "/a.rsd", fs::perms::owner_write, fs::perm_options::remove);
  CfgIniWriteString(section, u"Count", u"1", ini);
  CfgIniWriteString(section, u"PresetList0", u"C:\\data\\a.rsd", ini);
  CfgIniWriteString(section, u"QualityCount", u"1", ini);
  CfgIniWriteString(section, u"QualityList0", u"C:\\DATA\\sub\\..\\q.rsq", ini);
  ASSERT_EQ(CfgGetPresetCount(ctx_), 1);
  ASSERT_EQ(CfgGetQualityCount(ctx_), 1);
  WCHAR full[300] = {};
  GetFullPathNameW(u"C:\\data\\a.rsd", 300, full, nullptr);
  EXPECT_EQ(std::u16string(full), u"C:\\data\\a.rsd");
  auto stamp = fs::last_write_time(host + "/a.rsd");
  EXPECT_EQ(DlgIsSettingsFileInUse(ctx_, u"c:\\data\\A.RSD"), 1);  // a read-only preset as well
  EXPECT_EQ(DlgIsSettingsFileInUse(ctx_, u"C:\\data\\q.rsq"), 1);
  EXPECT_EQ(DlgIsSettingsFileInUse(ctx_, u"C:\\data\\free.rst"), 0);
  EXPECT_EQ(DlgIsSettingsFileInUse(ctx_, u""), 0);
  EXPECT_EQ(fs::last_write_time(host + "/a.rsd"), stamp) << "no file is written";
  std::ifstream f(host + "/a.rsd");
  std::string body((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(body, "[ZARN]\n");
  // A name the ANSI code page cannot write is still found.
  EXPECT_EQ(DlgFileExists(u"C:\\data\\Ünïcode.rst"), 1);
  EXPECT_EQ(DlgFileExists(u"C:\\data\\missing.rst"), 0);
  EXPECT_EQ(DlgFileExists(u""), 0);
  EXPECT_EQ(DlgFileExists(nullptr), 0);
}

TEST_F(SubDialogs, ContextHelpNamesTheControlAndItsLabel) {
  // Page 1002 of a real modal run: F1 over a visible control, then over the same control hidden.
  std::vector<kvp::ui::HelpRecord> help;
  WORD controlId = 0, label = 0;
  kvp::ui::ScriptCall([&] {
    HWND dlg = GetActiveWindow();
    DIALOG_DESC* page = StgFindDialog(ctx_, 1018);
    CONTROL_DESC* c = nullptr;
    for (int i = 0; i < page->controlCount && !c; ++i)
      if (page->controls[i].window && page->controls[i].labelId) c = &page->controls[i];
    ASSERT_NE(c, nullptr);
    controlId = c->controlId;
    label = c->labelId;
    c->state &= ~WORD(STG_CONTROL_STATE_HIDDEN_MASK | STG_CONTROL_STATE_DISABLED_MASK);
    DlgShowControlHelp(dlg, static_cast<HWND>(c->window), WM_HELP);
    help = kvp::ui::HelpLog();
    c->state |= STG_CONTROL_STATE_DISABLED;
    DlgShowControlHelp(dlg, static_cast<HWND>(c->window), WM_HELP);
    c->state = WORD(c->state & ~STG_CONTROL_STATE_DISABLED_MASK) | STG_CONTROL_STATE_HIDDEN;
    DlgShowControlHelp(dlg, static_cast<HWND>(c->window), WM_CONTEXTMENU);
    EXPECT_EQ(kvp::ui::HelpLog().size(), help.size()) << "a hidden or disabled control gets no help";
  });
  kvp::ui::ScriptPressCancel();
  DlgOpenSubDialog(ctx_, 4, 1018, nullptr);
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].command, UINT(HELP_WM_HELP));
  EXPECT_FALSE(help[0].file.empty());
  ASSERT_NE(controlId, 0);
  (void)label;
}
