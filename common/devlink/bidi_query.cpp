// The device query: switches, binding of the bidi library for one query, the model check, the full and
// light query sets, the error map and the bookkeeping of the outcome.
#include "devlink/bidi_query.h"
#include "settings/library_hooks.h"

#include <cstring>
#include <string>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/ini.h"
#include "config/paths.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/api_state.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"

namespace {

constexpr DWORD kModelChars = 33;
// Last error with which a refused query handle or query set still counts as granted.
constexpr DWORD kBidiPending = 102;

// The driver INI's region switch `key` (default 1); off for a driver INI without a drive-letter path.
bool RegionSwitch(SETTING_CONTEXT* ctx, const WCHAR* key) {
  const WCHAR* ini = ctx ? CfgGetIniPath(ctx) : nullptr;
  if (!ini || !ini[0] || ini[1] != u':') return false;
  return CfgIniGetInt(CfgGetRegionSection(ctx), key, 1, ini) != 0;
}

// One query's binding of the bidi library: its own entry table and module reference, so that no other
// query can rebind the table or free the library under it.
struct BidiBinding {
  HMODULE module = nullptr;
  BIDI_API api{};

  bool Bind(SETTING_CONTEXT* ctx, WORD queryFlags) {
    if ((queryFlags & BIDI_QF_WIN9X_NAME) && StgIsWin9x()) {
      module = LoadLibraryW(u"kvbidi32.dll");
    } else {
      WCHAR path[CFG_MAX_PATH] = {};
      const WCHAR* built = CfgMakeDriverFilePath(ctx, u"kvbidi64.dll");
      if (built) kvp::WCopy(path, CFG_MAX_PATH, built);
      module = path[0] ? LoadLibraryW(path) : nullptr;
    }
    if (!module) return false;
    auto init = reinterpret_cast<PFN_KavroInitializeBidiApiV2W>(GetProcAddress(module, "KavroInitializeBidiApiV2W"));
    if (!init) return false;
    init(&api);
    // A library that leaves an entry we call empty cannot be driven.
    return api.open && api.close && api.openQuery && api.addQuerySet && api.deviceModel && api.readItem &&
           api.readSetItem;
  }
  ~BidiBinding() {
    if (module) FreeLibrary(module);
  }
};

bool SameText(const WCHAR* a, const WCHAR* b) { return std::u16string_view(a) == std::u16string_view(b); }

// The device's model is admitted: with the model check on, it must be named by one of the model lists
// ("Models%d", numbered from 1) or, when there are none, equal the driver's own model name. With the
// check off any device is admitted.
bool ModelAdmitted(SETTING_CONTEXT* ctx, const WCHAR* deviceModel, const WCHAR* driverModel) {
  if (!BidiIsModelCheckOn(ctx)) return true;
  const WCHAR* ini = CfgGetModelIniPath(ctx);
  const WCHAR* driver = CfgGetDriverName(ctx);
  if (ini && ini[0] && driver && driver[0]) {
    for (int i = 1; i < 10000; ++i) {
      std::u16string section = u"Models" + kvp::FromUtf8(std::to_string(i));
      WCHAR listed[kModelChars] = {};
      CfgIniGetString(section.c_str(), driver, u"", listed, kModelChars, ini);
      if (!listed[0]) {
        if (i > 1) return false;  // the lists ended without naming the device
        break;
      }
      if (SameText(listed, deviceModel)) return true;
    }
  }
  return SameText(deviceModel, driverModel);
}

void SetBiDirect(SETTING_CONTEXT* ctx, DWORD on) { StgSetValue(ctx, sid::rdmBiDirect, on); }

bool CustomPaperQueryOn(SETTING_CONTEXT* ctx) { return CfgIsCustomMediaOn(ctx) && StgIsFeatureBitSet(11); }

}  // namespace

bool BidiIsSupported(SETTING_CONTEXT* ctx) { return RegionSwitch(ctx, u"bIsBIDISupportForZARN"); }

bool BidiIsModelCheckOn(SETTING_CONTEXT* ctx) { return RegionSwitch(ctx, u"bIsBIDISupportForZARNModel"); }

int BidiSetStateFromSupport(SETTING_CONTEXT* ctx) {
  SetBiDirect(ctx, BidiIsSupported(ctx) ? 1 : 0);
  return 1;
}

bool BidiEnsureQueried(SETTING_CONTEXT* ctx, bool mayQuery) {
  if (!ctx) return false;
  bool stored = StgGetValue(ctx, sid::rdmServerClientMode, nullptr) != 1 && BidiIniHasFlag(ctx)
                    ? BidiIniFlagSet(ctx)
                    : BidiGetPrinterFlag(ctx->printer, ctx);
  if (stored) return BidiSetStateFromSupport(ctx) != 0;
  if (mayQuery) return BidiQueryDevice(ctx);
  SetBiDirect(ctx, 0);
  return false;
}

