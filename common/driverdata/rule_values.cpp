// Value checks under the compiled rules, the one-setting entry points, the public-field tests, the
// paper-code tests, the n-up alignment and the derived values. The reset-handler table lives in
// rule_reset.cpp.
#include "driverdata/rule_values.h"

#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "config/driver_lists.h"
#include "driverdata/rule_eval.h"
#include "kvplat/devmode.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/library_hooks.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

DWORD Stored(SETTING_CONTEXT* ctx, WORD id) { return DWORD(StgGetValue(ctx, id, nullptr)); }

bool IsListType(WORD baseType) {
  return baseType == dfc::kTypePickOne || baseType == dfc::kTypePickMany || baseType == dfc::kTypePickPage ||
         baseType == dfc::kTypePickSlot;
}

DWORD IntakeMode(SETTING_CONTEXT* ctx) { return ctx && ctx->work ? ctx->work->mergeMode : 0; }

const ITEM_VALUE_MAP* ValueMap(const ITEM_DESC* desc) { return desc && desc->ext ? desc->ext->valueMap : nullptr; }

// A switching setting that is in force: it has an active node that is neither excluded nor under its
// second condition, and it is stored non-zero.
bool SwitchIsOn(SETTING_CONTEXT* ctx, WORD switchId) {
  IMG_REF node = ImgFindActiveNode(ctx, switchId);
  if (!node || RuleIsOptionExcluded(ctx, node, 0) || RuleEvalSecondCondition(ctx, node, 0)) return false;
  return Stored(ctx, switchId) != 0;
}

// Maps a list value through the descriptor's value map. False when the map leaves it unchanged and has
// no entry for it; `mapped` is 0 without a map.
bool MapListValue(SETTING_CONTEXT* ctx, const ITEM_DESC* desc, DWORD value, DWORD* checked, DWORD* mapped) {
  *checked = value;
  *mapped = 0;
  if (!ValueMap(desc)) return true;
  DWORD m = StgMapToOption(ctx, desc, value);
  if (m == value && !StgHasOptionValue(ctx, desc, value)) return false;
  *checked = *mapped = m;
  return true;
}

// The switching setting whose state gates the exclusion of these settings' options; 0 for others.
WORD GatingSwitch(WORD id) {
  switch (id) {
    case sid::rdmDuplexType: return sid::rdmFuncSelectDuplex;
    case sid::rdmPunchType: return sid::rdmFuncSelectPunch;
    case sid::rdmStapleType: return sid::rdmFuncSelectStaple;
    case sid::rdmFoldType: return sid::rdmFuncSelectFold;
    case sid::rdmCopyProtectTileMask: return sid::rdmCopyProtectFuncSelectMaskPattern;
    default: return 0;
  }
}

bool IsColorMatchingSetting(WORD id) {
  return id == sid::rdmColorMatchingMode || (id >= sid::wdmColorMatchingText && id <= sid::wdmColorMatchingImage);
}

int CheckListValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx, IMG_REF node) {
  DWORD checked, mapped;
  if (!MapListValue(ctx, desc, value, &checked, &mapped)) return RULE_OUTCOME_REJECTED;
  if (!ImgNodeOptions(node)) return mapped ? RULE_OUTCOME_ADMISSIBLE : RULE_OUTCOME_REJECTED;
  if (!RuleListHasValue(node, checked)) return RULE_OUTCOME_REJECTED;
  WORD option = WORD(checked);
  if (id == sid::rdmNUPType) return RULE_OUTCOME_ADMISSIBLE;
  if (WORD sw = GatingSwitch(id)) {
    if (SwitchIsOn(ctx, sw) && RuleIsOptionExcluded(ctx, node, option)) return RULE_OUTCOME_EXCLUDED;
    return RULE_OUTCOME_ADMISSIBLE;
  }
  if (IsColorMatchingSetting(id) && value >= 200 && value <= 215) return RULE_OUTCOME_ADMISSIBLE;
  if (RuleIsOptionExcluded(ctx, node, option)) return RULE_OUTCOME_EXCLUDED;
  if (RuleEvalSecondCondition(ctx, node, option)) return RULE_OUTCOME_SECOND;
  return RULE_OUTCOME_ADMISSIBLE;
}

