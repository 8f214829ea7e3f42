// Keeping whole stores consistent over time: settings versions and their migration through the
// model's conversion rule, and the administrator's default section with its printer-data copy.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct _devicemodeW;
typedef struct _devicemodeW DEVMODEW;

// Outcomes of a version comparison.
enum : int {
  STG_VERSION_CURRENT = 0,      // same version, or a newer minor of the same major: nothing to do
  STG_VERSION_MIGRATE = 1,      // older minor of the same major: convert step by step
  STG_VERSION_INCOMPATIBLE = 2  // another major (older or newer), or both majors at most 2
};

// Compares a stored settings version with the model's (major v / 100, minor v % 100).
int StgCompareVersions(DWORD stored, DWORD model);
// -1 for none; else StgCompareVersions of the DEVMODE's private version and the model's version.
int StgCompareStoreVersion(const DEVMODEW* dm);
// Runs the conversion rule QDV_ConvertDevmode once per version step from `from` to `to` on the
// context's store, telling each step through wdmConvertVersion. 1 converted (or nothing to convert);
// 0 when the symbols or the model's data hold no such rule, across majors, or when the rule left
// wdmConvertVersion below `to`.
int StgRunConvertRule(DWORD from, DWORD to, SETTING_CONTEXT* ctx);
// Brings the settings the caller put into the context's store from the DEVMODE's version to the
// model's and stamps the model's version into the store. 1 converted; 0 when the DEVMODE needs no
// migration or cannot be converted (then nothing is stamped: the store keeps the stored version).
int StgMigrateStore(const DEVMODEW* dm, SETTING_CONTEXT* ctx);

// Suffix of the default section: "<printer name>.DefaultSection" in the context's INI file.
inline constexpr const WCHAR* STG_DEFAULT_SECTION_SUFFIX = u".DefaultSection";
// Rebuilds the default-settings copy and its two media (printer data "LockDefaultData" and the
// default section) from the default section, or from "LockDefaultData" when the section is absent.
// The current store is left as it was. 1 done; 0 when the store copy cannot be had (nothing changed).
int StgRebuildDefaultStore(SETTING_CONTEXT* ctx);
// 1 when the default section exists (its rdmMachineID key has a value) and was read into the store.
int StgLoadDefaultSection(SETTING_CONTEXT* ctx);
// Writes the store into the default section. 1 done; 0 when the section name or INI path cannot be had.
int StgSaveDefaultSection(SETTING_CONTEXT* ctx);
// Checks every numeric setting of first..last against its own value; an inadmissible one is reset.
void StgRevalidateRange(SETTING_CONTEXT* ctx, WORD first, WORD last);
