// Fuzz target: the input is a caller's DEVMODE buffer for the interface library's intake. The first
// byte picks the intake mode (its bit 7 also hands the result out as DM_COPY does, building the
// application capability block); the rest is the DEVMODE, exactly as long as the caller's buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/store.h"
#include "ui_app_blocks.h"
#include "ui_intake.h"

namespace {

// One full context for a printer of the model installed as set-up installs it; without its compiled
// image no full context exists, and a harness that silently tested nothing would be worse than none.
SETTING_CONTEXT* Context() {
  static kvtest::TempRoot root;
  static SETTING_CONTEXT* ctx = [] {
    HANDLE h = kvtest::InstallModelPrinter(u"Intake plotter");
    StgInitLibraryLocks();
    SETTING_CONTEXT* c = h ? StgCreateContextEx(h, h, nullptr, 0, STG_KIND_UI, 0, nullptr) : nullptr;
    if (!c) std::abort();
    return c;
  }();
  return ctx;
}

// Every mode a caller passes, and a few that must do nothing.
const DWORD kModes[] = {UI_MODE_DOC_SHEETS | 0x2, UI_MODE_DOC_SHEETS_KEEP_NOTIFY | 0xE, UI_MODE_DEVICE_SHEETS,
                        UI_MODE_DOC_SILENT | 0x2, UI_MODE_JOB_QUERY, UI_MODE_CAPS, UI_MODE_CONVERT,
                        UI_MODE_FILE_LOAD, UI_MODE_MODULE_RESET, 0x1, 0x2, 0x8 | UI_INTAKE_KEEP_LOCK_METHOD};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SETTING_CONTEXT* ctx = Context();
  if (size == 0) return 0;
  DWORD mode = kModes[(data[0] & 0x7F) % (sizeof(kModes) / sizeof(kModes[0]))];
  bool handOut = (data[0] & 0x80) != 0;
  // The DEVMODE in a heap block of exactly its length, so a read past it is caught.
  size_t n = size - 1;
  BYTE* buf = (BYTE*)std::malloc(n ? n : 1);
  if (n) std::memcpy(buf, data + 1, n);
  BYTE kept[UI_ENV_BYTE_COUNT];
  for (int i = 0; i < UI_ENV_BYTE_COUNT; ++i) kept[i] = ctx->store->bytes[UI_ENV_BYTES[i].dmOffset];
  // A mode byte alone stands for a caller that gives no DEVMODE.
  UiMergeCallerDevmodeEx(ctx, n ? reinterpret_cast<const DEVMODEW*>(buf) : nullptr, n, mode);
  std::free(buf);
  // The store is still this model's, and no caller set an environment byte the store keeps.
  if (!StgIsSameLayoutDevmode(StgGetDevmode(ctx))) std::abort();
  for (int i = 0; i < UI_ENV_BYTE_COUNT; ++i)
    if (UI_ENV_BYTES[i].merge == UI_ENV_KEPT && ctx->store->bytes[UI_ENV_BYTES[i].dmOffset] != kept[i]) std::abort();
  // Handed out, the request block is cleared and the capability block always offers tray code 2.
  if (handOut && UiBuildAppCapsBlock(ctx) == 1) {
    const BYTE* dm = ctx->store->bytes;
    for (size_t i = 0; i < UI_APP_BLOCK_SIZE; ++i)
      if (dm[UI_APP_REQUEST_OFFSET + i]) std::abort();
    if (!(dm[UI_APP_CAPS_OFFSET + UI_CAPS_TRAYS] & 0x02)) std::abort();
  }
  return 0;
}