// rdmPresetNo as a caller names it: 119-134 are the presets 0-15, 118 is "none" (255).
DWORD MapPresetValue(DWORD value) {
  if (value >= 119 && value <= 134) return value - 119;
  if (value == 118) return 255;
  return value;
}
void ValidatePreset(DWORD value, SETTING_CONTEXT* ctx) {
  DWORD p = MapPresetValue(value);
  if (p <= 127 || (p & 0xFF) == 255) return;
  StgSetOptionValue(ctx, sid::rdmPresetNo, 0);
}

void ResetToDefault(WORD id, SETTING_CONTEXT* ctx) {
  if (ITEM_DESC* row = StgFindItem(ctx, id)) StgResetItem(ctx, row);
}

// Steps shared by the four entry points: the descriptor, and the node that the check runs on.
int Preflight(WORD id, SETTING_CONTEXT* ctx, ITEM_DESC** desc, IMG_REF* node) {
  *desc = ctx ? StgFindItem(ctx, id) : nullptr;
  if (!*desc || !(*desc)->key) return RULE_VALUE_NO_UI_KEY;
  *node = ImgFindActiveNode(ctx, id);
  if (!*node || (ImgGetNodeFlags(ctx, id) & dfc::kTypeUnknown)) return RULE_VALUE_NO_NODE;
  return -1;
}

}  // namespace

// ---- checks ---------------------------------------------------------------------------------------------

int RuleListHasValue(IMG_REF node, DWORD value) {
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
    if (ImgOptionValue(o) == WORD(value)) return 1;
  return 0;
}

int RuleIsBooleanValue(DWORD value) { return value <= 1; }

int RuleIsInNumericRange(IMG_REF node, DWORD value) {
  IMG_REF rec = ImgNodeOptions(node);
  if (!rec) return 0;
  const auto* n = reinterpret_cast<const void*>(rec);
  int32_t v = int32_t(value);
  return v >= dfc::Get<int32_t>(n, 16) && v <= dfc::Get<int32_t>(n, 20);
}

int RuleCheckValueCommon(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx, IMG_REF node) {
  if ((id == sid::rdmUserPrintMacro && value == 160) || (id == sid::rdmColorMode && value == 255))
    return RULE_OUTCOME_ADMISSIBLE;
  return RuleCheckNodeValue(desc, id, value, ctx, node);
}

int RuleCheckNodeValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx, IMG_REF node) {
  WORD type = dfc::BaseType(ImgNodeType(node));
  if (IsListType(type)) return CheckListValue(desc, id, value, ctx, node);
  if (type == dfc::kTypeBoolean) return RuleIsBooleanValue(value) ? RULE_OUTCOME_ADMISSIBLE : RULE_OUTCOME_REJECTED;
  if (type == dfc::kTypeNumeric)
    return RuleIsInNumericRange(node, value) ? RULE_OUTCOME_ADMISSIBLE : RULE_OUTCOME_REJECTED;
  return RULE_OUTCOME_ADMISSIBLE;
}

int RuleCheckSettingValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  return RuleCheckValue(desc, id, value, ctx, ImgFindActiveNode(ctx, id));
}

int RuleCheckOptionValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  IMG_REF node = ImgFindActiveNode(ctx, id);
  WORD type = dfc::BaseType(ImgNodeType(node));
  if (!node || IsListType(type)) {
    DWORD checked, mapped;
    if (!MapListValue(ctx, desc, value, &checked, &mapped)) return 0;
    if (!node || !ImgNodeOptions(node)) return mapped != 0;
    return RuleListHasValue(node, checked) && !RuleIsOptionExcluded(ctx, node, WORD(checked));
  }
  if (type == dfc::kTypeBoolean) return RuleIsBooleanValue(value);
  if (type == dfc::kTypeNumeric) return RuleIsInNumericRange(node, value);
  return 1;
}

// ---- entry points -------------------------------------------------------------------------------------

int RuleTestValue(WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  ITEM_DESC* desc;
  IMG_REF node;
  if (int rc = Preflight(id, ctx, &desc, &node); rc >= 0) return rc;
  int outcome = RuleCheckValue(desc, id, value, ctx, node);
  return outcome == RULE_OUTCOME_ADMISSIBLE || outcome == RULE_OUTCOME_SECOND ? RULE_VALUE_OK : RULE_VALUE_REJECTED;
}

