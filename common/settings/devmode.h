// The DEVMODE as this driver stores it: the public part (220 bytes) followed by the private part
// PRIVATE_DEVMODE (1016 bytes); its header, validation, copies between public sizes, and the intake
// of a caller's DEVMODE into a settings context.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

struct _devicemodeW;
typedef struct _devicemodeW DEVMODEW;
struct SETTING_CONTEXT;

// Offsets of the public DEVMODEW fields this code reads and writes.
constexpr size_t DM_OFF_DEVICE_NAME = 0;
constexpr size_t DM_OFF_SPEC_VERSION = 64;
constexpr size_t DM_OFF_DRIVER_VERSION = 66;
constexpr size_t DM_OFF_SIZE = 68;
constexpr size_t DM_OFF_DRIVER_EXTRA = 70;
constexpr size_t DM_OFF_FIELDS = 72;
constexpr size_t DM_HEADER_BYTES = 76;  // a DEVMODE shorter than this has no readable header

// The private part's header (offsets from the start of the private part). Packed: the stored layout
// has the model id at an odd offset.
#pragma pack(push, 1)
struct PRIVATE_DEVMODE_HEADER {
  char signature[4];     // "ZARN", never compared
  DWORD jobBinder;       // rdmJobBinder (704)
  char iniFileName[16];  // rdmIniFileName (697)
  char cdcVersion[16];   // rdmiCDCVerStr (698)
  char kpjlVersion[16];  // rdmiKPJLVerStr (699)
  char kcomMark[8];      // rdmKcomMark (700)
  BYTE kcomVersion;      // rdmKcomVersion (701)
  BYTE kcomMember[32];   // rdmKcomMember (702): APP_REQUEST_BLOCK
  BYTE kcomCaps[32];     // rdmKcomCaps (703): APP_CAPS_BLOCK
  DWORD modelId;         // 0x76697270
  DWORD privateSize;     // 1016
  DWORD settingsVersion; // 322
  WORD blockOffset[3];   // 0, 1236, 6500
  BYTE unused;
  BYTE machineId;        // rdmMachineID (35)
};
#pragma pack(pop)
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, jobBinder) == 4);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, iniFileName) == 8);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, kcomMark) == 56);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, kcomVersion) == 64);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, kcomMember) == 65);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, kcomCaps) == 97);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, modelId) == 129);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, privateSize) == 133);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, settingsVersion) == 137);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, blockOffset) == 141);
static_assert(offsetof(PRIVATE_DEVMODE_HEADER, machineId) == 148);
static_assert(sizeof(PRIVATE_DEVMODE_HEADER) == 149);

// Offsets from the start of a store DEVMODE (public 220 + private header offset).
constexpr size_t PDM_OFF = 220;
constexpr size_t PDM_OFF_SIGNATURE = PDM_OFF + offsetof(PRIVATE_DEVMODE_HEADER, signature);
constexpr size_t PDM_OFF_JOB_BINDER = PDM_OFF + offsetof(PRIVATE_DEVMODE_HEADER, jobBinder);
constexpr size_t PDM_OFF_MODEL_ID = PDM_OFF + offsetof(PRIVATE_DEVMODE_HEADER, modelId);
constexpr size_t PDM_OFF_PRIVATE_SIZE = PDM_OFF + offsetof(PRIVATE_DEVMODE_HEADER, privateSize);
constexpr size_t PDM_OFF_VERSION = PDM_OFF + offsetof(PRIVATE_DEVMODE_HEADER, settingsVersion);
constexpr size_t PDM_OFF_BLOCK_OFFSETS = PDM_OFF + offsetof(PRIVATE_DEVMODE_HEADER, blockOffset);
constexpr size_t PDM_OFF_MACHINE_ID = PDM_OFF + offsetof(PRIVATE_DEVMODE_HEADER, machineId);
constexpr size_t PDM_OFF_DRIVER_TYPE = 811;       // rdmDriverType (242), u8
constexpr size_t PDM_OFF_QUALITY_FUNC = 576;      // rdmQualityFunc bits 153-168, u16
constexpr size_t PDM_OFF_FRONT_FUNC = 852;        // rdmFrontFunc (348), u32
constexpr size_t PDM_OFF_HIDDEN2_FUNC = 896;      // rdmHidden2Func bits 447-478, u32
constexpr size_t PDM_OFF_SUPPORT_FUNC2 = 1020;    // rdmSupportFunc2Select bits, u32
constexpr size_t PDM_OFF_LOCK_PRN_METHOD = 1178;  // rdmLockPrnMethod (689), u8
constexpr size_t PDM_OFF_STATE_BYTES = 1218;      // state bytes 705..722
static_assert(PDM_OFF_MODEL_ID == 349 && PDM_OFF_BLOCK_OFFSETS == 361 && PDM_OFF_MACHINE_ID == 368);

