// Paths and line attributes: the stroke and fill hooks, the conversion of the engine's line attributes
// (width, joins, caps, miter limit, style array to a 32-cell dash pattern) and the path encoding shared
// by clip regions and glyph outlines.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "gr_hooks.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "kvplat/error.h"
#include "zs_stream.h"

namespace {

// Truncates a float to an integer, saturating instead of overflowing.
LONG Trunc(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<LONG>::max();
  if (v <= -2147483648.0) return std::numeric_limits<LONG>::min();
  return LONG(v);
}

void Put32(BYTE* p, DWORD v) { std::memcpy(p, &v, 4); }

// Writes subpath blocks into a bounded buffer: every element is checked against the room left, so a
// path with more elements than its curve count promised fails instead of writing past the end.
struct PathEncoder {
  BYTE* out;
  DWORD capacity;
  LONG dx = 0, dy = 0;
  DWORD used = 0;
  DWORD lines = 0, beziers = 0, subpaths = 0;
  bool closed = false, hasBeziers = false;
  DWORD blockAt = 0;      // offset of the open block's element count
  DWORD blockElements = 0;
  bool open = false;

  bool Room(DWORD n) const { return n <= capacity && used <= capacity - n; }
  bool Point(const POINTFIX& pt) {
    if (!Room(8)) return false;
    LONG v[2] = {LONG(uint32_t(pt.x) + uint32_t(dx)), LONG(uint32_t(pt.y) + uint32_t(dy))};
    std::memcpy(out + used, v, 8);
    used += 8;
    return true;
  }
  bool Tag(DWORD tag) {
    if (!Room(4)) return false;
    Put32(out + used, tag);
    used += 4;
    return true;
  }
  void Close() {
    if (open) Put32(out + blockAt, blockElements);
    open = false;
  }
  // One run of points; false for a malformed run or one that does not fit.
  bool Run(const PATHDATA& pd) {
    ULONG i = 0;
    if (pd.flags & PD_BEGINSUBPATH) {
      Close();
      if (pd.count == 0 || !pd.pptfx || !Room(4)) return false;
      blockAt = used;
      used += 4;
      blockElements = 0;
      open = true;
      ++subpaths;
      if (!Point(pd.pptfx[i++])) return false;
    }
    if (!open) return false;  // points with no subpath to belong to
    if (pd.count > i && !pd.pptfx) return false;
    ULONG rest = pd.count - i;
    if (pd.flags & PD_BEZIERS) {
      if (rest % 3) return false;
      hasBeziers = true;
      for (; i < pd.count; i += 3) {
        if (!Tag(1) || !Point(pd.pptfx[i]) || !Point(pd.pptfx[i + 1]) || !Point(pd.pptfx[i + 2])) return false;
        ++beziers;
        ++blockElements;
      }
    } else {
      for (; i < pd.count; ++i) {
        if (!Tag(0) || !Point(pd.pptfx[i])) return false;
        ++lines;
        ++blockElements;
      }
    }
    if (pd.flags & PD_CLOSEFIGURE) closed = true;
    if (pd.flags & PD_ENDSUBPATH) Close();
    return true;
  }
  DWORD Estimate() const { return 3 * lines + 7 * beziers + 3 * subpaths + (subpaths > 1 ? 1 : 0); }
};

RECTL PixelBounds(PATHOBJ* path) {
  RECTFX fx{};
  PATHOBJ_vGetBounds(path, &fx);
  return RECTL{fx.xLeft >> 4, fx.yTop >> 4, fx.xRight >> 4, fx.yBottom >> 4};
}

// The room a path's reservation gives, checked against 32-bit overflow (0: too large).
DWORD ReserveBytes(PATHOBJ* path) {
  uint64_t n = 40ull * path->cCurves + 40ull;
  return n > 0x7FFFFFF0ull ? 0 : DWORD(n);
}

void PutHeader(BYTE* rec, bool beziers, BYTE mode, DWORD length, const RECTL& bounds, DWORD estimate) {
  rec[0] = beziers ? ZS_OP_BEZIER_PATH : ZS_OP_PATH;
  rec[1] = 0;
  rec[2] = mode;
  rec[3] = 0;
  Put32(rec + 4, length);
  std::memcpy(rec + 8, &bounds, 16);
  Put32(rec + 24, estimate);
}

constexpr DWORD kPathHeader = 28;

// The context of a path hook: DDI_ERROR for an invalid one; TRUE when drawing is suppressed, FALSE
// after an output error; 0xFF... none of these: go on (returns -2).
constexpr LONG kGoOn = -2;
LONG Prologue(SURFOBJ* so, GR_PDEV** out) {
  GR_PDEV* p = so ? static_cast<GR_PDEV*>(so->dhpdev) : nullptr;
  if (!GrIsValidPdev(p)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return LONG(DDI_ERROR);
  }
  *out = p;
  if (p->drawingSuppressed) return TRUE;
  if (p->state & GR_STATE_OUTPUT_ERROR) return FALSE;
  return kGoOn;
}

bool IsPattern(BRUSHOBJ* bo) { return bo && bo->iSolidColor == 0xFFFFFFFF; }

// Pattern brush of a path hook; failure is DDI_ERROR with ERROR_NOT_ENOUGH_MEMORY.
GR_BRUSH* SetBrush(GR_PDEV* p, SURFOBJ* so, BRUSHOBJ* bo, POINTL* origin) {
  GR_BRUSH* b = GrGetBrush(p, so, bo, origin);
  if (!b || !GrSetPatternBrush(p, b)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return b;
}

BOOL GrStrokePath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* pen, POINTL* origin,
                  LINEATTRS* line, MIX mix) {
  GR_PDEV* p = nullptr;
  LONG pro = Prologue(so, &p);
  if (pro != kGoOn) return BOOL(pro);
  if (!pen || !path || !line || IsPattern(pen)) return FALSE;
  GR_LINE_ATTRS la{};
  WORD geometric = 0;
  if (!GrConvertLineAttributes(p, line, pen->iSolidColor, xform, &la, &geometric) && geometric) return FALSE;
  if (!GrSetLineAttributes(p, &la)) return FALSE;
  if (!SetBrush(p, so, pen, origin)) return BOOL(DDI_ERROR);
  GR_COLOR_BRUSH cb{};
  GrSplitMix(p, mix, &cb, 0);
  if (!GrSetBackgroundMode(p, BYTE(cb.backgroundMode)) || !GrSetRop(p, GrMix2ToRop3(cb.foregroundMix))) return FALSE;
  if (GrSetClip(p, clip) == -1) return FALSE;
  cb.color1 = pen->iSolidColor;
  cb.color2 = 0xFFFFFF;
  GrSwapBrushColors(&cb);
  cb.kind = GR_KIND_STROKE;
  cb.hostIcm = (pen->flColorType & BR_HOST_ICM) ? 1 : 0;
  if (!GrSetColorBrush(p, &cb)) return FALSE;
  if (GrPathFitsDevice(p, path) || !geometric) return GrPutPathRecord(p, path, GR_PATH_STROKE) ? TRUE : FALSE;
  return EngStrokePath(so, path, clip, xform, pen, origin, line, mix);
}

// Colour state of a fill from its brush.
void FillColors(GR_COLOR_BRUSH* cb, const GR_BRUSH* b, BRUSHOBJ* bo) {
  cb->color1 = b->color1;
  cb->color2 = b->color2;
  cb->hostIcm = (bo->flColorType & BR_HOST_ICM) ? 1 : 0;
}

BYTE FillBackground(const GR_BRUSH* b, const GR_COLOR_BRUSH& cb) {
  return b->kind == GR_BRUSH_PATTERN24 ? 2 : BYTE(cb.backgroundMode);
}

BOOL GrFillPath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* bo, POINTL* origin, MIX mix, FLONG options) {
  GR_PDEV* p = nullptr;
  LONG pro = Prologue(so, &p);
  if (pro != kGoOn) return BOOL(pro);
  if (!path) return FALSE;
  GR_BRUSH* b = SetBrush(p, so, bo, origin);
  if (!b) return BOOL(DDI_ERROR);
  GR_COLOR_BRUSH cb{};
  GrSplitMix(p, mix, &cb, 0);
  FillColors(&cb, b, bo);
  cb.kind = GR_KIND_FILL;
  GrSwapBrushColors(&cb);
  if (!GrSetColorBrush(p, &cb)) return FALSE;
  if (!GrSetBackgroundMode(p, FillBackground(b, cb)) || !GrSetRop(p, GrMix2ToRop3(cb.foregroundMix))) return FALSE;
  if (GrSetClip(p, clip) == -1) return FALSE;
  BYTE mode = options == FP_WINDINGMODE ? GR_PATH_FILL_WINDING : GR_PATH_FILL_ALTERNATE;
  if (GrPathFitsDevice(p, path)) return GrPutPathRecord(p, path, mode) ? TRUE : FALSE;
  return EngFillPath(so, path, clip, bo, origin, mix, options);
}

}  // namespace

