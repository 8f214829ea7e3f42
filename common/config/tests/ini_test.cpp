// INI access: the normalised section of a printer name with brackets, writes seen at once (also by a
// second process), deleting keys and sections, truncation, refused section names, missing files, and
// the section lookup in an ANSI INI text.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "config/ini.h"
#include "config/paths.h"
#include "kvplat/file.h"
#include "kvplat/testhooks.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

class Ini : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    printer_ = AddPrinter(u"Plot[A]");
    ctx_ = Context(printer_, 0);
    ASSERT_NE(ctx_, nullptr);
    ini_ = S(CfgGetIniPath(ctx_));
    ASSERT_EQ(ini_, u"C:\\_zarn\\kvdrvset.ini");
    ASSERT_TRUE(CreateDirectoryW(u"C:\\_zarn", nullptr));  // made by the set-up of a real machine
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  const WCHAR* Path() { return ini_.c_str(); }
  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
  std::u16string ini_;
};

TEST_F(Ini, PrinterNameWithBracketsRoundTrips) {
  const WCHAR* section = CfgGetPrinterName(ctx_);
  ASSERT_EQ(S(section), u"Plot[A]");
  ASSERT_TRUE(CfgIniWriteString(section, u"Count", u"0", Path()));
  EXPECT_EQ(CfgIniGetInt(section, u"Count", 7, Path()), 0);
  EXPECT_TRUE(CfgIniWriteString(section, u"PresetList0", u"Draft", Path()));
  WCHAR buf[32];
  EXPECT_EQ(CfgIniGetString(section, u"PresetList0", u"", buf, 32, Path()), 5u);
  EXPECT_EQ(S(buf), u"Draft");
  EXPECT_EQ(S(section), u"Plot[A]");  // the caller's name is not changed
  std::string file = ReadFile(ini_);
  EXPECT_NE(file.find("[Plot,A,]"), std::string::npos) << file;
  EXPECT_EQ(file.find("[Plot[A]]"), std::string::npos);

  WCHAR name[] = u"[x]y[";
  EXPECT_EQ(S(CfgNormalizeSectionName(name)), u",x,y,");
  EXPECT_EQ(CfgNormalizeSectionName(nullptr), nullptr);
}

TEST_F(Ini, WriteIsSeenByASecondProcessAtOnce) {
  ASSERT_TRUE(CfgIniWriteString(u"Plot[A]", u"Count", u"42", Path()));
  EXPECT_EQ(CfgIniGetInt(u"Plot[A]", u"Count", 0, Path()), 42);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(CfgIniGetInt(u"Plot[A]", u"Count", 0, Path()) == 42 ? 0 : 1);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(Ini, DeletingKeysAndSections) {
  CfgIniWriteString(u"FreeSize0us", u"wdmFreeSizeWidth", u"9920", Path());
  CfgIniWriteString(u"FreeSize0us", u"wdmFreeSizeLength", u"14030", Path());
  EXPECT_TRUE(CfgIniWriteString(u"FreeSize0us", u"wdmFreeSizeWidth", nullptr, Path()));
  EXPECT_EQ(CfgIniGetInt(u"FreeSize0us", u"wdmFreeSizeWidth", -1, Path()), -1);
  EXPECT_EQ(CfgIniGetInt(u"FreeSize0us", u"wdmFreeSizeLength", -1, Path()), 14030);
  EXPECT_TRUE(CfgIniWriteString(u"FreeSize0us", nullptr, nullptr, Path()));
  EXPECT_EQ(CfgIniGetInt(u"FreeSize0us", u"wdmFreeSizeLength", -1, Path()), -1);
  EXPECT_EQ(ReadFile(ini_).find("FreeSize0us"), std::string::npos);
}

TEST_F(Ini, TruncationDefaultsAndRefusedNames) {
  CfgIniWriteString(u"us", u"Name", u"0123456789ABCDEFGHIJ", Path());
  WCHAR buf[16];
  std::memset(buf, 0x41, sizeof buf);
  EXPECT_EQ(CfgIniGetString(u"us", u"Name", u"", buf, 16, Path()), 15u);
  EXPECT_EQ(S(buf), u"0123456789ABCDE");
  EXPECT_EQ(CfgIniGetString(u"us", u"Missing", u"dflt", buf, 16, Path()), 4u);
  EXPECT_EQ(S(buf), u"dflt");
  // A missing file reads as defaults.
  EXPECT_EQ(CfgIniGetInt(u"us", u"Name", 5, u"C:\\nowhere\\none.ini"), 5);
  EXPECT_EQ(CfgIniGetString(u"us", u"Name", u"d", buf, 16, u"C:\\nowhere\\none.ini"), 1u);
  // A section name longer than 260 characters: reads give the default, writes fail.
  std::u16string longName(261, u's');
  EXPECT_FALSE(CfgIniWriteString(longName.c_str(), u"Key", u"1", Path()));
  EXPECT_EQ(CfgIniGetInt(longName.c_str(), u"Key", 9, Path()), 9);
  EXPECT_EQ(CfgIniGetString(longName.c_str(), u"Key", u"0123456789ABCDEFGHIJ", buf, 16, Path()), 15u);
  EXPECT_EQ(S(buf), u"0123456789ABCDE");
  std::u16string maxName(260, u's');
  EXPECT_TRUE(CfgIniWriteString(maxName.c_str(), u"Key", u"1", Path()));
  EXPECT_EQ(CfgIniGetInt(maxName.c_str(), u"Key", 9, Path()), 1);
}

TEST_F(Ini, UnreadableIniGivesDefaults) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\_zarn\\folder.ini", nullptr));
  WCHAR buf[8];
  EXPECT_EQ(CfgIniGetInt(u"us", u"Key", 4, u"C:\\_zarn\\folder.ini"), 4);
  EXPECT_EQ(CfgIniGetString(u"us", u"Key", u"d", buf, 8, u"C:\\_zarn\\folder.ini"), 1u);
  EXPECT_FALSE(CfgIniWriteString(u"us", u"Key", u"1", u"C:\\_zarn\\folder.ini"));
  WriteFile(u"C:\\_zarn\\junk.ini", std::string("\0\xff\xfe[\x01\n=\n[us\n", 12));
  EXPECT_EQ(CfgIniGetInt(u"us", u"Key", 4, u"C:\\_zarn\\junk.ini"), 4);
}

