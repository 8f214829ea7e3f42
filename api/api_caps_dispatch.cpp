// The capability dispatcher behind ZARNDrvGetCaps, and capability 0 (the map of supported status ids).
#include <climits>
#include <cstring>

#include "api_caps.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_tables.h"

namespace {

// Capabilities answered only while the setting of their row is shown on some dialog.
bool HasAvailabilityGuard(DWORD id) {
  switch (id) {
    case 8: case 55: case 61: case 64: case 65: case 70: case 72: case 75: case 126:
      return true;
    default:
      return id >= 262 && id <= 269;
  }
}

// Capabilities that a terminal-server session does not offer.
bool HasTerminalServerGuard(DWORD id) { return (id >= 49 && id <= 53) || (id >= 121 && id <= 123); }

// Holds the connection's printer open for one capability. The context's two printer fields are put back
// as they were when it closes, so a handler that asks another capability through the export (which opens
// and closes its own) never leaves the outer call holding a closed handle.
class CapsPrinter {
 public:
  CapsPrinter(API_CONNECTION* conn) : ctx_(conn->ctx), saved_(ctx_->printer), saved2_(ctx_->printer2) {
    if (!ApiOpenPrinter(conn->handle, &printer_, nullptr)) printer_ = nullptr;
  }
  ~CapsPrinter() {
    if (!printer_) return;
    ApiClosePrinter(printer_);
    ctx_->printer = saved_;
    ctx_->printer2 = saved2_;
  }
  CapsPrinter(const CapsPrinter&) = delete;
  CapsPrinter& operator=(const CapsPrinter&) = delete;
  bool ok() const { return printer_ != nullptr; }

 private:
  SETTING_CONTEXT* ctx_;
  HANDLE saved_;
  HANDLE saved2_;
  HANDLE printer_ = nullptr;
};

// The capacity of the fill in progress on this thread; a nested capability call keeps its own.
thread_local int t_room = INT_MAX;

class RoomScope {
 public:
  explicit RoomScope(int room) : kept_(t_room) { t_room = room < 0 ? 0 : room; }
  ~RoomScope() { t_room = kept_; }
  RoomScope(const RoomScope&) = delete;
  RoomScope& operator=(const RoomScope&) = delete;

 private:
  int kept_;
};

}  // namespace

int ApiCapsRoom() { return t_room; }

int ApiRunGetCaps(API_HANDLE handle, DWORD id, void* buffer) { return ApiRunGetCapsWithin(handle, id, buffer, INT_MAX); }

int ApiGetCapsWithin(API_HANDLE handle, DWORD id, void* buffer, int capacity) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn) return -1;
  if (id == 0) return ApiGetStatusIdMap(handle, buffer);
  if (!ApiIsItemSupported(conn->ctx, 0, id)) return 0;
  return ApiRunGetCapsWithin(handle, id, buffer, capacity);
}

int ApiRunGetCapsWithin(API_HANDLE handle, DWORD id, void* buffer, int capacity) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  if (!conn || !conn->ctx) return -1;
  SETTING_CONTEXT* ctx = conn->ctx;
  const CAPS_ROW* row = ApiFindCapsRow(ctx, id);
  if (!row || !row->enabled || !row->caps) return 0;
  CapsPrinter printer(conn);
  if (!printer.ok()) {
    ApiSetLastError(handle, API_ERROR_GENERAL);
    return -1;
  }
  if (HasAvailabilityGuard(id) && !ApiIsSettingShown(ctx, (WORD)row->setting)) return 0;
  if (HasTerminalServerGuard(id) && ApiIsTerminalServer(ctx)) return 0;
  DWORD kept = conn->state.lastError;
  ApiSetLastError(handle, API_ERROR_GENERAL);
  int result;
  {
    RoomScope room(capacity);
    result = row->caps(ctx, id, buffer);
  }
  if (result != -1) ApiSetLastError(handle, kept);
  return result;
}

int ApiGetStatusIdMap(API_HANDLE handle, void* buffer) {
  API_CONNECTION* conn = ApiFindConnection(handle);
  SETTING_CONTEXT* ctx = conn ? conn->ctx : nullptr;
  int length = ApiGetVersion(ctx) < 6 ? 32 : 64;
  if (!buffer) return length;
  BYTE* map = static_cast<BYTE*>(buffer);
  std::memset(map, 0, length);
  const int low = ApiStatusIdLimit(ctx, 0), high = ApiStatusIdLimit(ctx, 1);
  for (int s = 1; s <= high; s = (s == low && low < 257) ? 257 : s + 1)
    if (s <= length * 8 && ApiIsItemSupported(ctx, 1, (DWORD)s)) ApiMaskSet(map, (DWORD)s);
  return length;
}
