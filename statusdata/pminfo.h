// Conversion of the monitor's own records (PM_INFO, forms 'd' and 'h') into the printer-information
// record, and of that record into the flat PRN_INFO.
#pragma once
#include <cstddef>

#include "kvplat/types.h"
#include "statusdata/prninfo.h"

// The monitor's record is a block of pointer slots; only these are read. Form 'd' (kind 1) uses the
// slots up to offset 48, form 'h' (kind 0x8000) those up to 80.
struct PM_INFO {
  void* slot0;    // 'd': status word (u32*)        'h': model information
  void* slot8;    // 'd': font array                'h': tray array, layout B
  void* slot16;   // 'd': emulation array           'h': output-bin array
  void* unused24[3];
  void* slot48;   // 'd': engine-status array       'h': device array
  void* unused56[3];
  void* slot80;   //                                'h': tray array, layout A
};
static_assert(offsetof(PM_INFO, slot0) == 0 && offsetof(PM_INFO, slot8) == 8);
static_assert(offsetof(PM_INFO, slot16) == 16 && offsetof(PM_INFO, slot48) == 48);
static_assert(offsetof(PM_INFO, slot80) == 80);

// An array of the monitor: count, then a pointer to `count` item pointers.
struct PM_ARRAY {
  DWORD count;
  DWORD reserved;
  void** items;
};
static_assert(sizeof(PM_ARRAY) == 16 && offsetof(PM_ARRAY, items) == 8);

struct PM_FONT_ITEM {
  CHAR* name;
};
struct PM_EMULATION_ITEM {
  BYTE reserved[8];
  CHAR* version;
  CHAR* name;
};
static_assert(offsetof(PM_EMULATION_ITEM, version) == 8 && offsetof(PM_EMULATION_ITEM, name) == 16);
struct PM_ENGINE_STATUS_ITEM {
  DWORD reserved;
  DWORD code;
  CHAR* text;
  DWORD state;
  DWORD reserved2;
};
static_assert(offsetof(PM_ENGINE_STATUS_ITEM, code) == 4 && offsetof(PM_ENGINE_STATUS_ITEM, text) == 8);
static_assert(offsetof(PM_ENGINE_STATUS_ITEM, state) == 16);
struct PM_MODEL_INFO {
  CHAR* modelName;
  CHAR* systemVersion;
  DWORD memoryBytes;
  DWORD reserved;
  CHAR* makerName;
};
static_assert(offsetof(PM_MODEL_INFO, systemVersion) == 8 && offsetof(PM_MODEL_INFO, memoryBytes) == 16);
static_assert(offsetof(PM_MODEL_INFO, makerName) == 24);
struct PM_TRAY_A {
  CHAR* name;
  DWORD levelFlags;
  BYTE reserved12[20];
  DWORD width;   // millimetres; all ones: a roll
  DWORD height;
  CHAR* paperTypeName;
  BYTE reserved48[12];
  DWORD paperTypeBits;
  DWORD reserved64;
  DWORD trayFlags;
  DWORD reserved72;
};
static_assert(offsetof(PM_TRAY_A, levelFlags) == 8 && offsetof(PM_TRAY_A, width) == 32);
static_assert(offsetof(PM_TRAY_A, height) == 36 && offsetof(PM_TRAY_A, paperTypeName) == 40);
static_assert(offsetof(PM_TRAY_A, paperTypeBits) == 60 && offsetof(PM_TRAY_A, trayFlags) == 68);
struct PM_TRAY_B {
  CHAR* name;
  DWORD levelFlags;
  BYTE reserved12[20];
  DWORD width;
  DWORD height;
  BYTE reserved40[16];
  CHAR* paperTypeName;
  BYTE reserved64[24];
  DWORD paperTypeBits;
  DWORD reserved92;
  DWORD* extendedTypeBits;
  BYTE reserved104[4];
  DWORD trayFlags;
};
static_assert(offsetof(PM_TRAY_B, levelFlags) == 8 && offsetof(PM_TRAY_B, width) == 32);
static_assert(offsetof(PM_TRAY_B, height) == 36 && offsetof(PM_TRAY_B, paperTypeName) == 56);
static_assert(offsetof(PM_TRAY_B, paperTypeBits) == 88 && offsetof(PM_TRAY_B, extendedTypeBits) == 96);
static_assert(offsetof(PM_TRAY_B, trayFlags) == 108);
struct PM_OUTBIN_ITEM {
  CHAR* name;
  DWORD flags;  // bit 0: full
};
static_assert(offsetof(PM_OUTBIN_ITEM, flags) == 8);
struct PM_DEVICE_ITEM {
  DWORD id;
};

