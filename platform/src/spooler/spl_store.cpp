// Spooler files under <root>/spool/: one text file per printer (spool/printers/*.prn) and per driver
// (spool/drivers/*.drv), and spool/forms.txt for the forms added by users.
//
// File form, one "Key=Value" per line, UTF-16 text written as printable ASCII with every other unit
// (and '%', '|', '=') as "%XXXX"; binary data as hex; the first line names the kind and version, the
// last line is "End", so a cut file is noticed. Anything that does not parse makes the record
// unreadable (ERROR_INVALID_DATA) and leaves every other record alone.
#include <fcntl.h>
#include <time.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <unordered_map>

#include "kvplat/devmode.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "spl_internal.h"
#include "../core/generation.h"
#include "../profile/store_file.h"

namespace kvp::spl {
namespace fs = std::filesystem;
namespace {

constexpr const char* kPrinterMagic = "KVSPOOL-PRINTER 1";
constexpr const char* kDriverMagic = "KVSPOOL-DRIVER 1";
constexpr const char* kFormsMagic = "KVSPOOL-FORMS 1";

std::string SpoolDir() { return MachineRoot() + "/spool"; }

// ---- text escaping -------------------------------------------------------------------------------------

std::string Esc(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7f && c != '%' && c != '|' && c != '=') {
      out.push_back(char(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%%%04X", unsigned(c));
      out += buf;
    }
  }
  return out;
}

int HexVal(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unesc(std::string_view s, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      if (s[i] < 0x20 || s[i] >= 0x7f) return false;
      out.push_back(char16_t(s[i]));
      continue;
    }
    if (i + 4 >= s.size()) return false;
    unsigned v = 0;
    for (int k = 1; k <= 4; ++k) {
      int h = HexVal(s[i + k]);
      if (h < 0) return false;
      v = v * 16 + unsigned(h);
    }
    out.push_back(char16_t(v));
    i += 4;
  }
  return true;
}

std::string Hex(const std::vector<BYTE>& d) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(d.size() * 2);
  for (BYTE b : d) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

bool Unhex(std::string_view s, std::vector<BYTE>& out) {
  if (s.size() % 2) return false;
  out.resize(s.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    int a = HexVal(s[2 * i]), b = HexVal(s[2 * i + 1]);
    if (a < 0 || b < 0) return false;
    out[i] = BYTE(a * 16 + b);
  }
  return true;
}

bool ParseDword(std::string_view s, DWORD& v) {
  if (s.empty() || s.size() > 10) return false;
  uint64_t x = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    x = x * 10 + unsigned(c - '0');
  }
  if (x > 0xffffffffu) return false;
  v = DWORD(x);
  return true;
}

bool ParseLong(std::string_view s, LONG& v) {
  bool neg = !s.empty() && s[0] == '-';
  DWORD d;
  if (!ParseDword(neg ? s.substr(1) : s, d) || d > 0x80000000u) return false;
  if (!neg && d > 0x7fffffffu) return false;
  v = neg ? LONG(-int64_t(d)) : LONG(d);
  return true;
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// ---- files ---------------------------------------------------------------------------------------------

// A record's file name: its name folded to upper case and escaped, so names that differ only in case meet.
std::string FileKey(std::u16string_view name) {
  std::u16string folded(name);
  for (auto& c : folded) c = WFoldUpper(c);
  std::string out;
  for (char16_t c : folded) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '_' || c == '-') {
      out.push_back(char(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%%%04X", unsigned(c));
      out += buf;
    }
  }
  if (out.size() > 200) {  // keep within the host's name limit: a stable hash of the folded name
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : folded) h = (h ^ c) * 1099511628211ull;
    char buf[24];
    std::snprintf(buf, sizeof buf, "~%016llX", (unsigned long long)h);
    out = out.substr(0, 120) + buf;
  }
  return out;
}

std::string PrinterPath(std::u16string_view fullName) { return SpoolDir() + "/printers/" + FileKey(fullName) + ".prn"; }
std::string DataLogPath(std::u16string_view fullName) { return SpoolDir() + "/printerdata/" + FileKey(fullName) + ".log"; }
std::string DriverPath(std::u16string_view name) { return SpoolDir() + "/drivers/" + FileKey(name) + ".drv"; }

// Reads a whole file into lines; ERROR_FILE_NOT_FOUND when absent.
DWORD ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return ERROR_FILE_NOT_FOUND;
  std::string line;
  lines.clear();
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (f.bad()) return ERROR_READ_FAULT;
  return ERROR_SUCCESS;
}

// Writes beside the target and renames over it, so a reader sees the old or the new file, never a mix.
DWORD WriteAtomic(const std::string& path, const std::string& text) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  return store::WriteFileAtomic(path, text);
}

