// System profile, version, locale and name queries.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvtest/temp_root.h"

TEST(Profile, DefaultsAndChangesSeenAtOnce) {
  kvtest::TempRoot root;
  EXPECT_EQ(kvp::ProfileGetInt("ACP", 0), 1252u);
  EXPECT_EQ(kvp::ProfileGetInt("userlocale", 0), 0x0409u);  // keys without case, hex numbers
  EXPECT_EQ(kvp::ProfileGetString("UserName", ""), "user");
  EXPECT_EQ(kvp::ProfileGetInt("NoSuchKey", 77), 77u);
  EXPECT_EQ(kvp::ProfileSet("ACP", "932"), (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(kvp::ProfileSet("NewKey", "x y"), (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(kvp::ProfileGetString("newkey", ""), "x y");
  EXPECT_EQ(kvp::ProfileGetInt("NewKey", 5), 5u);  // not a number
  // A file written behind the platform's back is seen once the change is noted, even with the same size
  // within the same timestamp tick; unnoted, within the outside-check time.
  for (const char* v : {"1250", "1251"}) {
    std::ofstream(root.path() + "/machine.ini") << "[Other]\nACP=1\n[System]\nACP=" << v << "\n";
    kvp::test::NoteOutsideChange();
    EXPECT_EQ(GetACP(), (UINT)std::stoul(v));
  }
  std::ofstream(root.path() + "/machine.ini") << "[Other]\nACP=1\n[System]\nACP=1257\n";
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(GetACP(), 1257u);
  EXPECT_EQ(kvp::ProfileSet("", "1"), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_EQ(kvp::ProfileSet("A", "1\nB=2"), (DWORD)ERROR_INVALID_PARAMETER);
  kvp::test::FailWriteAt(1);
  EXPECT_EQ(kvp::ProfileSet("ACP", "1252"), (DWORD)ERROR_WRITE_FAULT);
  kvp::test::FailWriteAt(0);
  EXPECT_EQ(GetACP(), 1257u);
}

TEST(Profile, TwoProcessesWritingAtOnceLoseNoKey) {
  kvtest::TempRoot root;
  pid_t pids[2];
  for (int p = 0; p < 2; ++p) {
    pids[p] = fork();
    if (pids[p] == 0) {
      for (int i = 0; i < 40; ++i)
        if (kvp::ProfileSet(("Key" + std::to_string(p) + "_" + std::to_string(i)).c_str(), std::to_string(i))) _exit(1);
      _exit(0);
    }
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < 2; ++p)
    for (int i = 0; i < 40; ++i) EXPECT_EQ(kvp::ProfileGetInt(("key" + std::to_string(p) + "_" + std::to_string(i)).c_str(), 999), DWORD(i));
  EXPECT_EQ(GetACP(), 1252u);  // the defaults written by the root's creation survive too
}

// The parsed profile is kept, but a switch set by another process is seen at this process's next call,
// also when the file keeps its size and is replaced within one timestamp tick.
TEST(Profile, AnotherProcessesChangeIsSeenAtTheNextCall) {
  kvtest::TempRoot root;
  for (const char* v : {"932", "936", "1250"}) {
    ASSERT_NE(GetACP(), (UINT)std::stoul(v));  // the copy is made (or confirmed) now
    pid_t pid = fork();
    if (pid == 0) _exit(kvp::ProfileSet("ACP", v) == ERROR_SUCCESS ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(GetACP(), (UINT)std::stoul(v));
  }
}

TEST(Profile, RootChangeDropsCache) {
  kvtest::TempRoot a;
  kvp::ProfileSet("UserName", "alice");
  EXPECT_EQ(kvp::ProfileGetString("UserName", ""), "alice");
  kvtest::TempRoot b;
  EXPECT_EQ(kvp::ProfileGetString("UserName", ""), "user");
}

TEST(Version, BasicAndExtendedRecords) {
  kvtest::TempRoot root;
  OSVERSIONINFOEXW ex{};
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
  EXPECT_EQ(ex.dwMajorVersion, 10u);
  EXPECT_EQ(ex.dwPlatformId, (DWORD)VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(ex.wProductType, VER_NT_WORKSTATION);
  EXPECT_EQ(ex.wSuiteMask & VER_SUITE_TERMINAL, 0);

  kvp::ProfileSet("OSMajor", "5");
  kvp::ProfileSet("OSMinor", "2");
  kvp::ProfileSet("ProductType", "3");
  kvp::ProfileSet("TerminalServer", "1");
  kvp::ProfileSet("ServicePackMajor", "4");
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
  EXPECT_EQ(ex.dwMajorVersion * 10 + ex.dwMinorVersion, 52u);
  EXPECT_EQ(ex.wProductType, VER_NT_SERVER);
  EXPECT_EQ(ex.wServicePackMajor, 4);
  EXPECT_EQ(ex.wSuiteMask & VER_SUITE_TERMINAL, VER_SUITE_TERMINAL);

  OSVERSIONINFOW basic{};
  basic.dwOSVersionInfoSize = sizeof basic;
  EXPECT_TRUE(GetVersionExW(&basic));
  basic.dwOSVersionInfoSize = 100;
  SetLastError(0);
  EXPECT_FALSE(GetVersionExW(&basic));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(GetVersionExW(nullptr));
}

TEST(Version, VerifyVersionInfo) {
  kvtest::TempRoot root;
  auto verify = [](DWORD major, DWORD minor, BYTE cond) {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    ULONGLONG m = VerSetConditionMask(0, VER_MAJORVERSION, cond);
    m = VerSetConditionMask(m, VER_MINORVERSION, cond);
    return VerifyVersionInfoW(&v, VER_MAJORVERSION | VER_MINORVERSION, m);
  };
  EXPECT_TRUE(verify(6, 1, VER_GREATER_EQUAL));  // 10.0 >= 6.1 although 0 < 1
  EXPECT_FALSE(verify(10, 1, VER_GREATER_EQUAL));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_OLD_WIN_VERSION);
  EXPECT_TRUE(verify(10, 0, VER_EQUAL));
  EXPECT_TRUE(verify(11, 0, VER_LESS));

  auto terminal = [] {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.wSuiteMask = VER_SUITE_TERMINAL;
    return VerifyVersionInfoW(&v, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_AND));
  };
  EXPECT_FALSE(terminal());
  kvp::ProfileSet("TerminalServer", "1");
  EXPECT_TRUE(terminal());
  OSVERSIONINFOEXW v{};
  EXPECT_FALSE(VerifyVersionInfoW(&v, 0, 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_BAD_ARGUMENTS);
}

TEST(Locale, InfoTable) {
  kvtest::TempRoot root;
  struct Case {
    LCID lcid;
    LCTYPE type;
    const char16_t* want;
  } cases[] = {
      {LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, u"1"},
      {0x0411, LOCALE_ICOUNTRY, u"81"},
      {0x0411, LOCALE_IDEFAULTANSICODEPAGE, u"932"},
      {0x0804, LOCALE_IDEFAULTCODEPAGE, u"936"},
      {0x0412, LOCALE_SISO639LANGNAME, u"ko"},
      {0x0404, LOCALE_SISO3166CTRYNAME, u"TW"},
      {0x0405, LOCALE_IDEFAULTANSICODEPAGE, u"1250"},
      {0x0419, LOCALE_IDEFAULTANSICODEPAGE, u"1251"},
      {0x0407, LOCALE_ICOUNTRY, u"49"},
      {0x0407, LOCALE_SNAME, u"de-DE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lcid);
    WCHAR buf[32];
    int need = GetLocaleInfoW(c.lcid, c.type, nullptr, 0);
    EXPECT_EQ(need, int(std::u16string_view(c.want).size() + 1));
    EXPECT_EQ(GetLocaleInfoW(c.lcid, c.type, buf, 32), need);
    EXPECT_EQ(std::u16string_view(buf), c.want);
    char abuf[32];
    EXPECT_EQ(GetLocaleInfoA(c.lcid, c.type, abuf, 32), need);
  }
  WCHAR small[2];
  SetLastError(0);
  EXPECT_EQ(GetLocaleInfoW(0x0411, LOCALE_ICOUNTRY, small, 2), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(GetLocaleInfoW(0x1234, LOCALE_ICOUNTRY, small, 2), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  DWORD n = 0;
  EXPECT_EQ(GetLocaleInfoW(0x0411, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPWSTR>(&n), 2), 2);
  EXPECT_EQ(n, 932u);

  kvp::ProfileSet("UserLocale", "0x0411");
  kvp::ProfileSet("UILanguage", "0x0407");
  EXPECT_EQ(GetUserDefaultLCID(), 0x0411u);
  EXPECT_EQ(GetUserDefaultLangID(), 0x0411);
  EXPECT_EQ(GetUserDefaultUILanguage(), 0x0407);
  EXPECT_EQ(GetSystemDefaultLCID(), 0x0409u);
  WCHAR buf[8];
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, buf, 7), 3);
  EXPECT_EQ(std::u16string_view(buf), u"81");
}

TEST(Names, BufferProtocols) {
  kvtest::TempRoot root;
  WCHAR buf[64];
  DWORD n = 2;
  EXPECT_FALSE(GetUserNameW(buf, &n));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(n, 5u);
  EXPECT_TRUE(GetUserNameW(buf, &n));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(std::u16string_view(buf), u"user");
  EXPECT_FALSE(GetUserNameW(buf, nullptr));

  n = 3;
  EXPECT_FALSE(GetComputerNameW(buf, &n));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(n, 10u);
  EXPECT_TRUE(GetComputerNameW(buf, &n));
  EXPECT_EQ(n, 9u);
  EXPECT_EQ(std::u16string_view(buf), u"KVMACHINE");
  EXPECT_EQ(GetOEMCP(), 437u);
}
