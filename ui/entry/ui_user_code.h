// The user code store of the interface library.
#pragma once

struct SETTING_CONTEXT;

// Reads the user code of the install-defaults INI when the switch is on. 1.
int UiLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx);
// Loads the user code kept for a client: from printer data when the server keeps it ("ServerUse"),
// else from the install-defaults INI. 0 for a printer reached through a server.
int UiLoadClientUserCode(SETTING_CONTEXT* ctx);
// Hands the user code back to the provider library after the device settings were committed. 0 (at
// once while its switch is off).
int UiSaveUserCodeProvider(SETTING_CONTEXT* ctx);
