// The lists kept in the driver INI: presets (with their in-memory snapshots), quality entries and
// stamps.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Preset snapshots: mode 0 forget all, 1 restore the key's slot, 2 save it, 3 free all.
int CfgPresetSnapshot(SETTING_CONTEXT* ctx, const WCHAR* presetKey, int mode);
// "StampCount" of the region section (0 when absent).
int CfgGetStampCount(SETTING_CONTEXT* ctx);
// Saves the watermark settings as stamp n.
void CfgSaveStamp(SETTING_CONTEXT* ctx, int n);
