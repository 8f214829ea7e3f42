// Fault-injection counters shared by every area of the platform.
#include "kvplat/testhooks.h"

#include <atomic>

namespace kvp::test {
namespace {
struct Counter {
  std::atomic<unsigned> failAt{0};
  std::atomic<unsigned> count{0};
  void Arm(unsigned n) {
    count = 0;
    failAt = n;
  }
  bool Hit() {
    unsigned c = ++count;
    unsigned f = failAt.load();
    return f != 0 && c == f;
  }
};
Counter g_alloc, g_write;
}  // namespace

void FailAllocAt(unsigned n) { g_alloc.Arm(n); }
unsigned AllocCount() { return g_alloc.count; }
void FailWriteAt(unsigned n) { g_write.Arm(n); }
unsigned WriteCount() { return g_write.count; }
bool ShouldFailAlloc() { return g_alloc.Hit(); }
bool ShouldFailWrite() { return g_write.Hit(); }

}  // namespace kvp::test
