// Custom paper slots: code and setting tables, the slots' INI sections, loading, saving, publishing,
// selecting and storing, the built-in slots and the unit conversions.
#include "config/free_size.h"

#include <cstring>
#include <string>

#include "config/driver_lists.h"
#include "config/resource_strings.h"
#include "config/settings_file.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/library_hooks.h"
#include "settings/context.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"

namespace {

constexpr FREE_SIZE_CODE_ROW kCodes[CFG_FREE_SIZE_SLOTS] = {
    {0, 384}, {1, 385}, {2, 386}, {3, 387}, {4, 388},  {5, 389},
    {6, 390}, {7, 391}, {8, 392}, {9, 393}, {10, 256}, {11, 448},
};

constexpr FREE_SIZE_ID_ROW MakeIdRow(int slot) {
  WORD base = (WORD)(sid::wdmFreeSize1Width + 4 * slot);
  return {base, (WORD)(base + 1), (WORD)(base + 2), (WORD)(base + 3)};
}
constexpr FREE_SIZE_ID_ROW kIds[CFG_FREE_SIZE_USER_SLOTS + 1] = {
    MakeIdRow(0), MakeIdRow(1), MakeIdRow(2), MakeIdRow(3), MakeIdRow(4),
    MakeIdRow(5), MakeIdRow(6), MakeIdRow(7), MakeIdRow(8), MakeIdRow(9), {0, 0, 0, 0},
};
static_assert(kIds[9].orientation == 1157, "slot 9 publishes up to wdmFreeSize10Orient");

constexpr bool CodesComplete() {
  for (int i = 0; i < CFG_FREE_SIZE_SLOTS; ++i) {
    if (kCodes[i].slot != i) return false;
    for (int j = 0; j < i; ++j)
      if (kCodes[j].code == kCodes[i].code) return false;
  }
  return true;
}
static_assert(CodesComplete(), "one row per slot, in slot order, codes unique");

// The five settings a slot's section holds: the working set or the source set, name first.
struct SlotSettings {
  WORD name, width, length, tray, orientation;
  DWORD transferFlag;
};
constexpr SlotSettings kWorking = {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength,
                                   sid::wdmFreeSizeTray, sid::wdmFreeSizeOrient, CFG_TRANSFER_FREE_SIZE};
constexpr SlotSettings kSource = {sid::wdmSrcFreeSizeName, sid::wdmSrcFreeSizeWidth, sid::wdmSrcFreeSizeLength,
                                  sid::wdmSrcFreeSizeTray, sid::wdmSrcFreeSizeOrient, CFG_TRANSFER_FREE_SIZE_SRC};

bool Ready(SETTING_CONTEXT* ctx) { return ctx && ctx->work; }
bool UserSlot(int slot) { return slot >= 0 && slot < CFG_FREE_SIZE_USER_SLOTS; }
bool AnySlot(int slot) { return slot >= 0 && slot < CFG_FREE_SIZE_SLOTS; }

// Characters of a text setting read back (the longest text row of the dictionary is far shorter).
constexpr DWORD kTextChars = 1026;

void ClearSettings(SETTING_CONTEXT* ctx, const SlotSettings& s) {
  if (ITEM_DESC* row = StgFindItem(ctx, s.name)) StgSetString(ctx, row, u"");
  for (WORD id : {s.width, s.length, s.tray, s.orientation}) StgSetValue(ctx, id, 0);
}

int LoadSection(SETTING_CONTEXT* ctx, const WCHAR* section, const SlotSettings& s) {
  if (!Ready(ctx)) return 0;
  // A missing section loads empty values.
  ClearSettings(ctx, s);
  return CfgTransferIniSection(ctx, section, CFG_TRANSFER_READ | s.transferFlag);
}

void Select(SETTING_CONTEXT* ctx, int slot, const SlotSettings& s) {
  if (!Ready(ctx) || !AnySlot(slot)) return;
  const FREE_SIZE_SLOT& f = ctx->work->freeSizeSlots[slot];
  char user[sizeof(f.userName)];
  std::memcpy(user, f.userName, sizeof(user));
  user[sizeof(user) - 1] = 0;
  WCHAR name[sizeof(user)];
  CfgAnsiToWide(name, user, (int)sizeof(user));
  if (ITEM_DESC* row = StgFindItem(ctx, s.name)) StgSetString(ctx, row, name);
  StgSetOptionValue(ctx, s.width, (DWORD)f.width);
  StgSetOptionValue(ctx, s.length, (DWORD)f.length);
  StgSetValue(ctx, s.tray, (WORD)f.tray);
  StgSetValue(ctx, s.orientation, (WORD)f.orientation);
}

void Store(SETTING_CONTEXT* ctx, int slot, const SlotSettings& s, bool userNameAsDisplay) {
  if (!Ready(ctx) || !UserSlot(slot)) return;
  FREE_SIZE_SLOT& f = ctx->work->freeSizeSlots[slot];
  f.width = (LONG)StgGetOptionValue(ctx, s.width, nullptr);
  f.length = (LONG)StgGetOptionValue(ctx, s.length, nullptr);
  f.tray = (SHORT)StgGetValue(ctx, s.tray, nullptr);
  f.orientation = (SHORT)StgGetValue(ctx, s.orientation, nullptr);
  WCHAR name[kTextChars] = {};
  ITEM_DESC* row = StgFindItem(ctx, s.name);
  if (row && StgTypeLength(row->type) < kTextChars) StgGetString(ctx, row, name);
  CfgWideToAnsi(f.userName, name, (int)sizeof(f.userName));
  // The default display names are decorated with the slot's size, so they come after it.
  WCHAR display[sizeof(f.displayName1)] = {};
  if (userNameAsDisplay)
    kvp::WCopy(display, sizeof(display) / sizeof(WCHAR), name);
  else
    CfgLoadString(ctx, 109 + (DWORD)slot, display, (int)(sizeof(display) / sizeof(WCHAR)), 1);
  CfgWideToAnsi(f.displayName2, display, (int)sizeof(f.displayName2));
  CfgWideToAnsi(f.displayName1, display, (int)sizeof(f.displayName1));
}

}  // namespace

