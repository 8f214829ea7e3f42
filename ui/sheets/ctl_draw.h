// Owner-draw operations and picture hot spots.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
INT_PTR CtlPictureClickNext(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);

// An area of a picture that a click turns into a value. A table ends with a row whose value is 0.
struct HOT_SPOT_OFFSET {
  WORD setting;  // 0 ends the rows
  LONG dx, dy;   // the move while the setting's option value is 1
};
struct HOT_SPOT_ROW {
  DWORD first;  // not read
  LONG left, top, right, bottom;
  WORD condition;        // 0, or a setting whose option value must be 1
  WORD value;            // the value a click selects; also the area's hint string
  WORD condition2;       // 0, or a setting whose option value must be `required2`
  LONG required2;
  const HOT_SPOT_OFFSET* offsets;  // or none
};
static_assert(sizeof(HOT_SPOT_ROW) == 40 && offsetof(HOT_SPOT_ROW, condition) == 20 &&
              offsetof(HOT_SPOT_ROW, required2) == 28 && offsetof(HOT_SPOT_ROW, offsets) == 32);
// The pictures of the items of a picture combo (a table ends with item key 0).
struct COMBO_PICTURE_ROW {
  WORD controlId, itemKey, picture, disabledPicture, hintId;
};
// The caption string of an owner-drawn button (a table ends with control id 0); 65535 no caption.
struct CAPTION_ROW {
  WORD controlId, captionId;
};
constexpr WORD CTL_NO_CAPTION = 65535;

// The tables of this model.
const HOT_SPOT_ROW* CtlSourceHotSpots();
const HOT_SPOT_ROW* CtlOutputHotSpots();
const COMBO_PICTURE_ROW* CtlComboPictureTable();
const CAPTION_ROW* CtlCaptionTable();

// The first applicable row whose (moved) rectangle holds the point; `rect` receives the rectangle of
// each row tried. For a negative x the horizontal test runs from right (inclusive) to left.
const HOT_SPOT_ROW* CtlFindHotSpot(SETTING_CONTEXT* ctx, RECT* rect, POINT point, const HOT_SPOT_ROW* table);
// The extent of the text; for none the font's average character width and height.
void CtlMeasureText(HDC dc, const WCHAR* text, SIZE* size);
// The paint DC nested painters share, else the window's own clipped to its client area.
HDC CtlGetPaintDc(SETTING_CONTEXT* ctx, HWND window);
void CtlReleasePaintDc(SETTING_CONTEXT* ctx, HWND window, HDC dc);
// A button face of style 2 (double 3D frame) or 4 (arrow pictures) with the caption of the work area's
// caption id: the caption's width (0 without a window).
int CtlPaintButtonFace(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, HWND window, HDC dc,
                       const RECT* rect, int style, int pressed, int focused);
// A rectangle filled and outlined in one colour.
void CtlFillRect(HDC dc, const RECT* rect, COLORREF colour);
// The picture of a combo item (its disabled picture while the control is disabled), 0 for none.
WORD CtlPictureOfItem(const CONTROL_DESC* control, WORD itemKey);
WORD CtlHintOfItem(const CONTROL_DESC* control, WORD itemKey);
void CtlLoadCaptionId(SETTING_CONTEXT* ctx, const CONTROL_DESC* control);
void CtlClearCaptionId(SETTING_CONTEXT* ctx);
