// The engine's fonts and strings: real faces, their metrics, glyph bitmaps, positions and enumeration, and
// the engine's wide-to-multibyte conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "kvplat/engine_font.h"
#include "kvplat/sysinfo.h"
#include "kvtest/fonts.h"
#include "kvtest/temp_root.h"

namespace {

using kvp::eng::CreateFont;
using kvp::eng::CreateString;

using kvtest::Font;
using kvtest::Str;

std::u16string Name(const IFIMETRICS* m, LONG_PTR at) {
  return reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(m) + at);
}

TEST(EngineFont, RealFaceGivesMetricsAndTransform) {
  Font f(CreateFont(u"DejaVu Sans", 20));
  ASSERT_TRUE(f);
  IFIMETRICS* m = FONTOBJ_pifi(f.get());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->fwdUnitsPerEm, 2048);
  EXPECT_GT(m->fwdWinAscender, 1500);
  EXPECT_GT(m->fwdWinDescender, 300);
  EXPECT_EQ(m->usWinWeight, 400);
  EXPECT_EQ(Name(m, m->dpwszFamilyName), u"DejaVu Sans");
  EXPECT_EQ(Name(m, m->dpwszFaceName), u"DejaVu Sans");
  FD_XFORM x = kvp::eng::FontXform(f.get());
  EXPECT_FLOAT_EQ(x.eXX, 20.0f / 2048);
  EXPECT_FLOAT_EQ(x.eYY, 20.0f / 2048);
  EXPECT_EQ(x.eXY, 0.0f);
  Font bold(CreateFont(u"DejaVu Sans", 20, 0, true));
  ASSERT_TRUE(bold);
  EXPECT_NE(bold->iUniq, f->iUniq);
  EXPECT_EQ(FONTOBJ_pifi(bold.get())->usWinWeight, 700);
  ASSERT_TRUE(kvp::eng::SetFontNames(f.get(), u"EUDC", u"Face"));
  m = FONTOBJ_pifi(f.get());
  EXPECT_EQ(Name(m, m->dpwszFamilyName), u"EUDC");
  EXPECT_EQ(Name(m, m->dpwszFaceName), u"Face");
  EXPECT_EQ(m->fwdUnitsPerEm, 2048);  // the rest of the record stays
  // A turned font: the baseline runs up and to the right.
  Font turned(CreateFont(u"DejaVu Sans", 20, 90));
  x = kvp::eng::FontXform(turned.get());
  EXPECT_NEAR(x.eXY, -20.0 / 2048, 1e-6);
  EXPECT_NEAR(x.eXX, 0, 1e-6);
}

TEST(EngineFont, GlyphBitsAreRowsOfTheGlyph) {
  Font f(CreateFont(u"DejaVu Sans", 40));
  ASSERT_TRUE(f);
  Str s(CreateString(f.get(), u"I.", {100, 200}));
  ASSERT_TRUE(s);
  HGLYPH hg = s->pgp[0].hg;
  void* out = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(f.get(), FO_GLYPHBITS, 1, &hg, &out), 1u);
  auto* gd = static_cast<GLYPHDATA*>(out);
  GLYPHBITS* gb = gd->gdf.pgb;
  // An upright bar: above the baseline, every row has ink, all rows alike.
  EXPECT_LT(gb->ptlOrigin.y, -20);
  EXPECT_GT(gb->sizlBitmap.cy, 20);
  LONG rowBytes = (gb->sizlBitmap.cx + 7) / 8;
  for (LONG r = 0; r < gb->sizlBitmap.cy; ++r)
    EXPECT_EQ(std::memcmp(gb->aj, gb->aj + r * rowBytes, size_t(rowBytes)), 0) << r;
  EXPECT_NE(gb->aj[0], 0);
  EXPECT_EQ(s->pgp[0].pgdf->pgb, gb);
  // Bad calls give nothing.
  EXPECT_EQ(FONTOBJ_cGetGlyphs(f.get(), FO_GLYPHBITS, 2, &hg, &out), 0u);
  EXPECT_EQ(FONTOBJ_cGetGlyphs(f.get(), 7, 1, &hg, &out), 0u);
  FONTOBJ foreign{};
  EXPECT_EQ(FONTOBJ_cGetGlyphs(&foreign, FO_GLYPHBITS, 1, &hg, &out), 0u);
  EXPECT_EQ(FONTOBJ_pifi(&foreign), nullptr);
}

