// Settings bundles applied at set-up.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Applies the bundle the batch file names.
int InstRunBatchInstall(WORD ignored, SETTING_CONTEXT* ctx, int retry);
// Applies the model's default bundle. 1.
int InstApplyDefaultBundle(DWORD flags, int mode, SETTING_CONTEXT* ctx);
// "DefaultRst" of the model INI's region section into dst (260 characters): 1, 0 when there is none.
int InstGetModelDefaultRst(WCHAR* dst, SETTING_CONTEXT* ctx);
// The settings of a bundle file loaded into the context. 1.
int InstLoadBundleSettings(const WCHAR* file, DWORD ignored, SETTING_CONTEXT* ctx);
// The custom sizes and the stamps of a bundle file saved into the driver INI. 1.
int InstLoadBundleFreeSizes(const WCHAR* file, const WCHAR* regionSection, SETTING_CONTEXT* ctx);
int InstLoadBundleStamps(const WCHAR* file, const WCHAR* regionSection, SETTING_CONTEXT* ctx);
// The bundle of a settings file: its main file's path into `out` (260 characters), true when its folders
// could be made; the export of every bundle file (`bundlePath` then holds the file list's path); the
// removal of a bundle folder by the path of a file in it; the deletion of the bundle a file list names.
int InstMakeBundlePath(const WCHAR* file, WCHAR* out, SETTING_CONTEXT* ctx);
int InstExportSettingsBundle(const WCHAR* file, WCHAR* bundlePath, SETTING_CONTEXT* ctx);
int InstRemoveBundleFolder(const WCHAR* path);
int InstDeleteBundle(const WCHAR* file);

// 1 when the file has a base name and a 1-3 character extension and exists.
int InstIsSettingsFilePath(const WCHAR* path);
// 1 when the file's extension is "rsb" (any case) and it exists.
int InstIsBundleFile(const WCHAR* path);
// 1 when a name the model or batch file gives is absolute, or relative without climbing out of the
// driver folder (no ".." part).
int InstIsSafeDriverRelativeName(const WCHAR* name);
// A relative name (buffer of 260 characters) made a path in the driver folder; 0 when it climbs out
// or cannot be made absolute.
int InstResolveDriverRelativePath(WCHAR* path, SETTING_CONTEXT* ctx);
