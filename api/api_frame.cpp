// The driver-API frame: connections, versions, id limits, masks, last error and the frame's exports.
#include "api_frame.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "api_caps.h"
#include "api_devmode.h"
#include "api_services.h"
#include "api_status.h"
#include "api_tables.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "kvplat/codepage.h"
#include "kvplat/sync.h"
#include "settings/access.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/undo.h"
#include "settings/units.h"

namespace {

// What a new connection starts from. ZARNDrvCheckAPIVer sets the maximum (and a current version of 3 or
// less); ZARNDrvEnable builds the masks for the printer it opens.
struct API_GLOBALS {
  BYTE capsMask[API_MASK_BYTES];
  BYTE statusMask[API_MASK_BYTES];
  int currentVersion;
  int maxVersion;
};
API_GLOBALS g_api = {{}, {}, API_VERSION_DEFAULT, API_VERSION_MAX};

// The handle table. Guarded by its own lock so that two threads can never corrupt it; a connection
// itself is used from one thread at a time.
CRITICAL_SECTION g_tableLock;
bool g_tableLockReady = false;
std::map<API_HANDLE, API_CONNECTION*>* g_connections = nullptr;
API_HANDLE g_nextHandle = 1;

class TableLock {
 public:
  TableLock() {
    if (g_tableLockReady) EnterCriticalSection(&g_tableLock);
  }
  ~TableLock() {
    if (g_tableLockReady) LeaveCriticalSection(&g_tableLock);
  }
};

std::map<API_HANDLE, API_CONNECTION*>& Connections() {
  if (!g_connections) g_connections = new std::map<API_HANDLE, API_CONNECTION*>();
  return *g_connections;
}

int ClampToTable(int version) { return std::clamp(version, 0, API_LIMIT_ROWS - 1); }

// Frees everything a connection holds; its context goes at once (released, then every cached context
// purged so that nothing of it waits for reuse).
void FreeConnection(API_CONNECTION* conn) {
  if (!conn) return;
  if (conn->ctx) {
    if (conn->ctx->work && conn->ctx->work->apiState == &conn->state) conn->ctx->work->apiState = nullptr;
    StgFreeContext(conn->ctx);
    StgPurgeContextCache(1);
  }
  StgFree(conn->nodeSnapshot);
  StgFree(conn->savedStore);
  StgFree(conn);
}

// The file-name part of a path: after its last backslash.
WCHAR* FileNamePart(WCHAR* path) {
  WCHAR* slash = nullptr;
  for (WCHAR* p = path; *p; ++p)
    if (*p == u'\\') slash = p;
  return slash ? slash + 1 : path;
}

// The API's quality entry 128: entry 0's file with the character before the extension's '.' replaced by
// 'y', named by resource string 922. Only a '.' inside the file-name part, after its first character,
// counts: a '.' at its start or in a folder name changes nothing. False only when out of memory.
bool WriteApiQualityEntry(SETTING_CONTEXT* ctx) {
  WCHAR* text = static_cast<WCHAR*>(StgAllocZero(520));
  if (!text) return false;
  const WCHAR* section = CfgGetPresetSection(ctx);
  const WCHAR* ini = CfgGetIniPath(ctx);
  WCHAR key[64];
  CfgIniGetString(section, CfgFormatQualityKey(key, 0), u"", text, 260, ini);
  WCHAR* name = FileNamePart(text);
  WCHAR* dot = nullptr;
  for (WCHAR* p = name + 1; *name && *p; ++p)
    if (*p == u'.') dot = p;
  if (dot) {
    dot[-1] = u'y';
    CfgFormatQualityKey(key, 128);
    CfgIniWriteString(section, key, text, ini);
    WCHAR title[261] = {};
    CfgLoadString(ctx, 922, title, 261, 0);
    size_t n = std::char_traits<char16_t>::length(key);
    std::memcpy(key + n, u"Name", 5 * sizeof(WCHAR));
    CfgIniWriteString(section, key, title, ini);
  }
  StgFree(text);
  return true;
}

// The API's stamp 256: stamp 0 without its text, saved once.
void EnsureApiStamp(SETTING_CONTEXT* ctx) {
  if (ApiHasApiStampSlot(ctx)) return;
  StgPushUndo(ctx);
  CfgLoadStamp(ctx, 0);
  if (ITEM_DESC* row = StgFindItem(ctx, sid::wdmWmCharName)) StgSetString(ctx, row, u"");
  CfgSaveStamp(ctx, 256);
  StgPopUndo(ctx, 1);
}

}  // namespace

