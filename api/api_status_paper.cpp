// Status items of the paper: 7 paper size (with a custom size entered in the record), 8 output paper
// size (with a custom print size) and 28 paper rotation. Record lengths are in the context's display
// unit; the settings keep custom sizes as 1200-dpi dots and the public DEVMODE in 0.1 mm.
#include <utility>

#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

constexpr DWORD kCustomPaper = 256;
constexpr DWORD kCustomPrintSize = 448;
constexpr DWORD kSameAsPaper = 1024;
// The longest length the 16-bit DEVMODE fields are given (0.1 mm).
constexpr LONG kLongestDevmodeLength = 32760;
constexpr WORD kLockPaperSizeMessage = 10205;

uint64_t Get(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, uint64_t v) { StgSetValue(ctx, id, v); }
LONG Signed(DWORD v) { return (LONG)(int32_t)v; }

bool IsStoredSlot(DWORD code) { return code >= 384 && code <= 393; }

// Dots of a display-unit length (0 for a negative one), and the display-unit length of a setting's dots.
LONG Dots(SETTING_CONTEXT* ctx, LONG length) { return StgDisplayUnitsToDots(ctx, 0, length); }
LONG Shown(SETTING_CONTEXT* ctx, WORD id) { return StgDotsToDisplayUnits(ctx, id, 0); }

// A record's version as its fields are read: 0 reads like 1.
DWORD FieldVersion(DWORD statusId, const void* record) {
  DWORD v = ApiRecordVersion(statusId, record);
  return v == 0 ? 1 : v;
}

// The dots a custom paper length ends up with once the settings have taken the DEVMODE again: they
// derive the dots from its 0.1-mm fields, so in a context that shows inches the dots are those of the
// length rounded to 0.1 mm; a length too long for the DEVMODE keeps the dots of the record.
LONG SettledDots(SETTING_CONTEXT* ctx, LONG length, bool tooLarge) {
  if (StgIsMetric(ctx) || tooLarge) return Dots(ctx, length);
  return (LONG)StgLengthToDots(STG_UNIT_METRIC, (DWORD)ApiDisplayToTenthMm(ctx, length), 1200);
}

bool CheckValue(SETTING_CONTEXT* ctx, WORD id, DWORD value) {
  return RuleCheckSettingValue(StgFindItem(ctx, id), id, value, ctx) == 1;
}

// The get handlers' version gate and size: false when the handler is done (*size holds its answer).
bool GetPrologue(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version, int* size) {
  if (!ApiGetVersionAllowed(ctx, id, version)) {
    *size = -1;
    return false;
  }
  const RECORD_VERSION_ROW* row = ApiRecordVersionRow(id, version);
  *size = row ? (int)row->size : 32;
  return record && *size > 0;
}

}  // namespace

int ApiCheckCustomSizeRange(SETTING_CONTEXT* ctx, LONG width, LONG length) {
  if (width == 0 || length == 0) return 0;
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  if (!conn) return 0;
  // The limits are in 0.1 mm whatever unit the settings show.
  width = ApiDisplayToTenthMm(ctx, width);
  length = ApiDisplayToTenthMm(ctx, length);
  if (ApiGetVersion(ctx) < 16) {
    // The limits are 16-bit: a length that does not fit is refused, never compared cut.
    if (width < -32768 || width > 32767 || length < -32768 || length > 32767) return 0;
    SHORT max[2] = {}, min[2] = {};
    int a = ZARNDrvGetCaps(conn->handle, 13, max), b = ZARNDrvGetCaps(conn->handle, 14, min);
    if (a == -1 || a == 0 || b == -1 || b == 0) return 0;
    return min[0] <= width && width <= max[0] && min[1] <= length && length <= max[1] ? 1 : 0;
  }
  int32_t max[2] = {}, min[2] = {};
  int a = ZARNDrvGetCaps(conn->handle, 124, max), b = ZARNDrvGetCaps(conn->handle, 125, min);
  if (a == -1 || a == 0 || b == -1 || b == 0) return 0;
  return min[0] <= width && width <= max[0] && min[1] <= length && length <= max[1] ? 1 : 0;
}

