// Source and output paper geometry and the resolution settings that follow the print quality.
#include "settings/paper_geometry.h"
#include "settings/library_hooks.h"

#include <algorithm>

#include "driverdata/img_image.h"
#include "kvplat/devmode.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "driverdata/rule_values.h"
#include "driverdata/img_caps.h"
#include "config/driver_lists.h"
#include "config/free_size.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "driverdata/rule_values.h"

namespace {

DWORD Val(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, int64_t v) { StgSetValue(ctx, id, (uint64_t)(DWORD)(int32_t)v); }

// A span of `paper` dots less a margin on both sides; a paper narrower than its margins has no
// printable span rather than a wrapped-around one.
int64_t Printable(int64_t paper, int64_t margin) { return std::max<int64_t>(0, paper - 2 * margin); }

// Printable area of the image option to which `code` maps through the item of `settingId`.
struct Area {
  IMG_RECT rect{};
  LONG paper[2]{};  // width, length (dots at the current resolution)
  bool found = false;
};
Area AreaOf(SETTING_CONTEXT* ctx, DWORD code, WORD settingId) {
  Area a;
  ITEM_DESC* row = StgFindItem(ctx, settingId);
  DWORD option = row ? StgMapToOption(ctx, row, code) : code;
  a.found = ImgGetPaperArea(ctx, &a.rect, a.paper, option) != 0;
  return a;
}

bool IsSlot(DWORD code, SETTING_CONTEXT* ctx) { return code && RuleIsCustomSlotPaper(code, ctx); }

// A custom-slot dimension (1200-dpi dots) brought inside the model's limits of setting 916 / 917,
// compared in display units as the dialogs show them.
LONG ClampToLimits(SETTING_CONTEXT* ctx, WORD id, LONG dots) {
  LONG lo = 0, hi = 0;
  if (!StgGetCustomSizeLimits(ctx, id, &lo, &hi)) return dots;
  LONG shown = StgDotsToDisplayUnits(ctx, 0, dots);
  if (shown < lo) return StgDisplayUnitsToDots(ctx, 0, lo);
  if (shown > hi) return StgDisplayUnitsToDots(ctx, 0, hi);
  return dots;
}

void SetBits(DEVMODEW* dm, DWORD bits, bool on) {
  if (on) dm->dmFields |= bits;
  else dm->dmFields &= ~bits;
}


// The paper and printable sizes of a standard paper's area into the four settings from lengthId on
// (paper length, width, printable length, width); a printable size never goes below zero.
static_assert(sid::rdmSrcPaperPrnWidthDot == sid::rdmSrcPaperLengthDot + 3 &&
              sid::rdmDstPaperPrnWidthDot == sid::rdmDstPaperLengthDot + 3);
void SetAreaSizes(SETTING_CONTEXT* ctx, WORD lengthId, const Area& a) {
  Set(ctx, lengthId, a.paper[1]);
  Set(ctx, (WORD)(lengthId + 1), a.paper[0]);
  Set(ctx, (WORD)(lengthId + 2), std::max<int64_t>(0, (int64_t)a.rect.bottom - a.rect.top));
  Set(ctx, (WORD)(lengthId + 3), std::max<int64_t>(0, (int64_t)a.rect.right - a.rect.left));
}

void SourcePaper(DWORD code, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm, bool landscapeSwap) {
  if (!ctx || !ctx->store || !dm) return;
  Area a = AreaOf(ctx, code, settingId);
  Set(ctx, sid::rdmFuncSelectFreeShortOver, 0);
  const int64_t left = a.found ? a.rect.left : 0, top = a.found ? a.rect.top : 0;
  if (IsSlot(code, ctx)) {
    CfgLoadAllFreeSizes(ctx);
    int slot = CfgFreeSizePaperToIndex(code, ctx);
    CfgLoadBuiltinFreeSize(ctx, code, slot);
    CfgSelectFreeSizeSlotSrc(ctx, slot);
    DWORD d = Val(ctx, sid::rdmDstResolutionW);
    LONG width = ClampToLimits(ctx, sid::wdmFreeSizeWidth, (LONG)(int32_t)Val(ctx, sid::wdmSrcFreeSizeWidth));
    LONG length = ClampToLimits(ctx, sid::wdmFreeSizeLength, (LONG)(int32_t)Val(ctx, sid::wdmSrcFreeSizeLength));
    width = std::max<LONG>(0, width), length = std::max<LONG>(0, length);
    bool swap = landscapeSwap && dm->dmOrientation == DMORIENT_LANDSCAPE;
    DWORD l = (DWORD)(swap ? width : length), w = (DWORD)(swap ? length : width);
    bool over = l > STG_FREE_SHORT_MAX_DOTS || w > STG_FREE_SHORT_MAX_DOTS;
    Set(ctx, sid::rdmFuncSelectFreeShortOver, over ? 1 : 0);
    int64_t rl = StgRescale(l, 1200, d), rw = StgRescale(w, 1200, d);
    Set(ctx, sid::rdmSrcPaperLengthDot, rl);
    Set(ctx, sid::rdmSrcPaperWidthDot, rw);
    Set(ctx, sid::rdmSrcPaperPrnLengthDot, Printable(rl, top));
    Set(ctx, sid::rdmSrcPaperPrnWidthDot, Printable(rw, left));
    Set(ctx, sid::rdmSrcXOffset, left);
    Set(ctx, sid::rdmSrcYOffset, top);
    // The DEVMODE keeps the slot's own orientation: the swap is only for the geometry.
    if (over) {
      dm->dmPaperLength = 0;
      dm->dmPaperWidth = 0;
      SetBits(dm, DM_PAPERLENGTH | DM_PAPERWIDTH, false);
    } else {
      STG_CUSTOM_SIZE_ARG arg{dm, 0};
      StgBroadcastModuleEvent(ctx, STG_EVENT_CUSTOM_SIZE_WRITTEN, &arg);
      if (!arg.handled) {
        dm->dmPaperLength = (SHORT)StgDotsToLength(STG_UNIT_METRIC, (DWORD)length, 1200);
        dm->dmPaperWidth = (SHORT)StgDotsToLength(STG_UNIT_METRIC, (DWORD)width, 1200);
      }
      SetBits(dm, DM_PAPERLENGTH | DM_PAPERWIDTH, true);
    }
  } else {
    if (!RuleIsValidPaperSize(code, ctx) || !a.found) return;
    SetAreaSizes(ctx, sid::rdmSrcPaperLengthDot, a);
    Set(ctx, sid::rdmSrcXOffset, left);
    Set(ctx, sid::rdmSrcYOffset, top);
    LONG size[2];
    if (ImgGetPaperSizeOf(ctx, size, sid::dmPaperSize)) {
      dm->dmPaperWidth = (SHORT)size[0];
      dm->dmPaperLength = (SHORT)size[1];
    }
    SetBits(dm, DM_PAPERLENGTH | DM_PAPERWIDTH, false);
  }
  dm->dmFields |= DM_PAPERSIZE;
}

void OutputPaper(DWORD code, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm, bool landscapeSwap,
                 bool pageOriented = false) {
  if (!ctx || !ctx->store || !dm) return;
  LONG size[2];
  if (ImgGetOutPaperSize(ctx, size)) {
    Set(ctx, sid::rdmDstPaperLengthMM, size[1]);
    Set(ctx, sid::rdmDstPaperWidthMM, size[0]);
  }
  auto copySource = [ctx] {
    for (WORD i = 0; i < 6; ++i) Set(ctx, (WORD)(sid::rdmDstPaperLengthDot + i), Val(ctx, (WORD)(sid::rdmSrcPaperLengthDot + i)));
  };
  if (code == 1024 && pageOriented) {
    // The source geometry already lies as the page does: recomputing it from the paper code would turn
    // an exchanged size back.
    copySource();
    DWORD document = (DWORD)(LONG)dm->dmPaperSize;
    if (IsSlot(document, ctx)) {
      CfgLoadAllFreeSizes(ctx);
      int slot = CfgFreeSizePaperToIndex(document, ctx);
      CfgLoadBuiltinFreeSize(ctx, document, slot);
      CfgSelectFreeSizeSlot(ctx, slot);
    }
    return;
  }
  if (code == 1024) {
    code = (DWORD)(int32_t)StgGetValue(ctx, sid::dmPaperSize, nullptr);
    if (IsSlot(code, ctx)) {
      copySource();
      return;
    }
  }
  ITEM_DESC* row = StgFindItem(ctx, settingId);
  WORD through = row && StgHasOptionValue(ctx, row, code) ? settingId : (WORD)sid::dmPaperSize;
  Area a = AreaOf(ctx, code, through);
  const int64_t left = a.found ? a.rect.left : 0, top = a.found ? a.rect.top : 0;
  if (IsSlot(code, ctx)) {
    CfgLoadAllFreeSizes(ctx);
    int slot = CfgFreeSizePaperToIndex(code, ctx);
    CfgLoadBuiltinFreeSize(ctx, code, slot);
    CfgSelectFreeSizeSlot(ctx, slot);
    DWORD x = Val(ctx, sid::rdmDstResolutionW), y = Val(ctx, sid::rdmDstResolutionH);
    DWORD width = (DWORD)std::max<LONG>(0, (LONG)(int32_t)Val(ctx, sid::wdmFreeSizeWidth));
    DWORD length = (DWORD)std::max<LONG>(0, (LONG)(int32_t)Val(ctx, sid::wdmFreeSizeLength));
    if (landscapeSwap && dm->dmOrientation == DMORIENT_LANDSCAPE) std::swap(width, length);
    if (pageOriented && Val(ctx, sid::wdmFreeSizeOrient) == DMORIENT_LANDSCAPE) std::swap(width, length);
    int64_t rl = StgRescale(length, 1200, y), rw = StgRescale(width, 1200, x);
    Set(ctx, sid::rdmDstPaperLengthDot, rl);
    Set(ctx, sid::rdmDstPaperWidthDot, rw);
    Set(ctx, sid::rdmDstPaperPrnLengthDot, Printable(rl, top));
    Set(ctx, sid::rdmDstPaperPrnWidthDot, Printable(rw, left));
  } else {
    if (!RuleIsValidPaperSize(code, ctx) || !a.found) return;
    SetAreaSizes(ctx, sid::rdmDstPaperLengthDot, a);
  }
  Set(ctx, sid::rdmDstXOffset, left);
  Set(ctx, sid::rdmDstYOffset, top);
}

}  // namespace

