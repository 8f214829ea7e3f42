// Bidi state in printer data and in the bidi INI, the status-service test, the reload of device
// settings at context creation and the mirroring of a server printer's value.
#include "config/bidi_state.h"

#include <cstring>
#include <string>

#include "config/device_settings.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "config/resource_strings.h"
#include "config/settings_file.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/library_hooks.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"

namespace {

constexpr const WCHAR* kFlag = u"BidiFlag";
constexpr const WCHAR* kFunc = u"BidiFunc";
constexpr const WCHAR* kExFlag = u"BidiExFlag";
// Settings-file transfer flag that selects the device settings.
constexpr DWORD kDeviceSettingsFlags = 0x100;

// The bidi INI path and the printer's section; false (nothing to do) when the path cannot be built.
struct BidiIni {
  WCHAR path[CFG_MAX_PATH] = {};
  const WCHAR* section = nullptr;
  explicit BidiIni(SETTING_CONTEXT* ctx) {
    if (!ctx) return;
    CfgMakeDataFilePath(path, CFG_MAX_PATH, u"kvbidi.ini", ctx);
    section = CfgGetPrinterName(ctx);
  }
  bool ok() const { return path[0] && section && section[0]; }
  int Get(const WCHAR* key, int def) const { return CfgIniGetInt(section, key, def, path); }
  void Put(const WCHAR* key, const WCHAR* value) const { CfgIniWriteString(section, key, value, path); }
};

bool IsServerConnection(SETTING_CONTEXT* ctx) { return StgGetValue(ctx, sid::rdmServerClientMode, nullptr) == 1; }

}  // namespace

// ---- Printer data.

bool BidiReadFlagValue(HANDLE printer, DWORD* value, SETTING_CONTEXT*) {
  DWORD v = 0;
  if (!value || !CfgGetPrinterDataValue(printer, &v, sizeof(v), kFlag)) return false;
  *value = v;
  return true;
}

bool BidiGetPrinterFlag(HANDLE printer, SETTING_CONTEXT* ctx) {
  DWORD v = 0;
  return BidiReadFlagValue(printer, &v, ctx) && (v & 1);
}

bool BidiWriteFlagValue(HANDLE printer, DWORD value, SETTING_CONTEXT*) {
  return CfgSetPrinterDataBinary(printer, &value, sizeof(value), kFlag) != FALSE;
}

bool BidiWriteFuncValue(HANDLE printer, BYTE value, SETTING_CONTEXT*) {
  return CfgSetPrinterDataBinary(printer, &value, sizeof(value), kFunc) != FALSE;
}

bool BidiTouchFlag(SETTING_CONTEXT* ctx) {
  if (!ctx) return false;
  DWORD v = 0;
  return BidiReadFlagValue(ctx->printer, &v, ctx) && BidiWriteFlagValue(ctx->printer, v, ctx);
}

// ---- Bidi INI.

bool BidiIniHasFlag(SETTING_CONTEXT* ctx) {
  BidiIni ini(ctx);
  return ini.ok() && ini.Get(kFlag, 7) != 7;
}

bool BidiIniFlagSet(SETTING_CONTEXT* ctx) {
  BidiIni ini(ctx);
  return ini.ok() && ini.Get(kFlag, 0) != 0;
}

int BidiIniWriteFlag(SETTING_CONTEXT* ctx, bool on) {
  BidiIni ini(ctx);
  if (!ini.ok()) return 0;
  ini.Put(kFlag, on ? u"1" : u"0");
  return 1;
}

int BidiIniWriteFunc(SETTING_CONTEXT* ctx, DWORD value) {
  BidiIni ini(ctx);
  if (!ini.ok()) return 0;
  ini.Put(kFunc, kvp::FromUtf8(std::to_string(value & 0xFF)).c_str());
  return 1;
}

int BidiIniWriteExFlag(SETTING_CONTEXT* ctx, bool on) {
  BidiIni ini(ctx);
  if (!ini.ok()) return 0;
  ini.Put(kExFlag, on ? u"1" : u"0");
  return 1;
}

int BidiIniLoadFunc(SETTING_CONTEXT* ctx) {
  BidiIni ini(ctx);
  if (!ini.ok()) return 0;
  StgSetValue(ctx, sid::rdmBidiFunc, DWORD(ini.Get(kFunc, 0)) & 0xFF);
  return 1;
}

bool BidiIniStoreResults(SETTING_CONTEXT* ctx) {
  BidiIni ini(ctx);
  if (!ini.ok()) return false;
  bool written = CfgWriteSettingsFile(ctx->printer, ini.path, kDeviceSettingsFlags, ctx) != 0;
  BidiIniWriteFlag(ctx, true);
  BidiIniWriteFunc(ctx, DWORD(StgGetValue(ctx, sid::rdmBidiFunc, nullptr)));
  BidiIniWriteExFlag(ctx, true);
  return written;
}

