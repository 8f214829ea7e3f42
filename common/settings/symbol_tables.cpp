// The static symbol tables of the template: symbolic names, enumeration symbols (option values and
// BF_ ids), resource names and messages, with their lookups.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "settings/item_records.h"

namespace {

#include "settings/symbol_tables.inc"

#define KV_SYM(id, key, name) {id, key, 0, name},
constexpr ITEM_SYMBOL kSymbols[] = {KV_SYMBOL_ROWS
#include "settings/ui_symbols.inc"
};
#undef KV_SYM

#define KV_ENUM(setting, key, value, name, second) {setting, key, value, 1, name, second},
constexpr ENUM_SYMBOL kEnums[] = {KV_ENUM_ROWS};
constexpr ENUM_SYMBOL kResources[] = {KV_RESOURCE_ROWS
#include "settings/model_names.inc"
};
#undef KV_ENUM

#define KV_MSG(key, string, name) {key, string, 0, name, 0},
const MESSAGE_DESC kMessages[] = {KV_MESSAGE_ROWS};
#undef KV_MSG

template <class T, size_t N>
constexpr int32_t CountOf(const T (&)[N]) {
  return (int32_t)N;
}

const ITEM_SYMBOL_TABLE kSymbolTable = {CountOf(kSymbols), kSymbols};
const ENUM_SYMBOL_TABLE kEnumTable = {CountOf(kEnums), kEnums};
const ENUM_SYMBOL_TABLE kResourceTable = {CountOf(kResources), kResources};
const MESSAGE_TABLE kMessageTable = {CountOf(kMessages), kMessages};

static_assert(CountOf(kMessages) == 52, "52 messages");

bool Same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

// Name look-ups go through open-addressing hash indexes built by the compiler from the static tables, so a
// look-up hashes the name once and compares it with one row in the usual case. A name given to several
// rows finds the first of them in table order.
constexpr uint32_t NameHash(const char* s) {
  uint32_t h = 2166136261u;
  for (; *s; ++s) h = (h ^ uint8_t(*s)) * 16777619u;
  return h;
}
constexpr bool SameName(const char* a, const char* b) {
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}
template <size_t Slots>
struct NameIndex {
  static_assert((Slots & (Slots - 1)) == 0, "a power of two");
  struct Slot {
    int32_t row = -1;
    uint32_t hash = 0;
  };
  Slot slots[Slots] = {};

  template <class Row>
  const Row* Find(const Row* rows, const char* name) const {
    uint32_t h = NameHash(name);
    for (uint32_t i = h & (Slots - 1);; i = (i + 1) & (Slots - 1)) {
      const Slot& s = slots[i];
      if (s.row < 0) return nullptr;
      if (s.hash == h && std::strcmp(rows[s.row].name, name) == 0) return &rows[s.row];
    }
  }
};
template <size_t Slots, class Row, size_t N>
constexpr NameIndex<Slots> BuildNameIndex(const Row (&rows)[N]) {
  static_assert(N < Slots / 2, "the index keeps at least half its slots free");
  NameIndex<Slots> x;
  for (size_t r = 0; r < N; ++r) {
    if (!rows[r].name) continue;
    uint32_t h = NameHash(rows[r].name);
    uint32_t i = h & (Slots - 1);
    bool taken = false;
    for (; x.slots[i].row >= 0; i = (i + 1) & (Slots - 1))
      if (x.slots[i].hash == h && SameName(rows[x.slots[i].row].name, rows[r].name)) taken = true;
    if (!taken) x.slots[i] = {int32_t(r), h};
  }
  return x;
}
constexpr size_t IndexSlots(size_t rows) {
  size_t n = 16;
  while (n < 2 * rows + 2) n *= 2;
  return n;
}
constexpr auto kSymbolsByName = BuildNameIndex<IndexSlots(sizeof kSymbols / sizeof kSymbols[0])>(kSymbols);
constexpr auto kEnumsByName = BuildNameIndex<IndexSlots(sizeof kEnums / sizeof kEnums[0])>(kEnums);
constexpr auto kResourcesByName = BuildNameIndex<IndexSlots(sizeof kResources / sizeof kResources[0])>(kResources);

// Row numbers of a static table sorted by a key; equal keys keep table order, so the first match of
// a search is the first row of the table with that key. Built once, on first use.
template <class Less>
std::vector<int32_t> SortedRows(int32_t count, Less less) {
  std::vector<int32_t> order((size_t)count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), less);
  return order;
}

template <class Row, class Cmp>
const Row* SearchSorted(const Row* rows, const std::vector<int32_t>& order, Cmp cmp) {
  // cmp(row) < 0: row sorts before the sought key; 0: match.
  auto it = std::lower_bound(order.begin(), order.end(), 0,
                             [&](int32_t idx, int) { return cmp(rows[idx]) < 0; });
  if (it == order.end() || cmp(rows[*it]) != 0) return nullptr;
  return &rows[*it];
}

