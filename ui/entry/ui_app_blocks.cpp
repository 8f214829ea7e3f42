// The application request block and the capability block of the private DEVMODE.
#include "ui_app_blocks.h"

#include <cstring>
#include <vector>

#include "config/device_settings.h"
#include "driverdata/img_caps.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_lists.h"
#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/paper_geometry.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "ui_device_query.h"
#include "ui_intake.h"
#include "ui_workers.h"

constexpr WORD APP_REQUEST_KEYS[UI_APP_REQUEST_KEY_COUNT + 1] = {
    sid::rdmJobBinder,        sid::rdmDstResolutionW,  sid::rdmOutPaperSize,    sid::rdmOutputTrayID,
    sid::rdmFuncSelectScale,  sid::rdmFuncSelectNup,   sid::rdmFuncSelectDuplex, sid::rdmFuncSelectSort,
    sid::rdmFuncSelectPunch,  sid::rdmFuncSelectStaple, sid::rdmScaleType,      sid::rdmScaleH,
    sid::rdmNUPPOSTKind,      sid::rdmNUPType,         sid::rdmDuplexType,      sid::rdmSortType,
    sid::rdmPunchType,        sid::rdmStapleType,      sid::rdmExtPrintArea,    UI_APP_REQUEST_KEYS_END};

namespace {
constexpr WORD kNo = UI_NO_FINISHER_TRAY;
}  // namespace

constexpr FINISHER_TRAY_ROW FINISHER_TRAY_TABLE[UI_FINISHER_TRAY_ROWS + 1] = {
    {10049, kNo, 5},  {10050, kNo, 7},  {10058, 31, 32},  {10059, 33, 34},  {10060, kNo, 36}, {10061, 37, 38},
    {10074, 31, 32},  {10075, 31, 32},  {10076, 31, 32},  {10077, 31, 32},  {10078, 6, 7},    {10079, 6, 7},
    {10080, 6, 7},    {10081, 6, 7},    {10082, 39, 40},  {10083, 42, 43},  {10084, 44, 45},  {10086, 39, 40},
    {10087, 39, 40},  {10088, 39, 40},  {10089, 39, 40},  {10090, 42, 43},  {10091, 42, 43},  {10092, 42, 43},
    {10093, 42, 43},  {10094, 44, 45},  {10095, 44, 45},  {10096, 44, 45},  {10097, 44, 45},  {10098, kNo, 33},
    {10099, kNo, 33}, {10100, kNo, 33}, {10101, kNo, 33}, {10102, kNo, 33}, {10103, kNo, 33}, {0xFFFF, 0, 0}};

