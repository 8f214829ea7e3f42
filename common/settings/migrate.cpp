// Settings versions and their migration, and the administrator's default section.
#include "settings/migrate.h"

#include <cstring>

#include "config/ini.h"
#include "config/lock_data.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

DWORD ModelVersion(SETTING_CONTEXT* ctx) {
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  return (DWORD)m->settingsVersion;
}

// The default section's name, or false when it would not fit a section name (260 characters).
bool DefaultSectionName(SETTING_CONTEXT* ctx, WCHAR (&out)[261]) {
  const WCHAR* printer = CfgGetPrinterName(ctx);
  if (!printer || !printer[0]) return false;
  size_t n = kvp::WLen(printer), suffix = kvp::WLen(STG_DEFAULT_SECTION_SUFFIX);
  if (n + suffix > 260) return false;
  kvp::WCopy(out, 261, printer);
  kvp::WCopy(out + n, 261 - n, STG_DEFAULT_SECTION_SUFFIX);
  return true;
}

// The device ranges of the default section, read or written under their setting names.
constexpr WORD kDeviceRanges[][2] = {{10001, 10434}, {1453, 1543}};

// Moves the store to or from the default section: the settings-file transfer addresses the
// section named by the context's printer name, so the section's name stands in for it meanwhile.
bool TransferDefaultSection(SETTING_CONTEXT* ctx, DWORD fileFlags, DWORD rangeFlags) {
  WCHAR section[261] = {}, ini[261] = {}, printer[261] = {}, key[261] = {};
  if (!ctx || !ctx->work || !DefaultSectionName(ctx, section)) return false;
  const WCHAR* path = CfgGetIniPath(ctx);
  if (!path || !path[0]) return false;
  kvp::WCopy(ini, 261, path);
  kvp::WCopy(printer, 261, ctx->work->printerName);
  kvp::WCopy(ctx->work->printerName, 261, section);
  const int moved = CfgTransferSettingsFile(ctx->printer, ini, fileFlags, ctx);
  kvp::WCopy(ctx->work->printerName, 261, printer);
  // A section the transfer refused (another model, language or major version, a locked value) is
  // neither loaded nor half-loaded through its device ranges.
  if (!moved) return false;
  for (const auto& r : kDeviceRanges) CfgTransferDeviceRange(ini, rangeFlags, ctx, section, key, r[0], r[1]);
  return true;
}

bool IsNumeric(const ITEM_DESC* row) {
  DWORD code = StgTypeCode(row->type);
  return (code >= STG_TYPE_I8 && code <= STG_TYPE_U32) || StgTypeIsBit(row->type);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Versions.

int StgCompareVersions(DWORD stored, DWORD model) {
  DWORD a = stored / 100, b = model / 100;
  if (a <= 2 && b <= 2) return STG_VERSION_INCOMPATIBLE;
  if (a == b) return stored % 100 < model % 100 ? STG_VERSION_MIGRATE : STG_VERSION_CURRENT;
  // A newer major may lay its private part out differently: it is not taken as it is.
  return STG_VERSION_INCOMPATIBLE;
}

int StgCompareStoreVersion(const DEVMODEW* dm) {
  if (!dm) return -1;
  return StgCompareVersions(StgGetDmSettingsVersion(dm), ModelVersion(StgGetTemplateContext()));
}

int StgRunConvertRule(DWORD from, DWORD to, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  // The model's data must hold the rule: settings it does not know how to convert are not converted.
  const ITEM_SYMBOL* rule = StgTableFindSymbolByName(ctx->symbols, "QDV_ConvertDevmode");
  if (!rule || !rule->key || !ctx->image || !RuleFindRuleRow(ctx, rule->key)) return 0;
  if (from >= to) return 1;
  // One step per minor version of one major: at most 99 runs of the rule.
  if (from / 100 != to / 100) return 0;
  DWORD left = 0;
  for (DWORD v = from + 1; v <= to; ++v) {
    StgSetValue(ctx, sid::wdmConvertVersion, v);
    RuleRunTransactByKey(ctx, rule->key, 0);
    left = (DWORD)StgGetValue(ctx, sid::wdmConvertVersion, nullptr);
    if (left >= to) break;
  }
  return left >= to ? 1 : 0;
}

int StgMigrateStore(const DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (StgCompareStoreVersion(dm) != STG_VERSION_MIGRATE || !ctx || !ctx->store) return 0;
  DWORD to = ModelVersion(ctx);
  if (!StgRunConvertRule(StgGetDmSettingsVersion(dm), to, ctx)) return 0;
  std::memcpy(ctx->store->bytes + PDM_OFF_VERSION, &to, 4);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Default section.

int StgLoadDefaultSection(SETTING_CONTEXT* ctx) {
  WCHAR section[261] = {}, value[261] = {};
  if (!ctx || !ctx->store || !DefaultSectionName(ctx, section)) return 0;
  const WCHAR* key = StgGetItemName(ctx, sid::rdmMachineID);
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!key || !ini || !ini[0]) return 0;
  CfgIniGetString(section, key, u"", value, 261, ini);
  if (!value[0]) return 0;
  return TransferDefaultSection(ctx, CFG_TRANSFER_READ, CFG_TRANSFER_READ | CFG_TRANSFER_RESTORE_FILE) ? 1 : 0;
}

int StgSaveDefaultSection(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  return TransferDefaultSection(ctx, CFG_TRANSFER_WRITE, CFG_TRANSFER_WRITE | CFG_TRANSFER_RESTORE_FILE) ? 1 : 0;
}

void StgRevalidateRange(SETTING_CONTEXT* ctx, WORD first, WORD last) {
  if (!ctx || !ctx->store) return;
  for (DWORD id = first; id <= last; ++id) {
    ITEM_DESC* row = StgFindItem(ctx, (WORD)id);
    // Texts and font lists have no value of their own to check.
    if (!row || !IsNumeric(row) || StgFontListSlot(ctx, (WORD)id, false)) continue;
    RuleValidateValue((WORD)id, (DWORD)StgReadValue(ctx, row), ctx);
  }
}

int StgRebuildDefaultStore(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store || !ctx->work) return 0;
  auto* aside = (SETTING_STORE*)StgAllocZero(sizeof(SETTING_STORE));
  if (!aside) return 0;
  *aside = *ctx->store;
  SETTING_STORE* defaults = ctx->work->defaultCopy;
  if (!StgLoadDefaultSection(ctx)) {
    // Without stored defaults in printer data either, the current settings stand for them: a copy
    // never loaded holds no store at all (no header, no block offsets).
    if (defaults && CfgLoadLockDefaultData(ctx->printer, ctx)) {
      *ctx->store = *defaults;
      StgWriteBlockOffsets(StgGetDevmode(ctx));
      StgRevalidateRange(ctx, 35, 696);
      StgRevalidateRange(ctx, 10001, 10434);
      StgRevalidateRange(ctx, 1453, 1543);
    }
  }
  if (defaults) *defaults = *ctx->store;
  CfgSaveLockDefaultData(ctx->printer, ctx);
  StgSaveDefaultSection(ctx);
  *ctx->store = *aside;
  StgFree(aside);
  return 1;
}
