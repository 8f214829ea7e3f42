// Status pictures: the bitmap tables, frames of placements, layering and the picture-list records.
#include "statusdata/bitmaps.h"

#include <cstring>
#include <iterator>

#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "statusdata/pminfo.h"

namespace {

constexpr char kDefaultRow[] = "STATUS_DEFAULT_BMP";

#define BASE {"BM_BASE", 0, 0, 1}
#define CUT {"BM_CUTTRAY", 0, 0, 10}
#define ZABA {"BM_ZABA", 0, 0, 20}
#define CAUTION(layer) {"BM_CAUTION", 0, 0, layer}
#define SERVICE(layer) {"BM_SERVICE", 0, 0, layer}
#define POWEROFF {"BM_POWEROFF", 0, 0, 250}
#define POINT1 {"BM_POINT_1", 83, 98, 180}
#define POINT2 {"BM_POINT_2", 117, 126, 190}
#define POINT3 {"BM_POINT_3", 58, 69, 160}
#define POINT4 {"BM_POINT_4", 77, 48, 120}
#define POINT5 {"BM_POINT_5", 68, 48, 140}
#define POINT6 {"BM_POINT_6", 150, 26, 100}
#define POINT7 {"BM_POINT_7", 62, 38, 110}

const BITMAP_ROW kGeneralRows[] = {
    {kDefaultRow, {BASE}},
    {"4294967042", {BASE, POWEROFF}},  // -254, no response
    {"50115", {BASE, CAUTION(248)}},
    {"50108", {BASE, CAUTION(248)}},
    {"50110", {BASE, CAUTION(248)}},
    {"50111", {BASE, CAUTION(248)}},
    {"50112", {BASE, CAUTION(248)}},
    {"50113", {BASE, CAUTION(248)}},
    {"50105", {BASE, CAUTION(0)}},
    {"50114", {BASE, CAUTION(248)}},
    {"10006", {BASE, CAUTION(248)}},
    {"10032", {BASE, CAUTION(248)}},
    {"30722", {BASE, CAUTION(248)}},
    {"30723", {BASE, CAUTION(248)}},
    {"30724", {BASE, CAUTION(248)}},
    {"30610", {BASE, SERVICE(248)}},
    {"30607", {BASE, CAUTION(248)}},
    {"30609", {BASE, SERVICE(248)}},
    {"40979", {BASE, CAUTION(250)}},
    {"461yy", {BASE, POINT3}},
    {"462yy", {BASE, POINT1}},
    {"463yy", {BASE, POINT1}},
    {"471yy", {BASE, POINT3}},
    {"472yy", {BASE, POINT1}},
    {"473yy", {BASE, POINT1}},
    {"481yy", {BASE, POINT3}},
    {"482yy", {BASE, POINT1}},
    {"483yy", {BASE, POINT1}},
    {"450yy", {BASE, CAUTION(250)}},
    {"411yy", {BASE, POINT3}},
    {"412yy", {BASE, POINT1}},
    {"413yy", {BASE, POINT1}},
    {"41200", {BASE, POINT1}},
    {"41300", {BASE, POINT1}},
    {"41100", {BASE, POINT3}},
    {"40722", {BASE, CAUTION(246), SERVICE(248)}},
    {"40723", {BASE, CAUTION(246), SERVICE(248)}},
    {"40200", {BASE, POINT4}},
    {"40205", {BASE, POINT5}},
    {"40204", {BASE, POINT6}},
    {"40010", {BASE, POINT5}},
    {"40011", {BASE, SERVICE(250)}},
    {"42000", {BASE, POINT1, POINT4}},
    {"42001", {BASE, POINT4, POINT6}},
    {"40800", {BASE, SERVICE(250)}},
};
static_assert(std::size(kGeneralRows) == 45);

// Cut-paper tray (device 116).
const BITMAP_ROW kCutTrayRows[] = {
    {kDefaultRow, {CUT}},
    {"464yy", {CUT, POINT2}},
    {"474yy", {CUT, POINT2}},
    {"484yy", {CUT, POINT2}},
    {"414yy", {CUT, POINT2}},
    {"41400", {CUT, POINT2}},
    {"40724", {CUT, CAUTION(246), SERVICE(248)}},
    {"42000", {CUT, POINT2}},
};
static_assert(std::size(kCutTrayRows) == 8);

// Accordion-fold finisher (device 126).
const BITMAP_ROW kFinisherRows[] = {
    {kDefaultRow, {ZABA}},
    {"40292", {ZABA, POINT7}},
    {"42011", {ZABA, POINT7}},
};
static_assert(std::size(kFinisherRows) == 3);

#undef BASE
#undef CUT
#undef ZABA
#undef CAUTION
#undef SERVICE
#undef POWEROFF
#undef POINT1
#undef POINT2
#undef POINT3
#undef POINT4
#undef POINT5
#undef POINT6
#undef POINT7

constexpr DWORD kFrameGrowth = 20;  // placements per growth step: 960 bytes

BITMAP_PLACEMENT* PlacementAt(BITMAP_FRAME* frame, DWORD i) {
  return static_cast<BITMAP_PLACEMENT*>(ElemListAt(frame, i));
}

BITMAP_FRAME* NewFrame() { return ElemListCreate(sizeof(BITMAP_PLACEMENT), kFrameGrowth, 0); }

bool SameName(const CHAR (&a)[32], const CHAR (&b)[32]) { return strncmp(a, b, sizeof a) == 0; }

void FreeFrames(ELEMENT_LIST* frames) {
  for (DWORD i = 1; i <= ElemListCount(frames); ++i) ElemListFree(*static_cast<BITMAP_FRAME**>(ElemListAt(frames, i)));
  ElemListFree(frames);
}

// A live global block of at least `bytes` bytes.
bool LiveBlock(const void* p, SIZE_T bytes) {
  return p && GlobalSize(const_cast<void*>(p)) >= bytes;
}

}  // namespace

