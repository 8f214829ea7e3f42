// The machine root and the mapping of machine paths onto host paths under it.
#include "kvplat/root.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
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
  static auto* r = new std::string();  // outlives the modules still loaded at exit
  return *r;
}
std::vector<RootChangedFn>& Listeners() {
  static auto* v = new std::vector<RootChangedFn>();
  return *v;
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

// Folder listings by folded name, for resolving names that differ from the disk's spelling in case.
// A listing is reused while the folder's identity and modification time stay the same and the folder
// was last changed well before it was read: a change within the same timestamp tick (the host's
// timestamps are coarse, a few milliseconds) would otherwise go unseen.
struct Listing {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  bool trusted = false;
  std::unordered_map<std::u16string, std::string> byFolded;
  std::unordered_set<std::string> exact;
};
std::mutex& ListingMu() {
  static std::mutex m;
  return m;
}
std::unordered_map<std::string, Listing>& Listings() {
  static auto* l = new std::unordered_map<std::string, Listing>();
  return *l;
}
constexpr size_t kMaxListings = 512;

std::u16string Folded(std::u16string_view s) {
  std::u16string f(s);
  for (auto& c : f) c = WFoldUpper(c);
  return f;
}

// Finds the entry of `dir` whose name equals `name` ignoring case; exact spelling wins. *found tells
// whether an entry exists at all.
std::string ResolveComponent(const std::string& dir, const std::string& name, bool* found) {
  *found = true;
  struct stat dst;
  if (stat(dir.c_str(), &dst) != 0) {
    *found = false;
    return name;
  }
  std::u16string want = Folded(FromUtf8(name));
  std::lock_guard<std::mutex> g(ListingMu());
  auto& all = Listings();
  auto it = all.find(dir);
  bool fresh = it != all.end() && it->second.trusted && it->second.dev == dst.st_dev && it->second.ino == dst.st_ino &&
               it->second.mtime.tv_sec == dst.st_mtim.tv_sec && it->second.mtime.tv_nsec == dst.st_mtim.tv_nsec;
  if (!fresh) {
    if (all.size() >= kMaxListings) all.clear();
    Listing l;
    l.dev = dst.st_dev;
    l.ino = dst.st_ino;
    l.mtime = dst.st_mtim;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    l.trusted = (now.tv_sec - dst.st_mtim.tv_sec) * 1000000000LL + (now.tv_nsec - dst.st_mtim.tv_nsec) >= 100000000LL;
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        l.byFolded.emplace(Folded(FromUtf8(n)), n);  // the first of names equal without case wins
        l.exact.insert(n);
      }
      closedir(d);
    }
    it = all.insert_or_assign(dir, std::move(l)).first;
  }
  if (it->second.exact.count(name)) return name;  // the exact spelling wins
  auto hit = it->second.byFolded.find(want);
  if (hit == it->second.byFolded.end()) {
    *found = false;
    return name;
  }
  return hit->second;
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

  bool checkDrive = false;
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
    checkDrive = true;
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

  // The common case first: the path exists exactly as spelled, one look-up in all.
  std::string exact = base;
  for (const auto& part : parts) exact += "/" + part;
  struct stat st;
  if (lstat(exact.c_str(), &st) == 0) {
    hostOut = exact;
    return ERROR_SUCCESS;
  }
  if (checkDrive && (stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) return ERROR_PATH_NOT_FOUND;
  bool exists = true;
  for (auto& part : parts) {
    // Below a missing component nothing exists: the rest keep their spelling.
    if (exists) part = ResolveComponent(resolved, part, &exists);
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
