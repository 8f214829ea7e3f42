// DEVMODE and quality exports of the driver API and the settings routines they share.
#include "api_devmode.h"

#include <cstring>

#include "api_caps.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/presets.h"
#include "devlink/bidi_query.h"
#include "driverdata/img_caps.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_judges.h"
#include "settings/access.h"
#include "settings/migrate.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/paper_geometry.h"
#include "settings/platform_queries.h"
#include "settings/public_fields.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/undo.h"
#include "settings/units.h"

static_assert(sizeof(API_DEVMODEW) == sizeof(DEVMODEW));
static_assert(offsetof(API_DEVMODEW, dmFields) == offsetof(DEVMODEW, dmFields));
static_assert(offsetof(API_DEVMODEW, dmPaperSize) == offsetof(DEVMODEW, dmPaperSize));
static_assert(offsetof(API_DEVMODEW, dmCollate) == offsetof(DEVMODEW, dmCollate));
static_assert(offsetof(API_DEVMODEW, dmFormName) == offsetof(DEVMODEW, dmFormName));
static_assert(offsetof(API_DEVMODEW, dmNup) == offsetof(DEVMODEW, dmNup));
static_assert(offsetof(API_DEVMODEW, dmPanningHeight) == offsetof(DEVMODEW, dmPanningHeight));
static_assert(API_DM_PAPERSIZE == DM_PAPERSIZE && API_DM_PAPERLENGTH == DM_PAPERLENGTH &&
              API_DM_PAPERWIDTH == DM_PAPERWIDTH && API_DM_COLLATE == DM_COLLATE && API_DM_COPIES == DM_COPIES);

