// The driver API's item tables as data.
#include "api_tables.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "api_caps.h"
#include "api_status.h"
#include "settings/modules.h"

namespace {

constexpr API_ID_LIMIT kStatusLimits[API_LIMIT_ROWS] = {
    {0, 0},    {35, 35},  {35, 35},  {35, 35},  {36, 36},  {36, 36},  {45, 264}, {46, 264}, {47, 264},
    {47, 264}, {54, 269}, {56, 269}, {60, 269}, {67, 269}, {72, 269}, {78, 269}, {126, 269}};
constexpr API_ID_LIMIT kCapsLimits[API_LIMIT_ROWS] = {
    {0, 0},    {55, 55},  {56, 56},  {56, 56},  {57, 57},  {57, 57},  {69, 275},  {70, 275}, {71, 275},
    {71, 275}, {83, 282}, {86, 282}, {92, 282}, {100, 282}, {117, 282}, {123, 282}, {127, 282}};

// Status rows: id, record version, main setting, related settings. Every row is enabled except 37 and 44;
// the handlers are filled in by the status items.
struct StatusSeed {
  DWORD id, version, setting;
  WORD related[8];
};
constexpr StatusSeed kStatusSeeds[] = {
    {1, 1, 0, {}},
    {2, 1, 13, {13}},
    {3, 1, 54, {54}},
    {4, 1, 53, {53}},
    {5, 1, 15, {15}},
    {6, 1, 7, {7}},
    {7, 2, 8, {8, 10, 9}},
    {8, 3, 46, {46}},
    {9, 1, 12, {12}},
    {10, 3, 209, {209, 202, 207, 208, 204, 206, 205, 953}},
    {11, 2, 55, {55, 87, 89, 90}},
    {12, 1, 65, {65, 124, 125}},
    {13, 1, 64, {64, 122, 123}},
    {14, 2, 56, {56, 91, 92}},
    {15, 1, 58, {58, 94}},
    {16, 3, 117, {}},
    {17, 1, 60, {60, 118}},
    {18, 1, 67, {67, 95}},
    {19, 2, 61, {61, 119, 388, 411}},
    {20, 1, 63, {63, 121}},
    {21, 1, 62, {62, 120}},
    {22, 1, 183, {183}},
    {23, 1, 184, {184}},
    {24, 1, 187, {187}},
    {25, 1, 201, {201}},
    {26, 1, 202, {202}},
    {27, 1, 173, {173}},
    {28, 3, 194, {194, 602, 679, 680}},
    {29, 1, 215, {215}},
    {30, 1, 212, {212}},
    {31, 1, 211, {211}},
    {32, 1, 213, {213}},
    {33, 1, 217, {217}},
    {34, 1, 38, {38, 152}},
    {35, 1, 144, {144, 145, 146, 147}},
    {36, 1, 0, {}},
    {37, 1, 0, {}},
    {38, 1, 128, {128}},
    {39, 1, 134, {134}},
    {40, 1, 138, {138}},
    {41, 1, 139, {139}},
    {42, 1, 140, {140}},
    {43, 1, 141, {141, 142, 143}},
    {44, 1, 0, {}},
    {45, 1, 383, {383}},
    {46, 1, 163, {163}},
    {47, 2, 100, {100, 101, 102, 108, 110, 112, 103, 114}},
    {48, 1, 193, {193}},
    {49, 1, 174, {174}},
    {50, 1, 0, {}},
    {51, 1, 78, {78, 511}},
    {52, 1, 530, {530}},
    {53, 1, 531, {531}},
    {54, 1, 10354, {10354, 10355}},
    {55, 1, 79, {79}},
    {56, 2, 37, {37}},
    {57, 1, 601, {601}},
    {58, 1, 386, {386, 403}},
    {59, 1, 10354, {10354, 10355, 1112, 1113}},
    {60, 1, 10354, {10354, 10355, 1114}},
    {61, 1, 227, {227}},
    {62, 1, 197, {197, 195}},
    {63, 1, 0, {}},
    {64, 1, 66, {66, 126, 127}},
    {65, 1, 70, {70, 410, 408}},
    {66, 1, 0, {404, 405, 406, 407, 409}},
    {67, 2, 69, {69, 997, 998, 999, 1005, 1006, 1007, 1008}},
    {68, 1, 537, {537, 690}},
    {69, 1, 80, {80}},
    {70, 1, 81, {81, 82}},
    {71, 1, 691, {691, 692}},
    {72, 1, 393, {393}},
    {73, 1, 539, {539}},
    {74, 1, 394, {394}},
    {75, 1, 10358, {10358}},
    {76, 1, 218, {218}},
    {77, 1, 219, {219}},
    {78, 1, 220, {220}},
    {79, 1, 543, {543, 544, 545, 693, 694, 695, 696}},
    {257, 1, 129, {129}},
    {258, 1, 176, {}},
    {259, 1, 177, {}},
    {260, 1, 178, {}},
    {261, 1, 179, {}},
    {262, 1, 0, {176, 177, 178, 179}},
    {263, 1, 154, {154}},
    {264, 1, 68, {68, 200}},
    {265, 1, 130, {130}},
    {266, 1, 131, {131}},
    {267, 1, 132, {132}},
    {268, 1, 196, {196}},
    {269, 1, 133, {133}},
};
static_assert(std::size(kStatusSeeds) == API_STATUS_LOW_ROWS + API_STATUS_HIGH_ROWS);

// Capability rows whose availability guard names a setting.
struct CapsSetting {
  DWORD id;
  DWORD setting;
};
constexpr CapsSetting kCapsSettings[] = {
    {8, 15},    {55, 144},  {61, 134},  {64, 140},  {262, 140}, {263, 140}, {65, 141},  {264, 141},
    {265, 141}, {70, 163},  {72, 193},  {75, 78},   {76, 388},  {77, 1081}, {78, 1098}, {79, 103},
    {80, 530},  {81, 531},  {82, 10354}, {84, 79},  {85, 37},   {101, 679}, {102, 680}, {126, 543},
    {266, 177}, {267, 177}, {268, 178}, {269, 178}, {276, 130}, {277, 131}, {278, 132}, {279, 132},
    {280, 196}, {281, 133}, {282, 133}};

// Capability handlers by id range (a disabled row keeps none).
struct CapsHandler {
  DWORD first, last;
  API_CAPS_HANDLER handler;
};
constexpr CapsHandler kCapsHandlers[] = {{1, 57, ApiCapsBase},         {34, 34, ApiCapsShiftMargin},
                                         {60, 127, ApiCapsExtended},   {257, 282, ApiCapsExtended},
                                         {API_CAPS_EXTRA_ID, API_CAPS_EXTRA_ID, ApiCapsExtended}};

struct Tables {
  API_ROW statusLow[API_STATUS_LOW_ROWS];
  API_ROW statusHigh[API_STATUS_HIGH_ROWS];
  API_ROW capsLow[API_CAPS_LOW_ROWS];
  API_ROW capsHigh[API_CAPS_HIGH_ROWS];
  API_ROW capsExtra[1];

