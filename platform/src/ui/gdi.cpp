// Device contexts and drawing objects: memory DCs and bitmaps with their colour tables, DIB exchange,
// pens, brushes, palettes, regions and clipping, blits with any raster operation, shapes and paths.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "gdi_internal.h"
#include "kvplat/printdc.h"

namespace kvp::ui {

bool FreeFont(HGDIOBJ h);

namespace {

constexpr int kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(1) << 25;
constexpr int kScreenW = 1024, kScreenH = 768;

KvBrush g_sysBrushes[31];
KvBrush g_stockBrushes[6];
KvPen g_stockPens[3];
KvMemBitmap g_stockBitmap;  // every fresh memory DC's 1 x 1 monochrome bitmap
KvDcPalette g_defaultPalette;

std::unordered_set<KvDc*>& Dcs() {
  static auto* s = new std::unordered_set<KvDc*>;
  return *s;
}
// Objects made by programs, by handle.
std::unordered_set<KvObj*>& Objects() {
  static auto* s = new std::unordered_set<KvObj*>;
  return *s;
}

template <class T>
T* Make(uint32_t kind) {
  auto* o = new T;
  o->kind = kind;
  Objects().insert(o);
  return o;
}

bool IsStock(const void* p) {
  auto in = [p](const auto* arr, size_t n) { return p >= static_cast<const void*>(arr) && p < static_cast<const void*>(arr + n); };
  return in(g_sysBrushes, 31) || in(g_stockBrushes, 6) || in(g_stockPens, 3) || p == &g_stockBitmap || p == &g_defaultPalette;
}

KvObj* ObjOf(HGDIOBJ h, uint32_t kind) {
  InitStock();
  auto* o = static_cast<KvObj*>(h);
  if (!o) return nullptr;
  if (IsStock(o) || Objects().count(o)) return o->kind == kind || kind == 0 ? o : nullptr;
  if (kind == OBJ_FONT || kind == 0) return FontOf(static_cast<HFONT>(h));
  return nullptr;
}

KvPen* PenOf(HPEN h) { return static_cast<KvPen*>(ObjOf(h, OBJ_PEN)); }
KvMemBitmap* MemBitmapOf(HBITMAP h) { return static_cast<KvMemBitmap*>(ObjOf(h, OBJ_BITMAP)); }
KvRgn* RgnOf(HRGN h) { return static_cast<KvRgn*>(ObjOf(h, OBJ_REGION)); }
KvDcPalette* PaletteOf(HPALETTE h) { return reinterpret_cast<KvDcPalette*>(ObjOf(h, OBJ_PAL)); }

// ---- regions as lists of disjoint rectangles -------------------------------------------------------------

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

std::vector<RECT> Minus(const RECT& a, const RECT& b) {
  RECT i = Intersect(a, b);
  if (Empty(i)) return {a};
  std::vector<RECT> out;
  if (a.top < i.top) out.push_back(RECT{a.left, a.top, a.right, i.top});
  if (i.bottom < a.bottom) out.push_back(RECT{a.left, i.bottom, a.right, a.bottom});
  if (a.left < i.left) out.push_back(RECT{a.left, i.top, i.left, i.bottom});
  if (i.right < a.right) out.push_back(RECT{i.right, i.top, a.right, i.bottom});
  return out;
}

std::vector<RECT> Subtract(const std::vector<RECT>& a, const std::vector<RECT>& b) {
  std::vector<RECT> cur = a;
  for (const RECT& r : b) {
    std::vector<RECT> next;
    for (const RECT& c : cur)
      for (const RECT& piece : Minus(c, r)) next.push_back(piece);
    cur.swap(next);
  }
  return cur;
}

std::vector<RECT> Combine(const std::vector<RECT>& a, const std::vector<RECT>& b, int mode) {
  std::vector<RECT> out;
  switch (mode) {
    case RGN_AND:
      for (const RECT& x : a)
        for (const RECT& y : b)
          if (RECT i = Intersect(x, y); !Empty(i)) out.push_back(i);
      return out;
    case RGN_OR:
      out = a;
      for (const RECT& r : Subtract(b, a)) out.push_back(r);
      return out;
    case RGN_XOR:
      out = Subtract(a, b);
      for (const RECT& r : Subtract(b, a)) out.push_back(r);
      return out;
    case RGN_DIFF:
      return Subtract(a, b);
    default:
      return a;
  }
}

int Kind(const std::vector<RECT>& r) { return r.empty() ? NULLREGION : r.size() == 1 ? SIMPLEREGION : COMPLEXREGION; }

RECT Box(const std::vector<RECT>& rs) {
  if (rs.empty()) return RECT{};
  RECT b = rs[0];
  for (const RECT& r : rs) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

// The DC's drawable area in logical coordinates.
RECT Drawable(KvDc* d) {
  if (!d->surface) return RECT{0, 0, kScreenW, kScreenH};
  return RECT{d->clip.left - d->origin.x, d->clip.top - d->origin.y, d->clip.right - d->origin.x, d->clip.bottom - d->origin.y};
}

bool Inside(KvDc* d, int x, int y) {
  if (!d->surface) return false;
  int sx = x + d->origin.x, sy = y + d->origin.y;
  if (sx < d->clip.left || sx >= d->clip.right || sy < d->clip.top || sy >= d->clip.bottom) return false;
  if (!d->clipRgn) return true;
  for (const RECT& r : *d->clipRgn)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

// What a pixel becomes in the DC's bitmap (its nearest table entry when the bitmap has a table).
uint32_t Stored(KvDc* d, uint32_t px) {
  if (d->bitmap && d->bitmap->bpp <= 8 && !d->bitmap->table.empty()) return d->bitmap->table[Nearest(d->bitmap->table, px)];
  return px;
}

uint32_t& At(KvDc* d, int x, int y) {
  return d->surface->px[size_t(y + d->origin.y) * size_t(d->surface->width) + size_t(x + d->origin.x)];
}

// ---- bitmaps ------------------------------------------------------------------------------------------------

std::vector<uint32_t> StandardTable(int bpp) {
  std::vector<uint32_t> t;
  if (bpp == 1) return {0x000000, 0xFFFFFF};
  if (bpp == 4) {
    static const uint32_t k16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                     0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return std::vector<uint32_t>(k16, k16 + 16);
  }
  // 8 bits: a 6 x 6 x 6 cube and a ramp of greys.
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) t.push_back(uint32_t(r * 51) << 16 | uint32_t(g * 51) << 8 | uint32_t(b * 51));
  for (int i = 0; t.size() < 256; ++i) {
    uint32_t v = uint32_t(8 + i * 6);
    t.push_back(v << 16 | v << 8 | v);
  }
  return t;
}

bool SizeOk(int w, int h) {
  if (w < 0 || h < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (w > kMaxSide || h > kMaxSide || int64_t(w) * int64_t(h) > kMaxPixels) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  return true;
}

KvMemBitmap* NewBitmap(int w, int h, int bpp, std::vector<uint32_t> table) {
  if (!SizeOk(w, h)) return nullptr;
  if (w == 0 || h == 0) w = h = 1, bpp = 1, table = StandardTable(1);
  auto* b = Make<KvMemBitmap>(OBJ_BITMAP);
  b->bpp = bpp;
  b->table = std::move(table);
  b->s.width = w;
  b->s.height = h;
  b->s.px.assign(size_t(w) * size_t(h), bpp == 1 ? 0 : 0);
  return b;
}

// A copy of a resource bitmap, so a DC can draw from it.
std::unique_ptr<KvMemBitmap> FromResource(HBITMAP h) {
  BitmapDesc desc;
  if (!BitmapDescribe(h, &desc)) return nullptr;
  auto b = std::make_unique<KvMemBitmap>();
  b->kind = OBJ_BITMAP;
  b->bpp = 32;
  b->s.width = int(desc.width);
  b->s.height = int(desc.height);
  b->s.px.resize(size_t(desc.width) * size_t(desc.height));
  for (int y = 0; y < desc.height; ++y)
    for (int x = 0; x < desc.width; ++x)
      b->s.px[size_t(y) * size_t(desc.width) + size_t(x)] =
          DibPixel(desc.info, desc.bits, desc.stride, desc.bitsPerPixel, desc.topDown, desc.height, x, y);
  return b;
}

void Attach(KvDc* d, KvMemBitmap* b) {
  d->bitmap = b;
  d->surface = &b->s;
  d->origin = POINT{0, 0};
  d->clip = RECT{0, 0, b->s.width, b->s.height};
}

int DcDepth(KvDc* d) { return d->memory && d->bitmap ? d->bitmap->bpp : 32; }

// ---- raster operations ------------------------------------------------------------------------------------

// Applies a ROP3 bit by bit: each result bit is the ROP's bit at index (pattern << 2 | source << 1 | dest).
uint32_t Rop3(uint32_t rop, uint32_t p, uint32_t s, uint32_t dst) {
  unsigned code = (rop >> 16) & 0xFF;
  uint32_t out = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    uint32_t m = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? dst : ~dst);
    out |= m;
  }
  return out & 0xFFFFFF;
}

bool UsesSource(uint32_t rop) { return ((((rop >> 16) >> 2) ^ (rop >> 16)) & 0x33) != 0; }

uint32_t PatternOf(KvDc* d) {
  const KvBrush* b = BrushOf(d->brush);
  return b && !b->hollow ? Px(b->colour) : 0xFFFFFF;
}

bool Blit(KvDc* dst, int x, int y, int w, int h, KvDc* src, int sx, int sy, int sw, int sh, uint32_t rop) {
  bool needSrc = UsesSource(rop);
  if (needSrc && !src) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!dst->surface || w == 0 || h == 0) return true;
  uint32_t pat = PatternOf(dst);
  bool srcMono = needSrc && src->bitmap && src->bitmap->bpp == 1;
  bool dstMono = dst->bitmap && dst->bitmap->bpp == 1;
  int aw = std::abs(w), ah = std::abs(h);
  // Only the part of the destination that can be drawn is visited.
  RECT area = Intersect(RECT{std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h)}, Drawable(dst));
  int x0 = std::min(x, x + w), y0 = std::min(y, y + h);
  for (LONG j = area.top; j < area.bottom; ++j) {
    for (LONG i = area.left; i < area.right; ++i) {
      if (!Inside(dst, int(i), int(j))) continue;
      uint32_t s = 0;
      if (needSrc) {
        int di = int(i) - x0, dj = int(j) - y0;
        if ((w < 0) != (sw < 0)) di = aw - 1 - di;
        if ((h < 0) != (sh < 0)) dj = ah - 1 - dj;
        int px = std::min(sw, 0) + sx + int(int64_t(di) * std::abs(sw) / aw);
        int py = std::min(sh, 0) + sy + int(int64_t(dj) * std::abs(sh) / ah);
        if (!ReadPixel(src, px, py, &s)) continue;
        if (srcMono && !dstMono) s = s ? Px(dst->bk) : Px(dst->text);
        else if (dstMono && !srcMono) s = s == Px(src->bk) ? 0xFFFFFF : 0;
      }
      uint32_t& d = At(dst, int(i), int(j));
      d = Stored(dst, Rop3(rop, pat, s, d));
    }
  }
  return true;
}

