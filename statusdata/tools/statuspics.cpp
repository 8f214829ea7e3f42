// statuspics: draws the status pictures of the status-data library and writes the library's whole
// resource script: the hand-written scripts given (string tables, version block), followed by the 25
// bitmaps in the resource compiler's drawn form (one character per pixel, naming a palette entry).
//
//   statuspics -o OUT.rc SCRIPT.rc...
//
// The scene is a wide-format printer seen from the front, 200 x 160 pixels:
//   - the top unit: mainframe cover on the left, paper exit cover with the operation panel on the right,
//     the paper exit slot on top of it;
//   - the front cover with the paper bypass slot on its left;
//   - the roll drawer, showing its paper roll through a window on the right;
//   - the stand with its legs and feet.
// Options are overlays of the same size drawn over it: the cut-paper tray inside the stand and the
// accordion-fold finisher on top of the machine. Pointers are red arrows whose tips touch the part
// concerned; the pointers at the roll drawer and at the cut-paper tray also show that source's window
// empty (the statuses that name a source say its paper is missing or not the paper needed). Caution,
// service and power-off signs sit in the top left corner. The library places each overlay at its own
// point; an overlay reaches from that point to the picture's right and bottom edges. An overlay X is drawn
// with its mask X_B first (black where X is, white elsewhere, raster AND) and then X itself (black
// where it is transparent, raster OR), so each image lists its own transparency.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The shared palette; pixel characters name entries by position.
constexpr unsigned kPalette[] = {
    0x000000,  // 0 black (transparent part of an overlay)
    0xFFFFFF,  // 1 white
    0x3C4650,  // 2 outline
    0xD9DEE3,  // 3 body, light
    0xBCC4CC,  // 4 body, mid
    0x8C96A0,  // 5 body, dark
    0x2E3A46,  // 6 panel
    0x3CC864,  // 7 LED green
    0xFAFAF6,  // 8 paper
    0xA07850,  // 9 roll core
    0xE03030,  // 10 arrow red
    0x9C1C1C,  // 11 arrow outline
    0xF5C518,  // 12 caution yellow
    0x2F6FD0,  // 13 service blue
    0x1E4A8C,  // 14 service outline
    0x6E767E,  // 15 power grey
    0x505A64,  // 16 slot
    0xC3CBD2,  // 17 cut tray
    0xECEFF2,  // 18 floor shadow
    0xCFD6DD,  // 19 finisher
    0x9BD0E0,  // 20 panel display
    0x444444,  // 21 sign mark
};
constexpr int kColours = sizeof kPalette / sizeof kPalette[0];
constexpr int kTransparent = -1;

enum Colour {
  BLACK, WHITE, OUTLINE, LIGHT, MID, DARK, PANEL, LED, PAPER, CORE, RED, RED_DARK, YELLOW, BLUE,
  BLUE_DARK, GREY, SLOT, TRAY, SHADOW, FINISHER, DISPLAY, MARK,
};

