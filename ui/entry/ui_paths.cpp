// Paths and names of the printer interface library.
#include "ui_paths.h"

#include "config/paths.h"
#include "config/printer_data.h"
#include "driverdata/img_image.h"
#include "inst_data_folder.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/platform_queries.h"
#include "settings/regions.h"
#include "sheets/dlg_language.h"

namespace {

constexpr DWORD kPath = 260;

bool HasDrive(const WCHAR* path) { return path && path[0] && path[1] == u':'; }

// dst := a followed by b; false (dst emptied) when it does not fit in cch characters.
bool Join(WCHAR* dst, DWORD cch, const WCHAR* a, const WCHAR* b) {
  size_t la = kvp::WLen(a), lb = kvp::WLen(b);
  if (la + lb + 1 > cch) {
    dst[0] = 0;
    return false;
  }
  for (size_t i = 0; i < la; ++i) dst[i] = a[i];
  for (size_t i = 0; i <= lb; ++i) dst[la + i] = b ? b[i] : 0;
  dst[la + lb] = 0;
  return true;
}

const MODEL_BLOCK* Model(SETTING_CONTEXT* ctx) { return ctx && ctx->model ? ctx->model : StgGetModelBlock(); }

}  // namespace

WCHAR* InstCopyPrinterNameFromInfo(void*, WCHAR* dst, DWORD cch, const PRINTER_INFO_2W* info) {
  if (!dst || !info || !info->pPrinterName) return dst;
  if (kvp::WLen(info->pPrinterName) < cch) kvp::WCopy(dst, cch, info->pPrinterName);
  return dst;
}

WCHAR* InstGetPrinterNameCopy(HANDLE printer, WCHAR* dst, DWORD cch) {
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
  InstCopyPrinterNameFromInfo(nullptr, dst, cch, info);
  StgFree(info);
  return dst;
}

WCHAR* InstGetDriverNameOfPrinter(HANDLE printer, WCHAR* dst, void*) {
  if (!dst) return dst;
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
  const WCHAR* name = info && info->pDriverName && info->pDriverName[0] ? info->pDriverName : nullptr;
  kvp::WCopy(dst, kPath, name ? name : Model(nullptr)->defaultDriverName);
  StgFree(info);
  return dst;
}

int InstGetDriverIniPathForPrinter(WCHAR* dst, void*, int perUser, HANDLE printer, const PRINTER_INFO_2W* info) {
  if (!dst) return 0;
  WCHAR folder[kPath] = {};
  DWORD n = perUser == 1 ? CfgGetUserDataDirForPrinter(folder, kPath, printer)
                         : DWORD(InstGetDataDirForPrinter(folder, kPath, printer, info));
  if (n == 0 || !folder[0]) return 0;
  WCHAR withSlash[kPath];
  if (!Join(withSlash, kPath, folder, u"\\")) return 0;
  return Join(dst, kPath, withSlash, Model(nullptr)->driverIniName) ? 1 : 0;
}

WCHAR* InstGetModelIniPathForPrinter(HANDLE printer, WCHAR* dst, void*) {
  if (!dst) return dst;
  const WCHAR* name = Model(nullptr)->modelIniName;
  if (HasDrive(name)) {
    kvp::WCopy(dst, kPath, name);
    return dst;
  }
  return InstMakeDriverFilePath(printer, dst, name);
}

WCHAR* InstMakeDriverFilePath(HANDLE printer, WCHAR* dst, const WCHAR* name) {
  if (!dst) return dst;
  WCHAR folder[kPath] = {};
  CfgGetDriverDirForPrinter(printer, folder);
  Join(dst, kPath, folder, name);
  return dst;
}

const WCHAR* InstGetInstallerIniPath(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  Join(ctx->work->path3, kPath, CfgGetDriverDir(ctx), Model(ctx)->installerIniName);
  return ctx->work->path3;
}

WCHAR* InstMakeDriverRelativePath(WCHAR* path, void*, SETTING_CONTEXT* ctx) {
  if (!path || HasDrive(path) || !ctx) return path;
  WCHAR joined[kPath] = {};
  CfgMakeDriverDirPath(joined, kPath, path, ctx->printer);
  if (joined[0]) kvp::WCopy(path, kPath, joined);
  return path;
}

BOOL InstExpandInstallPath(WCHAR* path, DWORD cch, SETTING_CONTEXT* ctx) { return CfgExpandPathMacros(path, cch, 0, ctx); }

const WCHAR* UiGetHelpFilePath(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  WCHAR help[kPath] = {};
  WCHAR* out = ctx->work->driverDir;
  // The help file name is read with room for a whole path, not 260 bytes.
  if (CfgGetHelpFileName(help, sizeof help, ctx) && help[0]) {
    WCHAR folder[kPath];
    kvp::WCopy(folder, kPath, CfgGetDriverDir(ctx));
    Join(out, kPath, folder, help);
    return out;
  }
  WCHAR res[kPath];
  kvp::WCopy(res, kPath, CfgGetResourceDllPath(ctx));
  size_t n = kvp::WLen(res);
  if (n >= 3) {
    res[n - 3] = u'h';
    res[n - 2] = u'l';
    res[n - 1] = u'p';
  }
  kvp::WCopy(out, kPath, res);
  return out;
}

const WCHAR* UiGetPictureDllPath(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  const WCHAR* name = ImgGetUIResDLLName(ctx);
  // Characters are counted back from the end of the name: a name shorter than that has no picture
  // library (the path's folder must not be rewritten instead).
  if (kvp::WLen(name) < 8) return nullptr;
  WCHAR folder[kPath];
  kvp::WCopy(folder, kPath, CfgGetDriverDir(ctx));
  WCHAR* out = ctx->work->driverDir;
  if (!Join(out, kPath, folder, name)) return nullptr;
  size_t n = kvp::WLen(out);
  out[n - 8] = u'C';
  out[n - 6] = u'X';
  out[n - 5] = u'X';
  return out;
}

const WCHAR* UiSetResourceLanguage(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  const WCHAR* code = (ctx->work->buildMode & 0xFF) == 1 ? DlgHelpFileLanguageCode(ctx) : StgGetHelpFileRegionCode(ctx);
  kvp::WCopy(ctx->work->path4, 3, code && code[0] ? code : u"us");
  return ctx->work->path4;
}
