// The engine's drawing objects: clips with their rectangle enumeration and outline path, paths with
// their run enumeration, transforms, brushes with their realization by the driver, and colour
// translations. Each object is one live engine object, checked before it is followed.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "draw_internal.h"
#include "kvplat/error.h"
#include "kvplat/testhooks.h"

namespace kvp::eng {
namespace {

struct KvXform {
  XFORMOBJ xo{};
  XFORML m{1, 0, 0, 1, 0, 0};
  ULONG complexity = GX_IDENTITY;
};

struct KvBrush {
  BRUSHOBJ bo{};
  PFN_DrvRealizeBrush realize = nullptr;
  SURFOBJ* target = nullptr;
  SURFOBJ* pattern = nullptr;
  SURFOBJ* mask = nullptr;
  XLATEOBJ* xlate = nullptr;
  ULONG hatch = 0;
  std::vector<BYTE> realization;
  HSURF ownPattern = nullptr;  // a hatched brush's own tile and colours
  XLATEOBJ* ownXlate = nullptr;
};

struct KvXlate {
  XLATEOBJ xo{};
  std::vector<ULONG> table;
};

template <typename T, typename P>
T* Checked(P* p) {
  return p && IsLive(p) ? reinterpret_cast<T*>(p) : nullptr;
}

template <typename T>
T* Make() {
  if (kvp::test::ShouldFailAlloc()) return nullptr;
  auto* o = new (std::nothrow) T();
  if (o) Register(o);
  return o;
}

template <typename T>
void Drop(T* o) {
  if (o && Unregister(o)) delete o;
}

void Grow(RECTL* r, const RECTL& add, bool first) {
  if (first) {
    *r = add;
    return;
  }
  r->left = std::min(r->left, add.left);
  r->top = std::min(r->top, add.top);
  r->right = std::max(r->right, add.right);
  r->bottom = std::max(r->bottom, add.bottom);
}

void UpdateCurves(KvPath* p) {
  ULONG curves = 0;
  bool beziers = false;
  for (const PathRun& r : p->runs) {
    ULONG n = ULONG(r.points.size()) - ((r.flags & PD_BEGINSUBPATH) ? 1 : 0);
    if (r.flags & PD_BEZIERS) {
      curves += n / 3;
      beziers = true;
    } else {
      curves += n;
    }
  }
  p->po.cCurves = curves;
  p->po.fl = beziers ? PO_BEZIERS : 0;
}

void EndOpen(KvPath* p) {
  if (p->open && !p->runs.empty()) p->runs.back().flags |= PD_ENDSUBPATH;
  p->open = false;
}

// One closed rectangle subpath in 28.4 points.
void AddRectRuns(std::vector<PathRun>* runs, const RECTL& r) {
  PathRun run;
  run.flags = PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE;
  run.points = {{r.left * 16, r.top * 16}, {r.right * 16, r.top * 16}, {r.right * 16, r.bottom * 16},
                {r.left * 16, r.bottom * 16}};
  runs->push_back(std::move(run));
}

// The engine's hatch tiles, 8 rows of 8 pixels, a set bit drawing the hatch colour.
constexpr BYTE kHatch[HS_DDI_MAX][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}};

}  // namespace

KvPath* PathOf(PATHOBJ* po) { return Checked<KvPath>(po); }
KvClip* ClipOf(CLIPOBJ* co) { return Checked<KvClip>(co); }

bool BrushPattern(BRUSHOBJ* bo, SURFOBJ** pattern, XLATEOBJ** xlate) {
  auto* b = Checked<KvBrush>(bo);
  if (!b || !b->pattern) return false;
  *pattern = b->pattern;
  *xlate = b->xlate;
  return true;
}