// ---- lines and shapes -------------------------------------------------------------------------------------

void Dot(KvDc* d, int x, int y, const KvPen* pen) {
  int w = std::max(1, pen->width);
  uint32_t px = Px(pen->colour);
  if (w == 1) return PutPixel(d, x, y, px);
  for (int j = 0; j < w; ++j)
    for (int i = 0; i < w; ++i) PutPixel(d, x - w / 2 + i, y - w / 2 + j, px);
}

// A line from a to b with b excluded; `step` counts pixels along a pen's dash pattern.
void Line(KvDc* d, POINT a, POINT b, const KvPen* pen, int* step) {
  if (!pen || pen->style == PS_NULL) return;
  int dx = std::abs(int(b.x - a.x)), dy = -std::abs(int(b.y - a.y));
  int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1, err = dx + dy;
  int x = int(a.x), y = int(a.y);
  while (x != b.x || y != b.y) {
    int n = (*step)++;
    bool on = pen->style == PS_DASH ? n % 24 < 18 : pen->style == PS_DOT ? n % 6 < 3 : true;
    if (on) Dot(d, x, y, pen);
    int e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
}

void Outline(KvDc* d, const std::vector<POINT>& pts, bool closed) {
  const KvPen* pen = PenOf(d->pen);
  int step = 0;
  for (size_t i = 1; i < pts.size(); ++i) Line(d, pts[i - 1], pts[i], pen, &step);
  if (closed && pts.size() > 1) {
    Line(d, pts.back(), pts.front(), pen, &step);
    if (pen && pen->style != PS_NULL) Dot(d, int(pts.back().x), int(pts.back().y), pen);
  }
}

// Fills the figures with the brush, testing each pixel's centre (even-odd or winding).
void FillFigures(KvDc* d, const std::vector<Figure>& figs) {
  const KvBrush* b = BrushOf(d->brush);
  if (!b || b->hollow || !d->surface) return;
  uint32_t px = Px(b->colour);
  LONG top = INT32_MAX, bottom = INT32_MIN;
  for (auto& f : figs)
    for (auto& p : f.pts) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  RECT area = Drawable(d);
  top = std::max(top, area.top);
  bottom = std::min(bottom, area.bottom);
  for (LONG y = top; y < bottom; ++y) {
    double cy = double(y) + 0.5;
    std::vector<std::pair<double, int>> xs;
    for (auto& f : figs) {
      size_t n = f.pts.size();
      for (size_t i = 0; i < n; ++i) {
        POINT a = f.pts[i], c = f.pts[(i + 1) % n];
        if ((a.y <= cy) == (c.y <= cy)) continue;
        double t = (cy - double(a.y)) / double(c.y - a.y);
        xs.emplace_back(double(a.x) + t * double(c.x - a.x), c.y > a.y ? 1 : -1);
      }
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += xs[i].second;
      bool in = d->polyFill == WINDING ? wind != 0 : (i % 2) == 0;
      if (!in) continue;
      int from = int(std::ceil(xs[i].first - 0.5)), to = int(std::ceil(xs[i + 1].first - 0.5));
      for (int x = from; x < to; ++x) PutPixel(d, x, int(y), px);
    }
  }
}

// Points of an elliptic arc inside the box, from angle a0 over `sweep` radians (counterclockwise positive).
std::vector<POINT> ArcPoints(int l, int t, int r, int b, double a0, double sweep) {
  double cx = (l + r - 1) / 2.0, cy = (t + b - 1) / 2.0, rx = (r - l - 1) / 2.0, ry = (b - t - 1) / 2.0;
  int n = std::max(8, int(std::abs(sweep) * std::max(rx, ry)));
  std::vector<POINT> pts;
  for (int i = 0; i <= n; ++i) {
    double a = a0 + sweep * i / n;
    POINT p{LONG(std::lround(cx + rx * std::cos(a))), LONG(std::lround(cy - ry * std::sin(a)))};
    if (pts.empty() || pts.back().x != p.x || pts.back().y != p.y) pts.push_back(p);
  }
  return pts;
}

std::vector<POINT> Corners(int l, int t, int r, int b) {
  return {POINT{l, t}, POINT{r - 1, t}, POINT{r - 1, b - 1}, POINT{l, b - 1}};
}

KvDc* PathDc(HDC h) {
  KvDc* d = Dc(h);
  if (!d) SetLastError(ERROR_INVALID_HANDLE);
  return d;
}

void AddFigure(KvDc* d, std::vector<POINT> pts, bool closed) {
  d->path.push_back(Figure{std::move(pts), closed});
}

bool Unselect(KvObj* o) { return o && o->selected > 0 ? (o->selected--, true) : false; }
void Select(KvObj* o) {
  if (o) o->selected++;
}

}  // namespace

