// Status items: the rules the items share, the items of one value and the action items, and the table
// of every item's handlers.
#include <cstring>
#include <iterator>

#include "api_devmode.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_tables.h"
#include "config/paths.h"
#include "config/free_size.h"
#include "config/printer_data.h"
#include "driverdata/dfc_image.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

// The items of one value: the setting and the dmFields bit a set adds (0: none).
struct SingleValueItem {
  DWORD id;
  WORD setting;
  DWORD field;
};
constexpr SingleValueItem kSingleValueItems[] = {
    {2, sid::dmDefaultSource, DM_DEFAULTSOURCE}, {3, sid::rdmMediaType, 0},
    {4, sid::rdmOutputTrayID, 0},                {5, sid::dmColor, DM_COLOR},
    {6, sid::dmOrientation, DM_ORIENTATION},     {9, sid::dmCopies, DM_COPIES},
    {22, sid::rdmExtOutputDirection, 0},         {23, sid::rdmExtOutputOrderly, 0},
    {24, sid::rdmExtOutputWhitePaper, 0},        {25, sid::rdmEmulation, 0},
    {27, sid::rdmExtPrintArea, 0},               {45, sid::rdmExtOutput2A4Fit, 0}};

// The action items: one bit each of the action word; 29 needs the job-binder companion.
struct ActionItem {
  DWORD id;
  WORD setting;
};
constexpr ActionItem kActionItems[] = {{29, sid::rdmActionMarge},
                                       {30, sid::rdmActionProof},
                                       {31, sid::rdmActionSecurity},
                                       {32, sid::rdmActionStored},
                                       {33, sid::rdmActionOverlay}};
constexpr DWORD kJobBinderCompanion = 2;

const SingleValueItem* FindSingle(DWORD id) {
  for (const SingleValueItem& i : kSingleValueItems)
    if (i.id == id) return &i;
  return nullptr;
}
WORD ActionSetting(DWORD id) {
  for (const ActionItem& i : kActionItems)
    if (i.id == id) return i.setting;
  return 0;
}

int SetSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const SingleValueItem* item = FindSingle(id);
  DWORD value = ApiRecordU32(record, 4);
  if (!item || !ApiValuePasses(ctx, item->setting, value)) return -1;
  StgSetValue(ctx, item->setting, value);
  if (item->field)
    if (DEVMODEW* dm = StgGetDevmode(ctx)) dm->dmFields |= item->field;
  return 1;
}

int VerifySingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const SingleValueItem* item = FindSingle(id);
  return item && (DWORD)StgGetValue(ctx, item->setting, nullptr) == ApiRecordU32(record, 4) ? 1 : -1;
}

int GetSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD) {
  const SingleValueItem* item = FindSingle(id);
  if (!item) return -1;
  if (record) ApiPutRecordU32(record, 4, (DWORD)StgGetValue(ctx, item->setting, nullptr));
  return 32;
}

int SetAction(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  WORD setting = ActionSetting(id);
  DWORD value = ApiRecordU32(record, 4);
  if (!setting) return -1;
  if (id == 29 && !CfgIsCompanionInstalled(kJobBinderCompanion, ctx)) return -1;
  if (!ApiValuePasses(ctx, setting, value)) return -1;
  StgSetValue(ctx, setting, value);
  ITEM_DESC* row = StgFindItem(ctx, setting);
  if (!row) return -1;
  const WCHAR* ini = CfgGetIniPath(ctx);
  ApiJournalIniKey(row->iniSection ? row->iniSection : CfgGetPrinterName(ctx), u"rdmAction", ini);
  ApiWriteActionWord(ctx->printer, ctx, row, ini);
  return 1;
}

int VerifyAction(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  WORD setting = ActionSetting(id);
  return setting && (DWORD)StgGetValue(ctx, setting, nullptr) == ApiRecordU32(record, 4) ? 1 : -1;
}

