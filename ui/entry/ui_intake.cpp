// Intake of a caller's DEVMODE into a settings context, and the library's steps of a fresh store.
#include "ui_intake.h"

#include <cstring>

#include "config/device_settings.h"
#include "config/printer_data.h"
#include "devlink/job_control.h"
#include "kvplat/devmode.h"
#include "kvplat/error.h"
#include "config/free_size.h"
#include "settings/access.h"
#include "settings/devmode.h"
#include "settings/migrate.h"
#include "settings/modules.h"
#include "settings/store.h"
#include "sheets/dlg_language.h"
#include "ui_workers.h"
#include "settings/units.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_values.h"
#include "settings/paper_geometry.h"
#include "settings/platform_queries.h"
#include "config/lock_data.h"
#include "settings/public_fields.h"
#include "config/user_code.h"
#include "driverdata/rule_eval.h"
#include "config/driver_lists.h"
#include "settings/library_hooks.h"


namespace {

// The table is complete: one row per setting 705..722, at its own DEVMODE byte, eleven kept.
constexpr bool EnvTableIsComplete() {
  int kept = 0;
  for (int i = 0; i < UI_ENV_BYTE_COUNT; ++i) {
    if (UI_ENV_BYTES[i].id != 705 + i || UI_ENV_BYTES[i].dmOffset != PdmStateOffset(UI_ENV_BYTES[i].id)) return false;
    kept += UI_ENV_BYTES[i].merge == UI_ENV_KEPT;
  }
  return kept == 11;
}
static_assert(EnvTableIsComplete());

BYTE* B(DEVMODEW* dm) { return reinterpret_cast<BYTE*>(dm); }
uint32_t Rd32(const BYTE* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
void Wr32(BYTE* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint16_t Rd16(const BYTE* p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
void Wr16(BYTE* p, uint16_t v) { std::memcpy(p, &v, 2); }

constexpr DWORD kLockLoadModes = 0xC220004u;  // prompt, image form, device, job query
constexpr DWORD kTransactModes = 0x1D220004u;
constexpr DWORD kTextBitmapBit = 0x2000;      // u32 at byte 576
constexpr WORD kCustomFunc1Bit = 0x80;        // u16 at byte 896
constexpr DWORD kJobItemsOnPrompt = 14495;

// How the caller's private part is taken.
enum Verdict { kTake, kMigrate, kDiscard };

Verdict Classify(const DEVMODEW* copy) {
  if (StgIsValidPrivateDevmode(copy)) return kTake;
  if (!StgIsSameModelDevmode(copy)) return kDiscard;
  switch (StgCompareStoreVersion(copy)) {
    case STG_VERSION_MIGRATE: return kMigrate;
    // A newer minor version of the same major keeps the layout: its settings are taken as they are.
    case STG_VERSION_CURRENT: return kTake;
    default: return kDiscard;
  }
}

// Migrates the copy's settings with the context's dictionary: the copy takes the store's place for the
// conversion and gives it back. 1 converted, 0 not convertible, -1 no memory (store unchanged).
int MigrateCopy(SETTING_CONTEXT* ctx, DEVMODEW* copy) {
  DEVMODEW* store = StgGetDevmode(ctx);
  BYTE* aside = (BYTE*)StgAllocZero(STG_DEVMODE_SIZE);
  if (!aside) return -1;
  std::memcpy(aside, store, STG_DEVMODE_SIZE);
  std::memcpy(store, copy, STG_DEVMODE_SIZE);
  int converted = StgMigrateStore(copy, ctx);
  if (converted) std::memcpy(copy, store, STG_DEVMODE_SIZE);
  std::memcpy(store, aside, STG_DEVMODE_SIZE);
  StgFree(aside);
  return converted ? 1 : 0;
}

// Step 4: the caller's DEVMODE over the working copy, its private part judged. 1, or 0 without memory.
int TakeCallerDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* dm, DEVMODEW* copy) {
  // A DEVMODE without a readable header brings nothing.
  if (dm->dmSize < DM_HEADER_BYTES) return 1;
  DEVMODEW* store = StgGetDevmode(ctx);
  StgCopyDevmode(dm, copy);
  Verdict v = Classify(copy);
  if (v == kMigrate) {
    int r = MigrateCopy(ctx, copy);
    if (r < 0) return 0;
    // Settings that could not be converted are never taken in their old layout.
    if (r == 0) v = kDiscard;
  }
  if (v == kDiscard) std::memcpy(B(copy) + PDM_OFF, B(store) + PDM_OFF, STG_DEVMODE_PRIVATE_SIZE);
  return 1;
}

// The store's private header names this model's size and settings version after the copy's part came
// in (a newer minor version's settings stay; the store must still pass the store check next time).
void StampModelHeader(SETTING_CONTEXT* ctx, DEVMODEW* store) {
  if (StgIsValidPrivateDevmode(store) || !StgIsSameModelDevmode(store)) return;
  Wr32(B(store) + PDM_OFF_PRIVATE_SIZE, STG_DEVMODE_PRIVATE_SIZE);
  Wr32(B(store) + PDM_OFF_VERSION, (DWORD)ctx->model->settingsVersion);
}

// What the store keeps through the merge (step 6) and puts back (step 8).
struct KeptValues {
  BYTE env[UI_ENV_BYTE_COUNT];
  bool lockMethodSaved;
  BYTE lockMethod;
  DWORD frontFunc;
  DWORD notifyBits;
};

void SaveKept(SETTING_CONTEXT* ctx, DEVMODEW* store, DWORD mode, KeptValues* k) {
  for (int i = 0; i < UI_ENV_BYTE_COUNT; ++i) k->env[i] = B(store)[UI_ENV_BYTES[i].dmOffset];
  k->lockMethodSaved = StgIsModelFeatureOn(ctx, 2, 0) != 0;
  k->lockMethod = k->lockMethodSaved ? StgGetDmLockPrnMethod(store) : 0;
  k->frontFunc = StgGetDmFrontFunc(store);
  k->notifyBits = (mode & UI_INTAKE_KEEP_NOTIFY) ? (StgGetDmSupportFunc2Bits(store) & 3u) : 0;
}

void RestoreKept(SETTING_CONTEXT* ctx, DEVMODEW* store, DWORD mode, const KeptValues& k) {
  for (int i = 0; i < UI_ENV_BYTE_COUNT; ++i)
    if (UI_ENV_BYTES[i].merge == UI_ENV_KEPT) B(store)[UI_ENV_BYTES[i].dmOffset] = k.env[i];
  if (k.lockMethodSaved && StgIsPrintTypeLocked(ctx) &&
      StgGetValue(ctx, QDV_rdmFunc2SelectPreviewFlag, nullptr) == 0 && !(mode & UI_INTAKE_KEEP_LOCK_METHOD))
    StgSetDmLockPrnMethod(store, k.lockMethod);
  StgSetDmFrontFunc(store, k.frontFunc);
  if (mode & UI_INTAKE_KEEP_NOTIFY) {
    StgSetDmJobCompleteNotify(store, k.notifyBits);
    StgSetDmJobErrNotify(store, k.notifyBits);
  }
}

// Step 9: the two bits that follow the compiled defaults.
void ApplyDefaultBits(SETTING_CONTEXT* ctx, DEVMODEW* store) {
  BYTE* q = B(store) + PDM_OFF_QUALITY_FUNC;
  DWORD quality = Rd32(q);
  if (ImgGetDefaultValue(ctx, QDV_rdmQualityFuncTextBitmapSupport)) quality |= kTextBitmapBit;
  else quality &= ~kTextBitmapBit;
  Wr32(q, quality);
  if (ImgGetDefaultValue(ctx, QDV_wdmCustomFunc1)) {
    BYTE* h = B(store) + PDM_OFF_HIDDEN2_FUNC;
    Wr16(h, (WORD)(Rd16(h) | kCustomFunc1Bit));
  }
}

// Step 22 without a prompt: a custom slot paper is loaded into its slot and selected as the source.
void ApplyPaper(SETTING_CONTEXT* ctx, DEVMODEW* store) {
  DWORD paper = (DWORD)StgGetValue(ctx, QDV_dmPaperSize, nullptr);
  if (RuleIsCustomSlotPaper(paper, ctx)) {
    CfgLoadAllFreeSizes(ctx);
    int slot = CfgFreeSizePaperToIndex(paper, ctx);
    CfgLoadBuiltinFreeSize(ctx, paper, slot);
    CfgSelectFreeSizeSlotSrc(ctx, slot);
  }
  StgApplyOutputPaper((DWORD)StgGetValue(ctx, QDV_rdmOutPaperSize, nullptr), QDV_rdmOutPaperSize, ctx, store);
}

}  // namespace

int UiMergeCallerDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* dm, DWORD mode) {
  // 1.
  if (!(mode & (UI_INTAKE_MODIFY | UI_INTAKE_CALLER_DOC_SHEETS))) return 1;
  if (!ctx || !ctx->store || !ctx->work || !ctx->model) return 1;
  // 2.
  ctx->work->mergeMode = mode;
  if (!(mode & UI_INTAKE_CALLER_FILE_LOAD)) StgSetValue(ctx, QDV_wdmCtrlWorkPrompt, (mode & UI_INTAKE_PROMPT) ? 1 : 0);
  // 3.
  DEVMODEW* store = StgGetDevmode(ctx);
  DEVMODEW* copy = (DEVMODEW*)StgAllocZero(StgGetDevmodeSize());
  if (!copy) return 0;
  std::memcpy(copy, store, STG_DEVMODE_SIZE);
  // 4.
  if (dm && !TakeCallerDevmode(ctx, dm, copy)) {
    StgFree(copy);
    return 0;
  }
  // 5.
  UiApplyAppRequest(ctx, copy);
  if (ctx->work->mergeMode & UI_INTAKE_APP_REQUEST) mode |= UI_INTAKE_APP_REQUEST;
  // 6.
  KeptValues kept;
  SaveKept(ctx, store, mode, &kept);
  // 7.
  std::memcpy(B(store) + PDM_OFF, B(copy) + PDM_OFF, STG_DEVMODE_PRIVATE_SIZE);
  StgWriteBlockOffsets(store);
  StampModelHeader(ctx, store);
  // 8.
  RestoreKept(ctx, store, mode, kept);
  // 9.
  ApplyDefaultBits(ctx, store);
  // 10.
  if ((mode & UI_INTAKE_IMAGE_FORM) && StgGetValue(ctx, QDV_wdmImageFormJob, nullptr)) {
    StgSetValue(ctx, QDV_rdmFuncSelectScale, 0);
    StgSetValue(ctx, QDV_rdmOutPaperSize, 1024);
    StgSetValue(ctx, QDV_rdmExtOutput2A4Fit, 0);
  }
  // 11.
  if (kept.lockMethodSaved && StgIsRemotePrinter(ctx) && (mode & kLockLoadModes)) {
    CfgLoadLockData(ctx->printer, ctx);
    StgBroadcastModuleEvent(ctx, 60, nullptr);
    StgBroadcastModuleEvent(ctx, 59, nullptr);
  }
  // 12.
  StgMergePublicFields(store, copy, ctx);
  // 13.
  StgSetJBInstalled(ctx, CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx) ? 1 : 0);
  StgSetTVInstalled(ctx, CfgIsCompanionInstalled(CFG_COMPANION_PREVIEW, ctx) ? 1 : 0);
  // 14.
  UiApplyUserCodeSettings(ctx);
  // 15.
  if (mode & UI_INTAKE_PROMPT) JcReadItems(ctx, kJobItemsOnPrompt);
  // 16.
  if (!(mode & UI_INTAKE_CALLER_FILE_LOAD) && (mode & kLockLoadModes)) CfgLoadSettingClass(ctx->printer, ctx, 1, 0);
  // 17.
  CfgLoadUserCodeIfEnabled(ctx);
  // 18.
  StgMergeDependentSettings(store, copy, ctx);
  // 19.
  DWORD eventMode = mode;
  StgBroadcastModuleEvent(ctx, 52, &eventMode);
  // 20.
  StgSetValue(ctx, QDV_rdmExtOutputEMFSpool, 1);
  StgSetValue(ctx, QDV_wdmUIStart, 0);
  // 21.
  if (mode & kTransactModes) RuleRunAllTransacts(ctx);
  // 22.
  if (ctx->work->mergeMode & (UI_INTAKE_APP_REQUEST | UI_INTAKE_PROMPT)) StgRefreshDerivedSettings(store, ctx, 2);
  else ApplyPaper(ctx, store);
  // 23.
  StgFree(copy);
  return 1;
}

