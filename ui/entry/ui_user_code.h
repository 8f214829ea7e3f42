// The user code store of the interface library.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Reads the user code of the install-defaults INI when the switch is on. 1.
int UiLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx);
// Loads the user code kept for a client: from printer data when the server keeps it ("ServerUse"),
// else from the install-defaults INI. 0 for a printer reached through a server.
int UiLoadClientUserCode(SETTING_CONTEXT* ctx);
// The install-defaults entries of the user code (mode 0 reset then write, 1 write with the most recent
// code, 2 reset only). 1 when a code was written (mode 2: always), else 0.
int InstWriteUserCodeDefaults(const WCHAR* ignoredPrinterName, int mode, SETTING_CONTEXT* ctx);
// Hands the user code back to the provider library after the device settings were committed; the
// provider is switched off: 0.
int UiSaveUserCodeProvider(SETTING_CONTEXT* ctx);
