// Settings files written by the interface library.
#pragma once

struct SETTING_CONTEXT;

// Writes the printer's device settings file ("SaveDeviceSetup" machines): true when written.
bool InstSaveDefaultRstDevice(SETTING_CONTEXT* ctx);
