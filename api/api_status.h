// The status side of the driver API: the workers of ZARNDrvSetStatus and ZARNDrvGetStatus, the record
// versions, the set transaction's journal of outside writes, the rules the status items share and the
// resolution-form probe the status items and the DEVMODE exports share.
#pragma once
#include "kvdrvexc.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct ITEM_DESC;
struct API_ROW;

int ApiRunSetStatus(API_HANDLE handle, DWORD id, void* record, BYTE* changed, int mode);
int ApiRunGetStatus(API_HANDLE handle, DWORD id, void* record, DWORD version);

// How the resolution is chosen: 1 a number held by rdmDstResolutionBoth (a numeric node without
// options), 0 one of a list of codes held in rdmDstResolutionW, -1 neither (no node, a node of another
// type, a pick node without options, or a numeric node whose current value is 0).
int ApiGetResolutionForm(SETTING_CONTEXT* ctx);

// ---- Record versions ----
// One row of an item's version list: the record's size and the lowest API version that knows it.
struct RECORD_VERSION_ROW {
  DWORD size;
  DWORD minApiVersion;
};
// The version list of a status id (row 0 is {0, 0}); none for an item without one. *newest receives the
// item's newest record version.
const RECORD_VERSION_ROW* ApiFindRecordVersions(DWORD statusId, DWORD* newest);
// The row a record version reads: versions above the newest read as the newest.
const RECORD_VERSION_ROW* ApiRecordVersionRow(DWORD statusId, DWORD version);
// The record version of a set record as the item reads it (0 for none, above the newest the newest).
DWORD ApiRecordVersion(DWORD statusId, const void* record);
// The version gate of a set: false when the record's version needs a higher API version than the
// context's. Of a get: false with code 6 in that case.
bool ApiSetVersionAllowed(SETTING_CONTEXT* ctx, DWORD statusId, const void* record);
bool ApiGetVersionAllowed(SETTING_CONTEXT* ctx, DWORD statusId, DWORD version);
// 0 the record's version is the driver's or older; 1 newer (applied as the newest); 2 newer in mode 2.
int ApiCompareSetVersion(DWORD statusId, const void* record, DWORD rowVersion, int mode);
// 0 the requested version is 0 or the driver's; 1 older; 2 newer.
int ApiCompareGetVersion(DWORD statusId, DWORD rowVersion, DWORD requested);

// Runs the automatic actions of every node of the image whose setting is `id`, in image order.
void ApiRunSettingActions(SETTING_CONTEXT* ctx, WORD id);
// The map of changed status items: 32 bytes below API version 6, else 64.
int ApiChangedMapSize(SETTING_CONTEXT* ctx);
// The node states of every item's related settings, before a set.
void ApiSnapshotNodeStates(SETTING_CONTEXT* ctx);
// The follow-up of a set: automatic actions, the print method stored, the paper re-derived, the public
// DEVMODE synchronised and, with a map, the map of other items the set changed.
void ApiApplySetEffects(SETTING_CONTEXT* ctx, const API_ROW* row, void* record, BYTE* changed);

// ---- The journal of outside writes ----
// A set writes some values outside its context (the driver INI, printer data). Each such write is
// announced first; the journal keeps the old value of the first write to each place and puts every one
// back, newest first, when the set fails. Outside a set nothing is kept.
void ApiJournalIniKey(const WCHAR* section, const WCHAR* key, const WCHAR* iniPath);
void ApiJournalPrinterData(HANDLE printer, const WCHAR* valueName);
// Job items about to be written to the job-control link: a failed set writes them again from the
// restored settings.
void ApiJournalJobItems(DWORD mask);
// A setting about to be written to its own medium (printer data or the INI named, none: the driver INI).
void ApiJournalDeviceSetting(SETTING_CONTEXT* ctx, HANDLE printer, const ITEM_DESC* row, const WCHAR* iniPath);

