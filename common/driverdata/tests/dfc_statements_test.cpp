// Statement compiler: nodes, options, defaults, values, papers, slots, commands, fonts.
#include <gtest/gtest.h>

#include "dfc_test_support.h"

using namespace dfc;
using dfctest::Compiled;

namespace {

const char* kPaper = "*OpenUI *QDV_IDC_PRESET_CHOICE_PAPERSIZE: PickPage\n";

TEST(DfcStatements, OptionListDuplicatesAndIdListForms) {
  Compiled c(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"P1\"\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"P2\"\n"
      "*QDV_RADIOLIST_1 IDS_T_LANDSCAPE:\n"
      "*QDV_RADIOLIST_1 UNKNOWN_NAME: \"u\"\n"
      "*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot\n"
      "*QDV_IDC_PRESET_CHOICE_SOURCETRAY: IDList { IDS_SOURCE_AUTO {IDS_SOURCE_ROLL1 \"R\"} {IDS_SOURCE_AUTO \"dup\"}\n"
      "   IDS_SOURCE_MANUAL }\n"
      "*CloseUI\n");
  auto nodes = c.Nodes();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(c.OptionValues(nodes[0]), (std::vector<uint16_t>{2026, 2027}));
  EXPECT_STREQ(nodes[0]->options->command, "P1");
  EXPECT_EQ(nodes[0]->options->next->command, nullptr);
  EXPECT_EQ(c.OptionValues(nodes[1]), (std::vector<uint16_t>{1, 13260, 4}));
  EXPECT_EQ(nodes[1]->options->command, nullptr);
  EXPECT_STREQ(nodes[1]->options->next->command, "R");
}

TEST(DfcStatements, BooleanCommandsAndDefault) {
  Compiled c(
      "*OpenUI *QDV_IDC_EDIT_CHOICE_DUPLEX: Boolean\n"
      "*DefaultQDV_IDC_EDIT_CHOICE_DUPLEX: True\n"
      "*QDV_IDC_EDIT_CHOICE_DUPLEX True: \"on\"\n"
      "*QDV_IDC_EDIT_CHOICE_DUPLEX Off: \"off1\"\n"
      "*QDV_IDC_EDIT_CHOICE_DUPLEX False: \"off2\"\n"
      "*CloseUI\n");
  CR_NODE* n = c.Nodes().at(0);
  ASSERT_NE(n->boolean, nullptr);
  EXPECT_EQ(n->boolean->defaultValue, 1);
  EXPECT_STREQ(n->boolean->trueCommand, "on");
  EXPECT_STREQ(n->boolean->falseCommand, "off2");
  EXPECT_EQ(n->options, nullptr);
}

TEST(DfcStatements, DefaultBeforeAfterAndMissing) {
  struct Case {
    const char* defaultLine;
    bool before;
    int32_t index;
  } cases[] = {
      {"*DefaultQDV_RADIOLIST_1: IDS_T_LANDSCAPE trailing\n", true, 1},
      {"*DefaultQDV_RADIOLIST_1: IDS_T_LANDSCAPE\n", false, 1},
      {"*DefaultQDV_RADIOLIST_1: IDS_PAPERSIZE_A4\n", false, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.defaultLine);
    std::string opts = "*QDV_RADIOLIST_1 IDS_T_PORTRAIT:\n*QDV_RADIOLIST_1 IDS_T_LANDSCAPE:\n";
    Compiled c(std::string("*OpenUI *QDV_RADIOLIST_1: PickOne\n") + (k.before ? k.defaultLine + opts : opts + k.defaultLine) +
               "*CloseUI\n");
    EXPECT_EQ(c.Nodes().at(0)->defaultIndex, k.index);
  }
}

TEST(DfcStatements, VariantAndIdentityNodes) {
  Compiled c(
      "*OpenUI *QDV_IDC_PRESET_CHOICE_SOURCETRAY 3: PickSlot\n"  // no node yet: an ordinary node, variant 0
      "*CloseUI\n"
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT:\n"
      "*QDV_RADIOLIST_1 IDS_T_LANDSCAPE:\n"
      "*DefaultQDV_RADIOLIST_1: IDS_T_LANDSCAPE\n"
      "*CloseUI\n"
      "*OpenUI *QDV_RADIOLIST_1 2: Numeric\n"  // a variant copies the first node, type included
      "*OptionCommand: { \"V1\" \"V2\" }\n"
      "*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_CHOICE_PAPERSIZE2: Identity *QDV_RADIOLIST_1\n"
      "*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_CHOICE_PAPERSIZE: Identity *QDV_IDC_PRESET_EDIT_COPIES\n"
      "*CloseUI\n"
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"  // a second plain node of the same setting
      "*CloseUI\n");
  auto n = c.Nodes();
  ASSERT_EQ(n.size(), 6u);
  EXPECT_EQ(n[0]->variant, 0);
  EXPECT_EQ(n[0]->type, kTypePickSlot);
  EXPECT_EQ(n[2]->variant, 2);
  EXPECT_EQ(n[2]->type, kTypePickOne);
  EXPECT_EQ(n[2]->options, n[1]->options);
  EXPECT_EQ(n[2]->defaultIndex, 1);  // the copied index is kept at CloseUI
  ASSERT_NE(n[2]->commands, nullptr);
  EXPECT_STREQ(n[2]->commands->second, "V2");
  EXPECT_EQ(n[1]->commands, nullptr);
  EXPECT_EQ(n[3]->type, kTypeIdentity | kTypePickOne);
  EXPECT_EQ(n[3]->variant, 549);
  EXPECT_EQ(n[3]->options, n[1]->options);
  EXPECT_EQ(n[3]->defaultIndex, 1);
  EXPECT_EQ(n[4]->type, kTypeIdentity);  // target without a node: own type bits, no option data
  EXPECT_EQ(n[4]->options, nullptr);
  EXPECT_EQ(c->slots[SlotIndex(7)], n[5]);  // while compiling, the later node takes the slot
}

TEST(DfcStatements, TypeWords) {
  struct Case {
    const char* type;
    uint16_t value;
  } cases[] = {{"PickOne|TypeUnknown", 0x2001}, {"PickOne | TypeUnknown", 0x2001}, {"Fancy", 1},
               {"FontTbl", 0x401},              {"String trailing", 0x10},         {"Boolean|Nope", 5}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.type);
    Compiled c(std::string("*OpenUI *QDV_RADIOLIST_1: ") + k.type + "\n*CloseUI\n");
    EXPECT_EQ(c.Nodes().at(0)->type, k.value);
  }
}

