// The page script of `kvhost print --script`: a readable text of drawing calls, one a line, that the host
// plays on every page through the graphics library's drawing hooks with the engine's objects (clips,
// paths, brushes, line attributes, bitmaps and translations), as an application's drawing reaches a
// printer driver.
//
//   # comment                      units mm | dots        (coordinates that follow; dots by default)
//   color R G B                    pen and brush colour (0-255 each)
//   width W                        geometric line width (0: a cosmetic one-dot line)
//   style A B ...                  dash style in style units (none: solid)
//   rop HEX                        raster operation (ROP4) of the fills and bitmaps that follow
//   clip rect X0 Y0 X1 Y1 ...      one rectangle, or several as a complex region
//   clip path SEGMENTS             the inside of a path;   clip off
//   fill X0 Y0 X1 Y1               a filled rectangle (block transfer with the brush)
//   line X0 Y0 X1 Y1               polyline X Y X Y ...
//   path stroke|fill|winding|strokefill SEGMENTS   segments: M X Y, L X Y ..., C X1 Y1 X2 Y2 X3 Y3 ..., Z
//   bitmap X Y SOURCE DEPTH        a block transfer of a PNG file (or "pattern", a generated picture) at
//   copybits X Y SOURCE DEPTH      1, 4, 8, 16, 24 or 32 bits per pixel; copybits copies it instead
//   text X Y SIZE ANGLE FACE WORDS...   words in a font ("_" for spaces in the face name), em SIZE, the
//                                  baseline from X Y turned ANGLE degrees counter-clockwise
//   stretch X0 Y0 X1 Y1 SOURCE DEPTH   the picture scaled into the rectangle (X1 < X0 or Y1 < Y0 mirrors)
//   pattern hatch STYLE | pattern SOURCE DEPTH | pattern off   the brush of the fills that follow:
//                                  horizontal, vertical, fdiagonal, bdiagonal, cross, diagcross hatches
//                                  in the colour on white, a picture, or (off) the plain colour
//
// New commands join the table in page_script.cpp; each takes the parsed words of its line.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "kvplat/engine.h"

// The lines of `kvhost print --help` for the page script.
#define KVHOST_PAGE_SCRIPT_HELP                                                                              \
  "\n                           --script FILE draws every page from a page script, one call a line:\n"      \
  "                             units mm|dots, color R G B, width W, style A B ..., rop HEX,\n"              \
  "                             clip rect X0 Y0 X1 Y1 ... | clip path SEGMENTS | clip off,\n"                \
  "                             fill X0 Y0 X1 Y1, line X0 Y0 X1 Y1, polyline X Y X Y ...,\n"                 \
  "                             path stroke|fill|winding|strokefill M X Y L X Y C X1 Y1 X2 Y2 X3 Y3 Z,\n"    \
  "                             bitmap X Y FILE.png|pattern DEPTH, copybits X Y FILE.png|pattern DEPTH,\n" \
  "                             stretch X0 Y0 X1 Y1 FILE.png|pattern DEPTH,\n"                              \
  "                             pattern hatch STYLE | pattern FILE.png|pattern DEPTH | pattern off,\n"      \
  "                             text X Y SIZE ANGLE FACE WORDS..."

namespace kvhost::page {

// One line of a script: its number, command word and arguments.
struct Call {
  int line = 0;
  std::string command;
  std::vector<std::string> args;
};

// A picture as the script's bitmap calls take it: top-down rows of 24-bit blue-green-red pixels.
struct Picture {
  std::vector<BYTE> bgr;
  LONG width = 0, height = 0;
};

struct Script {
  std::vector<Call> calls;
  std::string folder;  // where relative file names are found
  // The pictures the calls named, each decoded on first use and then taken by every band and page of
  // the job (by file path, or "pattern").
  mutable std::map<std::string, Picture> pictures;
};

// Reads a script file. False with a message naming the line for an unknown command or bad arguments.
bool Load(const std::string& path, Script* out, std::string* error);
bool Parse(const std::string& text, Script* out, std::string* error);
// Plays the calls through the device's drawing hooks (calls the driver does not hook for its surface
// are drawn by the engine itself, into the band bitmap in raster mode), with the page moved by
// `origin`, the band's place on the page. False with a message for a call the library failed;
// *declined counts calls it handed back for the engine to simplify.
bool Play(const Script& script, kvp::eng::Device* dev, POINTL origin, int* declined, std::string* error);


}  // namespace kvhost::page
