// Rule language: expression compilation and its check, aliases, references and the list statements.
#include <gtest/gtest.h>

#include "dfc_test_support.h"

using namespace dfc;
using dfctest::Compiled;

namespace {

// Cells as text: S<id> setting, <n> constant, operators by symbol, "end", "grp".
std::string CellsText(const RULE_CELL* c, uint32_t n) {
  static const char* kOps[] = {"?", "==", "!=", "&&", "||", "!", ">", "<", ">=", "<=", "end"};
  std::string s;
  for (uint32_t i = 0; i < n; ++i) {
    if (!s.empty()) s += ' ';
    if (c[i].kind == kCellSetting)
      s += "S" + std::to_string(c[i].value);
    else if (c[i].kind == kCellConstant)
      s += std::to_string(c[i].value);
    else if (c[i].kind == kCellOperator)
      s += c[i].value <= 10 ? kOps[c[i].value] : "?";
    else
      s += "grp";
  }
  return s;
}

struct Compiled1 {
  bool compiled = false;
  std::string cells;
  int check = 0;
};

Compiled1 CompileText(COMPILE_RECORD& rec, const std::string& text) {
  TOKEN_BUFFER t;
  EXPECT_TRUE(t.Init());
  for (char ch : text) t.Append(ch);
  Compiled1 out;
  RULE_CELL* cells = nullptr;
  uint32_t n = 0;
  out.compiled = DfcCompileExpression(rec, t, &cells, &n);
  if (out.compiled) {
    out.cells = CellsText(cells, n);
    out.check = DfcCheckExpression(cells, n);
  }
  t.Free();
  return out;
}

TEST(DfcRules, ComparisonsBindTighterThanLogicalOperators) {
  Compiled c("*Judge 7=Big: X > 5\n");
  c->aliases[kJudge].emplace("Big", 7);  // alias lists live only while a file is parsed
  struct Case {
    const char* text;
    const char* cells;
    int check;
  } cases[] = {
      // Comparisons bind tighter than && and ||; operators of one binding group from the left.
      {"X == 1 && Y == 2", "S100 1 == S101 2 == && end", 1},
      {"X == 1 || Y != 2 && Z > 3", "S100 1 == S101 2 != || S102 3 > && end", 1},
      {"X && Y == 1", "S100 S101 1 == && end", 1},
      {"X < 1 == Y", "S100 1 < S101 == end", 1},
      {"(X || Y) == 1", "S100 S101 || 1 == end", 1},
      {"X == (Y && Z) || 1 != Y", "S100 S101 S102 && == 1 S101 != || end", 1},
      {"(X == 1) && (Y == 2)", "S100 1 == S101 2 == && end", 1},
      {"((X == 1) && (Y == 2))", "S100 1 == S101 2 == && end", 1},
      {"X && Y || Z", "S100 S101 && S102 || end", 1},
      {"X || Y && Z", "S100 S101 || S102 && end", 1},
      {"X || (Y && Z)", "S100 S101 S102 && || end", 1},
      {"X == IDS_T_RES600", "S100 86 == end", 1},
      {"Big && Y", "S100 5 > S101 && end", 1},  // a Judge alias is inlined
      {"X >= 70000", "S100 4464 >= end", 1},   // constants keep 16 bits
      {"! X", "S100 ! end", 0},
      {"X ! Y", "S100 S101 ! end", 0},  // two operands would pass; "!" is refused
      {"X == -1", "S100 == end", 0},    // a minus ends the expression; == has one operand
      {"X == 1)", "S100 1 == grp", 0},
      {"(X == 1", "S100 1 == end", 1},
      {"X Y", "S100 S101 end", 0},
      {"X =~ 1", "S100 end", 1},        // "=" is no operator and "~" ends the expression
      {"", "end", 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    Compiled1 r = CompileText(*c.rec, k.text);
    ASSERT_TRUE(r.compiled);
    EXPECT_EQ(r.cells, k.cells);
    EXPECT_EQ(r.check, k.check);
  }
  EXPECT_FALSE(CompileText(*c.rec, "X == UNKNOWN").compiled);
  EXPECT_FALSE(CompileText(*c.rec, "Later == 1").compiled);
}

TEST(DfcRules, OperandDepthLimit) {
  Compiled c("");
  auto nested = [](int operands) {
    std::string s;
    for (int i = 1; i < operands; ++i) s += "X && (";
    s += "X";
    for (int i = 1; i < operands; ++i) s += ")";
    return s;
  };
  EXPECT_EQ(CompileText(*c.rec, nested(127)).check, 1);
  EXPECT_EQ(CompileText(*c.rec, nested(128)).check, 0);
  std::string flat = "X";
  for (int i = 0; i < 1000; ++i) flat += " && X";
  EXPECT_EQ(CompileText(*c.rec, flat).check, 1);
  // Deep parentheses neither exhaust the stack nor grow without bound.
  std::string deep(200000, '(');
  EXPECT_FALSE(CompileText(*c.rec, deep + "X").compiled);
}

TEST(DfcRules, JudgeStatementsAliasesAndInliningBudget) {
  Compiled c(
      "*Judge 1=Small: X < 3\n"
      "*Judge 0=Zero: X == 1\n"          // number 0: not taken, alias still registered
      "*Judge 2: Small && Missing\n"      // unresolved name: not taken
      "*Judge 3=Neg: ! X\n"               // fails the check
      "*Judge 4=Both: Small || Neg\n"     // Neg names no taken Judge
      "*Judge 5=Twice: Small || Small\n");
  std::vector<int32_t> numbers;
  for (JUDGE_DEF* j = c->judges.head; j; j = j->next) numbers.push_back(j->number);
  EXPECT_EQ(numbers, (std::vector<int32_t>{1, 5}));
  EXPECT_EQ(CellsText(c->judges.tail->cells, uint32_t(c->judges.tail->byteLength / 4)),
            "S100 3 < S100 3 < || end");

  // Doubling a Judge through aliases stops at the cell limit instead of exhausting memory.
  std::string bomb = "*Judge 1=J1: X == 1\n";
  for (int i = 2; i < 40; ++i)
    bomb += "*Judge " + std::to_string(i) + "=J" + std::to_string(i) + ": J" + std::to_string(i - 1) + " && J" +
            std::to_string(i - 1) + "\n";
  Compiled b(bomb);
  uint64_t cells = 0;
  for (JUDGE_DEF* j = b->judges.head; j; j = j->next) cells += uint64_t(j->byteLength / 4);
  EXPECT_LE(cells, kMaxJudgeCellsTotal);
  EXPECT_LT(b->judges.tail->number, 39);
}

TEST(DfcRules, References) {
  Compiled c(
      "*Transact 4=Go: { NULL Action1 }\n"
      "*Alert 6=Warn: { NULL NULL MB_OK MB_OK AlertAtOnce NULL }\n");
  c->aliases[kTransact].emplace("Go", 4);
  c->aliases[kAlert].emplace("Warn", 6);
  struct Case {
    const char* word;
    int kind;
    int32_t want;
  } cases[] = {
      {"Judge12", kJudge, 12},       {"Judge12", kItem, 0},         {"Alert12", kTransact, 0},
      {"AlertAction3", kAlertAction, 3}, {"AlertAction3", kAlert, 0}, {"Alert3", kAlert, 3},
      {"NULL", kJudge, 0},           {"Go", kTransact, 4},          {"Go", kAction, 0},
      {"Warn", kAlert, 6},           {"Unknown", kAlert, 0},        {"Transact7x", kTransact, 7},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.word);
    EXPECT_EQ(DfcResolveReference(*c.rec, k.word, k.kind), k.want);
  }
}

TEST(DfcRules, ListStatementsAndTheirFields) {
  Compiled c(
      "*OpenUI *QDV_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot\n"
      "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO:\n"
      "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL:\n"
      "*DefaultQDV_IDC_PRESET_CHOICE_SOURCETRAY: IDS_SOURCE_MANUAL\n"
      "*CloseUI\n"
      "*Judge 1=IsManual: QDV_IDC_PRESET_CHOICE_SOURCETRAY == IDS_SOURCE_MANUAL\n"
      "*Item 1=Excl: { IDS_PAPERSIZE_A0 IsManual NULL Later\n  UNKNOWN Judge9 Judge1 }\n"
      "*Action 2: { QDV_IDC_PRESET_CHOICE_SOURCETRAY Default QDV_IDD_PRESET 7 QDV_RADIOLIST_1 IDS_T_PORTRAIT\n"
      "             QDV_IDC_PRESET_EDIT_COPIES Default NOTHING 12x }\n"
      "*Transact 3: { IsManual Action2 NULL Excl }\n"
      "*AlertAction 4: { IDOKBUTTON Transact3 QDV_IDD_FREESIZE QDV_IDC_PRESET_CHOICE_PAPERSIZE IDCANCELBUTTON NULL "
      "NULL NULL }\n"
      "*Alert 5: { IsManual QDV_PrintSizeIllegalMessage MB_ICONEXCLAMATION MB_OKCANCEL AlertDialog AlertAction4\n"
      "            NULL NOMSG MB_NOPE MB_YESNO Never NULL }\n"
      "*Item 6: { IDS_T_PORTRAIT IsManual \"%{\" }\n"   // a quoted brace leaves the list open: not taken
      "*Exclusive: { QDV_IDC_PRESET_CHOICE_PAPERSIZE IsManual NULL Excl Alert5 Transact3 NULL Judge1 }\n"
      "*Exclusive: { QDV_ConditionOption NULL NULL Item1 NULL NULL NULL NULL QDV_ConvertDevmode \"%{\" }\n");
  auto entries = [](const RULE_STATEMENT* st) {
    std::vector<const RULE_ENTRY*> v;
    for (const RULE_ENTRY* e = st->first; e; e = e->next) v.push_back(e);
    return v;
  };
  const RULE_STATEMENT* item = c->statements[kItem].head;
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->next, nullptr);
  auto ie = entries(item);
  ASSERT_EQ(ie.size(), 2u);
  EXPECT_EQ(ie[0]->u16[0], 13239);
  EXPECT_EQ((std::vector<int32_t>{ie[0]->ref[0], ie[0]->ref[1], ie[0]->ref[2]}), (std::vector<int32_t>{1, 0, 0}));
  EXPECT_EQ(ie[1]->u16[0], 0);
  EXPECT_EQ((std::vector<int32_t>{ie[1]->ref[0], ie[1]->ref[1], ie[1]->ref[2]}), (std::vector<int32_t>{9, 1, 0}));

