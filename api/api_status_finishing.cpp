// Status items of the finishing and layout functions that have a switch of their own (scale, cover,
// mark paper, N-up, duplex, watermark selection, margin shift, sort, staple, punch), and the definition
// of the driver API's own watermark, kept in stamp slot 256 of the driver INI.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "api_caps.h"
#include "api_devmode.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_status_text.h"
#include "api_tables.h"
#include "config/driver_lists.h"
#include "config/paths.h"
#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/undo.h"
#include "settings/units.h"

namespace {

DWORD Get(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, DWORD v) { StgSetValue(ctx, id, v); }
DWORD At(const void* r, int offset) { return ApiRecordU32(r, offset); }
void Put(void* r, int offset, DWORD v) { ApiPutRecordU32(r, offset, v); }
bool Passes(SETTING_CONTEXT* ctx, WORD id, DWORD v) { return ApiValuePasses(ctx, id, v); }

DWORD ToDots(DWORD tenthMm) { return StgLengthToDots(STG_UNIT_METRIC, tenthMm, 1200); }
DWORD ToTenthMm(DWORD dots) { return StgDotsToLength(STG_UNIT_METRIC, dots, 1200); }

constexpr int kOn = 28;

// The switch-off rule: with a switch and the on flag 0 the function goes off and nothing else is read.
bool SwitchedOff(SETTING_CONTEXT* ctx, DWORD id, const void* record) {
  WORD sw = ApiFindSwitchSetting(id, nullptr);
  if (!sw || At(record, kOn) != 0) return false;
  Set(ctx, sw, 0);
  return true;
}
void WriteSwitch(SETTING_CONTEXT* ctx, DWORD id, const void* record) {
  if (WORD sw = ApiFindSwitchSetting(id, nullptr)) Set(ctx, sw, At(record, kOn));
}
// The common head of the verify handlers of their own: 1 passes at once, -1 refuses, 0 goes on.
int VerifyHead(SETTING_CONTEXT* ctx, DWORD id, const void* record) {
  WORD sw = ApiFindSwitchSetting(id, nullptr);
  if (!sw) return -1;
  if (At(record, kOn) == 0) return 1;
  return Get(ctx, sw) != 0 ? 0 : -1;
}
int GetOnFlag(SETTING_CONTEXT* ctx, DWORD id) {
  WORD sw = ApiFindSwitchSetting(id, nullptr);
  return sw ? (int)Get(ctx, sw) : 0;
}

// ---- Scale (11) ----

int SetScale(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, r)) return -1;
  if (SwitchedOff(ctx, id, r)) return 1;
  const DWORD type = At(r, 4), version = ApiRecordVersion(id, r);
  const bool h = type == 1 || type == 3, v = type == 3;
  if (!Passes(ctx, sid::rdmScaleType, type)) return -1;
  if (h && !Passes(ctx, sid::rdmScaleH, At(r, 8))) return -1;
  if (v && !Passes(ctx, sid::rdmScaleV, At(r, 12))) return -1;
  if (version >= 2 && h && !Passes(ctx, sid::rdmScaleCentering, At(r, 16))) return -1;
  Set(ctx, sid::rdmScaleType, type);
  if (h) Set(ctx, sid::rdmScaleH, At(r, 8));
  if (v) Set(ctx, sid::rdmScaleV, At(r, 12));
  if (version >= 2 && h) Set(ctx, sid::rdmScaleCentering, At(r, 16));
  WriteSwitch(ctx, id, r);
  if (type == 2) ApiUpdatePaper(ctx, 1);
  return 1;
}
int VerifyScale(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (int head = VerifyHead(ctx, id, r)) return head;
  const DWORD type = At(r, 4);
  if (Get(ctx, sid::rdmScaleType) != type) return -1;
  if (type != 1 && type != 3) return 1;
  if (Get(ctx, sid::rdmScaleH) != At(r, 8)) return -1;
  if (type == 3 && Get(ctx, sid::rdmScaleV) != At(r, 12)) return -1;
  if (ApiRecordVersion(id, r) >= 2 && Get(ctx, sid::rdmScaleCentering) != At(r, 16)) return -1;
  return 1;
}
int GetScale(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD version) {
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  if (!r) return 32;
  if (Get(ctx, sid::rdmScaleType) == 2) ApiUpdatePaper(ctx, 1);
  Put(r, 4, Get(ctx, sid::rdmScaleType));
  Put(r, 8, Get(ctx, sid::rdmScaleH));
  Put(r, 12, Get(ctx, sid::rdmScaleV));
  if (version >= 2 || version == 0) Put(r, 16, Get(ctx, sid::rdmScaleCentering));
  Put(r, kOn, (DWORD)GetOnFlag(ctx, id));
  return 32;
}

