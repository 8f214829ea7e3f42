// The text roads: road rules, the font header and its cache, printer-font strings, and the download road
// with its glyph cache; records checked through zarndump's dump.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gr_glyph_decode.h"
#include "gr_hooks.h"
#include "gr_state.h"
#include "kvseam.h"
#include "gr_text_fixture.h"
#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"

namespace {

using grtest::CountPrefix;
using grtest::Font;
using grtest::Str;
using grtest::TextContext;

GR_EM_SIZES Sizes() { return {20, 20, 19, 5}; }

TEST(TextRoads, RoadRules) {
  struct Case {
    const char* name;
    std::u16string family, face;
    USHORT fsType;
    DWORD major, faceNameRule;
    FLONG extraAccel;
    float m11, m22;
    BYTE road;
  } cases[] = {
      {"plain", u"Sans", u"Sans", 0, 10, 0, 0, .01f, .01f, 2},
      {"read-only embedding", u"Sans", u"Sans", 4, 10, 0, 0, .01f, .01f, 4},
      {"editable embedding, new system", u"Sans", u"Sans", 8, 10, 0, 0, .01f, .01f, 2},
      {"editable embedding, old system", u"Sans", u"Sans", 8, 5, 0, 0, .01f, .01f, 4},
      {"mirrored", u"Sans", u"Sans", 0, 10, 0, 0, -.01f, .01f, 4},
      {"EUDC, rule off", u"EUDC", u"Sans", 0, 10, 0, 0, .01f, .01f, 2},
      {"EUDC, rule off, embedded", u"EUDC", u"Sans", 4, 10, 0, 0, .01f, .01f, 2},
      {"EUDC, rule on", u"EUDC", u"Sans", 0, 10, 1, 0, .01f, .01f, 4},
      {"user characters, rule on", u"My\u5916\u5b57", u"Sans", 0, 10, 1, 0, .01f, .01f, 4},
      {"user characters, rule off", u"My\u5916\u5b57", u"Sans", 0, 10, 0, 0, .01f, .01f, 2},
      {"digits, new system", u"12345", u"Sans", 0, 10, 0, 0, .01f, .01f, 4},
      {"digits, old system", u"12345", u"Sans", 0, 5, 0, 0, .01f, .01f, 2},
      {"temporary family", u"x.tmp", u"Sans", 0, 5, 0, 0, .01f, .01f, 4},
      {"underscores, new system", u"a___b", u"Sans", 0, 10, 0, 0, .01f, .01f, 4},
      {"temporary face, printed normally", u"Sans", u"x.TMP", 0, 10, 0, 0, .01f, .01f, 2},
      {"glyph indices", u"Sans", u"Sans", 0, 10, 0, SO_GLYPHINDEX_TEXTOUT, .01f, .01f, 4},
  };
  TextContext ctx;
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 20));
  ASSERT_TRUE(f);
  Str s(kvp::eng::CreateString(f.get(), u"Ab", {10, 40}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(kvp::eng::SetFontNames(f.get(), c.family, c.face));
    FONTOBJ_pifi(f.get())->fsType = c.fsType;
    ctx.pdev->osVersion.dwMajorVersion = c.major;
    ctx.pdev->faceNameRule = c.faceNameRule;
    s->flAccel = SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL | c.extraAccel;
    ctx.pdev->drawState.fontValid = 0;
    GR_FONT_XFORM xf{c.m11, 0, 0, c.m22};
    GR_EM_SIZES em = Sizes();
    GR_FONT_DESC d{};
    ASSERT_TRUE(GrSetupFont(ctx.pdev, s.get(), f.get(), nullptr, FONTOBJ_pifi(f.get()), &xf, &em, &d));
    EXPECT_EQ(d.road, c.road);
    EXPECT_EQ(d.glyphKind, c.extraAccel ? 3 : 2);
  }
  // A temporary face while previewing goes as outlines.
  ctx.pdev->previewPrint = 1;
  kvp::eng::SetFontNames(f.get(), u"Sans", u"x.tmp");
  FONTOBJ_pifi(f.get())->fsType = 0;
  s->flAccel = SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL;
  GR_FONT_XFORM xf{.01f, 0, 0, .01f};
  GR_EM_SIZES em = Sizes();
  GR_FONT_DESC d{};
  ctx.pdev->drawState.fontValid = 0;
  ASSERT_TRUE(GrSetupFont(ctx.pdev, s.get(), f.get(), nullptr, FONTOBJ_pifi(f.get()), &xf, &em, &d));
  EXPECT_EQ(d.road, 4);
}

