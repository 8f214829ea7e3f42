// Units and derived settings of a settings context: conversions between 1200-dpi dots and the display
// units (tenths of a millimetre, hundredths of an inch), the custom-size limits, the fit and output
// papers with the scale of a fitted page, the balance macro of a resolution, the charset code of the
// ANSI code page, the driver id and chapter limits from the INI files, the change flags and last error,
// the administrator-lock tests, a set of small tests over settings and the print-notification query.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// ---- Conversions. Unsigned 32-bit integer arithmetic; x * y / z never overflows in between.

// dots * 254 / dpi; 0 for dpi 0.
DWORD StgDotsToTenthMm(DWORD dots, DWORD dpi);
// dots / (dpi / 100); 0 for a dpi below 100.
DWORD StgDotsToHundredthInch(DWORD dots, DWORD dpi);
// length * dpi / 254.
DWORD StgTenthMmToDots(DWORD length, DWORD dpi);
// length * (dpi / 100).
DWORD StgHundredthInchToDots(DWORD length, DWORD dpi);
// value * to / from; 0 when either resolution is 0.
DWORD StgRescale(DWORD value, DWORD fromDpi, DWORD toDpi);
// x * y / z in signed 32-bit arithmetic; -1 for z = 0.
LONG StgMulDiv(LONG x, LONG y, LONG z);

// Unit flags of StgLengthToDots / StgDotsToLength.
constexpr int STG_UNIT_METRIC = 1;  // tenths of a millimetre
constexpr int STG_UNIT_INCH = 2;    // hundredths of an inch

// The largest even dot count at 1200 dpi whose length does not exceed `length`, rescaled to `dpi`;
// 0 for another unit flag.
DWORD StgLengthToDots(int unitFlag, DWORD length, DWORD dpi);
// The smallest length whose dots reach `value` (dots at `dpi`): a length is taken up to the next whole
// unit, so converting back never gives fewer dots; 0 for another unit flag.
DWORD StgDotsToLength(int unitFlag, DWORD value, DWORD dpi);
// 1 when rdmDspUnit is 0 (lengths shown in tenths of a millimetre).
int StgIsMetric(SETTING_CONTEXT* ctx);
// Length in the display unit of the setting's option value (id not 0) or of `dots`; 0 for negative dots.
LONG StgDotsToDisplayUnits(SETTING_CONTEXT* ctx, WORD id, LONG dots);
// Dots at 1200 dpi of a length in the display unit; also written as the setting's option value when
// id is not 0. 0 for a negative length.
LONG StgDisplayUnitsToDots(SETTING_CONTEXT* ctx, WORD id, LONG length);
// 1 and the model's custom-size limits of the width (916) or the length (917) in display units;
// 0 for another id.
int StgGetCustomSizeLimits(SETTING_CONTEXT* ctx, WORD id, LONG* minimum, LONG* maximum);

// ---- Derived settings.

// 1 when the standard papers are Letter and Tabloid rather than A4 and A3.
int StgUsesInchPapers(SETTING_CONTEXT* ctx);
// DMPAPER code of the standard paper the page is fitted to: Letter 1 / A4 9, or Tabloid 3 / A3 8.
DWORD StgGetFitPaper(SETTING_CONTEXT* ctx);
// 1 when the paper is in the model's list of papers larger than the fit paper.
int StgIsLargerThanFitPaper(SETTING_CONTEXT* ctx, DWORD paper);
// 1 when fitting to the standard paper applies.
int StgNeedsFitPaper(SETTING_CONTEXT* ctx);
// 1 when the paper code is in the static code list chosen by the context's paper-source kind.
int StgIsResolutionListId(SETTING_CONTEXT* ctx, DWORD value);
// The effective output paper (rdmOutPaperSize with the codes 1024-1028 resolved).
DWORD StgGetOutputPaperSize(SETTING_CONTEXT* ctx);
// Kind 1: source and output geometry and the fitted scale; kind 3 / 4: loads the custom paper slot of
// dmPaperSize / rdmOutPaperSize when it is a user custom paper. Other kinds do nothing.
void StgUpdatePaperSettings(SETTING_CONTEXT* ctx, int kind);
// rdmBalanceMacro := 17 for 200, 300, 400 and 600 dpi, else 18; not under the resolution lock or a
// user macro.
void StgApplyMacroForResolution(DWORD resolution, SETTING_CONTEXT* ctx);
void StgSetMacroForResolution(DWORD resolution, SETTING_CONTEXT* ctx);