int UiMergeCallerDevmodeEx(SETTING_CONTEXT* ctx, const DEVMODEW* dm, size_t bytes, DWORD mode) {
  if (dm && !StgIsDevmodeWithin(dm, bytes)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return UiMergeCallerDevmode(ctx, dm, mode);
}

DEVMODEW* UiSetSetupEnvironment(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return nullptr;
  // The common steps, then the companion bytes from the registrations instead of 0.
  StgInitStateBytesCommon(ctx);
  StgSetJBInstalled(ctx, CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx) ? 1 : 0);
  StgSetTVInstalled(ctx, CfgIsCompanionInstalled(CFG_COMPANION_PREVIEW, ctx) ? 1 : 0);
  return StgGetDevmode(ctx);
}

void UiResetSettingsToDefaults(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store || !ctx->dictionary) return;
  // 1.
  StgWritePrivateHeader(StgGetDevmode(ctx), ctx);
  // 2. Administrator locks do not keep their settings here.
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = 0; i < dict->count; ++i) {
    ITEM_DESC* row = &dict->rows[i];
    WORD id = (WORD)row->id;
    if (id == QDV_rdmPresetNo) {
      StgWriteOptionValue(ctx, row, ImgGetDefaultValue(ctx, id) - 119);
      continue;
    }
    if (StgIsValueAllowedByIndex(2, (int32_t)id)) continue;
    StgSetValueOrResString(ctx, id, ImgGetDefaultValue(ctx, id));
  }
  // 3.
  int language = DlgHelpFileLanguageIndex(ctx);
  StgSetValue(ctx, QDV_rdmLanguageID, (uint64_t)language);
  StgSetValue(ctx, QDV_rdmDspLanguageID, (uint64_t)language);
  // 4.
  WCHAR font[64] = {};
  CfgGetUiFontName(ctx, font);
  font[63] = 0;
  StgSetString(ctx, StgFindItem(ctx, QDV_rdmHFFontName), font);
  StgSetString(ctx, StgFindItem(ctx, QDV_rdmCopyProtectFontName), font);
  // 5.
  StgSetCharsetSettings(ctx, 3);
  StgLoadDriverId(ctx);
  StgSetCharsetSetting(ctx, QDV_rdmCharSet);
}