void InitStock() {
  static bool done = false;
  if (done) return;
  done = true;
  for (int i = 0; i < 31; ++i) g_sysBrushes[i].colour = SysColor(i), g_sysBrushes[i].kind = OBJ_BRUSH, g_sysBrushes[i].stock = true;
  const COLORREF stock[6] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64), RGB(0, 0, 0), 0};
  for (int i = 0; i < 6; ++i) g_stockBrushes[i].colour = stock[i], g_stockBrushes[i].kind = OBJ_BRUSH, g_stockBrushes[i].stock = true;
  g_stockBrushes[NULL_BRUSH].hollow = true;
  const COLORREF pens[3] = {RGB(255, 255, 255), 0, 0};
  for (int i = 0; i < 3; ++i) g_stockPens[i].colour = pens[i], g_stockPens[i].kind = OBJ_PEN, g_stockPens[i].stock = true;
  g_stockPens[2].style = PS_NULL;
  g_stockBitmap.kind = OBJ_BITMAP;
  g_stockBitmap.stock = true;
  g_stockBitmap.bpp = 1;
  g_stockBitmap.table = StandardTable(1);
  g_stockBitmap.s.width = g_stockBitmap.s.height = 1;
  g_stockBitmap.s.px.assign(1, 0);
  g_defaultPalette.kind = OBJ_PAL;
  g_defaultPalette.stock = true;
  for (uint32_t c : StandardTable(4)) g_defaultPalette.entries.push_back(PALETTEENTRY{BYTE(c >> 16), BYTE(c >> 8), BYTE(c), 0});
}

KvDc* Dc(HDC h) {
  auto* d = reinterpret_cast<KvDc*>(h);
  return d && Dcs().count(d) ? d : nullptr;
}

const KvBrush* BrushOf(HBRUSH b) {
  InitStock();
  auto v = reinterpret_cast<uintptr_t>(b);
  if (v >= 1 && v <= 31) return &g_sysBrushes[v - 1];  // the classic "system colour index + 1" value
  return static_cast<const KvBrush*>(ObjOf(b, OBJ_BRUSH));
}

uint32_t Px(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }
COLORREF Cref(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

RECT Intersect(RECT a, RECT b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

size_t Nearest(const std::vector<uint32_t>& table, uint32_t px) {
  size_t best = 0;
  long bestD = LONG_MAX;
  for (size_t i = 0; i < table.size(); ++i) {
    long dr = long((table[i] >> 16) & 0xFF) - long((px >> 16) & 0xFF), dg = long((table[i] >> 8) & 0xFF) - long((px >> 8) & 0xFF),
         db = long(table[i] & 0xFF) - long(px & 0xFF);
    long dist = dr * dr + dg * dg + db * db;
    if (dist < bestD) bestD = dist, best = i;
    if (dist == 0) break;
  }
  return best;
}

void FillOnSurface(KvDc* d, RECT r, uint32_t px) {
  if (!d->surface) return;
  std::vector<RECT> parts = d->clipRgn ? Combine(*d->clipRgn, {r}, RGN_AND) : std::vector<RECT>{r};
  px = Stored(d, px);
  for (RECT p : parts) {
    p = Intersect(RECT{p.left + d->origin.x, p.top + d->origin.y, p.right + d->origin.x, p.bottom + d->origin.y}, d->clip);
    for (LONG y = p.top; y < p.bottom; ++y)
      std::fill_n(&d->surface->px[size_t(y) * size_t(d->surface->width) + size_t(p.left)], p.right - p.left, px);
  }
}

void PutPixel(KvDc* d, int x, int y, uint32_t px) {
  if (Inside(d, x, y)) At(d, x, y) = Stored(d, px);
}

void BlendPixel(KvDc* d, int x, int y, uint32_t px, unsigned alpha) {
  if (alpha == 0 || !Inside(d, x, y)) return;
  uint32_t& dst = At(d, x, y);
  uint32_t out = 0;
  for (int sh = 0; sh <= 16; sh += 8) {
    unsigned a = (px >> sh) & 0xFF, b = (dst >> sh) & 0xFF;
    out |= uint32_t((a * alpha + b * (255 - alpha)) / 255) << sh;
  }
  dst = Stored(d, out);
}

// Reading ignores the clip region but not the surface's bounds.
bool ReadPixel(KvDc* d, int x, int y, uint32_t* px) {
  if (!d->surface) return false;
  int sx = x + d->origin.x, sy = y + d->origin.y;
  if (sx < d->clip.left || sx >= d->clip.right || sy < d->clip.top || sy >= d->clip.bottom) return false;
  *px = At(d, x, y);
  return true;
}

HDC MakeDc(HWND hwnd, Surface* surface, POINT origin, RECT clip) {
  auto* d = new KvDc;
  d->hwnd = hwnd;
  d->surface = surface;
  d->origin = origin;
  d->clip = clip;
  Window* w = Peek(hwnd);
  d->font = w && w->font ? w->font : DefaultFont();
  d->text = GetSysColor(COLOR_WINDOWTEXT);
  d->bk = GetSysColor(COLOR_WINDOW);
  Dcs().insert(d);
  return reinterpret_cast<HDC>(d);
}

void FreeDc(HDC hdc) {
  KvDc* d = Dc(hdc);
  if (!d) return;
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(d->pen), static_cast<HGDIOBJ>(d->brush), static_cast<HGDIOBJ>(d->font),
                    static_cast<HGDIOBJ>(d->palette)})
    Unselect(ObjOf(o, 0));
  if (d->bitmap && !d->shadow) Unselect(d->bitmap);
  Dcs().erase(d);
  delete d;
}

