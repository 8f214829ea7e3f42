// The input script's text form: lines that cannot be read name their line, and a script drives a real
// dialog (typing, clicking, the message box answer, OK) with a missing target reported by its line.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "input_script.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "kvplat/window.h"
#include "kvtest/temp_root.h"
#include "sheet_ids.h"

namespace {

namespace fs = std::filesystem;
using kvhost::input::Parse;
using kvhost::input::Script;

TEST(InputScript, ParseErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* error;  // empty: parses
  } cases[] = {
      {"# comment\n\nclick 2001\nclick 0x7D1 3 4\ntype 1152 a b \nselect 1136 2\nselect 1136 \"Letter size\"\n"
       "key 0 RETURN\nkey 1152 37\npress 2001\nrelease\nmouse 2001 WM_LBUTTONDOWN 1 2 MK_LBUTTON|MK_SHIFT\n"
       "answer yes\nadvance 500\npicture a.png\nok\ncancel\nclick IDOK\n",
       ""},
      {"ok\nfly 3\n", "script line 2: unknown action 'fly'"},
      {"click\n", "script line 1: click: wrong number of arguments"},
      {"click abc\n", "script line 1: 'abc' is not a control id"},
      {"click 5 1\n", "script line 1: click takes a control id and optionally X Y"},
      {"key 5 NOKEY\n", "script line 1: key: unknown key 'NOKEY'"},
      {"mouse 5 WM_FLY 1 2\n", "script line 1: mouse: unknown message 'WM_FLY'"},
      {"mouse 5 WM_MOUSEMOVE 1 2 MK_NOSE\n", "script line 1: mouse: unknown keys 'MK_NOSE'"},
      {"answer perhaps\n", "script line 1: answer: unknown answer 'perhaps'"},
      {"advance -4\n", "script line 1: advance: milliseconds must be a number"},
      {"ok now\n", "script line 1: ok: wrong number of arguments"},
      {"type 5\n", "script line 1: type: wrong number of arguments"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Script s;
    std::string error;
    EXPECT_EQ(Parse(c.text, &s, &error), !*c.error);
    EXPECT_EQ(error, c.error);
  }
  Script s;
  std::string error;
  ASSERT_TRUE(Parse("type 1152   \"  two words \"\nselect 1136 Letter size\nselect 1136 \"3\"\n", &s, &error));
  EXPECT_EQ(s.actions[0].rest, "  two words ");
  EXPECT_EQ(s.actions[1].rest, "Letter size");
  EXPECT_EQ(s.actions[2].rest, "3");
}

struct Seen {
  std::u16string text;
  int checked = -1;
  int box = 0;
};

INT_PTR Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dlg, DWLP_USER, lParam);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  auto* seen = reinterpret_cast<Seen*>(GetWindowLongPtrW(dlg, DWLP_USER));
  int id = LOWORD(wParam);
  if (id == IDC_FILE_ACTION) seen->box = MessageBoxW(dlg, u"Reset?", u"Load settings", MB_YESNO);
  if (id == 1040) CheckDlgButton(dlg, 1040, IsDlgButtonChecked(dlg, 1040) ? BST_UNCHECKED : BST_CHECKED);
  if (id == IDOK || id == IDCANCEL) {
    WCHAR buf[64] = {};
    GetDlgItemTextW(dlg, 1152, buf, 64);
    seen->text = buf;
    seen->checked = int(IsDlgButtonChecked(dlg, 1040));
    EndDialog(dlg, id);
  }
  return TRUE;
}

class InputScriptRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir = root_.path() + "/c/Windows/Temp";
    fs::create_directories(dir);
    fs::copy_file(std::string(KV_MODULE_DIR) + "/kvres_sheets.so", dir + "/kvsheets.dll");
    module_ = LoadLibraryExW(u"C:\\Windows\\Temp\\kvsheets.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << GetLastError();
  }
  void TearDown() override {
    kvp::ui::ScriptReset();
    kvp::ui::ResetWindows();
    if (module_) FreeLibrary(module_);
  }
  // Runs the dialog under the script; the result of DialogBoxParamW.
  INT_PTR Run(const std::string& text, std::string* failure) {
    Script s;
    std::string error;
    EXPECT_TRUE(Parse(text, &s, &error)) << error;
    auto progress = std::make_shared<kvhost::input::Progress>();
    kvhost::input::Queue(s, progress);
    INT_PTR r = DialogBoxParamW(module_, MAKEINTRESOURCEW(IDD_FILE_TEMPLATE), nullptr, Proc,
                                reinterpret_cast<LPARAM>(&seen_));
    *failure = kvhost::input::Failure(*progress);
    notes_ = progress->notes;
    return r;
  }
  kvtest::TempRoot root_;
  HMODULE module_ = nullptr;
  Seen seen_;
  std::vector<std::string> notes_;
};

TEST_F(InputScriptRun, DrivesADialogToOk) {
  std::string failure, png = root_.path() + "/d.png";
  INT_PTR r = Run("type 1152 report.kvs\nclick 1040\nclick 5001\nanswer no\nadvance 100\npicture " + png + "\nok\n",
                  &failure);
  EXPECT_EQ(r, IDOK);
  EXPECT_EQ(failure, "");
  EXPECT_EQ(seen_.text, u"report.kvs");
  EXPECT_EQ(seen_.checked, 1);
  EXPECT_EQ(seen_.box, IDNO);
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_EQ(notes_[0].rfind("wrote " + png, 0), 0u);
  EXPECT_TRUE(fs::exists(png));
}

TEST_F(InputScriptRun, MissingTargetNamesItsLineAndNothingHangs) {
  std::string failure;
  INT_PTR r = Run("type 1152 x\n# no such control\nclick 4242\nok\n", &failure);
  EXPECT_NE(r, IDOK);
  EXPECT_EQ(failure.rfind("script line 3: ", 0), 0u) << failure;
  EXPECT_NE(failure.find("4242"), std::string::npos) << failure;
}

}  // namespace
