// Folders, paths and file names.
#include "config/paths.h"

#include <cstring>
#include <string>
#include <string_view>

#include "config/ini.h"
#include "config/ini_text.h"
#include "config/printer_data.h"
#include "driverdata/img_image.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/handle.h"
#include "kvplat/module.h"
#include "kvplat/security.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "settings/platform_queries.h"
#include "settings/regions.h"

namespace {

using kvp::WLen;

constexpr std::u16string_view kDataFolder = u"_zarn";

// Appends text at dst[len]; false (dst untouched past len) when it does not fit with its terminator.
bool Append(WCHAR* dst, DWORD cch, size_t& len, std::u16string_view text) {
  if (len + text.size() + 1 > cch) return false;
  for (WCHAR c : text) dst[len++] = c;
  dst[len] = 0;
  return true;
}

// dst := parts joined; emptied (false) when the whole does not fit.
bool Compose(WCHAR* dst, DWORD cch, std::initializer_list<std::u16string_view> parts) {
  if (!dst || !cch) return false;
  size_t len = 0;
  dst[0] = 0;
  for (std::u16string_view p : parts)
    if (!Append(dst, cch, len, p)) {
      dst[0] = 0;
      return false;
    }
  return true;
}

std::u16string_view View(const WCHAR* s) { return kvp::WView(s); }

bool SecondIsColon(const WCHAR* s) { return s && s[0] && s[1] == u':'; }

bool StartsWithI(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && kvp::WEqualI(s.substr(0, prefix.size()), prefix);
}

// A folder got into buf (cch); 0 and an empty buf when it is empty or does not fit.
DWORD Finish(WCHAR* buf, DWORD cch, std::u16string_view folder) {
  if (folder.empty() || !Compose(buf, cch, {folder})) {
    if (buf && cch) buf[0] = 0;
    return 0;
  }
  return (DWORD)folder.size();
}

DWORD SystemDir(WCHAR* buf, DWORD cch) {
  if (!buf || !cch) return 0;
  UINT n = GetSystemDirectoryW(buf, cch);
  if (n == 0 || n >= cch) {
    buf[0] = 0;
    return 0;
  }
  return n;
}

// The common data folder, steps 1-3.
DWORD CommonDataDir(WCHAR* buf, DWORD cch, HANDLE printer, bool remote) {
  if (!buf || !cch) return 0;
  WCHAR tmp[CFG_MAX_PATH + 1] = {};
  if (remote && CfgGetPrinterDataDir(printer, u"_ZARNDirectoryClient", tmp, CFG_MAX_PATH) == 1 && tmp[0])
    return Finish(buf, cch, View(tmp));
  WCHAR reg[CFG_MAX_PATH + 1] = {};
  // The value is read as stored; only a terminated absolute folder is taken (a value of another type or
  // size would otherwise turn into a meaningless folder name).
  if (CfgReadDriverRegValue(u"_ZARNDirectory", reg, sizeof(WCHAR) * CFG_MAX_PATH)) {
    reg[CFG_MAX_PATH] = 0;
    if (reg[0] && CfgIsAbsolutePath(reg)) return Finish(buf, cch, View(reg));
  }
  WCHAR sys[CFG_MAX_PATH];
  if (SystemDir(sys, CFG_MAX_PATH) < 3) {
    buf[0] = 0;
    return 0;
  }
  if (!Compose(buf, cch, {std::u16string_view(sys, 3), kDataFolder})) return 0;
  return (DWORD)WLen(buf);
}

DWORD DataDir(WCHAR* buf, DWORD cch, HANDLE printer, bool remote) {
  if (StgIsNt5OrLater()) return CommonDataDir(buf, cch, printer, remote);
  return SystemDir(buf, cch);
}

// The per-user folder without the reuse of the INI path (steps 2-4).
DWORD UserDataDirCore(WCHAR* buf, DWORD cch, HANDLE printer) {
  if (!buf || !cch) return 0;
  WCHAR base[CFG_MAX_PATH] = {};
  if (StgIsVistaOrLater()) {
    if (!CfgGetLocalAppDataLowDir(base, CFG_MAX_PATH)) return Finish(buf, cch, {});
    if (!Compose(buf, cch, {View(base), u"\\", kDataFolder})) return 0;
    return (DWORD)WLen(buf);
  }
  if (!CfgGetUserProfileDirEx(base, CFG_MAX_PATH, printer, TRUE)) return Finish(buf, cch, {});
  if (StgIsNt5OrLater()) {
    if (!Compose(buf, cch, {View(base), u"\\", kDataFolder})) return 0;
    return (DWORD)WLen(buf);
  }
  WCHAR sys[CFG_MAX_PATH];
  if (!SystemDir(sys, CFG_MAX_PATH)) return Finish(buf, cch, {});
  if (!Compose(buf, cch, {View(sys), u"\\", u"kavro", u"\\", kDataFolder, u"\\", View(CfgFindFileName(base))}))
    return 0;
  return (DWORD)WLen(buf);
}

bool TerminalServerPerUser(SETTING_CONTEXT* ctx) {
  return StgIsTerminalServerCached(ctx->printer) && !(ctx->work->kind & STG_KIND_COMMON_INI);
}

// The text of an extension-replaced file name: the text after the last '.' of the file name becomes
// `ext` (the dot stays); a file name without '.' becomes `ext` as a whole.
bool ReplaceExtension(WCHAR* dst, DWORD cch, std::u16string_view folderPart, const WCHAR* source,
                      std::u16string_view ext) {
  DWORD extLen = 0;
  const WCHAR* name = CfgFindFileName(source);
  const WCHAR* e = CfgFindExtension(source, &extLen);
  std::u16string_view keep = e == name ? std::u16string_view() : std::u16string_view(name, (size_t)(e - name));
  return Compose(dst, cch, {folderPart, keep, ext});
}

bool Ready(SETTING_CONTEXT* ctx) { return ctx && ctx->work; }

}  // namespace

