// Status items that print something extra on the page or change the output: header and footer (47),
// the copy-guard pattern (55), edge and corner marks (68), crop marks (70), creep margins (71), fold (51),
// manual-tray orientation (58), index-paper rotation (62), back and reverse covers (64, 65), cover media
// (66), chapter rows (67) and folding (79).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "api_devmode.h"
#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_status_text.h"
#include "api_tables.h"
#include "driverdata/dfc_image.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

DWORD Get(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, DWORD v) { StgSetValue(ctx, id, v); }
DWORD At(const void* r, int offset) { return ApiRecordU32(r, offset); }
void Put(void* r, int offset, DWORD v) { ApiPutRecordU32(r, offset, v); }
bool Passes(SETTING_CONTEXT* ctx, WORD id, DWORD v) { return ApiValuePasses(ctx, id, v); }
int Refuse(SETTING_CONTEXT* ctx, DWORD code) {
  ApiSetContextError(ctx, code);
  return -1;
}

// The margin function's node under its second condition. strict: a missing node refuses as well.
bool MarginSwitchRefuses(SETTING_CONTEXT* ctx, bool strict) {
  IMG_REF node = ApiFindSettingNode(ApiFindSwitchSetting(18, nullptr), ctx);
  if (!node) return strict;
  return RuleEvalSecondCondition(ctx, node, 0) == 1;
}

// The inclusive range of a Numeric setting's first option record; false without one.
bool FirstRange(SETTING_CONTEXT* ctx, WORD id, DWORD* lo, DWORD* hi) {
  WORD def = 0;
  IMG_REF rec = ImgGetOptionList(ctx, id, &def);
  if (!rec) return false;
  const void* n = reinterpret_cast<const void*>(rec);
  *lo = (DWORD)dfc::Get<int32_t>(n, 16);
  *hi = (DWORD)dfc::Get<int32_t>(n, 20);
  return true;
}
bool InFirstRange(SETTING_CONTEXT* ctx, WORD id, DWORD v) {
  DWORD lo = 0, hi = 0;
  return FirstRange(ctx, id, &lo, &hi) && v >= lo && v <= hi;
}

// ---- Header and footer (47) ----

// HEADER_FOOTER_RECORD.
constexpr int kHfFont = 8, kHfFontBytes = 32, kHfString = 68, kHfStringBytes = 33;
struct HfLine {
  DWORD flag;
  WORD on, posi, form;
  int at;  // offset of the position; the form follows
};
constexpr HfLine kHfLines[] = {{1, sid::rdmHFFuncSelectDate, sid::rdmHFDatePosi, sid::rdmHFDateForm, 44},
                               {2, sid::rdmHFFuncSelectPage, sid::rdmHFPagePosi, sid::rdmHFPageForm, 52},
                               {4, sid::rdmHFFuncSelectString, sid::rdmHFStrPosi, sid::rdmHFStrForm, 60}};

bool HfOrder(SETTING_CONTEXT* ctx, DWORD version) { return version >= 2 && ApiHasCapability(ctx, 79); }

int SetHeaderFooter(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, r)) return -1;
  if (MarginSwitchRefuses(ctx, false)) return -1;
  const DWORD flags = At(r, 4) & 7;
  Put(r, 4, flags);
  std::string text, font;
  if (!ApiRecordText(r, kHfString, kHfStringBytes, &text) || !ApiRecordText(r, kHfFont, kHfFontBytes, &font)) return -1;
  for (const HfLine& l : kHfLines) {
    if (!(flags & l.flag)) continue;
    if (!Passes(ctx, l.posi, At(r, l.at)) || !Passes(ctx, l.form, At(r, l.at + 4))) return -1;
    if (l.flag == 4 && At(r, l.at + 4) == 2 && text.empty()) return -1;
  }
  const DWORD version = ApiRecordVersion(id, r);
  if (flags) {
    if (font.empty() || !ApiIsFontInstalled(ctx, font.c_str())) return Refuse(ctx, API_ERROR_FONT);
    if (!Passes(ctx, sid::rdmHFFontPoint, At(r, 40))) return -1;
    if (HfOrder(ctx, version) && !Passes(ctx, sid::rdmHFFuncSelectOrder, At(r, 104))) return -1;
  }
  for (const HfLine& l : kHfLines) {
    if (!(flags & l.flag)) {
      Set(ctx, l.on, 0);
      continue;
    }
    Set(ctx, l.on, 1);
    Set(ctx, l.posi, At(r, l.at));
    Set(ctx, l.form, At(r, l.at + 4));
    if (l.flag == 4 && At(r, l.at + 4) == 2) ApiSetTextSetting(ctx, sid::rdmHFString, text.c_str());
  }
  if (!flags) return 1;
  Set(ctx, sid::rdmFuncSelectMargin, 1);
  ApiSetTextSetting(ctx, sid::rdmHFFontName, font.c_str());
  Set(ctx, sid::rdmHFFontPoint, At(r, 40));
  if (HfOrder(ctx, version)) Set(ctx, sid::rdmHFFuncSelectOrder, At(r, 104));
  return 1;
}

