// Resources of modules: string tables, dialog templates, bitmaps, icons, cursors, raw data and the version
// block, as built into a module by the resource compiler (kvrc) from a resource script.
//
// Lookups take a type and a name, each an integer id (MAKEINTRESOURCE) or a text ("#123" is id 123; texts
// compare without case). A language picks among the variants of one resource: the exact language, then the
// primary language (neutral sublanguage, default sublanguage, any other), then language-neutral, then
// English, then the first there is. Calls without a language ask for the user's UI language.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "kvplat/types.h"

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_FONTDIR MAKEINTRESOURCEW(7)
#define RT_FONT MAKEINTRESOURCEW(8)
#define RT_ACCELERATOR MAKEINTRESOURCEW(9)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_MESSAGETABLE MAKEINTRESOURCEW(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)

#ifndef LANG_NEUTRAL
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_ENGLISH_US 0x01
#endif

// Predefined icons and cursors (LoadIconW / LoadCursorW with a null instance).
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)
#define IDI_HAND MAKEINTRESOURCEW(32513)
#define IDI_QUESTION MAKEINTRESOURCEW(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEW(32515)
#define IDI_ASTERISK MAKEINTRESOURCEW(32516)
#define IDI_WINLOGO MAKEINTRESOURCEW(32517)
#define IDI_SHIELD MAKEINTRESOURCEW(32518)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_IBEAM MAKEINTRESOURCEW(32513)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
#define IDC_CROSS MAKEINTRESOURCEW(32515)
#define IDC_UPARROW MAKEINTRESOURCEW(32516)
#define IDC_SIZENWSE MAKEINTRESOURCEW(32642)
#define IDC_SIZENESW MAKEINTRESOURCEW(32643)
#define IDC_SIZEWE MAKEINTRESOURCEW(32644)
#define IDC_SIZENS MAKEINTRESOURCEW(32645)
#define IDC_SIZEALL MAKEINTRESOURCEW(32646)
#define IDC_NO MAKEINTRESOURCEW(32648)
#define IDC_HAND MAKEINTRESOURCEW(32649)
#define IDC_APPSTARTING MAKEINTRESOURCEW(32650)
#define IDC_HELP MAKEINTRESOURCEW(32651)

// Opaque objects made from resources. GDI work extends bitmaps; icons and cursors loaded from resources are
// shared by everyone who loads the same one and are never destroyed by their users.
typedef void* HGDIOBJ;
typedef struct KvBitmap* HBITMAP;
typedef struct KvIcon* HICON;
typedef HICON HCURSOR;

#pragma pack(push, 1)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER;
static_assert(sizeof(BITMAPINFOHEADER) == 40 && offsetof(BITMAPINFOHEADER, biBitCount) == 14 &&
              offsetof(BITMAPINFOHEADER, biClrUsed) == 32);

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;
static_assert(sizeof(RGBQUAD) == 4);

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

// The fixed part of a version block ("\" of VerQueryValueW).
typedef struct tagVS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
#define VS_FFI_SIGNATURE 0xFEEF04BD

// Dialog templates as stored (the platform's in-memory layouts). Variable parts follow each record.
#pragma pack(push, 2)
typedef struct {
  DWORD style;
  DWORD dwExtendedStyle;
  WORD cdit;
  SHORT x, y, cx, cy;
} DLGTEMPLATE;
typedef struct {
  DWORD style;
  DWORD dwExtendedStyle;
  SHORT x, y, cx, cy;
  WORD id;
} DLGITEMTEMPLATE;
#pragma pack(pop)
static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18);

// FindResourceW (module, name, type) / FindResourceExW (module, type, name, language): the resource's handle,
// or null with ERROR_RESOURCE_DATA_NOT_FOUND (module without resources), ERROR_RESOURCE_TYPE_NOT_FOUND or
// ERROR_RESOURCE_NAME_NOT_FOUND. A null module is the program itself.
KVAPI HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
KVAPI HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage);
KVAPI HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
KVAPI HRSRC FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage);
// LoadResource: the resource's bytes inside the module (valid while it stays loaded); null with
// ERROR_INVALID_HANDLE for a handle FindResource did not give. LockResource returns the same pointer.
KVAPI HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
// EnumResourceNamesW (module, type, proc, param): calls proc (module, type, name, param) once for each
// name of that type in directory order (an id as MAKEINTRESOURCEW, else the name's text) until it
// answers FALSE. FALSE with ERROR_RESOURCE_TYPE_NOT_FOUND when the module has no resource of the type,
// or with ERROR_RESOURCE_ENUM_USER_STOP when proc stopped it.
typedef BOOL (*ENUMRESNAMEPROCW)(HMODULE hModule, LPCWSTR lpType, LPWSTR lpName, LONG_PTR lParam);
KVAPI BOOL EnumResourceNamesW(HMODULE hModule, LPCWSTR lpType, ENUMRESNAMEPROCW lpEnumFunc, LONG_PTR lParam);
KVAPI LPVOID LockResource(HGLOBAL hResData);
KVAPI DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
// FreeResource: nothing to free (resources live as long as their module); returns FALSE.
KVAPI BOOL FreeResource(HGLOBAL hResData);

