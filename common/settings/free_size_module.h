// Custom-size input module (row 3 of the feature-module table): keeps the inch settings of a custom
// paper size in step with the length and width controls while lengths are shown in inches, and answers
// the range queries of those controls with the model's limits for the selected tray and orientation.
#pragma once
#include "kvplat/types.h"
#include "settings/model_tables.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Row handlers. The command handler answers no command (0); the event callback answers 1 for events
// 38-47, 51 and 55 and 0 for every other event.
int StgCustomSizeCommand(SETTING_CONTEXT* ctx, WORD command, void* privateData);
int StgCustomSizeEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void* privateData);

// rdmPaperINCHLength / rdmPaperINCHWidth from the dot sizes, clamped to the input dialog's limits;
// nothing when the input dialog or one of its first usable edit controls is missing.
void StgClampInchPaperSize(SETTING_CONTEXT* ctx);
// The first usable length (selector 1) or width (selector 0) edit control of the input dialog, or none.
CONTROL_DESC* StgFindFreeSizeInputControl(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, int selector);
// 1 when the dialog has no such control or the control's state bits 0-1 are not both clear; else 0.
int StgIsFreeSizeControlUnusable(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, WORD controlId);
// 1 and the limits (dots) of a length or width control of the two custom-size dialogs, keyed by the
// tray and orientation the context's dialog in use edits; 0 for any other control or dialog, or when
// no limit row fits (the outputs are then untouched).
int StgGetFreeSizeControlLimits(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, LONG* maximum, LONG* minimum);
// The size limits (dots) of a tray and orientation; selector 1 length, 0 width. 1 found (the limits
// moved inward onto the display grid), 0 when no row fits (outputs untouched).
int StgGetFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD trayKey, DWORD orientKey, LONG* maximum, LONG* minimum,
                         int selector);
// The model-specific limit table of the context's driver, or none (the default table then applies).
const FREE_SIZE_ROW* StgGetModelFreeSizeTable(SETTING_CONTEXT* ctx);
// 1 and the limits of a custom-size length or width control in the display unit (the dot limits of
// StgGetFreeSizeControlLimits converted); 0 and the outputs untouched for any other control.
int StgGetPaperOptionSize(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, LONG* minimum, LONG* maximum);