int VerifyHeaderFooter(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const DWORD flags = At(r, 4) & 7;
  std::string text, font;
  ApiRecordText(r, kHfString, kHfStringBytes, &text);
  ApiRecordText(r, kHfFont, kHfFontBytes, &font);
  for (const HfLine& l : kHfLines) {
    const bool on = (flags & l.flag) != 0;
    if (Get(ctx, l.on) != (on ? 1u : 0u)) return -1;
    if (!on) continue;
    if (Get(ctx, l.posi) != At(r, l.at) || Get(ctx, l.form) != At(r, l.at + 4)) return -1;
    if (l.flag == 4 && At(r, l.at + 4) == 2 && !ApiTextSettingIs(ctx, sid::rdmHFString, text)) return -1;
  }
  if (!flags) return 1;
  if (!ApiTextSettingIs(ctx, sid::rdmHFFontName, font) || Get(ctx, sid::rdmHFFontPoint) != At(r, 40)) return -1;
  if (HfOrder(ctx, ApiRecordVersion(id, r)) && Get(ctx, sid::rdmHFFuncSelectOrder) != At(r, 104)) return -1;
  return 1;
}

int GetHeaderFooter(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD version) {
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  DWORD v = 0;
  const int size = ApiVersionedRecordSize(id, version, &v);
  if (!r) return size;
  DWORD flags = 0;
  for (const HfLine& l : kHfLines) {
    if (Get(ctx, l.on)) flags |= l.flag;
    Put(r, l.at, Get(ctx, l.posi));
    Put(r, l.at + 4, Get(ctx, l.form));
  }
  Put(r, 4, flags);
  char* bytes = static_cast<char*>(r);
  ApiGetTextSetting(ctx, sid::rdmHFFontName, bytes + kHfFont, kHfFontBytes, false);
  ApiGetTextSetting(ctx, sid::rdmHFString, bytes + kHfString, kHfStringBytes, false);
  std::memset(bytes + 101, 0, 3);
  Put(r, 40, Get(ctx, sid::rdmHFFontPoint));
  if (v >= 2) Put(r, 104, ApiHasCapability(ctx, 79) ? Get(ctx, sid::rdmHFFuncSelectOrder) : 0);
  return size;
}

// ---- Copy guard (55) ----

constexpr int kCpText = 24, kCpTextBytes = 65, kCpFont = 89, kCpFontBytes = 32, kCpBytes = 172;

int SetCopyProtect(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  const DWORD mode = At(r, 4);
  if (sw && mode == 0) {
    Set(ctx, sw, 0);
    return 1;
  }
  if (sw) Set(ctx, sw, 1);
  if (mode == 1) {
    Set(ctx, sid::rdmCopyProtectFuncSelectCopyGuard, 1);
    ApiSetTextSetting(ctx, sid::rdmCopyProtectChar, "");
    return 1;
  }
  if (mode != 2 && mode != 3) return -1;
  const DWORD colour = At(r, 8), density = At(r, 12), mask = At(r, 16), pattern = At(r, 20);
  if (mode == 2 && (!Passes(ctx, sid::rdmCopyProtectColor, colour) || !Passes(ctx, sid::rdmCopyProtectDensity, density) ||
                    (mask && !Passes(ctx, sid::rdmCopyProtectTileMask, mask)) || pattern > 1))
    return -1;
  std::string text, font;
  if (!ApiRecordText(r, kCpText, kCpTextBytes, &text) || !ApiRecordText(r, kCpFont, kCpFontBytes, &font)) return -1;
  if (text.size() > 64) return -1;
  if (font.empty() || !ApiIsFontInstalled(ctx, font.c_str())) return Refuse(ctx, API_ERROR_FONT);
  const DWORD size = At(r, 124), style = At(r, 128), angle = At(r, 132), posi = At(r, 136);
  const DWORD pitch = At(r, 140), reverse = At(r, 144), effect = At(r, 148);
  if (!InFirstRange(ctx, sid::rdmCopyProtectFontPoint, size) || !Passes(ctx, sid::rdmCopyProtectFontStyle, style))
    return -1;
  bool repeat = false;
  if (!Passes(ctx, sid::rdmCopyProtectPosi, posi)) {
    if (posi != 64) return -1;
    repeat = true;
  }
  if (repeat && (!InFirstRange(ctx, sid::rdmCopyProtectLinePitch, pitch) || reverse > 1)) return -1;
  const bool angled = repeat || posi == 0;
  if (angled && !InFirstRange(ctx, sid::rdmCopyProtectAngle, angle)) return -1;
  if (effect != 0 && effect != 3 && effect != 255) return -1;
  Set(ctx, sid::rdmCopyProtectFuncSelectCopyGuard, mode == 3 ? 1 : 0);
  ApiSetTextSetting(ctx, sid::rdmCopyProtectChar, text.c_str());
  if (mode == 2) {
    Set(ctx, sid::rdmCopyProtectColor, colour);
    Set(ctx, sid::rdmCopyProtectDensity, density);
    Set(ctx, sid::rdmCopyProtectFuncSelectMaskPattern, mask ? 1 : 0);
    if (mask) Set(ctx, sid::rdmCopyProtectTileMask, mask);
    Set(ctx, sid::rdmCopyProtectFuncSelectSwitchPattern, pattern);
    if (effect == 255) {
      Set(ctx, sid::rdmCopyProtectFuncSelectWhiteBackground, 1);
      Set(ctx, sid::rdmCopyProtectFuncSelectOutline, 0);
    }
  }
  if (repeat) {
    Set(ctx, sid::rdmCopyProtectFuncSelectRepeat, 1);
    Set(ctx, sid::rdmCopyProtectFuncSelectReverse, reverse);
    Set(ctx, sid::rdmCopyProtectLinePitch, pitch);
  } else {
    Set(ctx, sid::rdmCopyProtectPosi, posi);
    Set(ctx, sid::rdmCopyProtectFuncSelectRepeat, 0);
  }
  Set(ctx, sid::rdmCopyProtectAngle, angled ? angle : 0);
  if (effect == 3 || effect == 0) {
    Set(ctx, sid::rdmCopyProtectFuncSelectOutline, effect == 3 ? 1 : 0);
    Set(ctx, sid::rdmCopyProtectFuncSelectWhiteBackground, 0);
  }
  ApiSetTextSetting(ctx, sid::rdmCopyProtectFontName, font.c_str());
  Set(ctx, sid::rdmCopyProtectFontPoint, size);
  Set(ctx, sid::rdmCopyProtectFontStyle, style);
  return 1;
}

