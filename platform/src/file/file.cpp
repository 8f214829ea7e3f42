// File handles: CreateFileW and the calls on an open file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <string>

#include "internal.h"
#include "../module/module_internal.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "kvplat/time.h"

namespace {

using namespace kvp::fs;

struct FileObject {
  int fd = -1;
  bool read = false, write = false, del = false;
  DWORD share = 0;
  ShareKey key{};
  std::string host;
  bool deleteOnClose = false;
  bool isDir = false;
};

void CloseFile(void* p) {
  auto* f = static_cast<FileObject*>(p);
  if (f->fd >= 0) close(f->fd);
  ShareRelease(f->key, f->read, f->write, f->del, f->share);
  if (f->deleteOnClose) {
    unlink(f->host.c_str());
    DropMeta(f->host);
  }
  delete f;
}

std::shared_ptr<FileObject> Get(HANDLE h) { return kvp::HandleRef<FileObject>(h, kvp::kHandleKindFile); }

constexpr DWORD kReadBits = GENERIC_READ | GENERIC_ALL | FILE_READ_DATA | GENERIC_EXECUTE;
constexpr DWORD kWriteBits = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;

HANDLE Fail(DWORD err) {
  SetLastError(err);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

KVAPI HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                         DWORD flags, HANDLE templateFile) {
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return Fail(ERROR_INVALID_PARAMETER);
  bool wantRead = (access & kReadBits) != 0;
  bool wantWrite = (access & kWriteBits) != 0;
  bool wantDelete = (access & (DELETE | GENERIC_ALL)) != 0;
  if (disposition == TRUNCATE_EXISTING && !wantWrite) return Fail(ERROR_INVALID_PARAMETER);
  std::string host;
  DWORD err = kvp::MapFilePath(name, host);
  if (err) return Fail(err);
  if (IsInternalName(BaseOf(host))) return Fail(ERROR_ACCESS_DENIED);

  struct stat st;
  bool exists = stat(host.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || disposition == CREATE_NEW || disposition == CREATE_ALWAYS ||
        disposition == TRUNCATE_EXISTING)
      return Fail(ERROR_ACCESS_DENIED);
  }
  if (exists && disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
  if (!exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING))
    return Fail(ErrorFromErrno(ENOENT, host));
  bool truncate = exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
  if (exists && !S_ISDIR(st.st_mode)) {
    if ((wantWrite || truncate || wantDelete) && IsReadOnly(host)) return Fail(ERROR_ACCESS_DENIED);
    // Replacing a hidden or system file must say so, as the platform insists.
    if (disposition == CREATE_ALWAYS) {
      DWORD have = AttributesOf(host, st) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
      if ((flags & have) != have) return Fail(ERROR_ACCESS_DENIED);
    }
  }

  // A module freed a moment ago may still map this file: it goes before the file is written.
  if (exists && !S_ISDIR(st.st_mode) && (wantWrite || truncate)) kvp::mod::ForgetShelved(st.st_dev, st.st_ino);

