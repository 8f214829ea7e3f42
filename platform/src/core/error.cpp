// Per-thread last-error value.
#include "kvplat/error.h"

namespace {
thread_local DWORD g_lastError = 0;
}

KVAPI DWORD GetLastError(void) { return g_lastError; }
KVAPI void SetLastError(DWORD code) { g_lastError = code; }
