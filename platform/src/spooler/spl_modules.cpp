// The driver interface library of a printer, reached through the platform's module loader.
#include <dlfcn.h>

#include "kvplat/root.h"
#include "spl_internal.h"

namespace kvp::spl {

void* LoadDriverLibrary(const std::u16string& machinePath) {
  std::string host;
  if (MapPath(machinePath, host) != 0) return nullptr;
  return dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* DriverLibraryEntry(void* lib, const char* name) { return lib ? dlsym(lib, name) : nullptr; }

void FreeDriverLibrary(void* lib) {
  if (lib) dlclose(lib);
}

}  // namespace kvp::spl
