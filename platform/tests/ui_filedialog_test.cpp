// Old-style file dialogs driven by scripted input: a hook that refuses and then lets a name through,
// folders and types, a template of the caller's module, and the failures callers must see.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "../tests/fixtures/sheet_ids.h"
#include "kvplat/filedialog.h"
#include "kvplat/module.h"
#include "kvtest/temp_root.h"
#include "ui_fixture.h"

namespace {

namespace fs = std::filesystem;
using uitest::UiTest;

struct Hook {
  HWND dlg = nullptr;
  LPARAM custData = 0;
  int refuseOk = 0;  // IDOK presses to keep from the dialog
  std::vector<UINT> commands;
};
Hook* g_hook = nullptr;

UINT_PTR HookProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  Hook* h = g_hook;
  if (msg == WM_INITDIALOG) {
    h->dlg = dlg;
    h->custData = reinterpret_cast<OPENFILENAMEW*>(lp)->lCustData;
    SetWindowLongPtrW(dlg, DWLP_USER, lp);  // the hook owns this slot
    return TRUE;
  }
  if (msg != WM_COMMAND) return 0;
  if (LOWORD(wp) != edt1) h->commands.push_back(LOWORD(wp));
  if (LOWORD(wp) == IDOK && h->refuseOk > 0) {
    --h->refuseOk;
    return 1;
  }
  if (LOWORD(wp) == IDC_FILE_ACTION) {
    SetDlgItemTextW(dlg, edt1, u"b.txt");
    SendMessageW(dlg, WM_COMMAND, IDOK, 0);
    return 1;
  }
  return 0;
}

class UiFileDialogs : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    fs::path c = fs::path(root_.path()) / "c";
    fs::create_directories(c / "data" / "sub");
    std::ofstream(c / "data" / "b.txt") << "b";
    std::ofstream(c / "data" / "old.rst") << "r";
    std::ofstream(c / "data" / "sub" / "deep.rst") << "d";
    std::string dir = root_.path() + "/c/Windows/System32/spool/drivers/x64/3";
    fs::create_directories(dir);
    fs::copy_file(std::string(KV_MODULE_DIR) + "/kvres_sheets.so", dir + "/KVSHEETS.DLL");
    module_ = LoadLibraryW(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvsheets.dll");
    ASSERT_NE(module_, nullptr);
    g_hook = &hook_;
    ofn_.lStructSize = sizeof ofn_;
    ofn_.hwndOwner = parent_;
    ofn_.hInstance = module_;
    ofn_.lpstrFilter = u"Settings (*.rst)\0*.rst\0All files (*.*)\0*.*\0";
    ofn_.nFilterIndex = 1;
    ofn_.lpstrFile = file_;
    ofn_.nMaxFile = 260;
    ofn_.lpstrInitialDir = u"C:\\data";
    ofn_.lpstrDefExt = u"rst";
    ofn_.lCustData = 77;
    ofn_.lpfnHook = HookProc;
    ofn_.Flags = OFN_ENABLEHOOK | OFN_HIDEREADONLY;
  }
  void TearDown() override {
    g_hook = nullptr;
    UiTest::TearDown();
    if (module_) FreeLibrary(module_);
  }
  // Empties the name field (the first action of most scripts).
  void ClearName() {
    kvp::ui::ScriptCall([this] { SetDlgItemTextW(hook_.dlg, edt1, u""); });
  }
  std::vector<std::u16string> Items(int id, UINT countMsg, UINT textMsg) {
    std::vector<std::u16string> out;
    int n = int(SendDlgItemMessageW(hook_.dlg, id, countMsg, 0, 0));
    for (int i = 0; i < n; ++i) {
      WCHAR buf[MAX_PATH] = {};
      SendDlgItemMessageW(hook_.dlg, id, textMsg, WPARAM(i), reinterpret_cast<LPARAM>(buf));
      out.emplace_back(buf);
    }
    return out;
  }

  kvtest::TempRoot root_;
  HMODULE module_ = nullptr;
  Hook hook_;
  OPENFILENAMEW ofn_{};
  WCHAR file_[260] = {};
};

TEST_F(UiFileDialogs, HookRefusesOnceThenTheNameGetsItsDefaultExtension) {
  std::vector<std::u16string> files, folders;
  hook_.refuseOk = 1;
  kvp::ui::ScriptCall([&] {
    files = Items(lst1, LB_GETCOUNT, LB_GETTEXT);
    folders = Items(lst2, LB_GETCOUNT, LB_GETTEXT);
  });
  ClearName();
  kvp::ui::ScriptType(edt1, u"new");
  kvp::ui::ScriptPressOk();
  kvp::ui::ScriptPressOk();
  ASSERT_TRUE(GetSaveFileNameW(&ofn_)) << CommDlgExtendedError();
  EXPECT_EQ(std::u16string(file_), u"C:\\data\\new.rst");
  EXPECT_EQ(ofn_.nFileOffset, 8);
  EXPECT_EQ(ofn_.nFileExtension, 12);
  EXPECT_EQ(ofn_.nFilterIndex, 1u);
  EXPECT_EQ(hook_.custData, 77);
  EXPECT_EQ(hook_.commands, (std::vector<UINT>{IDOK, IDOK}));
  EXPECT_EQ(files, (std::vector<std::u16string>{u"old.rst"}));
  EXPECT_EQ(folders, (std::vector<std::u16string>{u"c:\\", u"data", u"sub"}));
}

