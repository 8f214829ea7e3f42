// Path forms, the machine's folders, the process environment and the known folders.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "internal.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"

namespace {

const std::u16string kCurrentDir = u"C:\\Windows\\System32";
const std::u16string kWindowsDir = u"C:\\Windows";
const std::u16string kSystemDir = u"C:\\Windows\\System32";

bool IsLongPrefix(std::u16string_view p) {
  return p.size() >= 4 && p[0] == u'\\' && p[1] == u'\\' && p[2] == u'?' && p[3] == u'\\';
}
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// The absolute normalised form of a machine path (no file-system access).
std::u16string FullPath(std::u16string p) {
  if (IsLongPrefix(p)) return p;
  for (auto& c : p)
    if (c == u'/') c = u'\\';
  std::u16string root, rest;
  if (p.size() >= 2 && IsLetter(p[0]) && p[1] == u':') {
    root = p.substr(0, 2) + u"\\";
    if (p.size() >= 3 && p[2] == u'\\') {
      rest = p.substr(3);
    } else if (kvp::WFoldUpper(p[0]) == kvp::WFoldUpper(kCurrentDir[0])) {
      root = kCurrentDir.substr(0, 3);
      rest = kCurrentDir.substr(3) + u"\\" + p.substr(2);
    } else {
      rest = p.substr(2);
    }
  } else if (p.size() >= 2 && p[0] == u'\\' && p[1] == u'\\') {
    // \\server\share\ is the root of a network path.
    size_t s1 = p.find(u'\\', 2);
    size_t s2 = s1 == std::u16string::npos ? s1 : p.find(u'\\', s1 + 1);
    if (s2 == std::u16string::npos) return p;
    root = p.substr(0, s2 + 1);
    rest = p.substr(s2 + 1);
  } else if (!p.empty() && p[0] == u'\\') {
    root = kCurrentDir.substr(0, 3);
    rest = p.substr(1);
  } else {
    root = kCurrentDir.substr(0, 3);
    rest = kCurrentDir.substr(3) + u"\\" + p;
  }
  std::vector<std::u16string> parts;
  size_t i = 0;
  bool trailing = !rest.empty() && rest.back() == u'\\';
  while (i <= rest.size()) {
    size_t j = rest.find(u'\\', i);
    if (j == std::u16string::npos) j = rest.size();
    std::u16string comp = rest.substr(i, j - i);
    i = j + 1;
    if (comp.empty() || comp == u".") continue;
    if (comp == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    while (!comp.empty() && (comp.back() == u'.' || comp.back() == u' ')) comp.pop_back();
    if (!comp.empty()) parts.push_back(comp);
  }
  std::u16string out = root;
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out += u'\\';
    out += parts[k];
  }
  if (trailing && !parts.empty()) out += u'\\';
  return out;
}

// Copies a result with the platform's size protocol: the length on success, the size needed with the
// terminator when it does not fit.
DWORD Deliver(const std::u16string& s, LPWSTR buffer, DWORD size) {
  if (!buffer || size <= s.size()) return DWORD(s.size() + 1);
  std::memcpy(buffer, s.data(), s.size() * sizeof(WCHAR));
  buffer[s.size()] = 0;
  return DWORD(s.size());
}

// ---- Environment ----

struct EnvVar {
  std::u16string name;
  std::u16string value;
  bool removed = false;
};
std::mutex g_envMu;
std::map<std::u16string, EnvVar>& Overlay() {
  static auto* m = new std::map<std::u16string, EnvVar>();
  return *m;
}
std::u16string Key(std::u16string_view name) {
  std::u16string k(name);
  for (auto& c : k) c = kvp::WFoldUpper(c);
  return k;
}
void DropOverlay() {
  std::lock_guard<std::mutex> g(g_envMu);
  Overlay().clear();
}
struct RegisterDrop {
  RegisterDrop() { kvp::OnRootChanged(&DropOverlay); }
} g_registerDrop;

std::vector<EnvVar> Defaults() {
  std::u16string user = kvp::FromUtf8(kvp::ProfileGetString("UserName", "user"));
  std::u16string profile = kvp::UserProfileDir();
  return {
      {u"SystemRoot", kWindowsDir},
      {u"windir", kWindowsDir},
      {u"SystemDrive", u"C:"},
      {u"TEMP", profile + u"\\AppData\\Local\\Temp"},
      {u"TMP", profile + u"\\AppData\\Local\\Temp"},
      {u"USERPROFILE", profile},
      {u"USERNAME", user},
      {u"COMPUTERNAME", kvp::FromUtf8(kvp::ProfileGetString("ComputerName", "KVMACHINE"))},
      {u"APPDATA", profile + u"\\AppData\\Roaming"},
      {u"LOCALAPPDATA", profile + u"\\AppData\\Local"},
      {u"ProgramData", u"C:\\ProgramData"},
      {u"ALLUSERSPROFILE", u"C:\\ProgramData"},
      {u"ProgramFiles", u"C:\\Program Files"},
      {u"PUBLIC", u"C:\\Users\\Public"},
      {u"HOMEDRIVE", u"C:"},
      {u"HOMEPATH", profile.substr(2)},
      {u"OS", u"Windows_NT"},
  };
}

bool LookupEnv(std::u16string_view name, std::u16string* value) {
  std::u16string k = Key(name);
  {
    std::lock_guard<std::mutex> g(g_envMu);
    auto it = Overlay().find(k);
    if (it != Overlay().end()) {
      if (it->second.removed) return false;
      *value = it->second.value;
      return true;
    }
  }
  for (const auto& v : Defaults())
    if (Key(v.name) == k) {
      *value = v.value;
      return true;
    }
  return false;
}

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

namespace kvp {

std::u16string UserProfileDir() { return u"C:\\Users\\" + FromUtf8(ProfileGetString("UserName", "user")); }

DWORD MapFilePath(LPCWSTR name, std::string& host, size_t maxLen) {
  if (!name) return ERROR_INVALID_PARAMETER;
  std::u16string_view p = WView(name);
  if (p.empty()) return ERROR_PATH_NOT_FOUND;
  if (!IsLongPrefix(p) && p.size() >= maxLen) return ERROR_FILENAME_EXCED_RANGE;
  bool absolute = (p.size() >= 3 && IsLetter(p[0]) && p[1] == u':' && (p[2] == u'\\' || p[2] == u'/')) ||
                  (p.size() >= 2 && (p[0] == u'\\' || p[0] == u'/') && (p[1] == u'\\' || p[1] == u'/'));
  std::string mapped;
  DWORD err = absolute ? MapPath(p, mapped) : MapPath(FullPath(std::u16string(p)), mapped);
  if (err) return err;
  // The platform's own bookkeeping (attribute records, temporary copies) is not reachable by name.
  for (size_t i = mapped.find('/'); i != std::string::npos; i = mapped.find('/', i + 1)) {
    size_t j = mapped.find('/', i + 1);
    if (fs::IsInternalName(mapped.substr(i + 1, j == std::string::npos ? std::string::npos : j - i - 1)))
      return ERROR_ACCESS_DENIED;
  }
  host = std::move(mapped);
  return ERROR_SUCCESS;
}

}  // namespace kvp

KVAPI DWORD GetFullPathNameW(LPCWSTR name, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!*name) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::u16string full = FullPath(std::u16string(kvp::WView(name)));
  if (full.size() >= 32767) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  DWORD r = Deliver(full, buffer, size);
  if (filePart && r == full.size()) {
    size_t s = full.rfind(u'\\');
    *filePart = (s == std::u16string::npos || s + 1 == full.size()) ? nullptr : buffer + s + 1;
  }
  return r;
}

