// Colour-matching profile module: the list in the INI (defaults, add at the limit, delete with the
// later profiles moving down), the texts moved through the dialog's bound settings, the judge hooks,
// the copy of the list limits, the repair after a list change and the control events.
#include <fstream>
#include <sstream>
#include <string>

#include "config/driver_lists.h"
#include "config/settings_file.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "module_fixture.h"
#include "kvplat/root.h"
#include "kvplat/root.h"
#include "settings/feature_modules.h"
#include "settings/regions.h"

using namespace kvstgtest;

namespace {

class Cmm : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    region_ = StgGetRegionCode(ctx_);
    ASSERT_FALSE(region_.empty());
  }
  void TearDown() override {
    for (auto& [control, item] : bound_) control->item = item;
    ModuleTest::TearDown();
  }
  std::u16string Section(int n) {
    std::string s = "ColorMatching" + std::to_string(n);
    return std::u16string(s.begin(), s.end()) + region_;
  }
  void PutProfile(int n, const std::u16string& mode, const std::u16string& path) {
    PutKey(u"rdmColorMatchingMode", mode, Section(n));
    PutKey(u"wdmColorProfilePath", path, Section(n));
  }
  std::u16string Mode(int n) { return Key(u"rdmColorMatchingMode", Section(n)); }
  // Binds a control of the context's dialog table to a text setting, as the property sheets do.
  void Bind(CONTROL_DESC* control, WORD id) {
    ASSERT_NE(control, nullptr);
    bound_.push_back({control, control->item});
    control->item = StgFindItem(ctx_, id);
    ASSERT_NE(control->item, nullptr);
  }
  std::u16string Text(WORD id) {
    ITEM_DESC* row = StgFindItem(ctx_, id);
    std::u16string out(StgTypeLength(row->type) + 1, u'\0');
    StgGetString(ctx_, row, out.data());
    return out.c_str();
  }

  std::u16string region_;
  std::vector<std::pair<CONTROL_DESC*, const ITEM_DESC*>> bound_;
};

TEST_F(Cmm, DefaultsAndTheListLimit) {
  EXPECT_EQ(StgGetCmmCount(ctx_), 0);
  EXPECT_EQ(StgGetCmmDefault(ctx_), 4);
  EXPECT_EQ(StgGetCmmMax(ctx_), 16);
  EXPECT_EQ(StgCmmJudge(ctx_, 1293), 0u);
  // Judge 1292: no profile selected counts as a built-in one.
  EXPECT_EQ(StgGetSelectedCmmProfile(ctx_), -1);
  EXPECT_EQ(StgCmmJudge(ctx_, 1292), 1u);
  ASSERT_NE(StgGetCmmPathControl(ctx_), nullptr);
  EXPECT_EQ(StgCmmJudge(ctx_, 1294), 1u);
  EXPECT_EQ(StgCmmJudge(ctx_, 1295), 0u);
  EXPECT_EQ(StgGetJudgeHookValue(ctx_, 1293), 0u);
  // A full list: adding changes nothing and still answers.
  PutKey(u"CmmCount", u"16", region_);
  StgBroadcastModuleCommand(ctx_, 111);
  EXPECT_EQ(StgGetCmmCount(ctx_), 16);
  EXPECT_EQ(StgCmmJudge(ctx_, 1293), 1u);
  EXPECT_EQ(Key(u"rdmColorMatchingMode", Section(16)), u"<absent>");
}

