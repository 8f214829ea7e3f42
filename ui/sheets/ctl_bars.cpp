// Spin bars beside unit edits, horizontal scroll bars, the driver-painted minus/plus bars and the track
// bar: each turns a scroll step into its numeric setting.
#include "sheets/ctl_bars.h"

#include <cstdint>

#include "kvplat/controls.h"
#include "kvplat/module.h"
#include "kvplat/paint.h"
#include "kvplat/propsheet.h"
#include "settings/context.h"
#include "settings/free_size_module.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/ctl_draw.h"
#include "sheets/ctl_edits.h"
#include "sheets/dlg_change.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_values.h"

namespace {

constexpr DWORD kEventReversed = 58;

HWND Win(const CONTROL_DESC* c) { return static_cast<HWND>(c->window); }
bool Disabled(const CONTROL_DESC* c) { return (c->state & STG_CONTROL_STATE_DISABLED_MASK) != 0; }

struct Steps {
  LONG line, page;
  WORD picture;
};
// The bar's steps: line 1 and the given page step, or those of its scroll steps when they name a track
// picture.
Steps BarSteps(const CONTROL_DESC* c, LONG page) {
  Steps s{1, page, 0};
  if (const WORD* x = CtlGetExtraData(c, STG_EXTRA_SCROLL_STEPS))
    if (x[3]) s = Steps{int16_t(x[1]), int16_t(x[2]), x[3]};
  return s;
}

void Range(HWND w, LONG* lo, LONG* hi) {
  *lo = *hi = 0;
  SendMessageW(w, SBM_GETRANGE, reinterpret_cast<WPARAM>(lo), reinterpret_cast<LPARAM>(hi));
}

LONG Clamp(LONG v, LONG lo, LONG hi) { return v < lo ? lo : v > hi ? hi : v; }

int Reversed(SETTING_CONTEXT* ctx, CONTROL_DESC* c) {
  STG_CONTROL_EVENT_ARG a{c, 0, 0, 0};
  StgBroadcastModuleEvent(ctx, kEventReversed, &a);
  return a.value ? 1 : 0;
}

void DisableWindowOf(CONTROL_DESC* c) {
  if (Disabled(c) && IsWindowEnabled(Win(c))) EnableWindow(Win(c), FALSE);
}

// The new position of a scroll code, 64-bit so that no step wraps.
int64_t Moved(WORD code, WPARAM wParam, int64_t pos, const Steps& s, bool spin) {
  switch (code) {
    case SB_LINEUP: return spin ? pos + s.line : pos - s.line;
    case SB_LINEDOWN: return spin ? pos - s.line : pos + s.line;
    case SB_PAGEUP: return spin ? pos + s.page : pos - s.page;
    case SB_PAGEDOWN: return spin ? pos - s.page : pos + s.page;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return SHORT(HIWORD(wParam));
    case SB_LEFT: return spin ? pos : pos - 1;
    case SB_RIGHT: return spin ? pos : pos + 1;
    default: return pos;
  }
}

void Bar(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT r{left, top, right, bottom};
  CtlFillRect(dc, &r, colour);
}

// A box of the bar: a raised face with a minus, and a plus when asked.
void Box(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* c, HDC dc, RECT r, bool plus) {
  CtlPaintButtonFace(ctx, page, c, nullptr, dc, &r, 2, 0, 0);
  COLORREF ink = GetSysColor(COLOR_MENUTEXT);
  int midY = (r.top + r.bottom) / 2, midX = (r.left + r.right) / 2;
  Bar(dc, r.left + 3, midY - 1, r.right - 4, midY + 1, ink);
  if (plus) Bar(dc, midX - 1, r.top + 4, midX + 1, r.bottom - 4, ink);
}

}  // namespace

// ---- Spin bars.

int CtlSpinBarInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return 0;
  LONG lo = -100, hi = 100;
  CTL_NUMERIC rec{};
  if (CtlGetNumericRecord(control, &rec)) lo = rec.minimum, hi = rec.maximum;
  if (CtlIsLengthControl(control)) StgGetPaperOptionSize(ctx, control, &lo, &hi);
  STG_CONTROL_EVENT_ARG a{control, 0, 0, 0};
  StgBroadcastModuleEvent(ctx, STG_EVENT_SPIN_RANGE, &a);
  if (a.answered == 1) {
    // The module answers in dots.
    hi = LONG(int64_t(a.value));
    lo = LONG(int64_t(a.value2));
    if (CtlIsLengthControl(control)) hi = StgDotsToDisplayUnits(ctx, 0, hi), lo = StgDotsToDisplayUnits(ctx, 0, lo);
  }
  SendMessageW(Win(control), SBM_SETRANGE, WPARAM(lo), LPARAM(hi));
  CtlRefreshControl(ctx, page, control);
  return 0;
}

void CtlSpinBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return;
  HWND w = Win(control);
  LONG value = LONG(CtlGetValue(ctx, control));
  if (CtlIsLengthControl(control)) {
    LONG mn = 0, mx = 0, lo = 0, hi = 0;
    Range(w, &lo, &hi);
    if (StgGetPaperOptionSize(ctx, control, &mn, &mx) && (mn != lo || mx != hi))
      SendMessageW(w, SBM_SETRANGE, WPARAM(mn), LPARAM(mx));
    value = StgDotsToDisplayUnits(ctx, 0, value);
  }
  SendMessageW(w, SBM_SETPOS, WPARAM(value), TRUE);
  DisableWindowOf(control);
}

INT_PTR CtlSpinBarMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message,
                          WPARAM wParam, LPARAM lParam) {
  if (message != WM_VSCROLL || !control || !control->item || !control->window) return 0;
  HWND w = Win(control);
  if (!CtlIsFromWindow(wParam, lParam, w) || Disabled(control)) return 0;
  LONG lo = 0, hi = 0;
  Range(w, &lo, &hi);
  Steps s = BarSteps(control, 0);
  if (!s.picture) s = Steps{1, 0, 0};
  int64_t moved = Moved(LOWORD(wParam), wParam, LONG(SendMessageW(w, SBM_GETPOS, 0, 0)), s, true);
  LONG pos = LONG(moved < lo ? lo : moved > hi ? hi : moved);
  if (CtlIsLengthControl(control)) {
    STG_CONTROL_EVENT_ARG a{control, uint64_t(int64_t(pos)), 0, 0};
    StgBroadcastModuleEvent(ctx, STG_EVENT_SPIN_STORED, &a);
    pos = StgDisplayUnitsToDots(ctx, 0, pos);
  }
  CtlSetValue(ctx, control, DWORD(pos));
  if (page) {
    for (int i = 0; i < page->controlCount; ++i)
      if (page->controls[i].controlId == WORD(control->linkedId) && page->controls[i].window)
        PostMessageW(Win(&page->controls[i]), WM_PAINT, 0, 0);
    if (page->window)
      SendMessageW(GetParent(static_cast<HWND>(page->window)), PSM_CHANGED, reinterpret_cast<WPARAM>(page->window), 0);
  }
  return 1;
}

// ---- Scroll bars and minus/plus bars.

int CtlScrollBarInit(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return 0;
  HWND w = Win(control);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE;
  si.nMin = 0;
  si.nMax = 200;
  CTL_NUMERIC rec{};
  if (CtlGetNumericRecord(control, &rec)) si.nMin = rec.minimum, si.nMax = rec.maximum;
  SendMessageW(w, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  SendMessageW(w, SBM_ENABLE_ARROWS, ESB_ENABLE_BOTH, 0);
  if (control->kind == 0x54) {
    // The driver paints this bar itself: the visual style is switched off where the platform has one.
    if (HMODULE theme = LoadLibraryW(u"UxTheme.DLL")) {
      typedef LONG (*SetThemeFn)(HWND, const WCHAR*, const WCHAR*);
      if (auto fn = reinterpret_cast<SetThemeFn>(GetProcAddress(theme, "SetWindowTheme"))) fn(w, u" ", u" ");
      FreeLibrary(theme);
    }
  }
  return 1;
}

void CtlScrollBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return;
  SendMessageW(Win(control), SBM_SETPOS, WPARAM(LONG(CtlGetValue(ctx, control))), TRUE);
  DisableWindowOf(control);
}

void CtlPlusMinusBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return;
  HWND w = Win(control);
  LONG value = LONG(CtlGetValue(ctx, control));
  int reversed = Reversed(ctx, control);
  if (reversed) {
    LONG lo = 0, hi = 0;
    Range(w, &lo, &hi);
    value = Clamp(hi - value, lo, hi);
  }
  SendMessageW(w, SBM_SETPOS, WPARAM(value), TRUE);
  DisableWindowOf(control);
  CtlPaintPlusMinusBar(ctx, page, control, reversed);
}

