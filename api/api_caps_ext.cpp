// Capability handlers of the extended set (ids 60-127, 257-282 and 0x30000): colour adjustment, macros,
// finishing details, authentication, presets, load sharing, duplex and N-up types, creep margins, user
// qualities, toner save and colour matching.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "api_caps.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_tables.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "driverdata/dfc_image.h"
#include "driverdata/img_caps.h"
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"

namespace {

constexpr DWORD kColourProfileBase = 200;
constexpr int kNameSlot = 64;

bool Usable(SETTING_CONTEXT* ctx, WORD id) { return ApiIsOptionUsable(ctx, id, 0, 1); }
int UsableValue(SETTING_CONTEXT* ctx, WORD id) { return Usable(ctx, id) ? 1 : 0; }
int Node(SETTING_CONTEXT* ctx, WORD id) { return ImgHasUsableNode(ctx, 0, id); }
DWORD Get(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
char* Slots(void* buffer) { return static_cast<char*>(buffer); }

// The entries a list handler gathers: counted without a list, written (never past the capacity) with one.
class Out {
 public:
  Out(void* buffer, int capacity) : list_(static_cast<DWORD*>(buffer)), cap_(capacity) {}
  void Put(DWORD v) {
    if (!list_) ++n_;
    else if (n_ < cap_) list_[n_++] = v;
  }
  // Appends what a count-then-fill list function gives; its answer (-1 when it has none).
  template <typename Fill>
  int Append(Fill fill) {
    if (!list_) {
      int c = fill(nullptr, INT_MAX);
      if (c > 0) n_ += c;
      return c;
    }
    if (n_ >= cap_) return fill(nullptr, INT_MAX);
    int c = fill(list_ + n_, cap_ - n_);
    if (c > 0) n_ += std::min(c, cap_ - n_);
    return c;
  }
  int count() const { return n_; }

 private:
  DWORD* list_;
  int cap_;
  int n_ = 0;
};

auto Codes(SETTING_CONTEXT* ctx, WORD id) {
  return [ctx, id](DWORD* list, int cap) { return ImgListAllowedCodes(ctx, list, id, cap); };
}
auto Allowed(SETTING_CONTEXT* ctx, WORD id) {
  return [ctx, id](DWORD* list, int cap) { return ApiCapsAllowedCodes(ctx, 0, list, id, cap); };
}
auto Values(SETTING_CONTEXT* ctx, WORD id) {
  return [ctx, id](DWORD* list, int cap) { return ApiCapsValueList(ctx, 0, list, id, cap); };
}

// A list of codes; -1 (no codes) answers 0.
int CodesOrZero(SETTING_CONTEXT* ctx, void* buffer, int capacity, WORD id) {
  Out out(buffer, capacity);
  return out.Append(Codes(ctx, id)) < 0 ? 0 : out.count();
}
int AllowedOrZero(SETTING_CONTEXT* ctx, void* buffer, int capacity, WORD id) {
  Out out(buffer, capacity);
  return out.Append(Allowed(ctx, id)) < 0 ? 0 : out.count();
}

// The minimum or maximum of a setting's Numeric value record; false without the record.
bool RangeEnd(SETTING_CONTEXT* ctx, WORD id, bool largest, LONG* out) {
  IMG_REF rec = ImgGetOptionList(ctx, id, nullptr);
  if (!rec) return false;
  *out = largest ? DFC_GET(rec, NUMERIC_VALUE, maximum) : DFC_GET(rec, NUMERIC_VALUE, minimum);
  return true;
}
// As an unsigned 16-bit number (capabilities 258-265): 65535 without the record.
int RangeEnd16(SETTING_CONTEXT* ctx, WORD id, bool largest) {
  LONG v = 0;
  return RangeEnd(ctx, id, largest, &v) ? (int)(WORD)v : 65535;
}

// The longest text a String node takes; 0 without the node or its record.
int MaxTextLength(SETTING_CONTEXT* ctx, WORD id) {
  IMG_REF rec = ImgNodeOptions(ApiFindSettingNode(id, ctx));
  return rec ? DFC_GET(rec, STRING_VALUE, maxLength) : 0;
}

// While a code or name list of the colour settings is read, the adjust mode is 0; it is 1 again
// afterwards whatever the list answered.
class AdjustModeOff {
 public:
  explicit AdjustModeOff(SETTING_CONTEXT* ctx) : ctx_(ctx), was_(Get(ctx, sid::rdmAdjustMode) == 1) {
    if (was_) StgSetValue(ctx_, sid::rdmAdjustMode, 0);
  }
  ~AdjustModeOff() {
    if (was_) StgSetValue(ctx_, sid::rdmAdjustMode, 1);
  }
  AdjustModeOff(const AdjustModeOff&) = delete;
  AdjustModeOff& operator=(const AdjustModeOff&) = delete;

 private:
  SETTING_CONTEXT* ctx_;
  bool was_;
};

// The DEVMODE copied for a query that changes settings on trial, and put back afterwards.
class DevmodeTrial {
 public:
  explicit DevmodeTrial(SETTING_CONTEXT* ctx) : ctx_(ctx), copy_(ApiCopyDevmode(ctx)) {}
  ~DevmodeTrial() { ApiRestoreDevmode(ctx_, copy_, 1); }
  DevmodeTrial(const DevmodeTrial&) = delete;
  DevmodeTrial& operator=(const DevmodeTrial&) = delete;
  bool ok() const { return copy_ != nullptr; }

 private:
  SETTING_CONTEXT* ctx_;
  BYTE* copy_;
};

// The store kept in an undo snapshot while entries are loaded, and put back afterwards.
class StoreTrial {
 public:
  explicit StoreTrial(SETTING_CONTEXT* ctx) : ctx_(ctx), pushed_(StgPushUndo(ctx) != 0) {}
  ~StoreTrial() {
    if (pushed_) StgPopUndo(ctx_, 1);
  }
  StoreTrial(const StoreTrial&) = delete;
  StoreTrial& operator=(const StoreTrial&) = delete;
  bool ok() const { return pushed_; }

 private:
  SETTING_CONTEXT* ctx_;
  bool pushed_;
};

// Another capability through the export, with the same connection (the whole export path).
int AskExport(SETTING_CONTEXT* ctx, DWORD id) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  return conn ? ApiGetCapsWithin(conn->handle, id, nullptr, INT_MAX) : -1;
}

// Authentication: 2 when the secure mode can be chosen too.
int Authentication(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx, sid::rdmPrnFuncAuthenticationMode)) return 0;
  DIALOG_DESC* dialog = StgFindDialog(ctx, 4019);
  if (dialog && RuleIsExcludedByKey(ctx, dialog->pageKey, 0) != 1 &&
      Usable(ctx, sid::rdmPrnFuncAuthenticationSecureMode))
    return 2;
  return 1;
}