// ---- Cover (12) and mark paper (13) ----

int SetCover(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (SwitchedOff(ctx, id, r)) return 1;
  const DWORD type = At(r, 4), tray = At(r, 8);
  if (!Passes(ctx, sid::rdmCoverType, type) || !Passes(ctx, sid::rdmCoverInputTray, tray)) return -1;
  BYTE* copy = ApiCopyDevmode(ctx);
  if (!copy) return ApiSetContextError(ctx, API_ERROR_GENERAL), -1;
  Set(ctx, sid::rdmCoverInputTray, tray);
  bool ok = true;
  if (type == 3 && RuleCheckSettingValue(StgFindItem(ctx, sid::rdmCoverType), sid::rdmCoverType, 3, ctx) ==
                       RULE_OUTCOME_SECOND)
    ok = false;
  const DWORD duplex = Get(ctx, sid::rdmDuplexType);
  if (ok && Get(ctx, sid::rdmFuncSelectDuplex) && duplex >= 17 && duplex <= 19) {
    WORD option = ApiFindOptionForValue(ctx, sid::rdmCoverType, type);
    ok = option && ApiIsOptionUsable(ctx, sid::rdmCoverType, option, 3);
  }
  ApiRestoreDevmode(ctx, copy, 1);
  if (!ok) return -1;
  Set(ctx, sid::rdmCoverType, type);
  Set(ctx, sid::rdmCoverInputTray, tray);
  WriteSwitch(ctx, id, r);
  return 1;
}

int SetMarkPaper(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (SwitchedOff(ctx, id, r)) return 1;
  const DWORD type = At(r, 4), tray = At(r, 8);
  if (!Passes(ctx, sid::rdmMarkPaperType, type) || !Passes(ctx, sid::rdmMPInputTray, tray)) return -1;
  WORD option = ApiFindOptionForValue(ctx, sid::rdmMarkPaperType, type);
  if (!option || !ApiIsOptionUsable(ctx, sid::rdmMarkPaperType, option, 3)) return -1;
  Set(ctx, sid::rdmMarkPaperType, type);
  Set(ctx, sid::rdmMPInputTray, tray);
  WriteSwitch(ctx, id, r);
  return 1;
}

// The type and tray settings of items 12 and 13.
struct TypeTray {
  WORD type, tray;
};
TypeTray CoverSettings(DWORD id) {
  return id == 12 ? TypeTray{sid::rdmCoverType, sid::rdmCoverInputTray} : TypeTray{sid::rdmMarkPaperType, sid::rdmMPInputTray};
}
int VerifyTypeTray(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (int head = VerifyHead(ctx, id, r)) return head;
  TypeTray s = CoverSettings(id);
  return Get(ctx, s.type) == At(r, 4) && Get(ctx, s.tray) == At(r, 8) ? 1 : -1;
}
int GetTypeTray(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD) {
  if (!r) return 32;
  TypeTray s = CoverSettings(id);
  Put(r, 4, Get(ctx, s.type));
  Put(r, 8, Get(ctx, s.tray));
  Put(r, kOn, (DWORD)GetOnFlag(ctx, id));
  return 32;
}

// ---- N-up (14) ----

// The N-up kind a type selects: 0 leaves the kind; -1 the type needs API version 15.
int NupKindFor(SETTING_CONTEXT* ctx, DWORD type) {
  switch (type) {
    case 1: case 2: case 3: return 1;
    case 33: case 34: case 37: case 38: return 2;
    case 65: case 66: case 69: case 70: return 3;
    case 97: case 98: case 101: case 102: return 4;
    case 129: case 130: return ApiGetVersion(ctx) >= 15 ? 11 : -1;
    case 161: case 162: case 163: return ApiGetVersion(ctx) >= 15 ? 10 : -1;
    case 32769: case 32770: case 32771: case 32772: return 9;
    default: return 0;
  }
}

