// Stretched images: a source bitmap drawn into a target rectangle of another size, possibly mirrored and
// possibly through a mask. The printer scales images itself; the host prepares the source on a temporary
// surface only where the printer cannot take it as it is, and streams it row by row or sends a reduced
// copy when memory is short.
#pragma once
#include "kvplat/engine.h"

struct GR_PDEV;

constexpr DWORD GR_FORMAT_REDUCED = 0x20000;     // format-word bit of a reduced or halved image
constexpr DWORD GR_FORMAT_HOST_ICM = 0x800;      // format-word bit of an XO_HOST_ICM translation
constexpr DWORD GR_STRIPE_HALVING_BYTES = 0xA00000;  // 24-bit data above which a 32-bit source is halved
constexpr int GR_MAX_REDUCTION = 5;              // reduced copies are tried at 1/2 to 1/5

// The identity colour adjustment the engine's halftoning is handed when the caller gives none.
extern const COLORADJUSTMENT GR_IDENTITY_ADJUSTMENT;

// Clamps a source rectangle to a bitmap of cx by cy pixels: per axis (unless that size is 0) the larger
// end to at most the size and the smaller end to at least 0; a reversed pair keeps its order.
void GrClampSourceRect(RECTL* rect, LONG cx, LONG cy);
// Sends `sourceRect` of `source` as an image at `target` (mirrored where the target runs backwards),
// preparing it on a temporary surface for other formats, sub-rectangles, mirroring, masks (ROP4 0xAACC or
// 0xCCAA with a mask) and host-side reduction, streaming rows or sending a reduced copy when no temporary
// surface can be had. FALSE when the image cannot be prepared or written.
BOOL GrPutStretchedImage(GR_PDEV* pdev, XLATEOBJ* xlate, SURFOBJ* source, COLORADJUSTMENT* ca,
                         POINTL* htOrigin, RECTL* target, RECTL* sourceRect, SURFOBJ* mask, POINTL* maskPoint,
                         ROP4 rop4);
// Streams an 8, 24 or 32-bit source row by row into one image record (32-bit sources through a one-row
// 24-bit surface, halved when the target is smaller in both directions or the 24-bit data exceeds
// GR_STRIPE_HALVING_BYTES). The record, ZS_RECORD_SENT when its header went out already, or none for
// another format, a rectangle outside the source, a missing one-row surface or a failed reservation
// (nothing of the record stays buffered then).
BYTE* GrPutImageStripes(GR_PDEV* pdev, SURFOBJ* source, RECTL* sourceRect, RECTL* target, XLATEOBJ* xlate,
                        COLORADJUSTMENT* ca, POINTL* htOrigin, BOOL grey);
