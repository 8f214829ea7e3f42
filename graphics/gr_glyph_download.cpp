// The download road: glyph bitmaps sent once per page and referred to afterwards. Plain horizontal text
// goes as glyph definitions followed by one glyph string; turned, vertical, mirrored and user-defined
// text glyph by glyph as glyph images.
#include <cstring>

#include "gr_heap.h"
#include "gr_pdev.h"
#include "gr_text.h"
#include "kvplat/error.h"

namespace {

BYTE GlyphFlags(const STROBJ* str) { return (str->flAccel & SO_GLYPHINDEX_TEXTOUT) ? 4 : 8; }

// The bitmap of a glyph, or none for a glyph without bits.
const GLYPHBITS* BitsOf(FONTOBJ* font, HGLYPH hg) {
  void* data = nullptr;
  if (!FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, &data) || !data) return nullptr;
  const GLYPHBITS* gb = static_cast<GLYPHDATA*>(data)->gdf.pgb;
  if (!gb || gb->sizlBitmap.cx <= 0 || gb->sizlBitmap.cy <= 0) return nullptr;
  return gb;
}

// A glyph's data as it goes into a record: compressed when that fits in the raw length rounded up to 4,
// else the raw rows. Both live in one private-heap block.
struct GlyphData {
  BYTE* block = nullptr;
  const BYTE* data = nullptr;
  DWORD bytes = 0;   // the length the record states
  DWORD padded = 0;  // the bytes it carries
  BYTE form = 0;
};

bool MakeGlyphData(GR_PDEV* p, const GLYPHBITS* gb, GlyphData* out) {
  unsigned long long rowBytes = (unsigned long long)(gb->sizlBitmap.cx + 7) / 8;
  unsigned long long raw = rowBytes * (unsigned long long)gb->sizlBitmap.cy;
  if (raw > 0x3FFFFFF0u) return false;
  DWORD padded = (DWORD(raw) + 3) & ~3u;
  // The copy, zero-filled to its padded length, then room for the compressed form.
  out->block = static_cast<BYTE*>(GrHeapAlloc(p->heap, 2 * padded));
  if (!out->block) return false;
  std::memcpy(out->block, gb->aj, size_t(raw));
  BYTE* packed = out->block + padded;
  DWORD n = GrTryPackGlyph(p, out->block, packed, padded, DWORD(gb->sizlBitmap.cy), DWORD(rowBytes));
  if (n) {
    out->data = packed, out->bytes = n, out->padded = (n + 3) & ~3u, out->form = 2;
  } else {
    out->data = out->block, out->bytes = DWORD(raw), out->padded = padded, out->form = 0;
  }
  return true;
}

WORD CodeOf(const STROBJ* str, ULONG i) { return str->pwszOrg ? str->pwszOrg[i] : 0; }

}  // namespace

BOOL GrPutGlyphImages(GR_PDEV* p, FONTOBJ* font, STROBJ* str, CLIPOBJ*, LONG ascent, LONG, BOOL useCache,
                      const GR_FONT_DESC* d) {
  BYTE flags = GlyphFlags(str);
  WORD gen = WORD(p->glyphCache.generation);
  return GrForEachGlyph(str, [&](ULONG i, const GLYPHPOS& gp) {
           const GLYPHBITS* gb = BitsOf(font, gp.hg);
           if (!gb) return true;
           LONG ox = gp.ptl.x + gb->ptlOrigin.x, oy = gp.ptl.y + gb->ptlOrigin.y;
           RECTL box = {ox, oy, ox + gb->sizlBitmap.cx, oy + gb->sizlBitmap.cy};
           LONG rx = gp.ptl.x - LONG((long long)ascent * GrSinQ14(d->escapement) >> 14);
           LONG ry = gp.ptl.y - LONG((long long)ascent * GrCosQ14(d->escapement) >> 14);
           WORD code = CodeOf(str, i);
           DWORD bucket = GrGlyphHash(p, font->iUniq, gen, code);
           if (useCache && GrGlyphCacheFind(p, bucket, font->iUniq, gen, code, d->glyphKind))
             return ZsPutGlyphImage(&p->stream, TRUE, &box, BYTE(flags | 0x40), code, rx, ry, ox, oy,
                                    DWORD(gb->sizlBitmap.cx), DWORD(gb->sizlBitmap.cy), nullptr, 0, 0, 0) != nullptr;
           GlyphData g;
           if (!MakeGlyphData(p, gb, &g)) {
             // Memory runs short: the printer forgets the kept glyphs and the copy is tried once more.
             GrFreeGlyphCache(p);
             gen = WORD(p->glyphCache.generation);
             bucket = GrGlyphHash(p, font->iUniq, gen, code);
             if (!MakeGlyphData(p, gb, &g)) return false;
           }
           BYTE* rec = ZsPutGlyphImage(&p->stream, useCache, &box, flags, code, rx, ry, ox, oy,
                                       DWORD(gb->sizlBitmap.cx), DWORD(gb->sizlBitmap.cy), g.data, g.padded, g.bytes,
                                       g.form);
           GrHeapFree(p->heap, g.block);
           // Only a glyph the printer received may be referred to later.
           if (!rec) return false;
           if (useCache && !GrGlyphCacheAdd(p, bucket, font->iUniq, gen, code, d->glyphKind)) {
             GrFreeGlyphCache(p);
             gen = WORD(p->glyphCache.generation);
           }
           return true;
         })
             ? TRUE
             : FALSE;
}

