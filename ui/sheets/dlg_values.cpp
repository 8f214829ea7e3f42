// Value, text and lookup operations of the sheets.
#include "sheets/dlg_values.h"

#include <cstdio>
#include <cstdint>
#include <vector>

#include "config/paths.h"
#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

struct ValueTextTable {
  VALUE_TEXT_ROW rows[DLG_VALUE_TEXT_ROWS + 1];
};

constexpr ValueTextTable kValueTexts = {{
    {2284, 261},   {2285, 262},   {2286, 263},   {2431, 1012},  {2435, 1013},  {2436, 1014},  {2447, 1018},
    {2448, 1019},  {2747, 1130},  {2746, 1131},  {2745, 1132},  {2856, 1143},  {2857, 1144},  {2122, 60401},
    {2126, 60402}, {2127, 60403}, {2128, 60404}, {2481, 491},   {2565, 60405}, {2883, 13014}, {2131, 60407},
    {2132, 60405}, {2026, 13479}, {2027, 13480}, {2701, 13463}, {2702, 13464}, {2514, 13467}, {2515, 13468},
    {3087, 13469}, {3088, 13470}, {2669, 92},    {2670, 13471}, {2671, 13472}, {2672, 92},    {2673, 13471},
    {2674, 13473}, {2184, 13474}, {2186, 13475}, {2185, 13476}, {2840, 13463}, {2841, 13464}, {3053, 13477},
    {3055, 13478}, {3197, 13537}, {3169, 13493}, {3170, 13494}, {3171, 13495}, {2001, 13376}, {3217, 13644},
    {3218, 13645}, {3219, 13646}, {3220, 13647}, {3221, 13648}, {3222, 13649}, {3224, 13650}, {3226, 13651},
    {3228, 13652}, {0, 0},
}};

constexpr bool ValueTextsComplete() {
  for (int i = 0; i < DLG_VALUE_TEXT_ROWS; ++i)
    if (!kValueTexts.rows[i].optionValue || !kValueTexts.rows[i].stringId) return false;
  return kValueTexts.rows[DLG_VALUE_TEXT_ROWS].optionValue == 0;
}
static_assert(ValueTextsComplete(), "57 value-text rows and the end row");

// The installation switches 1-8.
constexpr int kFeatureSwitches[8] = {1, 0, 0, 0, 0, 0, 0, 0};

// Node types (low byte of the compiled node's type).
constexpr int kPickOne = 1, kPickMany = 2, kBoolean = 4, kNumeric = 8, kString = 16;
// Bit 31 of a setting row's change class: a length kept in 1200-dpi dots, shown in the display unit.
constexpr uint64_t kLengthClass = 0x80000000u;
// Capacity of the stored texts the authentication test reads.
constexpr size_t kUserNameChars = 129, kPasswordChars = 193, kNetworkKeyChars = 33;

// Window classes of the applications that replace the standard controls' window procedures with their
// own; while one of their windows is open, the driver's dialogs put the class procedures back.
constexpr const WCHAR* kProcReplacingApps[] = {u"KvLegacyDrawFrame8", u"KvLegacyDrawFrame9"};

// The open window of a dialog and of a control: the run-time fields the dialog procedure fills.
HWND DialogWindow(const DIALOG_DESC& d) { return static_cast<HWND>(d.window); }
HWND ControlWindow(const CONTROL_DESC& c) { return static_cast<HWND>(c.window); }

// The context's row of the control's setting: the row bound to the control, looked up in the
// context's own dictionary (never the template's), else the row of the control's item key.
ITEM_DESC* ControlSetting(SETTING_CONTEXT* ctx, const CONTROL_DESC* control) {
  if (!ctx || !control) return nullptr;
  if (control->item) return StgFindItem(ctx, (WORD)control->item->id);
  return control->key ? StgFindItemByKey(ctx, control->key) : nullptr;
}

void PutAscii(WCHAR* buffer, int capacity, const char* text) {
  std::vector<WCHAR> wide;
  for (; *text; ++text) wide.push_back((WCHAR)(unsigned char)*text);
  wide.push_back(0);
  CfgCopyText(buffer, capacity, wide.data());
}

void PutNumber(WCHAR* buffer, int capacity, LONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", (int)value);
  PutAscii(buffer, capacity, text);
}

void PutString(SETTING_CONTEXT* ctx, WORD stringId, WCHAR* buffer, int capacity) {
  CfgLoadString(ctx, stringId, buffer, capacity, 1);
}

// A length in dots as display text: the sign, then whole and decimal part of the absolute value
// (tenths of a millimetre or hundredths of an inch), so a negative shift margin reads "-1.5".
void PutLength(SETTING_CONTEXT* ctx, LONG dots, WCHAR* buffer, int capacity) {
  bool negative = dots < 0;
  LONG magnitude = negative ? (dots == INT32_MIN ? INT32_MAX : -dots) : dots;
  LONG shown = StgDotsToDisplayUnits(ctx, 0, magnitude);
  char text[32];
  if (StgIsMetric(ctx))
    std::snprintf(text, sizeof text, "%s%d.%01d", negative ? "-" : "", (int)(shown / 10), (int)(shown % 10));
  else
    std::snprintf(text, sizeof text, "%s%d.%02d", negative ? "-" : "", (int)(shown / 100), (int)(shown % 100));
  PutAscii(buffer, capacity, text);
}

