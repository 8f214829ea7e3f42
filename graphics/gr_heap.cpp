// Private heap of a device context: blocks from the platform's global memory, newest first.
#include "gr_heap.h"

#include <cstring>

#include "kvplat/heap.h"

struct GR_HEAP_BLOCK {
  GR_HEAP_BLOCK* prev;  // the block allocated before this one
  alignas(16) BYTE data[1];
};

namespace {
constexpr size_t kHeader = offsetof(GR_HEAP_BLOCK, data);
}

GR_HEAP GrHeapCreate() {
  auto* head = static_cast<GR_HEAP_HEAD*>(GlobalAlloc(GPTR, sizeof(GR_HEAP_HEAD)));
  return head;
}

void* GrHeapAlloc(GR_HEAP heap, DWORD n) {
  if (!heap) return nullptr;
  // Zero-filled: a caller that forgets to clear a field gets zero, never stale bytes.
  auto* b = static_cast<GR_HEAP_BLOCK*>(GlobalAlloc(GPTR, kHeader + SIZE_T(n)));
  if (!b) return nullptr;
  b->prev = heap->latest;
  heap->latest = b;
  return b->data;
}

void GrHeapFree(GR_HEAP heap, void* block) {
  if (!heap || !block) return;
  for (GR_HEAP_BLOCK** link = &heap->latest; *link; link = &(*link)->prev) {
    if ((*link)->data == block) {
      GR_HEAP_BLOCK* found = *link;
      *link = found->prev;
      GlobalFree(found);
      return;
    }
  }
}

void GrHeapDestroy(GR_HEAP heap) {
  if (!heap) return;
  for (GR_HEAP_BLOCK* b = heap->latest; b;) {
    GR_HEAP_BLOCK* prev = b->prev;
    GlobalFree(b);
    b = prev;
  }
  GlobalFree(heap);
}