bool DcValid(HDC hdc) { return Dc(hdc) != nullptr; }

bool DrawMemBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
  KvDc* d = Dc(dc);
  KvMemBitmap* b = MemBitmapOf(bitmap);
  if (!d || !b) return false;
  for (int row = 0; row < b->s.height; ++row)
    for (int col = 0; col < b->s.width; ++col) PutPixel(d, x + col, y + row, b->s.px[size_t(row) * size_t(b->s.width) + size_t(col)]);
  return true;
}

bool BitmapExtent(HBITMAP bitmap, int* w, int* h) {
  KvMemBitmap* b = MemBitmapOf(bitmap);
  BitmapDesc desc;
  if (!b && BitmapDescribe(bitmap, &desc)) {
    *w = int(desc.width);
    *h = int(desc.height);
    return true;
  }
  if (!b) return false;
  *w = b->s.width;
  *h = b->s.height;
  return true;
}

}  // namespace kvp::ui

namespace kvp {

bool DeleteDrawingObject(HGDIOBJ h) {
  using namespace kvp::ui;
  InitStock();
  if (IsStock(h)) return true;
  if (FontOf(static_cast<HFONT>(h)) == reinterpret_cast<KvFont*>(DefaultFont())) return true;
  auto* o = static_cast<KvObj*>(h);
  if (!Objects().count(o)) {
    if (KvFont* f = FontOf(static_cast<HFONT>(h)); f && f->selected) return false;
    return FreeFont(h);
  }
  if (o->selected > 0) return false;
  Objects().erase(o);
  switch (o->kind) {
    case OBJ_BRUSH: delete static_cast<KvBrush*>(o); break;
    case OBJ_PEN: delete static_cast<KvPen*>(o); break;
    case OBJ_BITMAP: delete static_cast<KvMemBitmap*>(o); break;
    case OBJ_PAL: delete static_cast<KvDcPalette*>(o); break;
    case OBJ_REGION: delete static_cast<KvRgn*>(o); break;
    default: break;
  }
  return true;
}

}  // namespace kvp

using namespace kvp;
using namespace kvp::ui;

KVAPI DWORD GetSysColor(int index) { return SysColor(index); }

KVAPI HBRUSH GetSysColorBrush(int index) {
  InitStock();
  return index >= 0 && index < 31 ? &g_sysBrushes[index] : nullptr;
}

KVAPI HGDIOBJ GetStockObject(int which) {
  InitStock();
  if (which >= WHITE_BRUSH && which <= NULL_BRUSH) return &g_stockBrushes[which];
  if (which >= WHITE_PEN && which <= NULL_PEN) return &g_stockPens[which - WHITE_PEN];
  if (which == DEFAULT_GUI_FONT) return DefaultFont();
  if (which == DEFAULT_PALETTE) return &g_defaultPalette;
  return nullptr;
}

