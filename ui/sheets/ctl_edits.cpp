// Text edits and number edits with a unit: limits, the text turned into values and back, and the commit
// when the edit loses the focus.
#include "sheets/ctl_edits.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "kvplat/controls.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/free_size_module.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/dlg_change.h"
#include "sheets/dlg_values.h"

namespace {

LONG ParseScaled(const WCHAR* text, DWORD scale, SETTING_CONTEXT* ctx, bool* overflow);

constexpr int kText = 1025;
constexpr WORD kCustomSizeDialog = 1017;
constexpr WORD kCustomSizeDialog2 = 1041;
// The largest whole display units a typed length may have, so that its dots still fit 32 bits.
constexpr LONG kMaxWholeMetric = 45455070;
constexpr LONG kMaxWholeInch = 1789569;

HWND Win(const CONTROL_DESC* c) { return static_cast<HWND>(c->window); }
ITEM_DESC* Row(const CONTROL_DESC* c) { return const_cast<ITEM_DESC*>(c->item); }
bool Hidden(const CONTROL_DESC* c) { return (c->state & STG_CONTROL_STATE_HIDDEN_MASK) != 0; }

std::u16string ReadText(HWND w, int chars = kText) {
  std::vector<WCHAR> buf(size_t(chars) + 1, 0);
  if (w) GetWindowTextW(w, buf.data(), chars + 1);
  return std::u16string(buf.data());
}

void ShowText(HWND w, const std::u16string& text) {
  if (w && ReadText(w) != text) SetWindowTextW(w, text.c_str());
}

std::u16string UnitText(SETTING_CONTEXT* ctx, WORD unitId) {
  if (!unitId) return {};
  WCHAR unit[16] = {};
  CfgLoadString(ctx, unitId, unit, 16, 1);
  return std::u16string(unit);
}

void Replace(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  for (size_t at = s.find(from); at != std::u16string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

bool MultiLine(HWND w) { return w && (GetWindowLongW(w, GWL_STYLE) & ES_MULTILINE); }

LONG Event(SETTING_CONTEXT* ctx, DWORD event, CONTROL_DESC* control, LONG value, bool* answered = nullptr) {
  STG_CONTROL_EVENT_ARG a{control, uint64_t(int64_t(value)), 0, 0};
  StgBroadcastModuleEvent(ctx, event, &a);
  if (answered) *answered = a.value != 0;
  return LONG(int64_t(a.value));
}

// The stored text of a setting, within its room.
std::u16string StoredText(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  std::vector<WCHAR> buf(StgTypeLength(row->type) + 2, 0);
  StgGetString(ctx, row, buf.data());
  return std::u16string(buf.data());
}

bool StoredInBlock(const ITEM_DESC* row) { return row && StgTypeBlock(row->type) != 0; }

// A typed value that its setting cannot hold (the 16- and 8-bit types), or a length beyond what dots hold.
bool OutOfRange(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, const std::u16string& text, LONG value,
                LONG dots) {
  bool overflow = false;
  ParseScaled(text.c_str(), 0, ctx, &overflow);
  if (overflow) return true;
  DWORD code = StgTypeCode(control->item->type);
  bool length = CtlIsLengthControl(control);
  LONG v = length ? dots : value;
  if (length && value < 0) return true;
  switch (code) {
    case STG_TYPE_I16: if (v < -32768 || v > 0x7fff) return true; break;
    case STG_TYPE_U16: if (v < 0 || v > 0xffff) return true; break;
    case STG_TYPE_I8: if (v < -128 || v > 127) return true; break;
    case STG_TYPE_U8: if (v < 0 || v > 255) return true; break;
    default: break;
  }
  if (length) {
    LONG whole = CtlParseScaledNumber(text.c_str(), 0, ctx);
    if (whole > (StgIsMetric(ctx) ? kMaxWholeMetric : kMaxWholeInch)) return true;
  }
  return false;
}

std::u16string Formatted(SETTING_CONTEXT* ctx, DWORD scale, LONG value, WORD unitId) {
  WCHAR number[CFG_DECIMAL_TEXT] = {};
  CfgFormatDecimal(number, scale, value, ctx);
  return std::u16string(number) + UnitText(ctx, unitId);
}

}  // namespace

namespace {

LONG ParseScaled(const WCHAR* text, DWORD scale, SETTING_CONTEXT* ctx, bool* overflow) {
  *overflow = false;
  if (!text) return 0;
  WCHAR sep = ctx && StgIsEuropeanRegion(ctx) ? u',' : u'.';
  int decimals = 0;
  for (DWORD s = scale; s > 1; s /= 10) ++decimals;
  bool negative = false;
  const WCHAR* p = text;
  while (*p && !(*p >= u'0' && *p <= u'9')) {
    if (*p == u'-') negative = true;
    ++p;
  }
  if (!*p) return 0;
  // Every step checks before it multiplies: a number that does not fit gives 0.
  int64_t v = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    v = v * 10 + (*p - u'0');
    if (v > INT32_MAX) return *overflow = true, 0;
  }
  int given = 0;
  if (*p == sep && decimals > 0)
    for (++p; given < decimals && *p >= u'0' && *p <= u'9'; ++p, ++given) {
      v = v * 10 + (*p - u'0');
      if (v > INT32_MAX) return *overflow = true, 0;
    }
  for (; given < decimals; ++given) {
    v *= 10;
    if (v > INT32_MAX) return *overflow = true, 0;
  }
  return LONG(negative ? -v : v);
}

}  // namespace

LONG CtlParseScaledNumber(const WCHAR* text, DWORD scale, SETTING_CONTEXT* ctx) {
  bool overflow = false;
  return ParseScaled(text, scale, ctx, &overflow);
}

int CtlGetNumericRecord(const CONTROL_DESC* control, CTL_NUMERIC* out) {
  if (!control || !control->ruleNode) return 0;
  IMG_REF node = IMG_REF(uintptr_t(control->ruleNode));
  if (dfc::BaseType(ImgNodeType(node)) != dfc::kTypeNumeric) return 0;
  IMG_REF rec = ImgNodeOptions(node);
  if (!rec) return 0;
  out->unitId = WORD(DFC_GET(rec, NUMERIC_VALUE, lead));
  out->maxText = WORD(DFC_GET(rec, NUMERIC_VALUE, number1));
  out->scale = WORD(DFC_GET(rec, NUMERIC_VALUE, number5));
  out->pageStep = WORD(DFC_GET(rec, NUMERIC_VALUE, number6));
  out->minimum = DFC_GET(rec, NUMERIC_VALUE, minimum);
  out->maximum = DFC_GET(rec, NUMERIC_VALUE, maximum);
  return 1;
}

int CtlGetStringRecord(const CONTROL_DESC* control, CTL_STRING* out) {
  if (!control || !control->ruleNode) return 0;
  IMG_REF node = IMG_REF(uintptr_t(control->ruleNode));
  if (dfc::BaseType(ImgNodeType(node)) != dfc::kTypeString) return 0;
  IMG_REF rec = ImgNodeOptions(node);
  if (!rec) return 0;
  out->maxLength = WORD(DFC_GET(rec, STRING_VALUE, maxLength));
  out->charClass = WORD(DFC_GET(rec, STRING_VALUE, kind));
  out->style = WORD(DFC_GET(rec, STRING_VALUE, flags));
  return 1;
}

int CtlIsLengthControl(const CONTROL_DESC* control) {
  return control && (control->flags & STG_CONTROL_DOTS_LENGTH) ? 1 : 0;
}

DWORD CtlLengthScale(SETTING_CONTEXT* ctx) { return StgIsMetric(ctx) ? 10 : 100; }

// ---- Text edits.

int CtlEditInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return 0;
  HWND w = Win(control);
  CTL_STRING rec{};
  WPARAM limit;
  if (CtlGetStringRecord(control, &rec)) {
    limit = rec.maxLength;
    if ((control->flags & STG_CONTROL_TEXT_LIMIT_260) && limit > 260) limit = 260;
    if ((rec.style & 256) && SendMessageW(w, EM_GETPASSWORDCHAR, 0, 0) != u'*')
      SendMessageW(w, EM_SETPASSWORDCHAR, u'*', 0);
  } else {
    DWORD size = StgTypeLength(control->item->type), code = StgTypeCode(control->item->type);
    bool wide = code == 8 || code == STG_TYPE_WIDE;
    limit = wide ? (size >= 2 ? size / 2 - 1 : 0) : (size >= 1 ? size - 1 : 0);
  }
  SendMessageW(w, EM_LIMITTEXT, limit, 0);
  return 0;
}

void CtlEditRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return;
  if (CtlGetExtraData(control, STG_EXTRA_TAG4)) return;
  HWND w = Win(control);
  std::u16string text = StoredInBlock(control->item) ? StoredText(ctx, control->item) : ReadText(w);
  if (MultiLine(w)) Replace(text, u"\\n", u"\r\n");
  ShowText(w, text);
}

INT_PTR CtlEditCommand(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam) {
  if (!control || !StoredInBlock(control->item) || !control->window) return 0;
  HWND w = Win(control);
  WORD code = CtlNotifyCode(wParam, lParam);
  DWORD size = StgTypeLength(control->item->type);
  bool multi = MultiLine(w);
  if (code == EN_KILLFOCUS) {
    std::u16string text = ReadText(w, int(size < kText ? size : kText));
    if (multi) Replace(text, u"\r\n", u"\\n");
    size_t before = text.size();
    if (!(control->flags & STG_CONTROL_KEEP_BLANKS)) {
      size_t a = text.find_first_not_of(u' ');
      if (a == std::u16string::npos) text.clear();
      else text = text.substr(a, text.find_last_not_of(u' ') - a + 1);
    }
    if (text.size() != before) {
      StgSetString(ctx, Row(control), text.c_str());
      if (multi) Replace(text, u"\\n", u"\r\n");
      ShowText(w, text);
    }
    return 0;
  }
  if (code != EN_CHANGE && code != EN_UPDATE) return 0;
  std::u16string text = ReadText(w);
  if (multi) Replace(text, u"\r\n", u"\\n");
  // Cut where the stored ANSI text would end.
  std::vector<char> ansi(size_t(size) + 1, 0);
  CfgWideToAnsi(ansi.data(), text.c_str(), int(size));
  std::vector<WCHAR> back(size_t(size) + 2, 0);
  CfgAnsiToWide(back.data(), ansi.data(), int(size) + 1);
  std::u16string cut(back.data());
  if (cut != StoredText(ctx, control->item)) StgSetString(ctx, Row(control), cut.c_str());
  return 1;
}

