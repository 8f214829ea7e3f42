// Property sheets driven by scripted input: page switching, changes, applies refused and accepted, help,
// cancel, and sheets that cannot be built.
#include <filesystem>

#include "../tests/fixtures/sheet_ids.h"
#include "kvplat/module.h"
#include "kvplat/propsheet.h"
#include "kvplat/sheetservice.h"
#include "kvtest/temp_root.h"
#include "ui_fixture.h"

namespace {

namespace fs = std::filesystem;
using uitest::UiTest;

// What the pages heard, as "page:event" texts.
struct Pages {
  std::vector<std::string> log;
  int refuseApplyOf = -1;   // the page that refuses its next PSN_APPLY
  int refuseLeaveOf = -1;   // the page that refuses its next PSN_KILLACTIVE
  int pressOkOnApply = -1;  // the page that refuses once and presses OK again (a save before the apply)
  HWND sheet = nullptr;
};

INT_PTR PageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) SetWindowLongPtrW(page, DWLP_USER, lp);
  auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(GetWindowLongPtrW(page, DWLP_USER));
  if (!psp) return FALSE;
  auto* pages = reinterpret_cast<Pages*>(psp->lParam);
  int id = int(reinterpret_cast<ULONG_PTR>(psp->pszTemplate)) - IDD_PAGE_GENERAL;
  auto note = [&](const char* what) { pages->log.push_back(std::to_string(id) + ":" + what); };
  switch (msg) {
    case WM_INITDIALOG:
      note("init");
      pages->sheet = GetParent(page);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) {
        note("changed");
        SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
      }
      return TRUE;
    case WM_NOTIFY: {
      auto* n = reinterpret_cast<PSHNOTIFY*>(lp);
      LONG_PTR result = 0;
      switch (n->hdr.code) {
        case PSN_SETACTIVE: note("active"); break;
        case PSN_KILLACTIVE:
          note("leave");
          if (pages->refuseLeaveOf == id) result = TRUE, pages->refuseLeaveOf = -1;
          break;
        case PSN_APPLY:
          note(n->lParam ? "apply-ok" : "apply");
          if (pages->refuseApplyOf == id) result = PSNRET_INVALID_NOCHANGEPAGE, pages->refuseApplyOf = -1;
          if (pages->pressOkOnApply == id) {
            result = PSNRET_INVALID_NOCHANGEPAGE;
            pages->pressOkOnApply = -1;
            PostMessageW(GetParent(page), PSM_PRESSBUTTON, PSBTN_OK, 0);
          }
          break;
        case PSN_RESET: note("reset"); break;
        case PSN_HELP: note("help"); break;
        default: return FALSE;
      }
      SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
  return FALSE;
}

