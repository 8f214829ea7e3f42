// The compiler's few needs of the platform: mapping the data file read-only, the lead-byte test and the
// ANSI-to-wide conversion of the system code page. Kept behind these functions so the rest of the
// compiler does not depend on how the platform provides them.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "driverdata/dfc_internal.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/text.h"

namespace dfc {

namespace {
bool (*g_leadByteHook)(uint8_t) = nullptr;
}

namespace test {
void SetLeadByteHook(bool (*hook)(uint8_t c)) { g_leadByteHook = hook; }
}  // namespace test

bool DfcIsLeadByte(uint8_t c) {
  if (g_leadByteHook) return g_leadByteHook(c);
  return false;  // the default system code page (1252) has no lead bytes
}

size_t DfcAnsiToWide(const char* src, size_t n, WCHAR* dst, size_t cap) {
  if (!dst || cap == 0) return 0;
  // Code page 1252: the bytes 0x80-0x9F carry their own characters, the rest map to the same code point.
  static const WCHAR k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  size_t w = 0;
  for (size_t i = 0; i < n && w + 1 < cap; ++i) {
    uint8_t c = uint8_t(src[i]);
    if (c == 0) break;
    dst[w++] = (c >= 0x80 && c < 0xA0) ? k80[c - 0x80] : WCHAR(c);
  }
  dst[w] = 0;
  return w;
}

int DfcMapFile(LPCWSTR path, const uint8_t** view, size_t* size) {
  *view = nullptr;
  *size = 0;
  if (!path) return 0;
  std::string host;
  if (kvp::MapPath(kvp::WView(path), host) != ERROR_SUCCESS || host.empty()) return 0;
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    ::close(fd);
    return 0;
  }
  void* p = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (p == MAP_FAILED) return 0;
  *view = static_cast<const uint8_t*>(p);
  *size = size_t(st.st_size);
  return 1;
}

void DfcUnmapFile(const uint8_t* view, size_t size) {
  if (view) ::munmap(const_cast<uint8_t*>(view), size);
}

}  // namespace dfc
