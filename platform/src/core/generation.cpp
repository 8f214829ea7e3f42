// The change counters of <root>/sync/generations (see generation.h).
#include "generation.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

#include "kvplat/root.h"
#include "kvplat/testhooks.h"

namespace kvp::gen {
namespace {

constexpr size_t kPageBytes = 4096;
static_assert(sizeof(std::atomic<uint64_t>) == 8 && std::atomic<uint64_t>::is_always_lock_free,
              "counters shared between processes must be lock-free");

// The mapped page of the current root; null until mapped or after the root changed. Pages of earlier
// roots stay mapped: another thread may still be reading one.
std::atomic<std::atomic<uint64_t>*> g_page{nullptr};
std::atomic<uint64_t> g_unmapped{1};
std::mutex g_mapMu;

void ForgetPage() { g_page.store(nullptr, std::memory_order_release); }

struct RootHook {
  RootHook() { OnRootChanged(&ForgetPage); }
} g_rootHook;

std::atomic<uint64_t>* Map() {
  std::lock_guard<std::mutex> g(g_mapMu);
  if (auto* p = g_page.load(std::memory_order_acquire)) return p;
  std::string dir = MachineRoot();
  if (!std::filesystem::is_directory(dir)) return nullptr;
  std::error_code ec;
  std::filesystem::create_directories(dir + "/sync", ec);
  int fd = ::open((dir + "/sync/generations").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  struct stat st;
  // Growing the file is harmless when two processes race: both extend it to the same size with zeros.
  if (fstat(fd, &st) != 0 || (st.st_size < off_t(kPageBytes) && ftruncate(fd, kPageBytes) != 0)) {
    ::close(fd);
    return nullptr;
  }
  void* m = mmap(nullptr, kPageBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (m == MAP_FAILED) return nullptr;
  auto* page = static_cast<std::atomic<uint64_t>*>(m);
  g_page.store(page, std::memory_order_release);
  return page;
}

std::atomic<uint64_t>* Page() {
  auto* p = g_page.load(std::memory_order_acquire);
  return p ? p : Map();
}

}  // namespace

uint64_t Current(Area area) {
  auto* p = Page();
  // Without a page no copy may be reused: odd values never come from the page (its counters step by two).
  if (!p) return g_unmapped.fetch_add(2, std::memory_order_relaxed);
  return p[area].load(std::memory_order_acquire);
}

void Bump(Area area) {
  if (auto* p = Page()) p[area].fetch_add(2, std::memory_order_acq_rel);
}

int64_t CoarseNowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace kvp::gen

namespace kvp::test {
void NoteOutsideChange() {
  for (unsigned a = 0; a < kvp::gen::kAreaCount; ++a) kvp::gen::Bump(kvp::gen::Area(a));
}
}  // namespace kvp::test
