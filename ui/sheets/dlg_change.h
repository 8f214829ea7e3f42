// The change path of the sheets: a control's new value checked against its rules, the alerts it
// raises, and the follow-ups after an accepted change.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// DlgApplyControlValue with store 1: the user's change of a control.
int DlgSetControlValue(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, DWORD value);
// Checks (and with store 1 writes) the control's value against the rules of its node: 1 when the
// change is refused, else 0. With store 0 only the rules are checked (closing commands, apply).
int DlgApplyControlValue(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, DWORD value, int store);
// Shows an alert row's message owned by `owner`: the message box's answer, 0 without a message.
int DlgShowAlert(SETTING_CONTEXT* ctx, const void* alertRow, HWND owner);
// The box of a unit edit's alert, deferred to message 0x8001, and the decision on its answer (a refusal
// puts the edit's value back). The answer; 0 when that alert is not the one waiting.
int DlgShowDeferredAlert(SETTING_CONTEXT* ctx, DIALOG_DESC* page, WORD controlId, const void* alertRow);
// Checks a node outside a control change: the alert's answer (a resolving dialog the answer names is
// opened), 0 when no alert applies.
int DlgRaiseNodeAlert(SETTING_CONTEXT* ctx, DIALOG_DESC* page, void* ruleNode);
// After an accepted change of a node: 1 when a resolving dialog was opened, else 0.
int DlgAfterValueChange(SETTING_CONTEXT* ctx, DIALOG_DESC* page, void* ruleNode, int followUp);
// Runs the follow-up of a code (1, 3, 4: the paper recompute; 2: change flag 0x10000000; module
// commands otherwise).
void DlgRunFollowUp(SETTING_CONTEXT* ctx, WORD code);

// The first alert row of a list whose condition holds; none when none.
const void* RuleFirstAlertRow(const void* alertRows, SETTING_CONTEXT* ctx);
// Runs the actions of the alert's answer row for `answer` and focuses the control the row names: the
// dialog id a stopping action gives, 0 when none or when no dialog of the table has that id.
WORD RuleRunAnswer(const void* alertRow, int answer, SETTING_CONTEXT* ctx);
WORD RuleRunAnswerOfNode(void* ruleNode, const void* alertRow, int answer, SETTING_CONTEXT* ctx);
