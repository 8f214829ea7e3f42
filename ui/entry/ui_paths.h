// Path and file-name helpers of the interface library: printer-handle and context helpers.
#pragma once
#include "kvplat/types.h"

// The printer name copied into dst when strictly shorter than `cch`; dst unchanged when the printer
// information cannot be had or the name does not fit. dst is returned.
WCHAR* InstGetPrinterNameCopy(HANDLE printer, WCHAR* dst, DWORD cch);
