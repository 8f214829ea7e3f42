// DrvTextOut and its printer-font and outline roads: the opaque box and colours, the font sizes from the
// font's transform, the choice of road, the font description with its one-entry header cache, and the
// strings as printer characters or glyph outlines.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "gr_heap.h"
#include "gr_hooks.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "gr_text.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/sysinfo.h"

namespace {

std::u16string_view WideName(const IFIMETRICS* ifi, LONG_PTR at) {
  if (!ifi || at <= 0 || ULONG(at) >= ifi->cjThis) return {};
  const auto* p = reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(ifi) + at);
  size_t n = 0;
  size_t room = (ifi->cjThis - ULONG(at)) / 2;
  while (n < room && p[n]) ++n;
  return {p, n};
}

// A name in printer bytes, cut at a character boundary to at most 128 bytes so that a mark appended later
// stays inside the 260-byte field. Zero-filled.
void ConvertName(char (&out)[260], std::u16string_view name) {
  std::memset(out, 0, sizeof out);
  DWORD used = 0;
  for (size_t i = 0; i < name.size() && i < 128; ++i) {
    BYTE one[4] = {};
    int n = GrUnicodeToPrinterText(one, &name[i], sizeof(WCHAR), 128);
    if (used + DWORD(n) > GR_FONT_NAME_BYTES) break;
    std::memcpy(out + used, one, size_t(n));
    used += DWORD(n);
  }
}

