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

// The model's dialogs by their symbolic names: the same picture as by number, a sheet of named pages,
// the listing of the names, and a clear failure for a name that is none.
TEST(KvhostUi, ModelDialogsBySymbolicName) {
  kvtest::TempRoot root;
  std::string r = "--root '" + root.path() + "' ";
  ASSERT_EQ(Kvhost("machine init '" + root.path() + "'").code, 0);
  Outcome names = Kvhost("ui names");
  ASSERT_EQ(names.code, 0) << names.out;
  EXPECT_NE(names.out.find("1001 QDV_IDD_PRESET\n"), std::string::npos) << names.out;
  EXPECT_NE(names.out.find("4006 QDV_IDD_DLG_STATUS\n"), std::string::npos) << names.out;
  EXPECT_EQ(Kvhost("ui names extra").code, 2);
  std::string module = std::string(KV_MODULE_DIR) + "/KV8350us.so";
  std::string byName = root.path() + "/by_name.png", byNumber = root.path() + "/by_number.png";
  Outcome a = Kvhost(r + "ui show '" + module + "' QDV_IDD_DLG_STATUS --png '" + byName + "'");
  ASSERT_EQ(a.code, 0) << a.out;
  ASSERT_EQ(Kvhost(r + "ui show '" + module + "' 4006 --png '" + byNumber + "'").code, 0);
  std::ifstream x(byName, std::ios::binary), y(byNumber, std::ios::binary);
  std::string px((std::istreambuf_iterator<char>(x)), {}), py((std::istreambuf_iterator<char>(y)), {});
  EXPECT_FALSE(px.empty());
  EXPECT_EQ(px, py);
  std::string sheet = root.path() + "/sheet.png";
  Outcome s = Kvhost(r + "ui show '" + module + "' QDV_IDD_PRESET,1002 --png '" + sheet + "'");
  EXPECT_EQ(s.code, 0) << s.out;
  EXPECT_GT(PngSize(sheet).first, 378u);
  Outcome none = Kvhost(r + "ui show '" + module + "' QDV_IDD_NOTHING --png '" + sheet + "'");
  EXPECT_EQ(none.code, 1);
  EXPECT_NE(none.out.find("no dialog QDV_IDD_NOTHING"), std::string::npos) << none.out;
}

// Every dialog of the model's two resource libraries, one picture each; and clear failures for a file
// that is no resource library and for a library without dialogs.
TEST(KvhostUi, AllDialogsOfTheModelLibraries) {
  kvtest::TempRoot root;
  std::string r = "--root '" + root.path() + "' ";
  ASSERT_EQ(Kvhost("machine init '" + root.path() + "'").code, 0);
  for (const char* region : {"us", "jp"}) {
    SCOPED_TRACE(region);
    std::string module = std::string(KV_MODULE_DIR) + "/KV8350" + region + ".so";
    std::string dir = root.path() + "/pictures_" + region;
    Outcome all = Kvhost(r + "ui show '" + module + "' --all --png-dir '" + dir + "'");
    ASSERT_EQ(all.code, 0) << all.out;
    EXPECT_NE(all.out.find("72 dialogs, 0 failed"), std::string::npos) << all.out;
    int pictures = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
      SCOPED_TRACE(e.path().string());
      auto [w, h] = PngSize(e.path().string());
      EXPECT_GT(w, 100u);
      EXPECT_GT(h, 40u);
      // A picture with controls and their texts does not compress to a plain field.
      EXPECT_GT(fs::file_size(e.path()), 400u);
      ++pictures;
    }
    EXPECT_EQ(pictures, 72);
    // A page is shown as the one page of a sheet: larger than the page's 252 x 218 units.
    auto [pw, ph] = PngSize(dir + "/1001.png");
    EXPECT_GT(pw, 378u);
    EXPECT_GT(ph, 354u);
    EXPECT_NE(all.out.find("1001 " + std::to_string(pw) + "x" + std::to_string(ph) + " "), std::string::npos) << all.out;
  }
  std::string text = root.path() + "/notes.txt";
  std::ofstream(text) << "not a library";
  Outcome bad = Kvhost(r + "ui show '" + text + "' --all --png-dir '" + root.path() + "/x'");
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.out.find("is not a resource library"), std::string::npos) << bad.out;
  Outcome none = Kvhost(r + "ui show '" + std::string(KV_MODULE_DIR) + "/M8350d64.so' --all --png-dir '" + root.path() + "/x'");
  EXPECT_EQ(none.code, 1);
  EXPECT_NE(none.out.find("holds no dialogs"), std::string::npos) << none.out;
}

}  // namespace
