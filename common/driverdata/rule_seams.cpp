// Least bodies of what the rule evaluator asks of parts that are built elsewhere (computed flags,
// feature-module judge hooks, value checks, the feature bitmap and capability test). Each is weak: the
// owner's definition replaces it once linked in. A body here answers only what the evaluator needs to
// run: "false", "no hook", the compiled-in bitmap and the context's capability mask.
#include "driverdata/rule_eval.h"
#include "settings/context.h"

#define KV_SEAM __attribute__((weak))

KV_SEAM int RuleTestValue(WORD, DWORD, SETTING_CONTEXT* ctx) { return ctx && ctx->image ? 1 : 3; }
