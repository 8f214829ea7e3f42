// Operations on files and folders by name: delete, copy, move, attributes, folders.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "internal.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/root.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "kvplat/time.h"

namespace {

using namespace kvp::fs;

BOOL Fail(DWORD err) {
  SetLastError(err);
  return FALSE;
}

// Maps a name and refuses the platform's own bookkeeping names.
DWORD Map(LPCWSTR name, std::string& host, size_t maxLen = MAX_PATH) {
  DWORD err = kvp::MapFilePath(name, host, maxLen);
  if (err == ERROR_SUCCESS && IsInternalName(BaseOf(host))) err = ERROR_ACCESS_DENIED;
  return err;
}

std::string TempBeside(const std::string& host) {
  static std::atomic<unsigned> n{0};
  return ParentOf(host) + "/" + kTempPrefix + std::to_string(getpid()) + "-" + std::to_string(++n);
}

// Whether a folder holds anything but the platform's bookkeeping.
bool FolderEmpty(const std::string& host) {
  DIR* d = opendir(host.c_str());
  if (!d) return true;
  bool empty = true;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == ".." || IsInternalName(n)) continue;
    empty = false;
    break;
  }
  closedir(d);
  return empty;
}

// A drive's or share's own folder: never removed or renamed.
bool IsTopLevel(const std::string& host) {
  std::string root = kvp::MachineRoot();
  std::string parent = ParentOf(host);
  return parent == root || parent == root + "/unc" || host == root + "/unc";
}

void RemoveBookkeeping(const std::string& host) {
  std::string meta = host + "/" + kMetaDir;
  if (DIR* d = opendir(meta.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") unlink((meta + "/" + n).c_str());
    }
    closedir(d);
    rmdir(meta.c_str());
  }
}

}  // namespace

KVAPI BOOL DeleteFileW(LPCWSTR name) {
  std::string host;
  DWORD err = Map(name, host);
  if (err) return Fail(err);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, host));
  if (S_ISDIR(st.st_mode) || IsReadOnly(host)) return Fail(ERROR_ACCESS_DENIED);
  if (!ShareAllowsDelete({st.st_dev, st.st_ino})) return Fail(ERROR_SHARING_VIOLATION);
  if (unlink(host.c_str()) != 0) return Fail(ErrorFromErrno(errno, host));
  DropMeta(host);
  return TRUE;
}

KVAPI BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  std::string src, dst;
  DWORD err = Map(from, src);
  if (!err) err = Map(to, dst);
  if (err) return Fail(err);
  struct stat sst, dstst;
  if (stat(src.c_str(), &sst) != 0) return Fail(ErrorFromErrno(errno, src));
  if (S_ISDIR(sst.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  bool dstExists = stat(dst.c_str(), &dstst) == 0;
  if (dstExists) {
    if (failIfExists) return Fail(ERROR_FILE_EXISTS);
    if (S_ISDIR(dstst.st_mode) || IsReadOnly(dst)) return Fail(ERROR_ACCESS_DENIED);
    if (dstst.st_dev == sst.st_dev && dstst.st_ino == sst.st_ino) return Fail(ERROR_SHARING_VIOLATION);
    if (!ShareAllowsDelete({dstst.st_dev, dstst.st_ino})) return Fail(ERROR_SHARING_VIOLATION);
  }
  int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail(ErrorFromErrno(errno, src));
  std::string tmp = TempBeside(dst);
  int out = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) {
    int e = errno;
    close(in);
    return Fail(ErrorFromErrno(e, dst));
  }
  char buf[65536];
  err = ERROR_SUCCESS;
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = ERROR_READ_FAULT;
      break;
    }
    if (n == 0) break;
    if (kvp::test::ShouldFailWrite()) {
      err = ERROR_DISK_FULL;
      break;
    }
    for (ssize_t off = 0; off < n;) {
      ssize_t w = write(out, buf + off, size_t(n - off));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        err = errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
        break;
      }
      off += w;
    }
    if (err) break;
  }
  if (!err) {
    timespec ts[2] = {sst.st_atim, sst.st_mtim};
    futimens(out, ts);
  }
  close(in);
  if (close(out) != 0 && !err) err = ERROR_WRITE_FAULT;
  if (!err && rename(tmp.c_str(), dst.c_str()) != 0) err = ErrorFromErrno(errno, dst);
  if (err) {
    unlink(tmp.c_str());
    return Fail(err);
  }
  CopyMeta(src, dst);
  return TRUE;
}

