// The dialog procedure of the driver's pages and sub-dialogs.
#include "sheets/dlg_proc.h"

#include <algorithm>
#include <vector>

#include "config/driver_lists.h"
#include "config/lock_data.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "features/fm_modules.h"
#include "kvplat/codepage.h"
#include "kvplat/controls.h"
#include "kvplat/handle.h"
#include "kvplat/dialog.h"
#include "kvplat/propsheet.h"
#include "kvplat/resource.h"
#include "kvplat/sysinfo.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/migrate.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/ctl_hint.h"
#include "sheets/ctl_window.h"
#include "sheets/dlg_apply.h"
#include "sheets/dlg_change.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_messages.h"
#include "sheets/dlg_prepare.h"
#include "sheets/dlg_refresh.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_subdialog.h"
#include "sheets/dlg_values.h"
#include "ui_paths.h"
#include "ui_printer_data.h"

namespace {

// Owner-drawn lists and combos. The picture combo of the copy-protection colours is a square taller
// than the text combos.
constexpr MEASURE_ROW kMeasureRows[] = {
    {2001, 108, 107}, {2139, 108, 107}, {2007, 16, 14}, {2011, 16, 14}, {2017, 16, 14}, {2023, 16, 14},
    {2032, 16, 14},   {2937, 16, 16},   {2085, 77, 78}, {2466, 77, 78}, {2087, 91, 51}, {2467, 91, 51},
    {2134, 42, 42},   {2457, 42, 42},   {2941, 77, 45}, {0, 0, 0}};

constexpr WORD kPresetPage = 1001, kPresetList = 2001, kPresetNameEdit = 2145, kSavePresetDialog = 1032;
constexpr WORD kMaintenancePage = 1007, kMaintenanceList = 2139;
constexpr WORD kFreeSizeDialog = 1017, kOptionPage = 1011, kBitmapDialog = 1023, kFileDialog = 1037, kDialog1041 = 1041;
constexpr WORD kBitmapEdit = 2341, kFileEdit = 2586;
constexpr WORD kMsgBadFile = 10043, kMsgReadOnlyPreset = 10024, kMsgEmptyName = 10031, kMsgOverwrite = 10032;
constexpr WORD kMsgPresetListFull = 10049;
constexpr int kPresetSlots = 16;
constexpr DWORD kSaveRunning = 0x10000000u;
constexpr DWORD kFreeSizeChanged = 0x4000000u;
constexpr WORD kKindCombo = 0x2B, kKindOwnerCombo = 0x30, kKindComboAlt = 0x2D;

SETTING_CONTEXT* ContextOf(HWND window) {
  return reinterpret_cast<SETTING_CONTEXT*>(GetWindowLongPtrW(window, DWLP_USER));
}

CONTROL_DESC* FindControl(DIALOG_DESC* page, WORD id) {
  for (int i = 0; page && i < page->controlCount; ++i)
    if (page->controls[i].controlId == id) return &page->controls[i];
  return nullptr;
}

int OsMajor() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  return GetVersionExW(&v) ? int(v.dwMajorVersion) : 0;
}

void Layout(SETTING_CONTEXT* ctx, DIALOG_DESC* page, int full) {
  if (ctx && page) PgLayoutPage(ctx, page, full);
}

void CloseHint(SETTING_CONTEXT* ctx, HWND window) {
  if (ctx) CtlUpdateHint(ctx, nullptr, window, 0, 0);
}

// The page's own rules checked without storing anything: true when they refuse.
bool PageRulesRefuse(SETTING_CONTEXT* ctx, DIALOG_DESC* page) {
  CONTROL_DESC probe{};
  probe.ruleNode = DlgFindKeyNode(ctx, page->pageKey);
  if (!probe.ruleNode) return false;
  DWORD saved = ctx->work->dialogAccepted;
  ctx->work->dialogAccepted = 1;
  bool refused = DlgApplyControlValue(ctx, page, &probe, 0, 0) != 0 || ctx->work->dialogAccepted == 0;
  ctx->work->dialogAccepted = saved;
  return refused;
}

