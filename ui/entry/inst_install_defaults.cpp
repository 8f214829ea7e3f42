// Install defaults ("kvuserdef.ini" of the data folder), the model database ("kavdb.ini" of the system
// folder) and the set-up programs of the model INI's "Expand File" section.
#include "inst_defaults.h"

#include <string>

#include "config/ini.h"
#include "config/paths.h"
#include "config/presets.h"
#include "inst_work.h"
#include "kvplat/process.h"
#include "kvplat/sync.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "kvplat/time.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "sheets/dlg_language.h"
#include "ui_paths.h"
#include "ui_user_code.h"

namespace {

constexpr DWORD kPathChars = 260;
constexpr int kAbsent = 32767;
constexpr WORD kLetter = 1, kA4 = 9;
// Numbered model sections and set-up programs read at most; the files are anyone's to edit.
constexpr int kMaxModelSections = 64;
constexpr int kMaxPrograms = 64;
constexpr WCHAR kDefaultsFile[] = u"kvuserdef.ini";
constexpr WCHAR kDatabaseFile[] = u"kavdb.ini";

std::u16string Decimal(long n) {
  std::string d = std::to_string(n);
  return std::u16string(d.begin(), d.end());
}

// The locale rule on a country code's text: Letter and inches for a code starting with 1, 2 or 5.
bool LetterCountry(const WCHAR* code) { return code[0] == u'1' || code[0] == u'2' || code[0] == u'5'; }

struct LOCALE_DEFAULTS {
  WORD paper, unit, country;
};

LOCALE_DEFAULTS LocaleRule() {
  WCHAR code[7] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, code, 7);
  if (!LetterCountry(code)) return {kA4, 0, 0};
  long n = 0;
  for (const WCHAR* c = code; *c >= u'0' && *c <= u'9' && n < 0x10000; ++c) n = n * 10 + (*c - u'0');
  return {kLetter, 1, WORD(n < 0x10000 ? n : 0)};
}

bool DefaultsPath(WCHAR (&path)[kPathChars], SETTING_CONTEXT* ctx) {
  path[0] = 0;
  return CfgMakeDataFilePath(path, kPathChars, kDefaultsFile, ctx) && path[0];
}

void WriteNumber(const WCHAR* ini, const WCHAR* section, const WCHAR* key, DWORD value) {
  CfgWriteIniNumber(ini, section, value, key);
}

// ---- Model database.

struct DATABASE_PATHS {
  WCHAR database[kPathChars];
  const WCHAR* installer;
  const WCHAR* modelIni;
  const WCHAR* driver;
  const WCHAR* statusLib;
};

bool DatabasePaths(SETTING_CONTEXT* ctx, DATABASE_PATHS& p) {
  if (!ctx || !ctx->work || !ctx->model) return false;
  p.database[0] = 0;
  if (!CfgMakeSystemDirPath(p.database, kPathChars, kDatabaseFile) || !p.database[0]) return false;
  p.statusLib = ctx->model->statusLibName;
  p.modelIni = CfgGetModelIniPath(ctx);
  p.driver = CfgGetDriverName(ctx);
  // The installer INI path lives in a shared buffer of the work area: keep a copy.
  return p.modelIni && p.driver;
}

// The model name of section "Models<i>" (leading blanks skipped); false when the key is missing.
bool NumberedModelName(const DATABASE_PATHS& p, int i, WCHAR (&name)[33]) {
  std::u16string section = u"Models" + Decimal(i);
  WCHAR raw[33] = {};
  CfgIniGetString(section.c_str(), p.driver, u"", raw, 33, p.modelIni);
  const WCHAR* s = raw;
  while (*s == u' ') ++s;
  kvp::WCopy(name, 33, s);
  return raw[0] != 0;
}

const WCHAR* InstallerIni(SETTING_CONTEXT* ctx, WCHAR (&copy)[kPathChars]) {
  copy[0] = 0;
  if (const WCHAR* s = InstGetInstallerIniPath(ctx)) kvp::WCopy(copy, kPathChars, s);
  return copy;
}