KVAPI BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if (!to || (flags & MOVEFILE_DELAY_UNTIL_REBOOT)) return Fail(ERROR_INVALID_PARAMETER);
  std::string src, dst;
  DWORD err = Map(from, src);
  if (!err) err = Map(to, dst);
  if (err) return Fail(err);
  struct stat sst, dstst;
  if (lstat(src.c_str(), &sst) != 0) return Fail(ErrorFromErrno(errno, src));
  if (IsTopLevel(src) || IsTopLevel(dst)) return Fail(ERROR_ACCESS_DENIED);
  if (!ShareAllowsDelete({sst.st_dev, sst.st_ino})) return Fail(ERROR_SHARING_VIOLATION);
  bool dstExists = lstat(dst.c_str(), &dstst) == 0;
  if (dstExists && dstst.st_dev == sst.st_dev && dstst.st_ino == sst.st_ino) {
    // The same entry: only the spelling of the name changes, to the last component as given.
    std::u16string_view w = kvp::WView(to);
    size_t s = w.find_last_of(u"\\/");
    std::string spelled = kvp::ToUtf8(s == std::u16string_view::npos ? w : w.substr(s + 1));
    std::string target = ParentOf(dst) + "/" + spelled;
    if (target != src && rename(src.c_str(), target.c_str()) == 0) MoveMeta(src, target);
    return TRUE;
  }
  if (dstExists) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
    if (S_ISDIR(dstst.st_mode) || S_ISDIR(sst.st_mode) || IsReadOnly(dst)) return Fail(ERROR_ACCESS_DENIED);
    if (!ShareAllowsDelete({dstst.st_dev, dstst.st_ino})) return Fail(ERROR_SHARING_VIOLATION);
  }
  if (S_ISDIR(sst.st_mode) && (dst + "/").compare(0, src.size() + 1, src + "/") == 0)
    return Fail(ERROR_ACCESS_DENIED);  // a folder cannot move into itself
  if (rename(src.c_str(), dst.c_str()) != 0) {
    if (errno == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) && !S_ISDIR(sst.st_mode)) {
      if (!CopyFileW(from, to, FALSE)) return FALSE;
      return DeleteFileW(from);
    }
    return Fail(ErrorFromErrno(errno, dst));
  }
  MoveMeta(src, dst);
  return TRUE;
}

KVAPI BOOL MoveFileW(LPCWSTR from, LPCWSTR to) { return MoveFileExW(from, to, MOVEFILE_COPY_ALLOWED); }

KVAPI DWORD GetFileAttributesW(LPCWSTR name) {
  std::string host;
  DWORD err = Map(name, host);
  struct stat st;
  if (!err && stat(host.c_str(), &st) != 0) err = ErrorFromErrno(errno, host);
  if (err) {
    SetLastError(err);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(host, st);
}

KVAPI BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes) {
  std::string host;
  DWORD err = Map(name, host);
  if (err) return Fail(err);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, host));
  if (attributes == FILE_ATTRIBUTE_NORMAL) attributes = 0;
  SetStoredAttributes(host, attributes);
  return TRUE;
}

KVAPI BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
  if (level != GetFileExInfoStandard || !info) return Fail(ERROR_INVALID_PARAMETER);
  std::string host;
  DWORD err = Map(name, host);
  if (err) return Fail(err);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, host));
  auto* d = static_cast<LPWIN32_FILE_ATTRIBUTE_DATA>(info);
  auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
  d->dwFileAttributes = AttributesOf(host, st);
  d->ftCreationTime = kvp::MakeFileTime(CreationOf(host, st));
  d->ftLastAccessTime = kvp::MakeFileTime(kvp::FileTimeFromUnixNs(ns(st.st_atim)));
  d->ftLastWriteTime = kvp::MakeFileTime(kvp::FileTimeFromUnixNs(ns(st.st_mtim)));
  ULONGLONG size = S_ISDIR(st.st_mode) ? 0 : ULONGLONG(st.st_size);
  d->nFileSizeHigh = DWORD(size >> 32);
  d->nFileSizeLow = DWORD(size);
  return TRUE;
}

KVAPI BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES sa) {
  std::string host;
  DWORD err = Map(name, host, MAX_PATH - 12);
  if (err) return Fail(err);
  if (mkdir(host.c_str(), 0777) != 0) return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno, host));
  DropMeta(host);
  return TRUE;
}

KVAPI BOOL RemoveDirectoryW(LPCWSTR name) {
  std::string host;
  DWORD err = Map(name, host);
  if (err) return Fail(err);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, host));
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
  if (IsTopLevel(host) || IsReadOnly(host)) return Fail(ERROR_ACCESS_DENIED);
  if (!FolderEmpty(host)) return Fail(ERROR_DIR_NOT_EMPTY);
  RemoveBookkeeping(host);
  if (rmdir(host.c_str()) != 0) return Fail(ErrorFromErrno(errno, host));
  DropMeta(host);
  return TRUE;
}
