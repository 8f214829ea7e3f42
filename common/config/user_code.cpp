// The user code of the install-defaults INI, loaded into a context during the settings merge.
#include "config/user_code.h"

#include "config/ini.h"
#include "config/paths.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"

namespace {

constexpr DWORD kTextChars = 260;
constexpr const WCHAR* kMruSection = u"KAVRO UserCode";

void SetText(SETTING_CONTEXT* ctx, WORD id, const WCHAR* text) {
  if (ITEM_DESC* row = StgFindItem(ctx, id)) StgSetString(ctx, row, text);
}

}  // namespace

int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx) {
  if (!StgIsServerLogCheckOn()) return 1;
  return CfgLoadUserCodeChecked(ctx);
}

int CfgLoadUserCodeChecked(SETTING_CONTEXT* ctx) {
  if (StgIsRemotePrinter(ctx) && StgGetValue(ctx, sid::rdmServerLogCode, nullptr) != 0) return 1;
  return CfgLoadUserCode(ctx);
}

int CfgLoadUserCode(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  auto* texts = static_cast<WCHAR*>(StgAllocZero(3 * kTextChars * sizeof(WCHAR)));
  if (!texts) return 0;
  WCHAR* path = texts;
  WCHAR* entry = texts + kTextChars;
  WCHAR* code = texts + 2 * kTextChars;
  CfgMakeDataFilePath(path, kTextChars, u"kvuserdef.ini", ctx);
  const WCHAR* printer = CfgGetPrinterName(ctx);
  if (!printer) printer = u"";
  int use = 0;
  if (path[0] && CfgFileExists(path)) {
    CfgIniGetString(printer, u"UserCode", u"", entry, kTextChars, path);
    if (entry[0]) {
      use = CfgIniGetInt(printer, u"UserCode", 0, path);
      CfgIniGetString(printer, u"UserCodeString", u"", code, kTextChars, path);
    } else {
      // No entry yet: it starts unused with the most recently used code.
      CfgIniGetString(kMruSection, u"MRUUserCode", u"", code, kTextChars, path);
      CfgIniWriteString(printer, u"UserCode", u"0", path);
      CfgIniWriteString(printer, u"UserCodeString", code, path);
    }
  } else if (path[0]) {
    CfgIniWriteString(printer, u"UserCode", u"0", path);
    CfgIniWriteString(printer, u"UserCodeString", u"", path);
    CfgIniWriteString(kMruSection, u"MRUUserCode", u"", path);
  }
  int fixed = path[0] ? CfgIniGetInt(printer, u"UserCodeFIX", 0, path) : 0;
  StgSetValue(ctx, sid::rdmLogCodeUse, DWORD(use));
  SetText(ctx, sid::rdmLogCode, code);
  SetText(ctx, sid::rdmDllLogCode, code);
  StgSetValue(ctx, sid::rdmUserCodeFIX, DWORD(fixed));
  StgFree(texts);
  return 1;
}
