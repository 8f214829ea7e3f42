// Loading, composing and colouring the pictures of the sheets.
#include "sheets/dlg_pictures.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "config/resource_strings.h"
#include "kvplat/file.h"
#include "kvplat/heap.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "sheets/ctl_draw.h"
#include "ui_paths.h"

namespace {

constexpr PICTURE_RANGE kRanges[DLG_PICTURE_RANGES + 1] = {
    {8213, 10000, DLG_PICTURES_PICTURE}, {6001, 6228, DLG_PICTURES_RESOURCE}, {6239, 6400, DLG_PICTURES_RESOURCE},
    {7955, 7972, DLG_PICTURES_RESOURCE}, {7983, 7999, DLG_PICTURES_RESOURCE}, {8101, 8169, DLG_PICTURES_RESOURCE},
    {8184, 8212, DLG_PICTURES_RESOURCE}, {6229, 6238, DLG_PICTURES_PICTURE},  {6401, 7954, DLG_PICTURES_PICTURE},
    {7973, 7982, DLG_PICTURES_PICTURE},  {8000, 8100, DLG_PICTURES_PICTURE},  {8170, 8183, DLG_PICTURES_PICTURE},
    {0, 0, DLG_PICTURES_NONE},
};

constexpr LONG kNeutral = 50;
constexpr LONG kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(1) << 25;
constexpr DWORD kReadChunk = 16384;

SHEET_PICTURE* State(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  SHEET_PICTURE& p = ctx->work->sheet.picture;
  if (!p.ready) {
    for (LONG& b : p.balance) b = kNeutral;
    p.background = GetSysColor(COLOR_BTNFACE);
    p.ready = 1;
  }
  return &p;
}

HMODULE LibraryOf(SETTING_CONTEXT* ctx, DWORD id) {
  switch (DlgPictureLibraryOf(id)) {
    case DLG_PICTURES_RESOURCE:
      return CfgLoadResourceDll(ctx);
    case DLG_PICTURES_PICTURE:
      return DlgLoadPictureLibrary(ctx);
    default:
      return nullptr;
  }
}

// A packed DIB of a resource, checked to hold its header, colour table and pixels.
struct PackedDib {
  const BITMAPINFOHEADER* header = nullptr;
  const RGBQUAD* colours = nullptr;
  int colourCount = 0;
  const BYTE* bits = nullptr;
  size_t bitsBytes = 0;
};

bool ReadPackedDib(const void* data, DWORD bytes, PackedDib* out) {
  if (!data || bytes < sizeof(BITMAPINFOHEADER)) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, data, sizeof h);
  if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return false;
  int colours = h.biBitCount <= 8 ? (h.biClrUsed ? int(h.biClrUsed) : 1 << h.biBitCount) : 0;
  if (h.biBitCount <= 8 && colours > (1 << h.biBitCount)) return false;
  uint64_t table = uint64_t(colours) * sizeof(RGBQUAD);
  uint64_t rows = uint64_t(h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight);
  uint64_t stride = ((uint64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
  uint64_t pixels = h.biCompression == 0 ? stride * rows : h.biSizeImage;
  if (sizeof h + table + pixels > bytes || pixels == 0) return false;
  out->header = static_cast<const BITMAPINFOHEADER*>(data);
  out->colours = reinterpret_cast<const RGBQUAD*>(static_cast<const BYTE*>(data) + sizeof h);
  out->colourCount = colours;
  out->bits = static_cast<const BYTE*>(data) + sizeof h + table;
  out->bitsBytes = size_t(pixels);
  return true;
}

COLORREF QuadColour(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }
RGBQUAD ColourQuad(COLORREF c) { return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0}; }

// The key colour of a picture: a 4-bit picture's first stored pixel (its bottom-left one), else 0x3300CC.
COLORREF KeyColour(const PackedDib& dib, HDC sourceDc) {
  if (!dib.header || dib.header->biBitCount != 4) return DLG_PIC_KEY_COLOUR;
  if (dib.header->biCompression != 0) {
    LONG h = dib.header->biHeight < 0 ? -dib.header->biHeight : dib.header->biHeight;
    return sourceDc ? GetPixel(sourceDc, 0, h - 1) : DLG_PIC_KEY_COLOUR;
  }
  int index = dib.bits[0] >> 4;
  return index < dib.colourCount ? QuadColour(dib.colours[index]) : DLG_PIC_KEY_COLOUR;
}

// The picture redrawn through a colour table in which `map` replaces every colour.
template <class Map>
HBITMAP Recoloured(const PackedDib& dib, Map&& map) {
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + size_t(dib.colourCount) * sizeof(RGBQUAD));
  std::memcpy(info.data(), dib.header, sizeof(BITMAPINFOHEADER));
  auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
  for (int i = 0; i < dib.colourCount; ++i) table[i] = ColourQuad(map(QuadColour(dib.colours[i])));
  HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
  auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
  HBITMAP b = CreateDIBitmap(display, &bi->bmiHeader, CBM_INIT, dib.bits, bi, DIB_RGB_COLORS);
  DeleteDC(display);
  return b;
}

