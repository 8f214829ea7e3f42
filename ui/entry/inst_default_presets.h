// Default presets and quality lists: the pack installation of the printer's stored presets.
#pragma once

struct SETTING_CONTEXT;

// Runs the pack installation: mode 0 a document sheet opens, 1 install without asking, 2 a device sheet
// opens (inform once). 1.
int InstRunPackInstall(SETTING_CONTEXT* ctx, int mode);