int VerifyCopyProtect(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  const DWORD mode = At(r, 4);
  if (!sw) return -1;
  if (mode == 0) return 1;
  if (!Get(ctx, sw)) return -1;
  const bool guard = Get(ctx, sid::rdmCopyProtectFuncSelectCopyGuard) != 0;
  const bool hasText = ApiHasTextSetting(ctx, sid::rdmCopyProtectChar);
  if (mode == 1) return guard && !hasText ? 1 : -1;
  if (mode == 3 && !guard) return -1;
  if ((mode == 2 || mode == 3) && !hasText) return -1;
  const DWORD effect = At(r, 148), posi = At(r, 136);
  if (mode == 2) {
    const DWORD mask = At(r, 16);
    if (Get(ctx, sid::rdmCopyProtectColor) != At(r, 8) || Get(ctx, sid::rdmCopyProtectDensity) != At(r, 12)) return -1;
    if (mask ? Get(ctx, sid::rdmCopyProtectTileMask) != mask : Get(ctx, sid::rdmCopyProtectFuncSelectMaskPattern) != 0)
      return -1;
    if (Get(ctx, sid::rdmCopyProtectFuncSelectSwitchPattern) != At(r, 20)) return -1;
    if (effect == 255 && !Get(ctx, sid::rdmCopyProtectFuncSelectWhiteBackground)) return -1;
  }
  if (posi == 64) {
    if (!Get(ctx, sid::rdmCopyProtectFuncSelectRepeat) || Get(ctx, sid::rdmCopyProtectFuncSelectReverse) != At(r, 144) ||
        Get(ctx, sid::rdmCopyProtectLinePitch) != At(r, 140))
      return -1;
  } else if (Get(ctx, sid::rdmCopyProtectPosi) != posi) {
    return -1;
  }
  if ((posi == 64 || posi == 0) && Get(ctx, sid::rdmCopyProtectAngle) != At(r, 132)) return -1;
  const DWORD outline = Get(ctx, sid::rdmCopyProtectFuncSelectOutline);
  const DWORD white = Get(ctx, sid::rdmCopyProtectFuncSelectWhiteBackground);
  if (effect == 3 && (!outline || white)) return -1;
  if (effect == 0 && (outline || white)) return -1;
  std::string text, font;
  ApiRecordText(r, kCpText, kCpTextBytes, &text);
  ApiRecordText(r, kCpFont, kCpFontBytes, &font);
  if (!ApiTextSettingIs(ctx, sid::rdmCopyProtectChar, text) || !ApiTextSettingIs(ctx, sid::rdmCopyProtectFontName, font))
    return -1;
  return Get(ctx, sid::rdmCopyProtectFontPoint) == At(r, 124) && Get(ctx, sid::rdmCopyProtectFontStyle) == At(r, 128) ? 1
                                                                                                                      : -1;
}

