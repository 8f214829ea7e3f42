// The ZARN stream encoder: chunk rules, flushes in blocks and pieces, output errors, every record writer
// byte for byte, and image records with their withdrawal when they cannot be completed.
#include <gtest/gtest.h>

#include <functional>

#include "gr_state.h"
#include "gr_text.h"
#include "kvplat/testhooks.h"
#include "zs_fixture.h"

namespace {

using zstest::Context;
using zstest::Hex;
using zstest::U32;

struct Block {
  BYTE type;
  std::string payload;
};

std::vector<Block> Blocks(const std::string& b) {
  std::vector<Block> out;
  for (size_t at = 0; at + 8 <= b.size();) {
    DWORD n = U32(b, at + 4);
    EXPECT_EQ(b.substr(at + 1, 3), std::string(3, '\0'));
    out.push_back(Block{BYTE(b[at]), b.substr(at + 8, n)});
    at += 8 + n;
  }
  return out;
}

std::string Records(const std::string& b) {
  std::string all;
  for (const Block& k : Blocks(b))
    if (k.type == ZS_BLOCK_RECORDS) all += k.payload;
  return all;
}

TEST(ZsChunks, ExactFitAndOversizedReservationsOpenNewChunks) {
  Context c;
  ASSERT_NE(ZsReserve(c.s(), 10236), nullptr);
  EXPECT_EQ(c.Chunks(), (std::vector<size_t>{10236}));
  ASSERT_NE(ZsReserve(c.s(), 4), nullptr);  // exactly the free space
  EXPECT_EQ(c.Chunks(), (std::vector<size_t>{10236, 4}));
  ASSERT_NE(ZsReserve(c.s(), 10241), nullptr);
  ZARN_CHUNK* last = c.s()->current;
  EXPECT_EQ(last->end - (reinterpret_cast<BYTE*>(last) + sizeof(ZARN_CHUNK)), 20480);
  EXPECT_EQ(c.s()->buffered, 10236u + 4 + 10241);
  ASSERT_TRUE(ZsFlush(c.s()));
  EXPECT_EQ(c.Chunks(), (std::vector<size_t>{0}));
  EXPECT_EQ(c.s()->buffered, 0u);
}

TEST(ZsChunks, FlushGoesOutInBlocksOfPiecesOf4096) {
  Context c;
  BYTE* p = ZsReserve(c.s(), 10000);
  std::memset(p, 0x5A, 10000);
  ASSERT_TRUE(ZsFlush(c.s()));
  EXPECT_EQ(c.sink.pieces, (std::vector<DWORD>{8, 4096, 4096, 1808}));
  auto blocks = Blocks(c.sink.bytes);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].type, ZS_BLOCK_RECORDS);
  EXPECT_EQ(blocks[0].payload, std::string(10000, '\x5A'));
  c.sink.pieces.clear();
  EXPECT_TRUE(ZsFlush(c.s()));  // nothing buffered: nothing written
  EXPECT_TRUE(c.sink.pieces.empty());
}

TEST(ZsChunks, MoreThanOneMebibyteFlushesBeforeTheNextChunkThenAnEmptyBlockLeads) {
  Context c;
  DWORD total = 0;
  while (c.s()->buffered <= ZS_FLUSH_THRESHOLD) {
    ASSERT_NE(ZsReserve(c.s(), 10000), nullptr);
    total += 10000;
  }
  EXPECT_TRUE(c.sink.bytes.empty());
  // The next reservation needing a chunk flushes everything first.
  while (c.sink.bytes.empty()) {
    ASSERT_NE(ZsReserve(c.s(), 10000), nullptr);
    total += 10000;
  }
  EXPECT_EQ(c.s()->buffered, 10000u);
  EXPECT_EQ(c.Chunks(), (std::vector<size_t>{0, 10000}));
  ASSERT_TRUE(ZsFlush(c.s()));
  auto blocks = Blocks(c.sink.bytes);
  size_t sum = 0;
  for (const Block& b : blocks) sum += b.payload.size();
  EXPECT_EQ(sum, total);
  ASSERT_GE(blocks.size(), 2u);
  EXPECT_EQ(blocks[blocks.size() - 2].payload.size(), 0u);  // the emptied embedded chunk
  EXPECT_EQ(blocks.back().payload.size(), 10000u);
}