int SetNup(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, r)) return -1;
  const DWORD type = At(r, 4);
  if (type == 0 && StgIsModelFeatureOn(ctx, 2, 0) && StgIsNupKindLocked(ctx)) return -1;
  if (SwitchedOff(ctx, id, r)) return 1;
  if (!Passes(ctx, sid::rdmNUPType, type)) return -1;
  const DWORD keptKind = Get(ctx, sid::rdmNUPPOSTKind);
  int kind = NupKindFor(ctx, type);
  if (kind < 0) return -1;
  if (kind > 0) {
    if (!Passes(ctx, sid::rdmNUPPOSTKind, (DWORD)kind)) return -1;
    Set(ctx, sid::rdmNUPPOSTKind, (DWORD)kind);
  }
  const bool line = ApiRecordVersion(id, r) >= 2 && type < 32769;
  WORD sw = ApiFindSwitchSetting(id, nullptr);
  if (ApiTrySwitchOn(ctx, id, sw, sid::rdmNUPType, type) != 1 || (line && !Passes(ctx, sid::rdmNUPLine, At(r, 8)))) {
    Set(ctx, sid::rdmNUPPOSTKind, keptKind);
    return -1;
  }
  Set(ctx, sid::rdmNUPType, type);
  if (line) Set(ctx, sid::rdmNUPLine, At(r, 8));
  WriteSwitch(ctx, id, r);
  return 1;
}
int VerifyNup(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (int head = VerifyHead(ctx, id, r)) return head;
  if (ApiRecordVersion(id, r) >= 2 && At(r, 4) < 32769 && Get(ctx, sid::rdmNUPLine) != At(r, 8)) return -1;
  return 1;
}
int GetNup(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD version) {
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  if (!r) return 32;
  Put(r, 4, Get(ctx, sid::rdmNUPType));
  Put(r, kOn, (DWORD)GetOnFlag(ctx, id));
  if (version >= 2 || version == 0) Put(r, 8, Get(ctx, sid::rdmNUPLine));
  return 32;
}

// ---- Duplex (15) ----

// A capability's DWORD list (count, then fill within the count); -1 when it cannot be had.
int CapsList(SETTING_CONTEXT* ctx, DWORD capsId, std::vector<DWORD>& out) {
  out.clear();
  int n = capsId < 60 ? ApiCapsBaseWithin(ctx, capsId, nullptr, 0) : ApiCapsExtendedWithin(ctx, capsId, nullptr, 0);
  if (n <= 0) return n;
  try {
    out.assign((size_t)n, 0);
  } catch (...) {
    return -1;
  }
  int got = capsId < 60 ? ApiCapsBaseWithin(ctx, capsId, out.data(), n) : ApiCapsExtendedWithin(ctx, capsId, out.data(), n);
  if (got < 0) return -1;
  out.resize((size_t)std::min(got, n));
  return (int)out.size();
}
bool Listed(const std::vector<DWORD>& list, DWORD v) {
  for (DWORD x : list)
    if (x == v) return true;
  return false;
}

int SetDuplex(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const DWORD type = At(r, 4);
  if (StgIsModelFeatureOn(ctx, 2, 0) && StgIsDuplexLocked(ctx)) {
    std::vector<DWORD> allowed;
    int n = CapsList(ctx, 104, allowed);
    if (n < 0) return ApiSetContextError(ctx, API_ERROR_GENERAL), -1;
    if (n == 0 || !Listed(allowed, type)) return -1;
  }
  if (SwitchedOff(ctx, id, r)) {
    RuleSetDevmodeDuplex(StgGetDevmode(ctx), ctx);
    return 1;
  }
  WORD sw = ApiFindSwitchSetting(id, nullptr);
  if (!Passes(ctx, sid::rdmDuplexType, type) || ApiTrySwitchOn(ctx, id, sw, sid::rdmDuplexType, type) != 1) return -1;
  const bool plain = ApiIsPlainDuplexType(type) != 0;
  const DWORD odd = ToDots(At(r, 8)), even = ToDots(At(r, 12));
  if (plain && (!Passes(ctx, sid::rdmMarginOdd, odd) || !Passes(ctx, sid::rdmMarginEven, even))) return -1;
  Set(ctx, sid::rdmDuplexType, type);
  WriteSwitch(ctx, id, r);
  RuleSetDevmodeDuplex(StgGetDevmode(ctx), ctx);
  if (plain) {
    Set(ctx, sid::rdmFuncSelectMargin, 1);
    Set(ctx, sid::rdmMarginOdd, odd);
    Set(ctx, sid::rdmMarginEven, even);
  }
  return 1;
}
int GetDuplex(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD) {
  if (!r) return 32;
  const bool margins = Get(ctx, sid::rdmFuncSelectMargin) != 0;
  Put(r, 4, Get(ctx, sid::rdmDuplexType));
  Put(r, 8, margins ? ToTenthMm(Get(ctx, sid::rdmMarginOdd)) : 0);
  Put(r, 12, margins ? ToTenthMm(Get(ctx, sid::rdmMarginEven)) : 0);
  Put(r, kOn, (DWORD)GetOnFlag(ctx, id));
  return 32;
}

