// Paper geometry: the source and output paper settings (lengths, printable area and offsets in device
// dots) computed from paper codes, the image's printable areas, the custom paper slots and the
// DEVMODE's own size, and the resolution settings kept in step with the print quality.
#pragma once
#include <cstdint>

#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;

// Record of module events 44 and 45 (a custom size was taken / written into the DEVMODE). A module
// that answers event 45 with handled non-zero keeps the DEVMODE's own length and width.
struct STG_CUSTOM_SIZE_ARG {
  DEVMODEW* dm;
  uint64_t handled;
};

// The largest custom size, in 1200-dpi dots, whose length in tenths of a millimetre still fits the
// DEVMODE's 16-bit dmPaperLength / dmPaperWidth.
constexpr DWORD STG_FREE_SHORT_MAX_DOTS = 154771;

// dmYResolution, rdmDstResolutionW and rdmDstResolutionH take dmPrintQuality; the balance macro follows.
void StgSyncResolutionFromQuality(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// rdmDstResolutionH, dmPrintQuality and dmYResolution take rdmDstResolutionW.
void StgSyncResolutionFromDst(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// Source geometry from the DEVMODE's dmPaperLength and dmPaperWidth (tenths of a millimetre).
void StgSetSourcePaperFromDevmode(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// Source geometry (settings 40-45) of a paper code mapped through setting `settingId`; also writes the
// DEVMODE's length, width and field bits. A custom slot is clamped to the model's custom-size limits
// and raises rdmFuncSelectFreeShortOver when it does not fit the DEVMODE. A paper the rules refuse or
// the image has no printable area for leaves the geometry as it was. The landscape variant swaps a
// custom slot's length and width when dmOrientation is 2.
void StgApplySourcePaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
void StgApplySourcePaperLandscape(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
// Output geometry (settings 47-52, 596, 597) of a paper code; 1024 means the source paper.
void StgApplyOutputPaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
// The output geometry with the paper kept in the page's orientation (`pageOriented`): 1024 copies the
// source geometry whatever the document paper is (a custom slot document paper is then selected), and a
// custom slot lying landscape (its orientation 2) gives its size exchanged.
void StgApplyOutputPaperWith(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm, bool pageOriented);
void StgApplyOutputPaperLandscape(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
