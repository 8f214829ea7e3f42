// The sheets open: pages by kind through the common property sheet service, the preset-save buttons,
// the UI preparation and its tables, the control dispatchers and the dialog procedure's own steps, and
// the document and device workers reason by reason.
#include <filesystem>
#include <functional>

#include "config/ini.h"
#include "config/paths.h"
#include "kvplat/controls.h"
#include "kvplat/propsheet.h"
#include "settings/modules.h"
#include "sheets/ctl_buttons.h"
#include "sheets/ctl_core.h"
#include "sheets/ctl_window.h"
#include "sheets/dlg_prepare.h"
#include "sheets/dlg_proc.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"
#include "sheets/tests/sheets_fixture.h"
#include "ui_exports.h"
#include "ui_workers.h"

using uitest::SheetsTest;

namespace {

namespace fs = std::filesystem;

// A sheet function that adds the pages of one kind from a context, as the workers do at INIT.
struct PageRun {
  SETTING_CONTEXT* ctx = nullptr;
  WORD kind = 0;
  LONG added = -1;
  bool refuse = false;
};
PageRun* gRun = nullptr;

LONG_PTR Refusing(HANDLE, UINT, LPARAM, LPARAM) { return 0; }

LONG AddPagesSheet(PROPSHEETUI_INFO* info, LPARAM) {
  if (info->Reason != PROPSHEETUI_REASON_INIT) return 1;
  gRun->ctx->work->sheet.callback = gRun->refuse ? Refusing : info->pfnComPropSheet;
  gRun->ctx->work->sheet.handle = info->hComPropSheet;
  gRun->added = DlgAddSheetPages(gRun->ctx, gRun->kind);
  return gRun->added > 0 ? 1 : -1;
}

// A module row whose message handler answers as the test says, counting what it is offered.
struct Hook {
  INT_PTR answer = 0;
  UINT onlyMessage = 0;  // 0: every message
  int calls = 0;
};
Hook* gHook = nullptr;
int HookMessage(SETTING_CONTEXT*, HANDLE, HANDLE, UINT message, UINT_PTR, LONG_PTR, void*) {
  ++gHook->calls;
  return gHook->onlyMessage && message != gHook->onlyMessage ? 0 : int(gHook->answer);
}

class Sheets : public SheetsTest {
 protected:
  void SetUp() override {
    SheetsTest::SetUp();
    // The service lives where the system's own components are.
    std::string sys;
    ASSERT_EQ(kvp::MapPath(u"C:\\Windows\\System32", sys), 0u);
    fs::create_directories(sys);
    fs::copy_file(std::string(KV_MODULE_DIR) + "/compstui.so", sys + "/compstui.dll", fs::copy_options::overwrite_existing);
  }
  void TearDown() override {
    gRun = nullptr;
    gHook = nullptr;
    SheetsTest::TearDown();
  }
  // Runs a sheet of the context's pages of `kind`; `look` runs at its first wait (then it is cancelled).
  LONG RunPages(WORD kind, std::function<void(HWND)> look = nullptr, bool refuse = false, PageRun* out = nullptr) {
    PageRun run;
    run.ctx = ctx_;
    run.kind = kind;
    run.refuse = refuse;
    gRun = &run;
    kvp::ui::ScriptCall([&] {
      if (look) look(GetActiveWindow());
    });
    kvp::ui::ScriptPressCancel();
    DWORD result = 0;
    LONG r = DlgCallCommonPropertySheet(nullptr, AddPagesSheet, 0, &result);
    kvp::ui::ScriptReset();
    if (out) *out = run;
    return r;
  }
  std::vector<int> PagesOf(WORD kind) {
    std::vector<int> ids;
    RunPages(kind, [&](HWND sheet) { ids = kvp::ui::SheetPageIds(sheet); });
    return ids;
  }
  void InstallHook(Hook* hook) {
    gHook = hook;
    MODULE_VECTOR* v = ctx_->work->modules;
    ASSERT_NE(v, nullptr);
    ASSERT_GT(v->count, 0);
    v->rows[0].message = HookMessage;
  }
  DIALOG_DESC* Page(WORD id) { return StgFindDialog(ctx_, id); }
  CONTROL_DESC* Control(WORD page, WORD id) { return StgFindControlById(ctx_, Page(page), id); }
};

}  // namespace

