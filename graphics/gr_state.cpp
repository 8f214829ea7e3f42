// The drawing state cache and clipping: every state record is written only when its value differs from
// the one last sent on the page, and a clip already in force is not sent again.
#include <algorithm>
#include <cstring>

#include "gr_path.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "zs_stream.h"

namespace {

// Cap and join values the printer knows (1 and 2); anything else goes out as 0 (round).
BYTE PrinterStyle(WORD v) { return v == 1 || v == 2 ? BYTE(v) : 0; }

}  // namespace

GR_BRUSH* GrGetBrush(GR_PDEV* p, SURFOBJ*, BRUSHOBJ* bo, POINTL* origin) {
  if (!bo) return nullptr;
  GR_BRUSH* b;
  if (bo->iSolidColor == 0xFFFFFFFF) {
    b = static_cast<GR_BRUSH*>(BRUSHOBJ_pvGetRbrush(bo));
    if (!b) return nullptr;
    b->originX = origin ? WORD(origin->x & 0xFF) : 0;
    b->originY = origin ? WORD(origin->y & 0xFF) : 0;
  } else {
    b = &p->solidBrush;
    b->kind = GR_BRUSH_SOLID;
    b->originX = b->originY = 0;
    b->color1 = bo->iSolidColor;
    b->color2 = 0xFFFFFF;
  }
  b->hostIcm = (bo->flColorType & BR_HOST_ICM) ? 1 : 0;
  return b;
}

BOOL GrSetRop(GR_PDEV* p, BYTE rop) {
  GR_DRAW_STATE& st = p->drawState;
  if (st.ropValid && st.rop == rop) return TRUE;
  if (!ZsPutRop(&p->stream, rop)) return FALSE;
  st.rop = rop;
  st.ropValid = 1;
  return TRUE;
}

BOOL GrSetBackgroundMode(GR_PDEV* p, BYTE mode) {
  GR_DRAW_STATE& st = p->drawState;
  if (st.backgroundValid && st.backgroundMode == mode) return TRUE;
  if (!ZsPutBackgroundMode(&p->stream, mode)) return FALSE;
  st.backgroundMode = mode;
  st.backgroundValid = 1;
  return TRUE;
}

BOOL GrSetPatternBrush(GR_PDEV* p, GR_BRUSH* b) {
  if (!b) return FALSE;
  GR_DRAW_STATE& st = p->drawState;
  // Patterns are never compared: a pattern brush goes out at every use.
  bool write = !st.patternValid || b->kind != GR_BRUSH_SOLID || b->kind != st.patternKind;
  if (write && !ZsPutPatternBrush(&p->stream, b)) return FALSE;
  bool moved = !st.patternValid || b->originX != st.patternX || b->originY != st.patternY;
  if (moved && !ZsPutPatternOrigin(&p->stream, b->originX, b->originY)) return FALSE;
  st.patternKind = b->kind;
  st.patternX = b->originX;
  st.patternY = b->originY;
  st.patternValid = 1;
  return TRUE;
}

BOOL GrSetColorBrush(GR_PDEV* p, GR_COLOR_BRUSH* b) {
  if (!b) return FALSE;
  GR_DRAW_STATE& st = p->drawState;
  bool same = st.colorValid && SHORT(b->kind) == st.colorKind && SHORT(b->backgroundMode) == st.colorBackground &&
              SHORT(b->hasExtra) == st.colorHasExtra && b->color2 == st.color2 && b->color1 == st.color1 &&
              (!b->hasExtra || b->extraColor == st.extraColor);
  if (same) return TRUE;
  if (!ZsPutColorBrush(&p->stream, b)) return FALSE;
  st.colorKind = SHORT(b->kind);
  st.colorBackground = SHORT(b->backgroundMode);
  st.colorHasExtra = SHORT(b->hasExtra);
  st.color2 = b->color2;
  st.color1 = b->color1;
  st.extraColor = b->extraColor;
  st.colorHostIcm = b->hostIcm;
  st.colorValid = 1;
  return TRUE;
}