void WriteIfSet(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* ini) {
  if (value && value[0]) CfgIniWriteString(section, key, value, ini);
}

int WriteModelDatabaseAll(SETTING_CONTEXT* ctx, const DATABASE_PATHS& p) {
  WCHAR installer[kPathChars];
  InstallerIni(ctx, installer);
  for (int i = 1; i <= kMaxModelSections; ++i) {
    WCHAR name[33];
    if (!NumberedModelName(p, i, name)) return i == 1 ? 0 : 1;
    if (!p.statusLib || !p.statusLib[0] || !name[0]) continue;
    WCHAR load[kPathChars] = {}, version[kPathChars] = {}, res[kPathChars] = {};
    CfgIniGetString(name, u"LoadDll32", u"", load, kPathChars, installer);
    CfgIniGetString(name, u"Version32", u"", version, kPathChars, installer);
    CfgIniGetString(name, u"ResDll", u"", res, kPathChars, p.modelIni);
    WriteIfSet(name, u"LoadDll", load, p.database);
    WriteIfSet(name, u"ResDll", res, p.database);
    WriteIfSet(name, u"Version", version, p.database);
  }
  return 1;
}

// 1 when the database's entry of the model name differs from the installed files.
bool EntryDiffers(const WCHAR* name, const WCHAR* installer, const DATABASE_PATHS& p) {
  WCHAR load32[kPathChars] = {}, version32[kPathChars] = {}, load[kPathChars] = {}, res[kPathChars] = {},
        version[kPathChars] = {};
  CfgIniGetString(name, u"LoadDll32", u"", load32, kPathChars, installer);
  CfgIniGetString(name, u"Version32", u"", version32, kPathChars, installer);
  CfgIniGetString(name, u"LoadDll", u"", load, kPathChars, p.database);
  CfgIniGetString(name, u"ResDll", u"", res, kPathChars, p.database);
  CfgIniGetString(name, u"Version", u"", version, kPathChars, p.database);
  return !kvp::WEqualI(kvp::WView(load32), kvp::WView(load)) ||
         !kvp::WEqualI(kvp::WView(p.statusLib), kvp::WView(res)) ||
         !kvp::WEqualI(kvp::WView(version32), kvp::WView(version));
}

// ---- Set-up programs.

// A program of "Expand File" must be a file of the driver folder itself: no folder part, no drive.
bool PlainFileName(const WCHAR* s) {
  if (!s[0]) return false;
  for (const WCHAR* c = s; *c; ++c)
    if (*c == u'\\' || *c == u'/' || *c == u':') return false;
  std::u16string_view v(s);
  return v != u"." && v != u"..";
}

