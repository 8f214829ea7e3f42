// UI language lookups.
#include "sheets/dlg_language.h"

#include "inst_registration.h"
#include "kvplat/sysinfo.h"
#include "settings/context.h"
#include "settings/regions.h"

namespace {

// The help file's name in the work area's text buffer; none when it cannot be had.
const WCHAR* HelpFileName(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  WCHAR* buf = ctx->work->textBuffer;
  buf[0] = 0;
  constexpr DWORD kChars = sizeof ctx->work->textBuffer / sizeof(WCHAR);
  if (!UiGetHelpFileName(ctx->printer, buf, kChars, ctx) || !buf[0]) return nullptr;
  return buf;
}

}  // namespace

WORD DlgHelpFileLanguageIndex(SETTING_CONTEXT* ctx) {
  const WCHAR* name = HelpFileName(ctx);
  return name ? (WORD)StgRegionIdOfFileName(name) : STG_REGION_DEFAULT;
}

const WCHAR* DlgHelpFileLanguageCode(SETTING_CONTEXT* ctx) {
  const WCHAR* name = HelpFileName(ctx);
  return name ? StgRegionCodeOfFileName(name) : u"us";
}

WORD DlgUserLanguageIndex() { return DlgLcidLanguageIndex(GetUserDefaultLCID()); }

WORD DlgLcidLanguageIndex(LCID lcid) {
  WORD lang = (WORD)(lcid & 0xFFFF);
  return DlgLanguageIndexOf((WORD)(lang & 0x3FF), (WORD)(lang >> 10));
}

WORD DlgLanguageIndexOf(WORD primaryLang, WORD subLang) {
  for (const REGION_ROW* r = StgGetRegionTable(); r->regionId != STG_REGION_END; ++r) {
    if (r->primaryLang != primaryLang) continue;
    if (subLang == 0 || (r->subLang != 0 && r->subLang == subLang)) return r->regionId;
  }
  return DLG_NO_REGION;
}

WORD DlgLanguageEntry(WORD regionId) { return StgGetRegionLangId((BYTE)regionId, nullptr); }
