// Low memory: whole pages mapped below 4 GiB, each block recorded so that only live blocks are freed.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/testhooks.h"

namespace {

constexpr uint64_t kLimit = uint64_t(1) << 32;
#if !defined(MAP_32BIT)
// Where a mapping without the 32-bit flag is asked to go; the address the system gives is checked.
constexpr uintptr_t kLowHint = 0x40000000u;
#endif

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
std::unordered_map<uintptr_t, size_t>& Blocks() {
  static auto* b = new std::unordered_map<uintptr_t, size_t>();
  return *b;
}

size_t PageRound(size_t bytes) {
  size_t page = (size_t)sysconf(_SC_PAGESIZE);
  return (bytes + page - 1) / page * page;
}

}  // namespace

KVAPI LPVOID KvAllocLow(SIZE_T bytes) {
  if (bytes == 0 || bytes >= kLimit || kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  size_t length = PageRound(bytes);
#if defined(MAP_32BIT)
  void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
#else
  void* p = mmap(reinterpret_cast<void*>(kLowHint), length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
#endif
  if (p == MAP_FAILED) p = nullptr;
  if (p && uint64_t(uintptr_t(p)) + length > kLimit) {
    munmap(p, length);
    p = nullptr;
  }
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(Mu());
  Blocks()[uintptr_t(p)] = length;
  return p;  // fresh anonymous pages are zero-filled
}

KVAPI BOOL KvFreeLow(LPVOID p) {
  size_t length = 0;
  {
    std::lock_guard<std::mutex> lock(Mu());
    auto it = p ? Blocks().find(uintptr_t(p)) : Blocks().end();
    if (it == Blocks().end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    length = it->second;
    Blocks().erase(it);
  }
  munmap(p, length);
  return TRUE;
}
