// Per-user installation state: before a worker works for a printer the driver INI copy this user sees
// is installed and current (stamps compared, lists and the files they name copied to the user's side,
// paths that still point into the machine folder corrected).
#include "inst_install_state.h"

#include <cstdio>
#include <cstring>

#include "config/ini.h"
#include "config/ini_text.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "config/settings_file.h"
#include "config/device_settings.h"
#include "inst_bundles.h"
#include "inst_data_folder.h"
#include "inst_ini_util.h"
#include "inst_lists.h"
#include "inst_model_files.h"
#include "inst_setup.h"
#include "kvplat/file.h"
#include "kvplat/text.h"
#include "kvplat/time.h"
#include "settings/context.h"
#include "settings/migrate.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/units.h"
#include "sheets/dlg_values.h"
#include "ui_frame.h"
#include "ui_jobctl.h"
#include "ui_paths.h"

using inst::kPathChars;

namespace {

constexpr WCHAR kDriverVersion[] = u"8.63";
constexpr DWORD kModelRstVersion = 322;
constexpr WCHAR kModelRstVersionText[] = u"322";
constexpr WORD kCheckFlags = STG_CF_NO_LOCK | STG_CF_ASSUME_ADMIN;  // 0x300
constexpr DWORD kSectionChars = 261;

// The printer information the caller gave, or one fetched here (freed with the holder).
struct InfoHolder {
  const PRINTER_INFO_2W* info = nullptr;
  PRINTER_INFO_2W* owned = nullptr;
  InfoHolder(HANDLE printer, const PRINTER_INFO_2W* given) : info(given) {
    if (!info) info = owned = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
  }
  ~InfoHolder() { StgFree(owned); }
};

// A context of the printer for the duration of a step.
struct ContextHolder {
  SETTING_CONTEXT* ctx;
  WORD release;
  ContextHolder(HANDLE printer, WORD flags, WORD releaseType = STG_RELEASE_GENERAL)
      : ctx(UiOpenContextFlags(printer, printer, nullptr, flags, STG_KIND_UI)), release(releaseType) {}
  ~ContextHolder() {
    if (ctx) UiCloseContextMode(ctx, release);
  }
};

bool IniPath(WCHAR* dst, int perUser, HANDLE printer) {
  return CfgGetIniPathForPrinter(dst, kPathChars, perUser, printer) && dst[0];
}

bool SectionOf(HANDLE printer, WCHAR* dst) {
  dst[0] = 0;
  InstGetPrinterNameCopy(printer, dst, kSectionChars);
  return dst[0] != 0;
}

// A key read with the capacity of 260 characters; empty when absent.
void Read(const WCHAR* section, const WCHAR* key, const WCHAR* ini, WCHAR* out, DWORD cch = kPathChars) {
  CfgIniGetString(section, key, u"", out, cch, ini);
}

// Time stamps compare over their first 14 characters.
int CompareTimes(const WCHAR* a, const WCHAR* b) {
  std::u16string_view x = kvp::WView(a).substr(0, 14), y = kvp::WView(b).substr(0, 14);
  return x.compare(y);
}

// "RstVersion" as a number; false when absent or not a number.
bool ReadVersion(const WCHAR* section, const WCHAR* ini, DWORD* out) {
  WCHAR text[16] = {};
  Read(section, u"RstVersion", ini, text, 16);
  if (!text[0]) return false;
  DWORD v = 0;
  for (const WCHAR* p = text; *p; ++p) {
    if (*p < u'0' || *p > u'9' || v > 0xFFFFFFF) return false;
    v = v * 10 + DWORD(*p - u'0');
  }
  *out = v;
  return true;
}

const WCHAR* DriverVersion(SETTING_CONTEXT* ctx) {
  return ctx && ctx->model && ctx->model->driverVersionText ? ctx->model->driverVersionText : kDriverVersion;
}

void RebuildDefaultCopyIfLocked(SETTING_CONTEXT* ctx) {
  if (StgIsModelFeatureOn(ctx, 2, 0) && DlgLockInfo(ctx) && StgIsDefaultLocked(ctx)) StgRebuildDefaultStore(ctx);
}

// The file a list entry names, copied into the per-user data folder under its own name.
void CopyListFileToUser(HANDLE printer, const WCHAR* listed, bool quality) {
  WCHAR source[kPathChars] = {}, target[kPathChars] = {};
  BOOL made = quality ? CfgMakeRsqFileName(source, listed, kPathChars) : CfgChangeExtToRsd(source, listed, kPathChars);
  if (!made || !source[0]) return;
  UiMakeUserDataFilePath(target, kPathChars, inst::FileNameOf(source), printer);
  if (target[0]) InstCopyFileIfNewer(target, source, 2);
}

// The per-user data path of a listed file's name; false when it cannot be made.
bool UserPathOf(HANDLE printer, const WCHAR* listed, WCHAR* out) {
  UiMakeUserDataFilePath(out, kPathChars, inst::FileNameOf(listed), printer);
  return out[0] != 0;
}

// Redirects one list entry of the user copy into the per-user data folder, copying the listed file's
// sections over (the printer's section, and for presets "condition" and "disable").
bool RedirectEntry(HANDLE printer, const WCHAR* section, const WCHAR* key, const WCHAR* oldPath,
                   const WCHAR* userIni, bool preset) {
  WCHAR newPath[kPathChars] = {};
  if (!UserPathOf(printer, oldPath, newPath)) return false;
  CfgIniWriteString(section, key, newPath, userIni);
  inst::CopyWholeSection(section, oldPath, newPath);
  if (preset) {
    inst::CopyWholeSection(u"condition", oldPath, newPath);
    inst::CopyWholeSection(u"disable", oldPath, newPath);
  }
  return true;
}

}  // namespace

