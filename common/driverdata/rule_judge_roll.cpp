// Roll, folding and page-limit judges: what a roll or cut-sheet tray can supply, whether the chosen
// folding is possible, custom-size length limits, the page's dot limits and the print quality that has
// to be forced for the page to fit.
#include <cstring>
#include <vector>

#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_judge_internal.h"
#include "driverdata/rule_judges.h"
#include "kvplat/devmode.h"
#include "settings/model_tables.h"
#include "settings/platform_queries.h"
#include "settings/units.h"

using namespace rule_judge;

namespace {

// A roll holds a roll-width code; each width supplies the papers one of whose sides equals it. The
// second paper of two rows (A4 from the A3 roll, B4 from the B3 roll) belongs to the wide form only.
struct RollWidth {
  WORD roll;
  SHORT first, second;
  bool secondWideOnly;
};
constexpr RollWidth kRollWidths[] = {
    {538, 267, 268, false}, {533, 268, 66, false},  {529, 66, 8, false},    {527, 8, 9, true},
    {525, 9, 0, false},     {536, 270, 271, false}, {532, 271, 269, false}, {528, 269, 12, true},
    {526, 12, 0, false},    {552, 1, 5, false},     {553, 541, 0, false},   {554, 3, 0, false},
    {555, 512, 0, false},   {556, 3, 518, false},   {557, 512, 542, false}, {558, 518, 544, false},
    {559, 542, 545, false}, {560, 543, 546, false}, {561, 544, 547, false}, {562, 545, 548, false},
};

const RollWidth* FindRoll(DWORD roll) {
  for (const RollWidth& r : kRollWidths)
    if (r.roll == (roll & 0xFFFF)) return &r;
  return nullptr;
}
bool Supplies(const RollWidth& r, DWORD paper, bool wide) {
  SHORT p = PaperCode(paper);
  return p > 0 && (p == r.first || (p == r.second && (wide || !r.secondWideOnly)));
}
// Papers some roll width supplies in the narrow form.
bool InNarrowTable(DWORD paper) {
  for (const RollWidth& r : kRollWidths)
    if (Supplies(r, paper, false)) return true;
  return false;
}

bool IsRoll(WORD tray) { return tray == RULE_ROLL_1 || tray == RULE_ROLL_2; }
bool IsCutSheet(WORD tray) { return tray == RULE_CUT_SHEET_1 || tray == RULE_CUT_SHEET_2; }
// The paper code held by a roll or cut-sheet tray.
DWORD Held(SETTING_CONTEXT* ctx, WORD tray) {
  switch (tray) {
    case RULE_ROLL_1: return Read(ctx, C(sid::rdmTray17Paper)) & 0xFFFF;
    case RULE_ROLL_2: return Read(ctx, C(sid::rdmTray18Paper)) & 0xFFFF;
    case RULE_CUT_SHEET_1: return Read(ctx, C(sid::rdmTray15Paper)) & 0xFFFF;
    case RULE_CUT_SHEET_2: return Read(ctx, C(sid::rdmTray16Paper)) & 0xFFFF;
    default: return 0;
  }
}
WORD Source(SETTING_CONTEXT* ctx) { return WORD(Read(ctx, C(sid::dmDefaultSource))); }

int Supply(SETTING_CONTEXT* ctx, WORD tray, DWORD paper, bool wide) {
  if (IsRoll(tray)) {
    DWORD roll = Held(ctx, tray);
    bool freeSize = RuleIsFreeSizePaper(ctx, paper) != 0;
    if (const RollWidth* r = FindRoll(roll)) return Supplies(*r, paper, wide) || freeSize;
    return RuleIsUserFreeSizePaper(ctx, roll) && freeSize;
  }
  if (IsCutSheet(tray)) return Held(ctx, tray) == (paper & 0xFFFF);
  return 0;
}

bool Is(DWORD paper, std::initializer_list<SHORT> papers) {
  for (SHORT p : papers)
    if (p == PaperCode(paper)) return true;
  return false;
}

}  // namespace

int RuleRollSuppliesPaper(SETTING_CONTEXT* ctx, WORD tray, DWORD paper) { return Supply(ctx, tray, paper, true); }

int RuleJudge767(SETTING_CONTEXT* ctx) { return Supply(ctx, Source(ctx), OutputPaper(ctx), false); }