int PresetNames(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  int count = AskExport(ctx, 85);
  if (!buffer || count <= 0) return count;
  const WCHAR* path = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPresetSection(ctx);
  std::unique_ptr<WCHAR[]> name(new (std::nothrow) WCHAR[260]);
  if (!name) return -1;
  int n = std::min(count, capacity);
  for (int i = 0; i < n; ++i) {
    WCHAR key[CFG_LIST_NAME_CHARS + 8];
    CfgFormatPresetKey(key, i, 1);
    name[0] = 0;
    if (section && path) CfgIniGetString(section, key, u"", name.get(), 260, path);
    // A name that does not fit is cut at a character boundary; a missing one leaves an empty slot.
    ApiCapsWideToSlot(name.get(), Slots(buffer) + (size_t)i * kNameSlot, kNameSlot);
  }
  return n;
}

int DuplexTypes(SETTING_CONTEXT* ctx, DWORD id, void* buffer, int capacity) {
  if (ApiCapsBaseWithin(ctx, 25, nullptr, 0) == 0) return 0;
  bool locked = StgIsModelFeatureOn(ctx, 2, 0) && StgIsDuplexLocked(ctx);
  int lead = locked ? 0 : 1;
  Out out(buffer, capacity);
  if (lead) out.Put(0);
  if (id == 104) {
    int c = out.Append(Codes(ctx, sid::rdmDuplexType));
    return c < 0 ? lead : out.count();
  }
  DevmodeTrial trial(ctx);
  if (!trial.ok()) return -1;
  StgSetValue(ctx, sid::rdmFuncSelectDuplex, 1);
  int c = out.Append(Values(ctx, sid::rdmDuplexType));
  return c < 0 ? lead - 1 : out.count();
}

