// DrvStretchBlt, DrvStretchBltROP and the stretched-image writers.
#include "gr_stretch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gr_blt.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "kvplat/error.h"
#include "zs_stream.h"

const COLORADJUSTMENT GR_IDENTITY_ADJUSTMENT = {sizeof(COLORADJUSTMENT), 0, 0, 10000, 10000, 10000, 0, 10000,
                                                0, 0, 0, 0};

namespace {

constexpr ROP4 kRopCopy = 0xCCCC;
constexpr ROP4 kRopMaskCopy = 0xCCAA;    // source where the mask is set, destination elsewhere
constexpr ROP4 kRopMaskKeep = 0xAACC;    // destination where the mask is set, source elsewhere
constexpr ROP4 kRopMaskXor = 0x6666;
constexpr BYTE kRop3Copy = 0xCC;
constexpr BYTE kRop3Paint = 0xEE;        // SRCPAINT
constexpr BYTE kRop3And = 0x88;          // SRCAND
constexpr BYTE kMixNop = 11;
constexpr ULONG kWhite = 0xFFFFFF;

GR_PDEV* Checked(SURFOBJ* so) {
  auto* p = so ? static_cast<GR_PDEV*>(so->dhpdev) : nullptr;
  if (GrIsValidPdev(p)) return p;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

bool IsBitmap(const SURFOBJ* so) { return so && so->iType == STYPE_BITMAP; }

// A temporary surface that is released however the worker leaves.
struct Temp {
  SURFOBJ* so = nullptr;
  HSURF handle = nullptr;
  Temp() = default;
  Temp(const Temp&) = delete;
  Temp& operator=(const Temp&) = delete;
  ~Temp() { Release(); }
  bool Make(GR_PDEV* p, LONG w, LONG h, ULONG format) {
    Release();
    so = GrCreateTempSurface(p, &handle, w, h, format);
    return so != nullptr;
  }
  void Release() {
    if (so) GrDeleteTempSurface(so, handle);
    so = nullptr;
    handle = nullptr;
  }
};

// The stretch into a temporary surface: through the mask with the ROP4, or a plain copy.
BOOL StretchInto(SURFOBJ* temp, SURFOBJ* source, SURFOBJ* mask, XLATEOBJ* xlate, COLORADJUSTMENT* ca,
                 POINTL* htOrigin, RECTL* tempRect, RECTL* sourceRect, POINTL* maskPoint, ROP4 rop4, bool masked) {
  if (masked)
    return EngStretchBltROP(temp, source, mask, nullptr, xlate, ca, htOrigin, tempRect, sourceRect, maskPoint,
                            COLORONCOLOR, nullptr, rop4);
  return EngStretchBlt(temp, source, nullptr, nullptr, xlate, ca, htOrigin, tempRect, sourceRect, nullptr,
                       COLORONCOLOR);
}

// The mask of a masked transfer as a one-bit image with ROP 0xEE; the image that follows takes ROP 0x88.
BOOL SendMask(GR_PDEV* p, SURFOBJ* mask, POINTL* maskPoint, ROP4 rop4, LONG x, LONG y, LONG w, LONG h,
              LONG workW, LONG workH) {
  Temp t;
  if (!t.Make(p, workW, workH, BMF_1BPP)) return FALSE;
  RECTL all{0, 0, workW, workH};
  if (!EngEraseSurface(t.so, &all, kWhite)) return FALSE;
  if (!EngBitBlt(t.so, mask, nullptr, nullptr, nullptr, &all, maskPoint, nullptr, nullptr, nullptr,
                 rop4 == kRopMaskKeep ? kRopCopy : kRopMaskXor))
    return FALSE;
  if (!GrSetRop(p, kRop3Paint) || !GrPutWholeImage(p, x, y, w, h, 0, 0, t.so, 0, nullptr)) return FALSE;
  t.Release();
  return GrSetRop(p, kRop3And);
}

RECTL Divided(const RECTL& r, LONG i) { return RECTL{r.left / i, r.top / i, r.right / i, r.bottom / i}; }

}  // namespace

void GrClampSourceRect(RECTL* r, LONG cx, LONG cy) {
  auto clamp = [](LONG& a, LONG& b, LONG size) {
    if (size == 0) return;
    LONG& high = a <= b ? b : a;
    LONG& low = a <= b ? a : b;
    high = std::min(high, size);
    low = std::max(low, LONG(0));
  };
  clamp(r->left, r->right, cx);
  clamp(r->top, r->bottom, cy);
}

BOOL GrPutStretchedImage(GR_PDEV* p, XLATEOBJ* xlate, SURFOBJ* source, COLORADJUSTMENT* ca, POINTL* htOrigin,
                         RECTL* target, RECTL* sourceRect, SURFOBJ* mask, POINTL* maskPoint, ROP4 rop4) {
  if (!source || !target || !sourceRect || !source->pvScan0) return FALSE;
  RECTL src = *sourceRect;
  LONG cx = source->sizlBitmap.cx, cy = source->sizlBitmap.cy;
  GrClampSourceRect(&src, cx, cy);
  LONG sx = src.left, sy = src.top;
  LONG sw = src.right - src.left, sh = src.bottom - src.top;
  LONG x = std::min(target->left, target->right), y = std::min(target->top, target->bottom);
  LONG dw = target->right - target->left, dh = target->bottom - target->top;
  LONG adw = std::abs(dw), adh = std::abs(dh);

  ULONG f = source->iBitmapFormat;
  GR_PIXEL_FORMAT fmt = GrPixelFormatOf(f);
  // Rows the image writer cannot read as they lie need a copy as well.
  bool convert = fmt.convert || sw != cx || sh != cy || dw < 0 || dh < 0 || !GrWriterLayout(source);
  bool grey = GrIsGreySource(source, xlate);
  LONG workW = std::abs(sw), workH = std::abs(sh);
  bool deep = f == BMF_24BPP || f == BMF_32BPP;
  bool lastRopCopy = p->drawState.ropValid && p->drawState.rop == kRop3Copy;
  if (p->directImage && lastRopCopy && deep && sw && sh && dw && dh && (adw < workW || adh < workH)) {
    convert = true;  // the engine reduces the image to its final size on the host
    workW = adw;
    workH = adh;
  }
  bool masked = mask && (rop4 == kRopMaskKeep || rop4 == kRopMaskCopy);
  convert = convert || masked;

  DWORD format = fmt.code;
  if (xlate && (xlate->flXlate & XO_HOST_ICM)) format |= GR_FORMAT_HOST_ICM;
  if (!convert) {
    bool failed = false;
    BYTE* palette = GrMakePalette(p, fmt.code, xlate, grey, &failed);
    BOOL ok = !failed && GrPutWholeImage(p, x, y, adw, adh, sx, sy, source, format, palette);
    GrHeapFree(p->heap, palette);
    return ok;
  }
  if (!workW || !workH) return FALSE;
  RECTL tempRect{0, 0, workW, workH};
  if (dw < 0) std::swap(tempRect.left, tempRect.right);
  if (dh < 0) std::swap(tempRect.top, tempRect.bottom);
  if (masked && !SendMask(p, mask, maskPoint, rop4, x, y, adw, adh, workW, workH)) return FALSE;
  XLATEOBJ* tempXlate = fmt.temporary != f ? xlate : nullptr;
  Temp temp;
  if (temp.Make(p, workW, workH, fmt.temporary)) {
    RECTL all{0, 0, workW, workH};
    if (masked && !EngEraseSurface(temp.so, &all, kWhite)) return FALSE;
    if (!StretchInto(temp.so, source, mask, tempXlate, ca, htOrigin, &tempRect, &src, maskPoint, rop4, masked))
      return FALSE;
  } else {
    if ((f == BMF_24BPP || f == BMF_32BPP || f == BMF_8BPP) && sw > 0 && sh > 0)
      return GrPutImageStripes(p, source, &src, target, xlate, ca, htOrigin, grey) != nullptr;
    for (LONG i = 2;; ++i) {  // a reduced copy, as large as memory allows
      if (i > GR_MAX_REDUCTION) return FALSE;
      LONG w = std::abs(workW / i), h = std::abs(workH / i);
      if (!w || !h) return FALSE;
      if (!temp.Make(p, w, h, fmt.temporary)) continue;
      RECTL reduced = Divided(tempRect, i);
      if (!StretchInto(temp.so, source, nullptr, tempXlate, ca, htOrigin, &reduced, &src, nullptr, rop4, false))
        return FALSE;
      format |= GR_FORMAT_REDUCED;
      break;
    }
  }
  bool failed = false;
  BYTE* palette = fmt.temporary == BMF_24BPP ? nullptr : GrMakePalette(p, fmt.code, xlate, grey, &failed);
  BOOL ok = !failed && GrPutWholeImage(p, x, y, adw, adh, 0, 0, temp.so, format, palette);
  GrHeapFree(p->heap, palette);
  return ok;
}

BYTE* GrPutImageStripes(GR_PDEV* p, SURFOBJ* source, RECTL* sourceRect, RECTL* target, XLATEOBJ* xlate,
                        COLORADJUSTMENT* ca, POINTL* htOrigin, BOOL grey) {
  ULONG f = source ? source->iBitmapFormat : 0;
  DWORD bpp = f == BMF_24BPP || f == BMF_32BPP ? 3 : f == BMF_8BPP ? 1 : 0;
  if (!bpp || !sourceRect || !target || !source->pvScan0) return nullptr;
  LONG x = std::min(target->left, target->right), y = std::min(target->top, target->bottom);
  LONG w = std::abs(target->right - target->left), h = std::abs(target->bottom - target->top);
  LONG sx = std::min(sourceRect->left, sourceRect->right), sy = std::min(sourceRect->top, sourceRect->bottom);
  LONG sw = std::abs(sourceRect->right - sourceRect->left), sh = std::abs(sourceRect->bottom - sourceRect->top);
  // Rows are read straight from the bitmap: the rectangle must lie inside it.
  if (sx < 0 || sy < 0 || !sw || !sh || sw > source->sizlBitmap.cx - sx || sh > source->sizlBitmap.cy - sy)
    return nullptr;

  bool halve = f == BMF_32BPP &&
               ((w < sw && h < sh) || uint64_t(sw) * uint64_t(sh) * 3 > GR_STRIPE_HALVING_BYTES);
  DWORD step = halve ? 2 : 1;
  DWORD outW = DWORD(sw) / step, outH = DWORD(sh) / step;
  if (!outW || !outH) return nullptr;
  uint64_t rowBytes64 = (uint64_t(outW) * bpp + 3) & ~uint64_t(3);
  bool failed = false;
  BYTE* palette = f == BMF_8BPP ? GrMakePalette(p, GrPixelFormatOf(f).code, xlate, grey, &failed) : nullptr;
  if (failed) return nullptr;
  DWORD palBytes = palette ? 768 : 0;
  struct FreePalette {
    GR_PDEV* p;
    BYTE* bytes;
    ~FreePalette() { GrHeapFree(p->heap, bytes); }
  } freePalette{p, palette};
  uint64_t length = sizeof(ZARN_IMAGE_HEADER) + ((palBytes + 3) & ~3u) + rowBytes64 * outH;
  if (length > 0x7FFFFFF0u || rowBytes64 > 0x7FFFFFF0u) return nullptr;
  DWORD rowBytes = DWORD(rowBytes64);

  Temp row;
  if (f == BMF_32BPP && !row.Make(p, sw, 1, BMF_24BPP)) return nullptr;

  ZARN_STREAM* s = &p->stream;
  ZS_MARK mark = ZsMark(s);
  BYTE* head = ZsReserve(s, DWORD(sizeof(ZARN_IMAGE_HEADER) + ((palBytes + 3) & ~3u)));
  if (!head) return nullptr;
  ZARN_IMAGE_HEADER hd{};
  hd.opcode = ZS_OP_IMAGE;
  hd.formatHigh = halve ? BYTE(GR_FORMAT_REDUCED >> 16) : 0;
  hd.formatLow = f == BMF_8BPP ? BYTE(0x02 | (palBytes ? 0 : 0x20)) : 0x24;
  hd.length = DWORD(length);
  hd.dest[0] = x;
  hd.dest[1] = y;
  hd.dest[2] = x + w;
  hd.dest[3] = y + h;
  hd.srcWidth = outW;
  hd.rows = outH;
  hd.destX = x;
  hd.destY = y;
  hd.destWidth = w;
  hd.destHeight = h;
  std::memcpy(head, &hd, sizeof hd);
  if (palBytes) std::memcpy(head + sizeof hd, palette, palBytes);

  const BYTE* scan0 = static_cast<const BYTE*>(source->pvScan0);
  RECTL oneRow{0, 0, sw, 1};
  for (DWORD i = 0; i < outH; ++i) {
    LONG srcRow = sy + LONG(i * step);
    const BYTE* from = scan0 + ptrdiff_t(srcRow) * source->lDelta + ptrdiff_t(sx) * bpp;
    if (row.so) {
      RECTL one{sx, srcRow, sx + sw, srcRow + 1};
      if (!EngStretchBlt(row.so, source, nullptr, nullptr, xlate, ca, htOrigin, &oneRow, &one, nullptr,
                         COLORONCOLOR)) {
        ZsWithdraw(s, mark);
        return nullptr;
      }
      from = static_cast<const BYTE*>(row.so->pvScan0);
    }
    bool headCurrent = s->flushes == mark.flushes;
    BYTE* out = ZsReserve(s, rowBytes);
    if (!out) {
      ZsWithdraw(s, mark);
      return nullptr;
    }
    if (!headCurrent || s->flushes != mark.flushes) head = nullptr;  // the header went out already
    std::memset(out, 0, rowBytes);
    if (step == 1) {
      std::memcpy(out, from, size_t(outW) * bpp);
    } else {
      for (DWORD px = 0; px < outW; ++px) std::memcpy(out + size_t(px) * 3, from + size_t(px) * 6, 3);
    }
  }
  return head ? head : const_cast<BYTE*>(&ZS_RECORD_SENT);
}

// Draws a source bitmap into a target rectangle (see GrPutStretchedImage). In raster mode, and for a
// one-bit device surface of a monochrome colour job, the engine draws it (halftoned where the job asks).
// FALSE with ERROR_INVALID_PARAMETER for an invalid context; FALSE when the job's output failed, the source
// is no bitmap or the image cannot be sent; TRUE while drawing is suppressed.
BOOL DrvStretchBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, COLORADJUSTMENT* ca,
                   POINTL* htOrigin, RECTL* dstRect, RECTL* srcRect, POINTL* maskPoint, ULONG mode) {
  GR_PDEV* p = Checked(dst);
  if (!p) return FALSE;
  if (p->drawingSuppressed) return TRUE;
  if (p->state & GR_STATE_OUTPUT_ERROR) return FALSE;
  bool monochromeProcess = p->colorProcess == 1 && p->colorMode == 1;
  if (p->rasterMode)
    return EngStretchBlt(dst, src, mask, clip, xlate, ca, htOrigin, dstRect, srcRect, maskPoint,
                         monochromeProcess ? HALFTONE : mode);
  if (!IsBitmap(src)) return FALSE;
  if (p->oneBitSurface && monochromeProcess) {
    COLORADJUSTMENT identity = GR_IDENTITY_ADJUSTMENT;
    return EngStretchBlt(dst, src, mask, clip, xlate, ca ? ca : &identity, htOrigin, dstRect, srcRect, maskPoint,
                         HALFTONE);
  }
  if (GrSetClip(p, clip) == -1 || !GrSetRop(p, kRop3Copy)) return FALSE;
  return GrPutStretchedImage(p, xlate, src, ca, htOrigin, dstRect, srcRect, mask, maskPoint,
                             mask ? kRopMaskCopy : kRopCopy);
}

