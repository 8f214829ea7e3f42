// The interface library's reads and writes of printer data.
#pragma once
#include "kvplat/types.h"

// One byte of the lock bits: id 10418 reads "rdmLock000InfoBit", id 10426 "rdmLock001InfoBit". 1 when
// the byte was read into *out; 0 for another id, no output or a failed read.
BOOL UiReadLockBits(HANDLE printer, BYTE* out, WORD id);
