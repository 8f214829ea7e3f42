// The engine's fonts and strings: faces matched by fontconfig and rendered by FreeType, their metrics
// records and transforms, glyph bitmaps and string objects with their glyph positions. Fonts and strings
// are live objects of the engine, so a foreign pointer is refused, never followed.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine_internal.h"
#include "font_internal.h"
#include "font_match.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/text.h"

namespace kvp::eng {
namespace {

constexpr double kPi = 3.14159265358979323846;

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return lib;
}

std::u16string Widen(const char* s) {
  std::u16string out;
  for (; s && *s; ++s) out += char16_t(static_cast<unsigned char>(*s));
  return out;
}

std::atomic<ULONG> g_nextUniq{1};

}  // namespace

KvEngFont* FontOf(FONTOBJ* fo) {
  auto* f = reinterpret_cast<KvEngFont*>(fo);
  return f && IsLive(f) ? f : nullptr;
}

KvEngFont::~KvEngFont() {
  for (auto& g : outlines)
    if (g.second->path) EngDeletePath(g.second->path);
  if (xo) DeleteXform(xo);
  if (face) FT_Done_Face(face);
}

namespace {

// Builds the metrics record with the names after its fixed part.
bool BuildMetrics(KvEngFont* f, std::u16string_view family, std::u16string_view face) {
  const IFIMETRICS* old = f->ifi.empty() ? nullptr : reinterpret_cast<const IFIMETRICS*>(f->ifi.data());
  IFIMETRICS head{};
  if (old) head = *old;
  size_t familyAt = sizeof(IFIMETRICS);
  size_t faceAt = familyAt + 2 * (family.size() + 1);
  size_t total = (faceAt + 2 * (face.size() + 1) + 7) & ~size_t(7);
  std::vector<BYTE> block(total, 0);
  head.cjThis = ULONG(total);
  head.dpwszFamilyName = LONG_PTR(familyAt);
  head.dpwszStyleName = LONG_PTR(familyAt);
  head.dpwszFaceName = LONG_PTR(faceAt);
  head.dpwszUniqueName = LONG_PTR(faceAt);
  std::memcpy(block.data(), &head, sizeof head);
  std::memcpy(block.data() + familyAt, family.data(), 2 * family.size());
  std::memcpy(block.data() + faceAt, face.data(), 2 * face.size());
  f->ifi = std::move(block);
  return true;
}

// The metrics the face itself gives.
void FillFaceMetrics(KvEngFont* f) {
  IFIMETRICS* m = reinterpret_cast<IFIMETRICS*>(f->ifi.data());
  FT_Face face = f->face;
  m->fwdUnitsPerEm = FWORD(face->units_per_EM);
  m->fwdWinAscender = FWORD(face->ascender);
  m->fwdWinDescender = FWORD(-face->descender);
  m->usWinWeight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  m->fwdMaxCharInc = FWORD(face->max_advance_width);
  m->rclFontBox = {LONG(face->bbox.xMin), LONG(face->bbox.yMax), LONG(face->bbox.xMax), LONG(face->bbox.yMin)};
  m->wcFirstChar = 0x20;
  m->wcLastChar = 0xFFFD;
  m->wcDefaultChar = 0x20;
  m->wcBreakChar = 0x20;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    m->fwdWinAscender = FWORD(os2->usWinAscent);
    m->fwdWinDescender = FWORD(os2->usWinDescent);
    m->usWinWeight = os2->usWeightClass;
    m->fsType = os2->fsType;
    m->fwdAveCharWidth = FWORD(os2->xAvgCharWidth);
    if (os2->version >= 2 && os2->usDefaultChar) m->wcDefaultChar = os2->usDefaultChar;
  }
  bool fixed = FT_IS_FIXED_WIDTH(face);
  m->jWinCharSet = 0;
  m->jWinPitchAndFamily = fixed ? 0x31 : 0x22;  // fixed pitch, modern; variable pitch, swiss
}

}  // namespace

