// Block transfers and copies read back through the decoder: the fill road's state and rectangle, the
// source road's images in every source format, masked transfers, copies, and the release of every
// temporary surface.
#include <gtest/gtest.h>

#include "draw_fixture.h"
#include "gr_blt.h"
#include "gr_pdev.h"
#include "kvplat/testhooks.h"

namespace {

using drawtest::DrawContext;
using drawtest::Objects;
using Lines = std::vector<std::string>;

// An engine bitmap filled with a pattern of its format, released at the end.
struct Bitmap {
  HSURF h = nullptr;
  SURFOBJ* so = nullptr;
  Bitmap(LONG w, LONG hgt, ULONG format, bool topDown = true) {
    h = EngCreateBitmap(SIZEL{w, hgt}, 0, format, topDown ? BMF_TOPDOWN : 0, nullptr);
    so = EngLockSurface(h);
    BYTE* bits = static_cast<BYTE*>(so->pvBits);
    for (ULONG i = 0; i < so->cjBits; ++i) bits[i] = BYTE(i * 37 + 11);
  }
  ~Bitmap() {
    EngUnlockSurface(so);
    EngDeleteSurface(h);
  }
};

// The image lines of a dump without their data fingerprints.
std::string Head(const std::string& line) { return line.substr(0, line.find(" data ")); }

TEST(GrBltRops, Tables) {
  EXPECT_EQ(GrRopToMix(0x0000), MIX(R2_BLACK | R2_BLACK << 8));
  EXPECT_EQ(GrRopToMix(0xF0F0), MIX(R2_COPYPEN | R2_COPYPEN << 8));
  EXPECT_EQ(GrRopToMix(0xAAF0), MIX(R2_COPYPEN | R2_NOP << 8));
  EXPECT_EQ(GrRopToMix(0xCCCC), 0u);
  EXPECT_EQ(GrRop3Of(SRCCOPY), 0xCC);
  EXPECT_EQ(GrRop3Of(SRCPAINT), 0xEE);
  const struct {
    ULONG format;
    LONG width;
    LONG stride;
  } strides[] = {{BMF_1BPP, 33, 8}, {BMF_4BPP, 9, 8}, {BMF_8BPP, 5, 8}, {BMF_16BPP, 3, 8}, {BMF_24BPP, 5, 16},
                 {BMF_32BPP, 3, 12}};
  for (const auto& s : strides) EXPECT_EQ(GrBitmapStride(s.format, s.width), s.stride) << s.format;
}

TEST(GrBitBlt, FillRoad) {
  const struct Case {
    const char* name;
    ROP4 rop;
    ULONG brush;  // 0xFFFFFFFF: no brush object
    Lines want;
  } cases[] = {
      {"blackness", 0x0000, 0xFFFFFFFF,
       {"64 pattern-brush flags 0x00 side 0 bits 0 bytes fnv 811c9dc5", "48 colour-brush flags 0x09 bgr 000000 bgr FFFFFF",
        "50 background 2", "49 rop 0xFF", "16 rect mode 1 (1,2,3,4) (1,2,3,4)"}},
      {"patcopy", 0xF0F0, 0x0000FF,
       {"64 pattern-brush flags 0x00 side 0 bits 0 bytes fnv 811c9dc5", "48 colour-brush flags 0x09 bgr 0000FF bgr FFFFFF",
        "50 background 2", "49 rop 0xCC", "16 rect mode 1 (1,2,3,4) (1,2,3,4)"}},
      {"dstinvert without a brush", 0x5555, 0xFFFFFFFF,
       {"64 pattern-brush flags 0x00 side 0 bits 0 bytes fnv 811c9dc5", "48 colour-brush flags 0x09 bgr FFFFFF bgr FFFFFF",
        "50 background 2", "49 rop 0x55", "16 rect mode 1 (1,2,3,4) (1,2,3,4)"}},
      {"leave the destination", 0xAAAA, 0x0000FF, {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    DrawContext c;
    Objects o;
    RECTL r{1, 2, 3, 4};
    BRUSHOBJ* bo = k.brush == 0xFFFFFFFF ? nullptr : o.Solid(k.brush);
    EXPECT_EQ(DrvBitBlt(&c.device, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, bo, nullptr, k.rop), TRUE);
    EXPECT_EQ(c.Lines(), k.want);
  }
  // A brush the fill needs but nobody gave: FALSE.
  DrawContext c;
  RECTL r{1, 2, 3, 4};
  EXPECT_EQ(DrvBitBlt(&c.device, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0xF0F0),
            FALSE);
}

TEST(GrBitBlt, ComplexClipAsSpansWhenThePathIsTooLarge) {
  DrawContext c;
  Objects o;
  c.pdev->hidden2Func11 = 1;
  std::vector<RECTL> rows;
  for (LONG y = 0; y < 1700; ++y) rows.push_back(RECTL{y % 7, y, y % 7 + 3, y + 1});  // 5100 curves of outline
  CLIPOBJ* clip = o.clips.emplace_back(kvp::eng::CreateClip(rows.data(), ULONG(rows.size()), 4));
  RECTL r{0, 0, 10, 1700};
  ASSERT_EQ(DrvBitBlt(&c.device, nullptr, nullptr, clip, nullptr, &r, nullptr, nullptr, o.Solid(0), nullptr, 0xF0F0), TRUE);
  std::vector<int> ops = c.Opcodes();
  EXPECT_EQ(ops, (std::vector<int>{64, 48, 50, 49, 19}));
}

TEST(GrBitBlt, SourceRoadFormats) {
  const struct Case {
    const char* name;
    ULONG format;
    LONG w, h;             // source size; the target is 8 x 4
    std::vector<ULONG> table;
    std::string image;     // the image line up to its data
  } cases[] = {
      {"24 bits, same size", BMF_24BPP, 8, 4, {},
       "32 image format 00 A4 00 dest (10,20,18,24) src 0,0 width 8 rows 4 at 10,20 size 8x4 palette 0 row-bytes 24"},
      {"16 bits", BMF_16BPP, 8, 4, {},
       "32 image format 00 A4 00 dest (10,20,18,24) src 0,0 width 8 rows 4 at 10,20 size 8x4 palette 0 row-bytes 24"},
      {"32 bits, larger", BMF_32BPP, 9, 5, {},
       "32 image format 00 A4 00 dest (10,20,18,24) src 0,0 width 8 rows 4 at 10,20 size 8x4 palette 0 row-bytes 24"},
      {"1 bit", BMF_1BPP, 8, 4, {0x000000, 0x0000FF},
       "32 image format 00 80 00 dest (10,20,18,24) src 0,0 width 8 rows 4 at 10,20 size 8x4 palette 6 row-bytes 4"},
      {"4 bits grey", BMF_4BPP, 8, 4,
       {0x000000, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666, 0x777777, 0x888888, 0x999999, 0xAAAAAA,
        0xBBBBBB, 0xCCCCCC, 0xDDDDDD, 0xEEEEEE, 0xFFFFFF},
       "32 image format 00 A1 00 dest (10,20,18,24) src 0,0 width 8 rows 4 at 10,20 size 8x4 palette 0 row-bytes 4"},
      {"8 bits", BMF_8BPP, 8, 4, std::vector<ULONG>(256, 0x123456),
       "32 image format 00 82 00 dest (10,20,18,24) src 0,0 width 8 rows 4 at 10,20 size 8x4 palette 768 row-bytes 8"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    DrawContext c;
    Objects o;
    Bitmap b(k.w, k.h, k.format);
    XLATEOBJ* x = k.table.empty() ? nullptr
                                  : o.xlates.emplace_back(kvp::eng::CreateXlate(k.table.data(), ULONG(k.table.size())));
    RECTL r{10, 20, 18, 24};
    POINTL at{0, 0};
    size_t live = kvp::eng::LiveObjectCount();
    ASSERT_EQ(DrvBitBlt(&c.device, b.so, nullptr, nullptr, x, &r, &at, nullptr, nullptr, nullptr, 0xCCCC), TRUE);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), live);  // temporary surfaces released
    Lines l = c.Lines();
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(Head(l.back()), k.image);
  }
}

TEST(GrBitBlt, MaskedTransferSendsTheMaskFirst) {
  for (ROP4 rop : {ROP4(0xAACC), ROP4(0xCCAA)}) {
    SCOPED_TRACE(rop);
    DrawContext c;
    Bitmap src(8, 4, BMF_24BPP), mask(8, 4, BMF_1BPP);
    RECTL r{0, 0, 8, 4};
    POINTL at{0, 0};
    size_t live = kvp::eng::LiveObjectCount();
    ASSERT_EQ(DrvBitBlt(&c.device, src.so, mask.so, nullptr, nullptr, &r, &at, &at, nullptr, nullptr, rop), TRUE);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), live);
    Lines l = c.Lines();
    ASSERT_EQ(l.size(), 7u);
    EXPECT_EQ(l[0], rop == 0xAACC ? "50 background 1" : "50 background 2");
    EXPECT_EQ(l[1], rop == 0xAACC ? "49 rop 0xCC" : "49 rop 0xAA");
    EXPECT_EQ(l[3], "49 rop 0xEE");
    EXPECT_EQ(Head(l[4]), "32 image format 00 20 00 dest (0,0,8,4) src 0,0 width 8 rows 4 at 0,0 size 8x4 palette 0 row-bytes 4");
    EXPECT_EQ(l[5], "49 rop 0x88");
    EXPECT_EQ(Head(l[6]).substr(0, 26), "32 image format 00 A4 00 d");
  }
}