// DrvStretchBlt with a brush and a ROP4: the background mode from the ROP4's background byte, the brush's
// pattern and colours, then the image. Results as DrvStretchBlt.
BOOL DrvStretchBltROP(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, COLORADJUSTMENT* ca,
                      POINTL* htOrigin, RECTL* dstRect, RECTL* srcRect, POINTL* maskPoint, ULONG, BRUSHOBJ* brush,
                      DWORD rop4) {
  GR_PDEV* p = Checked(dst);
  if (!p) return FALSE;
  if (p->drawingSuppressed) return TRUE;
  if ((p->state & GR_STATE_OUTPUT_ERROR) || !IsBitmap(src)) return FALSE;
  BYTE background = ((rop4 >> 8) & 0xFF) == 0xAA ? 1 : 2;
  if (!GrSetBackgroundMode(p, background)) return FALSE;
  GR_COLOR_BRUSH colors{};
  colors.foregroundMix = kMixNop;
  colors.backgroundMode = background;
  colors.color1 = colors.color2 = kWhite;
  if (brush) {
    if (GR_BRUSH* b = GrGetBrush(p, dst, brush, nullptr)) {
      if (!GrSetPatternBrush(p, b)) return FALSE;
      colors.color1 = b->color1;
      colors.color2 = b->color2;
    }
    colors.hostIcm = (brush->flColorType & BR_HOST_ICM) ? 1 : 0;
  }
  colors.kind = GR_KIND_IMAGE;
  GrSwapBrushColors(&colors);
  if (!GrSetColorBrush(p, &colors)) return FALSE;
  BYTE rop3 = (rop4 == kRopMaskCopy && !mask) ? kRop3Copy : BYTE(rop4);
  if (!GrSetRop(p, rop3) || GrSetClip(p, clip) == -1) return FALSE;
  return GrPutStretchedImage(p, xlate, src, ca, htOrigin, dstRect, srcRect, mask, maskPoint, rop4);
}
