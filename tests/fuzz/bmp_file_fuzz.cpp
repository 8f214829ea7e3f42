// Any bytes as a BMP file for the sheets' picture loader: a bitmap comes back only with the size the
// header gives, within the platform's limits, and nothing is read outside the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "kvplat/paint.h"
#include "kvplat/resource.h"
#include "kvplat/root.h"
#include "kvtest/temp_root.h"
#include "sheets/dlg_pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kvtest::TempRoot* root = [] {
    auto* r = new kvtest::TempRoot();
    std::atexit([] { delete root; });
    return r;
  }();
  std::string host;
  if (kvp::MapPath(u"C:\\pictures\\fuzz.bmp", host) != 0) std::abort();
  std::string dir = host.substr(0, host.find_last_of('/'));
  std::string mk = "mkdir -p '" + dir + "'";
  static bool made = std::system(mk.c_str()) == 0;
  (void)made;
  std::ofstream(host, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
  LONG w = -1, h = -1;
  HBITMAP b = DlgLoadBmpFile(u"C:\\pictures\\fuzz.bmp", &w, &h);
  if (w < 0 || h < 0 || w > 16384 || h > 16384) {
    std::fprintf(stderr, "bmp_file: size %ld x %ld\n", long(w), long(h));
    std::abort();
  }
  if (b) {
    BITMAP bm{};
    if (!GetObjectW(b, sizeof bm, &bm) || bm.bmWidth != w || bm.bmHeight != h) {
      std::fprintf(stderr, "bmp_file: the bitmap is not the header's size\n");
      std::abort();
    }
    DeleteObject(b);
  }
  return 0;
}