int GetCopyProtect(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD) {
  if (!ApiHasCapability(ctx, 84)) return -1;
  if (!r) return kCpBytes;
  std::memset(static_cast<BYTE*>(r) + 4, 0, kCpBytes - 4);
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  const bool guard = Get(ctx, sid::rdmCopyProtectFuncSelectCopyGuard) != 0;
  const bool hasText = ApiHasTextSetting(ctx, sid::rdmCopyProtectChar);
  DWORD mode = 0;
  if (sw && Get(ctx, sw)) mode = guard ? (hasText ? 3 : 1) : (hasText ? 2 : 0);
  Put(r, 4, mode);
  Put(r, 8, Get(ctx, sid::rdmCopyProtectColor));
  Put(r, 12, Get(ctx, sid::rdmCopyProtectDensity));
  Put(r, 16, Get(ctx, sid::rdmCopyProtectFuncSelectMaskPattern) ? Get(ctx, sid::rdmCopyProtectTileMask) : 0);
  Put(r, 20, Get(ctx, sid::rdmCopyProtectFuncSelectSwitchPattern));
  Put(r, 136, Get(ctx, sid::rdmCopyProtectFuncSelectRepeat) ? 64 : Get(ctx, sid::rdmCopyProtectPosi));
  Put(r, 144, Get(ctx, sid::rdmCopyProtectFuncSelectReverse));
  Put(r, 140, Get(ctx, sid::rdmCopyProtectLinePitch));
  Put(r, 148, Get(ctx, sid::rdmCopyProtectFuncSelectOutline)          ? 3
              : Get(ctx, sid::rdmCopyProtectFuncSelectWhiteBackground) ? 255
                                                                       : 0);
  char* bytes = static_cast<char*>(r);
  ApiGetTextSetting(ctx, sid::rdmCopyProtectChar, bytes + kCpText, kCpTextBytes, false);
  ApiGetTextSetting(ctx, sid::rdmCopyProtectFontName, bytes + kCpFont, kCpFontBytes, false);
  Put(r, 124, Get(ctx, sid::rdmCopyProtectFontPoint));
  Put(r, 128, Get(ctx, sid::rdmCopyProtectFontStyle));
  Put(r, 132, Get(ctx, sid::rdmCopyProtectAngle));
  return kCpBytes;
}

// ---- Edge and corner marks (68), crop marks (70), creep margins (71) ----

int SetEdgeCorner(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  if (MarginSwitchRefuses(ctx, true)) return -1;
  const DWORD flag = At(r, 28);
  if (flag) {
    if (!Passes(ctx, sid::rdmCornerPosi, At(r, 4))) return -1;
    Set(ctx, sid::rdmFuncSelectMargin, 1);
    Set(ctx, sid::rdmCornerPosi, At(r, 4));
  }
  Set(ctx, sid::rdmFunc2SelectEdgeCorner, flag);
  return 1;
}
int VerifyEdgeCorner(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  if (!At(r, 28)) return 1;
  return Get(ctx, sid::rdmFunc2SelectEdgeCorner) && Get(ctx, sid::rdmCornerPosi) == At(r, 4) ? 1 : -1;
}
int GetEdgeCorner(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  Put(r, 4, Get(ctx, sid::rdmCornerPosi));
  Put(r, 28, Get(ctx, sid::rdmFunc2SelectEdgeCorner));
  return 32;
}

int SetCropMarks(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  if (MarginSwitchRefuses(ctx, true)) return -1;
  const DWORD value = At(r, 4), first = At(r, 8);
  if (!Passes(ctx, sid::rdmFuncSelectCrops, value)) return -1;
  if (value == 1 && !Passes(ctx, sid::rdmFuncSelectCropsFirst, first)) return -1;
  Set(ctx, sid::rdmFuncSelectCrops, value);
  if (value == 1) Set(ctx, sid::rdmFuncSelectCropsFirst, first);
  Set(ctx, sid::rdmFuncSelectMargin, 1);
  return 1;
}
int VerifyCropMarks(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  if (Get(ctx, sid::rdmFuncSelectCrops) != At(r, 4)) return -1;
  return At(r, 4) != 1 || Get(ctx, sid::rdmFuncSelectCropsFirst) == At(r, 8) ? 1 : -1;
}
int GetCropMarks(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  Put(r, 4, Get(ctx, sid::rdmFuncSelectCrops));
  Put(r, 8, Get(ctx, sid::rdmFuncSelectCropsFirst));
  return 32;
}

DWORD ToDots(DWORD tenthMm) { return StgLengthToDots(STG_UNIT_METRIC, tenthMm, 1200); }
DWORD ToTenthMm(DWORD dots) { return StgDotsToLength(STG_UNIT_METRIC, dots, 1200); }

int SetCreepMargin(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  if (MarginSwitchRefuses(ctx, true)) return -1;
  const DWORD inside = ToDots(At(r, 4)), outside = ToDots(At(r, 8));
  if (!Passes(ctx, sid::rdmCreepMarginInside, inside) || !Passes(ctx, sid::rdmCreepMarginOutside, outside)) return -1;
  Set(ctx, sid::rdmCreepMarginInside, inside);
  Set(ctx, sid::rdmCreepMarginOutside, outside);
  Set(ctx, sid::rdmFuncSelectMargin, 1);
  return 1;
}
int VerifyCreepMargin(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  return ToTenthMm(Get(ctx, sid::rdmCreepMarginInside)) == At(r, 4) &&
                 ToTenthMm(Get(ctx, sid::rdmCreepMarginOutside)) == At(r, 8)
             ? 1
             : -1;
}
int GetCreepMargin(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  const bool on = Get(ctx, sid::rdmFuncSelectMargin) != 0;
  Put(r, 4, on ? ToTenthMm(Get(ctx, sid::rdmCreepMarginInside)) : 0);
  Put(r, 8, on ? ToTenthMm(Get(ctx, sid::rdmCreepMarginOutside)) : 0);
  return 32;
}