struct Canvas {
  int w, h;
  std::vector<int> px;
  Canvas(int width, int height, int fill) : w(width), h(height), px(size_t(width) * height, fill) {}
  void Set(int x, int y, int c) {
    if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y) * w + x] = c;
  }
  int Get(int x, int y) const { return px[size_t(y) * w + x]; }
  // Filled rectangle [x0, x1) x [y0, y1), with an outline of colour `edge` when edge >= 0.
  void Rect(int x0, int y0, int x1, int y1, int fill, int edge = kTransparent) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        bool border = x == x0 || y == y0 || x == x1 - 1 || y == y1 - 1;
        Set(x, y, (border && edge != kTransparent) ? edge : fill);
      }
  }
  void Line(int x0, int y0, int x1, int y1, int c, int thick = 1) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      for (int a = 0; a < thick; ++a)
        for (int b = 0; b < thick; ++b) Set(x0 + a - thick / 2, y0 + b - thick / 2, c);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  // Disc of radius r (centre in pixel units, may be fractional), or a ring when inner > 0.
  void Disc(double cx, double cy, double r, int c, double inner = 0) {
    for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
      for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
        double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        if (d <= r && d >= inner) Set(x, y, c);
      }
  }
  // Filled polygon (even-odd rule, sampled at pixel centres).
  void Polygon(const std::vector<std::pair<double, double>>& pts, int c) {
    for (int y = 0; y < h; ++y) {
      double sy = y + 0.5;
      for (int x = 0; x < w; ++x) {
        double sx = x + 0.5;
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
          auto [xi, yi] = pts[i];
          auto [xj, yj] = pts[j];
          if ((yi > sy) != (yj > sy) && sx < (xj - xi) * (sy - yi) / (yj - yi) + xi) in = !in;
        }
        if (in) Set(x, y, c);
      }
    }
  }
  // A polygon with a one-pixel outline: the outline is the filled shape minus its inset.
  void OutlinedPolygon(const std::vector<std::pair<double, double>>& pts, int fill, int edge) {
    Canvas shape(w, h, kTransparent);
    shape.Polygon(pts, 1);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (shape.Get(x, y) == kTransparent) continue;
        bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1 || shape.Get(x - 1, y) == kTransparent ||
                      shape.Get(x + 1, y) == kTransparent || shape.Get(x, y - 1) == kTransparent ||
                      shape.Get(x, y + 1) == kTransparent;
        Set(x, y, border ? edge : fill);
      }
  }
};

// Tiny digits for the drawer labels (3 x 5).
void Digit(Canvas& c, int x, int y, int digit, int colour) {
  static const char* const kGlyphs[] = {"010110010010111", "111001111100111"};
  const char* g = kGlyphs[digit - 1];
  for (int r = 0; r < 5; ++r)
    for (int k = 0; k < 3; ++k)
      if (g[r * 3 + k] == '1') c.Set(x + k, y + r, colour);
}

// ---- the scene --------------------------------------------------------------------------------------

constexpr int kW = 200, kH = 160;

// The roll drawer spans y 112-133; the arrow at it ends on its top edge.
constexpr int kDrawerTop = 112, kDrawerBottom = 133;
// Its window, right of the place where the library puts the drawer's pointer.
constexpr int kRollX0 = 118, kRollX1 = 170;

// The roll seen through the drawer's window: a full roll of paper, or the bare core of an empty one.
void RollWindow(Canvas& c, bool full) {
  int y0 = kDrawerTop + 3, y1 = kDrawerBottom - 3;
  double mid = (y0 + y1) / 2.0;
  c.Rect(kRollX0, y0, kRollX1, y1, SLOT, OUTLINE);
  if (full) {
    c.Rect(kRollX0 + 8, y0 + 2, kRollX1 - 3, y1 - 2, PAPER);
    c.Line(kRollX0 + 8, y1 - 3, kRollX1 - 4, y1 - 3, MID);
    c.Disc(kRollX0 + 8, mid, 6.5, MID);
    c.Disc(kRollX0 + 8, mid, 5.5, PAPER);
  } else {
    c.Line(kRollX0 + 8, mid, kRollX1 - 4, mid, DARK);  // the empty shaft
  }
  c.Disc(kRollX0 + 8, mid, 2, CORE);
}

void RollDrawer(Canvas& c) {
  c.Rect(24, kDrawerTop, 176, kDrawerBottom, LIGHT, OUTLINE);
  c.Line(25, kDrawerTop + 1, 174, kDrawerTop + 1, WHITE);
  RollWindow(c, true);
  c.Rect(34, kDrawerTop + 8, 62, kDrawerTop + 12, DARK, OUTLINE);  // handle
  Digit(c, 100, kDrawerTop + 7, 1, OUTLINE);
  Digit(c, 106, kDrawerTop + 7, 2, OUTLINE);  // the drawer holds rolls 1 and 2
}

