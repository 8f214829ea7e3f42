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
#include "settings/context.h"

// ---- dlg_change.h

// ---- dlg_apply.h

// ---- dlg_refresh.h

// ---- dlg_layout.h

// ---- dlg_subdialog.h

// ---- ctl_hint.h
KV_SEAM(CtlUpdateHint) void CtlUpdateHint(SETTING_CONTEXT*, CONTROL_DESC*, HWND, int, int) {}
KV_SEAM(CtlPaintHintWindow) void CtlPaintHintWindow(SETTING_CONTEXT*) {}

// ---- ctl_window.h

// ---- ctl_lists.h
KV_SEAM(CtlComboDrawItem) INT_PTR CtlComboDrawItem(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlOwnerListMessage) INT_PTR CtlOwnerListMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlPresetListDrawItem) INT_PTR CtlPresetListDrawItem(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }

// ---- ctl_edits.h

// ---- ctl_bars.h



// ---- ctl_tree.h
KV_SEAM(CtlSettingsTreeInit) int CtlSettingsTreeInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlSettingsTreeMessage) INT_PTR CtlSettingsTreeMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }
KV_SEAM(CtlTabGroupsInit) int CtlTabGroupsInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*) { return 0; }
KV_SEAM(CtlTabGroupsMessage) INT_PTR CtlTabGroupsMessage(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC*, UINT, WPARAM, LPARAM) { return 0; }

// ---- ctl_draw.h