int RuleSourceSuppliesPaper(SETTING_CONTEXT* ctx, int which) {
  DWORD p = which == 1 ? Stored(ctx, sid::dmPaperSize) : which == 2 ? Stored(ctx, sid::rdmOutPaperSize) : OutputPaper(ctx);
  WORD tray = Source(ctx);
  bool builtInFree = Is(p, {256, 448}) || (PaperCode(p) >= 384 && PaperCode(p) <= 393);
  if (IsRoll(tray)) {
    if (builtInFree) return 1;
    if (!InNarrowTable(p)) return 0;
    DWORD roll = Held(ctx, tray);
    const RollWidth* r = FindRoll(roll);
    return (r && Supplies(*r, p, false)) || RuleIsUserFreeSizePaper(ctx, roll);
  }
  if (IsCutSheet(tray)) {
    if (builtInFree) return 1;
    if (!Is(p, {1, 3, 5, 8, 9, 12, 14, 512})) return 0;
    DWORD held = Held(ctx, tray);
    return held == (p & 0xFFFF) || RuleIsUserFreeSizePaper(ctx, held);
  }
  return 1;  // rolls 3 and 4 and the other trays supply every paper
}

// ---- folding --------------------------------------------------------------------------------------------------

namespace {
DWORD FoldingType(SETTING_CONTEXT* ctx) { return Read(ctx, C(sid::rdmFoldingType)); }
DWORD LongFanType(SETTING_CONTEXT* ctx) { return Read(ctx, C(sid::rdmFoldingLongFanType)); }
bool FanUnit(SETTING_CONTEXT* ctx) { return Read(ctx, C(sid::rdmOutputOption3TypeFoldingFan)) != 0; }
bool FolderUnit(SETTING_CONTEXT* ctx) { return Read(ctx, C(sid::rdmOutputOption3TypeFoldingFolder)) != 0; }

// A fold test over the roll codes: the papers each roll width can be folded to; 0 for other widths.
struct RollFold {
  WORD roll;
  SHORT a, b;  // b 0: one paper only
};
template <size_t N>
int RollFits(SETTING_CONTEXT* ctx, WORD tray, const RollFold (&rows)[N]) {
  DWORD roll = Held(ctx, tray), p = OutputPaper(ctx);
  for (const RollFold& r : rows)
    if (r.roll == roll) return Is(p, {r.a}) || (r.b && Is(p, {r.b}));
  return 0;
}
constexpr RollFold kFold0[] = {{538, 267, 0}, {533, 268, 66}, {529, 66, 0}};
constexpr RollFold kFold7[] = {{538, 267, 268}, {533, 268, 66}, {529, 66, 0}};
constexpr RollFold kFold6[] = {{538, 267, 268}, {533, 268, 66}, {529, 66, 8}, {527, 8, 0}};
constexpr RollFold kFold0B[] = {{538, 267, 0}, {533, 268, 66}, {529, 66, 8}, {527, 8, 0}};

// The cut-sheet form of types 6 and 0B: an A3 tray folding A3.
int CutSheetA3(SETTING_CONTEXT* ctx, WORD tray) { return Held(ctx, tray) == 8 && Is(OutputPaper(ctx), {8}); }

bool FoldSource(WORD tray) { return IsRoll(tray) || IsCutSheet(tray); }
}  // namespace

