// Value, text and lookup operations of the sheets.
#pragma once
#include "kvplat/types.h"

// 1 when the calling process is the shell (the printers folder), else 0.
int DlgIsExplorerHost();

struct SETTING_CONTEXT;

// 1 when the printer's PRINTER_INFO_2 has a DEVMODE, 0 when it has none or cannot be read.
int DlgPrinterHasDevmode(HANDLE printer);
// The stored administrator lock information (rdmLockInfoLockInfo).
DWORD DlgLockInfo(SETTING_CONTEXT* ctx);
