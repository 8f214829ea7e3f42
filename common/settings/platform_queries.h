// Platform queries: the spooler's driver and printer records, the printer answers cached in a
// context (remote, attributes, names), the operating-system version class, terminal-server mode, the
// administrator test, and the expansion of the system-folder macros of a configured path.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct _PRINTER_INFO_2W;
struct _OSVERSIONINFOW;

// GetPrinterDriverW / GetPrinterW record of a level (default environment) in a zero-filled global
// block the caller frees (StgFree); none when the size query does not fail with
// ERROR_INSUFFICIENT_BUFFER, asks for 0 bytes, or the second call fails.
void* StgGetPrinterDriverInfo(HANDLE printer, DWORD level);
void* StgGetPrinterInfo(HANDLE printer, DWORD level);
// Caches remote state, printer and driver name and attributes of a level-2 record in the context
// (each only while not yet known).
void StgCachePrinterInfo(const _PRINTER_INFO_2W* info, SETTING_CONTEXT* ctx);
// mask AND the printer attributes (read and cached once); 0 when they cannot be had.
DWORD TestPrinterAttribute(DWORD mask, SETTING_CONTEXT* ctx);
int StgIsBidiEnabled(SETTING_CONTEXT* ctx);
// 1 remote (the level-2 record names a server); cached in the context.
int StgIsRemotePrinter(SETTING_CONTEXT* ctx);
// The same for a handle, without a cache.
int StgIsRemotePrinterHandle(HANDLE printer);
int StgQueryRemotePrinter(HANDLE printer);

// Version queries. The NT-5 and terminal-server answers are computed once per process.
BOOL StgQueryOsVersion(_OSVERSIONINFOW* info);
int StgIsNt5OrLater();
int StgIsServer2003OrLater();
int StgIsVistaOrLater();
int StgIsWin9x();
int StgIsWin98OrMe();
// 1 in terminal-server mode: the version test without a handle or before server 2003, else the
// answer of the terminal-server library in the printer's driver folder.
int StgIsTerminalServerMode(HANDLE printer);
int StgIsTerminalServerCached(HANDLE printer);
// Forgets the process-wide answers (NT 5, terminal server), so the next query asks the platform again.
// For tests and for a machine root that changes under a running process.
void StgResetPlatformQueryCaches();

// 1 when the caller is an administrator; a context created with flag 0x200 answers 1 untested.
int StgIsAdminForContext(SETTING_CONTEXT* ctx);
int StgIsAdministrator();

// Expands a leading %SYSTEMDRIVE% or %SYSTEMROOT% in place; a drive path stays as it is (answer 1).
// Non-zero when the result is usable; 0 for other paths or when the expansion does not fit (the path
// is then emptied).
int StgExpandRootMacros(WCHAR* path, DWORD capacity, SETTING_CONTEXT* ctx);
