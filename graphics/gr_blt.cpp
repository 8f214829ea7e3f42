// Block transfers and copies: rectangle fills, span fills and images of DrvBitBlt and DrvCopyBits, with
// the pixel formats the printer takes, palettes and temporary surfaces for everything else.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gr_blt.h"
#include "gr_hooks.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "kvplat/error.h"
#include "zs_stream.h"

namespace {

// The lowest address of a bitmap's rows.
const BYTE* LowestRow(const SURFOBJ* so) {
  const BYTE* scan0 = static_cast<const BYTE*>(so->pvScan0);
  return so->lDelta >= 0 ? scan0 : scan0 + ptrdiff_t(so->lDelta) * (so->sizlBitmap.cy - 1);
}

}  // namespace

GR_PIXEL_FORMAT GrPixelFormatOf(ULONG format) {
  switch (format) {
    case BMF_1BPP: return {0, BMF_1BPP, false};
    case BMF_4BPP: return {1, BMF_4BPP, false};
    case BMF_8BPP: return {2, BMF_8BPP, false};
    case BMF_24BPP: return {4, BMF_24BPP, false};
    default: return {4, BMF_24BPP, true};
  }
}

bool GrIsGreySource(const SURFOBJ* src, const XLATEOBJ* x) {
  ULONG bpp = kvp::eng::BitsPerPixel(src->iBitmapFormat);
  if (bpp > 8 || !x || !x->pulXlate) return false;
  ULONG n = x->cEntries;
  if (n != 2 && n != 16 && n != 256) return false;
  for (ULONG i = 0; i < n; ++i) {
    ULONG g = i * 255 / (n - 1);
    if ((x->pulXlate[i] & 0xFFFFFF) != (g | g << 8 | g << 16)) return false;
  }
  return true;
}

BYTE* GrMakePalette(GR_PDEV* p, DWORD code, const XLATEOBJ* x, bool grey, bool* failed) {
  *failed = false;
  if (code == 4 || !x || !x->pulXlate || !x->cEntries || grey) return nullptr;
  // The image writer reads the whole palette of the depth (2, 16 or 256 entries): entries the table
  // lacks stay black.
  ULONG entries = code == 0 ? 2 : code == 1 ? 16 : 256;
  ULONG n = std::min<ULONG>(x->cEntries, entries);
  auto* pal = static_cast<BYTE*>(GrHeapAlloc(p->heap, 3 * entries));
  if (!pal) {
    *failed = true;
    return nullptr;
  }
  for (ULONG i = 0; i < n; ++i) std::memcpy(pal + 3 * i, &x->pulXlate[i], 3);
  return pal;
}

bool GrWriterLayout(const SURFOBJ* so) {
  uint64_t want = (uint64_t(so->sizlBitmap.cx) * kvp::eng::BitsPerPixel(so->iBitmapFormat) + 31) / 32 * 4;
  return so->pvScan0 && uint64_t(std::abs(int64_t(so->lDelta))) == want;
}

BOOL GrPutWholeImage(GR_PDEV* p, LONG x, LONG y, LONG w, LONG h, LONG sx, LONG sy, const SURFOBJ* bits,
                     DWORD format, const BYTE* palette) {
  BOOL bottomUp = (bits->fjBitmap & BMF_TOPDOWN) ? FALSE : TRUE;
  DWORD srcWidth = DWORD(bits->sizlBitmap.cx), rows = DWORD(bits->sizlBitmap.cy);
  const BYTE* low = LowestRow(bits);
  if (ZsPutImage(&p->stream, x, y, w, h, sx, sy, srcWidth, rows, format, low, palette, bottomUp)) return TRUE;
  // A record cut after its start went out fails the page; only a record withdrawn whole is retried.
  if (p->state & GR_STATE_OUTPUT_ERROR) return FALSE;
  return ZsPutImageByRows(&p->stream, x, y, w, h, sx, sy, srcWidth, rows, format, low, palette, bottomUp) ? TRUE
                                                                                                          : FALSE;
}