namespace {

// The switch settings whose type setting a merge must not change while the switch's node is disabled.
struct SwitchType {
  WORD switchId, typeId;
};
constexpr SwitchType kSwitchTypes[] = {{sid::rdmFuncSelectDuplex, sid::rdmDuplexType},
                                       {sid::rdmFuncSelectStaple, sid::rdmStapleType},
                                       {sid::rdmFuncSelectPunch, sid::rdmPunchType},
                                       {sid::rdmFuncSelectFold, sid::rdmFoldType}};

bool IsSwitchDisabled(SETTING_CONTEXT* ctx, WORD switchId) {
  IMG_REF node = ApiFindSettingNode(switchId, ctx);
  return node && RuleEvalSecondCondition(ctx, node, 0) == 1;
}

uint64_t Get(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, uint64_t v) { StgSetValue(ctx, id, v); }

void WriteImageDefault(SETTING_CONTEXT* ctx, WORD id) {
  if (ITEM_DESC* row = StgFindItem(ctx, id)) StgWriteOptionValue(ctx, row, ImgGetDefaultValue(ctx, id));
}

// The modifiers 0x10 (device query; honoured only by the defaults and rebuild branches), 0x20 and 0x40.
void ApplyModifiers(SETTING_CONTEXT* ctx, int flags, bool mayQueryDevice) {
  if (mayQueryDevice && (flags & API_DEVMODE_QUERY)) {
    if (BidiIniFlagSet(ctx)) BidiLoadIniSettings(ctx);
    BidiQueryDevice(ctx);
  }
  int version = ApiGetVersion(ctx);
  if ((flags & API_DEVMODE_NOTIFY) && version >= 10) StgQueryPrintNotification(ctx, 1);
  if ((flags & API_DEVMODE_PRESETS) && version >= 11) CfgMergeInstalledPresets(ctx, nullptr);
}

void BuildDefaults(SETTING_CONTEXT* ctx, int flags) {
  ApiSetContextError(ctx, API_ERROR_NONE);
  bool locked = StgIsModelFeatureOn(ctx, 2, 0) && StgIsDefaultLocked(ctx);
  if (locked) {
    StgRebuildDefaultStore(ctx);
    if (ctx->work->defaultCopy) *ctx->store = *ctx->work->defaultCopy;
  } else {
    StgInitStoreDefaults(ctx);
    ApiInitPlatformFields(ctx);
    ApiResetUiState(ctx, flags);
    CfgFreeDeviceFontLists(ctx);
    CfgReloadDeviceSettings(ctx);
  }
  ApplyModifiers(ctx, flags, true);
  if (locked) return;
  CfgLoadDeviceSettings(ctx->printer, 1, ctx);
  ApiReadJobItems(ctx, API_JOB_ITEM_MASK);
  CfgApplyCountryClass(ctx);
  if (ctx->model && ctx->model->driverType == 1) Set(ctx, sid::dmPaperSize, ctx->work->countryClass[0]);
  ApiSyncPublicDevmode(ctx, nullptr);
}

void Rebuild(SETTING_CONTEXT* ctx, int flags) {
  ApiSetContextError(ctx, API_ERROR_NONE);
  CfgFreeDeviceFontLists(ctx);
  if (SETTING_STORE* fresh = StgCreateStore(ctx, 0)) {
    SETTING_STORE* old = ctx->store;
    ctx->store = fresh;
    StgFree(old);
  }
  CfgReloadDeviceSettings(ctx);
  ApiResetUiState(ctx, flags);
  ApplyModifiers(ctx, flags, true);
  ApiResetShiftIfUnsupported(ctx);
  ApiResetMarginIfOff(ctx);
  ApiReadJobItems(ctx, API_JOB_ITEM_MASK);
  Set(ctx, sid::rdmTSE, StgIsTerminalServerMode(ctx->printer) ? 1 : 0);
  Set(ctx, sid::rdmAdmin, StgIsAdministrator() ? 1 : 0);
  ApiSyncPublicDevmode(ctx, nullptr);
}

void Refresh(SETTING_CONTEXT* ctx, int flags) {
  ApiResetUiState(ctx, flags);
  ApplyModifiers(ctx, flags, false);
  if (ApiGetResolutionForm(ctx) == 1) ApiApplyResolutionBoth(ctx);
  if (ApiNeedsLowResolution(ctx)) {
    Set(ctx, sid::rdmDstResolutionW, 600);
    Set(ctx, sid::rdmDstResolutionH, 600);
    Set(ctx, sid::rdmDstResolutionBoth, 3);
    StgRefreshDerivedSettings(StgGetDevmode(ctx), ctx, 3);
  }
  ApiSyncPublicDevmode(ctx, nullptr);
  if (ApiIsUserQualitySelected(ctx) && Get(ctx, sid::rdmUseUserMacro) == 1) CfgSaveQualityByIndex(ctx, 128);
}

// Opens the connection's printer for one export and closes it again, leaving no stale handle behind in
// the context.
class ConnectionPrinter {
 public:
  explicit ConnectionPrinter(API_CONNECTION* conn) : conn_(conn) {
    if (!ApiOpenPrinter(conn->handle, &printer_, nullptr)) printer_ = nullptr;
  }
  ~ConnectionPrinter() {
    if (!printer_) return;
    if (conn_->ctx->printer == printer_) conn_->ctx->printer = nullptr;
    if (conn_->ctx->printer2 == printer_) conn_->ctx->printer2 = nullptr;
    ApiClosePrinter(printer_);
  }
  bool ok() const { return printer_ != nullptr; }

 private:
  API_CONNECTION* conn_;
  HANDLE printer_ = nullptr;
};

// Runs `work` on the connection's context while the export holds the printer open: -1 for a handle that
// names no connection; last error 100 and -1 when the printer cannot be opened.
template <typename Work>
int WithPrinter(API_HANDLE handle, Work work) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn) return -1;
  ConnectionPrinter printer(conn);
  if (!printer.ok()) {
    ApiSetLastError(handle, API_ERROR_GENERAL);
    return -1;
  }
  return work(conn->ctx);
}

}  // namespace

