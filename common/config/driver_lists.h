// The lists kept in the driver INI: presets (with their in-memory snapshots), quality entries and
// stamps, the section swap through which list sections are read and written as settings files, and the
// interface font default.
//
// Keys of the printer section: "Count", "PresetList%d" (settings-file path) with "Name" and "Comment";
// "QualityCount", "QualityList%d" with "Name". The region section holds "StampCount"; each stamp is a
// section "Stamp%d%s" (number, region code). Stamp 256 is a scratch entry never counted.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Preset entries 0-15 can be loaded by index and have snapshots.
constexpr int CFG_PRESET_SLOTS = 16;
// Characters a key or section-name destination of this area holds.
constexpr DWORD CFG_LIST_NAME_CHARS = 64;
// The scratch stamp of the programming interfaces.
constexpr int CFG_SCRATCH_STAMP = 256;

// Settings-file transfer flags the lists use (read / write is added by the caller of the transfer).
constexpr DWORD CFG_TRANSFER_PRESET = 0x4;
constexpr DWORD CFG_TRANSFER_QUALITY = 0x10;
constexpr DWORD CFG_TRANSFER_STAMP = 0x20;
constexpr DWORD CFG_TRANSFER_FREE_SIZE = 0x80;
constexpr DWORD CFG_TRANSFER_FREE_SIZE_SRC = 0x200;
constexpr DWORD CFG_TRANSFER_CONVERSION = 0x2000;
constexpr DWORD CFG_TRANSFER_FULL = 0x8000;

// ---- Presets.

// "Count" of the printer section; 0 when absent or negative.
int CfgGetPresetCount(SETTING_CONTEXT* ctx);
// The printer section name (the context's printer name), or none.
const WCHAR* CfgGetPresetSection(SETTING_CONTEXT* ctx);
// dst (CFG_LIST_NAME_CHARS) := "PresetList%d", followed by "Name" for part 1 and "Comment" for part 2;
// dst.
WCHAR* CfgFormatPresetKey(WCHAR* dst, int index, int part);
// Appends entry "Count" (path, name, comment), raises "Count" and frees the snapshots. Serialised
// across processes by the global mutex. 1 done, 0 when a write failed.
int CfgAppendPresetListEntry(SETTING_CONTEXT* ctx, const WCHAR* path, const WCHAR* name, const WCHAR* comment);
// "Count" := 0 (the entries' keys stay) and the snapshots are freed.
void CfgClearPresetList(SETTING_CONTEXT* ctx);
// Reads the settings file of a preset key (entry 0's when the key has no value), checks the selected
// watermark against the stamps, saves a snapshot, and answers the event-11 broadcast.
int CfgLoadPreset(SETTING_CONTEXT* ctx, const WCHAR* presetKey);
// CfgLoadPreset for entry 0-15; 0 and nothing done for another index.
int CfgLoadPresetByIndex(SETTING_CONTEXT* ctx, int index);
// Preset snapshots: mode 0 forget all (buffers not freed), 1 restore the key's slot (1 restored, 0 no
// slot or no buffer), 2 save it, 3 free all. Other answers are 0.
int CfgPresetSnapshot(SETTING_CONTEXT* ctx, const WCHAR* presetKey, int mode);

// ---- Quality entries.

// "QualityCount" of the printer section; 0 when absent or negative.
int CfgGetQualityCount(SETTING_CONTEXT* ctx);
// dst (CFG_LIST_NAME_CHARS) := "QualityList%d"; dst.
WCHAR* CfgFormatQualityKey(WCHAR* dst, int index);
// Reads the entry's settings file with the quality flag, then its name. 1 read, 0 otherwise.
int CfgLoadQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* key);
// The work of CfgLoadQualityEntry; the entry's name is read into wdmUserSetName only with readName.
int CfgLoadQualityEntryWith(SETTING_CONTEXT* ctx, const WCHAR* key, bool readName);
// wdmUserSetName := the value of the key followed by "Name".
void CfgLoadQualityEntryName(SETTING_CONTEXT* ctx, const WCHAR* key);
int CfgLoadQualityByIndex(SETTING_CONTEXT* ctx, int index);
// Writes the quality settings into the entry's settings file. 1 written, 0 otherwise.
int CfgSaveQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* key);
int CfgSaveQualityByIndex(SETTING_CONTEXT* ctx, int index);
// Reads the "rsq" copy of the entry's file from the settings folder, then the entry name. 1 read, 0
// otherwise.
int CfgLoadQualityFile(SETTING_CONTEXT* ctx, const WCHAR* key);
int CfgLoadQualityFileByIndex(SETTING_CONTEXT* ctx, int index);

// ---- Stamps.

// "StampCount" of the region section; 0 when absent or negative.
int CfgGetStampCount(SETTING_CONTEXT* ctx);
// "StampCount" := n as decimal text.
void CfgSetStampCount(SETTING_CONTEXT* ctx, int n);
// dst (CFG_LIST_NAME_CHARS) := "Stamp%d%s" with the region code; dst.
WCHAR* CfgFormatStampSection(WCHAR* dst, int n, DWORD reserved, SETTING_CONTEXT* ctx);
// Reads the watermark settings from a section of the driver INI. 1 read, 0 otherwise.
int CfgLoadStampSection(SETTING_CONTEXT* ctx, const WCHAR* section);
// Loads stamp n, then rdmWmID := n. 1 read, 0 otherwise.
int CfgLoadStamp(SETTING_CONTEXT* ctx, int n);
// Writes the watermark settings into a section of the driver INI, then frees the preset snapshots.
// 1 written, 0 otherwise.
int CfgSaveStampSection(SETTING_CONTEXT* ctx, const WCHAR* section);
// Saves the watermark settings as stamp n: "StampCount" grows to n + 1 when n is beyond it (never for
// the scratch stamp), rdmWmID := n.
void CfgSaveStamp(SETTING_CONTEXT* ctx, int n);
// Loads the selected stamp when a watermark is on and its kind is allowed; 0 otherwise.
int CfgReloadSelectedStamp(SETTING_CONTEXT* ctx);

// ---- Section swap.

// Runs a settings-file transfer on the driver INI with `section` in place of the printer name, then
// puts the printer name back. The transfer's answer; 0 when the section name does not fit.
int CfgTransferIniSection(SETTING_CONTEXT* ctx, const WCHAR* section, DWORD flags);

// ---- Interface font.

// buffer (32 characters) := the default interface font of the resource library's language; buffer.
WCHAR* CfgGetUiFontName(SETTING_CONTEXT* ctx, WCHAR* buffer);