TEST(ZsChunks, TrimGivesBackTheTailRoundedUp) {
  Context c;
  BYTE* p = ZsReserve(c.s(), 100);
  ZsTrimLast(c.s(), p + 9);
  EXPECT_EQ(c.Chunks(), (std::vector<size_t>{12}));
  ZsTrimLast(c.s(), p);
  EXPECT_EQ(c.Chunks(), (std::vector<size_t>{0}));
}

TEST(ZsWriteOut, FailedOrShortWritesSetTheStickyOutputError) {
  for (int shortWrite : {0, 1}) {
    SCOPED_TRACE(shortWrite);
    Context c;
    (shortWrite ? c.sink.shortAt : c.sink.failAt) = 2;
    std::string data(9000, 'x');
    EXPECT_FALSE(ZsWriteOut(c.s(), data.data(), DWORD(data.size())));
    EXPECT_EQ(c.sink.pieces.size(), 2u);  // stops at the failing piece
    EXPECT_TRUE(c.pdev->state & GR_STATE_OUTPUT_ERROR);
  }
  Context unbound;
  unbound.s()->module = nullptr;
  EXPECT_TRUE(ZsWriteOut(unbound.s(), "abc", 3));
  EXPECT_TRUE(unbound.sink.pieces.empty());
  EXPECT_FALSE(unbound.pdev->state & GR_STATE_OUTPUT_ERROR);
}

TEST(ZsChunks, PassThroughFirstPageWritesNoRecordBlocks) {
  Context c;
  c.pdev->passThrough = 1;
  c.pdev->pageCount = 1;
  ZsPutPageEnd(c.s());
  EXPECT_TRUE(ZsFlush(c.s()));
  EXPECT_TRUE(c.sink.bytes.empty());
  c.pdev->pageCount = 2;
  ZsPutPageEnd(c.s());
  EXPECT_TRUE(ZsFlush(c.s()));
  EXPECT_EQ(Hex(reinterpret_cast<const BYTE*>(c.sink.bytes.data()), c.sink.bytes.size()), "f5000000 04000000 61000000");
}

int g_producerCalls = 0;
int Producer(SETTING_CONTEXT*, DWORD size, char* buffer, DWORD* length) {
  ++g_producerCalls;
  if (buffer) std::memcpy(buffer, "@PJL X", size);
  *length = 6;
  return 0;
}
int FailingProducer(SETTING_CONTEXT*, DWORD, char* buffer, DWORD* length) {
  *length = 3;
  return buffer ? -1 : 0;
}

TEST(ZsTextBlocks, HeaderAndUnterminatedText) {
  Context c;
  ASSERT_TRUE(ZsWriteTextBlock(c.s(), nullptr, ZS_BLOCK_JOB_HEADER, Producer));
  EXPECT_EQ(g_producerCalls, 2);
  EXPECT_EQ(c.sink.bytes, std::string("\xF3\0\0\0\x06\0\0\0@PJL X", 14));
  EXPECT_FALSE(ZsWriteTextBlock(c.s(), nullptr, ZS_BLOCK_JOB_HEADER, FailingProducer));
  EXPECT_EQ(c.sink.bytes.size(), 14u);
  c.sink.bytes.clear();
  ASSERT_TRUE(ZsWritePageHeader(c.s(), nullptr));  // empty text today, then the marker
  EXPECT_EQ(c.sink.bytes, std::string("\xF4\0\0\0\0\0\0\0\xF0\0\0\0\0\0\0\0", 16));
}

struct RecordCase {
  const char* name;
  std::function<BYTE*(ZARN_STREAM*)> write;
  const char* hex;  // the whole record; "" for no record
};

GR_FONT_DESC Font(const char* face, BYTE road) {
  GR_FONT_DESC f{};
  std::strcpy(f.faceName, face);
  f.road = road;
  f.charSet = 0x80;
  f.pitchAndFamily = 0x31;
  f.weight = 700;
  f.escapement = 90;
  f.emWidth = 20;
  f.emHeight = 30;
  f.leading = -3;
  f.defaultChar = 0x20;
  return f;
}

