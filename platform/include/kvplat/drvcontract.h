// The printer-interface contract: the constants and records that the spooler and applications hand a
// printer's interface library, and the shapes of the library's exports that the platform calls.
#pragma once
#include <cstddef>

#include "kvplat/devmode.h"
#include "kvplat/types.h"

typedef LONG_PTR LPARAM;  // as kvplat/window.h has it (a repeated typedef of one type is allowed)

// ---- Printer set-up by the spooler ---------------------------------------------------------------------

// Modes of DrvConvertDevMode: convert into the driver's current format, into the older 188-byte format,
// or fetch the driver's default DEVMODE (the call the spooler makes when a printer is created).
#define CDM_CONVERT 0x01
#define CDM_CONVERT351 0x02
#define CDM_DRIVER_DEFAULT 0x04

// Events of DrvPrinterEvent.
#define PRINTER_EVENT_ADD_CONNECTION 1
#define PRINTER_EVENT_DELETE_CONNECTION 2
#define PRINTER_EVENT_INITIALIZE 3
#define PRINTER_EVENT_DELETE 4
#define PRINTER_EVENT_CACHE_REFRESH 5
#define PRINTER_EVENT_CACHE_DELETE 6
#define PRINTER_EVENT_ATTRIBUTES_CHANGED 7
#define PRINTER_EVENT_FLAG_NO_UI 0x00000001

// DrvUpgradePrinter level 1: the printer whose driver files were replaced, and where the old ones were.
typedef struct _DRIVER_UPGRADE_INFO_1 {
  LPWSTR pPrinterName;
  LPWSTR pOldDriverDirectory;
} DRIVER_UPGRADE_INFO_1, *PDRIVER_UPGRADE_INFO_1;
static_assert(sizeof(DRIVER_UPGRADE_INFO_1) == 16 && offsetof(DRIVER_UPGRADE_INFO_1, pOldDriverDirectory) == 8);

typedef BOOL (*PFN_DrvConvertDevMode)(LPWSTR printerName, PDEVMODEW in, PDEVMODEW out, LONG* size, DWORD mode);
typedef BOOL (*PFN_DrvPrinterEvent)(LPWSTR printerName, int event, DWORD flags, LPARAM lParam);
typedef BOOL (*PFN_DrvUpgradePrinter)(DWORD level, LPBYTE info);
