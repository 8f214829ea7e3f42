// Message boxes and the wait window: the layout with texts before and after, the insert rules (numbers in
// order, the first only above eight, refused requests), message formats that do not match their inserts,
// caption by id or printer name, failed allocations, the system's error texts, and the wait window.
#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/testhooks.h"
#include "kvseam.h"
#include "sheets/dlg_messages.h"
#include "ui_paths.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

class Messages : public SheetsTest {
 protected:
  void SetUp() override {
    SheetsTest::SetUp();
    UseFixtureLibrary();
  }
  // The one box shown since the last call, or an empty record when none (or more than one) was.
  kvp::ui::MessageBoxRecord OnlyBox() {
    auto log = kvp::ui::MessageBoxLog();
    kvp::ui::ClearLogs();
    EXPECT_EQ(log.size(), 1u);
    return log.size() == 1 ? log[0] : kvp::ui::MessageBoxRecord{};
  }
  MSG_REQUEST Numbers(WORD id, const WORD* numbers, WORD count) {
    MSG_REQUEST r{};
    r.messageId = id;
    r.insertKind = MSG_INSERT_NUMBERS;
    r.numberCount = count;
    r.insert = numbers;
    return r;
  }
};

const std::u16string kPrinter = u"UI plotter";

}  // namespace

TEST_F(Messages, LayoutCaptionAndInserts) {
  static const WORD kNumbers[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  struct Case {
    const char* name;
    MSG_REQUEST request;
    std::u16string text, caption;
    UINT type;
  };
  MSG_REQUEST plain{};
  plain.messageId = 7001;
  plain.iconFlags = MB_ICONEXCLAMATION;
  plain.buttonFlags = MB_OKCANCEL;
  MSG_REQUEST framed = plain;
  framed.textBefore = u"Before";
  framed.textAfter = u"After";
  MSG_REQUEST captioned = plain;
  captioned.captionId = 902;
  MSG_REQUEST text{};
  text.messageId = 901;
  text.insertKind = MSG_INSERT_TEXT;
  text.insert = u"C:\\a.rst";
  MSG_REQUEST percent{};
  percent.messageId = 904;
  const std::u16string kWait = u"Reading the printer settings.";
  for (const Case& c : std::initializer_list<Case>{
           {"message alone", plain, kWait, kPrinter, MB_ICONEXCLAMATION | MB_OKCANCEL},
           {"texts before and after", framed, u"Before\r\n\r\n" + kWait + u"\r\n\r\nAfter\r\n\r\n", kPrinter,
            MB_ICONEXCLAMATION | MB_OKCANCEL},
           {"caption by id", captioned, kWait, u"Settings file", MB_ICONEXCLAMATION | MB_OKCANCEL},
           {"text insert", text, u"The file C:\\a.rst cannot be read.", kPrinter, MB_OK},
           {"three numbers in order", Numbers(900, kNumbers, 3), u"Copies 1 of 2, tray 3", kPrinter, MB_OK},
           {"nine numbers: the first only", Numbers(900, kNumbers, 9), u"Copies 1 of , tray ", kPrinter, MB_OK},
           {"eight numbers", Numbers(900, kNumbers, 8), u"Copies 1 of 2, tray 3", kPrinter, MB_OK},
           {"no insert: the text unchanged", percent, u"Plain 100%% text", kPrinter, MB_OK},
           {"conversions the inserts do not fit", Numbers(903, kNumbers, 2), u"Broken %n  %99999d 1%", kPrinter, MB_OK},
           {"missing string: an empty box", Numbers(4711, kNumbers, 1), u"", kPrinter, MB_OK},
       }) {
    SCOPED_TRACE(c.name);
    kvp::ui::ScriptAnswer(IDOK);
    EXPECT_EQ(DlgComposeMessage(ctx_, &c.request, nullptr), IDOK);
    auto box = OnlyBox();
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.caption, c.caption);
    EXPECT_EQ(box.type, c.type);
  }
}

TEST_F(Messages, RefusedRequestsShowNothing) {
  static const WORD kOne[1] = {1};
  MSG_REQUEST noCount = Numbers(900, kOne, 0);
  MSG_REQUEST noKind = Numbers(900, kOne, 1);
  noKind.insertKind = 0;
  for (const MSG_REQUEST* r : std::initializer_list<const MSG_REQUEST*>{&noCount, &noKind, nullptr})
    EXPECT_EQ(DlgComposeMessage(ctx_, r, nullptr), 0);
  EXPECT_TRUE(kvp::ui::MessageBoxLog().empty());
}

