// The status engine: the set transaction behind ZARNDrvSetStatus (copies, device reload, snapshot,
// guards, the item's set handler, the follow-up effects with the map of changed items, the verify and
// the rollback) and the get path behind ZARNDrvGetStatus.
//
// A set that fails leaves every store as it was: the DEVMODE, the device block, the work block and the
// chapter rows are copied before anything changes and put back on failure, and every write a set makes
// outside its context is journalled with its old value and put back as well.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "api_caps.h"
#include "api_devmode.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_tables.h"
#include "config/device_settings.h"
#include "config/paths.h"
#include "driverdata/dfc_image.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "kvplat/error.h"
#include "kvplat/profile.h"
#include "kvplat/spooler.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

// ---- Record versions ----

constexpr RECORD_VERSION_ROW kVersions7[] = {{0, 0}, {32, 1}, {32, 12}};
constexpr RECORD_VERSION_ROW kVersions8[] = {{0, 0}, {32, 1}, {32, 10}, {32, 12}};
constexpr RECORD_VERSION_ROW kVersions10[] = {{0, 0}, {392, 1}, {408, 10}, {484, 14}};
constexpr RECORD_VERSION_ROW kVersions11[] = {{0, 0}, {32, 1}, {32, 14}};
constexpr RECORD_VERSION_ROW kVersions14[] = {{0, 0}, {32, 1}, {32, 10}};
constexpr RECORD_VERSION_ROW kVersions16[] = {{0, 0}, {372, 1}, {412, 3}, {420, 10}};
constexpr RECORD_VERSION_ROW kVersions19[] = {{0, 0}, {32, 1}, {32, 10}};
constexpr RECORD_VERSION_ROW kVersions28[] = {{0, 0}, {32, 1}, {32, 12}, {32, 14}};
constexpr RECORD_VERSION_ROW kVersions47[] = {{0, 0}, {104, 8}, {108, 10}};
constexpr RECORD_VERSION_ROW kVersions56[] = {{0, 0}, {0, 0}, {824, 11}};
constexpr RECORD_VERSION_ROW kVersions67[] = {{0, 0}, {36, 13}, {40, 15}};

struct VersionList {
  DWORD id;
  const RECORD_VERSION_ROW* rows;
  DWORD newest;
};
constexpr VersionList kVersionLists[] = {
    {7, kVersions7, 2},   {8, kVersions8, 3},   {10, kVersions10, 3}, {11, kVersions11, 2},
    {14, kVersions14, 2}, {16, kVersions16, 3}, {19, kVersions19, 2}, {28, kVersions28, 3},
    {47, kVersions47, 2}, {56, kVersions56, 2}, {67, kVersions67, 2}};
static_assert(std::size(kVersionLists) == 11);

// ---- The journal ----

struct JournalEntry {
  bool ini;
  std::u16string path, section, key;  // INI: file, section and key; printer data: key in `key`
  HANDLE printer;
  bool present;
  std::u16string text;       // INI: the old text
  DWORD type;                // printer data: the old type and bytes
  std::vector<BYTE> bytes;
};
// The journal of the set running on this thread; none outside a set.
thread_local std::vector<JournalEntry>* t_journal = nullptr;
// The job items the set running on this thread handed to the job-control link.
thread_local DWORD t_jobItems = 0;

bool Journalled(const JournalEntry& e) {
  for (const JournalEntry& j : *t_journal)
    if (j.ini == e.ini && j.path == e.path && j.section == e.section && j.key == e.key && j.printer == e.printer)
      return true;
  return false;
}

void RollBackJournal(std::vector<JournalEntry>& journal) {
  for (auto it = journal.rbegin(); it != journal.rend(); ++it) {
    if (it->ini) {
      WritePrivateProfileStringW(it->section.c_str(), it->key.c_str(), it->present ? it->text.c_str() : nullptr,
                                 it->path.c_str());
    } else if (it->present) {
      SetPrinterDataW(it->printer, it->key.data(), it->type, it->bytes.data(), (DWORD)it->bytes.size());
    } else {
      DeletePrinterDataW(it->printer, it->key.data());
    }
  }
  journal.clear();
}

// ---- Transaction copies ----

uint64_t Get(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, uint64_t v) { StgSetValue(ctx, id, v); }

// The device block of the store lies between the DEVMODE and the work block.
DWORD DeviceBlockOffset() { return StgGetDevmodeSize(); }
DWORD DeviceBlockSize() { return StgGetStoreSize() - StgGetDevmodeSize() - StgGetWorkBlockSize(); }

