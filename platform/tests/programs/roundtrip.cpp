// A short program on the platform: writes C:\Windows\Temp\A.TXT in the machine root given as argument
// and reads it back under another spelling. Exit 0 when the bytes come back.
#include <cstdio>
#include <cstring>

#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/root.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: platform_roundtrip ROOT\n");
    return 2;
  }
  kvp::SetMachineRoot(argv[1]);
  const char text[] = "written through the platform\r\n";
  HANDLE h = CreateFileW(u"C:\\Windows\\Temp\\A.TXT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD n = 0;
  if (h == INVALID_HANDLE_VALUE || !WriteFile(h, text, sizeof text - 1, &n, nullptr) || !CloseHandle(h)) {
    std::fprintf(stderr, "write failed: %u\n", GetLastError());
    return 1;
  }
  h = CreateFileW(u"c:\\windows\\temp\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  char back[64] = {};
  if (h == INVALID_HANDLE_VALUE || !ReadFile(h, back, sizeof back, &n, nullptr) || !CloseHandle(h)) {
    std::fprintf(stderr, "read failed: %u\n", GetLastError());
    return 1;
  }
  if (n != sizeof text - 1 || std::memcmp(back, text, n) != 0) {
    std::fprintf(stderr, "read back different bytes\n");
    return 1;
  }
  std::printf("C:\\Windows\\Temp\\A.TXT read back as c:\\windows\\temp\\a.txt (%u bytes)\n", n);
  return 0;
}
