// The engine's stretching: nearest-neighbour scaling and mirroring, colour translation between formats,
// masks and ROP4s, clipping, refused arguments, the call log, and the switch that refuses large bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvplat/engine.h"
#include "kvplat/error.h"
#include "kvplat/stretch.h"
#include "kvplat/testhooks.h"

namespace {

// An engine bitmap, locked for the test's lifetime.
struct Bitmap {
  HSURF h = nullptr;
  SURFOBJ* so = nullptr;
  Bitmap(LONG w, LONG hgt, ULONG format, bool topDown = true) {
    h = EngCreateBitmap(SIZEL{w, hgt}, 0, format, topDown ? BMF_TOPDOWN : 0, nullptr);
    EXPECT_NE(h, nullptr);
    so = h ? EngLockSurface(h) : nullptr;
  }
  ~Bitmap() {
    if (so) EngUnlockSurface(so);
    if (h) EngDeleteSurface(h);
  }
  BYTE* Row(LONG y) const { return static_cast<BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta; }
  // Rows of an 8-bit bitmap as text, one digit a pixel.
  std::string Rows8() const {
    std::string out;
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
      for (LONG x = 0; x < so->sizlBitmap.cx; ++x) out += char('0' + Row(y)[x]);
      out += '\n';
    }
    return out;
  }
};

void Fill8(Bitmap& b, const std::vector<std::string>& rows) {
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) b.Row(LONG(y))[x] = BYTE(rows[y][x] - '0');
}

TEST(EngStretch, NearestNeighbourScalingAndMirroring) {
  struct Case {
    const char* name;
    LONG w, h;
    RECTL target, source;
    const char* rows;
  } cases[] = {
      {"copy", 4, 2, {0, 0, 4, 2}, {0, 0, 4, 2}, "1234\n5678\n"},
      {"double", 8, 4, {0, 0, 8, 4}, {0, 0, 4, 2}, "11223344\n11223344\n55667788\n55667788\n"},
      {"halve", 2, 1, {0, 0, 2, 1}, {0, 0, 4, 2}, "68\n"},  // pixel centres: source 1 and 3 of row 1
      {"mirror x", 4, 2, {4, 0, 0, 2}, {0, 0, 4, 2}, "4321\n8765\n"},
      {"mirror y", 4, 2, {0, 2, 4, 0}, {0, 0, 4, 2}, "5678\n1234\n"},
      {"source reversed", 4, 2, {0, 0, 4, 2}, {4, 0, 0, 2}, "4321\n8765\n"},
      {"both reversed", 4, 2, {4, 0, 0, 2}, {4, 0, 0, 2}, "1234\n5678\n"},
      {"sub-rectangle", 2, 2, {0, 0, 2, 2}, {1, 0, 3, 2}, "23\n67\n"},
      {"beyond the target", 3, 2, {1, 0, 5, 2}, {0, 0, 4, 2}, "012\n056\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap src(4, 2, BMF_8BPP), dst(c.w, c.h, BMF_8BPP);
    Fill8(src, {"1234", "5678"});
    RECTL t = c.target, s = c.source;
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr, COLORONCOLOR));
    EXPECT_EQ(dst.Rows8(), c.rows);
  }
}

TEST(EngStretch, BottomUpBitmapsKeepTheirPictureOrientation) {
  Bitmap src(2, 2, BMF_8BPP, false), dst(2, 2, BMF_8BPP);
  Fill8(src, {"12", "34"});  // row 0 is the top row wherever it is stored
  RECTL r{0, 0, 2, 2};
  EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &r, &r, nullptr, HALFTONE));
  EXPECT_EQ(dst.Rows8(), "12\n34\n");
}

TEST(EngStretch, ColoursMoveBetweenFormats) {
  RECTL one{0, 0, 1, 1};
  auto Bytes = [](const Bitmap& b) { return std::vector<BYTE>(b.Row(0), b.Row(0) + 3); };
  {  // an indexed source through the translation table: the entry's bytes, lowest first
    Bitmap src(1, 1, BMF_8BPP), dst(1, 1, BMF_24BPP);
    src.Row(0)[0] = 2;
    ULONG table[3] = {0, 0, 0x00332211};
    XLATEOBJ x{0, XO_TABLE, PAL_INDEXED, PAL_RGB, 3, table};
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, &x, nullptr, nullptr, &one, &one, nullptr, COLORONCOLOR));
    EXPECT_EQ(Bytes(dst), (std::vector<BYTE>{0x33, 0x22, 0x11}));  // the engine's 24 bits: blue first
  }
  {  // 16-bit 5-5-5 at full intensity is full intensity
    Bitmap src(1, 1, BMF_16BPP), dst(1, 1, BMF_24BPP);
    src.Row(0)[0] = 0xFF;
    src.Row(0)[1] = 0x7F;
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &one, &one, nullptr, COLORONCOLOR));
    EXPECT_EQ(Bytes(dst), (std::vector<BYTE>{0xFF, 0xFF, 0xFF}));
  }
  {  // 32 bits: the first three bytes
    Bitmap src(1, 1, BMF_32BPP), dst(1, 1, BMF_24BPP);
    std::memcpy(src.Row(0), "\x01\x02\x03\x04", 4);
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &one, &one, nullptr, COLORONCOLOR));
    EXPECT_EQ(Bytes(dst), (std::vector<BYTE>{1, 2, 3}));
  }
  {  // a direct colour into one bit by brightness
    Bitmap src(2, 1, BMF_24BPP), dst(2, 1, BMF_1BPP);
    std::memcpy(src.Row(0), "\xF0\xF0\xF0\x10\x10\x10", 6);
    RECTL two{0, 0, 2, 1};
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &two, &two, nullptr, COLORONCOLOR));
    EXPECT_EQ(dst.Row(0)[0] & 0xC0, 0x80);
  }
}

