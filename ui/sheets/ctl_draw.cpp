// Owner-draw operations shared by the painting controls, the hot spots of the printer picture, the
// pictures of picture-combo items, button captions and the click that steps a picture to its next value.
#include "sheets/ctl_draw.h"

#include <cstdint>

#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "kvplat/paint.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "sheets/dlg_values.h"

namespace {

// The printer picture's areas: the trays pick the paper source, the output openings the output tray.
constexpr HOT_SPOT_ROW kSourceSpots[] = {
    {0, 57, 50, 156, 57, 0, 4, 0, 0, nullptr},
    {0, 61, 63, 152, 80, sid::rdmSourceOptionTypeSingle, 13261, sid::dmDefaultSource, 13261, nullptr},
    {0, 61, 63, 152, 80, 0, 13260, 0, 0, nullptr},
    {0, 83, 81, 130, 89, sid::rdmSourceOptionTypeCut, 13738, 0, 0, nullptr},
    {},
};
constexpr HOT_SPOT_ROW kOutputSpots[] = {
    {0, 96, 4, 118, 22, 0, 13659, 0, 0, nullptr},
    {0, 96, 90, 118, 108, 0, 13660, sid::rdm1StepOptionNum, 0, nullptr},
    {},
};

constexpr COMBO_PICTURE_ROW kComboPictures[] = {
    {2937, 13137, 7447, 7451, 0},
    {2937, 13138, 7446, 7450, 0},
    {2937, 13139, 7445, 7449, 0},
    {2937, 13140, 7448, 7452, 0},
    {},
};

constexpr CAPTION_ROW kCaptions[] = {
    {2037, CTL_NO_CAPTION}, {2038, CTL_NO_CAPTION}, {2079, CTL_NO_CAPTION}, {2080, CTL_NO_CAPTION},
    {2096, CTL_NO_CAPTION}, {2097, CTL_NO_CAPTION}, {2114, CTL_NO_CAPTION}, {2115, CTL_NO_CAPTION},
    {2714, CTL_NO_CAPTION}, {2715, CTL_NO_CAPTION}, {2002, CTL_NO_CAPTION}, {2922, CTL_NO_CAPTION},
    {2923, CTL_NO_CAPTION}, {3114, CTL_NO_CAPTION}, {3115, CTL_NO_CAPTION}, {2003, 13187},
    {2140, 13191},          {2143, 13189},          {2144, 13190},          {2502, 13192},
    {2503, 13193},          {2792, 13194},          {2802, 13195},          {2803, 13196},
    {},
};
static_assert(sizeof(kCaptions) / sizeof(kCaptions[0]) == 25, "24 rows and the end");

void OffsetRect(RECT* r, LONG dx, LONG dy) {
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}
void InflateRect(RECT* r, LONG dx, LONG dy) {
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
}

DWORD Opt(SETTING_CONTEXT* ctx, WORD id) { return StgGetOptionValue(ctx, id, nullptr); }

bool Disabled(const CONTROL_DESC* c) { return (c->state & STG_CONTROL_STATE_DISABLED_MASK) != 0; }

const COMBO_PICTURE_ROW* FindPictureRow(const CONTROL_DESC* control, WORD itemKey) {
  if (!control) return nullptr;
  for (const COMBO_PICTURE_ROW* r = kComboPictures; r->itemKey; ++r)
    if (r->controlId == control->controlId && r->itemKey == itemKey) return r;
  return nullptr;
}

void Line(HDC dc, COLORREF colour, int x0, int y0, int x1, int y1, int x2, int y2) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// One pair of frame lines: top and left, then bottom and right.
void FramePair(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  Line(dc, topLeft, r.left, r.bottom - 2, r.left, r.top, r.right - 2, r.top);
  Line(dc, bottomRight, r.left, r.bottom - 1, r.right - 1, r.bottom - 1, r.right - 1, r.top);
}

void Triangle(HDC dc, const RECT& r, bool left, COLORREF outline) {
  int h = r.right - r.left;  // a square box as high as the rectangle is wide
  int top = r.top + ((r.bottom - r.top) - h) / 2;
  POINT p[3];
  if (left) {
    p[0] = {r.left, top + h / 2};
    p[1] = {r.right, top};
    p[2] = {r.right, top + h};
  } else {
    p[0] = {r.left, top};
    p[1] = {r.left, top + h};
    p[2] = {r.right, top + h / 2};
  }
  HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_MENUTEXT));
  HPEN pen = CreatePen(PS_SOLID, 1, outline);
  HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
  Polygon(dc, p, 3);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(brush);
  DeleteObject(pen);
}

}  // namespace