// ---- Folders.

DWORD CfgGetSystemDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT*) { return SystemDir(buf, cch); }

DWORD CfgGetCommonDataDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return Finish(buf, cch, {});
  return CommonDataDir(buf, cch, ctx->printer, StgIsRemotePrinter(ctx) != 0);
}
DWORD CfgGetCommonDataDirForPrinter(WCHAR* buf, DWORD cch, HANDLE printer) {
  return CommonDataDir(buf, cch, printer, printer && StgIsRemotePrinterHandle(printer));
}
DWORD CfgGetDataDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return Finish(buf, cch, {});
  return DataDir(buf, cch, ctx->printer, StgIsNt5OrLater() && StgIsRemotePrinter(ctx));
}
DWORD CfgGetDataDirForPrinter(WCHAR* buf, DWORD cch, HANDLE printer) {
  return DataDir(buf, cch, printer, StgIsNt5OrLater() && printer && StgIsRemotePrinterHandle(printer));
}

DWORD CfgGetUserDataDir(WCHAR* buf, DWORD cch, SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return Finish(buf, cch, {});
  const WCHAR* ini = ctx->work->iniPath;
  if (SecondIsColon(ini)) {
    std::u16string_view p = View(ini);
    size_t cut = p.rfind(u'\\');
    if (cut != std::u16string_view::npos) return Finish(buf, cch, p.substr(0, cut));
  }
  return UserDataDirCore(buf, cch, ctx->printer);
}
DWORD CfgGetUserDataDirForPrinter(WCHAR* buf, DWORD cch, HANDLE printer) { return UserDataDirCore(buf, cch, printer); }

BOOL CfgGetUserProfileDir(WCHAR* buf, DWORD cch, HANDLE printer) {
  return CfgGetUserProfileDirEx(buf, cch, printer, FALSE);
}