const std::vector<int32_t>& SymbolsByKey() {
  static const std::vector<int32_t> v =
      SortedRows(kSymbolTable.count, [](int32_t a, int32_t b) { return kSymbols[a].key < kSymbols[b].key; });
  return v;
}

struct EnumIndex {
  std::vector<int32_t> byValue;
};
EnumIndex BuildEnumIndex(const ENUM_SYMBOL_TABLE* t) {
  const ENUM_SYMBOL* r = t->rows;
  EnumIndex x;
  x.byValue = SortedRows(t->count, [r](int32_t a, int32_t b) {
    return r[a].settingId != r[b].settingId ? r[a].settingId < r[b].settingId : r[a].value < r[b].value;
  });
  return x;
}
const EnumIndex& EnumsIndex() {
  static const EnumIndex x = BuildEnumIndex(&kEnumTable);
  return x;
}
const EnumIndex& ResourcesIndex() {
  static const EnumIndex x = BuildEnumIndex(&kResourceTable);
  return x;
}

const ENUM_SYMBOL* FindEnumIn(const ENUM_SYMBOL_TABLE* t, const EnumIndex& x, WORD setting, DWORD value) {
  return SearchSorted(t->rows, x.byValue, [&](const ENUM_SYMBOL& e) {
    if (e.settingId != setting) return e.settingId < setting ? -1 : 1;
    if (e.value != value) return e.value < value ? -1 : 1;
    return 0;
  });
}


}  // namespace

const ITEM_SYMBOL_TABLE* StgGetSymbolTable() { return &kSymbolTable; }
const ENUM_SYMBOL_TABLE* StgGetEnumSymbolTable() { return &kEnumTable; }
const ENUM_SYMBOL_TABLE* StgGetResourceNameTable() { return &kResourceTable; }
const MESSAGE_TABLE* StgGetMessageTable() { return &kMessageTable; }

const ITEM_SYMBOL* StgTableFindSymbolByKey(const ITEM_SYMBOL_TABLE* table, WORD key) {
  if (!table || table == &kSymbolTable)
    return SearchSorted(kSymbols, SymbolsByKey(), [key](const ITEM_SYMBOL& s) { return (int)s.key - (int)key; });
  for (int32_t i = 0; i < table->count; ++i)
    if (table->rows[i].key == key) return &table->rows[i];
  return nullptr;
}

const ITEM_SYMBOL* StgTableFindSymbolByName(const ITEM_SYMBOL_TABLE* table, const char* name) {
  if (!name) return nullptr;
  if (!table || table == &kSymbolTable)
    return kSymbolsByName.Find(kSymbols, name);
  for (int32_t i = 0; i < table->count; ++i)
    if (Same(table->rows[i].name, name)) return &table->rows[i];
  return nullptr;
}

const ITEM_SYMBOL* StgFindSymbolByKey(WORD key) { return StgTableFindSymbolByKey(nullptr, key); }
const ITEM_SYMBOL* StgFindSymbolByName(const char* name) { return StgTableFindSymbolByName(nullptr, name); }

const ENUM_SYMBOL* StgFindEnumSymbol(WORD settingId, DWORD value) {
  if (const ENUM_SYMBOL* e = FindEnumIn(&kEnumTable, EnumsIndex(), settingId, value)) return e;
  return FindEnumIn(&kResourceTable, ResourcesIndex(), settingId, value);
}

const ENUM_SYMBOL* StgFindEnumSymbolByName(const char* name) {
  if (!name) return nullptr;
  if (const ENUM_SYMBOL* e = kEnumsByName.Find(kEnums, name)) return e;
  return kResourcesByName.Find(kResources, name);
}

int StgTableGetMessageCount(const MESSAGE_TABLE* table) {
  if (!table) table = &kMessageTable;
  return table->count;
}

const MESSAGE_DESC* StgTableGetMessageRow(const MESSAGE_TABLE* table, int n) {
  if (!table) table = &kMessageTable;
  if (n < 0 || n >= table->count) return nullptr;
  return &table->rows[n];
}

const MESSAGE_DESC* StgTableFindMessage(const MESSAGE_TABLE* table, WORD key) {
  if (!table) table = &kMessageTable;
  for (int32_t i = 0; i < table->count; ++i)
    if (table->rows[i].key == key) return &table->rows[i];
  return nullptr;
}

const MESSAGE_DESC* StgTableFindMessageByName(const MESSAGE_TABLE* table, const char* name) {
  if (!name) return nullptr;
  if (!table) table = &kMessageTable;
  for (int32_t i = 0; i < table->count; ++i)
    if (Same(table->rows[i].name, name)) return &table->rows[i];
  return nullptr;
}