  auto ae = entries(c->statements[kAction].head);
  ASSERT_EQ(ae.size(), 5u);
  EXPECT_EQ((std::vector<uint32_t>{ae[0]->u16[0], ae[0]->u16[1], ae[0]->value}), (std::vector<uint32_t>{13, 0, 4}));
  EXPECT_EQ((std::vector<uint32_t>{ae[1]->u16[0], ae[1]->u16[1], ae[1]->value}), (std::vector<uint32_t>{1001, 1, 7}));
  EXPECT_EQ(ae[2]->value, 2026u);
  EXPECT_EQ(ae[3]->value, 0u);  // Default of a setting whose OpenUI is not there
  EXPECT_EQ(ae[3]->u16[0], 12);
  EXPECT_EQ((std::vector<uint32_t>{ae[4]->u16[0], ae[4]->value}), (std::vector<uint32_t>{0, 0}));

  auto te = entries(c->statements[kTransact].head);
  ASSERT_EQ(te.size(), 2u);
  EXPECT_EQ(te[0]->ref[0], 1);
  EXPECT_EQ(te[0]->ref[1], 2);
  EXPECT_EQ(te[1]->ref[1], 0);  // an Item alias in an Action field

  auto aa = entries(c->statements[kAlertAction].head);
  ASSERT_EQ(aa.size(), 2u);
  EXPECT_EQ((std::vector<int>{aa[0]->u16[0], aa[0]->ref[0], aa[0]->u16[1], aa[0]->u16[2]}),
            (std::vector<int>{1, 3, 1017, 3005}));
  EXPECT_EQ(aa[1]->u16[0], 2);

