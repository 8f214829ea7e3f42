// The process's handle table: handle values are multiples of 4 counted up from 0x100 and not reused
// until the 32-bit range wraps, so a stale handle does not silently reach a newer object.
#include "kvplat/handle.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>
#include <unordered_map>

#include "kvplat/error.h"

namespace kvp {
namespace {

struct Entry {
  DWORD kind;
  std::shared_ptr<void> object;
};

struct Table {
  std::mutex mu;
  std::unordered_map<uintptr_t, Entry> entries;
  uintptr_t next = 0x100;
};

Table& T() {
  static auto* t = new Table();  // outlives static destructors of modules still closing handles
  return *t;
}

}  // namespace

HANDLE HandleCreate(DWORD kind, void* object, HandleCloseFn closeFn) {
  std::shared_ptr<void> p;
  try {
    p = std::shared_ptr<void>(object, [closeFn](void* o) {
      if (closeFn) closeFn(o);
    });
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Table& t = T();
  std::lock_guard<std::mutex> g(t.mu);
  for (;;) {
    uintptr_t v = t.next;
    t.next = (t.next + 4) & 0xFFFFFFFCu;
    if (t.next < 0x100) t.next = 0x100;
    if (t.entries.count(v)) continue;
    try {
      t.entries.emplace(v, Entry{kind, std::move(p)});
    } catch (...) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    return reinterpret_cast<HANDLE>(v);
  }
}

std::shared_ptr<void> HandleLookup(HANDLE h, DWORD kind) {
  Table& t = T();
  std::lock_guard<std::mutex> g(t.mu);
  auto it = t.entries.find(uintptr_t(h));
  if (it == t.entries.end() || (kind != kHandleKindAny && it->second.kind != kind)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second.object;
}

DWORD HandleKind(HANDLE h) {
  Table& t = T();
  std::lock_guard<std::mutex> g(t.mu);
  auto it = t.entries.find(uintptr_t(h));
  return it == t.entries.end() ? 0 : it->second.kind;
}

BOOL HandleClose(HANDLE h, DWORD kind) {
  std::shared_ptr<void> last;  // released outside the lock: the close function may take other locks
  {
    Table& t = T();
    std::lock_guard<std::mutex> g(t.mu);
    auto it = t.entries.find(uintptr_t(h));
    if (it == t.entries.end() || (kind != kHandleKindAny && it->second.kind != kind)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    last = std::move(it->second.object);
    t.entries.erase(it);
  }
  return TRUE;
}

size_t HandleCount() {
  Table& t = T();
  std::lock_guard<std::mutex> g(t.mu);
  return t.entries.size();
}

}  // namespace kvp

KVAPI BOOL CloseHandle(HANDLE h) { return kvp::HandleClose(h, kvp::kHandleKindAny); }
KVAPI HANDLE GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(intptr_t(-1)); }
KVAPI HANDLE GetCurrentThread(void) { return reinterpret_cast<HANDLE>(intptr_t(-2)); }
KVAPI DWORD GetCurrentProcessId(void) { return DWORD(getpid()); }
KVAPI DWORD GetCurrentThreadId(void) { return DWORD(syscall(SYS_gettid)); }
