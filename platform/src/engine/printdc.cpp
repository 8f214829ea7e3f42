// The printer device context of applications.
#include "kvplat/printdc.h"

#include "kvplat/error.h"

// No printer device context can be created yet: every context handed in is refused.
KVAPI int ExtEscape(HDC, int, int, LPCSTR, int, LPSTR) {
  SetLastError(ERROR_INVALID_HANDLE);
  return -1;
}
