// Registration values in printer data and under the maker's registry key.
#include "inst_registration.h"

#include "config/ini.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "kvplat/error.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/platform_queries.h"

namespace {

constexpr DWORD kNameChars = 261;
constexpr DWORD kEdNameChars = 25;
constexpr const WCHAR* kPrintLogKey = u"Software\\KAVRO\\PrintLog";
constexpr const WCHAR* kDriverKey = u"SOFTWARE\\KAVRO\\ZarnDrv";
constexpr DWORD kMaxLogFileSize = 64;

DWORD Bytes(const WCHAR* s, bool terminator) { return (DWORD)(kvp::WLen(s) + (terminator ? 1 : 0)) * sizeof(WCHAR); }

// A REG_SZ value with its terminating zero.
BOOL WriteText(HANDLE printer, const WCHAR* text, const WCHAR* valueName) {
  return UiSetPrinterDataString(printer, text, Bytes(text, true), valueName);
}

// The part after the last backslash of a DRIVER_INFO_3 path field. 1 when the path holds one.
int FileNamePart(HANDLE printer, LPWSTR DRIVER_INFO_3W::*field, WCHAR* dest, DWORD capacity) {
  if (!dest || !capacity) return 0;
  auto* info = static_cast<DRIVER_INFO_3W*>(StgGetPrinterDriverInfo(printer, 3));
  if (!info) return 0;
  int found = 0;
  const WCHAR* path = info->*field;
  const WCHAR* slash = nullptr;
  for (const WCHAR* p = path; p && *p; ++p)
    if (*p == u'\\') slash = p;
  if (slash) {
    kvp::WCopy(dest, capacity, slash + 1);
    found = 1;
  }
  StgFree(info);
  return found;
}

template <class Fn>
BOOL WithPrinterInfo(HANDLE printer, Fn fn) {
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
  if (!info) return FALSE;
  BOOL ok = fn(*info);
  StgFree(info);
  return ok;
}

}  // namespace

BOOL UiSetPrinterDataString(HANDLE printer, const WCHAR* data, DWORD bytes, const WCHAR* valueName) {
  if (!data || !bytes || !valueName) return FALSE;
  return CfgSetPrinterDataTyped(printer, data, bytes, REG_SZ, valueName);
}

BOOL InstWriteDriverFileValues(HANDLE printer, SETTING_CONTEXT* ctx) {
  BOOL ok = TRUE;
  // The first two go without their terminating zero, as the spooler's readers of them expect.
  const MODEL_BLOCK* model = ctx ? ctx->model : nullptr;
  if (model && model->auxLibraryName &&
      !UiSetPrinterDataString(printer, model->auxLibraryName, Bytes(model->auxLibraryName, false), u"SPLUserModePrinterDriver"))
    ok = FALSE;
  if (model && model->driverIniName &&
      !UiSetPrinterDataString(printer, model->driverIniName, Bytes(model->driverIniName, false), u"DriverIniFileName"))
    ok = FALSE;
  InstWriteGrFileNameValue(ctx);
  InstWriteEdFileNameValue(ctx);
  return ok;
}

int InstWriteGrFileNameValue(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  WCHAR name[kNameChars] = {};
  if (!UiGetDriverPathFileName(ctx->printer, name, kNameChars, ctx)) return 0;
  WriteText(ctx->printer, name, u"DriverGRFileName");
  return 1;
}

int InstWriteEdFileNameValue(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  WCHAR name[kEdNameChars + 1] = {};
  const WCHAR* ini = CfgGetModelIniPath(ctx);
  if (ini && *ini) CfgIniGetString(u"DriversFileName", u"DriverEDFileName", u"", name, kEdNameChars + 1, ini);
  name[kEdNameChars] = 0;
  return WriteText(ctx->printer, name, u"DriverEDFileName");
}

int UiGetDriverPathFileName(HANDLE printer, WCHAR* dest, DWORD capacity, SETTING_CONTEXT*) {
  return FileNamePart(printer, &DRIVER_INFO_3W::pDriverPath, dest, capacity);
}

int UiGetHelpFileName(HANDLE printer, WCHAR* dest, DWORD capacity, SETTING_CONTEXT*) {
  return FileNamePart(printer, &DRIVER_INFO_3W::pHelpFile, dest, capacity);
}