// ---- Watermark selection (17) ----

int SetWatermarkId(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (SwitchedOff(ctx, id, r)) return 1;
  const DWORD number = At(r, 4);
  if (number == 256) {
    if (!ApiHasApiStampSlot(ctx)) return -1;
  } else {
    std::vector<DWORD> numbers;
    int n = CapsList(ctx, 32, numbers);
    if (n < 0) return ApiSetContextError(ctx, API_ERROR_GENERAL), -1;
    if (number == 0 || !Listed(numbers, number)) return -1;
  }
  Set(ctx, sid::rdmWmID, number == 256 ? 256 : number - 1);
  WriteSwitch(ctx, id, r);
  return 1;
}
int GetWatermarkId(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD) {
  if (!r) return 32;
  DWORD wm = Get(ctx, sid::rdmWmID);
  Put(r, 4, wm == 256 ? 256 : wm + 1);
  Put(r, kOn, (DWORD)GetOnFlag(ctx, id));
  return 32;
}

// ---- Margin shift (18) ----

int SetMargin(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  const DWORD dir = At(r, 4), x = ToDots(At(r, 8)), y = ToDots(At(r, 12));
  if (!Passes(ctx, sid::rdmShiftDir, dir) || !Passes(ctx, sid::rdmShiftMarginX, x) || !Passes(ctx, sid::rdmShiftMarginY, y))
    return -1;
  Set(ctx, sid::rdmShiftDir, dir);
  Set(ctx, sid::rdmShiftMarginX, x);
  Set(ctx, sid::rdmShiftMarginY, y);
  // The margin function goes on whatever the on flag holds.
  Set(ctx, sid::rdmFuncSelectMargin, 1);
  return 1;
}
int GetMargin(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  const bool on = Get(ctx, sid::rdmFuncSelectMargin) != 0;
  Put(r, 4, Get(ctx, sid::rdmShiftDir));
  Put(r, 8, on ? ToTenthMm(Get(ctx, sid::rdmShiftMarginX)) : 0);
  Put(r, 12, on ? ToTenthMm(Get(ctx, sid::rdmShiftMarginY)) : 0);
  return 32;
}

// ---- Sort (19) ----

int SetSort(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, r)) return -1;
  if (SwitchedOff(ctx, id, r)) return 1;
  const DWORD type = At(r, 4), sheet = At(r, 8), cycle = At(r, 12);
  if (!Passes(ctx, sid::rdmSortType, type)) return -1;
  const bool sheets = ApiRecordVersion(id, r) >= 2 && ApiHasCapability(ctx, 76);
  if (sheets && !Passes(ctx, sid::rdmExtOutput2SeparationSheet, sheet)) return -1;
  if (sheets && sheet == 1 && !Passes(ctx, sid::rdmSeparationSheetCycle, cycle)) return -1;
  Set(ctx, sid::rdmSortType, type);
  if (sheets) {
    Set(ctx, sid::rdmExtOutput2SeparationSheet, sheet);
    if (sheet == 1) Set(ctx, sid::rdmSeparationSheetCycle, cycle);
  }
  WriteSwitch(ctx, id, r);
  return 1;
}
int VerifySort(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (int head = VerifyHead(ctx, id, r)) return head;
  if (ApiRecordVersion(id, r) < 2 || !ApiHasCapability(ctx, 76)) return 1;
  return Get(ctx, sid::rdmExtOutput2SeparationSheet) == At(r, 8) ? 1 : -1;
}
int GetSort(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD version) {
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  if (!r) return 32;
  Put(r, 4, Get(ctx, sid::rdmSortType));
  if (version >= 2 || version == 0) {
    const bool sheets = ApiHasCapability(ctx, 76);
    Put(r, 8, sheets ? Get(ctx, sid::rdmExtOutput2SeparationSheet) : 0);
    Put(r, 12, sheets ? Get(ctx, sid::rdmSeparationSheetCycle) : 0);
  }
  Put(r, kOn, (DWORD)GetOnFlag(ctx, id));
  return 32;
}