// LoadStringW: copies string `uID` into the buffer, cut to cchBufferMax - 1 characters and terminated;
// returns the characters copied (0 when the string is absent, with the buffer emptied). With cchBufferMax 0
// the buffer receives a read-only pointer to the string inside the module (not terminated) and the result
// is its length. LoadStringA converts to the ANSI code page (result and capacity in bytes).
KVAPI int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
KVAPI int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// LoadBitmapW/A: a bitmap object made from an RT_BITMAP resource (a copy: it outlives the module); free it
// with DeleteObject. Null with ERROR_RESOURCE_* when absent, ERROR_INVALID_DATA for a damaged picture.
KVAPI HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName);
KVAPI HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName);
// DeleteObject: frees a bitmap; FALSE with ERROR_INVALID_HANDLE for anything else.
KVAPI BOOL DeleteObject(HGDIOBJ hObject);
// LoadIconW / LoadCursorW: the best image of an icon or cursor group (32 x 32, most colours), or a
// predefined one for a null instance. Shared objects: the same group gives the same handle.
KVAPI HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
KVAPI HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName);

// Version block of a module file (read from the file; the module is not loaded). The W block is the stored
// UTF-16 block; the A block is its ANSI form (texts in the ANSI code page). Sizes are 0 with
// ERROR_FILE_NOT_FOUND, ERROR_BAD_FORMAT (not a module), ERROR_RESOURCE_DATA_NOT_FOUND or
// ERROR_RESOURCE_TYPE_NOT_FOUND (no version block). A shorter buffer receives the block's start.
KVAPI DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle);
KVAPI DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle);
KVAPI BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
KVAPI BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// VerQueryValueW: "\" gives the VS_FIXEDFILEINFO; "\StringFileInfo\<lang-cp>\<name>" a text (length in
// characters with its null); "\VarFileInfo\Translation" the language/code-page pairs (length in bytes).
KVAPI BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen);
KVAPI BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen);

namespace kvp {

// What a bitmap object holds: its packed DIB (header, colour table, bits).
struct BitmapDesc {
  LONG width = 0;
  LONG height = 0;  // rows, always positive
  WORD bitsPerPixel = 0;
  bool topDown = false;
  const BITMAPINFOHEADER* info = nullptr;  // the packed DIB
  size_t dibSize = 0;
  const BYTE* bits = nullptr;  // first stored row
  size_t bitsSize = 0;
  DWORD stride = 0;  // bytes per row
};
// False (ERROR_INVALID_HANDLE) for a handle that is not a live bitmap.
bool BitmapDescribe(HBITMAP bitmap, BitmapDesc* out);

struct IconDesc {
  bool cursor = false;
  LONG width = 0, height = 0;
  WORD bitsPerPixel = 0;
  POINT hotspot{};  // cursors
  const BYTE* image = nullptr;  // the image's DIB (header with doubled height, colours, AND mask)
  size_t imageSize = 0;
  WORD resourceId = 0;  // the id of the chosen RT_ICON/RT_CURSOR image (0 for a predefined one)
};
bool IconDescribe(HICON icon, IconDesc* out);

// A dialog template read back control by control, for the dialog manager and for tests.
struct DialogItem {
  DWORD id = 0;
  DWORD style = 0, exStyle = 0, helpId = 0;
  SHORT x = 0, y = 0, cx = 0, cy = 0;
  WORD classAtom = 0;  // 0x80 button, 0x81 edit, 0x82 static, 0x83 list box, 0x84 scroll bar, 0x85 combo box
  std::u16string className;  // when given by name
  WORD textId = 0;           // when the text is a resource id
  std::u16string text;
};
struct DialogDesc {
  bool extended = false;
  DWORD style = 0, exStyle = 0, helpId = 0;
  SHORT x = 0, y = 0, cx = 0, cy = 0;
  WORD menuId = 0, classAtom = 0;
  std::u16string menuName, className, caption, fontFace;
  WORD pointSize = 0, weight = 0;
  BYTE italic = 0, charset = 0;
  std::vector<DialogItem> items;
};
// Reads a DLGTEMPLATE or DLGTEMPLATEEX of `size` bytes; false for a damaged one.
bool DecodeDialogTemplate(const void* data, size_t size, DialogDesc* out);

}  // namespace kvp
