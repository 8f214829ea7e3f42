// Read-only questions asked of a context's compiled image: nodes, options, defaults, rule rows,
// alternative definitions, printable areas, paper dimensions and font lists. The few queries that set a
// setting for a moment put back its bytes and its change marks before they return.
#include <cstring>

#include "config/free_size.h"
#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "kvplat/devmode.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/model_tables.h"
#include "settings/library_hooks.h"
#include "settings/units.h"

using dfc::Get;

namespace {

constexpr WORD kPaperSize = 8, kOrientation = 7, kPaperLength = 9, kPaperWidth = 10, kResolution = 38;
constexpr WORD kOutPaperSize = 46, kFreeShortOver = 85, kFreeSizeWidth = 916, kFreeSizeLength = 917;
constexpr WORD kInputFreeSizeType = 1019;

const BYTE* Image(SETTING_CONTEXT* ctx) { return ctx ? reinterpret_cast<const BYTE*>(ctx->image) : nullptr; }
IMG_REF FeatureList(SETTING_CONTEXT* ctx) { return Image(ctx) ? Get<uint64_t>(Image(ctx), DFC_OFF(COMPILED_IMAGE_HEADER, FeatureList)) : 0; }

bool IsCustomCode(DWORD code) { return code == 256 || code == 448 || (code >= 384 && code <= 393); }

// Sets a setting for the duration of a query and puts back its stored bytes and its change marks.
class TemporaryValue {
 public:
  TemporaryValue(SETTING_CONTEXT* ctx, WORD id, uint64_t value) : ctx_(ctx) {
    row_ = StgFindItem(ctx, id);
    BYTE* p = row_ ? StgGetValuePtr(ctx, row_) : nullptr;
    if (!p) return;
    ptr_ = p;
    std::memcpy(saved_, p, sizeof saved_);
    flags_ = row_->flags;
    modified_ = ctx->work ? ctx->work->storeModified : 0;
    StgSetValue(ctx, id, value);
  }
  ~TemporaryValue() {
    if (!ptr_) return;
    std::memcpy(ptr_, saved_, sizeof saved_);
    row_->flags = flags_;
    if (ctx_->work) ctx_->work->storeModified = modified_;
  }

 private:
  SETTING_CONTEXT* ctx_;
  ITEM_DESC* row_ = nullptr;
  BYTE* ptr_ = nullptr;
  BYTE saved_[4] = {};  // the numeric settings this is used for are at most 4 bytes wide
  uint64_t flags_ = 0;
  DWORD modified_ = 0;
};

// The default rule over one node whose references are addresses (resolve = identity) or offsets.
template <class Resolve>
DWORD DefaultOfNode(IMG_REF node, Resolve resolve) {
  if (!node) return 0;
  uint16_t type = dfc::BaseType(DFC_GET(node, IMAGE_NODE, type));
  uint64_t first = DFC_GET(node, IMAGE_NODE, options);
  if ((type & 0xFF) == 1) {
    WORD index = DFC_GET(node, IMAGE_NODE, defaultIndex);
    constexpr size_t kOption = DFC_OFF(IMAGE_OPTION, value) + sizeof(WORD);
    IMG_REF o = resolve(first, kOption);
    for (WORD i = 0; o && i < index; ++i) o = resolve(DFC_GET(o, IMAGE_OPTION, next), kOption);
    return o ? DFC_GET_AS(WORD, o, IMAGE_OPTION, value) : 0;
  }
  IMG_REF value;
  if (type == dfc::kTypeBoolean && (value = resolve(first, sizeof(int32_t))))
    return DWORD(DFC_GET_AS(int32_t, value, BOOLEAN_VALUE, defaultValue));
  if (type == dfc::kTypeNumeric && (value = resolve(first, DFC_OFF(NUMERIC_VALUE, defaultValue) + sizeof(int32_t))))
    return DWORD(DFC_GET(value, NUMERIC_VALUE, defaultValue));
  if (type == dfc::kTypeString && (value = resolve(first, sizeof(int16_t))))
    return uint16_t(DFC_GET(value, STRING_VALUE, defaultValue));
  return 0;
}

// The paper-size node's option with the paper code, 0 when none.
IMG_REF FindPaperOption(IMG_REF node, DWORD code) {
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
    if (ImgOptionValue(o) == WORD(code)) return o;
  return 0;
}

// The option value of the setting a node describes, found by its UI item key.
DWORD NodeSettingOption(SETTING_CONTEXT* ctx, IMG_REF node) {
  ITEM_DESC* row = StgFindItemByKey(ctx, ImgNodeKey(node));
  return row ? StgGetItemOptionValue(ctx, row) : 0;
}
uint64_t NodeSettingStored(SETTING_CONTEXT* ctx, IMG_REF node) {
  ITEM_DESC* row = StgFindItemByKey(ctx, ImgNodeKey(node));
  return row ? StgReadValue(ctx, row) : 0;
}

// A custom size in 1200-dpi dots as 0.1 mm, rounded up like every length shown from dots.
LONG DotsToLength(uint64_t dots) {
  int32_t d = int32_t(dots);
  return d > 0 ? LONG(StgDotsToLength(STG_UNIT_METRIC, DWORD(d), 1200)) : 0;
}

void Swap(LONG size[2]) {
  LONG t = size[0];
  size[0] = size[1];
  size[1] = t;
}

bool Landscape(SETTING_CONTEXT* ctx) { return StgGetValue(ctx, kOrientation, nullptr) == 2; }

}  // namespace

