// The drawing objects the graphics engine hands a driver's drawing hooks (clip, path, transform, line
// attributes, brush, colour translation, colour adjustment), their queries, the engine's own drawing
// into bitmaps that a driver falls back on, and the constructors the hosts and tests use to make these
// objects for a drawing call.
//
// Records are pinned to their 64-bit layout. Every object a constructor makes is one live engine object
// (kvp::eng::LiveObjectCount) until its delete function runs; a foreign or deleted object is refused.
#pragma once
#include <cstddef>

#include "kvplat/engine.h"

// ---- Values ------------------------------------------------------------------------------------------

// The hooks' "refused, do not retry in simpler pieces" answer.
#define DDI_ERROR 0xFFFFFFFF

// CLIPOBJ.iDComplexity.
#define DC_TRIVIAL 0
#define DC_RECT 1
#define DC_COMPLEX 3
// CLIPOBJ.iFComplexity.
#define FC_RECT 1
#define FC_RECT4 2
#define FC_COMPLEX 3
// CLIPOBJ.iMode.
#define TC_RECTANGLES 4
#define TC_PATHOBJ 2
// CLIPOBJ_cEnumStart kinds and directions.
#define CT_RECTANGLES 0
#define CD_RIGHTDOWN 0
#define CD_LEFTDOWN 1
#define CD_RIGHTUP 2
#define CD_LEFTUP 3
#define CD_ANY 4

// PATHDATA.flags.
#define PD_BEGINSUBPATH 0x00000001
#define PD_ENDSUBPATH 0x00000002
#define PD_RESETSTYLE 0x00000004
#define PD_CLOSEFIGURE 0x00000008
#define PD_BEZIERS 0x00000010
// PATHOBJ.fl.
#define PO_BEZIERS 0x00000001
#define PO_ELLIPSE 0x00000002

// LINEATTRS.fl, iJoin and iEndCap.
#define LA_GEOMETRIC 0x00000001
#define LA_ALTERNATE 0x00000002
#define LA_STARTGAP 0x00000004
#define LA_STYLED 0x00000008
#define JOIN_ROUND 0
#define JOIN_BEVEL 1
#define JOIN_MITER 2
#define ENDCAP_ROUND 0
#define ENDCAP_SQUARE 1
#define ENDCAP_BUTT 2

// XFORMOBJ_iGetXform complexities.
#define GX_IDENTITY 0
#define GX_OFFSET 1
#define GX_SCALE 2
#define GX_GENERAL 3

// XLATEOBJ.flXlate, and the palettes XLATEOBJ_cGetPalette reads.
#define XO_TRIVIAL 0x00000001
#define XO_TABLE 0x00000002
#define XO_TO_MONO 0x00000004
#define XO_FROM_CMYK 0x00000008
#define XO_DEVICE_ICM 0x00000010
#define XO_HOST_ICM 0x00000020
#define XO_SRCPALETTE 1
#define XO_DESTPALETTE 2

// BRUSHOBJ.flColorType.
#define BR_DEVICE_ICM 0x00000001
#define BR_HOST_ICM 0x00000002
#define BR_CMYKCOLOR 0x00000004

// Hatch styles of the engine's hatched brushes (8 x 8 tiles).
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5
#define HS_DDI_MAX 6

// Fill modes of EngFillPath and the fill hooks.
#define FP_ALTERNATEMODE 1
#define FP_WINDINGMODE 2

// Binary raster operations (mix codes): foreground in bits 0-7, background in bits 8-15.
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Ternary raster operations as 32-bit codes; the ROP3 byte is bits 16-23.
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define NOTSRCCOPY 0x00330008
#define MERGEPAINT 0x00BB0226
#define PATCOPY 0x00F00021
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Stretch modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

// More bitmap formats than engine.h names (compressed forms a driver may be handed but never draws).
#define BMF_4RLE 7
#define BMF_8RLE 8

// ---- Records -----------------------------------------------------------------------------------------

typedef LONG FIX;  // 28.4 fixed point
typedef float FLOATL;
typedef float FLOATOBJ;

typedef struct _POINTFIX {
  FIX x;
  FIX y;
} POINTFIX, *PPOINTFIX;
static_assert(sizeof(POINTFIX) == 8);

typedef struct _RECTFX {
  FIX xLeft;
  FIX yTop;
  FIX xRight;
  FIX yBottom;
} RECTFX, *PRECTFX;
static_assert(sizeof(RECTFX) == 16 && offsetof(RECTFX, yBottom) == 12);

