// Font lists of the device settings: the device and option (cartridge) font lists and the font
// substitution table, kept in printer data and held by the context through its side table.
#include "config/device_settings.h"

#include <cstring>
#include <string>

#include "config/printer_data.h"
#include "driverdata/img_image.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/library_hooks.h"
#include "settings/context.h"

namespace {

// Frees the list a setting holds and clears the setting.
void DropList(SETTING_CONTEXT* ctx, WORD listId) {
  ITEM_DESC* row = nullptr;
  void* list = (void*)(uintptr_t)StgGetValue(ctx, listId, &row);
  if (row && list) {
    StgFree(list);
    StgSetValue(ctx, listId, 0);
  }
}

// The two device-font lists differ only in their names and ids.
struct FONT_LIST_KIND {
  const WCHAR* countName;
  const WCHAR* listName;
  WORD countId, listId;
  DEVICE_FONT_REC* (*fromImage)(SETTING_CONTEXT*, int*);
};
const FONT_LIST_KIND kDeviceFonts{u"DeviceFontNum", u"DeviceFont", QDV_rdmDeviceFontNum, QDV_rdmDeviceFont,
                                  ImgCopyDeviceFonts};
const FONT_LIST_KIND kOptionFonts{u"OptionFontNum", u"OptionFont", QDV_rdmOptionFontNum, QDV_rdmOptionFont,
                                  ImgCopyCartridgeFonts};

// Equal to the list the saved copy of the store holds?
bool SameAsSavedList(SETTING_CONTEXT* ctx, WORD countId, WORD listId, const void* list, DWORD count,
                     DWORD recordSize) {
  if (!ctx->work || !ctx->work->savedCopy) return false;
  if (StgGetSavedValue(ctx, countId, nullptr) != count) return false;
  const void* saved = (const void*)(uintptr_t)StgGetSavedValue(ctx, listId, nullptr);
  if (!count) return true;
  return saved && list && std::memcmp(saved, list, (size_t)count * recordSize) == 0;
}

int SaveFonts(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags, const FONT_LIST_KIND& kind) {
  DEVICE_FONT_REC* fresh = nullptr;
  const void* list = nullptr;
  DWORD count = 0;
  if (flags & CFG_FONTS_FROM_IMAGE) {
    int n = 0;
    fresh = kind.fromImage(ctx, &n);
    list = fresh;
    count = n > 0 ? (DWORD)n : 0;
  } else {
    list = (const void*)(uintptr_t)StgGetValue(ctx, kind.listId, nullptr);
    count = (DWORD)StgGetValue(ctx, kind.countId, nullptr);
  }
  int ok = 0;
  if (list && count && count <= 0xFFFF) {
    if ((flags & CFG_FONTS_IF_CHANGED) && ctx->work && ctx->work->buildMode == 0 &&
        SameAsSavedList(ctx, kind.countId, kind.listId, list, count, sizeof(DEVICE_FONT_REC))) {
      ok = 1;
    } else {
      WORD n = (WORD)count;
      ok = CfgSetPrinterDataBinary(printer, &n, sizeof(n), kind.countName) &&
           CfgSetPrinterDataBinary(printer, list, count * (DWORD)sizeof(DEVICE_FONT_REC), kind.listName);
    }
  }
  StgFree(fresh);
  return ok;
}

int LoadFonts(HANDLE printer, SETTING_CONTEXT* ctx, const FONT_LIST_KIND& kind) {
  DropList(ctx, kind.listId);
  StgSetValue(ctx, kind.countId, 0);
  WORD count = 0;
  if (!CfgGetPrinterDataValue(printer, &count, sizeof(count), kind.countName)) {
    if (!SaveFonts(printer, ctx, CFG_FONTS_FROM_IMAGE, kind)) return 1;  // nothing to load: an empty list
    count = 0;
    CfgGetPrinterDataValue(printer, &count, sizeof(count), kind.countName);
  }
  void* list = nullptr;
  if (count) {
    DWORD bytes = count * (DWORD)sizeof(DEVICE_FONT_REC);
    list = StgAllocZero(bytes);
    if (list && CfgGetPrinterDataValue(printer, list, bytes, kind.listName)) {
      StgSetValue(ctx, kind.countId, count);
      StgSetValue(ctx, kind.listId, (uint64_t)(uintptr_t)list);
    }
  }
  if (StgGetValue(ctx, kind.countId, nullptr)) return 1;
  StgFree(list);
  return 0;
}

void FontRowName(WCHAR* dest, bool trueType, bool defaults, DWORD i) {
  std::string s = std::string(trueType ? "TTFont" : "DevFont") + (defaults ? "DefTable" : "Table") + std::to_string(i);
  kvp::WCopy(dest, 32, kvp::FromUtf8(s).c_str());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Font lists.

int CfgLoadDeviceFonts(HANDLE printer, SETTING_CONTEXT* ctx) {
  return ctx ? LoadFonts(printer, ctx, kDeviceFonts) : 0;
}
int CfgLoadOptionFonts(HANDLE printer, SETTING_CONTEXT* ctx) {
  return ctx ? LoadFonts(printer, ctx, kOptionFonts) : 0;
}
int CfgSaveDeviceFonts(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags) {
  return ctx ? SaveFonts(printer, ctx, flags, kDeviceFonts) : 0;
}
int CfgSaveOptionFonts(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags) {
  return ctx ? SaveFonts(printer, ctx, flags, kOptionFonts) : 0;
}

int CfgLoadFontTable(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  DropList(ctx, QDV_rdmFontTable);
  StgSetValue(ctx, QDV_rdmFontTableNum, 0);
  WORD count = 0;
  if (!CfgGetPrinterDataValue(printer, &count, sizeof(count), u"FontTableNum")) {
    CfgSaveFontTable(printer, ctx, CFG_FONTS_FROM_IMAGE);
    count = 0;
    if (!CfgGetPrinterDataValue(printer, &count, sizeof(count), u"FontTableNum")) return 1;  // no table at all
  }
  if (!count) return 1;
  void* rows = StgAllocZero(count * (DWORD)sizeof(FONT_SUBST_REC));
  if (!rows) return 0;
  CfgReadFontTableRows(printer, rows, count, CFG_FONTS_IF_CHANGED);
  StgSetValue(ctx, QDV_rdmFontTableNum, count);
  StgSetValue(ctx, QDV_rdmFontTable, (uint64_t)(uintptr_t)rows);
  return 1;
}

int CfgLoadFontLists(HANDLE printer, SETTING_CONTEXT* ctx) {
  int a = CfgLoadDeviceFonts(printer, ctx);
  int b = CfgLoadOptionFonts(printer, ctx);
  int c = CfgLoadFontTable(printer, ctx);
  return a && b && c ? 1 : 0;
}

int CfgSaveFontTable(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags) {
  if (!ctx) return 0;
  FONT_SUBST_REC* fresh = nullptr;
  const void* rows = nullptr;
  DWORD count = 0;
  if (flags & CFG_FONTS_FROM_IMAGE) {
    int n = 0;
    fresh = ImgCopyFontSubstitutions(ctx, &n);
    if (!fresh) return 1;
    rows = fresh;
    count = n > 0 ? (DWORD)n : 0;
  } else {
    rows = (const void*)(uintptr_t)StgGetValue(ctx, QDV_rdmFontTable, nullptr);
    count = (DWORD)StgGetValue(ctx, QDV_rdmFontTableNum, nullptr);
    if (!rows) count = 0;
  }
  int ok = 0;
  if (count <= 0xFFFF) {
    if (flags & CFG_FONTS_DEFAULT_TABLE) {
      ok = CfgWriteFontTableRows(printer, rows, count, CFG_FONTS_DEFAULT_TABLE);
    } else if ((flags & CFG_FONTS_IF_CHANGED) && ctx->work && ctx->work->buildMode == 0 &&
               SameAsSavedList(ctx, QDV_rdmFontTableNum, QDV_rdmFontTable, rows, count, sizeof(FONT_SUBST_REC))) {
      ok = 1;
    } else {
      WORD n = (WORD)count;
      ok = CfgSetPrinterDataBinary(printer, &n, sizeof(n), u"FontTableNum") &&
           CfgWriteFontTableRows(printer, rows, count, 0);
    }
  }
  StgFree(fresh);
  return ok;
}

void CfgSplitFontTableRows(const void* rows, void* trueTypeNames, void* deviceNames, DWORD count) {
  const auto* r = static_cast<const FONT_SUBST_REC*>(rows);
  auto* tt = static_cast<BYTE*>(trueTypeNames);
  auto* dev = static_cast<BYTE*>(deviceNames);
  for (DWORD i = 0; i < count; ++i) {
    std::memcpy(tt + 64 * (size_t)i, r[i].trueTypeName, 64);
    std::memcpy(dev + 64 * (size_t)i, r[i].deviceName, 64);
  }
}

void CfgJoinFontTableRows(void* rows, const void* trueTypeNames, const void* deviceNames, DWORD count) {
  auto* r = static_cast<FONT_SUBST_REC*>(rows);
  const auto* tt = static_cast<const BYTE*>(trueTypeNames);
  const auto* dev = static_cast<const BYTE*>(deviceNames);
  for (DWORD i = 0; i < count; ++i) {
    std::memcpy(r[i].trueTypeName, tt + 64 * (size_t)i, 64);
    std::memcpy(r[i].deviceName, dev + 64 * (size_t)i, 64);
  }
}

DWORD CfgReadFontTableRows(HANDLE printer, void* rows, DWORD count, DWORD flags) {
  if (!rows) return ERROR_NOT_ENOUGH_MEMORY;
  if (!count) return 0;
  BYTE* tt = static_cast<BYTE*>(StgAllocZero(count * 64));
  BYTE* dev = static_cast<BYTE*>(StgAllocZero(count * 64));
  DWORD result = 0;
  if (!tt || !dev) {
    result = ERROR_NOT_ENOUGH_MEMORY;
  } else {
    const bool defaults = (flags & CFG_FONTS_DEFAULT_TABLE) != 0;
    for (DWORD i = 0; i < count; ++i) {
      WCHAR ttName[32], devName[32];
      FontRowName(ttName, true, defaults, i + 1);
      FontRowName(devName, false, defaults, i + 1);
      DWORD type = 0, needed = 0;
      DWORD e1 = GetPrinterDataW(printer, ttName, &type, tt + 64 * (size_t)i, 64, &needed);
      DWORD e2 = e1 == ERROR_SUCCESS ? GetPrinterDataW(printer, devName, &type, dev + 64 * (size_t)i, 64, &needed)
                                     : ERROR_SUCCESS;
      if (e1 != ERROR_SUCCESS || e2 != ERROR_SUCCESS) {
        std::memset(tt + 64 * (size_t)i, 0, 64);
        std::memset(dev + 64 * (size_t)i, 0, 64);
        result = e1 != ERROR_SUCCESS ? e1 : e2;
      }
    }
    CfgJoinFontTableRows(rows, tt, dev, count);
  }
  StgFree(tt);
  StgFree(dev);
  return result;
}

int CfgWriteFontTableRowsCommon(HANDLE printer, const void* rows, DWORD count, DWORD flags) {
  const bool defaults = (flags & CFG_FONTS_DEFAULT_TABLE) != 0;
  int ok = 1;
  if (count && rows) {
    BYTE* tt = static_cast<BYTE*>(StgAllocZero(count * 64));
    BYTE* dev = static_cast<BYTE*>(StgAllocZero(count * 64));
    if (tt && dev) {
      CfgSplitFontTableRows(rows, tt, dev, count);
      for (DWORD i = 0; i < count; ++i) {
        WCHAR ttName[32], devName[32];
        FontRowName(ttName, true, defaults, i + 1);
        FontRowName(devName, false, defaults, i + 1);
        if (!CfgSetPrinterDataBinary(printer, tt + 64 * (size_t)i, 64, ttName)) ok = 0;
        if (!CfgSetPrinterDataBinary(printer, dev + 64 * (size_t)i, 64, devName)) ok = 0;
      }
    } else {
      ok = 0;
    }
    StgFree(tt);
    StgFree(dev);
  }
  WORD n = (WORD)count;
  if (!CfgSetPrinterDataBinary(printer, &n, sizeof(n), defaults ? u"DefFontTableNum" : u"LastFontTableNum")) ok = 0;
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Context life.

int CfgFreeDeviceFontLists(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 1;
  for (WORD id : {QDV_rdmDeviceFont, QDV_rdmOptionFont, QDV_rdmFontTable}) DropList(ctx, id);
  return 1;
}

