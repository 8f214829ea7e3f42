// The drawing layer's own records: device contexts, the objects they select, fonts with their faces.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui_internal.h"

namespace kvp::ui {

struct FontFace;

// One figure of a path: its points and whether it is closed.
struct Figure {
  std::vector<POINT> pts;
  bool closed = false;
};

}  // namespace kvp::ui

// What every drawing object begins with, so a handle tells its kind.
struct KvObj {
  uint32_t kind = 0;  // OBJ_*
  bool stock = false;
  int selected = 0;  // DCs holding it
};

struct KvBrush : KvObj {
  COLORREF colour = 0;
  bool hollow = false;
};

struct KvPen : KvObj {
  int style = PS_SOLID, width = 1;
  COLORREF colour = 0;
};

struct KvFont : KvObj {
  LOGFONTW lf{};
  kvp::ui::FontFace* face = nullptr;  // shared, never freed
};

// A memory bitmap: pixels as 0x00RRGGBB plus its depth and colour table (depth 8 or fewer).
struct KvMemBitmap : KvObj {
  kvp::ui::Surface s;
  int bpp = 32;
  std::vector<uint32_t> table;
};

struct KvDcPalette : KvObj {
  std::vector<PALETTEENTRY> entries;
};

struct KvRgn : KvObj {
  std::vector<RECT> rects;  // disjoint
};

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
  HPEN pen = nullptr;
  HPALETTE palette = nullptr;
  POINT cur{};
  int polyFill = ALTERNATE, arcDir = AD_COUNTERCLOCKWISE, stretchMode = BLACKONWHITE;
  bool memory = false, display = false;
  KvMemBitmap* bitmap = nullptr;                  // memory DCs
  std::unique_ptr<KvMemBitmap> shadow;            // a resource bitmap's copy while selected
  HBITMAP shadowOf = nullptr;
  std::optional<std::vector<RECT>> clipRgn;       // logical coordinates
  bool inPath = false, pathDone = false;
  std::vector<kvp::ui::Figure> path;
};

namespace kvp::ui {

KvDc* Dc(HDC h);
const KvBrush* BrushOf(HBRUSH b);
KvFont* FontOf(HFONT f);
uint32_t Px(COLORREF c);
COLORREF Cref(uint32_t p);
RECT Intersect(RECT a, RECT b);
// Pixels through the DC's clipping (and its bitmap's colour table).
void FillOnSurface(KvDc* d, RECT r, uint32_t px);
void PutPixel(KvDc* d, int x, int y, uint32_t px);
void BlendPixel(KvDc* d, int x, int y, uint32_t px, unsigned alpha);
bool ReadPixel(KvDc* d, int x, int y, uint32_t* px);
uint32_t DibPixel(const BITMAPINFOHEADER* info, const BYTE* bits, DWORD stride, WORD bpp, bool topDown, LONG rows, int x, int y);
// The nearest entry of a colour table.
size_t Nearest(const std::vector<uint32_t>& table, uint32_t px);
void InitStock();
// Copies a bitmap made by drawing calls onto the DC; false when it is not one.
bool DrawMemBitmap(HDC dc, HBITMAP bitmap, int x, int y);

}  // namespace kvp::ui
