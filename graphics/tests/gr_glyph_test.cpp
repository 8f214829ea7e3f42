// Glyph compression with a round trip through the test's own decoder, and the glyph cache.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gr_glyph_decode.h"
#include "gr_text.h"
#include "kvplat/testhooks.h"
#include "zs_fixture.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Pack(const Bytes& in, DWORD limit = 4096) {
  Bytes out(limit + 1, 0xEE);
  LONG n = GrPackGlyph(in.data(), DWORD(in.size()), out.data(), limit);
  if (n < 0) return {0xDE, 0xAD};
  EXPECT_EQ(out[limit], 0xEE);  // nothing beyond the limit
  out.resize(size_t(n));
  return out;
}

TEST(GlyphPack, WorkedExamples) {
  struct Case {
    const char* name;
    Bytes in, out;
  } cases[] = {
      {"zeros, a run, a literal", {0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0}, {0x9A, 0xFF, 0x00, 0x12}},
      {"literal before a run of four", {0x41, 0x41, 0x42, 0x42, 0x42, 0x42}, {0x01, 0x41, 0x41, 0x82, 0x42}},
      {"twenty zeros", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}, {0x78, 0x05, 0x07}},
      {"three equal then non-zero stay literal", {1, 5, 5, 5, 6}, {0x04, 1, 5, 5, 5, 6}},
      {"three equal then zero end the literal", {1, 5, 5, 5, 0}, {0x00, 1, 0x81, 5}},
      {"all zero", Bytes(40, 0), {}},
      {"long literal", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0x07, 0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Pack(c.in), c.out);
  }
  // 300 equal bytes: one run token, count 299 = 8 + 255 + 36.
  Bytes run(300, 0x5A);
  EXPECT_EQ(Pack(run), (Bytes{0x87, 0xFF, 36, 0x5A}));
  // 300 zeros, then 1: zero count 15 + 255 + 30.
  Bytes zeros(300, 0);
  zeros.push_back(1);
  EXPECT_EQ(Pack(zeros), (Bytes{0x78, 0xFF, 30, 1}));
}

TEST(GlyphPack, LimitRule) {
  Bytes in = {0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0};
  EXPECT_EQ(Pack(in, 4).size(), 4u);    // exactly the limit fits
  EXPECT_EQ(Pack(in, 3), (Bytes{0xDE, 0xAD}));
  Bytes lit = {1, 2, 3, 4};
  EXPECT_EQ(Pack(lit, 4), (Bytes{0xDE, 0xAD}));  // header and four data bytes need 5
  // The callers' rule: compressed only when the form fits in the raw length rounded up to 4.
  zstest::Context ctx;
  BYTE out[8];
  BYTE glyph[6] = {0, 0, 0, 0x80, 0, 0};
  EXPECT_EQ(GrTryPackGlyph(ctx.pdev, glyph, out, 8, 3, 2), 2u);
  BYTE noisy[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(GrTryPackGlyph(ctx.pdev, noisy, out, 8, 3, 2), 7u);
  EXPECT_EQ(GrTryPackGlyph(ctx.pdev, noisy, out, 6, 3, 2), 0u);
  BYTE blank[6] = {};
  EXPECT_EQ(GrTryPackGlyph(ctx.pdev, blank, out, 8, 3, 2), 0u);
}

TEST(GlyphPack, RoundTripOfRandomBitmaps) {
  std::mt19937 rng(1234);
  for (int i = 0; i < 400; ++i) {
    size_t n = rng() % 700;
    Bytes in(n);
    int style = i % 4;
    for (auto& b : in) {
      unsigned r = rng() % 16;
      b = style == 0 ? BYTE(rng()) : r < 8 ? 0 : r < 13 ? BYTE(0xFF >> (style * 2)) : BYTE(rng());
    }
    Bytes out(n * 2 + 16);
    LONG len = GrPackGlyph(in.data(), DWORD(n), out.data(), DWORD(out.size()));
    ASSERT_GE(len, 0);
    auto back = grtest::UnpackGlyph(out.data(), size_t(len), n);
    ASSERT_TRUE(back) << i;
    ASSERT_EQ(*back, in) << i;
  }
}

TEST(GlyphPack, LengthsBeyondSixteenBits) {
  // A large glyph at high resolution: the compressed length is not cut to 16 bits.
  Bytes in(200000);
  for (size_t i = 0; i < in.size(); ++i) in[i] = BYTE(i * 7 % 251 + 1);
  Bytes out(in.size() + in.size() / 128 + 16);
  LONG len = GrPackGlyph(in.data(), DWORD(in.size()), out.data(), DWORD(out.size()));
  ASSERT_GT(len, 0xFFFF);
  auto back = grtest::UnpackGlyph(out.data(), size_t(len), in.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, in);
}

TEST(GlyphCache, FindAddFreeAndCollisions) {
  zstest::Context ctx;
  GR_PDEV* p = ctx.pdev;
  WORD gen = WORD(p->glyphCache.generation);
  DWORD b = GrGlyphHash(p, 7, gen, 0x41);
  EXPECT_EQ(b, (7u + gen + 0x41) & 0x3FF);
  EXPECT_FALSE(GrGlyphCacheFind(p, b, 7, gen, 0x41, 2));
  // Three glyphs in one bucket stay kept.
  ASSERT_NE(GrGlyphCacheAdd(p, b, 7, gen, 0x41, 2), nullptr);
  ASSERT_NE(GrGlyphCacheAdd(p, GrGlyphHash(p, 7 + 1024, gen, 0x41), 7 + 1024, gen, 0x41, 2), nullptr);
  ASSERT_NE(GrGlyphCacheAdd(p, GrGlyphHash(p, 6, gen, 0x42), 6, gen, 0x42, 2), nullptr);
  EXPECT_EQ(GrGlyphHash(p, 6, gen, 0x42), b);
  EXPECT_TRUE(GrGlyphCacheFind(p, b, 7, gen, 0x41, 2));
  EXPECT_TRUE(GrGlyphCacheFind(p, b, 7 + 1024, gen, 0x41, 2));
  EXPECT_TRUE(GrGlyphCacheFind(p, b, 6, gen, 0x42, 2));
  EXPECT_FALSE(GrGlyphCacheFind(p, b, 7, gen, 0x41, 3));  // another code kind
  EXPECT_FALSE(GrGlyphCacheFind(p, 1024, 7, gen, 0x41, 2));
  EXPECT_EQ(GrGlyphCacheAdd(p, 1024, 7, gen, 0x41, 2), nullptr);
  // Freeing moves the generation on, wrapping at 16 bits.
  EXPECT_TRUE(GrFreeGlyphCache(p));
  EXPECT_EQ(WORD(p->glyphCache.generation), WORD(gen + 1));
  EXPECT_FALSE(GrGlyphCacheFind(p, b, 7, gen, 0x41, 2));
  for (auto* head : p->glyphCache.buckets) EXPECT_EQ(head, nullptr);
  p->glyphCache.generation = -1;
  GrFreeGlyphCache(p);
  EXPECT_EQ(p->glyphCache.generation, 0);
  // No memory: no entry.
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(GrGlyphCacheAdd(p, 3, 1, 0, 3, 2), nullptr);
  kvp::test::FailAllocAt(0);
}

}  // namespace
