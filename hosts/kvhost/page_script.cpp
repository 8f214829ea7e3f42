// The page script: parsed into calls against a command table, then played through the graphics
// library's drawing hooks with engine objects made for each call and released after it.
#include "page_script.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "command.h"
#include "kvplat/codepage.h"
#include "kvplat/engine_font.h"

namespace kvhost::page {
namespace {

// What the calls of one page share: the device, the current colour, line, raster operation and clip.
struct Player {
  kvp::eng::Device* dev = nullptr;
  double scale = 1.0;  // dots per script unit
  ULONG color = 0;     // red in the low byte
  float width = 0;
  std::vector<float> style;
  ROP4 rop = 0;
  bool ropSet = false;  // false: each call's own default raster operation
  ROP4 Rop(ROP4 callDefault) const { return ropSet ? rop : callDefault; }
  LONG hatch = -1;  // the brush of fills: a hatch style, a pattern picture, or (neither) the colour
  std::vector<std::string> pattern;  // SOURCE DEPTH of a pattern picture
  CLIPOBJ* clip = nullptr;
  const Script* script = nullptr;
  POINTL origin{0, 0};  // the band's place on the page: coordinates are moved by it
  FLONG hooks = 0;      // the drawing calls the driver hooks for the surface
  int declined = 0;
  ~Player() { kvp::eng::DeleteClip(clip); }
  SURFOBJ* so() const { return dev->surfobj; }
  template <typename F>
  F Hook(ULONG index) const {
    return dev->driver->Hook<F>(index);
  }
  LONG Dot(const std::string& v) const { return LONG(std::lround(std::strtod(v.c_str(), nullptr) * scale)); }
  LONG X(const std::string& v) const { return Dot(v) - origin.x; }
  LONG Y(const std::string& v) const { return Dot(v) - origin.y; }
  POINTFIX Point(const std::string& x, const std::string& y) const {
    return POINTFIX{FIX(std::lround(std::strtod(x.c_str(), nullptr) * scale * 16)) - origin.x * 16,
                    FIX(std::lround(std::strtod(y.c_str(), nullptr) * scale * 16)) - origin.y * 16};
  }
  // The driver's hook when it hooks the call for this surface, else the engine's own drawing (which a
  // device surface, holding no bits, refuses).
  template <typename F>
  F Pick(ULONG index, FLONG hook, F engine) const {
    F driver = Hook<F>(index);
    return driver && (hooks & hook) ? driver : engine;
  }
};

using Runner = bool (*)(Player&, const Call&, std::string*);

struct Command {
  const char* name;
  size_t minArgs, maxArgs;
  Runner run;
};

bool IsNumber(const std::string& s) {
  char* end = nullptr;
  std::strtod(s.c_str(), &end);
  return !s.empty() && end && *end == 0;
}

// Frees engine objects at the end of a call.
struct Owned {
  PATHOBJ* path = nullptr;
  BRUSHOBJ* brush = nullptr;
  XLATEOBJ* xlate = nullptr;
  HSURF bitmap = nullptr;
  SURFOBJ* so = nullptr;
  ~Owned() {
    EngDeletePath(path);
    kvp::eng::DeleteBrush(brush);
    kvp::eng::DeleteXlate(xlate);
    if (so) EngUnlockSurface(so);
    if (bitmap) EngDeleteSurface(bitmap);
  }
};

// Path segments: M X Y (further pairs after it are lines), L X Y ..., C X1 Y1 X2 Y2 X3 Y3 ..., Z.
bool BuildPath(const Player& pl, const std::vector<std::string>& w, size_t from, PATHOBJ* path, std::string* error) {
  char op = 0;
  std::vector<POINTFIX> pts;
  auto flush = [&]() {
    bool ok = pts.empty() || (op == 'L' ? kvp::eng::PathLinesTo(path, pts.data(), ULONG(pts.size()))
                                        : kvp::eng::PathBeziersTo(path, pts.data(), ULONG(pts.size())));
    pts.clear();
    return ok;
  };
  bool ok = true;
  for (size_t i = from; ok && i < w.size(); ++i) {
    const std::string& t = w[i];
    if (t == "M" || t == "L" || t == "C" || t == "Z") {
      ok = flush();
      op = t[0];
      if (op == 'Z') ok = ok && kvp::eng::PathCloseFigure(path);
      continue;
    }
    if (!IsNumber(t) || i + 1 >= w.size() || !IsNumber(w[i + 1]) || op == 0 || op == 'Z') {
      *error = "bad path segment at '" + t + "'";
      return false;
    }
    POINTFIX pt = pl.Point(t, w[i + 1]);
    ++i;
    if (op == 'M') {
      ok = kvp::eng::PathMoveTo(path, pt);
      op = 'L';
    } else {
      pts.push_back(pt);
    }
  }
  if (!ok || !flush() || path->cCurves == 0) {
    *error = "a path needs M X Y first, then L or C segments (C takes points in threes)";
    return false;
  }
  return true;
}

bool Declined(Player& pl, BOOL r, const char* what, std::string* error) {
  if (r == TRUE) return true;
  if (ULONG(r) == DDI_ERROR) {
    *error = std::string("the graphics library failed the ") + what;
    return false;
  }
  ++pl.declined;  // handed back for the engine to simplify
  return true;
}

// ---- Bitmaps ----

// The picture of a PNG file or the generated pattern, decoded once per script.
const Picture* Decode(const Player& pl, const std::string& source, std::string* error) {
  std::string path = source;
  if (source != "pattern" && !path.empty() && path[0] != '/' && !pl.script->folder.empty())
    path = pl.script->folder + "/" + path;
  auto known = pl.script->pictures.find(path);
  if (known != pl.script->pictures.end()) return &known->second;
  Picture pic;
  if (source == "pattern") {
    pic.width = 960;
    pic.height = 640;
    LONG w = pic.width, h = pic.height;
    pic.bgr.resize(size_t(w) * h * 3);
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        BYTE* p = &pic.bgr[(size_t(y) * w + x) * 3];
        double r = std::hypot(x - 480.0, y - 320.0);
        p[0] = BYTE(x * 255 / (w - 1));                 // blue across
        p[1] = BYTE(127 + 127 * std::sin(r / 24.0));    // green rings
        p[2] = BYTE(255 - y * 255 / (h - 1));           // red down
      }
  } else {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) {
      *error = "cannot read the picture " + path;
      return nullptr;
    }
    img.format = PNG_FORMAT_BGR;
    if (img.width > 20000 || img.height > 20000) {
      png_image_free(&img);
      *error = "cannot read the picture " + path;
      return nullptr;
    }
    pic.bgr.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, pic.bgr.data(), 0, nullptr)) {
      png_image_free(&img);
      *error = "cannot read the picture " + path;
      return nullptr;
    }
    pic.width = LONG(img.width);
    pic.height = LONG(img.height);
  }
  return &pl.script->pictures.emplace(path, std::move(pic)).first->second;
}

