// UI preparation and the behaviour-flag tables of settings and controls.
#include "sheets/dlg_prepare.h"

#include <cstring>

#include "config/driver_lists.h"
#include "config/free_size.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "features/fm_modules.h"
#include "kvplat/codepage.h"
#include "kvplat/paint.h"
#include "kvplat/resource.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/modules.h"
#include "settings/undo.h"
#include "settings/units.h"
#include "sheets/dlg_sheets.h"
#include "driverdata/img_image.h"

namespace {

// Setting ids.
constexpr WORD kUiStart = 989, kChapterMax = 994, kPropertyType = 718, kPresetNo = 37, kPresetName = 925;
constexpr WORD kSelectWatermark = 60, kWmId = 118, kWmKind = 117, kUseUserMacro = 176, kUserPrintMacro = 179;
constexpr WORD kWmFontName = 945;

constexpr DWORD kPaperClass = 0x1030000;  // refresh classes 0x10000, 0x20000 and 0x1000000
constexpr DWORD kTrayTypeClass = 0x100000;
constexpr uint64_t kLengthInDots = 0x80000000u;

struct IdRange {
  WORD first, last;
};
// Settings whose writes rebuild the paper-dependent lists.
constexpr IdRange kPaperClassIds[] = {
    {7, 8},         {13, 13},       {46, 46},       {54, 56},       {58, 58},       {78, 78},
    {91, 91},       {94, 94},       {209, 209},     {511, 511},     {10013, 10014}, {10018, 10018},
    {10020, 10021}, {10023, 10023}, {10047, 10049}, {10056, 10059}, {10062, 10062}, {10066, 10070},
    {10143, 10206}, {10290, 10290}};
// rdmOutputOptionTypeRemote and rdmOutputOptionTypeHDD also rebuild the print-type combos.
constexpr WORD kTrayTypeIds[] = {10062, 10070};
// Lengths kept in dots: the shift and binding margins and the creep margins.
constexpr WORD kLengthIds[] = {96, 97, 98, 99, 691, 692};

// Control flags: rows with `replace` set the flags, the others add to them. page 0: every dialog.
struct FlagRow {
  WORD controlId;
  WORD page;
  DWORD flags;
  bool replace;
};
constexpr FlagRow kFlagRows[] = {
    {2032, 0, 0x100000, true},  {2041, 0, 0x100000, true},  {2100, 0, 0x10000, true},
    {2102, 0, 0x20000, true},   {2895, 0, 0x1000000, true},
    // The preset save buttons of the pages.
    {2038, 0, 0x2000000, false}, {2080, 0, 0x2000000, false}, {2097, 0, 0x2000000, false},
    {2115, 0, 0x2000000, false}, {2715, 0, 0x2000000, false}, {2923, 0, 0x2000000, false},
    {3115, 0, 0x2000000, false},
    // Unit edits the arrow keys do not step.
    {2263, 0, 0x200000, false}, {2266, 0, 0x200000, false}, {2269, 0, 0x200000, false},
    {2272, 0, 0x200000, false}, {2274, 0, 0x200000, false}, {2276, 0, 0x200000, false},
    {2322, 0, 0x200000, false}, {2325, 0, 0x200000, false}, {2328, 0, 0x200000, false},
    {2344, 0, 0x200000, false}, {2419, 0, 0x200000, false}, {2421, 0, 0x200000, false},
    {2470, 0, 0x200000, false}, {2602, 0, 0x200000, false}, {2649, 0, 0x200000, false},
    {2935, 0, 0x200000, false}, {2953, 0, 0x200000, false}, {2956, 0, 0x200000, false},
    {2965, 0, 0x200000, false}, {3031, 0, 0x200000, false}, {3034, 0, 0x200000, false},
    {3037, 0, 0x200000, false},
    // Picture-file name edits: text limit 260.
    {2341, 0, 0x400000, false}, {2586, 0, 0x400000, false},
    // Edits that keep their blanks.
    {2243, 0, 0x800000, false}, {2423, 0, 0x800000, false}, {2532, 0, 0x800000, false},
    {2988, 0, 0x800000, false}, {2996, 0, 0x800000, false}, {2999, 0, 0x800000, false},
    {3003, 0, 0x800000, false}, {3006, 0, 0x800000, false}, {3058, 0, 0x800000, false},
    {3059, 0, 0x800000, false}, {3107, 0, 0x800000, false}, {2667, 1039, 0x800000, false},
};
// No context help while the document settings are shown (rdmPropertyType 0).
constexpr FlagRow kNoHelpRows[] = {{2361, 1025, STG_CONTROL_NO_HELP, false}, {3085, 4027, STG_CONTROL_NO_HELP, false}};
// Owner-drawn lists with picture items (kind 0x2F only).
constexpr WORD kPictureLists[] = {2085, 2087, 2100, 2102, 2895, 2941, 2457};
// Lists and combos (kinds 0x2A-0x31) not rebuilt when their rules change.
constexpr WORD kNoRebuild[] = {2164, 2036, 2078, 2095, 2921, 3112, 2109, 2713, 2134, 2384};
constexpr WORD kLockMarkPage = 4031;

// Preset numbers: stored -1 is "no stored preset" (118), 0-15 the stored presets (119-134).
constexpr ITEM_VALUE_MAP kPresetMap[] = {
    {0xFFFFFFFFu, 118}, {0, 119},  {1, 120},  {2, 121},  {3, 122},  {4, 123},  {5, 124},  {6, 125}, {7, 126},
    {8, 127},           {9, 128},  {10, 129}, {11, 130}, {12, 131}, {13, 132}, {14, 133}, {15, 134}, {0, 0},
    {0, 0}};

// Controls that take another control's item key: {page, control, key page, key control}.
struct KeyShare {
  WORD page, control, fromPage, fromControl;
};
constexpr KeyShare kKeyShares[] = {
    {1003, 2078, 1002, 2036}, {1004, 2095, 1002, 2036}, {4016, 2921, 1002, 2036}, {4030, 3112, 1002, 2036},
    {1005, 2109, 1002, 2036}, {1042, 2713, 1002, 2036}, {1001, 2408, 1007, 2145}, {1032, 2452, 1007, 2145},
    {1032, 2453, 1007, 2146}, {1033, 2455, 1021, 2281}, {4004, 2385, 4004, 2289}, {4004, 2384, 4004, 2290},
    {1009, 2385, 1009, 2380}, {1009, 2384, 1009, 2382}};
// The preset-name statics of the pages, sharing wdmPresetName's bytes.
constexpr KeyShare kPresetNameStatics[] = {{1002, 2388, 0, 0}, {1003, 2389, 0, 0}, {1004, 2390, 0, 0}, {4016, 2924, 0, 0},
                                           {4030, 3113, 0, 0}, {1005, 2391, 0, 0}, {1042, 2733, 0, 0}};
// The custom-size dialog's work edits over their stored settings.
constexpr KeyShare kCustomSizeAliases[] = {
    {1017, 2392, 1017, 2220}, {1017, 2393, 1017, 2221}, {1017, 2394, 1017, 2224}, {1017, 2395, 1017, 2225}};
// Work settings over their stored counterparts: {stored, work}.
struct Alias {
  WORD from, to;
};
constexpr Alias kAliases[] = {{92, 954},   {94, 955},    {120, 956},   {121, 957},   {511, 1097}, {522, 1110},
                              {343, 1163}, {1163, 1164}, {347, 1165},  {1165, 1166}, {919, 1167}, {1167, 1168}};

constexpr WORD kSampleControl = 2249, kSamplePage = 1038;
constexpr WORD kSampleDefaults[6] = {138, 139, 140, 141, 142, 143};
constexpr WORD kPreviewControl = 2039, kPreviewPage = 1002;
constexpr WORD kPresetList = 2001, kPresetPage = 1001, kMaintenanceList = 2139, kMaintenancePage = 1007;

template <typename F>
void ForEachControl(SETTING_CONTEXT* ctx, F&& f) {
  DIALOG_TABLE* t = ctx->dialogs;
  for (int d = 0; t && d < t->count; ++d)
    for (int c = 0; c < t->rows[d].controlCount; ++c) f(&t->rows[d], &t->rows[d].controls[c]);
}

CONTROL_DESC* Control(SETTING_CONTEXT* ctx, WORD page, WORD id) {
  DIALOG_DESC* d = StgFindDialog(ctx, page);
  return d ? StgFindControlById(ctx, d, id) : nullptr;
}

ITEM_DESC* ItemOf(SETTING_CONTEXT* ctx, const CONTROL_DESC* c) {
  return c && c->key ? StgFindItemByKey(ctx, WORD(c->key)) : nullptr;
}

void SetValueMap(ITEM_DESC* row) {
  if (row && row->ext) row->ext->valueMap = kPresetMap;
}

void CopyStorage(ITEM_DESC* from, ITEM_DESC* to, bool withType) {
  if (!from || !to || from == to) return;
  if (withType) to->type = from->type;
  to->offset = from->offset;
}

void SetChangeClasses(SETTING_CONTEXT* ctx) {
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = 0; dict && i < dict->count; ++i) {
    ITEM_DESC& row = dict->rows[i];
    row.changeClass = 0;
    for (const IdRange& r : kPaperClassIds)
      if (row.id >= r.first && row.id <= r.last) row.changeClass |= kPaperClass;
    for (WORD id : kTrayTypeIds)
      if (row.id == id) row.changeClass |= kTrayTypeClass;
    for (WORD id : kLengthIds)
      if (row.id == id) row.changeClass |= kLengthInDots;
  }
}

