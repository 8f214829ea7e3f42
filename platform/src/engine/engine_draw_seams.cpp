// Least bodies of the engine's drawing objects that the text services use before the drawing services
// are built: transforms that keep their matrix, paths that keep their points, and clips without
// rectangles.
#include <algorithm>
#include <vector>

#include "../../../common/kvseam.h"
#include "kvplat/engine.h"

namespace {
struct SeamXform {
  XFORMOBJ xo{};
  XFORML m{};
};
struct SeamPath {
  PATHOBJ po{};
  std::vector<POINTFIX> pts;
};
SeamPath* AsPath(PATHOBJ* p) { return reinterpret_cast<SeamPath*>(p); }
}  // namespace

namespace kvp::eng {
KV_SEAM(CreateXform) XFORMOBJ* CreateXform(const XFORML* m) {
  auto* x = new SeamXform;
  x->m = m ? *m : XFORML{1, 0, 0, 1, 0, 0};
  return &x->xo;
}
KV_SEAM(DeleteXform) void DeleteXform(XFORMOBJ* x) { delete reinterpret_cast<SeamXform*>(x); }
KV_SEAM(CreatePath) PATHOBJ* CreatePath() { return &(new SeamPath)->po; }
KV_SEAM(PathMoveTo) BOOL PathMoveTo(PATHOBJ* p, POINTFIX pt) {
  AsPath(p)->pts.push_back(pt);
  return TRUE;
}
KV_SEAM(PathLinesTo) BOOL PathLinesTo(PATHOBJ* p, const POINTFIX* pts, ULONG n) {
  AsPath(p)->pts.insert(AsPath(p)->pts.end(), pts, pts + n);
  p->cCurves += n;
  return TRUE;
}
KV_SEAM(PathBeziersTo) BOOL PathBeziersTo(PATHOBJ* p, const POINTFIX* pts, ULONG n) {
  AsPath(p)->pts.insert(AsPath(p)->pts.end(), pts, pts + n);
  p->cCurves += n / 3;
  return TRUE;
}
KV_SEAM(PathCloseFigure) BOOL PathCloseFigure(PATHOBJ*) { return TRUE; }
}  // namespace kvp::eng

KV_SEAM(EngDeletePath) void EngDeletePath(PATHOBJ* p) { delete AsPath(p); }
KV_SEAM(XFORMOBJ_iGetXform) ULONG XFORMOBJ_iGetXform(XFORMOBJ* x, XFORML* out) {
  if (out && x) *out = reinterpret_cast<SeamXform*>(x)->m;
  return 2;
}
KV_SEAM(PATHOBJ_vGetBounds) void PATHOBJ_vGetBounds(PATHOBJ* p, RECTFX* r) {
  *r = {};
  const auto& pts = AsPath(p)->pts;
  if (pts.empty()) return;
  *r = {pts[0].x, pts[0].y, pts[0].x, pts[0].y};
  for (const POINTFIX& t : pts) {
    r->xLeft = std::min(r->xLeft, t.x);
    r->xRight = std::max(r->xRight, t.x);
    r->yTop = std::min(r->yTop, t.y);
    r->yBottom = std::max(r->yBottom, t.y);
  }
}
KV_SEAM(CLIPOBJ_cEnumStart) ULONG CLIPOBJ_cEnumStart(CLIPOBJ*, BOOL, ULONG, ULONG, ULONG) { return 0; }
KV_SEAM(CLIPOBJ_bEnum) BOOL CLIPOBJ_bEnum(CLIPOBJ*, ULONG, ULONG* p) {
  if (p) *p = 0;
  return FALSE;
}