CLIPOBJ* CreateClip(const RECTL* rects, ULONG count, ULONG uniq, const RECTL* bounds) {
  if (count && !rects) return nullptr;
  KvClip* c = Make<KvClip>();
  if (!c) return nullptr;
  c->co.iUniq = uniq;
  c->co.iMode = TC_RECTANGLES;
  for (ULONG i = 0; i < count; ++i)
    if (rects[i].right > rects[i].left && rects[i].bottom > rects[i].top) c->rects.push_back(rects[i]);
  if (count == 0) {
    c->co.iDComplexity = DC_TRIVIAL;
    c->co.rclBounds = bounds ? *bounds : RECTL{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};
  } else {
    c->co.iDComplexity = c->rects.size() <= 1 && count == 1 ? DC_RECT : DC_COMPLEX;
    c->co.iFComplexity = c->co.iDComplexity == DC_RECT ? FC_RECT : FC_COMPLEX;
    for (size_t i = 0; i < c->rects.size(); ++i) Grow(&c->co.rclBounds, c->rects[i], i == 0);
    if (c->rects.empty()) c->co.rclBounds = rects[0];
  }
  return &c->co;
}

CLIPOBJ* CreateClipFromPath(PATHOBJ* path, ULONG uniq) {
  KvPath* p = PathOf(path);
  if (!p || p->runs.empty()) return nullptr;
  std::vector<std::vector<PointD>> polys;
  FlattenPath(p->runs, &polys, nullptr);
  std::vector<RECTL> rows;
  // Regions are kept to the largest surface the engine makes.
  ScanPolygons(polys, false, -(1 << 20), 1 << 20,
               [&](LONG y, LONG x0, LONG x1) { rows.push_back(RECTL{x0, y, x1, y + 1}); });
  if (rows.empty()) return nullptr;
  CLIPOBJ* co = CreateClip(rows.data(), ULONG(rows.size()), uniq);
  if (!co) return nullptr;
  KvClip* c = ClipOf(co);
  c->co.iDComplexity = DC_COMPLEX;
  c->co.iFComplexity = FC_COMPLEX;
  c->co.iMode = TC_PATHOBJ;
  c->outline = p->runs;
  if (!c->outline.empty() && !(c->outline.back().flags & PD_ENDSUBPATH)) c->outline.back().flags |= PD_ENDSUBPATH;
  return co;
}

void DeleteClip(CLIPOBJ* clip) { Drop(ClipOf(clip)); }

PATHOBJ* CreatePath() {
  KvPath* p = Make<KvPath>();
  return p ? &p->po : nullptr;
}

BOOL PathMoveTo(PATHOBJ* path, POINTFIX pt) {
  KvPath* p = PathOf(path);
  if (!p) return FALSE;
  EndOpen(p);
  PathRun run;
  run.flags = PD_BEGINSUBPATH;
  run.points.push_back(pt);
  p->runs.push_back(std::move(run));
  p->open = true;
  return TRUE;
}

namespace {
BOOL AddPoints(PATHOBJ* path, const POINTFIX* pts, ULONG count, bool bezier) {
  KvPath* p = PathOf(path);
  if (!p || !p->open || (count && !pts) || (bezier && count % 3)) return FALSE;
  if (count == 0) return TRUE;
  PathRun& last = p->runs.back();
  bool lastBezier = last.flags & PD_BEZIERS;
  bool onlyStart = (last.flags & PD_BEGINSUBPATH) && last.points.size() == 1;
  if (onlyStart && bezier) last.flags |= PD_BEZIERS;
  if (onlyStart || lastBezier == bezier) {
    last.points.insert(last.points.end(), pts, pts + count);
  } else {
    PathRun run;
    run.flags = bezier ? PD_BEZIERS : 0;
    run.points.assign(pts, pts + count);
    p->runs.push_back(std::move(run));
  }
  UpdateCurves(p);
  return TRUE;
}
}  // namespace

