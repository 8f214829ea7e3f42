// Check boxes, radio buttons, static texts, value icons and the summary buttons.
#include "sheets/ctl_buttons.h"

#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/paint.h"
#include "kvplat/resource.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/ctl_draw.h"
#include "sheets/ctl_pictures.h"
#include "sheets/ctl_window.h"
#include "sheets/dlg_change.h"
#include "sheets/dlg_pictures.h"
#include "sheets/dlg_values.h"

namespace {

constexpr WORD kCaptionTag = 9;
constexpr int kTextChars = 1025;
constexpr int kPickOne = 1;

HWND PageWindow(const DIALOG_DESC* page) { return page ? static_cast<HWND>(page->window) : nullptr; }
HWND ControlWindow(const CONTROL_DESC* c) { return static_cast<HWND>(c->window); }

// The option values of the control's node the rules allow, in order, up to the first value 0.
template <class Fn>
void ForAllowedOptions(SETTING_CONTEXT* ctx, const CONTROL_DESC* control, Fn&& fn) {
  void* node = control->ruleNode;
  if (!node) return;
  for (void* o = reinterpret_cast<void*>(static_cast<uintptr_t>(ImgNodeOptions(reinterpret_cast<uintptr_t>(node)))); o;
       o = StgNextListOption(node, o)) {
    const void* item = nullptr;
    WORD value = CtlOptionValue(node, o, &item);
    if (!value) return;
    if (item && RuleIsOptionExcluded(ctx, reinterpret_cast<uintptr_t>(node), value)) continue;
    if (!fn(value)) return;
  }
}

bool IsPickOne(const CONTROL_DESC* control) {
  return control->ruleNode && (ImgNodeType(reinterpret_cast<uintptr_t>(control->ruleNode)) & 0xFF) == kPickOne;
}

}  // namespace

// ---- check boxes and radio buttons: the check state decides, not the notification code

void CtlCheckBoxRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  CheckDlgButton(PageWindow(page), control->controlId, CtlGetValue(ctx, control));
}

INT_PTR CtlCheckBoxCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM, LPARAM) {
  DWORD value = CtlGetValue(ctx, control);
  bool checked = IsDlgButtonChecked(PageWindow(page), control->controlId) != 0;
  if ((!checked && value == 1) || (checked && value == 0)) {
    DlgSetControlValue(ctx, page, control, value ? 0 : 1);
    return 1;
  }
  return 0;
}

INT_PTR CtlCheckBoxClick(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT, WPARAM, LPARAM) {
  DlgSetControlValue(ctx, page, control, CtlGetValue(ctx, control) ? 0 : 1);
  return 1;
}

void CtlRadioRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control) {
  CheckDlgButton(PageWindow(page), control->controlId, WORD(CtlGetValue(ctx, control)) == control->controlId);
}

INT_PTR CtlRadioCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM, LPARAM) {
  bool mine = WORD(CtlGetValue(ctx, control)) == control->controlId;
  bool checked = IsDlgButtonChecked(PageWindow(page), control->controlId) != 0;
  if (checked == mine) return 0;
  DlgSetControlValue(ctx, page, control, control->controlId);
  return 1;
}

INT_PTR CtlRadioClick(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT, WPARAM, LPARAM) {
  DlgSetControlValue(ctx, page, control, control->controlId);
  return 1;
}

// ---- static texts and value icons

void CtlStaticRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control->ruleNode) return;
  LONG value = LONG(CtlGetValue(ctx, control));
  ForAllowedOptions(ctx, control, [&](WORD option) {
    WCHAR format[kTextChars];
    CfgLoadString(ctx, option, format, kTextChars, 1);
    if (!format[0]) return true;
    // A resource text is a format with one number at most; anything else in it prints as written.
    WCHAR text[kTextChars];
    CFG_FORMAT_INSERTS inserts{nullptr, 0, &value, 1};
    CfgFormatResourceText(text, kTextChars, format, &inserts);
    if (control->window) SetWindowTextW(ControlWindow(control), text);
    return true;
  });
}

void CtlValueIconRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  if (!control->ruleNode) return;
  bool pickOne = IsPickOne(control);
  bool onlyCurrent = pickOne && !control->linkedId;
  WORD current = WORD(CtlGetValue(ctx, control));
  ForAllowedOptions(ctx, control, [&](WORD option) {
    if (onlyCurrent && option != current) return true;
    DlgDrawValueIcon(ctx, ControlWindow(control), option);
    return !pickOne;
  });
}

// ---- summary buttons

LRESULT CtlButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!GetWindowLongPtrW(window, GWLP_USERDATA)) return 0;
  return CtlWindowProc(window, message, wParam, lParam);
}

int CtlSummaryButtonInit(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  CtlLoadCaptionId(ctx, control);
  WORD caption = ctx && ctx->work ? ctx->work->sheet.captionId : 0;
  if (caption && control->window) {
    WCHAR text[kTextChars];
    CfgLoadString(ctx, caption, text, kTextChars, 1);
    SetWindowTextW(ControlWindow(control), text);
  }
  CtlClearCaptionId(ctx);
  return 1;
}

