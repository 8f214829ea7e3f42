// The in-memory INI text engine: key matching at the '=', duplicate keys and the cursor, lookups that
// wrap, cut values, composition past the first buffer, section replacement order and its safety
// against failed writes and a killed writer; and the readers beside the INI files (printer-data
// folders, user-function rights, the per-user switch).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "config/ini.h"
#include "config/ini_text.h"
#include "config/paths.h"
#include "kvplat/file.h"
#include "kvplat/registry.h"
#include "kvplat/testhooks.h"
#include "settings/context.h"
#include "settings/units.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

// A reader text of the engine from inline text (with its terminating zero).
struct Text {
  explicit Text(const std::string& s) : bytes(s) {}
  const char* Body(const WCHAR* section) const { return CfgIniTextFindSection(section, bytes.c_str()); }
  std::string bytes;
};

std::u16string Get(const char* body, const WCHAR* key, DWORD* cursor, WORD capacity = 64) {
  WCHAR buf[64];
  CfgIniTextGetString(key, u"<none>", buf, capacity, body, cursor);
  return S(buf);
}

}  // namespace

TEST(IniTextEngine, KeysMatchExactlyAtTheEqualSign) {
  Text t(
      "[S]\r\nFooBar=1\r\nkey = 2\r\nFoo=3\r\nEmpty=\r\n"
      "[Other]\r\nFoo=9\r\n");
  const char* body = t.Body(u"s");
  ASSERT_NE(body, nullptr);
  struct Case {
    const WCHAR* key;
    const char16_t* value;
  } cases[] = {
      {u"Foo", u"3"},         // not the FooBar line before it
      {u"FOOBAR", u"1"},      // case-insensitive
      {u"key", u"<none>"},    // blanks around the '=' are part of the key
      {u"key ", u" 2"},       // and of the value: nothing is trimmed
      {u"Fo", u"<none>"},     // a prefix of a key
      {u"Empty", u""},        // present and empty
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << kvp::ToUtf8(c.key));
    DWORD cursor = 0;
    EXPECT_EQ(Get(body, c.key, &cursor), c.value);
  }
  DWORD cursor = 0;
  EXPECT_EQ(CfgIniTextGetInt(u"Empty", 42, body, &cursor), 42);
  EXPECT_EQ(CfgIniTextGetInt(u"Foo", 42, body, &cursor), 3);
  // The section ends at the next header: the other section's key is not seen.
  cursor = 0;
  EXPECT_EQ(Get(t.Body(u"Other"), u"FooBar", &cursor), u"<none>");
}

TEST(IniTextEngine, SectionHeadersAndNames) {
  Text t("[Name]\nA=1\n  [Blank]\nB=2\n[x,y,]\nC=3\n[Last]");
  EXPECT_NE(t.Body(u"name"), nullptr);
  EXPECT_EQ(t.Body(u"Blank"), nullptr);   // a header must begin its line
  EXPECT_EQ(t.Body(u"Nam"), nullptr);     // the name must end at the ']'
  ASSERT_NE(t.Body(u"x[y]"), nullptr);    // brackets in a name are looked up as ','
  DWORD cursor = 0;
  EXPECT_EQ(Get(t.Body(u"x[y]"), u"C", &cursor), u"3");
  // A header on the last line gives the end of the text: an empty body.
  const char* last = t.Body(u"Last");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(*last, 0);
  cursor = 0;
  EXPECT_EQ(Get(last, u"A", &cursor), u"<none>");
  EXPECT_EQ(CfgIniTextFindSection(u"Name", nullptr), nullptr);
}

TEST(IniTextEngine, DuplicateKeysCursorAndWrapAround) {
  Text t("[S]\r\nA=first\r\nB=b\r\nA=second\r\nC=c\r\n[T]\r\nA=other\r\n");
  const char* body = t.Body(u"S");
  DWORD cursor = 0;
  EXPECT_EQ(Get(body, u"A", &cursor), u"first");
  DWORD afterFirst = cursor;
  EXPECT_EQ(std::string(body + cursor, 3), "B=b");
  EXPECT_EQ(Get(body, u"A", &cursor), u"second");  // the one at or after the cursor
  // Reverse order of the file: each is found by wrapping, and the cursor ends after it.
  cursor = (DWORD)(std::strstr(body, "C=c") - body);
  for (const char16_t* key : {u"C", u"B", u"A"}) {
    SCOPED_TRACE(kvp::ToUtf8(key));
    DWORD before = cursor;
    std::u16string v = Get(body, key, &cursor);
    EXPECT_NE(v, u"<none>");
    EXPECT_NE(cursor, before);
  }
  EXPECT_EQ(body + cursor, std::strstr(body, "C=c"));  // A was the duplicate at or after the cursor
  // Not found from the middle: the cursor stays; from 0 the section is scanned once.
  cursor = afterFirst;
  EXPECT_EQ(Get(body, u"Z", &cursor), u"<none>");
  EXPECT_EQ(cursor, afterFirst);
  cursor = 0;
  EXPECT_EQ(Get(body, u"Z", &cursor), u"<none>");
  EXPECT_EQ(cursor, 0u);
  // No body: the default and a cursor of 0; no cursor: the default.
  cursor = 7;
  EXPECT_EQ(Get(nullptr, u"A", &cursor), u"<none>");
  EXPECT_EQ(cursor, 0u);
  EXPECT_EQ(Get(body, u"A", nullptr), u"<none>");
}

