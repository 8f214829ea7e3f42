// Value checks on the model printer and on a small data file of our own: the outcome of each node type,
// the switch-gated exclusions, the entry points' results and replacements, the public-field tests,
// the n-up alignment as an explicit step, and the reset-handler table with its two modes.
#include <gtest/gtest.h>

#include <set>

#include "driverdata/rule_values.h"
#include "driverdata/tests/img_test_support.h"
#include "kvplat/devmode.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"

namespace {

class Values : public imgtest::ModelContext {
 protected:
  DWORD Stored(WORD id) { return DWORD(StgGetValue(ctx_, id, nullptr)); }
  void Store(WORD id, DWORD v) { StgSetValue(ctx_, id, v); }
  int Check(WORD id, DWORD v) { return RuleCheckSettingValue(StgFindItem(ctx_, id), id, v, ctx_); }
  void Source(const char* name) { Set("QDV_IDC_PRESET_CHOICE_SOURCETRAY", name); }
};

TEST_F(Values, OutcomePerNodeType) {
  const WORD scale = sid::rdmScaleH, scaleSwitch = sid::rdmFuncSelectScale;
  const WORD userCode = Id("QDV_IDC_USERCODE_EDIT_USERCODE");
  struct Case {
    const char* what;
    const char* source;
    WORD id;
    DWORD value;
    int outcome;
  } cases[] = {
      {"PickPage: A0 excluded on the cut-sheet tray", "IDS_SOURCE_CUTSHEET", sid::dmPaperSize, 267, 4},
      {"PickPage: A0 on a roll", "IDS_SOURCE_ROLL1", sid::dmPaperSize, 267, 1},
      {"PickPage: A4 under its second condition on a roll", "IDS_SOURCE_ROLL1", sid::dmPaperSize, 9, 5},
      {"PickPage: A4 on the cut-sheet tray", "IDS_SOURCE_CUTSHEET", sid::dmPaperSize, 9, 1},
      {"PickPage: a code the value map lacks", "IDS_SOURCE_ROLL1", sid::dmPaperSize, 12345, 0},
      {"Boolean 0", nullptr, scaleSwitch, 0, 1},
      {"Boolean 1", nullptr, scaleSwitch, 1, 1},
      {"Boolean 2", nullptr, scaleSwitch, 2, 0},
      {"Numeric below the minimum", nullptr, scale, 19, 0},
      {"Numeric at the minimum", nullptr, scale, 20, 1},
      {"Numeric at the maximum", nullptr, scale, 400, 1},
      {"Numeric above the maximum", nullptr, scale, 401, 0},
      {"Numeric compares signed", nullptr, scale, 0xFFFFFFFFu, 0},
      {"String takes any value", nullptr, userCode, 77, 1},
      {"user macro 160 always", nullptr, sid::rdmUserPrintMacro, 160, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    if (k.source) Source(k.source);
    EXPECT_EQ(Check(k.id, k.value), k.outcome);
  }
}

TEST_F(Values, EntryPointResults) {
  Source("IDS_SOURCE_CUTSHEET");
  EXPECT_EQ(RuleTestValue(sid::dmPaperSize, 267, ctx_), 0) << "excluded";
  EXPECT_EQ(RuleTestValue(sid::dmPaperSize, 9, ctx_), 1);
  Source("IDS_SOURCE_ROLL1");
  EXPECT_EQ(RuleTestValue(sid::dmPaperSize, 9, ctx_), 1) << "second condition still admissible";
  EXPECT_EQ(RuleTestValue(sid::rdmGammaC, 5, ctx_), 2) << "no UI item key";
  EXPECT_EQ(RuleTestValue(Id("QDV_PrintMethodTime"), 1, ctx_), 3) << "TypeUnknown";
  EXPECT_EQ(RuleTestValue(sid::rdmDuplexType, 1, ctx_), 3) << "UI key but no node in this model";
  EXPECT_EQ(RuleTestOptionValue(sid::dmPaperSize, 9, ctx_), 1);
  EXPECT_EQ(RuleTestValue(sid::dmPaperSize, 9, nullptr), 2);
}

TEST_F(Values, ValidateReplacesByIntakeMode) {
  ctx_->work->mergeMode = 0;
  Store(sid::rdmScaleH, 500);
  EXPECT_EQ(RuleValidateValue(sid::rdmScaleH, 500, ctx_), 1);
  EXPECT_EQ(Stored(sid::rdmScaleH), 100u) << "reset to the compiled default";

  ctx_->work->mergeMode = RULE_INTAKE_APPLICATION;
  struct {
    DWORD given, kept;
  } clamp[] = {{500, 400}, {5, 20}};
  for (auto c : clamp) {
    Store(sid::rdmScaleH, c.given);
    EXPECT_EQ(RuleValidateValue(sid::rdmScaleH, c.given, ctx_), 1);
    EXPECT_EQ(Stored(sid::rdmScaleH), c.kept) << c.given;
  }

  // An excluded paper: kept by a merge that keeps excluded values, otherwise reset.
  Source("IDS_SOURCE_CUTSHEET");
  ctx_->work->mergeMode = RULE_INTAKE_KEEP_EXCLUDED;
  Store(sid::dmPaperSize, 267);
  EXPECT_EQ(RuleValidateValue(sid::dmPaperSize, 267, ctx_), 1);
  EXPECT_EQ(Stored(sid::dmPaperSize), 267u);
  ctx_->work->mergeMode = 0;
  EXPECT_EQ(RuleValidateValue(sid::dmPaperSize, 267, ctx_), 1);
  EXPECT_EQ(Stored(sid::dmPaperSize), 9u);
}

// A test changes nothing; the validation of an n-up type value is the one step that aligns the kind.
TEST_F(Values, NupAlignmentOnlyWhenValidating) {
  Store(sid::rdmFuncSelectNup, 1);
  Store(sid::dmOrientation, 1);
  Store(sid::rdmNUPPOSTKind, 1);
  Store(sid::rdmNUPType, 1);
  EXPECT_EQ(RuleTestValue(sid::rdmNUPType, 33, ctx_), 1);
  EXPECT_EQ(Stored(sid::rdmNUPPOSTKind), 1u) << "a test changes nothing";
  EXPECT_EQ(RuleValidateValue(sid::rdmNUPType, 33, ctx_), 1);
  EXPECT_EQ(Stored(sid::rdmNUPPOSTKind), 2u) << "the kind follows a 4-up value";

  Store(sid::rdmFuncSelectNup, 0);
  Store(sid::rdmNUPPOSTKind, 1);
  EXPECT_EQ(RuleAlignNupSettings(33, ctx_), 0) << "nothing while n-up is off";
  EXPECT_EQ(Stored(sid::rdmNUPPOSTKind), 1u);
}

TEST(NupKind, Codes) {
  struct {
    DWORD code;
    int kind;
  } cases[] = {{1, 1},    {3, 1},     {33, 2},    {38, 2},    {65, 3},    {70, 3}, {97, 4},   {102, 4},
               {129, 11}, {130, 11},  {161, 10},  {164, 10},  {32769, 9}, {32771, 9}, {0, 0}, {4, 0},
               {35, 0},   {131, 0},   {165, 0},   {32772, 0}};
  for (auto c : cases) EXPECT_EQ(RuleGetNupKind(c.code), c.kind) << c.code;
}

TEST(PaperCodes, SmallTests) {
  for (DWORD c : {256u, 384u, 393u, 448u}) {
    EXPECT_EQ(RuleIsCustomPaperCode(c), 1) << c;
    EXPECT_EQ(RuleIsCustomSlotPaper(c, nullptr), 1) << c;
  }
  for (DWORD c : {0u, 383u, 394u, 447u, 1024u}) EXPECT_EQ(RuleIsCustomSlotPaper(c, nullptr), 0) << c;
  EXPECT_EQ(RuleIsStdPaperCode(1), 1);
  EXPECT_EQ(RuleIsStdPaperCode(118), 1);
  EXPECT_EQ(RuleIsStdPaperCode(0), 0);
  EXPECT_EQ(RuleIsOutPaperSameAsPaper(1024), 1);
  EXPECT_EQ(RuleIsStdQuality(-4), 1);
  EXPECT_EQ(RuleIsStdQuality(0), 0);
}

TEST_F(Values, PaperSlotsOfStoredCodes) {
  Store(sid::dmPaperSize, 386);
  Store(sid::rdmOutPaperSize, 1024);
  EXPECT_EQ(RuleGetPaperCustomSlot(ctx_), 2);
  EXPECT_EQ(RuleGetOutPaperCustomSlot(ctx_), -1);
}

TEST_F(Values, PublicFieldsFallBackWithoutRules) {
  // The duplex field has no node in this model: the fixed test decides.
  EXPECT_EQ(RuleIsValidDuplex(2, ctx_), 1);
  EXPECT_EQ(RuleIsValidDuplex(4, ctx_), 0);
  EXPECT_EQ(RuleIsValidTTOption(4, ctx_), 1);
  EXPECT_EQ(RuleIsValidTTOption(5, ctx_), 0);
  EXPECT_EQ(RuleIsValidDitherType(10, ctx_), 1);
  EXPECT_EQ(RuleIsValidDitherType(9, ctx_), 0);
  // Rules that know the setting answer themselves.
  Source("IDS_SOURCE_CUTSHEET");
  EXPECT_EQ(RuleIsValidPaperSize(267, ctx_), 0);
  EXPECT_EQ(RuleIsValidPaperSize(9, ctx_), 1);
}

// ---- reset handlers ----

TEST(ResetTable, RowsAndHandlers) {
  const RESET_HANDLER_ROW* t = RuleGetResetHandlerTable();
  int handled = 0;
  std::set<DWORD> ids;
  for (int i = 0; i < RULE_RESET_ROWS; ++i) {
    ids.insert(t[i].settingId);
    if (t[i].handler) ++handled;
    EXPECT_EQ(RuleFindResetHandler(t[i].settingId), &t[i]);
  }
  EXPECT_EQ(handled, 163);
  EXPECT_EQ(ids.size(), size_t(RULE_RESET_ROWS));
  EXPECT_EQ(t[0].settingId, 35u);
  EXPECT_EQ(t[580].settingId, 615u);
  EXPECT_EQ(t[581].settingId, 647u);
  EXPECT_EQ(t[599].settingId, 696u);
  EXPECT_EQ(RuleFindResetHandler(616), nullptr);
  EXPECT_EQ(RuleFindResetHandler(sid::rdmGammaC)->param, 5u);
  EXPECT_EQ(RuleFindResetHandler(sid::rdmOutPaperSize)->param, 1024u);
}

TEST_F(Values, ResetDispatchModes) {
  DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(ctx_->store->bytes);
  struct {
    int mode;
    DWORD stored, after;
  } cases[] = {{2, 3, 3}, {2, 9, 9}, {2, 1, 1}, {2, 0, 5}, {2, 10, 5}, {1, 3, 5}, {1, 9, 5}};
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " gamma " << c.stored);
    Store(sid::rdmGammaC, c.stored);
    EXPECT_EQ(RuleResetUncheckedSettings(dm, ctx_, c.mode), 600);
    EXPECT_EQ(Stored(sid::rdmGammaC), c.after);
  }
  // A store-param setting takes its default in either mode; a keep-all setting keeps its value.
  Store(sid::rdmSkipCount, 0);
  Store(sid::rdmTelLine, 7);
  RuleResetUncheckedSettings(dm, ctx_, 2);
  EXPECT_EQ(Stored(sid::rdmSkipCount), 2u);
  EXPECT_EQ(Stored(sid::rdmTelLine), 1u) << "7 is not an allowed line";
}

