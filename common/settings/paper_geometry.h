// Paper geometry: the source and output paper sizes, printable areas and offsets of a paper code.
#pragma once
#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;

// Source geometry of a paper code; also writes the DEVMODE's paper length, width and dmFields.
void StgApplySourcePaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
// Destination (output) geometry of a paper code; 1024 takes the source geometry.
void StgApplyOutputPaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
