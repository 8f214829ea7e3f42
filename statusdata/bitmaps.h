// Status pictures: which of the library's bitmaps the monitor draws for the selected status, where,
// in which order and with which raster operation.
#pragma once
#include <cstddef>

#include "kvplat/types.h"
#include "statusdata/infonode.h"
#include "statusdata/status.h"

#ifndef SRCCOPY
#define SRCCOPY 0x00CC0020u
#define SRCAND 0x008800C6u
#define SRCPAINT 0x00EE0086u
#endif

// One picture to draw; crosses the exported boundary.
struct BITMAP_PLACEMENT {
  CHAR name[32];  // bitmap resource name
  INT x;
  INT y;
  DWORD rop;      // SRCCOPY, SRCAND or SRCPAINT
  BYTE layer;     // 1-255, drawn in ascending order; 0 is never drawn
  BYTE reserved[3];
};
static_assert(sizeof(BITMAP_PLACEMENT) == 48);
static_assert(offsetof(BITMAP_PLACEMENT, x) == 32 && offsetof(BITMAP_PLACEMENT, y) == 36);
static_assert(offsetof(BITMAP_PLACEMENT, rop) == 40 && offsetof(BITMAP_PLACEMENT, layer) == 44);

// The list form (tag 201: entries of 24 bytes) and the entry form (tag 200: placements of 48 bytes);
// each record, each entry array and each placement array is one global-memory block.
struct PAT_BITMAP_INFO {
  BYTE tag;
  BYTE reserved[3];
  DWORD count;
  DWORD elementSize;
  DWORD reserved2;
  void* elements;
};
static_assert(sizeof(PAT_BITMAP_INFO) == 24);
static_assert(offsetof(PAT_BITMAP_INFO, count) == 4 && offsetof(PAT_BITMAP_INFO, elementSize) == 8);
static_assert(offsetof(PAT_BITMAP_INFO, elements) == 16);

constexpr BYTE PAT_BITMAP_TAG_ENTRY = 200;
constexpr BYTE PAT_BITMAP_TAG_LIST = 201;

// A placement of a bitmap table (its raster operation is set when the frame is laid out).
struct BITMAP_ITEM {
  const char* name;
  INT x;
  INT y;
  BYTE layer;
};
constexpr DWORD PAT_ROW_PLACEMENTS = 12;
struct BITMAP_ROW {
  const char* pattern;  // code pattern, or "STATUS_DEFAULT_BMP" for the table's fallback
  BITMAP_ITEM items[PAT_ROW_PLACEMENTS];  // up to the first empty name
};
struct BITMAP_TABLE {
  INT key;  // -2 general; a device code for a device table
  const BITMAP_ROW* rows;
  DWORD rowCount;
};

constexpr INT PAT_GENERAL_BITMAP_TABLE = -2;
extern const BITMAP_TABLE g_PatBitmapTables[];
extern const DWORD g_PatBitmapTableCount;

// The 25 bitmap resources of the library ("_B" names are the masks of the names without it).
extern const char* const g_PatBitmapNames[];
extern const DWORD g_PatBitmapNameCount;

// A frame: placements (BITMAP_PLACEMENT elements) in the order they were added.
typedef ELEMENT_LIST BITMAP_FRAME;

const BITMAP_TABLE* PatFindBitmapTable(INT key);
// PatFindBitmapRow: the first row whose pattern equals (wildcard 0) or matches (wildcard 1) the code,
// else the table's fallback row; null for a table without rows.
const BITMAP_ROW* PatFindBitmapRow(const BITMAP_TABLE* table, DWORD code, BOOL wildcard);
// PatHasExactBitmapRow: 1 when some row of some table has exactly the code's text.
BOOL PatHasExactBitmapRow(DWORD code);
// PatAddPlacement: appends unless the frame holds one with the same layer, x, y and name; 0 or 8.
DWORD PatAddPlacement(BITMAP_FRAME* frame, const BITMAP_PLACEMENT* placement);
DWORD PatAddBitmapRow(BITMAP_FRAME* frame, const BITMAP_ROW* row);
DWORD PatCollectBitmaps(const STATUS_CONTEXT* context, ELEMENT_LIST* codes, BITMAP_FRAME* frame);
DWORD PatRemoveLayer(BITMAP_FRAME* frame, BYTE layer);
// PatLayerPlacements: the drawing list of a frame (layers ascending; masks and paints on even
// layers); a new list, or null when memory runs out or a masked name is too long.
BITMAP_FRAME* PatLayerPlacements(BITMAP_FRAME* frame);
// PatAddStatusBitmaps: the selected codes' pictures into the first frame, without the layer the
// kind's mode hides. 0 or 8.
DWORD PatAddStatusBitmaps(const STATUS_CONTEXT* context, ELEMENT_LIST* codes, ELEMENT_LIST* frames);
// PatNewBitmapFrames: appends a new empty frame to the frame list (8-byte elements); null on memory.
BITMAP_FRAME* PatNewBitmapFrames(ELEMENT_LIST* frames);

// PatBuildBitmapInfo: the list form for the kind and status container; null with *error set.
PAT_BITMAP_INFO* PatBuildBitmapInfo(DWORD kind, INFO_NODE* container, DWORD* error);
// PatReleaseBitmapInfo: frees a list form with its entries and placements, or an entry form with its
// placements. Every tag and block is checked before anything is freed, so a bad record or one freed
// already is refused whole (87). 0 or 87.
DWORD PatReleaseBitmapInfo(PAT_BITMAP_INFO* info);