TEST_F(Sheets, PagesByKindInTableOrder) {
  EXPECT_EQ(PagesOf(DLG_SHEET_DOCUMENT), (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023}));
  EXPECT_EQ(PagesOf(DLG_SHEET_DEVICE), (std::vector<int>{1008, 1011, 1015, 4019}));
  // Dialogs (kind 4) are never pages.
  for (int i = 0; i < ctx_->dialogs->count; ++i) {
    const DIALOG_DESC& d = ctx_->dialogs->rows[i];
    if (d.kind & STG_DIALOG_PAGE_MASK) continue;
    for (WORD kind : {DLG_SHEET_DOCUMENT, DLG_SHEET_DEVICE}) EXPECT_FALSE(d.kind & kind) << d.id;
  }
}

TEST_F(Sheets, WithoutCallbackOrServiceNothingIsAdded) {
  ctx_->work->dialogAccepted = 7;
  EXPECT_EQ(DlgAddSheetPages(ctx_, DLG_SHEET_DOCUMENT), 0);
  EXPECT_EQ(ctx_->work->dialogAccepted, 7u) << "the acceptance mark is left alone";
  EXPECT_EQ(DlgAddSheetPages(nullptr, DLG_SHEET_DOCUMENT), 0);
  // Pages the service refuses are not counted (and are freed: the sanitizer sees no leak).
  PageRun run;
  EXPECT_LT(RunPages(DLG_SHEET_DOCUMENT, nullptr, true, &run), 0);
  EXPECT_EQ(run.added, 0);
  // Without the service library the call answers -1.
  std::string sys;
  ASSERT_EQ(kvp::MapPath(u"C:\\Windows\\System32\\compstui.dll", sys), 0u);
  fs::remove(sys);
  DWORD result = 5;
  EXPECT_EQ(DlgCallCommonPropertySheet(nullptr, AddPagesSheet, 0, &result), -1);
}

