// The pictures of the sheets: bitmaps of the model's resource and picture libraries (and BMP files a
// user picks), composed with transparency and colour adjustment in an off-screen buffer of the control
// and copied to it when the composition ends.
#pragma once
#include <cstdint>

#include "kvplat/paint.h"
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Which library holds a picture id.
enum DLG_PICTURE_LIBRARY { DLG_PICTURES_NONE = 0, DLG_PICTURES_RESOURCE = 1, DLG_PICTURES_PICTURE = 2 };
struct PICTURE_RANGE {
  WORD low;  // 0 ends the table
  WORD high;
  WORD library;  // DLG_PICTURE_LIBRARY
};
constexpr int DLG_PICTURE_RANGES = 12;
// The range table with its end row; the first row whose range holds an id decides.
const PICTURE_RANGE* DlgGetPictureRanges();
DLG_PICTURE_LIBRARY DlgPictureLibraryOf(DWORD id);

// Placement and drawing flags of the painters.
constexpr DWORD DLG_PIC_OVER_CONTENT = 0x1;  // transparent parts show the target's content
constexpr DWORD DLG_PIC_FILL = 0x2;          // drawn at its own size, the buffer stretched when shown
constexpr DWORD DLG_PIC_COPY = 0x4;          // plain copy, no transparency
constexpr DWORD DLG_PIC_X_CENTRE = 0x10;
constexpr DWORD DLG_PIC_X_RIGHT = 0x20;
constexpr DWORD DLG_PIC_Y_CENTRE = 0x40;
constexpr DWORD DLG_PIC_Y_BOTTOM = 0x80;
constexpr DWORD DLG_PIC_UNDERLAY = 0x1000;
constexpr DWORD DLG_PIC_AND = 0x2000;
constexpr DWORD DLG_PIC_MERGEPAINT = 0x4000;
constexpr COLORREF DLG_PIC_KEY_COLOUR = 0x3300CC;

// Where a picture goes and how: the first row of an id is used.
struct PICTURE_LAYOUT_ROW {
  WORD id;  // 0 ends the table
  WORD underlay;
  int16_t x;
  int16_t y;
  DWORD flags;
  int16_t width;  // the hot spot's size
  int16_t height;
  WORD mode;  // 3: the row sets the background colour
  WORD reserved;
  DWORD background;
};
static_assert(sizeof(PICTURE_LAYOUT_ROW) == 24 && offsetof(PICTURE_LAYOUT_ROW, flags) == 8 &&
              offsetof(PICTURE_LAYOUT_ROW, mode) == 16 && offsetof(PICTURE_LAYOUT_ROW, background) == 20);
constexpr int DLG_PICTURE_LAYOUT_ROWS = 1088;
// The layout table with its end row.
const PICTURE_LAYOUT_ROW* DlgGetPictureLayout();
// The index of the first row of the id, -1 when none.
int DlgFindPictureLayout(WORD id);

// Loaders. The picture library is loaded once per context (its handle in the context, freed with it).
HMODULE DlgLoadPictureLibrary(SETTING_CONTEXT* ctx);
// The bitmap of the id's library (the caller deletes it); none for an id of no range or a missing one.
HBITMAP DlgLoadPictureBitmap(SETTING_CONTEXT* ctx, DWORD id);
// The loaded bitmap resource (a packed DIB) of the id's library, none when none; `bytes` := its size.
const void* DlgFindPictureResource(SETTING_CONTEXT* ctx, DWORD id, DWORD* bytes);
// The bitmap of that name in the picture library, none without the library.
HBITMAP DlgLoadPictureByName(SETTING_CONTEXT* ctx, const WCHAR* name);
// A bitmap made from a BMP file with a 40-byte header and its size; none (0 x 0 unless the header was
// read) for a file that cannot be read or whose header, colour table or pixels do not fit it.
HBITMAP DlgLoadBmpFile(const WCHAR* path, LONG* width, LONG* height);

// Composition: opened, any number of pictures drawn into the control's buffer, shown and closed.
void DlgBeginPicture(SETTING_CONTEXT* ctx);
void DlgEndPicture(SETTING_CONTEXT* ctx, HWND window, const RECT* rect);
void DlgComposeControlPicture(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, HWND window,
                              const RECT* rect, DWORD pictureId, DWORD flags, int themeOff);
// The painter: `picture` is an id (MAKEINTRESOURCEW, 0 for the overlay bitmap), a BMP file path (its
// second character ':') or the name of a bitmap of the picture library.
void DlgPaintPicture(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, HDC dc, const RECT* area, int x,
                     int y, LPCWSTR picture, DWORD flags, int themeOff);
// The colour-balance variant (pictures by id; nothing for flags 0).
void DlgPaintAdjustedPicture(SETTING_CONTEXT* ctx, HDC dc, const RECT* area, int x, int y, DWORD pictureId,
                             DWORD flags);

// The colour through the six colour-balance values of the context (50 neutral), grey when asked.
COLORREF DlgAdjustColour(SETTING_CONTEXT* ctx, COLORREF colour, int grey);
// The same on the six values themselves (luminance, contrast, chroma, red, green, blue shifts).
COLORREF DlgAdjustColourBy(const LONG balance[6], COLORREF colour, int grey);
// With no DC: 1 when the display cannot show 0xFF3333 exactly. With a DC on a palette display: index
// >= 0 stores the colour into the process palette; index < 0 selects and realizes it, answering the
// palette it replaced (as an integer handle).
INT_PTR DlgIsPaletteDisplay(HDC dc, int index, COLORREF colour);
// major x 100 + minor of the common controls, 0 when unknown.
int DlgGetCommonControlsVersion();
// Icon `iconId` (low 16 bits) of the resource library at (x, y).
void DlgDrawIcon(SETTING_CONTEXT* ctx, HDC dc, int x, int y, DWORD iconId);
void DlgDrawValueIcon(SETTING_CONTEXT* ctx, HWND window, DWORD iconId);
// The interface library's release step of a context: the sheets' brushes, a left-over overlay bitmap
// and the picture library.
void DlgReleaseLibraryParts(SETTING_CONTEXT* ctx);