// ---- Status 7 ----

int ApiSetStatusPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, record)) return -1;
  const DWORD v = FieldVersion(id, record);
  const DWORD code = ApiRecordU32(record, 4);
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (!dm || !ApiValuePasses(ctx, sid::dmPaperSize, code)) return -1;
  if (StgIsModelFeatureOn(ctx, 2, 0) && StgAnyAdminLock(ctx) &&
      ApiRaisesAlertMessage(ctx, sid::dmPaperSize, kLockPaperSizeMessage, code, 1))
    return -1;
  if (code == kCustomPaper) {
    // Width and length are swapped before the range check, so an entry that fits once turned fits.
    if (ApiRecordU32(record, 8) > ApiRecordU32(record, 12)) {
      DWORD w = ApiRecordU32(record, 8);
      ApiPutRecordU32(record, 8, ApiRecordU32(record, 12));
      ApiPutRecordU32(record, 12, w);
    }
    if (!ApiCheckCustomSizeRange(ctx, Signed(ApiRecordU32(record, 8)), Signed(ApiRecordU32(record, 12)))) return -1;
    if (v >= 2 && !ApiValuePasses(ctx, sid::rdmPaperFreeSizeOrient, ApiRecordU32(record, 16))) return -1;
  }
  const uint64_t oldPaper = Get(ctx, sid::dmPaperSize);
  Set(ctx, sid::dmPaperSize, code);
  if (code == kCustomPaper) {
    const LONG width = Signed(ApiRecordU32(record, 8)), length = Signed(ApiRecordU32(record, 12));
    const SHORT oldWidth = dm->dmPaperWidth, oldLength = dm->dmPaperLength;
    const DWORD oldFields = dm->dmFields;
    const uint64_t oldDotsW = Get(ctx, sid::rdmPaperFreeSizeWidth), oldDotsL = Get(ctx, sid::rdmPaperFreeSizeLength);
    const LONG tenthW = ApiDisplayToTenthMm(ctx, width), tenthL = ApiDisplayToTenthMm(ctx, length);
    const bool tooLarge = tenthW > kLongestDevmodeLength || tenthL > kLongestDevmodeLength;
    Set(ctx, sid::rdmFuncSelectFreeShortOver, tooLarge ? 1 : 0);
    if (tooLarge) {
      dm->dmPaperWidth = dm->dmPaperLength = 0;
      dm->dmFields = (dm->dmFields & ~(DWORD)(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE;
    } else {
      dm->dmPaperWidth = (SHORT)tenthW;
      dm->dmPaperLength = (SHORT)tenthL;
      dm->dmFields = (dm->dmFields | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~(DWORD)DM_PAPERSIZE;
    }
    Set(ctx, sid::rdmPaperFreeSizeWidth, (DWORD)Dots(ctx, width));
    Set(ctx, sid::rdmPaperFreeSizeLength, (DWORD)Dots(ctx, length));
    if (ApiRecomputePaper(ctx)) {
      Set(ctx, sid::dmPaperSize, oldPaper);
      dm = StgGetDevmode(ctx);
      dm->dmPaperWidth = oldWidth;
      dm->dmPaperLength = oldLength;
      dm->dmFields = oldFields;
      Set(ctx, sid::rdmPaperFreeSizeWidth, oldDotsW);
      Set(ctx, sid::rdmPaperFreeSizeLength, oldDotsL);
      ApiSetContextError(ctx, API_ERROR_COMBINATION);
      return -1;
    }
    if (v >= 2) Set(ctx, sid::rdmPaperFreeSizeOrient, ApiRecordU32(record, 16));
  } else {
    dm->dmFields = (dm->dmFields & ~(DWORD)(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE;
  }
  ApiUpdatePaper(ctx, 1);
  return 1;
}

int ApiVerifyStatusPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const DWORD code = ApiRecordU32(record, 4);
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (!dm || (DWORD)Get(ctx, sid::dmPaperSize) != code) return -1;
  if (code != kCustomPaper) return 1;
  const LONG width = Signed(ApiRecordU32(record, 8)), length = Signed(ApiRecordU32(record, 12));
  const bool tooLarge = Get(ctx, sid::rdmFuncSelectFreeShortOver) != 0;
  if (!tooLarge &&
      (dm->dmPaperWidth != ApiDisplayToTenthMm(ctx, width) || dm->dmPaperLength != ApiDisplayToTenthMm(ctx, length)))
    return -1;
  if ((LONG)Get(ctx, sid::rdmPaperFreeSizeWidth) != SettledDots(ctx, width, tooLarge) ||
      (LONG)Get(ctx, sid::rdmPaperFreeSizeLength) != SettledDots(ctx, length, tooLarge))
    return -1;
  if (FieldVersion(id, record) >= 2 && (DWORD)Get(ctx, sid::rdmPaperFreeSizeOrient) != ApiRecordU32(record, 16)) return -1;
  return 1;
}

int ApiGetStatusPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version) {
  int size = 0;
  if (!GetPrologue(ctx, id, record, version, &size)) return size;
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (!dm) return -1;
  const DWORD code = (DWORD)Get(ctx, sid::dmPaperSize);
  LONG width = ApiTenthMmToDisplay(ctx, dm->dmPaperWidth), length = ApiTenthMmToDisplay(ctx, dm->dmPaperLength);
  DWORD orient = 0;
  if (Get(ctx, sid::rdmFuncSelectFreeShortOver)) {
    if (code == kCustomPaper) {
      width = StgDotsToDisplayUnits(ctx, 0, (LONG)Get(ctx, sid::rdmPaperFreeSizeWidth));
      length = StgDotsToDisplayUnits(ctx, 0, (LONG)Get(ctx, sid::rdmPaperFreeSizeLength));
    } else if (IsStoredSlot(code)) {
      width = Shown(ctx, sid::wdmFreeSizeWidth);
      length = Shown(ctx, sid::wdmFreeSizeLength);
    }
  }
  if (code == kCustomPaper) orient = (DWORD)Get(ctx, sid::rdmPaperFreeSizeOrient);
  if (IsStoredSlot(code)) orient = (DWORD)Get(ctx, sid::wdmSrcFreeSizeOrient);
  ApiPutRecordU32(record, 4, code);
  ApiPutRecordU32(record, 8, (DWORD)width);
  ApiPutRecordU32(record, 12, (DWORD)length);
  if (version >= 2) ApiPutRecordU32(record, 16, orient);
  return size;
}

// ---- Status 8 ----

int ApiSetStatusOutputPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, record)) return -1;
  const DWORD v = FieldVersion(id, record);
  const DWORD code = ApiRecordU32(record, 4);
  const LONG width = Signed(ApiRecordU32(record, 8)), length = Signed(ApiRecordU32(record, 12));
  if (!ApiValuePasses(ctx, sid::rdmOutPaperSize, code)) return -1;
  if (code != kSameAsPaper && !CheckValue(ctx, sid::rdmOutPaperSize, code)) return -1;
  if (code == kCustomPrintSize) {
    if (v < 2 || width <= 0 || length <= 0) return -1;
    if (!CheckValue(ctx, sid::rdmPrintFreeSizeWidth, (DWORD)Dots(ctx, width)) ||
        !CheckValue(ctx, sid::rdmPrintFreeSizeLength, (DWORD)Dots(ctx, length)))
      return -1;
    if (v >= 3 && !ApiValuePasses(ctx, sid::rdmPrintFreeSizeOrient, ApiRecordU32(record, 16))) return -1;
  }
  const uint64_t oldPaper = Get(ctx, sid::rdmOutPaperSize);
  Set(ctx, sid::rdmOutPaperSize, code);
  if (code == kCustomPrintSize) {
    const uint64_t oldW = Get(ctx, sid::rdmPrintFreeSizeWidth), oldL = Get(ctx, sid::rdmPrintFreeSizeLength);
    Set(ctx, sid::rdmPrintFreeSizeWidth, (DWORD)Dots(ctx, width));
    Set(ctx, sid::rdmPrintFreeSizeLength, (DWORD)Dots(ctx, length));
    if (ApiRecomputePaper(ctx)) {
      Set(ctx, sid::rdmOutPaperSize, oldPaper);
      Set(ctx, sid::rdmPrintFreeSizeWidth, oldW);
      Set(ctx, sid::rdmPrintFreeSizeLength, oldL);
      ApiSetContextError(ctx, API_ERROR_COMBINATION);
      return -1;
    }
    if (v >= 3) Set(ctx, sid::rdmPrintFreeSizeOrient, ApiRecordU32(record, 16));
  }
  ApiUpdatePaper(ctx, 1);
  return 1;
}

int ApiVerifyStatusOutputPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const DWORD code = ApiRecordU32(record, 4);
  const DWORD v = FieldVersion(id, record);
  if ((DWORD)Get(ctx, sid::rdmOutPaperSize) != code) return -1;
  if (code != kCustomPrintSize || v == 1) return 1;
  if (Shown(ctx, sid::rdmPrintFreeSizeWidth) != Signed(ApiRecordU32(record, 8)) ||
      Shown(ctx, sid::rdmPrintFreeSizeLength) != Signed(ApiRecordU32(record, 12)))
    return -1;
  if (v >= 3 && (DWORD)Get(ctx, sid::rdmPrintFreeSizeOrient) != ApiRecordU32(record, 16)) return -1;
  return 1;
}

int ApiGetStatusOutputPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version) {
  int size = 0;
  if (!GetPrologue(ctx, id, record, version, &size)) return size;
  const DWORD code = (DWORD)Get(ctx, sid::rdmOutPaperSize);
  const DWORD v = version > 3 ? 3 : version;
  if (code == kCustomPrintSize && v == 1) {
    ApiSetContextError(ctx, API_ERROR_VERSION);
    return -1;
  }
  ApiPutRecordU32(record, 4, code);
  if (v == 1) return size;
  LONG width = 0, length = 0;
  DWORD orient = 0;
  if (code == kSameAsPaper) {
    DEVMODEW* dm = StgGetDevmode(ctx);
    const DWORD paper = (DWORD)Get(ctx, sid::dmPaperSize);
    width = dm ? ApiTenthMmToDisplay(ctx, dm->dmPaperWidth) : 0;
    length = dm ? ApiTenthMmToDisplay(ctx, dm->dmPaperLength) : 0;
    if (Get(ctx, sid::rdmFuncSelectFreeShortOver) && paper == kCustomPaper) {
      width = Shown(ctx, sid::rdmPaperFreeSizeWidth);
      length = Shown(ctx, sid::rdmPaperFreeSizeLength);
    } else if (Get(ctx, sid::rdmFuncSelectFreeShortOver) && IsStoredSlot(paper)) {
      width = Shown(ctx, sid::wdmFreeSizeWidth);
      length = Shown(ctx, sid::wdmFreeSizeLength);
    }
  } else if (code == kCustomPrintSize) {
    width = Shown(ctx, sid::rdmPrintFreeSizeWidth);
    length = Shown(ctx, sid::rdmPrintFreeSizeLength);
    orient = (DWORD)Get(ctx, sid::rdmPrintFreeSizeOrient);
  } else if (RuleIsCustomSlotPaper(code, ctx)) {
    width = Shown(ctx, sid::wdmFreeSizeWidth);
    length = Shown(ctx, sid::wdmFreeSizeLength);
    orient = (DWORD)Get(ctx, sid::wdmFreeSizeOrient);
  } else {
    // The driver data gives 0.1 mm; the record carries the display unit.
    LONG pair[2] = {};
    if (ImgGetPaperSizeOf(ctx, pair, sid::rdmOutPaperSize)) {
      width = ApiTenthMmToDisplay(ctx, pair[0]);
      length = ApiTenthMmToDisplay(ctx, pair[1]);
    }
  }
  ApiPutRecordU32(record, 8, (DWORD)width);
  ApiPutRecordU32(record, 12, (DWORD)length);
  if (v >= 3) ApiPutRecordU32(record, 16, orient);
  return size;
}

