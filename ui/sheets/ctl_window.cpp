// The procedure every driver control is subclassed with: typing filters, arrow-key spinning, held step
// buttons, clicks on the printer picture and on linked pictures, the hand cursor, and the minus/plus bar's
// painting and arrow clicks.
#include "sheets/ctl_window.h"

#include <cstdint>
#include <string>
#include <vector>

#include "driverdata/img_image.h"
#include "kvplat/codepage.h"
#include "kvplat/controls.h"
#include "kvplat/paint.h"
#include "kvplat/propsheet.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/free_size_module.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "sheets/ctl_bars.h"
#include "sheets/ctl_core.h"
#include "sheets/ctl_draw.h"
#include "sheets/ctl_edits.h"
#include "sheets/ctl_hint.h"
#include "sheets/dlg_values.h"

namespace {

constexpr UINT kMsgStepRepeat = 0x8002;
constexpr UINT_PTR kStepTimer = 2;
constexpr UINT kStepTick = 100;
constexpr int kStepSkip = 3;
constexpr WORD kKindPicture = 0x2, kKindValueIcon = 0x3, kKindButton = 0x15, kKindCheckList = 0x31;
constexpr WORD kKindOwnerList = 0x2F, kKindPresetList = 0x32, kKindTextEdit = 0x3D, kKindTextEdit2 = 0x3E;
constexpr WORD kKindUnitEdit = 0x3F, kKindPlusMinusBar = 0x54, kKindTabGroups = 0x68;
constexpr WORD kPrinterPicture = 2067, kPrinterPicture2 = 3203, kPreviewPicture = 2039;
constexpr WORD kSourceCombo = 2007, kOutputCombo = 2066, kNoHandList = 2164;
constexpr DWORD kEventReversed = 58;

HWND Win(const CONTROL_DESC* c) { return static_cast<HWND>(c->window); }
bool Hidden(const CONTROL_DESC* c) { return (c->state & STG_CONTROL_STATE_HIDDEN_MASK) != 0; }
bool Disabled(const CONTROL_DESC* c) { return (c->state & STG_CONTROL_STATE_DISABLED_MASK) != 0; }
HWND PageWindow(const DIALOG_DESC* page) { return static_cast<HWND>(page->window); }

LRESULT Default(CONTROL_DESC* c, HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return c->savedProc ? CallWindowProcW(reinterpret_cast<WNDPROC>(c->savedProc), w, m, wp, lp)
                      : DefWindowProcW(w, m, wp, lp);
}

void PaintPage(DIALOG_DESC* page) {
  if (page->window) PostMessageW(PageWindow(page), WM_PAINT, 0, 0);
}

const STEP_RECORD* StepRecord(const CONTROL_DESC* c) {
  return c->kind == kKindButton ? reinterpret_cast<const STEP_RECORD*>(CtlGetExtraData(c, STG_EXTRA_STEP_RECORD))
                                : nullptr;
}

CONTROL_DESC* OnPage(DIALOG_DESC* page, WORD id) {
  for (int i = 0; i < page->controlCount; ++i)
    if (page->controls[i].controlId == id) return &page->controls[i];
  return nullptr;
}

size_t AnsiBytes(const std::u16string& s) {
  if (s.empty()) return 0;
  int n = WideCharToMultiByte(CP_ACP, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
  return n > 0 ? size_t(n) : 0;
}

std::u16string EditText(HWND w) {
  int n = GetWindowTextLengthW(w);
  std::vector<WCHAR> buf(size_t(n > 0 ? n : 0) + 1, 0);
  GetWindowTextW(w, buf.data(), n + 1);
  return std::u16string(buf.data());
}

void Selection(HWND w, DWORD* start, DWORD* end) {
  *start = *end = 0;
  SendMessageW(w, EM_GETSEL, reinterpret_cast<WPARAM>(start), reinterpret_cast<LPARAM>(end));
}

bool IsAsciiAlnum(WCHAR c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// A typed character of a text edit: false when it is to be swallowed.
bool TextCharAllowed(CONTROL_DESC* c, HWND w, WCHAR ch) {
  CTL_STRING rec{};
  if (!c->item || !CtlGetStringRecord(c, &rec)) return true;
  if ((rec.charClass & 2) && ch != VK_BACK && !IsAsciiAlnum(ch)) return false;
  if (ch == VK_BACK) return true;
  std::u16string text = EditText(w);
  DWORD s = 0, e = 0;
  Selection(w, &s, &e);
  if (s < e && e <= text.size()) text.erase(s, e - s);
  size_t l = AnsiBytes(text);
  size_t k = AnsiBytes(std::u16string(1, ch)) <= 1 ? 1 : 2;
  size_t size = StgTypeLength(c->item->type);
  return size >= 1 && size - 1 >= l + k;
}

bool PasteAllowed(CONTROL_DESC* c, HWND w) {
  CTL_STRING rec{};
  if (!c->item || !CtlGetStringRecord(c, &rec)) return true;
  DWORD s = 0, e = 0;
  Selection(w, &s, &e);
  size_t size = StgTypeLength(c->item->type);
  return s < e || AnsiBytes(EditText(w)) + 1 < size;
}

// The arrow keys of a unit edit: the value stepped by one (a display unit for lengths), held in range.
LRESULT Spin(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, HWND w, UINT m, WPARAM key, LPARAM lp) {
  CTL_NUMERIC rec{};
  if (!c->item || !CtlGetNumericRecord(c, &rec)) return Default(c, w, m, key, lp);
  LONG value = LONG(CtlGetValue(ctx, c)), step = 1, mx = rec.maximum, mn = rec.minimum;
  if (CtlIsLengthControl(c)) {
    step = StgDisplayUnitsToDots(ctx, 0, 1);
    StgGetFreeSizeControlLimits(ctx, c, &mx, &mn);
  }
  if (key == VK_UP) {
    if (int64_t(value) + step > mx) {
      if (value == mx) return 0;
      value = mx;
    } else {
      value += step;
    }
  } else {
    if (int64_t(value) - step < mn) {
      if (value == mn) return 0;
      value = mn;
    } else {
      value -= step;
    }
  }
  STG_CONTROL_EVENT_ARG a{c, uint64_t(int64_t(value)), 0, 0};
  StgBroadcastModuleEvent(ctx, STG_EVENT_DOTS_STORED2, &a);
  CtlSetValue(ctx, c, DWORD(value));
  PostMessageW(w, WM_PAINT, 0, 0);
  PaintPage(page);
  return 0;
}

int Reversed(SETTING_CONTEXT* ctx, CONTROL_DESC* c) {
  STG_CONTROL_EVENT_ARG a{c, 0, 0, 0};
  StgBroadcastModuleEvent(ctx, kEventReversed, &a);
  return a.value ? 1 : 0;
}

// The value a minus/plus bar shows, reversed when a module says it runs right to left.
LONG BarValue(SETTING_CONTEXT* ctx, CONTROL_DESC* c) {
  LONG value = LONG(CtlGetValue(ctx, c));
  if (!Reversed(ctx, c)) return value;
  LONG lo = 0, hi = 0;
  SendMessageW(Win(c), SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  value = hi - value;
  return value < lo ? lo : value > hi ? hi : value;
}

// 1 when a click at screen x on the bar's arrow cannot move it.
bool BarArrowStuck(SETTING_CONTEXT* ctx, CONTROL_DESC* c, int x, const CTL_NUMERIC& rec) {
  RECT r{};
  GetWindowRect(Win(c), &r);
  int w = GetSystemMetrics(SM_CXHSCROLL);
  LONG value = BarValue(ctx, c);
  return (x <= r.left + w && value <= rec.minimum) || (x >= r.right - w && value >= rec.maximum);
}

bool Inside(HWND w, POINT screen) {
  RECT r{};
  GetWindowRect(w, &r);
  return screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom;
}

// The point of a printer picture: from its top-left corner, or for 3203 x from its right edge.
POINT PicturePoint(const CONTROL_DESC* c, POINT screen) {
  RECT r{};
  GetWindowRect(Win(c), &r);
  return POINT{c->controlId == kPrinterPicture2 ? screen.x - r.right : screen.x - r.left, screen.y - r.top};
}

bool ComboUsable(DIALOG_DESC* page, WORD id) {
  CONTROL_DESC* combo = OnPage(page, id);
  return combo && combo->window && !Disabled(combo);
}

// A click on the printer picture: the tray or output opening under it is chosen in its combo.
void PrinterPictureClick(SETTING_CONTEXT* ctx, DIALOG_DESC* page, POINT at) {
  bool changed = false;
  if (ComboUsable(page, kSourceCombo)) {
    if (const HOT_SPOT_ROW* spot = CtlFindHotSpot(ctx, nullptr, at, CtlSourceHotSpots())) {
      ITEM_DESC* source = nullptr;
      StgGetOptionValue(ctx, sid::dmDefaultSource, &source);
      bool locked = StgIsModelFeatureOn(ctx, 2, 0) && StgGetOptionValue(ctx, sid::rdmLock000InfoBitTray, nullptr) &&
                    source &&
                    StgMapToOption(ctx, source, DWORD(StgGetValue(ctx, sid::wdmLock001Info, nullptr))) != spot->value;
      if (!locked) {
        CtlSelectComboByData(ctx, page, kSourceCombo, spot->value);
        changed = true;
      }
    }
  }
  if (ComboUsable(page, kOutputCombo))
    if (const HOT_SPOT_ROW* spot = CtlFindHotSpot(ctx, nullptr, at, CtlOutputHotSpots())) {
      CtlSelectComboByData(ctx, page, kOutputCombo, spot->value);
      changed = true;
    }
  if (changed && page->window) {
    PaintPage(page);
    SendMessageW(GetParent(PageWindow(page)), PSM_CHANGED, reinterpret_cast<WPARAM>(page->window), 0);
  }
}

bool Usable(const CONTROL_DESC* c) { return c && !Hidden(c) && !Disabled(c); }

// The control a click on a linked picture acts on: the control with the linked id, else the next button
// of the radio group whose item key the id is.
CONTROL_DESC* LinkedTarget(SETTING_CONTEXT* ctx, CONTROL_DESC* c) {
  WORD link = WORD(c->linkedId);
  if (CONTROL_DESC* t = StgFindControlById(ctx, nullptr, link)) return t;
  DIALOG_TABLE* table = ctx->dialogs;
  for (int d = 0; table && d < table->count; ++d) {
    DIALOG_DESC& dlg = table->rows[d];
    CONTROL_DESC* selected = nullptr;
    int at = -1;
    for (int i = 0; i < dlg.controlCount && !selected; ++i) {
      CONTROL_DESC& x = dlg.controls[i];
      if (WORD(x.key) == link && x.controlId == CtlGetValue(ctx, &x)) selected = &x, at = i;
    }
    if (!selected) continue;
    for (int i = at + 1; i < dlg.controlCount; ++i)
      if (WORD(dlg.controls[i].key) == link && Usable(&dlg.controls[i])) return &dlg.controls[i];
    for (int i = 0; i < dlg.controlCount; ++i) {
      CONTROL_DESC& x = dlg.controls[i];
      if (WORD(x.key) == link && Usable(&x) && x.controlId != CtlGetValue(ctx, &x)) return &x;
    }
    return nullptr;
  }
  return nullptr;
}

void StepOnce(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c) {
  CtlRunStepButton(ctx, page, c);
  PaintPage(page);
}

// A held step button: a step at once, the next after four ticks of timer 2, then one a tick while the
// cursor is on the button. The loop waits for messages and ends on the release (anywhere: the button
// holds the capture), on losing the capture, on a quit request (posted again for the caller's loop) and
// when the button goes.
void RunStepLoop(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, HWND button, WPARAM startedBy) {
  StepOnce(ctx, page, c);
  bool keyboard = startedBy == WM_KEYDOWN;
  if (!keyboard) SetCapture(button);
  if (!SetTimer(button, kStepTimer, kStepTick, nullptr)) {
    if (!keyboard && GetCapture() == button) ReleaseCapture();
    return;
  }
  int skip = kStepSkip;
  bool inside = true;
  MSG m{};
  for (;;) {
    BOOL got = GetMessageW(&m, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    if (got < 0 || !IsWindow(button)) break;
    if (m.message == kMsgStepRepeat && m.hwnd == button) break;
    if (m.message == WM_TIMER && m.hwnd == button && m.wParam == kStepTimer) {
      if (skip > 0) --skip;
      else if (inside) StepOnce(ctx, page, c);
      continue;
    }
    if (m.message == WM_MOUSEMOVE && !keyboard) {
      POINT p{};
      GetCursorPos(&p);
      inside = CtlHitTestControl(page, int(p.x), int(p.y)) == c;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
    if (!IsWindow(button)) break;
    if (!keyboard && GetCapture() != button) break;
  }
  if (IsWindow(button)) KillTimer(button, kStepTimer);
  if (!keyboard && GetCapture() == button) ReleaseCapture();
}

void SetHand(SETTING_CONTEXT* ctx, bool hand) {
  SHEET_WORK& s = ctx->work->sheet;
  HCURSOR cur = GetCursor();
  if (hand) {
    if (s.cursors[0] && cur != s.cursors[0] && cur != s.cursors[1]) {
      HCURSOR old = SetCursor(static_cast<HCURSOR>(s.cursors[0]));
      if (!s.savedCursor) s.savedCursor = old;
    }
  } else if (s.savedCursor) {
    SetCursor(static_cast<HCURSOR>(s.savedCursor));
    s.savedCursor = nullptr;
  }
}

LRESULT HitTest(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, HWND w, WPARAM wp, LPARAM lp) {
  POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  // A window of the driver's own making, or a later control, lying over this one takes the point.
  int index = int(c - page->controls);
  for (int i = index + 1; i >= 0 && i < page->controlCount; ++i) {
    CONTROL_DESC& x = page->controls[i];
    if (x.kind == kKindTabGroups || Hidden(&x) || !x.window) continue;
    RECT r{};
    GetWindowRect(Win(&x), &r);
    if (p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom) return Default(c, w, WM_NCHITTEST, wp, lp);
  }
  bool hand = false;
  RECT cr{};
  GetWindowRect(w, &cr);
  POINT hint{cr.left, cr.bottom + 4};
  if (!Hidden(c) && !Disabled(c)) {
    if ((c->kind == kKindOwnerList && c->controlId != kNoHandList) || c->kind == kKindPresetList) {
      hand = true;
    } else if (c->kind == kKindPicture && (c->controlId == kPrinterPicture || c->controlId == kPrinterPicture2)) {
      c->hintId = 0;
      POINT at = PicturePoint(c, p);
      LONG edge = c->controlId == kPrinterPicture2 ? cr.right : cr.left;
      RECT spot{};
      const HOT_SPOT_ROW* row = nullptr;
      if (ComboUsable(page, kSourceCombo)) row = CtlFindHotSpot(ctx, &spot, at, CtlSourceHotSpots());
      if (!row && ComboUsable(page, kOutputCombo)) row = CtlFindHotSpot(ctx, &spot, at, CtlOutputHotSpots());
      if (row) {
        c->hintId = row->value;
        hint = POINT{spot.left + edge, spot.top + cr.top};
        hand = true;
      }
    }
  }
  SetHand(ctx, hand);
  if (page->window) {
    ScreenToClient(PageWindow(page), &hint);
    CtlUpdateHint(ctx, c, PageWindow(page), int(hint.x), int(hint.y));
  }
  if (c->kind >= 1 && c->kind <= 4) return HTCLIENT;
  CTL_NUMERIC rec{};
  if (c->kind == kKindPlusMinusBar && CtlGetNumericRecord(c, &rec) && BarArrowStuck(ctx, c, int(p.x), rec))
    return HTERROR;
  return Default(c, w, WM_NCHITTEST, wp, lp);
}

LRESULT LeftButtonUp(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, HWND w, UINT m, WPARAM wp, LPARAM lp) {
  PostMessageW(w, kMsgStepRepeat, 0, 0);
  SHEET_WORK& s = ctx->work->sheet;
  if (s.cursors[1] && GetCursor() == s.cursors[1]) SetCursor(static_cast<HCURSOR>(s.cursors[0]));
  if (c->kind == kKindCheckList) {
    CtlRunMessage(ctx, page, c, m, wp, lp);
    return Default(c, w, m, wp, lp);
  }
  if (c->kind == kKindPlusMinusBar && (Hidden(c) || Disabled(c))) return 0;
  if (c->kind != kKindPicture && c->kind != kKindValueIcon && !s.savedCursor) return Default(c, w, m, wp, lp);
  POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  ClientToScreen(w, &p);
  if (!Inside(w, p)) return Default(c, w, m, wp, lp);
  if (c->kind == kKindPicture && (c->controlId == kPrinterPicture || c->controlId == kPrinterPicture2)) {
    PrinterPictureClick(ctx, page, PicturePoint(c, p));
    return 0;
  }
  CONTROL_DESC* target = c->linkedId ? LinkedTarget(ctx, c) : c;
  if (!Usable(target)) return Default(c, w, m, wp, lp);
  const CONTROL_KIND* kind = CtlFindKind(target->kind);
  if (kind && kind->pictureClick && kind->pictureClick(ctx, page, target, m, wp, lp)) {
    if (target->window) SetFocus(Win(target));
    PaintPage(page);
    return 0;
  }
  return Default(c, w, m, wp, lp);
}

LRESULT LeftButtonDown(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, HWND w, UINT m, WPARAM wp, LPARAM lp,
                       WPARAM startedBy) {
  if (StepRecord(c)) {
    PostMessageW(w, kMsgStepRepeat, startedBy, 0);
    return Default(c, w, m, wp, lp);
  }
  if (c->kind != kKindPlusMinusBar) return Default(c, w, m, wp, lp);
  if (Hidden(c) || Disabled(c)) return 0;
  CTL_NUMERIC rec{};
  if (!CtlGetNumericRecord(c, &rec)) return Default(c, w, m, wp, lp);
  POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  ClientToScreen(w, &p);
  if (!Inside(w, p)) return Default(c, w, m, wp, lp);
  if (BarArrowStuck(ctx, c, int(p.x), rec)) return 0;
  CtlUpdateHint(ctx, nullptr, page->window ? PageWindow(page) : nullptr, 0, 0);
  // The pressed box shows over the arrow while the bar runs the click.
  HWND pressed = nullptr;
  CtlScrollBarMessage(ctx, reinterpret_cast<DIALOG_DESC*>(&pressed), c, WM_LBUTTONDOWN, wp, lp);
  LRESULT r = Default(c, w, m, wp, lp);
  if (pressed && IsWindow(pressed)) DestroyWindow(pressed);
  return r;
}

LRESULT Paint(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, HWND w) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(w, &ps);
  RECT own{};
  GetWindowRect(w, &own);
  for (HWND sib = GetWindow(w, GW_HWNDPREV); sib; sib = GetWindow(sib, GW_HWNDPREV)) {
    RECT r{};
    if (!IsWindowVisible(sib) || !GetWindowRect(sib, &r)) continue;
    if (r.left <= own.left && r.top <= own.top && r.right >= own.right && r.bottom >= own.bottom) continue;
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(w, &a);
    ScreenToClient(w, &b);
    ExcludeClipRect(dc, int(a.x), int(a.y), int(b.x), int(b.y));
  }
  ctx->work->sheet.paintDc = dc;
  CtlPaintPlusMinusBar(ctx, page, c, Reversed(ctx, c));
  ctx->work->sheet.paintDc = nullptr;
  EndPaint(w, &ps);
  return 0;
}

LRESULT EraseBackground(SETTING_CONTEXT* ctx, CONTROL_DESC* c, HWND w, HDC dc) {
  RECT r{};
  GetClientRect(w, &r);
  HBRUSH brush = Disabled(c) ? static_cast<HBRUSH>(ctx->work->sheet.brushes[0])
                 : c->kind == kKindOwnerList ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                                             : static_cast<HBRUSH>(ctx->work->sheet.brushes[1]);
  if (!brush) brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  FillRect(dc, &r, brush);
  return 1;
}

}  // namespace

int CtlIsNumericChar(SETTING_CONTEXT* ctx, WCHAR ch) {
  if ((ch >= u'0' && ch <= u'9') || ch == VK_BACK) return 1;
  return ch == (ctx && StgIsEuropeanRegion(ctx) ? u',' : u'.') ? 1 : 0;
}

CONTROL_DESC* CtlHitTestControl(DIALOG_DESC* page, int x, int y) {
  if (!page) return nullptr;
  for (int i = page->controlCount - 1; i >= 0; --i) {
    CONTROL_DESC* c = &page->controls[i];
    if (!c->window || Hidden(c)) continue;
    RECT r{};
    if (!GetWindowRect(Win(c), &r)) continue;
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return c;
  }
  return nullptr;
}

int CtlRunStepButton(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* button) {
  const STEP_RECORD* rec = button ? StepRecord(button) : nullptr;
  if (!rec || !page || !rec->rows) return 1;
  for (int i = 0; i < rec->count; ++i) {
    CONTROL_DESC* c = OnPage(page, rec->rows[i].controlId);
    CTL_NUMERIC num{};
    if (!c || !c->item || !CtlGetNumericRecord(c, &num)) continue;
    int64_t v = int64_t(LONG(CtlGetValue(ctx, c))) + rec->rows[i].step;
    if (v < num.minimum) v = num.minimum;
    if (v > num.maximum) v = num.maximum;
    CtlSetValue(ctx, c, DWORD(LONG(v)));
  }
  return 1;
}

LRESULT CtlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* c = reinterpret_cast<CONTROL_DESC*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!c) return 0;
  auto* ctx = reinterpret_cast<SETTING_CONTEXT*>(GetWindowLongPtrW(GetParent(window), DWLP_USER));
  DIALOG_DESC* page = ctx && ctx->work ? PgFindByWindow(ctx, GetParent(window)) : nullptr;
  if (!page) return Default(c, window, message, wParam, lParam);
  if (DlgOfferUiHooks(ctx, page, c, message, wParam, lParam) == 1) return 0;
  switch (message) {
    case WM_CHAR: {
      WCHAR ch = WCHAR(wParam);
      if (c->kind == kKindCheckList) CtlRunMessage(ctx, page, c, message, wParam, lParam);
      else if (c->kind == kKindUnitEdit && !CtlIsNumericChar(ctx, ch)) return 0;
      else if ((c->kind == kKindTextEdit || c->kind == kKindTextEdit2) && !TextCharAllowed(c, window, ch)) return 0;
      break;
    }
    case WM_PASTE:
      if ((c->kind == kKindTextEdit || c->kind == kKindTextEdit2) && !PasteAllowed(c, window)) return 0;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && StepRecord(c))
        return LeftButtonDown(ctx, page, c, window, message, wParam, lParam, WM_KEYDOWN);
      if ((wParam == VK_UP || wParam == VK_DOWN) && c->kind == kKindUnitEdit && !(c->flags & STG_CONTROL_NO_ARROW_STEP))
        return Spin(ctx, page, c, window, message, wParam, lParam);
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && StepRecord(c)) return LeftButtonUp(ctx, page, c, window, message, wParam, lParam);
      break;
    case WM_LBUTTONDOWN:
      if (ctx->work->sheet.cursors[0] && GetCursor() == ctx->work->sheet.cursors[0])
        SetCursor(static_cast<HCURSOR>(ctx->work->sheet.cursors[1]));
      return LeftButtonDown(ctx, page, c, window, message, wParam, lParam, message);
    case WM_LBUTTONDBLCLK:
      return LeftButtonDown(ctx, page, c, window, message, wParam, lParam, message);
    case WM_MOUSEMOVE:
      if ((wParam & MK_LBUTTON) && ctx->work->sheet.cursors[0] && GetCursor() == ctx->work->sheet.cursors[0])
        SetCursor(static_cast<HCURSOR>(ctx->work->sheet.cursors[1]));
      break;
    case WM_RBUTTONDOWN:
      if (wParam & MK_LBUTTON) PostMessageW(window, WM_LBUTTONUP, wParam, lParam);
      break;
    case WM_LBUTTONUP:
      return LeftButtonUp(ctx, page, c, window, message, wParam, lParam);
    case kMsgStepRepeat:
      if (StepRecord(c) && wParam) RunStepLoop(ctx, page, c, window, wParam);
      return 0;
    case WM_KILLFOCUS:
      if (c->kind == kKindUnitEdit) CtlRunMessage(ctx, page, c, message, wParam, lParam);
      else if (c->kind == kKindPlusMinusBar) InvalidateRect(window, nullptr, TRUE);
      break;
    case WM_PAINT:
      if (c->kind == kKindPlusMinusBar) return Paint(ctx, page, c, window);
      break;
    case WM_ERASEBKGND:
      if (c->kind == kKindPresetList || c->kind == kKindOwnerList ||
          (c->kind == kKindPicture && c->controlId == kPreviewPicture))
        return EraseBackground(ctx, c, window, reinterpret_cast<HDC>(wParam));
      break;
    case WM_SETCURSOR: {
      HCURSOR cur = GetCursor();
      if (cur && (cur == ctx->work->sheet.cursors[0] || cur == ctx->work->sheet.cursors[1])) return 1;
      break;
    }
    case WM_NCHITTEST:
      return HitTest(ctx, page, c, window, wParam, lParam);
    default: break;
  }
  return Default(c, window, message, wParam, lParam);
}