// The chapter module's row block: a small head with its capacity, then the rows.
struct ChapterHead {
  DWORD capacity;
  DWORD reserved;
};
size_t ChapterBlockBytes(const void* block) {
  return block ? sizeof(ChapterHead) + (size_t)static_cast<const ChapterHead*>(block)->capacity * sizeof(CHAPTER_ROW) : 0;
}
const CHAPTER_ROW* ChapterRows(const void* block) {
  return block ? reinterpret_cast<const CHAPTER_ROW*>(static_cast<const BYTE*>(block) + sizeof(ChapterHead)) : nullptr;
}

struct Copies {
  BYTE* devmode = nullptr;
  BYTE* work = nullptr;
  BYTE* device = nullptr;
  void* chapters = nullptr;  // a copy of the whole chapter block, none when the context has none
  bool hadChapters = false;
};

bool TakeCopies(SETTING_CONTEXT* ctx, Copies& c) {
  c.devmode = ApiCopyDevmode(ctx);
  c.work = ApiCopyWorkBlock(ctx);
  c.device = static_cast<BYTE*>(StgAllocZero(DeviceBlockSize()));
  if (c.device) std::memcpy(c.device, ctx->store->bytes + DeviceBlockOffset(), DeviceBlockSize());
  void* block = ctx->work->chapterRows;
  c.hadChapters = block != nullptr;
  if (block) {
    size_t n = ChapterBlockBytes(block);
    c.chapters = StgAllocZero((DWORD)n);
    if (c.chapters) std::memcpy(c.chapters, block, n);
  }
  return c.devmode && c.work && c.device && (!c.hadChapters || c.chapters);
}

// Puts the copies back (restore) or drops them.
void EndCopies(SETTING_CONTEXT* ctx, Copies& c, bool restore) {
  ApiRestoreDevmode(ctx, c.devmode, restore ? 1 : 0);
  ApiRestoreWorkBlock(ctx, c.work, restore ? 1 : 0);
  if (c.device) {
    if (restore) std::memcpy(ctx->store->bytes + DeviceBlockOffset(), c.device, DeviceBlockSize());
    StgFree(c.device);
  }
  if (restore && c.hadChapters && c.chapters) {
    // The module may have grown its block meanwhile: the copy becomes the block again.
    if (ctx->work->chapterRows != c.chapters) StgFree(ctx->work->chapterRows);
    ctx->work->chapterRows = c.chapters;
  } else if (restore && !c.hadChapters && ctx->work->chapterRows) {
    StgFree(ctx->work->chapterRows);
    ctx->work->chapterRows = nullptr;
  } else {
    StgFree(c.chapters);
  }
  c = Copies{};
}

// ---- Guards ----

bool In(DWORD id, std::initializer_list<DWORD> ids) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

bool NodeExcluded(SETTING_CONTEXT* ctx, IMG_REF node) { return node && RuleIsOptionExcluded(ctx, node, 0) == 1; }
bool NodeDisabled(SETTING_CONTEXT* ctx, IMG_REF node) { return node && RuleEvalSecondCondition(ctx, node, 0) == 1; }

// The code of the first guard that refuses the set, 0 when every guard lets it pass.
DWORD CheckGuards(SETTING_CONTEXT* ctx, const STATUS_ROW* row, const void* record) {
  const DWORD id = row->id;
  if (In(id, {5, 35, 39, 42, 43, 46, 48, 51, 79}) && !ApiIsSettingShown(ctx, (WORD)row->setting))
    return API_ERROR_UNSUPPORTED;
  if (In(id, {29, 30, 31, 32, 33, 76, 77, 78}) && ApiIsTerminalServer(ctx)) return API_ERROR_TERMINAL_SERVER;
  if ((In(id, {34, 35, 38, 39, 40, 41, 42, 43, 46, 49, 257}) || (id >= 265 && id <= 269)) &&
      ApiHasCapability(ctx, 270) && !ApiIsUserQualitySelected(ctx))
    return API_ERROR_USER_QUALITY;
  if ((id == 70 || id == 71) && ApiGetVersion(ctx) < 15) return API_ERROR_UNSUPPORTED;
  if (row->setting == 0) return 0;
  IMG_REF node = ApiFindSettingNode((WORD)row->setting, ctx);
  bool excluded = NodeExcluded(ctx, node), disabled = NodeDisabled(ctx, node);
  if (!excluded && !disabled) return 0;
  if (!excluded) {
    if (id == 19) {
      IMG_REF sort = ApiFindSettingNode(sid::rdmSortType, ctx);
      bool sortUsable = sort && !NodeExcluded(ctx, sort) && !NodeDisabled(ctx, sort);
      return ApiRecordU32(record, 28) != 0 && sortUsable ? 0 : API_ERROR_REFUSED;
    }
    if (id == 28) return 0;
  }
  if (id >= 265 && id <= 269) return 0;
  if (id == 15 && StgIsDuplexLocked(ctx) && StgIsModelFeatureOn(ctx, 2, 0)) return 0;
  if (id == 14 && StgIsNupKindLocked(ctx) && StgIsModelFeatureOn(ctx, 2, 0)) return 0;
  return API_ERROR_REFUSED;
}