KVAPI HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  KvDc* d = Dc(hdc);
  InitStock();
  if (!d || !object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto swap = [](auto& slot, auto value, HGDIOBJ fallback) -> HGDIOBJ {
    HGDIOBJ old = slot ? static_cast<HGDIOBJ>(slot) : fallback;
    Unselect(ObjOf(slot, 0));
    slot = value;
    Select(ObjOf(value, 0));
    return old;
  };
  if (FontOf(static_cast<HFONT>(object))) return swap(d->font, static_cast<HFONT>(object), DefaultFont());
  if (BrushOf(static_cast<HBRUSH>(object))) {
    if (ObjOf(object, OBJ_BRUSH) == nullptr) {  // a "colour index + 1" brush
      HGDIOBJ old = d->brush ? static_cast<HGDIOBJ>(d->brush) : &g_stockBrushes[WHITE_BRUSH];
      Unselect(ObjOf(d->brush, 0));
      d->brush = static_cast<HBRUSH>(object);
      return old;
    }
    return swap(d->brush, static_cast<HBRUSH>(object), &g_stockBrushes[WHITE_BRUSH]);
  }
  if (PenOf(static_cast<HPEN>(object))) return swap(d->pen, static_cast<HPEN>(object), &g_stockPens[BLACK_PEN - WHITE_PEN]);
  if (KvRgn* r = RgnOf(static_cast<HRGN>(object))) {
    return reinterpret_cast<HGDIOBJ>(intptr_t(SelectClipRgn(hdc, reinterpret_cast<HRGN>(r))));
  }
  KvMemBitmap* b = MemBitmapOf(static_cast<HBITMAP>(object));
  BitmapDesc desc;
  bool resource = !b && BitmapDescribe(static_cast<HBITMAP>(object), &desc);
  if (!b && !resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Bitmaps go only into memory DCs, and into one DC at a time.
  if (!d->memory || (b && b->selected && d->bitmap != b)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HGDIOBJ old = d->shadow ? static_cast<HGDIOBJ>(d->shadowOf) : static_cast<HGDIOBJ>(d->bitmap);
  if (d->shadow) d->shadow.reset(), d->shadowOf = nullptr;
  else Unselect(d->bitmap);
  if (b) {
    Select(b);
    Attach(d, b);
  } else {
    d->shadow = FromResource(static_cast<HBITMAP>(object));
    d->shadowOf = static_cast<HBITMAP>(object);
    Attach(d, d->shadow.get());
  }
  d->clipRgn.reset();
  return old;
}

KVAPI COLORREF SetTextColor(HDC hdc, COLORREF colour) {
  KvDc* d = Dc(hdc);
  if (!d) return CLR_INVALID;
  std::swap(d->text, colour);
  return colour;
}

KVAPI COLORREF SetBkColor(HDC hdc, COLORREF colour) {
  KvDc* d = Dc(hdc);
  if (!d) return CLR_INVALID;
  std::swap(d->bk, colour);
  return colour;
}

KVAPI int SetBkMode(HDC hdc, int mode) {
  KvDc* d = Dc(hdc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  std::swap(d->bkMode, mode);
  return mode;
}

// ---- DCs ------------------------------------------------------------------------------------------------------

KVAPI HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !Dc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  InitStock();
  HDC h = MakeDc(nullptr, nullptr, POINT{0, 0}, RECT{});
  KvDc* d = Dc(h);
  d->memory = true;
  d->text = 0;
  d->bk = 0xFFFFFF;
  Attach(d, &g_stockBitmap);
  return h;
}

KVAPI HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR, const void* devmode) {
  if (!driver || WView(driver) != u"DISPLAY") {
    // Any other driver name with a device names a printer.
    if (device && *device) return kvp::CreatePrinterDc(device, static_cast<const DEVMODEW*>(devmode), false);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HDC h = MakeDc(nullptr, nullptr, POINT{0, 0}, RECT{});
  KvDc* d = Dc(h);
  d->display = true;
  d->text = 0;
  d->bk = 0xFFFFFF;
  return h;
}

KVAPI BOOL DeleteDC(HDC hdc) {
  BOOL printerResult = FALSE;
  if (kvp::DeletePrinterDc(hdc, &printerResult)) return printerResult;
  KvDc* d = Dc(hdc);
  if (!d || (!d->memory && !d->display)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FreeDc(hdc);
  return TRUE;
}

KVAPI int GetDeviceCaps(HDC hdc, int index) {
  KvDc* d = Dc(hdc);
  if (!d) return 0;
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return kScreenW * 254 / 960;
    case VERTSIZE: return kScreenH * 254 / 960;
    case HORZRES: return kScreenW;
    case VERTRES: return kScreenH;
    case BITSPIXEL: return DcDepth(d);
    case PLANES: return 1;
    case NUMBRUSHES: case NUMPENS: case NUMCOLORS: return -1;
    case NUMFONTS: return 0;
    case RASTERCAPS: return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX: case LOGPIXELSY: return 96;
    case SIZEPALETTE: case NUMRESERVED: return 0;
    case COLORRES: return 24;
  }
  return 0;
}

// ---- bitmaps ---------------------------------------------------------------------------------------------------

KVAPI HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  KvDc* d = Dc(hdc);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  int bpp = DcDepth(d);
  auto table = bpp <= 8 ? (d->bitmap->table.empty() ? StandardTable(bpp) : d->bitmap->table) : std::vector<uint32_t>{};
  return reinterpret_cast<HBITMAP>(NewBitmap(width, height, bpp, std::move(table)));
}

KVAPI HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int bpp = bitsPerPixel >= 24 ? 32 : int(bitsPerPixel);
  KvMemBitmap* b = NewBitmap(width, height, bpp, bpp <= 8 ? StandardTable(bpp) : std::vector<uint32_t>{});
  if (b && bits && width > 0 && height > 0) {
    // Device-dependent rows are word aligned and top-down.
    DWORD stride = DWORD(((width * int(bitsPerPixel) + 15) / 16) * 2);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + b->table.size() * 4);
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biBitCount = WORD(bitsPerPixel);
    for (size_t i = 0; i < b->table.size(); ++i) {
      RGBQUAD q{BYTE(b->table[i]), BYTE(b->table[i] >> 8), BYTE(b->table[i] >> 16), 0};
      std::memcpy(&info[sizeof(BITMAPINFOHEADER) + i * 4], &q, 4);
    }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        b->s.px[size_t(y) * size_t(width) + size_t(x)] =
            DibPixel(h, static_cast<const BYTE*>(bits), stride, WORD(bitsPerPixel), true, height, x, y);
  }
  return reinterpret_cast<HBITMAP>(b);
}