int RuleTestOptionValue(WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  ITEM_DESC* desc;
  IMG_REF node;
  if (int rc = Preflight(id, ctx, &desc, &node); rc >= 0) return rc;
  return RuleCheckOptionValue(desc, id, value, ctx) ? RULE_VALUE_OK : RULE_VALUE_REJECTED;
}

void RuleClampOrResetValue(WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  IMG_REF node = ImgFindActiveNode(ctx, id);
  IMG_REF rec = ImgNodeOptions(node);
  if ((id == sid::rdmScaleH || id == sid::rdmScaleV) && dfc::BaseType(ImgNodeType(node)) == dfc::kTypeNumeric &&
      rec) {
    const auto* n = reinterpret_cast<const void*>(rec);
    int32_t lo = dfc::Get<int32_t>(n, 16), hi = dfc::Get<int32_t>(n, 20), v = int32_t(value);
    if (v < lo) return StgSetValue(ctx, id, uint64_t(uint32_t(lo)));
    if (v > hi) return StgSetValue(ctx, id, uint64_t(uint32_t(hi)));
  }
  ResetToDefault(id, ctx);
}

int RuleValidateValue(WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  ITEM_DESC* desc;
  IMG_REF node;
  if (int rc = Preflight(id, ctx, &desc, &node); rc >= 0) return rc;
  int outcome = RuleCheckValue(desc, id, value, ctx, node);
  if (outcome == RULE_OUTCOME_ADMISSIBLE || outcome == RULE_OUTCOME_SECOND) {
    if (id == sid::rdmNUPType && IsListType(dfc::BaseType(ImgNodeType(node))) && ImgNodeOptions(node))
      RuleAlignNupSettings(value, ctx);
    return RULE_VALUE_OK;
  }
  DWORD mode = IntakeMode(ctx);
  if (id == sid::rdmPresetNo)
    ValidatePreset(value, ctx);
  else if (outcome == RULE_OUTCOME_EXCLUDED && (mode & RULE_INTAKE_KEEP_EXCLUDED))
    ;  // an excluded value of a merge that keeps them
  else if (mode & RULE_INTAKE_APPLICATION)
    RuleClampOrResetValue(id, value, ctx);
  else
    ResetToDefault(id, ctx);
  return RULE_VALUE_OK;
}

int RuleValidateOptionValue(WORD id, DWORD value, SETTING_CONTEXT* ctx) {
  ITEM_DESC* desc;
  IMG_REF node;
  if (int rc = Preflight(id, ctx, &desc, &node); rc >= 0) return rc;
  if (RuleCheckOptionValue(desc, id, value, ctx)) return RULE_VALUE_OK;
  if (ValueMap(desc) && (ImgGetNodeFlags(ctx, id) & 3))
    return StgHasOptionValue(ctx, desc, value) ? RULE_VALUE_OK : RULE_VALUE_REJECTED;
  if (id == sid::rdmPresetNo)
    ValidatePreset(value, ctx);
  else
    ResetToDefault(id, ctx);
  return RULE_VALUE_OK;
}

// ---- n-up ---------------------------------------------------------------------------------------------------

int RuleGetNupKind(DWORD t) {
  switch (t) {
    case 1: case 2: case 3: return 1;
    case 33: case 34: case 37: case 38: return 2;
    case 65: case 66: case 69: case 70: return 3;
    case 97: case 98: case 101: case 102: return 4;
    case 129: case 130: return 11;
    case 161: case 162: case 163: case 164: return 10;
    case 32769: case 32770: case 32771: return 9;
    default: return 0;
  }
}