KVAPI UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) { return Deliver(kSystemDir, buffer, size); }
KVAPI UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) { return Deliver(kWindowsDir, buffer, size); }
KVAPI UINT GetSystemWindowsDirectoryW(LPWSTR buffer, UINT size) { return Deliver(kWindowsDir, buffer, size); }

KVAPI DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
  std::u16string t;
  if (!LookupEnv(u"TMP", &t) && !LookupEnv(u"TEMP", &t)) t = kWindowsDir;
  t = FullPath(t);
  if (t.empty() || t.back() != u'\\') t += u'\\';
  return Deliver(t, buffer, size);
}

KVAPI DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  std::u16string v;
  if (!name || !LookupEnv(kvp::WView(name), &v)) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  if (v.empty()) SetLastError(ERROR_SUCCESS);
  if (v.empty() && buffer && size) buffer[0] = 0;
  return Deliver(v, buffer, size);
}

KVAPI BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
  std::u16string_view n = kvp::WView(name);
  if (n.empty() || n.find(u'=') != std::u16string_view::npos || n.size() > 32767 ||
      kvp::WLen(value) > 32767) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(g_envMu);
  EnvVar& e = Overlay()[Key(n)];
  e.name = std::u16string(n);
  e.removed = value == nullptr;
  e.value = value ? std::u16string(kvp::WView(value)) : std::u16string();
  return TRUE;
}

