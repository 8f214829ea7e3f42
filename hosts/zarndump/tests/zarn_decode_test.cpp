// The decoder against the encoder: every record type round-trips to its readable line, records split
// across record-run blocks decode whole, and malformed bytes are reported at their offset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "gr_state.h"
#include "gr_text.h"
#include "zarn_decode.h"
#include "zs_fixture.h"

namespace {

using zstest::Context;

std::string Dump(const std::string& bytes, bool summary = false, zarn::DecodeResult* result = nullptr) {
  std::string out;
  zarn::DecodeResult r = zarn::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), summary, &out);
  if (result) *result = r;
  return out;
}

// Streams the tests write also seed the decoder's fuzz target (KV_WRITE_SEEDS names the corpus folder).
void Seed(const char* name, const std::string& bytes) {
  if (const char* dir = std::getenv("KV_WRITE_SEEDS")) std::ofstream(std::string(dir) + "/" + name, std::ios::binary) << bytes;
}

// One record of every type the encoder writes, in one page.
std::string EveryRecord() {
  Context c;
  ZARN_STREAM* s = c.s();
  static const RECTL r{1, 2, 3, 4};
  static const SHORT spans[6] = {5, 1, 3, 6, 2, 4};
  static const WORD codes[2] = {0x41, 0x42};
  static const SHORT adv[2] = {10, 11};
  static const BYTE data[4] = {0xAA, 0x55, 0, 0};
  static const ZS_GLYPH_STEP steps[2] = {{0, 0, 0x41}, {5, -1, 0x42}};
  static const BYTE outline[16] = {7, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 32, 0, 0, 0};
  static const BYTE bits[8] = {0xF0, 0x0F, 0xFF, 0, 0x12, 0x34, 0x56, 0x78};
  static const BYTE palette[6] = {0, 0, 0, 255, 255, 255};
  EXPECT_TRUE(ZsWriteBlock(s, ZS_BLOCK_JOB_HEADER, "@PJL JOB\r\n", 10));
  EXPECT_TRUE(ZsWriteBlock(s, ZS_BLOCK_PAGE_HEADER, "@PJL PAGE\r\n", 11));
  EXPECT_TRUE(ZsWriteBlock(s, ZS_BLOCK_MARKER, nullptr, 0));
  ZsPutPageStart(s, 4800, 6800, 600, 600);
  ZsPutRect(s, &r, nullptr, 5);
  ZsPutRect(s, &r, nullptr, 1);
  ZsPutSpanFill(s, 12, 10, &r, spans);
  GR_COLOR_BRUSH b{};
  b.color1 = 0x0000FF;
  b.backgroundMode = 2;
  b.color2 = 0xFFFFFF;
  ZsPutColorBrush(s, &b);
  ZsPutRop(s, 0xF0);
  ZsPutBackgroundMode(s, 1);
  ZsPutLineWidth(s, 3, 0xFFFFFFFF, 1);
  ZsPutDashOffset(s, 2);
  ZsPutLineCap(s, 1);
  ZsPutLineJoin(s, 2, 2560);
  GR_BRUSH pattern{};
  pattern.kind = 2;
  pattern.side = 32;
  pattern.bits[0] = 0x80;
  ZsPutPatternBrush(s, &pattern);
  GR_FONT_DESC f{};
  std::strcpy(f.faceName, "Mono");
  f.road = 2;
  f.weight = 400;
  f.emWidth = f.emHeight = 50;
  ZsPutFontHeader(s, &f);
  f.road = 5;
  ZsPutDownloadFontHeader(s, &f);
  ZsPutGlyphBox(s, &r, 5, 6, 0x41);
  ZsPutGlyphOutline(s, &r, 5, 6, 0x42, outline, sizeof outline);
  ZsPutGlyphList(s, &r, 7, 8, codes, adv, 2, 2, true);
  ZsPutGlyphImage(s, TRUE, &r, 0x08, 0x41, 1, 2, 3, 4, 8, 2, data, 4, 2, 0);
  ZsPutGlyphImage(s, FALSE, &r, 0x48, 0x41, 1, 2, 3, 4, 8, 2, nullptr, 0, 0, 0);
  ZsPutGlyphData(s, 4, 7, 8, 2, data, 4, 2, 2);
  ZsPutGlyphString(s, &r, 4, 9, 10, steps, 2);
  ZsPutImage(s, 0, 0, 33, 2, 0, 0, 33, 1, 0, bits, palette, FALSE);
  ZsPutClipReset(s);
  ZsPutPageEnd(s);
  // A path record as the path writers build it: one subpath of a line and a curve.
  BYTE* p = ZsReserve(s, 28 + 12 + 12 + 28);
  std::memset(p, 0, 80);
  p[0] = ZS_OP_BEZIER_PATH;
  p[2] = 0x08;
  DWORD words[] = {80, 0, 0, 10, 10, 13, 2, 0, 0, 0, 16, 16, 1, 16, 32, 32, 32, 48, 48};
  std::memcpy(p + 4, words, 4);
  std::memcpy(p + 24, words + 5, 4);
  std::memcpy(p + 28, words + 6, 4 * 13);
  EXPECT_TRUE(ZsFlush(s));
  EXPECT_TRUE(ZsWriteBlock(s, ZS_BLOCK_PAGE_TRAILER, "@PJL EOP\r\n", 10));
  return c.sink.bytes;
}

