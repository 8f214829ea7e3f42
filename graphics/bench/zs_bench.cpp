// Encoding a page of typical records (fills with their state, paths, image rows) into the ZARN stream
// with a memory sink, beside memcpy of the same bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "gr_pdev.h"
#include "gr_state.h"

namespace {

struct MemorySink {
  std::vector<BYTE> bytes;
  size_t used = 0;
  static BOOL Write(HANDLE h, const void* p, DWORD n, DWORD* written) {
    auto* s = static_cast<MemorySink*>(h);
    if (s->used + n > s->bytes.size()) s->bytes.resize((s->used + n) * 2);
    std::memcpy(s->bytes.data() + s->used, p, n);
    s->used += n;
    *written = n;
    return TRUE;
  }
};

struct Page {
  GR_PDEV* pdev;
  MemorySink sink;
  std::vector<BYTE> image;
  std::vector<BYTE> path;
  Page() : image(size_t(512) * 3 * 256), path(28 + 12 + 60 * 12) {
    GR_HEAP heap = GrHeapCreate();
    pdev = static_cast<GR_PDEV*>(GrHeapAlloc(heap, sizeof(GR_PDEV)));
    pdev->heap = heap;
    pdev->magic = pdev->magicEnd = GR_PDEV_MAGIC;
    pdev->colorMachine = 1;
    pdev->colorMode = 2;
    pdev->stream.owner = pdev;
    pdev->stream.module = reinterpret_cast<HMODULE>(this);
    pdev->stream.output = &sink;
    pdev->stream.write = &MemorySink::Write;
    sink.bytes.resize(4 << 20);
    for (size_t i = 0; i < image.size(); ++i) image[i] = BYTE(i * 31);
    for (size_t i = 0; i < path.size(); ++i) path[i] = BYTE(i);
    path[0] = ZS_OP_PATH;
    DWORD len = DWORD(path.size());
    std::memcpy(&path[4], &len, 4);
    ZsReset(&pdev->stream);
  }
  ~Page() { GrHeapDestroy(pdev->heap); }

  // One page: 2000 filled rectangles with colour and ROP changes, 200 paths, 8 images of 512 x 256 pixels.
  void Encode() {
    ZARN_STREAM* s = &pdev->stream;
    sink.used = 0;
    ZsPutPageStart(s, 9921, 14031, 600, 600);
    GR_COLOR_BRUSH brush{};
    brush.backgroundMode = 1;
    for (LONG i = 0; i < 2000; ++i) {
      RECTL r{i, i, i + 100, i + 50};
      if (i % 4 == 0) {
        brush.color1 = DWORD(i * 2654435761u);
        ZsPutColorBrush(s, &brush);
        ZsPutRop(s, i % 8 ? 0xF0 : 0x5A);
      }
      ZsPutRect(s, &r, &r, 1);
    }
    for (int i = 0; i < 200; ++i) {
      BYTE* p = ZsReserve(s, DWORD(path.size()) + 40);
      std::memcpy(p, path.data(), path.size());
      ZsTrimLast(s, p + path.size());
    }
    for (int i = 0; i < 8; ++i) ZsPutImage(s, i * 512, 0, 512, 256, 0, 0, 512, 256, 4, image.data(), nullptr, FALSE);
    ZsPutPageEnd(s);
    ZsFlush(s);
  }
};

void BM_EncodePage(benchmark::State& state) {
  Page page;
  for (auto _ : state) {
    page.Encode();
    benchmark::DoNotOptimize(page.sink.bytes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.sink.used));
}
BENCHMARK(BM_EncodePage);

// memcpy of as many bytes as one encoded page holds.
void BM_MemcpyPage(benchmark::State& state) {
  Page page;
  page.Encode();
  std::vector<BYTE> from(page.sink.bytes.begin(), page.sink.bytes.begin() + long(page.sink.used));
  std::vector<BYTE> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.size()));
}
BENCHMARK(BM_MemcpyPage);

}  // namespace

BENCHMARK_MAIN();
