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

// ---- The states behind the check ----

// User install state (0 current, 1 missing or older than the machine's first installation, 2 installed
// again, 3 as 2 with an administrator's change, 5 machine copy missing or unstamped). 1 when the paths
// could be made (then *state is valid), else 0 with state 0.
int InstGetUserInstallState(HANDLE printer, WORD* state, const PRINTER_INFO_2W* info);
// The same, fetching the printer information itself.
int InstGetUserInstallStateOf(HANDLE printer, WORD* state);
// Terminal-server correction state: 0 corrected, 1 no path or information, 2 needs correction, 3 the
// user's copy is missing or has no presets.
int InstGetTsIniState(HANDLE printer, const PRINTER_INFO_2W* info);
// Points the user copy's list entries that still name the machine folder at the per-user data folder:
// 0 corrected, 3 not corrected, 1 paths failed.
int InstCorrectTsIni(HANDLE printer, const PRINTER_INFO_2W* info);
// The client data folder check outside terminal-server mode: 1 / 0.
int InstCheckClientDataDir(HANDLE printer, const PRINTER_INFO_2W* info);
// Brings a client's machine copy up to the model's settings version (ini, section: null for the
// printer's own).
BOOL InstRefreshClientCopy(HANDLE printer, const WCHAR* ini, const WCHAR* section);
// InstWritePrinterIniSection into the per-user copy (perUser 1) or the machine copy.
BOOL InstWritePrinterIniSectionEx(HANDLE printer, DWORD ignored, int kind, SETTING_CONTEXT* ctx, int perUser);
// 1 when "RstVersion" of the region section is absent (*absent := 1) or of another major version than
// the model's; 0 when the majors agree.
int InstRstVersionDiffers(const WCHAR* ini, DWORD ignored, int* absent, SETTING_CONTEXT* ctx);
// The device ranges of a settings file read into the context (flags ORed with 1).
void UiReadDeviceRangesFromFile(const WCHAR* file, DWORD flags, SETTING_CONTEXT* ctx);
// The per-user data folder of the printer, a backslash and the file name; dst emptied when the folder is
// unknown or the result does not fit.
WCHAR* UiMakeUserDataFilePath(WCHAR* dst, DWORD cch, const WCHAR* fileName, HANDLE printer);
// 1 when the printer-data DWORD "AdminChange" reads non-zero (*out the value, 0 when unreadable).
int UiReadAdminChange(HANDLE printer, DWORD* out);
// 1 when the printer has no server name.
int UiIsLocalPrinterHandle(HANDLE printer);
// 1 when the record is given and has a server name.
int UiIsServerPrinterInfo(const PRINTER_INFO_2W* info);
