// The module loader: machine names to host shared objects, reference counts, built-in modules.
//
// Loading the same module again must cost next to nothing. A module loaded by its full path is found
// again from the path without asking the host about files. A module whose last reference goes is kept a
// moment on a shelf when nothing observable depends on unloading it: a module opened as a data file, or
// a resource library without load entries of its own (only the toolchain's). It is no longer found by
// name or handle, and a load within the moment, of the unchanged file, takes it back instead of opening
// the file again. Every other module is unloaded at once, its destructors running in FreeLibrary.
// A shelved library still maps its file: the platform's own writes to the file unload it first; a file
// rewritten in place by other means within the moment is not supported (replace it by renaming).
#include "kvplat/module.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <elf.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "../core/generation.h"
#include "module_internal.h"
#include "../resource/res_format.h"
#include "../profile/store_file.h"

namespace {

constexpr const char16_t* kBuiltins[] = {
    u"kernel32.dll", u"kernelbase.dll", u"ntdll.dll",   u"user32.dll",   u"gdi32.dll",   u"advapi32.dll",
    u"userenv.dll",  u"shell32.dll",    u"ole32.dll",   u"oleaut32.dll", u"shlwapi.dll", u"version.dll",
    u"winspool.drv", u"comctl32.dll",   u"comdlg32.dll", u"uxtheme.dll", u"mscms.dll",
};
const std::u16string kSystemDir = u"C:\\Windows\\System32";

struct Module {
  uintptr_t handle = 0;
  std::string key;           // real host path, "builtin:<name>" or "process"
  std::string hostPath;
  std::u16string machinePath;
  std::u16string baseName;   // the name it is known by ("X.dll")
  void* dl = nullptr;
  bool data = false;
  bool builtin = false;
  bool pinned = false;
  bool shelvable = false;  // may stay loaded a moment after its last reference
  unsigned refs = 0;
};

// A module whose last reference went a moment ago, kept for a quick load again.
struct Shelved {
  std::unique_ptr<Module> module;
  int64_t sinceMs = 0;
  kvp::store::FileStamp stamp;
};
constexpr int64_t kShelfMs = 1000;
constexpr size_t kShelfSize = 8;

// What a full path resolved to, for finding a loaded or shelved module again.
struct Resolved {
  std::string host;
  std::u16string machine;
  std::string key;
};

struct Loader {
  std::recursive_mutex mu;  // constructors and destructors of modules load and free others
  std::map<uintptr_t, std::unique_ptr<Module>> byHandle;
  std::vector<std::u16string> searchDirs;
  std::u16string processPath;
  std::vector<std::string> unloading;  // modules whose destructors are running
  std::vector<Shelved> shelf;
  std::map<std::u16string, Resolved> resolved;  // by lower-case full path and "|d" for data-file loads
  uintptr_t next = 0x10000000;
};
Loader& L() {
  static auto* l = new Loader();
  return *l;
}

std::u16string Lower(std::u16string s) {
  for (auto& c : s) c = kvp::LowerChar(c);
  return s;
}
std::u16string BaseOfMachine(std::u16string_view p) {
  size_t s = p.find_last_of(u"\\/");
  return std::u16string(s == std::u16string_view::npos ? p : p.substr(s + 1));
}
std::u16string DirOfMachine(std::u16string_view p) {
  size_t s = p.find_last_of(u"\\/");
  return s == std::u16string_view::npos ? std::u16string() : std::u16string(p.substr(0, s));
}

bool IsBuiltinName(const std::u16string& base) {
  std::u16string l = Lower(base);
  for (auto* b : kBuiltins)
    if (l == b) return true;
  return false;
}

bool IsElfSharedObject(const std::string& host) {
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  unsigned char h[18];
  bool ok = read(fd, h, sizeof h) == ssize_t(sizeof h) && std::memcmp(h, "\x7f" "ELF", 4) == 0 &&
            (h[16] | (h[17] << 8)) == 3;  // ET_DYN
  close(fd);
  return ok;
}

bool IsFile(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Resolves a machine path of a module file in one folder: the exact name if it is a shared object (or
// any file for a data-file load), else the ".so" sibling. Returns ERROR_SUCCESS, ERROR_MOD_NOT_FOUND or
// ERROR_BAD_EXE_FORMAT; *machine is the path the module reports.
DWORD ResolveIn(const std::u16string& dir, const std::u16string& base, bool data, std::string* host) {
  std::string h;
  DWORD err = kvp::MapFilePath((dir + u"\\" + base).c_str(), h);
  if (err == ERROR_FILENAME_EXCED_RANGE) return err;
  bool sawFile = false;
  if (err == ERROR_SUCCESS && IsFile(h)) {
    sawFile = true;
    if (data || IsElfSharedObject(h)) {
      *host = h;
      return ERROR_SUCCESS;
    }
  }
  size_t dot = base.rfind(u'.');
  std::u16string so = (dot == std::u16string::npos ? base : base.substr(0, dot)) + u".so";
  err = kvp::MapFilePath((dir + u"\\" + so).c_str(), h);
  if (err == ERROR_SUCCESS && IsFile(h) && IsElfSharedObject(h)) {
    *host = h;
    return ERROR_SUCCESS;
  }
  return sawFile ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND;
}

std::string RealPath(const std::string& host) {
  char buf[PATH_MAX];
  return realpath(host.c_str(), buf) ? std::string(buf) : host;
}

Module* Find(uintptr_t h) {
  auto it = L().byHandle.find(h);
  return it == L().byHandle.end() ? nullptr : it->second.get();
}
Module* FindByKey(const std::string& key, bool data) {
  for (auto& [h, m] : L().byHandle)
    if (m->key == key && m->data == data) return m.get();
  return nullptr;
}
Module* FindByBaseName(const std::u16string& base) {
  std::u16string l = Lower(base);
  for (auto& [h, m] : L().byHandle)
    if (!m->data && Lower(m->baseName) == l) return m.get();
  return nullptr;
}

Module* Add(std::unique_ptr<Module> m) {
  Loader& l = L();
  m->handle = l.next;
  l.next += 0x10000;
  Module* raw = m.get();
  l.byHandle[raw->handle] = std::move(m);
  return raw;
}

// ---- shelf ----

// Whether the ELF file's constructor and destructor arrays hold only the toolchain's own entries, read
// from its symbol table. A file without one (stripped) counts as having entries of its own.
bool OnlyToolchainEntries(const std::string& host) {
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  std::vector<unsigned char> f;
  if (fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size < (64 << 20)) {
    f.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < f.size()) {
      ssize_t n = pread(fd, f.data() + got, f.size() - got, off_t(got));
      if (n <= 0) break;
      got += size_t(n);
    }
    f.resize(got);
  }
  close(fd);
  if (f.size() < sizeof(Elf64_Ehdr) || std::memcmp(f.data(), ELFMAG, SELFMAG) != 0 || f[EI_CLASS] != ELFCLASS64)
    return false;
  Elf64_Ehdr eh;
  std::memcpy(&eh, f.data(), sizeof eh);
  if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shoff > f.size() ||
      uint64_t(eh.e_shnum) * sizeof(Elf64_Shdr) > f.size() - eh.e_shoff)
    return false;
  std::vector<Elf64_Shdr> sh(eh.e_shnum);
  std::memcpy(sh.data(), f.data() + eh.e_shoff, sh.size() * sizeof(Elf64_Shdr));
  auto inFile = [&](const Elf64_Shdr& s) { return s.sh_offset <= f.size() && s.sh_size <= f.size() - s.sh_offset; };
  std::vector<uint64_t> entries;
  const Elf64_Shdr* symtab = nullptr;
  for (const auto& s : sh) {
    if (s.sh_type == SHT_SYMTAB) symtab = &s;
    if ((s.sh_type == SHT_INIT_ARRAY || s.sh_type == SHT_FINI_ARRAY || s.sh_type == SHT_PREINIT_ARRAY) && inFile(s)) {
      // The arrays hold addresses the loader relocates; in the file they are the entries' addresses.
      for (uint64_t o = 0; o + 8 <= s.sh_size; o += 8) {
        uint64_t a;
        std::memcpy(&a, f.data() + s.sh_offset + o, 8);
        entries.push_back(a);
      }
    }
  }
  if (entries.empty()) return true;
  if (!symtab || !inFile(*symtab) || symtab->sh_link >= sh.size() || !inFile(sh[symtab->sh_link])) return false;
  const Elf64_Shdr& strtab = sh[symtab->sh_link];
  auto nameAt = [&](uint32_t off) -> std::string_view {
    if (off >= strtab.sh_size) return {};
    const char* p = reinterpret_cast<const char*>(f.data() + strtab.sh_offset + off);
    return std::string_view(p, strnlen(p, strtab.sh_size - off));
  };
  auto toolchain = [](std::string_view n) {
    return n == "frame_dummy" || n == "__do_global_dtors_aux" || n == "asan.module_ctor" || n == "asan.module_dtor" ||
           n.rfind("_sub_I_00099_", 0) == 0 || n.rfind("_sub_D_00099_", 0) == 0;
  };
  for (uint64_t a : entries) {
    bool known = false;
    for (uint64_t o = 0; o + sizeof(Elf64_Sym) <= symtab->sh_size && !known; o += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, f.data() + symtab->sh_offset + o, sizeof sym);
      if (ELF64_ST_TYPE(sym.st_info) == STT_FUNC && sym.st_value == a) known = toolchain(nameAt(sym.st_name));
    }
    if (!known) return false;
  }
  return true;
}