bool BidiLoadIniSettings(SETTING_CONTEXT* ctx) {
  BidiIni ini(ctx);
  if (!ini.ok()) return false;
  bool read = CfgReadSettingsFile(ctx->printer, ini.path, kDeviceSettingsFlags, ctx) != 0;
  BidiIniLoadFunc(ctx);
  return read;
}

int BidiClearIniSection(SETTING_CONTEXT* ctx) {
  BidiIni ini(ctx);
  if (!ini.ok()) return 0;
  CfgIniWriteString(ini.section, nullptr, nullptr, ini.path);
  return 1;
}

// ---- Status service.

namespace {

// The service's registry flag and library, by the feature bit that names it; none without either bit.
struct ServiceNames {
  const WCHAR* flag;
  const WCHAR* library;
};
ServiceNames ServiceOfModel() {
  if (StgIsFeatureBitSet(7)) return {u"KVBIDI_FLG", u"KVBIDISS.dll"};
  if (StgIsFeatureBitSet(0)) return {u"TELVAN_FLG", u"TELVANSV.dll"};
  return {nullptr, nullptr};
}

}  // namespace

bool BidiStatusServiceDllPath(WCHAR* dest, DWORD cch, SETTING_CONTEXT*) {
  if (!dest || !cch) return false;
  dest[0] = 0;
  ServiceNames names = ServiceOfModel();
  if (!names.library) return false;
  CfgMakeSystemDirPath(dest, cch, names.library);
  return dest[0] != 0;
}

bool BidiStatusServicePresent(SETTING_CONTEXT* ctx) {
  ServiceNames names = ServiceOfModel();
  if (!names.flag) return false;
  DWORD flag = 0;
  if (!CfgReadHklmValue(u"Software\\KAVRO\\Dira Vezaruv Evaruv", names.flag, &flag, sizeof(flag)) || flag != 1)
    return false;
  WCHAR path[CFG_MAX_PATH];
  return BidiStatusServiceDllPath(path, CFG_MAX_PATH, ctx) && CfgFileExists(path);
}

int BidiStatusServiceState(SETTING_CONTEXT* ctx) {
  if (!ctx || !StgIsTerminalServerMode(ctx->printer) || !BidiStatusServicePresent(ctx)) return BIDI_SERVICE_NONE;
  DWORD connected = 0;
  return CfgGetPrinterDataValue(ctx->printer, &connected, sizeof(connected), u"TelvanConnection") && connected == 1
             ? BIDI_SERVICE_CONNECTED
             : BIDI_SERVICE_NOT_CONNECTED;
}

// ---- Context life.

int CfgReloadDeviceSettingsCommon(SETTING_CONTEXT* ctx) {
  if (!ctx) return 1;
  CfgLoadDeviceSettings(ctx->printer, -1, ctx);
  if (IsServerConnection(ctx) || !BidiIniFlagSet(ctx)) return 1;
  // Results a user without write rights parked: take them, and move them into printer data when this
  // user may write there.
  BidiLoadIniSettings(ctx);
  if (BidiTouchFlag(ctx)) {
    CfgSaveDeviceSettings(ctx->printer, ctx, STG_BLOCK_DEVICE, CFG_SAVE_FORCE | CFG_SAVE_DEVICE_ONLY);
    BidiClearIniSection(ctx);
  }
  return 1;
}

// ---- Server printers.

BOOL CfgMirrorPrinterDataValue(HANDLE printer, const WCHAR* valueName, DWORD* type, void* dest, DWORD expectedSize,
                               DWORD* size, DWORD registryType, KV_CONFIG_FUNCS* funcs) {
  if (!valueName || !funcs || !funcs->KVGetPrinterDataSize || !funcs->KVGetPrinterData) return FALSE;
  CfgWideToAnsi(funcs->keyName, u"PrinterDriverData", sizeof(funcs->keyName));
  CfgWideToAnsi(funcs->valueName, valueName, sizeof(funcs->valueName));
  DWORD bytes = 0;
  if (funcs->KVGetPrinterDataSize(funcs->connection, funcs->serverType, funcs->serverPrinterName, funcs->keyName,
                                  funcs->valueName, &bytes) != 0)
    return FALSE;
  // Only a value of exactly the expected size reaches the caller's buffer.
  auto* buf = static_cast<BYTE*>(StgAllocZero(bytes ? bytes : 1));
  if (!buf) return FALSE;
  BOOL ok = funcs->KVGetPrinterData(funcs->connection, funcs->serverType, funcs->serverPrinterName, funcs->keyName,
                                    funcs->valueName, bytes, buf) == 0 &&
            bytes == expectedSize;
  if (ok) {
    SetPrinterDataW(printer, const_cast<LPWSTR>(valueName), registryType, buf, bytes);
    if (type) *type = registryType;
    if (dest && bytes) std::memcpy(dest, buf, bytes);
    if (size) *size = bytes;
  }
  StgFree(buf);
  return ok;
}
