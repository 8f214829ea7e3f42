// Capability lists from the compiled image under the current rules.
#include "driverdata/img_caps.h"

#include <algorithm>
#include <cstring>

#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

constexpr DWORD kEventListAllBins = 33;
constexpr DWORD kEventListAllResolutions = 30;
constexpr int kCustomNameChars = 64;

const MODEL_BLOCK* Model(SETTING_CONTEXT* ctx) { return ctx && ctx->model ? ctx->model : StgGetModelBlock(); }

WORD TypeOf(IMG_REF node) { return dfc::BaseType(ImgNodeType(node)); }

// The option's enumeration symbol for a setting; none when missing or marked missing.
const ENUM_SYMBOL* Symbol(WORD id, IMG_REF option) {
  const ENUM_SYMBOL* e = StgFindEnumSymbol(id, ImgOptionValue(option));
  return e && e->one ? e : nullptr;
}

// Asks the feature modules whether every option is listed, excluded or not.
bool ListAll(SETTING_CONTEXT* ctx, DWORD event) {
  uint64_t answer = 0;
  StgBroadcastModuleEvent(ctx, event, &answer);
  return answer != 0;
}

bool IsUserCustom(DWORD code) { return code >= 384 && code <= 393; }

// A Numeric node with a value record: its minimum and maximum.
bool NumericRange(SETTING_CONTEXT* ctx, WORD id, LONG* lo, LONG* hi) {
  IMG_REF node = ImgFindActiveNode(ctx, id);
  IMG_REF rec = ImgNodeOptions(node);
  if (TypeOf(node) != dfc::kTypeNumeric || !rec) return false;
  *lo = dfc::Get<int32_t>(reinterpret_cast<const void*>(rec), 16);
  *hi = dfc::Get<int32_t>(reinterpret_cast<const void*>(rec), 20);
  return true;
}

// A pair of ranges: each pair is read when one of its outputs is given.
int PairRanges(SETTING_CONTEXT* ctx, WORD a, WORD b, LONG* minA, LONG* maxA, LONG* minB, LONG* maxB) {
  bool wantA = minA || maxA, wantB = minB || maxB;
  if (!wantA && !wantB) return 0;
  LONG lo, hi;
  if (wantA) {
    if (!NumericRange(ctx, a, &lo, &hi)) return 0;
    if (minA) *minA = lo;
    if (maxA) *maxA = hi;
  }
  if (wantB) {
    if (!NumericRange(ctx, b, &lo, &hi)) return 0;
    if (minB) *minB = lo;
    if (maxB) *maxB = hi;
  }
  return 1;
}

// The node whose papers setting `id` lists: the paper-size node (PickPage) for 8, the active PickOne
// node of any other setting; 0 when it is not such a node with options.
IMG_REF PaperNode(SETTING_CONTEXT* ctx, WORD id) {
  IMG_REF node = id == sid::dmPaperSize ? ImgFindNode(ctx, id) : ImgFindActiveNode(ctx, id);
  WORD want = id == sid::dmPaperSize ? dfc::kTypePickPage : dfc::kTypePickOne;
  return TypeOf(node) == want && ImgNodeOptions(node) ? node : 0;
}

// Walks the listed paper options of setting `id` (every symbol required); -1 on a missing symbol or an
// unusable node, else the number of listed options visited, calling `emit` for at most `capacity` of
// them when `fill` is set.
template <class Emit>
int WalkPapers(SETTING_CONTEXT* ctx, WORD id, bool fill, int capacity, Emit emit) {
  IMG_REF node = PaperNode(ctx, id);
  if (!node) return -1;
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
    if (!Symbol(id, o)) return -1;
  if (fill && capacity <= 0) return 0;
  int n = 0;
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o)) {
    if (id == sid::dmPaperSize && RuleIsOptionExcluded(ctx, node, ImgOptionValue(o))) continue;
    if (fill) {
      if (n >= capacity) break;
      emit(n, o, Symbol(id, o));
    }
    ++n;
  }
  return n ? n : -1;
}

LONG DotsUp(uint64_t dots) { return LONG(StgDotsToLength(STG_UNIT_METRIC, DWORD(dots), 1200)); }

}  // namespace

// ---- input bins ---------------------------------------------------------------------------------------------

