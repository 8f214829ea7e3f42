// The printer device context of applications: a device context on a printer (the graphics engine's
// device behind it) with the document calls, and the escapes that reach the graphics library. At each
// point the contract names, the platform calls the printer interface library's DrvDocumentEvent.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/types.h"
#include "kvplat/window.h"

// ExtEscape: hands an escape to the graphics library's DrvEscape for the device behind the context.
// The driver's answer; -1 (ERROR_INVALID_HANDLE) for a context that is not a printer's.
KVAPI int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData);