void StgSyncResolutionFromQuality(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm || !ctx) return;
  SHORT q = dm->dmPrintQuality;
  dm->dmYResolution = q;
  Set(ctx, sid::rdmDstResolutionW, q);
  Set(ctx, sid::rdmDstResolutionH, q);
  StgSetMacroForResolution((DWORD)(int32_t)q, ctx);
}

void StgSyncResolutionFromDst(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm || !ctx) return;
  DWORD w = Val(ctx, sid::rdmDstResolutionW);
  Set(ctx, sid::rdmDstResolutionH, w);
  dm->dmPrintQuality = (SHORT)w;
  dm->dmYResolution = (SHORT)w;
}

void StgSetSourcePaperFromDevmode(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm || !ctx || !ctx->store) return;
  // A platform quality code (DMRES_*) is no resolution: the destination resolution stands in.
  DWORD d = dm->dmPrintQuality > 0 ? (DWORD)dm->dmPrintQuality : Val(ctx, sid::rdmDstResolutionW);
  Area a = AreaOf(ctx, DMPAPER_USER, sid::dmPaperSize);
  const int64_t left = a.found ? a.rect.left : 0, top = a.found ? a.rect.top : 0;
  int64_t l = StgLengthToDots(STG_UNIT_METRIC, (DWORD)std::max<SHORT>(0, dm->dmPaperLength), d);
  int64_t w = StgLengthToDots(STG_UNIT_METRIC, (DWORD)std::max<SHORT>(0, dm->dmPaperWidth), d);
  Set(ctx, sid::rdmSrcPaperLengthDot, l);
  Set(ctx, sid::rdmSrcPaperWidthDot, w);
  Set(ctx, sid::rdmSrcPaperPrnLengthDot, Printable(l, top));
  Set(ctx, sid::rdmSrcPaperPrnWidthDot, Printable(w, left));
  Set(ctx, sid::rdmSrcXOffset, left);
  Set(ctx, sid::rdmSrcYOffset, top);
}

void StgApplySourcePaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm) {
  SourcePaper(paper, settingId, ctx, dm, false);
}
void StgApplySourcePaperLandscape(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm) {
  SourcePaper(paper, settingId, ctx, dm, true);
}
void StgApplyOutputPaperCommon(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm) {
  OutputPaper(paper, settingId, ctx, dm, false);
}
void StgApplyOutputPaperWith(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm, bool pageOriented) {
  OutputPaper(paper, settingId, ctx, dm, false, pageOriented);
}
void StgApplyOutputPaperLandscape(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm) {
  OutputPaper(paper, settingId, ctx, dm, true);
}