class UiSheets : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    std::string dir = root_.path() + "/c/Windows/System32/spool/drivers/x64/3";
    fs::create_directories(dir);
    fs::copy_file(std::string(KV_MODULE_DIR) + "/kvres_sheets.so", dir + "/KVSHEETS.DLL");
    module_ = LoadLibraryW(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvsheets.dll");
    ASSERT_NE(module_, nullptr) << GetLastError();
  }
  void TearDown() override {
    UiTest::TearDown();
    if (module_) FreeLibrary(module_);
  }
  HPROPSHEETPAGE Page(int templateId) {
    PROPSHEETPAGEW p{};
    p.dwSize = sizeof p;
    p.dwFlags = PSP_HASHELP;
    p.hInstance = module_;
    p.pszTemplate = MAKEINTRESOURCEW(templateId);
    p.pfnDlgProc = PageProc;
    p.lParam = reinterpret_cast<LPARAM>(&pages_);
    return CreatePropertySheetPageW(&p);
  }
  INT_PTR Run(std::vector<HPROPSHEETPAGE> handles, DWORD flags = PSH_HASHELP | PSH_NOCONTEXTHELP, UINT start = 0) {
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = flags;
    h.hwndParent = parent_;
    h.hInstance = module_;
    h.pszCaption = MAKEINTRESOURCEW(IDS_SHEET_CAPTION);
    h.nPages = UINT(handles.size());
    h.nStartPage = start;
    h.phpage = handles.data();
    return PropertySheetW(&h);
  }
  std::vector<HPROPSHEETPAGE> Three() { return {Page(IDD_PAGE_GENERAL), Page(IDD_PAGE_PAPER), Page(IDD_PAGE_ADVANCED)}; }

 public:
  HPROPSHEETPAGE PageForService(int id) { return Page(id); }
  HMODULE Module() const { return module_; }

 protected:
  HWND Current() { return reinterpret_cast<HWND>(SendMessageW(pages_.sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

  kvtest::TempRoot root_;
  HMODULE module_ = nullptr;
  Pages pages_;
};

TEST_F(UiSheets, SwitchChangeRefusedApplyThenOk) {
  pages_.refuseApplyOf = 1;
  bool applyEnabledBefore = true, applyEnabledAfter = false, stillOpen = false;
  HWND paperPage = nullptr, afterRefusal = nullptr;
  WCHAR caption[64] = {};
  kvp::ui::ScriptCall([&] {
    applyEnabledBefore = IsWindowEnabled(GetDlgItem(pages_.sheet, ID_APPLY_NOW));
    GetWindowTextW(pages_.sheet, caption, 64);
  });
  kvp::ui::ScriptSelect(IDC_SHEET_TAB, 1);
  kvp::ui::ScriptClick(IDC_PAPER_CHECK);
  kvp::ui::ScriptCall([&] {
    paperPage = Current();
    applyEnabledAfter = IsWindowEnabled(GetDlgItem(pages_.sheet, ID_APPLY_NOW));
  });
  kvp::ui::ScriptClick(IDHELP);
  kvp::ui::ScriptPressOk();  // the paper page refuses once
  kvp::ui::ScriptCall([&] {
    stillOpen = IsWindow(pages_.sheet);
    afterRefusal = Current();
  });
  kvp::ui::ScriptPressOk();
  EXPECT_EQ(Run(Three()), 1);
  EXPECT_TRUE(kvp::ui::ScriptErrors().empty()) << kvp::ui::ScriptErrors().front();
  EXPECT_FALSE(applyEnabledBefore);
  EXPECT_TRUE(applyEnabledAfter);
  EXPECT_EQ(std::u16string(caption), u"Printer properties");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(afterRefusal, paperPage);
  EXPECT_FALSE(IsWindow(pages_.sheet));
  // The advanced page was never shown, so it was never made and never asked to apply.
  std::vector<std::string> expect = {"0:init",  "0:active",   "0:leave", "1:init",     "1:active",
                                     "1:changed", "1:help",   "1:leave", "0:apply-ok", "1:apply-ok",
                                     "1:leave", "0:apply-ok", "1:apply-ok"};
  EXPECT_EQ(pages_.log, expect);
  EXPECT_EQ(kvp::ui::HelpLog().size(), 0u) << "help is the page's business";
}

TEST_F(UiSheets, PageThatWillNotLetGoKeepsTheTabAndCancelResetsMadePages) {
  pages_.refuseLeaveOf = 0;
  HWND first = nullptr, afterTry = nullptr;
  kvp::ui::ScriptCall([&] { first = Current(); });
  kvp::ui::ScriptSelect(IDC_SHEET_TAB, 2);
  kvp::ui::ScriptCall([&] { afterTry = Current(); });
  kvp::ui::ScriptSelect(IDC_SHEET_TAB, 2);
  kvp::ui::ScriptPressCancel();
  EXPECT_EQ(Run(Three(), PSH_NOAPPLYNOW), 0);
  EXPECT_EQ(afterTry, first);
  std::vector<std::string> expect = {"0:init", "0:active", "0:leave", "0:leave", "2:init", "2:active", "0:reset", "2:reset"};
  EXPECT_EQ(pages_.log, expect);
}

TEST_F(UiSheets, PageThatPressesOkAgainAfterRefusingClosesTheSheet) {
  pages_.pressOkOnApply = 0;
  kvp::ui::ScriptPressOk();
  EXPECT_EQ(Run({Page(IDD_PAGE_GENERAL), Page(IDD_PAGE_PAPER)}, PSH_NOAPPLYNOW, 0), 1);
  std::vector<std::string> expect = {"0:init", "0:active", "0:leave", "0:apply-ok", "0:leave", "0:apply-ok"};
  EXPECT_EQ(pages_.log, expect);
}

TEST_F(UiSheets, SheetsThatCannotBeBuiltFailAndFreeTheirPages) {
  std::vector<HPROPSHEETPAGE> handles = {Page(IDD_PAGE_GENERAL), Page(IDD_PAGE_MISSING)};
  SetLastError(0);
  EXPECT_EQ(Run(handles), -1);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_FALSE(DestroyPropertySheetPage(handles[0])) << "the sheet owned it";
  EXPECT_TRUE(pages_.log.empty());
  EXPECT_EQ(Run({}), -1);
  PROPSHEETPAGEW tooShort{};
  tooShort.dwSize = 20;
  EXPECT_EQ(CreatePropertySheetPageW(&tooShort), nullptr);
  HPROPSHEETPAGE kept = Page(IDD_PAGE_GENERAL);
  EXPECT_TRUE(DestroyPropertySheetPage(kept));
  // Records in place of handles.
  PROPSHEETPAGEW recs[2] = {};
  for (auto& r : recs) {
    r.dwSize = sizeof r;
    r.hInstance = module_;
    r.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_ADVANCED);
    r.pfnDlgProc = PageProc;
    r.lParam = reinterpret_cast<LPARAM>(&pages_);
  }
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  h.dwFlags = PSH_PROPSHEETPAGE;
  h.hInstance = module_;
  h.nPages = 2;
  h.ppsp = recs;
  kvp::ui::ScriptPressCancel();
  EXPECT_EQ(PropertySheetW(&h), 0);
  std::vector<std::string> expect = {"2:init", "2:active", "2:reset"};
  EXPECT_EQ(pages_.log, expect);
}

// A driver's sheet function as the service sees it: adds two pages at INIT, names the sheet, reports its
// result at DESTROY.
struct Driver {
  UiSheets* test = nullptr;
  std::vector<int> reasons;
  LONG_PTR added = 0;
  HANDLE handle = nullptr;
  PFNCOMPROPSHEET callback = nullptr;
  bool failInit = false;
  WCHAR title[16] = u"Plotter";
};
Driver* g_driver = nullptr;

LONG DriverSheets(PROPSHEETUI_INFO* info, LPARAM lp) {
  Driver* d = g_driver;
  d->reasons.push_back(info->Reason);
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT: {
      if (d->failInit) return -1;
      d->handle = info->hComPropSheet;
      d->callback = info->pfnComPropSheet;
      for (int id : {IDD_PAGE_GENERAL, IDD_PAGE_PAPER})
        if (info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE,
                                  reinterpret_cast<LPARAM>(d->test->PageForService(id)), 0))
          ++d->added;
      return 1;
    }
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* h = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lp);
      h->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
      h->pTitle = d->title;
      h->hInst = d->test->Module();
      return 1;
    }
    case PROPSHEETUI_REASON_DESTROY:
      if (!d->failInit) info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
      return 1;
  }
  return 1;
}

