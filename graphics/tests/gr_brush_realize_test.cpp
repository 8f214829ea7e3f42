// Realized brushes: hatch tiles, one-bit and two-colour tiles with their doubling and tiling, 24-bit
// tiles from every pattern format, stretched patterns and the flip of bottom-up patterns.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gr_brush.h"
#include "gr_doc_fixture.h"
#include "gr_state.h"
#include "kvplat/error.h"
#include "kvplat/stretch.h"

namespace {

using Pattern = grtest::Bitmap;

class RealizeTest : public grtest::DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    dc_ = &Enable();
    target_.dhpdev = dc_->p();
  }
  // The realization of a brush of `pattern`, through the engine's brush object.
  const GR_BRUSH* Realize(SURFOBJ* pattern, XLATEOBJ* xlate = nullptr) {
    return Keep(kvp::eng::CreatePatternBrush(&target_, pattern, nullptr, xlate, HS_DDI_MAX, &DrvRealizeBrush));
  }
  // The realization of one of the engine's hatched brushes.
  const GR_BRUSH* RealizeHatch(ULONG hatch, ULONG fore, ULONG back) {
    return Keep(kvp::eng::CreateHatchBrush(&target_, hatch, fore, back, &DrvRealizeBrush));
  }
  const GR_BRUSH* Keep(BRUSHOBJ* brush) {
    if (brush_) kvp::eng::DeleteBrush(brush_);
    brush_ = brush;
    EXPECT_NE(brush_, nullptr);
    return brush_ ? static_cast<const GR_BRUSH*>(BRUSHOBJ_pvGetRbrush(brush_)) : nullptr;
  }
  void TearDown() override {
    if (brush_) kvp::eng::DeleteBrush(brush_);
    DocTest::TearDown();
  }
  static DWORD Row1(const GR_BRUSH* b, int y) {
    const BYTE* r = b->bits + 4 * y;
    return DWORD(r[0]) << 24 | DWORD(r[1]) << 16 | DWORD(r[2]) << 8 | r[3];
  }
  static DWORD Pixel24(const GR_BRUSH* b, int x, int y) {
    const BYTE* p = b->bits + 96 * y + 3 * x;
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16;
  }
  Dc* dc_ = nullptr;
  SURFOBJ target_{};
  BRUSHOBJ* brush_ = nullptr;
};

TEST_F(RealizeTest, HatchTilesScaleEachHatchPixelToFourByFour) {
  for (ULONG hatch = 0; hatch < GR_HATCH_STYLES; ++hatch) {
    SCOPED_TRACE(hatch);
    const GR_BRUSH* b = RealizeHatch(hatch, 0x0000FF, 0xFFFFFF);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->kind, GR_BRUSH_PATTERN1);
    EXPECT_EQ(b->depth, 1);
    EXPECT_EQ(b->side, 32);
    EXPECT_EQ(b->color1, 0x0000FFu);  // translation entry 1, the hatch colour, draws the lines
    EXPECT_EQ(b->color2, 0xFFFFFFu);
    for (int y = 0; y < 32; ++y) {
      DWORD want = 0;
      for (int x = 0; x < 32; ++x)
        if (GR_HATCH_ROWS[hatch][y / 4] & (0x80 >> (x / 4))) want |= 0x80000000u >> x;
      EXPECT_EQ(Row1(b, y), want) << "row " << y;
    }
  }
  const GR_BRUSH* cross = RealizeHatch(HS_CROSS, 0, 0xFFFFFF);
  ASSERT_NE(cross, nullptr);
  for (int y = 0; y < 32; ++y) EXPECT_EQ(Row1(cross, y), y >= 16 && y < 20 ? 0xFFFFFFFFu : 0x0000F000u) << y;
}

TEST_F(RealizeTest, OneBitPatterns) {
  Pattern checker(8, 8, BMF_1BPP);
  for (int y = 0; y < 8; ++y) checker.Row(y)[0] = y % 2 ? 0x55 : 0xAA;
  const GR_BRUSH* b = Realize(checker.so);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->kind, GR_BRUSH_PATTERN1);
  EXPECT_EQ(b->color1, 0x000000u);  // no table: index 0 black, index 1 white
  EXPECT_EQ(b->color2, 0xFFFFFFu);
  for (int y = 0; y < 32; ++y) EXPECT_EQ(Row1(b, y), (y / 2) % 2 ? 0xCCCCCCCCu : 0x33333333u) << y;

  // Another size is tiled without scaling, bits inverted; a bottom-up pattern is flipped.
  Pattern stripe(3, 2, BMF_1BPP, false);
  stripe.Row(0)[0] = 0x80;  // top row: pixel 0 is index 1
  stripe.Row(1)[0] = 0x00;
  b = Realize(stripe.so);
  ASSERT_NE(b, nullptr);
  // Tiled from storage order (bottom row first), then flipped: the picture's top row is on top.
  EXPECT_EQ(Row1(b, 0), 0x6DB6DB6Du);
  EXPECT_EQ(Row1(b, 1), 0xFFFFFFFFu);
  EXPECT_EQ(Row1(b, 31), 0xFFFFFFFFu);
}

