// The change path: every value a control gives to a setting is stored, checked against the rules of
// the control's node, and either carried on (automatic actions, follow-up, resolving dialog) or shown
// as an alert whose answer decides.
//
// Alert and answer rows are records of the compiled image, read through its field accessors; the image
// was checked when it was loaded.
#include "sheets/dlg_change.h"

#include "config/paths.h"
#include "config/resource_strings.h"
#include "driverdata/rule_eval.h"
#include "features/fm_modules.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/library_hooks.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/ctl_hint.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_proc.h"
#include "sheets/dlg_subdialog.h"
#include "sheets/dlg_values.h"

namespace {

constexpr WORD kKindUnitEdit = 0x3F;
constexpr WORD kPresetList = 2001;
constexpr WORD kPresetBase = 119;
constexpr WORD kButtonsOkCancel = MB_OKCANCEL, kButtonsOk = MB_OK, kIconInformation = MB_ICONINFORMATION;
constexpr DWORD kFollowUpChangeFlag = 0x10000000u;
constexpr int kCaptionChars = 260;
constexpr WORD kSubDialogSingle = 4;
constexpr int kEndedWithOk = 2;

IMG_REF Ref(const void* p) { return IMG_REF(reinterpret_cast<uintptr_t>(p)); }
const void* Ptr(IMG_REF r) { return reinterpret_cast<const void*>(uintptr_t(r)); }

HWND WindowOf(DIALOG_DESC* page) { return page ? static_cast<HWND>(page->window) : nullptr; }

CONTROL_DESC* FindControl(DIALOG_DESC* page, WORD id) {
  for (int i = 0; page && i < page->controlCount; ++i)
    if (page->controls[i].controlId == id) return &page->controls[i];
  return nullptr;
}

WORD PresetNumber(SETTING_CONTEXT* ctx) { return WORD(StgGetOptionValue(ctx, sid::rdmPresetNo, nullptr)); }

IMG_REF AlertList(void* node) {
  IMG_REF row = ImgNodeRule(Ref(node));
  return row ? DFC_GET(row, RULE_ROW, alerts) : 0;
}

// The preset selection follows the settings: when the actions moved rdmPresetNo, that preset is loaded
// (118, the unsaved state, clears the preset's name) and the page's preset list shows it. True when it ran.
bool SyncPreset(SETTING_CONTEXT* ctx, DIALOG_DESC* page, WORD before) {
  WORD now = PresetNumber(ctx);
  if (now == before) return false;
  WORD index = WORD(now - kPresetBase);
  FmSelectPreset(ctx, int(index));
  StgSetOptionValue(ctx, sid::rdmPresetNo, WORD(index + kPresetBase));
  if (CONTROL_DESC* list = FindControl(page, kPresetList)) {
    if (list->window) SendMessageW(static_cast<HWND>(list->window), LB_SETCURSEL, WPARAM(int16_t(index)), 0);
    PgLayoutPage(ctx, page, 1);
  }
  return true;
}

WORD MessageString(SETTING_CONTEXT* ctx, IMG_REF alert) {
  const MESSAGE_DESC* m = StgFindMessage(ctx, DFC_GET(alert, ALERT_ENTRY, messageKey));
  return m ? m->stringId : 0;
}

// Alerts of two print methods that only inform: their answer's actions run and the change stands.
bool IsPrintTypeException(SETTING_CONTEXT* ctx, IMG_REF alert) {
  DWORD method = StgGetOptionValue(ctx, sid::rdmPrnMethod, nullptr);
  WORD text = MessageString(ctx, alert);
  return (method == 56 && (text == 10011 || text == 10012)) || (method == 13360 && text == 12061);
}

// What an alert's answer does to a change (steps after the box): 1 refused, 0 stands.
int Decide(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, IMG_REF alert, int answer, bool stored,
           DWORD old, WORD presetBefore) {
  void* node = control->ruleNode;
  if (IsPrintTypeException(ctx, alert)) {
    RuleRunAnswerOfNode(node, Ptr(alert), answer, ctx);
    return 0;
  }
  WORD buttons = DFC_GET(alert, ALERT_ENTRY, buttons), icon = DFC_GET(alert, ALERT_ENTRY, icon);
  bool stands = (buttons == kButtonsOkCancel && answer == IDOK) || (buttons == kButtonsOk && icon == kIconInformation);
  if (stands) {
    RuleRunAnswerOfNode(node, Ptr(alert), answer, ctx);
    SyncPreset(ctx, page, presetBefore);
    return 0;
  }
  if (stored) CtlSetValue(ctx, control, old);
  RuleRunAnswerOfNode(node, Ptr(alert), answer, ctx);
  StgBroadcastModuleEvent(ctx, STG_EVENT_VALUE_APPLIED, nullptr);
  CONTROL_DESC* fault = SyncPreset(ctx, page, presetBefore) ? FindControl(page, kPresetList) : control;
  DlgOfferUiHooks(ctx, page, fault, DLG_HOOK_FOCUS_FAULT, DFC_GET(alert, ALERT_ENTRY, messageKey), 0);
  return 1;
}

// Opens the resolving dialog an action named, guarded so that changes made inside it do not open it again.
void OpenResolvingDialog(SETTING_CONTEXT* ctx, DIALOG_DESC* page, void* node, WORD dialogId) {
  ctx->work->sheet.resolveGuard = 1;
  ctx->work->sheet.resolveNode = node;
  if (DlgOpenSubDialog(ctx, kSubDialogSingle, dialogId, WindowOf(page)) == kEndedWithOk) PgLayoutPage(ctx, page, 1);
}

// A dialog id that an action gave, when the table has that dialog; else 0.
WORD KnownDialog(SETTING_CONTEXT* ctx, DWORD id) { return id && StgFindDialog(ctx, WORD(id)) ? WORD(id) : 0; }

}  // namespace