int RuleAlignNupSettings(DWORD nupType, SETTING_CONTEXT* ctx) {
  if (!ctx || !SwitchIsOn(ctx, sid::rdmFuncSelectNup)) return 0;
  IMG_REF node = ImgFindActiveNode(ctx, sid::rdmNUPType);
  if (!node) return 0;
  const DWORD m = Stored(ctx, sid::rdmNUPPOSTKind);
  const int k = RuleGetNupKind(nupType);
  const bool portrait = Stored(ctx, sid::dmOrientation) == 1;
  const DWORD r = portrait ? 1 : 3;
  const WORD option = WORD(StgMapToOption(ctx, StgFindItem(ctx, sid::rdmNUPType), nupType));
  auto excluded = [&] { return RuleIsOptionExcluded(ctx, node, option) != 0; };
  // A kind other than the stored one: the kind follows the value, and a 2-up value restarts the layout.
  auto followKind = [&] {
    if (k != 0) StgSetValue(ctx, sid::rdmNUPPOSTKind, DWORD(k));
    if (k == 1) StgSetValue(ctx, sid::rdmNUPType, r);
    return 1;
  };
  switch (m) {
    case 1:
      if (k == 1 && excluded()) return StgSetValue(ctx, sid::rdmNUPType, r), 1;
      if (k != 1 && k != 0) return StgSetValue(ctx, sid::rdmNUPPOSTKind, DWORD(k)), 1;
      return 0;
    case 2: case 3: case 4: case 9:
      return DWORD(k) != m ? followKind() : 0;
    case 10:
      if (DWORD(k) != m) return followKind();
      if (excluded()) return StgSetValue(ctx, sid::rdmNUPType, portrait ? 161u : 163u), 1;
      return 0;
    case 11:
      if (DWORD(k) != m) return followKind();
      if (excluded()) return StgSetValue(ctx, sid::rdmNUPType, portrait ? 129u : 130u), 1;
      return 0;
    default:
      return 0;
  }
}

// ---- public DEVMODE fields ---------------------------------------------------------------------------------

namespace {

using Fallback = bool (*)(int32_t value);
template <int32_t Lo, int32_t Hi>
bool InRange(int32_t v) { return v >= Lo && v <= Hi; }
bool Never(int32_t) { return false; }
bool Dither(int32_t v) { return (v >= 1 && v <= 4) || v == 10; }

// A public field's check on its setting; 2 or 3 (the rules say nothing about it) fall back to a fixed
// test, optionally widened by the model's allowed list of the setting.
int CheckField(WORD id, int32_t value, bool validate, Fallback fallback, bool orAllowed, SETTING_CONTEXT* ctx) {
  int rc = validate ? RuleValidateOptionValue(id, DWORD(value), ctx) : RuleTestOptionValue(id, DWORD(value), ctx);
  if (rc == RULE_VALUE_OK) return 1;
  if (rc == RULE_VALUE_REJECTED) return 0;
  return fallback(value) || (orAllowed && StgIsValueAllowed(id, value)) ? 1 : 0;
}

}  // namespace

int RuleIsValidDefaultSource(SHORT v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmDefaultSource, v, false, InRange<1, 15>, true, ctx);
}
int RuleIsValidOrientation(SHORT v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmOrientation, v, true, InRange<1, 2>, false, ctx);
}
int RuleIsValidPaperSize(SHORT v, SETTING_CONTEXT* ctx) { return CheckField(sid::dmPaperSize, v, false, Never, false, ctx); }
int RuleIsValidPrintQuality(SHORT v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmPrintQuality, v, false, Never, true, ctx);
}
int RuleIsValidDuplex(SHORT v, SETTING_CONTEXT* ctx) { return CheckField(sid::dmDuplex, v, false, InRange<1, 3>, false, ctx); }
int RuleIsValidColor(SHORT v, SETTING_CONTEXT* ctx) { return CheckField(sid::dmColor, v, false, InRange<1, 2>, false, ctx); }
int RuleIsValidTTOption(SHORT v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmTTOption, v, false, InRange<1, 4>, false, ctx);
}
int RuleIsValidICMMethod(DWORD v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmICMMethod, int32_t(v), false, InRange<1, 4>, true, ctx);
}
int RuleIsValidICMIntent(DWORD v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmICMIntent, int32_t(v), false, InRange<1, 2>, true, ctx);
}
int RuleIsValidMediaType(DWORD v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmMediaType, int32_t(v), false, InRange<1, 3>, true, ctx);
}
int RuleIsValidDitherType(DWORD v, SETTING_CONTEXT* ctx) {
  return CheckField(sid::dmDitherType, int32_t(v), false, Dither, true, ctx);
}

// ---- paper codes -------------------------------------------------------------------------------------------

int RuleIsStdPaperCode(DWORD code) {
  return (code >= 1 && code <= 118) || StgIsValueAllowed(sid::dmPaperSize, int32_t(code)) ? 1 : 0;
}
int RuleIsOutPaperSameAsPaper(DWORD code) { return code == 1024; }
int RuleIsCustomPaperCode(DWORD code) { return code == 256 || code == 448 || (code >= 384 && code <= 393); }
int RuleIsCustomSlotPaper(DWORD paper, SETTING_CONTEXT*) { return paper != 0 && RuleIsCustomPaperCode(paper); }