// ---- Charsets, driver id, chapter limits.

// The charset code (1-13) of the system ANSI code page; 0 when it has none.
DWORD StgGetAcpCharsetCode();
// The charset code of a Windows charset; 0 when it is not in the table.
DWORD StgCharsetCodeOfCharset(DWORD charset);
// Bit 0: rdmAuthUserNameCharSet, bit 1: rdmAuthPasswordCharSet := the charset code.
void StgSetCharsetSettings(SETTING_CONTEXT* ctx, int flags);
void StgSetCharsetSetting(SETTING_CONTEXT* ctx, WORD id);
// rdmDriverID := "DriverID" of the driver-name section of the model INI (default 0).
void StgLoadDriverId(SETTING_CONTEXT* ctx);
// wdmChapterMax / wdmChapterTrayMax := their keys of the printer section of the driver INI.
void StgLoadChapterLimits(SETTING_CONTEXT* ctx);

// ---- Change flags and last error.

// Mask 0 clears the current word; a mask with any of bits 0-15 first clears those bits; then ORs.
void StgRaiseChangeFlags(SETTING_CONTEXT* ctx, DWORD mask);
DWORD StgGetChangeFlags(SETTING_CONTEXT* ctx);
// Clears the mask's bits in the current word, and in every snapshot word when it has any of
// bits 28-31.
void StgClearChangeFlags(SETTING_CONTEXT* ctx, DWORD mask);
void StgSetLastError(SETTING_CONTEXT* ctx, DWORD code);
DWORD StgGetLastError(SETTING_CONTEXT* ctx);

// ---- Locks and small tests.

int StgAnyAdminLock(SETTING_CONTEXT* ctx);
int StgIsTrayLocked(SETTING_CONTEXT* ctx);
int StgIsMediaLocked(SETTING_CONTEXT* ctx);
int StgIsPrintTypeLocked(SETTING_CONTEXT* ctx);
int StgIsNupKindLocked(SETTING_CONTEXT* ctx);
int StgIsNupKindAllLocked(SETTING_CONTEXT* ctx);
int StgIsColorLocked(SETTING_CONTEXT* ctx);
int StgIsDuplexLocked(SETTING_CONTEXT* ctx);
int StgIsResolutionLocked(SETTING_CONTEXT* ctx);
int StgIsDefaultLocked(SETTING_CONTEXT* ctx);
// 1 when rdmLanguageID is a European region (2 to 15).
int StgIsEuropeanRegion(SETTING_CONTEXT* ctx);
// Kind 1: backspace or 32-255 except '"'; kind 2: backspace or 32-255; other kinds 0.
int StgIsValidNameChar(DWORD ch, int kind);
// The value of wdmCustomFunc0-31 (1462-1493); 0 for any other id.
DWORD StgGetCustomFuncBit(SETTING_CONTEXT* ctx, WORD id);
int StgHasFeatureBit15();
// 1 unless the selectable values of rdmSortType are none or only 0.
int StgIsSortTypeSelectable(SETTING_CONTEXT* ctx);
int StgQuerySortTypeList(SETTING_CONTEXT* ctx);
// The setting's node of the compiled image, or none.
void* StgFindSettingNode(SETTING_CONTEXT* ctx, WORD id);
// The option after `option` of a list node (type 1 or 2); none for other nodes or the last option.
void* StgNextListOption(const void* node, const void* option);
// 1 when the rules exclude the current option of the setting's node; 0 for id 0 or no node.
int StgIsSettingExcluded(SETTING_CONTEXT* ctx, WORD id);
// Module event 12 with the answer preset to 1; the answer.
int StgRequestDeviceDataLoad(SETTING_CONTEXT* ctx);
int StgSaveDeviceData(SETTING_CONTEXT* ctx);
void StgSetDeviceQueryValue(DWORD kind, WORD id, DWORD value, SETTING_CONTEXT* ctx);
// Print-notification capability of the printer from the maker's library in the system folder.
// Bit 0 of the flags skips the value query.
void StgQueryPrintNotification(SETTING_CONTEXT* ctx, DWORD flags);