namespace {
template <class Emit>
int WalkBins(SETTING_CONTEXT* ctx, bool needSymbols, bool fill, int capacity, Emit emit) {
  bool all = ListAll(ctx, kEventListAllBins);
  IMG_REF node = ImgFindNode(ctx, sid::dmDefaultSource);
  if (TypeOf(node) != dfc::kTypePickSlot || !ImgNodeOptions(node)) return -1;
  if (needSymbols)
    for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
      if (!Symbol(sid::dmDefaultSource, o)) return -1;
  if (fill && capacity <= 0) return 0;
  int n = 0;
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o)) {
    if (!all && RuleIsOptionExcluded(ctx, node, ImgOptionValue(o))) continue;
    if (fill) {
      if (n >= capacity) break;
      emit(n, o);
    }
    ++n;
  }
  return n ? n : -1;
}
}  // namespace

int ImgListInputBins(SETTING_CONTEXT* ctx, WORD* bins, int capacity) {
  return WalkBins(ctx, true, bins != nullptr, capacity, [&](int n, IMG_REF o) {
    bins[n] = WORD(Symbol(sid::dmDefaultSource, o)->second);
  });
}

int ImgListInputBinNames(SETTING_CONTEXT* ctx, WCHAR* names, int width, int capacity) {
  bool fill = names && width > 0;
  return WalkBins(ctx, false, fill, capacity, [&](int n, IMG_REF o) {
    WCHAR* field = names + size_t(n) * size_t(width);
    std::fill(field, field + width, WCHAR(0));
    CfgLoadString(ctx, ImgOptionValue(o), field, width, 0);
  });
}

// ---- papers -------------------------------------------------------------------------------------------------

int ImgListPaperIds(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity) {
  return WalkPapers(ctx, id, codes != nullptr, capacity,
                    [&](int n, IMG_REF, const ENUM_SYMBOL* e) { codes[n] = WORD(e->second); });
}

int ImgListPaperNames(SETTING_CONTEXT* ctx, WCHAR* names, int width, WORD id, int capacity) {
  bool fill = names && width > 0;
  if (fill) CfgLoadAllFreeSizes(ctx);
  return WalkPapers(ctx, id, fill, capacity, [&](int n, IMG_REF o, const ENUM_SYMBOL* e) {
    WCHAR* field = names + size_t(n) * size_t(width);
    std::fill(field, field + width, WCHAR(0));
    DWORD code = DWORD(e->second & 0xFFFF);
    if (!IsUserCustom(code)) return CfgLoadString(ctx, ImgOptionValue(o), field, width, 0);
    // A user's custom paper shows the slot's own name, cut to the field (and to the slot's 63 characters).
    int slot = int(code - 384);
    CfgLoadBuiltinFreeSize(ctx, code, slot);
    FREE_SIZE_SLOT view{};
    if (!CfgReadFreeSizeSlot(ctx, slot, &view)) return;
    view.userName[sizeof(view.userName) - 1] = 0;
    WCHAR wide[kCustomNameChars] = {};
    CfgAnsiToWide(wide, view.userName, kCustomNameChars);
    wide[kCustomNameChars - 1] = 0;
    int keep = std::min(width - 1, kCustomNameChars - 1);
    for (int i = 0; i < keep && wide[i]; ++i) field[i] = wide[i];
  });
}

int ImgListPaperSizes(SETTING_CONTEXT* ctx, LONG* pairs, WORD id, int capacity) {
  if (id != sid::dmPaperSize) return -1;  // options of other settings carry no dimensions
  return WalkPapers(ctx, id, pairs != nullptr, capacity, [&](int n, IMG_REF o, const ENUM_SYMBOL* e) {
    DWORD code = DWORD(e->second & 0xFFFF);
    LONG size[2] = {0, 0};
    if (IsUserCustom(code) || code == 256) {
      ImgGetCustomPaperSizeStored(ctx, size, code);
    } else {
      size[0] = dfc::Get<int32_t>(reinterpret_cast<const void*>(o), 24);
      size[1] = dfc::Get<int32_t>(reinterpret_cast<const void*>(o), 28);
    }
    pairs[2 * n] = size[0];
    pairs[2 * n + 1] = size[1];
  });
}

// ---- extents and small answers --------------------------------------------------------------------------

int ImgGetPaperExtentInt(SETTING_CONTEXT* ctx, LONG* out, int maxFlag) {
  if (!out) return 0;
  const MODEL_BLOCK* m = Model(ctx);
  LONG w = DotsUp(maxFlag ? m->customWidthMax : m->customWidthMin);
  LONG l = DotsUp(maxFlag ? m->customLengthMax : m->customLengthMin);
  // The limits in 0.1 mm as the custom-size dialog shows them (a length reaching every dot of the limit).
  out[0] = std::clamp(w, DotsUp(m->customWidthMin), DotsUp(m->customWidthMax));
  out[1] = std::clamp(l, DotsUp(m->customLengthMin), DotsUp(m->customLengthMax));
  return 1;
}

