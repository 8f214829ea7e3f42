// Writers of the ZARN drawing, state, text and page records: each reserves its whole record, which arrives
// zero-filled from the reservation helper below, and fills its fields little-endian in place.
#include <cstring>

#include "gr_state.h"
#include "gr_text.h"
#include "zs_stream.h"

namespace {

constexpr DWORD Round4(DWORD n) { return (n + 3) & ~3u; }

void Put16(BYTE* p, DWORD at, WORD v) { std::memcpy(p + at, &v, 2); }
void Put32(BYTE* p, DWORD at, DWORD v) { std::memcpy(p + at, &v, 4); }
void PutRectAt(BYTE* p, DWORD at, const RECTL* r) {
  if (r) std::memcpy(p + at, r, 16);
}
static_assert(sizeof(RECTL) == 16);

// A zero-filled record of `length` bytes with its opcode, or none.
BYTE* Record(ZARN_STREAM* s, BYTE opcode, DWORD length) {
  BYTE* p = ZsReserve(s, length);
  if (!p) return nullptr;
  std::memset(p, 0, length);
  p[0] = opcode;
  return p;
}

// A record with its u32 length at offset 4.
BYTE* Sized(ZARN_STREAM* s, BYTE opcode, DWORD length) {
  BYTE* p = Record(s, opcode, length);
  if (p) Put32(p, 4, length);
  return p;
}

BYTE* Small(ZARN_STREAM* s, BYTE opcode, BYTE operand) {
  BYTE* p = Record(s, opcode, 4);
  if (p) p[1] = operand;
  return p;
}

void PutColor(BYTE* p, DWORD at, DWORD c) {
  p[at] = BYTE(c);
  p[at + 1] = BYTE(c >> 8);
  p[at + 2] = BYTE(c >> 16);
}

// Header flags of records 80 and 86.
WORD FontFlags(const GR_FONT_DESC* f) {
  WORD flags = 0;
  if (f->italicSim) flags |= 0x0001;
  if (f->boldSim || f->bold) flags |= 0x0002 | 0x0020;
  switch (f->road) {
    case 1: flags |= 0x0004; break;
    case 2: flags |= 0x0008; break;
    case 3: flags |= 0x0010; break;
    case 4: flags |= 0x0200; break;
    default: break;
  }
  if (f->glyphKind == 3) flags |= 0x0010;
  if (f->vertical) flags |= 0x0080;
  if (f->road != 2) flags |= 0x2000;
  return flags;
}

// The face name's length padded to even (at most 128 bytes).
DWORD FaceBytes(const GR_FONT_DESC* f) {
  DWORD n = DWORD(strnlen(f->faceName, 128));
  return n + (n & 1);
}

BYTE* FontRecord(ZARN_STREAM* s, const GR_FONT_DESC* f, BYTE opcode, DWORD fixed) {
  if (!f) return nullptr;
  DWORD face = FaceBytes(f);
  DWORD length = (face + fixed + 4) & ~3u;  // at least two zero bytes after the name
  BYTE* p = Record(s, opcode, length);
  if (!p) return nullptr;
  DWORD first = opcode == ZS_OP_FONT_HEADER ? 2 : 1;
  p[first] = f->charSet;
  p[first + 1] = f->pitchAndFamily;
  Put16(p, 4, FontFlags(f));
  Put16(p, 6, f->weight);
  Put16(p, 8, WORD(f->escapement));
  Put16(p, 10, WORD(f->emWidth));
  Put16(p, 12, WORD(f->emHeight));
  Put16(p, 14, WORD(length));
  Put16(p, 20, WORD(f->leading > 0 ? f->leading : 0));
  Put16(p, 22, f->defaultChar);
  std::memcpy(p + fixed, f->faceName, strnlen(f->faceName, 128));
  return p;
}

}  // namespace

BYTE* ZsPutRect(ZARN_STREAM* s, const RECTL* rect, const RECTL* second, BYTE mode) {
  DWORD length = mode == 5 ? 24 : 40;
  BYTE* p = Sized(s, ZS_OP_RECT, length);
  if (!p) return nullptr;
  p[2] = mode;
  PutRectAt(p, 8, rect);
  if (length == 40) PutRectAt(p, 24, second ? second : rect);
  return p;
}

BYTE* ZsPutSpanFill(ZARN_STREAM* s, DWORD entryBytes, BYTE flags, const RECTL* bounds, const void* entries) {
  if (!entryBytes || !entries || entryBytes > 0x7FFFFFF0u) return nullptr;
  BYTE* p = Sized(s, ZS_OP_SPAN_FILL, (entryBytes + 27) & ~3u);
  if (!p) return nullptr;
  p[2] = flags;
  PutRectAt(p, 8, bounds);
  std::memcpy(p + 24, entries, entryBytes);
  return p;
}

