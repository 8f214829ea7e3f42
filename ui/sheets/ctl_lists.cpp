// Combo and list controls: the items are the options of the control's rule node in the node's order,
// each carrying its option value (which is also the string id of its text). Options the rules exclude
// are not listed; options whose second condition holds may be marked and refused.
#include "sheets/ctl_lists.h"

#include "config/driver_lists.h"
#include "config/resource_strings.h"
#include "driverdata/rule_eval.h"
#include "features/fm_modules.h"
#include "kvplat/controls.h"
#include "kvplat/paint.h"
#include "kvplat/propsheet.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/dlg_change.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_values.h"

namespace {

constexpr DWORD kEventChoiceChanged = 67;
constexpr int kTextChars = 1025;
enum class Box { Combo, List };

HWND WindowOf(const CONTROL_DESC* c) { return c ? static_cast<HWND>(c->window) : nullptr; }
HWND PageWindow(const DIALOG_DESC* page) { return page ? static_cast<HWND>(page->window) : nullptr; }
IMG_REF Ref(const void* p) { return IMG_REF(reinterpret_cast<uintptr_t>(p)); }

UINT Msg(Box b, UINT combo, UINT list) { return b == Box::Combo ? combo : list; }

bool Disabled(const CONTROL_DESC* c) { return (c->state & STG_CONTROL_STATE_DISABLED_MASK) != 0; }

// The value a refresh looks for: 16-bit settings compare only their low 16 bits.
DWORD RefreshValue(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, bool lowOnly) {
  DWORD v = CtlGetValue(ctx, control);
  if (lowOnly && control->item) {
    DWORD code = StgTypeCode(control->item->type);
    if (code == STG_TYPE_I16 || code == STG_TYPE_U16) v &= 0xFFFF;
  }
  return v;
}

LRESULT FindItem(HWND window, Box b, DWORD value) {
  LRESULT count = SendMessageW(window, Msg(b, CB_GETCOUNT, LB_GETCOUNT), 0, 0);
  for (LRESULT i = 0; i < count; ++i)
    if (DWORD(SendMessageW(window, Msg(b, CB_GETITEMDATA, LB_GETITEMDATA), WPARAM(i), 0)) == value) return i;
  return -1;
}

// Selects the item of the value; without one, the selection is cleared when `clear`.
void SelectValue(HWND window, Box b, DWORD value, bool clear) {
  if (!window) return;
  LRESULT i = FindItem(window, b, value);
  if (i < 0 && !clear) return;
  if (SendMessageW(window, Msg(b, CB_GETCURSEL, LB_GETCURSEL), 0, 0) != i)
    SendMessageW(window, Msg(b, CB_SETCURSEL, LB_SETCURSEL), WPARAM(i), 0);
}

// Fills the control with the node's options. `text` false: owner-drawn items with empty strings.
// `limit` > 0 stops after that many items.
void Fill(SETTING_CONTEXT* ctx, CONTROL_DESC* control, Box b, bool text, int limit) {
  HWND window = WindowOf(control);
  if (!window) return;
  SendMessageW(window, Msg(b, CB_RESETCONTENT, LB_RESETCONTENT), 0, 0);
  void* node = control->ruleNode;
  if (!node) return;
  int added = 0;
  for (const void* o = reinterpret_cast<const void*>(uintptr_t(ImgNodeOptions(Ref(node)))); o;
       o = StgNextListOption(node, o)) {
    if (limit > 0 && added >= limit) break;
    const void* items = nullptr;
    WORD value = CtlOptionValue(node, o, &items);
    if (!value) break;
    if (items && RuleIsOptionExcluded(ctx, Ref(node), value)) continue;
    WCHAR buf[kTextChars] = {};
    if (text) CfgLoadString(ctx, value, buf, kTextChars - 1, 1);
    LRESULT i = SendMessageW(window, Msg(b, CB_ADDSTRING, LB_ADDSTRING), 0, reinterpret_cast<LPARAM>(buf));
    if (i < 0) continue;
    SendMessageW(window, Msg(b, CB_SETITEMDATA, LB_SETITEMDATA), WPARAM(i), LPARAM(value));
    ++added;
  }
}

// An option the control refuses: its second condition holds and the control marks and refuses such
// options with an information text.
bool Refused(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, DWORD option) {
  const auto* mark = reinterpret_cast<const EXCLUSION_MARK*>(CtlGetExtraData(control, STG_EXTRA_TAG4));
  if (!mark || !mark->markFlag || !control->infoId || !control->ruleNode) return false;
  return RuleEvalSecondCondition(ctx, Ref(control->ruleNode), WORD(option)) != 0;
}

// The information box of a refused option, owned by the control; then the old value's item again.
void ShowRefusal(SETTING_CONTEXT* ctx, CONTROL_DESC* control, Box b, DWORD old) {
  WCHAR text[kTextChars] = {}, caption[261] = {};
  CfgLoadString(ctx, control->infoId, text, kTextChars - 1, 1);
  CfgLoadString(ctx, CTL_STR_INFORMATION, caption, 260, 1);
  MessageBoxW(WindowOf(control), text, caption, MB_ICONINFORMATION);
  LRESULT i = FindItem(WindowOf(control), b, old);
  SendMessageW(WindowOf(control), Msg(b, CB_SETCURSEL, LB_SETCURSEL), WPARAM(i), 0);
}

// The item text of a list entry (a preset's entry key), cut to the buffer.
void ItemText(HWND list, LRESULT i, WCHAR* out, int capacity) {
  out[0] = 0;
  LRESULT n = SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
  if (n < 0 || n >= capacity) return;
  SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(out));
}

}  // namespace

int CtlComboInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!ctx || !control || !control->item) return 0;
  Fill(ctx, control, Box::Combo, true, 0);
  CtlComboRefresh(ctx, page, control);
  return 0;
}

void CtlComboRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!ctx || !control) return;
  SelectValue(WindowOf(control), Box::Combo, RefreshValue(ctx, control, true), true);
}

void CtlComboRefreshChanged(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!ctx || !control || !control->item) return;
  const ITEM_DESC* row = StgFindItem(ctx, WORD(control->item->id));
  if (!row || !(row->flags & STG_FLAG_CHANGE_MASK)) return;
  SelectValue(WindowOf(control), Box::Combo, RefreshValue(ctx, control, true), false);
}

INT_PTR CtlComboCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam) {
  if (!ctx || !page || !control || CtlNotifyCode(wParam, lParam) != CBN_SELCHANGE) return 0;
  if (page->id != WORD(ctx->dialogInUse)) return 0;
  DWORD old = CtlGetValue(ctx, control);
  LRESULT i = SendMessageW(WindowOf(control), CB_GETCURSEL, 0, 0);
  if (i < 0) return 1;
  DWORD data = DWORD(SendMessageW(WindowOf(control), CB_GETITEMDATA, WPARAM(i), 0));
  if (Refused(ctx, control, data)) {
    ShowRefusal(ctx, control, Box::Combo, old);
    return 1;
  }
  if (data == old) {
    DlgApplyControlValue(ctx, page, control, 0, 0);
    return 1;
  }
  DlgSetControlValue(ctx, page, control, data);
  if (CtlGetValue(ctx, control) != old) {
    CTL_CHOICE_EVENT event{control};
    StgBroadcastModuleEvent(ctx, kEventChoiceChanged, &event);
  }
  return 1;
}

int CtlListInit(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!ctx || !control || !control->item) return 0;
  Fill(ctx, control, Box::List, true, 0);
  return 0;
}

void CtlListRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!ctx || !control) return;
  SelectValue(WindowOf(control), Box::List, RefreshValue(ctx, control, false), true);
}

INT_PTR CtlListCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam) {
  if (!ctx || !control || CtlNotifyCode(wParam, lParam) != LBN_SELCHANGE) return 0;
  LRESULT i = SendMessageW(WindowOf(control), LB_GETCURSEL, 0, 0);
  if (i < 0) return 1;
  DWORD data = DWORD(SendMessageW(WindowOf(control), LB_GETITEMDATA, WPARAM(i), 0));
  DWORD old = CtlGetValue(ctx, control);
  if (data == old) return 1;
  if (Refused(ctx, control, data)) {
    ShowRefusal(ctx, control, Box::List, old);
    return 1;
  }
  DlgSetControlValue(ctx, page, control, data);
  return 1;
}

int CtlOwnerListInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!ctx || !control || !control->item) return 0;
  Fill(ctx, control, Box::List, false, 0);
  CtlListRefresh(ctx, page, control);
  return 0;
}

INT_PTR CtlCheckListMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message,
                            WPARAM wParam, LPARAM lParam) {
  if (!ctx || !control) return 0;
  HWND window = WindowOf(control);
  if (message == WM_CTLCOLORLISTBOX) {
    if (!window || reinterpret_cast<HWND>(lParam) != window) return 0;
    HGDIOBJ brush = Disabled(control) && ctx->work ? static_cast<HGDIOBJ>(ctx->work->sheet.brushes[0])
                                                   : GetStockObject(WHITE_BRUSH);
    SetWindowLongPtrW(PageWindow(page), DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(brush));
    return 1;
  }
  bool toggle = message == WM_LBUTTONUP || (message == WM_CHAR && wParam == u' ');
  if (!toggle || !window || !control->extra || Disabled(control)) return 0;
  LRESULT i = SendMessageW(window, LB_GETCURSEL, 0, 0);
  if (i < 0 || i >= SendMessageW(window, LB_GETCOUNT, 0, 0)) return 0;
  // One setting per item, in list order; switched without the rules.
  WORD id = static_cast<const WORD*>(control->extra)[i];
  StgSetOptionValue(ctx, id, StgGetOptionValue(ctx, id, nullptr) ? 0 : 1);
  InvalidateRect(window, nullptr, TRUE);
  if (HWND p = PageWindow(page)) SendMessageW(GetParent(p), PSM_CHANGED, reinterpret_cast<WPARAM>(p), 0);
  return 0;
}

int CtlPresetListInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!ctx || !control || !control->item) return 0;
  // Only as many entries as the printer has stored presets.
  int count = CfgGetPresetCount(ctx);
  if (count <= 0) {
    if (HWND w = WindowOf(control)) SendMessageW(w, LB_RESETCONTENT, 0, 0);
  } else {
    Fill(ctx, control, Box::List, true, count);
  }
  CtlListRefresh(ctx, page, control);
  return 0;
}

INT_PTR CtlPresetListCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam,
                             LPARAM lParam) {
  if (!ctx || !control || CtlNotifyCode(wParam, lParam) != LBN_SELCHANGE) return 0;
  HWND list = WindowOf(control);
  LRESULT i = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (i < 0) return 1;
  WCHAR key[kTextChars];
  ItemText(list, i, key, kTextChars);
  CfgPresetSnapshot(ctx, nullptr, 3);
  if (!StgPushUndo(ctx)) {
    // Without room to undo, a refused preset could not be taken back: the choice is refused.
    MessageBeep(UINT(-1));
    CtlListRefresh(ctx, page, control);
    return 1;
  }
  FmLoadPreset(ctx, key);
  CtlSetValue(ctx, control, DWORD(SendMessageW(list, LB_GETITEMDATA, WPARAM(i), 0)));
  if (DlgApplyControlValue(ctx, page, control, 0, 0)) {
    StgPopUndo(ctx, 1);
    MessageBeep(UINT(-1));
    ItemText(list, 0, key, kTextChars);
    FmLoadPreset(ctx, key);
    CtlSetValue(ctx, control, DWORD(SendMessageW(list, LB_GETITEMDATA, 0, 0)));
    if (StgGetValue(ctx, sid::rdmHiddenFunc13, nullptr) || StgGetValue(ctx, sid::rdmHiddenFunc14, nullptr))
      DlgAfterValueChange(ctx, page, control->ruleNode, control->followUp);
    CtlListRefresh(ctx, page, control);
  } else {
    StgPopUndo(ctx, 0);
  }
  PgLayoutPage(ctx, page, 1);
  return 1;
}