KVAPI HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                             UINT usage) {
  if (!header || header->biWidth < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP b = CreateCompatibleBitmap(hdc, int(header->biWidth), int(std::abs(header->biHeight)));
  if (b && (init & CBM_INIT) && bits && info &&
      SetDIBits(hdc, b, 0, UINT(std::abs(header->biHeight)), bits, info, usage) == 0) {
    DeleteObject(b);
    return nullptr;
  }
  return b;
}

namespace {

bool DibFormatOk(const BITMAPINFOHEADER& h) {
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biPlanes == 1 && h.biCompression == BI_RGB && h.biWidth > 0 &&
         h.biWidth <= kMaxSide && h.biHeight != 0 && std::abs(h.biHeight) <= kMaxSide;
}

DWORD Stride(const BITMAPINFOHEADER& h) { return DWORD(((int64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4); }

// The bitmap as a DIB exchange sees it, refused when it is selected into a DC other than `hdc`.
KvMemBitmap* ExchangeBitmap(HDC hdc, HBITMAP bitmap, const BITMAPINFO* info) {
  KvMemBitmap* b = MemBitmapOf(bitmap);
  KvDc* d = Dc(hdc);
  if (!b || !d || !info || !DibFormatOk(info->bmiHeader) || (b->selected && d->bitmap != b)) {
    SetLastError(b && d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return b;
}

}  // namespace

KVAPI int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  KvMemBitmap* b = MemBitmapOf(bitmap);
  if (b && info && !bits && info->bmiHeader.biBitCount == 0 && info->bmiHeader.biSize >= sizeof(BITMAPINFOHEADER)) {
    // A query of the bitmap's own format.
    info->bmiHeader.biWidth = b->s.width;
    info->bmiHeader.biHeight = b->s.height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = WORD(b->bpp);
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = Stride(info->bmiHeader) * DWORD(b->s.height);
    return b->s.height;
  }
  b = ExchangeBitmap(hdc, bitmap, info);
  if (!b) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  int bpp = h.biBitCount;
  std::vector<uint32_t> table;
  if (bpp <= 8) {
    table = (b->bpp == bpp && !b->table.empty()) ? b->table : StandardTable(bpp);
    for (size_t i = 0; i < table.size(); ++i)
      info->bmiColors[i] = RGBQUAD{BYTE(table[i]), BYTE(table[i] >> 8), BYTE(table[i] >> 16), 0};
    h.biClrUsed = 0;
  }
  DWORD stride = Stride(h);
  h.biSizeImage = stride * DWORD(std::abs(h.biHeight));
  if (!bits) return 1;
  bool topDown = h.biHeight < 0;
  int rows = std::abs(h.biHeight);
  int width = std::min<int>(int(h.biWidth), b->s.width);
  if (start >= UINT(rows)) return 0;
  lines = std::min<UINT>(lines, UINT(rows) - start);
  auto* out = static_cast<BYTE*>(bits);
  int copied = 0;
  for (UINT n = 0; n < lines; ++n) {
    // Scan line `start + n` counts from the DIB's bottom (or top when top-down).
    int dibRow = int(start + n);
    int y = topDown ? dibRow : rows - 1 - dibRow;
    if (y >= b->s.height) continue;
    BYTE* row = out + size_t(n) * stride;
    std::memset(row, 0, stride);
    for (int x = 0; x < width; ++x) {
      uint32_t p = b->s.px[size_t(y) * size_t(b->s.width) + size_t(x)];
      switch (bpp) {
        case 1: row[x / 8] |= BYTE(Nearest(table, p) << (7 - x % 8)); break;
        case 4: row[x / 2] |= BYTE(Nearest(table, p) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = BYTE(Nearest(table, p)); break;
        case 16: {
          unsigned v = (((p >> 19) & 31) << 10) | (((p >> 11) & 31) << 5) | ((p >> 3) & 31);
          row[x * 2] = BYTE(v);
          row[x * 2 + 1] = BYTE(v >> 8);
          break;
        }
        case 24: row[x * 3] = BYTE(p), row[x * 3 + 1] = BYTE(p >> 8), row[x * 3 + 2] = BYTE(p >> 16); break;
        case 32: row[x * 4] = BYTE(p), row[x * 4 + 1] = BYTE(p >> 8), row[x * 4 + 2] = BYTE(p >> 16), row[x * 4 + 3] = 0; break;
      }
    }
    ++copied;
  }
  return copied;
}

KVAPI int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT) {
  KvMemBitmap* b = ExchangeBitmap(hdc, bitmap, info);
  if (!b || !bits) {
    if (b) SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount <= 8 && h.biClrUsed > (1u << h.biBitCount)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  bool topDown = h.biHeight < 0;
  int rows = std::abs(h.biHeight);
  if (start >= UINT(rows)) return 0;
  lines = std::min<UINT>(lines, UINT(rows) - start);
  DWORD stride = Stride(h);
  // `bits` holds `lines` rows beginning with scan line `start`; DibPixel reads a whole DIB, so the
  // rows are addressed relative to that start.
  int width = std::min<int>(int(h.biWidth), b->s.width);
  const auto* base = static_cast<const BYTE*>(bits);
  // A full table for the depth, so an index beyond the caller's (shorter) table reads black, not past it.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colours[256];
  } local{};
  local.h = h;
  local.h.biSize = sizeof(BITMAPINFOHEADER);
  if (h.biBitCount <= 8) {
    DWORD n = h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount);
    std::memcpy(local.colours, reinterpret_cast<const BYTE*>(info) + h.biSize, size_t(n) * sizeof(RGBQUAD));
  }
  int stored = 0;
  for (UINT n = 0; n < lines; ++n) {
    int dibRow = int(start + n);
    int y = topDown ? dibRow : rows - 1 - dibRow;
    if (y >= b->s.height) continue;
    for (int x = 0; x < width; ++x) {
      uint32_t p = DibPixel(&local.h, base + size_t(n) * stride, stride, h.biBitCount, true, 1, x, 0);
      if (b->bpp <= 8 && !b->table.empty()) p = b->table[Nearest(b->table, p)];
      b->s.px[size_t(y) * size_t(b->s.width) + size_t(x)] = p;
    }
    ++stored;
  }
  return stored;
}

KVAPI int GetObjectW(HGDIOBJ object, int size, void* out) {
  auto give = [&](const void* data, int n) {
    if (!out) return n;
    if (size < n) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    std::memcpy(out, data, size_t(n));
    return n;
  };
  if (KvFont* f = FontOf(static_cast<HFONT>(object))) return give(&f->lf, int(sizeof(LOGFONTW)));
  BitmapDesc desc;
  if (KvMemBitmap* b = MemBitmapOf(static_cast<HBITMAP>(object))) {
    BITMAP bm{0, b->s.width, b->s.height, LONG(((b->s.width * b->bpp + 15) / 16) * 2), 1, WORD(b->bpp), nullptr};
    return give(&bm, int(sizeof bm));
  }
  if (BitmapDescribe(static_cast<HBITMAP>(object), &desc)) {
    BITMAP bm{0, desc.width, desc.height, LONG(((desc.width * desc.bitsPerPixel + 15) / 16) * 2), 1, desc.bitsPerPixel, nullptr};
    return give(&bm, int(sizeof bm));
  }
  if (KvPen* p = PenOf(static_cast<HPEN>(object))) {
    LOGPEN lp{UINT(p->style), POINT{p->width, 0}, p->colour};
    return give(&lp, int(sizeof lp));
  }
  if (const KvBrush* b = BrushOf(static_cast<HBRUSH>(object))) {
    LOGBRUSH lb{UINT(b->hollow ? BS_NULL : BS_SOLID), b->colour, 0};
    return give(&lb, int(sizeof lb));
  }
  if (KvDcPalette* p = PaletteOf(static_cast<HPALETTE>(object))) {
    WORD n = WORD(p->entries.size());
    return give(&n, int(sizeof n));
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

KVAPI DWORD GetObjectType(HGDIOBJ object) {
  if (FontOf(static_cast<HFONT>(object))) return OBJ_FONT;
  if (BrushOf(static_cast<HBRUSH>(object))) return OBJ_BRUSH;
  if (KvObj* o = ObjOf(object, 0)) return o->kind;
  BitmapDesc desc;
  if (BitmapDescribe(static_cast<HBITMAP>(object), &desc)) return OBJ_BITMAP;
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

// ---- pens, brushes, palettes, regions -------------------------------------------------------------------------

KVAPI HPEN CreatePen(int style, int width, COLORREF colour) {
  if (style != PS_SOLID && style != PS_DASH && style != PS_DOT && style != PS_NULL && style != PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* p = Make<KvPen>(OBJ_PEN);
  p->style = style;
  p->width = std::clamp(width, 1, 256);
  p->colour = colour & 0xFFFFFF;
  return p;
}

KVAPI HBRUSH CreateSolidBrush(COLORREF colour) {
  auto* b = Make<KvBrush>(OBJ_BRUSH);
  b->colour = colour & 0xFFFFFF;
  return b;
}

KVAPI HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb || (lb->lbStyle != BS_SOLID && lb->lbStyle != BS_NULL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBRUSH b = CreateSolidBrush(lb->lbColor);
  b->hollow = lb->lbStyle == BS_NULL;
  return b;
}

KVAPI HPALETTE CreatePalette(const LOGPALETTE* lp) {
  if (!lp || lp->palVersion != 0x300 || lp->palNumEntries == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* p = Make<KvDcPalette>(OBJ_PAL);
  p->entries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
  return reinterpret_cast<HPALETTE>(p);
}

KVAPI UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* out) {
  KvDcPalette* p = PaletteOf(palette);
  if (!p) return 0;
  if (!out) return UINT(p->entries.size());
  if (start >= p->entries.size()) return 0;
  count = std::min<UINT>(count, UINT(p->entries.size()) - start);
  std::copy_n(p->entries.begin() + start, count, out);
  return count;
}

KVAPI HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL) {
  KvDc* d = Dc(hdc);
  if (!d || !PaletteOf(palette)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HPALETTE old = d->palette ? d->palette : reinterpret_cast<HPALETTE>(&g_defaultPalette);
  Unselect(PaletteOf(d->palette));
  d->palette = palette;
  Select(PaletteOf(palette));
  return old;
}

KVAPI UINT RealizePalette(HDC hdc) {
  if (!Dc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return UINT(-1);
  }
  return 0;
}

KVAPI COLORREF GetNearestColor(HDC hdc, COLORREF colour) {
  KvDc* d = Dc(hdc);
  if (!d) return CLR_INVALID;
  return Cref(Stored(d, Px(colour)));
}

KVAPI HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto* r = Make<KvRgn>(OBJ_REGION);
  RECT rc{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  if (!Empty(rc)) r->rects.push_back(rc);
  return r;
}

KVAPI HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(int(rect->left), int(rect->top), int(rect->right), int(rect->bottom));
}

KVAPI int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  KvRgn *d = RgnOf(dest), *a = RgnOf(src1), *b = RgnOf(src2);
  if (!d || !a || (mode != RGN_COPY && !b) || mode < RGN_AND || mode > RGN_COPY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return RGN_ERROR;
  }
  d->rects = Combine(a->rects, mode == RGN_COPY ? a->rects : b->rects, mode);
  return Kind(d->rects);
}

KVAPI BOOL PtInRegion(HRGN region, int x, int y) {
  KvRgn* r = RgnOf(region);
  if (!r) return FALSE;
  for (const RECT& q : r->rects)
    if (x >= q.left && x < q.right && y >= q.top && y < q.bottom) return TRUE;
  return FALSE;
}

KVAPI int GetRgnBox(HRGN region, RECT* rect) {
  KvRgn* r = RgnOf(region);
  if (!r || !rect) return RGN_ERROR;
  *rect = Box(r->rects);
  return Kind(r->rects);
}

// ---- clipping ----------------------------------------------------------------------------------------------------

KVAPI int SelectClipRgn(HDC hdc, HRGN region) {
  KvDc* d = Dc(hdc);
  KvRgn* r = RgnOf(region);
  if (!d || (region && !r)) return RGN_ERROR;
  if (!r) {
    d->clipRgn.reset();
    return SIMPLEREGION;
  }
  d->clipRgn = r->rects;
  return Kind(*d->clipRgn);
}

KVAPI int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  KvDc* d = Dc(hdc);
  if (!d) return RGN_ERROR;
  std::vector<RECT> cur = d->clipRgn ? *d->clipRgn : std::vector<RECT>{Drawable(d)};
  d->clipRgn = Combine(cur, {RECT{left, top, right, bottom}}, RGN_AND);
  return Kind(*d->clipRgn);
}

KVAPI int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  KvDc* d = Dc(hdc);
  if (!d) return RGN_ERROR;
  std::vector<RECT> cur = d->clipRgn ? *d->clipRgn : std::vector<RECT>{Drawable(d)};
  d->clipRgn = Subtract(cur, {RECT{left, top, right, bottom}});
  return Kind(*d->clipRgn);
}

KVAPI int GetClipBox(HDC hdc, RECT* rect) {
  KvDc* d = Dc(hdc);
  if (!d || !rect) return RGN_ERROR;
  std::vector<RECT> cur = d->clipRgn ? Combine(*d->clipRgn, {Drawable(d)}, RGN_AND) : std::vector<RECT>{Drawable(d)};
  *rect = Box(cur);
  return Kind(cur);
}

// ---- blits --------------------------------------------------------------------------------------------------------

KVAPI BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  KvDc* d = Dc(dest);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return Blit(d, x, y, width, height, Dc(src), srcX, srcY, width, height, rop) ? TRUE : FALSE;
}

KVAPI BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth, int srcHeight,
                      DWORD rop) {
  KvDc* d = Dc(dest);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (UsesSource(rop) && (srcWidth == 0 || srcHeight == 0)) return TRUE;
  return Blit(d, x, y, width, height, Dc(src), srcX, srcY, srcWidth, srcHeight, rop) ? TRUE : FALSE;
}

KVAPI BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  KvDc* d = Dc(hdc);
  if (!d || UsesSource(rop)) {
    SetLastError(d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return Blit(d, x, y, width, height, nullptr, 0, 0, width, height, rop) ? TRUE : FALSE;
}

KVAPI int SetStretchBltMode(HDC hdc, int mode) {
  KvDc* d = Dc(hdc);
  if (!d || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  std::swap(d->stretchMode, mode);
  return mode;
}

// ---- shapes and paths --------------------------------------------------------------------------------------------

KVAPI BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
  KvDc* d = PathDc(hdc);
  if (!d) return FALSE;
  if (previous) *previous = d->cur;
  d->cur = POINT{x, y};
  if (d->inPath) AddFigure(d, {d->cur}, false);
  return TRUE;
}

KVAPI BOOL LineTo(HDC hdc, int x, int y) {
  KvDc* d = PathDc(hdc);
  if (!d) return FALSE;
  POINT to{x, y};
  if (d->inPath) {
    if (d->path.empty() || d->path.back().closed) AddFigure(d, {d->cur}, false);
    d->path.back().pts.push_back(to);
  } else {
    int step = 0;
    Line(d, d->cur, to, PenOf(d->pen), &step);
  }
  d->cur = to;
  return TRUE;
}

KVAPI BOOL Polyline(HDC hdc, const POINT* points, int count) {
  KvDc* d = PathDc(hdc);
  if (!d || !points || count < 2) return FALSE;
  std::vector<POINT> pts(points, points + count);
  if (d->inPath) AddFigure(d, pts, false);
  else Outline(d, pts, false);
  return TRUE;
}

KVAPI BOOL Polygon(HDC hdc, const POINT* points, int count) {
  KvDc* d = PathDc(hdc);
  if (!d || !points || count < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<POINT> pts(points, points + count);
  if (d->inPath) {
    AddFigure(d, pts, true);
    return TRUE;
  }
  FillFigures(d, {Figure{pts, true}});
  Outline(d, pts, true);
  return TRUE;
}

KVAPI BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  KvDc* d = PathDc(hdc);
  if (!d) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (d->inPath) {
    AddFigure(d, Corners(left, top, right, bottom), true);
    return TRUE;
  }
  const KvBrush* b = BrushOf(d->brush);
  if (b && !b->hollow) FillOnSurface(d, RECT{left, top, right, bottom}, Px(b->colour));
  const KvPen* pen = PenOf(d->pen);
  if (pen && pen->style != PS_NULL && right > left && bottom > top) {
    if (pen->width > 1 || pen->style == PS_INSIDEFRAME || pen->style == PS_SOLID) {
      int w = std::min({pen->width, (right - left + 1) / 2, (bottom - top + 1) / 2});
      uint32_t px = Px(pen->colour);
      FillOnSurface(d, RECT{left, top, right, top + w}, px);
      FillOnSurface(d, RECT{left, bottom - w, right, bottom}, px);
      FillOnSurface(d, RECT{left, top, left + w, bottom}, px);
      FillOnSurface(d, RECT{right - w, top, right, bottom}, px);
    } else {
      Outline(d, Corners(left, top, right, bottom), true);
    }
  }
  return TRUE;
}

KVAPI BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  KvDc* d = PathDc(hdc);
  if (!d) return FALSE;
  auto pts = ArcPoints(left, top, right, bottom, 0, 2 * M_PI);
  if (d->inPath) {
    AddFigure(d, pts, true);
    return TRUE;
  }
  // The inside spans the whole box: its outline runs through the box's edge pixels.
  auto inside = ArcPoints(left, top, right + 1, bottom + 1, 0, 2 * M_PI);
  FillFigures(d, {Figure{inside, true}});
  Outline(d, pts, true);
  return TRUE;
}

KVAPI BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
  KvDc* d = PathDc(hdc);
  if (!d) return FALSE;
  double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  double a0 = std::atan2(-(ys - cy), xs - cx), a1 = std::atan2(-(ye - cy), xe - cx);
  double sweep = a1 - a0;
  if (d->arcDir == AD_COUNTERCLOCKWISE) {
    while (sweep <= 0) sweep += 2 * M_PI;
  } else {
    while (sweep >= 0) sweep -= 2 * M_PI;
  }
  auto pts = ArcPoints(left, top, right, bottom, a0, sweep);
  if (d->inPath) AddFigure(d, pts, false);
  else Outline(d, pts, false);
  return TRUE;
}