int CfgGetFreeSizeSlotCount(SETTING_CONTEXT*) { return CFG_FREE_SIZE_USER_SLOTS; }
int CfgGetFreeSizeCodeCount(SETTING_CONTEXT*) { return CFG_FREE_SIZE_SLOTS; }
const FREE_SIZE_ID_ROW* CfgGetFreeSizeIdTable() { return kIds; }
int CfgIsFreeSizePaperCode(DWORD paper) { return paper >= 384 && paper <= 393 ? 1 : 0; }

DWORD CfgFreeSizeIndexToPaper(int slot, int count, SETTING_CONTEXT*) {
  if (slot < 0 || slot > count) return 0;
  int rows = count < CFG_FREE_SIZE_SLOTS ? count : CFG_FREE_SIZE_SLOTS;
  for (int i = 0; i < rows; ++i)
    if (kCodes[i].slot == slot) return kCodes[i].code;
  return 0;
}

int CfgFreeSizePaperToIndex(DWORD paper, SETTING_CONTEXT*) {
  for (const FREE_SIZE_CODE_ROW& row : kCodes)
    if (row.code == paper) return row.slot;
  // Not slot 0: a caller that stores into the answer must not overwrite the first user size.
  return -1;
}

WCHAR* CfgFormatFreeSizeSection(WCHAR* dst, int slot, DWORD, SETTING_CONTEXT* ctx) {
  if (!dst) return dst;
  std::string digits = std::to_string(slot);
  std::u16string text = u"FreeSize";
  text.append(digits.begin(), digits.end());
  text += kvp::WView(StgGetRegionCode(ctx));
  if (text.size() >= CFG_FREE_SIZE_SECTION_CHARS) text.clear();
  kvp::WCopy(dst, CFG_FREE_SIZE_SECTION_CHARS, text.c_str());
  return dst;
}

