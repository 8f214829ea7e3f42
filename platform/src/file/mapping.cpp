// Read-only file mappings and their views.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::mutex g_viewsMu;
std::map<uintptr_t, size_t>& Views() {
  static auto* v = new std::map<uintptr_t, size_t>();
  return *v;
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
  void* p = mmap(nullptr, len, PROT_READ, MAP_SHARED, m->fd, off_t(off));
  if (p == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> g(g_viewsMu);
  Views()[uintptr_t(p)] = len;
  return p;
}

KVAPI BOOL UnmapViewOfFile(LPCVOID base) {
  size_t len;
  {
    std::lock_guard<std::mutex> g(g_viewsMu);
    auto it = Views().find(uintptr_t(base));
    if (it == Views().end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    len = it->second;
    Views().erase(it);
  }
  munmap(const_cast<void*>(base), len);
  return TRUE;
}
