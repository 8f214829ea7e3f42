// Change counters shared by every process on a machine root: one page of the file <root>/sync/generations,
// mapped once per process and root. A platform call that replaces a stored file (spooler records, the
// system profile) bumps its area's counter after the file is in place; a process that keeps a parsed copy
// of such a file compares one counter instead of asking the host about the file on every call, and still
// sees another process's change at its next call. Internal to the platform library.
#pragma once
#include <cstdint>

namespace kvp::gen {

enum Area : unsigned { kSpooler = 0, kSystemProfile = 1, kAreaCount = 2 };

// The area's counter on the current root. When the page cannot be mapped (no root folder yet, an
// unwritable root) every call answers a new value, so a copy compared against it is never reused.
uint64_t Current(Area area);

// Marks a change of the area's stored files; every process sees a new Current() from now on.
void Bump(Area area);

// A monotonic clock in milliseconds that costs no call into the host: copies kept on a counter also
// look at their file now and then (see below), for files changed by other means than the platform.
int64_t CoarseNowMs();

// How long a copy checked against its counter is trusted before its file's identity on disk is looked
// at again (edits made outside the platform, by hand or by another program, are seen within this time).
constexpr int64_t kOutsideCheckMs = 1000;

}  // namespace kvp::gen
