// Cost of the exclusion interface on the installed model printer: installing a six-line command base
// (which rebuilds the handle's settings context), one update with its change list, and the available
// values of PAPER (one trial per value row); beside them a cold settings context of the same kind,
// measured in the same run, which the first figure contains.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "api_frame.h"
#include "exc_cmdbase.h"
#include "kvdrvexc.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"

namespace {

std::string Line(const char* name, const char* value) { return std::string("@PJL SET ") + name + " = " + value + " \r\n"; }
const std::string kBase = Line("APLPAGESIZE", "A0") + Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "A0") +
                          Line("TRAY", "ROLL1") + Line("COPIES", "2") + Line("NUP", "OFF");

struct Machine {
  kvtest::TempRoot root;
  EXC_HANDLE h = nullptr;
  Machine() {
    ApiLibraryAttach();
    HANDLE p = kvtest::InstallModelPrinter(u"Bench plotter", kvsetup::kDeliverables | kvsetup::kModelFiles);
    if (p) ClosePrinter(p);
    h = ExcGetExclusive("Bench plotter");
  }
  ~Machine() {
    ExcFreeExclusive(h);
    ApiLibraryDetach();
  }
};

void BM_ColdContext(benchmark::State& state) {
  Machine m;
  if (!m.h) state.SkipWithError("no handle");
  for (auto _ : state) {
    SETTING_CONTEXT* c = StgCreateContext(m.h->printer, m.h->printer, nullptr, STG_KIND_EXC);
    if (!c) state.SkipWithError("no context");
    StgFreeContext(c);
    StgPurgeContextCache(1);
  }
}
BENCHMARK(BM_ColdContext)->Unit(benchmark::kMillisecond);

void BM_SetCommandBase(benchmark::State& state) {
  Machine m;
  int32_t changeSize = 0;
  for (auto _ : state)
    if (!m.h || ExcSetCommandBase(m.h, kBase.c_str(), &changeSize) < 0) state.SkipWithError("base refused");
}
BENCHMARK(BM_SetCommandBase)->Unit(benchmark::kMillisecond);

void BM_UpdateWithChangeList(benchmark::State& state) {
  Machine m;
  int32_t changeSize = 0;
  if (!m.h || ExcSetCommandBase(m.h, kBase.c_str(), &changeSize) < 0) state.SkipWithError("base refused");
  // The cut-sheet tray makes the rules set PAPER to SAME: a change list every time, from a fresh base.
  const std::string update = Line("TRAY", "TRAY2");
  std::vector<char> change(4096);
  int32_t needed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ExcSetCommandBase(m.h, kBase.c_str(), &changeSize);
    state.ResumeTiming();
    if (ExcUpdateCommand(m.h, update.c_str(), &changeSize) != 1) state.SkipWithError("no change list");
    ExcGetCommandChange(m.h, int32_t(change.size()), change.data(), &needed);
  }
}
BENCHMARK(BM_UpdateWithChangeList)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_AvailablePaperValues(benchmark::State& state) {
  Machine m;
  int32_t changeSize = 0;
  if (!m.h || ExcSetCommandBase(m.h, kBase.c_str(), &changeSize) < 0) state.SkipWithError("base refused");
  std::vector<char> list(4096);
  int32_t needed = 0;
  for (auto _ : state)
    if (ExcGetCommandValue(m.h, "PAPER", 1, int32_t(list.size()), list.data(), &needed) != 0)
      state.SkipWithError("no list");
}
BENCHMARK(BM_AvailablePaperValues)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
