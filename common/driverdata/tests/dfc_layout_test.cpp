// Compiled image layout: a byte-exact small image, the header slots, write order, padding, the rule
// area, checks of tampered images and relocation.
#include <gtest/gtest.h>

#include "dfc_test_support.h"
#include "kvplat/testhooks.h"

using namespace dfc;
using dfctest::Image;

namespace {

TEST(DfcLayout, SmallImageIsByteExact) {
  Image img(
      "*FileVersion: 8.63\n"
      "*UIResDLLName: \"ZTRESxx.DLL\"\n"
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*DefaultQDV_RADIOLIST_1: IDS_T_LANDSCAPE\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"PORTRAIT\"\n"
      "*QDV_RADIOLIST_1 IDS_T_LANDSCAPE: \"LANDSCAPE\"\n"
      "*OptionCommand: { \"A\" \"B\" }\n"
      "*CloseUI\n"
      "*Judge 1=IsLand: QDV_RADIOLIST_1 == IDS_T_LANDSCAPE\n"
      "*Action 1: { QDV_RADIOLIST_1 IDS_T_PORTRAIT }\n"
      "*Transact 1: { IsLand Action1 }\n"
      "*Exclusive: { QDV_RADIOLIST_1 IsLand NULL NULL NULL Transact1 NULL NULL }\n"
      "*CommandString 1: \"<1B>E\"\n"
      "*CommandGroup: JobStart { Type : StringType 1 }\n");
  ASSERT_NE(img.bytes, nullptr);

  // The layout, computed by hand from the write order: rule area, feature area, string area.
  const uint32_t judge = 15952, action = judge + 16, transact = action + 24, row = transact + 24;
  const uint32_t cmdL = row + 72, optL = cmdL + 16, cmdP = optL + 24, optP = cmdP + 16;
  const uint32_t pairA = optP + 24, pairB = pairA + 8, pair = pairB + 8, node = pair + 16;
  const uint32_t text = node + 48, dll = text + 8, entry = dll + 24, block = entry + 32, total = block + 24;
  std::vector<BYTE> want(total, 0);
  BYTE* w = want.data();
  const char16_t ver[] = u"8.63";
  std::memcpy(w, ver, 8);
  Put<uint32_t>(w, 32, total);
  Put<uint64_t>(w, 40, node);
  Put<uint64_t>(w, SlotOffset(SlotIndex(7)), node);
  Put<uint64_t>(w, 15864, dll);
  Put<uint64_t>(w, 15880, block);
  Put<uint64_t>(w, 15936, row);
  Put(w, judge, RULE_CELL{1, 7});
  Put(w, judge + 4, RULE_CELL{2, 2027});
  Put(w, judge + 8, RULE_CELL{3, 1});
  Put(w, judge + 12, RULE_CELL{3, 10});
  Put(w, action, ACTION_ENTRY{0, 7, 0, 0, 2026, 0});
  Put(w, transact, TRANSACT_ENTRY{0, Tag(judge), Tag(action)});
  Put(w, row, RULE_ROW{0, Tag(judge), 0, 0, 0, Tag(transact), 0, 0, 549, {}});
  std::memcpy(w + cmdL, "LANDSCAPE", 9);
  Put(w, optL, IMAGE_OPTION{0, 2027, cmdL});
  std::memcpy(w + cmdP, "PORTRAIT", 8);
  Put(w, optP, IMAGE_OPTION{optL, 2026, cmdP});
  w[pairA] = 'A';
  w[pairB] = 'B';
  Put(w, pair, OPTION_COMMAND_PAIR{pairA, pairB});
  Put(w, node, IMAGE_NODE{0, pair, row, optP, 549, 0, 7, 1, 1, {}});
  std::memcpy(w + text, "\x1b" "E", 2);
  const char16_t name[] = u"ZTRESxx.DLL";
  std::memcpy(w + dll, name, 22);
  Put(w, entry, COMMAND_ENTRY_STRING{0, 2, 3, text});
  Put(w, block, COMMAND_BLOCK{0, entry, 0});

  ASSERT_EQ(img.length, total);
  for (uint32_t i = 0; i < total; ++i)
    if (img.bytes[i] != want[i]) FAIL() << "first difference at offset " << i;
  EXPECT_TRUE(ImgCheckImage(img.bytes, img.length));
}

TEST(DfcLayout, EmptyFilesGiveAHeaderOnly) {
  for (const char* text : {"", "*% only a comment\n\n"}) {
    Image img(text);
    ASSERT_NE(img.bytes, nullptr);
    ASSERT_EQ(img.length, 15952u);
    std::vector<BYTE> want(15952, 0);
    Put<uint32_t>(want.data(), 32, 15952);
    EXPECT_EQ(img.Vec(), want);
    EXPECT_TRUE(ImgCheckImage(img.bytes, img.length));
  }
}

TEST(DfcLayout, FileVersionIsZeroFilled) {
  Image img("*FileVersion: 8.63\n");
  const char16_t want[16] = u"8.63";
  EXPECT_EQ(std::memcmp(img.bytes, want, 32), 0);
}

TEST(DfcLayout, NodeSlotsAndTheirOwners) {
  Image img(
      "*OpenUI *QDV_DeviceName: PickOne\n*CloseUI\n"
      "*OpenUI *QDV_IDC_LIMITATION_CHOICE_COMBO_RESOLUTION: PickOne\n*CloseUI\n"
      "*OpenUI *QDV_IDC_BASIC_BMP_PRINTER: PickOne\n*CloseUI\n"
      "*OpenUI *QDV_IDC_HIDDEN_FUNC: PickOne\n*CloseUI\n"
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n*CloseUI\n"
      "*OpenUI *QDV_RADIOLIST_1: Numeric\n*CloseUI\n");
  const COMPILED_IMAGE_HEADER& h = img.H();
  std::vector<uint64_t> nodes;
  for (uint64_t n = h.FeatureList; n; n = img.At<uint64_t>(n)) nodes.push_back(n);
  ASSERT_EQ(nodes.size(), 6u);
  EXPECT_EQ(img.At<uint64_t>(48), nodes[0]);    // id 1
  EXPECT_EQ(img.At<uint64_t>(9080), nodes[1]);  // id 10434
  EXPECT_EQ(img.At<uint16_t>(nodes[4] + 38), kTypePickOne);
  EXPECT_EQ(h.NodeSlot[SlotIndex(7)], nodes[4]);  // the first of two plain nodes of one setting
  int used = 0;
  for (uint64_t s : h.NodeSlot) used += s != 0;
  EXPECT_EQ(used, 3);  // ids 1544 and 1555 have no slot
}

TEST(DfcLayout, OptionOrderPaddingAndPaperLists) {
  Image img(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"1234567\"\n"
      "*QDV_RADIOLIST_1 IDS_T_LANDSCAPE: \"12345678\"\n"
      "*QDV_RADIOLIST_1 IDS_T_RES300:\n"
      "*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot\n"
      "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_ROLL1: \"R\"\n"
      "*SlotPaper Papers IDS_SOURCE_ROLL1: { IDS_PAPERSIZE_A0 IDS_PAPERSIZE_A1 IDS_PAPERSIZE_A4 }\n"
      "*CloseUI\n");
  const COMPILED_IMAGE_HEADER& h = img.H();
  uint64_t radio = h.NodeSlot[SlotIndex(7)];
  uint64_t x = img.At<uint64_t>(radio + 24);
  uint64_t y = img.At<uint64_t>(x), z = img.At<uint64_t>(y);
  EXPECT_EQ(img.At<uint64_t>(x + 8), 2026u);
  EXPECT_EQ(img.At<uint64_t>(y + 8), 2027u);
  EXPECT_EQ(img.At<uint64_t>(z + 8), 84u);
  EXPECT_EQ(img.At<uint64_t>(z), 0u);
  EXPECT_LT(z, y);  // written from the last option to the first
  EXPECT_LT(y, x);
  EXPECT_EQ(y + 24, img.At<uint64_t>(x + 16));          // X's command follows Y's record
  EXPECT_EQ(img.At<uint64_t>(x + 16) + 8, x);           // 7 characters take 8 bytes
  EXPECT_EQ(img.At<uint64_t>(y + 16) + 16, y);          // 8 characters take 16
  uint64_t slot = img.At<uint64_t>(h.NodeSlot[SlotIndex(13)] + 24);
  EXPECT_EQ(img.At<int32_t>(slot + 24), 3);
  uint64_t papers = img.At<uint64_t>(slot + 32);
  EXPECT_EQ(img.At<uint16_t>(papers + 4), 41);
  EXPECT_EQ(img.At<uint64_t>(slot + 16), papers + 6);  // no fill after the paper list
  EXPECT_EQ(papers + 6 + 8, slot);
  EXPECT_TRUE(ImgCheckImage(img.bytes, img.length));
}

TEST(DfcLayout, VariantAndIdentityNodesShareOptionData) {
  Image img(
      "*OpenUI *QDV_IDC_PRESET_CHOICE_SOURCETRAY 5: PickSlot\n*CloseUI\n"  // plain node (no node of the key yet)
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_T_PORTRAIT:\n"
      "*OptionCommand: { \"P\" }\n"
      "*CloseUI\n"
      "*OpenUI *QDV_RADIOLIST_1 2: PickOne\n*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_CHOICE_PAPERSIZE2: Identity *QDV_RADIOLIST_1\n*CloseUI\n");
  const COMPILED_IMAGE_HEADER& h = img.H();
  std::vector<uint64_t> nodes;
  for (uint64_t n = h.FeatureList; n; n = img.At<uint64_t>(n)) nodes.push_back(n);
  ASSERT_EQ(nodes.size(), 4u);
  // Variant nodes after the first plain node come first, in reverse file order; then the plain nodes.
  EXPECT_EQ(img.At<uint16_t>(nodes[0] + 32), 582);
  EXPECT_EQ(img.At<uint16_t>(nodes[1] + 34), 2);
  EXPECT_EQ(img.At<uint16_t>(nodes[2] + 32), 536);
  EXPECT_EQ(img.At<uint16_t>(nodes[3] + 32), 549);
  uint64_t options = img.At<uint64_t>(nodes[3] + 24);
  ASSERT_NE(options, 0u);
  EXPECT_EQ(img.At<uint64_t>(nodes[0] + 24), options);
  EXPECT_EQ(img.At<uint64_t>(nodes[1] + 24), options);
  // The variant keeps its own copy of the command pair, so relocation never meets a pair twice.
  uint64_t p1 = img.At<uint64_t>(nodes[1] + 8), p3 = img.At<uint64_t>(nodes[3] + 8);
  ASSERT_NE(p1, 0u);
  EXPECT_NE(p1, p3);
  EXPECT_EQ(h.NodeSlot[SlotIndex(7)], nodes[3]);
  EXPECT_EQ(h.NodeSlot[SlotIndex(8)], nodes[0]);  // only a non-plain node of id 8: it takes the slot
  EXPECT_TRUE(ImgCheckImage(img.bytes, img.length));
}

TEST(DfcLayout, RuleAreaAndRelocation) {
  Image img(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n*QDV_RADIOLIST_1 IDS_T_PORTRAIT:\n*CloseUI\n"
      "*Judge 1=J: QDV_RADIOLIST_1 == 1\n"
      "*Judge 2: QDV_RADIOLIST_1 == 2\n"
      "*Item 1: { IDS_T_PORTRAIT J Judge2 NULL }\n"
      "*Item 2=Lonely: { IDS_T_PORTRAIT J NULL NULL }\n"
      "*Action 1: { QDV_RADIOLIST_1 5 }\n"
      "*Transact 1: { J Action1 J Action1 }\n"
      "*AlertAction 1: { IDOKBUTTON Transact1 NULL NULL }\n"
      "*Alert 1: { Judge2 QDV_PrintSizeIllegalMessage MB_ICONSTOP MB_OK AlertAtOnce AlertAction1 }\n"
      "*Exclusive: { QDV_RADIOLIST_1 J J Item1 Alert1 Transact1 Transact1 Judge9\n"
      "              QDV_RADIOLIST_1 Judge1 NULL NULL NULL Transact1 NULL NULL }\n");
  ASSERT_NE(img.bytes, nullptr);
  std::vector<BYTE> before = img.Vec();
  const uint64_t row = img.H().RuleList;
  ASSERT_NE(row, 0u);
  EXPECT_EQ(img.At<uint64_t>(row), row + 72);
  EXPECT_EQ(img.At<uint64_t>(row + 56), 0u);  // Judge9 does not exist
  uint64_t judge1 = img.At<uint64_t>(row + 8) >> 4;
  EXPECT_EQ(judge1, 15952u);
  uint64_t node = img.H().NodeSlot[SlotIndex(7)];
  EXPECT_EQ(img.At<uint64_t>(node + 16), row);  // the node's rule is the first row of its key
  // Item 2 is named by no row.
  uint64_t item2 = 15952 + 16 + 16 + 40;
  ASSERT_EQ(img.At<uint16_t>(item2 + 32), 2026);

  ASSERT_TRUE(DfcCheckAndRelocate(img.bytes, img.length));
  const uint64_t base = reinterpret_cast<uintptr_t>(img.bytes);
  EXPECT_EQ(img.At<uint64_t>(15936), base + row);
  EXPECT_EQ(img.At<uint64_t>(row + 8), base + judge1);
  EXPECT_EQ(img.At<uint64_t>(row + 16), base + judge1);  // shared Judge: decoded once per field, never twice
  EXPECT_EQ(img.At<uint64_t>(row + 72 + 8), base + judge1);
  EXPECT_EQ(img.At<uint64_t>(row), row + 72);  // row links stay offsets
  uint64_t transact = img.At<uint64_t>(row + 40) - base;
  EXPECT_EQ(img.At<uint64_t>(row + 48), base + transact);
  EXPECT_EQ(img.At<uint64_t>(transact), base + transact + 24);  // second entry
  EXPECT_EQ(img.At<uint64_t>(transact + 8), base + judge1);
  uint64_t action = img.At<uint64_t>(transact + 16) - base;
  EXPECT_EQ(img.At<uint32_t>(action + 16), 5u);
  EXPECT_EQ(img.At<uint64_t>(item2 + 8), Tag(judge1));  // untouched: no row reaches it
  EXPECT_EQ(img.At<uint64_t>(40), base + node);
  EXPECT_EQ(img.At<uint64_t>(node + 16), base + row);
  uint64_t opt = img.At<uint64_t>(node + 24) - base;
  EXPECT_EQ(img.At<uint64_t>(opt + 8), 2026u);
  (void)before;
}

TEST(DfcLayout, ExclusiveRowsAloneWriteNoRuleList) {
  Image img(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n*CloseUI\n"
      "*Exclusive: { QDV_RADIOLIST_1 NULL NULL NULL NULL NULL NULL NULL }\n");
  EXPECT_EQ(img.H().RuleList, 0u);
  EXPECT_EQ(img.At<uint64_t>(img.H().FeatureList + 16), 0u);
  // The feature area starts where the last written rule record ends; the row space reserved by the
  // sizing stays unused, zero, at the end.
  EXPECT_EQ(img.H().FeatureList, 15952u);
  EXPECT_EQ(img.length, 15952u + 48u + 72u);
  EXPECT_TRUE(ImgCheckImage(img.bytes, img.length));
}

TEST(DfcLayout, TypesWithoutWriterKeepNoOptionData) {
  Image img(
      "*OpenUI *QDV_RADIOLIST_1: TypeUnknown\n*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"x\"\n*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: PickOne|String\n*QDV_IDC_PRESET_EDIT_COPIES IDS_T_PORTRAIT: \"y\"\n"
      "*CloseUI\n");
  for (uint64_t n = img.H().FeatureList; n; n = img.At<uint64_t>(n)) EXPECT_EQ(img.At<uint64_t>(n + 24), 0u);
  EXPECT_TRUE(ImgCheckImage(img.bytes, img.length));
}

TEST(DfcLayout, CompilingTwiceGivesTheSameBytes) {
  const char* text =
      "*FileVersion: 8.63\n*OpenUI *QDV_RADIOLIST_1: PickOne\n*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"p\"\n*CloseUI\n"
      "*Judge 1: QDV_RADIOLIST_1 == 1\n*Item 1: { IDS_T_PORTRAIT Judge1 NULL NULL }\n"
      "*Exclusive: { QDV_RADIOLIST_1 Judge1 NULL Item1 NULL NULL NULL NULL }\n"
      "*DeviceFonts: IDList { {\"A\" 1} {\"B\" 2} }\n";
  Image a(text), b(text);
  EXPECT_EQ(a.Vec(), b.Vec());
}

// Tampered images must fail the check; the check never reads outside the image.
TEST(DfcLayout, CheckRefusesTamperedImages) {
  Image img(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"p\"\n*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: PickOne\n*QDV_IDC_PRESET_EDIT_COPIES IDS_T_PORTRAIT:\n*CloseUI\n"
      "*Judge 1: QDV_RADIOLIST_1 == 1\n*Item 1: { IDS_T_PORTRAIT Judge1 NULL NULL }\n"
      "*Exclusive: { QDV_RADIOLIST_1 Judge1 NULL Item1 NULL NULL NULL NULL }\n"
      "*DeviceFonts: IDList { {\"A\" 1} }\n");
  ASSERT_TRUE(ImgCheckImage(img.bytes, img.length));
  const uint64_t first = img.H().FeatureList, second = img.At<uint64_t>(first);
  const uint64_t row = img.H().RuleList;
  struct Case {
    const char* what;
    void (*edit)(std::vector<BYTE>& v, uint64_t first, uint64_t second, uint64_t row);
  } cases[] = {
      {"length", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t) { v.pop_back(); }},
      {"node out of range", [](std::vector<BYTE>& v, uint64_t f, uint64_t, uint64_t) { Put<uint64_t>(v.data(), f, v.size()); }},
      {"node in header", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t) { Put<uint64_t>(v.data(), 40, 8); }},
      {"node cycle", [](std::vector<BYTE>& v, uint64_t f, uint64_t s, uint64_t) { Put<uint64_t>(v.data(), s, f); }},
      {"shared options", [](std::vector<BYTE>& v, uint64_t f, uint64_t s, uint64_t) {
         Put<uint64_t>(v.data(), s + 24, Get<uint64_t>(v.data(), f + 24));
       }},
      {"slot not a node", [](std::vector<BYTE>& v, uint64_t f, uint64_t, uint64_t) { Put<uint64_t>(v.data(), 48, f + 8); }},
      {"untagged judge", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t r) { Put<uint64_t>(v.data(), r + 8, 15952); }},
      {"bad cells", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t) { Put(v.data(), 15952 + 12, RULE_CELL{3, 6}); }},
      {"item cycle", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t) {
         Put<uint64_t>(v.data(), 15968, Tag(15968));
       }},
      {"negative font count", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t) { Put<int32_t>(v.data(), 15944, -1); }},
      {"huge font count", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t) { Put<int32_t>(v.data(), 15944, 1 << 30); }},
      {"unterminated name", [](std::vector<BYTE>& v, uint64_t, uint64_t, uint64_t) {
         Put<uint64_t>(v.data(), 15864, v.size() - 2);
         v[v.size() - 2] = 'x';
         v[v.size() - 1] = 'y';
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BYTE> v = img.Vec();
    c.edit(v, first, second, row);
    Put<uint32_t>(v.data(), 32, uint32_t(v.size()));
    EXPECT_FALSE(ImgCheckImage(v.data(), v.size()));
    std::vector<BYTE> copy = v;
    EXPECT_FALSE(DfcCheckAndRelocate(v.data(), v.size()));
    EXPECT_EQ(v, copy);  // a refused image is left as it was
  }
}

