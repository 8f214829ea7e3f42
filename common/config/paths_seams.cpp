// Least bodies of the calls that units, regions, platform queries, paths, INI access and resource
// strings make into Parts built elsewhere. Each is weak: the real definition takes its place once it is
// linked in, and its owner deletes the body here. A body does only what its callers need to run: a
// light answer ("nothing", "no node", the model's constant), never a parallel mechanism.
#include "config/paths_seams.h"

#include <cstring>

#include "kvplat/error.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"

#define KV_SEAM __attribute__((weak))

KV_SEAM void StgApplySourcePaper(DWORD, WORD, SETTING_CONTEXT*, DEVMODEW*) {}

KV_SEAM void CfgLoadFreeSize(SETTING_CONTEXT*, int) {}

// The published settings of slot n (ids 1118 + 4n ...); no user name is kept without the slot records.
KV_SEAM int CfgReadFreeSizeSlot(SETTING_CONTEXT* ctx, int slot, FREE_SIZE_VIEW* out) {
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
KV_SEAM int StgGetFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD, DWORD, LONG* maximum, LONG* minimum, int selector) {
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  if (maximum) *maximum = (LONG)(selector ? m->customLengthMax : m->customWidthMax);
  if (minimum) *minimum = (LONG)(selector ? m->customLengthMin : m->customWidthMin);
  return 1;
}

// The resource library that the model's driver data file names.
KV_SEAM const WCHAR* ImgGetUIResDLLName(SETTING_CONTEXT* ctx) { return ctx && ctx->image ? u"KV8350us.DLL" : nullptr; }


// Nothing is mirrored without the status-service binding.
KV_SEAM BOOL CfgMirrorPrinterDataValue(HANDLE, const WCHAR*, DWORD*, void*, DWORD, DWORD*, DWORD, KV_CONFIG_FUNCS*) {
  return FALSE;
}
