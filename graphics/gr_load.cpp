// The library's load entry: runs DllMain at attach and detach, so the library is set up before the engine calls it.
// Only the built library has it; the unit tests attach the library themselves.
#include "gr_hooks.h"
#include "kvplat/module.h"

namespace {

HMODULE g_self = nullptr;

__attribute__((constructor)) void GrAttach() {
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&g_self), &g_self);
  DllMain(g_self, 1, nullptr);
}
__attribute__((destructor)) void GrDetach() { DllMain(g_self, 0, nullptr); }

}  // namespace
