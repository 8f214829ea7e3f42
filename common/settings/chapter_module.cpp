// Chapters: the chapter rows of a context (a block of wdmChapterMax + 1 rows, the last always empty),
// their INI keys, the merge of new pages with its refusal rules and chapter tray slots, delete and
// clear, the tray-code table, and the module's answers to commands and events.
#include <cstdio>
#include <cstring>

#include "config/device_settings.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/api_state.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/library_hooks.h"
#include "settings/modules.h"
#include "devlink/bidi_query.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

constexpr WORD kDialogChapter = 1044;
constexpr WORD kControlChapterList = 2800;
constexpr WORD kFirstChapterSetting = 996;
constexpr WORD kLastChapterSetting = 1009;
constexpr int kMaxTraySlots = 8;
constexpr DWORD kDefaultTrayCode = 3;

// Tray slots 1-8.
constexpr WORD kTraySlots[kMaxTraySlots] = {
    sid::wdmChapterUseTray1, sid::wdmChapterUseTray2, sid::wdmChapterUseTray3, sid::wdmChapterUseTray4,
    sid::wdmChapterUseTray5, sid::wdmChapterUseTray6, sid::wdmChapterUseTray7, sid::wdmChapterUseTray8};

// Cover and insert media types, in command order 303-307.
constexpr WORD kMediaTypes[5] = {sid::rdmCoverMediaType, sid::rdmBackCoverMediaType, sid::rdmMPInputMediaType,
                                 sid::rdmChapterMediaType, sid::rdmReverseCoverMediaType};

struct TRAY_CODE_ROW {
  DWORD code;
  WORD option;
  WORD second;
};
static_assert(sizeof(TRAY_CODE_ROW) == 8);
constexpr TRAY_CODE_ROW kTrayCodes[] = {
    {0, 2, 0},      {1, 3, 0},      {1, 13624, 0},  {2, 5, 0},      {2, 13625, 0},  {3, 6, 0},
    {3, 865, 0},    {3, 13626, 0},  {4, 439, 0},    {4, 866, 0},    {4, 13627, 0},  {5, 839, 0},
    {6, 837, 0},    {13, 13364, 0}, {14, 13738, 0}, {14, 13254, 0}, {15, 13663, 0}, {15, 13255, 0},
    {16, 13260, 0}, {17, 13261, 0}, {18, 13262, 0}, {19, 13263, 0}, {25, 7, 0},     {25, 169, 0},
    {25, 800, 0},   {25, 801, 0},   {27, 4, 0},     {27, 618, 0},   {28, 8, 0},     {29, 823, 0},
    {286, 13551, 0}, {299, 13552, 0}, {0, 0, 0},
};
static_assert(sizeof(kTrayCodes) / sizeof(kTrayCodes[0]) == 33, "32 rows and the end row");

// The row block: its capacity (rows, the empty end row included) ahead of the rows, so every walk is
// bounded by what was allocated, whatever wdmChapterMax says now.
struct CHAPTER_BLOCK {
  DWORD capacity;
  DWORD reserved;
  CHAPTER_ROW* Rows() { return reinterpret_cast<CHAPTER_ROW*>(this + 1); }
};
static_assert(sizeof(CHAPTER_BLOCK) == 8);

uint64_t Val(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }
DWORD Max(SETTING_CONTEXT* ctx) { return (WORD)Val(ctx, sid::wdmChapterMax); }
DWORD Num(SETTING_CONTEXT* ctx) { return (WORD)Val(ctx, sid::wdmChapterNum); }

CHAPTER_BLOCK* Block(SETTING_CONTEXT* ctx) {
  return ctx && ctx->work ? static_cast<CHAPTER_BLOCK*>(ctx->work->chapterRows) : nullptr;
}

// The block sized for the current wdmChapterMax: allocated zero-filled on first use and reallocated
// (keeping the rows that still fit) when the limit changed since. None when no memory.
CHAPTER_BLOCK* EnsureBlock(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  DWORD want = Max(ctx) + 1;
  CHAPTER_BLOCK* old = Block(ctx);
  if (old && old->capacity == want) return old;
  auto* block = (CHAPTER_BLOCK*)StgAllocZero(sizeof(CHAPTER_BLOCK) + want * sizeof(CHAPTER_ROW));
  if (!block) return nullptr;
  block->capacity = want;
  if (old) {
    DWORD keep = (old->capacity < want ? old->capacity : want) - 1;  // the new end row stays empty
    std::memcpy(block->Rows(), old->Rows(), keep * sizeof(CHAPTER_ROW));
    StgFree(old);
  }
  ctx->work->chapterRows = block;
  return block;
}

