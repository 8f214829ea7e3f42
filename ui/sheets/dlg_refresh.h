// Cross-page refresh lists, page texts and tray value labels: controls of other open pages that
// depend on a change are initialised again.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

void PgRefreshSourceCombos(SETTING_CONTEXT* ctx);
void PgRefreshPaperSizeCombos(SETTING_CONTEXT* ctx);
void PgRefreshOutputTrayCombos(SETTING_CONTEXT* ctx);
void PgRefreshPresetControls(SETTING_CONTEXT* ctx);
// The watermark combo of page 1003 and the layout combos, after a settings file was loaded.
void PgRefreshWatermarkCombo(SETTING_CONTEXT* ctx);
void PgRefreshLayoutCombos(SETTING_CONTEXT* ctx);
// The first UI hook: the fixed texts of a page at its WM_INITDIALOG. 0 always.
int PgInitPageTexts(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message);
