// Least bodies of the later parts of the sheets: each lets a page open and close and does nothing
// else (no rule refuses, nothing is committed or drawn, no window procedure is replaced).
#include "sheets/dlg_change.h"
#include "sheets/dlg_apply.h"
#include "sheets/dlg_refresh.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_subdialog.h"
#include "sheets/ctl_hint.h"
#include "sheets/ctl_window.h"
#include "sheets/ctl_lists.h"
#include "sheets/ctl_edits.h"
#include "sheets/ctl_bars.h"
#include "sheets/ctl_buttons.h"
#include "sheets/ctl_pictures.h"
#include "sheets/ctl_tree.h"
#include "sheets/ctl_draw.h"
#include "kvseam.h"
#include "settings/item_records.h"

// ---- dlg_change.h
KV_SEAM(DlgSetControlValue) int DlgSetControlValue(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, DWORD) { return 0; }
KV_SEAM(DlgApplyControlValue) int DlgApplyControlValue(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, DWORD, int) { return 0; }
KV_SEAM(DlgShowAlert) int DlgShowAlert(SETTING_CONTEXT*, const void*, HWND) { return 0; }
KV_SEAM(DlgAfterValueChange) int DlgAfterValueChange(SETTING_CONTEXT*, DIALOG_DESC*, void*, int) { return 0; }
KV_SEAM(DlgRunFollowUp) void DlgRunFollowUp(SETTING_CONTEXT*, WORD) {}

// ---- dlg_apply.h
KV_SEAM(DlgApplyDeviceSheet) int DlgApplyDeviceSheet(SETTING_CONTEXT*) { return 1; }
KV_SEAM(DlgCommitDeviceSettings3) int DlgCommitDeviceSettings3(SETTING_CONTEXT*) { return 1; }
KV_SEAM(DlgCommitDocumentSettings3) int DlgCommitDocumentSettings3(SETTING_CONTEXT*) { return 1; }

// ---- dlg_refresh.h
KV_SEAM(PgRefreshSourceCombos) void PgRefreshSourceCombos(SETTING_CONTEXT*) {}
KV_SEAM(PgRefreshPaperSizeCombos) void PgRefreshPaperSizeCombos(SETTING_CONTEXT*) {}
KV_SEAM(PgRefreshOutputTrayCombos) void PgRefreshOutputTrayCombos(SETTING_CONTEXT*) {}
KV_SEAM(PgRefreshPresetControls) void PgRefreshPresetControls(SETTING_CONTEXT*) {}
KV_SEAM(PgInitPageTexts) int PgInitPageTexts(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT) { return 0; }

// ---- dlg_layout.h
KV_SEAM(PgLayoutPage) void PgLayoutPage(SETTING_CONTEXT*, DIALOG_DESC*, int) {}

// ---- dlg_subdialog.h
KV_SEAM(DlgOpenSubDialog) int DlgOpenSubDialog(SETTING_CONTEXT*, WORD, WORD, HWND) { return 2; }
KV_SEAM(DlgClearResolveGuard) void DlgClearResolveGuard(SETTING_CONTEXT*, UINT, WPARAM, LPARAM, int) {}
KV_SEAM(DlgShowControlHelp) void DlgShowControlHelp(HWND, HWND, UINT) {}
KV_SEAM(DlgFileExists) int DlgFileExists(const WCHAR*) { return 0; }

// ---- ctl_hint.h
KV_SEAM(CtlUpdateHint) void CtlUpdateHint(SETTING_CONTEXT*, CONTROL_DESC*, HWND, int, int) {}
KV_SEAM(CtlPaintHintWindow) void CtlPaintHintWindow(SETTING_CONTEXT*) {}

// ---- ctl_window.h

// ---- ctl_lists.h
KV_SEAM(CtlComboInit) int CtlComboInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlComboRefresh) void CtlComboRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlComboRefreshChanged) void CtlComboRefreshChanged(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlComboCommand) INT_PTR CtlComboCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlComboDrawItem) INT_PTR CtlComboDrawItem(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlListInit) int CtlListInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlListRefresh) void CtlListRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlListCommand) INT_PTR CtlListCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlOwnerListInit) int CtlOwnerListInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlOwnerListMessage) INT_PTR CtlOwnerListMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlCheckListMessage) INT_PTR CtlCheckListMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlPresetListInit) int CtlPresetListInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlPresetListCommand) INT_PTR CtlPresetListCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlPresetListDrawItem) INT_PTR CtlPresetListDrawItem(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }

// ---- ctl_edits.h

// ---- ctl_bars.h

// ---- ctl_buttons.h
KV_SEAM(CtlButtonWindowProc) LRESULT CtlButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CtlWindowProc(window, message, wParam, lParam);
}
KV_SEAM(CtlCheckBoxClick) INT_PTR CtlCheckBoxClick(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlCheckBoxRefresh) void CtlCheckBoxRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlCheckBoxCommand) INT_PTR CtlCheckBoxCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlRadioClick) INT_PTR CtlRadioClick(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlRadioRefresh) void CtlRadioRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlRadioCommand) INT_PTR CtlRadioCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlSummaryButtonInit) int CtlSummaryButtonInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlCaptionButtonInit) int CtlCaptionButtonInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlSummaryButtonCommand) INT_PTR CtlSummaryButtonCommand(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlSummaryButtonMessage) INT_PTR CtlSummaryButtonMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlStaticRefresh) void CtlStaticRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}

// ---- ctl_pictures.h
KV_SEAM(CtlPictureRefresh) void CtlPictureRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}
KV_SEAM(CtlValueIconRefresh) void CtlValueIconRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) {}

// ---- ctl_tree.h
KV_SEAM(CtlSettingsTreeInit) int CtlSettingsTreeInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlSettingsTreeMessage) INT_PTR CtlSettingsTreeMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlTabGroupsInit) int CtlTabGroupsInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlTabGroupsMessage) INT_PTR CtlTabGroupsMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }

// ---- ctl_draw.h