TEST_F(Sheets, SaveModesSetUpTheSheetButtons) {
  struct Case {
    DWORD modes;
    int okId;
    WORD okText;
    bool second;
  } cases[] = {{DLG_SAVE_AS_CURRENT, 11111, 372, false},
               {DLG_SAVE_AS_NAMED, 22222, 373, false},
               {DLG_SAVE_AS_CURRENT | DLG_SAVE_AS_NAMED, 22222, 373, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modes);
    StgRaiseChangeFlags(ctx_, 0);
    StgRaiseChangeFlags(ctx_, c.modes);
    RECT plainOk{};
    RunPages(DLG_SHEET_DEVICE, [&](HWND sheet) {
      EXPECT_EQ(GetDlgItem(sheet, IDOK), nullptr);
      HWND ok = GetDlgItem(sheet, c.okId), cancel = GetDlgItem(sheet, IDCANCEL);
      ASSERT_NE(ok, nullptr);
      WCHAR text[256] = {};
      GetWindowTextW(ok, text, 256);
      EXPECT_EQ(std::u16string(text), Load(c.okText, 256, 0));
      RECT o{}, k{};
      GetWindowRect(ok, &o);
      GetWindowRect(cancel, &k);
      // The platform's buttons are 75 wide: OK is now 100, its right edge where it was.
      EXPECT_EQ(o.right - o.left, 100);
      EXPECT_EQ(k.left - o.right, 6);
      HWND save = GetDlgItem(sheet, 11111);
      if (c.second) {
        ASSERT_NE(save, nullptr);
        RECT s{};
        GetWindowRect(save, &s);
        EXPECT_EQ(s.left, 2 * o.left - k.left);
        EXPECT_EQ(s.right - s.left, o.right - o.left);
        EXPECT_EQ(GetWindowLongPtrW(save, GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
      }
      plainOk = o;
    });
    EXPECT_TRUE(StgGetChangeFlags(ctx_) & DLG_SAVE_PENDING);
    EXPECT_FALSE(StgGetChangeFlags(ctx_) & (DLG_SAVE_AS_CURRENT | DLG_SAVE_AS_NAMED));
  }
}

TEST_F(Sheets, ChildrenHiddenUntilTheFitThenShown) {
  PROPSHEETPAGEW psp{};
  psp.dwSize = sizeof psp;
  psp.pszTemplate = MAKEINTRESOURCEW(1002);
  psp.lParam = reinterpret_cast<LPARAM>(ctx_);
  ctx_->dialogInUse = 1002;
  HWND host = CreateWindowExW(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 0, 500, 500, nullptr, nullptr, nullptr, nullptr);
  HWND page = CreateDialogParamW(CfgLoadResourceDll(ctx_), MAKEINTRESOURCEW(1002), host, PgPageProc,
                                 reinterpret_cast<LPARAM>(&psp));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(Page(1002)->window, page);
  int visible = 0, children = 0;
  auto count = [&] {
    visible = children = 0;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      ++children;
      visible += (GetWindowLongPtrW(c, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
    }
  };
  count();
  EXPECT_GT(children, 0);
  EXPECT_EQ(visible, 0);
  EXPECT_FALSE(IsWindowEnabled(page));
  EXPECT_EQ(ctx_->work->sheet.pageInitialising, 1u);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, page, DLG_MSG_FIT_AND_SHOW, DLG_MSG_FIT_AND_SHOW, PM_REMOVE));
  DispatchMessageW(&m);
  count();
  EXPECT_GT(visible, 0) << "the texts that are no controls are shown";
  EXPECT_TRUE(IsWindowEnabled(page));
  EXPECT_EQ(ctx_->work->sheet.pageInitialising, 0u);
  EXPECT_EQ(ctx_->work->sheet.firstDialogId, 1002);
  DestroyWindow(host);
}

TEST_F(Sheets, AnOversizePageShrinksOnceInProportion) {
  HWND page = CreateWindowExW(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 0, 203, 103, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, u"STATIC", u"x", WS_CHILD, 100, 50, 300, 150, page, nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(page, &client);
  int w = int(client.right) - 3, h = int(client.bottom) - 3;
  PgFitAndShow(nullptr, page);
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, MulDiv(100, w, 400));
  EXPECT_EQ(r.right, MulDiv(400, w, 400));
  EXPECT_EQ(r.bottom, MulDiv(200, h, 200));
  EXPECT_TRUE(IsWindowVisible(child));
  PgFitAndShow(nullptr, page);  // fits now: unchanged
  RECT again{};
  GetWindowRect(child, &again);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&again), 2);
  EXPECT_EQ(again.right, r.right);
  DestroyWindow(page);
}

