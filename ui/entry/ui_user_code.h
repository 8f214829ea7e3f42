// The user code store of the interface library.
#pragma once

struct SETTING_CONTEXT;

// Reads the user code of the install-defaults INI when the switch is on. 1.
int UiLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx);
