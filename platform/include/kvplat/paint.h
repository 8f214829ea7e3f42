// Drawing: device contexts onto windows, memory bitmaps and the fixed display; pens, brushes, fonts,
// palettes and regions; blits with raster operations, shapes, paths, clipping and text through FreeType
// (faces found with fontconfig). Colours are COLORREF (0x00BBGGRR). There are no mapping modes: logical
// coordinates are device pixels. Everything belongs to the UI thread.
#pragma once
#include "kvplat/window.h"

typedef struct KvPen* HPEN;
typedef struct KvRgn* HRGN;

#include "kvplat/gdi_types.h"

#include <string>

#define TRANSPARENT 1
#define OPAQUE 2
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define DEFAULT_PALETTE 15
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19
#define CLR_INVALID 0xFFFFFFFF

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_EXPANDTABS 0x00000040
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000

// Stock objects and selection: a brush or a font; SelectObject returns the object it replaced (null for
// something that is neither).
KVAPI HGDIOBJ GetStockObject(int which);
KVAPI HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
KVAPI COLORREF SetTextColor(HDC hdc, COLORREF colour);
KVAPI COLORREF SetBkColor(HDC hdc, COLORREF colour);
KVAPI int SetBkMode(HDC hdc, int mode);
// FillRect / FrameRect: the rectangle (right and bottom excluded) with the brush; 0 for a bad DC or brush.
KVAPI int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
KVAPI int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
KVAPI BOOL DrawFocusRect(HDC hdc, const RECT* rect);
// TextOutW: `count` characters with their top-left corner at (x, y); the background behind them is filled
// in OPAQUE mode.
KVAPI BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
// DrawTextW: one line (or lines broken at '\n' without DT_SINGLELINE) inside the rectangle aligned by the
// DT_ flags; count -1 means a terminated text. Returns the height of the text; DT_CALCRECT only measures.
KVAPI int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format);
KVAPI BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size);
KVAPI BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
KVAPI COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour);
KVAPI COLORREF GetPixel(HDC hdc, int x, int y);
#define DT_HIDEPREFIX 0x00100000
#ifndef ERROR_CAN_NOT_COMPLETE
#define ERROR_CAN_NOT_COMPLETE 1003L
#endif

#define FW_NORMAL 400
#define FW_BOLD 700
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define BS_SOLID 0
#define BS_NULL 1
#define ALTERNATE 1
#define WINDING 2
#define BLACKONWHITE 1
#define COLORONCOLOR 3
#define HALFTONE 4
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define AD_COUNTERCLOCKWISE 1
#define AD_CLOCKWISE 2

// Raster operations (ROP3: the result for every combination of pattern, source and destination bits).
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define SRCERASE 0x00440328
#define NOTSRCCOPY 0x00330008
#define NOTSRCERASE 0x001100A6
#define MERGECOPY 0x00C000CA
#define MERGEPAINT 0x00BB0226
#define PATCOPY 0x00F00021
#define PATPAINT 0x00FB0A09
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Regions: results of CombineRgn and the clipping calls; the modes.
#define RGN_ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// GetDeviceCaps indexes.
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define DT_RASDISPLAY 1
#define RC_BITBLT 1
#define RC_PALETTE 0x0100
#define RC_DI_BITMAP 0x0080
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000

#define DIB_RGB_COLORS 0
#define CBM_INIT 0x04L
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP;
static_assert(sizeof(BITMAP) == 32 && offsetof(BITMAP, bmBits) == 24);

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO;
static_assert(sizeof(BITMAPINFO) == 44);

typedef struct tagLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN;
static_assert(sizeof(LOGPEN) == 16);

typedef struct tagLOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH;
static_assert(sizeof(LOGBRUSH) == 16);

typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY;
typedef struct tagLOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE;
static_assert(sizeof(PALETTEENTRY) == 4 && sizeof(LOGPALETTE) == 8);

typedef struct tagTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICW;
static_assert(sizeof(TEXTMETRICW) == 60 && offsetof(TEXTMETRICW, tmFirstChar) == 44 && offsetof(TEXTMETRICW, tmItalic) == 52);

typedef struct _ABC {
  int abcA;
  UINT abcB;
  int abcC;
} ABC;
static_assert(sizeof(ABC) == 12);