// A cursor that no lookup of this text can have left, past its end, reads nothing beyond the text: it
// answers "no more keys" and starts the next lookup afresh. A cursor at the end still wraps.
TEST(IniTextEngine, ACursorPastTheTextFindsNothing) {
  const char kText[] = "K=v\r\nL=w\r\n";
  std::unique_ptr<char[]> body(new char[sizeof kText]);  // exactly the text, so a read past it is seen
  std::memcpy(body.get(), kText, sizeof kText);
  for (DWORD start : {(DWORD)sizeof kText, 4000u, 0xFFFFFFF0u}) {
    SCOPED_TRACE(start);
    DWORD cursor = start;
    EXPECT_EQ(Get(body.get(), u"K", &cursor), u"<none>");
    EXPECT_EQ(cursor, 0u);
  }
  DWORD cursor = sizeof kText - 1;
  EXPECT_EQ(Get(body.get(), u"L", &cursor), u"w");
  EXPECT_EQ(cursor, sizeof kText - 1);
}

TEST(IniTextEngine, LongValuesAreCutAndTheCursorStillMoves) {
  Text t("[S]\nLong=0123456789\nNext=n\n");
  const char* body = t.Body(u"S");
  DWORD cursor = 0;
  WCHAR buf[8];
  std::memset(buf, 0x55, sizeof buf);
  EXPECT_EQ(CfgIniTextGetString(u"Long", u"", buf, 5, body, &cursor), 4);
  EXPECT_EQ(S(buf), u"0123");
  EXPECT_EQ(buf[5], 0x5555);  // nothing past the capacity
  EXPECT_EQ(std::string(body + cursor, 6), "Next=n");
  // A default longer than the capacity is cut the same way.
  EXPECT_EQ(CfgIniTextGetString(u"Missing", u"defaultvalue", buf, 5, body, &cursor), 4);
  EXPECT_EQ(S(buf), u"defa");
}

TEST(IniTextEngine, CompositionGrowsPastItsFirstBuffer) {
  INI_TEXT_WRITER w{};
  ASSERT_EQ(CfgIniTextWriterInit(&w), 1);
  EXPECT_EQ(w.capacity, CFG_INI_WRITER_INITIAL);
  ASSERT_EQ(CfgIniTextPutSection(&w, u"Sec[1]"), 1);
  EXPECT_EQ(CfgIniTextPutSection(&w, u""), 1);
  EXPECT_EQ(CfgIniTextPutKey(&w, u"", u"ignored"), 1);
  EXPECT_EQ(CfgIniTextPutKey(&w, u"Empty", u""), 1);
  EXPECT_EQ(CfgIniTextPutKey(&w, nullptr, u"x"), 0);
  EXPECT_EQ(CfgIniTextPutSection(nullptr, u"x"), 0);
  std::u16string big(1000, u'v');
  for (int i = 0; i < 100; ++i) {
    std::u16string key = u"Key" + kvp::FromUtf8(std::to_string(i));
    ASSERT_EQ(CfgIniTextPutKey(&w, key.c_str(), big.c_str()), 1);
  }
  EXPECT_GT(w.length, CFG_INI_WRITER_INITIAL);
  EXPECT_LT(w.length, w.capacity);
  EXPECT_EQ(w.text[w.length], 0);
  EXPECT_EQ(std::string(w.text, 19), "[Sec,1,]\r\nEmpty=\r\nK");
  // The composed text reads back through the engine.
  const char* body = CfgIniTextFindSection(u"Sec[1]", w.text);
  ASSERT_NE(body, nullptr);
  DWORD cursor = 0;
  std::vector<WCHAR> buf(1100);
  EXPECT_EQ(CfgIniTextGetString(u"Key99", u"", buf.data(), 1100, body, &cursor), 1000);
  // A failed growth leaves the text as it was.
  DWORD before = w.length;
  std::u16string huge(w.capacity, u'h');
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(CfgIniTextPutKey(&w, u"Huge", huge.c_str()), 0);
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(w.length, before);
  EXPECT_EQ(w.text[before], 0);
  CfgIniTextWriterFree(&w);
  EXPECT_EQ(w.text, nullptr);
}

