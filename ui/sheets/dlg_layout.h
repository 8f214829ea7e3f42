// Page layout and control states: hidden, disabled and lock states from the rules, and the controls
// re-initialised after a change.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Extra data with tag 6 of a tab control: the controls each tab shows.
struct TAB_GROUP_ROW {
  WORD captionId;
  WORD count;
  const WORD* controlIds;
};
struct TAB_GROUPS {
  WORD tag;  // 6
  WORD count;
  const TAB_GROUP_ROW* rows;
};
static_assert(sizeof(TAB_GROUP_ROW) == 16 && sizeof(TAB_GROUPS) == 16);

// The information mark beside a control: a 20 x 20 bitmap static of the page.
constexpr int PG_MARK_SIZE = 20;
constexpr DWORD PG_MARK_STYLE = 0x5081000E;

// Lays the page out; full 1 treats every setting as changed. Nested calls (from handlers the layout
// runs) and a page still initialising return at once.
void PgLayoutPage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, int full);
// Hidden state of a control from its node: 0 without a node; 1 for check box 2478 with one; else the
// feature's exclusion, then (pick nodes) the exclusion of the control's own option.
int CtlIsExcluded(SETTING_CONTEXT* ctx, void* ruleNode, WORD controlId);
// Disabled state (0 or 1): a feature module's answer to event 3, else the node's second conditions.
// The control's disabled bits are left as they were.
int CtlEvalDisabled(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
// 1 when a setting operand of the expression (up to its end operator) is marked changed.
int RuleExprUsesChangedSetting(SETTING_CONTEXT* ctx, const void* cells);
// 1 when the hidden (disabled) state may have changed: the state differs or a first (second)
// condition of the node's rule row or its Item rows reads a changed setting.
int CtlHiddenInputChanged(SETTING_CONTEXT* ctx, CONTROL_DESC* control);
int CtlDisabledInputChanged(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
// 1 when the administrator locked the control (model feature 2 and a lock information string).
int CtlIsAdminLocked(SETTING_CONTEXT* ctx, CONTROL_DESC* control);
// The lock condition of the node's rule row (option 0) or of the option's Item row; 0 without one.
int RuleEvalLockCondition(void* ruleNode, WORD option, SETTING_CONTEXT* ctx);
int RuleEvalLockConditionOfRow(const void* ruleRow, WORD option, SETTING_CONTEXT* ctx);
