// Cross-page refresh lists and page texts: controls of other open pages that depend on a change are
// initialised again.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// One control of one page; a list ends with page id 0.
struct PAGE_CONTROL_PAIR {
  WORD pageId;
  WORD controlId;
};

// Initialises each listed control whose page is open and has it, in list order.
void PgRefreshControlList(SETTING_CONTEXT* ctx, const PAGE_CONTROL_PAIR* pairs);
void PgRefreshSourceCombos(SETTING_CONTEXT* ctx);
void PgRefreshPaperSizeCombos(SETTING_CONTEXT* ctx);
void PgRefreshOutputTrayCombos(SETTING_CONTEXT* ctx);
void PgRefreshLayoutCombos(SETTING_CONTEXT* ctx);
// The preset controls; the two preset lists go back to the first preset (119) when their value lies
// beyond the stored presets.
void PgRefreshPresetControls(SETTING_CONTEXT* ctx);
// Rebuilds the watermark combo of page 1003 unless the watermark is off.
void PgRefreshWatermarkCombo(SETTING_CONTEXT* ctx);
// The first UI hook: the fixed texts of pages 1003 and 1011 at their WM_INITDIALOG. 0 always.
int PgInitPageTexts(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message);
