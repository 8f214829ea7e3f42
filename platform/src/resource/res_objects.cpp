// Objects made from resources: bitmaps (owned by their caller) and icons and cursors (shared).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/paint.h"
#include "kvplat/text.h"
#include "res_internal.h"

struct KvBitmap {
  uint32_t magic = 0x4B564254;  // "KVBT"
  std::vector<uint8_t> dib;
  kvp::BitmapDesc desc;
};

struct KvIcon {
  uint32_t magic = 0x4B564943;  // "KVIC"
  std::vector<uint8_t> image;
  kvp::IconDesc desc;
};

namespace {

std::mutex g_objMu;
std::set<KvBitmap*>& Bitmaps() {
  static std::set<KvBitmap*> s;
  return s;
}
// Shared icons and cursors, owned here for the life of the process.
std::vector<std::unique_ptr<KvIcon>>& Icons() {
  static auto* v = new std::vector<std::unique_ptr<KvIcon>>();
  return *v;
}

uint16_t Rd16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Checks a packed DIB of n bytes and describes it. rowsDivisor 2 reads an icon image (colour rows and mask).
bool DescribeDib(const uint8_t* p, size_t n, kvp::BitmapDesc* d, int rowsDivisor = 1) {
  if (!p || n < sizeof(BITMAPINFOHEADER)) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, p, sizeof h);
  if (h.biSize < 40 || h.biSize > n || h.biPlanes != 1) return false;
  if (h.biWidth <= 0 || h.biWidth > 65535 || h.biHeight == 0 || h.biHeight < -65535 || h.biHeight > 65535) return false;
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  bool fields = h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32);
  if (h.biCompression != BI_RGB && !fields) return false;
  uint64_t colours = h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? (1u << h.biBitCount) : 0);
  if (colours > 256) return false;
  uint64_t masks = fields && h.biSize == 40 ? 12 : 0;
  uint64_t rows = uint64_t(h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight);
  if (rowsDivisor == 2) {
    if (rows % 2) return false;
    rows /= 2;
  }
  uint64_t stride = ((uint64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
  uint64_t bitsAt = h.biSize + masks + colours * 4;
  uint64_t bitsSize = stride * rows;
  if (bitsAt + bitsSize > n) return false;
  d->width = h.biWidth;
  d->height = LONG(rows);
  d->bitsPerPixel = h.biBitCount;
  d->topDown = h.biHeight < 0;
  d->info = reinterpret_cast<const BITMAPINFOHEADER*>(p);
  d->dibSize = n;
  d->bits = p + bitsAt;
  d->bitsSize = size_t(bitsSize);
  d->stride = DWORD(stride);
  return true;
}

KvIcon* MakeIcon(bool cursor, const uint8_t* data, size_t n, WORD id) {
  auto icon = std::make_unique<KvIcon>();
  size_t skip = cursor ? 4 : 0;
  if (n < skip) return nullptr;
  icon->image.assign(data + skip, data + n);
  kvp::BitmapDesc d;
  if (!DescribeDib(icon->image.data(), icon->image.size(), &d, 2)) return nullptr;
  icon->desc.cursor = cursor;
  icon->desc.width = d.width;
  icon->desc.height = d.height;
  icon->desc.bitsPerPixel = d.bitsPerPixel;
  if (cursor) icon->desc.hotspot = {LONG(Rd16(data)), LONG(Rd16(data + 2))};
  icon->desc.image = icon->image.data();
  icon->desc.imageSize = icon->image.size();
  icon->desc.resourceId = id;
  KvIcon* raw = icon.get();
  Icons().push_back(std::move(icon));
  return raw;
}

// A plain 32 x 32 image standing for a predefined icon or cursor.
KvIcon* SystemIcon(bool cursor, WORD id) {
  static std::map<std::pair<bool, WORD>, KvIcon*> made;
  auto it = made.find({cursor, id});
  if (it != made.end()) return it->second;
  std::vector<uint8_t> img(40 + 32 * 32 * 4 + 32 * 4, 0);
  BITMAPINFOHEADER h{40, 32, 64, 1, 32, BI_RGB, 32 * 32 * 4 + 32 * 4, 3780, 3780, 0, 0};
  std::memcpy(img.data(), &h, sizeof h);
  for (size_t i = 0; i < 32 * 32; ++i) {
    uint8_t* px = &img[40 + i * 4];
    px[0] = px[1] = px[2] = cursor ? 0 : 0x80;
    px[3] = 0xFF;
  }
  std::vector<uint8_t> data;
  if (cursor) data = {0, 0, 0, 0};
  data.insert(data.end(), img.begin(), img.end());
  KvIcon* icon = MakeIcon(cursor, data.data(), data.size(), 0);
  if (icon) icon->desc.resourceId = 0;
  made[{cursor, id}] = icon;
  return icon;
}

bool IsPredefined(bool cursor, WORD id) {
  if (!cursor) return id >= 32512 && id <= 32518;
  return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651 && id != 32647);
}

