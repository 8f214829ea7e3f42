// Drawing surfaces for windows: device contexts onto memory pictures, solid brushes of the desktop's
// colours, text in the platform's font through FreeType, DIB pictures and icons, window frames, pictures
// of whole window trees and PNG files.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "ui_internal.h"

struct KvDc {
  uint32_t magic = 0x4B564443;  // "KVDC"
  HWND hwnd = nullptr;
  kvp::ui::Surface* surface = nullptr;
  POINT origin{};
  RECT clip{};  // on the surface
  COLORREF text = 0, bk = 0xFFFFFF;
  int bkMode = OPAQUE;
  HFONT font = nullptr;
  HBRUSH brush = nullptr;
};

struct KvBrush {
  COLORREF colour = 0;
  bool hollow = false;
};

struct KvFont {
  int pixels = 11;
};

namespace kvp::ui {
namespace {

const COLORREF kSysColours[31] = {
    RGB(200, 200, 200), RGB(0, 78, 152),    RGB(0, 84, 153),    RGB(191, 205, 219), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234), RGB(215, 228, 242), RGB(0, 120, 215),
    RGB(240, 240, 240)};

KvBrush g_sysBrushes[31];
KvBrush g_stockBrushes[6];
KvFont g_fonts[1];

std::unordered_set<KvDc*>& Dcs() {
  static auto* s = new std::unordered_set<KvDc*>;
  return *s;
}

void InitBrushes() {
  static bool done = false;
  if (done) return;
  done = true;
  for (int i = 0; i < 31; ++i) g_sysBrushes[i].colour = kSysColours[i];
  const COLORREF stock[6] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64), RGB(0, 0, 0), 0};
  for (int i = 0; i < 6; ++i) g_stockBrushes[i].colour = stock[i];
  g_stockBrushes[5].hollow = true;
}

bool IsBrush(const void* p) {
  auto* b = static_cast<const KvBrush*>(p);
  return (b >= g_sysBrushes && b < g_sysBrushes + 31) || (b >= g_stockBrushes && b < g_stockBrushes + 6);
}
bool IsFont(const void* p) { return p == &g_fonts[0]; }

// A brush handle: one of ours, or the classic "system colour index + 1" value.
const KvBrush* BrushOf(HBRUSH b) {
  InitBrushes();
  auto v = reinterpret_cast<uintptr_t>(b);
  if (v >= 1 && v <= 31) return &g_sysBrushes[v - 1];
  return IsBrush(b) ? b : nullptr;
}

