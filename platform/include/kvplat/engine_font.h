// Fonts and strings of the graphics engine as a printer graphics driver meets them: the font object with
// its metrics record and notional-to-device transform, the string object with its glyph positions, glyph
// bitmaps and outlines, the engine's fall-back text drawing and its wide-to-multibyte conversion.
//
// The engine's fonts are real faces (found by fontconfig, rendered by FreeType). Records that pass
// between the engine and a driver are pinned to their 64-bit layout.
#pragma once
#include <cstddef>
#include <string_view>

#include "kvplat/engine.h"

typedef SHORT FWORD;  // font design units

// ---- Glyphs ------------------------------------------------------------------------------------------

// One glyph bitmap: origin relative to the glyph position, size, then rows of (cx + 7) / 8 bytes, one bit
// per pixel, most significant bit leftmost, rows top to bottom.
typedef struct _GLYPHBITS {
  POINTL ptlOrigin;
  SIZEL sizlBitmap;
  BYTE aj[4];
} GLYPHBITS;
static_assert(offsetof(GLYPHBITS, sizlBitmap) == 8 && offsetof(GLYPHBITS, aj) == 16);

typedef union _GLYPHDEF {
  GLYPHBITS* pgb;
  PATHOBJ* ppo;
} GLYPHDEF;
static_assert(sizeof(GLYPHDEF) == 8);

typedef struct _GLYPHPOS {
  HGLYPH hg;
  GLYPHDEF* pgdf;
  POINTL ptl;  // the glyph's origin on the baseline, device pixels
} GLYPHPOS;
static_assert(sizeof(GLYPHPOS) == 24 && offsetof(GLYPHPOS, pgdf) == 8 && offsetof(GLYPHPOS, ptl) == 16);

typedef struct _POINTQF {
  LONGLONG x;
  LONGLONG y;
} POINTQF;

typedef struct _GLYPHDATA {
  GLYPHDEF gdf;
  HGLYPH hg;
  FIX fxD;   // advance along the baseline
  FIX fxA;
  FIX fxAB;
  FIX fxInkTop;
  FIX fxInkBottom;
  RECTL rclInk;
  POINTQF ptqD;
} GLYPHDATA;
static_assert(sizeof(GLYPHDATA) == 64 && offsetof(GLYPHDATA, hg) == 8 && offsetof(GLYPHDATA, rclInk) == 32 &&
              offsetof(GLYPHDATA, ptqD) == 48);

// ---- Fonts -------------------------------------------------------------------------------------------

typedef struct _FONTOBJ {
  ULONG iUniq;       // unique per realization
  ULONG iFace;
  ULONG cxMax;
  FLONG flFontType;  // FO_*
  ULONG_PTR iTTUniq;
  ULONG_PTR iFile;
  SIZEL sizLogResPpi;
  ULONG ulStyleSize;
  void* pvConsumer;
  void* pvProducer;
} FONTOBJ;
static_assert(sizeof(FONTOBJ) == 64 && offsetof(FONTOBJ, flFontType) == 12 && offsetof(FONTOBJ, iTTUniq) == 16 &&
              offsetof(FONTOBJ, sizLogResPpi) == 32 && offsetof(FONTOBJ, pvConsumer) == 48);

#define FO_TYPE_RASTER 0x0001
#define FO_TYPE_DEVICE 0x0002
#define FO_TYPE_TRUETYPE 0x0004
#define FO_SIM_BOLD 0x2000
#define FO_SIM_ITALIC 0x4000
#define FO_EM_HEIGHT 0x8000

// FONTOBJ_cGetGlyphs modes (also DrvGetGlyphMode's answer).
#define FO_HGLYPHS 0
#define FO_GLYPHBITS 1
#define FO_PATHOBJ 2

// The notional-to-device transform of a font.
typedef struct _FD_XFORM {
  FLOATL eXX;
  FLOATL eXY;
  FLOATL eYX;
  FLOATL eYY;
} FD_XFORM;
static_assert(sizeof(FD_XFORM) == 16);

typedef struct _FD_KERNINGPAIR {
  WCHAR wcFirst;
  WCHAR wcSecond;
  FWORD fwdKern;
} FD_KERNINGPAIR;
static_assert(sizeof(FD_KERNINGPAIR) == 6);

typedef struct _PANOSE {
  BYTE bFamilyType, bSerifStyle, bWeight, bProportion, bContrast, bStrokeVariation, bArmStyle, bLetterform,
      bMidline, bXHeight;
} PANOSE;
static_assert(sizeof(PANOSE) == 10);

