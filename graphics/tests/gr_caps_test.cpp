// Device capabilities answered from the context's snapshot: GDIINFO, DEVINFO, palette, pattern and band
// sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gr_pdev.h"
#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvtest/temp_root.h"

namespace {

// A context with only the snapshot fields the capability answers read.
class CapsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    heap_ = GrHeapCreate();
    p_ = static_cast<GR_PDEV*>(GrHeapAlloc(heap_, sizeof(GR_PDEV)));
    p_->heap = heap_;
    p_->magic = p_->magicEnd = GR_PDEV_MAGIC;
    p_->resolution = 600;
    p_->paperWidthDot = 4960;
    p_->paperLengthDot = 7016;
    p_->printWidthDot = 4760;
    p_->printLengthDot = 6816;
    p_->printWidthMM10 = 4760 * 254 / 600;
    p_->printLengthMM10 = 6816 * 254 / 600;
    p_->offsetX = 100;
    p_->offsetY = 100;
    p_->colorProcess = 2;
    p_->colorMode = 2;
    p_->emfSpool = 1;
  }
  void TearDown() override {
    if (p_->palette) EngDeletePalette(p_->palette);
    GrHeapDestroy(heap_);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), 0u);
  }
  kvtest::TempRoot root_;
  GR_HEAP heap_ = nullptr;
  GR_PDEV* p_ = nullptr;
};