TEST_F(UiFileDialogs, FoldersAndTypesChangeWhatIsListed) {
  std::vector<std::u16string> inSub, allTypes;
  WCHAR shown[MAX_PATH] = {};
  kvp::ui::ScriptSelectText(lst2, u"sub");
  kvp::ui::ScriptCall([&] {
    inSub = Items(lst1, LB_GETCOUNT, LB_GETTEXT);
    GetDlgItemTextW(hook_.dlg, stc1, shown, MAX_PATH);
  });
  kvp::ui::ScriptSelect(lst2, 1);  // back up to c:\data
  kvp::ui::ScriptSelect(cmb1, 1);  // all files
  kvp::ui::ScriptCall([&] { allTypes = Items(lst1, LB_GETCOUNT, LB_GETTEXT); });
  kvp::ui::ScriptSelectText(lst1, u"b.txt");
  kvp::ui::ScriptPressOk();
  ofn_.Flags |= OFN_FILEMUSTEXIST;
  ASSERT_TRUE(GetOpenFileNameW(&ofn_)) << CommDlgExtendedError();
  EXPECT_EQ(inSub, (std::vector<std::u16string>{u"deep.rst"}));
  EXPECT_EQ(std::u16string(shown), u"c:\\data\\sub");
  EXPECT_EQ(allTypes, (std::vector<std::u16string>{u"b.txt", u"old.rst"}));
  // The folder list names folders in lower case, as the path then does.
  EXPECT_EQ(std::u16string(file_), u"c:\\data\\b.txt");
  EXPECT_EQ(ofn_.nFilterIndex, 2u);
}

TEST_F(UiFileDialogs, TemplateButtonsReachTheHookAndMissingFilesAreRefused) {
  ofn_.Flags |= OFN_ENABLETEMPLATE | OFN_FILEMUSTEXIST;
  ofn_.lpTemplateName = MAKEINTRESOURCEW(IDD_FILE_TEMPLATE);
  WCHAR caption[64] = {};
  kvp::ui::ScriptCall([&] { GetWindowTextW(hook_.dlg, caption, 64); });
  ClearName();
  kvp::ui::ScriptType(edt1, u"missing.rst");
  kvp::ui::ScriptPressOk();
  kvp::ui::ScriptAnswer(IDOK);  // "File not found"
  kvp::ui::ScriptClick(IDC_FILE_ACTION);
  ASSERT_TRUE(GetOpenFileNameW(&ofn_)) << CommDlgExtendedError();
  EXPECT_EQ(std::u16string(caption), u"Load settings");
  EXPECT_EQ(std::u16string(file_), u"C:\\data\\b.txt");
  ASSERT_EQ(kvp::ui::MessageBoxLog().size(), 1u);
  EXPECT_NE(kvp::ui::MessageBoxLog()[0].text.find(u"File not found"), std::u16string::npos);
}

TEST_F(UiFileDialogs, FailuresReportTheirExtendedError) {
  // A buffer too small for the chosen name: the characters needed come back in its first two bytes.
  ofn_.nMaxFile = 5;
  ClearName();
  kvp::ui::ScriptType(edt1, u"b.txt");
  kvp::ui::ScriptPressOk();
  EXPECT_FALSE(GetOpenFileNameW(&ofn_));
  EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_BUFFERTOOSMALL));
  WORD need = 0;
  std::memcpy(&need, file_, 2);
  EXPECT_EQ(need, std::u16string_view(u"C:\\data\\b.txt").size() + 1);
  ofn_.nMaxFile = 260;
  file_[0] = 0;
  // Cancel is no error.
  kvp::ui::ScriptPressCancel();
  EXPECT_FALSE(GetOpenFileNameW(&ofn_));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  struct {
    const char* what;
    void (*spoil)(OPENFILENAMEW*);
    DWORD error;
  } cases[] = {
      {"size", [](OPENFILENAMEW* o) { o->lStructSize = 40; }, CDERR_STRUCTSIZE},
      {"hook", [](OPENFILENAMEW* o) { o->lpfnHook = nullptr; }, CDERR_NOHOOK},
      {"template", [](OPENFILENAMEW* o) { o->Flags |= OFN_ENABLETEMPLATE, o->lpTemplateName = MAKEINTRESOURCEW(999); },
       CDERR_FINDRESFAILURE},
      {"script ran out", [](OPENFILENAMEW*) {}, CDERR_DIALOGFAILURE},
  };
  for (auto& c : cases) {
    OPENFILENAMEW o = ofn_;
    c.spoil(&o);
    EXPECT_FALSE(GetOpenFileNameW(&o)) << c.what;
    EXPECT_EQ(CommDlgExtendedError(), c.error) << c.what;
  }
  kvp::ui::ScriptReset();
}

}  // namespace
