// DrvDitherColor, the colour transforms of a device context, the hatch table and the pattern helpers.
#include "gr_brush.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gr_blt.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/icm.h"

const BYTE GR_HATCH_ROWS[GR_HATCH_STYLES][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

namespace {

GR_PDEV* Checked(DHPDEV dhpdev) {
  auto* p = static_cast<GR_PDEV*>(dhpdev);
  if (GrIsValidPdev(p)) return p;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

BYTE Scale(DWORD field, DWORD full) { return BYTE(field * 255 / full); }

// An engine 24 or 32-bit pixel (stored blue first) as a colour with red in the low byte.
DWORD StoredColour(const BYTE* px) { return DWORD(px[2]) | DWORD(px[1]) << 8 | DWORD(px[0]) << 16; }

// A colour (red in the low byte) as a tile pixel: the printer takes red, green, blue.
void PutTilePixel(DWORD colour, BYTE* out) {
  out[0] = BYTE(colour);
  out[1] = BYTE(colour >> 8);
  out[2] = BYTE(colour >> 16);
}

}  // namespace

void GrPixel16ToBytes(WORD pixel, BOOL green6, BYTE out[3]) {
  out[2] = Scale(pixel & 0x1F, 31);
  if (green6) {
    out[1] = Scale((pixel >> 5) & 0x3F, 63);
    out[0] = Scale((pixel >> 11) & 0x1F, 31);
  } else {
    out[1] = Scale((pixel >> 5) & 0x1F, 31);
    out[0] = Scale((pixel >> 10) & 0x1F, 31);
  }
}

BOOL GrIsTwoColorPattern(const BYTE* bits, LONG rowBytes, ULONG format, DWORD colors[2]) {
  if (format != BMF_24BPP || !bits || !colors) return FALSE;
  DWORD found[2] = {};
  int count = 0;
  for (int y = 0; y < 8; ++y) {
    const BYTE* row = bits + ptrdiff_t(y) * rowBytes;
    for (int x = 0; x < 8; ++x) {
      DWORD value = StoredColour(row + 3 * x);
      if (count > 0 && value == found[0]) continue;
      if (count > 1 && value == found[1]) continue;
      if (count == 2) return FALSE;
      found[count++] = value;
    }
  }
  colors[0] = found[0];
  colors[1] = found[1];
  return TRUE;
}

void GrReleaseColorTransform(GR_PDEV* p) {
  if (p->colorTransform) DeleteColorTransform(p->colorTransform);
  if (p->colorProfile) CloseColorProfile(p->colorProfile);
  p->colorTransform = nullptr;
  p->colorProfile = nullptr;
}

void GrHandOverColorTransform(GR_PDEV* from, GR_PDEV* to) {
  if (from == to) return;
  GrReleaseColorTransform(to);
  to->colorTransform = from->colorTransform;
  to->colorProfile = from->colorProfile;
  from->colorTransform = nullptr;
  from->colorProfile = nullptr;
}

// The engine halftones every colour: DCR_HALFTONE, nothing written.
ULONG DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return DCR_HALFTONE; }

// Opens the destination profile (given in memory) and creates a transform to it from the colour space;
// both are kept in the context, replacing (and closing) a pair kept before. The transform, or null for
// an invalid context (ERROR_INVALID_PARAMETER), no destination profile, or a profile or transform the
// colour management refuses (its own last error).
HANDLE DrvIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW* colorSpace, void*, ULONG, void* destProfile,
                                  ULONG destSize, void*, ULONG, DWORD) {
  GR_PDEV* p = Checked(dhpdev);
  if (!p) return nullptr;
  GrReleaseColorTransform(p);
  if (destProfile) {
    PROFILE profile{PROFILE_MEMBUFFER, destProfile, destSize};
    p->colorProfile = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
  }
  if (p->colorProfile) p->colorTransform = CreateColorTransformW(colorSpace, p->colorProfile, nullptr, BEST_MODE);
  return p->colorTransform;
}

// Deletes the kept transform when it is the one named, and closes its profile. TRUE (also when the
// handle names no kept transform: nothing is deleted); FALSE with ERROR_INVALID_PARAMETER for an invalid
// context.
BOOL DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE transform) {
  GR_PDEV* p = Checked(dhpdev);
  if (!p) return FALSE;
  if (transform == p->colorTransform) GrReleaseColorTransform(p);
  return TRUE;
}

// ---- Realized brushes ----