const HOT_SPOT_ROW* CtlSourceHotSpots() { return kSourceSpots; }
const HOT_SPOT_ROW* CtlOutputHotSpots() { return kOutputSpots; }
const COMBO_PICTURE_ROW* CtlComboPictureTable() { return kComboPictures; }
const CAPTION_ROW* CtlCaptionTable() { return kCaptions; }

const HOT_SPOT_ROW* CtlFindHotSpot(SETTING_CONTEXT* ctx, RECT* rect, POINT point, const HOT_SPOT_ROW* table) {
  if (!table) return nullptr;
  for (const HOT_SPOT_ROW* row = table; row->value; ++row) {
    if (row->condition && Opt(ctx, row->condition) != 1) continue;
    if (row->condition2 && LONG(Opt(ctx, row->condition2)) != row->required2) continue;
    RECT r{row->left, row->top, row->right, row->bottom};
    for (const HOT_SPOT_OFFSET* o = row->offsets; o && o->setting; ++o)
      if (Opt(ctx, o->setting) == 1) OffsetRect(&r, o->dx, o->dy);
    if (rect) *rect = r;
    bool inX = point.x < 0 ? (r.right <= point.x && point.x < r.left) : (r.left <= point.x && point.x < r.right);
    if (inX && r.top <= point.y && point.y < r.bottom) return row;
  }
  return nullptr;
}

void CtlMeasureText(HDC dc, const WCHAR* text, SIZE* size) {
  if (!size) return;
  *size = SIZE{0, 0};
  if (text) {
    int n = 0;
    while (text[n]) ++n;
    GetTextExtentPoint32W(dc, text, n, size);
    return;
  }
  TEXTMETRICW tm{};
  if (GetTextMetricsW(dc, &tm)) *size = SIZE{tm.tmAveCharWidth, tm.tmHeight};
}

HDC CtlGetPaintDc(SETTING_CONTEXT* ctx, HWND window) {
  if (ctx && ctx->work && ctx->work->sheet.paintDc) return static_cast<HDC>(ctx->work->sheet.paintDc);
  HDC dc = GetDC(window);
  RECT r{};
  if (dc && GetClientRect(window, &r)) IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  return dc;
}

void CtlReleasePaintDc(SETTING_CONTEXT* ctx, HWND window, HDC dc) {
  if (ctx && ctx->work && ctx->work->sheet.paintDc) return;
  if (dc) ReleaseDC(window, dc);
}

void CtlFillRect(HDC dc, const RECT* rect, COLORREF colour) {
  if (!dc || !rect) return;
  HBRUSH brush = CreateSolidBrush(colour);
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
  Rectangle(dc, rect->left, rect->top, rect->right, rect->bottom);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(brush);
  DeleteObject(pen);
}