// ---- Effects ----

void RunActions(SETTING_CONTEXT* ctx, WORD id) { ApiRunSettingActions(ctx, id); }

struct MethodEffect {
  DWORD method, flags;
  WORD setting;
};
constexpr MethodEffect kMethodEffects[] = {
    {0, 0x1, 202},    {1, 0x1, 202},    {1, 0x82, 207},   {2, 0x1, 202},    {3, 0x1, 202},    {3, 0x104, 208},
    {3, 0x8, 204},    {3, 0x10, 206},   {5, 0x20, 205},   {7, 0x40, 953},   {8, 0x1, 202},    {8, 0x200, 206},
    {9, 0x1, 202},    {9, 0x400, 206},  {9, 0x800, 208},  {9, 0x4000, 607}, {10, 0x1, 202},   {10, 0x1000, 206},
    {10, 0x2000, 208}, {10, 0x4000, 607}};

void RunItemEffects(SETTING_CONTEXT* ctx, DWORD id, const void* record) {
  switch (id) {
    case 3:
      Set(ctx, sid::wdmUIStart, 1);
      RunActions(ctx, sid::rdmMediaType);
      Set(ctx, sid::wdmUIStart, 0);
      break;
    case 19: RunActions(ctx, sid::rdmSortType); break;
    case 10: {
      DWORD method = ApiRecordU32(record, 4), flags = ApiRecordU32(record, 8);
      for (const MethodEffect& e : kMethodEffects)
        if (e.method == method && (flags & e.flags)) RunActions(ctx, e.setting);
      break;
    }
    case 11: {
      RunActions(ctx, sid::rdmScaleType);
      uint64_t type = Get(ctx, sid::rdmScaleType);
      if (type == 3) RunActions(ctx, 90);
      if (type == 1 || type == 3) RunActions(ctx, 89);
      break;
    }
    case 14: RunActions(ctx, 91), RunActions(ctx, 92); break;
    case 15: RunActions(ctx, 94); break;
    case 20: RunActions(ctx, 121); break;
    case 21: RunActions(ctx, 120); break;
    case 35: RunActions(ctx, 145), RunActions(ctx, 146), RunActions(ctx, 147); break;
    case 51: RunActions(ctx, 511); break;
    case 79:
      for (WORD s : {544, 545, 693, 694, 695, 696}) RunActions(ctx, s);
      break;
    case 262:
      Set(ctx, sid::wdmCtrlWorkPrompt, 1);
      for (WORD s : {176, 177, 178, 179}) RunActions(ctx, s);
      Set(ctx, sid::wdmCtrlWorkPrompt, 0);
      break;
  }
}

// ---- The map of changed items ----

bool IsTextCode(DWORD code) { return code == 7 || code == 10 || code == 11 || (code >= 13 && code <= 15); }

// Whether a setting's value differs from the saved copy of the store; *text tells that it is a text that
// differs (both texts present).
bool SavedDiffers(SETTING_CONTEXT* ctx, WORD id, bool* text) {
  *text = false;
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return false;
  if (IsTextCode(StgTypeCode(row->type))) {
    const BYTE* now = StgGetValuePtr(ctx, row);
    const BYTE* saved = StgGetSavedValuePtr(ctx, row);
    if (!now || !saved) return false;
    size_t chars = StgTypeLength(row->type);
    const WCHAR* a = reinterpret_cast<const WCHAR*>(now);
    const WCHAR* b = reinterpret_cast<const WCHAR*>(saved);
    WCHAR x = 0, y = 0;
    for (size_t i = 0; i < chars; ++i) {
      std::memcpy(&x, a + i, sizeof x);
      std::memcpy(&y, b + i, sizeof y);
      if (x != y) return *text = true;
      if (!x) break;
    }
    return false;
  }
  return StgGetValue(ctx, id, nullptr) != StgGetSavedValue(ctx, id, nullptr);
}