int PresetIndex(SETTING_CONTEXT* ctx) { return int(StgGetOptionValue(ctx, sid::rdmPresetNo, nullptr)) - 119; }

void SetPresetIndex(SETTING_CONTEXT* ctx, int index) { StgSetOptionValue(ctx, sid::rdmPresetNo, DWORD(index + 119)); }

// A stopped save: the feature module focuses the control at fault.
void SaveStopped(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, WORD message, UINT buttons) {
  if (message) DlgShowMessageBox(ctx, window, message, MB_ICONWARNING, WORD(buttons));
  DlgOfferUiHooks(ctx, page, nullptr, DLG_HOOK_FOCUS_FAULT, 0, 0);
}

// Saves the current settings as a preset (command 11111: as the current preset, through the save
// dialog; 22222: under the typed name). Always FALSE: the page stays.
INT_PTR SavePreset(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, WORD command, WORD received) {
  if (command == DLG_CMD_SAVE_CURRENT) StgRaiseChangeFlags(ctx, kSaveRunning);
  if (PageRulesRefuse(ctx, page)) {
    StgClearChangeFlags(ctx, kSaveRunning);
    Layout(ctx, page, 0);
    return FALSE;
  }
  if (command == DLG_CMD_SAVE_NAMED) {
    WCHAR name[64] = {};
    CtlGetTextById(ctx, kPresetNameEdit, name);
    if (!name[0]) {
      SaveStopped(ctx, page, window, kMsgEmptyName, MB_OK);
      return FALSE;
    }
    int current = PresetIndex(ctx);
    int found = FmFindPresetByName(ctx, name, current);
    if (found == 0 || (found > 0 && !FmIsPresetWritableAt(ctx, found))) {
      SaveStopped(ctx, page, window, kMsgReadOnlyPreset, MB_OK);
      return FALSE;
    }
    if (found > 0 && found != current) {
      if (DlgShowMessageBox(ctx, window, kMsgOverwrite, MB_ICONWARNING, MB_YESNO) != IDYES) {
        SaveStopped(ctx, page, window, 0, 0);
        return FALSE;
      }
      SetPresetIndex(ctx, found);
    }
  } else if (DlgOpenSubDialog(ctx, 4, kSavePresetDialog, window) == IDCANCEL) {
    return FALSE;
  }
  HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  if (PresetIndex(ctx) < 0) {
    // A new preset. The list holds 16 entries; a 17th would never be saved, so it is refused here.
    int count = CfgGetPresetCount(ctx);
    if (count >= kPresetSlots) {
      SetCursor(before);
      SaveStopped(ctx, page, window, kMsgPresetListFull, MB_OK);
      return FALSE;
    }
    WCHAR file[MAX_PATH] = {}, name[1025] = {}, comment[1025] = {};
    FmNewPresetFileName(ctx, file);
    if (const char* n = FmPresetNameBuffer(ctx)) MultiByteToWideChar(CP_ACP, 0, n, -1, name, 1025);
    if (const char* c = FmPresetCommentBuffer(ctx)) MultiByteToWideChar(CP_ACP, 0, c, -1, comment, 1025);
    CfgAppendPresetListEntry(ctx, file, name, comment);
    SetPresetIndex(ctx, count);
  } else {
    FmEnsurePresetFile(ctx, PresetIndex(ctx));
  }
  int i = PresetIndex(ctx);
  if (i > 0 && i < kPresetSlots) {
    WCHAR key[CFG_LIST_NAME_CHARS];
    CfgFormatPresetKey(key, i, 0);
    FmSavePreset(ctx, key);
  }
  PgRefreshPresetControls(ctx);
  SetPresetIndex(ctx, i);
  if (received == DLG_CMD_SAVE_CURRENT || received == DLG_CMD_SAVE_NAMED) {
    StgClearChangeFlags(ctx, DLG_SAVE_PENDING);
    PostMessageW(window, WM_COMMAND, DLG_CMD_PRESS_OK, 0);
  }
  SetCursor(before);
  Layout(ctx, page, 0);
  return FALSE;
}