BOOL PathLinesTo(PATHOBJ* path, const POINTFIX* pts, ULONG count) { return AddPoints(path, pts, count, false); }
BOOL PathBeziersTo(PATHOBJ* path, const POINTFIX* pts, ULONG count) { return AddPoints(path, pts, count, true); }

BOOL PathCloseFigure(PATHOBJ* path) {
  KvPath* p = PathOf(path);
  if (!p || !p->open) return FALSE;
  p->runs.back().flags |= PD_CLOSEFIGURE;
  EndOpen(p);
  return TRUE;
}

BOOL PathAddRawRun(PATHOBJ* path, FLONG flags, const POINTFIX* pts, ULONG count) {
  KvPath* p = PathOf(path);
  if (!p || (count && !pts)) return FALSE;
  PathRun run;
  run.flags = flags;
  run.points.assign(pts, pts + count);
  p->runs.push_back(std::move(run));
  p->open = false;
  UpdateCurves(p);
  return TRUE;
}

XFORMOBJ* CreateXform(const XFORML* m) {
  KvXform* x = Make<KvXform>();
  if (!x) return nullptr;
  if (m) {
    x->m = *m;
    bool scale = m->eM11 != 1.0f || m->eM22 != 1.0f;
    bool general = m->eM12 != 0.0f || m->eM21 != 0.0f;
    bool offset = m->eDx != 0.0f || m->eDy != 0.0f;
    x->complexity = general ? GX_GENERAL : scale ? GX_SCALE : offset ? GX_OFFSET : GX_IDENTITY;
  }
  return &x->xo;
}

void DeleteXform(XFORMOBJ* xform) { Drop(Checked<KvXform>(xform)); }

BRUSHOBJ* CreateSolidBrush(ULONG color, FLONG flColorType) {
  KvBrush* b = Make<KvBrush>();
  if (!b) return nullptr;
  b->bo.iSolidColor = color;
  b->bo.flColorType = flColorType;
  return &b->bo;
}

BRUSHOBJ* CreatePatternBrush(SURFOBJ* target, SURFOBJ* pattern, SURFOBJ* mask, XLATEOBJ* xlate, ULONG hatch,
                             PFN_DrvRealizeBrush realize, FLONG flColorType) {
  if (!pattern) return nullptr;
  KvBrush* b = Make<KvBrush>();
  if (!b) return nullptr;
  b->bo.iSolidColor = 0xFFFFFFFF;
  b->bo.flColorType = flColorType;
  b->realize = realize;
  b->target = target;
  b->pattern = pattern;
  b->mask = mask;
  b->xlate = xlate;
  b->hatch = hatch;
  return &b->bo;
}

