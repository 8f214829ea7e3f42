// Shared by the engine's drawing objects and its drawing into bitmaps: the private parts of the objects
// and the scan conversion of paths.
#pragma once
#include <functional>
#include <vector>

#include "engine_internal.h"
#include "kvplat/engine_draw.h"

namespace kvp::eng {

// One run of a path as the enumeration hands it out.
struct PathRun {
  FLONG flags = 0;
  std::vector<POINTFIX> points;
};

// The engine's path: the public record first, so a PATHOBJ* is the object.
struct KvPath {
  PATHOBJ po{};
  std::vector<PathRun> runs;
  size_t next = 0;  // enumeration position
  bool open = false;  // a subpath is open (its last run lacks PD_ENDSUBPATH)
};

struct KvClip {
  CLIPOBJ co{};
  std::vector<RECTL> rects;
  std::vector<PathRun> outline;  // the path a region was made from (none: its rectangles)
  size_t next = 0;
  ULONG limit = 0;
};

// The path behind a PATHOBJ of the engine (null for a foreign or deleted one).
KvPath* PathOf(PATHOBJ* po);
// The clip behind a CLIPOBJ (null for a foreign or deleted one).
KvClip* ClipOf(CLIPOBJ* co);

// The pattern bitmap and translation of an engine pattern brush; false for a solid or foreign brush.
bool BrushPattern(BRUSHOBJ* bo, SURFOBJ** pattern, XLATEOBJ** xlate);

// A point in device pixels.
struct PointD {
  double x, y;
};
// The subpaths of a path as polygons in pixels, Béziers flattened; `closed` tells which subpaths were
// closed by the path itself.
void FlattenPath(const std::vector<PathRun>& runs, std::vector<std::vector<PointD>>* polys,
                 std::vector<bool>* closed);
// Calls `span`(y, x0, x1) (x1 exclusive) for the pixels inside the polygons whose centres are inside,
// under the alternate (winding false) or winding rule, rows top to bottom, only for rows from rowFirst
// up to rowEnd (so that a path far larger than the bitmap costs no more than the bitmap's rows).
void ScanPolygons(const std::vector<std::vector<PointD>>& polys, bool winding, LONG rowFirst, LONG rowEnd,
                  const std::function<void(LONG y, LONG x0, LONG x1)>& span);

}  // namespace kvp::eng
