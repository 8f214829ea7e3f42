// Private DEVMODE header, validation, copies between public sizes, and the intake of a caller's
// DEVMODE into a settings context.
#include "settings/devmode.h"

#include <algorithm>
#include <cstring>

#include "config/device_settings.h"
#include "config/free_size.h"
#include "config/printer_data.h"
#include "config/lock_data.h"
#include "config/user_code.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "settings/access.h"
#include "settings/migrate.h"
#include "settings/paper_geometry.h"
#include "settings/public_fields.h"
#include "settings/modules.h"
#include "settings/library_hooks.h"
#include "settings/platform_queries.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

const BYTE* B(const DEVMODEW* dm) { return reinterpret_cast<const BYTE*>(dm); }
BYTE* B(DEVMODEW* dm) { return reinterpret_cast<BYTE*>(dm); }
uint16_t Rd16(const BYTE* p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
uint32_t Rd32(const BYTE* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
void Wr16(BYTE* p, uint16_t v) { std::memcpy(p, &v, 2); }
void Wr32(BYTE* p, uint32_t v) { std::memcpy(p, &v, 4); }

WORD DmSize(const DEVMODEW* dm) { return Rd16(B(dm) + DM_OFF_SIZE); }
WORD DmExtra(const DEVMODEW* dm) { return Rd16(B(dm) + DM_OFF_DRIVER_EXTRA); }
WORD DmDriverVersion(const DEVMODEW* dm) { return Rd16(B(dm) + DM_OFF_DRIVER_VERSION); }

// The DEVMODE's own extent covers `end` bytes.
bool Reaches(const DEVMODEW* dm, size_t end) {
  return dm && (size_t)DmSize(dm) + DmExtra(dm) >= end;
}

BYTE GetByte(const DEVMODEW* dm, size_t off) { return Reaches(dm, off + 1) ? B(dm)[off] : 0; }
void SetByte(DEVMODEW* dm, size_t off, BYTE v) {
  if (Reaches(dm, off + 1)) B(dm)[off] = v;
}

const MODEL_BLOCK* Model() { return StgGetModelBlock(); }

// The tests shared by the three validators.
bool ModelMatches(const DEVMODEW* dm, bool size, bool version) {
  if (!Reaches(dm, PDM_OFF_DRIVER_TYPE + 1)) return false;
  const MODEL_BLOCK* m = Model();
  const BYTE* p = B(dm);
  if (Rd32(p + PDM_OFF_MODEL_ID) != (DWORD)m->modelId) return false;
  if (size && Rd32(p + PDM_OFF_PRIVATE_SIZE) != STG_DEVMODE_PRIVATE_SIZE) return false;
  if (version && Rd32(p + PDM_OFF_VERSION) != (DWORD)m->settingsVersion) return false;
  if (p[PDM_OFF_MACHINE_ID] != (BYTE)m->modelCode) return false;
  if (p[PDM_OFF_DRIVER_TYPE] != (m->driverType ? 1 : 0)) return false;
  return true;
}

}  // namespace

void StgWriteBlockOffsets(DEVMODEW* dm) {
  if (!dm) return;
  BYTE* p = B(dm) + PDM_OFF_BLOCK_OFFSETS;
  Wr16(p, 0);
  Wr16(p + 2, (WORD)STG_DEVMODE_SIZE);
  Wr16(p + 4, (WORD)(STG_DEVMODE_SIZE + STG_DEVICE_BLOCK_SIZE));
}

void StgWritePrivateHeader(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm) return;
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : Model();
  BYTE* p = B(dm);
  std::memcpy(p + PDM_OFF_SIGNATURE, "ZARN", 4);
  Wr32(p + PDM_OFF_JOB_BINDER, 0);
  Wr32(p + PDM_OFF_MODEL_ID, (DWORD)m->modelId);
  Wr32(p + PDM_OFF_PRIVATE_SIZE, STG_DEVMODE_PRIVATE_SIZE);
  Wr32(p + PDM_OFF_VERSION, (DWORD)m->settingsVersion);
  StgWriteBlockOffsets(dm);
}

int StgIsValidPrivateDevmode(const DEVMODEW* dm) { return ModelMatches(dm, true, true) ? 1 : 0; }
int StgIsSameModelDevmode(const DEVMODEW* dm) { return ModelMatches(dm, false, false) ? 1 : 0; }
int StgIsSameLayoutDevmode(const DEVMODEW* dm) { return ModelMatches(dm, true, false) ? 1 : 0; }

