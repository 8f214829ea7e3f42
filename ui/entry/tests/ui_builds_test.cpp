// The interface library's own builds of common operations beside the common builds, in one process: the
// library's rows are filled by the fixture and taken back where a test needs the common build.
#include <fstream>
#include <sstream>

#include "config/ini.h"
#include "config/resource_strings.h"
#include "config/settings_file.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/root.h"
#include "kvplat/window.h"
#include "settings/feature_modules.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "ui_builds.h"
#include "ui_fixture.h"
#include "ui_settings_file.h"

using uitest::ModelPrinterTest;

namespace {

class Builds : public ModelPrinterTest {
 protected:
  void SetUp() override {
    ModelPrinterTest::SetUp();
    ctx_ = Open();
    ASSERT_NE(ctx_, nullptr);
    kvp::ui::ClearLogs();
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    kvp::ui::ClearLogs();
    ModelPrinterTest::TearDown();
  }
  // Runs fn with the common builds in every row, the library's rows filled again after.
  template <class Fn>
  void WithCommonBuilds(Fn fn) {
    StgResetLibraryHooks();
    fn();
    UiFillLibraryHooks();
  }
  // A settings file at a machine path with the given text.
  std::u16string File(const std::string& text) {
    kvtest::WriteMachineFile(kPath, text);
    return kPath;
  }
  std::string FileText() {
    std::string host;
    kvp::MapPath(kPath, host);
    std::ifstream in(host, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Header() {
    auto num = [&](WORD id) { return std::to_string(StgGetValue(ctx_, id, nullptr)); };
    return "RstVersion=" + std::to_string(ctx_->model->settingsVersion) +
           "\nRstMachine=" + std::to_string(ctx_->model->modelCode) + "\nRstLanguage=" + num(sid::rdmLanguageID) + "\n";
  }
  std::vector<std::u16string> BoxTexts() {
    std::vector<std::u16string> texts;
    for (const auto& b : kvp::ui::MessageBoxLog()) texts.push_back(b.text);
    kvp::ui::ClearLogs();
    return texts;
  }
  // A message of the model's resource library, as the library loads it.
  std::u16string Message(WORD id) {
    WCHAR text[512] = {};
    CfgLoadString(ctx_, id, text, 512, 0);
    return text;
  }
  static constexpr const WCHAR* kPath = u"C:\\kvtest\\settings.rst";
  SETTING_CONTEXT* ctx_ = nullptr;
};

const auto* PrivateHeader(SETTING_CONTEXT* ctx) { return reinterpret_cast<const PRIVATE_DEVMODE_HEADER*>(ctx->store->bytes + PDM_OFF); }

}  // namespace

TEST_F(Builds, DefaultsCarryTheLibraryMarkAndTheCommonOnesNone) {
  StgInitStoreDefaults(ctx_);
  EXPECT_EQ(std::string(PrivateHeader(ctx_)->kcomMark, 8), std::string("KCOMMON\0", 8));
  EXPECT_EQ(PrivateHeader(ctx_)->kcomVersion, 5);
  WithCommonBuilds([&] {
    StgInitStoreDefaults(ctx_);
    EXPECT_EQ(std::string(PrivateHeader(ctx_)->kcomMark, 8), std::string(8, '\0'));
    EXPECT_EQ(PrivateHeader(ctx_)->kcomVersion, 0);
  });
  for (BYTE b : PrivateHeader(ctx_)->kcomMember) EXPECT_EQ(b, 0);
}

TEST_F(Builds, UserMacro160IsCheckedByTheNodeHere) {
  // The model has no node of its own for the macro: a two-option node stands in for one without 160.
  const ITEM_DESC* desc = StgFindItem(ctx_, sid::rdmUserPrintMacro);
  IMG_REF node = ImgFindActiveNode(ctx_, sid::dmOrientation);
  ASSERT_NE(node, 0u);
  EXPECT_NE(RuleCheckValue(desc, sid::rdmUserPrintMacro, 160, ctx_, node), RULE_OUTCOME_ADMISSIBLE);
  WithCommonBuilds(
      [&] { EXPECT_EQ(RuleCheckValue(desc, sid::rdmUserPrintMacro, 160, ctx_, node), RULE_OUTCOME_ADMISSIBLE); });
}

TEST_F(Builds, CustomPaperOfTheDevmodeReadsExchangedUnderLandscape) {
  StgSetValue(ctx_, sid::dmFields, StgGetValue(ctx_, sid::dmFields, nullptr) & ~uint64_t(DM_PAPERSIZE));
  StgSetValue(ctx_, sid::rdmFuncSelectFreeShortOver, 0);
  StgSetValue(ctx_, sid::dmPaperWidth, 2100);
  StgSetValue(ctx_, sid::dmPaperLength, 2970);
  StgSetValue(ctx_, sid::dmOrientation, 2);
  LONG size[2] = {};
  ASSERT_EQ(ImgGetCustomPaperSize(ctx_, size, 256, 1), 1);
  EXPECT_EQ(size[0], 2970);
  EXPECT_EQ(size[1], 2100);
  WithCommonBuilds([&] {
    ASSERT_EQ(ImgGetCustomPaperSize(ctx_, size, 256, 1), 1);
    EXPECT_EQ(size[0], 2100);
    EXPECT_EQ(size[1], 2970);
  });
  StgSetValue(ctx_, sid::dmOrientation, 1);
  ASSERT_EQ(ImgGetCustomPaperSize(ctx_, size, 256, 1), 1);
  EXPECT_EQ(size[0], 2100);
}

TEST_F(Builds, StampsSavedHereHoldNoPatternSettings) {
  auto patternKeys = [&] {
    std::string text = FileText();
    int found = 0;
    for (WORD id = sid::wdmWmLinePitch; id <= sid::wdmWmSecretPattern; ++id)
      if (const WCHAR* name = StgGetItemName(ctx_, id))
        found += text.find("\n" + kvp::ToUtf8(name) + "=") != std::string::npos;
    return found;
  };
  File("");
  ASSERT_EQ(CfgTransferSettingsFile(printer_, kPath, CFG_TRANSFER_STAMP | CFG_TRANSFER_WRITE, ctx_), 1);
  EXPECT_NE(FileText().find("RstVersion"), std::string::npos);
  EXPECT_EQ(patternKeys(), 0);
  SETTING_CONTEXT* common = Open(0x100);  // a context of its own: the common walk marks the rows
  ASSERT_NE(common, nullptr);
  WithCommonBuilds([&] {
    File("");
    ASSERT_EQ(CfgTransferSettingsFile(printer_, kPath, CFG_TRANSFER_STAMP | CFG_TRANSFER_WRITE, common), 1);
  });
  EXPECT_GT(patternKeys(), 0);
  StgReleaseContext(common, STG_RELEASE_FREE);
}

TEST_F(Builds, LockedSettingsUnderTheNupAllLock) {
  StgSetValue(ctx_, sid::rdmLock000InfoBitNupKind, 1);
  StgSetValue(ctx_, sid::rdmLock000InfoBitNupKindAll, 1);
  const std::string fup = kvp::ToUtf8(StgGetItemName(ctx_, sid::rdmFuncSelectNup));
  const std::string post = kvp::ToUtf8(StgGetItemName(ctx_, sid::rdmNUPPOSTKind));
  const std::string nupNow = std::to_string(StgGetValue(ctx_, sid::rdmFuncSelectNup, nullptr));
  for (int v = 0; v <= 5; ++v) {
    SCOPED_TRACE(v);
    File("[UI plotter]\n" + fup + "=" + nupNow + "\n" + post + "=" + std::to_string(v) + "\n");
    const bool passes = v >= 1 && v <= 4;
    EXPECT_EQ(CfgCheckLockedSettings(kPath, u"UI plotter", ctx_), passes ? 1 : 0);
    std::vector<std::u16string> boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), passes ? 0u : 1u);
    if (!passes) {
      EXPECT_NE(boxes[0].find(Message(12041)), std::u16string::npos) << kvp::ToUtf8(boxes[0]);
    }
  }
}

