// Fuzz target: the input is a settings file. The first byte picks the kind of transfer; the rest is
// the file. It is restored into a full context, offered to the admission tests and converted into a
// second file; afterwards the context must still hold this model's store under its own printer name.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "config/driver_lists.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "settings/store.h"

namespace {

constexpr char16_t kPrinter[] = u"Fuzz plotter";
constexpr char16_t kFile[] = u"C:\\fuzz.rsr";
constexpr char16_t kTarget[] = u"C:\\fuzz-converted.rsr";

// One full context for a printer installed with the model's files; without its image no full
// context exists, and a harness that silently tested nothing would be worse than none.
SETTING_CONTEXT* Context() {
  static kvtest::TempRoot root;
  static SETTING_CONTEXT* ctx = [] {
    HANDLE h = kvtest::InstallModelPrinter(kPrinter);
    StgInitLibraryLocks();
    SETTING_CONTEXT* c = h ? StgCreateContextEx(h, h, nullptr, 0, STG_KIND_UI, 0, nullptr) : nullptr;
    if (!c) std::abort();
    return c;
  }();
  return ctx;
}

// Full restores, presets, quality entries, stamps, free-size slots, the bidi exchange, a conversion
// read, the region section and the default section's exact read.
const DWORD kFlags[] = {0, 0x8000, 0x8004, 0x1010, 0x20, 0x80, 0x200, 0x100, 0x2004, 0x8, 0x800, 0x1, 0x20000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SETTING_CONTEXT* ctx = Context();
  if (!ctx || size == 0) return 0;
  DWORD flags = kFlags[data[0] % (sizeof(kFlags) / sizeof(kFlags[0]))];
  std::string host;
  if (kvp::MapPath(kFile, host) != 0) std::abort();
  {
    std::ofstream f(host, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  if (flags == 0x1) CfgTransferSettingsFile(ctx->printer, kFile, flags, ctx);
  else CfgReadSettingsFile(ctx->printer, kFile, flags, ctx);
  CfgIsFileEnabledForDriver(kFile, ctx);
  CfgCheckFileConditions(kFile, ctx);
  CfgCheckFileFeatureKey(kFile, ctx);
  CfgHasRstVersion(kFile, ctx);
  CfgConvertSettingsFile(kTarget, kFile, CFG_TRANSFER_PRESET, ctx);

  WORD offsets[3];
  std::memcpy(offsets, ctx->store->bytes + PDM_OFF_BLOCK_OFFSETS, 6);
  if (offsets[1] != STG_DEVMODE_SIZE || offsets[2] != STG_DEVMODE_SIZE + STG_DEVICE_BLOCK_SIZE) std::abort();
  if (kvp::WView(CfgGetPrinterName(ctx)) != kPrinter) std::abort();
  return 0;
}