uint32_t Px(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }
COLORREF Cref(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

KvDc* Dc(HDC h) {
  auto* d = reinterpret_cast<KvDc*>(h);
  return d && Dcs().count(d) ? d : nullptr;
}

void FillOnSurface(KvDc* d, RECT r, uint32_t px) {
  if (!d->surface) return;
  r.left += d->origin.x;
  r.right += d->origin.x;
  r.top += d->origin.y;
  r.bottom += d->origin.y;
  r.left = std::max(r.left, d->clip.left);
  r.top = std::max(r.top, d->clip.top);
  r.right = std::min(r.right, d->clip.right);
  r.bottom = std::min(r.bottom, d->clip.bottom);
  for (LONG y = r.top; y < r.bottom; ++y)
    std::fill_n(&d->surface->px[size_t(y) * size_t(d->surface->width) + size_t(r.left)], std::max<LONG>(0, r.right - r.left), px);
}

void PutPixel(KvDc* d, int x, int y, uint32_t px) {
  if (!d->surface) return;
  x += d->origin.x;
  y += d->origin.y;
  if (x < d->clip.left || x >= d->clip.right || y < d->clip.top || y >= d->clip.bottom) return;
  d->surface->px[size_t(y) * size_t(d->surface->width) + size_t(x)] = px;
}

void BlendPixel(KvDc* d, int x, int y, uint32_t px, unsigned alpha) {
  if (!d->surface || alpha == 0) return;
  x += d->origin.x;
  y += d->origin.y;
  if (x < d->clip.left || x >= d->clip.right || y < d->clip.top || y >= d->clip.bottom) return;
  uint32_t& dst = d->surface->px[size_t(y) * size_t(d->surface->width) + size_t(x)];
  uint32_t out = 0;
  for (int sh = 0; sh <= 16; sh += 8) {
    unsigned a = (px >> sh) & 0xFF, b = (dst >> sh) & 0xFF;
    out |= uint32_t((a * alpha + b * (255 - alpha)) / 255) << sh;
  }
  dst = out;
}

// ---- the platform's font ------------------------------------------------------------------------------------

struct Glyph {
  int width = 0, rows = 0, left = 0, top = 0, advance = 0;
  std::vector<uint8_t> alpha;
};

struct FontFace {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  bool tried = false;
  std::unordered_map<uint32_t, Glyph> glyphs;
  int ascent = 9, height = 13;
};

FontFace& Face() {
  static auto* f = new FontFace;
  if (!f->tried) {
    f->tried = true;
    const char* candidates[] = {getenv("KV_UI_FONT"), "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                "/usr/share/fonts/dejavu/DejaVuSans.ttf", "/usr/share/fonts/TTF/DejaVuSans.ttf"};
    if (FT_Init_FreeType(&f->lib) == 0) {
      for (const char* p : candidates)
        if (p && *p && FT_New_Face(f->lib, p, 0, &f->face) == 0) break;
      if (f->face && FT_Set_Pixel_Sizes(f->face, 0, 11) == 0) {
        f->ascent = int(f->face->size->metrics.ascender >> 6);
        f->height = int(f->face->size->metrics.height >> 6);
      }
    }
  }
  return *f;
}

// Without the font file every character is a box of the average width, so layout still works.
const Glyph& GlyphOf(char16_t ch) {
  FontFace& f = Face();
  auto it = f.glyphs.find(ch);
  if (it != f.glyphs.end()) return it->second;
  Glyph g;
  if (f.face && FT_Load_Char(f.face, ch, FT_LOAD_RENDER) == 0) {
    FT_GlyphSlot s = f.face->glyph;
    g.width = int(s->bitmap.width);
    g.rows = int(s->bitmap.rows);
    g.left = s->bitmap_left;
    g.top = s->bitmap_top;
    g.advance = int(s->advance.x >> 6);
    g.alpha.resize(size_t(g.width) * size_t(g.rows));
    for (int y = 0; y < g.rows; ++y)
      std::memcpy(&g.alpha[size_t(y) * size_t(g.width)], s->bitmap.buffer + y * s->bitmap.pitch, size_t(g.width));
  } else {
    g.advance = 6;
    if (ch > u' ') {
      g.width = 4;
      g.rows = 7;
      g.left = 1;
      g.top = 7;
      g.alpha.assign(28, 0);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 4; ++x)
          if (y == 0 || y == 6 || x == 0 || x == 3) g.alpha[size_t(y * 4 + x)] = 255;
    }
  }
  return f.glyphs.emplace(ch, std::move(g)).first->second;
}

void DrawRun(KvDc* d, int x, int y, std::u16string_view s, COLORREF colour) {
  FontFace& f = Face();
  uint32_t px = Px(colour);
  int pen = x;
  for (char16_t ch : s) {
    const Glyph& g = GlyphOf(ch);
    for (int gy = 0; gy < g.rows; ++gy)
      for (int gx = 0; gx < g.width; ++gx)
        BlendPixel(d, pen + g.left + gx, y + f.ascent - g.top + gy, px, g.alpha[size_t(gy * g.width + gx)]);
    pen += g.advance;
  }
}

// '&' marks a mnemonic: it is not drawn, "&&" draws one '&'.
std::u16string StripPrefix(std::u16string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) ++i;
    else if (s[i] == u'&') continue;
    out.push_back(s[i]);
  }
  return out;
}