// ---- Staple (20) and punch (21) ----

WORD TypeSetting(DWORD id) { return id == 20 ? sid::rdmStapleType : sid::rdmPunchType; }
int SetStaplePunch(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (SwitchedOff(ctx, id, r)) return 1;
  const DWORD type = At(r, 4);
  const WORD setting = TypeSetting(id);
  if (!Passes(ctx, setting, type) || ApiTrySwitchOn(ctx, id, ApiFindSwitchSetting(id, nullptr), setting, type) != 1)
    return -1;
  Set(ctx, setting, type);
  WriteSwitch(ctx, id, r);
  return 1;
}
int GetStaplePunch(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD) {
  if (!r) return 32;
  Put(r, 4, Get(ctx, TypeSetting(id)));
  Put(r, kOn, (DWORD)GetOnFlag(ctx, id));
  return 32;
}

// ---- Watermark definition (16) ----

// WATERMARK_RECORD fields.
constexpr int kWmText = 44, kWmTextBytes = 33;
constexpr int kWmFont = 77, kWmFontBytes = 32;
constexpr int kWmPath = 109, kWmPathBytes = 263;
constexpr DWORD kKindText = 1, kKindImage = 2, kKindOverlay = 3, kKindPattern = 128;

// The watermark settings a definition writes: every key of them is journalled before the stamp slot
// is written, so a refused set puts the slot back as it was.
constexpr WORD kStampSettings[] = {
    sid::rdmWmKind,      sid::wdmWmUnit,        sid::wdmWmPosi,         sid::wdmWmOpaque,
    sid::wdmWmPage,      sid::wdmWmStartPage,   sid::wdmWmEndPage,      sid::wdmWmFontStyle,
    sid::wdmWmEffect,    sid::wdmWmColor,       sid::wdmWmColorR,       sid::wdmWmColorG,
    sid::wdmWmColorB,    sid::wdmWmDensity,     sid::wdmWmFontPoint,    sid::wdmWmFontScale,
    sid::wdmWmAngle,     sid::wdmWmChar,        sid::wdmWmFontName,     sid::wdmWmImage,
    sid::wdmWmLinePitch, sid::wdmWmTextPattern, sid::wdmWmTilePattern,  sid::wdmWmTileColor,
    sid::wdmWmTileColorR, sid::wdmWmTileColorG, sid::wdmWmTileColorB,   sid::wdmWmTileDensity,
    sid::wdmWmTileMask,  sid::wdmWmTileRotate,  sid::wdmWmSecretPattern, sid::wdmWMPrinterStamp2PlanePrint,
    sid::wdmWMFuncSelectOrder, sid::rdmWmID};

bool Allowed(WORD id, DWORD v) { return StgIsValueAllowed(id, (int32_t)v) != 0; }

// Which kinds of capability 77 print in two planes: text (1) and image (2). False when out of memory.
bool TwoPlaneKinds(SETTING_CONTEXT* ctx, bool* text, bool* image) {
  std::vector<DWORD> kinds;
  *text = *image = false;
  if (CapsList(ctx, 77, kinds) < 0) return false;
  *text = Listed(kinds, 1);
  *image = Listed(kinds, 2);
  return true;
}

void PutColour(SETTING_CONTEXT* ctx, DWORD colour, WORD r, WORD g, WORD b) {
  if (const WATERMARK_COLOUR_ROW* row = ApiFindColorRgb(colour & 0xFF)) {
    Set(ctx, r, row->red);
    Set(ctx, g, row->green);
    Set(ctx, b, row->blue);
  }
}

