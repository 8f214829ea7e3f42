// Dialogs from a template in a test resource library driven by scripted input, message boxes, the recorded
// help viewer, and pictures of a dialog.
#include <filesystem>

#include "../tests/fixtures/ui_ids.h"
#include "kvplat/module.h"
#include "kvtest/temp_root.h"
#include "ui_fixture.h"

namespace {

namespace fs = std::filesystem;
using uitest::UiTest;

struct JobValues {
  std::u16string name;
  int media = -1, tray = -1, density = -1;
  bool duplex = false, landscape = false;
  bool askIfNameEmpty = false;
  int boxAnswer = 0;
};

INT_PTR JobProc(HWND d, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(d, DWLP_USER, lp);
      for (const char16_t* t : {u"Plain", u"Glossy", u"Film"}) SendDlgItemMessageW(d, IDC_MEDIA, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
      SendDlgItemMessageW(d, IDC_MEDIA, CB_SETCURSEL, 0, 0);
      for (const char16_t* t : {u"Auto", u"Tray 1", u"Tray 2"}) SendDlgItemMessageW(d, IDC_TRAYS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
      SendDlgItemMessageW(d, IDC_DENSITY, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
      CheckRadioButton(d, IDC_PORTRAIT, IDC_LANDSCAPE, IDC_PORTRAIT);
      return TRUE;
    }
    case WM_COMMAND: {
      auto* v = reinterpret_cast<JobValues*>(GetWindowLongPtrW(d, DWLP_USER));
      if (LOWORD(wp) == IDOK) {
        WCHAR buf[64];
        GetDlgItemTextW(d, IDC_NAME, buf, 64);
        if (!buf[0] && v->askIfNameEmpty) {
          // The owner is disabled while the box is up.
          v->boxAnswer = MessageBoxW(d, u"Please give the job a name.", u"Job settings", MB_OK | MB_ICONWARNING);
          return TRUE;
        }
        v->name = buf;
        v->media = int(SendDlgItemMessageW(d, IDC_MEDIA, CB_GETCURSEL, 0, 0));
        v->tray = int(SendDlgItemMessageW(d, IDC_TRAYS, LB_GETCURSEL, 0, 0));
        v->density = int(SendDlgItemMessageW(d, IDC_DENSITY, TBM_GETPOS, 0, 0));
        v->duplex = IsDlgButtonChecked(d, IDC_DUPLEX) == BST_CHECKED;
        v->landscape = IsDlgButtonChecked(d, IDC_LANDSCAPE) == BST_CHECKED;
        EndDialog(d, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(d, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

class UiDialogs : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    std::string dir = root_.path() + "/c/Windows/System32/spool/drivers/x64/3";
    fs::create_directories(dir);
    fs::copy_file(std::string(KV_MODULE_DIR) + "/kvres_ui.so", dir + "/KVUI.DLL");
    module_ = LoadLibraryW(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvui.dll");
    ASSERT_NE(module_, nullptr) << GetLastError();
  }
  void TearDown() override {
    UiTest::TearDown();
    if (module_) FreeLibrary(module_);
  }
  INT_PTR Job(JobValues* v) { return DialogBoxParamW(module_, MAKEINTRESOURCEW(IDD_JOB), parent_, JobProc, reinterpret_cast<LPARAM>(v)); }

  kvtest::TempRoot root_;
  HMODULE module_ = nullptr;
};

TEST_F(UiDialogs, ModalDialogDrivenByScriptReturnsItsValues) {
  JobValues v;
  int focusId = 0;
  bool ownerDisabled = false;
  kvp::ui::ScriptCall([&] {
    focusId = GetDlgCtrlID(GetFocus());
    ownerDisabled = !IsWindowEnabled(parent_);
  });
  kvp::ui::ScriptType(IDC_NAME, u"Report");
  kvp::ui::ScriptSelectText(IDC_MEDIA, u"glossy");
  kvp::ui::ScriptClick(IDC_DUPLEX);
  kvp::ui::ScriptClick(IDC_LANDSCAPE);
  kvp::ui::ScriptSelect(IDC_TRAYS, 2);
  kvp::ui::ScriptSelect(IDC_DENSITY, 7);
  kvp::ui::ScriptPressOk();
  EXPECT_EQ(Job(&v), IDOK);
  EXPECT_TRUE(kvp::ui::ScriptErrors().empty());
  EXPECT_EQ(v.name, u"Report");
  EXPECT_EQ(v.media, 1);
  EXPECT_EQ(v.tray, 2);
  EXPECT_EQ(v.density, 7);
  EXPECT_TRUE(v.duplex);
  EXPECT_TRUE(v.landscape);
  // The first control that takes the focus had it; the owner was disabled meanwhile and is enabled again.
  EXPECT_EQ(focusId, IDC_NAME);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(parent_));
  EXPECT_EQ(kvp::ui::WindowCount(), 1u);  // only the parent is left
}

TEST_F(UiDialogs, EnterAndEscapeReachTheDefaultAndCancelButtons) {
  struct Case {
    UINT key;
    INT_PTR result;
  } cases[] = {{VK_RETURN, IDOK}, {VK_ESCAPE, IDCANCEL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    JobValues v;
    kvp::ui::ScriptKey(0, c.key);
    EXPECT_EQ(Job(&v), c.result);
  }
  // The Cancel button's click is the same as Escape.
  JobValues v;
  kvp::ui::ScriptPressCancel();
  EXPECT_EQ(Job(&v), IDCANCEL);
  EXPECT_TRUE(v.name.empty());
}

TEST_F(UiDialogs, ScriptThatRunsOutOrMissesEndsTheLoopWithAnError) {
  JobValues v;
  kvp::ui::ScriptType(IDC_NAME, u"x");
  EXPECT_EQ(Job(&v), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_TIMEOUT);
  auto errors = kvp::ui::ScriptErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Job settings"), std::string::npos) << errors[0];
  // An action whose control is not there: recorded, the rest of the script is dropped, the loop ends.
  kvp::ui::ScriptReset();
  kvp::ui::ScriptClick(4242);
  kvp::ui::ScriptPressOk();
  EXPECT_EQ(Job(&v), -1);
  errors = kvp::ui::ScriptErrors();
  ASSERT_GE(errors.size(), 1u);
  EXPECT_NE(errors[0].find("no control 4242"), std::string::npos) << errors[0];
  EXPECT_EQ(kvp::ui::ScriptPending(), 0u);
  EXPECT_EQ(kvp::ui::WindowCount(), 1u);
}

TEST_F(UiDialogs, MissingOrDamagedTemplatesFail) {
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(999), parent_, JobProc, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(IDD_BROKEN_CLASS), parent_, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_TRUE(IsWindowEnabled(parent_));
  EXPECT_EQ(kvp::ui::WindowCount(), 1u);
}

TEST_F(UiDialogs, MessageBoxInsideAModalDialog) {
  JobValues v;
  v.askIfNameEmpty = true;
  std::u16string active;
  bool dialogEnabled = true;
  kvp::ui::ScriptPressOk();
  kvp::ui::ScriptCall([&] {
    WCHAR caption[32] = {};
    GetWindowTextW(GetActiveWindow(), caption, 32);
    active = caption;
    dialogEnabled = IsWindowEnabled(GetParent(GetActiveWindow()));
  });
  kvp::ui::ScriptAnswer(IDOK);
  kvp::ui::ScriptType(IDC_NAME, u"A");
  kvp::ui::ScriptPressOk();
  EXPECT_EQ(Job(&v), IDOK);
  EXPECT_EQ(v.boxAnswer, IDOK);
  EXPECT_EQ(v.name, u"A");
  auto log = kvp::ui::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, u"Please give the job a name.");
  EXPECT_EQ(log[0].type, UINT(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(active, u"Job settings");  // the box itself was the active window
  EXPECT_FALSE(dialogEnabled);          // and its owner, the dialog, was disabled
}

TEST_F(UiTest, MessageBoxAnswersTable) {
  struct Case {
    UINT type;
    std::function<void()> script;
    int answer;
    size_t errors;
  } cases[] = {
      {MB_YESNO | MB_ICONEXCLAMATION, [] { kvp::ui::ScriptAnswer(IDNO); }, IDNO, 0},
      {MB_OKCANCEL, [] { kvp::ui::ScriptPressCancel(); }, IDCANCEL, 0},
      {MB_OKCANCEL, [] { kvp::ui::ScriptClick(IDOK); }, IDOK, 0},
      {MB_OK, [] { kvp::ui::ScriptKey(0, VK_RETURN); }, IDOK, 0},
      {MB_OK, [] { kvp::ui::ScriptKey(0, VK_ESCAPE); }, IDOK, 0},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, [] { kvp::ui::ScriptKey(0, VK_RETURN); }, IDNO, 0},
      {MB_YESNO, [] { kvp::ui::ScriptAnswer(IDOK); }, 0, 2},  // no such button, then nothing left
      {MB_OK, [] {}, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    kvp::ui::ScriptReset();
    kvp::ui::ClearLogs();
    c.script();
    EXPECT_EQ(MessageBoxW(parent_, u"Text", u"Caption", c.type), c.answer);
    EXPECT_EQ(kvp::ui::ScriptErrors().size(), c.errors);
    auto log = kvp::ui::MessageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].answer, c.answer);
    EXPECT_EQ(log[0].caption, u"Caption");
    EXPECT_TRUE(IsWindowEnabled(parent_));
  }
  EXPECT_EQ(MessageBoxW(parent_, u"x", nullptr, 7), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  // An answer with no box waiting is an error too.
  kvp::ui::ScriptReset();
  kvp::ui::ScriptAnswer(IDOK);
  EXPECT_FALSE(kvp::ui::RunUntilIdle());
}

TEST_F(UiDialogs, ModelessDialogWithoutProcedureAndItemHelpers) {
  HWND d = CreateDialogParamW(module_, MAKEINTRESOURCEW(IDD_JOB), parent_, nullptr, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(IsWindowVisible(d));  // the template has no WS_VISIBLE
  EXPECT_EQ(GetParent(d), parent_);
  HWND ok = GetDlgItem(d, IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(GetDlgItem(d, 4242), nullptr);
  EXPECT_EQ(SendMessageW(d, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
  EXPECT_TRUE(SetDlgItemTextW(d, IDC_NAME, u"-42"));
  BOOL ok2 = FALSE;
  EXPECT_EQ(int(GetDlgItemInt(d, IDC_NAME, &ok2, TRUE)), -42);
  EXPECT_TRUE(ok2);
  GetDlgItemInt(d, IDC_NAME, &ok2, FALSE);
  EXPECT_FALSE(ok2);
  WCHAR small[3];
  EXPECT_EQ(GetDlgItemTextW(d, IDC_NAME, small, 3), 2u);
  EXPECT_EQ(std::u16string(small), u"-4");
  EXPECT_EQ(GetDlgItemTextW(d, 4242, small, 3), 0u);
  EXPECT_EQ(small[0], 0);
  CheckDlgButton(d, IDC_DUPLEX, BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(d, IDC_DUPLEX), UINT(BST_CHECKED));
  // Controls are placed in dialog units of the platform's font.
  RECT r{7, 9, 47, 17};
  MapDialogRect(d, &r);
  RECT lr;
  GetWindowRect(GetDlgItem(d, IDC_LABEL), &lr);
  POINT p{lr.left, lr.top};
  ScreenToClient(d, &p);
  EXPECT_EQ(p.x, r.left);
  EXPECT_EQ(p.y, r.top);
  EXPECT_EQ(lr.right - lr.left, r.right - r.left);
  EXPECT_TRUE(WinHelpW(d, u"C:\\help\\driver.hlp", HELP_CONTEXT, 1017));
  auto help = kvp::ui::HelpLog();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].file, u"C:\\help\\driver.hlp");
  EXPECT_EQ(help[0].data, 1017u);
  EXPECT_TRUE(DestroyWindow(d));
}

INT_PTR ResultsProc(HWND d, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_NOTIFY:
      SetWindowLongPtrW(d, DWLP_MSGRESULT, 2);
      return TRUE;
    case WM_CTLCOLORLISTBOX:
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_INFOBK));
    case WM_INITDIALOG:
      return FALSE;  // keeps the focus where it is
  }
  return FALSE;
}

TEST_F(UiDialogs, DialogProcedureAnswersThroughTheResultSlot) {
  HWND before = GetFocus();
  HWND d = CreateDialogParamW(module_, MAKEINTRESOURCEW(IDD_JOB), parent_, ResultsProc, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(GetFocus(), before);
  NMHDR hdr{d, 0, 0};
  EXPECT_EQ(SendMessageW(d, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr)), 2);
  // Colour messages answer the brush itself; unhandled messages get the dialog class's own answer.
  EXPECT_EQ(SendMessageW(d, WM_CTLCOLORLISTBOX, 0, 0), reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK)));
  EXPECT_EQ(SendMessageW(d, WM_ERASEBKGND, 0, 0), 1);
  // WM_CLOSE becomes the Cancel command; a dialog that ignores it stays.
  SendMessageW(d, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(d));
  DestroyWindow(d);
}

// Where a control lies inside its dialog's picture.
RECT InPicture(HWND dialog, int id) {
  RECT d, c;
  GetWindowRect(dialog, &d);
  GetWindowRect(GetDlgItem(dialog, id), &c);
  return RECT{c.left - d.left, c.top - d.top, c.right - d.left, c.bottom - d.top};
}

size_t Darks(const kvp::ui::Picture& p, RECT r) {
  size_t n = 0;
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) {
      uint32_t v = p.At(int(x), int(y));
      n += ((v >> 16) & 0xFF) + ((v >> 8) & 0xFF) + (v & 0xFF) < 200;
    }
  return n;
}

uint32_t Px(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

TEST_F(UiDialogs, PictureOfTheDialogShowsItsControls) {
  JobValues v;
  kvp::ui::Picture pic;
  HWND dialog = nullptr;
  kvp::ui::ScriptType(IDC_NAME, u"Report");
  kvp::ui::ScriptClick(IDC_DUPLEX);
  kvp::ui::ScriptSelect(IDC_TRAYS, 1);
  kvp::ui::ScriptCall([&] {
    dialog = GetParent(GetFocus());
    ASSERT_TRUE(kvp::ui::DrawWindow(dialog, &pic));
    std::string err;
    EXPECT_TRUE(kvp::ui::WritePng(pic, std::string(KV_BINARY_DIR) + "/ui_job_dialog.png", &err)) << err;
    // The picture is checked here, while the dialog is up.
    RECT wr;
    GetWindowRect(dialog, &wr);
    EXPECT_EQ(pic.width, wr.right - wr.left);
    EXPECT_EQ(pic.At(pic.width / 2, 10), Px(GetSysColor(COLOR_ACTIVECAPTION)));
    // A checked box has its mark; the unchecked one next to it is empty.
    RECT duplex = InPicture(dialog, IDC_DUPLEX), collate = InPicture(dialog, IDC_COLLATE);
    int mid = int(duplex.top + duplex.bottom) / 2;
    EXPECT_GT(Darks(pic, RECT{duplex.left + 2, mid - 4, duplex.left + 11, mid + 5}), 8u);
    mid = int(collate.top + collate.bottom) / 2;
    EXPECT_EQ(Darks(pic, RECT{collate.left + 2, mid - 4, collate.left + 11, mid + 5}), 0u);
    // The edit is white with the typed text in it; the label's text is drawn.
    RECT edit = InPicture(dialog, IDC_NAME);
    EXPECT_EQ(pic.At(int(edit.right) - 4, int(edit.top + edit.bottom) / 2), Px(GetSysColor(COLOR_WINDOW)));
    EXPECT_GT(Darks(pic, RECT{edit.left + 2, edit.top + 2, edit.left + 40, edit.bottom - 2}), 10u);
    EXPECT_GT(Darks(pic, InPicture(dialog, IDC_LABEL)), 10u);
    // The selected list item is highlighted; the default button has its dark frame and a face.
    RECT list = InPicture(dialog, IDC_TRAYS);
    LONG itemH = LONG(SendDlgItemMessageW(dialog, IDC_TRAYS, LB_GETITEMHEIGHT, 0, 0));
    EXPECT_EQ(pic.At(int(list.right) - 4, int(list.top + 1 + itemH + itemH / 2)), Px(GetSysColor(COLOR_HIGHLIGHT)));
    RECT ok = InPicture(dialog, IDOK);
    EXPECT_EQ(pic.At(int(ok.left + ok.right) / 2, int(ok.top)), Px(GetSysColor(COLOR_WINDOWFRAME)));
    EXPECT_EQ(pic.At(int(ok.left) + 4, int(ok.top) + 4), Px(GetSysColor(COLOR_BTNFACE)));
  });
  kvp::ui::ScriptPressCancel();
  EXPECT_EQ(Job(&v), IDCANCEL);
  EXPECT_NE(dialog, nullptr);
  std::string err;
  EXPECT_FALSE(kvp::ui::WritePng(kvp::ui::Picture{}, "/nonexistent/x.png", &err));
  EXPECT_FALSE(err.empty());
}

}  // namespace