namespace {

// FreeType's outline (26.6, y up) as an engine path (28.4, y down) relative to the glyph position.
struct PathBuilder {
  PATHOBJ* path;
  FT_Vector last{};
  bool open = false;
  static POINTFIX Fix(const FT_Vector* v) { return {FIX(v->x / 4), FIX(-v->y / 4)}; }
  static int Move(const FT_Vector* to, void* user) {
    auto* b = static_cast<PathBuilder*>(user);
    if (b->open) PathCloseFigure(b->path);
    b->open = true;
    b->last = *to;
    return PathMoveTo(b->path, Fix(to)) ? 0 : 1;
  }
  static int Line(const FT_Vector* to, void* user) {
    auto* b = static_cast<PathBuilder*>(user);
    b->last = *to;
    POINTFIX p = Fix(to);
    return PathLinesTo(b->path, &p, 1) ? 0 : 1;
  }
  static int Conic(const FT_Vector* c, const FT_Vector* to, void* user) {
    auto* b = static_cast<PathBuilder*>(user);
    // The quadratic curve as the cubic with the same shape.
    FT_Vector c1 = {b->last.x + 2 * (c->x - b->last.x) / 3, b->last.y + 2 * (c->y - b->last.y) / 3};
    FT_Vector c2 = {to->x + 2 * (c->x - to->x) / 3, to->y + 2 * (c->y - to->y) / 3};
    return Cubic(&c1, &c2, to, user);
  }
  static int Cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* b = static_cast<PathBuilder*>(user);
    b->last = *to;
    POINTFIX p[3] = {Fix(c1), Fix(c2), Fix(to)};
    return PathBeziersTo(b->path, p, 3) ? 0 : 1;
  }
};

GLYPHDATA* OutlineOf(KvEngFont* f, HGLYPH hg) {
  FT_Face face = f->face;
  if (FT_Load_Glyph(face, hg, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0 ||
      face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
    return nullptr;
  auto g = std::make_unique<KvEngGlyph>();
  g->path = CreatePath();
  if (!g->path) return nullptr;
  PathBuilder b{g->path};
  FT_Outline_Funcs funcs{&PathBuilder::Move, &PathBuilder::Line, &PathBuilder::Conic, &PathBuilder::Cubic, 0, 0};
  if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &b) != 0) {
    EngDeletePath(g->path);
    return nullptr;
  }
  if (b.open) PathCloseFigure(g->path);
  g->data.gdf.ppo = g->path;
  g->data.hg = hg;
  g->data.fxD = FIX(std::lround(std::hypot(face->glyph->advance.x, face->glyph->advance.y) / 4.0));
  GLYPHDATA* out = &g->data;
  f->outlines[hg] = std::move(g);
  return out;
}

}  // namespace

// The glyph record of one glyph for a mode, rendered on first use and kept with the font.
GLYPHDATA* GlyphOf(KvEngFont* f, HGLYPH hg, ULONG mode) {
  auto& cache = mode == FO_GLYPHBITS ? f->bits : f->outlines;
  auto it = cache.find(hg);
  if (it != cache.end()) return &it->second->data;
  if (mode != FO_GLYPHBITS) return OutlineOf(f, hg);
  FT_Face face = f->face;
  if (FT_Load_Glyph(face, hg, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return nullptr;
  if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) return nullptr;
  const FT_Bitmap& bm = face->glyph->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.rows && bm.width) return nullptr;
  auto g = std::make_unique<KvEngGlyph>();
  LONG cx = LONG(bm.width), cy = LONG(bm.rows);
  size_t rowBytes = size_t(cx + 7) / 8;
  g->storage.assign(offsetof(GLYPHBITS, aj) + std::max<size_t>(4, rowBytes * size_t(cy)), 0);
  auto* gb = reinterpret_cast<GLYPHBITS*>(g->storage.data());
  gb->ptlOrigin = {face->glyph->bitmap_left, -face->glyph->bitmap_top};
  gb->sizlBitmap = {cx, cy};
  for (LONG r = 0; r < cy; ++r)
    std::memcpy(gb->aj + size_t(r) * rowBytes, bm.buffer + ptrdiff_t(r) * bm.pitch, rowBytes);
  g->data.gdf.pgb = gb;
  g->data.hg = hg;
  g->data.fxD = FIX(std::lround(std::hypot(face->glyph->advance.x, face->glyph->advance.y) / 4.0));
  g->data.rclInk = {gb->ptlOrigin.x, gb->ptlOrigin.y, gb->ptlOrigin.x + cx, gb->ptlOrigin.y + cy};
  g->data.ptqD = {LONGLONG(face->glyph->advance.x) << 26, LONGLONG(-face->glyph->advance.y) << 26};
  GLYPHDATA* out = &g->data;
  cache[hg] = std::move(g);
  return out;
}