void PutNumeric(SETTING_CONTEXT* ctx, const ITEM_DESC* row, IMG_REF node, LONG value, WCHAR* buffer, int capacity) {
  if (row && (row->changeClass & kLengthClass))
    PutLength(ctx, value, buffer, capacity);
  else
    PutNumber(buffer, capacity, value);
  if (StgIsEuropeanRegion(ctx)) CfgDecimalPointToComma(buffer);
  IMG_REF numeric = ImgNodeOptions(node);
  WORD unitId = numeric ? (WORD)DFC_GET(numeric, NUMERIC_VALUE, lead) : 0;
  if (!unitId) return;
  WCHAR unit[64] = {};
  PutString(ctx, unitId, unit, 64);
  CfgAppendText(buffer, capacity, unit);
}

void PutPick(SETTING_CONTEXT* ctx, DWORD value, WCHAR* buffer, int capacity) {
  // Rows in order: a replaced value may match a later row.
  for (const VALUE_TEXT_ROW* r = kValueTexts.rows; r->optionValue; ++r)
    if (r->optionValue == value) value = r->stringId;
  PutString(ctx, (WORD)value, buffer, capacity);
  if (buffer[0]) return;
  char text[48];
  std::snprintf(text, sizeof text, "%u is not string-ID", (unsigned)value);
  PutAscii(buffer, capacity, text);
}

void PutStamp(SETTING_CONTEXT* ctx, WORD id, DWORD value, WCHAR* buffer, int capacity) {
  static constexpr WORD kKindTexts[3] = {DLG_STR_STAMP_TEXT, DLG_STR_STAMP_IMAGE, DLG_STR_STAMP_COMBINED};
  DWORD kind = id == sid::rdmWmKind ? value : StgGetOptionValue(ctx, sid::rdmWmKind, nullptr);
  if (kind < 1 || kind > 3) {
    PutString(ctx, DLG_STR_NO_VALUE, buffer, capacity);
    return;
  }
  if (id == sid::rdmWmKind) {
    PutString(ctx, kKindTexts[kind - 1], buffer, capacity);
    return;
  }
  ITEM_DESC* row = ControlSetting(ctx, StgFindControlById(ctx, nullptr, DLG_STAMP_NAME_EDITS[kind - 1]));
  if (!row) return;
  std::vector<WCHAR> name(StgTypeLength(row->type) + 2, 0);
  if (StgGetString(ctx, row, name.data())) CfgCopyText(buffer, capacity, name.data());
}

// A setting's stored text, non-empty.
bool HasText(SETTING_CONTEXT* ctx, WORD id, size_t chars) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return false;
  size_t need = StgTypeLength(row->type) + 2;
  std::vector<WCHAR> text(need > chars ? need : chars, 0);
  return StgGetString(ctx, row, text.data()) && text[0];
}

BOOL RestoreClassProc(HWND child, LPARAM) {
  WCHAR cls[48] = {};
  if (GetClassNameW(child, cls, 48) > 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(nullptr, cls, &wc) && wc.lpfnWndProc)
      SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wc.lpfnWndProc));
  }
  return TRUE;
}

}  // namespace

const VALUE_TEXT_ROW* DlgGetValueTextTable() { return kValueTexts.rows; }

DWORD CtlGetValue(SETTING_CONTEXT* ctx, const CONTROL_DESC* control) {
  ITEM_DESC* row = ControlSetting(ctx, control);
  return row ? StgGetItemOptionValue(ctx, row) : 0;
}

void CtlSetValue(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, DWORD value) {
  ITEM_DESC* row = ControlSetting(ctx, control);
  if (row) StgWriteOptionValue(ctx, row, value);
}

int CtlGetTextById(SETTING_CONTEXT* ctx, WORD controlId, WCHAR* buffer) {
  if (!buffer) return 0;
  ITEM_DESC* row = ControlSetting(ctx, StgFindControlById(ctx, nullptr, controlId));
  return row && StgGetString(ctx, row, buffer) ? 1 : 0;
}

int CtlSetTextById(SETTING_CONTEXT* ctx, WORD controlId, const WCHAR* text) {
  ITEM_DESC* row = ControlSetting(ctx, StgFindControlById(ctx, nullptr, controlId));
  return row && StgSetString(ctx, row, text ? text : u"") ? 1 : 0;
}