// Rows a walk may touch: below the block's end row.
DWORD Usable(const CHAPTER_BLOCK* b) { return b ? b->capacity - 1 : 0; }

// The number a range text ends with: after its '-', or the whole text without one. Texts are at most
// 15 characters, so the value stays far from overflow.
DWORD RangeLast(const WCHAR* text, DWORD first) {
  const WCHAR* p = text;
  for (const WCHAR* q = text; *q; ++q)
    if (*q == u'-') p = q + 1;
  DWORD n = 0;
  for (int i = 0; i < STG_CHAPTER_RANGE_CHARS && *p >= u'0' && *p <= u'9'; ++p, ++i) n = n * 10 + (DWORD)(*p - u'0');
  return n < first ? first : n;
}

// The range a row covers: [page, last page of its text] for kind 3.
DWORD RowLast(const CHAPTER_ROW& r) { return r.range[0] ? RangeLast(r.range, r.page) : r.page; }

bool Terminated(const WCHAR (&text)[STG_CHAPTER_RANGE_CHARS]) {
  for (WCHAR c : text)
    if (!c) return true;
  return false;
}

const WCHAR* IniOrDriver(SETTING_CONTEXT* ctx, const WCHAR* iniPath) { return iniPath ? iniPath : CfgGetIniPath(ctx); }

// The slots of the tray settings and their count, kept so a refused edit leaves them as they were.
struct TraySlots {
  uint64_t slots[kMaxTraySlots];
  uint64_t count;
  void Save(SETTING_CONTEXT* ctx) {
    for (int s = 0; s < kMaxTraySlots; ++s) slots[s] = Val(ctx, kTraySlots[s]);
    count = Val(ctx, sid::wdmChapterTrayNum);
  }
  void Restore(SETTING_CONTEXT* ctx) const {
    for (int s = 0; s < kMaxTraySlots; ++s)
      if (Val(ctx, kTraySlots[s]) != slots[s]) StgSetValue(ctx, kTraySlots[s], slots[s]);
    if (Val(ctx, sid::wdmChapterTrayNum) != count) StgSetValue(ctx, sid::wdmChapterTrayNum, count);
  }
};

// Step 3 of an edit: the chapter tray slots of the rebuilt rows. false when the rows need more
// distinct trays than allowed, or a print-2 row shares the tray of a print-1 row.
// 0 when the rows' trays fit their slots, else the refusal (STG_CHAPTER_REFUSED_*).
DWORD AssignTraySlots(SETTING_CONTEXT* ctx, const CHAPTER_ROW* rows, DWORD used) {
  DWORD limit = StgGetOptionValue(ctx, sid::wdmChapterTrayMax, nullptr);
  if (limit > kMaxTraySlots) limit = kMaxTraySlots;  // only eight slots exist
  DWORD seen = 0, count = 0;
  for (DWORD r = 0; r < used && rows[r].page; ++r) {
    const CHAPTER_ROW& row = rows[r];
    if (row.kind == 0) {
      DWORD bit = 1u << (StgGetChapterTrayCode(ctx, row.tray) % 32);
      if (!(seen & bit)) {
        seen |= bit;
        if (++count > limit) return STG_CHAPTER_REFUSED_TRAYS;
        StgSetValue(ctx, sid::wdmChapterTrayNum, count);
        StgSetValue(ctx, kTraySlots[count - 1], (uint64_t)(int64_t)row.tray);
      }
    }
    if (row.print == 2)
      for (DWORD o = 0; o < used && rows[o].page; ++o)
        if (rows[o].print == 1 && rows[o].tray == row.tray) return STG_CHAPTER_REFUSED_PRINT_TRAY;
  }
  return 0;
}

struct EditRules {
  BYTE kind;
  BYTE print;
  SHORT tray;
  bool frontCoverBlocksPageOne;
};

