// Read-only file mappings and their views. A view of a small file is a copy read into memory: on this
// host mapping and unmapping pages costs far more than reading a few hundred kilobytes. The copy holds the
// file's bytes as they were when the view was made, is page-aligned, and lives, like a mapped view,
// until UnmapViewOfFile, whatever happens to the mapping and file handles.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "kvplat/error.h"
#include "kvplat/file.h"

namespace {

struct MappingObject {
  int fd = -1;
  ULONGLONG size = 0;
};
void CloseMapping(void* p) {
  auto* m = static_cast<MappingObject*>(p);
  if (m->fd >= 0) close(m->fd);
  delete m;
}

struct View {
  size_t len;
  bool copied;  // read into memory, not mapped
};
std::mutex g_viewsMu;
std::map<uintptr_t, View>& Views() {
  static auto* v = new std::map<uintptr_t, View>();
  return *v;
}

constexpr size_t kCopyLimit = 256 * 1024;
constexpr size_t kPage = 4096;

// The file's bytes [off, off + len) in a page-aligned block (zeros past the end of a file that shrank);
// null when memory or the read fails.
void* ReadCopy(int fd, ULONGLONG off, size_t len) {
  size_t rounded = (len + kPage - 1) / kPage * kPage;
  auto* p = static_cast<char*>(std::aligned_alloc(kPage, rounded));
  if (!p) return nullptr;
  size_t got = 0;
  while (got < len) {
    ssize_t n = pread(fd, p + got, len - got, off_t(off + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::free(p);
      return nullptr;
    }
    if (n == 0) break;
    got += size_t(n);
  }
  std::memset(p + got, 0, rounded - got);
  return p;
}

constexpr ULONGLONG kGranularity = 65536;

}  // namespace

namespace kvp {
// The file descriptor behind a file handle (for mappings); -1 when the handle is not a readable file.
int FileDescriptorForMapping(HANDLE file);
}  // namespace kvp

KVAPI HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES sa, DWORD protect, DWORD maxSizeHigh,
                                DWORD maxSizeLow, LPCWSTR name) {
  if (file == INVALID_HANDLE_VALUE || (protect & 0xFF) != PAGE_READONLY || name) {
    SetLastError(ERROR_INVALID_PARAMETER);  // only read-only mappings of files are supported
    return nullptr;
  }
  int fd = kvp::FileDescriptorForMapping(file);
  if (fd == -1) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ULONGLONG want = (ULONGLONG(maxSizeHigh) << 32) | maxSizeLow;
  ULONGLONG size = want ? want : ULONGLONG(st.st_size);
  if (size == 0 || size > ULONGLONG(st.st_size)) {
    close(fd);
    // A read-only mapping cannot grow its file.
    SetLastError(size == 0 ? ERROR_FILE_INVALID : ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* m = new MappingObject{fd, size};
  return kvp::HandleCreate(kvp::kHandleKindMapping, m, &CloseMapping);
}

KVAPI LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  auto m = kvp::HandleRef<MappingObject>(mapping, kvp::kHandleKindMapping);
  if (!m) return nullptr;
  if (access & (FILE_MAP_WRITE | FILE_MAP_COPY) || !(access & FILE_MAP_READ)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  ULONGLONG off = (ULONGLONG(offsetHigh) << 32) | offsetLow;
  if (off % kGranularity) {
    SetLastError(ERROR_MAPPED_ALIGNMENT);
    return nullptr;
  }
  if (off >= m->size || (bytes && bytes > m->size - off)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  size_t len = bytes ? bytes : size_t(m->size - off);
  bool copied = len <= kCopyLimit;
  void* p = copied ? ReadCopy(m->fd, off, len) : mmap(nullptr, len, PROT_READ, MAP_SHARED, m->fd, off_t(off));
  if (!p || p == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> g(g_viewsMu);
  Views()[uintptr_t(p)] = View{len, copied};
  return p;
}

KVAPI BOOL UnmapViewOfFile(LPCVOID base) {
  View v;
  {
    std::lock_guard<std::mutex> g(g_viewsMu);
    auto it = Views().find(uintptr_t(base));
    if (it == Views().end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    v = it->second;
    Views().erase(it);
  }
  if (v.copied)
    std::free(const_cast<void*>(base));
  else
    munmap(const_cast<void*>(base), v.len);
  return TRUE;
}
