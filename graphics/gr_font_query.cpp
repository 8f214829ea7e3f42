// The engine's device-font queries. The library hands the engine no device fonts of its own (printer
// fonts are chosen by name on the text roads), so every query answers as for an empty font table.
#include "gr_heap.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "gr_text.h"
#include "kvplat/error.h"

namespace {

// The kerning pairs of every face: only the terminating entry.
const FD_KERNINGPAIR kNoKerningPairs[1] = {{0, 0, 0}};

GR_PDEV* Valid(DHPDEV dhpdev) {
  auto* p = static_cast<GR_PDEV*>(dhpdev);
  if (GrIsValidPdev(p)) return p;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

}  // namespace

// DrvGetGlyphMode: the engine keeps the glyphs of every font as bitmaps (FO_GLYPHBITS).
ULONG DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }

// DrvQueryFont: the metrics of a device font. *id is set to 0; null with ERROR_INVALID_PARAMETER for an
// invalid context or a face the context does not have (it has none).
IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG_PTR* id) {
  if (id) *id = 0;
  if (Valid(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

// DrvQueryFontTree: QFT_KERNPAIRS gives the empty kerning-pair list, QFT_GLYPHSET the face's glyph set
// (null: no such face). *id is set to 0; null with ERROR_INVALID_PARAMETER for an invalid context or
// another mode.
void* DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG mode, ULONG_PTR* id) {
  if (id) *id = 0;
  if (!Valid(dhpdev)) return nullptr;
  if (mode == QFT_KERNPAIRS) return const_cast<FD_KERNINGPAIR*>(kNoKerningPairs);
  if (mode == QFT_GLYPHSET) return nullptr;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

// DrvQueryFontData: data of a device font's glyph. DDI_ERROR with ERROR_INVALID_PARAMETER for an invalid
// context or a font that is not one of the context's device fonts (it has none).
LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, void*, ULONG) {
  if (Valid(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return LONG(DDI_ERROR);
}

// DrvQueryAdvanceWidths: TRUE for no glyphs in QAW_GETWIDTHS or QAW_GETEASYWIDTHS; otherwise FALSE with
// ERROR_INVALID_PARAMETER (no device font answers), also for an invalid context.
BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ*, ULONG mode, HGLYPH*, void*, ULONG count) {
  if (!Valid(dhpdev)) return FALSE;
  if ((mode == QAW_GETWIDTHS || mode == QAW_GETEASYWIDTHS) && count == 0) return TRUE;
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

void GrFreeFontTable(GR_PDEV* pdev, void* table) {
  if (pdev && table) GrHeapFree(pdev->heap, table);
}
