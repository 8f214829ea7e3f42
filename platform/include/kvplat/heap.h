// Global and local memory.
#pragma once
#include "kvplat/types.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// GlobalAlloc: a block of `bytes` bytes (zero-filled with GMEM_ZEROINIT); a fixed block's handle is
// its address, a moveable block's handle must be locked. Null and ERROR_NOT_ENOUGH_MEMORY on failure.
KVAPI HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
KVAPI HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags);
KVAPI LPVOID GlobalLock(HGLOBAL mem);
KVAPI BOOL GlobalUnlock(HGLOBAL mem);
KVAPI SIZE_T GlobalSize(HGLOBAL mem);
KVAPI HGLOBAL GlobalHandle(LPCVOID p);
// GlobalFree: null on success, the handle back on failure (ERROR_INVALID_HANDLE).
KVAPI HGLOBAL GlobalFree(HGLOBAL mem);
KVAPI HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
KVAPI HLOCAL LocalFree(HLOCAL mem);

KVAPI HANDLE GetProcessHeap(void);
#define HEAP_ZERO_MEMORY 0x00000008
KVAPI LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
KVAPI BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID p);

// Low memory: a zero-filled block whose address and end lie below 4 GiB, for a record that is handed
// out as a 32-bit value. Null and ERROR_NOT_ENOUGH_MEMORY when no such block is left (the allocation
// switch of the tests counts it too). KvFreeLow: TRUE freed; FALSE and ERROR_INVALID_HANDLE for an
// address that no KvAllocLow returned or that is already freed (nothing is touched).
KVAPI LPVOID KvAllocLow(SIZE_T bytes);
KVAPI BOOL KvFreeLow(LPVOID p);
