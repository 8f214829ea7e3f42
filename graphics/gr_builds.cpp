// The graphics library's own builds of common-library operations. The graphics library prints what the
// settings say: it resets settings without the interface's lock exceptions, keeps custom paper sizes in
// the orientation of the page and never asks the device anything while a job starts.
#include "gr_builds.h"

#include <utility>

#include <cstdio>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/free_size.h"
#include "config/settings_file.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/paper_geometry.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

constexpr LIBRARY_HOOKS kGraphicsBuilds = [] {
  LIBRARY_HOOKS h{};
  h.StgResetAllItems = GrResetAllItems;
  h.ImgGetNodeType = GrGetNodeType;
  h.ImgGetCustomPaperSize = GrGetCustomPaperSize;
  h.StgMergeDevmode = GrMergeDevmode;
  h.RuleApplyUserMacro = GrApplyUserMacro;
  h.StgCreateStore = GrCreateStore;
  h.CfgLoadQualityEntry = GrLoadQualityEntry;
  h.CfgStoreFreeSizeSlot = GrStoreFreeSizeSlot;
  h.CfgStoreFreeSizeSlotSrc = GrStoreFreeSizeSlotSrc;
  h.StgResetChapterDefaultTrays = GrResetChapterDefaultTrays;
  h.CfgReloadDeviceSettings = GrReloadDeviceSettings;
  h.CfgReadSettingsFile = GrReadSettingsFile;
  h.StgMergePublicFields = GrMergePublicFields;
  h.StgApplyOutputPaper = GrApplyOutputPaper;
  return h;
}();

// The quality macro of the current settings and the quality entry that keeps them.
constexpr LONG kCurrentQualityMacro = 160;
constexpr int kCurrentQualityEntry = 128;

}  // namespace

const LIBRARY_HOOKS* GrGetLibraryHooks() { return &kGraphicsBuilds; }

int GrFillLibraryHooks() { return StgFillLibraryHooks(&kGraphicsBuilds); }

void GrResetAllItems(SETTING_CONTEXT* ctx) { StgResetItemsToDefaults(ctx, false); }

SETTING_STORE* GrCreateStore(SETTING_CONTEXT* ctx, WORD buildMode) { return StgCreateStoreWith(ctx, buildMode, false); }

int GrLoadQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* key) { return CfgLoadQualityEntryWith(ctx, key, false); }

void GrStoreFreeSizeSlot(SETTING_CONTEXT* ctx, int slot) { CfgStoreFreeSizeSlotWith(ctx, slot, false, true); }
void GrStoreFreeSizeSlotSrc(SETTING_CONTEXT* ctx, int slot) { CfgStoreFreeSizeSlotWith(ctx, slot, true, true); }

WORD GrGetNodeType(SETTING_CONTEXT* ctx, WORD id) { return WORD(ImgGetNodeTypeCommon(ctx, id) & 0xFF); }

int GrGetCustomPaperSize(SETTING_CONTEXT* ctx, LONG size[2], DWORD code, int oriented) {
  int done = ImgGetCustomPaperSizeCommon(ctx, size, code, oriented);
  // The stored size has just been read from its slot, so the slot's orientation is the current one.
  if (done && !oriented && StgGetValue(ctx, sid::wdmFreeSizeOrient, nullptr) == 2) std::swap(size[0], size[1]);
  return done;
}

int GrMergeDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* incoming, DWORD mode) {
  // The companion registrations are the interface's business: the store keeps its two bytes.
  BYTE jobBinder = StgGetJBInstalled(ctx), viewer = StgGetTVInstalled(ctx);
  int result = StgMergeDevmodeCommon(ctx, incoming, mode);
  if (ctx && ctx->store) {
    StgSetJBInstalled(ctx, jobBinder);
    StgSetTVInstalled(ctx, viewer);
  }
  return result;
}

void GrMergePublicFields(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx) {
  StgMergePublicFieldsWith(store, incoming, ctx, true);
}

void GrApplyOutputPaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm) {
  StgApplyOutputPaperWith(paper, settingId, ctx, dm, true);
}

LONG GrApplyUserMacro(SETTING_CONTEXT* ctx) {
  auto use = LONG(StgGetValue(ctx, sid::rdmUseUserMacro, nullptr));
  if (use != 1) return use;
  auto macro = LONG(StgGetValue(ctx, sid::rdmUserPrintMacro, nullptr));
  int entry;
  if (macro >= 32 && macro <= 39)
    entry = int(macro - 32);
  else if (macro == kCurrentQualityMacro)
    entry = kCurrentQualityEntry;
  else
    return macro;
  char ascii[24];
  std::snprintf(ascii, sizeof ascii, "QualityList%d", entry);
  WCHAR key[24] = {};
  for (size_t i = 0; ascii[i] && i + 1 < sizeof key / sizeof key[0]; ++i) key[i] = WCHAR(ascii[i]);
  RuleRestoreQualityEntry(ctx, key);
  return 0;  // the entry's name is the interface's business
}

void GrResetChapterDefaultTrays(SETTING_CONTEXT*) {}

int GrReloadDeviceSettings(SETTING_CONTEXT* ctx) {
  if (!ctx) return 1;
  CfgLoadDeviceSettings(ctx->printer, -1, ctx);
  // Parked bidirectional results are taken into this context only: moving them into printer data and
  // clearing the INI is the interface's business.
  if (StgGetValue(ctx, sid::rdmServerClientMode, nullptr) != 1 && BidiIniFlagSet(ctx)) BidiLoadIniSettings(ctx);
  return 1;
}

int GrReadSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  return CfgReadSettingsFileWith(printer, path, flags, ctx, false);
}

void GrSetBiDirectFromFlag(SETTING_CONTEXT* ctx) {
  if (!ctx) return;
  bool flag;
  if (StgGetValue(ctx, sid::rdmServerClientMode, nullptr) == 1 || !BidiIniHasFlag(ctx))
    flag = BidiGetPrinterFlag(ctx->printer, ctx);
  else
    flag = BidiIniFlagSet(ctx);
  StgSetValue(ctx, sid::rdmBiDirect, flag ? 1 : 0);
}
