// Least bodies of the calls that units, regions, platform queries, paths, INI access and resource
// strings make into Parts that are not built yet. Each is a stand-in (kvseam.h): the real definition,
// once it is built, replaces it and its owner deletes the body here. A body does only what its callers
// need to run: a light answer ("nothing", the model's constant), never a parallel mechanism.
#include "config/paths_seams.h"

#include <cstring>

#include "config/free_size.h"
#include "config/printer_data.h"
#include "driverdata/rule_value_lists.h"
#include "kvplat/error.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvseam.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/free_size_module.h"
#include "settings/model_tables.h"

// ---- Custom paper slots.

KV_SEAM(CfgLoadFreeSize) void CfgLoadFreeSize(SETTING_CONTEXT*, int) {}
KV_SEAM(CfgLoadAllFreeSizes) void CfgLoadAllFreeSizes(SETTING_CONTEXT*) {}
KV_SEAM(CfgFreeSizePaperToIndex) int CfgFreeSizePaperToIndex(DWORD paper, SETTING_CONTEXT*) {
  if (paper >= 384 && paper <= 393) return (int)(paper - 384);
  return paper == 256 ? 10 : paper == 448 ? 11 : 0;
}
KV_SEAM(CfgLoadBuiltinFreeSize) void CfgLoadBuiltinFreeSize(SETTING_CONTEXT*, DWORD, int) {}
KV_SEAM(CfgSelectFreeSizeSlot) void CfgSelectFreeSizeSlot(SETTING_CONTEXT*, int) {}

// The published settings of slot n (ids 1118 + 4n ...); no user name is kept without the slot records.
KV_SEAM(CfgReadFreeSizeSlot) int CfgReadFreeSizeSlot(SETTING_CONTEXT* ctx, int slot, FREE_SIZE_VIEW* out) {
  if (!ctx || !out || slot < 0 || slot > 9) return 0;
  std::memset(out, 0, sizeof(*out));
  WORD base = (WORD)(1118 + 4 * slot);
  out->width = (LONG)StgGetOptionValue(ctx, base, nullptr);
  out->length = (LONG)StgGetOptionValue(ctx, (WORD)(base + 1), nullptr);
  out->tray = (SHORT)StgGetValue(ctx, (WORD)(base + 2), nullptr);
  out->orientation = (SHORT)StgGetValue(ctx, (WORD)(base + 3), nullptr);
  return 1;
}

// The model's own custom-size limits, whatever the tray and orientation.
KV_SEAM(StgGetFreeSizeLimits) int StgGetFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD, DWORD, LONG* maximum, LONG* minimum, int selector) {
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  if (maximum) *maximum = (LONG)(selector ? m->customLengthMax : m->customWidthMax);
  if (minimum) *minimum = (LONG)(selector ? m->customLengthMin : m->customWidthMin);
  return 1;
}

KV_SEAM(RuleListSelectableValues) int RuleListSelectableValues(SETTING_CONTEXT*, WORD, DWORD, DWORD*, DWORD* count, int) {
  if (count) *count = 0;
  return 0;
}

// Nothing is mirrored without the status-service binding.
KV_SEAM(CfgMirrorPrinterDataValue)
BOOL CfgMirrorPrinterDataValue(HANDLE, const WCHAR*, DWORD*, void*, DWORD, DWORD*, DWORD, KV_CONFIG_FUNCS*) {
  return FALSE;
}