DWORD StgGetDmModelId(const DEVMODEW* dm) { return Reaches(dm, PDM_OFF_MODEL_ID + 4) ? Rd32(B(dm) + PDM_OFF_MODEL_ID) : 0; }
DWORD StgGetDmPrivateSize(const DEVMODEW* dm) {
  return Reaches(dm, PDM_OFF_PRIVATE_SIZE + 4) ? Rd32(B(dm) + PDM_OFF_PRIVATE_SIZE) : 0;
}
DWORD StgGetDmSettingsVersion(const DEVMODEW* dm) {
  return Reaches(dm, PDM_OFF_VERSION + 4) ? Rd32(B(dm) + PDM_OFF_VERSION) : 0;
}
BYTE StgGetDmMachineId(const DEVMODEW* dm) { return GetByte(dm, PDM_OFF_MACHINE_ID); }
BYTE StgGetDmDriverType(const DEVMODEW* dm) { return GetByte(dm, PDM_OFF_DRIVER_TYPE); }

namespace {
WORD DmSpecVersionOfSize(WORD size, WORD own) {
  switch (size) {
    case 188: return DM_SPEC_OLD;
    case 212: return DM_SPEC_400;
    case 220: return DM_SPEC_401;
    default: return own;
  }
}

// The copy shared by both paths; `checkPrivate` is the test of the current-size path.
int CopyDevmode(const DEVMODEW* source, DEVMODEW* target, bool checkPrivate) {
  const BYTE* s = B(source);
  BYTE* t = B(target);
  WORD keepVersion = DmDriverVersion(target), keepSize = DmSize(target), keepExtra = DmExtra(target);
  // The target is a store DEVMODE: never more than its 1236 bytes.
  WORD tSize = std::min<WORD>(keepSize, (WORD)STG_DEVMODE_PUBLIC_SIZE);
  WORD sSize = DmSize(source), sExtra = DmExtra(source);
  size_t pub = std::min<size_t>(sSize, tSize);
  std::memmove(t, s, pub);
  Wr16(t + DM_OFF_SPEC_VERSION, DmSpecVersionOfSize(keepSize, Rd16(t + DM_OFF_SPEC_VERSION)));
  Wr16(t + DM_OFF_DRIVER_VERSION, keepVersion);
  Wr16(t + DM_OFF_SIZE, keepSize);
  Wr16(t + DM_OFF_DRIVER_EXTRA, keepExtra);
  if (checkPrivate && (sExtra != STG_DEVMODE_PRIVATE_SIZE || DmDriverVersion(source) != keepVersion)) return -1;
  size_t room = STG_DEVMODE_SIZE > tSize ? STG_DEVMODE_SIZE - tSize : 0;
  size_t priv = std::min<size_t>({sExtra, keepExtra, room});
  std::memmove(t + tSize, s + sSize, priv);
  // The copied header's block offsets come from outside: put the layout's own back.
  if (priv >= PDM_OFF_BLOCK_OFFSETS + 6 - STG_DEVMODE_PUBLIC_SIZE && tSize == STG_DEVMODE_PUBLIC_SIZE)
    StgWriteBlockOffsets(target);
  return (int)(pub + priv);
}
}  // namespace

WORD StgDevmodeSpecOfSize(const DEVMODEW* dm) {
  if (!dm) return 0;
  return DmSpecVersionOfSize(DmSize(dm), Rd16(B(dm) + DM_OFF_SPEC_VERSION));
}

int StgCopyDevmode(const DEVMODEW* source, DEVMODEW* target) {
  if (!source || !target) return -1;
  if (StgDevmodeSpecOfSize(source) == DM_SPEC_OLD) return StgCopyDevmodeFromOld(source, target);
  return CopyDevmode(source, target, true);
}

int StgCopyDevmodeFromOld(const DEVMODEW* source, DEVMODEW* target) {
  if (!source || !target) return -1;
  if (StgDevmodeSpecOfSize(source) == 0 || StgDevmodeSpecOfSize(target) == 0) return -1;
  if (DmSize(source) != 220 && StgDevmodeSpecOfSize(source) != DM_SPEC_OLD) return -1;
  return CopyDevmode(source, target, false);
}