// The metrics record of a font face. The names are zero-terminated wide texts at byte offsets from the
// record's start (dpwsz*).
typedef struct _IFIMETRICS {
  ULONG cjThis;
  ULONG cjIfiExtra;
  LONG_PTR dpwszFamilyName;
  LONG_PTR dpwszStyleName;
  LONG_PTR dpwszFaceName;
  LONG_PTR dpwszUniqueName;
  LONG_PTR dpFontSim;
  LONG lEmbedId;
  LONG lItalicAngle;
  LONG lCharBias;
  LONG_PTR dpCharSets;
  BYTE jWinCharSet;
  BYTE jWinPitchAndFamily;
  USHORT usWinWeight;
  FLONG flInfo;
  USHORT fsSelection;
  USHORT fsType;
  FWORD fwdUnitsPerEm;
  FWORD fwdLowestPPEm;
  FWORD fwdWinAscender;
  FWORD fwdWinDescender;
  FWORD fwdMacAscender;
  FWORD fwdMacDescender;
  FWORD fwdMacLineGap;
  FWORD fwdTypoAscender;
  FWORD fwdTypoDescender;
  FWORD fwdTypoLineGap;
  FWORD fwdAveCharWidth;
  FWORD fwdMaxCharInc;
  FWORD fwdCapHeight;
  FWORD fwdXHeight;
  FWORD fwdSubscriptXSize;
  FWORD fwdSubscriptYSize;
  FWORD fwdSubscriptXOffset;
  FWORD fwdSubscriptYOffset;
  FWORD fwdSuperscriptXSize;
  FWORD fwdSuperscriptYSize;
  FWORD fwdSuperscriptXOffset;
  FWORD fwdSuperscriptYOffset;
  FWORD fwdUnderscoreSize;
  FWORD fwdUnderscorePosition;
  FWORD fwdStrikeoutSize;
  FWORD fwdStrikeoutPosition;
  BYTE chFirstChar;
  BYTE chLastChar;
  BYTE chDefaultChar;
  BYTE chBreakChar;
  WCHAR wcFirstChar;
  WCHAR wcLastChar;
  WCHAR wcDefaultChar;
  WCHAR wcBreakChar;
  POINTL ptlBaseline;
  POINTL ptlAspect;
  POINTL ptlCaret;
  RECTL rclFontBox;
  BYTE achVendId[4];
  ULONG cKerningPairs;
  ULONG ulPanoseCulture;
  PANOSE panose;
  void* Align;
} IFIMETRICS;
static_assert(sizeof(IFIMETRICS) == 224);
static_assert(offsetof(IFIMETRICS, dpwszFamilyName) == 8 && offsetof(IFIMETRICS, dpwszFaceName) == 24 &&
              offsetof(IFIMETRICS, jWinCharSet) == 72 && offsetof(IFIMETRICS, jWinPitchAndFamily) == 73 &&
              offsetof(IFIMETRICS, usWinWeight) == 74 && offsetof(IFIMETRICS, fsType) == 82 &&
              offsetof(IFIMETRICS, fwdUnitsPerEm) == 84 && offsetof(IFIMETRICS, fwdWinAscender) == 88 &&
              offsetof(IFIMETRICS, fwdWinDescender) == 90 && offsetof(IFIMETRICS, wcDefaultChar) == 144 &&
              offsetof(IFIMETRICS, rclFontBox) == 172 && offsetof(IFIMETRICS, panose) == 200);

// Embedding types (fsType).
#define FM_NO_EMBEDDING 0x0002
#define FM_READONLY_EMBED 0x0004
#define FM_EDITABLE_EMBED 0x0008

// ---- Strings -----------------------------------------------------------------------------------------

typedef struct _STROBJ {
  ULONG cGlyphs;
  FLONG flAccel;      // SO_*
  ULONG ulCharInc;    // fixed advance of a fixed-pitch string, else 0
  RECTL rclBkGround;  // the background box of the whole string
  GLYPHPOS* pgp;      // all positions, or none: enumerate them
  WCHAR* pwszOrg;     // the string's characters (cGlyphs of them)
} STROBJ;
static_assert(sizeof(STROBJ) == 48 && offsetof(STROBJ, rclBkGround) == 12 && offsetof(STROBJ, pgp) == 32 &&
              offsetof(STROBJ, pwszOrg) == 40);

