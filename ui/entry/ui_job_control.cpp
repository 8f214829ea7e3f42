// The interface library's client of the job-control library: the event wrappers its workers call, the
// second store of the job items in printer data under the settings' own names, the two direct calls of
// the interface, the probe of DEVMODE conversion and the hand-over of the items batch installation
// parked in printer data.
#include "ui_jobctl.h"

#include <cstring>
#include <string>

#include "config/paths.h"
#include "devlink/job_control.h"
#include "inst_batch.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "sheets/dlg_language.h"
#include "ui_printer_data.h"
#include "ui_user_code.h"

namespace {

bool AuthenticationOn(SETTING_CONTEXT* ctx) { return StgIsModelFeatureOn(ctx, 0, 0) != 0; }

DWORD IfOn(SETTING_CONTEXT* ctx, DWORD event, DWORD mask) {
  return StgIsJobInfoEnabled() ? JcHandleEvent(ctx, event, mask) : 0;
}

// The setting row of an item that has one in the table (the authentication items only with model feature
// 0); none for the driver's own items and for numbers outside the table. *known := the item is in the
// table.
ITEM_DESC* ItemSetting(SETTING_CONTEXT* ctx, DWORD item, bool* known) {
  const JC_ITEM_ROW* row = JcFindItemRow(item);
  *known = row && !(item >= 256 && item <= 258);
  if (!*known) return nullptr;
  if (item >= 9 && item <= 11 && !AuthenticationOn(ctx)) return nullptr;
  return StgFindItem(ctx, row->setting);
}

template <class Fn>
DWORD Walk(SETTING_CONTEXT* ctx, DWORD mask, Fn each) {
  if (!AuthenticationOn(ctx)) mask &= ~JC_MASK_AUTHENTICATION;
  for (const JC_ITEM_ROW& r : JC_ITEM_TABLE)
    if (mask & r.mask) each(ctx, r.item);
  return 0;
}

HANDLE Printer(SETTING_CONTEXT* ctx) { return ctx ? ctx->printer : nullptr; }

}  // namespace

DWORD UiJcOpen(SETTING_CONTEXT* ctx) { return JcHandleEvent(ctx, JC_EVENT_OPEN, 0); }
DWORD UiJcClose(SETTING_CONTEXT* ctx) { return JcHandleEvent(ctx, JC_EVENT_CLOSE, 0); }
DWORD UiJcReadItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask) { return IfOn(ctx, JC_EVENT_READ, mask); }
DWORD UiJcWriteItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask) { return IfOn(ctx, JC_EVENT_WRITE, mask); }
DWORD UiJcWriteItemsAllIfOn(SETTING_CONTEXT* ctx, DWORD mask) { return IfOn(ctx, JC_EVENT_CLEAR_WRITE, mask); }
DWORD UiJcResetUserCodeSourceIfOn(SETTING_CONTEXT* ctx) { return IfOn(ctx, JC_EVENT_RESET_USER_CODE, 0); }
DWORD UiJcClearItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask) {
  return StgIsJobInfoEnabled() ? UiJcClearItems(ctx, mask) : 0;
}

DWORD UiJcNotify(SETTING_CONTEXT* ctx, DWORD item) {
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b || !b->session || !b->iface || !b->iface->withdraw) return 0;
  return b->iface->withdraw(b->session, item);
}

DWORD UiJcSendRecord(SETTING_CONTEXT* ctx, DWORD code) {
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b || !b->session || !b->iface || !b->iface->sendRecord || code != JC_RECORD_LANGUAGE) return 0;
  BYTE region = BYTE(StgGetValue(ctx, sid::rdmLanguageID, nullptr));
  WORD sub = 0;
  StgGetRegionLangId(region, &sub);
  JC_LANGUAGE_RECORD record{sizeof(JC_LANGUAGE_RECORD), WORD(DlgLanguageEntry(region) & 0xFF), sub};
  return b->iface->sendRecord(b->session, code, &record);
}

DWORD UiJcSendLanguage(SETTING_CONTEXT* ctx) { return UiJcSendRecord(ctx, JC_RECORD_LANGUAGE); }

DWORD UiJcImportItem(SETTING_CONTEXT* ctx, DWORD item) {
  bool known = false;
  ITEM_DESC* row = ItemSetting(ctx, item, &known);
  if (!known) return JC_STATUS_UNKNOWN_ITEM;
  if (row) UiReadSettingByName(Printer(ctx), ctx, row);  // an absent value leaves the setting
  return 0;
}