struct Source {
  HBITMAP bitmap = nullptr;
  PackedDib dib;  // pictures by id
  bool file = false;
  LONG width = 0, height = 0;
};

bool LoadSource(SETTING_CONTEXT* ctx, LPCWSTR picture, Source* s) {
  if (IS_INTRESOURCE(picture)) {
    DWORD id = DWORD(reinterpret_cast<ULONG_PTR>(picture));
    SHEET_PICTURE* p = State(ctx);
    if (id == 0) {
      if (!p || !p->overlay) return false;
      s->bitmap = static_cast<HBITMAP>(p->overlay);
      p->overlay = nullptr;
    } else {
      DWORD bytes = 0;
      const void* data = DlgFindPictureResource(ctx, id, &bytes);
      if (!ReadPackedDib(data, bytes, &s->dib)) return false;
      s->bitmap = DlgLoadPictureBitmap(ctx, id);
    }
  } else if (picture[0] && picture[1] == u':') {
    s->bitmap = DlgLoadBmpFile(picture, &s->width, &s->height);
    s->file = true;
  } else {
    s->bitmap = DlgLoadPictureByName(ctx, picture);
  }
  if (!s->bitmap) return false;
  BITMAP bm{};
  if (!GetObjectW(s->bitmap, sizeof bm, &bm)) {
    DeleteObject(s->bitmap);
    s->bitmap = nullptr;
    return false;
  }
  s->width = bm.bmWidth;
  s->height = bm.bmHeight;
  return true;
}