  Tables() : statusLow(), statusHigh(), capsLow(), capsHigh(), capsExtra() {
    for (const StatusSeed& s : kStatusSeeds) {
      API_ROW& r = s.id >= 257 ? statusHigh[s.id - 257] : statusLow[s.id - 1];
      r.id = s.id;
      r.enabled = (s.id == 37 || s.id == 44) ? 0 : 1;
      r.recordVersion = s.version;
      r.setting = s.setting;
      std::memcpy(r.related, s.related, sizeof(r.related));
    }
    auto caps = [this](DWORD id) -> API_ROW* {
      if (id >= 1 && id <= API_CAPS_LOW_ROWS) return &capsLow[id - 1];
      if (id >= 257 && id < 257 + API_CAPS_HIGH_ROWS) return &capsHigh[id - 257];
      return id == API_CAPS_EXTRA_ID ? &capsExtra[0] : nullptr;
    };
    for (DWORD id = 1; id <= API_CAPS_LOW_ROWS; ++id) *caps(id) = API_ROW{id, id != 58 && id != 59 && id != 68, 1};
    for (DWORD id = 257; id < 257 + API_CAPS_HIGH_ROWS; ++id) *caps(id) = API_ROW{id, 1, 1};
    capsExtra[0] = API_ROW{API_CAPS_EXTRA_ID, 1, 1};
    for (const CapsSetting& c : kCapsSettings) caps(c.id)->setting = c.setting;
    for (const CapsHandler& h : kCapsHandlers)
      for (DWORD id = h.first; id <= h.last; ++id)
        if (API_ROW* r = caps(id); r && r->enabled) r->caps = h.handler;
    int n = 0;
    const STATUS_HANDLER_ROW* handlers = ApiStatusHandlerRows(&n);
    for (int i = 0; i < n; ++i) {
      const STATUS_HANDLER_ROW& h = handlers[i];
      API_ROW& r = h.id >= 257 ? statusHigh[h.id - 257] : statusLow[h.id - 1];
      r.set = h.set;
      r.verify = h.verify;
      r.get = h.get;
    }
  }
};

Tables& GetTables() {
  static Tables tables;
  return tables;
}

int ClampVersion(int version) { return std::clamp(version, 0, API_LIMIT_ROWS - 1); }

// Id ranges of the model's masks, and the ids that depend on a model feature.
struct IdRange {
  DWORD first, last;
};
constexpr IdRange kModelCaps[] = {{1, 57}, {60, 67}, {69, 127}, {257, 272}, {274, 282}};
constexpr IdRange kModelStatus[] = {{1, 36}, {38, 43}, {45, 79}, {257, 262}, {264, 269}};
struct FeatureId {
  DWORD id;
  WORD feature;
};
constexpr FeatureId kCapsFeatures[] = {{80, 1}, {81, 1}, {82, 0}};
constexpr FeatureId kStatusFeatures[] = {{52, 1}, {53, 1}, {54, 0}};

constexpr STATUS_SWITCH_ROW kSwitchRows[] = {
    {11, 55, 0},  {12, 65, 3},  {13, 64, 2},  {14, 56, 0},   {15, 58, 0},  {17, 60, 0},
    {18, 67, 0},  {19, 61, 0},  {20, 63, 0},  {21, 62, 0},   {262, 176, 0}, {264, 68, 0},
    {51, 78, 0},  {55, 79, 0},  {58, 386, 0}, {79, 543, 0}};
static_assert(std::size(kSwitchRows) == 16);

}  // namespace