// ---- Fold (51), manual-tray orientation (58), index rotation (62) ----

int SetFold(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  const DWORD type = At(r, 4), on = At(r, 28);
  if (sw && on == 0) {
    Set(ctx, sw, 0);
    return 1;
  }
  if (!Passes(ctx, sid::rdmFoldType, type) || ApiTrySwitchOn(ctx, id, sw, sid::rdmFoldType, type) != 1) return -1;
  Set(ctx, sid::rdmFoldType, type);
  if (sw) Set(ctx, sw, on);
  return 1;
}
int GetFold(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD) {
  if (!r) return 32;
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  Put(r, 4, Get(ctx, sid::rdmFoldType));
  Put(r, 28, sw ? Get(ctx, sw) : 0);
  return 32;
}

int SetManualTray(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  const DWORD output = At(r, 4), orientation = At(r, 8);
  if (sw && output == 0) {
    Set(ctx, sw, 0);
    return 1;
  }
  if (!Passes(ctx, sid::rdmExtOutput2OrientationManualTray, output) ||
      !Passes(ctx, sid::rdmOrientationManualTray, orientation))
    return -1;
  Set(ctx, sid::rdmExtOutput2OrientationManualTray, output);
  Set(ctx, sid::rdmOrientationManualTray, orientation);
  return 1;
}
int VerifyManualTray(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  if (Get(ctx, sid::rdmExtOutput2OrientationManualTray) != At(r, 4)) return -1;
  return At(r, 4) == 0 || Get(ctx, sid::rdmOrientationManualTray) == At(r, 8) ? 1 : -1;
}
int GetManualTray(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  Put(r, 4, Get(ctx, sid::rdmExtOutput2OrientationManualTray));
  Put(r, 8, Get(ctx, sid::rdmOrientationManualTray));
  return 32;
}

constexpr DWORD kIndexPaper = 272;
int SetIndexRotation(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  const DWORD mode = At(r, 4);
  if (mode > 2) return -1;
  if (Get(ctx, sid::rdmMediaType) != kIndexPaper) return Refuse(ctx, API_ERROR_COMBINATION);
  Set(ctx, sid::rdmExtOutputIndexRotation, mode != 0 ? 1 : 0);
  Set(ctx, sid::rdmExtOutputShiftPrint, mode == 2 ? 1 : 0);
  return 1;
}
int VerifyIndexRotation(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  const DWORD rotation = Get(ctx, sid::rdmExtOutputIndexRotation), shift = Get(ctx, sid::rdmExtOutputShiftPrint);
  switch (At(r, 4)) {
    case 0: return !rotation && !shift ? 1 : -1;
    case 1: return rotation && !shift ? 1 : -1;
    case 2: return rotation && shift ? 1 : -1;
    default: return 1;
  }
}
int GetIndexRotation(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  Put(r, 4, !Get(ctx, sid::rdmExtOutputIndexRotation) ? 0 : Get(ctx, sid::rdmExtOutputShiftPrint) ? 2 : 1);
  return 32;
}

// ---- Back cover (64) and reverse cover (65) ----

struct CoverItem {
  WORD on, type, tray;
  DWORD maxMode;
};
CoverItem CoverOf(DWORD id) {
  return id == 64 ? CoverItem{sid::rdmFuncSelectBack, sid::rdmBackCoverType, sid::rdmBackCoverInputTray, 3}
                  : CoverItem{sid::rdmFuncSelectReverseCover, sid::rdmReverseCoverType, sid::rdmReverseCoverInputTray, 2};
}
// The cover type of a mode; the back cover's mode 1 is type 0.
DWORD CoverType(DWORD id, DWORD mode) { return id == 64 && mode == 1 ? 0 : mode; }
bool OutsideUsable(SETTING_CONTEXT* ctx) { return ApiIsOptionUsable(ctx, sid::rdmExtOutput2ReverseCoverOutside, 0, 3); }

