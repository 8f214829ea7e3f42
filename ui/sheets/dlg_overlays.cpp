// The watermark and copy-protection overlays of the paper preview.
#include "sheets/dlg_overlays.h"

#include <array>
#include <vector>

#include "driverdata/img_image.h"
#include "kvplat/resource.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "sheets/ctl_core.h"
#include "sheets/dlg_pictures.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr double Sine(double x) {
  while (x > kPi) x -= 2 * kPi;
  while (x < -kPi) x += 2 * kPi;
  double term = x, sum = x;
  for (int n = 1; n < 20; ++n) {
    term *= -x * x / ((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}
constexpr int16_t Round(double v) { return int16_t(v >= 0 ? int(v + 0.5) : -int(-v + 0.5)); }

constexpr std::array<int16_t, 360> Table(bool cosine) {
  std::array<int16_t, 360> t{};
  for (int d = 0; d < 360; ++d) t[size_t(d)] = Round(100 * Sine((d + (cosine ? 90 : 0)) * kPi / 180));
  return t;
}
constexpr auto kSin = Table(false);
constexpr auto kCos = Table(true);
static_assert(kSin[1] == 2 && kCos[6] == 99 && kSin[90] == 100 && kCos[0] == 100 && kSin[270] == -100);
static_assert(kCos[90] == 0 && kSin[180] == 0 && kCos[180] == -100 && kSin[30] == 50 && kCos[60] == 50);

constexpr WORD kPreviewTag = 8;
constexpr WORD kPatternFill = 2931;
constexpr WORD kPatternText = 2943;

POINT Turn(POINT p, int index) {
  return POINT{(p.x * kCos[size_t(index)] - p.y * kSin[size_t(index)]) / 100,
               (p.x * kSin[size_t(index)] + p.y * kCos[size_t(index)]) / 100};
}

// Moves the five points so that their smallest x and y are 0; the box is their largest x and y.
void Settle(OVERLAY_BOX& b) {
  POINT* pts[5] = {&b.corner[0], &b.corner[1], &b.corner[2], &b.corner[3], &b.origin};
  LONG minX = 65535, minY = 65535;
  for (POINT* p : pts) {
    if (p->x < minX) minX = p->x;
    if (p->y < minY) minY = p->y;
  }
  b.width = b.height = 0;
  for (POINT* p : pts) {
    p->x -= minX;
    p->y -= minY;
    if (p->x > b.width) b.width = p->x;
    if (p->y > b.height) b.height = p->y;
  }
}

int TurnIndex(LONG escapement) { return DlgNormaliseAngle(360 - escapement / 10); }

// A setting's text (empty without the setting).
std::u16string SettingText(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = id ? StgFindItem(ctx, id) : nullptr;
  if (!row) return {};
  std::vector<WCHAR> text(StgTypeLength(row->type) + 2, 0);
  if (!StgGetString(ctx, row, text.data())) return {};
  return std::u16string(text.data());
}
DWORD Option(SETTING_CONTEXT* ctx, WORD id) { return id ? StgGetOptionValue(ctx, id, nullptr) : 0; }
DWORD Stored(SETTING_CONTEXT* ctx, WORD id) { return id ? DWORD(StgGetValue(ctx, id, nullptr)) : 0; }

LONG ShortSide(SETTING_CONTEXT* ctx) {
  LONG w = LONG(StgGetOptionValue(ctx, sid::rdmDstPaperWidthDot, nullptr));
  LONG l = LONG(StgGetOptionValue(ctx, sid::rdmDstPaperLengthDot, nullptr));
  return w < l ? w : l;
}

// The overlay bitmap (w x h) and, when the colour cannot be drawn exactly, a white mask to draw on
// in black.
struct Overlay {
  HDC buffer = nullptr;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  HDC mask = nullptr;
  HBITMAP maskBitmap = nullptr;
  HGDIOBJ maskPrevious = nullptr;
  LONG w = 0, h = 0;
  POINT at{};
  COLORREF colour = 0;

  bool Open(HDC buf, LONG width, LONG height, POINT origin) {
    buffer = buf;
    w = width;
    h = height;
    at = origin;
    if (w <= 0 || h <= 0) return false;
    dc = CreateCompatibleDC(buffer);
    bitmap = dc ? CreateCompatibleBitmap(buffer, w, h) : nullptr;
    if (!bitmap) return false;
    previous = SelectObject(dc, bitmap);
    return true;
  }
  // The DC to draw in and the colour to draw with.
  HDC Target(COLORREF c, COLORREF* drawColour) {
    colour = c;
    *drawColour = c;
    if (GetNearestColor(dc, c) == c) return dc;
    mask = CreateCompatibleDC(dc);
    maskBitmap = mask ? CreateCompatibleBitmap(dc, w, h) : nullptr;
    if (!maskBitmap) {
      if (mask) DeleteDC(mask);
      mask = nullptr;
      return dc;
    }
    maskPrevious = SelectObject(mask, maskBitmap);
    PatBlt(mask, 0, 0, w, h, WHITENESS);
    *drawColour = 0;
    return mask;
  }
  void CombineMask(bool transparent) {
    if (!mask) return;
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldBrush = SelectObject(mask, brush);
    if (transparent) {
      PatBlt(mask, 0, 0, w, h, 0xFA0089);
      BitBlt(dc, 0, 0, w, h, mask, 0, 0, SRCAND);
    } else {
      BitBlt(dc, 0, 0, w, h, mask, 0, 0, SRCAND);
      PatBlt(mask, 0, 0, w, h, DSTINVERT);
      PatBlt(mask, 0, 0, w, h, 0xA000C9);
      BitBlt(dc, 0, 0, w, h, mask, 0, 0, SRCPAINT);
    }
    SelectObject(mask, oldBrush);
    DeleteObject(brush);
    SelectObject(mask, maskPrevious);
    DeleteObject(maskBitmap);
    DeleteDC(mask);
    mask = nullptr;
  }
  void Close(DWORD rop) {
    if (bitmap) BitBlt(buffer, at.x, at.y, w, h, dc, 0, 0, rop);
    if (previous) SelectObject(dc, previous);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    dc = nullptr;
    bitmap = nullptr;
  }
};

// The font of the overlay texts: the dialog's font with the face, height, angle and style given.
HFONT OverlayFont(const CONTROL_DESC* control, const std::u16string& face, bool keepHeight, LONG height,
                  LONG escapement, DWORD style) {
  LOGFONTW lf{};
  HWND window = static_cast<HWND>(control->window);
  HWND parent = window ? GetParent(window) : nullptr;
  if (HGDIOBJ f = parent ? reinterpret_cast<HGDIOBJ>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr)
    GetObjectW(f, sizeof lf, &lf);
  lf.lfCharSet = 1;
  lf.lfPitchAndFamily = 0;
  if (!face.empty()) {
    size_t n = face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1;
    for (size_t i = 0; i < LF_FACESIZE; ++i) lf.lfFaceName[i] = i < n ? face[i] : 0;
  }
  if (!keepHeight) lf.lfHeight = height;
  lf.lfEscapement = escapement;
  if (style & 1) lf.lfWeight = FW_BOLD;
  if (style & 2) lf.lfItalic = 1;
  return CreateFontIndirectW(&lf);
}

// The text's extent: the larger of its measured width and the sum of its characters' ABC widths.
SIZE MeasureText(HDC dc, const std::u16string& text) {
  SIZE size{};
  if (text.empty()) return size;
  GetTextExtentPoint32W(dc, text.data(), int(text.size()), &size);
  LONG sum = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    ABC abc{};
    if (!GetCharABCWidthsW(dc, text[i], text[i], &abc)) continue;
    sum += abc.abcA + LONG(abc.abcB) + abc.abcC;
    if (i == 0 && abc.abcA < 0) sum -= abc.abcA;
    if (i > 0 && i + 1 == text.size() && abc.abcC < 0) sum -= abc.abcC;
  }
  if (sum > size.cx) size.cx = sum;
  return size;
}

// The text state of an overlay: the font, a one-pixel pen and the text colour on a transparent
// background; Finish strokes an open outline path and puts the DC back.
struct TextState {
  HDC dc;
  HFONT font;
  HPEN pen;
  HGDIOBJ oldFont, oldPen;
  COLORREF oldColour;
  int oldMode;
  bool path;
  TextState(HDC d, HFONT f, COLORREF ink, bool outline)
      : dc(d), font(f), pen(CreatePen(PS_SOLID, 1, ink)), path(outline) {
    oldFont = SelectObject(dc, font);
    oldPen = SelectObject(dc, pen);
    oldColour = SetTextColor(dc, ink);
    oldMode = SetBkMode(dc, TRANSPARENT);
    if (path) BeginPath(dc);
  }
  void Finish() {
    if (path) {
      EndPath(dc);
      StrokePath(dc);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    DeleteObject(pen);
  }
};

HDC BufferDc(SETTING_CONTEXT* ctx) {
  return ctx && ctx->work ? static_cast<HDC>(ctx->work->sheet.picture.bufferDc) : nullptr;
}

}  // namespace

const int16_t* DlgSineTable() { return kSin.data(); }
const int16_t* DlgCosineTable() { return kCos.data(); }

int DlgNormaliseAngle(int64_t degrees) {
  int64_t a = degrees % 360;
  return int(a < 0 ? a + 360 : a);
}

POINT DlgOverlayOrigin(const RECT& rect, LONG w, LONG h, bool watermark) {
  LONG cx = (rect.left + rect.right) / 2, cy = (rect.top + rect.bottom) / 2;
  if (watermark) return POINT{cx - w / 2 - 1, cy - h / 2 - (w < h ? 2 : 3)};
  return POINT{cx - w / 2 - 2, cy - h / 2 - (w < h ? 2 : 1)};
}

COLORREF DlgOverlayColour(LONG density, DWORD code, bool watermark) {
  const LONG top = watermark ? 100 : 5;
  if (density < 0) density = 0;
  if (density > top) density = top;
  LONG b = watermark ? MulDiv(255, 100 - density, 100) : 255 * (5 - density) / 5;
  LONG r = b, g = b, bl = b;
  switch (code) {
    case 1: r = 255; break;
    case 2: g = 255; break;
    case 3: bl = 255; break;
    case 4: g = bl = 255; break;
    case 5: r = bl = 255; break;
    case 6: r = g = 255; break;
    default: break;
  }
  return RGB(r, g, bl);
}

OVERLAY_BOX DlgTurnBox(LONG cx, LONG cy, POINT origin, LONG escapement) {
  int a = TurnIndex(escapement);
  OVERLAY_BOX b{};
  const POINT pts[4] = {{0, 0}, {0, cy}, {cx, cy}, {cx, 0}};
  for (int i = 0; i < 4; ++i) b.corner[i] = Turn(pts[i], a);
  b.origin = Turn(origin, a);
  Settle(b);
  return b;
}

OVERLAY_BOX DlgTurnCircleBox(LONG cx, LONG cy, LONG escapement, LONG* diameter) {
  LONG d = (cx > cy ? cx : cy) + 12;
  if (diameter) *diameter = d;
  int a = TurnIndex(escapement);
  LONG ox = d / 2 - cx / 2, oy = d / 2 - cy / 2;
  const POINT pts[5] = {{ox, oy}, {ox, oy + cy}, {ox + cx, oy + cy}, {ox + cx, oy}, {ox + 1, oy + 5}};
  OVERLAY_BOX b{};
  for (int i = 0; i < 5; ++i) {
    POINT p = Turn(POINT{pts[i].x - d / 2, pts[i].y - d / 2}, a);
    p.x += d / 2;
    p.y += d / 2;
    if (i < 4) b.corner[i] = p;
    else b.origin = p;
  }
  b.width = b.height = d;
  return b;
}

POINT DlgPlaceBox(DWORD code, LONG w, LONG h, LONG bw, LONG bh) {
  switch (code) {
    case 0: return POINT{w / 2 - bw / 2, h / 2 - bh / 2};
    case 2: return POINT{w / 2 - bw / 2, 0};
    case 4: return POINT{w - bw, 0};
    case 8: return POINT{0, h - bh};
    case 16: return POINT{w / 2 - bw / 2, h - bh};
    case 32: return POINT{w - bw, h - bh};
    default: return POINT{0, 0};
  }
}

LONG DlgOverlayFontHeight(LONG points, LONG shortSide, LONG resolution, LONG escapement) {
  if (resolution <= 0 || shortSide / resolution <= 0) return 0;
  LONG height = MulDiv(points, 50, 72) / (shortSide / resolution);
  if (escapement) {
    if (height <= 2) height = 3;
  } else if (height <= 1) {
    height = 2;
  }
  return height;
}

int DlgPaintWatermarkPreview(SETTING_CONTEXT* ctx, CONTROL_DESC* control, LONG width, LONG height, HDC,
                             const RECT* rect) {
  if (!ctx || !control || !rect) return 0;
  auto* desc = reinterpret_cast<const WATERMARK_PREVIEW_DESC*>(CtlGetExtraData(control, kPreviewTag));
  if (!desc || !StgGetOptionValue(ctx, sid::rdmFuncSelectWaterMark, nullptr)) return 0;
  HDC buffer = BufferDc(ctx);
  const LONG S = ShortSide(ctx), res = LONG(StgGetValue(ctx, sid::rdmDstResolutionW, nullptr));
  // A paper shorter than an inch at the resolution has no scale to draw at.
  if (!buffer || res <= 0 || S / res <= 0) return 0;
  const LONG w = width - 2, h = height - 2;
  Overlay ov;
  if (!ov.Open(buffer, w, h, DlgOverlayOrigin(*rect, w, h, true))) {
    ov.Close(SRCCOPY);
    return 0;
  }
  const bool opaque = Option(ctx, desc->opaque) != 0;
  if (opaque) BitBlt(ov.dc, 0, 0, w, h, buffer, ov.at.x, ov.at.y, SRCCOPY);
  else PatBlt(ov.dc, 0, 0, w, h, WHITENESS);
  const DWORD kind = StgGetOptionValue(ctx, sid::rdmWmKind, nullptr);
  const bool tiled = Stored(ctx, desc->tiled) == 1;
  const DWORD position = Stored(ctx, desc->position);
  if (kind == 1) {
    COLORREF ink = 0;
    HDC dc = ov.Target(DlgOverlayColour(LONG(Option(ctx, desc->density)), Stored(ctx, desc->colour), true), &ink);
    const DWORD effect = Stored(ctx, desc->effect);
    const LONG escapement = LONG(DlgNormaliseAngle(desc->angle ? Option(ctx, desc->angle) : 0)) * 10;
    const LONG fontHeight = DlgOverlayFontHeight(LONG(Option(ctx, desc->fontPoint)), S, res, escapement);
    HFONT font = OverlayFont(control, SettingText(ctx, desc->fontName), !desc->fontPoint, fontHeight, escapement,
                             Stored(ctx, desc->fontStyle));
    TextState state(dc, font, ink, effect == 3);
    const std::u16string text = SettingText(ctx, desc->text);
    SIZE size = MeasureText(dc, text);
    if (size.cx > 0 && size.cy > 0) {
      LONG cx = size.cx + 2, cy = size.cy + 10, d = 0;
      OVERLAY_BOX box = effect == 2 ? DlgTurnCircleBox(cx, cy, escapement, &d) : DlgTurnBox(cx, cy, {1, 5}, escapement);
      auto draw = [&](LONG x, LONG y) {
        TextOutW(dc, x + box.origin.x, y + box.origin.y, text.data(), int(text.size()));
        if (effect == 1) {
          MoveToEx(dc, x + box.corner[0].x, y + box.corner[0].y, nullptr);
          for (int i : {1, 2, 3, 0}) LineTo(dc, x + box.corner[i].x, y + box.corner[i].y);
        } else if (effect == 2) {
          Arc(dc, x, y, x + d, y + d, x + d, y + d / 2, x + d, y + d / 2);
        }
      };
      if (tiled) {
        for (LONG y = 0; y < h; y += box.height + 1)
          for (LONG x = 0; x < w; x += box.width + 1) draw(x, y);
      } else {
        POINT at = DlgPlaceBox(position, w, h, box.width, box.height);
        draw(at.x, at.y);
      }
    }
    state.Finish();
    ov.CombineMask(!opaque);
  } else if (kind == 2 && desc->picturePath) {
    const std::u16string path = SettingText(ctx, desc->picturePath);
    LONG iw = 0, ih = 0;
    HBITMAP picture = path.empty() ? nullptr : DlgLoadBmpFile(path.c_str(), &iw, &ih);
    if (picture) {
      const int64_t scale = Option(ctx, desc->pictureScale);
      auto scaled = [&](LONG side) {
        int64_t v = (int64_t(side) * scale / 100) * (res / 100) * 50 / S;
        if (v < 1 && side > 0) v = 1;
        return LONG(v > w + h ? w + h : v);
      };
      LONG bw = scaled(iw), bh = scaled(ih);
      HDC src = CreateCompatibleDC(ov.dc);
      HGDIOBJ oldSrc = SelectObject(src, picture);
      if (bw > 0 && bh > 0) {
        if (tiled) {
          HDC tile = CreateCompatibleDC(ov.dc);
          HBITMAP tileBitmap = tile ? CreateCompatibleBitmap(ov.dc, bw, bh) : nullptr;
          if (tileBitmap) {
            HGDIOBJ oldTile = SelectObject(tile, tileBitmap);
            StretchBlt(tile, 0, 0, bw, bh, src, 0, 0, iw, ih, SRCCOPY);
            for (LONG y = 0; y < h; y += bh)
              for (LONG x = 0; x < w; x += bw) BitBlt(ov.dc, x, y, bw, bh, tile, 0, 0, SRCCOPY);
            SelectObject(tile, oldTile);
            DeleteObject(tileBitmap);
          }
          if (tile) DeleteDC(tile);
        } else {
          POINT at = DlgPlaceBox(position, w, h, bw, bh);
          StretchBlt(ov.dc, at.x, at.y, bw, bh, src, 0, 0, iw, ih, SRCCOPY);
        }
      }
      SelectObject(src, oldSrc);
      DeleteDC(src);
      DeleteObject(picture);
    }
  }
  ov.Close(opaque ? SRCCOPY : SRCAND);
  return 1;
}

void DlgPaintCopyProtectPreview(SETTING_CONTEXT* ctx, CONTROL_DESC* control, LONG width, LONG height, HDC,
                                const RECT* rect) {
  if (!ctx || !control || !rect) return;
  const WORD id = control->controlId;
  if ((id != kPatternFill && id != kPatternText) || !StgGetOptionValue(ctx, sid::rdmFuncSelectCopyProtect, nullptr))
    return;
  HDC buffer = BufferDc(ctx);
  const LONG S = ShortSide(ctx), res = LONG(StgGetValue(ctx, sid::rdmDstResolutionW, nullptr));
  if (!buffer || res <= 0 || S / res <= 0) return;
  const LONG w = width - 2, h = height - 2;
  Overlay ov;
  if (!ov.Open(buffer, w, h, DlgOverlayOrigin(*rect, w, h, false))) {
    ov.Close(SRCCOPY);
    return;
  }
  BitBlt(ov.dc, 0, 0, w, h, buffer, ov.at.x, ov.at.y, SRCCOPY);
  const bool guard = StgGetValue(ctx, sid::rdmCopyProtectFuncSelectCopyGuard, nullptr) != 0;
  LONG density = LONG(StgGetOptionValue(ctx, sid::rdmCopyProtectDensity, nullptr));
  if (id == kPatternText && guard) density = LONG(ImgGetDefaultValue(ctx, sid::rdmCopyProtectDensity));
  COLORREF ink = 0;
  HDC dc = ov.Target(DlgOverlayColour(density, DWORD(StgGetValue(ctx, sid::rdmCopyProtectColor, nullptr)), false), &ink);
  auto fill = [&] {
    HBRUSH brush = CreateSolidBrush(ink);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  };
  if (id == kPatternFill) {
    fill();
  } else {
    if (guard) fill();
    const LONG escapement =
        LONG(DlgNormaliseAngle(StgGetOptionValue(ctx, sid::rdmCopyProtectAngle, nullptr))) * 10;
    const LONG fontHeight = DlgOverlayFontHeight(
        LONG(StgGetOptionValue(ctx, sid::rdmCopyProtectFontPoint, nullptr)), S, res, escapement);
    const std::u16string face = SettingText(ctx, sid::rdmCopyProtectFontName);
    const DWORD style = DWORD(StgGetValue(ctx, sid::rdmCopyProtectFontStyle, nullptr));
    const bool outline = StgGetValue(ctx, sid::rdmCopyProtectFuncSelectOutline, nullptr) != 0;
    const bool reverse = StgGetValue(ctx, sid::rdmCopyProtectFuncSelectReverse, nullptr) == 1;
    const bool repeat = StgGetValue(ctx, sid::rdmCopyProtectFuncSelectRepeat, nullptr) == 1;
    HFONT font = OverlayFont(control, face, false, fontHeight, escapement, style);
    const LONG turned = escapement < 1800 ? escapement + 1800 : escapement - 1800;
    HFONT back = reverse ? OverlayFont(control, face, false, fontHeight, turned, style) : nullptr;
    TextState state(dc, font, ink, outline);
    const std::u16string text = SettingText(ctx, sid::rdmCopyProtectChar);
    SIZE size = MeasureText(dc, text);
    if (size.cx > 0 && size.cy > 0) {
      const int n = int(text.size());
      OVERLAY_BOX box = DlgTurnBox(size.cx, size.cy, {0, 0}, escapement);
      OVERLAY_BOX rbox = reverse ? DlgTurnBox(size.cx, size.cy, {0, 0}, turned) : box;
      const LONG pitch = LONG(StgGetValue(ctx, sid::rdmCopyProtectLinePitch, nullptr)) / 70;
      if (repeat) {
        LONG step = box.height + pitch;
        if (step < 1) step = 1;
        int row = 1;
        for (LONG y = 0; y < h; y += step, ++row) {
          if (reverse && row % 2 == 0) {
            SelectObject(dc, back);
            for (LONG x = w; x > 0; x -= rbox.width + 1) TextOutW(dc, x - box.origin.x, y + rbox.origin.y, text.data(), n);
            SelectObject(dc, font);
          } else {
            for (LONG x = 0; x < w; x += box.width + 1) TextOutW(dc, x + box.origin.x, y + box.origin.y, text.data(), n);
          }
        }
      } else {
        POINT at = DlgPlaceBox(DWORD(StgGetValue(ctx, sid::rdmCopyProtectPosi, nullptr)), w, h, box.width, box.height);
        TextOutW(dc, at.x + box.origin.x, at.y + box.origin.y, text.data(), n);
      }
    }
    state.Finish();
    if (back) DeleteObject(back);
  }
  ov.CombineMask(false);
  ov.Close(SRCCOPY);
}
