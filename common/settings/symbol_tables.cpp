// The static symbol tables of the template: symbolic names, enumeration symbols (option values and
// BF_ ids), resource names and messages, with their lookups.
#include <cstring>

#include "settings/item_records.h"

namespace {

#include "settings/symbol_tables.inc"

#define KV_SYM(id, key, name) {id, key, 0, name},
const ITEM_SYMBOL kSymbols[] = {KV_SYMBOL_ROWS
#include "settings/ui_symbols.inc"
};
#undef KV_SYM

#define KV_ENUM(setting, key, value, name, second) {setting, key, value, 1, name, second},
const ENUM_SYMBOL kEnums[] = {KV_ENUM_ROWS};
const ENUM_SYMBOL kResources[] = {KV_RESOURCE_ROWS
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

const ENUM_SYMBOL* FindEnumIn(const ENUM_SYMBOL_TABLE* t, WORD setting, DWORD value) {
  for (int32_t i = 0; i < t->count; ++i)
    if (t->rows[i].settingId == setting && t->rows[i].value == value) return &t->rows[i];
  return nullptr;
}

const ENUM_SYMBOL* FindEnumByNameIn(const ENUM_SYMBOL_TABLE* t, const char* name) {
  for (int32_t i = 0; i < t->count; ++i)
    if (Same(t->rows[i].name, name)) return &t->rows[i];
  return nullptr;
}

}  // namespace

const ITEM_SYMBOL_TABLE* StgGetSymbolTable() { return &kSymbolTable; }
const ENUM_SYMBOL_TABLE* StgGetEnumSymbolTable() { return &kEnumTable; }
const ENUM_SYMBOL_TABLE* StgGetResourceNameTable() { return &kResourceTable; }
const MESSAGE_TABLE* StgGetMessageTable() { return &kMessageTable; }

const ITEM_SYMBOL* StgTableFindSymbolByKey(const ITEM_SYMBOL_TABLE* table, WORD key) {
  if (!table) table = &kSymbolTable;
  for (int32_t i = 0; i < table->count; ++i)
    if (table->rows[i].key == key) return &table->rows[i];
  return nullptr;
}

const ITEM_SYMBOL* StgTableFindSymbolByName(const ITEM_SYMBOL_TABLE* table, const char* name) {
  if (!name) return nullptr;
  if (!table) table = &kSymbolTable;
  for (int32_t i = 0; i < table->count; ++i)
    if (Same(table->rows[i].name, name)) return &table->rows[i];
  return nullptr;
}

const ITEM_SYMBOL* StgFindSymbolByKey(WORD key) { return StgTableFindSymbolByKey(nullptr, key); }
const ITEM_SYMBOL* StgFindSymbolByName(const char* name) { return StgTableFindSymbolByName(nullptr, name); }

const ENUM_SYMBOL* StgFindEnumSymbol(WORD settingId, DWORD value) {
  if (const ENUM_SYMBOL* e = FindEnumIn(&kEnumTable, settingId, value)) return e;
  return FindEnumIn(&kResourceTable, settingId, value);
}

const ENUM_SYMBOL* StgFindEnumSymbolByName(const char* name) {
  if (!name) return nullptr;
  if (const ENUM_SYMBOL* e = FindEnumByNameIn(&kEnumTable, name)) return e;
  return FindEnumByNameIn(&kResourceTable, name);
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