TEST(TextRoads, DownloadRoadKeepsThePrintersOwnFaces) {
  TextContext ctx;
  kvp::ProfileSet("ACP", "932");
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 20));
  Str s(kvp::eng::CreateString(f.get(), u"A", {10, 40}));
  GR_FONT_XFORM xf = TextContext::Xform(f.get());
  GR_EM_SIZES em = Sizes();
  for (auto [face, road] : {std::pair{u"\u660e\u671d", 2}, {u"@\uff7a\uff9e\uff7c\uff6f\uff78", 2}, {u"Sans", 5}}) {
    SCOPED_TRACE(road);
    kvp::eng::SetFontNames(f.get(), u"Family", face);
    ctx.pdev->drawState.fontValid = 0;
    GR_FONT_DESC d{};
    ASSERT_TRUE(GrSetupDownloadFont(ctx.pdev, s.get(), f.get(), nullptr, FONTOBJ_pifi(f.get()), &xf, &em, &d));
    EXPECT_EQ(d.road, road);
    auto rec = ctx.Records();
    ASSERT_EQ(rec.size(), 1u);
    EXPECT_EQ(rec[0].substr(0, 2), road == 2 ? "80" : "86");
  }
}

TEST(TextRoads, HeaderCacheAndUserCharacterMark) {
  TextContext ctx;
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 20));
  Str s(kvp::eng::CreateString(f.get(), u"Ab", {10, 40}));
  GR_FONT_XFORM xf = TextContext::Xform(f.get());
  GR_EM_SIZES em = Sizes();
  GR_FONT_DESC d{};
  IFIMETRICS* ifi = FONTOBJ_pifi(f.get());
  ASSERT_TRUE(GrSetupFont(ctx.pdev, s.get(), f.get(), nullptr, ifi, &xf, &em, &d));
  ASSERT_TRUE(GrSetupFont(ctx.pdev, s.get(), f.get(), nullptr, ifi, &xf, &em, &d));
  auto rec = ctx.Records();
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0],
            "80 font-header charset 0 pitch-family 0x22 flags 0x0008 weight 400 escapement 0 em 20x20 leading 0 "
            "default 0x0020 face \"DejaVu Sans\"");
  // A private-use character with the face-name rule: the names carry the font id and every string of
  // the font sends its header again.
  ctx.pdev->faceNameRule = 1;
  Str eudc(kvp::eng::CreateString(f.get(), u"\ue000", {10, 40}));
  char mark[16];
  std::snprintf(mark, sizeof mark, "_%x", f->iUniq);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(GrSetupFont(ctx.pdev, eudc.get(), f.get(), nullptr, ifi, &xf, &em, &d));
    EXPECT_EQ(d.road, 4);
    EXPECT_EQ(std::string(d.familyName), std::string("DejaVu Sans") + mark);
  }
  rec = ctx.Records();
  ASSERT_EQ(rec.size(), 2u);
  EXPECT_NE(rec[1].find(std::string("face \"DejaVu Sans") + mark + "\""), std::string::npos);
  EXPECT_NE(rec[1].find("flags 0x2200"), std::string::npos);
  // A write that fails fails the set-up and leaves the key unset.
  ctx.pdev->faceNameRule = 0;
  ctx.pdev->drawState.fontValid = 0;
  ctx.Records();
  // The header needs a new chunk, which cannot be had.
  ctx.FillChunk(16);
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(GrSetupFont(ctx.pdev, s.get(), f.get(), nullptr, ifi, &xf, &em, &d));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(ctx.pdev->drawState.fontValid, 0);
}