WORD CtlOptionValue(const void* node, const void* option, const void** itemOut) {
  if (itemOut) *itemOut = nullptr;
  if (!node || !option) return 0;
  IMG_REF n = reinterpret_cast<uintptr_t>(node), o = reinterpret_cast<uintptr_t>(option);
  WORD value = 0;
  switch (ImgNodeType(n) & 0xFF) {
    case kPickOne:
    case kPickMany:
      value = ImgOptionValue(o);
      break;
    case kString:
      value = dfc::Get<WORD>(option, 0);
      break;
    default:
      return 0;
  }
  IMG_REF rule = ImgNodeRule(n);
  if (itemOut && value && rule) {
    IMG_REF items = DFC_GET(rule, RULE_ROW, items);
    *itemOut = items ? reinterpret_cast<const void*>(static_cast<uintptr_t>(items)) : nullptr;
  }
  return value;
}

DIALOG_DESC* PgFindByWindow(SETTING_CONTEXT* ctx, HWND window) {
  if (!ctx || !ctx->dialogs || !window) return nullptr;
  for (int i = 0; i < ctx->dialogs->count; ++i)
    if (DialogWindow(ctx->dialogs->rows[i]) == window) return &ctx->dialogs->rows[i];
  return nullptr;
}

CONTROL_DESC* CtlFindByWindow(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, HWND window) {
  if (!ctx || !ctx->dialogs || !window) return nullptr;
  for (int i = 0; i < ctx->dialogs->count; ++i) {
    const DIALOG_DESC& d = ctx->dialogs->rows[i];
    if (dialog && &d != dialog) continue;
    for (int c = 0; c < d.controlCount; ++c)
      if (ControlWindow(d.controls[c]) == window) return &d.controls[c];
  }
  return nullptr;
}

void DlgFormatValueText(SETTING_CONTEXT* ctx, WORD key, WCHAR* buffer, int capacity) {
  if (!buffer || capacity <= 0) return;
  buffer[0] = 0;
  ITEM_DESC* row = StgFindItemByKey(ctx, key);
  IMG_REF node = ImgFindNodeByKey(ctx, key);
  DWORD value = row ? StgGetItemOptionValue(ctx, row) : 0;
  switch (ImgNodeType(node) & 0xFF) {
    case kPickOne:
    case kPickMany:
      PutPick(ctx, value, buffer, capacity);
      return;
    case kBoolean:
      PutString(ctx, value ? DLG_STR_TRUE : DLG_STR_FALSE, buffer, capacity);
      return;
    case kNumeric:
      PutNumeric(ctx, row, node, (LONG)value, buffer, capacity);
      return;
    case kString:
      if (row) {
        std::vector<WCHAR> text(StgTypeLength(row->type) + 2, 0);
        if (StgGetString(ctx, row, text.data())) CfgCopyText(buffer, capacity, text.data());
      }
      return;
    default:
      break;
  }
  WORD id = row ? (WORD)row->id : 0;
  if (id == sid::rdmWmKind || id == sid::rdmWmID)
    PutStamp(ctx, id, value, buffer, capacity);
  else
    PutNumber(buffer, capacity, (LONG)value);
}

WORD DlgAuthInfoPresent(SETTING_CONTEXT* ctx, WORD mask) {
  if (!ctx || !StgGetValue(ctx, sid::rdmPrnFuncAuthenticationMode, nullptr)) return 0;
  WORD present = 0;
  if ((mask & 1) && HasText(ctx, sid::wdmAuthenticationUserName, kUserNameChars)) present |= 1;
  if ((mask & 2) && HasText(ctx, sid::wdmAuthenticationPassword, kPasswordChars)) present |= 2;
  if ((mask & 4) && StgGetValue(ctx, sid::rdmPrnFuncAuthenticationSecureMode, nullptr) &&
      HasText(ctx, sid::wdmAuthenticationNetworkKey, kNetworkKeyChars))
    present |= 4;
  return present;
}

DWORD DlgLockInfo(SETTING_CONTEXT* ctx) { return (DWORD)StgGetValue(ctx, sid::rdmLockInfoLockInfo, nullptr); }

void DlgResetChildWindowProcs(SETTING_CONTEXT*, HWND window) {
  bool present = false;
  for (const WCHAR* cls : kProcReplacingApps)
    if (FindWindowW(cls, nullptr)) present = true;
  if (present && window) EnumChildWindows(window, RestoreClassProc, 0);
}

int DlgIsExplorerHost() {
  WCHAR module[260] = {}, explorer[260] = {};
  DWORD n = GetModuleFileNameW(nullptr, module, 260);
  if (n == 0 || n >= 260) return 0;
  CfgMakeWindowsDirPath(explorer, 260, u"explorer.exe");
  return explorer[0] && kvp::WEqualI(kvp::WView(module), kvp::WView(explorer)) ? 1 : 0;
}

int DlgPrinterHasDevmode(HANDLE printer) {
  if (!printer) return 0;
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
  if (!info) return 0;
  int has = info->pDevMode ? 1 : 0;
  StgFree(info);
  return has;
}

int DlgFeatureSwitch(int index) { return index >= 1 && index <= 8 ? kFeatureSwitches[index - 1] : 0; }

int CtlUseAltTrayMark() { return 0; }