TEST_F(Messages, FailedAllocationsShowNothingAndLeakNothing) {
  static const WORD kNumbers[3] = {1, 2, 3};
  MSG_REQUEST r = Numbers(900, kNumbers, 3);
  for (unsigned n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    kvp::test::FailAllocAt(n);
    EXPECT_EQ(DlgComposeMessage(ctx_, &r, nullptr), 0);
    kvp::test::FailAllocAt(0);
    EXPECT_TRUE(kvp::ui::MessageBoxLog().empty());
  }
  kvp::ui::ScriptAnswer(IDOK);
  EXPECT_EQ(DlgComposeMessage(ctx_, &r, nullptr), IDOK);
  EXPECT_EQ(OnlyBox().text, u"Copies 1 of 2, tray 3");
}

TEST_F(Messages, Wrappers) {
  struct Case {
    const char* name;
    int (*show)(SETTING_CONTEXT*);
    std::u16string text;
    UINT type;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"box", [](SETTING_CONTEXT* x) { return DlgShowMessageBox(x, nullptr, 7001, MB_ICONASTERISK, MB_OK); },
            u"Reading the printer settings.", MB_ICONASTERISK},
           {"warn", [](SETTING_CONTEXT* x) { return DlgWarn(x, nullptr, 7001, MB_OKCANCEL); },
            u"Reading the printer settings.", MB_ICONEXCLAMATION | MB_OKCANCEL},
           {"warn ok", [](SETTING_CONTEXT* x) { return DlgWarnOk(x, nullptr, 7001); }, u"Reading the printer settings.",
            MB_ICONEXCLAMATION | MB_OK},
           {"ok cancel", [](SETTING_CONTEXT* x) { return DlgAskOkCancel(x, nullptr, 7001); },
            u"Reading the printer settings.", MB_ICONEXCLAMATION | MB_OKCANCEL},
           {"with text", [](SETTING_CONTEXT* x) { return DlgWarnWithText(x, nullptr, 901, u"x.rpo"); },
            u"The file x.rpo cannot be read.", MB_ICONEXCLAMATION | MB_OK},
       }) {
    SCOPED_TRACE(c.name);
    kvp::ui::ScriptAnswer(IDOK);
    EXPECT_EQ(c.show(ctx_), IDOK);
    auto box = OnlyBox();
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.caption, kPrinter);
    EXPECT_EQ(box.type, c.type);
  }
}

TEST_F(Messages, SystemErrorTexts) {
  kvp::ui::ScriptAnswer(IDOK);
  EXPECT_EQ(DlgShowSystemError(ctx_, ERROR_ACCESS_DENIED, nullptr), 1);
  auto box = OnlyBox();
  EXPECT_EQ(box.text, u"Access is denied.\r\n");
  EXPECT_EQ(box.caption, kPrinter);
  EXPECT_EQ(box.type, (UINT)MB_ICONEXCLAMATION);
  EXPECT_EQ(DlgShowSystemError(ctx_, 0xDEAD, nullptr), 1);  // no text: no box
  EXPECT_TRUE(kvp::ui::MessageBoxLog().empty());
}

TEST_F(Messages, WaitWindowShowsThePrinterAndTheMessage) {
  size_t before = kvp::ui::WindowCount();
  HWND wait = DlgShowWaitBox(ctx_, nullptr, DLG_WAIT_QUERY_MESSAGE);
  ASSERT_NE(wait, nullptr);
  WCHAR title[64] = {}, text[64] = {};
  GetWindowTextW(wait, title, 64);
  GetDlgItemTextW(wait, DLG_WAIT_TEXT_ID, text, 64);
  EXPECT_EQ(std::u16string(title), kPrinter);
  EXPECT_EQ(std::u16string(text), u"Reading the printer settings.");
  EXPECT_TRUE(DlgCloseWaitBox(nullptr, wait));
  EXPECT_FALSE(IsWindow(wait));
  EXPECT_EQ(kvp::ui::WindowCount(), before);
}

TEST_F(SheetsTest, CaptionPrinterNameAndWindowsFolder) {
  EXPECT_EQ(std::u16string(DlgCaption(nullptr, ctx_)), u"UI plotter");
  WCHAR dir[260] = {}, tiny[4] = u"abc";
  EXPECT_EQ(DlgWindowsDirectory(dir, 260), 1);
  EXPECT_EQ(std::u16string(dir), u"C:\\Windows");
  EXPECT_EQ(DlgWindowsDirectory(tiny, 4), 1);  // does not fit: left empty, never half a path
  EXPECT_EQ(tiny[0], 0);
  WCHAR name[64] = u"unchanged";
  DlgGetPrinterName(printer_, name, 64);
  if (KvIsStandIn(reinterpret_cast<const void*>(&InstGetPrinterNameCopy)))
    EXPECT_EQ(std::u16string(name), u"unchanged");
  else
    EXPECT_EQ(std::u16string(name), u"UI plotter");
}
