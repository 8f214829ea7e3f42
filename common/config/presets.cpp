// Installed presets: merge into the preset list, the import steps, and the admission of a listed
// preset file by the preset control's alert.
#include "config/presets.h"

#include <string>
#include <vector>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

constexpr DWORD kPathChars = CFG_MAX_PATH;
constexpr int kAbsentCount = 0xFFFF;
constexpr int kMaxInstalled = 65534;

std::u16string Decimal(long long n) {
  std::string d = std::to_string(n);
  return std::u16string(d.begin(), d.end());
}

// "Deficonfiles<i>" of the section, expanded into a machine path; false when missing or unusable.
bool ReadInstalledPath(const WCHAR* defaultRst, const WCHAR* section, int i, SETTING_CONTEXT* ctx,
                       WCHAR (&out)[kPathChars]) {
  std::u16string key = u"Deficonfiles" + Decimal(i);
  out[0] = 0;
  CfgIniGetString(section, key.c_str(), u"", out, kPathChars, defaultRst);
  return out[0] && CfgExpandSettingsFilePath(out, kPathChars, ctx);
}

// The file name of an entry's listed path against the installed files' names (any case).
bool HasInstalledCounterpart(const CFG_PRESET_ENTRY& e, const std::vector<std::u16string>& installed) {
  std::u16string_view mine = kvp::WView(CfgFindFileName(e.rsdPath));
  for (const std::u16string& f : installed)
    if (kvp::WEqualI(kvp::WView(CfgFindFileName(f.c_str())), mine)) return true;
  return false;
}

// Reads the preset list into entries; false when it is longer than a merge takes.
bool ReadPresetList(SETTING_CONTEXT* ctx, std::vector<CFG_PRESET_ENTRY>& entries) {
  int count = CfgGetPresetCount(ctx);
  if (count > CFG_MERGE_MAX_ENTRIES) return false;
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPresetSection(ctx);
  entries.assign((size_t)count, CFG_PRESET_ENTRY{});
  for (int i = 0; i < count; ++i) {
    CFG_PRESET_ENTRY& e = entries[(size_t)i];
    WCHAR key[CFG_LIST_NAME_CHARS];
    if (ini && section) {
      CfgIniGetString(section, CfgFormatPresetKey(key, i, 0), u"", e.path, 260, ini);
      CfgIniGetString(section, CfgFormatPresetKey(key, i, 1), u"", e.name, 513, ini);
      CfgIniGetString(section, CfgFormatPresetKey(key, i, 2), u"", e.comment, 513, ini);
    }
    if (e.path[0]) CfgChangeExtToRsd(e.rsdPath, e.path, 260);
  }
  return true;
}

bool Admitted(const CFG_PRESET_ENTRY& e, const std::vector<std::u16string>& installed, SETTING_CONTEXT* ctx) {
  DWORD length = 0;
  const WCHAR* ext = CfgFindExtension(e.path, &length);
  if (!ext || length == 0) return true;
  if (length == 3 && std::u16string_view(ext, 3) == u"rsr") {
    if (!HasInstalledCounterpart(e, installed)) return true;
    return CfgCheckFileConditions(e.path, ctx) && CfgCheckFileFeatureKey(e.path, ctx);
  }
  return CfgCheckPresetFile(e.path, ctx) != 0;
}

// Puts the installed file into place from the driver folder: 1 copied or already the driver folder's
// copy (same last-write time), 0 when it could not be put there.
int PlaceInstalledFile(const WCHAR* installed, SETTING_CONTEXT* ctx) {
  if (CfgInstallDriverFile(installed, nullptr, 2, ctx)) return 1;
  WCHAR source[kPathChars] = {};
  const WCHAR* s = CfgMakeDriverFilePath(ctx, CfgFindFileName(installed));
  if (!s || !s[0]) return 0;
  kvp::WCopy(source, kPathChars, s);
  return CfgFileExists(source) && CfgFileExists(installed) && CfgCompareFileTimes(source, installed, 0) ? 1 : 0;
}

}  // namespace

int CfgInstallImportedFile(const WCHAR* installed, const WCHAR* user, DWORD flags, DWORD transferFlags,
                            SETTING_CONTEXT* ctx) {
  int placed = PlaceInstalledFile(installed, ctx);
  if (!placed && (flags & CFG_IMPORT_FIRST)) placed = PlaceInstalledFile(installed, ctx);
  if (!CfgFileExists(user)) {
    if (flags & CFG_IMPORT_FIRST) CfgInstallDriverFile(user, CfgFindFileName(installed), 1, ctx);
    if (!CfgHasRstVersion(user, ctx)) CfgConvertSettingsFile(user, installed, transferFlags, ctx);
  } else if (!(flags & CFG_IMPORT_KEEP_COPIES)) {
    CfgConvertSettingsFile(user, installed, transferFlags, ctx);
  }
  return placed;
}