// The buffer of an open composition, made on the first picture from the target's area.
HDC BufferFor(SETTING_CONTEXT* ctx, HDC target, RECT* area, LONG minWidth, LONG minHeight) {
  SHEET_PICTURE* p = State(ctx);
  if (!p || !p->armed) return target;
  if (!p->bufferDc) {
    LONG w = area->right - area->left, h = area->bottom - area->top;
    if (w < minWidth) w = minWidth;
    if (h < minHeight) h = minHeight;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP b = dc ? CreateCompatibleBitmap(target, w > 0 ? w : 1, h > 0 ? h : 1) : nullptr;
    if (!b) {
      if (dc) DeleteDC(dc);
      return target;
    }
    p->bufferPrevious = SelectObject(dc, b);
    BitBlt(dc, 0, 0, w, h, target, area->left, area->top, SRCCOPY);
    p->bufferDc = dc;
  }
  *area = RECT{0, 0, area->right - area->left, area->bottom - area->top};
  return static_cast<HDC>(p->bufferDc);
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

bool GreyRendering(SETTING_CONTEXT* ctx) {
  return ctx && ctx->store && StgGetOptionValue(ctx, sid::rdmMachineTypeColor, nullptr) == 0;
}

// A picture at its own size at (0, 0), the buffer to be stretched to the control when shown. Its
// colours go through the colour balance when asked; transparent, its key pixels keep what is below.
void PaintOwnSize(SETTING_CONTEXT* ctx, HDC dc, Source& s, bool adjust, bool transparent) {
  if (SHEET_PICTURE* p = State(ctx)) {
    p->stretch = 1;
    p->width = s.width;
    p->height = s.height;
  }
  HDC src = CreateCompatibleDC(dc);
  if (!src) return;
  HGDIOBJ old = SelectObject(src, s.bitmap);
  const bool indexed = s.dib.header && s.dib.header->biBitCount <= 8 && !s.file;
  if (!indexed) {
    BitBlt(dc, 0, 0, s.width, s.height, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
    return;
  }
  const COLORREF key = KeyColour(s.dib, src);
  SelectObject(src, old);
  const int grey = GreyRendering(ctx) ? 1 : 0;
  auto colourOf = [&](COLORREF c) { return adjust ? DlgAdjustColour(ctx, c, grey) : c; };
  auto blit = [&](HBITMAP b, DWORD rop) {
    if (!b) return;
    HGDIOBJ o = SelectObject(src, b);
    BitBlt(dc, 0, 0, s.width, s.height, src, 0, 0, rop);
    SelectObject(src, o);
    DeleteObject(b);
  };
  if (transparent) {
    blit(Recoloured(s.dib, [&](COLORREF c) { return c == key ? COLORREF(0xFFFFFF) : COLORREF(0); }), SRCAND);
    blit(Recoloured(s.dib, [&](COLORREF c) { return c == key ? COLORREF(0) : colourOf(c); }), SRCPAINT);
  } else {
    blit(Recoloured(s.dib, colourOf), SRCCOPY);
  }
  DeleteDC(src);
}

}  // namespace

const PICTURE_RANGE* DlgGetPictureRanges() { return kRanges; }

DLG_PICTURE_LIBRARY DlgPictureLibraryOf(DWORD id) {
  for (const PICTURE_RANGE* r = kRanges; r->low; ++r)
    if (id >= r->low && id <= r->high) return DLG_PICTURE_LIBRARY(r->library);
  return DLG_PICTURES_NONE;
}

int DlgFindPictureLayout(WORD id) {
  if (!id) return -1;
  const PICTURE_LAYOUT_ROW* rows = DlgGetPictureLayout();
  for (int i = 0; rows[i].id; ++i)
    if (rows[i].id == id) return i;
  return -1;
}

HMODULE DlgLoadPictureLibrary(SETTING_CONTEXT* ctx) {
  if (!ctx) return nullptr;
  if (!ctx->pictureLib) {
    const WCHAR* path = UiGetPictureDllPath(ctx);
    if (path && path[0]) ctx->pictureLib = LoadLibraryW(path);
  }
  return ctx->pictureLib;
}

HBITMAP DlgLoadPictureBitmap(SETTING_CONTEXT* ctx, DWORD id) {
  HMODULE lib = LibraryOf(ctx, id);
  return lib ? LoadBitmapW(lib, MAKEINTRESOURCEW(id)) : nullptr;
}

const void* DlgFindPictureResource(SETTING_CONTEXT* ctx, DWORD id, DWORD* bytes) {
  if (bytes) *bytes = 0;
  HMODULE lib = LibraryOf(ctx, id);
  HRSRC r = lib ? FindResourceW(lib, MAKEINTRESOURCEW(id), RT_BITMAP) : nullptr;
  HGLOBAL g = r ? LoadResource(lib, r) : nullptr;
  if (!g) return nullptr;
  if (bytes) *bytes = SizeofResource(lib, r);
  return LockResource(g);
}

HBITMAP DlgLoadPictureByName(SETTING_CONTEXT* ctx, const WCHAR* name) {
  HMODULE lib = name ? DlgLoadPictureLibrary(ctx) : nullptr;
  return lib ? LoadBitmapW(lib, name) : nullptr;
}

HBITMAP DlgLoadBmpFile(const WCHAR* path, LONG* width, LONG* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  HANDLE file = nullptr;
  if (!path || !CfgOpenBmpFile(path, &file)) return nullptr;
  HBITMAP result = nullptr;
  HGLOBAL block = nullptr;
  LARGE_INTEGER size{};
  std::vector<BYTE> info;
  do {
    if (!GetFileSizeEx(file, &size)) break;
    BITMAPINFOHEADER h{};
    DWORD done = 0;
    if (SetFilePointer(file, 14, nullptr, FILE_BEGIN) != 14 || !ReadFile(file, &h, sizeof h, &done, nullptr) ||
        done != sizeof h)
      break;
    // The header comes from a file the user chose: nothing of it is trusted until it fits the file.
    const WORD bits = h.biBitCount;
    if (h.biSize != sizeof h || h.biCompression != 0 || h.biPlanes != 1) break;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) break;
    if (h.biWidth <= 0 || h.biHeight <= 0 || h.biWidth > kMaxSide || h.biHeight > kMaxSide ||
        int64_t(h.biWidth) * h.biHeight > kMaxPixels)
      break;
    const uint64_t table = bits <= 8 ? uint64_t(4) << bits : 0;
    const uint64_t stride = ((uint64_t(h.biWidth) * bits + 31) / 32) * 4;
    const uint64_t pixels = stride * uint64_t(h.biHeight);
    if (14 + sizeof h + table + pixels > uint64_t(size.QuadPart)) break;
    if (width) *width = h.biWidth;
    if (height) *height = h.biHeight;
    info.resize(sizeof h + size_t(table));
    h.biSizeImage = DWORD(pixels);
    std::memcpy(info.data(), &h, sizeof h);
    if (table && (!ReadFile(file, info.data() + sizeof h, DWORD(table), &done, nullptr) || done != table)) break;
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(pixels));
    BYTE* data = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    if (!data) break;
    uint64_t read = 0;
    while (read < pixels) {
      DWORD want = DWORD(pixels - read < kReadChunk ? pixels - read : kReadChunk);
      if (!ReadFile(file, data + read, want, &done, nullptr) || done == 0) break;
      read += done;
    }
    if (read == pixels) {
      HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
      auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
      result = CreateDIBitmap(display, &bi->bmiHeader, CBM_INIT, data, bi, DIB_RGB_COLORS);
      if (display) DeleteDC(display);
    }
    GlobalUnlock(block);
  } while (false);
  if (block) GlobalFree(block);
  CloseHandle(file);
  return result;
}

