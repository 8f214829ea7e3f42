// Calls from paths, regions, units and resource strings into Parts that are being built elsewhere now
// (none at present). paths_seams.cpp holds a weak least body for each until its owner's definition
// lands; the owner then declares the function in its own header and deletes both lines here.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;