// Step 3.3 of an edit: a new entry against the row that stood at position j.
// 0 when it fits, else the refusal (STG_CHAPTER_REFUSED_*).
DWORD EntryFits(const EditRules& rules, DWORD first, const WCHAR* text, const CHAPTER_ROW& r) {
  DWORD last = rules.kind == 3 && text ? RangeLast(text, first) : first;
  if (r.page && r.kind == 3) {
    if (first <= RowLast(r) && r.page <= last) return STG_CHAPTER_REFUSED_OVERLAP;
  } else if (rules.kind == 3 && r.page && first <= r.page && r.page <= last) {
    return STG_CHAPTER_REFUSED_OVERLAP;
  }
  return rules.kind == 3 && rules.frontCoverBlocksPageOne && first == 1 ? STG_CHAPTER_REFUSED_COVER : 0;
}

CHAPTER_ROW NewRow(const EditRules& rules, DWORD page, const WCHAR* text) {
  CHAPTER_ROW row{};
  row.page = (WORD)page;
  row.kind = rules.kind;
  if (rules.kind == 0 || rules.kind == 3) {
    row.tray = rules.tray;
    row.print = rules.print;
  }
  if (rules.kind == 3 && text) kvp::WCopy(row.range, STG_CHAPTER_RANGE_CHARS, text);
  return row;
}

// Mode-2 transfers handle only the chapter settings.
int SkipOtherSettings(SETTING_CONTEXT* ctx, CFG_DEVICE_SETTING_EVENT* a) {
  if (!a || !a->row) return 0;
  uint64_t id = a->row->id;
  if (StgIsChapterSettingId(ctx, &id)) return 0;
  a->handled = 1;
  return 1;
}

// The list limits from the printer section of the driver INI; nothing without one.
void ReadChapterLimits(SETTING_CONTEXT* ctx) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (!ini || !ini[0] || !section) return;
  StgSetValue(ctx, sid::wdmChapterMax, (WORD)CfgIniGetInt(section, u"ChapterMax", 0, ini));
  StgSetValue(ctx, sid::wdmChapterTrayMax, (WORD)CfgIniGetInt(section, u"ChapterTrayMax", 0, ini));
}

// Event 24: rows from or into a transferred settings file.
void FileTransferred(SETTING_CONTEXT* ctx, const CFG_FILE_TRANSFER_EVENT* a) {
  if (!a || !a->path) return;
  uint64_t f = a->flags;
  // wdmChapterNum carries no preset-class bits in this model, so the preset forms (4) never act.
  if (f == 1 || ((f & 8) && (f & 1))) StgLoadChapterRows(ctx, a->path, (DWORD)f);
  else if (f == 2) StgSaveChapterRows(ctx, a->path);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// INI keys.

bool StgFormatChapterKey(WCHAR* dst, DWORD chars, int row, int field) {
  static const char* const kNames[] = {"Page", "Tray", "Kind", "Print", "PageRange"};
  if (!dst || !chars) return false;
  dst[0] = 0;
  if (row < 0 || field < STG_CHAPTER_FIELD_PAGE || field > STG_CHAPTER_FIELD_RANGE) return false;
  char text[48];
  int n = std::snprintf(text, sizeof(text), "wdmChapter%s%lld", kNames[field - 1], (long long)row + 1);
  if (n < 0 || (DWORD)n + 1 > chars) return false;
  for (int i = 0; i <= n; ++i) dst[i] = (WCHAR)text[i];
  return true;
}

namespace {
const WCHAR* ReadSection(SETTING_CONTEXT* ctx, DWORD flags) {
  return flags & STG_CHAPTER_READ_REGION ? CfgGetRegionSection(ctx) : CfgGetPrinterName(ctx);
}
}  // namespace

int StgReadChapterIniInt(SETTING_CONTEXT* ctx, int row, int field, const WCHAR* iniPath, DWORD flags) {
  WCHAR key[48];
  const WCHAR* section = ReadSection(ctx, flags);
  if (!iniPath || !section || !StgFormatChapterKey(key, 48, row, field)) return 0;
  return CfgIniGetInt(section, key, 0, iniPath);
}

void StgReadChapterIniText(SETTING_CONTEXT* ctx, int row, int field, WCHAR* dest, DWORD chars,
                           const WCHAR* iniPath, DWORD flags) {
  if (!dest || !chars) return;
  dest[0] = 0;
  WCHAR key[48];
  const WCHAR* section = ReadSection(ctx, flags);
  if (!iniPath || !section || !StgFormatChapterKey(key, 48, row, field)) return;
  CfgIniGetString(section, key, u"", dest, chars, iniPath);
  dest[chars - 1] = 0;
}

void StgWriteChapterIniInt(SETTING_CONTEXT* ctx, int row, int field, LONG value, const WCHAR* iniPath) {
  WCHAR key[48];
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (!iniPath || !section || !StgFormatChapterKey(key, 48, row, field)) return;
  WCHAR text[STG_DECIMAL_CHARS];
  CfgIniWriteString(section, key, StgFormatDecimalText(text, value), iniPath);
}

void StgWriteChapterIniText(SETTING_CONTEXT* ctx, int row, int field, const WCHAR* text, const WCHAR* iniPath) {
  WCHAR key[48];
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (!iniPath || !section || !StgFormatChapterKey(key, 48, row, field)) return;
  CfgIniWriteString(section, key, text ? text : u"", iniPath);
}

// ---------------------------------------------------------------------------------------------
// Rows.

CHAPTER_ROW* StgGetChapterRow(SETTING_CONTEXT* ctx, int index) {
  CHAPTER_BLOCK* b = EnsureBlock(ctx);
  if (!b || index < 0 || (DWORD)index >= Num(ctx) || (DWORD)index >= Usable(b)) return nullptr;
  return &b->Rows()[index];
}

int StgLoadChapterRows(SETTING_CONTEXT* ctx, const WCHAR* iniPath, DWORD flags) {
  DWORD num = Num(ctx);
  CHAPTER_BLOCK* b = EnsureBlock(ctx);
  if (!b || num == 0) return (int)num;
  const WCHAR* ini = IniOrDriver(ctx, iniPath);
  CHAPTER_ROW* rows = b->Rows();
  for (DWORD i = 0; i < Usable(b); ++i) {
    CHAPTER_ROW& r = rows[i];
    r = CHAPTER_ROW{};
    if (i >= num) continue;
    r.page = (WORD)StgReadChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_PAGE, ini, flags);
    r.kind = (BYTE)StgReadChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_KIND, ini, flags);
    r.tray = (SHORT)StgReadChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_TRAY, ini, flags);
    r.print = (BYTE)StgReadChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_PRINT, ini, flags);
    StgReadChapterIniText(ctx, (int)i, STG_CHAPTER_FIELD_RANGE, r.range, STG_CHAPTER_RANGE_CHARS, ini, flags);
  }
  return (int)num;
}