// A resource library: a module that carries its own resource directory.
bool IsResourceLibrary(void* dl) {
  void* sym = dlsym(dl, kvres::kSymbol);
  link_map* lm = nullptr;
  Dl_info own{}, found{};
  return sym && dlinfo(dl, RTLD_DI_LINKMAP, &lm) == 0 && lm && dladdr(lm->l_ld, &own) && dladdr(sym, &found) &&
         own.dli_fbase == found.dli_fbase;
}

// Unloads what stayed on the shelf past its moment (all of it when `all`). Caller holds the loader lock.
void PruneShelf(bool all) {
  Loader& l = L();
  int64_t now = kvp::gen::CoarseNowMs();
  for (size_t i = 0; i < l.shelf.size();) {
    if (!all && now - l.shelf[i].sinceMs < kShelfMs) {
      ++i;
      continue;
    }
    std::unique_ptr<Module> m = std::move(l.shelf[i].module);
    l.shelf.erase(l.shelf.begin() + std::ptrdiff_t(i));
    if (m->dl) dlclose(m->dl);
  }
}

// Takes a module back from the shelf when its file is unchanged; null otherwise.
Module* Unshelve(const std::string& key, bool data) {
  Loader& l = L();
  for (size_t i = 0; i < l.shelf.size(); ++i) {
    Module* m = l.shelf[i].module.get();
    if (m->key != key || (m->data != data && m->data)) continue;
    std::unique_ptr<Module> back = std::move(l.shelf[i].module);
    bool same = kvp::store::StampOf(back->hostPath) == l.shelf[i].stamp;
    l.shelf.erase(l.shelf.begin() + std::ptrdiff_t(i));
    if (!same) {  // replaced on disk: the old one goes, the file is loaded afresh
      if (back->dl) dlclose(back->dl);
      return nullptr;
    }
    back->refs = 1;
    Module* raw = back.get();
    l.byHandle[raw->handle] = std::move(back);
    return raw;
  }
  return nullptr;
}

