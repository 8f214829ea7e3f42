// Clocks, the virtual clock and file-time conversions.
#include <gtest/gtest.h>

#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvplat/time.h"
#include "kvtest/temp_root.h"

namespace {
struct VirtualClock {
  ~VirtualClock() { kvp::test::UseRealClock(); }
};
}  // namespace

TEST(Time, TickCountWrapsAt32Bits) {
  kvtest::TempRoot root;
  VirtualClock vc;
  kvp::test::SetTickCount(0xFFFFFFFFull - 5);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFFAu);
  DWORD before = GetTickCount();
  kvp::test::AdvanceClock(10);
  EXPECT_EQ(GetTickCount(), 4u);
  EXPECT_EQ(GetTickCount64(), 0x100000004ull);
  EXPECT_EQ(DWORD(GetTickCount() - before), 10u);  // unsigned difference survives the wrap
  Sleep(250);                                      // the virtual clock moves instead of waiting
  EXPECT_EQ(GetTickCount(), 254u);
  kvp::ProfileSet("ClockOffsetMs", "-1000");
  EXPECT_EQ(GetTickCount64(), 0x100000004ull + 250 - 1000);
  // An offset puts a whole machine just before the wrap, whatever its own uptime.
  kvp::test::SetTickCount(1000);
  kvp::ProfileSet("ClockOffsetMs", "4294966000");
  EXPECT_EQ(GetTickCount(), 4294967000u);
  kvp::test::AdvanceClock(1000);
  EXPECT_EQ(GetTickCount(), 704u);
  kvp::ProfileSet("ClockOffsetMs", "-5000");
  EXPECT_EQ(GetTickCount64(), 0u);
}

TEST(Time, VirtualWallClockAndOffset) {
  kvtest::TempRoot root;
  VirtualClock vc;
  SYSTEMTIME set{2024, 2, 0, 29, 23, 59, 59, 500};
  kvp::test::SetSystemTime(set);
  kvp::test::AdvanceClock(600);
  SYSTEMTIME now;
  GetSystemTime(&now);
  EXPECT_EQ(now.wYear, 2024);
  EXPECT_EQ(now.wMonth, 3);
  EXPECT_EQ(now.wDay, 1);
  EXPECT_EQ(now.wHour, 0);
  EXPECT_EQ(now.wMilliseconds, 100);
  EXPECT_EQ(now.wDayOfWeek, 5);  // a Friday
  kvp::ProfileSet("ClockOffsetMs", "3600000");
  GetSystemTime(&now);
  EXPECT_EQ(now.wHour, 1);
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  SYSTEMTIME back;
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wHour, 1);
  GetLocalTime(&now);  // the host's zone: only sane fields can be checked
  EXPECT_GE(now.wYear, 2024);
  EXPECT_LE(now.wHour, 23);

  // An offset beyond the clock's range, as a damaged profile may hold, counts as unreadable: no offset.
  for (const char* off : {"9223372036854775807", "-9223372036854775808", "99999999999999999999"}) {
    SCOPED_TRACE(off);
    kvp::ProfileSet("ClockOffsetMs", off);
    GetSystemTime(&now);
    EXPECT_EQ(now.wYear, 2024);
    EXPECT_EQ(now.wMonth, 3);
    EXPECT_EQ(now.wHour, 0);
    GetTickCount64();
  }
}

TEST(Time, FileTimeConversions) {
  struct Case {
    SYSTEMTIME st;
    ULONGLONG ft;
  } cases[] = {
      {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ull},
      {{2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000ull},
      {{2038, 1, 2, 19, 3, 14, 8, 0}, 137919572480000000ull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.st.wYear);
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
    EXPECT_EQ(kvp::FileTimeValue(ft), c.ft);
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(0, memcmp(&back, &c.st, sizeof back));
  }
  SYSTEMTIME bad[] = {
      {1600, 12, 0, 31, 0, 0, 0, 0}, {2023, 2, 0, 29, 0, 0, 0, 0}, {2024, 13, 0, 1, 0, 0, 0, 0},
      {2024, 1, 0, 1, 24, 0, 0, 0},  {2024, 1, 0, 1, 0, 60, 0, 0}, {2024, 1, 0, 1, 0, 0, 0, 1000},
  };
  for (const auto& b : bad) {
    FILETIME ft;
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToFileTime(&b, &ft));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  }
  FILETIME huge{0, 0x80000000u};
  SYSTEMTIME st;
  EXPECT_FALSE(FileTimeToSystemTime(&huge, &st));
  FILETIME a{5, 1}, b{4, 2};
  EXPECT_EQ(CompareFileTime(&a, &b), -1);
  EXPECT_EQ(CompareFileTime(&b, &a), 1);
  EXPECT_EQ(CompareFileTime(&a, &a), 0);
}
