// Settings save/restore files: one section of an INI file holding a printer's settings under their
// names, moved to and from the settings store.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Transfer flags.
constexpr DWORD CFG_TRANSFER_READ = 0x1;
constexpr DWORD CFG_TRANSFER_WRITE = 0x2;
constexpr DWORD CFG_TRANSFER_RESTORE_FILE = 0x8;

// Reads (flag 1) or writes (flag 2) the settings of the printer-name section of the file. 1 done,
// 0 failed; the context's last result code tells why.
int CfgTransferSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// Reads (1) or writes (2) the settings firstId..lastId under their names in `section` of the file;
// `keyBuffer` (261 characters) is scratch for the key names.
void CfgTransferDeviceRange(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, const WCHAR* section,
                            WCHAR* keyBuffer, WORD firstId, WORD lastId);
// Restores the settings of a settings file into the context under the global mutex. 1 done, 0 failed;
// the context's last result code tells why.
int CfgReadSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// Writes the settings the flags select into the printer-name section of the file under the global
// mutex. 1 done, 0 failed.
int CfgWriteSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
