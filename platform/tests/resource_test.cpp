// Resource modules: the sample script (fixtures/sample.rc) compiled by kvrc into kvres_sample.so, read
// through the platform's resource calls; the version block read from module files; kvrc's own errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../tests/fixtures/sample_ids.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "kvtest/temp_root.h"

namespace {

namespace fs = std::filesystem;
#define KV_DRIVER_DIR u"C:\\Windows\\System32\\spool\\drivers\\x64\\3"

std::string ModulePath(const char* name) { return std::string(KV_MODULE_DIR) + "/" + name; }

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    // The library lies in the driver folder under its driver name, as installed.
    fs::copy_file(ModulePath("kvres_sample.so"), root_.path() + "/c/Windows/System32/spool/drivers/x64/3/KVRES.DLL");
    fs::copy_file(ModulePath("kvspl_testui.so"), root_.path() + "/c/Windows/System32/spool/drivers/x64/3/PLAIN.DLL");
    module_ = LoadLibraryW(KV_DRIVER_DIR u"\\kvres.dll");
    ASSERT_NE(module_, nullptr) << GetLastError();
    SetUi("0x0409");
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  static void SetUi(const char* lang) { ASSERT_EQ(kvp::ProfileSet("UILanguage", lang), (DWORD)ERROR_SUCCESS); }
  HMODULE mod() const { return module_; }

  kvtest::TempRoot root_;
  HMODULE module_ = nullptr;
};

std::u16string Load(HMODULE m, UINT id) {
  WCHAR buf[256];
  int n = LoadStringW(m, id, buf, 256);
  return std::u16string(buf, size_t(n));
}

TEST_F(Resources, StringsFollowTheUiLanguageWithFallback) {
  struct Case {
    const char* ui;
    UINT id;
    const char16_t* text;
  } cases[] = {
      {"0x0409", IDS_HELLO, u"Hello"},
      {"0x0407", IDS_HELLO, u"Hallo"},
      {"0x0C07", IDS_PAPER, u"Papierformat"},  // another German: the primary language
      {"0x0411", IDS_HELLO, u"Hello"},         // no Japanese, no neutral: English
      {"0x0409", IDS_ONLY_ENGLISH, u"Only in English: \"quoted\" \u00e9t\u00e9"},
      // Languages are chosen per block of 16 strings: the German block exists but lacks this slot ...
      {"0x0407", IDS_ONLY_ENGLISH, u""},
      // ... while a block German lacks altogether comes in English.
      {"0x0407", IDS_SECOND_BLOCK, u"Second block\tTab"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(std::string(c.ui) + " " + std::to_string(c.id));
    SetUi(c.ui);
    EXPECT_EQ(Load(mod(), c.id), c.text);
  }
}

TEST_F(Resources, LoadStringBufferRules) {
  WCHAR buf[8];
  EXPECT_EQ(LoadStringW(mod(), IDS_HELLO, buf, 3), 2);
  EXPECT_EQ(std::u16string(buf), u"He");
  EXPECT_EQ(LoadStringW(mod(), IDS_HELLO, buf, 1), 0);
  EXPECT_EQ(buf[0], 0);
  // Length only: a read-only pointer into the module, not terminated.
  const WCHAR* p = nullptr;
  EXPECT_EQ(LoadStringW(mod(), IDS_PAPER, reinterpret_cast<LPWSTR>(&p), 0), 10);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::u16string(p, 10), u"Paper size");
  // Absent strings: a missing slot of a block, and a missing block.
  buf[0] = u'x';
  EXPECT_EQ(LoadStringW(mod(), IDS_HELLO + 5, buf, 8), 0);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadStringW(mod(), 5000, buf, 8), 0);
  EXPECT_EQ(LoadStringW(mod(), IDS_HELLO, nullptr, 8), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

  char a[64];
  int n = LoadStringA(mod(), IDS_ONLY_ENGLISH, a, sizeof a);
  EXPECT_EQ(std::string(a, size_t(n)), "Only in English: \"quoted\" \xE9t\xE9");
  EXPECT_EQ(LoadStringA(mod(), IDS_HELLO, a, 4), 3);
  EXPECT_STREQ(a, "Hel");
}