void DlgBeginPicture(SETTING_CONTEXT* ctx) {
  SHEET_PICTURE* p = State(ctx);
  if (!p) return;
  p->armed = 1;
  p->bufferDc = nullptr;
  p->bufferPrevious = nullptr;
  p->stretch = 0;
  p->width = p->height = 0;
}

void DlgEndPicture(SETTING_CONTEXT* ctx, HWND window, const RECT* rect) {
  SHEET_PICTURE* p = State(ctx);
  if (!p || (!window && !rect) || !p->armed) return;
  p->armed = 0;
  RECT target{};
  if (rect) target = *rect;
  else GetClientRect(window, &target);
  HDC buffer = static_cast<HDC>(p->bufferDc);
  if (buffer) {
    if (HDC dc = CtlGetPaintDc(ctx, window)) {
      LONG w = target.right - target.left, h = target.bottom - target.top;
      if (p->stretch) StretchBlt(dc, target.left, target.top, w, h, buffer, 0, 0, p->width, p->height, SRCCOPY);
      else BitBlt(dc, target.left, target.top, w, h, buffer, 0, 0, SRCCOPY);
      CtlReleasePaintDc(ctx, window, dc);
    }
    HGDIOBJ b = SelectObject(buffer, p->bufferPrevious);
    DeleteObject(b);
    DeleteDC(buffer);
  }
  p->stretch = 0;
  p->bufferDc = nullptr;
  p->bufferPrevious = nullptr;
}

