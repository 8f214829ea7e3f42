// The registry calls over three file-backed hives. Each process keeps a copy of a hive and re-reads the
// file whenever it changed on disk; each change is made under the hive's cross-process lock on a fresh
// copy and written back at once.
#include "kvplat/registry.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <unordered_map>

#include "../profile/store_file.h"
#include "../security/admin.h"
#include "hive.h"
#include "kvplat/error.h"
#include "kvplat/root.h"

namespace kvp::reg {
namespace {

struct HiveState {
  const char* file;
  Key root;
  bool loaded = false;
  bool trusted = false;  // the file was old enough when read that an unchanged stamp means unchanged text
  store::FileStamp stamp;
  DWORD error = ERROR_SUCCESS;
  std::string errorText;
};

HiveState g_hives[3] = {{"HKLM.txt"}, {"HKCU.txt"}, {"HKU.txt"}};

struct OpenKey {
  int hive;
  std::vector<std::u16string> path;
  REGSAM access;
};

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
std::unordered_map<uintptr_t, OpenKey>& Handles() {
  static auto* h = new std::unordered_map<uintptr_t, OpenKey>();  // outlives the modules still loaded at exit
  return *h;
}
uintptr_t g_nextHandle = 0x10000;

void DropCaches() {
  std::lock_guard<std::mutex> g(Mu());
  for (auto& h : g_hives) {
    h.loaded = false;
    h.root = Key();
  }
}

struct RootHook {
  RootHook() { OnRootChanged(&DropCaches); }
} g_rootHook;

std::string HivePath(const HiveState& h) { return MachineRoot() + "/registry/" + h.file; }

// A predefined key is recognised by its low 32 bits (0x80000002), whatever the upper bits hold: callers
// pass it zero-extended, sign-extended or with stray upper bits from a 32-bit store. Handles this file
// hands out are multiples of 8 counted from 0x10000, so they never share those low bits.
int HiveOf(HKEY k) {
  uintptr_t v = reinterpret_cast<uintptr_t>(k);
  switch (uint32_t(v)) {
    case 0x80000002u: return 0;
    case 0x80000001u: return 1;
    case 0x80000003u: return 2;
    default: return -1;
  }
}

// Brings the copy of a hive up to date with its file. Caller holds Mu().
DWORD Refresh(HiveState& h) {
  std::string path = HivePath(h);
  store::FileStamp now = store::StampOf(path);
  if (h.loaded && h.trusted && now == h.stamp) return h.error;
  h.loaded = true;
  h.stamp = now;
  // File times move in coarse ticks and inode numbers are reused, so two replacements within one tick
  // can leave the same stamp: a file changed in the last two seconds is read again on every call.
  h.trusted = std::chrono::system_clock::now().time_since_epoch() - std::chrono::nanoseconds(now.mtimeNs) >
              std::chrono::seconds(2);
  h.error = ERROR_SUCCESS;
  h.errorText.clear();
  h.root = Key();
  if (!now.exists) return ERROR_SUCCESS;
  std::string text;
  DWORD rc = store::ReadWholeFile(path, text);
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) {
    h.error = ERROR_BADDB;
    h.errorText = rc == ERROR_FILE_TOO_LARGE ? "the hive file is too large" : "the hive file cannot be read";
    return h.error;
  }
  std::string err;
  if (!ParseHive(text, h.root, err)) {
    h.error = ERROR_BADDB;
    h.errorText = err;
  }
  return h.error;
}

// Writes the hive after a change. On failure the copy is dropped so the next call re-reads the file,
// which still holds the state before the change.
DWORD Save(HiveState& h) {
  std::string path = HivePath(h);
  std::error_code ec;
  std::filesystem::create_directories(MachineRoot() + "/registry", ec);  // a root made before hives existed
  DWORD rc = store::WriteFileAtomic(path, WriteHive(h.root));
  if (rc != ERROR_SUCCESS) {
    h.loaded = false;
    return rc;
  }
  h.stamp = store::StampOf(path);
  h.trusted = false;
  return ERROR_SUCCESS;
}

// Splits a sub-key path. Null or "" is the key itself; trailing backslashes (one or more) name the key
// before them; an empty component inside the path is ERROR_BAD_PATHNAME.
DWORD SplitPath(LPCWSTR sub, std::vector<std::u16string>& parts) {
  std::u16string_view s = WView(sub);
  while (!s.empty() && s.back() == u'\\') s.remove_suffix(1);
  if (s.empty()) return ERROR_SUCCESS;
  size_t start = 0;
  while (true) {
    size_t sep = s.find(u'\\', start);
    std::u16string_view part = s.substr(start, sep == std::u16string_view::npos ? std::u16string_view::npos : sep - start);
    if (part.empty()) return ERROR_BAD_PATHNAME;
    if (!ValidKeyName(part)) return ERROR_INVALID_PARAMETER;
    parts.emplace_back(part);
    if (sep == std::u16string_view::npos) return ERROR_SUCCESS;
    start = sep + 1;
  }
}

Key* Walk(Key& root, const std::vector<std::u16string>& path, size_t count) {
  Key* k = &root;
  for (size_t i = 0; i < count && k; ++i) k = k->FindSub(path[i]);
  return k;
}

// What a handle names: hive, path and the rights it was opened with.
DWORD Lookup(HKEY key, OpenKey& out) {
  int hive = HiveOf(key);
  if (hive >= 0) {
    out = OpenKey{hive, {}, KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  auto it = Handles().find(reinterpret_cast<uintptr_t>(key));
  if (it == Handles().end()) return ERROR_INVALID_HANDLE;
  out = it->second;
  return ERROR_SUCCESS;
}

bool HiveWritable(int hive) { return hive == 1 || sec::AdministratorSwitch(); }

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

// The rights a caller asking for `sam` gets in `hive`, or ERROR_ACCESS_DENIED.
DWORD Grant(int hive, REGSAM sam, REGSAM& granted) {
  sam &= ~REGSAM(KEY_WOW64_32KEY | KEY_WOW64_64KEY | SYNCHRONIZE);
  REGSAM want = sam & ~REGSAM(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
  if (sam & (GENERIC_READ | GENERIC_EXECUTE)) want |= KEY_READ;
  if (sam & GENERIC_WRITE) want |= KEY_WRITE;
  if (sam & GENERIC_ALL) want |= KEY_ALL_ACCESS;
  REGSAM allowed = HiveWritable(hive) ? REGSAM(KEY_ALL_ACCESS) : REGSAM(KEY_READ);
  if (sam & MAXIMUM_ALLOWED) want |= allowed;
  if (want & ~allowed & (kWriteRights | ~REGSAM(KEY_ALL_ACCESS))) return ERROR_ACCESS_DENIED;
  granted = want;
  return ERROR_SUCCESS;
}

HKEY NewHandle(OpenKey k) {
  uintptr_t v = g_nextHandle;
  g_nextHandle += 8;
  Handles().emplace(v, std::move(k));
  return reinterpret_cast<HKEY>(v);
}

// The current key a handle names, in an up-to-date hive. Caller holds Mu().
DWORD Resolve(const OpenKey& ok, Key*& k) {
  DWORD rc = Refresh(g_hives[ok.hive]);
  if (rc != ERROR_SUCCESS) return rc;
  k = Walk(g_hives[ok.hive].root, ok.path, ok.path.size());
  return k ? DWORD(ERROR_SUCCESS) : DWORD(ERROR_KEY_DELETED);
}

// Runs one change under the hive's cross-process lock and saves it. `edit` must leave the hive
// unchanged when it fails.
template <class F>
DWORD Change(const OpenKey& ok, F edit) {
  HiveState& h = g_hives[ok.hive];
  store::FileLock lock("registry", h.file);
  if (lock.status() != ERROR_SUCCESS) return lock.status();
  Key* k = nullptr;
  DWORD rc = Resolve(ok, k);
  if (rc != ERROR_SUCCESS) return rc;
  bool changed = false;
  rc = edit(*k, changed);
  if (rc == ERROR_SUCCESS && changed) rc = Save(h);
  return rc;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies a value under the size protocol shared by query and enumeration. The buffer size is read before
// anything is written and *size is written last, so `type` and `size` may name one variable (it ends up
// holding the size).
LSTATUS CopyData(const Value& v, LPDWORD type, LPBYTE data, LPDWORD size) {
  DWORD room = size ? *size : 0;
  DWORD need = static_cast<DWORD>(v.data.size());
  if (type) *type = v.type;
  if (!data) {
    if (size) *size = need;
    return ERROR_SUCCESS;
  }
  if (room < need) {
    *size = need;
    return ERROR_MORE_DATA;
  }
  if (need) std::memcpy(data, v.data.data(), need);
  // Text stored without its terminating zero: add one when the buffer has room, without counting it.
  bool terminated = need >= 2 && need % 2 == 0 && v.data[need - 1] == 0 && v.data[need - 2] == 0;
  if (IsText(v.type) && !terminated && need % 2 == 0 && room >= need + 2) {
    data[need] = 0;
    data[need + 1] = 0;
  }
  *size = need;
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace kvp::reg

using namespace kvp::reg;

#define KV_REG_TRY try {
#define KV_REG_CATCH                  \
  }                                   \
  catch (const std::bad_alloc&) {     \
    return ERROR_NOT_ENOUGH_MEMORY;   \
  }

namespace {

LSTATUS OpenOrCreate(HKEY key, LPCWSTR subKey, REGSAM sam, PHKEY result, LPDWORD disposition, bool create) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (create && !subKey) return ERROR_INVALID_PARAMETER;
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey parent;
  LSTATUS rc = Lookup(key, parent);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::u16string> parts;
  rc = SplitPath(subKey, parts);
  if (rc != ERROR_SUCCESS) return rc;
  REGSAM granted = 0;
  rc = Grant(parent.hive, sam, granted);
  if (rc != ERROR_SUCCESS) return rc;
  Key* base = nullptr;
  rc = Resolve(parent, base);
  if (rc != ERROR_SUCCESS) return rc;
  OpenKey child{parent.hive, parent.path, granted};
  child.path.insert(child.path.end(), parts.begin(), parts.end());
  // The parent handle's rights do not decide a create (a parent opened for KEY_NOTIFY alone will do):
  // only the rights over the hive do.
  Key* found = Walk(*base, parts, parts.size());
  DWORD disp = REG_OPENED_EXISTING_KEY;
  if (!found) {
    if (!create) return ERROR_FILE_NOT_FOUND;
    if (!HiveWritable(parent.hive)) return ERROR_ACCESS_DENIED;
    if (child.path.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;  // the hive file could not be read back
    rc = Change(parent, [&](Key& k, bool& changed) -> DWORD {
      Key* at = &k;
      for (auto& p : parts) {
        Key* next = at->FindSub(p);
        if (!next) {
          auto made = std::make_unique<Key>();
          next = made.get();
          at->subkeys.emplace(p, std::move(made));
          changed = true;
        }
        at = next;
      }
      return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    disp = REG_CREATED_NEW_KEY;
  }
  *result = NewHandle(std::move(child));
  if (disposition) *disposition = disp;
  return ERROR_SUCCESS;
  KV_REG_CATCH
}

}  // namespace

KVAPI LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result) {
  return OpenOrCreate(key, subKey, sam, result, nullptr, false);
}

KVAPI LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                              REGSAM sam, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
  return OpenOrCreate(key, subKey, sam, result, disposition, true);
}

KVAPI LSTATUS RegCloseKey(HKEY key) {
  if (HiveOf(key) >= 0) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> g(Mu());
  return Handles().erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

KVAPI LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                               LPDWORD size) {
  if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey ok;
  LSTATUS rc = Lookup(key, ok);
  if (rc != ERROR_SUCCESS) return rc;
  if (!(ok.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Key* k = nullptr;
  rc = Resolve(ok, k);
  if (rc != ERROR_SUCCESS) return rc;
  Value* v = k->FindValue(kvp::WView(name));
  if (!v) return ERROR_FILE_NOT_FOUND;
  return CopyData(*v, type, data, size);
  KV_REG_CATCH
}

KVAPI LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  if ((!data && size) || size > kMaxValueData || kvp::WLen(name) > kMaxValueName) return ERROR_INVALID_PARAMETER;
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey ok;
  LSTATUS rc = Lookup(key, ok);
  if (rc != ERROR_SUCCESS) return rc;
  if (!(ok.access & KEY_SET_VALUE) || !HiveWritable(ok.hive)) return ERROR_ACCESS_DENIED;
  std::u16string_view n = kvp::WView(name);
  // Stored with the size given, also a string without its terminating zero: a query reports that size
  // and adds the zero only where the caller's buffer has room for it.
  std::vector<BYTE> bytes(data, data + size);
  return Change(ok, [&](Key& k, bool& changed) -> DWORD {
    Value* v = k.FindValue(n);
    if (!v) {
      k.values.push_back(Value{std::u16string(n), type, std::move(bytes)});
    } else {
      v->type = type;
      v->data = std::move(bytes);
    }
    changed = true;
    return ERROR_SUCCESS;
  });
  KV_REG_CATCH
}

KVAPI LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name) {
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey ok;
  LSTATUS rc = Lookup(key, ok);
  if (rc != ERROR_SUCCESS) return rc;
  if (!(ok.access & KEY_SET_VALUE) || !HiveWritable(ok.hive)) return ERROR_ACCESS_DENIED;
  std::u16string_view n = kvp::WView(name);
  return Change(ok, [&](Key& k, bool& changed) -> DWORD {
    for (auto it = k.values.begin(); it != k.values.end(); ++it) {
      if (kvp::WEqualI(it->name, n)) {
        k.values.erase(it);
        changed = true;
        return ERROR_SUCCESS;
      }
    }
    return ERROR_FILE_NOT_FOUND;
  });
  KV_REG_CATCH
}

KVAPI LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey ok;
  LSTATUS rc = Lookup(key, ok);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::u16string> parts;
  rc = SplitPath(subKey, parts);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::u16string> full = ok.path;
  full.insert(full.end(), parts.begin(), parts.end());
  if (full.empty()) return ERROR_ACCESS_DENIED;  // a hive's root is never deleted
  if (!HiveWritable(ok.hive)) return ERROR_ACCESS_DENIED;
  OpenKey parent{ok.hive, std::vector<std::u16string>(full.begin(), full.end() - 1), ok.access};
  return Change(parent, [&](Key& k, bool& changed) -> DWORD {
    auto it = k.subkeys.find(full.back());
    if (it == k.subkeys.end()) return ERROR_FILE_NOT_FOUND;
    if (!it->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
    k.subkeys.erase(it);
    changed = true;
    return ERROR_SUCCESS;
  });
  KV_REG_CATCH
}

KVAPI LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                            LPWSTR keyClass, LPDWORD classChars, LPFILETIME lastWrite) {
  if (!name || !nameChars || reserved) return ERROR_INVALID_PARAMETER;
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey ok;
  LSTATUS rc = Lookup(key, ok);
  if (rc != ERROR_SUCCESS) return rc;
  if (!(ok.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  Key* k = nullptr;
  rc = Resolve(ok, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = k->subkeys.begin();
  std::advance(it, index);
  const std::u16string& n = it->first;
  if (n.size() >= *nameChars) return ERROR_MORE_DATA;
  n.copy(name, n.size());
  name[n.size()] = 0;
  *nameChars = static_cast<DWORD>(n.size());
  if (keyClass && classChars && *classChars) keyClass[0] = 0;
  if (classChars) *classChars = 0;
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
  KV_REG_CATCH
}

KVAPI LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                            LPDWORD type, LPBYTE data, LPDWORD size) {
  if (!name || !nameChars || reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey ok;
  LSTATUS rc = Lookup(key, ok);
  if (rc != ERROR_SUCCESS) return rc;
  if (!(ok.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Key* k = nullptr;
  rc = Resolve(ok, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = k->values[index];
  DWORD need = static_cast<DWORD>(v.data.size());
  // A name that does not fit: nothing is copied and *nameChars keeps its value, but the type and the
  // data size are told, so the caller can size both buffers for the next call.
  if (v.name.size() >= *nameChars) {
    if (type) *type = v.type;
    if (size) *size = need;
    return ERROR_MORE_DATA;
  }
  v.name.copy(name, v.name.size());
  name[v.name.size()] = 0;
  *nameChars = static_cast<DWORD>(v.name.size());
  // Data that does not fit: the name, its length, the type and the needed size are filled; the data
  // buffer is left as it was.
  return CopyData(v, type, data, size);
  KV_REG_CATCH
}

KVAPI LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD reserved,
                               LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                               LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityBytes,
                               LPFILETIME lastWrite) {
  if (reserved) return ERROR_INVALID_PARAMETER;
  KV_REG_TRY
  std::lock_guard<std::mutex> g(Mu());
  OpenKey ok;
  LSTATUS rc = Lookup(key, ok);
  if (rc != ERROR_SUCCESS) return rc;
  if (!(ok.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Key* k = nullptr;
  rc = Resolve(ok, k);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD maxSub = 0, maxName = 0, maxData = 0;
  for (auto& [n, s] : k->subkeys) maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(n.size()));
  for (auto& v : k->values) {
    maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
    maxData = std::max<DWORD>(maxData, static_cast<DWORD>(v.data.size()));
  }
  if (keyClass && classChars && *classChars) keyClass[0] = 0;
  if (classChars) *classChars = 0;
  if (subKeys) *subKeys = static_cast<DWORD>(k->subkeys.size());
  if (maxSubKeyLen) *maxSubKeyLen = maxSub;
  if (maxClassLen) *maxClassLen = 0;
  if (values) *values = static_cast<DWORD>(k->values.size());
  if (maxValueNameLen) *maxValueNameLen = maxName;
  if (maxValueLen) *maxValueLen = maxData;
  if (securityBytes) *securityBytes = 0;
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
  KV_REG_CATCH
}

namespace kvp::test {

DWORD LoadRegistryText(HKEY hive, std::string_view text) {
  int idx = HiveOf(hive);
  if (idx < 0) return ERROR_INVALID_HANDLE;
  try {
    Key parsed;
    std::string err;
    if (!ParseHive(text, parsed, err)) return ERROR_BADDB;
    std::lock_guard<std::mutex> g(Mu());
    HiveState& h = g_hives[idx];
    store::FileLock lock("registry", h.file);
    if (lock.status() != ERROR_SUCCESS) return lock.status();
    h.root = std::move(parsed);
    DWORD rc = Save(h);
    h.loaded = false;
    return rc;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

std::string RegistryText(HKEY hive) {
  int idx = HiveOf(hive);
  if (idx < 0) return "";
  std::lock_guard<std::mutex> g(Mu());
  return Refresh(g_hives[idx]) == ERROR_SUCCESS ? WriteHive(g_hives[idx].root) : std::string();
}

std::string RegistryError(HKEY hive) {
  int idx = HiveOf(hive);
  if (idx < 0) return "not a hive";
  std::lock_guard<std::mutex> g(Mu());
  Refresh(g_hives[idx]);
  return g_hives[idx].errorText;
}

}  // namespace kvp::test
