// The printer's keys of the driver INI (from a key table), the copies of list sections into another
// INI, the repair of incomplete custom-size and stamp entries, and the refresh of a printer's lists.
#include "inst_lists.h"

#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/free_size.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/presets.h"
#include "config/printer_data.h"
#include "config/settings_file.h"
#include "features/fm_modules.h"
#include "inst_bundles.h"
#include "inst_data_folder.h"
#include "inst_ini_util.h"
#include "inst_install_state.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "ui_paths.h"
#include "ui_printer_data.h"

using inst::kPathChars;

namespace {

struct DRIVER_INI_KEY {
  const WCHAR* key;
  int kind;  // 0 from the model INI, 1 default bundle, 2 pack-install mark, 3 and 4 batch bundle
};

constexpr DRIVER_INI_KEY kDriverIniKeys[] = {
    {u"MergeKey", 0},
    {u"MergeSubKey", 0},
    {u"MergeFilePath", 0},
    {u"MergeFileName", 0},
    {u"DrvDefJobMergeFileName", 0},
    {u"DrvDefJobMergeFileExt", 0},
    {u"DrvDefJobMergePath", 0},
    {u"APIJobMergeFileName", 0},
    {u"APIJobMergePath", 0},
    {u"APIUseFlag", 0},
    {u"DriverJobMergeFileName", 0},
    {u"DriverJobMergePath", 0},
    {u"SAVEPrnMethod", 0},
    {u"SAVEACT_FILEMERGEPRINT", 0},
    {u"APIAPLName", 0},
    {u"APIAPLInfo", 0},
    {u"DefaultRst", 1},
    {u"PresetRefresh", 2},
    {u"DefaultRst", 3},
    {u"BatchInstRst", 3},
    {u"BatchInstRst", 4},
    {u"DrvDefPreviewPath", 0},
};
static_assert(sizeof kDriverIniKeys / sizeof kDriverIniKeys[0] == 22);

constexpr WORD kFreeSizeIds[] = {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength,
                                 sid::wdmFreeSizeTray, sid::wdmFreeSizeOrient};
constexpr WORD kStampIds[] = {
    sid::rdmWmKind,      sid::wdmWmOpaque,    sid::wdmWmUnit,     sid::wdmWmDensity,     sid::wdmWmEffect,
    sid::wdmWmPosi,      sid::wdmWmPosiTile,  sid::wdmWmPage,     sid::wdmWmStartPage,   sid::wdmWmEndPage,
    sid::wdmWmAngle,     sid::rdmWmID,        sid::wdmWmFontName, sid::wdmWmFontPoint,   sid::wdmWmColor,
    sid::wdmWmColorR,    sid::wdmWmColorG,    sid::wdmWmColorB,   sid::wdmWmFontStyle,   sid::wdmWmFontScale,
    sid::wdmWmChar,      sid::wdmWmImage,     sid::wdmWmCharName, sid::wdmWmImageName,   sid::wdmWmFont,
    sid::wdmWMPrinterStamp2PlanePrint, sid::wdmWMFuncSelectOrder};
static_assert(sizeof kStampIds / sizeof kStampIds[0] == 27);

// The two keys the model INI keeps per operating-system family.
bool HasSystemSuffix(const WCHAR* key) {
  return kvp::WView(key) == u"DrvDefJobMergePath" || kvp::WView(key) == u"DrvDefPreviewPath";
}

bool Empty(const WCHAR* s) { return !s || !s[0]; }

// Counts read from another INI are bounded by what a list can hold.
int BoundedCount(int n) { return n < 0 ? 0 : (n > 0xFFFF ? 0xFFFF : n); }

void WriteNumber(const WCHAR* section, const WCHAR* key, int value, const WCHAR* ini) {
  WCHAR text[16] = {};
  inst::FormatKey(text, 16, "%d", value);
  CfgIniWriteString(section, key, text, ini);
}

// One list section's keys copied from source to target ("RstVersion" only when non-empty).
void CopyListSection(SETTING_CONTEXT* ctx, const WCHAR* section, const WORD* ids, size_t count,
                     const WCHAR* target, const WCHAR* source) {
  WCHAR value[kPathChars] = {};
  CfgIniGetString(section, u"RstVersion", u"", value, kPathChars, source);
  if (value[0]) CfgIniWriteString(section, u"RstVersion", value, target);
  for (size_t k = 0; k < count; ++k) {
    const WCHAR* key = StgGetItemName(ctx, ids[k]);
    if (Empty(key)) continue;
    CfgIniGetString(section, key, u"", value, kPathChars, source);
    CfgIniWriteString(section, key, value, target);
  }
}

// A counted list: its count in the region section, then each of its sections.
void CopyCountedSections(SETTING_CONTEXT* ctx, const WCHAR* countKey,
                         WCHAR* (*format)(WCHAR*, int, DWORD, SETTING_CONTEXT*), const WORD* ids, size_t idCount,
                         const WCHAR* target, const WCHAR* source) {
  const WCHAR* region = CfgGetRegionSection(ctx);
  int count = BoundedCount(CfgIniGetInt(region, countKey, 0, source));
  WriteNumber(region, countKey, count, target);
  for (int i = 0; i < count; ++i) {
    WCHAR section[kPathChars] = {};
    format(section, i, 0, ctx);
    CopyListSection(ctx, section, ids, idCount, target, source);
  }
}

bool KeyEmpty(SETTING_CONTEXT* ctx, const WCHAR* section, WORD id, const WCHAR* ini) {
  const WCHAR* key = StgGetItemName(ctx, id);
  if (Empty(key)) return false;
  WCHAR value[kPathChars] = {};
  CfgIniGetString(section, key, u"", value, kPathChars, ini);
  return value[0] == 0;
}

bool CustomSizesNeedRepair(SETTING_CONTEXT* ctx, const WCHAR* ini, int slots, int modelCount) {
  if (slots == 0 || (modelCount != 0 && modelCount != slots)) return true;
  for (int i = 0; i < slots; ++i) {
    WCHAR section[kPathChars] = {};
    CfgFormatFreeSizeSection(section, i, 0, ctx);
    for (WORD id : {sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength, sid::wdmFreeSizeTray, sid::wdmFreeSizeOrient})
      if (KeyEmpty(ctx, section, id, ini)) return true;
  }
  return false;
}

bool StampIncomplete(SETTING_CONTEXT* ctx, int n, const WCHAR* ini) {
  WCHAR section[kPathChars] = {};
  CfgFormatStampSection(section, n, 0, ctx);
  int kind = CfgIniGetInt(section, StgGetItemName(ctx, sid::rdmWmKind), 0, ini);
  for (WORD id : kStampIds) {
    if (!KeyEmpty(ctx, section, id, ini)) continue;
    if (id == sid::wdmWmChar || id == sid::wdmWmCharName) {
      if (kind == 1) return true;
    } else if (id == sid::wdmWmImage || id == sid::wdmWmImageName) {
      if (kind == 2) return true;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace

int InstWriteDriverIniKeys(SETTING_CONTEXT* ctx, int mode, const WCHAR* value) {
  if (!ctx) return 0;
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* printer = CfgGetPrinterName(ctx);
  const WCHAR* region = CfgGetRegionSection(ctx);
  if (Empty(ini) || Empty(printer) || ((mode == 0 || mode == 2) && Empty(region))) return 0;
  WCHAR target[kPathChars] = {}, section[kPathChars + 1] = {};
  kvp::WCopy(target, kPathChars, ini);
  kvp::WCopy(section, kPathChars + 1, printer);
  if (mode == 0 || mode == 2) {
    const WCHAR* model = CfgGetModelIniPath(ctx);
    const WCHAR* suffix = StgIsNt5OrLater() ? u"2k" : u"nt";
    for (const DRIVER_INI_KEY& row : kDriverIniKeys) {
      if (row.kind == 0) {
        WCHAR modelKey[64] = {}, v[kPathChars] = {};
        if (HasSystemSuffix(row.key)) inst::Join(modelKey, 64, {kvp::WView(row.key), kvp::WView(suffix)});
        else kvp::WCopy(modelKey, 64, row.key);
        CfgIniGetString(region, modelKey, u"", v, kPathChars, model);
        // A refresh writes only what the model INI leaves empty (so emptying that key here).
        if (mode == 0 || !v[0]) CfgIniWriteString(section, row.key, v, target);
      } else if (row.kind == 2) {
        DWORD refresh = 0;
        bool on = mode == 2 ||
                  (CfgGetPrinterDataValue(ctx->printer, &refresh, sizeof refresh, u"PresetRefresh") && refresh != 0);
        CfgIniWriteString(section, row.key, on ? u"1" : u"0", target);
      }
    }
    CfgSaveDeviceSettingsAll(ctx->printer, ctx);
  } else if (mode == 1) {
    for (const DRIVER_INI_KEY& row : kDriverIniKeys)
      if (row.kind == 1) CfgIniWriteString(section, row.key, value, target);
  } else if (mode == 3 || mode == 4) {
    for (const DRIVER_INI_KEY& row : kDriverIniKeys)
      if (row.kind == 3 || row.kind == 4) CfgIniWriteString(section, row.key, value, target);
  }
  return 1;
}

int InstRefreshDriverIniKeys(SETTING_CONTEXT* ctx) { return InstWriteDriverIniKeys(ctx, 2, nullptr); }

int InstWriteUserJobPaths(HANDLE printer) {
  WCHAR ini[kPathChars] = {}, section[kPathChars + 1] = {}, folder[kPathChars] = {};
  if (!CfgGetIniPathForPrinter(ini, kPathChars, 1, printer) || !ini[0]) return 0;
  InstGetPrinterNameCopy(printer, section, kPathChars + 1);
  if (!section[0]) return 0;
  CfgGetUserDataDirForPrinter(folder, kPathChars, printer);
  WCHAR path[kPathChars] = {};
  if (inst::Join(path, kPathChars, {kvp::WView(folder), u"\\KVP"}))
    CfgIniWriteString(section, u"DrvDefJobMergePath", path, ini);
  if (inst::Join(path, kPathChars, {kvp::WView(folder), u"\\PREVIEW"}))
    CfgIniWriteString(section, u"DrvDefPreviewPath", path, ini);
  return 1;
}

int InstCopyListSections(const WCHAR* target, const WCHAR* source, SETTING_CONTEXT* ctx) {
  const WCHAR* region = CfgGetRegionSection(ctx);
  if (!target || !source || Empty(CfgGetPrinterName(ctx)) || Empty(region)) return 0;
  // 1.
  int absent = 0;
  if (CfgFileExists(target) && !InstRstVersionDiffers(target, 0, &absent, ctx)) {
    STG_CMM_LIMITS_ARG event{source, target, 1};
    StgBroadcastModuleEvent(ctx, 15, &event);
    return 1;
  }
  // 2. - 3.
  CopyCountedSections(ctx, u"FreeSizeCount", CfgFormatFreeSizeSection, kFreeSizeIds, 5, target, source);
  CopyCountedSections(ctx, u"StampCount", CfgFormatStampSection, kStampIds, 27, target, source);
  // 4.
  STG_CMM_LIMITS_ARG event{source, target, 0};
  StgBroadcastModuleEvent(ctx, 15, &event);
  return 1;
}

int InstCopyRstVersion(const WCHAR* target, const WCHAR* source, SETTING_CONTEXT* ctx) {
  const WCHAR* region = CfgGetRegionCode(ctx);
  if (!target || !source || Empty(region)) return 0;
  WCHAR v[kPathChars] = {};
  CfgIniGetString(region, u"RstVersion", u"", v, kPathChars, source);
  CfgIniWriteString(region, u"RstVersion", v, target);
  return 1;
}

int InstCopyDefaultFreeSizes(const WCHAR* target, const WCHAR* modelIni, SETTING_CONTEXT* ctx) {
  const WCHAR* region = CfgGetRegionSection(ctx);
  if (!target || !modelIni || Empty(region)) return 0;
  // 1.
  WCHAR defaults[kPathChars] = {};
  if (!InstGetModelDefaultRst(defaults, ctx) || !defaults[0]) return 0;
  InstMakeDriverRelativePath(defaults, nullptr, ctx);
  // 2.
  int n = BoundedCount(CfgIniGetInt(region, u"FreeSizeCount", 0, modelIni));
  for (int i = 0; i < n; ++i) {
    WCHAR section[kPathChars] = {};
    CfgFormatFreeSizeSection(section, i, 0, ctx);
    for (WORD id : kFreeSizeIds) {
      const WCHAR* key = StgGetItemName(ctx, id);
      if (Empty(key)) continue;
      WCHAR v[kPathChars] = {};
      CfgIniGetString(section, key, u"", v, kPathChars, defaults);
      if (v[0]) CfgIniWriteString(section, key, v, target);
    }
  }
  // 3.
  InstIniWriteKeepTime(u"BatchInstallDone", u"BatchInstallDone", u"1", modelIni);
  return 1;
}

int InstCopyPrinterInformation(const WCHAR*, const WCHAR* target, const WCHAR* source) {
  WCHAR v[kPathChars] = {};
  CfgIniGetString(u"PrinterInformation", u"KAVROINFO", u"", v, kPathChars, source);
  CfgIniWriteString(u"PrinterInformation", u"KAVROINFO", v, target);
  return 1;
}

int InstRepairListEntries(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  const WCHAR* iniPath = CfgGetIniPath(ctx);
  const WCHAR* modelPath = CfgGetModelIniPath(ctx);
  const WCHAR* region = CfgGetRegionSection(ctx);
  if (Empty(iniPath) || Empty(modelPath) || Empty(CfgGetPrinterName(ctx)) || Empty(region)) return 0;
  WCHAR ini[kPathChars] = {}, model[kPathChars] = {}, regionSection[kPathChars] = {};
  kvp::WCopy(ini, kPathChars, iniPath);
  kvp::WCopy(model, kPathChars, modelPath);
  kvp::WCopy(regionSection, kPathChars, region);
  // 1.
  int slots = CfgGetFreeSizeSlotCount(ctx);
  int modelCount = FmCustomSizeCount(ctx);
  if (CustomSizesNeedRepair(ctx, ini, slots, modelCount)) {
    StgPushUndo(ctx);
    WriteNumber(regionSection, u"FreeSizeCount", modelCount, ini);
    for (int i = 0; i < modelCount; ++i) {
      WCHAR section[kPathChars] = {};
      CfgFormatFreeSizeSection(section, i, 0, ctx);
      FmLoadCustomSizeSection(ctx, section);
      CfgSaveFreeSizeSection(ctx, section);
    }
    StgPopUndo(ctx, 1);
  }
  // 2.
  int a = CfgGetStampCount(ctx);
  int b = BoundedCount(CfgIniGetInt(regionSection, u"StampCount", 0, model));
  bool repair = a <= 0;
  for (int i = 0; !repair && i < a && i <= 0xFFFF; ++i) repair = StampIncomplete(ctx, i, ini);
  if (repair) {
    StgPushUndo(ctx);
    if (a < b) {
      CfgSetStampCount(ctx, b);
      a = b;
    }
    for (int i = 0; i < a && i <= 0xFFFF; ++i) {
      FmLoadModelStamp(ctx, i < b ? i : 0);
      CfgLoadStamp(ctx, i);
      CfgSaveStamp(ctx, i);
    }
    StgPopUndo(ctx, 1);
  }
  return 1;
}

int InstRefreshPrinterLists(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (printer && UiIsLocalPrinterHandle(printer)) UiSaveDeviceSettings(printer, ctx);
  InstRefreshDriverIniKeys(ctx);
  FmResavePresets(ctx);
  FmResaveQualityEntries(ctx);
  FmResaveWatermarks(ctx);
  FmResaveCustomSizes(ctx);
  return 1;
}
