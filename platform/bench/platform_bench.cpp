// Costs of the platform's hot calls: mapping a machine path, an uncontended named-mutex acquire and
// release, a critical section, and an ANSI conversion.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <string>

#include "kvplat/codepage.h"
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

}  // namespace

BENCHMARK_MAIN();