// ---- a small data file: gated exclusions, the preset mapping, an orientation excluded by a rule ----

const char kGatedData[] =
    "*FileVersion: 8.63\n"
    "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
    "*DefaultQDV_RADIOLIST_1: IDS_ORIENTATION_PORTRAIT\n"
    "*QDV_RADIOLIST_1 IDS_ORIENTATION_PORTRAIT: \"P\"\n"
    "*QDV_RADIOLIST_1 IDS_ORIENTATION_LANDSCAPE: \"L\"\n"
    "*CloseUI\n"
    "*OpenUI *QDV_IDC_EDIT_CHOICE_DUPLEX: Boolean\n"
    "*DefaultQDV_IDC_EDIT_CHOICE_DUPLEX: False\n"
    "*CloseUI\n"
    "*OpenUI *QDV_IDC_PRESET_CHOICE_MEDIATYPE: PickOne\n"
    "*DefaultQDV_IDC_PRESET_CHOICE_MEDIATYPE: IDS_MEDIATYPE_NORMAL\n"
    "*QDV_IDC_PRESET_CHOICE_MEDIATYPE IDS_MEDIATYPE_NORMAL: \"PLAIN\"\n"
    "*QDV_IDC_PRESET_CHOICE_MEDIATYPE IDS_MEDIATYPE_RECYCLED: \"RECYCLED\"\n"
    "*CloseUI\n"
    "*OpenUI *QDV_IDC_PRESET_ICONLIST: PickOne\n"
    "*DefaultQDV_IDC_PRESET_ICONLIST: BUILT_IN_FUNC_CMM_SET_TEXT\n"
    "*QDV_IDC_PRESET_ICONLIST BUILT_IN_FUNC_CMM_SET_TEXT: \"0\"\n"
    "*CloseUI\n"
    "*Judge 1=IsLandscape: QDV_RADIOLIST_1 == IDS_ORIENTATION_LANDSCAPE\n"
    "*Judge 2=DuplexOn: QDV_IDC_EDIT_CHOICE_DUPLEX == 1\n"
    "*Item 1=OrientLimits: { IDS_ORIENTATION_LANDSCAPE DuplexOn NULL NULL }\n"
    "*Item 2=MediaLimits: { IDS_MEDIATYPE_RECYCLED IsLandscape NULL NULL }\n"
    "*Exclusive: {\n"
    "  QDV_RADIOLIST_1 NULL NULL OrientLimits NULL NULL NULL NULL\n"
    "  QDV_IDC_PRESET_CHOICE_MEDIATYPE NULL NULL MediaLimits NULL NULL NULL NULL\n"
    "}\n";

