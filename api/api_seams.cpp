// Stand-ins for the workers of the driver API and the exclusion interface that are not built yet. Each
// gives its export's failure answer; where a connection holds a last error it reads 100.
#include "api_frame.h"
#include "api_status.h"
#include "kvdrvexc.h"
#include "kvseam.h"

KV_SEAM(ApiRunSetStatus) int ApiRunSetStatus(API_HANDLE handle, DWORD, void*, BYTE*, int) {
  ApiSetLastError(handle, API_ERROR_GENERAL);
  return -1;
}
KV_SEAM(ApiRunGetStatus) int ApiRunGetStatus(API_HANDLE handle, DWORD, void*, DWORD) {
  ApiSetLastError(handle, API_ERROR_GENERAL);
  return -1;
}
