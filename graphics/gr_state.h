// The drawing state last sent to the printer, the brush descriptions of the drawing hooks and the
// one-entry clip cache of a device context. The printer keeps every state value until it is changed, so
// each set operation writes its record only when the value differs from the one last sent on this page.
#pragma once
#include "kvplat/engine.h"
#include "kvplat/engine_draw.h"

struct GR_PDEV;
struct ZARN_STREAM;

// The brush description of the drawing hooks: a solid colour or a 32 x 32 pattern tile.
struct GR_BRUSH {
  WORD kind;  // 0 solid, 2 one-bit pattern, 3 24-bit pattern
  WORD originX, originY;
  DWORD color1, color2;  // red in the low byte; color2 is white for a solid brush
  WORD depth, side;      // 1 or 24 bits per pixel; 32
  DWORD hostIcm;
  BYTE bits[3072];  // 32 rows top row first: 128 bytes at one bit, 3072 at 24 bits
};

constexpr WORD GR_BRUSH_SOLID = 0;
constexpr WORD GR_BRUSH_PATTERN1 = 2;
constexpr WORD GR_BRUSH_PATTERN24 = 3;

// The colour state one drawing call builds.
struct GR_COLOR_BRUSH {
  BYTE foregroundMix;
  WORD backgroundMode;  // 1 transparent, 2 opaque
  DWORD color2;
  DWORD color1;
  DWORD extraColor;  // the stroke colour of a combined stroke and fill
  WORD hasExtra;
  WORD kind;  // 0 fill, 1 stroke, 2 text, 3 stroke and fill, 4 image or block transfer
  DWORD hostIcm;
};

constexpr WORD GR_KIND_FILL = 0;
constexpr WORD GR_KIND_STROKE = 1;
constexpr WORD GR_KIND_TEXT = 2;
constexpr WORD GR_KIND_STROKE_FILL = 3;
constexpr WORD GR_KIND_IMAGE = 4;

// Converted line attributes, as the printer takes them.
struct GR_LINE_ATTRS {
  WORD reserved;
  WORD dashUnit;  // device pixels per dash cell (1 to 255), dashed lines only
  WORD join;      // 0 round, 1 bevel, 2 miter
  WORD cap;       // 0 round, 1 butt, 2 square
  SHORT width;    // device pixels, at least 1
  WORD dashOffset;     // in dash cells
  DWORD miterLimit;    // times 256
  DWORD dashPattern;   // 32 cells, first cell in the top bit, 1 drawn
  DWORD color;
};

// The drawing state last written to the stream; each group has its own valid flag (0: nothing sent yet
// on this page).
struct GR_DRAW_STATE {
  // Line attributes.
  WORD lineValid;
  SHORT lineWidth;
  DWORD dashPattern;
  LONG miterLimit;
  LONG dashUnit;
  BYTE cap, join, dashOffset;
  // Raster operation.
  WORD ropValid;
  BYTE rop;
  // Background mode.
  WORD backgroundValid;
  BYTE backgroundMode;
  // Pattern brush.
  WORD patternValid;
  WORD patternKind, patternX, patternY;
  // Colour brush.
  WORD colorValid;
  SHORT colorBackground;
  SHORT colorHasExtra;
  DWORD color2, color1, extraColor;
  SHORT colorKind;
  DWORD colorHostIcm;  // kept, never compared
  // Font header key of the text hook.
  WORD fontValid;
  DWORD fontId;
  BYTE glyphKind;
};

// The one-entry clip cache.
struct GR_CLIP_CACHE {
  DWORD valid;
  DWORD clipId;
  void* token;  // the clip record last written; only its being non-null matters
  DWORD kind;   // 0 no clip sent, 1 rectangle, 3 complex region
  RECTL rect;
};

constexpr DWORD GR_CLIP_NONE = 0;
constexpr DWORD GR_CLIP_RECT = 1;
constexpr DWORD GR_CLIP_REGION = 3;

// ---- Brushes and mixes ----

// The brush of a drawing call: null without a brush object; a pattern brush's realization (null when
// the engine gives none) with its origin's low bytes; or the context's solid-brush slot filled with the
// solid colour. The host-ICM flag follows the brush object's BR_HOST_ICM.
GR_BRUSH* GrGetBrush(GR_PDEV* pdev, SURFOBJ* so, BRUSHOBJ* brush, POINTL* origin);
// Fills the foreground mix (low byte), the background mode (1 for an R2_NOP background, else 2) and the
// has-extra-colour flag of a colour description. Returns 1.
int GrSplitMix(GR_PDEV* pdev, MIX mix, GR_COLOR_BRUSH* out, int hasExtra);
// Exchanges bytes 0 and 2 of a colour.
void GrSwapRB(DWORD* color);
// GrSwapRB on colours 1 and 2, and on the extra colour when it is non-zero.
void GrSwapBrushColors(GR_COLOR_BRUSH* brush);
// The ternary raster operation of a mix code (low byte; 1 gives 0xFF, 16 gives 0x00, 0 and codes above
// 16 give 0xCC).
BYTE GrMix2ToRop3(MIX mix);

// ---- Set operations: each writes its record only for a value that differs from the last one sent; a
// record that cannot be written gives FALSE and leaves the kept value as it was. ----

BOOL GrSetRop(GR_PDEV* pdev, BYTE rop);
BOOL GrSetBackgroundMode(GR_PDEV* pdev, BYTE mode);
// FALSE for no brush. A pattern is written every time; a solid brush when the kind changed.
BOOL GrSetPatternBrush(GR_PDEV* pdev, GR_BRUSH* brush);
// FALSE for no description.
BOOL GrSetColorBrush(GR_PDEV* pdev, GR_COLOR_BRUSH* brush);
BOOL GrSetLineAttributes(GR_PDEV* pdev, const GR_LINE_ATTRS* attrs);

// ---- Clipping ----

// Sends the clip of a drawing call (none: no clip). -1 on failure, 0 when nothing clips, otherwise a
// token that a clip record is in force.
LONG_PTR GrSetClip(GR_PDEV* pdev, CLIPOBJ* clip);
// A new clip cache entry from the context's private heap, or none.
GR_CLIP_CACHE* GrCreateClipCache(GR_PDEV* pdev);
// Marks the entry invalid (its kind stays).
void GrInvalidateClipCache(GR_CLIP_CACHE* entry);
// The stored token when the entry is valid and holds `kind` with the same rectangle (rectangles) or the
// same non-zero clip id (regions); null otherwise.
void* GrLookupClipCache(GR_CLIP_CACHE* entry, DWORD clipId, DWORD kind, const RECTL* rect);
// Stores an entry and marks it valid. Returns 1.
int GrStoreClipCache(GR_CLIP_CACHE* entry, DWORD clipId, void* token, DWORD kind, const RECTL* rect);
// Frees a clip cache entry of the context (nothing for none).
void GrFreeClipCache(GR_PDEV* pdev, GR_CLIP_CACHE* entry);
// Record 16 in clip mode (5) for a rectangle, or none when it cannot be written.
BYTE* GrPutClipRect(GR_PDEV* pdev, RECTL* rect);
// Writes a clip region as span-fill records (at most 2000 entries each) bounded by `target`. The last
// record, or none when a record or the buffer cannot be had (a region without pixels writes nothing).
BYTE* GrFillClipSpans(ZARN_STREAM* stream, CLIPOBJ* clip, RECTL* target);

// Forgets every state value sent and invalidates the clip cache (at each page start).
void GrResetDrawState(GR_PDEV* pdev);
