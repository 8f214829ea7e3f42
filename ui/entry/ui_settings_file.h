// The interface library's builds of the settings-file operations: the common transfer and restore with
// this library's steps (it warns the user and owns the job-control link), and the restore text.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Messages of the settings files: another printer's file, a file that disagrees with locked settings.
constexpr WORD UI_MSG_FILE_MISMATCH = 10023;
constexpr WORD UI_MSG_FILE_LOCKED = 12041;

// CfgTransferSettingsFile of this library: the stamp transfers hold none of the pattern settings
// 1022-1032; the header and lock tests warn (below). Results and context errors as the common transfer.
int InstTransferSettingsSection(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// CfgReadSettingsFile of this library: after a full restore the job items are refreshed (the user code
// read from job control, the user items written) and the DEVMODE is merged by this library's intake,
// rdmAdjustMode left alone. 1 done, 0 not (a file whose header does not match is not loaded).
int InstLoadSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// The header test of the common transfer; a mismatch shows warning 10023 with the file's path first,
// unless the flags hold 0x8000 (the caller reports) or 0x10 (a quality file).
int InstCheckSettingsFileHeader(const WCHAR* path, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx,
                                const char* body, int tolerant, DWORD* migrateFrom);
// The common locked-settings test; a refusal shows warning 12041 with the file's path.
int InstCheckLockedSettings(const WCHAR* path, const WCHAR* section, SETTING_CONTEXT* ctx);
// Writes the current settings into the restore text "kvrest.txt" of the data folder (section
// "ZARNRsdSection"); a full save (no flag outside 0x8002) under the driver's name. The transfer's result.
int InstSaveRestoreText(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
int InstWriteRestoreText(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// Every '[' and ']' of the section name becomes ','; nothing else changes. The same pointer.
WCHAR* UiBracketsToCommas(WCHAR* section);
// Writes the printer's device settings file ("SaveDeviceSetup" machines): true when written.
bool InstSaveDefaultRstDevice(SETTING_CONTEXT* ctx);
