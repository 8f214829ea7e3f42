// Rule evaluation on a full context of the model printer: the evaluator on hand-built cell lists (its
// arithmetic, the operand cache, text operands, and a stack that can neither over- nor under-run), the
// automatic-action runner on hand-built rows, and every rule kind on the model's own rules.
#include <gtest/gtest.h>

#include <vector>

#include "driverdata/dfc_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/tests/img_test_support.h"
#include "settings/units.h"

namespace {

using dfc::RULE_CELL;
using Rules = imgtest::ModelContext;

constexpr uint16_t S = dfc::kCellSetting, C = dfc::kCellConstant, O = dfc::kCellOperator;
IMG_REF Ref(const void* p) { return IMG_REF(reinterpret_cast<uintptr_t>(p)); }

// A setting of the dictionary with the given type code and no value map (its option value is its
// stored value), outside the ids the evaluator answers by itself.
WORD FindPlainSetting(SETTING_CONTEXT* ctx, DWORD code) {
  for (int i = 0; i < ctx->dictionary->count; ++i) {
    const ITEM_DESC& r = ctx->dictionary->rows[i];
    WORD id = WORD(r.id);
    if (StgTypeCode(r.type) == code && (!r.ext || !r.ext->valueMap) && id && (id < 723 || id > 1451)) return id;
  }
  return 0;
}

TEST_F(Rules, OperatorsCompareUnsignedAndReadEveryOperand) {
  WORD big = FindPlainSetting(ctx_, STG_TYPE_U32);
  WORD other = FindPlainSetting(ctx_, STG_TYPE_U16);
  ASSERT_NE(big, 0);
  ASSERT_NE(other, 0);
  StgSetValue(ctx_, big, 0xFFFFFFFFu);
  StgSetValue(ctx_, other, 7);
  struct Case {
    const char* what;
    std::vector<RULE_CELL> cells;
    DWORD result;
    int reads;
  } cases[] = {
      {"4294967295 > 5 unsigned", {{S, big}, {C, 5}, {O, dfc::kOpGt}, {O, dfc::kOpEnd}}, 1, 1},
      {"4294967295 < 5 unsigned", {{S, big}, {C, 5}, {O, dfc::kOpLt}, {O, dfc::kOpEnd}}, 0, 1},
      {"0 && b still reads b", {{C, 0}, {S, other}, {O, dfc::kOpAnd}, {O, dfc::kOpEnd}}, 0, 1},
      {"a || 0", {{S, other}, {C, 0}, {O, dfc::kOpOr}, {O, dfc::kOpEnd}}, 1, 1},
      {"x x == reads x once", {{S, other}, {S, other}, {O, dfc::kOpEq}, {O, dfc::kOpEnd}}, 1, 1},
      {"x y x: x is read again after y", {{S, other}, {S, big}, {O, dfc::kOpNe}, {S, other}, {O, dfc::kOpAnd},
                                           {O, dfc::kOpEnd}}, 1, 3},
      {"! of 0", {{C, 0}, {O, dfc::kOpNot}, {O, dfc::kOpEnd}}, 1, 0},
      {"7 >= 7, 7 <= 6", {{S, other}, {C, 7}, {O, dfc::kOpGe}, {S, other}, {C, 6}, {O, dfc::kOpLe},
                           {O, dfc::kOpOr}, {O, dfc::kOpEnd}}, 1, 1},
      {"unknown cell kinds are skipped", {{9, 1}, {C, 3}, {O, dfc::kOpEnd}}, 3, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    int before = rule::test::OperandReads();
    EXPECT_EQ(RuleEvalExpression(Ref(k.cells.data()), ctx_), k.result);
    EXPECT_EQ(rule::test::OperandReads() - before, k.reads);
    EXPECT_EQ(ctx_->work->evalStackTop, 0);
  }
}

TEST_F(Rules, TextOperandGivesItsLength) {
  WORD text = FindPlainSetting(ctx_, STG_TYPE_WIDE);
  ASSERT_NE(text, 0);
  ITEM_DESC* row = StgFindItem(ctx_, text);
  std::vector<RULE_CELL> cells = {{S, text}, {O, dfc::kOpEnd}};
  StgSetString(ctx_, row, u"abc");
  EXPECT_EQ(RuleEvalExpression(Ref(cells.data()), ctx_), 3u);
  StgSetString(ctx_, row, u"");
  EXPECT_EQ(RuleEvalExpression(Ref(cells.data()), ctx_), 0u);
}

// Whatever a list holds, the evaluator stays inside its 256 cells and hands the stack back as found.
TEST_F(Rules, StackNeverOverOrUnderRuns) {
  std::vector<RULE_CELL> deep(300, RULE_CELL{C, 1});
  deep.push_back({O, dfc::kOpEnd});
  std::vector<RULE_CELL> tooMany = {{C, 1}, {C, 2}, {O, dfc::kOpEnd}};
  std::vector<RULE_CELL> tooFew = {{C, 1}, {O, dfc::kOpEq}, {O, dfc::kOpEnd}};
  std::vector<RULE_CELL> nothing = {{O, dfc::kOpEnd}};
  std::vector<RULE_CELL> notOnEmpty = {{O, dfc::kOpNot}, {O, dfc::kOpNot}, {O, dfc::kOpEnd}};
  std::vector<RULE_CELL> noSetting = {{C, 1}, {S, 60000}, {O, dfc::kOpEq}, {O, dfc::kOpEnd}};
  std::vector<RULE_CELL> good = {{C, 4}, {C, 4}, {O, dfc::kOpEq}, {O, dfc::kOpEnd}};
  // An outer evaluation's cells below the top are not touched.
  for (WORD outer : {WORD(0), WORD(2), WORD(255)}) {
    SCOPED_TRACE(outer);
    ctx_->work->evalStackTop = outer;
    for (auto* cells : {&deep, &tooMany, &tooFew, &nothing, &notOnEmpty, &noSetting}) {
      EXPECT_EQ(RuleEvalExpression(Ref(cells->data()), ctx_), 0u);
      EXPECT_EQ(ctx_->work->evalStackTop, outer);
    }
    EXPECT_EQ(RuleEvalExpression(Ref(good.data()), ctx_), outer <= 254 ? 1u : 0u);
  }
  ctx_->work->evalStackTop = 0;
  // Without a stack every evaluation is 0.
  RuleFreeStack(ctx_);
  EXPECT_EQ(RuleEvalExpression(Ref(good.data()), ctx_), 0u);
  LONG v;
  EXPECT_EQ(RulePush(ctx_, 1), 0);
  EXPECT_EQ(RulePop(ctx_, &v), 0);
  EXPECT_EQ(RuleAllocStack(ctx_), 0);
  EXPECT_EQ(RuleEvalExpression(Ref(good.data()), ctx_), 1u);
}

// Hand-built Transact rows: records of the relocated form, linked by address.
struct TransactRows {
  dfc::TRANSACT_ENTRY rows[3]{};
  dfc::ACTION_ENTRY actions[4]{};
};

TEST_F(Rules, TransactSkipsARepeatedFalseConditionAndStopsAtADialog) {
  WORD x = FindPlainSetting(ctx_, STG_TYPE_U16);
  WORD y = FindPlainSetting(ctx_, STG_TYPE_U32);
  std::vector<RULE_CELL> cond = {{S, x}, {C, 1}, {O, dfc::kOpEq}, {O, dfc::kOpEnd}};
  TransactRows t;
  // Row 0 (x == 1): y := 5. Row 1 (x == 1, the same list): y := 6. Row 2: y := 7.
  for (int i = 0; i < 3; ++i) {
    t.rows[i].judge = i < 2 ? Ref(cond.data()) : 0;
    t.rows[i].action = Ref(&t.actions[i]);
    t.rows[i].next = i < 2 ? Ref(&t.rows[i + 1]) : 0;
    t.actions[i].targetId = y;
    t.actions[i].value = DWORD(5 + i);
  }
  StgSetValue(ctx_, x, 0);
  int before = rule::test::OperandReads();
  EXPECT_EQ(RuleRunTransact(ctx_, Ref(&t.rows[0])), 0u);
  EXPECT_EQ(rule::test::OperandReads() - before, 1) << "the repeated false condition is not evaluated again";
  EXPECT_EQ(StgGetValue(ctx_, y, nullptr), 7u);

  StgSetValue(ctx_, x, 1);
  before = rule::test::OperandReads();
  EXPECT_EQ(RuleRunTransact(ctx_, Ref(&t.rows[0])), 0u);
  EXPECT_EQ(rule::test::OperandReads() - before, 2) << "after a true result the condition is evaluated again";

  // Row 0's second action opens dialog 1017: the first action is applied, nothing after it runs.
  t.actions[0].next = Ref(&t.actions[3]);
  t.actions[3].targetKind = 1;
  t.actions[3].targetId = 1017;
  StgSetValue(ctx_, y, 0);
  EXPECT_EQ(RuleRunTransact(ctx_, Ref(&t.rows[0])), 1017u);
  EXPECT_EQ(StgGetValue(ctx_, y, nullptr), 5u);
}

// ---- the model's own rules ------------------------------------------------------------------------------

TEST_F(Rules, ModelExclusionsAndSecondConditions) {
  const WORD paperKey = Key("QDV_IDC_PRESET_CHOICE_PAPERSIZE");
  IMG_REF paperNode = ImgFindNode(ctx_, Id("QDV_IDC_PRESET_CHOICE_PAPERSIZE"));
  IMG_REF paperRow = RuleFindRuleRow(ctx_, paperKey);
  ASSERT_NE(paperRow, 0u);
  EXPECT_EQ(ImgNodeRule(paperNode), paperRow);
  const WORD a0 = Val("IDS_PAPERSIZE_A0"), a4 = Val("IDS_PAPERSIZE_A4"), a3 = Val("IDS_PAPERSIZE_A3");
  struct Case {
    const char* source;
    int a0Excluded, a4Second;
  } cases[] = {
      {"IDS_SOURCE_MANUAL", 1, 0}, {"IDS_SOURCE_CUTSHEET", 1, 0}, {"IDS_SOURCE_ROLL1", 0, 1}, {"IDS_SOURCE_AUTO", 0, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.source);
    Set("QDV_IDC_PRESET_CHOICE_SOURCETRAY", k.source);
    EXPECT_EQ(RuleIsExcludedByKey(ctx_, paperKey, a0), k.a0Excluded);
    EXPECT_EQ(RuleIsOptionExcluded(ctx_, paperNode, a0), k.a0Excluded);
    EXPECT_EQ(RuleTestOptionCondition(ctx_, 8, a0), k.a0Excluded);
    // The settings model's test of the current value reaches the same rule.
    Set("QDV_IDC_PRESET_CHOICE_PAPERSIZE", a0);
    EXPECT_EQ(StgIsSettingExcluded(ctx_, Id("QDV_IDC_PRESET_CHOICE_PAPERSIZE")), k.a0Excluded);
    Set("QDV_IDC_PRESET_CHOICE_PAPERSIZE", a4);
    EXPECT_EQ(StgIsSettingExcluded(ctx_, Id("QDV_IDC_PRESET_CHOICE_PAPERSIZE")), 0);
    EXPECT_EQ(RuleEvalSecondByKey(ctx_, paperKey, a4), k.a4Second);
    EXPECT_EQ(RuleEvalSecondCondition(ctx_, paperNode, a4), k.a4Second);
    // A3 has no Item row: never excluded, yet its first condition counts as 1.
    EXPECT_EQ(RuleIsRowExcluded(ctx_, paperRow, a3), 0);
    EXPECT_EQ(RuleEvalFirstOr1(ctx_, paperRow, a3), 1);
    EXPECT_EQ(RuleEvalSecond(ctx_, paperRow, a3), 0);
  }
  // The feature's own first condition: folding pattern excluded without a folding unit.
  const WORD foldKey = Key("QDV_RADIOLIST_34");
  Set("QDV_OptionFoldingFolder", 0u);
  Set("QDV_OptionFoldingFan", 0u);
  EXPECT_EQ(RuleIsExcludedByKey(ctx_, foldKey, 0), 1);
  Set("QDV_OptionFoldingFan", 1u);
  EXPECT_EQ(RuleIsExcludedByKey(ctx_, foldKey, 0), 0);
  // Keys without a row.
  EXPECT_EQ(RuleIsExcludedByKey(ctx_, 65000, 0), -1);
  EXPECT_EQ(RuleEvalSecondByKey(ctx_, 65000, 0), -1);
  EXPECT_EQ(RuleRunTransactByKey(ctx_, 65000, 0), 0u);
  EXPECT_EQ(RuleIsOptionExcluded(ctx_, 0, a0), 0);
  EXPECT_EQ(RuleEvalFirstOr1(ctx_, 0, a0), 1);
}

TEST_F(Rules, ModelAlertsAndAutomaticActions) {
  const WORD printType = Id("QDV_IDC_PRESET_CHOICE_PRINTTYPE");
  IMG_REF jobNode = ImgFindNode(ctx_, printType);
  ASSERT_NE(jobNode, 0u);
  // Alert: a stored job on a custom paper.
  Set("QDV_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRNMETHOD_STORE");
  Set("QDV_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPERSIZE_A4");
  EXPECT_EQ(RuleGetAlert(ctx_, jobNode), 0);
  Set("QDV_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPERSIZE_CUSTOM");
  EXPECT_EQ(RuleGetAlert(ctx_, jobNode), Key("QDV_StoredFreeSizeMessage"));
  EXPECT_EQ(RuleGetAlert(ctx_, 0), 0);

  // A stored job needs the hard disk: without one the automatic action goes back to normal printing.
  Set("QDV_OptionHDD", 1u);
  EXPECT_EQ(RuleRunNodeTransact(ctx_, jobNode), 0u);
  EXPECT_EQ(Get("QDV_IDC_PRESET_CHOICE_PRINTTYPE"), Val("IDS_PRNMETHOD_STORE"));
  Set("QDV_OptionHDD", 0u);
  EXPECT_EQ(RuleRunSettingTransact(ctx_, printType), 0u);
  EXPECT_EQ(Get("QDV_IDC_PRESET_CHOICE_PRINTTYPE"), Val("IDS_PRNMETHOD_NORMAL"));

  // A custom paper opens the custom-size dialog.
  const DIALOG_DESC* freeSize = StgFindDialogByName(ctx_, "QDV_IDD_DIALOG_FREESIZE");
  ASSERT_NE(freeSize, nullptr);
  EXPECT_EQ(RuleRunSettingTransact(ctx_, 8), freeSize->id);
  Set("QDV_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPERSIZE_A4");
  EXPECT_EQ(RuleRunSettingTransact(ctx_, 8), 0u);

  // The conversion row, run by its key, gives the folding settings their defaults.
  Set("QDV_RADIOLIST_34", "IDS_FOLDING_LONGFAN");
  EXPECT_EQ(RuleRunTransactByKey(ctx_, Key("QDV_ConvertDevmode"), 0), 0u);
  EXPECT_EQ(Get("QDV_RADIOLIST_34"), ImgGetDefaultValue(ctx_, Id("QDV_RADIOLIST_34")));

  EXPECT_EQ(RuleRunAllTransacts(ctx_), ctx_->dictionary->count);
  EXPECT_EQ(ctx_->work->evalStackTop, 0);
}

TEST_F(Rules, CoreHook1420) {
  EXPECT_EQ(RuleGetCoreHook(ctx_, 1420), 0u);
  StgSetValue(ctx_, 348, 0x100);
  StgSetValue(ctx_, 243, 0);
  StgSetValue(ctx_, 601, 1);
  StgSetValue(ctx_, 705, 1);
  EXPECT_EQ(RuleGetCoreHook(ctx_, 1420), 1u);
  EXPECT_EQ(RuleGetCoreHook(ctx_, 1421), 0u);
  StgSetValue(ctx_, QDV_rdmJobBinder, 1);
  EXPECT_EQ(RuleGetCoreHook(ctx_, 1420), 0u);
}

}  // namespace