TEST_F(Builds, HeaderMismatchWarnsUnlessTheCallerReports) {
  struct Case {
    DWORD flags;
    size_t boxes;
  } cases[] = {{4, 1}, {0x8004, 0}, {0x10, 0}, {0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    File("[UI plotter]\nRstVersion=1\nRstMachine=1\nRstLanguage=1\n");
    EXPECT_EQ(CfgReadSettingsFile(printer_, kPath, c.flags, ctx_), 0);
    EXPECT_EQ(StgGetLastError(ctx_), CFG_FILE_HEADER_MISMATCH);
    std::vector<std::u16string> boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), c.boxes);
    if (c.boxes) {
      EXPECT_NE(boxes[0].find(Message(10023)), std::u16string::npos) << kvp::ToUtf8(boxes[0]);
    }
  }
  // A file that fits says nothing.
  File("[UI plotter]\n" + Header());
  CfgTransferSettingsFile(printer_, kPath, 4 | CFG_TRANSFER_READ, ctx_);
  EXPECT_EQ(StgGetLastError(ctx_), CFG_FILE_OK);
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(Builds, EveryBracketOfASectionBecomesAComma) {
  std::u16string s = u"[a]\x8140[b]";
  EXPECT_EQ(CfgNormalizeSectionName(s.data()), s.data());
  EXPECT_EQ(s, u",a,\x8140,b,");
  EXPECT_EQ(UiBracketsToCommas(nullptr), nullptr);
}

