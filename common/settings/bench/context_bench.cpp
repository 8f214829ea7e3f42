// Cost of opening and releasing a settings context for an installed printer of the model: a light
// context, a full context built anew (store, defaults and dictionary; the image from the process cache),
// and a full context taken from the cache of released contexts; and the merge of an application's
// DEVMODE into a full context, the most frequent call of a print job.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kvplat/devmode.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "settings/devmode.h"

namespace {

// A machine root with the model's driver installed and one printer opened on it.
struct Machine {
  kvtest::TempRoot root;
  HANDLE printer = nullptr;
  PRINTER_INFO_2W info{};
  std::u16string name = u"Bench plotter", driver = kvsetup::kModelDriverName;

  Machine() {
    // The model's data file, INI files and resource libraries, as set-up installs them.
    printer = kvtest::InstallModelPrinter(name);
    info.pPrinterName = name.data();
    info.pDriverName = driver.data();
    StgInitLibraryLocks();
  }
  ~Machine() {
    StgPurgeContextCache(1);
    StgFreeLibraryLocks();
    if (printer) ClosePrinter(printer);
  }
  SETTING_CONTEXT* Create(WORD flags) {
    return StgCreateContextEx(printer, printer, nullptr, flags, STG_KIND_UI, 0, &info);
  }
};

void BM_LightContext(benchmark::State& state) {
  Machine m;
  for (auto _ : state) {
    SETTING_CONTEXT* c = m.Create(4);
    if (!c) state.SkipWithError("no context");
    StgReleaseContext(c, STG_RELEASE_FREE);
  }
}
BENCHMARK(BM_LightContext);

void BM_FullContextCold(benchmark::State& state) {
  Machine m;
  StgReleaseContext(m.Create(0), STG_RELEASE_FREE);  // the image is compiled once, then cached per process
  for (auto _ : state) {
    SETTING_CONTEXT* c = m.Create(0);
    if (!c) state.SkipWithError("no context");
    StgReleaseContext(c, STG_RELEASE_FREE);  // never cached: every creation builds anew
  }
}
BENCHMARK(BM_FullContextCold);

void BM_FullContextCached(benchmark::State& state) {
  Machine m;
  StgFreeContext(m.Create(0));
  for (auto _ : state) {
    SETTING_CONTEXT* c = m.Create(0);
    if (!c) state.SkipWithError("no context");
    StgFreeContext(c);  // back into the cache for the next round
  }
}
BENCHMARK(BM_FullContextCached);

// An application's public DEVMODE (A0 landscape, 600 dpi, two copies) merged as a print job does.
void BM_MergeApplicationDevmode(benchmark::State& state) {
  Machine m;
  SETTING_CONTEXT* c = m.Create(0);
  if (!c) {
    state.SkipWithError("no context");
    return;
  }
  DEVMODEW dm{};
  dm.dmSpecVersion = 0x401;
  dm.dmSize = sizeof dm;
  dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION | DM_COLLATE;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  dm.dmPaperSize = 267;
  dm.dmCopies = 2;
  dm.dmPrintQuality = 600;
  dm.dmYResolution = 600;
  for (auto _ : state) {
    if (!StgMergeDevmodeEx(c, &dm, sizeof dm, STG_MERGE_MODIFY)) state.SkipWithError("merge failed");
  }
  StgReleaseContext(c, STG_RELEASE_FREE);
}
BENCHMARK(BM_MergeApplicationDevmode);

}  // namespace

BENCHMARK_MAIN();
