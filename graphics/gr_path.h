// Paths and line attributes: the engine's path objects as ZARN path records (opcodes 17 and 18), the
// engine's line attributes in the printer's form, and the outline encoding that clip regions and glyph
// outlines reuse.
#pragma once
#include "gr_state.h"
#include "kvplat/engine_draw.h"

struct GR_PDEV;

// Mode byte of a path record: the drawing mode in the low bits, plus the closed and multi-subpath flags.
constexpr BYTE GR_PATH_STROKE = 0;
constexpr BYTE GR_PATH_FILL_ALTERNATE = 1;
constexpr BYTE GR_PATH_FILL_WINDING = 2;
constexpr BYTE GR_PATH_STROKE_FILL_ALTERNATE = 3;
constexpr BYTE GR_PATH_STROKE_FILL_WINDING = 4;
constexpr BYTE GR_PATH_CLIP = 5;
constexpr BYTE GR_PATH_CLOSED = 0x08;
constexpr BYTE GR_PATH_SUBPATHS = 0x10;

// Bytes reserved for a path of n curves: 40 per curve plus 40.
constexpr DWORD GrPathReserveBytes(ULONG curves) { return 40u * curves + 40u; }
// Paths above this many curves are too large for the printer when the context asks for the check.
constexpr ULONG GR_PATH_CURVE_LIMIT = 5000;

// The engine's line attributes in the printer's form. 1 converted; 0 refused (with *geometric, when
// given, 1 for a geometric line or a transform too small to draw).
int GrConvertLineAttributes(GR_PDEV* pdev, LINEATTRS* line, DWORD color, XFORMOBJ* xform, GR_LINE_ATTRS* out,
                            WORD* geometric);
// -1 for an identity transform, else the mean of |eM11| and |eM22| times 256.
LONG GrXformScale(XFORMOBJ* xform);
// FALSE when the context limits paths and this one has more than 5000 curves.
BOOL GrPathFitsDevice(GR_PDEV* pdev, PATHOBJ* path);

// Writes a path as one record (or one per subpath for a closed multi-subpath stroke) in `mode`. The
// last record written, or none when the path is malformed or a record cannot be written (nothing of a
// failed record stays in the stream).
BYTE* GrPutPathRecord(GR_PDEV* pdev, PATHOBJ* path, BYTE mode);
// One record per subpath; the last record, or none on failure.
BYTE* GrPutPathPerSubpath(GR_PDEV* pdev, PATHOBJ* path, BYTE mode);
// Writes a path's subpath blocks, moved by (dx, dy), after a 4-byte size estimate into `buffer` of
// `capacity` bytes (GrPathReserveBytes of its curves serves). Bytes used (a multiple of 4); 0 for a
// malformed path or one that does not fit. *closed becomes 1 when any subpath is closed.
DWORD GrEncodeOutline(GR_PDEV* pdev, PATHOBJ* path, DWORD* closed, BYTE* buffer, DWORD capacity, LONG dx, LONG dy);
// A private-heap block for the outline of a path of n curves (40 * n + 16 bytes), or none.
BYTE* GrAllocOutline(GR_PDEV* pdev, ULONG curves);

// Fills then strokes (the combined hook's road for pattern brushes). 1 when both were drawn.
int GrFillThenStroke(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* stroke, LINEATTRS* line,
                     BRUSHOBJ* fill, POINTL* brushOrigin, MIX mix, FLONG options);