namespace {

// The chapter dialog open with its list (control 2800) holding one entry per row.
class ChapterList : public Builds {
 protected:
  void SetUp() override {
    Builds::SetUp();
    parent_ = CreateWindowExW(0, u"STATIC", u"chapters", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    list_ = CreateWindowExW(0, u"LISTBOX", u"", WS_CHILD, 0, 0, 100, 100, parent_, reinterpret_cast<HMENU>(2800),
                            nullptr, nullptr);
    ASSERT_NE(list_, nullptr);
    dialog_ = StgFindDialog(ctx_, 1044);
    ASSERT_NE(dialog_, nullptr);
    dialog_->window = parent_;
  }
  void TearDown() override {
    if (dialog_) dialog_->window = nullptr;
    if (parent_) DestroyWindow(parent_);
    kvp::ui::ResetWindows();
    Builds::TearDown();
  }
  int Edit(std::vector<DWORD> pages) {
    pages.push_back(0);
    return StgEditChapterRows(ctx_, dialog_, pages.data(), nullptr, nullptr);
  }
  LRESULT Selected() { return SendMessageW(list_, LB_GETCURSEL, 0, 0); }
  HWND parent_ = nullptr, list_ = nullptr;
  DIALOG_DESC* dialog_ = nullptr;
};

}  // namespace

TEST_F(ChapterList, MergesSelectTheLastRowAndDeletesFollowTheSelection) {
  StgSetValue(ctx_, sid::wdmChapterKind, 1);
  StgSetValue(ctx_, sid::wdmChapterMax, 5);
  StgSetOptionValue(ctx_, sid::wdmChapterTrayMax, 8);
  for (int i = 0; i < 3; ++i) SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"row"));
  ASSERT_EQ(Edit({2, 5, 9}), 0);
  ASSERT_EQ(StgGetValue(ctx_, sid::wdmChapterNum, nullptr), 3u);
  EXPECT_EQ(Selected(), 2);
  SendMessageW(list_, LB_SETCURSEL, 2, 0);
  EXPECT_EQ(StgDeleteChapterRow(ctx_), 0);
  EXPECT_EQ(StgGetValue(ctx_, sid::wdmChapterNum, nullptr), 2u);
  EXPECT_EQ(Selected(), 1);  // the last of three deleted: the second is selected
  EXPECT_EQ(StgGetChapterRow(ctx_, 1)->page, 5);
  SendMessageW(list_, LB_SETCURSEL, 0, 0);
  EXPECT_EQ(StgDeleteChapterRow(ctx_), 0);
  EXPECT_EQ(StgGetChapterRow(ctx_, 0)->page, 5);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(StgClearChapterRows(ctx_), 0);
  EXPECT_EQ(StgGetValue(ctx_, sid::wdmChapterNum, nullptr), 0u);
  // Without the dialog nothing is deleted.
  dialog_->window = nullptr;
  EXPECT_EQ(StgDeleteChapterRow(ctx_), 1);
}