void DlgComposeControlPicture(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, HWND window,
                              const RECT* rect, DWORD pictureId, DWORD flags, int themeOff) {
  SHEET_PICTURE* p = State(ctx);
  if (!p) return;
  const DWORD background = p->background;
  RECT area{};
  if (window) GetClientRect(window, &area);
  else if (rect) {
    area = *rect;
    flags |= DLG_PIC_X_CENTRE | DLG_PIC_Y_CENTRE;
  }
  LONG x = area.left, y = area.top;
  int row = DlgFindPictureLayout(WORD(pictureId));
  const PICTURE_LAYOUT_ROW* layout = row >= 0 ? &DlgGetPictureLayout()[row] : nullptr;
  if (layout) {
    flags |= layout->flags;
    x += layout->x;
    y += layout->y;
  }
  if (flags & DLG_PIC_FILL) {
    HBITMAP b = DlgLoadPictureBitmap(ctx, pictureId);
    BITMAP bm{};
    if (b && GetObjectW(b, sizeof bm, &bm)) area = RECT{0, 0, bm.bmWidth, bm.bmHeight};
    if (b) DeleteObject(b);
  }
  const LONG w = area.right - area.left, h = area.bottom - area.top;
  if (flags & DLG_PIC_X_RIGHT) x += w;
  if (flags & DLG_PIC_X_CENTRE) x += w / 2;
  if (flags & DLG_PIC_Y_CENTRE) y += h / 2;
  if (flags & DLG_PIC_Y_BOTTOM) y += h;
  HDC dc = CtlGetPaintDc(ctx, window);
  if (!dc) return;
  DWORD own = flags;
  if (layout && layout->mode == 3) p->background = layout->background;
  if (layout && layout->underlay) {
    if (flags & DLG_PIC_UNDERLAY) {
      DlgPaintPicture(ctx, page, control, dc, &area, x, y, MAKEINTRESOURCEW(layout->underlay), flags | DLG_PIC_AND,
                      themeOff);
      own = flags | DLG_PIC_OVER_CONTENT;
    } else {
      DlgPaintPicture(ctx, page, control, dc, &area, x, y, MAKEINTRESOURCEW(layout->underlay),
                      flags | DLG_PIC_MERGEPAINT, themeOff);
      own = DLG_PIC_AND | DLG_PIC_OVER_CONTENT;
    }
  }
  if (p->adjusted) {
    p->adjusted = 0;
    DlgPaintAdjustedPicture(ctx, dc, &area, x, y, pictureId, own);
  } else {
    DlgPaintPicture(ctx, page, control, dc, &area, x, y, MAKEINTRESOURCEW(pictureId), own, themeOff);
  }
  CtlReleasePaintDc(ctx, window, dc);
  p->background = background;
}

void DlgPaintPicture(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC*, HDC target, const RECT* areaIn, int x,
                     int y, LPCWSTR picture, DWORD flags, int) {
  if (!target || !areaIn) return;
  Source s;
  if (!LoadSource(ctx, picture, &s)) return;
  SHEET_PICTURE* p = State(ctx);
  RECT area = *areaIn;
  if (IS_INTRESOURCE(picture) && !picture) {
    // The overlay bitmap goes centred at the area's centre.
    flags |= DLG_PIC_X_CENTRE | DLG_PIC_Y_CENTRE;
    x = (area.left + area.right) / 2;
    y = (area.top + area.bottom) / 2;
  }
  const bool fill = (flags & DLG_PIC_FILL) != 0;
  const LONG left0 = area.left, top0 = area.top;
  HDC dc = BufferFor(ctx, target, &area, fill ? s.width : 0, fill ? s.height : 0);
  if (dc != target) {
    x -= left0;
    y -= top0;
  }
  if (fill) {
    if (s.file) {
      HDC src = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(src, s.bitmap);
      StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, src, 0, 0, s.width,
                 s.height, SRCCOPY);
      SelectObject(src, old);
      DeleteDC(src);
    } else {
      PaintOwnSize(ctx, dc, s, true, false);
    }
    DeleteObject(s.bitmap);
    return;
  }
  if (p && p->stretch) {
    area.right = area.left + p->width;
    area.bottom = area.top + p->height;
  }
  if (flags & DLG_PIC_X_RIGHT) x -= s.width;
  if (flags & DLG_PIC_X_CENTRE) x -= s.width / 2;
  if (flags & DLG_PIC_Y_BOTTOM) y -= s.height;
  if (flags & DLG_PIC_Y_CENTRE) y -= s.height / 2;
  const LONG aw = area.right - area.left, ah = area.bottom - area.top;
  if (aw <= 0 || ah <= 0) {
    DeleteObject(s.bitmap);
    return;
  }
  // The work bitmap: the area's size, the picture at (x, y) relative to it.
  HDC work = CreateCompatibleDC(dc);
  HBITMAP workBitmap = work ? CreateCompatibleBitmap(dc, aw, ah) : nullptr;
  HDC src = CreateCompatibleDC(dc);
  if (!work || !workBitmap || !src) {
    if (workBitmap) DeleteObject(workBitmap);
    if (work) DeleteDC(work);
    if (src) DeleteDC(src);
    DeleteObject(s.bitmap);
    return;
  }
  HGDIOBJ oldWork = SelectObject(work, workBitmap);
  const LONG px = x - area.left, py = y - area.top;
  HBITMAP drawn = s.bitmap;
  HBITMAP keyed = nullptr;
  const bool plain = s.file || (flags & (DLG_PIC_COPY | DLG_PIC_UNDERLAY | DLG_PIC_AND | DLG_PIC_MERGEPAINT));
  if (plain) {
    BitBlt(work, 0, 0, aw, ah, dc, area.left, area.top, SRCCOPY);
  } else {
    PatBlt(work, 0, 0, aw, ah, BLACKNESS);
    if (s.dib.header && s.dib.header->biBitCount <= 8) {
      HGDIOBJ old = SelectObject(src, s.bitmap);
      const COLORREF key = KeyColour(s.dib, src);
      SelectObject(src, old);
      // The picture with its key pixels black, to be ORed over what the key pixels show.
      keyed = Recoloured(s.dib, [&](COLORREF c) { return c == key ? COLORREF(0) : c; });
      if (keyed) drawn = keyed;
      const COLORREF background = p ? p->background : GetSysColor(COLOR_BTNFACE);
      const bool overContent = (flags & DLG_PIC_OVER_CONTENT) != 0;
      // Where the picture is opaque the work bitmap turns black; elsewhere it shows the target or the
      // background colour.
      HBITMAP mask = Recoloured(s.dib, [&](COLORREF c) {
        return c == key ? (overContent ? COLORREF(0xFFFFFF) : background) : COLORREF(0);
      });
      if (overContent) BitBlt(work, 0, 0, aw, ah, dc, area.left, area.top, SRCCOPY);
      else FillSolid(work, RECT{0, 0, aw, ah}, background);
      if (mask) {
        old = SelectObject(src, mask);
        BitBlt(work, px, py, s.width, s.height, src, 0, 0, SRCAND);
        SelectObject(src, old);
        DeleteObject(mask);
      }
    }
  }
  DWORD rop = SRCPAINT;
  if (flags & DLG_PIC_COPY) rop = SRCCOPY;
  else if (flags & DLG_PIC_AND) rop = SRCAND;
  else if (flags & DLG_PIC_MERGEPAINT) rop = MERGEPAINT;
  HGDIOBJ oldSrc = SelectObject(src, drawn);
  BitBlt(work, px, py, s.width, s.height, src, 0, 0, rop);
  SelectObject(src, oldSrc);
  BitBlt(dc, area.left, area.top, aw, ah, work, 0, 0, SRCCOPY);
  SelectObject(work, oldWork);
  DeleteObject(workBitmap);
  DeleteDC(work);
  DeleteDC(src);
  if (keyed) DeleteObject(keyed);
  DeleteObject(s.bitmap);
}

