// Computed flags on a full context of the model printer: the dispatch table against the dictionary and
// the symbol table, ids without a judge, a walk over the flags with a small fixture per family, the
// limits of the custom-size and resolution flags, and the model's own rules that read flags.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "driverdata/dfc_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/tests/judge_test_support.h"

namespace {

using Flags = judgetest::JudgeContext;

TEST_F(Flags, TableAgreesWithTheDictionaryAndTheSymbolTable) {
  int named = 0;
  for (WORD id = kFirstComputedFlag; id <= kLastReservedFlag; ++id) {
    SCOPED_TRACE(id);
    const ITEM_DESC* item = StgFindItem(ctx_, id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(StgTypeBlock(item->type), DWORD(STG_BLOCK_WORK));
    EXPECT_EQ(StgTypeCode(item->type), STG_TYPE_BIT0 + ComputedFlagBit(id));
    EXPECT_EQ(item->offset, ComputedFlagOffset(id));
    EXPECT_EQ(StgTypeLength(item->type), 4u);
    const COMPUTED_FLAG_ROW* row = RuleFindComputedFlag(id);
    if (id > kLastComputedFlag) {
      EXPECT_EQ(row, nullptr);
      continue;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->id, id);
    EXPECT_EQ(item->key, row->key);
    if (!row->name) continue;
    ++named;
    const ITEM_SYMBOL* s = StgFindSymbolByName(row->name);
    ASSERT_NE(s, nullptr) << row->name;
    EXPECT_EQ(s->id, id);
    EXPECT_EQ(s->key, row->key);
  }
  EXPECT_EQ(named, 39);
  EXPECT_EQ(RuleFindComputedFlag(722), nullptr);
  EXPECT_EQ(RuleFindComputedFlag(868), nullptr);
}

// Ids without a judge and ids beyond the range answer 0 even when their work-block bit is set, also
// when the evaluator reads them as operands.
TEST_F(Flags, IdsWithoutAJudgeGiveZeroWhateverTheirBit) {
  std::set<WORD> noJudge = {737, 738, 746, 753, 754, 770, 786, 793, 794, 802, 810, 818, 831, 834, 847, 848, 849, 850};
  for (WORD id = kFirstComputedFlag; id <= kLastComputedFlag; ++id)
    EXPECT_EQ(RuleFindComputedFlag(id)->judge == nullptr, noJudge.count(id) == 1) << id;
  for (WORD id : {WORD(737), WORD(850), WORD(868), WORD(914), WORD(726), WORD(727)}) {
    SCOPED_TRACE(id);
    V(id, 1);
    EXPECT_EQ(R(id), 1u) << "the typed get reads the plain bit";
    EXPECT_EQ(Flag(id), 0);
    std::vector<dfc::RULE_CELL> cells = {{dfc::kCellSetting, id}, {dfc::kCellOperator, dfc::kOpEnd}};
    EXPECT_EQ(RuleEvalExpression(IMG_REF(reinterpret_cast<uintptr_t>(cells.data())), ctx_), 0u);
  }
  EXPECT_EQ(Flag(0), 0);
  EXPECT_EQ(Flag(722), 0);
  EXPECT_EQ(Flag(0xFFFF), 0);
  EXPECT_EQ(RuleGetComputedFlag(nullptr, 819), 0) << "no context: nothing to read";
}

// A light context has no store: every judge reads 0 for every setting and nothing is written.
TEST_F(Flags, LightContextAnswersWithoutAStore) {
  SETTING_CONTEXT* light = StgCreateContextEx(printer_.handle, printer_.handle, nullptr, 4, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(light, nullptr);
  ASSERT_EQ(light->store, nullptr);
  for (WORD id = kFirstComputedFlag; id <= kLastReservedFlag; ++id) {
    int v = RuleGetComputedFlag(light, id);
    EXPECT_TRUE(v == 0 || v == 1) << id;
  }
  EXPECT_EQ(RuleGetComputedFlag(light, 835), 0);
  EXPECT_EQ(RuleGetForcedQuality(light, 0), 0u);
  StgReleaseContext(light, STG_RELEASE_FREE);
}

// Flags that share a judge always agree.
TEST_F(Flags, SharedJudgesAgree) {
  const std::pair<WORD, WORD> pairs[] = {{824, 829}, {855, 857}, {856, 858}, {861, 862}};
  for (DWORD v : {0u, 154771u, 154772u, 256u}) {
    V(sid::rdmTray4Paper, v);
    V(sid::rdmPaperFreeSizeWidth, v);
    V(sid::rdmPrintFreeSizeWidth, v);
    V(sid::wdmFreeSizeWidth, v);
    Paper(256);
    for (auto [a, b] : pairs) EXPECT_EQ(Flag(a), Flag(b)) << a << " " << b << " at " << v;
  }
  V(sid::rdmTray4Paper, 256);
  EXPECT_EQ(Flag(824), 1);
}

// The limits of the custom-size and resolution flags, one dot either side.
TEST_F(Flags, LengthAndResolutionLimits) {
  struct Case {
    const char* what;
    std::vector<std::pair<WORD, DWORD>> settings;
    WORD flag;
    int expected;
  } cases[] = {
      {"853 at 154771", {{sid::rdmPaperFreeSizeLength, 154771}}, 853, 0},
      {"853 one dot over", {{sid::rdmPaperFreeSizeLength, 154772}}, 853, 1},
      {"853 compares unsigned", {{sid::rdmPaperFreeSizeLength, 0xFFFFFFFFu}}, 853, 1},
      {"854", {{sid::rdmPrintFreeSizeLength, 154772}}, 854, 1},
      {"860", {{sid::wdmFreeSizeLength, 154772}}, 860, 1},
      {"851 manual at 94488", {{sid::rdmPaperFreeSizeTray, 4}, {sid::rdmPaperFreeSizeLength, 94488}}, 851, 0},
      {"851 manual one over", {{sid::rdmPaperFreeSizeTray, 4}, {sid::rdmPaperFreeSizeLength, 94489}}, 851, 1},
      {"851 other tray", {{sid::rdmPaperFreeSizeTray, 1}, {sid::rdmPaperFreeSizeLength, 94489}}, 851, 0},
      {"851 other tray at 708661", {{sid::rdmPaperFreeSizeTray, 7}, {sid::rdmPaperFreeSizeLength, 708661}}, 851, 0},
      {"851 other tray one over", {{sid::rdmPaperFreeSizeTray, 7}, {sid::rdmPaperFreeSizeLength, 708662}}, 851, 1},
      {"852 manual", {{sid::rdmPrintFreeSizeTray, 4}, {sid::rdmPrintFreeSizeLength, 94489}}, 852, 1},
      {"859 manual", {{sid::wdmFreeSizeTray, 4}, {sid::wdmFreeSizeLength, 94489}}, 859, 1},
      {"863 600 dpi at 32764",
       {{sid::rdmLoadShare, 18}, {sid::dmPrintQuality, 600}, {sid::rdmDstPaperLengthDot, 32764}}, 863, 1},
      {"863 600 dpi at 32763",
       {{sid::rdmLoadShare, 18}, {sid::dmPrintQuality, 600}, {sid::rdmDstPaperLengthDot, 32763}}, 863, 0},
      {"863 300 dpi at 16382",
       {{sid::rdmLoadShare, 18}, {sid::dmPrintQuality, 300}, {sid::rdmDstPaperWidthDot, 16382}}, 863, 0},
      {"863 300 dpi at 16383",
       {{sid::rdmLoadShare, 18}, {sid::dmPrintQuality, 300}, {sid::rdmDstPaperWidthDot, 16383}}, 863, 1},
      {"863 1200 dpi over 10922",
       {{sid::rdmLoadShare, 18}, {sid::dmPrintQuality, 1200}, {sid::rdmDstPaperWidthDot, 10923}}, 863, 1},
      {"863 needs load share 18",
       {{sid::rdmLoadShare, 3}, {sid::dmPrintQuality, 1200}, {sid::rdmDstPaperWidthDot, 10923}}, 863, 0},
      {"863 dots unsigned",
       {{sid::rdmLoadShare, 18}, {sid::dmPrintQuality, 600}, {sid::rdmDstPaperWidthDot, 0x80000000u}}, 863, 1},
      {"864 300 dpi both 16381",
       {{sid::dmPrintQuality, 300}, {sid::rdmDstPaperLengthDot, 16381}, {sid::rdmDstPaperWidthDot, 16381}}, 864, 1},
      {"864 300 dpi at 16382",
       {{sid::dmPrintQuality, 300}, {sid::rdmDstPaperLengthDot, 16382}, {sid::rdmDstPaperWidthDot, 16381}}, 864, 0},
      {"864 600 dpi under 32764",
       {{sid::dmPrintQuality, 600}, {sid::rdmDstPaperLengthDot, 32763}, {sid::rdmDstPaperWidthDot, 100}}, 864, 1},
      {"864 needs load share 0",
       {{sid::rdmLoadShare, 1}, {sid::dmPrintQuality, 600}, {sid::rdmDstPaperLengthDot, 1}}, 864, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    for (WORD id : {sid::rdmPaperFreeSizeLength, sid::rdmPrintFreeSizeLength, sid::wdmFreeSizeLength,
                    sid::rdmPaperFreeSizeTray, sid::rdmPrintFreeSizeTray, sid::wdmFreeSizeTray,
                    sid::rdmDstPaperLengthDot, sid::rdmDstPaperWidthDot, sid::rdmLoadShare})
      V(id, 0);
    for (auto [id, v] : k.settings) V(id, v);
    EXPECT_EQ(Flag(k.flag), k.expected);
  }
  // The length limits belong to this model's code; another model has none.
  V(sid::rdmPaperFreeSizeTray, 4);
  V(sid::rdmPaperFreeSizeLength, 94489);
  ctx_->model->modelCode = 89;
  EXPECT_EQ(Flag(851), 1);
  ctx_->model->modelCode = 120;
  EXPECT_EQ(Flag(851), 0);
  ctx_->model->modelCode = 104;
}

// Every flag id once: its answer on the bare fixture (base, -1: not checked) and after a small fixture of
// its family (expected). Finisher rows take their fixture from their role in the dispatch table.
TEST_F(Flags, EveryFlagWithAFixtureOfItsFamily) {
  struct Case {
    WORD id;
    int base;
    std::function<void()> setup;
    int expected;
  };
  auto tray1 = [this](DWORD paper, DWORD orient) {
    Tray(sid::rdmTray1Paper, sid::rdmTrayOrient0, sid::rdmTrayLock0, paper, orient);
  };
  auto firstMember = [](BYTE family) -> WORD {
    switch (family) {
      case FIN_23: return sid::rdmOutputOptionTypeFin2000;
      case FIN_1000: return sid::rdmOutputOptionTypeFin1000;
      case FIN_BF: return sid::rdmOutputOptionTypeFinBF;
      case FIN_TYPE14: return sid::rdmOutputOptionType14;
      case FIN_TYPE15: return sid::rdmOutputOptionType15;
      case FIN_1: return sid::rdmOutputOption2TypeFinMF;
      case FIN_2: return sid::rdmOutputOption2TypeFIN2NA;
      case FIN_50: return sid::rdmOutputOption2TypeFin50;
      case FIN_100: return sid::rdmOutputOption2TypeFin100;
      case FIN_4: case FIN_DOM: return sid::rdmOutputOption2TypeFin1Dom;
      default: return 0;
    }
  };
  std::vector<Case> cases;
  for (WORD id = kFirstComputedFlag; id <= kLastComputedFlag; ++id) {
    const COMPUTED_FLAG_ROW* row = RuleFindComputedFlag(id);
    if (row->role == ROLE_NONE) continue;
    WORD member = firstMember(row->family);
    BYTE family = row->family;
    switch (row->role) {
      case ROLE_PORT_SET:
        cases.push_back({id, 0, [=, this] { V(member, 1); tray1(9, 0); }, 1});
        break;
      case ROLE_LAND_SET:
        cases.push_back({id, 0, [=, this] { V(member, 1); tray1(9, 1); }, 1});
        break;
      case ROLE_IN_LIST:
      case ROLE_IN_EXTENDED_LIST:
        cases.push_back({id, 1, [=, this] { Paper(43); }, 0});  // A4 is in every list, a postcard in none
        break;
      case ROLE_PUNCHABLE:
        cases.push_back({id, 0, [=, this] { Paper(8); }, 1});  // A4 is never punchable, A3 always
        break;
      case ROLE_STAPLE_POSITION:
        cases.push_back({id, 0, [=, this] {
                           V(member, 1);
                           tray1(9, 0);
                           V(sid::rdmStapleType, family == FIN_1000 ? 33 : family == FIN_BF ? 68 : 49);
                         }, 1});
        break;
      case ROLE_PUNCH_POSITION:
        cases.push_back({id, 0, [=, this] {
                           V(member, 1);
                           Paper(8);
                           tray1(8, 0);
                           V(sid::rdmPunchType, 1);
                         }, 1});
        break;
    }
  }
  auto bf = [this, tray1](DWORD paper, DWORD orient) {
    V(sid::rdmOutputOptionTypeFinBF, 1);
    Paper(paper);
    tray1(paper, orient);
  };
  auto roll1 = [this](DWORD roll, DWORD paper) {
    V(sid::dmDefaultSource, RULE_ROLL_1);
    V(sid::rdmTray17Paper, roll);
    Paper(paper);
  };
  for (WORD id : {737, 738, 746, 753, 754, 770, 786, 793, 794, 802, 810, 818, 831, 834, 847, 848, 849, 850})
    cases.push_back({id, 0, [=, this] { V(id, 1); }, 0});
  cases.insert(cases.end(), {
      {726, 0, [this] { V(726, 1); }, 0},
      {727, 0, [this] { V(727, 1); }, 0},
      {743, 1, [=] { roll1(527, 9); }, 0},
      {744, 1, [=] { roll1(527, 9); }, 0},
      {745, 1, [=] { roll1(527, 9); }, 0},
      {747, 0, [this] { V(sid::rdmTray17Paper, 9); }, 1},
      {748, 0, [this] { V(sid::rdmTray18Paper, 9); }, 1},
      {749, 0, [this] { V(sid::rdmTray19Paper, 9); }, 1},
      {750, 0, [this] { V(sid::rdmTray20Paper, 9); }, 1},
      {751, 0, [this] { V(sid::rdmTray15Paper, 9); }, 1},
      {752, 0, [this] { V(sid::rdmTray16Paper, 9); }, 1},
      {766, 0, [this] { V(sid::rdmOutputOption3TypeFoldingFolder, 1); V(sid::rdmFoldingType, 8); }, 1},
      {767, 0, [=] { roll1(525, 9); }, 1},
      {768, 0, [=, this] { roll1(538, 267); V(sid::rdmFoldingType, 0); }, 1},
      {769, 0, [=, this] { roll1(538, 267); V(sid::rdmFoldingType, 8); }, 1},
      {782, 0, [this] { V(sid::rdmTray17Paper, 525); }, 1},
      {783, 0, [this] { V(sid::rdmTray18Paper, 525); }, 1},
      {784, 0, [this] { V(sid::rdmTray15Paper, 9); }, 1},
      {785, 0, [this] { V(sid::rdmTray16Paper, 9); }, 1},
      {787, 0, [=] { bf(8, 0); }, 1},
      {788, 0, [=] { bf(9, 1); }, 1},
      {789, 0, [=] { bf(9, 0); }, 1},
      {790, 0, [=] { bf(9, 0); }, 1},
      {791, 1, [=] { bf(13, 0); }, 0},
      {819, 0, [this] { V(sid::dmOrientation, 2); }, 1},
      {820, 0, [this] { Tray(sid::rdmTray2Paper, sid::rdmTrayOrient1, sid::rdmTrayLock1, 9); }, 1},
      {821, 0, [=] { tray1(9, 1); }, 1},
      {822, 0, [this] { V(sid::rdmTray2Paper, 9); }, 1},
      {823, 0, [this] { V(sid::rdmTray3Paper, 9); }, 1},
      {824, 0, [this] { V(sid::rdmTray4Paper, 9); }, 1},
      {825, 0, [this] { V(sid::rdmTray26PaperLCT1, 9); }, 1},
      {826, 0, [this] { V(sid::rdmSourceOptionTypeManual, 1); V(sid::rdmTray28PaperManual, 9); }, 1},
      {827, 0, [this] { V(sid::rdmOutputOption2TypeFinMF, 1); V(sid::rdmFuncSelectStaple, 1); V(sid::rdmStapleType, 33); }, 1},
      {828, 0, [this] { V(sid::rdmOutputOption2TypeFinMF, 1); V(sid::rdmFuncSelectStaple, 1); V(sid::rdmStapleType, 34); }, 1},
      {829, 0, [this] { V(sid::rdmTray4Paper, 9); }, 1},
      {830, 0, [this] { V(sid::rdmTray26PaperLCT1, 9); }, 1},
      {832, 0, [this] { V(sid::rdmTray6Paper, 9); }, 1},
      {833, 0, [this] { V(sid::rdmTray7Paper, 9); }, 1},
      {835, -1, [this] { V(sid::dmPrintQuality, 1200); V(sid::rdmDstResolutionW, 1200); V(sid::rdmLoadShare, 3); V(sid::rdmDstPaperWidthDot, 30709); }, 0},
      {836, 0, [=, this] { tray1(9, 0); V(sid::rdmCoverInputTray, 1); }, 1},
      {837, 0, [=, this] { tray1(9, 0); V(sid::rdmMPInputTray, 1); }, 1},
      {838, 0, [=, this] { tray1(9, 0); V(sid::rdmBackCoverInputTray, 1); }, 1},
      {839, 0, [=, this] { tray1(9, 0); V(sid::wdmChapterTray, 1); }, 1},
      {840, 0, [=, this] { tray1(9, 0); V(sid::rdmReverseCoverInputTray, 1); }, 1},
      // The job-settings module makes the fit paper A4: an A3 page is fitted.
      {841, 0, [this] {
         V(sid::rdmFrontFunc, 8);
         V(sid::rdmExtOutput2A4Fit, 1);
         V(sid::dmPaperSize, 8);
         V(sid::rdmOutPaperSize, 1024);
         V(sid::rdmPrnMethod, 0);
         V(sid::rdmFuncSelectScale, 0);
       }, 1},
      {842, 0, [this] { Paper(8); }, 0},
      {843, 0, [this] { Paper(9); }, 0},
      {844, 0, [this] { Paper(6); }, 0},
      {845, 0, [=, this] { Paper(8); tray1(8, 0); }, 0},
      {846, 0, [=, this] { Paper(8); tray1(8, 0); }, 0},
      {851, 0, [this] { V(sid::rdmPaperFreeSizeLength, 708662); }, 1},
      {852, 0, [this] { V(sid::rdmPrintFreeSizeLength, 708662); }, 1},
      {853, 0, [this] { V(sid::rdmPaperFreeSizeLength, 154772); }, 1},
      {854, 0, [this] { V(sid::rdmPrintFreeSizeLength, 154772); }, 1},
      {855, 0, [this] { V(sid::rdmPaperFreeSizeWidth, 154772); }, 1},
      {856, 0, [this] { V(sid::rdmPrintFreeSizeWidth, 154772); }, 1},
      {857, 0, [this] { V(sid::rdmPaperFreeSizeWidth, 154772); }, 1},
      {858, 0, [this] { V(sid::rdmPrintFreeSizeWidth, 154772); }, 1},
      {859, 0, [this] { V(sid::wdmFreeSizeLength, 708662); }, 1},
      {860, 0, [this] { V(sid::wdmFreeSizeLength, 154772); }, 1},
      {861, 0, [this] { V(sid::wdmFreeSizeWidth, 154772); }, 1},
      {862, 0, [this] { V(sid::wdmFreeSizeWidth, 154772); }, 1},
      {863, 0, [this] { V(sid::rdmLoadShare, 18); V(sid::dmPrintQuality, 600); V(sid::rdmDstPaperLengthDot, 40000); }, 1},
      {864, -1, [this] { V(sid::rdmLoadShare, 0); V(sid::dmPrintQuality, 600); V(sid::rdmDstPaperLengthDot, 100); V(sid::rdmDstPaperWidthDot, 100); }, 1},
      {865, 0, [this] { V(sid::rdmDstPaperLengthDot, 0xFFFFFFFFu); }, 0},
      {866, 0, [this] { V(sid::rdmDstPaperLengthDot, 0xFFFFFFFFu); }, 0},
      {867, 0, [this] { V(sid::rdmDstPaperLengthDot, 0xFFFFFFFFu); }, 0},
  });

  // The bare fixture every case starts from.
  const SETTING_STORE bare = *ctx_->store;
  std::set<WORD> seen;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.id);
    seen.insert(k.id);
    *ctx_->store = bare;
    if (k.base >= 0) {
      EXPECT_EQ(Flag(k.id), k.base) << "bare";
    }
    k.setup();
    EXPECT_EQ(Flag(k.id), k.expected);
  }
  for (WORD id = kFirstComputedFlag; id <= kLastComputedFlag; ++id) EXPECT_EQ(seen.count(id), 1u) << id;
}

// ---- the model's own rules ------------------------------------------------------------------------------

// The 4-up page orders are offered by the sheet's orientation (flag 819), which n-up turns.
TEST_F(Flags, ModelNupOrdersFollowTheSheetOrientation) {
  const WORD key = Key("QDV_IDC_EDIT_CHOICE_NUP_TYPE");
  const WORD portraitOrder = Val("IDS_NUP_4UP_RIGHTDOWN"), landscapeOrder = Val("IDS_NUP_4UP_RIGHTDOWN_LAND");
  struct Case {
    DWORD orientation, nup, nupType;
    int landscapeSheet;
  } cases[] = {{1, 0, 0, 0}, {2, 0, 0, 1}, {1, 1, 4, 1}, {2, 1, 4, 0}, {1, 1, 19, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.orientation << " " << k.nup << " " << k.nupType);
    V(sid::dmOrientation, k.orientation);
    V(sid::rdmFuncSelectNup, k.nup);
    V(sid::rdmNUPType, k.nupType);
    EXPECT_EQ(Flag(819), k.landscapeSheet);
    EXPECT_EQ(RuleIsExcludedByKey(ctx_, key, portraitOrder), k.landscapeSheet);
    EXPECT_EQ(RuleIsExcludedByKey(ctx_, key, landscapeOrder), 1 - k.landscapeSheet);
  }
}

TEST_F(Flags, ModelCustomLengthAlertFiresOnlyOverTheLimit) {
  IMG_REF node = ImgFindNode(ctx_, sid::rdmPaperFreeSizeLength);
  ASSERT_NE(node, 0u);
  const WORD alert = Key("QDV_FreeSizeIllegalMessage");
  V(sid::rdmPaperFreeSizeTray, 4);
  V(sid::rdmPaperFreeSizeLength, 94488);
  EXPECT_EQ(RuleGetAlert(ctx_, node), 0);
  V(sid::rdmPaperFreeSizeLength, 94489);
  EXPECT_EQ(RuleGetAlert(ctx_, node), alert);
  V(sid::rdmPaperFreeSizeTray, 1);
  EXPECT_EQ(RuleGetAlert(ctx_, node), 0);
}

TEST_F(Flags, ModelResolutionAlertFiresOnlyForAPageTooLarge) {
  IMG_REF node = ImgFindNode(ctx_, sid::rdmDstResolutionW);
  ASSERT_NE(node, 0u);
  const WORD alert = Key("QDV_AutoResolutionDownMessage");
  V(sid::rdmLoadShare, 18);
  V(sid::dmPrintQuality, 600);
  V(sid::rdmDstPaperLengthDot, 20000);
  V(sid::rdmDstPaperWidthDot, 14000);
  EXPECT_EQ(RuleGetAlert(ctx_, node), 0);
  V(sid::rdmDstPaperLengthDot, 40000);
  EXPECT_EQ(RuleGetAlert(ctx_, node), alert);
  V(sid::rdmLoadShare, 0);
  EXPECT_EQ(RuleGetAlert(ctx_, node), 0);
}

}  // namespace