void ApiLibraryAttach() {
  InitializeCriticalSection(&g_tableLock);
  g_tableLockReady = true;
  StgInitLibraryLocks();
}

void ApiLibraryDetach() {
  // Connections a caller never closed cannot be reached once the library is gone: free them first.
  std::map<API_HANDLE, API_CONNECTION*> left;
  {
    TableLock lock;
    if (g_connections) left.swap(*g_connections);
    delete g_connections;
    g_connections = nullptr;
  }
  for (auto& [h, conn] : left) FreeConnection(conn);
  // Every release of this library purges the context caches at once (FreeConnection), so there is no
  // cached context left to purge here. That matters when the library goes last at process exit, after
  // the platform has let go of its own state.
  ImgFreeCache();
  StgFreeLibraryLocks();
  if (g_tableLockReady) {
    g_tableLockReady = false;
    DeleteCriticalSection(&g_tableLock);
  }
}

API_CONNECTION* ApiFindConnection(API_HANDLE handle) {
  if (handle == 0) return nullptr;
  TableLock lock;
  if (!g_connections) return nullptr;
  auto it = g_connections->find(handle);
  return it == g_connections->end() ? nullptr : it->second;
}

API_CONNECTION* ApiConnectionOf(const SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work || !ctx->work->apiState) return nullptr;
  // The work area points at the connection's first member.
  API_CONNECTION* conn = reinterpret_cast<API_CONNECTION*>(ctx->work->apiState);
  return conn->ctx == ctx ? conn : nullptr;
}

int ApiConnectionCount() {
  TableLock lock;
  return g_connections ? (int)g_connections->size() : 0;
}

int ApiGetVersion(const SETTING_CONTEXT* ctx) {
  const API_CONNECTION* conn = ApiConnectionOf(ctx);
  return conn ? conn->version : g_api.currentVersion;
}

int ApiGetMaxVersion(const SETTING_CONTEXT* ctx) {
  const API_CONNECTION* conn = ApiConnectionOf(ctx);
  return conn ? conn->maxVersion : g_api.maxVersion;
}

int ApiProcessVersion() { return g_api.currentVersion; }
int ApiProcessMaxVersion() { return g_api.maxVersion; }

int ApiStatusIdLimit(const SETTING_CONTEXT* ctx, int which) {
  const API_ID_LIMIT& lim = ApiGetStatusIdLimits()[ClampToTable(ApiGetVersion(ctx))];
  return which == 0 ? lim.low : lim.high;
}

int ApiCapsIdLimit(const SETTING_CONTEXT* ctx, int which) {
  const API_ID_LIMIT& lim = ApiGetCapsIdLimits()[ClampToTable(ApiGetVersion(ctx))];
  if (which == 0) return lim.low;
  if (which == 1) return lim.high;
  return 1;
}

const CAPS_ROW* ApiFindCapsRow(const SETTING_CONTEXT* ctx, DWORD id) { return ApiFindCapsRowAt(ApiGetVersion(ctx), id); }
const STATUS_ROW* ApiFindStatusRow(const SETTING_CONTEXT* ctx, DWORD id) {
  return ApiFindStatusRowAt(ApiGetVersion(ctx), id);
}

bool ApiIsItemSupported(const SETTING_CONTEXT* ctx, int kind, DWORD id) {
  if (kind == 0 && ApiFindExtraCapsRow(id)) return true;
  if (id < 1 || id > 512) return false;
  const API_CONNECTION* conn = ApiConnectionOf(ctx);
  const BYTE* mask = kind == 0 ? (conn ? conn->capsMask : g_api.capsMask) : (conn ? conn->statusMask : g_api.statusMask);
  return ApiMaskHas(mask, id);
}

