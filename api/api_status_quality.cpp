// Status items of colour and quality: resolution 34, planes 35, adjust mode 38, the per-object colour
// adjustments 39-43 and 46, and the quality macros 262, toner save 264 and colour matching 267 and 269.
// The per-object items write the setting of the object chosen in rdmAdjustObject while the adjustment is
// per object, else the global setting.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "api_devmode.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_status_texts.h"
#include "api_tables.h"
#include "config/driver_lists.h"
#include "driverdata/img_caps.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/paper_geometry.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

constexpr int kRecordBytes = 32;

uint64_t Get(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, uint64_t v) { StgSetValue(ctx, id, v); }

// An i16 of a record, widened with its sign, and its coding as the settings keep it.
int16_t RecordI16(const void* record, int offset) {
  int16_t v = 0;
  std::memcpy(&v, static_cast<const BYTE*>(record) + offset, sizeof v);
  return v;
}
void PutRecordI16(void* record, int offset, int16_t v) { std::memcpy(static_cast<BYTE*>(record) + offset, &v, sizeof v); }
DWORD Widened(int16_t v) { return (DWORD)(int32_t)v; }
int16_t AsI16(uint64_t v) { return (int16_t)(uint16_t)(v & 0xFFFF); }

// ---- Per-object items ----

struct ObjectItem {
  DWORD id;
  WORD base;
  DWORD capability;  // 0: none
  int matching;      // -1 no condition; 1 rdmColorMatching must be on for a set; 0 it must be off
};
constexpr ObjectItem kObjectItems[] = {
    {39, sid::rdmColorMode, 0, -1},           {40, sid::rdmBrightness, 0, -1},
    {41, sid::rdmContrast, 0, -1},            {42, sid::rdmSaturation, 0, -1},
    {46, sid::rdmQualityFuncColorRevision, 0, -1}, {267, sid::rdmICMIntent, 278, 1},
    {269, sid::rdmColorMatchingMode, 281, 0}};

const ObjectItem* FindObjectItem(DWORD id) {
  for (const ObjectItem& i : kObjectItems)
    if (i.id == id) return &i;
  return nullptr;
}

// Whether capability 61 lists the colour mode 255 (no memory: not listed).
bool ColourModesList255(SETTING_CONTEXT* ctx) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  if (!conn) return false;
  int n = ZARNDrvGetCaps(conn->handle, 61, nullptr);
  if (n <= 0) return false;
  std::vector<uint32_t> list;
  try {
    list.resize((size_t)n + 1);
  } catch (...) {
    return false;
  }
  int got = ZARNDrvGetCaps(conn->handle, 61, list.data());
  for (int i = 0; i < got && i < n; ++i)
    if (list[(size_t)i] == 255) return true;
  return false;
}

// The three colour-balance settings.
constexpr WORD kBalance[3] = {sid::rdmColorBalanceR, sid::rdmColorBalanceG, sid::rdmColorBalanceB};
constexpr WORD kPlanes[4] = {sid::rdmPlaneUseCMYKCyan, sid::rdmPlaneUseCMYKMagenta, sid::rdmPlaneUseCMYKYellow,
                             sid::rdmPlaneUseCMYKBlack};

// A list of the macro items is valid when its capability answers neither -1 nor 0.
bool ListValid(SETTING_CONTEXT* ctx, DWORD capsId) {
  int a = ApiCapabilityAnswer(ctx, capsId);
  return a != -1 && a != 0;
}
constexpr DWORD kPrintMacroList = 266, kBalanceList = 268;
constexpr DWORD kUserQuality = 160;
constexpr int kQualityEntryOfUser = 128;

}  // namespace

// ---- Resolution (34) ----