BOOL CfgGetUserProfileDirEx(WCHAR* buf, DWORD cch, HANDLE printer, BOOL noFallBack) {
  if (!buf || !cch) return FALSE;
  BOOL ok = FALSE;
  HMODULE lib = LoadLibraryW(u"UserEnv.dll");
  if (lib) {
    using ProfileFn = BOOL (*)(HANDLE, LPWSTR, LPDWORD);
    auto fn = reinterpret_cast<ProfileFn>(GetProcAddress(lib, "GetUserProfileDirectoryW"));
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
      token = nullptr;
      if (GetLastError() == ERROR_NO_TOKEN && !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        token = nullptr;
    }
    if (fn && token) {
      DWORD size = cch;
      ok = fn(token, buf, &size);
    }
    if (token) CloseHandle(token);
    FreeLibrary(lib);
  }
  if (!ok) {
    buf[0] = 0;
    if (noFallBack) return FALSE;
    CfgGetCommonDataDirForPrinter(buf, cch, printer);
    return TRUE;
  }
  return TRUE;
}

BOOL CfgGetLocalAppDataLowDir(WCHAR* buf, DWORD cch) {
  if (!buf || !cch) return FALSE;
  BOOL ok = FALSE;
  HMODULE shell = LoadLibraryW(u"shell32.dll");
  HMODULE ole = LoadLibraryW(u"ole32.dll");
  if (shell && ole) {
    using KnownFolderFn = HRESULT (*)(REFKNOWNFOLDERID, DWORD, HANDLE, LPWSTR*);
    using FreeFn = void (*)(LPVOID);
    auto known = reinterpret_cast<KnownFolderFn>(GetProcAddress(shell, "SHGetKnownFolderPath"));
    auto release = reinterpret_cast<FreeFn>(GetProcAddress(ole, "CoTaskMemFree"));
    if (known && release) {
      LPWSTR path = nullptr;
      if (known(FOLDERID_LocalAppDataLow, 0, nullptr, &path) == S_OK && path) {
        if (WLen(path) < cch) {
          kvp::WCopy(buf, cch, path);
          ok = TRUE;
        }
      }
      if (path) release(path);
    }
  }
  if (ole) FreeLibrary(ole);
  if (shell) FreeLibrary(shell);
  if (!ok) buf[0] = 0;
  return ok;
}

WCHAR* CfgGetDriverDirForPrinter(HANDLE printer, WCHAR* dst) {
  if (!dst) return dst;
  dst[0] = 0;
  if (auto* info = static_cast<DRIVER_INFO_3W*>(StgGetPrinterDriverInfo(printer, 3))) {
    std::u16string_view p = View(info->pDriverPath);
    size_t cut = p.rfind(u'\\');
    bool done = cut != std::u16string_view::npos && Compose(dst, CFG_MAX_PATH, {p.substr(0, cut + 1)});
    StgFree(info);
    if (done) return dst;
  }
  WCHAR sys[CFG_MAX_PATH];
  if (SystemDir(sys, CFG_MAX_PATH)) Compose(dst, CFG_MAX_PATH, {View(sys), u"\\spool\\drivers\\w32x86\\2\\"});
  return dst;
}

const WCHAR* CfgGetDriverDir(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  return CfgGetDriverDirForPrinter(ctx->printer, ctx->work->driverDir);
}

// ---- Path builders.

namespace {
WCHAR* Bounded(WCHAR* dst, DWORD cch, const WCHAR* name, DWORD folderLen) {
  if (folderLen == 0 || folderLen >= cch) {
    dst[0] = 0;
    return dst;
  }
  size_t len = folderLen;
  if (!Append(dst, cch, len, u"\\") || !Append(dst, cch, len, View(name))) dst[0] = 0;
  return dst;
}
}  // namespace

WCHAR* CfgMakeSystemDirPath(WCHAR* dst, DWORD cch, const WCHAR* name) {
  if (!dst || !name || !cch) return dst;
  return Bounded(dst, cch, name, SystemDir(dst, cch));
}

WCHAR* CfgMakeWindowsDirPath(WCHAR* dst, DWORD cch, const WCHAR* name) {
  if (!dst || !name || !cch) return dst;
  UINT n = GetWindowsDirectoryW(dst, cch);
  if (n >= cch) n = 0;
  return Bounded(dst, cch, name, n);
}

