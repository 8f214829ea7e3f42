// Text of the graphics library: the text hooks and their roads (printer fonts by name, glyph outlines,
// downloaded glyph bitmaps), the text arithmetic and its tables, the conversion of wide text into the
// printer's bytes, the glyph cache with its compression, and the device-font queries.
#pragma once
#include "kvplat/engine_font.h"

struct GR_PDEV;

// The font description of one text call.
struct GR_FONT_DESC {
  BYTE italicSim;
  BYTE boldSim;
  BYTE road;      // 2 printer font, 4 outlines, 5 downloaded glyphs
  BYTE vertical;
  BYTE reserved;
  BYTE charSet;
  BYTE pitchAndFamily;
  BYTE bold;      // a copy of boldSim
  WORD weight;
  SHORT escapement;  // degrees, 0 to 359
  SHORT emHeight;    // across the baseline, device pixels
  SHORT emWidth;     // along the baseline
  char familyName[260];
  char faceName[260];  // printer bytes, zero-filled
  SHORT leading;
  WORD defaultChar;
  BYTE glyphKind;  // 2 character codes, 3 glyph indices
};

// Text roads.
constexpr BYTE GR_ROAD_DEVICE = 2;
constexpr BYTE GR_ROAD_OUTLINE = 4;
constexpr BYTE GR_ROAD_DOWNLOAD = 5;
// Longest name, in printer bytes, a font description carries before any mark is appended.
constexpr DWORD GR_FONT_NAME_BYTES = 128;

// The sizes of a font realization in device pixels, from its transform and metrics.
struct GR_EM_SIZES {
  LONG emWidth;   // along the baseline
  LONG emHeight;  // across it
  LONG ascent;
  LONG descent;
};

// The four factors of a font's notional-to-device transform.
struct GR_FONT_XFORM {
  float eM11, eM12, eM21, eM22;
};

// TRUE when the transform mirrors the text (eM11 and eM22 of opposite signs at 1/5000).
BOOL GrIsMirroredXform(const GR_FONT_XFORM* xf);

// ---- Text hooks and roads ----
// (DrvTextOut and DrvGetGlyphMode are declared with the other hooks in gr_hooks.h.)

// Fills a font description for the printer-font and outline roads (2 or 4) from the font, string and
// metrics, applies the road rules and sends the font header (record 80) unless the context's header key
// holds this font and glyph-code kind. FALSE when the header cannot be written.
BOOL GrSetupFont(GR_PDEV* pdev, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, IFIMETRICS* ifi, const GR_FONT_XFORM* xf,
                 const GR_EM_SIZES* em, GR_FONT_DESC* out);
// The same for the download road: road 5, or 2 for the printer's own faces; record 86 or 80.
BOOL GrSetupDownloadFont(GR_PDEV* pdev, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, IFIMETRICS* ifi,
                         const GR_FONT_XFORM* xf, const GR_EM_SIZES* em, GR_FONT_DESC* out);
// Road 2: the string as printer-font characters (record 82, or records 81 for irregular placement).
// FALSE with ERROR_NOT_ENOUGH_MEMORY without memory for the positions, FALSE when a record fails.
BOOL GrPutDeviceText(GR_PDEV* pdev, FONTOBJ* font, STROBJ* str, const GR_EM_SIZES* em, LONG ascent,
                     const GR_FONT_DESC* desc);
// Every character as its own record 81 at its position (`positions`: cGlyphs points, or null to
// enumerate the string). FALSE when a record fails.
BOOL GrPutDeviceChars(GR_PDEV* pdev, STROBJ* str, const GR_EM_SIZES* em, LONG ascent, const GR_FONT_DESC* desc,
                      const POINTL* positions);
// Road 4: every glyph's outline as a record 81. FALSE when a glyph has no outline, memory runs out or a
// record fails.
BOOL GrPutOutlineText(GR_PDEV* pdev, FONTOBJ* font, STROBJ* str);
// Road 5: glyph bitmaps, defined once per page and drawn as a glyph string, or as glyph images.
BOOL GrPutDownloadText(GR_PDEV* pdev, FONTOBJ* font, STROBJ* str, CLIPOBJ* clip, LONG ascent, LONG descent,
                       const GR_FONT_XFORM* xf, const GR_FONT_DESC* desc);
// Glyph by glyph as records 83 (with the cache: kept glyphs are referred to) or 87 (without). FALSE when
// memory runs out twice or a record fails; a glyph is added to the cache only after its record was
// written.
BOOL GrPutGlyphImages(GR_PDEV* pdev, FONTOBJ* font, STROBJ* str, CLIPOBJ* clip, LONG ascent, LONG descent,
                      BOOL useCache, const GR_FONT_DESC* desc);