TEST(GrCopyBits, Roads) {
  DrawContext c;
  Bitmap b(16, 8, BMF_24BPP);
  POINTL at{2, 1};
  // A sub-rectangle of a 24-bit source goes straight into its record.
  RECTL part{100, 200, 104, 203};
  ASSERT_EQ(DrvCopyBits(&c.device, b.so, nullptr, nullptr, &part, &at), TRUE);
  Lines l = c.Lines();
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0], "49 rop 0xCC");
  EXPECT_EQ(Head(l[1]), "32 image format 00 24 00 dest (100,200,104,203) src 0,0 width 4 rows 3 at 100,200 size 4x3 "
                        "palette 0 row-bytes 12");
  // A negative source point is refused rather than read before the bitmap.
  POINTL before{-1, 0};
  EXPECT_EQ(DrvCopyBits(&c.device, b.so, nullptr, nullptr, &part, &before), FALSE);
  EXPECT_EQ(GrPutImageDirect24(c.pdev, b.so, &before, &part), nullptr);
  EXPECT_TRUE(c.Lines().empty());

  // From the device surface into a bitmap: the bitmap's rectangle is erased to white.
  Bitmap into(4, 4, BMF_8BPP);
  RECTL r{1, 1, 3, 3};
  POINTL zero{0, 0};
  ASSERT_EQ(DrvCopyBits(into.so, &c.device, nullptr, nullptr, &r, &zero), TRUE);
  EXPECT_EQ(kvp::eng::GetPixel(into.so, 1, 1), 0xFFu);
  EXPECT_NE(kvp::eng::GetPixel(into.so, 0, 0), 0xFFu);
}

