// Least bodies of the bidi INI state until it is built: nothing is parked, nothing restored.
#include "config/bidi_state.h"

#define KV_SEAM __attribute__((weak))

KV_SEAM bool BidiIniFlagSet(SETTING_CONTEXT*) { return false; }
KV_SEAM bool BidiLoadIniSettings(SETTING_CONTEXT*) { return false; }
KV_SEAM bool BidiIniHasFlag(SETTING_CONTEXT*) { return false; }
KV_SEAM DWORD BidiGetPrinterFlag(HANDLE, SETTING_CONTEXT*) { return 0; }
