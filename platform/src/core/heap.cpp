// Global, local and process-heap memory. Every live block is recorded, so a bad or twice-freed handle
// is refused with ERROR_INVALID_HANDLE instead of corrupting the host heap. The table keeps the
// addresses disguised, so a block nobody references any more is still reported as a leak.
#include "kvplat/heap.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "kvplat/error.h"
#include "kvplat/testhooks.h"

namespace {

constexpr SIZE_T kMaxBlock = SIZE_T(1) << 30;  // larger requests fail as out of memory
constexpr uintptr_t kDisguise = 0xA5A5A5A5A5A5A5A5ull;
constexpr uintptr_t kMoveableTag = 8;  // a moveable handle is its data address plus this tag

struct Block {
  SIZE_T size;
  bool moveable;
  unsigned locks;
};

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
std::unordered_map<uintptr_t, Block>& Blocks() {
  static auto* b = new std::unordered_map<uintptr_t, Block>();
  return *b;
}

uintptr_t Key(const void* data) { return uintptr_t(data) ^ kDisguise; }
void* DataOfHandle(HGLOBAL h, bool* moveable) {
  uintptr_t v = uintptr_t(h);
  *moveable = (v & 15) == kMoveableTag;
  return reinterpret_cast<void*>(*moveable ? v - kMoveableTag : v);
}

HGLOBAL Alloc(UINT flags, SIZE_T bytes) {
  if (bytes > kMaxBlock || kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  SIZE_T real = bytes ? bytes : 1;
  void* p = std::malloc(real);
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // Uninitialised blocks get a fill pattern so that code relying on zeroes without asking shows up.
  std::memset(p, (flags & GMEM_ZEROINIT) ? 0 : 0xCD, real);
  bool moveable = (flags & GMEM_MOVEABLE) != 0;
  {
    std::lock_guard<std::mutex> g(Mu());
    Blocks()[Key(p)] = Block{bytes, moveable, 0};
  }
  return moveable ? reinterpret_cast<HGLOBAL>(uintptr_t(p) + kMoveableTag) : p;
}

// Finds the live block of a handle; null with ERROR_INVALID_HANDLE when there is none.
Block* Find(HGLOBAL h, void** data) {
  if (!h) return nullptr;
  bool moveable;
  void* p = DataOfHandle(h, &moveable);
  auto it = Blocks().find(Key(p));
  if (it == Blocks().end() || it->second.moveable != moveable) return nullptr;
  *data = p;
  return &it->second;
}

HGLOBAL Free(HGLOBAL h) {
  if (!h) return nullptr;
  void* p = nullptr;
  {
    std::lock_guard<std::mutex> g(Mu());
    if (!Find(h, &p)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return h;
    }
    Blocks().erase(Key(p));
  }
  std::free(p);
  return nullptr;
}

}  // namespace

KVAPI HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) { return Alloc(flags, bytes); }

KVAPI HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags) {
  std::lock_guard<std::mutex> g(Mu());
  void* p = nullptr;
  Block* b = Find(mem, &p);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (bytes > kMaxBlock || kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // A fixed block may move only when the caller allows it, as the platform does.
  if (!b->moveable && !(flags & GMEM_MOVEABLE) && bytes > b->size) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* q = std::realloc(p, bytes ? bytes : 1);
  if (!q) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bytes > b->size) std::memset(static_cast<char*>(q) + b->size, (flags & GMEM_ZEROINIT) ? 0 : 0xCD, bytes - b->size);
  Block nb{bytes, b->moveable, b->locks};
  Blocks().erase(Key(p));
  Blocks()[Key(q)] = nb;
  return nb.moveable ? reinterpret_cast<HGLOBAL>(uintptr_t(q) + kMoveableTag) : q;
}

KVAPI LPVOID GlobalLock(HGLOBAL mem) {
  std::lock_guard<std::mutex> g(Mu());
  void* p = nullptr;
  Block* b = Find(mem, &p);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (b->moveable) ++b->locks;
  return p;
}

KVAPI BOOL GlobalUnlock(HGLOBAL mem) {
  std::lock_guard<std::mutex> g(Mu());
  void* p = nullptr;
  Block* b = Find(mem, &p);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!b->moveable || b->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  --b->locks;
  if (b->locks == 0) {
    SetLastError(NO_ERROR);
    return FALSE;  // the platform answers FALSE with NO_ERROR when the last lock goes
  }
  return TRUE;
}

KVAPI SIZE_T GlobalSize(HGLOBAL mem) {
  std::lock_guard<std::mutex> g(Mu());
  void* p = nullptr;
  Block* b = Find(mem, &p);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return b->size;
}

KVAPI HGLOBAL GlobalHandle(LPCVOID data) {
  std::lock_guard<std::mutex> g(Mu());
  auto it = Blocks().find(Key(data));
  if (!data || it == Blocks().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second.moveable ? reinterpret_cast<HGLOBAL>(uintptr_t(data) + kMoveableTag) : const_cast<void*>(data);
}

KVAPI HGLOBAL GlobalFree(HGLOBAL mem) { return Free(mem); }
KVAPI HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) { return Alloc(flags, bytes); }
KVAPI HLOCAL LocalFree(HLOCAL mem) { return Free(mem); }

KVAPI HANDLE GetProcessHeap(void) {
  static int heap;
  return &heap;
}
KVAPI LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  return Alloc((flags & HEAP_ZERO_MEMORY) ? GMEM_ZEROINIT : 0, bytes);
}
KVAPI BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID p) { return Free(p) == nullptr; }