DWORD ImgGetPaperExtent(SETTING_CONTEXT* ctx, SHORT* out, int which) {
  LONG e[2] = {0, 0};
  ImgGetPaperExtentInt(ctx, e, which != IMG_EXTENT_MIN);
  // The packed answer has 16 bits per side: a side beyond them is capped, never wrapped.
  WORD w = WORD(std::clamp<LONG>(e[0], 0, IMG_EXTENT_PACKED_MAX));
  WORD l = WORD(std::clamp<LONG>(e[1], 0, IMG_EXTENT_PACKED_MAX));
  if (out) {
    out[0] = SHORT(w);
    out[1] = SHORT(l);
  }
  return DWORD(l) << 16 | w;
}

int ImgGetLandscapeAngle(SETTING_CONTEXT* ctx) { return int(Model(ctx)->landscapeRotation); }

int ImgGetMaxCopies(SETTING_CONTEXT* ctx) {
  LONG lo, hi;
  return NumericRange(ctx, sid::dmCopies, &lo, &hi) ? int(hi) : int(Model(ctx)->maxCopies);
}

int ImgGetScaleRange(SETTING_CONTEXT* ctx, SHORT* minimum, SHORT* maximum) {
  if (!minimum && !maximum) return 0;
  LONG loH, hiH, loV, hiV;
  if (!NumericRange(ctx, sid::rdmScaleH, &loH, &hiH) || !NumericRange(ctx, sid::rdmScaleV, &loV, &hiV)) return 0;
  if (minimum) minimum[0] = SHORT(loH), minimum[1] = SHORT(loV);
  if (maximum) maximum[0] = SHORT(hiH), maximum[1] = SHORT(hiV);
  return 1;
}

int ImgGetMarginRanges(SETTING_CONTEXT* ctx, LONG* minOdd, LONG* maxOdd, LONG* minEven, LONG* maxEven) {
  return PairRanges(ctx, sid::rdmMarginOdd, sid::rdmMarginEven, minOdd, maxOdd, minEven, maxEven);
}
int ImgGetShiftMarginRanges(SETTING_CONTEXT* ctx, LONG* minX, LONG* maxX, LONG* minY, LONG* maxY) {
  return PairRanges(ctx, sid::rdmShiftMarginX, sid::rdmShiftMarginY, minX, maxX, minY, maxY);
}
int ImgGetCreepMarginRanges(SETTING_CONTEXT* ctx, LONG* minIn, LONG* maxIn, LONG* minOut, LONG* maxOut) {
  return PairRanges(ctx, sid::rdmCreepMarginInside, sid::rdmCreepMarginOutside, minIn, maxIn, minOut, maxOut);
}

int ImgHasDuplexUnit(SETTING_CONTEXT* ctx) { return StgGetValue(ctx, sid::rdmSourceOptionTypeDuplex, nullptr) != 0; }

int ImgHasUsableNode(SETTING_CONTEXT* ctx, DWORD, WORD id) {
  return ImgFindActiveNode(ctx, id) && !(ImgGetNodeFlags(ctx, id) & dfc::kTypeUnknown) ? 1 : 0;
}

// ---- allowed codes -----------------------------------------------------------------------------------------

int ImgCollectAllowedCodes(SETTING_CONTEXT* ctx, DWORD* codes, WORD id, int capacity) {
  IMG_REF node = ImgFindActiveNode(ctx, id);
  if (TypeOf(node) != dfc::kTypePickOne || !ImgNodeOptions(node)) return -1;
  int n = 0;
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o)) {
    const ENUM_SYMBOL* e = Symbol(id, o);
    if (!e) return -1;
    if (RuleIsOptionExcluded(ctx, node, ImgOptionValue(o))) continue;
    if (codes) {
      if (n >= capacity) continue;  // keep checking the remaining symbols
      codes[n] = DWORD(e->second);
    }
    ++n;
  }
  if (codes) n = std::min(n, std::max(capacity, 0));
  return n ? n : -1;
}

int ImgListAllowedCodes(SETTING_CONTEXT* ctx, DWORD* codes, WORD id, int capacity) {
  return ImgCollectAllowedCodes(ctx, codes, id, capacity);
}

// ---- resolutions -------------------------------------------------------------------------------------------

DWORD ImgResolutionCodeByDpi(DWORD x, DWORD y) {
  if (!x || !y) return 0;
  for (const RESOLUTION_ROW* r = StgGetResolutionTable(); r->code; ++r)
    if (r->xDpi == x && r->yDpi == y) return r->code;
  return 0;
}

