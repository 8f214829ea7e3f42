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

// The image format of a source: the record's format code, the format of a temporary surface and whether
// the printer cannot take the source as it is.
struct GR_IMAGE_FORMAT {
  DWORD code;
  ULONG tempFormat;
  bool convert;
};
GR_IMAGE_FORMAT GrImageFormatOf(ULONG format) {
  switch (format) {
    case BMF_1BPP: return {0, BMF_1BPP, false};
    case BMF_4BPP: return {1, BMF_4BPP, false};
    case BMF_8BPP: return {2, BMF_8BPP, false};
    case BMF_24BPP: return {4, BMF_24BPP, false};
    default: return {4, BMF_24BPP, true};
  }
}

DWORD GrFormatBits(ULONG format) { return format == BMF_1BPP ? 1 : format == BMF_4BPP ? 4 : format == BMF_8BPP ? 8 : 24; }

bool HasTable(const XLATEOBJ* xlate) { return xlate && xlate->pulXlate && xlate->cEntries; }

// A 1, 4 or 8-bit source whose table runs evenly from black to white over exactly 2, 16 or 256 entries.
BOOL GrIsGreySource(ULONG format, const XLATEOBJ* xlate) {
  DWORD bits = GrFormatBits(format);
  if (bits > 8 || !HasTable(xlate) || xlate->cEntries != (1u << bits)) return FALSE;
  for (ULONG i = 0; i < xlate->cEntries; ++i) {
    ULONG g = i * 255 / (xlate->cEntries - 1);
    if ((xlate->pulXlate[i] & 0xFFFFFF) != (g | g << 8 | g << 16)) return FALSE;
  }
  return TRUE;
}

// The palette of an indexed image: three bytes of each table entry, as many entries as the format holds
// (missing ones black), in a private-heap block; none without a table, for a direct format or without
// memory.
BYTE* GrMakePalette(GR_PDEV* p, const XLATEOBJ* xlate, ULONG format) {
  DWORD bits = GrFormatBits(format);
  if (bits > 8 || !HasTable(xlate)) return nullptr;
  DWORD entries = 1u << bits;
  auto* out = static_cast<BYTE*>(GrHeapAlloc(p->heap, 3 * entries));
  if (!out) return nullptr;
  for (DWORD i = 0; i < entries && i < xlate->cEntries; ++i) std::memcpy(out + 3 * i, &xlate->pulXlate[i], 3);
  return out;
}

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

// A palette block of the private heap, freed however the worker leaves.
struct Palette {
  GR_PDEV* p;
  BYTE* bytes = nullptr;
  explicit Palette(GR_PDEV* pdev) : p(pdev) {}
  Palette(const Palette&) = delete;
  Palette& operator=(const Palette&) = delete;
  ~Palette() { GrHeapFree(p->heap, bytes); }
};

// The lowest address of a bitmap's rows and whether they run bottom-up from there.
const BYTE* LowestRow(const SURFOBJ* so, BOOL* bottomUp) {
  *bottomUp = so->lDelta < 0;
  const BYTE* scan0 = static_cast<const BYTE*>(so->pvScan0);
  if (so->lDelta >= 0) return scan0;
  return scan0 + ptrdiff_t(so->lDelta) * (so->sizlBitmap.cy - 1);
}