void ApiBuildItemMasks(SETTING_CONTEXT* ctx, int version, BYTE* capsMask, BYTE* statusMask) {
  BYTE model[API_MASK_BYTES];
  std::memset(capsMask, 0, API_MASK_BYTES);
  std::memset(statusMask, 0, API_MASK_BYTES);
  ApiModelItemMask(ctx, 0, model);
  for (DWORD id = 1; id <= 282; ++id) {
    const CAPS_ROW* row = ApiFindCapsRowAt(version, id);
    if (row && row->id == id && row->enabled && ApiMaskHas(model, id)) ApiMaskSet(capsMask, id);
  }
  ApiModelItemMask(ctx, 1, model);
  for (DWORD id = 1; id <= 269; ++id) {
    const STATUS_ROW* row = ApiFindStatusRowAt(version, id);
    if (row && row->enabled && ApiMaskHas(model, id)) ApiMaskSet(statusMask, id);
  }
}

int ApiSetLastError(API_HANDLE handle, DWORD code) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn || conn->version < 9) return 0;
  conn->state.lastError = code;
  return 1;
}

int ApiSetContextError(SETTING_CONTEXT* ctx, DWORD code) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  return conn ? ApiSetLastError(conn->handle, code) : 0;
}

bool ApiNameToWide(const char* name, WCHAR* out, int capacity) {
  if (!name || !*name || !out || capacity <= 0) return false;
  int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
  if (n <= 0 || n > capacity) return false;
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, out, capacity) == n;
}

int ApiOpenPrinter(API_HANDLE handle, HANDLE* out, PRINTER_DEFAULTSW* defaults) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn || !conn->ctx || !conn->ctx->work || !conn->ctx->work->printerName[0]) return 0;
  HANDLE printer = nullptr;
  if (!OpenPrinterW(conn->ctx->work->printerName, &printer, defaults) || !printer) return 0;
  conn->ctx->printer = printer;
  conn->ctx->printer2 = printer;
  if (out) *out = printer;
  return 1;
}

void ApiClosePrinter(HANDLE printer) {
  if (printer) ClosePrinter(printer);
}

void ApiGetDriverDirPrefix(HANDLE printer, WCHAR* buffer, int size) {
  auto* info = static_cast<DRIVER_INFO_3W*>(StgGetPrinterDriverInfo(printer, 3));
  if (!info) return;
  if (info->pDriverPath) {
    const WCHAR* path = info->pDriverPath;
    int last = -1;
    for (int i = 0; path[i]; ++i)
      if (path[i] == u'\\') last = i;
    if (last >= 0 && last + 1 < size) {
      std::memcpy(buffer, path, (last + 1) * sizeof(WCHAR));
      buffer[last + 1] = 0;
    }
  }
  StgFree(info);
}

void ApiGetModelIniPath(HANDLE printer, WCHAR* buffer, int size) {
  if (!buffer || size <= 0) return;
  buffer[0] = 0;
  const WCHAR* name = StgGetTemplateContext()->model->modelIniName;
  size_t len = std::char_traits<char16_t>::length(name);
  if (len >= 2 && name[1] == u':') {
    if ((int)len < size) std::memcpy(buffer, name, (len + 1) * sizeof(WCHAR));
    return;
  }
  // Without the driver's folder the path stays empty: a bare file name would be looked up wherever the
  // caller happens to run, which may be another model's file.
  ApiGetDriverDirPrefix(printer, buffer, size);
  size_t have = std::char_traits<char16_t>::length(buffer);
  if (have == 0) return;
  if ((int)(have + len) >= size) {
    buffer[0] = 0;
    return;
  }
  std::memcpy(buffer + have, name, (len + 1) * sizeof(WCHAR));
}

