// Least bodies of the feature-dialog services the sheets call, until the feature dialogs are built:
// no preset is stored, nothing is loaded or written, and nothing is found.
#include "features/fm_modules.h"
#include "kvseam.h"

KV_SEAM(FmFindPresetByName) int FmFindPresetByName(SETTING_CONTEXT*, const WCHAR*, int) { return -1; }
KV_SEAM(FmIsPresetWritableAt) int FmIsPresetWritableAt(SETTING_CONTEXT*, int) { return 0; }
KV_SEAM(FmNewPresetFileName) void FmNewPresetFileName(SETTING_CONTEXT*, WCHAR* buffer) {
  if (buffer) buffer[0] = 0;
}
KV_SEAM(FmPresetNameBuffer) char* FmPresetNameBuffer(SETTING_CONTEXT*) { return nullptr; }
KV_SEAM(FmPresetCommentBuffer) char* FmPresetCommentBuffer(SETTING_CONTEXT*) { return nullptr; }
KV_SEAM(FmEnsurePresetFile) void FmEnsurePresetFile(SETTING_CONTEXT*, int) {}
KV_SEAM(FmSavePreset) int FmSavePreset(SETTING_CONTEXT*, const WCHAR*) { return 0; }
KV_SEAM(FmSelectPreset) void FmSelectPreset(SETTING_CONTEXT*, int) {}
KV_SEAM(FmStoreCustomSizes) void FmStoreCustomSizes(SETTING_CONTEXT*) {}
KV_SEAM(FmPostDuplicatePresetName) int FmPostDuplicatePresetName(SETTING_CONTEXT*, HWND, int) { return -1; }
KV_SEAM(FmMatchFilterExtension) int FmMatchFilterExtension(const DIALOG_DESC*, const WCHAR*) { return 0; }
KV_SEAM(FmFileFilterOfDialog) const WCHAR* FmFileFilterOfDialog(const DIALOG_DESC*) { return u""; }
KV_SEAM(FmIsPresetWritable) int FmIsPresetWritable(SETTING_CONTEXT*, const WCHAR*) { return 1; }
KV_SEAM(FmPrepareFileDialog) void FmPrepareFileDialog(SETTING_CONTEXT*, DIALOG_DESC*, OPENFILENAMEW*) {}
KV_SEAM(FmRunFileDialog) int FmRunFileDialog(SETTING_CONTEXT*, DIALOG_DESC*, OPENFILENAMEW*, WCHAR*) { return 0; }
KV_SEAM(FmReadPresetListText) void FmReadPresetListText(SETTING_CONTEXT*, CONTROL_DESC*, int, int, WCHAR* dest) {
  if (dest) dest[0] = 0;
}
KV_SEAM(FmCustomSizeCount) int FmCustomSizeCount(SETTING_CONTEXT*) { return 0; }
KV_SEAM(FmLoadCustomSizeSection) void FmLoadCustomSizeSection(SETTING_CONTEXT*, const WCHAR*) {}
KV_SEAM(FmLoadModelStamp) void FmLoadModelStamp(SETTING_CONTEXT*, int) {}
KV_SEAM(FmResavePresets) void FmResavePresets(SETTING_CONTEXT*) {}
KV_SEAM(FmResaveQualityEntries) void FmResaveQualityEntries(SETTING_CONTEXT*) {}
KV_SEAM(FmResaveWatermarks) void FmResaveWatermarks(SETTING_CONTEXT*) {}
KV_SEAM(FmResaveCustomSizes) void FmResaveCustomSizes(SETTING_CONTEXT*) {}
KV_SEAM(FmSavePresetFile) int FmSavePresetFile(SETTING_CONTEXT*, const WCHAR*) { return 0; }
KV_SEAM(FmSaveQualityFile) int FmSaveQualityFile(SETTING_CONTEXT*, const WCHAR*) { return 0; }
KV_SEAM(FmLoadPreset) void FmLoadPreset(SETTING_CONTEXT*, const WCHAR*) {}
