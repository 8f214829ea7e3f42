// Brushes, dithering and colour transforms of the graphics library: the hatch tiles, pattern tiles of
// one or 24 bits per pixel, and the one colour transform (with its profile) a device context keeps.
#pragma once
#include "kvplat/engine.h"

struct GR_PDEV;

constexpr ULONG GR_HATCH_STYLES = 6;  // HS_HORIZONTAL .. HS_DIAGCROSS
constexpr ULONG DCR_HALFTONE = 2;
constexpr DWORD GR_TILE_SIDE = 32;
constexpr DWORD GR_TILE_ONE_BIT_BYTES = GR_TILE_SIDE * GR_TILE_SIDE / 8;  // 128
constexpr DWORD GR_TILE_24_BIT_BYTES = GR_TILE_SIDE * GR_TILE_SIDE * 3;   // 3072

// Eight rows per hatch style, most significant bit leftmost.
extern const BYTE GR_HATCH_ROWS[GR_HATCH_STYLES][8];

// A 16-bit pixel (little-endian word) as a tile pixel's three bytes red, green, blue, each field scaled
// so that its full value gives 255: 5-5-5 with blue at bit 0, green at 5 and red at 10, or with `green6`
// 5-6-5 with red at bit 11.
void GrPixel16ToBytes(WORD pixel, BOOL green6, BYTE out[3]);
// For an 8 x 8 24-bit pattern (rows `rowBytes` apart from `bits`): TRUE when it holds at most two
// distinct pixel values; `colors` then receives the first and the second value found (0 when there is
// only one), each as a colour with red in the low byte (the pixel's bytes are stored blue first). FALSE
// for another format.
BOOL GrIsTwoColorPattern(const BYTE* bits, LONG rowBytes, ULONG format, DWORD colors[2]);

// Fills a 3072-byte 24-bit tile (32 x 32, top row first) from a pattern that is not 8 x 8 by letting the
// engine stretch it to a side of 4, 8, 16 or 32 (by the pattern's width) and tiling that. FALSE for an
// 8 x 8 pattern, when no temporary surface can be had or the stretch fails.
BOOL GrScalePattern(GR_PDEV* pdev, SURFOBJ* pattern, XLATEOBJ* xlate, BYTE* tile);

// Closes the context's kept colour transform and profile (each when present) and forgets them.
void GrReleaseColorTransform(GR_PDEV* pdev);
// Hands the kept transform and profile of `from` to `to` (a reset within a document): `to` closes a pair
// of its own first, `from` forgets the pair so that its release leaves it open.
void GrHandOverColorTransform(GR_PDEV* from, GR_PDEV* to);