TEST(ZsRecords, EveryWriterByteForByte) {
  static const RECTL r{1, 2, 3, 4}, z{0, 0, 9, 9}, one{0, 0, 1, 1};
  static const SHORT spans[3] = {5, 1, 3};
  static const BYTE outline[5] = {1, 2, 3, 4, 5};
  static const WORD codes[3] = {0x41, 0x42, 0x43};
  static const SHORT adv[3] = {10, 11, 12};
  static const BYTE glyph[4] = {0xAA, 0x55, 0, 0};
  static const BYTE glyphData[4] = {1, 2, 3, 4};
  static const ZS_GLYPH_STEP steps[2] = {{0, 0, 0x41}, {5, -1, 0x42}};
  GR_COLOR_BRUSH plain{};
  plain.color1 = 0x112233;
  plain.backgroundMode = 1;
  GR_COLOR_BRUSH full = plain;
  full.backgroundMode = 2;
  full.color2 = 0x445566;
  full.extraColor = 0x778899;
  full.hasExtra = 1;
  full.kind = 2;
  full.hostIcm = 1;
  GR_FONT_DESC printerFont = Font("Mono", 2);
  printerFont.boldSim = printerFont.bold = 1;
  printerFont.glyphKind = 3;
  GR_FONT_DESC download = Font("Abc", 5);
  download.italicSim = 1;
  download.glyphKind = 2;

  const RecordCase cases[] = {
      {"fill rect", [](ZARN_STREAM* s) { return ZsPutRect(s, &r, nullptr, 1); },
       "10000100 28000000 01000000 02000000 03000000 04000000 01000000 02000000 03000000 04000000"},
      {"clip rect", [](ZARN_STREAM* s) { return ZsPutRect(s, &r, &z, 5); },
       "10000500 18000000 01000000 02000000 03000000 04000000"},
      {"span fill", [](ZARN_STREAM* s) { return ZsPutSpanFill(s, 6, 10, &z, spans); },
       "13000a00 20000000 00000000 00000000 09000000 09000000 05000100 03000000"},
      {"no spans", [](ZARN_STREAM* s) { return ZsPutSpanFill(s, 0, 10, &z, spans); }, ""},
      {"colour brush", [&](ZARN_STREAM* s) { return ZsPutColorBrush(s, &plain); }, "30080100 33221100"},
      {"three colours", [&](ZARN_STREAM* s) { return ZsPutColorBrush(s, &full); },
       "3010d900 33221166 55449988 77000000"},
      {"rop F0", [](ZARN_STREAM* s) { return ZsPutRop(s, 0xF0); }, "31cc0000"},
      {"rop 5A", [](ZARN_STREAM* s) { return ZsPutRop(s, 0x5A); }, "315a0000"},
      {"background", [](ZARN_STREAM* s) { return ZsPutBackgroundMode(s, 2); }, "32020000"},
      {"line width", [](ZARN_STREAM* s) { return ZsPutLineWidth(s, 0x0102, 0xAABBCCDD, 3); }, "33030201 ddccbbaa"},
      {"dash offset", [](ZARN_STREAM* s) { return ZsPutDashOffset(s, 7); }, "34070000"},
      {"line cap", [](ZARN_STREAM* s) { return ZsPutLineCap(s, 2); }, "35020000"},
      {"line join", [](ZARN_STREAM* s) { return ZsPutLineJoin(s, 2, 2560); }, "36020000 000a0000"},
      {"clip off", [](ZARN_STREAM* s) { return ZsPutClipReset(s); }, "37000000"},
      {"printer font", [&](ZARN_STREAM* s) { return ZsPutFontHeader(s, &printerFont); },
       "50008031 3a00bc02 5a001400 1e002000 00000000 00002000 4d6f6e6f 00000000"},
      {"download font", [&](ZARN_STREAM* s) { return ZsPutDownloadFontHeader(s, &download); },
       "56803100 0120bc02 5a001400 1e002800 00000000 00002000 00000000 00000000 41626300 00000000"},
      {"char box", [](ZARN_STREAM* s) { return ZsPutGlyphBox(s, &r, 5, 6, 0x41); },
       "51000000 24000000 01000000 02000000 03000000 04000000 05000000 06000000 41000000"},
      {"char outline", [](ZARN_STREAM* s) { return ZsPutGlyphOutline(s, &r, 5, 6, 0x41, outline, 5); },
       "51000100 2c000000 01000000 02000000 03000000 04000000 05000000 06000000 41000000 01020304 05000000"},
      {"string per char", [](ZARN_STREAM* s) { return ZsPutGlyphList(s, &one, 2, 3, codes, adv, 3, 3, true); },
       "52008000 30000000 00000000 00000000 01000000 01000000 02000000 03000000 03000000 0a000b00 0c004100 "
       "42004300"},
      {"string equal", [](ZARN_STREAM* s) { return ZsPutGlyphList(s, &one, 2, 3, codes, adv, 2, 1, false); },
       "52000000 2c000000 00000000 00000000 01000000 01000000 02000000 03000000 02000000 0a004100 42000000"},
      {"one character, its own advance", [](ZARN_STREAM* s) { return ZsPutGlyphList(s, &one, 2, 3, codes, adv, 1, 1, true); },
       "52008000 28000000 00000000 00000000 01000000 01000000 02000000 03000000 01000000 0a004100"},
      {"glyph kept",
       [](ZARN_STREAM* s) { return ZsPutGlyphImage(s, TRUE, &z, 0x08, 0x41, 1, 2, 3, 4, 8, 2, glyph, 4, 2, 0); },
       "53000800 44000000 00000000 00000000 09000000 09000000 01000000 02000000 40000000 03000000 04000000 "
       "08000000 02000000 02000000 00000000 41000000 aa550000"},
      {"glyph sent before",
       [](ZARN_STREAM* s) { return ZsPutGlyphImage(s, FALSE, &z, 0x48, 0x41, 1, 2, 3, 4, 8, 2, glyph, 4, 2, 0); },
       "57004800 40000000 00000000 00000000 09000000 09000000 01000000 02000000 00000000 03000000 04000000 "
       "08000000 02000000 00000000 00000000 41000000"},
      {"glyph definition", [](ZARN_STREAM* s) { return ZsPutGlyphData(s, 4, 7, 8, 2, glyphData, 4, 2, 2); },
       "54000400 20000000 02000000 08000000 02000000 00000000 07000200 01020304"},
      {"empty glyph definition", [](ZARN_STREAM* s) { return ZsPutGlyphData(s, 4, 7, 8, 2, glyphData, 4, 0, 2); }, ""},
      {"glyph string", [](ZARN_STREAM* s) { return ZsPutGlyphString(s, &one, 8, 2, 3, steps, 2); },
       "55000800 30000000 00000000 00000000 01000000 01000000 02000000 03000000 02000000 00000000 41000500 "
       "ffff4200"},
      {"page start", [](ZARN_STREAM* s) { return ZsPutPageStart(s, 100, 200, 600, 600); },
       "60000000 64000000 c8000000 58025802"},
      {"page end", [](ZARN_STREAM* s) { return ZsPutPageEnd(s); }, "61000000"},
  };
  for (const RecordCase& k : cases) {
    SCOPED_TRACE(k.name);
    Context c;
    BYTE* dirty = ZsReserve(c.s(), 512);  // records must clear what they do not fill
    std::memset(dirty, 0xEE, 512);
    ZsTrimLast(c.s(), dirty);
    BYTE* p = k.write(c.s());
    std::string want = k.hex;
    if (want.empty()) {
      EXPECT_EQ(p, nullptr);
      EXPECT_EQ(c.Chunks(), (std::vector<size_t>{0}));
      continue;
    }
    ASSERT_NE(p, nullptr);
    size_t n = c.Chunks()[0];
    EXPECT_EQ(n % 4, 0u);
    EXPECT_EQ(Hex(p, n), want);
  }
}

