// The reset-handler table: what happens to a setting that the rules do not describe (its item
// descriptor has no UI item key) when the store's values are validated after the DEVMODE defaults were
// built (mode 1: the default is stored) or after a merge (mode 2: an acceptable value is kept).
#include <array>

#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

const MODEL_BLOCK* Model(SETTING_CONTEXT* ctx) { return ctx && ctx->model ? ctx->model : StgGetModelBlock(); }

int Store(ITEM_DESC* desc, DWORD value, SETTING_CONTEXT* ctx) {
  if (desc) StgWriteValue(ctx, desc, value);
  return 0;
}
// Keeps the value in mode 2 when `ok`, else stores `def`.
int KeepOr(bool ok, int mode, ITEM_DESC* desc, DWORD def, SETTING_CONTEXT* ctx) {
  if (mode == RULE_RESET_MODE_VALIDATE && ok) return 1;
  return Store(desc, def, ctx);
}
bool Between(DWORD v, LONG lo, LONG hi) { return LONG(v) >= lo && LONG(v) <= hi; }

// ---- handler families ----

int AllowedValue(WORD id, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(StgIsValueAllowed(id, int32_t(v)) != 0, mode, d, param, ctx);
}
int StoreParam(WORD id, DWORD, ITEM_DESC* d, DWORD param, int, SETTING_CONTEXT* ctx) {
  return Store(d, id == sid::rdmZARNVer ? DWORD(Model(ctx)->resetZarnVersion) : param, ctx);
}
int StoreParamLate(WORD, DWORD, ITEM_DESC* d, DWORD param, int, SETTING_CONTEXT* ctx) { return Store(d, param, ctx); }
int KeepAll(WORD, DWORD, ITEM_DESC*, DWORD, int, SETTING_CONTEXT*) { return 1; }
int Nothing(WORD, DWORD, ITEM_DESC*, DWORD, int, SETTING_CONTEXT*) { return 0; }
int MachineId(WORD, DWORD v, ITEM_DESC* d, DWORD, int mode, SETTING_CONTEXT* ctx) {
  DWORD code = DWORD(StgGetModelBlock()->modelCode);
  return KeepOr(v == code, mode, d, code, ctx);
}
int Preset(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(v <= 127 || (v & 0xFF) == 255, mode, d, param, ctx);
}
int DstResolution(WORD id, DWORD v, ITEM_DESC* d, DWORD, int mode, SETTING_CONTEXT* ctx) {
  DWORD quality = DWORD(StgGetValue(ctx, sid::dmPrintQuality, nullptr));
  DWORD def = RuleIsValidPrintQuality(SHORT(quality), ctx) ? quality : DWORD(Model(ctx)->defaultResolution);
  return KeepOr(StgIsValueAllowed(id, int32_t(v)) != 0, mode, d, def, ctx);
}
int OutPaper(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(RuleIsStdPaperCode(v) || v == 1024, mode, d, param, ctx);
}
int OutTray(WORD, DWORD, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(true, mode, d, param, ctx);
}
int Scale(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(Between(v, 20, 400), mode, d, param, ctx);
}
int Margin(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  LONG most = LONG(StgLengthToDots(STG_UNIT_METRIC, 500, StgGetDstResolutionW(ctx)));
  return KeepOr(Between(v, 0, most), mode, d, param, ctx);
}
int FontPoint(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(Between(v, 6, 100), mode, d, param, ctx);
}
int InputTray(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(Between(v, 1, 15) || StgIsValueAllowed(sid::dmDefaultSource, int32_t(v)), mode, d, param, ctx);
}
int ColorAdjust(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(Between(v, -50, 50), mode, d, param, ctx);
}
int Language(WORD, DWORD v, ITEM_DESC* d, DWORD, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(StgIsKnownRegion(int(v)) != 0, mode, d, DWORD(Model(ctx)->resetDefault41), ctx);
}
int DisplayLanguage(WORD, DWORD v, ITEM_DESC* d, DWORD, int mode, SETTING_CONTEXT* ctx) {
  DWORD def = mode == RULE_RESET_MODE_DEFAULTS ? StgGetOptionValue(ctx, sid::rdmLanguageID, nullptr)
                                               : DWORD(Model(ctx)->resetDisplayLanguage);
  return KeepOr(StgIsKnownRegion(int(v)) != 0, mode, d, def, ctx);
}
int DisplayUnit(WORD id, DWORD v, ITEM_DESC* d, DWORD, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(StgIsValueAllowed(id, int32_t(v)) != 0, mode, d, DWORD(Model(ctx)->resetDefault43), ctx);
}
int PrintArea(WORD id, DWORD v, ITEM_DESC* d, DWORD, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(StgIsValueAllowed(id, int32_t(v)) != 0, mode, d, DWORD(Model(ctx)->resetExtPrintArea), ctx);
}
int Gamma(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(Between(v, 1, 9), mode, d, param, ctx);
}
int SeparationCycle(WORD, DWORD v, ITEM_DESC* d, DWORD param, int mode, SETTING_CONTEXT* ctx) {
  return KeepOr(Between(v, 1, 99), mode, d, param, ctx);
}

