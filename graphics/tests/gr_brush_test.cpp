// Brushes, dithering and colour transforms: the pattern helpers, DrvDitherColor and the one colour
// transform a device context keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gr_brush.h"
#include "gr_doc_fixture.h"
#include "kvplat/error.h"
#include "kvplat/icm.h"

namespace {

TEST(BrushPixels, SixteenBitPixelsReachFullIntensity) {
  struct Case {
    WORD pixel;
    BOOL green6;
    BYTE r0, r1, r2;
  } cases[] = {
      {0x7FFF, FALSE, 255, 255, 255}, {0x001F, FALSE, 0, 0, 255}, {0x03E0, FALSE, 0, 255, 0},
      {0x7C00, FALSE, 255, 0, 0},     {0x0000, FALSE, 0, 0, 0},   {0x4210, FALSE, 131, 131, 131},
      {0xFFFF, TRUE, 255, 255, 255},  {0x07E0, TRUE, 0, 255, 0},  {0xF800, TRUE, 255, 0, 0},
      {0x0020, TRUE, 0, 4, 0},        {0x8000, FALSE, 0, 0, 0},  // bit 15 is no colour in 5-5-5
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pixel);
    BYTE out[3];
    GrPixel16ToBytes(c.pixel, c.green6, out);
    EXPECT_EQ(out[0], c.r0);
    EXPECT_EQ(out[1], c.r1);
    EXPECT_EQ(out[2], c.r2);
  }
}

TEST(BrushPixels, TwoColourTest) {
  auto block = [](std::initializer_list<DWORD> colours) {
    std::vector<BYTE> bits(8 * 24, 0);
    std::vector<DWORD> list(colours);
    for (int i = 0; i < 64; ++i) {
      DWORD c = list[size_t(i) % list.size()];
      BYTE* px = &bits[size_t(i / 8) * 24 + size_t(i % 8) * 3];
      px[0] = BYTE(c);
      px[1] = BYTE(c >> 8);
      px[2] = BYTE(c >> 16);
    }
    return bits;
  };
  DWORD colors[2] = {7, 7};
  auto one = block({0x000000});
  EXPECT_TRUE(GrIsTwoColorPattern(one.data(), 24, BMF_24BPP, colors));
  EXPECT_EQ(colors[0], 0u);
  EXPECT_EQ(colors[1], 0u);
  auto blackWhite = block({0x000000, 0xFFFFFF});  // black first counts as a colour of its own
  EXPECT_TRUE(GrIsTwoColorPattern(blackWhite.data(), 24, BMF_24BPP, colors));
  EXPECT_EQ(colors[0], 0x000000u);
  EXPECT_EQ(colors[1], 0xFFFFFFu);
  auto two = block({0x112233, 0x445566});  // stored blue first: the colours come out red in the low byte
  EXPECT_TRUE(GrIsTwoColorPattern(two.data(), 24, BMF_24BPP, colors));
  EXPECT_EQ(colors[0], 0x332211u);
  EXPECT_EQ(colors[1], 0x665544u);
  auto three = block({0x112233, 0x000000, 0x445566});
  EXPECT_FALSE(GrIsTwoColorPattern(three.data(), 24, BMF_24BPP, colors));
  EXPECT_FALSE(GrIsTwoColorPattern(two.data(), 24, BMF_32BPP, colors));
}

TEST(BrushDither, AlwaysHalftone) {
  ULONG dither[4] = {1, 2, 3, 4};
  EXPECT_EQ(DrvDitherColor(nullptr, 0, 0x123456, dither), DCR_HALFTONE);
  EXPECT_EQ(dither[0], 1u);
}

