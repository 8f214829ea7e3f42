// The size of a user custom paper slot, read apart from the image queries.
#include "settings/access.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

int StgGetUserSlotSize(SETTING_CONTEXT* ctx, DWORD code, LONG* width, LONG* length) {
  if (!ctx || code < 384 || code > 393 || !width || !length) return 0;
  CfgLoadFreeSize(ctx, (int)(code - 384));
  auto tenths = [ctx](WORD id) {
    LONG dots = (LONG)(int32_t)StgGetValue(ctx, id, nullptr);
    return dots > 0 ? (LONG)StgDotsToLength(STG_UNIT_METRIC, (DWORD)dots, 1200) : 0;
  };
  *width = tenths(sid::wdmFreeSizeWidth);
  *length = tenths(sid::wdmFreeSizeLength);
  return 1;
}