// ---- Shared rules of the status items ----
// STATUS_VALUE_RECORD's value (u32 at byte 4) and FUNCTION_RECORD's on flag (u32 at byte 28).
DWORD ApiRecordU32(const void* record, int offset);
void ApiPutRecordU32(void* record, int offset, DWORD value);
// A value passes the constraint test of its setting.
bool ApiValuePasses(SETTING_CONTEXT* ctx, WORD id, DWORD value);
// Whether the connection's model offers a capability (ZARNDrvGetCaps answers neither -1 nor 0).
bool ApiHasCapability(SETTING_CONTEXT* ctx, DWORD capsId);
int ApiVerifyStatusAlways(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusBySwitch(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
// 1 when `value` of `setting` would be acceptable with the item's switch on; the DEVMODE is left as
// it was found.
int ApiTrySwitchOn(SETTING_CONTEXT* ctx, DWORD id, WORD switchSetting, WORD setting, DWORD value);
// 1 when the custom size (display unit) lies within the model's custom-size limits (0.1 mm).
int ApiCheckCustomSizeRange(SETTING_CONTEXT* ctx, LONG width, LONG length);

// ---- Handlers of the status items ----
// One row per item built: its handlers, put into the status table.
struct STATUS_HANDLER_ROW {
  DWORD id;
  int (*set)(SETTING_CONTEXT*, DWORD, void*, BYTE*, int);
  int (*verify)(SETTING_CONTEXT*, DWORD, void*, BYTE*, int);
  int (*get)(SETTING_CONTEXT*, DWORD, void*, DWORD);
};
const STATUS_HANDLER_ROW* ApiStatusHandlerRows(int* count);

// Status 1 (settings file), 7 (paper size), 8 (output paper size) and 28 (paper rotation).
int ApiSetStatusPresetFile(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusPresetFile(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusOutputPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusOutputPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusOutputPaperSize(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusPaperRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusPaperRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusPaperRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);

// Status 11-15 and 17-21 (functions with a switch of their own), 16 (the driver API's watermark in
// stamp slot 256), 47, 55, 68, 70, 71 (header and footer, copy guard, margin marks) and 51, 58, 62,
// 64-67, 79 (fold, manual tray, index paper, covers, cover media, chapters, folding).
int ApiSetStatusScale(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusScale(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusScale(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusCover(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusCover(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusCover(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusMarkPaper(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusMarkPaper(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusMarkPaper(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusNup(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusNup(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusNup(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusDuplex(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusDuplex(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusWatermark(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusWatermark(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusWatermarkId(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusWatermarkId(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusMargin(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusMargin(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusSort(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusSort(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusSort(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusStaple(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusStaple(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusPunch(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusPunch(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusHeaderFooter(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusHeaderFooter(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusHeaderFooter(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusCopyProtect(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusCopyProtect(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusCopyProtect(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusEdgeCorner(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusEdgeCorner(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusEdgeCorner(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusCropMarks(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusCropMarks(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusCropMarks(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusCreepMargin(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusCreepMargin(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusCreepMargin(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusFold(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusFold(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusManualTrayOrientation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusManualTrayOrientation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusManualTrayOrientation(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusIndexRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusIndexRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusIndexRotation(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusBackCover(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusBackCover(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusBackCover(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusReverseCover(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusReverseCover(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusReverseCover(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusCoverMedia(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusCoverMedia(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusChapter(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusChapter(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusChapter(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusFolding(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusFolding(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusFolding(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);

// Lengths of the public DEVMODE (0.1 mm) from and to the context's display unit.
LONG ApiDisplayToTenthMm(SETTING_CONTEXT* ctx, LONG value);
LONG ApiTenthMmToDisplay(SETTING_CONTEXT* ctx, LONG value);

// Status 10 (print method) and 26 (user ID).
int ApiSetStatusPrintMethod(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusPrintMethod(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusPrintMethod(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusUserId(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusUserId(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
// Colour and quality: 34 resolution, 35 planes, 38 adjust mode, 39-42/46/267/269 per-object values,
// 43 colour balance, 262 user macro, 264 toner save.
int ApiSetStatusResolution(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusResolution(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusPlaneUseCMYK(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusPlaneUseCMYK(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusPlaneUseCMYK(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusAdjustMode(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusAdjustMode(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusAdjustMode(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusObjectValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusObjectValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusObjectValue(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusColorBalance(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusColorBalance(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusColorBalance(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusUserMacro(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusUserMacro(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusUserMacro(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusTonerSave(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusTonerSave(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusTonerSave(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
// The further items of one value: 48, 49, 52, 53, 57, 69, 72-78, 257, 263, 265, 266, 268 (75 get only).
int ApiSetStatusSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusSingleValue(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
// Job, user and device: 50 job information, 54 authentication mode, 56 preset number, 59 authentication
// user, 60 secure authentication, 61 load share, 63 tray information.
int ApiSetStatusJobInfo(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusJobInfo(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusJobInfo(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiGetStatusAuthMode(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusPresetNumber(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusPresetNumber(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusPresetNumber(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusAuthUser(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusAuthUser(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusAuthSecure(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusAuthSecure(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusAuthSecure(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiSetStatusLoadShare(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiVerifyStatusLoadShare(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
int ApiGetStatusLoadShare(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
int ApiGetStatusTrayInfo(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);
