// Roll, folding and page-limit judges: what a roll or cut-sheet tray can supply, whether the chosen
// folding is possible, custom-size length limits, the page's dot limits and the forced print quality.
#include "driverdata/rule_judge_internal.h"
#include "driverdata/rule_judges.h"

int RuleRollSuppliesPaper(SETTING_CONTEXT*, WORD, DWORD) { return 0; }
int RuleJudge767(SETTING_CONTEXT*) { return 0; }
int RuleSourceSuppliesPaper(SETTING_CONTEXT*, int) { return 0; }
int RuleJudge766(SETTING_CONTEXT*) { return 0; }
int RuleJudge768(SETTING_CONTEXT*) { return 0; }
int RuleJudge769(SETTING_CONTEXT*) { return 0; }
int RuleIsFanFoldSource(SETTING_CONTEXT*) { return 0; }
int RuleFoldFitsType0(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType4(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType5(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType6(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType7(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType8(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType0B(SETTING_CONTEXT*, WORD) { return 0; }
int RuleFoldFitsType4B(SETTING_CONTEXT*, WORD) { return 0; }
int RuleIsFreeSizeOverLength(SETTING_CONTEXT* ctx, WORD lengthId, int manualFeed) {
  using namespace rule_judge;
  if (!ModelIs(ctx, {89, 104})) return 0;
  return Option(ctx, lengthId) > (manualFeed ? 94488u : 708661u) ? 1 : 0;
}
int RuleCheckPageDotLimit(SETTING_CONTEXT*, DWORD) { return 0; }
int RuleDstPageFitsDots(SETTING_CONTEXT*) { return 0; }
int RuleDstPageFitsWideDots(SETTING_CONTEXT*) { return 0; }
int RuleSrcPageFitsWideDots(SETTING_CONTEXT*) { return 0; }
int RuleScaledPageFitsDots(SETTING_CONTEXT*) { return 0; }
DWORD RuleComputeForcedQuality(SETTING_CONTEXT*, int, int) { return 0; }
DWORD RuleGetForcedQuality(SETTING_CONTEXT* ctx, int mode) { return RuleComputeForcedQuality(ctx, mode, 0); }
DWORD RuleGetForcedQualityStrict(SETTING_CONTEXT* ctx, int mode) { return RuleComputeForcedQuality(ctx, mode, 1); }
int RuleIsResolutionWithinLimit(SETTING_CONTEXT* ctx) { return RuleGetForcedQualityStrict(ctx, 1) == 0; }
