// Capabilities of the model printer at API version 16: one all-capabilities build and free (151
// capabilities, each through the export with its own printer open and close), and one list capability
// (paper names), beside the cost that every capability pays for its own printer open and close.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "api_frame.h"
#include "config/paths.h"
#include "kvdrvexc.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace {

constexpr char kPrinter[] = "API plotter";

// A machine root with one printer of the model and its driver INI, and one connection at version 16.
struct Machine {
  kvtest::TempRoot root;
  HANDLE printer = nullptr;
  API_HANDLE handle = 0;

  Machine() {
    ApiLibraryAttach();
    printer = kvtest::InstallModelPrinter(kvp::FromUtf8(kPrinter), kvsetup::kDeliverables | kvsetup::kModelFiles);
    if (!printer) return;
    WCHAR ini[261] = {};
    CfgGetIniPathForPrinter(ini, 261, 0, printer);
    std::string from, to;
    kvp::MapPath(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvset.ini", from);
    kvp::MapPath(ini, to);
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    handle = ZARNDrvEnable(kPrinter);
    API_INIT_RECORD init{sizeof(API_INIT_RECORD), 16};
    if (handle) ZARNDrvInit(handle, &init);
  }
  ~Machine() {
    if (handle) ZARNDrvDisable(handle);
    if (printer) ClosePrinter(printer);
    ApiLibraryDetach();
  }
};

void BM_AllCapsBuildAndFree(benchmark::State& state) {
  Machine m;
  if (!m.handle) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state) {
    int answer = ZARNDrvGetCaps(m.handle, API_CAPS_ALL_BUILD, nullptr);
    if (!answer) {
      state.SkipWithError("build failed");
      return;
    }
    ZARNDrvGetCaps(m.handle, API_CAPS_ALL_FREE, API_ALL_CAPS_RECORD_OF(answer));
  }
}
BENCHMARK(BM_AllCapsBuildAndFree)->Unit(benchmark::kMillisecond);

void BM_PaperNames(benchmark::State& state) {
  Machine m;
  if (!m.handle) {
    state.SkipWithError("no connection");
    return;
  }
  std::vector<char> names;
  for (auto _ : state) {
    int n = ZARNDrvGetCaps(m.handle, API_CAPS_PAPER_NAMES, nullptr);
    names.resize((size_t)(n > 0 ? n : 0) * 64 + 64);
    benchmark::DoNotOptimize(ZARNDrvGetCaps(m.handle, API_CAPS_PAPER_NAMES, names.data()));
  }
}
BENCHMARK(BM_PaperNames)->Unit(benchmark::kMicrosecond);

// The cost every capability pays: support test, row, printer open and close, last-error keeping (its
// handler only answers 1).
void BM_ValueCapability(benchmark::State& state) {
  Machine m;
  if (!m.handle) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(ZARNDrvGetCaps(m.handle, API_CAPS_DRIVER_API, nullptr));
}
BENCHMARK(BM_ValueCapability)->Unit(benchmark::kMicrosecond);

// One capability asked as the record's build asks a list: the count, then the fill.
void BM_ListCapability(benchmark::State& state) {
  Machine m;
  if (!m.handle) {
    state.SkipWithError("no connection");
    return;
  }
  uint32_t id = (uint32_t)state.range(0);
  std::vector<char> buffer(64 * 1024);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ZARNDrvGetCaps(m.handle, id, nullptr));
    benchmark::DoNotOptimize(ZARNDrvGetCaps(m.handle, id, buffer.data()));
  }
}
BENCHMARK(BM_ListCapability)->Unit(benchmark::kMicrosecond)->Arg(2)->Arg(3)->Arg(5)->Arg(7)->Arg(10)->Arg(12)
    ->Arg(15)->Arg(16)->Arg(105)->Arg(106)->Arg(127);

}  // namespace

BENCHMARK_MAIN();
