// The printer device context of applications: a device context on a printer (the graphics engine's
// device behind it) with the document calls, and the escapes that reach the graphics library. At each
// point the contract names, the platform calls the printer interface library's DrvDocumentEvent.
//
// CreateDCW (kvplat/paint.h) with a printer's name as the device (the driver name null or not "DISPLAY")
// makes a printer device context; DeleteDC ends it.
#pragma once
#include <cstddef>
#include <functional>

#include "kvplat/devmode.h"
#include "kvplat/engine.h"
#include "kvplat/paint.h"
#include "kvplat/types.h"
#include "kvplat/window.h"

typedef struct _DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
} DOCINFOW;
static_assert(sizeof(DOCINFOW) == 40 && offsetof(DOCINFOW, lpszDocName) == 8 && offsetof(DOCINFOW, fwType) == 32);

// What DOCUMENTEVENT_CREATEDCPRE hands the interface library (its output is a DEVMODEW* the library may
// fill; the platform keeps the caller's DEVMODE).
typedef struct _DOCEVENT_CREATEDCPRE {
  LPCWSTR pszDriver;
  LPCWSTR pszDevice;
  const DEVMODEW* pdm;
  BOOL bIC;
} DOCEVENT_CREATEDCPRE;
static_assert(sizeof(DOCEVENT_CREATEDCPRE) == 32 && offsetof(DOCEVENT_CREATEDCPRE, bIC) == 24);

#define SP_ERROR (-1)
// The error of a document the interface library refused or the job query held.
#ifndef ERROR_PRINT_CANCELLED
#define ERROR_PRINT_CANCELLED 63L
#endif

// CreateICW: as CreateDCW for a printer, without a drawing surface (for queries and escapes).
KVAPI HDC CreateICW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* devmode);
// StartDocW: queues a job carrying the context's DEVMODE, runs the spooler's job query on a printer with
// PRINTER_ATTRIBUTE_ENABLE_DEVQ, and starts the document in the graphics library. The job id, or
// SP_ERROR: ERROR_INVALID_HANDLE (not a printer context), ERROR_INVALID_PARAMETER (no DOCINFOW, an
// information context, or one already in a document),
// ERROR_PRINT_CANCELLED (the interface library refused the document or the job query held the job), or
// the graphics library's error.
KVAPI int StartDocW(HDC hdc, const DOCINFOW* info);
// StartPage/EndPage/EndDoc/AbortDoc: > 0 done; SP_ERROR (<= 0) with the last error set.
KVAPI int StartPage(HDC hdc);
KVAPI int EndPage(HDC hdc);
KVAPI int EndDoc(HDC hdc);
KVAPI int AbortDoc(HDC hdc);
// ExtEscape: hands an escape to the graphics library's DrvEscape for the device behind the context.
// The driver's answer; -1 (ERROR_INVALID_HANDLE) for a context that is not a printer's.
KVAPI int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData);

namespace kvp {
// For hosts that draw pages: the engine's device behind a printer context (null for any other HDC).
eng::Device* PrinterDcDevice(HDC hdc);
// The drawing of each page: EndPage calls it for every band of a banding surface (or once, before the
// page goes out, on a plain one), with the band's origin; false from it fails the page.
void SetPrinterDcPageDrawer(HDC hdc, std::function<bool(POINTL origin)> draw);
// The job of the last document started on the context, whether it is still open, ended or held (0 for
// none).
DWORD PrinterDcJobId(HDC hdc);
// The platform's own dispatch from CreateDCW and DeleteDC (kvplat/paint.h).
HDC CreatePrinterDc(LPCWSTR device, const DEVMODEW* devmode, bool informationOnly);
// true when hdc was a printer context (then *result is DeleteDC's answer).
bool DeletePrinterDc(HDC hdc, BOOL* result);
}  // namespace kvp
