// The list functions the capability handlers share: selectable values, codes and names from the
// image's listers, allowed codes, names through a setting's value map, and the option-name table.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "api_caps.h"
#include "api_services.h"
#include "config/resource_strings.h"
#include "driverdata/img_caps.h"
#include "driverdata/rule_lists.h"
#include "kvplat/codepage.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"

namespace {

// The name of a value that has none of its own.
constexpr DWORD kUnnamedValueString = 204;
// Characters of the context's text buffer a loaded string may fill.
constexpr int kTextChars = 1025;

template <typename T>
std::unique_ptr<T[]> Scratch(size_t n) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[n ? n : 1]());
}

// The selectable values of a setting read whole: the count, then the values; a list that grew between
// the two reads is read again.
int ReadSelectable(SETTING_CONTEXT* ctx, WORD setting, std::unique_ptr<DWORD[]>* out) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD n = 0;
    int q = RuleGetSelectableValues(ctx, setting, 0, nullptr, &n);
    if (q == -1) return -1;
    if (q != 1 || n == 0) return 0;
    auto values = Scratch<DWORD>(n);
    if (!values) return -1;
    DWORD got = 0;
    q = RuleGetSelectableValues(ctx, setting, n, values.get(), &got);
    if (q == -1) return -1;
    if (q == 0) {
      *out = std::move(values);
      return (int)got;
    }
  }
  return -1;
}

struct OptionNameRow {
  WORD option;
  WORD string;
};
// The names of the options that the value maps of the macro settings refer to.
constexpr OptionNameRow kOptionNames[] = {
    {2284, 261},    {2285, 262},    {2286, 263},    {2431, 1012},   {2435, 1013},   {2436, 1014},
    {2447, 1018},   {2448, 1019},   {2747, 1130},   {2746, 1131},   {2745, 1132},   {2856, 1143},
    {2857, 1144},   {2122, 60401},  {2126, 60402},  {2127, 60403},  {2128, 60404},  {2481, 491},
    {2565, 60405},  {2883, 13014},  {2131, 60407},  {2132, 60405},  {2026, 13479},  {2027, 13480},
    {2701, 13463},  {2702, 13464},  {2514, 13467},  {2515, 13468},  {3087, 13469},  {3088, 13470},
    {2669, 92},     {2670, 13471},  {2671, 13472},  {2672, 92},     {2673, 13471},  {2674, 13473},
    {2184, 13474},  {2186, 13475},  {2185, 13476},  {2840, 13463},  {2841, 13464},  {3053, 13477},
    {3055, 13478},  {3197, 13537},  {3169, 13493},  {3170, 13494},  {3171, 13495},  {2001, 13376},
    {3217, 13644},  {3218, 13645},  {3219, 13646},  {3220, 13647},  {3221, 13648},  {3222, 13649},
    {3224, 13650},  {3226, 13651},  {3228, 13652},  {0, 0}};
static_assert(std::size(kOptionNames) == 58);

}  // namespace

WORD ApiFindOptionNameString(WORD optionId) {
  for (const OptionNameRow* r = kOptionNames; r->option; ++r)
    if (r->option == optionId) return r->string;
  return 0;
}