void StgSaveChapterRows(SETTING_CONTEXT* ctx, const WCHAR* iniPath) {
  CHAPTER_BLOCK* b = EnsureBlock(ctx);
  if (!b) return;
  const WCHAR* ini = IniOrDriver(ctx, iniPath);
  DWORD num = Num(ctx);
  for (DWORD i = 0; i < Usable(b) && i < num; ++i) {
    const CHAPTER_ROW& r = b->Rows()[i];
    StgWriteChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_PAGE, r.page, ini);
    StgWriteChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_KIND, r.kind, ini);
    StgWriteChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_TRAY, r.tray, ini);
    StgWriteChapterIniInt(ctx, (int)i, STG_CHAPTER_FIELD_PRINT, r.print, ini);
    StgWriteChapterIniText(ctx, (int)i, STG_CHAPTER_FIELD_RANGE, r.range, ini);
    if (r.page == 0) {
      StgSetValue(ctx, sid::wdmChapterNum, i);
      break;
    }
  }
}

int StgEditChapterRowsCommon(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, const DWORD* pages, void* unused,
                             const WCHAR (*ranges)[STG_CHAPTER_RANGE_CHARS]) {
  return StgEditChapterRowsWith(ctx, dialog, pages, unused, ranges, nullptr);
}

