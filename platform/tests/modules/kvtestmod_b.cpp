// Test module B: its load entry loads module A and its unload frees it again, so the log shows the order
// of nested load entries; it also records the handle it finds for itself while loading.
#include "kvplat/module.h"
#include "modlog.h"

static HMODULE g_a = nullptr;
static HMODULE g_selfDuringLoad = nullptr;

__attribute__((constructor)) static void OnLoad() {
  ModLog(u"b+");
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&OnLoad), &g_selfDuringLoad);
  g_a = LoadLibraryW(u"KVTESTMOD_A.DLL");
}
__attribute__((destructor)) static void OnUnload() {
  ModLog(u"b-");
  if (g_a) FreeLibrary(g_a);
}

extern "C" __attribute__((visibility("default"))) HMODULE KvTestSelfDuringLoad() { return g_selfDuringLoad; }
extern "C" __attribute__((visibility("default"))) HMODULE KvTestLoadedA() { return g_a; }
