// The user code (department code) of the install-defaults INI "kvuserdef.ini" in the data folder: per
// printer whether a code is used, the code and whether it is fixed, and the most recently used code.
#pragma once

struct SETTING_CONTEXT;

// Loads the user code when that feature is switched on; 1 when it is off or the load succeeded.
int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx);
// 1 without loading for a printer on a server whose rdmServerLogCode is set; else CfgLoadUserCode.
int CfgLoadUserCodeChecked(SETTING_CONTEXT* ctx);
// Reads the printer's entry (creating it, and the file, when missing) into rdmLogCodeUse, rdmLogCode,
// rdmDllLogCode and rdmUserCodeFIX. 1, or 0 when its working buffers cannot be had (nothing changes).
int CfgLoadUserCode(SETTING_CONTEXT* ctx);
