// Custom-size input module: the inch settings of the custom paper size, the limits of the length and
// width controls of the two custom-size dialogs, and the limit-table search behind them.
#include "settings/free_size_module.h"

#include <climits>

#include "config/free_size.h"
#include "config/paths.h"
#include "driverdata/dfc_image.h"
#include "driverdata/img_image.h"
#include "kvplat/devmode.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/paper_geometry.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

constexpr WORD kDialogFreeSize = 1017;       // custom paper sizes (the ten slots)
constexpr WORD kDialogFreeSizeInput = 1041;  // custom size input
constexpr WORD kRdmLockInfoLockSmallPaperTray = 10417;
constexpr WORD kRdmLock000InfoBitTray = 10419;
constexpr DWORD kTrayLockFeatureBit = 15;
constexpr WORD kControlPaperSize = 2017;
constexpr WORD kControlOutPaperSize = 2023;
constexpr WORD kControlOutPaperSize2 = 2053;

// A group of three controls in each dialog (the middle one bound, the others spares).
struct ControlGroup {
  WORD input[3];     // dialog 1041
  WORD slots[3];     // dialog 1017
  int selector;      // 1 length, 0 width
  bool edit;         // edit (true) or spin control
  WORD inchSetting;  // the inch setting of the input dialog's controls
};
constexpr ControlGroup kGroups[] = {
    {{2682, 2683, 2684}, {2220, 2392, 2400}, 1, true, sid::rdmPaperINCHLength},
    {{2685, 2686, 2687}, {2221, 2393, 2401}, 1, false, sid::rdmPaperINCHLength},
    {{2689, 2690, 2691}, {2224, 2394, 2398}, 0, true, sid::rdmPaperINCHWidth},
    {{2692, 2693, 2694}, {2225, 2395, 2399}, 0, false, sid::rdmPaperINCHWidth},
};

struct ControlRole {
  const ControlGroup* group = nullptr;
  bool input = false;  // a control of dialog 1041
};

ControlRole RoleOf(WORD controlId) {
  for (const ControlGroup& g : kGroups)
    for (int i = 0; i < 3; ++i) {
      if (g.input[i] == controlId) return {&g, true};
      if (g.slots[i] == controlId) return {&g, false};
    }
  return {};
}

uint64_t Val(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }

// Inch mode: lengths shown in inches, the custom paper code selected and the input dialog editing
// the custom paper size (not the print size).
bool InchMode(SETTING_CONTEXT* ctx) {
  return CfgIsInchCustomPaper(ctx) && Val(ctx, sid::wdmInputFreeSizeType) == 1;
}

// The inch setting of an input-dialog control of the wanted kind (edit or spin), or 0.
WORD InchSettingOf(const CONTROL_DESC* control, bool edit) {
  if (!control) return 0;
  ControlRole r = RoleOf(control->controlId);
  return r.group && r.input && r.group->edit == edit ? r.group->inchSetting : 0;
}

// A DEVMODE length field takes at most SHRT_MAX tenths of a millimetre; a larger inch size must not
// wrap into a negative or tiny length.
short ToShortLength(DWORD tenthMm) { return (short)(tenthMm > (DWORD)SHRT_MAX ? SHRT_MAX : tenthMm); }

bool ShowsHundredths(WORD controlId) {
  switch (controlId) {
    case 2220: case 2224: case 2392: case 2394: case 2398: case 2400:
    case 2682: case 2683: case 2684: case 2689: case 2690: case 2691:
      return true;
    default:
      return false;
  }
}

// Event 47: a value change on a page is complete.
void OnPageChanged(SETTING_CONTEXT* ctx, STG_CONTROL_EVENT_ARG* a) {
  auto* page = static_cast<const DIALOG_DESC*>(a->ref);
  if (page && page->id == kDialogFreeSize && ctx->work && ctx->work->dialogAccepted)
    for (int slot = 0; slot < CFG_FREE_SIZE_USER_SLOTS; ++slot) CfgPublishFreeSizeSlot(ctx, slot);
  WORD setting = ImgNodeSettingId((IMG_REF)a->value);
  if (!setting || !ctx->dialogs) return;
  for (int d = 0; d < ctx->dialogs->count; ++d) {
    const DIALOG_DESC& dlg = ctx->dialogs->rows[d];
    for (int c = 0; c < dlg.controlCount; ++c) {
      const CONTROL_DESC& control = dlg.controls[c];
      if (!control.item || control.item->id != setting) continue;
      if (control.controlId == kControlPaperSize) StgUpdatePaperSettings(ctx, 3);
      else if (control.controlId == kControlOutPaperSize || control.controlId == kControlOutPaperSize2)
        StgUpdatePaperSettings(ctx, 4);
      else continue;
      return;
    }
  }
}

