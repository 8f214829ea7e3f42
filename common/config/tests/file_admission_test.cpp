// Admission of installed settings files: the per-driver switch, condition groups and alternatives
// against the model's installed-option rule (with short cuts and unknown names), the tint-block rule
// and the conversion into the current layout.
#include <cstring>
#include <string>

#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/file.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

// Installed options: no hard disk, a folder unit, no fan unit. A name "holds" when its option is
// excluded, so Opt_HDD and Opt_FoldingFan hold and Opt_FoldingFolder does not.
constexpr WORD kHdd = 10070, kFan = 10296, kFolder = 10297;

class Admission : public PlotterTest {
 protected:
  void SetUp() override {
    PlotterTest::SetUp();
    StgSetValue(ctx_, sid::rdmLanguageID, 1);
    StgSetValue(ctx_, kHdd, 0);
    StgSetValue(ctx_, kFan, 0);
    StgSetValue(ctx_, kFolder, 1);
    ASSERT_TRUE(CreateDirectoryW(u"C:\\sets", nullptr));
  }
  int Conditions(const std::string& lines) {
    WriteFile(u"C:\\sets\\c.rsd", "[condition]\r\n" + lines);
    return CfgCheckFileConditions(u"C:\\sets\\c.rsd", ctx_);
  }
};