  auto al = entries(c->statements[kAlert].head);
  ASSERT_EQ(al.size(), 2u);
  EXPECT_EQ((std::vector<int>{al[0]->ref[0], al[0]->u16[0], al[0]->u16[1], al[0]->u16[2], al[0]->u16[3], al[0]->ref[1]}),
            (std::vector<int>{1, 416, 48, 1, 3, 4}));
  EXPECT_EQ((std::vector<int>{al[1]->u16[0], al[1]->u16[1], al[1]->u16[2], al[1]->u16[3]}),
            (std::vector<int>{0, 0xFFFF, 4, 0xFFFF}));

  // Rows of both Exclusive statements, the unclosed one included, in file order.
  std::vector<uint16_t> keys;
  for (CR_RULE_ROW* r = c->exclusive.head; r; r = r->next) keys.push_back(r->key);
  EXPECT_EQ(keys, (std::vector<uint16_t>{543, 30, 29}));
  const CR_RULE_ROW* r0 = c->exclusive.head;
  EXPECT_EQ((std::vector<int32_t>{r0->judgeA, r0->judgeB, r0->items, r0->alerts, r0->transactA, r0->transactB,
                                  r0->judgeC}),
            (std::vector<int32_t>{1, 0, 1, 5, 3, 0, 1}));
}

}  // namespace