int NupTypes(SETTING_CONTEXT* ctx, DWORD id, void* buffer, int capacity) {
  DevmodeTrial trial(ctx);
  if (!trial.ok()) return -1;
  Out out(buffer, capacity);
  if (id == 105) {
    // A value list that cannot be had answers -1, with nothing written past the entries listed.
    if (out.Append(Values(ctx, sid::rdmNUPType)) < 0) return -1;
    if (RuleTestValue(sid::rdmNUPPOSTKind, 9, ctx) == 1) {
      StgSetValue(ctx, sid::rdmNUPPOSTKind, 9);
      out.Append(Codes(ctx, sid::rdmNUPType));
    }
    return out.count();
  }
  if (!(StgIsModelFeatureOn(ctx, 2, 0) && StgIsNupKindLocked(ctx))) out.Put(0);
  int kinds = ImgListAllowedCodes(ctx, nullptr, sid::rdmNUPPOSTKind, INT_MAX);
  if (kinds <= 0) return out.count();
  std::unique_ptr<DWORD[]> kind(new (std::nothrow) DWORD[kinds]);
  if (!kind) return -1;
  kinds = ImgListAllowedCodes(ctx, kind.get(), sid::rdmNUPPOSTKind, kinds);
  for (int i = 0; i < kinds; ++i) {
    StgSetValue(ctx, sid::rdmNUPPOSTKind, kind[i]);
    out.Append(Codes(ctx, sid::rdmNUPType));
  }
  return out.count();
}

// User qualities: value 160 (the API's own entry 128), then the user print macro of every stored entry.
int UserQualities(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  Out out(buffer, capacity);
  out.Put(32 + 128);
  if (!ApiIsSettingShown(ctx, sid::rdmUserPrintMacro)) return out.count();
  int n = CfgGetQualityCount(ctx);
  if (!buffer) return n + 1;
  StoreTrial trial(ctx);
  if (!trial.ok()) return -1;
  for (int i = 0; i < n; ++i) {
    CfgLoadQualityByIndex(ctx, i);
    out.Put(Get(ctx, sid::rdmUserPrintMacro));
  }
  return out.count();
}

int UserQualityNames(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  int count = UserQualities(ctx, nullptr, INT_MAX);
  if (!buffer || count <= 0) return count;
  count = std::min(count, capacity);
  std::unique_ptr<DWORD[]> values(new (std::nothrow) DWORD[count]);
  ITEM_DESC* nameRow = StgFindItem(ctx, sid::wdmUserSetName);
  size_t chars = nameRow ? StgTypeLength(nameRow->type) + 1 : 1;
  std::unique_ptr<WCHAR[]> name(new (std::nothrow) WCHAR[chars]());
  if (!values || !name) return -1;
  count = UserQualities(ctx, values.get(), count);
  if (count <= 0) return count;
  StoreTrial trial(ctx);
  if (!trial.ok()) return -1;
  int result = count;
  for (int i = 0; i < count; ++i) {
    char* slot = Slots(buffer) + (size_t)i * kNameSlot;
    std::memset(slot, 0, kNameSlot);
    if (values[i] < 32) continue;
    CfgLoadQualityByIndex(ctx, (int)values[i] - 32);
    name[0] = 0;
    if (nameRow) StgGetString(ctx, nameRow, name.get());
    if (!ApiCapsWideToSlot(name.get(), slot, kNameSlot)) result = -1;
  }
  return result;
}

// The dialog that carries the toner-save switch: 1006, else 1029, else none (0).
WORD TonerSaveDialog(SETTING_CONTEXT* ctx) {
  if (ApiIsSettingShownOnDialog(ctx, sid::rdmFuncSelectTonerSave, 1006)) return 1006;
  if (ApiIsSettingShownOnDialog(ctx, sid::rdmFuncSelectTonerSave, 1029)) return 1029;
  return 0;
}

int TonerSaveValues(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  WORD dialog = TonerSaveDialog(ctx);
  if (!dialog) return 0;
  if (ApiIsSettingShownOnDialog(ctx, sid::rdmTonerSave, dialog)) {
    Out out(buffer, capacity);
    int c = out.Append(Allowed(ctx, sid::rdmTonerSave));
    return c < 0 ? c : out.count();
  }
  Out out(buffer, capacity);
  out.Put(Get(ctx, sid::rdmTonerSave));
  return out.count();
}

