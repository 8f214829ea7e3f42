// Regions and the country class.
#include "settings/regions.h"

#include "config/printer_data.h"
#include "config/paths.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"

namespace {

constexpr REGION_ROW kRegions[] = {
    {0, 0x11, 0, u"jp"},  {1, 0x09, 0, u"us"},  {2, 0x05, 0, u"cz"},  {3, 0x06, 0, u"dn"},
    {4, 0x07, 0, u"gm"},  {5, 0x0A, 0, u"sp"},  {6, 0x0C, 0, u"fr"},  {7, 0x10, 0, u"it"},
    {8, 0x0E, 0, u"hn"},  {9, 0x13, 0, u"dt"},  {10, 0x14, 0, u"nw"}, {11, 0x15, 0, u"pl"},
    {12, 0x16, 0, u"pr"}, {13, 0x0B, 0, u"fn"}, {14, 0x1D, 0, u"sw"}, {16, 0x04, 2, u"cs"},
    {17, 0x04, 1, u"ct"}, {18, 0x12, 0, u"kr"}, {15, 0x19, 0, u"ru"}, {STG_REGION_END, 0, 0, nullptr},
};
static_assert(sizeof(kRegions) / sizeof(kRegions[0]) == 20, "19 regions and the end row");

const REGION_ROW* RowOfCode(const WCHAR* code) {
  if (!code) return nullptr;
  for (const REGION_ROW* r = kRegions; r->regionId != STG_REGION_END; ++r)
    if (kvp::WEqualI(kvp::WView(r->code), kvp::WView(code))) return r;
  return nullptr;
}
const REGION_ROW* RowOfId(int id) {
  for (const REGION_ROW* r = kRegions; r->regionId != STG_REGION_END; ++r)
    if (r->regionId == id) return r;
  return nullptr;
}

// The two characters just before the extension of the file name, or none when there are not two.
bool RegionLetters(const WCHAR* fileName, WCHAR out[3]) {
  if (!fileName) return false;
  DWORD extLen = 0;
  const WCHAR* name = CfgFindFileName(fileName);
  const WCHAR* ext = CfgFindExtension(fileName, &extLen);
  if (!ext || ext == name) return false;  // no '.' in the file name
  const WCHAR* dot = ext - 1;
  if (dot - name < 2) return false;
  out[0] = dot[-2];
  out[1] = dot[-1];
  out[2] = 0;
  return true;
}

}  // namespace

const REGION_ROW* StgGetRegionTable() { return kRegions; }

int StgRegionIdOfCode(const WCHAR* code) {
  const REGION_ROW* r = RowOfCode(code);
  return r ? r->regionId : STG_REGION_DEFAULT;
}
const WCHAR* StgRegionCodeOfId(int regionId) {
  const REGION_ROW* r = RowOfId(regionId);
  return r ? r->code : u"us";
}
const WCHAR* StgNormalizeRegionCode(const WCHAR* code) {
  const REGION_ROW* r = RowOfCode(code);
  return r ? r->code : u"us";
}
BYTE StgGetRegionLangId(BYTE regionId, WORD* subLang) {
  if (subLang) *subLang = 0;
  const REGION_ROW* r = RowOfId(regionId);
  if (!r) return 0;
  if (subLang && r->subLang) *subLang = r->subLang;
  return (BYTE)(r->primaryLang & 0xFF);
}
int StgIsKnownRegion(int regionId) { return RowOfId(regionId) ? 1 : 0; }

const WCHAR* StgGetRegionCode(SETTING_CONTEXT* ctx) {
  return StgRegionCodeOfId((int)StgGetValue(ctx, sid::rdmLanguageID, nullptr));
}

int StgRegionIdOfFileName(const WCHAR* fileName) {
  WCHAR letters[3];
  return RegionLetters(fileName, letters) ? StgRegionIdOfCode(letters) : STG_REGION_DEFAULT;
}
const WCHAR* StgRegionCodeOfFileName(const WCHAR* fileName) {
  WCHAR letters[3];
  return RegionLetters(fileName, letters) ? StgNormalizeRegionCode(letters) : u"us";
}

namespace {
const WCHAR* HelpFileName(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  WCHAR* buf = ctx->work->textBuffer;
  buf[0] = 0;
  if (!CfgGetHelpFileName(buf, 1025, ctx)) {
    buf[0] = 0;
    return nullptr;
  }
  buf[1024] = 0;
  return buf[0] ? buf : nullptr;
}
}  // namespace

int StgGetHelpFileRegionId(SETTING_CONTEXT* ctx) { return StgRegionIdOfFileName(HelpFileName(ctx)); }
const WCHAR* StgGetHelpFileRegionCode(SETTING_CONTEXT* ctx) { return StgRegionCodeOfFileName(HelpFileName(ctx)); }

WORD CfgGetCountryClass(SETTING_CONTEXT*) {
  WCHAR country[7] = {};
  if (GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_ICOUNTRY, country, 7) <= 0) return 0;
  switch (country[0]) {
    case u'1': return 1;
    case u'2': return 2;
    case u'5': return 5;
    default: return 0;
  }
}

void CfgApplyCountryClass(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return;
  WORD cls = CfgGetCountryClass(ctx);
  WORD* words = ctx->work->countryClass;  // default paper code, inch flag, country class
  if (cls == 1 || cls == 2 || cls == 5) {
    words[0] = 1;
    words[1] = 1;
    words[2] = cls;
  } else {
    words[0] = 9;
    words[1] = 0;
    words[2] = 0;
  }
  StgSetValue(ctx, sid::rdmLocaleID, words[2]);
}