// Sends a record 84 for every glyph of the string the printer does not keep yet and adds it to the cache.
// FALSE without memory or when a record or cache entry fails.
BOOL GrDefineGlyphs(GR_PDEV* pdev, FONTOBJ* font, STROBJ* str, const GR_FONT_DESC* desc);
// Defines the string's glyphs, then draws them as one record 85; falls back to glyph images when the
// definitions fail or a glyph step does not fit 16 bits.
BOOL GrPutGlyphString(GR_PDEV* pdev, FONTOBJ* font, STROBJ* str, CLIPOBJ* clip, LONG ascent, LONG descent,
                      const GR_FONT_DESC* desc);

// Calls fn(index, position) for every glyph of the string's enumeration, in order, while fn returns
// true. False when fn stopped it.
template <typename F>
bool GrForEachGlyph(STROBJ* str, F&& fn) {
  ULONG index = 0;
  STROBJ_vEnumStart(str);
  for (BOOL more = TRUE; more;) {
    ULONG n = 0;
    GLYPHPOS* gp = nullptr;
    more = STROBJ_bEnum(str, &n, &gp);
    for (ULONG i = 0; i < n && index < str->cGlyphs; ++i, ++index)
      if (!fn(index, gp[i])) return false;
    if (!n) break;
  }
  return true;
}

// ---- Arithmetic and tables ----

extern const LONG GR_SINE_TABLE[91];          // 16384 * sin(d degrees), d = 0..90
extern const SHORT GR_TANGENT_TABLE[450];     // 32767 * tan(t / 10 degrees), t = 0..449
extern const char* const GR_PRINTER_FONT_NAMES[4];  // the printer's own faces, code page 932 bytes

// The angle of the vector (x, y) in whole degrees, -180 to 180 (0 along +x, 90 along +y).
SHORT GrVectorAngle(SHORT x, SHORT y);
// The tangent-table index in [low, high) whose entry bounds v from below, in tenths of a degree.
SHORT GrAtanSearch(SHORT low, SHORT high, SHORT v);
// 16384 * sin and cos of a non-negative angle in degrees, from the sine table.
LONG GrSinQ14(LONG degrees);
LONG GrCosQ14(LONG degrees);
// The smallest integer r >= max(|a|, |b|) with r * r >= a * a + b * b.
LONG GrHypot(LONG a, LONG b);
// trunc(f * n) formed in single precision; clamped to the 32-bit range.
LONG GrScaleFloat(float f, LONG n);

// ---- Printer text ----

// Converts `bytes` bytes of wide text into printer bytes at `out`, which holds at least twice the text's
// characters. Mode 128: U+0000 to U+0080 give one byte of the same value, any other character its form in
// the engine's ANSI code page (at most 2 bytes; none when it has no form). Returns the bytes written; no
// terminator is added.
int GrUnicodeToPrinterText(BYTE* out, const WCHAR* text, DWORD bytes, DWORD mode);
// Characters of a zero-terminated wide text (0 for none).
DWORD GrWideLength(const WCHAR* text);

// ---- Glyph cache and compression ----

// One glyph the printer keeps for the current page.
struct GR_GLYPH_ENTRY {
  DWORD fontId;
  WORD generation;
  WORD code;
  GR_GLYPH_ENTRY* next;
  BYTE kind;  // 2 character codes, 3 glyph indices
};

// The bucket of a glyph: (font id + generation + code) & 0x3FF.
DWORD GrGlyphHash(GR_PDEV* pdev, DWORD fontId, WORD generation, WORD code);
// TRUE when the glyph is in the bucket's chain; FALSE for a bucket of 1024 or more.
BOOL GrGlyphCacheFind(GR_PDEV* pdev, DWORD bucket, DWORD fontId, WORD generation, WORD code, BYTE kind);
// A new entry at the end of the bucket's chain, or null for a bucket of 1024 or more or without memory.
GR_GLYPH_ENTRY* GrGlyphCacheAdd(GR_PDEV* pdev, DWORD bucket, DWORD fontId, WORD generation, WORD code, BYTE kind);
// Frees every entry, empties the buckets and moves the generation on (the printer forgets its kept glyphs
// at the page end). TRUE.
BOOL GrFreeGlyphCache(GR_PDEV* pdev);
// Compresses `length` bytes into at most `limit` output bytes. Returns the compressed length, or -1 when
// the compressed form does not fit.
LONG GrPackGlyph(const BYTE* in, DWORD length, BYTE* out, DWORD limit);
// Compresses a glyph bitmap of rows * rowBytes bytes into at most outSize bytes. The compressed length, or
// 0 when it does not fit or the bitmap has no set bit.
DWORD GrTryPackGlyph(GR_PDEV* pdev, const BYTE* bits, BYTE* out, DWORD outSize, DWORD rows, DWORD rowBytes);

// ---- Device fonts ----

// Frees a device-font table of the context (nothing for none).
void GrFreeFontTable(GR_PDEV* pdev, void* table);
