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
// Takes the install defaults the printer's section holds ("ZarnInstDone" 0 and "DispLang" present) into
// the work area and marks them taken ("ZarnInstDone" 1). 1 when taken, else 0.
int InstReadInstallDefaults(const WCHAR* printerName, SETTING_CONTEXT* ctx);
// Fills the work area's display language, paper, unit and country number from the user's locale. 1.
int InstComputeLocaleDefaults(void* ignored, SETTING_CONTEXT* ctx);