TEST_F(RealizeTest, TwentyFourBitPatternsOfTwoColoursBecomeOneBitTiles) {
  Pattern two(8, 8, BMF_24BPP);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) two.Put24(x, y, (x + y) % 2 ? 0x0000FF : 0x00FF00);
  const GR_BRUSH* b = Realize(two.so);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->kind, GR_BRUSH_PATTERN1);
  EXPECT_EQ(b->color1, 0x00FF00u);
  EXPECT_EQ(b->color2, 0xFF0000u);  // stored blue, named with red in the low byte
  EXPECT_EQ(Row1(b, 0), 0xCCCCCCCCu);
  EXPECT_EQ(Row1(b, 2), 0x33333333u);

  two.Put24(3, 3, 0x123456);  // a third colour
  b = Realize(two.so);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->kind, GR_BRUSH_PATTERN24);
  EXPECT_EQ(b->depth, 24);
  EXPECT_EQ(b->color1, 0x000000u);
  EXPECT_EQ(b->color2, 0xFFFFFFu);
  for (int by = 0; by < 4; ++by)
    for (int bx = 0; bx < 4; ++bx) EXPECT_EQ(Pixel24(b, 8 * bx + 3, 8 * by + 3), 0x563412u);
  EXPECT_EQ(Pixel24(b, 0, 0), 0x00FF00u);
}

TEST_F(RealizeTest, PatternFormatsIntoTwentyFourBitTiles) {
  {  // 16 bits: full intensity stays full intensity, 5-5-5 unless the translation says 5-6-5
    Pattern p16(8, 8, BMF_16BPP);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        WORD v = x == 0 ? 0x7FFF : 0x001F;
        std::memcpy(p16.Row(y) + 2 * x, &v, 2);
      }
    const GR_BRUSH* b = Realize(p16.so);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Pixel24(b, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Pixel24(b, 1, 0), 0xFF0000u);  // full blue: the tile's third byte
    ULONG masks[3] = {0xF800, 0x07E0, 0x001F};
    XLATEOBJ* fields = kvp::eng::CreateXlate(masks, 3);
    fields->iSrcType = PAL_BITFIELDS;
    for (int y = 0; y < 8; ++y) {
      WORD v = 0x07E0;  // full green in 5-6-5
      std::memcpy(p16.Row(y) + 2, &v, 2);
    }
    b = Realize(p16.so, fields);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Pixel24(b, 1, 0), 0x00FF00u);
    kvp::eng::DeleteXlate(fields);
  }
  {  // 8 bits through the table; 32 bits take their first three bytes
    Pattern p8(8, 8, BMF_8BPP);
    p8.Row(0)[0] = 1;
    ULONG table[2] = {0x000000, 0x00332211};
    XLATEOBJ* x = kvp::eng::CreateXlate(table, 2);
    const GR_BRUSH* b = Realize(p8.so, x);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->kind, GR_BRUSH_PATTERN24);
    EXPECT_EQ(Pixel24(b, 0, 0), 0x332211u);
    EXPECT_EQ(Pixel24(b, 8, 8), 0x332211u);
    EXPECT_EQ(Pixel24(b, 1, 0), 0u);
    kvp::eng::DeleteXlate(x);
    Pattern p32(8, 8, BMF_32BPP);
    std::memcpy(p32.Row(0), "\x01\x02\x03\x04", 4);
    b = Realize(p32.so);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Pixel24(b, 16, 8), 0x010203u);
  }
  {  // a bottom-up 24-bit pattern: the tile is top row first
    Pattern up(8, 8, BMF_24BPP, false);
    for (int x = 0; x < 8; ++x) {
      up.Put24(x, 0, 0x0000AA);
      up.Put24(x, 1, 0x00BB00);
    }
    const GR_BRUSH* b = Realize(up.so);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->kind, GR_BRUSH_PATTERN24);
    EXPECT_EQ(Pixel24(b, 0, 0), 0xAA0000u);
    EXPECT_EQ(Pixel24(b, 0, 1), 0x00BB00u);
    EXPECT_EQ(Pixel24(b, 0, 9), 0x00BB00u);
  }
}

TEST_F(RealizeTest, OtherSizesAreStretchedByTheEngine) {
  Pattern nine(9, 9, BMF_24BPP);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) nine.Put24(x, y, x < 4 ? 0x0000FF : x == 4 ? 0x00FF00 : 0xFF0000);
  kvp::eng::ClearStretchLog();
  const GR_BRUSH* b = Realize(nine.so);
  ASSERT_NE(b, nullptr);
  std::vector<kvp::eng::StretchCall> log = kvp::eng::StretchLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].target.right, 16);
  EXPECT_EQ(log[0].target.bottom, 16);
  EXPECT_EQ(log[0].mode, ULONG(COLORONCOLOR));
  EXPECT_EQ(b->kind, GR_BRUSH_PATTERN24);
  for (int x = 0; x < 32; ++x) EXPECT_EQ(Pixel24(b, x, 0), Pixel24(b, x % 16, 5)) << x;  // tiled by 16
  EXPECT_EQ(Pixel24(b, 0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel24(b, 15, 0), 0x0000FFu);
  EXPECT_EQ(Pixel24(b, 16, 16), 0xFF0000u);

  // Without a temporary surface the pattern is tiled as it is.
  kvp::test::FailBitmapsAbove(16);
  b = Realize(nine.so);
  kvp::test::FailBitmapsAbove(0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Pixel24(b, 9, 0), 0xFF0000u);
  EXPECT_EQ(Pixel24(b, 13, 0), 0x00FF00u);
}

