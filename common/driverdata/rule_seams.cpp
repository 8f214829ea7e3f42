// Least bodies of what the rule evaluator asks of parts that are not built yet (computed flags,
// value checks). Each is a stand-in
// (kvseam.h): the owner's definition replaces it and the owner deletes the body here. A body here
// answers only what the evaluator needs to run: "false", "no hook", the compiled-in bitmap and the
// context's capability mask.
#include "driverdata/rule_eval.h"
#include "driverdata/rule_value_checks.h"
#include "kvseam.h"
#include "settings/context.h"

KV_SEAM(RuleTestValue) int RuleTestValue(WORD, DWORD, SETTING_CONTEXT* ctx) { return ctx && ctx->image ? 1 : 3; }
