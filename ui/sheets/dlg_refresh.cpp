// Cross-page refresh lists and the page texts of the first UI hook.
#include "sheets/dlg_refresh.h"

#include "config/driver_lists.h"
#include "config/resource_strings.h"
#include "driverdata/rule_values.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "sheets/ctl_core.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_values.h"

namespace {

constexpr PAGE_CONTROL_PAIR kSourceCombos[] = {{1001, 2007}, {1002, 2007}, {0, 0}};
constexpr PAGE_CONTROL_PAIR kPaperSizeCombos[] = {{1001, 2017}, {1001, 2023}, {1002, 2017}, {1002, 2053}, {0, 0}};
constexpr PAGE_CONTROL_PAIR kOutputTrayCombos[] = {{1001, 2011}, {1002, 2066}, {0, 0}};
constexpr PAGE_CONTROL_PAIR kLayoutCombos[] = {{1003, 2085}, {1003, 2087}, {0, 0}};
constexpr PAGE_CONTROL_PAIR kPresetControls[] = {
    {1007, 2139}, {1001, 2001}, {1002, 2036}, {1002, 2388}, {1003, 2078}, {1003, 2389},
    {1004, 2095}, {1004, 2390}, {4016, 2921}, {4016, 2924}, {4030, 3112}, {4030, 3113},
    {1005, 2109}, {1005, 2391}, {1042, 2713}, {1042, 2733}, {0, 0}};
constexpr int kPresetLists = 2;  // the maintenance list and the preset list come first
constexpr WORD kPresetBase = 119;
constexpr WORD kWatermarkPage = 1003, kWatermarkCombo = 2089;
constexpr WORD kStampPage = 1003, kOverlayButton = 2407, kStampCheck = 2088, kStampText = 2082;
constexpr WORD kOptionPage = 1011, kPortraitFeed = 2173, kLandscapeFeed = 2175;
constexpr WORD kStrStampOverlay = 563, kStrOverlayFile = 13500, kStrPortraitFeed = 13724, kStrLandscapeFeed = 13725;

// The control of an open page, none when the page is closed or lacks it.
CONTROL_DESC* OpenControl(SETTING_CONTEXT* ctx, WORD pageId, WORD controlId, DIALOG_DESC** pageOut) {
  DIALOG_DESC* page = StgFindDialog(ctx, pageId);
  if (!page || !page->window) return nullptr;
  CONTROL_DESC* c = StgFindControlById(ctx, page, controlId);
  if (!c || !c->window) return nullptr;
  *pageOut = page;
  return c;
}

void SetText(SETTING_CONTEXT* ctx, DIALOG_DESC* page, WORD controlId, WORD stringId) {
  HWND w = GetDlgItem(static_cast<HWND>(page->window), controlId);
  if (!w) return;
  WCHAR* text = ctx->work->textBuffer;
  CfgLoadString(ctx, stringId, text, 1024, 1);
  SetWindowTextW(w, text);
}

}  // namespace

void PgRefreshControlList(SETTING_CONTEXT* ctx, const PAGE_CONTROL_PAIR* pairs) {
  if (!ctx || !pairs) return;
  for (const PAGE_CONTROL_PAIR* p = pairs; p->pageId; ++p) {
    DIALOG_DESC* page = nullptr;
    if (CONTROL_DESC* c = OpenControl(ctx, p->pageId, p->controlId, &page)) CtlInitControl(ctx, page, c);
  }
}

void PgRefreshSourceCombos(SETTING_CONTEXT* ctx) { PgRefreshControlList(ctx, kSourceCombos); }
void PgRefreshPaperSizeCombos(SETTING_CONTEXT* ctx) { PgRefreshControlList(ctx, kPaperSizeCombos); }
void PgRefreshOutputTrayCombos(SETTING_CONTEXT* ctx) { PgRefreshControlList(ctx, kOutputTrayCombos); }
void PgRefreshLayoutCombos(SETTING_CONTEXT* ctx) { PgRefreshControlList(ctx, kLayoutCombos); }

void PgRefreshPresetControls(SETTING_CONTEXT* ctx) {
  if (!ctx) return;
  for (int i = 0; kPresetControls[i].pageId; ++i) {
    DIALOG_DESC* page = nullptr;
    CONTROL_DESC* c = OpenControl(ctx, kPresetControls[i].pageId, kPresetControls[i].controlId, &page);
    if (!c) continue;
    // Signed: the unsaved state 118 stays.
    if (i < kPresetLists && int(CtlGetValue(ctx, c)) - kPresetBase >= CfgGetPresetCount(ctx))
      CtlSetValue(ctx, c, kPresetBase);
    CtlInitControl(ctx, page, c);
  }
}

void PgRefreshWatermarkCombo(SETTING_CONTEXT* ctx) {
  if (!ctx || RuleGetWatermarkId(ctx) == -1) return;
  DIALOG_DESC* page = nullptr;
  CONTROL_DESC* c = OpenControl(ctx, kWatermarkPage, kWatermarkCombo, &page);
  if (!c) return;
  SendMessageW(static_cast<HWND>(c->window), CB_RESETCONTENT, 0, 0);
  CtlInitControl(ctx, page, c);
}

int PgInitPageTexts(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message) {
  if (!ctx || !ctx->work || !page || !page->window || control || message != WM_INITDIALOG) return 0;
  if (page->id == kStampPage) {
    CONTROL_DESC* overlay = StgFindControlById(ctx, page, kOverlayButton);
    if (overlay && GetDlgItem(static_cast<HWND>(page->window), kOverlayButton) &&
        !CtlIsExcluded(ctx, overlay->ruleNode, kOverlayButton)) {
      SetText(ctx, page, kStampCheck, kStrStampOverlay);
      if (StgIsFeatureBitSet(6)) SetText(ctx, page, kStampText, kStrOverlayFile);
    }
  } else if (page->id == kOptionPage) {
    bool portraitFirst = StgGetValue(ctx, sid::rdmMachineTypeFeed, nullptr) != 0;
    SetText(ctx, page, kPortraitFeed, portraitFirst ? kStrPortraitFeed : kStrLandscapeFeed);
    SetText(ctx, page, kLandscapeFeed, portraitFirst ? kStrLandscapeFeed : kStrPortraitFeed);
  }
  return 0;
}