bool Listed(const WORD* ids, size_t n, WORD id) {
  for (size_t i = 0; i < n; ++i)
    if (ids[i] == id) return true;
  return false;
}

void ApplyFlagRow(const FlagRow& r, DIALOG_DESC* page, CONTROL_DESC* c) {
  if (c->controlId != r.controlId || (r.page && page->id != r.page)) return;
  c->flags = r.replace ? r.flags : c->flags | r.flags;
}

void SetControlFlags(SETTING_CONTEXT* ctx) {
  bool documentView = StgGetValue(ctx, kPropertyType, nullptr) == 0;
  bool locks = StgIsModelFeatureOn(ctx, 2, 0) != 0;
  ForEachControl(ctx, [&](DIALOG_DESC* page, CONTROL_DESC* c) {
    for (const FlagRow& r : kFlagRows) ApplyFlagRow(r, page, c);
    if (documentView)
      for (const FlagRow& r : kNoHelpRows) ApplyFlagRow(r, page, c);
    if (c->kind == 0x2F && Listed(kPictureLists, std::size(kPictureLists), c->controlId))
      c->flags |= STG_CONTROL_PICTURE_ITEMS;
    if (c->kind >= 0x2A && c->kind <= 0x31 && Listed(kNoRebuild, std::size(kNoRebuild), c->controlId))
      c->flags |= STG_CONTROL_NO_REBUILD;
    if (locks && page->id == kLockMarkPage && c->lockInfoId) c->markFlags |= 1;
  });
}

