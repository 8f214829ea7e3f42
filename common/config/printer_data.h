// Printer-data and registry accessors: single printer-data values read and written by name, the help
// file of the printer, the presence of two companion products, the driver's registry values, the
// printer's default DEVMODE; and the remote-configuration binding through which a server printer's
// values are read.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The remote-configuration binding that the printer interface library fills when it has loaded the
// maker's status-service library. The common library only reads it. Both entries answer 0 on
// success; any other answer is a failure.
typedef DWORD (*KV_GET_PRINTER_DATA_SIZE_FN)(HANDLE connection, BYTE serverType, const WCHAR* printerName,
                                            const char* key, const char* valueName, DWORD* size);
typedef DWORD (*KV_GET_PRINTER_DATA_FN)(HANDLE connection, BYTE serverType, const WCHAR* printerName,
                                       const char* key, const char* valueName, DWORD size, BYTE* buffer);
struct KV_CONFIG_FUNCS {
  HANDLE connection;
  BYTE serverType;
  const WCHAR* serverPrinterName;  // the printer's name on the server
  char keyName[260];               // ANSI work buffers for the key and the value name of a call
  char valueName[260];
  KV_GET_PRINTER_DATA_SIZE_FN KVGetPrinterDataSize;
  KV_GET_PRINTER_DATA_FN KVGetPrinterData;
};
static_assert(offsetof(KV_CONFIG_FUNCS, serverType) == 8 && offsetof(KV_CONFIG_FUNCS, serverPrinterName) == 16 &&
              offsetof(KV_CONFIG_FUNCS, keyName) == 24 && offsetof(KV_CONFIG_FUNCS, valueName) == 284 &&
              offsetof(KV_CONFIG_FUNCS, KVGetPrinterDataSize) == 544 && sizeof(KV_CONFIG_FUNCS) == 560);

// Companion kinds of CfgIsCompanionInstalled.
constexpr DWORD CFG_COMPANION_JOB_BINDER = 2;
constexpr DWORD CFG_COMPANION_PREVIEW = 8;

// TRUE when GetPrinterDataW read the value into buffer; FALSE without a call for a missing buffer,
// size or name.
BOOL CfgGetPrinterDataValue(HANDLE printer, void* buffer, DWORD size, const WCHAR* valueName);
// TRUE when SetPrinterDataW stored the bytes as REG_BINARY / as `type`; FALSE without a call for a
// missing argument.
BOOL CfgSetPrinterDataBinary(HANDLE printer, const void* buffer, DWORD size, const WCHAR* valueName);
BOOL CfgSetPrinterDataTyped(HANDLE printer, const void* buffer, DWORD size, DWORD type, const WCHAR* valueName);
// TRUE when printer-data "HelpFileName" of the context's printer was read into dest (always
// terminated); FALSE for a missing destination, a size below one character or a failed read.
BOOL CfgGetHelpFileName(WCHAR* dest, DWORD bytes, SETTING_CONTEXT* ctx);
// Kind 2: "INSTALL_COUNT" under HKLM "Software\KAVRO\TaskBlend\JobBinder" is non-zero; kind 8:
// "VERSION" under "Software\KAVRO\TaskBlend\Preview" is non-zero; any other kind: 0 without a
// registry call.
int CfgIsCompanionInstalled(DWORD kind, SETTING_CONTEXT* ctx);
// TRUE when the HKLM key opens and the value is read into buffer.
BOOL CfgReadHklmValue(const WCHAR* keyPath, const WCHAR* valueName, void* buffer, DWORD bytes);
// The same for a value under HKLM "SOFTWARE\KAVRO\ZarnDrv".
BOOL CfgReadDriverRegValue(const WCHAR* valueName, void* buffer, DWORD bytes);
// Copies the spooler's default DEVMODE of the context's printer into the store when it has this
// driver's sizes (220 + 1016); the answer is then the store's layout test. 0 when there is none, its
// sizes differ, or the context has no store.
int CfgAdoptPrinterDefaultDevmode(SETTING_CONTEXT* ctx);
