// DEVMODE and quality exports of the driver API, and the settings routines they share with the status
// engine: the public DEVMODE's sync, UI and shift-margin resets, resolution and paper checks, and values
// read from a saved store.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct SETTING_STORE;
struct ITEM_DESC;

// The job-control items the DEVMODE exports read after building settings.
constexpr DWORD API_JOB_ITEM_MASK = 0x389F;

// The steps of ZARNDrvGetDevmode on a settings context (a connection's, or one of the exclusion
// interface's own, which keeps no last error): the DEVMODE size, the context's DEVMODE copied to `out`
// when given; -1 with last error 1 for flags without 0x1, 0x2 or 0x4. The caller holds the printer open
// in the context's printer fields.
int ApiBuildDevmode(SETTING_CONTEXT* ctx, int flags, void* out);

void ApiSyncPublicDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* dm);
// Paper size from a status-7 record: code (u32 at byte 4), width (at byte 8) and length (at 12) in the
// display unit, stored in 0.1 mm; a size beyond the DEVMODE fields leaves them 0 and names the code.
void ApiSetCustomPaperFields(SETTING_CONTEXT* ctx, const void* record);
void ApiResetUiState(SETTING_CONTEXT* ctx, int flags);
void ApiTakeQualityPlanes(SETTING_CONTEXT* ctx);
void ApiResetShiftIfUnsupported(SETTING_CONTEXT* ctx);
void ApiApplyResolutionBoth(SETTING_CONTEXT* ctx);
void ApiSetOsKind(SETTING_CONTEXT* ctx);
void ApiInitPlatformFields(SETTING_CONTEXT* ctx);
bool ApiNeedsLowResolution(SETTING_CONTEXT* ctx);
bool ApiPageFitsResolution(SETTING_CONTEXT* ctx);
// Re-derives the resolution and the source and output paper geometry from the DEVMODE.
void ApiRederivePaper(SETTING_CONTEXT* ctx);

// A setting's value in a saved store: the address of its bytes (none for a setting outside blocks 1-3 or
// past the store), and the value decoded by its type code.
const BYTE* ApiFindSavedValue(const ITEM_DESC* item, const SETTING_STORE* saved);
uint64_t ApiReadSavedValue(const ITEM_DESC* item, const SETTING_STORE* saved);
