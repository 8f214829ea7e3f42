// Calls into functions that are being built at the same time in other areas. Each is declared here
// with its final name and parameters until its owner header lands.
#pragma once
#include "kvplat/types.h"
#include "settings/devmode.h"
#include "config/driver_lists.h"  // stamps and quality entries
#include "config/free_size.h"     // custom paper slots

struct SETTING_CONTEXT;
struct ITEM_DESC;

// Owner: common/driverdata/rule_values.h. Acceptance of a public DEVMODE field value: 1 accepted,
// 0 refused.
int RuleIsValidDefaultSource(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidOrientation(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidPaperSize(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidPrintQuality(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidDuplex(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidColor(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidTTOption(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidICMMethod(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidICMIntent(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidMediaType(DWORD value, SETTING_CONTEXT* ctx);
int RuleIsValidDitherType(DWORD value, SETTING_CONTEXT* ctx);
// Owner: common/driverdata/rule_values.h. 1 when the value is an admissible option, else 0.
int RuleCheckOptionValue(ITEM_DESC* row, WORD id, DWORD value, SETTING_CONTEXT* ctx);
// Owner: common/driverdata/rule_values.h. Validates the private settings (mode 1 defaults, 2 merge).
int RuleResetUncheckedSettings(DEVMODEW* dm, SETTING_CONTEXT* ctx, int mode);
// Owner: common/driverdata/rule_values.h. Restores the selected user quality macro.
int RuleApplyUserMacro(SETTING_CONTEXT* ctx);
// Owner: common/driverdata/rule_values.h. dmDuplex / dmMediaType from the private settings.
void RuleSetDevmodeDuplex(DEVMODEW* dm, SETTING_CONTEXT* ctx);
void RuleSetDevmodeMediaType(DEVMODEW* dm, SETTING_CONTEXT* ctx);

// Owner: common/driverdata/img_caps.h. Resolution codes by horizontal dpi (0 when none).
DWORD ImgResolutionCodeByXDpi(DWORD x);
DWORD ImgResolutionCodeAfter(DWORD x, DWORD code);
