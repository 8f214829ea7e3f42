// Least bodies of the graphics library's operations that later work fills in: the job and page hooks,
// the drawing hooks, the drawing state, images and text conversion.
#include "gr_builds.h"
#include "gr_heap.h"
#include "gr_hooks.h"
#include "gr_image.h"
#include "gr_jobctl.h"
#include "gr_pdev.h"
#include "gr_pjl.h"
#include "gr_state.h"
#include "gr_text.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"

#define GR_SEAM __attribute__((weak))


GR_SEAM BOOL DrvResetPDEV(DHPDEV, DHPDEV) { return FALSE; }
GR_SEAM BOOL DrvBitBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*, POINTL*, BRUSHOBJ*, POINTL*,
                       ROP4) { return FALSE; }
GR_SEAM BOOL DrvStretchBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*,
                           POINTL*, ULONG) { return FALSE; }
GR_SEAM BOOL DrvStrokePath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS*, MIX) { return FALSE; }
GR_SEAM BOOL DrvFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG) { return FALSE; }
GR_SEAM BOOL DrvStrokeAndFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*, POINTL*, MIX,
                                  FLONG) { return FALSE; }
GR_SEAM BOOL DrvRealizeBrush(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) { return FALSE; }
GR_SEAM ULONG DrvEscape(SURFOBJ*, ULONG, ULONG, void*, ULONG, void*) { return 0; }
GR_SEAM ULONG DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return 1; }
GR_SEAM ULONG DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return 0; }
GR_SEAM BOOL DrvCopyBits(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*) { return FALSE; }
GR_SEAM IFIMETRICS* DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) { return nullptr; }
GR_SEAM LONG DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, void*, ULONG) { return -1; }
GR_SEAM void* DrvQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) { return nullptr; }
GR_SEAM HANDLE DrvIcmCreateColorTransform(DHPDEV, LOGCOLORSPACEW*, void*, ULONG, void*, ULONG, void*, ULONG, DWORD) {
  return nullptr;
}
GR_SEAM BOOL DrvIcmDeleteColorTransform(DHPDEV, HANDLE) { return FALSE; }
GR_SEAM BOOL DrvStretchBltROP(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*,
                              POINTL*, ULONG, BRUSHOBJ*, DWORD) { return FALSE; }
GR_SEAM BOOL DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, void*, ULONG) { return FALSE; }
GR_SEAM BOOL DrvTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
  return FALSE;
}

GR_SEAM GR_CLIP_CACHE* GrCreateClipCache(GR_PDEV* pdev) {
  return static_cast<GR_CLIP_CACHE*>(GrHeapAlloc(pdev->heap, sizeof(GR_CLIP_CACHE)));
}
GR_SEAM void GrFreeClipCache(GR_PDEV* pdev, GR_CLIP_CACHE* entry) { GrHeapFree(pdev->heap, entry); }
GR_SEAM LONG_PTR GrSetClip(GR_PDEV*, CLIPOBJ*) { return 0; }
GR_SEAM BOOL GrSetRop(GR_PDEV*, BYTE) { return TRUE; }
GR_SEAM BOOL GrPutCopiedImage(GR_PDEV*, XLATEOBJ*, SURFOBJ*, POINTL*, RECTL*) { return TRUE; }
GR_SEAM int GrUnicodeToPrinterText(BYTE* out, const WCHAR* text, DWORD bytes, DWORD) {
  int chars = int(bytes / sizeof(WCHAR));
  int n = chars ? WideCharToMultiByte(CP_ACP, 0, text, chars, reinterpret_cast<char*>(out), 2 * chars, nullptr, nullptr) : 0;
  if (n < 0) n = 0;
  out[n] = 0;
  return n;
}
GR_SEAM void GrFreeFontTable(GR_PDEV*, void*) {}
GR_SEAM void GrFreeGlyphCache(GR_PDEV*) {}
GR_SEAM void GrSetBiDirectFromFlag(SETTING_CONTEXT*) {}
GR_SEAM void GrJcImportJobItemsIfOn(SETTING_CONTEXT*, HANDLE, DWORD) {}
// No PJL text yet: empty header, page header and trailer blocks.
GR_SEAM int GrJobHeaderProducer(SETTING_CONTEXT*, DWORD, char*, DWORD* length) {
  if (length) *length = 0;
  return 0;
}
GR_SEAM int GrPageHeaderProducer(SETTING_CONTEXT*, DWORD, char*, DWORD* length) {
  if (length) *length = 0;
  return 0;
}
GR_SEAM int GrPageTrailerProducer(SETTING_CONTEXT*, DWORD, char*, DWORD* length) {
  if (length) *length = 0;
  return 0;
}
