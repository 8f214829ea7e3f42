// The engine's own text drawing into a bitmap surface: the opaque box, the glyph bitmaps of a string in
// the foreground colour and the extra rectangles (underline, strike-out), all inside the clip.
#include <algorithm>
#include <vector>

#include "font_internal.h"
#include "kvplat/error.h"

namespace {

// The rectangles a clip lets through (one unbounded rectangle for no clip or a trivial one).
bool ClipRects(CLIPOBJ* clip, std::vector<RECTL>* out) {
  const RECTL all = {-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF};
  if (!clip || clip->iDComplexity == DC_TRIVIAL) {
    out->push_back(all);
    return true;
  }
  if (clip->iDComplexity == DC_RECT) {
    out->push_back(clip->rclBounds);
    return true;
  }
  CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0);
  struct {
    ULONG c;
    RECTL arcl[32];
  } batch;
  for (int guard = 0; guard < 1000000; ++guard) {
    batch.c = 0;
    BOOL more = CLIPOBJ_bEnum(clip, sizeof batch, reinterpret_cast<ULONG*>(&batch));
    for (ULONG i = 0; i < batch.c && i < 32; ++i) out->push_back(batch.arcl[i]);
    if (!more) return true;
  }
  return false;
}

// Fills a rectangle inside every clip rectangle.
void Fill(SURFOBJ* so, const std::vector<RECTL>& clips, RECTL r, ULONG color) {
  for (const RECTL& c : clips) {
    RECTL x = {std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right), std::min(r.bottom, c.bottom)};
    if (x.left < x.right && x.top < x.bottom) EngEraseSurface(so, &x, color);
  }
}

bool HasArea(const RECTL* r) { return r && r->right > r->left && r->bottom > r->top; }

}  // namespace

KVAPI BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                      BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  (void)pptlOrg;
  (void)mix;
  if (!pso || !pso->pvScan0 || !pstro || !pfo || !kvp::eng::FontOf(pfo) || !pboFore) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<RECTL> clips;
  if (!ClipRects(pco, &clips)) return FALSE;
  // Pattern brushes draw in their solid stand-in: white for the box, black for the glyphs.
  if (HasArea(prclOpaque) && pboOpaque)
    Fill(pso, clips, *prclOpaque, pboOpaque->iSolidColor == 0xFFFFFFFF ? 0xFFFFFF : pboOpaque->iSolidColor);
  ULONG color = pboFore->iSolidColor == 0xFFFFFFFF ? 0 : pboFore->iSolidColor;
  STROBJ_vEnumStart(pstro);
  BOOL more = TRUE;
  while (more) {
    ULONG n = 0;
    GLYPHPOS* gp = nullptr;
    more = STROBJ_bEnum(pstro, &n, &gp);
    for (ULONG i = 0; i < n; ++i) {
      HGLYPH hg = gp[i].hg;
      void* data = nullptr;
      if (!FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hg, &data)) continue;
      const GLYPHBITS* gb = static_cast<GLYPHDATA*>(data)->gdf.pgb;
      LONG x0 = gp[i].ptl.x + gb->ptlOrigin.x, y0 = gp[i].ptl.y + gb->ptlOrigin.y;
      LONG rowBytes = (gb->sizlBitmap.cx + 7) / 8;
      // Runs of set bits of each row, one fill each.
      for (LONG y = 0; y < gb->sizlBitmap.cy; ++y) {
        const BYTE* row = gb->aj + ptrdiff_t(y) * rowBytes;
        for (LONG x = 0; x < gb->sizlBitmap.cx;) {
          if (!(row[x / 8] & (0x80 >> (x & 7)))) {
            ++x;
            continue;
          }
          LONG start = x;
          while (x < gb->sizlBitmap.cx && (row[x / 8] & (0x80 >> (x & 7)))) ++x;
          Fill(pso, clips, {x0 + start, y0 + y, x0 + x, y0 + y + 1}, color);
        }
      }
    }
  }
  for (RECTL* r = prclExtra; HasArea(r); ++r) Fill(pso, clips, *r, color);
  return TRUE;
}