int SetCover(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const CoverItem c = CoverOf(id);
  const DWORD mode = At(r, 4), tray = At(r, 8), outside = At(r, 12);
  if (mode == 0) {
    Set(ctx, c.on, 0);
    return 1;
  }
  if (mode > c.maxMode) return -1;
  if (id == 64 && mode == 3 && Get(ctx, sid::rdmFuncSelectDuplex) == 0) return Refuse(ctx, API_ERROR_COMBINATION);
  if (!Passes(ctx, c.tray, tray)) return -1;
  const DWORD type = CoverType(id, mode);
  BYTE* copy = ApiCopyDevmode(ctx);
  if (!copy) return Refuse(ctx, API_ERROR_GENERAL);
  Set(ctx, c.on, 1);
  Set(ctx, c.tray, tray);
  if (id == 64 && mode == 3 &&
      RuleCheckSettingValue(StgFindItem(ctx, c.type), c.type, 3, ctx) == RULE_OUTCOME_SECOND) {
    ApiRestoreDevmode(ctx, copy, 1);
    return Refuse(ctx, API_ERROR_COMBINATION);
  }
  Set(ctx, c.type, type);
  const bool usable = OutsideUsable(ctx);
  if (usable && !Passes(ctx, sid::rdmExtOutput2ReverseCoverOutside, outside)) {
    ApiRestoreDevmode(ctx, copy, 1);
    return -1;
  }
  ApiRestoreDevmode(ctx, copy, 1);
  Set(ctx, c.on, 1);
  Set(ctx, c.type, type);
  Set(ctx, c.tray, tray);
  if (usable) Set(ctx, sid::rdmExtOutput2ReverseCoverOutside, outside);
  return 1;
}
int VerifyCover(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const CoverItem c = CoverOf(id);
  const DWORD mode = At(r, 4);
  if (mode == 0) return Get(ctx, c.on) == 0 ? 1 : -1;
  if (mode <= c.maxMode && Get(ctx, c.type) != CoverType(id, mode)) return -1;
  if (Get(ctx, c.tray) != At(r, 8)) return -1;
  return !OutsideUsable(ctx) || Get(ctx, sid::rdmExtOutput2ReverseCoverOutside) == At(r, 12) ? 1 : -1;
}
int GetCover(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD) {
  if (!r) return 32;
  const CoverItem c = CoverOf(id);
  DWORD mode = 0;
  if (Get(ctx, c.on)) {
    const DWORD type = Get(ctx, c.type);
    if (id == 64) {
      // A stored type no mode stands for is refused rather than answered with the caller's own bytes.
      if (type != 0 && type != 2 && type != 3) return Refuse(ctx, API_ERROR_GENERAL);
      mode = type == 0 ? 1 : type;
    } else {
      if (type != 1 && type != 2) return Refuse(ctx, API_ERROR_GENERAL);
      mode = type;
    }
  }
  Put(r, 4, mode);
  Put(r, 8, Get(ctx, c.tray));
  Put(r, 12, Get(ctx, sid::rdmExtOutput2ReverseCoverOutside));
  return 32;
}

// ---- Cover media (66) ----

constexpr WORD kCoverMedia[] = {sid::rdmCoverMediaType, sid::rdmBackCoverMediaType, sid::rdmMPInputMediaType,
                                sid::rdmChapterMediaType, sid::rdmReverseCoverMediaType};
int SetCoverMedia(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  const DWORD value = At(r, 4);
  if (!Passes(ctx, sid::rdmCoverMediaType, value)) return -1;
  for (WORD s : kCoverMedia) Set(ctx, s, value);
  return 1;
}
int GetCoverMedia(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  Put(r, 4, Get(ctx, sid::rdmMPInputMediaType));
  return 32;
}

// ---- Chapters (67) ----

constexpr DWORD kMaxPage = 30000;

// The rows as the chapter module keeps them, loaded again from the device data; the row count.
DWORD ReloadChapters(SETTING_CONTEXT* ctx) {
  ctx->work->chapterDeviceLoaded = 0;
  StgRequestDeviceDataLoad(ctx);
  return Get(ctx, sid::wdmChapterNum);
}

int SetChapter(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const DWORD on = At(r, 4), op = At(r, 8);
  if (!ApiSetVersionAllowed(ctx, id, r) || on > 1) return -1;
  const DWORD n = ReloadChapters(ctx);
  if (op == 0) {
    Set(ctx, sid::rdmFuncSelectChapter, on == 1 && n == 0 ? 0 : on);
    return 1;
  }
  Set(ctx, sid::rdmFuncSelectChapter, 1);
  if (op > 3) return -1;
  const DWORD row = At(r, 16), first = At(r, 20), kind = At(r, 24), tray = At(r, 28), print = At(r, 32);
  const DWORD version = ApiRecordVersion(id, r);
  const DWORD last = version >= 2 ? At(r, 36) : 0;
  if (op == 2 && (row < 1 || row > n)) return -1;
  if (op == 1) {
    if (first < 1 || first > kMaxPage) return -1;
    if (kind != 0 && kind != 1 && kind != 3) return -1;
    if (kind == 3 && ApiGetVersion(ctx) < 15) return -1;
    if (kind == 0) {
      if (!Passes(ctx, sid::wdmChapterTray, tray) || print > 2) return -1;
      if (print == 2 && Get(ctx, sid::rdmFuncSelectDuplex) == 0) return Refuse(ctx, API_ERROR_COMBINATION);
      Set(ctx, sid::wdmChapterTray, tray);
      if (RuleCheckSettingValue(StgFindItem(ctx, sid::wdmChapterPrint), sid::wdmChapterPrint, print, ctx) ==
          RULE_OUTCOME_EXCLUDED)
        return Refuse(ctx, API_ERROR_COMBINATION);
    }
    if (kind == 3) {
      if (!Passes(ctx, sid::wdmChapterTray, tray)) return -1;
      if (version >= 2 && (last < 1 || last > kMaxPage || last < first)) return -1;
    }
  }
  Set(ctx, sid::rdmFuncSelectChapter, on);
  if (op == 1) {
    Set(ctx, sid::wdmChapterKind, kind);
    char page[16];
    std::snprintf(page, sizeof page, "%u", (unsigned)first);
    ApiSetTextSetting(ctx, sid::wdmChapterPage, page);
    if (kind == 0) {
      Set(ctx, sid::wdmChapterTray, tray);
      Set(ctx, sid::wdmChapterPrint, print);
    } else if (kind == 3) {
      Set(ctx, sid::wdmChapterTray, tray);
    }
  }
  MODULE_OP_PARAMS params{};
  if (op == 1) {
    params.p[0] = first;
    params.p[2] = last;
    if (!StgRunModuleOp(ctx, 2, &params) || params.p[3] != 0) return Refuse(ctx, API_ERROR_COMBINATION);
  } else if (op == 2) {
    params.p[0] = row - 1;
    if (!StgRunModuleOp(ctx, 3, &params) || params.p[1] != 0) return Refuse(ctx, API_ERROR_GENERAL);
    if (n == 1) Set(ctx, sid::rdmFuncSelectChapter, 0);
  } else {
    if (!StgRunModuleOp(ctx, 4, &params) || params.p[0] != 0) return Refuse(ctx, API_ERROR_GENERAL);
    Set(ctx, sid::rdmFuncSelectChapter, 0);
  }
  return 1;
}