// A top-down 24-bit engine bitmap of a PNG file or of the generated pattern.
SURFOBJ* LoadSource(const Player& pl, const std::string& source, HSURF* handle, std::string* error) {
  const Picture* pic = Decode(pl, source, error);
  if (!pic) return nullptr;
  LONG w = pic->width, h = pic->height;
  *handle = EngCreateBitmap(SIZEL{w, h}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  SURFOBJ* so = *handle ? EngLockSurface(*handle) : nullptr;
  if (!so) {
    *error = "no memory for the picture";
    return nullptr;
  }
  for (LONG y = 0; y < h; ++y)
    std::copy_n(&pic->bgr[size_t(y) * w * 3], size_t(w) * 3, static_cast<BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta);
  return so;
}

ULONG FormatOfDepth(long depth) {
  switch (depth) {
    case 1: return BMF_1BPP;
    case 4: return BMF_4BPP;
    case 8: return BMF_8BPP;
    case 16: return BMF_16BPP;
    case 24: return BMF_24BPP;
    case 32: return BMF_32BPP;
    default: return 0;
  }
}

// The source at the asked depth (indexed depths as grey ramps) with its translation to colours.
bool MakeSource(const Player& pl, const std::string& source, const std::string& depthWord, Owned* o,
                std::string* error) {
  ULONG format = FormatOfDepth(std::strtol(depthWord.c_str(), nullptr, 10));
  if (!format) {
    *error = "depth " + depthWord + ": use 1, 4, 8, 16, 24 or 32";
    return false;
  }
  HSURF rgbHandle = nullptr;
  SURFOBJ* rgb = LoadSource(pl, source, &rgbHandle, error);
  if (!rgb) {
    if (rgbHandle) EngDeleteSurface(rgbHandle);
    return false;
  }
  o->bitmap = rgbHandle;
  o->so = rgb;
  if (format == BMF_24BPP) return true;
  HSURF h = EngCreateBitmap(rgb->sizlBitmap, 0, format, BMF_TOPDOWN, nullptr);
  SURFOBJ* so = h ? EngLockSurface(h) : nullptr;
  RECTL all{0, 0, rgb->sizlBitmap.cx, rgb->sizlBitmap.cy};
  POINTL zero{0, 0};
  if (!so || !EngCopyBits(so, rgb, nullptr, nullptr, &all, &zero)) {
    if (so) EngUnlockSurface(so);
    if (h) EngDeleteSurface(h);
    *error = "cannot convert the picture";
    return false;
  }
  EngUnlockSurface(rgb);
  EngDeleteSurface(rgbHandle);
  o->bitmap = h;
  o->so = so;
  if (format <= BMF_8BPP) {
    ULONG n = format == BMF_1BPP ? 2 : format == BMF_4BPP ? 16 : 256;
    std::vector<ULONG> ramp(n);
    for (ULONG i = 0; i < n; ++i) {
      ULONG g = i * 255 / (n - 1);
      ramp[i] = g | g << 8 | g << 16;
    }
    o->xlate = kvp::eng::CreateXlate(ramp.data(), n);
  }
  return true;
}

// ---- Commands ----

bool RunUnits(Player& pl, const Call& c, std::string* error) {
  if (c.args[0] == "dots") {
    pl.scale = 1.0;
  } else if (c.args[0] == "mm") {
    pl.scale = pl.dev->gdiInfo.ulLogPixelsX / 25.4;
  } else {
    *error = "units are mm or dots";
    return false;
  }
  return true;
}

bool RunColor(Player& pl, const Call& c, std::string*) {
  auto byte = [](const std::string& s) { return ULONG(std::clamp(std::strtol(s.c_str(), nullptr, 10), 0L, 255L)); };
  pl.color = byte(c.args[0]) | byte(c.args[1]) << 8 | byte(c.args[2]) << 16;
  return true;
}

bool RunWidth(Player& pl, const Call& c, std::string*) {
  pl.width = float(std::max(0.0, std::strtod(c.args[0].c_str(), nullptr) * pl.scale));
  return true;
}

bool RunStyle(Player& pl, const Call& c, std::string*) {
  pl.style.clear();
  for (const std::string& a : c.args) pl.style.push_back(float(std::strtod(a.c_str(), nullptr)));
  return true;
}

bool RunRop(Player& pl, const Call& c, std::string* error) {
  char* end = nullptr;
  unsigned long v = std::strtoul(c.args[0].c_str(), &end, 16);
  if (!end || *end || v > 0xFFFF) {
    *error = "rop takes a ROP4 in hexadecimal (CCCC, F0F0, ...)";
    return false;
  }
  pl.rop = ROP4(v);  // 0000 is BLACKNESS, not "the default"
  pl.ropSet = true;
  return true;
}

bool RunClip(Player& pl, const Call& c, std::string* error) {
  static ULONG uniq = 100;
  kvp::eng::DeleteClip(pl.clip);
  pl.clip = nullptr;
  if (c.args[0] == "off") return true;
  if (c.args[0] == "rect") {
    if (c.args.size() < 5 || (c.args.size() - 1) % 4) {
      *error = "clip rect takes rectangles of four numbers";
      return false;
    }
    std::vector<RECTL> rects;
    for (size_t i = 1; i + 3 < c.args.size(); i += 4)
      rects.push_back(RECTL{pl.X(c.args[i]), pl.Y(c.args[i + 1]), pl.X(c.args[i + 2]), pl.Y(c.args[i + 3])});
    pl.clip = kvp::eng::CreateClip(rects.data(), ULONG(rects.size()), ++uniq);
  } else if (c.args[0] == "path") {
    Owned o;
    o.path = kvp::eng::CreatePath();
    if (!BuildPath(pl, c.args, 1, o.path, error)) return false;
    pl.clip = kvp::eng::CreateClipFromPath(o.path, ++uniq);
  } else {
    *error = "clip takes rect, path or off";
    return false;
  }
  if (!pl.clip) *error = "the clip is empty";
  return pl.clip != nullptr;
}

bool Stroke(Player& pl, PATHOBJ* path, std::string* error) {
  Owned o;
  o.brush = kvp::eng::CreateSolidBrush(pl.color);
  kvp::eng::LineAttrs la;
  kvp::eng::MakeLineAttrs(&la, pl.width > 0, pl.width, JOIN_ROUND, ENDCAP_ROUND, 10.0f,
                          pl.style.empty() ? nullptr : pl.style.data(), ULONG(pl.style.size()));
  auto stroke = pl.Pick(INDEX_DrvStrokePath, HOOK_STROKEPATH, &EngStrokePath);
  return Declined(pl, stroke(pl.so(), path, pl.clip, nullptr, o.brush, nullptr, &la.attrs, 0x0D0D), "line", error);
}

bool RunLine(Player& pl, const Call& c, std::string* error) {
  if (c.args.size() % 2) {
    *error = "points come in pairs";
    return false;
  }
  Owned o;
  o.path = kvp::eng::CreatePath();
  kvp::eng::PathMoveTo(o.path, pl.Point(c.args[0], c.args[1]));
  std::vector<POINTFIX> pts;
  for (size_t i = 2; i + 1 < c.args.size(); i += 2) pts.push_back(pl.Point(c.args[i], c.args[i + 1]));
  kvp::eng::PathLinesTo(o.path, pts.data(), ULONG(pts.size()));
  return Stroke(pl, o.path, error);
}

bool RunPath(Player& pl, const Call& c, std::string* error) {
  const std::string& how = c.args[0];
  Owned o;
  o.path = kvp::eng::CreatePath();
  if (!BuildPath(pl, c.args, 1, o.path, error)) return false;
  if (how == "stroke") return Stroke(pl, o.path, error);
  o.brush = kvp::eng::CreateSolidBrush(pl.color);
  FLONG mode = how == "winding" ? FP_WINDINGMODE : FP_ALTERNATEMODE;
  if (how == "fill" || how == "winding") {
    auto fill = pl.Pick(INDEX_DrvFillPath, HOOK_FILLPATH, &EngFillPath);
    return Declined(pl, fill(pl.so(), o.path, pl.clip, o.brush, nullptr, 0x0D0D, mode), "fill", error);
  }
  if (how == "strokefill") {
    // The outline in black around the fill colour.
    BRUSHOBJ* pen = kvp::eng::CreateSolidBrush(0);
    kvp::eng::LineAttrs la;
    kvp::eng::MakeLineAttrs(&la, pl.width > 0, pl.width, JOIN_ROUND, ENDCAP_ROUND, 10.0f);
    auto both = pl.Pick(INDEX_DrvStrokeAndFillPath, HOOK_STROKEANDFILLPATH, &EngStrokeAndFillPath);
    BOOL r = both(pl.so(), o.path, pl.clip, nullptr, pen, &la.attrs, o.brush, nullptr, 0x0D0D, mode);
    kvp::eng::DeleteBrush(pen);
    return Declined(pl, r, "stroke and fill", error);
  }
  *error = "path takes stroke, fill, winding or strokefill";
  return false;
}

// The brush of fills and stretched images: the hatch or pattern set by `pattern` (realized by the
// library), else the colour. The pattern picture lives in `picture`, which must outlive the brush.
BRUSHOBJ* MakeBrush(Player& pl, Owned* picture, std::string* error) {
  auto realize = pl.Hook<PFN_DrvRealizeBrush>(INDEX_DrvRealizeBrush);
  BRUSHOBJ* brush = nullptr;
  if (pl.hatch >= 0 && realize) {
    brush = kvp::eng::CreateHatchBrush(pl.so(), ULONG(pl.hatch), pl.color, 0xFFFFFF, realize);
  } else if (!pl.pattern.empty() && realize) {
    if (!MakeSource(pl, pl.pattern[0], pl.pattern[1], picture, error)) return nullptr;
    brush = kvp::eng::CreatePatternBrush(pl.so(), picture->so, nullptr, picture->xlate, HS_DDI_MAX, realize);
  } else {
    brush = kvp::eng::CreateSolidBrush(pl.color);
  }
  if (!brush) *error = "no memory for the brush";
  return brush;
}

bool RunFill(Player& pl, const Call& c, std::string* error) {
  Owned picture;
  Owned o;
  o.brush = MakeBrush(pl, &picture, error);
  if (!o.brush) return false;
  RECTL r{pl.X(c.args[0]), pl.Y(c.args[1]), pl.X(c.args[2]), pl.Y(c.args[3])};
  auto blt = pl.Pick(INDEX_DrvBitBlt, HOOK_BITBLT, &EngBitBlt);
  BOOL ok = blt(pl.so(), nullptr, nullptr, pl.clip, nullptr, &r, nullptr, nullptr, o.brush, nullptr,
                pl.Rop(0xF0F0));
  return Declined(pl, ok, "fill", error);
}

bool RunBitmap(Player& pl, const Call& c, std::string* error) {
  Owned o;
  if (!MakeSource(pl, c.args[2], c.args[3], &o, error)) return false;
  RECTL r{pl.X(c.args[0]), pl.Y(c.args[1]), 0, 0};
  r.right = r.left + o.so->sizlBitmap.cx;  // a block transfer is never scaled
  r.bottom = r.top + o.so->sizlBitmap.cy;
  POINTL zero{0, 0};
  auto blt = pl.Pick(INDEX_DrvBitBlt, HOOK_BITBLT, &EngBitBlt);
  BOOL ok = blt(pl.so(), o.so, nullptr, pl.clip, o.xlate, &r, &zero, nullptr, nullptr, nullptr, pl.Rop(0xCCCC));
  return Declined(pl, ok, "bitmap", error);
}

bool RunCopyBits(Player& pl, const Call& c, std::string* error) {
  Owned o;
  if (!MakeSource(pl, c.args[2], c.args[3], &o, error)) return false;
  RECTL r{pl.X(c.args[0]), pl.Y(c.args[1]), 0, 0};
  r.right = r.left + o.so->sizlBitmap.cx;
  r.bottom = r.top + o.so->sizlBitmap.cy;
  POINTL zero{0, 0};
  auto copy = pl.Pick(INDEX_DrvCopyBits, HOOK_COPYBITS, &EngCopyBits);
  return Declined(pl, copy(pl.so(), o.so, pl.clip, o.xlate, &r, &zero), "copy", error);
}

// text X Y SIZE ANGLE FACE WORDS...: the words (UTF-8) in the face ("_" for a space in its name) with an em
// of SIZE units, the baseline starting at X Y and turned ANGLE degrees counter-clockwise.
bool RunText(Player& pl, const Call& c, std::string* error) {
  for (size_t i = 0; i < 4; ++i)
    if (!IsNumber(c.args[i])) {
      *error = "'" + c.args[i] + "' is not a number";
      return false;
    }
  std::string face8 = c.args[4], text8;
  std::replace(face8.begin(), face8.end(), '_', ' ');
  for (size_t i = 5; i < c.args.size(); ++i) text8 += (i > 5 ? " " : "") + c.args[i];
  auto wide = [](const std::string& u8) {
    std::u16string w(u8.size() + 1, u'\0');
    int n = u8.empty() ? 0 : MultiByteToWideChar(CP_UTF8, 0, u8.data(), int(u8.size()), w.data(), int(w.size()));
    w.resize(size_t(std::max(n, 0)));
    return w;
  };
  double em = std::strtod(c.args[2].c_str(), nullptr) * pl.scale;
  FONTOBJ* font = kvp::eng::CreateFont(wide(face8), em, std::strtod(c.args[3].c_str(), nullptr));
  if (!font) {
    *error = "no font '" + face8 + "' of that size";
    return false;
  }
  STROBJ* str = kvp::eng::CreateString(font, wide(text8), POINTL{pl.X(c.args[0]), pl.Y(c.args[1])});
  Owned o;
  o.brush = kvp::eng::CreateSolidBrush(pl.color);
  auto textOut = pl.Hook<BOOL (*)(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*,
                                  POINTL*, MIX)>(INDEX_DrvTextOut);
  BOOL ok = textOut && str ? textOut(pl.so(), str, font, pl.clip, nullptr, nullptr, o.brush, nullptr, nullptr, 0x0D0D)
                           : FALSE;
  kvp::eng::DeleteString(str);
  kvp::eng::DeleteFont(font);
  return Declined(pl, ok, "text", error);
}

// pattern hatch horizontal|vertical|fdiagonal|bdiagonal|cross|diagcross, pattern SOURCE DEPTH, pattern off.
bool RunPattern(Player& pl, const Call& c, std::string* error) {
  static const char* const kHatches[] = {"horizontal", "vertical", "fdiagonal", "bdiagonal", "cross", "diagcross"};
  pl.hatch = -1;
  pl.pattern.clear();
  if (c.args[0] == "off" && c.args.size() == 1) return true;
  if (c.args[0] == "hatch" && c.args.size() == 2) {
    for (LONG i = 0; i < LONG(std::size(kHatches)); ++i)
      if (c.args[1] == kHatches[i]) pl.hatch = i;
    if (pl.hatch < 0) *error = "hatch styles: horizontal, vertical, fdiagonal, bdiagonal, cross, diagcross";
    return pl.hatch >= 0;
  }
  if (c.args.size() == 2 && FormatOfDepth(std::strtol(c.args[1].c_str(), nullptr, 10))) {
    pl.pattern = c.args;
    return true;
  }
  *error = "pattern takes hatch STYLE, SOURCE DEPTH or off";
  return false;
}

// stretch X0 Y0 X1 Y1 SOURCE DEPTH: the picture scaled into the rectangle (mirrored where it runs
// backwards); with a raster operation set, through the brush as well.
bool RunStretch(Player& pl, const Call& c, std::string* error) {
  Owned picture;
  Owned o;
  if (!MakeSource(pl, c.args[4], c.args[5], &o, error)) return false;
  RECTL r{pl.X(c.args[0]), pl.Y(c.args[1]), pl.X(c.args[2]), pl.Y(c.args[3])};
  RECTL s{0, 0, o.so->sizlBitmap.cx, o.so->sizlBitmap.cy};
  if (pl.Rop(0xCCCC) == 0xCCCC) {
    auto stretch = pl.Hook<BOOL (*)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*,
                                    RECTL*, RECTL*, POINTL*, ULONG)>(INDEX_DrvStretchBlt);
    BOOL ok = stretch ? stretch(pl.so(), o.so, nullptr, pl.clip, o.xlate, nullptr, nullptr, &r, &s, nullptr,
                                COLORONCOLOR)
                      : FALSE;
    return Declined(pl, ok, "stretched picture", error);
  }
  BRUSHOBJ* brush = MakeBrush(pl, &picture, error);
  if (!brush) return false;
  auto stretch = pl.Hook<BOOL (*)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*,
                                  RECTL*, RECTL*, POINTL*, ULONG, BRUSHOBJ*, DWORD)>(INDEX_DrvStretchBltROP);
  BOOL ok = stretch ? stretch(pl.so(), o.so, nullptr, pl.clip, o.xlate, nullptr, nullptr, &r, &s, nullptr,
                              COLORONCOLOR, brush, pl.rop)
                    : FALSE;
  kvp::eng::DeleteBrush(brush);
  return Declined(pl, ok, "stretched picture", error);
}

