// Least bodies of the calls declared in pending_stream.h.
#include "pending_stream.h"

__attribute__((weak)) void StgApplySourcePaper(DWORD, WORD, SETTING_CONTEXT*, DEVMODEW*) {}