int ApiReadModelIniInt(const char* printerName, const WCHAR* section, const WCHAR* key) {
  WCHAR wide[257];
  if (!ApiNameToWide(printerName, wide, 257)) return -1;
  HANDLE printer = nullptr;
  if (!OpenPrinterW(wide, &printer, nullptr) || !printer) return -1;
  WCHAR path[261];
  ApiGetModelIniPath(printer, path, 261);
  ClosePrinter(printer);
  if (!path[0]) return -1;
  // A value that is not a number counts as absent.
  WCHAR text[32];
  CfgIniGetString(section, key, u"", text, 32, path);
  const WCHAR* p = text;
  while (*p == u' ' || *p == u'\t') ++p;
  if (*p == u'-' || *p == u'+') ++p;
  if (*p < u'0' || *p > u'9') return -1;
  return CfgIniGetInt(section, key, -1, path);
}

API_HANDLE ApiOpenHandle(const char* printerName) {
  WCHAR wide[261];
  if (!ApiNameToWide(printerName, wide, 261)) return 0;
  HANDLE printer = nullptr;
  if (!OpenPrinterW(wide, &printer, nullptr) || !printer) return 0;

  // The spooler's default DEVMODE is asked for and dropped, as the printer's driver expects to be asked
  // once before anyone else builds settings. A size query that fails is no reason to refuse the open.
  LONG size = DocumentPropertiesW(nullptr, printer, wide, nullptr, nullptr, 0);
  if (size > 0) {
    void* dm = StgAllocZero((DWORD)size);
    if (!dm) {
      ClosePrinter(printer);
      return 0;
    }
    DocumentPropertiesW(nullptr, printer, wide, static_cast<DEVMODEW*>(dm), nullptr, DM_OUT_BUFFER);
    StgFree(dm);
  }

  SETTING_CONTEXT* ctx = StgCreateContext(printer, printer, nullptr, STG_KIND_API);
  if (!ctx) {
    ClosePrinter(printer);
    return 0;
  }
  API_CONNECTION* conn = static_cast<API_CONNECTION*>(StgAllocZero(sizeof(API_CONNECTION)));
  if (!conn) {
    StgFreeContext(ctx);
    StgPurgeContextCache(1);
    ClosePrinter(printer);
    return 0;
  }
  conn->ctx = ctx;
  conn->version = g_api.currentVersion;
  conn->maxVersion = g_api.maxVersion;
  std::memcpy(conn->capsMask, g_api.capsMask, API_MASK_BYTES);
  std::memcpy(conn->statusMask, g_api.statusMask, API_MASK_BYTES);

  bool ok = true;
  ApiResetShiftIfUnsupported(ctx);
  std::char_traits<char16_t>::copy(ctx->work->printerName, wide, std::char_traits<char16_t>::length(wide) + 1);
  conn->nodeSnapshot = static_cast<API_NODE_STATE*>(
      StgAllocZero(sizeof(API_NODE_STATE) * API_SNAPSHOT_IDS * API_SNAPSHOT_ENTRIES));
  conn->savedStore = static_cast<SETTING_STORE*>(StgAllocZero(StgGetStoreSize()));
  if (!conn->nodeSnapshot || !conn->savedStore || !ctx->store) ok = false;
  if (ok) {
    std::memcpy(conn->savedStore, ctx->store, StgGetStoreSize());
    conn->state.lastError = 0;
    ctx->work->apiState = &conn->state;
    // The chapter rows belong to the chapter module, which allocates them as the chapter limit asks.
    ctx->work->chapterDeviceLoaded = 0;
    StgRequestDeviceDataLoad(ctx);
    StgInitStateBytes(ctx);
    ApiSetOsKind(ctx);
    ok = WriteApiQualityEntry(ctx);
  }
  if (ok) {
    EnsureApiStamp(ctx);
    ApiBindSettingControl(sid::rdmPresetNo, ctx);
    ApiMarkLoadShareOptions(ctx);
    TableLock lock;
    auto& table = Connections();
    API_HANDLE h = g_nextHandle;
    while (h == 0 || table.count(h)) ++h;
    g_nextHandle = h + 1;
    conn->handle = h;
    table[h] = conn;
  }
  if (ctx->printer == printer) ctx->printer = nullptr;
  if (ctx->printer2 == printer) ctx->printer2 = nullptr;
  ClosePrinter(printer);
  if (!ok) {
    FreeConnection(conn);
    return 0;
  }
  return conn->handle;
}

