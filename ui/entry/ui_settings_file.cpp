// The interface library's builds of the settings-file operations. They are the common transfer and
// restore with this library's steps hooked in, so the two can never drift apart.
#include "ui_settings_file.h"

#include <cstring>

#include "config/paths.h"
#include "config/settings_file.h"
#include "settings/library_hooks.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "sheets/dlg_messages.h"
#include "ui_intake.h"
#include "ui_jobctl.h"

namespace {

constexpr DWORD kCallerReports = 0x8000;
constexpr DWORD kQualityFile = 0x10;
constexpr DWORD kRestoreTextFlags = 0x802;  // a write into "ZARNRsdSection"

// Job items after a whole load: the user code comes from job control, the user items go to it.
void RefreshJobItems(SETTING_CONTEXT* ctx) {
  UiJcOpen(ctx);
  UiJcReadItemsIfOn(ctx, UI_JC_MASK_USER_CODE);
  UiJcWriteItemsIfOn(ctx, UI_JC_MASK_USER_ITEMS);
  UiJcClose(ctx);
}

void MergeLoaded(SETTING_CONTEXT* ctx) { UiMergeCallerDevmode(ctx, nullptr, 0x10000008); }

constexpr CFG_READ_STEPS kLoadSteps{false, RefreshJobItems, MergeLoaded};

}  // namespace

int InstTransferSettingsSection(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  return CfgTransferSettingsFileWith(printer, path, flags, ctx, false);
}

int InstLoadSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  return CfgReadSettingsFileSteps(printer, path, flags, ctx, &kLoadSteps);
}

int InstCheckSettingsFileHeader(const WCHAR* path, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx,
                                const char* body, int tolerant, DWORD* migrateFrom) {
  int passed = CfgTestRstHeaderCommon(path, section, flags, ctx, body, tolerant, migrateFrom);
  if (!passed && !(flags & (kCallerReports | kQualityFile))) DlgWarnWithText(ctx, nullptr, UI_MSG_FILE_MISMATCH, path);
  return passed;
}

int InstCheckLockedSettings(const WCHAR* path, const WCHAR* section, SETTING_CONTEXT* ctx) {
  int passed = CfgCheckLockedSettingsCommon(path, section, ctx);
  if (!passed) DlgWarnWithText(ctx, nullptr, UI_MSG_FILE_LOCKED, path);
  return passed;
}

int InstWriteRestoreText(HANDLE printer, const WCHAR*, DWORD flags, SETTING_CONTEXT* ctx) {
  WCHAR path[CFG_MAX_PATH] = {};
  if (!CfgMakeDataFilePath(path, CFG_MAX_PATH, CFG_RESTORE_FILE_NAME, ctx) || !path[0]) return 0;
  return InstTransferSettingsSection(printer, path, flags | kRestoreTextFlags, ctx);
}

int InstSaveRestoreText(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  if ((flags & ~0x8002u) || !ctx || !ctx->work) return InstWriteRestoreText(printer, path, flags, ctx);
  // A full save is kept under the driver's name, as a full restore looks for it.
  WCHAR kept[sizeof(CONTEXT_WORK_AREA::printerName) / sizeof(WCHAR)];
  CfgGetPrinterName(ctx);
  std::memcpy(kept, ctx->work->printerName, sizeof(kept));
  const WCHAR* driver = CfgGetDriverName(ctx);
  if (driver && kvp::WLen(driver) < sizeof(kept) / sizeof(WCHAR))
    kvp::WCopy(ctx->work->printerName, sizeof(kept) / sizeof(WCHAR), driver);
  int result = InstWriteRestoreText(printer, path, flags, ctx);
  std::memcpy(ctx->work->printerName, kept, sizeof(kept));
  return result;
}

WCHAR* UiBracketsToCommas(WCHAR* section) {
  if (!section) return nullptr;
  for (WCHAR* p = section; *p; ++p)
    if (*p == u'[' || *p == u']') *p = u',';
  return section;
}
