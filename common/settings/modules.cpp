// The feature-module table, its per-context copy and the dispatchers; the op bridge of the driver
// API; the watermark module's command and the font-substitution module's control event; the model's
// compiled-in switches and the judge hooks.
#include "settings/modules.h"

#include <cstdio>
#include <cstring>
#include <span>

#include "config/driver_lists.h"
#include "config/paths.h"
#include "kvplat/dialog.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/api_state.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/free_size_module.h"
#include "settings/item_records.h"
#include "settings/store.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Handlers of this library's rows.

int DefaultCommand(SETTING_CONTEXT*, WORD, void*) { return 0; }
int DefaultMessage(SETTING_CONTEXT*, HANDLE, HANDLE, UINT, UINT_PTR, LONG_PTR, void*) { return 0; }
int DefaultEvent(SETTING_CONTEXT*, DWORD, void*, void*) { return 0; }

constexpr WORD kRdmFuncSelectWaterMark = 60;
constexpr WORD kRdmWmID = 118;
constexpr WORD kRdmCallSrc = 706;

// Command 327: the current watermark settings are kept as the selected stamp, when a watermark is on
// and the selection names a stored stamp.
int WatermarkCommand(SETTING_CONTEXT* ctx, WORD command, void*) {
  if (command != STG_CMD_SAVE_STAMP) return 0;
  DWORD w = StgGetOptionValue(ctx, kRdmWmID, nullptr);
  int count = CfgGetStampCount(ctx);
  if (StgGetValue(ctx, kRdmFuncSelectWaterMark, nullptr) && count > 0 && w < (DWORD)count)
    CfgSaveStamp(ctx, (int)w);
  return 1;
}

constexpr WORD kControlDeviceFontChoice = 2384;
constexpr WORD kDialogUserTtf = 4004;

// Event 3 for the device-font choice: outside the property sheets (no caller) or inside the font
// substitution dialog, the control is shown in state 1.
int FontSubstEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void*) {
  if (event != STG_EVENT_CONTROL_STATE || !arg) return 0;
  auto* a = static_cast<MODULE_CONTROL_STATE_ARG*>(arg);
  if (!a->control || a->control->controlId != kControlDeviceFontChoice) return 0;
  if (StgGetValue(ctx, kRdmCallSrc, nullptr) == 0 || (a->dialog && a->dialog->id == kDialogUserTtf)) {
    a->control->state = (WORD)((a->control->state & ~STG_CONTROL_STATE_DISABLED_MASK) | STG_CONTROL_STATE_DISABLED);
    a->handled = 1;
  }
  return 1;
}

constexpr FEATURE_MODULE kTable[STG_MODULE_COUNT] = {
    {0, nullptr, DefaultCommand, DefaultMessage, DefaultEvent},                          // presets
    {0, nullptr, WatermarkCommand, DefaultMessage, DefaultEvent},                        // watermarks (stamps)
    {0, nullptr, StgCmmModuleCommand, DefaultMessage, StgCmmModuleEvent},                // colour-matching profiles
    {0, nullptr, StgCustomSizeCommand, DefaultMessage, StgCustomSizeEvent},              // custom paper sizes
    {8, nullptr, StgChapterModuleCommand, DefaultMessage, StgChapterModuleEvent},        // chapters
    {0, nullptr, DefaultCommand, DefaultMessage, DefaultEvent},                          // function checklist
    {0, nullptr, DefaultCommand, DefaultMessage, FontSubstEvent},                        // font substitution
    {0, nullptr, DefaultCommand, DefaultMessage, DefaultEvent},                          // settings summary
    {0, nullptr, StgLockModuleCommand, DefaultMessage, StgLockModuleEvent},              // administrator locks
    {0, nullptr, StgSeparationModuleCommand, DefaultMessage, StgSeparationModuleEvent},  // job settings
};

MODULE_VECTOR* Vector(SETTING_CONTEXT* ctx) { return ctx && ctx->work ? ctx->work->modules : nullptr; }

void FreeVector(MODULE_VECTOR* v) {
  if (!v) return;
  if (v->rows)
    for (int i = 0; i < v->count; ++i) StgFree(v->rows[i].privateData);
  StgFree(v->rows);
  StgFree(v);
}

// ---------------------------------------------------------------------------------------------
// Op bridge.

constexpr WORD kDialogCmmAddProfile = 4011;
constexpr WORD kControlCmmMode = 2823;
constexpr WORD kDialogChapter = 1044;