int ApiSetStatusResolution(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  const DWORD value = ApiRecordU32(record, 4);
  const int form = ApiGetResolutionForm(ctx);
  if (form == -1) {
    ApiSetContextError(ctx, API_ERROR_GENERAL);
    return -1;
  }
  if (form == 1) {
    if (!ApiValuePasses(ctx, sid::rdmDstResolutionBoth, value)) return -1;
    Set(ctx, sid::rdmDstResolutionBoth, value);
    ApiApplyResolutionBoth(ctx);
  } else {
    const RESOLUTION_ROW* row = ImgFindResolutionRow(value & 0xFFFF);
    if (!row) {
      ApiSetContextError(ctx, API_ERROR_GENERAL);
      return -1;
    }
    if (!ApiValuePasses(ctx, sid::rdmDstResolutionW, row->xDpi)) return -1;
    Set(ctx, sid::rdmDstResolutionW, row->xDpi);
  }
  StgSyncResolutionFromDst(StgGetDevmode(ctx), ctx);
  return 1;
}

int ApiGetStatusResolution(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kRecordBytes;
  const int form = ApiGetResolutionForm(ctx);
  if (form == -1) {
    ApiSetContextError(ctx, API_ERROR_GENERAL);
    return -1;
  }
  DWORD value = 0;
  if (form == 1) {
    value = (DWORD)Get(ctx, sid::rdmDstResolutionBoth);
  } else {
    DWORD dpi = (DWORD)Get(ctx, sid::rdmDstResolutionW);
    value = ImgResolutionCodeByDpi(dpi, dpi);
    if (value == 0) return -1;
  }
  ApiPutRecordU32(record, 4, value);
  return kRecordBytes;
}

// ---- Planes (35) ----

int ApiSetStatusPlaneUseCMYK(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  DWORD v[4];
  bool any = false;
  for (int i = 0; i < 4; ++i) any |= (v[i] = ApiRecordU32(record, 4 + 4 * i)) != 0;
  if (!any) return -1;
  for (int i = 0; i < 4; ++i)
    if (!ApiValuePasses(ctx, kPlanes[i], v[i])) return -1;
  for (int i = 0; i < 4; ++i) Set(ctx, kPlanes[i], v[i]);
  return 1;
}

int ApiVerifyStatusPlaneUseCMYK(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  for (int i = 0; i < 4; ++i)
    if ((DWORD)Get(ctx, kPlanes[i]) != ApiRecordU32(record, 4 + 4 * i)) return -1;
  return 1;
}

int ApiGetStatusPlaneUseCMYK(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (record)
    for (int i = 0; i < 4; ++i) ApiPutRecordU32(record, 4 + 4 * i, (DWORD)Get(ctx, kPlanes[i]));
  return kRecordBytes;
}

// ---- Adjust mode (38) ----

int ApiSetStatusAdjustMode(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  DWORD value = ApiRecordU32(record, 4);
  if (!ApiValuePasses(ctx, sid::rdmAdjustMode, value)) return -1;
  Set(ctx, sid::rdmAdjustMode, value);
  return 1;
}

int ApiVerifyStatusAdjustMode(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  return (DWORD)Get(ctx, sid::rdmAdjustMode) == ApiRecordU32(record, 4) ? 1 : -1;
}

int ApiGetStatusAdjustMode(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (record) ApiPutRecordU32(record, 4, (DWORD)Get(ctx, sid::rdmAdjustMode));
  return kRecordBytes;
}

// ---- Per-object values (39-42, 46, 267, 269) ----

int ApiSetStatusObjectValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const ObjectItem* item = FindObjectItem(id);
  if (!item) return -1;
  if (item->capability && !ApiHasCapability(ctx, item->capability)) return -1;
  if (item->matching != -1 && (Get(ctx, sid::rdmColorMatching) != 0) != (item->matching == 1)) return -1;
  const int16_t value = RecordI16(record, 8);
  if (!ApiValuePasses(ctx, item->base, Widened(value))) return -1;
  if (id == 39 && value == 255) {
    if (!ColourModesList255(ctx)) return -1;
    if (Get(ctx, sid::rdmAdjustMode) == 1 && Get(ctx, sid::rdmAdjustObject) != 2) return -1;
  }
  // Values from 200 on select a colour-matching profile: there must be one for it.
  if (id == 269 && (int)value >= 200 + ApiGetProfileCount(ctx)) return -1;
  Set(ctx, ApiObjectSettingId(ctx, item->base), Widened(value));
  return 1;
}

int ApiVerifyStatusObjectValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const ObjectItem* item = FindObjectItem(id);
  return item && AsI16(Get(ctx, ApiObjectSettingId(ctx, item->base))) == RecordI16(record, 8) ? 1 : -1;
}

int ApiGetStatusObjectValue(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD) {
  const ObjectItem* item = FindObjectItem(id);
  if (!item || (item->capability && !ApiHasCapability(ctx, item->capability))) return -1;
  if (!record) return kRecordBytes;
  PutRecordI16(record, 8, AsI16(Get(ctx, item->base)));
  for (int object = 0; object < 3; ++object)
    PutRecordI16(record, 10 + 2 * object, AsI16(Get(ctx, ApiObjectVariantId(ctx, item->base, object))));
  return kRecordBytes;
}

// ---- Colour balance (43) ----

int ApiSetStatusColorBalance(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  for (int i = 0; i < 3; ++i)
    if (!ApiValuePasses(ctx, kBalance[i], Widened(RecordI16(record, 8 + 2 * i)))) return -1;
  for (int i = 0; i < 3; ++i) Set(ctx, ApiObjectSettingId(ctx, kBalance[i]), Widened(RecordI16(record, 8 + 2 * i)));
  return 1;
}

int ApiVerifyStatusColorBalance(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  for (int i = 0; i < 3; ++i)
    if (AsI16(Get(ctx, ApiObjectSettingId(ctx, kBalance[i]))) != RecordI16(record, 8 + 2 * i)) return -1;
  return 1;
}

int ApiGetStatusColorBalance(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kRecordBytes;
  for (int i = 0; i < 3; ++i) {
    PutRecordI16(record, 8 + 2 * i, AsI16(Get(ctx, kBalance[i])));
    for (int object = 0; object < 3; ++object)
      PutRecordI16(record, 14 + 6 * object + 2 * i, AsI16(Get(ctx, ApiObjectVariantId(ctx, kBalance[i], object))));
  }
  return kRecordBytes;
}

// ---- User macro (262) ----

int ApiSetStatusUserMacro(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  if (!ApiFindSwitchSetting(id, nullptr)) return -1;
  const DWORD print = ApiRecordU32(record, 4), balance = ApiRecordU32(record, 8), user = ApiRecordU32(record, 12);
  const DWORD flag = ApiRecordU32(record, 28);
  const bool printList = ListValid(ctx, kPrintMacroList), balanceList = ListValid(ctx, kBalanceList);
  if (flag != 0) {
    if (!ApiValuePasses(ctx, sid::rdmUserPrintMacro, user)) return -1;
    if (user == kUserQuality) {
      CfgSaveQualityByIndex(ctx, kQualityEntryOfUser);
    } else {
      if (!ApiIsSettingShown(ctx, sid::rdmUserPrintMacro)) return -1;
      CfgLoadQualityByIndex(ctx, (int)user - 32);
    }
    Set(ctx, sid::rdmUseUserMacro, flag);
    Set(ctx, sid::rdmUserPrintMacro, user);
    if (!printList && balanceList) Set(ctx, sid::rdmBalanceMacro, 32);
    return 1;
  }
  if (printList && !ApiValuePasses(ctx, sid::rdmPrintMacro, print)) return -1;
  if (balanceList && !ApiValuePasses(ctx, sid::rdmBalanceMacro, balance)) return -1;
  Set(ctx, sid::rdmUseUserMacro, 0);
  if (printList) Set(ctx, sid::rdmPrintMacro, print);
  if (balanceList) {
    Set(ctx, sid::wdmUIStart, 1);
    Set(ctx, sid::rdmUserPrintMacro, 32);
    ApiRunSettingActions(ctx, sid::rdmMediaType);
    Set(ctx, sid::wdmUIStart, 0);
    Set(ctx, sid::rdmBalanceMacro, balance);
    if (balance == 32) CfgLoadQualityByIndex(ctx, (int)Get(ctx, sid::rdmUserPrintMacro) - 32);
  }
  return 1;
}