void OnControlEvent(SETTING_CONTEXT* ctx, DWORD event, STG_CONTROL_EVENT_ARG* a) {
  if (event == STG_EVENT_PAGE_CHANGED) return OnPageChanged(ctx, a);
  auto* control = static_cast<CONTROL_DESC*>(a->ref);
  if (!control) return;
  if (event == STG_EVENT_SHOWS_INCHES) {
    if (ShowsHundredths(control->controlId)) a->value = 1;
    return;
  }
  if (event == STG_EVENT_SPIN_RANGE) {
    LONG mx = 0, mn = 0;
    if (StgGetFreeSizeControlLimits(ctx, control, &mx, &mn)) {
      a->value = (uint64_t)(int64_t)mx;
      a->value2 = (uint64_t)(int64_t)mn;
      a->answered = 1;
    }
    return;
  }
  if (!InchMode(ctx)) return;
  switch (event) {
    case STG_EVENT_SHOW_VALUE:
    case STG_EVENT_SHOW_VALUE2:
      if (WORD inch = InchSettingOf(control, true)) a->value = Val(ctx, inch);
      break;
    case STG_EVENT_VALUE_TYPED:
      if (WORD inch = InchSettingOf(control, true)) StgSetValue(ctx, inch, (DWORD)a->value);
      break;
    case STG_EVENT_DOTS_STORED:
    case STG_EVENT_DOTS_STORED2:
      if (WORD inch = InchSettingOf(control, true))
        StgSetValue(ctx, inch, (DWORD)StgDotsToDisplayUnits(ctx, 0, (LONG)(DWORD)a->value));
      break;
    case STG_EVENT_SPIN_STORED:
      if (WORD inch = InchSettingOf(control, false)) StgSetValue(ctx, inch, (DWORD)a->value);
      break;
    default:  // 42
      StgClampInchPaperSize(ctx);
      break;
  }
}

// The range (dots) of the numeric node behind the control's bound setting, when the image has one.
bool NodeRange(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, LONG* lo, LONG* hi) {
  if (!control->item) return false;
  IMG_REF node = ImgFindNode(ctx, (WORD)control->item->id);
  if (!node || dfc::BaseType(ImgNodeType(node)) != dfc::kTypeNumeric) return false;
  IMG_REF value = ImgNodeOptions(node);
  if (!value) return false;
  *lo = DFC_GET(value, NUMERIC_VALUE, minimum);
  *hi = DFC_GET(value, NUMERIC_VALUE, maximum);
  return true;
}

// One dimension of the clamp: the display value v of a dot size, kept inside the control's limits
// while the dot size lies within the node's range.
LONG ClampDimension(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, LONG dots, LONG v) {
  LONG mx = 0, mn = 0;
  if (!StgGetFreeSizeControlLimits(ctx, control, &mx, &mn)) return v;
  LONG lo = 0, hi = 0;
  if (NodeRange(ctx, control, &lo, &hi) && (dots < lo || dots > hi)) return v;
  LONG dmx = StgDotsToDisplayUnits(ctx, 0, mx), dmn = StgDotsToDisplayUnits(ctx, 0, mn);
  if (v > dmx) return dmx;
  if (v < dmn) return dmn;
  return v;
}

}  // namespace

int StgCustomSizeCommand(SETTING_CONTEXT*, WORD, void*) { return 0; }

int StgCustomSizeEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void*) {
  switch (event) {
    case STG_EVENT_CUSTOM_SIZE_TAKEN:
      if (auto* a = static_cast<STG_CUSTOM_SIZE_ARG*>(arg); a && a->dm && InchMode(ctx)) {
        StgSetValue(ctx, sid::rdmPaperINCHLength, CfgTenthMmToHundredthInch((DWORD)(WORD)a->dm->dmPaperLength));
        StgSetValue(ctx, sid::rdmPaperINCHWidth, CfgTenthMmToHundredthInch((DWORD)(WORD)a->dm->dmPaperWidth));
      }
      return 1;
    case STG_EVENT_CUSTOM_SIZE_WRITTEN:
      if (auto* a = static_cast<STG_CUSTOM_SIZE_ARG*>(arg); a && a->dm && InchMode(ctx)) {
        a->dm->dmPaperLength = ToShortLength(CfgHundredthInchToTenthMm((DWORD)Val(ctx, sid::rdmPaperINCHLength)));
        a->dm->dmPaperWidth = ToShortLength(CfgHundredthInchToTenthMm((DWORD)Val(ctx, sid::rdmPaperINCHWidth)));
        a->handled = 1;
      }
      return 1;
    case STG_EVENT_SHOW_VALUE: case STG_EVENT_VALUE_TYPED: case STG_EVENT_SHOW_VALUE2:
    case STG_EVENT_DOTS_STORED: case STG_EVENT_VALUE_APPLIED: case STG_EVENT_SPIN_STORED:
    case STG_EVENT_SPIN_RANGE: case STG_EVENT_PAGE_CHANGED: case STG_EVENT_SHOWS_INCHES:
    case STG_EVENT_DOTS_STORED2:
      if (arg) OnControlEvent(ctx, event, static_cast<STG_CONTROL_EVENT_ARG*>(arg));
      return 1;
    default:
      return 0;
  }
}

int StgIsFreeSizeControlUnusable(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, WORD controlId) {
  const CONTROL_DESC* c = dialog ? StgFindControlById(ctx, dialog, controlId) : nullptr;
  return !c || (c->state & STG_CONTROL_STATE_HIDDEN_MASK) ? 1 : 0;
}

CONTROL_DESC* StgFindFreeSizeInputControl(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, int selector) {
  const ControlGroup& g = kGroups[selector ? 0 : 2];
  for (WORD id : g.input)
    if (!StgIsFreeSizeControlUnusable(ctx, dialog, id)) return StgFindControlById(ctx, dialog, id);
  return nullptr;
}

int StgGetFreeSizeControlLimits(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, LONG* maximum, LONG* minimum) {
  if (!ctx || !control) return 0;
  WORD trayId, orientId;
  if (ctx->dialogInUse == (SHORT)kDialogFreeSize) {
    trayId = sid::wdmFreeSizeTray;
    orientId = sid::wdmFreeSizeOrient;
  } else if (ctx->dialogInUse == (SHORT)kDialogFreeSizeInput) {
    bool paper = Val(ctx, sid::wdmInputFreeSizeType) == 1;
    trayId = paper ? sid::rdmPaperFreeSizeTray : sid::rdmPrintFreeSizeTray;
    orientId = paper ? sid::rdmPaperFreeSizeOrient : sid::rdmPrintFreeSizeOrient;
  } else {
    return 0;
  }
  ControlRole r = RoleOf(control->controlId);
  if (!r.group) return 0;
  return StgGetFreeSizeLimits(ctx, (DWORD)Val(ctx, trayId), (DWORD)Val(ctx, orientId), maximum, minimum,
                              r.group->selector);
}

const FREE_SIZE_ROW* StgGetModelFreeSizeTable(SETTING_CONTEXT* ctx) {
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  const MODEL_FREE_SIZE_ENTRY* list = StgGetModelFreeSizeTableList();
  const WCHAR* driver = ctx ? CfgGetDriverName(ctx) : nullptr;
  if (!m || !m->models || !m->models->rows || !list || !driver) return nullptr;
  int position = -1;
  for (int i = 0; i < m->models->count; ++i)
    if (m->models->rows[i].name && kvp::WView(m->models->rows[i].name) == kvp::WView(driver)) {
      position = i;
      break;
    }
  if (position <= 0 || position > 32) return nullptr;
  for (; list->table; ++list)
    if (list->modelMask & (1u << (position - 1))) return list->table;
  return nullptr;
}

