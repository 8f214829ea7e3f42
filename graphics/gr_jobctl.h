// The graphics library's client of the job-control library.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Imports the job items of the job-control library into the context once per document, when job
// control is on for the printer.
void GrJcImportJobItemsIfOn(SETTING_CONTEXT* context, HANDLE printer, DWORD jobId);
