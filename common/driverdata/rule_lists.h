// Option-value lists of the programming interfaces: which values of a setting of the PJL command table
// may be selected now (value rows whose condition chain holds, narrowed by the administrator locks),
// their PJL names, and the two kinds of condition chain the table uses.
#pragma once
#include "kvplat/types.h"
#include "settings/model_tables.h"

struct SETTING_CONTEXT;

// A command row's form bit asking for values to be tried by applying them on the settings.
constexpr uint64_t PJL_FORM_TRY_APPLY = 0x8;

// The first command row of the setting when its use bits share a bit with `mask` and, for a
// printer-option row, its code conditions hold; none otherwise.
const PJL_COMMAND_ROW* RuleFindCommandRow(SETTING_CONTEXT* ctx, DWORD settingId, uint64_t mask);

// Selectable values of a setting. 0 done (count values copied, or nothing selectable and a count of 0);
// 1 the buffer is missing or smaller than the count (the count is given); -1 no memory. Mode 1 leaves
// out the rows that switch the feature off. Never writes more than `capacity` values.
int RuleListSelectableValues(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, DWORD* values, DWORD* count, int mode);
// RuleListSelectableValues in mode 0.
int RuleGetSelectableValues(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, DWORD* values, DWORD* count);
// The PJL value names of the selectable rows, each ended by a zero byte, then one more zero byte; *size
// counts every byte. 0 written (or nothing selectable, size 0), 1 the buffer is missing or smaller than
// *size, -1 no memory. Never writes more than `capacity` bytes.
int RuleListSelectableValueNames(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, char* text, DWORD* size);

// 1 when the value row may be chosen now (its condition chain, or applying it on the settings, and the
// n-up lock), else 0.
int RuleIsValueRowAllowed(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* value);
// 1 unless the n-up kind lock refuses the value row.
int RuleIsNupValueUnlocked(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* value);
// Finishes a batch of applied values: forced quality, resolutions, paper geometry, automatic actions.
// Returns 0.
int RuleRefreshAfterApply(SETTING_CONTEXT* ctx);

// Condition chains (an empty chain holds): 1 holds, 0 not. A node's join word: 0 OR with the next node,
// 2 AND with the next node (binding closer than OR), 1 end of an OR group (AND with the next group).
int RuleMatchConditionChain(SETTING_CONTEXT* ctx, const PJL_COND_NODE* chain);
// The same walk over codes mapped to settings through the code ranges; a code in no range is passed over.
int RuleMatchCodeConditions(SETTING_CONTEXT* ctx, const PJL_COND_NODE* chain);
// The setting of a condition code, 0 when the code lies in no range.
WORD RuleMapConditionCode(DWORD code);

// Administrator locks: {setting, lock bit setting, locked value setting, 0}.
struct ADMIN_LOCK_ROW {
  WORD settingId;
  WORD lockBit;
  WORD lockedValue;
  WORD zero;
};
static_assert(sizeof(ADMIN_LOCK_ROW) == 8);
const ADMIN_LOCK_ROW* RuleGetAdminLockTable();
int RuleGetAdminLockCount();
