// Plug-in lists: the registry's plug-in keys and the driver folder's plug-in INI, merged by id.
#include "devlink/plugins.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "config/paths.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/profile.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"

namespace {

constexpr size_t kMaxName = 250;        // longer ids and INI texts are skipped or read as none
constexpr size_t kMaxRegTextBytes = 251;  // registry texts, terminator included
constexpr const WCHAR* kRegRoot = u"Software\\KAVRO\\ZarnPlugins\\";

std::u16string Wide(const char* s) {
  if (!s || !*s) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  if (n <= 0) return {};
  std::u16string w(size_t(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
  w.resize(size_t(n - 1));
  return w;
}

std::string Ansi(std::u16string_view w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string s(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// A zero-filled copy of `s` from the global heap, or none.
char* Dup(const std::string& s) {
  auto* p = static_cast<char*>(StgAllocZero(DWORD(s.size() + 1)));
  if (p) std::memcpy(p, s.data(), s.size());
  return p;
}

void FreeEntry(PLUGIN_ENTRY* e) {
  if (!e) return;
  StgFree(e->id);
  StgFree(e->name);
  StgFree(e->installPath);
  StgFree(e);
}

// Appends `name` to a name list that has room for `cap` names. false when memory ran out.
bool AddName(NAME_LIST* list, const std::string& name) {
  char* copy = Dup(name);
  if (!copy) return false;
  list->names[list->count++] = copy;
  return true;
}

NAME_LIST* NewNameList(DWORD cap) {
  auto* l = static_cast<NAME_LIST*>(StgAllocZero(sizeof(NAME_LIST)));
  if (!l) return nullptr;
  l->names = static_cast<char**>(StgAllocZero(DWORD(sizeof(char*) * (cap ? cap : 1))));
  if (!l->names) {
    StgFree(l);
    return nullptr;
  }
  return l;
}

bool Contains(const NAME_LIST* list, const std::string& id) {
  if (!list) return false;
  std::u16string w = Wide(id.c_str());
  for (DWORD i = 0; i < list->count; ++i)
    if (lstrcmpiW(Wide(list->names[i]).c_str(), w.c_str()) == 0) return true;
  return false;
}

// Registry ids of a category: sub-key names of at most 250 characters, in enumeration order. Sets *oom
// when memory ran out.
NAME_LIST* RegistryIds(const std::u16string& category, bool* oom) {
  HKEY key = nullptr;
  std::u16string path = kRegRoot + category;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  DWORD subKeys = 0;
  NAME_LIST* list = nullptr;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr) == ERROR_SUCCESS &&
      subKeys) {
    list = NewNameList(subKeys);
    if (!list) *oom = true;
    for (DWORD i = 0; list && i < subKeys; ++i) {
      WCHAR name[kMaxName + 2] = {};
      DWORD chars = kMaxName + 1;
      if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
      if (chars > kMaxName) continue;
      if (!AddName(list, Ansi(std::u16string_view(name, chars)))) {
        *oom = true;
        PlgFreeNameList(list);
        list = nullptr;
      }
    }
  }
  RegCloseKey(key);
  if (list && list->count == 0) {
    PlgFreeNameList(list);
    list = nullptr;
  }
  return list;
}

// An INI text of at most 250 characters, else empty.
std::u16string IniText(const std::u16string& section, const WCHAR* key, const std::u16string& file) {
  WCHAR buf[kMaxName + 2] = {};
  DWORD n = GetPrivateProfileStringW(section.c_str(), key, u"", buf, kMaxName + 2, file.c_str());
  if (n > kMaxName) return {};
  return std::u16string(buf, n);
}

// INI ids of a category that the registry did not list. Sets *oom when memory ran out.
NAME_LIST* IniIds(const std::u16string& category, const std::u16string& ini, const NAME_LIST* registry, bool* oom) {
  UINT count = GetPrivateProfileIntW(category.c_str(), u"Count", 0, ini.c_str());
  if (count == 0 || count > 0x10000) return nullptr;
  NAME_LIST* list = NewNameList(count);
  if (!list) {
    *oom = true;
    return nullptr;
  }
  for (UINT i = 0; i < count; ++i) {
    std::u16string key = u"PluginID" + kvp::FromUtf8(std::to_string(i));
    std::string id = Ansi(IniText(category, key.c_str(), ini));
    if (id.empty() || Contains(registry, id) || Contains(list, id)) continue;
    if (!AddName(list, id)) {
      *oom = true;
      PlgFreeNameList(list);
      return nullptr;
    }
  }
  if (list->count == 0) {
    PlgFreeNameList(list);
    list = nullptr;
  }
  return list;
}

// A registry text value: none when missing, not text, or longer than 251 bytes with its terminator.
char* RegText(HKEY key, const WCHAR* value, bool* oom) {
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key, value, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return nullptr;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes > 4 * kMaxRegTextBytes) return nullptr;
  std::u16string w(bytes / 2 + 1, u'\0');
  if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(w.data()), &bytes) != ERROR_SUCCESS)
    return nullptr;
  w.resize(kvp::WLen(w.c_str()));
  std::string a = Ansi(w);
  if (a.size() + 1 > kMaxRegTextBytes) return nullptr;
  char* p = Dup(a);
  if (!p) *oom = true;
  return p;
}