const CAPTION_RECORD* CtlGetCaptionRecord(const CONTROL_DESC* control) {
  return reinterpret_cast<const CAPTION_RECORD*>(CtlGetExtraData(control, kCaptionTag));
}

int CtlCaptionButtonInit(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control) {
  const CAPTION_RECORD* r = CtlGetCaptionRecord(control);
  if (r && control->window) {
    WCHAR first[kTextChars], second[kTextChars], text[2 * kTextChars];
    CfgLoadString(ctx, r->firstId, first, kTextChars, 1);
    CfgLoadString(ctx, r->secondId, second, kTextChars, 1);
    CfgCopyText(text, 2 * kTextChars, first);
    CfgAppendText(text, 2 * kTextChars, u" ");
    CfgAppendText(text, 2 * kTextChars, second);
    SetWindowTextW(ControlWindow(control), text);
  }
  return 1;
}

INT_PTR CtlSummaryButtonCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM, LPARAM) {
  if (control->ruleNode && DlgRaiseNodeAlert(ctx, page, control->ruleNode) == 0)
    DlgAfterValueChange(ctx, page, control->ruleNode, control->followUp);
  return 1;
}

namespace {

void DrawCaption(HDC dc, const WCHAR* text, RECT rect, bool disabled, int* height) {
  if (disabled) {
    // Embossed: a white copy one pixel down and right under the grey text.
    RECT shadow{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    SetTextColor(dc, 0xFFFFFF);
    DrawTextW(dc, text, -1, &shadow, DT_WORDBREAK);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  int h = DrawTextW(dc, text, -1, &rect, DT_WORDBREAK);
  if (height) *height = h;
}

// The two captions of a two-line button in the face's text area.
void PaintCaptions(SETTING_CONTEXT* ctx, HWND window, HDC dc, const RECT& face, const CAPTION_RECORD& r,
                   bool disabled) {
  WCHAR first[kTextChars], second[kTextChars];
  CfgLoadString(ctx, r.firstId, first, kTextChars, 1);
  CfgLoadString(ctx, r.secondId, second, kTextChars, 1);
  HGDIOBJ oldFont = nullptr;
  if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0))) oldFont = SelectObject(dc, font);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT area{face.left + (face.bottom - face.top), face.top + 8, face.right - 8, face.bottom - 8};
  int lineHeight = 0;
  DrawCaption(dc, first, area, disabled, &lineHeight);
  RECT below = area;
  below.top += lineHeight + 7;
  if (r.separator) {
    HPEN pen = CreatePen(PS_SOLID, 1, disabled ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, area.left, below.top - 4, nullptr);
    LineTo(dc, area.right, below.top - 4);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  DrawCaption(dc, second, below, disabled, nullptr);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  if (oldFont) SelectObject(dc, oldFont);
}

}  // namespace

INT_PTR CtlSummaryButtonMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message,
                                WPARAM, LPARAM lParam) {
  HWND window = ControlWindow(control);
  if (message == WM_MEASUREITEM) {
    auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    RECT client{};
    if (mi && window && GetClientRect(window, &client)) {
      mi->itemWidth = UINT(client.right - client.left);
      mi->itemHeight = UINT(client.bottom - client.top);
    }
    return 1;
  }
  if (message != WM_DRAWITEM) return 0;
  auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
  if (!di || !(di->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return 1;
  bool focus = (di->itemAction & ODA_FOCUS) || (di->itemState & ODS_FOCUS);
  bool pressed = (di->itemState & ODS_SELECTED) != 0;
  bool disabled = (di->itemState & ODS_DISABLED) != 0;
  const RECT face = di->rcItem;
  const LONG side = face.bottom - face.top;
  const CAPTION_RECORD* r = CtlGetCaptionRecord(control);
  int captionWidth = 0;
  if (r) {
    CtlPaintButtonFace(ctx, page, control, nullptr, di->hDC, &face, 2, pressed, focus);
    PaintCaptions(ctx, window, di->hDC, face, *r, disabled);
  } else {
    CtlLoadCaptionId(ctx, control);
    captionWidth = CtlPaintButtonFace(ctx, page, control, window, di->hDC, &face, 2, pressed, focus);
    CtlClearCaptionId(ctx);
  }
  ForAllowedOptions(ctx, control, [&](WORD option) {
    RECT area = face;
    if (r) {
      DlgPaintPicture(ctx, page, control, di->hDC, &area, face.left + side / 2, face.top + side / 2,
                      MAKEINTRESOURCEW(option), DLG_PIC_OVER_CONTENT | DLG_PIC_X_CENTRE | DLG_PIC_Y_CENTRE, 0);
    } else {
      LONG width = face.right - face.left;
      LONG x = captionWidth > 0 ? face.left + (width - captionWidth) / 2 - side : face.left + (width - side) / 2;
      DlgPaintPicture(ctx, page, control, di->hDC, &area, x, face.top + 2, MAKEINTRESOURCEW(option),
                      DLG_PIC_OVER_CONTENT, 0);
    }
    return true;
  });
  return 1;
}
