// kvhost api: the capability calls (caps ID..., caps all, allcaps), printed by each capability's form.
#pragma once
#include "kvdrvexc.h"

using ApiGetCapsFn = decltype(&ZARNDrvGetCaps);

// Asks one capability and prints it: a value; a list of numbers; names one a line; a pair.
void PrintCapability(ApiGetCapsFn getCaps, API_HANDLE h, uint32_t id);
// Every capability id the connection supports, each printed by its form.
void PrintAllCapabilities(ApiGetCapsFn getCaps, API_HANDLE h);
// Builds the all-capabilities record, prints its fields by capability and frees it; false when the
// record cannot be built.
bool PrintAllCapsRecord(ApiGetCapsFn getCaps, API_HANDLE h);