BOOL GrSetLineAttributes(GR_PDEV* p, const GR_LINE_ATTRS* a) {
  if (!a) return FALSE;
  GR_DRAW_STATE& st = p->drawState;
  ZARN_STREAM* s = &p->stream;
  bool first = !st.lineValid;
  BYTE cap = PrinterStyle(a->cap), join = PrinterStyle(a->join), offset = BYTE(a->dashOffset);
  if (first || st.lineWidth != a->width || st.dashPattern != a->dashPattern || st.dashUnit != LONG(a->dashUnit)) {
    if (!ZsPutLineWidth(s, WORD(a->width), a->dashPattern, BYTE(a->dashUnit))) return FALSE;
    st.lineWidth = a->width;
    st.dashPattern = a->dashPattern;
    st.dashUnit = LONG(a->dashUnit);
  }
  if (first || st.dashOffset != offset) {
    if (!ZsPutDashOffset(s, offset)) return FALSE;
    st.dashOffset = offset;
  }
  if (first || st.cap != cap) {
    if (!ZsPutLineCap(s, cap)) return FALSE;
    st.cap = cap;
  }
  if (first || st.join != join || st.miterLimit != LONG(a->miterLimit)) {
    if (!ZsPutLineJoin(s, join, a->miterLimit)) return FALSE;
    st.join = join;
    st.miterLimit = LONG(a->miterLimit);
  }
  // Valid only once all four went out, so that a failed first use is written whole next time.
  st.lineValid = 1;
  return TRUE;
}

// ---- Clip cache ----

GR_CLIP_CACHE* GrCreateClipCache(GR_PDEV* p) {
  return static_cast<GR_CLIP_CACHE*>(GrHeapAlloc(p->heap, sizeof(GR_CLIP_CACHE)));
}

void GrFreeClipCache(GR_PDEV* p, GR_CLIP_CACHE* entry) {
  if (entry) GrHeapFree(p->heap, entry);
}

void GrInvalidateClipCache(GR_CLIP_CACHE* entry) {
  if (entry) entry->valid = 0;
}

void* GrLookupClipCache(GR_CLIP_CACHE* e, DWORD clipId, DWORD kind, const RECTL* rect) {
  if (!e || !e->valid || e->kind != kind) return nullptr;
  if (kind == GR_CLIP_RECT) return rect && std::memcmp(&e->rect, rect, sizeof(RECTL)) == 0 ? e->token : nullptr;
  return clipId != 0 && e->clipId == clipId ? e->token : nullptr;
}

int GrStoreClipCache(GR_CLIP_CACHE* e, DWORD clipId, void* token, DWORD kind, const RECTL* rect) {
  if (!e) return 1;
  e->clipId = clipId;
  e->token = token;
  e->kind = kind;
  e->rect = rect ? *rect : RECTL{};
  e->valid = 1;
  return 1;
}

BYTE* GrPutClipRect(GR_PDEV* p, RECTL* rect) { return ZsPutRect(&p->stream, rect, nullptr, GR_PATH_CLIP); }

LONG_PTR GrSetClip(GR_PDEV* p, CLIPOBJ* clip) {
  GR_CLIP_CACHE* cache = p->clipCache;
  ZARN_STREAM* s = &p->stream;
  BYTE complexity = clip ? clip->iDComplexity : BYTE(DC_TRIVIAL);
  auto clipOff = [&](bool always) -> LONG_PTR {
    if (always || (cache && cache->kind != GR_CLIP_NONE)) {
      if (!ZsPutClipReset(s)) return -1;
    }
    if (cache) cache->kind = GR_CLIP_NONE;
    return 0;
  };
  switch (complexity) {
    case DC_TRIVIAL: return clipOff(false);
    case DC_RECT: {
      if (void* token = GrLookupClipCache(cache, clip->iUniq, GR_CLIP_RECT, &clip->rclBounds))
        return reinterpret_cast<LONG_PTR>(token);
      BYTE* rec = GrPutClipRect(p, &clip->rclBounds);
      if (!rec) return -1;
      GrStoreClipCache(cache, clip->iUniq, rec, GR_CLIP_RECT, &clip->rclBounds);
      return reinterpret_cast<LONG_PTR>(rec);
    }
    case DC_COMPLEX: {
      if (void* token = GrLookupClipCache(cache, clip->iUniq, GR_CLIP_REGION, nullptr))
        return reinterpret_cast<LONG_PTR>(token);
      PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
      if (!path) return -1;
      BYTE* rec = GrPutPathRecord(p, path, GR_PATH_CLIP);
      EngDeletePath(path);
      if (!rec) return -1;
      GrStoreClipCache(cache, clip->iUniq, rec, GR_CLIP_REGION, nullptr);
      return reinterpret_cast<LONG_PTR>(rec);
    }
    default: return clipOff(true);
  }
}

