// Status items: the rules the single-value items share.
#include "api_services.h"
#include "api_status.h"
#include "driverdata/dfc_image.h"
#include "settings/access.h"
#include "settings/setting_ids.h"

int ApiGetResolutionForm(SETTING_CONTEXT* ctx) {
  IMG_REF node = ApiFindSettingNode(sid::rdmDstResolutionW, ctx);
  if (!node) return -1;
  IMG_REF options = ImgNodeOptions(node);
  int count = options ? ImgCountList(options) : 0;
  WORD type = dfc::BaseType(ImgNodeType(node));
  uint64_t value = StgGetValue(ctx, sid::rdmDstResolutionW, nullptr);
  if (type == dfc::kTypePickOne) return count > 0 ? 0 : -1;
  if (type != dfc::kTypeNumeric || (value & 0xFFFF) == 0) return -1;
  return count == 0 ? 1 : 0;
}