TEST(EngineFont, StringPositionsAndEnumeration) {
  Font f(CreateFont(u"DejaVu Sans", 20));
  Str s(CreateString(f.get(), u"AVA", {10, 50}, 2));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->cGlyphs, 3u);
  EXPECT_EQ(s->flAccel, ULONG(SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL));
  EXPECT_EQ(s->ulCharInc, 0u);  // a proportional face
  EXPECT_EQ(std::u16string(s->pwszOrg), u"AVA");
  EXPECT_EQ(s->pgp[0].ptl.x, 10);
  EXPECT_EQ(s->pgp[0].ptl.y, 50);
  EXPECT_GT(s->pgp[1].ptl.x, 20);
  EXPECT_EQ(s->pgp[2].ptl.y, 50);
  EXPECT_LT(s->rclBkGround.top, 50 - 15);
  EXPECT_GT(s->rclBkGround.bottom, 50);
  EXPECT_GE(s->rclBkGround.right, s->pgp[2].ptl.x);
  ULONG n = 0;
  GLYPHPOS* gp = nullptr;
  STROBJ_vEnumStart(s.get());
  EXPECT_TRUE(STROBJ_bEnum(s.get(), &n, &gp));
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(gp, s->pgp);
  EXPECT_FALSE(STROBJ_bEnum(s.get(), &n, &gp));
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(gp, s->pgp + 2);
  EXPECT_FALSE(STROBJ_bEnum(s.get(), &n, &gp));
  EXPECT_EQ(n, 0u);
  // A fixed-pitch face gives the one advance; a turned font walks up the page.
  Font mono(CreateFont(u"DejaVu Sans Mono", 20));
  Str m(CreateString(mono.get(), u"abc", {0, 0}));
  EXPECT_GT(m->ulCharInc, 0u);
  EXPECT_EQ(LONG(m->ulCharInc), m->pgp[1].ptl.x);
  Font turned(CreateFont(u"DejaVu Sans", 20, 90));
  Str t(CreateString(turned.get(), u"ab", {100, 100}));
  EXPECT_EQ(t->flAccel, ULONG(SO_FLAG_DEFAULT_PLACEMENT));
  EXPECT_EQ(t->pgp[1].ptl.x, 100);
  EXPECT_LT(t->pgp[1].ptl.y, 95);
}

TEST(EngineFont, UnicodeToMultiByteInTheAnsiCodePage) {
  kvtest::TempRoot root;
  struct Case {
    UINT cp;
    std::u16string text;
    ULONG max;
    std::string bytes;
  } cases[] = {
      {1252, u"A\u00e9", 8, "A\xe9"},
      {932, u"\u660e\u671d", 8, "\x96\xbe\x92\xa9"},
      {932, u"\u660e\u671d", 3, "\x96\xbe"},  // never half a character
      {1252, u"", 8, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cp);
    kvp::ProfileSet("ACP", std::to_string(c.cp));
    char out[8] = {};
    ULONG n = 99;
    EngUnicodeToMultiByteN(out, c.max, &n, c.text.data(), ULONG(2 * c.text.size()));
    EXPECT_EQ(std::string(out, n), c.bytes);
  }
}

}  // namespace

