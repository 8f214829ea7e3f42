// Paper geometry: the source and output paper sizes, printable areas and offsets of a paper code, the
// resolution settings kept in step with the print quality, and the source geometry taken from the
// DEVMODE's own paper length and width.
#pragma once
#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;

// dmYResolution, rdmDstResolutionW and rdmDstResolutionH take dmPrintQuality; the balance macro follows.
void StgSyncResolutionFromQuality(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// rdmDstResolutionH, dmPrintQuality and dmYResolution take rdmDstResolutionW.
void StgSyncResolutionFromDst(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// Source geometry from the DEVMODE's dmPaperLength and dmPaperWidth (tenths of a millimetre).
void StgSetSourcePaperFromDevmode(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// Source geometry of a paper code; also writes the DEVMODE's paper length, width and dmFields.
void StgApplySourcePaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
// Destination (output) geometry of a paper code; 1024 takes the source geometry.
void StgApplyOutputPaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
