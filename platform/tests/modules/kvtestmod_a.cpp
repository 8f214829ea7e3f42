// Test module A: logs its load entry and unload, exports a function and a way to find its own handle.
#include "kvplat/module.h"
#include "modlog.h"

__attribute__((constructor)) static void OnLoad() { ModLog(u"a+"); }
__attribute__((destructor)) static void OnUnload() { ModLog(u"a-"); }

extern "C" __attribute__((visibility("default"))) int KvTestA(int x) { return x + 1; }

extern "C" __attribute__((visibility("default"))) HMODULE KvTestSelf() {
  HMODULE h = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&KvTestSelf), &h);
  return h;
}
