// Any bytes as a dialog template: the decoder reads no byte outside the input and gives back either a
// template whose every field was read from it or nothing. A small template it accepts is then built as a
// dialog: the platform builds it or fails it as a whole with its error (an unknown class, a bad size),
// never a crash; what was built is destroyed again.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/resource.h"
#include "kvplat/window.h"

namespace {

INT_PTR Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The indirect dialog calls take a template without its size and read at most this much of it.
constexpr size_t kIndirectBound = size_t(1) << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Copied to an allocation of its own, so a read past the input is a read past the allocation.
  std::vector<uint8_t> bytes(data, data + size);
  kvp::DialogDesc d;
  if (!kvp::DecodeDialogTemplate(bytes.data(), bytes.size(), &d)) return 0;
  unsigned sum = d.style + d.cx + d.cy + d.caption.size() + d.className.size() + d.fontFace.size();
  for (const kvp::DialogItem& it : d.items) {
    sum += it.id + it.style + it.x + it.y + it.cx + it.cy + it.classAtom + it.textId;
    for (char16_t c : it.className) sum += c;
    for (char16_t c : it.text) sum += c;
  }
  if (sum == 0xFFFFFFFFu) std::fputc(0, stderr);  // keeps the reads
  // Built only when small: a template of thousands of controls is valid but slow to build.
  if (d.items.size() > 64 || d.menuId || !d.menuName.empty()) return 0;
  std::vector<uint8_t> padded(kIndirectBound, 0);
  std::memcpy(padded.data(), bytes.data(), bytes.size() < kIndirectBound ? bytes.size() : kIndirectBound);
  HWND h = CreateDialogIndirectParamW(nullptr, padded.data(), nullptr, Quiet, 0);
  if (h) DestroyWindow(h);
  return 0;
}