KVAPI DWORD ExpandEnvironmentStringsW(LPCWSTR src, LPWSTR dst, DWORD size) {
  if (!src) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string_view s = kvp::WView(src);
  std::u16string out;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == u'%') {
      size_t j = s.find(u'%', i + 1);
      std::u16string v;
      if (j != std::u16string_view::npos && j > i + 1 && LookupEnv(s.substr(i + 1, j - i - 1), &v)) {
        out += v;
        i = j + 1;
        continue;
      }
      if (j != std::u16string_view::npos && j > i + 1) {
        out += s.substr(i, j - i);  // unknown: kept as written; the closing % may open the next name
        i = j;
        continue;
      }
    }
    out += s[i++];
  }
  if (out.size() >= 32767) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  DWORD need = DWORD(out.size() + 1);
  if (dst && size >= need) {
    std::memcpy(dst, out.data(), out.size() * sizeof(WCHAR));
    dst[out.size()] = 0;
  }
  return need;
}

KVAPI BOOL GetUserProfileDirectoryW(HANDLE token, LPWSTR buffer, LPDWORD size) {
  if (kvp::HandleKind(token) != kvp::kHandleKindToken) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string dir = kvp::UserProfileDir();
  DWORD need = DWORD(dir.size() + 1);
  if (!buffer || *size < need) {
    *size = need;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, dir.data(), need * sizeof(WCHAR) - sizeof(WCHAR));
  buffer[dir.size()] = 0;
  *size = need;
  return TRUE;
}

KVAPI LPVOID CoTaskMemAlloc(SIZE_T bytes) {
  if (kvp::test::ShouldFailAlloc()) return nullptr;
  return std::malloc(bytes ? bytes : 1);
}
KVAPI void CoTaskMemFree(LPVOID p) { std::free(p); }

KVAPI HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, LPWSTR* path) {
  if (!path) return E_INVALIDARG;
  *path = nullptr;
  std::u16string profile = kvp::UserProfileDir();
  struct Row {
    const KNOWNFOLDERID* id;
    std::u16string dir;
  } rows[] = {
      {&FOLDERID_LocalAppDataLow, profile + u"\\AppData\\LocalLow"},
      {&FOLDERID_LocalAppData, profile + u"\\AppData\\Local"},
      {&FOLDERID_RoamingAppData, profile + u"\\AppData\\Roaming"},
      {&FOLDERID_Profile, profile},
      {&FOLDERID_ProgramData, u"C:\\ProgramData"},
      {&FOLDERID_Windows, kWindowsDir},
      {&FOLDERID_System, kSystemDir},
  };
  for (const auto& r : rows) {
    if (!SameGuid(*r.id, id)) continue;
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((r.dir.size() + 1) * sizeof(WCHAR)));
    if (!p) return E_OUTOFMEMORY;
    std::memcpy(p, r.dir.data(), r.dir.size() * sizeof(WCHAR));
    p[r.dir.size()] = 0;
    *path = p;
    return S_OK;
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}