TEST(TextRoads, LongNamesStayInsideTheirFields) {
  TextContext ctx;
  kvp::ProfileSet("ACP", "932");
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 20));
  Str s(kvp::eng::CreateString(f.get(), u"\ue000", {10, 40}));
  // 200 double-byte characters: 400 bytes converted, cut to 128 bytes, then cut again at a character
  // boundary so that the mark fits inside the record's 128 bytes.
  std::u16string longName(200, u'\u660e');
  kvp::eng::SetFontNames(f.get(), longName, longName);
  ctx.pdev->faceNameRule = 1;
  GR_FONT_XFORM xf = TextContext::Xform(f.get());
  GR_EM_SIZES em = Sizes();
  GR_FONT_DESC d;
  std::memset(&d, 0x55, sizeof d);
  ASSERT_TRUE(GrSetupFont(ctx.pdev, s.get(), f.get(), nullptr, FONTOBJ_pifi(f.get()), &xf, &em, &d));
  char mark[16];
  int markLen = std::snprintf(mark, sizeof mark, "_%x", f->iUniq);
  const size_t kept = size_t(128 - markLen) & ~size_t(1);  // whole double-byte characters
  EXPECT_EQ(strnlen(d.familyName, 260), kept + size_t(markLen));
  EXPECT_EQ(std::memcmp(d.familyName, "\x96\xbe\x96\xbe", 4), 0);
  EXPECT_EQ(std::string(d.familyName + kept), mark);
  EXPECT_EQ(std::string(d.faceName + kept), mark);
  EXPECT_EQ(d.faceName[259], 0);
  auto rec = ctx.Records();
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_NE(rec[0].find("face \"\\x96"), std::string::npos) << rec[0];
  EXPECT_NE(rec[0].find(std::string(mark) + "\""), std::string::npos) << "the mark reaches the record: " << rec[0];
}

// The advance flag of a one-character string says what was sent: its own advance on the proportional
// road, the font's equal step on the fixed one.
TEST(DeviceText, OneCharacterStringsFlagTheirAdvances) {
  TextContext ctx;
  GR_EM_SIZES em = Sizes();
  GR_FONT_DESC d{};
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 20));
  Str s(kvp::eng::CreateString(f.get(), u"A", {10, 40}));
  ASSERT_TRUE(GrPutDeviceText(ctx.pdev, f.get(), s.get(), &em, 19, &d));
  std::string bytes = ctx.RecordBytes();
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(BYTE(bytes[0]), 0x52);
  EXPECT_EQ(BYTE(bytes[2]), 0x80) << "one advance per character";
  Font mono(kvp::eng::CreateFont(u"DejaVu Sans Mono", 20));
  Str m(kvp::eng::CreateString(mono.get(), u"a", {10, 40}));
  ASSERT_TRUE(GrPutDeviceText(ctx.pdev, mono.get(), m.get(), &em, 19, &d));
  bytes = ctx.RecordBytes();
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(BYTE(bytes[2]), 0x00) << "equal spacing";
}

