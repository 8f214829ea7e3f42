// Calls from units, regions, platform queries, folders and paths, INI access and resource strings into
// Parts of the driver that are built elsewhere (feature switches, paper geometry, custom paper slots,
// the compiled image, the rule engine, lock and custom-media data, the bidi state, the
// custom-size input module). Declared here with the signatures those Parts give them; paths_seams.cpp
// holds a least body for each, marked weak so that the real definition replaces it once it is linked
// in (its owner then deletes the body here).
#pragma once
#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;

// Paper geometry: source geometry of a paper code (output geometry: StgApplyOutputPaper).
void StgApplySourcePaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);

// Custom paper slots: loads slot 0-9 into the working settings and publishes it.
void CfgLoadFreeSize(SETTING_CONTEXT* ctx, int slot);
// The parts of a custom paper slot that the resource-string decoration reads.
struct FREE_SIZE_VIEW {
  char userName[64];  // ANSI, terminated
  LONG width;         // dots at 1200 dpi
  LONG length;
  SHORT tray;         // stored values of the slot's tray and orientation settings
  SHORT orientation;
};
// 1 and the slot's parts (slot 0-9); 0 when the slot cannot be had.
int CfgReadFreeSizeSlot(SETTING_CONTEXT* ctx, int slot, FREE_SIZE_VIEW* out);

// Custom-size input module: the size limits (dots) of a tray and orientation; selector 1 length,
// 0 width. 1 found, 0 when no row fits.
int StgGetFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD trayKey, DWORD orientKey, LONG* maximum, LONG* minimum,
                         int selector);

// Compiled image: the image's resource library name, or none.
const WCHAR* ImgGetUIResDLLName(SETTING_CONTEXT* ctx);

// Lock and custom-media data: the administrator default store (1 read, 0 failed or no default copy)
// and the custom media records (1 loaded / written, 0 otherwise).

// Bidi state: fetches a printer-data value from the server printer through the remote-configuration
// binding and mirrors it into the local printer's data. TRUE when fetched with the expected size.
struct KV_CONFIG_FUNCS;
BOOL CfgMirrorPrinterDataValue(HANDLE printer, const WCHAR* valueName, DWORD* type, void* dest, DWORD expectedSize,
                               DWORD* size, DWORD registryType, KV_CONFIG_FUNCS* funcs);