bool IsUserSize(SETTING_CONTEXT* ctx) {
  DEVMODEW* dm = StgGetDevmode(ctx);
  return dm && dm->dmPaperLength != 0 && dm->dmPaperWidth != 0 &&
         (dm->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == (DM_PAPERLENGTH | DM_PAPERWIDTH);
}

// Whether related setting `s` of row `rowId` counts as changed (snapshot entry `snap`).
bool RelatedChanged(SETTING_CONTEXT* ctx, DWORD rowId, WORD s, const API_NODE_STATE* snap) {
  bool text = false;
  if (!SavedDiffers(ctx, s, &text)) return false;
  if (text && In(s, {202, 204, 205, 206, 207, 208, 953})) return true;
  const STATUS_SWITCH_ROW* sw = nullptr;
  WORD switchId = ApiFindSwitchSetting(rowId, &sw);
  if (switchId && sw && s != switchId) {
    if ((sw->flags & 1)) {
      IMG_REF node = ApiFindSettingNode(switchId, ctx);
      if (NodeExcluded(ctx, node) || NodeDisabled(ctx, node)) return false;
    }
    if ((sw->flags & 2) && (s == 122 || s == 124) && Get(ctx, switchId) == 0) return false;
  }
  IMG_REF node = ApiFindSettingNode(s, ctx);
  if (!node || !snap) return true;
  if (NodeExcluded(ctx, node)) return false;
  if (NodeDisabled(ctx, node) && snap->disabled) return false;
  return true;
}

bool RowChanged(SETTING_CONTEXT* ctx, const STATUS_ROW* row, const API_NODE_STATE* group) {
  const DWORD id = row->id;
  const int version = ApiGetVersion(ctx);
  const bool variants = In(id, {39, 40, 41, 42, 43, 46, 267, 269});
  const WORD switchId = ApiFindSwitchSetting(id, nullptr);
  const int form = id == 34 ? ApiGetResolutionForm(ctx) : 0;
  for (int j = 0; j < API_SNAPSHOT_ENTRIES && row->related[j]; ++j) {
    const WORD s = row->related[j];
    const API_NODE_STATE* snap = group ? &group[j] : nullptr;
    if ((s == 388 || s == 411) && version < 10) continue;
    bool text = false;
    if (id == 7 && (s == 9 || s == 10)) {
      if (IsUserSize(ctx) && SavedDiffers(ctx, s, &text)) return true;
      continue;
    }
    if (id == 11) {
      uint64_t type = Get(ctx, sid::rdmScaleType);
      if (type <= 2 && s == 90) continue;
      if (type == 2 && s == 89) {
        if (SavedDiffers(ctx, s, &text)) return true;
        continue;
      }
    }
    if (id == 34 && (form == -1 || (form == 1 && s == 38) || (form == 0 && s == 152))) continue;
    if (id == 18 && s == switchId) {
      if (!SavedDiffers(ctx, s, &text)) return false;
      continue;
    }
    if (id == 265 || id == 268) {
      if (SavedDiffers(ctx, s, &text)) return true;
      continue;
    }
    if (RelatedChanged(ctx, id, s, snap)) return true;
    if (variants)
      for (int object = 0; object < 3; ++object) {
        WORD v = ApiObjectVariantId(ctx, s, object);
        if (v != s && RelatedChanged(ctx, id, v, snap)) return true;
      }
  }
  return false;
}

bool Among(DWORD now, DWORD requested, std::initializer_list<std::pair<DWORD, DWORD>> pairs) {
  for (auto& p : pairs)
    if (p.first == now && p.second == requested) return true;
  return false;
}

// The set item's own bit, and the chapter comparison.
void OwnBits(SETTING_CONTEXT* ctx, DWORD id, const void* record, BYTE* map, const void* chaptersBefore) {
  DWORD requested = ApiRecordU32(record, 4);
  bool own = false;
  switch (id) {
    case 14:
      own = Among((DWORD)Get(ctx, sid::rdmNUPType), requested,
                  {{1, 3}, {3, 1}, {3, 2}, {129, 130}, {130, 129}, {161, 163}, {163, 161}, {163, 162}});
      break;
    case 15:
      own = Among((DWORD)Get(ctx, sid::rdmDuplexType), requested, {{18, 17}, {17, 18}, {17, 19}, {21, 20}, {20, 21}, {20, 22}});
      break;
    case 19:
      own = ApiHasCapability(ctx, 76) && Get(ctx, sid::rdmExtOutput2SeparationSheet) != 0 &&
            ApiRecordU32(record, 12) != (DWORD)Get(ctx, sid::rdmSeparationSheetCycle);
      break;
    case 66:
      if (Get(ctx, sid::rdmExtOutput2ReverseCoverOutside) != StgGetSavedValue(ctx, sid::rdmExtOutput2ReverseCoverOutside, nullptr)) {
        if (ApiIsOptionUsable(ctx, sid::rdmFuncSelectBack, 0, 3))
          ApiMaskSet(map, 64);
        else if (ApiIsOptionUsable(ctx, sid::rdmFuncSelectReverseCover, 0, 3))
          ApiMaskSet(map, 65);
      }
      break;
    case 67: own = requested != (DWORD)Get(ctx, sid::rdmFuncSelectChapter); break;
    case 28: {
      bool text = false;
      own = ApiGetVersion(ctx) >= 14 && SavedDiffers(ctx, sid::rdmRotationMode, &text) &&
            (SavedDiffers(ctx, sid::rdmNupLayout, &text) || SavedDiffers(ctx, sid::rdmBookLayout, &text));
      break;
    }
  }
  if (own) ApiMaskSet(map, id);
  bool differ = false;
  if (chaptersBefore && ctx->work->chapterRows) {
    MODULE_OP_PARAMS params{};
    params.ref = const_cast<CHAPTER_ROW*>(ChapterRows(chaptersBefore));
    params.ref2 = const_cast<CHAPTER_ROW*>(ChapterRows(ctx->work->chapterRows));
    differ = StgRunModuleOp(ctx, 6, &params) && params.p[2] != 0;
  }
  if (differ) ApiMaskSet(map, 67);
  if (differ || id == 67) StgSaveDeviceData(ctx);
}

void BuildChangedMap(SETTING_CONTEXT* ctx, const STATUS_ROW* setRow, const void* record, BYTE* map,
                     const void* chaptersBefore) {
  std::memset(map, 0, ApiChangedMapSize(ctx));
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  auto walk = [&](DWORD id) {
    const STATUS_ROW* row = ApiFindStatusRow(ctx, id);
    if (!row || !row->enabled) return;
    if (id == setRow->id) {
      OwnBits(ctx, id, record, map, chaptersBefore);
      return;
    }
    const API_NODE_STATE* group =
        conn && conn->nodeSnapshot && id <= API_SNAPSHOT_IDS ? conn->nodeSnapshot + (id - 1) * API_SNAPSHOT_ENTRIES : nullptr;
    if (RowChanged(ctx, row, group)) ApiMaskSet(map, id);
  };
  for (DWORD id = 1; id <= (DWORD)ApiStatusIdLimit(ctx, 0); ++id) walk(id);
  for (DWORD id = 257; id <= (DWORD)ApiStatusIdLimit(ctx, 1); ++id) walk(id);
}

// A status-7 record's custom size as the set handler left it, remembered for the DEVMODE.
bool AsksUserSize(DWORD id, const void* record) { return id == 7 && ApiRecordU32(record, 4) == 256; }

// Runs the transaction on an open printer.
int RunTransaction(API_CONNECTION* conn, const STATUS_ROW* row, void* record, BYTE* changed, int mode) {
  SETTING_CONTEXT* ctx = conn->ctx;
  const DWORD id = row->id;
  const int d = ApiCompareSetVersion(id, record, row->recordVersion, mode);
  if (d == 2) return (int)row->recordVersion;

  Copies copies;
  std::vector<JournalEntry> journal;
  t_journal = &journal;
  t_jobItems = 0;
  bool ok = false;
  int result = -1;
  DWORD code = 0;
  if (!TakeCopies(ctx, copies)) {
    code = API_ERROR_GENERAL;
  } else {
    const bool marginPair = ApiIsMarginPairSet(ctx, id, record);
    CfgLoadDeviceSettings(ctx->printer, 1, ctx);
    if (ctx->work->savedCopy) {
      StgFreeStoreCopyLists(ctx);
      StgKeepStoreCopy(ctx);
    }
    ApiSnapshotNodeStates(ctx);
    code = CheckGuards(ctx, row, record);
    if (code == 0) {
      DWORD kept = conn->state.lastError;
      ApiSetLastError(conn->handle, API_ERROR_REFUSED);
      if (row->set(ctx, id, record, changed, mode) == 1) {
        if (conn->version >= 9) conn->state.lastError = kept;
        ApiApplySetEffects(ctx, row, record, changed);
        if (changed && !ApiCapsShiftMargin(ctx, 34, nullptr)) changed[(18 - 1) / 8] &= (BYTE) ~(0x80 >> ((18 - 1) % 8));
        if (row->verify && row->verify(ctx, id, record, changed, mode) != 1) {
          code = API_ERROR_REFUSED;
        } else {
          if (marginPair) ApiResetMarginIfOff(ctx);
          result = d == 1 ? (int)row->recordVersion : 0;
          if (id != 50 && id != 56) StgSetOptionValue(ctx, sid::rdmPresetNo, 255);
          ok = true;
        }
      }
    }
  }
  if (code) ApiSetLastError(conn->handle, code);
  if (!ok) {
    if (changed) std::memset(changed, 0, ApiChangedMapSize(ctx));
    EndCopies(ctx, copies, true);
    StgSaveDeviceData(ctx);
    RollBackJournal(journal);
    // The link gets the texts of the restored settings back.
    if (t_jobItems) ApiWriteJobItems(ctx, t_jobItems);
  } else {
    EndCopies(ctx, copies, false);
  }
  t_journal = nullptr;
  t_jobItems = 0;
  return ok ? result : -1;
}

}  // namespace