TEST(ZarnDecode, EveryRecordTypeRoundTrips) {
  std::string bytes = EveryRecord();
  Seed("every_record.zarn", bytes);
  zarn::DecodeResult r;
  std::string text = Dump(bytes, false, &r);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(text, R"(block 243 job-header length 10
  | @PJL JOB\r\n
block 244 page-header length 11
  | @PJL PAGE\r\n
block 240 marker
block 245 records length 872
  record 96 page-start 4800x6800 dots 600x600 dpi
  record 16 rect mode 5 (1,2,3,4)
  record 16 rect mode 1 (1,2,3,4) (1,2,3,4)
  record 19 span-fill flags 0x0A bounds (1,2,3,4) entries 2: 5:1-3 6:2-4
  record 48 colour-brush flags 0x09 bgr FF0000 bgr FFFFFF
  record 49 rop 0xCC
  record 50 background 1
  record 51 line-width 3 dash 0xFFFFFFFF unit 1
  record 52 dash-offset 2
  record 53 line-cap 1
  record 54 line-join 2 miter 2560/256
  record 64 pattern-brush flags 0x80 side 32 bits 128 bytes fnv 82cc3745
  record 80 font-header charset 0 pitch-family 0x00 flags 0x0008 weight 400 escapement 0 em 50x50 leading 0 default 0x0000 face "Mono"
  record 86 download-font charset 0 pitch-family 0x00 flags 0x2000 weight 400 escapement 0 em 50x50 leading 0 default 0x0000 face "Mono"
  record 81 char box (1,2,3,4) at 5,6 code 0x0041
  record 81 char box (1,2,3,4) at 5,6 code 0x0042 outline estimate 7 16 bytes fnv 9ce4a232
  record 82 char-string bounds (1,2,3,4) at 7,8 count 2 advances 10 11 codes 0041 0042
  record 83 glyph-kept flags 0x08 box (1,2,3,4) at 1,2 origin 3,4 size 8x2 code 0x0041 form 0 data-length 2 data 4 bytes fnv ed78e2f8
  record 87 glyph-once flags 0x48 box (1,2,3,4) at 1,2 origin 3,4 size 8x2 code 0x0041 form 0 data-length 0
  record 84 glyph-def flags 0x04 code 0x0007 size 8x2 form 2 data-length 2 data 4 bytes fnv ed78e2f8
  record 85 glyph-string flags 0x04 bounds (1,2,3,4) at 9,10 count 2: +0+0:0041 +5-1:0042
  record 32 image format 00 00 00 dest (0,0,33,2) src 0,0 width 33 rows 1 at 0,0 size 33x2 palette 6 row-bytes 8 data 16 bytes fnv 91d85328
  record 55 clip-off
  record 97 page-end
  record 17 path mode 0x08 bounds (0,0,0,0) estimate 13 [0,0 L16,16 B16,32,32,32,48,48]
block 241 page-trailer length 10
  | @PJL EOP\r\n
)");
}

// A record continued in the next record-run block decodes whole; one cut off by another block is an error.
TEST(ZarnDecode, RecordsMaySpanRecordRunBlocks) {
  Context c;
  ZsPutRop(c.s(), 0x5A);
  ZsPutPageEnd(c.s());
  ASSERT_TRUE(ZsFlush(c.s()));
  std::string run = c.sink.bytes.substr(8);  // two records, 8 bytes
  auto block = [](BYTE type, const std::string& body) {
    std::string h(8, '\0');
    h[0] = char(type);
    h[4] = char(body.size());
    return h + body;
  };
  std::string split = block(245, run.substr(0, 6)) + block(245, "") + block(245, run.substr(6));
  zarn::DecodeResult r;
  EXPECT_EQ(Dump(split, false, &r),
            "block 245 records length 6\n  record 49 rop 0x5A\nblock 245 records length 0\nblock 245 records length 2\n"
            "  record 97 page-end\n");
  EXPECT_TRUE(r.ok);
  std::string cut = block(245, run.substr(0, 6)) + block(241, "");
  Dump(cut, false, &r);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorOffset, 14u);
}