typedef union _FLOAT_LONG {
  FLOATL e;
  LONG l;
} FLOAT_LONG, *PFLOAT_LONG;
static_assert(sizeof(FLOAT_LONG) == 4);

struct _CLIPOBJ {
  ULONG iUniq;
  RECTL rclBounds;
  BYTE iDComplexity;
  BYTE iFComplexity;
  BYTE iMode;
  BYTE fjOptions;
};
static_assert(sizeof(CLIPOBJ) == 24 && offsetof(CLIPOBJ, rclBounds) == 4 && offsetof(CLIPOBJ, iDComplexity) == 20 &&
              offsetof(CLIPOBJ, iFComplexity) == 21 && offsetof(CLIPOBJ, iMode) == 22 &&
              offsetof(CLIPOBJ, fjOptions) == 23);

// The buffer of CLIPOBJ_bEnum: a count and that many rectangles (callers declare their own capacity).
typedef struct _ENUMRECTS {
  ULONG c;
  RECTL arcl[1];
} ENUMRECTS;
static_assert(sizeof(ENUMRECTS) == 20 && offsetof(ENUMRECTS, arcl) == 4);

struct _PATHOBJ {
  FLONG fl;
  ULONG cCurves;
};
static_assert(sizeof(PATHOBJ) == 8 && offsetof(PATHOBJ, cCurves) == 4);

typedef struct _PATHDATA {
  FLONG flags;
  ULONG count;
  POINTFIX* pptfx;
} PATHDATA, *PPATHDATA;
static_assert(sizeof(PATHDATA) == 16 && offsetof(PATHDATA, count) == 4 && offsetof(PATHDATA, pptfx) == 8);

struct _XFORMOBJ {
  ULONG ulReserved;
};
static_assert(sizeof(XFORMOBJ) == 4);

typedef struct _XFORML {
  FLOATL eM11;
  FLOATL eM12;
  FLOATL eM21;
  FLOATL eM22;
  FLOATL eDx;
  FLOATL eDy;
} XFORML, *PXFORML;
static_assert(sizeof(XFORML) == 24 && offsetof(XFORML, eM22) == 12 && offsetof(XFORML, eDy) == 20);

struct _LINEATTRS {
  FLONG fl;
  ULONG iJoin;
  ULONG iEndCap;
  FLOAT_LONG elWidth;
  FLOATL eMiterLimit;
  ULONG cstyle;
  PFLOAT_LONG pstyle;
  FLOAT_LONG elStyleState;
};
static_assert(sizeof(LINEATTRS) == 40 && offsetof(LINEATTRS, elWidth) == 12 &&
              offsetof(LINEATTRS, eMiterLimit) == 16 && offsetof(LINEATTRS, cstyle) == 20 &&
              offsetof(LINEATTRS, pstyle) == 24 && offsetof(LINEATTRS, elStyleState) == 32);

struct _BRUSHOBJ {
  ULONG iSolidColor;  // 0xFFFFFFFF for a pattern brush
  void* pvRbrush;     // the driver's realization, once made
  FLONG flColorType;
};
static_assert(sizeof(BRUSHOBJ) == 24 && offsetof(BRUSHOBJ, pvRbrush) == 8 && offsetof(BRUSHOBJ, flColorType) == 16);

struct _XLATEOBJ {
  ULONG iUniq;
  FLONG flXlate;
  USHORT iSrcType;
  USHORT iDstType;
  ULONG cEntries;
  ULONG* pulXlate;
};
static_assert(sizeof(XLATEOBJ) == 24 && offsetof(XLATEOBJ, iSrcType) == 8 && offsetof(XLATEOBJ, iDstType) == 10 &&
              offsetof(XLATEOBJ, cEntries) == 12 && offsetof(XLATEOBJ, pulXlate) == 16);

struct _COLORADJUSTMENT {
  USHORT caSize;
  USHORT caFlags;
  USHORT caIlluminantIndex;
  USHORT caRedGamma;
  USHORT caGreenGamma;
  USHORT caBlueGamma;
  USHORT caReferenceBlack;
  USHORT caReferenceWhite;
  SHORT caContrast;
  SHORT caBrightness;
  SHORT caColorfulness;
  SHORT caRedGreenTint;
};
static_assert(sizeof(COLORADJUSTMENT) == 24 && offsetof(COLORADJUSTMENT, caContrast) == 16 &&
              offsetof(COLORADJUSTMENT, caRedGreenTint) == 22);