// Walks "Key=Value" lines between the magic line and "End"; false when the frame is broken.
template <class Fn>
bool ForEachField(const std::vector<std::string>& lines, const char* magic, Fn fn) {
  if (lines.size() < 2 || lines.front() != magic || lines.back() != "End") return false;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string& l = lines[i];
    size_t eq = l.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    if (!fn(std::string_view(l).substr(0, eq), std::string_view(l).substr(eq + 1))) return false;
  }
  return true;
}

void PutDateTime(std::ostringstream& o, const SYSTEMTIME& t) {
  o << t.wYear << '|' << t.wMonth << '|' << t.wDayOfWeek << '|' << t.wDay << '|' << t.wHour << '|' << t.wMinute
    << '|' << t.wSecond << '|' << t.wMilliseconds;
}

}  // namespace

// A stored DEVMODE is handed to drivers as it is, so it must be exactly one whole DEVMODE: its header's
// sizes cover every stored byte and no byte more.
bool WholeDevMode(const std::vector<BYTE>& dm) {
  if (dm.empty()) return true;
  constexpr size_t kMinSize = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);
  if (dm.size() < kMinSize) return false;
  WORD size, extra;
  std::memcpy(&size, dm.data() + offsetof(DEVMODEW, dmSize), sizeof size);
  std::memcpy(&extra, dm.data() + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
  return size >= kMinSize && size_t(size) + extra == dm.size();
}

namespace {

// ---- kept records ----------------------------------------------------------------------------------------

// Parsed records are kept per file and handed out while the spooler's change counter (bumped by every
// save of any process on the root) is unchanged; once a second the file's identity on disk is compared as
// well, for files edited by other means. A file modified less than 100 ms before it was read is not
// trusted on that comparison (coarse timestamps: a second change in the same tick would go unseen).
template <class T>
struct Kept {
  uint64_t generation = 0;
  int64_t checkedMs = 0;
  store::FileStamp stamp;
  bool trusted = false;
  DWORD err = ERROR_SUCCESS;
  std::shared_ptr<const T> record;  // null when err is set
};

template <class T>
struct KeptTable {
  std::mutex mu;
  std::unordered_map<std::string, Kept<T>> byKey;
};
KeptTable<Printer> g_printers;
KeptTable<Driver> g_drivers;
KeptTable<std::vector<Form>> g_forms;
constexpr size_t kMaxKept = 256;

void DropKept() {
  {
    std::lock_guard<std::mutex> g(g_printers.mu);
    g_printers.byKey.clear();
  }
  {
    std::lock_guard<std::mutex> g(g_drivers.mu);
    g_drivers.byKey.clear();
  }
  std::lock_guard<std::mutex> g(g_forms.mu);
  g_forms.byKey.clear();
}

struct KeptRootHook {
  KeptRootHook() { OnRootChanged(&DropKept); }
} g_keptRootHook;

bool OldEnough(const store::FileStamp& s) {
  if (!s.exists) return true;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return (now.tv_sec * 1000000000LL + now.tv_nsec) - s.mtimeNs >= 100000000LL;
}

// The kept record under `key`, brought up to date: `read` parses the file named by `path()` afresh.
template <class T, class Read, class PathOf>
DWORD LoadKept(KeptTable<T>& table, const std::string& key, std::shared_ptr<const T>& out, Read read, PathOf path) {
  uint64_t generation = gen::Current(gen::kSpooler);
  int64_t nowMs = gen::CoarseNowMs();
  std::lock_guard<std::mutex> g(table.mu);
  auto it = table.byKey.find(key);
  if (it != table.byKey.end() && it->second.generation == generation) {
    Kept<T>& k = it->second;
    bool same = nowMs - k.checkedMs < gen::kOutsideCheckMs;
    if (!same && k.trusted && store::StampOf(path()) == k.stamp) {
      k.checkedMs = nowMs;
      same = true;
    }
    if (same) {
      out = k.record;
      return k.err;
    }
  }
  // The identity is taken before the read: a file replaced in between is read again next time.
  Kept<T> fresh;
  fresh.generation = generation;
  fresh.checkedMs = nowMs;
  fresh.stamp = store::StampOf(path());
  fresh.trusted = OldEnough(fresh.stamp);
  auto record = std::make_shared<T>();
  fresh.err = read(*record);
  if (fresh.err == ERROR_SUCCESS) fresh.record = std::move(record);
  // Only answers that hold until the files change are kept: a read fault may pass.
  if (fresh.err == ERROR_SUCCESS || fresh.err == ERROR_INVALID_DATA || fresh.err == ERROR_INVALID_PRINTER_NAME ||
      fresh.err == ERROR_UNKNOWN_PRINTER_DRIVER) {
    if (table.byKey.size() >= kMaxKept) table.byKey.clear();
    table.byKey.insert_or_assign(key, fresh);
  } else if (it != table.byKey.end()) {
    table.byKey.erase(it);
  }
  out = fresh.record;
  return fresh.err;
}

// After a save (or a failed one) the kept copy is dropped and every process told.
template <class T>
void NoteSaved(KeptTable<T>& table, const std::string& key) {
  {
    std::lock_guard<std::mutex> g(table.mu);
    table.byKey.erase(key);
  }
  gen::Bump(gen::kSpooler);
}

// After a save that leaves `path` as it was (a value added to a printer's data log), every process is
// told, and this one keeps the record it saved instead of reading it back. Caller holds the store lock, so
// no other save comes between the bump and the counter read here.
template <class T>
void NoteSavedKeeping(KeptTable<T>& table, const std::string& key, const std::string& path, const T& saved) {
  gen::Bump(gen::kSpooler);
  Kept<T> k;
  k.generation = gen::Current(gen::kSpooler);
  k.checkedMs = gen::CoarseNowMs();
  k.stamp = store::StampOf(path);
  k.trusted = OldEnough(k.stamp);
  auto record = std::make_shared<T>(saved);
  k.record = std::move(record);
  std::lock_guard<std::mutex> g(table.mu);
  if (table.byKey.size() >= kMaxKept) table.byKey.clear();
  table.byKey.insert_or_assign(key, std::move(k));
}

}  // namespace