HMODULE HandleOf(const Module* m) { return reinterpret_cast<HMODULE>(m->handle | (m->data ? 2 : 0)); }

void DropShelfAndPaths() {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> g(l.mu);
  PruneShelf(true);
  l.resolved.clear();
}

struct ShelfRootHook {
  ShelfRootHook() { kvp::OnRootChanged(&DropShelfAndPaths); }
} g_shelfRootHook;

// At process exit the modules still loaded are unloaded, last loaded first, while the platform's state
// is whole: their unload work (the load entry's detach) may read profiles and printers. Registered after
// the first module is loaded, so it runs before the platform's own teardown; the state a module can
// reach is created once and never destroyed, so what is made later is still there too.
void UnloadAllAtExit() {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> g(l.mu);
  PruneShelf(true);
  while (true) {
    auto it = std::find_if(l.byHandle.rbegin(), l.byHandle.rend(), [](const auto& e) {
      const Module& m = *e.second;
      return m.dl && !m.builtin && !m.pinned && m.key != "process";
    });
    if (it == l.byHandle.rend()) break;
    void* dl = it->second->dl;
    std::string key = it->second->key;
    l.byHandle.erase(std::next(it).base());
    l.unloading.push_back(key);
    dlclose(dl);
    l.unloading.pop_back();
  }
}