// The flat record for monitors that read no lists: 2400 bytes of fixed arrays and strings.
struct PRN_INFO_CODE_PAIR {
  DWORD code;
  DWORD value;
};
struct PRN_INFO {
  DWORD statusCode;
  DWORD online;
  DWORD trayState;
  DWORD reserved12;
  DWORD memoryKB;
  CHAR sysVersion[16];
  CHAR mainProgVersion[16];
  CHAR kpsVersion[16];
  DWORD emulationState;
  DWORD emulationCodes[32];
  DWORD emulationCount;
  DWORD fontCodes[32];
  DWORD fontCount;
  PRN_INFO_CODE_PAIR traySizes[64];
  DWORD trayCount;
  CHAR modelName[256];
  CHAR makerName[16];
  CHAR description[256];
  BYTE modelCode;
  BYTE offline;
  BYTE error;
  BYTE printing;
  DWORD size;
  BYTE reserved1388[36];
  PRN_INFO_CODE_PAIR trayLevels[16];
  DWORD trayCount2;
  PRN_INFO_CODE_PAIR outBins[16];
  DWORD outBinCount;
  DWORD hasDevice1;
  DWORD hasDisk;
  BYTE reserved1696[20];
  DWORD outBinState;
  DWORD engineCodes[32];
  DWORD engineCount;
  DWORD reserved1852;
  DWORD noResponse;
  DWORD reserved1860;
  PRN_INFO_CODE_PAIR trayTypes[64];
  BYTE reserved2376[24];
};
static_assert(sizeof(PRN_INFO) == 2400);
static_assert(offsetof(PRN_INFO, statusCode) == 0 && offsetof(PRN_INFO, online) == 4);
static_assert(offsetof(PRN_INFO, trayState) == 8 && offsetof(PRN_INFO, reserved12) == 12);
static_assert(offsetof(PRN_INFO, memoryKB) == 16 && offsetof(PRN_INFO, sysVersion) == 20);
static_assert(offsetof(PRN_INFO, mainProgVersion) == 36 && offsetof(PRN_INFO, kpsVersion) == 52);
static_assert(offsetof(PRN_INFO, emulationState) == 68 && offsetof(PRN_INFO, emulationCodes) == 72);
static_assert(offsetof(PRN_INFO, emulationCount) == 200 && offsetof(PRN_INFO, fontCodes) == 204);
static_assert(offsetof(PRN_INFO, fontCount) == 332 && offsetof(PRN_INFO, traySizes) == 336);
static_assert(offsetof(PRN_INFO, trayCount) == 848 && offsetof(PRN_INFO, modelName) == 852);
static_assert(offsetof(PRN_INFO, makerName) == 1108 && offsetof(PRN_INFO, description) == 1124);
static_assert(offsetof(PRN_INFO, modelCode) == 1380 && offsetof(PRN_INFO, offline) == 1381);
static_assert(offsetof(PRN_INFO, error) == 1382 && offsetof(PRN_INFO, printing) == 1383);
static_assert(offsetof(PRN_INFO, size) == 1384 && offsetof(PRN_INFO, reserved1388) == 1388);
static_assert(offsetof(PRN_INFO, trayLevels) == 1424 && offsetof(PRN_INFO, trayCount2) == 1552);
static_assert(offsetof(PRN_INFO, outBins) == 1556 && offsetof(PRN_INFO, outBinCount) == 1684);
static_assert(offsetof(PRN_INFO, hasDevice1) == 1688 && offsetof(PRN_INFO, hasDisk) == 1692);
static_assert(offsetof(PRN_INFO, reserved1696) == 1696 && offsetof(PRN_INFO, outBinState) == 1716);
static_assert(offsetof(PRN_INFO, engineCodes) == 1720 && offsetof(PRN_INFO, engineCount) == 1848);
static_assert(offsetof(PRN_INFO, reserved1852) == 1852 && offsetof(PRN_INFO, noResponse) == 1856);
static_assert(offsetof(PRN_INFO, reserved1860) == 1860 && offsetof(PRN_INFO, trayTypes) == 1864);
static_assert(offsetof(PRN_INFO, reserved2376) == 2376);

// Kinds and forms of the monitor's records.
constexpr DWORD PAT_KIND_D = 1;
constexpr DWORD PAT_KIND_H = 0x8000;
constexpr DWORD PAT_KIND_ALTERNATE = 0x80000000u;
constexpr BYTE PAT_FORM_D = 'd';
constexpr BYTE PAT_FORM_H = 'h';

// PatConvertPmInfo: fills the record from a monitor record of the kind's form. 0; 87 for a bad kind,
// form or record (nothing touched); 8 (87 in the tray steps) when memory runs out part-way.
DWORD PatConvertPmInfo(DWORD kind, const PM_INFO* pm, BYTE form, DWORD flags, PRN_INFO_EX* record);
DWORD PatConvertPmInfoD(const PM_INFO* pm, DWORD flags, PRN_INFO_EX* record, WORD mainEmulation, bool alternate);
DWORD PatConvertPmInfoH(const PM_INFO* pm, DWORD flags, PRN_INFO_EX* record);

// Per-part converters.
DWORD PatPmStatusWord(const DWORD* word, PRN_INFO_EX* record, bool alternate);
DWORD PatAddStatusBitCodes(PRN_INFO_EX* record, DWORD kind, DWORD word);
DWORD PatPmFonts(const PM_ARRAY* array, PRN_INFO_EX* record);
DWORD PatPmEmulations(const PM_ARRAY* array, PRN_INFO_EX* record, WORD mainEmulation);
DWORD PatPmEngineStatus(const PM_ARRAY* array, PRN_INFO_EX* record);
DWORD PatPmModelInfo(const PM_MODEL_INFO* info, PRN_INFO_EX* record);
DWORD PatPmTraysA(const PM_ARRAY* array, PRN_INFO_EX* record);
DWORD PatPmTraysB(const PM_ARRAY* array, PRN_INFO_EX* record);
DWORD PatPmOutBins(const PM_ARRAY* array, PRN_INFO_EX* record);
DWORD PatPmDevices(const PM_ARRAY* array, PRN_INFO_EX* record);

// Tray item pieces, shared by both layouts.
WORD PatPaperSizeFromDimensions(DWORD width, DWORD height, DWORD trayFlags);
WORD PatTrayLevelFromFlags(DWORD levelFlags);

// PatConvertPrnInfoEx: flattens the record into the 2400-byte PRN_INFO under `flags`; 0, or 87 for
// a missing or too small record.
DWORD PatConvertPrnInfoEx(PRN_INFO_EX* record, PRN_INFO* destination, DWORD flags);
void PatFillPrnInfo(PRN_INFO_EX* record, PRN_INFO* destination, DWORD flags);
