// The engine's stretching of one bitmap into another: the source (and its mask) scaled by nearest
// neighbour, mirrored where a rectangle runs backwards, into scratch bitmaps of the visible part of the
// target, which the engine's block transfer then draws with its colour translation, ROP4 and clip. Also
// the test switch that refuses large bitmaps.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine_internal.h"
#include "kvplat/error.h"
#include "kvplat/stretch.h"

namespace kvp::eng {
namespace {

std::atomic<size_t> g_bitmapLimit{0};
thread_local int t_scratch = 0;  // the engine is making a bitmap for itself: the test switch lets it pass

std::mutex& LogMu() {
  static std::mutex m;
  return m;
}
std::vector<StretchCall>& Log() {
  static auto* log = new std::vector<StretchCall>();
  return *log;
}

bool Drawable(const SURFOBJ* so) {
  return so && so->iType == STYPE_BITMAP && so->pvScan0 && BitsPerPixel(so->iBitmapFormat) && IsLive(so->hsurf);
}

const BYTE* Row(const SURFOBJ* so, LONG y) { return static_cast<const BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta; }
BYTE* Row(SURFOBJ* so, LONG y) { return static_cast<BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta; }

// Pixel (sx, sy) of `from` into (x, y) of `to`, a bitmap of the same format.
void CopyPixel(const SURFOBJ* from, LONG sx, LONG sy, SURFOBJ* to, LONG x, LONG y) {
  ULONG bpp = BitsPerPixel(from->iBitmapFormat);
  const BYTE* s = Row(from, sy);
  BYTE* d = Row(to, y);
  if (bpp >= 8) {
    std::memcpy(d + size_t(x) * (bpp / 8), s + size_t(sx) * (bpp / 8), bpp / 8);
    return;
  }
  LONG per = LONG(8 / bpp);
  ULONG mask = (1u << bpp) - 1;
  ULONG from_shift = ULONG(per - 1 - sx % per) * bpp, to_shift = ULONG(per - 1 - x % per) * bpp;
  ULONG v = (s[sx / per] >> from_shift) & mask;
  d[x / per] = BYTE((d[x / per] & ~(mask << to_shift)) | (v << to_shift));
}

// A top-down bitmap the engine makes for its own work, released with the object.
struct Scratch {
  HSURF h = nullptr;
  SURFOBJ* so = nullptr;
  bool Make(LONG w, LONG hgt, ULONG format) {
    ++t_scratch;
    h = EngCreateBitmap(SIZEL{w, hgt}, 0, format, BMF_TOPDOWN, nullptr);
    --t_scratch;
    so = h ? EngLockSurface(h) : nullptr;
    return so != nullptr;
  }
  ~Scratch() {
    if (so) EngUnlockSurface(so);
    if (h) EngDeleteSurface(h);
  }
};

// Source offset (0 to size - 1) of target step i (0 to count - 1) of a nearest-neighbour mapping.
int64_t Nearest(int64_t i, int64_t count, int64_t size) {
  return int64_t((__int128(2 * i + 1) * size) / (2 * __int128(count)));
}

BOOL Stretch(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, COLORADJUSTMENT* ca,
             RECTL* dstRect, RECTL* srcRect, POINTL* maskPoint, ULONG mode, BRUSHOBJ* brush, DWORD rop4) {
  StretchCall call;
  call.mode = mode;
  call.adjusted = ca != nullptr;
  if (ca) call.adjustment = *ca;
  call.rop4 = rop4;
  call.masked = mask != nullptr;
  call.translated = xlate != nullptr;
  if (src) call.sourceFormat = src->iBitmapFormat;
  if (dst) call.targetFormat = dst->iBitmapFormat;
  if (dstRect) call.target = *dstRect;
  if (srcRect) call.source = *srcRect;
  auto finish = [&](BOOL ok) {
    call.drawn = ok;
    std::lock_guard<std::mutex> g(LogMu());
    Log().push_back(call);
    return ok;
  };
  auto refuse = [&]() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return finish(FALSE);
  };
  if (!Drawable(dst) || !Drawable(src) || !dstRect || !srcRect || mode < BLACKONWHITE || mode > HALFTONE)
    return refuse();
  if (mask && (!Drawable(mask) || mask->iBitmapFormat != BMF_1BPP)) return refuse();
  // Sizes in 64 bits: the rectangles come from callers and may span the whole LONG range.
  int64_t sx0 = std::min(srcRect->left, srcRect->right), sy0 = std::min(srcRect->top, srcRect->bottom);
  int64_t sw = std::llabs(int64_t(srcRect->right) - srcRect->left);
  int64_t sh = std::llabs(int64_t(srcRect->bottom) - srcRect->top);
  if (sx0 < 0 || sy0 < 0 || sx0 + sw > src->sizlBitmap.cx || sy0 + sh > src->sizlBitmap.cy) return refuse();
  int64_t dx0 = std::min(dstRect->left, dstRect->right), dy0 = std::min(dstRect->top, dstRect->bottom);
  int64_t dw = std::llabs(int64_t(dstRect->right) - dstRect->left);
  int64_t dh = std::llabs(int64_t(dstRect->bottom) - dstRect->top);
  RECTL visible{LONG(std::max<int64_t>(dx0, 0)), LONG(std::max<int64_t>(dy0, 0)),
                LONG(std::min<int64_t>(dx0 + dw, dst->sizlBitmap.cx)),
                LONG(std::min<int64_t>(dy0 + dh, dst->sizlBitmap.cy))};
  if (!sw || !sh || visible.left >= visible.right || visible.top >= visible.bottom) return finish(TRUE);
  bool mirrorX = (dstRect->left > dstRect->right) != (srcRect->left > srcRect->right);
  bool mirrorY = (dstRect->top > dstRect->bottom) != (srcRect->top > srcRect->bottom);
  POINTL mp = maskPoint ? *maskPoint : POINTL{0, 0};

