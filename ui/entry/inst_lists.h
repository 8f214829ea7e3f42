// The printer's keys of the driver INI and the copies of its lists.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Saves the device settings of a local printer and refreshes its INI keys and list copies. 1.
int InstRefreshPrinterLists(HANDLE printer, SETTING_CONTEXT* ctx);
// Writes the printer's keys of the driver INI (mode 0 set-up). 1, 0 when a path or name is missing.
int InstWriteDriverIniKeys(SETTING_CONTEXT* ctx, int mode, const WCHAR* value);
// Repairs the list entries of the printer's INI section. 1, 0 when a buffer, path or name is missing.
int InstRepairListEntries(SETTING_CONTEXT* ctx);
// InstWriteDriverIniKeys mode 2.
int InstRefreshDriverIniKeys(SETTING_CONTEXT* ctx);
// "DrvDefJobMergePath" and "DrvDefPreviewPath" of the per-user driver INI pointed at the per-user data
// folder. 1 when the path and the printer name could be had.
int InstWriteUserJobPaths(HANDLE printer);
// The list sections (custom sizes, stamps) copied into a target that is not current. 1, 0 when a
// buffer, the printer name or the region section is missing.
int InstCopyListSections(const WCHAR* target, const WCHAR* source, SETTING_CONTEXT* ctx);
// "RstVersion" of the region section copied (written even when empty). 1, 0 without region section.
int InstCopyRstVersion(const WCHAR* target, const WCHAR* source, SETTING_CONTEXT* ctx);
// The model's default custom sizes copied into the target. 1, 0 without defaults file or region section.
int InstCopyDefaultFreeSizes(const WCHAR* target, const WCHAR* modelIni, SETTING_CONTEXT* ctx);
// "KAVROINFO" of section "PrinterInformation" copied (written even when empty). 1.
int InstCopyPrinterInformation(const WCHAR* ignored, const WCHAR* target, const WCHAR* source);