BYTE* ZsPutColorBrush(ZARN_STREAM* s, const GR_COLOR_BRUSH* b) {
  if (!b) return nullptr;
  bool second = b->backgroundMode == 2;
  bool third = b->hasExtra != 0;
  DWORD colors = 1 + (second ? 1 : 0) + (third ? 1 : 0);
  DWORD length = Round4(4 + 3 * colors);
  BYTE* p = Record(s, ZS_OP_COLOR_BRUSH, length);
  if (!p) return nullptr;
  p[1] = BYTE(length);
  p[2] = BYTE(0x01 | (second ? 0x08 : 0) | (third ? 0x10 : 0) | (b->kind == 2 ? 0x40 : 0) | (b->hostIcm ? 0x80 : 0));
  DWORD at = 4;
  PutColor(p, at, b->color1);
  if (second) PutColor(p, at += 3, b->color2);
  if (third) PutColor(p, at += 3, b->extraColor);
  return p;
}

BYTE* ZsPutRop(ZARN_STREAM* s, BYTE rop) { return Small(s, ZS_OP_ROP, rop == 0xF0 ? 0xCC : rop); }
BYTE* ZsPutBackgroundMode(ZARN_STREAM* s, BYTE mode) { return Small(s, ZS_OP_BACKGROUND, mode); }
BYTE* ZsPutDashOffset(ZARN_STREAM* s, BYTE value) { return Small(s, ZS_OP_DASH_OFFSET, value); }
BYTE* ZsPutLineCap(ZARN_STREAM* s, BYTE value) { return Small(s, ZS_OP_LINE_CAP, value); }
BYTE* ZsPutClipReset(ZARN_STREAM* s) { return Record(s, ZS_OP_CLIP_RESET, 4); }
BYTE* ZsPutPageEnd(ZARN_STREAM* s) { return Record(s, ZS_OP_PAGE_END, 4); }

BYTE* ZsPutLineWidth(ZARN_STREAM* s, WORD width, DWORD dashPattern, BYTE dashUnit) {
  BYTE* p = Record(s, ZS_OP_LINE_WIDTH, 8);
  if (!p) return nullptr;
  p[1] = dashUnit;
  Put16(p, 2, width);
  Put32(p, 4, dashPattern);
  return p;
}

BYTE* ZsPutLineJoin(ZARN_STREAM* s, BYTE join, DWORD miterLimit) {
  BYTE* p = Record(s, ZS_OP_LINE_JOIN, 8);
  if (!p) return nullptr;
  p[1] = join;
  Put32(p, 4, miterLimit);
  return p;
}

BYTE* ZsPutPatternBrush(ZARN_STREAM* s, const GR_BRUSH* b) {
  if (!b) return nullptr;
  DWORD bitsBytes = 0;
  BYTE flags = 0;
  switch (b->kind) {
    case 0: break;
    case 2: bitsBytes = 1; break;
    case 3:
      if (b->depth != 1 && b->depth != 24) return nullptr;
      bitsBytes = b->depth;
      break;
    default: return nullptr;
  }
  DWORD side = b->side;
  if (bitsBytes) {
    flags |= 0x80;
    if (bitsBytes == 24) flags |= 0x01;
    bitsBytes = bitsBytes == 1 ? side * side / 8 : side * side * 3;
    if (bitsBytes > sizeof b->bits) return nullptr;  // a tile larger than the brush holds
  }
  if (b->hostIcm) flags |= 0x40;
  BYTE* p = Record(s, ZS_OP_PATTERN_BRUSH, (bitsBytes + 9) & ~3u);
  if (!p) return nullptr;
  p[1] = flags;
  p[2] = BYTE(side == 16 || side == 32 || side == 64 ? side : 0);
  p[3] = 1;
  Put16(p, 4, WORD(bitsBytes));
  std::memcpy(p + 6, b->bits, bitsBytes);
  return p;
}

BOOL ZsPutPatternOrigin(ZARN_STREAM*, WORD, WORD) { return TRUE; }

BYTE* ZsPutFontHeader(ZARN_STREAM* s, const GR_FONT_DESC* font) {
  return FontRecord(s, font, ZS_OP_FONT_HEADER, 24);
}
BYTE* ZsPutDownloadFontHeader(ZARN_STREAM* s, const GR_FONT_DESC* font) {
  return FontRecord(s, font, ZS_OP_DOWNLOAD_FONT, 32);
}

BYTE* ZsPutGlyphBox(ZARN_STREAM* s, const RECTL* box, LONG x, LONG y, WORD code) {
  return ZsPutGlyphOutline(s, box, x, y, code, nullptr, 0);
}

