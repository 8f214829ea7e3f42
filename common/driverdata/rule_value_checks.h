// Value checks of single settings and the paper-code tests of the constraint engine.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Value check of one setting without changing it: 1 admissible, 0 not, 2 no rule data, 3 no node.
int RuleTestValue(WORD id, DWORD value, SETTING_CONTEXT* ctx);
// The same check, resetting a value that is not admissible: 1 checked, 2 no rule data, 3 no node.
int RuleValidateValue(WORD id, DWORD value, SETTING_CONTEXT* ctx);
// 1 when the non-zero paper code is one of the custom paper slot codes (384-393, 256, 448), else 0.
int RuleIsCustomSlotPaper(DWORD paper, SETTING_CONTEXT* ctx);