// ---- nodes ------------------------------------------------------------------------------------------------

IMG_REF ImgFindNode(SETTING_CONTEXT* ctx, WORD id) {
  const BYTE* image = Image(ctx);
  if (!image || id == 0) return 0;
  int slot = dfc::SlotIndex(id);
  if (slot >= 0) return Get<uint64_t>(image, dfc::SlotOffset(slot));
  for (IMG_REF n = FeatureList(ctx); n; n = ImgNext(n))
    if (ImgNodeSettingId(n) == id) return n;
  return 0;
}

IMG_REF ImgGetRuleRow(SETTING_CONTEXT* ctx, WORD id) { return ImgNodeRule(ImgFindNode(ctx, id)); }
WORD ImgGetNodeTypeCommon(SETTING_CONTEXT* ctx, WORD id) { return dfc::BaseType(ImgNodeType(ImgFindNode(ctx, id))); }
WORD ImgGetNodeFlags(SETTING_CONTEXT* ctx, WORD id) { return ImgNodeType(ImgFindNode(ctx, id)); }

DWORD ImgGetDefaultValue(SETTING_CONTEXT* ctx, WORD id) {
  return DefaultOfNode(ImgFindNode(ctx, id), [](uint64_t v, size_t) { return v; });
}

DWORD ImgGetDefaultOf(WORD id, const BYTE* base, size_t length) {
  int slot = dfc::SlotIndex(id);
  if (!base || length < dfc::kHeaderSize || slot < 0) return 0;
  // Offsets of the image under construction: each must leave room for the record read there.
  auto resolve = [base, length](uint64_t off, size_t need) -> uint64_t {
    return off >= dfc::kHeaderSize && off < length && length - off >= need ? uint64_t(uintptr_t(base + off)) : 0;
  };
  return DefaultOfNode(resolve(Get<uint64_t>(base, dfc::SlotOffset(slot)), DFC_OFF(IMAGE_NODE, defaultIndex) + 2), resolve);
}

IMG_REF ImgGetOptionList(SETTING_CONTEXT* ctx, WORD id, WORD* defaultIndex) {
  IMG_REF node = ImgFindNode(ctx, id);
  if (!node) return 0;
  if ((ImgNodeType(node) & 1) && defaultIndex) *defaultIndex = DFC_GET(node, IMAGE_NODE, defaultIndex);
  return ImgNodeOptions(node);
}

int ImgCountList(IMG_REF first) {
  int n = 0;
  for (IMG_REF o = first; o; o = ImgNext(o)) ++n;
  return n;
}

int ImgGetOptionCount(SETTING_CONTEXT* ctx, WORD id) {
  IMG_REF node = ImgFindNode(ctx, id);
  if (!node) return -1;
  WORD type = dfc::BaseType(ImgNodeType(node));
  if (type == dfc::kTypeBoolean || type == dfc::kTypeNumeric || type == dfc::kTypeString) return 0;
  return ImgCountList(ImgNodeOptions(node));
}

