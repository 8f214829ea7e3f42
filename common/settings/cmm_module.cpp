// Colour-matching profiles: the profile list in the context's INI file (count, built-in count and
// limit in the region section; one "ColorMatching<n><region>" section per profile), its commands and
// events, the judge hooks of the profile dialogs and the repair of settings that point beyond the list.
#include <string>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "driverdata/rule_values.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"

namespace {

constexpr WORD kDialogAddProfile = 4011;
constexpr WORD kDialogProfileList = 4010;
constexpr WORD kControlMode = 2823;
constexpr WORD kControlPath = 2825;
constexpr WORD kControlList = 2256;
constexpr int kFirstProfileString = 565;
constexpr int kProfileStrings = 16;
constexpr DWORD kUserProfileBase = 200;

constexpr const WORD (&kColourSettings)[4] = STG_COLOUR_MATCHING_SETTINGS;
static_assert(kColourSettings[0] == sid::rdmColorMatchingMode && kColourSettings[1] == sid::wdmColorMatchingText &&
              kColourSettings[2] == sid::wdmColorMatchingLine && kColourSettings[3] == sid::wdmColorMatchingImage);

uint64_t Val(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }

const WCHAR* Ini(SETTING_CONTEXT* ctx) { return CfgGetIniPath(ctx); }
const WCHAR* Region(SETTING_CONTEXT* ctx) { return StgGetRegionCode(ctx); }

int RegionInt(SETTING_CONTEXT* ctx, const WCHAR* key, int def) {
  const WCHAR* ini = Ini(ctx);
  const WCHAR* region = Region(ctx);
  if (!ini || !ini[0] || !region) return def;
  return CfgIniGetInt(region, key, def, ini);
}

// The section of profile n: "ColorMatching<n><region>".
bool ProfileSection(SETTING_CONTEXT* ctx, int n, WCHAR (&dst)[CFG_MAX_SECTION]) {
  const WCHAR* region = Region(ctx);
  if (!region || n < 0) return false;
  WCHAR number[STG_DECIMAL_CHARS];
  std::u16string name = u"ColorMatching";
  name += StgFormatDecimalText(number, n);
  name += region;
  if (name.size() >= CFG_MAX_SECTION) return false;
  kvp::WCopy(dst, CFG_MAX_SECTION, name.c_str());
  return true;
}

void WriteInt(const WCHAR* section, const WCHAR* key, int n, const WCHAR* ini) {
  WCHAR text[STG_DECIMAL_CHARS];
  CfgIniWriteString(section, key, StgFormatDecimalText(text, n), ini);
}

void WriteProfile(SETTING_CONTEXT* ctx, int n, const WCHAR* mode, const WCHAR* path) {
  WCHAR section[CFG_MAX_SECTION];
  const WCHAR* ini = Ini(ctx);
  if (!ini || !ini[0] || !ProfileSection(ctx, n, section)) return;
  CfgIniWriteString(section, u"rdmColorMatchingMode", mode, ini);
  CfgIniWriteString(section, u"wdmColorProfilePath", path, ini);
}

// The context's row of the setting bound to a control (bound by the property sheets), or none.
ITEM_DESC* BoundRow(SETTING_CONTEXT* ctx, const CONTROL_DESC* control) {
  return control && control->item ? StgFindItem(ctx, (WORD)control->item->id) : nullptr;
}
ITEM_DESC* KeyedRow(SETTING_CONTEXT* ctx, const CONTROL_DESC* control) {
  return control && control->key ? StgFindItemByKey(ctx, control->key) : nullptr;
}

void StoreText(SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* text) {
  if (row && ctx->store) StgSetString(ctx, row, text);
}

// The text of a bound setting, cut to STG_CMM_TEXT_CHARS; empty without a binding.
void BoundText(SETTING_CONTEXT* ctx, ITEM_DESC* row, WCHAR* out) {
  out[0] = 0;
  if (!row || !ctx->store) return;
  DWORD len = StgTypeLength(row->type);
  auto* text = (WCHAR*)StgAllocZero((len + 1) * sizeof(WCHAR));
  if (!text) return;
  if (StgGetString(ctx, row, text)) kvp::WCopy(out, STG_CMM_TEXT_CHARS, text);
  StgFree(text);
}

CONTROL_DESC* Control(SETTING_CONTEXT* ctx, WORD dialogId, WORD controlId) {
  const DIALOG_DESC* dlg = StgFindDialog(ctx, dialogId);
  return dlg ? StgFindControlById(ctx, dlg, controlId) : nullptr;
}

// The colour-matching setting in use: rdmColorMatchingMode without adjustment, else by the adjusted
// object (0 text, 1 line, 2 image); -1 for another object. `anyIsImage` takes every other object as
// image.
int ActiveColourIndex(SETTING_CONTEXT* ctx, bool anyIsImage) {
  if (Val(ctx, sid::rdmAdjustMode) == 0) return 0;
  uint64_t object = Val(ctx, sid::rdmAdjustObject);
  if (object <= 2) return (int)object + 1;
  return anyIsImage ? 3 : -1;
}

// Event 15: the list limits copied into another INI file.
int CopyLimits(SETTING_CONTEXT* ctx, STG_CMM_LIMITS_ARG* a) {
  const WCHAR* section = CfgGetRegionSection(ctx);
  if (!section || !section[0]) return 0;
  if (!a || !a->sourceIni || !a->destinationIni) return 1;
  int max = CfgIniGetInt(section, u"CmmMax", 0, a->sourceIni);
  int def = CfgIniGetInt(section, u"CmmDefault", 0, a->sourceIni);
  WriteInt(section, u"CmmMax", max, a->destinationIni);
  WriteInt(section, u"CmmDefault", def, a->destinationIni);
  bool keep = a->keepCount && CfgIniGetInt(section, u"CmmCount", -1, a->destinationIni) != -1;
  if (!keep) WriteInt(section, u"CmmCount", def, a->destinationIni);
  return 1;
}

// Event 56: the toner-saving density answer of an item of control 3039.
void DensityAnswer(SETTING_CONTEXT* ctx, STG_DENSITY_ARG* a) {
  if (!a || !a->control || a->control->controlId != 3039) return;
  WORD setting;
  switch (a->itemId) {
    case 6990: setting = sid::rdmTonerSaveDensityImage; break;
    case 6982: setting = sid::rdmTonerSaveDensityText; break;
    case 7668: setting = sid::rdmTonerSaveDensityLine; break;
    default: return;
  }
  static constexpr uint64_t kAnswers[3] = {25, 13, 0};
  DWORD option = StgGetOptionValue(ctx, setting, nullptr);
  if (option < 3) a->answer = kAnswers[option];
}

}  // namespace

