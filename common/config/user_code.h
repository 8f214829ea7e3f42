// The user code of the install-defaults INI.
#pragma once

struct SETTING_CONTEXT;

// Loads the user code when that feature is switched on; 1 when it is off or the load succeeded.
int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx);
