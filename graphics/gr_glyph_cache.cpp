// The glyph cache of a device context: the glyphs the printer keeps for the current page, hashed into
// 1024 buckets, entries from the context's private heap.
#include "gr_pdev.h"
#include "gr_text.h"

namespace {
constexpr DWORD kBuckets = sizeof(GR_GLYPH_CACHE::buckets) / sizeof(GR_GLYPH_CACHE::buckets[0]);
static_assert(kBuckets == 1024);
}  // namespace

DWORD GrGlyphHash(GR_PDEV*, DWORD fontId, WORD generation, WORD code) {
  return (fontId + DWORD(generation) + DWORD(code)) & (kBuckets - 1);
}

BOOL GrGlyphCacheFind(GR_PDEV* pdev, DWORD bucket, DWORD fontId, WORD generation, WORD code, BYTE kind) {
  if (!pdev || bucket >= kBuckets) return FALSE;
  for (const GR_GLYPH_ENTRY* e = pdev->glyphCache.buckets[bucket]; e; e = e->next)
    if (e->fontId == fontId && e->generation == generation && e->code == code && e->kind == kind) return TRUE;
  return FALSE;
}

GR_GLYPH_ENTRY* GrGlyphCacheAdd(GR_PDEV* pdev, DWORD bucket, DWORD fontId, WORD generation, WORD code, BYTE kind) {
  if (!pdev || bucket >= kBuckets) return nullptr;
  auto* e = static_cast<GR_GLYPH_ENTRY*>(GrHeapAlloc(pdev->heap, sizeof(GR_GLYPH_ENTRY)));
  if (!e) return nullptr;
  e->fontId = fontId;
  e->generation = generation;
  e->code = code;
  e->kind = kind;
  GR_GLYPH_ENTRY** link = &pdev->glyphCache.buckets[bucket];
  while (*link) link = &(*link)->next;
  *link = e;
  return e;
}

BOOL GrFreeGlyphCache(GR_PDEV* pdev) {
  if (!pdev) return TRUE;
  for (GR_GLYPH_ENTRY*& head : pdev->glyphCache.buckets) {
    for (GR_GLYPH_ENTRY* e = head; e;) {
      GR_GLYPH_ENTRY* next = e->next;
      GrHeapFree(pdev->heap, e);
      e = next;
    }
    head = nullptr;
  }
  pdev->glyphCache.generation = SHORT(WORD(pdev->glyphCache.generation) + 1);
  return TRUE;
}