LONG GrXformScale(XFORMOBJ* xform) {
  XFORML m{};
  ULONG complexity = XFORMOBJ_iGetXform(xform, &m);
  if (complexity == GX_IDENTITY) return -1;
  if (complexity == DDI_ERROR) return 0;
  int64_t a = std::abs(int64_t(Trunc(double(m.eM11) * 256))), d = std::abs(int64_t(Trunc(double(m.eM22) * 256)));
  return LONG(std::min<int64_t>((a + d) / 2, std::numeric_limits<LONG>::max()));
}

BOOL GrPathFitsDevice(GR_PDEV* p, PATHOBJ* path) {
  return !(p->hidden2Func11 && path && path->cCurves > GR_PATH_CURVE_LIMIT);
}

int GrConvertLineAttributes(GR_PDEV* p, LINEATTRS* line, DWORD color, XFORMOBJ* xform, GR_LINE_ATTRS* out,
                            WORD* flag) {
  *out = GR_LINE_ATTRS{};
  out->dashPattern = 0xFFFFFFFF;
  if (flag) *flag = 0;
  const bool geometric = line->fl & LA_GEOMETRIC;
  // 1. Width.
  LONG scale = 0;
  bool scaled = false;
  if (geometric) {
    if (flag) *flag = 1;
    LONG w = Trunc(line->elWidth.e);
    if (w == 0) w = line->elWidth.l;
    if (w < 1) {
      out->width = 1;
    } else {
      scale = GrXformScale(xform);
      scaled = true;
      if (scale == 0) return 0;  // too small to draw
      int64_t wide = scale == -1 ? int64_t(w) : (int64_t(w) * scale) >> 8;
      // The record holds 15 bits: a wider line is drawn as wide as it can be, never as a negative
      // width that would also pass the test below for dashes.
      out->width = SHORT(std::clamp<int64_t>(wide, 1, 32767));
    }
    out->join = line->iJoin == JOIN_BEVEL ? 1 : line->iJoin == JOIN_MITER ? 2 : 0;
    out->cap = line->iEndCap == ENDCAP_SQUARE ? 2 : line->iEndCap == ENDCAP_BUTT ? 1 : 0;
  } else {
    out->width = 1;
  }
  // 2. Miter limit.
  if (line->fl & (LA_GEOMETRIC | LA_STYLED))
    out->miterLimit = DWORD(Trunc(std::clamp(double(line->eMiterLimit), 1.0, 32767.0) * 256));
  else
    out->miterLimit = 2560;
  out->color = color;
  // 3. Dash pattern.
  if (!(line->fl & (LA_GEOMETRIC | LA_STYLED)) || !line->pstyle || line->cstyle == 0) return 1;
  if (out->width > 1) return 0;
  ULONG n = line->cstyle;
  if (n <= 1) return 1;
  const LONG unit = p->resolution / 50;
  const FLOAT_LONG* style = line->pstyle;
  LONG gap = 0;
  if (line->fl & LA_STARTGAP) {
    gap = (geometric ? Trunc(style[0].e) : style[0].l) & 0xFF;
    ++style;
    if (--n <= 1) return 1;
  }
  auto* len = static_cast<LONG*>(GrHeapAlloc(p->heap, (n + 1) * sizeof(LONG)));
  if (!len) return geometric ? 0 : 1;
  LONG* repeated = nullptr;
  auto done = [&](int result) {
    GrHeapFree(p->heap, repeated);
    GrHeapFree(p->heap, len);
    return result;
  };
  int64_t sum = 0;
  for (ULONG i = 0; i < n; ++i) {
    int64_t v;
    if (geometric) {
      v = Trunc(style[i].e);
      if (scaled && scale > 0) v = (v * scale) >> 8;
    } else {
      v = int64_t(style[i].l) * unit;
    }
    len[i] = LONG(std::clamp<int64_t>(v, 0, 0x7FFFFF));  // lengths are counts of pixels
    sum += len[i];
  }
  if (sum == 0) return done(1);
  out->dashOffset = WORD(int64_t(gap) * 32 / sum);
  // A zero length takes its neighbour's.
  for (ULONG i = 0; i < n; ++i)
    if (len[i] == 0) len[i] = i + 1 < n ? len[i + 1] : len[i - 1];
  int64_t total = 0;
  for (ULONG i = 0; i < n; ++i) total += len[i];
  if (total > 32) {
    int64_t u = total / 32;
    if (u > 255) {
      if (geometric) return done(0);
      u = 255;
    }
    out->dashUnit = WORD(u);
    int64_t cells = 0;
    for (ULONG i = 0; i < n; ++i) {
      len[i] = LONG((int64_t(len[i]) * 32 / total) & 0xFF);
      if (len[i] < 1) len[i] = 1;
      cells += len[i];
    }
    if (cells > 32) {  // too many entries for 32 cells: drawn solid
      out->dashPattern = 0xFFFFFFFF;
      out->dashOffset = 0;
      out->dashUnit = 0;
      return done(geometric ? 0 : 1);
    }
    for (ULONG i = 0; i < n && cells < 32; ++i, ++cells) ++len[i];
    int64_t others = 0;
    for (ULONG i = 0; i + 1 < n; ++i) others += len[i];
    len[n - 1] = LONG((32 - others) & 0xFF);
    total = 32;
  } else {
    out->dashUnit = 1;
  }
  int64_t k = 32 / total, r = 32 % total;
  LONG* cells = len;
  if (k > 1) {
    repeated = static_cast<LONG*>(GrHeapAlloc(p->heap, DWORD((n * k + 1) * sizeof(LONG))));
    if (repeated) {
      ULONG m = ULONG(n * k);
      for (ULONG i = 0; i < m; ++i) repeated[i] = len[i % n] + LONG(r / m) + (i < ULONG(r % m) ? 1 : 0);
      cells = repeated;
      n = m;
      k = 1;
      r = 0;
    }
  }
  // Cells from the start, dashes at even entries and gaps at odd ones; the remainder r lengthens the
  // first entries by one cell each, and what is still left repeats the last cell.
  DWORD bits = 0;
  int count = 0;
  DWORD last = 1;
  for (ULONG i = 0; i < n; ++i) {
    int64_t run = int64_t(cells[i]) * k;
    if (r > 0) {
      ++run;
      --r;
    }
    last = (i % 2 == 0) ? 1 : 0;
    for (int64_t c = 0; c < run && count < 32; ++c, ++count) bits = (bits << 1) | last;
  }
  for (; r > 0 && count < 32; --r, ++count) bits = (bits << 1) | last;
  out->dashPattern = bits;
  return done(1);
}