TEST_F(Cmm, ProfilesMoveThroughTheBoundSettings) {
  Bind(StgGetCmmModeControl(ctx_), sid::wdmUserSetName);
  Bind(StgGetCmmPathControl(ctx_), sid::wdmFreeSizeName);
  ITEM_DESC* mode = StgFindItem(ctx_, sid::wdmUserSetName);
  ITEM_DESC* path = StgFindItem(ctx_, sid::wdmFreeSizeName);
  StgSetString(ctx_, mode, u"Vivid");
  StgSetString(ctx_, path, u"v.icm");
  StgBroadcastModuleCommand(ctx_, 111);  // add
  StgSetString(ctx_, mode, u"Soft");
  StgBroadcastModuleCommand(ctx_, 123);  // add through the broadcast
  EXPECT_EQ(StgGetCmmCount(ctx_), 2);
  EXPECT_EQ(Mode(0), u"Vivid");
  EXPECT_EQ(Mode(1), u"Soft");
  EXPECT_EQ(Key(u"wdmColorProfilePath", Section(0)), u"v.icm");
  // The profile a colour-matching setting points at comes into the dialog (114); 118 saves it back.
  Set(sid::rdmColorMatchingMode, 200);
  StgBroadcastModuleCommand(ctx_, 114);
  EXPECT_EQ(Text(sid::wdmUserSetName), u"Vivid");
  StgSetString(ctx_, mode, u"Vivid 2");
  StgBroadcastModuleCommand(ctx_, 118);
  EXPECT_EQ(Mode(0), u"Vivid 2");
  // A setting beyond the list empties the texts.
  Set(sid::rdmColorMatchingMode, 205);
  StgBroadcastModuleCommand(ctx_, 114);
  EXPECT_EQ(Text(sid::wdmUserSetName), u"");
  // Event 16 gives the profile's mode text, at most its capacity.
  WCHAR text[STG_CMM_TEXT_CHARS + 8];
  std::fill(std::begin(text), std::end(text), u'#');
  CFG_STRING_ID_EVENT arg{566, text};
  StgBroadcastModuleEvent(ctx_, STG_EVENT_DYNAMIC_STRING, &arg);
  EXPECT_EQ(std::u16string(text), u"Soft");
  EXPECT_EQ(text[STG_CMM_TEXT_CHARS], u'#');
}

TEST_F(Cmm, DeleteMovesTheLaterProfilesDown) {
  PutProfile(0, u"A", u"a.icm");
  PutProfile(1, u"B", u"b.icm");
  PutProfile(2, u"C", u"c.icm");
  PutKey(u"CmmCount", u"3", region_);
  EXPECT_EQ(StgDeleteCmmProfile(ctx_, 3), 3);  // outside the list
  EXPECT_EQ(StgDeleteCmmProfile(ctx_, -1), 3);
  // No dialog binding is needed: profile 2 moves into section 1, section 2 stays in the file.
  EXPECT_EQ(StgDeleteCmmProfile(ctx_, 1), 2);
  EXPECT_EQ(StgGetCmmCount(ctx_), 2);
  EXPECT_EQ(Mode(0), u"A");
  EXPECT_EQ(Mode(1), u"C");
  EXPECT_EQ(Key(u"wdmColorProfilePath", Section(1)), u"c.icm");
  EXPECT_EQ(Mode(2), u"C");
}

TEST_F(Cmm, ListLimitsCopiedIntoAnotherIni) {
  const std::u16string src = u"C:\\cmm_src.ini", dst = u"C:\\cmm_dst.ini";
  kvtest::WriteMachineFile(src, "");
  kvtest::WriteMachineFile(dst, "");
  const std::u16string section = CfgGetRegionSection(ctx_);
  ASSERT_FALSE(section.empty());
  PutKey(u"CmmMax", u"8", section, src);
  PutKey(u"CmmDefault", u"3", section, src);
  STG_CMM_LIMITS_ARG arg{src.c_str(), dst.c_str(), 0};
  StgBroadcastModuleEvent(ctx_, 15, &arg);
  EXPECT_EQ(Key(u"CmmMax", section, dst), u"8");
  EXPECT_EQ(Key(u"CmmCount", section, dst), u"3");
  // With the keep flag an existing count stays; without one it is set.
  PutKey(u"CmmCount", u"6", section, dst);
  arg.keepCount = 1;
  StgBroadcastModuleEvent(ctx_, 15, &arg);
  EXPECT_EQ(Key(u"CmmCount", section, dst), u"6");
}

TEST_F(Cmm, RepairNeedsTheUserMacrosEntry) {
  PutKey(u"CmmCount", u"3", region_);
  Set(sid::rdmColorMatchingMode, 203);
  Set(sid::wdmColorMatchingText, 202);
  // No user macro: nothing to repair with.
  StgBroadcastModuleEvent(ctx_, STG_EVENT_SETTINGS_CHANGED, nullptr);
  EXPECT_EQ(Get(sid::rdmColorMatchingMode), 203u);
  // A user macro whose quality entry cannot be read: the settings stay, nothing else changes.
  Set(sid::rdmUseUserMacro, 1);
  StgSetOptionValue(ctx_, sid::rdmUserPrintMacro, 135);
  Set(sid::wdmChapterKind, 2);
  StgBroadcastModuleEvent(ctx_, STG_EVENT_SETTINGS_CHANGED, nullptr);
  EXPECT_EQ(Get(sid::rdmColorMatchingMode), 203u);
  EXPECT_EQ(Get(sid::wdmColorMatchingText), 202u);
  EXPECT_EQ(Get(sid::wdmChapterKind), 2u);
  EXPECT_EQ(ctx_->work->undoDepth, 0u);
}