namespace {

constexpr bool KeysAreUniqueAndEnded() {
  for (int i = 0; i < UI_APP_REQUEST_KEY_COUNT; ++i)
    for (int j = i + 1; j < UI_APP_REQUEST_KEY_COUNT; ++j)
      if (APP_REQUEST_KEYS[i] == APP_REQUEST_KEYS[j]) return false;
  return APP_REQUEST_KEYS[UI_APP_REQUEST_KEY_COUNT] == UI_APP_REQUEST_KEYS_END;
}
static_assert(KeysAreUniqueAndEnded());

constexpr bool FinisherRowsAscendAndEnd() {
  for (int i = 1; i < UI_FINISHER_TRAY_ROWS; ++i)
    if (FINISHER_TRAY_TABLE[i].setting <= FINISHER_TRAY_TABLE[i - 1].setting) return false;
  const FINISHER_TRAY_ROW& end = FINISHER_TRAY_TABLE[UI_FINISHER_TRAY_ROWS];
  return end.setting == 0xFFFF && end.trayA == 0 && end.trayB == 0;
}
static_assert(FinisherRowsAscendAndEnd());

constexpr uint64_t kUnknown = 0xFFFFFFFFu;  // stored in the setting's own width

// A request code and the setting value it stands for.
struct CodeValue {
  BYTE code;
  uint16_t value;
};

// One field of the request block that switches a function on or off and names its type: code 0 leaves
// it, code 1 switches it off, any other switches it on with the mapped type (-1 for a code not mapped).
struct SwitchedField {
  size_t byte;
  WORD select;
  WORD type;
  const CodeValue* map;
  size_t mapSize;
};

// One field that only names a value: code 0 leaves it, a code not mapped stores -1.
struct ValueField {
  size_t byte;
  WORD setting;
  const CodeValue* map;
  size_t mapSize;
};

constexpr CodeValue kDuplex[] = {{2, 1}, {3, 2}, {4, 3}};
constexpr CodeValue kSort[] = {{2, 1}, {3, 4}, {4, 6}};
constexpr CodeValue kPunch[] = {{2, 1}, {3, 2}, {4, 3}};
constexpr CodeValue kStaple[] = {{2, 34}, {3, 33}, {4, 50},  {5, 49},  {6, 50},  {7, 49},
                                 {8, 65}, {9, 67}, {10, 66}, {11, 50}, {12, 49}};
// Tray codes 14 and 15 name the trays of the installed finisher (FinisherTray).
constexpr CodeValue kTray[] = {{1, 0},   {2, 2},   {3, 13},  {4, 4},   {5, 15},  {6, 16},  {7, 17}, {8, 18},
                               {9, 19},  {10, 20}, {11, 21}, {12, 22}, {13, 23}, {16, 14}, {17, 1}};
constexpr CodeValue kResolution[] = {{1, 400}, {2, 600}, {3, 1200}};
constexpr CodeValue kPrintArea[] = {{1, 0}, {2, 1}};
constexpr CodeValue kOutputPaper[] = {{1, 8},  {2, 9},  {3, 11},   {4, 70},   {5, 12},  {6, 13},
                                      {7, 88}, {8, 1},  {9, 5},    {10, 43},  {11, 6},  {12, 3},
                                      {13, 267}, {14, 268}, {15, 66}, {18, 269}};
constexpr BYTE kTrayFinisherB = 14, kTrayFinisherA = 15;

#define UI_MAP(m) m, sizeof(m) / sizeof((m)[0])
constexpr SwitchedField kDuplexField{offsetof(APP_REQUEST_BLOCK, duplex), sid::rdmFuncSelectDuplex,
                                     sid::rdmDuplexType, UI_MAP(kDuplex)};
constexpr SwitchedField kSortField{offsetof(APP_REQUEST_BLOCK, sort), sid::rdmFuncSelectSort, sid::rdmSortType,
                                   UI_MAP(kSort)};
constexpr SwitchedField kPunchField{offsetof(APP_REQUEST_BLOCK, punch), sid::rdmFuncSelectPunch,
                                    sid::rdmPunchType, UI_MAP(kPunch)};
constexpr SwitchedField kStapleField{offsetof(APP_REQUEST_BLOCK, staple), sid::rdmFuncSelectStaple,
                                     sid::rdmStapleType, UI_MAP(kStaple)};
constexpr ValueField kResolutionField{offsetof(APP_REQUEST_BLOCK, resolution), sid::rdmDstResolutionW,
                                      UI_MAP(kResolution)};
constexpr ValueField kPrintAreaField{offsetof(APP_REQUEST_BLOCK, printArea), sid::rdmExtPrintArea,
                                     UI_MAP(kPrintArea)};
constexpr ValueField kOutputPaperField{offsetof(APP_REQUEST_BLOCK, outputPaper), sid::rdmOutPaperSize,
                                       UI_MAP(kOutputPaper)};

// The sizes above 16384 that stand for the fixed steps of the scale list.
constexpr WORD kScaleSteps[] = {67, 70, 75, 80, 88, 100, 115};
constexpr WORD kScaleStepBase = 16385;

uint64_t Lookup(const CodeValue* map, size_t n, BYTE code) {
  for (size_t i = 0; i < n; ++i)
    if (map[i].code == code) return map[i].value;
  return kUnknown;
}

DWORD ApplySwitched(SETTING_CONTEXT* ctx, const APP_REQUEST_BLOCK& block, const SwitchedField& f) {
  BYTE code = reinterpret_cast<const BYTE*>(&block)[f.byte];
  if (code == 0) return 0;
  if (code == 1) return UiSetRequestKey(ctx, f.select, 0);
  DWORD mask = UiSetRequestKey(ctx, f.select, 1);
  return mask | UiSetRequestKey(ctx, f.type, Lookup(f.map, f.mapSize, code));
}

DWORD ApplyValue(SETTING_CONTEXT* ctx, const APP_REQUEST_BLOCK& block, const ValueField& f) {
  BYTE code = reinterpret_cast<const BYTE*>(&block)[f.byte];
  if (code == 0) return 0;
  return UiSetRequestKey(ctx, f.setting, Lookup(f.map, f.mapSize, code));
}

DWORD ApplyTray(SETTING_CONTEXT* ctx, BYTE code) {
  if (code == 0) return 0;
  uint64_t tray;
  if (code == kTrayFinisherB || code == kTrayFinisherA) {
    // With no finisher installed the end row answers tray 0.
    const FINISHER_TRAY_ROW* row = UiFindInstalledFinisher(ctx);
    tray = code == kTrayFinisherB ? row->trayB : row->trayA;
  } else {
    tray = Lookup(UI_MAP(kTray), code);
  }
  return UiSetRequestKey(ctx, sid::rdmOutputTrayID, tray);
}

DWORD ApplyScale(SETTING_CONTEXT* ctx, WORD scale) {
  if (scale == 0) return 0;
  uint64_t percent = scale;
  constexpr size_t kSteps = sizeof kScaleSteps / sizeof kScaleSteps[0];
  if (scale >= kScaleStepBase && size_t(scale - kScaleStepBase) < kSteps) percent = kScaleSteps[scale - kScaleStepBase];
  DWORD mask = UiSetRequestKey(ctx, sid::rdmFuncSelectScale, 1);
  mask |= UiSetRequestKey(ctx, sid::rdmScaleType, 1);
  return mask | UiSetRequestKey(ctx, sid::rdmScaleH, percent);
}

DWORD ApplyNup(SETTING_CONTEXT* ctx, BYTE code) {
  if (code == 0) return 0;
  if (code == 1) return UiSetRequestKey(ctx, sid::rdmFuncSelectNup, 0);
  uint64_t kind = kUnknown, type = kUnknown;
  switch (code) {
    case 2:
      kind = 1;
      type = StgGetValue(ctx, sid::dmOrientation, nullptr) == DMORIENT_PORTRAIT ? 1 : 3;
      break;
    case 3: kind = 1; type = 2; break;
    case 4: kind = 2; type = 33; break;
    case 5: kind = 2; type = 34; break;
    case 6: kind = 2; type = 37; break;
    case 7: kind = 2; type = 38; break;
    default: break;
  }
  DWORD mask = UiSetRequestKey(ctx, sid::rdmFuncSelectNup, 1);
  mask |= UiSetRequestKey(ctx, sid::rdmNUPPOSTKind, kind);
  return mask | UiSetRequestKey(ctx, sid::rdmNUPType, type);
}

// Bytes 2 to 13 of the block on the context's settings; the mask of the settings touched.
DWORD ApplyFields(SETTING_CONTEXT* ctx, const APP_REQUEST_BLOCK& block) {
  DWORD mask = UiSetRequestKey(ctx, sid::rdmJobBinder, 0);
  mask |= ApplySwitched(ctx, block, kDuplexField);
  mask |= ApplySwitched(ctx, block, kSortField);
  // Collation follows sorting whatever the sort byte holds.
  StgSetValue(ctx, sid::dmCollate, StgGetValue(ctx, sid::rdmFuncSelectSort, nullptr) ? 1 : 0);
  mask |= ApplySwitched(ctx, block, kPunchField);
  mask |= ApplySwitched(ctx, block, kStapleField);
  mask |= ApplyTray(ctx, block.outputTray);
  mask |= ApplyValue(ctx, block, kResolutionField);
  mask |= ApplyValue(ctx, block, kPrintAreaField);
  mask |= ApplyScale(ctx, block.scale);
  mask |= ApplyNup(ctx, block.nup);
  mask |= ApplyValue(ctx, block, kOutputPaperField);
  return mask;
}

void CopyStoreOut(SETTING_CONTEXT* ctx, DEVMODEW* dm) { std::memcpy(dm, StgGetDevmode(ctx), STG_DEVMODE_SIZE); }

// ---- The capability block.

// A setting value and the bit of the capability block that stands for it.
struct CapsBit {
  DWORD value;
  BYTE byte;
  BYTE bit;
};

constexpr CapsBit kSortBits[] = {{1, UI_CAPS_SORT, 0x01}, {4, UI_CAPS_SORT, 0x02}, {6, UI_CAPS_SORT, 0x04}};
constexpr CapsBit kPunchBits[] = {{1, UI_CAPS_PUNCH, 0x01}, {2, UI_CAPS_PUNCH, 0x02}, {3, UI_CAPS_PUNCH, 0x04}};
constexpr CapsBit kStapleBits[] = {{34, 5, 0x01}, {33, 5, 0x02}, {18, 5, 0x04}, {17, 5, 0x08}, {2, 5, 0x10},
                                   {1, 5, 0x20},  {65, 5, 0x40}, {67, 5, 0x80}, {66, 6, 0x01}, {50, 6, 0x02},
                                   {49, 6, 0x04}};
constexpr CapsBit kTrayBits[] = {{0, 7, 0x01},  {2, 7, 0x02},  {13, 7, 0x04}, {4, 7, 0x08},  {15, 7, 0x10},
                                 {16, 7, 0x20}, {17, 7, 0x40}, {18, 7, 0x80}, {19, 8, 0x01}, {20, 8, 0x02},
                                 {21, 8, 0x04}, {22, 8, 0x08}, {23, 8, 0x10}, {14, 8, 0x80}};
constexpr CapsBit kResolutionBits[] = {{400, UI_CAPS_RESOLUTIONS, 0x01}, {600, UI_CAPS_RESOLUTIONS, 0x02},
                                       {1200, UI_CAPS_RESOLUTIONS, 0x04}};
constexpr CapsBit kPaperBits[] = {{8, 13, 0x01},   {9, 13, 0x02},   {11, 13, 0x04}, {70, 13, 0x08}, {12, 13, 0x10},
                                  {13, 13, 0x20},  {88, 13, 0x40},  {1, 13, 0x80},  {5, 14, 0x01},  {43, 14, 0x02},
                                  {6, 14, 0x04},   {3, 14, 0x08},   {267, 14, 0x10}, {268, 14, 0x20}, {66, 14, 0x40},
                                  {269, 15, 0x02}};

// Sets the bit of the value; false when the table has none for it.
bool SetBit(APP_CAPS_BLOCK& caps, const CapsBit* bits, size_t n, DWORD value) {
  for (size_t i = 0; i < n; ++i)
    if (bits[i].value == value) {
      caps.bytes[bits[i].byte] |= bits[i].bit;
      return true;
    }
  return false;
}

// The selectable values of a setting into their bits: false when their buffer cannot be had.
bool AddSelectable(SETTING_CONTEXT* ctx, APP_CAPS_BLOCK& caps, WORD id, const CapsBit* bits, size_t n) {
  DWORD count = 0;
  int r = RuleGetSelectableValues(ctx, id, 0, nullptr, &count);
  if (r < 0) return false;
  if (count == 0) return true;  // nothing selectable contributes nothing
  DWORD* values = static_cast<DWORD*>(StgAllocZero(count * sizeof(DWORD)));
  if (!values) return false;
  r = RuleGetSelectableValues(ctx, id, count, values, &count);
  if (r == 0)
    for (DWORD i = 0; i < count; ++i) SetBit(caps, bits, n, values[i]);
  StgFree(values);
  return r >= 0;
}

bool AddTrays(SETTING_CONTEXT* ctx, APP_CAPS_BLOCK& caps) {
  caps.bytes[UI_CAPS_TRAYS] = 0x02;
  int n = UiListOutputTrays(ctx, nullptr, 0);
  if (n <= 0) return true;
  WORD* trays = static_cast<WORD*>(StgAllocZero(DWORD(n) * sizeof(WORD)));
  if (!trays) return false;
  n = UiListOutputTrays(ctx, trays, n);
  for (int i = 0; i < n; ++i) {
    if (SetBit(caps, UI_MAP(kTrayBits), trays[i])) continue;
    if (UiIsFinisherTray(trays[i], ' ')) caps.bytes[UI_CAPS_TRAYS + 1] |= UI_CAPS_FINISHER_TRAY_B;
    else if (UiIsFinisherTray(trays[i], 'A')) caps.bytes[UI_CAPS_TRAYS + 1] |= UI_CAPS_FINISHER_TRAY_A;
  }
  StgFree(trays);
  return true;
}

bool AddResolutions(SETTING_CONTEXT* ctx, APP_CAPS_BLOCK& caps) {
  int n = ImgListResolutions(ctx, nullptr, 0, 0);
  if (n <= 0) return true;
  LONG* pairs = static_cast<LONG*>(StgAllocZero(DWORD(n) * 2 * sizeof(LONG)));
  if (!pairs) return false;
  n = ImgListResolutions(ctx, pairs, 0, n);
  for (int i = 0; i < n; ++i)
    if (pairs[2 * i] == pairs[2 * i + 1]) SetBit(caps, UI_MAP(kResolutionBits), DWORD(pairs[2 * i]));
  StgFree(pairs);
  return true;
}

}  // namespace

