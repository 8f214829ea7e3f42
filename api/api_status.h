// The status side of the driver API: the workers of ZARNDrvSetStatus and ZARNDrvGetStatus, and the
// resolution-form probe the status items and the DEVMODE exports share.
#pragma once
#include "kvdrvexc.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

int ApiRunSetStatus(API_HANDLE handle, DWORD id, void* record, BYTE* changed, int mode);
int ApiRunGetStatus(API_HANDLE handle, DWORD id, void* record, DWORD version);

// How the resolution is chosen: 1 a number held by rdmDstResolutionBoth (a numeric node without
// options), 0 one of a list of codes held in rdmDstResolutionW, -1 neither (no node, a node of another
// type, a pick node without options, or a numeric node whose current value is 0).
int ApiGetResolutionForm(SETTING_CONTEXT* ctx);