INT_PTR CtlScrollBarMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message,
                            WPARAM wParam, LPARAM lParam) {
  if (!control || !control->item || !control->window) return 0;
  HWND w = Win(control);
  if (message == WM_HSCROLL) {
    if (!CtlIsFromWindow(wParam, lParam, w) || Disabled(control)) return 0;
    LONG lo = 0, hi = 0;
    Range(w, &lo, &hi);
    int64_t moved = Moved(LOWORD(wParam), wParam, LONG(SendMessageW(w, SBM_GETPOS, 0, 0)), BarSteps(control, 10), false);
    LONG pos = LONG(moved < lo ? lo : moved > hi ? hi : moved);
    LONG value = Reversed(ctx, control) ? hi - pos : pos;
    DlgSetControlValue(ctx, page, control, DWORD(value));
    PgLayoutPage(ctx, page, 0);
    return 1;
  }
  if (message == WM_CTLCOLORSCROLLBAR) {
    if (control->kind != 0x54 || reinterpret_cast<HWND>(lParam) != w || !BarSteps(control, 10).picture) return 0;
    if (page && page->window)
      SetWindowLongPtrW(static_cast<HWND>(page->window), DWLP_MSGRESULT, LONG_PTR(GetStockObject(NULL_BRUSH)));
    return 1;
  }
  if (message != WM_LBUTTONDOWN) return 0;
  // The pressed box: here `page` is the slot that receives the pop-up drawn over the box.
  HWND* slot = reinterpret_cast<HWND*>(page);
  int x = GET_X_LPARAM(lParam), arrow = GetSystemMetrics(SM_CXHSCROLL);
  RECT cr{}, wr{};
  GetClientRect(w, &cr);
  GetWindowRect(w, &wr);
  if (x > arrow && x < cr.right - arrow) return 0;
  bool leftBox = x <= arrow;
  HWND owner = nullptr;
  if (ctx->dialogs)
    for (int d = 0; d < ctx->dialogs->count && !owner; ++d)
      if (ctx->dialogs->rows[d].id == ctx->work->sheet.firstDialogId) owner = static_cast<HWND>(ctx->dialogs->rows[d].window);
  if (!owner) owner = GetParent(w);
  HWND pop = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, leftBox ? wr.left : wr.right - arrow, wr.top, arrow,
                             wr.bottom - wr.top, owner, nullptr, static_cast<HINSTANCE>(ctx->resourceLib), nullptr);
  if (!pop) return 0;
  ShowWindow(pop, SW_SHOWNOACTIVATE);
  if (slot) *slot = pop;
  bool plus = leftBox == (Reversed(ctx, control) != 0);
  HDC dc = GetDC(pop);
  if (dc) {
    RECT r{0, 0, arrow, wr.bottom - wr.top};
    CtlPaintButtonFace(ctx, nullptr, control, nullptr, dc, &r, 2, 1, 1);
    int midY = r.bottom / 2, midX = arrow / 2;
    Bar(dc, 4, midY - 1, arrow - 4, midY + 1, 0);
    if (plus) Bar(dc, midX - 1, 4, midX + 1, r.bottom - 4, 0);
    ReleaseDC(pop, dc);
  }
  return 0;
}

void CtlPaintPlusMinusBar(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, int plusOnLeft) {
  if (!control || !control->window) return;
  HWND w = Win(control);
  LONG lo = 0, hi = 0;
  Range(w, &lo, &hi);
  int64_t span = int64_t(hi) - lo;
  if (span <= 0) return;
  int64_t pos = int64_t(LONG(SendMessageW(w, SBM_GETPOS, 0, 0))) - lo;
  HDC dc = CtlGetPaintDc(ctx, w);
  if (!dc) return;
  RECT r{};
  GetClientRect(w, &r);
  int arrow = GetSystemMetrics(SM_CXHSCROLL);
  int trackStart = r.left + arrow, trackLength = (r.right - arrow) - trackStart;
  Box(ctx, page, control, dc, RECT{r.left, r.top, r.left + arrow, r.bottom}, plusOnLeft != 0);
  Box(ctx, page, control, dc, RECT{r.right - arrow, r.top, r.right, r.bottom}, plusOnLeft == 0);
  if (trackLength >= arrow) {
    int left = trackStart + int((int64_t(trackLength - arrow) * Clamp(LONG(pos), 0, LONG(span))) / span);
    RECT thumb{left, r.top, left + arrow, r.bottom};
    bool focus = GetFocus() == w;
    CtlPaintButtonFace(ctx, page, control, nullptr, dc, &thumb, 2, focus, focus);
  }
  CtlReleasePaintDc(ctx, w, dc);
}

// ---- Track bar.

int CtlTrackBarInit(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return 0;
  WORD lo = 0, hi = 200;
  CTL_NUMERIC rec{};
  if (CtlGetNumericRecord(control, &rec)) lo = WORD(rec.minimum), hi = WORD(int16_t(rec.maximum));
  SendMessageW(Win(control), TBM_SETRANGE, FALSE, MAKELPARAM(lo, hi));
  SendMessageW(Win(control), TBM_SETPOS, TRUE, LPARAM(LONG(CtlGetValue(ctx, control))));
  return 1;
}

void CtlTrackBarRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control || !control->item || !control->window) return;
  SendMessageW(Win(control), TBM_SETPOS, TRUE, LPARAM(LONG(CtlGetValue(ctx, control))));
}

INT_PTR CtlTrackBarMessage(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  if (message != WM_HSCROLL || !control || !control->item || !control->window) return 0;
  if (!CtlIsFromWindow(wParam, lParam, Win(control))) return 0;
  CtlSetValue(ctx, control, DWORD(LONG(SendMessageW(Win(control), TBM_GETPOS, 0, 0))));
  return 1;
}
