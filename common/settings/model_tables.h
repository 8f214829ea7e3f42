// Model constants and the static tables particular to this printer model: the model block, the
// model list, store sizes, allowed values, id and code maps, paper and resolution lists, custom-size
// limit rows, custom-media slots, the BF_ id table and the tables of the programming interfaces.
#pragma once

#include <cstdint>

#include "kvplat/types.h"

// ---------------------------------------------------------------------------------------------
// Model block: 65 fields of 64 bits (numbers in the low 32 bits, texts as wide-text references).

struct MODEL_ENTRY {
  const WCHAR* name;
  uint64_t reserved1;
  uint64_t reserved2;
  DWORD capabilityMask;
};

struct MODEL_LIST {
  int16_t count;
  const MODEL_ENTRY* rows;
};

struct MODEL_BLOCK {
  uint64_t specVersion;          // 1  dmSpecVersion default
  uint64_t driverVersion;        // 2  dmDriverVersion default
  const WCHAR* driverIniName;    // 3
  const WCHAR* auxLibraryName;   // 4
  uint64_t fields;               // 5  dmFields default
  uint64_t maxCopies;            // 6
  uint64_t constant7;            // 7
  uint64_t constant8;            // 8
  uint64_t landscapeRotation;    // 9
  uint64_t defaultResolution;    // 10
  uint64_t constant11;           // 11
  uint64_t orientation;          // 12 dmOrientation default
  uint64_t paperSize;            // 13
  uint64_t paperLength;          // 14
  uint64_t paperWidth;           // 15
  uint64_t scale;                // 16
  uint64_t copies;               // 17
  uint64_t defaultSource;        // 18
  uint64_t printQuality;         // 19
  uint64_t color;                // 20
  uint64_t duplex;               // 21
  uint64_t yResolution;          // 22
  uint64_t ttOption;             // 23
  uint64_t collate;              // 24
  const WCHAR* formName;         // 25
  uint64_t icmMethod;            // 26
  uint64_t icmIntent;            // 27
  uint64_t mediaType;            // 28
  uint64_t ditherType;           // 29
  uint64_t constant30;           // 30
  uint64_t constant31;           // 31
  uint64_t constant32;           // 32
  uint64_t constant33;           // 33
  uint64_t modelId;              // 34 written into the private header
  uint64_t constant35;           // 35
  uint64_t settingsVersion;      // 36
  uint64_t modelCode;            // 37 rdmMachineID
  uint64_t driverType;           // 38
  uint64_t dstResolutionW;       // 39
  uint64_t dstResolutionH;       // 40
  uint64_t resetDefault41;       // 41
  uint64_t resetDisplayLanguage; // 42
  uint64_t resetDefault43;       // 43
  uint64_t constant44;           // 44
  uint64_t resetExtPrintArea;    // 45
  uint64_t resetZarnVersion;     // 46
  uint64_t constant47;           // 47
  const WCHAR* cdcVersionText;   // 48
  const WCHAR* kpjlVersionText;  // 49
  const WCHAR* defaultDriverName;// 50
  const WCHAR* emptyText51;      // 51
  const WCHAR* modelIniName;     // 52
  const WCHAR* spoolerLibName;   // 53
  const WCHAR* excLibName;       // 54
  const WCHAR* noText55;         // 55 none
  const WCHAR* statusLibName;    // 56
  const WCHAR* emptyText57;      // 57
  const WCHAR* driverVersionText;// 58
  uint64_t settingsVersion2;     // 59
  uint64_t customWidthMin;       // 60 dots at 1200 dpi
  uint64_t customWidthMax;       // 61
  uint64_t customLengthMin;      // 62
  uint64_t customLengthMax;      // 63
  const WCHAR* installerIniName; // 64
  const MODEL_LIST* models;      // 65
};
static_assert(sizeof(MODEL_BLOCK) == 65 * 8, "model block: 65 fields of 64 bits");

const MODEL_BLOCK* StgGetModelBlock();
int StgGetModelEntryCount();
const MODEL_ENTRY* StgGetModelEntry(int n);
// Entry whose name equals the driver name exactly, or none.
const MODEL_ENTRY* StgFindModelEntryByName(const WCHAR* driverName);

// ---------------------------------------------------------------------------------------------
// Store sizes.

