// Clocks: tick counts, system (UTC) and local time, file-time conversions, Sleep; and the virtual clock
// tests set and advance.
//
// Both clocks are shifted by the profile's ClockOffsetMs (signed decimal milliseconds, 64 bits: a test or
// a user can move a whole machine's clock, for example just before the 32-bit tick wrap; the tick count
// never goes below 0). With the virtual clock on, the tick count and the wall clock stand still except when a test
// advances them (AdvanceClock) or a thread of the process calls Sleep, which then advances the clock by
// the time asked instead of waiting. Waits on synchronisation objects always take real time.
#pragma once
#include "kvplat/types.h"

#define INFINITE 0xFFFFFFFF

// Milliseconds since the machine started: 32 bits, wrapping after 49.7 days, and 64 bits.
KVAPI DWORD GetTickCount(void);
KVAPI ULONGLONG GetTickCount64(void);
KVAPI void GetSystemTime(LPSYSTEMTIME st);
// Local time: the system time moved by the host's time-zone offset at that moment.
KVAPI void GetLocalTime(LPSYSTEMTIME st);
KVAPI void GetSystemTimeAsFileTime(LPFILETIME ft);
// FileTimeToSystemTime: FALSE with ERROR_INVALID_PARAMETER for null arguments or a time beyond the
// 63-bit range. SystemTimeToFileTime: FALSE with ERROR_INVALID_PARAMETER for a field out of range (month,
// day of that month, hour, minute, second, millisecond; years 1601-30827); the day of week is ignored.
KVAPI BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st);
KVAPI BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft);
// -1, 0 or 1 as *a is earlier than, equal to or later than *b.
KVAPI LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
KVAPI void Sleep(DWORD ms);

namespace kvp {
// File time (100 ns since 1601-01-01 UTC) <-> Unix time in nanoseconds, for the file area.
ULONGLONG FileTimeFromUnixNs(int64_t ns);
int64_t UnixNsFromFileTime(ULONGLONG ft);
inline ULONGLONG FileTimeValue(const FILETIME& f) { return (ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime; }
inline FILETIME MakeFileTime(ULONGLONG v) { return FILETIME{DWORD(v), DWORD(v >> 32)}; }
}  // namespace kvp

namespace kvp::test {
// Turns the virtual clock on (keeping the current values when it was off) and sets the tick count.
void SetTickCount(ULONGLONG ms);
// Turns the virtual clock on and sets the wall clock (UTC, before the profile's offset).
void SetSystemTime(const SYSTEMTIME& utc);
// Turns the virtual clock on and moves both clocks forward.
void AdvanceClock(ULONGLONG ms);
// Back to the host's clocks.
void UseRealClock();
bool IsVirtualClock();
}  // namespace kvp::test