FONTOBJ* CreateFont(std::u16string_view faceName, double emPixels, double angleDegrees, bool bold, bool italic) {
  if (!(emPixels > 0) || emPixels > 65535 || !std::isfinite(angleDegrees) || !Library()) return nullptr;
  std::string family;
  for (char16_t c : faceName) family += c < 0x80 ? char(c) : '?';
  std::string file;
  int index = 0;
  if (!MatchFontFile(family, bold ? 700 : 400, italic, &file, &index)) return nullptr;
  auto f = std::make_unique<KvEngFont>();
  if (FT_New_Face(Library(), file.c_str(), index, &f->face) != 0) {
    f->face = nullptr;
    return nullptr;
  }
  if (!FT_IS_SCALABLE(f->face) || FT_Set_Char_Size(f->face, 0, FT_F26Dot6(std::lround(emPixels * 64)), 72, 72) != 0)
    return nullptr;
  f->emPixels = emPixels;
  f->angle = angleDegrees;
  double rad = angleDegrees * kPi / 180.0, c = std::cos(rad), s = std::sin(rad);
  FT_Matrix mx{FT_Fixed(std::lround(c * 65536)), FT_Fixed(std::lround(-s * 65536)), FT_Fixed(std::lround(s * 65536)),
               FT_Fixed(std::lround(c * 65536))};
  FT_Set_Transform(f->face, &mx, nullptr);
  double scale = emPixels / f->face->units_per_EM;
  f->xform = {FLOATL(scale * c), FLOATL(-scale * s), FLOATL(scale * s), FLOATL(scale * c)};
  std::u16string familyW = Widen(f->face->family_name);
  std::u16string faceW = familyW;
  if (f->face->style_name && std::strcmp(f->face->style_name, "Regular") && std::strcmp(f->face->style_name, "Book"))
    faceW += u" " + Widen(f->face->style_name);
  BuildMetrics(f.get(), familyW, faceW);
  FillFaceMetrics(f.get());
  f->fo.iUniq = g_nextUniq++;
  f->fo.iFace = 0;
  f->fo.flFontType = FO_TYPE_TRUETYPE;
  f->fo.cxMax = ULONG(std::lround(f->face->max_advance_width * scale));
  f->fo.sizLogResPpi = {72, 72};
  f->fo.ulStyleSize = ULONG(std::lround(emPixels));
  f->fo.iTTUniq = f->fo.iUniq;
  f->fo.iFile = ULONG_PTR(f.get());
  KvEngFont* raw = f.release();
  Register(raw);
  return &raw->fo;
}

void DeleteFont(FONTOBJ* font) {
  KvEngFont* f = FontOf(font);
  if (!f || !Unregister(f)) return;
  delete f;
}

bool SetFontNames(FONTOBJ* font, std::u16string_view family, std::u16string_view face) {
  KvEngFont* f = FontOf(font);
  return f && BuildMetrics(f, family, face);
}

void SetFontXform(FONTOBJ* font, const FD_XFORM& xform) {
  KvEngFont* f = FontOf(font);
  if (!f) return;
  f->xform = xform;
  if (f->xo) DeleteXform(f->xo);
  f->xo = nullptr;
}

FD_XFORM FontXform(FONTOBJ* font) {
  KvEngFont* f = FontOf(font);
  return f ? f->xform : FD_XFORM{};
}

// ---- Strings ----

KvEngString* StringOf(STROBJ* so) {
  auto* s = reinterpret_cast<KvEngString*>(so);
  return s && IsLive(s) ? s : nullptr;
}

