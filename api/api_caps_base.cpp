// Capability handlers of the base set.
#include "api_caps.h"
#include "driverdata/img_caps.h"

int ApiCapsShiftMargin(SETTING_CONTEXT* ctx, DWORD, void*) {
  LONG minY = 0, maxY = 0;
  return ImgGetShiftMarginRanges(ctx, nullptr, nullptr, &minY, &maxY) ? 1 : 0;
}
