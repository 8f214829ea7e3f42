// Apply and commit of the sheets.
//
// The operations answer 1 whatever the storage services report: the sheet workers rely on it, and the
// services report (and log) their own failures. A failed printer-data write leaves the printer's stored
// settings as they were before that write.
#include "sheets/dlg_apply.h"

#include "devlink/job_control.h"
#include "config/device_settings.h"
#include "inst_default_presets.h"
#include "kvplat/devmode.h"
#include "kvplat/sheetservice.h"
#include "kvplat/spooler.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"
#include "ui_app_blocks.h"
#include "ui_convert.h"
#include "ui_docprops.h"
#include "ui_jobctl.h"
#include "ui_printer_data.h"
#include "ui_user_code.h"

namespace {

constexpr WORD kNetworkKeyPage = 4019, kNetworkKeyEdit = 2988;
constexpr WORD kAuthNetworkKey = 4;
constexpr DWORD kJcNetworkKey = UI_JC_MASK_NETWORK_KEY;
constexpr DWORD kJcDocumentItems = 6302;

DEVMODEW* StoreDevmode(SETTING_CONTEXT* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->store->bytes); }

bool Usable(SETTING_CONTEXT* ctx) { return ctx && ctx->work && ctx->store; }

// The collate fields of a DEVMODE from the sort setting: asked for while sorting is on, off when the
// printer cannot sort.
void SetCollate(SETTING_CONTEXT* ctx, DEVMODEW* dm, bool selectable) {
  if (selectable) {
    dm->dmFields |= DM_COLLATE;
    dm->dmCollate = StgGetValue(ctx, sid::rdmFuncSelectSort, nullptr) ? 1 : 0;
  } else {
    dm->dmFields &= ~DWORD(DM_COLLATE);
    dm->dmCollate = 0;
  }
}

// The caller's output DEVMODE: the store copied within the sizes the caller's input declares, then its
// collate fields. A caller whose input asks for collation keeps it when it is not the application's own
// call (or on the old system that cannot report it back).
void CopyToOutput(SETTING_CONTEXT* ctx) {
  auto* in = static_cast<const DEVMODEW*>(ctx->work->sheetRefs[0]);
  auto* out = static_cast<DEVMODEW*>(ctx->work->sheetRefs[1]);
  if (!out) return;
  if (UiMergeDevmodeSizes(StoreDevmode(ctx), in, out) != 1) return;
  bool selectable = StgQuerySortTypeList(ctx) != 0;
  if (selectable && in && (in->dmFields & DM_COLLATE) &&
      (UiIsWin2000BeforeSp4() || StgGetValue(ctx, sid::rdmCallSrc, nullptr) != 1))
    return;
  SetCollate(ctx, out, selectable);
}

}  // namespace

int DlgStoreDocumentDevmode(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 1;
  DWORD mode = ctx->work->docPropMode;
  if (!(mode & (DM_UPDATE | DM_COPY))) return 1;
  if ((mode & DM_COPY) && StgIsJobInfoEnabled()) UiBuildAppCapsBlock(ctx);
  UiJcClearItemsIfOn(ctx, UI_JC_MASK_ALL_ITEMS);
  CopyToOutput(ctx);
  // A sheet that only updates keeps its own DEVMODE's collation in line with the sort setting.
  if (!(mode & DM_COPY) && !(ctx->work->kind & STG_KIND_DOCPROP))
    SetCollate(ctx, StoreDevmode(ctx), StgQuerySortTypeList(ctx) != 0);
  return 1;
}

int DlgStoreDocumentAndSave(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 1;
  DlgStoreDocumentDevmode(ctx);
  CfgSaveDeviceSettingsAll(ctx->printer, ctx);
  return 1;
}

int DlgCommitDeviceSettings(SETTING_CONTEXT* ctx, int kind) {
  if (!Usable(ctx)) return 1;
  UiSaveUserCodeProvider(ctx);
  StgRefreshDerivedSettings(StoreDevmode(ctx), ctx, kind);
  UiSaveDeviceSettings(ctx->printer, ctx);
  return 1;
}

int DlgCommitDocumentSettings(SETTING_CONTEXT* ctx, int kind) {
  if (!Usable(ctx)) return 1;
  StgRefreshDerivedSettings(StoreDevmode(ctx), ctx, kind);
  return DlgStoreDocumentAndSave(ctx);
}

int DlgCommitDeviceSettings3(SETTING_CONTEXT* ctx) { return DlgCommitDeviceSettings(ctx, 3); }

int DlgCommitDocumentSettings3(SETTING_CONTEXT* ctx) { return DlgCommitDocumentSettings(ctx, 3); }

int DlgApplySheetCore(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 1;
  if (ctx->work->sheet.kind == DLG_SHEET_DEVICE) {
    if (StgIsModelFeatureOn(ctx, 0, 0)) {
      UiJcOpen(ctx);
      if (DlgAuthInfoPresent(ctx, kAuthNetworkKey) == kAuthNetworkKey) {
        UiJcWriteItemsIfOn(ctx, kJcNetworkKey);
      } else {
        // No key this time: the one stored before must not travel with later jobs.
        StgSetString(ctx, StgFindItem(ctx, sid::wdmAuthenticationNetworkKey), u"");
        UiJcWriteItemsIfOn(ctx, kJcNetworkKey);
        DIALOG_DESC* page = StgFindDialog(ctx, kNetworkKeyPage);
        CONTROL_DESC* edit = page ? StgFindControlById(ctx, page, kNetworkKeyEdit) : nullptr;
        if (edit && edit->window) SetWindowTextW(static_cast<HWND>(edit->window), u"");
      }
      if (StgGetValue(ctx, sid::rdmPrnFuncAuthenticationMode, nullptr) == 0)
        StgSetValue(ctx, sid::rdmPrnFuncAuthenticationSecureMode, 0);
      UiJcClose(ctx);
    }
    InstRunPackInstall(ctx, 1);
    return DlgCommitDeviceSettings3(ctx);
  }
  UiJcOpen(ctx);
  UiJcWriteItemsIfOn(ctx, StgIsModelFeatureOn(ctx, 0, 0) ? kJcDocumentItems : UI_JC_MASK_USER_ITEMS);
  UiJcReadItemsIfOn(ctx, UI_JC_MASK_USER_CODE);
  UiJcClose(ctx);
  return DlgCommitDocumentSettings(ctx, 4);
}

int DlgApplyDeviceSheet(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 1;
  CONTEXT_WORK_AREA* w = ctx->work;
  uint64_t uiMode = StgGetValue(ctx, sid::rdmPresentUIMode, nullptr);
  w->sheet.applied = 1;
  int result = DlgApplySheetCore(ctx);
  // Later comparisons start from what was just committed.
  StgFreeStoreCopyLists(ctx);
  StgKeepStoreCopy(ctx);
  JcReadItems(ctx, UI_JC_MASK_ALL_ITEMS);
  StgSetValue(ctx, sid::rdmPresentUIMode, uiMode);
  if (!w->sheet.callback) return result;
  if (w->sheet.kind == DLG_SHEET_DEVICE) {
    PRINTER_INFO_7W info{};
    info.pszObjectGUID = nullptr;
    info.dwAction = DSPRINT_UPDATE;
    SetPrinterW(ctx->printer, 7, reinterpret_cast<LPBYTE>(&info), 0);
    w->sheet.callback(w->sheet.handle, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
  } else if (w->docPropMode & (DM_UPDATE | DM_COPY)) {
    w->sheet.callback(w->sheet.handle, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
  }
  return result;
}
