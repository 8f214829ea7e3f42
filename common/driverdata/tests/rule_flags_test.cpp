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