int CfgReadPresetFileKey(const WCHAR* file, const WCHAR* section, const WCHAR* key, WCHAR* out) {
  if (!out) return 0;
  out[0] = 0;
  if (!file || !section || !key) return 0;
  CfgIniGetString(section, key, u"", out, 260, file);
  return out[0] ? 1 : 0;
}

int CfgReadPresetNameAndComment(const WCHAR* file, const WCHAR* section, WCHAR* name, WCHAR* comment) {
  CfgReadPresetFileKey(file, section, u"setname", name);
  return CfgReadPresetFileKey(file, section, u"setcomment", comment);
}

int CfgWriteIniNumber(const WCHAR* iniPath, const WCHAR* section, DWORD value, const WCHAR* key) {
  CfgIniWriteString(section, key, Decimal(value).c_str(), iniPath);
  return 1;
}

int CfgFindPresetEntryByFileName(const WCHAR* path, int entryCount, const CFG_PRESET_ENTRY* entries, int* index) {
  if (!path || !entries) return 0;
  std::u16string_view mine = kvp::WView(CfgFindFileName(path)).substr(0, 8);
  for (int i = 0; i < entryCount; ++i) {
    std::u16string_view theirs = kvp::WView(CfgFindFileName(entries[i].path)).substr(0, 8);
    if (kvp::WEqualI(mine, theirs)) {
      if (index) *index = i;
      return 1;
    }
  }
  return 0;
}

int CfgCheckPresetFile(const WCHAR* path, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  auto* aside = static_cast<SETTING_STORE*>(StgAllocZero(sizeof(SETTING_STORE)));
  if (!aside) return 0;
  *aside = *ctx->store;
  CfgReadSettingsFile(ctx->printer, path, CFG_TRANSFER_FULL | CFG_TRANSFER_PRESET, ctx);
  DWORD code = StgGetLastError(ctx);
  int admitted = 1;
  if (code != CFG_FILE_HEADER_MISMATCH && code != CFG_FILE_LOCKED) {
    const SETTING_CONTROL_ROW* bound = StgFindSettingControl(sid::rdmPresetNo);
    DIALOG_DESC* dialog = bound ? StgFindDialog(ctx, bound->dialogId) : nullptr;
    CONTROL_DESC* control = dialog ? StgFindControlById(ctx, dialog, bound->controlId) : nullptr;
    IMG_REF node = control && ctx->image ? ImgFindNodeByKey(ctx, control->key) : 0;
    if (node && RuleGetAlert(ctx, node)) admitted = 0;
  }
  *ctx->store = *aside;
  StgFree(aside);
  return admitted;
}

int CfgImportInstalledPresets(const WCHAR* defaultRst, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx,
                              int entryCount, const CFG_PRESET_ENTRY* entries) {
  if (!ctx || !ctx->work || !defaultRst || !section) return 0;
  if ((flags & CFG_IMPORT_ADD) && !(flags & CFG_IMPORT_MERGE) &&
      !((flags & CFG_IMPORT_FIRST) && (flags & CFG_IMPORT_ADMIT)))
    CfgClearPresetList(ctx);
  int listCount = CfgGetPresetCount(ctx);
  int n = CfgIniGetInt(section, u"NumDeficonfiles", kAbsentCount, defaultRst);
  if (n == kAbsentCount || n <= 0) return 1;
  if (n > kMaxInstalled) n = kMaxInstalled;
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!ini || !ini[0] || ini[1] != u':') return 0;
  const std::u16string printerSection = CfgGetPrinterFileSection(ctx);
  int result = 1;
  for (int i = 1; i <= n; ++i) {
    WCHAR installed[kPathChars], user[kPathChars] = {};
    if (!ReadInstalledPath(defaultRst, section, i, ctx, installed)) continue;
    if (!CfgMakeUserSettingsPath(user, CfgFindFileName(installed), kPathChars, ctx)) continue;
    if (flags & CFG_IMPORT_ADD) {
      WCHAR name[260] = {}, comment[260] = {};
      CfgReadPresetNameAndComment(installed, section, name, comment);
      bool stop = false;
      if (flags & CFG_IMPORT_ADMIT) {
        if (CfgIsFileEnabledForDriver(installed, ctx) && CfgCheckFileConditions(installed, ctx) &&
            CfgCheckFileFeatureKey(installed, ctx)) {
          if (flags & CFG_IMPORT_FIRST) {
            if (listCount + 1 > CFG_INSTALLED_PRESET_LIMIT) stop = true;
            else {
              CfgAddInstalledPresetEntry(user, name, comment, 0, ctx);
              ++listCount;
            }
          } else if (!CfgFindPresetEntryByFileName(user, entryCount, entries, nullptr) && i != 1 &&
                     (flags & CFG_IMPORT_MERGE)) {
            if (listCount + 1 > CFG_INSTALLED_PRESET_LIMIT) stop = true;
            else {
              CfgAddInstalledPresetEntry(user, name, comment, 0, ctx);
              if (printerSection.empty() ||
                  !CfgCheckRstHeader(user, printerSection.c_str(), CFG_TRANSFER_READ, ctx, nullptr, nullptr, 0))
                CfgConvertSettingsFile(user, installed, CFG_TRANSFER_PRESET, ctx);
              ++listCount;
            }
          }
        }
      } else if (CfgIsFileEnabledForDriver(installed, ctx)) {
        if (listCount + 1 > CFG_INSTALLED_PRESET_LIMIT) stop = true;
        else {
          CfgAddInstalledPresetEntry(user, name, comment, 0, ctx);
          ++listCount;
        }
      }
      if (stop) break;
      if (flags & CFG_IMPORT_CONVERT) CfgConvertSettingsFile(user, installed, CFG_TRANSFER_PRESET, ctx);
    }
    // A preset whose file could not be put into place fails the whole import, though the others are
    // still processed.
    if ((flags & CFG_IMPORT_INSTALL) && !CfgInstallImportedFile(installed, user, flags, CFG_TRANSFER_PRESET, ctx))
      result = 0;
    if (flags & CFG_IMPORT_DELETE) CfgDeleteFile(user);
  }
  if ((flags & CFG_IMPORT_FIRST) && result) CfgWriteIniNumber(defaultRst, section, 1, u"DrvInstPresetDone");
  return result;
}