BYTE* GrPutPathRecord(GR_PDEV* p, PATHOBJ* path, BYTE mode) {
  if (!path) return nullptr;
  ZARN_STREAM* s = &p->stream;
  DWORD reserve = ReserveBytes(path);
  if (!reserve) return nullptr;
  ZS_MARK mark = ZsMark(s);
  BYTE* rec = ZsReserve(s, reserve);
  if (!rec) return nullptr;
  PathEncoder enc{rec + kPathHeader, reserve - kPathHeader};
  PATHOBJ_vEnumStart(path);
  PATHDATA pd{};
  BOOL more = TRUE;
  bool ok = true;
  while (ok && more) {
    more = PATHOBJ_bEnum(path, &pd);
    if (pd.count == 0 && !more) break;
    ok = enc.Run(pd);
  }
  enc.Close();
  if (!ok || enc.subpaths == 0) {
    ZsWithdraw(s, mark);
    return nullptr;
  }
  if (mode == GR_PATH_STROKE && enc.closed && enc.subpaths > 1) {
    // Strokes of closed figures go out one subpath per record.
    ZsWithdraw(s, mark);
    return GrPutPathPerSubpath(p, path, mode);
  }
  BYTE flags = BYTE(mode | (enc.closed ? GR_PATH_CLOSED : 0) | (enc.subpaths > 1 ? GR_PATH_SUBPATHS : 0));
  DWORD length = (kPathHeader + enc.used + 3) & ~3u;
  PutHeader(rec, enc.hasBeziers, flags, length, PixelBounds(path), enc.Estimate());
  ZsTrimLast(s, rec + length);
  return rec;
}

