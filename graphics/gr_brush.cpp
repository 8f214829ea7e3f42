// DrvDitherColor, the colour transforms of a device context, the hatch table and the pattern helpers.
#include "gr_brush.h"

#include "gr_hooks.h"
#include "gr_pdev.h"
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

}  // namespace

void GrPixel16ToBytes(WORD pixel, BOOL green6, BYTE out[3]) {
  out[0] = Scale(pixel & 0x1F, 31);
  if (green6) {
    out[1] = Scale((pixel >> 5) & 0x3F, 63);
    out[2] = Scale((pixel >> 11) & 0x1F, 31);
  } else {
    out[1] = Scale((pixel >> 5) & 0x1F, 31);
    out[2] = Scale((pixel >> 10) & 0x1F, 31);
  }
}

BOOL GrIsTwoColorPattern(const BYTE* bits, LONG rowBytes, ULONG format, DWORD colors[2]) {
  if (format != BMF_24BPP || !bits || !colors) return FALSE;
  DWORD found[2] = {};
  int count = 0;
  for (int y = 0; y < 8; ++y) {
    const BYTE* row = bits + ptrdiff_t(y) * rowBytes;
    for (int x = 0; x < 8; ++x) {
      const BYTE* px = row + 3 * x;
      DWORD value = DWORD(px[0]) | DWORD(px[1]) << 8 | DWORD(px[2]) << 16;
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