// DEVMODE byte of state byte `id` (705..722).
constexpr size_t PdmStateOffset(WORD id) { return PDM_OFF_STATE_BYTES + (id - 705u); }
static_assert(PdmStateOffset(722) == 1235);

constexpr DWORD STG_SIGNATURE = 0x4E52415A;  // "ZARN" as stored bytes
constexpr WORD DM_SPEC_OLD = 0x320;          // dmSize 188
constexpr WORD DM_SPEC_400 = 0x400;          // dmSize 212
constexpr WORD DM_SPEC_401 = 0x401;          // dmSize 220

// Writes the private header of a store DEVMODE: signature, rdmJobBinder 0, model id, private size,
// settings version and the three block offsets.
void StgWritePrivateHeader(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// Writes only the three block offsets (0, 1236, 6500).
void StgWriteBlockOffsets(DEVMODEW* dm);

// Header tests of a private part against the model (1 passes, 0 fails; none fails). Each reads only
// within the DEVMODE's own extent (dmSize + dmDriverExtra); a DEVMODE too short for the fixed offsets
// fails.
int StgIsValidPrivateDevmode(const DEVMODEW* dm);
int StgIsSameModelDevmode(const DEVMODEW* dm);
int StgIsSameLayoutDevmode(const DEVMODEW* dm);

// Header readers on a DEVMODE (0 when the DEVMODE does not reach the field).
DWORD StgGetDmModelId(const DEVMODEW* dm);
DWORD StgGetDmPrivateSize(const DEVMODEW* dm);
DWORD StgGetDmSettingsVersion(const DEVMODEW* dm);
BYTE StgGetDmMachineId(const DEVMODEW* dm);
BYTE StgGetDmDriverType(const DEVMODEW* dm);

// Spec version implied by dmSize (188 0x320, 212 0x400, 220 0x401, else dmSpecVersion; none 0).
WORD StgDevmodeSpecOfSize(const DEVMODEW* dm);
// Copies a DEVMODE into a store DEVMODE (a 1236-byte target). Returns the bytes copied, or -1 (none
// given, or a private part that does not fit: the public part is then copied already).
int StgCopyDevmode(const DEVMODEW* source, DEVMODEW* target);
int StgCopyDevmodeFromOld(const DEVMODEW* source, DEVMODEW* target);
// Adopts the printer's default DEVMODE over the store's DEVMODE part when sizes, driver version and
// private part fit.
void StgCopyPrinterDefaultDevmode(SETTING_CONTEXT* ctx);

// 1 when a caller's DEVMODE of `bytes` bytes can be read safely: its header lies inside the buffer,
// dmSize is at least the header and dmSize + dmDriverExtra does not pass the buffer's end.
int StgIsDevmodeWithin(const DEVMODEW* dm, size_t bytes);

// Intake of a caller's DEVMODE (or none) into the context. 1, or 0 when a working buffer cannot be
// had (the store is then unchanged).
int StgMergeDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* incoming, DWORD mode);
// The same for a DEVMODE the caller holds in a buffer of `bytes` bytes: a DEVMODE that does not fit
// its buffer is refused (0, ERROR_INVALID_PARAMETER, store unchanged).
int StgMergeDevmodeEx(SETTING_CONTEXT* ctx, const DEVMODEW* incoming, size_t bytes, DWORD mode);

