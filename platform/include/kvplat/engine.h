// The graphics engine as a printer graphics driver meets it: the driver-interface records (enable data,
// hook rows, device capabilities, surface objects), palettes, bitmaps and surfaces, the engine's code page
// and local time, and the engine's side of a print job: loading a graphics library, enabling it, creating
// a device context and its surface, running the job hooks and releasing everything.
//
// Records that pass between the engine and a driver are pinned to their 64-bit layout. The drawing
// objects (clip, path, string, font, transform, brush, colour translation) are declared here by name and
// completed, with their queries and the engine's fall-back drawing, in engine_draw.h (fonts and strings
// in engine_font.h).
//
// Every engine object (palette, bitmap, device surface) is counted as one allocation of the platform, so
// kvp::test::FailAllocAt reaches their creation too. Handles are checked against the live objects: a
// foreign or deleted handle is refused, never followed.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "kvplat/devmode.h"
#include "kvplat/types.h"

typedef ULONG FLONG;
typedef ULONG MIX;
typedef ULONG ROP4;
typedef ULONG HGLYPH;
typedef LONG LDECI4;
typedef void (*PFN)();  // any hook; cast to its own signature before the call

typedef struct KvEngSurface* HSURF;
typedef HSURF HBM;
typedef void* DHSURF;
typedef void* DHPDEV;
typedef struct KvEngDevice* HDEV;

// The drawing objects, completed by the drawing services.
typedef struct _CLIPOBJ CLIPOBJ;
typedef struct _XLATEOBJ XLATEOBJ;
typedef struct _BRUSHOBJ BRUSHOBJ;
typedef struct _PATHOBJ PATHOBJ;
typedef struct _STROBJ STROBJ;
typedef struct _FONTOBJ FONTOBJ;
typedef struct _XFORMOBJ XFORMOBJ;
typedef struct _LINEATTRS LINEATTRS;
typedef struct _COLORADJUSTMENT COLORADJUSTMENT;
typedef struct _IFIMETRICS IFIMETRICS;
typedef struct _GLYPHDATA GLYPHDATA;
typedef struct tagLOGCOLORSPACEW LOGCOLORSPACEW;

#include "kvplat/gdi_types.h"

// ---- Driver enable data and hook rows ----------------------------------------------------------------

typedef struct _DRVFN {
  ULONG iFunc;
  PFN pfn;
} DRVFN, *PDRVFN;
static_assert(sizeof(DRVFN) == 16 && offsetof(DRVFN, pfn) == 8);

typedef struct tagDRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;
static_assert(sizeof(DRVENABLEDATA) == 16 && offsetof(DRVENABLEDATA, pdrvfn) == 8);

// The engine's interface version handed to DrvEnableDriver.
#define ENG_DDI_VERSION 0x00030101

// Hook indexes (iFunc) of the rows a driver hands back.
#define INDEX_DrvEnablePDEV 0
#define INDEX_DrvCompletePDEV 1
#define INDEX_DrvDisablePDEV 2
#define INDEX_DrvEnableSurface 3
#define INDEX_DrvDisableSurface 4
#define INDEX_DrvResetPDEV 7
#define INDEX_DrvRealizeBrush 12
#define INDEX_DrvDitherColor 13
#define INDEX_DrvStrokePath 14
#define INDEX_DrvFillPath 15
#define INDEX_DrvStrokeAndFillPath 16
#define INDEX_DrvBitBlt 18
#define INDEX_DrvCopyBits 19
#define INDEX_DrvStretchBlt 20
#define INDEX_DrvTextOut 23
#define INDEX_DrvEscape 24
#define INDEX_DrvQueryFont 26
#define INDEX_DrvQueryFontTree 27
#define INDEX_DrvQueryFontData 28
#define INDEX_DrvSendPage 32
#define INDEX_DrvStartPage 33
#define INDEX_DrvEndDoc 34
#define INDEX_DrvStartDoc 35
#define INDEX_DrvGetGlyphMode 37
#define INDEX_DrvQueryAdvanceWidths 53
#define INDEX_DrvStartBanding 57
#define INDEX_DrvNextBand 58
#define INDEX_DrvIcmCreateColorTransform 64
#define INDEX_DrvIcmDeleteColorTransform 65
#define INDEX_DrvStretchBltROP 69
#define INDEX_LAST 128