TEST_F(Resources, FindByTypeNameAndLanguage) {
  // Explicit languages pick their variant; others fall back.
  HRSRC de = FindResourceExW(mod(), RT_BITMAP, MAKEINTRESOURCEW(IDB_PREVIEW), MAKELANGID(0x07, 0x01));
  HRSRC en = FindResourceExW(mod(), RT_BITMAP, MAKEINTRESOURCEW(IDB_PREVIEW), MAKELANGID(0x09, 0x01));
  HRSRC fr = FindResourceExW(mod(), RT_BITMAP, MAKEINTRESOURCEW(IDB_PREVIEW), MAKELANGID(0x0C, 0x01));
  ASSERT_TRUE(de && en && fr);
  EXPECT_NE(de, en);
  EXPECT_EQ(fr, en);
  SetUi("0x0407");
  EXPECT_EQ(FindResourceW(mod(), MAKEINTRESOURCEW(IDB_PREVIEW), RT_BITMAP), de);

  // Named types and names compare without case; "#n" is id n.
  HRSRC named = FindResourceW(mod(), u"settings", u"KvData");
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(SizeofResource(mod(), named), 2u);
  HRSRC raw = FindResourceA(mod(), "#300", MAKEINTRESOURCEA(10));
  ASSERT_NE(raw, nullptr);
  ASSERT_EQ(SizeofResource(mod(), raw), 10u);
  auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(mod(), raw)));
  const BYTE expect[] = {1, 0, 2, 0, 0, 0, 'a', 'b', 'c', 0};
  EXPECT_EQ(std::memcmp(bytes, expect, sizeof expect), 0);
  EXPECT_FALSE(FreeResource(LoadResource(mod(), raw)));

  struct Miss {
    LPCWSTR type;
    LPCWSTR name;
    DWORD err;
  } misses[] = {
      {RT_MENU, MAKEINTRESOURCEW(1), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {RT_BITMAP, MAKEINTRESOURCEW(1), ERROR_RESOURCE_NAME_NOT_FOUND},
      {u"KVDATA", u"OTHER", ERROR_RESOURCE_NAME_NOT_FOUND},
      {u"NOTYPE", u"SETTINGS", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {RT_RCDATA, u"#99999", ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (auto& m : misses) {
    SCOPED_TRACE(m.err);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(mod(), m.name, m.type), nullptr);
    EXPECT_EQ(GetLastError(), m.err);
  }
  // Handles that FindResource did not give are refused.
  int bogus = 0;
  EXPECT_EQ(LoadResource(mod(), reinterpret_cast<HRSRC>(&bogus)), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(SizeofResource(mod(), reinterpret_cast<HRSRC>(reinterpret_cast<BYTE*>(raw) + 4)), 0u);
  // A module without resources is not mistaken for one of the libraries it links; the platform's own
  // modules have none either.
  HMODULE plain = LoadLibraryW(KV_DRIVER_DIR u"\\plain.dll");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(FindResourceW(plain, MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_DATA_NOT_FOUND);
  FreeLibrary(plain);
  EXPECT_EQ(FindResourceW(GetModuleHandleW(u"kernel32.dll"), MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_DATA_NOT_FOUND);
  int notAModule = 0;
  EXPECT_EQ(FindResourceW(reinterpret_cast<HMODULE>(&notAModule), MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

// Resources embedded into a module with code of its own (kv_resource_sources).
TEST_F(Resources, EmbeddedResourcesBesideCode) {
  fs::copy_file(ModulePath("kvres_embedded.so"), root_.path() + "/c/Windows/System32/spool/drivers/x64/3/M8350.DLL");
  HMODULE m = LoadLibraryW(KV_DRIVER_DIR u"\\m8350.dll");
  ASSERT_NE(m, nullptr);
  auto answer = reinterpret_cast<int (*)()>(GetProcAddress(m, "KvEmbeddedAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  char text[64];
  EXPECT_EQ(LoadStringA(m, 4001, text, sizeof text), 20);
  EXPECT_STREQ(text, "Fan Folding Finisher");
  // The status library asks for an exact language and parses the block itself.
  HRSRC block = FindResourceExA(m, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(3500 / 16 + 1), 0x0409);
  ASSERT_NE(block, nullptr);
  auto* words = static_cast<const WORD*>(LockResource(LoadResource(m, block)));
  size_t at = 0;
  for (int i = 0; i < 3500 % 16; ++i) at += 1 + words[at];
  EXPECT_EQ(words[at], 2);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(words + at + 1), 2), u", ");
  WCHAR file[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(m, file, MAX_PATH), 0u);
  DWORD size = GetFileVersionInfoSizeW(file, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> v(size);
  ASSERT_TRUE(GetFileVersionInfoW(file, 0, size, v.data()));
  void* fi = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(v.data(), u"\\", &fi, &len));
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(fi)->dwFileVersionLS, 0x00040000u);
  FreeLibrary(m);
}

// A library opened as a data file runs no code; its resources are read from the file.
TEST_F(Resources, DataFileModulesServeTheSameResources) {
  FreeLibrary(module_);
  module_ = LoadLibraryExW(KV_DRIVER_DIR u"\\KVRES.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module_, nullptr) << GetLastError();
  EXPECT_EQ(Load(mod(), IDS_HELLO), u"Hello");
  SetUi("0x0407");
  EXPECT_EQ(Load(mod(), IDS_PAPER), u"Papierformat");
  HRSRC r = FindResourceW(mod(), MAKEINTRESOURCEW(IDD_PAGE), RT_DIALOG);
  ASSERT_NE(r, nullptr);
  kvp::DialogDesc d;
  EXPECT_TRUE(kvp::DecodeDialogTemplate(LockResource(LoadResource(mod(), r)), SizeofResource(mod(), r), &d));
  EXPECT_EQ(d.items.size(), 6u);
  HBITMAP b = LoadBitmapW(mod(), MAKEINTRESOURCEW(IDB_PREVIEW));
  EXPECT_NE(b, nullptr);
  DeleteObject(b);
}

TEST_F(Resources, DialogTemplatesKeepEveryControl) {
  HRSRC r = FindResourceW(mod(), MAKEINTRESOURCEW(IDD_PAGE), RT_DIALOG);
  ASSERT_NE(r, nullptr);
  kvp::DialogDesc d;
  ASSERT_TRUE(kvp::DecodeDialogTemplate(LockResource(LoadResource(mod(), r)), SizeofResource(mod(), r), &d));
  EXPECT_TRUE(d.extended);
  EXPECT_EQ(d.caption, u"Paper");
  EXPECT_EQ(d.fontFace, u"DejaVu Sans");
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.weight, 400);
  EXPECT_EQ(d.style, 0x40C00040u);  // WS_CHILD | WS_CAPTION | DS_SETFONT
  EXPECT_EQ(d.cx, 252);
  EXPECT_EQ(d.cy, 218);
  struct Item {
    DWORD id;
    WORD atom;
    const char16_t* cls;
    const char16_t* text;
    DWORD style;
    SHORT x, y, cx, cy;
  } items[] = {
      {0xFFFFFFFF, 0x82, u"", u"&Paper size:", 0x50020000, 7, 9, 60, 8},
      {IDC_PAPER, 0x85, u"", u"", 0x50210003, 70, 7, 120, 100},
      {IDC_COLLATE, 0x80, u"", u"Collate", 0x50010003, 7, 30, 80, 10},
      {IDC_TREE, 0, u"SysTreeView32", u"", 0x50800002, 7, 50, 238, 100},
      {IDC_COPIES, 0x81, u"", u"", 0x50012000, 70, 160, 40, 14},  // NOT WS_BORDER took the default border away
      {1, 0x80, u"", u"OK", 0x50010001, 140, 196, 50, 14},
  };
  ASSERT_EQ(d.items.size(), std::size(items));
  for (size_t i = 0; i < d.items.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& got = d.items[i];
    EXPECT_EQ(got.id, items[i].id);
    EXPECT_EQ(got.classAtom, items[i].atom);
    EXPECT_EQ(got.className, items[i].cls);
    EXPECT_EQ(got.text, items[i].text);
    EXPECT_EQ(got.style, items[i].style);
    EXPECT_EQ(got.x, items[i].x);
    EXPECT_EQ(got.y, items[i].y);
    EXPECT_EQ(got.cx, items[i].cx);
    EXPECT_EQ(got.cy, items[i].cy);
  }

  // The classic layout: DLGTEMPLATE then DWORD-aligned DLGITEMTEMPLATEs.
  r = FindResourceW(mod(), MAKEINTRESOURCEW(IDD_WAIT), RT_DIALOG);
  auto* t = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(mod(), r)));
  EXPECT_EQ(t->style, 0x80000080u);  // WS_POPUP | DS_MODALFRAME
  EXPECT_EQ(t->cdit, 1);
  ASSERT_TRUE(kvp::DecodeDialogTemplate(t, SizeofResource(mod(), r), &d));
  EXPECT_FALSE(d.extended);
  ASSERT_EQ(d.items.size(), 1u);
  EXPECT_EQ(d.items[0].id, 5005u);
  EXPECT_EQ(d.items[0].text, u"Working...");
  EXPECT_EQ(d.items[0].style, 0x50020001u);
  // A cut template is refused, never read past its end.
  for (size_t cut : {size_t(0), size_t(10), size_t(SizeofResource(mod(), r) - 1)})
    EXPECT_FALSE(kvp::DecodeDialogTemplate(t, cut, &d)) << cut;
}

TEST_F(Resources, BitmapsIconsAndCursors) {
  HBITMAP b = LoadBitmapW(mod(), MAKEINTRESOURCEW(IDB_PREVIEW));
  ASSERT_NE(b, nullptr);
  kvp::BitmapDesc d;
  ASSERT_TRUE(kvp::BitmapDescribe(b, &d));
  EXPECT_EQ(d.width, 4);
  EXPECT_EQ(d.height, 3);
  EXPECT_EQ(d.bitsPerPixel, 8);
  EXPECT_FALSE(d.topDown);
  EXPECT_EQ(d.stride, 4u);
  // Bottom-up: the first stored row is the script's last ("2222"), the last is its first ("0120").
  EXPECT_EQ(std::vector<BYTE>(d.bits, d.bits + 4), (std::vector<BYTE>{2, 2, 2, 2}));
  EXPECT_EQ(std::vector<BYTE>(d.bits + 8, d.bits + 12), (std::vector<BYTE>{0, 1, 2, 0}));
  auto* palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(d.info) + d.info->biSize);
  EXPECT_EQ(palette[2].rgbRed, 0xFF);
  EXPECT_EQ(palette[2].rgbBlue, 0);
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_FALSE(DeleteObject(b));
  EXPECT_FALSE(kvp::BitmapDescribe(b, &d));
  HBITMAP a = LoadBitmapA(mod(), "#6001");
  ASSERT_NE(a, nullptr);
  DeleteObject(a);
  EXPECT_EQ(LoadBitmapW(mod(), MAKEINTRESOURCEW(6002)), nullptr);

  HICON icon = LoadIconW(mod(), MAKEINTRESOURCEW(IDI_PRINTER));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(mod(), MAKEINTRESOURCEW(IDI_PRINTER)), icon);  // shared
  kvp::IconDesc id;
  ASSERT_TRUE(kvp::IconDescribe(icon, &id));
  EXPECT_FALSE(id.cursor);
  EXPECT_EQ(id.width, 4);
  EXPECT_EQ(id.height, 2);
  EXPECT_EQ(id.bitsPerPixel, 32);
  HCURSOR cur = LoadCursorW(mod(), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
  ASSERT_NE(cur, nullptr);
  ASSERT_TRUE(kvp::IconDescribe(cur, &id));
  EXPECT_TRUE(id.cursor);
  EXPECT_EQ(id.hotspot.x, 1);
  EXPECT_EQ(id.hotspot.y, 0);
  EXPECT_NE(LoadIconW(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), nullptr);
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(5)), nullptr);
  EXPECT_EQ(LoadCursorW(mod(), MAKEINTRESOURCEW(IDI_PRINTER)), nullptr);  // an icon is not a cursor
}

TEST_F(Resources, VersionBlockOfAModuleFile) {
  // Through the machine path of a copy in the driver folder, and through the host path.
  std::u16string machine = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvres.dll";
  std::u16string host = kvp::FromUtf8(ModulePath("kvres_sample.so"));
  for (const auto& file : {machine, host}) {
    DWORD handle = 7;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    ASSERT_GT(size, 92u);
    EXPECT_EQ(handle, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data()));
    void* v = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &v, &len));
    ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
    auto* fi = static_cast<VS_FIXEDFILEINFO*>(v);
    EXPECT_EQ(fi->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fi->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fi->dwFileVersionLS, 0x00040000u);
    // The status library's version word: 1.0.4.0 gives 0x01000400.
    DWORD word = ((HIWORD(fi->dwFileVersionMS) * 256 | LOWORD(fi->dwFileVersionMS)) * 256 |
                  HIWORD(fi->dwFileVersionLS)) * 256 | LOWORD(fi->dwFileVersionLS);
    EXPECT_EQ(word, 0x01000400u);
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040904b0\\FileVersion", &v, &len));
    EXPECT_EQ(std::u16string(static_cast<WCHAR*>(v)), u"1.0.4.0");
    EXPECT_EQ(len, 8u);
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &v, &len));
    ASSERT_EQ(len, 4u);
    EXPECT_EQ(static_cast<WORD*>(v)[0], 0x409);
    EXPECT_EQ(static_cast<WORD*>(v)[1], 1200);
    EXPECT_FALSE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\Missing", &v, &len));
  }

  std::string narrow = ModulePath("kvres_sample.so");
  DWORD size = GetFileVersionInfoSizeA(narrow.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(narrow.c_str(), 0, size, block.data()));
  void* v = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileDescription", &v, &len));
  EXPECT_STREQ(static_cast<char*>(v), "Sample resource library");
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &v, &len));
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(v)->dwFileVersionMS, 0x00010000u);

  // A cut copy of the block is answered only where it still holds the value.
  std::vector<BYTE> cut(60);
  ASSERT_TRUE(GetFileVersionInfoW(kvp::FromUtf8(narrow).c_str(), 0, DWORD(cut.size()), cut.data()));
  EXPECT_FALSE(VerQueryValueW(cut.data(), u"\\", &v, &len));
  EXPECT_FALSE(VerQueryValueW(cut.data(), u"\\StringFileInfo\\040904B0\\FileVersion", &v, &len));
}