// The PJL text of header and trailer blocks reads one text line a dump line, every byte accounted for.
TEST(ZarnDecode, HeaderTextOneLineEach) {
  auto block = [](BYTE type, const std::string& body) {
    std::string h(8, '\0');
    h[0] = char(type);
    h[4] = char(body.size());
    return h + body;
  };
  struct Case {
    const char* name;
    std::string text;
    const char* dump;
  } cases[] = {
      {"empty", "", "block 243 job-header length 0\n"},
      {"lines", "\x1B%-12345X@PJL \r\n@PJL SET JOBNAME = \"a\\b\"\r\n",
       "block 243 job-header length 42\n  | \\x1B%-12345X@PJL \\r\\n\n  | @PJL SET JOBNAME = \"a\\\\b\"\\r\\n\n"},
      {"no line end at the end", "@PJL A\n@PJL \x90}", "block 243 job-header length 14\n  | @PJL A\\n\n  | @PJL \\x90}\n"},
      {"blank lines", "\n\n", "block 243 job-header length 2\n  | \\n\n  | \\n\n"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    zarn::DecodeResult r;
    EXPECT_EQ(Dump(block(243, k.text), false, &r), k.dump);
    EXPECT_TRUE(r.ok);
  }
  // Page headers and trailers read the same way; the summary shows no text.
  EXPECT_EQ(Dump(block(244, "P\r\n") + block(241, "T")),
            "block 244 page-header length 3\n  | P\\r\\n\nblock 241 page-trailer length 1\n  | T\n");
  EXPECT_EQ(Dump(block(243, "J\r\n"), true).find("| J"), std::string::npos);
}

TEST(ZarnDecode, ReportsTheFirstMalformedByte) {
  auto hex = [](const char* h) {
    std::string out;
    for (; h[0] && h[1]; h += 2) {
      if (*h == ' ') {
        --h;
        continue;
      }
      out += char(std::stoi(std::string(h, 2), nullptr, 16));
    }
    return out;
  };
  struct Case {
    const char* name;
    const char* bytes;
    uint64_t offset;
  } cases[] = {
      {"header cut short", "f5000000 0000", 0},
      {"unknown block", "f6000000 00000000", 0},
      {"reserved byte", "f5000100 00000000", 2},
      {"length beyond the end", "f5000000 09000000 61000000", 4},
      {"marker with content", "f0000000 04000000 00000000", 4},
      {"unknown opcode", "f5000000 08000000 61000000 63000000", 12},
      {"length not a multiple of 4", "f5000000 08000000 10000500 06000000", 12},
      {"rectangle of the wrong length", "f5000000 08000000 10000500 08000000", 12},
      {"record cut at the end", "f5000000 04000000 33000000", 8},
      {"image length", "f5000000 38000000 20002000 38000000 00000000 00000000 00000000 00000000 00000000 00000000 "
                       "01000000 01000000 00000000 00000000 00000000 00000000", 12},
      {"path element cut short", "f5000000 28000000 12000000 28000000 00000000 00000000 00000000 00000000 00000000 "
                           "01000000 00000000 00000000", 48},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    zarn::DecodeResult r;
    std::string text = Dump(hex(k.bytes), false, &r);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorOffset, k.offset) << text;
    EXPECT_NE(text.find("error at offset " + std::to_string(k.offset) + ": "), std::string::npos) << text;
  }
}

TEST(ZarnDecode, SummaryCountsPerPage) {
  std::string page = EveryRecord().substr(18);  // without the job header
  std::string job = EveryRecord().substr(0, 18) + page + page;
  Seed("two_pages.zarn", job);
  zarn::DecodeResult r;
  std::string text = Dump(job, true, &r);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(text,
            "page 1: 4 blocks, 25 records, 872 record bytes, 925 bytes\n"
            "page 2: 4 blocks, 25 records, 872 record bytes, 925 bytes\n"
            "job: 1 blocks, 18 bytes before the first page\n"
            "total: 2 pages, 9 blocks, 50 records, 1868 bytes\n");
}

}  // namespace