// ---- lock ----------------------------------------------------------------------------------------------

namespace {
std::recursive_mutex& ProcessLock() {
  static std::recursive_mutex m;
  return m;
}
thread_local int t_lockDepth = 0;
thread_local int t_lockFd = -1;
}  // namespace

StoreLock::StoreLock() {
  ProcessLock().lock();
  if (t_lockDepth++ == 0) {
    std::error_code ec;
    fs::create_directories(SpoolDir(), ec);
    t_lockFd = ::open((SpoolDir() + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (t_lockFd >= 0) ::flock(t_lockFd, LOCK_EX);
  }
  fd_ = t_lockFd;
}

StoreLock::~StoreLock() {
  if (--t_lockDepth == 0 && t_lockFd >= 0) {
    ::flock(t_lockFd, LOCK_UN);
    ::close(t_lockFd);
    t_lockFd = -1;
  }
  ProcessLock().unlock();
}

// ---- printer-data log ----------------------------------------------------------------------------------
//
// A device query stores its answers value by value, so rewriting the whole record for each would flush and
// rename it many times over. A value written on its own goes to the printer's data log instead: one line
// written after the log's last line and flushed. Each line names the token of the record it extends (the
// record's "DataLog=" field, new at every rewrite) and ends with a checksum, so a line cut short by a kill
// or a full disk, and lines older than the record's last rewrite, are ignored on reading. Any other save
// rewrites the record with the log's values in it and a new token; so does a value write that finds the
// log full or its last line cut.

namespace {

constexpr size_t kDataLogBytes = 64 * 1024;  // the log's fixed size; its unused end is zero bytes

bool ValidToken(std::string_view t) {
  if (t.size() != 16) return false;
  for (char c : t)
    if (HexVal(c) < 0) return false;
  return true;
}

std::string NewToken() {
  static std::mutex mu;
  static uint64_t state = 0;
  std::lock_guard<std::mutex> g(mu);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  state = (state ^ uint64_t(now.tv_sec) * 1000000007ull ^ uint64_t(now.tv_nsec) ^ (uint64_t(getpid()) << 32)) *
              6364136223846793005ull + 1442695040888963407ull;
  char buf[24];
  std::snprintf(buf, sizeof buf, "%016llX", (unsigned long long)state);
  return buf;
}

uint64_t LineSum(std::string_view s) {
  uint64_t h = 1469598103934665603ull;
  for (char c : s) h = (h ^ uint8_t(c)) * 1099511628211ull;
  return h;
}

std::string DataLogLine(const std::string& token, const Value& v) {
  std::ostringstream o;
  o << token << '|' << Esc(v.key) << '|' << Esc(v.name) << '|' << v.type << '|' << Hex(v.data);
  std::string body = o.str();
  char sum[24];
  std::snprintf(sum, sizeof sum, "|%016llX\n", (unsigned long long)LineSum(body));
  return body + sum;
}

// Applies the whole, current lines of the printer's data log to `p`, in the order written.
void ApplyDataLog(const std::u16string& fullName, Printer& p) {
  std::string text;
  if (store::ReadWholeFile(DataLogPath(fullName), text) != ERROR_SUCCESS) return;
  text.resize(std::min(text.find('\0'), text.size()));
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string_view line = std::string_view(text).substr(start, end - start);
    size_t bar = line.rfind('|');
    if (bar == std::string_view::npos || line.size() - bar != 17) continue;
    std::string_view body = line.substr(0, bar);
    char sum[24];
    std::snprintf(sum, sizeof sum, "%016llX", (unsigned long long)LineSum(body));
    if (line.substr(bar + 1) != sum) continue;
    auto f = Split(body, '|');
    if (f.size() != 5 || f[0] != p.dataLog) continue;
    Value val;
    if (!Unesc(f[1], val.key) || !Unesc(f[2], val.name) || !ParseDword(f[3], val.type) || !Unhex(f[4], val.data))
      continue;
    auto same = std::find_if(p.data.begin(), p.data.end(), [&](const Value& x) {
      return WEqualI(x.key, val.key) && WEqualI(x.name, val.name);
    });
    if (same == p.data.end()) {
      p.data.push_back(std::move(val));
    } else {
      same->type = val.type;
      same->data = std::move(val.data);
    }
  }
}

void RemoveDataLog(const std::u16string& fullName) { ::unlink(DataLogPath(fullName).c_str()); }

bool WriteAll(int fd, const char* p, size_t n, off_t at) {
  while (n) {
    ssize_t w = ::pwrite(fd, p, n, at);
    if (w <= 0) return false;
    p += w;
    n -= size_t(w);
    at += w;
  }
  return true;
}

bool ReadAll(int fd, char* p, size_t n, off_t at) {
  while (n) {
    ssize_t r = ::pread(fd, p, n, at);
    if (r <= 0) return false;
    p += r;
    n -= size_t(r);
    at += r;
  }
  return true;
}

// A new, empty log: its whole size written as zero bytes and flushed, then put in place by a rename, so
// the lines later written into it need no change of the file's size or blocks. The open log, or -1.
int CreateDataLog(const std::string& path) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::string fresh = path + ".new";  // under the store lock: one writer at a time, reused after a kill
  int fd = ::open(fresh.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  if (!WriteAll(fd, std::string(kDataLogBytes, '\0').data(), kDataLogBytes, 0) || ::fsync(fd) != 0 ||
      ::rename(fresh.c_str(), path.c_str()) != 0) {
    ::close(fd);
    ::unlink(fresh.c_str());
    return -1;
  }
  int dir = ::open(fs::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return fd;
}

}  // namespace

// ---- printers ------------------------------------------------------------------------------------------

namespace {
DWORD ReadPrinterFile(const std::string& path, const std::u16string& fullName, Printer& p) {
  std::vector<std::string> lines;
  DWORD err = ReadLines(path, lines);
  if (err == ERROR_FILE_NOT_FOUND) return ERROR_INVALID_PRINTER_NAME;
  if (err) return err;
  p = Printer{};
  bool ok = ForEachField(lines, kPrinterMagic, [&](std::string_view k, std::string_view v) {
    std::u16string* s = nullptr;
    DWORD* d = nullptr;
    if (k == "Server") s = &p.server;
    else if (k == "Name") s = &p.name;
    else if (k == "Share") s = &p.share;
    else if (k == "Port") s = &p.port;
    else if (k == "Driver") s = &p.driver;
    else if (k == "Comment") s = &p.comment;
    else if (k == "Location") s = &p.location;
    else if (k == "SepFile") s = &p.sepFile;
    else if (k == "PrintProcessor") s = &p.printProcessor;
    else if (k == "Datatype") s = &p.datatype;
    else if (k == "Parameters") s = &p.parameters;
    else if (k == "ObjectGUID") s = &p.objectGuid;
    else if (k == "Attributes") d = &p.attributes;
    else if (k == "Priority") d = &p.priority;
    else if (k == "DefaultPriority") d = &p.defaultPriority;
    else if (k == "StartTime") d = &p.startTime;
    else if (k == "UntilTime") d = &p.untilTime;
    else if (k == "Status") d = &p.status;
    else if (k == "NotSelectedTimeout") d = &p.notSelectedTimeout;
    else if (k == "RetryTimeout") d = &p.retryTimeout;
    else if (k == "DsAction") d = &p.dsAction;
    else if (k == "NextJobId") d = &p.nextJobId;
    if (s) return Unesc(v, *s);
    if (d) return ParseDword(v, *d);
    if (k == "DevMode") return Unhex(v, p.devmode);
    if (k == "DataLog") return ValidToken(v) && (p.dataLog.assign(v), true);
    if (k == "Data") {
      auto f = Split(v, '|');
      if (f.size() != 4) return false;
      Value val;
      return Unesc(f[0], val.key) && Unesc(f[1], val.name) && ParseDword(f[2], val.type) && Unhex(f[3], val.data) &&
             (p.data.push_back(std::move(val)), true);
    }
    if (k == "Job") {
      auto f = Split(v, '|');
      if (f.size() != 17) return false;
      Job j;
      DWORD t[8];
      for (int i = 0; i < 8; ++i)
        if (!ParseDword(f[9 + i], t[i]) || t[i] > 0xffff) return false;
      j.submitted = {WORD(t[0]), WORD(t[1]), WORD(t[2]), WORD(t[3]), WORD(t[4]), WORD(t[5]), WORD(t[6]), WORD(t[7])};
      return ParseDword(f[0], j.id) && Unesc(f[1], j.document) && Unesc(f[2], j.user) && Unesc(f[3], j.machine) &&
             Unesc(f[4], j.datatype) && ParseDword(f[5], j.status) && ParseDword(f[6], j.priority) &&
             ParseDword(f[7], j.totalPages) && ParseDword(f[8], j.size) && (p.jobs.push_back(std::move(j)), true);
    }
    // The DEVMODE and status text of a job come on lines of their own, after the job's line.
    if (k == "JobDevMode" || k == "JobStatusText") {
      auto f = Split(v, '|');
      DWORD id = 0;
      if (f.size() != 2 || !ParseDword(f[0], id) || p.jobs.empty() || p.jobs.back().id != id) return false;
      return k == "JobDevMode" ? Unhex(f[1], p.jobs.back().devmode) : Unesc(f[1], p.jobs.back().statusText);
    }
    return true;  // a field of a later version: kept out, not an error
  });
  if (!ok || p.name.empty() || !WholeDevMode(p.devmode)) return ERROR_INVALID_DATA;
  for (const auto& j : p.jobs)
    if (!WholeDevMode(j.devmode)) return ERROR_INVALID_DATA;
  // Job ids name one job each and 0 names none: a queue breaking either cannot be served or added to.
  if (p.nextJobId == 0) return ERROR_INVALID_DATA;
  std::set<DWORD> ids;
  for (const auto& j : p.jobs)
    if (j.id == 0 || !ids.insert(j.id).second) return ERROR_INVALID_DATA;
  // A record is only the printer it is filed as: a copied or hand-edited file naming another printer would
  // otherwise make a handle of one printer read and write the other one's file.
  if (FileKey(p.FullName()) != FileKey(fullName)) return ERROR_INVALID_DATA;
  if (!p.dataLog.empty()) ApplyDataLog(fullName, p);
  return ERROR_SUCCESS;
}
}  // namespace

DWORD LoadPrinterShared(const std::u16string& fullName, std::shared_ptr<const Printer>& out) {
  return LoadKept<Printer>(g_printers, FileKey(fullName), out, [&](Printer& p) {
    return ReadPrinterFile(PrinterPath(fullName), fullName, p);
  }, [&] { return PrinterPath(fullName); });
}

DWORD LoadPrinter(const std::u16string& fullName, Printer& p) {
  std::shared_ptr<const Printer> kept;
  DWORD err = LoadPrinterShared(fullName, kept);
  if (err == ERROR_SUCCESS) p = *kept;
  return err;
}

DWORD SavePrinter(const Printer& p) {
  std::ostringstream o;
  o << kPrinterMagic << '\n';
  auto s = [&](const char* k, const std::u16string& v) { o << k << '=' << Esc(v) << '\n'; };
  auto d = [&](const char* k, DWORD v) { o << k << '=' << v << '\n'; };
  s("Server", p.server);
  s("Name", p.name);
  s("Share", p.share);
  s("Port", p.port);
  s("Driver", p.driver);
  s("Comment", p.comment);
  s("Location", p.location);
  s("SepFile", p.sepFile);
  s("PrintProcessor", p.printProcessor);
  s("Datatype", p.datatype);
  s("Parameters", p.parameters);
  d("Attributes", p.attributes);
  d("Priority", p.priority);
  d("DefaultPriority", p.defaultPriority);
  d("StartTime", p.startTime);
  d("UntilTime", p.untilTime);
  d("Status", p.status);
  d("NotSelectedTimeout", p.notSelectedTimeout);
  d("RetryTimeout", p.retryTimeout);
  s("ObjectGUID", p.objectGuid);
  d("DsAction", p.dsAction);
  d("NextJobId", p.nextJobId);
  // A new token: the log lines written for the record before this rewrite are in it, and no longer apply.
  o << "DataLog=" << NewToken() << '\n';
  if (!p.devmode.empty()) o << "DevMode=" << Hex(p.devmode) << '\n';
  for (const auto& v : p.data)
    o << "Data=" << Esc(v.key) << '|' << Esc(v.name) << '|' << v.type << '|' << Hex(v.data) << '\n';
  for (const auto& j : p.jobs) {
    o << "Job=" << j.id << '|' << Esc(j.document) << '|' << Esc(j.user) << '|' << Esc(j.machine) << '|'
      << Esc(j.datatype) << '|' << j.status << '|' << j.priority << '|' << j.totalPages << '|' << j.size << '|';
    PutDateTime(o, j.submitted);
    o << '\n';
    if (!j.devmode.empty()) o << "JobDevMode=" << j.id << '|' << Hex(j.devmode) << '\n';
    if (!j.statusText.empty()) o << "JobStatusText=" << j.id << '|' << Esc(j.statusText) << '\n';
  }
  o << "End\n";
  DWORD err = WriteAtomic(PrinterPath(p.FullName()), o.str());
  if (err == ERROR_SUCCESS) RemoveDataLog(p.FullName());
  NoteSaved(g_printers, FileKey(p.FullName()));
  return err;
}

DWORD SavePrinterValue(const Printer& p, const Value& v) {
  if (p.dataLog.empty()) return SavePrinter(p);
  if (kvp::test::ShouldFailWrite()) return ERROR_WRITE_FAULT;
  std::string path = DataLogPath(p.FullName());
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) fd = CreateDataLog(path);
  if (fd < 0) return SavePrinter(p);
  // The log's lines end where its zero bytes begin. A log whose last line is cut, or without room for
  // the new one, is folded into the record.
  std::string text;
  struct stat st{};
  bool ok = ::fstat(fd, &st) == 0 && size_t(st.st_size) <= kDataLogBytes;
  if (ok) {
    text.resize(size_t(st.st_size));
    ok = ReadAll(fd, text.data(), text.size(), 0);
  }
  size_t end = ok ? std::min(text.find('\0'), text.size()) : 0;
  std::string line = DataLogLine(p.dataLog, v);
  if (!ok || (end > 0 && text[end - 1] != '\n') || line.size() > text.size() - end) {
    ::close(fd);
    return SavePrinter(p);
  }
  // Written over zero bytes the log already holds, so the flush has only the line to put on the disk.
  // The value counts as stored only once it is there; a line written in part is taken back.
  ok = WriteAll(fd, line.data(), line.size(), end) && ::fdatasync(fd) == 0;
  if (!ok && WriteAll(fd, std::string(line.size(), '\0').data(), line.size(), end)) ::fdatasync(fd);
  ::close(fd);
  if (ok) {
    NoteSavedKeeping(g_printers, FileKey(p.FullName()), PrinterPath(p.FullName()), p);
    return ERROR_SUCCESS;
  }
  NoteSaved(g_printers, FileKey(p.FullName()));
  return ERROR_WRITE_FAULT;
}

DWORD RemovePrinterFile(const std::u16string& fullName) {
  if (kvp::test::ShouldFailWrite()) return ERROR_WRITE_FAULT;
  std::error_code ec;
  bool removed = fs::remove(PrinterPath(fullName), ec);
  RemoveDataLog(fullName);
  NoteSaved(g_printers, FileKey(fullName));
  if (!removed) return ec ? DWORD(ERROR_ACCESS_DENIED) : DWORD(ERROR_INVALID_PRINTER_NAME);
  return ERROR_SUCCESS;
}

bool PrinterExists(const std::u16string& fullName) {
  std::error_code ec;
  return fs::exists(PrinterPath(fullName), ec);
}

std::vector<std::u16string> ListPrinterNames(std::vector<std::string>* broken) {
  std::vector<std::u16string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(SpoolDir() + "/printers", ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    if (it->path().extension() != ".prn") continue;
    std::vector<std::string> lines;
    Printer p;
    bool good = false;
    if (ReadLines(it->path().string(), lines) == ERROR_SUCCESS) {
      std::u16string server, name;
      ForEachField(lines, kPrinterMagic, [&](std::string_view k, std::string_view v) {
        if (k == "Server") Unesc(v, server);
        if (k == "Name") Unesc(v, name);
        return true;
      });
      std::u16string full = server.empty() ? name : server + u"\\" + name;
      // Only a file that loads in full, under the name it is filed by, counts as a printer.
      good = !name.empty() && fs::path(PrinterPath(full)).filename() == it->path().filename() &&
             LoadPrinter(full, p) == ERROR_SUCCESS;
      if (good) names.push_back(full);
    }
    if (!good && broken) broken->push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
    bool ra = a.rfind(u"\\\\", 0) == 0, rb = b.rfind(u"\\\\", 0) == 0;
    if (ra != rb) return !ra;
    return WCompareI(a, b) < 0;
  });
  if (broken) std::sort(broken->begin(), broken->end());
  return names;
}