// ---- Unit edits.

int CtlUnitEditInit(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->window) return 0;
  CTL_NUMERIC rec{};
  WPARAM limit = 6;
  if (CtlGetNumericRecord(control, &rec)) limit = rec.maxText + UnitText(ctx, rec.unitId).size();
  SendMessageW(Win(control), EM_LIMITTEXT, limit, 0);
  return 0;
}

INT_PTR CtlUnitEditCommand(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control, WPARAM wParam,
                           LPARAM lParam) {
  if (!control || !control->window || Hidden(control)) return 0;
  HWND w = Win(control);
  WORD code = CtlNotifyCode(wParam, lParam);
  CTL_NUMERIC rec{};
  bool hasRec = CtlGetNumericRecord(control, &rec) != 0;
  if (code == EN_UPDATE) {
    if (!hasRec || !rec.unitId) return 0;
    std::u16string unit = UnitText(ctx, rec.unitId), text = ReadText(w);
    bool endsWithUnit = !unit.empty() && text.size() >= unit.size() &&
                        text.compare(text.size() - unit.size(), unit.size(), unit) == 0;
    SendMessageW(w, EM_LIMITTEXT, rec.maxText + (endsWithUnit ? unit.size() : 0), 0);
    return 0;
  }
  if (code != EN_CHANGE || !control->item) return 0;
  DWORD type = StgTypeCode(control->item->type);
  if (type < 1 || type > 6) return 0;
  std::u16string text = ReadText(w);
  bool length = CtlIsLengthControl(control);
  LONG typed, value;
  if (length) {
    typed = CtlParseScaledNumber(text.c_str(), CtlLengthScale(ctx), ctx);
    value = StgDisplayUnitsToDots(ctx, 0, typed);
  } else {
    typed = value = CtlParseScaledNumber(text.c_str(), hasRec ? rec.scale : 0, ctx);
  }
  if (OutOfRange(ctx, control, text, typed, value)) {
    // The character just typed goes again.
    PostMessageW(w, WM_CHAR, VK_BACK, 0);
    return 0;
  }
  DWORD current = CtlGetValue(ctx, control);
  if (length && typed == StgDotsToDisplayUnits(ctx, 0, LONG(current))) return 1;
  if (DWORD(value) == current) return 1;
  Event(ctx, STG_EVENT_VALUE_TYPED, control, typed);
  CtlSetValue(ctx, control, DWORD(value));
  return 1;
}