DWORD RegNumber(HKEY key, const WCHAR* value) {
  DWORD type = 0, v = 0, bytes = sizeof(v);
  if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&v), &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;
  return v;
}

PLUGIN_ENTRY* NewEntry(const char* id, bool* oom) {
  auto* e = static_cast<PLUGIN_ENTRY*>(StgAllocZero(sizeof(PLUGIN_ENTRY)));
  if (e) e->id = Dup(id);
  if (!e || !e->id) {
    FreeEntry(e);
    *oom = true;
    return nullptr;
  }
  return e;
}

// The registry entry of one id, or none when its key does not open for reading.
PLUGIN_ENTRY* RegistryEntry(const std::u16string& category, const char* id, bool* oom) {
  HKEY key = nullptr;
  std::u16string path = kRegRoot + category + u"\\" + Wide(id);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  PLUGIN_ENTRY* e = NewEntry(id, oom);
  if (e) {
    e->name = RegText(key, u"Name", oom);
    e->installPath = RegText(key, u"InstallPath", oom);
    e->forceRaw = RegNumber(key, u"ForceRAW");
    e->perPrinter = RegNumber(key, u"PerPrinter");
  }
  RegCloseKey(key);
  return e;
}

char* DupOrNone(const std::string& s, bool* oom) {
  if (s.empty()) return nullptr;
  char* p = Dup(s);
  if (!p) *oom = true;
  return p;
}

PLUGIN_ENTRY* IniEntry(const std::u16string& ini, const char* driverDir, const char* id, bool* oom) {
  PLUGIN_ENTRY* e = NewEntry(id, oom);
  if (!e) return nullptr;
  std::u16string section = Wide(id);
  e->name = DupOrNone(Ansi(IniText(section, u"Name", ini)), oom);
  std::string rel = Ansi(IniText(section, u"InstallPath", ini));
  if (!rel.empty()) e->installPath = DupOrNone(std::string(driverDir) + "\\" + rel, oom);
  e->forceRaw = GetPrivateProfileIntW(section.c_str(), u"ForceRAW", 0, ini.c_str());
  e->perPrinter = GetPrivateProfileIntW(section.c_str(), u"PerPrinter", 0, ini.c_str());
  return e;
}

}  // namespace

PLUGIN_LIST* PlgEnumPlugins(const char* category, const char* driverDir) {
  if (!category || !*category || !driverDir) return nullptr;
  bool oom = false;
  std::u16string cat = Wide(category);
  std::u16string ini = Wide(driverDir) + u"\\ZARNPLUG.ini";
  NAME_LIST* reg = RegistryIds(cat, &oom);
  NAME_LIST* fromIni = oom ? nullptr : IniIds(cat, ini, reg, &oom);
  PLUGIN_LIST* list = nullptr;
  DWORD cap = (reg ? reg->count : 0) + (fromIni ? fromIni->count : 0);
  if (!oom && cap) {
    list = static_cast<PLUGIN_LIST*>(StgAllocZero(sizeof(PLUGIN_LIST)));
    if (list) list->entries = static_cast<PLUGIN_ENTRY**>(StgAllocZero(DWORD(sizeof(PLUGIN_ENTRY*) * cap)));
    if (!list || !list->entries) oom = true;
    for (DWORD i = 0; !oom && reg && i < reg->count; ++i) {
      PLUGIN_ENTRY* e = RegistryEntry(cat, reg->names[i], &oom);
      if (e) list->entries[list->count++] = e;
    }
    for (DWORD i = 0; !oom && fromIni && i < fromIni->count; ++i) {
      PLUGIN_ENTRY* e = IniEntry(ini, driverDir, fromIni->names[i], &oom);
      if (e) list->entries[list->count++] = e;
    }
  }
  PlgFreeNameList(reg);
  PlgFreeNameList(fromIni);
  if (oom) {
    PlgFreePluginList(list);
    return nullptr;
  }
  return list;
}

int PlgFreePluginList(PLUGIN_LIST* list) {
  if (!list) return 1;
  if (list->entries)
    for (DWORD i = 0; i < list->count; ++i) FreeEntry(list->entries[i]);
  StgFree(list->entries);
  StgFree(list);
  return 1;
}

