// Calls from paths, regions, units and resource strings into Parts that are being built elsewhere now
// (the bidi state). paths_seams.cpp holds a
// weak least body for each until its owner's definition lands; the owner then declares the function in
// its own header and deletes both lines here.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;


// Bidi state: fetches a printer-data value from the server printer through the remote-configuration
// binding and mirrors it into the local printer's data. TRUE when fetched with the expected size.
struct KV_CONFIG_FUNCS;
BOOL CfgMirrorPrinterDataValue(HANDLE printer, const WCHAR* valueName, DWORD* type, void* dest, DWORD expectedSize,
                               DWORD* size, DWORD registryType, KV_CONFIG_FUNCS* funcs);