// ---- Queries on the objects ---------------------------------------------------------------------------

// CLIPOBJ_cEnumStart: starts (again) the enumeration of a clip's rectangles (CT_RECTANGLES only; the
// direction is honoured for CD_RIGHTDOWN and CD_ANY, the others give the same order). cLimit caps the
// count looked at (0: none). Returns the rectangle count when known, else 0xFFFFFFFF.
KVAPI ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit);
// CLIPOBJ_bEnum: fills an ENUMRECTS of cj bytes with the next rectangles (as many as fit, at least one
// when any remain). TRUE while more remain after this batch; FALSE for the last batch or bad arguments
// (then c is 0).
KVAPI BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);
// CLIPOBJ_ppoGetPath: a new path of the clip region's outline (one closed rectangle per clip rectangle,
// or the clip path it was made from); free it with EngDeletePath. Null for a trivial clip or no memory.
KVAPI PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco);

// PATHOBJ_vEnumStart / PATHOBJ_bEnum: enumerate a path's runs of points. bEnum fills *ppd (the points
// stay owned by the path); TRUE while more runs follow, FALSE with the last run (count 0 for an empty
// path or bad arguments).
KVAPI void PATHOBJ_vEnumStart(PATHOBJ* ppo);
KVAPI BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
// PATHOBJ_vGetBounds: the bounds of every point of the path (zero for an empty path).
KVAPI void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx);
// EngDeletePath: frees a path made by the engine (nothing for a foreign or null path).
KVAPI void EngDeletePath(PATHOBJ* ppo);

// XFORMOBJ_iGetXform: copies the transform (when pxform is given) and returns its complexity GX_*;
// a null transform is the identity. DDI_ERROR for a foreign object.
KVAPI ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);

// BRUSHOBJ_pvGetRbrush: the driver's realization of a pattern brush, realizing it first through the
// driver's DrvRealizeBrush when none is kept yet. Null for a solid brush or a failed realization.
KVAPI void* BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
// BRUSHOBJ_pvAllocRbrush: cj bytes the engine keeps with the brush (freed with it) for the driver's
// realization; null for no memory. Only DrvRealizeBrush calls it.
KVAPI void* BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);
// BRUSHOBJ_ulGetBrushColor: the solid colour (0x00BBGGRR), or 0xFFFFFFFF for a pattern brush.
KVAPI ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo);

// XLATEOBJ_iXlate: the target colour of a source index (its table entry; unchanged when the object is
// trivial or the index is outside the table).
KVAPI ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
// XLATEOBJ_cGetPalette: copies up to cPal entries of the source (XO_SRCPALETTE) or target
// (XO_DESTPALETTE) palette; with pPal null, the entry count. 0 for bad arguments.
KVAPI ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal);

// ---- The engine's own drawing into bitmaps ------------------------------------------------------------
// The targets are engine bitmaps (STYPE_BITMAP) of any format BMF_1BPP to BMF_32BPP; a device surface
// holds no bits and is refused (FALSE). Colours of the brush are target-format values; a source is read
// in its own format and turned into the target's through the translation object (indexed sources) or by
// its RGB value. Every result is TRUE when drawn, FALSE for bad arguments.

// EngBitBlt: any ROP4 (foreground ROP3 in bits 0-7 where the mask bit is 1, background in bits 8-15)
// on the target rectangle, clipped, with source, pattern brush and mask as the ROP uses them.
KVAPI BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                     RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
// EngCopyBits: EngBitBlt with SRCCOPY; a target rectangle given right-to-left or bottom-to-top mirrors.
KVAPI BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                       POINTL* pptlSrc);
// EngStrokePath / EngFillPath / EngStrokeAndFillPath: the path drawn with the brush and mix (Béziers
// flattened; wide geometric lines as filled outlines).
KVAPI BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                         POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
KVAPI BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                       FLONG flOptions);
KVAPI BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                FLONG flOptions);
// EngStretchBlt / EngStretchBltROP: the source rectangle scaled into the target rectangle.
KVAPI BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                         COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                         ULONG iMode);
KVAPI BOOL EngStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                            POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4);

typedef BOOL (*PFN_DrvRealizeBrush)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                    XLATEOBJ* pxlo, ULONG iHatch);