namespace {

TEST(DfcRules, DefaultResolverUsesTheSettingsTables) {
  const std::string text =
      "*OpenUI *QDV_IDC_PRESET_CHOICE_PAPERSIZE: PickPage\n"
      "*QDV_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4:\n"
      "*CloseUI\n"
      "*Judge 1: QDV_IDC_PRESET_CHOICE_PAPERSIZE == IDS_PAPERSIZE_A4\n"
      "*Action 1: { QDV_IDD_PRESET 0 QDV_IDC_PRESET_CHOICE_PAPERSIZE Default }\n"
      "*AlertAction 1: { IDOKBUTTON NULL QDV_IDD_PRESET QDV_IDC_PRESET_CHOICE_PAPERSIZE }\n"
      "*Alert 1: { Judge1 QDV_PrintSizeIllegalMessage MB_OK MB_OK AlertAtOnce NULL }\n";
  COMPILE_RECORD* rec = DfcParseDataBytes(text.data(), text.size());
  ASSERT_NE(rec, nullptr);
  ASSERT_NE(rec->features.head, nullptr);
  EXPECT_EQ(rec->features.head->settingId, 8);
  EXPECT_EQ(rec->features.head->key, 543);
  EXPECT_EQ(rec->features.head->options->value, 41);
  ASSERT_NE(rec->judges.head, nullptr);
  const RULE_ENTRY* a = rec->statements[kAction].head->first;
  EXPECT_EQ((std::vector<uint32_t>{a->u16[0], a->u16[1], a->next->u16[0], a->next->value}),
            (std::vector<uint32_t>{1001, 1, 8, 41}));
  const RULE_ENTRY* aa = rec->statements[kAlertAction].head->first;
  EXPECT_EQ((std::vector<int>{aa->u16[0], aa->u16[1], aa->u16[2]}), (std::vector<int>{1, 1001, 2017}));
  EXPECT_EQ(rec->statements[kAlert].head->first->u16[0], 416);
  DfcFreeCompileRecord(rec);
}

}  // namespace