// A file the dialog names: the bitmap dialog's must open as a bitmap, the file dialog's must exist and
// match the filter. False after the warning.
bool FileAccepted(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, WORD editId) {
  WCHAR path[1025] = {};
  CtlGetTextById(ctx, editId, path);
  bool good;
  if (editId == kBitmapEdit) {
    HANDLE f = nullptr;
    good = CfgOpenBmpFile(path, &f) != 0;
    if (f && f != INVALID_HANDLE_VALUE) CloseHandle(f);
  } else {
    size_t n = std::char_traits<char16_t>::length(path);
    good = DlgFileExists(path) && n >= 4 && FmMatchFilterExtension(page, path + n - 4);
  }
  if (good) return true;
  DlgShowMessageBox(ctx, window, kMsgBadFile, MB_ICONWARNING, MB_OK);
  ctx->work->dialogAccepted = 0;
  return false;
}

// A closing command (IDOK, IDCANCEL, IDYES, IDNO, IDCLOSE). TRUE when the dialog ended.
INT_PTR CloseCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, WORD command) {
  bool bidi = StgGetBiDirect(ctx) == 1;
  CONTROL_DESC* control = FindControl(page, page->id == kOptionPage && bidi ? IDOK : command);
  if (command == IDOK) {
    SetFocus(GetDlgItem(window, IDOK));
    // A deferred alert comes first.
    MSG queued;
    if (PeekMessageW(&queued, window, DLG_MSG_SHOW_ALERT, DLG_MSG_SHOW_ALERT, PM_NOREMOVE)) return FALSE;
  }
  if (control && DlgApplyControlValue(ctx, page, control, 0, 0)) {
    Layout(ctx, page, 0);
    return FALSE;
  }
  ctx->work->dialogAccepted = command == IDCANCEL || command == IDNO ? 0 : 1;
  switch (page->id) {
    case kDialog1041:
      if (command == IDOK && control) DlgAfterValueChange(ctx, page, control->ruleNode, control->followUp);
      break;
    case kFreeSizeDialog:
      if (command == IDOK) {
        if (control) DlgAfterValueChange(ctx, page, control->ruleNode, control->followUp);
        FmStoreCustomSizes(ctx);
        DlgRunFollowUp(ctx, 1);
        PgRefreshPaperSizeCombos(ctx);
      } else {
        StgClearChangeFlags(ctx, kFreeSizeChanged);
        CfgLoadAllFreeSizes(ctx);
      }
      break;
    case kOptionPage:
      if (command == IDOK || bidi) {
        ctx->work->dialogAccepted = 1;
        PgRefreshSourceCombos(ctx);
        PgRefreshOutputTrayCombos(ctx);
      }
      break;
    case kMaintenancePage: {
      if (command == IDCLOSE) {
        HWND eight = GetDlgItem(window, IDCLOSE);
        if (SetFocus(eight), GetFocus() != eight) return FALSE;
      }
      int h = FmPostDuplicatePresetName(ctx, window, -1);
      if (h >= 0) {
        SendDlgItemMessageW(window, kMaintenanceList, LB_SETCURSEL, WPARAM(h), 0);
        SetFocus(GetDlgItem(window, kPresetNameEdit));
        SendDlgItemMessageW(window, kPresetNameEdit, EM_SETSEL, 0, -1);
        FmSelectPreset(ctx, h);
        if (CONTROL_DESC* list = FindControl(page, kMaintenanceList)) {
          CtlSetValue(ctx, list, DWORD(h + 119));
          DlgApplyControlValue(ctx, page, list, 0, 0);
        }
        Layout(ctx, page, 1);
        ctx->work->dialogAccepted = 0;
        return FALSE;
      }
      break;
    }
    case kBitmapDialog:
      if (command == IDOK && !FileAccepted(ctx, page, window, kBitmapEdit)) return FALSE;
      break;
    case kFileDialog:
      if (command == IDOK && !FileAccepted(ctx, page, window, kFileEdit)) return FALSE;
      break;
    default: {
      struct {
        DIALOG_DESC* page;
        CONTROL_DESC* control;
        uint64_t command;
      } arg{page, control, command};
      StgBroadcastModuleEvent(ctx, 25, &arg);
    }
  }
  page->window = nullptr;
  for (int i = 0; i < page->controlCount; ++i) page->controls[i].window = nullptr;
  if (DlgIsFileDialog(page)) return FALSE;
  EndDialog(window, command);
  return TRUE;
}