Canvas Base() {
  Canvas c(kW, kH, WHITE);
  // Floor shadow.
  for (int y = 152; y < 158; ++y)
    for (int x = 18; x < 182; ++x) {
      double dx = (x + 0.5 - 100) / 82.0, dy = (y + 0.5 - 155) / 3.5;
      if (dx * dx + dy * dy <= 1) c.Set(x, y, SHADOW);
    }
  // Stand: legs, feet with casters, cross bar.
  c.Rect(40, 132, 47, 152, MID, OUTLINE);
  c.Rect(153, 132, 160, 152, MID, OUTLINE);
  c.Rect(30, 150, 58, 154, DARK, OUTLINE);
  c.Rect(142, 150, 170, 154, DARK, OUTLINE);
  for (int x : {33, 54, 145, 166}) c.Disc(x + 0.5, 155.5, 2, OUTLINE);
  c.Rect(47, 140, 153, 144, MID, OUTLINE);
  RollDrawer(c);
  // Front cover with its grip and the bypass slot.
  c.Rect(24, 60, 176, kDrawerTop + 1, LIGHT, OUTLINE);
  c.Line(25, 61, 174, 61, WHITE);
  c.Rect(70, 104, 150, 107, DARK);
  c.Rect(30, 74, 57, 80, SLOT, OUTLINE);
  c.OutlinedPolygon({{31, 79}, {56, 79}, {54, 85}, {33, 85}}, PAPER, DARK);
  // Top unit: mainframe cover and paper exit cover with the operation panel.
  c.OutlinedPolygon({{24, 61}, {24, 46}, {28, 42}, {129, 42}, {129, 61}}, MID, OUTLINE);
  c.Line(29, 43, 127, 43, LIGHT);
  c.OutlinedPolygon({{128, 61}, {128, 42}, {172, 42}, {176, 46}, {176, 61}}, LIGHT, OUTLINE);
  c.Rect(148, 47, 173, 58, PANEL, OUTLINE);
  c.Rect(150, 49, 162, 56, DISPLAY);
  c.Rect(166, 50, 169, 53, LED);
  // Paper exit: the slot and a printed sheet coming out of it.
  c.Rect(132, 40, 170, 43, SLOT);
  c.OutlinedPolygon({{134, 41}, {168, 41}, {171, 31}, {137, 31}}, PAPER, DARK);
  for (int y : {34, 36, 38}) c.Line(141, y, 163, y, MID);
  return c;
}

// The cut-paper tray spans x 50-138; its window lies right of the place of the tray's pointer.
constexpr int kTrayRight = 138;

// The stack of cut sheets seen through the tray's window, or the empty bottom plate.
void TrayWindow(Canvas& c, bool full) {
  c.Rect(118, 137, 135, 149, SLOT, OUTLINE);
  if (full)
    for (int y = 139; y < 148; y += 2) c.Line(120, y, 132, y, PAPER);
  else
    c.Line(120, 147, 132, 147, DARK);
}

Canvas CutTray() {
  Canvas c(kW, kH, kTransparent);
  c.Rect(50, 133, kTrayRight, 153, TRAY, OUTLINE);
  c.Line(51, 134, kTrayRight - 2, 134, WHITE);
  TrayWindow(c, true);
  c.Rect(64, 141, 92, 145, DARK, OUTLINE);  // handle
  return c;
}

Canvas Finisher() {
  Canvas c(kW, kH, kTransparent);
  c.OutlinedPolygon({{44, 43}, {44, 18}, {48, 14}, {104, 14}, {108, 18}, {108, 43}}, FINISHER, OUTLINE);
  c.Line(48, 15, 103, 15, WHITE);
  c.Line(46, 34, 106, 34, DARK);
  // The fan-folded output on top.
  std::vector<std::pair<double, double>> fan;
  for (int i = 0; i <= 8; ++i) fan.push_back({52 + i * 6.0, i % 2 ? 5.0 : 13.0});
  fan.push_back({100, 14});
  fan.push_back({52, 14});
  c.OutlinedPolygon(fan, PAPER, DARK);
  c.Rect(92, 22, 102, 26, DARK);
  return c;
}

