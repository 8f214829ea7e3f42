// How the resource loader reaches modules (the platform's module loader) and the ANSI code page.
#include <dlfcn.h>
#include <link.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "res_internal.h"

namespace kvp::res {
namespace {

// A module's symbol must be its own, not one of a library it depends on that the host loader also searches.
bool SymbolBelongsTo(void* dlHandle, const void* sym) {
  link_map* lm = nullptr;
  if (!dlHandle || dlinfo(dlHandle, RTLD_DI_LINKMAP, &lm) != 0 || !lm) return false;
  Dl_info own{}, found{};
  if (!dladdr(lm->l_ld, &own) || !dladdr(sym, &found)) return false;
  return own.dli_fbase == found.dli_fbase;
}

// Directories of modules opened as data files, read from their files and kept for the life of the process
// (the bytes LoadResource hands out must stay valid while the module is loaded).
std::mutex g_fileMu;
std::map<std::pair<HMODULE, std::string>, std::unique_ptr<std::vector<uint8_t>>>& FileDirs() {
  static std::map<std::pair<HMODULE, std::string>, std::unique_ptr<std::vector<uint8_t>>> m;
  return m;
}

}  // namespace

bool ModuleDirectory(HMODULE module, Directory& out, DWORD* err) {
  HMODULE m = module ? module : GetModuleHandleW(nullptr);
  ModuleInfo info;
  if (!m || !GetModuleInfo(m, &info)) {
    *err = module ? DWORD(ERROR_INVALID_HANDLE) : DWORD(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  if (info.builtin) {
    *err = ERROR_RESOURCE_DATA_NOT_FOUND;
    return false;
  }
  if (!info.dlHandle) {  // opened as a data file: no code ran, the directory comes from the file
    std::lock_guard<std::mutex> g(g_fileMu);
    auto& slot = FileDirs()[{m, info.hostPath}];
    if (!slot) {
      auto bytes = std::make_unique<std::vector<uint8_t>>();
      DWORD e = DirectoryBytesFromFile(info.hostPath, *bytes);
      if (e) {
        FileDirs().erase({m, info.hostPath});
        *err = e;
        return false;
      }
      slot = std::move(bytes);
    }
    if (!Directory::Open(slot->data(), slot->size(), out)) {
      *err = ERROR_INVALID_DATA;
      return false;
    }
    RememberDirectory(out);
    return true;
  }
  void* sym = info.dlHandle ? dlsym(info.dlHandle, kvres::kSymbol) : nullptr;
  if (!sym || !SymbolBelongsTo(info.dlHandle, sym)) {
    *err = ERROR_RESOURCE_DATA_NOT_FOUND;
    return false;
  }
  Dl_info dli{};
  void* extra = nullptr;
  size_t maxSize = 0;
  if (dladdr1(sym, &dli, &extra, RTLD_DL_SYMENT) && extra) maxSize = static_cast<const ElfW(Sym)*>(extra)->st_size;
  if (!Directory::Open(static_cast<const uint8_t*>(sym), maxSize, out)) {
    *err = ERROR_INVALID_DATA;
    return false;
  }
  RememberDirectory(out);
  return true;
}

std::u16string AnsiToWide(std::string_view s) {
  std::u16string out;
  if (!kvp::AnsiToWide(s, &out)) out.clear();
  return out;
}

std::string WideToAnsi(std::u16string_view s) {
  std::string out;
  if (!kvp::WideToAnsi(s, &out)) out.clear();
  return out;
}

size_t AnsiCut(const std::string& s, size_t n) {
  size_t i = 0;
  while (i < n && i < s.size()) {
    if (IsDBCSLeadByte(BYTE(s[i]))) {
      if (i + 2 > n) break;  // the pair would be split: stop before its lead byte
      i += 2;
    } else {
      ++i;
    }
  }
  return std::min(i, n);
}

}  // namespace kvp::res