// ---- Record versions ----

const RECORD_VERSION_ROW* ApiFindRecordVersions(DWORD statusId, DWORD* newest) {
  for (const VersionList& l : kVersionLists)
    if (l.id == statusId) {
      if (newest) *newest = l.newest;
      return l.rows;
    }
  if (newest) *newest = 1;
  return nullptr;
}

const RECORD_VERSION_ROW* ApiRecordVersionRow(DWORD statusId, DWORD version) {
  DWORD newest = 0;
  const RECORD_VERSION_ROW* rows = ApiFindRecordVersions(statusId, &newest);
  return rows ? &rows[std::min(version, newest)] : nullptr;
}

DWORD ApiRecordVersion(DWORD statusId, const void* record) {
  if (!record) return 0;
  DWORD newest = 1;
  ApiFindRecordVersions(statusId, &newest);
  return std::min(ApiRecordU32(record, 0), newest);
}

bool ApiSetVersionAllowed(SETTING_CONTEXT* ctx, DWORD statusId, const void* record) {
  const RECORD_VERSION_ROW* row = ApiRecordVersionRow(statusId, ApiRecordVersion(statusId, record));
  return !row || ApiGetVersion(ctx) >= (int)row->minApiVersion;
}

bool ApiGetVersionAllowed(SETTING_CONTEXT* ctx, DWORD statusId, DWORD version) {
  const RECORD_VERSION_ROW* row = ApiRecordVersionRow(statusId, version);
  if (row && ApiGetVersion(ctx) < (int)row->minApiVersion) {
    ApiSetContextError(ctx, API_ERROR_VERSION);
    return false;
  }
  return true;
}

