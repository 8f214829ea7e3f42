// Install defaults and the model database.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Rewrites the model database when it no longer matches the installed files.
int InstCheckModelDatabase(SETTING_CONTEXT* ctx);
// Runs the programs of section "Expand File".
void InstRunExpandPrograms(SETTING_CONTEXT* ctx);
// Takes the install defaults over into the settings.
void InstImportInstallDefaults(const WCHAR* printerName, SETTING_CONTEXT* ctx);
// Writes the model database.
int InstWriteModelDatabase(SETTING_CONTEXT* ctx);
// Writes the current settings back as the printer's install defaults (after a rename). 1, 0 without memory.
int InstWriteInstallDefaults(const WCHAR* printerName, SETTING_CONTEXT* ctx);
