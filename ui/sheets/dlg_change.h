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
// After an accepted change of a node: 1 when a resolving dialog was opened, else 0.
int DlgAfterValueChange(SETTING_CONTEXT* ctx, DIALOG_DESC* page, void* ruleNode, int followUp);
// Runs the follow-up of a code (1: the paper recompute; module commands otherwise).
void DlgRunFollowUp(SETTING_CONTEXT* ctx, WORD code);
