// DEVMODE conversion: the size and header work of DrvConvertDevMode, and the copy of a finished
// DEVMODE into a caller's buffer with the smaller of two sizes.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/types.h"

// The size rules of the conversion modes. 0 failed (last error set), 1 converted (CDM_CONVERT,
// CDM_CONVERT351), 2 go on (CDM_DRIVER_DEFAULT with room, or a mode without size work).
int UiConvertDevmodeSizes(const WCHAR* printerName, const DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode);
// Copies `source` into `destination`: without `input` its own dmSize + dmDriverExtra bytes; with one, the
// destination takes dmSize/dmSpecVersion from whichever of the two has the smaller dmSize (the source's
// when equal) and dmDriverExtra/dmDriverVersion from whichever has the smaller dmDriverExtra. 1 copied,
// 0 nothing copied, -1 no destination.
int UiMergeDevmodeSizes(const DEVMODEW* source, const DEVMODEW* input, DEVMODEW* destination);
// 1 when the printer of that name belongs to a remote server.
int UiOpenForConvert(const WCHAR* printerName);