KVAPI int SetArcDirection(HDC hdc, int direction) {
  KvDc* d = Dc(hdc);
  if (!d || (direction != AD_COUNTERCLOCKWISE && direction != AD_CLOCKWISE)) return 0;
  std::swap(d->arcDir, direction);
  return direction;
}

KVAPI int SetPolyFillMode(HDC hdc, int mode) {
  KvDc* d = Dc(hdc);
  if (!d || (mode != ALTERNATE && mode != WINDING)) return 0;
  std::swap(d->polyFill, mode);
  return mode;
}

KVAPI BOOL BeginPath(HDC hdc) {
  KvDc* d = PathDc(hdc);
  if (!d) return FALSE;
  d->path.clear();
  d->inPath = true;
  d->pathDone = false;
  return TRUE;
}

KVAPI BOOL EndPath(HDC hdc) {
  KvDc* d = PathDc(hdc);
  if (!d || !d->inPath) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return FALSE;
  }
  d->inPath = false;
  d->pathDone = true;
  return TRUE;
}

KVAPI BOOL AbortPath(HDC hdc) {
  KvDc* d = PathDc(hdc);
  if (!d) return FALSE;
  d->path.clear();
  d->inPath = d->pathDone = false;
  return TRUE;
}

KVAPI BOOL CloseFigure(HDC hdc) {
  KvDc* d = PathDc(hdc);
  if (!d || !d->inPath || d->path.empty()) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return FALSE;
  }
  d->path.back().closed = true;
  return TRUE;
}