TEST(ZsRecords, PatternBrushByKindAndDepth) {
  GR_BRUSH b{};
  b.side = 32;
  std::memset(b.bits, 0xFF, sizeof b.bits);
  struct Case {
    WORD kind, depth;
    DWORD length;
    const char* head;
  } cases[] = {
      {0, 0, 8, "40002001 00000000"},
      {2, 1, 136, "40802001 8000ffff"},
      {3, 1, 136, "40802001 8000ffff"},
      {3, 24, 3080, "40812001 000cffff"},
      {3, 8, 0, ""},
      {1, 1, 0, ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.kind << "/" << k.depth);
    Context c;
    b.kind = k.kind;
    b.depth = k.depth;
    BYTE* p = ZsPutPatternBrush(c.s(), &b);
    if (!k.length) {
      EXPECT_EQ(p, nullptr);
      continue;
    }
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(c.Chunks()[0], k.length);
    EXPECT_EQ(Hex(p, 8), k.head);
    if (k.length > 8) {
      EXPECT_EQ(Hex(p + k.length - 4, 4), "ffff0000");
    }
  }
  Context c;
  EXPECT_EQ(ZsPutPatternBrush(c.s(), nullptr), nullptr);
}

// ---- Images ----

std::string ImageRecord(Context& c) {
  EXPECT_TRUE(ZsFlush(c.s()));
  return Records(c.sink.bytes);
}

