// The geometry step of the forced print quality, kept apart from the image queries' header.
#include "driverdata/rule_judge_internal.h"
#include "kvplat/devmode.h"
#include "settings/paper_geometry.h"

namespace rule_judge {

void RecomputeGeometry(SETTING_CONTEXT* ctx, int mode, DWORD fields) {
  if (!ctx || !ctx->store) return;
  DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(ctx->store->bytes);
  if (mode == 0) {
    StgSyncResolutionFromQuality(dm, ctx);
    if ((fields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == (DM_PAPERLENGTH | DM_PAPERWIDTH))
      StgSetSourcePaperFromDevmode(dm, ctx);
    else
      StgApplySourcePaper(Stored(ctx, sid::dmPaperSize), sid::dmPaperSize, ctx, dm);
  } else {
    StgSyncResolutionFromDst(dm, ctx);
    StgApplySourcePaper(Stored(ctx, sid::dmPaperSize), sid::dmPaperSize, ctx, dm);
  }
  StgApplyOutputPaper(Stored(ctx, sid::rdmOutPaperSize), sid::rdmOutPaperSize, ctx, dm);
}

}  // namespace rule_judge