const void* RuleFirstAlertRow(const void* alertRows, SETTING_CONTEXT* ctx) {
  for (IMG_REF a = Ref(alertRows); a; a = ImgNext(a)) {
    IMG_REF judge = DFC_GET(a, ALERT_ENTRY, judge);
    if (judge && RuleEvalExpression(judge, ctx)) return Ptr(a);
  }
  return nullptr;
}

WORD RuleRunAnswer(const void* alertRow, int answer, SETTING_CONTEXT* ctx) {
  IMG_REF alert = Ref(alertRow);
  if (!alert || !ctx) return 0;
  for (IMG_REF a = DFC_GET(alert, ALERT_ENTRY, alertAction); a; a = ImgNext(a)) {
    if (DFC_GET(a, ALERT_ACTION_ENTRY, answerKey) != answer) continue;
    WORD result = KnownDialog(ctx, RuleRunTransact(ctx, DFC_GET(a, ALERT_ACTION_ENTRY, transact)));
    WORD dialogId = DFC_GET(a, ALERT_ACTION_ENTRY, dialogId), controlId = DFC_GET(a, ALERT_ACTION_ENTRY, controlId);
    DIALOG_DESC* dialog = dialogId ? StgFindDialog(ctx, dialogId) : nullptr;
    if (dialog && dialog->window && controlId)
      if (HWND target = GetDlgItem(static_cast<HWND>(dialog->window), controlId)) SetFocus(target);
    return result;
  }
  return 0;
}

WORD RuleRunAnswerOfNode(void*, const void* alertRow, int answer, SETTING_CONTEXT* ctx) {
  return RuleRunAnswer(alertRow, answer, ctx);
}

int DlgShowAlert(SETTING_CONTEXT* ctx, const void* alertRow, HWND owner) {
  IMG_REF alert = Ref(alertRow);
  if (!ctx || !ctx->work || !alert) return 0;
  const MESSAGE_DESC* message = StgFindMessage(ctx, DFC_GET(alert, ALERT_ENTRY, messageKey));
  if (!message) return 0;
  // The message row's caption string (its first reserved word); none: the printer's name.
  WCHAR caption[kCaptionChars + 1] = {};
  if (WORD captionId = WORD(message->reserved)) {
    CfgLoadString(ctx, captionId, caption, kCaptionChars, 1);
  } else if (const WCHAR* name = CfgGetPrinterName(ctx)) {
    for (int i = 0; i < kCaptionChars && name[i]; ++i) caption[i] = name[i];
  }
  WCHAR* text = ctx->work->textBuffer;
  CfgLoadString(ctx, message->stringId, text, 1025, 1);
  if (owner) PostMessageW(owner, WM_PAINT, 0, 0);
  UINT style = UINT(DFC_GET(alert, ALERT_ENTRY, buttons)) | UINT(DFC_GET(alert, ALERT_ENTRY, icon));
  return MessageBoxW(owner, text, caption, style);
}