// ---- Small queries ----

int UiReadAdminChange(HANDLE printer, DWORD* out) {
  DWORD v = 0;
  if (!CfgGetPrinterDataValue(printer, &v, sizeof v, u"AdminChange")) v = 0;
  if (out) *out = v;
  return v ? 1 : 0;
}

int UiIsLocalPrinterHandle(HANDLE printer) { return StgQueryRemotePrinter(printer) ? 0 : 1; }

int UiIsServerPrinterInfo(const PRINTER_INFO_2W* info) {
  return info && info->pServerName && info->pServerName[0] ? 1 : 0;
}

WCHAR* UiMakeUserDataFilePath(WCHAR* dst, DWORD cch, const WCHAR* fileName, HANDLE printer) {
  if (!dst || !cch) return dst;
  WCHAR folder[kPathChars] = {};
  if (!CfgGetUserDataDirForPrinter(folder, kPathChars, printer) || !folder[0] ||
      !inst::Join(dst, cch, {kvp::WView(folder), u"\\", kvp::WView(fileName)}))
    dst[0] = 0;
  return dst;
}

void UiReadDeviceRangesFromFile(const WCHAR* file, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!ctx || !file) return;
  WCHAR key[kPathChars] = {};
  CfgTransferDeviceRange(file, flags | 1, ctx, CfgGetRegionSection(ctx), key, 10001, 10434);
  CfgTransferDeviceRange(file, flags | 1, ctx, CfgGetRegionSection(ctx), key, 1453, 1543);
}

int InstRstVersionDiffers(const WCHAR* ini, DWORD, int* absent, SETTING_CONTEXT* ctx) {
  if (absent) *absent = 0;
  DWORD v = 0;
  if (!ReadVersion(CfgGetRegionCode(ctx), ini, &v)) {
    if (absent) *absent = 1;
    return 1;
  }
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  return CfgSameMajorVersion(v, (DWORD)m->settingsVersion) ? 0 : 1;
}

// ---- The install stamp ----

