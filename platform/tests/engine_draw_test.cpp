// The engine's drawing objects and its own drawing into bitmaps: clip and path enumeration, brushes
// realized through the driver, and block transfers, copies and paths drawn with real pixel conversion.
#include <gtest/gtest.h>

#include <vector>

#include "kvplat/engine.h"

namespace {

using kvp::eng::GetPixel;

struct Bitmap {
  HSURF h = nullptr;
  SURFOBJ* so = nullptr;
  Bitmap(LONG w, LONG hgt, ULONG format, bool topDown = true) {
    h = EngCreateBitmap(SIZEL{w, hgt}, 0, format, topDown ? BMF_TOPDOWN : 0, nullptr);
    so = EngLockSurface(h);
  }
  ~Bitmap() {
    EngUnlockSurface(so);
    EngDeleteSurface(h);
  }
  void Fill(ULONG raw) {
    RECTL all{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
    EngEraseSurface(so, &all, raw);
  }
};

TEST(EngineClip, EnumeratesRectanglesAndItsOutline) {
  size_t live = kvp::eng::LiveObjectCount();
  RECTL rects[3] = {{0, 0, 10, 5}, {3, 3, 3, 9}, {20, 5, 30, 8}};  // the empty one is dropped
  CLIPOBJ* clip = kvp::eng::CreateClip(rects, 3, 7);
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->iDComplexity, DC_COMPLEX);
  EXPECT_EQ(clip->iUniq, 7u);
  EXPECT_EQ(clip->rclBounds.right, 30);
  EXPECT_EQ(clip->rclBounds.bottom, 8);
  EXPECT_EQ(CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0), 2u);
  std::vector<RECTL> got;
  ENUMRECTS one{};
  for (BOOL more = TRUE; more;) {
    more = CLIPOBJ_bEnum(clip, sizeof one, reinterpret_cast<ULONG*>(&one));
    for (ULONG i = 0; i < one.c; ++i) got.push_back(one.arcl[i]);
  }
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].left, 20);
  PATHOBJ* outline = CLIPOBJ_ppoGetPath(clip);
  ASSERT_NE(outline, nullptr);
  EXPECT_EQ(outline->cCurves, 6u);
  EngDeletePath(outline);
  kvp::eng::DeleteClip(clip);

  CLIPOBJ* single = kvp::eng::CreateClip(rects, 1, 8);
  EXPECT_EQ(single->iDComplexity, DC_RECT);
  kvp::eng::DeleteClip(single);
  CLIPOBJ* trivial = kvp::eng::CreateClip(nullptr, 0, 0);
  EXPECT_EQ(trivial->iDComplexity, DC_TRIVIAL);
  EXPECT_EQ(CLIPOBJ_ppoGetPath(trivial), nullptr);
  kvp::eng::DeleteClip(trivial);
  EXPECT_EQ(kvp::eng::LiveObjectCount(), live);
}

