// Pages of realistic drawing through the drawing hooks into the ZARN stream: thousands of line segments
// in changing colours and dashes, rectangle fills under clips, filled Bézier shapes and one large
// picture, with the engine's own objects. Reported as pages (items) and stream bytes per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gr_hooks.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "kvplat/engine_draw.h"

namespace {

struct CountingSink {
  size_t bytes = 0;
  static BOOL Write(HANDLE h, const void*, DWORD n, DWORD* written) {
    static_cast<CountingSink*>(h)->bytes += n;
    *written = n;
    return TRUE;
  }
};

struct DrawnPage {
  GR_PDEV* pdev;
  CountingSink sink;
  SURFOBJ device{};
  std::vector<PATHOBJ*> polylines, shapes;
  std::vector<BRUSHOBJ*> pens;
  CLIPOBJ* clip;
  HSURF picture;
  SURFOBJ* pictureSo;
  kvp::eng::LineAttrs solid, dashed;

  DrawnPage() {
    GR_HEAP heap = GrHeapCreate();
    pdev = static_cast<GR_PDEV*>(GrHeapAlloc(heap, sizeof(GR_PDEV)));
    pdev->heap = heap;
    pdev->magic = pdev->magicEnd = GR_PDEV_MAGIC;
    pdev->colorMachine = 1;
    pdev->colorMode = 2;
    pdev->resolution = 600;
    pdev->clipCache = GrCreateClipCache(pdev);
    pdev->stream.owner = pdev;
    pdev->stream.module = reinterpret_cast<HMODULE>(this);
    pdev->stream.output = &sink;
    pdev->stream.write = &CountingSink::Write;
    ZsReset(&pdev->stream);
    device.dhpdev = pdev;
    device.iType = STYPE_DEVICE;
    // 40 polylines of 100 segments each: 4000 segments a page.
    for (int k = 0; k < 40; ++k) {
      PATHOBJ* p = kvp::eng::CreatePath();
      kvp::eng::PathMoveTo(p, POINTFIX{0, k * 3200});
      std::vector<POINTFIX> pts;
      for (int i = 1; i <= 100; ++i)
        pts.push_back(POINTFIX{i * 1500, LONG(k * 3200 + 800 * std::sin(i * 0.3 + k))});
      kvp::eng::PathLinesTo(p, pts.data(), ULONG(pts.size()));
      polylines.push_back(p);
    }
    for (int k = 0; k < 50; ++k) {
      PATHOBJ* p = kvp::eng::CreatePath();
      LONG x = (k % 10) * 16000, y = (k / 10) * 16000;
      kvp::eng::PathMoveTo(p, POINTFIX{x, y});
      POINTFIX bez[6] = {{x + 8000, y - 4000}, {x + 12000, y + 4000}, {x + 12000, y + 12000},
                         {x + 4000, y + 16000}, {x - 4000, y + 8000}, {x, y}};
      kvp::eng::PathBeziersTo(p, bez, 6);
      kvp::eng::PathCloseFigure(p);
      shapes.push_back(p);
    }
    for (ULONG c = 0; c < 8; ++c) pens.push_back(kvp::eng::CreateSolidBrush(c * 0x203040));
    RECTL bounds{100, 100, 9000, 13000};
    clip = kvp::eng::CreateClip(&bounds, 1, 5);
    float style[2] = {3, 1};
    kvp::eng::MakeLineAttrs(&solid, true, 4, JOIN_MITER, ENDCAP_BUTT, 10);
    kvp::eng::MakeLineAttrs(&dashed, false, 1, JOIN_ROUND, ENDCAP_ROUND, 10, style, 2);
    // One large picture: 2400 x 1600 pixels at 24 bits.
    picture = EngCreateBitmap(SIZEL{2400, 1600}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
    pictureSo = EngLockSurface(picture);
    BYTE* bits = static_cast<BYTE*>(pictureSo->pvBits);
    for (ULONG i = 0; i < pictureSo->cjBits; ++i) bits[i] = BYTE(i * 131 >> 3);
  }
  ~DrawnPage() {
    for (auto* p : polylines) EngDeletePath(p);
    for (auto* p : shapes) EngDeletePath(p);
    for (auto* b : pens) kvp::eng::DeleteBrush(b);
    kvp::eng::DeleteClip(clip);
    EngUnlockSurface(pictureSo);
    EngDeleteSurface(picture);
    GrHeapDestroy(pdev->heap);
  }

  void Draw() {
    ZARN_STREAM* s = &pdev->stream;
    GrResetDrawState(pdev);
    ZsPutPageStart(s, 9921, 14031, 600, 600);
    for (size_t k = 0; k < polylines.size(); ++k)
      DrvStrokePath(&device, polylines[k], k % 3 ? nullptr : clip, nullptr, pens[k % pens.size()], nullptr,
                    k % 2 ? &dashed.attrs : &solid.attrs, 0x0D0D);
    for (LONG i = 0; i < 500; ++i) {
      RECTL r{(i % 25) * 380, (i / 25) * 700, (i % 25) * 380 + 300, (i / 25) * 700 + 600};
      DrvBitBlt(&device, nullptr, nullptr, i % 5 ? nullptr : clip, nullptr, &r, nullptr, nullptr, pens[i % pens.size()],
                nullptr, i % 7 ? 0xF0F0 : 0x5A5A);
    }
    for (size_t k = 0; k < shapes.size(); ++k)
      DrvFillPath(&device, shapes[k], nullptr, pens[k % pens.size()], nullptr, 0x0D0D, FP_WINDINGMODE);
    RECTL at{1000, 9000, 3400, 10600};
    POINTL zero{0, 0};
    DrvBitBlt(&device, pictureSo, nullptr, nullptr, nullptr, &at, &zero, nullptr, nullptr, nullptr, 0xCCCC);
    ZsPutPageEnd(s);
    ZsFlush(s);
  }
};

void BM_DrawPage(benchmark::State& state) {
  DrawnPage page;
  for (auto _ : state) page.Draw();
  state.SetItemsProcessed(int64_t(state.iterations()));
  state.SetBytesProcessed(int64_t(page.sink.bytes));
  state.counters["pages/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["bytes/page"] = double(page.sink.bytes) / double(state.iterations());
}
BENCHMARK(BM_DrawPage)->Unit(benchmark::kMillisecond);

}  // namespace
