// The further items of one value (48-78, 257-268): each maps its record's value onto one setting, behind
// a guard that must hold before the item may be set or read, with a few extra writes of a set.
#include <iterator>
#include <string>

#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_status_texts.h"
#include "api_tables.h"
#include "config/paths.h"
#include "driverdata/rule_eval.h"
#include "kvplat/profile.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"

namespace {

enum class Guard { None, Capability, MarginSwitch, ModelSwitch };
enum class Extra { None, Margin, Action, Preview, PageSeparation };

struct ValueItem {
  DWORD id;
  WORD setting;
  Guard guard;
  DWORD capability;
  Extra extra;
};
constexpr ValueItem kItems[] = {
    {48, sid::rdmExtOutputEMFSpool, Guard::None, 0, Extra::None},
    {49, sid::rdmImagePrint, Guard::None, 0, Extra::None},
    {52, sid::rdmFunc2SelectJobComplete, Guard::Capability, 80, Extra::None},
    {53, sid::rdmFunc2SelectJobErr, Guard::Capability, 81, Extra::None},
    {57, sid::rdmPreviewPrint, Guard::Capability, 87, Extra::Preview},
    {69, sid::rdmFuncSelectMarginOverlap, Guard::MarginSwitch, 0, Extra::Margin},
    {72, sid::rdmExtOutput2PaperFace, Guard::None, 0, Extra::None},
    {73, sid::rdmFunc2SelectPageSeparation, Guard::ModelSwitch, 0, Extra::PageSeparation},
    {74, sid::rdmExtOutput2NearStandard, Guard::None, 0, Extra::None},
    {75, sid::rdmPrnFuncReduceFont, Guard::None, 0, Extra::None},
    {76, sid::rdmActionPause, Guard::None, 0, Extra::Action},
    {77, sid::rdmActionSave, Guard::None, 0, Extra::Action},
    {78, sid::rdmActionPrintAndSave, Guard::None, 0, Extra::Action},
    {257, sid::rdmAdjustObject, Guard::None, 0, Extra::None},
    {263, sid::rdmQualityFuncEcoColor, Guard::None, 0, Extra::None},
    {265, sid::rdmColorMatching, Guard::Capability, 276, Extra::None},
    {266, sid::rdmICMType, Guard::Capability, 277, Extra::None},
    {268, sid::rdmExtOutputprinterSide, Guard::Capability, 280, Extra::None}};
static_assert(std::size(kItems) == 18);

constexpr DWORD kMarginStatus = 18;
constexpr int kPageSeparationBit = 512;
constexpr WCHAR kPreviewKey[] = u"PreviewPrint";

const ValueItem* Find(DWORD id) {
  for (const ValueItem& i : kItems)
    if (i.id == id) return &i;
  return nullptr;
}

bool GuardHolds(SETTING_CONTEXT* ctx, const ValueItem& item, bool set) {
  switch (item.guard) {
    case Guard::None: return true;
    case Guard::Capability: return ApiHasCapability(ctx, item.capability);
    case Guard::ModelSwitch: return ApiFunc1HasBits(ctx, kPageSeparationBit);
    case Guard::MarginSwitch: {
      if (!set) return true;
      IMG_REF node = ApiFindSettingNode(ApiFindSwitchSetting(kMarginStatus, nullptr), ctx);
      return node && !RuleEvalSecondCondition(ctx, node, 0);
    }
  }
  return false;
}

const WCHAR* PrinterSection(SETTING_CONTEXT* ctx) { return CfgGetPrinterName(ctx); }

// The preview switch lives in the printer's section of the driver INI as well as in the DEVMODE; a set
// writes both, so a get that reads the INI first sees the value just set.
bool WritePreview(SETTING_CONTEXT* ctx, DWORD value) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!ini || !ini[0]) return true;
  ApiJournalIniKey(PrinterSection(ctx), kPreviewKey, ini);
  std::u16string text;
  for (char c : std::to_string(value)) text.push_back((char16_t)c);
  return WritePrivateProfileStringW(PrinterSection(ctx), kPreviewKey, text.c_str(), ini) != 0;
}

void ReadPreview(SETTING_CONTEXT* ctx) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!ini || !ini[0]) return;
  WCHAR text[32] = {};
  GetPrivateProfileStringW(PrinterSection(ctx), kPreviewKey, u"", text, 32, ini);
  if (!text[0]) return;
  DWORD value = 0;
  for (const WCHAR* p = text; *p; ++p) {
    if (*p < u'0' || *p > u'9') return;
    value = value * 10 + (DWORD)(*p - u'0');
  }
  StgSetValue(ctx, sid::rdmPreviewPrint, value);
}

}  // namespace

int ApiSetStatusSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const ValueItem* item = Find(id);
  if (!item || !GuardHolds(ctx, *item, true)) return -1;
  if (id == 266 && StgGetValue(ctx, sid::rdmColorMatching, nullptr) == 0) return -1;
  const DWORD value = ApiRecordU32(record, 4);
  if (item->extra == Extra::PageSeparation ? value > 1 : !ApiValuePasses(ctx, item->setting, value)) return -1;
  if (item->extra == Extra::Margin) StgSetValue(ctx, sid::rdmFuncSelectMargin, 1);
  StgSetValue(ctx, item->setting, value);
  if (item->extra == Extra::Action) {
    ITEM_DESC* row = StgFindItem(ctx, item->setting);
    const WCHAR* ini = CfgGetIniPath(ctx);
    if (row) ApiJournalIniKey(row->iniSection ? row->iniSection : PrinterSection(ctx), u"rdmAction", ini);
    // A word that cannot be stored would leave the printer's actions other than the caller was told.
    if (!row || !ApiWriteActionWord(ctx->printer, ctx, row, ini)) {
      ApiSetContextError(ctx, API_ERROR_GENERAL);
      return -1;
    }
  }
  if (item->extra == Extra::Preview && !WritePreview(ctx, value)) {
    ApiSetContextError(ctx, API_ERROR_GENERAL);
    return -1;
  }
  return 1;
}

int ApiVerifyStatusSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const ValueItem* item = Find(id);
  return item && (DWORD)StgGetValue(ctx, item->setting, nullptr) == ApiRecordU32(record, 4) ? 1 : -1;
}

int ApiGetStatusSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD) {
  const ValueItem* item = Find(id);
  if (!item || !GuardHolds(ctx, *item, false)) return -1;
  if (!record) return 32;
  if (item->extra == Extra::Preview) ReadPreview(ctx);
  ApiPutRecordU32(record, 4, (DWORD)StgGetValue(ctx, item->setting, nullptr));
  return 32;
}