BYTE* GrPutPathPerSubpath(GR_PDEV* p, PATHOBJ* path, BYTE mode) {
  if (!path) return nullptr;
  ZARN_STREAM* s = &p->stream;
  DWORD reserve = ReserveBytes(path);
  if (!reserve) return nullptr;
  RECTL bounds = PixelBounds(path);
  bool beziers = false;
  BYTE* last = nullptr;
  BYTE* rec = nullptr;
  ZS_MARK mark{};
  PathEncoder enc{nullptr, 0};
  auto finish = [&]() {
    enc.Close();
    beziers = beziers || enc.hasBeziers;
    DWORD length = (kPathHeader + enc.used + 3) & ~3u;
    PutHeader(rec, beziers, BYTE(mode | (enc.closed ? GR_PATH_CLOSED : 0)), length, bounds,
              3 * enc.lines + 7 * enc.beziers + 3);
    ZsTrimLast(s, rec + length);
    last = rec;
    rec = nullptr;
  };
  PATHOBJ_vEnumStart(path);
  PATHDATA pd{};
  BOOL more = TRUE;
  while (more) {
    more = PATHOBJ_bEnum(path, &pd);
    if (pd.count == 0 && !more) break;
    if (pd.flags & PD_BEGINSUBPATH) {
      if (rec) finish();
      mark = ZsMark(s);
      rec = ZsReserve(s, reserve);
      if (!rec) return nullptr;
      enc = PathEncoder{rec + kPathHeader, reserve - kPathHeader};
    }
    if (!rec || !enc.Run(pd)) {
      if (rec) ZsWithdraw(s, mark);
      return nullptr;
    }
    if (pd.flags & PD_ENDSUBPATH) finish();
  }
  if (rec) finish();
  return last;
}

