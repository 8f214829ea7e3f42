// The interface library's printer-data store: composite saves, the font substitution table as rows,
// single settings under their own names, the raw lock bits and the values of locked settings.
#include "ui_printer_data.h"

#include <cstdio>
#include <cstring>

#include "config/device_settings.h"
#include "config/printer_data.h"
#include "driverdata/img_image.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/library_hooks.h"
#include "settings/units.h"

namespace {

constexpr DWORD kDeviceClass = 2;
constexpr WORD kLockBits000 = 10418;
constexpr WORD kLockBits001 = 10426;

void RowName(WCHAR* out, bool trueType, bool defaults, DWORD row) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%s%u", trueType ? "TTFont" : "DevFont", defaults ? "DefTable" : "Table", row);
  int i = 0;
  for (; text[i]; ++i) out[i] = (WCHAR)text[i];
  out[i] = 0;
}

WORD ReadCount(HANDLE printer, const WCHAR* name, bool* ok) {
  WORD n = 0;
  *ok = CfgGetPrinterDataValue(printer, &n, sizeof n, name) != 0;
  return *ok ? n : 0;
}

// A locked setting and the value that keeps its raw value while the lock is on.
struct LOCKED_VALUE {
  int (*locked)(SETTING_CONTEXT*);
  WORD settingId;
  const WCHAR* valueName;
};
constexpr LOCKED_VALUE kLockedValues[] = {
    {StgIsTrayLocked, 13, u"LockTrayData"},
    {StgIsMediaLocked, 54, u"LockMediaData"},
    {StgIsPrintTypeLocked, 689, u"LockPrnMethodData"},
    {StgIsColorLocked, 15, u"LockColorData"},
    {StgIsNupKindLocked, 91, u"LockNUPPOSTKindData"},
    {StgIsNupKindLocked, 92, u"LockNUPTypeData"},
    {StgIsDuplexLocked, 94, u"LockDuplexTypeData"},
};

// One setting's storage key replaced by its dictionary name for one call.
template <class Fn>
BOOL ByName(SETTING_CONTEXT* ctx, ITEM_DESC* row, Fn fn) {
  if (!ctx || !row || !row->ext || !row->ext->name || !*row->ext->name) return FALSE;
  const WCHAR* key = row->iniKey;
  row->iniKey = row->ext->name;
  BOOL r = fn() ? TRUE : FALSE;
  row->iniKey = key;
  return r;
}

}  // namespace

BOOL UiSaveDeviceSettings(HANDLE printer, SETTING_CONTEXT* ctx) {
  int a = CfgSaveDeviceSettings(printer, ctx, kDeviceClass, 0);
  int b = UiSaveFontListsChanged(printer, ctx);
  return a && b;
}

BOOL UiSaveDeviceSettingsFromData(HANDLE printer, SETTING_CONTEXT* ctx) {
  int a = CfgSaveDeviceSettings(printer, ctx, kDeviceClass, 0);
  int b = UiSaveFontListsFromData(printer, ctx);
  return a && b;
}

int UiSaveFontListsChanged(HANDLE printer, SETTING_CONTEXT* ctx) {
  CfgSaveDeviceFonts(printer, ctx, CFG_FONTS_IF_CHANGED);
  CfgSaveOptionFonts(printer, ctx, CFG_FONTS_IF_CHANGED);
  CfgSaveFontTable(printer, ctx, CFG_FONTS_IF_CHANGED);
  return 1;
}

int UiSaveFontListsFromData(HANDLE printer, SETTING_CONTEXT* ctx) {
  CfgSaveDeviceFonts(printer, ctx, CFG_FONTS_FROM_IMAGE);
  CfgSaveOptionFonts(printer, ctx, CFG_FONTS_FROM_IMAGE);
  CfgSaveFontTable(printer, ctx, CFG_FONTS_FROM_IMAGE);
  return 1;
}

BOOL UiEnsureDefaultFontTable(HANDLE printer, SETTING_CONTEXT* ctx) {
  bool present = false;
  ReadCount(printer, u"DefFontTableNum", &present);
  if (present) return TRUE;
  return CfgSaveFontTable(printer, ctx, CFG_FONTS_DEFAULT_TABLE | CFG_FONTS_FROM_IMAGE) ? TRUE : FALSE;
}

BOOL UiLoadFontTable(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return FALSE;
  // 1. The old table goes with its owner's list handling.
  if (StgGetValue(ctx, QDV_rdmFontTable, nullptr)) {
    void* old = (void*)(uintptr_t)StgGetValue(ctx, QDV_rdmFontTable, nullptr);
    StgSetValue(ctx, QDV_rdmFontTable, 0);
    StgFree(old);
  }
  StgSetValue(ctx, QDV_rdmFontTableNum, 0);
  // 2.
  bool read = false;
  WORD n = ReadCount(printer, u"DefFontTableNum", &read);
  if (!read || n == 0) return TRUE;
  void* rows = StgAllocZero((DWORD)n * (DWORD)sizeof(FONT_SUBST_REC));
  if (rows && CfgReadFontTableRows(printer, rows, n, CFG_FONTS_DEFAULT_TABLE) == 0) {
    StgSetValue(ctx, QDV_rdmFontTableNum, n);
    StgSetValue(ctx, QDV_rdmFontTable, (uint64_t)(uintptr_t)rows);
    return TRUE;
  }
  // 3.
  StgFree(rows);
  return FALSE;
}

int UiDeleteFontTableRows(HANDLE printer) {
  bool read = false;
  WORD n = ReadCount(printer, u"LastFontTableNum", &read);
  for (DWORD i = 1; read && i <= n; ++i) {
    WCHAR name[32];
    RowName(name, true, false, i);
    DeletePrinterDataW(printer, name);
    RowName(name, false, false, i);
    DeletePrinterDataW(printer, name);
  }
  return 1;
}

int UiWriteFontTableRows(HANDLE printer, const void* rows, DWORD count, DWORD flags) {
  // A missing table changes nothing: deleting the old rows first would leave a count naming rows that are gone.
  if (!rows) return 0;
  // The rows of a longer previous current table go before the new ones are written.
  if (!(flags & CFG_FONTS_DEFAULT_TABLE)) UiDeleteFontTableRows(printer);
  return CfgWriteFontTableRowsCommon(printer, rows, count, flags);
}

BOOL UiReadSettingByName(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row) {
  return ByName(ctx, row, [&] { return CfgReadDeviceSetting(printer, ctx, row, 0, nullptr); });
}

BOOL UiSaveSettingByName(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row) {
  return ByName(ctx, row, [&] { return CfgWritePrinterDataSetting(printer, ctx, row); });
}

BOOL UiReadLockBits(HANDLE printer, BYTE* out, WORD settingId) {
  if (!out) return FALSE;
  const WCHAR* name = settingId == kLockBits000 ? u"rdmLock000InfoBit" : settingId == kLockBits001 ? u"rdmLock001InfoBit" : nullptr;
  if (!name) return FALSE;
  DWORD type = 0, needed = 0;
  return GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, out, 1, &needed) == ERROR_SUCCESS;
}

BOOL UiSaveLockedValues(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!ctx) return FALSE;
  for (const LOCKED_VALUE& v : kLockedValues) {
    if (!v.locked(ctx)) continue;
    DWORD raw = (DWORD)StgGetValue(ctx, v.settingId, nullptr);
    if (!CfgSetPrinterDataBinary(printer, &raw, sizeof raw, v.valueName)) return FALSE;
  }
  return TRUE;
}