int ApiVerifyStatusUserMacro(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  const DWORD flag = ApiRecordU32(record, 28);
  if (flag != 0) {
    if ((DWORD)Get(ctx, sid::rdmUserPrintMacro) != ApiRecordU32(record, 12)) return -1;
  } else {
    if (ListValid(ctx, kPrintMacroList) && (DWORD)Get(ctx, sid::rdmPrintMacro) != ApiRecordU32(record, 4)) return -1;
    if (ListValid(ctx, kBalanceList)) {
      if (ApiRecordU32(record, 8) == 32) return 1;
      if ((DWORD)Get(ctx, sid::rdmBalanceMacro) != ApiRecordU32(record, 8)) return -1;
    }
  }
  return (DWORD)Get(ctx, sid::rdmUseUserMacro) == flag ? 1 : -1;
}

int ApiGetStatusUserMacro(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kRecordBytes;
  ApiPutRecordU32(record, 4, (DWORD)Get(ctx, sid::rdmPrintMacro));
  ApiPutRecordU32(record, 8, (DWORD)Get(ctx, sid::rdmBalanceMacro));
  ApiPutRecordU32(record, 12, (DWORD)Get(ctx, sid::rdmUserPrintMacro));
  ApiPutRecordU32(record, 28, (DWORD)Get(ctx, sid::rdmUseUserMacro));
  if (!ListValid(ctx, kPrintMacroList) && ListValid(ctx, kBalanceList) && Get(ctx, sid::rdmUserPrintMacro) != kUserQuality)
    ApiPutRecordU32(record, 28, 0);
  return kRecordBytes;
}

// ---- Toner save (264) ----

int ApiSetStatusTonerSave(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const int shownOn = ApiCapabilityAnswer(ctx, 274);
  if (shownOn == 0 || shownOn == -1) return -1;
  if (shownOn == 2 && !ApiIsUserQualitySelected(ctx)) {
    ApiSetContextError(ctx, API_ERROR_USER_QUALITY);
    return -1;
  }
  const WORD switchId = ApiFindSwitchSetting(id, nullptr);
  const DWORD value = ApiRecordU32(record, 4), on = ApiRecordU32(record, 28);
  if (!switchId || on) {
    if (ApiCapabilityAnswer(ctx, 275) == 1) {
      // Only one value can be chosen: the one stored.
      if ((DWORD)Get(ctx, sid::rdmTonerSave) != value) return -1;
    } else {
      if (!ApiValuePasses(ctx, sid::rdmTonerSave, value)) return -1;
      Set(ctx, sid::rdmTonerSave, value);
    }
    if (!switchId) return 1;
  }
  Set(ctx, switchId, on);
  return 1;
}

int ApiVerifyStatusTonerSave(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const WORD switchId = ApiFindSwitchSetting(id, nullptr);
  if (!switchId) return -1;
  const DWORD on = ApiRecordU32(record, 28);
  if (on == 0) return 1;
  return (DWORD)Get(ctx, switchId) == on && (DWORD)Get(ctx, sid::rdmTonerSave) == ApiRecordU32(record, 4) ? 1 : -1;
}

int ApiGetStatusTonerSave(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD) {
  if (!record) return kRecordBytes;
  const WORD switchId = ApiFindSwitchSetting(id, nullptr);
  ApiPutRecordU32(record, 4, (DWORD)Get(ctx, sid::rdmTonerSave));
  ApiPutRecordU32(record, 28, switchId ? (DWORD)Get(ctx, switchId) : 0);
  return kRecordBytes;
}