TEST(DfcLayout, ImageReaderReadsOnlyInsideTheImage) {
  const uint8_t bytes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  struct Case {
    uint64_t off;
    size_t size;
    bool inside;
  } cases[] = {{0, 8, true}, {2, 8, true}, {3, 8, false}, {8, 2, true}, {9, 2, false}, {10, 1, false},
               {~uint64_t(0) - 3, 8, false}, {~uint64_t(0), 1, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.off);
    IMAGE_READER r{bytes, sizeof(bytes)};
    uint64_t v = k.size == 8 ? r.At<uint64_t>(k.off) : k.size == 2 ? r.At<uint16_t>(k.off) : r.At<uint8_t>(k.off);
    EXPECT_EQ(r.inBounds, k.inside);
    if (!k.inside) {
      EXPECT_EQ(v, 0u);
    }
  }
  IMAGE_READER r{bytes, sizeof(bytes)};
  EXPECT_EQ(r.At<uint16_t>(8), 0x0A09u);
  EXPECT_TRUE(r.inBounds);
}

TEST(DfcLayout, DumpListsNodesRulesAndCommands) {
  Image img(
      "*FileVersion: 8.63\n"
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"P<0D0A>\"\n*CloseUI\n"
      "*Judge 1: QDV_RADIOLIST_1 == 2026\n"
      "*Transact 1: { Judge1 Action1 }\n*Action 1: { QDV_RADIOLIST_1 IDS_T_LANDSCAPE }\n"
      "*Exclusive: { QDV_RADIOLIST_1 Judge1 NULL NULL NULL Transact1 NULL NULL }\n"
      "*CommandString 1: \"@PJL\"\n*CommandGroup: PageStart { Command : Judge1 { Type : StringType 1 } }\n");
  std::string out;
  DfcDumpImage(img.bytes, img.length, [](void* ctx, const char* t) { *static_cast<std::string*>(ctx) += t; }, &out);
  EXPECT_NE(out.find("FileVersion \"8.63\""), std::string::npos) << out;
  EXPECT_NE(out.find("key=549 variant=0 id=7 type=0x1"), std::string::npos) << out;
  EXPECT_NE(out.find("option 2026 cmd=\"P<0D><0A>\""), std::string::npos) << out;
  EXPECT_NE(out.find("[S7 2026 ==]"), std::string::npos) << out;
  EXPECT_NE(out.find("{target=7 kind=0 value=2027}"), std::string::npos) << out;
  EXPECT_NE(out.find("group PageStart"), std::string::npos) << out;
  EXPECT_NE(out.find("StringType \"@PJL\""), std::string::npos) << out;
}

}  // namespace

