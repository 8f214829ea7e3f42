// Settings save/restore files: one section of an INI file holding a printer's settings under their
// names, moved to and from the settings store, with a header that ties the file to its model,
// settings version and language; the lock set; the device part kept in "kvrest.txt"; and the
// admission and conversion of installed settings files.
#pragma once
#include <cstdint>
#include <string>

#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct ITEM_DESC;
struct INI_TEXT_WRITER;

// Transfer flags (the presets, quality, stamp, free-size, conversion and full flags are in
// config/driver_lists.h).
constexpr DWORD CFG_TRANSFER_READ = 0x1;
constexpr DWORD CFG_TRANSFER_WRITE = 0x2;
constexpr DWORD CFG_TRANSFER_RESTORE_FILE = 0x8;
constexpr DWORD CFG_TRANSFER_DEVICE = 0x100;
constexpr DWORD CFG_TRANSFER_RSD_SECTION = 0x800;
constexpr DWORD CFG_TRANSFER_WORK_BLOCK = 0x1000;
constexpr DWORD CFG_TRANSFER_REGION = 0x10000;
constexpr DWORD CFG_TRANSFER_PROBE_DRIVER = 0x20000;

// Result codes a transfer leaves in the context's last result code.
enum : DWORD {
  CFG_FILE_OK = 0,
  CFG_FILE_HEADER_MISMATCH = 1,  // another model, language or settings version: nothing transferred
  CFG_FILE_UNREADABLE = 2,
  CFG_FILE_LOCKED = 3,  // locked settings in the file differ from the locked values: nothing transferred
};

// Header keys.
inline constexpr const WCHAR* CFG_KEY_RST_VERSION = u"RstVersion";
inline constexpr const WCHAR* CFG_KEY_RST_MACHINE = u"RstMachine";
inline constexpr const WCHAR* CFG_KEY_RST_LANGUAGE = u"RstLanguage";
inline constexpr const WCHAR* CFG_KEY_RST_OS_KIND = u"RstOSKind";
// The device part of a full save, in the data folder.
inline constexpr const WCHAR* CFG_RESTORE_FILE_NAME = u"kvrest.txt";
inline constexpr const WCHAR* CFG_RESTORE_FILE_SECTION = u"ZARNPrnSection";
inline constexpr const WCHAR* CFG_RSD_SECTION = u"ZARNRsdSection";

// Argument of module event 6 (a setting is about to be transferred): handled 1 skips it.
struct CFG_FILE_SETTING_EVENT {
  ITEM_DESC* row;
  uint64_t handled;
};
// Argument of module event 24 (a settings file was transferred).
struct CFG_FILE_TRANSFER_EVENT {
  uint64_t flags;
  const WCHAR* path;
};

// A media-type setting set aside while a file is written (seven rows).
struct MEDIA_TYPE_ASIDE_ROW {
  DWORD saved;    // the option value before
  DWORD changed;  // 1 when the setting was replaced
  DWORD setting;
  DWORD replacement;  // the option value written meanwhile (1)
};
static_assert(sizeof(MEDIA_TYPE_ASIDE_ROW) == 16);

// ---- Id filters (true: the setting may be transferred under that rule).

bool CfgIsTransferableSetting(WORD id);      // not 0 and not the authentication passwords 1113-1116
bool CfgIsRestoreFileSetting(WORD id);       // not 0 and not ids 1-5
bool CfgIsNotNoticeSetting(WORD id);         // not 530, 531, 562, 563
bool CfgIsRestorableSetting(WORD id);        // a full restore may take it
bool CfgIsNotNoticeSupportSetting(WORD id);  // not 562, 563
bool CfgIsSavableSetting(WORD id);           // not a password or print-action file name (207, 208, 608-610, 681-683)
bool CfgIsNotLockWorkSetting(WORD id);       // not 1201-1216
bool CfgIsDeviceWorkId(WORD id);             // 10001-10434 but not 10001-10011, 10354, 10355
bool CfgIsCustomMediaId(SETTING_CONTEXT* ctx, WORD id);  // 1495-1543 while custom media is on
bool CfgIsLockSetSetting(WORD id);           // 10386 or 10418-10434

