// Monitor-record conversion, both ways.
#include "statusdata/pminfo.h"

#include <cstring>
#include <iterator>

#include "kvplat/error.h"
#include "statusdata/infonode.h"

namespace {

constexpr DWORD kAbsent = 0xFFFFFFFFu;
constexpr DWORD kRoll = 0xFFFFFFFFu;

// Null and all-ones pointers mark a part the monitor did not fill.
bool Present(const void* p) { return p && uintptr_t(p) != ~uintptr_t(0); }

const PM_ARRAY* ArrayAt(const void* slot) {
  auto* a = static_cast<const PM_ARRAY*>(slot);
  if (!Present(a) || a->count == kAbsent) return nullptr;
  if (a->count && !Present(a->items)) return nullptr;
  return a;
}

template <typename Item>
const Item* ItemAt(const PM_ARRAY* a, DWORD i) {
  void* p = a->items[i];
  return Present(p) ? static_cast<const Item*>(p) : nullptr;
}

const CHAR* Text(const CHAR* p) { return Present(p) ? p : nullptr; }

const PAT_NAME_ROW kTrayNames[] = {
    {"Tray 1(Paper Roll 1)", 51}, {"Tray 2(Paper Roll 2)", 52}, {"Cut Paper Tray", 60}, {"Paper Bypass", 1},
    {nullptr, 0},
};
static_assert(std::size(kTrayNames) == 4 + 1);

const PAT_NAME_ROW kOutBinNames[] = {
    {"Upper Paper Exit", 29}, {"Lower Paper Exit", 30}, {"Rear Paper Exit", 30}, {"Paper Exit", 30},
    {nullptr, 255},
};
static_assert(std::size(kOutBinNames) == 4 + 1);

struct DeviceIdRow {
  DWORD id;
  WORD code;
};
constexpr DeviceIdRow kDeviceIds[] = {{971, 42}, {972, 116}, {973, 16}, {976, 126}, {981, 3}};
static_assert(std::size(kDeviceIds) == 5);

const PAT_NAME_ROW kEmulationNames[] = {
    {"VOKS", 1}, {"ZARN", 15}, {"Adobe PostScript 3", 2}, {"PCL5c", 18}, {"ZK-GL/2", 12}, {"ESC/P", 4},
    {"IBM5577", 7}, {"PC-PR201H", 3}, {"TIFF", 13}, {"PCL 5e Emulation", 16}, {"PCL 6 Emulation", 17},
    {"PCL XL Emulation", 17}, {"PCL 5c Emulation", 18},
    {nullptr, 0},
};
static_assert(std::size(kEmulationNames) == 13 + 1);

// No paper type or font name is known to this model.
const PAT_NAME_ROW kPaperTypeNames[] = {{nullptr, 0}};
const PAT_NAME_ROW kFontNames[] = {{nullptr, 0}};
const PAT_NAME_ROW kModelNames[] = {{nullptr, 255}};

struct BitsRow {
  DWORD bits;
  WORD code;
};
constexpr BitsRow kPaperTypeBits1[] = {
    {0x1, 1}, {0x2, 2}, {0x4, 5}, {0x8, 9}, {0x10, 10}, {0x20, 11}, {0x40, 12}, {0x80, 13},
    {0x100, 14}, {0x200, 15}, {0x400, 8}, {0x800, 3}, {0x1000, 6}, {0x2000, 18}, {0x4000, 19},
    {0x8000, 20}, {0x10000, 21}, {0x20000, 4}, {0x40000, 35}, {0x80000, 22}, {0x100000, 23},
    {0x200000, 24}, {0x400000, 25},
};
static_assert(std::size(kPaperTypeBits1) == 23);
constexpr BitsRow kPaperTypeBits2[] = {
    {0x2, 26}, {0x4, 27}, {0x8, 28}, {0x10, 29}, {0x20, 30}, {0x40, 31}, {0x80, 32}, {0x100, 33},
    {0x200, 34}, {0x400, 17}, {0x800, 7}, {0x1000, 36}, {0x2000, 37}, {0x4000, 38}, {0x8000, 39},
    {0x10000, 40}, {0x20000, 41}, {0x40000, 42}, {0x100000, 43}, {0x200000, 44}, {0x400000, 45},
};
static_assert(std::size(kPaperTypeBits2) == 21);

WORD BitsLookup(const BitsRow* rows, size_t n, DWORD bits) {
  for (size_t i = 0; i < n; ++i)
    if (rows[i].bits == bits) return rows[i].code;
  return 0;
}

struct DimensionRow {
  DWORD width;
  DWORD height;
  WORD code;
};
// Searched in order; the first row within 2 mm wins.
constexpr DimensionRow kDimensions[] = {
    {1189, 841, 90}, {841, 594, 91}, {594, 841, 88}, {594, 420, 72}, {420, 594, 86}, {420, 297, 5},
    {297, 420, 4}, {1030, 728, 92}, {728, 515, 93}, {515, 728, 89}, {515, 364, 73}, {364, 515, 87},
    {364, 257, 7}, {257, 364, 6}, {297, 210, 9}, {210, 297, 8}, {257, 182, 11}, {182, 257, 10},
    {210, 148, 13}, {148, 210, 12}, {148, 105, 17}, {105, 148, 16}, {182, 128, 15}, {128, 182, 14},
    {148, 100, 34}, {431, 279, 58}, {279, 431, 57}, {355, 215, 21}, {215, 355, 20}, {279, 215, 23},
    {215, 279, 22}, {215, 139, 27}, {139, 215, 26}, {266, 184, 25}, {184, 266, 24}, {330, 203, 60},
    {330, 215, 62}, {330, 209, 28}, {241, 104, 53}, {104, 241, 79}, {190, 98, 52}, {98, 190, 80},
    {229, 162, 31}, {162, 229, 81}, {162, 114, 33}, {114, 162, 82}, {220, 110, 32}, {110, 220, 83},
    {390, 267, 64}, {267, 195, 66}, {195, 267, 65}, {304, 228, 103}, {457, 304, 69}, {304, 457, 76},
    {609, 457, 104}, {457, 609, 105}, {863, 558, 106}, {558, 863, 107}, {914, 609, 108}, {609, 914, 109},
    {1066, 762, 110}, {1117, 863, 111}, {1219, 914, 112}, {148, 100, 34}, {148, 200, 71}, {200, 148, 70},
    {558, 431, 75}, {431, 558, 74},
    {kRoll, 841, 257}, {kRoll, 594, 258}, {kRoll, 420, 259}, {kRoll, 297, 260}, {kRoll, 210, 261},
    {kRoll, 728, 270}, {kRoll, 515, 271}, {kRoll, 364, 272}, {kRoll, 257, 273}, {kRoll, 215, 274},
    {kRoll, 228, 275}, {kRoll, 279, 276}, {kRoll, 304, 277}, {kRoll, 431, 278}, {kRoll, 457, 279},
    {kRoll, 558, 280}, {kRoll, 609, 281}, {kRoll, 762, 282}, {kRoll, 863, 283}, {kRoll, 914, 284},
};
static_assert(std::size(kDimensions) == 88);

// An item value meets a row value within 2; all ones (a roll, an unknown height) only exactly.
bool Near(DWORD item, DWORD row) {
  if (item == kAbsent || row == kAbsent) return item == row;
  return (item > row ? item - row : row - item) <= 2;
}

struct StatusBitRow {
  DWORD kindBits;
  DWORD wordBit;
  DWORD code;
  bool onlyWithoutAlternate;
};
constexpr StatusBitRow kStatusBits[] = {
    {0x1, 1u << 27, DWORD(-254), false},
    {0x1, 1u << 7, 10003, true},
    {0x1, 1u << 22, 10023, true},
};
static_assert(std::size(kStatusBits) == 3);

bool ClearList(PRN_INFO_EX* record, const char* key) { return PatClearPrnInfoList(record, key) != 0; }

// A new node of the type, appended to the keyed list; null when it cannot be allocated.
template <typename NodeT>
NodeT* AppendNew(PRN_INFO_EX* record, const char* key) {
  auto* node = reinterpret_cast<NodeT*>(PatNewListNode(sizeof(NodeT)));
  if (!node) return nullptr;
  PatAppendPrnInfoNode(record, key, &node->hdr);
  return node;
}

WORD TrayCode(const CHAR* name) {
  name = Text(name);
  return name ? WORD(PatLookupName(name, kTrayNames)) : 0;
}

WORD PaperTypeFromName(const CHAR* name) {
  name = Text(name);
  return name ? WORD(PatLookupName(name, kPaperTypeNames)) : 0;
}

}  // namespace

