// Device capabilities (GDIINFO, DEVINFO, default palette), the drawing surface and the banding loop.
#include <algorithm>
#include <cstring>

#include "gr_hooks.h"
#include "gr_image.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "kvplat/error.h"

namespace {

// The device's colorimetry in COLORINFO order: primaries, alignment white, gammas, dye values.
constexpr LDECI4 kColorInfo[30] = {6380, 3350, 0,     2345,  6075,  0,   1410, 932, 0, 2000,
                                   2450, 0,    5210,  2100,  0,     4750, 5100, 0,   3127, 3290,
                                   0,    12500, 12500, 12500, 585,  120,  0,    0,   0,   10000};
static_assert(sizeof(kColorInfo) == sizeof(COLORINFO));

constexpr USHORT kDitherSize[16] = {2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14, 16, 16};
constexpr ULONG kTextCaps = 0x581F;
constexpr FLONG kCapsRaster = 0x430;
constexpr FLONG kCapsVector = 0x1F;
constexpr FLONG kBandHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT;
constexpr FLONG kDeviceHooks =
    kBandHooks | HOOK_STROKEPATH | HOOK_FILLPATH | HOOK_STROKEANDFILLPATH | HOOK_COPYBITS;
static_assert(kBandHooks == 0x0B && kDeviceHooks == 0x4EB);

struct CharsetRow {
  UINT codePage;
  BYTE charset;
};
constexpr CharsetRow kCharsets[] = {{1252, 0},   {932, 128},  {949, 129},  {1361, 130}, {936, 134},
                                    {950, 136},  {1255, 177}, {1256, 178}, {1253, 161}, {1254, 162},
                                    {1257, 186}, {1250, 238}, {1251, 204}, {874, 222}};
static_assert(std::size(kCharsets) == 14);

bool Mono(const GR_PDEV* p) { return p->colorProcess == 1 && p->colorMode == 1; }

GR_PDEV* PdevOf(SURFOBJ* so) {
  auto* p = so ? static_cast<GR_PDEV*>(so->dhpdev) : nullptr;
  if (GrIsValidPdev(p)) return p;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

void FillWhite(SURFOBJ* so) {
  if (so->pvBits) std::memset(so->pvBits, 0xFF, so->cjBits);
}

}  // namespace

ULONG GrHalftonePatternSize(ULONG xDpi, ULONG yDpi) {
  ULONG r = std::min(xDpi, yDpi);
  if (r >= 2400) return 15;
  if (r >= 1800) return 13;
  if (r >= 1200) return 11;
  if (r >= 900) return 9;
  if (r >= 400) return 7;
  if (r >= 180) return 5;
  return 3;
}

BYTE GrCodePageToCharset(UINT codePage) {
  for (const CharsetRow& r : kCharsets)
    if (r.codePage == codePage) return r.charset;
  return 0;
}

LONG GrBandHeight(LONG pageWidth, LONG pageHeight) {
  if (pageWidth <= 0 || pageHeight <= 0) return 0;
  // The budget counts one bit per pixel, whatever the band's depth.
  LONG rowBytes = 4 * ((pageWidth + 31) / 32);
  LONG h = 307200 / rowBytes / 32 * 32 + 32;
  return std::min(h, pageHeight);
}

bool GrBandRect(const GR_PDEV* p, const SURFOBJ* band, RECTL* rect) {
  LONG x = LONG(p->bandX), y = LONG(p->bandY);
  int64_t bottom = int64_t(y) + band->sizlBitmap.cy;
  // The last band ends at the page's bottom edge: rows below it are never sent, and a page that is an
  // exact multiple of the band height gets no empty band after it.
  bool last = bottom >= p->pageHeightPx;
  *rect = RECTL{x, y, x + band->sizlBitmap.cx, last ? std::max(p->pageHeightPx, y) : LONG(bottom)};
  return last;
}

BOOL GrFillGdiInfo(GR_PDEV* p, ULONG size, GDIINFO* out) {
  if (!GrIsValidPdev(p)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  GDIINFO g{};
  g.ulVersion = GDIINFO_VERSION;
  g.ulTechnology = DT_RASPRINTER;
  if (p->printAreaKind == 2) {
    g.ulHorzSize = ULONG(p->printWidthMM10 / 10);
    g.ulVertSize = ULONG(p->printLengthMM10 / 10);
  } else {
    g.ulHorzSize = ULONG(p->printWidthMM10 * -100);
    g.ulVertSize = ULONG(p->printLengthMM10 * -100);
  }
  g.ulHorzRes = ULONG(p->printWidthDot);
  g.ulVertRes = ULONG(p->printLengthDot);
  p->pageWidthPx = p->printWidthDot;
  p->pageHeightPx = p->printLengthDot;
  auto depth = [&g](ULONG bits, ULONG planes, ULONG colors, ULONG palReg) {
    g.cBitsPixel = bits;
    g.cPlanes = planes;
    g.ulNumColors = colors;
    g.ulNumPalReg = palReg;
  };
  if (p->rasterMode) {
    if (Mono(p)) depth(1, 1, 2, 2);
    else depth(8, 3, 0xFFFFFF, 0xFFFFFF);
  } else if (p->colorProcess == 1) {
    if (p->colorMode == 2) depth(1, 1, 8, 20);
    else depth(1, 1, 2, 2);
  } else if (p->colorProcess == 2) {
    depth(24, 1, 0xFFFFFF, 0xFFFFFF);
  } else {
    depth(8, 3, 0xFFFFFF, 0xFFFFFF);
  }
  ULONG res = p->resolution;
  g.ulLogPixelsX = g.ulLogPixelsY = g.ulAspectX = g.ulAspectY = res;
  g.flTextCaps = kTextCaps;
  g.ulAspectXY = res * 1414 / 1000;
  g.xStyleStep = g.yStyleStep = 1;
  g.denStyleStep = LONG(res / 25);
  g.ptlPhysOffset = POINTL{p->offsetX, p->offsetY};
  g.szlPhysSize = SIZEL{LONG(p->paperWidthDot), LONG(p->paperLengthDot)};
  std::memcpy(&g.ciDevice, kColorInfo, sizeof(kColorInfo));
  g.ulPrimaryOrder = PRIMARY_ORDER_CBA;
  g.ulHTPatternSize = GrHalftonePatternSize(res, res);
  g.ulHTOutputFormat = (Mono(p) && (p->rasterMode || p->oneBitSurface)) ? HT_FORMAT_1BPP : HT_FORMAT_24BPP;
  g.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
  if (out) std::memcpy(out, &g, std::min<size_t>(size, sizeof(g)));
  return TRUE;
}

BOOL GrFillDevInfo(GR_PDEV* p, ULONG size, DEVINFO* out) {
  if (!GrIsValidPdev(p)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DEVINFO d{};
  d.flGraphicsCaps = p->rasterMode ? kCapsRaster : kCapsVector;
  if (!p->emfSpool || p->rawPluginPresent) d.flGraphicsCaps |= GCAPS_DONTJOURNAL;
  if (p->colorMode == 2 && p->colorMatching == 1 && p->icmType == 1) d.flGraphicsCaps |= GCAPS_ICM;

  USHORT oem = 0, ansi = 0;
  EngGetCurrentCodePage(&oem, &ansi);
  BYTE charset = GrCodePageToCharset(ansi);

  LOGFONTW font{};
  if (!p->rasterMode && p->languageId == 0 && p->deviceFontDefault) {
    LONG res = p->resolution;
    font.lfHeight = (res / 2 + res * 10) / 72;
    font.lfWidth = font.lfHeight / 2;
    font.lfWeight = 400;
    font.lfCharSet = 128;
    font.lfOutPrecision = 1;
    font.lfClipPrecision = 2;
    font.lfPitchAndFamily = 0x11;
    std::memcpy(font.lfFaceName, u"明朝", 3 * sizeof(WCHAR));
  }
  d.lfDefaultFont = d.lfAnsiVarFont = d.lfAnsiFixFont = font;
  d.lfDefaultFont.lfCharSet = charset;
  d.lfAnsiVarFont.lfCharSet = 0;
  d.lfAnsiFixFont.lfCharSet = 0;

  if (p->palette) EngDeletePalette(p->palette);
  p->palette = nullptr;
  if (p->rasterMode && Mono(p)) {
    ULONG ht = GrHalftonePatternSize(p->resolution, p->resolution);
    d.cxDither = d.cyDither = kDitherSize[std::min<ULONG>(ht, 15)];
    d.iDitherFormat = BMF_1BPP;
    d.flGraphicsCaps |= GCAPS_FORCEDITHER;
    ULONG colors[2] = {0x000000, 0xFFFFFF};
    p->palette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
  } else {
    d.iDitherFormat = BMF_24BPP;
    p->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  }
  if (!p->palette) return FALSE;
  d.hpalDefault = p->palette;
  if (out) std::memcpy(out, &d, std::min<size_t>(size, sizeof(d)));
  return TRUE;
}

HSURF DrvEnableSurface(DHPDEV dhpdev) {
  auto* p = static_cast<GR_PDEV*>(dhpdev);
  if (!GrIsValidPdev(p)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HSURF s = nullptr;
  FLONG hooks = 0;
  if (p->rasterMode) {
    LONG band = GrBandHeight(p->pageWidthPx, p->pageHeightPx);
    if (band == 0) return nullptr;
    s = EngCreateBitmap(SIZEL{p->pageWidthPx, band}, 0, Mono(p) ? BMF_1BPP : BMF_24BPP, BMF_TOPDOWN, nullptr);
    if (s && !EngMarkBandingSurface(s)) {
      EngDeleteSurface(s);
      s = nullptr;
    }
    hooks = kBandHooks;
  } else {
    ULONG format = (p->oneBitSurface && Mono(p)) ? BMF_1BPP : BMF_24BPP;
    s = EngCreateDeviceSurface(static_cast<DHSURF>(p), SIZEL{p->printWidthDot, p->printLengthDot}, format);
    hooks = p->noStretchBltRop ? kDeviceHooks : (kDeviceHooks | HOOK_STRETCHBLTROP);
  }
  if (!s) return nullptr;
  if (!EngAssociateSurface(s, p->hdev, hooks)) {
    EngDeleteSurface(s);
    return nullptr;
  }
  p->surface = s;
  return s;
}

void DrvDisableSurface(DHPDEV dhpdev) {
  auto* p = static_cast<GR_PDEV*>(dhpdev);
  if (!GrIsValidPdev(p)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return;
  }
  if (p->surface) EngDeleteSurface(p->surface);
  p->surface = nullptr;
}

BOOL DrvStartBanding(SURFOBJ* so, POINTL* origin) {
  GR_PDEV* p = PdevOf(so);
  if (!p || !origin) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (p->emfSpool && !p->startPageSeen) {
    if (!DrvStartPage(so)) return FALSE;
    p->startPageSeen = 0;
  }
  p->bandX = p->bandY = 0;
  *origin = POINTL{0, 0};
  if (GrSetClip(p, nullptr) == -1 || !GrSetRop(p, 0xCC)) return FALSE;
  FillWhite(so);
  return TRUE;
}

BOOL DrvNextBand(SURFOBJ* so, POINTL* origin) {
  GR_PDEV* p = PdevOf(so);
  if (!p || !origin) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL band;
  bool last = GrBandRect(p, so, &band);
  // The band's pixels start at the bitmap's own origin; the band rectangle places them on the page.
  POINTL source{0, 0};
  // A band that cannot be sent fails the page instead of being lost silently.
  if (band.bottom > band.top && !GrPutCopiedImage(p, nullptr, so, &source, &band)) return FALSE;
  FillWhite(so);
  if (last) {
    *origin = POINTL{-1, -1};
    return DrvSendPage(so);
  }
  p->bandY = DWORD(band.bottom);
  *origin = POINTL{band.left, band.bottom};
  return TRUE;
}