int SetWatermark(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, r)) return -1;
  const DWORD version = ApiRecordVersion(id, r);
  const DWORD kind = At(r, 4);
  const bool T = kind == kKindText, I = kind == kKindImage, O = kind == kKindOverlay;
  bool tp = false, ip = false;
  if (version >= 3 && (T || I) && !TwoPlaneKinds(ctx, &tp, &ip)) return ApiSetContextError(ctx, API_ERROR_GENERAL), -1;
  if (!Allowed(sid::rdmWmKind, kind)) return -1;
  // The texts of the record, each read within its field.
  std::string text, font, path;
  if (!ApiRecordText(r, kWmText, kWmTextBytes, &text) || !ApiRecordText(r, kWmFont, kWmFontBytes, &font) ||
      !ApiRecordText(r, kWmPath, kWmPathBytes, &path))
    return -1;
  bool P = false;
  if (kind == kKindPattern) {
    if (ApiGetVersion(ctx) < 3 || version < 2 || !ApiFunc1Bit0(ctx)) return -1;
    P = !text.empty();
  }
  const bool TP = T || P;
  const DWORD posi = At(r, 8), opaque = At(r, 12), page = At(r, 16), style = At(r, 20), effect = At(r, 24);
  DWORD colour = At(r, 28);
  const DWORD density = At(r, 32), size = At(r, 36), angle = At(r, 40);
  if ((TP || I) && !Allowed(sid::wdmWmPosi, posi)) return -1;
  if ((TP || I || O) && opaque > 1) return -1;
  if (page > 1) return -1;
  if (TP) {
    if (!Allowed(sid::wdmWmFontStyle, style) || !Allowed(sid::wdmWmEffect, effect)) return -1;
    if (T && version >= 3 && tp) {
      colour = 0;
      Put(r, 28, 0);
    } else if (T && !Allowed(sid::wdmWmColor, colour)) {
      return -1;
    } else if (P && colour != 0 && colour != 4 && colour != 5) {
      return -1;
    }
    if (density > 100) return -1;
  }
  if (TP && (size < 6 || size > 999)) return -1;
  if (I && (size < 30 || size > 999)) return -1;
  if (TP) {
    if (angle > 359) return -1;
    if (T && text.empty()) return -1;
    if (font.empty() || !ApiIsFontInstalled(ctx, font.c_str())) return ApiSetContextError(ctx, API_ERROR_FONT), -1;
  }
  if ((I || O) && (path.empty() || !ApiIsValidWatermarkFile(ctx, (int)kind, path.c_str())))
    return ApiSetContextError(ctx, API_ERROR_FILE), -1;
  if (kind == kKindPattern && path.size() > 32) return -1;
  const DWORD pitch = At(r, 372), textPattern = At(r, 376), tilePattern = At(r, 380), tileColour = At(r, 384);
  const DWORD tileDensity = At(r, 388), tileMask = At(r, 392), tileFlags = At(r, 396), secret = At(r, 400);
  const DWORD twoPlane = At(r, 412), order = At(r, 416);
  if (TP && posi != 0 && posi != 64 && angle != 0) return -1;
  if (P && (pitch > 999 || !Allowed(sid::wdmWmTextPattern, textPattern) || !Allowed(sid::wdmWmTilePattern, tilePattern) ||
            !Allowed(sid::wdmWmTileColor, tileColour) || tileDensity > 100 || !Allowed(sid::wdmWmTileMask, tileMask)))
    return -1;
  if (kind == kKindPattern && !Allowed(sid::wdmWmSecretPattern, secret)) return -1;
  const bool newest = version >= 3 && (T || I);
  const bool planes = newest && ((T && tp) || (I && ip));
  const bool orders = newest && ApiHasCapability(ctx, 78);
  if (planes && twoPlane > 1) return -1;
  if (orders && order > 1) return -1;

  // Everything is checked: the definition is written into the settings only long enough to be saved
  // as stamp 256, and the context's settings (its own watermark text and image path among them) come
  // back exactly as they were.
  const WCHAR* ini = CfgGetIniPath(ctx);
  WCHAR section[CFG_LIST_NAME_CHARS];
  CfgFormatStampSection(section, CFG_SCRATCH_STAMP, 0, ctx);
  for (WORD s : kStampSettings)
    if (const WCHAR* key = StgGetItemName(ctx, s)) ApiJournalIniKey(section, key, ini);
  if (!StgPushUndo(ctx)) return ApiSetContextError(ctx, API_ERROR_GENERAL), -1;
  ApiSetTextSetting(ctx, sid::wdmWmChar, "");
  ApiSetTextSetting(ctx, sid::wdmWmImage, "");
  Set(ctx, sid::rdmWmKind, kind);
  if (TP) Set(ctx, sid::wdmWmUnit, 0);
  if (TP || I) Set(ctx, sid::wdmWmPosi, posi);
  Set(ctx, sid::wdmWmOpaque, opaque);
  Set(ctx, sid::wdmWmPage, page);
  Set(ctx, sid::wdmWmStartPage, 1);
  Set(ctx, sid::wdmWmEndPage, 1);
  if (TP) {
    Set(ctx, sid::wdmWmFontStyle, style);
    Set(ctx, sid::wdmWmEffect, effect);
    Set(ctx, sid::wdmWmColor, colour);
    PutColour(ctx, colour, sid::wdmWmColorR, sid::wdmWmColorG, sid::wdmWmColorB);
    Set(ctx, sid::wdmWmDensity, density);
    Set(ctx, sid::wdmWmFontPoint, size);
  }
  if (I) Set(ctx, sid::wdmWmFontScale, size);
  if (TP) {
    Set(ctx, sid::wdmWmAngle, angle);
    ApiSetTextSetting(ctx, sid::wdmWmChar, text.c_str());
    ApiSetTextSetting(ctx, sid::wdmWmFontName, font.c_str());
  }
  if (I || O || kind == kKindPattern) ApiSetTextSetting(ctx, sid::wdmWmImage, path.c_str());
  if (P) {
    Set(ctx, sid::wdmWmLinePitch, pitch);
    Set(ctx, sid::wdmWmTextPattern, textPattern);
    Set(ctx, sid::wdmWmTilePattern, tilePattern);
    Set(ctx, sid::wdmWmTileColor, tileColour);
    PutColour(ctx, tileColour, sid::wdmWmTileColorR, sid::wdmWmTileColorG, sid::wdmWmTileColorB);
    Set(ctx, sid::wdmWmTileDensity, tileDensity);
    Set(ctx, sid::wdmWmTileMask, tileMask);
    Set(ctx, sid::wdmWmTileRotate, (tileFlags & 1) ? 2 : 0);
  }
  if (kind == kKindPattern) {
    ApiSetTextSetting(ctx, sid::wdmWmChar, text.c_str());
    Set(ctx, sid::wdmWmSecretPattern, secret);
  }
  if (planes) Set(ctx, sid::wdmWMPrinterStamp2PlanePrint, twoPlane);
  if (orders) Set(ctx, sid::wdmWMFuncSelectOrder, order);
  CfgSaveStamp(ctx, CFG_SCRATCH_STAMP);
  StgPopUndo(ctx, 1);
  return 1;
}