int StgGetCmmCount(SETTING_CONTEXT* ctx) { return RegionInt(ctx, u"CmmCount", 0); }
int StgGetCmmDefault(SETTING_CONTEXT* ctx) { return RegionInt(ctx, u"CmmDefault", 4); }
int StgGetCmmMax(SETTING_CONTEXT* ctx) { return RegionInt(ctx, u"CmmMax", 16); }

void StgSetCmmCount(SETTING_CONTEXT* ctx, int n) {
  const WCHAR* ini = Ini(ctx);
  const WCHAR* region = Region(ctx);
  if (ini && ini[0] && region) WriteInt(region, u"CmmCount", n, ini);
}

CONTROL_DESC* StgGetCmmModeControl(SETTING_CONTEXT* ctx) { return Control(ctx, kDialogAddProfile, kControlMode); }
CONTROL_DESC* StgGetCmmPathControl(SETTING_CONTEXT* ctx) { return Control(ctx, kDialogAddProfile, kControlPath); }
CONTROL_DESC* StgGetCmmListControl(SETTING_CONTEXT* ctx) { return Control(ctx, kDialogProfileList, kControlList); }

void StgReadCmmProfile(SETTING_CONTEXT* ctx, int n, WCHAR* mode, WCHAR* path) {
  mode[0] = path[0] = 0;
  if (n < 0) return;
  if (n >= StgGetCmmCount(ctx)) n = 0;
  WCHAR section[CFG_MAX_SECTION];
  const WCHAR* ini = Ini(ctx);
  if (!ini || !ini[0] || !ProfileSection(ctx, n, section)) return;
  CfgIniGetString(section, u"rdmColorMatchingMode", u"", mode, STG_CMM_TEXT_CHARS, ini);
  CfgIniGetString(section, u"wdmColorProfilePath", u"", path, STG_CMM_TEXT_CHARS, ini);
}

