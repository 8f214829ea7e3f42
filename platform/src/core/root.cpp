// The machine root and the mapping of machine paths onto host paths under it.
#include "kvplat/root.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/text.h"

namespace kvp {
namespace {

constexpr size_t kMaxMachinePath = 32767;

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
std::string& RootVar() {
  static std::string r;
  return r;
}
std::vector<RootChangedFn>& Listeners() {
  static std::vector<RootChangedFn> v;
  return v;
}

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

bool ValidNameChar(char16_t c) {
  if (c < 32) return false;
  switch (c) {
    case u'<': case u'>': case u':': case u'"': case u'|': case u'?': case u'*':
      return false;
    default:
      return true;
  }
}

// Finds the entry of `dir` whose name equals `name` ignoring case; exact spelling wins.
std::string ResolveComponent(const std::string& dir, const std::string& name) {
  struct stat st;
  std::string exact = dir + "/" + name;
  if (lstat(exact.c_str(), &st) == 0) return name;
  DIR* d = opendir(dir.c_str());
  if (!d) return name;
  std::u16string want = FromUtf8(name);
  std::string found = name;
  while (dirent* e = readdir(d)) {
    if (WEqualI(FromUtf8(e->d_name), want)) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

}  // namespace

std::string MachineRoot() {
  std::lock_guard<std::mutex> g(Mu());
  if (RootVar().empty()) {
    const char* env = std::getenv("KV_MACHINE_ROOT");
    std::string r = (env && *env) ? env : "machine";
    std::error_code ec;
    auto abs = std::filesystem::absolute(r, ec);
    RootVar() = ec ? r : abs.lexically_normal().string();
    while (RootVar().size() > 1 && RootVar().back() == '/') RootVar().pop_back();
  }
  return RootVar();
}

void SetMachineRoot(const std::string& hostDir) {
  std::vector<RootChangedFn> fns;
  {
    std::lock_guard<std::mutex> g(Mu());
    std::error_code ec;
    auto abs = std::filesystem::absolute(hostDir, ec);
    RootVar() = ec ? hostDir : abs.lexically_normal().string();
    while (RootVar().size() > 1 && RootVar().back() == '/') RootVar().pop_back();
    fns = Listeners();
  }
  for (auto fn : fns) fn();
}

void OnRootChanged(RootChangedFn fn) {
  std::lock_guard<std::mutex> g(Mu());
  Listeners().push_back(fn);
}

DWORD MapPath(std::u16string_view p, std::string& hostOut) {
  if (p.empty()) return ERROR_PATH_NOT_FOUND;
  if (p.size() > kMaxMachinePath) return ERROR_FILENAME_EXCED_RANGE;
  // The long-path prefix "\\?\" names the same place.
  if (p.size() >= 4 && IsSep(p[0]) && IsSep(p[1]) && p[2] == u'?' && IsSep(p[3])) p.remove_prefix(4);

  std::string base;       // host folder the components are resolved under
  size_t minDepth = 0;    // components that ".." may not remove (the share of a UNC path)
  std::vector<std::string> parts;
  size_t i;
  std::string root = MachineRoot();
  if (p.size() >= 2 && p[1] == u':' &&
      ((p[0] >= u'a' && p[0] <= u'z') || (p[0] >= u'A' && p[0] <= u'Z'))) {
    if (p.size() > 2 && !IsSep(p[2])) return ERROR_INVALID_NAME;  // drive-relative paths are not supported
    char letter = char(p[0] | 0x20);
    base = root + "/" + letter;
    struct stat st;
    if (stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    i = 2;
  } else if (p.size() >= 3 && IsSep(p[0]) && IsSep(p[1])) {
    base = root + "/unc";
    i = 2;
    minDepth = 2;
  } else {
    return ERROR_INVALID_NAME;  // relative paths have no meaning without a current folder
  }

  std::string resolved = base;
  while (i < p.size()) {
    while (i < p.size() && IsSep(p[i])) ++i;
    size_t start = i;
    while (i < p.size() && !IsSep(p[i])) ++i;
    std::u16string_view comp = p.substr(start, i - start);
    if (comp.empty() || comp == u".") continue;
    if (comp == u"..") {
      if (parts.size() <= minDepth) return ERROR_ACCESS_DENIED;  // never climbs out of its drive or share
      parts.pop_back();
      continue;
    }
    for (char16_t c : comp)
      if (!ValidNameChar(c)) return ERROR_INVALID_NAME;
    // Trailing dots and spaces are dropped from names, as the platform does.
    while (!comp.empty() && (comp.back() == u'.' || comp.back() == u' ')) comp.remove_suffix(1);
    if (comp.empty()) return ERROR_INVALID_NAME;
    parts.push_back(ToUtf8(comp));
  }
  if (minDepth && parts.size() < minDepth) return ERROR_BAD_PATHNAME;

  for (auto& part : parts) {
    part = ResolveComponent(resolved, part);
    resolved += "/" + part;
  }
  hostOut = resolved;
  return ERROR_SUCCESS;
}

DWORD InitMachineRoot(const std::string& hostDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const char* dirs[] = {
      "c/Windows/System32/spool/drivers/x64/3",
      "c/Windows/System32/spool/PRINTERS",
      "c/Windows/Temp",
      "c/Windows/Fonts",
      "c/ProgramData",
      "c/Program Files",
      "c/Users/Public",
      "c/Users/user/AppData/Local/Temp",
      "c/Users/user/AppData/LocalLow",
      "c/Users/user/AppData/Roaming",
      "registry",
      "spool",
      "unc",
  };
  for (const char* d : dirs) {
    fs::create_directories(fs::path(hostDir) / d, ec);
    if (ec) return ERROR_ACCESS_DENIED;
  }
  fs::path ini = fs::path(hostDir) / "machine.ini";
  if (!fs::exists(ini)) {
    std::ofstream f(ini);
    f << "; System profile of this machine. Tests and users may change these switches.\n"
         "[System]\n"
         "OSMajor=10\nOSMinor=0\nOSBuild=19045\nProductType=1\n"
         "TerminalServer=0\nAdministrator=1\nACP=1252\nOEMCP=437\n"
         "UserLocale=0x0409\nSystemLocale=0x0409\nUILanguage=0x0409\n"
         "UserName=user\nComputerName=KVMACHINE\nClockOffsetMs=0\n";
    if (!f) return ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

}  // namespace kvp
