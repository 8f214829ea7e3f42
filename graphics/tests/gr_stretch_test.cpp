// Stretched images through the printer's stream, checked in zarndump's dump: sent unchanged, reduced by
// the engine, mirrored, masked, clamped, streamed in halved stripes and reduced when memory is short; the
// engine's halftoning where the job draws the page itself; and the failed row-by-row retry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gr_doc_fixture.h"
#include "gr_stretch.h"
#include "kvplat/stretch.h"
#include "zs_fixture.h"

namespace {

using grtest::Bitmap;

// The records of a dump with these opcodes (image and ROP by default), one a line, without the data
// hashes of images.
std::string Records(const std::string& dump, std::initializer_list<const char*> ops = {"32", "49"}) {
  std::string out;
  size_t at = 0;
  while (at < dump.size()) {
    size_t end = dump.find('\n', at);
    if (end == std::string::npos) end = dump.size();
    std::string line = dump.substr(at, end - at);
    at = end + 1;
    bool wanted = false;
    for (const char* op : ops) wanted = wanted || line.rfind(std::string("  record ") + op + " ", 0) == 0;
    if (!wanted) continue;
    size_t data = line.find(" data ");
    out += line.substr(0, data) + "\n";
  }
  return out;
}

class StretchTest : public grtest::DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    dc_ = &Enable();
    p()->directImage = 0;
    p()->colorMachine = 1;  // a colour job: 24-bit images keep their colour rows
    p()->colorMode = DMCOLOR_COLOR;
    ASSERT_TRUE(DrvStartDoc(&dc_->so, const_cast<LPWSTR>(u"img"), 21));
    ASSERT_TRUE(DrvStartPage(&dc_->so));
    kvp::eng::ClearStretchLog();
  }
  void TearDown() override {
    kvp::test::FailBitmapsAbove(0);
    DocTest::TearDown();
  }
  GR_PDEV* p() { return dc_->p(); }
  BOOL Stretch(SURFOBJ* src, RECTL target, RECTL source, SURFOBJ* mask = nullptr, XLATEOBJ* xlate = nullptr) {
    POINTL maskPoint{0, 0};
    return DrvStretchBlt(&dc_->so, src, mask, nullptr, xlate, nullptr, nullptr, &target, &source,
                         mask ? &maskPoint : nullptr, COLORONCOLOR);
  }
  // Ends the job and gives its records of these opcodes.
  std::string Finish(std::initializer_list<const char*> ops = {"32", "49"}) {
    EXPECT_TRUE(DrvSendPage(&dc_->so));
    EXPECT_TRUE(DrvEndDoc(&dc_->so, 0));
    return Records(Dump(Spool(21)), ops);
  }
  Dc* dc_ = nullptr;
};

TEST_F(StretchTest, DirectImageLetsTheEngineReduceOtherwiseTheSourceGoesUnchanged) {
  Bitmap src(1000, 1000, BMF_24BPP);
  p()->directImage = 1;
  ASSERT_TRUE(Stretch(src.so, {0, 0, 500, 500}, {0, 0, 1000, 1000}));
  std::vector<kvp::eng::StretchCall> log = kvp::eng::StretchLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].target.right, 500);
  EXPECT_EQ(log[0].target.bottom, 500);
  EXPECT_EQ(log[0].mode, ULONG(COLORONCOLOR));
  p()->directImage = 0;
  ASSERT_TRUE(Stretch(src.so, {0, 0, 500, 500}, {0, 0, 1000, 1000}));
  EXPECT_EQ(kvp::eng::StretchLog().size(), 1u);  // sent as it is
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 32 image format 00 24 00 dest (0,0,500,500) src 0,0 width 500 rows 500 at 0,0 size 500x500 "
            "palette 0 row-bytes 1500\n"
            "  record 32 image format 00 24 00 dest (0,0,500,500) src 0,0 width 1000 rows 1000 at 0,0 size "
            "500x500 palette 0 row-bytes 3000\n");
}