// ---- job ids -------------------------------------------------------------------------------------------

namespace {
constexpr const char* kJobsMagic = "KVSPOOL-JOBS 1";
std::string JobsPath() { return SpoolDir() + "/jobs.txt"; }

// A root made before the machine kept one counter: continue after the highest id any printer handed out.
DWORD FirstMachineJobId() {
  DWORD next = 1;
  for (const std::u16string& name : ListPrinterNames(nullptr)) {
    Printer q;
    if (LoadPrinter(name, q) != ERROR_SUCCESS) continue;
    next = std::max(next, q.nextJobId);
    for (const Job& j : q.jobs) next = std::max(next, j.id == 0xffffffffu ? 1u : j.id + 1);
  }
  return next;
}
}  // namespace

DWORD TakeJobId(Printer& p, DWORD* err) {
  std::vector<std::string> lines;
  DWORD next = 0;
  DWORD read = ReadLines(JobsPath(), lines);
  if (read == ERROR_FILE_NOT_FOUND) {
    next = FirstMachineJobId();
  } else if (read != ERROR_SUCCESS ||
             !ForEachField(lines, kJobsMagic, [&](std::string_view k, std::string_view v) {
               return k != "NextJobId" || ParseDword(v, next);
             }) ||
             next == 0) {
    *err = read ? read : DWORD(ERROR_INVALID_DATA);
    return 0;
  }
  DWORD id = std::max(next, p.nextJobId);
  // After a wrap the id must still name no job of this queue (0 names none).
  for (size_t tries = 0; tries <= p.jobs.size(); ++tries) {
    if (id == 0) id = 1;
    bool used = false;
    for (const Job& j : p.jobs) used |= j.id == id;
    if (!used) break;
    ++id;
  }
  DWORD after = id + 1 ? id + 1 : 1;
  std::ostringstream o;
  o << kJobsMagic << "\nNextJobId=" << after << "\nEnd\n";
  *err = WriteAtomic(JobsPath(), o.str());
  if (*err) return 0;
  p.nextJobId = after;
  return id;
}