TEST(GrCopyBits, EveryFormat) {
  const struct Case {
    ULONG format;
    const char* image;
  } cases[] = {
      {BMF_1BPP, "32 image format 00 00 00 dest (5,6,13,10) src 0,0 width 8 rows 4 at 5,6 size 8x4 palette 6 row-bytes 4"},
      {BMF_4BPP, "32 image format 00 01 00 dest (5,6,13,10) src 0,0 width 8 rows 4 at 5,6 size 8x4 palette 48 row-bytes 4"},
      {BMF_8BPP, "32 image format 00 02 00 dest (5,6,13,10) src 0,0 width 8 rows 4 at 5,6 size 8x4 palette 768 row-bytes 8"},
      {BMF_16BPP, "32 image format 00 24 00 dest (5,6,13,10) src 0,0 width 8 rows 4 at 5,6 size 8x4 palette 0 row-bytes 24"},
      {BMF_24BPP, "32 image format 00 24 00 dest (5,6,13,10) src 0,0 width 8 rows 4 at 5,6 size 8x4 palette 0 row-bytes 24"},
      {BMF_32BPP, "32 image format 00 24 00 dest (5,6,13,10) src 0,0 width 8 rows 4 at 5,6 size 8x4 palette 0 row-bytes 24"},
  };
  std::vector<ULONG> table(256);
  for (ULONG i = 0; i < 256; ++i) table[i] = i * 0x010203;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.format);
    DrawContext c;
    Objects o;
    Bitmap b(8, 4, k.format, false);
    ULONG entries = k.format == BMF_1BPP ? 2 : k.format == BMF_4BPP ? 16 : 256;
    XLATEOBJ* x = o.xlates.emplace_back(kvp::eng::CreateXlate(table.data(), entries));
    RECTL r{5, 6, 13, 10};
    POINTL zero{0, 0};
    size_t live = kvp::eng::LiveObjectCount();
    ASSERT_EQ(DrvCopyBits(&c.device, b.so, nullptr, k.format <= BMF_8BPP ? x : nullptr, &r, &zero), TRUE);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), live);
    Lines l = c.Lines();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(Head(l[1]), k.image);
  }
}

