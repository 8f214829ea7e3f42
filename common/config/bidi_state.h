// Bidi state: the record that a device query produced results (printer data "BidiFlag"/"BidiFunc"),
// the bidi INI "kvbidi.ini" in the data folder where a user who may not write the printer's data parks
// those results until a context that may moves them into printer data, the test for the maker's status
// service that may own the device channel, and the read of a server printer's value through the
// remote-configuration binding.
//
// Every bidi-INI key lives in the section named after the context's printer. Numbers are decimal text.
#pragma once
#include "kvplat/types.h"

#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct KV_CONFIG_FUNCS;

// Status-service states of BidiStatusServiceState.
constexpr int BIDI_SERVICE_NONE = 0;           // not in terminal-server mode, or no service
constexpr int BIDI_SERVICE_CONNECTED = 1;      // the service owns the channel: device queries are skipped
constexpr int BIDI_SERVICE_NOT_CONNECTED = 2;  // present but not connected to the printer

// ---- Printer data.

// Reads printer-data "BidiFlag" (4 bytes) into *value. false when it cannot be read.
bool BidiReadFlagValue(HANDLE printer, DWORD* value, SETTING_CONTEXT* ctx);
// true when "BidiFlag" reads and has bit 0 set (results are stored in printer data).
bool BidiGetPrinterFlag(HANDLE printer, SETTING_CONTEXT* ctx);
// Writes "BidiFlag" (4 bytes) / "BidiFunc" (1 byte) as REG_BINARY. false when the write fails.
bool BidiWriteFlagValue(HANDLE printer, DWORD value, SETTING_CONTEXT* ctx);
bool BidiWriteFuncValue(HANDLE printer, BYTE value, SETTING_CONTEXT* ctx);
// The printer-data write test: reads "BidiFlag" and writes the same value back. true when both
// succeed, so it fails for a user who may not change the printer's data and while there is no flag.
bool BidiTouchFlag(SETTING_CONTEXT* ctx);

// ---- Bidi INI.

// true when the bidi INI holds "BidiFlag" for the printer (read with default 7, the answer is not 7).
bool BidiIniHasFlag(SETTING_CONTEXT* ctx);
// True when "BidiFlag" of the bidi INI (default 0) is non-zero for the context's printer.
bool BidiIniFlagSet(SETTING_CONTEXT* ctx);
// Write "BidiFlag" / "BidiExFlag" as "1" or "0", "BidiFunc" as the decimal of the low 8 bits of value.
// 1, or 0 when the INI path cannot be built.
int BidiIniWriteFlag(SETTING_CONTEXT* ctx, bool on);
int BidiIniWriteFunc(SETTING_CONTEXT* ctx, DWORD value);
int BidiIniWriteExFlag(SETTING_CONTEXT* ctx, bool on);
// rdmBidiFunc := "BidiFunc" of the bidi INI (default 0). 1, or 0 without an INI path.
int BidiIniLoadFunc(SETTING_CONTEXT* ctx);
// Parks the device settings of the context in the bidi INI with the flags "BidiFlag", "BidiFunc" and
// "BidiExFlag". The answer is that of the settings-file write.
bool BidiIniStoreResults(SETTING_CONTEXT* ctx);
// Restores the device-query results parked in the bidi INI into the context; the read's result.
bool BidiLoadIniSettings(SETTING_CONTEXT* ctx);
// Deletes the printer's section of the bidi INI. 1, or 0 without an INI path.
int BidiClearIniSection(SETTING_CONTEXT* ctx);

// ---- Status service.

// true when the service's registry flag is 1 and its library exists in the system folder.
bool BidiStatusServicePresent(SETTING_CONTEXT* ctx);
// dest := the system folder, "\" and the service library's name (cch characters; emptied when it does
// not fit or no feature bit names a service). true when dest is not empty.
bool BidiStatusServiceDllPath(WCHAR* dest, DWORD cch, SETTING_CONTEXT* ctx);
// BIDI_SERVICE_NONE, _CONNECTED (printer-data "TelvanConnection" = 1) or _NOT_CONNECTED.
int BidiStatusServiceState(SETTING_CONTEXT* ctx);

// ---- Server printers.

// Fetches printer-data value `valueName` of the server printer through the open binding and, when its
// size equals expectedSize, writes it into the local printer's data with `registryType` and returns
// type, bytes (dest holds expectedSize bytes) and size where asked. TRUE only then; FALSE when either
// entry of the binding fails, the sizes differ or memory runs out (nothing is written).
BOOL CfgMirrorPrinterDataValue(HANDLE printer, const WCHAR* valueName, DWORD* type, void* dest, DWORD expectedSize,
                               DWORD* size, DWORD registryType, KV_CONFIG_FUNCS* funcs);