#define SO_FLAG_DEFAULT_PLACEMENT 0x00000001
#define SO_HORIZONTAL 0x00000002
#define SO_VERTICAL 0x00000004
#define SO_REVERSED 0x00000008
#define SO_ZERO_BEARINGS 0x00000010
#define SO_CHAR_INC_EQUAL_BM_BASE 0x00000020
#define SO_MAXEXT_EQUAL_BM_SIDE 0x00000040
#define SO_GLYPHINDEX_TEXTOUT 0x00000100

// ---- Font queries of the driver ---------------------------------------------------------------------

// DrvQueryFontTree modes.
#define QFT_LIGATURES 1
#define QFT_KERNPAIRS 2
#define QFT_GLYPHSET 3
// DrvQueryAdvanceWidths modes.
#define QAW_GETWIDTHS 0
#define QAW_GETEASYWIDTHS 1
// DrvQueryFontData's failure.
#define DDI_ERROR 0xFFFFFFFF

// ---- Engine services ---------------------------------------------------------------------------------

// FONTOBJ_cGetGlyphs: iMode FO_GLYPHBITS or FO_PATHOBJ for one glyph (cGlyph 1, *phg): its GLYPHDATA
// (kept by the font until it is deleted) in *ppvGlyph, with gdf.pgb or gdf.ppo set. Returns 1, or 0 for a
// foreign font, another mode or count, or a glyph the face cannot render.
KVAPI ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, void** ppvGlyph);
// FONTOBJ_pifi: the font's metrics record, or null for a foreign font.
KVAPI IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo);
// FONTOBJ_pxoGetXform: the font's notional-to-device transform, or null for a foreign font.
KVAPI XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo);
// STROBJ_vEnumStart: restarts the enumeration of a string's glyph positions.
KVAPI void STROBJ_vEnumStart(STROBJ* pstro);
// STROBJ_bEnum: the next batch of positions in *pc / *ppgpos. TRUE when more batches follow, FALSE with
// the last batch (or with 0 positions for a foreign string or when the enumeration has ended).
KVAPI BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos);
// EngTextOut: draws a string into a bitmap surface: the opaque rectangle (when it has an area) in the
// opaque brush's colour, the glyph bitmaps and the extra rectangles (up to the first without area) in the
// foreground colour, all inside the clip. FALSE with ERROR_INVALID_PARAMETER for a device surface, a
// foreign string or font, or no foreground brush.
KVAPI BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                      BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
// EngUnicodeToMultiByteN: converts cjUnicode bytes of wide text into the engine's ANSI code page, at most
// cjMax bytes; *pcjWritten (when given) receives the bytes written.
KVAPI void EngUnicodeToMultiByteN(LPSTR out, ULONG cjMax, ULONG* pcjWritten, const WCHAR* text, ULONG cjUnicode);

namespace kvp::eng {

// A font of the engine for hosts and tests: the face fontconfig matches for `faceName` (bold or italic
// when asked), an em of `emPixels` device pixels, the baseline turned `angleDegrees` counter-clockwise.
// The metrics record carries the face's real values and may be changed by the caller (SetFontNames for
// the names). Null when no face matches or renders.
FONTOBJ* CreateFont(std::u16string_view faceName, double emPixels, double angleDegrees = 0, bool bold = false,
                    bool italic = false);
// Frees a font made by CreateFont and everything it handed out (nothing for null).
void DeleteFont(FONTOBJ* font);
// Replaces the family and face names of the font's metrics record (the record moves: read FONTOBJ_pifi again).
bool SetFontNames(FONTOBJ* font, std::u16string_view family, std::u16string_view face);
// Replaces the font's notional-to-device transform.
void SetFontXform(FONTOBJ* font, const FD_XFORM& xform);
// The font's notional-to-device transform.
FD_XFORM FontXform(FONTOBJ* font);
// A string object of `text` in `font` whose first glyph sits on the baseline at `origin`, glyphs placed
// by the face's advances along the font's baseline: SO_FLAG_DEFAULT_PLACEMENT, SO_HORIZONTAL for an
// unturned font, ulCharInc for a fixed-pitch face, pgp set. `batch` limits the positions one
// STROBJ_bEnum hands out (0: all at once). Null for a foreign font.
STROBJ* CreateString(FONTOBJ* font, std::u16string_view text, POINTL origin, ULONG batch = 0);
// Frees a string made by CreateString (nothing for null).
void DeleteString(STROBJ* str);

}  // namespace kvp::eng
