// Alerts and automatic actions ("Transact") of the rule rows.
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/library_hooks.h"

using dfc::Get;

WORD RuleFirstAlert(SETTING_CONTEXT* ctx, IMG_REF alerts) {
  for (IMG_REF a = alerts; a; a = ImgNext(a)) {
    IMG_REF judge = Get<uint64_t>((const void*)a, 8);
    if (judge && RuleEvalExpression(judge, ctx)) return Get<WORD>((const void*)a, 16);
  }
  return 0;
}

WORD RuleGetAlert(SETTING_CONTEXT* ctx, IMG_REF node) {
  IMG_REF row = ImgNodeRule(node);
  return row ? RuleFirstAlert(ctx, Get<uint64_t>((const void*)row, 32)) : 0;
}

DWORD RuleRunTransactCommon(SETTING_CONTEXT* ctx, IMG_REF transacts) {
  IMG_REF previous = 0;
  bool previousFalse = false;
  for (IMG_REF t = transacts; t; t = ImgNext(t)) {
    IMG_REF judge = Get<uint64_t>((const void*)t, 8);
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
    for (IMG_REF a = Get<uint64_t>((const void*)t, 16); a; a = ImgNext(a)) {
      WORD target = Get<WORD>((const void*)a, 8), kind = Get<WORD>((const void*)a, 10);
      DWORD value = Get<DWORD>((const void*)a, 16);
      if (kind == 1) return target;
      if (kind == 0) StgSetValueOrResString(ctx, target, value);
    }
  }
  return 0;
}

DWORD RuleRunNodeTransact(SETTING_CONTEXT* ctx, IMG_REF node) {
  IMG_REF row = ImgNodeRule(node);
  return row ? RuleRunTransact(ctx, Get<uint64_t>((const void*)row, 40)) : 0;
}

DWORD RuleRunTransactByKey(SETTING_CONTEXT* ctx, WORD key, DWORD) {
  IMG_REF row = RuleFindRuleRow(ctx, key);
  return row ? RuleRunTransact(ctx, Get<uint64_t>((const void*)row, 40)) : 0;
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