// ICM lists: only while colour matching is offered (capability 276 through the export).
bool ColourMatchingOffered(SETTING_CONTEXT* ctx) {
  int r = AskExport(ctx, 276);
  return r != 0 && r != -1;
}

int MatchingModes(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  AdjustModeOff adjust(ctx);
  Out out(buffer, capacity);
  if (out.Append(Allowed(ctx, sid::rdmColorMatchingMode)) < 0) return 0;
  int profiles = ApiGetProfileCount(ctx);
  for (int i = 0; i < profiles; ++i) out.Put(kColourProfileBase + (DWORD)i);
  return out.count();
}

int MatchingModeNames(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  AdjustModeOff adjust(ctx);
  int names = ApiCapsValueMapNames(ctx, 282, Slots(buffer), sid::rdmColorMatchingMode, kNameSlot, 1, capacity);
  if (names < 0) return 0;
  int profiles = ApiGetProfileCount(ctx);
  if (!buffer) return names + std::max(profiles, 0);
  int result = names;
  WCHAR wide[64];
  for (int i = 0; i < profiles && names + i < capacity; ++i) {
    char* slot = Slots(buffer) + (size_t)(names + i) * kNameSlot;
    std::memset(slot, 0, kNameSlot);
    std::memset(wide, 0, sizeof wide);
    if (ApiSelectProfile(ctx, i, wide)) {
      wide[63] = 0;
      if (!ApiCapsWideToSlot(wide, slot, kNameSlot) && result >= 0) result = -1;
    }
    if (result >= 0) ++result;
  }
  return result;
}

int FoldTypes(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  Out out(buffer, capacity);
  out.Put(0);
  if (Get(ctx, sid::rdmOutputOption3TypeFoldingUnit))
    for (DWORD v : {1u, 2u, 3u}) out.Put(v);
  return out.count();
}

int ControlTypes(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  Out out(buffer, capacity);
  if (ApiIsControlUsable(ctx, 1022, 2878, 3)) out.Put(1);
  if (ApiIsControlUsable(ctx, 1023, 2879, 3)) out.Put(2);
  return out.count();
}

int AuthenticationModes(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  if (!Usable(ctx, sid::rdmPrnFuncAuthenticationMode)) return 0;
  Out out(buffer, capacity);
  out.Put(0);
  out.Put(1);
  if (Authentication(ctx) == 2) out.Put(2);
  return out.count();
}

int LoadShareGroups(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  int rows = 0;
  const LOAD_SHARE_ROW* table = ApiGetLoadShareTable(ctx, &rows);
  Out out(buffer, capacity);
  for (int i = 0; table && i < rows; ++i)
    if (table[i].allowed) out.Put(table[i].apiValue);
  return out.count();
}

int PresetNumbers(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  Out out(buffer, capacity);
  int n = CfgGetPresetCount(ctx);
  for (int i = 1; i <= n; ++i) out.Put((DWORD)i);
  return out.count();
}

int ColourModes(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  AdjustModeOff adjust(ctx);
  Out out(buffer, capacity);
  if (out.Append(Allowed(ctx, sid::rdmColorMode)) < 0) return 0;
  if (ApiFunc1Bit1(ctx)) out.Put(255);
  return out.count();
}

int Folding(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx, sid::rdmFunc2SelectFolding)) return 0;
  return Get(ctx, sid::rdmOutputOption3TypeFoldingPunch) || Get(ctx, sid::rdmOutputOption3TypeFoldingFan) ||
                 Get(ctx, sid::rdmOutputOption3TypeFoldingFolder)
             ? 1
             : 0;
}

int CoverMedia(SETTING_CONTEXT* ctx) {
  for (WORD id : {sid::rdmCoverMediaType, sid::rdmBackCoverMediaType, sid::rdmMPInputMediaType,
                  sid::rdmChapterMediaType, sid::rdmReverseCoverMediaType})
    if (Usable(ctx, id)) return 1;
  return 0;
}

}  // namespace

int ApiCapsExtended(SETTING_CONTEXT* ctx, DWORD id, void* buffer) {
  return ApiCapsExtendedWithin(ctx, id, buffer, ApiCapsRoom());
}