void UnloadAtExitOnce() {
  static bool registered = std::atexit(&UnloadAllAtExit) == 0;
  (void)registered;
}

void* PlatformDl() {
  static void* dl = [] {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&LoadLibraryW), &info);
    return info.dli_fname ? dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD) : nullptr;
  }();
  return dl;
}

Module* Builtin(const std::u16string& base) {
  std::string key = "builtin:" + kvp::ToUtf8(Lower(base));
  if (Module* m = FindByKey(key, false)) return m;
  auto m = std::make_unique<Module>();
  m->key = key;
  m->machinePath = kSystemDir + u"\\" + Lower(base);
  m->baseName = base;
  m->dl = PlatformDl();
  m->builtin = true;
  m->pinned = true;
  return Add(std::move(m));
}

std::u16string DefaultProcessPath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string exe = n > 0 ? std::string(buf, size_t(n)) : "program";
  size_t s = exe.rfind('/');
  if (s != std::string::npos) exe = exe.substr(s + 1);
  return kSystemDir + u"\\" + kvp::FromUtf8(exe) + u".exe";
}

Module* Process() {
  if (Module* m = FindByKey("process", false)) return m;
  auto m = std::make_unique<Module>();
  m->key = "process";
  Loader& l = L();
  m->machinePath = l.processPath.empty() ? DefaultProcessPath() : l.processPath;
  m->baseName = BaseOfMachine(m->machinePath);
  m->dl = dlopen(nullptr, RTLD_NOW);
  m->pinned = true;
  return Add(std::move(m));
}

HMODULE Fail(DWORD err) {
  SetLastError(err);
  return nullptr;
}

bool DebugLoader() {
  static bool on = std::getenv("KV_LOADER_DEBUG") != nullptr;
  return on;
}

