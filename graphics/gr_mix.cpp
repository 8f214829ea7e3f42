// Mix codes, raster operations and colour byte order of the drawing hooks.
#include <array>

#include "gr_blt.h"
#include "gr_state.h"

namespace {

// The ternary operation of the brush on the destination for each mix code. R2_BLACK and R2_WHITE give
// 0xFF and 0x00: the printer takes these two the other way round from the usual ternary constants.
constexpr std::array<BYTE, 17> kMixToRop3 = {0xCC, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                             0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00};

// The ROP3 bytes that involve only the brush and the destination, in mix order 1 to 16.
constexpr std::array<BYTE, 16> kRop3OfMix = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                             0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};

constexpr std::array<BYTE, 256> MakeRop3ToMix() {
  std::array<BYTE, 256> t{};
  for (size_t i = 0; i < kRop3OfMix.size(); ++i) t[kRop3OfMix[i]] = BYTE(i + 1);
  return t;
}
constexpr std::array<BYTE, 256> kRop3ToMix = MakeRop3ToMix();
static_assert(kRop3ToMix[0x00] == R2_BLACK && kRop3ToMix[0xF0] == R2_COPYPEN && kRop3ToMix[0xAA] == R2_NOP &&
              kRop3ToMix[0xFF] == R2_WHITE && kRop3ToMix[0xCC] == 0);

}  // namespace

BYTE GrMix2ToRop3(MIX mix) {
  BYTE m = BYTE(mix & 0xFF);
  return m < kMixToRop3.size() ? kMixToRop3[m] : 0xCC;
}

int GrSplitMix(GR_PDEV*, MIX mix, GR_COLOR_BRUSH* out, int hasExtra) {
  out->foregroundMix = BYTE(mix & 0xFF);
  out->backgroundMode = ((mix >> 8) & 0xFF) == R2_NOP ? 1 : 2;
  out->hasExtra = hasExtra == 1 ? 1 : 0;
  return 1;
}

void GrSwapRB(DWORD* color) { *color = (*color & 0xFF00FF00u) | ((*color & 0xFF) << 16) | ((*color >> 16) & 0xFF); }

void GrSwapBrushColors(GR_COLOR_BRUSH* b) {
  GrSwapRB(&b->color1);
  GrSwapRB(&b->color2);
  if (b->extraColor) GrSwapRB(&b->extraColor);
}

MIX GrRopToMix(ROP4 rop) { return MIX(kRop3ToMix[rop & 0xFF]) | (MIX(kRop3ToMix[(rop >> 8) & 0xFF]) << 8); }

BYTE GrRop3Of(DWORD rop) { return BYTE((rop >> 16) & 0xFF); }

LONG GrBitmapStride(ULONG format, LONG width) {
  int64_t w = width;
  if (format == BMF_32BPP) return LONG((w * 32 + 7) / 8);
  int64_t bpp = 1;
  switch (format) {
    case BMF_4BPP: bpp = 4; break;
    case BMF_8BPP: bpp = 8; break;
    case BMF_16BPP: bpp = 16; break;
    case BMF_24BPP: bpp = 24; break;
    default: bpp = 1; break;
  }
  return LONG(((w * bpp + 7) / 8 + 3) & ~int64_t(3));
}