bool Contains(std::u16string_view s, std::u16string_view part) { return s.find(part) != std::u16string_view::npos; }
bool HasTmp(std::u16string_view s) { return Contains(s, u".tmp") || Contains(s, u".TMP"); }
bool AllDigits(std::u16string_view s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

// The road rules one name applies: "EUDC", the double-byte "EUD" prefix and the "外字" (user-defined
// characters) rule.
void ApplyEudcRules(const GR_PDEV* p, const char* converted, std::u16string_view wide, BYTE* road) {
  static const BYTE kPrefix[6] = {0x82, 0x63, 0x82, 0x65, 0x82, 0x66};
  if (std::strcmp(converted, "EUDC") == 0) {
    if (p->faceNameRule) *road = GR_ROAD_OUTLINE;
    else if (*road == GR_ROAD_OUTLINE) *road = GR_ROAD_DEVICE;
  }
  if (*road != GR_ROAD_OUTLINE && std::memcmp(converted, kPrefix, sizeof kPrefix) == 0) *road = GR_ROAD_OUTLINE;
  if (p->faceNameRule && Contains(wide, u"\u5916\u5b57")) *road = GR_ROAD_OUTLINE;
}

// Whether text goes by the printer's fonts or outlines rather than as downloaded bitmaps.
bool DeviceRoads(const GR_PDEV* p) {
  return !p->textAsBitmap || p->printMethod == 5 || p->apiUse || p->previewPrint;
}

// The fields every road takes from the font, string and metrics.
void FillCommon(STROBJ* str, FONTOBJ* font, IFIMETRICS* ifi, const GR_FONT_XFORM* xf, const GR_EM_SIZES* em,
                GR_FONT_DESC* d) {
  SHORT leading = d->leading;  // set by the text hook before the road's set-up
  std::memset(d, 0, sizeof *d);
  d->leading = leading;
  d->italicSim = (font->flFontType & FO_SIM_ITALIC) ? 1 : 0;
  d->boldSim = (font->flFontType & FO_SIM_BOLD) ? 1 : 0;
  d->vertical = (str->flAccel & SO_VERTICAL) ? 1 : 0;
  d->bold = d->boldSim;
  d->weight = ifi->usWinWeight;
  d->charSet = ifi->jWinCharSet;
  d->pitchAndFamily = ifi->jWinPitchAndFamily;
  d->defaultChar = ifi->wcDefaultChar;
  d->emWidth = SHORT(em->emWidth);
  d->emHeight = SHORT(em->emHeight);
  int g = GrVectorAngle(SHORT(GrScaleFloat(xf->eM11, 5000)), SHORT(GrScaleFloat(xf->eM12, 5000)));
  d->escapement = SHORT(g > 0 ? 360 - g : -g);
  d->glyphKind = (str->flAccel & SO_GLYPHINDEX_TEXTOUT) ? 3 : 2;
}

// The header cache: TRUE without a record when the key holds this font and kind; otherwise the key takes
// them (invalid again for a marked string) and the header is written.
BOOL SendHeader(GR_PDEV* p, FONTOBJ* font, const GR_FONT_DESC* d, bool marked, bool download) {
  GR_DRAW_STATE& st = p->drawState;
  if (st.fontValid && st.fontId == font->iUniq && st.glyphKind == d->glyphKind) return TRUE;
  BYTE* rec = download ? ZsPutDownloadFontHeader(&p->stream, d) : ZsPutFontHeader(&p->stream, d);
  if (!rec) {
    st.fontValid = 0;
    return FALSE;
  }
  st.fontId = font->iUniq;
  st.glyphKind = d->glyphKind;
  st.fontValid = marked ? 0 : 1;
  return TRUE;
}

// Appends "_" and the font id in hexadecimal. The record carries 128 bytes of a name, so a longer name
// is cut (at a character boundary) to leave the mark room: without its mark the name of one font would
// be the name of another.
void MarkName(char (&name)[260], ULONG id) {
  char mark[16];
  size_t m = size_t(std::snprintf(mark, sizeof mark, "_%x", id));
  size_t n = strnlen(name, sizeof name - 1), limit = GR_FONT_NAME_BYTES - m, kept = 0;
  UINT acp = GetACP();
  for (size_t i = 0; i < n;) {
    size_t step = IsDBCSLeadByteEx(acp, BYTE(name[i])) && i + 1 < n ? 2 : 1;
    if (i + step > limit) break;
    i += step;
    kept = i;
  }
  std::memset(name + kept, 0, sizeof name - kept);
  std::memcpy(name + kept, mark, m);
}

LONG Round10(float f, LONG n) { return (GrScaleFloat(f, n) + 5) / 10; }

// The colour state of a brush for text: solid colours on white, a pattern's two colours (white on white
// without a realization), then the colour, background and raster-operation records.
BOOL SetTextColors(GR_PDEV* p, SURFOBJ* so, BRUSHOBJ* brush, POINTL* origin, MIX mix, bool pattern) {
  GR_COLOR_BRUSH cb{};
  GrSplitMix(p, mix, &cb, 0);
  GR_BRUSH* b = GrGetBrush(p, so, brush, origin);
  if (pattern && !GrSetPatternBrush(p, b)) return FALSE;
  if (brush && brush->iSolidColor != 0xFFFFFFFF) {
    cb.backgroundMode = 1;
    cb.color1 = brush->iSolidColor;
    cb.color2 = 0xFFFFFF;
  } else {
    cb.backgroundMode = 2;
    cb.color1 = b ? b->color1 : 0xFFFFFF;
    cb.color2 = b ? b->color2 : 0xFFFFFF;
  }
  cb.extraColor = 0;
  cb.hasExtra = 0;
  GrSwapBrushColors(&cb);
  cb.kind = GR_KIND_TEXT;
  cb.hostIcm = (brush && (brush->flColorType & BR_HOST_ICM)) ? 1 : 0;
  return GrSetColorBrush(p, &cb) && GrSetBackgroundMode(p, BYTE(cb.backgroundMode)) &&
         GrSetRop(p, GrMix2ToRop3(mix & 0xFF));
}

bool HasArea(const RECTL* r) { return r && r->right != r->left && r->bottom != r->top; }

// The cell's reference point of a glyph at (x, y): up by the ascent, turned with the text.
POINTL CellPoint(LONG x, LONG y, LONG ascent, LONG escapement) {
  return {x - LONG((long long)ascent * GrSinQ14(escapement) >> 14),
          y - LONG((long long)ascent * GrCosQ14(escapement) >> 14)};
}

}  // namespace

BOOL GrIsMirroredXform(const GR_FONT_XFORM* xf) {
  LONG x = GrScaleFloat(xf->eM11, 5000), y = GrScaleFloat(xf->eM22, 5000);
  return x && y && ((x < 0) != (y < 0));
}