namespace {

TEST(EngineFont, TransformAndOutlines) {
  Font f(CreateFont(u"DejaVu Sans", 40));
  XFORMOBJ* xo = FONTOBJ_pxoGetXform(f.get());
  ASSERT_NE(xo, nullptr);
  EXPECT_EQ(FONTOBJ_pxoGetXform(f.get()), xo);  // kept with the font
  XFORML m{};
  XFORMOBJ_iGetXform(xo, &m);
  EXPECT_FLOAT_EQ(m.eM11, 40.0f / 2048);
  EXPECT_FLOAT_EQ(m.eM22, 40.0f / 2048);
  kvp::eng::SetFontXform(f.get(), {-0.01f, 0, 0, 0.01f});
  XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(f.get()), &m);
  EXPECT_FLOAT_EQ(m.eM11, -0.01f);
  // The outline of "I": a closed box above the baseline, in 28.4 relative to the glyph position.
  Str s(CreateString(f.get(), u"I", {0, 0}));
  HGLYPH hg = s->pgp[0].hg;
  void* out = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(f.get(), FO_PATHOBJ, 1, &hg, &out), 1u);
  PATHOBJ* path = static_cast<GLYPHDATA*>(out)->gdf.ppo;
  ASSERT_NE(path, nullptr);
  EXPECT_GE(path->cCurves, 3u);
  RECTFX b{};
  PATHOBJ_vGetBounds(path, &b);
  EXPECT_LT(b.yTop, -25 * 16);
  EXPECT_LE(b.yBottom, 0);
  EXPECT_GT(b.xRight - b.xLeft, 3 * 16);
  FONTOBJ foreign{};
  EXPECT_EQ(FONTOBJ_pxoGetXform(&foreign), nullptr);
}

TEST(EngineFont, TextOutDrawsGlyphsBoxAndUnderline) {
  SIZEL size{120, 60};
  HBM bm = EngCreateBitmap(size, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  ASSERT_NE(bm, nullptr);
  SURFOBJ* so = EngLockSurface(bm);
  Font f(CreateFont(u"DejaVu Sans", 40));
  Str s(CreateString(f.get(), u"I", {20, 45}));
  BRUSHOBJ fore{0x000000, nullptr, 0}, back{0xFFFFFF, nullptr, 0};
  RECTL opaque{0, 0, 60, 60};
  RECTL extra[2] = {{0, 50, 100, 52}, {0, 0, 0, 0}};
  ASSERT_TRUE(EngTextOut(so, s.get(), f.get(), nullptr, extra, &opaque, &fore, &back, nullptr, 0));
  auto pixel = [&](LONG x, LONG y) {
    const BYTE* p = static_cast<const BYTE*>(so->pvScan0) + y * so->lDelta + x * 3;
    return ULONG(p[0] | p[1] << 8 | p[2] << 16);
  };
  GLYPHBITS* gb = s->pgp[0].pgdf->pgb;
  LONG gx = 20 + gb->ptlOrigin.x, gy = 45 + gb->ptlOrigin.y;
  EXPECT_EQ(pixel(gx + 1, gy + 5), 0u);               // ink of the bar
  EXPECT_EQ(pixel(gx + gb->sizlBitmap.cx + 5, gy + 5), 0xFFFFFFu);  // the opaque box around it
  EXPECT_EQ(pixel(90, 10), 0u);                        // outside the box: untouched (zeroed bits)
  EXPECT_EQ(pixel(80, 51), 0u);                        // underline
  // A clip keeps the ink out.
  EngEraseSurface(so, &opaque, 0xFFFFFF);
  CLIPOBJ clip{};
  clip.iDComplexity = DC_RECT;
  clip.rclBounds = {0, 0, 10, 10};
  ASSERT_TRUE(EngTextOut(so, s.get(), f.get(), &clip, nullptr, nullptr, &fore, nullptr, nullptr, 0));
  EXPECT_EQ(pixel(gx + 1, gy + 5), 0xFFFFFFu);
  EXPECT_FALSE(EngTextOut(so, s.get(), f.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
  EngUnlockSurface(so);
  EngDeleteSurface(bm);
}

}  // namespace
