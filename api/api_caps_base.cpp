// Capability handlers of the base set (ids 1-57): bins, papers, media and trays, colour, copies, scale,
// margins, watermarks and stamps, finishing, emulations and resolutions.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "api_caps.h"
#include "api_frame.h"
#include "api_services.h"
#include "config/driver_lists.h"
#include "config/printer_data.h"
#include "driverdata/img_caps.h"
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"

namespace {

bool Usable(SETTING_CONTEXT* ctx, WORD id) { return ApiIsOptionUsable(ctx, id, 0, 1); }
int Node(SETTING_CONTEXT* ctx, WORD id) { return ImgHasUsableNode(ctx, 0, id); }
DWORD Get(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
DWORD* List(void* buffer) { return static_cast<DWORD*>(buffer); }
char* Slots(void* buffer) { return static_cast<char*>(buffer); }

// The allowed codes of a setting's options (count-then-fill).
int Codes(SETTING_CONTEXT* ctx, void* buffer, WORD id, int capacity) {
  return buffer ? ImgListAllowedCodes(ctx, List(buffer), id, capacity) : ImgListAllowedCodes(ctx, nullptr, id, INT_MAX);
}

// Two 16-bit numbers in one answer: element 1 in the high half, element 0 (masked, so a negative
// element 0 cannot spread into the high half) in the low half.
int PackPair(SHORT e0, SHORT e1) { return (int)(((DWORD)(WORD)e1 << 16) | (WORD)e0); }

int WatermarkKinds(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  if (!Usable(ctx, sid::rdmFuncSelectWaterMark)) return 0;
  bool image = ApiIsControlUsable(ctx, 1003, 2407, 1);
  bool apiStamp = ApiGetVersion(ctx) >= 3 && ApiFunc1Bit0(ctx);
  DWORD kinds[4];
  int n = 0;
  kinds[n++] = 1;
  kinds[n++] = 2;
  if (image) kinds[n++] = 3;
  if (apiStamp) kinds[n++] = 128;
  if (!buffer) return n;
  n = std::min(n, capacity);
  std::memcpy(buffer, kinds, (size_t)n * sizeof(DWORD));
  return n;
}

// The text of a text setting as wide characters (the row's length + 1 of them).
bool ReadText(SETTING_CONTEXT* ctx, WORD id, std::unique_ptr<WCHAR[]>* out) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return false;
  size_t chars = StgTypeLength(row->type) + 1;
  out->reset(new (std::nothrow) WCHAR[chars]());
  return *out && StgGetString(ctx, row, out->get());
}

// Stamps (32 numbers, 33 names): the API's own stamp first, then every stored stamp, each loaded into
// the store in turn; the store is put back afterwards.
int Stamps(SETTING_CONTEXT* ctx, DWORD id, void* buffer, int capacity) {
  if (!Usable(ctx, sid::rdmFuncSelectWaterMark)) return 0;
  int n = CfgGetStampCount(ctx);
  if (!buffer) return n + 1;
  int total = std::min(n + 1, capacity);
  if (total <= 0) return 0;
  if (id == 32) List(buffer)[0] = 256;
  else std::memset(Slots(buffer), 0, 64);
  if (total == 1) return 1;
  // Loading a stamp changes the settings: without a snapshot to go back to nothing is loaded.
  if (!StgPushUndo(ctx)) return -1;
  int result = total;
  for (int i = 0; i + 1 < total; ++i) {
    CfgLoadStamp(ctx, i);
    if (id == 32) {
      List(buffer)[i + 1] = Get(ctx, sid::rdmWmID) + 1;
      continue;
    }
    char* slot = Slots(buffer) + (size_t)(i + 1) * 64;
    std::memset(slot, 0, 64);
    DWORD kind = Get(ctx, sid::rdmWmKind);
    WORD nameId = (kind == 1 || kind == 128) ? sid::wdmWmCharName : (kind == 2 || kind == 3) ? sid::wdmWmImageName : 0;
    std::unique_ptr<WCHAR[]> text;
    if (nameId && ReadText(ctx, nameId, &text) && !ApiCapsWideToSlot(text.get(), slot, 64)) result = -1;
  }
  StgPopUndo(ctx, 1);
  return result;
}

int MarkPapers(SETTING_CONTEXT* ctx, void* buffer, int capacity) {
  if (ApiCapsBaseWithin(ctx, 23, nullptr, 0) != 1) return 0;
  IMG_REF node = ImgFindActiveNode(ctx, sid::rdmMarkPaperType);
  bool avail = node && RuleIsOptionExcluded(ctx, node, 0) != 1;
  if (!avail) {
    if (!buffer) return 2;
    const DWORD pair[2] = {1, 0};
    int n = std::min(2, capacity);
    std::memcpy(buffer, pair, (size_t)std::max(n, 0) * sizeof(DWORD));
    return std::max(n, 0);
  }
  int n = ImgListAllowedCodes(ctx, nullptr, sid::rdmMarkPaperType, INT_MAX);
  if (!buffer) return n < 0 ? 2 : n + 1;
  if (n < 0) return -1;
  int room = std::min(n + 1, capacity);
  if (room <= 0) return 0;
  int got = room > 1 ? ImgListAllowedCodes(ctx, List(buffer), sid::rdmMarkPaperType, room - 1) : 0;
  if (got < 0) return -1;
  List(buffer)[got] = 0;
  return got + 1;
}

// 1 when the input bins other than 7 (the automatic choice) number more than one.
int MarkAvailable(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx, sid::rdmFuncSelectMark)) return 0;
  int n = ApiCapsValueList(ctx, 2, nullptr, sid::dmDefaultSource, INT_MAX);
  if (n <= 0) return 0;
  std::unique_ptr<DWORD[]> bins(new (std::nothrow) DWORD[n]);
  if (!bins) return 0;
  n = ApiCapsValueList(ctx, 2, bins.get(), sid::dmDefaultSource, n);
  int others = 0;
  for (int i = 0; i < n; ++i) others += bins[i] != 7;
  return others > 1 ? 1 : 0;
}

