// `kvhost ui show` as a user meets it: a property sheet of a module's dialogs and a single dialog as PNG
// pictures, and a clear failure for a dialog the module lacks.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "kvtest/temp_root.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int code;
  std::string out;
};

Outcome Kvhost(const std::string& args) {
  std::string cmd = std::string(KV_BINARY_DIR) + "/bin/kvhost " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  Outcome r{-1, {}};
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// Width and height from a PNG file's header; 0 x 0 when it is none.
std::pair<unsigned, unsigned> PngSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char h[24] = {};
  in.read(reinterpret_cast<char*>(h), 24);
  if (!in || h[1] != 'P' || h[2] != 'N' || h[3] != 'G') return {0, 0};
  auto be = [&](int at) { return unsigned(h[at]) << 24 | unsigned(h[at + 1]) << 16 | unsigned(h[at + 2]) << 8 | h[at + 3]; };
  return {be(16), be(20)};
}

TEST(KvhostUi, ShowWritesPicturesOfSheetsAndDialogs) {
  kvtest::TempRoot root;
  std::string r = "--root '" + root.path() + "' ";
  ASSERT_EQ(Kvhost("machine init '" + root.path() + "'").code, 0);
  std::string module = std::string(KV_MODULE_DIR) + "/kvres_sheets.so";
  std::string sheet = root.path() + "/sheet.png", dialog = root.path() + "/page.png";
  Outcome s = Kvhost(r + "ui show '" + module + "' 110,111,112 --png '" + sheet + "'");
  ASSERT_EQ(s.code, 0) << s.out;
  EXPECT_NE(s.out.find("wrote"), std::string::npos);
  auto [sw, sh] = PngSize(sheet);
  Outcome d = Kvhost(r + "ui show '" + module + "' 120 --png '" + dialog + "'");
  ASSERT_EQ(d.code, 0) << d.out;
  auto [dw, dh] = PngSize(dialog);
  EXPECT_GT(dw, 300u);
  // The sheet holds the largest page (180 x 140 dialog units = 270 x 227 pixels) inside its tab and frame.
  EXPECT_GT(sw, 270u);
  EXPECT_GT(sh, 227u + 23u);
  // A page template alone is shown as the one page of a sheet.
  Outcome page = Kvhost(r + "ui show '" + module + "' 111 --png '" + dialog + "'");
  EXPECT_EQ(page.code, 0) << page.out;
  Outcome missing = Kvhost(r + "ui show '" + module + "' 555 --png '" + dialog + "'");
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.out.find("no dialog 555"), std::string::npos);
  EXPECT_EQ(Kvhost(r + "ui show '" + module + "' 110").code, 2);
}

}  // namespace