INT_PTR CtlUnitEditMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM,
                           LPARAM) {
  if (message != WM_KILLFOCUS || !control || !control->item || !control->window) return 0;
  HWND w = Win(control);
  bool length = CtlIsLengthControl(control);
  CTL_NUMERIC rec{};
  DWORD option = CtlGetValue(ctx, control);
  LONG value = LONG(option);
  if (CtlGetNumericRecord(control, &rec)) {
    std::u16string text = ReadText(w);
    if (length) {
      // An untouched text keeps the stored dots: no drift through the display unit.
      DWORD scale = CtlLengthScale(ctx);
      if (text != Formatted(ctx, scale, StgDotsToDisplayUnits(ctx, 0, LONG(option)), rec.unitId))
        value = StgDisplayUnitsToDots(ctx, 0, CtlParseScaledNumber(text.c_str(), scale, ctx));
    } else {
      value = CtlParseScaledNumber(text.c_str(), rec.scale, ctx);
    }
  }
  bool answered = false;
  LONG answer = Event(ctx, STG_EVENT_SHOW_VALUE2, control, 0, &answered);
  LONG reference = answered ? (length ? StgDisplayUnitsToDots(ctx, 0, answer) : answer) : LONG(option);
  if (reference != value) {
    if (answered) Event(ctx, STG_EVENT_DOTS_STORED, control, value);
    CtlSetValue(ctx, control, DWORD(value));
  }
  DlgApplyControlValue(ctx, page, control, 0, 0);
  if (length && page && (page->id == kCustomSizeDialog || page->id == kCustomSizeDialog2)) {
    LONG mn = 0, mx = 0;
    if (StgGetPaperOptionSize(ctx, control, &mn, &mx)) {
      LONG shown = StgDotsToDisplayUnits(ctx, 0, LONG(CtlGetValue(ctx, control)));
      LONG limit = shown < mn ? mn : shown > mx ? mx : shown;
      if (limit != shown) {
        LONG dots = StgDisplayUnitsToDots(ctx, 0, limit);
        Event(ctx, STG_EVENT_DOTS_STORED, control, dots);
        CtlSetValue(ctx, control, DWORD(dots));
      }
    }
  }
  return InvalidateRect(w, nullptr, TRUE);
}

void CtlUnitEditRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return;
  HWND w = Win(control);
  bool length = CtlIsLengthControl(control);
  CTL_NUMERIC rec{};
  bool hasRec = CtlGetNumericRecord(control, &rec) != 0;
  std::u16string text = ReadText(w);
  LONG parsed;
  if (length) {
    parsed = StgDisplayUnitsToDots(ctx, 0, CtlParseScaledNumber(text.c_str(), CtlLengthScale(ctx), ctx));
    ITEM_DESC* unit = StgFindItem(ctx, sid::rdmDspUnit);
    if (unit && (unit->flags & STG_FLAG_CHANGE_MASK) == STG_FLAG_CHANGED) text.clear();
  } else {
    parsed = CtlParseScaledNumber(text.c_str(), hasRec ? rec.scale : 0, ctx);
  }
  bool answered = false;
  LONG answer = Event(ctx, STG_EVENT_SHOW_VALUE, control, 0, &answered);
  DWORD option = CtlGetValue(ctx, control);
  LONG show = answered ? (length ? StgDisplayUnitsToDots(ctx, 0, answer) : answer) : LONG(option);
  bool same = false;
  if (length && !StgIsMetric(ctx)) {
    bool inches = false;
    Event(ctx, STG_EVENT_SHOWS_INCHES, control, 0, &inches);
    if (inches) same = CtlParseScaledNumber(text.c_str(), 100, ctx) == StgDotsToDisplayUnits(ctx, 0, LONG(option));
  }
  bool focus = GetFocus() == w;
  bool changed = (control->item->flags & STG_FLAG_CHANGE_MASK) == STG_FLAG_CHANGED;
  if ((!text.empty() || focus) && (!changed || focus) && (parsed == show || same)) return;
  LONG shown = show;
  if (length && hasRec) {
    if (text.empty() && !Hidden(control)) {
      LONG limited = LONG(option) > rec.maximum ? rec.maximum : LONG(option) < rec.minimum ? rec.minimum : LONG(option);
      if (limited != LONG(option)) {
        CtlSetValue(ctx, control, DWORD(limited));
        if (!answered) show = limited;
      }
    }
    shown = StgDotsToDisplayUnits(ctx, 0, show);
    LONG mn = 0, mx = 0;
    if (StgGetPaperOptionSize(ctx, control, &mn, &mx)) {
      if (shown > mx && show <= rec.maximum) shown = mx;
      else if (shown < mn && show >= rec.minimum) shown = mn;
    }
  } else if (length) {
    shown = StgDotsToDisplayUnits(ctx, 0, show);
  }
  DWORD scale = length ? CtlLengthScale(ctx) : hasRec ? rec.scale : 0;
  ShowText(w, Formatted(ctx, scale, shown, hasRec ? rec.unitId : 0));
}