// Device contexts. CreateCompatibleDC: a memory DC holding a 1 x 1 monochrome bitmap until one is selected
// (null source: compatible with the display). CreateDCW with the driver "DISPLAY": a DC on the fixed
// display (it has no pixels of its own; drawing on it is accepted and not kept); with another driver
// name and a printer's name as the device: a printer device context (kvplat/printdc.h). DeleteDC frees a
// DC made by either (not one of GetDC/BeginPaint); FALSE with ERROR_INVALID_HANDLE for anything else.
KVAPI HDC CreateCompatibleDC(HDC hdc);
KVAPI HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* devmode);
KVAPI BOOL DeleteDC(HDC hdc);
// GetDeviceCaps: the fixed display's figures (1024 x 768, 96 pixels per inch, 32 bits, no palette); a
// memory DC reports its bitmap's colour depth. 0 for a bad DC or an unknown index.
KVAPI int GetDeviceCaps(HDC hdc, int index);

// Bitmaps. A bitmap has 1, 4, 8 (with a colour table) or 32 bits per pixel; what is drawn into one with
// fewer bits takes the nearest colour of its table. Creation fails (null) with ERROR_INVALID_PARAMETER for
// negative sizes and ERROR_NOT_ENOUGH_MEMORY beyond 16384 pixels a side or 2^25 pixels in all.
// CreateCompatibleBitmap: the DC's own depth (a memory DC's current bitmap's; a display or window DC is
// 32-bit); a size of 0 gives a 1 x 1 monochrome bitmap.
KVAPI HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
KVAPI HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// CreateDIBitmap: a bitmap compatible with `hdc` of the header's size, filled from the DIB when
// CBM_INIT is given.
KVAPI HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                             UINT usage);
// GetDIBits: rows [start, start + lines) of the bitmap as a DIB of info's format (1, 4, 8, 24 or 32 bits;
// positive height bottom-up, negative top-down). With null bits only the header (size, image size) and the
// colour table are filled in. For 1/4/8 bits the colour table is the bitmap's own when it has one of that
// size, else a standard one, and every pixel takes its nearest entry. Returns the rows copied; 0 with
// ERROR_INVALID_PARAMETER for a bad format or a bitmap selected into a DC other than `hdc`.
KVAPI int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
// SetDIBits: stores the DIB rows into the bitmap; returns the rows stored.
KVAPI int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// GetObjectW: BITMAP, LOGFONTW, LOGPEN, LOGBRUSH or the entry count (WORD) of a palette; a null buffer asks
// for the size. 0 for an unknown object or a buffer too small.
KVAPI int GetObjectW(HGDIOBJ object, int size, void* out);
KVAPI DWORD GetObjectType(HGDIOBJ object);

// Pens, brushes, fonts, palettes, regions. All are freed by DeleteObject (kvplat/resource.h); deleting an
// object still selected into a DC fails, and stock objects are never freed.
KVAPI HPEN CreatePen(int style, int width, COLORREF colour);
KVAPI HBRUSH CreateSolidBrush(COLORREF colour);
KVAPI HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
// CreateFontIndirectW: a face found by name (fontconfig; an empty or unknown name gives the platform's
// sans face), weight and italic. lfHeight < 0 is the em height in pixels, > 0 the cell height, 0 the
// platform's size.
KVAPI HFONT CreateFontIndirectW(const LOGFONTW* font);
KVAPI HPALETTE CreatePalette(const LOGPALETTE* palette);
KVAPI UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* out);
KVAPI HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
// RealizePalette: the display has no hardware palette, so nothing is mapped: 0.
KVAPI UINT RealizePalette(HDC hdc);
// GetNearestColor: the colour itself on a true-colour target; the nearest table entry on a memory DC
// holding a bitmap of 8 bits or fewer.
KVAPI COLORREF GetNearestColor(HDC hdc, COLORREF colour);
KVAPI HRGN CreateRectRgn(int left, int top, int right, int bottom);
KVAPI HRGN CreateRectRgnIndirect(const RECT* rect);
KVAPI int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
KVAPI BOOL PtInRegion(HRGN region, int x, int y);
KVAPI int GetRgnBox(HRGN region, RECT* rect);

// Clipping (in logical coordinates); each returns the region kind left, RGN_ERROR for a bad DC.
// SelectClipRgn copies the region (null removes the clipping).
KVAPI int SelectClipRgn(HDC hdc, HRGN region);
KVAPI int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
KVAPI int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
KVAPI int GetClipBox(HDC hdc, RECT* rect);

// Blits. `rop` is any ROP3; the pattern is the DC's brush. A monochrome source drawn on colour takes the
// destination's text colour for 0 and background colour for 1; a colour source drawn on monochrome gives 1
// where it equals the source DC's background colour. StretchBlt samples the nearest source pixel; negative
// sizes mirror.
KVAPI BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
KVAPI BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth, int srcHeight,
                      DWORD rop);