namespace {
int UserSlotOf(DWORD code) { return code >= 384 && code <= 393 ? int(code - 384) : -1; }
}  // namespace
int RuleGetPaperCustomSlot(SETTING_CONTEXT* ctx) { return UserSlotOf(Stored(ctx, sid::dmPaperSize)); }
int RuleGetOutPaperCustomSlot(SETTING_CONTEXT* ctx) { return UserSlotOf(Stored(ctx, sid::rdmOutPaperSize)); }
int RuleIsStdQuality(LONG value) { return value >= -4 && value <= -1; }
int RuleAcceptAny() { return 1; }

// ---- derived values ----------------------------------------------------------------------------------------

LONG RuleGetWatermarkId(SETTING_CONTEXT* ctx) {
  return Stored(ctx, sid::rdmFuncSelectWaterMark) ? LONG(Stored(ctx, sid::rdmWmID)) : -1;
}

LONG RuleGetUserMacroIndex(SETTING_CONTEXT* ctx) {
  if (Stored(ctx, sid::rdmUseUserMacro) != 1) return -1;
  return LONG(StgGetOptionValue(ctx, sid::rdmUserPrintMacro, nullptr)) - 135;
}

void RuleBroadcastEvent13(SETTING_CONTEXT* ctx) { StgBroadcastModuleEvent(ctx, 13, nullptr); }
int RuleBroadcastEvent11(SETTING_CONTEXT* ctx) { return StgBroadcastModuleEvent(ctx, 11, nullptr); }

void RuleSetDevmodeDuplex(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm) return;
  if (!Stored(ctx, sid::rdmFuncSelectDuplex)) {
    dm->dmDuplex = 1;
    return;
  }
  if (Stored(ctx, sid::wdmCustomFunc0) && dm->dmDuplex != 2 && dm->dmDuplex != 3) return;
  DWORD type = Stored(ctx, sid::rdmDuplexType);
  bool landscape = dm->dmOrientation == 2;
  if (type == 0)
    dm->dmDuplex = 1;
  else if (StgIsValueAllowedByIndex(0, int32_t(type)))
    dm->dmDuplex = landscape ? 2 : 3;
  else
    dm->dmDuplex = landscape ? 3 : 2;
}

void RuleSetDevmodeMediaType(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (dm) dm->dmMediaType = Stored(ctx, sid::rdmMediaType);
}

// When rdmUseUserMacro is 1 and rdmUserPrintMacro is 32-39: restores the settings file that the
// preset section's "QualityList<n>" names (n = macro - 32) and, while the intake keeps excluded values,
// reads the entry's name and returns that answer (else 0). Otherwise returns rdmUseUserMacro when it is
// not 1, or the macro value outside 32-39.
void RuleRestoreQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* key) {
  WCHAR path[261] = {};
  const WCHAR* section = CfgGetPresetSection(ctx);
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (section && ini) CfgIniGetString(section, key, u"", path, 261, ini);
  path[260] = 0;
  CfgReadSettingsFile(ctx ? ctx->printer : nullptr, path, 0x1010, ctx);
}

LONG RuleApplyUserMacroCommon(SETTING_CONTEXT* ctx) { return RuleApplyUserMacroWith(ctx, false); }

LONG RuleApplyUserMacroWith(SETTING_CONTEXT* ctx, bool currentQuality) {
  DWORD use = Stored(ctx, sid::rdmUseUserMacro);
  if (use != 1) return LONG(use);
  DWORD macro = Stored(ctx, sid::rdmUserPrintMacro);
  const bool current = currentQuality && macro == 160;
  if (!current && (macro < 32 || macro > 39)) return LONG(macro);
  // Macros 32-39 name quality entries 0-7; 160 the entry that keeps the current quality, 128.
  WCHAR key[16] = u"QualityList";
  if (current) {
    key[11] = u'1';
    key[12] = u'2';
    key[13] = u'8';
    key[14] = 0;
  } else {
    key[11] = WCHAR(u'0' + (macro - 32));
    key[12] = 0;
  }
  RuleRestoreQualityEntry(ctx, key);
  if (IntakeMode(ctx) & RULE_INTAKE_KEEP_EXCLUDED) {
    CfgLoadQualityEntryName(ctx, key);
    return 1;
  }
  return 0;
}
