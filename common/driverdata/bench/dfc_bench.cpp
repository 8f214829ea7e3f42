// Compiling a data file of realistic shape: features with options and commands, papers, Judges, list
// statements, Exclusive rows and command groups. Two sizes show that the time grows linearly.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>

#include "driverdata/dfc_compiler.h"
#include "kvplat/heap.h"

namespace {

struct Names {
  std::unordered_map<std::string, std::pair<uint16_t, uint16_t>> symbols;
  std::unordered_map<std::string, uint32_t> enums;
};
Names g_names;

int FindSymbol(void*, const char* n, uint16_t* id, uint16_t* key) {
  auto it = g_names.symbols.find(n);
  if (it == g_names.symbols.end()) return 0;
  *id = it->second.first;
  *key = it->second.second;
  return 1;
}
int FindEnum(void*, const char* n, uint32_t* v) {
  auto it = g_names.enums.find(n);
  if (it == g_names.enums.end()) return 0;
  *v = it->second;
  return 1;
}
int NoId(void*, const char*, uint16_t*) { return 0; }
const dfc::DFC_RESOLVER kResolver = {nullptr, FindSymbol, FindEnum, NoId, NoId, NoId};

// A data file with `features` features of 8 options each and rules over them; returns the statement count.
std::string Generate(int features, int* statements) {
  std::string f = "*FileVersion: 8.63\n*UIResDLLName: \"ZTRESxx.DLL\"\n";
  int n = 2;
  for (int i = 0; i < 8; ++i) g_names.enums["OPT_" + std::to_string(i)] = uint32_t(1000 + i);
  for (int k = 0; k < features; ++k) {
    std::string s = "QDV_SET_" + std::to_string(k);
    g_names.symbols[s] = {uint16_t(1 + k % 1500), uint16_t(2000 + k)};
    bool page = k % 4 == 0;
    f += "*OpenUI *" + s + (page ? ": PickPage\n" : ": PickOne\n");
    f += "*Default" + s + ": OPT_2\n";
    n += 3;
    for (int o = 0; o < 8; ++o) {
      f += "*" + s + " OPT_" + std::to_string(o) + ": \"@PJL SET " + s + " = " + std::to_string(o) + "<0D0A>\"\n";
      ++n;
      if (page) {
        f += "*PageMMValue Size OPT_" + std::to_string(o) + ": \"2100 2970\"\n";
        f += "*PageValue Area OPT_" + std::to_string(o) + ": 86 OPT_1 \"118 118 4724 6778 0 0\"\n";
        n += 2;
      }
    }
    f += "*OptionCommand: { \"@PJL SET X = \" \"<0D0A>\" }\n*CloseUI\n";
    n += 2;
    std::string j = std::to_string(k + 1);
    f += "*Judge " + j + "=J" + j + ": (" + s + " == OPT_1) && (" + s + " != OPT_3) || " + s + " >= 7\n";
    f += "*Item " + j + ": { OPT_0 J" + j + " NULL NULL OPT_5 Judge" + j + " NULL NULL }\n";
    f += "*Action " + j + ": { " + s + " OPT_2 " + s + " Default }\n";
    f += "*Transact " + j + "=T" + j + ": { J" + j + " Action" + j + " }\n";
    f += "*Exclusive: { " + s + " J" + j + " NULL Item" + j + " NULL T" + j + " NULL NULL }\n";
    n += 5;
  }
  for (int c = 1; c <= 50; ++c) f += "*CommandString " + std::to_string(c) + ": \"<1B>%%-12345X@PJL JOB<0D0A>\"\n";
  n += 50;
  f += "*CommandGroup: JobStart {\n";
  for (int c = 1; c <= 50; ++c)
    f += "  Command : J" + std::to_string(c) + " {\n    Type : StringType " + std::to_string(c) +
         "\n  } Else {\n    Type : FontType\n  }\n";
  f += "}\n";
  n += 1;
  *statements = n;
  return f;
}

void BM_CompileDataFile(benchmark::State& state) {
  int statements = 0;
  std::string text = Generate(int(state.range(0)), &statements);
  for (auto _ : state) {
    dfc::COMPILE_RECORD* rec = dfc::DfcParseDataBytes(text.data(), text.size(), &kResolver);
    uint32_t length = 0;
    BYTE* image = dfc::DfcAssembleImage(rec, &length);
    benchmark::DoNotOptimize(image);
    GlobalFree(image);
  }
  state.SetItemsProcessed(state.iterations() * statements);
  state.counters["statements"] = statements;
  state.counters["bytes"] = double(text.size());
}
BENCHMARK(BM_CompileDataFile)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_CheckAndRelocate(benchmark::State& state) {
  int statements = 0;
  std::string text = Generate(int(state.range(0)), &statements);
  dfc::COMPILE_RECORD* rec = dfc::DfcParseDataBytes(text.data(), text.size(), &kResolver);
  uint32_t length = 0;
  BYTE* image = dfc::DfcAssembleImage(rec, &length);
  std::string copy(length, '\0');
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(copy.data(), image, length);
    state.ResumeTiming();
    benchmark::DoNotOptimize(dfc::DfcCheckAndRelocate(reinterpret_cast<BYTE*>(copy.data()), length));
  }
  GlobalFree(image);
  state.counters["image_bytes"] = length;
}
BENCHMARK(BM_CheckAndRelocate)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
