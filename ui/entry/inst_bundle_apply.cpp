// Bundles applied at set-up: the tests and readers of the bundle and default-settings file names, and
// the device part written into the model's default settings file.
#include "inst_bundles.h"

#include <string_view>

#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "ui_paths.h"
#include "ui_settings_file.h"

namespace {
constexpr DWORD kPathChars = 260;
}  // namespace

int InstIsSettingsFilePath(const WCHAR* path) {
  if (!path || !path[0]) return 0;
  DWORD base = 0;
  CfgFindBaseName(path, &base);
  return base > 0 && CfgHasShortExtension(path) && CfgFileExists(path) ? 1 : 0;
}

int InstIsBundleFile(const WCHAR* path) {
  if (!path) return 0;
  DWORD length = 0;
  const WCHAR* ext = CfgFindExtension(path, &length);
  if (!ext || length != 3 || !kvp::WEqualI(std::u16string_view(ext, 3), u"rsb")) return 0;
  return CfgFileExists(path) ? 1 : 0;
}

int InstGetModelDefaultRst(WCHAR* dst, SETTING_CONTEXT* ctx) {
  if (!dst) return 0;
  dst[0] = 0;
  const WCHAR* modelIni = CfgGetModelIniPath(ctx);
  const WCHAR* section = CfgGetRsdSection(ctx);
  if (!modelIni || modelIni[0] == 0 || modelIni[1] != u':' || !section) return 0;
  CfgIniGetString(section, u"DefaultRst", u"", dst, kPathChars, modelIni);
  return dst[0] ? 1 : 0;
}

int InstIsSafeDriverRelativeName(const WCHAR* name) {
  if (!name) return 0;
  if (CfgIsAbsolutePath(name) || (name[0] && name[1] == u':')) return 1;
  std::u16string_view v(name);
  size_t start = 0;
  for (;;) {
    size_t end = v.find_first_of(u"\\/", start);
    std::u16string_view part = v.substr(start, end == v.npos ? v.npos : end - start);
    if (part == u"..") return 0;
    if (end == v.npos) return 1;
    start = end + 1;
  }
}

int InstResolveDriverRelativePath(WCHAR* path, SETTING_CONTEXT* ctx) {
  if (!path || !path[0] || !InstIsSafeDriverRelativeName(path)) return 0;
  InstMakeDriverRelativePath(path, nullptr, ctx);
  return path[1] == u':' || CfgIsAbsolutePath(path) ? 1 : 0;
}

bool InstSaveDefaultRstDevice(SETTING_CONTEXT* ctx) {
  WCHAR path[kPathChars + 1] = {};
  if (!InstGetModelDefaultRst(path, ctx)) return true;
  if (!InstResolveDriverRelativePath(path, ctx)) return true;
  const WCHAR* section = CfgGetRsdSection(ctx);
  if (!section) return true;
  WCHAR keys[kPathChars + 1] = {};
  CfgWriteRstHeader(path, nullptr, ctx, section, 0);
  CfgTransferDeviceRange(path, 10, ctx, section, keys, 10001, 10434);
  CfgTransferDeviceRange(path, 10, ctx, section, keys, 1453, 1543);
  return true;
}
