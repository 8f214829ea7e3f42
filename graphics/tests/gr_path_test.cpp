// Paths and line attributes: the conversion of line attributes with its dash rounding, path records
// read back through the decoder, the bound on the in-place encoding, and the hand-back to the engine.
#include <gtest/gtest.h>

#include "draw_fixture.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "kvplat/error.h"

namespace {

using drawtest::DrawContext;
using drawtest::Objects;
using Lines = std::vector<std::string>;

TEST(GrLineAttributes, Conversion) {
  const struct Case {
    const char* name;
    bool geometric;
    float width;
    float scale;  // 0: identity
    std::vector<float> style;
    FLONG extra;
    int result;
    WORD flag;
    SHORT outWidth;
    DWORD dash;
    WORD unit;
    WORD offset;
    DWORD miter;
  } cases[] = {
      {"cosmetic solid", false, 1, 0, {}, 0, 1, 0, 1, 0xFFFFFFFF, 0, 0, 2560},
      {"geometric 3", true, 3, 0, {}, 0, 1, 1, 3, 0xFFFFFFFF, 0, 0, 1024},
      {"geometric 3 at scale 2", true, 3, 2.0f, {}, 0, 1, 1, 6, 0xFFFFFFFF, 0, 0, 1024},
      {"geometric 3 at scale 0.001", true, 3, 0.001f, {}, 0, 0, 1, 3, 0xFFFFFFFF, 0, 0, 0},
      {"cosmetic {2,2}", false, 1, 0, {2, 2}, 0, 1, 0, 1, 0xFFFF0000, 1, 0, 1024},
      {"cosmetic {1,1}", false, 1, 0, {1, 1}, 0, 1, 0, 1, 0xFFF80000, 1, 0, 1024},
      {"cosmetic start gap {6,1,1}", false, 1, 0, {6, 1, 1}, LA_STARTGAP, 1, 0, 1, 0xFFF80000, 1, 8, 1024},
      {"cosmetic {4,2}", false, 1, 0, {4, 2}, 0, 1, 0, 1, 0xFFFFFC00, 2, 0, 1024},
      {"cosmetic one entry", false, 1, 0, {4}, 0, 1, 0, 1, 0xFFFFFFFF, 0, 0, 1024},
      {"cosmetic zero length", false, 1, 0, {1, 0}, 0, 1, 0, 1, 0xFFF80000, 1, 0, 1024},
      {"geometric dashed 2", true, 2, 0, {4, 4}, 0, 0, 1, 2, 0xFFFFFFFF, 0, 0, 1024},
      {"geometric dashed 1", true, 1, 0, {8, 8}, 0, 1, 1, 1, 0xFF00FF00, 1, 0, 1024},
      {"geometric 40000", true, 40000, 0, {}, 0, 1, 1, 32767, 0xFFFFFFFF, 0, 0, 1024},
      {"geometric 20000 at scale 2", true, 20000, 2.0f, {}, 0, 1, 1, 32767, 0xFFFFFFFF, 0, 0, 1024},
      {"geometric dashed 40000", true, 40000, 0, {4, 4}, 0, 0, 1, 0, 0, 0, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    DrawContext c;
    Objects o;
    kvp::eng::LineAttrs la;
    kvp::eng::MakeLineAttrs(&la, k.geometric, k.width, JOIN_MITER, ENDCAP_BUTT, 4.0f, k.style.data(),
                            ULONG(k.style.size()), k.extra);
    GR_LINE_ATTRS out{};
    WORD flag = 9;
    int r = GrConvertLineAttributes(c.pdev, &la.attrs, 0x123456, k.scale ? o.Scale(k.scale) : nullptr, &out, &flag);
    EXPECT_EQ(r, k.result);
    EXPECT_EQ(flag, k.flag);
    if (!r) continue;
    EXPECT_EQ(out.width, k.outWidth);
    EXPECT_EQ(out.dashPattern, k.dash) << std::hex << out.dashPattern;
    EXPECT_EQ(out.dashUnit, k.unit);
    EXPECT_EQ(out.dashOffset, k.offset);
    EXPECT_EQ(out.miterLimit, k.miter);
    EXPECT_EQ(out.join, k.geometric ? 2 : 0);
    EXPECT_EQ(out.cap, k.geometric ? 1 : 0);
    EXPECT_EQ(out.color, 0x123456u);
  }
}

TEST(GrLineAttributes, MiterLimitIsBounded) {
  DrawContext c;
  for (auto [limit, want] : {std::pair{0.5f, 256u}, {1e9f, 32767u * 256}, {10.0f, 2560u}}) {
    kvp::eng::LineAttrs la;
    kvp::eng::MakeLineAttrs(&la, true, 1, JOIN_ROUND, ENDCAP_ROUND, limit);
    GR_LINE_ATTRS out{};
    ASSERT_EQ(GrConvertLineAttributes(c.pdev, &la.attrs, 0, nullptr, &out, nullptr), 1);
    EXPECT_EQ(out.miterLimit, want);
  }
}

TEST(GrPathRecord, StrokesAndFillsOfClosedRectangles) {
  DrawContext c;
  Objects o;
  PATHOBJ* two = o.Rects({{1, 2, 3, 4}, {5, 6, 7, 8}});
  ASSERT_NE(GrPutPathRecord(c.pdev, two, GR_PATH_STROKE), nullptr);
  ASSERT_NE(GrPutPathRecord(c.pdev, two, GR_PATH_FILL_ALTERNATE), nullptr);
  EXPECT_EQ(c.Records(),
            (Lines{"path mode 0x08 bounds (1,2,7,8) estimate 12 [16,32 L48,32 L48,64 L16,64]",
                   "path mode 0x08 bounds (1,2,7,8) estimate 12 [80,96 L112,96 L112,128 L80,128]",
                   "path mode 0x19 bounds (1,2,7,8) estimate 25 [16,32 L48,32 L48,64 L16,64] [80,96 L112,96 L112,128 "
                   "L80,128]"}));
}

TEST(GrPathRecord, BeziersAndMalformedRuns) {
  DrawContext c;
  Objects o;
  PATHOBJ* curve = o.Path();
  POINTFIX bez[3] = {{16, 0}, {32, 16}, {48, 48}}, line[1] = {{0, 48}};
  kvp::eng::PathMoveTo(curve, POINTFIX{0, 0});
  kvp::eng::PathBeziersTo(curve, bez, 3);
  kvp::eng::PathLinesTo(curve, line, 1);
  BYTE* rec = GrPutPathRecord(c.pdev, curve, GR_PATH_STROKE);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(c.Lines(), (Lines{"17 path mode 0x00 bounds (0,0,3,3) estimate 13 [0,0 B16,0,32,16,48,48 L0,48]"}));

  // A Bézier run of 4 points after the start point: nothing of the record stays.
  PATHOBJ* bad = o.Path();
  POINTFIX four[5] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
  kvp::eng::PathAddRawRun(bad, PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_BEZIERS, four, 5);
  EXPECT_EQ(GrPutPathRecord(c.pdev, bad, GR_PATH_STROKE), nullptr);
  // Points before any subpath began.
  PATHOBJ* orphan = o.Path();
  kvp::eng::PathAddRawRun(orphan, PD_ENDSUBPATH, four, 2);
  EXPECT_EQ(GrPutPathRecord(c.pdev, orphan, GR_PATH_STROKE), nullptr);
  EXPECT_TRUE(c.Records().empty());
}

// The reservation is sized from the engine's curve count; a path with more to encode than that promised
// (many one-point subpaths, or a count that is simply low) fails instead of writing past it.
TEST(GrPathRecord, MoreElementsThanTheCurveCountPromised) {
  DrawContext c;
  Objects o;
  PATHOBJ* dots = o.Path();
  for (LONG i = 0; i < 100; ++i) kvp::eng::PathMoveTo(dots, POINTFIX{i * 16, 0});
  ASSERT_EQ(dots->cCurves, 0u);
  EXPECT_EQ(GrPutPathRecord(c.pdev, dots, GR_PATH_FILL_ALTERNATE), nullptr);

  PATHOBJ* low = o.Rects({{0, 0, 10, 10}, {20, 20, 30, 30}, {40, 40, 50, 50}});
  low->cCurves = 0;
  EXPECT_EQ(GrPutPathRecord(c.pdev, low, GR_PATH_FILL_ALTERNATE), nullptr);
  EXPECT_EQ(GrPutPathPerSubpath(c.pdev, low, GR_PATH_STROKE), nullptr);
  EXPECT_TRUE(c.Records().empty());

  BYTE buffer[64];
  DWORD closed = 7;
  EXPECT_EQ(GrEncodeOutline(c.pdev, low, &closed, buffer, sizeof buffer, 0, 0), 0u);
}

TEST(GrPathRecord, OutlineEncoding) {
  DrawContext c;
  Objects o;
  PATHOBJ* path = o.Rects({{1, 1, 2, 2}});
  BYTE* buffer = GrAllocOutline(c.pdev, path->cCurves);
  ASSERT_NE(buffer, nullptr);
  DWORD closed = 0;
  DWORD n = GrEncodeOutline(c.pdev, path, &closed, buffer, 40 * path->cCurves + 16, -16, -16);
  EXPECT_EQ(n, 4u + 12 + 3 * 12);
  EXPECT_EQ(closed, 1u);
  LONG words[4];
  std::memcpy(words, buffer, sizeof words);
  EXPECT_EQ(words[0], 12);  // 3 lines + 1 subpath
  EXPECT_EQ(words[1], 3);
  EXPECT_EQ(words[2], 0);  // the first point moved by the offset
  EXPECT_EQ(words[3], 0);
  GrHeapFree(c.pdev->heap, buffer);
}

TEST(GrPathHooks, StrokeWithADashedStyleAndFills) {
  DrawContext c;
  Objects o;
  PATHOBJ* path = o.Rects({{0, 0, 4, 4}});
  kvp::eng::LineAttrs la;
  float style[2] = {2, 2};
  kvp::eng::MakeLineAttrs(&la, false, 1, JOIN_ROUND, ENDCAP_ROUND, 10, style, 2);
  ASSERT_EQ(DrvStrokePath(&c.device, path, nullptr, nullptr, o.Solid(0x0000FF), nullptr, &la.attrs, 0x0D0D), TRUE);
  ASSERT_EQ(DrvStrokeAndFillPath(&c.device, path, nullptr, nullptr, o.Solid(0x0000FF), &la.attrs, o.Solid(0x00FF00),
                                 nullptr, 0x0D0D, FP_WINDINGMODE),
            TRUE);
  EXPECT_EQ(c.Lines(), (Lines{"51 line-width 1 dash 0xFFFF0000 unit 1", "52 dash-offset 0", "53 line-cap 0",
                              "54 line-join 0 miter 2560/256", "64 pattern-brush flags 0x00 side 0 bits 0 bytes fnv 811c9dc5",
                              "50 background 2", "49 rop 0xCC", "48 colour-brush flags 0x09 bgr 0000FF bgr FFFFFF",
                              "18 path mode 0x08 bounds (0,0,4,4) estimate 12 [0,0 L64,0 L64,64 L0,64]",
                              "48 colour-brush flags 0x19 bgr 00FF00 bgr FFFFFF bgr 0000FF",
                              "18 path mode 0x0C bounds (0,0,4,4) estimate 12 [0,0 L64,0 L64,64 L0,64]"}));
}

TEST(GrPathHooks, RefusalsAndHandBack) {
  DrawContext c;
  Objects o;
  PATHOBJ* path = o.Rects({{0, 0, 4, 4}});
  kvp::eng::LineAttrs cosmetic, wide;
  kvp::eng::MakeLineAttrs(&cosmetic, false, 1, JOIN_ROUND, ENDCAP_ROUND, 10);
  kvp::eng::MakeLineAttrs(&wide, true, 3, JOIN_ROUND, ENDCAP_ROUND, 10);
  BRUSHOBJ* pen = o.Solid(0);

  SURFOBJ foreign = c.device;
  foreign.dhpdev = nullptr;
  SetLastError(0);
  EXPECT_EQ(ULONG(DrvFillPath(&foreign, path, nullptr, pen, nullptr, 0x0D0D, 0)), DDI_ERROR);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  // A pattern pen goes back to the engine (FALSE); a fill brush the engine cannot realize is DDI_ERROR.
  BRUSHOBJ pattern{0xFFFFFFFF, nullptr, 0};
  EXPECT_EQ(DrvStrokePath(&c.device, path, nullptr, nullptr, &pattern, nullptr, &cosmetic.attrs, 0x0D0D), FALSE);
  EXPECT_EQ(ULONG(DrvFillPath(&c.device, path, nullptr, &pattern, nullptr, 0x0D0D, 0)), DDI_ERROR);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  // A geometric line too thin for its transform.
  EXPECT_EQ(DrvStrokePath(&c.device, path, nullptr, o.Scale(0.001f), pen, nullptr, &wide.attrs, 0x0D0D), FALSE);
  c.Records();

  // Above 5000 curves with the check on: geometric strokes and fills are drawn by the engine, cosmetic
  // strokes still go out as records.
  c.pdev->hidden2Func11 = 1;
  PATHOBJ* big = o.Path();
  kvp::eng::PathMoveTo(big, POINTFIX{0, 0});
  std::vector<POINTFIX> pts;
  for (LONG i = 1; i <= 5001; ++i) pts.push_back(POINTFIX{(i % 64) * 16, (i / 64) * 16});
  kvp::eng::PathLinesTo(big, pts.data(), ULONG(pts.size()));
  ASSERT_EQ(big->cCurves, 5001u);
  HSURF bitmap = EngCreateBitmap(SIZEL{64, 80}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  SURFOBJ* so = EngLockSurface(bitmap);
  so->dhpdev = c.pdev;
  RECTL all{0, 0, 64, 80};
  EngEraseSurface(so, &all, 0xFFFFFF);
  EXPECT_EQ(DrvStrokePath(so, big, nullptr, nullptr, pen, nullptr, &wide.attrs, 0x0D0D), TRUE);
  EXPECT_EQ(DrvFillPath(so, big, nullptr, pen, nullptr, 0x0D0D, FP_WINDINGMODE), TRUE);
  std::vector<int> ops = c.Opcodes();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), 18), 0);
  EXPECT_EQ(kvp::eng::GetPixel(so, 16, 0), 0u);  // the engine drew the black line
  EXPECT_EQ(DrvStrokePath(so, big, nullptr, nullptr, pen, nullptr, &cosmetic.attrs, 0x0D0D), TRUE);
  ops = c.Opcodes();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), 18), 1);
  EngUnlockSurface(so);
  EngDeleteSurface(bitmap);
}

}  // namespace