BRUSHOBJ* CreateHatchBrush(SURFOBJ* target, ULONG hatch, ULONG fore, ULONG back, PFN_DrvRealizeBrush realize,
                           FLONG flColorType) {
  if (hatch >= HS_DDI_MAX) return nullptr;
  HSURF tile = EngCreateBitmap(SIZEL{8, 8}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
  ULONG colors[2] = {back, fore};
  XLATEOBJ* x = tile ? CreateXlate(colors, 2) : nullptr;
  SURFOBJ* so = x ? EngLockSurface(tile) : nullptr;
  BRUSHOBJ* bo = so ? CreatePatternBrush(target, so, nullptr, x, hatch, realize, flColorType) : nullptr;
  if (!bo) {
    if (so) EngUnlockSurface(so);
    DeleteXlate(x);
    if (tile) EngDeleteSurface(tile);
    return nullptr;
  }
  for (int y = 0; y < 8; ++y) static_cast<BYTE*>(so->pvScan0)[y * so->lDelta] = kHatch[hatch][y];
  KvBrush* b = reinterpret_cast<KvBrush*>(bo);
  b->ownPattern = tile;
  b->ownXlate = x;
  return bo;
}

void DeleteBrush(BRUSHOBJ* brush) {
  KvBrush* b = Checked<KvBrush>(brush);
  if (!b) return;
  if (b->ownPattern) {
    EngUnlockSurface(b->pattern);
    EngDeleteSurface(b->ownPattern);
  }
  DeleteXlate(b->ownXlate);
  Drop(b);
}

XLATEOBJ* CreateXlate(const ULONG* table, ULONG count, FLONG flags) {
  if (count && !table) return nullptr;
  KvXlate* x = Make<KvXlate>();
  if (!x) return nullptr;
  x->table.assign(table, table + count);
  x->xo.iUniq = 1;
  x->xo.flXlate = (count ? XO_TABLE : XO_TRIVIAL) | flags;
  x->xo.iSrcType = count ? PAL_INDEXED : PAL_RGB;
  x->xo.iDstType = PAL_RGB;
  x->xo.cEntries = count;
  x->xo.pulXlate = count ? x->table.data() : nullptr;
  return &x->xo;
}

void DeleteXlate(XLATEOBJ* xlate) { Drop(Checked<KvXlate>(xlate)); }

void MakeLineAttrs(LineAttrs* out, bool geometric, float width, ULONG join, ULONG cap, float miterLimit,
                   const float* style, ULONG styleCount, FLONG extraFlags) {
  *out = LineAttrs{};
  LINEATTRS& a = out->attrs;
  a.fl = (geometric ? LA_GEOMETRIC : 0) | extraFlags;
  a.iJoin = join;
  a.iEndCap = cap;
  if (geometric)
    a.elWidth.e = width;
  else
    a.elWidth.l = 1;
  a.eMiterLimit = miterLimit;
  styleCount = std::min<ULONG>(styleCount, 16);
  if (style && styleCount) {
    for (ULONG i = 0; i < styleCount; ++i) {
      if (geometric)
        out->style[i].e = style[i];
      else
        out->style[i].l = LONG(style[i]);
    }
    a.cstyle = styleCount;
    a.pstyle = out->style;
    if (!geometric) a.fl |= LA_STYLED;
  }
}

}  // namespace kvp::eng

using kvp::eng::KvClip;
using kvp::eng::KvPath;

KVAPI ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL, ULONG iType, ULONG, ULONG cLimit) {
  KvClip* c = kvp::eng::ClipOf(pco);
  if (!c || iType != CT_RECTANGLES) return 0xFFFFFFFF;
  c->next = 0;
  c->limit = cLimit;
  if (c->co.iDComplexity == DC_TRIVIAL) return 0xFFFFFFFF;
  ULONG n = ULONG(c->rects.size());
  return cLimit && cLimit < n ? 0xFFFFFFFF : n;
}

KVAPI BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
  KvClip* c = kvp::eng::ClipOf(pco);
  auto* er = reinterpret_cast<ENUMRECTS*>(pul);
  if (!er || cj < sizeof(ENUMRECTS)) return FALSE;
  er->c = 0;
  if (!c) return FALSE;
  // A trivial clip enumerates its bounds.
  const RECTL* src = c->rects.data();
  size_t total = c->rects.size();
  if (c->co.iDComplexity == DC_TRIVIAL) {
    src = &c->co.rclBounds;
    total = 1;
  }
  if (c->limit && c->limit < total) total = c->limit;
  size_t room = (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
  while (room-- && c->next < total) er->arcl[er->c++] = src[c->next++];
  return c->next < total;
}

KVAPI PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco) {
  KvClip* c = kvp::eng::ClipOf(pco);
  if (!c || c->co.iDComplexity == DC_TRIVIAL) return nullptr;
  PATHOBJ* po = kvp::eng::CreatePath();
  KvPath* p = kvp::eng::PathOf(po);
  if (!p) return nullptr;
  if (!c->outline.empty()) {
    p->runs = c->outline;
  } else if (c->co.iDComplexity == DC_RECT) {
    kvp::eng::AddRectRuns(&p->runs, c->co.rclBounds);
  } else {
    for (const RECTL& r : c->rects) kvp::eng::AddRectRuns(&p->runs, r);
  }
  kvp::eng::UpdateCurves(p);
  return po;
}

