// Weak least bodies of the calls declared in pending_values.h: nothing is read.
#include "driverdata/pending_values.h"

__attribute__((weak)) int CfgLoadQualityEntryName(SETTING_CONTEXT*, const WCHAR*) { return 0; }