TEST_F(Sheets, PreparationRunsOnceAndSetsItsTables) {
  int first = DlgPrepareUi(ctx_, nullptr);
  EXPECT_NE(first, ctx_->dialogs->rows[0].controlCount);
  EXPECT_EQ(DlgPrepareUi(ctx_, nullptr), ctx_->dialogs->rows[0].controlCount) << "prepared already";
  // Change classes: the paper size rebuilds the staple, punch and Z-fold lists, the HDD option also
  // the print-type combos.
  StgRaiseChangeFlags(ctx_, 0);
  StgSetValue(ctx_, sid::dmPaperSize, StgGetValue(ctx_, sid::dmPaperSize, nullptr));
  EXPECT_EQ(StgGetChangeFlags(ctx_) & STG_CONTROL_REFRESH_MASK, 0x1030000u);
  StgRaiseChangeFlags(ctx_, 0);
  StgSetValue(ctx_, sid::rdmOutputOptionTypeHDD, 0);
  EXPECT_EQ(StgGetChangeFlags(ctx_) & STG_CONTROL_REFRESH_MASK, 0x1130000u);
  // Flags of controls, and a control bound to its setting and node.
  EXPECT_EQ(Control(1001, 2032)->flags, 0x100000u);
  EXPECT_TRUE(Control(1002, 2038)->flags & STG_CONTROL_SAVES_PRESET);
  EXPECT_NE(Control(1002, 2017)->item, nullptr);
  EXPECT_NE(Control(1002, 2017)->ruleNode, nullptr);
  EXPECT_EQ(Control(1002, 2017)->alternateId, 2017);
  // wdmNUPType reads and writes the bytes of rdmNUPType.
  ITEM_DESC* nup = StgFindItem(ctx_, sid::rdmNUPType);
  ITEM_DESC* work = StgFindItem(ctx_, sid::wdmNUPType);
  EXPECT_EQ(work->offset, nup->offset);
  EXPECT_EQ(work->type, nup->type);
  // The preset number maps -1 to option 118.
  StgSetValue(ctx_, sid::rdmPresetNo, 0xFF);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmPresetNo, nullptr), 118u);
  // The preview's extra data is the context's own, in setting ids (word 2 the watermark font).
  const WORD* preview = CtlGetExtraData(Control(1002, 2039), STG_EXTRA_PREVIEW);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview, ctx_->work->sheet.previewExtra);
  EXPECT_EQ(preview[2], 945);
  EXPECT_EQ(CtlGetExtraData(Control(1001, 2001), STG_EXTRA_PREVIEW), preview);
}

TEST_F(Sheets, TwoContextsKeepTheirOwnPreparation) {
  SETTING_CONTEXT* other = Open();
  ASSERT_NE(other, nullptr);
  DlgPrepareUi(ctx_, nullptr);
  DlgPrepareUi(other, nullptr);
  const WORD* mine = CtlGetExtraData(Control(1002, 2039), STG_EXTRA_PREVIEW);
  const WORD* theirs = CtlGetExtraData(StgFindControlById(other, StgFindDialog(other, 1002), 2039), STG_EXTRA_PREVIEW);
  ASSERT_NE(mine, nullptr);
  ASSERT_NE(theirs, nullptr);
  EXPECT_NE(mine, theirs);
  EXPECT_EQ(std::vector<WORD>(mine, mine + 15), std::vector<WORD>(theirs, theirs + 15));
  StgReleaseContext(other, STG_RELEASE_FREE);
}

TEST_F(Sheets, AWatermarkBeyondTheStampsIsSwitchedOff) {
  StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  StgSetValue(ctx_, sid::rdmWmID, 999);
  DlgPrepareUi(ctx_, nullptr);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectWaterMark, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmWmID, nullptr), 0u);
}

