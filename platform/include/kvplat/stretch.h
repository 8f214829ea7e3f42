// What tests and hosts can see of the engine's stretching (EngStretchBlt, EngStretchBltROP, declared with
// the other drawing calls in engine_draw.h), and the switch that makes large bitmaps fail to be created.
//
// The engine stretches by nearest neighbour in every stretch mode: the target pixel whose centre lies at
// a given fraction of the target rectangle takes the source pixel at the same fraction of the source
// rectangle (a mask pixel likewise, from the mask point). A rectangle given right to left or bottom to
// top mirrors. Colours, the ROP4 and the clip are those of EngBitBlt. HALFTONE and the colour adjustment
// are recorded but change no colour. A source rectangle reaching outside the source bitmap, a mask that is
// not one bit per pixel, a surface that is no live bitmap or an unknown mode are refused (FALSE,
// ERROR_INVALID_PARAMETER).
#pragma once
#include <cstddef>
#include <vector>

#include "kvplat/engine.h"

namespace kvp::eng {

// One stretch the engine was asked for.
struct StretchCall {
  ULONG mode = 0;
  bool adjusted = false;  // a colour adjustment was given
  COLORADJUSTMENT adjustment{};
  ULONG sourceFormat = 0, targetFormat = 0;
  RECTL target{}, source{};
  DWORD rop4 = 0;
  bool masked = false;
  bool translated = false;  // a translation object was given
  bool drawn = false;       // the call returned TRUE
};
// The stretches since the last ClearStretchLog, oldest first.
std::vector<StretchCall> StretchLog();
void ClearStretchLog();

}  // namespace kvp::eng

namespace kvp::test {

// After FailBitmapsAbove(n), EngCreateBitmap refuses (ERROR_NOT_ENOUGH_MEMORY) every bitmap of more than n
// bytes of bits; 0 disarms. For tests of the paths a driver takes when memory is short.
void FailBitmapsAbove(size_t bytes);

}  // namespace kvp::test
