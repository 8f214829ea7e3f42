// Installed presets: the settings files a default restore file lists for a region, copied into place,
// converted and added to a printer's preset list at set-up, and merged into the list again later
// (entries whose files are no longer admitted dropped, new ones added).
//
// Default restore file (driver INI key "DefaultRst"), in the region section: "NumDeficonfiles",
// "Deficonfiles%u" (1 .. n, path macros allowed) and "DrvInstPresetDone". An installed file names its
// preset with "setname" and "setcomment" in the same section; its user copy is the settings folder's
// file of that name with extension "rsr".
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// A preset list holds at most this many entries when installed presets are added to it.
constexpr int CFG_INSTALLED_PRESET_LIMIT = 16;
// Entries of the preset list a merge reads at most; a longer (edited) list is left alone.
constexpr int CFG_MERGE_MAX_ENTRIES = 1024;

// Import flags.
constexpr DWORD CFG_IMPORT_ADD = 0x1;
constexpr DWORD CFG_IMPORT_INSTALL = 0x2;
constexpr DWORD CFG_IMPORT_CONVERT = 0x10;
constexpr DWORD CFG_IMPORT_DELETE = 0x20;
constexpr DWORD CFG_IMPORT_ADMIT = 0x40;
constexpr DWORD CFG_IMPORT_MERGE = 0x80;
constexpr DWORD CFG_IMPORT_FIRST = 0x100;
constexpr DWORD CFG_IMPORT_KEEP_COPIES = 0x1000;

// A preset list entry as the merge holds it.
struct CFG_PRESET_ENTRY {
  WCHAR rsdPath[260];  // the listed path with extension "rsd"
  WCHAR path[260];     // "PresetList%d"
  WCHAR name[513];     // "PresetList%dName"
  WCHAR comment[513];  // "PresetList%dComment"
  WORD drop;           // 1: left out of the rebuilt list
};
static_assert(sizeof(CFG_PRESET_ENTRY) == (260 + 260 + 513 + 513 + 1) * 2);

// Merges the installed presets of the default restore file into the preset list (import flags 0xC1).
// 1 merged; 0 when there is no default restore file or count, an installed entry is missing or does
// not expand, the list is longer than CFG_MERGE_MAX_ENTRIES, or memory runs out (the list unchanged).
int CfgMergeInstalledPresets(SETTING_CONTEXT* ctx, void* unused);
// The same, asking `confirm` (when given) before entries leave the list: false leaves the list as it
// was and answers 0.
int CfgMergeInstalledPresetsAsk(SETTING_CONTEXT* ctx, bool (*confirm)(SETTING_CONTEXT* ctx));
// Puts an installed file into place from the driver folder (retried once with CFG_IMPORT_FIRST, which
// also copies a missing user copy from the driver folder) and converts the user copy from it with
// `transferFlags` (a new copy without a settings version, or any copy unless CFG_IMPORT_KEEP_COPIES).
// 1, or 0 when the installed file could not be put into place.
int CfgInstallImportedFile(const WCHAR* installed, const WCHAR* user, DWORD flags, DWORD transferFlags,
                           SETTING_CONTEXT* ctx);
// Runs the import steps the flags name over installed presets 1 .. NumDeficonfiles of `section` of the
// default restore file. `entries` (entryCount of them, or none) is the list as the merge read it, for
// its duplicate test. 1 done; 0 when the driver INI path is not absolute or some preset file could not
// be put into place (every preset is still processed).
int CfgImportInstalledPresets(const WCHAR* defaultRst, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx,
                              int entryCount, const CFG_PRESET_ENTRY* entries);
// Loads the file as a preset into the context and tests the alert of the preset control's rule node;
// the context's store is put back. 1 admitted (also for a file refused by its header or locks), 0
// refused.
int CfgCheckPresetFile(const WCHAR* path, SETTING_CONTEXT* ctx);
// 1 and *index when an entry's listed file name matches the path's in its first 8 characters (any
// case); 0 otherwise.
int CfgFindPresetEntryByFileName(const WCHAR* path, int entryCount, const CFG_PRESET_ENTRY* entries, int* index);
// name and comment (260 characters each) := "setname" / "setcomment" of the file's section; the
// answer of the comment read.
int CfgReadPresetNameAndComment(const WCHAR* file, const WCHAR* section, WCHAR* name, WCHAR* comment);
// out (260 characters) := the key's value; 1 when it is not empty.
int CfgReadPresetFileKey(const WCHAR* file, const WCHAR* section, const WCHAR* key, WCHAR* out);
// Writes the value in decimal under the key. 1.
int CfgWriteIniNumber(const WCHAR* iniPath, const WCHAR* section, DWORD value, const WCHAR* key);
