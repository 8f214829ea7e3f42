// The static settings dictionary (1989 rows in id order) in its static and its run-time form, and
// the row lookups by id, by item key and by name.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "settings/item_records.h"
#include "settings/table_internal.h"

namespace {

#include "settings/setting_table.inc"

#define KV_ROW(id, key, type, off, medium, sec, ini, map, kind, flags, name) \
  {id, key, type, off, medium, sec, ini, map, kind, flags, name},
constexpr ITEM_DESC_STATIC kStaticRows[] = {KV_SETTING_ROWS};
#undef KV_ROW

static_assert(sizeof(kStaticRows) / sizeof(kStaticRows[0]) == STG_ITEM_COUNT, "1989 settings");

constexpr int RowIndexOf(int id) { return StgRowIndexOf(id); }

constexpr bool RowsAreInIdOrder() {
  for (int i = 0; i < STG_ITEM_COUNT; ++i)
    if (RowIndexOf((int)kStaticRows[i].id) != i) return false;
  return true;
}
static_assert(RowsAreInIdOrder(), "row n-1 holds id n, then 10001 onwards");

#define KV_ROW(id, key, type, off, medium, sec, ini, map, kind, flags, name) {map, name},
ITEM_DESC_EXT gTemplateExt[] = {KV_SETTING_ROWS};
#undef KV_ROW

#define KV_ROW(id, key, type, off, medium, sec, ini, map, kind, flags, name) \
  {id, key, type, off, medium, sec, ini, kind, (flags) & STG_FLAG_COPY_MASK, &gTemplateExt[RowIndexOf(id)], 0},
}  // namespace

ITEM_DESC StgTemplateRows[] = {KV_SETTING_ROWS};
#undef KV_ROW

namespace {

const ITEM_DICTIONARY_STATIC kStaticDictionary = {STG_ITEM_COUNT, kStaticRows};
ITEM_DICTIONARY gTemplateDictionary = {STG_ITEM_COUNT, StgTemplateRows};

// Index of the first row whose id is not its predecessor's plus 1. Every dictionary of the process
// is a copy of the static one, so the gap is known at compile time (1555: row 1555 holds 10001).
constexpr int ComputeStaticGap() {
  for (int i = 1; i < STG_ITEM_COUNT; ++i)
    if (kStaticRows[i].id != kStaticRows[i - 1].id + 1) return i;
  return STG_ITEM_COUNT;
}
constexpr int kGapIndex = ComputeStaticGap();
static_assert(kGapIndex == 1555, "ids 1-1555 before the gap, 10001-10434 after it");

// Bisection between the first and the last row, then a scan from the last row to the first.
ITEM_DESC* SearchRows(ITEM_DESC* rows, int count, WORD id) {
  if (count <= 0) return nullptr;
  if (rows[0].id == id) return &rows[0];
  int hi = count - 1;
  if (rows[hi].id == id) return &rows[hi];
  int lo = 0;
  while (hi - lo > 1) {
    int mid = (lo + hi) / 2;
    if (rows[mid].id == id) return &rows[mid];
    if (rows[mid].id < id)
      lo = mid;
    else
      hi = mid;
  }
  for (int i = count - 1; i >= 0; --i)
    if (rows[i].id == id) return &rows[i];
  return nullptr;
}

// Compares a wide name with an ASCII name like strcmp.
int CompareName(const WCHAR* wide, const char* ascii) {
  size_t i = 0;
  for (; ascii[i]; ++i) {
    const unsigned a = wide[i], b = (unsigned char)ascii[i];
    if (a != b) return a < b ? -1 : 1;
  }
  return wide[i] == 0 ? 0 : 1;
}

// Row numbers of the named static rows, sorted by name; built once, on first use.
const std::vector<int16_t>& RowsByName() {
  static const std::vector<int16_t> v = [] {
    std::vector<int16_t> order;
    for (int i = 0; i < STG_ITEM_COUNT; ++i)
      if (kStaticRows[i].name) order.push_back((int16_t)i);
    std::sort(order.begin(), order.end(), [](int16_t a, int16_t b) {
      const WCHAR* x = kStaticRows[a].name;
      const WCHAR* y = kStaticRows[b].name;
      while (*x && *x == *y) ++x, ++y;
      return *x < *y;
    });
    return order;
  }();
  return v;
}

bool NameEquals(const WCHAR* wide, const char* ascii) {
  if (!wide || !ascii) return false;
  size_t i = 0;
  for (; ascii[i]; ++i)
    if (wide[i] != (WCHAR)(unsigned char)ascii[i]) return false;
  return wide[i] == 0;
}

}  // namespace