TEST(DfcStatements, OpenUIIsRefusedWhileAFeatureIsOpen) {
  Compiled c(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: Numeric\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT:\n"
      "*CloseUI\n"
      "*OpenUI QDV_RADIOLIST_1: PickOne\n"  // no '*'
      "*OpenUI *NO_SUCH_SYMBOL: PickOne\n");
  ASSERT_EQ(c.Nodes().size(), 1u);
  EXPECT_EQ(c.OptionValues(c.Nodes()[0]), (std::vector<uint16_t>{2026}));
}

TEST(DfcStatements, NumericAndStringValues) {
  struct Case {
    const char* stmt;
    std::vector<int> want;  // lead, n1, default, min, max, n5..n8
  } cases[] = {
      {"*NumericValue: 1 \"2 3 4 999 5 6 7 8\"\n", {1, 2, 3, 4, 999, 5, 6, 7, 8}},
      {"*NumericValue: 9 \"1 50\"\n", {9, 1, 50, 0, 0, 0, 0, 0, 0}},
      {"*NumericValue: \"1 2 3\n 4\"\n", {0, 1, 2, 3, 4, 0, 0, 0, 0}},
      {"*NumericValue: 12abc 1 2\n", {12, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"*NumericValue: 3 \"-5 -6\"\n", {3, -5, -6, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.stmt);
    Compiled c(std::string("*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: Numeric\n") + k.stmt + "*CloseUI\n");
    const CR_NUMERIC* n = c.Nodes().at(0)->numeric;
    ASSERT_NE(n, nullptr);
    std::vector<int> got = {n->lead, n->number1, n->defaultValue, n->minimum, n->maximum,
                            n->number5, n->number6, n->number7, n->number8};
    EXPECT_EQ(got, k.want);
  }
  struct SCase {
    const char* stmt;
    int maxLength, kind, flags;
  } scases[] = {
      {"*StringValue: 8 Numeric\n", 8, 4, 0},
      {"*StringValue: 8 ASCII | Password\n", 8, 2, 0x100},
      {"*StringValue: 8 ASCII| Password\n", 8, 2, 0},
      {"*StringValue: 16 Whatever | ShowSmall\n", 16, 1, 0x400},
      {"*StringValue: 32\n", 32, 0, 0},
  };
  for (const SCase& k : scases) {
    SCOPED_TRACE(k.stmt);
    Compiled c(std::string("*OpenUI *QDV_IDC_USERCODE_EDIT_USERCODE: String\n*DefaultQDV_IDC_USERCODE_EDIT_USERCODE: "
                           "IDS_T_RES600\n") +
               k.stmt + "*CloseUI\n");
    const CR_STRING* s = c.Nodes().at(0)->string;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->defaultValue, 86);
    EXPECT_EQ(s->maxLength, k.maxLength);
    EXPECT_EQ(s->kind, k.kind);
    EXPECT_EQ(s->flags, k.flags);
  }
}

TEST(DfcStatements, StatementsOfAnotherKindLeaveANodeIntact) {
  Compiled c(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"p\"\n"
      "*NumericValue: 1 \"1 2 3 4\"\n"
      "*StringValue: 8 Numeric\n"
      "*SlotPaper Papers IDS_T_PORTRAIT: { IDS_PAPERSIZE_A4 }\n"
      "*PageMMValue Size IDS_T_PORTRAIT: \"1 2\"\n"
      "*TTFS Fonts IDS_T_PORTRAIT: IDList { {\"a\" \"b\"} }\n"
      "*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: Numeric\n"
      "*QDV_IDC_PRESET_EDIT_COPIES IDS_T_PORTRAIT: \"x\"\n"
      "*QDV_IDC_PRESET_EDIT_COPIES True: \"x\"\n"
      "*QDV_IDC_PRESET_EDIT_COPIES: IDList { IDS_T_PORTRAIT }\n"
      "*CloseUI\n");
  auto n = c.Nodes();
  EXPECT_EQ(n[0]->numeric, nullptr);
  EXPECT_EQ(n[0]->string, nullptr);
  EXPECT_EQ(n[0]->options->count, 0);
  EXPECT_EQ(n[0]->options->papers, nullptr);
  EXPECT_EQ(n[0]->options->width, 0);
  EXPECT_STREQ(n[0]->options->command, "p");
  EXPECT_EQ(n[1]->options, nullptr);
  EXPECT_EQ(n[1]->boolean, nullptr);
}

TEST(DfcStatements, PagesAndSlots) {
  Compiled c(std::string(kPaper) +
             "*PageValue Area IDS_PAPERSIZE_A4: 86 IDS_T_PORTRAIT \"1 2 3 4 5 6\"\n"  // before the option: ignored
             "*QDV_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: \"A4\"\n"
             "*PageMMValue Size IDS_PAPERSIZE_A4: \"2100 2970\"\n"
             "*PageValue Area IDS_PAPERSIZE_A4: IDS_T_RES600 IDS_T_PORTRAIT \"118 118 4724 6778\"\n"
             "*PageValue Area IDS_PAPERSIZE_A4: 300 IDS_T_LANDSCAPE\n"
             "*PageValue Area IDS_PAPERSIZE_A4: 86 IDS_T_LANDSCAPE QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_ROLL1 "
             "\"1 2\"\n"
             "*PageValue Area IDS_PAPERSIZE_A4: 86 IDS_T_LANDSCAPE QDV_RADIOLIST_1 True \"9\"\n"
             "*PageValue Area IDS_PAPERSIZE_A4: 0 IDS_T_LANDSCAPE \"1\"\n"      // resolution 0: discarded
             "*PageValue Area IDS_PAPERSIZE_A4: 86 NOT_A_SYMBOL \"1\"\n"       // orientation no symbol
             "*PageValue Area IDS_PAPERSIZE_A4: 86 IDS_T_PORTRAIT NOSYM 1 \"1\"\n"  // condition no symbol
             "*CloseUI\n"
             "*OpenUI *QDV_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot\n"
             "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_ROLL1:\n"
             "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO:\n"
             "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL:\n"
             "*SlotPaper Papers IDS_SOURCE_ROLL1: {  IDS_PAPERSIZE_A0\n IDS_PAPERSIZE_A1   }\n"
             "*SlotPaper Papers IDS_SOURCE_AUTO: { IDS_PAPERSIZE_A0 NOPE }\n"
             "*SlotPaper Papers IDS_SOURCE_MANUAL: {IDS_PAPERSIZE_A4}\n"
             "*CloseUI\n");
  auto n = c.Nodes();
  CR_OPTION* a4 = n[0]->options;
  EXPECT_EQ(a4->width, 2100);
  EXPECT_EQ(a4->length, 2970);
  std::vector<std::vector<int>> areas;
  for (CR_AREA* a = a4->areas; a; a = a->next)
    areas.push_back({a->resolution, a->orientation, a->conditionKey, a->conditionValue, a->numbers[0], a->numbers[1],
                     a->numbers[2], a->numbers[3], a->numbers[4], a->numbers[5]});
  EXPECT_EQ(areas, (std::vector<std::vector<int>>{{86, 2026, 0, 0, 118, 118, 4724, 6778, 0, 0},
                                                  {300, 2027, 0, 0, 0, 0, 0, 0, 0, 0},
                                                  {86, 2027, 536, 13260, 1, 2, 0, 0, 0, 0},
                                                  {86, 2027, 549, 1, 9, 0, 0, 0, 0, 0}}));
  CR_OPTION* roll = n[1]->options;
  ASSERT_EQ(roll->count, 2);
  EXPECT_EQ(roll->papers[0], 13239);
  EXPECT_EQ(roll->papers[1], 13240);
  EXPECT_EQ(roll->next->count, 0);
  EXPECT_EQ(roll->next->next->count, 1);
}

TEST(DfcStatements, CommandGroupsWithConditionsAndElse) {
  Compiled c(
      "*Judge 1=IsA0: QDV_IDC_PRESET_CHOICE_PAPERSIZE == IDS_PAPERSIZE_A0\n"
      "*Judge 2=IsA4: QDV_IDC_PRESET_CHOICE_PAPERSIZE == IDS_PAPERSIZE_A4\n"
      "*CommandGroup: JobStart {\n"
      "  Type : StringType 1\n"
      "  Type : GroupType QDV_IDC_PRESET_EDIT_COPIES -2\n"
      "  Type : GroupType NOT_A_SYMBOL 5\n"
      "  Command : IsA0 {\n"
      "    Type : GroupType QDV_RADIOLIST_1 0\n"
      "  } ElseIf : Judge2 {\n"
      "    Type : FontType\n"
      "  } Else {\n"
      "    Type : StringType 2\n"
      "  }\n"
      "  Type : FontType\n"
      "}\n"
      "*CommandGroup: PageEnd {\n"
      "  Type: StringType 1\n"   // colon directly after the word: the scan skips to the next colon
      "  Type : StringType 2\n"
      "}\n"
      "*CommandGroup: Nonsense { Type : FontType }\n");
  CR_BLOCK* js = c->groups[kJobStart];
  ASSERT_NE(js, nullptr);
  std::vector<uint32_t> kinds;
  for (CR_ENTRY* e = js->thenList; e; e = e->next) kinds.push_back(e->kind);
  EXPECT_EQ(kinds, (std::vector<uint32_t>{2, 1, 3, 4}));
  CR_ENTRY* g = js->thenList->next;
  EXPECT_EQ(g->itemKey, 552);
  EXPECT_EQ(g->number, -2);
  CR_BLOCK* cond = g->next->block;
  EXPECT_EQ(cond->condition, 1);
  EXPECT_EQ(cond->thenList->itemKey, 549);
  ASSERT_NE(cond->elseList, nullptr);  // ElseIf: one Command entry
  EXPECT_EQ(cond->elseList->kind, 3u);
  CR_BLOCK* elseIf = cond->elseList->block;
  EXPECT_EQ(elseIf->condition, 2);
  EXPECT_EQ(elseIf->thenList->kind, 4u);
  ASSERT_NE(elseIf->elseList, nullptr);
  EXPECT_EQ(elseIf->elseList->stringNumber, 2);
  CR_BLOCK* pe = c->groups[kPageEnd];
  ASSERT_NE(pe, nullptr);
  ASSERT_NE(pe->thenList, nullptr);
  EXPECT_EQ(pe->thenList->kind, 2u);
  EXPECT_EQ(pe->thenList->stringNumber, 2);  // "StringType 1" was skipped with its colon
  EXPECT_EQ(pe->thenList->next, nullptr);
}

// A brace glued to the group word ends the word and is used up with it: the group opens at the next
// brace, and without one no group is made.
TEST(DfcStatements, ABraceGluedToTheGroupWordOpensNoGroup) {
  Compiled c(
      "*CommandGroup: DocReset{ Type : StringType 1 }\n"
      "*CommandGroup: PageStart{ { Type : StringType 2 } }\n"
      "*CommandGroup: JobEnd { Type : StringType 3 }\n");
  EXPECT_EQ(c->groups[kDocReset], nullptr);
  CR_BLOCK* ps = c->groups[kPageStart];
  ASSERT_NE(ps, nullptr);
  ASSERT_NE(ps->thenList, nullptr);
  EXPECT_EQ(ps->thenList->stringNumber, 2);
  CR_BLOCK* je = c->groups[kJobEnd];
  ASSERT_NE(je, nullptr);
  ASSERT_NE(je->thenList, nullptr);
  EXPECT_EQ(je->thenList->stringNumber, 3);
}

TEST(DfcStatements, CommandNestingIsBounded) {
  std::string deep = "*Judge 1=J: X == 1\n*CommandGroup: JobEnd {\n";
  for (int i = 0; i < 5000; ++i) deep += "Command : J {\n";
  deep += "Type : FontType\n";
  for (int i = 0; i < 5000; ++i) deep += "}\n";
  deep += "}\n";
  Compiled c(deep);
  ASSERT_NE(c.rec, nullptr);  // no stack exhaustion; the over-deep part is dropped
}

TEST(DfcStatements, CommandStringsFontsAndLibraryNames) {
  Compiled c(
      "*CommandString 1: \"<1B>%%-12345X@PJL<0D0A>\"\n"
      "*CommandString 2: \"AB<00>CD\"\n"
      "*CommandString: \"\"\n"
      "*DeviceFonts: IDList { {\"MonoA\" 1} {\"SerifB\" 2} }\n"
      "*DeviceFonts: IDList { {\"Only\" 7} { 8 } }\n"
      "*FontCartridge: IDList{ {\"C1\" 3} }\n"
      "*UIResDLLName: \"ZTRESxx.DLL\"\n"
      "*ExcDepDLLName: none\n");
  COMMAND_STRING* cs = c->commandStrings.head;
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->length, 16);  // ESC % -12345X @PJL CR LF and the terminator
  EXPECT_EQ(cs->next->length, 3);  // ends at the 00 byte
  EXPECT_EQ(cs->next->next, nullptr);
  ASSERT_EQ(c->deviceFontCount, 1);
  EXPECT_STREQ(c->deviceFonts[0]->name, "Only");
  EXPECT_EQ(c->deviceFonts[0]->id, 7);
  ASSERT_EQ(c->cartridgeCount, 1);
  EXPECT_EQ(c->cartridgeFonts[0]->id, 3);
  EXPECT_EQ(std::u16string(c->uiResDllName), u"ZTRESxx.DLL");
  EXPECT_EQ(c->excDepDllName, nullptr);
}

TEST(DfcStatements, FontTables) {
  Compiled c(
      "*OpenUI *QDV_RADIOLIST_1: FontTbl\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT:\n"
      "*TTFS Fonts IDS_T_PORTRAIT: IDList { {\"Arial\" \"MonoA\"} {\"Times\" \"SerifB\"} {\"Lone\"} }\n"
      "*CloseUI\n");
  CR_OPTION* o = c.Nodes().at(0)->options;
  ASSERT_EQ(o->count, 2);
  EXPECT_STREQ(o->trueTypeNames[1], "Times");
  EXPECT_STREQ(o->deviceNames[1], "SerifB");
}

}  // namespace