int Colour(SETTING_CONTEXT* ctx) {
  if (Get(ctx, sid::rdmMachineTypeColor) != 1) return 0;
  if (StgIsModelFeatureOn(ctx, 2, 0) && StgIsColorLocked(ctx)) return Get(ctx, sid::wdmLock008Info) == 2 ? 1 : 0;
  return 1;
}

int ScaleEnd(SETTING_CONTEXT* ctx, void* buffer, bool largest) {
  SHORT minimum[2] = {}, maximum[2] = {};
  if (!ImgGetScaleRange(ctx, minimum, maximum)) return -1;
  const SHORT* pair = largest ? maximum : minimum;
  if (buffer) std::memcpy(buffer, pair, sizeof minimum);
  return PackPair(pair[0], pair[1]);
}

}  // namespace

int ApiCapsRangeEnd(SETTING_CONTEXT* ctx, API_RANGE_PAIRS ranges, bool firstPair, bool largest) {
  LONG lo = 0, hi = 0;
  int found = firstPair ? ranges(ctx, &lo, &hi, nullptr, nullptr) : ranges(ctx, nullptr, nullptr, &lo, &hi);
  if (!found) return -1;
  return (int)StgDotsToLength(1, (DWORD)(largest ? hi : lo), 1200);
}

int ApiCapsShiftMargin(SETTING_CONTEXT* ctx, DWORD, void*) {
  LONG minY = 0, maxY = 0;
  return ImgGetShiftMarginRanges(ctx, nullptr, nullptr, &minY, &maxY) ? 1 : 0;
}

int ApiCapsBase(SETTING_CONTEXT* ctx, DWORD id, void* buffer) {
  return ApiCapsBaseWithin(ctx, id, buffer, ApiCapsRoom());
}