WORD PatPaperSizeFromDimensions(DWORD width, DWORD height, DWORD trayFlags) {
  if (trayFlags != kAbsent && (trayFlags & 0x100)) return 2;
  // A tray that cannot tell its length holds paper of no known size.
  if (height == kAbsent) return 41;
  for (const auto& row : kDimensions)
    if (Near(width, row.width) && Near(height, row.height)) return row.code;
  return 2;
}

WORD PatTrayLevelFromFlags(DWORD levelFlags) {
  if (levelFlags == kAbsent) return 100;
  if (levelFlags & ((1u << 1) | (1u << 4))) return 0;
  if (levelFlags & (1u << 8)) return 10;
  if (levelFlags & (1u << 9)) return 25;
  if (levelFlags & (1u << 10)) return 50;
  if (levelFlags & (1u << 11)) return 75;
  return 100;
}

// ---------------------------------------------------------------------------------------------
// Form 'd'

DWORD PatAddStatusBitCodes(PRN_INFO_EX* record, DWORD kind, DWORD word) {
  bool alternate = (kind & PAT_KIND_ALTERNATE) != 0;
  for (const auto& row : kStatusBits) {
    if (!(kind & row.kindBits) || !(word & row.wordBit)) continue;
    if (row.onlyWithoutAlternate && alternate) continue;
    if (!PatAddEngineStatus(record, row.code)) return ERROR_NOT_ENOUGH_MEMORY;
  }
  return 0;
}