TEST_F(Sheets, KindTableAndDispatch) {
  const CONTROL_KIND* t = CtlGetKindTable();
  for (int i = 0; i < CTL_KIND_ROWS; ++i) EXPECT_EQ(CtlFindKind(t[i].kind), &t[i]);
  EXPECT_EQ(CtlFindKind(0x7F), nullptr);
  EXPECT_EQ(CtlFindKind(0x15)->windowProc, reinterpret_cast<WNDPROC>(CtlButtonWindowProc));
  EXPECT_EQ(CtlFindKind(0x2B)->windowProc, reinterpret_cast<WNDPROC>(CtlWindowProc));

  HWND page = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  HWND combo = CreateWindowExW(0, WC_COMBOBOXW, u"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 0, 100, 100, page,
                               reinterpret_cast<HMENU>(LONG_PTR(2070)), nullptr, nullptr);
  DIALOG_DESC* d = Page(1001);
  d->window = page;
  CONTROL_DESC* c = Control(1001, 2070);
  ASSERT_EQ(c->kind, 0x2B);
  c->window = combo;
  c->savedProc = 0;
  Hook hook;
  InstallHook(&hook);
  // A hook answering exactly 1 to the init code keeps the control from being subclassed.
  hook.answer = 1;
  hook.onlyMessage = DLG_HOOK_INIT_CONTROL;
  CtlInitControl(ctx_, d, c);
  EXPECT_EQ(c->savedProc, 0u);
  hook.answer = 2;  // not exactly 1: the kind's handler runs
  CtlInitControl(ctx_, d, c);
  ULONG_PTR saved = c->savedProc;
  EXPECT_NE(saved, 0u);
  EXPECT_EQ(GetWindowLongPtrW(combo, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(CtlWindowProc));
  EXPECT_EQ(GetWindowLongPtrW(combo, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(c));
  hook.answer = 0;
  CtlInitControl(ctx_, d, c);
  EXPECT_EQ(c->savedProc, saved) << "subclassed once";
  // A handled command repaints the page; a handled WM_DRAWITEM does not.
  MSG m;
  while (PeekMessageW(&m, page, 0, 0xFFFFFFFFu, PM_REMOVE)) {}
  hook.answer = 1;
  hook.onlyMessage = 0;
  EXPECT_EQ(CtlDispatchCommand(ctx_, d, c, 2070, 0), 1);
  EXPECT_TRUE(PeekMessageW(&m, page, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(CtlDispatchMessage(ctx_, d, c, WM_DRAWITEM, 2070, 0), 1);
  EXPECT_FALSE(PeekMessageW(&m, page, WM_PAINT, WM_PAINT, PM_REMOVE));
  // A hidden control and a right click on the preset list are ignored before any hook.
  hook.calls = 0;
  c->state = STG_CONTROL_STATE_HIDDEN;
  EXPECT_EQ(CtlDispatchMessage(ctx_, d, c, WM_LBUTTONUP, 0, 0), 0);
  c->state = 0;
  EXPECT_EQ(CtlDispatchMessage(ctx_, d, Control(1001, 2001), WM_RBUTTONDOWN, 0, 0), 0);
  EXPECT_EQ(hook.calls, 0);
  // A control whose kind has no row is inert.
  hook.answer = 0;
  CONTROL_DESC odd = *c;
  odd.kind = 0x7F;
  odd.savedProc = 0;
  EXPECT_EQ(CtlInitControl(ctx_, d, &odd), 0);
  EXPECT_EQ(odd.savedProc, 0u);
  EXPECT_EQ(CtlRunCommand(ctx_, d, &odd, 2070, 0), 0);
  // Selecting by item data: a value no item carries changes nothing.
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"a"));
  SendMessageW(combo, CB_SETITEMDATA, 0, 42);
  SendMessageW(combo, CB_SETCURSEL, WPARAM(-1), 0);
  CtlSelectComboByData(ctx_, d, 2070, 7);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), -1);
  CtlSelectComboByData(ctx_, d, 2070, 42);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
  d->window = nullptr;
  c->window = nullptr;
  DestroyWindow(page);
}