  int oflags = O_CLOEXEC;
  if (exists && S_ISDIR(st.st_mode))
    oflags |= O_RDONLY | O_DIRECTORY;
  else
    oflags |= (wantWrite || truncate) ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  bool created = false;
  int fd;
  if (!exists) {
    fd = open(host.c_str(), oflags | O_CREAT | O_EXCL, 0666);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST && disposition != CREATE_NEW) fd = open(host.c_str(), oflags);
  } else {
    fd = open(host.c_str(), oflags);
  }
  if (fd < 0) return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno, host));
  struct stat fst;
  fstat(fd, &fst);
  ShareKey key{fst.st_dev, fst.st_ino};
  bool attrOnly = !wantRead && !wantWrite && !wantDelete;
  DWORD effShare = attrOnly ? (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) : share;
  if (!ShareAcquire(key, wantRead, wantWrite, wantDelete, effShare)) {
    close(fd);
    if (created) unlink(host.c_str());
    return Fail(ERROR_SHARING_VIOLATION);
  }
  if (truncate && ftruncate(fd, 0) != 0) {
    int e = errno;
    ShareRelease(key, wantRead, wantWrite, wantDelete, effShare);
    close(fd);
    return Fail(ErrorFromErrno(e, host));
  }
  if (created || disposition == CREATE_ALWAYS) {
    DWORD attrs = flags & 0xFFFF & ~(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY);
    if (created) DropMeta(host);  // a stale record of an earlier file of that name
    if (attrs) SetStoredAttributes(host, attrs | FILE_ATTRIBUTE_ARCHIVE);
    else if (!created) DropMeta(host);
  }
  auto* f = new FileObject();
  f->fd = fd;
  f->read = wantRead;
  f->del = wantDelete;
  f->share = effShare;
  f->key = key;
  f->host = host;
  f->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  f->isDir = S_ISDIR(fst.st_mode);
  f->write = wantWrite;
  HANDLE h = kvp::HandleCreate(kvp::kHandleKindFile, f, &CloseFile);
  if (!h) return INVALID_HANDLE_VALUE;
  SetLastError(exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                      : ERROR_SUCCESS);
  return h;
}

KVAPI HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                         DWORD flags, HANDLE templateFile) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  std::u16string w;
  if (!kvp::AnsiToWide(name, &w)) return Fail(ERROR_INVALID_NAME);
  return CreateFileW(w.c_str(), access, share, sa, disposition, flags, templateFile);
}