// Pure red reaches the printer as red, green, blue (FF 00 00) whatever the pattern's format and road,
// and a two-colour pattern names it with red in the low byte, as every brush colour does.
TEST_F(RealizeTest, EveryRoadGivesTheTileRedFirst) {
  constexpr DWORD kRed = 0x0000FF;  // red in the low byte, as translation entries hold it
  ULONG table[3] = {kRed, 0x00FF00, 0xFF0000};
  XLATEOBJ* indexed = kvp::eng::CreateXlate(table, 3);
  ULONG masks[3] = {0xF800, 0x07E0, 0x001F};
  XLATEOBJ* fields = kvp::eng::CreateXlate(masks, 3);
  fields->iSrcType = PAL_BITFIELDS;
  // Every pattern holds red at its top-left pixel and other colours around it (never only two).
  auto fill = [](Pattern& p, LONG w, LONG h, bool green6) {
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        int c = (x + y) % 3;  // 0 red, 1 green, 2 blue
        BYTE* row = p.Row(y);
        switch (p.so->iBitmapFormat) {
          case BMF_4BPP: row[x / 2] = BYTE(x % 2 ? (row[x / 2] & 0xF0) | c : (row[x / 2] & 0x0F) | c << 4); break;
          case BMF_8BPP: row[x] = BYTE(c); break;
          case BMF_16BPP: {
            const WORD v555[3] = {0x7C00, 0x03E0, 0x001F}, v565[3] = {0xF800, 0x07E0, 0x001F};
            WORD v = (green6 ? v565 : v555)[c];
            std::memcpy(row + 2 * x, &v, 2);
            break;
          }
          case BMF_24BPP: p.Put24(x, y, c == 0 ? 0xFF0000 : c == 1 ? 0x00FF00 : 0x0000FF); break;
          default: {
            const BYTE px[4] = {BYTE(c == 2 ? 0xFF : 0), BYTE(c == 1 ? 0xFF : 0), BYTE(c == 0 ? 0xFF : 0), 0};
            std::memcpy(row + 4 * x, px, 4);
          }
        }
      }
  };
  struct Case {
    const char* road;
    LONG side;
    ULONG format;
    XLATEOBJ* xlate;
    bool noTemp;
  } cases[] = {
      {"4-bit", 8, BMF_4BPP, indexed, false},
      {"8-bit", 8, BMF_8BPP, indexed, false},
      {"8-bit stretched", 9, BMF_8BPP, indexed, false},
      {"8-bit tiled without memory", 9, BMF_8BPP, indexed, true},
      {"16-bit 5-5-5", 8, BMF_16BPP, nullptr, false},
      {"16-bit 5-6-5", 8, BMF_16BPP, fields, false},
      {"24-bit", 8, BMF_24BPP, nullptr, false},
      {"24-bit stretched", 9, BMF_24BPP, nullptr, false},
      {"24-bit tiled without memory", 9, BMF_24BPP, nullptr, true},
      {"32-bit", 8, BMF_32BPP, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.road);
    Pattern p(c.side, c.side, c.format);
    fill(p, c.side, c.side, c.xlate == fields);
    if (c.noTemp) kvp::test::FailBitmapsAbove(16);
    const GR_BRUSH* b = Realize(p.so, c.xlate);
    if (c.noTemp) kvp::test::FailBitmapsAbove(0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->kind, GR_BRUSH_PATTERN24);
    EXPECT_EQ(Pixel24(b, 0, 0), 0x0000FFu) << "first bytes " << int(b->bits[0]) << " " << int(b->bits[1]) << " "
                                           << int(b->bits[2]);
  }
  Pattern two(8, 8, BMF_24BPP);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) two.Put24(x, y, (x + y) % 2 ? 0xFFFFFF : 0xFF0000);
  const GR_BRUSH* b = Realize(two.so);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->kind, GR_BRUSH_PATTERN1);
  EXPECT_EQ(b->color1, kRed);
  EXPECT_EQ(b->color2, 0xFFFFFFu);
  kvp::eng::DeleteXlate(indexed);
  kvp::eng::DeleteXlate(fields);
}

TEST_F(RealizeTest, Refusals) {
  BRUSHOBJ* solid = kvp::eng::CreateSolidBrush(0x123456);
  EXPECT_FALSE(DrvRealizeBrush(solid, &target_, nullptr, nullptr, nullptr, HS_DDI_MAX));  // no hatch, no pattern
  SURFOBJ bad{};
  SetLastError(0);
  EXPECT_FALSE(DrvRealizeBrush(solid, &bad, nullptr, nullptr, nullptr, HS_CROSS));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  kvp::eng::DeleteBrush(solid);
}

}  // namespace