void ShareKeys(SETTING_CONTEXT* ctx) {
  for (const KeyShare& s : kKeyShares) {
    CONTROL_DESC* from = Control(ctx, s.fromPage, s.fromControl);
    CONTROL_DESC* to = Control(ctx, s.page, s.control);
    if (from && to) to->key = from->key;
  }
}

void ShareStorage(SETTING_CONTEXT* ctx) {
  ITEM_DESC* name = StgFindItem(ctx, kPresetName);
  for (const KeyShare& s : kPresetNameStatics) CopyStorage(name, ItemOf(ctx, Control(ctx, s.page, s.control)), false);
  for (const KeyShare& s : kCustomSizeAliases)
    CopyStorage(ItemOf(ctx, Control(ctx, s.fromPage, s.fromControl)), ItemOf(ctx, Control(ctx, s.page, s.control)), true);
  for (const Alias& a : kAliases) CopyStorage(StgFindItem(ctx, a.from), StgFindItem(ctx, a.to), true);
}

WORD SettingIdOfKey(SETTING_CONTEXT* ctx, WORD key) {
  ITEM_DESC* row = key ? StgFindItemByKey(ctx, key) : nullptr;
  return row ? WORD(row->id) : 0;
}

// The extra data of the sample and the preview, rewritten into the context's own copies: the table's
// words name controls and item keys, the painters want setting ids.
void PrepareExtraData(SETTING_CONTEXT* ctx) {
  SHEET_WORK& w = ctx->work->sheet;
  DIALOG_DESC* samplePage = StgFindDialog(ctx, kSamplePage);
  CONTROL_DESC* sample = samplePage ? StgFindControlById(ctx, samplePage, kSampleControl) : nullptr;
  if (sample && sample->extra && static_cast<const WORD*>(sample->extra)[0] == STG_EXTRA_SAMPLE) {
    std::memcpy(w.sampleExtra, sample->extra, sizeof w.sampleExtra);
    for (int i = 3; i <= 8; ++i) {
      CONTROL_DESC* dep = w.sampleExtra[i] ? StgFindControlById(ctx, samplePage, w.sampleExtra[i]) : nullptr;
      WORD id = dep ? SettingIdOfKey(ctx, WORD(dep->key)) : 0;
      w.sampleExtra[i] = id ? id : kSampleDefaults[i - 3];
    }
    sample->extra = w.sampleExtra;
  }
  CONTROL_DESC* preview = Control(ctx, kPreviewPage, kPreviewControl);
  if (!preview || !preview->extra || static_cast<const WORD*>(preview->extra)[0] != STG_EXTRA_PREVIEW) return;
  std::memcpy(w.previewExtra, preview->extra, sizeof w.previewExtra);
  for (int i = 1; i <= 14; ++i)
    if (i != 2) w.previewExtra[i] = SettingIdOfKey(ctx, w.previewExtra[i]);
  w.previewExtra[2] = kWmFontName;
  ForEachControl(ctx, [&](DIALOG_DESC* page, CONTROL_DESC* c) {
    if (c->controlId == kPreviewControl || (c->controlId == kPresetList && page->id == kPresetPage) ||
        (c->controlId == kMaintenanceList && page->id == kMaintenancePage))
      c->extra = w.previewExtra;
  });
}

