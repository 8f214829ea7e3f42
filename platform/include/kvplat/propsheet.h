// Property sheets: a modal frame with a tab per page, OK, Cancel, Apply (unless PSH_NOAPPLYNOW) and Help
// (with PSH_HASHELP). Pages are dialogs from templates, created when first shown; the sheet talks to them
// with WM_NOTIFY (PSN_*) and they answer through DWLP_MSGRESULT; pages talk to the sheet with PSM_*.
// The sheet runs on the window core's modal loop, so the scripted input drives it. Commands of controls
// the sheet does not own (buttons a page added to it or renumbered) go to the current page.
#pragma once
#include "kvplat/dialog.h"

typedef struct KvSheetPage* HPROPSHEETPAGE;
struct _PROPSHEETPAGEW;
typedef UINT (*LPFNPSPCALLBACKW)(HWND, UINT, struct _PROPSHEETPAGEW*);
typedef int (*PFNPROPSHEETCALLBACK)(HWND, UINT, LPARAM);

typedef struct _PROPSHEETPAGEW {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  LPCWSTR pszTemplate;  // a name or an integer resource
  HICON hIcon;
  LPCWSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKW pfnCallback;
  UINT* pcRefParent;
  LPCWSTR pszHeaderTitle;
  LPCWSTR pszHeaderSubTitle;
  HANDLE hActCtx;
} PROPSHEETPAGEW, *LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;
static_assert(sizeof(PROPSHEETPAGEW) == 96 && offsetof(PROPSHEETPAGEW, pfnDlgProc) == 40 && offsetof(PROPSHEETPAGEW, lParam) == 48 &&
              offsetof(PROPSHEETPAGEW, hActCtx) == 88);
#define PROPSHEETPAGEW_V1_SIZE 72

#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USETITLE 0x00000008
#define PSP_HASHELP 0x00000020
#define PSP_USECALLBACK 0x00000080

typedef struct _PROPSHEETHEADERW {
  DWORD dwSize;
  DWORD dwFlags;
  HWND hwndParent;
  HINSTANCE hInstance;
  HICON hIcon;
  LPCWSTR pszCaption;
  UINT nPages;
  union {
    UINT nStartPage;
    LPCWSTR pStartPage;  // not supported: the start page is given by number
  };
  union {
    LPCPROPSHEETPAGEW ppsp;     // PSH_PROPSHEETPAGE: an array of nPages records
    HPROPSHEETPAGE* phpage;     // otherwise: nPages pages made by CreatePropertySheetPageW
  };
  PFNPROPSHEETCALLBACK pfnCallback;
  HBITMAP hbmWatermark;
  HANDLE hplWatermark;
  HBITMAP hbmHeader;
} PROPSHEETHEADERW, *LPPROPSHEETHEADERW;
static_assert(sizeof(PROPSHEETHEADERW) == 96 && offsetof(PROPSHEETHEADERW, nPages) == 40 &&
              offsetof(PROPSHEETHEADERW, nStartPage) == 48 && offsetof(PROPSHEETHEADERW, ppsp) == 56 &&
              offsetof(PROPSHEETHEADERW, pfnCallback) == 64);
#define PROPSHEETHEADERW_V1_SIZE 72

#define PSH_DEFAULT 0x00000000
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_HASHELP 0x00000200
#define PSH_MODELESS 0x00000400
#define PSH_NOCONTEXTHELP 0x02000000

// Notifications to pages (WM_NOTIFY with a PSHNOTIFY; lParam is TRUE when OK caused the apply).
typedef struct _PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;
} PSHNOTIFY;
static_assert(sizeof(PSHNOTIFY) == 32);
#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

// Messages to the sheet.
#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_GETTABCONTROL (WM_USER + 116)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6
// The sheet's own controls.
#define ID_APPLY_NOW 0x3021
#define IDC_SHEET_TAB 0x3020

// CreatePropertySheetPageW: a page from its description (dwSize of at least PROPSHEETPAGEW_V1_SIZE; the
// record, and any bytes of the caller's after it up to dwSize, are copied and handed to the page at
// WM_INITDIALOG). Null with ERROR_INVALID_PARAMETER for a bad record. A page handed to PropertySheetW
// belongs to the sheet from then on; one never handed over is freed with DestroyPropertySheetPage.
KVAPI HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW page);
KVAPI BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
// PropertySheetW: runs the sheet modally. 1 when it closed with OK or after an Apply, 0 when cancelled,
// -1 on failure: ERROR_INVALID_PARAMETER (bad header, no pages, modeless sheets), the resource lookup's
// error for a page whose template is missing, ERROR_TIMEOUT when the scripted input ran out.
KVAPI INT_PTR PropertySheetW(const PROPSHEETHEADERW* header);
