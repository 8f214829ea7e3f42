// Printer-data and registry accessors.
#include "config/printer_data.h"

#include <cstring>

#include "kvplat/error.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/model_tables.h"
#include "settings/platform_queries.h"
#include "settings/store.h"

BOOL CfgGetPrinterDataValue(HANDLE printer, void* buffer, DWORD size, const WCHAR* valueName) {
  if (!buffer || !size || !valueName) return FALSE;
  DWORD type = 0, needed = 0;
  return GetPrinterDataW(printer, const_cast<LPWSTR>(valueName), &type, static_cast<LPBYTE>(buffer), size,
                         &needed) == ERROR_SUCCESS;
}

BOOL CfgSetPrinterDataTyped(HANDLE printer, const void* buffer, DWORD size, DWORD type, const WCHAR* valueName) {
  if (!buffer || !size || !valueName) return FALSE;
  return SetPrinterDataW(printer, const_cast<LPWSTR>(valueName), type,
                         static_cast<LPBYTE>(const_cast<void*>(buffer)), size) == ERROR_SUCCESS;
}

BOOL CfgSetPrinterDataBinary(HANDLE printer, const void* buffer, DWORD size, const WCHAR* valueName) {
  return CfgSetPrinterDataTyped(printer, buffer, size, REG_BINARY, valueName);
}

BOOL CfgGetHelpFileName(WCHAR* dest, DWORD bytes, SETTING_CONTEXT* ctx) {
  if (!dest || bytes < sizeof(WCHAR) || !ctx) return FALSE;
  std::memset(dest, 0, bytes);
  BOOL ok = CfgGetPrinterDataValue(ctx->printer, dest, bytes, u"HelpFileName");
  dest[bytes / sizeof(WCHAR) - 1] = 0;
  return ok;
}

BOOL CfgReadHklmValue(const WCHAR* keyPath, const WCHAR* valueName, void* buffer, DWORD bytes) {
  if (!keyPath || !buffer || !bytes) return FALSE;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
  DWORD type = 0, size = bytes;
  LSTATUS rc = RegQueryValueExW(key, valueName, nullptr, &type, static_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

BOOL CfgReadDriverRegValue(const WCHAR* valueName, void* buffer, DWORD bytes) {
  if (!valueName) return FALSE;
  return CfgReadHklmValue(u"SOFTWARE\\KAVRO\\ZarnDrv", valueName, buffer, bytes);
}

int CfgIsCompanionInstalled(DWORD kind, SETTING_CONTEXT*) {
  const WCHAR* key = nullptr;
  const WCHAR* value = nullptr;
  if (kind == CFG_COMPANION_JOB_BINDER) {
    key = u"Software\\KAVRO\\TaskBlend\\JobBinder";
    value = u"INSTALL_COUNT";
  } else if (kind == CFG_COMPANION_PREVIEW) {
    key = u"Software\\KAVRO\\TaskBlend\\Preview";
    value = u"VERSION";
  } else {
    return 0;
  }
  DWORD v = 0;
  return CfgReadHklmValue(key, value, &v, sizeof(v)) && v != 0 ? 1 : 0;
}

int CfgAdoptPrinterDefaultDevmode(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(ctx->printer, 2));
  if (!info) return 0;
  const DEVMODEW* dm = info->pDevMode;
  bool fits = dm && dm->dmSize == STG_DEVMODE_PUBLIC_SIZE && dm->dmDriverExtra == STG_DEVMODE_PRIVATE_SIZE;
  if (fits) std::memcpy(ctx->store->bytes, dm, STG_DEVMODE_SIZE);
  StgFree(info);
  return fits && StgIsSameLayoutDevmode(StgGetDevmode(ctx)) ? 1 : 0;
}
