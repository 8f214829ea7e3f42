// Units, derived settings, change flags, charsets, locks and small tests of a settings context.
#include "settings/units.h"

#include <cstring>

#include "config/device_settings.h"
#include "config/free_size.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_lists.h"
#include "kvplat/codepage.h"
#include "kvplat/module.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/paper_geometry.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"

namespace {

DWORD Val(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
DWORD Opt(SETTING_CONTEXT* ctx, WORD id) { return StgGetOptionValue(ctx, id, nullptr); }

// x * y / z without an intermediate overflow: y * (x div z) + y * (x mod z) div z.
DWORD MulDivU(DWORD x, DWORD y, DWORD z) { return z ? y * (x / z) + y * (x % z) / z : 0; }

// Length of n dots at 1200 dpi, truncated.
DWORD OwnLength(int flag, DWORD n) { return flag == STG_UNIT_METRIC ? MulDivU(n, 254, 1200) : n / 12; }
// Dots at 1200 dpi of a length, truncated.
DWORD OwnDots(int flag, DWORD len) { return flag == STG_UNIT_METRIC ? MulDivU(len, 1200, 254) : len * 12; }

int UnitFlag(SETTING_CONTEXT* ctx) { return StgIsMetric(ctx) ? STG_UNIT_METRIC : STG_UNIT_INCH; }

}  // namespace

// ---- Conversions.

DWORD StgDotsToTenthMm(DWORD dots, DWORD dpi) { return dpi ? MulDivU(dots, 254, dpi) : 0; }
DWORD StgDotsToHundredthInch(DWORD dots, DWORD dpi) { return dpi < 100 ? 0 : dots / (dpi / 100); }
DWORD StgTenthMmToDots(DWORD length, DWORD dpi) { return MulDivU(length, dpi, 254); }
DWORD StgHundredthInchToDots(DWORD length, DWORD dpi) { return length * (dpi / 100); }
DWORD StgRescale(DWORD value, DWORD fromDpi, DWORD toDpi) {
  return fromDpi && toDpi ? MulDivU(value, toDpi, fromDpi) : 0;
}

LONG StgMulDiv(LONG x, LONG y, LONG z) {
  if (z == 0) return -1;
  int64_t r = (int64_t)x * (int64_t)y / (int64_t)z;
  return (LONG)(int32_t)(uint32_t)r;
}

DWORD StgLengthToDots(int unitFlag, DWORD length, DWORD dpi) {
  if (unitFlag != STG_UNIT_METRIC && unitFlag != STG_UNIT_INCH) return 0;
  DWORD n = OwnDots(unitFlag, length);
  while (n > 0 && (OwnLength(unitFlag, n) > length || (n & 1))) --n;
  return StgRescale(n, 1200, dpi);
}

DWORD StgDotsToLength(int unitFlag, DWORD value, DWORD dpi) {
  if (unitFlag != STG_UNIT_METRIC && unitFlag != STG_UNIT_INCH) return 0;
  DWORD d = StgRescale(value, dpi, 1200);
  DWORD i = OwnLength(unitFlag, d);
  while (OwnDots(unitFlag, i) < d) ++i;
  return i;
}

int StgIsMetric(SETTING_CONTEXT* ctx) { return Val(ctx, sid::rdmDspUnit) == 0 ? 1 : 0; }

LONG StgDotsToDisplayUnits(SETTING_CONTEXT* ctx, WORD id, LONG dots) {
  LONG v = id ? (LONG)Opt(ctx, id) : dots;
  if (v < 0) return 0;
  return (LONG)StgDotsToLength(UnitFlag(ctx), (DWORD)v, 1200);
}

LONG StgDisplayUnitsToDots(SETTING_CONTEXT* ctx, WORD id, LONG length) {
  if (length < 0) return 0;
  LONG dots = (LONG)StgLengthToDots(UnitFlag(ctx), (DWORD)length, 1200);
  if (id) StgSetOptionValue(ctx, id, (DWORD)dots);
  return dots;
}

int StgGetCustomSizeLimits(SETTING_CONTEXT* ctx, WORD id, LONG* minimum, LONG* maximum) {
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  DWORD lo, hi;
  if (id == sid::wdmFreeSizeWidth) {
    lo = (DWORD)m->customWidthMin;
    hi = (DWORD)m->customWidthMax;
  } else if (id == sid::wdmFreeSizeLength) {
    lo = (DWORD)m->customLengthMin;
    hi = (DWORD)m->customLengthMax;
  } else {
    return 0;
  }
  int flag = UnitFlag(ctx);
  // The dots of a converted value are those StgLengthToDots gives (the largest even count within the
  // length): with a plain truncating conversion the length maximum 708660 dots would give 149999
  // instead of 150000 tenths of a millimetre.
  DWORD mn = StgDotsToLength(flag, lo, 1200), mx = StgDotsToLength(flag, hi, 1200);
  if (StgLengthToDots(flag, mn, 1200) < lo) ++mn;
  if (StgLengthToDots(flag, mx, 1200) > hi && mx > 0) --mx;
  if (minimum) *minimum = (LONG)mn;
  if (maximum) *maximum = (LONG)mx;
  return 1;
}

// ---- Derived settings.

int StgUsesInchPapers(SETTING_CONTEXT* ctx) {
  int inch = Val(ctx, sid::rdmDriverType) != 0 && Val(ctx, sid::rdmLocaleID) != 0;
  if (Val(ctx, sid::rdmHiddenFunc16) == 1) inch = !inch;
  return inch;
}

DWORD StgGetFitPaper(SETTING_CONTEXT* ctx) {
  struct {
    uint64_t answer;
  } arg{0};
  StgBroadcastModuleEvent(ctx, 54, &arg);
  int inch = StgUsesInchPapers(ctx);
  if (arg.answer == 1) return inch ? 1 : 9;
  return inch ? 3 : 8;
}

int StgIsLargerThanFitPaper(SETTING_CONTEXT* ctx, DWORD paper) {
  DWORD fit = StgGetFitPaper(ctx);
  bool small = fit == 9 || fit == 1;
  bool afterSeparator = false;
  for (const int32_t* p = StgGetFitPaperListTable(); p && *p; ++p) {
    if (*p == STG_FIT_PAPER_SEPARATOR) {
      afterSeparator = true;
      continue;
    }
    if (afterSeparator != small && (DWORD)*p == paper) return 1;
  }
  return 0;
}

int StgNeedsFitPaper(SETTING_CONTEXT* ctx) {
  if (!(Val(ctx, sid::rdmFrontFunc) & 8)) return 0;
  if (!Val(ctx, sid::rdmExtOutput2A4Fit)) return 0;
  DWORD out = Val(ctx, sid::rdmOutPaperSize);
  if (out < 1024 || out > 1028) return 0;
  DWORD method = Val(ctx, sid::rdmPrnMethod);
  if (method == 5 || method == 7) return 0;
  if (Val(ctx, sid::rdmFuncSelectScale) && Val(ctx, sid::rdmScaleType) != 2) return 0;
  DWORD paper = Val(ctx, sid::dmPaperSize);
  if (StgGetFitPaper(ctx) == paper) return 0;
  return StgIsLargerThanFitPaper(ctx, paper);
}

DWORD StgGetOutputPaperSize(SETTING_CONTEXT* ctx) {
  DWORD out = Val(ctx, sid::rdmOutPaperSize);
  if (out == 1024) return StgNeedsFitPaper(ctx) ? StgGetFitPaper(ctx) : Val(ctx, sid::dmPaperSize);
  if (out >= 1025 && out <= 1028) return StgGetFitPaper(ctx);
  return out;
}

void StgUpdatePaperSettings(SETTING_CONTEXT* ctx, int kind) {
  if (!ctx || !ctx->store) return;
  DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(ctx->store->bytes);
  if (kind == 1) {
    StgApplySourcePaperLandscape(Val(ctx, sid::dmPaperSize), sid::dmPaperSize, ctx, dm);
    DWORD out = Val(ctx, sid::rdmOutPaperSize);
    bool fitted = out >= 1025 && out <= 1028;
    StgApplyOutputPaperLandscape(fitted ? StgGetFitPaper(ctx) : out, sid::rdmOutPaperSize, ctx, dm);
    bool scaleSet = Val(ctx, sid::rdmFuncSelectScale) != 0;
    DWORD scaleType = Val(ctx, sid::rdmScaleType);
    if (fitted || (Val(ctx, sid::rdmFuncSelectScale) == 1 && scaleType == 2)) {
      LONG srcW = (LONG)Opt(ctx, sid::rdmSrcPaperWidthDot), srcL = (LONG)Opt(ctx, sid::rdmSrcPaperLengthDot);
      // A source dimension of 0 has no ratio (StgMulDiv would give -1 as a scale): keep 100.
      if (srcW == 0 || srcL == 0) {
        StgSetOptionValue(ctx, sid::rdmScaleH, 100);
        StgSetOptionValue(ctx, sid::rdmScaleV, 100);
        return;
      }
      LONG h = StgMulDiv((LONG)Opt(ctx, sid::rdmDstPaperWidthDot), 100, srcW);
      LONG v = StgMulDiv((LONG)Opt(ctx, sid::rdmDstPaperLengthDot), 100, srcL);
      LONG scale = h < v ? h : v;
      StgSetOptionValue(ctx, sid::rdmScaleH, (DWORD)scale);
      StgSetOptionValue(ctx, sid::rdmScaleV, (DWORD)scale);
    } else if (out == 1024 && !(scaleSet && scaleType != 2)) {
      StgSetOptionValue(ctx, sid::rdmScaleH, 100);
      StgSetOptionValue(ctx, sid::rdmScaleV, 100);
    }
  } else if (kind == 3 || kind == 4) {
    DWORD paper = Val(ctx, kind == 3 ? sid::dmPaperSize : sid::rdmOutPaperSize);
    if (paper >= 384 && paper <= 393) CfgLoadFreeSize(ctx, (int)(paper - 384));
  }
}

void StgApplyMacroForResolution(DWORD resolution, SETTING_CONTEXT* ctx) {
  if (Val(ctx, sid::rdmLock000InfoBitResolution) == 1 || Val(ctx, sid::rdmUseUserMacro) != 0) return;
  bool low = resolution == 200 || resolution == 300 || resolution == 400 || resolution == 600;
  StgSetOptionValue(ctx, sid::rdmBalanceMacro, low ? 17 : 18);
}
void StgSetMacroForResolution(DWORD resolution, SETTING_CONTEXT* ctx) { StgApplyMacroForResolution(resolution, ctx); }

// ---- Charsets.

namespace {

struct CHARSET_ROW {
  DWORD charset;
  DWORD code;
};
constexpr CHARSET_ROW kCharsets[14] = {
    {128, 1},  {0, 2},    {238, 3},  {161, 4},  {204, 5},  {162, 6},  {186, 7},
    {134, 8},  {136, 9},  {177, 10}, {178, 11}, {222, 12}, {130, 13}, {129, 13},
};

// The Windows charset of an ANSI code page, as the platform's charset translation by code page answers;
// false for a code page without one. (The platform layer has no charset translation of its own yet.)
bool CharsetOfCodePage(UINT cp, DWORD* charset) {
  static constexpr struct {
    UINT cp;
    DWORD charset;
  } kPages[] = {{1252, 0},   {932, 128},  {949, 129}, {1361, 130}, {936, 134}, {950, 136}, {1253, 161},
                {1254, 162}, {1255, 177}, {1256, 178}, {1257, 186}, {1251, 204}, {874, 222}, {1250, 238},
                {1258, 163}};
  for (const auto& p : kPages)
    if (p.cp == cp) {
      *charset = p.charset;
      return true;
    }
  return false;
}

}  // namespace

DWORD StgCharsetCodeOfCharset(DWORD charset) {
  for (const CHARSET_ROW& r : kCharsets)
    if (r.charset == charset) return r.code;
  return 0;
}

DWORD StgGetAcpCharsetCode() {
  DWORD charset = 0;
  if (!CharsetOfCodePage(GetACP(), &charset)) return 0;
  return StgCharsetCodeOfCharset(charset);
}

void StgSetCharsetSettings(SETTING_CONTEXT* ctx, int flags) {
  if (flags & 1) StgSetCharsetSetting(ctx, sid::rdmAuthUserNameCharSet);
  if (flags & 2) StgSetCharsetSetting(ctx, sid::rdmAuthPasswordCharSet);
}
void StgSetCharsetSetting(SETTING_CONTEXT* ctx, WORD id) { StgSetOptionValue(ctx, id, StgGetAcpCharsetCode()); }

// ---- Driver id and chapter limits.

void StgLoadDriverId(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return;
  DWORD id = 0;
  const WCHAR* ini = CfgGetModelIniPath(ctx);
  if (ini && ini[0] && ini[1] == u':') {
    const WCHAR* driver = CfgGetDriverName(ctx);
    if (driver && driver[0]) id = (DWORD)CfgIniGetInt(driver, u"DriverID", 0, ini);
  }
  StgSetOptionValue(ctx, sid::rdmDriverID, id);
}

void StgLoadChapterLimits(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return;
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPrinterName(ctx);
  DWORD chapterMax = 0, trayMax = 0;
  if (ini && ini[0] && section) {
    chapterMax = (DWORD)CfgIniGetInt(section, u"ChapterMax", 0, ini);
    trayMax = (DWORD)CfgIniGetInt(section, u"ChapterTrayMax", 0, ini);
  }
  StgSetOptionValue(ctx, sid::wdmChapterMax, chapterMax);
  StgSetOptionValue(ctx, sid::wdmChapterTrayMax, trayMax);
}

// ---- Change flags and last error.

void StgRaiseChangeFlags(SETTING_CONTEXT* ctx, DWORD mask) {
  if (!ctx || !ctx->work) return;
  DWORD& w = ctx->work->changeWords[STG_CHANGE_WORD_CURRENT];
  if (mask == 0) {
    w = 0;
    return;
  }
  if (mask & 0xFFFFu) w &= ~0xFFFFu;
  w |= mask;
}
DWORD StgGetChangeFlags(SETTING_CONTEXT* ctx) { return ctx && ctx->work ? ctx->work->changeWords[STG_CHANGE_WORD_CURRENT] : 0; }
void StgClearChangeFlags(SETTING_CONTEXT* ctx, DWORD mask) {
  if (!ctx || !ctx->work) return;
  ctx->work->changeWords[STG_CHANGE_WORD_CURRENT] &= ~mask;
  if (mask & 0xF0000000u)
    for (DWORD i = 0; i < STG_UNDO_DEPTH; ++i) ctx->work->changeWords[i] &= ~mask;
}
void StgSetLastError(SETTING_CONTEXT* ctx, DWORD code) {
  if (ctx && ctx->work) ctx->work->lastError = code;
}
DWORD StgGetLastError(SETTING_CONTEXT* ctx) { return ctx && ctx->work ? ctx->work->lastError : 0; }

// ---- Locks and small tests.

int StgAnyAdminLock(SETTING_CONTEXT* ctx) {
  for (WORD id = sid::rdmLock000InfoBitDefault; id <= 10433; ++id)
    if (Val(ctx, id)) return 1;
  return 0;
}
int StgIsTrayLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10419) != 0; }
int StgIsMediaLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10420) != 0; }
int StgIsNupKindLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10421) != 0; }
int StgIsNupKindAllLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10422) != 0; }
int StgIsDuplexLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10423) != 0; }
int StgIsPrintTypeLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10424) != 0; }
int StgIsResolutionLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10425) != 0; }
int StgIsColorLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10426) != 0; }
int StgIsDefaultLocked(SETTING_CONTEXT* ctx) { return Val(ctx, 10418) != 0; }