const API_ID_LIMIT* ApiGetStatusIdLimits() { return kStatusLimits; }
const API_ID_LIMIT* ApiGetCapsIdLimits() { return kCapsLimits; }

const STATUS_ROW* ApiFindStatusRowAt(int version, DWORD id) {
  const API_ID_LIMIT& lim = kStatusLimits[ClampVersion(version)];
  const Tables& t = GetTables();
  if (id >= 1 && id <= (DWORD)lim.low && id <= API_STATUS_LOW_ROWS) return &t.statusLow[id - 1];
  if (id >= 257 && id <= (DWORD)lim.high && id < 257 + API_STATUS_HIGH_ROWS) return &t.statusHigh[id - 257];
  return nullptr;
}

const CAPS_ROW* ApiFindCapsRowAt(int version, DWORD id) {
  if (id == 0) return nullptr;
  const API_ID_LIMIT& lim = kCapsLimits[ClampVersion(version)];
  const Tables& t = GetTables();
  if (id <= (DWORD)lim.low && id <= API_CAPS_LOW_ROWS) return &t.capsLow[id - 1];
  if (id >= 257 && id <= (DWORD)lim.high && id < 257 + API_CAPS_HIGH_ROWS) return &t.capsHigh[id - 257];
  return ApiFindExtraCapsRow(id);
}

API_ROW* ApiEditStatusRow(DWORD id) {
  Tables& t = GetTables();
  if (id >= 1 && id <= API_STATUS_LOW_ROWS) return &t.statusLow[id - 1];
  if (id >= 257 && id < 257 + API_STATUS_HIGH_ROWS) return &t.statusHigh[id - 257];
  return nullptr;
}

const CAPS_ROW* ApiFindExtraCapsRow(DWORD id) {
  const Tables& t = GetTables();
  return id == t.capsExtra[0].id ? &t.capsExtra[0] : nullptr;
}

void ApiModelItemMask(SETTING_CONTEXT* ctx, int kind, BYTE* mask) {
  std::memset(mask, 0, 64);
  const IdRange* ranges = kind == 0 ? kModelCaps : kModelStatus;
  size_t n = kind == 0 ? std::size(kModelCaps) : std::size(kModelStatus);
  for (size_t i = 0; i < n; ++i)
    for (DWORD id = ranges[i].first; id <= ranges[i].last; ++id) mask[(id - 1) / 8] |= (BYTE)(0x80 >> ((id - 1) % 8));
  const FeatureId* features = kind == 0 ? kCapsFeatures : kStatusFeatures;
  for (size_t i = 0; i < 3; ++i)
    if (!StgIsModelFeatureOn(ctx, features[i].feature, 0))
      mask[(features[i].id - 1) / 8] &= (BYTE)~(0x80 >> ((features[i].id - 1) % 8));
}

WORD ApiFindSwitchSetting(DWORD statusId, const STATUS_SWITCH_ROW** row) {
  for (const STATUS_SWITCH_ROW& r : kSwitchRows)
    if (r.statusId == statusId) {
      if (row) *row = &r;
      return r.switchSetting;
    }
  if (row) *row = nullptr;
  return 0;
}
