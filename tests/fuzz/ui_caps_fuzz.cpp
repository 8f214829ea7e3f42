// Fuzz target: the input is a caller's DEVMODE for the device capabilities of the interface library.
// The first byte picks the capability index; the rest is the DEVMODE. Every index is asked without an
// output (the count) and with one of exactly that many entries and a guard behind it: the answer must
// be the count again, and nothing may be written past the entries it counts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kvplat/drvcontract.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "ui_workers.h"

namespace {

constexpr BYTE kGuard = 0xCD;
constexpr size_t kGuardBytes = 256;
constexpr DWORD kFail = 0xFFFFFFFFu;

struct Printer {
  kvtest::TempRoot root;
  std::u16string name = u"Caps plotter";
  HANDLE handle = nullptr;
  Printer() {
    handle = kvtest::InstallModelPrinter(name);
    StgInitLibraryLocks();
    if (!handle) std::abort();  // a harness that silently tested nothing would be worse than none
  }
};

Printer& P() {
  static Printer p;
  return p;
}

// The bytes one entry of a list answer takes; 0 for answers that are not lists.
size_t EntrySize(WORD index) {
  switch (index) {
    case DC_PAPERS: return DC_PAPERS_ENTRY;
    case DC_PAPERSIZE: return DC_PAPERSIZE_ENTRY;
    case DC_BINS: return DC_BINS_ENTRY;
    case DC_BINNAMES: return DC_BINNAMES_ENTRY;
    case DC_ENUMRESOLUTIONS: return DC_ENUMRESOLUTIONS_ENTRY;
    case DC_PAPERNAMES: return DC_PAPERNAMES_ENTRY;
    case DC_MEDIAREADY: return DC_MEDIAREADY_ENTRY;
    case DC_NUP: return DC_NUP_ENTRY;
    case DC_PERSONALITY: return DC_PERSONALITY_ENTRY;
    default: return 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Printer& p = P();
  if (size == 0) return 0;
  WORD index = WORD(data[0] % (DC_INDEX_END + 2));
  // A caller's DEVMODE is as long as its header says: the block is that long (zeros after the input)
  // or the input's length, whichever is more, so only reads past what the caller owns are caught.
  size_t n = size - 1;
  size_t claimed = 0;
  if (n >= offsetof(DEVMODEW, dmFields)) {
    WORD dmSize, extra;
    std::memcpy(&dmSize, data + 1 + offsetof(DEVMODEW, dmSize), 2);
    std::memcpy(&extra, data + 1 + offsetof(DEVMODEW, dmDriverExtra), 2);
    claimed = size_t(dmSize) + extra;
  }
  size_t length = n > claimed ? n : claimed;
  BYTE* dm = length ? static_cast<BYTE*>(std::calloc(length, 1)) : nullptr;
  if (n) std::memcpy(dm, data + 1, n);
  auto* devmode = reinterpret_cast<DEVMODEW*>(dm);

  DWORD count = UiDeviceCapabilities(p.handle, p.name.data(), index, nullptr, devmode);
  size_t entry = EntrySize(index);
  if (entry && count != kFail) {
    if (count > 4096) std::abort();  // no list of this model is that long
    std::vector<BYTE> out(count * entry + kGuardBytes, kGuard);
    DWORD again = UiDeviceCapabilities(p.handle, p.name.data(), index, out.data(), devmode);
    if (again != count) std::abort();
    for (size_t i = count * entry; i < out.size(); ++i)
      if (out[i] != kGuard) std::abort();
  }
  std::free(dm);
  return 0;
}
