// Members the printer interface library adds to the settings accessor family (single environment
// bytes and DEVMODE fields), and its small tests and switches.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct _devicemodeW;
typedef struct _devicemodeW DEVMODEW;

// Constant setters of environment bytes of the context's store (nothing without a store).
void StgSetCallSrcTo0(SETTING_CONTEXT* ctx);
void StgSetBatchInstTo0(SETTING_CONTEXT* ctx);
void StgSetPrintLogTo1(SETTING_CONTEXT* ctx);
void StgSetNoPermissionTo1(SETTING_CONTEXT* ctx);
void StgSetUserCodeGetTo1(SETTING_CONTEXT* ctx);
void StgSetPropertyTypeTo1(SETTING_CONTEXT* ctx);
void StgSetUserCodeDLLTo1(SETTING_CONTEXT* ctx);

// DEVMODE fields. Each reads within the DEVMODE's own extent (dmSize + dmDriverExtra): 0 / none when it
// does not reach the field.
BYTE* StgGetDmPrivatePart(DEVMODEW* dm);       // byte 220
BYTE StgGetDmMachineTypeBits(const DEVMODEW* dm);  // byte 810: bit 0 colour, bit 1 feed, bits 2-7 types 2-7
BYTE StgGetDmNupKind(const DEVMODEW* dm);      // rdmNUPPOSTKind, byte 446
SHORT StgGetDmColor(const DEVMODEW* dm);       // dmColor, i16 at byte 92

// One row of the N-up table: the lock key compared with rdmNUPPOSTKind and the pages per sheet.
struct NUP_STEP {
  int32_t lockKey;
  int32_t pages;
};
// The N-up table; *count (when given) := 5.
const NUP_STEP* UiGetNupSteps(DWORD* count);
// Bit `bit` (0 to 7) of the value's low byte; 0 for any other bit.
int UiTestBit(DWORD value, DWORD bit);
// 0 when the low 16 bits of the dialog id are 1020 or 1025, else 1.
int UiIsNot1020Or1025(DWORD dialogId);
// The user-code provider switch: 0 (off).
int UiSwitchOff();