constexpr DWORD STG_DEVMODE_PUBLIC_SIZE = 220;
constexpr DWORD STG_DEVMODE_PRIVATE_SIZE = 1016;
constexpr DWORD STG_DEVMODE_SIZE = 1236;
constexpr DWORD STG_DEVICE_BLOCK_SIZE = 5264;
constexpr DWORD STG_WORK_BLOCK_SIZE = 3580;
constexpr DWORD STG_STORE_SIZE = 10080;
constexpr DWORD STG_DEVICE_BLOCK_OFFSET = 1236;
constexpr DWORD STG_WORK_BLOCK_OFFSET = 6500;
static_assert(STG_DEVMODE_PUBLIC_SIZE + STG_DEVMODE_PRIVATE_SIZE == STG_DEVMODE_SIZE);
static_assert(STG_DEVMODE_SIZE + STG_DEVICE_BLOCK_SIZE + STG_WORK_BLOCK_SIZE == STG_STORE_SIZE);
static_assert(STG_DEVICE_BLOCK_OFFSET + STG_DEVICE_BLOCK_SIZE == STG_WORK_BLOCK_OFFSET);

DWORD StgGetDevmodePublicSize();
DWORD StgGetDevmodePrivateSize();
DWORD StgGetDevmodeSize();
DWORD StgGetDeviceBlockSize();
DWORD StgGetWorkBlockSize();
DWORD StgGetStoreSize();
// Size of a block (1, 2 or 3); 0 for any other block number.
DWORD StgGetBlockSize(DWORD block);

// ---------------------------------------------------------------------------------------------
// Model switches and constant answers.

BOOL StgIsJobInfoEnabled();
BOOL StgIsServerLogCheckOn();
BOOL StgIsSpecialTextSetting(DWORD settingId);
// The model's ANSI identification text, for either driver type.
const char* StgGetOtherText(DWORD driverType);

// ---------------------------------------------------------------------------------------------
// Allowed values.

struct ALLOWED_VALUES_ROW {
  WORD settingId;  // 65535 in the index table
  DWORD count;
  const int32_t* values;
};

// Keyed table (ended by a row with id 0).
const ALLOWED_VALUES_ROW* StgGetAllowedValuesTable();
int StgGetAllowedValuesTableCount();  // rows before the end row
const ALLOWED_VALUES_ROW* StgFindAllowedValues(DWORD settingId);
BOOL StgIsValueAllowed(DWORD settingId, int32_t value);
BOOL StgListHasValue(const ALLOWED_VALUES_ROW* row, int32_t value);

// Index table: 14 rows, the 14th empty.
const ALLOWED_VALUES_ROW* StgGetIdSetHeader(DWORD* count);
const ALLOWED_VALUES_ROW* StgGetAllowedValuesRow(DWORD n);  // none for n >= 13
BOOL StgIsValueAllowedByIndex(DWORD n, int32_t value);

// ---------------------------------------------------------------------------------------------
// Id and paper lists.

struct SETTING_CONTROL_ROW {
  WORD settingId;
  WORD dialogId;
  WORD controlId;
};
const SETTING_CONTROL_ROW* StgGetIdMapTable();
int StgGetIdMapTableCount();
const SETTING_CONTROL_ROW* StgFindSettingControl(DWORD settingId);

// Fit-paper list: papers before the separator 1027 apply to A4/Letter, after it to A3/Tabloid;
// ended by 0.
constexpr int32_t STG_FIT_PAPER_SEPARATOR = 1027;
const int32_t* StgGetFitPaperListTable();

struct RESOLUTION_ROW {
  DWORD code;
  DWORD xDpi;
  DWORD yDpi;
};
const RESOLUTION_ROW* StgGetResolutionTable();  // ended by code 0

// ---------------------------------------------------------------------------------------------
// Device-query maps: pairs {value, device code}, ended by a pair whose value is 0.

struct TRAY_CODE_PAIR {
  DWORD value;
  DWORD deviceCode;
};

