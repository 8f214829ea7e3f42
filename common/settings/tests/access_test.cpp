// Typed access: row lookup by id, the type codes, the value maps, the write marks, text rows and the
// font-list settings whose references live beside the store.
#include <cstring>
#include <string>

#include "context_fixture.h"

using namespace kvstgtest;

namespace {

class Access : public ContextTest {
 protected:
  void SetUp() override {
    ContextTest::SetUp();
    ctx_ = Create(printer_);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    StgReleaseContext(ctx_, STG_RELEASE_FREE);
    ContextTest::TearDown();
  }
  // The first row of a type code (bit rows: of bit `code - 16`).
  ITEM_DESC* RowOfCode(DWORD code, int skip = 0) {
    for (int i = 0; i < ctx_->dictionary->count; ++i) {
      ITEM_DESC* r = &ctx_->dictionary->rows[i];
      if (StgTypeCode(r->type) == code && r->id != QDV_rdmScaleH && skip-- == 0) return r;
    }
    return nullptr;
  }
  FakePrinter printer_{u"P"};
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(Access, FindItemAtTheBoundaries) {
  ITEM_DESC* rows = ctx_->dictionary->rows;
  struct {
    WORD id;
    int row;
  } cases[] = {{1, 0}, {1555, 1554}, {10001, 1555}, {10434, 1988}, {0, -1}, {1556, -1}, {2000, -1},
               {9999, -1}, {10000, -1}, {10435, -1}, {65535, -1}};
  for (auto& k : cases) {
    SCOPED_TRACE(k.id);
    ITEM_DESC* r = StgFindItem(ctx_, k.id);
    if (k.row < 0) {
      EXPECT_EQ(r, nullptr);
      EXPECT_EQ(StgGetValue(ctx_, k.id, nullptr), 0u);
      StgSetValue(ctx_, k.id, 5);  // ignored
    } else {
      EXPECT_EQ(r, &rows[k.row]);
      EXPECT_EQ(r->id, k.id);
    }
  }
  // Lookups without a context use the template.
  EXPECT_EQ(StgFindItem(nullptr, 10001)->id, 10001u);
}

TEST_F(Access, TypeCodesDecodeAndEncode) {
  struct Case {
    DWORD code;
    uint64_t written, read;
  };
  const Case cases[] = {
      {STG_TYPE_I8, (uint64_t)-1, 0xFFFFFFFFu},   {STG_TYPE_I8, 0x17F, 0x7F},
      {STG_TYPE_I16, (uint64_t)-2, 0xFFFFFFFEu},  {STG_TYPE_U32_COUNTER, 0x1FFFFFFFFull, 0xFFFFFFFFu},
      {STG_TYPE_U8, (uint64_t)-1, 255},           {STG_TYPE_U16, 0x12345, 0x2345},
      {STG_TYPE_U32, (uint64_t)-1, 0xFFFFFFFFu},  {STG_TYPE_BIT0 + 3, 2, 1},
      {STG_TYPE_BIT0 + 31, 1, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.code);
    ITEM_DESC* r = RowOfCode(k.code);
    ASSERT_NE(r, nullptr);
    StgWriteValue(ctx_, r, k.written);
    EXPECT_EQ(StgReadValue(ctx_, r), k.read);
    StgWriteValue(ctx_, r, 0);
    EXPECT_EQ(StgReadValue(ctx_, r), 0u);
  }
  // Text and raw rows read as their address; writing an address copies the row's length.
  ITEM_DESC* text = RowOfCode(STG_TYPE_ANSI);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(StgReadValue(ctx_, text), (uint64_t)(uintptr_t)StgGetValuePtr(ctx_, text));
}

TEST_F(Access, BitsOfOneWordAreIndependent) {
  // Two bit rows at the same offset in the same block.
  ITEM_DESC *a = nullptr, *b = nullptr;
  for (int i = 0; i < ctx_->dictionary->count && !b; ++i) {
    ITEM_DESC* r = &ctx_->dictionary->rows[i];
    if (!StgTypeIsBit(r->type)) continue;
    if (!a) a = r;
    else if (r->offset == a->offset && StgTypeBlock(r->type) == StgTypeBlock(a->type)) b = r;
  }
  ASSERT_TRUE(a && b);
  StgWriteValue(ctx_, a, 1);
  StgWriteValue(ctx_, b, 1);
  StgWriteValue(ctx_, a, 0);
  EXPECT_EQ(StgReadValue(ctx_, a), 0u);
  EXPECT_EQ(StgReadValue(ctx_, b), 1u);
}

TEST_F(Access, ValueMapsBothWays) {
  ITEM_DESC* nup = StgFindItem(ctx_, QDV_rdmNUPType);
  ASSERT_TRUE(nup && nup->ext && nup->ext->valueMap);
  StgSetValue(ctx_, QDV_dmOrientation, 1);
  EXPECT_EQ(StgMapToOption(ctx_, nup, 1), 6245u);
  EXPECT_EQ(StgMapFromOption(ctx_, nup, 6245), 1u);
  // Landscape reads the second sub-list.
  const ITEM_VALUE_MAP* second = nup->ext->valueMap;
  while (second->option & 0xFFFF) ++second;
  ++second;
  ASSERT_NE(second->option & 0xFFFF, 0u);
  StgSetValue(ctx_, QDV_dmOrientation, 2);
  EXPECT_EQ(StgMapToOption(ctx_, nup, second->stored), second->option & 0xFFFF);
  StgSetOptionValue(ctx_, QDV_rdmNUPType, second->option & 0xFFFF);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmNUPType, nullptr), second->stored);
  EXPECT_EQ(StgGetOptionValue(ctx_, QDV_rdmNUPType, nullptr), second->option & 0xFFFF);

