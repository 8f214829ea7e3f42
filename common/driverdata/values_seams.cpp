// Least bodies of the calls the value checks make into Parts that are not built yet. Each is weak: the
// owner's definition replaces it once linked in, and its owner deletes the body here.
#include "config/settings_file.h"

// No settings file can be read yet.
__attribute__((weak)) int CfgReadSettingsFile(HANDLE, const WCHAR*, DWORD, SETTING_CONTEXT*) { return 0; }
