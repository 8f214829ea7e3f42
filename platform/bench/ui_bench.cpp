// Costs of the window core: a message sent through a subclassed control, and creating and destroying a
// dialog of 50 controls from an in-memory template.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/uiscript.h"

namespace {

WNDPROC g_buttonProc = nullptr;

LRESULT Subclassed(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return CallWindowProcW(g_buttonProc, h, msg, wp, lp); }

void BM_SendThroughSubclassedButton(benchmark::State& state) {
  HWND top = CreateWindowExW(0, WC_DIALOGW, u"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  HWND b = CreateWindowExW(0, WC_BUTTONW, u"Duplex", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 5, 5, 80, 20, top,
                           reinterpret_cast<HMENU>(1), nullptr, nullptr);
  g_buttonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclassed)));
  SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0);
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageW(b, BM_GETCHECK, 0, 0));
  DestroyWindow(top);
}
BENCHMARK(BM_SendThroughSubclassedButton);

// A classic template: the header, then each item on a 4-byte boundary.
std::vector<uint8_t> FiftyControls() {
  std::vector<uint8_t> t;
  auto put = [&](const void* p, size_t n) { t.insert(t.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n); };
  auto word = [&](WORD w) { put(&w, 2); };
  auto text = [&](const char16_t* s) {
    for (; *s; ++s) word(WORD(*s));
    word(0);
  };
  DLGTEMPLATE d{WS_POPUP | WS_CAPTION, 0, 50, 0, 0, 300, 260};
  put(&d, sizeof d);
  word(0);
  word(0);
  text(u"Fifty");
  const WORD atoms[] = {0x80, 0x81, 0x82, 0x83, 0x85};
  const DWORD styles[] = {BS_AUTOCHECKBOX | WS_TABSTOP, WS_BORDER | WS_TABSTOP, SS_LEFT, LBS_NOTIFY | WS_BORDER, CBS_DROPDOWNLIST};
  for (int i = 0; i < 50; ++i) {
    while (t.size() % 4) t.push_back(0);
    DLGITEMTEMPLATE it{DWORD(WS_CHILD | WS_VISIBLE | styles[i % 5]), 0, SHORT(5 + (i % 5) * 58), SHORT(5 + (i / 5) * 25), 55, 20, WORD(100 + i)};
    put(&it, sizeof it);
    word(0xFFFF);
    word(atoms[i % 5]);
    text(u"Item");
    word(0);
  }
  return t;
}

void BM_CreateAndDestroyDialogOf50Controls(benchmark::State& state) {
  std::vector<uint8_t> tmpl = FiftyControls();
  for (auto _ : state) {
    HWND d = CreateDialogIndirectParamW(nullptr, tmpl.data(), nullptr, nullptr, 0);
    if (!d) {
      state.SkipWithError("the dialog could not be built");
      break;
    }
    DestroyWindow(d);
  }
  kvp::ui::ResetWindows();
}
BENCHMARK(BM_CreateAndDestroyDialogOf50Controls);

}  // namespace
