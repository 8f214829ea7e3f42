// Engine objects: palettes, bitmaps and device surfaces, their association with a device, locking and
// erasing; the engine's code page and local time. Every object lives in one table of live objects, so a
// handle is checked before it is followed.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "engine_internal.h"
#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvplat/time.h"

struct KvPalette {
  ULONG mode = 0;
  std::vector<ULONG> colors;
  FLONG masks[3] = {};
};

struct KvEngSurface {
  SURFOBJ so{};
  std::vector<BYTE> bits;  // bitmaps only
  bool bitmap = false;
  bool banding = false;
  FLONG hooks = 0;
  int locks = 0;
};

namespace kvp::eng {
namespace {

constexpr LONG kMaxSide = 1 << 20;              // larger surfaces are refused as bad arguments
constexpr size_t kMaxBits = size_t(1) << 31;    // and bitmaps above 2 GiB as out of memory

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
std::unordered_set<const void*>& Live() {
  static auto* s = new std::unordered_set<const void*>();
  return *s;
}
bool IsLiveLocked(const void* p) { return p && Live().count(p) != 0; }

bool SizeOk(SIZEL s) { return s.cx >= 1 && s.cy >= 1 && s.cx <= kMaxSide && s.cy <= kMaxSide; }

}  // namespace

ULONG BitsPerPixel(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

void Register(const void* object) {
  std::lock_guard<std::mutex> g(Mu());
  Live().insert(object);
}
bool Unregister(const void* object) {
  std::lock_guard<std::mutex> g(Mu());
  return Live().erase(object) != 0;
}
bool IsLive(const void* object) {
  std::lock_guard<std::mutex> g(Mu());
  return IsLiveLocked(object);
}

size_t LiveObjectCount() {
  std::lock_guard<std::mutex> g(Mu());
  return Live().size();
}

bool DescribePalette(HPALETTE hpal, PaletteInfo* out) {
  std::lock_guard<std::mutex> g(Mu());
  if (!IsLiveLocked(hpal) || !out) return false;
  out->mode = hpal->mode;
  out->colors.assign(hpal->colors.begin(), hpal->colors.end());
  std::memcpy(out->masks, hpal->masks, sizeof(out->masks));
  return true;
}

bool DescribeSurface(HSURF hsurf, SurfaceInfo* out) {
  std::lock_guard<std::mutex> g(Mu());
  if (!IsLiveLocked(hsurf) || !out) return false;
  out->bitmap = hsurf->bitmap;
  out->banding = hsurf->banding;
  out->hooks = hsurf->hooks;
  out->hdev = hsurf->so.hdev;
  out->locks = hsurf->locks;
  return true;
}

}  // namespace kvp::eng

using kvp::eng::IsLive;
using kvp::eng::Register;
using kvp::eng::Unregister;

KVAPI HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen,
                                FLONG flBlue) {
  if (iMode != PAL_INDEXED && iMode != PAL_BITFIELDS && iMode != PAL_RGB && iMode != PAL_BGR) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (iMode == PAL_INDEXED && (cColors == 0 || cColors > 65536 || !pulColors)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* p = new KvPalette();
  p->mode = iMode;
  if (iMode == PAL_INDEXED) p->colors.assign(pulColors, pulColors + cColors);
  if (iMode == PAL_BITFIELDS) {
    p->masks[0] = flRed;
    p->masks[1] = flGreen;
    p->masks[2] = flBlue;
  }
  Register(p);
  return p;
}

KVAPI BOOL EngDeletePalette(HPALETTE hpal) {
  if (!Unregister(hpal)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete hpal;
  return TRUE;
}

KVAPI HBM EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, void* pvBits) {
  ULONG bpp = kvp::eng::BitsPerPixel(iFormat);
  if (!kvp::eng::SizeOk(sizl) || bpp == 0 || pvBits || lWidth < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t minRow = (size_t(sizl.cx) * bpp + 7) / 8;
  size_t row = lWidth ? size_t(lWidth) : (size_t(sizl.cx) * bpp + 31) / 32 * 4;
  if (row < minRow) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t total = row * size_t(sizl.cy);
  if (total > kvp::eng::kMaxBits || row > size_t(INT32_MAX) || kvp::eng::BitmapRefusedForTest(total) ||
      kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto s = std::make_unique<KvEngSurface>();
  s->bits.resize(total);  // zeroed; BMF_NOZEROINIT leaves that to us as well (determinism)
  s->bitmap = true;
  SURFOBJ& so = s->so;
  so.hsurf = s.get();
  so.sizlBitmap = sizl;
  so.cjBits = ULONG(total);
  so.pvBits = s->bits.data();
  so.iBitmapFormat = iFormat;
  so.iType = STYPE_BITMAP;
  if (fl & BMF_TOPDOWN) {
    so.pvScan0 = s->bits.data();
    so.lDelta = LONG(row);
    so.fjBitmap = BMF_TOPDOWN;
  } else {
    so.pvScan0 = s->bits.data() + row * size_t(sizl.cy - 1);
    so.lDelta = -LONG(row);
  }
  so.iUniq = 1;
  HSURF h = s.release();
  Register(h);
  return h;
}

KVAPI HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
  if (!kvp::eng::SizeOk(sizl) || kvp::eng::BitsPerPixel(iFormatCompat) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* s = new KvEngSurface();
  s->so.dhsurf = dhsurf;
  s->so.hsurf = s;
  s->so.sizlBitmap = sizl;
  s->so.iBitmapFormat = iFormatCompat;
  s->so.iType = STYPE_DEVICE;
  Register(s);
  return s;
}

KVAPI BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  if (!IsLive(hsurf) || !IsLive(hdev) || (flHooks & ~FLONG(HOOK_FLAGS))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  hsurf->so.hdev = hdev;
  hsurf->so.dhpdev = kvp::eng::DeviceDhpdev(hdev);
  hsurf->hooks = flHooks;
  return TRUE;
}

KVAPI BOOL EngMarkBandingSurface(HSURF hsurf) {
  if (!IsLive(hsurf) || !hsurf->bitmap) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  hsurf->banding = true;
  return TRUE;
}

KVAPI BOOL EngDeleteSurface(HSURF hsurf) {
  if (!IsLive(hsurf) || hsurf->locks > 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Unregister(hsurf);
  delete hsurf;
  return TRUE;
}

KVAPI SURFOBJ* EngLockSurface(HSURF hsurf) {
  if (!IsLive(hsurf)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ++hsurf->locks;
  return &hsurf->so;
}

KVAPI void EngUnlockSurface(SURFOBJ* pso) {
  if (pso && IsLive(pso->hsurf) && pso == &pso->hsurf->so && pso->hsurf->locks > 0) --pso->hsurf->locks;
}

KVAPI BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
  if (!pso || !prcl || !IsLive(pso->hsurf) || pso != &pso->hsurf->so || !pso->hsurf->bitmap) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LONG left = std::max<LONG>(prcl->left, 0), top = std::max<LONG>(prcl->top, 0);
  LONG right = std::min<LONG>(prcl->right, pso->sizlBitmap.cx), bottom = std::min<LONG>(prcl->bottom, pso->sizlBitmap.cy);
  ULONG bpp = kvp::eng::BitsPerPixel(pso->iBitmapFormat);
  for (LONG y = top; y < bottom; ++y) {
    BYTE* row = static_cast<BYTE*>(pso->pvScan0) + ptrdiff_t(y) * pso->lDelta;
    for (LONG x = left; x < right; ++x) {
      if (bpp == 1) {
        BYTE bit = BYTE(0x80 >> (x & 7));
        row[x / 8] = (iColor & 1) ? BYTE(row[x / 8] | bit) : BYTE(row[x / 8] & ~bit);
      } else if (bpp == 24) {
        row[x * 3] = BYTE(iColor);
        row[x * 3 + 1] = BYTE(iColor >> 8);
        row[x * 3 + 2] = BYTE(iColor >> 16);
      } else {
        size_t bytes = bpp / 8, at = size_t(x) * bytes;
        if (bpp == 4) {
          BYTE nib = BYTE(iColor & 15);
          row[x / 2] = (x & 1) ? BYTE((row[x / 2] & 0xF0) | nib) : BYTE((row[x / 2] & 0x0F) | (nib << 4));
          continue;
        }
        for (size_t b = 0; b < bytes; ++b) row[at + b] = BYTE(iColor >> (8 * b));
      }
    }
  }
  ++pso->iUniq;
  return TRUE;
}

KVAPI void EngGetCurrentCodePage(USHORT* OemCodePage, USHORT* AnsiCodePage) {
  if (OemCodePage) *OemCodePage = USHORT(GetOEMCP());
  if (AnsiCodePage) *AnsiCodePage = USHORT(GetACP());
}

KVAPI void EngQueryLocalTime(PENG_TIME_FIELDS ptf) {
  if (!ptf) return;
  SYSTEMTIME st{};
  GetLocalTime(&st);
  ptf->usYear = st.wYear;
  ptf->usMonth = st.wMonth;
  ptf->usDay = st.wDay;
  ptf->usHour = st.wHour;
  ptf->usMinute = st.wMinute;
  ptf->usSecond = st.wSecond;
  ptf->usMilliseconds = st.wMilliseconds;
  ptf->usWeekday = st.wDayOfWeek;
}
