// Stand-ins for the workers of the driver API and the exclusion interface that are not built yet. Each
// gives its export's failure answer; where a connection holds a last error it reads 100.
#include "api_frame.h"
#include "kvdrvexc.h"
#include "kvseam.h"

extern "C" {
KV_SEAM(ExcGetIniFileName) KVEXC_API int32_t ExcGetIniFileName(const char*, int32_t, char*, int32_t*) { return -1; }
KV_SEAM(ExcGetDriverDevmode)
KVEXC_API int32_t ExcGetDriverDevmode(const char*, int32_t, int32_t, void*, int32_t*) { return -1; }
KV_SEAM(ExcGetExclusive) KVEXC_API EXC_HANDLE ExcGetExclusive(const char*) { return nullptr; }
KV_SEAM(ExcFreeExclusive) KVEXC_API void ExcFreeExclusive(EXC_HANDLE) {}
KV_SEAM(ExcGetPrinterOption)
KVEXC_API int32_t ExcGetPrinterOption(EXC_HANDLE, const char*, int32_t, char*, int32_t*) { return -1; }
KV_SEAM(ExcGetPrinterValue)
KVEXC_API int32_t ExcGetPrinterValue(EXC_HANDLE, const char*, int32_t, char*, int32_t*) { return -1; }
KV_SEAM(ExcGetWaterMarkList)
KVEXC_API int32_t ExcGetWaterMarkList(EXC_HANDLE, int32_t, int32_t, char*, int32_t*) { return -1; }
KV_SEAM(ExcSetCommandBase) KVEXC_API int32_t ExcSetCommandBase(EXC_HANDLE, const char*, int32_t*) { return -1; }
KV_SEAM(ExcGetCommandBase) KVEXC_API int32_t ExcGetCommandBase(EXC_HANDLE, int32_t, char*, int32_t*) { return -1; }
KV_SEAM(ExcUpdateCommand) KVEXC_API int32_t ExcUpdateCommand(EXC_HANDLE, const char*, int32_t*) { return -1; }
KV_SEAM(ExcGetCommandChange) KVEXC_API int32_t ExcGetCommandChange(EXC_HANDLE, int32_t, char*, int32_t*) { return -1; }
KV_SEAM(ExcGetCommandValue)
KVEXC_API int32_t ExcGetCommandValue(EXC_HANDLE, const char*, int32_t, int32_t, char*, int32_t*) { return -1; }
}