DWORD GrEncodeOutline(GR_PDEV*, PATHOBJ* path, DWORD* closed, BYTE* buffer, DWORD capacity, LONG dx, LONG dy) {
  if (closed) *closed = 0;
  if (!path || !buffer || capacity < 4) return 0;
  PathEncoder enc{buffer + 4, capacity - 4, dx, dy};
  PATHOBJ_vEnumStart(path);
  PATHDATA pd{};
  BOOL more = TRUE;
  while (more) {
    more = PATHOBJ_bEnum(path, &pd);
    if (pd.count == 0) return 0;
    if (!enc.Run(pd)) return 0;
  }
  enc.Close();
  if (enc.subpaths == 0) return 0;
  Put32(buffer, enc.Estimate());
  if (closed) *closed = enc.closed ? 1 : 0;
  DWORD used = (4 + enc.used + 3) & ~3u;
  if (used > capacity) return 0;
  std::memset(buffer + 4 + enc.used, 0, used - 4 - enc.used);
  return used;
}

BYTE* GrAllocOutline(GR_PDEV* p, ULONG curves) {
  uint64_t n = 40ull * curves + 16ull;
  return n > 0x7FFFFFF0ull ? nullptr : static_cast<BYTE*>(GrHeapAlloc(p->heap, DWORD(n)));
}

