// The settings store of a context: creation, defaults, resets and the private state bytes.
#include "settings/store.h"

#include <cstring>

#include "config/driver_lists.h"
#include "config/printer_data.h"
#include "settings/access.h"
#include "settings/modules.h"
#include "config/ini.h"
#include "config/paths.h"
#include "driverdata/img_image.h"
#include "settings/library_hooks.h"
#include "settings/platform_queries.h"
#include "settings/public_fields.h"
#include "settings/regions.h"
#include "settings/units.h"

namespace {
BYTE* Dm(SETTING_CONTEXT* ctx) { return ctx && ctx->store ? ctx->store->bytes : nullptr; }

// Reset exceptions (the font lists) are the model's index row 2.
bool IsResetException(WORD id) {
  const ALLOWED_VALUES_ROW* r = StgGetAllowedValuesRow(2);
  return r && StgListHasValue(r, id);
}

// A setting held by an administrator lock keeps its value through a reset.
bool IsLockedSetting(SETTING_CONTEXT* ctx, WORD id) {
  switch (id) {
    case 13: return StgIsTrayLocked(ctx);
    case 54: return StgIsMediaLocked(ctx);
    case 91: return StgIsNupKindLocked(ctx);
    case 58: return StgIsDuplexLocked(ctx);
    case 689: return StgIsPrintTypeLocked(ctx);
    case 10434: return StgIsResolutionLocked(ctx);
    case 15: return StgIsColorLocked(ctx);
    default: return false;
  }
}
}  // namespace

SETTING_STORE* StgGetStore(SETTING_CONTEXT* ctx) { return ctx ? ctx->store : nullptr; }
DEVMODEW* StgGetDevmode(SETTING_CONTEXT* ctx) { return reinterpret_cast<DEVMODEW*>(Dm(ctx)); }
BYTE* StgGetPrivatePart(SETTING_CONTEXT* ctx) {
  BYTE* p = Dm(ctx);
  return p ? p + STG_DEVMODE_PUBLIC_SIZE : nullptr;
}
BYTE* StgGetDeviceBlock(SETTING_CONTEXT* ctx) {
  BYTE* p = Dm(ctx);
  return p ? p + STG_DEVICE_BLOCK_OFFSET : nullptr;
}
BYTE* StgGetWorkBlock(SETTING_CONTEXT* ctx) {
  BYTE* p = Dm(ctx);
  return p ? p + STG_WORK_BLOCK_OFFSET : nullptr;
}

void StgFillOtherText(SETTING_CONTEXT* ctx) {
  ITEM_DESC* row = StgFindItem(ctx, QDV_rdmOther);
  if (!row || !ctx || !ctx->store) return;
  DWORD len = StgTypeLength(row->type);
  char* buf = (char*)StgAllocZero(len + 1);
  if (!buf) return;
  const char* text = StgGetOtherText(ctx->model ? (DWORD)ctx->model->driverType : 1);
  if (text) {
    size_t n = std::strlen(text);
    if (n > len) n = len;
    std::memcpy(buf, text, n);
  }
  StgWriteValue(ctx, row, (uint64_t)(uintptr_t)buf);
  StgFree(buf);
}

// ---------------------------------------------------------------------------------------------
// Creation and defaults.

SETTING_STORE* StgCreateStoreCommon(SETTING_CONTEXT* ctx, WORD buildMode) {
  return StgCreateStoreWith(ctx, buildMode, true);
}

SETTING_STORE* StgCreateStoreWith(SETTING_CONTEXT* ctx, WORD buildMode, bool resetWorkItems) {
  if (!ctx) return nullptr;
  SETTING_STORE* store = (SETTING_STORE*)StgAllocZero(sizeof(SETTING_STORE));
  if (!store) return nullptr;
  SETTING_STORE* previous = ctx->store;
  ctx->store = store;
  bool adopted = CfgAdoptPrinterDefaultDevmode(ctx) != 0;
  if (adopted && buildMode != 3) {
    StgWriteBlockOffsets(StgGetDevmode(ctx));
    if (resetWorkItems) StgResetWorkItems(ctx);
    if (buildMode == 1) StgRefreshGeometryAndState(StgGetDevmode(ctx), ctx, 1);
  } else {
    StgInitStoreDefaults(ctx);
    StgCopyPrinterDefaultDevmode(ctx);
  }
  ctx->store = previous;
  return store;
}