int ApiBuildDevmode(SETTING_CONTEXT* ctx, int flags, void* out) {
  if (!ctx || !ctx->store || !ctx->work) return -1;
  uint64_t uiMode = Get(ctx, sid::rdmUIModeChange);
  ctx->work->chapterDeviceLoaded = 0;
  if (flags & API_DEVMODE_DEFAULTS)
    BuildDefaults(ctx, flags);
  else if (flags & API_DEVMODE_REBUILD)
    Rebuild(ctx, flags);
  else if (flags & API_DEVMODE_REFRESH)
    Refresh(ctx, flags);
  else {
    ApiSetContextError(ctx, API_ERROR_FLAGS);
    return -1;
  }
  Set(ctx, sid::rdmUIModeChange, uiMode);
  if (out) std::memcpy(out, ctx->store, StgGetDevmodeSize());
  return (int)StgGetDevmodeSize();
}

void ApiSyncPublicDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* dm) {
  bool disabled[4] = {};
  uint64_t kept[4] = {};
  for (int i = 0; i < 4; ++i)
    if ((disabled[i] = IsSwitchDisabled(ctx, kSwitchTypes[i].switchId))) kept[i] = Get(ctx, kSwitchTypes[i].typeId);
  bool adjust = Get(ctx, sid::rdmAdjustMode) == 1;
  if (adjust) Set(ctx, sid::rdmAdjustMode, 0);
  ApiMergeDevmode(ctx, dm);
  if (adjust) Set(ctx, sid::rdmAdjustMode, 1);
  for (int i = 0; i < 4; ++i)
    if (disabled[i] && IsSwitchDisabled(ctx, kSwitchTypes[i].switchId)) Set(ctx, kSwitchTypes[i].typeId, kept[i]);
  Set(ctx, sid::dmCollate, Get(ctx, sid::rdmFuncSelectSort) != 0 ? 1 : 0);
}

