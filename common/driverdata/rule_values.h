// Value checks under the compiled rules: whether a value is admissible for a setting, the one-setting
// test and validate entry points, the acceptance tests of the public DEVMODE fields, the reset-handler
// table for settings the rules do not describe, and a few values derived from settings.
#pragma once
#include "driverdata/img_image.h"
#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;
struct ITEM_DESC;

// Outcomes of RuleCheckValue.
enum : int {
  RULE_OUTCOME_REJECTED = 0,  // not an option of the node, out of range, not in the value map
  RULE_OUTCOME_ADMISSIBLE = 1,
  RULE_OUTCOME_EXCLUDED = 4,  // an option excluded by its first condition
  RULE_OUTCOME_SECOND = 5,    // admissible, but its second condition holds
};

// Results of the one-setting entry points.
enum : int {
  RULE_VALUE_REJECTED = 0,
  RULE_VALUE_OK = 1,
  RULE_VALUE_NO_UI_KEY = 2,  // no item descriptor, or one without UI item key
  RULE_VALUE_NO_NODE = 3,    // no active node, or its type word is TypeUnknown
};

// Bits of the context's intake mode word (work area mergeMode) that the validation reads.
constexpr DWORD RULE_INTAKE_KEEP_EXCLUDED = 0x80000;
constexpr DWORD RULE_INTAKE_APPLICATION = 0x40000000;

// ---- checks ---------------------------------------------------------------------------------------------

// Outcome (RULE_OUTCOME_*) of `value` for setting `id` on `node` under the rules. Changes nothing.
int RuleCheckValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx, IMG_REF node);
// The check by the node's options alone: no value is admitted by its id (the interface library's
// build of RuleCheckValue).
int RuleCheckNodeValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx, IMG_REF node);
// RuleCheckValue on the setting's active node.
int RuleCheckSettingValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx);
// The simpler check: 1 admissible (an option of the node that its first condition does not exclude,
// a Boolean 0/1, a Numeric value in range), else 0. Changes nothing.
int RuleCheckOptionValue(const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx);

// Small helpers of the checks: 1/0.
int RuleListHasValue(IMG_REF node, DWORD value);
int RuleIsBooleanValue(DWORD value);
int RuleIsInNumericRange(IMG_REF node, DWORD value);

// ---- one-setting entry points -------------------------------------------------------------------------

// 1 admissible, 0 not, 2 no UI item key, 3 no usable node. A test changes no setting.
int RuleTestValue(WORD id, DWORD value, SETTING_CONTEXT* ctx);
int RuleTestOptionValue(WORD id, DWORD value, SETTING_CONTEXT* ctx);
// As the tests; a value that is not admissible is replaced (reset to its default, clamped or mapped)
// and the result is 1. An admissible rdmNUPType value also brings the n-up settings in line
// (RuleAlignNupSettings). 1, 2 or 3.
int RuleValidateValue(WORD id, DWORD value, SETTING_CONTEXT* ctx);
// 1 (kept or replaced), 0 a list value that its value map does not know (nothing changed), 2 or 3.
int RuleValidateOptionValue(WORD id, DWORD value, SETTING_CONTEXT* ctx);
// A failed Numeric rdmScaleH / rdmScaleV value is clamped to the node's range; any other value resets
// the setting to its compiled default.
void RuleClampOrResetValue(WORD id, DWORD value, SETTING_CONTEXT* ctx);

// The n-up kind of an n-up type code (0 for an unknown code).
int RuleGetNupKind(DWORD nupType);
// Brings rdmNUPPOSTKind and rdmNUPType in line with an n-up type value about to be used, while the n-up
// function is active and on. The one explicit step that changes settings on behalf of an n-up value;
// the checks never do. 1 when something was changed, else 0.
int RuleAlignNupSettings(DWORD nupType, SETTING_CONTEXT* ctx);

// ---- public DEVMODE fields: 1 accepted, 0 rejected ------------------------------------------------------