class SmallValues : public imgtest::ModelContext {
 protected:
  void SetUp() override {
    StgInitLibraryLocks();
    printer_ = imgtest::Install(u"Small", kGatedData, u"kvsmall.dat", u"KAVRO Lumeta QT M8350 ZARN");
    ctx_ = StgCreateContextEx(printer_.handle, printer_.handle, nullptr, 0, STG_KIND_UI, 0, nullptr);
    ASSERT_NE(ctx_, nullptr);
    ASSERT_NE(ctx_->image, nullptr);
  }
};

TEST_F(SmallValues, OrientationExcludedByRuleIsAcceptedThroughItsMap) {
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 1);
  EXPECT_EQ(RuleTestValue(sid::dmOrientation, 2, ctx_), 0) << "excluded by the rule";
  EXPECT_EQ(RuleIsValidOrientation(2, ctx_), 1) << "the value map knows it";
  EXPECT_EQ(RuleIsValidOrientation(3, ctx_), 0);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmOrientation, nullptr), 1u) << "nothing changed";
}

// A preset number that fails its check keeps the stored value when the caller's number names a preset
// (119-134 for 0-15) or "none" (118); any other number selects preset 0.
TEST_F(SmallValues, PresetNumberMapping) {
  struct {
    DWORD given, after;
  } cases[] = {{125, 9}, {118, 9}, {60, 9}, {200, 0}};
  for (auto c : cases) {
    StgSetValue(ctx_, sid::rdmPresetNo, 9);
    EXPECT_EQ(RuleValidateValue(sid::rdmPresetNo, c.given, ctx_), 1);
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmPresetNo, nullptr), c.after) << c.given;
  }
}