// Default maps 1-6 and maps 7-9 (n = 1..9); none for any other n.
const TRAY_CODE_PAIR* StgGetTrayCodeMap(int n);
// Model maps 1-6.
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap(int n);
// The map to use for maps 1-6: the model map unless its first pair is {0, 0}, then the default
// map; maps 7-9 as they are.
const TRAY_CODE_PAIR* StgSelectTrayCodeMap(int n);
// The model map unless it is none or its first pair is {0, 0}; else the default map.
const TRAY_CODE_PAIR* StgChooseTrayCodeMap(const TRAY_CODE_PAIR* modelMap, const TRAY_CODE_PAIR* defaultMap);
// Value of the first pair with the device code, or 0.
DWORD StgLookupTrayCode(const TRAY_CODE_PAIR* map, DWORD deviceCode);
const TRAY_CODE_PAIR* StgGetTrayCodeMap1();
const TRAY_CODE_PAIR* StgGetTrayCodeMap2();
const TRAY_CODE_PAIR* StgGetTrayCodeMap3();
const TRAY_CODE_PAIR* StgGetTrayCodeMap4();
const TRAY_CODE_PAIR* StgGetTrayCodeMap5();
const TRAY_CODE_PAIR* StgGetTrayCodeMap6();
const TRAY_CODE_PAIR* StgGetTrayCodeMap7();
const TRAY_CODE_PAIR* StgGetTrayCodeMap8();
const TRAY_CODE_PAIR* StgGetTrayCodeMap9();
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap1();
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap2();
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap3();
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap4();
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap5();
const TRAY_CODE_PAIR* StgGetModelTrayCodeMap6();

struct OPTION_CODE_PAIR {
  DWORD settingId;
  DWORD deviceCode;
};
// Option-code map {setting id, device code}; 8 pairs. The model value is ignored.
const OPTION_CODE_PAIR* StgGetModelCodeMap(DWORD modelValue);
int StgGetModelCodeMapCount();
BOOL StgIsTrackedDeviceOption(DWORD deviceOptionCode);

// ---------------------------------------------------------------------------------------------
// Model and size tables.

struct VALUE_OVERRIDE_ROW {
  DWORD option;
  DWORD substitute;
  DWORD conditionSettingId;
};
// Ended by a zero row; empty in this model.
const VALUE_OVERRIDE_ROW* StgGetValueOverrideTable();

struct FREE_SIZE_ROW {
  WORD osKind;      // 1 the old consumer platform family, 2 the NT family, 3 either
  WORD trayKey;     // a stored value of dmDefaultSource; 0 ends the table
  DWORD orientation;  // 1 portrait, 2 landscape
  int32_t metricLengthMax, metricLengthMin, metricWidthMax, metricWidthMin;
  int32_t inchLengthMax, inchLengthMin, inchWidthMax, inchWidthMin;
};
const FREE_SIZE_ROW* StgGetDefaultFreeSizeTable();

struct MODEL_FREE_SIZE_ENTRY {
  DWORD modelMask;
  const FREE_SIZE_ROW* table;  // none ends the list
};
const MODEL_FREE_SIZE_ENTRY* StgGetModelFreeSizeTableList();

struct CUSTOM_MEDIA_ROW {
  WORD slot;           // 1..16; 0 ends the table
  WORD mediaKey;       // 13708..13723
  WORD selectSetting;  // 1496..1511
  WORD valueSetting;   // 1512..1527
  WORD flagSetting;    // 1528..1543
};
const CUSTOM_MEDIA_ROW* StgGetCustomMediaTable();

// Tray-lock rows {tray option value, setting id}, ended by a zero option value; empty in this model.
struct TRAY_LOCK_ROW {
  WORD option;
  WORD settingId;
};
const TRAY_LOCK_ROW* StgGetTrayLockTable();

// Region ids (rdmLanguageID) whose texts write a decimal comma: 2 ("cz") to 15 ("ru").
constexpr DWORD STG_REGION_EUROPE_FIRST = 2;
constexpr DWORD STG_REGION_EUROPE_LAST = 15;

// BF_ id table: pairs {BF_ id, setting id} in setting order from rdmMachineID (35) = 10000, the public
// DEVMODE fields last; 1977 pairs, ended by a zero pair. Writable.
struct BF_ID_PAIR {
  WORD bfId;
  WORD settingId;
};
BF_ID_PAIR* StgGetBfIdTable();
int StgGetBfIdCount();
constexpr DWORD STG_BF_ID_FIRST = 10000;
constexpr DWORD STG_BF_ID_LAST = 11976;  // the command range the lock module answers