TEST_F(StretchTest, MirroredTargetsRunTheTemporaryRectangleBackwards) {
  Bitmap src(40, 20, BMF_24BPP);
  ASSERT_TRUE(Stretch(src.so, {80, 0, 0, 40}, {0, 0, 40, 20}));
  std::vector<kvp::eng::StretchCall> log = kvp::eng::StretchLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].target.left, 40);
  EXPECT_EQ(log[0].target.right, 0);
  EXPECT_EQ(log[0].target.top, 0);
  EXPECT_EQ(log[0].target.bottom, 20);
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 32 image format 00 24 00 dest (0,0,80,40) src 0,0 width 40 rows 20 at 0,0 size 80x40 "
            "palette 0 row-bytes 120\n");
}

TEST_F(StretchTest, AMaskGoesFirstWithRopEEThenTheImageWith88) {
  Bitmap src(16, 8, BMF_24BPP), mask(16, 8, BMF_1BPP);
  ASSERT_TRUE(Stretch(src.so, {0, 0, 32, 16}, {0, 0, 16, 8}, mask.so));
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 49 rop 0xEE\n"
            "  record 32 image format 00 20 00 dest (0,0,32,16) src 0,0 width 16 rows 8 at 0,0 size 32x16 "
            "palette 0 row-bytes 4\n"
            "  record 49 rop 0x88\n"
            "  record 32 image format 00 24 00 dest (0,0,32,16) src 0,0 width 16 rows 8 at 0,0 size 32x16 "
            "palette 0 row-bytes 48\n");
}

TEST_F(StretchTest, TheSourceRectangleIsClampedToTheBitmap) {
  Bitmap src(100, 50, BMF_8BPP);
  ULONG table[256] = {};
  table[1] = 0x0000FF;
  XLATEOBJ* x = kvp::eng::CreateXlate(table, 256);
  ASSERT_TRUE(Stretch(src.so, {10, 10, 210, 110}, {-10, -5, 300, 80}, nullptr, x));
  EXPECT_TRUE(kvp::eng::StretchLog().empty());  // clamped to the whole bitmap: no conversion
  kvp::eng::DeleteXlate(x);
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 32 image format 00 02 00 dest (10,10,210,110) src 0,0 width 100 rows 50 at 10,10 size "
            "200x100 palette 768 row-bytes 100\n");
}

TEST_F(StretchTest, AShortTranslationTableStillGivesAWholePalette) {
  Bitmap src(8, 4, BMF_8BPP);
  ULONG table[2] = {0x000000, 0x0000FF};  // two entries for an 8-bit image: the rest of the palette is black
  XLATEOBJ* x = kvp::eng::CreateXlate(table, 2);
  ASSERT_TRUE(Stretch(src.so, {0, 0, 16, 8}, {0, 0, 8, 4}, nullptr, x));
  kvp::eng::DeleteXlate(x);
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 32 image format 00 02 00 dest (0,0,16,8) src 0,0 width 8 rows 4 at 0,0 size 16x8 palette 768 "
            "row-bytes 8\n");
}

TEST_F(StretchTest, ALarge32BitSourceWithoutTemporaryMemoryGoesInHalvedStripes) {
  Bitmap src(5000, 1000, BMF_32BPP);
  kvp::test::FailBitmapsAbove(1 << 20);
  ASSERT_TRUE(Stretch(src.so, {0, 0, 10000, 2000}, {0, 0, 5000, 1000}));
  std::vector<kvp::eng::StretchCall> log = kvp::eng::StretchLog();
  ASSERT_EQ(log.size(), 500u);  // one row stretch per row taken
  EXPECT_EQ(log[1].source.top, 2);
  EXPECT_EQ(log[0].target.right, 5000);
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 32 image format 02 24 00 dest (0,0,10000,2000) src 0,0 width 2500 rows 500 at 0,0 size "
            "10000x2000 palette 0 row-bytes 7500\n");
}