TEST(EngStretch, MasksChooseBetweenTheTwoRops) {
  Bitmap src(4, 1, BMF_8BPP), dst(4, 1, BMF_8BPP), mask(4, 1, BMF_1BPP);
  Fill8(src, {"1234"});
  Fill8(dst, {"9999"});
  mask.Row(0)[0] = 0xA0;  // pixels 0 and 2
  RECTL r{0, 0, 4, 1};
  POINTL origin{0, 0};
  EXPECT_TRUE(EngStretchBlt(dst.so, src.so, mask.so, nullptr, nullptr, nullptr, nullptr, &r, &r, &origin, COLORONCOLOR));
  EXPECT_EQ(dst.Rows8(), "1939\n");
  Fill8(dst, {"9999"});
  EXPECT_TRUE(EngStretchBltROP(dst.so, src.so, mask.so, nullptr, nullptr, nullptr, nullptr, &r, &r, &origin,
                               COLORONCOLOR, nullptr, 0xAACC));  // foreground (low byte) where the mask is set
  EXPECT_EQ(dst.Rows8(), "1939\n");
  Fill8(dst, {"9999"});
  EXPECT_TRUE(EngStretchBltROP(dst.so, src.so, mask.so, nullptr, nullptr, nullptr, nullptr, &r, &r, &origin,
                               COLORONCOLOR, nullptr, 0xCCAA));
  EXPECT_EQ(dst.Rows8(), "9294\n");
  // A scaled mask follows its source pixels.
  Bitmap wide(8, 1, BMF_8BPP);
  RECTL twice{0, 0, 8, 1};
  EXPECT_TRUE(EngStretchBlt(wide.so, src.so, mask.so, nullptr, nullptr, nullptr, nullptr, &twice, &r, &origin, COLORONCOLOR));
  EXPECT_EQ(wide.Rows8(), "11003300\n");
  // Without a mask the foreground ROP3 applies everywhere: source XOR destination.
  Fill8(dst, {"3333"});
  EXPECT_TRUE(EngStretchBltROP(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &r, &r, nullptr,
                               COLORONCOLOR, nullptr, 0x6666));
  EXPECT_EQ(dst.Rows8(), "2107\n");
}

TEST(EngStretch, ClipLimitsTheTarget) {
  Bitmap src(4, 1, BMF_8BPP), dst(4, 1, BMF_8BPP);
  Fill8(src, {"1234"});
  RECTL r{0, 0, 4, 1};
  RECTL inside{1, 0, 3, 1};
  CLIPOBJ* clip = kvp::eng::CreateClip(&inside, 1, 1);
  ASSERT_NE(clip, nullptr);
  EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, clip, nullptr, nullptr, nullptr, &r, &r, nullptr, COLORONCOLOR));
  EXPECT_EQ(dst.Rows8(), "0230\n");
  kvp::eng::DeleteClip(clip);
}

TEST(EngStretch, RefusedArgumentsAndTheCallLog) {
  Bitmap src(2, 2, BMF_8BPP), dst(2, 2, BMF_8BPP), wide(2, 2, BMF_8BPP);
  RECTL r{0, 0, 2, 2};
  RECTL outside{1, 0, 3, 2};
  kvp::eng::ClearStretchLog();
  SURFOBJ foreign = *src.so;
  foreign.hsurf = nullptr;
  EXPECT_FALSE(EngStretchBlt(dst.so, &foreign, nullptr, nullptr, nullptr, nullptr, nullptr, &r, &r, nullptr, COLORONCOLOR));
  EXPECT_FALSE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &r, nullptr, COLORONCOLOR));
  EXPECT_FALSE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &r, &r, nullptr, 9));
  EXPECT_FALSE(EngStretchBlt(dst.so, src.so, wide.so, nullptr, nullptr, nullptr, nullptr, &r, &r, nullptr, COLORONCOLOR));
  EXPECT_FALSE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &r, &outside, nullptr, COLORONCOLOR));
  COLORADJUSTMENT ca{};
  ca.caSize = sizeof ca;
  ca.caRedGamma = 10000;
  EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, &ca, nullptr, &r, &r, nullptr, HALFTONE));
  std::vector<kvp::eng::StretchCall> log = kvp::eng::StretchLog();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_FALSE(log[0].drawn);
  EXPECT_TRUE(log[5].drawn);
  EXPECT_EQ(log[5].mode, ULONG(HALFTONE));
  EXPECT_TRUE(log[5].adjusted);
  EXPECT_EQ(log[5].adjustment.caRedGamma, 10000);
  EXPECT_EQ(log[5].targetFormat, ULONG(BMF_8BPP));
}

TEST(EngStretch, LargeBitmapsCanBeRefusedForTests) {
  kvp::test::FailBitmapsAbove(4096);
  HSURF big = EngCreateBitmap(SIZEL{100, 100}, 0, BMF_8BPP, 0, nullptr);  // 10000 bytes
  EXPECT_EQ(big, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  HSURF small = EngCreateBitmap(SIZEL{64, 64}, 0, BMF_8BPP, 0, nullptr);  // 4096 bytes
  EXPECT_NE(small, nullptr);
  kvp::test::FailBitmapsAbove(0);
  big = EngCreateBitmap(SIZEL{100, 100}, 0, BMF_8BPP, 0, nullptr);
  EXPECT_NE(big, nullptr);
  EXPECT_TRUE(EngDeleteSurface(small));
  EXPECT_TRUE(EngDeleteSurface(big));
}

}  // namespace
