// Resource lookup over the directory kvrc builds into modules (res_format.h), and the objects made from
// resources. Every read of directory bytes goes through Reader, which checks each offset and length
// against the directory's bounds first: a directory read from a file may be damaged.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "kvplat/error.h"
#include "kvplat/resource.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "res_internal.h"

namespace kvp::res {
namespace {

// ---- keys ----------------------------------------------------------------------------------------------

struct Key {
  bool isId = true;
  uint16_t id = 0;
  std::u16string name;  // upper-cased
};

bool MakeKey(LPCWSTR p, Key& k) {
  if (IS_INTRESOURCE(p)) {
    k.isId = true;
    k.id = uint16_t(reinterpret_cast<uintptr_t>(p));
    return true;
  }
  std::u16string_view s = WView(p);
  if (s.empty()) return false;
  if (s[0] == u'#') {
    uint32_t v = 0;
    if (s.size() < 2 || s.size() > 6) return false;
    for (char16_t c : s.substr(1)) {
      if (c < u'0' || c > u'9') return false;
      v = v * 10 + uint32_t(c - u'0');
    }
    if (v > 0xFFFF) return false;
    k.isId = true;
    k.id = uint16_t(v);
    return true;
  }
  k.isId = false;
  k.name.assign(s);
  for (auto& c : k.name) c = WFoldUpper(c);
  return true;
}

// ---- the directory -------------------------------------------------------------------------------------

int CompareField(const Directory& d, uint32_t field, const Key& k, bool* ok) {
  bool fieldIsName = field & kvres::kNameFlag;
  if (!fieldIsName && k.isId) return field < k.id ? -1 : field > k.id ? 1 : 0;
  if (!fieldIsName) return -1;  // ids sort before names
  if (k.isId) return 1;
  std::u16string_view n;
  if (!d.Name(field & ~kvres::kNameFlag, n)) {
    *ok = false;
    return 0;
  }
  int c = n.compare(k.name);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// Registry of directories handed out, so a resource handle can be checked before it is used.
std::mutex g_dirMu;
std::map<uintptr_t, size_t>& KnownDirs() {
  static auto* m = new std::map<uintptr_t, size_t>();  // outlives the modules still loaded at exit
  return *m;
}

void Remember(const Directory& d) {
  std::lock_guard<std::mutex> g(g_dirMu);
  KnownDirs()[reinterpret_cast<uintptr_t>(d.base)] = d.size;
}

// The directory and entry a resource handle names; false for anything FindResource did not hand out.
bool EntryOf(HRSRC h, Directory& d, const kvres::Entry*& e) {
  auto p = reinterpret_cast<uintptr_t>(h);
  std::lock_guard<std::mutex> g(g_dirMu);
  auto& m = KnownDirs();
  auto it = m.upper_bound(p);
  if (it == m.begin()) return false;
  --it;
  if (p >= it->first + it->second) return false;
  if (!Directory::Open(reinterpret_cast<const uint8_t*>(it->first), it->second, d)) return false;
  uintptr_t first = it->first + d.header.entriesOffset;
  if (p < first || (p - first) % sizeof(kvres::Entry) || (p - first) / sizeof(kvres::Entry) >= d.header.entryCount)
    return false;
  e = reinterpret_cast<const kvres::Entry*>(p);
  return true;
}

LANGID UiLanguage() {
  LANGID l = GetUserDefaultUILanguage();
  return l ? l : LANGID(0x0409);
}

LANGID ResolveRequest(WORD lang) {
  if (lang == MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)) return UiLanguage();
  if (lang == 0x0400) return GetUserDefaultLangID();
  if (lang == 0x0800) return GetSystemDefaultLangID();
  return lang;
}

}  // namespace

bool Directory::Open(const uint8_t* p, size_t maxSize, Directory& out) {
  if (!p || maxSize < sizeof(kvres::Header)) return false;
  kvres::Header h;
  std::memcpy(&h, p, sizeof h);
  if (std::memcmp(h.magic, kvres::kMagic, 4) != 0 || h.version != kvres::kVersion) return false;
  if (h.totalSize > maxSize || h.totalSize < sizeof h) return false;
  uint64_t entriesEnd = uint64_t(h.entriesOffset) + uint64_t(h.entryCount) * sizeof(kvres::Entry);
  if (h.entriesOffset < sizeof h || h.entriesOffset % 4 || entriesEnd > h.totalSize) return false;
  // Names are read as UTF-16 units and data as the structures they hold, in place: their areas keep the
  // alignment the format promises (names 2, data items 8), or a damaged directory means misaligned reads.
  if (h.namesOffset < entriesEnd || h.namesOffset % 2 || uint64_t(h.namesOffset) + h.namesSize > h.totalSize)
    return false;
  if (h.dataOffset > h.totalSize) return false;
  out.base = p;
  out.size = h.totalSize;
  out.header = h;
  return true;
}

const kvres::Entry* Directory::At(uint32_t i) const {
  return reinterpret_cast<const kvres::Entry*>(base + header.entriesOffset + size_t(i) * sizeof(kvres::Entry));
}

bool Directory::Name(uint32_t offset, std::u16string_view& out) const {
  if (offset % 2 || uint64_t(offset) + 2 > header.namesSize) return false;
  uint16_t n;
  std::memcpy(&n, base + header.namesOffset + offset, 2);
  if (uint64_t(offset) + 2 + uint64_t(n) * 2 > header.namesSize) return false;
  // The names area is 2-byte aligned inside an 8-byte aligned directory.
  out = std::u16string_view(reinterpret_cast<const char16_t*>(base + header.namesOffset + offset + 2), n);
  return true;
}

bool Directory::Data(const kvres::Entry* e, const uint8_t*& p, size_t& n) const {
  if (uint64_t(e->dataOffset) + e->dataSize > size || e->dataOffset < header.dataOffset || e->dataOffset % 8)
    return false;
  p = base + e->dataOffset;
  n = e->dataSize;
  return true;
}

DWORD Directory::Find(LPCWSTR type, LPCWSTR name, WORD lang, bool exactLanguage, const kvres::Entry** out) const {
  Key t, n;
  if (!MakeKey(type, t)) return ERROR_RESOURCE_TYPE_NOT_FOUND;
  if (!MakeKey(name, n)) return ERROR_RESOURCE_NAME_NOT_FOUND;
  bool ok = true;
  // First entry whose (type, name) is not below the one asked for.
  uint32_t lo = 0, hi = header.entryCount;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    const kvres::Entry* e = At(mid);
    int c = CompareField(*this, e->type, t, &ok);
    if (c == 0) c = CompareField(*this, e->name, n, &ok);
    if (!ok) return ERROR_INVALID_DATA;
    if (c < 0) lo = mid + 1;
    else hi = mid;
  }
  uint32_t end = lo;
  while (end < header.entryCount && CompareField(*this, At(end)->type, t, &ok) == 0 &&
         CompareField(*this, At(end)->name, n, &ok) == 0)
    ++end;
  if (!ok) return ERROR_INVALID_DATA;
  if (end == lo) {
    // Tell a missing type from a missing name.
    for (uint32_t i = 0; i < header.entryCount; ++i)
      if (CompareField(*this, At(i)->type, t, &ok) == 0 && ok) return ERROR_RESOURCE_NAME_NOT_FOUND;
    return ERROR_RESOURCE_TYPE_NOT_FOUND;
  }
  LANGID want = ResolveRequest(lang);
  auto pick = [&](auto pred) -> const kvres::Entry* {
    for (uint32_t i = lo; i < end; ++i)
      if (pred(At(i)->language)) return At(i);
    return nullptr;
  };
  WORD primary = PRIMARYLANGID(want);
  const kvres::Entry* e = pick([&](WORD l) { return l == want; });
  if (!e && exactLanguage) return ERROR_RESOURCE_LANG_NOT_FOUND;
  if (!e) e = pick([&](WORD l) { return l == MAKELANGID(primary, SUBLANG_NEUTRAL); });
  if (!e) e = pick([&](WORD l) { return l == MAKELANGID(primary, SUBLANG_DEFAULT); });
  if (!e) e = pick([&](WORD l) { return PRIMARYLANGID(l) == primary; });
  if (!e) e = pick([&](WORD l) { return PRIMARYLANGID(l) == LANG_NEUTRAL; });
  if (!e) e = pick([&](WORD l) { return l == MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US); });
  if (!e) e = pick([&](WORD l) { return PRIMARYLANGID(l) == LANG_ENGLISH; });
  if (!e) e = At(lo);
  *out = e;
  return ERROR_SUCCESS;
}