int ApiCapsBaseWithin(SETTING_CONTEXT* ctx, DWORD id, void* buffer, int capacity) {
  DWORD* list = List(buffer);
  char* slots = Slots(buffer);
  switch (id) {
    case 1: case 24:
      return 1;
    case 2:
      return ApiCapsValueList(ctx, id, list, sid::dmDefaultSource, capacity);
    case 3:
      return ApiCapsNameList(ctx, id, slots, sid::dmDefaultSource, 24, ApiListInputBinCodes, ApiListInputBinTexts,
                             capacity);
    case 4:
      return ApiCapsValueList(ctx, id, list, sid::rdmMediaType, capacity);
    case 5:
      return ApiCapsNameList(ctx, id, slots, sid::rdmMediaType, 64, ApiListOptionCodes, ApiListOptionTexts, capacity);
    case 6:
      return ApiCapsValueList(ctx, id, list, sid::rdmOutputTrayID, capacity);
    case 7:
      return ApiCapsNameList(ctx, id, slots, sid::rdmOutputTrayID, 64, ApiListOptionCodes, ApiListOptionTexts,
                             capacity);
    case 8:
      return Colour(ctx);
    case 9:
      return ImgGetLandscapeAngle(ctx) != 0 ? 1 : 0;
    case 10:
      return ApiCapsCodeList(ctx, id, list, sid::dmPaperSize, ApiListPaperCodes, capacity);
    case 11:
      return ApiCapsTextList(ctx, id, slots, 64, sid::dmPaperSize, ApiListPaperTexts, capacity);
    case 12:
      return ImgListPaperSizes(ctx, static_cast<LONG*>(buffer), sid::dmPaperSize, buffer ? capacity : INT_MAX);
    case 13: case 14: {
      SHORT extent[2] = {};
      ImgGetPaperExtent(ctx, extent, id == 13 ? 5 : IMG_EXTENT_MIN);
      if (buffer && capacity > 0) std::memcpy(buffer, extent, sizeof extent);
      return PackPair(extent[0], extent[1]);
    }
    case 15:
      return ApiCapsValueList(ctx, id, list, sid::rdmOutPaperSize, capacity);
    case 16:
      return ApiCapsNameList(ctx, id, slots, sid::rdmOutPaperSize, 64, ApiListPaperCodes, ApiListPaperTexts, capacity);
    case 17:
      return ImgGetMaxCopies(ctx);
    case 18:
      StgSetValue(ctx, sid::rdmJBInstalled, CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx) ? 1 : 0);
      StgSetValue(ctx, sid::rdmTVInstalled, CfgIsCompanionInstalled(CFG_COMPANION_PREVIEW, ctx) ? 1 : 0);
      return Codes(ctx, buffer, sid::rdmPrnMethod, capacity);
    case 19: {
      int n = ImgListAllowedCodes(ctx, nullptr, sid::rdmScaleType, INT_MAX);
      if (n <= 0) return n;
      std::unique_ptr<DWORD[]> codes(new (std::nothrow) DWORD[n]);
      if (!codes) return -1;
      n = ImgListAllowedCodes(ctx, codes.get(), sid::rdmScaleType, n);
      for (int i = 0; i < n; ++i)
        if (codes[i] >= 1 && codes[i] <= 3) return 1;
      return n < 0 ? -1 : 0;
    }
    case 20: case 21:
      return ScaleEnd(ctx, buffer && capacity > 0 ? buffer : nullptr, id == 20);
    case 22:
      return Usable(ctx, sid::rdmFuncSelectCover) ? StgIsSortTypeSelectable(ctx) : 0;
    case 23:
      return MarkAvailable(ctx);
    case 25:
      if (StgIsModelFeatureOn(ctx, 2, 0) && StgIsDuplexLocked(ctx)) return 1;
      return ImgHasDuplexUnit(ctx);
    case 26: case 27: case 28: case 29:
      return ApiCapsRangeEnd(ctx, ImgGetMarginRanges, id <= 27, id == 26 || id == 28);
    case 30:
      return WatermarkKinds(ctx, buffer, capacity);
    case 31:
      return Usable(ctx, sid::rdmFuncSelectWaterMark) ? 1 : 0;
    case 32: case 33:
      return Stamps(ctx, id, buffer, capacity);
    case 34:
      return ApiCapsShiftMargin(ctx, id, buffer);
    case 35: case 36: case 37: case 38:
      return ApiCapsRangeEnd(ctx, ImgGetShiftMarginRanges, id <= 36, id == 35 || id == 37);
    case 39:
      return ApiCapsValueList(ctx, id, list, sid::rdmSortType, capacity);
    case 40:
      return ApiCapsValueList(ctx, id, list, sid::rdmStapleType, capacity);
    case 41:
      return ApiCapsValueList(ctx, id, list, sid::rdmPunchType, capacity);
    case 42:
      return Node(ctx, sid::rdmExtOutputDirection);
    case 43:
      return Usable(ctx, sid::rdmExtOutputOrderly) ? 1 : 0;
    case 44:
      return Node(ctx, sid::rdmExtOutputWhitePaper);
    case 45:
      if (ctx->model && ctx->model->driverType == 1) {
        ApiSetContextError(ctx, API_ERROR_CAPS_REFUSED);
        return -1;
      }
      return Codes(ctx, buffer, sid::rdmEmulation, capacity);
    case 46:
      return Node(ctx, sid::rdmUserID);
    case 47:
      return Codes(ctx, buffer, sid::rdmExtPrintArea, capacity);
    case 48:
      return Node(ctx, sid::rdmExtOutputPaperRotation);
    case 49:
      return CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx) ? 1 : 0;
    case 50: case 51:
      return Get(ctx, sid::rdmOutputOptionTypeHDD) ? 1 : 0;
    case 52:
      return Usable(ctx, sid::rdmActionStored) ? 1 : 0;
    case 53:
      return Usable(ctx, sid::rdmActionOverlay) ? 1 : 0;
    case 54:
      return ImgListResolutionCodes(ctx, static_cast<LONG*>(buffer), buffer ? capacity : INT_MAX);
    case 55:
      return Node(ctx, sid::rdmPlaneUseCMYKCyan);
    case 56:
      return MarkPapers(ctx, buffer, capacity);
    case 57:
      return ApiFunc1Bit2(ctx->printer);
    default:
      return 0;
  }
}
