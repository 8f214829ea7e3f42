// The drawing state cache and clipping, read back through the decoder: state records go out once per
// value and page, the clip cache keeps a clip in force, and clip regions become span fills.
#include <gtest/gtest.h>

#include "draw_fixture.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "kvplat/testhooks.h"

namespace {

using drawtest::DrawContext;
using drawtest::Objects;
using Lines = std::vector<std::string>;

TEST(GrMix, TablesAndSplit) {
  const struct {
    MIX mix;
    BYTE rop;
  } rops[] = {{0, 0xCC}, {R2_BLACK, 0xFF}, {R2_NOTMERGEPEN, 0x11}, {R2_XORPEN, 0x66}, {R2_NOP, 0xAA},
              {R2_COPYPEN, 0xCC}, {R2_WHITE, 0x00}, {17, 0xCC}, {0x0D0D, 0xCC}, {0x0101, 0xFF}};
  for (const auto& c : rops) EXPECT_EQ(GrMix2ToRop3(c.mix), c.rop) << c.mix;

  GR_COLOR_BRUSH cb{};
  GrSplitMix(nullptr, 0x0D0D, &cb, 0);
  EXPECT_EQ(cb.foregroundMix, 0x0D);
  EXPECT_EQ(cb.backgroundMode, 2);
  EXPECT_EQ(cb.hasExtra, 0);
  GrSplitMix(nullptr, 0x0B0D, &cb, 1);
  EXPECT_EQ(cb.backgroundMode, 1);
  EXPECT_EQ(cb.hasExtra, 1);

  cb.color1 = 0x112233;
  cb.color2 = 0xFFFFFF;
  cb.extraColor = 0;
  GrSwapBrushColors(&cb);
  EXPECT_EQ(cb.color1, 0x332211u);
  EXPECT_EQ(cb.extraColor, 0u);  // a zero extra colour is left alone
}

TEST(GrState, TwoFillsOfOneColourSendTheStateOnce) {
  DrawContext c;
  Objects o;
  PATHOBJ* path = o.Rects({{10, 10, 20, 20}});
  BRUSHOBJ* red = o.Solid(0x0000FF);
  ASSERT_EQ(DrvFillPath(&c.device, path, nullptr, red, nullptr, 0x0D0D, FP_ALTERNATEMODE), TRUE);
  ASSERT_EQ(DrvFillPath(&c.device, path, nullptr, red, nullptr, 0x0D0D, FP_ALTERNATEMODE), TRUE);
  EXPECT_EQ(c.Opcodes(), (std::vector<int>{64, 48, 50, 49, 18, 18}));
}

TEST(GrState, PatternBrushesAreAlwaysRewritten) {
  DrawContext c;
  GR_BRUSH pattern{};
  pattern.kind = GR_BRUSH_PATTERN1;
  pattern.side = 32;
  pattern.depth = 1;
  GR_BRUSH solid{};
  ASSERT_TRUE(GrSetPatternBrush(c.pdev, &pattern));
  ASSERT_TRUE(GrSetPatternBrush(c.pdev, &pattern));
  ASSERT_TRUE(GrSetPatternBrush(c.pdev, &solid));
  ASSERT_TRUE(GrSetPatternBrush(c.pdev, &solid));
  Lines r = c.Records();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].substr(0, 32), "pattern-brush flags 0x80 side 32");
  EXPECT_EQ(r[1], r[0]);
  EXPECT_EQ(r[2].substr(0, 31), "pattern-brush flags 0x00 side 0");
  EXPECT_FALSE(GrSetPatternBrush(c.pdev, nullptr));
}