int ApiCloseHandle(API_HANDLE handle) {
  API_CONNECTION* conn = nullptr;
  {
    TableLock lock;
    if (handle == 0 || !g_connections) return 1;
    auto it = g_connections->find(handle);
    if (it == g_connections->end()) return 1;
    conn = it->second;
    g_connections->erase(it);
  }
  FreeConnection(conn);
  return 1;
}

// ---- Exports of the frame ----

namespace {

// The version step of ZARNDrvCheckAPIVer: false (nothing changed) for a name that is refused or names no
// printer; otherwise the model's highest version, which becomes what new connections start from.
bool CheckApiVersion(const char* printerName, int* version) {
  WCHAR wide[257];
  if (!ApiNameToWide(printerName, wide, 257)) return false;
  HANDLE printer = nullptr;
  if (!OpenPrinterW(wide, &printer, nullptr) || !printer) return false;
  ClosePrinter(printer);
  int v = ApiReadModelIniInt(printerName, u"ZARNAPI", u"ZARNAPIVer");
  if (v < 0) v = API_VERSION_DEFAULT;  // absent, unreadable, not a number or negative
  if (v > API_VERSION_MAX) v = API_VERSION_MAX;
  g_api.maxVersion = v;
  if (v <= API_VERSION_DEFAULT) g_api.currentVersion = v;
  *version = v;
  return true;
}

}  // namespace

extern "C" {

KVEXC_API int32_t ZARNDrvCheckAPIVer(const char* printerName) {
  int v = 0;
  return CheckApiVersion(printerName, &v) ? v : 0;
}

KVEXC_API API_HANDLE ZARNDrvEnable(const char* printerName) {
  int v = 0;
  if (!CheckApiVersion(printerName, &v)) return 0;
  ApiBuildItemMasks(nullptr, g_api.maxVersion, g_api.capsMask, g_api.statusMask);
  return ApiOpenHandle(printerName);
}

KVEXC_API int32_t ZARNDrvInit(API_HANDLE handle, const API_INIT_RECORD* record) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn || !record || record->version < 0) return 0;
  conn->version = std::min(conn->maxVersion, (int)record->version);
  return 1;
}

KVEXC_API int32_t ZARNDrvDisable(API_HANDLE handle) { return ApiCloseHandle(handle); }

KVEXC_API int32_t ZARNDrvGetLastError(API_HANDLE handle) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn || conn->version < 9) return -1;
  return (int32_t)conn->state.lastError;
}

KVEXC_API int32_t ZARNDrvGetCaps(API_HANDLE handle, uint32_t id, void* buffer) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn) return -1;
  if (id == 0) return ApiGetStatusIdMap(handle, buffer);
  if (id == 0x80000001u) return ApiBuildAllCaps(handle, buffer);
  if (id == 0x80000002u) return ApiFreeAllCaps(handle, buffer);
  if (!ApiIsItemSupported(conn->ctx, 0, id)) return 0;
  return ApiRunGetCaps(handle, id, buffer);
}

KVEXC_API int32_t ZARNDrvSetStatus(API_HANDLE handle, uint32_t id, void* record, void* changed, int32_t mode) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn) return -1;
  if (!ApiIsItemSupported(conn->ctx, 1, id)) {
    ApiSetLastError(handle, API_ERROR_UNSUPPORTED);
    return -1;
  }
  return ApiRunSetStatus(handle, id, record, static_cast<BYTE*>(changed), mode);
}

KVEXC_API int32_t ZARNDrvGetStatus(API_HANDLE handle, uint32_t id, void* record, uint32_t version) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn) return -1;
  if (!ApiIsItemSupported(conn->ctx, 1, id)) {
    ApiSetLastError(handle, API_ERROR_UNSUPPORTED);
    return -1;
  }
  return ApiRunGetStatus(handle, id, record, version);
}

}  // extern "C"
