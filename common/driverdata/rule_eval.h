// Rule evaluation on a settings context: the postfix evaluator with its per-context stack, the
// exclusion (first condition) and second-condition tests, alert selection and the automatic-action
// runner ("Transact").
//
// Every reference (cells, rule rows, entries, nodes) is an address inside the context's relocated image
// (IMG_REF, 0 for none). Truth is any non-zero value; comparisons and logical operators give 1 or 0.
#pragma once
#include "driverdata/img_image.h"
#include "kvplat/types.h"
#include "driverdata/rule_values.h"  // value checks the rules and their callers ask
#include "settings/modules.h"  // judge hooks, feature bitmap and capabilities the rules ask

struct SETTING_CONTEXT;

// ---- evaluator ----------------------------------------------------------------------------------------

constexpr int kRuleStackCells = 256;

// Evaluates a postfix cell list (ended by the operator end). 0 for no cells, for no stack, for an
// operand that names no setting, and for a list that over- or under-runs the stack or leaves it
// unbalanced; the stack is left where the evaluation found it in every case.
DWORD RuleEvalExpression(IMG_REF cells, SETTING_CONTEXT* ctx);
// The context's evaluator stack: 256 cells. 0 allocated, -1 no memory (or no work area).
int RuleAllocStack(SETTING_CONTEXT* ctx);
void RuleFreeStack(SETTING_CONTEXT* ctx);
// 1 pushed / popped, 0 when the stack is missing, full, or (pop) empty.
int RulePush(SETTING_CONTEXT* ctx, LONG value);
int RulePop(SETTING_CONTEXT* ctx, LONG* value);
// The core judge hooks 1420-1451: only 1420 (the preview of a job-binder-free UI job) can be non-zero.
DWORD RuleGetCoreHook(SETTING_CONTEXT* ctx, WORD id);

namespace rule::test {
// Settings the evaluator has read from the context since the process started (operands taken again
// from the evaluation's own last operand are not counted).
int OperandReads();
}  // namespace rule::test

// ---- lookups ------------------------------------------------------------------------------------------

// The rule row of the image's rule list with that UI item key, 0 when none.
IMG_REF RuleFindRuleRow(SETTING_CONTEXT* ctx, WORD key);
// The ITEM_ENTRY row of a rule row for an option value, 0 when none.
IMG_REF RuleFindItemRow(IMG_REF row, WORD option);

// ---- exclusion (option 0: the feature itself) -------------------------------------------------------

int RuleIsRowExcluded(SETTING_CONTEXT* ctx, IMG_REF row, WORD option);
int RuleIsOptionExcluded(SETTING_CONTEXT* ctx, IMG_REF node, WORD option);
// -1 when the image has no row with that key.
int RuleIsExcludedByKey(SETTING_CONTEXT* ctx, WORD key, WORD option);
// As RuleIsRowExcluded, but 1 without a row or without an ITEM_ENTRY row for the option.
int RuleEvalFirstOr1(SETTING_CONTEXT* ctx, IMG_REF row, WORD option);
// RuleEvalFirstOr1 on the rule row of the setting's node; -1 when it has none.
int RuleTestOptionCondition(SETTING_CONTEXT* ctx, WORD id, WORD option);

// ---- second condition -------------------------------------------------------------------------------

int RuleEvalSecond(SETTING_CONTEXT* ctx, IMG_REF row, WORD option);
int RuleEvalSecondCondition(SETTING_CONTEXT* ctx, IMG_REF node, WORD option);
int RuleEvalSecondByKey(SETTING_CONTEXT* ctx, WORD key, WORD option);

// ---- alerts -----------------------------------------------------------------------------------------------

// Message key of the first ALERT_ENTRY row whose condition is true (a row without one never fires), 0.
WORD RuleFirstAlert(SETTING_CONTEXT* ctx, IMG_REF alerts);
WORD RuleGetAlert(SETTING_CONTEXT* ctx, IMG_REF node);

// ---- automatic actions ------------------------------------------------------------------------------------

// Runs TRANSACT_ENTRY rows; 0, or the dialog id of the dialog action that stopped the run.
DWORD RuleRunTransact(SETTING_CONTEXT* ctx, IMG_REF transacts);
// The walk of RuleRunTransact with each value action handed to apply: a library whose actions mean more
// than a stored value (the interface library's follow-ups) builds its RuleRunTransact on it.
using RULE_APPLY_ACTION = void (*)(SETTING_CONTEXT* ctx, WORD id, DWORD value);
DWORD RuleWalkTransacts(SETTING_CONTEXT* ctx, IMG_REF transacts, RULE_APPLY_ACTION apply);
DWORD RuleRunNodeTransact(SETTING_CONTEXT* ctx, IMG_REF node);
DWORD RuleRunTransactByKey(SETTING_CONTEXT* ctx, WORD key, DWORD unused);
DWORD RuleRunSettingTransact(SETTING_CONTEXT* ctx, WORD id);
// Runs the node Transact of every dictionary row with an active node; the number of dictionary rows.
int RuleRunAllTransacts(SETTING_CONTEXT* ctx);