int StgIsEuropeanRegion(SETTING_CONTEXT* ctx) {
  DWORD r = Val(ctx, sid::rdmLanguageID);
  return r >= 2 && r <= 15;
}

int StgIsValidNameChar(DWORD ch, int kind) {
  if (kind != 1 && kind != 2) return 0;
  if (ch == 8) return 1;
  if (ch < 32 || ch > 255) return 0;
  return kind == 2 || ch != u'"';
}

DWORD StgGetCustomFuncBit(SETTING_CONTEXT* ctx, WORD id) {
  if (id < sid::wdmCustomFunc0 || id > sid::wdmCustomFunc0 + 31) return 0;
  return Val(ctx, id);
}

int StgHasFeatureBit15() { return StgIsFeatureBitSet(15); }

int StgIsSortTypeSelectable(SETTING_CONTEXT* ctx) {
  DWORD values[2] = {}, count = 0;
  int rc = RuleListSelectableValues(ctx, sid::rdmSortType, 2, values, &count, 0);
  if (rc < 0 || count == 0) return 0;
  if (count == 1 && rc == 0 && values[0] == 0) return 0;
  return 1;
}
int StgQuerySortTypeList(SETTING_CONTEXT* ctx) { return StgIsSortTypeSelectable(ctx); }

void* StgFindSettingNode(SETTING_CONTEXT* ctx, WORD id) {
  return ctx ? reinterpret_cast<void*>(static_cast<uintptr_t>(ImgFindNode(ctx, id))) : nullptr;
}