// ---- drivers -------------------------------------------------------------------------------------------

namespace {
DWORD ReadDriverFile(const std::u16string& name, Driver& d) {
  std::vector<std::string> lines;
  DWORD err = ReadLines(DriverPath(name), lines);
  if (err == ERROR_FILE_NOT_FOUND) return ERROR_UNKNOWN_PRINTER_DRIVER;
  if (err) return err;
  d = Driver{};
  bool ok = ForEachField(lines, kDriverMagic, [&](std::string_view k, std::string_view v) {
    std::u16string* s = nullptr;
    if (k == "Name") s = &d.name;
    else if (k == "DriverPath") s = &d.driverPath;
    else if (k == "DataFile") s = &d.dataFile;
    else if (k == "ConfigFile") s = &d.configFile;
    else if (k == "HelpFile") s = &d.helpFile;
    else if (k == "Monitor") s = &d.monitor;
    else if (k == "DefaultDatatype") s = &d.defaultDatatype;
    if (s) return Unesc(v, *s);
    if (k == "Version") return ParseDword(v, d.version);
    if (k == "DependentFile") {
      std::u16string f;
      if (!Unesc(v, f) || f.empty()) return false;
      d.dependentFiles.push_back(std::move(f));
    }
    return true;
  });
  // As with printers: a file naming another driver is not the driver it is filed as.
  if (!ok || d.name.empty() || FileKey(d.name) != FileKey(name)) return ERROR_INVALID_DATA;
  return ERROR_SUCCESS;
}
}  // namespace

