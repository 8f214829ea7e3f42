// Image queries on the model's compiled data file (every node and option found, defaults, papers by
// code and by size, the alternative definition of the custom width), and on small hand-built images
// for the cases the model does not show (a default index beyond the list, the printable area of the
// other orientation).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driverdata/dfc_image.h"
#include "config/free_size.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/tests/img_test_support.h"

namespace {

using Queries = imgtest::ModelContext;
IMG_REF Ref(const void* p) { return IMG_REF(reinterpret_cast<uintptr_t>(p)); }

TEST_F(Queries, EveryNodeAndOptionOfTheModelIsFound) {
  int nodes = 0;
  for (IMG_REF n = dfc::Get<uint64_t>((const void*)ctx_->image, 40); n; n = ImgNext(n)) {
    WORD id = ImgNodeSettingId(n);
    SCOPED_TRACE(id);
    ++nodes;
    if (id == 0) {  // a feature of a symbol that is no setting: found by its key only
      EXPECT_NE(ImgFindNodeByKey(ctx_, ImgNodeKey(n)), 0u);
      continue;
    }
    ASSERT_NE(ImgFindNode(ctx_, id), 0u);
    EXPECT_EQ(ImgNodeSettingId(ImgFindNode(ctx_, id)), id);
    if (ImgNodeKey(n)) {
      EXPECT_EQ(ImgNodeKey(ImgFindNodeByKey(ctx_, ImgNodeKey(n))), ImgNodeKey(n));
    }
    WORD type = ImgGetNodeType(ctx_, id);
    EXPECT_EQ(type, dfc::BaseType(ImgGetNodeFlags(ctx_, id)));
    int count = ImgGetOptionCount(ctx_, id);
    if (type == dfc::kTypeBoolean || type == dfc::kTypeNumeric || type == dfc::kTypeString)
      EXPECT_EQ(count, 0);
    else
      EXPECT_EQ(count, ImgCountList(ImgGetOptionList(ctx_, id, nullptr)));
  }
  EXPECT_GT(nodes, 30);
  EXPECT_EQ(ImgFindNode(ctx_, 0), 0u);
  EXPECT_EQ(ImgGetOptionCount(ctx_, 696), -1) << "a slot without a node";
  EXPECT_EQ(ImgGetNodeType(ctx_, 696), 0);
  EXPECT_EQ(ImgGetRuleRow(ctx_, 696), 0u);
  EXPECT_EQ(std::u16string(ImgGetUIResDLLName(ctx_)), u"KV8350us.DLL");
}

TEST_F(Queries, CompiledDefaults) {
  EXPECT_EQ(ImgGetDefaultValue(ctx_, 7), Val("IDS_ORIENTATION_PORTRAIT"));
  EXPECT_EQ(ImgGetDefaultValue(ctx_, 38), Val("IDS_RESOLUTION_600DPI"));
  EXPECT_EQ(ImgGetDefaultValue(ctx_, 8), Val("IDS_PAPERSIZE_A4"));
  EXPECT_EQ(ImgGetDefaultValue(ctx_, Id("QDV_IDC_PRESET_EDIT_COPIES")), 1u);
  EXPECT_EQ(ImgGetDefaultValue(ctx_, 696), 0u);
  WORD index = 0xFFFF;
  EXPECT_NE(ImgGetOptionList(ctx_, 8, &index), 0u);
  EXPECT_EQ(index, 4) << "A4 is the fifth paper";
  index = 77;
  EXPECT_EQ(ImgGetOptionList(ctx_, 696, &index), 0u);
  EXPECT_EQ(index, 77) << "left alone without a node";
}

TEST_F(Queries, PapersByCodeAndBySize) {
  Set("QDV_RADIOLIST_1", "IDS_ORIENTATION_PORTRAIT");
  LONG size[2] = {};
  Set("QDV_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPERSIZE_A4");
  ASSERT_EQ(ImgGetPaperSizeOf(ctx_, size, 8), 1);
  EXPECT_EQ(size[0], 2100);
  EXPECT_EQ(size[1], 2970);
  ASSERT_EQ(ImgGetCurrentPaperSize(ctx_, size), 1);
  EXPECT_EQ(size[0], 2100);
  StgSetValue(ctx_, 7, 2);  // landscape swaps
  ASSERT_EQ(ImgGetPaperSizeOf(ctx_, size, 0), 1);
  EXPECT_EQ(size[0], 2970);
  EXPECT_EQ(size[1], 2100);
  Set("QDV_RADIOLIST_1", "IDS_ORIENTATION_PORTRAIT");

  // A custom size in dots reads in 0.1 mm rounded up, as every length shown from dots: 10002 dots are
  // 2117.09 mm/10, so 2118; 9920 dots are 2100 exactly.
  StgSetValue(ctx_, 916, 10002);
  StgSetValue(ctx_, 917, 9920);
  CfgStoreFreeSizeSlot(ctx_, 0);  // custom paper 384 is slot 0
  ASSERT_EQ(ImgGetCustomPaperSizeStored(ctx_, size, 384), 1);
  EXPECT_EQ(size[0], 2118);
  EXPECT_EQ(size[1], 2100);

  // Every standard paper is found back by its size (either way round).
  ITEM_DESC* row = StgFindItem(ctx_, 8);
  int found = 0;
  for (IMG_REF o = ImgNodeOptions(ImgFindNode(ctx_, 8)); o; o = ImgNext(o)) {
    LONG w = dfc::Get<int32_t>((const void*)o, 24), l = dfc::Get<int32_t>((const void*)o, 28);
    DWORD code = StgMapFromOption(ctx_, row, ImgOptionValue(o));
    if (w <= 0 || code == 256 || (code >= 384 && code <= 393)) continue;
    SCOPED_TRACE(code);
    DWORD exact = ImgFindPaperBySize(ctx_, w, l, 0);
    ASSERT_NE(exact, 0u);
    IMG_REF same = 0;
    for (IMG_REF p = ImgNodeOptions(ImgFindNode(ctx_, 8)); p; p = ImgNext(p))
      if (StgMapFromOption(ctx_, row, ImgOptionValue(p)) == exact) same = p;
    ASSERT_NE(same, 0u);
    EXPECT_EQ(dfc::Get<int32_t>((const void*)same, 24), w);
    EXPECT_EQ(ImgFindPaperBySize(ctx_, l, w, 0), exact);
    // The tolerance reaches 17 units upwards, never downwards.
    EXPECT_EQ(ImgFindPaperBySize(ctx_, w + 17, l + 17, 1), exact);
    EXPECT_NE(ImgFindPaperBySize(ctx_, w + 18, l, 1), exact);
    EXPECT_NE(ImgFindPaperBySize(ctx_, w - 1, l, 1), exact);
    ++found;
  }
  EXPECT_GT(found, 10);
}

TEST_F(Queries, PrintableAreaOfTheModel) {
  Set("QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION", "IDS_RESOLUTION_600DPI");
  Set("QDV_RADIOLIST_1", "IDS_ORIENTATION_PORTRAIT");
  IMG_RECT r{};
  LONG pair[2] = {};
  ASSERT_EQ(ImgGetPaperArea(ctx_, &r, pair, Val("IDS_PAPERSIZE_A4")), 1);
  EXPECT_EQ(r.left, 118);
  EXPECT_EQ(r.right, 118 + 4725);
  EXPECT_EQ(r.bottom, 118 + 6780);
  EXPECT_EQ(pair[0], 4961);
  EXPECT_EQ(pair[1], 7016);
  EXPECT_EQ(ImgGetPaperArea(ctx_, &r, pair, 0x7FFF), 0);
}

// Two definitions of the custom width: the first applies when its first condition is false, the
// second otherwise; the remembered input type comes back unchanged with its marks.
TEST_F(Queries, AlternativeDefinitionOfTheCustomWidth) {
  WORD key1 = Key("QDV_IDC_FREE_EDIT_WIDTH1"), key2 = Key("QDV_IDC_FREE_EDIT_WIDTH2");
  StgSetValue(ctx_, 1019, 3);
  ITEM_DESC* row = StgFindItem(ctx_, 1019);
  uint64_t flags = row->flags;
  Set("QDV_IDC_FREE_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1");
  EXPECT_EQ(ImgNodeKey(ImgFindActiveNode(ctx_, 340)), key1);
  Set("QDV_IDC_FREE_CHOICE_SOURCETRAY", "IDS_SOURCE_MANUAL");
  EXPECT_EQ(ImgNodeKey(ImgFindActiveNode(ctx_, 340)), key2);
  EXPECT_EQ(ImgNodeKey(ImgFindNodeVariant(ctx_, 340, 0)), key1) << "nothing tested: the slot's node";
  EXPECT_EQ(StgGetValue(ctx_, 1019, nullptr), 3u);
  EXPECT_EQ(row->flags, flags);
}

// ---- hand-built images --------------------------------------------------------------------------------

// A relocated image of a header and a paper-size node with one paper, put in place of the context's.
struct TinyImage {
  std::vector<BYTE> header = std::vector<BYTE>(dfc::kHeaderSize, 0);
  dfc::IMAGE_NODE node{};
  dfc::IMAGE_OPTION_PAGE options[2]{};
  dfc::PAGE_AREA area{};
  TinyImage() {
    uint64_t n = Ref(&node);
    std::memcpy(&header[dfc::SlotOffset(dfc::SlotIndex(8))], &n, 8);
    node.settingId = 8;
    node.type = dfc::kTypePickPage;
    node.options = Ref(&options[0]);
    options[0].next = Ref(&options[1]);
    options[0].value = 9;
    options[1].value = 8;
    options[1].width = 2100;
    options[1].length = 2970;
    options[1].areas = Ref(&area);
  }
};

class Tiny : public Queries {
 protected:
  void SetUp() override {
    Queries::SetUp();
    saved_ = ctx_->image;
    ctx_->image = reinterpret_cast<COMPILED_IMAGE*>(tiny_.header.data());
  }
  void TearDown() override {
    if (ctx_) ctx_->image = saved_;
    Queries::TearDown();
  }
  TinyImage tiny_;
  COMPILED_IMAGE* saved_ = nullptr;
};

TEST_F(Tiny, DefaultIndexBeyondTheListGivesZero) {
  tiny_.node.defaultIndex = 1;
  EXPECT_EQ(ImgGetDefaultValue(ctx_, 8), 8u);
  tiny_.node.defaultIndex = 2;
  EXPECT_EQ(ImgGetDefaultValue(ctx_, 8), 0u);
  EXPECT_EQ(ImgGetOptionCount(ctx_, 8), 2);
  // The compile-time twin on the same records in offset form.
  std::vector<BYTE> block(dfc::kHeaderSize + 48 + 2 * 40, 0);
  uint64_t nodeOff = dfc::kHeaderSize, o1 = nodeOff + 48, o2 = o1 + 40;
  std::memcpy(&block[dfc::SlotOffset(dfc::SlotIndex(8))], &nodeOff, 8);
  dfc::Put<uint64_t>(block.data(), nodeOff + 24, o1);
  dfc::Put<uint16_t>(block.data(), nodeOff + 38, dfc::kTypePickPage);
  dfc::Put<uint16_t>(block.data(), nodeOff + 40, 1);
  dfc::Put<uint64_t>(block.data(), o1, o2);
  dfc::Put<uint16_t>(block.data(), o2 + 8, 1234);
  EXPECT_EQ(ImgGetDefaultOf(8, block.data(), block.size()), 1234u);
  dfc::Put<uint16_t>(block.data(), nodeOff + 40, 5);
  EXPECT_EQ(ImgGetDefaultOf(8, block.data(), block.size()), 0u);
  dfc::Put<uint64_t>(block.data(), dfc::SlotOffset(dfc::SlotIndex(8)), uint64_t(block.size() + 100));
  EXPECT_EQ(ImgGetDefaultOf(8, block.data(), block.size()), 0u) << "a reference outside the block";
}

TEST_F(Tiny, PrintableAreaFallsBackToTheOtherOrientationTransposed) {
  WORD resolution = WORD(StgGetOptionValue(ctx_, 38, nullptr));
  WORD orientation = WORD(StgGetOptionValue(ctx_, 7, nullptr));
  tiny_.area = dfc::PAGE_AREA{0, int16_t(resolution), int16_t(orientation + 1), 0, 0, 10, 20, 300, 400, 7, 9};
  IMG_RECT r{};
  LONG pair[2] = {};
  ASSERT_EQ(ImgFindPaperArea(ctx_, &r, pair, 8), 1);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.right, 20 + 400);
  EXPECT_EQ(r.bottom, 10 + 300);
  EXPECT_EQ(pair[0], 9);
  EXPECT_EQ(pair[1], 7);
  tiny_.area.orientation = int16_t(orientation);
  ASSERT_EQ(ImgFindPaperArea(ctx_, &r, pair, 8), 1);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 310);
  // A condition on another setting's value must hold.
  tiny_.area.conditionKey = WORD(StgFindItem(ctx_, 7)->key);
  tiny_.area.conditionValue = int16_t(orientation + 1);
  EXPECT_EQ(ImgFindPaperArea(ctx_, &r, pair, 8), 0);
  EXPECT_EQ(ImgFindPaperArea(ctx_, &r, pair, 5), 0) << "no such paper";
}