void RunProgram(const WCHAR* driverDir, const WCHAR* name, const WCHAR* workDir) {
  std::u16string program = std::u16string(kvp::WView(driverDir)) + std::u16string(kvp::WView(name));
  if (program.size() >= kPathChars) return;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  WCHAR line[1] = {0};
  if (!CreateProcessW(program.c_str(), line, nullptr, nullptr, FALSE, 0, nullptr, workDir, &si, &pi)) return;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace

int InstComputeLocaleDefaults(void*, SETTING_CONTEXT* ctx) {
  INST_WORK* w = InstWork(ctx);
  if (!w) return 1;
  LOCALE_DEFAULTS d = LocaleRule();
  w->defaultPaper = d.paper;
  w->displayUnit = d.unit;
  w->countryNumber = d.country;
  WORD region = DlgUserLanguageIndex();
  w->displayLanguage = region == DLG_NO_REGION ? DlgHelpFileLanguageIndex(ctx) : region;
  return 1;
}

int InstReadInstallDefaults(const WCHAR* printerName, SETTING_CONTEXT* ctx) {
  INST_WORK* w = InstWork(ctx);
  WCHAR ini[kPathChars];
  if (!w || !printerName || !DefaultsPath(ini, ctx) || !CfgFileExists(ini)) return 0;
  if (CfgIniGetInt(printerName, u"ZarnInstDone", kAbsent, ini) != 0) return 0;
  if (CfgIniGetInt(printerName, u"DispLang", kAbsent, ini) == kAbsent) return 0;
  w->userCodeUse = BYTE(CfgIniGetInt(printerName, u"UserCode", 0, ini) != 0);
  w->userCodeFixed = BYTE(CfgIniGetInt(printerName, u"UserCodeFIX", 0, ini) != 0);
  CfgIniGetString(printerName, u"UserCodeString", u"", w->userCode, 9, ini);
  w->displayLanguage = WORD(CfgIniGetInt(printerName, u"DispLang", 0, ini));
  // The paper and unit an installer hands over are taken only as the values the driver writes itself.
  int paper = CfgIniGetInt(printerName, u"DefPaper", 0, ini);
  int unit = CfgIniGetInt(printerName, u"DefUnit", 0, ini);
  w->defaultPaper = paper == kLetter ? kLetter : kA4;
  w->displayUnit = unit == 1 ? 1 : 0;
  CfgIniWriteString(printerName, u"ZarnInstDone", u"1", ini);
  return 1;
}

void InstImportInstallDefaults(const WCHAR* printerName, SETTING_CONTEXT* ctx) {
  INST_WORK* w = InstWork(ctx);
  WCHAR ini[kPathChars];
  if (!w || !ctx->store || !printerName || !DefaultsPath(ini, ctx)) return;
  // 1.
  if (InstReadInstallDefaults(printerName, ctx)) {
    StgSetValue(ctx, sid::rdmLogCodeUse, w->userCodeUse);
    if (ITEM_DESC* row = StgFindItem(ctx, sid::rdmLogCode)) StgSetString(ctx, row, w->userCode);
    if (w->userCodeFixed) StgSetUserCodeFIXTo1(ctx);
    else StgSetUserCodeFIXTo0(ctx);
    w->countryNumber = LocaleRule().country;
  } else {
    InstComputeLocaleDefaults(nullptr, ctx);
    WriteNumber(ini, printerName, u"DispLang", w->displayLanguage);
    WriteNumber(ini, printerName, u"DefPaper", w->defaultPaper);
    WriteNumber(ini, printerName, u"DefUnit", w->displayUnit);
  }
  // 2. The help file's language wins; one of region 0 resets the defaults as well.
  WORD h = DlgHelpFileLanguageIndex(ctx);
  if (h != w->displayLanguage) {
    w->displayLanguage = h;
    WriteNumber(ini, printerName, u"DispLang", h);
    if (h == 0) {
      w->defaultPaper = kA4;
      w->displayUnit = 0;
      WriteNumber(ini, printerName, u"DefPaper", kA4);
      WriteNumber(ini, printerName, u"DefUnit", 0);
    }
  }
  // 3.
  StgSetValue(ctx, sid::rdmLanguageID, w->displayLanguage);
  StgSetValue(ctx, sid::rdmDspLanguageID, w->displayLanguage);
  StgSetValue(ctx, sid::rdmLocaleID, w->countryNumber);
  StgSetValue(ctx, sid::rdmDspUnit, w->displayUnit);
  StgSetOptionValue(ctx, sid::dmPaperSize, w->defaultPaper);
}

int InstWriteInstallDefaults(const WCHAR* printerName, SETTING_CONTEXT* ctx) {
  WCHAR ini[kPathChars];
  if (!InstWork(ctx) || !ctx->store || !printerName || !DefaultsPath(ini, ctx)) return 1;
  WriteNumber(ini, printerName, u"DispLang", DWORD(StgGetValue(ctx, sid::rdmLanguageID, nullptr)));
  // rdmLocaleID holds the whole country code (52, 55 ...): the locale rule's first-digit test decides.
  std::u16string country = Decimal(long(StgGetValue(ctx, sid::rdmLocaleID, nullptr) & 0xFFFF));
  WriteNumber(ini, printerName, u"DefPaper", LetterCountry(country.c_str()) ? kLetter : kA4);
  WriteNumber(ini, printerName, u"DefUnit", DWORD(StgGetValue(ctx, sid::rdmDspUnit, nullptr)));
  InstWriteUserCodeDefaults(printerName, 0, ctx);
  CfgIniWriteString(printerName, u"ZarnInstDone", u"0", ini);
  InstReadInstallDefaults(printerName, ctx);
  return 1;
}

int InstWriteModelDatabase(SETTING_CONTEXT* ctx) {
  DATABASE_PATHS p{};
  if (!DatabasePaths(ctx, p)) return 0;
  // 1.
  if (WriteModelDatabaseAll(ctx, p)) return 1;
  // 2.
  const WCHAR* model = CfgGetModelNameFromModelIni(ctx);
  if (!model) return 0;
  WCHAR name[33];
  kvp::WCopy(name, 33, model);
  if (p.statusLib && p.statusLib[0]) {
    WCHAR installer[kPathChars], load[kPathChars] = {}, version[kPathChars] = {};
    InstallerIni(ctx, installer);
    CfgIniGetString(name, u"LoadDll32", u"", load, kPathChars, installer);
    CfgIniGetString(name, u"Version32", u"", version, kPathChars, installer);
    WriteIfSet(name, u"LoadDll", load, p.database);
    CfgIniWriteString(name, u"ResDll", p.statusLib, p.database);
    WriteIfSet(name, u"Version", version, p.database);
  }
  return 1;
}

int InstCheckModelDatabase(SETTING_CONTEXT* ctx) {
  DATABASE_PATHS p{};
  if (!DatabasePaths(ctx, p)) return 0;
  WCHAR installer[kPathChars];
  InstallerIni(ctx, installer);
  // 1. One rewrite covers every model name, so the first difference ends the walk.
  WCHAR name[33];
  if (NumberedModelName(p, 1, name)) {
    for (int i = 1; i <= kMaxModelSections && NumberedModelName(p, i, name); ++i)
      if (EntryDiffers(name, installer, p)) {
        InstWriteModelDatabase(ctx);
        return 1;
      }
    return 1;
  }
  // 2.
  const WCHAR* model = CfgGetModelNameFromModelIni(ctx);
  if (!model) return 0;
  kvp::WCopy(name, 33, model);
  if (EntryDiffers(name, installer, p)) InstWriteModelDatabase(ctx);
  return 1;
}

void InstRunExpandPrograms(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return;
  const WCHAR* modelIni = CfgGetModelIniPath(ctx);
  if (!modelIni || !modelIni[0]) return;
  int systemCount = CfgIniGetInt(u"Expand File", u"SystemDirfiles", 0, modelIni);
  int driverCount = CfgIniGetInt(u"Expand File", u"DriverDirfiles", 0, modelIni);
  if (systemCount <= 0 && driverCount <= 0) return;
  WCHAR driverDir[kPathChars] = {}, systemDir[kPathChars] = {};
  if (const WCHAR* d = CfgGetDriverDir(ctx)) kvp::WCopy(driverDir, kPathChars, d);
  if (!driverDir[0] || !CfgGetSystemDir(systemDir, kPathChars, ctx)) return;
  struct {
    const WCHAR* key;
    int count;
    const WCHAR* workDir;
  } lists[] = {{u"SystemDir", systemCount, systemDir}, {u"DriverDir", driverCount, driverDir}};
  for (const auto& l : lists) {
    for (int n = 1; n <= l.count && n <= kMaxPrograms; ++n) {
      std::u16string key = std::u16string(l.key) + Decimal(n);
      WCHAR name[kPathChars + 1] = {};
      CfgIniGetString(u"Expand File", key.c_str(), u"", name, kPathChars + 1, modelIni);
      if (PlainFileName(name)) RunProgram(driverDir, name, l.workDir);
    }
  }
}