TEST(EnginePath, RunsFlagsAndBounds) {
  PATHOBJ* path = kvp::eng::CreatePath();
  POINTFIX lines[2] = {{160, 0}, {160, 160}}, bez[3] = {{0, 320}, {-16, 320}, {-32, 0}};
  ASSERT_TRUE(kvp::eng::PathMoveTo(path, POINTFIX{0, 0}));
  ASSERT_TRUE(kvp::eng::PathLinesTo(path, lines, 2));
  ASSERT_TRUE(kvp::eng::PathBeziersTo(path, bez, 3));
  EXPECT_FALSE(kvp::eng::PathBeziersTo(path, bez, 2));  // not a whole curve
  ASSERT_TRUE(kvp::eng::PathCloseFigure(path));
  ASSERT_TRUE(kvp::eng::PathMoveTo(path, POINTFIX{16, 16}));
  ASSERT_TRUE(kvp::eng::PathLinesTo(path, lines, 1));
  EXPECT_EQ(path->cCurves, 4u);
  EXPECT_EQ(path->fl, FLONG(PO_BEZIERS));
  PATHOBJ_vEnumStart(path);
  std::vector<std::pair<FLONG, ULONG>> runs;
  PATHDATA pd{};
  for (BOOL more = TRUE; more;) {
    more = PATHOBJ_bEnum(path, &pd);
    runs.emplace_back(pd.flags, pd.count);
  }
  // The last subpath is still open: its run has no end flag until the path is used as a whole.
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], (std::pair<FLONG, ULONG>{PD_BEGINSUBPATH, 3}));
  EXPECT_EQ(runs[1], (std::pair<FLONG, ULONG>{PD_BEZIERS | PD_ENDSUBPATH | PD_CLOSEFIGURE, 3}));
  EXPECT_EQ(runs[2], (std::pair<FLONG, ULONG>{PD_BEGINSUBPATH, 2}));
  RECTFX b{};
  PATHOBJ_vGetBounds(path, &b);
  EXPECT_EQ(b.xLeft, -32);
  EXPECT_EQ(b.yBottom, 320);
  EngDeletePath(path);
  EXPECT_FALSE(PATHOBJ_bEnum(path, &pd));  // a deleted path is refused, not followed
}

TEST(EngineObjects, TransformsTranslationsAndBrushes) {
  XFORML m{2, 0, 0, 2, 0, 0};
  XFORMOBJ* x = kvp::eng::CreateXform(&m);
  XFORML out{};
  EXPECT_EQ(XFORMOBJ_iGetXform(x, &out), ULONG(GX_SCALE));
  EXPECT_EQ(out.eM22, 2.0f);
  EXPECT_EQ(XFORMOBJ_iGetXform(nullptr, &out), ULONG(GX_IDENTITY));
  kvp::eng::DeleteXform(x);

  ULONG table[2] = {0x000000, 0xFFFFFF};
  XLATEOBJ* xl = kvp::eng::CreateXlate(table, 2, XO_HOST_ICM);
  EXPECT_EQ(xl->flXlate, FLONG(XO_TABLE | XO_HOST_ICM));
  EXPECT_EQ(XLATEOBJ_iXlate(xl, 1), 0xFFFFFFu);
  EXPECT_EQ(XLATEOBJ_iXlate(xl, 5), 5u);
  EXPECT_EQ(XLATEOBJ_cGetPalette(xl, XO_SRCPALETTE, 0, nullptr), 2u);
  kvp::eng::DeleteXlate(xl);

  // A pattern brush is realized once, by the driver, into memory the engine keeps with the brush.
  static int calls = 0;
  PFN_DrvRealizeBrush realize = [](BRUSHOBJ* bo, SURFOBJ*, SURFOBJ* pattern, SURFOBJ*, XLATEOBJ* xlate, ULONG) -> BOOL {
    ++calls;
    auto* r = static_cast<ULONG*>(BRUSHOBJ_pvAllocRbrush(bo, 8));
    if (!r) return FALSE;
    r[0] = ULONG(pattern->sizlBitmap.cx);
    r[1] = XLATEOBJ_iXlate(xlate, 1);
    return TRUE;
  };
  BRUSHOBJ* hatch = kvp::eng::CreateHatchBrush(nullptr, HS_CROSS, 0x0000FF, 0xFFFFFF, realize);
  ASSERT_NE(hatch, nullptr);
  EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(hatch), 0xFFFFFFFFu);
  auto* r = static_cast<ULONG*>(BRUSHOBJ_pvGetRbrush(hatch));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r[0], 8u);
  EXPECT_EQ(r[1], 0x0000FFu);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(hatch), r);
  EXPECT_EQ(calls, 1);
  kvp::eng::DeleteBrush(hatch);
  BRUSHOBJ* solid = kvp::eng::CreateSolidBrush(0x123456);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(solid), nullptr);
  kvp::eng::DeleteBrush(solid);
}

