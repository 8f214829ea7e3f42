// Paths and names the printer interface library builds itself: names and files of a printer handle
// before any settings context exists, and the help file, picture library, installer INI and resource
// language of a context. Results kept in the context's work area stay valid until the next call that
// uses the same buffer: the installer INI path (path3), the language code (path4), the help-file and
// picture-library paths (the driver-folder buffer).
#pragma once
#include "kvplat/spooler.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// ---- Names and paths for a printer handle ----

// The printer name copied into dst when strictly shorter than `cch`; dst unchanged when the printer
// information cannot be had or the name does not fit. dst is returned.
WCHAR* InstGetPrinterNameCopy(HANDLE printer, WCHAR* dst, DWORD cch);
// The same from a record the caller has (nothing copied without a record or a name).
WCHAR* InstCopyPrinterNameFromInfo(void* ignored, WCHAR* dst, DWORD cch, const PRINTER_INFO_2W* info);
// The printer's driver name (dst holds 260 characters), or the model's fall-back driver name when it is
// empty or cannot be read.
WCHAR* InstGetDriverNameOfPrinter(HANDLE printer, WCHAR* dst, void* ignored);
// The driver INI of the printer (dst holds 260 characters) in the per-user data folder (perUser 1) or
// the machine data folder: 1, or 0 when the folder cannot be had or the path does not fit.
int InstGetDriverIniPathForPrinter(WCHAR* dst, void* ignored, int perUser, HANDLE printer,
                                   const PRINTER_INFO_2W* info);
// The model INI (dst holds 260 characters): its name as it is when that carries a drive, else the
// printer's driver folder followed by it.
WCHAR* InstGetModelIniPathForPrinter(HANDLE printer, WCHAR* dst, void* ignored);
// The printer's driver folder followed by `name` (dst holds 260 characters); nothing for a null dst.
WCHAR* InstMakeDriverFilePath(HANDLE printer, WCHAR* dst, const WCHAR* name);

// ---- Paths for a context ----

// The driver folder followed by the installer INI name; none without a context.
const WCHAR* InstGetInstallerIniPath(SETTING_CONTEXT* ctx);
// A relative path (buffer of 260 characters) joined to the driver folder; a path with a drive, or one
// the driver folder cannot be had for, is left as it is. The buffer is returned.
WCHAR* InstMakeDriverRelativePath(WCHAR* path, void* ignored, SETTING_CONTEXT* ctx);
// The common library's path-macro expansion (mode 0).
BOOL InstExpandInstallPath(WCHAR* path, DWORD cch, SETTING_CONTEXT* ctx);
// The help file: the driver folder followed by the printer-data "HelpFileName", else the resource
// library's path with its extension's last three characters made "hlp".
const WCHAR* UiGetHelpFilePath(SETTING_CONTEXT* ctx);
// The picture library: the driver folder followed by the compiled image's resource library name with
// the 8th character from the end made 'C' and the 6th and 5th 'X'; none for a name too short for that.
const WCHAR* UiGetPictureDllPath(SETTING_CONTEXT* ctx);
// The two-letter language code under which the context loads its resources: from the driver's help
// file name in build mode 1, else from the printer-data "HelpFileName" ("us" when absent).
const WCHAR* UiSetResourceLanguage(SETTING_CONTEXT* ctx);