// ---- the table ----

struct Handled {
  WORD id;
  RULE_RESET_HANDLER handler;
  DWORD param;
};

// Every setting that has a handler, by family.
constexpr Handled kHandled[] = {
    // allowed-value family
    {36, AllowedValue, 1}, {54, AllowedValue, 1}, {87, AllowedValue, 2}, {88, AllowedValue, 0},
    {91, AllowedValue, 1}, {92, AllowedValue, 1}, {93, AllowedValue, 1}, {94, AllowedValue, 3},
    {95, AllowedValue, 1}, {108, AllowedValue, 2}, {109, AllowedValue, 4}, {110, AllowedValue, 6},
    {111, AllowedValue, 0}, {112, AllowedValue, 5}, {113, AllowedValue, 0}, {117, AllowedValue, 1},
    {119, AllowedValue, 2}, {120, AllowedValue, 0}, {121, AllowedValue, 0}, {122, AllowedValue, 0},
    {124, AllowedValue, 0}, {126, AllowedValue, 0}, {128, AllowedValue, 0}, {129, AllowedValue, 0},
    {130, AllowedValue, 0}, {131, AllowedValue, 0}, {132, AllowedValue, 1}, {133, AllowedValue, 1},
    {134, AllowedValue, 0}, {135, AllowedValue, 0}, {136, AllowedValue, 0}, {137, AllowedValue, 257},
    {174, AllowedValue, 0}, {175, AllowedValue, 0}, {176, AllowedValue, 0}, {177, AllowedValue, 0},
    {178, AllowedValue, 18}, {179, AllowedValue, 32}, {180, AllowedValue, 1}, {181, AllowedValue, 0},
    {182, AllowedValue, 1}, {199, AllowedValue, 0}, {200, AllowedValue, 0}, {201, AllowedValue, 255},
    {209, AllowedValue, 0}, {227, AllowedValue, 0}, {228, AllowedValue, 0}, {229, AllowedValue, 0},
    {232, AllowedValue, 1}, {242, AllowedValue, 0}, {243, AllowedValue, 0}, {398, AllowedValue, 0},
    {404, AllowedValue, 1}, {405, AllowedValue, 1}, {406, AllowedValue, 1}, {407, AllowedValue, 1},
    // store param
    {55, StoreParam, 0}, {56, StoreParam, 0}, {57, StoreParam, 0}, {58, StoreParam, 0}, {59, StoreParam, 0},
    {60, StoreParam, 0}, {61, StoreParam, 1}, {62, StoreParam, 0}, {63, StoreParam, 0}, {64, StoreParam, 0},
    {65, StoreParam, 0}, {66, StoreParam, 0}, {67, StoreParam, 0}, {68, StoreParam, 0}, {69, StoreParam, 0},
    {100, StoreParam, 0}, {101, StoreParam, 0}, {102, StoreParam, 0}, {103, StoreParam, 0},
    {104, StoreParam, 0}, {105, StoreParam, 0}, {106, StoreParam, 0}, {107, StoreParam, 0},
    {144, StoreParam, 1}, {145, StoreParam, 2}, {146, StoreParam, 4}, {147, StoreParam, 8},
    {183, StoreParam, 0}, {184, StoreParam, 0}, {211, StoreParam, 1}, {212, StoreParam, 2},
    {213, StoreParam, 4}, {214, StoreParam, 8}, {215, StoreParam, 16}, {216, StoreParam, 32},
    {217, StoreParam, 64}, {233, StoreParam, 0},
    // store param, late
    {445, StoreParamLate, 2}, {446, StoreParamLate, 3}, {512, StoreParamLate, 0}, {513, StoreParamLate, 3},
    {514, StoreParamLate, 0}, {515, StoreParamLate, 0}, {516, StoreParamLate, 0}, {517, StoreParamLate, 0},
    {518, StoreParamLate, 0}, {519, StoreParamLate, 0}, {520, StoreParamLate, 0}, {522, StoreParamLate, 0},
    {523, StoreParamLate, 0}, {526, StoreParamLate, 0}, {527, StoreParamLate, 100}, {528, StoreParamLate, 0},
    {529, StoreParamLate, 0}, {530, StoreParamLate, 0}, {531, StoreParamLate, 0}, {562, StoreParamLate, 0},
    {563, StoreParamLate, 0}, {600, StoreParamLate, 0}, {602, StoreParamLate, 1}, {603, StoreParamLate, 1},
    {611, StoreParamLate, 1027}, {612, StoreParamLate, 1}, {679, StoreParamLate, 3}, {680, StoreParamLate, 2},
    {687, StoreParamLate, 1}, {688, StoreParamLate, 1}, {689, StoreParamLate, 0}, {690, StoreParamLate, 1},
    {693, StoreParamLate, 5}, {694, StoreParamLate, 0}, {695, StoreParamLate, 0}, {696, StoreParamLate, 0},
    // the other families
    {172, KeepAll, 0}, {202, KeepAll, 0}, {207, KeepAll, 0}, {231, KeepAll, 0}, {118, Nothing, 0},
    {35, MachineId, 0}, {37, Preset, 0}, {38, DstResolution, 0}, {39, DstResolution, 0},
    {46, OutPaper, 1024}, {53, OutTray, 0}, {89, Scale, 100}, {90, Scale, 100}, {98, Margin, 0},
    {99, Margin, 0}, {116, FontPoint, 10}, {123, InputTray, 7}, {125, InputTray, 7}, {127, InputTray, 7},
    {138, ColorAdjust, 0}, {139, ColorAdjust, 0}, {140, ColorAdjust, 0}, {141, ColorAdjust, 0},
    {142, ColorAdjust, 0}, {143, ColorAdjust, 0}, {169, Language, 0}, {170, DisplayLanguage, 0},
    {171, DisplayUnit, 0}, {173, PrintArea, 0}, {399, Gamma, 5}, {400, Gamma, 5}, {401, Gamma, 5},
    {402, Gamma, 5}, {411, SeparationCycle, 1},
};
static_assert(sizeof(kHandled) / sizeof(kHandled[0]) == 163, "163 settings have a handler");