void CfgLoadFreeSize(SETTING_CONTEXT* ctx, int slot) {
  if (!Ready(ctx) || !UserSlot(slot)) return;
  WCHAR section[CFG_FREE_SIZE_SECTION_CHARS];
  CfgLoadFreeSizeSection(ctx, CfgFormatFreeSizeSection(section, slot, 0, ctx));
}

int CfgLoadFreeSizeSection(SETTING_CONTEXT* ctx, const WCHAR* section) {
  if (!Ready(ctx)) return 0;
  LoadSection(ctx, section, kWorking);
  return CfgPublishFreeSizeSection(ctx, section);
}

int CfgLoadFreeSizeSrc(SETTING_CONTEXT* ctx, int slot) {
  if (!Ready(ctx) || !UserSlot(slot)) return 0;
  WCHAR section[CFG_FREE_SIZE_SECTION_CHARS];
  return CfgLoadFreeSizeSectionSrc(ctx, CfgFormatFreeSizeSection(section, slot, 0, ctx));
}

int CfgLoadFreeSizeSectionSrc(SETTING_CONTEXT* ctx, const WCHAR* section) { return LoadSection(ctx, section, kSource); }

int CfgSaveFreeSize(SETTING_CONTEXT* ctx, int slot) {
  if (!Ready(ctx) || !UserSlot(slot)) return 0;
  WCHAR section[CFG_FREE_SIZE_SECTION_CHARS];
  return CfgSaveFreeSizeSection(ctx, CfgFormatFreeSizeSection(section, slot, 0, ctx));
}

int CfgSaveFreeSizeSection(SETTING_CONTEXT* ctx, const WCHAR* section) {
  if (!Ready(ctx)) return 0;
  CfgTransferIniSection(ctx, section, CFG_TRANSFER_WRITE | CFG_TRANSFER_FREE_SIZE);
  return CfgPublishFreeSizeSection(ctx, section);
}

int CfgPublishFreeSizeSection(SETTING_CONTEXT* ctx, const WCHAR* section) {
  if (!Ready(ctx) || !section) return 0;
  for (int i = 0; kIds[i].width; ++i) {
    WCHAR name[CFG_FREE_SIZE_SECTION_CHARS];
    CfgFormatFreeSizeSection(name, i, 0, ctx);
    if (kvp::WView(name) != kvp::WView(section)) continue;
    StgSetValue(ctx, kIds[i].width, StgGetValue(ctx, sid::wdmFreeSizeWidth, nullptr));
    StgSetValue(ctx, kIds[i].length, StgGetValue(ctx, sid::wdmFreeSizeLength, nullptr));
    StgSetValue(ctx, kIds[i].tray, StgGetValue(ctx, sid::wdmFreeSizeTray, nullptr));
    StgSetValue(ctx, kIds[i].orientation, StgGetValue(ctx, sid::wdmFreeSizeOrient, nullptr));
    return 1;
  }
  return 0;
}

void CfgPublishFreeSizeSlot(SETTING_CONTEXT* ctx, int slot) {
  if (!Ready(ctx) || !UserSlot(slot)) return;
  const FREE_SIZE_SLOT& f = ctx->work->freeSizeSlots[slot];
  StgSetOptionValue(ctx, kIds[slot].width, (DWORD)f.width);
  StgSetOptionValue(ctx, kIds[slot].length, (DWORD)f.length);
  StgSetValue(ctx, kIds[slot].tray, (WORD)f.tray);
  StgSetValue(ctx, kIds[slot].orientation, (WORD)f.orientation);
}