namespace {

TEST(DfcLayout, NumbersResolveForwardAliasesOnlyBackward) {
  Image img(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n*CloseUI\n"
      "*Transact 1: { Judge2 NULL Later NULL }\n"
      "*Judge 1: QDV_RADIOLIST_1 == 1\n"
      "*Judge 2=Later: QDV_RADIOLIST_1 == 2\n"
      "*Exclusive: { QDV_RADIOLIST_1 NULL NULL NULL NULL Transact1 NULL NULL }\n");
  uint64_t t = img.At<uint64_t>(img.H().RuleList + 40) >> 4;
  EXPECT_EQ(img.At<uint64_t>(t + 8), Tag(15952 + 16));  // Judge2, written after Judge1
  EXPECT_EQ(img.At<uint64_t>(img.At<uint64_t>(t) >> 4), 0u);
  EXPECT_EQ(img.At<uint64_t>((img.At<uint64_t>(t) >> 4) + 8), 0u);  // the alias was not known yet
}

TEST(DfcLayout, OutOfMemoryWhileAssemblingLeaksNothing) {
  const std::string text = "*OpenUI *QDV_RADIOLIST_1: PickOne\n*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"p\"\n*CloseUI\n";
  COMPILE_RECORD* rec = DfcParseDataBytes(text.data(), text.size(), dfctest::Resolver());
  ASSERT_NE(rec, nullptr);
  kvp::test::FailAllocAt(1);  // the image block; the record is freed all the same
  uint32_t length = 7;
  EXPECT_EQ(DfcAssembleImage(rec, &length), nullptr);
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(length, 0u);
}

}  // namespace
