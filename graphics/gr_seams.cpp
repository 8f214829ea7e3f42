// Least body of the one operation of the graphics library that another Part still has to build: the
// import of the job-control items at the start of a job.
#include "gr_jobctl.h"
#include "kvseam.h"

KV_SEAM(GrJcImportJobItemsIfOn) void GrJcImportJobItemsIfOn(SETTING_CONTEXT*, HANDLE, DWORD) {}