int GetAction(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD) {
  WORD setting = ActionSetting(id);
  if (!setting) return -1;
  if (record) ApiPutRecordU32(record, 4, (DWORD)StgGetValue(ctx, setting, nullptr));
  return 32;
}

constexpr STATUS_HANDLER_ROW kHandlers[] = {
    {1, ApiSetStatusPresetFile, ApiVerifyStatusAlways, ApiGetStatusPresetFile},
    {2, SetSingleValue, VerifySingleValue, GetSingleValue},
    {3, SetSingleValue, VerifySingleValue, GetSingleValue},
    {4, SetSingleValue, VerifySingleValue, GetSingleValue},
    {5, SetSingleValue, VerifySingleValue, GetSingleValue},
    {6, SetSingleValue, VerifySingleValue, GetSingleValue},
    {7, ApiSetStatusPaperSize, ApiVerifyStatusPaperSize, ApiGetStatusPaperSize},
    {8, ApiSetStatusOutputPaperSize, ApiVerifyStatusOutputPaperSize, ApiGetStatusOutputPaperSize},
    {9, SetSingleValue, VerifySingleValue, GetSingleValue},
    {22, SetSingleValue, VerifySingleValue, GetSingleValue},
    {23, SetSingleValue, VerifySingleValue, GetSingleValue},
    {24, SetSingleValue, VerifySingleValue, GetSingleValue},
    {25, SetSingleValue, VerifySingleValue, GetSingleValue},
    {27, SetSingleValue, VerifySingleValue, GetSingleValue},
    {28, ApiSetStatusPaperRotation, ApiVerifyStatusPaperRotation, ApiGetStatusPaperRotation},
    {29, SetAction, VerifyAction, GetAction},
    {30, SetAction, VerifyAction, GetAction},
    {31, SetAction, VerifyAction, GetAction},
    {32, SetAction, VerifyAction, GetAction},
    {33, SetAction, VerifyAction, GetAction},
    {45, SetSingleValue, VerifySingleValue, GetSingleValue},
    // Print method, user ID, colour and quality, job, user and device, further values, macros.
    {10, ApiSetStatusPrintMethod, ApiVerifyStatusPrintMethod, ApiGetStatusPrintMethod},
    {26, ApiSetStatusUserId, ApiVerifyStatusAlways, ApiGetStatusUserId},
    {34, ApiSetStatusResolution, ApiVerifyStatusAlways, ApiGetStatusResolution},
    {35, ApiSetStatusPlaneUseCMYK, ApiVerifyStatusPlaneUseCMYK, ApiGetStatusPlaneUseCMYK},
    {38, ApiSetStatusAdjustMode, ApiVerifyStatusAdjustMode, ApiGetStatusAdjustMode},
    {39, ApiSetStatusObjectValue, ApiVerifyStatusObjectValue, ApiGetStatusObjectValue},
    {40, ApiSetStatusObjectValue, ApiVerifyStatusObjectValue, ApiGetStatusObjectValue},
    {41, ApiSetStatusObjectValue, ApiVerifyStatusObjectValue, ApiGetStatusObjectValue},
    {42, ApiSetStatusObjectValue, ApiVerifyStatusObjectValue, ApiGetStatusObjectValue},
    {46, ApiSetStatusObjectValue, ApiVerifyStatusObjectValue, ApiGetStatusObjectValue},
    {267, ApiSetStatusObjectValue, ApiVerifyStatusObjectValue, ApiGetStatusObjectValue},
    {269, ApiSetStatusObjectValue, ApiVerifyStatusObjectValue, ApiGetStatusObjectValue},
    {43, ApiSetStatusColorBalance, ApiVerifyStatusColorBalance, ApiGetStatusColorBalance},
    {48, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {49, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {52, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {53, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {57, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {69, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {72, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {73, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {74, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {76, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {77, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {78, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {257, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {263, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {265, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {266, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {268, ApiSetStatusSingleValue, ApiVerifyStatusSingleValue, ApiGetStatusSingleValue},
    {75, nullptr, nullptr, ApiGetStatusSingleValue},
    {50, ApiSetStatusJobInfo, ApiVerifyStatusJobInfo, ApiGetStatusJobInfo},
    {54, nullptr, nullptr, ApiGetStatusAuthMode},
    {56, ApiSetStatusPresetNumber, ApiVerifyStatusPresetNumber, ApiGetStatusPresetNumber},
    {59, ApiSetStatusAuthUser, ApiVerifyStatusAlways, ApiGetStatusAuthUser},
    {60, ApiSetStatusAuthSecure, ApiVerifyStatusAuthSecure, ApiGetStatusAuthSecure},
    {61, ApiSetStatusLoadShare, ApiVerifyStatusLoadShare, ApiGetStatusLoadShare},
    {63, nullptr, nullptr, ApiGetStatusTrayInfo},
    {262, ApiSetStatusUserMacro, ApiVerifyStatusUserMacro, ApiGetStatusUserMacro},
    {264, ApiSetStatusTonerSave, ApiVerifyStatusTonerSave, ApiGetStatusTonerSave},
    {11, ApiSetStatusScale, ApiVerifyStatusScale, ApiGetStatusScale},
    {12, ApiSetStatusCover, ApiVerifyStatusCover, ApiGetStatusCover},
    {13, ApiSetStatusMarkPaper, ApiVerifyStatusMarkPaper, ApiGetStatusMarkPaper},
    {14, ApiSetStatusNup, ApiVerifyStatusNup, ApiGetStatusNup},
    {15, ApiSetStatusDuplex, ApiVerifyStatusBySwitch, ApiGetStatusDuplex},
    {16, ApiSetStatusWatermark, ApiVerifyStatusAlways, ApiGetStatusWatermark},
    {17, ApiSetStatusWatermarkId, ApiVerifyStatusAlways, ApiGetStatusWatermarkId},
    {18, ApiSetStatusMargin, ApiVerifyStatusBySwitch, ApiGetStatusMargin},
    {19, ApiSetStatusSort, ApiVerifyStatusSort, ApiGetStatusSort},
    {20, ApiSetStatusStaple, ApiVerifyStatusBySwitch, ApiGetStatusStaple},
    {21, ApiSetStatusPunch, ApiVerifyStatusBySwitch, ApiGetStatusPunch},
    {47, ApiSetStatusHeaderFooter, ApiVerifyStatusHeaderFooter, ApiGetStatusHeaderFooter},
    {51, ApiSetStatusFold, ApiVerifyStatusBySwitch, ApiGetStatusFold},
    {55, ApiSetStatusCopyProtect, ApiVerifyStatusCopyProtect, ApiGetStatusCopyProtect},
    {58, ApiSetStatusManualTrayOrientation, ApiVerifyStatusManualTrayOrientation, ApiGetStatusManualTrayOrientation},
    {62, ApiSetStatusIndexRotation, ApiVerifyStatusIndexRotation, ApiGetStatusIndexRotation},
    {64, ApiSetStatusBackCover, ApiVerifyStatusBackCover, ApiGetStatusBackCover},
    {65, ApiSetStatusReverseCover, ApiVerifyStatusReverseCover, ApiGetStatusReverseCover},
    {66, ApiSetStatusCoverMedia, ApiVerifyStatusAlways, ApiGetStatusCoverMedia},
    {67, ApiSetStatusChapter, ApiVerifyStatusChapter, ApiGetStatusChapter},
    {68, ApiSetStatusEdgeCorner, ApiVerifyStatusEdgeCorner, ApiGetStatusEdgeCorner},
    {70, ApiSetStatusCropMarks, ApiVerifyStatusCropMarks, ApiGetStatusCropMarks},
    {71, ApiSetStatusCreepMargin, ApiVerifyStatusCreepMargin, ApiGetStatusCreepMargin},
    {79, ApiSetStatusFolding, ApiVerifyStatusFolding, ApiGetStatusFolding},
};

}  // namespace

const STATUS_HANDLER_ROW* ApiStatusHandlerRows(int* count) {
  if (count) *count = (int)std::size(kHandlers);
  return kHandlers;
}

DWORD ApiRecordU32(const void* record, int offset) {
  DWORD v = 0;
  if (record) std::memcpy(&v, static_cast<const BYTE*>(record) + offset, sizeof v);
  return v;
}

void ApiPutRecordU32(void* record, int offset, DWORD value) {
  if (record) std::memcpy(static_cast<BYTE*>(record) + offset, &value, sizeof value);
}

bool ApiValuePasses(SETTING_CONTEXT* ctx, WORD id, DWORD value) { return RuleTestValue(id, value, ctx) == 1; }

bool ApiHasCapability(SETTING_CONTEXT* ctx, DWORD capsId) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  if (!conn) return false;
  int answer = ZARNDrvGetCaps(conn->handle, capsId, nullptr);
  return answer != -1 && answer != 0;
}

int ApiVerifyStatusAlways(SETTING_CONTEXT*, DWORD, void*, BYTE*, int) { return 1; }

int ApiVerifyStatusBySwitch(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  WORD switchId = ApiFindSwitchSetting(id, nullptr);
  if (!switchId) return -1;
  if (ApiRecordU32(record, 28) == 0) return 1;
  return StgGetValue(ctx, switchId, nullptr) != 0 ? 1 : -1;
}

int ApiTrySwitchOn(SETTING_CONTEXT* ctx, DWORD id, WORD switchSetting, WORD setting, DWORD value) {
  if (StgGetValue(ctx, switchSetting, nullptr) != 0) return 1;
  BYTE* copy = ApiCopyDevmode(ctx);
  if (!copy) {
    ApiSetContextError(ctx, API_ERROR_GENERAL);
    return 0;
  }
  StgSetValue(ctx, switchSetting, 1);
  StgSetValue(ctx, setting, value);
  if (id == 15) RuleSetDevmodeDuplex(StgGetDevmode(ctx), ctx);
  ApiRunSettingActions(ctx, switchSetting);
  RuleSetDevmodeDuplex(StgGetDevmode(ctx), ctx);
  ApiMergeDevmode(ctx, nullptr);
  int result = StgGetValue(ctx, switchSetting, nullptr) != 0 && ApiValuePasses(ctx, setting, value) ? 1 : 0;
  ApiRestoreDevmode(ctx, copy, 1);
  return result;
}

int ApiGetResolutionForm(SETTING_CONTEXT* ctx) {
  IMG_REF node = ApiFindSettingNode(sid::rdmDstResolutionW, ctx);
  if (!node) return -1;
  IMG_REF options = ImgNodeOptions(node);
  int count = options ? ImgCountList(options) : 0;
  WORD type = dfc::BaseType(ImgNodeType(node));
  uint64_t value = StgGetValue(ctx, sid::rdmDstResolutionW, nullptr);
  if (type == dfc::kTypePickOne) return count > 0 ? 0 : -1;
  if (type != dfc::kTypeNumeric || (value & 0xFFFF) == 0) return -1;
  return count == 0 ? 1 : 0;
}

// As the settings keep an inch custom size beside the DEVMODE (rounded up to 0.1 mm, and down back), so
// that a length converted here equals the one the DEVMODE gets and reads back unchanged.
LONG ApiDisplayToTenthMm(SETTING_CONTEXT* ctx, LONG value) {
  if (StgIsMetric(ctx) || value <= 0) return value;
  return (LONG)CfgHundredthInchToTenthMm((DWORD)value);
}

LONG ApiTenthMmToDisplay(SETTING_CONTEXT* ctx, LONG value) {
  if (StgIsMetric(ctx) || value <= 0) return value;
  return (LONG)CfgTenthMmToHundredthInch((DWORD)value);
}