void ClearChangeStates(SETTING_CONTEXT* ctx) {
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = 0; dict && i < dict->count; ++i) dict->rows[i].flags &= ~uint64_t(STG_FLAG_CHANGE_MASK);
}

// The stored preset's name and comment from the printer's preset section, narrowed into their buffers.
void LoadPresetTexts(SETTING_CONTEXT* ctx) {
  int index = int(StgGetOptionValue(ctx, kPresetNo, nullptr)) - 119;
  if (index < 0 || index >= 16) return;
  struct {
    int part;
    char* buffer;
    int bytes;
  } texts[] = {{1, FmPresetNameBuffer(ctx), 37}, {2, FmPresetCommentBuffer(ctx), 513}};
  for (auto& t : texts) {
    if (!t.buffer) continue;
    WCHAR key[CFG_LIST_NAME_CHARS], value[1025] = {};
    CfgFormatPresetKey(key, index, t.part);
    CfgIniGetString(CfgGetPresetSection(ctx), key, u"", value, 1025, CfgGetIniPath(ctx));
    int n = WideCharToMultiByte(CP_ACP, 0, value, -1, t.buffer, t.bytes, nullptr, nullptr);
    t.buffer[n > 0 ? n - 1 : 0] = 0;
    t.buffer[t.bytes - 1] = 0;
  }
}

void CheckWatermark(SETTING_CONTEXT* ctx) {
  DWORD id = DWORD(StgGetValue(ctx, kWmId, nullptr));
  if (StgGetValue(ctx, kSelectWatermark, nullptr) && id < DWORD(CfgGetStampCount(ctx))) {
    uint64_t kind = StgGetValue(ctx, kWmKind, nullptr);
    if (kind >= 1 && kind <= 3) {
      CfgLoadStamp(ctx, int(id));
      StgSetValue(ctx, kWmId, id);
    }
    return;
  }
  StgSetValue(ctx, kSelectWatermark, 0);
  StgSetValue(ctx, kWmId, 0);
}

void LoadCursorsAndBrushes(SETTING_CONTEXT* ctx) {
  SHEET_WORK& w = ctx->work->sheet;
  HMODULE res = CfgLoadResourceDll(ctx);
  for (int i = 0; i < 2; ++i)
    if (!w.cursors[i]) w.cursors[i] = LoadCursorW(res, MAKEINTRESOURCEW(8000 + i));
  w.savedCursor = nullptr;
  w.faceColour = GetSysColor(COLOR_BTNFACE);
  if (!w.brushes[0]) w.brushes[0] = CreateSolidBrush(w.faceColour);
  if (!w.brushes[1]) w.brushes[1] = CreateSolidBrush(0xFFFFFF);
}

