// Alerts and automatic actions ("Transact") of the rule rows.
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/library_hooks.h"

using dfc::Get;

WORD RuleFirstAlert(SETTING_CONTEXT* ctx, IMG_REF alerts) {
  for (IMG_REF a = alerts; a; a = ImgNext(a)) {
    IMG_REF judge = DFC_GET(a, ALERT_ENTRY, judge);
    if (judge && RuleEvalExpression(judge, ctx)) return DFC_GET(a, ALERT_ENTRY, messageKey);
  }
  return 0;
}

WORD RuleGetAlert(SETTING_CONTEXT* ctx, IMG_REF node) {
  IMG_REF row = ImgNodeRule(node);
  return row ? RuleFirstAlert(ctx, DFC_GET(row, RULE_ROW, alerts)) : 0;
}

DWORD RuleWalkTransacts(SETTING_CONTEXT* ctx, IMG_REF transacts, RULE_APPLY_ACTION apply) {
  IMG_REF previous = 0;
  bool previousFalse = false;
  for (IMG_REF t = transacts; t; t = ImgNext(t)) {
    IMG_REF judge = DFC_GET(t, TRANSACT_ENTRY, judge);
    bool holds;
    if (!judge) {
      holds = true;
    } else if (judge == previous && previousFalse) {
      continue;  // the same condition was false just before and nothing has run since
    } else {
      holds = RuleEvalExpression(judge, ctx) != 0;
    }
    previous = judge;
    previousFalse = !holds;
    if (!holds) continue;
    for (IMG_REF a = DFC_GET(t, TRANSACT_ENTRY, action); a; a = ImgNext(a)) {
      WORD target = DFC_GET(a, ACTION_ENTRY, targetId), kind = DFC_GET(a, ACTION_ENTRY, targetKind);
      DWORD value = DFC_GET(a, ACTION_ENTRY, value);
      if (kind == 1) return target;
      if (kind == 0) apply(ctx, target, value);
    }
  }
  return 0;
}

DWORD RuleRunTransactCommon(SETTING_CONTEXT* ctx, IMG_REF transacts) {
  return RuleWalkTransacts(ctx, transacts,
                           [](SETTING_CONTEXT* c, WORD id, DWORD value) { StgSetValueOrResString(c, id, value); });
}

DWORD RuleRunNodeTransact(SETTING_CONTEXT* ctx, IMG_REF node) {
  IMG_REF row = ImgNodeRule(node);
  return row ? RuleRunTransact(ctx, DFC_GET(row, RULE_ROW, transactA)) : 0;
}

DWORD RuleRunTransactByKey(SETTING_CONTEXT* ctx, WORD key, DWORD) {
  IMG_REF row = RuleFindRuleRow(ctx, key);
  return row ? RuleRunTransact(ctx, DFC_GET(row, RULE_ROW, transactA)) : 0;
}

DWORD RuleRunSettingTransact(SETTING_CONTEXT* ctx, WORD id) {
  IMG_REF node = ImgFindActiveNode(ctx, id);
  return node ? RuleRunNodeTransact(ctx, node) : 0;
}

int RuleRunAllTransacts(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->dictionary || !ctx->dictionary->rows) return 0;
  int count = ctx->dictionary->count;
  for (int i = 0; i < count; ++i) {
    WORD id = WORD(ctx->dictionary->rows[i].id);
    if (!id) continue;
    if (IMG_REF node = ImgFindActiveNode(ctx, id)) RuleRunNodeTransact(ctx, node);
  }
  return count;
}
