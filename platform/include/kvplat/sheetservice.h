// The common property sheet service: a module loaded by name whose CommonPropertySheetUIW runs a sheet for
// a caller's sheet function. The service calls that function once per reason (PROPSHEETUI_REASON_*); the
// function adds its pages and reports its result through the service's callback (CPSFUNC_*).
#pragma once
#include "kvplat/propsheet.h"

typedef LONG_PTR (*PFNCOMPROPSHEET)(HANDLE hComPropSheet, UINT function, LPARAM lParam1, LPARAM lParam2);

typedef struct _PROPSHEETUI_INFO {
  WORD cbSize;
  WORD Version;
  WORD Flags;
  WORD Reason;
  HANDLE hComPropSheet;
  PFNCOMPROPSHEET pfnComPropSheet;
  LPARAM lParamInit;
  ULONG_PTR UserData;
  ULONG_PTR Result;
} PROPSHEETUI_INFO, *PPROPSHEETUI_INFO;
static_assert(sizeof(PROPSHEETUI_INFO) == 48 && offsetof(PROPSHEETUI_INFO, hComPropSheet) == 8 &&
              offsetof(PROPSHEETUI_INFO, lParamInit) == 24 && offsetof(PROPSHEETUI_INFO, Result) == 40);

typedef LONG (*PFNPROPSHEETUI)(PPROPSHEETUI_INFO info, LPARAM lParam);

// Answered at PROPSHEETUI_REASON_GET_INFO_HEADER (lParam points to it).
typedef struct _PROPSHEETUI_INFO_HEADER {
  WORD cbSize;
  WORD Flags;
  LPWSTR pTitle;
  HWND hWndParent;
  HINSTANCE hInst;
  union {
    HICON hIcon;
    ULONG_PTR IconID;
  };
} PROPSHEETUI_INFO_HEADER, *PPROPSHEETUI_INFO_HEADER;
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == 40 && offsetof(PROPSHEETUI_INFO_HEADER, pTitle) == 8 &&
              offsetof(PROPSHEETUI_INFO_HEADER, IconID) == 32);
#define PSUIHDRF_NOAPPLYNOW 0x0002
#define PSUIHDRF_PROPTITLE 0x0004

typedef struct _SETRESULT_INFO {
  WORD cbSize;
  WORD wReserved;
  HANDLE hSetResult;
  LRESULT Result;
} SETRESULT_INFO, *PSETRESULT_INFO;
static_assert(sizeof(SETRESULT_INFO) == 24);

#define PROPSHEETUI_REASON_INIT 0
#define PROPSHEETUI_REASON_GET_INFO_HEADER 1
#define PROPSHEETUI_REASON_DESTROY 2
#define PROPSHEETUI_REASON_SET_RESULT 3
#define PROPSHEETUI_REASON_GET_ICON 4
#define PROPSHEETUI_REASON_BEFORE_INIT 5

#define CPSFUNC_ADD_HPROPSHEETPAGE 0
#define CPSFUNC_ADD_PROPSHEETPAGEW 1
#define CPSFUNC_SET_RESULT 9

#define CPSUI_CANCEL 0
#define CPSUI_OK 1
#define ERR_CPSUI_GETLASTERROR (-1)
#ifndef ERROR_CANCELLED
#define ERROR_CANCELLED 1223L
#endif

// CommonPropertySheetUIW (the service module's export, looked up by name): runs the sheet. Calls `fn` with
// INIT (the function adds pages through the callback; a result of 0 or less ends here), GET_INFO_HEADER
// (title, flags, instance), shows the sheet built from the pages added, then DESTROY (lParam 1 when the
// sheet closed with OK). *result receives the last result reported with CPSFUNC_SET_RESULT (or the
// information record's Result). Returns CPSUI_OK or CPSUI_CANCEL, ERR_CPSUI_GETLASTERROR on failure
// (ERROR_INVALID_PARAMETER for a null function, ERROR_INVALID_DATA when no page was added, the sheet's
// error otherwise).
typedef LONG (*PFN_CommonPropertySheetUIW)(HWND owner, PFNPROPSHEETUI fn, LPARAM lParam, LPDWORD result);
