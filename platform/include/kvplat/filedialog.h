// The old-style open and save dialogs: a file-name edit, the files of the current folder, the folder list,
// the file types and the drives, with an optional hook procedure (which sees every message first and
// keeps a message from the dialog by answering non-zero) and an optional template of the caller's module
// that replaces the standard one (it must hold the standard controls). Driven by the scripted input.
#pragma once
#include "kvplat/dialog.h"

typedef UINT_PTR (*LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;  // pairs of description and pattern ("*.a;*.b"), each terminated, ending with an empty one
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;  // 1-based
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
} OPENFILENAMEW, *LPOPENFILENAMEW;
static_assert(sizeof(OPENFILENAMEW) == 152 && offsetof(OPENFILENAMEW, nFilterIndex) == 44 && offsetof(OPENFILENAMEW, Flags) == 96 &&
              offsetof(OPENFILENAMEW, nFileOffset) == 100 && offsetof(OPENFILENAMEW, lCustData) == 112 &&
              offsetof(OPENFILENAMEW, lpTemplateName) == 128);
#define OPENFILENAME_SIZE_VERSION_400W 136

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_NOLONGNAMES 0x00040000
#define OFN_EXPLORER 0x00080000

// Standard control ids.
#define chx1 0x0410
#define stc1 0x0440
#define stc2 0x0441
#define stc3 0x0442
#define stc4 0x0443
#define lst1 0x0460
#define lst2 0x0461
#define cmb1 0x0470
#define cmb2 0x0471
#define edt1 0x0480

// CommDlgExtendedError codes.
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_FINDRESFAILURE 0x0006
#define CDERR_NOHOOK 0x000B
#define CDERR_DIALOGFAILURE 0xFFFF
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

// GetOpenFileNameW / GetSaveFileNameW: TRUE when a name was chosen: lpstrFile holds the full path
// (nFileOffset and nFileExtension index its name and extension; with OFN_ALLOWMULTISELECT and several
// names, the folder and the names separated by blanks), nFilterIndex the type in use. FALSE when
// cancelled (CommDlgExtendedError 0) or on failure: CDERR_STRUCTSIZE, CDERR_NOHOOK, CDERR_FINDRESFAILURE
// (template missing), CDERR_DIALOGFAILURE (the dialog could not run), FNERR_BUFFERTOOSMALL (the chosen
// name does not fit nMaxFile; the first two bytes of lpstrFile then hold the characters needed).
KVAPI BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn);
KVAPI BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn);
KVAPI DWORD CommDlgExtendedError(void);