  LONG vw = visible.right - visible.left, vh = visible.bottom - visible.top;
  Scratch scaled, scaledMask;
  if (!scaled.Make(vw, vh, src->iBitmapFormat) || (mask && !scaledMask.Make(vw, vh, BMF_1BPP))) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return finish(FALSE);
  }
  for (LONG y = 0; y < vh; ++y) {
    int64_t j = visible.top + y - dy0;
    int64_t sy = sy0 + Nearest(mirrorY ? dh - 1 - j : j, dh, sh);
    for (LONG x = 0; x < vw; ++x) {
      int64_t i = visible.left + x - dx0;
      int64_t sx = sx0 + Nearest(mirrorX ? dw - 1 - i : i, dw, sw);
      CopyPixel(src, LONG(sx), LONG(sy), scaled.so, x, y);
      if (!mask) continue;
      int64_t mx = mp.x + (sx - sx0), my = mp.y + (sy - sy0);
      if (mx >= 0 && my >= 0 && mx < mask->sizlBitmap.cx && my < mask->sizlBitmap.cy)
        CopyPixel(mask, LONG(mx), LONG(my), scaledMask.so, x, y);
    }
  }
  POINTL origin{0, 0};
  return finish(EngBitBlt(dst, scaled.so, mask ? scaledMask.so : nullptr, clip, xlate, &visible, &origin,
                          mask ? &origin : nullptr, brush, nullptr, rop4));
}

}  // namespace

bool BitmapRefusedForTest(size_t bytes) {
  size_t limit = g_bitmapLimit.load();
  return limit != 0 && bytes > limit && t_scratch == 0;
}

std::vector<StretchCall> StretchLog() {
  std::lock_guard<std::mutex> g(LogMu());
  return Log();
}

void ClearStretchLog() {
  std::lock_guard<std::mutex> g(LogMu());
  Log().clear();
}

}  // namespace kvp::eng

namespace kvp::test {
void FailBitmapsAbove(size_t bytes) { kvp::eng::g_bitmapLimit.store(bytes); }
}  // namespace kvp::test

KVAPI BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                         COLORADJUSTMENT* pca, POINTL*, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                         ULONG iMode) {
  // A mask selects the source where it is set and leaves the target elsewhere (foreground copy, background
  // leave, in the block transfer's terms).
  return kvp::eng::Stretch(psoDest, psoSrc, psoMask, pco, pxlo, pca, prclDest, prclSrc, pptlMask, iMode, nullptr,
                           psoMask ? 0xAACC : 0xCCCC);
}

KVAPI BOOL EngStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL*, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                            ULONG iMode, BRUSHOBJ* pbo, DWORD rop4) {
  return kvp::eng::Stretch(psoDest, psoSrc, psoMask, pco, pxlo, pca, prclDest, prclSrc, pptlMask, iMode, pbo, rop4);
}
