// Computed flags: settings 723-867 whose value a judge computes on every read from other settings, the
// installed options and the model (ids 868-914 are reserved and have no judge). The rule evaluator
// hands every operand 723-914 to RuleGetComputedFlag; the typed get and set treat the ids as plain bits
// of the work block and compute nothing.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

constexpr WORD kFirstComputedFlag = 723;
constexpr WORD kLastComputedFlag = 867;
constexpr WORD kLastReservedFlag = 914;
constexpr int kComputedFlagCount = kLastComputedFlag - kFirstComputedFlag + 1;  // 145

// Where a flag id lies in the work block: the 32-bit word at this offset, bit (type code - 16).
constexpr DWORD ComputedFlagOffset(WORD id) { return DWORD(id - kFirstComputedFlag) / 32 * 4; }
constexpr DWORD ComputedFlagBit(WORD id) { return DWORD(id - kFirstComputedFlag) % 32; }

// Roles of a finisher family's flags.
enum FLAG_ROLE : BYTE {
  ROLE_NONE = 0,
  ROLE_PORT_SET,
  ROLE_LAND_SET,
  ROLE_IN_LIST,
  ROLE_IN_EXTENDED_LIST,
  ROLE_PUNCHABLE,
  ROLE_STAPLE_POSITION,
  ROLE_PUNCH_POSITION,
};

struct COMPUTED_FLAG_ROW;
using RULE_FLAG_JUDGE = int (*)(SETTING_CONTEXT* ctx, const COMPUTED_FLAG_ROW& row);

// One row per flag id: the finisher family and role (FIN_NONE / ROLE_NONE for the other flags), the
// judge (none: the flag is always 0), its arguments, and the UI item key and symbolic name through
// which the driver data file names the flag (0 / none for most).
struct COMPUTED_FLAG_ROW {
  WORD id;
  BYTE family;
  BYTE role;
  RULE_FLAG_JUDGE judge;
  DWORD arg;
  DWORD arg2;
  WORD key;
  const char* name;
};

// The row of a flag id, or none for an id outside 723-867.
const COMPUTED_FLAG_ROW* RuleFindComputedFlag(WORD id);

// Value of a computed flag: 0 or 1. Ids outside 723-867, ids without a judge and no context give 0.
int RuleGetComputedFlag(SETTING_CONTEXT* ctx, WORD id);
