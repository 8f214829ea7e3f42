// Fuzz target: DrvConvertDevMode as the spooler calls it. Byte 0 picks the mode, bytes 1-2 the caller's
// buffer size (little-endian), byte 3 whether an output is given, bytes 4-7 the output's header sizes
// (dmSize, dmDriverExtra) and the rest is the input DEVMODE. The output is a heap block of exactly the
// caller's size, so a write past it is caught; the input holds at least what its header claims, as
// the contract requires of the caller.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kvplat/drvcontract.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "ui_convert.h"
#include "ui_workers.h"

namespace {

std::u16string& Printer() {
  static kvtest::TempRoot root;
  static std::u16string name = [] {
    std::u16string n = u"Convert plotter";
    HANDLE h = kvtest::InstallModelPrinter(n);
    if (!h) std::abort();
    ClosePrinter(h);
    StgInitLibraryLocks();
    return n;
  }();
  return name;
}

const DWORD kModes[] = {CDM_CONVERT, CDM_CONVERT351, CDM_DRIVER_DEFAULT, 0, 3, 8};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string& name = Printer();
  if (size < 8) return 0;
  DWORD mode = kModes[data[0] % (sizeof(kModes) / sizeof(kModes[0]))];
  LONG given = LONG(data[1] | (data[2] << 8));
  bool withOut = data[3] & 1;
  WORD outSize = WORD(data[4] | (data[5] << 8)), outExtra = WORD(data[6] | (data[7] << 8));
  std::vector<BYTE> in(data + 8, data + size);
  if (in.size() >= offsetof(DEVMODEW, dmFields)) {
    auto* h = reinterpret_cast<const DEVMODEW*>(in.data());
    in.resize(std::max(in.size(), size_t(h->dmSize) + h->dmDriverExtra), 0);
  }
  in.resize(std::max(in.size(), sizeof(DEVMODEW)), 0);
  BYTE* out = withOut ? static_cast<BYTE*>(std::malloc(size_t(given) + 1)) : nullptr;
  if (out) {
    std::memset(out, 0, size_t(given) + 1);
    if (given >= LONG(offsetof(DEVMODEW, dmFields))) {
      std::memcpy(out + offsetof(DEVMODEW, dmSize), &outSize, 2);
      std::memcpy(out + offsetof(DEVMODEW, dmDriverExtra), &outExtra, 2);
    }
  }
  LONG answered = given;
  auto* inDm = reinterpret_cast<PDEVMODEW>(in.data());
  auto* outDm = reinterpret_cast<PDEVMODEW>(out);
  // A default DEVMODE with room sets the printer up: only its size rules are exercised here.
  BOOL ok = mode == CDM_DRIVER_DEFAULT ? UiConvertDevmodeSizes(name.c_str(), inDm, outDm, &answered, mode) == 1
                                       : UiConvertDevMode(name.data(), inDm, outDm, &answered, mode);
  // A success never claims more than the caller's buffer.
  if (ok && (!out || answered < 0 || answered > given)) std::abort();
  std::free(out);
  return 0;
}
