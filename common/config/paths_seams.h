// Calls from units, regions, platform queries, folders and paths, INI access and resource strings into
// Parts of the driver that are built elsewhere (feature switches, paper geometry, custom paper slots,
// the compiled image, the rule engine, device settings, printer-data and registry accessors, the
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

// Compiled image.
void* ImgFindNode(SETTING_CONTEXT* ctx, WORD id);
// The image's resource library name, or none.
const WCHAR* ImgGetUIResDLLName(SETTING_CONTEXT* ctx);

// Rule engine.
int RuleIsOptionExcluded(SETTING_CONTEXT* ctx, const void* node, DWORD option);
// 0 done, 1 buffer missing or too small (count given), -1 no memory.
int RuleListSelectableValues(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, DWORD* values, DWORD* count, int mode);

// Device settings in printer data.
int CfgSaveDeviceSettings(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, DWORD flags);

// Printer-data and registry accessors.
BOOL CfgGetHelpFileName(WCHAR* dest, DWORD bytes, SETTING_CONTEXT* ctx);
BOOL CfgReadDriverRegValue(const WCHAR* valueName, void* buffer, DWORD bytes);
// Folder named by a printer-data value: 1 valid folder, 0 not usable, -1 no memory or no per-user folder.
int CfgGetPrinterDataDir(HANDLE printer, const WCHAR* valueName, WCHAR* dest, DWORD capacity);
