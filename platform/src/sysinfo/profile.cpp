// The system profile: section [System] of <root>/machine.ini, parsed once and kept. The copy is reused
// while the root's system-profile counter (bumped by every ProfileSet of any process) is unchanged; once
// a second the file's identity on disk (inode, size, modification time) is compared as well, so an edit
// made by other means is seen too. A file modified less than 100 ms before it was read is not trusted on
// that comparison: the host's timestamps are coarse, and a second change in the same tick would
// otherwise go unseen.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <unistd.h>

#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "../core/generation.h"

namespace kvp {
namespace {

struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
      int x = std::tolower((unsigned char)a[i]), y = std::tolower((unsigned char)b[i]);
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

struct Cache {
  std::string path;
  bool valid = false;
  bool trusted = false;  // the file was old enough when read that its stat identity is reliable
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  timespec mtime{};
  uint64_t generation = 0;  // the system-profile counter when the copy was made or last confirmed
  int64_t checkedMs = 0;    // when the file's identity was last compared
  std::map<std::string, std::string, CaseLess> keys;
};

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
Cache& TheCache() {
  static auto* c = new Cache();  // outlives the modules still loaded at exit
  return *c;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

bool IsSystemSection(const std::string& line) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  std::string name = Trim(t.substr(1, t.size() - 2));
  return CaseLess()(name, "system") == false && CaseLess()("system", name) == false;
}

void Parse(const std::string& text, Cache& c) {
  c.keys.clear();
  std::istringstream in(text);
  std::string line;
  bool inSystem = false;
  while (std::getline(in, line)) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t[0] == '[') {
      inSystem = IsSystemSection(t);
      continue;
    }
    if (!inSystem) continue;
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    std::string k = Trim(t.substr(0, eq));
    if (!k.empty() && !c.keys.count(k)) c.keys[k] = Trim(t.substr(eq + 1));
  }
}

std::string ProfilePath() { return MachineRoot() + "/machine.ini"; }

// Brings the cache up to date with the file; the caller holds Mu().
void Refresh(Cache& c) {
  uint64_t generation = gen::Current(gen::kSystemProfile);
  int64_t nowMs = gen::CoarseNowMs();
  if (c.valid && c.generation == generation && nowMs - c.checkedMs < gen::kOutsideCheckMs) return;
  std::string path = ProfilePath();
  struct stat st;
  c.generation = generation;
  c.checkedMs = nowMs;
  if (stat(path.c_str(), &st) != 0) {
    c.path = path;
    c.valid = true;
    c.trusted = false;
    c.size = -1;
    c.keys.clear();
    return;
  }
  if (c.valid && c.trusted && c.path == path && c.dev == st.st_dev && c.ino == st.st_ino &&
      c.size == st.st_size && c.mtime.tv_sec == st.st_mtim.tv_sec && c.mtime.tv_nsec == st.st_mtim.tv_nsec)
    return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  Parse(ss.str(), c);
  c.path = path;
  c.valid = true;
  c.dev = st.st_dev;
  c.ino = st.st_ino;
  c.size = st.st_size;
  c.mtime = st.st_mtim;
  c.trusted = (now.tv_sec - st.st_mtim.tv_sec) * 1000000000LL + (now.tv_nsec - st.st_mtim.tv_nsec) >= 100000000LL;
}

bool ParseNumber(const std::string& s, DWORD* out) {
  if (s.empty()) return false;
  const char* p = s.c_str();
  char* end = nullptr;
  bool neg = false;
  if (*p == '-') {
    neg = true;
    ++p;
  }
  unsigned long long v;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
    v = std::strtoull(p + 2, &end, 16);
  else
    v = std::strtoull(p, &end, 10);
  if (end == p || *end != 0 || v > 0xFFFFFFFFull) return false;
  *out = neg ? DWORD(0u - DWORD(v)) : DWORD(v);
  return true;
}

void DropCache() {
  std::lock_guard<std::mutex> g(Mu());
  TheCache().valid = false;
}

struct RegisterDrop {
  RegisterDrop() { OnRootChanged(&DropCache); }
} g_registerDrop;

}  // namespace

std::string ProfileGetString(const char* key, const std::string& def) {
  if (!key || !*key) return def;
  std::lock_guard<std::mutex> g(Mu());
  Cache& c = TheCache();
  Refresh(c);
  auto it = c.keys.find(key);
  return it == c.keys.end() ? def : it->second;
}

DWORD ProfileGetInt(const char* key, DWORD def) {
  std::string s = ProfileGetString(key, std::string());
  DWORD v;
  return ParseNumber(s, &v) ? v : def;
}

DWORD ProfileSet(const char* key, const std::string& value) {
  if (!key || !*key) return ERROR_INVALID_PARAMETER;
  std::string k = key;
  if (k.find_first_of("=[]\r\n;") != std::string::npos || Trim(k) != k) return ERROR_INVALID_PARAMETER;
  if (value.find_first_of("\r\n") != std::string::npos) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> g(Mu());
  std::string path = ProfilePath();
  // Writers of other processes take turns, so two changes made at once both survive.
  struct FileLock {
    int fd;
    explicit FileLock(const std::string& p) : fd(open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
      if (fd >= 0) flock(fd, LOCK_EX);
    }
    ~FileLock() {
      if (fd >= 0) close(fd);
    }
  } lock(path + ".lock");
  std::string text;
  {
    std::ifstream f(path, std::ios::binary);
    if (f) {
      std::stringstream ss;
      ss << f.rdbuf();
      text = ss.str();
    }
  }
  // Rewrites the file line by line, replacing the key inside [System] or adding it at the section's end.
  std::istringstream in(text);
  std::string line, out;
  bool inSystem = false, sawSystem = false, done = false;
  while (std::getline(in, line)) {
    std::string t = Trim(line);
    if (!t.empty() && t[0] == '[') {
      if (inSystem && !done) {
        out += k + "=" + value + "\n";
        done = true;
      }
      inSystem = IsSystemSection(t);
      sawSystem = sawSystem || inSystem;
    } else if (inSystem && !done && !t.empty() && t[0] != ';') {
      size_t eq = t.find('=');
      if (eq != std::string::npos && !CaseLess()(Trim(t.substr(0, eq)), k) && !CaseLess()(k, Trim(t.substr(0, eq)))) {
        out += k + "=" + value + "\n";
        done = true;
        continue;
      }
    }
    out += line + "\n";
  }
  if (!done) {
    if (!sawSystem) out += "[System]\n";
    out += k + "=" + value + "\n";
  }
  if (kvp::test::ShouldFailWrite()) return ERROR_WRITE_FAULT;
  std::string tmp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    f << out;
    f.flush();
    if (!f) {
      std::remove(tmp.c_str());
      return ERROR_WRITE_FAULT;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return ERROR_WRITE_FAULT;
  }
  TheCache().valid = false;
  gen::Bump(gen::kSystemProfile);
  return ERROR_SUCCESS;
}

}  // namespace kvp