// A command for the controls: the first that handles it; then the preset page reloads its preset.
INT_PTR ControlCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, WPARAM wParam, LPARAM lParam) {
  for (int i = 0; i < page->controlCount; ++i) {
    CONTROL_DESC* c = &page->controls[i];
    if (c->window && CtlDispatchCommand(ctx, page, c, wParam, lParam)) break;
  }
  if (page->id == kPresetPage && FindControl(page, kPresetList) && PresetIndex(ctx) >= 0 &&
      PresetIndex(ctx) < kPresetSlots) {
    // The preset's settings, except where the paper comes from and goes to and the colour mode.
    static constexpr WORD kKept[] = {sid::dmDefaultSource, sid::rdmMediaType, sid::rdmOutputTrayID, sid::dmColor};
    uint64_t kept[4];
    for (int k = 0; k < 4; ++k) kept[k] = StgGetValue(ctx, kKept[k], nullptr);
    FmSelectPreset(ctx, PresetIndex(ctx));
    for (int k = 0; k < 4; ++k) StgSetValue(ctx, kKept[k], kept[k]);
    if (CONTROL_DESC* list = FindControl(page, kPresetList)) DlgAfterValueChange(ctx, page, list->ruleNode, list->followUp);
  }
  if (DlgAnyChangeMarks(ctx)) PostMessageW(GetParent(window), PSM_CHANGED, reinterpret_cast<WPARAM>(window), 0);
  Layout(ctx, page, 0);
  return TRUE;
}

INT_PTR OnCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, WPARAM wParam, LPARAM lParam) {
  CloseHint(ctx, window);
  WORD received = LOWORD(wParam), command = received;
  if (CONTROL_DESC* c = FindControl(page, received); c && (c->flags & STG_CONTROL_SAVES_PRESET))
    command = DLG_CMD_SAVE_CURRENT;
  switch (command) {
    case DLG_CMD_SAVE_CURRENT:
    case DLG_CMD_SAVE_NAMED:
      return SavePreset(ctx, page, window, command, received);
    case DLG_CMD_PRESS_OK:
      PostMessageW(GetParent(window), PSM_PRESSBUTTON, PSBTN_OK, 0);
      return FALSE;
    case IDOK:
    case IDCANCEL:
    case IDYES:
    case IDNO:
    case IDCLOSE:
      return CloseCommand(ctx, page, window, command);
    case IDHELP:
      WinHelpW(window, UiGetHelpFilePath(ctx), HELP_CONTEXT, ULONG_PTR(page->helpId));
      return TRUE;
  }
  return ControlCommand(ctx, page, window, wParam, lParam);
}