WCHAR* CfgMakeDataFilePath(WCHAR* dst, DWORD cch, const WCHAR* name, SETTING_CONTEXT* ctx) {
  if (!dst || !name || !cch) return dst;
  return Bounded(dst, cch, name, CfgGetDataDir(dst, cch, ctx));
}

WCHAR* CfgMakeDriverDirPath(WCHAR* dst, DWORD cch, const WCHAR* name, HANDLE printer) {
  if (!dst || !name || !cch) return dst;
  auto* info = static_cast<DRIVER_INFO_3W*>(StgGetPrinterDriverInfo(printer, 3));
  if (!info) return dst;
  std::u16string_view p = View(info->pDriverPath);
  size_t cut = p.rfind(u'\\');
  std::u16string_view folder = cut == std::u16string_view::npos ? std::u16string_view() : p.substr(0, cut + 1);
  WCHAR nameCopy[CFG_MAX_PATH];
  bool fits = kvp::WLen(name) < CFG_MAX_PATH;
  if (fits) kvp::WCopy(nameCopy, CFG_MAX_PATH, name);  // the name may lie in dst itself
  if (!fits || !Compose(dst, cch, {folder, View(nameCopy)})) dst[0] = 0;
  StgFree(info);
  return dst;
}

WCHAR* CfgClimbFromSystemDir(WCHAR* dst, DWORD cch, const WCHAR* path) {
  if (!dst || !path || !cch) return dst;
  std::u16string_view rest = View(path);
  int levels = 0;
  while (StartsWithI(rest, u"..\\")) {
    rest.remove_prefix(3);
    ++levels;
  }
  WCHAR restCopy[CFG_MAX_PATH];
  if (rest.size() >= CFG_MAX_PATH) {
    dst[0] = 0;
    return dst;
  }
  kvp::WCopy(restCopy, CFG_MAX_PATH, std::u16string(rest).c_str());
  WCHAR sys[CFG_MAX_PATH];
  DWORD n = SystemDir(sys, CFG_MAX_PATH);
  std::u16string_view s(sys, n);
  size_t cut = s.size();
  for (int i = 0; i < levels; ++i) {
    size_t b = cut == 0 ? std::u16string_view::npos : s.rfind(u'\\', cut - 1);
    if (b == std::u16string_view::npos) {
      dst[0] = 0;
      return dst;
    }
    cut = b;
  }
  if (!n) {
    dst[0] = 0;
    return dst;
  }
  Compose(dst, cch, {s.substr(0, cut), u"\\", View(restCopy)});
  return dst;
}

const WCHAR* CfgMakeDriverFilePath(SETTING_CONTEXT* ctx, const WCHAR* name) {
  if (!Ready(ctx)) return nullptr;
  WCHAR* buf = ctx->work->driverDir;
  CfgGetDriverDirForPrinter(ctx->printer, buf);
  size_t len = WLen(buf);
  if (!len || !Append(buf, CFG_MAX_PATH, len, View(name))) buf[0] = 0;
  return buf;
}

BOOL CfgMakeUserSettingsPath(WCHAR* dst, const WCHAR* source, DWORD cch, SETTING_CONTEXT* ctx) {
  if (!dst || !source || !cch || !Ready(ctx)) return FALSE;
  WCHAR folder[CFG_MAX_PATH];
  DWORD n = 0;
  if (TerminalServerPerUser(ctx)) n = CfgGetUserDataDir(folder, CFG_MAX_PATH, ctx);
  else n = CfgGetDataDir(folder, CFG_MAX_PATH, ctx);
  if (!n) return FALSE;
  std::u16string prefix = std::u16string(View(folder)) + u"\\";
  return ReplaceExtension(dst, cch, prefix, source, u"rsr");
}

