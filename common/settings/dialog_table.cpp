// The template's dialog table: every driver dialog and page with the controls the driver drives,
// each bound control pointing at its setting row of the template dictionary. The property sheets
// give the control kinds their meaning and fill the run-time fields; labels and group boxes that
// nothing drives live in the model's dialog templates only.
#include <cstring>

#include "settings/item_records.h"
#include "settings/table_internal.h"

namespace {

// One control row as the rows file writes it; a field left out is 0.
struct ControlSpec {
  WORD id;
  int key;
  WORD kind;
  int setting;
  WORD label;
  WORD hint;
  WORD info;
  int linked;
  int followUp;
  const void* extra;
  DWORD flags;
  int lockInfo;
  int lockSetting;
};

constexpr CONTROL_DESC Row(const ControlSpec& s) {
  CONTROL_DESC c{};
  c.key = (int16_t)s.key;
  c.controlId = s.id;
  c.kind = s.kind;
  c.labelId = s.label;
  c.hintId = s.hint;
  c.infoId = s.info;
  c.linkedId = (int16_t)s.linked;
  c.followUp = (int16_t)s.followUp;
  c.item = s.setting ? &StgTemplateRows[StgRowIndexOf(s.setting)] : nullptr;
  c.extra = s.extra;
  c.flags = s.flags;
  c.lockInfoId = (int16_t)s.lockInfo;
  c.lockSettingId = (int16_t)s.lockSetting;
  return c;
}

// ---- Extra data (read-only; the UI preparation copies what it rewrites).

// Exclusion marks of the preset page's owner-drawn combos: {tag, mark shown, mark picture}.
constexpr WORD kExclusionMark[] = {STG_EXTRA_TAG4, 1, 7005};
// Minus/plus bars: {tag, line step, page step, track picture (0 = none)}.
constexpr WORD kStepsBrightness[] = {STG_EXTRA_SCROLL_STEPS, 1, 10, 6162};
constexpr WORD kStepsContrast[] = {STG_EXTRA_SCROLL_STEPS, 1, 10, 6163};
constexpr WORD kStepsFine[] = {STG_EXTRA_SCROLL_STEPS, 1, 10, 0};
constexpr WORD kStepsCoarse[] = {STG_EXTRA_SCROLL_STEPS, 1, 2, 0};
// Colour-balance sample: words 3-8 name the bars whose settings tint it (brightness, contrast,
// saturation, red, green, blue).
constexpr WORD kSampleBars[] = {STG_EXTRA_SAMPLE, 0, 0, 2264, 2267, 2270, 2273, 2275, 2277};
// Preview: the item keys of the watermark settings it draws (text, face, style, effect, colour,
// density, angle, size, picture, picture scale, position, tiling, opacity, pages).
constexpr WORD kPreview[] = {STG_EXTRA_PREVIEW, 1081, 71, 1085, 1087, 1089, 1091, 1097,
                             1094, 1114, 1116, 1072, 1073, 1074, 1075};
static_assert(sizeof(kPreview) / sizeof(kPreview[0]) == 15);
// Auto-repeat buttons of the colour-balance dialog: each steps the three balance bars.
constexpr STEP_ROW kMinusRows[] = {{2273, -1}, {2275, -1}, {2277, -1}};
constexpr STEP_ROW kPlusRows[] = {{2273, 1}, {2275, 1}, {2277, 1}};
constexpr STEP_RECORD kStepMinusRecord = {STG_EXTRA_STEP_RECORD, 3, kMinusRows};
constexpr STEP_RECORD kStepPlusRecord = {STG_EXTRA_STEP_RECORD, 3, kPlusRows};
constexpr const void* kStepMinus = &kStepMinusRecord;
constexpr const void* kStepPlus = &kStepPlusRecord;
// The hidden-functions check list: the settings of its items, in order.
constexpr WORD kHiddenFuncSettings[] = {349, 350, 351, 352, 353, 354, 355, 356, 357, 358, 359, 360};

// ---- The rows: a control array per dialog, then the dialog rows in table order.

#define KV_DIALOG_BEGIN(id) CONTROL_DESC gControls##id[] = {
#define KV_CONTROL(...) Row(ControlSpec{__VA_ARGS__}),
#define KV_DIALOG_END(id, key, kind, name) };
#include "settings/dialog_rows.inc"
#undef KV_DIALOG_BEGIN
#undef KV_CONTROL
#undef KV_DIALOG_END

template <size_t N>
constexpr int16_t CountOf(const CONTROL_DESC (&)[N]) {
  return (int16_t)N;
}

#define KV_DIALOG_BEGIN(id)
#define KV_CONTROL(...)
#define KV_DIALOG_END(id, key, kind, name) \
  DIALOG_DESC{id, key, (WORD)(kind), 0, name, id, gControls##id, 0, CountOf(gControls##id), nullptr, 0},
DIALOG_DESC gDialogs[] = {
#include "settings/dialog_rows.inc"
};
#undef KV_DIALOG_BEGIN
#undef KV_CONTROL
#undef KV_DIALOG_END

DIALOG_TABLE gDialogTable = {(int16_t)(sizeof(gDialogs) / sizeof(gDialogs[0])), gDialogs};

bool Same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

CONTROL_DESC* FindInDialog(const DIALOG_DESC* d, bool (*match)(const CONTROL_DESC&, WORD), WORD v) {
  if (!d || !d->controls) return nullptr;
  for (int i = 0; i < d->controlCount; ++i)
    if (match(d->controls[i], v)) return &d->controls[i];
  return nullptr;
}

CONTROL_DESC* FindControl(const DIALOG_TABLE* table, const DIALOG_DESC* dialog,
                          bool (*match)(const CONTROL_DESC&, WORD), WORD v) {
  if (dialog) return FindInDialog(dialog, match, v);
  if (!table || !table->rows) return nullptr;
  for (int i = 0; i < table->count; ++i)
    if (CONTROL_DESC* c = FindInDialog(&table->rows[i], match, v)) return c;
  return nullptr;
}

bool MatchId(const CONTROL_DESC& c, WORD id) { return c.controlId == id; }
bool MatchKey(const CONTROL_DESC& c, WORD key) { return (WORD)c.key == key; }

}  // namespace

DIALOG_TABLE* StgGetTemplateDialogTable() { return &gDialogTable; }

DIALOG_DESC* StgTableFindDialog(const DIALOG_TABLE* table, WORD dialogId) {
  if (!table) table = &gDialogTable;
  if (!table->rows) return nullptr;
  for (int i = 0; i < table->count; ++i)
    if (table->rows[i].id == dialogId) return &table->rows[i];
  return nullptr;
}

DIALOG_DESC* StgTableFindDialogByName(const DIALOG_TABLE* table, const char* name) {
  if (!name) return nullptr;
  if (!table) table = &gDialogTable;
  if (!table->rows) return nullptr;
  for (int i = 0; i < table->count; ++i)
    if (Same(table->rows[i].name, name)) return &table->rows[i];
  return nullptr;
}

CONTROL_DESC* StgGetDialogControl(const DIALOG_DESC* dialog, int n) {
  if (!dialog || !dialog->controls || n < 0 || n >= dialog->controlCount) return nullptr;
  return &dialog->controls[n];
}

CONTROL_DESC* StgTableFindControlById(const DIALOG_TABLE* table, const DIALOG_DESC* dialog, WORD controlId) {
  if (!table) table = &gDialogTable;
  return FindControl(table, dialog, MatchId, controlId);
}

CONTROL_DESC* StgTableFindControlByKey(const DIALOG_TABLE* table, const DIALOG_DESC* dialog, WORD key) {
  // Key 0 marks a control without a symbol; it names no control.
  if (key == 0) return nullptr;
  if (!table) table = &gDialogTable;
  return FindControl(table, dialog, MatchKey, key);
}

CONTROL_DESC* StgTableFindControlByName(const DIALOG_TABLE* table, const DIALOG_DESC* dialog,
                                        const char* name) {
  const ITEM_SYMBOL* sym = StgFindSymbolByName(name);
  if (!sym) return nullptr;
  return StgTableFindControlByKey(table, dialog, sym->key);
}