// ---- Making the objects of a drawing call (hosts and tests) ---------------------------------------------

namespace kvp::eng {

// Bits per pixel of a bitmap format (0 for a format the engine does not know).
ULONG BitsPerPixel(ULONG format);

// A clip: no rectangles gives DC_TRIVIAL with `bounds` (null: an unbounded clip); one gives DC_RECT;
// more give DC_COMPLEX with the rectangles in the order given (empty ones dropped) and their union as
// bounds. Null for no memory.
CLIPOBJ* CreateClip(const RECTL* rects, ULONG count, ULONG uniq, const RECTL* bounds = nullptr);
// A DC_COMPLEX clip of a closed path's inside (alternate fill), enumerated as one rectangle per row
// run; CLIPOBJ_ppoGetPath gives the path back. Null for an empty path or no memory.
CLIPOBJ* CreateClipFromPath(PATHOBJ* path, ULONG uniq);
void DeleteClip(CLIPOBJ* clip);

// A new empty path; free it with EngDeletePath. Points are 28.4 fixed point.
PATHOBJ* CreatePath();
// Starts a subpath at `pt` (ending the open one).
BOOL PathMoveTo(PATHOBJ* path, POINTFIX pt);
// Lines from the current point through `count` points; FALSE without a current point.
BOOL PathLinesTo(PATHOBJ* path, const POINTFIX* pts, ULONG count);
// Cubic Béziers: `count` must be a multiple of 3 (two control points and an end point each).
BOOL PathBeziersTo(PATHOBJ* path, const POINTFIX* pts, ULONG count);
// Closes the open subpath (PD_CLOSEFIGURE on its last run).
BOOL PathCloseFigure(PATHOBJ* path);
// Appends one run exactly as given (flags PD_*), for paths no well-behaved engine would build.
BOOL PathAddRawRun(PATHOBJ* path, FLONG flags, const POINTFIX* pts, ULONG count);

// A transform (null: the identity).
XFORMOBJ* CreateXform(const XFORML* xform);
void DeleteXform(XFORMOBJ* xform);

// A solid brush of a target-format colour.
BRUSHOBJ* CreateSolidBrush(ULONG color, FLONG flColorType = 0);
// A pattern brush realized on first use through `realize` (the driver's DrvRealizeBrush) with the
// target surface, the pattern (and mask) bitmaps, translation and hatch index; the brush keeps
// references, not copies, so they must outlive it.
BRUSHOBJ* CreatePatternBrush(SURFOBJ* target, SURFOBJ* pattern, SURFOBJ* mask, XLATEOBJ* xlate, ULONG hatch,
                             PFN_DrvRealizeBrush realize, FLONG flColorType = 0);
// A hatched brush: the engine's own 8 x 8 one-bit tile of style HS_* in `fore` on `back` (0x00BBGGRR),
// realized like a pattern brush. Null for a style outside HS_* or no memory.
BRUSHOBJ* CreateHatchBrush(SURFOBJ* target, ULONG hatch, ULONG fore, ULONG back, PFN_DrvRealizeBrush realize,
                           FLONG flColorType = 0);
void DeleteBrush(BRUSHOBJ* brush);

// A translation: `count` 0x00BBGGRR entries (XO_TABLE), or none (XO_TRIVIAL); extra flags (XO_HOST_ICM)
// are added as given.
XLATEOBJ* CreateXlate(const ULONG* table, ULONG count, FLONG flags = 0);
void DeleteXlate(XLATEOBJ* xlate);

// Line attributes owning their style array.
struct LineAttrs {
  LINEATTRS attrs{};
  FLOAT_LONG style[16]{};
};
// Cosmetic (width 1) or geometric line attributes; `style` entries (cosmetic: integers in style units;
// geometric: floats in device units) up to 16.
void MakeLineAttrs(LineAttrs* out, bool geometric, float width, ULONG join, ULONG cap, float miterLimit,
                   const float* style = nullptr, ULONG styleCount = 0, FLONG extraFlags = 0);

// The colour of one pixel of a bitmap in its own format (1-8 bpp: the index; 16 bpp: 5-5-5 value;
// 24 and 32 bpp: 0x00RRGGBB). 0xFFFFFFFF outside the bitmap or for a device surface.
ULONG GetPixel(const SURFOBJ* pso, LONG x, LONG y);

}  // namespace kvp::eng
