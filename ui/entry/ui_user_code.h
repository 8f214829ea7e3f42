// The user code store of the interface library.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Reads the user code of the install-defaults INI when the switch is on. 1.
int UiLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx);
// Loads the user code kept for a client: from printer data when the server keeps it ("ServerUse"),
// else from the install-defaults INI. 0 for a printer reached through a server.
int UiLoadClientUserCode(SETTING_CONTEXT* ctx);
// Resets and rewrites the user-code keys of the install-defaults INI for the context's printer.
int InstWriteUserCodeDefaults(const WCHAR* ignoredPrinterName, int mode, SETTING_CONTEXT* ctx);