int RuleFoldFitsType0(SETTING_CONTEXT* ctx, WORD tray) { return IsRoll(tray) ? RollFits(ctx, tray, kFold0) : 0; }
int RuleFoldFitsType4(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType5(SETTING_CONTEXT* ctx, WORD tray) {
  if (!FoldSource(tray)) return 0;
  if (RuleIsFreeSizePaper(ctx, OutputPaper(ctx))) return 1;
  return IsRoll(tray) ? RollFits(ctx, tray, kFold0) : 0;
}
int RuleFoldFitsType6(SETTING_CONTEXT* ctx, WORD tray) {
  if (IsRoll(tray)) return RollFits(ctx, tray, kFold6);
  return IsCutSheet(tray) ? CutSheetA3(ctx, tray) : 0;
}
int RuleFoldFitsType7(SETTING_CONTEXT* ctx, WORD tray) { return IsRoll(tray) ? RollFits(ctx, tray, kFold7) : 0; }
int RuleFoldFitsType8(SETTING_CONTEXT* ctx, WORD tray) {
  if (IsRoll(tray)) return Held(ctx, tray) != 525;
  return IsCutSheet(tray) ? Held(ctx, tray) != 9 : 0;
}
int RuleFoldFitsType0B(SETTING_CONTEXT* ctx, WORD tray) {
  if (IsRoll(tray)) return RollFits(ctx, tray, kFold0B);
  return IsCutSheet(tray) ? CutSheetA3(ctx, tray) : 0;
}
// Roll 2 answers as roll 1 does: no source can fold this type.
int RuleFoldFitsType4B(SETTING_CONTEXT*, WORD) { return 0; }

int RuleIsFanFoldSource(SETTING_CONTEXT* ctx) {
  WORD tray = Source(ctx);
  DWORD p = OutputPaper(ctx);
  if (IsRoll(tray)) {
    DWORD roll = Held(ctx, tray);
    bool refused = (roll == 529 && Is(p, {8})) || (roll == 525 && Is(p, {9})) || (roll == 552 && Is(p, {1})) ||
                   (roll == 553 && Is(p, {541}));
    return refused ? 0 : 1;
  }
  if (tray == RULE_CUT_SHEET_1) return Held(ctx, tray) == (p & 0xFFFF) && Is(p, {9, 1, 541}) ? 0 : 1;
  return 0;
}

int RuleJudge766(SETTING_CONTEXT* ctx) {
  DWORD type = FoldingType(ctx);
  if (FolderUnit(ctx)) {
    switch (type) {
      case 0: case 1: case 4: case 6: case 7: return Is(OutputPaper(ctx), {8, 66, 267, 268});
      case 5: return LongFanType(ctx) != 3;
      case 8: return 1;
      default: break;
    }
  }
  if (!FanUnit(ctx)) return 0;
  if (type == 8) return 1;
  return type == 5 ? RuleIsFanFoldSource(ctx) : 0;
}

int RuleJudge768(SETTING_CONTEXT* ctx) {
  WORD tray = Source(ctx);
  if (FanUnit(ctx) || !FoldSource(tray)) return 0;
  switch (FoldingType(ctx)) {
    case 0: return RuleFoldFitsType0(ctx, tray);
    case 4: return RuleFoldFitsType4(ctx, tray);
    case 5: return LongFanType(ctx) == 8 && RuleFoldFitsType5(ctx, tray);
    case 6: return RuleFoldFitsType6(ctx, tray);
    case 7: return RuleFoldFitsType7(ctx, tray);
    case 8: return RuleFoldFitsType8(ctx, tray);
    default: return 0;
  }
}

int RuleJudge769(SETTING_CONTEXT* ctx) {
  WORD tray = Source(ctx);
  if (FanUnit(ctx) || !FoldSource(tray)) return 0;
  switch (FoldingType(ctx)) {
    case 0: return RuleFoldFitsType0B(ctx, tray);
    case 4: return RuleFoldFitsType4B(ctx, tray);
    case 6: return RuleFoldFitsType6(ctx, tray);
    case 7: return RuleFoldFitsType7(ctx, tray);
    case 8: return 1;
    default: return 0;
  }
}

// ---- lengths and page limits ----------------------------------------------------------------------------------

int RuleIsFreeSizeOverLength(SETTING_CONTEXT* ctx, WORD lengthId, int manualFeed) {
  if (!ModelIs(ctx, {89, 104})) return 0;
  return Option(ctx, lengthId) > (manualFeed ? 94488u : 708661u) ? 1 : 0;
}

int RuleCheckPageDotLimit(SETTING_CONTEXT*, DWORD) { return 0; }

namespace {
constexpr DWORD kPageDots = 30708, kWidePageDots = 32124;
bool Within(SETTING_CONTEXT* ctx, WORD widthId, WORD lengthId, DWORD limit) {
  return Stored(ctx, widthId) <= limit && Stored(ctx, lengthId) <= limit;
}
}  // namespace

int RuleDstPageFitsDots(SETTING_CONTEXT* ctx) {
  return Within(ctx, sid::rdmDstPaperWidthDot, sid::rdmDstPaperLengthDot, kPageDots);
}
int RuleDstPageFitsWideDots(SETTING_CONTEXT* ctx) {
  return Within(ctx, sid::rdmDstPaperWidthDot, sid::rdmDstPaperLengthDot, kWidePageDots);
}
int RuleSrcPageFitsWideDots(SETTING_CONTEXT* ctx) {
  return Within(ctx, sid::rdmSrcPaperWidthDot, sid::rdmSrcPaperLengthDot, kWidePageDots);
}

int RuleScaledPageFitsDots(SETTING_CONTEXT* ctx) {
  // Signed source dots scaled in 64 bits: no product of a dot length and a factor can overflow.
  int64_t w = int32_t(Stored(ctx, sid::rdmSrcPaperWidthDot)), h = int32_t(Stored(ctx, sid::rdmSrcPaperLengthDot));
  DWORD scaleType = Stored(ctx, sid::rdmScaleType);
  if (Stored(ctx, sid::rdmFuncSelectScale) && scaleType != 2) {
    int64_t sh = Stored(ctx, sid::rdmScaleH) & 0xFFFF;
    int64_t sv = scaleType == 1 ? sh : int64_t(Stored(ctx, sid::rdmScaleV) & 0xFFFF);
    w = w * sh / 100;
    h = h * sv / 100;
  } else if (Stored(ctx, sid::rdmFuncSelectNup) && Stored(ctx, sid::rdmNUPPOSTKind) == 9) {
    DWORD n = Stored(ctx, sid::rdmNUPType) & 0xFFFF;  // poster of n - 0x8000 sheets a side
    if (n == 0x8001) {
      if (w < h) w *= 2; else h *= 2;
    } else if (n > 0x8001) {
      w *= n - 0x8000;
      h *= n - 0x8000;
    }
  }
  return w <= kPageDots && h <= kPageDots ? 1 : 0;
}

// ---- forced print quality ----------------------------------------------------------------------------------------

DWORD RuleComputeForcedQuality(SETTING_CONTEXT* ctx, int mode, int strict) {
  if (!ctx || !ctx->store) return 0;
  DWORD fields = Stored(ctx, sid::dmFields);

  // Under the resolution lock the locked resolution R replaces the current one O.
  bool locked = false;
  LONG original = 0, lockedDpi = 0;
  if (StgIsModelFeatureOn(ctx, 2, 0) && StgIsResolutionLocked(ctx)) {
    if (const RESOLUTION_ROW* row = ImgFindResolutionRow(Stored(ctx, sid::rdmLockDstResolutionBoth) & 0xFFFF)) {
      locked = true;
      lockedDpi = row->xDpi;
      WORD id = mode == 0 ? WORD(sid::dmPrintQuality) : WORD(sid::rdmDstResolutionW);
      original = LONG(Stored(ctx, id));
      StgSetValue(ctx, id, DWORD(lockedDpi));
    }
  }
  // A lowered answer under the lock: none when it does not go below what the lock replaced.
  auto underLock = [&](LONG forced) -> LONG {
    if (!locked) return forced;
    if ((strict && forced >= original) || (!strict && forced == original)) return 0;
    return lockedDpi < forced ? lockedDpi : forced;
  };

  if (mode == 0 && StgIsFeatureBitSet(8) && StgIsModelFeatureOn(ctx, 3, 0) &&
      Option(ctx, sid::rdmFunc2SelectTintBlockUI) != 0 && LONG(Stored(ctx, sid::dmPrintQuality)) == 200)
    return 600;
  if (mode == 0) {
    if (LONG ceiling = LONG(StgGetResolutionLockLimit(ctx))) return DWORD(underLock(ceiling)) & 0xFFFF;
  }

  RecomputeGeometry(ctx, mode, fields);

  bool fits = true;
  if (LONG(Stored(ctx, sid::dmPrintQuality)) > 600) {
    switch (Stored(ctx, sid::rdmLoadShare) & 0xFF) {
      case 0: case 1: case 2:
        if (StgIsWin9x())
          fits = Within(ctx, sid::rdmSrcPaperWidthDot, sid::rdmSrcPaperLengthDot, kPageDots) && RuleDstPageFitsWideDots(ctx);
        else if (Stored(ctx, sid::rdmOutPaperSize) == 1024)
          fits = RuleSrcPageFitsWideDots(ctx);
        else
          fits = RuleDstPageFitsWideDots(ctx);
        break;
      default:
        fits = RuleDstPageFitsDots(ctx) && RuleScaledPageFitsDots(ctx);
        break;
    }
  }
  return DWORD(underLock(fits ? 0 : 600)) & 0xFFFF;
}

DWORD RuleGetForcedQuality(SETTING_CONTEXT* ctx, int mode) { return RuleComputeForcedQuality(ctx, mode, 0); }
DWORD RuleGetForcedQualityStrict(SETTING_CONTEXT* ctx, int mode) { return RuleComputeForcedQuality(ctx, mode, 1); }

namespace {
// The whole store with every row's change marks and the store-modified flag, put back when it ends.
class StoreSnapshot {
 public:
  explicit StoreSnapshot(SETTING_CONTEXT* ctx) : ctx_(ctx) {
    if (!ctx->store) return;
    std::memcpy(&store_, ctx->store, sizeof store_);
    if (ctx->dictionary)
      for (int i = 0; i < ctx->dictionary->count; ++i) flags_.push_back(ctx->dictionary->rows[i].flags);
    modified_ = ctx->work ? ctx->work->storeModified : 0;
  }
  ~StoreSnapshot() {
    if (!ctx_->store) return;
    std::memcpy(ctx_->store, &store_, sizeof store_);
    for (size_t i = 0; i < flags_.size(); ++i) ctx_->dictionary->rows[i].flags = flags_[i];
    if (ctx_->work) ctx_->work->storeModified = modified_;
  }
  StoreSnapshot(const StoreSnapshot&) = delete;
  StoreSnapshot& operator=(const StoreSnapshot&) = delete;

 private:
  SETTING_CONTEXT* ctx_;
  SETTING_STORE store_{};
  std::vector<uint64_t> flags_;
  DWORD modified_ = 0;
};
}  // namespace

int RuleIsResolutionWithinLimit(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  StoreSnapshot keep(ctx);
  return RuleGetForcedQualityStrict(ctx, 1) == 0 ? 1 : 0;
}
