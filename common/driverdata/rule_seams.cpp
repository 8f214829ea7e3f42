// Least bodies of what the rule evaluator asks of parts that are not built yet (computed flags,
// feature-module judge hooks, value checks, the feature bitmap and capability test). Each is a stand-in
// (kvseam.h): the owner's definition replaces it and the owner deletes the body here. A body here
// answers only what the evaluator needs to run: "false", "no hook", the compiled-in bitmap and the
// context's capability mask.
#include "driverdata/rule_eval.h"
#include "driverdata/rule_value_checks.h"
#include "kvseam.h"
#include "settings/context.h"

KV_SEAM(RuleGetComputedFlag) int RuleGetComputedFlag(SETTING_CONTEXT*, WORD) { return 0; }
KV_SEAM(StgGetJudgeHookValue) DWORD StgGetJudgeHookValue(SETTING_CONTEXT*, WORD) { return 0; }
KV_SEAM(RuleTestValue) int RuleTestValue(WORD, DWORD, SETTING_CONTEXT* ctx) { return ctx && ctx->image ? 1 : 3; }
// No marker: see the stand-in of the same name in paths_seams.cpp.
__attribute__((weak)) int StgIsFeatureBitSet(int bit) {
  // Word 0 of this model's bitmap: bits 2, 7, 11 and 23; every other word is 0.
  constexpr DWORD kWord0 = (1u << 2) | (1u << 7) | (1u << 11) | (1u << 23);
  return bit >= 0 && bit < 32 && (kWord0 >> bit) & 1u;
}
KV_SEAM(StgHasCapability) int StgHasCapability(SETTING_CONTEXT* ctx, DWORD mask) {
  return ctx && ctx->work && (ctx->work->capabilityMask & mask) ? 1 : 0;
}