int DlgApplyControlValue(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, DWORD value, int store) {
  if (!page || !ctx || !ctx->work || !control) return 0;
  CtlUpdateHint(ctx, nullptr, WindowOf(page), 0, 0);
  DWORD old = 0;
  if (store == 1) {
    old = CtlGetValue(ctx, control);
    CtlSetValue(ctx, control, value);
  }
  void* node = control->ruleNode;
  if (!node) return 0;
  WORD presetBefore = PresetNumber(ctx);
  WORD key;
  if (ctx->work->sheet.inApply) {
    // The apply checks every page; the check must not leave change marks behind.
    ITEM_DICTIONARY* saved = StgSaveDictionary(ctx);
    key = RuleGetAlert(ctx, Ref(node));
    if (saved) StgRestoreDictionary(ctx, saved);
  } else {
    key = RuleGetAlert(ctx, Ref(node));
  }
  if (key == 0) {
    DlgAfterValueChange(ctx, page, node, control->followUp);
    SyncPreset(ctx, page, presetBefore);
    return 0;
  }
  IMG_REF alert = Ref(RuleFirstAlertRow(Ptr(AlertList(node)), ctx));
  // An alert without a message shows nothing, and the change stands.
  if (!alert || !StgFindMessage(ctx, DFC_GET(alert, ALERT_ENTRY, messageKey))) return 0;
  if (control->kind == kKindUnitEdit) {
    // The box comes after the edit's own processing; its answer decides then.
    SHEET_WORK& s = ctx->work->sheet;
    s.deferredAlert = Ptr(alert);
    s.deferredControl = control;
    s.deferredOld = old;
    s.deferredStored = store == 1 ? 1 : 0;
    s.deferredPreset = presetBefore;
    PostMessageW(WindowOf(page), DLG_MSG_SHOW_ALERT, control->controlId, LPARAM(alert));
    return 0;
  }
  int answer = DlgShowAlert(ctx, Ptr(alert), WindowOf(page));
  return Decide(ctx, page, control, alert, answer, store == 1, old, presetBefore);
}

int DlgSetControlValue(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, DWORD value) {
  return DlgApplyControlValue(ctx, page, control, value, 1);
}

int DlgShowDeferredAlert(SETTING_CONTEXT* ctx, DIALOG_DESC* page, WORD controlId, const void* alertRow) {
  if (!ctx || !ctx->work || !page || !alertRow) return 0;
  SHEET_WORK& s = ctx->work->sheet;
  auto* control = static_cast<CONTROL_DESC*>(s.deferredControl);
  if (s.deferredAlert != alertRow || !control || control->controlId != controlId) return 0;
  s.deferredAlert = nullptr;
  s.deferredControl = nullptr;
  int answer = DlgShowAlert(ctx, alertRow, WindowOf(page));
  Decide(ctx, page, control, Ref(alertRow), answer, s.deferredStored != 0, s.deferredOld, s.deferredPreset);
  PgLayoutPage(ctx, page, 0);
  return answer;
}

int DlgRaiseNodeAlert(SETTING_CONTEXT* ctx, DIALOG_DESC* page, void* node) {
  if (!ctx || !ctx->work || !node || RuleGetAlert(ctx, Ref(node)) == 0) return 0;
  const void* alert = RuleFirstAlertRow(Ptr(AlertList(node)), ctx);
  if (!alert) return 0;
  int answer = DlgShowAlert(ctx, alert, WindowOf(page));
  WORD dialogId = RuleRunAnswerOfNode(node, alert, answer, ctx);
  if (dialogId && page) OpenResolvingDialog(ctx, page, node, dialogId);
  return answer;
}

int DlgAfterValueChange(SETTING_CONTEXT* ctx, DIALOG_DESC* page, void* node, int followUp) {
  if (!ctx || !ctx->work || !node) return 0;
  if (ctx->work->sheet.resolveGuard && ctx->work->sheet.resolveNode == node) return 0;
  STG_CONTROL_EVENT_ARG event{page, Ref(node), 0, 0};
  StgBroadcastModuleEvent(ctx, STG_EVENT_PAGE_CHANGED, &event);
  WORD dialogId = KnownDialog(ctx, RuleRunNodeTransact(ctx, Ref(node)));
  DlgRunFollowUp(ctx, WORD(followUp));
  if (!dialogId || !page) return 0;
  OpenResolvingDialog(ctx, page, node, dialogId);
  return 1;
}

void DlgRunFollowUp(SETTING_CONTEXT* ctx, WORD code) {
  if (!ctx) return;
  switch (code) {
    case 1:
    case 3:
    case 4:
      StgUpdatePaperSettings(ctx, code);
      break;
    case 2:
      StgRaiseChangeFlags(ctx, kFollowUpChangeFlag);
      break;
    default:
      StgBroadcastModuleCommand(ctx, code);
  }
}
