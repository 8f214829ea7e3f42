// The user code store: the install-defaults entries of "kvuserdef.ini" and the code a printer's server
// keeps for its clients. The user-code provider library is switched off in this build.
#include "ui_user_code.h"

#include "config/ini.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "config/user_code.h"
#include "kvplat/codepage.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "ui_access.h"
#include "ui_workers.h"

namespace {

constexpr DWORD kPathChars = 260;
constexpr DWORD kServerCodeBytes = 9;

}  // namespace

int InstWriteUserCodeDefaults(const WCHAR*, int mode, SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  WCHAR ini[kPathChars] = {};
  if (!CfgMakeDataFilePath(ini, kPathChars, u"kvuserdef.ini", ctx) || !ini[0]) return 0;
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (!section || !section[0]) return 0;
  if (mode == 0 || mode == 2) {
    CfgIniWriteString(section, u"UserCode", u"0", ini);
    CfgIniWriteString(section, u"UserCodeFIX", u"0", ini);
    if (mode == 2) return 1;
    CfgIniWriteString(section, u"UserCodeString", u"", ini);
  }
  ITEM_DESC* row = StgFindItem(ctx, sid::rdmLogCode);
  if (!row || !(StgGetValue(ctx, sid::rdmLogCodeUse, nullptr) & 0xFF)) return 0;
  WCHAR code[64] = {};
  if (StgTypeLength(row->type) >= 64) return 0;
  StgGetString(ctx, row, code);
  if (!code[0]) return 0;
  CfgIniWriteString(section, u"UserCode", u"1", ini);
  CfgIniWriteString(section, u"UserCodeFIX", u"1", ini);
  CfgIniWriteString(section, u"UserCodeString", code, ini);
  if (mode == 1) CfgIniWriteString(u"KAVRO UserCode", u"MRUUserCode", code, ini);
  return 1;
}

int UiLoadClientUserCode(SETTING_CONTEXT* ctx) {
  if (!ctx || StgIsRemotePrinter(ctx)) return 0;
  BYTE serverUse = 0;
  if (!CfgGetPrinterDataValue(ctx->printer, &serverUse, 1, u"ServerUse") || !serverUse) return CfgLoadUserCode(ctx);
  BYTE use = 0;
  if (!CfgGetPrinterDataValue(ctx->printer, &use, 1, u"UserCodeUse")) use = 0;
  StgSetValue(ctx, sid::rdmLogCodeUse, use);
  // The server writes up to 9 bytes without a terminator: read into one byte more and terminate.
  char code[kServerCodeBytes + 1] = {};
  if (!CfgGetPrinterDataValue(ctx->printer, code, kServerCodeBytes, u"UserCode")) code[0] = 0;
  code[kServerCodeBytes] = 0;
  WCHAR wide[kServerCodeBytes + 1] = {};
  if (code[0] && MultiByteToWideChar(CP_ACP, 0, code, -1, wide, kServerCodeBytes + 1) <= 0) wide[0] = 0;
  if (ITEM_DESC* row = StgFindItem(ctx, sid::rdmLogCode)) StgSetString(ctx, row, wide);
  return 1;
}

// The provider library is switched off: these answer at once and change nothing.
int UiLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx) {
  if (UiSwitchOff()) CfgLoadUserCodeIfEnabled(ctx);
  return 1;
}

int UiApplyUserCodeSettings(SETTING_CONTEXT*) { return UiSwitchOff(); }

int UiSaveUserCodeProvider(SETTING_CONTEXT*) { return UiSwitchOff(); }