void DlgPaintAdjustedPicture(SETTING_CONTEXT* ctx, HDC target, const RECT* areaIn, int, int, DWORD pictureId,
                             DWORD flags) {
  if (!flags || !target || !areaIn) return;
  Source s;
  if (!LoadSource(ctx, MAKEINTRESOURCEW(pictureId), &s)) return;
  RECT area = *areaIn;
  HDC dc = BufferFor(ctx, target, &area, s.width, s.height);
  PaintOwnSize(ctx, dc, s, (flags & DLG_PIC_FILL) != 0, true);
  DeleteObject(s.bitmap);
}

COLORREF DlgAdjustColourBy(const LONG balance[6], COLORREF colour, int grey) {
  LONG a = balance[0] - 50, b = balance[1] + 50, c = balance[2] - 50;
  LONG d = balance[3] - 50, e = balance[4] - 50, f = balance[5] - 50;
  if (!grey && a == 0 && b == 100 && !c && !d && !e && !f) return colour;
  LONG R = GetRValue(colour), G = GetGValue(colour), B = GetBValue(colour);
  LONG Y = (30 * R + 59 * G + 11 * B) / 100;
  auto curve = [](LONG v, LONG k) { return v > 128 ? ((128 - k) * v + 255 * k) / 128 : (k + 128) * v / 128; };
  if (a || c) {
    LONG Cr = R - Y, Cb = B - Y;
    if (a) Y = curve(Y, 3 * a / 2);
    if (c) {
      Cr = curve(Cr, 3 * c / 2);
      Cb = curve(Cb, 3 * c / 2);
    }
    R = Y + Cr;
    G = Y - 30 * Cr / 59 - 11 * Cb / 59;
    B = Y + Cb;
    if (R < 0) R = 0;
    if (G < 0) G = 0;
    if (B < 0) B = 0;
  }
  if (grey) R = G = B = Y;
  else {
    R += d;
    G += e;
    B += f;
  }
  if (b != 100) {
    R = (2 * b + 56) * R / 256 + 100 - b;
    G = (2 * b + 56) * G / 256 + 100 - b;
    B = (2 * b + 56) * B / 256 + 100 - b;
  }
  auto clamp = [](LONG v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
  return RGB(clamp(R), clamp(G), clamp(B));
}

COLORREF DlgAdjustColour(SETTING_CONTEXT* ctx, COLORREF colour, int grey) {
  SHEET_PICTURE* p = State(ctx);
  static constexpr LONG kNeutralSet[6] = {50, 50, 50, 50, 50, 50};
  return DlgAdjustColourBy(p ? p->balance : kNeutralSet, colour, grey);
}

namespace {
// The palette of a palette display: tested once, kept for the life of the process.
std::mutex gPaletteLock;
int gPaletteDisplay = -1;
PALETTEENTRY gPalette[256];
}  // namespace

INT_PTR DlgIsPaletteDisplay(HDC dc, int index, COLORREF colour) {
  std::lock_guard<std::mutex> lock(gPaletteLock);
  if (gPaletteDisplay < 0) {
    HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    gPaletteDisplay = display && GetNearestColor(display, 0xFF3333) != 0xFF3333 ? 1 : 0;
    if (display) DeleteDC(display);
  }
  if (!dc) return gPaletteDisplay;
  if (!gPaletteDisplay) return 0;
  if (index >= 0) {
    if (index < 256) gPalette[index] = PALETTEENTRY{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
    return 0;
  }
  std::vector<BYTE> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = 256;
  std::memcpy(lp->palPalEntry, gPalette, sizeof gPalette);
  HPALETTE palette = CreatePalette(lp);
  if (!palette) return 0;
  HPALETTE previous = SelectPalette(dc, palette, FALSE);
  RealizePalette(dc);
  return reinterpret_cast<INT_PTR>(previous);
}

int DlgGetCommonControlsVersion() {
  // The version record the common controls fill in.
  struct VersionInfo {
    DWORD size, major, minor, build, platform;
  };
  HMODULE lib = LoadLibraryW(u"comctl32.dll");
  if (!lib) return 0;
  int version = 0;
  using GetVersionFn = LONG (*)(VersionInfo*);
  if (auto fn = reinterpret_cast<GetVersionFn>(GetProcAddress(lib, "DllGetVersion"))) {
    VersionInfo v{sizeof(VersionInfo), 0, 0, 0, 0};
    if (fn(&v) == 0) version = int(v.major * 100 + v.minor);
  }
  FreeLibrary(lib);
  return version;
}

void DlgDrawIcon(SETTING_CONTEXT* ctx, HDC dc, int x, int y, DWORD iconId) {
  if (!ctx || !dc) return;
  HMODULE lib = CfgLoadResourceDll(ctx);
  if (!lib) return;
  if (HICON icon = LoadIconW(lib, MAKEINTRESOURCEW(iconId & 0xFFFF))) DrawIcon(dc, x, y, icon);
}

void DlgDrawValueIcon(SETTING_CONTEXT* ctx, HWND window, DWORD iconId) {
  if (!window) return;
  HDC dc = GetDC(window);
  if (!dc) return;
  DlgDrawIcon(ctx, dc, 0, 0, iconId);
  ReleaseDC(window, dc);
}

void DlgReleaseLibraryParts(SETTING_CONTEXT* ctx) {
  if (!ctx) return;
  if (ctx->work) {
    SHEET_WORK& s = ctx->work->sheet;
    for (void*& b : s.brushes) {
      if (b) DeleteObject(static_cast<HGDIOBJ>(b));
      b = nullptr;
    }
    if (s.picture.overlay) DeleteObject(static_cast<HGDIOBJ>(s.picture.overlay));
    s.picture.overlay = nullptr;
  }
  if (ctx->pictureLib) FreeLibrary(ctx->pictureLib);
  ctx->pictureLib = nullptr;
}
