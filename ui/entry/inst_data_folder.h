// The driver's data folder (one per machine: driver INI copies, bundles, the bidi INI) with its access
// rules, and the small file operations the set-up shares.
#pragma once
#include "kvplat/spooler.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// ---- The data folder. Lengths in characters; 0 when the system folder cannot be read.

// The client value "_ZARNDirectoryClient" (printers reached through a server), the registry value
// "_ZARNDirectory", else "<system drive>\_zarn".
DWORD InstGetCommonDataDirFor(WCHAR* buf, DWORD capacity, HANDLE printer, const PRINTER_INFO_2W* info);
// InstGetCommonDataDirFor on systems of major version 5 or later, else the system folder.
DWORD InstGetDataDirForPrinter(WCHAR* buf, DWORD capacity, HANDLE printer, const PRINTER_INFO_2W* info);
DWORD InstGetDefaultDataDir(WCHAR* buf, DWORD capacity);
// Creates the printer's data folder, hidden, owned by the administrators, world access on the folder. 1
// when it exists afterwards.
int InstCreateDataFolder(HANDLE printer);
int InstCreateDataFolderOfContext(SETTING_CONTEXT* ctx);
// Ownership and world access on the data folder and the files directly in it; the world step's result.
int InstSecureDataFolderFiles(HANDLE printer);
int InstSecureDataFolder(SETTING_CONTEXT* ctx);
// Empties and removes the default data folder (when the folder was moved elsewhere).
int InstRemoveDefaultDataFolder(HANDLE printer, DWORD ignored);

// Flags of the two rules: the folder itself only; without it also its files, its subfolders with
// INST_ACL_SUBFOLDERS, descending with INST_ACL_DESCEND.
constexpr DWORD INST_ACL_FOLDER_ONLY = 0x1;
constexpr DWORD INST_ACL_SUBFOLDERS = 0x2;
constexpr DWORD INST_ACL_DESCEND = 0x4;
// Full access for Everyone, inherited by files and folders (DACL). 1 when the descriptor was built.
int InstApplyWorldAccess(const WCHAR* path, DWORD flags);
// BUILTIN\Administrators as owner. 1 when the descriptor was built.
int InstApplyAdminOwner(const WCHAR* path, DWORD flags);

// ---- Files.

int InstFileExists(const WCHAR* path);
// 1 when the folder was created or exists.
int InstCreateFolder(const WCHAR* path);
// Deletes what a pattern ("C:\X\*.*") matches. 1 when at least one entry was deleted.
int InstDeleteMatchingFiles(const WCHAR* pattern);
// Empties a folder (subfolders removed); the folder stays. 1 when it could be listed.
int InstDeleteTree(const WCHAR* folder);
// Clears FILE_ATTRIBUTE_READONLY. 1.
int InstClearReadOnly(const WCHAR* path);
BOOL InstCopyDriverFile(const WCHAR* target, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx, int flag);
// Copies source over target (mode 1: only when the target is missing; other modes: only when the
// last-write times differ). Both paths absolute; a failed copy keeps the old target. 1 / 0.
int InstCopyFileIfNewer(const WCHAR* target, const WCHAR* source, int mode);
// CfgIniWriteString keeping the file's last-write time.
BOOL InstIniWriteKeepTime(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* iniPath);
BOOL InstGetUserProfileDir(WCHAR* buf, DWORD capacity, HANDLE printer);