TEST(GrState, ColourBrushComparesAllButTheHostIcmFlag) {
  DrawContext c;
  GR_COLOR_BRUSH b{};
  b.backgroundMode = 2;
  b.color1 = 0x0000FF;
  b.color2 = 0xFFFFFF;
  ASSERT_TRUE(GrSetColorBrush(c.pdev, &b));
  b.hostIcm = 1;
  ASSERT_TRUE(GrSetColorBrush(c.pdev, &b));
  b.extraColor = 0x123456;  // not compared without has-extra
  ASSERT_TRUE(GrSetColorBrush(c.pdev, &b));
  b.hasExtra = 1;
  ASSERT_TRUE(GrSetColorBrush(c.pdev, &b));
  b.kind = GR_KIND_STROKE_FILL;
  ASSERT_TRUE(GrSetColorBrush(c.pdev, &b));
  EXPECT_EQ(c.Opcodes(), (std::vector<int>{48, 48, 48}));
}

TEST(GrState, FailedRecordKeepsTheOldValue) {
  DrawContext c;
  ASSERT_TRUE(GrSetRop(c.pdev, 0xCC));
  // Fill the buffer to its end, so that the next record needs a new chunk, and let that allocation fail.
  while (c.Chunks().back() + 4 < ZS_CHUNK_BYTES) ASSERT_NE(ZsPutRop(c.s(), 0xCC), nullptr);
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(GrSetRop(c.pdev, 0x11));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(c.pdev->drawState.rop, 0xCC);
  GR_LINE_ATTRS la{};
  la.width = 1;
  la.dashPattern = 0xFFFFFFFF;
  while (c.Chunks().back() + 4 < ZS_CHUNK_BYTES) ASSERT_NE(ZsPutRop(c.s(), 0xCC), nullptr);
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(GrSetLineAttributes(c.pdev, &la));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(c.pdev->drawState.lineValid, 0);
  // The next call tries again and writes.
  EXPECT_TRUE(GrSetRop(c.pdev, 0x11));
  EXPECT_TRUE(GrSetLineAttributes(c.pdev, &la));
  GrResetDrawState(c.pdev);
  EXPECT_EQ(c.pdev->drawState.ropValid, 0);
  EXPECT_EQ(c.pdev->drawState.lineValid, 0);
}

TEST(GrState, LineAttributesByGroup) {
  DrawContext c;
  GR_LINE_ATTRS la{};
  la.width = 3;
  la.dashPattern = 0xFFFFFFFF;
  la.cap = 7;  // unknown caps go out as round
  la.join = 2;
  la.miterLimit = 2560;
  ASSERT_TRUE(GrSetLineAttributes(c.pdev, &la));
  EXPECT_EQ(c.Records(), (Lines{"line-width 3 dash 0xFFFFFFFF unit 0", "dash-offset 0", "line-cap 0",
                                "line-join 2 miter 2560/256"}));
  ASSERT_TRUE(GrSetLineAttributes(c.pdev, &la));
  la.cap = 2;
  ASSERT_TRUE(GrSetLineAttributes(c.pdev, &la));
  la.miterLimit = 512;
  ASSERT_TRUE(GrSetLineAttributes(c.pdev, &la));
  EXPECT_EQ(c.Records(), (Lines{"line-cap 2", "line-join 2 miter 512/256"}));
}

