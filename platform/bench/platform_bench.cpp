// Costs of the platform's hot calls: mapping a machine path, an uncontended named-mutex acquire and
// release, a critical section, an ANSI conversion, and the answers kept in memory between calls: the
// system profile, spooler records, a module loaded again and a small file's read-only view.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <string>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/root.h"
#include "kvplat/sync.h"

namespace {

// One machine root for the whole run, removed at exit.
struct BenchRoot {
  std::string path;
  BenchRoot() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kvbench-XXXXXX").string();
    path = mkdtemp(tmpl.data()) ? tmpl : "kvbench-root";
    kvp::InitMachineRoot(path);
    kvp::SetMachineRoot(path);
    std::FILE* f = std::fopen((path + "/c/Windows/System32/spool/drivers/x64/3/kvdrvset.ini").c_str(), "w");
    if (f) std::fclose(f);
    // Folders changed moments ago are re-listed on every look-up; a running machine's are older.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ~BenchRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};
BenchRoot& Root() {
  static BenchRoot r;
  return r;
}

void BM_MapPath(benchmark::State& state) {
  Root();
  const std::u16string p = state.range(0) ? u"c:\\windows\\system32\\SPOOL\\drivers\\X64\\3\\kvdrvset.ini"
                                          : u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvset.ini";
  std::string host;
  for (auto _ : state) {
    kvp::MapPath(p, host);
    benchmark::DoNotOptimize(host);
  }
}
BENCHMARK(BM_MapPath)->Arg(0)->Arg(1)->ArgName("other_case");

void BM_NamedMutexAcquireRelease(benchmark::State& state) {
  Root();
  HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\ZarnMutexTse");
  for (auto _ : state) {
    WaitForSingleObject(m, INFINITE);
    ReleaseMutex(m);
  }
  CloseHandle(m);
}
BENCHMARK(BM_NamedMutexAcquireRelease);

void BM_NamedMutexRecursiveEntry(benchmark::State& state) {
  Root();
  HANDLE m = CreateMutexW(nullptr, TRUE, u"Global\\ZarnMutexTseRecursive");
  for (auto _ : state) {
    WaitForSingleObject(m, INFINITE);
    ReleaseMutex(m);
  }
  ReleaseMutex(m);
  CloseHandle(m);
}
BENCHMARK(BM_NamedMutexRecursiveEntry);

void BM_CriticalSection(benchmark::State& state) {
  CRITICAL_SECTION cs;
  InitializeCriticalSectionAndSpinCount(&cs, 4000);
  for (auto _ : state) {
    EnterCriticalSection(&cs);
    LeaveCriticalSection(&cs);
  }
  DeleteCriticalSection(&cs);
}
BENCHMARK(BM_CriticalSection);

void BM_MultiByteToWideChar(benchmark::State& state) {
  Root();
  const std::string text(256, 'x');
  WCHAR out[300];
  UINT cp = UINT(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(MultiByteToWideChar(cp, 0, text.data(), int(text.size()), out, 300));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_MultiByteToWideChar)->Arg(CP_ACP)->Arg(1252)->Arg(932);

void BM_GetACP(benchmark::State& state) {
  Root();
  for (auto _ : state) benchmark::DoNotOptimize(GetACP());
}
BENCHMARK(BM_GetACP);

// A printer of a driver installed in the bench root, opened once.
HANDLE BenchPrinter() {
  static HANDLE printer = [] {
    Root();
    std::u16string name = u"Bench driver", env = KV_PRINT_ENVIRONMENT, drv = u"kvdrvgr.dll", data = u"kvdrvdat",
                   cfg = u"kvdrvui.dll";
    DRIVER_INFO_2W di{3, name.data(), env.data(), drv.data(), data.data(), cfg.data()};
    AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&di));
    std::u16string pn = u"Bench printer";
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = pn.data();
    pi.pDriverName = name.data();
    HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    DWORD v = 1;
    SetPrinterDataW(h, const_cast<LPWSTR>(u"Value"), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4);
    return h;
  }();
  return printer;
}

// The driver's data-file path as a driver asks for it: size, then the record.
void BM_GetPrinterDriver(benchmark::State& state) {
  HANDLE h = BenchPrinter();
  BYTE buf[2048];
  for (auto _ : state) {
    DWORD need = 0;
    GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &need);
    if (!GetPrinterDriverW(h, nullptr, 2, buf, sizeof buf, &need)) state.SkipWithError("no driver");
  }
}
BENCHMARK(BM_GetPrinterDriver);

void BM_GetPrinterData(benchmark::State& state) {
  HANDLE h = BenchPrinter();
  for (auto _ : state) {
    DWORD v = 0, type = 0, need = 0;
    if (GetPrinterDataW(h, const_cast<LPWSTR>(u"Value"), &type, reinterpret_cast<LPBYTE>(&v), 4, &need))
      state.SkipWithError("no value");
  }
}
BENCHMARK(BM_GetPrinterData);

// A burst of 20 printer-data writes, as one device query stores its answers: each write is atomic and
// durable on its own. Half the values change on every round, half are written again unchanged.
void BM_SetPrinterDataBurstOf20(benchmark::State& state) {
  HANDLE h = BenchPrinter();
  DWORD round = 0;
  for (auto _ : state) {
    ++round;
    for (DWORD i = 0; i < 20; ++i) {
      std::u16string name = u"Answer" + std::u16string(1, char16_t(u'A' + i));
      DWORD v = i % 2 ? round : i;
      if (SetPrinterDataW(h, name.data(), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4) != ERROR_SUCCESS)
        state.SkipWithError("write failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_SetPrinterDataBurstOf20)->Unit(benchmark::kMicrosecond);

// A resource library loaded and freed again and again, as every settings context does.
void BM_LoadLibraryAgain(benchmark::State& state) {
  static bool copied = std::filesystem::copy_file(std::string(KV_MODULE_DIR) + "/KV8350us.so",
                                                  Root().path + "/c/Windows/System32/spool/drivers/x64/3/KV8350US.DLL");
  if (!copied) state.SkipWithError("no resource library");
  const char16_t* path = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\KV8350US.DLL";
  for (auto _ : state) {
    HMODULE m = LoadLibraryW(path);
    if (!m) state.SkipWithError("no module");
    FreeLibrary(m);
  }
}
BENCHMARK(BM_LoadLibraryAgain);

// A read-only view of a file of the data file's size: open, map, view, unmap, close.
void BM_MapSmallFileView(benchmark::State& state) {
  Root();
  std::filesystem::create_directories(Root().path + "/c/Windows/Temp");
  std::string host = Root().path + "/c/Windows/Temp/view.bin";
  std::FILE* f = std::fopen(host.c_str(), "wb");
  if (f) {
    std::string bytes(size_t(state.range(0)), 'x');
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  for (auto _ : state) {
    HANDLE file = CreateFileW(u"C:\\Windows\\Temp\\view.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE map = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    CloseHandle(file);
    const void* view = MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(map);
    if (!view) state.SkipWithError("no view");
    benchmark::DoNotOptimize(static_cast<const char*>(view)[0]);
    UnmapViewOfFile(view);
  }
}
BENCHMARK(BM_MapSmallFileView)->Arg(54 * 1024)->Arg(1024 * 1024);

}  // namespace

BENCHMARK_MAIN();
