// The text arithmetic, its tables and the conversion of wide text into printer bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gr_text.h"
#include "kvplat/sysinfo.h"
#include "kvtest/temp_root.h"

namespace {

TEST(TextMath, TablesFollowTheirFormulas) {
  for (int d = 0; d <= 90; ++d) {
    SCOPED_TRACE(d);
    long want = std::lround(std::floor(16384 * std::sin(d * M_PI / 180) + 0.5));
    EXPECT_EQ(GR_SINE_TABLE[d], d == 21 ? 5871 : want);
  }
  EXPECT_EQ(GR_SINE_TABLE[90], 16384);
  for (int t = 0; t < 450; ++t)
    EXPECT_EQ(GR_TANGENT_TABLE[t], std::lround(std::floor(32767 * std::tan(t * M_PI / 1800) + 0.5))) << t;
}

TEST(TextMath, SineAndCosineByQuadrant) {
  struct Case {
    LONG d, sin, cos;
  } cases[] = {{0, 0, 16384}, {21, 5871, 15296}, {90, 16384, 0}, {180, 0, -16384}, {201, -5871, -15296},
               {270, -16384, 0}, {333, -7438, 14598}, {359, -286, 16382}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.d);
    EXPECT_EQ(GrSinQ14(c.d), c.sin);
    EXPECT_EQ(GrCosQ14(c.d), c.cos);
  }
}

TEST(TextMath, AnglesOfFontTransforms) {
  // The escapement of a baseline (eM11, eM12), as the text hook forms it.
  auto escapement = [](float m11, float m12) {
    int g = GrVectorAngle(SHORT(GrScaleFloat(m11, 5000)), SHORT(GrScaleFloat(m12, 5000)));
    return g > 0 ? 360 - g : -g;
  };
  EXPECT_EQ(escapement(1, 0), 0);
  EXPECT_EQ(escapement(1, 0.5f), 333);
  EXPECT_EQ(GrVectorAngle(5000, 2500), 27);
  EXPECT_EQ(escapement(0, 1), 270);
  EXPECT_EQ(escapement(-1, 0), 180);
  EXPECT_EQ(escapement(0, -1), 90);
  EXPECT_EQ(escapement(1, -1), 45);
  EXPECT_EQ(GrVectorAngle(-3, -3), -135);
  // Every whole angle comes back within a degree, extreme vectors included.
  for (int a = -179; a <= 180; ++a) {
    double r = a * M_PI / 180;
    int got = GrVectorAngle(SHORT(std::lround(30000 * std::cos(r))), SHORT(std::lround(30000 * std::sin(r))));
    EXPECT_LE(std::abs(got - a), 1) << a;
  }
  EXPECT_EQ(GrVectorAngle(-32768, 1), 180);
}

TEST(TextMath, AtanSearchAgainstTheTable) {
  EXPECT_EQ(GrAtanSearch(0, 450, 0), 0);
  for (int t = 1; t < 449; ++t) {
    // A value just above entry t lands on t.
    EXPECT_EQ(GrAtanSearch(0, 450, SHORT(GR_TANGENT_TABLE[t] + 1)), t) << t;
  }
}

TEST(TextMath, HypotAndScale) {
  EXPECT_EQ(GrHypot(3, 4), 5);
  EXPECT_EQ(GrHypot(1, 1), 2);
  EXPECT_EQ(GrHypot(0, -7), 7);
  EXPECT_EQ(GrHypot(-9, 0), 9);
  EXPECT_EQ(GrHypot(20, 1), 21);
  EXPECT_EQ(GrHypot(30000, 30000), 42427);
  // em width of a 2048-unit face at eM11 = 0.01: (204 + 5) / 10 = 20.
  EXPECT_EQ(GrHypot((GrScaleFloat(0.01f, 20480) + 5) / 10, 0), 20);
  EXPECT_EQ(GrScaleFloat(0.5f, 5000), 2500);
  EXPECT_EQ(GrScaleFloat(-0.99999f, 1), 0);
  EXPECT_EQ(GrScaleFloat(1e30f, 10), 0x7FFFFFFF);
}

TEST(TextMath, UnicodeToPrinterText) {
  kvtest::TempRoot root;
  struct Case {
    UINT cp;
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {1252, u"A\u0080\u00e9", "A\x80\xe9"},
      {1252, u"\u20ac\u0101", "\x80?"},
      {932, u"\u660e\u671d", "\x96\xbe\x92\xa9"},
      {932, u"\uff7a\uff9e", "\xba\xde"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    kvp::ProfileSet("ACP", std::to_string(c.cp));
    BYTE out[16] = {};
    int n = GrUnicodeToPrinterText(out, c.text.data(), DWORD(2 * c.text.size()), 128);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), size_t(n)), c.bytes);
  }
  std::u16string s = u"abc";
  EXPECT_EQ(GrWideLength(s.c_str()), 3u);
  EXPECT_EQ(GrWideLength(nullptr), 0u);
}

}  // namespace
