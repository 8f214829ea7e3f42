// Calls from paths, regions, units and resource strings into Parts that are being built elsewhere now
// (the feature bitmap, device settings, printer-data and registry accessors). paths_seams.cpp holds a
// weak least body for each until its owner's definition lands; the owner then declares the function in
// its own header and deletes both lines here.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Feature switches: bit n of the process-wide feature bitmap.
int StgIsFeatureBitSet(DWORD bit);

// Device settings in printer data.
int CfgSaveDeviceSettings(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, DWORD flags);

// Printer-data and registry accessors.
BOOL CfgGetHelpFileName(WCHAR* dest, DWORD bytes, SETTING_CONTEXT* ctx);
BOOL CfgReadDriverRegValue(const WCHAR* valueName, void* buffer, DWORD bytes);
// Folder named by a printer-data value: 1 valid folder, 0 not usable, -1 no memory or no per-user folder.
int CfgGetPrinterDataDir(HANDLE printer, const WCHAR* valueName, WCHAR* dest, DWORD capacity);