// Copies between every pair of formats keep the colour (to within the target's depth).
TEST(EngineDraw, CopyBitsConvertsBetweenFormats) {
  const ULONG formats[] = {BMF_1BPP, BMF_4BPP, BMF_8BPP, BMF_16BPP, BMF_24BPP, BMF_32BPP};
  for (ULONG from : formats) {
    for (ULONG to : formats) {
      SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to));
      Bitmap src(4, 2, from, false), dst(4, 2, to);
      // White on the right half, black on the left, in the source's own format.
      RECTL right{2, 0, 4, 2};
      src.Fill(0);
      EngEraseSurface(src.so, &right, from == BMF_16BPP ? 0x7FFF : from <= BMF_8BPP ? 0xFF : 0xFFFFFF);
      RECTL all{0, 0, 4, 2};
      POINTL zero{0, 0};
      ASSERT_TRUE(EngCopyBits(dst.so, src.so, nullptr, nullptr, &all, &zero));
      ULONG white = to == BMF_1BPP ? 1 : to == BMF_4BPP ? 15 : to == BMF_8BPP ? 255 : to == BMF_16BPP ? 0x7FFF : 0xFFFFFF;
      EXPECT_EQ(GetPixel(dst.so, 0, 1), 0u);
      EXPECT_EQ(GetPixel(dst.so, 3, 0), white);
    }
  }
}

TEST(EngineDraw, BitBltRopsMasksAndMirroredCopies) {
  Bitmap dst(4, 1, BMF_24BPP), src(4, 1, BMF_8BPP), mask(4, 1, BMF_1BPP);
  ULONG table[256];
  for (ULONG i = 0; i < 256; ++i) table[i] = i;  // red levels
  XLATEOBJ* xl = kvp::eng::CreateXlate(table, 256);
  static_cast<BYTE*>(src.so->pvScan0)[0] = 10;
  static_cast<BYTE*>(src.so->pvScan0)[3] = 40;
  static_cast<BYTE*>(mask.so->pvScan0)[0] = 0x80;  // only the first pixel is foreground
  dst.Fill(0x0000FF);                              // blue
  RECTL all{0, 0, 4, 1};
  POINTL zero{0, 0};
  ASSERT_TRUE(EngBitBlt(dst.so, src.so, mask.so, nullptr, xl, &all, &zero, &zero, nullptr, nullptr, 0xAACC));
  EXPECT_EQ(GetPixel(dst.so, 0, 0), 0x0A0000u);  // red 10 written as 0x00RRGGBB
  EXPECT_EQ(GetPixel(dst.so, 1, 0), 0x0000FFu);  // kept
  // Mirrored copy: right to left.
  RECTL mirrored{4, 0, 0, 1};
  ASSERT_TRUE(EngCopyBits(dst.so, src.so, nullptr, xl, &mirrored, &zero));
  EXPECT_EQ(GetPixel(dst.so, 0, 0), 0x280000u);
  EXPECT_EQ(GetPixel(dst.so, 3, 0), 0x0A0000u);
  // A solid brush XORed in (PATINVERT), clipped to one pixel.
  BRUSHOBJ* bo = kvp::eng::CreateSolidBrush(0xFF0000);  // blue, red in the low byte
  RECTL px{1, 0, 2, 1};
  CLIPOBJ* clip = kvp::eng::CreateClip(&px, 1, 1);
  dst.Fill(0x0000FF);
  ASSERT_TRUE(EngBitBlt(dst.so, nullptr, nullptr, clip, nullptr, &all, nullptr, nullptr, bo, nullptr, 0x5A5A));
  EXPECT_EQ(GetPixel(dst.so, 1, 0), 0u);
  EXPECT_EQ(GetPixel(dst.so, 2, 0), 0x0000FFu);
  // A device surface holds no bits.
  SURFOBJ device{};
  device.iType = STYPE_DEVICE;
  EXPECT_FALSE(EngBitBlt(&device, nullptr, nullptr, nullptr, nullptr, &all, nullptr, nullptr, bo, nullptr, 0xF0F0));
  kvp::eng::DeleteClip(clip);
  kvp::eng::DeleteBrush(bo);
  kvp::eng::DeleteXlate(xl);
}