TEST_F(StretchTest, WithoutMemoryForAnyStripeAReducedCopyIsSent) {
  Bitmap src(400, 200, BMF_16BPP);  // no stripes for 16 bits
  kvp::test::FailBitmapsAbove(400 * 200 * 3 / 4);
  ASSERT_TRUE(Stretch(src.so, {0, 0, 400, 200}, {0, 0, 400, 200}));
  std::vector<kvp::eng::StretchCall> log = kvp::eng::StretchLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].target.right, 200);  // the full size did not fit, the half did
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 32 image format 02 24 00 dest (0,0,400,200) src 0,0 width 200 rows 100 at 0,0 size 400x200 "
            "palette 0 row-bytes 600\n");
}

TEST_F(StretchTest, RasterModeAndOneBitSurfacesLetTheEngineHalftone) {
  Bitmap src(8, 8, BMF_24BPP), band(8, 8, BMF_24BPP);
  band.so->dhpdev = p();
  p()->colorProcess = 1;
  p()->colorMode = 1;
  p()->rasterMode = 1;
  RECTL t{0, 0, 8, 8}, s{0, 0, 8, 8};
  ASSERT_TRUE(DrvStretchBlt(band.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr, COLORONCOLOR));
  p()->rasterMode = 0;
  p()->oneBitSurface = 1;
  ASSERT_TRUE(DrvStretchBlt(band.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr, COLORONCOLOR));
  std::vector<kvp::eng::StretchCall> log = kvp::eng::StretchLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].mode, ULONG(HALFTONE));
  EXPECT_FALSE(log[0].adjusted);
  EXPECT_EQ(log[1].mode, ULONG(HALFTONE));
  ASSERT_TRUE(log[1].adjusted);  // the identity adjustment
  EXPECT_EQ(log[1].adjustment.caSize, sizeof(COLORADJUSTMENT));
  EXPECT_EQ(log[1].adjustment.caRedGamma, 10000);
  EXPECT_EQ(log[1].adjustment.caReferenceWhite, 10000);
  EXPECT_EQ(log[1].adjustment.caContrast, 0);
  p()->oneBitSurface = 0;
  p()->colorProcess = 0;
  EXPECT_EQ(Finish(), "");  // nothing of it in the stream
}

TEST_F(StretchTest, HooksRefuseWhatTheyCannotDraw) {
  Bitmap src(4, 4, BMF_24BPP);
  RECTL t{0, 0, 4, 4}, s{0, 0, 4, 4};
  SURFOBJ device{};
  device.iType = STYPE_DEVICE;
  EXPECT_FALSE(DrvStretchBlt(&dc_->so, &device, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr, COLORONCOLOR));
  EXPECT_FALSE(DrvStretchBltROP(&dc_->so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr,
                                COLORONCOLOR, nullptr, 0xCCCC));
  SURFOBJ bad{};
  SetLastError(0);
  EXPECT_FALSE(DrvStretchBlt(&bad, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr, COLORONCOLOR));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  p()->drawingSuppressed = 1;
  EXPECT_TRUE(DrvStretchBltROP(&dc_->so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr,
                               COLORONCOLOR, nullptr, 0xCCCC));
  p()->drawingSuppressed = 0;
  EXPECT_EQ(Finish(), "");
}

TEST_F(StretchTest, StretchBltRopSendsTheBrushAndTheRop) {
  Bitmap src(4, 4, BMF_24BPP);
  RECTL t{0, 0, 4, 4}, s{0, 0, 4, 4};
  BRUSHOBJ* brush = kvp::eng::CreateSolidBrush(0x0000FF);
  ASSERT_TRUE(DrvStretchBltROP(&dc_->so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &t, &s, nullptr,
                               COLORONCOLOR, brush, 0xCCAA));  // no mask: a plain copy
  kvp::eng::DeleteBrush(brush);
  EXPECT_EQ(Finish(),
            "  record 49 rop 0xCC\n"
            "  record 32 image format 00 24 00 dest (0,0,4,4) src 0,0 width 4 rows 4 at 0,0 size 4x4 palette 0 "
            "row-bytes 12\n");
}

