// The overlays of the paper preview: the watermark and the copy-protection pattern that will be
// printed, drawn at the preview's scale onto the paper picture of the composition.
#pragma once
#include <cstdint>

#include "kvplat/paint.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct CONTROL_DESC;

// The preview's extra data (tag 8): the setting ids of the watermark's elements, 0 leaves one out.
struct WATERMARK_PREVIEW_DESC {
  WORD tag;  // 8
  WORD text;
  WORD fontName;
  WORD fontStyle;
  WORD effect;
  WORD colour;
  WORD density;
  WORD angle;
  WORD fontPoint;
  WORD picturePath;
  WORD pictureScale;
  WORD position;
  WORD tiled;
  WORD opaque;
  WORD pages;
};
static_assert(sizeof(WATERMARK_PREVIEW_DESC) == 30 && offsetof(WATERMARK_PREVIEW_DESC, opaque) == 26);

// sin and cos of the whole degrees 0-359 times 100, rounded.
const int16_t* DlgSineTable();
const int16_t* DlgCosineTable();
// An angle in whole degrees taken into 0-359.
int DlgNormaliseAngle(int64_t degrees);

// The overlay's top-left corner in the buffer for a w x h overlay on the picture's rectangle.
POINT DlgOverlayOrigin(const RECT& rect, LONG w, LONG h, bool watermark);
// The colour of a density (watermark 0-100, pattern 0-5, clamped) and a colour code 1-6 (others grey).
COLORREF DlgOverlayColour(LONG density, DWORD code, bool watermark);
// A text box cx x cy with its text origin turned by an escapement (tenths of a degree).
struct OVERLAY_BOX {
  POINT corner[4];  // P0 (0, 0), P1 (0, cy), P2 (cx, cy), P3 (cx, 0) after the turn
  POINT origin;     // P4
  LONG width;
  LONG height;
};
OVERLAY_BOX DlgTurnBox(LONG cx, LONG cy, POINT origin, LONG escapement);
// The same for the circle effect: the box in a D x D square turned about its centre.
OVERLAY_BOX DlgTurnCircleBox(LONG cx, LONG cy, LONG escapement, LONG* diameter);
// Where a bw x bh box goes in a w x h overlay for a position code.
POINT DlgPlaceBox(DWORD code, LONG w, LONG h, LONG bw, LONG bh);
// The font height of a point size at the preview's scale; 0 when the paper is shorter than one inch
// at the resolution (no overlay then).
LONG DlgOverlayFontHeight(LONG points, LONG shortSide, LONG resolution, LONG escapement);

// The painters of module event 7: 0 when the watermark drew nothing.
int DlgPaintWatermarkPreview(SETTING_CONTEXT* ctx, CONTROL_DESC* control, LONG width, LONG height, HDC dc,
                             const RECT* rect);
void DlgPaintCopyProtectPreview(SETTING_CONTEXT* ctx, CONTROL_DESC* control, LONG width, LONG height, HDC dc,
                                const RECT* rect);