// Runs the dialog procedure on a page window of its own (as a sheet would hold it).
class PageProc : public Sheets {
 protected:
  void SetUp() override {
    Sheets::SetUp();
    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.lParam = reinterpret_cast<LPARAM>(ctx_);
    psp.pszTemplate = MAKEINTRESOURCEW(1002);
    ctx_->dialogInUse = 1002;
    host_ = CreateWindowExW(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 0, 500, 500, nullptr, nullptr, nullptr, nullptr);
    page_ = CreateDialogParamW(CfgLoadResourceDll(ctx_), MAKEINTRESOURCEW(1002), host_, PgPageProc,
                               reinterpret_cast<LPARAM>(&psp));
    ASSERT_NE(page_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(host_)) DestroyWindow(host_);
    Sheets::TearDown();
  }
  LONG_PTR Apply() {
    PSHNOTIFY n{};
    n.hdr.code = PSN_APPLY;
    SetWindowLongPtrW(page_, DWLP_MSGRESULT, -5);
    SendMessageW(page_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    return GetWindowLongPtrW(page_, DWLP_MSGRESULT);
  }
  HWND host_ = nullptr, page_ = nullptr;
};

TEST_F(PageProc, APendingSaveRefusesTheFirstApplyAndPostsTheSave) {
  StgRaiseChangeFlags(ctx_, DLG_SAVE_PENDING);
  EXPECT_EQ(Apply(), PSNRET_INVALID_NOCHANGEPAGE);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, page_, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(LOWORD(m.wParam), DLG_CMD_SAVE_CURRENT) << "no 22222 on the sheet: the current-preset save";
  EXPECT_EQ(ctx_->work->sheet.inApply, 0u);
  StgClearChangeFlags(ctx_, DLG_SAVE_PENDING);
  EXPECT_EQ(Apply(), PSNRET_NOERROR);
  EXPECT_EQ(ctx_->work->dialogAccepted, 1u);
}

TEST_F(PageProc, IdOkWaitsForAQueuedAlert) {
  PostMessageW(page_, DLG_MSG_SHOW_ALERT, 2017, 0);
  SendMessageW(page_, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(Page(1002)->window, page_) << "the page stays bound: the alert comes first";
}

TEST_F(PageProc, MessagesWithoutContextOrPageDoNothing) {
  HWND bare = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  for (UINT msg : {UINT(WM_COMMAND), UINT(WM_PAINT), UINT(WM_TIMER), UINT(DLG_MSG_FIT_AND_SHOW), UINT(WM_MOUSEMOVE)})
    EXPECT_EQ(DlgProc(bare, msg, IDOK, 0), FALSE) << msg;
  DestroyWindow(bare);
}

TEST_F(PageProc, PresetSaveRefusals) {
  struct Case {
    const char16_t* name;
    int stored;
    WORD message;
  } cases[] = {{u"", 0, 10031}, {u"Mine", 16, 10049}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    kvp::ui::ClearLogs();
    CtlSetTextById(ctx_, 2145, c.name);
    StgSetValue(ctx_, sid::rdmPresetNo, 0xFF);
    std::string host;
    kvp::MapPath(CfgGetIniPath(ctx_), host);
    fs::create_directories(fs::path(host).parent_path());
    while (CfgGetPresetCount(ctx_) < c.stored) ASSERT_EQ(CfgAppendPresetListEntry(ctx_, u"C:\\p.rpo", u"P", u""), 1);
    ASSERT_EQ(CfgGetPresetCount(ctx_), c.stored);
    ASSERT_EQ(StgGetOptionValue(ctx_, sid::rdmPresetNo, nullptr), 118u);
    kvp::ui::ScriptAnswer(IDOK);
    SendMessageW(page_, WM_COMMAND, DLG_CMD_SAVE_NAMED, 0);
    kvp::ui::ScriptReset();
    auto log = kvp::ui::MessageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, Load(c.message, 1025, 0));
    EXPECT_EQ(CfgGetPresetCount(ctx_), c.stored) << "nothing appended";
  }
}

// The workers through the service: pages at INIT, the header, and a reopen from the cache.
TEST_F(Sheets, DocumentWorkerOpensAndReopensFromTheCache) {
  StgReleaseContext(ctx_, STG_RELEASE_FREE);
  ctx_ = nullptr;
  std::vector<BYTE> out(4096);
  DOCUMENTPROPERTYHEADER h{};
  h.cbSize = sizeof h;
  h.hPrinter = printer_;
  h.pszPrinterName = name_.data();
  h.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
  h.fMode = DM_IN_PROMPT | DM_OUT_BUFFER;
  std::vector<int> first, second;
  HWND firstSheet = nullptr;
  for (auto* ids : {&first, &second}) {
    kvp::ui::ScriptCall([&, ids] {
      HWND sheet = GetActiveWindow();
      *ids = kvp::ui::SheetPageIds(sheet);
      WCHAR title[256] = {};
      GetWindowTextW(sheet, title, 256);
      EXPECT_EQ(std::u16string(title), name_ + u" Properties");
      if (!firstSheet) firstSheet = sheet;
    });
    kvp::ui::ScriptPressCancel();
    DWORD result = 9;
    EXPECT_EQ(DlgCallCommonPropertySheet(nullptr, DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&h), &result),
              CPSUI_CANCEL);
    EXPECT_EQ(result, 0u);
    kvp::ui::ScriptReset();
  }
  EXPECT_EQ(first, (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023}));
  EXPECT_EQ(second, first);
  // The header the service asked for.
  PROPSHEETUI_INFO info{};
  info.lParamInit = reinterpret_cast<LPARAM>(&h);
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  PROPSHEETUI_INFO_HEADER header{};
  EXPECT_EQ(UiDocumentPropertySheets(&info, reinterpret_cast<LPARAM>(&header)), -1) << "no context: -1";
  // The device sheet: its pages, and a header without a printer name titled with the printer's.
  DEVICEPROPERTYHEADER dh{};
  dh.cbSize = sizeof dh;
  dh.hPrinter = printer_;
  std::vector<int> device;
  kvp::ui::ScriptAnswer(IDOK);  // the pack installation's notice, shown once when the device sheet opens
  kvp::ui::ScriptCall([&] { device = kvp::ui::SheetPageIds(GetActiveWindow()); });
  kvp::ui::ScriptPressCancel();
  DWORD result = 0;
  EXPECT_EQ(DlgCallCommonPropertySheet(nullptr, DrvDevicePropertySheets, reinterpret_cast<LPARAM>(&dh), &result),
            CPSUI_CANCEL);
  kvp::ui::ScriptReset();
  EXPECT_EQ(device, (std::vector<int>{1008, 1011, 1015, 4019}));
}

