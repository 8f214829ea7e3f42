// How the resource loader reaches modules and the ANSI code page.
#include <dlfcn.h>
#include <link.h>

#include "kvplat/sysinfo.h"
#include "res_internal.h"

namespace kvp::res {

void* ModuleSymbol(void* module, const char* name) { return dlsym(module, name); }

bool SymbolBelongsTo(void* module, const void* fileBase) {
  link_map* lm = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &lm) != 0 || !lm) return false;
  Dl_info info{};
  // The module's own base: the address of its dynamic section belongs to it.
  if (!dladdr(lm->l_ld, &info)) return false;
  return info.dli_fbase == fileBase;
}

std::u16string AnsiToWide(std::string_view s) {
  std::u16string out;
  for (unsigned char c : s) out.push_back(char16_t(c));
  return out;
}

std::string WideToAnsi(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x100 ? char(c) : '?');
  return out;
}

size_t AnsiCut(const std::string& s, size_t n) { return n; }

}  // namespace kvp::res
