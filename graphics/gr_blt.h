// Block transfers and copies: bitmaps as ZARN image records (opcode 32) and rectangle fills (opcode
// 16), with the pixel-format rules, palettes and temporary surfaces shared with stretched images.
#pragma once
#include "gr_image.h"
#include "gr_state.h"
#include "kvplat/engine_draw.h"

struct GR_PDEV;

// The ROP4 that leaves the destination as it is.
constexpr ROP4 GR_ROP4_NOP = 0xAAAA;

// The mix code of a ROP4: each ROP3 byte through the ROP3-to-mix table (0 for a ROP3 that involves the
// source), the background's in bits 8-15.
MIX GrRopToMix(ROP4 rop);
// The ROP3 byte of a 32-bit raster operation code (bits 16-23).
BYTE GrRop3Of(DWORD rop);
// Bytes of one row of a temporary bitmap: rows of 1 to 24 bits per pixel rounded up to 32 bits;
// BMF_32BPP rows are width * 4.
LONG GrBitmapStride(ULONG format, LONG width);
// A locked, top-down temporary bitmap of the context's device; *handle receives its handle. None (and
// nothing left behind) on failure. Release with GrDeleteTempSurface.
SURFOBJ* GrCreateTempSurface(GR_PDEV* pdev, HSURF* handle, LONG width, LONG height, ULONG format);
// Unlocks and deletes a temporary bitmap (nothing for none).
void GrDeleteTempSurface(SURFOBJ* so, HSURF handle);
// Sends a block transfer's source (converted, masked or as it is) as image records at the target
// rectangle. FALSE when it cannot be prepared or written.
BOOL GrPutBltImage(GR_PDEV* pdev, XLATEOBJ* xlate, SURFOBJ* source, POINTL* brushOrigin, RECTL* target,
                   POINTL* sourcePoint, SURFOBJ* mask, POINTL* maskPoint, ROP4 rop);
// The printer's image format of a source format (the format code of the record), the format of a
// temporary surface, and whether the printer cannot take the source as it is.
struct GR_PIXEL_FORMAT {
  DWORD code;
  ULONG temporary;
  bool convert;
};
GR_PIXEL_FORMAT GrPixelFormatOf(ULONG format);
// A source of 1, 4 or 8 bits whose translation table is the grey ramp of its depth (2, 16 or 256
// entries from black to white): it goes out without a palette.
bool GrIsGreySource(const SURFOBJ* source, const XLATEOBJ* xlate);
// The palette of an image of format code `code` (three bytes per entry, the whole depth, entries the
// table lacks black) in a private-heap block, or none for a 24-bit image, no table or a grey source;
// *failed when the block cannot be had.
BYTE* GrMakePalette(GR_PDEV* pdev, DWORD code, const XLATEOBJ* xlate, bool grey, bool* failed);
// True when a bitmap's rows lie as the image writer reads them (rows of whole 32-bit words).
bool GrWriterLayout(const SURFOBJ* so);
// The whole bitmap as one image record at (x, y), w by h, from source origin (sx, sy); row by row when
// the record cannot be had at once. FALSE when neither goes out.
BOOL GrPutWholeImage(GR_PDEV* pdev, LONG x, LONG y, LONG w, LONG h, LONG sx, LONG sy, const SURFOBJ* bits,
                     DWORD format, const BYTE* palette);
// A sub-rectangle of a 24-bit source written straight into one image record; none for another format,
// a source point outside the bitmap or a record that cannot be written.
BYTE* GrPutImageDirect24(GR_PDEV* pdev, SURFOBJ* source, POINTL* sourcePoint, RECTL* target);
