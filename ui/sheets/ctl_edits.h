// Edit and unit edit controls.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
int CtlEditInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlEditRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlEditCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
int CtlUnitEditInit(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlUnitEditRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
INT_PTR CtlUnitEditCommand(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, WPARAM wParam, LPARAM lParam);
INT_PTR CtlUnitEditMessage(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, UINT message, WPARAM wParam, LPARAM lParam);

// The number in the text times the scale: '-' before the first digit makes it negative, the decimal
// separator of the context's language ('.' without a context) starts at most as many decimals as the
// scale has powers of ten (the rest are dropped, not rounded). 0 without a digit or when the value does
// not fit 32 bits.
LONG CtlParseScaledNumber(const WCHAR* text, DWORD scale, SETTING_CONTEXT* ctx);

// The numeric value record of a control's rule node, as the number controls read it.
struct CTL_NUMERIC {
  WORD unitId;    // unit string, 0 for none
  WORD maxText;   // characters of the number
  WORD scale;     // 1 whole numbers, 10 one decimal ...
  WORD pageStep;
  LONG minimum, maximum;
};
// 1 and the record when the control's rule node is a numeric one with a record, else 0.
int CtlGetNumericRecord(const CONTROL_DESC* control, CTL_NUMERIC* out);
// The string value record of a text control's rule node.
struct CTL_STRING {
  WORD maxLength;
  WORD charClass;  // 1 MultiByte, 2 ASCII, 4 Numeric, 8 Capital, 16 Small
  WORD style;      // 256 Password, 512 ShowCapital, 1024 ShowSmall
};
int CtlGetStringRecord(const CONTROL_DESC* control, CTL_STRING* out);
// 1 when the control's value is a length kept in 1200-dpi dots and shown in the display unit.
int CtlIsLengthControl(const CONTROL_DESC* control);
// The scale a length is shown with: 10 (tenths of a millimetre) or 100 (hundredths of an inch).
DWORD CtlLengthScale(SETTING_CONTEXT* ctx);