// Row of a setting id: rows 0-580 hold 35-615, row 581 647, rows 582-599 679-696; -1 for any other id.
constexpr int RowOf(DWORD id) {
  if (id >= 35 && id <= 615) return int(id - 35);
  if (id == 647) return 581;
  if (id >= 679 && id <= 696) return int(582 + (id - 679));
  return -1;
}
static_assert(RowOf(615) == 580 && RowOf(696) == RULE_RESET_ROWS - 1);

constexpr std::array<RESET_HANDLER_ROW, RULE_RESET_ROWS> BuildTable() {
  std::array<RESET_HANDLER_ROW, RULE_RESET_ROWS> t{};
  for (int i = 0; i < RULE_RESET_ROWS; ++i) t[size_t(i)].settingId = i <= 580 ? DWORD(35 + i) : i == 581 ? 647u : DWORD(679 + i - 582);
  for (const Handled& h : kHandled) {
    int row = RowOf(h.id);
    if (row < 0 || t[size_t(row)].handler) throw "a handled setting has no row, or two handlers";
    t[size_t(row)].handler = h.handler;
    t[size_t(row)].param = h.param;
  }
  return t;
}
constexpr std::array<RESET_HANDLER_ROW, RULE_RESET_ROWS> kTable = BuildTable();

}  // namespace

const RESET_HANDLER_ROW* RuleGetResetHandlerTable() { return kTable.data(); }

const RESET_HANDLER_ROW* RuleFindResetHandler(DWORD settingId) {
  int row = RowOf(settingId);
  return row < 0 ? nullptr : &kTable[size_t(row)];
}

int RuleResetUncheckedSettings(DEVMODEW*, SETTING_CONTEXT* ctx, int mode) {
  if (!ctx) return 0;
  for (int i = 0; i < RULE_RESET_ROWS; ++i) {
    WORD id = WORD(35 + i);
    ITEM_DESC* desc = nullptr;
    if (ctx->dictionary && id - 1 < ctx->dictionary->count && ctx->dictionary->rows[id - 1].id == id)
      desc = &ctx->dictionary->rows[id - 1];
    else
      desc = StgFindItem(ctx, id);
    DWORD value = desc ? DWORD(StgReadValue(ctx, desc)) : 0;
    if (RuleValidateValue(id, value, ctx) != RULE_VALUE_NO_UI_KEY) continue;
    const RESET_HANDLER_ROW* row = RuleFindResetHandler(id);
    if (row && row->handler) row->handler(id, value, desc, row->param, mode, ctx);
  }
  return RULE_RESET_ROWS;
}