// The page number a row's page text holds.
DWORD PageOf(SETTING_CONTEXT* ctx) {
  char page[16] = {};
  ApiGetTextSetting(ctx, sid::wdmChapterPage, page, sizeof page, true);
  return (DWORD)std::strtoul(page, nullptr, 10);
}

int VerifyChapter(SETTING_CONTEXT* ctx, DWORD, void* r, BYTE*, int) {
  const DWORD n = Get(ctx, sid::wdmChapterNum), on = Get(ctx, sid::rdmFuncSelectChapter);
  switch (At(r, 8)) {
    case 0: return on == (n ? At(r, 4) : 0) ? 1 : -1;
    case 1: {
      const DWORD kind = At(r, 24);
      if (n == 0 || on != At(r, 4) || Get(ctx, sid::wdmChapterKind) != kind || PageOf(ctx) != At(r, 20)) return -1;
      if ((kind == 0 || kind == 3) && Get(ctx, sid::wdmChapterTray) != At(r, 28)) return -1;
      if (kind == 0 && Get(ctx, sid::wdmChapterPrint) != At(r, 32)) return -1;
      return 1;
    }
    case 2: return n != 0 || on == 0 ? 1 : -1;
    case 3: return n == 0 && on == 0 ? 1 : -1;
    default: return 1;
  }
}

int GetChapter(SETTING_CONTEXT* ctx, DWORD id, void* r, DWORD version) {
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  DWORD v = 0;
  const int size = ApiVersionedRecordSize(id, version, &v);
  if (!r) return size;
  // A read reloads the rows and saves nothing.
  const DWORD n = ReloadChapters(ctx);
  const DWORD row = At(r, 16);
  if (row > n) return Refuse(ctx, API_ERROR_REFUSED);
  Put(r, 4, Get(ctx, sid::rdmFuncSelectChapter));
  Put(r, 12, n);
  if (row) {
    MODULE_OP_PARAMS params{};
    params.p[0] = row - 1;
    StgRunModuleOp(ctx, 5, &params);
    Put(r, 20, params.p[1]);
    Put(r, 24, params.p[2]);
    Put(r, 28, params.p[3]);
    Put(r, 32, params.p[4]);
    if (v >= 2) Put(r, 36, params.p[2] == 3 ? params.p[5] : 0);
  }
  return size;
}

// ---- Folding (79) ----

struct SubType {
  DWORD type;
  WORD setting;
};
constexpr SubType kSubTypes[] = {
    {5, sid::rdmFoldingLongFanType}, {6, sid::rdmFoldingCustomType}, {7, sid::rdmFoldingProgramType}};
WORD SubTypeSetting(DWORD type) {
  for (const SubType& s : kSubTypes)
    if (s.type == type) return s.setting;
  return 0;
}
constexpr DWORD kFoldingOff = 255;

