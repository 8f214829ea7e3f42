// The least of drawing that windows and the standard controls need: device contexts onto memory
// pictures, solid fills and frames, text in the platform's font (DejaVu Sans through FreeType), icons.
// Colours are COLORREF (0x00BBGGRR).
#pragma once
#include "kvplat/window.h"

#define TRANSPARENT 1
#define OPAQUE 2
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define DEFAULT_GUI_FONT 17
#define CLR_INVALID 0xFFFFFFFF

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000

// Stock objects and selection: a brush or a font; SelectObject returns the object it replaced (null for
// something that is neither).
KVAPI HGDIOBJ GetStockObject(int which);
KVAPI HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
KVAPI COLORREF SetTextColor(HDC hdc, COLORREF colour);
KVAPI COLORREF SetBkColor(HDC hdc, COLORREF colour);
KVAPI int SetBkMode(HDC hdc, int mode);
// FillRect / FrameRect: the rectangle (right and bottom excluded) with the brush; 0 for a bad DC or brush.
KVAPI int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
KVAPI int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
KVAPI BOOL DrawFocusRect(HDC hdc, const RECT* rect);
// TextOutW: `count` characters with their top-left corner at (x, y); the background behind them is filled
// in OPAQUE mode.
KVAPI BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
// DrawTextW: one line (or lines broken at '\n' without DT_SINGLELINE) inside the rectangle aligned by the
// DT_ flags; count -1 means a terminated text. Returns the height of the text; DT_CALCRECT only measures.
KVAPI int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format);
KVAPI BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size);
KVAPI BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
KVAPI COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour);
KVAPI COLORREF GetPixel(HDC hdc, int x, int y);