enum Direction { DOWN, UP, LEFT };

// A red arrow in a box of w x h whose tip touches the middle of the box's side in `d`.
Canvas Arrow(int w, int h, Direction d) {
  int along = d == LEFT ? w : h, across = d == LEFT ? h : w;
  double head = along * 0.5, shaft = across * 0.36;
  double m = across / 2.0;
  // Pointing towards +along: tip at along.
  std::vector<std::pair<double, double>> pts = {
      {m - shaft / 2, 0},  {m + shaft / 2, 0},    {m + shaft / 2, along - head}, {double(across), along - head},
      {m, double(along)},  {0, along - head},     {m - shaft / 2, along - head},
  };
  for (auto& p : pts) {
    double a = p.first, b = p.second;  // across, along
    if (d == DOWN) p = {a, b};
    if (d == UP) p = {a, along - b};
    if (d == LEFT) p = {along - b, a};
  }
  Canvas c(w, h, kTransparent);
  c.OutlinedPolygon(pts, RED, RED_DARK);
  return c;
}

constexpr int kSign = 40;

Canvas Caution() {
  Canvas c(kSign, kSign, kTransparent);
  c.OutlinedPolygon({{20, 1}, {39, 37}, {1, 37}}, YELLOW, MARK);
  c.Rect(18, 13, 22, 27, MARK);
  c.Rect(18, 30, 22, 34, MARK);
  return c;
}

Canvas Service() {
  Canvas c(kSign, kSign, kTransparent);
  c.Disc(20, 20, 19.5, BLUE_DARK);
  c.Disc(20, 20, 18, BLUE);
  // A spanner: handle and open jaw.
  c.Line(11, 29, 22, 18, WHITE, 5);
  c.Disc(25.5, 14.5, 7, WHITE);
  c.Disc(28.5, 11.5, 3.5, BLUE);
  c.Disc(10.5, 29.5, 2.5, WHITE);
  return c;
}

// Copies the drawn pixels of src into dst with src's top left corner at (x, y).
void Paste(Canvas& dst, const Canvas& src, int x, int y) {
  for (int j = 0; j < src.h; ++j)
    for (int i = 0; i < src.w; ++i)
      if (src.Get(i, j) != kTransparent) dst.Set(x + i, y + j, src.Get(i, j));
}

// The part of a picture-sized canvas from (x, y) to the right and bottom edges: an overlay placed there.
Canvas From(const Canvas& c, int x, int y) {
  Canvas out(c.w - x, c.h - y, kTransparent);
  for (int j = 0; j < out.h; ++j)
    for (int i = 0; i < out.w; ++i) out.Set(i, j, c.Get(x + i, y + j));
  return out;
}

// The library places the roll drawer's pointer at (83, 98): an arrow down onto the drawer's top edge,
// with the drawer's roll shown empty.
Canvas PointAtRollDrawer() {
  Canvas c(kW, kH, kTransparent);
  RollWindow(c, false);
  Paste(c, Arrow(24, kDrawerTop - 98, DOWN), 83, 98);
  return From(c, 83, 98);
}

// The cut-paper tray's pointer is placed at (117, 126): an arrow pointing left at the tray's right end,
// with the tray's window shown empty.
Canvas PointAtCutTray() {
  Canvas c(kW, kH, kTransparent);
  TrayWindow(c, false);
  Paste(c, Arrow(24, 18, LEFT), kTrayRight, 134);
  return From(c, 117, 126);
}

