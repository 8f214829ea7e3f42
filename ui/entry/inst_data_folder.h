// The driver data folder of the printer interface library and its file helpers.
#pragma once
#include "kvplat/spooler.h"
#include "kvplat/types.h"

// The machine data folder of a printer (the common data folder on systems of major version 5 or later,
// else the system folder) into buf: its length, 0 when it cannot be had.
DWORD InstGetDataDirForPrinter(WCHAR* buf, DWORD cch, HANDLE printer, const PRINTER_INFO_2W* info);
