// The driver interface library of a printer, reached through the platform's module loader. A library
// once loaded is held (one reference of the spooler's own) until the process closes its last printer
// handle: loading and freeing it around every call would also empty its context caches each time.
#include <map>
#include <mutex>
#include <vector>

#include "kvplat/module.h"
#include "kvplat/text.h"
#include "spl_internal.h"

namespace kvp::spl {
namespace {
std::mutex g_heldMu;
std::map<std::u16string, HMODULE>& Held() {
  static std::map<std::u16string, HMODULE> held;
  return held;
}
std::u16string Key(const std::u16string& path) {
  std::u16string k = path;
  for (auto& c : k) c = kvp::WFoldUpper(c);
  return k;
}
}  // namespace

void* LoadDriverLibrary(const std::u16string& machinePath) {
  HMODULE lib = LoadLibraryW(machinePath.c_str());
  if (!lib) return nullptr;
  std::lock_guard<std::mutex> g(g_heldMu);
  auto [it, added] = Held().emplace(Key(machinePath), lib);
  if (added) LoadLibraryW(machinePath.c_str());  // the spooler's own reference
  return lib;
}

void* DriverLibraryEntry(void* lib, const char* name) {
  return lib ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name)) : nullptr;
}

void FreeDriverLibrary(void* lib) {
  if (lib) FreeLibrary(static_cast<HMODULE>(lib));
}

void ReleaseHeldDriverLibraries() {
  std::vector<HMODULE> libs;
  {
    std::lock_guard<std::mutex> g(g_heldMu);
    for (auto& [path, lib] : Held()) libs.push_back(lib);
    Held().clear();
  }
  for (HMODULE lib : libs) FreeLibrary(lib);
}

}  // namespace kvp::spl
