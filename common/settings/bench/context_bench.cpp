// Cost of opening and releasing a settings context: a light context, a full context built cold, and
// a full context taken from the cache of released contexts.
#include <benchmark/benchmark.h>

#include <string>

#include "kvplat/spooler.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"

namespace {

struct Printer {
  std::u16string name = u"Bench plotter";
  std::u16string driver = u"KAVRO Lumeta QT M8350 ZARN";
  PRINTER_INFO_2W info{};
  HANDLE handle = (HANDLE)0x4242;
  Printer() {
    info.pPrinterName = name.data();
    info.pDriverName = driver.data();
  }
};

void BM_LightContext(benchmark::State& state) {
  kvtest::TempRoot root;
  Printer p;
  for (auto _ : state) {
    SETTING_CONTEXT* c = StgCreateContextEx(p.handle, p.handle, nullptr, 4, STG_KIND_UI, 0, &p.info);
    benchmark::DoNotOptimize(c);
    StgReleaseContext(c, STG_RELEASE_FREE);
  }
}
BENCHMARK(BM_LightContext);

void BM_FullContextCold(benchmark::State& state) {
  kvtest::TempRoot root;
  Printer p;
  for (auto _ : state) {
    SETTING_CONTEXT* c = StgCreateContextEx(p.handle, p.handle, nullptr, 0, STG_KIND_UI, 0, &p.info);
    benchmark::DoNotOptimize(c);
    StgReleaseContext(c, STG_RELEASE_FREE);  // never cached: every creation builds anew
  }
}
BENCHMARK(BM_FullContextCold);

void BM_FullContextCached(benchmark::State& state) {
  kvtest::TempRoot root;
  Printer p;
  StgFreeContext(StgCreateContextEx(p.handle, p.handle, nullptr, 0, STG_KIND_UI, 0, &p.info));
  for (auto _ : state) {
    SETTING_CONTEXT* c = StgCreateContextEx(p.handle, p.handle, nullptr, 0, STG_KIND_UI, 0, &p.info);
    benchmark::DoNotOptimize(c);
    StgFreeContext(c);  // back into the cache for the next round
  }
  StgPurgeContextCache(1);
}
BENCHMARK(BM_FullContextCached);

}  // namespace

BENCHMARK_MAIN();
