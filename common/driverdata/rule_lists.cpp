// Option-value lists of the PJL command table: the command-row finder, the selectable values and their
// names under condition chains and administrator locks, and the condition-chain walks.
#include "driverdata/rule_lists.h"

#include <cstring>
#include <memory>
#include <new>

#include "driverdata/rule_eval.h"
#include "driverdata/rule_judges.h"
#include "kvplat/devmode.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/paper_geometry.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

constexpr DWORD kFixedCountsBit = 23;  // process feature bit: the fixed table and row counts apply
constexpr WORD kAdminLockFeature = 2;  // model feature: the administrator locks
constexpr int kMaxExpectations = 20;
constexpr WORD kLastDevmodeSetting = 722;

constexpr ADMIN_LOCK_ROW kAdminLocks[] = {
    {sid::dmDefaultSource, sid::rdmLock000InfoBitTray, sid::wdmLock001Info, 0},
    {sid::rdmMediaType, sid::rdmLock000InfoBitMedia, sid::wdmLock002Info, 0},
    {sid::rdmNUPPOSTKind, sid::rdmLock000InfoBitNupKind, sid::wdmLock003Info, 0},
    {0, sid::rdmLock000InfoBitNupKindAll, sid::wdmLock004Info, 0},
    {sid::rdmFuncSelectDuplex, sid::rdmLock000InfoBitDuplex, sid::wdmLock005Info, 0},
    {sid::rdmLockPrnMethod, sid::rdmLock000InfoBitPrintType, sid::wdmLock006Info, 0},
    {sid::rdmLockDstResolutionBoth, sid::rdmLock000InfoBitResolution, sid::wdmLock007Info, 0},
    {sid::dmColor, sid::rdmLock001InfoBitColor, sid::wdmLock008Info, 0},
};
constexpr int kAdminLockCount = int(sizeof(kAdminLocks) / sizeof(kAdminLocks[0]));
static_assert(kAdminLockCount == 8);

// Code ranges of code conditions: 32 codes from the first code map onto the settings from the first id.
struct CODE_RANGE {
  DWORD firstCode;
  WORD firstSetting;
};
constexpr CODE_RANGE kCodeRanges[] = {{10014, 244}, {10046, 276}, {10078, 308}, {10290, 412}, {10322, 479}};
constexpr DWORD kCodeRangeLength = 32;

DWORD Stored(SETTING_CONTEXT* ctx, WORD id) { return DWORD(StgGetValue(ctx, id, nullptr)); }

const PJL_VALUE_TABLE* ValueTable(const PJL_COMMAND_ROW* row) {
  if (!row || row->form != PJL_FORM_TABLE) return nullptr;
  return static_cast<const PJL_VALUE_TABLE*>(row->values);
}
size_t RowCount(const PJL_VALUE_TABLE* table) {
  if (!table || !table->rows) return 0;
  // With the fixed counts, only a table the model knows is taken at its fixed size.
  return StgIsFeatureBitSet(kFixedCountsBit) ? size_t(StgGetValueTableCount(table)) : size_t(table->count);
}

// The chain walk shared by both kinds of chain. `setting` maps a node to the setting it compares, 0 for
// a node to pass over.
template <class SettingOf>
int MatchChain(SETTING_CONTEXT* ctx, const PJL_COND_NODE* n, SettingOf setting) {
  bool result = true;
  while (n) {
    WORD id = setting(n);
    if (!id) {
      n = n->next;
      continue;
    }
    if (Stored(ctx, id) == n->value) {
      if (n->join & 2) {
        result = true;
        n = n->next;
        continue;
      }
      // This group holds: skip to the node that ends it.
      const PJL_COND_NODE* m = n;
      while (m && (m->join == 0 || (m->join & 2))) m = m->next;
      if (!m) return 1;
      result = true;
      n = m->next;
    } else {
      // Skip the rest of an AND run; a failed node that ends a group fails the chain.
      const PJL_COND_NODE* m = n;
      while (m && (m->join & 2)) m = m->next;
      if (!m || m->join != 0) return 0;
      result = false;
      n = m->next;
    }
  }
  return result ? 1 : 0;
}

