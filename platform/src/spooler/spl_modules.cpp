// The driver interface library of a printer, reached through the platform's module loader.
#include "kvplat/module.h"
#include "spl_internal.h"

namespace kvp::spl {

void* LoadDriverLibrary(const std::u16string& machinePath) { return LoadLibraryW(machinePath.c_str()); }

void* DriverLibraryEntry(void* lib, const char* name) {
  return lib ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name)) : nullptr;
}

void FreeDriverLibrary(void* lib) {
  if (lib) FreeLibrary(static_cast<HMODULE>(lib));
}

}  // namespace kvp::spl
