// The graphics library's own copy of the localized texts handed over at the start of a document.
#include "gr_pjl.h"

STRING_HANDOVER_ROW GR_STRING_TABLE[kStringHandoverRows] = {{731, 15000, {}}, {733, 15001, {}}, {735, 15002, {}}, {0, 0, {}}};