KVAPI BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
KVAPI int SetStretchBltMode(HDC hdc, int mode);

// Shapes with the DC's pen (outline) and brush (inside); right and bottom edges are excluded. While a path
// is open (BeginPath) they add figures to it instead of drawing.
KVAPI BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
KVAPI BOOL LineTo(HDC hdc, int x, int y);
KVAPI BOOL Polyline(HDC hdc, const POINT* points, int count);
KVAPI BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
KVAPI BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
KVAPI BOOL Polygon(HDC hdc, const POINT* points, int count);
// Arc: the part of the ellipse in the box from the ray towards (xs, ys) to the ray towards (xe, ye),
// counterclockwise (SetArcDirection changes it).
KVAPI BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye);
KVAPI int SetArcDirection(HDC hdc, int direction);
KVAPI int SetPolyFillMode(HDC hdc, int mode);
KVAPI BOOL BeginPath(HDC hdc);
KVAPI BOOL EndPath(HDC hdc);
KVAPI BOOL AbortPath(HDC hdc);
KVAPI BOOL CloseFigure(HDC hdc);
KVAPI BOOL StrokePath(HDC hdc);
KVAPI BOOL FillPath(HDC hdc);
KVAPI BOOL StrokeAndFillPath(HDC hdc);

// Text. ExtTextOutW: ETO_OPAQUE fills `rect` with the background colour first, ETO_CLIPPED keeps the text
// inside it; `dx` (may be null) gives each character's advance.
KVAPI BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);
KVAPI BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics);
KVAPI BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, ABC* out);
KVAPI BOOL GetCharWidth32W(HDC hdc, UINT first, UINT last, INT* out);

// Font families (one entry per family, sorted by face name): the faces fontconfig finds, each an outline
// font (TRUETYPE_FONTTYPE) or not (RASTER_FONTTYPE), and for every family that covers Japanese, Chinese
// or Korean a vertical twin whose face name starts with '@'. The LOGFONTW the callback receives heads an
// ENUMLOGFONTEXW and the TEXTMETRICW a NEWTEXTMETRICEXW. EnumFontFamiliesExW lists the families whose face
// name equals the record's lfFaceName (all for an empty one; case is ignored); EnumFontFamiliesW those of
// `family` (all for NULL). Both stop when the callback answers 0 and return its last answer (1 when it was
// not called); 0 with ERROR_INVALID_HANDLE for a handle that is no DC.
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004
#define LF_FULLFACESIZE 64
typedef struct tagENUMLOGFONTEXW {
  LOGFONTW elfLogFont;
  WCHAR elfFullName[LF_FULLFACESIZE];
  WCHAR elfStyle[LF_FACESIZE];
  WCHAR elfScript[LF_FACESIZE];
} ENUMLOGFONTEXW;
static_assert(sizeof(ENUMLOGFONTEXW) == 348 && offsetof(ENUMLOGFONTEXW, elfFullName) == 92);
typedef struct tagNEWTEXTMETRICEXW {
  TEXTMETRICW ntmTm;  // the text metrics as GetTextMetricsW gives them
  DWORD ntmFlags;
  UINT ntmSizeEM;
  UINT ntmCellHeight;
  UINT ntmAvgWidth;
  DWORD ntmFontSig[6];
} NEWTEXTMETRICEXW;
typedef int (*FONTENUMPROCW)(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM data);
KVAPI int EnumFontFamiliesExW(HDC hdc, LOGFONTW* font, FONTENUMPROCW proc, LPARAM data, DWORD flags);
KVAPI int EnumFontFamiliesW(HDC hdc, LPCWSTR family, FONTENUMPROCW proc, LPARAM data);

namespace kvp {
// Frees a drawing object made here (DeleteObject's share for everything that is not a resource bitmap).
// False when the handle is none of ours or the object is still selected into a DC.
bool DeleteDrawingObject(HGDIOBJ object);
}  // namespace kvp

namespace kvp::test {
// Font families for the tests of a font check: AddFontFamily adds a family to the list (or changes
// whether it is an outline font), HideFontFamily takes one off it (the '@' twin too unless named itself),
// ResetFontFamilies puts the list back to what fontconfig finds.
void AddFontFamily(const std::u16string& face, bool outline);
void HideFontFamily(const std::u16string& face);
void ResetFontFamilies();
}  // namespace kvp::test