BOOL InstStampInstall(HANDLE printer, WORD installType, int mode) {
  if (!StgIsTerminalServerCached(printer)) return TRUE;
  WCHAR ini[kPathChars] = {}, section[kSectionChars] = {};
  if (!IniPath(ini, mode == 0 ? 0 : 1, printer) || !SectionOf(printer, section)) return FALSE;
  SYSTEMTIME t{};
  GetLocalTime(&t);
  char narrow[32];
  std::snprintf(narrow, sizeof narrow, "%04d%02d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  WCHAR stamp[32] = {}, type[16] = {};
  for (size_t i = 0; narrow[i] && i < 31; ++i) stamp[i] = (WCHAR)narrow[i];
  inst::FormatKey(type, 16, "%d", installType);
  inst::SharedFilesLock lock;
  CfgIniWriteString(section, u"DrvInstTime", stamp, ini);
  if (mode == 2) CfgIniWriteString(section, u"DrvFirstInstTime", stamp, ini);
  CfgIniWriteString(section, u"DrvInstType", type, ini);
  CfgIniWriteString(section, u"DrvInstVersion", kDriverVersion, ini);
  return TRUE;
}

// ---- States ----

int InstGetUserInstallState(HANDLE printer, WORD* state, const PRINTER_INFO_2W* info) {
  if (state) *state = 0;
  WCHAR user[kPathChars] = {}, machine[kPathChars] = {}, section[kSectionChars] = {};
  if (!InstGetDriverIniPathForPrinter(user, nullptr, 1, printer, info)) return 0;
  WORD s = 0;
  if (!CfgFileExists(user)) {
    s = 1;
  } else {
    if (!InstGetDriverIniPathForPrinter(machine, nullptr, 0, printer, info)) return 0;
    if (!CfgFileExists(machine)) {
      s = 5;
    } else {
      if (info && info->pPrinterName) kvp::WCopy(section, kSectionChars, info->pPrinterName);
      else SectionOf(printer, section);
      WCHAR userTime[kPathChars] = {}, first[kPathChars] = {}, machineTime[kPathChars] = {};
      inst::SharedFilesLock lock;
      Read(section, u"DrvInstTime", user, userTime);
      Read(section, u"DrvFirstInstTime", machine, first);
      s = 1;
      if (userTime[0] && CompareTimes(userTime, first) >= 0) {
        Read(section, u"DrvInstTime", machine, machineTime);
        if (!machineTime[0]) s = 5;
        else if (CompareTimes(machineTime, userTime) <= 0) s = 0;
        else s = UiReadAdminChange(printer, nullptr) ? 3 : 2;
      }
    }
  }
  if (state) *state = s;
  return 1;
}

int InstGetUserInstallStateOf(HANDLE printer, WORD* state) {
  InfoHolder info(printer, nullptr);
  if (!info.info) {
    if (state) *state = 0;
    return 0;
  }
  return InstGetUserInstallState(printer, state, info.info);
}

int InstGetTsIniState(HANDLE printer, const PRINTER_INFO_2W* info) {
  WCHAR user[kPathChars] = {};
  if (!info || !info->pPrinterName || !InstGetDriverIniPathForPrinter(user, nullptr, 1, printer, info)) return 1;
  if (!CfgFileExists(user)) return 3;
  WCHAR v[16] = {};
  CfgIniGetString(info->pPrinterName, u"TSIniCorrectDone", u"", v, 16, user);
  if (v[0]) return 0;
  CfgIniGetString(info->pPrinterName, u"Count", u"", v, 16, user);
  return v[0] ? 2 : 3;
}

int InstCorrectTsIni(HANDLE printer, const PRINTER_INFO_2W* info) {
  WCHAR user[kPathChars] = {}, machine[kPathChars] = {};
  if (!info || !info->pPrinterName || !InstGetDriverIniPathForPrinter(user, nullptr, 1, printer, info) ||
      !InstGetDriverIniPathForPrinter(machine, nullptr, 0, printer, info))
    return 1;
  const WCHAR* section = info->pPrinterName;
  std::u16string_view machineFolder = inst::FolderOf(machine);
  if (machineFolder.empty()) return 3;
  struct List {
    const char* countKey;
    const char* pathKey;
    const char* nameKey;
    bool preset;
  };
  static constexpr List kLists[] = {{"Count", "PresetList%d", "PresetList%dName", true},
                                    {"QualityCount", "QualityList%d", "QualityList%dName", false}};
  for (const List& list : kLists) {
    WCHAR countKey[32] = {};
    inst::FormatKey(countKey, 32, list.countKey, 0);
    int count = CfgIniGetInt(section, countKey, 0, user);
    if (count < 0 || count > 0xFFFF) count = 0;
    for (int i = 0; i < count; ++i) {
      WCHAR key[32] = {}, nameKey[32] = {}, path[kPathChars] = {}, name[kPathChars] = {};
      inst::FormatKey(key, 32, list.pathKey, i);
      inst::FormatKey(nameKey, 32, list.nameKey, i);
      Read(section, key, user, path);
      if (!path[0] || inst::FolderOf(path).empty()) return 3;
      if (kvp::WEqualI(inst::FolderOf(path), machineFolder) &&
          !RedirectEntry(printer, section, key, path, user, list.preset))
        return 3;
      Read(section, nameKey, user, name);
      if (!name[0]) return 3;
    }
  }
  if (!InstWriteUserJobPaths(printer)) return 3;
  CfgIniWriteString(section, u"TSIniCorrectDone", u"1", user);
  return 0;
}

// ---- Copies to the user's side ----

BOOL InstCopyToUserIni(HANDLE printer) {
  WCHAR user[kPathChars] = {}, machine[kPathChars] = {}, section[kSectionChars] = {};
  if (!IniPath(user, 1, printer) || !IniPath(machine, 0, printer) || !SectionOf(printer, section)) return FALSE;
  if (StgIsNt5OrLater()) {
    // A user who never logged on here before has no local application-data folder yet either.
    WCHAR folder[kPathChars] = {};
    if (!inst::Join(folder, kPathChars, {inst::FolderOf(user)})) return FALSE;
    for (WCHAR* p = folder + (kvp::WLen(folder) > 3 ? 3 : 0); *p; ++p) {
      if (*p != u'\\') continue;
      *p = 0;
      InstCreateFolder(folder);
      *p = u'\\';
    }
    InstCreateFolder(folder);
  } else {
    // Older systems keep the per-user copies below the system folder, one folder per profile.
    WCHAR system[kPathChars] = {}, profile[kPathChars] = {}, folder[kPathChars] = {};
    if (!CfgGetSystemDir(system, kPathChars, nullptr) || !InstGetUserProfileDir(profile, kPathChars, printer))
      return FALSE;
    std::u16string_view parts[] = {u"kavro", u"_zarn", kvp::WView(inst::FileNameOf(profile))};
    kvp::WCopy(folder, kPathChars, system);
    for (std::u16string_view part : parts) {
      WCHAR next[kPathChars] = {};
      if (!inst::Join(next, kPathChars, {kvp::WView(folder), u"\\", part})) return FALSE;
      kvp::WCopy(folder, kPathChars, next);
      InstCreateFolder(folder);
      InstApplyAdminOwner(folder, INST_ACL_FOLDER_ONLY);
      InstApplyWorldAccess(folder, INST_ACL_FOLDER_ONLY);
    }
  }
  inst::SharedFilesLock lock;
  int presets = CfgIniGetInt(section, u"Count", 0, machine);
  for (int i = 0; i < presets && i <= 0xFFFF; ++i) {
    WCHAR key[32] = {}, path[kPathChars] = {};
    inst::FormatKey(key, 32, "PresetList%d", i);
    Read(section, key, machine, path);
    if (path[0]) CopyListFileToUser(printer, path, false);
  }
  int qualities = CfgIniGetInt(section, u"QualityCount", 0, machine);
  for (int i = 0; i < qualities && i <= 0xFFFF; ++i) {
    WCHAR key[32] = {}, path[kPathChars] = {};
    inst::FormatKey(key, 32, "QualityList%d", i);
    Read(section, key, machine, path);
    if (path[0]) CopyListFileToUser(printer, path, true);
  }
  return TRUE;
}

BOOL InstCheckUserIniVersion(HANDLE printer, int installState) {
  // 1.
  ContextHolder c(printer, kCheckFlags);
  SETTING_CONTEXT* ctx = c.ctx;
  if (!ctx) return FALSE;
  // 2.
  int comparison = STG_VERSION_INCOMPATIBLE;
  if (installState != 1 && installState != 3) {
    WCHAR user[kPathChars] = {}, machine[kPathChars] = {};
    if (!IniPath(user, 1, printer) || !IniPath(machine, 0, printer)) return TRUE;
    DWORD u = 0, m = 0;
    {
      inst::SharedFilesLock lock;
      if (!ReadVersion(CfgGetRegionCode(ctx), user, &u) || !ReadVersion(CfgGetRegionCode(ctx), machine, &m))
        return TRUE;
    }
    comparison = StgCompareVersions(u, m);
  }
  // 3.
  UiJcSyncAtConversion(ctx);
  if (StgIsModelFeatureOn(ctx, 1, 0)) StgQueryPrintNotification(ctx, 1);
  // 4.
  if (comparison == STG_VERSION_MIGRATE) {
    InstInstallModelFiles(ctx, 4096);
    InstRefreshPrinterLists(printer, ctx);
    InstWritePrinterIniSection(printer, 0, 1, ctx);
    RebuildDefaultCopyIfLocked(ctx);
  } else if (comparison == STG_VERSION_INCOMPATIBLE) {
    if (!InstSetupPrinter(printer, nullptr, INST_SETUP_CLIENT_SHORT)) return FALSE;
    InstWritePrinterIniSectionEx(printer, 0, 0, ctx, 1);
  } else {
    InstInstallModelFiles(ctx, 4096);
    InstWritePrinterIniSection(printer, 0, 1, ctx);
  }
  // 5.
  InstWriteUserJobPaths(printer);
  if (!InstStampInstall(printer, 1, 1)) return FALSE;
  InstSecureDataFolder(ctx);
  return TRUE;
}

int InstCopyBatchInstallToUser(HANDLE printer, const PRINTER_INFO_2W* info) {
  if (!info) return 0;
  WCHAR user[kPathChars] = {}, machine[kPathChars] = {};
  if (!info->pPrinterName || !InstGetDriverIniPathForPrinter(user, nullptr, 1, printer, info) ||
      !InstGetDriverIniPathForPrinter(machine, nullptr, 0, printer, info))
    return 1;
  const WCHAR* section = info->pPrinterName;
  inst::SharedFilesLock lock;
  WCHAR batch[kPathChars] = {};
  Read(section, u"BatchInstRst", machine, batch);
  if (!batch[0]) return 0;
  CfgIniWriteString(section, u"BatchInstRst", batch, user);
  {
    ContextHolder c(printer, STG_CF_NO_LOCK | STG_CF_ASSUME_ADMIN | 0x01, STG_RELEASE_KEEP_LISTS);
    if (c.ctx) {
      InstLoadBundleSettings(batch, 0, c.ctx);
      InstLoadBundleFreeSizes(batch, CfgGetRegionSection(c.ctx), c.ctx);
      InstLoadBundleStamps(batch, CfgGetRegionSection(c.ctx), c.ctx);
      CfgSaveDeviceSettings(printer, c.ctx, 3, 0);
    }
  }
  inst::CopyKeyIfPresent(section, u"Count", machine, user);
  int presets = CfgIniGetInt(section, u"Count", 0, machine);
  for (int i = 0; i < presets && i <= 0xFFFF; ++i) {
    WCHAR key[32] = {}, path[kPathChars] = {};
    inst::FormatKey(key, 32, "PresetList%d", i);
    Read(section, key, machine, path);
    if (path[0]) RedirectEntry(printer, section, key, path, user, true);
    inst::FormatKey(key, 32, "PresetList%dName", i);
    inst::CopyKeyIfPresent(section, key, machine, user);
    inst::FormatKey(key, 32, "PresetList%dComment", i);
    inst::CopyKeyIfPresent(section, key, machine, user);
  }
  inst::CopyKeyIfPresent(section, u"QualityCount", machine, user);
  int qualities = CfgIniGetInt(section, u"QualityCount", 0, machine);
  for (int i = 0; i < qualities && i <= 0xFFFF; ++i) {
    WCHAR key[32] = {}, path[kPathChars] = {};
    inst::FormatKey(key, 32, "QualityList%d", i);
    Read(section, key, machine, path);
    if (path[0]) RedirectEntry(printer, section, key, path, user, false);
    inst::FormatKey(key, 32, "QualityList%dName", i);
    inst::CopyKeyIfPresent(section, key, machine, user);
  }
  return 0;
}

// ---- Client-side copies ----

BOOL InstRefreshClientCopy(HANDLE printer, const WCHAR* iniGiven, const WCHAR* sectionGiven) {
  // 1.
  WCHAR ini[kPathChars] = {}, section[kSectionChars] = {};
  if (iniGiven) kvp::WCopy(ini, kPathChars, iniGiven);
  else if (!IniPath(ini, 0, printer)) return FALSE;
  if (sectionGiven) kvp::WCopy(section, kSectionChars, sectionGiven);
  else if (!SectionOf(printer, section)) return FALSE;
  // 2.
  DWORD v = 0;
  int comparison = ReadVersion(section, ini, &v) ? StgCompareVersions(v, kModelRstVersion) : STG_VERSION_INCOMPATIBLE;
  WCHAR installed[32] = {};
  Read(section, u"DrvInstVersion", ini, installed, 32);
  if (comparison == STG_VERSION_CURRENT && kvp::WEqualI(kvp::WView(installed), kvp::WView(kDriverVersion)))
    return TRUE;
  if (comparison == STG_VERSION_INCOMPATIBLE && !InstSetupPrinter(printer, nullptr, INST_SETUP_CLIENT)) return FALSE;
  ContextHolder c(printer, kCheckFlags);
  SETTING_CONTEXT* ctx = c.ctx;
  if (!ctx) return FALSE;
  UiJcSyncAtConversion(ctx);
  // 3. - 5.
  if (comparison == STG_VERSION_MIGRATE) {
    InstInstallModelFiles(ctx, 4096);
    InstRefreshPrinterLists(printer, ctx);
    InstWritePrinterIniSection(printer, 0, 1, ctx);
    RebuildDefaultCopyIfLocked(ctx);
  } else if (comparison == STG_VERSION_CURRENT) {
    InstInstallModelFiles(ctx, 4096);
    InstWritePrinterIniSection(printer, 0, 1, ctx);
  }
  // 6.
  CfgIniWriteString(section, u"RstVersion", kModelRstVersionText, ini);
  CfgIniWriteString(section, u"DrvInstVersion", DriverVersion(ctx), ini);
  InstSecureDataFolder(ctx);
  return TRUE;
}

int InstCheckClientDataDir(HANDLE printer, const PRINTER_INFO_2W* info) {
  if (!StgIsNt5OrLater() || !UiIsServerPrinterInfo(info)) return 1;
  WCHAR dir[kPathChars] = {};
  switch (CfgGetPrinterDataDir(printer, u"_ZARNDirectoryClient", dir, kPathChars)) {
    case -1: return 0;
    case 1: return InstRefreshClientCopy(printer, nullptr, nullptr) ? 1 : 0;
    default: return 1;
  }
}

// ---- The installation check ----

namespace {

int EnsureClientConnection(HANDLE printer, const PRINTER_INFO_2W* info) {
  WCHAR section[kSectionChars] = {}, machine[kPathChars] = {};
  InstCopyPrinterNameFromInfo(nullptr, section, kSectionChars, info);
  if (!section[0] || !InstGetDriverIniPathForPrinter(machine, nullptr, 0, printer, info)) return -1;
  if (CfgIniGetInt(section, u"BatchInstallDone", 0, machine) != 0) {
    WCHAR installed[32] = {};
    Read(section, u"DrvInstVersion", machine, installed, 32);
    if (kvp::WEqualI(kvp::WView(installed), kvp::WView(kDriverVersion))) return -1;
    {
      ContextHolder c(printer, STG_CF_ASSUME_ADMIN);
      if (c.ctx) {
        InstInstallModelFiles(c.ctx, 4096);
        InstRefreshPrinterLists(nullptr, c.ctx);
        InstSecureDataFolder(c.ctx);
      }
    }
    CfgIniWriteString(section, u"DrvInstVersion", kDriverVersion, machine);
    return -1;
  }
  {
    UI_SETUP_SCOPE setup;
    InstSetupPrinter(printer, nullptr, INST_SETUP_CLIENT_KEEP);
  }
  InstStampInstall(printer, 1, 0);
  CfgIniWriteString(section, u"DrvInstVersion", kDriverVersion, machine);
  if (!InstCopyToUserIni(printer) || !InstCheckUserIniVersion(printer, 1) ||
      InstCopyBatchInstallToUser(printer, info) == 1)
    return 0;
  return -1;
}

}  // namespace

int InstEnsureInstalled(HANDLE printer, DWORD flags, const PRINTER_INFO_2W* given) {
  // 1.
  InfoHolder holder(printer, given);
  const PRINTER_INFO_2W* info = holder.info;
  // 2.
  if (given && (flags & 1) && UiIsServerPrinterInfo(info)) {
    int r = EnsureClientConnection(printer, info);
    if (r == 0) return 0;
  }
  // 3.
  if (!StgIsTerminalServerCached(printer)) return InstCheckClientDataDir(printer, info);
  // 4.
  WCHAR profile[kPathChars] = {};
  if (!InstGetUserProfileDir(profile, kPathChars, printer)) return 1;
  int tsState;
  {
    inst::SharedFilesLock lock;
    tsState = InstGetTsIniState(printer, info);
    if (tsState == 2) tsState = InstCorrectTsIni(printer, info);
  }
  if (tsState == 1) return 0;
  WORD state = 0;
  if (!InstGetUserInstallState(printer, &state, info)) return 0;
  if (state == 5) {
    InstStampInstall(printer, 1, 0);
    state = 1;
  }
  if (tsState == 3) state = 1;
  if (state == 1) {
    if (!InstCopyToUserIni(printer)) return 0;
    if (!InstCheckUserIniVersion(printer, 1)) return 0;
    if (InstCopyBatchInstallToUser(printer, info) == 1) return 0;
  } else if (state == 2 || state == 3) {
    if (!InstCheckUserIniVersion(printer, state)) return 0;
    if (InstCopyBatchInstallToUser(printer, info) == 1) return 0;
  }
  return 1;
}

int InstCheckInstalled(HANDLE printer) { return InstEnsureInstalled(printer, 1, nullptr); }

// ---- The printer's section of the driver INI ----

BOOL InstWritePrinterIniSectionEx(HANDLE printer, DWORD, int kind, SETTING_CONTEXT* given, int perUser) {
  WCHAR model[kPathChars] = {};
  InstGetModelIniPathForPrinter(printer, model, nullptr);
  SETTING_CONTEXT* ctx = given;
  bool own = false;
  if (!ctx) {
    WCHAR done[16] = {};
    CfgIniGetString(u"BatchInstallDone", u"BatchInstallDone", u"", done, 16, model);
    if (kind == 1 && done[0]) return TRUE;
    ctx = StgCreateContext(printer, printer, nullptr, STG_KIND_UI);
    if (!ctx) return FALSE;
    own = true;
  }
  WCHAR target[kPathChars] = {};
  if (perUser == 1) kvp::WCopy(target, kPathChars, CfgGetIniPath(ctx));
  else
    CfgMakeDataFilePath(target, kPathChars, ctx->model && ctx->model->driverIniName ? ctx->model->driverIniName
                                                                                     : u"kvdrvset.ini",
                        ctx);
  BOOL ok = target[0] && model[0];
  if (ok) {
    int step = kind == 1 ? InstCopyRstVersion(target, model, ctx) : InstCopyListSections(target, model, ctx);
    InstCopyPrinterInformation(nullptr, target, model);
    InstCopyDefaultFreeSizes(target, model, ctx);
    ok = step ? TRUE : FALSE;
  }
  if (own) StgReleaseContext(ctx, STG_RELEASE_GENERAL);
  return ok;
}

BOOL InstWritePrinterIniSection(HANDLE printer, DWORD ignored, int kind, SETTING_CONTEXT* ctx) {
  return InstWritePrinterIniSectionEx(printer, ignored, kind, ctx, 0);
}