TEST(GrCopyBits, MonochromeJobGreysCopiesButNotBlockTransfers) {
  DrawContext c;
  c.pdev->colorMachine = 0;
  Bitmap b(8, 4, BMF_24BPP, false);
  RECTL r{0, 0, 8, 4};
  POINTL zero{0, 0};
  ASSERT_EQ(DrvCopyBits(&c.device, b.so, nullptr, nullptr, &r, &zero), TRUE);
  ASSERT_EQ(DrvBitBlt(&c.device, b.so, nullptr, nullptr, nullptr, &r, &zero, nullptr, nullptr, nullptr, 0xCCCC), TRUE);
  Lines l = c.Lines();
  ASSERT_EQ(l.size(), 5u);
  EXPECT_EQ(Head(l[1]).substr(0, 34), "32 image format 00 32 00 dest (0,0");  // 8-bit grey
  EXPECT_EQ(Head(l.back()).substr(0, 34), "32 image format 00 A4 00 dest (0,0");
}

// An image that cannot go out whole nor row by row fails its hook instead of being reported printed.
TEST(GrCopyBits, LostImageIsAFailure) {
  DrawContext c;
  Bitmap b(64, 64, BMF_24BPP);
  RECTL r{0, 0, 64, 64};
  POINTL zero{0, 0};
  c.pdev->stream.owner = nullptr;  // no chunk beyond the embedded one can be had
  EXPECT_EQ(GrPutCopiedImage(c.pdev, nullptr, b.so, &zero, &r), FALSE);
  c.pdev->stream.owner = c.pdev;
  EXPECT_TRUE(c.Lines().empty());
}

}  // namespace

namespace {

// Every allocation of a drawing sequence failed in turn: each hook reports the failure, no engine object
// is left behind, and what reached the stream still decodes.
TEST(GrDrawFaults, FailEachAllocationInTurn) {
  for (unsigned n = 1;; ++n) {
    SCOPED_TRACE(n);
    DrawContext c;
    Objects o;
    Bitmap src(300, 40, BMF_16BPP);
    PATHOBJ* path = o.Rects({{0, 0, 100, 100}, {200, 200, 300, 300}});
    CLIPOBJ* region = o.Clip({{0, 0, 50, 50}, {60, 60, 90, 90}}, 3);
    BRUSHOBJ* bo = o.Solid(0x00FF00);
    RECTL r{0, 0, 300, 40};
    POINTL zero{0, 0};
    size_t live = kvp::eng::LiveObjectCount();
    kvp::test::FailAllocAt(n);
    BOOL fill = DrvFillPath(&c.device, path, region, bo, nullptr, 0x0D0D, FP_ALTERNATEMODE);
    BOOL blt = DrvBitBlt(&c.device, src.so, nullptr, region, nullptr, &r, &zero, nullptr, nullptr, nullptr, 0xCCCC);
    bool reached = kvp::test::AllocCount() >= n;
    kvp::test::FailAllocAt(0);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), live);
    ZsFlush(c.s());
    std::string text;
    EXPECT_TRUE(zarn::Decode(reinterpret_cast<const uint8_t*>(c.sink.bytes.data()), c.sink.bytes.size(), false, &text).ok);
    if (!reached) {
      EXPECT_EQ(fill, TRUE);
      EXPECT_EQ(blt, TRUE);
      break;
    }
    ASSERT_LT(n, 200u);
  }
}

}  // namespace
