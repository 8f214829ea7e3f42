// Services every driver-API worker shares: which node stands for a setting and whether it is shown or
// usable, option lists, per-object variants, copies of the DEVMODE and work block, conditions, the merge
// of a DEVMODE, the set-up of a connection, checks of paths, files and fonts from the caller, the model
// INI's switch bits and the bridge to the job-control link. Texts from the caller are ANSI in the system
// code page. The plain text checks live in the common library (config/api_text.h).
#pragma once
#include "config/api_text.h"
#include "driverdata/img_image.h"
#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct ITEM_DESC;
struct LOAD_SHARE_ROW;

// ---- Node and availability ----
// The node of a setting: the node of its control on its page (when the id map names one, the page is a
// document page or of kind 0x20 and not excluded), else its active node; 0 when none.
IMG_REF ApiFindSettingNode(WORD id, SETTING_CONTEXT* ctx);
// The setting's active node exists, some control of the dialogs carries its key, and it is not excluded.
bool ApiIsSettingShown(SETTING_CONTEXT* ctx, WORD id);
// The same with the control searched in one dialog only (no such dialog: false).
bool ApiIsSettingShownOnDialog(SETTING_CONTEXT* ctx, WORD id, WORD dialogId);
// flags 1: the option must not be excluded; 2: its second condition must not hold.
bool ApiIsOptionUsable(SETTING_CONTEXT* ctx, WORD id, WORD option, int flags);
bool ApiIsControlUsable(SETTING_CONTEXT* ctx, WORD dialogId, WORD controlId, int flags);
// The option value whose symbol carries `code`; 0 when none.
WORD ApiFindOptionForValue(SETTING_CONTEXT* ctx, WORD id, DWORD code);
// Whether setting `id` raises the alert whose message is resource string `stringId`; with trial 1 the
// setting holds `value` for the test and gets its own value back afterwards.
bool ApiRaisesAlertMessage(SETTING_CONTEXT* ctx, WORD id, WORD stringId, DWORD value, int trial);

// ---- Option lists (count-then-fill; -1 when there is nothing to list) ----
int ApiListOptionValues(SETTING_CONTEXT* ctx, WORD* codes, WORD id);
int ApiListOptionValuesEx(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int flags);
int ApiListOptionNames(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id);
int ApiListOptionNamesEx(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int flags);

// ---- Per-object variants ----
WORD ApiObjectVariantId(SETTING_CONTEXT* ctx, WORD baseId, int object);
WORD ApiObjectSettingId(SETTING_CONTEXT* ctx, WORD baseId);

// ---- Copies ----
BYTE* ApiCopyDevmode(SETTING_CONTEXT* ctx);
void ApiRestoreDevmode(SETTING_CONTEXT* ctx, BYTE* copy, int restore);
BYTE* ApiCopyWorkBlock(SETTING_CONTEXT* ctx);
void ApiRestoreWorkBlock(SETTING_CONTEXT* ctx, BYTE* copy, int restore);

// ---- Conditions ----
bool ApiIsTerminalServer(SETTING_CONTEXT* ctx);
bool ApiIsTerminalServerUser(SETTING_CONTEXT* ctx);
bool ApiIsUserQualitySelected(SETTING_CONTEXT* ctx);
bool ApiIsMarginPairSet(SETTING_CONTEXT* ctx, DWORD statusId, const void* record);
int ApiIsPlainDuplexType(DWORD type);

// ---- Settings actions ----
// Merges a DEVMODE (or, without one, a copy of the context's own) into the store, keeping a custom
// paper length and width the source names, then runs the automatic actions of rdmMediaType.
void ApiMergeDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* dm);
void ApiResetMarginSettings(SETTING_CONTEXT* ctx);
void ApiResetMarginIfOff(SETTING_CONTEXT* ctx);
void ApiUpdatePaper(SETTING_CONTEXT* ctx, int command);
bool ApiRecomputePaper(SETTING_CONTEXT* ctx);
// Writes an action setting as the one 16-bit word "rdmAction" of its device store: 1 written, 0 failed.
int ApiWriteActionWord(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* item, const WCHAR* iniPath);
int ApiGetProfileCount(SETTING_CONTEXT* ctx);
int ApiSelectProfile(SETTING_CONTEXT* ctx, int index, void* data);

// ---- Connection set-up ----
void ApiBindSettingControl(WORD id, SETTING_CONTEXT* ctx);
// Marks the load-share rows the printer allows on the context's connection; answers 6.
int ApiMarkLoadShareOptions(SETTING_CONTEXT* ctx);
bool ApiHasApiStampSlot(SETTING_CONTEXT* ctx);
// The node a control was bound to by ApiBindSettingControl, 0 when none.
IMG_REF ApiBoundNode(const struct CONTROL_DESC* control);

// ---- Paths, files and fonts ----
bool ApiIsValidOverlayPath(const char* path);
// Tests that a file can be created at `path` without leaving anything behind (the folder one level
// above may be created for the test and is removed again); `fullPath` (260 bytes, or NULL) receives
// the full path name. Never truncates or deletes a file it did not create.
bool ApiPrepareFilePath(const char* path, char* fullPath);
// kind 2: an absolute path of a bitmap file; 3: an absolute path of an existing overlay file.
bool ApiIsValidWatermarkFile(SETTING_CONTEXT* ctx, int kind, const char* path);
// An installed outline-font family of that exact face name (vertical '@' faces do not count).
bool ApiIsFontInstalled(SETTING_CONTEXT* ctx, const char* faceName);

// ---- Model INI switch bits and job-control link ----
int ApiReadFunc1(HANDLE printer, const WCHAR* section, const WCHAR* key);
int ApiFunc1Bit0(SETTING_CONTEXT* ctx);
int ApiFunc1Bit1(SETTING_CONTEXT* ctx);
int ApiFunc1Bit2(HANDLE printer);
bool ApiFunc1HasBits(SETTING_CONTEXT* ctx, int mask);
int ApiReadJobItems(SETTING_CONTEXT* ctx, DWORD mask);
int ApiWriteJobItems(SETTING_CONTEXT* ctx, DWORD mask);

// ---- Tables ----
struct WATERMARK_COLOUR_ROW {
  BYTE index, red, green, blue;
};
const WATERMARK_COLOUR_ROW* ApiFindColorRgb(DWORD colour);
const DWORD* ApiGetChoiceList(int* count);
// The context's connection's load-share rows (or the rows with nothing allowed for a context of no
// connection).
const LOAD_SHARE_ROW* ApiGetLoadShareTable(SETTING_CONTEXT* ctx, int* count);
const DWORD* ApiGetTraySlotTable(int* count);
