// Whole-file reads, atomic replacement and cross-process locks for the file-backed stores.
#include "store_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "../file/internal.h"
#include "kvplat/error.h"
#include "kvplat/profile.h"
#include "kvplat/root.h"
#include "kvplat/testhooks.h"

namespace kvp::store {
namespace {

DWORD FromErrno(int e, DWORD fallback) {
  switch (e) {
    case ENOENT: return ERROR_PATH_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EISDIR: case EROFS: return ERROR_ACCESS_DENIED;
    case ENOSPC: case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE: case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    default: return fallback;
  }
}

// FNV-1a over the ASCII-folded key: names that differ only in letter case share one lock, as they share
// one file on a case-insensitive machine.
unsigned long long HashKey(std::string_view key) {
  unsigned long long h = 1469598103934665603ull;
  for (unsigned char c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

// Writes all of `bytes` at `offset`; ERROR_SUCCESS or the reason.
DWORD WriteAll(int fd, std::string_view bytes, off_t offset) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, offset + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return FromErrno(n < 0 ? errno : EIO, ERROR_WRITE_FAULT);
    done += static_cast<size_t>(n);
  }
  return ERROR_SUCCESS;
}

// Splits a host path into its folder and file name.
void SplitHost(const std::string& host, std::string& dir, std::string& base) {
  size_t slash = host.find_last_of('/');
  dir = slash == std::string::npos ? "." : host.substr(0, slash);
  base = slash == std::string::npos ? host : host.substr(slash + 1);
}

// Temporary files are "<prefix><base>-<pid>-<n>". Those of a writer that no longer runs (killed
// between creating and renaming) are removed, so they never pile up beside the file.
void RemoveStaleTemps(const std::string& dir, const std::string& base) {
  const std::string prefix = std::string(kvp::fs::kTempPrefix) + base + "-";
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    const char* name = e->d_name;
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
    char* end = nullptr;
    long pid = std::strtol(name + prefix.size(), &end, 10);
    if (pid <= 0 || !end || *end != '-' || !end[1]) continue;
    const char* n = end + 1;
    while (*n >= '0' && *n <= '9') ++n;
    if (*n) continue;  // not this file's temporary name
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) unlinkat(dirfd(d), name, 0);
  }
  closedir(d);
}

// The journal of an in-place rewrite: the new content followed by a trailer, so that a rewrite cut by a
// kill is completed before the file is next read or written.
constexpr char kJournalMagic[8] = {'K', 'V', 'J', 'O', 'U', 'R', 'N', '1'};
constexpr size_t kJournalTrailer = sizeof kJournalMagic + 8 + 8;

std::string JournalOf(const std::string& host) {
  std::string dir, base;
  SplitHost(host, dir, base);
  return dir + "/" + kvp::fs::kTempPrefix + base + ".journal";
}

unsigned long long Checksum(std::string_view bytes) {
  unsigned long long h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

}  // namespace

DWORD ReadWholeFile(const std::string& host, std::string& out, size_t maxBytes) {
  out.clear();
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      // Distinguish a missing file from a missing folder, as callers report them differently.
      std::string dir = host.substr(0, host.find_last_of('/'));
      struct stat st;
      return (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? DWORD(ERROR_FILE_NOT_FOUND)
                                                                  : DWORD(ERROR_PATH_NOT_FOUND);
    }
    return FromErrno(errno, ERROR_READ_FAULT);
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return ERROR_ACCESS_DENIED;
  }
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    close(fd);
    return ERROR_FILE_TOO_LARGE;
  }
  out.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = read(fd, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      out.clear();
      return ERROR_READ_FAULT;
    }
    if (n == 0) break;  // the file shrank under us: what we have is the file
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  close(fd);
  return ERROR_SUCCESS;
}

DWORD WriteFileAtomic(const std::string& host, std::string_view bytes) {
  if (kvp::test::ShouldFailWrite()) return ERROR_WRITE_FAULT;
  static std::atomic<unsigned> counter{0};
  std::string dir, base;
  SplitHost(host, dir, base);
  RemoveStaleTemps(dir, base);
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, "-%d-%u", static_cast<int>(getpid()), counter.fetch_add(1));
  // A read-only file is not replaced, as it could not be written in place either.
  if (kvp::fs::IsReadOnly(host)) return ERROR_ACCESS_DENIED;
  // The temporary name carries the file area's internal prefix, so folder listings never show it.
  std::string tmp = dir + "/" + kvp::fs::kTempPrefix + base + suffix;
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return FromErrno(errno, ERROR_WRITE_FAULT);
  DWORD rc = WriteAll(fd, bytes, 0);
  // The new content is on the disk before its name is: a crash right after the rename finds it whole.
  if (rc == ERROR_SUCCESS && fsync(fd) != 0) rc = FromErrno(errno, ERROR_WRITE_FAULT);
  if (close(fd) != 0 && rc == ERROR_SUCCESS) rc = ERROR_WRITE_FAULT;
  if (rc == ERROR_SUCCESS && rename(tmp.c_str(), host.c_str()) != 0) rc = FromErrno(errno, ERROR_WRITE_FAULT);
  if (rc != ERROR_SUCCESS) unlink(tmp.c_str());
  return rc;
}