TEST(DeviceText, FixedRegularAndIrregularStrings) {
  TextContext ctx;
  GR_EM_SIZES em = Sizes();
  GR_FONT_DESC d{};
  // Fixed pitch: one record with one advance.
  Font mono(kvp::eng::CreateFont(u"DejaVu Sans Mono", 20));
  Str m(kvp::eng::CreateString(mono.get(), u"ab", {10, 40}));
  ASSERT_TRUE(GrPutDeviceText(ctx.pdev, mono.get(), m.get(), &em, 19, &d));
  auto rec = ctx.Records();
  ASSERT_EQ(rec.size(), 1u);
  char want[200];
  std::snprintf(want, sizeof want, "82 char-string bounds (%d,%d,%d,%d) at %d,%d count 2 advances %u codes 0061 0062",
                m->rclBkGround.left, m->rclBkGround.top, m->rclBkGround.right, m->rclBkGround.bottom,
                m->rclBkGround.left, m->rclBkGround.top, m->ulCharInc);
  EXPECT_EQ(rec[0], want);
  // Proportional and horizontal: one advance per character, the last 0, the start up by the ascent.
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 20));
  Str s(kvp::eng::CreateString(f.get(), u"AVA", {10, 40}));
  ASSERT_TRUE(GrPutDeviceText(ctx.pdev, f.get(), s.get(), &em, 19, &d));
  rec = ctx.Records();
  ASSERT_EQ(rec.size(), 1u);
  std::snprintf(want, sizeof want, "at 10,21 count 3 advances %d %d 0 codes 0041 0056 0041",
                s->pgp[1].ptl.x - s->pgp[0].ptl.x, s->pgp[2].ptl.x - s->pgp[1].ptl.x);
  EXPECT_NE(rec[0].find(want), std::string::npos) << rec[0];
  // A glyph off the line: character by character.
  s->pgp[1].ptl.y += 3;
  ASSERT_TRUE(GrPutDeviceText(ctx.pdev, f.get(), s.get(), &em, 19, &d));
  rec = ctx.Records();
  ASSERT_EQ(rec.size(), 3u);
  EXPECT_EQ(rec[0], "81 char box (10,21,30,41) at 10,21 code 0x0041");
  // An advance the 16-bit field cannot hold (a wide page) is placed character by character too.
  s->pgp[1].ptl.y -= 3;
  s->pgp[1].ptl.x += 40000;
  s->pgp[2].ptl.x += 40000;
  ASSERT_TRUE(GrPutDeviceText(ctx.pdev, f.get(), s.get(), &em, 19, &d));
  rec = ctx.Records();
  EXPECT_EQ(CountPrefix(rec, "81 char"), 3u);
  // Turned text goes character by character with the cell turned.
  d.escapement = 90;
  ASSERT_TRUE(GrPutDeviceText(ctx.pdev, f.get(), s.get(), &em, 19, &d));
  rec = ctx.Records();
  ASSERT_EQ(rec.size(), 3u);
  EXPECT_EQ(rec[0], "81 char box (-9,40,11,60) at -9,40 code 0x0041");
  // A record that cannot be written fails the call.
  s->flAccel = SO_FLAG_DEFAULT_PLACEMENT;  // neither horizontal nor vertical: records 81
  ctx.FillChunk(40);
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(GrPutDeviceText(ctx.pdev, f.get(), s.get(), &em, 19, &d));
  kvp::test::FailAllocAt(0);
}

// The glyph bitmap a record 84 or 83/87 carries, restored by the test's decoder.
std::vector<uint8_t> GlyphOfRecord(const std::string& rec, size_t dataAt, size_t lengthAt, size_t formAt, size_t raw) {
  DWORD length = zstest::U32(rec, lengthAt);
  BYTE form = BYTE(rec[formAt]);
  const auto* data = reinterpret_cast<const uint8_t*>(rec.data() + dataAt);
  if (form == 0) return std::vector<uint8_t>(data, data + length);
  auto out = grtest::UnpackGlyph(data, length, raw);
  return out ? *out : std::vector<uint8_t>{};
}

TEST(DownloadText, GlyphsGoOncePerPageAndRoundTrip) {
  TextContext ctx;
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 80));
  Str s(kvp::eng::CreateString(f.get(), u"a a", {10, 100}));
  GR_FONT_XFORM xf = TextContext::Xform(f.get());
  GR_FONT_DESC d{};
  d.glyphKind = 2;
  ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d));
  std::string bytes = ctx.RecordBytes();
  // One definition of "a", one of the blank space, then the string.
  ASSERT_EQ(BYTE(bytes[0]), 84);
  DWORD defLength = zstest::U32(bytes, 4);
  std::string def = bytes.substr(0, defLength);
  EXPECT_EQ(zstest::U32(def, 24) & 0xFFFF, 0x61u);
  HGLYPH hg = s->pgp[0].hg;
  void* gd = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(f.get(), FO_GLYPHBITS, 1, &hg, &gd), 1u);
  const GLYPHBITS* gb = static_cast<GLYPHDATA*>(gd)->gdf.pgb;
  size_t raw = size_t((gb->sizlBitmap.cx + 7) / 8) * size_t(gb->sizlBitmap.cy);
  EXPECT_EQ(def[26], 2);  // compressed: smaller than the raw rows
  EXPECT_EQ(GlyphOfRecord(def, 28, 8, 26, raw), std::vector<uint8_t>(gb->aj, gb->aj + raw));
  ASSERT_EQ(BYTE(bytes[defLength]), 84);
  EXPECT_EQ(BYTE(bytes[defLength + 24]), 0x20);
  EXPECT_EQ(BYTE(bytes[defLength + 26]), 0);  // raw: one zero byte does not compress
  ASSERT_EQ(BYTE(bytes[defLength + zstest::U32(bytes, defLength + 4)]), 85);
  // The same string again on the page: only the glyph string.
  ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d));
  auto rec = ctx.Records();
  ASSERT_EQ(rec.size(), 1u);
  LONG x0 = s->pgp[0].ptl.x + gb->ptlOrigin.x, y0 = s->pgp[0].ptl.y + gb->ptlOrigin.y;
  char want[200];
  HGLYPH space = s->pgp[1].hg;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(f.get(), FO_GLYPHBITS, 1, &space, &gd), 1u);
  const GLYPHBITS* sb = static_cast<GLYPHDATA*>(gd)->gdf.pgb;
  LONG x1 = s->pgp[1].ptl.x + sb->ptlOrigin.x, y1 = s->pgp[1].ptl.y + sb->ptlOrigin.y;
  LONG x2 = s->pgp[2].ptl.x + gb->ptlOrigin.x;
  std::snprintf(want, sizeof want, "at %d,%d count 3: +0+0:0061 %+d%+d:0020 %+d%+d:0061", x0, y0, x1 - x0, y1 - y0,
                x2 - x1, y0 - y1);
  EXPECT_NE(rec[0].find(want), std::string::npos) << rec[0];
  // A new page: the glyph is defined again.
  GrFreeGlyphCache(ctx.pdev);
  ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d));
  rec = ctx.Records();
  EXPECT_EQ(CountPrefix(rec, "84 glyph-def"), 2u);
  EXPECT_EQ(CountPrefix(rec, "85 glyph-string"), 1u);
}