HMODULE Load(LPCWSTR name, DWORD flags) {
  if (!name || !*name) return Fail(ERROR_INVALID_PARAMETER);
  bool data = (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE)) != 0;
  std::u16string given(kvp::WView(name));
  for (auto& c : given)
    if (c == u'/') c = u'\\';
  std::u16string base = BaseOfMachine(given);
  if (base.empty()) return Fail(ERROR_MOD_NOT_FOUND);
  if (base.find(u'.') == std::u16string::npos) base += u".dll";
  else if (base.back() == u'.') base.pop_back();  // "X." asks for a name without extension
  bool bare = given.find(u'\\') == std::u16string::npos;

  Loader& l = L();
  std::lock_guard<std::recursive_mutex> g(l.mu);
  if (IsBuiltinName(base)) return reinterpret_cast<HMODULE>(Builtin(base)->handle);
  if (bare && !data) {
    if (Module* m = FindByBaseName(base)) {
      if (!m->builtin) ++m->refs;
      return reinterpret_cast<HMODULE>(m->handle);
    }
  }

  PruneShelf(false);
  std::string host;
  std::u16string machine;
  std::u16string pathKey;
  DWORD err = ERROR_MOD_NOT_FOUND;
  if (!bare) {
    WCHAR full[MAX_PATH];
    if (given.size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
    DWORD n = GetFullPathNameW(given.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
    pathKey = Lower(std::u16string(full, n)) + (data ? u"|d" : u"");
    // The same path again: a loaded module is found without asking the host, a shelved one after one
    // look at its file.
    auto hit = l.resolved.find(pathKey);
    if (hit != l.resolved.end()) {
      if (Module* m = FindByKey(hit->second.key, false)) {
        if (!m->builtin) ++m->refs;
        return HandleOf(m);
      }
      if (data)
        if (Module* m = FindByKey(hit->second.key, true)) {
          ++m->refs;
          return HandleOf(m);
        }
      if (Module* m = Unshelve(hit->second.key, data)) return HandleOf(m);
    }
  }
  if (bare) {
    std::vector<std::u16string> dirs = l.searchDirs;
    dirs.push_back(kSystemDir);
    for (const auto& d : dirs) {
      DWORD e = ResolveIn(d, base, data, &host);
      if (e == ERROR_SUCCESS) {
        machine = d + u"\\" + base;
        err = e;
        break;
      }
      if (e != ERROR_MOD_NOT_FOUND) err = e;
    }
  } else {
    WCHAR full[MAX_PATH];
    DWORD n = GetFullPathNameW(given.c_str(), MAX_PATH, full, nullptr);
    std::u16string dir = DirOfMachine(std::u16string_view(full, n));
    err = ResolveIn(dir, base, data, &host);
    machine = dir + u"\\" + base;
  }
  if (err != ERROR_SUCCESS) return Fail(err);

  std::string key = RealPath(host);
  if (!pathKey.empty()) {
    if (l.resolved.size() >= 256) l.resolved.clear();
    l.resolved[pathKey] = Resolved{host, machine, key};
  }
  if (Module* m = FindByKey(key, false)) {
    if (!m->builtin) ++m->refs;
    return reinterpret_cast<HMODULE>(m->handle);
  }
  if (Module* m = Unshelve(key, data)) return HandleOf(m);
  if (data) {
    if (Module* m = FindByKey(key, true)) {
      ++m->refs;
      return reinterpret_cast<HMODULE>(m->handle);
    }
    auto m = std::make_unique<Module>();
    m->key = key;
    m->hostPath = host;
    m->machinePath = machine;
    m->baseName = base;
    m->data = true;
    m->shelvable = true;
    m->refs = 1;
    Module* raw = Add(std::move(m));
    return reinterpret_cast<HMODULE>(raw->handle | 2);  // data-file handles are marked, as the platform does
  }
  // The record exists before the load entry runs, so the module can find itself from its constructors.
  auto m = std::make_unique<Module>();
  m->key = key;
  m->hostPath = host;
  m->machinePath = machine;
  m->baseName = base;
  m->refs = 1;
  Module* raw = Add(std::move(m));
  void* dl = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!dl) {
    if (DebugLoader()) std::fprintf(stderr, "kvplatform: cannot load %s: %s\n", host.c_str(), dlerror());
    l.byHandle.erase(raw->handle);
    return Fail(ERROR_MOD_NOT_FOUND);
  }
  raw->dl = dl;
  raw->shelvable = IsResourceLibrary(dl) && OnlyToolchainEntries(host);
  UnloadAtExitOnce();
  return reinterpret_cast<HMODULE>(raw->handle);
}

Module* FromHandle(HMODULE h) {
  uintptr_t v = uintptr_t(h);
  Module* m = Find(v & ~uintptr_t(3));
  if (!m || m->data != ((v & 2) != 0)) return nullptr;
  return m;
}

// The module whose code or data holds `addr`; an object the loader did not load (linked into the program
// or loaded by the host directly) gets a pinned record of its own.
Module* FromAddress(const void* addr) {
  Dl_info info{};
  if (!dladdr(addr, &info) || !info.dli_fname) return nullptr;
  void* self = PlatformDl();
  Dl_info pinfo{};
  dladdr(reinterpret_cast<void*>(&LoadLibraryW), &pinfo);
  if (pinfo.dli_fbase == info.dli_fbase && self) return Builtin(u"kernel32.dll");
  std::string fname = info.dli_fname;
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (fname.empty() || (n > 0 && RealPath(fname) == std::string(exe, size_t(n)))) return Process();
  std::string key = RealPath(fname);
  if (Module* m = FindByKey(key, false)) return m;
  for (const auto& k : L().unloading)
    if (k == key) return nullptr;  // a module being unloaded is no longer found
  auto m = std::make_unique<Module>();
  m->key = key;
  m->hostPath = fname;
  std::string b = fname.substr(fname.rfind('/') + 1);
  if (b.size() > 3 && b.compare(b.size() - 3, 3, ".so") == 0) b = b.substr(0, b.size() - 3) + ".dll";
  m->baseName = kvp::FromUtf8(b);
  m->machinePath = kSystemDir + u"\\" + m->baseName;
  m->dl = dlopen(fname.c_str(), RTLD_NOW | RTLD_NOLOAD);
  m->pinned = true;
  return Add(std::move(m));
}

}  // namespace