// DrvQueryDriverInfo queries.
#define DRVQUERY_USERMODE 1

// ---- Device capabilities -----------------------------------------------------------------------------

typedef struct _CIECHROMA {
  LDECI4 x;
  LDECI4 y;
  LDECI4 Y;
} CIECHROMA;

typedef struct _COLORINFO {
  CIECHROMA Red;
  CIECHROMA Green;
  CIECHROMA Blue;
  CIECHROMA Cyan;
  CIECHROMA Magenta;
  CIECHROMA Yellow;
  CIECHROMA AlignmentWhite;
  LDECI4 RedGamma;
  LDECI4 GreenGamma;
  LDECI4 BlueGamma;
  LDECI4 MagentaInCyanDye;
  LDECI4 YellowInCyanDye;
  LDECI4 CyanInMagentaDye;
  LDECI4 YellowInMagentaDye;
  LDECI4 CyanInYellowDye;
  LDECI4 MagentaInYellowDye;
} COLORINFO;
static_assert(sizeof(COLORINFO) == 120 && offsetof(COLORINFO, RedGamma) == 84);

typedef struct _GDIINFO {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;
  ULONG ulVertRes;
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  FLONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
  FLONG flTextCaps;
  ULONG ulDACRed;
  ULONG ulDACGreen;
  ULONG ulDACBlue;
  ULONG ulAspectX;
  ULONG ulAspectY;
  ULONG ulAspectXY;
  LONG xStyleStep;
  LONG yStyleStep;
  LONG denStyleStep;
  POINTL ptlPhysOffset;
  SIZEL szlPhysSize;
  ULONG ulNumPalReg;
  COLORINFO ciDevice;
  ULONG ulDevicePelsDPI;
  ULONG ulPrimaryOrder;
  ULONG ulHTPatternSize;
  ULONG ulHTOutputFormat;
  FLONG flHTFlags;
  ULONG ulVRefresh;
  ULONG ulBltAlignment;
  ULONG ulPanningHorzRes;
  ULONG ulPanningVertRes;
  ULONG xPanningAlignment;
  ULONG yPanningAlignment;
  ULONG cxHTPat;
  ULONG cyHTPat;
  LPBYTE pHTPatA;
  LPBYTE pHTPatB;
  LPBYTE pHTPatC;
  ULONG flShadeBlend;
  ULONG ulPhysicalPixelCharacteristics;
  ULONG ulPhysicalPixelGamma;
} GDIINFO, *PGDIINFO;
static_assert(sizeof(GDIINFO) == 320);
static_assert(offsetof(GDIINFO, ulAspectXY) == 72 && offsetof(GDIINFO, ptlPhysOffset) == 88 &&
              offsetof(GDIINFO, szlPhysSize) == 96 && offsetof(GDIINFO, ulNumPalReg) == 104 &&
              offsetof(GDIINFO, ciDevice) == 108 && offsetof(GDIINFO, ulDevicePelsDPI) == 228 &&
              offsetof(GDIINFO, ulHTPatternSize) == 236 && offsetof(GDIINFO, ulHTOutputFormat) == 240 &&
              offsetof(GDIINFO, flHTFlags) == 244 && offsetof(GDIINFO, cxHTPat) == 272 &&
              offsetof(GDIINFO, pHTPatA) == 280 && offsetof(GDIINFO, flShadeBlend) == 304 &&
              offsetof(GDIINFO, ulPhysicalPixelGamma) == 312);

#define GDIINFO_VERSION 0x500
#define DT_RASPRINTER 2
#define HT_FORMAT_1BPP 0
#define HT_FORMAT_24BPP 6
#define PRIMARY_ORDER_CBA 4
#define HT_FLAG_HAS_BLACK_DYE 0x00000002

typedef struct _DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  USHORT cxDither;
  USHORT cyDither;
  HPALETTE hpalDefault;
  FLONG flGraphicsCaps2;
} DEVINFO, *PDEVINFO;
static_assert(sizeof(DEVINFO) == 312);
static_assert(offsetof(DEVINFO, lfDefaultFont) == 4 && offsetof(DEVINFO, lfAnsiVarFont) == 96 &&
              offsetof(DEVINFO, lfAnsiFixFont) == 188 && offsetof(DEVINFO, cFonts) == 280 &&
              offsetof(DEVINFO, iDitherFormat) == 284 && offsetof(DEVINFO, cxDither) == 288 &&
              offsetof(DEVINFO, cyDither) == 290 && offsetof(DEVINFO, hpalDefault) == 296 &&
              offsetof(DEVINFO, flGraphicsCaps2) == 304);