bool SendImage(GR_PDEV* p, LONG x, LONG y, LONG w, LONG h, LONG srcX, LONG srcY, DWORD srcW, DWORD rows,
               DWORD format, const BYTE* bits, const BYTE* palette, BOOL bottomUp) {
  ZARN_STREAM* s = &p->stream;
  if (ZsPutImage(s, x, y, w, h, srcX, srcY, srcW, rows, format, bits, palette, bottomUp)) return true;
  // The row-by-row writer needs the least memory; when it fails too the image is lost and the call says so.
  return ZsPutImageByRows(s, x, y, w, h, srcX, srcY, srcW, rows, format, bits, palette, bottomUp) != nullptr;
}

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
  if (!GrSetRop(p, kRop3Paint)) return FALSE;
  BOOL bottomUp = FALSE;
  const BYTE* bits = LowestRow(t.so, &bottomUp);
  if (!SendImage(p, x, y, w, h, 0, 0, DWORD(workW), DWORD(workH), 0, bits, nullptr, bottomUp)) return FALSE;
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

  GR_IMAGE_FORMAT fmt = GrImageFormatOf(source->iBitmapFormat);
  bool convert = fmt.convert || sw != cx || sh != cy || dw < 0 || dh < 0;
  BOOL grey = GrIsGreySource(source->iBitmapFormat, xlate);
  LONG workW = std::abs(sw), workH = std::abs(sh);
  bool deep = source->iBitmapFormat == BMF_24BPP || source->iBitmapFormat == BMF_32BPP;
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
  ULONG imageFormat = source->iBitmapFormat;
  Temp temp;
  const BYTE* bits = nullptr;
  BOOL bottomUp = FALSE;
  LONG imgX = sx, imgY = sy;
  if (!convert) {
    bits = LowestRow(source, &bottomUp);
    workW = cx;
    workH = cy;
  } else {
    imgX = imgY = 0;
    if (!workW || !workH) return FALSE;
    RECTL tempRect{0, 0, workW, workH};
    if (dw < 0) std::swap(tempRect.left, tempRect.right);
    if (dh < 0) std::swap(tempRect.top, tempRect.bottom);
    if (masked && !SendMask(p, mask, maskPoint, rop4, x, y, adw, adh, workW, workH)) return FALSE;
    XLATEOBJ* tempXlate = fmt.tempFormat != source->iBitmapFormat ? xlate : nullptr;
    imageFormat = fmt.tempFormat;
    if (temp.Make(p, workW, workH, fmt.tempFormat)) {
      RECTL all{0, 0, workW, workH};
      if (masked && !EngEraseSurface(temp.so, &all, kWhite)) return FALSE;
      if (!StretchInto(temp.so, source, mask, tempXlate, ca, htOrigin, &tempRect, &src, maskPoint, rop4, masked))
        return FALSE;
    } else {
      ULONG f = source->iBitmapFormat;
      if ((f == BMF_24BPP || f == BMF_32BPP || f == BMF_8BPP) && sw > 0 && sh > 0)
        return GrPutImageStripes(p, source, &src, target, xlate, ca, htOrigin, grey) != nullptr;
      for (LONG i = 2;; ++i) {
        if (i > GR_MAX_REDUCTION) return FALSE;
        LONG w = std::abs(workW / i), h = std::abs(workH / i);
        if (!w || !h) return FALSE;
        if (!temp.Make(p, w, h, fmt.tempFormat)) continue;
        RECTL reduced = Divided(tempRect, i);
        if (!StretchInto(temp.so, source, nullptr, tempXlate, ca, htOrigin, &reduced, &src, nullptr, rop4, false))
          return FALSE;
        workW = w;
        workH = h;
        format |= GR_FORMAT_REDUCED;
        break;
      }
    }
    bits = static_cast<const BYTE*>(temp.so->pvScan0);
  }

  Palette palette(p);
  if (imageFormat != BMF_24BPP && xlate && !grey) {
    palette.bytes = GrMakePalette(p, xlate, imageFormat);
    if (!palette.bytes && GrFormatBits(imageFormat) <= 8 && HasTable(xlate)) return FALSE;
  }
  return SendImage(p, x, y, adw, adh, imgX, imgY, DWORD(workW), DWORD(workH), format, bits, palette.bytes, bottomUp);
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
  DWORD palBytes = 0;
  Palette palette(p);
  if (f == BMF_8BPP && HasTable(xlate) && !grey) {
    palette.bytes = GrMakePalette(p, xlate, BMF_8BPP);
    if (!palette.bytes) return nullptr;
    palBytes = 768;
  }
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
  if (palBytes) std::memcpy(head + sizeof hd, palette.bytes, palBytes);

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
