// Least bodies of the calls the bidi state and the device query make into the settings-file writer and
// the custom-media data, which are being built alongside them. Stand-ins (kvseam.h): their owner deletes
// them when the real definitions land.
#include "config/lock_data.h"
#include "config/settings_file.h"
#include "kvseam.h"

// Nothing is written yet.
KV_SEAM(CfgWriteSettingsFile) int CfgWriteSettingsFile(HANDLE, const WCHAR*, DWORD, SETTING_CONTEXT*) { return 0; }
// Nothing is reset yet.
KV_SEAM(CfgResetCustomMedia) void CfgResetCustomMedia(SETTING_CONTEXT*) {}
