// The compiler's few needs of the platform: mapping the data file read-only, the lead-byte test and the
// ANSI-to-wide conversion of the system code page.
#include <cstring>
#include <string>

#include "driverdata/dfc_internal.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/handle.h"
#include "kvplat/heap.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"

namespace dfc {

namespace {
bool (*g_leadByteHook)(uint8_t) = nullptr;
}

namespace test {
void SetLeadByteHook(bool (*hook)(uint8_t c)) { g_leadByteHook = hook; }
}  // namespace test

bool DfcIsLeadByte(uint8_t c) {
  if (g_leadByteHook) return g_leadByteHook(c);
  return IsDBCSLeadByte(c) != 0;
}

void DfcLeadByteTable(bool table[256]) {
  // The system code page is asked once per compilation; only the lead-byte answer matters.
  UINT acp = g_leadByteHook ? 0 : GetACP();
  for (int c = 0; c < 256; ++c)
    table[c] = g_leadByteHook ? g_leadByteHook(uint8_t(c)) : IsDBCSLeadByteEx(acp, BYTE(c)) != 0;
}

size_t DfcAnsiToWide(const char* src, size_t n, WCHAR* dst, size_t cap) {
  if (!dst || cap == 0) return 0;
  dst[0] = 0;
  if (!src) return 0;
  std::u16string wide;
  if (!kvp::AnsiToWide(std::string_view(src, strnlen(src, n)), &wide, CP_ACP)) return 0;
  size_t w = wide.size() < cap - 1 ? wide.size() : cap - 1;
  std::memcpy(dst, wide.data(), w * sizeof(WCHAR));
  dst[w] = 0;
  return w;
}

int DfcMapFile(LPCWSTR path, const uint8_t** view, size_t* size) {
  *view = nullptr;
  *size = 0;
  if (!path) return 0;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE) {
    CloseHandle(file);
    return 0;
  }
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);
  if (!mapping) return 0;
  void* p = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);
  if (!p) return 0;
  *view = static_cast<const uint8_t*>(p);
  *size = size_t((uint64_t(high) << 32) | low);
  return 1;
}

LPWSTR DfcGetDataFilePath(HANDLE printer) {
  DWORD need = 0;
  if (GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &need) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
      need < sizeof(DRIVER_INFO_2W))
    return nullptr;
  auto* info = static_cast<BYTE*>(GlobalAlloc(GPTR, need));
  if (!info) return nullptr;
  LPWSTR path = nullptr;
  DWORD got = 0;
  if (GetPrinterDriverW(printer, nullptr, 2, info, need, &got)) {
    DRIVER_INFO_2W di;
    std::memcpy(&di, info, sizeof(di));
    if (di.pDataFile) {
      size_t n = 0;
      while (di.pDataFile[n]) ++n;
      path = static_cast<LPWSTR>(GlobalAlloc(GPTR, (n + 1) * sizeof(WCHAR)));
      if (path) std::memcpy(path, di.pDataFile, n * sizeof(WCHAR));
    }
  }
  GlobalFree(info);
  return path;
}

void DfcUnmapFile(const uint8_t* view, size_t) {
  if (view) UnmapViewOfFile(view);
}

}  // namespace dfc