TEST_F(ChapterList, ARefusedMergeShowsItsCauseAndKeepsTheRows) {
  StgSetValue(ctx_, sid::wdmChapterKind, 3);
  StgSetValue(ctx_, sid::wdmChapterMax, 5);
  StgSetOptionValue(ctx_, sid::wdmChapterTrayMax, 8);
  StgSetValue(ctx_, sid::rdmFuncSelectCover, 1);
  StgSetValue(ctx_, sid::rdmCoverType, 2);
  const uint64_t before = StgGetValue(ctx_, sid::wdmChapterNum, nullptr);
  DWORD pages[] = {1, 0};
  const WCHAR ranges[2][STG_CHAPTER_RANGE_CHARS] = {u"1-3", u""};
  EXPECT_EQ(StgEditChapterRows(ctx_, dialog_, pages, nullptr, ranges), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::wdmChapterNum, nullptr), before);
  auto log = kvp::ui::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, Message(12046));
  EXPECT_EQ(log[0].caption, u"UI plotter");
  EXPECT_EQ(log[0].type & MB_ICONMASK, UINT(MB_ICONWARNING));
  // The common build refuses silently.
  kvp::ui::ClearLogs();
  WithCommonBuilds([&] { EXPECT_EQ(StgEditChapterRows(ctx_, dialog_, pages, nullptr, ranges), 1); });
  EXPECT_TRUE(kvp::ui::MessageBoxLog().empty());
}

// A follow-up code among the automatic actions is run by the sheets here, not stored as a value; the
// other actions of the row are stored by both builds.
TEST_F(Builds, AFollowUpActionIsRunNotStored) {
  std::ifstream model(std::string(KV_SOURCE_DIR) + "/model/kvdrvdat", std::ios::binary);
  std::stringstream text;
  text << model.rdbuf()
       << "\n*Action 90=CopiesAndFollowUp: { QDV_BuiltInFunc 901 QDV_IDC_PRESET_EDIT_COPIES 7 }\n"
          "*Transact 90=RunsAFollowUp: { NULL CopiesAndFollowUp }\n"
          "*Exclusive: {\n  QDV_IDC_PRESET_EDIT_COPIES NULL NULL NULL NULL RunsAFollowUp NULL NULL\n}\n";
  const std::u16string path = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvfollow.dat";
  kvtest::WriteMachineFile(path, text.str());
  HANDLE p = kvtest::InstallPrinter(u"Follow-up plotter", kvsetup::kModelDriverName, path);
  ASSERT_NE(p, nullptr);
  SETTING_CONTEXT* ctx = StgCreateContextEx(p, p, nullptr, 0, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(ctx, nullptr);
  const ITEM_SYMBOL* copies = StgFindSymbolByName("QDV_IDC_PRESET_EDIT_COPIES");
  ASSERT_NE(copies, nullptr);
  const uint64_t before = StgGetValue(ctx, sid::wdmBuiltInFunc, nullptr);
  ASSERT_NE(before, 901u);
  RuleRunTransactByKey(ctx, copies->key, 0);
  EXPECT_EQ(StgGetValue(ctx, sid::dmCopies, nullptr), 7u);
  EXPECT_EQ(StgGetValue(ctx, sid::wdmBuiltInFunc, nullptr), before);
  WithCommonBuilds([&] {
    RuleRunTransactByKey(ctx, copies->key, 0);
    EXPECT_EQ(StgGetValue(ctx, sid::wdmBuiltInFunc, nullptr), 901u);
  });
  StgReleaseContext(ctx, STG_RELEASE_FREE);
  ClosePrinter(p);
}
