// Synchronisation: critical sections (in-process, re-entrant), named mutexes that exclude across every
// process sharing one machine root, minimal events, and the waits on them.
//
// Named mutexes: "Global\X", "Local\X" and "X" name the same mutex of the machine (this machine has one
// session); names compare with case, as the platform's object names do. Each named mutex has a lock file
// <root>/sync/<name-derived>.lock; the holder keeps an exclusive lock on it (released by the host when
// the process dies) and a "held" mark in it, so a waiter that gets the lock and finds the mark knows the
// last holder died without releasing: it gets WAIT_ABANDONED and owns the mutex. A thread that ends while
// it owns a mutex abandons it the same way. Handles are not inherited across fork(): a child opens the
// mutex by its name again.
#pragma once
#include "kvplat/handle.h"
#include "kvplat/time.h"
#include "kvplat/types.h"

#define WAIT_OBJECT_0 ((DWORD)0x00000000)
#define WAIT_ABANDONED ((DWORD)0x00000080)
#define WAIT_ABANDONED_0 WAIT_ABANDONED
#define WAIT_TIMEOUT ((DWORD)0x00000102)
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)

#define SYNCHRONIZE 0x00100000L
#define MUTEX_MODIFY_STATE 0x0001
#define MUTEX_ALL_ACCESS 0x1F0001
#define EVENT_MODIFY_STATE 0x0002
#define EVENT_ALL_ACCESS 0x1F0003

// The critical-section record keeps the platform's 40-byte layout; the lock lives in it (no allocation),
// so initialising cannot fail and an undeleted section leaks nothing.
typedef struct _CRITICAL_SECTION {
  void* DebugInfo;
  LONG LockCount;       // lock word: 0 free, 1 taken, 2 taken with waiters
  LONG RecursionCount;  // entries of the owning thread
  HANDLE OwningThread;  // host thread id of the owner
  HANDLE LockSemaphore;
  ULONG_PTR SpinCount;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;
static_assert(sizeof(CRITICAL_SECTION) == 40);
static_assert(offsetof(CRITICAL_SECTION, OwningThread) == 16 && offsetof(CRITICAL_SECTION, SpinCount) == 32);

KVAPI void InitializeCriticalSection(LPCRITICAL_SECTION cs);
KVAPI BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount);
KVAPI void EnterCriticalSection(LPCRITICAL_SECTION cs);
// TryEnterCriticalSection: TRUE when the caller now owns the section (also when it already did).
KVAPI BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);
// LeaveCriticalSection by a thread that does not own the section is ignored (it would break the owner).
KVAPI void LeaveCriticalSection(LPCRITICAL_SECTION cs);
KVAPI void DeleteCriticalSection(LPCRITICAL_SECTION cs);

// CreateMutexW: opens the mutex `name` or creates it (null name: a mutex of this process only). With
// initialOwner the caller owns a mutex it created; an existing one is opened without ownership and the
// last error is ERROR_ALREADY_EXISTS (ERROR_SUCCESS otherwise). Errors: ERROR_INVALID_NAME for an empty
// name or one with a backslash after the prefix, ERROR_FILENAME_EXCED_RANGE beyond MAX_PATH characters,
// ERROR_PATH_NOT_FOUND / ERROR_ACCESS_DENIED when the lock file cannot be made under the root.
KVAPI HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCWSTR name);
KVAPI HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCSTR name);
// OpenMutexW: a mutex some process of the machine has open; else null with ERROR_FILE_NOT_FOUND.
KVAPI HANDLE OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name);
// ReleaseMutex: one release of the caller's ownership; FALSE with ERROR_NOT_OWNER when it does not own it.
KVAPI BOOL ReleaseMutex(HANDLE mutex);

// Events of this process (named events are found by name inside the process only).
KVAPI HANDLE CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCWSTR name);
KVAPI BOOL SetEvent(HANDLE event);
KVAPI BOOL ResetEvent(HANDLE event);

// WaitForSingleObject: for a mutex, an event or a process (kvplat/process.h; signalled once it has
// ended); ms is a time-out or INFINITE. WAIT_OBJECT_0, WAIT_ABANDONED (a mutex whose holder died: the
// caller owns it now), WAIT_TIMEOUT, or WAIT_FAILED with ERROR_INVALID_HANDLE for anything else.
KVAPI DWORD WaitForSingleObject(HANDLE h, DWORD ms);