void ApiSetCustomPaperFields(SETTING_CONTEXT* ctx, const void* record) {
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (!dm || !record) return;
  const BYTE* r = static_cast<const BYTE*>(record);
  DWORD paper;
  int32_t width, length;
  std::memcpy(&paper, r + 4, 4);
  std::memcpy(&width, r + 8, 4);
  std::memcpy(&length, r + 12, 4);
  dm->dmPaperSize = (SHORT)paper;
  // The record holds the display unit; the DEVMODE fields hold 0.1 mm and no more than 32760 of it.
  LONG tenthW = ApiDisplayToTenthMm(ctx, width), tenthL = ApiDisplayToTenthMm(ctx, length);
  if (tenthW > 32760 || tenthL > 32760 || tenthW < 0 || tenthL < 0) {
    dm->dmPaperWidth = dm->dmPaperLength = 0;
    dm->dmFields = (dm->dmFields & ~(DWORD)(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE;
    return;
  }
  dm->dmPaperWidth = (SHORT)tenthW;
  dm->dmPaperLength = (SHORT)tenthL;
  dm->dmFields = (dm->dmFields | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~(DWORD)DM_PAPERSIZE;
}

void ApiResetUiState(SETTING_CONTEXT* ctx, int flags) {
  Set(ctx, sid::rdmUIModeChange, 0);
  StgSetPresentUIModeTo0(ctx);
  StgClearChangeFlags(ctx, 0x4000000);
  if (!(flags & API_DEVMODE_REFRESH)) {
    if (flags & API_DEVMODE_DEFAULTS) {
      Set(ctx, sid::rdmUseUserMacro, 0);
      Set(ctx, sid::rdmUserPrintMacro, 0);
    } else if ((flags & API_DEVMODE_REBUILD) && ApiGetVersion(ctx) < 6) {
      ApiTakeQualityPlanes(ctx);
    }
  }
  ApiUpdatePaper(ctx, 1);
}

void ApiTakeQualityPlanes(SETTING_CONTEXT* ctx) {
  uint64_t macro = Get(ctx, sid::rdmUserPrintMacro);
  if (Get(ctx, sid::rdmUseUserMacro) != 1 || macro < 32 || macro > 39) return;
  constexpr WORD planes[4] = {sid::rdmPlaneUseCMYKCyan, sid::rdmPlaneUseCMYKMagenta, sid::rdmPlaneUseCMYKYellow,
                              sid::rdmPlaneUseCMYKBlack};
  uint64_t values[4];
  StgPushUndo(ctx);
  CfgLoadQualityByIndex(ctx, (int)macro - 32);
  for (int i = 0; i < 4; ++i) values[i] = Get(ctx, planes[i]);
  StgPopUndo(ctx, 1);
  for (int i = 0; i < 4; ++i) Set(ctx, planes[i], values[i]);
}

void ApiResetShiftIfUnsupported(SETTING_CONTEXT* ctx) {
  if (ApiCapsShiftMargin(ctx, 34, nullptr)) return;
  WriteImageDefault(ctx, sid::rdmShiftDir);
  WriteImageDefault(ctx, sid::rdmShiftMarginX);
}

void ApiApplyResolutionBoth(SETTING_CONTEXT* ctx) {
  Set(ctx, sid::wdmCtrlWorkPrompt, 1);
  if (IMG_REF node = ApiFindSettingNode(sid::rdmDstResolutionBoth, ctx)) RuleRunNodeTransact(ctx, node);
  Set(ctx, sid::wdmCtrlWorkPrompt, 0);
}

void ApiSetOsKind(SETTING_CONTEXT* ctx) {
  if (StgIsNt5OrLater())
    StgSetOSKindTo2(ctx);
  else
    StgSetOSKindTo1(ctx);
}

void ApiInitPlatformFields(SETTING_CONTEXT* ctx) { ApiSetOsKind(ctx); }

bool ApiNeedsLowResolution(SETTING_CONTEXT* ctx) {
  if (Get(ctx, sid::rdmMachineID) != 130) return false;
  uint64_t memory = Get(ctx, sid::rdmOutOptionSupportCFUnit) && Get(ctx, sid::rdmOutputOptionTypeCFUnit) ? 160 : 32;
  if (!ApiPageFitsResolution(ctx)) return true;
  return ImgHasDuplexUnit(ctx) && Get(ctx, sid::rdmFuncSelectDuplex) && Get(ctx, sid::rdmPrinterMemory) == memory &&
         Get(ctx, sid::rdmDstResolutionBoth) == 4;
}

void ApiRederivePaper(SETTING_CONTEXT* ctx) {
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (!dm) return;
  StgSyncResolutionFromDst(dm, ctx);
  if ((dm->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == (DM_PAPERLENGTH | DM_PAPERWIDTH))
    StgSetSourcePaperFromDevmode(dm, ctx);
  else
    StgApplySourcePaper((DWORD)dm->dmPaperSize, sid::dmPaperSize, ctx, dm);
  StgApplyOutputPaper((DWORD)Get(ctx, sid::rdmOutPaperSize), sid::rdmOutPaperSize, ctx, dm);
}

bool ApiPageFitsResolution(SETTING_CONTEXT* ctx) {
  ApiRederivePaper(ctx);
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (dm && dm->dmPrintQuality == 600) return true;
  return RuleDstPageFitsDots(ctx) && RuleScaledPageFitsDots(ctx);
}

const BYTE* ApiFindSavedValue(const ITEM_DESC* item, const SETTING_STORE* saved) {
  if (!item || !saved) return nullptr;
  DWORD block = (DWORD)((item->type >> 30) & 3);
  if (block < 1) return nullptr;
  WORD base;
  std::memcpy(&base, saved->bytes + 361 + 2 * (block - 1), 2);
  uint64_t at = (uint64_t)base + item->offset;
  // Every decoded value spans at most 4 bytes past its start; a text row its size.
  uint64_t span = std::max<uint64_t>(4, item->type & 0xFFFF);
  if (at + span > sizeof(saved->bytes)) return nullptr;
  return saved->bytes + at;
}

uint64_t ApiReadSavedValue(const ITEM_DESC* item, const SETTING_STORE* saved) {
  const BYTE* p = ApiFindSavedValue(item, saved);
  if (!p) return 0;
  DWORD code = (DWORD)((item->type >> 24) & 0x3F);
  if (code >= 24 && code <= 31) code -= 8, p += 1;
  else if (code >= 32 && code <= 39) code -= 16, p += 2;
  else if (code >= 40 && code <= 47) code -= 24, p += 3;
  switch (code) {
    case 1: return (uint64_t)(uint32_t)(int32_t)(int8_t)p[0];
    case 2: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return (uint64_t)(uint32_t)(int32_t)v;
    }
    case 3:
    case 6: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    case 4: return p[0];
    case 5: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    default:
      if (code >= 16 && code <= 23) return (p[0] >> (code - 16)) & 1;
      return (uint64_t)(uintptr_t)p;
  }
}

// ---- Exports ----

extern "C" {

KVEXC_API int32_t ZARNDrvGetDevmode(API_HANDLE handle, int32_t flags, void* devmode) {
  return WithPrinter(handle, [&](SETTING_CONTEXT* ctx) { return ApiBuildDevmode(ctx, flags, devmode); });
}

KVEXC_API int32_t ZARNDrvGetDevmodeEx(API_HANDLE handle, int32_t flags, void* devmode, const void* input) {
  if (flags & (API_DEVMODE_DEFAULTS | API_DEVMODE_REBUILD | API_DEVMODE_REFRESH))
    return ZARNDrvGetDevmode(handle, flags, devmode);
  return WithPrinter(handle, [&](SETTING_CONTEXT* ctx) -> int {
    ctx->work->chapterDeviceLoaded = 0;
    if (flags != API_DEVMODE_MERGE) {
      ApiSetContextError(ctx, API_ERROR_FLAGS);
      return -1;
    }
    if (!input) {
      ApiSetContextError(ctx, API_ERROR_NO_INPUT);
      return -1;
    }
    ApiSyncPublicDevmode(ctx, static_cast<const DEVMODEW*>(input));
    uint64_t uiMode = Get(ctx, sid::rdmUIModeChange);
    ApiResetUiState(ctx, flags);
    ApiResetShiftIfUnsupported(ctx);
    ApiResetMarginIfOff(ctx);
    ApiReadJobItems(ctx, API_JOB_ITEM_MASK);
    ApiSyncPublicDevmode(ctx, nullptr);
    Set(ctx, sid::rdmUIModeChange, uiMode);
    if (devmode) std::memcpy(devmode, ctx->store, StgGetDevmodeSize());
    return (int)StgGetDevmodeSize();
  });
}

KVEXC_API int32_t ZARNDrvSaveQualityData(API_HANDLE handle) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn || !conn->savedStore || !conn->ctx->store) return 0;
  std::memcpy(conn->savedStore, conn->ctx->store, StgGetStoreSize());
  return 1;
}

KVEXC_API int32_t ZARNDrvRestoreQualityData(API_HANDLE handle) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn || !conn->savedStore) return 0;
  SETTING_CONTEXT* ctx = conn->ctx;
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = 0; dict && i < dict->count; ++i) {
    ITEM_DESC* row = &dict->rows[i];
    if (((row->flags >> 4) & 3) == 0 || !ApiFindSavedValue(row, conn->savedStore)) continue;
    StgWriteValue(ctx, row, ApiReadSavedValue(row, conn->savedStore));
  }
  for (WORD id : {sid::rdmPrintMacro, sid::rdmBalanceMacro, sid::rdmUseUserMacro}) {
    ITEM_DESC* row = StgFindItem(ctx, id);
    if (row && ApiFindSavedValue(row, conn->savedStore)) StgWriteValue(ctx, row, ApiReadSavedValue(row, conn->savedStore));
  }
  return 1;
}

}  // extern "C"
