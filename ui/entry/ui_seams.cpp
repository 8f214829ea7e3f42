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

KV_SEAM(InstRunBatchInstall) int InstRunBatchInstall(WORD, SETTING_CONTEXT*, int) { return 0; }
KV_SEAM(InstApplyDefaultBundle) int InstApplyDefaultBundle(DWORD, int, SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstLoadBundleSettings) int InstLoadBundleSettings(const WCHAR*, DWORD, SETTING_CONTEXT*) { return 1; }
KV_SEAM(InstLoadBundleFreeSizes) int InstLoadBundleFreeSizes(const WCHAR*, const WCHAR*, SETTING_CONTEXT*) { return 1; }
KV_SEAM(InstLoadBundleStamps) int InstLoadBundleStamps(const WCHAR*, const WCHAR*, SETTING_CONTEXT*) { return 1; }

// ---- Remote configuration: nothing fetched.

KV_SEAM(InstFetchRemoteDevmode) BOOL InstFetchRemoteDevmode(SETTING_CONTEXT*, DEVMODEW*, BYTE*) { return FALSE; }
KV_SEAM(InstFetchRemoteConfig) BOOL InstFetchRemoteConfig(int, DWORD, SETTING_CONTEXT*) { return FALSE; }
KV_SEAM(InstClearRemoteSavedInfo) BOOL InstClearRemoteSavedInfo(SETTING_CONTEXT*) { return FALSE; }
KV_SEAM(InstCreateBidiIni) void InstCreateBidiIni(SETTING_CONTEXT*) {}

// ---- Pack installation and the device settings file: nothing installed or written.


// ---- Steps of the DEVMODE intake.

KV_SEAM(InstSyncRemoteLists) int InstSyncRemoteLists(SETTING_CONTEXT*) { return 0; }

// ---- User code handed back to its provider: the switch is off.

KV_SEAM(InstMakeBundlePath) int InstMakeBundlePath(const WCHAR*, WCHAR*, SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstExportSettingsBundle) int InstExportSettingsBundle(const WCHAR*, WCHAR*, SETTING_CONTEXT*) { return 0; }
KV_SEAM(InstRemoveBundleFolder) int InstRemoveBundleFolder(const WCHAR*) { return 0; }
KV_SEAM(InstDeleteBundle) int InstDeleteBundle(const WCHAR*) { return 1; }