TEST(DownloadText, TurnedTextReusesKeptImagesMirroredTextDoesNot) {
  TextContext ctx;
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 30, 90));
  Str s(kvp::eng::CreateString(f.get(), u"b", {100, 100}));
  GR_FONT_XFORM xf = TextContext::Xform(f.get());
  GR_FONT_DESC d{};
  d.glyphKind = 2;
  d.escapement = 90;
  ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d));
  std::string first = ctx.RecordBytes();
  ASSERT_EQ(BYTE(first[0]), 83);
  EXPECT_EQ(BYTE(first[2]), 0x08);
  EXPECT_EQ(zstest::U32(first, 32), 64u);
  ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d));
  auto rec = ctx.Records();
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0].rfind("83 glyph-kept flags 0x48", 0), 0u) << rec[0];
  EXPECT_EQ(rec[0].find(" data "), std::string::npos);
  // The reference point is the glyph position moved by the ascent across the turned baseline.
  EXPECT_NE(rec[0].find("at 72,100 "), std::string::npos) << rec[0];
  // Mirrored: once-only images, nothing kept.
  GR_FONT_XFORM mirror = {-0.01f, 0, 0, 0.01f};
  GrFreeGlyphCache(ctx.pdev);
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &mirror, &d));
  rec = ctx.Records();
  EXPECT_EQ(CountPrefix(rec, "87 glyph-once flags 0x08"), 2u);
  for (auto* head : ctx.pdev->glyphCache.buckets) EXPECT_EQ(head, nullptr);
}

TEST(DownloadText, StepsBeyondSixteenBitsFallBackToImages) {
  TextContext ctx;
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 30));
  Str s(kvp::eng::CreateString(f.get(), u"ab", {10, 60}));
  s->pgp[1].ptl.x += 40000;  // a wide page
  GR_FONT_XFORM xf = TextContext::Xform(f.get());
  GR_FONT_DESC d{};
  d.glyphKind = 2;
  ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d));
  auto rec = ctx.Records();
  EXPECT_EQ(CountPrefix(rec, "85 "), 0u);
  ASSERT_EQ(CountPrefix(rec, "87 glyph-once"), 2u);
  char want[32];
  std::snprintf(want, sizeof want, "at %d,32 ", s->pgp[1].ptl.x);
  EXPECT_NE(rec.back().find(want), std::string::npos) << rec.back();
}