const BITMAP_TABLE g_PatBitmapTables[] = {
    {PAT_GENERAL_BITMAP_TABLE, kGeneralRows, DWORD(std::size(kGeneralRows))},
    {DEVICE_CUT_PAPER, kCutTrayRows, DWORD(std::size(kCutTrayRows))},
    {DEVICE_ACCORDION_FOLD, kFinisherRows, DWORD(std::size(kFinisherRows))},
};
const DWORD g_PatBitmapTableCount = DWORD(std::size(g_PatBitmapTables));

const char* const g_PatBitmapNames[] = {
    "BM_BASE",      "BM_CAUTION",   "BM_CAUTION_B", "BM_CUTTRAY",   "BM_CUTTRAY_B", "BM_POINT_1",  "BM_POINT_1_B",
    "BM_POINT_2",   "BM_POINT_2_B", "BM_POINT_3",   "BM_POINT_3_B", "BM_POINT_4",   "BM_POINT_4_B", "BM_POINT_5",
    "BM_POINT_5_B", "BM_POINT_6",   "BM_POINT_6_B", "BM_POINT_7",   "BM_POINT_7_B", "BM_POWEROFF", "BM_POWEROFF_B",
    "BM_SERVICE",   "BM_SERVICE_B", "BM_ZABA",      "BM_ZABA_B",
};
const DWORD g_PatBitmapNameCount = DWORD(std::size(g_PatBitmapNames));
static_assert(std::size(g_PatBitmapNames) == 25);

const BITMAP_TABLE* PatFindBitmapTable(INT key) {
  for (const auto& t : g_PatBitmapTables)
    if (t.key == key) return &t;
  return nullptr;
}

const BITMAP_ROW* PatFindBitmapRow(const BITMAP_TABLE* table, DWORD code, BOOL wildcard) {
  if (!table || table->rowCount == 0) return nullptr;
  char text[11];
  PatFormatCode(code, text);
  const BITMAP_ROW* fallback = nullptr;
  for (DWORD i = 0; i < table->rowCount; ++i) {
    const BITMAP_ROW& row = table->rows[i];
    if (std::strcmp(row.pattern, kDefaultRow) == 0) {
      if (!fallback) fallback = &row;
      continue;
    }
    if (wildcard ? PatMatchCodePattern(text, row.pattern) : std::strcmp(row.pattern, text) == 0) return &row;
  }
  return fallback;
}

BOOL PatHasExactBitmapRow(DWORD code) {
  char text[11];
  PatFormatCode(code, text);
  for (const auto& t : g_PatBitmapTables)
    for (DWORD i = 0; i < t.rowCount; ++i)
      if (std::strcmp(t.rows[i].pattern, text) == 0) return 1;
  return 0;
}

DWORD PatAddPlacement(BITMAP_FRAME* frame, const BITMAP_PLACEMENT* placement) {
  if (!frame || !placement) return ERROR_INVALID_PARAMETER;
  for (DWORD i = 1; i <= ElemListCount(frame); ++i) {
    const BITMAP_PLACEMENT* have = PlacementAt(frame, i);
    if (have->layer == placement->layer && have->x == placement->x && have->y == placement->y &&
        SameName(have->name, placement->name))
      return 0;
  }
  return ElemListAppend(frame, placement) ? 0 : ERROR_NOT_ENOUGH_MEMORY;
}

