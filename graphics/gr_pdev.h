// The device context of the graphics library (GR_PDEV): one print job's or information context's
// settings snapshot, page geometry, surfaces, stream and caches, all held in the context's private heap.
#pragma once
#include "gr_heap.h"
#include "gr_state.h"
#include "zs_stream.h"
#include "kvplat/engine.h"
#include "kvplat/sysinfo.h"

struct SETTING_CONTEXT;
struct PLUGIN_LIST;
struct NAME_LIST;
struct GR_PDEV;
struct ZARN_FILTER_INTERFACE;

constexpr DWORD GR_PDEV_MAGIC = 0x19651013;
constexpr ULONG GR_DRIVER_VERSION = 0x30101;
constexpr ULONG GR_MIN_ENGINE_VERSION = 0x30000;
constexpr DWORD GR_MAX_DRIVER_PATH = 240;  // characters of a driver path the library accepts

// State flags.
constexpr DWORD GR_STATE_DOC_STARTED = 0x4;
constexpr DWORD GR_STATE_OUTPUT_ERROR = 0x8;
constexpr DWORD GR_STATE_PAGE_OPEN = 0x8000;
constexpr DWORD GR_STATE_TAKEN_OVER = 0x100000;

// The glyphs the printer keeps for the current page.
struct GR_GLYPH_CACHE {
  struct GR_GLYPH_ENTRY* buckets[1024];
  SHORT generation;
};

typedef int (*PFN_IZARNGetInterface)(DWORD request, ZARN_FILTER_INTERFACE** iface);
typedef void (*PFN_IZARNDisposeInterface)(ZARN_FILTER_INTERFACE* iface);

struct GR_PDEV {
  DWORD magic;                        // 1
  SETTING_CONTEXT* settings;          // 2
  GR_HEAP heap;                       // 3
  HANDLE printer;                     // 4
  HDEV hdev;                          // 5
  HSURF surface;                      // 6
  HPALETTE palette;                   // 7
  DWORD state;                        // 8
  DWORD paperWidthDot, paperLengthDot;          // 9
  LONG printWidthDot, printLengthDot;           // 10
  LONG printWidthMM10, printLengthMM10;         // 11 0.1 mm
  LONG offsetX, offsetY;                        // 12
  LONG pageCount;                     // 13
  HMODULE module;                     // 14
  SHORT copies;                       // 15
  SHORT rasterMode;                   // 16
  SHORT colorProcess;                 // 17
  WORD resolution;                    // 18
  SHORT languageId;                   // 19
  SHORT passThrough;                  // 20
  DWORD colorMachine;                 // 21
  DWORD emfSpool;                     // 22
  DWORD colorMode;                    // 23
  SHORT printAreaKind;                // 24
  DWORD deviceFontDefault;            // 25
  DWORD faceNameRule;                 // 26
  DWORD drawingSuppressed;            // 27
  SHORT oneBitSurface;                // 28
  SHORT noStretchBltRop;              // 29
  DWORD hidden2Func11;                // 30
  char* jobName;                      // 31
  SHORT jobNameBytes;
  void* fontTable;                    // 32
  GR_CLIP_CACHE* clipCache;
  GR_BRUSH solidBrush;                // 33
  ZARN_STREAM stream;                 // 34
  GR_DRAW_STATE drawState;            // 35
  DWORD bandX, bandY;                 // 36
  LONG pageWidthPx, pageHeightPx;
  WCHAR outputLibrary[MAX_PATH];      // 37
  HANDLE colorTransform, colorProfile;  // 38
  BYTE colorMatching, icmType;        // 39
  DWORD textAsBitmap;                 // 40
  GR_GLYPH_CACHE glyphCache;          // 41
  DWORD printMethod;                  // 42
  DEVMODEW* devmode;                  // 43
  DWORD jobId;                        // 44
  LONG startPageSeen;                 // 45
  DWORD takeOver;                     // 46
  DWORD apiUse;                       // 47
  DWORD previewPrint;                 // 48
  DWORD printMethod7;                 // 49
  OSVERSIONINFOW osVersion;           // 50
  DWORD directImage;                  // 51
  LONG filterChainInUse;              // 52
  PLUGIN_LIST* filterPlugins;         // 53
  NAME_LIST* filterNames;
  LONG rawPluginPresent;              // 54
  ZARN_FILTER_INTERFACE* filterInterface;  // 55
  PFN_IZARNGetInterface filterGetInterface;  // 56
  PFN_IZARNDisposeInterface filterDisposeInterface;
  DWORD magicEnd;                     // 57
};

// 1 when the context is non-null and both magic words hold.
BOOL GrIsValidPdev(const GR_PDEV* pdev);
// Reads the settings snapshot, the page geometry, the direct-image flag, the filter plug-ins of the
// driver folder and the output library name into the context. Always 1.
int GrLoadPdevSettings(GR_PDEV* pdev);
// Paper, printable size and offsets of the current settings.
void GrLoadPageGeometry(GR_PDEV* pdev);
// The folder of the printer's graphics library ("C:\...", no trailing backslash), or with withLibrary
// that folder, a backslash and the output library's file name, into buffer (cch characters). FALSE when
// the driver cannot be read, its path is longer than 240 characters or has no folder, the context has
// no output library name (withLibrary), or the result does not fit (buffer left empty). The process's
// environment is never changed: libraries are loaded by their full paths.
BOOL GrGetDriverDirectory(GR_PDEV* pdev, HANDLE printer, WCHAR* buffer, DWORD cch, BOOL withLibrary);
// Frees the DEVMODE copy, releases the settings context and destroys the private heap with the context.
void GrFreePdev(GR_PDEV* pdev);

// Device capabilities (run by DrvEnablePDEV): a zeroed GDIINFO / DEVINFO of which min(size, record size)
// bytes reach the caller. GrFillDevInfo creates the default palette; FALSE when it cannot.
BOOL GrFillGdiInfo(GR_PDEV* pdev, ULONG size, GDIINFO* out);
BOOL GrFillDevInfo(GR_PDEV* pdev, ULONG size, DEVINFO* out);
// Halftone pattern size for a resolution pair (the smaller one decides).
ULONG GrHalftonePatternSize(ULONG xDpi, ULONG yDpi);
// Character set of an ANSI code page (0 for a code page not in the table).
BYTE GrCodePageToCharset(UINT codePage);
// The height of a band of a banding bitmap for a page width and height in pixels.
LONG GrBandHeight(LONG pageWidth, LONG pageHeight);
// The page rectangle a finished band covers: the band bitmap at the context's band origin, cut at the
// page's bottom edge. True when it is the page's last band (it reaches the bottom edge).
bool GrBandRect(const GR_PDEV* pdev, const SURFOBJ* band, RECTL* rect);