DWORD PatPmStatusWord(const DWORD* word, PRN_INFO_EX* record, bool alternate) {
  if (!Present(word) || *word == kAbsent) return 0;
  DWORD w = *word;
  record->online = BYTE(w & 1);
  record->offline = BYTE(!(w & 1));
  record->noResponse = BYTE((w >> 27) & 1);
  record->printing = BYTE((w >> 22) & 1);
  return PatAddStatusBitCodes(record, PAT_KIND_D | (alternate ? PAT_KIND_ALTERNATE : 0), w);
}

DWORD PatPmEmulations(const PM_ARRAY* array, PRN_INFO_EX* record, WORD mainEmulation) {
  if (!array) return 0;
  ClearList(record, "pLoadedEmul");
  for (DWORD i = 0; i < array->count; ++i) {
    auto* item = ItemAt<PM_EMULATION_ITEM>(array, i);
    if (!item) continue;
    const CHAR* name = Text(item->name);
    const CHAR* version = Text(item->version);
    WORD code = name ? WORD(PatLookupName(name, kEmulationNames)) : 0;
    if (version && code == mainEmulation && !PatSetPrnInfoString(record, "pMainProgVersion", version))
      return ERROR_NOT_ENOUGH_MEMORY;
    if (version && code == 2 && !PatSetPrnInfoString(record, "pKPSVersion", version))
      return ERROR_NOT_ENOUGH_MEMORY;
    auto* node = AppendNew<EMULATION_NODE>(record, "pLoadedEmul");
    if (!node) return ERROR_NOT_ENOUGH_MEMORY;
    node->code = code;
    PatCopyText(node->version, sizeof node->version, version);
  }
  record->emulationState = 0;
  return 0;
}

DWORD PatPmFonts(const PM_ARRAY* array, PRN_INFO_EX* record) {
  if (!array) return 0;
  ClearList(record, "pLoadedFont");
  for (DWORD i = 0; i < array->count; ++i) {
    auto* item = ItemAt<PM_FONT_ITEM>(array, i);
    if (!item) continue;
    auto* node = AppendNew<FONT_NODE>(record, "pLoadedFont");
    if (!node) return ERROR_NOT_ENOUGH_MEMORY;
    const CHAR* name = Text(item->name);
    node->code = name ? WORD(PatLookupName(name, kFontNames)) : 0;
  }
  return 0;
}