TEST_F(Tiny, PaperSizesBeyond16BitsCompareWhole) {
  tiny_.options[1].width = 9144;
  tiny_.options[1].length = 40000;  // a roll length beyond 16 signed bits
  // The output paper must pass its value check: a node that takes any value.
  dfc::IMAGE_NODE outPaper{};
  outPaper.settingId = 46;
  outPaper.type = dfc::kTypeString;
  dfc::Put<uint64_t>(tiny_.header.data(), dfc::SlotOffset(dfc::SlotIndex(46)), uint64_t(uintptr_t(&outPaper)));
  ITEM_DESC* row = StgFindItem(ctx_, 8);
  DWORD code = StgMapFromOption(ctx_, row, 8);
  EXPECT_EQ(ImgFindPaperBySize(ctx_, 9144, 40000, 0), code);
  EXPECT_EQ(ImgFindPaperBySize(ctx_, 9144, 40000 - 65536, 0), 0u);
}

TEST_F(Tiny, NoImageNoNode) {
  ctx_->image = nullptr;
  EXPECT_EQ(ImgFindNode(ctx_, 8), 0u);
  EXPECT_EQ(ImgGetOptionCount(ctx_, 8), -1);
  EXPECT_EQ(ImgGetUIResDLLName(ctx_), nullptr);
  int count = 5;
  EXPECT_EQ(ImgCopyDeviceFonts(ctx_, &count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(RuleFindRuleRow(ctx_, 1), 0u);
}

TEST_F(Tiny, FontListsAreCopiedWithNamesCutTo31) {
  const char* longName = "AVeryLongDeviceFontNameThatGoesOnAndOn";
  struct {
    int32_t id;
    uint32_t zero;
    uint64_t name;
  } fonts[2] = {{11, 0, Ref("Mono")}, {12, 0, Ref(longName)}};
  uint64_t refs[2] = {Ref(&fonts[0]), Ref(&fonts[1])};
  dfc::Put<uint64_t>(tiny_.header.data(), 15920, Ref(refs));
  dfc::Put<int32_t>(tiny_.header.data(), 15944, 2);
  int count = 0;
  DEVICE_FONT_REC* recs = ImgCopyDeviceFonts(ctx_, &count);
  ASSERT_NE(recs, nullptr);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(recs[0].id, 11u);
  EXPECT_EQ(std::u16string(recs[0].name), u"Mono");
  EXPECT_EQ(std::u16string(recs[1].name).size(), 31u);
  StgFree(recs);
  EXPECT_EQ(ImgCopyCartridgeFonts(ctx_, &count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ImgCopyFontSubstitutions(ctx_, &count), nullptr);
}

}  // namespace