#define GCAPS_BEZIERS 0x00000001
#define GCAPS_GEOMETRICWIDE 0x00000002
#define GCAPS_ALTERNATEFILL 0x00000004
#define GCAPS_WINDINGFILL 0x00000008
#define GCAPS_HALFTONE 0x00000010
#define GCAPS_OPAQUERECT 0x00000400
#define GCAPS_HORIZSTRIKE 0x00000020
#define GCAPS_DONTJOURNAL 0x00002000
#define GCAPS_FORCEDITHER 0x00800000
#define GCAPS_ICM 0x02000000

// ---- Surfaces ----------------------------------------------------------------------------------------

typedef struct _SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  void* pvBits;
  void* pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
} SURFOBJ;
static_assert(sizeof(SURFOBJ) == 80);
static_assert(offsetof(SURFOBJ, sizlBitmap) == 32 && offsetof(SURFOBJ, cjBits) == 40 && offsetof(SURFOBJ, pvBits) == 48 &&
              offsetof(SURFOBJ, pvScan0) == 56 && offsetof(SURFOBJ, lDelta) == 64 && offsetof(SURFOBJ, iUniq) == 68 &&
              offsetof(SURFOBJ, iBitmapFormat) == 72 && offsetof(SURFOBJ, iType) == 76 && offsetof(SURFOBJ, fjBitmap) == 78);

// Bitmap formats.
#define BMF_1BPP 1
#define BMF_4BPP 2
#define BMF_8BPP 3
#define BMF_16BPP 4
#define BMF_24BPP 5
#define BMF_32BPP 6
// EngCreateBitmap flags and SURFOBJ.fjBitmap bits.
#define BMF_TOPDOWN 0x0001
#define BMF_NOZEROINIT 0x0002
// SURFOBJ.iType.
#define STYPE_BITMAP 0
#define STYPE_DEVICE 1
#define STYPE_DEVBITMAP 3

// EngAssociateSurface hooks.
#define HOOK_BITBLT 0x00000001
#define HOOK_STRETCHBLT 0x00000002
#define HOOK_PLGBLT 0x00000004
#define HOOK_TEXTOUT 0x00000008
#define HOOK_PAINT 0x00000010
#define HOOK_STROKEPATH 0x00000020
#define HOOK_FILLPATH 0x00000040
#define HOOK_STROKEANDFILLPATH 0x00000080
#define HOOK_LINETO 0x00000100
#define HOOK_COPYBITS 0x00000400
#define HOOK_STRETCHBLTROP 0x00002000
#define HOOK_FLAGS 0x0003B5FF

// Palettes.
#define PAL_INDEXED 0x00000001
#define PAL_BITFIELDS 0x00000002
#define PAL_RGB 0x00000004
#define PAL_BGR 0x00000008

typedef struct _ENG_TIME_FIELDS {
  USHORT usYear;
  USHORT usMonth;
  USHORT usDay;
  USHORT usHour;
  USHORT usMinute;
  USHORT usSecond;
  USHORT usMilliseconds;
  USHORT usWeekday;  // 0 = Sunday
} ENG_TIME_FIELDS, *PENG_TIME_FIELDS;
static_assert(sizeof(ENG_TIME_FIELDS) == 16);

// EngCreatePalette: PAL_INDEXED with cColors entries copied from pulColors (0x00BBGGRR each), or a
// format palette (PAL_RGB, PAL_BGR, PAL_BITFIELDS with its three masks). Null for a bad mode, an indexed
// palette without colours, or no memory.
KVAPI HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen,
                                FLONG flBlue);
// EngDeletePalette: TRUE; FALSE for a handle that is not a live palette.
KVAPI BOOL EngDeletePalette(HPALETTE hpal);