BOOL CfgMakeCommonDataFilePath(WCHAR* dst, const WCHAR* source, DWORD cch, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!dst || !source || !cch || !Ready(ctx)) return FALSE;
  WCHAR folder[CFG_MAX_PATH];
  if (!CfgGetCommonDataDir(folder, CFG_MAX_PATH, ctx)) return FALSE;
  std::u16string prefix = std::u16string(View(folder)) + u"\\";
  if (flags & CFG_EXT_RSD) return ReplaceExtension(dst, cch, prefix, source, u"rsd");
  if (flags & CFG_EXT_RSQ) return ReplaceExtension(dst, cch, prefix, source, u"rsq");
  return Compose(dst, cch, {prefix, View(CfgFindFileName(source))});
}

BOOL CfgMakeRsqPath(WCHAR* dst, const WCHAR* source, DWORD cch, SETTING_CONTEXT* ctx) {
  return CfgMakeCommonDataFilePath(dst, source, cch, CFG_EXT_RSQ, ctx);
}

namespace {
BOOL PathWithExt(WCHAR* dst, const WCHAR* source, DWORD cch, std::u16string_view ext) {
  if (!dst || !source || !source[0] || !cch) return FALSE;
  std::u16string copy(View(source));
  const WCHAR* name = CfgFindFileName(copy.c_str());
  return ReplaceExtension(dst, cch, std::u16string_view(copy.c_str(), (size_t)(name - copy.c_str())), copy.c_str(),
                          ext);
}
}  // namespace

BOOL CfgChangeExtToRsd(WCHAR* dst, const WCHAR* source, DWORD cch) { return PathWithExt(dst, source, cch, u"rsd"); }
BOOL CfgMakeRsqFileName(WCHAR* dst, const WCHAR* source, DWORD cch) { return PathWithExt(dst, source, cch, u"rsq"); }
BOOL CfgMakeFileNameWithExt(WCHAR* dst, const WCHAR* source, const WCHAR* extension) {
  if (!extension) return FALSE;
  return PathWithExt(dst, source, CFG_MAX_PATH, View(extension));
}

// ---- Context names.

const WCHAR* CfgGetIniPath(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  WCHAR* out = ctx->work->iniPath;
  if (ctx->work->iniPathKept) return out;
  const WCHAR* name = ctx->model && ctx->model->driverIniName ? ctx->model->driverIniName : u"kvdrvset.ini";
  if (SecondIsColon(name)) {
    if (!Compose(out, CFG_MAX_PATH, {View(name)})) out[0] = 0;
    return out;
  }
  WCHAR folder[CFG_MAX_PATH] = {};
  DWORD n = 0;
  if (TerminalServerPerUser(ctx)) n = CfgGetUserDataDir(folder, CFG_MAX_PATH, ctx);
  if (!n) n = CfgGetDataDir(folder, CFG_MAX_PATH, ctx);
  if (!n) {
    out[0] = 0;
    return out;
  }
  Compose(out, CFG_MAX_PATH, {View(folder), u"\\", View(name)});
  return out;
}

BOOL CfgKeepIniPath(SETTING_CONTEXT* ctx, const WCHAR* path) {
  if (!Ready(ctx) || !path) return FALSE;
  size_t n = std::char_traits<char16_t>::length(path);
  if (n >= sizeof ctx->work->iniPath / sizeof(WCHAR)) return FALSE;
  std::memset(ctx->work->iniPath, 0, sizeof ctx->work->iniPath);
  std::memcpy(ctx->work->iniPath, path, n * sizeof(WCHAR));
  ctx->work->iniPathKept = 1;
  return TRUE;
}

BOOL CfgGetIniPathForPrinter(WCHAR* dst, DWORD cch, int perUser, HANDLE printer) {
  if (!dst || !cch) return FALSE;
  WCHAR folder[CFG_MAX_PATH];
  DWORD n = perUser == 1 ? CfgGetUserDataDirForPrinter(folder, CFG_MAX_PATH, printer)
                         : CfgGetDataDirForPrinter(folder, CFG_MAX_PATH, printer);
  if (!n) {
    dst[0] = 0;
    return FALSE;
  }
  SETTING_CONTEXT* t = StgGetTemplateContext();
  const WCHAR* name = t && t->model && t->model->driverIniName ? t->model->driverIniName : u"kvdrvset.ini";
  return Compose(dst, cch, {View(folder), u"\\", View(name)});
}

