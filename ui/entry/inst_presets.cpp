// Default presets and quality entries of the model: the files set-up copies into place, the sections
// their container files hold, the quality list of the driver INI, the merge of the default presets into
// the preset list, and the one-time pack installation.
#include "inst_default_presets.h"

#include <string>
#include <vector>

#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/presets.h"
#include "config/printer_data.h"
#include "config/settings_file.h"
#include "inst_bundles.h"
#include "inst_data_folder.h"
#include "inst_model_files.h"
#include "inst_work.h"
#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "kvplat/dialog.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "sheets/dlg_messages.h"
#include "sheets/dlg_subdialog.h"
#include "sheets/dlg_values.h"
#include "ui_paths.h"

namespace {

constexpr DWORD kPathChars = 260;
constexpr int kAbsentCount = 0xFFFF;
constexpr int kMaxListed = 0xFFFE;
constexpr DWORD kContainerChars = 30720;
constexpr WORD kMsgPackInstall = 7004, kMsgDropPresets = 10017, kPresetDialog = 1011;

std::u16string Decimal(long long n) {
  std::string d = std::to_string(n);
  return std::u16string(d.begin(), d.end());
}

int ListedCount(const WCHAR* section, const WCHAR* key, const WCHAR* file) {
  int n = CfgIniGetInt(section, key, kAbsentCount, file);
  if (n == kAbsentCount || n <= 0) return 0;
  return n > kMaxListed ? kMaxListed : n;
}

// A file the model INI names, put where set-up uses it: an absolute name gets the driver folder's file
// of that name, a relative one is the driver folder's file (before version 5: a copy in the system
// folder). False when there is nothing to use.
bool ResolveModelFile(const WCHAR* name, SETTING_CONTEXT* ctx, WCHAR (&out)[kPathChars]) {
  out[0] = 0;
  if (!name || !name[0]) return false;
  if (name[1] == u':') {
    kvp::WCopy(out, kPathChars, name);
    CfgInstallDriverFile(out, CfgFindFileName(out), 2, ctx);
    return true;
  }
  if (StgIsNt5OrLater()) {
    kvp::WCopy(out, kPathChars, name);
    InstMakeDriverRelativePath(out, nullptr, ctx);
    return out[1] == u':';
  }
  CfgCopyDriverFileToSystemDir(name, nullptr, 2, ctx);
  return CfgMakeSystemDirPath(out, kPathChars, name) && out[0];
}

// Copies the sections "<prefix section><file name>" of the container into section `target` of each
// listed file.
void UnpackList(const WCHAR* defaults, const WCHAR* region, const WCHAR* entryKey, const WCHAR* countKey,
                const std::vector<const WCHAR*>& sections, std::vector<WCHAR>& buffer, SETTING_CONTEXT* ctx) {
  WCHAR container[kPathChars] = {};
  std::u16string zero = std::u16string(entryKey) + u"0";
  CfgIniGetString(region, zero.c_str(), u"", container, kPathChars, defaults);
  if (!container[0] || !InstResolveDriverRelativePath(container, ctx)) return;
  int n = ListedCount(region, countKey, defaults);
  for (int i = 1; i <= n; ++i) {
    WCHAR file[kPathChars] = {};
    std::u16string key = std::u16string(entryKey) + Decimal(i);
    CfgIniGetString(region, key.c_str(), u"", file, kPathChars, defaults);
    if (!file[0] || !CfgExpandSettingsFilePath(file, kPathChars, ctx)) continue;
    for (const WCHAR* target : sections) {
      std::u16string from = std::u16string(target) + std::u16string(kvp::WView(CfgFindFileName(file)));
      buffer.assign(kContainerChars, 0);
      DWORD got = GetPrivateProfileSectionW(from.c_str(), buffer.data(), kContainerChars, container);
      if (got > 0) WritePrivateProfileSectionW(target, buffer.data(), file);
    }
  }
}

bool ConfirmDrop(SETTING_CONTEXT* ctx) { return DlgAskOkCancel(ctx, nullptr, kMsgDropPresets) == IDOK; }

}  // namespace