  // A pair whose option is 65535 is passed over; unmapped values pass through.
  ITEM_DESC* src = StgFindItem(ctx_, QDV_dmDefaultSource);
  EXPECT_EQ(StgHasOptionValue(ctx_, src, 5), 0);
  EXPECT_EQ(StgMapToOption(ctx_, src, 5), 5u);
  EXPECT_EQ(StgMapToOption(ctx_, src, 54321), 54321u);
  EXPECT_EQ(StgMapFromOption(ctx_, src, 54321), 54321u);
  // Without a map the option is the stored value.
  ITEM_DESC* plain = StgFindItem(ctx_, QDV_dmPrintQuality);
  EXPECT_EQ(StgHasOptionValue(ctx_, plain, 600), 0);
  EXPECT_EQ(StgMapToOption(ctx_, plain, 600), 600u);
}

TEST_F(Access, EveryWriteMarks) {
  ITEM_DESC* row = nullptr;
  StgGetValue(ctx_, QDV_dmPrintQuality, &row);
  ASSERT_NE(row, nullptr);
  DWORD v = (DWORD)StgReadValue(ctx_, row);
  row->flags &= ~(uint64_t)STG_FLAG_CHANGE_MASK;
  ctx_->work->storeModified = 0;
  StgWriteValue(ctx_, row, v);  // the same value
  EXPECT_EQ(row->flags & STG_FLAG_CHANGE_MASK, (uint64_t)STG_FLAG_CHANGED);
  EXPECT_EQ(ctx_->work->storeModified, 1u);
  // The saved copy is written without marks.
  row->flags &= ~(uint64_t)STG_FLAG_CHANGE_MASK;
  StgSetSavedValue(ctx_, QDV_dmPrintQuality, 300);
  EXPECT_EQ(row->flags & STG_FLAG_CHANGE_MASK, 0u);
  EXPECT_EQ(StgGetSavedValue(ctx_, QDV_dmPrintQuality, nullptr), 300u);
  EXPECT_EQ(StgGetValue(ctx_, QDV_dmPrintQuality, nullptr), v);
}

TEST_F(Access, ScaleHMirrorsToScaleVUnderScaleType1) {
  StgSetValue(ctx_, QDV_rdmScaleV, 100);
  StgSetValue(ctx_, QDV_rdmScaleType, 2);
  StgSetValue(ctx_, QDV_rdmScaleH, 150);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleV, nullptr), 100u);
  StgSetValue(ctx_, QDV_rdmScaleType, 1);
  StgSetValue(ctx_, QDV_rdmScaleH, 150);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleV, nullptr), 150u);
}

TEST_F(Access, WideTextIsCutToItsRoom) {
  ITEM_DESC* name = StgFindItem(ctx_, 1);  // dmDeviceName: wide[32]
  ASSERT_EQ(StgTypeCode(name->type), (DWORD)STG_TYPE_WIDE);
  WORD spec = (WORD)StgGetValue(ctx_, 2, nullptr);  // dmSpecVersion lies right after it
  std::u16string longText(1025, u'x');
  ASSERT_NE(StgSetString(ctx_, name, longText.c_str()), nullptr);
  EXPECT_EQ(StgGetValue(ctx_, 2, nullptr), spec);
  WCHAR out[40] = {};
  ASSERT_NE(StgGetString(ctx_, name, out), nullptr);
  EXPECT_EQ(std::u16string(out), std::u16string(31, u'x'));
  StgSetString(ctx_, name, u"Plot");
  StgGetString(ctx_, name, out);
  EXPECT_EQ(std::u16string(out), u"Plot");
}