int GetWatermark(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD version) {
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  DWORD v = 0;
  const int size = ApiVersionedRecordSize(id, version, &v);
  if (!r) return size;
  if (!ApiHasApiStampSlot(ctx)) return ApiSetContextError(ctx, API_ERROR_NO_STAMP), -1;
  if (!StgPushUndo(ctx)) return ApiSetContextError(ctx, API_ERROR_GENERAL), -1;
  ApiSetTextSetting(ctx, sid::wdmWmChar, "");
  ApiSetTextSetting(ctx, sid::wdmWmImage, "");
  CfgLoadStamp(ctx, CFG_SCRATCH_STAMP);
  const DWORD kind = Get(ctx, sid::rdmWmKind);
  if (kind == kKindPattern && v < 2) {
    StgPopUndo(ctx, 1);
    return ApiSetContextError(ctx, API_ERROR_VERSION), -1;
  }
  const bool T = kind == kKindText, I = kind == kKindImage, O = kind == kKindOverlay;
  const bool P = kind == kKindPattern && ApiHasTextSetting(ctx, sid::wdmWmChar);
  const bool TP = T || P;
  std::memset(static_cast<BYTE*>(r) + 4, 0, (size_t)size - 4);
  Put(r, 4, kind);
  Put(r, 8, (TP || I) ? Get(ctx, sid::wdmWmPosi) : 0);
  Put(r, 12, (T || I || O || P) ? Get(ctx, sid::wdmWmOpaque) : 0);
  Put(r, 16, Get(ctx, sid::wdmWmPage));
  if (TP) {
    Put(r, 20, Get(ctx, sid::wdmWmFontStyle));
    Put(r, 24, Get(ctx, sid::wdmWmEffect));
    Put(r, 28, Get(ctx, sid::wdmWmColor));
    Put(r, 32, Get(ctx, sid::wdmWmDensity));
  }
  Put(r, 36, TP ? Get(ctx, sid::wdmWmFontPoint) : I ? Get(ctx, sid::wdmWmFontScale) : 0);
  char* bytes = static_cast<char*>(r);
  if (TP) {
    Put(r, 40, Get(ctx, sid::wdmWmAngle));
    ApiGetTextSetting(ctx, sid::wdmWmChar, bytes + kWmText, kWmTextBytes, false);
    ApiGetTextSetting(ctx, sid::wdmWmFontName, bytes + kWmFont, kWmFontBytes, false);
  }
  // A stored path too long for the field is left out rather than cut: a cut path names another file.
  if (I || O) ApiGetTextSetting(ctx, sid::wdmWmImage, bytes + kWmPath, kWmPathBytes, true);
  if (v >= 2) {
    if (P) {
      Put(r, 372, Get(ctx, sid::wdmWmLinePitch));
      Put(r, 376, Get(ctx, sid::wdmWmTextPattern));
      Put(r, 380, Get(ctx, sid::wdmWmTilePattern));
      Put(r, 384, Get(ctx, sid::wdmWmTileColor));
      Put(r, 388, Get(ctx, sid::wdmWmTileDensity));
      Put(r, 392, Get(ctx, sid::wdmWmTileMask));
      Put(r, 396, Get(ctx, sid::wdmWmTileRotate) == 2 ? 1 : 0);
    }
    if (kind == kKindPattern) {
      ApiGetTextSetting(ctx, sid::wdmWmImage, bytes + kWmPath, kWmPathBytes, true);
      Put(r, 400, Get(ctx, sid::wdmWmSecretPattern));
    }
  }
  if (v >= 3 && (T || I)) {
    bool tp = false, ip = false;
    if (TwoPlaneKinds(ctx, &tp, &ip) && ((T && tp) || (I && ip))) Put(r, 412, Get(ctx, sid::wdmWMPrinterStamp2PlanePrint));
    if (ApiHasCapability(ctx, 78)) Put(r, 416, Get(ctx, sid::wdmWMFuncSelectOrder));
  }
  StgPopUndo(ctx, 1);
  return size;
}

}  // namespace

