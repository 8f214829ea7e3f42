// Device settings in printer data and the driver INI: whole storage classes moved between a settings
// context and their media by a walk of the context's dictionary, single settings read and written by
// their row, the packed groups (administrator lock bits in printer data, the action word in the INI)
// with the migration from their old one-value-per-bit keys, and the font lists.
//
// Where a row lives: class 2 (device block) rows of medium 1 in printer data under their key; rows of
// medium 2 in the driver INI under their key, in their section or the printer's. Numbers go to
// printer data as REG_BINARY of their width (1, 2 or 4 bytes; bits as 4 bytes holding 0 or 1; texts as
// their whole field), rdmLogging as REG_DWORD; to the INI as decimal text.
//
// The font lists (rdmDeviceFont, rdmOptionFont, rdmFontTable) are arrays owned by the context and held
// in its side table (the store keeps only a presence mark), so no address is ever cut to 32 bits.
#pragma once
#include <cstdint>

#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct ITEM_DESC;
struct INI_TEXT_WRITER;
struct KV_CONFIG_FUNCS;

// Flags of CfgSaveDeviceSettings: the mode in the low bits, and writing unchanged values too.
constexpr DWORD CFG_SAVE_NORMAL = 0;
constexpr DWORD CFG_SAVE_DEVICE_ONLY = 1;
constexpr DWORD CFG_SAVE_BY_NAME = 2;
constexpr DWORD CFG_SAVE_FORCE = 0x80000000u;
// Flag of CfgReadDeviceSetting: fetch the value from the server printer through the binding.
constexpr DWORD CFG_READ_REMOTE = 0x10;
// Flags of the font-list savers.
constexpr DWORD CFG_FONTS_FROM_IMAGE = 1;
constexpr DWORD CFG_FONTS_IF_CHANGED = 2;
constexpr DWORD CFG_FONTS_DEFAULT_TABLE = 0x100;

// Argument of module events 4 and 5 (a row is about to be saved / read in mode 2): handled 1 skips it.
struct CFG_DEVICE_SETTING_EVENT {
  uint64_t mode;
  ITEM_DESC* row;
  uint64_t handled;
};
// Argument of module events 18 (a storage class was read: the read mode) and 23 (saved: the flags).
struct CFG_CLASS_EVENT {
  uint64_t storageClass;
  uint64_t modeOrFlags;
};

// ---- Classes.

// part -1: every class and the font lists; 1: classes 3 and 1; 2: class 2 and the font lists; other
// parts nothing. 1.
int CfgLoadDeviceSettings(HANDLE printer, int part, SETTING_CONTEXT* ctx);
// CfgReadSettingClass without a remote-configuration binding. 1.
int CfgLoadSettingClass(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, int mode);
// Loads one storage class (-1: all) under the global mutex. mode 0 normal; mode 2 offers each row to
// the feature modules (event 5) and switches the rows they keep to the driver INI by setting name. The
// action word and the lock groups are read packed and migrated from their old keys. Single failures
// leave their settings as they were. 1.
int CfgReadSettingClass(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, int mode, KV_CONFIG_FUNCS* funcs);
// Saves classes 3 and then 1 with flags 0. 1.
int CfgSaveDeviceSettingsAll(HANDLE printer, SETTING_CONTEXT* ctx);
// Saves one storage class under the global mutex (flags: CFG_SAVE_*). A normal context skips device
// settings equal to its copy of the store unless forced; a plain class-3 save is followed by the
// by-name pass. 1 (single failures are not reported).
int CfgSaveDeviceSettings(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, DWORD flags);
// The same, counting in *failed (when given) the values that could not be written.
int CfgSaveDeviceSettingsEx(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, DWORD flags, DWORD* failed);

// ---- Single settings.

// Reads a printer-data row: 1 read or nothing to read (no key), 0 failed (missing, larger than its
// field, no memory); the setting keeps its value on failure. A shorter value fills the field from its
// start and zeroes the rest.
int CfgReadDeviceSetting(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row, DWORD flags, KV_CONFIG_FUNCS* funcs);
// Reads an INI row from a section body of an INI text (with its cursor) or, without one, from the file:
// 1 read or nothing to read (no drive-letter path or no key), 0 not found.
int CfgReadIniSetting(SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* iniPath, const char* body, DWORD* cursor);
// Writes a row to its medium (the context's driver INI when iniPath is none): 1 written or nothing to
// write, 0 failed.
int CfgWriteDeviceSetting(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* iniPath);
int CfgWritePrinterDataSetting(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row);
// Writes an INI row to the file or, with a writer, appends its key line there. 1 / 0.
int CfgWriteIniSetting(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* iniPath,
                       INI_TEXT_WRITER* writer);

// ---- Packed groups.

// Reads the group through its first row under the packed name and type code; without a packed value
// the members are read from their own keys and the packed value is written back. 1.
int CfgLoadLockBits(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* first, int storageClass, DWORD typeCode,
                    const WCHAR* valueName, WORD firstId, WORD lastId);
// Writes the group packed. 1.
int CfgSaveLockBits(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* first, int storageClass, DWORD typeCode,
                    const WCHAR* valueName);

// ---- Font lists.

// 1 when all three lists loaded.
int CfgLoadFontLists(HANDLE printer, SETTING_CONTEXT* ctx);
// Load a list from printer data, first writing the compiled image's list when there is none stored.
// 1 loaded (or nothing to load), 0 otherwise.
int CfgLoadDeviceFonts(HANDLE printer, SETTING_CONTEXT* ctx);
int CfgLoadOptionFonts(HANDLE printer, SETTING_CONTEXT* ctx);
int CfgLoadFontTable(HANDLE printer, SETTING_CONTEXT* ctx);
// flags: CFG_FONTS_FROM_IMAGE, CFG_FONTS_IF_CHANGED. 1 written or unchanged, 0 failed or nothing to write.
int CfgSaveDeviceFonts(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags);
int CfgSaveOptionFonts(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags);
// flags: also CFG_FONTS_DEFAULT_TABLE. 1 / 0 (1 without a table of the image).
int CfgSaveFontTable(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags);
// Reads `count` rows of 128 bytes; a row whose names cannot both be read is left empty. 0, the last
// platform error code, or 8 without destination or memory.
DWORD CfgReadFontTableRows(HANDLE printer, void* rows, DWORD count, DWORD flags);
// Writes the rows and then the count. 1 / 0. Dispatched through the library's table of own builds.
int CfgWriteFontTableRows(HANDLE printer, const void* rows, DWORD count, DWORD flags);
// 128-byte rows <-> two arrays of 64-byte names.
void CfgSplitFontTableRows(const void* rows, void* trueTypeNames, void* deviceNames, DWORD count);
void CfgJoinFontTableRows(void* rows, const void* trueTypeNames, const void* deviceNames, DWORD count);

// ---- Context life.

// Loads every class of device settings of a new context. 1.
int CfgReloadDeviceSettings(SETTING_CONTEXT* ctx);
// Frees the three font lists of the context's store and clears their settings. 1.
int CfgFreeDeviceFontLists(SETTING_CONTEXT* ctx);
// The custom-media handling is active for this context.
int CfgIsCustomMediaOn(SETTING_CONTEXT* ctx);