namespace {

// Reads the preset list, drops the entries that are no longer admitted and writes the rest back, as
// one step for every process: an entry another process appends meanwhile would otherwise be cleared
// away. False when the list cannot be read, the installed files cannot be listed or the mutex cannot
// be had.
bool DropUnadmittedPresets(SETTING_CONTEXT* ctx, const WCHAR* defaultRst, const WCHAR* region,
                           std::vector<CFG_PRESET_ENTRY>& entries, bool write, bool* anyDropped) {
  struct Held {
    SETTING_CONTEXT* ctx;
    bool owned;
    ~Held() { StgUnlockSharedFiles(ctx); }
  } held{ctx, StgLockSharedFiles(ctx) != 0};
  if (!held.owned || !ReadPresetList(ctx, entries)) return false;
  int n = CfgIniGetInt(region, u"NumDeficonfiles", kAbsentCount, defaultRst);
  if (n == kAbsentCount || n < 0) return false;
  if (n > kMaxInstalled) n = kMaxInstalled;
  std::vector<std::u16string> installed;
  for (int i = 1; i <= n; ++i) {
    WCHAR path[kPathChars];
    if (!ReadInstalledPath(defaultRst, region, i, ctx, path)) return false;
    installed.emplace_back(kvp::WView(path));
  }
  bool dropped = false;
  for (CFG_PRESET_ENTRY& e : entries) {
    e.drop = Admitted(e, installed, ctx) ? 0 : 1;
    dropped = dropped || e.drop;
  }
  if (anyDropped) *anyDropped = dropped;
  // The list is rewritten only when an entry leaves it.
  if (dropped && write) {
    CfgClearPresetList(ctx);
    for (const CFG_PRESET_ENTRY& e : entries)
      if (!e.drop) CfgAppendPresetListEntry(ctx, e.path, e.name, e.comment);
  }
  return true;
}

}  // namespace

int CfgMergeInstalledPresets(SETTING_CONTEXT* ctx, void*) { return CfgMergeInstalledPresetsAsk(ctx, nullptr); }

int CfgMergeInstalledPresetsAsk(SETTING_CONTEXT* ctx, bool (*confirm)(SETTING_CONTEXT* ctx)) {
  if (!ctx || !ctx->work) return 0;
  std::vector<CFG_PRESET_ENTRY> entries;
  WCHAR defaultRst[kPathChars];
  if (!StgGetDefaultRstPath(defaultRst, ctx)) return 0;
  const WCHAR* region = CfgGetRegionSection(ctx);
  if (!region) return 0;
  // The question is asked without the shared files' mutex held: a first pass only looks.
  if (confirm) {
    bool dropped = false;
    if (!DropUnadmittedPresets(ctx, defaultRst, region, entries, false, &dropped)) return 0;
    if (dropped && !confirm(ctx)) return 0;
  }
  if (!DropUnadmittedPresets(ctx, defaultRst, region, entries, true, nullptr)) return 0;
  return CfgImportInstalledPresets(defaultRst, region, CFG_IMPORT_ADD | CFG_IMPORT_ADMIT | CFG_IMPORT_MERGE, ctx,
                                   (int)entries.size(), entries.data())
             ? 1
             : 0;
}
