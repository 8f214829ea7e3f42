// The private heap of a device context.
#include <gtest/gtest.h>

#include <cstring>

#include "gr_heap.h"
#include "kvplat/testhooks.h"

namespace {

TEST(GrHeap, BlocksAreZeroFilledAndFreeable) {
  GR_HEAP h = GrHeapCreate();
  ASSERT_NE(h, nullptr);
  for (DWORD n : {0u, 1u, 7u, 4096u}) {
    SCOPED_TRACE(n);
    auto* p = static_cast<BYTE*>(GrHeapAlloc(h, n));
    ASSERT_NE(p, nullptr);
    for (DWORD i = 0; i < n; ++i) ASSERT_EQ(p[i], 0);
    std::memset(p, 0x5A, n);
    GrHeapFree(h, p);
  }
  EXPECT_EQ(h->latest, nullptr);
  GrHeapDestroy(h);
}

TEST(GrHeap, FreeTwiceForeignOrNullIsIgnored) {
  GR_HEAP a = GrHeapCreate(), b = GrHeapCreate();
  void* first = GrHeapAlloc(a, 8);
  void* middle = GrHeapAlloc(a, 8);
  void* last = GrHeapAlloc(a, 8);
  void* foreign = GrHeapAlloc(b, 8);
  GrHeapFree(a, middle);
  GrHeapFree(a, middle);   // twice
  GrHeapFree(a, foreign);  // another heap's block stays with its heap
  int local = 0;
  GrHeapFree(a, &local);   // not a heap block at all
  GrHeapFree(a, nullptr);
  GrHeapFree(nullptr, first);
  std::memset(first, 1, 8);
  std::memset(last, 1, 8);
  std::memset(foreign, 1, 8);
  // What is left: last, then first.
  ASSERT_NE(a->latest, nullptr);
  GrHeapDestroy(a);  // frees first and last; the sanitizer reports anything left behind
  GrHeapDestroy(b);
  GrHeapDestroy(nullptr);
}

TEST(GrHeap, FailedAllocationLeavesTheHeapWhole) {
  GR_HEAP h = GrHeapCreate();
  void* kept = GrHeapAlloc(h, 32);
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(GrHeapAlloc(h, 32), nullptr);
  kvp::test::FailAllocAt(0);
  EXPECT_NE(GrHeapAlloc(h, 32), nullptr);
  GrHeapFree(h, kept);
  GrHeapDestroy(h);
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(GrHeapCreate(), nullptr);
  kvp::test::FailAllocAt(0);
}

}  // namespace