BYTE* ZsPutGlyphOutline(ZARN_STREAM* s, const RECTL* box, LONG x, LONG y, WORD code, const void* outline,
                        DWORD outlineBytes) {
  bool withOutline = outline && outlineBytes;
  if (withOutline && outlineBytes > 0x7FFFFFF0u) return nullptr;
  BYTE* p = Sized(s, ZS_OP_CHAR, withOutline ? (outlineBytes + 39) & ~3u : 36);
  if (!p) return nullptr;
  p[2] = withOutline ? 1 : 0;
  PutRectAt(p, 8, box);
  Put32(p, 24, DWORD(x));
  Put32(p, 28, DWORD(y));
  Put16(p, 32, code);
  if (withOutline) std::memcpy(p + 36, outline, outlineBytes);
  return p;
}

BYTE* ZsPutGlyphList(ZARN_STREAM* s, const RECTL* bounds, LONG x, LONG y, const WORD* codes, const SHORT* advances,
                     WORD count, WORD advanceCount, bool perCharacter) {
  if ((count && !codes) || (advanceCount && !advances)) return nullptr;
  DWORD length = 36 + Round4(2 * (DWORD(advanceCount) + count));
  BYTE* p = Sized(s, ZS_OP_CHAR_STRING, length);
  if (!p) return nullptr;
  p[2] = perCharacter ? 0x80 : 0;
  PutRectAt(p, 8, bounds);
  Put32(p, 24, DWORD(x));
  Put32(p, 28, DWORD(y));
  Put16(p, 32, count);
  std::memcpy(p + 36, advances, 2 * size_t(advanceCount));
  std::memcpy(p + 36 + 2 * size_t(advanceCount), codes, 2 * size_t(count));
  return p;
}

BYTE* ZsPutGlyphImage(ZARN_STREAM* s, BOOL kept, const RECTL* box, BYTE flags, WORD code, LONG x, LONG y,
                      LONG originX, LONG originY, DWORD width, DWORD height, const void* data, DWORD paddedBytes,
                      DWORD dataBytes, BYTE dataForm) {
  bool withData = !(flags & 0x40) && data && paddedBytes;
  if (withData && paddedBytes > 0x7FFFFFF0u) return nullptr;
  DWORD length = ((withData ? paddedBytes : 0) + 67) & ~3u;
  BYTE* p = Sized(s, kept ? ZS_OP_GLYPH_KEPT : ZS_OP_GLYPH_ONCE, length);
  if (!p) return nullptr;
  p[2] = flags;
  PutRectAt(p, 8, box);
  Put32(p, 24, DWORD(x));
  Put32(p, 28, DWORD(y));
  Put32(p, 32, withData ? 64 : 0);
  Put32(p, 36, DWORD(originX));
  Put32(p, 40, DWORD(originY));
  Put32(p, 44, width);
  Put32(p, 48, height);
  Put32(p, 52, withData ? dataBytes : 0);
  Put16(p, 60, code);
  p[62] = dataForm;
  if (withData) std::memcpy(p + 64, data, paddedBytes);
  return p;
}

BYTE* ZsPutGlyphData(ZARN_STREAM* s, BYTE flags, WORD code, DWORD width, DWORD height, const void* data,
                     DWORD paddedBytes, DWORD dataBytes, BYTE dataForm) {
  if (!data || !paddedBytes || !dataBytes || paddedBytes > 0x7FFFFFF0u) return nullptr;
  BYTE* p = Sized(s, ZS_OP_GLYPH_DEF, (paddedBytes + 31) & ~3u);
  if (!p) return nullptr;
  p[2] = flags;
  Put32(p, 8, dataBytes);
  Put32(p, 12, width);
  Put32(p, 16, height);
  Put16(p, 24, code);
  p[26] = dataForm;
  std::memcpy(p + 28, data, paddedBytes);
  return p;
}

BYTE* ZsPutGlyphString(ZARN_STREAM* s, const RECTL* bounds, BYTE flags, LONG x, LONG y, const ZS_GLYPH_STEP* entries,
                       WORD count) {
  if (count && !entries) return nullptr;
  BYTE* p = Sized(s, ZS_OP_GLYPH_STRING, 36 + Round4(6 * DWORD(count)));
  if (!p) return nullptr;
  p[2] = flags;
  PutRectAt(p, 8, bounds);
  Put32(p, 24, DWORD(x));
  Put32(p, 28, DWORD(y));
  Put16(p, 32, count);
  for (WORD i = 0; i < count; ++i) {
    Put16(p, 36 + 6u * i, WORD(entries[i].dx));
    Put16(p, 38 + 6u * i, WORD(entries[i].dy));
    Put16(p, 40 + 6u * i, entries[i].code);
  }
  return p;
}

BYTE* ZsPutPageStart(ZARN_STREAM* s, DWORD width, DWORD height, WORD xDpi, WORD yDpi) {
  BYTE* p = Record(s, ZS_OP_PAGE_START, 16);
  if (!p) return nullptr;
  Put32(p, 4, width);
  Put32(p, 8, height);
  Put16(p, 12, xDpi);
  Put16(p, 14, yDpi);
  return p;
}