int SetFolding(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  const DWORD type = At(r, 4), sub = At(r, 8), flags = At(r, 12);
  if (sw && type == kFoldingOff) {
    Set(ctx, sw, 0);
    return 1;
  }
  const WORD subSetting = SubTypeSetting(type);
  if (type != kFoldingOff &&
      (!Passes(ctx, sid::rdmFunc2SelectFolding, 1) || !Passes(ctx, sid::rdmFunc2SelectFoldingPunch, flags & 1) ||
       !Passes(ctx, sid::rdmFunc2SelectFoldingCorner, (flags >> 1) & 1) || !Passes(ctx, sid::rdmFoldingType, type) ||
       (subSetting && !Passes(ctx, subSetting, sub))))
    return -1;
  Set(ctx, sid::rdmFunc2SelectFolding, type != kFoldingOff ? 1 : 0);
  Set(ctx, sid::rdmFunc2SelectFoldingPunch, flags & 1);
  Set(ctx, sid::rdmFunc2SelectFoldingCorner, (flags >> 1) & 1);
  Set(ctx, sid::rdmFoldingType, type);
  if (subSetting) Set(ctx, subSetting, sub);
  return 1;
}
int VerifyFolding(SETTING_CONTEXT* ctx, DWORD id, void* r, BYTE*, int) {
  const WORD sw = ApiFindSwitchSetting(id, nullptr);
  if (!sw) return -1;
  if (At(r, 4) == kFoldingOff) return 1;
  return Get(ctx, sw) ? 1 : -1;
}
int GetFolding(SETTING_CONTEXT* ctx, DWORD, void* r, DWORD) {
  if (!r) return 32;
  const bool on = Get(ctx, sid::rdmFunc2SelectFolding) != 0;
  const DWORD type = on ? Get(ctx, sid::rdmFoldingType) : kFoldingOff;
  const WORD subSetting = SubTypeSetting(type);
  Put(r, 4, type);
  Put(r, 8, subSetting ? Get(ctx, subSetting) : 0);
  Put(r, 12, (Get(ctx, sid::rdmFunc2SelectFoldingPunch) == 1 ? 1u : 0u) |
                 (Get(ctx, sid::rdmFunc2SelectFoldingCorner) == 1 ? 2u : 0u));
  return 32;
}

}  // namespace

int ApiSetStatusHeaderFooter(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetHeaderFooter(c, i, r, m, o); }
int ApiVerifyStatusHeaderFooter(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyHeaderFooter(c, i, r, m, o); }
int ApiGetStatusHeaderFooter(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetHeaderFooter(c, i, r, v); }
int ApiSetStatusCopyProtect(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetCopyProtect(c, i, r, m, o); }
int ApiVerifyStatusCopyProtect(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyCopyProtect(c, i, r, m, o); }
int ApiGetStatusCopyProtect(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetCopyProtect(c, i, r, v); }
int ApiSetStatusEdgeCorner(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetEdgeCorner(c, i, r, m, o); }
int ApiVerifyStatusEdgeCorner(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyEdgeCorner(c, i, r, m, o); }
int ApiGetStatusEdgeCorner(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetEdgeCorner(c, i, r, v); }
int ApiSetStatusCropMarks(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetCropMarks(c, i, r, m, o); }
int ApiVerifyStatusCropMarks(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyCropMarks(c, i, r, m, o); }
int ApiGetStatusCropMarks(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetCropMarks(c, i, r, v); }
int ApiSetStatusCreepMargin(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetCreepMargin(c, i, r, m, o); }
int ApiVerifyStatusCreepMargin(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyCreepMargin(c, i, r, m, o); }
int ApiGetStatusCreepMargin(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetCreepMargin(c, i, r, v); }
int ApiSetStatusFold(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetFold(c, i, r, m, o); }
int ApiGetStatusFold(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetFold(c, i, r, v); }
int ApiSetStatusManualTrayOrientation(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetManualTray(c, i, r, m, o); }
int ApiVerifyStatusManualTrayOrientation(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyManualTray(c, i, r, m, o); }
int ApiGetStatusManualTrayOrientation(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetManualTray(c, i, r, v); }
int ApiSetStatusIndexRotation(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetIndexRotation(c, i, r, m, o); }
int ApiVerifyStatusIndexRotation(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyIndexRotation(c, i, r, m, o); }
int ApiGetStatusIndexRotation(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetIndexRotation(c, i, r, v); }
int ApiSetStatusBackCover(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetCover(c, i, r, m, o); }
int ApiVerifyStatusBackCover(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyCover(c, i, r, m, o); }
int ApiGetStatusBackCover(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetCover(c, i, r, v); }
int ApiSetStatusReverseCover(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetCover(c, i, r, m, o); }
int ApiVerifyStatusReverseCover(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyCover(c, i, r, m, o); }
int ApiGetStatusReverseCover(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetCover(c, i, r, v); }
int ApiSetStatusCoverMedia(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetCoverMedia(c, i, r, m, o); }
int ApiGetStatusCoverMedia(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetCoverMedia(c, i, r, v); }
int ApiSetStatusChapter(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetChapter(c, i, r, m, o); }
int ApiVerifyStatusChapter(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyChapter(c, i, r, m, o); }
int ApiGetStatusChapter(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetChapter(c, i, r, v); }
int ApiSetStatusFolding(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return SetFolding(c, i, r, m, o); }
int ApiVerifyStatusFolding(SETTING_CONTEXT* c, DWORD i, void* r, BYTE* m, int o) { return VerifyFolding(c, i, r, m, o); }
int ApiGetStatusFolding(SETTING_CONTEXT* c, DWORD i, void* r, DWORD v) { return GetFolding(c, i, r, v); }
