// A device context for the drawing hooks: the bare context of zs_fixture.h with a clip cache, a
// resolution, a device surface whose DHPDEV is the context, and the stream read back through the
// decoder, one record per line.
#pragma once
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "gr_hooks.h"
#include "gr_state.h"
#include "kvplat/engine_draw.h"
#include "zarn_decode.h"
#include "zs_fixture.h"

namespace drawtest {

struct DrawContext : zstest::Context {
  SURFOBJ device{};
  DrawContext() {
    pdev->resolution = 600;
    pdev->clipCache = GrCreateClipCache(pdev);
    device.dhpdev = pdev;
    device.iType = STYPE_DEVICE;
    device.iBitmapFormat = BMF_24BPP;
    device.sizlBitmap = SIZEL{4800, 6400};
  }
  // The record lines of the decoder's dump of what was written since the last call.
  std::vector<std::string> Lines() {
    ZsFlush(&pdev->stream);
    std::string text;
    zarn::Decode(reinterpret_cast<const uint8_t*>(sink.bytes.data()), sink.bytes.size(), false, &text);
    sink.bytes.clear();
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      size_t at = line.find("record ");
      if (at != std::string::npos) out.push_back(line.substr(at + 7));
    }
    return out;
  }
  // The records without their opcode ("rop 0xCC").
  std::vector<std::string> Records() {
    std::vector<std::string> out;
    for (const std::string& l : Lines()) out.push_back(l.substr(l.find(' ') + 1));
    return out;
  }
  // Opcodes of the records.
  std::vector<int> Opcodes() {
    std::vector<int> out;
    for (const std::string& l : Lines()) out.push_back(std::stoi(l));
    return out;
  }
};

// Engine objects released at the end of a test.
struct Objects {
  std::vector<PATHOBJ*> paths;
  std::vector<CLIPOBJ*> clips;
  std::vector<BRUSHOBJ*> brushes;
  std::vector<XFORMOBJ*> xforms;
  std::vector<XLATEOBJ*> xlates;
  ~Objects() {
    for (auto* p : paths) EngDeletePath(p);
    for (auto* c : clips) kvp::eng::DeleteClip(c);
    for (auto* b : brushes) kvp::eng::DeleteBrush(b);
    for (auto* x : xforms) kvp::eng::DeleteXform(x);
    for (auto* x : xlates) kvp::eng::DeleteXlate(x);
  }
  PATHOBJ* Path() { return paths.emplace_back(kvp::eng::CreatePath()); }
  // Closed rectangles in pixels, one subpath each.
  PATHOBJ* Rects(std::initializer_list<RECTL> rects) {
    PATHOBJ* p = Path();
    for (const RECTL& r : rects) {
      kvp::eng::PathMoveTo(p, POINTFIX{r.left * 16, r.top * 16});
      POINTFIX pts[3] = {{r.right * 16, r.top * 16}, {r.right * 16, r.bottom * 16}, {r.left * 16, r.bottom * 16}};
      kvp::eng::PathLinesTo(p, pts, 3);
      kvp::eng::PathCloseFigure(p);
    }
    return p;
  }
  CLIPOBJ* Clip(std::initializer_list<RECTL> rects, ULONG uniq) {
    std::vector<RECTL> v(rects);
    return clips.emplace_back(kvp::eng::CreateClip(v.data(), ULONG(v.size()), uniq));
  }
  BRUSHOBJ* Solid(ULONG color, FLONG flags = 0) { return brushes.emplace_back(kvp::eng::CreateSolidBrush(color, flags)); }
  XFORMOBJ* Scale(float s) {
    XFORML m{s, 0, 0, s, 0, 0};
    return xforms.emplace_back(kvp::eng::CreateXform(&m));
  }
};

}  // namespace drawtest
