// Folders, paths and file names of the common library: the system, Windows, driver, data, common data
// and per-user folders; the bounded path builders; the file names of a settings context (driver INI
// and its per-user copy, model INI, resource library) and its cached printer, driver, model and region
// names; the file-name operations, the path macros of installed settings files and the small file
// utilities.
//
// Paths are machine paths ("C:\...") of at most 260 characters. Folder getters answer the length of
// the folder (0 on failure); the bounded builders empty their output when the result does not fit;
// the builders that fill a context buffer fail (empty buffer) rather than write past it.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

constexpr DWORD CFG_MAX_PATH = 260;

// ---- Folders (length of the result, 0 on failure).

DWORD CfgGetSystemDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT* ctx);
// Printer-data "_ZARNDirectoryClient" (remote printers), registry "_ZARNDirectory", else drive + "_zarn".
DWORD CfgGetCommonDataDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT* ctx);
DWORD CfgGetCommonDataDirForPrinter(WCHAR* buf, DWORD cch, HANDLE printer);
// The common data folder on NT5 or later, the system folder before.
DWORD CfgGetDataDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT* ctx);
DWORD CfgGetDataDirForPrinter(WCHAR* buf, DWORD cch, HANDLE printer);
// The per-user folder: the folder of an already absolute INI path, else LocalAppDataLow\_zarn (Vista
// on), profile\_zarn (NT5), or system\kavro\_zarn\<user> (older).
DWORD CfgGetUserDataDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT* ctx);
DWORD CfgGetUserDataDirForPrinter(WCHAR* buf, DWORD cch, HANDLE printer);
// The user profile folder; with fall-back allowed a failure writes the common data folder instead.
BOOL CfgGetUserProfileDir(WCHAR* buf, DWORD cch, HANDLE printer);
BOOL CfgGetUserProfileDirEx(WCHAR* buf, DWORD cch, HANDLE printer, BOOL noFallBack);
BOOL CfgGetLocalAppDataLowDir(WCHAR* buf, DWORD cch);
// The driver folder with its trailing backslash, in the context's driver-folder buffer.
const WCHAR* CfgGetDriverDir(SETTING_CONTEXT* ctx);
// The same for a printer handle into dst (260 characters); dst is returned.
WCHAR* CfgGetDriverDirForPrinter(HANDLE printer, WCHAR* dst);

// ---- Path builders.

// Folder, "\" and the name; emptied when it does not fit. dst is returned.
WCHAR* CfgMakeSystemDirPath(WCHAR* dst, DWORD cch, const WCHAR* name);
WCHAR* CfgMakeWindowsDirPath(WCHAR* dst, DWORD cch, const WCHAR* name);
WCHAR* CfgMakeDataFilePath(WCHAR* dst, DWORD cch, const WCHAR* name, SETTING_CONTEXT* ctx);
// The driver folder directly followed by the name; dst unchanged when the driver information cannot be
// read, emptied when the result does not fit.
WCHAR* CfgMakeDriverDirPath(WCHAR* dst, DWORD cch, const WCHAR* name, HANDLE printer);
// A path beginning with "..\" taken from the system folder, one level up per prefix.
WCHAR* CfgClimbFromSystemDir(WCHAR* dst, DWORD cch, const WCHAR* path);
// The driver folder followed by the name, in the context's driver-folder buffer (empty when too long).
const WCHAR* CfgMakeDriverFilePath(SETTING_CONTEXT* ctx, const WCHAR* name);
BOOL CfgMakeUserSettingsPath(WCHAR* dst, const WCHAR* source, DWORD cch, SETTING_CONTEXT* ctx);
BOOL CfgMakeRsqPath(WCHAR* dst, const WCHAR* source, DWORD cch, SETTING_CONTEXT* ctx);
constexpr DWORD CFG_EXT_RSD = 4;
constexpr DWORD CFG_EXT_RSQ = 0x10;
BOOL CfgMakeCommonDataFilePath(WCHAR* dst, const WCHAR* source, DWORD cch, DWORD flags, SETTING_CONTEXT* ctx);
BOOL CfgChangeExtToRsd(WCHAR* dst, const WCHAR* source, DWORD cch);
BOOL CfgMakeRsqFileName(WCHAR* dst, const WCHAR* source, DWORD cch);
// dst holds CFG_MAX_PATH characters.
BOOL CfgMakeFileNameWithExt(WCHAR* dst, const WCHAR* source, const WCHAR* extension);

// ---- Context names.

const WCHAR* CfgGetIniPath(SETTING_CONTEXT* ctx);
// Keeps `path` (zero-terminated, shorter than 260 characters) as the context's driver INI path: later
// requests of CfgGetIniPath answer it instead of computing one, until the context is reused by another
// creator. FALSE (nothing changed) for no context, no path or a path that does not fit.
BOOL CfgKeepIniPath(SETTING_CONTEXT* ctx, const WCHAR* path);
BOOL CfgGetIniPathForPrinter(WCHAR* dst, DWORD cch, int perUser, HANDLE printer);
const WCHAR* CfgGetModelIniPath(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetResourceDllPath(SETTING_CONTEXT* ctx);
// The step of CfgGetResourceDllPath that puts the two region letters over the two characters before the
// file name's extension; only when the file name has an extension and at least two characters before
// it (else the path stays as it is and the answer is FALSE).
BOOL CfgSubstituteRegionLetters(WCHAR* path, const WCHAR* code);
BOOL CfgIsJapaneseResourceDll(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetPrinterName(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetDriverName(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetModelNameFromModelIni(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetRegionCode(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetInstalledRegionCode(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetRegionSection(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetRsdSection(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetRegionSuffix(SETTING_CONTEXT* ctx);

// ---- File names and files.

BOOL CfgIsAbsolutePath(const WCHAR* path);
const WCHAR* CfgFindFileName(const WCHAR* path);
const WCHAR* CfgFindExtension(const WCHAR* path, DWORD* length);
const WCHAR* CfgFindBaseName(const WCHAR* path, DWORD* length);
BOOL CfgHasShortExtension(const WCHAR* path);
BOOL CfgExpandPathMacros(WCHAR* path, DWORD cch, int mode, SETTING_CONTEXT* ctx);
BOOL CfgExpandSettingsFilePath(WCHAR* path, DWORD cch, SETTING_CONTEXT* ctx);
BOOL CfgFileExists(const WCHAR* path);
// Attributes set to normal, then deleted; the answer is the deletion's (a missing file counts as done).
BOOL CfgDeleteFile(const WCHAR* path);
BOOL CfgCopyFile(const WCHAR* source, const WCHAR* target, BOOL failIfExists);
// Mode 0: equal last-write times; mode 1: B is not older than A.
BOOL CfgCompareFileTimes(const WCHAR* fileA, const WCHAR* fileB, int mode);
// The count moved, or -1 when the call fails or moves fewer bytes than asked.
LONG CfgReadFileBytes(HANDLE file, void* buffer, DWORD count);
LONG CfgWriteFileBytes(HANDLE file, const void* buffer, DWORD count);
BOOL CfgCopyDriverFileToSystemDir(const WCHAR* name, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx);
BOOL CfgInstallDriverFileEx(const WCHAR* target, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx,
                            int timeMode);
BOOL CfgInstallDriverFile(const WCHAR* target, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx);