int StgEditChapterRowsWith(SETTING_CONTEXT* ctx, DIALOG_DESC*, const DWORD* pages, void*,
                           const WCHAR (*ranges)[STG_CHAPTER_RANGE_CHARS], DWORD* refusal) {
  if (refusal) *refusal = 0;
  if (!ctx || !pages) return 1;
  const DWORD m = Max(ctx);
  EditRules rules{};
  rules.kind = (BYTE)Val(ctx, sid::wdmChapterKind);
  rules.print = (BYTE)Val(ctx, sid::wdmChapterPrint);
  rules.tray = (SHORT)Val(ctx, sid::wdmChapterTray);
  rules.frontCoverBlocksPageOne = Val(ctx, sid::rdmFuncSelectCover) != 0 && Val(ctx, sid::rdmCoverType) != 1;
  CHAPTER_BLOCK* b = EnsureBlock(ctx);
  if (!b) return 1;
  CHAPTER_ROW* rows = b->Rows();
  auto* old = (CHAPTER_ROW*)StgAllocZero((m + 1) * sizeof(CHAPTER_ROW));
  if (!old) return 1;
  std::memcpy(old, rows, (m + 1) * sizeof(CHAPTER_ROW));
  old[m] = CHAPTER_ROW{};  // the end row always ends the old list
  TraySlots slots;
  slots.Save(ctx);

  DWORD cause = 0;
  DWORD i = 0, a = 0, j = 0;
  for (;;) {
    DWORD p = pages[i];
    const WCHAR* text = ranges && p ? ranges[i] : nullptr;
    if (old[a].page == 0 && p == 0) break;
    // A page the row cannot hold, or a range text without room for its terminator, is refused
    // rather than cut.
    if (j == m || p > 0xFFFF || (text && !Terminated(ranges[i]))) {
      cause = STG_CHAPTER_REFUSED_FULL;
      break;
    }
    if (p && text && (cause = EntryFits(rules, p, text, old[j])) != 0) break;
    if (j > 0 && rows[j - 1].page == p) {
      ++i;
    } else if (old[a].page != 0 && (p == 0 || old[a].page < p)) {
      rows[j++] = old[a++];
    } else {
      if (old[a].page == p) ++a;
      rows[j++] = NewRow(rules, p, text);
      ++i;
    }
  }
  if (!cause) {
    for (DWORD r = j; r < m; ++r) rows[r] = CHAPTER_ROW{};
    cause = AssignTraySlots(ctx, rows, m);
  }
  const bool refused = cause != 0;
  if (refusal) *refusal = cause;
  if (refused) {
    std::memcpy(rows, old, (m + 1) * sizeof(CHAPTER_ROW));
    slots.Restore(ctx);
  } else {
    StgSetValue(ctx, sid::wdmChapterNum, j);
  }
  StgFree(old);
  return refused ? 1 : 0;
}

int StgDeleteChapterRowCommon(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return 1;
  const DIALOG_DESC* dlg = StgFindDialog(ctx, kDialogChapter);
  API_STATE* api = ctx->work->apiState;
  if (!dlg || !StgFindControlById(ctx, dlg, kControlChapterList) || !api) return 1;
  return StgDeleteChapterRowAt(ctx, api->chapterRowIndex) >= 0 ? 0 : 1;
}

int StgDeleteChapterRowAt(SETTING_CONTEXT* ctx, DWORD d) {
  if (!ctx || !ctx->work) return -1;
  CHAPTER_BLOCK* b = EnsureBlock(ctx);
  const DWORD m = Usable(b);
  // Only a row of the list can be deleted: an index past it would otherwise drop the last real row
  // when the list fills the block.
  if (d >= Num(ctx) || d >= m) return -1;
  auto* old = b ? (CHAPTER_ROW*)StgAllocZero((m + 1) * sizeof(CHAPTER_ROW)) : nullptr;
  if (!old) return -1;
  CHAPTER_ROW* rows = b->Rows();
  std::memcpy(old, rows, (m + 1) * sizeof(CHAPTER_ROW));
  DWORD j = 0;
  for (DWORD a = 0; a < m; ++a)
    if (a != d) rows[j++] = old[a];
  for (; j < m; ++j) rows[j] = CHAPTER_ROW{};
  if (m) rows[m - 1] = CHAPTER_ROW{};
  int empty = int(m);
  for (DWORD r = 0; r < m; ++r)
    if (rows[r].page == 0) {
      ctx->work->chapterCountKept = Num(ctx);
      StgSetValue(ctx, sid::wdmChapterNum, r);
      empty = int(r);
      break;
    }
  StgFree(old);
  return empty;
}

int StgClearChapterRowsCommon(SETTING_CONTEXT* ctx) {
  CHAPTER_BLOCK* b = EnsureBlock(ctx);
  if (b)
    for (DWORD r = 0; r < Usable(b); ++r) b->Rows()[r] = CHAPTER_ROW{};
  if (ctx && ctx->work) ctx->work->chapterCountKept = Num(ctx);
  StgSetValue(ctx, sid::wdmChapterNum, 0);
  return 0;
}

