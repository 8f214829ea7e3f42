// Shared by the engine's font objects and its text drawing.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kvplat/engine_font.h"

namespace kvp::eng {

// One rendered glyph: its record and the bitmap or outline it points to.
struct KvEngGlyph {
  GLYPHDATA data{};
  std::vector<BYTE> storage;  // the GLYPHBITS of a bitmap glyph
  PATHOBJ* path = nullptr;    // the outline of a path glyph
};

struct KvEngFont {
  FONTOBJ fo{};  // first: the FONTOBJ a driver sees is the font's address
  FT_Face face = nullptr;
  double emPixels = 0;
  double angle = 0;
  FD_XFORM xform{};
  XFORMOBJ* xo = nullptr;  // made on first request, remade when the transform changes
  std::vector<BYTE> ifi;  // the metrics record with its names
  std::map<HGLYPH, std::unique_ptr<KvEngGlyph>> bits, outlines;
  ~KvEngFont();
};

struct KvEngString {
  STROBJ so{};  // first, as above
  KvEngFont* font = nullptr;
  std::u16string text;  // zero-terminated
  std::vector<GLYPHPOS> pos;
  ULONG batch = 0;
  size_t next = 0;
};

// The live font or string behind a driver's pointer, or null.
KvEngFont* FontOf(FONTOBJ* fo);
KvEngString* StringOf(STROBJ* so);
// The glyph record of a glyph (FO_GLYPHBITS or FO_PATHOBJ), rendered on first use; null when it cannot be.
GLYPHDATA* GlyphOf(KvEngFont* f, HGLYPH hg, ULONG mode);

}  // namespace kvp::eng
