// Least bodies of the workers and steps of the printer interface library that are built elsewhere.
// Each is weak: the real definition takes its place once linked in. A worker here refuses as the
// platform does for a request it does not serve (ERROR_NOT_SUPPORTED and the failure value of its
// contract) and touches nothing of the caller's; a step answers what lets the frame run.
#include "inst_batch.h"
#include "inst_default_presets.h"
#include "ui_device_query.h"
#include "ui_settings_file.h"
#include "inst_bundles.h"
#include "inst_defaults.h"
#include "inst_install_state.h"
#include "inst_lists.h"
#include "inst_model_files.h"
#include "inst_remote.h"
#include "kvplat/error.h"
#include "inst_data_folder.h"
#include "sheets/dlg_sheets.h"
#include "ui_printer_data.h"
#include "ui_remote.h"
#include "ui_paths.h"
#include "kvseam.h"
#include "sheets/dlg_language.h"
#include "sheets/dlg_values.h"
#include "ui_user_code.h"
#include "ui_workers.h"

namespace {
template <typename T>
T NotSupported(T value) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return value;
}
}  // namespace

// ---- Per-user installation state. Outside terminal-server mode the stamp writes nothing and holds.

KV_SEAM(InstEnsureInstalled) int InstEnsureInstalled(HANDLE, DWORD, const PRINTER_INFO_2W*) { return 1; }
KV_SEAM(InstCheckInstalled) int InstCheckInstalled(HANDLE) { return 1; }
KV_SEAM(InstStampInstall) BOOL InstStampInstall(HANDLE, WORD, int) { return TRUE; }
KV_SEAM(InstWritePrinterIniSection) BOOL InstWritePrinterIniSection(HANDLE, DWORD, int, SETTING_CONTEXT*) { return FALSE; }
KV_SEAM(InstCopyToUserIni) BOOL InstCopyToUserIni(HANDLE) { return TRUE; }
KV_SEAM(InstCheckUserIniVersion) BOOL InstCheckUserIniVersion(HANDLE, int) { return TRUE; }
KV_SEAM(InstCopyBatchInstallToUser) int InstCopyBatchInstallToUser(HANDLE, const PRINTER_INFO_2W*) { return 0; }

// ---- Batch installation: no batch file, nothing recorded.

KV_SEAM(InstIsBatchInstallDone) int InstIsBatchInstallDone(HANDLE) { return 0; }
KV_SEAM(InstBatchSectionPending) int InstBatchSectionPending(HANDLE) { return 0; }
KV_SEAM(InstPrinterHasBatchSection) int InstPrinterHasBatchSection(const WCHAR*) { return 0; }
KV_SEAM(InstContextHasBatchSection) int InstContextHasBatchSection(SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstModelIniHasBatchSection) int InstModelIniHasBatchSection(const WCHAR*, HANDLE) { return 0; }
KV_SEAM(InstApplyModelDataDirectory) int InstApplyModelDataDirectory(HANDLE, const WCHAR*, SETTING_CONTEXT*) { return 1; }
KV_SEAM(InstApplyBatchDataDirectory) int InstApplyBatchDataDirectory(HANDLE, const WCHAR*) { return 1; }
KV_SEAM(InstApplyBatchInstructions) int InstApplyBatchInstructions(SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstMarkBatchInstallDone) int InstMarkBatchInstallDone(const WCHAR*, const WCHAR*, DWORD) { return 0; }

// ---- Install defaults, model database, model files, INI keys and lists, bundles: nothing done.

KV_SEAM(InstRefreshPrinterLists) int InstRefreshPrinterLists(HANDLE, SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstWriteDriverIniKeys) int InstWriteDriverIniKeys(SETTING_CONTEXT*, int, const WCHAR*) { return 0; }
KV_SEAM(InstRepairListEntries) int InstRepairListEntries(SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstRunBatchInstall) int InstRunBatchInstall(WORD, SETTING_CONTEXT*, int) { return 0; }
KV_SEAM(InstApplyDefaultBundle) int InstApplyDefaultBundle(DWORD, int, SETTING_CONTEXT*) { return 0; }
KV_SEAM(UiLoadUserCodeIfEnabled) int UiLoadUserCodeIfEnabled(SETTING_CONTEXT*) { return 1; }

// ---- Remote configuration: nothing fetched.

KV_SEAM(InstFetchRemoteDevmode) BOOL InstFetchRemoteDevmode(SETTING_CONTEXT*, DEVMODEW*, BYTE*) { return FALSE; }
KV_SEAM(InstFetchRemoteConfig) BOOL InstFetchRemoteConfig(int, DWORD, SETTING_CONTEXT*) { return FALSE; }
KV_SEAM(InstClearRemoteSavedInfo) BOOL InstClearRemoteSavedInfo(SETTING_CONTEXT*) { return FALSE; }
KV_SEAM(InstCreateBidiIni) void InstCreateBidiIni(SETTING_CONTEXT*) {}

// ---- Client user code: the code the context holds counts as loaded.

KV_SEAM(UiLoadClientUserCode) int UiLoadClientUserCode(SETTING_CONTEXT*) { return 1; }
KV_SEAM(InstWriteUserCodeDefaults) int InstWriteUserCodeDefaults(const WCHAR*, int, SETTING_CONTEXT*) { return 1; }

// ---- Pack installation and the device settings file: nothing installed or written.


// ---- Steps of the DEVMODE intake.

KV_SEAM(UiApplyUserCodeSettings) int UiApplyUserCodeSettings(SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstSyncRemoteLists) int InstSyncRemoteLists(SETTING_CONTEXT*) { return 0; }
// The sheets: nothing is written (the silent road then answers -1).
KV_SEAM(DlgStoreDocumentDevmode) int DlgStoreDocumentDevmode(SETTING_CONTEXT*) { return NotSupported(0); }
