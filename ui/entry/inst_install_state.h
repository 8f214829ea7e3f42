// Per-user installation state of a printer: the install stamp, the printer's section of the driver INI
// and the per-user copies of the machine's set-up.
#pragma once
#include "kvplat/spooler.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Records the installation (install type 1 new settings version, 2 kept or migrated, 3 batch
// instructions applied; mode 0 the machine copy, 1 or 2 the per-user copy, 2 also the first time).
BOOL InstStampInstall(HANDLE printer, WORD installType, int mode);
// Writes the printer's section of the driver INI (kind 0 set-up, 1 refresh).
BOOL InstWritePrinterIniSection(HANDLE printer, DWORD ignored, int kind, SETTING_CONTEXT* ctx);
// The per-user copies made when a user connects to a printer.
BOOL InstCopyToUserIni(HANDLE printer);
BOOL InstCheckUserIniVersion(HANDLE printer, int installState);
// 0 done (also when there was nothing to copy), 1 failed.
int InstCopyBatchInstallToUser(HANDLE printer, const PRINTER_INFO_2W* info);
// 1 when the printer is set up for the calling user (setting it up now when needed), 0 when it cannot be.
// flags bit 0: also handle a client-side connection.
int InstEnsureInstalled(HANDLE printer, DWORD flags, const PRINTER_INFO_2W* info);
// InstEnsureInstalled (printer, 1, none).
int InstCheckInstalled(HANDLE printer);