int CtlPaintButtonFace(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC*, HWND window, HDC dc, const RECT* rect, int style,
                       int pressed, int focused) {
  if (!dc || !rect) return 0;
  RECT r = *rect;
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  HGDIOBJ ob = SelectObject(dc, face);
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, ob);
  DeleteObject(face);
  if (focused) InflateRect(&r, -1, -1);
  switch (style & 0xF) {
    case 2:
      FramePair(dc, r, GetSysColor(pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT),
                GetSysColor(pressed ? COLOR_BTNFACE : COLOR_3DDKSHADOW));
      InflateRect(&r, -1, -1);
      FramePair(dc, r, GetSysColor(pressed ? COLOR_3DDKSHADOW : COLOR_BTNFACE),
                GetSysColor(pressed ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
      break;
    case 4:
      // The arrow pictures 220-222 lie outside every picture range, so no arrow is drawn; no control
      // of this model asks for this style.
      InflateRect(&r, -4, -2);
      break;
    default: break;
  }
  int width = 0;
  if (window) {
    WCHAR caption[257] = {};
    WORD id = ctx && ctx->work ? ctx->work->sheet.captionId : 0;
    if (id == 0) CfgCopyText(caption, 257, u"...");
    else if (id != CTL_NO_CAPTION) CfgLoadString(ctx, id, caption, 257, 1);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ of = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    CtlMeasureText(dc, caption, &size);
    width = size.cx;
    int free = (r.bottom - r.top) - size.cy;
    if (free > 0) {
      r.top += free / 2;
      r.bottom -= free / 2;
    }
    int oldMode = SetBkMode(dc, TRANSPARENT);
    bool left = caption[0] == u'<' && !caption[1], right = caption[0] == u'>' && !caption[1];
    if (left || right) {
      RECT box = *rect;
      box.right -= 1;
      if (focused) box.left += 1;
      COLORREF outline = SetTextColor(dc, 0);
      SetTextColor(dc, outline);
      Triangle(dc, box, left, outline);
    } else if (caption[0]) {
      UINT format = DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER;
      if (!IsWindowEnabled(window)) {
        RECT shadow = r;
        OffsetRect(&shadow, 1, 1);
        COLORREF old = SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, caption, -1, &shadow, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, caption, -1, &r, format);
        SetTextColor(dc, old);
      } else {
        DrawTextW(dc, caption, -1, &r, format);
      }
    }
    SetBkMode(dc, oldMode);
    if (of) SelectObject(dc, of);
  }
  if (focused) {
    RECT f = *rect;
    InflateRect(&f, -3, -3);
    DrawFocusRect(dc, &f);
  }
  return width;
}

WORD CtlPictureOfItem(const CONTROL_DESC* control, WORD itemKey) {
  const COMBO_PICTURE_ROW* r = FindPictureRow(control, itemKey);
  if (!r) return 0;
  return Disabled(control) && r->disabledPicture ? r->disabledPicture : r->picture;
}

WORD CtlHintOfItem(const CONTROL_DESC* control, WORD itemKey) {
  const COMBO_PICTURE_ROW* r = FindPictureRow(control, itemKey);
  return r ? r->hintId : 0;
}

void CtlLoadCaptionId(SETTING_CONTEXT* ctx, const CONTROL_DESC* control) {
  if (!ctx || !ctx->work) return;
  ctx->work->sheet.captionId = 0;
  if (!control) return;
  for (const CAPTION_ROW* r = kCaptions; r->controlId; ++r)
    if (r->controlId == control->controlId) {
      ctx->work->sheet.captionId = r->captionId;
      return;
    }
}

void CtlClearCaptionId(SETTING_CONTEXT* ctx) {
  if (ctx && ctx->work) ctx->work->sheet.captionId = 0;
}

INT_PTR CtlPictureClickNext(SETTING_CONTEXT* ctx, DIALOG_DESC*, CONTROL_DESC* control, UINT, WPARAM, LPARAM) {
  if (!control || !control->ruleNode || !control->item) return 0;
  const void* node = control->ruleNode;
  DWORD cur = CtlGetValue(ctx, control);
  IMG_REF first = ImgNodeOptions(IMG_REF(uintptr_t(node)));
  const void* start = first ? reinterpret_cast<const void*>(uintptr_t(first)) : nullptr;
  const void* at = start;
  while (at && CtlOptionValue(node, at, nullptr) != cur) at = StgNextListOption(node, at);
  if (!at) return 0;
  // After the current option to the end, then from the first one: the first value not excluded.
  auto allowed = [&](const void* o) {
    const void* item = nullptr;
    WORD v = CtlOptionValue(node, o, &item);
    return v && !(item && RuleIsOptionExcluded(ctx, IMG_REF(uintptr_t(node)), v)) ? v : WORD(0);
  };
  for (const void* o = StgNextListOption(node, at); o; o = StgNextListOption(node, o))
    if (WORD v = allowed(o)) {
      CtlSetValue(ctx, control, v);
      return 1;
    }
  for (const void* o = start; o && o != at; o = StgNextListOption(node, o))
    if (WORD v = allowed(o)) {
      CtlSetValue(ctx, control, v);
      return 1;
    }
  return 0;
}