// The whole apply of the sheet, run by its first dialog.
void ApplySheet(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window) {
  CONTEXT_WORK_AREA* w = ctx->work;
  bool document = page->kind & STG_DIALOG_DOCUMENT_PAGE, device = page->kind & STG_DIALOG_DEVICE_PAGE;
  bool locks = StgIsModelFeatureOn(ctx, 2, 0) != 0;
  if (document && locks) StgBroadcastModuleCommand(ctx, STG_CMD_DOCUMENT_APPLY);
  if (device && locks && DlgLockInfo(ctx) == 0 && w->sheet.locksChanged) {
    DWORD small = 0;
    BYTE lockByte = 0;
    if (StgIsTrayLocked(ctx) && UiReadLockBits(ctx->printer, &lockByte, 10418) && !(lockByte & 2)) {
      ITEM_DESC* source = StgFindItem(ctx, sid::dmDefaultSource);
      uint64_t recorded = StgGetValue(ctx, sid::wdmLock001Info, nullptr);
      for (const VALUE_OVERRIDE_ROW* r = StgGetValueOverrideTable(); r && r->option; ++r)
        if (StgMapFromOption(ctx, source, r->option) == recorded && StgGetValue(ctx, WORD(r->conditionSettingId), nullptr)) {
          small = 1;
          break;
        }
    }
    StgSetValue(ctx, sid::rdmLockInfoLockSmallPaperTray, small);
  }
  if (OsMajor() >= 5) {
    SendMessageW(GetParent(window), PSM_UNCHANGED, reinterpret_cast<WPARAM>(window), 0);
    StgSetValue(ctx, sid::wdmUIStart, 0);
    DlgApplyDeviceSheet(ctx);
    StgSetValue(ctx, sid::wdmUIStart, 1);
  } else {
    StgSetValue(ctx, sid::wdmUIStart, 0);
  }
  DlgClearChangeMarks(ctx);
  Layout(ctx, page, 1);
  if (document) StgBroadcastModuleEvent(ctx, 28, nullptr);
  if (device) {
    if (locks) {
      if (DlgLockInfo(ctx) == 0 && w->sheet.locksChanged) {
        StgBroadcastModuleEvent(ctx, STG_EVENT_LOCK_RESOLUTION, nullptr);
        StgBroadcastModuleEvent(ctx, STG_EVENT_LOCKS_TO_PRESETS, nullptr);
      }
      if (StgIsDefaultLocked(ctx)) {
        if (w->defaultCopy) *w->defaultCopy = *ctx->store;
        CfgSaveLockDefaultData(ctx->printer, ctx);
        StgSaveDefaultSection(ctx);
        StgBroadcastModuleEvent(ctx, 61, nullptr);
      } else {
        StgBroadcastModuleEvent(ctx, 62, nullptr);
      }
    }
    if (!StgIsRemotePrinter(ctx)) UiSaveLockedValues(ctx->printer, ctx);
    w->sheet.locksChanged = 0;
  }
}

INT_PTR OnApply(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window) {
  CONTEXT_WORK_AREA* w = ctx->work;
  w->sheet.inApply = 1;
  auto answer = [&](LONG_PTR result) {
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    w->sheet.inApply = 0;
    return TRUE;
  };
  if (StgGetChangeFlags(ctx) & DLG_SAVE_PENDING) {
    // The preset is saved first; the save presses OK again.
    WORD command = GetDlgItem(GetParent(window), DLG_CMD_SAVE_NAMED) ? DLG_CMD_SAVE_NAMED : DLG_CMD_SAVE_CURRENT;
    PostMessageW(window, WM_COMMAND, command, 0);
    return answer(PSNRET_INVALID_NOCHANGEPAGE);
  }
  w->dialogAccepted = 1;
  if (PageRulesRefuse(ctx, page) || w->dialogAccepted == 0) {
    HWND current = reinterpret_cast<HWND>(SendMessageW(GetParent(window), PSM_GETCURRENTPAGEHWND, 0, 0));
    Layout(ctx, PgFindByWindow(ctx, current), 1);
    return answer(PSNRET_INVALID_NOCHANGEPAGE);
  }
  SetWindowLongPtrW(window, DWLP_MSGRESULT, PSNRET_NOERROR);
  w->dialogAccepted = 1;
  bool sheetPage = (page->kind & STG_DIALOG_PAGE_MASK) ||
                   ((page->kind & STG_DIALOG_PRESET_GROUP) && StgGetPresentUIMode(ctx) != 1);
  if (sheetPage && page->id == w->sheet.firstDialogId) ApplySheet(ctx, page, window);
  w->sheet.inApply = 0;
  return TRUE;
}