int UiWriteHelpFileNameValue(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  WCHAR name[kNameChars] = {};
  if (!UiGetHelpFileName(ctx->printer, name, kNameChars, ctx)) return 0;
  WriteText(ctx->printer, name, u"HelpFileName");
  return 1;
}

int UiEnsurePrintLogKeys(SETTING_CONTEXT*) {
  WCHAR folder[kNameChars] = {};
  if (!CfgReadHklmValue(kPrintLogKey, u"LogFileDirectory", folder, sizeof folder - sizeof(WCHAR)) || !folder[0]) {
    WCHAR dir[kNameChars] = {};
    CfgMakeWindowsDirPath(dir, kNameChars, u"temp\\PrintLog");
    UiWriteRegistryValue(kPrintLogKey, u"LogFileDirectory", dir, Bytes(dir, true), REG_SZ);
  }
  DWORD size = 0;
  if (!CfgReadHklmValue(kPrintLogKey, u"MaxLogFileSize", &size, sizeof size))
    UiWriteRegistryValue(kPrintLogKey, u"MaxLogFileSize", &kMaxLogFileSize, sizeof kMaxLogFileSize, REG_DWORD);
  return 1;
}

BOOL UiWriteLogFileValues(int writeLogName, SETTING_CONTEXT* ctx) {
  UiEnsurePrintLogKeys(ctx);
  if (!writeLogName) return TRUE;
  if (!ctx) return FALSE;
  WCHAR name[kNameChars + 4] = {};
  if (!UiGetDriverPathFileName(ctx->printer, name, kNameChars, ctx)) return FALSE;
  // Everything after the last dot becomes "log"; a name without a dot gets one.
  size_t len = kvp::WLen(name), dot = len;
  for (size_t i = 0; i < len; ++i)
    if (name[i] == u'.') dot = i;
  if (dot == len) name[len] = u'.';
  kvp::WCopy(name + dot + 1, 4, u"log");
  return WriteText(ctx->printer, name, u"LogFileName");
}

BOOL InstWritePrinterNameValue(HANDLE printer) {
  return WithPrinterInfo(printer, [&](const PRINTER_INFO_2W& info) {
    return info.pPrinterName && WriteText(printer, info.pPrinterName, u"ZARNPrinterName");
  });
}

BOOL InstWriteDriverNameValue(HANDLE printer) {
  return WithPrinterInfo(printer, [&](const PRINTER_INFO_2W& info) {
    return info.pDriverName && WriteText(printer, info.pDriverName, u"DriverName");
  });
}

int InstReadPrinterNameValue(HANDLE printer, WCHAR* buffer, SETTING_CONTEXT* ctx) {
  if (!buffer) {
    if (!ctx || !ctx->work) return 0;
    buffer = ctx->work->textBuffer;
  }
  return InstReadPrinterNameValueTo(printer, buffer);
}

int InstReadPrinterNameValueTo(HANDLE printer, WCHAR* buffer) {
  if (!buffer) return 0;
  // Whatever a user stored there, the name stays within its 261 characters and ends in a zero.
  WCHAR name[kNameChars + 1] = {};
  DWORD type = 0, needed = 0;
  DWORD rc = GetPrinterDataW(printer, const_cast<LPWSTR>(u"ZARNPrinterName"), &type, reinterpret_cast<LPBYTE>(name),
                             kNameChars * sizeof(WCHAR), &needed);
  if (rc != ERROR_SUCCESS) return 0;
  name[kNameChars - 1] = 0;
  kvp::WCopy(buffer, kNameChars, name);
  return 1;
}

int UiWriteRegistryValue(const WCHAR* subKey, const WCHAR* valueName, const void* data, DWORD bytes, DWORD type) {
  if (!subKey || !valueName) return 0;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_WRITE | KEY_READ, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return 0;
  LSTATUS rc = RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), bytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 1 : 0;
}

int InstWriteDriverRegistryValue(const WCHAR* valueName, const WCHAR* data, DWORD bytes) {
  return UiWriteRegistryValue(kDriverKey, valueName, data, bytes, REG_SZ);
}
