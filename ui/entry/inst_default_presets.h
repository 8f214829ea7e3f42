// Default presets and quality lists: the pack installation of the printer's stored presets.
#pragma once

struct SETTING_CONTEXT;

// Runs the pack installation: mode 0 a document sheet opens, 1 install without asking, 2 a device sheet
// opens (inform once). 1.
int InstRunPackInstall(SETTING_CONTEXT* ctx, int mode);

#include "kvplat/types.h"

// The sections the defaults file's container files (entries numbered 0) hold for each listed preset
// ("condition", "disable", the region section) and quality file (the region section), copied into the
// files. 1 (0 without a context).
int InstUnpackDefaultPresetSections(SETTING_CONTEXT* ctx);
// Copies the driver folder's files the model INI's "Installfiles%u" name to their expanded paths. 1.
int InstCopyInstallFiles(const WCHAR* modelIni, const WCHAR* section, SETTING_CONTEXT* ctx);
// The quality files of the defaults file (flags as the preset import's: 0x1 rebuild the list, 0x2
// install, 0x10 convert, 0x20 delete the user copy, 0x100 first installation, 0x1000 keep user copies).
// 1; 0 when the driver INI path has no drive or a listed file that exists could not be installed.
int InstImportInstalledQualities(const WCHAR* defaults, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx);
// One entry appended to the quality list of the driver INI / the list emptied ("QualityCount" 0).
void InstAppendQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* file, const WCHAR* name);
void InstClearQualityList(SETTING_CONTEXT* ctx);
// Merges the default presets into the preset list, asking with message 10017 (ask non-zero) before
// entries leave it: the import's result, 0 when cancelled or not possible.
int InstInstallDefaultPresets(SETTING_CONTEXT* ctx, int ask);
// 1 while the pack installation shows the preset dialog (which then hides its Cancel button).
int InstPackInstallRunning(SETTING_CONTEXT* ctx);