// The notifications the procedure acts on; FALSE lets the controls see it too.
bool OnNotify(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, const NMHDR* n, INT_PTR* result) {
  CloseHint(ctx, window);
  if (!page) return false;
  switch (n->code) {
    case PSN_HELP:
      WinHelpW(window, UiGetHelpFilePath(ctx), HELP_CONTEXT, ULONG_PTR(page->helpId));
      break;
    case PSN_RESET:
      ctx->work->dialogAccepted = 0;
      break;
    case PSN_APPLY:
      *result = OnApply(ctx, page, window);
      return true;
    case PSN_SETACTIVE:
      ctx->dialogInUse = SHORT(page->id);
      Layout(ctx, page, 1);
      break;
  }
  return false;
}

void OnTimer(SETTING_CONTEXT* ctx, HWND window) {
  CONTEXT_WORK_AREA* w = ctx->work;
  if (!w->hintTimer) return;
  KillTimer(window, w->hintTimer);
  w->hintTimer = 0;
  HWND target = static_cast<HWND>(w->hintTarget);
  if (!target || !w->hintWindow) return;
  RECT r{};
  CONTROL_DESC* c = CtlFindByWindow(ctx, nullptr, target);
  if (c && (c->kind == kKindCombo || c->kind == kKindComboAlt || c->kind == kKindOwnerCombo))
    SendMessageW(target, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
  else
    GetWindowRect(target, &r);
  POINT p{};
  GetCursorPos(&p);
  HWND focusParent = GetParent(GetFocus());
  HWND parent = GetParent(target);
  bool inside = p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
  if (inside && focusParent && (focusParent == parent || focusParent == GetParent(parent))) {
    ShowWindow(static_cast<HWND>(w->hintWindow), SW_SHOWNOACTIVATE);
    CtlPaintHintWindow(ctx);
  }
}

// Mouse messages go to the control holding the capture, else to the control under the point.
INT_PTR OnMouse(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CONTROL_DESC* control = nullptr;
  HWND capture = GetCapture();
  for (int i = 0; capture && i < page->controlCount && !control; ++i)
    if (page->controls[i].window == capture) control = &page->controls[i];
  if (!control) {
    POINT p{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
    ClientToScreen(window, &p);
    control = CtlHitTestControl(page, int(p.x), int(p.y));
  }
  if (control && (CtlDispatchMessage(ctx, page, control, message, wParam, lParam) ||
                  control->controlId == ctx->work->captureControlId))
    return FALSE;
  if (message == WM_MOUSEMOVE) CloseHint(ctx, window);
  return FALSE;
}

INT_PTR OnInitDialog(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window) {
  if (!page) return TRUE;
  ctx->work->sheet.pageInitialising = 1;
  EnableWindow(window, FALSE);
  if (OsMajor() > 5) SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CONTEXTHELP));
  if (GetWindowTextLengthW(window) == 0) {
    const WCHAR* name = CfgGetPrinterName(ctx);
    if (name) SetWindowTextW(window, name);
  }
  DlgPrepareUi(ctx, nullptr);
  DlgResetChildWindowProcs(ctx, window);
  for (int i = 0; i < page->controlCount; ++i) {
    CONTROL_DESC* c = &page->controls[i];
    c->window = GetDlgItem(window, c->controlId);
    c->savedProc = 0;
    CtlInitControl(ctx, page, c);
  }
  PostMessageW(window, DLG_MSG_FIT_AND_SHOW, 0, 0);
  return TRUE;
}

