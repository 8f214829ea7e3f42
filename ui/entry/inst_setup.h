// Printer set-up: the spooler's printer events, the driver upgrade, the set-up routine shared with the
// DEVMODE conversion and the per-user checks, and the handling of a renamed printer.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/spooler.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Set-up modes of InstSetupPrinter.
enum INST_SETUP_MODE : int {
  INST_SETUP_NEW = 0,           // CDM_DRIVER_DEFAULT: full set-up, defaults into the caller's DEVMODE
  INST_SETUP_FULL = 1,          // PRINTER_EVENT_INITIALIZE, CDM_CONVERT to a new major settings version
  INST_SETUP_CLIENT = 2,        // add connection, per-user install check
  INST_SETUP_BATCH = 5,         // CDM_CONVERT with batch instructions: as 0, device settings reloaded
  INST_SETUP_CLIENT_SHORT = 6,  // per-user version check: 2 without the client-only steps
  INST_SETUP_CLIENT_KEEP = 7,   // per-user install check: 2 keeping the remote saved information
};

// Sets the printer up in `mode`. TRUE when the context could be opened and the device settings were
// written to printer data; every other step's failure is ignored. `dm` (mode 0) receives the defaults.
BOOL InstSetupPrinter(HANDLE printer, DEVMODEW* dm, int mode);

// The printer events by name. Each opens the printer itself; FALSE when it cannot.
BOOL InstOnAddConnection(const WCHAR* printerName);
BOOL InstOnDeleteConnection(const WCHAR* printerName);
BOOL InstOnInitializePrinter(const WCHAR* printerName);
BOOL InstOnDeletePrinter(const WCHAR* printerName);

// 1 when the printer is local, has no "ClientName", and its "ZARNPrinterName" cannot be read or differs
// (case-insensitively) from the record's name; 0 otherwise (also for a null record).
int UiIsPrinterRenamed(HANDLE printer, const PRINTER_INFO_2W* info);
// Moves the printer's machine state to its new name after a rename. 1 when a rename was handled.
int InstHandlePrinterRename(SETTING_CONTEXT* ctx);
// 1 when the printer-data value "ClientName" can be read and is not empty.
int InstHasClientName(SETTING_CONTEXT* ctx);
int InstPrinterHasClientName(HANDLE printer);

// The spooler thread's identity switch: the client's token, and taking it back (0 for no token).
HANDLE UiRevertToSpooler();
BOOL UiImpersonateClient(HANDLE token);