void StgLoadCmmProfileToDialog(SETTING_CONTEXT* ctx, int n) {
  WCHAR mode[STG_CMM_TEXT_CHARS], path[STG_CMM_TEXT_CHARS];
  StgReadCmmProfile(ctx, n, mode, path);
  StoreText(ctx, BoundRow(ctx, StgGetCmmModeControl(ctx)), mode);
  StoreText(ctx, BoundRow(ctx, StgGetCmmPathControl(ctx)), path);
}

void StgSelectCmmProfile(SETTING_CONTEXT* ctx, int n) {
  WCHAR mode[STG_CMM_TEXT_CHARS], path[STG_CMM_TEXT_CHARS];
  StgReadCmmProfile(ctx, n, mode, path);
  StoreText(ctx, KeyedRow(ctx, StgGetCmmModeControl(ctx)), mode);
  StoreText(ctx, KeyedRow(ctx, StgGetCmmPathControl(ctx)), path);
}

void StgSaveCmmProfile(SETTING_CONTEXT* ctx, int n) {
  if (n < 0 || n >= StgGetCmmCount(ctx)) return;
  WCHAR mode[STG_CMM_TEXT_CHARS], path[STG_CMM_TEXT_CHARS];
  BoundText(ctx, BoundRow(ctx, StgGetCmmModeControl(ctx)), mode);
  BoundText(ctx, BoundRow(ctx, StgGetCmmPathControl(ctx)), path);
  WriteProfile(ctx, n, mode, path);
}

int StgDeleteCmmProfile(SETTING_CONTEXT* ctx, int n) {
  int count = StgGetCmmCount(ctx);
  if (n < 0 || n >= count) return count;
  // The later profiles move down through the INI itself, so the deletion does not depend on the
  // property sheets having bound the dialog's controls.
  for (int k = n; k + 1 < count; ++k) {
    WCHAR mode[STG_CMM_TEXT_CHARS], path[STG_CMM_TEXT_CHARS];
    StgReadCmmProfile(ctx, k + 1, mode, path);
    WriteProfile(ctx, k, mode, path);
  }
  StgSetCmmCount(ctx, count - 1);
  return count - 1;
}

int StgGetCmmProfileOfSetting(SETTING_CONTEXT* ctx, WORD id) {
  DWORD v = (DWORD)Val(ctx, id);
  if (v < kUserProfileBase) return -1;
  DWORD n = v - kUserProfileBase;
  return n < (DWORD)StgGetCmmCount(ctx) ? (int)n : -1;
}

int StgGetSelectedCmmProfile(SETTING_CONTEXT* ctx) {
  ITEM_DESC* row = BoundRow(ctx, StgGetCmmListControl(ctx));
  return row ? StgGetCmmProfileOfSetting(ctx, (WORD)row->id) : -1;
}

void StgOnCmmListChanged(SETTING_CONTEXT*, int) {}

void StgNoteActiveCmmSetting(SETTING_CONTEXT* ctx, int) {
  int k = ActiveColourIndex(ctx, false);
  if (k < 0 || !ctx->work) return;
  BYTE* state = ctx->work->moduleState;
  state[STG_NOTED_COLOUR_FLAGS] |= (BYTE)(1u << k);
  state[STG_NOTED_COLOUR_VALUES + k] = (BYTE)Val(ctx, kColourSettings[k]);
}

void StgCmmFixProfileSettings(SETTING_CONTEXT* ctx) {
  LONG macro = RuleGetUserMacroIndex(ctx);
  if (macro < 0) return;
  uint64_t current[4], entry[4];
  for (int k = 0; k < 4; ++k) current[k] = Val(ctx, kColourSettings[k]);
  // The entry is read into the store between a snapshot and its restore; without a snapshot the
  // current settings would be lost, so nothing is repaired then.
  if (!StgPushUndo(ctx)) return;
  ITEM_DICTIONARY* dict = StgSaveDictionary(ctx);
  bool loaded = CfgLoadQualityFileByIndex(ctx, (int)macro) != 0;
  for (int k = 0; k < 4; ++k) entry[k] = Val(ctx, kColourSettings[k]);
  StgPopUndo(ctx, 1);
  StgRestoreDictionary(ctx, dict);
  // Without the entry's values there is nothing to repair with: the settings stay as they are.
  if (!loaded) return;
  DWORD count = (DWORD)StgGetCmmCount(ctx);
  for (int k = 0; k < 4; ++k) {
    DWORD v = (DWORD)current[k];
    if (v >= kUserProfileBase && v - kUserProfileBase >= count) StgSetValue(ctx, kColourSettings[k], entry[k] & 0xFF);
  }
}

