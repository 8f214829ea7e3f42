// Value, text and lookup operations of the sheets.
#pragma once
#include "kvplat/types.h"

// 1 when the calling process is the shell (the printers folder), else 0.
int DlgIsExplorerHost();
