// Registration values: where the driver's files are and what the printer is called, in the printer's
// data, and the few machine-wide values under the maker's registry key.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// "SPLUserModePrinterDriver" and "DriverIniFileName" (without terminator; TRUE when both were written, a
// missing model name counting as written), then "DriverGRFileName" and "DriverEDFileName".
BOOL InstWriteDriverFileValues(HANDLE printer, SETTING_CONTEXT* ctx);
// "DriverGRFileName": 1 when the driver information could be read. "DriverEDFileName": the write's result.
int InstWriteGrFileNameValue(SETTING_CONTEXT* ctx);
int InstWriteEdFileNameValue(SETTING_CONTEXT* ctx);
// "HelpFileName": 1 when the driver information had a help file with a folder in its path.
int UiWriteHelpFileNameValue(SETTING_CONTEXT* ctx);
// The file-name part of the printer's driver path / help file into `dest` (`capacity` characters). 1
// when the path holds a backslash.
int UiGetDriverPathFileName(HANDLE printer, WCHAR* dest, DWORD capacity, SETTING_CONTEXT* ctx);
int UiGetHelpFileName(HANDLE printer, WCHAR* dest, DWORD capacity, SETTING_CONTEXT* ctx);
// The PrintLog registry values, then (when `writeLogName`) "LogFileName". TRUE unless the log name was
// asked for and could not be made.
BOOL UiWriteLogFileValues(int writeLogName, SETTING_CONTEXT* ctx);
// "LogFileDirectory" when absent or empty, "MaxLogFileSize" 64 when unreadable. 1.
int UiEnsurePrintLogKeys(SETTING_CONTEXT* ctx);
// "ZARNPrinterName" / "DriverName" from the printer's PRINTER_INFO_2.
BOOL InstWritePrinterNameValue(HANDLE printer);
BOOL InstWriteDriverNameValue(HANDLE printer);
// Reads "ZARNPrinterName" into `buffer` (261 characters; the context's text buffer when null). 1 read.
int InstReadPrinterNameValue(HANDLE printer, WCHAR* buffer, SETTING_CONTEXT* ctx);
int InstReadPrinterNameValueTo(HANDLE printer, WCHAR* buffer);
// A REG_SZ printer-data value of `bytes` bytes. TRUE when all are given and the write succeeded.
BOOL UiSetPrinterDataString(HANDLE printer, const WCHAR* data, DWORD bytes, const WCHAR* valueName);
// A value under HKEY_LOCAL_MACHINE\subKey (the key created when missing). 1 when set.
int UiWriteRegistryValue(const WCHAR* subKey, const WCHAR* valueName, const void* data, DWORD bytes, DWORD type);
// A REG_SZ value under HKEY_LOCAL_MACHINE "SOFTWARE\KAVRO\ZarnDrv". 1 when set.
int InstWriteDriverRegistryValue(const WCHAR* valueName, const WCHAR* data, DWORD bytes);
