// The limits of a custom-size control as the number controls show them.
#include "settings/free_size_module.h"
#include "settings/units.h"

int StgGetPaperOptionSize(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, LONG* minimum, LONG* maximum) {
  LONG mx = 0, mn = 0;
  if (!ctx || !control || !StgGetFreeSizeControlLimits(ctx, control, &mx, &mn)) return 0;
  if (minimum) *minimum = StgDotsToDisplayUnits(ctx, 0, mn);
  if (maximum) *maximum = StgDotsToDisplayUnits(ctx, 0, mx);
  return 1;
}
