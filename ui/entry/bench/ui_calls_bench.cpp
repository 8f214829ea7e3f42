// An application's calls into the printer interface library through the platform: the silent document
// properties an application asks before it prints (DM_IN_BUFFER | DM_OUT_BUFFER) and the paper list of
// its print dialog (DC_PAPERS). "First" is the first call of a process: the library is loaded for it and
// starts with empty caches, as after the last printer handle of a process was closed. "Held" repeats
// the call while the process holds a handle of the printer, so the library stays loaded.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvplat/devmode.h"
#include "kvplat/dialog.h"
#include "kvplat/drvcontract.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace {

struct Machine {
  kvtest::TempRoot root;
  std::u16string name = u"Bench plotter";
  Machine() {
    if (HANDLE h = kvtest::InstallModelPrinter(name, kvsetup::kAllFiles)) ClosePrinter(h);
  }
};

Machine& M() {
  static Machine m;
  return m;
}

// One silent DocumentPropertiesW on an open handle: the caller's settings in, the merged ones out.
// IDOK when the driver answered.
LONG Silent(HANDLE printer, std::u16string& name, std::vector<BYTE>& in, std::vector<BYTE>& out) {
  return DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(out.data()),
                             reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
}

// The printer's own DEVMODE, as the caller's input, in a buffer of the driver's size.
std::vector<BYTE> DevmodeBuffer(HANDLE printer, std::u16string& name) {
  LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
  std::vector<BYTE> dm(size > 0 ? size_t(size) : sizeof(DEVMODEW), 0);
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed ? needed : 1);
  if (GetPrinterW(printer, 2, info.data(), needed, &needed)) {
    const DEVMODEW* own = reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pDevMode;
    if (own && size_t(own->dmSize) + own->dmDriverExtra <= dm.size())
      std::memcpy(dm.data(), own, size_t(own->dmSize) + own->dmDriverExtra);
  }
  return dm;
}

void BM_DocumentPropertiesFirst(benchmark::State& state) {
  Machine& m = M();
  for (auto _ : state) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(m.name.data(), &printer, nullptr)) state.SkipWithError("no printer");
    std::vector<BYTE> in = DevmodeBuffer(printer, m.name), out(in.size());
    if (Silent(printer, m.name, in, out) != IDOK) state.SkipWithError("document properties failed");
    ClosePrinter(printer);  // the last handle: the library is freed with its caches
  }
}
BENCHMARK(BM_DocumentPropertiesFirst)->Unit(benchmark::kMicrosecond);

void BM_DocumentPropertiesHeld(benchmark::State& state) {
  Machine& m = M();
  HANDLE printer = nullptr;
  if (!OpenPrinterW(m.name.data(), &printer, nullptr)) state.SkipWithError("no printer");
  std::vector<BYTE> in = DevmodeBuffer(printer, m.name), out(in.size());
  for (auto _ : state)
    if (Silent(printer, m.name, in, out) != IDOK) state.SkipWithError("document properties failed");
  ClosePrinter(printer);
}
BENCHMARK(BM_DocumentPropertiesHeld)->Unit(benchmark::kMicrosecond);

DWORD Papers(std::u16string& name, std::vector<WORD>& out) {
  DWORD n = DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERS, nullptr, nullptr);
  if (n == DWORD(-1)) return n;
  out.resize(n + 1);
  return DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERS, reinterpret_cast<LPWSTR>(out.data()), nullptr);
}

void BM_DeviceCapabilitiesFirst(benchmark::State& state) {
  Machine& m = M();
  std::vector<WORD> papers;
  for (auto _ : state)
    if (Papers(m.name, papers) == DWORD(-1)) state.SkipWithError("no papers");
}
BENCHMARK(BM_DeviceCapabilitiesFirst)->Unit(benchmark::kMicrosecond);

void BM_DeviceCapabilitiesHeld(benchmark::State& state) {
  Machine& m = M();
  HANDLE printer = nullptr;
  if (!OpenPrinterW(m.name.data(), &printer, nullptr)) state.SkipWithError("no printer");
  std::vector<WORD> papers;
  for (auto _ : state)
    if (Papers(m.name, papers) == DWORD(-1)) state.SkipWithError("no papers");
  ClosePrinter(printer);
}
BENCHMARK(BM_DeviceCapabilitiesHeld)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