void CfgLoadAllFreeSizes(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx) || (StgGetChangeFlags(ctx) & CFG_CHANGE_FREE_SIZES_LOADED)) return;
  // Loading goes through the working settings; the snapshot gives every setting its value back. Without
  // one the slots stay unloaded (and are tried again next time) rather than change the settings.
  if (!StgPushUndo(ctx)) return;
  for (int i = 0; i < CFG_FREE_SIZE_USER_SLOTS; ++i) {
    CfgLoadFreeSize(ctx, i);
    CfgStoreFreeSizeSlot(ctx, i);
  }
  StgPopUndo(ctx, 1);
  for (int i = 0; i < CFG_FREE_SIZE_USER_SLOTS; ++i) CfgPublishFreeSizeSlot(ctx, i);
  StgRaiseChangeFlags(ctx, CFG_CHANGE_FREE_SIZES_LOADED);
}

void CfgSelectFreeSizeSlot(SETTING_CONTEXT* ctx, int slot) { Select(ctx, slot, kWorking); }
void CfgSelectFreeSizeSlotSrc(SETTING_CONTEXT* ctx, int slot) { Select(ctx, slot, kSource); }
void CfgStoreFreeSizeSlotCommon(SETTING_CONTEXT* ctx, int slot) { Store(ctx, slot, kWorking, false); }
void CfgStoreFreeSizeSlotSrcCommon(SETTING_CONTEXT* ctx, int slot) { Store(ctx, slot, kSource, false); }
void CfgStoreFreeSizeSlotWith(SETTING_CONTEXT* ctx, int slot, bool source, bool userNameAsDisplay) {
  Store(ctx, slot, source ? kSource : kWorking, userNameAsDisplay);
}

void CfgLoadBuiltinFreeSize(SETTING_CONTEXT* ctx, DWORD paper, int slot) {
  if (!Ready(ctx) || !AnySlot(slot) || (paper != 256 && paper != 448)) return;
  bool custom = paper == 256;
  FREE_SIZE_SLOT& f = ctx->work->freeSizeSlots[slot];
  // Display name 1 holds wide text here: 32 characters with the terminator.
  WCHAR name[sizeof(f.displayName1) / sizeof(WCHAR)] = {};
  CfgLoadString(ctx, custom ? 752 : 753, name, (int)(sizeof(name) / sizeof(WCHAR)), 1);
  std::memcpy(f.displayName1, name, sizeof(f.displayName1));
  f.width = (LONG)StgGetOptionValue(ctx, custom ? sid::rdmPaperFreeSizeWidth : sid::rdmPrintFreeSizeWidth, nullptr);
  f.length = (LONG)StgGetOptionValue(ctx, custom ? sid::rdmPaperFreeSizeLength : sid::rdmPrintFreeSizeLength, nullptr);
  f.tray = (SHORT)StgGetValue(ctx, custom ? sid::rdmPaperFreeSizeTray : sid::rdmPrintFreeSizeTray, nullptr);
  f.orientation = (SHORT)StgGetValue(ctx, custom ? sid::rdmPaperFreeSizeOrient : sid::rdmPrintFreeSizeOrient, nullptr);
}

int CfgReadFreeSizeSlot(SETTING_CONTEXT* ctx, int slot, FREE_SIZE_SLOT* out) {
  if (!Ready(ctx) || !AnySlot(slot) || !out) return 0;
  *out = ctx->work->freeSizeSlots[slot];
  return 1;
}

int CfgIsInchCustomPaper(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  return StgGetValue(ctx, sid::rdmDspUnit, nullptr) != 0 && StgGetValue(ctx, sid::dmPaperSize, nullptr) == 256;
}

DWORD CfgHundredthInchToTenthMm(DWORD value) {
  uint64_t r = (uint64_t)value * 254 / 100;
  while (r * 100 / 254 < value) ++r;
  return r > 0xFFFFFFFFu ? 0xFFFFFFFFu : (DWORD)r;
}

DWORD CfgTenthMmToHundredthInch(DWORD value) { return (DWORD)((uint64_t)value * 100 / 254); }
