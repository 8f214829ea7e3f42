// The interface library's printer-data store: composite saves of the device settings and font lists,
// the font substitution table as rows of printer data, single settings under their own names, the raw
// administrator lock bits and the values of locked settings.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct ITEM_DESC;

// Class 2 and the font lists written when changed / from the compiled data. TRUE when both succeed.
BOOL UiSaveDeviceSettings(HANDLE printer, SETTING_CONTEXT* ctx);
BOOL UiSaveDeviceSettingsFromData(HANDLE printer, SETTING_CONTEXT* ctx);
// The device fonts, option fonts and font table, when changed / from the compiled data. 1.
int UiSaveFontListsChanged(HANDLE printer, SETTING_CONTEXT* ctx);
int UiSaveFontListsFromData(HANDLE printer, SETTING_CONTEXT* ctx);
// Writes the default font table from the compiled data when "DefFontTableNum" is missing. 1 / 0.
BOOL UiEnsureDefaultFontTable(HANDLE printer, SETTING_CONTEXT* ctx);
// The default font table from printer data into rdmFontTableNum / rdmFontTable. 0 when a table that
// is there could not be read.
BOOL UiLoadFontTable(HANDLE printer, SETTING_CONTEXT* ctx);
// The library's build of CfgWriteFontTableRows: `count` 128-byte rows; flag 0x100 the default table.
// The current table's old rows go first. 0 when any write failed (the others still run) or no rows.
int UiWriteFontTableRows(HANDLE printer, const void* rows, DWORD count, DWORD flags);
// Deletes the current table's rows "TTFontTable%d" / "DevFontTable%d" up to "LastFontTableNum". 1.
int UiDeleteFontTableRows(HANDLE printer);
// One setting read / written under its dictionary name. 0 without a row or name.
BOOL UiReadSettingByName(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row);
BOOL UiSaveSettingByName(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row);
// One byte of "rdmLock000InfoBit" (id 10418) or "rdmLock001InfoBit" (id 10426). 0 for any other id.
BOOL UiReadLockBits(HANDLE printer, BYTE* out, WORD settingId);
// The raw values of the settings whose locks are on; the first failing write stops with 0.
BOOL UiSaveLockedValues(HANDLE printer, SETTING_CONTEXT* ctx);
