// Fonts and text: faces found by fontconfig and drawn by FreeType, metrics, extents, DrawTextW's layout.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "../engine/font_match.h"
#include "gdi_internal.h"

namespace kvp::ui {

struct Glyph {
  int width = 0, rows = 0, left = 0, top = 0, advance = 0;
  std::vector<uint8_t> alpha;
};

struct FontFace {
  FT_Face face = nullptr;
  int pixels = 11;
  int ascent = 9, descent = 2, height = 13, maxAdvance = 0;
  std::unordered_map<uint32_t, Glyph> glyphs;
};

namespace {

FT_Library Lib() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return lib;
}

const char* const kSansFiles[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "/usr/share/fonts/dejavu/DejaVuSans.ttf",
                                  "/usr/share/fonts/TTF/DejaVuSans.ttf"};

// Faces are shared by every font of the same file and size and live as long as the process.
FontFace* FaceFor(const std::string& file, int index, int pixels, LONG cellHeight) {
  static auto* cache = new std::map<std::tuple<std::string, int, int, LONG>, FontFace*>;
  auto key = std::make_tuple(file, index, pixels, cellHeight);
  auto it = cache->find(key);
  if (it != cache->end()) return it->second;
  auto* f = new FontFace;
  f->pixels = pixels;
  FT_Library lib = Lib();
  if (lib && !file.empty() && FT_New_Face(lib, file.c_str(), index, &f->face) != 0) f->face = nullptr;
  if (f->face && cellHeight > 0) {
    // A cell height: the em is what leaves the ascender and descender inside it.
    long span = long(f->face->ascender) - long(f->face->descender);
    if (span > 0) f->pixels = std::max(1, int(cellHeight * long(f->face->units_per_EM) / span));
  }
  if (f->face && FT_Set_Pixel_Sizes(f->face, 0, FT_UInt(f->pixels)) == 0) {
    f->ascent = int(f->face->size->metrics.ascender >> 6);
    f->descent = int(-(f->face->size->metrics.descender >> 6));
    f->height = int(f->face->size->metrics.height >> 6);
    f->maxAdvance = int(f->face->size->metrics.max_advance >> 6);
  } else if (f->face) {
    FT_Done_Face(f->face);
    f->face = nullptr;
  }
  if (!f->face) {
    f->ascent = f->pixels * 9 / 11;
    f->descent = f->pixels - f->ascent;
    f->height = f->pixels * 13 / 11;
  }
  (*cache)[key] = f;
  return f;
}

std::string SansFile() {
  const char* env = getenv("KV_UI_FONT");
  if (env && *env) return env;
  for (const char* p : kSansFiles)
    if (FILE* f = fopen(p, "rb")) {
      fclose(f);
      return p;
    }
  return {};
}

KvFont* DefaultFontObj() {
  static KvFont* f = [] {
    auto* font = new KvFont;
    font->kind = OBJ_FONT;
    font->stock = true;
    font->lf.lfHeight = -11;
    font->lf.lfWeight = FW_NORMAL;
    std::memcpy(font->lf.lfFaceName, u"DejaVu Sans", sizeof(u"DejaVu Sans"));
    font->face = FaceFor(SansFile(), 0, 11, 0);
    return font;
  }();
  return f;
}

std::unordered_map<KvFont*, bool>& Fonts() {
  static auto* m = new std::unordered_map<KvFont*, bool>;
  return *m;
}

FontFace& FaceOf(HFONT h) {
  KvFont* f = FontOf(h);
  return *(f ? f : DefaultFontObj())->face;
}

// Without a font file every character is a box of the average width, so layout still works.
const Glyph& GlyphOf(FontFace& f, char16_t ch) {
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
    g.advance = std::max(1, f.pixels * 6 / 11);
    if (ch > u' ') {
      g.width = std::max(2, g.advance - 2);
      g.rows = std::max(2, f.ascent - 2);
      g.left = 1;
      g.top = g.rows;
      g.alpha.assign(size_t(g.width) * size_t(g.rows), 0);
      for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.width; ++x)
          if (y == 0 || y == g.rows - 1 || x == 0 || x == g.width - 1) g.alpha[size_t(y * g.width + x)] = 255;
    }
  }
  return f.glyphs.emplace(ch, std::move(g)).first->second;
}

