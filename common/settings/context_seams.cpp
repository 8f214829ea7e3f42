// Least bodies of the calls the settings context, the store and the DEVMODE intake make into Parts
// that are built elsewhere. Each is weak: the real definition, once linked into the library, takes its
// place and the body here is then dead. A body here does only what the context paths need to run: a
// light answer ("no", "nothing loaded", "zero default"), never a parallel mechanism.
#include "settings/context_seams.h"

#include <cstring>

#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/store.h"

#define KV_SEAM __attribute__((weak))

// ---- Interface font.

KV_SEAM WCHAR* CfgGetUiFontName(SETTING_CONTEXT*, WCHAR* buffer) {
  if (buffer) kvp::WCopy(buffer, 32, u"Arial");
  return buffer;
}

// ---- Lock data, user code.

KV_SEAM int CfgLoadLockData(HANDLE, SETTING_CONTEXT*) { return 1; }
KV_SEAM int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT*) { return 1; }

// ---- Compiled image and rule engine.

// The image acquisition, the compiled defaults and the evaluator stack are built in driverdata
// (img_file.cpp, img_query.cpp, rule_eval.cpp).
KV_SEAM int RuleIsCustomSlotPaper(DWORD paper, SETTING_CONTEXT*) {
  return paper == 256 || paper == 448 || (paper >= 384 && paper <= 393);
}

// ---- Locks and charsets.

// ---- Custom paper slots.

KV_SEAM void CfgLoadAllFreeSizes(SETTING_CONTEXT*) {}
KV_SEAM int CfgFreeSizePaperToIndex(DWORD paper, SETTING_CONTEXT*) {
  if (paper >= 384 && paper <= 393) return (int)(paper - 384);
  return paper == 256 ? 10 : paper == 448 ? 11 : 0;
}
KV_SEAM void CfgLoadBuiltinFreeSize(SETTING_CONTEXT*, DWORD, int) {}
KV_SEAM void CfgSelectFreeSizeSlot(SETTING_CONTEXT*, int) {}

// ---- Driver INI.

KV_SEAM const WCHAR* CfgGetPresetSection(SETTING_CONTEXT* ctx) {
  return ctx && ctx->work ? ctx->work->printerName : nullptr;
}