BOOL GrDefineGlyphs(GR_PDEV* p, FONTOBJ* font, STROBJ* str, const GR_FONT_DESC* d) {
  BYTE flags = GlyphFlags(str);
  WORD gen = WORD(p->glyphCache.generation);
  return GrForEachGlyph(str, [&](ULONG i, const GLYPHPOS& gp) {
           const GLYPHBITS* gb = BitsOf(font, gp.hg);
           if (!gb) return true;
           WORD code = CodeOf(str, i);
           DWORD bucket = GrGlyphHash(p, font->iUniq, gen, code);
           if (GrGlyphCacheFind(p, bucket, font->iUniq, gen, code, d->glyphKind)) return true;
           GlyphData g;
           if (!MakeGlyphData(p, gb, &g)) return false;
           BYTE* rec = ZsPutGlyphData(&p->stream, flags, code, DWORD(gb->sizlBitmap.cx), DWORD(gb->sizlBitmap.cy),
                                      g.data, g.padded, g.bytes, g.form);
           GrHeapFree(p->heap, g.block);
           return rec && GrGlyphCacheAdd(p, bucket, font->iUniq, gen, code, d->glyphKind);
         })
             ? TRUE
             : FALSE;
}

BOOL GrPutGlyphString(GR_PDEV* p, FONTOBJ* font, STROBJ* str, CLIPOBJ* clip, LONG ascent, LONG descent,
                      const GR_FONT_DESC* d) {
  if (!GrDefineGlyphs(p, font, str, d)) {
    GrFreeGlyphCache(p);
    return GrPutGlyphImages(p, font, str, clip, ascent, descent, FALSE, d);
  }
  ULONG count = str->cGlyphs;
  if (count > 0xFFFF) return GrPutGlyphImages(p, font, str, clip, ascent, descent, FALSE, d);
  auto* steps = static_cast<ZS_GLYPH_STEP*>(GrHeapAlloc(p->heap, DWORD(count * sizeof(ZS_GLYPH_STEP))));
  if (!steps && count) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  bool fixedStep = (str->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && str->ulCharInc;
  // Points in 32 bits: a wide page does not wrap them.
  long long prevX = str->rclBkGround.left, prevY = str->rclBkGround.top;
  LONG startX = str->rclBkGround.left, startY = str->rclBkGround.top;
  POINTL first{};
  bool fits = GrForEachGlyph(str, [&](ULONG i, const GLYPHPOS& gp) {
    steps[i] = {0, 0, CodeOf(str, i)};
    if (i == 0) first = gp.ptl;
    const GLYPHBITS* gb = BitsOf(font, gp.hg);
    if (!gb) return true;
    long long x = gp.ptl.x, y = gp.ptl.y;
    if (fixedStep) {
      long long step = (long long)i * str->ulCharInc;
      x = (str->flAccel & SO_HORIZONTAL) ? first.x + step : first.x;
      y = (str->flAccel & SO_HORIZONTAL) ? first.y : first.y + step;
    }
    x += gb->ptlOrigin.x;
    y += gb->ptlOrigin.y;
    if (i == 0) {
      if (x < -0x7FFFFFFFLL || x > 0x7FFFFFFFLL || y < -0x7FFFFFFFLL || y > 0x7FFFFFFFLL) return false;
      startX = LONG(x), startY = LONG(y);
    } else {
      long long dx = x - prevX, dy = y - prevY;
      // A step the record's 16-bit fields cannot hold: the string goes as glyph images instead.
      if (dx > 32767 || dx < -32768 || dy > 32767 || dy < -32768) return false;
      steps[i].dx = SHORT(dx);
      steps[i].dy = SHORT(dy);
    }
    prevX = x, prevY = y;
    return true;
  });
  BOOL ok;
  if (!fits) ok = GrPutGlyphImages(p, font, str, clip, ascent, descent, FALSE, d);
  else
    ok = ZsPutGlyphString(&p->stream, &str->rclBkGround, GlyphFlags(str), startX, startY, steps, WORD(count)) ? TRUE
                                                                                                                : FALSE;
  GrHeapFree(p->heap, steps);
  return ok;
}

BOOL GrPutDownloadText(GR_PDEV* p, FONTOBJ* font, STROBJ* str, CLIPOBJ* clip, LONG ascent, LONG descent,
                       const GR_FONT_XFORM* xf, const GR_FONT_DESC* d) {
  bool plain = std::strcmp(d->familyName, "EUDC") && std::strcmp(d->faceName, "EUDC") && !GrIsMirroredXform(xf);
  if (!plain) return GrPutGlyphImages(p, font, str, clip, ascent, descent, FALSE, d);
  if (d->escapement != 0 || (str->flAccel & SO_VERTICAL))
    return GrPutGlyphImages(p, font, str, clip, ascent, descent, TRUE, d);
  return GrPutGlyphString(p, font, str, clip, ascent, descent, d);
}