DWORD UiSetRequestKey(SETTING_CONTEXT* ctx, WORD id, uint64_t value) {
  for (int n = 0; APP_REQUEST_KEYS[n] != UI_APP_REQUEST_KEYS_END; ++n)
    if (APP_REQUEST_KEYS[n] == id) {
      StgSetValue(ctx, id, value);
      return DWORD(1) << n;
    }
  return 0;
}

void UiRunRequestTransacts(SETTING_CONTEXT* ctx, DWORD mask) {
  for (int n = 0; APP_REQUEST_KEYS[n] != UI_APP_REQUEST_KEYS_END; ++n) {
    if (!(mask & (DWORD(1) << n))) continue;
    if (IMG_REF node = ImgFindActiveNode(ctx, APP_REQUEST_KEYS[n])) RuleRunNodeTransact(ctx, node);
  }
}

int UiListOutputTrays(SETTING_CONTEXT* ctx, WORD* dst, int capacity) {
  if (!dst) return ImgCollectAllowedCodes(ctx, nullptr, sid::rdmOutputTrayID, 0);
  if (capacity <= 0) return -1;
  std::vector<DWORD> codes(size_t(capacity), 0);
  int n = ImgCollectAllowedCodes(ctx, codes.data(), sid::rdmOutputTrayID, capacity);
  for (int i = 0; i < n; ++i) dst[i] = WORD(codes[size_t(i)]);
  return n;
}

