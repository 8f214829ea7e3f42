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

KV_SEAM(DrvGetGlyphMode) ULONG DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return 1; }
KV_SEAM(DrvQueryFont) IFIMETRICS* DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) { return nullptr; }
KV_SEAM(DrvQueryFontData) LONG DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, void*, ULONG) { return -1; }
KV_SEAM(DrvQueryFontTree) void* DrvQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) { return nullptr; }
KV_SEAM(DrvQueryAdvanceWidths) BOOL DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, void*, ULONG) { return FALSE; }
KV_SEAM(DrvTextOut) BOOL DrvTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
  return FALSE;
}

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