void* StgNextListOption(const void* node, const void* option) {
  if (!node || !option) return nullptr;
  BYTE low = (BYTE)(ImgNodeType(reinterpret_cast<uintptr_t>(node)) & 0xFF);
  if (low != 1 && low != 2) return nullptr;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(ImgNext(reinterpret_cast<uintptr_t>(option))));
}

int StgIsSettingExcluded(SETTING_CONTEXT* ctx, WORD id) {
  if (!id || !ctx) return 0;
  IMG_REF node = ImgFindNode(ctx, id);
  if (!node) return 0;
  return RuleIsOptionExcluded(ctx, node, (WORD)Opt(ctx, id)) ? 1 : 0;
}

int StgRequestDeviceDataLoad(SETTING_CONTEXT* ctx) {
  struct {
    uint64_t answer;
  } arg{1};
  StgBroadcastModuleEvent(ctx, 12, &arg);
  return (int)arg.answer;
}

int StgSaveDeviceData(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  return CfgSaveDeviceSettings(ctx->printer, ctx, 3, 2);
}

void StgSetDeviceQueryValue(DWORD, WORD id, DWORD value, SETTING_CONTEXT* ctx) { StgSetValue(ctx, id, value); }

// ---- Print notification.

void StgQueryPrintNotification(SETTING_CONTEXT* ctx, DWORD flags) {
  if (!ctx || !ctx->work) return;
  using CapabilityFn = DWORD (*)(const char*, DWORD*);
  using ValueFn = DWORD (*)(DWORD*);
  bool ok = false;
  DWORD caps = 0;
  WCHAR path[260];
  HMODULE lib = nullptr;
  if (CfgMakeSystemDirPath(path, 260, u"KVPNInf.dll")[0]) lib = LoadLibraryW(path);
  if (lib) {
    auto capability = reinterpret_cast<CapabilityFn>(GetProcAddress(lib, "KVGetPrintNotificationCapability"));
    auto value = reinterpret_cast<ValueFn>(GetProcAddress(lib, "KVGetPrintNotificationValue"));
    const WCHAR* printer = CfgGetPrinterName(ctx);
    if (capability && value && printer) {
      char name[260];
      CfgWideToAnsi(name, printer, 260);
      if (capability(name, &caps) == 0) {
        ok = true;
        StgSetValue(ctx, sid::rdmSupportFunc2SelectJobComplete, caps & 1);
        StgSetValue(ctx, sid::rdmSupportFunc2SelectJobErr, (caps >> 1) & 1);
        DWORD v = 0;
        if (!(flags & 1) && value(&v) == 0) {
          StgSetValue(ctx, sid::rdmFunc2SelectJobComplete, v & 1);
          StgSetValue(ctx, sid::rdmFunc2SelectJobErr, (v >> 1) & 1);
        }
      }
    }
    FreeLibrary(lib);
  }
  if (!ok) {
    StgSetValue(ctx, sid::rdmSupportFunc2SelectJobComplete, 0);
    StgSetValue(ctx, sid::rdmSupportFunc2SelectJobErr, 0);
  }
}