namespace {

// The device step; a query started with flag 1 shows the library's wait window while it runs.
bool QueryWithWaitWindow(WORD queryFlags, SETTING_CONTEXT* ctx) {
  if (!(queryFlags & BIDI_QF_CALLER_ARG)) return OpenBidiDevice(queryFlags, ctx);
  HWND wait = BidiShowWaitWindow(ctx, nullptr);
  bool result = OpenBidiDevice(queryFlags, ctx);
  if (wait) BidiCloseWaitWindow(nullptr, wait);
  return result;
}

}  // namespace

bool BidiQueryDevice(SETTING_CONTEXT* ctx) { return BidiRunQuery(ctx, nullptr, BIDI_QF_WIN9X_NAME); }

bool BidiQueryDeviceForState(SETTING_CONTEXT* ctx, void* arg) { return BidiRunQuery(ctx, arg, BIDI_QF_CALLER_ARG); }

bool BidiRunQuery(SETTING_CONTEXT* ctx, void*, WORD queryFlags) {
  if (!ctx || !ctx->work) return false;
  if ((StgIsFeatureBitSet(0) || StgIsFeatureBitSet(7)) && BidiStatusServiceState(ctx) == BIDI_SERVICE_CONNECTED)
    return true;  // the maker's status service owns the channel
  ITEM_DESC* systemRow = StgFindItem(ctx, sid::rdmSystemVersion);
  ITEM_DESC* emulationRow = StgFindItem(ctx, sid::rdmEmulationVersion);
  void* systemBuf = StgAllocZero(systemRow ? StgTypeLength(systemRow->type) + 1 : 1);
  void* emulationBuf = StgAllocZero(emulationRow ? StgTypeLength(emulationRow->type) + 1 : 1);
  bool result = false;
  if (!systemBuf || !emulationBuf) {
    SetBiDirect(ctx, 0);
  } else if (!BidiIsSupported(ctx)) {
    SetBiDirect(ctx, 0);
    result = true;
  } else if (!StgIsBidiEnabled(ctx) || !BidiProbeDevice(ctx, queryFlags)) {
    SetBiDirect(ctx, 0);
  } else if (QueryWithWaitWindow(queryFlags, ctx)) {
    HANDLE printer = ctx->printer;
    BidiWriteFlagValue(printer, 1, ctx);
    BidiWriteFuncValue(printer, BYTE(StgGetValue(ctx, sid::rdmBidiFunc, nullptr)), ctx);
    SetBiDirect(ctx, 1);
    if (BidiTouchFlag(ctx))
      BidiClearIniSection(ctx);
    else if (StgGetValue(ctx, sid::rdmServerClientMode, nullptr) != 1)
      BidiIniStoreResults(ctx);
    result = true;
  } else {
    SetBiDirect(ctx, 0);
  }
  if (!result && systemBuf && emulationBuf) {
    StgSetValue(ctx, sid::rdmSystemVersion, 0);
    StgSetValue(ctx, sid::rdmEmulationVersion, 0);
  }
  StgFree(systemBuf);
  StgFree(emulationBuf);
  return result;
}

bool BidiProbeDevice(SETTING_CONTEXT* ctx, WORD queryFlags) {
  const WCHAR* printer = ctx ? CfgGetPrinterName(ctx) : nullptr;
  if (!printer) return false;
  BidiBinding link;
  if (!link.Bind(ctx, queryFlags)) return false;
  HANDLE device = nullptr;
  DWORD available = 0;
  bool opened = link.api.open(printer, &device, &available) != FALSE;
  if (opened) link.api.close(device);
  return opened && available;
}

bool OpenBidiDeviceCommon(WORD queryFlags, SETTING_CONTEXT* ctx) { return OpenBidiDeviceWith(queryFlags, ctx, true); }

int BidiReadConfigCommon(const BIDI_API*, HANDLE, HANDLE, SETTING_CONTEXT*) { return 1; }
int BidiReadOptionsCommon(const BIDI_API*, HANDLE, HANDLE, SETTING_CONTEXT*) { return 1; }
HWND BidiShowWaitWindowCommon(SETTING_CONTEXT*, HWND) { return nullptr; }
void BidiCloseWaitWindowCommon(HWND, HWND) {}