const WCHAR* CfgGetModelIniPath(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  WCHAR* out = ctx->work->modelIniPath;
  const WCHAR* name = ctx->model && ctx->model->modelIniName ? ctx->model->modelIniName : u"kvdrvmod.ini";
  if (SecondIsColon(name)) {
    if (!Compose(out, CFG_MAX_PATH, {View(name)})) out[0] = 0;
    return out;
  }
  WCHAR dir[CFG_MAX_PATH];
  CfgGetDriverDirForPrinter(ctx->printer, dir);
  if (!dir[0] || !Compose(out, CFG_MAX_PATH, {View(dir), View(name)})) out[0] = 0;
  return out;
}

const WCHAR* CfgGetResourceDllPath(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  WCHAR* buf = ctx->work->driverDir;
  CfgGetDriverDirForPrinter(ctx->printer, buf);
  size_t dirLen = WLen(buf);
  const WCHAR* name = ImgGetUIResDLLName(ctx);
  if (!dirLen || !name || !name[0]) return buf;
  size_t len = dirLen;
  if (!Append(buf, CFG_MAX_PATH, len, View(name))) {
    buf[0] = 0;
    return buf;
  }
  CfgSubstituteRegionLetters(buf, StgGetRegionCode(ctx));
  return buf;
}

BOOL CfgSubstituteRegionLetters(WCHAR* path, const WCHAR* code) {
  if (!path || !code || !code[0] || !code[1]) return FALSE;
  DWORD extLen = 0;
  const WCHAR* file = CfgFindFileName(path);
  const WCHAR* ext = CfgFindExtension(path, &extLen);
  if (ext == file || ext - 1 - file < 2) return FALSE;
  WCHAR* at = path + (ext - path) - 3;
  at[0] = code[0];
  at[1] = code[1];
  return TRUE;
}

BOOL CfgIsJapaneseResourceDll(SETTING_CONTEXT* ctx) {
  const WCHAR* p = CfgGetResourceDllPath(ctx);
  size_t n = WLen(p);
  if (n < 6) return FALSE;
  WCHAR a = p[n - 6], b = p[n - 5];
  return (a == u'J' || a == u'j') && (b == u'P' || b == u'p');
}

namespace {
void FillNames(SETTING_CONTEXT* ctx) {
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(ctx->printer, 2));
  if (!info) return;
  StgCachePrinterInfo(info, ctx);
  StgFree(info);
}
}  // namespace

const WCHAR* CfgGetPrinterName(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  if (!ctx->work->printerName[0]) FillNames(ctx);
  return ctx->work->printerName;
}

const WCHAR* CfgGetDriverName(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  if (!ctx->work->driverName[0]) FillNames(ctx);
  if (!ctx->work->driverName[0]) {
    const WCHAR* fallback = ctx->model && ctx->model->defaultDriverName ? ctx->model->defaultDriverName : u"US";
    kvp::WCopy(ctx->work->driverName, 32, fallback);
  }
  return ctx->work->driverName;
}

const WCHAR* CfgGetModelNameFromModelIni(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  WCHAR* out = ctx->work->modelName;
  out[0] = 0;
  const WCHAR* ini = CfgGetModelIniPath(ctx);
  const WCHAR* driver = CfgGetDriverName(ctx);
  if (ini && ini[0] && driver && driver[0]) CfgIniGetString(u"Models", driver, u"", out, 33, ini);
  return out[0] ? out : nullptr;
}

const WCHAR* CfgGetRegionCode(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  kvp::WCopy(ctx->work->regionCode, 32, StgGetRegionCode(ctx));
  return ctx->work->regionCode;
}
const WCHAR* CfgGetInstalledRegionCode(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return nullptr;
  kvp::WCopy(ctx->work->regionCode, 32, StgGetHelpFileRegionCode(ctx));
  return ctx->work->regionCode;
}
const WCHAR* CfgGetRegionSection(SETTING_CONTEXT* ctx) { return CfgGetRegionCode(ctx); }
const WCHAR* CfgGetRsdSection(SETTING_CONTEXT* ctx) { return CfgGetRegionCode(ctx); }
const WCHAR* CfgGetRegionSuffix(SETTING_CONTEXT* ctx) { return StgGetRegionCode(ctx); }

