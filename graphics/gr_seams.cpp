// Least bodies of the graphics library's operations that later work fills in: the job and page hooks,
// the drawing hooks, the drawing state, images and text conversion.
#include "gr_blt.h"
#include "gr_builds.h"
#include "gr_heap.h"
#include "gr_hooks.h"
#include "gr_image.h"
#include "gr_jobctl.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "gr_pjl.h"
#include "gr_state.h"
#include "gr_text.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvseam.h"

KV_SEAM(DrvBitBlt) BOOL DrvBitBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*, POINTL*, BRUSHOBJ*, POINTL*,
                       ROP4) { return FALSE; }
KV_SEAM(DrvStrokePath) BOOL DrvStrokePath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS*, MIX) { return FALSE; }
KV_SEAM(DrvFillPath) BOOL DrvFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG) { return FALSE; }
KV_SEAM(DrvStrokeAndFillPath) BOOL DrvStrokeAndFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*, POINTL*, MIX,
                                  FLONG) { return FALSE; }
KV_SEAM(DrvGetGlyphMode) ULONG DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return 1; }
KV_SEAM(DrvCopyBits) BOOL DrvCopyBits(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*) { return FALSE; }
KV_SEAM(DrvQueryFont) IFIMETRICS* DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) { return nullptr; }
KV_SEAM(DrvQueryFontData) LONG DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, void*, ULONG) { return -1; }
KV_SEAM(DrvQueryFontTree) void* DrvQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) { return nullptr; }
KV_SEAM(DrvQueryAdvanceWidths) BOOL DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, void*, ULONG) { return FALSE; }
KV_SEAM(DrvTextOut) BOOL DrvTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
  return FALSE;
}

KV_SEAM(GrCreateClipCache) GR_CLIP_CACHE* GrCreateClipCache(GR_PDEV* pdev) {
  return static_cast<GR_CLIP_CACHE*>(GrHeapAlloc(pdev->heap, sizeof(GR_CLIP_CACHE)));
}
KV_SEAM(GrFreeClipCache) void GrFreeClipCache(GR_PDEV* pdev, GR_CLIP_CACHE* entry) { GrHeapFree(pdev->heap, entry); }
KV_SEAM(GrSetClip) LONG_PTR GrSetClip(GR_PDEV*, CLIPOBJ*) { return 0; }
KV_SEAM(GrSetRop) BOOL GrSetRop(GR_PDEV*, BYTE) { return TRUE; }
KV_SEAM(GrPutCopiedImage) BOOL GrPutCopiedImage(GR_PDEV*, XLATEOBJ*, SURFOBJ*, POINTL*, RECTL*) { return TRUE; }
// Drawing state, paths and block transfers not built yet: nothing is written and every set succeeds.
KV_SEAM(GrGetBrush) GR_BRUSH* GrGetBrush(GR_PDEV*, SURFOBJ*, BRUSHOBJ*, POINTL*) { return nullptr; }
KV_SEAM(GrSetBackgroundMode) BOOL GrSetBackgroundMode(GR_PDEV*, BYTE) { return TRUE; }
KV_SEAM(GrSetPatternBrush) BOOL GrSetPatternBrush(GR_PDEV*, GR_BRUSH* brush) { return brush != nullptr; }
KV_SEAM(GrSetColorBrush) BOOL GrSetColorBrush(GR_PDEV*, GR_COLOR_BRUSH* brush) { return brush != nullptr; }
KV_SEAM(GrSetLineAttributes) BOOL GrSetLineAttributes(GR_PDEV*, const GR_LINE_ATTRS*) { return TRUE; }
KV_SEAM(GrInvalidateClipCache) void GrInvalidateClipCache(GR_CLIP_CACHE* entry) {
  if (entry) entry->valid = 0;
}
KV_SEAM(GrPutClipRect) BYTE* GrPutClipRect(GR_PDEV*, RECTL*) { return nullptr; }
KV_SEAM(GrFillClipSpans) BYTE* GrFillClipSpans(ZARN_STREAM*, CLIPOBJ*, RECTL*) { return nullptr; }
KV_SEAM(GrResetDrawState) void GrResetDrawState(GR_PDEV* pdev) {
  if (pdev->clipCache) pdev->clipCache->valid = 0;
  pdev->drawState = GR_DRAW_STATE{};
}
KV_SEAM(GrPathFitsDevice) BOOL GrPathFitsDevice(GR_PDEV*, PATHOBJ*) { return TRUE; }
KV_SEAM(GrPutPathRecord) BYTE* GrPutPathRecord(GR_PDEV*, PATHOBJ*, BYTE) { return nullptr; }
KV_SEAM(GrEncodeOutline) DWORD GrEncodeOutline(GR_PDEV*, PATHOBJ*, DWORD* closed, BYTE*, DWORD, LONG, LONG) {
  if (closed) *closed = 0;
  return 0;
}
KV_SEAM(GrAllocOutline) BYTE* GrAllocOutline(GR_PDEV* pdev, ULONG curves) {
  return static_cast<BYTE*>(GrHeapAlloc(pdev->heap, 40u * curves + 16u));
}
KV_SEAM(GrCreateTempSurface) SURFOBJ* GrCreateTempSurface(GR_PDEV*, HSURF* handle, LONG, LONG, ULONG) {
  if (handle) *handle = nullptr;
  return nullptr;
}
KV_SEAM(GrDeleteTempSurface) void GrDeleteTempSurface(SURFOBJ*, HSURF) {}
KV_SEAM(GrPutBltImage) BOOL GrPutBltImage(GR_PDEV*, XLATEOBJ*, SURFOBJ*, POINTL*, RECTL*, POINTL*, SURFOBJ*, POINTL*, ROP4) {
  return FALSE;
}
KV_SEAM(GrPutImageDirect24) BYTE* GrPutImageDirect24(GR_PDEV*, SURFOBJ*, POINTL*, RECTL*) { return nullptr; }
KV_SEAM(GrUnicodeToPrinterText) int GrUnicodeToPrinterText(BYTE* out, const WCHAR* text, DWORD bytes, DWORD) {
  int chars = int(bytes / sizeof(WCHAR));
  int n = chars ? WideCharToMultiByte(CP_ACP, 0, text, chars, reinterpret_cast<char*>(out), 2 * chars, nullptr, nullptr) : 0;
  if (n < 0) n = 0;
  out[n] = 0;
  return n;
}
KV_SEAM(GrFreeFontTable) void GrFreeFontTable(GR_PDEV*, void*) {}
KV_SEAM(GrFreeGlyphCache) void GrFreeGlyphCache(GR_PDEV*) {}
KV_SEAM(GrSetBiDirectFromFlag) void GrSetBiDirectFromFlag(SETTING_CONTEXT*) {}
KV_SEAM(GrJcImportJobItemsIfOn) void GrJcImportJobItemsIfOn(SETTING_CONTEXT*, HANDLE, DWORD) {}
// No PJL text yet: empty header, page header and trailer blocks.
KV_SEAM(GrJobHeaderProducer) int GrJobHeaderProducer(SETTING_CONTEXT*, DWORD, char*, DWORD* length) {
  if (length) *length = 0;
  return 0;
}
KV_SEAM(GrPageHeaderProducer) int GrPageHeaderProducer(SETTING_CONTEXT*, DWORD, char*, DWORD* length) {
  if (length) *length = 0;
  return 0;
}
KV_SEAM(GrPageTrailerProducer) int GrPageTrailerProducer(SETTING_CONTEXT*, DWORD, char*, DWORD* length) {
  if (length) *length = 0;
  return 0;
}
