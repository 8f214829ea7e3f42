// Tick counts, wall clock and file-time conversions over the host clocks or the virtual clock.
#include "kvplat/time.h"

#include <sched.h>
#include <time.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <mutex>

#include "kvplat/error.h"
#include "kvplat/sysinfo.h"

namespace {

constexpr int64_t kEpochDiff100ns = 116444736000000000LL;  // 1601-01-01 to 1970-01-01 in 100 ns
constexpr int64_t kDay100ns = 864000000000LL;

std::mutex g_mu;
bool g_virtual = false;
ULONGLONG g_vTick = 0;    // virtual tick count in ms
int64_t g_vWallNs = 0;    // virtual wall clock, Unix ns

ULONGLONG HostTickMs() {
  timespec ts;
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return ULONGLONG(ts.tv_sec) * 1000 + ULONGLONG(ts.tv_nsec) / 1000000;
}
int64_t HostWallNs() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The profile's clock offset: signed milliseconds, 64 bits wide so a machine can be put just before the
// 32-bit tick wrap (about 49.7 days); anything unreadable counts as 0.
int64_t OffsetMs() {
  std::string v = kvp::ProfileGetString("ClockOffsetMs", "0");
  char* end = nullptr;
  long long ms = std::strtoll(v.c_str(), &end, 10);
  return (end && *end == 0) ? int64_t(ms) : 0;
}

int64_t WallNs() {
  int64_t base;
  {
    std::lock_guard<std::mutex> g(g_mu);
    base = g_virtual ? g_vWallNs : HostWallNs();
  }
  // An offset too large for the clock's range (a damaged or hostile profile) counts as unreadable.
  int64_t offNs, ns;
  if (__builtin_mul_overflow(OffsetMs(), int64_t(1000000), &offNs) || __builtin_add_overflow(base, offNs, &ns))
    return base;
  return ns;
}

void MakeVirtualLocked() {
  if (g_virtual) return;
  g_vTick = HostTickMs();
  g_vWallNs = HostWallNs();
  g_virtual = true;
}

// Days from 1601-01-01 to y-m-d (proleptic Gregorian), and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468 + 134774;  // 134774 days from 1601-01-01 to 1970-01-01
}
void CivilFromDays(int64_t z, int* y, unsigned* m, unsigned* d) {
  z -= 134774;
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = int64_t(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = int(yy + (*m <= 2));
}

bool Leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
unsigned DaysIn(int y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && Leap(y) ? 29 : days[m - 1];
}

void SplitFileTime(ULONGLONG ft, LPSYSTEMTIME st) {
  int64_t days = int64_t(ft / kDay100ns);
  ULONGLONG rest = ft % kDay100ns;
  int y;
  unsigned m, d;
  CivilFromDays(days, &y, &m, &d);
  st->wYear = WORD(y);
  st->wMonth = WORD(m);
  st->wDay = WORD(d);
  st->wDayOfWeek = WORD((days + 1) % 7);  // 1601-01-01 was a Monday
  ULONGLONG ms = rest / 10000;
  st->wHour = WORD(ms / 3600000);
  st->wMinute = WORD(ms / 60000 % 60);
  st->wSecond = WORD(ms / 1000 % 60);
  st->wMilliseconds = WORD(ms % 1000);
}

}  // namespace

namespace kvp {
ULONGLONG FileTimeFromUnixNs(int64_t ns) {
  int64_t v = ns / 100 + kEpochDiff100ns;
  return v < 0 ? 0 : ULONGLONG(v);
}
int64_t UnixNsFromFileTime(ULONGLONG ft) { return (int64_t(ft) - kEpochDiff100ns) * 100; }
}  // namespace kvp

KVAPI ULONGLONG GetTickCount64(void) {
  ULONGLONG base;
  {
    std::lock_guard<std::mutex> g(g_mu);
    base = g_virtual ? g_vTick : HostTickMs();
  }
  int64_t off = OffsetMs();
  if (off < 0 && ULONGLONG(0) - ULONGLONG(off) > base) return 0;  // a clock moved back never runs below the start
  return base + ULONGLONG(off);
}
KVAPI DWORD GetTickCount(void) { return DWORD(GetTickCount64()); }

KVAPI void GetSystemTimeAsFileTime(LPFILETIME ft) {
  if (ft) *ft = kvp::MakeFileTime(kvp::FileTimeFromUnixNs(WallNs()));
}

KVAPI void GetSystemTime(LPSYSTEMTIME st) {
  if (st) SplitFileTime(kvp::FileTimeFromUnixNs(WallNs()), st);
}

KVAPI void GetLocalTime(LPSYSTEMTIME st) {
  if (!st) return;
  int64_t ns = WallNs();
  time_t secs = time_t(ns / 1000000000);
  tm local{};
  localtime_r(&secs, &local);
  SplitFileTime(kvp::FileTimeFromUnixNs(ns + int64_t(local.tm_gmtoff) * 1000000000), st);
}

KVAPI BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st) {
  if (!ft || !st || (ft->dwHighDateTime & 0x80000000u)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SplitFileTime(kvp::FileTimeValue(*ft), st);
  return TRUE;
}

KVAPI BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft) {
  if (!st || !ft || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
      st->wDay > DaysIn(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 ||
      st->wMilliseconds > 999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay);
  ULONGLONG v = ULONGLONG(days) * kDay100ns +
                (ULONGLONG(st->wHour) * 3600000 + st->wMinute * 60000u + st->wSecond * 1000u + st->wMilliseconds) * 10000;
  *ft = kvp::MakeFileTime(v);
  return TRUE;
}

KVAPI LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  if (!a || !b) return 0;
  ULONGLONG x = kvp::FileTimeValue(*a), y = kvp::FileTimeValue(*b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

KVAPI void Sleep(DWORD ms) {
  bool advanced = false;
  {
    std::lock_guard<std::mutex> g(g_mu);
    if (g_virtual && ms != INFINITE) {
      g_vTick += ms;
      g_vWallNs += int64_t(ms) * 1000000;
      advanced = true;
    }
  }
  if (advanced) {
    sched_yield();  // let the threads the caller waits for run, as a real sleep would
    return;
  }
  if (ms == INFINITE) {
    for (;;) {
      timespec ts{3600, 0};
      nanosleep(&ts, nullptr);
    }
  }
  timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

namespace kvp::test {
void SetTickCount(ULONGLONG ms) {
  std::lock_guard<std::mutex> g(g_mu);
  MakeVirtualLocked();
  g_vTick = ms;
}
void SetSystemTime(const SYSTEMTIME& utc) {
  FILETIME ft;
  if (!SystemTimeToFileTime(&utc, &ft)) return;
  std::lock_guard<std::mutex> g(g_mu);
  MakeVirtualLocked();
  g_vWallNs = kvp::UnixNsFromFileTime(kvp::FileTimeValue(ft));
}
void AdvanceClock(ULONGLONG ms) {
  std::lock_guard<std::mutex> g(g_mu);
  MakeVirtualLocked();
  g_vTick += ms;
  g_vWallNs += int64_t(ms) * 1000000;
}
void UseRealClock() {
  std::lock_guard<std::mutex> g(g_mu);
  g_virtual = false;
}
bool IsVirtualClock() {
  std::lock_guard<std::mutex> g(g_mu);
  return g_virtual;
}
}  // namespace kvp::test