int InstUnpackDefaultPresetSections(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return 0;
  WCHAR defaults[kPathChars] = {};
  if (!InstGetModelDefaultRst(defaults, ctx) || !InstResolveDriverRelativePath(defaults, ctx)) return 1;
  const WCHAR* region = CfgGetRsdSection(ctx);
  if (!region) return 1;
  std::vector<WCHAR> buffer;
  UnpackList(defaults, region, u"Deficonfiles", u"NumDeficonfiles", {u"condition", u"disable", region}, buffer, ctx);
  UnpackList(defaults, region, u"Defqualityfiles", u"NumDefqualityfiles", {region}, buffer, ctx);
  return 1;
}

int InstCopyInstallFiles(const WCHAR* modelIni, const WCHAR* section, SETTING_CONTEXT* ctx) {
  if (!modelIni || !section) return 1;
  int n = ListedCount(section, u"NumInstallfiles", modelIni);
  for (int i = 1; i <= n; ++i) {
    WCHAR path[kPathChars] = {};
    std::u16string key = u"Installfiles" + Decimal(i);
    CfgIniGetString(section, key.c_str(), u"", path, kPathChars, modelIni);
    if (path[0] && InstExpandInstallPath(path, kPathChars, ctx)) InstCopyDriverFile(path, nullptr, 2, ctx, 1);
  }
  return 1;
}

int InstInstallModelFiles(SETTING_CONTEXT* ctx, DWORD flags) {
  if (!ctx || !ctx->work || !ctx->model) return 0;
  // 1.
  InstUnpackDefaultPresetSections(ctx);
  const WCHAR* region = CfgGetRsdSection(ctx);
  if (!region) return 1;
  std::u16string section(kvp::WView(region));
  // 2.
  WCHAR modelIni[kPathChars];
  if (ResolveModelFile(ctx->model->modelIniName, ctx, modelIni)) InstCopyInstallFiles(modelIni, section.c_str(), ctx);
  // 3.
  WCHAR named[kPathChars] = {}, defaults[kPathChars];
  if (InstGetModelDefaultRst(named, ctx) && InstIsSafeDriverRelativeName(named) &&
      ResolveModelFile(named, ctx, defaults) && defaults[0]) {
    CfgImportInstalledPresets(defaults, section.c_str(), flags | CFG_IMPORT_INSTALL, ctx, 0, nullptr);
    InstImportInstalledQualities(defaults, section.c_str(), flags | CFG_IMPORT_INSTALL, ctx);
  }
  return 1;
}

void InstClearQualityList(SETTING_CONTEXT* ctx) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPresetSection(ctx);
  if (ini && section) CfgIniWriteString(section, u"QualityCount", u"0", ini);
}

void InstAppendQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* file, const WCHAR* name) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPresetSection(ctx);
  if (!ini || !section) return;
  std::u16string s(kvp::WView(section)), i(kvp::WView(ini));
  int n = CfgIniGetInt(s.c_str(), u"QualityCount", 0, i.c_str());
  if (n < 0) n = 0;
  std::u16string key = u"QualityList" + Decimal(n);
  CfgIniWriteString(s.c_str(), key.c_str(), file ? file : u"", i.c_str());
  CfgIniWriteString(s.c_str(), (key + u"Name").c_str(), name ? name : u"", i.c_str());
  CfgIniWriteString(s.c_str(), u"QualityCount", Decimal(n + 1).c_str(), i.c_str());
}

