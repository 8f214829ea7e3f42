// Page layout: after a change, and whenever a page is shown, painted or applied, each control's hidden
// and disabled states follow the rules, information marks stand beside disabled and locked controls,
// controls whose content depends on a change are rebuilt, and a stored preset that no longer matches
// the settings becomes the unsaved state.
#include "sheets/dlg_layout.h"

#include "driverdata/rule_eval.h"
#include "features/fm_modules.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/dlg_refresh.h"
#include "sheets/dlg_values.h"

namespace {

constexpr WORD kAlwaysHiddenCheck = 2478, kStaysEnabled = 2164, kAlwaysChecked = 2406, kPresetCommentEdit = 2146;
constexpr WORD kMaintenancePage = 1007, kOptionPage = 1011, kSavePresetDialog = 1032;
constexpr WORD kKindScrollBar = 0x17, kKindTab = 0x68, kKindOwnerList = 0x2F, kKindPresetList = 0x32;
constexpr WORD kKindFirstList = 0x2A, kKindLastList = 0x31;
constexpr WORD kPresetBase = 119, kPresetUnsaved = 118, kPresets = 16;
constexpr int kCopiesRow = 11;  // dmCopies, the twelfth row of the dictionary
constexpr DWORD kMarkLock = 0x1, kMarkRebuilt = 0x2;
constexpr DWORD kEventControlState = 3, kEventLayoutControl = 66;
constexpr int kPickOne = 1, kPickMany = 2;
constexpr int kMaxCells = 4096;  // far beyond any expression of the data file

IMG_REF Ref(const void* p) { return IMG_REF(reinterpret_cast<uintptr_t>(p)); }
HWND Win(const void* w) { return static_cast<HWND>(const_cast<void*>(w)); }

bool IsPickNode(void* node) {
  int type = ImgNodeType(Ref(node)) & 0xFF;
  return type == kPickOne || type == kPickMany;
}

bool Changed(const ITEM_DESC* row) { return row && (row->flags & STG_FLAG_CHANGE_MASK) == STG_FLAG_CHANGED; }
bool ChangedId(SETTING_CONTEXT* ctx, WORD id) { return Changed(StgFindItem(ctx, id)); }
void SetChangeState(ITEM_DESC& row, uint64_t state) { row.flags = (row.flags & ~uint64_t(STG_FLAG_CHANGE_MASK)) | state; }

int HiddenBits(const CONTROL_DESC* c) { return c->state & STG_CONTROL_STATE_HIDDEN_MASK ? 1 : 0; }
int DisabledBits(const CONTROL_DESC* c) { return c->state & STG_CONTROL_STATE_DISABLED_MASK ? 1 : 0; }
void SetHidden(CONTROL_DESC* c, int on) {
  c->state = WORD((c->state & ~STG_CONTROL_STATE_HIDDEN_MASK) | (on ? STG_CONTROL_STATE_HIDDEN : 0));
}
void SetDisabled(CONTROL_DESC* c, int on) {
  c->state = WORD((c->state & ~STG_CONTROL_STATE_DISABLED_MASK) | (on ? STG_CONTROL_STATE_DISABLED : 0));
}

// A condition of the rule row or of any of its Item rows reads a changed setting. `which` 0 first, 1 second.
bool ConditionsUseChanges(SETTING_CONTEXT* ctx, void* node, int which) {
  IMG_REF row = ImgNodeRule(Ref(node));
  if (!row) return false;
  auto uses = [&](IMG_REF cells) {
    return cells && RuleExprUsesChangedSetting(ctx, reinterpret_cast<const void*>(uintptr_t(cells)));
  };
  if (uses(which ? DFC_GET(row, RULE_ROW, judgeB) : DFC_GET(row, RULE_ROW, judgeA))) return true;
  for (IMG_REF item = DFC_GET(row, RULE_ROW, items); item; item = ImgNext(item))
    if (uses(which ? DFC_GET(item, ITEM_ENTRY, judge2) : DFC_GET(item, ITEM_ENTRY, judge1))) return true;
  return false;
}

// 2: a stored preset (0-15) stays selected only while no ordinary setting changed.
void MatchPreset(SETTING_CONTEXT* ctx, DIALOG_DESC* page) {
  if (page->id == kMaintenancePage || page->id == kSavePresetDialog) return;
  int index = int(StgGetOptionValue(ctx, sid::rdmPresetNo, nullptr)) - kPresetBase;
  if (index < 0 || index >= kPresets || StgGetValue(ctx, sid::rdmPresentUIMode, nullptr) != 0) return;
  if (ChangedId(ctx, sid::rdmPresetNo)) return;
  if (page->id == kOptionPage && !PgFindByWindow(ctx, GetParent(Win(page->window)))) return;
  const CONTROL_DESC* comment = StgFindControlById(ctx, nullptr, kPresetCommentEdit);
  WORD commentId = comment && comment->item ? WORD(comment->item->id) : 0;
  ITEM_DICTIONARY* d = ctx->dictionary;
  for (int i = 0; i < d->count; ++i) {
    const ITEM_DESC& row = d->rows[i];
    if (!Changed(&row)) continue;
    WORD id = WORD(row.id);
    if (id == commentId || id == sid::wdmPresetName || id == sid::rdmUIModeChange || id == sid::rdmLogCode ||
        id == sid::wdmChapterNum)
      continue;
    StgSetOptionValue(ctx, sid::rdmPresetNo, kPresetUnsaved);
    PgRefreshPresetControls(ctx);
    FmSelectPreset(ctx, -1);
    return;
  }
}

bool AnyMarked(SETTING_CONTEXT* ctx, const WORD* ids, int n) {
  for (int i = 0; i < n; ++i)
    if (ids[i] && ChangedId(ctx, ids[i])) return true;
  return false;
}

// A control whose content follows settings other than its own.
bool DependsOnChange(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c) {
  if (const WORD* w = CtlGetExtraData(c, STG_EXTRA_SAMPLE); w && AnyMarked(ctx, w + 3, 6)) return true;
  if (const WORD* w = CtlGetExtraData(c, STG_EXTRA_PREVIEW)) {
    if (ChangedId(ctx, sid::rdmFuncSelectWaterMark)) return true;
    if (StgGetValue(ctx, sid::rdmFuncSelectWaterMark, nullptr) && AnyMarked(ctx, w + 1, 14)) return true;
  }
  if (StgGetValue(ctx, sid::rdmFuncSelectCopyProtect, nullptr)) {
    for (WORD id = 512; id <= 529; ++id)
      if (id != 521 && ChangedId(ctx, id)) return true;
  }
  static constexpr WORD kCustomSizes[] = {918, 919, 342, 343, 346, 347, 1167, 1168, 1163, 1164, 1165, 1166};
  if ((page->id == 1017 || page->id == 1041) && AnyMarked(ctx, kCustomSizes, 12)) return true;
  static constexpr WORD kTonerSave[] = {604, 605, 606};
  if (page->id == 4024 && AnyMarked(ctx, kTonerSave, 3)) return true;
  if (StgIsModelFeatureOn(ctx, 2, 0) && page->id == 4031 && ChangedId(ctx, sid::rdmLock000InfoBitNupKindAll))
    return true;
  return false;
}

// The first tab control of the page hides the controls of the tabs not selected.
bool HiddenByTab(DIALOG_DESC* page, const CONTROL_DESC* c) {
  for (int i = 0; i < page->controlCount; ++i) {
    const CONTROL_DESC& tab = page->controls[i];
    if (tab.kind != kKindTab) continue;
    const auto* groups = reinterpret_cast<const TAB_GROUPS*>(CtlGetExtraData(&tab, STG_EXTRA_TAB_GROUPS));
    if (!groups || !groups->rows || !tab.window) return false;
    LRESULT selected = SendMessageW(Win(tab.window), TCM_GETCURSEL, 0, 0);
    for (int t = 0; t < groups->count; ++t) {
      if (t == selected) continue;
      const TAB_GROUP_ROW& row = groups->rows[t];
      for (int k = 0; row.controlIds && k < row.count; ++k)
        if (row.controlIds[k] == c->controlId) return true;
    }
    return false;
  }
  return false;
}

// The marks of a control: the page's children that carry it but are not its own window.
HWND FirstMark(HWND pageWindow, const CONTROL_DESC* c) {
  for (HWND w = GetWindow(pageWindow, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (GetWindowLongPtrW(w, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(c) && GetDlgCtrlID(w) != c->controlId)
      return w;
  return nullptr;
}

void CreateMark(SETTING_CONTEXT* ctx, HWND pageWindow, CONTROL_DESC* c) {
  HWND control = Win(c->window);
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, pageWindow, reinterpret_cast<POINT*>(&r), 2);
  int x = int(r.left) - PG_MARK_SIZE;
  int y = int(r.bottom - r.top) > PG_MARK_SIZE ? int(r.top) : int(r.bottom) - PG_MARK_SIZE;
  HWND mark = CreateWindowExW(0, u"STATIC", u"", PG_MARK_STYLE, x < 0 ? 0 : x, y < 0 ? 0 : y, PG_MARK_SIZE,
                              PG_MARK_SIZE, pageWindow, nullptr, ctx->resourceLib, nullptr);
  if (!mark) return;
  SetWindowLongPtrW(mark, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
  SetWindowPos(mark, control, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DestroyFirstMark(HWND pageWindow, const CONTROL_DESC* c) {
  if (HWND mark = FirstMark(pageWindow, c)) DestroyWindow(mark);
}

// 6i: the window's enabled state and the control's information mark.
void ApplyEnabledState(SETTING_CONTEXT* ctx, HWND pageWindow, CONTROL_DESC* c, int disabled) {
  HWND w = Win(c->window);
  bool enabled = IsWindowEnabled(w) != 0;
  if (enabled == !!disabled) {
    if (!(disabled && c->controlId == kStaysEnabled)) EnableWindow(w, disabled ? FALSE : TRUE);
    if (c->kind == kKindScrollBar) EnableScrollBar(w, SB_CTL, disabled ? ESB_DISABLE_BOTH : ESB_ENABLE_BOTH);
    if (c->kind == kKindPresetList || c->kind == kKindOwnerList) InvalidateRect(w, nullptr, TRUE);
    if (!HiddenBits(c) && (c->infoId || c->lockInfoId)) {
      if (StgGetValue(ctx, sid::rdmOSKind, nullptr) == 1 || StgGetValue(ctx, sid::rdmOSKind, nullptr) == 2) {
        if (StgGetValue(ctx, sid::rdmNoPermission, nullptr) == 1 && StgGetValue(ctx, sid::rdmCallSrc, nullptr) == 1) {
          // An application without the right to change settings: no explanations are offered.
          c->infoId = 0;
          c->lockInfoId = 0;
          c->lockSettingId = 0;
          return;
        }
      }
      bool locked = CtlIsAdminLocked(ctx, c) != 0;
      if ((disabled && (c->infoId || (c->markFlags & kMarkLock))) || locked) {
        if (!locked || !FirstMark(pageWindow, c)) CreateMark(ctx, pageWindow, c);
      } else {
        DestroyFirstMark(pageWindow, c);
      }
    }
    return;
  }
  if (CtlIsAdminLocked(ctx, c)) {
    if (!FirstMark(pageWindow, c)) CreateMark(ctx, pageWindow, c);
  } else if (!disabled || (!c->infoId && !(c->markFlags & kMarkLock))) {
    DestroyFirstMark(pageWindow, c);
  }
}

void LayOutControl(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, int full, int dirty) {
  HWND pageWindow = Win(page->window);
  if (!c->window) c->window = GetDlgItem(pageWindow, c->controlId);
  if (!c->window) return;
  HWND w = Win(c->window);
  if ((full || dirty) && c->kind == kKindPresetList && IsWindowVisible(w)) InvalidateRect(w, nullptr, FALSE);
  DWORD changeWord = StgGetChangeFlags(ctx);
  DWORD classes = c->flags & STG_CONTROL_REFRESH_MASK;
  if (classes & changeWord) {
    CtlInitControl(ctx, page, c);
    StgClearChangeFlags(ctx, classes & changeWord);
  } else if (CtlDisabledInputChanged(ctx, page, c) || CtlHiddenInputChanged(ctx, c)) {
    if (c->kind >= kKindFirstList && c->kind <= kKindLastList && !(c->flags & STG_CONTROL_NO_REBUILD) &&
        !(c->markFlags & kMarkRebuilt))
      CtlInitControl(ctx, page, c);
  } else if (!full && !(c->item && ChangedId(ctx, WORD(c->item->id)))) {
    RECT update{};
    bool painted = GetUpdateRect(w, &update, FALSE) != 0;
    if (!DependsOnChange(ctx, page, c) && c->controlId != kAlwaysChecked && !painted) return;
  }
  c->markFlags &= ~kMarkRebuilt;
  if (c->ruleNode) {
    int hidden = CtlIsExcluded(ctx, c->ruleNode, c->controlId);
    if (!hidden && HiddenByTab(page, c)) hidden = 1;
    SetHidden(c, hidden);
  }
  if (StgIsFeatureBitSet(10) && StgIsModelFeatureOn(ctx, 4, 0)) {
    STG_CONTROL_EVENT_ARG arg{page, reinterpret_cast<uint64_t>(c), 0, 0};
    StgBroadcastModuleEvent(ctx, kEventLayoutControl, &arg);
  }
  int disabled = HiddenBits(c) ? 1 : CtlEvalDisabled(ctx, page, c);
  SetDisabled(c, disabled);
  ApplyEnabledState(ctx, pageWindow, c, disabled);
  bool visible = IsWindowVisible(w) != 0;
  if (visible == !!HiddenBits(c)) ShowWindow(w, HiddenBits(c) ? SW_HIDE : SW_SHOW);
  if (!HiddenBits(c) || (c->flags & STG_CONTROL_DOTS_LENGTH)) {
    if (c->kind != kKindScrollBar || !disabled) CtlRefreshControl(ctx, page, c);
  }
}

// 9: the focus goes to the first enabled window from the one that had it, in z-order.
void RepairFocus(HWND focus) {
  if (!focus) return;
  HWND w = focus;
  for (int wraps = 0; wraps < 2;) {
    if (IsWindowEnabled(w)) {
      if (w != focus) SetFocus(w);
      return;
    }
    HWND next = GetWindow(w, GW_HWNDNEXT);
    if (!next) {
      next = GetWindow(w, GW_HWNDFIRST);
      ++wraps;
    }
    if (!next || next == focus) return;
    w = next;
  }
}

}  // namespace

int CtlIsExcluded(SETTING_CONTEXT* ctx, void* node, WORD controlId) {
  if (!node) return 0;
  if (controlId == kAlwaysHiddenCheck) return 1;
  if (RuleIsOptionExcluded(ctx, Ref(node), 0)) return 1;
  return IsPickNode(node) && RuleIsOptionExcluded(ctx, Ref(node), controlId) ? 1 : 0;
}

int CtlEvalDisabled(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!control) return 0;
  WORD before = control->state;
  MODULE_CONTROL_STATE_ARG arg{control, page, 0};
  StgBroadcastModuleEvent(ctx, kEventControlState, &arg);
  int result;
  if (arg.handled || !control->ruleNode) {
    result = DisabledBits(control);
  } else {
    result = RuleEvalSecondCondition(ctx, Ref(control->ruleNode), 0) ? 1 : 0;
    if (!result && IsPickNode(control->ruleNode))
      result = RuleEvalSecondCondition(ctx, Ref(control->ruleNode), control->controlId) ? 1 : 0;
  }
  control->state = WORD((control->state & ~STG_CONTROL_STATE_DISABLED_MASK) | (before & STG_CONTROL_STATE_DISABLED_MASK));
  return result;
}

int RuleExprUsesChangedSetting(SETTING_CONTEXT* ctx, const void* cells) {
  if (!ctx || !cells) return 0;
  IMG_REF c = Ref(cells);
  for (int n = 0; n < kMaxCells; ++n, c += sizeof(dfc::RULE_CELL)) {
    WORD kind = DFC_GET(c, RULE_CELL, kind), value = DFC_GET(c, RULE_CELL, value);
    if (kind == dfc::kCellOperator && value == dfc::kOpEnd) return 0;
    if (kind == dfc::kCellSetting && ChangedId(ctx, value)) return 1;
    if (kind != dfc::kCellSetting && kind != dfc::kCellConstant && kind != dfc::kCellOperator &&
        kind != dfc::kCellGroupEnd)
      return 0;
  }
  return 0;
}

int CtlHiddenInputChanged(SETTING_CONTEXT* ctx, CONTROL_DESC* c) {
  if (!c || !c->ruleNode || !ImgNodeRule(Ref(c->ruleNode))) return 0;
  if (CtlIsExcluded(ctx, c->ruleNode, c->controlId) != HiddenBits(c)) return 1;
  return ConditionsUseChanges(ctx, c->ruleNode, 0) ? 1 : 0;
}

int CtlDisabledInputChanged(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c) {
  if (!c || !c->ruleNode || !ImgNodeRule(Ref(c->ruleNode))) return 0;
  if (CtlEvalDisabled(ctx, page, c) != DisabledBits(c)) return 1;
  return ConditionsUseChanges(ctx, c->ruleNode, 1) ? 1 : 0;
}

int RuleEvalLockConditionOfRow(const void* ruleRow, WORD option, SETTING_CONTEXT* ctx) {
  IMG_REF row = Ref(ruleRow);
  if (!row) return 0;
  IMG_REF cells;
  if (option == 0) {
    cells = DFC_GET(row, RULE_ROW, judgeC);
  } else {
    IMG_REF item = RuleFindItemRow(row, option);
    if (!item) return 0;
    cells = DFC_GET(item, ITEM_ENTRY, judge3);
  }
  return cells && RuleEvalExpression(cells, ctx) ? 1 : 0;
}

int RuleEvalLockCondition(void* node, WORD option, SETTING_CONTEXT* ctx) {
  IMG_REF row = ImgNodeRule(Ref(node));
  return RuleEvalLockConditionOfRow(reinterpret_cast<const void*>(uintptr_t(row)), option, ctx);
}

int CtlIsAdminLocked(SETTING_CONTEXT* ctx, CONTROL_DESC* c) {
  if (!c || !StgIsModelFeatureOn(ctx, 2, 0) || !c->lockInfoId) return 0;
  if (IMG_REF row = ImgNodeRule(Ref(c->ruleNode))) {
    IMG_REF item = RuleFindItemRow(row, c->controlId);
    if (item && DFC_GET(item, ITEM_ENTRY, judge3)) return RuleEvalExpression(DFC_GET(item, ITEM_ENTRY, judge3), ctx) ? 1 : 0;
    if (DFC_GET(row, RULE_ROW, judgeC)) return RuleEvalExpression(DFC_GET(row, RULE_ROW, judgeC), ctx) ? 1 : 0;
  }
  return c->lockSettingId && StgGetValue(ctx, WORD(c->lockSettingId), nullptr) != 0 ? 1 : 0;
}

void PgLayoutPage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, int full) {
  if (!ctx || !ctx->work || !ctx->dictionary || !page || !page->window) return;
  SHEET_WORK& s = ctx->work->sheet;
  if (s.pageInitialising || s.layoutGuard) return;
  HWND focus = GetFocus();
  s.layoutGuard = 1;
  MatchPreset(ctx, page);
  int dirty = ctx->work->storeModified ? 1 : 0;
  ctx->work->storeModified = 0;
  ITEM_DICTIONARY* d = ctx->dictionary;
  bool others = false;
  for (int i = 0; i < d->count && !others; ++i) others = i != kCopiesRow && Changed(&d->rows[i]);
  if (!others) dirty = 0;
  if (ChangedId(ctx, sid::dmOrientation)) PgRefreshLayoutCombos(ctx);
  if (full)
    for (int i = 0; i < d->count; ++i) SetChangeState(d->rows[i], STG_FLAG_CHANGED);
  for (int i = 0; i < page->controlCount; ++i) LayOutControl(ctx, page, &page->controls[i], full, dirty);
  for (int i = 0; i < d->count; ++i) SetChangeState(d->rows[i], 0);
  HWND pageWindow = Win(page->window);
  for (HWND w = GetWindow(pageWindow, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    auto* owner = reinterpret_cast<const CONTROL_DESC*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (owner && owner >= page->controls && owner < page->controls + page->controlCount &&
        GetDlgCtrlID(w) != owner->controlId)
      InvalidateRect(w, nullptr, FALSE);
  }
  RepairFocus(focus);
  s.layoutGuard = 0;
}