IMG_REF ImgFindNodeVariant(SETTING_CONTEXT* ctx, WORD id, int which) {
  IMG_REF node = ImgFindNode(ctx, id);
  if (!node) return 0;
  if (!(which & 3)) return node;
  auto holds = [&](IMG_REF n) {
    IMG_REF row = ImgNodeRule(n);
    return ((which & 1) && RuleIsRowExcluded(ctx, row, 0)) || ((which & 2) && RuleEvalSecond(ctx, row, 0));
  };
  if (!holds(node)) return node;
  for (IMG_REF n = FeatureList(ctx); n; n = ImgNext(n))
    if (ImgNodeSettingId(n) == id && DFC_GET(n, IMAGE_NODE, variant) == 0 && !holds(n)) return n;
  return 0;
}

IMG_REF ImgFindActiveNode(SETTING_CONTEXT* ctx, WORD id) {
  if (id != 340 && id != 341) return ImgFindNode(ctx, id);
  TemporaryValue t(ctx, kInputFreeSizeType, 1);
  return ImgFindNodeVariant(ctx, id, 1);
}

IMG_REF ImgFindNodeOfRow(SETTING_CONTEXT* ctx, int row) {
  if (!ctx || !ctx->dictionary || row < 0 || row >= ctx->dictionary->count) return 0;
  return ImgFindActiveNode(ctx, WORD(ctx->dictionary->rows[row].id));
}

IMG_REF ImgFindNodeByKey(SETTING_CONTEXT* ctx, WORD key) {
  for (IMG_REF n = FeatureList(ctx); n; n = ImgNext(n))
    if (ImgNodeKey(n) == key) return n;
  return 0;
}
IMG_REF ImgFindNodeByKey2(SETTING_CONTEXT* ctx, WORD key) { return ImgFindNodeByKey(ctx, key); }

const WCHAR* ImgGetUIResDLLName(SETTING_CONTEXT* ctx) {
  const BYTE* image = Image(ctx);
  return image ? reinterpret_cast<const WCHAR*>(Get<uint64_t>(image, DFC_OFF(COMPILED_IMAGE_HEADER, UIResDLLName))) : nullptr;
}

// ---- papers ---------------------------------------------------------------------------------------------

int ImgFindPaperArea(SETTING_CONTEXT* ctx, IMG_RECT* rect, LONG pair[2], DWORD paper) {
  IMG_REF node = ImgFindNode(ctx, kPaperSize);
  if (!node || !rect) return 0;
  WORD resolution = WORD(StgGetOptionValue(ctx, kResolution, nullptr));
  WORD orientation = WORD(StgGetOptionValue(ctx, kOrientation, nullptr));
  IMG_REF option = FindPaperOption(node, paper);
  if (!option) return 0;
  IMG_REF areas = DFC_GET(option, IMAGE_OPTION_PAGE, areas);
  auto matches = [&](IMG_REF a) {
    WORD key = DFC_GET(a, PAGE_AREA, conditionKey);
    if (key == 0) return true;
    ITEM_DESC* row = StgFindItemByKey(ctx, key);
    return row && WORD(StgGetItemOptionValue(ctx, row)) == WORD(DFC_GET(a, PAGE_AREA, conditionValue));
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (IMG_REF a = areas; a; a = ImgNext(a)) {
      dfc::PAGE_AREA r;
      std::memcpy(&r, (const void*)a, sizeof r);
      if (WORD(r.resolution) != resolution || (pass == 0 && WORD(r.orientation) != orientation) || !matches(a))
        continue;
      if (pass == 0) {
        *rect = {r.left, r.top, r.left + r.width, r.top + r.length};
        if (pair) pair[0] = r.valueA, pair[1] = r.valueB;
      } else {  // a row of the other orientation, transposed
        *rect = {r.top, r.left, r.top + r.length, r.left + r.width};
        if (pair) pair[0] = r.valueB, pair[1] = r.valueA;
      }
      return 1;
    }
  }
  return 0;
}