// Merge-mode bits (the caller's INTAKE_MODE word).
constexpr DWORD STG_MERGE_UPDATE = 0x1;
constexpr DWORD STG_MERGE_COPY = 0x2;
constexpr DWORD STG_MERGE_PROMPT = 0x4;
constexpr DWORD STG_MERGE_MODIFY = 0x8;
constexpr DWORD STG_MERGE_KEEP_LOCK_METHOD = 0x10000;
constexpr DWORD STG_MERGE_CLASS_A = 0x20000;
constexpr DWORD STG_MERGE_KEEP_NOTIFY = 0x400000;
constexpr DWORD STG_MERGE_DOC_SHEETS = 0x2000000;
constexpr DWORD STG_MERGE_NO_PROMPT = 0x10000000;
constexpr DWORD STG_MERGE_APP_REQUEST = 0x40000000;

// State bytes on a given DEVMODE (no write marks). Reads give 0 and writes do nothing when the
// DEVMODE does not reach the byte.
BYTE StgGetDmCallSrc(const DEVMODEW* dm);
void StgSetDmCallSrc(DEVMODEW* dm, BYTE v);
BYTE StgGetDmOSKind(const DEVMODEW* dm);
void StgSetDmOSKind(DEVMODEW* dm, BYTE v);
BYTE StgGetDmBatchInst(const DEVMODEW* dm);
void StgSetDmBatchInst(DEVMODEW* dm, BYTE v);
BYTE StgGetDmPrintLog(const DEVMODEW* dm);
void StgSetDmPrintLog(DEVMODEW* dm, BYTE v);
BYTE StgGetDmBiDirect(const DEVMODEW* dm);
void StgSetDmBiDirect(DEVMODEW* dm, BYTE v);
BYTE StgGetDmNoPermission(const DEVMODEW* dm);
void StgSetDmNoPermission(DEVMODEW* dm, BYTE v);
BYTE StgGetDmServerClientMode(const DEVMODEW* dm);
void StgSetDmServerClientMode(DEVMODEW* dm, BYTE v);
BYTE StgGetDmPropertyType(const DEVMODEW* dm);
void StgSetDmPropertyType(DEVMODEW* dm, BYTE v);
BYTE StgGetDmTSE(const DEVMODEW* dm);
void StgSetDmTSE(DEVMODEW* dm, BYTE v);
BYTE StgGetDmAdmin(const DEVMODEW* dm);
void StgSetDmAdmin(DEVMODEW* dm, BYTE v);
BYTE StgGetDmBidiFunc(const DEVMODEW* dm);
void StgSetDmBidiFunc(DEVMODEW* dm, BYTE v);
BYTE StgGetDmLockPrnMethod(const DEVMODEW* dm);
void StgSetDmLockPrnMethod(DEVMODEW* dm, BYTE v);
DWORD StgGetDmFrontFunc(const DEVMODEW* dm);
void StgSetDmFrontFunc(DEVMODEW* dm, DWORD v);
WORD StgGetDmQualityFuncBits(const DEVMODEW* dm);
void StgSetDmQualityFuncBits(DEVMODEW* dm, WORD v);
DWORD StgGetDmHidden2FuncBits(const DEVMODEW* dm);
void StgSetDmHidden2FuncBits(DEVMODEW* dm, DWORD v);
DWORD StgGetDmSupportFunc2Bits(const DEVMODEW* dm);
void StgSetDmJobCompleteNotify(DEVMODEW* dm, DWORD v);  // bit 0 := bit 0 of v
void StgSetDmJobErrNotify(DEVMODEW* dm, DWORD v);       // bit 1 := bit 1 of v