namespace {

constexpr DWORD kTileRowBytes1 = GR_TILE_SIDE / 8;  // 4
constexpr DWORD kTileRowBytes24 = GR_TILE_SIDE * 3;  // 96

ULONG Entry(const XLATEOBJ* xlate, ULONG i, ULONG none) {
  if (xlate && (xlate->flXlate & XO_TABLE) && xlate->pulXlate && i < xlate->cEntries) return xlate->pulXlate[i] & 0xFFFFFF;
  return none;
}

// Row y of a bitmap counted in storage order from its first stored row.
const BYTE* StoredRow(const SURFOBJ* so, LONG y) {
  return static_cast<const BYTE*>(so->pvBits) + ptrdiff_t(y) * std::abs(so->lDelta);
}

bool BottomUp(const SURFOBJ* so) { return !(so->fjBitmap & BMF_TOPDOWN); }

void SetBit(BYTE* tile, DWORD x, DWORD y) { tile[y * kTileRowBytes1 + x / 8] |= BYTE(0x80 >> (x % 8)); }

void FlipRows(BYTE* tile, DWORD rowBytes) {
  for (DWORD r = 0; r < GR_TILE_SIDE / 2; ++r)
    std::swap_ranges(tile + r * rowBytes, tile + (r + 1) * rowBytes, tile + (GR_TILE_SIDE - 1 - r) * rowBytes);
}

void HatchTile(ULONG hatch, BYTE* tile) {
  for (DWORD y = 0; y < GR_TILE_SIDE; ++y) {
    BYTE row = GR_HATCH_ROWS[hatch][y / 4];
    for (DWORD x = 0; x < GR_TILE_SIDE; ++x)
      if (row & (0x80 >> (x / 4))) SetBit(tile, x, y);
  }
}

// An 8 x 8 pattern of one byte per row, each pixel doubled, tiled twice across and down.
void DoubledTile(const BYTE rows[8], BYTE* tile) {
  for (DWORD y = 0; y < GR_TILE_SIDE; ++y)
    for (DWORD x = 0; x < GR_TILE_SIDE; ++x)
      if (rows[(y / 2) % 8] & (0x80 >> ((x / 2) % 8))) SetBit(tile, x, y);
}

// The one-bit pattern tiled without scaling, every bit inverted: pixels of index 0 become set bits.
void TiledOneBit(const SURFOBJ* pattern, BYTE* tile) {
  LONG w = pattern->sizlBitmap.cx, h = pattern->sizlBitmap.cy;
  for (DWORD y = 0; y < GR_TILE_SIDE; ++y) {
    const BYTE* row = StoredRow(pattern, LONG(y) % h);
    for (DWORD x = 0; x < GR_TILE_SIDE; ++x) {
      LONG px = LONG(x) % w;
      if (!(row[px / 8] & (0x80 >> (px % 8)))) SetBit(tile, x, y);
    }
  }
}

// Whether a 16-bit pattern's translation says its pixels are 5-6-5.
BOOL Green6(XLATEOBJ* xlate) {
  ULONG masks[3] = {};
  if (!xlate || xlate->iSrcType != PAL_BITFIELDS) return FALSE;
  return XLATEOBJ_cGetPalette(xlate, XO_SRCPALETTE, 3, masks) == 3 && masks[1] == 0x07E0;
}

// The three colour bytes of pattern pixel (x, y) of a stored row.
void PixelBytes(const SURFOBJ* pattern, XLATEOBJ* xlate, BOOL green6, const BYTE* row, LONG x, BYTE out[3]) {
  switch (pattern->iBitmapFormat) {
    case BMF_4BPP:
    case BMF_8BPP: {
      ULONG index = pattern->iBitmapFormat == BMF_8BPP ? row[x] : ((x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4);
      PutTilePixel(xlate ? XLATEOBJ_iXlate(xlate, index) : index, out);
      break;
    }
    case BMF_16BPP:
      GrPixel16ToBytes(WORD(row[2 * x] | row[2 * x + 1] << 8), green6, out);
      break;
    case BMF_24BPP: PutTilePixel(StoredColour(row + 3 * x), out); break;
    default: PutTilePixel(StoredColour(row + 4 * x), out); break;
  }
}

// The pattern tiled into a 24-bit tile without scaling.
void Tiled24(const SURFOBJ* pattern, XLATEOBJ* xlate, BYTE* tile) {
  LONG w = pattern->sizlBitmap.cx, h = pattern->sizlBitmap.cy;
  BOOL green6 = pattern->iBitmapFormat == BMF_16BPP && Green6(xlate);
  for (DWORD y = 0; y < GR_TILE_SIDE; ++y) {
    const BYTE* row = StoredRow(pattern, LONG(y) % h);
    for (DWORD x = 0; x < GR_TILE_SIDE; ++x)
      PixelBytes(pattern, xlate, green6, row, LONG(x) % w, tile + y * kTileRowBytes24 + 3 * x);
  }
}

bool Readable(const SURFOBJ* so) {
  return so && so->pvBits && so->sizlBitmap.cx > 0 && so->sizlBitmap.cy > 0 &&
         (so->iBitmapFormat == BMF_1BPP || so->iBitmapFormat == BMF_4BPP || so->iBitmapFormat == BMF_8BPP ||
          so->iBitmapFormat == BMF_16BPP || so->iBitmapFormat == BMF_24BPP || so->iBitmapFormat == BMF_32BPP);
}

}  // namespace

BOOL GrScalePattern(GR_PDEV* p, SURFOBJ* pattern, XLATEOBJ* xlate, BYTE* tile) {
  LONG w = pattern->sizlBitmap.cx, h = pattern->sizlBitmap.cy;
  if (w == 8 && h == 8) return FALSE;
  LONG side = w <= 2 ? 4 : w <= 4 ? 8 : w > 10 ? 32 : 16;
  HSURF handle = nullptr;
  SURFOBJ* temp = GrCreateTempSurface(p, &handle, side, side, BMF_24BPP);
  if (!temp) return FALSE;
  RECTL to{0, 0, side, side}, from{0, 0, w, h};
  BOOL ok = EngStretchBlt(temp, pattern, nullptr, nullptr, pattern->iBitmapFormat == BMF_8BPP ? xlate : nullptr,
                          nullptr, nullptr, &to, &from, nullptr, COLORONCOLOR);
  if (ok) {
    for (DWORD y = 0; y < GR_TILE_SIDE; ++y) {
      const BYTE* row = static_cast<const BYTE*>(temp->pvScan0) + ptrdiff_t(LONG(y) % side) * temp->lDelta;
      for (DWORD x = 0; x < GR_TILE_SIDE; ++x)
        PutTilePixel(StoredColour(row + 3 * (LONG(x) % side)), tile + y * kTileRowBytes24 + 3 * x);
    }
  }
  GrDeleteTempSurface(temp, handle);
  return ok;
}

// Realizes a hatch or pattern brush as the printer's 32 x 32 tile (one bit with two colours, or 24 bits)
// in memory the engine keeps with the brush (pvRbrush). FALSE with ERROR_INVALID_PARAMETER for an invalid
// context; FALSE without memory, or for a brush that is neither a hatch nor a readable pattern.
BOOL DrvRealizeBrush(BRUSHOBJ* brush, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ*, XLATEOBJ* xlate, ULONG hatch) {
  GR_PDEV* p = Checked(target ? target->dhpdev : nullptr);
  if (!p || !brush) return FALSE;
  if (hatch >= GR_HATCH_STYLES && !Readable(pattern)) return FALSE;
  auto* rb = static_cast<GR_BRUSH*>(BRUSHOBJ_pvAllocRbrush(brush, sizeof(GR_BRUSH)));
  if (!rb) return FALSE;
  std::memset(rb, 0, sizeof *rb);
  rb->side = GR_TILE_SIDE;
  rb->kind = GR_BRUSH_PATTERN1;
  rb->depth = 1;
  if (hatch < GR_HATCH_STYLES) {
    HatchTile(hatch, rb->bits);
    rb->color1 = Entry(xlate, 1, 0x000000);
    rb->color2 = Entry(xlate, 0, 0xFFFFFF);
    brush->pvRbrush = rb;
    return TRUE;
  }
  LONG w = pattern->sizlBitmap.cx, h = pattern->sizlBitmap.cy;
  bool eight = w == 8 && h == 8;
  DWORD two[2] = {};
  bool twoColour = pattern->iBitmapFormat == BMF_24BPP && eight &&
                   GrIsTwoColorPattern(StoredRow(pattern, 0), std::abs(pattern->lDelta), BMF_24BPP, two);
  bool flip = BottomUp(pattern);
  if (pattern->iBitmapFormat == BMF_1BPP || twoColour) {
    if (eight) {
      BYTE rows[8] = {};
      for (LONG y = 0; y < 8; ++y) {
        const BYTE* row = StoredRow(pattern, y);
        if (!twoColour) {
          rows[y] = BYTE(~row[0]);
          continue;
        }
        for (LONG x = 0; x < 8; ++x) {
          if (StoredColour(row + 3 * x) == two[0]) rows[y] |= BYTE(0x80 >> x);
        }
      }
      DoubledTile(rows, rb->bits);
    } else {
      TiledOneBit(pattern, rb->bits);
    }
    rb->color1 = twoColour ? two[0] : Entry(xlate, 0, 0x000000);
    rb->color2 = twoColour ? two[1] : Entry(xlate, 1, 0xFFFFFF);
    if (flip) FlipRows(rb->bits, kTileRowBytes1);
  } else {
    rb->kind = GR_BRUSH_PATTERN24;
    rb->depth = 24;
    rb->color1 = 0x000000;
    rb->color2 = 0xFFFFFF;
    bool scalable = pattern->iBitmapFormat == BMF_8BPP || pattern->iBitmapFormat == BMF_24BPP;
    if (scalable && !eight && GrScalePattern(p, pattern, xlate, rb->bits)) {
      flip = false;  // the engine's stretch read the pattern in its true orientation
    } else {
      Tiled24(pattern, xlate, rb->bits);
    }
    if (flip) FlipRows(rb->bits, kTileRowBytes24);
  }
  brush->pvRbrush = rb;
  return TRUE;
}
