// A bare device context with real engine fonts and strings, and the records a text call wrote as
// zarndump lines.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gr_pdev.h"
#include "gr_text.h"
#include "kvtest/fonts.h"
#include "kvtest/temp_root.h"
#include "zarn_decode.h"
#include "zs_fixture.h"

namespace grtest {

using kvtest::Font;
using kvtest::Str;

struct TextContext : zstest::Context {
  kvtest::TempRoot root;
  SURFOBJ so{};
  TextContext() {
    so.dhpdev = pdev;
    pdev->osVersion.dwMajorVersion = 10;
  }
  // The records written since the last call, one zarndump line each.
  std::vector<std::string> Records() {
    EXPECT_TRUE(ZsFlush(s()));
    std::string out;
    zarn::DecodeResult r = zarn::Decode(reinterpret_cast<const uint8_t*>(sink.bytes.data()), sink.bytes.size(), false, &out);
    EXPECT_TRUE(r.ok) << out;
    sink.bytes.clear();
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
      if (line.rfind("  record ", 0) == 0) lines.push_back(line.substr(9));
    return lines;
  }
  // The raw bytes of the records written since the last call (without block headers).
  std::string RecordBytes() {
    EXPECT_TRUE(ZsFlush(s()));
    std::string out;
    for (size_t at = 0; at + 8 <= sink.bytes.size();) {
      DWORD n = zstest::U32(sink.bytes, at + 4);
      out += sink.bytes.substr(at + 8, n);
      at += 8 + n;
    }
    sink.bytes.clear();
    return out;
  }
  // Fills the current buffer chunk with clip-off records up to `leave` bytes, so that the next larger
  // record needs a new chunk (an allocation a test can fail).
  void FillChunk(DWORD leave) {
    DWORD room = DWORD(s()->current->end - s()->current->pos);
    if (room <= leave) return;
    DWORD n = (room - leave) & ~3u;
    BYTE* p = ZsReserve(s(), n);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0, n);
    for (DWORD i = 0; i < n; i += 4) p[i] = 55;
  }
  // The font sizes and transform of a font as the text hook forms them.
  static GR_FONT_XFORM Xform(FONTOBJ* f) {
    FD_XFORM x = kvp::eng::FontXform(f);
    return {x.eXX, x.eXY, x.eYX, x.eYY};
  }
};

inline size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  size_t n = 0;
  for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
  return n;
}

}  // namespace grtest