// Op 1: the text of the setting behind the add-profile dialog's mode control, cut to the caller's
// buffer. 0 when no setting is bound there (the buffer is left empty).
int CopyCmmModeText(SETTING_CONTEXT* ctx, WCHAR* dest) {
  if (!dest) return 0;
  dest[0] = 0;
  const DIALOG_DESC* dlg = StgFindDialog(ctx, kDialogCmmAddProfile);
  const CONTROL_DESC* control = dlg ? StgFindControlById(ctx, dlg, kControlCmmMode) : nullptr;
  ITEM_DESC* row = control && control->key ? StgFindItemByKey(ctx, control->key) : nullptr;
  if (!row || !ctx->store) return 0;
  DWORD len = StgTypeLength(row->type);
  WCHAR* text = (WCHAR*)StgAllocZero((len + 1) * sizeof(WCHAR));
  if (!text) return 0;
  BYTE* got = StgGetString(ctx, row, text);
  if (got) kvp::WCopy(dest, STG_MODULE_OP_TEXT, text);
  StgFree(text);
  return got ? 1 : 0;
}

// Op 2: one chapter row for page `first` (a range up to `last` when that is above it).
int AddChapterPage(SETTING_CONTEXT* ctx, MODULE_OP_PARAMS* params) {
  DWORD first = params->p[0], last = params->p[2];
  params->p[3] = 1;
  if (first == 0 || first > STG_MODULE_OP_MAX_PAGE || last > STG_MODULE_OP_MAX_PAGE || (last && last < first))
    return 0;
  DIALOG_DESC* dlg = StgFindDialog(ctx, kDialogChapter);
  if (!dlg) return 0;
  char text[STG_CHAPTER_RANGE_CHARS] = {};
  if (last == 0 || last == first) std::snprintf(text, sizeof(text), "%u", (unsigned)first);
  else std::snprintf(text, sizeof(text), "%u-%u", (unsigned)first, (unsigned)last);
  WCHAR ranges[2][STG_CHAPTER_RANGE_CHARS] = {};
  for (int i = 0; text[i]; ++i) ranges[0][i] = (WCHAR)text[i];
  DWORD pages[2] = {first, 0};
  params->p[3] = (DWORD)StgEditChapterRows(ctx, dlg, pages, nullptr, ranges);
  return 1;
}

// Op 3: the row index goes into the driver-API record, which only a driver-API handle's context has.
int DeleteChapterRow(SETTING_CONTEXT* ctx, MODULE_OP_PARAMS* params) {
  API_STATE* api = ctx->work ? ctx->work->apiState : nullptr;
  if (!api) {
    params->p[1] = 1;
    return 0;
  }
  api->chapterRowIndex = params->p[0];
  params->p[1] = (DWORD)StgDeleteChapterRow(ctx);
  return 1;
}

// The number a range text ends with: after its "-", or the whole text without one.
DWORD RangeEnd(const WCHAR* text) {
  const WCHAR* p = text;
  for (const WCHAR* q = text; *q; ++q)
    if (*q == u'-') p = q + 1;
  DWORD n = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    n = n * 10 + (DWORD)(*p - u'0');
    if (n > STG_MODULE_OP_MAX_PAGE * 10) break;  // no stored range is this long; stop before overflow
  }
  return n;
}

// Op 5: row p[0] of the chapter list as the driver INI holds it.
void ReadChapterRow(SETTING_CONTEXT* ctx, MODULE_OP_PARAMS* params) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  int row = (int)params->p[0];
  params->p[1] = (DWORD)StgReadChapterIniInt(ctx, row, STG_CHAPTER_FIELD_PAGE, ini, 0);
  params->p[2] = (DWORD)StgReadChapterIniInt(ctx, row, STG_CHAPTER_FIELD_KIND, ini, 0);
  params->p[3] = (DWORD)StgReadChapterIniInt(ctx, row, STG_CHAPTER_FIELD_TRAY, ini, 0);
  params->p[4] = (DWORD)StgReadChapterIniInt(ctx, row, STG_CHAPTER_FIELD_PRINT, ini, 0);
  if (params->p[2] != 3) return;
  WCHAR range[STG_CHAPTER_RANGE_CHARS] = {};
  StgReadChapterIniText(ctx, row, STG_CHAPTER_FIELD_RANGE, range, STG_CHAPTER_RANGE_CHARS, ini, 0);
  range[STG_CHAPTER_RANGE_CHARS - 1] = 0;
  params->p[5] = range[0] ? RangeEnd(range) : params->p[1];
}

constexpr DWORD kFeatureBits[4] = {(1u << 2) | (1u << 7) | (1u << 11) | (1u << 23), 0, 0, 0};

}  // namespace

// ---------------------------------------------------------------------------------------------

const FEATURE_MODULE* StgGetModuleTable(int32_t* count) {
  if (count) *count = STG_MODULE_COUNT;
  return kTable;
}

