// Path and file-name helpers of the interface library: printer-handle and context helpers.
#pragma once
#include "kvplat/types.h"

// dest := the printer name of PRINTER_INFO_2 when it is shorter than capacity characters; dest is left
// unchanged when the information cannot be read or the name does not fit. Returns dest.
WCHAR* InstGetPrinterNameCopy(HANDLE printer, WCHAR* dest, DWORD capacity);