// The only value the administrator lock of this setting leaves, when a lock is on and names a row.
const PJL_VALUE_ROW* LockedRow(SETTING_CONTEXT* ctx, WORD id, const PJL_VALUE_TABLE* table, size_t rows) {
  if (!StgIsModelFeatureOn(ctx, kAdminLockFeature, 0)) return nullptr;
  for (const ADMIN_LOCK_ROW& lock : kAdminLocks) {
    if (lock.settingId != id || !lock.settingId || !Stored(ctx, lock.lockBit)) continue;
    DWORD locked = Stored(ctx, lock.lockedValue);
    for (size_t i = 0; i < rows; ++i)
      if (DWORD(table->rows[i].value) == locked) return &table->rows[i];
  }
  return nullptr;
}

// Applies an action list on the settings, noting each (id, value).
struct Expectation {
  WORD id;
  DWORD value;
};
void ApplyNoting(SETTING_CONTEXT* ctx, const PJL_COND_NODE* n, Expectation* notes, int* count) {
  for (; n; n = n->next) {
    if (!n->settingId || n->settingId > 0xFFFF) continue;
    StgSetValue(ctx, WORD(n->settingId), n->value);
    if (*count < kMaxExpectations) notes[(*count)++] = {WORD(n->settingId), n->value};
  }
}

// Sets the value on the settings with its implied actions, refreshes, and tells whether every value
// set still holds; the DEVMODE part of the store is put back in every case.
int TryApply(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* value) {
  BYTE* store = ctx->store ? ctx->store->bytes : nullptr;
  if (!store) return 0;
  const DWORD size = StgGetDevmodeSize();
  std::unique_ptr<BYTE[]> saved(new (std::nothrow) BYTE[size]);
  if (!saved) return 0;
  std::memcpy(saved.get(), store, size);
  Expectation notes[kMaxExpectations];
  int count = 0;
  if (!(value->flags & PJL_VALUE_OFF) && row->setting && row->setting <= kLastDevmodeSetting) {
    StgSetValue(ctx, WORD(row->setting), DWORD(value->value));
    notes[count++] = {WORD(row->setting), DWORD(value->value)};
  }
  ApplyNoting(ctx, row->dependencies, notes, &count);
  ApplyNoting(ctx, value->assignments, notes, &count);
  RuleRefreshAfterApply(ctx);
  int allowed = 1;
  for (int i = count - 1; i >= 0 && allowed; --i)
    if (Stored(ctx, notes[i].id) != notes[i].value) allowed = 0;
  std::memcpy(store, saved.get(), size);
  return allowed;
}

}  // namespace

const ADMIN_LOCK_ROW* RuleGetAdminLockTable() { return kAdminLocks; }
int RuleGetAdminLockCount() { return kAdminLockCount; }

WORD RuleMapConditionCode(DWORD code) {
  for (const CODE_RANGE& r : kCodeRanges)
    if (code >= r.firstCode && code - r.firstCode < kCodeRangeLength) return WORD(r.firstSetting + (code - r.firstCode));
  return 0;
}

int RuleMatchConditionChain(SETTING_CONTEXT* ctx, const PJL_COND_NODE* chain) {
  return MatchChain(ctx, chain, [](const PJL_COND_NODE* n) { return WORD(n->settingId); });
}

int RuleMatchCodeConditions(SETTING_CONTEXT* ctx, const PJL_COND_NODE* chain) {
  return MatchChain(ctx, chain, [](const PJL_COND_NODE* n) { return RuleMapConditionCode(n->settingId); });
}

const PJL_COMMAND_ROW* RuleFindCommandRow(SETTING_CONTEXT* ctx, DWORD settingId, uint64_t mask) {
  const PJL_COMMAND_TABLE* table = StgGetExcCommandTable();
  if (!table || !table->rows || !settingId) return nullptr;
  size_t n = StgIsFeatureBitSet(kFixedCountsBit) ? size_t(StgGetExcCommandCount()) : size_t(table->count);
  for (size_t i = 0; i < n; ++i) {
    const PJL_COMMAND_ROW& row = table->rows[i];
    if (row.setting != settingId) continue;
    if (!(row.use & mask)) return nullptr;
    if ((row.use & PJL_USE_OPTION) && row.condition &&
        !RuleMatchCodeConditions(ctx, static_cast<const PJL_COND_NODE*>(row.condition)))
      return nullptr;
    return &row;
  }
  return nullptr;
}

