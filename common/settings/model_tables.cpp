// Model constants and the static tables particular to this printer model.
#include "settings/model_tables.h"

#include "settings/item_records.h"

namespace {

#include "settings/model_tables.inc"

// ---- model block and model list

const MODEL_ENTRY kModels[] = {
    {u"KAVRO Lumeta QT M8350 ZARN", 0, 0, 0},
    {u"PELLO 7716XTA ZARN", 0, 0, 0},
    {u"Brantmoor QT M8350 ZARN", 0, 0, 0},
    {u"TOMBEL KR551w ZARN", 0, 0, 0},
    {u"OXV QT M8350 ZARN", 0, 0, 0},
};
const MODEL_LIST kModelList = {5, kModels};

const MODEL_BLOCK kModelBlock = {
    0x401,                 // 1
    0x400,                 // 2
    u"kvdrvset.ini",       // 3
    u"kvdrvaux.DLL",       // 4
    0x7F03,                // 5
    999,                   // 6
    1,                     // 7
    4,                     // 8
    90,                    // 9
    600,                   // 10
    0,                     // 11
    1,                     // 12
    9,                     // 13
    0,                     // 14
    0,                     // 15
    100,                   // 16
    1,                     // 17
    7,                     // 18
    600,                   // 19
    1,                     // 20
    1,                     // 21
    600,                   // 22
    3,                     // 23
    0,                     // 24
    u"A4",                 // 25
    1,                     // 26
    1,                     // 27
    1,                     // 28
    1,                     // 29
    1,                     // 30
    1000,                  // 31
    1,                     // 32
    999,                   // 33
    0x76697270,            // 34
    0,                     // 35
    322,                   // 36
    104,                   // 37
    1,                     // 38
    600,                   // 39
    600,                   // 40
    1,                     // 41
    1,                     // 42
    1,                     // 43
    1,                     // 44
    0,                     // 45
    16,                    // 46
    32,                    // 47
    u"01.00",              // 48
    u"01.00",              // 49
    u"US",                 // 50
    u"",                   // 51
    u"kvdrvmod.ini",       // 52
    u"kvdrvspl.dll",       // 53
    u"kvdrvexc.DLL",       // 54
    nullptr,               // 55
    u"M8350d64.dll",       // 56
    u"",                   // 57
    u"8.63",               // 58
    322,                   // 59
    9920,                  // 60
    43200,                 // 61
    12140,                 // 62
    708660,                // 63
    u"kvinst.ini",         // 64
    &kModelList,           // 65
};

bool WideEquals(const WCHAR* a, const WCHAR* b) {
  if (!a || !b) return false;
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// ---- allowed values

template <class T, size_t N>
constexpr DWORD CountOf(const T (&)[N]) {
  return (DWORD)N;
}

#define KV_ALLOWED(id, values) {id, CountOf(values), values},
const ALLOWED_VALUES_ROW kAllowed[] = {KV_ALLOWED_ROWS {0, 0, nullptr}};
#undef KV_ALLOWED
constexpr int kAllowedCount = (int)(sizeof(kAllowed) / sizeof(kAllowed[0])) - 1;
static_assert(kAllowedCount == 259, "259 keyed rows");

// Index table: 14 rows, the 14th empty.
const int32_t kIdx0[] = {1, 17, 20};
const int32_t kIdx1[] = {2, 3, 18, 19, 21, 22};
const int32_t kIdx2[] = {10004, 10005, 10006, 10007, 10008, 10009};
const int32_t kIdx3[] = {1, 2, 3, 4, 5};
const int32_t kIdx4[] = {1, 2, 3, 4, 5};
const int32_t kIdx5[] = {10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10009, 10010, 10011, 10354, 10355};

template <int First, int N>
struct IdRange {
  int32_t v[N];
  constexpr IdRange() : v{} {
    for (int i = 0; i < N; ++i) v[i] = First + i;
  }
};
constexpr IdRange<10014, 32> kIdx6;
constexpr IdRange<10046, 128> kIdx7;
constexpr IdRange<10111, 64> kIdx8;
const int32_t kIdx9[] = {18, 19};
const int32_t kIdx10[] = {21, 22};
const int32_t kIdx11[] = {17};
const int32_t kIdx12[] = {20};

const ALLOWED_VALUES_ROW kIndex[14] = {
    {65535, CountOf(kIdx0), kIdx0},   {65535, CountOf(kIdx1), kIdx1},   {65535, CountOf(kIdx2), kIdx2},
    {65535, CountOf(kIdx3), kIdx3},   {65535, CountOf(kIdx4), kIdx4},   {65535, CountOf(kIdx5), kIdx5},
    {65535, 32, kIdx6.v},             {65535, 128, kIdx7.v},            {65535, 64, kIdx8.v},
    {65535, CountOf(kIdx9), kIdx9},   {65535, CountOf(kIdx10), kIdx10}, {65535, CountOf(kIdx11), kIdx11},
    {65535, CountOf(kIdx12), kIdx12}, {0, 0, nullptr},
};

// ---- id and paper lists

const SETTING_CONTROL_ROW kIdMap[] = {
    {13, 1002, 2007}, {54, 1002, 2064}, {53, 1002, 2066}, {8, 1002, 2017},   {46, 1002, 2053}, {209, 1002, 2041},
    {65, 1042, 2071}, {64, 1042, 2073}, {128, 1038, 2633}, {129, 1038, 2635}, {37, 1001, 2001},
};

// A4/Letter fit papers: A3, B4, Tabloid; no separator, so A3 and Tabloid have none.
const int32_t kFitPaper[] = {8, 12, 3, 0};

const RESOLUTION_ROW kResolutions[] = {
    {6, 200, 200},   {1, 300, 300},   {2, 400, 400},   {3, 600, 600},   {4, 1200, 1200}, {5, 2400, 2400},
    {17, 600, 600},  {18, 600, 600},  {19, 600, 600},  {33, 150, 150},  {34, 300, 300},  {35, 300, 300},
    {36, 600, 600},  {37, 1200, 1200}, {20, 600, 600}, {0, 0, 0},
};
static_assert(sizeof(kResolutions) / sizeof(kResolutions[0]) == 16, "15 rows and the end row");

// ---- device-query maps. The default maps 1-6 are not consulted in this model (all six model maps
// are in use), so they hold only their end pair.
const TRAY_CODE_PAIR kEmptyMap[] = {{0, 0}};

const OPTION_CODE_PAIR kModelCodeMap[] = {
    {10022, 16}, {10070, 3}, {10036, 42}, {10035, 116}, {10034, 35}, {10296, 126}, {0, 126}, {0, 127},
};

const DWORD kTrackedOptions[] = {132, 133, 134, 142, 137, 138, 12, 145};

// ---- model and size tables

const VALUE_OVERRIDE_ROW kValueOverride[] = {{0, 0, 0}};

const FREE_SIZE_ROW kDefaultFreeSize[] = {
    {2, 287, 1, 708660, 13200, 43200, 9920, 708660, 13200, 43200, 9920},
    {3, 287, 2, 43200, 13200, 43200, 13200, 43200, 13200, 43200, 13200},
    {2, 288, 1, 708660, 13200, 43200, 9920, 708660, 13200, 43200, 9920},
    {3, 288, 2, 43200, 13200, 43200, 13200, 43200, 13200, 43200, 13200},
    {3, 4, 1, 94488, 12140, 43200, 9920, 94488, 12140, 43200, 9921},
    {3, 4, 2, 43200, 12140, 43200, 12140, 43200, 12140, 43200, 12140},
    {1, 287, 1, 154770, 13200, 43200, 9920, 154770, 13200, 43200, 9920},
    {1, 288, 1, 154770, 13200, 43200, 9920, 154770, 13200, 43200, 9920},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

const MODEL_FREE_SIZE_ENTRY kModelFreeSizeList[] = {{0, nullptr}};

const TRAY_LOCK_ROW kTrayLocks[] = {{0, 0}};

struct CustomMediaTable {
  CUSTOM_MEDIA_ROW rows[17];
  constexpr CustomMediaTable() : rows{} {
    for (int i = 0; i < 16; ++i)
      rows[i] = CUSTOM_MEDIA_ROW{(WORD)(i + 1), (WORD)(13708 + i), (WORD)(1496 + i), (WORD)(1512 + i),
                                 (WORD)(1528 + i)};
  }
};
constexpr CustomMediaTable kCustomMedia;

// BF_ id table, writable by the lock module. One pair for each setting that has a node slot in the
// compiled image (ids 1-1543 and 10001-10434, 1977 settings), numbered in setting order from
// rdmMachineID (35) = 10000 up to 10434 = 11942; the public DEVMODE fields 1-34 follow with
// 11943-11976, so the ids fill the persistent range 10000-11976 exactly.
#include "settings/bf_table.inc"
#define KV_BF(bf, id) {bf, id},
BF_ID_PAIR gBfIds[] = {KV_BF_ROWS {0, 0}};
#undef KV_BF
constexpr int kBfCount = (int)(sizeof(gBfIds) / sizeof(gBfIds[0])) - 1;

}  // namespace

// ---------------------------------------------------------------------------------------------

const MODEL_BLOCK* StgGetModelBlock() { return &kModelBlock; }
int StgGetModelEntryCount() { return kModelList.count; }
const MODEL_ENTRY* StgGetModelEntry(int n) {
  if (n < 0 || n >= kModelList.count) return nullptr;
  return &kModelList.rows[n];
}
const MODEL_ENTRY* StgFindModelEntryByName(const WCHAR* driverName) {
  for (int i = 0; i < kModelList.count; ++i)
    if (WideEquals(kModelList.rows[i].name, driverName)) return &kModelList.rows[i];
  return nullptr;
}

DWORD StgGetDevmodePublicSize() { return STG_DEVMODE_PUBLIC_SIZE; }
DWORD StgGetDevmodePrivateSize() { return STG_DEVMODE_PRIVATE_SIZE; }
DWORD StgGetDevmodeSize() { return STG_DEVMODE_SIZE; }
DWORD StgGetDeviceBlockSize() { return STG_DEVICE_BLOCK_SIZE; }
DWORD StgGetWorkBlockSize() { return STG_WORK_BLOCK_SIZE; }
DWORD StgGetStoreSize() { return STG_STORE_SIZE; }
DWORD StgGetBlockSize(DWORD block) {
  switch (block) {
    case 1: return STG_DEVMODE_SIZE;
    case 2: return STG_DEVICE_BLOCK_SIZE;
    case 3: return STG_WORK_BLOCK_SIZE;
    default: return 0;
  }
}

BOOL StgIsJobInfoEnabled() { return 1; }
BOOL StgIsServerLogCheckOn() { return 0; }
BOOL StgIsSpecialTextSetting(DWORD settingId) { return settingId == 524 || settingId == 1112; }
const char* StgGetOtherText(DWORD) { return "a202010007d036"; }
DWORD StgGetResolutionLockLimit(const SETTING_CONTEXT*) { return 0; }
void StgOnDeviceOptionValue(DWORD, DWORD, const void*, SETTING_CONTEXT*) {}

const ALLOWED_VALUES_ROW* StgGetAllowedValuesTable() { return kAllowed; }
int StgGetAllowedValuesTableCount() { return kAllowedCount; }

const ALLOWED_VALUES_ROW* StgFindAllowedValues(DWORD settingId) {
  if (settingId == 0) return nullptr;
  for (const ALLOWED_VALUES_ROW* r = kAllowed; r->settingId != 0; ++r)
    if (r->settingId == settingId) return r;
  return nullptr;
}

BOOL StgListHasValue(const ALLOWED_VALUES_ROW* row, int32_t value) {
  if (!row || !row->values) return 0;
  for (DWORD i = 0; i < row->count; ++i)
    if (row->values[i] == value) return 1;
  return 0;
}

BOOL StgIsValueAllowed(DWORD settingId, int32_t value) {
  return StgListHasValue(StgFindAllowedValues(settingId), value);
}

const ALLOWED_VALUES_ROW* StgGetIdSetHeader(DWORD* count) {
  if (count) *count = 14;
  return kIndex;
}

const ALLOWED_VALUES_ROW* StgGetAllowedValuesRow(DWORD n) { return n < 13 ? &kIndex[n] : nullptr; }

BOOL StgIsValueAllowedByIndex(DWORD n, int32_t value) { return StgListHasValue(StgGetAllowedValuesRow(n), value); }

const SETTING_CONTROL_ROW* StgGetIdMapTable() { return kIdMap; }
int StgGetIdMapTableCount() { return (int)(sizeof(kIdMap) / sizeof(kIdMap[0])); }
const SETTING_CONTROL_ROW* StgFindSettingControl(DWORD settingId) {
  for (const SETTING_CONTROL_ROW& r : kIdMap)
    if (r.settingId == settingId) return &r;
  return nullptr;
}

const int32_t* StgGetFitPaperListTable() { return kFitPaper; }
const RESOLUTION_ROW* StgGetResolutionTable() { return kResolutions; }

const TRAY_CODE_PAIR* StgGetTrayCodeMap(int n) {
  switch (n) {
    case 1: case 2: case 3: case 4: case 5: case 6: return kEmptyMap;
    case 7: return kMap7;
    case 8: return kMap8;
    case 9: return kMap9;
    default: return nullptr;
  }
}

const TRAY_CODE_PAIR* StgGetModelTrayCodeMap(int n) {
  switch (n) {
    case 1: return kModelMap1;
    case 2: return kModelMap2;
    case 3: return kModelMap3;
    case 4: return kModelMap4;
    case 5: return kModelMap5;
    case 6: return kModelMap6;
    default: return nullptr;
  }
}

const TRAY_CODE_PAIR* StgChooseTrayCodeMap(const TRAY_CODE_PAIR* modelMap, const TRAY_CODE_PAIR* defaultMap) {
  if (!modelMap || (modelMap[0].value == 0 && modelMap[0].deviceCode == 0)) return defaultMap;
  return modelMap;
}

const TRAY_CODE_PAIR* StgSelectTrayCodeMap(int n) {
  if (n >= 1 && n <= 6) return StgChooseTrayCodeMap(StgGetModelTrayCodeMap(n), StgGetTrayCodeMap(n));
  return StgGetTrayCodeMap(n);
}

DWORD StgLookupTrayCode(const TRAY_CODE_PAIR* map, DWORD deviceCode) {
  if (!map) return 0;
  for (; map->value != 0; ++map)
    if (map->deviceCode == deviceCode) return map->value;
  return 0;
}

const TRAY_CODE_PAIR* StgGetTrayCodeMap1() { return StgGetTrayCodeMap(1); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap2() { return StgGetTrayCodeMap(2); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap3() { return StgGetTrayCodeMap(3); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap4() { return StgGetTrayCodeMap(4); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap5() { return StgGetTrayCodeMap(5); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap6() { return StgGetTrayCodeMap(6); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap7() { return StgGetTrayCodeMap(7); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap8() { return StgGetTrayCodeMap(8); }
const TRAY_CODE_PAIR* StgGetTrayCodeMap9() { return StgGetTrayCodeMap(9); }
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap1() { return StgGetModelTrayCodeMap(1); }
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap2() { return StgGetModelTrayCodeMap(2); }
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap3() { return StgGetModelTrayCodeMap(3); }
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap4() { return StgGetModelTrayCodeMap(4); }
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap5() { return StgGetModelTrayCodeMap(5); }
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap6() { return StgGetModelTrayCodeMap(6); }

const OPTION_CODE_PAIR* StgGetModelCodeMap(DWORD) { return kModelCodeMap; }
int StgGetModelCodeMapCount() { return (int)(sizeof(kModelCodeMap) / sizeof(kModelCodeMap[0])); }

BOOL StgIsTrackedDeviceOption(DWORD code) {
  for (DWORD c : kTrackedOptions)
    if (c == code) return 1;
  return 0;
}

const VALUE_OVERRIDE_ROW* StgGetValueOverrideTable() { return kValueOverride; }
const FREE_SIZE_ROW* StgGetDefaultFreeSizeTable() { return kDefaultFreeSize; }
const MODEL_FREE_SIZE_ENTRY* StgGetModelFreeSizeTableList() { return kModelFreeSizeList; }
const TRAY_LOCK_ROW* StgGetTrayLockTable() { return kTrayLocks; }
const CUSTOM_MEDIA_ROW* StgGetCustomMediaTable() { return kCustomMedia.rows; }

BF_ID_PAIR* StgGetBfIdTable() { return gBfIds; }
int StgGetBfIdCount() { return kBfCount; }