int InstImportInstalledQualities(const WCHAR* defaults, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work || !defaults || !section) return 0;
  // 1.
  if (flags & CFG_IMPORT_ADD) InstClearQualityList(ctx);
  // 2.
  int n = ListedCount(section, u"NumDefqualityfiles", defaults);
  if (n == 0) return 1;
  // 3.
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!ini || !ini[0] || ini[1] != u':') return 0;
  // 4. Any listed file that exists but could not be put into place fails the import; a missing or
  // unusable entry is only skipped.
  int result = 1;
  for (int i = 1; i <= n; ++i) {
    WCHAR listed[kPathChars] = {}, user[kPathChars] = {};
    std::u16string key = u"Defqualityfiles" + Decimal(i);
    CfgIniGetString(section, key.c_str(), u"", listed, kPathChars, defaults);
    if (!listed[0] || !CfgExpandSettingsFilePath(listed, kPathChars, ctx)) continue;
    if (!CfgMakeUserSettingsPath(user, CfgFindFileName(listed), kPathChars, ctx)) continue;
    if (!CfgIsSettingsFileAllowed(user, ctx)) continue;
    if (flags & CFG_IMPORT_ADD) {
      WCHAR name[kPathChars] = {};
      CfgReadPresetFileKey(listed, section, u"qualityname", name);
      InstAppendQualityEntry(ctx, user, name);
      if (flags & CFG_IMPORT_CONVERT) CfgConvertSettingsFile(user, listed, 16, ctx);
    }
    if ((flags & CFG_IMPORT_INSTALL) && !CfgInstallImportedFile(listed, user, flags, 16, ctx)) result = 0;
    if (flags & CFG_IMPORT_DELETE) CfgDeleteFile(user);
  }
  // 5.
  if ((flags & CFG_IMPORT_FIRST) && result) CfgWriteIniNumber(defaults, section, 1, u"DrvInstQualityDone");
  return result;
}

int InstInstallDefaultPresets(SETTING_CONTEXT* ctx, int ask) {
  return CfgMergeInstalledPresetsAsk(ctx, ask ? ConfirmDrop : nullptr);
}

int InstPackInstallRunning(SETTING_CONTEXT* ctx) {
  INST_WORK* w = InstWork(ctx);
  return w && w->packInstalling ? 1 : 0;
}

int InstRunPackInstall(SETTING_CONTEXT* ctx, int mode) {
  INST_WORK* w = InstWork(ctx);
  if (!w || !ctx->store) return 1;
  // 1.
  if (!DlgFeatureSwitch(1)) return 1;
  const WCHAR* iniPath = CfgGetIniPath(ctx);
  const WCHAR* sectionName = CfgGetPresetSection(ctx);
  if (!iniPath || !sectionName) return 1;
  std::u16string ini(kvp::WView(iniPath)), section(kvp::WView(sectionName));
  // 2.
  int done = CfgIniGetInt(section.c_str(), u"PackInstallDone", 0, ini.c_str());
  if (mode == 2 && done == 1) return 1;
  if (mode == 0 && (StgGetBiDirect(ctx) == 1 || done == 1)) mode = 1;
  // 3.
  if (CfgIniGetInt(section.c_str(), u"PresetRefresh", 0, ini.c_str()) != 0) return 1;
  // 4. - 5.
  const bool terminal = StgIsTerminalServerMode(ctx->printer) != 0;
  if (mode == 2) {
    if (terminal) return 1;
    DlgShowMessageBox(ctx, nullptr, kMsgPackInstall, MB_ICONINFORMATION, MB_OK);
  } else if (mode != 1) {
    if (terminal || mode != 0) return 1;
    w->packInstalling = 1;
    DlgShowMessageBox(ctx, nullptr, kMsgPackInstall, MB_ICONINFORMATION, MB_OK);
    int answer = DlgOpenSubDialog(ctx, 4, kPresetDialog, nullptr);
    w->packInstalling = 0;
    if (answer != IDOK) return 1;
    CfgSaveDeviceSettings(ctx->printer, ctx, 2, 0);
  }
  // 6.
  InstInstallDefaultPresets(ctx, 0);
  CfgIniWriteString(section.c_str(), u"PresetRefresh", u"1", ini.c_str());
  DWORD one = 1;
  CfgSetPrinterDataBinary(ctx->printer, &one, sizeof one, u"PresetRefresh");
  return 1;
}