// ---- Transfers.

// Reads (flag 1) or writes (flag 2) the settings the flags select in one section of the file. A read
// that meets a header of another model, language or major settings version, or locked settings
// that differ, changes nothing. 1 done; 0 failed or some setting was missing, with the context's last
// result code CFG_FILE_*.
int CfgTransferSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// Restores the settings of a settings file into the context under the global mutex, with the
// post-processing of a full restore (flags 0, 1, 0x8000, 0x8001) when the file was read. 1 done, 0
// failed; the context's last result code tells why.
int CfgReadSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// The read with the choice of its library: `clearAdjust` sets an rdmAdjustMode of 1 to 0 while the
// DEVMODE of a full restore is merged again (and back afterwards); without it the value stays.
int CfgReadSettingsFileWith(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, bool clearAdjust);
// A library's own steps of a full restore. afterLoad: run after the country class, under the printer's
// own name (none: nothing). merge: takes the place of the DEVMODE merge (none: the common merge, with
// rdmAdjustMode cleared around it when clearAdjust is set).
struct CFG_READ_STEPS {
  bool clearAdjust;
  void (*afterLoad)(SETTING_CONTEXT* ctx);
  void (*merge)(SETTING_CONTEXT* ctx);
};
int CfgReadSettingsFileSteps(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx,
                             const CFG_READ_STEPS* steps);
// The transfer with the choice of its library: without stampPatterns a stamp transfer leaves out the
// pattern settings 1022-1032 (the interface library's stamps hold none).
int CfgTransferSettingsFileWith(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx,
                                bool stampPatterns);