DWORD LoadDriverShared(const std::u16string& name, std::shared_ptr<const Driver>& out) {
  return LoadKept<Driver>(g_drivers, FileKey(name), out, [&](Driver& d) { return ReadDriverFile(name, d); },
                          [&] { return DriverPath(name); });
}

DWORD LoadDriver(const std::u16string& name, Driver& d) {
  std::shared_ptr<const Driver> kept;
  DWORD err = LoadDriverShared(name, kept);
  if (err == ERROR_SUCCESS) d = *kept;
  return err;
}

DWORD SaveDriver(const Driver& d) {
  std::ostringstream o;
  o << kDriverMagic << '\n';
  auto s = [&](const char* k, const std::u16string& v) { o << k << '=' << Esc(v) << '\n'; };
  s("Name", d.name);
  o << "Version=" << d.version << '\n';
  s("DriverPath", d.driverPath);
  s("DataFile", d.dataFile);
  s("ConfigFile", d.configFile);
  s("HelpFile", d.helpFile);
  s("Monitor", d.monitor);
  s("DefaultDatatype", d.defaultDatatype);
  for (auto& f : d.dependentFiles) s("DependentFile", f);
  o << "End\n";
  DWORD err = WriteAtomic(DriverPath(d.name), o.str());
  NoteSaved(g_drivers, FileKey(d.name));
  return err;
}