// ---- File names.

BOOL CfgIsAbsolutePath(const WCHAR* path) {
  if (!path) return FALSE;
  WCHAR c = path[0];
  bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  if (letter && path[1] == u':' && path[2] == u'\\') return TRUE;
  return path[0] == u'\\' && path[1] == u'\\';
}

const WCHAR* CfgFindFileName(const WCHAR* path) {
  if (!path) return nullptr;
  const WCHAR* name = path;
  for (const WCHAR* p = path; *p; ++p)
    if (*p == u'\\') name = p + 1;
  return name;
}

const WCHAR* CfgFindExtension(const WCHAR* path, DWORD* length) {
  if (length) *length = 0;
  const WCHAR* name = CfgFindFileName(path);
  if (!name) return nullptr;
  const WCHAR* dot = nullptr;
  for (const WCHAR* p = name; *p; ++p)
    if (*p == u'.') dot = p;
  if (!dot) return name;
  if (length) *length = (DWORD)WLen(dot + 1);
  return dot + 1;
}

const WCHAR* CfgFindBaseName(const WCHAR* path, DWORD* length) {
  if (length) *length = 0;
  const WCHAR* name = CfgFindFileName(path);
  if (!name) return nullptr;
  DWORD n = 0;
  while (name[n] && name[n] != u'.') ++n;
  if (length) *length = n;
  return name;
}

BOOL CfgHasShortExtension(const WCHAR* path) {
  DWORD base = 0, ext = 0;
  if (!CfgFindBaseName(path, &base) || base == 0) return FALSE;
  CfgFindExtension(path, &ext);
  return ext >= 1 && ext <= 3;
}

BOOL CfgExpandPathMacros(WCHAR* path, DWORD cch, int mode, SETTING_CONTEXT* ctx) {
  if (!path || !cch) return FALSE;
  if (SecondIsColon(path)) return TRUE;
  size_t len = WLen(path);
  if (len >= CFG_MAX_PATH) return FALSE;
  WCHAR whole[CFG_MAX_PATH];
  kvp::WCopy(whole, CFG_MAX_PATH, path);
  std::u16string_view p(whole, len);
  bool modern = mode == 1 && StgIsNt5OrLater();
  HANDLE printer = ctx ? ctx->printer : nullptr;
  // The builders write into the path itself; one that writes nothing leaves it empty, so a folder that
  // cannot be had never passes the unexpanded path on as a success.
  path[0] = 0;
  if (StartsWithI(p, u"%windir%")) {
    const WCHAR* rest = whole + 8;
    if (modern) CfgMakeDriverDirPath(path, cch, rest, printer);
    else CfgMakeWindowsDirPath(path, cch, rest);
  } else if (StartsWithI(p, u"%sysdir%")) {
    const WCHAR* rest = whole + 8;
    if (modern) CfgMakeDataFilePath(path, cch, rest, ctx);
    else CfgMakeSystemDirPath(path, cch, rest);
  } else if (StartsWithI(p, u"..\\")) {
    CfgClimbFromSystemDir(path, cch, whole);
  } else if (StartsWithI(p, u".\\")) {
    const WCHAR* rest = whole + 2;
    if (modern) CfgMakeDriverDirPath(path, cch, rest, printer);
    else CfgMakeSystemDirPath(path, cch, rest);
  } else {
    if (modern) CfgMakeDriverDirPath(path, cch, whole, printer);
    else CfgMakeSystemDirPath(path, cch, whole);
  }
  return path[0] ? TRUE : FALSE;
}

BOOL CfgExpandSettingsFilePath(WCHAR* path, DWORD cch, SETTING_CONTEXT* ctx) {
  return CfgExpandPathMacros(path, cch, 1, ctx) && CfgHasShortExtension(path);
}