// Writes the context's settings into a settings file: full saves (flags 0, 2, 0x8000, 0x8002) into the
// driver-name section, 0x10000 into the region section, others as the flags choose. 1 / 0.
int CfgWriteSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// The write under the global mutex, with the selected slots, stamp and quality entry loaded for full
// and preset saves; the store is put back afterwards. 1 / 0.
int CfgWriteSettingsFileLocked(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// The lock set over firstId..lastId: a full save (flags exactly 2) writes the authentication modes
// and the lock settings; a full restore (exactly 1) reads the authentication modes when printer data
// can be written. 1 when every read or write succeeded (also when nothing is transferred).
int CfgTransferLockSet(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, WORD firstId, WORD lastId);

// ---- Header.

// The header test of a read (a library may build its own, for example to warn): 1 passed, 0 another
// model, language or settings version (major only when tolerant) or a key missing. *migrateFrom := the
// file's version to migrate from, or 0xffff.
int CfgTestRstHeader(const WCHAR* path, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx, const char* body,
                     int tolerant, DWORD* migrateFrom);
// 1 when every locked setting's value in the file's section is present and equals the current value
// (under the N-up-all lock "rdmNUPPOSTKind" 1-4 passes whatever the current value).
int CfgCheckLockedSettings(const WCHAR* path, const WCHAR* section, SETTING_CONTEXT* ctx);

// Checks (reading) or writes (writing, or with 0x2000) the header of `section`. body: the section's
// body of a loaded text, or none to read through the profile functions; writer: the composition to
// append to on a write. tolerant: compare major settings versions only, else demand equality. A
// passed read of an older minor version migrates the context's store. 1 passed or written, 0 mismatch.
int CfgCheckRstHeader(const WCHAR* path, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx, const char* body,
                      INI_TEXT_WRITER* writer, int tolerant);
// Appends RstVersion (and, unless versionOnly, RstMachine, RstLanguage, RstOSKind) to the writer, or
// writes them through the profile functions into the file's section when there is no writer.
void CfgWriteRstHeader(const WCHAR* path, INI_TEXT_WRITER* writer, SETTING_CONTEXT* ctx, const WCHAR* section,
                       int versionOnly);
// 1 when both versions (16-bit) have the same hundreds.
int CfgSameMajorVersion(DWORD a, DWORD b);
// The printer's section of a settings file (its name, normalised); empty when the name is missing or
// longer than a section name may be.
std::u16string CfgGetPrinterFileSection(SETTING_CONTEXT* ctx);
// RstOSKind of the printer-name section of the file, 0xffff when absent.
DWORD CfgReadRstOSKind(const WCHAR* path, SETTING_CONTEXT* ctx);

// ---- Device part.

// Writes (2) or reads (1) the device part; with flag 8 into "kvrest.txt" of the data folder,
// whatever path is given. 1 / 0.
int CfgSaveRestoreFile(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// The device ranges 10001-10434 and 1453-1543 in section "ZARNPrnSection" (the region section when
// reading with flag 8). 1.
int CfgTransferDeviceSection(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx);
// Reads (1) or writes (2) the settings firstId..lastId under their names in `section` of the file
// through the profile functions; flag 8 leaves out 10001-10003. The font-list settings are written as
// 0 and never read; rdmLockInfoLockInfo is written as the any-lock state. `keyBuffer` is unused.
void CfgTransferDeviceRange(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, const WCHAR* section,
                            WCHAR* keyBuffer, WORD firstId, WORD lastId);

// ---- Custom media types while a file is written.

// Each of the seven media-type settings holding a custom media type (1025-1040) is set to option 1
// and its value kept in the work area. 1, or 0 without memory (nothing changed).
int CfgSetAsideCustomMediaTypes(SETTING_CONTEXT* ctx);
// Puts the kept values back and releases the record.
void CfgRestoreCustomMediaTypes(SETTING_CONTEXT* ctx);

// ---- Admission and conversion of installed settings files.

// 1 when key <driver name> of section "disable" is 0 or absent.
int CfgIsFileEnabledForDriver(const WCHAR* file, SETTING_CONTEXT* ctx);
// 1 when the file's "condition" section admits it: groups "ConditionOption<g>_<a>" joined by and, the
// alternatives of a group by or, each an expression of option names with '|', '&' and '!' tested
// against the model's condition rule. 1 also without that rule or section.
int CfgCheckFileConditions(const WCHAR* file, SETTING_CONTEXT* ctx);
// Parses one term of a condition expression: blanks, an optional '!', a name up to a blank, '|', '&'
// or the end (cut to nameChars - 1 characters; *cut := true when it was longer), blanks and a
// following operator. The number of characters consumed; an empty name ends the expression.
DWORD CfgParseConditionTerm(const char* text, char* name, DWORD nameChars, bool* negate, bool* andFollows, bool* cut);
// 1 when the file may be offered while the tint-block interface is on: an "rsr" or "rsd" file (exact
// lower case) whose extension's section does not switch the watermark on. Always 1 with it off.
int CfgCheckFileFeatureKey(const WCHAR* file, SETTING_CONTEXT* ctx);
// 1: every installed file is allowed at this point.
int CfgIsSettingsFileAllowed(const WCHAR* file, SETTING_CONTEXT* ctx);
// With flag 0x40, nothing is added unless the file is enabled and admitted; else the file is added
// to the preset list with its name ("NoName" when empty) and comment. 1.
int CfgAddInstalledPresetEntry(const WCHAR* file, const WCHAR* name, const WCHAR* comment, DWORD flags,
                               SETTING_CONTEXT* ctx);
// 1 when key "RstVersion" of the printer section is present.
int CfgHasRstVersion(const WCHAR* file, SETTING_CONTEXT* ctx);
// Rewrites `target` from `source` in the current layout: the "condition" and "disable" sections, the
// settings (read with flags | 0x2000 and written with flags) and "Readonly"; the context's settings
// are as before afterwards. Nothing happens when the source does not exist.
void CfgConvertSettingsFile(const WCHAR* target, const WCHAR* source, DWORD flags, SETTING_CONTEXT* ctx);
