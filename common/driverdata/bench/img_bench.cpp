// The model's data file three ways (compiled, loaded from its ".BCS" file, taken from the process
// cache), one Exclusive row evaluated on a full context without computed flags and one that reads a
// flag, every computed flag once, every capability list once, and every setting of the context
// validated once through the one-setting test.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driverdata/dfc_compiler.h"
#include "driverdata/img_caps.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_flags.h"
#include "driverdata/rule_values.h"
#include "kvplat/heap.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"

namespace {

struct Machine {
  std::string root;
  HANDLE printer = nullptr;
  std::u16string dataPath = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvdat";
  SETTING_CONTEXT* ctx = nullptr;

  Machine() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kvimgbench-XXXXXX").string();
    root = mkdtemp(tmpl.data());
    kvp::InitMachineRoot(root);
    kvp::SetMachineRoot(root);
    printer = kvtest::InstallModelPrinter(u"Bench plotter");  // the model's files, as set-up installs them
    StgInitLibraryLocks();
    ctx = StgCreateContextEx(printer, printer, nullptr, 0, STG_KIND_UI, 0, nullptr);  // writes the ".BCS"
  }
  ~Machine() {
    if (ctx) StgReleaseContext(ctx, STG_RELEASE_FREE);
    StgPurgeContextCache(1);
    ImgFreeCache();
    ClosePrinter(printer);
    StgFreeLibraryLocks();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};
Machine* g_machine = nullptr;

void BM_CompileModelDataFile(benchmark::State& state) {
  for (auto _ : state) {
    BYTE* image = DfcCompileDataFile(nullptr, g_machine->dataPath.c_str(), 0);
    if (!image) state.SkipWithError("compile failed");
    benchmark::DoNotOptimize(image);
    GlobalFree(image);
  }
}
BENCHMARK(BM_CompileModelDataFile)->Unit(benchmark::kMicrosecond);

// The same compilation from the file's bytes already in memory: what reading the file adds is the
// difference to the row above.
void BM_CompileModelDataFromMemory(benchmark::State& state) {
  std::ifstream in(std::string(KV_SOURCE_DIR) + "/model/kvdrvdat", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  for (auto _ : state) {
    uint32_t length = 0;
    BYTE* image = dfc::DfcAssembleImage(dfc::DfcParseDataBytes(text.data(), text.size()), &length);
    if (!image || !ImgRelocate(image, length)) state.SkipWithError("compile failed");
    benchmark::DoNotOptimize(image);
    GlobalFree(image);
  }
}
BENCHMARK(BM_CompileModelDataFromMemory)->Unit(benchmark::kMicrosecond);

// Loading includes the full check of every reference and the relocation.
void BM_LoadModelImageFile(benchmark::State& state) {
  for (auto _ : state) {
    BYTE* image = ImgLoadImageFile(g_machine->dataPath.c_str());
    if (!image || !ImgRelocate(image, dfc::Get<uint32_t>(image, 32))) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image);
    GlobalFree(image);
  }
}
BENCHMARK(BM_LoadModelImageFile)->Unit(benchmark::kMicrosecond);

// The parts of a load: reading the file, checking and relocating it.
void BM_ReadModelImageFileOnly(benchmark::State& state) {
  for (auto _ : state) {
    BYTE* image = ImgLoadImageFile(g_machine->dataPath.c_str());
    benchmark::DoNotOptimize(image);
    GlobalFree(image);
  }
}
BENCHMARK(BM_ReadModelImageFileOnly)->Unit(benchmark::kMicrosecond);

void BM_DataFilePathOnly(benchmark::State& state) {
  for (auto _ : state) {
    LPWSTR p = dfc::DfcGetDataFilePath(g_machine->printer);
    benchmark::DoNotOptimize(p);
    GlobalFree(p);
  }
}
BENCHMARK(BM_DataFilePathOnly)->Unit(benchmark::kMicrosecond);

// What a context creation pays once the process holds the image: data-file path, mutex, look-up.
void BM_AcquireFromProcessCache(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ImgAcquire(g_machine->ctx));
}
BENCHMARK(BM_AcquireFromProcessCache)->Unit(benchmark::kMicrosecond);

void BM_CacheLookupOnly(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ImgCacheLookup(g_machine->dataPath.c_str()));
}
BENCHMARK(BM_CacheLookupOnly);

// One Exclusive row: first and second condition of the feature and of every option.
void EvaluateRow(benchmark::State& state, WORD id) {
  SETTING_CONTEXT* ctx = g_machine->ctx;
  IMG_REF node = ImgFindNode(ctx, id);
  IMG_REF row = ImgNodeRule(node);
  if (!row) state.SkipWithError("no rule row");
  for (auto _ : state) {
    int excluded = RuleIsRowExcluded(ctx, row, 0) + RuleEvalSecond(ctx, row, 0);
    for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
      excluded += RuleIsRowExcluded(ctx, row, ImgOptionValue(o)) + RuleEvalSecond(ctx, row, ImgOptionValue(o));
    benchmark::DoNotOptimize(excluded);
  }
  state.counters["options"] = double(ImgCountList(ImgNodeOptions(node)));
}

// The paper size's row reads no computed flag.
void BM_EvaluatePaperSizeRow(benchmark::State& state) { EvaluateRow(state, 8); }
BENCHMARK(BM_EvaluatePaperSizeRow);

// The folding row's second condition reads flag 767 (roll supplies the paper, narrow form).
void BM_EvaluateFoldingRowWithFlag(benchmark::State& state) { EvaluateRow(state, 693); }
BENCHMARK(BM_EvaluateFoldingRowWithFlag);

// Every computed flag 723-867 once, on a full context of the model.
void BM_EveryComputedFlag(benchmark::State& state) {
  SETTING_CONTEXT* ctx = g_machine->ctx;
  for (auto _ : state) {
    int on = 0;
    for (WORD id = kFirstComputedFlag; id <= kLastComputedFlag; ++id) on += RuleGetComputedFlag(ctx, id);
    benchmark::DoNotOptimize(on);
  }
  state.counters["flags"] = kComputedFlagCount;
}
BENCHMARK(BM_EveryComputedFlag)->Unit(benchmark::kMicrosecond);

// Every computed flag but 835, whose forced-quality computation works on a copy of the store.
void BM_EveryComputedFlagBut835(benchmark::State& state) {
  SETTING_CONTEXT* ctx = g_machine->ctx;
  for (auto _ : state) {
    int on = 0;
    for (WORD id = kFirstComputedFlag; id <= kLastComputedFlag; ++id)
      if (id != 835) on += RuleGetComputedFlag(ctx, id);
    benchmark::DoNotOptimize(on);
  }
}
BENCHMARK(BM_EveryComputedFlagBut835)->Unit(benchmark::kMicrosecond);

// Capability lists and value checks.

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
