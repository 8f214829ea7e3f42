// Switches for tests: fail the n-th allocation or file write. Counting starts when a switch is armed.
#pragma once
#include "kvplat/types.h"

namespace kvp::test {

// After FailAllocAt(n), the n-th following GlobalAlloc/LocalAlloc/HeapAlloc fails (n = 1 is the next one);
// 0 disarms. AllocCount() is the number of allocations attempted since the last arm or reset.
void FailAllocAt(unsigned n);
unsigned AllocCount();
// The same for WriteFile and the platform's other writes to files.
void FailWriteAt(unsigned n);
unsigned WriteCount();
// Internal: each allocation or write asks whether it must fail.
bool ShouldFailAlloc();
bool ShouldFailWrite();

// Makes every process drop its parsed copies of spooler records and of the system profile on the current
// root, as a change through the platform does: for tests that edit those files by hand. (Without it such
// an edit is noticed within a second.)
void NoteOutsideChange();

}  // namespace kvp::test