TEST_F(UiSheets, SheetServiceRunsTheDriversPagesAndReportsItsResult) {
  std::string sys = root_.path() + "/c/Windows/System32";
  fs::copy_file(std::string(KV_MODULE_DIR) + "/compstui.so", sys + "/compstui.dll");
  HMODULE svc = LoadLibraryA("compstui.dll");
  ASSERT_NE(svc, nullptr) << GetLastError();
  auto run = reinterpret_cast<PFN_CommonPropertySheetUIW>(GetProcAddress(svc, "CommonPropertySheetUIW"));
  ASSERT_NE(run, nullptr);
  Driver d;
  d.test = this;
  g_driver = &d;
  WCHAR caption[64] = {};
  kvp::ui::ScriptCall([&] { GetWindowTextW(pages_.sheet, caption, 64); });
  kvp::ui::ScriptSelect(IDC_SHEET_TAB, 1);
  kvp::ui::ScriptPressOk();
  DWORD result = 99;
  EXPECT_EQ(run(parent_, DriverSheets, 0, &result), CPSUI_OK);
  EXPECT_EQ(result, DWORD(CPSUI_OK));
  EXPECT_EQ(d.added, 2);
  EXPECT_EQ(d.reasons, (std::vector<int>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_GET_INFO_HEADER, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_EQ(std::u16string(caption), u"Plotter Properties");
  std::vector<std::string> expect = {"0:init", "0:active", "0:leave", "1:init", "1:active", "1:leave", "0:apply-ok", "1:apply-ok"};
  EXPECT_EQ(pages_.log, expect);
  // The handle is dead once the call is over.
  EXPECT_EQ(d.callback(d.handle, CPSFUNC_SET_RESULT, 0, 1), 0);

  // A function that refuses INIT shows nothing and still hears DESTROY.
  Driver refusing;
  refusing.failInit = true;
  g_driver = &refusing;
  EXPECT_EQ(run(parent_, DriverSheets, 0, &result), ERR_CPSUI_GETLASTERROR);
  EXPECT_EQ(result, DWORD(CPSUI_CANCEL));
  EXPECT_EQ(refusing.reasons, (std::vector<int>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_EQ(run(parent_, nullptr, 0, &result), ERR_CPSUI_GETLASTERROR);
  g_driver = nullptr;
  FreeLibrary(svc);
}

}  // namespace