std::vector<std::u16string> Lines(std::u16string_view s, UINT format, int width, HFONT font) {
  std::vector<std::u16string> out;
  if (format & DT_SINGLELINE) {
    std::u16string one;
    for (char16_t c : s)
      if (c != u'\r' && c != u'\n') one.push_back(c);
    out.push_back(one);
    return out;
  }
  size_t at = 0;
  while (at <= s.size()) {
    size_t nl = s.find(u'\n', at);
    std::u16string_view line = s.substr(at, nl == std::u16string_view::npos ? std::u16string_view::npos : nl - at);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (!(format & DT_WORDBREAK) || TextWidth(font, line) <= width) {
      out.emplace_back(line);
    } else {
      std::u16string cur;
      size_t i = 0;
      while (i < line.size()) {
        size_t sp = line.find(u' ', i);
        std::u16string_view word = line.substr(i, sp == std::u16string_view::npos ? std::u16string_view::npos : sp - i + 1);
        if (!cur.empty() && TextWidth(font, cur + std::u16string(word)) > width) {
          while (!cur.empty() && cur.back() == u' ') cur.pop_back();
          out.push_back(cur);
          cur.clear();
        }
        cur += word;
        i += word.size();
      }
      out.push_back(cur);
    }
    if (nl == std::u16string_view::npos) break;
    at = nl + 1;
  }
  return out;
}

// ---- DIB pictures ----------------------------------------------------------------------------------------------