int RuleIsNupValueUnlocked(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* value) {
  if (!row || !value) return 0;
  if (!StgIsModelFeatureOn(ctx, kAdminLockFeature, 0) || !StgAnyAdminLock(ctx) || row->setting != sid::rdmNUPType ||
      !StgIsNupKindLocked(ctx))
    return 1;
  if (value->value == 0) return 0;
  if (StgIsNupKindAllLocked(ctx)) return 1;
  if (!value->assignments) return 1;
  return Stored(ctx, sid::wdmLock003Info) == value->assignments->value ? 1 : 0;
}

int RuleIsValueRowAllowed(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* value) {
  if (!ctx || !row || !value) return 0;
  int allowed = (row->form & PJL_FORM_TRY_APPLY) ? TryApply(ctx, row, value)
                                                  : RuleMatchConditionChain(ctx, value->condition);
  return allowed && RuleIsNupValueUnlocked(ctx, row, value) ? 1 : 0;
}

int RuleRefreshAfterApply(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  DWORD forced = RuleGetForcedQuality(ctx, 0);
  if (forced & 0xFFFF) StgSetValue(ctx, sid::dmPrintQuality, forced & 0xFFFF);
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (dm) dm->dmFields |= DM_PRINTQUALITY;
  StgSyncResolutionFromQuality(dm, ctx);
  StgApplySourcePaper(Stored(ctx, sid::dmPaperSize), sid::dmPaperSize, ctx, dm);
  StgApplyOutputPaper(Stored(ctx, sid::rdmOutPaperSize), sid::rdmOutPaperSize, ctx, dm);
  RuleRunAllTransacts(ctx);
  return 0;
}

int RuleListSelectableValues(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, DWORD* values, DWORD* count, int mode) {
  DWORD dummy = 0;
  if (!count) count = &dummy;
  *count = 0;
  const PJL_COMMAND_ROW* row = RuleFindCommandRow(ctx, id, PJL_USE_COMMAND);
  const PJL_VALUE_TABLE* table = ValueTable(row);
  size_t rows = RowCount(table);
  if (!rows) return 0;
  std::unique_ptr<DWORD[]> scratch(new (std::nothrow) DWORD[rows]);
  if (!scratch) return -1;
  DWORD n = 0;
  if (const PJL_VALUE_ROW* locked = LockedRow(ctx, id, table, rows)) {
    scratch[n++] = DWORD(locked->value);
  } else {
    for (size_t i = 0; i < rows; ++i) {
      const PJL_VALUE_ROW& v = table->rows[i];
      if (mode == 1 && (v.flags & PJL_VALUE_OFF)) continue;
      if (RuleIsValueRowAllowed(ctx, row, &v)) scratch[n++] = DWORD(v.value);
    }
  }
  if (!n) return 0;
  *count = n;
  if (!values || capacity < n) return 1;
  std::memcpy(values, scratch.get(), n * sizeof(DWORD));
  return 0;
}

int RuleGetSelectableValues(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, DWORD* values, DWORD* count) {
  return RuleListSelectableValues(ctx, id, capacity, values, count, 0);
}

int RuleListSelectableValueNames(SETTING_CONTEXT* ctx, WORD id, DWORD capacity, char* text, DWORD* size) {
  DWORD dummy = 0;
  if (!size) size = &dummy;
  *size = 0;
  const PJL_COMMAND_ROW* row = RuleFindCommandRow(ctx, id, PJL_USE_COMMAND | PJL_USE_OPTION);
  const PJL_VALUE_TABLE* table = ValueTable(row);
  size_t rows = RowCount(table);
  if (!rows) return 0;
  std::unique_ptr<bool[]> chosen(new (std::nothrow) bool[rows]);
  if (!chosen) return -1;
  size_t total = 0;
  for (size_t i = 0; i < rows; ++i) {
    const PJL_VALUE_ROW& v = table->rows[i];
    chosen[i] = v.text && RuleIsValueRowAllowed(ctx, row, &v);
    if (chosen[i]) total += std::strlen(v.text) + 1;
  }
  if (!total) return 0;
  *size = DWORD(total + 1);
  if (!text || capacity < *size) return 1;
  char* p = text;
  for (size_t i = 0; i < rows; ++i) {
    if (!chosen[i]) continue;
    size_t len = std::strlen(table->rows[i].text) + 1;
    std::memcpy(p, table->rows[i].text, len);
    p += len;
  }
  *p = 0;
  return 0;
}