int ApiCompareSetVersion(DWORD, const void* record, DWORD rowVersion, int mode) {
  if (ApiRecordU32(record, 0) <= rowVersion) return 0;
  return mode == 2 ? 2 : 1;
}

int ApiCompareGetVersion(DWORD, DWORD rowVersion, DWORD requested) {
  if (requested == 0 || requested == rowVersion) return 0;
  return requested < rowVersion ? 1 : 2;
}

int ApiChangedMapSize(SETTING_CONTEXT* ctx) { return ApiGetVersion(ctx) < 6 ? 32 : 64; }

// ---- The journal ----

void ApiJournalIniKey(const WCHAR* section, const WCHAR* key, const WCHAR* iniPath) {
  if (!t_journal || !section || !key || !iniPath || !iniPath[0]) return;
  JournalEntry e{true, iniPath, section, key, nullptr, false, {}, 0, {}};
  if (Journalled(e)) return;
  // A default no stored text can hold tells absence from an empty value.
  static const WCHAR kAbsent[] = u"\x1F\x1E";
  std::vector<WCHAR> buf(4096);
  GetPrivateProfileStringW(section, key, kAbsent, buf.data(), (DWORD)buf.size(), iniPath);
  e.present = std::u16string(buf.data()) != kAbsent;
  if (e.present) e.text = buf.data();
  t_journal->push_back(std::move(e));
}