// A readable quality entry of the user macro on a full context. The entry is read between a snapshot
// and its restore, so nothing it loads stays behind. The colour-matching settings are not in this
// model's quality class, so the entry gives them back as they are: a setting beyond the list keeps
// its value, one within the list stays too.
TEST_F(Cmm, RepairReadsTheUserMacrosEntryAndLeavesNothingBehind) {
  PutKey(u"CmmCount", u"3", region_);
  WCHAR rsr[CFG_MAX_PATH], rsq[CFG_MAX_PATH];
  ASSERT_TRUE(CfgMakeUserSettingsPath(rsr, u"macro.rsr", CFG_MAX_PATH, ctx_));
  ASSERT_TRUE(CfgMakeRsqFileName(rsq, rsr, CFG_MAX_PATH));
  // The entry as saved from rdmColorProcess 1; its converted copy keeps it under the region's section.
  PutKey(u"QualityList0", rsq, CfgGetPresetSection(ctx_));
  Set(sid::rdmColorProcess, 1);
  ASSERT_EQ(CfgSaveQualityByIndex(ctx_, 0), 1);
  PutKey(u"QualityList0", rsr, CfgGetPresetSection(ctx_));
  std::string host;
  ASSERT_EQ(kvp::MapPath(rsq, host), 0u);
  std::stringstream text;
  text << std::ifstream(host).rdbuf();
  std::string body = text.str();
  const std::u16string region = CfgGetRegionSection(ctx_);
  body.replace(0, body.find('\n'), "[" + std::string(region.begin(), region.end()) + "]");
  std::ofstream(host, std::ios::binary) << body;
  Set(sid::rdmColorProcess, 0);
  ASSERT_EQ(CfgLoadQualityFileByIndex(ctx_, 0), 1);
  ASSERT_EQ(Get(sid::rdmColorProcess), 1u);
  Set(sid::rdmColorProcess, 0);
  Set(sid::rdmUseUserMacro, 1);
  StgSetOptionValue(ctx_, sid::rdmUserPrintMacro, 135);
  Set(sid::rdmColorMatchingMode, 203);   // beyond the three profiles
  Set(sid::wdmColorMatchingText, 202);   // the last profile
  StgBroadcastModuleEvent(ctx_, STG_EVENT_SETTINGS_CHANGED, nullptr);
  EXPECT_EQ(Get(sid::rdmColorMatchingMode), 203u);
  EXPECT_EQ(Get(sid::wdmColorMatchingText), 202u);
  EXPECT_EQ(Get(sid::rdmColorProcess), 0u);
  EXPECT_EQ(ctx_->work->undoDepth, 0u);
}

TEST_F(Cmm, ControlEvents) {
  CONTROL_DESC density{};
  density.controlId = 3039;
  struct Case {
    WORD item, setting;
    DWORD option;
    uint64_t answer;
  };
  const Case cases[] = {{6990, sid::rdmTonerSaveDensityImage, 0, 25},
                        {6982, sid::rdmTonerSaveDensityText, 1, 13},
                        {7668, sid::rdmTonerSaveDensityLine, 2, 0},
                        {7000, sid::rdmTonerSaveDensityLine, 0, 99}};
  for (const Case& k : cases) {
    StgSetOptionValue(ctx_, k.setting, k.option);
    STG_DENSITY_ARG a{&density, k.item, 99};
    StgBroadcastModuleEvent(ctx_, 56, &a);
    EXPECT_EQ(a.answer, k.answer) << k.item;
  }
  for (WORD id : {3032, 3035, 3038, 3033}) {
    CONTROL_DESC c{};
    c.controlId = id;
    STG_CONTROL_ANSWER_ARG a{&c, 0};
    StgBroadcastModuleEvent(ctx_, 58, &a);
    EXPECT_EQ(a.answer, id == 3033 ? 0u : 1u) << id;
  }
}

}  // namespace