const ITEM_DICTIONARY_STATIC* StgGetStaticDictionary() { return &kStaticDictionary; }

ITEM_DICTIONARY* StgGetTemplateDictionary() { return &gTemplateDictionary; }

void StgInitRuntimeRow(const ITEM_DESC_STATIC* src, ITEM_DESC* dst, ITEM_DESC_EXT* ext) {
  if (!src || !dst) return;
  dst->id = src->id;
  dst->key = src->key;
  dst->type = src->type;
  dst->offset = src->offset;
  dst->medium = src->medium;
  dst->iniSection = src->iniSection;
  dst->iniKey = src->iniKey;
  dst->special = src->special;
  dst->flags = src->flags & STG_FLAG_COPY_MASK;
  dst->ext = ext;
  dst->changeClass = 0;
  if (ext) {
    ext->valueMap = src->valueMap;
    ext->name = src->name;
  }
}

int StgDictGapIndex(const ITEM_DICTIONARY* dict) {
  if (!dict || !dict->rows || dict->count <= 0) return 0;
  return dict->count < kGapIndex ? dict->count : kGapIndex;
}

ITEM_DESC* StgDictFindItem(const ITEM_DICTIONARY* dict, WORD id) {
  if (id == 0 || !dict || !dict->rows || dict->count <= 0) return nullptr;
  const int count = dict->count;
  const int g = StgDictGapIndex(dict);
  int idx = -1;
  if (id <= g)
    idx = id - 1;
  else if (id >= 10001 && id <= 10000 + (count - g))
    idx = id - 10001 + g;
  // The direct index is trusted only when the row there holds the id, so a dictionary of another
  // shape is still searched correctly.
  if (idx >= 0 && idx < count && dict->rows[idx].id == id) return &dict->rows[idx];
  return SearchRows(dict->rows, count, id);
}

const ITEM_DESC_STATIC* StgStaticFindItem(WORD id) {
  if (id >= 1 && id <= 1555) return &kStaticRows[id - 1];
  if (id >= 10001 && id <= 10434) return &kStaticRows[id - 10001 + 1555];
  return nullptr;
}

ITEM_DESC* StgDictFindItemByKey(const ITEM_DICTIONARY* dict, const ITEM_SYMBOL_TABLE* symbols, WORD key) {
  // Key 0 means "no key": it names no row even though most rows carry it.
  if (!dict || !dict->rows || key == 0) return nullptr;
  for (int i = 0; i < dict->count; ++i)
    if (dict->rows[i].key == key) return &dict->rows[i];
  const ITEM_SYMBOL* sym = StgTableFindSymbolByKey(symbols, key);
  if (!sym || sym->id == 0) return nullptr;
  return StgDictFindItem(dict, sym->id);
}

ITEM_DESC* StgDictFindItemByName(const ITEM_DICTIONARY* dict, const char* name) {
  if (!dict || !dict->rows || !name) return nullptr;
  // The names of a context's copy are those of the static rows: find the row through the sorted
  // static names and take it when the copy has the same name there.
  const std::vector<int16_t>& order = RowsByName();
  auto it = std::lower_bound(order.begin(), order.end(), 0, [name](int16_t idx, int) {
    return CompareName(kStaticRows[idx].name, name) < 0;
  });
  if (it != order.end() && CompareName(kStaticRows[*it].name, name) == 0 && *it < dict->count) {
    const ITEM_DESC_EXT* ext = dict->rows[*it].ext;
    if (ext && NameEquals(ext->name, name)) return &dict->rows[*it];
  }
  for (int i = 0; i < dict->count; ++i) {
    const ITEM_DESC_EXT* ext = dict->rows[i].ext;
    if (ext && NameEquals(ext->name, name)) return &dict->rows[i];
  }
  return nullptr;
}