TEST_F(StretchTest, StretchBltRopWithAHatchBrushSendsItsTile) {
  Bitmap src(4, 4, BMF_24BPP);
  RECTL t{0, 0, 4, 4}, s{0, 0, 4, 4};
  BRUSHOBJ* brush = kvp::eng::CreateHatchBrush(&dc_->so, HS_CROSS, 0x0000FF, 0xFFFFFF, &DrvRealizeBrush);
  ASSERT_NE(brush, nullptr);
  POINTL origin{0, 0};
  ASSERT_TRUE(DrvStretchBltROP(&dc_->so, src.so, nullptr, nullptr, nullptr, nullptr, &origin, &t, &s, nullptr,
                               COLORONCOLOR, brush, 0xB8B8));  // source where the pattern is set
  auto* tile = static_cast<const GR_BRUSH*>(BRUSHOBJ_pvGetRbrush(brush));
  ASSERT_NE(tile, nullptr);
  EXPECT_EQ(tile->kind, GR_BRUSH_PATTERN1);
  kvp::eng::DeleteBrush(brush);
  std::string records = Finish({"48", "49", "50", "64"});
  EXPECT_NE(records.find("record 50 background 2\n"), std::string::npos) << records;
  EXPECT_NE(records.find("record 64 pattern-brush flags 0x80 side 32 bits 128 bytes"), std::string::npos) << records;
  EXPECT_NE(records.find("record 48 colour-brush"), std::string::npos) << records;
  EXPECT_NE(records.find("record 49 rop 0xB8\n"), std::string::npos) << records;
}

// A failed image whose row-by-row retry fails too fails the call. Once a write failed, part of the
// record may be at the printer: there is no retry, and nothing more is written.
TEST(StretchRetry, AFailedRetryIsReported) {
  zstest::Context c;
  Bitmap src(4000, 1000, BMF_8BPP);  // 4 MB: the buffer must flush before the image is complete
  RECTL t{0, 0, 4000, 1000}, s{0, 0, 4000, 1000};
  c.pdev->stream.write = [](HANDLE, const void*, DWORD, DWORD*) -> BOOL { return FALSE; };
  EXPECT_FALSE(GrPutStretchedImage(c.pdev, nullptr, src.so, nullptr, nullptr, &t, &s, nullptr, nullptr, 0xCCCC));
  c.pdev->stream.write = &zstest::Sink::Write;
  c.pdev->state &= ~GR_STATE_OUTPUT_ERROR;
  c.sink.failAt = 1;  // the first write fails: the call fails and the row-by-row writer sends nothing
  EXPECT_FALSE(GrPutStretchedImage(c.pdev, nullptr, src.so, nullptr, nullptr, &t, &s, nullptr, nullptr, 0xCCCC));
  EXPECT_TRUE(c.pdev->state & GR_STATE_OUTPUT_ERROR);
  EXPECT_TRUE(c.sink.bytes.empty());
}

TEST(StretchClamp, EndsAreClampedAndReversedPairsKeepTheirOrder) {
  struct Case {
    RECTL in, out;
  } cases[] = {
      {{-5, -5, 20, 20}, {0, 0, 10, 8}}, {{20, 20, -5, -5}, {10, 8, 0, 0}}, {{2, 3, 4, 5}, {2, 3, 4, 5}},
      {{12, 9, 15, 11}, {12, 9, 10, 8}},  // beyond the bitmap: the ends pass each other
  };
  for (const Case& c : cases) {
    RECTL r = c.in;
    GrClampSourceRect(&r, 10, 8);
    EXPECT_EQ(r.left, c.out.left);
    EXPECT_EQ(r.top, c.out.top);
    EXPECT_EQ(r.right, c.out.right);
    EXPECT_EQ(r.bottom, c.out.bottom);
  }
  RECTL r{-3, -3, 5, 5};
  GrClampSourceRect(&r, 0, 0);  // a size of 0 leaves its axis alone
  EXPECT_EQ(r.left, -3);
}

}  // namespace