void kvp::mod::ForgetShelved(dev_t dev, ino_t ino) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> g(l.mu);
  for (size_t i = 0; i < l.shelf.size();) {
    const kvp::store::FileStamp& st = l.shelf[i].stamp;
    if (!st.exists || st.dev != (unsigned long long)dev || st.ino != (unsigned long long)ino) {
      ++i;
      continue;
    }
    std::unique_ptr<Module> m = std::move(l.shelf[i].module);
    l.shelf.erase(l.shelf.begin() + std::ptrdiff_t(i));
    if (m->dl) dlclose(m->dl);
  }
}

KVAPI HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  if (file) return Fail(ERROR_INVALID_PARAMETER);
  return Load(name, flags);
}
KVAPI HMODULE LoadLibraryW(LPCWSTR name) { return Load(name, 0); }
KVAPI HMODULE LoadLibraryA(LPCSTR name) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  std::u16string w;
  if (!kvp::AnsiToWide(name, &w)) return Fail(ERROR_INVALID_PARAMETER);
  return Load(w.c_str(), 0);
}

KVAPI FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  std::lock_guard<std::recursive_mutex> g(L().mu);
  Module* m = module ? FromHandle(module) : Process();
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!name || IS_INTRESOURCE(name) || m->data || !m->dl) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  dlerror();
  void* sym = dlsym(m->dl, name);
  if (!sym) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // dlsym also searches the module's dependencies; only the module's own exports count.
  link_map* lm = nullptr;
  Dl_info info{};
  if (dlinfo(m->dl, RTLD_DI_LINKMAP, &lm) == 0 && lm && dladdr(sym, &info) && info.dli_fname && lm->l_name &&
      *lm->l_name && std::strcmp(info.dli_fname, lm->l_name) != 0 && RealPath(info.dli_fname) != RealPath(lm->l_name)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(sym);
}

KVAPI BOOL FreeLibrary(HMODULE module) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> g(l.mu);
  Module* m = FromHandle(module);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (m->builtin || m->pinned || m->key == "process") return TRUE;
  if (m->refs > 1) {
    --m->refs;
    return TRUE;
  }
  PruneShelf(false);
  if (m->shelvable) {
    // No longer found by name or handle, but kept a moment for a quick load again.
    auto it = l.byHandle.find(m->handle);
    Shelved kept{std::move(it->second), kvp::gen::CoarseNowMs(), kvp::store::StampOf(m->hostPath)};
    l.byHandle.erase(it);
    kept.module->refs = 0;
    if (l.shelf.size() >= kShelfSize) {
      std::unique_ptr<Module> oldest = std::move(l.shelf.front().module);
      l.shelf.erase(l.shelf.begin());
      if (oldest->dl) dlclose(oldest->dl);
    }
    l.shelf.push_back(std::move(kept));
    return TRUE;
  }
  void* dl = m->dl;
  std::string key = m->key;
  l.byHandle.erase(m->handle);  // gone before its destructors run, as for the platform
  if (dl) {
    l.unloading.push_back(key);
    dlclose(dl);
    l.unloading.pop_back();
  }
  return TRUE;
}

