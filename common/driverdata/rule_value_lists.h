// Option-value lists: the values of a setting that its conditions and locks leave selectable.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The selectable values of a setting (into values, at most capacity) and their count. 0 done (or nothing
// selectable), 1 buffer missing or too small (the count is given), -1 no memory. Mode 1 also leaves
// out value rows that carry flag bit 0.
int RuleListSelectableValues(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, DWORD* values, DWORD* count, int mode);