BOOL GrSetupFont(GR_PDEV* p, STROBJ* str, FONTOBJ* font, CLIPOBJ*, IFIMETRICS* ifi, const GR_FONT_XFORM* xf,
                 const GR_EM_SIZES* em, GR_FONT_DESC* d) {
  FillCommon(str, font, ifi, xf, em, d);
  bool v6 = p->osVersion.dwMajorVersion >= 6;
  BYTE road = (ifi->fsType & (v6 ? FM_READONLY_EMBED : FM_READONLY_EMBED | FM_EDITABLE_EMBED)) ? GR_ROAD_OUTLINE
                                                                                                  : GR_ROAD_DEVICE;
  if (GrIsMirroredXform(xf)) road = GR_ROAD_OUTLINE;
  std::u16string_view family = WideName(ifi, ifi->dpwszFamilyName), face = WideName(ifi, ifi->dpwszFaceName);
  ConvertName(d->familyName, family);
  ApplyEudcRules(p, d->familyName, family, &road);
  if (road != GR_ROAD_OUTLINE &&
      (HasTmp(family) || (v6 && (Contains(family, u"___") || AllDigits(family)))))
    road = GR_ROAD_OUTLINE;
  ConvertName(d->faceName, face);
  ApplyEudcRules(p, d->faceName, face, &road);
  if ((p->printMethod == 5 || p->apiUse || p->previewPrint) && road != GR_ROAD_OUTLINE && HasTmp(face))
    road = GR_ROAD_OUTLINE;
  if (str->flAccel & SO_GLYPHINDEX_TEXTOUT) road = GR_ROAD_OUTLINE;
  bool marked = false;
  if (p->faceNameRule) {
    for (ULONG i = 0; str->pwszOrg && i < str->cGlyphs; ++i)
      if (str->pwszOrg[i] >= 0xE000 && str->pwszOrg[i] <= 0xF8FF) {
        marked = true;
        road = GR_ROAD_OUTLINE;
        break;
      }
    if (!std::strcmp(d->familyName, "EUDC") || !std::strcmp(d->faceName, "EUDC")) marked = true;
  }
  d->road = road;
  marked = marked && road == GR_ROAD_OUTLINE;
  if (marked) {
    MarkName(d->familyName, font->iUniq);
    MarkName(d->faceName, font->iUniq);
    p->drawState.fontValid = 0;
  }
  return SendHeader(p, font, d, marked, false);
}

BOOL GrSetupDownloadFont(GR_PDEV* p, STROBJ* str, FONTOBJ* font, CLIPOBJ*, IFIMETRICS* ifi, const GR_FONT_XFORM* xf,
                         const GR_EM_SIZES* em, GR_FONT_DESC* d) {
  FillCommon(str, font, ifi, xf, em, d);
  d->road = GR_ROAD_DOWNLOAD;
  ConvertName(d->familyName, WideName(ifi, ifi->dpwszFamilyName));
  ConvertName(d->faceName, WideName(ifi, ifi->dpwszFaceName));
  for (const char* name : GR_PRINTER_FONT_NAMES)
    if (!std::strcmp(d->familyName, name) || !std::strcmp(d->faceName, name)) d->road = GR_ROAD_DEVICE;
  return SendHeader(p, font, d, false, d->road == GR_ROAD_DOWNLOAD);
}

BOOL GrPutDeviceChars(GR_PDEV* p, STROBJ* str, const GR_EM_SIZES* em, LONG ascent, const GR_FONT_DESC* d,
                      const POINTL* positions) {
  auto put = [&](ULONG k, POINTL at) {
    POINTL c = CellPoint(at.x, at.y, ascent, d->escapement);
    RECTL box = {c.x, c.y, c.x + em->emWidth, c.y + em->emHeight};
    WORD code = str->pwszOrg ? str->pwszOrg[k] : 0;
    return ZsPutGlyphBox(&p->stream, &box, c.x, c.y, code) != nullptr;
  };
  if (positions) {
    for (ULONG k = 0; k < str->cGlyphs; ++k)
      if (!put(k, positions[k])) return FALSE;
    return TRUE;
  }
  return GrForEachGlyph(str, [&](ULONG k, const GLYPHPOS& gp) { return put(k, gp.ptl); }) ? TRUE : FALSE;
}

