// Admission of installed settings files (per-driver switch, condition expressions tested against the
// model's condition rule, the tint-block rule) and the conversion of a settings file into the current
// layout.
#include <cstring>
#include <string>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "kvplat/codepage.h"
#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"

namespace {

constexpr DWORD kConditionChars = 260;  // a condition text as read, terminator included
constexpr DWORD kNameChars = 260;
constexpr DWORD kSectionBufferChars = 30720;
constexpr WCHAR kConditionSection[] = u"condition";
constexpr WCHAR kDisableSection[] = u"disable";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The text narrowed to the ANSI code page; empty when it cannot be converted.
std::string Narrow(const WCHAR* text) {
  int need = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return {};
  std::string out((size_t)need, '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), need, nullptr, nullptr);
  out.resize(std::strlen(out.c_str()));
  return out;
}

// One term's value: the option of that name reported excluded by the condition node, inverted by
// '!'; a name that is no option (or was cut) is 0 whatever the '!'.
int EvalTerm(SETTING_CONTEXT* ctx, IMG_REF node, const char* name, bool negate, bool cut) {
  if (cut) return 0;
  const ENUM_SYMBOL* e = StgFindEnumSymbolByName(name);
  if (!e) return 0;
  int excluded = RuleIsOptionExcluded(ctx, node, (WORD)e->value) ? 1 : 0;
  return negate ? !excluded : excluded;
}

// Evaluates one expression left to right with short cuts, starting from the answer carried in.
int EvalExpression(SETTING_CONTEXT* ctx, IMG_REF node, const char* text, int answer) {
  char connector = '&';
  const char* p = text;
  while (true) {
    char name[kNameChars];
    bool negate = false, andFollows = false, cut = false;
    DWORD used = CfgParseConditionTerm(p, name, kNameChars, &negate, &andFollows, &cut);
    if (!name[0]) return answer;
    p += used;
    // The operator after this term; none at the end of the text.
    char follows = andFollows ? '&' : (used && (p[-1] == '|') ? '|' : 0);
    if (answer == 1 && connector == '|') {
      connector = follows;
      continue;
    }
    answer = EvalTerm(ctx, node, name, negate, cut);
    connector = follows;
    if (answer == 0 && follows == '&') return 0;
  }
}

}  // namespace

DWORD CfgParseConditionTerm(const char* text, char* name, DWORD nameChars, bool* negate, bool* andFollows, bool* cut) {
  if (name && nameChars) name[0] = 0;
  if (negate) *negate = false;
  if (andFollows) *andFollows = false;
  if (cut) *cut = false;
  if (!text || !name || !nameChars) return 0;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  if (*p == '!') {
    if (negate) *negate = true;
    ++p;
  }
  DWORD n = 0;
  for (; *p && !IsBlank(*p) && *p != '|' && *p != '&'; ++p) {
    if (n + 1 < nameChars) name[n++] = *p;
    else if (cut) *cut = true;
  }
  name[n] = 0;
  while (IsBlank(*p)) ++p;
  if (*p == '|' || *p == '&') {
    if (*p == '&' && andFollows) *andFollows = true;
    ++p;
  }
  return (DWORD)(p - text);
}

int CfgIsFileEnabledForDriver(const WCHAR* file, SETTING_CONTEXT* ctx) {
  const WCHAR* driver = CfgGetDriverName(ctx);
  if (!file || !driver || !driver[0]) return 1;
  return CfgIniGetInt(kDisableSection, driver, 0, file) == 0 ? 1 : 0;
}

int CfgCheckFileConditions(const WCHAR* file, SETTING_CONTEXT* ctx) {
  if (!ctx || !file) return 1;
  const ITEM_SYMBOL* rule = StgTableFindSymbolByName(ctx->symbols, "QDV_ConditionOption");
  IMG_REF node = rule && rule->key && ctx->image ? ImgFindNodeByKey(ctx, rule->key) : 0;
  if (!node) return 1;
  int answer = 1;
  for (char g = '0'; g <= '9' && answer == 1; ++g) {
    for (char a = '0'; a <= '9'; ++a) {
      const char16_t key[] = {u'C', u'o', u'n', u'd', u'i', u't', u'i', u'o', u'n', u'O', u'p',
                              u't', u'i', u'o', u'n', (char16_t)g, u'_', (char16_t)a, 0};
      WCHAR text[kConditionChars] = {};
      CfgIniGetString(kConditionSection, key, u"", text, kConditionChars, file);
      if (!text[0]) break;
      answer = EvalExpression(ctx, node, Narrow(text).c_str(), answer);
      if (answer == 1) break;
    }
  }
  return answer;
}

int CfgCheckFileFeatureKey(const WCHAR* file, SETTING_CONTEXT* ctx) {
  if (!ctx || !StgGetValue(ctx, sid::rdmFunc2SelectTintBlockUI, nullptr)) return 1;
  if (!file) return 0;
  DWORD length = 0;
  const WCHAR* ext = CfgFindExtension(file, &length);
  if (!ext || length != 3) return 0;
  std::u16string_view e(ext, 3);
  std::u16string section;
  if (e == u"rsr") section = CfgGetPrinterFileSection(ctx);
  else if (e == u"rsd") section = kvp::WView(CfgGetRegionSection(ctx));
  else return 0;
  const WCHAR* key = StgGetItemName(ctx, sid::rdmFuncSelectWaterMark);
  if (section.empty() || !key) return 1;
  return CfgIniGetInt(section.c_str(), key, 0, file) == 0 ? 1 : 0;
}

int CfgIsSettingsFileAllowed(const WCHAR*, SETTING_CONTEXT*) { return 1; }

int CfgAddInstalledPresetEntry(const WCHAR* file, const WCHAR* name, const WCHAR* comment, DWORD flags,
                               SETTING_CONTEXT* ctx) {
  if (flags & 0x40) {
    if (!CfgIsFileEnabledForDriver(file, ctx) || !CfgCheckFileConditions(file, ctx) ||
        !CfgCheckFileFeatureKey(file, ctx))
      return 1;
  }
  CfgAppendPresetListEntry(ctx, file, name && name[0] ? name : u"NoName", comment ? comment : u"");
  return 1;
}

int CfgHasRstVersion(const WCHAR* file, SETTING_CONTEXT* ctx) {
  std::u16string section = CfgGetPrinterFileSection(ctx);
  if (!file || section.empty()) return 0;
  return CfgIniGetInt(section.c_str(), CFG_KEY_RST_VERSION, 65535, file) != 65535 ? 1 : 0;
}

void CfgConvertSettingsFile(const WCHAR* target, const WCHAR* source, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store || !target || !source || !CfgFileExists(source)) return;
  auto* buffer = static_cast<WCHAR*>(StgAllocZero(kSectionBufferChars * sizeof(WCHAR)));
  if (!buffer) return;
  // Without an undo snapshot the context could not be put back: nothing is converted then.
  if (!StgPushUndo(ctx)) {
    StgFree(buffer);
    return;
  }
  for (const WCHAR* section : {kConditionSection, kDisableSection}) {
    WritePrivateProfileStringW(section, nullptr, nullptr, target);
    buffer[0] = buffer[1] = 0;
    DWORD n = GetPrivateProfileSectionW(section, buffer, kSectionBufferChars, source);
    if (n && buffer[0]) WritePrivateProfileSectionW(section, buffer, target);
  }
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, target);
  CfgReadSettingsFile(ctx->printer, source, flags | CFG_TRANSFER_CONVERSION, ctx);
  CfgWriteSettingsFile(ctx->printer, target, flags, ctx);
  WCHAR readonly[CFG_MAX_PATH] = {};
  const WCHAR* region = CfgGetRegionSection(ctx);
  std::u16string printer = CfgGetPrinterFileSection(ctx);
  if (region && !printer.empty()) {
    CfgIniGetString(region, u"Readonly", u"", readonly, CFG_MAX_PATH, source);
    if (readonly[0]) CfgIniWriteString(printer.c_str(), u"Readonly", readonly, target);
  }
  StgPopUndo(ctx, 1);
  StgFree(buffer);
}