// EngCreateBitmap: an engine bitmap of sizl (both at least 1) in iFormat. lWidth is the row size in
// bytes; 0 asks the engine to choose (rows aligned to 32 bits). BMF_TOPDOWN puts row 0 first in memory
// (lDelta positive), otherwise last; the bits are zeroed unless BMF_NOZEROINIT. pvBits must be null
// (the engine owns the bits). Null for bad arguments or no memory.
KVAPI HBM EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, void* pvBits);
// EngCreateDeviceSurface: a surface the driver draws on itself (no bits); null for a bad size or format.
KVAPI HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
// EngAssociateSurface: ties a surface to a device and records the drawing calls the driver hooks for it
// (HOOK_*). FALSE for an unknown surface or device, or hook bits outside HOOK_FLAGS.
KVAPI BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
// EngMarkBandingSurface: marks a bitmap as the banding surface of its device. FALSE for a handle that is
// not a live bitmap.
KVAPI BOOL EngMarkBandingSurface(HSURF hsurf);
// EngDeleteSurface: frees a surface and its bits. FALSE for a handle that is not live or still locked.
KVAPI BOOL EngDeleteSurface(HSURF hsurf);
// EngLockSurface / EngUnlockSurface: the surface's SURFOBJ (null for an unknown handle); each lock needs
// one unlock.
KVAPI SURFOBJ* EngLockSurface(HSURF hsurf);
KVAPI void EngUnlockSurface(SURFOBJ* pso);
// EngEraseSurface: fills prcl (clipped to the bitmap) with iColor in the bitmap's format (1 bpp: bit 0
// of iColor; 24 bpp: 0x00RRGGBB written blue, green, red). FALSE for a device surface or bad arguments.
KVAPI BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);
// EngGetCurrentCodePage: the machine's OEM and ANSI code pages.
KVAPI void EngGetCurrentCodePage(USHORT* OemCodePage, USHORT* AnsiCodePage);
// EngQueryLocalTime: the local time of the platform's clock (virtual when tests set it).
KVAPI void EngQueryLocalTime(PENG_TIME_FIELDS ptf);

// ---- Hook signatures a graphics library serves --------------------------------------------------------

typedef BOOL (*PFN_DrvEnableDriver)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
typedef void (*PFN_DrvDisableDriver)();
typedef BOOL (*PFN_DrvQueryDriverInfo)(DWORD dwMode, void* pBuffer, DWORD cbBuf, DWORD* pcbNeeded);
typedef DHPDEV (*PFN_DrvEnablePDEV)(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                                    ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                    LPWSTR pwszDeviceName, HANDLE hDriver);
typedef void (*PFN_DrvCompletePDEV)(DHPDEV dhpdev, HDEV hdev);
typedef void (*PFN_DrvDisablePDEV)(DHPDEV dhpdev);
typedef BOOL (*PFN_DrvResetPDEV)(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
typedef HSURF (*PFN_DrvEnableSurface)(DHPDEV dhpdev);
typedef void (*PFN_DrvDisableSurface)(DHPDEV dhpdev);
typedef BOOL (*PFN_DrvStartDoc)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
typedef BOOL (*PFN_DrvEndDoc)(SURFOBJ* pso, FLONG fl);
typedef BOOL (*PFN_DrvStartPage)(SURFOBJ* pso);
typedef BOOL (*PFN_DrvSendPage)(SURFOBJ* pso);
typedef BOOL (*PFN_DrvStartBanding)(SURFOBJ* pso, POINTL* pptl);
typedef BOOL (*PFN_DrvNextBand)(SURFOBJ* pso, POINTL* pptl);
typedef ULONG (*PFN_DrvEscape)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, void* pvIn, ULONG cjOut, void* pvOut);

// ---- The engine's side of a print job -----------------------------------------------------------------