void RememberDirectory(const Directory& d) { Remember(d); }

}  // namespace kvp::res

using kvp::res::Directory;

namespace {

HRSRC FindIn(HMODULE m, LPCWSTR type, LPCWSTR name, WORD lang) {
  Directory d;
  DWORD err = 0;
  if (!kvp::res::ModuleDirectory(m, d, &err)) {
    SetLastError(err);
    return nullptr;
  }
  const kvres::Entry* e = nullptr;
  err = d.Find(type, name, lang, false, &e);
  if (err) {
    SetLastError(err);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<kvres::Entry*>(e));
}

// Narrow resource names and types: ids stay, texts are widened (names are ASCII in practice).
std::u16string Widen(LPCSTR s) { return kvp::res::AnsiToWide(s ? std::string_view(s) : std::string_view()); }

}  // namespace

KVAPI HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
  return FindIn(hModule, lpType, lpName, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

KVAPI HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage) {
  return FindIn(hModule, lpType, lpName, wLanguage);
}

KVAPI HRSRC FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage) {
  std::u16string t, n;
  LPCWSTR tw = reinterpret_cast<LPCWSTR>(lpType), nw = reinterpret_cast<LPCWSTR>(lpName);
  if (!IS_INTRESOURCE(lpType)) {
    t = Widen(lpType);
    tw = t.c_str();
  }
  if (!IS_INTRESOURCE(lpName)) {
    n = Widen(lpName);
    nw = n.c_str();
  }
  return FindIn(hModule, tw, nw, wLanguage);
}