bool ApiCapsWideToSlot(const WCHAR* text, char* slot, int width) {
  if (!slot || width <= 0) return false;
  std::memset(slot, 0, (size_t)width);
  int used = 0;
  for (size_t i = 0; text && text[i];) {
    int units = (text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ? 2 : 1;
    char bytes[8];
    int n = WideCharToMultiByte(CP_ACP, 0, text + i, units, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0) return false;
    if (used + n > width - 1) break;  // the whole character or nothing of it
    std::memcpy(slot + used, bytes, (size_t)n);
    used += n;
    i += (size_t)units;
  }
  return true;
}

// ---- Listers ----

int ApiListInputBinCodes(SETTING_CONTEXT* ctx, WORD* codes, WORD, int capacity) {
  return ImgListInputBins(ctx, codes, capacity);
}
int ApiListInputBinTexts(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD, int capacity) {
  return ImgListInputBinNames(ctx, slots, width, capacity);
}
int ApiListPaperCodes(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity) {
  return ImgListPaperIds(ctx, codes, id, capacity);
}
int ApiListPaperTexts(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int capacity) {
  return ImgListPaperNames(ctx, slots, width, id, capacity);
}
int ApiListOptionCodes(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity) {
  int n = ApiListOptionValues(ctx, nullptr, id);
  if (!codes || n <= 0 || n <= capacity) return codes && n > 0 ? ApiListOptionValues(ctx, codes, id) : n;
  auto all = Scratch<WORD>((size_t)n);
  if (!all) return -1;
  n = ApiListOptionValues(ctx, all.get(), id);
  n = std::min(n, capacity);
  if (n > 0) std::memcpy(codes, all.get(), (size_t)n * sizeof(WORD));
  return n;
}
int ApiListOptionTexts(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int capacity) {
  int n = ApiListOptionNames(ctx, nullptr, width, id);
  if (!slots || n <= 0 || n <= capacity) return slots && n > 0 ? ApiListOptionNames(ctx, slots, width, id) : n;
  auto all = Scratch<WCHAR>((size_t)n * width);
  if (!all) return -1;
  n = std::min(ApiListOptionNames(ctx, all.get(), width, id), capacity);
  if (n > 0) std::memcpy(slots, all.get(), (size_t)n * width * sizeof(WCHAR));
  return n;
}

// ---- List functions ----

int ApiCapsValueList(SETTING_CONTEXT* ctx, DWORD, DWORD* list, WORD setting, int capacity) {
  std::unique_ptr<DWORD[]> values;
  int n = ReadSelectable(ctx, setting, &values);
  if (n <= 0) return n;
  if (setting != sid::rdmOutputTrayID) {
    if (!list) return n;
    n = std::min(n, capacity);
    if (n > 0) std::memcpy(list, values.get(), (size_t)n * sizeof(DWORD));
    return n;
  }
  // Output trays: a leading 0 (the printer's choice), then the trays; a single tray is not listed.
  int trays = 0;
  for (int i = 0; i < n; ++i) trays += values[i] != 0;
  int total = trays <= 1 ? 1 : trays + 1;
  if (!list) return total;
  int written = 0;
  if (capacity > 0) list[written++] = 0;
  for (int i = 0; total > 1 && i < n && written < capacity; ++i)
    if (values[i]) list[written++] = values[i];
  return written;
}

int ApiCapsCodeList(SETTING_CONTEXT* ctx, DWORD, DWORD* list, WORD setting, API_CODE_LISTER codes, int capacity) {
  int n = codes(ctx, nullptr, setting, INT_MAX);
  if (!list) return n;
  if (n < 0) return -1;
  n = std::min(n, capacity);
  auto scratch = Scratch<WORD>((size_t)n);
  if (!scratch) return -1;
  n = codes(ctx, scratch.get(), setting, n);
  for (int i = 0; i < n; ++i) list[i] = scratch[i];
  return n;
}

int ApiCapsTextList(SETTING_CONTEXT* ctx, DWORD, char* slots, int width, WORD setting, API_NAME_LISTER names,
                    int capacity) {
  int n = names(ctx, nullptr, width, setting, INT_MAX);
  if (!slots) return n;
  if (n < 0) return -1;
  n = std::min(n, capacity);
  auto wide = Scratch<WCHAR>((size_t)n * width);
  if (!wide) return -1;
  n = names(ctx, wide.get(), width, setting, n);
  for (int i = 0; i < n; ++i) {
    wide[(size_t)i * width + width - 1] = 0;
    if (!ApiCapsWideToSlot(&wide[(size_t)i * width], slots + (size_t)i * width, width)) return -1;
  }
  return n;
}

int ApiCapsNameList(SETTING_CONTEXT* ctx, DWORD id, char* slots, WORD setting, int width, API_CODE_LISTER codes,
                    API_NAME_LISTER names, int capacity) {
  int count = ApiCapsValueList(ctx, id, nullptr, setting, INT_MAX);
  if (count <= 0) return -1;
  if (!slots) return count;
  auto values = Scratch<DWORD>((size_t)count);
  if (!values) return -1;
  count = ApiCapsValueList(ctx, id, values.get(), setting, count);
  int nCodes = codes(ctx, nullptr, setting, INT_MAX);
  int nNames = names(ctx, nullptr, width, setting, INT_MAX);
  if (nCodes <= 0 || nNames <= 0 || nCodes != nNames) return -1;
  auto codeList = Scratch<DWORD>((size_t)nCodes);
  auto nameList = Scratch<char>((size_t)nNames * width);
  auto text = Scratch<WCHAR>(kTextChars);
  if (!codeList || !nameList || !text) return -1;
  if (ApiCapsCodeList(ctx, id, codeList.get(), setting, codes, nCodes) != nCodes ||
      ApiCapsTextList(ctx, id, nameList.get(), width, setting, names, nNames) != nNames)
    return -1;
  int result = std::min(count, capacity);
  for (int i = 0; i < result; ++i) {
    char* slot = slots + (size_t)i * width;
    const DWORD* match = std::find(codeList.get(), codeList.get() + nCodes, values[i]);
    if (match != codeList.get() + nCodes) {
      std::memcpy(slot, nameList.get() + (size_t)(match - codeList.get()) * width, (size_t)width);
      continue;
    }
    CfgLoadString(ctx, kUnnamedValueString, text.get(), kTextChars, 1);
    if (!ApiCapsWideToSlot(text.get(), slot, width)) result = -1;
  }
  return result < 0 ? -1 : std::min(count, capacity);
}

int ApiCapsAllowedCodes(SETTING_CONTEXT* ctx, DWORD, DWORD* list, WORD setting, int capacity) {
  if (!list) return ImgCollectAllowedCodes(ctx, nullptr, setting, INT_MAX);
  return ImgCollectAllowedCodes(ctx, list, setting, capacity);
}

int ApiCapsValueMapNames(SETTING_CONTEXT* ctx, DWORD id, char* slots, WORD setting, int width, int mode,
                         int capacity) {
  int count = ApiCapsAllowedCodes(ctx, id, nullptr, setting, INT_MAX);
  if (count == 0) return -1;
  if (!slots || count < 0) return count;
  count = std::min(count, capacity);
  auto codes = Scratch<DWORD>((size_t)count);
  auto text = Scratch<WCHAR>((size_t)width);
  if (!codes || !text) return -1;
  count = ApiCapsAllowedCodes(ctx, id, codes.get(), setting, count);
  if (count <= 0) return -1;
  ITEM_DESC* item = StgFindItem(ctx, setting);
  const ITEM_VALUE_MAP* map = item && item->ext ? item->ext->valueMap : nullptr;
  int result = count;
  for (int i = 0; i < count; ++i) {
    char* slot = slots + (size_t)i * width;
    // A code that nothing names gets an empty slot, never the caller's bytes back.
    std::memset(slot, 0, (size_t)width);
    for (const ITEM_VALUE_MAP* e = map; e && (e->option & 0xFFFF); ++e) {
      if (e->stored != codes[i]) continue;
      WORD stringId = 0;
      if (mode == 1) {
        stringId = (WORD)e->option;
      } else if (mode == 0) {
        stringId = ApiFindOptionNameString((WORD)e->option);
      } else {
        result = -1;
        continue;
      }
      if (stringId) {
        CfgLoadString(ctx, stringId, text.get(), width, 1);
        if (!ApiCapsWideToSlot(text.get(), slot, width)) result = -1;
      }
      if (mode == 1) break;
    }
  }
  return result;
}