// ---- forms ---------------------------------------------------------------------------------------------

namespace {
DWORD ReadFormsFile(std::vector<Form>& out) {
  out.clear();
  std::vector<std::string> lines;
  DWORD err = ReadLines(SpoolDir() + "/forms.txt", lines);
  if (err == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (err) return err;
  bool ok = ForEachField(lines, kFormsMagic, [&](std::string_view k, std::string_view v) {
    if (k != "Form") return true;
    auto f = Split(v, '|');
    if (f.size() != 7) return false;
    Form fm;
    LONG n[6];
    for (int i = 0; i < 6; ++i)
      if (!ParseLong(f[1 + i], n[i])) return false;
    if (!Unesc(f[0], fm.name) || fm.name.empty() || fm.name.size() >= 64) return false;
    fm.size = {n[0], n[1]};
    fm.area = {n[2], n[3], n[4], n[5]};
    // The same bounds a form is added with: callers size paper and printable area from these numbers.
    if (fm.size.cx <= 0 || fm.size.cy <= 0 || fm.area.left < 0 || fm.area.top < 0 || fm.area.right > fm.size.cx ||
        fm.area.bottom > fm.size.cy || fm.area.left >= fm.area.right || fm.area.top >= fm.area.bottom)
      return false;
    out.push_back(std::move(fm));
    return true;
  });
  if (!ok) {
    out.clear();
    return ERROR_INVALID_DATA;
  }
  return ERROR_SUCCESS;
}
}  // namespace

DWORD LoadUserForms(std::vector<Form>& out) {
  std::shared_ptr<const std::vector<Form>> kept;
  DWORD err = LoadKept<std::vector<Form>>(g_forms, "", kept, [](std::vector<Form>& f) { return ReadFormsFile(f); },
                                          [] { return SpoolDir() + "/forms.txt"; });
  if (kept) out = *kept;
  else out.clear();
  return err;
}

DWORD SaveUserForms(const std::vector<Form>& forms) {
  std::ostringstream o;
  o << kFormsMagic << '\n';
  for (auto& f : forms)
    o << "Form=" << Esc(f.name) << '|' << f.size.cx << '|' << f.size.cy << '|' << f.area.left << '|' << f.area.top
      << '|' << f.area.right << '|' << f.area.bottom << '\n';
  o << "End\n";
  DWORD err = WriteAtomic(SpoolDir() + "/forms.txt", o.str());
  NoteSaved(g_forms, "");
  return err;
}

// ---- connections ---------------------------------------------------------------------------------------

namespace {
constexpr const char* kConnectionsMagic = "KVSPOOL-CONNECTIONS 1";
std::string ConnectionsPath(std::u16string_view user) { return SpoolDir() + "/connections/" + FileKey(user) + ".txt"; }
}  // namespace

DWORD LoadConnections(const std::u16string& user, std::vector<std::u16string>& out) {
  out.clear();
  std::vector<std::string> lines;
  DWORD err = ReadLines(ConnectionsPath(user), lines);
  if (err == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (err) return err;
  bool ok = ForEachField(lines, kConnectionsMagic, [&](std::string_view k, std::string_view v) {
    std::u16string name;
    if (k != "Printer" || !Unesc(v, name) || name.empty()) return false;
    out.push_back(std::move(name));
    return true;
  });
  if (!ok) {
    out.clear();
    return ERROR_INVALID_DATA;
  }
  return ERROR_SUCCESS;
}

DWORD SaveConnections(const std::u16string& user, const std::vector<std::u16string>& names) {
  std::ostringstream o;
  o << kConnectionsMagic << '\n';
  for (auto& n : names) o << "Printer=" << Esc(n) << '\n';
  o << "End\n";
  return WriteAtomic(ConnectionsPath(user), o.str());
}

// ---- system profile ------------------------------------------------------------------------------------

bool IsAdministrator() { return ProfileGetInt("Administrator", 1) != 0; }
std::u16string ComputerName() { return FromUtf8(ProfileGetString("ComputerName", "KVMACHINE")); }
std::u16string UserName() { return FromUtf8(ProfileGetString("UserName", "user")); }

}  // namespace kvp::spl
