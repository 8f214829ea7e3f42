// FindFirstFileW / FindNextFileW / FindClose over a snapshot of one folder.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "internal.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "kvplat/time.h"

namespace {

using namespace kvp::fs;

struct FindObject {
  std::vector<WIN32_FIND_DATAW> entries;
  size_t next = 0;
};
void CloseFind(void* p) { delete static_cast<FindObject*>(p); }

// Wildcard match without case: '*' any run, '?' one character.
bool Match(std::u16string_view pat, std::u16string_view name) {
  size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pat.size() && (pat[p] == u'?' || kvp::WFoldUpper(pat[p]) == kvp::WFoldUpper(name[n]))) {
      ++p;
      ++n;
    } else if (p < pat.size() && pat[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == u'*') ++p;
  // "*.*" and "name." also match names without an extension, as the platform's matcher does.
  if (p + 1 == pat.size() && pat[p] == u'.') ++p;
  if (p + 2 == pat.size() && pat[p] == u'.' && pat[p + 1] == u'*') p += 2;
  return p == pat.size();
}

void Fill(WIN32_FIND_DATAW* d, const std::string& host, const std::u16string& name, const struct stat& st) {
  std::memset(d, 0, sizeof *d);
  auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
  d->dwFileAttributes = AttributesOf(host, st);
  d->ftCreationTime = kvp::MakeFileTime(CreationOf(host, st));
  d->ftLastAccessTime = kvp::MakeFileTime(kvp::FileTimeFromUnixNs(ns(st.st_atim)));
  d->ftLastWriteTime = kvp::MakeFileTime(kvp::FileTimeFromUnixNs(ns(st.st_mtim)));
  ULONGLONG size = S_ISDIR(st.st_mode) ? 0 : ULONGLONG(st.st_size);
  d->nFileSizeHigh = DWORD(size >> 32);
  d->nFileSizeLow = DWORD(size);
  kvp::WCopy(d->cFileName, MAX_PATH, name.c_str());
}

}  // namespace

KVAPI HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string_view p = kvp::WView(pattern);
  size_t slash = p.find_last_of(u"\\/");
  std::u16string folder(slash == std::u16string_view::npos ? std::u16string_view() : p.substr(0, slash + 1));
  std::u16string mask(slash == std::u16string_view::npos ? p : p.substr(slash + 1));
  if (folder.empty()) folder = u".\\";
  std::string dirHost;
  DWORD err = kvp::MapFilePath(folder.c_str(), dirHost);
  if (err == ERROR_SUCCESS && p.size() >= MAX_PATH && !(p.size() > 4 && p.substr(0, 4) == u"\\\\?\\"))
    err = ERROR_FILENAME_EXCED_RANGE;
  if (err) {
    SetLastError(err);
    return INVALID_HANDLE_VALUE;
  }
  struct stat dst;
  if (stat(dirHost.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (mask.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string root = kvp::MachineRoot();
  bool driveRoot = ParentOf(dirHost) == root;
  auto obj = new FindObject();
  if (DIR* d = opendir(dirHost.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (IsInternalName(n) || (driveRoot && (n == "." || n == ".."))) continue;
      std::u16string wn = kvp::FromUtf8(n);
      if (wn.size() >= MAX_PATH || !Match(mask, wn)) continue;
      std::string host = n == "." || n == ".." ? dirHost : dirHost + "/" + n;
      struct stat st;
      if (stat(host.c_str(), &st) != 0) continue;
      WIN32_FIND_DATAW fd;
      Fill(&fd, host, wn, st);
      if (n == "." || n == "..") fd.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
      obj->entries.push_back(fd);
    }
    closedir(d);
  }
  std::sort(obj->entries.begin(), obj->entries.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    return kvp::WCompareI(kvp::WView(a.cFileName), kvp::WView(b.cFileName)) < 0;
  });
  if (obj->entries.empty()) {
    delete obj;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *data = obj->entries[0];
  obj->next = 1;
  HANDLE h = kvp::HandleCreate(kvp::kHandleKindFind, obj, &CloseFind);
  return h ? h : INVALID_HANDLE_VALUE;
}

KVAPI BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
  auto f = kvp::HandleRef<FindObject>(find, kvp::kHandleKindFind);
  if (!f) return FALSE;
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (f->next >= f->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = f->entries[f->next++];
  return TRUE;
}

KVAPI BOOL FindClose(HANDLE find) { return kvp::HandleClose(find, kvp::kHandleKindFind); }
