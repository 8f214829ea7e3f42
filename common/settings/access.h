// Typed access to the settings of a context: row lookups over the context's own tables, values by
// row and by id in the store, the saved copy and the default-settings copy, value maps between stored
// and option values, write marks, text access and the getters and setters of single settings.
#pragma once
#include "kvplat/types.h"
#include "settings/context.h"

// Setting ids this code names.
enum : WORD {
  QDV_dmOrientation = 7,
  QDV_dmPaperSize = 8,
  QDV_dmDefaultSource = 13,
  QDV_dmPrintQuality = 14,
  QDV_dmYResolution = 17,
  QDV_rdmDstResolutionW = 38,
  QDV_rdmDstResolutionH = 39,
  QDV_rdmOutPaperSize = 46,
  QDV_rdmFuncSelectScale = 55,
  QDV_rdmScaleType = 87,
  QDV_rdmScaleH = 89,
  QDV_rdmScaleV = 90,
  QDV_rdmNUPType = 92,
  QDV_rdmDuplexType = 94,
  QDV_rdmHFFontName = 115,
  QDV_rdmPunchType = 120,
  QDV_rdmStapleType = 121,
  QDV_rdmQualityFuncTextBitmapSupport = 166,
  QDV_rdmLanguageID = 169,
  QDV_rdmDspLanguageID = 170,
  QDV_rdmExtOutputEMFSpool = 193,
  QDV_rdmPresetNo = 37,
  QDV_rdmUIModeChange = 36,
  QDV_rdmExtOutput2A4Fit = 383,
  QDV_rdmHidden2Func7 = 454,
  QDV_rdmCopyProtectFontName = 525,
  QDV_rdmFunc2SelectPreviewFlag = 561,
  QDV_rdmCharSet = 686,
  QDV_rdmJobBinder = 704,
  QDV_wdmUIStart = 989,
  QDV_wdmCtrlWorkPrompt = 1010,
  QDV_wdmImageFormJob = 1159,
  QDV_wdmDriverVersion = 1250,
  QDV_wdmCustomFunc1 = 1463,
  QDV_rdmLogCodeUse = 10002,
  QDV_rdmFontTableNum = 10004,
  QDV_rdmFontTable = 10005,
  QDV_rdmDeviceFontNum = 10006,
  QDV_rdmDeviceFont = 10007,
  QDV_rdmOptionFontNum = 10008,
  QDV_rdmOptionFont = 10009,
  QDV_rdmOther = 10274,
};

// Row lookups over the context's own dictionary and dialog table (the template's for none).
ITEM_DESC* StgFindItem(SETTING_CONTEXT* ctx, WORD id);
ITEM_DESC* StgFindItemByKey(SETTING_CONTEXT* ctx, WORD key);
const WCHAR* StgGetItemName(SETTING_CONTEXT* ctx, WORD id);
DIALOG_DESC* StgFindDialog(SETTING_CONTEXT* ctx, WORD dialogId);
DIALOG_DESC* StgFindDialogByName(SETTING_CONTEXT* ctx, const char* name);
CONTROL_DESC* StgFindControlById(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, WORD controlId);
CONTROL_DESC* StgFindControlByKey(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, WORD key);
CONTROL_DESC* StgFindControlByName(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, const char* name);
int StgGetMessageCount(SETTING_CONTEXT* ctx);
const MESSAGE_DESC* StgGetMessageRow(SETTING_CONTEXT* ctx, int n);
const MESSAGE_DESC* StgFindMessage(SETTING_CONTEXT* ctx, WORD key);
const MESSAGE_DESC* StgFindMessageByName(SETTING_CONTEXT* ctx, const char* name);

// Address of a row's value in the store / saved copy / default-settings copy; none for no row or no
// such store. Block offsets are the layout's constants (0, 1236, 6500), never read from the data.
BYTE* StgGetValuePtr(SETTING_CONTEXT* ctx, const ITEM_DESC* row);
BYTE* StgGetSavedValuePtr(SETTING_CONTEXT* ctx, const ITEM_DESC* row);
BYTE* StgGetLockedDefaultValuePtr(SETTING_CONTEXT* ctx, const ITEM_DESC* row);

// Reads decoded by the type code: integers as their 32-bit pattern (signed ones sign-extended), bits
// 0/1, text and raw rows as their address. 0 for no row.
uint64_t StgReadValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row);
uint64_t StgReadSavedValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row);
uint64_t StgReadLockedDefaultValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row);
// Stores by the type code (text and raw rows: copy `length` bytes from the address, zeroes for 0),
// then marks the row changed and the store modified and raises the row's change class in the change word (rdmScaleH also to rdmScaleV under rdmScaleType 1).
void StgWriteValue(SETTING_CONTEXT* ctx, ITEM_DESC* row, uint64_t value);
// Stores into the saved copy, without marks.
void StgWriteSavedValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row, uint64_t value);

// Value maps.
DWORD StgMapToOption(SETTING_CONTEXT* ctx, const ITEM_DESC* row, DWORD stored);
int StgHasOptionValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row, DWORD stored);
DWORD StgMapFromOption(SETTING_CONTEXT* ctx, const ITEM_DESC* row, DWORD option);
DWORD StgGetItemOptionValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row);
void StgWriteOptionValue(SETTING_CONTEXT* ctx, ITEM_DESC* row, DWORD option);

// By id; `rowOut` (or none) receives the row found, or none.
DWORD StgGetOptionValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut);
uint64_t StgGetValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut);
uint64_t StgGetSavedValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut);
uint64_t StgGetLockedDefaultValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut);
void StgSetOptionValue(SETTING_CONTEXT* ctx, WORD id, DWORD option);
void StgSetValue(SETTING_CONTEXT* ctx, WORD id, uint64_t value);
void StgSetSavedValue(SETTING_CONTEXT* ctx, WORD id, uint64_t value);
// Text rows: `value` is a resource string id, loaded and stored as text; other rows: option value.
// 1 done, 0 for an absent id.
int StgSetValueOrResString(SETTING_CONTEXT* ctx, WORD id, DWORD value);

// Text access. StgGetString: `out` must hold the row's length + 1 characters; a row that is not text
// leaves `out` empty and gives none. StgSetString: clears the value, then stores the text cut to the
// row's room (wide text keeps room for its terminator). Both give the value's address or none.
BYTE* StgGetString(SETTING_CONTEXT* ctx, const ITEM_DESC* row, WCHAR* out);
BYTE* StgSetString(SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* text);

// Single settings.
DWORD StgGetPrintQuality(SETTING_CONTEXT* ctx);
DWORD StgGetDstResolutionW(SETTING_CONTEXT* ctx);
DWORD StgGetDstResolutionH(SETTING_CONTEXT* ctx);
void StgSetPrintQuality(DWORD value, SETTING_CONTEXT* ctx);
void StgSetYResolution(DWORD value, SETTING_CONTEXT* ctx);
void StgSetDstResolutionW(DWORD value, SETTING_CONTEXT* ctx);
void StgSetDstResolutionH(DWORD value, SETTING_CONTEXT* ctx);

// The context-owned font list of one of the three list settings (10005, 10007, 10009) of the current
// store or of the saved copy; none otherwise.
void** StgFontListSlot(SETTING_CONTEXT* ctx, WORD id, bool saved);
