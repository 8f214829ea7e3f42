// The graphics library's entry points and the hooks it hands the graphics engine, in hook-table order.
#pragma once
#include "kvplat/engine.h"

// ---- Exported entry points ----

// Reason 1 (process attach) keeps the module handle and creates the library's locks; reason 0 (detach)
// frees the image cache, the cached settings contexts and the locks. TRUE always.
KVAPI BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
// Query DRVQUERY_USERMODE: *needed = 4, and the value 1 in a buffer of at least 4 bytes (else
// ERROR_INSUFFICIENT_BUFFER, FALSE). Any other query: ERROR_INVALID_PARAMETER, FALSE.
KVAPI BOOL DrvQueryDriverInfo(DWORD query, void* buffer, DWORD size, DWORD* needed);
// Hands the engine the driver version and the hook table. FALSE with ERROR_BAD_DRIVER_LEVEL for an
// engine version below 0x30000, ERROR_INVALID_PARAMETER for a record smaller than DRVENABLEDATA (nothing
// written).
KVAPI BOOL DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data);
// Nothing to release.
KVAPI void DrvDisableDriver();

// The module handle kept at process attach (none before it).
HMODULE GrGetModuleHandle();

// ---- Hooks ----
// Every hook checks its device context first: an invalid one sets ERROR_INVALID_PARAMETER and fails.

DHPDEV DrvEnablePDEV(DEVMODEW* devmode, LPWSTR logAddress, ULONG patternCount, HSURF* patterns, ULONG gdiInfoSize,
                     ULONG* gdiInfo, ULONG devInfoSize, DEVINFO* devInfo, HDEV hdev, LPWSTR deviceName,
                     HANDLE printer);
void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
void DrvDisablePDEV(DHPDEV dhpdev);
BOOL DrvResetPDEV(DHPDEV oldPdev, DHPDEV newPdev);
HSURF DrvEnableSurface(DHPDEV dhpdev);
void DrvDisableSurface(DHPDEV dhpdev);
BOOL DrvStartPage(SURFOBJ* so);
BOOL DrvSendPage(SURFOBJ* so);
BOOL DrvStartDoc(SURFOBJ* so, LPWSTR docName, DWORD jobId);
BOOL DrvEndDoc(SURFOBJ* so, FLONG flags);
BOOL DrvStartBanding(SURFOBJ* so, POINTL* origin);
BOOL DrvNextBand(SURFOBJ* so, POINTL* origin);
BOOL DrvBitBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* dstRect,
               POINTL* srcPoint, POINTL* maskPoint, BRUSHOBJ* brush, POINTL* brushOrigin, ROP4 rop);
BOOL DrvStretchBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, COLORADJUSTMENT* ca,
                   POINTL* htOrigin, RECTL* dstRect, RECTL* srcRect, POINTL* maskPoint, ULONG mode);
BOOL DrvStrokePath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush, POINTL* brushOrigin,
                   LINEATTRS* line, MIX mix);
BOOL DrvFillPath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix,
                 FLONG options);
BOOL DrvStrokeAndFillPath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* stroke,
                          LINEATTRS* line, BRUSHOBJ* fill, POINTL* brushOrigin, MIX mix, FLONG options);
BOOL DrvRealizeBrush(BRUSHOBJ* brush, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ* mask, XLATEOBJ* xlate,
                     ULONG hatch);
ULONG DrvEscape(SURFOBJ* so, ULONG escape, ULONG inSize, void* in, ULONG outSize, void* out);
ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* font);
ULONG DrvDitherColor(DHPDEV dhpdev, ULONG mode, ULONG rgb, ULONG* dither);
BOOL DrvCopyBits(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* dstRect, POINTL* srcPoint);
IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR file, ULONG face, ULONG_PTR* id);
LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* font, ULONG mode, HGLYPH glyph, GLYPHDATA* data, void* buffer,
                      ULONG size);
void* DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR file, ULONG face, ULONG mode, ULONG_PTR* id);
HANDLE DrvIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW* colorSpace, void* sourceProfile,
                                  ULONG sourceSize, void* destProfile, ULONG destSize, void* targetProfile,
                                  ULONG targetSize, DWORD reserved);
BOOL DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE transform);
BOOL DrvStretchBltROP(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, COLORADJUSTMENT* ca,
                      POINTL* htOrigin, RECTL* dstRect, RECTL* srcRect, POINTL* maskPoint, ULONG mode,
                      BRUSHOBJ* brush, DWORD rop4);
BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* font, ULONG mode, HGLYPH* glyphs, void* widths, ULONG count);
BOOL DrvTextOut(SURFOBJ* so, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra, RECTL* opaque,
                BRUSHOBJ* fore, BRUSHOBJ* opaqueBrush, POINTL* origin, MIX mix);

// The hook table handed to the engine.
extern const DRVFN GR_HOOK_TABLE[30];
