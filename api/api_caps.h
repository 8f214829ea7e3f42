// The capability side of the driver API: the dispatcher, the status-id map, the all-capabilities record
// and the capability handlers.
#pragma once
#include "kvdrvexc.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The dispatcher behind ZARNDrvGetCaps for every id other than 0, 0x80000001 and 0x80000002.
int ApiRunGetCaps(API_HANDLE handle, DWORD id, void* buffer);
// The map of supported status ids (capability 0): its length (32 or 64), the map written when given.
int ApiGetStatusIdMap(API_HANDLE handle, void* buffer);
// Capability 0x80000001: builds the all-capabilities record into *buffer; 0x80000002 frees it.
int ApiBuildAllCaps(API_HANDLE handle, void* buffer);
int ApiFreeAllCaps(API_HANDLE handle, void* buffer);

// Capability 34 (shift margin): 1 when the compiled image has the range of rdmShiftMarginY, else 0.
int ApiCapsShiftMargin(SETTING_CONTEXT* ctx, DWORD id, void* buffer);
