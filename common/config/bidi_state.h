// Bidi state kept in the bidi INI between device queries, and its reload into a settings context.
#pragma once

#include "kvplat/types.h"

struct SETTING_CONTEXT;

// True when "BidiFlag" of the bidi INI (default 0) is non-zero for the context's printer.
bool BidiIniFlagSet(SETTING_CONTEXT* ctx);
// Restores the device-query results parked in the bidi INI into the context; the read's result.
bool BidiLoadIniSettings(SETTING_CONTEXT* ctx);
// True when the bidi INI holds a "BidiFlag" for the context's printer.
bool BidiIniHasFlag(SETTING_CONTEXT* ctx);
// Bit 0 of the printer-data value "BidiFlag" (0 when absent).
DWORD BidiGetPrinterFlag(HANDLE printer, SETTING_CONTEXT* ctx);