void StgCopyPrinterDefaultDevmode(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return;
  void* info = StgGetPrinterInfo(ctx->printer, 2);
  if (!info) return;
  const DEVMODEW* dm = ((const PRINTER_INFO_2W*)info)->pDevMode;
  DEVMODEW* store = StgGetDevmode(ctx);
  if (dm && DmSize(dm) && DmExtra(dm) && DmDriverVersion(dm) && DmSize(dm) == DmSize(store) &&
      DmExtra(dm) == DmExtra(store) && DmDriverVersion(dm) == DmDriverVersion(store) &&
      (size_t)DmSize(dm) + DmExtra(dm) == STG_DEVMODE_SIZE && StgIsValidPrivateDevmode(dm)) {
    std::memcpy(store, dm, STG_DEVMODE_SIZE);
    StgWriteBlockOffsets(store);
  }
  StgFree(info);
}

int StgIsDevmodeWithin(const DEVMODEW* dm, size_t bytes) {
  if (!dm || bytes < DM_HEADER_BYTES) return 0;
  if (DmSize(dm) < DM_HEADER_BYTES) return 0;
  return (size_t)DmSize(dm) + DmExtra(dm) <= bytes ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Intake.

int StgMergeDevmodeEx(SETTING_CONTEXT* ctx, const DEVMODEW* incoming, size_t bytes, DWORD mode) {
  if (incoming && !StgIsDevmodeWithin(incoming, bytes)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return StgMergeDevmode(ctx, incoming, mode);
}

int StgMergeDevmodeCommon(SETTING_CONTEXT* ctx, const DEVMODEW* incoming, DWORD mode) {
  // 1. Only a modify or a document-sheet intake does anything.
  if (!(mode & (STG_MERGE_MODIFY | STG_MERGE_DOC_SHEETS))) return 1;
  if (!ctx || !ctx->store || !ctx->work) return 1;
  // 2.
  ctx->work->mergeMode = mode;
  if (!(mode & STG_MERGE_NO_PROMPT)) StgSetValue(ctx, QDV_wdmCtrlWorkPrompt, (mode & STG_MERGE_PROMPT) ? 1 : 0);
  // 3. Working copy of the current DEVMODE part.
  DEVMODEW* store = StgGetDevmode(ctx);
  BYTE* work = (BYTE*)StgAllocZero(STG_DEVMODE_SIZE);
  if (!work) return 0;
  std::memcpy(work, store, STG_DEVMODE_SIZE);
  DEVMODEW* wdm = reinterpret_cast<DEVMODEW*>(work);
  // 4. Bring the incoming DEVMODE into the working copy and judge its private part.
  if (incoming && DmSize(incoming) >= DM_HEADER_BYTES) {
    StgCopyDevmode(incoming, wdm);
    int verdict;
    if (StgIsValidPrivateDevmode(wdm)) verdict = 0;
    else if (StgIsSameModelDevmode(wdm)) verdict = StgCompareStoreVersion(wdm);
    else verdict = 2;
    if (verdict == 1) {
      BYTE* aside = (BYTE*)StgAllocZero(STG_DEVMODE_SIZE);
      if (!aside) {
        StgFree(work);
        return 0;
      }
      std::memcpy(aside, store, STG_DEVMODE_SIZE);
      std::memcpy(store, work, STG_DEVMODE_SIZE);
      bool converted = StgMigrateStore(wdm, ctx) != 0;
      if (converted) std::memcpy(work, store, STG_DEVMODE_SIZE);
      std::memcpy(store, aside, STG_DEVMODE_SIZE);
      StgFree(aside);
      // Settings that could not be converted are not taken in their old layout.
      if (!converted) verdict = 2;
    }
    if (verdict >= 2) {
      std::memcpy(work + PDM_OFF, B(store) + PDM_OFF, STG_DEVMODE_PRIVATE_SIZE);
    }
  }
  // 5. Values the context keeps through the merge.
  static const WORD kKept[] = {706, 707, 708, 709, 710, 711, 714, 718, 720, 721, 722};
  BYTE keptState[sizeof(kKept)];
  for (size_t i = 0; i < sizeof(kKept) / sizeof(kKept[0]); ++i) keptState[i] = B(store)[PdmStateOffset(kKept[i])];
  BYTE keptLockMethod = B(store)[PDM_OFF_LOCK_PRN_METHOD];
  DWORD keptFront = Rd32(B(store) + PDM_OFF_FRONT_FUNC);
  DWORD keptSupport = Rd32(B(store) + PDM_OFF_SUPPORT_FUNC2);
  bool feature2 = StgIsModelFeatureOn(ctx, 2, 0) != 0;
  // 6. The private part of the working copy becomes the context's.
  std::memcpy(B(store) + PDM_OFF, work + PDM_OFF, STG_DEVMODE_PRIVATE_SIZE);
  StgWriteBlockOffsets(store);
  // 7.
  for (size_t i = 0; i < sizeof(kKept) / sizeof(kKept[0]); ++i) B(store)[PdmStateOffset(kKept[i])] = keptState[i];
  Wr32(B(store) + PDM_OFF_FRONT_FUNC, keptFront);
  if (feature2 && StgIsPrintTypeLocked(ctx) && StgGetValue(ctx, QDV_rdmFunc2SelectPreviewFlag, nullptr) == 0 &&
      !(mode & STG_MERGE_KEEP_LOCK_METHOD))
    B(store)[PDM_OFF_LOCK_PRN_METHOD] = keptLockMethod;
  if (mode & STG_MERGE_KEEP_NOTIFY) {
    DWORD w = Rd32(B(store) + PDM_OFF_SUPPORT_FUNC2);
    Wr32(B(store) + PDM_OFF_SUPPORT_FUNC2, (w & ~3u) | (keptSupport & 3u));
  }
  // 8.
  StgSetValue(ctx, QDV_rdmQualityFuncTextBitmapSupport,
              ImgGetDefaultValue(ctx, QDV_rdmQualityFuncTextBitmapSupport) ? 1 : 0);
  if (ImgGetDefaultValue(ctx, QDV_wdmCustomFunc1)) StgSetValue(ctx, QDV_rdmHidden2Func7, 1);
  // 9.
  if ((mode & STG_MERGE_CLASS_A) && StgGetValue(ctx, QDV_wdmImageFormJob, nullptr)) {
    StgSetValue(ctx, QDV_rdmFuncSelectScale, 0);
    StgSetValue(ctx, QDV_rdmOutPaperSize, 1024);
    StgSetValue(ctx, QDV_rdmExtOutput2A4Fit, 0);
  }
  // 10.
  const DWORD kLoadModes = 0xC220004u;
  if (feature2 && StgIsNt5OrLater() && StgIsRemotePrinter(ctx) && (mode & kLoadModes)) {
    CfgLoadLockData(ctx->printer, ctx);
    StgBroadcastModuleEvent(ctx, 60, nullptr);
    StgBroadcastModuleEvent(ctx, 59, nullptr);
  }
  // 11.
  const DEVMODEW* merged = incoming ? wdm : nullptr;
  StgMergePublicFields(store, merged, ctx);
  // 12.
  StgSetJBInstalled(ctx, CfgIsCompanionInstalled(2, ctx) ? 1 : 0);
  StgSetTVInstalled(ctx, CfgIsCompanionInstalled(8, ctx) ? 1 : 0);
  // 13.
  if (!(mode & STG_MERGE_NO_PROMPT) && (mode & kLoadModes)) CfgLoadSettingClass(ctx->printer, ctx, 1, 0);
  // 14.
  CfgLoadUserCodeIfEnabled(ctx);
  // 15.
  StgMergeDependentSettings(store, merged, ctx);
  // 16.
  DWORD eventArg = mode;
  StgBroadcastModuleEvent(ctx, 52, &eventArg);
  // 17.
  StgSetValue(ctx, QDV_rdmExtOutputEMFSpool, 1);
  StgSetValue(ctx, QDV_wdmUIStart, 0);
  // 18.
  if (mode & 0x1D220004u) RuleRunAllTransacts(ctx);
  // 19.
  if (ctx->work->mergeMode & (STG_MERGE_APP_REQUEST | STG_MERGE_PROMPT)) {
    StgRefreshDerivedSettings(store, ctx, 2);
  } else {
    DWORD paper = (DWORD)StgGetValue(ctx, QDV_dmPaperSize, nullptr);
    if (RuleIsCustomSlotPaper(paper, ctx)) {
      CfgLoadAllFreeSizes(ctx);
      int slot = CfgFreeSizePaperToIndex(paper, ctx);
      CfgLoadBuiltinFreeSize(ctx, paper, slot);
      CfgSelectFreeSizeSlotSrc(ctx, slot);
    }
    StgApplyOutputPaper((DWORD)StgGetValue(ctx, QDV_rdmOutPaperSize, nullptr), QDV_rdmOutPaperSize, ctx, store);
  }
  // 20.
  StgFree(work);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// State bytes and words on a DEVMODE.

#define STG_DM_BYTE(Name, off)                                                   \
  BYTE StgGetDm##Name(const DEVMODEW* dm) { return GetByte(dm, off); }           \
  void StgSetDm##Name(DEVMODEW* dm, BYTE v) { SetByte(dm, off, v); }
STG_DM_BYTE(CallSrc, PdmStateOffset(706))
STG_DM_BYTE(OSKind, PdmStateOffset(707))
STG_DM_BYTE(BatchInst, PdmStateOffset(708))
STG_DM_BYTE(PrintLog, PdmStateOffset(709))
STG_DM_BYTE(BiDirect, PdmStateOffset(710))
STG_DM_BYTE(NoPermission, PdmStateOffset(711))
STG_DM_BYTE(ServerClientMode, PdmStateOffset(714))
STG_DM_BYTE(PropertyType, PdmStateOffset(718))
STG_DM_BYTE(TSE, PdmStateOffset(720))
STG_DM_BYTE(Admin, PdmStateOffset(721))
STG_DM_BYTE(BidiFunc, PdmStateOffset(722))
STG_DM_BYTE(LockPrnMethod, PDM_OFF_LOCK_PRN_METHOD)
#undef STG_DM_BYTE

DWORD StgGetDmFrontFunc(const DEVMODEW* dm) { return Reaches(dm, PDM_OFF_FRONT_FUNC + 4) ? Rd32(B(dm) + PDM_OFF_FRONT_FUNC) : 0; }
void StgSetDmFrontFunc(DEVMODEW* dm, DWORD v) {
  if (Reaches(dm, PDM_OFF_FRONT_FUNC + 4)) Wr32(B(dm) + PDM_OFF_FRONT_FUNC, v);
}
WORD StgGetDmQualityFuncBits(const DEVMODEW* dm) {
  return Reaches(dm, PDM_OFF_QUALITY_FUNC + 2) ? Rd16(B(dm) + PDM_OFF_QUALITY_FUNC) : 0;
}
void StgSetDmQualityFuncBits(DEVMODEW* dm, WORD v) {
  if (Reaches(dm, PDM_OFF_QUALITY_FUNC + 2)) Wr16(B(dm) + PDM_OFF_QUALITY_FUNC, v);
}
DWORD StgGetDmHidden2FuncBits(const DEVMODEW* dm) {
  return Reaches(dm, PDM_OFF_HIDDEN2_FUNC + 4) ? Rd32(B(dm) + PDM_OFF_HIDDEN2_FUNC) : 0;
}
void StgSetDmHidden2FuncBits(DEVMODEW* dm, DWORD v) {
  if (Reaches(dm, PDM_OFF_HIDDEN2_FUNC + 4)) Wr32(B(dm) + PDM_OFF_HIDDEN2_FUNC, v);
}
DWORD StgGetDmSupportFunc2Bits(const DEVMODEW* dm) {
  return Reaches(dm, PDM_OFF_SUPPORT_FUNC2 + 4) ? Rd32(B(dm) + PDM_OFF_SUPPORT_FUNC2) : 0;
}
void StgSetDmJobCompleteNotify(DEVMODEW* dm, DWORD v) {
  if (!Reaches(dm, PDM_OFF_SUPPORT_FUNC2 + 4)) return;
  DWORD w = Rd32(B(dm) + PDM_OFF_SUPPORT_FUNC2);
  Wr32(B(dm) + PDM_OFF_SUPPORT_FUNC2, (w & ~1u) | (v & 1u));
}
void StgSetDmJobErrNotify(DEVMODEW* dm, DWORD v) {
  if (!Reaches(dm, PDM_OFF_SUPPORT_FUNC2 + 4)) return;
  DWORD w = Rd32(B(dm) + PDM_OFF_SUPPORT_FUNC2);
  Wr32(B(dm) + PDM_OFF_SUPPORT_FUNC2, (w & ~2u) | (v & 2u));
}