DWORD UiJcExportItem(SETTING_CONTEXT* ctx, DWORD item) {
  bool known = false;
  ITEM_DESC* row = ItemSetting(ctx, item, &known);
  if (!known) return JC_STATUS_UNKNOWN_ITEM;
  if (row) UiSaveSettingByName(Printer(ctx), ctx, row);
  return 0;
}

DWORD UiJcClearItem(SETTING_CONTEXT* ctx, DWORD item) {
  bool known = false;
  ITEM_DESC* row = ItemSetting(ctx, item, &known);
  if (!known) return JC_STATUS_UNKNOWN_ITEM;
  if (!row) return 0;
  if (row->id == sid::rdmTelLine) StgWriteValue(ctx, row, 0);
  else StgSetString(ctx, row, u"");
  return 0;
}

DWORD UiJcImportItems(SETTING_CONTEXT* ctx, DWORD mask) {
  return Walk(ctx, mask, [](SETTING_CONTEXT* c, DWORD item) { UiJcImportItem(c, item); });
}
DWORD UiJcExportItems(SETTING_CONTEXT* ctx, DWORD mask) {
  return Walk(ctx, mask, [](SETTING_CONTEXT* c, DWORD item) { UiJcExportItem(c, item); });
}
DWORD UiJcClearItems(SETTING_CONTEXT* ctx, DWORD mask) {
  return Walk(ctx, mask, [](SETTING_CONTEXT* c, DWORD item) { UiJcClearItem(c, item); });
}

bool UiJcSessionAvailable(SETTING_CONTEXT* ctx) {
  if (!StgIsJobInfoEnabled()) return true;
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b) return false;
  // A library the context holds already stays loaded; one loaded for this probe goes again.
  const bool loadedHere = !b->module;
  if (JcLoadInterface(b, ctx) != JC_STATUS_OK) return false;
  bool available = true;
  if (!b->session) {
    available = JcOpenSession(ctx) == JC_STATUS_OK;
    if (available) JcCloseSession(ctx);
  }
  if (loadedHere) JcUnloadInterface(b, ctx);
  return available;
}

int UiJcUserCodeFromLogCode(SETTING_CONTEXT* ctx) {
  if (!UiLoadClientUserCode(ctx) || !(StgGetValue(ctx, sid::rdmLogCodeUse, nullptr) & 0xFF)) return 1;
  ITEM_DESC* logCode = StgFindItem(ctx, sid::rdmLogCode);
  ITEM_DESC* userCode = StgFindItem(ctx, sid::rdmUserCode);
  if (!logCode || !userCode) return 1;
  std::u16string text(StgTypeLength(logCode->type) + 1, u'\0');
  StgGetString(ctx, logCode, text.data());
  if (!text[0]) return 1;
  StgSetString(ctx, userCode, text.c_str());
  JcWriteItems(ctx, UI_JC_MASK_USER_CODE);
  return 1;
}

DWORD UiJcSyncAtConversion(SETTING_CONTEXT* ctx) {
  if (!UiJcSessionAvailable(ctx)) {
    UiJcResetUserCodeSourceIfOn(ctx);
    UiJcUserCodeFromLogCode(ctx);
  }
  return DWORD(JcWriteItems(ctx, UI_JC_MASK_DRIVER_ITEMS));
}

void UiJcImportAtCreation(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work || !ctx->store || (ctx->work->buildMode & STG_CF_BUILD_MASK) != 0) return;
  const WCHAR* printer = CfgGetPrinterName(ctx);
  WCHAR ini[CFG_MAX_PATH] = {};
  if (!printer || !printer[0] || !InstGetBatchIniPathTo(ini, CFG_MAX_PATH) || !InstHasDrvInstSet(ini, printer))
    return;
  UiJcImportItems(ctx, UI_JC_MASK_USER_ITEMS);
  JcWriteItems(ctx, UI_JC_MASK_USER_ITEMS);
  ITEM_DESC* userCode = StgFindItem(ctx, sid::rdmUserCode);
  if (userCode && UiReadSettingByName(ctx->printer, ctx, userCode)) JcWriteItems(ctx, UI_JC_MASK_USER_CODE);
  // The secrets batch installation parked in printer data are kept by job control from now on: they
  // are not left readable there.
  for (WORD id : {sid::rdmJOBPassword, sid::rdmStoredPassword, sid::wdmAuthenticationPassword,
                  sid::wdmAuthenticationNetworkKey}) {
    const WCHAR* name = StgGetItemName(ctx, id);
    if (name && name[0]) DeletePrinterDataW(ctx->printer, const_cast<LPWSTR>(name));
  }
  InstMarkDrvInstSet(ini, printer, 0);
}