// ---- Status 28 ----

int ApiSetStatusPaperRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, record)) return -1;
  const DWORD v = ApiRecordVersion(id, record);
  const DWORD rotation = ApiRecordU32(record, 4), mode = ApiRecordU32(record, 8);
  auto setRotation = [&] {
    if (!ApiValuePasses(ctx, sid::rdmExtOutputPaperRotation, rotation)) return false;
    Set(ctx, sid::rdmExtOutputPaperRotation, rotation);
    return true;
  };
  if (v == 0) return 1;
  if (v == 1) return setRotation() ? 1 : -1;
  if (!ApiValuePasses(ctx, sid::rdmRotationMode, mode)) return -1;
  if (v == 2) {
    if (mode == 2 && !setRotation()) return -1;
    Set(ctx, sid::rdmRotationMode, mode);
    return 1;
  }
  if (mode == 2) {
    if (!setRotation()) return -1;
    Set(ctx, sid::rdmRotationMode, mode);
  } else if (mode == 1) {
    Set(ctx, sid::rdmRotationMode, mode);
    for (auto [setting, offset] : {std::pair<WORD, int>{sid::rdmNupLayout, 12}, {sid::rdmBookLayout, 16}}) {
      if (!ApiIsOptionUsable(ctx, setting, 0, 3)) continue;
      DWORD value = ApiRecordU32(record, offset);
      if (!ApiValuePasses(ctx, setting, value)) return -1;
      Set(ctx, setting, value);
    }
  }
  return 1;
}

int ApiVerifyStatusPaperRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  const DWORD v = ApiRecordVersion(id, record);
  const DWORD rotation = ApiRecordU32(record, 4), mode = ApiRecordU32(record, 8);
  auto same = [&](WORD setting, DWORD value) { return (DWORD)Get(ctx, setting) == value; };
  if (v == 0) return 1;
  if (v == 1) return same(sid::rdmExtOutputPaperRotation, rotation) ? 1 : -1;
  if (v == 2) {
    if (mode == 2 && !same(sid::rdmExtOutputPaperRotation, rotation)) return -1;
    return same(sid::rdmRotationMode, mode) ? 1 : -1;
  }
  if (mode == 2) return same(sid::rdmExtOutputPaperRotation, rotation) && same(sid::rdmRotationMode, mode) ? 1 : -1;
  if (!same(sid::rdmRotationMode, mode)) return -1;
  if (mode != 1) return 1;
  if (ApiIsOptionUsable(ctx, sid::rdmNupLayout, 0, 3) && !same(sid::rdmNupLayout, ApiRecordU32(record, 12))) return -1;
  if (ApiIsOptionUsable(ctx, sid::rdmBookLayout, 0, 3) && !same(sid::rdmBookLayout, ApiRecordU32(record, 16))) return -1;
  return 1;
}

int ApiGetStatusPaperRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version) {
  int size = 0;
  if (!GetPrologue(ctx, id, record, version, &size)) return size;
  ApiPutRecordU32(record, 4, (DWORD)Get(ctx, sid::rdmExtOutputPaperRotation));
  if (version >= 2) ApiPutRecordU32(record, 8, (DWORD)Get(ctx, sid::rdmRotationMode));
  if (version >= 3) {
    if (ApiIsOptionUsable(ctx, sid::rdmNupLayout, 0, 1)) ApiPutRecordU32(record, 12, (DWORD)Get(ctx, sid::rdmNupLayout));
    if (ApiIsOptionUsable(ctx, sid::rdmBookLayout, 0, 1)) ApiPutRecordU32(record, 16, (DWORD)Get(ctx, sid::rdmBookLayout));
  }
  return size;
}
