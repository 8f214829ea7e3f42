// The process's handle table. Every kernel-object handle the platform gives out (files, mutexes, events,
// file mappings, find handles, tokens, ...) is a small number naming an entry of this table, never a
// host pointer, so a stale, forged or twice-closed handle is refused with ERROR_INVALID_HANDLE instead of
// touching freed memory, and handles fit in 32 bits.
//
// How an area adds its own handle kind:
//   1. pick a kind number (the ones below are taken; other areas use kHandleKindFirstFree and up, one per
//      object type, and list it here when they land);
//   2. make the object with new, and call HandleCreate(kind, object, closeFn); closeFn(object) runs once,
//      when the handle is closed and the last HandleRef taken on it is gone (it deletes the object);
//   3. use HandleRef<T>(h, kind) to reach the object: it keeps the object alive while the caller uses it,
//      even if another thread closes the handle meanwhile;
//   4. CloseHandle(h) works for every kind; an area whose own close call is stricter (FindClose accepts
//      only find handles) calls HandleClose(h, kind).
#pragma once
#include <memory>

#include "kvplat/types.h"

namespace kvp {

using HandleCloseFn = void (*)(void* object);

enum : DWORD {
  kHandleKindAny = 0,  // for lookups only: any kind
  kHandleKindFile = 1,
  kHandleKindMutex = 2,
  kHandleKindEvent = 3,
  kHandleKindMapping = 4,
  kHandleKindFind = 5,
  kHandleKindToken = 6,
  kHandleKindFirstFree = 16,
};

// Enters `object` into the table. Returns the new handle, or null with ERROR_NOT_ENOUGH_MEMORY (then
// closeFn(object) has already run, so the caller owns nothing).
HANDLE HandleCreate(DWORD kind, void* object, HandleCloseFn closeFn);

// The object of a live handle of `kind` (or of any kind with kHandleKindAny), kept alive by the returned
// pointer; empty with ERROR_INVALID_HANDLE otherwise.
std::shared_ptr<void> HandleLookup(HANDLE h, DWORD kind);
template <typename T>
std::shared_ptr<T> HandleRef(HANDLE h, DWORD kind) {
  return std::static_pointer_cast<T>(HandleLookup(h, kind));
}

// The kind of a live handle, or 0.
DWORD HandleKind(HANDLE h);

// Removes the handle (of `kind`, or any kind); FALSE with ERROR_INVALID_HANDLE when it is not live.
BOOL HandleClose(HANDLE h, DWORD kind);

// Number of live handles (tests use it to show nothing leaks).
size_t HandleCount();

}  // namespace kvp

// CloseHandle: closes a handle of any kind. FALSE with ERROR_INVALID_HANDLE for null, INVALID_HANDLE_VALUE,
// pseudo handles and handles that are not (or no longer) open.
KVAPI BOOL CloseHandle(HANDLE h);

// The process and thread: pseudo handles that need no closing, and the host's ids.
KVAPI HANDLE GetCurrentProcess(void);
KVAPI HANDLE GetCurrentThread(void);
KVAPI DWORD GetCurrentProcessId(void);
KVAPI DWORD GetCurrentThreadId(void);