FileStamp StampOf(const std::string& host) {
  FileStamp s;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = static_cast<unsigned long long>(st.st_size);
  s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  s.ctimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  return s;
}

FileLock::FileLock(std::string_view area, std::string_view key) {
  std::string dir = MachineRoot() + "/sync/" + std::string(area);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  char name[32];
  std::snprintf(name, sizeof name, "/%016llx.lock", HashKey(key));
  std::string path = dir + name;
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    status_ = FromErrno(errno, ERROR_ACCESS_DENIED);
    return;
  }
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    status_ = ERROR_ACCESS_DENIED;
    close(fd_);
    fd_ = -1;
    return;
  }
  status_ = ERROR_SUCCESS;
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    flock(fd_, LOCK_UN);
    close(fd_);
  }
}

}  // namespace kvp::store

namespace kvp::store {

namespace {

// Puts the journal's content into the file in place; ERROR_SUCCESS when there was nothing to finish.
DWORD FinishJournal(const std::string& host, const std::string& journal) {
  std::string j;
  if (ReadWholeFile(journal, j) != ERROR_SUCCESS) return ERROR_SUCCESS;
  unsigned long long length = 0, sum = 0;
  bool whole = j.size() >= kJournalTrailer &&
               std::memcmp(j.data() + j.size() - kJournalTrailer, kJournalMagic, sizeof kJournalMagic) == 0;
  if (whole) {
    std::memcpy(&length, j.data() + j.size() - 16, 8);
    std::memcpy(&sum, j.data() + j.size() - 8, 8);
    whole = length == j.size() - kJournalTrailer && Checksum(std::string_view(j).substr(0, length)) == sum;
  }
  DWORD rc = ERROR_SUCCESS;
  if (whole) {  // the rewrite was cut after its journal was complete: finish it
    int fd = open(host.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return FromErrno(errno, ERROR_WRITE_FAULT);
    rc = WriteAll(fd, std::string_view(j).substr(0, length), 0);
    if (rc == ERROR_SUCCESS && (ftruncate(fd, off_t(length)) != 0 || fsync(fd) != 0)) rc = FromErrno(errno, ERROR_WRITE_FAULT);
    close(fd);
  }
  // A journal cut short means the file itself was not touched yet: it holds the old text.
  if (rc == ERROR_SUCCESS) unlink(journal.c_str());
  return rc;
}

}  // namespace

bool InPlaceWriteCut(const std::string& host) {
  struct stat st;
  return stat(JournalOf(host).c_str(), &st) == 0;
}

DWORD FinishInPlaceWrite(const std::string& host) {
  return InPlaceWriteCut(host) ? FinishJournal(host, JournalOf(host)) : DWORD(ERROR_SUCCESS);
}

DWORD WriteFileInPlace(const std::string& host, std::string_view bytes) {
  if (kvp::test::ShouldFailWrite()) return ERROR_WRITE_FAULT;
  if (kvp::fs::IsReadOnly(host)) return ERROR_ACCESS_DENIED;
  int fd = open(host.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return FromErrno(errno, ERROR_WRITE_FAULT);
  // Room for the new text is taken before a byte of the old one changes, and the new text is journaled
  // first: a full disk leaves the old text, a kill the old or (on the next access) the new one.
  DWORD rc = ERROR_SUCCESS;
  if (!bytes.empty() && fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0 && errno != EOPNOTSUPP)
    rc = FromErrno(errno, ERROR_WRITE_FAULT);
  const std::string journal = JournalOf(host);
  bool journaled = false;
  if (rc == ERROR_SUCCESS) {
    int jfd = open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (jfd < 0) {
      rc = FromErrno(errno, ERROR_WRITE_FAULT);
    } else {
      unsigned long long length = bytes.size(), sum = Checksum(bytes);
      char trailer[kJournalTrailer];
      std::memcpy(trailer, kJournalMagic, sizeof kJournalMagic);
      std::memcpy(trailer + 8, &length, 8);
      std::memcpy(trailer + 16, &sum, 8);
      rc = WriteAll(jfd, bytes, 0);
      if (rc == ERROR_SUCCESS) rc = WriteAll(jfd, std::string_view(trailer, sizeof trailer), off_t(bytes.size()));
      if (rc == ERROR_SUCCESS && fsync(jfd) != 0) rc = FromErrno(errno, ERROR_WRITE_FAULT);
      if (close(jfd) != 0 && rc == ERROR_SUCCESS) rc = ERROR_WRITE_FAULT;
      if (rc != ERROR_SUCCESS) unlink(journal.c_str());
      journaled = rc == ERROR_SUCCESS;
    }
  }
  if (rc == ERROR_SUCCESS) rc = WriteAll(fd, bytes, 0);
  if (rc == ERROR_SUCCESS && (ftruncate(fd, off_t(bytes.size())) != 0 || fsync(fd) != 0))
    rc = FromErrno(errno, ERROR_WRITE_FAULT);
  if (close(fd) != 0 && rc == ERROR_SUCCESS) rc = ERROR_WRITE_FAULT;
  // Done: the journal goes. Failed after the journal was complete: the journal finishes the rewrite.
  if (rc == ERROR_SUCCESS) unlink(journal.c_str());
  else if (journaled && FinishJournal(host, journal) == ERROR_SUCCESS) rc = ERROR_SUCCESS;
  return rc;
}

}  // namespace kvp::store