DWORD PatPmEngineStatus(const PM_ARRAY* array, PRN_INFO_EX* record) {
  if (!array) return 0;
  record->error = 0;
  for (DWORD i = 0; i < array->count; ++i) {
    auto* item = ItemAt<PM_ENGINE_STATUS_ITEM>(array, i);
    if (!item) continue;
    auto* node = AppendNew<ENGINE_STATUS_NODE>(record, "pEngineStatus");
    if (!node) return ERROR_NOT_ENOUGH_MEMORY;
    node->code = WORD(item->code);
    node->fullCode = item->code;
    if (item->state == kAbsent || item->state == 3) record->error = 1;
    // The node holds 259 characters; a longer text is cut, never copied past the node.
    PatCopyText(node->text, sizeof node->text, Text(item->text));
  }
  return 0;
}

DWORD PatConvertPmInfoD(const PM_INFO* pm, DWORD flags, PRN_INFO_EX* record, WORD mainEmulation, bool alternate) {
  if (flags & 0x3) ClearList(record, "pEngineStatus");
  DWORD r = 0;
  if (flags & 0x1) r = PatPmStatusWord(static_cast<const DWORD*>(pm->slot0), record, alternate);
  if (!r && (flags & 0x4)) r = PatPmEmulations(ArrayAt(pm->slot16), record, mainEmulation);
  if (!r && (flags & 0x8)) r = PatPmFonts(ArrayAt(pm->slot8), record);
  if (!r && (flags & 0x2)) r = PatPmEngineStatus(ArrayAt(pm->slot48), record);
  return r;
}

// ---------------------------------------------------------------------------------------------
// Form 'h'

DWORD PatPmModelInfo(const PM_MODEL_INFO* info, PRN_INFO_EX* record) {
  if (!Present(info)) return 0;
  DWORD r = 0;
  bool stored = false;
  if (const CHAR* model = Text(info->modelName)) {
    stored = PatSetPrnInfoString(record, "pModelName", model) != 0;
    if (!stored) r = ERROR_NOT_ENOUGH_MEMORY;
  }
  record->modelCode = stored ? BYTE(PatLookupName(record->pModelName, kModelNames)) : 255;
  if (r) return r;
  if (const CHAR* version = Text(info->systemVersion))
    if (!PatSetPrnInfoString(record, "pSYSVersion", version)) return ERROR_NOT_ENOUGH_MEMORY;
  if (info->memoryBytes != kAbsent) record->memoryKB = info->memoryBytes >> 10;
  if (const CHAR* maker = Text(info->makerName))
    if (!PatSetPrnInfoString(record, "pMakerName", maker)) return ERROR_NOT_ENOUGH_MEMORY;
  // The description belongs to the device-identification text; it is dropped, and freed with it.
  PatSetPrnInfoString(record, "pDescription", nullptr);
  return 0;
}

namespace {

template <typename Tray>
DWORD AppendTray(const Tray* item, PRN_INFO_EX* record, WORD paperType, DWORD flags) {
  auto* node = AppendNew<TRAY_NODE>(record, "pTrayInfo");
  if (!node) return ERROR_INVALID_PARAMETER;
  node->trayCode = TrayCode(item->name);
  node->paperSize = PatPaperSizeFromDimensions(item->width, item->height, item->trayFlags);
  node->level = PatTrayLevelFromFlags(item->levelFlags);
  node->paperType = paperType;
  node->flags = flags;
  return 0;
}

}  // namespace

DWORD PatPmTraysA(const PM_ARRAY* array, PRN_INFO_EX* record) {
  if (!array) return 0;
  for (DWORD i = 0; i < array->count; ++i) {
    auto* item = ItemAt<PM_TRAY_A>(array, i);
    if (!item) continue;
    WORD type = item->paperTypeBits == kAbsent ? PaperTypeFromName(item->paperTypeName)
                                               : BitsLookup(kPaperTypeBits1, std::size(kPaperTypeBits1), item->paperTypeBits);
    DWORD r = AppendTray(item, record, type, item->trayFlags);
    if (r) return r;
  }
  return 0;
}