TEST(DownloadText, NothingIsKeptThatThePrinterDidNotReceive) {
  // Fail every allocation in turn while the stream needs a new chunk for each record: whatever fails,
  // every kept glyph has had its image written.
  for (unsigned n = 1; n < 12; ++n) {
    SCOPED_TRACE(n);
    TextContext ctx;
    Font f(kvp::eng::CreateFont(u"DejaVu Sans", 30, 90));
    Str s(kvp::eng::CreateString(f.get(), u"abc", {100, 300}));
    GR_FONT_XFORM xf = TextContext::Xform(f.get());
    GR_FONT_DESC d{};
    d.glyphKind = 2;
    d.escapement = 90;
    ctx.FillChunk(64);
    kvp::test::FailAllocAt(n);
    BOOL ok = GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d);
    kvp::test::FailAllocAt(0);
    auto rec = ctx.Records();
    size_t sent = CountPrefix(rec, "83 glyph-kept flags 0x08");
    size_t kept = 0;
    for (auto* head : ctx.pdev->glyphCache.buckets)
      for (auto* e = head; e; e = e->next) ++kept;
    EXPECT_LE(kept, sent);  // a failed cache entry empties the cache
    if (ok) {
      EXPECT_EQ(sent, 3u);
    }
  }
}

TEST(DownloadText, DefinitionsThatFailFallBackToImages) {
  TextContext ctx;
  Font f(kvp::eng::CreateFont(u"DejaVu Sans", 30));
  Str s(kvp::eng::CreateString(f.get(), u"ab", {10, 60}));
  GR_FONT_XFORM xf = TextContext::Xform(f.get());
  GR_FONT_DESC d{};
  d.glyphKind = 2;
  kvp::test::FailAllocAt(1);  // the first glyph copy
  ASSERT_TRUE(GrPutDownloadText(ctx.pdev, f.get(), s.get(), nullptr, 28, 7, &xf, &d));
  kvp::test::FailAllocAt(0);
  auto rec = ctx.Records();
  EXPECT_EQ(CountPrefix(rec, "84 "), 0u);
  EXPECT_EQ(CountPrefix(rec, "87 glyph-once"), 2u);
  for (auto* head : ctx.pdev->glyphCache.buckets) EXPECT_EQ(head, nullptr);
}

}  // namespace