TEST_F(CapsTest, GdiInfoAcrossRasterModeAndColour) {
  struct Case {
    SHORT raster, process;
    DWORD mode;
    SHORT oneBit;
    ULONG bits, planes, colors, palReg, htFormat;
  } cases[] = {
      {1, 1, 1, 0, 1, 1, 2, 2, HT_FORMAT_1BPP},
      {1, 1, 2, 0, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
      {1, 2, 2, 0, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
      {0, 1, 1, 0, 1, 1, 2, 2, HT_FORMAT_24BPP},
      {0, 1, 1, 1, 1, 1, 2, 2, HT_FORMAT_1BPP},
      {0, 1, 2, 0, 1, 1, 8, 20, HT_FORMAT_24BPP},
      {0, 1, 2, 1, 1, 1, 8, 20, HT_FORMAT_24BPP},
      {0, 2, 1, 0, 24, 1, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
      {0, 2, 2, 0, 24, 1, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
      {0, 3, 2, 0, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
      {0, 0, 2, 0, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "raster " << c.raster << " process " << c.process << " mode " << c.mode
                                    << " 1-bit " << c.oneBit);
    p_->rasterMode = c.raster;
    p_->colorProcess = c.process;
    p_->colorMode = c.mode;
    p_->oneBitSurface = c.oneBit;
    GDIINFO g;
    std::memset(&g, 0xEE, sizeof(g));
    ASSERT_TRUE(GrFillGdiInfo(p_, sizeof(g), &g));
    EXPECT_EQ(g.cBitsPixel, c.bits);
    EXPECT_EQ(g.cPlanes, c.planes);
    EXPECT_EQ(g.ulNumColors, c.colors);
    EXPECT_EQ(g.ulNumPalReg, c.palReg);
    EXPECT_EQ(g.ulHTOutputFormat, c.htFormat);
  }
}

TEST_F(CapsTest, GdiInfoFixedFieldsAndSizes) {
  GDIINFO g;
  std::memset(&g, 0xEE, sizeof(g));
  ASSERT_TRUE(GrFillGdiInfo(p_, sizeof(g), &g));
  EXPECT_EQ(g.ulVersion, 0x500u);
  EXPECT_EQ(g.ulTechnology, 2u);
  EXPECT_EQ(LONG(g.ulHorzSize), -2015 * 100);  // negative: micrometres
  EXPECT_EQ(LONG(g.ulVertSize), -2885 * 100);
  EXPECT_EQ(g.ulHorzRes, 4760u);
  EXPECT_EQ(g.ulVertRes, 6816u);
  EXPECT_EQ(p_->pageWidthPx, 4760);
  EXPECT_EQ(p_->pageHeightPx, 6816);
  EXPECT_EQ(g.flRaster, 0u);
  EXPECT_EQ(g.ulLogPixelsX, 600u);
  EXPECT_EQ(g.ulLogPixelsY, 600u);
  EXPECT_EQ(g.ulAspectX, 600u);
  EXPECT_EQ(g.ulAspectXY, 848u);
  EXPECT_EQ(g.flTextCaps, 0x581Fu);
  EXPECT_EQ(g.xStyleStep, 1);
  EXPECT_EQ(g.denStyleStep, 24);
  EXPECT_EQ(g.ptlPhysOffset.x, 100);
  EXPECT_EQ(g.szlPhysSize.cx, 4960);
  EXPECT_EQ(g.szlPhysSize.cy, 7016);
  EXPECT_EQ(g.ciDevice.Red.x, 6380);
  EXPECT_EQ(g.ciDevice.AlignmentWhite.y, 3290);
  EXPECT_EQ(g.ciDevice.BlueGamma, 12500);
  EXPECT_EQ(g.ciDevice.MagentaInCyanDye, 585);
  EXPECT_EQ(g.ciDevice.MagentaInYellowDye, 10000);
  EXPECT_EQ(g.ulDevicePelsDPI, 0u);
  EXPECT_EQ(g.ulPrimaryOrder, 4u);
  EXPECT_EQ(g.ulHTPatternSize, 7u);
  EXPECT_EQ(g.flHTFlags, 2u);
  EXPECT_EQ(g.ulDACRed, 0u);
  EXPECT_EQ(g.pHTPatA, nullptr);

  p_->printAreaKind = 2;  // millimetres
  ASSERT_TRUE(GrFillGdiInfo(p_, sizeof(g), &g));
  EXPECT_EQ(g.ulHorzSize, 201u);
  EXPECT_EQ(g.ulVertSize, 288u);

  // A smaller caller record gets only its own bytes.
  BYTE small[sizeof(GDIINFO)];
  std::memset(small, 0xEE, sizeof(small));
  ASSERT_TRUE(GrFillGdiInfo(p_, 100, reinterpret_cast<GDIINFO*>(small)));
  EXPECT_EQ(small[0], 0x00);
  for (size_t i = 100; i < sizeof(small); ++i) ASSERT_EQ(small[i], 0xEE) << i;
}

TEST_F(CapsTest, HalftonePatternAndBandSizes) {
  const std::pair<ULONG, ULONG> ht[] = {{2400, 15}, {1800, 13}, {1799, 11}, {1200, 11}, {900, 9}, {600, 7},
                                        {400, 7},   {399, 5},   {180, 5},   {179, 3},   {0, 3}};
  for (auto [dpi, size] : ht) EXPECT_EQ(GrHalftonePatternSize(dpi, 2400), size) << dpi;
  EXPECT_EQ(GrHalftonePatternSize(2400, 300), 5u);
  struct Band {
    LONG width, height, band;
  } bands[] = {{4961, 7016, 512}, {4961, 300, 300}, {32, 100000, 76832}, {1, 5000, 5000}, {100000, 99999, 32},
               {0, 100, 0}, {100, 0, 0}};
  for (const Band& b : bands) EXPECT_EQ(GrBandHeight(b.width, b.height), b.band) << b.width << "x" << b.height;
}

TEST_F(CapsTest, BandsEndAtThePageBottom) {
  SURFOBJ band{};
  band.sizlBitmap = SIZEL{4961, 512};
  struct Case {
    DWORD y;
    LONG pageHeight;
    RECTL rect;
    bool last;
  } cases[] = {
      {0, 7016, {0, 0, 4961, 512}, false},      {6656, 7016, {0, 6656, 4961, 7016}, true},
      {512, 1024, {0, 512, 4961, 1024}, true},  // an exact multiple: no band after this one
      {0, 1024, {0, 0, 4961, 512}, false},      {0, 100, {0, 0, 4961, 100}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.y << " of " << c.pageHeight);
    p_->bandY = c.y;
    p_->pageHeightPx = c.pageHeight;
    RECTL r{};
    EXPECT_EQ(GrBandRect(p_, &band, &r), c.last);
    EXPECT_EQ(r.top, c.rect.top);
    EXPECT_EQ(r.bottom, c.rect.bottom);
    EXPECT_EQ(r.right, c.rect.right);
  }
}

TEST_F(CapsTest, DevInfoCapsBits) {
  struct Case {
    SHORT raster;
    DWORD emf, raw, mode, matching, icm;
    FLONG caps;
  } cases[] = {
      {0, 1, 0, 2, 0, 0, 0x1F},
      {1, 1, 0, 2, 0, 0, 0x430},
      {0, 0, 0, 2, 0, 0, 0x1F | GCAPS_DONTJOURNAL},
      {0, 1, 1, 2, 0, 0, 0x1F | GCAPS_DONTJOURNAL},
      {0, 1, 0, 2, 1, 1, 0x1F | GCAPS_ICM},
      {0, 1, 0, 1, 1, 1, 0x1F},
      {0, 1, 0, 2, 1, 2, 0x1F},
      {1, 1, 0, 1, 0, 0, 0x430 | GCAPS_FORCEDITHER},  // raster mono with colour process 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.raster << c.emf << c.raw << c.mode << c.matching << c.icm);
    p_->rasterMode = c.raster;
    p_->emfSpool = c.emf;
    p_->rawPluginPresent = LONG(c.raw);
    p_->colorMode = c.mode;
    p_->colorProcess = c.mode == 1 ? 1 : 2;
    p_->colorMatching = BYTE(c.matching);
    p_->icmType = BYTE(c.icm);
    DEVINFO d{};
    ASSERT_TRUE(GrFillDevInfo(p_, sizeof(d), &d));
    EXPECT_EQ(d.flGraphicsCaps, c.caps);
  }
}

TEST_F(CapsTest, DevInfoPalettes) {
  DEVINFO d{};
  p_->rasterMode = 1;
  p_->colorProcess = 1;
  p_->colorMode = 1;
  ASSERT_TRUE(GrFillDevInfo(p_, sizeof(d), &d));
  EXPECT_EQ(d.iDitherFormat, ULONG(BMF_1BPP));
  EXPECT_EQ(d.cxDither, 8);  // halftone pattern 7 at 600 dpi
  EXPECT_EQ(d.cyDither, 8);
  EXPECT_EQ(d.hpalDefault, p_->palette);
  kvp::eng::PaletteInfo pal;
  ASSERT_TRUE(kvp::eng::DescribePalette(d.hpalDefault, &pal));
  EXPECT_EQ(pal.mode, ULONG(PAL_INDEXED));
  EXPECT_EQ(pal.colors, (std::vector<ULONG>{0x000000, 0xFFFFFF}));

  // The next answer replaces the palette (the old one is deleted, not leaked).
  HPALETTE old = p_->palette;
  p_->colorMode = 2;
  ASSERT_TRUE(GrFillDevInfo(p_, sizeof(d), &d));
  EXPECT_FALSE(kvp::eng::DescribePalette(old, &pal));
  ASSERT_TRUE(kvp::eng::DescribePalette(d.hpalDefault, &pal));
  EXPECT_EQ(pal.mode, ULONG(PAL_BGR));
  EXPECT_EQ(d.iDitherFormat, ULONG(BMF_24BPP));
  EXPECT_EQ(d.cxDither, 0);

  // A palette that cannot be created fails the answer.
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(GrFillDevInfo(p_, sizeof(d), &d));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(p_->palette, nullptr);
}

TEST_F(CapsTest, DevInfoCharsetAndDefaultFont) {
  const std::pair<const char*, BYTE> charsets[] = {{"1252", 0},   {"932", 128},  {"949", 129},  {"1361", 130},
                                                   {"936", 134},  {"950", 136},  {"1255", 177}, {"1256", 178},
                                                   {"1253", 161}, {"1254", 162}, {"1257", 186}, {"1250", 238},
                                                   {"1251", 204}, {"874", 222},  {"437", 0}};
  for (auto [cp, charset] : charsets) {
    SCOPED_TRACE(cp);
    ASSERT_EQ(kvp::ProfileSet("ACP", cp), 0u);
    DEVINFO d{};
    ASSERT_TRUE(GrFillDevInfo(p_, sizeof(d), &d));
    EXPECT_EQ(d.lfDefaultFont.lfCharSet, charset);
    EXPECT_EQ(d.lfAnsiVarFont.lfCharSet, 0);
    EXPECT_EQ(d.lfDefaultFont.lfHeight, 0);  // no device-font default
  }
  ASSERT_EQ(kvp::ProfileSet("ACP", "932"), 0u);
  struct Case {
    SHORT raster, language;
    DWORD deviceFont;
    bool font;
  } cases[] = {{0, 0, 1, true}, {1, 0, 1, false}, {0, 1, 1, false}, {0, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.raster << c.language << c.deviceFont);
    p_->rasterMode = c.raster;
    p_->languageId = c.language;
    p_->deviceFontDefault = c.deviceFont;
    DEVINFO d{};
    ASSERT_TRUE(GrFillDevInfo(p_, sizeof(d), &d));
    if (!c.font) {
      EXPECT_EQ(d.lfDefaultFont.lfHeight, 0);
      EXPECT_EQ(d.lfAnsiFixFont.lfFaceName[0], 0);
      continue;
    }
    EXPECT_EQ(d.lfDefaultFont.lfHeight, (300 + 6000) / 72);
    EXPECT_EQ(d.lfDefaultFont.lfWidth, 87 / 2);
    EXPECT_EQ(d.lfDefaultFont.lfWeight, 400);
    EXPECT_EQ(d.lfDefaultFont.lfCharSet, 128);  // the engine's charset of code page 932
    EXPECT_EQ(d.lfAnsiVarFont.lfCharSet, 0);
    EXPECT_EQ(d.lfAnsiFixFont.lfCharSet, 0);
    EXPECT_EQ(d.lfAnsiFixFont.lfOutPrecision, 1);
    EXPECT_EQ(d.lfAnsiFixFont.lfClipPrecision, 2);
    EXPECT_EQ(d.lfAnsiFixFont.lfPitchAndFamily, 0x11);
    EXPECT_EQ(std::u16string(d.lfAnsiVarFont.lfFaceName), u"明朝");
  }
}

}  // namespace