KVAPI HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
  return FindResourceExA(hModule, lpType, lpName, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

KVAPI HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo) {
  Directory d;
  const kvres::Entry* e = nullptr;
  const uint8_t* p = nullptr;
  size_t n = 0;
  if (!kvp::res::EntryOf(hResInfo, d, e) || !d.Data(e, p, n)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<uint8_t*>(p);
}

KVAPI LPVOID LockResource(HGLOBAL hResData) { return hResData; }

KVAPI BOOL EnumResourceNamesW(HMODULE hModule, LPCWSTR lpType, ENUMRESNAMEPROCW lpEnumFunc, LONG_PTR lParam) {
  Directory d;
  DWORD err = 0;
  if (!kvp::res::ModuleDirectory(hModule, d, &err)) {
    SetLastError(err);
    return FALSE;
  }
  if (!lpEnumFunc || !lpType) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The type as the directory stores it: an id, or a name compared without case.
  auto typeMatches = [&](const kvres::Entry* e) {
    if (IS_INTRESOURCE(lpType)) return e->type == (uint32_t)(WORD)(ULONG_PTR)lpType;
    std::u16string_view n;
    return (e->type & kvres::kNameFlag) && d.Name(e->type & ~kvres::kNameFlag, n) && kvp::WEqualI(n, lpType);
  };
  bool any = false;
  std::vector<uint32_t> seen;  // a name given in several languages is offered once
  for (uint32_t i = 0; i < d.header.entryCount; ++i) {
    const kvres::Entry* e = d.At(i);
    if (!e || !typeMatches(e)) continue;
    if (std::find(seen.begin(), seen.end(), e->name) != seen.end()) continue;
    seen.push_back(e->name);
    any = true;
    std::u16string text;
    LPWSTR name = nullptr;
    if (e->name & kvres::kNameFlag) {
      std::u16string_view n;
      if (!d.Name(e->name & ~kvres::kNameFlag, n)) continue;
      text = std::u16string(n);
      name = text.data();
    } else {
      name = MAKEINTRESOURCEW(e->name);
    }
    if (!lpEnumFunc(hModule, lpType, name, lParam)) {
      SetLastError(ERROR_RESOURCE_ENUM_USER_STOP);
      return FALSE;
    }
  }
  if (!any) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

KVAPI DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  Directory d;
  const kvres::Entry* e = nullptr;
  const uint8_t* p = nullptr;
  size_t n = 0;
  if (!kvp::res::EntryOf(hResInfo, d, e) || !d.Data(e, p, n)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return DWORD(n);
}

KVAPI BOOL FreeResource(HGLOBAL hResData) { return FALSE; }

// ---- strings -------------------------------------------------------------------------------------------

namespace kvp::res {

// The text of string `id` inside its block, or false when the module has none.
bool FindString(HINSTANCE inst, UINT id, std::u16string_view& out, DWORD* err) {
  if (id > 0xFFFF) {
    *err = ERROR_RESOURCE_NAME_NOT_FOUND;
    return false;
  }
  HRSRC r = FindResourceW(inst, MAKEINTRESOURCEW(id / 16 + 1), RT_STRING);
  if (!r) {
    *err = GetLastError();
    return false;
  }
  auto* p = static_cast<const uint8_t*>(LoadResource(inst, r));
  size_t n = SizeofResource(inst, r);
  if (!p) {
    *err = ERROR_RESOURCE_DATA_NOT_FOUND;
    return false;
  }
  size_t at = 0;
  for (UINT i = 0; i <= id % 16; ++i) {
    if (at + 2 > n) {
      *err = ERROR_INVALID_DATA;
      return false;
    }
    uint16_t len;
    std::memcpy(&len, p + at, 2);
    if (at + 2 + size_t(len) * 2 > n) {
      *err = ERROR_INVALID_DATA;
      return false;
    }
    if (i == id % 16) {
      if (len == 0) {
        *err = ERROR_RESOURCE_NAME_NOT_FOUND;
        return false;
      }
      out = std::u16string_view(reinterpret_cast<const char16_t*>(p + at + 2), len);
      return true;
    }
    at += 2 + size_t(len) * 2;
  }
  *err = ERROR_RESOURCE_NAME_NOT_FOUND;
  return false;
}

}  // namespace kvp::res

KVAPI int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer || cchBufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string_view s;
  DWORD err = 0;
  bool found = kvp::res::FindString(hInstance, uID, s, &err);
  if (cchBufferMax == 0) {  // a read-only pointer to the text inside the module
    *reinterpret_cast<const WCHAR**>(lpBuffer) = found ? s.data() : nullptr;
    if (!found) SetLastError(err);
    return found ? int(s.size()) : 0;
  }
  lpBuffer[0] = 0;
  if (!found) {
    SetLastError(err);
    return 0;
  }
  size_t n = std::min(s.size(), size_t(cchBufferMax - 1));
  std::memcpy(lpBuffer, s.data(), n * sizeof(WCHAR));
  lpBuffer[n] = 0;
  SetLastError(ERROR_SUCCESS);
  return int(n);
}

KVAPI int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer || cchBufferMax <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  lpBuffer[0] = 0;
  std::u16string_view s;
  DWORD err = 0;
  if (!kvp::res::FindString(hInstance, uID, s, &err)) {
    SetLastError(err);
    return 0;
  }
  std::string a = kvp::res::WideToAnsi(s);
  size_t n = std::min(a.size(), size_t(cchBufferMax - 1));
  n = kvp::res::AnsiCut(a, n);
  std::memcpy(lpBuffer, a.data(), n);
  lpBuffer[n] = 0;
  SetLastError(ERROR_SUCCESS);
  return int(n);
}