TEST_F(Resources, BadModuleFilesGiveClearErrors) {
  std::string dir = root_.path() + "/c/Windows/Temp/";
  std::ifstream in(ModulePath("kvres_sample.so"), std::ios::binary);
  std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t magic = image.find("KVRS\x01");
  ASSERT_NE(magic, std::string::npos);
  std::string badMagic = image;
  badMagic[magic] = 'X';
  std::string hugeSize = image;
  hugeSize[magic + 11] = '\x7f';  // totalSize far beyond the symbol
  // The names area and the data items keep their alignment: they are read in place as units and structures.
  std::string oddNames = image;
  oddNames[magic + 20] = char(oddNames[magic + 20] + 1);
  std::string oddData = image;
  uint32_t entries;
  std::memcpy(&entries, image.data() + magic + 12, 4);
  for (uint32_t i = 0; i < entries; ++i) oddData[magic + 32 + 24 * i + 12] += 2;
  // A version block claiming more bytes than it holds: queries of the caller's copy would read past it.
  std::string longBlock = image;
  for (uint32_t i = 0; i < entries; ++i) {
    uint32_t type, at, size;
    std::memcpy(&type, image.data() + magic + 32 + 24 * i, 4);
    std::memcpy(&at, image.data() + magic + 32 + 24 * i + 12, 4);
    std::memcpy(&size, image.data() + magic + 32 + 24 * i + 16, 4);
    if (type != 16) continue;
    uint16_t claimed = uint16_t(size + 64);
    std::memcpy(longBlock.data() + magic + at, &claimed, 2);
  }
  auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir + name, std::ios::binary) << bytes;
    return u"C:\\Windows\\Temp\\" + kvp::FromUtf8(name);
  };
  struct Case {
    std::u16string file;
    DWORD err;
  } cases[] = {
      {u"C:\\Windows\\Temp\\missing.dll", ERROR_FILE_NOT_FOUND},
      {write("text.dll", "just some text, not a module"), ERROR_BAD_FORMAT},
      {write("half.dll", image.substr(0, image.size() / 2)), ERROR_BAD_FORMAT},
      {write("magic.dll", badMagic), ERROR_INVALID_DATA},
      {write("huge.dll", hugeSize), ERROR_INVALID_DATA},
      {write("oddnames.dll", oddNames), ERROR_INVALID_DATA},
      {write("odddata.dll", oddData), ERROR_INVALID_DATA},
      {write("longblock.dll", longBlock), ERROR_INVALID_DATA},
      {u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\plain.dll", ERROR_RESOURCE_DATA_NOT_FOUND},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(c.file));
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeW(c.file.c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), c.err);
  }
  // Opened as a data file, the module with a misaligned names area answers a named look-up with the same error.
  HMODULE data = LoadLibraryExW(u"C:\\Windows\\Temp\\oddnames.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(data, nullptr) << GetLastError();
  SetLastError(0);
  EXPECT_EQ(FindResourceW(data, u"settings", u"KvData"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
  FreeLibrary(data);
}

// The resource compiler reports script errors with file and line and fails (also inside an included script);
// BMP files beside a script load.
TEST(ResourceCompiler, ErrorsNameTheLineAndBmpFilesCompile) {
  kvtest::TempRoot root;
  std::string kvrc = std::string(KV_BINARY_DIR) + "/bin/kvrc";
  if (!fs::exists(kvrc)) GTEST_SKIP() << "kvrc not built";
  std::string dir = root.path() + "/rc/";
  fs::create_directories(dir);
  auto run = [&](const std::string& script) {
    std::ofstream(dir + "t.rc") << script;
    std::string cmd = "ASAN_OPTIONS=detect_leaks=0 " + kvrc + " " + dir + "t.rc -o " + dir + "t.cpp 2>&1";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[512];
    while (p && fgets(buf, sizeof buf, p)) out += buf;
    int rc = p ? pclose(p) : -1;
    return std::make_pair(rc, out);
  };
  struct Case {
    const char* script;
    const char* message;
  } cases[] = {
      {"STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", "t.rc:4: error: string 1 defined twice"},
      {"STRINGTABLE\nBEGIN\n  1 \"open\nEND\n", "t.rc:3: error: text without closing quote"},
      {"1 DIALOG 0, 0, 10, 10\nSTYLE WS_NOPE\nBEGIN\nEND\n", "t.rc:2: error: unknown symbol WS_NOPE"},
      {"1 BITMAP\nBEGIN\n PALETTE 0\n \"00\"\n \"0\"\nEND\n", "t.rc:5: error: rows of a picture must be equally long"},
      {"1 BITMAP \"absent.bmp\"\n", "t.rc:1: error: cannot open"},
      {"1 RCDATA\nBEGIN\n 1, 2\n", "error: missing END"},
      {"1 RCDATA { 1 }\n1 RCDATA { 2 }\n", "t.rc:2: error: resource defined twice"},
      // An included script's errors name its own file and line; a script that includes itself stops.
      {"#include \"twice.rc\"\n", "twice.rc:4: error: string 1 defined twice"},
      {"STRINGTABLE\nBEGIN\n  1 \"a\"\nEND\n#include \"one.rc\"\n", "one.rc:3: error: string 1 defined twice"},
      {"#include \"self.rc\"\n", "self.rc:1: error: #include nests deeper than 16"},
  };
  std::ofstream(dir + "twice.rc") << "STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n";
  std::ofstream(dir + "one.rc") << "STRINGTABLE\nBEGIN\n  1 \"b\"\nEND\n";
  std::ofstream(dir + "self.rc") << "#include \"self.rc\"\n";
  for (auto& c : cases) {
    SCOPED_TRACE(c.script);
    auto [rc, out] = run(c.script);
    EXPECT_NE(rc, 0);
    EXPECT_NE(out.find(c.message), std::string::npos) << out;
  }

  // A 2 x 2, 24-bit BMP file beside the script, made here.
  std::string bmp = "BM";
  auto put32 = [&](uint32_t v) { bmp.append(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&](uint16_t v) { bmp.append(reinterpret_cast<const char*>(&v), 2); };
  put32(14 + 40 + 16);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(2);
  put32(2);
  put16(1);
  put16(24);
  for (int i = 0; i < 6; ++i) put32(0);
  bmp.append(16, '\x7f');
  std::ofstream(dir + "pic.bmp", std::ios::binary) << bmp;
  auto [rc, out] = run("6001 BITMAP \"pic.bmp\"\n");
  EXPECT_EQ(rc, 0) << out;
  std::ifstream gen(dir + "t.cpp");
  std::stringstream s;
  s << gen.rdbuf();
  EXPECT_NE(s.str().find("KvResourceData"), std::string::npos);
  // An included script adds its resources to the module.
  std::ofstream(dir + "more.rc") << "6002 BITMAP \"pic.bmp\"\n";
  std::tie(rc, out) = run("6001 BITMAP \"pic.bmp\"\n#include \"more.rc\"\n1 RCDATA { 1 }\n");
  EXPECT_EQ(rc, 0) << out;
  std::ofstream(dir + "bad.bmp", std::ios::binary) << "BM short";
  std::tie(rc, out) = run("6001 BITMAP \"bad.bmp\"\n");
  EXPECT_NE(out.find("not a BMP file"), std::string::npos) << out;

  // An icon file with one 2 x 2 image (its DIB is the BMP's, height doubled); then one whose entry
  // points past the end of the file.
  std::string dibBytes = bmp.substr(14);
  uint32_t doubled = 4;
  std::memcpy(&dibBytes[8], &doubled, 4);
  std::string ico;
  auto add16 = [&](uint16_t v) { ico.append(reinterpret_cast<const char*>(&v), 2); };
  auto add32 = [&](uint32_t v) { ico.append(reinterpret_cast<const char*>(&v), 4); };
  add16(0);
  add16(1);
  add16(1);
  ico += std::string("\x02\x02\x00\x00", 4);
  add16(1);
  add16(24);
  add32(uint32_t(dibBytes.size()));
  add32(22);
  ico += dibBytes;
  std::ofstream(dir + "i.ico", std::ios::binary) << ico;
  std::tie(rc, out) = run("64082 ICON \"i.ico\"\n");
  EXPECT_EQ(rc, 0) << out;
  std::string cut = ico;
  uint32_t far = 1000;
  std::memcpy(&cut[18], &far, 4);
  std::ofstream(dir + "i.ico", std::ios::binary | std::ios::trunc) << cut;
  std::tie(rc, out) = run("64082 ICON \"i.ico\"\n");
  EXPECT_NE(out.find("damaged icon file"), std::string::npos) << out;
}

}  // namespace