KVAPI HMODULE GetModuleHandleW(LPCWSTR name) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> g(l.mu);
  if (!name) return reinterpret_cast<HMODULE>(Process()->handle);
  std::u16string given(kvp::WView(name));
  std::u16string base = BaseOfMachine(given);
  if (base.find(u'.') == std::u16string::npos) base += u".dll";
  if (IsBuiltinName(base)) return reinterpret_cast<HMODULE>(Builtin(base)->handle);
  bool bare = given.find_first_of(u"\\/") == std::u16string::npos;
  if (bare) {
    if (Module* m = FindByBaseName(base)) return reinterpret_cast<HMODULE>(m->handle);
  } else {
    WCHAR full[MAX_PATH];
    DWORD n = GetFullPathNameW(given.c_str(), MAX_PATH, full, nullptr);
    std::u16string lfull = Lower(std::u16string(full, n < MAX_PATH ? n : 0));
    for (auto& [h, m] : l.byHandle)
      if (!m->data && Lower(m->machinePath) == lfull) return reinterpret_cast<HMODULE>(m->handle);
  }
  return Fail(ERROR_MOD_NOT_FOUND);
}

KVAPI BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module) {
  if (!module || (flags & ~DWORD(7)) ||
      ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) && (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    if (module) *module = nullptr;
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> g(L().mu);
  Module* m;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    m = FromAddress(name);
  } else {
    HMODULE h = GetModuleHandleW(name);
    m = h ? FromHandle(h) : nullptr;
  }
  if (!m) {
    *module = nullptr;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) m->pinned = true;
  else if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) && !m->builtin) ++m->refs;
  *module = reinterpret_cast<HMODULE>(m->handle);
  return TRUE;
}

KVAPI BOOL DisableThreadLibraryCalls(HMODULE module) {
  std::lock_guard<std::recursive_mutex> g(L().mu);
  if (!FromHandle(module)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;  // this platform makes no per-thread calls into modules
}

namespace {
bool MachinePathOf(HMODULE module, std::u16string* out) {
  std::lock_guard<std::recursive_mutex> g(L().mu);
  Module* m = module ? FromHandle(module) : Process();
  if (!m) return false;
  *out = m->machinePath;
  return true;
}
}  // namespace

KVAPI DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  std::u16string p;
  if (!MachinePathOf(module, &p)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (p.size() < size) {
    kvp::WCopy(buffer, size, p.c_str());
    return DWORD(p.size());
  }
  kvp::WCopy(buffer, size, p.c_str());
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

KVAPI DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::u16string p;
  std::string a;
  if (!MachinePathOf(module, &p) || !kvp::WideToAnsi(p, &a)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  size_t n = a.size() < size ? a.size() : size - 1;
  std::memcpy(buffer, a.data(), n);
  buffer[n] = 0;
  if (a.size() < size) return DWORD(n);
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

namespace kvp {

DWORD AddModuleSearchDir(std::u16string_view machineDir) {
  std::u16string d(machineDir);
  while (!d.empty() && (d.back() == u'\\' || d.back() == u'/')) d.pop_back();
  std::string host;
  DWORD err = MapFilePath(d.c_str(), host);
  if (err) return err;
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> g(l.mu);
  for (const auto& e : l.searchDirs)
    if (WEqualI(e, d)) return ERROR_SUCCESS;
  l.searchDirs.push_back(d);
  return ERROR_SUCCESS;
}

void ClearModuleSearchDirs() {
  std::lock_guard<std::recursive_mutex> g(L().mu);
  L().searchDirs.clear();
}

void SetProcessImagePath(std::u16string_view machinePath) {
  std::lock_guard<std::recursive_mutex> g(L().mu);
  L().processPath = std::u16string(machinePath);
  if (Module* m = FindByKey("process", false)) {
    m->machinePath = L().processPath.empty() ? DefaultProcessPath() : L().processPath;
    m->baseName = BaseOfMachine(m->machinePath);
  }
}

bool GetModuleInfo(HMODULE module, ModuleInfo* info) {
  std::lock_guard<std::recursive_mutex> g(L().mu);
  Module* m = FromHandle(module);
  if (!m || !info) return false;
  info->hostPath = m->hostPath;
  info->machinePath = m->machinePath;
  info->dlHandle = m->dl;
  info->dataFile = m->data;
  info->builtin = m->builtin;
  info->refs = m->refs;
  return true;
}

}  // namespace kvp