void StgInitStoreDefaults(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return;
  StgResetAllItems(ctx);
  StgSetDriverVersionText(ctx);
  StgSetPublicDefaults(StgGetDevmode(ctx), 1, ctx);
  StgFinishStoreDefaults(StgGetDevmode(ctx), ctx);
  StgInitStateBytes(ctx);
  int region = StgGetHelpFileRegionId(ctx);
  StgSetValue(ctx, QDV_rdmLanguageID, (uint64_t)region);
  StgSetValue(ctx, QDV_rdmDspLanguageID, (uint64_t)region);
}

void StgResetItem(SETTING_CONTEXT* ctx, ITEM_DESC* row) {
  if (!ctx || !row) return;
  StgWriteOptionValue(ctx, row, ImgGetDefaultValue(ctx, (WORD)row->id));
}

void StgResetAllItemsCommon(SETTING_CONTEXT* ctx) { StgResetItemsToDefaults(ctx, true); }

void StgResetItemsToDefaults(SETTING_CONTEXT* ctx, bool keepLocked) {
  if (!ctx || !ctx->store || !ctx->dictionary) return;
  StgWritePrivateHeader(StgGetDevmode(ctx), ctx);
  bool feature2 = StgIsModelFeatureOn(ctx, 2, 0) != 0;
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = 0; i < dict->count; ++i) {
    ITEM_DESC* row = &dict->rows[i];
    WORD id = (WORD)row->id;
    if (id == QDV_rdmPresetNo) {
      StgWriteOptionValue(ctx, row, ImgGetDefaultValue(ctx, id) - 119);
      continue;
    }
    if (IsResetException(id)) continue;
    if (keepLocked && feature2 && IsLockedSetting(ctx, id)) continue;
    StgSetValueOrResString(ctx, id, ImgGetDefaultValue(ctx, id));
  }
  int region = StgGetHelpFileRegionId(ctx);
  StgSetValue(ctx, QDV_rdmLanguageID, (uint64_t)region);
  StgSetValue(ctx, QDV_rdmDspLanguageID, (uint64_t)region);
  WCHAR font[64] = {};
  CfgGetUiFontName(ctx, font);
  font[63] = 0;
  StgSetString(ctx, StgFindItem(ctx, QDV_rdmHFFontName), font);
  StgSetString(ctx, StgFindItem(ctx, QDV_rdmCopyProtectFontName), font);
  StgSetCharsetSettings(ctx, 3);
  StgLoadDriverId(ctx);
  StgSetCharsetSetting(ctx, QDV_rdmCharSet);
}

void StgResetWorkItems(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store || !ctx->dictionary) return;
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = 722; i < dict->count; ++i) {
    ITEM_DESC* row = &dict->rows[i];
    if (StgTypeBlock(row->type) == STG_BLOCK_WORK)
      StgSetValueOrResString(ctx, (WORD)row->id, ImgGetDefaultValue(ctx, (WORD)row->id));
  }
  StgSetDriverVersionText(ctx);
}

void StgSetDriverVersionText(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->model) return;
  const WCHAR* text = ctx->model->driverVersionText;
  StgSetString(ctx, StgFindItem(ctx, QDV_wdmDriverVersion), text ? text : u"");
}

void StgInitStateBytesCommon(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return;
  StgSetCallSrc(ctx, 1);
  StgSetOSKind(ctx, StgIsNt5OrLater() ? 2 : 1);
  StgSetTSE(ctx, StgIsTerminalServerMode(ctx->printer) ? 1 : 0);
  StgSetAdmin(ctx, StgIsAdminForContext(ctx) ? 1 : 0);
  StgSetBatchInst(ctx, 1);
  StgSetPrintLog(ctx, 0);
  StgSetBiDirect(ctx, 0);
  StgSetNoPermission(ctx, 0);
  StgSetPresentUIMode(ctx, StgGetValue(ctx, QDV_rdmUIModeChange, nullptr) ? 1 : 0);
  StgSetBidiSupport(ctx, StgIsBidiEnabled(ctx) ? 1 : 0);
  StgSetServerClientMode(ctx, StgIsRemotePrinter(ctx) ? 1 : 0);
  StgSetUserCodeFIX(ctx, StgGetValue(ctx, QDV_rdmLogCodeUse, nullptr) ? 1 : 0);
  StgSetUserCodeGet(ctx, 0);
  StgSetJBInstalled(ctx, 0);
  StgSetTVInstalled(ctx, 0);
  StgSetPropertyType(ctx, 0);
  StgSetUserCodeDLL(ctx, 0);
}

int StgGetDefaultRstPath(WCHAR* path, SETTING_CONTEXT* ctx) {
  if (!path) return 0;
  path[0] = 0;
  if (!ctx) return 0;
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!ini || !ini[0] || ini[1] != u':') return 0;
  DWORD n = CfgIniGetString(CfgGetPresetSection(ctx), u"DefaultRst", u"", path, 260, ini);
  path[259] = 0;
  return n > 0 && path[0] ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// State bytes of the context's store.