HICON LoadGroup(HINSTANCE inst, LPCWSTR name, bool cursor) {
  if (!inst) {
    if (!IS_INTRESOURCE(name) || !IsPredefined(cursor, WORD(reinterpret_cast<uintptr_t>(name)))) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    std::lock_guard<std::mutex> g(g_objMu);
    return SystemIcon(cursor, WORD(reinterpret_cast<uintptr_t>(name)));
  }
  HRSRC gr = FindResourceW(inst, name, cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON);
  if (!gr) return nullptr;
  auto* g = static_cast<const uint8_t*>(LoadResource(inst, gr));
  size_t gn = SizeofResource(inst, gr);
  if (!g || gn < 6 || Rd16(g) != 0 || Rd16(g + 2) != (cursor ? 2 : 1) || gn < 6 + size_t(Rd16(g + 4)) * 14 ||
      Rd16(g + 4) == 0) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  // The best image: 32 x 32 with the most colours, else the one nearest to that size.
  int best = -1;
  long bestScore = -1;
  for (int i = 0; i < Rd16(g + 4); ++i) {
    const uint8_t* e = g + 6 + i * 14;
    long w, h, bpp;
    if (cursor) {
      w = Rd16(e);
      h = Rd16(e + 2) / 2;
      bpp = Rd16(e + 6);
    } else {
      w = e[0] ? e[0] : 256;
      h = e[1] ? e[1] : 256;
      bpp = Rd16(e + 6);
    }
    long dist = std::labs(w - 32) + std::labs(h - 32);
    long score = (1000 - std::min(dist, 999L)) * 1000 + bpp;
    if (score > bestScore) {
      bestScore = score;
      best = i;
    }
  }
  const uint8_t* e = g + 6 + best * 14;
  WORD id = Rd16(e + 12);
  // The image in the group's own language.
  const kvres::Entry* ge = reinterpret_cast<const kvres::Entry*>(gr);
  HRSRC ir = FindResourceExW(inst, cursor ? RT_CURSOR : RT_ICON, MAKEINTRESOURCEW(id), ge->language);
  if (!ir) return nullptr;
  auto* data = static_cast<const uint8_t*>(LoadResource(inst, ir));
  size_t n = SizeofResource(inst, ir);
  std::lock_guard<std::mutex> lock(g_objMu);
  size_t skip = cursor ? 4 : 0;
  for (auto& icon : Icons()) {
    if (icon->desc.cursor == cursor && icon->desc.resourceId == id && n >= skip && icon->image.size() == n - skip &&
        std::memcmp(icon->image.data(), data + skip, n - skip) == 0 &&
        (!cursor || (icon->desc.hotspot.x == Rd16(data) && icon->desc.hotspot.y == Rd16(data + 2))))
      return icon.get();
  }
  KvIcon* icon = MakeIcon(cursor, data, n, id);
  if (!icon) SetLastError(ERROR_INVALID_DATA);
  return icon;
}

}  // namespace

KVAPI HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
  HRSRC r = FindResourceW(hInstance, lpBitmapName, RT_BITMAP);
  if (!r) return nullptr;
  auto* p = static_cast<const uint8_t*>(LoadResource(hInstance, r));
  size_t n = SizeofResource(hInstance, r);
  auto bmp = std::make_unique<KvBitmap>();
  if (p) bmp->dib.assign(p, p + n);
  if (!p || !DescribeDib(bmp->dib.data(), bmp->dib.size(), &bmp->desc)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::lock_guard<std::mutex> g(g_objMu);
  Bitmaps().insert(bmp.get());
  SetLastError(ERROR_SUCCESS);
  return bmp.release();
}

KVAPI HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
  if (IS_INTRESOURCE(lpBitmapName)) return LoadBitmapW(hInstance, reinterpret_cast<LPCWSTR>(lpBitmapName));
  std::u16string w = kvp::res::AnsiToWide(lpBitmapName);
  return LoadBitmapW(hInstance, w.c_str());
}

KVAPI BOOL DeleteObject(HGDIOBJ hObject) {
  std::lock_guard<std::mutex> g(g_objMu);
  auto* b = static_cast<KvBitmap*>(hObject);
  if (!b || !Bitmaps().erase(b)) {
    if (b && kvp::DeleteDrawingObject(hObject)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete b;
  return TRUE;
}

KVAPI HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) { return LoadGroup(hInstance, lpIconName, false); }
KVAPI HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) { return LoadGroup(hInstance, lpCursorName, true); }

namespace kvp {

bool BitmapDescribe(HBITMAP bitmap, BitmapDesc* out) {
  std::lock_guard<std::mutex> g(g_objMu);
  if (!bitmap || !Bitmaps().count(bitmap) || !out) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  *out = bitmap->desc;
  return true;
}

bool IconDescribe(HICON icon, IconDesc* out) {
  std::lock_guard<std::mutex> g(g_objMu);
  for (auto& i : Icons())
    if (i.get() == icon && out) {
      *out = i->desc;
      return true;
    }
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

}  // namespace kvp