const FINISHER_TRAY_ROW* UiFindInstalledFinisher(SETTING_CONTEXT* ctx) {
  const FINISHER_TRAY_ROW* row = FINISHER_TRAY_TABLE;
  for (; row->setting != 0xFFFF; ++row)
    if (StgGetValue(ctx, row->setting, nullptr) != 0) break;
  return row;
}

int UiIsFinisherTray(WORD tray, char selector) {
  for (const FINISHER_TRAY_ROW* row = FINISHER_TRAY_TABLE; row->setting != 0xFFFF; ++row)
    if ((selector == ' ' ? row->trayB : row->trayA) == tray) return 1;
  return 0;
}

int UiApplyAppRequest(SETTING_CONTEXT* ctx, DEVMODEW* dm) {
  if (!ctx || !ctx->store || !dm) return 1;
  APP_REQUEST_BLOCK block;
  std::memcpy(&block, reinterpret_cast<const BYTE*>(dm) + UI_APP_REQUEST_OFFSET, sizeof block);
  if (block.marker != UI_APP_REQUEST_VALID) return 1;
  if (ctx->work) ctx->work->mergeMode |= UI_INTAKE_APP_REQUEST;

  switch (block.request) {
    case UI_APP_REQUEST_RESET:
      StgInitStoreDefaults(ctx);
      CopyStoreOut(ctx, dm);
      return 1;
    case UI_APP_REQUEST_RESET_QUERY:
      StgInitStoreDefaults(ctx);
      CfgLoadDeviceSettings(ctx->printer, 2, ctx);
      CopyStoreOut(ctx, dm);
      [[fallthrough]];
    case UI_APP_REQUEST_QUERY:
      if (!UiBidiQueryNoWait(ctx)) return 0;
      CopyStoreOut(ctx, dm);
      return 1;
    default: break;
  }

  DEVMODEW* store = StgGetDevmode(ctx);
  BYTE* kept = static_cast<BYTE*>(StgAllocZero(STG_DEVMODE_SIZE));
  if (!kept) return 0;
  std::memcpy(kept, store, STG_DEVMODE_SIZE);
  std::memcpy(store, dm, STG_DEVMODE_SIZE);
  DWORD mask = ApplyFields(ctx, block);
  UiRunRequestTransacts(ctx, mask);
  StgSyncResolutionFromDst(store, ctx);
  RuleSetDevmodeDuplex(store, ctx);
  CopyStoreOut(ctx, dm);
  std::memcpy(store, kept, STG_DEVMODE_SIZE);
  StgFree(kept);
  return 1;
}

int UiBuildAppCapsBlock(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  APP_CAPS_BLOCK caps{};
  caps.bytes[UI_CAPS_DUPLEX] = ImgHasDuplexUnit(ctx) ? 7 : 0;
  if (!AddSelectable(ctx, caps, sid::rdmSortType, UI_MAP(kSortBits))) return 0;
  if (!AddSelectable(ctx, caps, sid::rdmPunchType, UI_MAP(kPunchBits))) return 0;
  if (!AddSelectable(ctx, caps, sid::rdmStapleType, UI_MAP(kStapleBits))) return 0;
  caps.bytes[3] = 3;
  if (!AddTrays(ctx, caps)) return 0;
  if (!AddResolutions(ctx, caps)) return 0;
  caps.bytes[11] = 1;
  caps.bytes[12] = 63;
  if (!AddSelectable(ctx, caps, sid::rdmOutPaperSize, UI_MAP(kPaperBits))) return 0;
  caps.bytes[16] = 0;
  caps.bytes[17] = 1;
  StgSetValue(ctx, sid::rdmKcomCaps, reinterpret_cast<uintptr_t>(caps.bytes));
  StgSetValue(ctx, sid::rdmKcomMember, 0);
  return 1;
}