KVAPI void PATHOBJ_vEnumStart(PATHOBJ* ppo) {
  if (KvPath* p = kvp::eng::PathOf(ppo)) p->next = 0;
}

KVAPI BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
  KvPath* p = kvp::eng::PathOf(ppo);
  if (!ppd) return FALSE;
  *ppd = PATHDATA{};
  if (!p || p->next >= p->runs.size()) return FALSE;
  kvp::eng::PathRun& r = p->runs[p->next++];
  ppd->flags = r.flags;
  ppd->count = ULONG(r.points.size());
  ppd->pptfx = r.points.data();
  return p->next < p->runs.size();
}

KVAPI void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx) {
  if (!prectfx) return;
  *prectfx = RECTFX{};
  KvPath* p = kvp::eng::PathOf(ppo);
  if (!p) return;
  bool first = true;
  for (const kvp::eng::PathRun& r : p->runs)
    for (const POINTFIX& pt : r.points) {
      if (first) {
        *prectfx = RECTFX{pt.x, pt.y, pt.x, pt.y};
        first = false;
      }
      prectfx->xLeft = std::min(prectfx->xLeft, pt.x);
      prectfx->yTop = std::min(prectfx->yTop, pt.y);
      prectfx->xRight = std::max(prectfx->xRight, pt.x);
      prectfx->yBottom = std::max(prectfx->yBottom, pt.y);
    }
}

KVAPI void EngDeletePath(PATHOBJ* ppo) { kvp::eng::Drop(kvp::eng::PathOf(ppo)); }

KVAPI ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
  if (!pxo) {
    if (pxform) *pxform = XFORML{1, 0, 0, 1, 0, 0};
    return GX_IDENTITY;
  }
  auto* x = kvp::eng::Checked<kvp::eng::KvXform>(pxo);
  if (!x) return DDI_ERROR;
  if (pxform) *pxform = x->m;
  return x->complexity;
}

KVAPI void* BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
  auto* b = kvp::eng::Checked<kvp::eng::KvBrush>(pbo);
  if (!b) return pbo ? pbo->pvRbrush : nullptr;  // a caller's own brush record
  if (b->bo.pvRbrush) return b->bo.pvRbrush;
  if (b->bo.iSolidColor != 0xFFFFFFFF || !b->realize) return nullptr;
  if (!b->realize(&b->bo, b->target, b->pattern, b->mask, b->xlate, b->hatch)) {
    b->realization.clear();
    b->bo.pvRbrush = nullptr;
    return nullptr;
  }
  return b->bo.pvRbrush;
}

KVAPI void* BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
  auto* b = kvp::eng::Checked<kvp::eng::KvBrush>(pbo);
  if (!b || kvp::test::ShouldFailAlloc()) return nullptr;
  b->realization.assign(std::max<ULONG>(cj, 1), 0);
  b->bo.pvRbrush = b->realization.data();
  return b->bo.pvRbrush;
}

KVAPI ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) { return pbo ? pbo->iSolidColor : 0xFFFFFFFF; }

KVAPI ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
  if (!pxlo || !(pxlo->flXlate & XO_TABLE) || !pxlo->pulXlate || iColor >= pxlo->cEntries) return iColor;
  return pxlo->pulXlate[iColor];
}

KVAPI ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal) {
  if (!pxlo || (iPal != XO_SRCPALETTE && iPal != XO_DESTPALETTE)) return 0;
  if (iPal == XO_DESTPALETTE || !pxlo->pulXlate) return 0;
  if (!pPal) return pxlo->cEntries;
  ULONG n = std::min(cPal, pxlo->cEntries);
  std::memcpy(pPal, pxlo->pulXlate, n * sizeof(ULONG));
  return n;
}