TEST_F(SmallValues, OptionCheckRefusesExcludedOptions) {
  StgSetValue(ctx_, sid::dmOrientation, 2);
  ITEM_DESC* media = StgFindItem(ctx_, sid::rdmMediaType);
  DWORD recycled = StgMapFromOption(ctx_, media, Val("IDS_MEDIATYPE_RECYCLED"));
  EXPECT_EQ(RuleCheckOptionValue(media, sid::rdmMediaType, recycled, ctx_), 0);
  StgSetValue(ctx_, sid::dmOrientation, 1);
  EXPECT_EQ(RuleCheckOptionValue(media, sid::rdmMediaType, recycled, ctx_), 1);
}

}  // namespace

namespace {
// The exclusion of a duplex, punch, staple, fold or tile-mask option counts only while its switch is
// on; the check is run on the media node with the id of the gated setting.
TEST_F(SmallValues, SwitchGatedExclusion) {
  StgSetValue(ctx_, sid::dmOrientation, 2);
  IMG_REF node = ImgFindNode(ctx_, sid::rdmMediaType);
  ASSERT_NE(node, 0u);
  DWORD recycled = Val("IDS_MEDIATYPE_RECYCLED");
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 0);
  EXPECT_EQ(RuleCheckValue(nullptr, sid::rdmDuplexType, recycled, ctx_, node), 1) << "switch off";
  EXPECT_EQ(RuleCheckValue(nullptr, sid::rdmMediaType, recycled, ctx_, node), 4) << "ungated";
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 1);
  EXPECT_EQ(RuleCheckValue(nullptr, sid::rdmDuplexType, recycled, ctx_, node), 4) << "switch on";
  EXPECT_EQ(RuleCheckValue(nullptr, sid::rdmPunchType, recycled, ctx_, node), 1) << "punch switch has no node";
}
}  // namespace