TEST(ZsImage, OneBitWithPaletteStartsRowsTwoBytesIntoTheHeaderReservation) {
  const DWORD rows = 3;
  BYTE bits[rows * 8];
  for (DWORD i = 0; i < sizeof bits; ++i) bits[i] = BYTE(i + 1);
  const BYTE palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
  using Writer = BYTE* (*)(ZARN_STREAM*, LONG, LONG, LONG, LONG, LONG, LONG, DWORD, DWORD, DWORD, const BYTE*,
                           const BYTE*, BOOL);
  for (Writer w : {&ZsPutImage, &ZsPutImageWhole, &ZsPutImageByRows}) {
    for (BOOL bottomUp : {FALSE, TRUE}) {
      SCOPED_TRACE(testing::Message() << (w == &ZsPutImage ? "pieces" : w == &ZsPutImageWhole ? "whole" : "rows")
                                      << " bottomUp " << bottomUp);
      Context c;
      c.pdev->rasterMode = 1;
      ASSERT_NE(w(c.s(), 10, 20, 33, 3, 0, 0, 33, rows, 0, bits, palette, bottomUp), nullptr);
      std::string rec = ImageRecord(c);
      ASSERT_EQ(rec.size(), 64u + 8 * rows);
      EXPECT_EQ(U32(rec, 4), 64u + 8 * rows);
      EXPECT_EQ(BYTE(rec[2]), 0x00);  // palette present
      EXPECT_EQ(BYTE(rec[3]), w == &ZsPutImageByRows ? 0x00 : 0x04);
      EXPECT_EQ(rec.substr(56, 6), std::string(reinterpret_cast<const char*>(palette), 6));
      for (DWORD r = 0; r < rows; ++r) {
        DWORD src = bottomUp ? rows - 1 - r : r;
        EXPECT_EQ(rec.substr(62 + 8 * r, 8), std::string(reinterpret_cast<const char*>(bits + 8 * src), 8)) << r;
      }
      EXPECT_EQ(rec.substr(rec.size() - 2), std::string(2, '\0'));
      EXPECT_EQ(U32(rec, 8), 10u);
      EXPECT_EQ(U32(rec, 16), 43u);
      EXPECT_EQ(U32(rec, 32), 33u);
      EXPECT_EQ(U32(rec, 36), rows);
    }
  }
}

TEST(ZsImage, MonochromeJobConvertsTwentyFourBitRowsToGrey) {
  Context c;
  c.pdev->colorMode = 1;
  // Two rows of 3 pixels (blue, green, red bytes), source rows of 12 bytes.
  const BYTE bits[24] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 10, 20, 30, 0, 0, 0, 0, 0, 0};
  ASSERT_NE(ZsPutImage(c.s(), 0, 0, 3, 2, 0, 0, 3, 2, 4, bits, nullptr, FALSE), nullptr);
  std::string rec = ImageRecord(c);
  ASSERT_EQ(rec.size(), 56u + 8);
  EXPECT_EQ(BYTE(rec[2]), 0x32);
  EXPECT_EQ(Hex(reinterpret_cast<const BYTE*>(rec.data()) + 56, 8), "4c951d00 ff150000");
  Context colour;  // a colour job keeps the bits
  ASSERT_NE(ZsPutImage(colour.s(), 0, 0, 3, 2, 0, 0, 3, 2, 4, bits, nullptr, FALSE), nullptr);
  rec = ImageRecord(colour);
  EXPECT_EQ(BYTE(rec[2]), 0x24);
  EXPECT_EQ(rec.substr(56), std::string(reinterpret_cast<const char*>(bits), 24));
}

