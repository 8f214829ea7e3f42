// Page layout and control states: hidden, disabled and lock states from the rules, and the controls
// re-initialised after a change.
#pragma once

struct SETTING_CONTEXT;
struct DIALOG_DESC;

// Lays the page out; full 1 treats every setting as changed.
void PgLayoutPage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, int full);