bool OpenBidiDeviceWith(WORD queryFlags, SETTING_CONTEXT* ctx, bool recordErrors) {
  auto record = [&] {
    if (recordErrors) BidiRecordError(ctx);
  };
  WCHAR driverModel[kModelChars] = {};
  const WCHAR* fromIni = ctx ? CfgGetModelNameFromModelIni(ctx) : nullptr;
  if (!fromIni) return false;
  kvp::WCopy(driverModel, kModelChars, fromIni);
  const WCHAR* printer = CfgGetPrinterName(ctx);
  BidiBinding link;
  if (!printer || !link.Bind(ctx, queryFlags)) return false;
  const BIDI_API* api = &link.api;
  HANDLE device = nullptr;
  DWORD available = 0;
  if (!api->open(printer, &device, &available)) {
    record();
    return false;
  }
  bool result = false;
  WCHAR deviceModel[kModelChars + 1] = {};
  if (!available) {
    record();
  } else if (!api->deviceModel(device, 0, deviceModel, kModelChars)) {
    record();
  } else {
    deviceModel[kModelChars - 1] = 0;  // the device's text, however long, ends in the buffer
    if (ModelAdmitted(ctx, deviceModel, driverModel)) {
      bool light = (queryFlags & BIDI_QF_LIGHT) != 0;
      DWORD flags = light ? BIDI_OPEN_LIGHT : BIDI_OPEN_FULL;
      if (!light && CustomPaperQueryOn(ctx)) flags |= BIDI_OPEN_CUSTOM_PAPER;
      HANDLE query = nullptr;
      DWORD out = 0;
      if (!api->openQuery(device, &query, flags, &out) && GetLastError() != kBidiPending) {
        record();
      } else {
        result = light ? BidiQueryLight(api, device, query, ctx) : BidiQueryAll(api, device, query, ctx);
      }
    }
  }
  api->close(device);
  return result;
}

bool BidiQueryAll(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx || !ctx->store) return false;
  BYTE* block = ctx->store->bytes + STG_DEVICE_BLOCK_OFFSET;
  auto* snapshot = static_cast<BYTE*>(StgAllocZero(STG_DEVICE_BLOCK_SIZE));
  if (!snapshot) return false;
  std::memcpy(snapshot, block, STG_DEVICE_BLOCK_SIZE);
  // The device reports what it has: every option and tray flag starts absent.
  for (DWORD n : {6u, 7u, 8u}) {
    const ALLOWED_VALUES_ROW* row = StgGetAllowedValuesRow(n);
    for (DWORD i = 0; row && i < row->count; ++i) StgSetValue(ctx, WORD(row->values[i]), 0);
  }
  bool ok = BidiQueryTrays(api, query, ctx) && BidiQueryOptions(api, query, ctx) &&
            BidiQueryMemory(api, query, ctx) && BidiQueryFirmware(api, query, ctx) &&
            (!CustomPaperQueryOn(ctx) || BidiQueryCustomPaper(api, query, ctx));
  if (!ok) {
    std::memcpy(block, snapshot, STG_DEVICE_BLOCK_SIZE);
  } else {
    StgBroadcastModuleEvent(ctx, STG_EVENT_QUERY_DONE, nullptr);
    BidiQueryStatus(api, device, query, ctx);
    BidiReadConfig(api, device, query, ctx);
    CfgSaveDeviceSettings(ctx->printer, ctx, STG_BLOCK_DEVICE, CFG_SAVE_DEVICE_ONLY);
  }
  StgFree(snapshot);
  return ok;
}

bool BidiQueryLight(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!BidiQueryFirmware(api, query, ctx)) return false;
  BidiQueryStatusLight(api, device, query, ctx);
  BidiReadOptions(api, device, query, ctx);
  return true;
}

// ---- Errors.

namespace {

struct BIDI_ERROR_ROW {
  DWORD systemCode;
  DWORD code;
};
// Ended by the row with error 0; an error without a row gives 200.
constexpr BIDI_ERROR_ROW kErrorMap[] = {
    {2, 200},  {7, 200},  {14, 201}, {10, 202}, {5, 200},  {103, 200}, {59, 200}, {101, 200}, {102, 0}, {55, 200},
    {56, 201}, {57, 200}, {8, 200},  {9, 200},  {58, 200}, {60, 200},  {1, 200},  {6, 200},   {17, 200}, {18, 200},
    {0, 0},
};
static_assert(sizeof(kErrorMap) / sizeof(kErrorMap[0]) == 21, "20 rows and the end row");

}  // namespace

DWORD BidiMapError(DWORD systemError) {
  for (const BIDI_ERROR_ROW* r = kErrorMap; r->systemCode; ++r)
    if (r->systemCode == systemError) return r->code;
  return 200;
}

DWORD BidiGetLastError(const BIDI_API*) { return GetLastError(); }

void BidiRecordError(SETTING_CONTEXT* ctx) {
  DWORD code = BidiMapError(GetLastError());
  if (ctx && ctx->work && ctx->work->apiState) ctx->work->apiState->lastError = code;
}