#define STG_STATE(Name, id)                                                             \
  void StgSet##Name(SETTING_CONTEXT* ctx, BYTE v) {                                     \
    if (BYTE* p = Dm(ctx)) p[PdmStateOffset(id)] = v;                                   \
  }                                                                                     \
  BYTE StgGet##Name(SETTING_CONTEXT* ctx) {                                             \
    BYTE* p = Dm(ctx);                                                                  \
    return p ? p[PdmStateOffset(id)] : 0;                                               \
  }
STG_STATE(TVInstalled, 705)
STG_STATE(CallSrc, 706)
STG_STATE(OSKind, 707)
STG_STATE(BatchInst, 708)
STG_STATE(PrintLog, 709)
STG_STATE(BiDirect, 710)
STG_STATE(NoPermission, 711)
STG_STATE(PresentUIMode, 712)
STG_STATE(BidiSupport, 713)
STG_STATE(ServerClientMode, 714)
STG_STATE(UserCodeFIX, 715)
STG_STATE(UserCodeGet, 716)
STG_STATE(JBInstalled, 717)
STG_STATE(PropertyType, 718)
STG_STATE(UserCodeDLL, 719)
STG_STATE(TSE, 720)
STG_STATE(Admin, 721)
STG_STATE(BidiFunc, 722)
#undef STG_STATE

void StgSetTVInstalledTo0(SETTING_CONTEXT* ctx) { StgSetTVInstalled(ctx, 0); }
void StgSetTVInstalledTo1(SETTING_CONTEXT* ctx) { StgSetTVInstalled(ctx, 1); }
void StgSetCallSrcTo1(SETTING_CONTEXT* ctx) { StgSetCallSrc(ctx, 1); }
void StgSetOSKindTo0(SETTING_CONTEXT* ctx) { StgSetOSKind(ctx, 0); }
void StgSetOSKindTo1(SETTING_CONTEXT* ctx) { StgSetOSKind(ctx, 1); }
void StgSetOSKindTo2(SETTING_CONTEXT* ctx) { StgSetOSKind(ctx, 2); }
void StgSetOSKindTo3(SETTING_CONTEXT* ctx) { StgSetOSKind(ctx, 3); }
void StgSetBatchInstTo1(SETTING_CONTEXT* ctx) { StgSetBatchInst(ctx, 1); }
void StgSetPrintLogTo0(SETTING_CONTEXT* ctx) { StgSetPrintLog(ctx, 0); }
void StgSetBiDirectTo0(SETTING_CONTEXT* ctx) { StgSetBiDirect(ctx, 0); }
void StgSetBiDirectTo1(SETTING_CONTEXT* ctx) { StgSetBiDirect(ctx, 1); }
void StgSetNoPermissionTo0(SETTING_CONTEXT* ctx) { StgSetNoPermission(ctx, 0); }
void StgSetPresentUIModeTo0(SETTING_CONTEXT* ctx) { StgSetPresentUIMode(ctx, 0); }
void StgSetPresentUIModeTo1(SETTING_CONTEXT* ctx) { StgSetPresentUIMode(ctx, 1); }
void StgSetBidiSupportTo0(SETTING_CONTEXT* ctx) { StgSetBidiSupport(ctx, 0); }
void StgSetBidiSupportTo1(SETTING_CONTEXT* ctx) { StgSetBidiSupport(ctx, 1); }
void StgSetServerClientModeTo0(SETTING_CONTEXT* ctx) { StgSetServerClientMode(ctx, 0); }
void StgSetServerClientModeTo1(SETTING_CONTEXT* ctx) { StgSetServerClientMode(ctx, 1); }
void StgSetUserCodeFIXTo0(SETTING_CONTEXT* ctx) { StgSetUserCodeFIX(ctx, 0); }
void StgSetUserCodeFIXTo1(SETTING_CONTEXT* ctx) { StgSetUserCodeFIX(ctx, 1); }
void StgSetUserCodeGetTo0(SETTING_CONTEXT* ctx) { StgSetUserCodeGet(ctx, 0); }
void StgSetJBInstalledTo0(SETTING_CONTEXT* ctx) { StgSetJBInstalled(ctx, 0); }
void StgSetJBInstalledTo1(SETTING_CONTEXT* ctx) { StgSetJBInstalled(ctx, 1); }
void StgSetPropertyTypeTo0(SETTING_CONTEXT* ctx) { StgSetPropertyType(ctx, 0); }
void StgSetUserCodeDLLTo0(SETTING_CONTEXT* ctx) { StgSetUserCodeDLL(ctx, 0); }