int ImgGetPaperArea(SETTING_CONTEXT* ctx, IMG_RECT* rect, LONG pair[2], DWORD paper) {
  return ImgFindPaperArea(ctx, rect, pair, paper);
}

int ImgGetPaperSizeOf(SETTING_CONTEXT* ctx, LONG size[2], WORD id) {
  IMG_REF node = ImgFindNode(ctx, kPaperSize);
  if (!node || !size) return 0;
  DWORD code = id ? StgGetOptionValue(ctx, id, nullptr) : NodeSettingOption(ctx, node);
  IMG_REF option = FindPaperOption(node, code);
  if (!option) return 0;
  size[0] = DFC_GET(option, IMAGE_OPTION_PAGE, width);
  size[1] = DFC_GET(option, IMAGE_OPTION_PAGE, length);
  if (Landscape(ctx)) Swap(size);
  return 1;
}

int ImgGetCustomPaperSizeCommon(SETTING_CONTEXT* ctx, LONG size[2], DWORD code, int oriented) {
  if (!size) return 0;
  int slot = CfgFreeSizePaperToIndex(code, ctx);
  auto slotSize = [&] {
    size[0] = DotsToLength(StgGetValue(ctx, kFreeSizeWidth, nullptr));
    size[1] = DotsToLength(StgGetValue(ctx, kFreeSizeLength, nullptr));
  };
  if (!oriented) {
    if (code == 448)
      CfgLoadBuiltinFreeSize(ctx, code, slot);
    else
      CfgSelectFreeSizeSlot(ctx, slot);
    slotSize();
    return 1;
  }
  const BYTE* dm = ctx && ctx->store ? ctx->store->bytes : nullptr;
  DWORD fields = dm ? Get<DWORD>(dm, DM_OFF_FIELDS) : 0;
  if ((fields & DM_PAPERSIZE) && StgGetValue(ctx, kPaperSize, nullptr) != 256) {
    CfgLoadBuiltinFreeSize(ctx, code, slot);
    CfgSelectFreeSizeSlot(ctx, slot);
    slotSize();
    if (Landscape(ctx)) Swap(size);
  } else if (StgGetValue(ctx, kFreeShortOver, nullptr) == 1) {
    CfgLoadBuiltinFreeSize(ctx, code, slot);
    slotSize();
    if (Landscape(ctx)) Swap(size);
  } else {
    size[0] = LONG(int16_t(StgGetValue(ctx, kPaperWidth, nullptr)));
    size[1] = LONG(int16_t(StgGetValue(ctx, kPaperLength, nullptr)));
  }
  return 1;
}
int ImgGetCustomPaperSizeOriented(SETTING_CONTEXT* ctx, LONG size[2], DWORD code) {
  return ImgGetCustomPaperSize(ctx, size, code, 1);
}
int ImgGetCustomPaperSizeStored(SETTING_CONTEXT* ctx, LONG size[2], DWORD code) {
  return ImgGetCustomPaperSize(ctx, size, code, 0);
}

int ImgGetCurrentPaperSize(SETTING_CONTEXT* ctx, LONG size[2]) {
  IMG_REF node = ImgFindNode(ctx, kPaperSize);
  if (!node) return 0;
  DWORD code = DWORD(NodeSettingStored(ctx, node));
  return IsCustomCode(code) ? ImgGetCustomPaperSizeOriented(ctx, size, code) : ImgGetPaperSizeOf(ctx, size, 0);
}

int ImgGetOutPaperSize(SETTING_CONTEXT* ctx, LONG size[2]) {
  DWORD out = DWORD(StgGetValue(ctx, kOutPaperSize, nullptr));
  if (out == 1024) return ImgGetCurrentPaperSize(ctx, size);
  if (IsCustomCode(out)) return ImgGetCustomPaperSizeStored(ctx, size, out);
  TemporaryValue t(ctx, kPaperSize, out);
  return ImgGetCurrentPaperSize(ctx, size);
}

