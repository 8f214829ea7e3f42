// Intake of a caller's DEVMODE into a settings context: the intake mode word, the environment bytes
// that describe the calling situation, the merge, and the library's steps of a fresh store.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct _devicemodeW;
typedef struct _devicemodeW DEVMODEW;

// INTAKE_MODE bits: the caller's fMode bits, then what the merge does and who calls.
enum : DWORD {
  UI_INTAKE_UPDATE = 0x1,
  UI_INTAKE_COPY = 0x2,
  UI_INTAKE_PROMPT = 0x4,
  UI_INTAKE_MODIFY = 0x8,
  UI_INTAKE_ADVANCED = 0x10,
  UI_INTAKE_NOPERMISSION = 0x20,
  UI_INTAKE_USER_DEFAULT = 0x40,
  UI_INTAKE_KEEP_LOCK_METHOD = 0x10000,   // do not re-apply the locked print method
  UI_INTAKE_IMAGE_FORM = 0x20000,         // image-form job handling
  UI_INTAKE_KEEP_NOTIFY = 0x400000,       // keep the job-notification bits of the store
  UI_INTAKE_CALLER_CAPS = 0x1000000,
  UI_INTAKE_CALLER_DOC_SHEETS = 0x2000000,
  UI_INTAKE_CALLER_DEVICE = 0x4000000,    // device sheets or DEVMODE conversion
  UI_INTAKE_CALLER_JOB_QUERY = 0x8000000,
  UI_INTAKE_CALLER_FILE_LOAD = 0x10000000, // no prompt state, no printer-data reload
  UI_INTAKE_CALLER_SILENT = 0x20000000,
  UI_INTAKE_APP_REQUEST = 0x40000000,     // set by the merge: an application request was carried out
};

// The modes the callers pass.
enum : DWORD {
  UI_MODE_DOC_SHEETS = 0x2000000,           // ORed with the caller's fMode
  UI_MODE_DOC_SHEETS_KEEP_NOTIFY = 0x2400000,
  UI_MODE_DEVICE_SHEETS = 0x400000A,
  UI_MODE_DOC_SILENT = 0x22000008,          // ORed with the caller's fMode
  UI_MODE_JOB_QUERY = 0x8000008,
  UI_MODE_CAPS = 0x1000008,
  UI_MODE_CONVERT = 0x4000008,
  UI_MODE_FILE_LOAD = 0x10000008,
  UI_MODE_MODULE_RESET = 0x408000C,
};

// What the merge does with one environment byte.
enum UI_ENV_MERGE : int {
  UI_ENV_KEPT = 0,         // the store's value survives the caller's copy
  UI_ENV_RECOMPUTED = 1,   // set from the companions after the merge
  UI_ENV_FROM_CALLER = 2,  // arrives with the caller's private part
};
struct UI_ENV_BYTE {
  WORD id;
  const char* name;
  WORD dmOffset;
  UI_ENV_MERGE merge;
};
constexpr int UI_ENV_BYTE_COUNT = 18;
// Settings 705..722, the last 18 bytes of the private part.
inline constexpr UI_ENV_BYTE UI_ENV_BYTES[UI_ENV_BYTE_COUNT] = {
    {705, "rdmTVInstalled", 1218, UI_ENV_RECOMPUTED},    {706, "rdmCallSrc", 1219, UI_ENV_KEPT},
    {707, "rdmOSKind", 1220, UI_ENV_KEPT},               {708, "rdmBatchInst", 1221, UI_ENV_KEPT},
    {709, "rdmPrintLog", 1222, UI_ENV_KEPT},             {710, "rdmBiDirect", 1223, UI_ENV_KEPT},
    {711, "rdmNoPermission", 1224, UI_ENV_KEPT},         {712, "rdmPresentUIMode", 1225, UI_ENV_FROM_CALLER},
    {713, "rdmBidiSupport", 1226, UI_ENV_FROM_CALLER},   {714, "rdmServerClientMode", 1227, UI_ENV_KEPT},
    {715, "rdmUserCodeFIX", 1228, UI_ENV_FROM_CALLER},   {716, "rdmUserCodeGet", 1229, UI_ENV_FROM_CALLER},
    {717, "rdmJBInstalled", 1230, UI_ENV_RECOMPUTED},    {718, "rdmPropertyType", 1231, UI_ENV_KEPT},
    {719, "rdmUserCodeDLL", 1232, UI_ENV_FROM_CALLER},   {720, "rdmTSE", 1233, UI_ENV_KEPT},
    {721, "rdmAdmin", 1234, UI_ENV_KEPT},                {722, "rdmBidiFunc", 1235, UI_ENV_KEPT},
};

// Takes a caller's DEVMODE (or none: the store is merged with itself, the request block, environment
// and derived settings still processed) into the context with an INTAKE_MODE. A private part of another
// model or major settings version is replaced by the store's; an older minor version is migrated; the
// kept environment bytes are never taken from the caller. 1 on success (and at once, untouched, for a
// mode without UI_INTAKE_MODIFY and UI_INTAKE_CALLER_DOC_SHEETS); 0 when a working copy cannot be had
// (the store is then unchanged).
int UiMergeCallerDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* dm, DWORD mode);
// The same for a DEVMODE held in a buffer of `bytes` bytes: one whose header or claimed size does not
// fit its buffer is refused with 0 and ERROR_INVALID_PARAMETER, the store unchanged.
int UiMergeCallerDevmodeEx(SETTING_CONTEXT* ctx, const DEVMODEW* dm, size_t bytes, DWORD mode);

// The environment bytes of a fresh store (set-up and this library's store defaults); the companion
// bytes from the companions' registrations. The context's DEVMODE, or none without a store.
DEVMODEW* UiSetSetupEnvironment(SETTING_CONTEXT* ctx);
// Every setting to its compiled default, administrator-locked ones included; the two language settings
// from the help file's language, the UI font names, character sets and the driver id.
void UiResetSettingsToDefaults(SETTING_CONTEXT* ctx);
