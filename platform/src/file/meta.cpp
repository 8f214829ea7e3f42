// Attribute side store and helpers of the file area. The attributes and creation time of <dir>/<name>
// live in <dir>/.kvattr/<name> as one line "attrs creation" in hexadecimal, so they survive across
// processes and travel with renames.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "internal.h"
#include "kvplat/error.h"
#include "kvplat/time.h"

namespace kvp::fs {
namespace {

constexpr DWORD kStorable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

struct Meta {
  DWORD attrs = 0;
  ULONGLONG creation = 0;
};

std::string MetaPath(const std::string& host) { return ParentOf(host) + "/" + kMetaDir + "/" + BaseOf(host); }

bool Load(const std::string& host, Meta* m) {
  FILE* f = std::fopen(MetaPath(host).c_str(), "r");
  if (!f) return false;
  unsigned a = 0;
  unsigned long long c = 0;
  int n = std::fscanf(f, "%x %llx", &a, &c);
  std::fclose(f);
  if (n < 1) return false;
  m->attrs = a & kStorable;
  m->creation = n == 2 ? c : 0;
  return true;
}

// Writes the record; an all-zero record is kept too: it says FILE_ATTRIBUTE_NORMAL.
void Save(const std::string& host, const Meta& m) {
  std::string dir = ParentOf(host) + "/" + kMetaDir;
  mkdir(dir.c_str(), 0777);
  std::string path = MetaPath(host);
  std::string tmp = path + ".tmp" + std::to_string(getpid());
  FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return;
  std::fprintf(f, "%x %llx\n", unsigned(m.attrs), (unsigned long long)m.creation);
  if (std::fclose(f) == 0)
    std::rename(tmp.c_str(), path.c_str());
  else
    std::remove(tmp.c_str());
}

}  // namespace

bool IsInternalName(const std::string& name) {
  // Without case: on a machine whose names ignore case, ".KVATTR" is the same folder.
  auto startsI = [&](const char* p, bool whole) {
    size_t n = std::strlen(p);
    if (name.size() < n || (whole && name.size() != n)) return false;
    return strncasecmp(name.c_str(), p, n) == 0;
  };
  return startsI(kMetaDir, true) || startsI(kTempPrefix, false);
}

std::string ParentOf(const std::string& host) {
  size_t s = host.rfind('/');
  return s == std::string::npos ? "." : (s == 0 ? "/" : host.substr(0, s));
}
std::string BaseOf(const std::string& host) {
  size_t s = host.rfind('/');
  return s == std::string::npos ? host : host.substr(s + 1);
}

DWORD AttributesOf(const std::string& host, const struct stat& st) {
  Meta m;
  bool have = Load(host, &m);
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY | (have ? m.attrs : 0);
  if (!have) return FILE_ATTRIBUTE_ARCHIVE;
  return m.attrs ? m.attrs : FILE_ATTRIBUTE_NORMAL;
}

ULONGLONG CreationOf(const std::string& host, const struct stat& st) {
  Meta m;
  if (Load(host, &m) && m.creation) return m.creation;
  struct statx sx;
  if (statx(AT_FDCWD, host.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
    return FileTimeFromUnixNs(int64_t(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec);
  return FileTimeFromUnixNs(int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
}

bool IsReadOnly(const std::string& host) {
  Meta m;
  return Load(host, &m) && (m.attrs & FILE_ATTRIBUTE_READONLY);
}

void SetStoredAttributes(const std::string& host, DWORD attrs) {
  Meta m;
  Load(host, &m);
  m.attrs = attrs & kStorable;
  Save(host, m);
}

void SetStoredCreation(const std::string& host, ULONGLONG creation) {
  Meta m;
  bool had = Load(host, &m);
  if (!had) {
    // Keep what the entry reported so far: a new side record must not change its attributes.
    struct stat st;
    if (stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) m.attrs = FILE_ATTRIBUTE_ARCHIVE;
  }
  m.creation = creation;
  Save(host, m);
}

void DropMeta(const std::string& host) { unlink(MetaPath(host).c_str()); }

void MoveMeta(const std::string& from, const std::string& to) {
  Meta m;
  if (!Load(from, &m)) {
    DropMeta(to);
    return;
  }
  Save(to, m);
  DropMeta(from);
}

void CopyMeta(const std::string& from, const std::string& to) {
  Meta m;
  if (Load(from, &m)) {
    m.creation = 0;  // a copy is a new file
    Save(to, m);
  } else {
    DropMeta(to);
  }
}

DWORD ErrorFromErrno(int e, const std::string& hostPath) {
  switch (e) {
    case ENOENT: {
      struct stat st;
      return stat(ParentOf(hostPath).c_str(), &st) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;  // a read-only file system is not a matter of rights
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;  // not taken for a refusal the user could mend with rights
  }
}

namespace {
struct Open {
  bool read, write, del;
  DWORD share;
};
std::mutex g_shareMu;
std::map<std::pair<dev_t, ino_t>, std::vector<Open>>& Opens() {
  static auto* m = new std::map<std::pair<dev_t, ino_t>, std::vector<Open>>();
  return *m;
}
}  // namespace

bool ShareAcquire(ShareKey key, bool read, bool write, bool del, DWORD share) {
  std::lock_guard<std::mutex> g(g_shareMu);
  auto& list = Opens()[{key.dev, key.ino}];
  for (const Open& o : list) {
    if ((read && !(o.share & FILE_SHARE_READ)) || (write && !(o.share & FILE_SHARE_WRITE)) ||
        (del && !(o.share & FILE_SHARE_DELETE)) || (o.read && !(share & FILE_SHARE_READ)) ||
        (o.write && !(share & FILE_SHARE_WRITE)) || (o.del && !(share & FILE_SHARE_DELETE)))
      return false;
  }
  list.push_back(Open{read, write, del, share});
  return true;
}

void ShareRelease(ShareKey key, bool read, bool write, bool del, DWORD share) {
  std::lock_guard<std::mutex> g(g_shareMu);
  auto it = Opens().find({key.dev, key.ino});
  if (it == Opens().end()) return;
  auto& list = it->second;
  for (size_t i = 0; i < list.size(); ++i) {
    const Open& o = list[i];
    if (o.read == read && o.write == write && o.del == del && o.share == share) {
      list.erase(list.begin() + i);
      break;
    }
  }
  if (list.empty()) Opens().erase(it);
}

bool ShareAllowsDelete(ShareKey key) {
  std::lock_guard<std::mutex> g(g_shareMu);
  auto it = Opens().find({key.dev, key.ino});
  if (it == Opens().end()) return true;
  for (const Open& o : it->second)
    if (!(o.share & FILE_SHARE_DELETE)) return false;
  return true;
}

}  // namespace kvp::fs
