// Least bodies of what the rule evaluator asks of parts that are built elsewhere (computed flags,
// feature-module judge hooks, value checks, the feature bitmap and capability test). Each is weak: the
// owner's definition replaces it once linked in. A body here answers only what the evaluator needs to
// run: "false", "no hook", the compiled-in bitmap and the context's capability mask.
#include "driverdata/rule_eval.h"
#include "settings/context.h"

#define KV_SEAM __attribute__((weak))

KV_SEAM DWORD StgGetJudgeHookValue(SETTING_CONTEXT*, WORD) { return 0; }
KV_SEAM int RuleTestValue(WORD, DWORD, SETTING_CONTEXT* ctx) { return ctx && ctx->image ? 1 : 3; }
KV_SEAM int StgIsFeatureBitSet(int bit) {
  // Word 0 of this model's bitmap: bits 2, 7, 11 and 23; every other word is 0.
  constexpr DWORD kWord0 = (1u << 2) | (1u << 7) | (1u << 11) | (1u << 23);
  return bit >= 0 && bit < 32 && (kWord0 >> bit) & 1u;
}
KV_SEAM int StgHasCapability(SETTING_CONTEXT* ctx, DWORD mask) {
  return ctx && ctx->work && (ctx->work->capabilityMask & mask) ? 1 : 0;
}
