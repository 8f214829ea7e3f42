// The engine's own drawing into bitmaps: block transfers with any raster operation and real conversion
// between the bitmap formats, and paths stroked or filled by scan conversion. A driver hands drawing
// back to these when its printer cannot take it, and raster mode draws whole bands with them.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "draw_internal.h"
#include "kvplat/error.h"

namespace kvp::eng {
namespace {

bool Drawable(const SURFOBJ* so) {
  return so && so->iType == STYPE_BITMAP && so->pvScan0 && BitsPerPixel(so->iBitmapFormat) != 0 && so->sizlBitmap.cx > 0 &&
         so->sizlBitmap.cy > 0;
}

ULONG Mask(ULONG bpp) { return bpp >= 32 ? 0xFFFFFFFFu : bpp == 24 ? 0xFFFFFFu : (1u << bpp) - 1; }

// A raw pixel in the bitmap's own format (24 and 32 bpp: 0x00RRGGBB, blue first in memory).
ULONG ReadRaw(const SURFOBJ* so, LONG x, LONG y) {
  const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
  switch (BitsPerPixel(so->iBitmapFormat)) {
    case 1: return (row[x / 8] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4;
    case 8: return row[x];
    case 16: return ULONG(row[x * 2]) | ULONG(row[x * 2 + 1]) << 8;
    case 24: return ULONG(row[x * 3]) | ULONG(row[x * 3 + 1]) << 8 | ULONG(row[x * 3 + 2]) << 16;
    default: return ULONG(row[x * 4]) | ULONG(row[x * 4 + 1]) << 8 | ULONG(row[x * 4 + 2]) << 16;
  }
}

void WriteRaw(SURFOBJ* so, LONG x, LONG y, ULONG v) {
  BYTE* row = static_cast<BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
  switch (BitsPerPixel(so->iBitmapFormat)) {
    case 1: {
      BYTE bit = BYTE(0x80 >> (x & 7));
      row[x / 8] = (v & 1) ? BYTE(row[x / 8] | bit) : BYTE(row[x / 8] & ~bit);
      break;
    }
    case 4:
      row[x / 2] = (x & 1) ? BYTE((row[x / 2] & 0xF0) | (v & 15)) : BYTE((row[x / 2] & 0x0F) | ((v & 15) << 4));
      break;
    case 8: row[x] = BYTE(v); break;
    case 16:
      row[x * 2] = BYTE(v);
      row[x * 2 + 1] = BYTE(v >> 8);
      break;
    case 24:
      row[x * 3] = BYTE(v);
      row[x * 3 + 1] = BYTE(v >> 8);
      row[x * 3 + 2] = BYTE(v >> 16);
      break;
    default:
      row[x * 4] = BYTE(v);
      row[x * 4 + 1] = BYTE(v >> 8);
      row[x * 4 + 2] = BYTE(v >> 16);
      row[x * 4 + 3] = 0;
      break;
  }
}

// Colours: 0x00BBGGRR (red in the low byte) between formats.
ULONG RgbOfRaw(ULONG bpp, ULONG raw) {
  if (bpp == 16) {
    ULONG r = (raw >> 10) & 31, g = (raw >> 5) & 31, b = raw & 31;
    r = r << 3 | r >> 2;
    g = g << 3 | g >> 2;
    b = b << 3 | b >> 2;
    return r | g << 8 | b << 16;
  }
  return ((raw >> 16) & 0xFF) | (raw & 0xFF00) | ((raw & 0xFF) << 16);
}

ULONG Grey(ULONG rgb) { return ((rgb & 0xFF) * 306u + ((rgb >> 8) & 0xFF) * 601u + ((rgb >> 16) & 0xFF) * 117u) >> 10; }

// A colour in a target format: RGB formats take it as it is, indexed ones as a grey level.
ULONG RawOfRgb(ULONG bpp, ULONG rgb) {
  switch (bpp) {
    case 1: return Grey(rgb) >= 128 ? 1 : 0;
    case 4: return Grey(rgb) >> 4;
    case 8: return Grey(rgb);
    case 16: return ((rgb & 0xFF) >> 3) << 10 | (((rgb >> 8) & 0xFF) >> 3) << 5 | ((rgb >> 16) & 0xFF) >> 3;
    default: return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  }
}

// A source pixel in the target's format. Indexed sources go through the translation (its entries are
// target values: colours for RGB targets, indexes for indexed ones); without one an indexed value is
// kept between indexed formats and read as a grey ramp into RGB formats.
ULONG Convert(ULONG srcBpp, ULONG raw, ULONG dstBpp, XLATEOBJ* xlate) {
  bool srcIndexed = srcBpp <= 8, dstIndexed = dstBpp <= 8;
  if (srcIndexed) {
    if (xlate && (xlate->flXlate & XO_TABLE) && xlate->pulXlate && raw < xlate->cEntries) {
      ULONG v = xlate->pulXlate[raw];
      return dstIndexed ? (v & Mask(dstBpp)) : RawOfRgb(dstBpp, v & 0xFFFFFF);
    }
    if (dstIndexed) {
      if (srcBpp == dstBpp) return raw;
      ULONG level = raw * 255 / Mask(srcBpp);
      return level * Mask(dstBpp) / 255;
    }
    ULONG g = raw * 255 / Mask(srcBpp);
    return RawOfRgb(dstBpp, g | g << 8 | g << 16);
  }
  if (srcBpp == dstBpp || (srcBpp >= 24 && dstBpp >= 24)) return raw & 0xFFFFFF;
  return RawOfRgb(dstBpp, RgbOfRaw(srcBpp, raw));
}

// The bits of a ternary operation on pattern, source and destination values.
ULONG Rop3(BYTE rop, ULONG p, ULONG s, ULONG d) {
  switch (rop) {
    case 0xCC: return s;
    case 0xF0: return p;
    case 0xAA: return d;
    case 0x00: return 0;
    case 0xFF: return ~0u;
    default: break;
  }
  ULONG out = 0;
  for (int i = 0; i < 8; ++i)
    if (rop & (1 << i)) out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return out;
}

// The rectangles of a clip inside `area`.
std::vector<RECTL> ClipRects(CLIPOBJ* clip, const RECTL& area) {
  std::vector<RECTL> out;
  auto add = [&](const RECTL& r) {
    RECTL c{std::max(r.left, area.left), std::max(r.top, area.top), std::min(r.right, area.right),
            std::min(r.bottom, area.bottom)};
    if (c.right > c.left && c.bottom > c.top) out.push_back(c);
  };
  if (!clip || clip->iDComplexity == DC_TRIVIAL) {
    add(area);
  } else if (clip->iDComplexity == DC_RECT) {
    add(clip->rclBounds);
  } else {
    CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0);
    struct {
      ULONG c;
      RECTL r[16];
    } buf;
    BOOL more = TRUE;
    while (more) {
      more = CLIPOBJ_bEnum(clip, sizeof buf, reinterpret_cast<ULONG*>(&buf));
      for (ULONG i = 0; i < buf.c; ++i) add(buf.r[i]);
    }
  }
  return out;
}

RECTL SurfaceRect(const SURFOBJ* so) { return RECTL{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy}; }

// The pattern value at a target pixel: the solid colour, or the brush's tile read at the brush origin.
struct Pattern {
  ULONG dstBpp = 0;
  ULONG solid = 0;
  SURFOBJ* tile = nullptr;
  XLATEOBJ* xlate = nullptr;
  POINTL origin{0, 0};
  ULONG At(LONG x, LONG y) const {
    if (!tile) return solid;
    LONG w = tile->sizlBitmap.cx, h = tile->sizlBitmap.cy;
    LONG px = ((x - origin.x) % w + w) % w, py = ((y - origin.y) % h + h) % h;
    return Convert(BitsPerPixel(tile->iBitmapFormat), ReadRaw(tile, px, py), dstBpp, xlate);
  }
};

bool MakePattern(BRUSHOBJ* bo, POINTL* origin, ULONG dstBpp, Pattern* out) {
  out->dstBpp = dstBpp;
  if (!bo) return true;
  if (origin) out->origin = *origin;
  if (bo->iSolidColor != 0xFFFFFFFF) {
    out->solid = dstBpp <= 8 ? (bo->iSolidColor & Mask(dstBpp)) : RawOfRgb(dstBpp, bo->iSolidColor & 0xFFFFFF);
    return true;
  }
  return BrushPattern(bo, &out->tile, &out->xlate) && Drawable(out->tile);
}

// Fills spans of one row with a mix (foreground ROP2 in the low byte) of pattern and destination.
void FillSpan(SURFOBJ* so, const Pattern& pat, MIX mix, LONG y, LONG x0, LONG x1, const std::vector<RECTL>& clip) {
  ULONG bpp = BitsPerPixel(so->iBitmapFormat), m = Mask(bpp);
  ULONG rop2 = (mix & 0xFF) >= 1 && (mix & 0xFF) <= 16 ? (mix & 0xFF) - 1 : 12;
  // The ROP2 as a ROP3 with the pattern as P and no source.
  BYTE rop3 = 0;
  for (int i = 0; i < 8; ++i)
    if (rop2 & (1u << (((i & 4) ? 2 : 0) | (i & 1)))) rop3 |= BYTE(1 << i);
  for (const RECTL& c : clip) {
    if (y < c.top || y >= c.bottom) continue;
    LONG a = std::max(x0, c.left), b = std::min(x1, c.right);
    for (LONG x = a; x < b; ++x) WriteRaw(so, x, y, Rop3(rop3, pat.At(x, y), 0, ReadRaw(so, x, y)) & m);
  }
}

}  // namespace

void FlattenPath(const std::vector<PathRun>& runs, std::vector<std::vector<PointD>>* polys,
                 std::vector<bool>* closed) {
  polys->clear();
  if (closed) closed->clear();
  auto pt = [](const POINTFIX& p) { return PointD{p.x / 16.0, p.y / 16.0}; };
  for (const PathRun& r : runs) {
    size_t i = 0;
    if ((r.flags & PD_BEGINSUBPATH) || polys->empty()) {
      polys->emplace_back();
      if (closed) closed->push_back(false);
      if (!r.points.empty() && (r.flags & PD_BEGINSUBPATH)) polys->back().push_back(pt(r.points[i++]));
    }
    std::vector<PointD>& poly = polys->back();
    if (r.flags & PD_BEZIERS) {
      for (; i + 3 <= r.points.size(); i += 3) {
        PointD p0 = poly.empty() ? pt(r.points[i]) : poly.back();
        PointD p1 = pt(r.points[i]), p2 = pt(r.points[i + 1]), p3 = pt(r.points[i + 2]);
        double len = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                     std::hypot(p3.x - p2.x, p3.y - p2.y);
        int steps = std::clamp(int(len / 2), 4, 256);
        for (int k = 1; k <= steps; ++k) {
          double t = double(k) / steps, u = 1 - t;
          poly.push_back(PointD{u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                                u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
        }
      }
    } else {
      for (; i < r.points.size(); ++i) poly.push_back(pt(r.points[i]));
    }
    if ((r.flags & PD_CLOSEFIGURE) && closed) closed->back() = true;
  }
}

void ScanPolygons(const std::vector<std::vector<PointD>>& polys, bool winding, LONG rowFirst, LONG rowEnd,
                  const std::function<void(LONG y, LONG x0, LONG x1)>& span) {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  double top = 1e18, bottom = -1e18;
  for (const auto& poly : polys) {
    for (size_t i = 0; i < poly.size(); ++i) {
      const PointD& a = poly[i];
      const PointD& b = poly[(i + 1) % poly.size()];
      top = std::min(top, a.y);
      bottom = std::max(bottom, a.y);
      if (a.y == b.y) continue;
      edges.push_back(a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 1} : Edge{b.x, b.y, a.x, a.y, -1});
    }
  }
  if (edges.empty()) return;
  double first = std::max(std::ceil(top - 0.5), double(rowFirst)), end = std::min(std::ceil(bottom - 0.5), double(rowEnd));
  if (!(first < end)) return;
  LONG y0 = LONG(first), y1 = LONG(end);
  std::vector<std::pair<double, int>> xs;
  for (LONG y = y0; y < y1; ++y) {
    double cy = y + 0.5;
    xs.clear();
    for (const Edge& e : edges)
      if (cy >= e.y0 && cy < e.y1) xs.emplace_back(e.x0 + (cy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir);
    std::sort(xs.begin(), xs.end());
    int count = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      count = winding ? count + xs[i].second : count ^ 1;
      if (count == 0) continue;
      // Columns far outside any bitmap are cut to a range a LONG holds.
      double fa = std::clamp(std::ceil(xs[i].first - 0.5), -1073741824.0, 1073741824.0);
      double fb = std::clamp(std::ceil(xs[i + 1].first - 0.5), -1073741824.0, 1073741824.0);
      LONG a = LONG(fa), b = LONG(fb);
      if (b > a) span(y, a, b);
    }
  }
}

ULONG GetPixel(const SURFOBJ* so, LONG x, LONG y) {
  if (!Drawable(so) || x < 0 || y < 0 || x >= so->sizlBitmap.cx || y >= so->sizlBitmap.cy) return 0xFFFFFFFF;
  ULONG bpp = BitsPerPixel(so->iBitmapFormat), raw = ReadRaw(so, x, y);
  return bpp <= 8 ? raw : bpp == 16 ? raw : raw & 0xFFFFFF;
}

namespace {

// Fills the inside of polygons with the brush and mix, clipped.
BOOL FillPolygons(SURFOBJ* so, const std::vector<std::vector<PointD>>& polys, bool winding, CLIPOBJ* clip,
                  BRUSHOBJ* bo, POINTL* origin, MIX mix) {
  Pattern pat;
  if (!MakePattern(bo, origin, BitsPerPixel(so->iBitmapFormat), &pat)) return FALSE;
  std::vector<RECTL> rects = ClipRects(clip, SurfaceRect(so));
  ScanPolygons(polys, winding, 0, so->sizlBitmap.cy,
               [&](LONG y, LONG x0, LONG x1) { FillSpan(so, pat, mix, y, x0, x1, rects); });
  return TRUE;
}

// A line as the polygons of its segments: one pixel wide for a cosmetic line, else `width` wide with
// square ends, so that neighbouring segments overlap at their joins.
void LinePolygons(const std::vector<std::vector<PointD>>& lines, const std::vector<bool>& closed, double width,
                  std::vector<std::vector<PointD>>* out) {
  double h = std::max(width, 1.0) / 2;
  for (size_t k = 0; k < lines.size(); ++k) {
    const auto& l = lines[k];
    size_t n = l.size();
    size_t segments = n < 2 ? 0 : (closed[k] ? n : n - 1);
    for (size_t i = 0; i < segments; ++i) {
      PointD a = l[i], b = l[(i + 1) % n];
      double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
      if (len == 0) continue;
      double ux = dx / len * h, uy = dy / len * h;
      std::vector<PointD> quad = {{a.x - ux - uy, a.y - uy + ux},
                                  {b.x + ux - uy, b.y + uy + ux},
                                  {b.x + ux + uy, b.y + uy - ux},
                                  {a.x - ux + uy, a.y - uy - ux}};
      // One orientation for every quad, so that the winding rule gives their union.
      double area = 0;
      for (size_t q = 0; q < 4; ++q) area += quad[q].x * quad[(q + 1) % 4].y - quad[(q + 1) % 4].x * quad[q].y;
      if (area < 0) std::reverse(quad.begin(), quad.end());
      out->push_back(std::move(quad));
    }
  }
}

double LineWidth(XFORMOBJ* xo, const LINEATTRS* la) {
  if (!la || !(la->fl & LA_GEOMETRIC)) return 1.0;
  XFORML m{};
  XFORMOBJ_iGetXform(xo, &m);
  double scale = (std::fabs(m.eM11) + std::fabs(m.eM22)) / 2;
  return std::max(1.0, double(la->elWidth.e) * (scale > 0 ? scale : 1.0));
}

}  // namespace
}  // namespace kvp::eng

using namespace kvp::eng;

KVAPI BOOL EngBitBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* rect,
                     POINTL* srcPoint, POINTL* maskPoint, BRUSHOBJ* bo, POINTL* brushOrigin, ROP4 rop4) {
  BYTE fore = BYTE(rop4 & 0xFF), back = BYTE((rop4 >> 8) & 0xFF);
  auto usesSource = [](BYTE r) { return ((r >> 2) & 0x33) != (r & 0x33); };
  auto usesPattern = [](BYTE r) { return ((r >> 4) & 0x0F) != (r & 0x0F); };
  bool needSource = usesSource(fore) || usesSource(back);
  bool needMask = fore != back;
  if (!Drawable(dst) || !rect || (needSource && (!Drawable(src) || !srcPoint)) || (needMask && mask && !Drawable(mask))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ULONG dbpp = BitsPerPixel(dst->iBitmapFormat), m = Mask(dbpp);
  Pattern pat;
  if ((usesPattern(fore) || usesPattern(back)) && !MakePattern(bo, brushOrigin, dbpp, &pat)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL r{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom), std::max(rect->left, rect->right),
          std::max(rect->top, rect->bottom)};
  ULONG sbpp = needSource ? BitsPerPixel(src->iBitmapFormat) : 0;
  for (const RECTL& c : ClipRects(clip, SurfaceRect(dst))) {
    LONG x0 = std::max(r.left, c.left), x1 = std::min(r.right, c.right);
    for (LONG y = std::max(r.top, c.top); y < std::min(r.bottom, c.bottom); ++y) {
      for (LONG x = x0; x < x1; ++x) {
        ULONG s = 0;
        if (needSource) {
          LONG sx = srcPoint->x + (x - r.left), sy = srcPoint->y + (y - r.top);
          if (sx < 0 || sy < 0 || sx >= src->sizlBitmap.cx || sy >= src->sizlBitmap.cy) continue;
          s = Convert(sbpp, ReadRaw(src, sx, sy), dbpp, xlate);
        }
        BYTE rop = fore;
        if (needMask) {
          ULONG bit = 1;
          if (mask) {
            LONG mx = (maskPoint ? maskPoint->x : 0) + (x - r.left), my = (maskPoint ? maskPoint->y : 0) + (y - r.top);
            bit = (mx >= 0 && my >= 0 && mx < mask->sizlBitmap.cx && my < mask->sizlBitmap.cy) ? ReadRaw(mask, mx, my)
                                                                                             : 1;
          }
          rop = bit ? fore : back;
        }
        WriteRaw(dst, x, y, Rop3(rop, pat.At(x, y), s, ReadRaw(dst, x, y)) & m);
      }
    }
  }
  ++dst->iUniq;
  return TRUE;
}

KVAPI BOOL EngCopyBits(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* rect, POINTL* srcPoint) {
  if (!rect || !srcPoint || !Drawable(dst) || !Drawable(src)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (rect->left <= rect->right && rect->top <= rect->bottom)
    return EngBitBlt(dst, src, nullptr, clip, xlate, rect, srcPoint, nullptr, nullptr, nullptr, 0xCCCC);
  // A rectangle given right to left or bottom to top mirrors the source.
  RECTL r{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom), std::max(rect->left, rect->right),
          std::max(rect->top, rect->bottom)};
  bool mirrorX = rect->left > rect->right, mirrorY = rect->top > rect->bottom;
  ULONG sbpp = BitsPerPixel(src->iBitmapFormat), dbpp = BitsPerPixel(dst->iBitmapFormat);
  LONG w = r.right - r.left, h = r.bottom - r.top;
  for (const RECTL& c : ClipRects(clip, SurfaceRect(dst)))
    for (LONG y = std::max(r.top, c.top); y < std::min(r.bottom, c.bottom); ++y)
      for (LONG x = std::max(r.left, c.left); x < std::min(r.right, c.right); ++x) {
        LONG dx = x - r.left, dy = y - r.top;
        LONG sx = srcPoint->x + (mirrorX ? w - 1 - dx : dx), sy = srcPoint->y + (mirrorY ? h - 1 - dy : dy);
        if (sx < 0 || sy < 0 || sx >= src->sizlBitmap.cx || sy >= src->sizlBitmap.cy) continue;
        WriteRaw(dst, x, y, Convert(sbpp, ReadRaw(src, sx, sy), dbpp, xlate));
      }
  ++dst->iUniq;
  return TRUE;
}

KVAPI BOOL EngFillPath(SURFOBJ* so, PATHOBJ* ppo, CLIPOBJ* clip, BRUSHOBJ* bo, POINTL* origin, MIX mix,
                       FLONG options) {
  KvPath* p = PathOf(ppo);
  if (!Drawable(so) || !p) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<std::vector<PointD>> polys;
  FlattenPath(p->runs, &polys, nullptr);
  BOOL ok = FillPolygons(so, polys, options == FP_WINDINGMODE, clip, bo, origin, mix);
  if (ok) ++so->iUniq;
  return ok;
}

KVAPI BOOL EngStrokePath(SURFOBJ* so, PATHOBJ* ppo, CLIPOBJ* clip, XFORMOBJ* xo, BRUSHOBJ* bo, POINTL* origin,
                         LINEATTRS* la, MIX mix) {
  KvPath* p = PathOf(ppo);
  if (!Drawable(so) || !p) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<std::vector<PointD>> lines, polys;
  std::vector<bool> closed;
  FlattenPath(p->runs, &lines, &closed);
  LinePolygons(lines, closed, LineWidth(xo, la), &polys);
  Pattern pat;
  if (!MakePattern(bo, origin, BitsPerPixel(so->iBitmapFormat), &pat)) return FALSE;
  std::vector<RECTL> rects = ClipRects(clip, SurfaceRect(so));
  ScanPolygons(polys, true, 0, so->sizlBitmap.cy,
               [&](LONG y, LONG x0, LONG x1) { FillSpan(so, pat, mix, y, x0, x1, rects); });
  ++so->iUniq;
  return TRUE;
}

KVAPI BOOL EngStrokeAndFillPath(SURFOBJ* so, PATHOBJ* ppo, CLIPOBJ* clip, XFORMOBJ* xo, BRUSHOBJ* stroke,
                                LINEATTRS* la, BRUSHOBJ* fill, POINTL* origin, MIX mix, FLONG options) {
  return EngFillPath(so, ppo, clip, fill, origin, mix, options) &&
         EngStrokePath(so, ppo, clip, xo, stroke, origin, la, mix);
}