void ApiJournalPrinterData(HANDLE printer, const WCHAR* valueName) {
  if (!t_journal || !printer || !valueName) return;
  JournalEntry e{false, {}, {}, valueName, printer, false, {}, 0, {}};
  if (Journalled(e)) return;
  DWORD type = 0, needed = 0;
  DWORD rc = GetPrinterDataW(printer, e.key.data(), &type, nullptr, 0, &needed);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    e.bytes.resize(needed);
    if (GetPrinterDataW(printer, e.key.data(), &type, e.bytes.data(), needed, &needed) == ERROR_SUCCESS) {
      e.present = true;
      e.type = type;
      e.bytes.resize(needed);
    }
  }
  t_journal->push_back(std::move(e));
}

void ApiJournalJobItems(DWORD mask) {
  if (t_journal) t_jobItems |= mask;
}

void ApiJournalDeviceSetting(SETTING_CONTEXT* ctx, HANDLE printer, const ITEM_DESC* row, const WCHAR* iniPath) {
  if (!t_journal || !ctx || !row || !row->iniKey) return;
  if (StgTypeBlock(row->type) == STG_BLOCK_DEVICE && row->medium == STG_MEDIUM_BLOCK)
    ApiJournalPrinterData(printer, row->iniKey);
  else if (row->medium == STG_MEDIUM_INI)
    ApiJournalIniKey(row->iniSection ? row->iniSection : CfgGetPrinterName(ctx), row->iniKey,
                     iniPath ? iniPath : CfgGetIniPath(ctx));
}

// ---- Snapshot and effects ----

void ApiRunSettingActions(SETTING_CONTEXT* ctx, WORD id) {
  const BYTE* image = reinterpret_cast<const BYTE*>(ctx->image);
  if (!image || id == 0) return;
  IMG_REF first = 0;
  std::memcpy(&first, image + DFC_OFF(COMPILED_IMAGE_HEADER, FeatureList), sizeof first);
  bool found = false;
  for (IMG_REF n = first; n; n = ImgNext(n))
    if (ImgNodeSettingId(n) == id) {
      RuleRunNodeTransact(ctx, n);
      found = true;
    }
  // Settings kept in the image's fixed slots are not on the feature list.
  if (!found)
    if (IMG_REF node = ImgFindActiveNode(ctx, id)) RuleRunNodeTransact(ctx, node);
}



void ApiSnapshotNodeStates(SETTING_CONTEXT* ctx) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  if (!conn || !conn->nodeSnapshot) return;
  std::memset(conn->nodeSnapshot, 0, sizeof(API_NODE_STATE) * API_SNAPSHOT_IDS * API_SNAPSHOT_ENTRIES);
  auto take = [&](DWORD id) {
    const STATUS_ROW* row = ApiFindStatusRow(ctx, id);
    if (!row || !row->enabled || id > API_SNAPSHOT_IDS) return;
    API_NODE_STATE* group = conn->nodeSnapshot + (id - 1) * API_SNAPSHOT_ENTRIES;
    for (int j = 0; j < API_SNAPSHOT_ENTRIES && row->related[j]; ++j) {
      IMG_REF node = ApiFindSettingNode(row->related[j], ctx);
      if (!node) continue;
      group[j].excluded = NodeExcluded(ctx, node) ? 1 : 0;
      group[j].disabled = NodeDisabled(ctx, node) ? 1 : 0;
    }
  };
  for (DWORD id = 1; id <= (DWORD)ApiStatusIdLimit(ctx, 0); ++id) take(id);
  for (DWORD id = 257; id <= (DWORD)ApiStatusIdLimit(ctx, 1); ++id) take(id);
}

