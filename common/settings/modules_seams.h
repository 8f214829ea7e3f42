// Calls from the feature modules into the bidirectional device query, which is being built elsewhere
// now. modules_seams.cpp holds a weak least body for each until its owner's definition lands; the
// owner then declares the function in its own header and deletes both lines here.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Queries the device for the state the caller's argument names; true when the query ran.
bool BidiQueryDeviceForState(SETTING_CONTEXT* ctx, void* arg);
// The bin value (dmDefaultSource value) of a device tray code; 0 when not listed.
DWORD BidiTraySelectValue(DWORD trayCode);