DWORD PatPmTraysB(const PM_ARRAY* array, PRN_INFO_EX* record) {
  if (!array) return 0;
  for (DWORD i = 0; i < array->count; ++i) {
    auto* item = ItemAt<PM_TRAY_B>(array, i);
    if (!item) continue;
    WORD type;
    if (item->paperTypeBits == kAbsent) {
      type = PaperTypeFromName(item->paperTypeName);
    } else if (!(item->paperTypeBits & 0x800000)) {
      type = BitsLookup(kPaperTypeBits1, std::size(kPaperTypeBits1), item->paperTypeBits);
    } else {
      const DWORD* ext = item->extendedTypeBits;
      type = Present(ext) ? BitsLookup(kPaperTypeBits2, std::size(kPaperTypeBits2), *ext) : 0;
    }
    DWORD flags = item->trayFlags == kAbsent ? kAbsent : (item->trayFlags & ~0x100u);
    DWORD r = AppendTray(item, record, type, flags);
    if (r) return r;
  }
  return 0;
}

DWORD PatPmOutBins(const PM_ARRAY* array, PRN_INFO_EX* record) {
  if (!array) return 0;
  ClearList(record, "pOutBinInfo");
  for (DWORD i = 0; i < array->count; ++i) {
    auto* item = ItemAt<PM_OUTBIN_ITEM>(array, i);
    if (!item) continue;
    auto* node = AppendNew<OUTBIN_NODE>(record, "pOutBinInfo");
    if (!node) return ERROR_NOT_ENOUGH_MEMORY;
    const CHAR* name = Text(item->name);
    node->binCode = name ? WORD(PatLookupName(name, kOutBinNames)) : WORD(OUTBIN_UNKNOWN);
    node->state = item->flags == kAbsent ? 0 : WORD(2 * (item->flags & 1));
  }
  record->outBinState = 255;
  return 0;
}

DWORD PatPmDevices(const PM_ARRAY* array, PRN_INFO_EX* record) {
  if (!array) return 0;
  ClearList(record, "pDeviceInfo");
  for (DWORD i = 0; i < array->count; ++i) {
    auto* item = ItemAt<PM_DEVICE_ITEM>(array, i);
    if (!item) continue;
    auto* node = AppendNew<DEVICE_NODE>(record, "pDeviceInfo");
    if (!node) return ERROR_NOT_ENOUGH_MEMORY;
    node->deviceCode = 0;
    for (const auto& row : kDeviceIds)
      if (row.id == item->id) node->deviceCode = row.code;
  }
  return 0;
}

DWORD PatConvertPmInfoH(const PM_INFO* pm, DWORD flags, PRN_INFO_EX* record) {
  DWORD r = 0;
  if (flags & 0x1) r = PatPmModelInfo(static_cast<const PM_MODEL_INFO*>(pm->slot0), record);
  if (r) return r;
  if (flags & (0x2 | 0x400)) ClearList(record, "pTrayInfo");
  if (flags & 0x2) {
    r = PatPmTraysB(ArrayAt(pm->slot8), record);
    if (r) return r;
    record->trayState = 0;
  }
  if (flags & 0x400) {
    r = PatPmTraysA(ArrayAt(pm->slot80), record);
    if (r) return r;
    record->trayState = 0;
  }
  if (flags & 0x4) r = PatPmOutBins(ArrayAt(pm->slot16), record);
  if (!r && (flags & 0x40)) r = PatPmDevices(ArrayAt(pm->slot48), record);
  return r;
}