int PlgFreeNameList(NAME_LIST* list) {
  if (!list) return 1;
  if (list->names)
    for (DWORD i = 0; i < list->count; ++i) StgFree(list->names[i]);
  StgFree(list->names);
  StgFree(list);
  return 1;
}

int PlgHasVesperUI(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  DWORD count = 0, type = 0, needed = 0;
  std::u16string countName = u"PluginIDCount";
  if (GetPrinterDataW(ctx->printer, countName.data(), &type, reinterpret_cast<BYTE*>(&count), sizeof(count),
                      &needed) != ERROR_SUCCESS)
    return 0;
  for (DWORD i = 0; i < count; ++i) {
    std::u16string name = u"PluginID" + kvp::FromUtf8(std::to_string(i));
    WCHAR id[130] = {};  // 260 bytes
    if (GetPrinterDataW(ctx->printer, name.data(), &type, reinterpret_cast<BYTE*>(id), sizeof(id) - sizeof(WCHAR),
                        &needed) != ERROR_SUCCESS)
      return 0;
    if (std::u16string_view(id) == u"" PLG_VESPER_UI_ID) return 1;
  }
  return 0;
}

namespace {

// The plug-ins of a category in the context's driver folder, or none.
PLUGIN_LIST* DriverFolderPlugins(SETTING_CONTEXT* ctx, const char* category) {
  const WCHAR* dir = ctx ? CfgGetDriverDir(ctx) : nullptr;
  if (!dir || !*dir) return nullptr;
  std::u16string folder(dir);
  while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  return PlgEnumPlugins(category, Ansi(folder).c_str());
}

// Asks one UI-control plug-in library for the functions not yet provided.
void QueryUIControl(SETTING_CONTEXT* ctx, const char* installPath, bool* copyGuard, bool* watermark) {
  std::u16string path = Wide(installPath);
  HMODULE m = LoadLibraryW(path.c_str());
  if (!m) return;
  auto get = reinterpret_cast<PFN_UICTRLGetInterface>(GetProcAddress(m, "UICTRLGetInterface"));
  auto dispose = reinterpret_cast<PFN_UICTRLDisposeInterface>(GetProcAddress(m, "UICTRLDisposeInterface"));
  UICTRL_INTERFACE* table = nullptr;
  if (get && dispose && get(UICTRL_INTERFACE_VERSION, &table) && table) {
    void* instance = nullptr;
    int opened = table->open ? table->open(ctx->printer, &instance) : 0;
    if (opened && instance && table->query) {
      auto ask = [&](DWORD function, bool* provided) {
        DWORD answer = 0;
        if (!*provided && table->query(instance, function, &answer) && answer) *provided = true;
      };
      ask(UICTRL_FUNCTION_COPY_GUARD, copyGuard);
      ask(UICTRL_FUNCTION_WATERMARK, watermark);
    }
    if (opened && table->close) table->close(instance);
    dispose(table);
  }
  FreeLibrary(m);
}

}  // namespace

void PlgQueryUIControls(SETTING_CONTEXT* ctx) {
  if (!ctx) return;
  bool copyGuard = false, watermark = false;
  PLUGIN_LIST* list = DriverFolderPlugins(ctx, PLG_CATEGORY_UI_CONTROL);
  for (DWORD i = 0; list && i < list->count; ++i)
    if (list->entries[i]->installPath) QueryUIControl(ctx, list->entries[i]->installPath, &copyGuard, &watermark);
  PlgFreePluginList(list);
  StgSetValue(ctx, sid::rdmFunc2SelectUICtrlCopyGuard, copyGuard ? 1 : 0);
  if (copyGuard) StgSetValue(ctx, sid::rdmFuncSelectCopyProtect, 0);
  StgSetValue(ctx, sid::rdmFunc2SelectUICtrlWaterMark, watermark ? 1 : 0);
  if (watermark) StgSetValue(ctx, sid::rdmFuncSelectWaterMark, 0);
}

int PlgGetVesperUIPath(SETTING_CONTEXT* ctx, char* dest, DWORD destBytes) {
  PLUGIN_LIST* list = DriverFolderPlugins(ctx, PLG_CATEGORY_VESPER_UI);
  int found = 0;
  for (DWORD i = 0; list && i < list->count; ++i) {
    PLUGIN_ENTRY* e = list->entries[i];
    if (lstrcmpiW(Wide(e->id).c_str(), u"" PLG_VESPER_UI_ID) != 0) continue;
    if (e->installPath) {
      found = 1;
      if (dest && destBytes) {
        size_t n = std::min<size_t>(std::strlen(e->installPath), destBytes - 1);
        std::memcpy(dest, e->installPath, n);
        dest[n] = 0;
      }
    }
    break;
  }
  PlgFreePluginList(list);
  return found;
}