namespace {

BOOL UsePath(HDC hdc, bool fill, bool stroke) {
  KvDc* d = PathDc(hdc);
  if (!d || !d->pathDone) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return FALSE;
  }
  if (fill) FillFigures(d, d->path);
  if (stroke)
    for (auto& f : d->path) Outline(d, f.pts, f.closed || fill);
  d->path.clear();
  d->pathDone = false;
  return TRUE;
}

}  // namespace

KVAPI BOOL StrokePath(HDC hdc) { return UsePath(hdc, false, true); }
KVAPI BOOL FillPath(HDC hdc) { return UsePath(hdc, true, false); }
KVAPI BOOL StrokeAndFillPath(HDC hdc) { return UsePath(hdc, true, true); }

// ---- the window core's small calls ---------------------------------------------------------------------------------

KVAPI int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  KvDc* d = Dc(hdc);
  const KvBrush* b = BrushOf(brush);
  if (!d || !rect || !b) return 0;
  if (!b->hollow) FillOnSurface(d, *rect, Px(b->colour));
  return 1;
}

KVAPI int FrameRect(HDC hdc, const RECT* r, HBRUSH brush) {
  KvDc* d = Dc(hdc);
  const KvBrush* b = BrushOf(brush);
  if (!d || !r || !b) return 0;
  if (b->hollow || r->right <= r->left || r->bottom <= r->top) return 1;
  uint32_t px = Px(b->colour);
  FillOnSurface(d, RECT{r->left, r->top, r->right, r->top + 1}, px);
  FillOnSurface(d, RECT{r->left, r->bottom - 1, r->right, r->bottom}, px);
  FillOnSurface(d, RECT{r->left, r->top, r->left + 1, r->bottom}, px);
  FillOnSurface(d, RECT{r->right - 1, r->top, r->right, r->bottom}, px);
  return 1;
}

KVAPI BOOL DrawFocusRect(HDC hdc, const RECT* r) {
  KvDc* d = Dc(hdc);
  if (!d || !r) return FALSE;
  // Dotted and inverting, so drawing it twice removes it.
  auto flip = [d](LONG x, LONG y) {
    uint32_t p;
    if (ReadPixel(d, int(x), int(y), &p)) PutPixel(d, int(x), int(y), ~p & 0xFFFFFF);
  };
  for (LONG x = r->left; x < r->right; x += 2) {
    flip(x, r->top);
    if (r->bottom - 1 != r->top) flip(x, r->bottom - 1);
  }
  for (LONG y = r->top + 2; y < r->bottom - 1; y += 2) {
    flip(r->left, y);
    if (r->right - 1 != r->left) flip(r->right - 1, y);
  }
  return TRUE;
}

KVAPI COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour) {
  KvDc* d = Dc(hdc);
  if (!d) return CLR_INVALID;
  if (!Inside(d, x, y)) return CLR_INVALID;
  uint32_t& p = At(d, x, y);
  p = Stored(d, Px(colour));
  return Cref(p);
}

KVAPI COLORREF GetPixel(HDC hdc, int x, int y) {
  KvDc* d = Dc(hdc);
  uint32_t p;
  if (!d || !ReadPixel(d, x, y, &p)) return CLR_INVALID;
  return Cref(p);
}