DWORD PatConvertPmInfo(DWORD kind, const PM_INFO* pm, BYTE form, DWORD flags, PRN_INFO_EX* record) {
  WORD family = LOWORD(kind);
  if (!pm || (family != PAT_KIND_D && family != PAT_KIND_H) || !PatIsUsableRecord(record))
    return ERROR_INVALID_PARAMETER;
  if (family == PAT_KIND_D) {
    if (form != PAT_FORM_D) return ERROR_INVALID_PARAMETER;
    DWORD r = PatConvertPmInfoD(pm, flags, record, 1, (kind & PAT_KIND_ALTERNATE) != 0);
    if (r) return r;
    // A monitor that reports no engine status at all is looking at a ready printer.
    if ((flags & 0x2) && !record->pEngineStatus && !PatAddEngineStatus(record, 10001)) return ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  if (form != PAT_FORM_H) return ERROR_INVALID_PARAMETER;
  return PatConvertPmInfoH(pm, flags, record);
}

// ---------------------------------------------------------------------------------------------
// PRN_INFO

void PatFillPrnInfo(PRN_INFO_EX* record, PRN_INFO* d, DWORD flags) {
  std::memset(d, 0, sizeof *d);
  d->size = sizeof(PRN_INFO);
  if (flags & 0x2) {
    d->online = record->online;
    d->noResponse = record->noResponse;
    d->offline = record->offline;
    d->printing = record->printing;
  }
  if (flags & 0x400) {
    PatCopyText(d->modelName, sizeof d->modelName, record->pModelName);
    PatCopyText(d->makerName, sizeof d->makerName, record->pMakerName);
    PatCopyText(d->description, sizeof d->description, record->pDescription);
    d->modelCode = record->modelCode;
  }
  if (flags & 0x4) {
    PatCopyText(d->sysVersion, sizeof d->sysVersion, record->pSYSVersion);
    d->memoryKB = record->memoryKB;
  }
  if (flags & 0x8) {
    DWORD n = 0;
    for (LIST_NODE* l = record->pTrayInfo; l && n < std::size(d->traySizes); l = l->next, ++n) {
      auto* tray = reinterpret_cast<TRAY_NODE*>(l);
      d->traySizes[n] = {tray->trayCode, tray->paperSize};
      d->trayTypes[n] = {tray->trayCode, tray->paperType};
      // The level array holds 16 trays; the rest stay out of it rather than run into the bins.
      if (n < std::size(d->trayLevels)) d->trayLevels[n] = {tray->trayCode, tray->level};
    }
    d->trayCount = n;
    d->trayCount2 = n < std::size(d->trayLevels) ? n : DWORD(std::size(d->trayLevels));
    d->trayState = record->trayState;
  }
  if (flags & 0x10) {
    DWORD n = 0;
    for (LIST_NODE* l = record->pOutBinInfo; l && n < std::size(d->outBins); l = l->next, ++n) {
      auto* bin = reinterpret_cast<OUTBIN_NODE*>(l);
      d->outBins[n] = {bin->binCode, bin->state};
    }
    d->outBinCount = n;
    d->outBinState = record->outBinState;
  }
  if (flags & 0x100) {
    DWORD n = 0;
    for (LIST_NODE* l = record->pLoadedEmul; l && n < std::size(d->emulationCodes); l = l->next, ++n)
      d->emulationCodes[n] = reinterpret_cast<EMULATION_NODE*>(l)->code;
    d->emulationCount = n;
    d->emulationState = record->emulationState;
    PatCopyText(d->kpsVersion, sizeof d->kpsVersion, record->pKPSVersion);
    PatCopyText(d->mainProgVersion, sizeof d->mainProgVersion, record->pMainProgVersion);
  }
  if (flags & 0x200) {
    DWORD n = 0;
    for (LIST_NODE* l = record->pLoadedFont; l && n < std::size(d->fontCodes); l = l->next, ++n)
      d->fontCodes[n] = reinterpret_cast<FONT_NODE*>(l)->code;
    d->fontCount = n;
  }
  if (flags & 0x80000) {
    if (record->cEngineStatus == 1) {
      if (record->pEngineStatus) d->statusCode = reinterpret_cast<ENGINE_STATUS_NODE*>(record->pEngineStatus)->fullCode;
      d->engineCount = 1;
    } else {
      DWORD n = 0, sum = 0;
      for (LIST_NODE* l = record->pEngineStatus; l && n < std::size(d->engineCodes); l = l->next, ++n) {
        DWORD code = reinterpret_cast<ENGINE_STATUS_NODE*>(l)->fullCode;
        d->engineCodes[n] = code;
        sum += code;
      }
      d->engineCount = n;
      d->statusCode = 107 + 65536 * (sum & 0xFFFF);
    }
    d->error = record->error;
  }
  if ((flags & 0x20000) && PatHasDevice(record, 1)) d->hasDevice1 = 1;
  if (PatHasDevice(record, DEVICE_DISK)) d->hasDisk = 65539;
}

DWORD PatConvertPrnInfoEx(PRN_INFO_EX* record, PRN_INFO* destination, DWORD flags) {
  if (!destination || !PatIsUsableRecord(record)) return ERROR_INVALID_PARAMETER;
  PatFillPrnInfo(record, destination, flags);
  return 0;
}