namespace {
TEST_F(Values, DevmodeDuplexFollowsFunctionTypeAndOrientation) {
  DEVMODEW dm{};
  struct {
    DWORD on, type, custom;
    SHORT orientation, before, after;
  } cases[] = {
      {0, 1, 0, 1, 3, 1},  // function off
      {1, 0, 0, 1, 3, 1},  // no duplex type
      {1, 1, 0, 1, 1, 3},  {1, 1, 0, 2, 1, 2},  // a type of the model's first allowed row
      {1, 2, 0, 1, 1, 2},  {1, 2, 0, 2, 1, 3},  // any other type
      {1, 1, 1, 1, 1, 1},  // custom function bit: a simplex request stays
      {1, 1, 1, 1, 2, 3},
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << "on " << c.on << " type " << c.type << " custom " << c.custom << " orient "
                                    << c.orientation << " before " << c.before);
    Store(sid::rdmFuncSelectDuplex, c.on);
    Store(sid::rdmDuplexType, c.type);
    Store(sid::wdmCustomFunc0, c.custom);
    dm.dmOrientation = c.orientation;
    dm.dmDuplex = c.before;
    RuleSetDevmodeDuplex(&dm, ctx_);
    EXPECT_EQ(dm.dmDuplex, c.after);
  }
  Store(sid::rdmMediaType, 5);
  RuleSetDevmodeMediaType(&dm, ctx_);
  EXPECT_EQ(dm.dmMediaType, 5u);
}
}  // namespace
