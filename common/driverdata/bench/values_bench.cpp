// Capability lists and value checks on a full context of the installed model: every capability list
// (bins, papers with names and sizes, resolutions) once, and every setting of the context validated
// once through the one-setting test.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driverdata/img_caps.h"
#include "driverdata/rule_values.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"

namespace {

struct Machine {
  std::string root;
  HANDLE printer = nullptr;
  SETTING_CONTEXT* ctx = nullptr;

  Machine() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kvvaluesbench-XXXXXX").string();
    root = mkdtemp(tmpl.data());
    kvp::InitMachineRoot(root);
    kvp::SetMachineRoot(root);
    printer = kvtest::InstallModelPrinter(u"Bench plotter");
    StgInitLibraryLocks();
    ctx = StgCreateContextEx(printer, printer, nullptr, 0, STG_KIND_UI, 0, nullptr);
  }
  ~Machine() {
    if (ctx) StgReleaseContext(ctx, STG_RELEASE_FREE);
    StgPurgeContextCache(1);
    ClosePrinter(printer);
    StgFreeLibraryLocks();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};
Machine* g_machine = nullptr;

void BM_ListEveryCapability(benchmark::State& state) {
  SETTING_CONTEXT* ctx = g_machine->ctx;
  std::vector<WORD> codes(256);
  std::vector<WCHAR> names(256 * 64);
  std::vector<LONG> pairs(512);
  for (auto _ : state) {
    int n = 0;
    n += ImgListInputBins(ctx, codes.data(), 256);
    n += ImgListInputBinNames(ctx, names.data(), 24, 256);
    n += ImgListPaperIds(ctx, codes.data(), sid::dmPaperSize, 256);
    n += ImgListPaperNames(ctx, names.data(), 64, sid::dmPaperSize, 256);
    n += ImgListPaperSizes(ctx, pairs.data(), sid::dmPaperSize, 256);
    n += ImgListResolutions(ctx, pairs.data(), 0, 256);
    n += ImgGetMaxCopies(ctx);
    n += int(ImgGetPaperExtent(ctx, nullptr, IMG_EXTENT_MIN) & 0xFF);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_ListEveryCapability)->Unit(benchmark::kMicrosecond);

void BM_TestEverySettingOnce(benchmark::State& state) {
  SETTING_CONTEXT* ctx = g_machine->ctx;
  for (auto _ : state) {
    int ok = 0;
    for (int i = 0; i < ctx->dictionary->count; ++i) {
      const ITEM_DESC& row = ctx->dictionary->rows[i];
      ok += RuleTestValue(WORD(row.id), DWORD(StgReadValue(ctx, &row)), ctx) == RULE_VALUE_OK;
    }
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_TestEverySettingOnce)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Machine machine;
  g_machine = &machine;
  if (!machine.ctx) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