int RuleIsValidDefaultSource(SHORT value, SETTING_CONTEXT* ctx);
int RuleIsValidOrientation(SHORT value, SETTING_CONTEXT* ctx);
int RuleIsValidPaperSize(SHORT value, SETTING_CONTEXT* ctx);
int RuleIsValidPrintQuality(SHORT value, SETTING_CONTEXT* ctx);
int RuleIsValidDuplex(SHORT value, SETTING_CONTEXT* ctx);
int RuleIsValidColor(SHORT value, SETTING_CONTEXT* ctx);
int RuleIsValidTTOption(SHORT value, SETTING_CONTEXT* ctx);
int RuleIsValidICMMethod(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidICMIntent(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidMediaType(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidDitherType(DWORD value, SETTING_CONTEXT* ctx);

// ---- paper codes and small tests: 1/0 ----------------------------------------------------------------------

int RuleIsStdPaperCode(DWORD code);
int RuleIsOutPaperSameAsPaper(DWORD code);
int RuleIsCustomPaperCode(DWORD code);
int RuleIsCustomSlotPaper(DWORD paper, SETTING_CONTEXT* ctx);
// Slot 0-9 of the stored dmPaperSize / rdmOutPaperSize when it is a user custom code, else -1.
int RuleGetPaperCustomSlot(SETTING_CONTEXT* ctx);
int RuleGetOutPaperCustomSlot(SETTING_CONTEXT* ctx);
int RuleIsStdQuality(LONG value);
int RuleAcceptAny();

// ---- reset handlers ------------------------------------------------------------------------------------------

// (setting id, stored value, item descriptor, param, mode, context) -> 1 kept, 0 the default was stored.
using RULE_RESET_HANDLER = int (*)(WORD id, DWORD value, ITEM_DESC* desc, DWORD param, int mode,
                                   SETTING_CONTEXT* ctx);
struct RESET_HANDLER_ROW {
  DWORD settingId;
  RULE_RESET_HANDLER handler;  // none for most rows
  DWORD param;                 // the default the handler stores
};
constexpr int RULE_RESET_ROWS = 600;
constexpr int RULE_RESET_MODE_DEFAULTS = 1;  // store every default without a test
constexpr int RULE_RESET_MODE_VALIDATE = 2;  // keep an acceptable value

const RESET_HANDLER_ROW* RuleGetResetHandlerTable();
// The row naming that setting id, none when the table has none.
const RESET_HANDLER_ROW* RuleFindResetHandler(DWORD settingId);
// Validates the settings 35-634 in id order; a setting without UI item key goes to its handler (when
// its row has one) in `mode`. Returns the number of settings visited (600).
int RuleResetUncheckedSettings(DEVMODEW* dm, SETTING_CONTEXT* ctx, int mode);

// ---- derived values ------------------------------------------------------------------------------------------

// Stored rdmWmID while the watermark function is on, else -1.
LONG RuleGetWatermarkId(SETTING_CONTEXT* ctx);
// rdmUserPrintMacro option value - 135 while a user macro is in use, else -1.
LONG RuleGetUserMacroIndex(SETTING_CONTEXT* ctx);
// Restores the quality entry that rdmUserPrintMacro 32-39 names (see the contract in the source).
LONG RuleApplyUserMacro(SETTING_CONTEXT* ctx);
// The user's quality macro with the choice of its library: with currentQuality, 160 restores quality
// entry 128 as well (the interface library's build).
LONG RuleApplyUserMacroWith(SETTING_CONTEXT* ctx, bool currentQuality);
// Restores the settings file that the printer INI's preset-section key (a "QualityList%d" key) names.
void RuleRestoreQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* key);
void RuleBroadcastEvent13(SETTING_CONTEXT* ctx);
int RuleBroadcastEvent11(SETTING_CONTEXT* ctx);
// dmDuplex from the duplex function and type and the orientation.
void RuleSetDevmodeDuplex(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// dmMediaType := stored rdmMediaType.
void RuleSetDevmodeMediaType(DEVMODEW* dm, SETTING_CONTEXT* ctx);