TEST_F(Admission, ConditionTermsParse) {
  struct Case {
    const char* text;
    const char* name;
    bool negate, andFollows;
    DWORD used;
  } cases[] = {
      {"Opt_HDD", "Opt_HDD", false, false, 7},        {"  !Opt_HDD | x", "Opt_HDD", true, false, 12},
      {"\tOpt_HDD\t&\tx", "Opt_HDD", false, true, 10}, {"a&b", "a", false, true, 2},
      {"", "", false, false, 0},                       {"   ", "", false, false, 3},
      {"!", "", true, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char name[260];
    bool negate = true, andFollows = true, cut = true;
    EXPECT_EQ(CfgParseConditionTerm(c.text, name, sizeof(name), &negate, &andFollows, &cut), c.used);
    EXPECT_STREQ(name, c.name);
    EXPECT_EQ(negate, c.negate);
    EXPECT_EQ(andFollows, c.andFollows);
    EXPECT_FALSE(cut);
  }
  std::string longName(300, 'N');
  char name[8];
  bool negate, andFollows, cut = false;
  EXPECT_EQ(CfgParseConditionTerm(longName.c_str(), name, sizeof(name), &negate, &andFollows, &cut), 300u);
  EXPECT_STREQ(name, "NNNNNNN");
  EXPECT_TRUE(cut);
}

TEST_F(Admission, ConditionGroupsAndAlternatives) {
  struct Case {
    const char* what;
    std::string lines;
    int admitted;
  } cases[] = {
      {"no keys", "", 1},
      {"either of two, and not the third", "ConditionOption0_0=Opt_FoldingFolder | Opt_HDD\r\nConditionOption1_0=!Opt_FoldingFolder\r\n", 1},
      {"the second group fails", "ConditionOption0_0=Opt_FoldingFolder | Opt_HDD\r\nConditionOption1_0=!Opt_FoldingFan\r\n", 0},
      {"the only alternative fails", "ConditionOption0_0=Opt_FoldingFolder\r\n", 0},
      {"a later alternative holds", "ConditionOption0_0=Opt_FoldingFolder\r\nConditionOption0_1=Opt_FoldingFan\r\n", 1},
      {"a missing first group, a failing second", "ConditionOption1_0=Opt_FoldingFolder\r\n", 0},
      {"an alternative after a gap is not read", "ConditionOption0_0=Opt_FoldingFolder\r\nConditionOption0_2=Opt_HDD\r\n", 0},
      {"and stops at the first 0", "ConditionOption0_0=Opt_FoldingFolder & Opt_HDD | Opt_FoldingFan\r\n", 0},
      {"then the third decides", "ConditionOption0_0=Opt_HDD & Opt_FoldingFolder | Opt_FoldingFan\r\n", 1},
      {"or skips what follows", "ConditionOption0_0=Opt_HDD | Opt_Nothing\r\n", 1},
      {"an unknown name", "ConditionOption0_0=Opt_Nothing\r\n", 0},
      {"an unknown name under not", "ConditionOption0_0=!Opt_Nothing\r\n", 0},
      {"a name too long for any option", "ConditionOption0_0=!" + std::string(400, 'Q') + "\r\n", 0},
      {"operators only", "ConditionOption0_0=|&|&\r\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Conditions(c.lines), c.admitted);
  }
  // The third name decides: with a fan unit installed it no longer holds.
  StgSetValue(ctx_, kFan, 1);
  EXPECT_EQ(Conditions("ConditionOption0_0=Opt_HDD & Opt_FoldingFolder | Opt_FoldingFan\r\n"), 0);
}

TEST_F(Admission, DisableSwitchAndTintBlockRule) {
  std::string driver = kvp::ToUtf8(kDriver);
  WriteFile(u"C:\\sets\\d.rsd", "[disable]\r\nOther Driver=1\r\n");
  EXPECT_EQ(CfgIsFileEnabledForDriver(u"C:\\sets\\d.rsd", ctx_), 1);
  WriteFile(u"C:\\sets\\d.rsd", "[disable]\r\n" + driver + "=1\r\n");
  EXPECT_EQ(CfgIsFileEnabledForDriver(u"C:\\sets\\d.rsd", ctx_), 0);

  std::u16string region = S(CfgGetRegionSection(ctx_));
  WriteFile(u"C:\\sets\\w.rsd", "[" + kvp::ToUtf8(region) + "]\r\nrdmFuncSelectWaterMark=1\r\n");
  WriteFile(u"C:\\sets\\w.rsr", "[Plotter]\r\nrdmFuncSelectWaterMark=0\r\n");
  WriteFile(u"C:\\sets\\w.RSR", "[Plotter]\r\nrdmFuncSelectWaterMark=0\r\n");
  EXPECT_EQ(CfgCheckFileFeatureKey(u"C:\\sets\\w.rsd", ctx_), 1);  // the tint-block interface is off
  StgSetValue(ctx_, sid::rdmFunc2SelectTintBlockUI, 1);
  EXPECT_EQ(CfgCheckFileFeatureKey(u"C:\\sets\\w.rsd", ctx_), 0);
  EXPECT_EQ(CfgCheckFileFeatureKey(u"C:\\sets\\w.rsr", ctx_), 1);
  EXPECT_EQ(CfgCheckFileFeatureKey(u"C:\\sets\\w.RSR", ctx_), 0);
  EXPECT_EQ(CfgCheckFileFeatureKey(u"C:\\sets\\w.txt", ctx_), 0);
  EXPECT_EQ(CfgCheckFileFeatureKey(nullptr, ctx_), 0);
}

TEST_F(Admission, ConversionRewritesTheTargetAndLeavesTheContext) {
  std::string region = kvp::ToUtf8(S(CfgGetRegionSection(ctx_)));
  WriteFile(u"C:\\sets\\src.rsd", "[condition]\r\nConditionOption0_0=Opt_HDD\r\n[disable]\r\nSome Driver=1\r\n[" + region +
                                      "]\r\ndmDefaultSource=259\r\nReadonly=1\r\nsetname=Poster\r\n");
  WriteFile(u"C:\\sets\\dst.rsr", "[condition]\r\nConditionOption0_0=Opt_Stale\r\n[Plotter]\r\nold=1\r\n");
  std::string before((const char*)ctx_->store->bytes, sizeof(SETTING_STORE));
  EXPECT_EQ(CfgHasRstVersion(u"C:\\sets\\dst.rsr", ctx_), 0);
  CfgConvertSettingsFile(u"C:\\sets\\dst.rsr", u"C:\\sets\\src.rsd", 4, ctx_);
  EXPECT_TRUE(std::string((const char*)ctx_->store->bytes, sizeof(SETTING_STORE)) == before);
  auto get = [](const WCHAR* section, const WCHAR* key) {
    WCHAR buf[300];
    CfgIniGetString(section, key, u"<none>", buf, 300, u"C:\\sets\\dst.rsr");
    return S(buf);
  };
  EXPECT_EQ(get(u"condition", u"ConditionOption0_0"), u"Opt_HDD");
  EXPECT_EQ(get(u"disable", u"Some Driver"), u"1");
  EXPECT_EQ(get(u"Plotter", u"dmDefaultSource"), u"259");
  EXPECT_EQ(get(u"Plotter", u"Readonly"), u"1");
  EXPECT_EQ(get(u"Plotter", u"old"), u"<none>");
  EXPECT_EQ(CfgHasRstVersion(u"C:\\sets\\dst.rsr", ctx_), 1);
  // A missing source leaves the target as it is.
  std::string target = ReadFile(u"C:\\sets\\dst.rsr");
  CfgConvertSettingsFile(u"C:\\sets\\dst.rsr", u"C:\\sets\\none.rsd", 4, ctx_);
  EXPECT_EQ(ReadFile(u"C:\\sets\\dst.rsr"), target);
}

}  // namespace