void ApiApplySetEffects(SETTING_CONTEXT* ctx, const API_ROW* row, void* record, BYTE* changed) {
  if (!ctx || !ctx->work || !ctx->work->savedCopy) return;
  const DWORD id = row->id;
  const bool uiMode = Get(ctx, sid::rdmUIModeChange) == 1;
  if (uiMode) Set(ctx, sid::rdmUIModeChange, 0);
  // The chapter rows as the set handler left them, for the comparison of the map.
  void* chapters = nullptr;
  bool copied = true;
  if (void* block = ctx->work->chapterRows) {
    size_t n = ChapterBlockBytes(block);
    chapters = StgAllocZero((DWORD)n);
    if (chapters)
      std::memcpy(chapters, block, n);
    else
      copied = false;
  }
  if (copied) {
    if (row->setting) RunActions(ctx, (WORD)row->setting);
    RunItemEffects(ctx, id, record);
    if (ITEM_DESC* method = StgFindItem(ctx, sid::rdmPrnMethod)) {
      ApiJournalDeviceSetting(ctx, ctx->printer, method, CfgGetIniPath(ctx));
      CfgWriteDeviceSetting(ctx->printer, ctx, method, CfgGetIniPath(ctx));
    }
    DEVMODEW* dm = StgGetDevmode(ctx);
    SHORT width = 0, length = 0;
    const bool userSize = dm && dm->dmPaperSize == 256;
    if (userSize) width = dm->dmPaperWidth, length = dm->dmPaperLength;
    StgRefreshDerivedSettings(dm, ctx, 3);
    if (AsksUserSize(id, record)) {
      ApiSetCustomPaperFields(ctx, record);
    } else if (dm && dm->dmPaperSize == 256) {
      dm->dmPaperWidth = userSize ? width : dm->dmPaperWidth;
      dm->dmPaperLength = userSize ? length : dm->dmPaperLength;
      dm->dmFields = (dm->dmFields | DM_PAPERWIDTH | DM_PAPERLENGTH) & ~(DWORD)DM_PAPERSIZE;
    }
    if (ApiGetVersion(ctx) < 6 && id == 35) Set(ctx, sid::rdmUseUserMacro, 1);
    ApiSyncPublicDevmode(ctx, nullptr);
    RuleBroadcastEvent11(ctx);
    if (changed) BuildChangedMap(ctx, row, record, changed, chapters);
  }
  if (uiMode) Set(ctx, sid::rdmUIModeChange, 1);
  StgFree(chapters);
}

// ---- The workers of the two exports ----

int ApiRunSetStatus(API_HANDLE handle, DWORD id, void* record, BYTE* changed, int mode) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn) return -1;
  const STATUS_ROW* row = ApiFindStatusRow(conn->ctx, id);
  DWORD refusal = !row ? API_ERROR_GENERAL
                  : !row->enabled ? API_ERROR_UNSUPPORTED
                  : !record ? API_ERROR_NO_INPUT
                  : !row->set ? API_ERROR_GENERAL
                  : 0;
  if (refusal) {
    ApiSetLastError(handle, refusal);
    return -1;
  }
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW full{nullptr, nullptr, 0xF000C};
  if (!ApiOpenPrinter(handle, &printer, &full) && !ApiOpenPrinter(handle, &printer, nullptr)) {
    ApiSetLastError(handle, API_ERROR_GENERAL);
    return -1;
  }
  int result = RunTransaction(conn, row, record, changed, mode);
  if (conn->ctx->printer == printer) conn->ctx->printer = nullptr;
  if (conn->ctx->printer2 == printer) conn->ctx->printer2 = nullptr;
  ApiClosePrinter(printer);
  return result;
}

int ApiRunGetStatus(API_HANDLE handle, DWORD id, void* record, DWORD version) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn) return -1;
  const STATUS_ROW* row = ApiFindStatusRow(conn->ctx, id);
  // A row without a get handler answers as the set path does: nothing to run.
  DWORD refusal = !row ? API_ERROR_GENERAL : !row->enabled ? API_ERROR_UNSUPPORTED : !row->get ? API_ERROR_GENERAL : 0;
  if (refusal) {
    ApiSetLastError(handle, refusal);
    return -1;
  }
  HANDLE printer = nullptr;
  if (!ApiOpenPrinter(handle, &printer, nullptr)) {
    ApiSetLastError(handle, API_ERROR_GENERAL);
    return -1;
  }
  SETTING_CONTEXT* ctx = conn->ctx;
  DWORD kept = conn->state.lastError;
  ApiSetLastError(handle, API_ERROR_GENERAL);
  int result = -1;
  int g = ApiCompareGetVersion(id, row->recordVersion, version);
  if (g == 2) {
    ApiSetLastError(handle, API_ERROR_VERSION);
  } else {
    result = row->get(ctx, id, record, version);
    if (record) ApiPutRecordU32(record, 0, g == 1 ? version : row->recordVersion);
    if (result != -1 && conn->version >= 9) conn->state.lastError = kept;
  }
  if (ctx->printer == printer) ctx->printer = nullptr;
  if (ctx->printer2 == printer) ctx->printer2 = nullptr;
  ApiClosePrinter(printer);
  return result;
}