TEST_F(Ini, NoWorkingBufferMeansDefaultsAndNoWrite) {
  WCHAR buf[8];
  CfgIniWriteString(u"us", u"Key", u"5", Path());
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(CfgIniGetInt(u"us", u"Key", 3, Path()), 3);
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(CfgIniGetString(u"us", u"Key", u"default", buf, 4, Path()), 3u);
  EXPECT_EQ(S(buf), u"def");
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(CfgIniWriteString(u"us", u"Key", u"6", Path()));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(CfgIniGetInt(u"us", u"Key", 3, Path()), 5);
}

TEST(IniText, SectionLookup) {
  const std::string text =
      "[Plotter2]\r\nA=1\r\n"
      "[plotter]\r\nB=2\r\n; note [x]\r\nC=3\r\n"
      "[Next]\r\nD=4\r\n";
  DWORD len = 0;
  const char* s = CfgFindIniSectionText("PLOTTER", text.c_str(), (DWORD)text.size(), &len);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s - text.c_str(), (ptrdiff_t)text.find("[plotter]"));
  EXPECT_EQ(std::string(s, len), "[plotter]\r\nB=2\r\n; note [x]\r\nC=3\r\n");
  EXPECT_EQ(CfgFindIniSectionText("Plot", text.c_str(), (DWORD)text.size(), nullptr), nullptr);
  EXPECT_EQ(CfgFindIniSectionText("Missing", text.c_str(), (DWORD)text.size(), &len), nullptr);
  EXPECT_EQ(len, 0u);
  // The last section runs to the given length; a length that cuts the text stops the search.
  s = CfgFindIniSectionText("next", text.c_str(), (DWORD)text.size(), &len);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(std::string(s, len), "[Next]\r\nD=4\r\n");
  EXPECT_EQ(CfgFindIniSectionText("next", text.c_str(), (DWORD)text.find("[Next]") + 3, nullptr), nullptr);
  EXPECT_EQ(CfgFindIniSectionText("x", nullptr, 10, nullptr), nullptr);
}

// The text need not be terminated: nothing is read at or past the given length.
TEST(IniText, ReadsOnlyWithinTheLength) {
  const std::string src = "[A]\nk=v\n[Bee]\nx=1";
  std::vector<char> exact(src.begin(), src.end());  // no terminator
  DWORD len = 0;
  const char* s = CfgFindIniSectionText("bee", exact.data(), (DWORD)exact.size(), &len);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(std::string(s, len), "[Bee]\nx=1");
  EXPECT_EQ(CfgFindIniSectionText("Beex", exact.data(), (DWORD)exact.size(), &len), nullptr);
  std::vector<char> header = {'[', 'B', 'e', 'e'};  // cut inside the header
  EXPECT_EQ(CfgFindIniSectionText("Bee", header.data(), (DWORD)header.size(), &len), nullptr);
}

TEST(IniText, SkipLine) {
  const char text[] = "ab\ncd";
  DWORD n = 0;
  const char* p = CfgSkipTextLine(text, &n);
  EXPECT_EQ(p, text + 3);
  EXPECT_EQ(n, 3u);
  p = CfgSkipTextLine(p, &n);
  EXPECT_EQ(p, text + 6);  // one past the terminator
  EXPECT_EQ(n, 3u);
}