TEST(EngineDraw, FillAndStrokePaths) {
  Bitmap bmp(20, 20, BMF_8BPP);
  bmp.Fill(0);
  BRUSHOBJ* bo = kvp::eng::CreateSolidBrush(200);
  // A square ring: the alternate rule leaves the hole, the winding rule fills it (same orientation).
  PATHOBJ* ring = kvp::eng::CreatePath();
  auto square = [&](LONG a, LONG b) {
    kvp::eng::PathMoveTo(ring, POINTFIX{a * 16, a * 16});
    POINTFIX pts[3] = {{b * 16, a * 16}, {b * 16, b * 16}, {a * 16, b * 16}};
    kvp::eng::PathLinesTo(ring, pts, 3);
    kvp::eng::PathCloseFigure(ring);
  };
  square(2, 18);
  square(6, 14);
  ASSERT_TRUE(EngFillPath(bmp.so, ring, nullptr, bo, nullptr, R2_COPYPEN, FP_ALTERNATEMODE));
  EXPECT_EQ(GetPixel(bmp.so, 3, 3), 200u);
  EXPECT_EQ(GetPixel(bmp.so, 10, 10), 0u);
  EXPECT_EQ(GetPixel(bmp.so, 19, 19), 0u);
  ASSERT_TRUE(EngFillPath(bmp.so, ring, nullptr, bo, nullptr, R2_COPYPEN, FP_WINDINGMODE));
  EXPECT_EQ(GetPixel(bmp.so, 10, 10), 200u);
  // A cosmetic stroke of one row, then a wide one, inverted with R2_NOT.
  bmp.Fill(0);
  PATHOBJ* line = kvp::eng::CreatePath();
  kvp::eng::PathMoveTo(line, POINTFIX{0, 10 * 16 + 8});
  POINTFIX end{20 * 16, 10 * 16 + 8};
  kvp::eng::PathLinesTo(line, &end, 1);
  kvp::eng::LineAttrs cosmetic, wide;
  kvp::eng::MakeLineAttrs(&cosmetic, false, 1, JOIN_ROUND, ENDCAP_ROUND, 10);
  kvp::eng::MakeLineAttrs(&wide, true, 5, JOIN_ROUND, ENDCAP_ROUND, 10);
  ASSERT_TRUE(EngStrokePath(bmp.so, line, nullptr, nullptr, bo, nullptr, &cosmetic.attrs, R2_COPYPEN));
  EXPECT_EQ(GetPixel(bmp.so, 5, 10), 200u);
  EXPECT_EQ(GetPixel(bmp.so, 5, 9), 0u);
  ASSERT_TRUE(EngStrokePath(bmp.so, line, nullptr, nullptr, bo, nullptr, &wide.attrs, R2_NOT));
  EXPECT_EQ(GetPixel(bmp.so, 5, 8), 255u);
  EXPECT_EQ(GetPixel(bmp.so, 5, 10), 55u);
  EXPECT_EQ(GetPixel(bmp.so, 5, 4), 0u);
  // A shape far larger than the bitmap costs the bitmap's rows only, and covers all of it.
  PATHOBJ* huge = kvp::eng::CreatePath();
  kvp::eng::PathMoveTo(huge, POINTFIX{-(1 << 30), -(1 << 30)});
  POINTFIX far[3] = {{1 << 30, -(1 << 30)}, {1 << 30, 1 << 30}, {-(1 << 30), 1 << 30}};
  kvp::eng::PathLinesTo(huge, far, 3);
  ASSERT_TRUE(EngFillPath(bmp.so, huge, nullptr, bo, nullptr, R2_COPYPEN, FP_ALTERNATEMODE));
  EXPECT_EQ(GetPixel(bmp.so, 0, 0), 200u);
  EXPECT_EQ(GetPixel(bmp.so, 19, 19), 200u);
  EngDeletePath(huge);
  EngDeletePath(ring);
  EngDeletePath(line);
  kvp::eng::DeleteBrush(bo);
}

}  // namespace