DWORD PatAddBitmapRow(BITMAP_FRAME* frame, const BITMAP_ROW* row) {
  if (!frame || !row) return 0;
  for (const BITMAP_ITEM& item : row->items) {
    if (!item.name || !item.name[0]) break;
    BITMAP_PLACEMENT p{};
    PatCopyText(p.name, sizeof p.name, item.name);
    p.x = item.x;
    p.y = item.y;
    p.layer = item.layer;
    if (PatAddPlacement(frame, &p)) return ERROR_NOT_ENOUGH_MEMORY;
  }
  return 0;
}

DWORD PatCollectBitmaps(const STATUS_CONTEXT* context, ELEMENT_LIST* codes, BITMAP_FRAME* frame) {
  if (!context || !context->record || !frame) return ERROR_INVALID_PARAMETER;
  const BITMAP_TABLE* general = PatFindBitmapTable(PAT_GENERAL_BITMAP_TABLE);
  for (DWORD i = 1; i <= ElemListCount(codes); ++i) {
    DWORD code = *static_cast<DWORD*>(ElemListAt(codes, i));
    BOOL wildcard = !PatHasExactBitmapRow(code);
    // A placement lost for want of memory would draw a wrong picture: that is reported, not passed over.
    if (general && PatAddBitmapRow(frame, PatFindBitmapRow(general, code, wildcard))) return ERROR_NOT_ENOUGH_MEMORY;
    for (const LIST_NODE* n = context->record->pDeviceInfo; n; n = n->next)
      if (const BITMAP_TABLE* device = PatFindBitmapTable(PatListNodeCode(n)))
        if (device->key != PAT_GENERAL_BITMAP_TABLE &&
            PatAddBitmapRow(frame, PatFindBitmapRow(device, code, wildcard)))
          return ERROR_NOT_ENOUGH_MEMORY;
  }
  return 0;
}

DWORD PatRemoveLayer(BITMAP_FRAME* frame, BYTE layer) {
  if (!frame) return 0;
  for (DWORD i = ElemListCount(frame); i >= 1; --i)
    if (PlacementAt(frame, i)->layer == layer) {
      frame->buffer->cursor = (i - 1) * sizeof(BITMAP_PLACEMENT);
      DynBufDelete(frame->buffer, sizeof(BITMAP_PLACEMENT));
    }
  return 0;
}

BITMAP_FRAME* PatLayerPlacements(BITMAP_FRAME* frame) {
  BITMAP_FRAME* out = NewFrame();
  if (!out) return nullptr;
  DWORD last = 0;
  for (;;) {
    DWORD layer = 255;
    for (DWORD i = 1; i <= ElemListCount(frame); ++i) {
      DWORD l = PlacementAt(frame, i)->layer;
      if (l > last && l < layer) layer = l;
    }
    for (DWORD i = 1; i <= ElemListCount(frame); ++i) {
      BITMAP_PLACEMENT p = *PlacementAt(frame, i);
      if (p.layer != layer) continue;
      bool ok;
      if (layer % 2) {
        p.rop = SRCCOPY;
        ok = ElemListAppend(out, &p);
      } else {
        size_t length = strnlen(p.name, sizeof p.name);
        ok = length < 30;
        if (ok) {
          BITMAP_PLACEMENT mask = p;
          std::memcpy(mask.name + length, "_B", 3);
          mask.rop = SRCAND;
          p.rop = SRCPAINT;
          ok = ElemListAppend(out, &mask) && ElemListAppend(out, &p);
        }
      }
      if (!ok) {
        ElemListFree(out);
        return nullptr;
      }
    }
    if (layer == 255) return out;
    last = layer;
  }
}

DWORD PatAddStatusBitmaps(const STATUS_CONTEXT* context, ELEMENT_LIST* codes, ELEMENT_LIST* frames) {
  auto* slot = static_cast<BITMAP_FRAME**>(ElemListAt(frames, 1));
  if (!context || !slot) return ERROR_INVALID_PARAMETER;
  DWORD r = PatCollectBitmaps(context, codes, *slot);
  if (r) return r;
  return PatRemoveLayer(*slot, (context->kind & PAT_KIND_ALTERNATE) ? 246 : 248);
}

BITMAP_FRAME* PatNewBitmapFrames(ELEMENT_LIST* frames) {
  BITMAP_FRAME* frame = NewFrame();
  if (!frame) return nullptr;
  if (!ElemListAppend(frames, &frame)) {
    ElemListFree(frame);
    return nullptr;
  }
  return static_cast<BITMAP_FRAME*>(*static_cast<BITMAP_FRAME**>(ElemListAt(frames, 1)));
}