namespace kvp::eng {

// One enabled graphics library: its module (null when the entry was handed in directly), the driver
// version it reported and its hooks by index (null where it hooks nothing).
struct Driver {
  HMODULE module = nullptr;
  ULONG driverVersion = 0;
  PFN hooks[INDEX_LAST] = {};
  template <typename F>
  F Hook(ULONG index) const {
    return index < INDEX_LAST ? reinterpret_cast<F>(hooks[index]) : nullptr;
  }
};

// Enables a driver through its DrvEnableDriver entry: copies its hook rows (rows with an index out of
// range are refused). ERROR_SUCCESS; the driver's last error (or ERROR_INVALID_FUNCTION) when it refuses;
// ERROR_INVALID_DATA when its rows are malformed.
DWORD EnableDriver(PFN_DrvEnableDriver entry, Driver* out);
// Loads a graphics library by its machine path (the printer driver's DRIVER_INFO_2 pDriverPath), then
// EnableDriver. ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND, or EnableDriver's result; nothing stays loaded
// on failure.
DWORD LoadDriver(std::u16string_view driverPath, Driver* out);
// Loads the graphics library of an open printer's driver.
DWORD LoadPrinterDriver(HANDLE printer, Driver* out);
// Calls DrvDisableDriver (when exported) and unloads the module.
void UnloadDriver(Driver* driver);

// One device context of the engine: the driver's DHPDEV, the engine's HDEV, the answers the driver gave
// and the surface it enabled.
struct Device {
  const Driver* driver = nullptr;
  HDEV hdev = nullptr;
  DHPDEV dhpdev = nullptr;
  GDIINFO gdiInfo{};
  DEVINFO devInfo{};
  HSURF surface = nullptr;
  SURFOBJ* surfobj = nullptr;  // locked while the surface is enabled
  bool banding = false;        // the surface is a banding bitmap
  bool inDoc = false;
  bool inPage = false;
};

// DrvEnablePDEV with the DEVMODE (or none) and DrvCompletePDEV. ERROR_SUCCESS; the driver's last error
// (ERROR_INVALID_FUNCTION when it set none) when it returns none; ERROR_NOT_SUPPORTED when it lacks the hooks.
DWORD EnablePdev(const Driver& driver, HANDLE printer, LPCWSTR deviceName, const DEVMODEW* devmode, Device* out);
// DrvEnableSurface; locks the surface it returns. ERROR_SUCCESS or the driver's error.
DWORD EnableSurface(Device* dev);
// The job hooks. StartDoc/StartPage/EndPage/EndDoc run DrvStartDoc, DrvStartPage, then at the page's end
// the banding loop (DrvStartBanding, DrvNextBand until the band origin is (-1, -1)) on a banding surface
// or DrvSendPage otherwise, and DrvEndDoc. On a device without a surface the hooks get a surface object
// that carries only the device. Each returns ERROR_SUCCESS or the driver's error; a job hook the
// driver does not hook succeeds.
DWORD StartDoc(Device* dev, LPCWSTR docName, DWORD jobId);
DWORD StartPage(Device* dev);
// drawBand, when given, draws the page into the band bitmap before each band goes out (its argument is
// the band's origin on the page); false from it ends the page with ERROR_INVALID_FUNCTION.
DWORD EndPage(Device* dev, unsigned* bands = nullptr, const std::function<bool(POINTL origin)>* drawBand = nullptr);
DWORD EndDoc(Device* dev);
// DrvEndDoc with ED_ABORTDOC on an open document.
DWORD AbortDoc(Device* dev);
// DrvEscape: the driver's answer; 0 when it hooks no escapes, ULONG(-1) for a device not enabled.
ULONG Escape(Device* dev, ULONG escape, ULONG inSize, void* in, ULONG outSize, void* out);
// Ends an open page or document (DrvEndDoc with ED_ABORTDOC), DrvDisableSurface, DrvDisablePDEV, and frees
// the engine's device record. Safe on a partly enabled device.
void DisablePdev(Device* dev);

#define ED_ABORTDOC 0x00000001

// What the engine holds for tests and hosts.
struct PaletteInfo {
  ULONG mode = 0;
  std::vector<ULONG> colors;
  FLONG masks[3] = {};
};
bool DescribePalette(HPALETTE hpal, PaletteInfo* out);
struct SurfaceInfo {
  bool bitmap = false;
  bool banding = false;
  FLONG hooks = 0;
  HDEV hdev = nullptr;
  int locks = 0;
};
bool DescribeSurface(HSURF hsurf, SurfaceInfo* out);
// Engine objects alive now (palettes, surfaces, devices): a finished job leaves none.
size_t LiveObjectCount();

}  // namespace kvp::eng

// The drawing objects, their queries and the engine's drawing into bitmaps.
#include "kvplat/engine_draw.h"
