// The private heap of a device context: every block a context owns, the context itself included, is one
// link of a list that is released in one step when the context ends.
#pragma once
#include "kvplat/types.h"

struct GR_HEAP_BLOCK;
struct GR_HEAP_HEAD {
  GR_HEAP_BLOCK* latest;  // the block allocated last, or none
};
typedef GR_HEAP_HEAD* GR_HEAP;

// A new, empty heap, or none when memory ran out.
GR_HEAP GrHeapCreate();
// A zero-filled block of n bytes (a valid, freeable block also for n = 0), or none when memory ran out
// or the heap is none.
void* GrHeapAlloc(GR_HEAP heap, DWORD n);
// Frees a block of this heap; none, a pointer of another heap and a block freed already are ignored.
void GrHeapFree(GR_HEAP heap, void* block);
// Frees every block still allocated, then the heap itself (nothing for none).
void GrHeapDestroy(GR_HEAP heap);
