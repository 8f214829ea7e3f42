// Least bodies of the calls declared in pending_public.h. Each is weak: the owner's definition takes
// its place once linked in. A value check here runs the rule engine's own test and, when the data
// gives the setting no usable node, a fixed range; the others do nothing.
#include "settings/pending_public.h"

#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "kvplat/devmode.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"

#define KV_SEAM __attribute__((weak))

namespace {
// The rule engine's test, and for a list setting also that the value is one of the node's options.
int OptionTest(WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  int r = RuleTestValue(id, value, ctx);
  if (r != 1) return r;
  IMG_REF node = ImgFindActiveNode(ctx, id);
  if (!node || !(ImgNodeType(node) & 1) || !ImgNodeOptions(node)) return r;
  ITEM_DESC* row = StgFindItem(ctx, id);
  DWORD option = row ? StgMapToOption(ctx, row, value) : value;
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
    if (ImgOptionValue(o) == (WORD)option) return 1;
  return 0;
}
int Verdict(WORD id, DWORD value, SETTING_CONTEXT* ctx, bool (*fallback)(LONG)) {
  int r = OptionTest(id, value, ctx);
  if (r == 0 || r == 1) return r;
  return fallback((LONG)value) || StgIsValueAllowed(id, (int32_t)value) ? 1 : 0;
}
LONG S16(DWORD v) { return (LONG)(SHORT)(WORD)v; }
}  // namespace

KV_SEAM int RuleIsValidDefaultSource(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(13, (DWORD)S16(v), c, [](LONG x) { return x >= 1 && x <= 15; });
}
KV_SEAM int RuleIsValidOrientation(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(7, (DWORD)S16(v), c, [](LONG x) { return x == 1 || x == 2; });
}
KV_SEAM int RuleIsValidPaperSize(DWORD v, SETTING_CONTEXT* c) {
  return OptionTest(8, (DWORD)S16(v), c) == 1 ? 1 : 0;
}
KV_SEAM int RuleIsValidPrintQuality(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(14, (DWORD)S16(v), c, [](LONG) { return false; });
}
KV_SEAM int RuleIsValidDuplex(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(16, (DWORD)S16(v), c, [](LONG x) { return x >= 1 && x <= 3; });
}
KV_SEAM int RuleIsValidColor(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(15, (DWORD)S16(v), c, [](LONG x) { return x == 1 || x == 2; });
}
KV_SEAM int RuleIsValidTTOption(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(18, (DWORD)S16(v), c, [](LONG x) { return x >= 1 && x <= 4; });
}
KV_SEAM int RuleIsValidICMMethod(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(27, v, c, [](LONG x) { return x >= 1 && x <= 4; });
}
KV_SEAM int RuleIsValidICMIntent(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(28, v, c, [](LONG x) { return x == 1 || x == 2; });
}
KV_SEAM int RuleIsValidMediaType(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(29, v, c, [](LONG x) { return x >= 1 && x <= 3; });
}
KV_SEAM int RuleIsValidDitherType(DWORD v, SETTING_CONTEXT* c) {
  return Verdict(30, v, c, [](LONG x) { return (x >= 1 && x <= 4) || x == 10; });
}
KV_SEAM int RuleCheckOptionValue(ITEM_DESC*, WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  return RuleTestValue(id, value, ctx) == 0 ? 0 : 1;
}
// Of the validation only what makes a default store this model's private DEVMODE: the machine id and
// the driver type that the DEVMODE validators compare.
KV_SEAM int RuleResetUncheckedSettings(DEVMODEW* dm, SETTING_CONTEXT* ctx, int mode) {
  if (!dm || mode != 1) return 600;
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  BYTE* p = reinterpret_cast<BYTE*>(dm);
  p[PDM_OFF_MACHINE_ID] = (BYTE)m->modelCode;
  p[PDM_OFF_DRIVER_TYPE] = (BYTE)m->driverType;
  return 600;
}
KV_SEAM int RuleApplyUserMacro(SETTING_CONTEXT*) { return 0; }
KV_SEAM void RuleSetDevmodeDuplex(DEVMODEW*, SETTING_CONTEXT*) {}
KV_SEAM void RuleSetDevmodeMediaType(DEVMODEW*, SETTING_CONTEXT*) {}

KV_SEAM DWORD ImgResolutionCodeByXDpi(DWORD x) {
  for (const RESOLUTION_ROW* r = StgGetResolutionTable(); r && r->code; ++r)
    if (r->xDpi == x) return r->code;
  return 0;
}
KV_SEAM DWORD ImgResolutionCodeAfter(DWORD x, DWORD code) {
  const RESOLUTION_ROW* r = StgGetResolutionTable();
  while (r && r->code && r->code != code) ++r;
  if (!r || !r->code) return 0;
  for (++r; r->code; ++r)
    if (r->xDpi == x) return r->code;
  return 0;
}
