// Critical sections: a futex lock word kept in the record itself plus the owner's thread id and an entry
// count, so one thread may enter again without blocking itself.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

#include "kvplat/sync.h"

namespace {

LONG SelfId() {
  static thread_local LONG id = LONG(syscall(SYS_gettid));
  return id;
}

void FutexWait(LONG* word, LONG expect) {
  syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, expect, nullptr, nullptr, 0);
}
void FutexWake(LONG* word) { syscall(SYS_futex, word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0); }

LONG Owner(LPCRITICAL_SECTION cs) {
  return LONG(__atomic_load_n(reinterpret_cast<intptr_t*>(&cs->OwningThread), __ATOMIC_ACQUIRE));
}
void SetOwner(LPCRITICAL_SECTION cs, LONG id) {
  __atomic_store_n(reinterpret_cast<intptr_t*>(&cs->OwningThread), intptr_t(id), __ATOMIC_RELEASE);
}

bool TryLockWord(LONG* w) {
  LONG expect = 0;
  return __atomic_compare_exchange_n(w, &expect, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED);
}

}  // namespace

KVAPI void InitializeCriticalSection(LPCRITICAL_SECTION cs) { InitializeCriticalSectionAndSpinCount(cs, 0); }

KVAPI BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount) {
  if (!cs) return FALSE;
  std::memset(cs, 0, sizeof *cs);
  cs->SpinCount = spinCount & 0x00FFFFFF;
  return TRUE;
}

KVAPI void EnterCriticalSection(LPCRITICAL_SECTION cs) {
  if (!cs) return;
  LONG me = SelfId();
  if (Owner(cs) == me) {
    ++cs->RecursionCount;
    return;
  }
  for (ULONG_PTR spin = cs->SpinCount; spin > 0; --spin) {
    if (TryLockWord(&cs->LockCount)) goto owned;
    __builtin_ia32_pause();
  }
  // Classic three-state futex lock: 2 tells the releaser that someone may sleep on the word.
  if (!TryLockWord(&cs->LockCount)) {
    while (__atomic_exchange_n(&cs->LockCount, 2, __ATOMIC_ACQUIRE) != 0) FutexWait(&cs->LockCount, 2);
  }
owned:
  SetOwner(cs, me);
  cs->RecursionCount = 1;
}

KVAPI BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
  if (!cs) return FALSE;
  LONG me = SelfId();
  if (Owner(cs) == me) {
    ++cs->RecursionCount;
    return TRUE;
  }
  if (!TryLockWord(&cs->LockCount)) return FALSE;
  SetOwner(cs, me);
  cs->RecursionCount = 1;
  return TRUE;
}

KVAPI void LeaveCriticalSection(LPCRITICAL_SECTION cs) {
  if (!cs || Owner(cs) != SelfId() || cs->RecursionCount <= 0) return;
  if (--cs->RecursionCount > 0) return;
  SetOwner(cs, 0);
  if (__atomic_exchange_n(&cs->LockCount, 0, __ATOMIC_RELEASE) == 2) FutexWake(&cs->LockCount);
}

KVAPI void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  if (cs) std::memset(cs, 0, sizeof *cs);
}