TEST(GrClip, CacheRules) {
  DrawContext c;
  Objects o;
  // No clip sent yet: a trivial clip writes nothing.
  EXPECT_EQ(GrSetClip(c.pdev, nullptr), 0);
  EXPECT_TRUE(c.Records().empty());
  // Two rectangle clips of different ids but one rectangle: one record.
  EXPECT_GT(GrSetClip(c.pdev, o.Clip({{10, 20, 30, 40}}, 1)), 0);
  EXPECT_GT(GrSetClip(c.pdev, o.Clip({{10, 20, 30, 40}}, 2)), 0);
  EXPECT_EQ(c.Records(), (Lines{"rect mode 5 (10,20,30,40)"}));
  // The kind survives a page start: the first trivial clip of the next page switches the clip off, the
  // second does nothing.
  GrResetDrawState(c.pdev);
  EXPECT_EQ(GrSetClip(c.pdev, nullptr), 0);
  EXPECT_EQ(GrSetClip(c.pdev, nullptr), 0);
  EXPECT_EQ(c.Records(), (Lines{"clip-off"}));
  // A region with id 0 is written every time; with an id once.
  CLIPOBJ* anonymous = o.Clip({{0, 0, 2, 1}, {0, 1, 1, 2}}, 0);
  CLIPOBJ* named = o.Clip({{0, 0, 2, 1}, {0, 1, 1, 2}}, 9);
  EXPECT_GT(GrSetClip(c.pdev, anonymous), 0);
  EXPECT_GT(GrSetClip(c.pdev, anonymous), 0);
  EXPECT_GT(GrSetClip(c.pdev, named), 0);
  EXPECT_GT(GrSetClip(c.pdev, named), 0);
  Lines r = c.Records();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0],
            "path mode 0x1D bounds (0,0,2,2) estimate 25 [0,0 L32,0 L32,16 L0,16] [0,16 L16,16 L16,32 L0,32]");
  // After a region, the same rectangle as before is written again.
  EXPECT_GT(GrSetClip(c.pdev, o.Clip({{10, 20, 30, 40}}, 1)), 0);
  EXPECT_EQ(c.Opcodes(), (std::vector<int>{16}));
}

TEST(GrClip, SpanFills) {
  const struct Case {
    const char* name;
    RECTL clip;
    RECTL target;
    std::vector<std::string> flags;  // per record, with its entry count
    const char* first = nullptr;      // the first record in full, where it matters
  } cases[] = {
      {"three rows", {10, 5, 20, 8}, {10, 5, 20, 8}, {"0x0A 3"},
       "span-fill flags 0x0A bounds (10,5,20,8) entries 3: 5:10-19 6:10-19 7:10-19"},
      {"2000 rows", {0, 0, 4, 2000}, {0, 0, 4, 2000}, {"0x0A 2000"}},
      {"4000 rows", {0, 0, 4, 4000}, {0, 0, 4, 4000}, {"0x02 2000", "0x0C 2000"}},
      {"4001 rows", {0, 0, 4, 4001}, {0, 0, 4, 4001}, {"0x02 2000", "0x04 2000", "0x0C 1"}},
      {"wide target", {0, 0, 4, 1}, {0, 0, 32768, 1}, {"0x1A 1"}},
      // The region reaches beyond a small target: its coordinates decide the entry width too, and only
      // its part inside the target is painted.
      {"wide region", {90, 0, 40010, 1}, {0, 0, 100, 1}, {"0x1A 1"},
       "span-fill flags 0x1A bounds (0,0,100,1) entries 1: 0:90-99"},
      {"region larger than the target", {0, 0, 10, 10}, {2, 3, 5, 6}, {"0x0A 3"},
       "span-fill flags 0x0A bounds (2,3,5,6) entries 3: 3:2-4 4:2-4 5:2-4"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    DrawContext c;
    Objects o;
    RECTL rects[2] = {k.clip, {k.clip.left, k.clip.bottom + 5, k.clip.left + 1, k.clip.bottom + 5}};  // an empty one
    CLIPOBJ* clip = o.clips.emplace_back(kvp::eng::CreateClip(rects, 2, 3));
    RECTL target = k.target;
    ASSERT_NE(GrFillClipSpans(c.s(), clip, &target), nullptr);
    Lines r = c.Records();
    ASSERT_EQ(r.size(), k.flags.size());
    for (size_t i = 0; i < r.size(); ++i) {
      std::string want = "span-fill flags " + k.flags[i].substr(0, 4);
      EXPECT_EQ(r[i].substr(0, want.size()), want);
      EXPECT_NE(r[i].find("entries " + k.flags[i].substr(5) + ":"), std::string::npos) << r[i].substr(0, 80);
    }
    if (k.first) {
      EXPECT_EQ(r[0], k.first);
    }
  }
}

}  // namespace