Canvas PowerOff() {
  Canvas c(kSign, kSign, kTransparent);
  c.Disc(20, 20, 19.5, MARK);
  c.Disc(20, 20, 18, GREY);
  c.Disc(20, 21, 11, WHITE, 8);
  c.Rect(16, 6, 24, 14, GREY);  // the gap at the top of the ring
  c.Rect(18, 7, 22, 22, WHITE);
  return c;
}

// ---- output -------------------------------------------------------------------------------------------

char PixelChar(int i) {
  if (i < 10) return char('0' + i);
  if (i < 36) return char('A' + i - 10);
  return char('a' + i - 36);
}

void Emit(std::ostream& o, const std::string& name, const Canvas& c, const std::vector<unsigned>& palette,
          int (*map)(int)) {
  o << name << " BITMAP\nBEGIN\n  PALETTE ";
  for (size_t i = 0; i < palette.size(); ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%06X", palette[i]);
    o << (i ? ", " : "") << buf;
  }
  o << "\n";
  for (int y = 0; y < c.h; ++y) {
    o << "  \"";
    for (int x = 0; x < c.w; ++x) o << PixelChar(map(c.Get(x, y)));
    o << "\"\n";
  }
  o << "END\n\n";
}

int Opaque(int i) { return i == kTransparent ? WHITE : i; }
int Paint(int i) { return i == kTransparent ? BLACK : i; }
int Mask(int i) { return i == kTransparent ? 1 : 0; }

void EmitOverlay(std::ostream& o, const std::string& name, const Canvas& c, const std::vector<unsigned>& palette) {
  Emit(o, name, c, palette, Paint);
  Emit(o, name + "_B", c, {0x000000, 0xFFFFFF}, Mask);
}

}  // namespace

int main(int argc, char** argv) {
  std::string out;
  std::vector<std::string> scripts;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-o" && i + 1 < argc) out = argv[++i];
    else scripts.push_back(a);
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: statuspics -o OUT.rc SCRIPT.rc...\n");
    return 2;
  }
  std::ostringstream o;
  o << "// Generated by statuspics; edit the scripts named below or the drawing program, not this file.\n\n";
  for (const auto& s : scripts) {
    std::ifstream in(s, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "statuspics: cannot read %s\n", s.c_str());
      return 1;
    }
    o << "// ---- " << s << "\n" << in.rdbuf() << "\n";
  }
  std::vector<unsigned> palette(kPalette, kPalette + kColours);
  o << "// ---- status pictures\nLANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL\n\n";
  Emit(o, "BM_BASE", Base(), palette, Opaque);
  EmitOverlay(o, "BM_CUTTRAY", CutTray(), palette);
  EmitOverlay(o, "BM_ZABA", Finisher(), palette);
  EmitOverlay(o, "BM_CAUTION", Caution(), palette);
  EmitOverlay(o, "BM_SERVICE", Service(), palette);
  EmitOverlay(o, "BM_POWEROFF", PowerOff(), palette);
  EmitOverlay(o, "BM_POINT_1", PointAtRollDrawer(), palette);    // roll drawer, its roll empty
  EmitOverlay(o, "BM_POINT_2", PointAtCutTray(), palette);       // cut-paper tray, its window empty
  EmitOverlay(o, "BM_POINT_3", Arrow(24, 18, LEFT), palette);   // paper bypass slot
  EmitOverlay(o, "BM_POINT_4", Arrow(24, 24, UP), palette);     // mainframe cover
  EmitOverlay(o, "BM_POINT_5", Arrow(24, 24, DOWN), palette);   // front cover
  EmitOverlay(o, "BM_POINT_6", Arrow(24, 20, DOWN), palette);   // paper exit cover
  EmitOverlay(o, "BM_POINT_7", Arrow(24, 24, UP), palette);     // finisher on top
  std::string text = o.str();

  std::ofstream f(out, std::ios::binary);
  f << text;
  if (!f) {
    std::fprintf(stderr, "statuspics: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