KVAPI BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD done, LPOVERLAPPED ov) {
  if (done) *done = 0;
  auto f = Get(h);
  if (!f) return FALSE;
  if (ov || !done || (!buffer && toRead)) {
    SetLastError(ov ? ERROR_INVALID_PARAMETER : ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (!f->read || f->isDir) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD total = 0;
  while (total < toRead) {
    ssize_t n = read(f->fd, static_cast<char*>(buffer) + total, toRead - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      *done = total;
      SetLastError(ERROR_READ_FAULT);
      return FALSE;
    }
    if (n == 0) break;
    total += DWORD(n);
  }
  *done = total;
  return TRUE;
}

KVAPI BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD done, LPOVERLAPPED ov) {
  if (done) *done = 0;
  auto f = Get(h);
  if (!f) return FALSE;
  if (ov || !done || (!buffer && toWrite)) {
    SetLastError(ov ? ERROR_INVALID_PARAMETER : ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (!f->write || f->isDir) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (kvp::test::ShouldFailWrite()) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  DWORD total = 0;
  while (total < toWrite) {
    ssize_t n = write(f->fd, static_cast<const char*>(buffer) + total, toWrite - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      *done = total;
      SetLastError(errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
      return FALSE;
    }
    total += DWORD(n);
  }
  *done = total;
  return TRUE;
}

namespace {
bool Seek(FileObject& f, LONGLONG distance, DWORD method, LONGLONG* pos) {
  LONGLONG base;
  switch (method) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = lseek(f.fd, 0, SEEK_CUR); break;
    case FILE_END: {
      struct stat st;
      fstat(f.fd, &st);
      base = st.st_size;
      break;
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
  }
  if (base < 0 || (distance < 0 && base + distance < 0) ||
      (distance > 0 && base > std::numeric_limits<LONGLONG>::max() - distance)) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return false;
  }
  LONGLONG target = base + distance;
  if (lseek(f.fd, off_t(target), SEEK_SET) < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  *pos = target;
  return true;
}
}  // namespace

KVAPI DWORD SetFilePointer(HANDLE h, LONG distance, LONG* high, DWORD method) {
  auto f = Get(h);
  if (!f) return INVALID_SET_FILE_POINTER;
  LONGLONG d = high ? LONGLONG((ULONGLONG(DWORD(*high)) << 32) | DWORD(distance)) : LONGLONG(distance);
  LONGLONG pos;
  if (!Seek(*f, d, method, &pos)) return INVALID_SET_FILE_POINTER;
  if (high) *high = LONG(pos >> 32);
  if (DWORD(pos) == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
  return DWORD(pos);
}

KVAPI BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD method) {
  auto f = Get(h);
  if (!f) return FALSE;
  LONGLONG pos;
  if (!Seek(*f, distance.QuadPart, method, &pos)) return FALSE;
  if (newPosition) newPosition->QuadPart = pos;
  return TRUE;
}

KVAPI BOOL SetEndOfFile(HANDLE h) {
  auto f = Get(h);
  if (!f) return FALSE;
  if (!f->write) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  off_t pos = lseek(f->fd, 0, SEEK_CUR);
  if (pos < 0 || ftruncate(f->fd, pos) != 0) {
    SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

KVAPI BOOL GetFileSizeEx(HANDLE h, PLARGE_INTEGER size) {
  auto f = Get(h);
  if (!f) return FALSE;
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct stat st;
  fstat(f->fd, &st);
  size->QuadPart = S_ISDIR(st.st_mode) ? 0 : st.st_size;
  return TRUE;
}

KVAPI DWORD GetFileSize(HANDLE h, LPDWORD high) {
  LARGE_INTEGER s;
  if (!GetFileSizeEx(h, &s)) return INVALID_FILE_SIZE;
  if (high) *high = DWORD(ULONGLONG(s.QuadPart) >> 32);
  if (DWORD(s.QuadPart) == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
  return DWORD(s.QuadPart);
}

KVAPI BOOL FlushFileBuffers(HANDLE h) {
  auto f = Get(h);
  if (!f) return FALSE;
  if (!f->write) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (fsync(f->fd) != 0 && errno != EINVAL) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return TRUE;
}

KVAPI BOOL GetFileTime(HANDLE h, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite) {
  auto f = Get(h);
  if (!f) return FALSE;
  struct stat st;
  fstat(f->fd, &st);
  auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
  if (creation) *creation = kvp::MakeFileTime(CreationOf(f->host, st));
  if (lastAccess) *lastAccess = kvp::MakeFileTime(kvp::FileTimeFromUnixNs(ns(st.st_atim)));
  if (lastWrite) *lastWrite = kvp::MakeFileTime(kvp::FileTimeFromUnixNs(ns(st.st_mtim)));
  return TRUE;
}

KVAPI BOOL SetFileTime(HANDLE h, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite) {
  auto f = Get(h);
  if (!f) return FALSE;
  if (!f->write) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  auto given = [](const FILETIME* t) { return t && kvp::FileTimeValue(*t) != 0; };
  timespec ts[2];
  ts[0].tv_nsec = UTIME_OMIT;
  ts[1].tv_nsec = UTIME_OMIT;
  for (int i = 0; i < 2; ++i) {
    const FILETIME* t = i == 0 ? lastAccess : lastWrite;
    if (!given(t)) continue;
    int64_t ns = kvp::UnixNsFromFileTime(kvp::FileTimeValue(*t));
    ts[i].tv_sec = time_t(ns / 1000000000);
    ts[i].tv_nsec = long(ns % 1000000000);
    if (ts[i].tv_nsec < 0) {
      ts[i].tv_nsec += 1000000000;
      ts[i].tv_sec -= 1;
    }
  }
  if (futimens(f->fd, ts) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (given(creation)) SetStoredCreation(f->host, kvp::FileTimeValue(*creation));
  return TRUE;
}

namespace kvp {
int FileDescriptorForMapping(HANDLE h) {
  auto f = Get(h);
  if (!f) return -1;
  if (!f->read || f->isDir) {
    SetLastError(ERROR_ACCESS_DENIED);
    return -1;
  }
  int fd = fcntl(f->fd, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) SetLastError(ERROR_TOO_MANY_OPEN_FILES);
  return fd;
}
}  // namespace kvp