STROBJ* CreateString(FONTOBJ* font, std::u16string_view text, POINTL origin, ULONG batch) {
  KvEngFont* f = FontOf(font);
  if (!f || text.size() > 0xFFFF) return nullptr;
  auto s = std::make_unique<KvEngString>();
  s->font = f;
  s->text.assign(text.begin(), text.end());
  s->text.push_back(0);
  s->batch = batch;
  FT_Face face = f->face;
  // Positions in 26.6 along the turned baseline, device y downwards.
  FT_Pos x = FT_Pos(origin.x) * 64, y = FT_Pos(origin.y) * 64;
  s->pos.resize(text.size());
  FT_Pos firstAdvance = -1;
  bool equal = true;
  for (size_t i = 0; i < text.size(); ++i) {
    HGLYPH hg = FT_Get_Char_Index(face, text[i]);
    s->pos[i].hg = hg;
    s->pos[i].ptl = {LONG((x + 32) >> 6), LONG((y + 32) >> 6)};
    GLYPHDATA* gd = GlyphOf(f, hg, FO_GLYPHBITS);
    s->pos[i].pgdf = gd ? &gd->gdf : nullptr;
    if (FT_Load_Glyph(face, hg, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
      x += face->glyph->advance.x;
      y -= face->glyph->advance.y;
      if (firstAdvance < 0) firstAdvance = face->glyph->advance.x;
      else if (face->glyph->advance.x != firstAdvance) equal = false;
    }
  }
  double ascent = double(face->size->metrics.ascender) / 64, descent = double(-face->size->metrics.descender) / 64;
  double rad = f->angle * kPi / 180.0, c = std::cos(rad), sn = std::sin(rad);
  double width = std::hypot(double(x) / 64 - origin.x, double(y) / 64 - origin.y);
  // The box's corners: along the baseline (c, -sn), up from it (-sn, -c).
  double xs[4], ys[4];
  const double along[2] = {0, width}, up[2] = {ascent, -descent};
  for (int a = 0; a < 2; ++a)
    for (int u = 0; u < 2; ++u) {
      xs[a * 2 + u] = origin.x + along[a] * c - up[u] * sn;
      ys[a * 2 + u] = origin.y - along[a] * sn - up[u] * c;
    }
  s->so.rclBkGround = {LONG(std::floor(*std::min_element(xs, xs + 4))), LONG(std::floor(*std::min_element(ys, ys + 4))),
                       LONG(std::ceil(*std::max_element(xs, xs + 4))), LONG(std::ceil(*std::max_element(ys, ys + 4)))};
  s->so.cGlyphs = ULONG(text.size());
  s->so.flAccel = SO_FLAG_DEFAULT_PLACEMENT;
  if (f->angle == 0) s->so.flAccel |= SO_HORIZONTAL;
  if (FT_IS_FIXED_WIDTH(face) && f->angle == 0 && equal && firstAdvance > 0 && (firstAdvance & 63) == 0)
    s->so.ulCharInc = ULONG(firstAdvance >> 6);
  s->so.pgp = s->pos.data();
  s->so.pwszOrg = s->text.data();
  KvEngString* raw = s.release();
  Register(raw);
  return &raw->so;
}

void DeleteString(STROBJ* str) {
  KvEngString* s = StringOf(str);
  if (!s || !Unregister(s)) return;
  delete s;
}

}  // namespace kvp::eng

using namespace kvp::eng;

KVAPI ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, void** ppvGlyph) {
  KvEngFont* f = FontOf(pfo);
  if (!f || cGlyph != 1 || !phg || !ppvGlyph || (iMode != FO_GLYPHBITS && iMode != FO_PATHOBJ)) return 0;
  GLYPHDATA* gd = GlyphOf(f, *phg, iMode);
  if (!gd) return 0;
  *ppvGlyph = gd;
  return 1;
}

KVAPI IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo) {
  KvEngFont* f = FontOf(pfo);
  return f ? reinterpret_cast<IFIMETRICS*>(f->ifi.data()) : nullptr;
}

KVAPI XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
  KvEngFont* f = FontOf(pfo);
  if (!f) return nullptr;
  if (!f->xo) {
    XFORML m{f->xform.eXX, f->xform.eXY, f->xform.eYX, f->xform.eYY, 0, 0};
    f->xo = CreateXform(&m);
  }
  return f->xo;
}

KVAPI void STROBJ_vEnumStart(STROBJ* pstro) {
  if (KvEngString* s = StringOf(pstro)) s->next = 0;
}

KVAPI BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos) {
  KvEngString* s = StringOf(pstro);
  if (pc) *pc = 0;
  if (ppgpos) *ppgpos = nullptr;
  if (!s || !pc || !ppgpos || s->next >= s->pos.size()) return FALSE;
  size_t left = s->pos.size() - s->next;
  size_t n = s->batch && s->batch < left ? s->batch : left;
  *pc = ULONG(n);
  *ppgpos = s->pos.data() + s->next;
  s->next += n;
  return s->next < s->pos.size() ? TRUE : FALSE;
}

KVAPI void EngUnicodeToMultiByteN(LPSTR out, ULONG cjMax, ULONG* pcjWritten, const WCHAR* text, ULONG cjUnicode) {
  if (pcjWritten) *pcjWritten = 0;
  int chars = int(cjUnicode / 2);
  if (!out || !text || chars <= 0) return;
  ULONG written = 0;
  // One character at a time, so a double-byte character is never cut at the limit.
  for (int i = 0; i < chars; ++i) {
    char one[8];
    int n = WideCharToMultiByte(CP_ACP, 0, text + i, 1, one, sizeof one, nullptr, nullptr);
    if (n <= 0 || written + ULONG(n) > cjMax) break;
    std::memcpy(out + written, one, size_t(n));
    written += ULONG(n);
  }
  if (pcjWritten) *pcjWritten = written;
}
