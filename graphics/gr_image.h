// Images of the graphics library: bitmaps sent as ZARN image records.
#pragma once
#include "kvplat/engine.h"

struct GR_PDEV;

// Sends the part `target` of `source` (read from `sourcePoint`) as image records. FALSE when a record
// cannot be written.
BOOL GrPutCopiedImage(GR_PDEV* pdev, XLATEOBJ* xlate, SURFOBJ* source, POINTL* sourcePoint, RECTL* target);
