// Cost of the status exports on a connection of the model printer: one set of the copies (status 9)
// with its verify and the map of changed items, and one get of the copies. The parts of a set (the
// device-settings reload, the node snapshot, the effects with the map) are measured alone beside it.
#include <benchmark/benchmark.h>

#include "api_frame.h"
#include "api_status.h"
#include "config/device_settings.h"
#include "kvdrvexc.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"

namespace {

struct Connection {
  kvtest::TempRoot root;
  HANDLE printer = nullptr;
  API_HANDLE h = 0;
  Connection() {
    ApiLibraryAttach();
    printer = kvtest::InstallModelPrinter(u"Bench plotter", kvsetup::kDeliverables | kvsetup::kModelFiles);
    h = ZARNDrvEnable("Bench plotter");
    API_INIT_RECORD init{sizeof init, 16};
    ZARNDrvInit(h, &init);
  }
  ~Connection() {
    ZARNDrvDisable(h);
    if (printer) ClosePrinter(printer);
    ApiLibraryDetach();
  }
  SETTING_CONTEXT* Ctx() { return ApiFindConnection(h)->ctx; }
};

void BM_SetCopies(benchmark::State& state) {
  Connection c;
  BYTE map[64];
  DWORD copies = 1;
  for (auto _ : state) {
    API_STATUS_VALUE_RECORD r{1, copies, {}};
    copies = copies % 9 + 1;
    if (ZARNDrvSetStatus(c.h, 9, &r, map, 0) != 0) state.SkipWithError("set refused");
  }
}
BENCHMARK(BM_SetCopies);

void BM_GetCopies(benchmark::State& state) {
  Connection c;
  API_STATUS_VALUE_RECORD r{};
  for (auto _ : state) benchmark::DoNotOptimize(ZARNDrvGetStatus(c.h, 9, &r, 1));
}
BENCHMARK(BM_GetCopies);

// The parts of a set, each alone on the open printer.
void BM_SetPartDeviceReload(benchmark::State& state) {
  Connection c;
  SETTING_CONTEXT* ctx = c.Ctx();
  ctx->printer = ctx->printer2 = c.printer;
  for (auto _ : state) CfgLoadDeviceSettings(c.printer, 1, ctx);
  ctx->printer = ctx->printer2 = nullptr;
}
BENCHMARK(BM_SetPartDeviceReload);

void BM_SetPartNodeSnapshot(benchmark::State& state) {
  Connection c;
  for (auto _ : state) ApiSnapshotNodeStates(c.Ctx());
}
BENCHMARK(BM_SetPartNodeSnapshot);

void BM_SetPartEffectsAndMap(benchmark::State& state) {
  Connection c;
  SETTING_CONTEXT* ctx = c.Ctx();
  ctx->printer = ctx->printer2 = c.printer;
  API_STATUS_VALUE_RECORD r{1, 2, {}};
  BYTE map[64];
  for (auto _ : state) ApiApplySetEffects(ctx, ApiFindStatusRow(ctx, 9), &r, map);
  ctx->printer = ctx->printer2 = nullptr;
}
BENCHMARK(BM_SetPartEffectsAndMap);

}  // namespace

BENCHMARK_MAIN();