TEST_F(Sheets, WorkerHeaderAndReasons) {
  DEVICEPROPERTYHEADER dh{};
  dh.cbSize = sizeof dh;
  dh.hPrinter = printer_;
  PROPSHEETUI_INFO info{};
  info.lParamInit = reinterpret_cast<LPARAM>(&dh);
  // No sheet callback: INIT adds nothing and fails, releasing its context.
  info.Reason = PROPSHEETUI_REASON_INIT;
  EXPECT_EQ(UiDevicePropertySheets(&info, 0), -1);
  EXPECT_EQ(info.UserData, 0u);
  // With the context of a sheet: the header, the result and the icon.
  info.UserData = reinterpret_cast<ULONG_PTR>(ctx_);
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  PROPSHEETUI_INFO_HEADER header{};
  EXPECT_EQ(UiDevicePropertySheets(&info, reinterpret_cast<LPARAM>(&header)), 1);
  EXPECT_EQ(header.Flags, 6);
  EXPECT_EQ(header.IconID, 64082u);
  ASSERT_NE(header.pTitle, nullptr);
  EXPECT_EQ(std::u16string(header.pTitle), name_);
  SETRESULT_INFO set{};
  set.Result = 1;
  info.Reason = PROPSHEETUI_REASON_SET_RESULT;
  EXPECT_EQ(UiDevicePropertySheets(&info, reinterpret_cast<LPARAM>(&set)), 1);
  EXPECT_EQ(info.Result, 1u);
  info.Reason = PROPSHEETUI_REASON_GET_ICON;
  EXPECT_EQ(UiDevicePropertySheets(&info, 0), -1);
  EXPECT_EQ(UiDevicePropertySheets(nullptr, 0), -1);
  info.UserData = 0;
}