int StgCompareChapterRows(SETTING_CONTEXT* ctx, const void* rowsA, const void* rowsB) {
  if (!rowsA || !rowsB) return 1;
  auto* a = static_cast<const CHAPTER_ROW*>(rowsA);
  auto* b = static_cast<const CHAPTER_ROW*>(rowsB);
  DWORD n = Num(ctx), m = Max(ctx);
  if (n > m) n = m;  // a list holds at most wdmChapterMax rows
  for (DWORD r = 0; r < n; ++r)
    if (a[r].page != b[r].page || a[r].kind != b[r].kind || a[r].tray != b[r].tray || a[r].print != b[r].print)
      return 1;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Trays.

DWORD StgMapTrayOptionToCode(DWORD option) {
  for (const TRAY_CODE_ROW* r = kTrayCodes; r->option; ++r)
    if (r->option == option) return r->code;
  return kTrayCodes[0].code;
}

DWORD StgGetChapterTrayCode(SETTING_CONTEXT* ctx, SHORT tray) {
  ITEM_DESC* row = StgFindItem(ctx, sid::wdmChapterTray);
  DWORD option = row ? StgMapToOption(ctx, row, (DWORD)(WORD)tray) : (DWORD)(WORD)tray;
  return StgMapTrayOptionToCode(option);
}

int StgIsChapterSettingId(SETTING_CONTEXT*, const uint64_t* id) {
  return id && *id >= kFirstChapterSetting && *id <= kLastChapterSetting ? 1 : 0;
}

int StgTestChapterTrayFlag(DWORD flags, DWORD kind) {
  constexpr DWORD kAnyChapter = BIDI_TRAY_CHAPTER1 | BIDI_TRAY_CHAPTER2 | BIDI_TRAY_CHAPTER3;
  switch (kind) {
    case 0: return flags & kAnyChapter ? 1 : 0;
    case 1: return flags & BIDI_TRAY_CHAPTER1 ? 1 : 0;
    case 2: return flags & BIDI_TRAY_CHAPTER2 ? 1 : 0;
    case 3: return flags & BIDI_TRAY_CHAPTER3 ? 1 : 0;
    default: return 0;
  }
}

void StgSetChapterDefaultTray(DWORD flags, DWORD tray, BYTE* doneBits, SETTING_CONTEXT* ctx) {
  WORD id;
  BYTE bit;
  if (flags & BIDI_TRAY_CHAPTER1) id = sid::rdmChapterDefTray1, bit = BIDI_FUNC_CHAPTER1;
  else if (flags & BIDI_TRAY_CHAPTER2) id = sid::rdmChapterDefTray2, bit = BIDI_FUNC_CHAPTER2;
  else if (flags & BIDI_TRAY_CHAPTER3) id = sid::rdmChapterDefTray3, bit = BIDI_FUNC_CHAPTER3;
  else return;
  StgSetValue(ctx, id, tray);
  if (doneBits) *doneBits |= bit;
}

void StgResetChapterDefaultTraysCommon(SETTING_CONTEXT* ctx) {
  DWORD tray = BidiTraySelectValue(kDefaultTrayCode);
  for (WORD id : {sid::rdmChapterDefTray1, sid::rdmChapterDefTray2, sid::rdmChapterDefTray3})
    StgSetValue(ctx, id, tray);
}

void StgValidateChapterRows(SETTING_CONTEXT* ctx) {
  CHAPTER_BLOCK* b = EnsureBlock(ctx);
  if (!b) return;
  const uint64_t savedTray = Val(ctx, sid::wdmChapterTray);
  const uint64_t savedPrint = Val(ctx, sid::wdmChapterPrint);
  DWORD n = Num(ctx);
  for (DWORD r = 0; r < Usable(b) && r < n; ++r) {
    CHAPTER_ROW& row = b->Rows()[r];
    StgSetValue(ctx, sid::wdmChapterTray, (uint64_t)(int64_t)row.tray);
    RuleRunSettingTransact(ctx, sid::wdmChapterTray);
    SHORT tray = (SHORT)Val(ctx, sid::wdmChapterTray);
    if (tray != row.tray) {
      for (WORD slot : kTraySlots)
        if ((SHORT)Val(ctx, slot) == row.tray) {
          StgSetValue(ctx, slot, (uint64_t)(int64_t)tray);
          break;
        }
      row.tray = tray;
    }
    StgSetValue(ctx, sid::wdmChapterPrint, row.print);
    RuleRunSettingTransact(ctx, sid::wdmChapterPrint);
    row.print = (BYTE)Val(ctx, sid::wdmChapterPrint);
  }
  StgSetValue(ctx, sid::wdmChapterTray, savedTray);
  StgSetValue(ctx, sid::wdmChapterPrint, savedPrint);
}

int StgLoadChapterLimitsOnce(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return 0;
  if (ctx->work->chapterDeviceLoaded) return 1;
  // The rows are read during the class load into a block sized by the limit, so the limit is read
  // first: read with a limit of 0 they would be lost, and the next save would write the empty list
  // over the stored one. Should the load have changed the limit, the rows are read again.
  ReadChapterLimits(ctx);
  const DWORD rowLimit = Max(ctx);
  int result = CfgLoadSettingClass(ctx->printer, ctx, 3, 2);
  ReadChapterLimits(ctx);
  if (Max(ctx) != rowLimit) StgLoadChapterRows(ctx, nullptr, 0);
  RuleBroadcastEvent11(ctx);
  ctx->work->chapterDeviceLoaded = 1;
  return result;
}

void StgLoadChapterDataIfSelected(SETTING_CONTEXT* ctx) {
  if (Val(ctx, sid::rdmFuncSelectChapter)) StgRequestDeviceDataLoad(ctx);
}

void StgCopyMediaTypeToAll(SETTING_CONTEXT* ctx, WORD sourceId) {
  uint64_t v = Val(ctx, sourceId);
  for (WORD id : kMediaTypes)
    if (id != sourceId) StgSetValue(ctx, id, v);
}

// ---------------------------------------------------------------------------------------------
// Handlers.

int StgChapterModuleCommand(SETTING_CONTEXT* ctx, WORD command, void*) {
  if (command < STG_CMD_CHAPTER_FIRST || command > STG_CMD_CHAPTER_LAST) return 0;
  StgCopyMediaTypeToAll(ctx, kMediaTypes[command - STG_CMD_CHAPTER_FIRST]);
  return 1;
}

int StgChapterModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void*) {
  switch (event) {
    case STG_EVENT_SAVE_SETTING:
    case STG_EVENT_READ_SETTING:
      return SkipOtherSettings(ctx, static_cast<CFG_DEVICE_SETTING_EVENT*>(arg));
    case STG_EVENT_TRAY_STATUS:
      if (auto* a = static_cast<BIDI_TRAY_STATUS_ARG*>(arg)) a->answer = (WORD)StgTestChapterTrayFlag(a->status, a->kind);
      return 1;
    case STG_EVENT_TRAY_FUNCTION:
      if (auto* a = static_cast<BIDI_TRAY_FUNCTION_ARG*>(arg)) StgSetChapterDefaultTray(a->status, a->binValue, a->functionByte, ctx);
      return 1;
    case STG_EVENT_TRAYS_VISITED:
      StgResetChapterDefaultTrays(ctx);
      return 1;
    case STG_EVENT_BEFORE_STORE:
      StgValidateChapterRows(ctx);
      return 1;
    case STG_EVENT_DEVICE_DATA:
      if (arg) *static_cast<uint64_t*>(arg) = (uint64_t)(int64_t)StgLoadChapterLimitsOnce(ctx);
      return 1;
    case STG_EVENT_DEPENDENTS:
      StgLoadChapterDataIfSelected(ctx);
      return 1;
    case STG_EVENT_CLASS_READ:
      if (auto* a = static_cast<CFG_CLASS_EVENT*>(arg); a && a->storageClass == 3 && a->modeOrFlags == 2)
        StgLoadChapterRows(ctx, nullptr, 0);
      return 0;
    case STG_EVENT_DEVICE_SAVED:
      if (auto* a = static_cast<CFG_CLASS_EVENT*>(arg); a && a->storageClass == 3 && a->modeOrFlags == 2)
        StgSaveChapterRows(ctx, nullptr);
      return 0;
    case STG_EVENT_FILE_TRANSFERRED:
      FileTransferred(ctx, static_cast<CFG_FILE_TRANSFER_EVENT*>(arg));
      return 0;
    default:
      return 0;
  }
}