PAT_BITMAP_INFO* PatBuildBitmapInfo(DWORD kind, INFO_NODE* container, DWORD* error) {
  DWORD dummy;
  if (!error) error = &dummy;
  PAT_MERGED_RECORD merged;
  *error = PatSelectStatus(kind, container, &merged);
  if (*error) return nullptr;

  *error = ERROR_NOT_ENOUGH_MEMORY;
  ELEMENT_LIST* frames = ElemListCreate(sizeof(BITMAP_FRAME*), 4, 0);
  if (!frames) return nullptr;
  if (!PatNewBitmapFrames(frames)) {
    FreeFrames(frames);
    return nullptr;
  }
  STATUS_CONTEXT context{kind, 0, &merged.record};
  ELEMENT_LIST* codes = ElemListCreate(sizeof(DWORD), 16, 0);
  if (!codes) {
    FreeFrames(frames);
    return nullptr;
  }
  // A kind without a priority table (0x8000) keeps its frame empty: a valid list, not an error.
  DWORD r = PatSelectTopCodes(&context, codes);
  if (r == 0) r = PatAddStatusBitmaps(&context, codes, frames);
  ElemListFree(codes);
  if (r == ERROR_NOT_ENOUGH_MEMORY) {
    FreeFrames(frames);
    return nullptr;
  }

  DWORD count = ElemListCount(frames);
  auto* info = static_cast<PAT_BITMAP_INFO*>(GlobalAlloc(GPTR, sizeof(PAT_BITMAP_INFO)));
  auto* entries = static_cast<PAT_BITMAP_INFO*>(GlobalAlloc(GPTR, sizeof(PAT_BITMAP_INFO) * count));
  bool ok = info && entries;
  for (DWORD i = 1; ok && i <= count; ++i) {
    BITMAP_FRAME* drawing = PatLayerPlacements(*static_cast<BITMAP_FRAME**>(ElemListAt(frames, i)));
    if (!drawing) {
      ok = false;
      break;
    }
    PAT_BITMAP_INFO& entry = entries[i - 1];
    entry.tag = PAT_BITMAP_TAG_ENTRY;
    entry.count = ElemListCount(drawing);
    entry.elementSize = sizeof(BITMAP_PLACEMENT);
    entry.elements = DynBufDetach(drawing->buffer);
    ElemListFree(drawing);
  }
  FreeFrames(frames);
  if (!ok) {
    for (DWORD i = 0; entries && i < count; ++i)
      if (entries[i].elements) GlobalFree(entries[i].elements);
    if (entries) GlobalFree(entries);
    if (info) GlobalFree(info);
    return nullptr;
  }
  info->tag = PAT_BITMAP_TAG_LIST;
  info->count = count;
  info->elementSize = sizeof(PAT_BITMAP_INFO);
  info->elements = entries;
  *error = 0;
  return info;
}

namespace {

// An entry form whose blocks are all live and as large as its counts say.
bool EntryIsSound(const PAT_BITMAP_INFO* entry) {
  if (entry->tag != PAT_BITMAP_TAG_ENTRY) return false;
  if (!entry->elements) return true;
  return LiveBlock(entry->elements, SIZE_T(entry->count) * sizeof(BITMAP_PLACEMENT));
}

}  // namespace

DWORD PatReleaseBitmapInfo(PAT_BITMAP_INFO* info) {
  // A record freed already is no live block: refused before any byte of it is read.
  if (!LiveBlock(info, sizeof(PAT_BITMAP_INFO))) return ERROR_INVALID_PARAMETER;
  if (info->tag == PAT_BITMAP_TAG_ENTRY) {
    if (!EntryIsSound(info)) return ERROR_INVALID_PARAMETER;
  } else if (info->tag == PAT_BITMAP_TAG_LIST) {
    auto* entries = static_cast<PAT_BITMAP_INFO*>(info->elements);
    if (info->count && !LiveBlock(entries, SIZE_T(info->count) * sizeof(PAT_BITMAP_INFO)))
      return ERROR_INVALID_PARAMETER;
    // Every entry is checked before the first is freed: a bad one leaves the list whole.
    for (DWORD i = 0; i < info->count; ++i)
      if (!EntryIsSound(&entries[i])) return ERROR_INVALID_PARAMETER;
    for (DWORD i = 0; i < info->count; ++i)
      if (entries[i].elements) GlobalFree(entries[i].elements);
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  if (info->elements) GlobalFree(info->elements);
  GlobalFree(info);
  return 0;
}