int StgCreateModules(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return 0;
  CONTEXT_WORK_AREA* w = ctx->work;
  w->chapterRows = nullptr;
  w->chapterDeviceLoaded = 0;
  CfgPresetSnapshot(ctx, nullptr, 0);
  FreeVector(w->modules);
  w->modules = nullptr;
  auto* v = (MODULE_VECTOR*)StgAllocZero(sizeof(MODULE_VECTOR));
  if (!v) return 0;
  v->rows = (FEATURE_MODULE*)StgAllocZero(sizeof(FEATURE_MODULE) * STG_MODULE_COUNT);
  if (!v->rows) {
    FreeVector(v);
    return 0;
  }
  std::memcpy(v->rows, kTable, sizeof(kTable));
  v->count = STG_MODULE_COUNT;
  // A module handed no private block would have nowhere to keep its state: all blocks or none.
  for (FEATURE_MODULE& row : std::span(v->rows, STG_MODULE_COUNT)) {
    if (!row.privateSize) continue;
    row.privateData = StgAllocZero((DWORD)row.privateSize);
    if (!row.privateData) {
      FreeVector(v);
      return 0;
    }
  }
  w->modules = v;
  StgBroadcastModuleEvent(ctx, STG_EVENT_CREATED, nullptr);
  return 1;
}

void StgFreeModules(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return;
  CONTEXT_WORK_AREA* w = ctx->work;
  StgFree(w->chapterRows);
  w->chapterRows = nullptr;
  CfgPresetSnapshot(ctx, nullptr, 3);
  if (!w->modules) return;
  StgBroadcastModuleEvent(ctx, STG_EVENT_FREEING, nullptr);
  FreeVector(w->modules);
  w->modules = nullptr;
}

void StgBroadcastModuleCommand(SETTING_CONTEXT* ctx, WORD command) {
  MODULE_VECTOR* v = Vector(ctx);
  if (!v || !v->rows) return;
  for (int i = 0; i < v->count; ++i) {
    FEATURE_MODULE& row = v->rows[i];
    if (row.command && row.command(ctx, command, row.privateData)) return;
  }
}

int StgBroadcastModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg) {
  MODULE_VECTOR* v = Vector(ctx);
  if (!v || !v->rows) return 0;
  for (int i = 0; i < v->count; ++i) {
    FEATURE_MODULE& row = v->rows[i];
    if (row.event && row.event(ctx, event, arg, row.privateData)) break;
  }
  return v->count;
}

int StgRunModuleOp(SETTING_CONTEXT* ctx, DWORD op, MODULE_OP_PARAMS* params) {
  if (!ctx || !params || op > 6) return 0;
  switch (op) {
    case 0:
      params->p[0] = (DWORD)StgGetCmmCount(ctx);
      return 1;
    case 1:
      StgSelectCmmProfile(ctx, (int)params->p[0]);
      return CopyCmmModeText(ctx, static_cast<WCHAR*>(params->ref));
    case 2:
      return AddChapterPage(ctx, params);
    case 3:
      return DeleteChapterRow(ctx, params);
    case 4:
      params->p[0] = (DWORD)StgClearChapterRows(ctx);
      return 1;
    case 5:
      ReadChapterRow(ctx, params);
      return 1;
    default:
      params->p[2] = (DWORD)StgCompareChapterRows(ctx, params->ref, params->ref2);
      return 1;
  }
}

WCHAR* StgFormatDecimalText(WCHAR* dst, LONG value) {
  char text[STG_DECIMAL_CHARS];
  std::snprintf(text, sizeof(text), "%ld", (long)value);
  for (DWORD i = 0; i < STG_DECIMAL_CHARS; ++i)
    if (!(dst[i] = (WCHAR)text[i])) break;
  return dst;
}

DWORD StgDialogAcceptedFlag(INT_PTR endCode) { return endCode == IDCANCEL || endCode == IDNO ? 0 : 1; }

void StgNoteDialogEnd(SETTING_CONTEXT* ctx, INT_PTR endCode) {
  if (ctx && ctx->work) ctx->work->dialogAccepted = StgDialogAcceptedFlag(endCode);
}

int StgIsModelFeatureOn(SETTING_CONTEXT*, WORD feature, int) { return feature < 6 ? 1 : 0; }

int StgIsFeatureBitSet(DWORD bit) {
  if (bit / 32 >= sizeof(kFeatureBits) / sizeof(kFeatureBits[0])) return 0;
  return (int)((kFeatureBits[bit / 32] >> (bit % 32)) & 1u);
}

int StgHasCapability(SETTING_CONTEXT* ctx, DWORD mask) {
  return ctx && ctx->work && (ctx->work->capabilityMask & mask) ? 1 : 0;
}

DWORD StgGetJudgeHookValue(SETTING_CONTEXT* ctx, WORD id) {
  if (id >= 1292 && id <= 1307) return StgCmmJudge(ctx, id);
  if (id >= 1404 && id <= 1419) return StgSeparationJudge(ctx, id);
  return 0;
}
