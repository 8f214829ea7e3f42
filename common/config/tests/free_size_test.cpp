// Custom paper slots: the code and setting tables with their edges (an unknown code has no slot), the
// unit conversions, per-region sections, store / select / publish, the built-in slots, and loading
// all slots once per context without changing any setting.
#include <cstring>

#include "config/driver_lists.h"
#include "config/free_size.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"
#include "settings/undo.h"
#include "settings/units.h"

using namespace kvcfgtest;

namespace {

TEST(FreeSizeTables, PaperCodesAndSlots) {
  struct Case {
    DWORD code;
    int slot;
  } cases[] = {{384, 0}, {387, 3}, {393, 9}, {256, 10}, {448, 11},
               {0, -1},  {383, -1}, {394, -1}, {257, -1}, {0xFFFFFFFFu, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(CfgFreeSizePaperToIndex(c.code, nullptr), c.slot);
    EXPECT_EQ(CfgIsFreeSizePaperCode(c.code), c.code >= 384 && c.code <= 393 ? 1 : 0);
  }
  struct Back {
    int slot, count;
    DWORD code;
  } backs[] = {{0, 12, 384}, {9, 12, 393}, {10, 12, 256}, {11, 12, 448}, {12, 12, 0},  {13, 12, 0},
               {-1, 12, 0},  {11, 10, 0},  {9, 10, 393},  {3, 1000, 387}, {20, 1000, 0}, {0, 0, 0}};
  for (const Back& b : backs) {
    SCOPED_TRACE(testing::Message() << b.slot << " of " << b.count);
    EXPECT_EQ(CfgFreeSizeIndexToPaper(b.slot, b.count, nullptr), b.code);
  }
  EXPECT_EQ(CfgGetFreeSizeSlotCount(nullptr), 10);
  EXPECT_EQ(CfgGetFreeSizeCodeCount(nullptr), 12);
  const FREE_SIZE_ID_ROW* ids = CfgGetFreeSizeIdTable();
  EXPECT_EQ(ids[0].width, sid::wdmFreeSize1Width);
  EXPECT_EQ(ids[0].orientation, sid::wdmFreeSize1Orient);
  EXPECT_EQ(ids[9].width, 1154);
  EXPECT_EQ(ids[9].orientation, 1157);
  EXPECT_EQ(ids[10].width, 0);
}

TEST(FreeSizeUnits, ConversionsRoundTrip) {
  EXPECT_EQ(CfgHundredthInchToTenthMm(1100), 2794u);
  EXPECT_EQ(CfgTenthMmToHundredthInch(2794), 1100u);
  EXPECT_EQ(CfgHundredthInchToTenthMm(1), 3u);  // 2 would convert back to 0
  EXPECT_EQ(CfgHundredthInchToTenthMm(0), 0u);
  for (DWORD v = 0; v < 20000; ++v) {
    DWORD r = CfgHundredthInchToTenthMm(v);
    ASSERT_GE(CfgTenthMmToHundredthInch(r), v) << v;
    if (r) {
      ASSERT_LT(CfgTenthMmToHundredthInch(r - 1), v) << v;  // and the smallest such value
    }
  }
  EXPECT_EQ(CfgHundredthInchToTenthMm(0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(CfgTenthMmToHundredthInch(0xFFFFFFFFu), (DWORD)(0xFFFFFFFFull * 100 / 254));
}

class FreeSizes : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SetSwitch("ACP", "1252");
    printer_ = AddPrinter(u"Plotter");
    PlaceModule("kvcfgfix_us", std::u16string(kDriverDir) + u"KV8350us.DLL");
    ctx_ = Context(printer_, 0);
    ASSERT_NE(ctx_, nullptr);
    StgSetValue(ctx_, sid::rdmLanguageID, 1);
    StgSetValue(ctx_, sid::rdmDspUnit, 0);
    CfgFreeContextLibraries(ctx_);
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  void SetWorking(const char16_t* name, DWORD width, DWORD length, DWORD tray, DWORD orient) {
    StgSetString(ctx_, StgFindItem(ctx_, sid::wdmFreeSizeName), name);
    StgSetOptionValue(ctx_, sid::wdmFreeSizeWidth, width);
    StgSetOptionValue(ctx_, sid::wdmFreeSizeLength, length);
    StgSetValue(ctx_, sid::wdmFreeSizeTray, tray);
    StgSetValue(ctx_, sid::wdmFreeSizeOrient, orient);
  }
  std::u16string WorkingName() {
    WCHAR text[64];
    StgGetString(ctx_, StgFindItem(ctx_, sid::wdmFreeSizeName), text);
    return S(text);
  }
  uint64_t V(WORD id) { return StgGetValue(ctx_, id, nullptr); }
  FREE_SIZE_SLOT Slot(int n) {
    FREE_SIZE_SLOT s{};
    EXPECT_EQ(CfgReadFreeSizeSlot(ctx_, n, &s), 1);
    return s;
  }

  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(FreeSizes, SectionsArePerRegion) {
  WCHAR a[CFG_FREE_SIZE_SECTION_CHARS], b[CFG_FREE_SIZE_SECTION_CHARS];
  EXPECT_EQ(S(CfgFormatFreeSizeSection(a, 3, 0, ctx_)), u"FreeSize3us");
  StgSetValue(ctx_, sid::rdmLanguageID, 0);
  EXPECT_EQ(S(CfgFormatFreeSizeSection(b, 3, 0, ctx_)), u"FreeSize3jp");
  // Publishing finds the slot of a section only in the current region, and only by the exact name.
  StgSetValue(ctx_, sid::wdmFreeSizeWidth, 12345);
  EXPECT_EQ(CfgPublishFreeSizeSection(ctx_, a), 0);
  EXPECT_EQ(CfgPublishFreeSizeSection(ctx_, u"freesize3jp"), 0);
  EXPECT_EQ(CfgPublishFreeSizeSection(ctx_, u"FreeSize10jp"), 0);
  EXPECT_EQ(CfgPublishFreeSizeSection(ctx_, b), 1);
  EXPECT_EQ(V(sid::wdmFreeSize4Width), 12345u);
}

TEST_F(FreeSizes, StoreSelectAndPublishASlot) {
  SetWorking(u"Banner", 9920, 30000, 2, 1);
  CfgStoreFreeSizeSlot(ctx_, 1);
  FREE_SIZE_SLOT s = Slot(1);
  EXPECT_STREQ(s.userName, "Banner");
  EXPECT_EQ(s.width, 9920);
  EXPECT_EQ(s.length, 30000);
  EXPECT_EQ(s.tray, 2);
  EXPECT_EQ(s.orientation, 1);
  // The default display name carries the slot's user name and size.
  EXPECT_STREQ(s.displayName2, "Banner(210.0 x 635.0 mm)");
  EXPECT_STREQ(s.displayName1, s.displayName2);

  SetWorking(u"", 0, 0, 0, 0);
  CfgSelectFreeSizeSlot(ctx_, 1);
  EXPECT_EQ(WorkingName(), u"Banner");
  EXPECT_EQ(V(sid::wdmFreeSizeWidth), 9920u);
  EXPECT_EQ(V(sid::wdmFreeSizeLength), 30000u);
  EXPECT_EQ(V(sid::wdmFreeSizeTray), 2u);
  EXPECT_EQ(V(sid::wdmFreeSizeOrient), 1u);
  CfgSelectFreeSizeSlotSrc(ctx_, 1);
  EXPECT_EQ(V(sid::wdmSrcFreeSizeLength), 30000u);

  CfgPublishFreeSizeSlot(ctx_, 1);
  EXPECT_EQ(V(sid::wdmFreeSize2Width), 9920u);
  EXPECT_EQ(V(sid::wdmFreeSize2Length), 30000u);
  EXPECT_EQ(V(sid::wdmFreeSize2Tray), 2u);
  EXPECT_EQ(V(sid::wdmFreeSize2Orient), 1u);

  // Slots that do not exist are neither written nor read.
  SetWorking(u"Other", 1, 2, 3, 4);
  FREE_SIZE_SLOT all[CFG_FREE_SIZE_SLOTS];
  std::memcpy(all, ctx_->work->freeSizeSlots, sizeof(all));
  for (int bad : {-1, 10, 11, 12, 1000}) CfgStoreFreeSizeSlot(ctx_, bad);
  for (int bad : {-1, 12, 1000}) {
    CfgSelectFreeSizeSlot(ctx_, bad);
    CfgPublishFreeSizeSlot(ctx_, bad);
    CfgLoadFreeSize(ctx_, bad);
    FREE_SIZE_SLOT out{};
    EXPECT_EQ(CfgReadFreeSizeSlot(ctx_, bad, &out), 0);
  }
  EXPECT_EQ(std::memcmp(all, ctx_->work->freeSizeSlots, sizeof(all)), 0);
  EXPECT_EQ(WorkingName(), u"Other");
}

TEST_F(FreeSizes, BuiltinSlotsComeFromTheDevmodeSizes) {
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeWidth, 9920);
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeLength, 14030);
  StgSetValue(ctx_, sid::rdmPaperFreeSizeTray, 1);
  StgSetOptionValue(ctx_, sid::rdmPrintFreeSizeWidth, 11000);
  StgSetOptionValue(ctx_, sid::rdmPrintFreeSizeLength, 16000);
  CfgLoadBuiltinFreeSize(ctx_, 256, CfgFreeSizePaperToIndex(256, ctx_));
  CfgLoadBuiltinFreeSize(ctx_, 448, CfgFreeSizePaperToIndex(448, ctx_));
  FREE_SIZE_SLOT paper = Slot(10), print = Slot(11);
  EXPECT_EQ(paper.width, 9920);
  EXPECT_EQ(paper.length, 14030);
  EXPECT_EQ(paper.tray, 1);
  EXPECT_EQ(print.width, 11000);
  EXPECT_EQ(print.length, 16000);
  // Display name 1 holds wide text here, cut to 31 characters and terminated.
  WCHAR name[32];
  std::memcpy(name, paper.displayName1, sizeof(name));
  EXPECT_EQ(S(name), u"Custom Paper Size(210.0 x 297.0");
  std::memcpy(name, print.displayName1, sizeof(name));
  EXPECT_EQ(S(name).substr(0, 17), u"Custom Print Size");
  // Another code, or no slot for it, changes nothing.
  FREE_SIZE_SLOT all[CFG_FREE_SIZE_SLOTS];
  std::memcpy(all, ctx_->work->freeSizeSlots, sizeof(all));
  CfgLoadBuiltinFreeSize(ctx_, 384, 0);
  CfgLoadBuiltinFreeSize(ctx_, 256, CfgFreeSizePaperToIndex(9, ctx_));
  EXPECT_EQ(std::memcmp(all, ctx_->work->freeSizeSlots, sizeof(all)), 0);
  // A built-in slot is selected like any other.
  CfgSelectFreeSizeSlot(ctx_, 10);
  EXPECT_EQ(V(sid::wdmFreeSizeWidth), 9920u);
  EXPECT_EQ(WorkingName(), u"");
}

TEST_F(FreeSizes, LoadAllOncePerContextKeepsEverySetting) {
  // A slot whose section is missing loads empty values and publishes them.
  StgSetValue(ctx_, sid::wdmFreeSize3Width, 777);
  SetWorking(u"Editing", 5000, 6000, 3, 1);
  SETTING_STORE before = *ctx_->store;
  CfgLoadAllFreeSizes(ctx_);
  EXPECT_TRUE(StgGetChangeFlags(ctx_) & CFG_CHANGE_FREE_SIZES_LOADED);
  EXPECT_EQ(WorkingName(), u"Editing");
  EXPECT_EQ(V(sid::wdmFreeSizeWidth), 5000u);
  EXPECT_EQ(V(sid::wdmFreeSizeOrient), 1u);
  EXPECT_EQ(V(sid::wdmFreeSize3Width), 0u);
  EXPECT_EQ(Slot(2).width, 0);
  // Only the published settings differ from the store before the call.
  StgSetValue(ctx_, sid::wdmFreeSize3Width, 777);
  EXPECT_EQ(std::memcmp(before.bytes, ctx_->store->bytes, sizeof(before.bytes)), 0);
  EXPECT_EQ(ctx_->work->undoDepth, 0u);

  // A second call reads nothing.
  ctx_->work->freeSizeSlots[2].width = 4242;
  CfgLoadAllFreeSizes(ctx_);
  EXPECT_EQ(Slot(2).width, 4242);
  EXPECT_EQ(V(sid::wdmFreeSize3Width), 777u);

  // With every undo snapshot taken the slots stay unloaded and the settings untouched.
  StgClearChangeFlags(ctx_, CFG_CHANGE_FREE_SIZES_LOADED);
  for (DWORD i = 0; i < STG_UNDO_DEPTH; ++i) ASSERT_EQ(StgPushUndo(ctx_), 1);
  CfgLoadAllFreeSizes(ctx_);
  EXPECT_EQ(Slot(2).width, 4242);
  EXPECT_FALSE(StgGetChangeFlags(ctx_) & CFG_CHANGE_FREE_SIZES_LOADED);
  for (DWORD i = 0; i < STG_UNDO_DEPTH; ++i) StgPopUndo(ctx_, 0);
}

TEST_F(FreeSizes, LoadingAMissingSectionClearsTheWorkingSettings) {
  SetWorking(u"Stale", 5000, 6000, 3, 1);
  CfgLoadFreeSize(ctx_, 5);
  EXPECT_EQ(WorkingName(), u"");
  EXPECT_EQ(V(sid::wdmFreeSizeWidth), 0u);
  EXPECT_EQ(V(sid::wdmFreeSizeTray), 0u);
  EXPECT_EQ(S(CfgGetPrinterName(ctx_)), u"Plotter");
}

TEST_F(FreeSizes, InchCustomPaper) {
  struct Case {
    DWORD unit, paper;
    int want;
  } cases[] = {{1, 256, 1}, {0, 256, 0}, {1, 384, 0}, {1, 9, 0}};
  for (const Case& c : cases) {
    StgSetValue(ctx_, sid::rdmDspUnit, c.unit);
    StgSetValue(ctx_, sid::dmPaperSize, c.paper);
    EXPECT_EQ(CfgIsInchCustomPaper(ctx_), c.want) << c.unit << " " << c.paper;
  }
}

}  // namespace