DWORD ImgFindPaperBySize(SETTING_CONTEXT* ctx, LONG w, LONG h, int tolerant) {
  IMG_REF node = ImgFindNode(ctx, kPaperSize);
  if (!node) return 0;
  // Compared as 32-bit numbers: papers beyond 3276.7 mm stay comparable.
  const int64_t t = tolerant ? 17 : 0;
  auto in = [t](int64_t v, int64_t lo) { return v >= lo && v <= lo + t; };
  ITEM_DESC* row = StgFindItem(ctx, ImgNodeSettingId(node));
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o)) {
    int64_t width = DFC_GET(o, IMAGE_OPTION_PAGE, width), length = DFC_GET(o, IMAGE_OPTION_PAGE, length);
    if (!((in(w, width) && in(h, length)) || (in(h, width) && in(w, length)))) continue;
    DWORD code = row ? StgMapFromOption(ctx, row, ImgOptionValue(o)) : ImgOptionValue(o);
    if (RuleTestValue(kOutPaperSize, code, ctx) != 1) continue;
    if (code == 256 || (code >= 384 && code <= 393)) continue;
    return code;
  }
  return 0;
}

// ---- fonts -------------------------------------------------------------------------------------------------

namespace {
DEVICE_FONT_REC* CopyFonts(SETTING_CONTEXT* ctx, uint32_t arrayField, uint32_t countField, int* count) {
  if (count) *count = 0;
  const BYTE* image = Image(ctx);
  if (!image) return nullptr;
  int32_t n = Get<int32_t>(image, countField);
  IMG_REF arr = Get<uint64_t>(image, arrayField);
  if (n <= 0 || !arr) return nullptr;
  auto* out = static_cast<DEVICE_FONT_REC*>(StgAllocZero(DWORD(n) * sizeof(DEVICE_FONT_REC)));
  if (!out) return nullptr;
  for (int32_t i = 0; i < n; ++i) {
    IMG_REF f = Get<uint64_t>((const void*)arr, 8 * size_t(i));
    if (!f) break;
    out[i].id = DWORD(DFC_GET(f, FONT_ENTRY, id));
    CfgAnsiToWide(out[i].name, reinterpret_cast<const char*>(DFC_GET(f, FONT_ENTRY, name)), 32);
  }
  if (count) *count = n;
  return out;
}
}  // namespace

DEVICE_FONT_REC* ImgCopyDeviceFonts(SETTING_CONTEXT* ctx, int* count) { return CopyFonts(ctx, 15920, 15944, count); }
DEVICE_FONT_REC* ImgCopyCartridgeFonts(SETTING_CONTEXT* ctx, int* count) {
  return CopyFonts(ctx, 15928, 15948, count);
}

FONT_SUBST_REC* ImgCopyFontSubstitutions(SETTING_CONTEXT* ctx, int* count) {
  IMG_REF node = 0;
  for (IMG_REF n = FeatureList(ctx); n; n = ImgNext(n))
    if (ImgNodeType(n) == dfc::kTypeFontTbl) {
      node = n;
      break;
    }
  if (!node) return nullptr;
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o)) {
    int32_t n = DFC_GET(o, IMAGE_OPTION_FONT, count);
    if (n <= 0) continue;
    IMG_REF tt = DFC_GET(o, IMAGE_OPTION_FONT, trueTypeNames), dev = DFC_GET(o, IMAGE_OPTION_FONT, deviceNames);
    auto* out = static_cast<FONT_SUBST_REC*>(StgAllocZero(DWORD(n) * sizeof(FONT_SUBST_REC)));
    if (!out) return nullptr;
    for (int32_t i = 0; i < n; ++i) {
      CfgAnsiToWide(out[i].trueTypeName, reinterpret_cast<const char*>(Get<uint64_t>((const void*)tt, 8 * size_t(i))), 32);
      CfgAnsiToWide(out[i].deviceName, reinterpret_cast<const char*>(Get<uint64_t>((const void*)dev, 8 * size_t(i))), 32);
    }
    if (count) *count = n;
    return out;
  }
  return nullptr;
}

// ---- resolutions ------------------------------------------------------------------------------------------

const RESOLUTION_ROW* ImgFindResolutionRow(DWORD code) {
  if (code == 0) return nullptr;
  for (const RESOLUTION_ROW* r = StgGetResolutionTable(); r && r->code; ++r)
    if (r->code == code) return r;
  return nullptr;
}