// Three megabytes of image rows: mid-record flushes, the bytes stay contiguous across record blocks.
TEST(ZsImage, LargeImageIsFlushedMidRecordAndStaysContiguous) {
  Context c;
  const DWORD width = 1024, rows = 1024;  // 24 bits: 3 KiB rows, 3 MiB
  std::vector<BYTE> bits(size_t(width) * 3 * rows);
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = BYTE(i * 7 + i / 4096);
  ZsPutPageStart(c.s(), 1, 1, 600, 600);
  ASSERT_NE(ZsPutImage(c.s(), 0, 0, width, rows, 0, 0, width, rows, 4, bits.data(), nullptr, FALSE), nullptr);
  EXPECT_FALSE(c.sink.bytes.empty());  // flushed before the page ended
  ZsPutPageEnd(c.s());
  std::string rec = ImageRecord(c);
  auto blocks = Blocks(c.sink.bytes);
  EXPECT_GE(blocks.size(), 4u);
  for (const Block& b : blocks) EXPECT_LE(b.payload.size(), ZS_FLUSH_THRESHOLD + 2 * ZS_IMAGE_PIECE);
  ASSERT_EQ(rec.size(), 16 + 56 + bits.size() + 4);
  EXPECT_EQ(U32(rec, 16 + 4), 56 + bits.size());
  EXPECT_TRUE(rec.compare(16 + 56, bits.size(), reinterpret_cast<const char*>(bits.data()), bits.size()) == 0);
  EXPECT_EQ(BYTE(rec[rec.size() - 4]), ZS_OP_PAGE_END);
  for (DWORD piece : c.sink.pieces) EXPECT_LE(piece, ZS_WRITE_PIECE);
}

TEST(ZsImage, AnIncompleteRecordIsWithdrawnFromTheBuffer) {
  const DWORD width = 0x20000, rows = 3;  // 384 KiB rows: two rows per piece
  std::vector<BYTE> bits(size_t(width) * 3 * rows, 0x77);
  for (unsigned failAt = 1; failAt <= 2; ++failAt) {
    SCOPED_TRACE(failAt);
    Context c;
    ZsPutRop(c.s(), 0x5A);
    kvp::test::FailAllocAt(failAt);
    EXPECT_EQ(ZsPutImage(c.s(), 0, 0, 1, 1, 0, 0, width, rows, 4, bits.data(), nullptr, FALSE), nullptr);
    kvp::test::FailAllocAt(0);
    EXPECT_EQ(c.Chunks(), (std::vector<size_t>{4}));
    EXPECT_EQ(c.s()->buffered, 4u);
    EXPECT_FALSE(c.pdev->state & GR_STATE_OUTPUT_ERROR);
    ASSERT_TRUE(ZsFlush(c.s()));
    EXPECT_EQ(Records(c.sink.bytes), std::string("\x31\x5A\0\0", 4));
  }
}

TEST(ZsImage, ARecordPartlySentFailsTheJobInsteadOfCorruptingIt) {
  const DWORD width = 0x20000, rows = 3;
  std::vector<BYTE> bits(size_t(width) * 3 * rows, 0x77);
  Context c;
  ASSERT_NE(ZsReserve(c.s(), ZS_FLUSH_THRESHOLD + 4), nullptr);  // enough buffered to flush at the next chunk
  kvp::test::FailAllocAt(2);  // the first row piece flushes the header out, the second cannot be had
  EXPECT_EQ(ZsPutImage(c.s(), 0, 0, 1, 1, 0, 0, width, rows, 4, bits.data(), nullptr, FALSE), nullptr);
  kvp::test::FailAllocAt(0);
  EXPECT_FALSE(c.sink.bytes.empty());
  EXPECT_TRUE(c.pdev->state & GR_STATE_OUTPUT_ERROR);
}

}  // namespace
