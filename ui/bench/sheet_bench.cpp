// Cost of opening the document sheet as an application does: from the sheet service's first call of the
// document worker (INIT) to the first page shown and waiting for the user, with the printer's settings
// context built anew and taken from the cache of released contexts (a sheet reopened within 500 ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "kvplat/drvcontract.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/uiscript.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "sheets/dlg_sheets.h"
#include "ui_builds.h"
#include "ui_exports.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Machine {
  kvtest::TempRoot root;
  HANDLE printer = nullptr;
  std::u16string name = u"Bench plotter";
  std::vector<BYTE> out = std::vector<BYTE>(4096);
  DOCUMENTPROPERTYHEADER header{};

  Machine() {
    printer = kvtest::InstallModelPrinter(name);
    std::string sys;
    kvp::MapPath(u"C:\\Windows\\System32", sys);
    fs::create_directories(sys);
    fs::copy_file(std::string(KV_MODULE_DIR) + "/compstui.so", sys + "/compstui.dll", fs::copy_options::overwrite_existing);
    StgInitLibraryLocks();
    UiFillLibraryHooks();
    header.cbSize = sizeof header;
    header.hPrinter = printer;
    header.pszPrinterName = name.data();
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
    header.fMode = DM_IN_PROMPT | DM_OUT_BUFFER;
  }
  ~Machine() {
    StgPurgeContextCache(1);
    StgFreeLibraryLocks();
    if (printer) ClosePrinter(printer);
  }
  // Seconds from the call to the sheet's first wait for the user.
  double OpenOnce() {
    Clock::time_point start = Clock::now(), shown{};
    kvp::ui::ScriptCall([&] { shown = Clock::now(); });
    kvp::ui::ScriptPressCancel();
    DWORD result = 0;
    DlgCallCommonPropertySheet(nullptr, DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&header), &result);
    kvp::ui::ScriptReset();
    return std::chrono::duration<double>(shown - start).count();
  }
};

void BM_DocumentSheetCold(benchmark::State& state) {
  Machine m;
  m.OpenOnce();  // the compiled image is made once per process
  for (auto _ : state) {
    StgPurgeContextCache(1);
    state.SetIterationTime(m.OpenOnce());
  }
}
BENCHMARK(BM_DocumentSheetCold)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DocumentSheetFromCache(benchmark::State& state) {
  Machine m;
  m.OpenOnce();
  for (auto _ : state) state.SetIterationTime(m.OpenOnce());
}
BENCHMARK(BM_DocumentSheetFromCache)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
