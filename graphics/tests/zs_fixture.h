// A bare device context around a ZARN stream bound to a memory sink that logs every write and can be told
// to fail or to write short.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gr_pdev.h"

namespace zstest {

struct Sink {
  std::string bytes;
  std::vector<DWORD> pieces;  // length of every write call
  int failAt = 0;             // 1-based write call that fails (0: none)
  int shortAt = 0;            // 1-based write call that reports one byte less
  static BOOL Write(HANDLE h, const void* p, DWORD n, DWORD* written) {
    auto* s = static_cast<Sink*>(h);
    s->pieces.push_back(n);
    int call = int(s->pieces.size());
    if (call == s->failAt) return FALSE;
    s->bytes.append(static_cast<const char*>(p), n);
    *written = call == s->shortAt ? n - 1 : n;
    return TRUE;
  }
};

struct Context {
  GR_PDEV* pdev = nullptr;
  Sink sink;
  Context() {
    GR_HEAP heap = GrHeapCreate();
    pdev = static_cast<GR_PDEV*>(GrHeapAlloc(heap, sizeof(GR_PDEV)));
    pdev->heap = heap;
    pdev->magic = pdev->magicEnd = GR_PDEV_MAGIC;
    pdev->colorMachine = 1;
    pdev->colorMode = 2;
    pdev->stream.owner = pdev;
    pdev->stream.module = reinterpret_cast<HMODULE>(this);  // any non-null module binds the sink
    pdev->stream.output = &sink;
    pdev->stream.write = &Sink::Write;
    ZsReset(&pdev->stream);
  }
  ~Context() { GrHeapDestroy(pdev->heap); }
  ZARN_STREAM* s() { return &pdev->stream; }
  // Chunks in the list, with their used bytes.
  std::vector<size_t> Chunks() {
    std::vector<size_t> used;
    for (ZARN_CHUNK* c = s()->head; c; c = c->next)
      used.push_back(size_t(c->pos - (reinterpret_cast<BYTE*>(c) + sizeof(ZARN_CHUNK))));
    return used;
  }
};

inline std::string Hex(const BYTE* p, size_t n) {
  static const char* d = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    if (i && i % 4 == 0) out += ' ';
    out += d[p[i] >> 4];
    out += d[p[i] & 15];
  }
  return out;
}

inline DWORD U32(const std::string& b, size_t at) {
  DWORD v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

}  // namespace zstest
