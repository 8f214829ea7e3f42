// Rule rows of the image: look-ups, the first condition (exclusion) with the custom-media rule, and the
// second condition.
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"

using dfc::Get;

namespace {

// RULE_ROW fields.
IMG_REF JudgeA(IMG_REF row) { return DFC_GET(row, RULE_ROW, judgeA); }
IMG_REF JudgeB(IMG_REF row) { return DFC_GET(row, RULE_ROW, judgeB); }
IMG_REF Items(IMG_REF row) { return DFC_GET(row, RULE_ROW, items); }
// ITEM_ENTRY fields.
IMG_REF Judge1(IMG_REF item) { return DFC_GET(item, ITEM_ENTRY, judge1); }
IMG_REF Judge2(IMG_REF item) { return DFC_GET(item, ITEM_ENTRY, judge2); }

int Eval(SETTING_CONTEXT* ctx, IMG_REF cells) { return RuleEvalExpression(cells, ctx) ? 1 : 0; }

constexpr WORD kMediaLock = 10420;        // rdmLock000InfoBitMedia
constexpr WORD kCustomMediaCount = 1495;  // wdmCustomMediaDataNum

// The custom-media rule; applies only with feature bit 12 and capability bit 1. Returns -1 when the
// option is no custom-media code (the plain rule decides), else 0/1.
int CustomMediaExcluded(SETTING_CONTEXT* ctx, IMG_REF row, WORD option, IMG_REF item) {
  if (!StgIsFeatureBitSet(12) || !StgHasCapability(ctx, 2)) return -1;
  const CUSTOM_MEDIA_ROW* media = StgGetCustomMediaTable();
  for (int i = 0; media && i < 16 && media[i].mediaKey; ++i) {
    if (media[i].mediaKey != option) continue;
    if (item && Eval(ctx, Judge1(item))) return 1;
    if (item && StgGetValue(ctx, kMediaLock, nullptr)) return 0;  // own condition, already false
    if (StgGetValue(ctx, kCustomMediaCount, nullptr) < media[i].slot) return 1;
    // The condition of the option that the row's select setting names, else the option's own.
    IMG_REF named = RuleFindItemRow(row, WORD(StgGetOptionValue(ctx, media[i].selectSetting, nullptr)));
    if (named && named != item) return Eval(ctx, Judge1(named));
    return 0;
  }
  return -1;
}

}  // namespace

IMG_REF RuleFindRuleRow(SETTING_CONTEXT* ctx, WORD key) {
  if (!ctx || !ctx->image) return 0;
  IMG_REF r = Get<uint64_t>(ctx->image, DFC_OFF(COMPILED_IMAGE_HEADER, RuleList));
  // Rows lie back to back; a row's link only says whether another follows.
  for (; r; r += sizeof(dfc::RULE_ROW)) {
    if (DFC_GET(r, RULE_ROW, key) == key) return r;
    if (DFC_GET(r, RULE_ROW, next) == 0) break;
  }
  return 0;
}

IMG_REF RuleFindItemRow(IMG_REF row, WORD option) {
  if (!row) return 0;
  for (IMG_REF e = Items(row); e; e = ImgNext(e))
    if (DFC_GET(e, ITEM_ENTRY, option) == option) return e;
  return 0;
}

int RuleIsRowExcluded(SETTING_CONTEXT* ctx, IMG_REF row, WORD option) {
  if (!row) return 0;
  if (option == 0) return Eval(ctx, JudgeA(row));
  IMG_REF item = RuleFindItemRow(row, option);
  int media = CustomMediaExcluded(ctx, row, option, item);
  if (media >= 0) return media;
  return item ? Eval(ctx, Judge1(item)) : 0;
}

int RuleIsOptionExcluded(SETTING_CONTEXT* ctx, IMG_REF node, WORD option) {
  return node ? RuleIsRowExcluded(ctx, ImgNodeRule(node), option) : 0;
}

int RuleIsExcludedByKey(SETTING_CONTEXT* ctx, WORD key, WORD option) {
  IMG_REF row = RuleFindRuleRow(ctx, key);
  return row ? RuleIsRowExcluded(ctx, row, option) : -1;
}

int RuleEvalFirstOr1(SETTING_CONTEXT* ctx, IMG_REF row, WORD option) {
  if (!row) return 1;
  if (option == 0) return Eval(ctx, JudgeA(row));
  IMG_REF item = RuleFindItemRow(row, option);
  return item ? Eval(ctx, Judge1(item)) : 1;
}

int RuleTestOptionCondition(SETTING_CONTEXT* ctx, WORD id, WORD option) {
  IMG_REF row = ImgGetRuleRow(ctx, id);
  return row ? RuleEvalFirstOr1(ctx, row, option) : -1;
}

int RuleEvalSecond(SETTING_CONTEXT* ctx, IMG_REF row, WORD option) {
  if (!row) return 0;
  if (option == 0) return Eval(ctx, JudgeB(row));
  IMG_REF item = RuleFindItemRow(row, option);
  return item ? Eval(ctx, Judge2(item)) : 0;
}

int RuleEvalSecondCondition(SETTING_CONTEXT* ctx, IMG_REF node, WORD option) {
  return node ? RuleEvalSecond(ctx, ImgNodeRule(node), option) : 0;
}

int RuleEvalSecondByKey(SETTING_CONTEXT* ctx, WORD key, WORD option) {
  IMG_REF row = RuleFindRuleRow(ctx, key);
  return row ? RuleEvalSecond(ctx, row, option) : -1;
}