class IniTextFiles : public PlotterTest {
 protected:
  int Replace(const WCHAR* section, const std::string& text) {
    return CfgIniFileReplaceSection(ctx_, kFile, section, text.c_str(), (DWORD)text.size());
  }
  static constexpr const char16_t* kFile = u"C:\\settings.rsr";
};

TEST_F(IniTextFiles, LoadingNeedsADrivePathAndCreatesNothing) {
  EXPECT_EQ(CfgLoadIniText(u"relative\\file.ini"), nullptr);
  EXPECT_EQ(CfgLoadIniText(u""), nullptr);
  char* text = CfgLoadIniText(u"C:\\missing.ini");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text[0], 0);
  CfgFreeIniText(text);
  EXPECT_EQ(GetFileAttributesW(u"C:\\missing.ini"), INVALID_FILE_ATTRIBUTES);  // reading made no file
  WriteFile(u"C:\\some.ini", "[A]\nK=v");
  text = CfgLoadIniText(u"C:\\some.ini");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text), "[A]\nK=v");
  CfgFreeIniText(text);
}

TEST_F(IniTextFiles, ReplacedSectionComesFirstAndTheOthersKeepTheirOrder) {
  EXPECT_EQ(Replace(u"Only", "[Only]\r\nX=1\r\n"), 1);  // a missing file gets the new section only
  EXPECT_EQ(ReadFile(kFile), "[Only]\r\nX=1\r\n");
  WriteFile(kFile, "[One]\r\nA=1\r\n[Two]\r\nB=2\r\n[Three]\r\nC=3\r\n");
  EXPECT_EQ(Replace(u"two", "[Two]\r\nB=new\r\n"), 1);
  EXPECT_EQ(ReadFile(kFile), "[Two]\r\nB=new\r\n[One]\r\nA=1\r\n[Three]\r\nC=3\r\n");
  EXPECT_EQ(Replace(u"Four", "[Four]\r\n"), 1);
  EXPECT_EQ(ReadFile(kFile), "[Four]\r\n[Two]\r\nB=new\r\n[One]\r\nA=1\r\n[Three]\r\nC=3\r\n");
  EXPECT_EQ(GetFileAttributesW(u"C:\\settings.rsr.new"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(IniTextFiles, AFailedWriteLeavesTheOldFileWhole) {
  const std::string old = "[One]\r\nA=1\r\n[Two]\r\nB=2\r\n";
  WriteFile(kFile, old);
  for (unsigned n = 1; n <= 2; ++n) {  // the new section, then the section before the replaced one
    SCOPED_TRACE(n);
    StgSetLastError(ctx_, 0);
    kvp::test::FailWriteAt(n);
    EXPECT_EQ(Replace(u"Two", "[Two]\r\nB=3\r\n"), 0);
    kvp::test::FailWriteAt(0);
    EXPECT_EQ(ReadFile(kFile), old);
    EXPECT_NE(StgGetLastError(ctx_), 0u);
    EXPECT_EQ(GetFileAttributesW(u"C:\\settings.rsr.new"), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_EQ(Replace(u"Two", "[Two]\r\nB=3\r\n"), 1);
  EXPECT_EQ(ReadFile(kFile), "[Two]\r\nB=3\r\n[One]\r\nA=1\r\n");
}

TEST_F(IniTextFiles, AKilledWriterLeavesAWholeFile) {
  // Other sections of the file (presets, stamps) must survive whatever moment the writer dies at.
  std::string others;
  for (int i = 0; i < 200; ++i) others += "[Keep" + std::to_string(i) + "]\r\nValue=" + std::string(200, 'k') + "\r\n";
  WriteFile(kFile, others);
  std::string a = "[Target]\r\n" + std::string(300000, 'a') + "\r\n";
  std::string b = "[Target]\r\n" + std::string(300000, 'b') + "\r\n";
  for (int round = 0; round < 3; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) Replace(u"Target", i % 2 ? a : b);
    }
    usleep(30000 + 20000 * round);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    std::string file = ReadFile(kFile);
    bool whole = file == others || file == a + others || file == b + others;
    EXPECT_TRUE(whole) << "round " << round << ": " << file.size() << " bytes";
  }
}

// A section rewrite in one process and single-key writes of another section of the same file in
// another: every key written survives every rewrite.
TEST_F(IniTextFiles, ARewriteInAnotherProcessLosesNoKey) {
  WriteFile(kFile, "[Target]\r\nT=0\r\n");
  constexpr int kRounds = 300;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child's own handle of the global mutex: the parent's would share its lock.
    StgFreeLibraryLocks();
    StgInitLibraryLocks();
    for (int i = 0; i < kRounds; ++i)
      if (!Replace(u"Target", "[Target]\r\nT=" + std::to_string(i) + "\r\n")) _exit(3);
    _exit(0);
  }
  for (int i = 0; i < kRounds; ++i) {
    std::u16string key = u"Key" + kvp::FromUtf8(std::to_string(i));
    ASSERT_TRUE(CfgIniWriteString(u"Other", key.c_str(), u"v", kFile));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  int lost = 0;
  for (int i = 0; i < kRounds; ++i) {
    std::u16string key = u"Key" + kvp::FromUtf8(std::to_string(i));
    WCHAR value[8];
    CfgIniGetString(u"Other", key.c_str(), u"", value, 8, kFile);
    lost += S(value) != u"v";
  }
  EXPECT_EQ(lost, 0);
  WCHAR last[8];
  CfgIniGetString(u"Target", u"T", u"", last, 8, kFile);
  EXPECT_EQ(S(last), kvp::FromUtf8(std::to_string(kRounds - 1)));
}

TEST_F(IniTextFiles, PrinterDataFolders) {
  auto set = [&](const std::u16string& v) {
    ASSERT_EQ(SetPrinterDataW(printer_, (LPWSTR)u"Folder", REG_SZ, (LPBYTE)v.c_str(), (DWORD)(v.size() + 1) * 2),
              (DWORD)ERROR_SUCCESS);
  };
  WCHAR out[260], perUser[260];
  ASSERT_GT(CfgGetUserDataDirForPrinter(perUser, 260, printer_), 0u);
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
  struct Case {
    std::u16string value;
    int result;
    std::u16string folder;
  } cases[] = {
      {u"%userprofile%\\anything", 1, S(perUser)},  // the per-user folder whole, without "_zarn"
      {u"%SystemRoot%\\..\\Data", 1, u"C:\\Windows\\..\\Data\\_zarn"},
      {u"C:\\Data", 1, u"C:\\Data\\_zarn"},
      {u"C:\\Nowhere", 0, u""},                        // not an existing folder
      {u"", 0, u""},
      {u"C:\\" + std::u16string(220, u'd'), 0, u""},  // no room for the names inside it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(c.value));
    set(c.value);
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(CfgGetPrinterDataDir(printer_, u"Folder", out, 260), c.result);
    EXPECT_EQ(S(out), c.folder);
  }
  EXPECT_EQ(CfgGetPrinterDataDir(printer_, u"Missing", out, 260), 0);
  // A destination too small for the folder is a failure and stays untouched.
  set(u"C:\\Data");
  WCHAR small[8] = {u'x', 0};
  EXPECT_EQ(CfgGetPrinterDataDir(printer_, u"Folder", small, 8), 0);
  EXPECT_EQ(S(small), u"x");
}

TEST_F(IniTextFiles, UserRightsFromTheSectionOfThePrinter) {
  WriteFile(std::u16string(kDriverDir) + u"kvdrvmod.ini", "[Plotter]\r\nUserInfomationFile=%SYSTEMROOT%\\rights.ini\r\n");
  WriteFile(u"C:\\Windows\\rights.ini",
            "[Common]\r\nSectionName=Printer\r\n[Plotter]\r\nFunction3=1\r\nFunction8=0\r\nFunction1=1\r\n");
  for (WORD id = 1169; id <= 1184; ++id) StgSetValue(ctx_, id, 7);
  CfgLoadUserFunctionRights(ctx_);
  for (WORD id = 1169; id <= 1184; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(StgGetValue(ctx_, id, nullptr), id == 1171 ? 1u : 0u);  // only Function3, 8 and 12 are read
  }
  // An unknown rule fails: every right becomes 0.
  WriteFile(u"C:\\Windows\\rights.ini", "[Common]\r\nSectionName=Group\r\n[Plotter]\r\nFunction3=1\r\n");
  CfgLoadUserFunctionRights(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, 1171, nullptr), 0u);
}

TEST_F(IniTextFiles, DriverSettingsSwitch) {
  DWORD v = 9;
  EXPECT_EQ(CfgReadDriverSettingsEnabled(&v), 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\KAVRO\\DRIVER\\SETTINGS", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD one = 1;
  RegSetValueExW(key, u"Enabled", 0, REG_DWORD, (const BYTE*)&one, 4);
  RegCloseKey(key);
  EXPECT_EQ(CfgReadDriverSettingsEnabled(&v), 1);
  EXPECT_EQ(v, 1u);
  // Feature bit 1 is clear in this model: the switch is never applied.
  StgSetValue(ctx_, 1170, 5);
  CfgLoadDriverSettingsEnabled(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, 1170, nullptr), 5u);
}
