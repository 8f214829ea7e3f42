// Settings bundles applied at set-up.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Applies the bundle the batch file names.
int InstRunBatchInstall(WORD ignored, SETTING_CONTEXT* ctx, int retry);
// Applies the model's default bundle. 1.
int InstApplyDefaultBundle(DWORD flags, int mode, SETTING_CONTEXT* ctx);

// 1 when the file has a base name and a 1-3 character extension and exists.
int InstIsSettingsFilePath(const WCHAR* path);
// 1 when the file's extension is "rsb" (any case) and it exists.
int InstIsBundleFile(const WCHAR* path);
// "DefaultRst" of the model INI's region section into dst (260 characters): 1, or 0 when it is empty
// or cannot be read.
int InstGetModelDefaultRst(WCHAR* dst, SETTING_CONTEXT* ctx);
// 1 when a name the model or batch file gives is absolute, or relative without climbing out of the
// driver folder (no ".." part).
int InstIsSafeDriverRelativeName(const WCHAR* name);
// A relative name (buffer of 260 characters) made a path in the driver folder; 0 when it climbs out
// or cannot be made absolute.
int InstResolveDriverRelativePath(WCHAR* path, SETTING_CONTEXT* ctx);
