// The drawing state last sent to the printer, the brush descriptions of the drawing hooks and the
// one-entry clip cache of a device context.
#pragma once
#include "kvplat/engine.h"

struct GR_PDEV;

// The brush description of the drawing hooks: a solid colour or a 32 x 32 pattern tile.
struct GR_BRUSH {
  WORD kind;  // 0 solid, 2 one-bit pattern, 3 24-bit pattern
  WORD originX, originY;
  DWORD color1, color2;
  WORD depth, side;
  DWORD hostIcm;
  BYTE bits[3072];
};

// The colour state one drawing call builds.
struct GR_COLOR_BRUSH {
  BYTE foregroundMix;
  WORD backgroundMode;  // 1 transparent, 2 opaque
  DWORD color2;
  DWORD color1;
  DWORD extraColor;     // the stroke colour of a combined stroke and fill
  WORD hasExtra;
  WORD kind;            // 0 fill, 1 stroke, 2 text, 3 stroke and fill, 4 image or block transfer
  DWORD hostIcm;
};

// The drawing state last written to the stream; each group has its own valid flag.
struct GR_DRAW_STATE {
  WORD lineValid;
  DWORD fontId;
  BYTE glyphKind;
};

// The one-entry clip cache.
struct GR_CLIP_CACHE {
  DWORD valid;
  DWORD clipId;
  void* token;
  DWORD kind;
  RECTL rect;
};

// A new clip cache entry from the context's private heap, or none.
GR_CLIP_CACHE* GrCreateClipCache(GR_PDEV* pdev);
// Frees a clip cache entry of the context (nothing for none).
void GrFreeClipCache(GR_PDEV* pdev, GR_CLIP_CACHE* entry);
// Sends the clip of a drawing call (none: no clip). -1 on failure, 0 when nothing clips, otherwise a
// token that a clip record is in force.
LONG_PTR GrSetClip(GR_PDEV* pdev, CLIPOBJ* clip);
// Sends the ternary raster operation when it differs from the last one. FALSE when it cannot be written.
BOOL GrSetRop(GR_PDEV* pdev, BYTE rop);
