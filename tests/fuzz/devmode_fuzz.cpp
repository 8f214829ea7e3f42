// Fuzz target: the input is a caller's DEVMODE buffer. The first byte picks the merge mode; the rest is
// the DEVMODE, exactly as long as the caller's buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/store.h"

namespace {

// One full context for a printer installed with the model's driver data file; without its image no
// full context exists, and a harness that silently tested nothing would be worse than none.
SETTING_CONTEXT* Context() {
  static kvtest::TempRoot root;
  static SETTING_CONTEXT* ctx = [] {
    HANDLE h = kvtest::InstallModelPrinter(u"Fuzz plotter");  // the model's files, as set-up installs them
    StgInitLibraryLocks();
    SETTING_CONTEXT* c = h ? StgCreateContextEx(h, h, nullptr, 0, STG_KIND_UI, 0, nullptr) : nullptr;
    if (!c) std::abort();
    return c;
  }();
  return ctx;
}

const DWORD kModes[] = {0x8, 0x2000000, 0xC, 0x20008, 0x400008, 0x10008, 0x10000008, 0x40000008};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SETTING_CONTEXT* ctx = Context();
  if (!ctx || size == 0) return 0;
  DWORD mode = kModes[data[0] % (sizeof(kModes) / sizeof(kModes[0]))];
  // The DEVMODE in a heap block of exactly its length, so a read past it is caught.
  size_t n = size - 1;
  BYTE* buf = (BYTE*)std::malloc(n ? n : 1);
  if (n) std::memcpy(buf, data + 1, n);
  const DEVMODEW* dm = reinterpret_cast<const DEVMODEW*>(buf);
  if (StgIsDevmodeWithin(dm, n)) {
    StgIsValidPrivateDevmode(dm);
    StgIsSameModelDevmode(dm);
    StgIsSameLayoutDevmode(dm);
    StgDevmodeSpecOfSize(dm);
    std::vector<BYTE> store(ctx->store->bytes, ctx->store->bytes + STG_DEVMODE_SIZE);
    StgCopyDevmode(dm, reinterpret_cast<DEVMODEW*>(store.data()));
  }
  StgMergeDevmodeEx(ctx, dm, n, mode);
  // The store must still be this model's DEVMODE, addressed by its own layout.
  WORD offsets[3];
  std::memcpy(offsets, ctx->store->bytes + PDM_OFF_BLOCK_OFFSETS, 6);
  if (offsets[1] != STG_DEVMODE_SIZE || offsets[2] != STG_DEVMODE_SIZE + STG_DEVICE_BLOCK_SIZE) std::abort();
  std::free(buf);
  return 0;
}