void* NodeOfKey(SETTING_CONTEXT* ctx, int16_t key) { return DlgFindKeyNode(ctx, WORD(key)); }

}  // namespace

void* DlgFindKeyNode(SETTING_CONTEXT* ctx, WORD key) {
  if (!ctx || !ctx->image || !key) return nullptr;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(ImgFindNodeByKey(ctx, key)));
}

int DlgIsKeyExcluded(SETTING_CONTEXT* ctx, WORD key) {
  void* node = DlgFindKeyNode(ctx, key);
  WORD id = node ? ImgNodeSettingId(reinterpret_cast<uintptr_t>(node)) : 0;
  return id && StgIsSettingExcluded(ctx, id) ? 1 : 0;
}

void PgSetItemFlags(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return;
  SetChangeClasses(ctx);
  SetControlFlags(ctx);
  SetValueMap(StgFindItem(ctx, kPresetNo));
  SetValueMap(ItemOf(ctx, Control(ctx, kMaintenancePage, kMaintenanceList)));
  ShareKeys(ctx);
  // The preset name and comment edits belong to the preset-file class of settings.
  for (WORD id : {WORD(2145), WORD(2146)})
    if (ITEM_DESC* row = ItemOf(ctx, Control(ctx, kMaintenancePage, id)))
      row->flags = (row->flags & ~uint64_t(0xC)) | 0x4;
  ShareStorage(ctx);
  PrepareExtraData(ctx);
}

int DlgPrepareUi(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog) {
  if (!ctx || !ctx->work || !ctx->dialogs || ctx->dialogs->count <= 0) return 0;
  ITEM_DESC* start = nullptr;
  if (StgGetValue(ctx, kUiStart, &start) == 0 && start) {
    StgWriteOptionValue(ctx, start, 1);
    start->flags &= ~uint64_t(STG_FLAG_CHANGE_MASK);
  }
  if (!ctx->work->chapterRows) {
    StgGetChapterRow(ctx, 0);  // the chapter rows sized for wdmChapterMax
    StgRequestDeviceDataLoad(ctx);
  }
  (void)kChapterMax;
  if (!dialog) dialog = &ctx->dialogs->rows[0];
  for (int i = 0; i < dialog->controlCount; ++i)
    if (dialog->controls[i].ruleNode) return dialog->controlCount;
  PgSetItemFlags(ctx);
  DIALOG_TABLE* t = ctx->dialogs;
  for (int d = 0; d < t->count; ++d) {
    DIALOG_DESC* page = &t->rows[d];
    for (int c = 0; c < page->controlCount; ++c) {
      CONTROL_DESC* control = &page->controls[c];
      control->item = ItemOf(ctx, control);
      control->ruleNode = NodeOfKey(ctx, control->key);
      if (control->kind == 0x17 && control->linkedId) {
        CONTROL_DESC* linked = StgFindControlById(ctx, page, WORD(control->linkedId));
        if (linked) control->ruleNode = NodeOfKey(ctx, linked->key);
      }
      if (!control->alternateId) control->alternateId = control->controlId;
    }
  }
  // A fresh change word; a preset save the sheet's buttons were set up for stays pending.
  DWORD saveModes = StgGetChangeFlags(ctx) & (DLG_SAVE_AS_CURRENT | DLG_SAVE_AS_NAMED | DLG_SAVE_PENDING);
  StgRaiseChangeFlags(ctx, 0);
  if (saveModes) StgRaiseChangeFlags(ctx, saveModes);
  CfgLoadAllFreeSizes(ctx);
  LoadCursorsAndBrushes(ctx);
  LoadPresetTexts(ctx);
  CheckWatermark(ctx);
  if (StgGetValue(ctx, kUseUserMacro, nullptr) == 1)
    CfgLoadQualityByIndex(ctx, int(StgGetValue(ctx, kUserPrintMacro, nullptr)) - 32);
  ctx->work->storeModified = 0;
  ClearChangeStates(ctx);
  return StgPushUndo(ctx);
}
