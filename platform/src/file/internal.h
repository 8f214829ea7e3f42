// Shared pieces of the file area: the attribute side store, error translation and the in-process
// sharing table.
#pragma once
#include <sys/stat.h>

#include <string>

#include "kvplat/file.h"

namespace kvp::fs {

// Names the platform keeps for itself inside folders; never listed, never opened by name.
constexpr const char* kMetaDir = ".kvattr";
constexpr const char* kTempPrefix = ".kvtmp-";
bool IsInternalName(const std::string& name);

// The attributes the platform reports for an existing host entry (stat result given).
DWORD AttributesOf(const std::string& host, const struct stat& st);
// Creation time (file time) of an entry: stored by SetFileTime, else the host's birth time, else mtime.
ULONGLONG CreationOf(const std::string& host, const struct stat& st);
bool IsReadOnly(const std::string& host);
// Stores the settable attribute bits (0 drops them) and, when non-zero, a creation time.
void SetStoredAttributes(const std::string& host, DWORD attrs);
void SetStoredCreation(const std::string& host, ULONGLONG creation);
void DropMeta(const std::string& host);
void MoveMeta(const std::string& from, const std::string& to);
void CopyMeta(const std::string& from, const std::string& to);

// errno -> platform error; `hostPath` tells ENOENT apart: a missing parent folder is ERROR_PATH_NOT_FOUND.
DWORD ErrorFromErrno(int e, const std::string& hostPath);
std::string ParentOf(const std::string& host);
std::string BaseOf(const std::string& host);

// In-process sharing: records an open of (dev, ino) with its access and sharing; false (and nothing
// recorded) on a conflict with an open handle.
struct ShareKey {
  dev_t dev;
  ino_t ino;
};
bool ShareAcquire(ShareKey key, bool read, bool write, bool del, DWORD share);
void ShareRelease(ShareKey key, bool read, bool write, bool del, DWORD share);
// Whether (dev, ino) may be deleted or renamed now (every open handle shares deletion).
bool ShareAllowsDelete(ShareKey key);

}  // namespace kvp::fs