namespace {

// The first fitting row after `from` (or from the start), or none.
const FREE_SIZE_ROW* FindRow(const FREE_SIZE_ROW* table, const FREE_SIZE_ROW* from, DWORD tray, DWORD orient,
                             WORD osKind) {
  for (const FREE_SIZE_ROW* r = from ? from + 1 : table; r->trayKey; ++r)
    if (r->trayKey == tray && r->orientation == orient && (r->osKind == 3 || r->osKind == osKind)) return r;
  return nullptr;
}

// A tray-lock row that applies to the tray key moves the search on to the next fitting row.
bool TrayLockApplies(SETTING_CONTEXT* ctx, DWORD tray) {
  if (!StgIsFeatureBitSet(kTrayLockFeatureBit)) return false;
  ITEM_DESC* source = StgFindItem(ctx, sid::dmDefaultSource);
  for (const TRAY_LOCK_ROW* t = StgGetTrayLockTable(); t && t->option; ++t) {
    if (!source || StgMapFromOption(ctx, source, t->option) != tray) continue;
    bool setting = t->settingId && Val(ctx, t->settingId) != 0;
    bool pass = setting;
    if (StgIsModelFeatureOn(ctx, 2, 0)) {
      bool locked = Val(ctx, kRdmLock000InfoBitTray) != 0;
      pass = locked ? Val(ctx, kRdmLockInfoLockSmallPaperTray) != 0 : setting;
    }
    if (pass) return true;
  }
  return false;
}

}  // namespace

int StgGetFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD trayKey, DWORD orientKey, LONG* maximum, LONG* minimum,
                         int selector) {
  const WORD osKind = StgIsWin9x() ? 1 : 2;
  const FREE_SIZE_ROW* table = StgGetModelFreeSizeTable(ctx);
  if (!table) table = StgGetDefaultFreeSizeTable();
  const FREE_SIZE_ROW* row = FindRow(table, nullptr, trayKey, orientKey, osKind);
  if (row && TrayLockApplies(ctx, trayKey)) row = FindRow(table, row, trayKey, orientKey, osKind);
  if (!row) return 0;
  bool metric = StgIsMetric(ctx) != 0;
  LONG mx, mn;
  if (selector) {
    mx = metric ? row->metricLengthMax : row->inchLengthMax;
    mn = metric ? row->metricLengthMin : row->inchLengthMin;
  } else {
    mx = metric ? row->metricWidthMax : row->inchWidthMax;
    mn = metric ? row->metricWidthMin : row->inchWidthMin;
  }
  // Inward onto the display grid: a limit that does not survive the round trip through display
  // units moves one display unit toward the inside, never outward.
  LONG d = StgDotsToDisplayUnits(ctx, 0, mx);
  if (StgDisplayUnitsToDots(ctx, 0, d) > mx && d > 0) mx = StgDisplayUnitsToDots(ctx, 0, d - 1);
  d = StgDotsToDisplayUnits(ctx, 0, mn);
  if (StgDisplayUnitsToDots(ctx, 0, d) < mn) mn = StgDisplayUnitsToDots(ctx, 0, d + 1);
  if (maximum) *maximum = mx;
  if (minimum) *minimum = mn;
  return 1;
}

void StgClampInchPaperSize(SETTING_CONTEXT* ctx) {
  LONG inchLength = (LONG)Val(ctx, sid::rdmPaperINCHLength);
  LONG inchWidth = (LONG)Val(ctx, sid::rdmPaperINCHWidth);
  LONG lengthDots = (LONG)Val(ctx, sid::rdmPaperFreeSizeLength);
  LONG widthDots = (LONG)Val(ctx, sid::rdmPaperFreeSizeWidth);
  LONG length = StgDotsToDisplayUnits(ctx, 0, lengthDots);
  LONG width = StgDotsToDisplayUnits(ctx, 0, widthDots);
  const DIALOG_DESC* dlg = StgFindDialog(ctx, kDialogFreeSizeInput);
  const CONTROL_DESC* lc = dlg ? StgFindFreeSizeInputControl(ctx, dlg, 1) : nullptr;
  const CONTROL_DESC* wc = dlg ? StgFindFreeSizeInputControl(ctx, dlg, 0) : nullptr;
  if (!lc || !wc) return;
  length = ClampDimension(ctx, lc, lengthDots, length);
  width = ClampDimension(ctx, wc, widthDots, width);
  if (length != inchLength) StgSetValue(ctx, sid::rdmPaperINCHLength, (DWORD)length);
  if (width != inchWidth) StgSetValue(ctx, sid::rdmPaperINCHWidth, (DWORD)width);
}