namespace {

// A temporary surface and palette block released on every path.
struct Temporaries {
  GR_PDEV* p;
  SURFOBJ* so[2] = {};
  HSURF h[2] = {};
  BYTE* palette = nullptr;
  SURFOBJ* Make(int i, LONG w, LONG h2, ULONG format) { return so[i] = GrCreateTempSurface(p, &h[i], w, h2, format); }
  void Drop(int i) {
    GrDeleteTempSurface(so[i], h[i]);
    so[i] = nullptr;
    h[i] = nullptr;
  }
  ~Temporaries() {
    Drop(0);
    Drop(1);
    if (palette) GrHeapFree(p->heap, palette);
  }
};

DWORD IcmBit(const XLATEOBJ* x) { return x && (x->flXlate & XO_HOST_ICM) ? 0x800 : 0; }

GR_PDEV* HookPdev(SURFOBJ* so) {
  GR_PDEV* p = so ? static_cast<GR_PDEV*>(so->dhpdev) : nullptr;
  if (GrIsValidPdev(p)) return p;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

}  // namespace

SURFOBJ* GrCreateTempSurface(GR_PDEV* p, HSURF* handle, LONG width, LONG height, ULONG format) {
  *handle = nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  HSURF h = EngCreateBitmap(SIZEL{width, height}, GrBitmapStride(format, width), format, BMF_TOPDOWN | BMF_NOZEROINIT,
                            nullptr);
  if (!h) return nullptr;
  // Tied to the context's engine device when it has one (a context made outside the engine has none).
  SURFOBJ* so = !p->hdev || EngAssociateSurface(h, p->hdev, 0) ? EngLockSurface(h) : nullptr;
  if (!so) {
    EngDeleteSurface(h);
    return nullptr;
  }
  *handle = h;
  return so;
}

void GrDeleteTempSurface(SURFOBJ* so, HSURF handle) {
  if (so) EngUnlockSurface(so);
  if (handle) EngDeleteSurface(handle);
}

BOOL GrPutBltImage(GR_PDEV* p, XLATEOBJ* xlate, SURFOBJ* src, POINTL*, RECTL* target, POINTL* srcPoint,
                   SURFOBJ* mask, POINTL* maskPoint, ROP4 rop) {
  // A source point before the bitmap would read outside it.
  if (!src || !srcPoint || !target || !src->pvScan0 || srcPoint->x < 0 || srcPoint->y < 0) return FALSE;
  LONG x = target->left, y = target->top, w = target->right - target->left, h = target->bottom - target->top;
  LONG cx = src->sizlBitmap.cx, cy = src->sizlBitmap.cy;
  GR_PIXEL_FORMAT pf = GrPixelFormatOf(src->iBitmapFormat);
  DWORD format = pf.code | 0x80 | IcmBit(xlate);
  bool masked = (rop == 0xAACC || rop == 0xCCAA) && mask;
  bool convert = pf.convert || w != cx || h != cy || masked || !GrWriterLayout(src);
  bool grey = GrIsGreySource(src, xlate);
  Temporaries t{p};
  const SURFOBJ* bits = src;
  LONG sx = srcPoint->x, sy = srcPoint->y;
  if (convert) {
    LONG aw = std::abs(w), ah = std::abs(h);
    RECTL all{0, 0, aw, ah};
    sx = sy = 0;
    if (masked) {
      // The mask goes first, painted in (0xEE); the image is then laid over it (0x88).
      SURFOBJ* m = t.Make(0, aw, ah, BMF_1BPP);
      if (!m || !EngEraseSurface(m, &all, 0xFFFFFF) ||
          !EngBitBlt(m, mask, nullptr, nullptr, nullptr, &all, maskPoint, nullptr, nullptr, nullptr,
                     rop == 0xAACC ? 0xCCCC : 0x6666))
        return FALSE;
      if (!GrSetRop(p, GrRop3Of(SRCPAINT)) || !GrPutWholeImage(p, x, y, aw, ah, 0, 0, m, 0, nullptr)) return FALSE;
      t.Drop(0);
      if (!GrSetRop(p, GrRop3Of(SRCAND))) return FALSE;
    }
    SURFOBJ* tmp = t.Make(1, aw, ah, pf.temporary);
    if (!tmp) return FALSE;
    XLATEOBJ* handed = pf.temporary != src->iBitmapFormat ? xlate : nullptr;
    BOOL drawn = masked ? EngEraseSurface(tmp, &all, 0xFFFFFF) &&
                              EngBitBlt(tmp, src, mask, nullptr, handed, &all, srcPoint, maskPoint, nullptr, nullptr, rop)
                        : EngBitBlt(tmp, src, nullptr, nullptr, handed, &all, srcPoint, nullptr, nullptr, nullptr, 0xCCCC);
    if (!drawn) return FALSE;
    bits = tmp;
    w = aw;
    h = ah;
  }
  bool failed = false;
  t.palette = GrMakePalette(p, pf.code, xlate, grey, &failed);
  if (failed) return FALSE;
  return GrPutWholeImage(p, x, y, w, h, sx, sy, bits, format, t.palette);
}

BYTE* GrPutImageDirect24(GR_PDEV* p, SURFOBJ* src, POINTL* srcPoint, RECTL* target) {
  if (!src || !srcPoint || !target || src->iBitmapFormat != BMF_24BPP || !src->pvScan0) return nullptr;
  LONG x = std::min(target->left, target->right), y = std::min(target->top, target->bottom);
  int64_t w = std::abs(int64_t(target->right) - target->left), h = std::abs(int64_t(target->bottom) - target->top);
  // Both edges of the source are checked: a negative source point would read before the bitmap.
  if (srcPoint->x < 0 || srcPoint->y < 0 || w == 0 || h == 0) return nullptr;
  if (srcPoint->x + w > src->sizlBitmap.cx || srcPoint->y + h > src->sizlBitmap.cy) return nullptr;
  DWORD rowBytes = DWORD((w * 3 + 3) & ~int64_t(3));
  uint64_t total = 56 + uint64_t(rowBytes) * uint64_t(h);
  if (total > 0x7FFFFFF0u) return nullptr;
  BYTE* rec = ZsReserve(&p->stream, DWORD(total));
  if (!rec) return nullptr;
  std::memset(rec, 0, size_t(total));
  ZARN_IMAGE_HEADER hdr{};
  hdr.opcode = ZS_OP_IMAGE;
  hdr.formatLow = 0x24;  // 24 bits, no palette
  hdr.formatMid = p->rasterMode ? 0x04 : 0;
  hdr.length = DWORD(total);
  hdr.dest[0] = x;
  hdr.dest[1] = y;
  hdr.dest[2] = LONG(x + w);
  hdr.dest[3] = LONG(y + h);
  hdr.srcWidth = DWORD(w);
  hdr.rows = DWORD(h);
  hdr.destX = x;
  hdr.destY = y;
  hdr.destWidth = LONG(w);
  hdr.destHeight = LONG(h);
  std::memcpy(rec, &hdr, sizeof hdr);
  const BYTE* scan0 = static_cast<const BYTE*>(src->pvScan0);
  for (int64_t i = 0; i < h; ++i)
    std::memcpy(rec + 56 + i * rowBytes, scan0 + (srcPoint->y + i) * src->lDelta + srcPoint->x * 3, size_t(w * 3));
  return rec;
}

BOOL GrPutCopiedImage(GR_PDEV* p, XLATEOBJ* xlate, SURFOBJ* src, POINTL* srcPoint, RECTL* target) {
  if (!src || !srcPoint || !target || !src->pvScan0 || srcPoint->x < 0 || srcPoint->y < 0) return FALSE;
  LONG x = std::min(target->left, target->right), y = std::min(target->top, target->bottom);
  LONG w = std::abs(target->right - target->left), h = std::abs(target->bottom - target->top);
  LONG cx = std::abs(src->sizlBitmap.cx), cy = std::abs(src->sizlBitmap.cy);
  bool mirrored = src->sizlBitmap.cx < 0;
  GR_PIXEL_FORMAT pf = GrPixelFormatOf(src->iBitmapFormat);
  bool convert = pf.convert || mirrored || !GrWriterLayout(src);
  if (w != cx || h != cy) {
    if (src->iBitmapFormat == BMF_24BPP && !mirrored && GrPutImageDirect24(p, src, srcPoint, target)) return TRUE;
    convert = true;
  }
  bool grey = GrIsGreySource(src, xlate);
  Temporaries t{p};
  const SURFOBJ* bits = src;
  LONG sx = srcPoint->x, sy = srcPoint->y;
  if (convert) {
    w = std::min(w, cx - srcPoint->x);
    h = std::min(h, cy - srcPoint->y);
    SURFOBJ* tmp = t.Make(1, w, h, pf.temporary);
    if (!tmp) return FALSE;
    RECTL r = mirrored ? RECTL{w, h, 0, 0} : RECTL{0, 0, w, h};
    if (!EngCopyBits(tmp, src, nullptr, pf.temporary != src->iBitmapFormat ? xlate : nullptr, &r, srcPoint))
      return FALSE;
    bits = tmp;
    sx = sy = 0;
  }
  bool failed = false;
  t.palette = GrMakePalette(p, pf.code, xlate, grey, &failed);
  if (failed) return FALSE;
  return GrPutWholeImage(p, x, y, w, h, sx, sy, bits, pf.code | IcmBit(xlate), t.palette);
}

BOOL DrvCopyBits(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* rect, POINTL* srcPoint) {
  if (src && src->iType != STYPE_BITMAP) return EngEraseSurface(dst, rect, 0xFFFFFFFF);
  if (!dst || dst->iType != STYPE_DEVICE) return FALSE;
  GR_PDEV* p = HookPdev(dst);
  if (!p) return FALSE;
  if (p->drawingSuppressed) return TRUE;
  if (p->state & GR_STATE_OUTPUT_ERROR) return FALSE;
  if (!GrSetRop(p, GrRop3Of(SRCCOPY)) || GrSetClip(p, clip) == -1) return FALSE;
  return GrPutCopiedImage(p, xlate, src, srcPoint, rect);
}

BOOL DrvBitBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* rect,
               POINTL* srcPoint, POINTL* maskPoint, BRUSHOBJ* bo, POINTL* brushOrigin, ROP4 rop) {
  GR_PDEV* p = HookPdev(dst);
  if (!p) return FALSE;
  if (p->drawingSuppressed) return TRUE;
  if (p->state & GR_STATE_OUTPUT_ERROR) return FALSE;
  if (p->rasterMode) return EngBitBlt(dst, src, mask, clip, xlate, rect, srcPoint, maskPoint, bo, brushOrigin, rop);
  if ((rop & 0xFFFF) == GR_ROP4_NOP) return TRUE;
  if (!rect) return FALSE;
  const BYTE fore = BYTE(rop & 0xFF), back = BYTE((rop >> 8) & 0xFF);
  GR_COLOR_BRUSH cb{};
  if (src && fore != 0x00 && fore != 0xFF) {
    // The source road: an image under the brush's colours.
    cb.foregroundMix = R2_NOP;
    cb.color1 = cb.color2 = 0xFFFFFF;
    if (GR_BRUSH* b = bo ? GrGetBrush(p, dst, bo, brushOrigin) : nullptr) {
      if (!GrSetPatternBrush(p, b)) return FALSE;
      cb.color1 = b->color1;
      cb.color2 = b->color2;
    }
    cb.backgroundMode = back == 0xAA ? 1 : 2;
    if (!GrSetBackgroundMode(p, BYTE(cb.backgroundMode))) return FALSE;
    if (!GrSetRop(p, (rop & 0xFFFF) == 0xCCAA && !mask ? 0xCC : fore)) return FALSE;
    GrSwapBrushColors(&cb);
    cb.kind = GR_KIND_IMAGE;
    cb.hostIcm = bo && (bo->flColorType & BR_HOST_ICM) ? 1 : 0;
    if (!GrSetColorBrush(p, &cb) || GrSetClip(p, clip) == -1) return FALSE;
    return GrPutBltImage(p, xlate, src, brushOrigin, rect, srcPoint, mask, maskPoint, rop);
  }
  // The fill road: the target rectangle in the brush's colours under the raster operation.
  GR_BRUSH* b;
  if (fore == 0x00 || fore == 0xFF || (fore == 0x55 && !bo)) {
    b = &p->solidBrush;
    b->kind = GR_BRUSH_SOLID;
    b->originX = b->originY = 0;
    b->color2 = 0xFFFFFF;
    b->color1 = fore == 0x00 ? 0x000000 : 0xFFFFFF;
    b->hostIcm = 0;
  } else {
    b = GrGetBrush(p, dst, bo, brushOrigin);
  }
  if (!GrSetPatternBrush(p, b)) return FALSE;
  MIX mix = GrRopToMix(rop);
  GrSplitMix(p, mix, &cb, 0);
  cb.color1 = b->color1;
  cb.color2 = b->color2;
  cb.kind = GR_KIND_FILL;
  GrSwapBrushColors(&cb);
  cb.hostIcm = bo && (bo->flColorType & BR_HOST_ICM) ? 1 : 0;
  if (!GrSetColorBrush(p, &cb) || !GrSetBackgroundMode(p, BYTE(cb.backgroundMode)) ||
      !GrSetRop(p, GrMix2ToRop3(cb.foregroundMix)))
    return FALSE;
  if (p->hidden2Func11 && clip && clip->iDComplexity == DC_COMPLEX) {
    // A region too complex for a clip path is filled as its spans instead.
    PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
    bool done = false;
    if (path && !GrPathFitsDevice(p, path) && GrSetClip(p, nullptr) == 0)
      done = GrFillClipSpans(&p->stream, clip, rect) != nullptr;
    EngDeletePath(path);
    if (done) return TRUE;
  }
  if (GrSetClip(p, clip) == -1) return FALSE;
  return ZsPutRect(&p->stream, rect, rect, 1) ? TRUE : FALSE;
}