int GrFillThenStroke(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* stroke, LINEATTRS* line,
                     BRUSHOBJ* fill, POINTL* origin, MIX mix, FLONG options) {
  if (!GrFillPath(so, path, clip, fill, origin, mix, options)) return 0;
  return GrStrokePath(so, path, clip, xform, stroke, origin, line, mix) ? 1 : 0;
}

BOOL DrvStrokePath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush, POINTL* origin,
                   LINEATTRS* line, MIX mix) {
  return GrStrokePath(so, path, clip, xform, brush, origin, line, mix);
}

BOOL DrvFillPath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* origin, MIX mix, FLONG options) {
  return GrFillPath(so, path, clip, brush, origin, mix, options);
}

BOOL DrvStrokeAndFillPath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* stroke,
                          LINEATTRS* line, BRUSHOBJ* fill, POINTL* origin, MIX mix, FLONG options) {
  GR_PDEV* p = nullptr;
  LONG pro = Prologue(so, &p);
  if (pro != kGoOn) return BOOL(pro);
  if (!path || !line || !stroke || !fill) return FALSE;
  if (IsPattern(fill) || IsPattern(stroke))
    return GrFillThenStroke(so, path, clip, xform, stroke, line, fill, origin, mix, options) == 1;
  GR_LINE_ATTRS la{};
  WORD geometric = 0;
  if (!GrConvertLineAttributes(p, line, stroke->iSolidColor, xform, &la, &geometric)) return FALSE;
  bool fits = GrPathFitsDevice(p, path);
  if (!fits && !geometric)
    return GrFillThenStroke(so, path, clip, xform, stroke, line, fill, origin, mix, options) == 1;
  if (!GrSetLineAttributes(p, &la)) return FALSE;
  GR_BRUSH* b = SetBrush(p, so, fill, origin);
  if (!b) return BOOL(DDI_ERROR);
  GR_COLOR_BRUSH cb{};
  GrSplitMix(p, mix, &cb, 1);
  if (!GrSetBackgroundMode(p, FillBackground(b, cb)) || !GrSetRop(p, GrMix2ToRop3(cb.foregroundMix))) return FALSE;
  if (GrSetClip(p, clip) == -1) return FALSE;
  FillColors(&cb, b, fill);
  cb.extraColor = stroke->iSolidColor;
  cb.hasExtra = 1;
  cb.kind = GR_KIND_STROKE_FILL;
  GrSwapBrushColors(&cb);
  if (!GrSetColorBrush(p, &cb)) return FALSE;
  BYTE mode = options == FP_WINDINGMODE ? GR_PATH_STROKE_FILL_WINDING : GR_PATH_STROKE_FILL_ALTERNATE;
  if (fits) return GrPutPathRecord(p, path, mode) ? TRUE : FALSE;
  return EngStrokeAndFillPath(so, path, clip, xform, stroke, line, fill, origin, mix, options);
}