uint32_t DibPixel(const BITMAPINFOHEADER* info, const BYTE* bits, DWORD stride, WORD bpp, bool topDown, LONG rows, int x, int y) {
  const BYTE* row = bits + size_t(topDown ? y : rows - 1 - y) * stride;
  auto colours = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + info->biSize);
  auto pal = [&](unsigned i) {
    const RGBQUAD& q = colours[i];
    return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
  };
  switch (bpp) {
    case 1: return pal((row[x / 8] >> (7 - x % 8)) & 1);
    case 4: return pal((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
    case 8: return pal(row[x]);
    case 16: {
      unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
      return (uint32_t(((v >> 10) & 31) * 255 / 31) << 16) | (uint32_t(((v >> 5) & 31) * 255 / 31) << 8) | ((v & 31) * 255 / 31);
    }
    case 24: return (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
    case 32: return (uint32_t(row[x * 4 + 2]) << 16) | (uint32_t(row[x * 4 + 1]) << 8) | row[x * 4];
  }
  return 0;
}

// ---- renders in progress ------------------------------------------------------------------------------------

struct Frame {
  HWND h;
  Surface* s;
  POINT winOrigin, clientOrigin;
  RECT winClip, clientClip;
};
std::vector<Frame>& Frames() {
  static auto* v = new std::vector<Frame>;
  return *v;
}

RECT Intersect(RECT a, RECT b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void Render(Window* w, Surface* s, POINT o, RECT clip) {
  Pin pin(w);
  LONG ww = w->rect.right - w->rect.left, wh = w->rect.bottom - w->rect.top;
  RECT winClip = Intersect(clip, RECT{o.x, o.y, o.x + ww, o.y + wh});
  RECT ins = ClientInsets(w);
  RECT cr = ClientRect(w);
  POINT co{o.x + ins.left, o.y + ins.top};
  RECT clientClip = Intersect(winClip, RECT{co.x, co.y, co.x + cr.right, co.y + cr.bottom});
  Frames().push_back(Frame{w->h, s, o, co, winClip, clientClip});
  Send(w, WM_NCPAINT, 1, 0);
  if (!w->dead) {
    HDC dc = MakeDc(w->h, s, co, clientClip);
    Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    FreeDc(dc);
  }
  if (!w->dead) Send(w, WM_PAINT, 0, 0);
  Frames().pop_back();
  if (w->dead) return;
  std::vector<Window*> kids(w->children.rbegin(), w->children.rend());
  std::vector<HWND> hs;
  for (Window* k : kids) hs.push_back(k->h);
  for (HWND h : hs) {
    Window* k = Peek(h);
    if (!k || !(k->style & WS_VISIBLE)) continue;
    Render(k, s, POINT{co.x + k->rect.left, co.y + k->rect.top}, clientClip);
  }
}

}  // namespace

COLORREF SysColor(int index) { return index >= 0 && index < 31 ? kSysColours[index] : 0; }

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
  Dcs().erase(d);
  delete d;
}

bool DcValid(HDC hdc) { return Dc(hdc) != nullptr; }

bool RenderTarget(HWND hwnd, bool whole, Surface** surface, POINT* origin, RECT* clip) {
  if (Frames().empty() || Frames().back().h != hwnd) return false;
  const Frame& f = Frames().back();
  *surface = f.s;
  *origin = whole ? f.winOrigin : f.clientOrigin;
  *clip = whole ? f.winClip : f.clientClip;
  return true;
}

HFONT DefaultFont() { return &g_fonts[0]; }
int FontHeight(HFONT) { return Face().height; }
int TextWidth(HFONT, std::u16string_view s) {
  int w = 0;
  for (char16_t c : s) w += GlyphOf(c).advance;
  return w;
}

void FillSolid(HDC dc, RECT r, COLORREF c) {
  if (KvDc* d = Dc(dc)) FillOnSurface(d, r, Px(c));
}

void Edge3d(HDC dc, RECT r, bool sunken) {
  COLORREF outerTL = SysColor(sunken ? COLOR_BTNSHADOW : COLOR_3DLIGHT), innerTL = SysColor(sunken ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT);
  COLORREF outerBR = SysColor(sunken ? COLOR_BTNHIGHLIGHT : COLOR_3DDKSHADOW), innerBR = SysColor(sunken ? COLOR_3DLIGHT : COLOR_BTNSHADOW);
  auto box = [&](RECT q, COLORREF tl, COLORREF br) {
    FillSolid(dc, RECT{q.left, q.top, q.right, q.top + 1}, tl);
    FillSolid(dc, RECT{q.left, q.top, q.left + 1, q.bottom}, tl);
    FillSolid(dc, RECT{q.left, q.bottom - 1, q.right, q.bottom}, br);
    FillSolid(dc, RECT{q.right - 1, q.top, q.right, q.bottom}, br);
  };
  box(r, outerTL, outerBR);
  box(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, innerTL, innerBR);
}

void DrawTextIn(HDC dc, std::u16string_view text, RECT r, UINT format, COLORREF colour) {
  KvDc* d = Dc(dc);
  if (!d) return;
  COLORREF old = d->text;
  int mode = d->bkMode;
  d->text = colour;
  d->bkMode = TRANSPARENT;
  std::u16string t(text);
  DrawTextW(dc, t.c_str(), int(t.size()), &r, format);
  d->text = old;
  d->bkMode = mode;
}

void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y) {
  KvDc* d = Dc(dc);
  BitmapDesc b;
  if (!d || !BitmapDescribe(bitmap, &b)) return;
  for (int row = 0; row < b.height; ++row)
    for (int col = 0; col < b.width; ++col)
      PutPixel(d, x + col, y + row, DibPixel(b.info, b.bits, b.stride, b.bitsPerPixel, b.topDown, b.height, col, row));
}

void PaintFrame(Window* w, HDC dc) {
  RECT ins = ClientInsets(w);
  LONG ww = w->rect.right - w->rect.left, wh = w->rect.bottom - w->rect.top;
  RECT all{0, 0, ww, wh};
  int border = int(ins.left);
  if (border == 0) return;
  if (w->exStyle & WS_EX_CLIENTEDGE) {
    Edge3d(dc, RECT{all.left + border - 2, all.top + ins.top - 2, all.right - border + 2, all.bottom - border + 2}, true);
    border -= 2;
  }
  if (border >= 3) {
    FillSolid(dc, RECT{0, 0, ww, border}, SysColor(COLOR_BTNFACE));
    FillSolid(dc, RECT{0, 0, border, wh}, SysColor(COLOR_BTNFACE));
    FillSolid(dc, RECT{0, wh - border, ww, wh}, SysColor(COLOR_BTNFACE));
    FillSolid(dc, RECT{ww - border, 0, ww, wh}, SysColor(COLOR_BTNFACE));
    Edge3d(dc, all, false);
  } else if (border >= 1) {
    HBRUSH frame = GetSysColorBrush(COLOR_WINDOWFRAME);
    FrameRect(dc, &all, frame);
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    int cap = GetSystemMetrics(SM_CYCAPTION);
    RECT c{border, border, ww - border, border + cap};
    FillSolid(dc, c, SysColor(COLOR_ACTIVECAPTION));
    c.left += 5;
    DrawTextIn(dc, w->text, c, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, SysColor(COLOR_CAPTIONTEXT));
  }
}

