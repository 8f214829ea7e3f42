// The batch installation file: the instructions an administrator leaves for the set-up of printers.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// 1 when the printer data records a finished batch install ("BatchInstallDone" non-zero).
int InstIsBatchInstallDone(HANDLE printer);
// 1 when batch instructions for the printer wait in the batch file.
int InstBatchSectionPending(HANDLE printer);
// 1 when the batch file has a non-empty section for the printer name / for the context's printer.
int InstPrinterHasBatchSection(const WCHAR* printerName);
int InstContextHasBatchSection(SETTING_CONTEXT* ctx);
// 1 when the printer's model INI has a non-empty section of that name.
int InstModelIniHasBatchSection(const WCHAR* section, HANDLE printer);
// The data folders named by the model INI and by the batch file. 1 (0 on allocation failure).
int InstApplyModelDataDirectory(HANDLE printer, const WCHAR* section, SETTING_CONTEXT* ctx);
int InstApplyBatchDataDirectory(HANDLE printer, const WCHAR* section);
// Applies the batch instructions; non-zero when there were some.
int InstApplyBatchInstructions(SETTING_CONTEXT* ctx);
// Writes "BatchInstallDone" as a decimal number into a section of an INI file. 1.
int InstMarkBatchInstallDone(const WCHAR* iniPath, const WCHAR* section, DWORD value);
// The batch file's path (the system folder and "ZARN.ini") into dst of `capacity` characters; none and
// nothing written for a null dst, a capacity below 260 or a path that does not fit.
WCHAR* InstGetBatchIniPathTo(WCHAR* dst, DWORD capacity);
// 1 when key "DrvInstSet" of the section reads as a number other than 0 and 32767 (0 for no section).
int InstHasDrvInstSet(const WCHAR* iniPath, const WCHAR* section);
// Writes "DrvInstSet" as a decimal number into the section. 1.
int InstMarkDrvInstSet(const WCHAR* iniPath, const WCHAR* section, DWORD value);