DWORD ImgResolutionCodeByXDpi(DWORD x) {
  for (const RESOLUTION_ROW* r = StgGetResolutionTable(); r->code; ++r)
    if (r->xDpi == x) return r->code;
  return 0;
}

DWORD ImgResolutionCodeAfter(DWORD x, DWORD code) {
  const RESOLUTION_ROW* r = StgGetResolutionTable();
  while (r->code && r->code != code) ++r;
  if (!r->code) return 0;
  for (++r; r->code; ++r)
    if (r->xDpi == x) return r->code;
  return 0;
}

namespace {

// Collects resolution entries into a bounded buffer (or only counts them).
struct ResolutionSink {
  LONG* out;
  int capacity;
  int mode;
  int n = 0;
  void Add(LONG a, LONG b) {
    if (out && n < capacity) {
      if (mode == IMG_RESOLUTION_CODES) {
        out[n] = a;
      } else {
        out[2 * n] = a;
        out[2 * n + 1] = b;
      }
    }
    ++n;
  }
  int Result() const { return out ? std::min(n, capacity) : n; }
};

// The entries of node 38 or 152; false sends the list to its fallback.
bool CollectResolutions(SETTING_CONTEXT* ctx, bool all, ResolutionSink& sink) {
  IMG_REF node = ImgFindActiveNode(ctx, sid::rdmDstResolutionW);
  DWORD v = DWORD(StgGetValue(ctx, sid::rdmDstResolutionW, nullptr));
  const bool codes = sink.mode == IMG_RESOLUTION_CODES;
  if (TypeOf(node) == dfc::kTypePickOne) {
    if (!ImgNodeOptions(node)) return false;
    for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
      if (!Symbol(sid::rdmDstResolutionW, o)) return false;
    for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o)) {
      if (!all && RuleIsOptionExcluded(ctx, node, ImgOptionValue(o))) continue;
      LONG d = LONG(Symbol(sid::rdmDstResolutionW, o)->second);
      if (codes)
        sink.Add(LONG(ImgResolutionCodeByDpi(DWORD(d), DWORD(d))), 0);
      else
        sink.Add(d, d);
    }
    return sink.n > 0;
  }
  if (TypeOf(node) != dfc::kTypeNumeric || v == 0) return false;
  IMG_REF both = ImgFindActiveNode(ctx, sid::rdmDstResolutionBoth);
  if (TypeOf(both) == dfc::kTypeNumeric) {
    sink.Add(codes ? LONG(ImgResolutionCodeByDpi(v, v)) : LONG(v), LONG(v));
    return true;
  }
  if (TypeOf(both) != dfc::kTypePickOne || !ImgNodeOptions(both)) return false;
  for (IMG_REF o = ImgNodeOptions(both); o; o = ImgNext(o)) {
    const ENUM_SYMBOL* e = Symbol(sid::rdmDstResolutionBoth, o);
    if (!e || !ImgFindResolutionRow(DWORD(e->second))) return false;
  }
  DWORD lastX = 0, lastY = 0;
  for (IMG_REF o = ImgNodeOptions(both); o; o = ImgNext(o)) {
    if (!all && RuleIsOptionExcluded(ctx, both, ImgOptionValue(o))) continue;
    DWORD code = DWORD(Symbol(sid::rdmDstResolutionBoth, o)->second);
    const RESOLUTION_ROW* r = ImgFindResolutionRow(code);
    if (codes) {
      sink.Add(LONG(code), 0);
    } else if (r->xDpi == r->yDpi) {
      if (r->xDpi != lastX && r->yDpi != lastY) sink.Add(LONG(r->xDpi), LONG(r->yDpi));
    }
    lastX = r->xDpi;
    lastY = r->yDpi;
  }
  return sink.n > 0;
}

}  // namespace

int ImgListResolutions(SETTING_CONTEXT* ctx, LONG* out, int mode, int capacity) {
  bool all = ListAll(ctx, kEventListAllResolutions);
  ResolutionSink sink{out, capacity, mode};
  if (!CollectResolutions(ctx, all, sink)) {
    // One entry, the model's default resolution (a code in code mode, so both passes agree).
    sink = ResolutionSink{out, capacity, mode};
    LONG dpi = LONG(Model(ctx)->defaultResolution);
    sink.Add(mode == IMG_RESOLUTION_CODES ? LONG(ImgResolutionCodeByDpi(DWORD(dpi), DWORD(dpi))) : dpi, dpi);
  }
  return sink.Result();
}

int ImgListResolutionCodes(SETTING_CONTEXT* ctx, LONG* out, int capacity) {
  return ImgListResolutions(ctx, out, IMG_RESOLUTION_CODES, capacity);
}