int ApiCapsExtendedWithin(SETTING_CONTEXT* ctx, DWORD id, void* buffer, int capacity) {
  switch (id) {
    case 60: return Node(ctx, sid::rdmAdjustMode);
    case 61: return ColourModes(ctx, buffer, capacity);
    case 62: return Node(ctx, sid::rdmBrightness);
    case 63: return Node(ctx, sid::rdmContrast);
    case 64: return Node(ctx, sid::rdmSaturation);
    case 65: return Node(ctx, sid::rdmColorBalanceR);
    case 66: return ApiCapsBaseWithin(ctx, 40, nullptr, 0) ? CodesOrZero(ctx, buffer, capacity, sid::rdmStapleType) : 0;
    case 67: return ApiCapsBaseWithin(ctx, 41, nullptr, 0) ? CodesOrZero(ctx, buffer, capacity, sid::rdmPunchType) : 0;
    case 69: return Node(ctx, sid::rdmExtOutput2A4Fit);
    case 70: return Node(ctx, sid::rdmQualityFuncColorRevision);
    case 71: return Node(ctx, sid::rdmHFFuncSelectDate);
    case 72: return Node(ctx, sid::rdmExtOutputEMFSpool);
    case 73: return Node(ctx, sid::rdmImagePrint);
    case 74: return ApiGetVersion(ctx) > 9 ? 1 : 0;
    case 75: return FoldTypes(ctx, buffer, capacity);
    case 76: {
      if (!Usable(ctx, sid::rdmExtOutput2SeparationSheet)) return 0;
      LONG v = 0;
      return RangeEnd(ctx, sid::rdmSeparationSheetCycle, true, &v) ? (int)(SHORT)v : -1;
    }
    case 77: return ControlTypes(ctx, buffer, capacity);
    case 78: return UsableValue(ctx, sid::wdmWMFuncSelectOrder);
    case 79: return UsableValue(ctx, sid::rdmHFFuncSelectOrder);
    case 80: return ApiIsOptionUsable(ctx, sid::rdmFunc2SelectJobComplete, 0, 3) ? 1 : 0;
    case 81: return ApiIsOptionUsable(ctx, sid::rdmFunc2SelectJobErr, 0, 3) ? 1 : 0;
    case 82: return Authentication(ctx);
    case 83: return MaxTextLength(ctx, sid::rdmJOBPassword);
    case 84: return UsableValue(ctx, sid::rdmFuncSelectCopyProtect);
    case 85: return PresetNumbers(ctx, buffer, capacity);
    case 86: return PresetNames(ctx, buffer, capacity);
    case 87: return UsableValue(ctx, sid::rdmPreviewPrint);
    case 88: return UsableValue(ctx, sid::rdmExtOutput2OrientationManualTray);
    case 89: return Usable(ctx, sid::rdmPrnFuncAuthenticationMode) ? (int)Get(ctx, sid::rdmPrnFuncAuthenticationMode) : 0;
    case 90: return MaxTextLength(ctx, sid::wdmAuthenticationUserName);
    case 91: return MaxTextLength(ctx, sid::wdmAuthenticationPassword);
    case 92: return AuthenticationModes(ctx, buffer, capacity);
    case 93: return LoadShareGroups(ctx, buffer, capacity);
    case 94: return UsableValue(ctx, sid::rdmExtOutputIndexRotation);
    case 95: return ApiGetVersion(ctx) > 12 ? 1 : 0;
    case 96: return UsableValue(ctx, sid::rdmFuncSelectBack);
    case 97: return UsableValue(ctx, sid::rdmFuncSelectReverseCover);
    case 98: return CoverMedia(ctx);
    case 99: return UsableValue(ctx, sid::rdmFuncSelectChapter);
    case 100: return Usable(ctx, sid::rdmFuncSelectChapter) ? (int)Get(ctx, sid::wdmChapterMax) : 0;
    case 101: return UsableValue(ctx, sid::rdmNupLayout);
    case 102: return UsableValue(ctx, sid::rdmBookLayout);
    case 103: case 104: return DuplexTypes(ctx, id, buffer, capacity);
    case 105: case 106: return NupTypes(ctx, id, buffer, capacity);
    case 107: {
      if (!ApiCapsBaseWithin(ctx, 8, nullptr, 0)) return 0;
      return ApiCapsValueList(ctx, id, static_cast<DWORD*>(buffer), sid::dmColor, capacity);
    }
    case 108: return UsableValue(ctx, sid::rdmFunc2SelectEdgeCorner);
    case 109: return Usable(ctx, sid::rdmFunc2SelectEdgeCorner) ? CodesOrZero(ctx, buffer, capacity, sid::rdmCornerPosi) : 0;
    case 110: return Usable(ctx, sid::rdmFunc2SelectEdgeCorner) ? UsableValue(ctx, sid::rdmFuncSelectMarginOverlap) : 0;
    case 111: return UsableValue(ctx, sid::rdmFuncSelectCrops);
    case 112: return UsableValue(ctx, sid::rdmCreepMarginInside);
    case 113: case 114: case 115: case 116: return ApiCapsRangeEnd(ctx, ImgGetCreepMarginRanges, id <= 114, id == 113 || id == 115);
    case 117: return UsableValue(ctx, sid::rdmExtOutput2PaperFace);
    case 118: return ApiGetVersion(ctx) >= 15 && ApiFunc1HasBits(ctx, 512) ? 1 : 0;
    case 119: return UsableValue(ctx, sid::rdmExtOutput2NearStandard);
    case 120: return UsableValue(ctx, sid::rdmPrnFuncReduceFont);
    case 121: return UsableValue(ctx, sid::rdmActionPause);
    case 122: return UsableValue(ctx, sid::rdmActionSave);
    case 123: return UsableValue(ctx, sid::rdmActionPrintAndSave);
    case 124: case 125: {
      LONG extent[2] = {};
      ImgGetPaperExtentInt(ctx, extent, id == 124 ? 1 : 0);
      if (buffer && capacity > 0) std::memcpy(buffer, extent, sizeof extent);
      return 1;
    }
    case 126: return Folding(ctx);
    case 127:
      return ApiCapsNameList(ctx, id, Slots(buffer), sid::rdmMediaType, 260, ApiListOptionCodes, ApiListOptionTexts,
                             capacity);
    case 257: return Node(ctx, sid::rdmAdjustObject);
    case 258: case 259: return RangeEnd16(ctx, sid::rdmBrightness, id == 258);
    case 260: case 261: return RangeEnd16(ctx, sid::rdmContrast, id == 260);
    case 262: case 263: return RangeEnd16(ctx, sid::rdmSaturation, id == 262);
    case 264: case 265: return RangeEnd16(ctx, sid::rdmColorBalanceR, id == 264);
    case 266: return ApiCapsAllowedCodes(ctx, id, static_cast<DWORD*>(buffer), sid::rdmPrintMacro, capacity);
    case 267: return ApiCapsValueMapNames(ctx, id, Slots(buffer), sid::rdmPrintMacro, kNameSlot, 0, capacity);
    case 268: return ApiCapsAllowedCodes(ctx, id, static_cast<DWORD*>(buffer), sid::rdmBalanceMacro, capacity);
    case 269: return ApiCapsValueMapNames(ctx, id, Slots(buffer), sid::rdmBalanceMacro, kNameSlot, 0, capacity);
    case 270: return Node(ctx, sid::rdmUseUserMacro);
    case 271: return UserQualities(ctx, buffer, capacity);
    case 272: return UserQualityNames(ctx, buffer, capacity);
    case 273: return Node(ctx, sid::rdmQualityFuncEcoColor);
    case 274: return TonerSaveDialog(ctx) == 1006 ? 1 : TonerSaveDialog(ctx) == 1029 ? 2 : 0;
    case 275: return TonerSaveValues(ctx, buffer, capacity);
    case 276: {
      DWORD os = Get(ctx, sid::rdmOSKind);
      return os == 0 || os == 1 ? 0 : Node(ctx, sid::rdmColorMatching);
    }
    case 277: return ColourMatchingOffered(ctx) ? AllowedOrZero(ctx, buffer, capacity, sid::rdmICMType) : 0;
    case 278: return ColourMatchingOffered(ctx) ? AllowedOrZero(ctx, buffer, capacity, sid::rdmICMIntent) : 0;
    case 279: {
      if (!ColourMatchingOffered(ctx)) return 0;
      int r = ApiCapsValueMapNames(ctx, id, Slots(buffer), sid::rdmICMIntent, kNameSlot, 1, capacity);
      return r < 0 ? 0 : r;
    }
    case 280: return Node(ctx, sid::rdmExtOutputprinterSide);
    case 281: return MatchingModes(ctx, buffer, capacity);
    case 282: return MatchingModeNames(ctx, buffer, capacity);
    case API_CAPS_EXTRA_ID: return (int)Get(ctx, sid::rdmMachineTypeColor);
    default: return 0;
  }
}