// ---------------------------------------------------------------------------------------------
// Tables of the programming interfaces.

// Condition / assignment node of the command and value tables.
struct PJL_COND_NODE {
  const PJL_COND_NODE* next;
  DWORD join;  // 1 and with the next node, 0 or
  DWORD settingId;
  DWORD value;
  DWORD reserved;
};

enum : uint64_t {
  PJL_VALUE_OFF = 0x1,
  PJL_VALUE_ALTERNATE = 0x10,
  PJL_VALUE_NEVER = 0x100,
};

struct PJL_VALUE_ROW {
  uint64_t flags;
  uint64_t value;
  const char* text;
  const char* name;
  const PJL_COND_NODE* assignments;
  const PJL_COND_NODE* condition;
  const void* extraLines;
};

struct PJL_VALUE_TABLE {
  uint64_t count;
  const PJL_VALUE_ROW* rows;
};

struct PJL_NUMBER_RECORD {
  DWORD maximum;
  DWORD minimum;
  DWORD reserved;
  DWORD scale1;
  DWORD scale2;
  const PJL_COND_NODE* condition;
};

enum : uint64_t {
  PJL_FORM_TABLE = 1,
  PJL_FORM_IMAGE = 2,
  PJL_USE_COMMAND = 1,
  PJL_USE_OPTION = 2,
  PJL_USE_VALUE = 4,
  PJL_KIND_LIST = 1,
  PJL_KIND_ONOFF = 4,
  PJL_KIND_NUMBER = 8,
  PJL_KIND_TEXT = 16,
  PJL_KIND_FIXED_LINE = 256,
};

struct PJL_COMMAND_ROW {
  uint64_t setting;
  uint64_t variant;
  uint64_t form;
  uint64_t use;
  uint64_t valueKind;
  const char* pjlName;
  const PJL_COND_NODE* dependencies;
  const void* values;  // PJL_VALUE_TABLE for form 1, PJL_NUMBER_RECORD or none otherwise
  const void* condition;
};
static_assert(sizeof(PJL_COMMAND_ROW) == 72, "command rows are 72 bytes");

struct PJL_COMMAND_TABLE {
  uint64_t count;
  const PJL_COMMAND_ROW* rows;
};

const PJL_COMMAND_TABLE* StgGetExcCommandTable();
int StgGetExcCommandCount();
// Row count of one of the value tables the command rows point to; 0 for any other table.
int StgGetValueTableCount(const void* valueTable);
int StgGetValueTableTotal();  // how many value tables there are (17)
const PJL_VALUE_TABLE* StgGetValueTableAt(int n);

struct EXC_ID_TABLE {
  uint64_t count;
  const DWORD* ids;
};
const EXC_ID_TABLE* StgGetExcCheckTable();
int StgGetExcCheckTableCount();

struct EXC_AUX_ROW {
  DWORD position;
  DWORD alias;
  DWORD reserved;
};
struct EXC_AUX_TABLE {
  uint64_t count;
  const EXC_AUX_ROW* rows;
};
const EXC_AUX_TABLE* StgGetExcAuxTable();
int StgGetExcAuxTableCount();

struct WATERMARK_ITEM_ROW {
  DWORD filter;  // 0 text, 1 image, 16 both
  DWORD skip;
  DWORD valueKind;
  DWORD setting;  // for a fixed-line row: index into the word list
};
struct WATERMARK_ITEM_TABLE {
  uint64_t count;
  const WATERMARK_ITEM_ROW* rows;
};
const WATERMARK_ITEM_TABLE* StgGetWatermarkItemTable();
int StgGetWatermarkItemCount();
// Word list entry n ("WMKORDER", "PAPER"), none for any other n.
const char* StgGetWatermarkItemName(int n);

// ---------------------------------------------------------------------------------------------
// Answers that take a context (constant in this model).

struct SETTING_CONTEXT;
// Resolution ceiling under the resolution lock; 0 means none.
DWORD StgGetResolutionLockLimit(const SETTING_CONTEXT* context);
// Hook for a device option value seen by the device query; does nothing in this model.
void StgOnDeviceOptionValue(DWORD settingId, DWORD deviceCode, const void* data, SETTING_CONTEXT* context);