TEST_F(Access, AnsiTextIsCutToItsLength) {
  ITEM_DESC* row = RowOfCode(STG_TYPE_ANSI);
  ASSERT_NE(row, nullptr);
  DWORD len = StgTypeLength(row->type);
  std::u16string longText(len + 20, u'a');
  StgSetString(ctx_, row, longText.c_str());
  std::u16string out(len + 1, u'?');
  ASSERT_NE(StgGetString(ctx_, row, out.data()), nullptr);
  EXPECT_EQ(std::u16string(out.c_str()), std::u16string(len, u'a'));
}

TEST_F(Access, GetStringOnANumberGivesNothing) {
  WCHAR out[8] = {u'z', u'z', 0};
  EXPECT_EQ(StgGetString(ctx_, StgFindItem(ctx_, QDV_dmPrintQuality), out), nullptr);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(StgGetString(ctx_, nullptr, out), nullptr);
}

TEST_F(Access, ResourceStringOnATextRow) {
  ITEM_DESC* row = StgFindItem(ctx_, 1);
  StgSetString(ctx_, row, u"old");
  EXPECT_EQ(StgSetValueOrResString(ctx_, 1, 700), 1);  // no resource library: the empty text
  WCHAR out[40];
  StgGetString(ctx_, row, out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(StgSetValueOrResString(ctx_, 9999, 1), 0);
}

TEST_F(Access, FontListReferencesKeepAllTheirBits) {
  void* list = StgAllocZero(68);
  StgSetValue(ctx_, QDV_rdmDeviceFont, (uint64_t)(uintptr_t)list);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmDeviceFont, nullptr), (uint64_t)(uintptr_t)list);
  // The stored slot only marks the list: a whole-store copy carries no reference.
  ITEM_DESC* row = StgFindItem(ctx_, QDV_rdmDeviceFont);
  DWORD slot;
  std::memcpy(&slot, StgGetValuePtr(ctx_, row), 4);
  EXPECT_EQ(slot, 1u);
  // A stored slot with any bits in it never reads as a reference by itself.
  std::memcpy(StgGetLockedDefaultValuePtr(ctx_, row), "\xEF\xBE\xAD\xDE", 4);
  EXPECT_EQ(StgGetLockedDefaultValue(ctx_, QDV_rdmDeviceFont, nullptr), 0u);
  StgSetValue(ctx_, QDV_rdmDeviceFont, 0);
  std::memcpy(&slot, StgGetValuePtr(ctx_, row), 4);
  EXPECT_EQ(slot, 0u);
  StgFree(list);
}

TEST_F(Access, ValuesAreAddressedByTheLayoutNotByTheStoredOffsets) {
  // Block offsets in the header that point elsewhere change nothing about where values live.
  BYTE* dm = ctx_->store->bytes;
  const WORD bogus[3] = {9000, 60000, 1};
  std::memcpy(dm + PDM_OFF_BLOCK_OFFSETS, bogus, 6);
  StgSetValue(ctx_, QDV_rdmLogCodeUse, 1);  // device block offset 1
  EXPECT_EQ(dm[STG_DEVICE_BLOCK_OFFSET + 1], 1);
  EXPECT_EQ(StgGetDeviceBlock(ctx_), dm + STG_DEVICE_BLOCK_OFFSET);
  EXPECT_EQ(StgGetWorkBlock(ctx_), dm + STG_WORK_BLOCK_OFFSET);
  EXPECT_EQ(StgGetPrivatePart(ctx_), dm + STG_DEVMODE_PUBLIC_SIZE);
}

TEST_F(Access, SingleSettingGettersAndSetters) {
  StgSetPrintQuality(600, ctx_);
  StgSetYResolution(300, ctx_);
  StgSetDstResolutionW(1200, ctx_);
  StgSetDstResolutionH(2400, ctx_);
  EXPECT_EQ(StgGetPrintQuality(ctx_), 600u);
  EXPECT_EQ(StgGetValue(ctx_, QDV_dmYResolution, nullptr), 300u);
  EXPECT_EQ(StgGetDstResolutionW(ctx_), 1200u);
  EXPECT_EQ(StgGetDstResolutionH(ctx_), 2400u);
}

TEST_F(Access, LightContextReadsNothing) {
  SETTING_CONTEXT* light = Create(printer_, 4);
  EXPECT_EQ(StgGetValue(light, QDV_dmPrintQuality, nullptr), 0u);
  StgSetValue(light, QDV_dmPrintQuality, 5);
  EXPECT_EQ(StgGetValuePtr(light, StgFindItem(light, 1)), nullptr);
  StgReleaseContext(light, STG_RELEASE_FREE);
}

}  // namespace