// Draws a run with its top at y; `dx` (may be null) overrides each character's advance.
void DrawRun(KvDc* d, int x, int y, std::u16string_view s, COLORREF colour, const INT* dx = nullptr) {
  KvFont* font = FontOf(d->font);
  FontFace& f = FaceOf(d->font);
  uint32_t px = Px(colour);
  int pen = x;
  for (size_t i = 0; i < s.size(); ++i) {
    const Glyph& g = GlyphOf(f, s[i]);
    for (int gy = 0; gy < g.rows; ++gy)
      for (int gx = 0; gx < g.width; ++gx)
        BlendPixel(d, pen + g.left + gx, y + f.ascent - g.top + gy, px, g.alpha[size_t(gy * g.width + gx)]);
    pen += dx ? dx[i] : g.advance;
  }
  if (font && (font->lf.lfUnderline || font->lf.lfStrikeOut)) {
    int line = font->lf.lfUnderline ? y + f.ascent + 1 : y + f.ascent * 2 / 3;
    for (int xx = x; xx < pen; ++xx) PutPixel(d, xx, line, px);
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

std::u16string ExpandTabs(std::u16string_view s, HFONT font) {
  std::u16string out;
  int stop = std::max(1, TextWidth(font, u"x")) * 8;
  for (char16_t c : s) {
    if (c != u'\t') {
      out.push_back(c);
      continue;
    }
    int w = TextWidth(font, out.substr(out.rfind(u'\n') == std::u16string::npos ? 0 : out.rfind(u'\n') + 1));
    int target = (w / stop + 1) * stop;
    do out.push_back(u' ');
    while (TextWidth(font, out.substr(out.rfind(u'\n') == std::u16string::npos ? 0 : out.rfind(u'\n') + 1)) < target);
  }
  return out;
}

// The longest start of `s` that fits `width` with "..." after it.
std::u16string Ellipsis(const std::u16string& s, int width, HFONT font) {
  if (TextWidth(font, s) <= width) return s;
  std::u16string cut = s;
  while (!cut.empty() && TextWidth(font, cut + u"...") > width) cut.pop_back();
  return cut + u"...";
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

bool BadText(KvDc* d, LPCWSTR text, int count) {
  if (!d || count < 0 || (count > 0 && !text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return true;
  }
  return false;
}

}  // namespace

KvFont* FontOf(HFONT h) {
  auto* f = reinterpret_cast<KvFont*>(h);
  if (f == DefaultFontObj()) return f;
  return f && Fonts().count(f) ? f : nullptr;
}

HFONT DefaultFont() { return reinterpret_cast<HFONT>(DefaultFontObj()); }
int FontHeight(HFONT f) { return FaceOf(f).height; }
int TextWidth(HFONT font, std::u16string_view s) {
  FontFace& f = FaceOf(font);
  int w = 0;
  for (char16_t c : s) w += GlyphOf(f, c).advance;
  return w;
}

bool FreeFont(HGDIOBJ h) {
  auto* f = reinterpret_cast<KvFont*>(h);
  if (!Fonts().erase(f)) return false;
  delete f;
  return true;
}

}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

KVAPI HFONT CreateFontIndirectW(const LOGFONTW* lf) {
  if (!lf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto font = std::make_unique<KvFont>();
  font->kind = OBJ_FONT;
  font->lf = *lf;
  font->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  std::u16string name(font->lf.lfFaceName);
  std::string family;
  for (char16_t c : name) family.push_back(c < 0x80 ? char(c) : '?');
  if (family.empty()) family = "DejaVu Sans";
  std::string file;
  int index = 0;
  if (!kvp::MatchFontFile(family, lf->lfWeight, lf->lfItalic != 0, &file, &index)) file = SansFile();
  // Absurd heights are held to a size a page can show.
  LONG h = std::clamp<LONG>(lf->lfHeight, -1000, 1000);
  font->face = h < 0 ? FaceFor(file, index, int(-h), 0) : h > 0 ? FaceFor(file, index, 0, h) : FaceFor(file, index, 11, 0);
  KvFont* out = font.release();
  Fonts()[out] = true;
  return reinterpret_cast<HFONT>(out);
}

KVAPI BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size) {
  KvDc* d = Dc(hdc);
  if (BadText(d, text, count) || !size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  size->cx = TextWidth(d->font, std::u16string_view(text ? text : u"", size_t(count)));
  size->cy = FontHeight(d->font);
  return TRUE;
}

KVAPI BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx) {
  KvDc* d = Dc(hdc);
  if (BadText(d, text, int(count)) || int(count) < 0) return FALSE;
  if (d->inPath) return TRUE;
  std::u16string_view s(text ? text : u"", count);
  if (rect && (options & ETO_OPAQUE)) FillOnSurface(d, *rect, Px(d->bk));
  RECT saved = d->clip;
  if (rect && (options & ETO_CLIPPED) && d->surface)
    d->clip = Intersect(d->clip, RECT{rect->left + d->origin.x, rect->top + d->origin.y, rect->right + d->origin.x,
                                      rect->bottom + d->origin.y});
  int width = 0;
  if (dx)
    for (UINT i = 0; i < count; ++i) width += dx[i];
  else
    width = TextWidth(d->font, s);
  if (d->bkMode == OPAQUE && !(options & ETO_OPAQUE)) FillOnSurface(d, RECT{x, y, x + width, y + FontHeight(d->font)}, Px(d->bk));
  DrawRun(d, x, y, s, d->text, dx);
  d->clip = saved;
  return TRUE;
}

KVAPI BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
  if (count < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ExtTextOutW(hdc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

KVAPI int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format) {
  KvDc* d = Dc(hdc);
  if (!d || !rect || (!text && count != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string_view raw = count < 0 ? WView(text) : std::u16string_view(text ? text : u"", size_t(count));
  std::u16string s = (format & DT_NOPREFIX) ? std::u16string(raw) : StripPrefix(raw);
  if (format & DT_EXPANDTABS) s = ExpandTabs(s, d->font);
  int lh = FontHeight(d->font);
  int width = int(rect->right - rect->left);
  auto lines = Lines(s, format, width, d->font);
  if (format & DT_END_ELLIPSIS)
    for (auto& l : lines) l = Ellipsis(l, width, d->font);
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
  RECT saved = d->clip;
  if (!(format & DT_NOCLIP) && d->surface)
    d->clip = Intersect(d->clip, RECT{rect->left + d->origin.x, rect->top + d->origin.y, rect->right + d->origin.x,
                                      rect->bottom + d->origin.y});
  for (auto& l : lines) {
    int wdt = TextWidth(d->font, l);
    int x = int(rect->left);
    if (format & DT_CENTER) x = int(rect->left + (rect->right - rect->left - wdt) / 2);
    else if (format & DT_RIGHT) x = int(rect->right) - wdt;
    if (d->bkMode == OPAQUE) FillOnSurface(d, RECT{x, y, x + wdt, y + lh}, Px(d->bk));
    DrawRun(d, x, y, l, d->text);
    y += lh;
  }
  d->clip = saved;
  return total;
}

KVAPI BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* tm) {
  KvDc* d = Dc(hdc);
  if (!d || !tm) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FontFace& f = FaceOf(d->font);
  KvFont* font = FontOf(d->font);
  *tm = TEXTMETRICW{};
  // The cell is the line height text is laid out with, so extents and metrics agree.
  tm->tmHeight = f.height;
  tm->tmAscent = std::min(f.ascent, f.height);
  tm->tmDescent = tm->tmHeight - tm->tmAscent;
  tm->tmInternalLeading = std::max(0, int(tm->tmHeight) - f.pixels);
  tm->tmExternalLeading = 0;
  tm->tmAveCharWidth = TextWidth(d->font, u"x");
  tm->tmMaxCharWidth = f.maxAdvance ? f.maxAdvance : tm->tmAveCharWidth;
  tm->tmWeight = font && font->lf.lfWeight ? font->lf.lfWeight : FW_NORMAL;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = font ? font->lf.lfItalic : 0;
  tm->tmUnderlined = font ? font->lf.lfUnderline : 0;
  tm->tmStruckOut = font ? font->lf.lfStrikeOut : 0;
  tm->tmPitchAndFamily = 0x06;  // variable pitch, a TrueType face
  tm->tmCharSet = font ? font->lf.lfCharSet : 0;
  return TRUE;
}

KVAPI BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, ABC* out) {
  KvDc* d = Dc(hdc);
  if (!d || !out || last < first || last > 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FontFace& f = FaceOf(d->font);
  for (UINT c = first; c <= last; ++c) {
    const Glyph& g = GlyphOf(f, char16_t(c));
    ABC& a = out[c - first];
    a.abcA = g.width ? g.left : 0;
    a.abcB = UINT(g.width ? g.width : g.advance);
    a.abcC = g.advance - a.abcA - int(a.abcB);
  }
  return TRUE;
}

KVAPI BOOL GetCharWidth32W(HDC hdc, UINT first, UINT last, INT* out) {
  KvDc* d = Dc(hdc);
  if (!d || !out || last < first || last > 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FontFace& f = FaceOf(d->font);
  for (UINT c = first; c <= last; ++c) out[c - first] = GlyphOf(f, char16_t(c)).advance;
  return TRUE;
}