// ---- Files.

BOOL CfgFileExists(const WCHAR* path) {
  if (!path || !path[0]) return FALSE;
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  CloseHandle(h);
  return TRUE;
}

BOOL CfgDeleteFile(const WCHAR* path) {
  if (!path || !SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL)) return FALSE;
  return DeleteFileW(path) ? TRUE : FALSE;
}

BOOL CfgCopyFile(const WCHAR* source, const WCHAR* target, BOOL failIfExists) {
  if (!source || !target) return FALSE;
  if (!CopyFileW(source, target, failIfExists)) return FALSE;
  BOOL a = SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
  BOOL b = SetFileAttributesW(target, FILE_ATTRIBUTE_ARCHIVE);
  return a && b;
}

namespace {
bool LastWrite(const WCHAR* path, uint64_t* out) {
  HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME t{};
  BOOL ok = GetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  *out = ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime;
  return ok != FALSE;
}
}  // namespace

BOOL CfgCompareFileTimes(const WCHAR* fileA, const WCHAR* fileB, int mode) {
  if (!fileA || !fileB) return FALSE;
  uint64_t a = 0, b = 0;
  if (!LastWrite(fileA, &a) || !LastWrite(fileB, &b)) return FALSE;
  if (mode == 0) return a == b;
  if (mode == 1) return b >= a;
  return FALSE;
}

LONG CfgReadFileBytes(HANDLE file, void* buffer, DWORD count) {
  DWORD done = 0;
  if (!ReadFile(file, buffer, count, &done, nullptr) || done != count) return -1;
  return (LONG)done;
}

LONG CfgWriteFileBytes(HANDLE file, const void* buffer, DWORD count) {
  DWORD done = 0;
  if (!WriteFile(file, buffer, count, &done, nullptr) || done != count) return -1;
  return (LONG)done;
}

namespace {
// Puts source into place as target (both full paths), by the mode and time mode.
BOOL PutIntoPlace(const WCHAR* source, const WCHAR* target, int mode, int timeMode) {
  if (kvp::WEqualI(View(source), View(target))) return TRUE;
  if (!CfgFileExists(source)) return FALSE;
  if (mode == 1) {
    if (CfgFileExists(target)) return TRUE;
    return CfgCopyFile(source, target, FALSE);
  }
  if (CfgCompareFileTimes(source, target, timeMode)) return FALSE;
  if (CfgFileExists(target)) CfgDeleteFile(target);
  return CfgCopyFile(source, target, FALSE);
}
}  // namespace

BOOL CfgCopyDriverFileToSystemDir(const WCHAR* name, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx) {
  if (!name || !Ready(ctx)) return FALSE;
  WCHAR source[CFG_MAX_PATH + 1], target[CFG_MAX_PATH];
  const WCHAR* s = CfgMakeDriverFilePath(ctx, sourceName ? sourceName : name);
  if (!s || !s[0]) return FALSE;
  kvp::WCopy(source, CFG_MAX_PATH + 1, s);
  if (!CfgMakeSystemDirPath(target, CFG_MAX_PATH, name)[0]) return FALSE;
  return PutIntoPlace(source, target, mode, 1);
}

BOOL CfgInstallDriverFileEx(const WCHAR* target, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx,
                            int timeMode) {
  if (!target || !Ready(ctx)) return FALSE;
  if (!SecondIsColon(target)) return CfgCopyDriverFileToSystemDir(target, sourceName, mode, ctx);
  WCHAR source[CFG_MAX_PATH + 1];
  const WCHAR* s = CfgMakeDriverFilePath(ctx, sourceName ? sourceName : CfgFindFileName(target));
  if (!s || !s[0]) return FALSE;
  kvp::WCopy(source, CFG_MAX_PATH + 1, s);
  return PutIntoPlace(source, target, mode, timeMode);
}

BOOL CfgInstallDriverFile(const WCHAR* target, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx) {
  return CfgInstallDriverFileEx(target, sourceName, mode, ctx, 0);
}