// ---- Span fill ----

namespace {

constexpr DWORD kSpanEntries = 2000;

bool Outside16(LONG v) { return v > 0x7FFF || v < -0x8000; }
bool Outside16(const RECTL& r) {
  return Outside16(r.left) || Outside16(r.top) || Outside16(r.right) || Outside16(r.bottom);
}

struct SpanWriter {
  ZARN_STREAM* s;
  RECTL* bounds;
  bool wide;
  BYTE* buffer;
  DWORD count = 0;
  DWORD records = 0;
  BYTE* last = nullptr;

  DWORD EntryBytes() const { return wide ? 12 : 6; }
  bool Put(BYTE flags) {
    last = ZsPutSpanFill(s, count * EntryBytes(), BYTE(flags | (wide ? 0x10 : 0)), bounds, buffer);
    ++records;
    count = 0;
    return last != nullptr;
  }
  bool Add(LONG y, LONG x0, LONG x1) {
    if (count == kSpanEntries && !Put(records ? 4 : 2)) return false;
    BYTE* e = buffer + count * EntryBytes();
    if (wide) {
      LONG v[3] = {y, x0, x1};
      std::memcpy(e, v, sizeof v);
    } else {
      SHORT v[3] = {SHORT(y), SHORT(x0), SHORT(x1)};
      std::memcpy(e, v, sizeof v);
    }
    ++count;
    return true;
  }
};

}  // namespace

BYTE* GrFillClipSpans(ZARN_STREAM* s, CLIPOBJ* clip, RECTL* target) {
  if (!s || !s->owner || !clip || !target) return nullptr;
  GR_PDEV* p = s->owner;
  // Entry width from the target and from the clip region itself: the rectangles enumerated are the
  // region's, not cut to the target, and may lie beyond it.
  bool wide = Outside16(*target) || Outside16(clip->rclBounds);
  SpanWriter w{s, target, wide, static_cast<BYTE*>(GrHeapAlloc(p->heap, kSpanEntries * 12))};
  if (!w.buffer) return nullptr;
  bool ok = true;
  CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0);
  BOOL more = TRUE;
  while (ok && more) {
    ENUMRECTS er{};
    more = CLIPOBJ_bEnum(clip, sizeof er, reinterpret_cast<ULONG*>(&er));
    if (er.c == 0) continue;
    // Only the part of the region rectangle inside the fill's own rectangle is painted.
    const RECTL& a = er.arcl[0];
    RECTL r{std::max(std::min(a.left, a.right), std::min(target->left, target->right)),
            std::max(std::min(a.top, a.bottom), std::min(target->top, target->bottom)),
            std::min(std::max(a.left, a.right), std::max(target->left, target->right)),
            std::min(std::max(a.top, a.bottom), std::max(target->top, target->bottom))};
    if (r.left >= r.right || r.top >= r.bottom) continue;  // nothing of it inside the target
    if (!wide && Outside16(r)) {
      ok = false;  // bounds that understate the region: never truncate a coordinate
      break;
    }
    // One entry per row, first and last x inclusive; an empty rectangle paints nothing.
    LONG xFirst = std::min(r.left, r.right), xLast = std::max(r.left, r.right) - 1;
    for (LONG y = std::min(r.top, r.bottom); ok && xLast >= xFirst && y < std::max(r.top, r.bottom); ++y)
      ok = w.Add(y, xFirst, xLast);
  }
  BYTE* result = nullptr;
  if (ok && w.count) result = w.Put(w.records ? 12 : 10) ? w.last : nullptr;
  GrHeapFree(p->heap, w.buffer);
  return result;
}

void GrResetDrawState(GR_PDEV* p) {
  GrInvalidateClipCache(p->clipCache);
  p->drawState = GR_DRAW_STATE{};
}