int ApiSetStatusScale(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetScale(c, i, r, m, o); }
int ApiVerifyStatusScale(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyScale(c, i, r, m, o); }
int ApiGetStatusScale(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetScale(c, i, r, v); }
int ApiSetStatusCover(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetCover(c, i, r, m, o); }
int ApiVerifyStatusCover(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyTypeTray(c, i, r, m, o); }
int ApiGetStatusCover(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetTypeTray(c, i, r, v); }
int ApiSetStatusMarkPaper(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetMarkPaper(c, i, r, m, o); }
int ApiVerifyStatusMarkPaper(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyTypeTray(c, i, r, m, o); }
int ApiGetStatusMarkPaper(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetTypeTray(c, i, r, v); }
int ApiSetStatusNup(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetNup(c, i, r, m, o); }
int ApiVerifyStatusNup(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyNup(c, i, r, m, o); }
int ApiGetStatusNup(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetNup(c, i, r, v); }
int ApiSetStatusDuplex(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetDuplex(c, i, r, m, o); }
int ApiGetStatusDuplex(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetDuplex(c, i, r, v); }
int ApiSetStatusWatermark(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetWatermark(c, i, r, m, o); }
int ApiGetStatusWatermark(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetWatermark(c, i, r, v); }
int ApiSetStatusWatermarkId(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetWatermarkId(c, i, r, m, o); }
int ApiGetStatusWatermarkId(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetWatermarkId(c, i, r, v); }
int ApiSetStatusMargin(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetMargin(c, i, r, m, o); }
int ApiGetStatusMargin(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetMargin(c, i, r, v); }
int ApiSetStatusSort(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetSort(c, i, r, m, o); }
int ApiVerifyStatusSort(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifySort(c, i, r, m, o); }
int ApiGetStatusSort(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetSort(c, i, r, v); }
int ApiSetStatusStaple(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetStaplePunch(c, i, r, m, o); }
int ApiGetStatusStaple(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetStaplePunch(c, i, r, v); }
int ApiSetStatusPunch(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetStaplePunch(c, i, r, m, o); }
int ApiGetStatusPunch(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetStaplePunch(c, i, r, v); }