BOOL GrPutDeviceText(GR_PDEV* p, FONTOBJ*, STROBJ* str, const GR_EM_SIZES* em, LONG ascent, const GR_FONT_DESC* d) {
  ULONG count = str->cGlyphs;
  if (count > 0xFFFF || (count && !str->pwszOrg)) return FALSE;
  const WORD* codes = reinterpret_cast<const WORD*>(str->pwszOrg);
  if ((str->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && str->ulCharInc) {
    LONG inc = (str->flAccel & SO_REVERSED) ? -LONG(str->ulCharInc) : LONG(str->ulCharInc);
    if (inc > 32767 || inc < -32768) return GrPutDeviceChars(p, str, em, ascent, d, nullptr);
    SHORT advance = SHORT(inc);
    return ZsPutGlyphList(&p->stream, &str->rclBkGround, str->rclBkGround.left, str->rclBkGround.top, codes,
                          &advance, WORD(count), 1, false)
               ? TRUE
               : FALSE;
  }
  if (d->escapement != 0 || !(str->flAccel & (SO_HORIZONTAL | SO_VERTICAL)) || count == 0)
    return GrPutDeviceChars(p, str, em, ascent, d, nullptr);
  auto* pos = static_cast<POINTL*>(GrHeapAlloc(p->heap, DWORD(count * sizeof(POINTL))));
  auto* adv = static_cast<SHORT*>(GrHeapAlloc(p->heap, DWORD(count * sizeof(SHORT))));
  if (!pos || !adv) {
    GrHeapFree(p->heap, pos);
    GrHeapFree(p->heap, adv);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  GrForEachGlyph(str, [&](ULONG k, const GLYPHPOS& gp) {
    pos[k] = gp.ptl;
    return true;
  });
  bool vertical = (str->flAccel & SO_VERTICAL) != 0;
  bool regular = true;
  for (ULONG k = 0; k + 1 < count && regular; ++k) {
    long long step = vertical ? (long long)pos[k + 1].y - pos[k].y : (long long)pos[k + 1].x - pos[k].x;
    bool onLine = vertical ? pos[k + 1].x == pos[k].x : pos[k + 1].y == pos[k].y;
    // An advance the record's 16-bit field cannot hold would be drawn wrapped: place such strings
    // character by character.
    if (!onLine || step > 32767 || step < -32768) regular = false;
    else adv[k] = SHORT(step);
  }
  BOOL ok;
  if (regular) {
    adv[count - 1] = 0;
    ok = ZsPutGlyphList(&p->stream, &str->rclBkGround, pos[0].x, pos[0].y - ascent, codes, adv, WORD(count),
                        WORD(count), true)
             ? TRUE
             : FALSE;
  } else {
    ok = GrPutDeviceChars(p, str, em, ascent, d, pos);
  }
  GrHeapFree(p->heap, pos);
  GrHeapFree(p->heap, adv);
  return ok;
}

BOOL GrPutOutlineText(GR_PDEV* p, FONTOBJ* font, STROBJ* str) {
  bool fixedStep = (str->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && str->ulCharInc;
  POINTL first{};
  return GrForEachGlyph(str, [&](ULONG i, const GLYPHPOS& gp) {
           HGLYPH hg = gp.hg;
           void* data = nullptr;
           if (!FONTOBJ_cGetGlyphs(font, FO_PATHOBJ, 1, &hg, &data)) return false;
           PATHOBJ* path = static_cast<GLYPHDATA*>(data)->gdf.ppo;
           if (!path) return false;
           RECTFX b{};
           PATHOBJ_vGetBounds(path, &b);
           // Fixed-pitch strings step from the string's first glyph, whatever batch a glyph came in.
           if (i == 0) first = gp.ptl;
           POINTL at = gp.ptl;
           if (fixedStep) {
             long long step = (long long)i * str->ulCharInc;
             at = (str->flAccel & SO_HORIZONTAL) ? POINTL{LONG(first.x + step), first.y}
                                                 : POINTL{first.x, LONG(first.y + step)};
           }
           RECTL box = {at.x + (b.xLeft >> 4), at.y + (b.yTop >> 4), 0, 0};
           box.right = box.left + ((b.xRight - b.xLeft) >> 4);
           box.bottom = box.top + ((b.yBottom - b.yTop) >> 4);
           BYTE* buf = GrAllocOutline(p, path->cCurves);
           if (!buf) return false;
           DWORD closed = 0;
           DWORD n = GrEncodeOutline(p, path, &closed, buf, 40u * path->cCurves + 16u, -b.xLeft, -b.yTop);
           WORD code = str->pwszOrg ? str->pwszOrg[i] : 0;
           bool ok = !n || ZsPutGlyphOutline(&p->stream, &box, box.left, box.top, code, buf, n);
           GrHeapFree(p->heap, buf);
           return ok;
         })
             ? TRUE
             : FALSE;
}

// DrvTextOut: draws a string. FALSE with ERROR_INVALID_PARAMETER for a missing surface, string or font, an
// invalid context or a font without metrics; FALSE when the output failed before or any record cannot be
// written; TRUE when drawing is suppressed.
BOOL DrvTextOut(SURFOBJ* so, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra, RECTL* opaque, BRUSHOBJ* fore,
                BRUSHOBJ* opaqueBrush, POINTL* origin, MIX mix) {
  GR_PDEV* p = so ? static_cast<GR_PDEV*>(so->dhpdev) : nullptr;
  IFIMETRICS* ifi = font ? FONTOBJ_pifi(font) : nullptr;
  if (!str || !GrIsValidPdev(p) || !ifi) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (p->drawingSuppressed) return TRUE;
  if (p->state & GR_STATE_OUTPUT_ERROR) return FALSE;
  if (p->rasterMode) {
    POINTL zero{0, 0};
    return EngTextOut(so, str, font, clip, extra, opaque, fore, opaqueBrush, origin ? origin : &zero, mix);
  }
  if (GrSetClip(p, clip) == -1) return FALSE;
  if (opaqueBrush && HasArea(opaque)) {
    if (!SetTextColors(p, so, opaqueBrush, origin, mix, false)) return FALSE;
    if (!ZsPutRect(&p->stream, opaque, opaque, 1)) return FALSE;
  }
  if (!SetTextColors(p, so, fore, origin, mix, true)) return FALSE;
  XFORMOBJ* xo = FONTOBJ_pxoGetXform(font);
  if (!xo) return FALSE;
  XFORML m{};
  XFORMOBJ_iGetXform(xo, &m);
  GR_FONT_XFORM xf{m.eM11, m.eM12, m.eM21, m.eM22};
  LONG u = LONG(ifi->fwdUnitsPerEm) * 10, a = LONG(ifi->fwdWinAscender) * 10, dsc = LONG(ifi->fwdWinDescender) * 10;
  GR_EM_SIZES em{};
  em.emWidth = GrHypot(Round10(xf.eM11, u), Round10(xf.eM12, u));
  em.ascent = GrHypot(Round10(xf.eM21, a), Round10(xf.eM22, a));
  em.descent = GrHypot(Round10(xf.eM21, dsc), Round10(xf.eM22, dsc));
  em.emHeight = GrHypot(Round10(xf.eM21, u), Round10(xf.eM22, u));
  GR_FONT_DESC desc{};
  SHORT leading = SHORT(em.ascent + em.descent - em.emHeight);
  desc.leading = leading < 0 ? 0 : leading;
  BOOL ok;
  if (DeviceRoads(p)) {
    ok = GrSetupFont(p, str, font, clip, ifi, &xf, &em, &desc);
    if (ok) ok = desc.road == GR_ROAD_DEVICE ? GrPutDeviceText(p, font, str, &em, em.ascent, &desc)
                                            : GrPutOutlineText(p, font, str);
  } else {
    ok = GrSetupDownloadFont(p, str, font, clip, ifi, &xf, &em, &desc);
    if (ok) ok = desc.road == GR_ROAD_DEVICE ? GrPutDeviceText(p, font, str, &em, em.ascent, &desc)
                                            : GrPutDownloadText(p, font, str, clip, em.ascent, em.descent, &xf, &desc);
  }
  if (!ok) return FALSE;
  for (RECTL* r = extra; HasArea(r); ++r)
    if (!ZsPutRect(&p->stream, r, r, 1)) return FALSE;
  return TRUE;
}