DWORD StgCmmJudge(SETTING_CONTEXT* ctx, WORD id) {
  switch (id) {
    case 1292:
      return StgGetSelectedCmmProfile(ctx) < StgGetCmmDefault(ctx) ? 1 : 0;
    case 1293:
      return StgGetCmmCount(ctx) >= StgGetCmmMax(ctx) ? 1 : 0;
    case 1294:
      return StgGetCmmPathControl(ctx) ? 1 : 0;
    default:
      return 0;
  }
}

int StgCmmModuleCommand(SETTING_CONTEXT* ctx, WORD command, void*) {
  if (command < STG_CMD_CMM_FIRST || command > STG_CMD_CMM_LAST) return 0;
  switch (command) {
    case 111: {
      int count = StgGetCmmCount(ctx);
      if (count < StgGetCmmMax(ctx)) {
        StgSetCmmCount(ctx, count + 1);
        StgSaveCmmProfile(ctx, count);
      }
      break;
    }
    case 112: {
      int selected = StgGetSelectedCmmProfile(ctx);
      int count = StgDeleteCmmProfile(ctx, selected);
      if (selected >= count) StgOnCmmListChanged(ctx, -1);
      StgNoteActiveCmmSetting(ctx, selected);
      StgBroadcastModuleEvent(ctx, STG_EVENT_SETTINGS_CHANGED, nullptr);
      break;
    }
    case 113:
      StgSaveCmmProfile(ctx, StgGetSelectedCmmProfile(ctx));
      break;
    case 114: case 115: case 116: case 117:
      StgLoadCmmProfileToDialog(ctx, StgGetCmmProfileOfSetting(ctx, kColourSettings[command - 114]));
      break;
    case 118: case 119: case 120: case 121:
      StgSaveCmmProfile(ctx, StgGetCmmProfileOfSetting(ctx, kColourSettings[command - 118]));
      break;
    case 122:
      StgBroadcastModuleCommand(ctx, 113);
      break;
    case 123:
      StgBroadcastModuleCommand(ctx, 111);
      StgOnCmmListChanged(ctx, StgGetCmmCount(ctx) - 1);
      break;
    default: {  // 124
      if (!StgIsValueAllowed(sid::rdmAdjustMode, (int32_t)Val(ctx, sid::rdmAdjustMode))) break;
      int n = StgGetCmmProfileOfSetting(ctx, kColourSettings[ActiveColourIndex(ctx, true)]);
      if (n >= 0) StgLoadCmmProfileToDialog(ctx, n);
      break;
    }
  }
  return 1;
}

int StgCmmModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void*) {
  switch (event) {
    case 15:
      return CopyLimits(ctx, static_cast<STG_CMM_LIMITS_ARG*>(arg));
    case STG_EVENT_DYNAMIC_STRING: {
      auto* a = static_cast<CFG_STRING_ID_EVENT*>(arg);
      if (!a || a->stringId < kFirstProfileString || a->stringId >= kFirstProfileString + kProfileStrings) return 0;
      int n = a->stringId - kFirstProfileString;
      StgLoadCmmProfileToDialog(ctx, n);
      if (a->text) {
        WCHAR mode[STG_CMM_TEXT_CHARS], path[STG_CMM_TEXT_CHARS];
        StgReadCmmProfile(ctx, n, mode, path);
        kvp::WCopy(a->text, STG_CMM_TEXT_CHARS, mode);
      }
      return 1;
    }
    case STG_EVENT_SETTINGS_CHANGED:
      StgCmmFixProfileSettings(ctx);
      return 1;
    case 56:
      DensityAnswer(ctx, static_cast<STG_DENSITY_ARG*>(arg));
      return 1;
    case 58:
      if (auto* a = static_cast<STG_CONTROL_ANSWER_ARG*>(arg); a && a->control) {
        WORD c = a->control->controlId;
        if (c == 3032 || c == 3035 || c == 3038) a->answer = 1;
      }
      return 1;
    default:
      return 0;
  }
}