namespace {

// The text hook as the engine calls it, on a bare context.
struct HookCase {
  TextContext ctx;
  Font font{kvp::eng::CreateFont(u"DejaVu Sans", 20)};
  BRUSHOBJ fore{0x000000, nullptr, 0}, back{0xFFFFFF, nullptr, 0};
  std::vector<std::string> Draw(STROBJ* s, RECTL* extra = nullptr, RECTL* opaque = nullptr, BOOL want = TRUE) {
    EXPECT_EQ(DrvTextOut(&ctx.so, s, font.get(), nullptr, extra, opaque, &fore, opaque ? &back : nullptr, nullptr,
                         0x0D0D),
              want);
    return ctx.Records();
  }
};

std::vector<std::string> Ops(const std::vector<std::string>& lines) {
  std::vector<std::string> ops;
  for (const auto& l : lines) ops.push_back(l.substr(0, 2));
  return ops;
}

bool InOrder(const std::vector<std::string>& ops, const std::vector<std::string>& want) {
  size_t at = 0;
  for (const auto& op : ops)
    if (at < want.size() && op == want[at]) ++at;
  return at == want.size();
}

TEST(TextHook, EachRoadWithItsRecords) {
  // The colour records come from the drawing state; without it the hook cannot get its brush.
  if (KvIsStandIn(reinterpret_cast<const void*>(&GrGetBrush))) GTEST_SKIP() << "drawing state not built";
  HookCase h;
  Str s(kvp::eng::CreateString(h.font.get(), u"Hi", {10, 40}));
  RECTL opaque = s->rclBkGround;
  RECTL extra[2] = {{0, 10, 100, 12}, {0, 0, 0, 0}};
  // Printer fonts: the box, the colours, one header, the string, one extra rectangle.
  auto rec = h.Draw(s.get(), extra, &opaque);
  auto ops = Ops(rec);
  EXPECT_TRUE(InOrder(ops, {"48", "16", "48", "80", "82", "16"})) << ::testing::PrintToString(rec);
  EXPECT_EQ(CountPrefix(rec, "16 "), 2u);
  EXPECT_EQ(CountPrefix(rec, "80 "), 1u);
  // The same font again: no header.
  rec = h.Draw(s.get());
  EXPECT_EQ(CountPrefix(rec, "80 "), 0u);
  EXPECT_EQ(CountPrefix(rec, "82 "), 1u);
  // Outlines for an embedded font.
  FONTOBJ_pifi(h.font.get())->fsType = FM_READONLY_EMBED;
  h.ctx.pdev->drawState.fontValid = 0;
  rec = h.Draw(s.get());
  EXPECT_EQ(CountPrefix(rec, "80 font-header charset 0 pitch-family 0x22 flags 0x2200"), 1u);
  ASSERT_EQ(CountPrefix(rec, "81 char box"), 2u);
  EXPECT_NE(rec.back().find("outline estimate"), std::string::npos) << rec.back();
  // An outline record that cannot be written (its chunk cannot be had) fails the road.
  h.ctx.FillChunk(40);
  kvp::test::FailAllocAt(2);  // after the outline buffer
  EXPECT_FALSE(GrPutOutlineText(h.ctx.pdev, h.font.get(), s.get()));
  kvp::test::FailAllocAt(0);
  h.ctx.Records();
  // Downloaded glyphs when text goes as bitmaps.
  FONTOBJ_pifi(h.font.get())->fsType = 0;
  h.ctx.pdev->textAsBitmap = 1;
  h.ctx.pdev->drawState.fontValid = 0;  // as on a new page
  rec = h.Draw(s.get());
  EXPECT_TRUE(InOrder(Ops(rec), {"86", "84", "84", "85"})) << ::testing::PrintToString(rec);
  // Metrics: em 20 of a 2048-unit face, the leading from the face's ascender and descender.
  IFIMETRICS* ifi = FONTOBJ_pifi(h.font.get());
  LONG asc = (GrScaleFloat(20.0f / 2048, ifi->fwdWinAscender * 10) + 5) / 10;
  LONG desc = (GrScaleFloat(20.0f / 2048, ifi->fwdWinDescender * 10) + 5) / 10;
  char want[80];
  std::snprintf(want, sizeof want, "em 20x20 leading %d ", asc + desc - 20);
  EXPECT_NE(rec[0].find(want), std::string::npos) << rec[0];
}

TEST(TextHook, RefusalsAndShortCuts) {
  HookCase h;
  Str s(kvp::eng::CreateString(h.font.get(), u"Hi", {10, 40}));
  SetLastError(0);
  EXPECT_FALSE(DrvTextOut(nullptr, s.get(), h.font.get(), nullptr, nullptr, nullptr, &h.fore, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  FONTOBJ foreign{};
  EXPECT_FALSE(DrvTextOut(&h.ctx.so, s.get(), &foreign, nullptr, nullptr, nullptr, &h.fore, nullptr, nullptr, 0));
  EXPECT_FALSE(DrvTextOut(&h.ctx.so, s.get(), h.font.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0x0D0D));
  h.ctx.pdev->drawingSuppressed = 1;
  EXPECT_TRUE(h.Draw(s.get()).empty());
  // Raster mode: the engine draws the glyphs into the band bitmap, nothing goes to the stream.
  h.ctx.pdev->drawingSuppressed = 0;
  h.ctx.pdev->rasterMode = 1;
  HBM bm = EngCreateBitmap(SIZEL{64, 64}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  SURFOBJ* band = EngLockSurface(bm);
  RECTL all{0, 0, 64, 64};
  EngEraseSurface(band, &all, 0xFFFFFF);
  band->dhpdev = h.ctx.pdev;
  EXPECT_TRUE(DrvTextOut(band, s.get(), h.font.get(), nullptr, nullptr, nullptr, &h.fore, nullptr, nullptr, 0x0D0D));
  EXPECT_TRUE(h.ctx.Records().empty());
  EXPECT_EQ(kvp::eng::GetPixel(band, s->pgp[0].ptl.x + 2, s->pgp[0].ptl.y - 5), 0u);  // the stem of "H"
  EngUnlockSurface(band);
  EngDeleteSurface(bm);
  h.ctx.pdev->rasterMode = 0;
  h.ctx.pdev->drawingSuppressed = 0;
  h.ctx.pdev->state |= GR_STATE_OUTPUT_ERROR;
  EXPECT_TRUE(h.Draw(s.get(), nullptr, nullptr, FALSE).empty());
}

}  // namespace