// Offers a message to the page's controls in table order until one handles it.
INT_PTR OfferToControls(SETTING_CONTEXT* ctx, DIALOG_DESC* page, HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam) {
  if (!page) return FALSE;
  bool byId = message == WM_MEASUREITEM || message == WM_DRAWITEM;
  for (int i = 0; i < page->controlCount; ++i) {
    CONTROL_DESC* c = &page->controls[i];
    if (!c->window && message != WM_MEASUREITEM) continue;
    if (byId && c->controlId != LOWORD(wParam)) continue;
    if (CtlDispatchMessage(ctx, page, c, message, wParam, lParam) == 1) {
      if (message == WM_CTLCOLORSCROLLBAR || message == WM_CTLCOLORLISTBOX)
        return GetWindowLongPtrW(window, DWLP_MSGRESULT);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

const MEASURE_ROW* CtlFindMeasureRow(WORD controlId) {
  for (const MEASURE_ROW* r = kMeasureRows; r->controlId; ++r)
    if (r->controlId == controlId) return r;
  return nullptr;
}

int DlgIsFileDialog(const DIALOG_DESC* dialog) {
  return dialog && (dialog->kind & (STG_DIALOG_FILE_MASK | STG_DIALOG_FOLDER)) ? 1 : 0;
}

int DlgIsNotFileDialog(const DIALOG_DESC* dialog) { return DlgIsFileDialog(dialog) ? 0 : 1; }

int DlgAnyChangeMarks(SETTING_CONTEXT* ctx) {
  ITEM_DICTIONARY* d = ctx ? ctx->dictionary : nullptr;
  for (int i = 0; d && i < d->count; ++i)
    if (d->rows[i].flags & STG_FLAG_CHANGE_MASK) return 1;
  return 0;
}

void DlgClearChangeMarks(SETTING_CONTEXT* ctx) {
  ITEM_DICTIONARY* d = ctx ? ctx->dictionary : nullptr;
  for (int i = 0; d && i < d->count; ++i) d->rows[i].flags &= ~uint64_t(STG_FLAG_CHANGE_MASK);
}

void PgFitAndShow(SETTING_CONTEXT* ctx, HWND page) {
  RECT client{};
  GetClientRect(page, &client);
  int w = int(client.right) - 3, h = int(client.bottom) - 3, W = w, H = h;
  std::vector<HWND> children;
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  auto rectOf = [page](HWND c) {
    RECT r{};
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  for (HWND c : children) {
    RECT r = rectOf(c);
    W = std::max(W, int(r.right));
    H = std::max(H, int(r.bottom));
  }
  if ((W > w || H > h) && W > 0 && H > 0) {
    for (HWND c : children) {
      RECT r = rectOf(c);
      int left = MulDiv(int(r.left), w, W), top = MulDiv(int(r.top), h, H);
      int right = MulDiv(int(r.right), w, W), bottom = MulDiv(int(r.bottom), h, H);
      MoveWindow(c, left, top, right - left, bottom - top, TRUE);
    }
  }
  DIALOG_DESC* dialog = ctx ? PgFindByWindow(ctx, page) : nullptr;
  for (HWND c : children)
    if (!dialog || !CtlFindByWindow(ctx, dialog, c)) ShowWindow(c, SW_SHOW);
  EnableWindow(page, TRUE);
  if (!ctx || !ctx->work) return;
  ctx->work->sheet.pageInitialising = 0;
  DlgClearChangeMarks(ctx);
  Layout(ctx, dialog, 1);
}

INT_PTR DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MEASUREITEM) {
    DlgOfferUiHooks(nullptr, nullptr, nullptr, message, wParam, lParam);
    const MEASURE_ROW* row = CtlFindMeasureRow(LOWORD(wParam));
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (row && mis) {
      if (row->itemWidth) mis->itemWidth = row->itemWidth;
      if (row->itemHeight) mis->itemHeight = row->itemHeight;
      return TRUE;
    }
  }
  SETTING_CONTEXT* ctx = nullptr;
  DIALOG_DESC* page = nullptr;
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    ctx = reinterpret_cast<SETTING_CONTEXT*>(lParam);
    if (ctx && ctx->work) {
      page = StgFindDialog(ctx, WORD(ctx->dialogInUse));
      if (page) {
        page->window = window;
        if (!ctx->work->sheet.firstDialogId) ctx->work->sheet.firstDialogId = page->id;
      }
      DlgPrepareUi(ctx, nullptr);
    }
  } else {
    ctx = ContextOf(window);
    page = ctx && ctx->work ? PgFindByWindow(ctx, window) : nullptr;
  }
  // Every step below needs a context with its work area; a message before WM_INITDIALOG has none.
  if (!ctx || !ctx->work) return message == WM_INITDIALOG ? TRUE : FALSE;
  if (message == WM_COMMAND) ctx->work->sheet.lastCommandId = LOWORD(wParam);
  DlgClearResolveGuard(ctx, message, wParam, lParam, 0);
  if (DlgOfferUiHooks(ctx, page, nullptr, message, wParam, lParam) == 1) {
    Layout(ctx, page, 0);
    return message == WM_PAINT ? FALSE : TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(ctx, page, window);
    case WM_COMMAND:
      return page ? OnCommand(ctx, page, window, wParam, lParam) : FALSE;
    case WM_NOTIFY: {
      INT_PTR result = FALSE;
      if (lParam && OnNotify(ctx, page, window, reinterpret_cast<NMHDR*>(lParam), &result)) return result;
      break;
    }
    case WM_TIMER:
      OnTimer(ctx, window);
      return FALSE;
    case WM_CONTEXTMENU: {
      CloseHint(ctx, window);
      HWND target = reinterpret_cast<HWND>(wParam);
      if (target != window) {
        DlgShowControlHelp(window, target, message);
      } else if (page) {
        CONTROL_DESC* c = CtlHitTestControl(page, SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam)));
        if (c && c->window && !(c->flags & STG_CONTROL_NO_HELP))
          DlgShowControlHelp(window, static_cast<HWND>(c->window), message);
      }
      return TRUE;
    }
    case WM_HELP: {
      CloseHint(ctx, window);
      auto* info = reinterpret_cast<HELPINFO*>(lParam);
      if (info) DlgShowControlHelp(window, static_cast<HWND>(info->hItemHandle), message);
      return TRUE;
    }
    case WM_PAINT:
      if (!page || !page->window) return FALSE;
      if (DlgAnyChangeMarks(ctx)) {
        Layout(ctx, page, 0);
      } else {
        PAINTSTRUCT ps{};
        BeginPaint(window, &ps);
        if (ps.rcPaint.right > ps.rcPaint.left && ps.rcPaint.bottom > ps.rcPaint.top) Layout(ctx, page, 0);
        EndPaint(window, &ps);
      }
      return FALSE;
    case WM_ERASEBKGND:
      CloseHint(ctx, window);
      if (page && page->window) Layout(ctx, page, 0);
      return FALSE;
    case WM_RBUTTONDBLCLK:
      if (page && (wParam & MK_CONTROL) && (wParam & MK_SHIFT)) {
        POINT p{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
        ClientToScreen(window, &p);
        CONTROL_DESC* c = CtlHitTestControl(page, int(p.x), int(p.y));
        if (c && (c->flags & STG_CONTROL_NO_HELP)) {
          struct {
            DIALOG_DESC* page;
            CONTROL_DESC* control;
          } arg{page, c};
          StgBroadcastModuleEvent(ctx, 14, &arg);
        }
      }
      break;
    case DLG_MSG_SHOW_ALERT:
      if (page && lParam) {
        HWND control = GetDlgItem(window, int(wParam));
        if (control) {
          DlgShowDeferredAlert(ctx, page, WORD(wParam), reinterpret_cast<const void*>(lParam));
          SetFocus(control);
        }
      }
      return TRUE;
    case DLG_MSG_FIT_AND_SHOW:
      PgFitAndShow(ctx, window);
      return TRUE;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      return page ? OnMouse(ctx, page, window, message, wParam, lParam) : FALSE;
    case WM_NCPAINT:
    case WM_LBUTTONDBLCLK:
      return FALSE;
  }
  return OfferToControls(ctx, page, window, message, wParam, lParam);
}