bool DrawWindow(HWND hwnd, Picture* out) {
  Window* w = FromHandle(hwnd);
  if (!w || !out) return false;
  Surface s;
  s.width = int(w->rect.right - w->rect.left);
  s.height = int(w->rect.bottom - w->rect.top);
  if (s.width <= 0 || s.height <= 0 || s.width > 8192 || s.height > 8192) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  s.px.assign(size_t(s.width) * size_t(s.height), Px(SysColor(COLOR_BTNFACE)));
  Render(w, &s, POINT{0, 0}, RECT{0, 0, s.width, s.height});
  out->width = s.width;
  out->height = s.height;
  out->pixels = std::move(s.px);
  return true;
}

bool WritePng(const Picture& picture, const std::string& hostPath, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (picture.width <= 0 || picture.height <= 0 || picture.pixels.size() != size_t(picture.width) * size_t(picture.height))
    return fail("empty or inconsistent picture");
  FILE* f = std::fopen(hostPath.c_str(), "wb");
  if (!f) return fail("cannot create the file");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(size_t(picture.width) * 3);
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return fail("the PNG writer failed");
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      uint32_t p = picture.At(x, y);
      row[size_t(x) * 3] = png_byte(p >> 16);
      row[size_t(x) * 3 + 1] = png_byte(p >> 8);
      row[size_t(x) * 3 + 2] = png_byte(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(f) != 0) return fail("cannot write the file");
  return true;
}

}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

KVAPI DWORD GetSysColor(int index) { return SysColor(index); }

KVAPI HBRUSH GetSysColorBrush(int index) {
  InitBrushes();
  return index >= 0 && index < 31 ? &g_sysBrushes[index] : nullptr;
}

KVAPI HGDIOBJ GetStockObject(int which) {
  InitBrushes();
  if (which >= WHITE_BRUSH && which <= NULL_BRUSH) return &g_stockBrushes[which];
  if (which == DEFAULT_GUI_FONT) return DefaultFont();
  return nullptr;
}

KVAPI HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  KvDc* d = Dc(hdc);
  if (!d || !object) return nullptr;
  if (IsFont(object)) {
    HFONT old = d->font;
    d->font = static_cast<HFONT>(object);
    return old;
  }
  if (BrushOf(static_cast<HBRUSH>(object))) {
    HBRUSH old = d->brush ? d->brush : &g_stockBrushes[WHITE_BRUSH];
    d->brush = static_cast<HBRUSH>(object);
    return old;
  }
  return nullptr;
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
  for (LONG x = r->left; x < r->right; x += 2) {
    PutPixel(d, int(x), int(r->top), 0);
    PutPixel(d, int(x), int(r->bottom - 1), 0);
  }
  for (LONG y = r->top; y < r->bottom; y += 2) {
    PutPixel(d, int(r->left), int(y), 0);
    PutPixel(d, int(r->right - 1), int(y), 0);
  }
  return TRUE;
}