class ColorTransformTest : public grtest::DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    dc_ = &Enable();
    profile_.assign(ICC_HEADER_BYTES, 0);
    std::memcpy(profile_.data() + ICC_SIGNATURE_OFFSET, "acsp", 4);
    cs_.lcsSignature = LCS_SIGNATURE;
    cs_.lcsSize = sizeof cs_;
  }
  void TearDown() override {
    DocTest::TearDown();
    EXPECT_EQ(kvp::icm::LiveTransformCount(), 0u);
    EXPECT_EQ(kvp::icm::LiveProfileCount(), 0u);
  }
  HANDLE Create(void* profile = nullptr, ULONG size = 0) {
    return DrvIcmCreateColorTransform(dc_->p(), &cs_, nullptr, 0, profile ? profile : profile_.data(),
                                      profile ? size : ULONG(profile_.size()), nullptr, 0, 0);
  }
  Dc* dc_ = nullptr;
  std::vector<BYTE> profile_;
  LOGCOLORSPACEW cs_{};
};

TEST_F(ColorTransformTest, CreateKeepsOneTransformAndItsProfile) {
  HANDLE t = Create();
  ASSERT_NE(t, nullptr);
  DWORD flags = 0;
  HPROFILE destination = nullptr;
  ASSERT_TRUE(kvp::icm::DescribeTransform(t, &flags, &destination));
  EXPECT_EQ(flags, DWORD(BEST_MODE));
  EXPECT_EQ(destination, dc_->p()->colorProfile);
  EXPECT_EQ(dc_->p()->colorTransform, t);

  // A second transform replaces the first, which is closed with its profile.
  HANDLE second = Create();
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(kvp::icm::IsLiveTransform(t));
  EXPECT_EQ(kvp::icm::LiveTransformCount(), 1u);
  EXPECT_EQ(kvp::icm::LiveProfileCount(), 1u);

  // Deleting only touches the transform named.
  EXPECT_TRUE(DrvIcmDeleteColorTransform(dc_->p(), t));
  EXPECT_TRUE(kvp::icm::IsLiveTransform(second));
  EXPECT_TRUE(DrvIcmDeleteColorTransform(dc_->p(), second));
  EXPECT_EQ(kvp::icm::LiveTransformCount(), 0u);
  EXPECT_EQ(kvp::icm::LiveProfileCount(), 0u);
  EXPECT_TRUE(DrvIcmDeleteColorTransform(dc_->p(), second));  // a second delete does nothing
  EXPECT_EQ(dc_->p()->colorTransform, nullptr);
}

TEST_F(ColorTransformTest, ReleaseOfTheContextClosesWhatItKeeps) {
  ASSERT_NE(Create(), nullptr);
  Disable(0);
  EXPECT_EQ(kvp::icm::LiveTransformCount(), 0u);
  EXPECT_EQ(kvp::icm::LiveProfileCount(), 0u);
}

TEST_F(ColorTransformTest, FailuresKeepNothingOpen) {
  EXPECT_EQ(DrvIcmCreateColorTransform(dc_->p(), &cs_, nullptr, 0, nullptr, 0, nullptr, 0, 0), nullptr);
  std::vector<BYTE> junk(ICC_HEADER_BYTES, 'j');
  EXPECT_EQ(Create(junk.data(), ULONG(junk.size())), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PROFILE));
  EXPECT_EQ(Create(profile_.data(), 64), nullptr);  // shorter than a header
  cs_.lcsSignature = 0;
  EXPECT_EQ(Create(), nullptr);  // the profile opens, the transform does not
  EXPECT_EQ(kvp::icm::LiveTransformCount(), 0u);
  EXPECT_EQ(kvp::icm::LiveProfileCount(), 1u);  // kept until deleted or released
  EXPECT_TRUE(DrvIcmDeleteColorTransform(dc_->p(), nullptr));
  EXPECT_EQ(kvp::icm::LiveProfileCount(), 0u);

  GR_PDEV bad{};
  SetLastError(0);
  EXPECT_EQ(DrvIcmCreateColorTransform(&bad, &cs_, nullptr, 0, profile_.data(), 128, nullptr, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(DrvIcmDeleteColorTransform(&bad, nullptr));
}

}  // namespace