// Every command with its argument counts; numbers are checked where all arguments are numbers.
constexpr size_t kAny = 100000;
const Command kCommands[] = {
    {"units", 1, 1, RunUnits},       {"color", 3, 3, RunColor},   {"width", 1, 1, RunWidth},
    {"style", 0, 16, RunStyle},      {"rop", 1, 1, RunRop},       {"clip", 1, kAny, RunClip},
    {"fill", 4, 4, RunFill},         {"line", 4, 4, RunLine},     {"polyline", 4, kAny, RunLine},
    {"path", 4, kAny, RunPath},      {"bitmap", 4, 4, RunBitmap}, {"copybits", 4, 4, RunCopyBits},
    {"text", 6, kAny, RunText},
    {"stretch", 6, 6, RunStretch},   {"pattern", 1, 2, RunPattern},
};

const Command* Find(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

bool NumbersOnly(const std::string& name) {
  return name == "color" || name == "width" || name == "style" || name == "fill" || name == "line" ||
         name == "polyline";
}

}  // namespace

bool Parse(const std::string& text, Script* out, std::string* error) {
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    Call call;
    call.line = number;
    if (!(words >> call.command)) continue;
    for (std::string w; words >> w;) call.args.push_back(w);
    const Command* c = Find(call.command);
    auto fail = [&](const std::string& why) {
      *error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    if (!c) return fail("unknown command '" + call.command + "'");
    if (call.args.size() < c->minArgs || call.args.size() > c->maxArgs)
      return fail("'" + call.command + "' takes " + std::to_string(c->minArgs) +
                  (c->maxArgs == c->minArgs ? "" : " or more") + " arguments");
    if (NumbersOnly(call.command))
      for (const std::string& a : call.args)
        if (!IsNumber(a)) return fail("'" + a + "' is not a number");
    out->calls.push_back(std::move(call));
  }
  return true;
}

bool Load(const std::string& path, Script* out, std::string* error) {
  std::string text;
  if (!kvhost::ReadHostFile(path, &text, error)) {
    *error = "the page script: " + *error;
    return false;
  }
  size_t slash = path.rfind('/');
  out->folder = slash == std::string::npos ? "." : path.substr(0, slash);
  return Parse(text, out, error);
}

bool Play(const Script& script, kvp::eng::Device* dev, POINTL origin, int* declined, std::string* error) {
  Player pl;
  pl.dev = dev;
  pl.script = &script;
  pl.origin = origin;
  kvp::eng::SurfaceInfo info;
  if (kvp::eng::DescribeSurface(dev->surface, &info)) pl.hooks = info.hooks;
  for (const Call& call : script.calls) {
    const Command* c = Find(call.command);
    std::string why;
    if (!c || !c->run(pl, call, &why)) {
      *error = "line " + std::to_string(call.line) + " (" + call.command + "): " + why;
      return false;
    }
  }
  if (declined) *declined += pl.declined;
  return true;
}

}  // namespace kvhost::page