KVAPI BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size) {
  KvDc* d = Dc(hdc);
  if (!d || !size || count < 0 || (count > 0 && !text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  size->cx = TextWidth(d->font, std::u16string_view(text ? text : u"", size_t(count)));
  size->cy = FontHeight(d->font);
  return TRUE;
}

KVAPI BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
  KvDc* d = Dc(hdc);
  if (!d || count < 0 || (count > 0 && !text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string_view s(text ? text : u"", size_t(count));
  if (d->bkMode == OPAQUE) FillOnSurface(d, RECT{x, y, x + TextWidth(d->font, s), y + FontHeight(d->font)}, Px(d->bk));
  DrawRun(d, x, y, s, d->text);
  return TRUE;
}

KVAPI int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format) {
  KvDc* d = Dc(hdc);
  if (!d || !rect || (!text && count != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string_view raw = count < 0 ? WView(text) : std::u16string_view(text ? text : u"", size_t(count));
  std::u16string s = (format & DT_NOPREFIX) ? std::u16string(raw) : StripPrefix(raw);
  int lh = FontHeight(d->font);
  auto lines = Lines(s, format, int(rect->right - rect->left), d->font);
  int total = lh * int(lines.size());
  if (format & DT_CALCRECT) {
    int wmax = 0;
    for (auto& l : lines) wmax = std::max(wmax, TextWidth(d->font, l));
    rect->right = rect->left + wmax;
    rect->bottom = rect->top + total;
    return total;
  }
  int y = int(rect->top);
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) y = int(rect->top + (rect->bottom - rect->top - lh) / 2);
  else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) y = int(rect->bottom) - lh;
  KvDc saved = *d;
  if (!(format & DT_NOCLIP) && d->surface) {
    RECT r{rect->left + d->origin.x, rect->top + d->origin.y, rect->right + d->origin.x, rect->bottom + d->origin.y};
    d->clip = Intersect(d->clip, r);
  }
  for (auto& l : lines) {
    int wdt = TextWidth(d->font, l);
    int x = int(rect->left);
    if (format & DT_CENTER) x = int(rect->left + (rect->right - rect->left - wdt) / 2);
    else if (format & DT_RIGHT) x = int(rect->right) - wdt;
    if (d->bkMode == OPAQUE) FillOnSurface(d, RECT{x, y, x + wdt, y + lh}, Px(d->bk));
    DrawRun(d, x, y, l, d->text);
    y += lh;
  }
  d->clip = saved.clip;
  return total;
}

KVAPI BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) {
  KvDc* d = Dc(hdc);
  IconDesc ic;
  if (!d || !IconDescribe(icon, &ic)) return FALSE;
  if (!ic.image) return TRUE;  // a predefined icon has no picture of its own
  auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(ic.image);
  LONG rows = ic.height;
  DWORD stride = DWORD(((ic.width * ic.bitsPerPixel + 31) / 32) * 4);
  DWORD maskStride = DWORD(((ic.width + 31) / 32) * 4);
  size_t colours = info->biClrUsed ? info->biClrUsed : (ic.bitsPerPixel <= 8 ? (1u << ic.bitsPerPixel) : 0);
  const BYTE* bits = ic.image + info->biSize + colours * 4;
  const BYTE* mask = bits + size_t(stride) * size_t(rows);
  if (size_t(mask - ic.image) + size_t(maskStride) * size_t(rows) > ic.imageSize) return FALSE;
  for (LONG r = 0; r < rows; ++r)
    for (LONG c = 0; c < ic.width; ++c) {
      const BYTE* mrow = mask + size_t(rows - 1 - r) * maskStride;
      if ((mrow[c / 8] >> (7 - c % 8)) & 1) continue;  // transparent
      PutPixel(d, x + int(c), y + int(r), DibPixel(info, bits, stride, ic.bitsPerPixel, false, rows, int(c), int(r)));
    }
  return TRUE;
}

KVAPI COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour) {
  KvDc* d = Dc(hdc);
  if (!d) return CLR_INVALID;
  PutPixel(d, x, y, Px(colour));
  return colour;
}

KVAPI COLORREF GetPixel(HDC hdc, int x, int y) {
  KvDc* d = Dc(hdc);
  if (!d || !d->surface) return CLR_INVALID;
  x += d->origin.x;
  y += d->origin.y;
  if (x < d->clip.left || x >= d->clip.right || y < d->clip.top || y >= d->clip.bottom) return CLR_INVALID;
  return Cref(d->surface->px[size_t(y) * size_t(d->surface->width) + size_t(x)]);
}
