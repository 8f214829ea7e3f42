// Drawing surfaces for windows: device contexts onto memory pictures, solid brushes of the desktop's
// colours, text in the platform's font through FreeType, DIB pictures and icons, window frames, pictures
// of whole window trees and PNG files.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gdi_internal.h"
#include "../profile/store_file.h"

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

}  // namespace

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

namespace {

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

bool RenderTarget(HWND hwnd, bool whole, Surface** surface, POINT* origin, RECT* clip) {
  if (Frames().empty() || Frames().back().h != hwnd) return false;
  const Frame& f = Frames().back();
  *surface = f.s;
  *origin = whole ? f.winOrigin : f.clientOrigin;
  *clip = whole ? f.winClip : f.clientClip;
  return true;
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
  if (!d || DrawMemBitmap(dc, bitmap, x, y) || !BitmapDescribe(bitmap, &b)) return;
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
  // Encoded in memory first, then put in place as a whole: a failed or killed write leaves the old file.
  std::string bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(size_t(picture.width) * 3);
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return fail("the PNG writer failed");
  }
  png_set_write_fn(
      png, &bytes,
      [](png_structp p, png_bytep data, png_size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), n);
      },
      nullptr);
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
  switch (store::WriteFileAtomic(hostPath, bytes)) {
    case ERROR_SUCCESS: return true;
    case ERROR_DISK_FULL: return fail("the disk is full");
    case ERROR_PATH_NOT_FOUND: return fail("the folder does not exist");
    case ERROR_ACCESS_DENIED: return fail("access denied");
    default: return fail("cannot write the file");
  }
}

}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

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

