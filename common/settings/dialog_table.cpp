// The template's dialog table: the dialogs and controls that the settings model and its feature
// modules refer to by id, each control bound to its setting row of the template dictionary. The
// property sheets give the control kinds their meaning and fill the run-time fields; the model's
// dialog templates add the remaining dialogs and controls.
#include <cstring>

#include "settings/item_records.h"
#include "settings/table_internal.h"

namespace {

// A control bound to a setting takes the setting's item key; a control without a setting carries
// the key of its own symbol, or 0 when it has none.
constexpr CONTROL_DESC Bound(WORD controlId, int settingId, WORD key, WORD kind = 0) {
  CONTROL_DESC c{};
  c.key = (int16_t)key;
  c.controlId = controlId;
  c.kind = kind;
  c.item = &StgTemplateRows[StgRowIndexOf(settingId)];
  return c;
}
constexpr CONTROL_DESC Free(WORD controlId, WORD key = 0, WORD kind = 0) {
  CONTROL_DESC c{};
  c.key = (int16_t)key;
  c.controlId = controlId;
  c.kind = kind;
  return c;
}

// Preset page: the preset list.
CONTROL_DESC gPreset[] = {
    Bound(2001, 37, 530, 0x32),  // rdmPresetNo
};

// Basic page: tray, media type, output tray, paper size, output paper size, print method.
CONTROL_DESC gBasic[] = {
    Bound(2007, 13, 536),   // dmDefaultSource
    Bound(2017, 8, 543),    // dmPaperSize
    Bound(2023, 46, 547),   // rdmOutPaperSize
    Bound(2041, 209, 555),  // rdmPrnMethod
    Bound(2053, 46, 547),   // rdmOutPaperSize
    Bound(2064, 54, 534),   // rdmMediaType
    Bound(2066, 53, 538),   // rdmOutputTrayID
};

// Edit page: the watermark and copy-guard controls whose state follows the UI control switches.
CONTROL_DESC gEdit[] = {
    Free(2088), Free(2089), Free(2090), Free(2091), Free(2092), Free(2406), Free(2407),
    Free(2928), Free(2929), Free(2974),
};

// Custom paper sizes dialog: length and width edits and spins of the slot being edited.
CONTROL_DESC gFreeSize[] = {
    Free(2220),
    Free(2221),
    Free(2224),
    Free(2225),
    Bound(2392, 917, 922),  // wdmFreeSizeLength
    Bound(2393, 917, 922),
    Bound(2394, 916, 925),  // wdmFreeSizeWidth
    Bound(2395, 916, 925),
    Free(2398),
    Free(2399),
    Free(2400),
    Free(2401),
};

// User colour-balance dialog: adjust mode and object.
CONTROL_DESC gUserBalance[] = {
    Bound(2633, 128, 995),  // rdmAdjustMode
    Bound(2635, 129, 996),  // rdmAdjustObject
};

// Custom-size input dialog: length and width edits and spins of the custom paper size.
CONTROL_DESC gFreeSizeInput[] = {
    Free(2682),
    Bound(2683, 341, 1242),  // rdmPaperFreeSizeLength
    Free(2684),
    Free(2685),
    Bound(2686, 341, 1242),
    Free(2687),
    Free(2689),
    Bound(2690, 340, 1249),  // rdmPaperFreeSizeWidth
    Free(2691),
    Free(2692),
    Bound(2693, 340, 1249),
    Free(2694),
};

// Cover and mark dialog.
CONTROL_DESC gCoverMark[] = {
    Bound(2071, 65, 596),  // rdmFuncSelectCover
    Bound(2073, 64, 598),  // rdmFuncSelectMark
};

// Chapter dialog: the chapter list.
CONTROL_DESC gChapter[] = {
    Free(2800),
};

// Font substitution dialog: the device-font choice.
CONTROL_DESC gUserTtf[] = {
    Free(2384, 1839),
};

// Colour-matching profile list.
CONTROL_DESC gUserIcmMode[] = {
    Free(2256),
};

// Add-profile dialog: profile name and profile file.
CONTROL_DESC gCmmAddProfile[] = {
    Free(2823, 1840),
    Free(2825, 1841),
};

// Density dialog: the density-type controls of the toner-save densities.
CONTROL_DESC gDensity[] = {
    Free(3032), Free(3035), Free(3038), Free(3039),
};

template <size_t N>
constexpr int16_t CountOf(const CONTROL_DESC (&)[N]) {
  return (int16_t)N;
}

#define KV_DIALOG(id, kind, name, controls) \
  DIALOG_DESC{id, 0, kind, 0, name, id, controls, 0, CountOf(controls), nullptr, 0}

DIALOG_DESC gDialogs[] = {
    KV_DIALOG(1001, STG_DIALOG_DOCUMENT_PAGE, "QDV_IDD_PRESET", gPreset),
    KV_DIALOG(1002, STG_DIALOG_DOCUMENT_PAGE | STG_DIALOG_PRESET_GROUP, "QDV_IDD_BASIC", gBasic),
    KV_DIALOG(1003, STG_DIALOG_DOCUMENT_PAGE | STG_DIALOG_PRESET_GROUP, "QDV_IDD_EDIT", gEdit),
    KV_DIALOG(1017, STG_DIALOG_DIALOG, "QDV_IDD_DIALOG_FREESIZE", gFreeSize),
    KV_DIALOG(1038, STG_DIALOG_USER_SUBDIALOG, "QDV_IDD_DIALOG_USER_BALANCE", gUserBalance),
    KV_DIALOG(1041, STG_DIALOG_DIALOG, "QDV_IDD_DIALOG_FREESIZE_INPUT", gFreeSizeInput),
    KV_DIALOG(1042, STG_DIALOG_DIALOG, "QDV_IDD_CVRMARK", gCoverMark),
    KV_DIALOG(1044, STG_DIALOG_DIALOG, "QDV_IDD_DIALOG_CHAPTER", gChapter),
    KV_DIALOG(4004, STG_DIALOG_DIALOG, "QDV_IDD_DIALOG_USER_TTF", gUserTtf),
    KV_DIALOG(4010, STG_DIALOG_DIALOG, "QDV_IDD_DIALOG_USER_ICMMODE", gUserIcmMode),
    KV_DIALOG(4011, STG_DIALOG_DIALOG, "QDV_IDD_CMMADDPROFILE", gCmmAddProfile),
    KV_DIALOG(4024, STG_DIALOG_DIALOG, "QDV_IDD_DIALOG_DENSITY", gDensity),
};
#undef KV_DIALOG

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
