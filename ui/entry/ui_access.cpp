// Accessors the printer interface library adds to the settings family, and its small switches.
#include "ui_access.h"

#include <cstring>

#include "kvplat/devmode.h"
#include "settings/store.h"

namespace {

// The DEVMODE's own extent covers `end` bytes.
bool Reaches(const DEVMODEW* dm, size_t end) {
  return dm && (size_t)dm->dmSize + dm->dmDriverExtra >= end;
}

constexpr size_t kPrivatePart = 220;
constexpr size_t kMachineTypeBits = 810;
constexpr size_t kNupKind = 446;
static_assert(offsetof(DEVMODEW, dmColor) == 92);

constexpr NUP_STEP kNupSteps[] = {{0, 1}, {1, 2}, {2, 4}, {3, 9}, {4, 16}};
static_assert(sizeof(kNupSteps) / sizeof(kNupSteps[0]) == 5);

}  // namespace

void StgSetCallSrcTo0(SETTING_CONTEXT* ctx) { StgSetCallSrc(ctx, 0); }
void StgSetBatchInstTo0(SETTING_CONTEXT* ctx) { StgSetBatchInst(ctx, 0); }
void StgSetPrintLogTo1(SETTING_CONTEXT* ctx) { StgSetPrintLog(ctx, 1); }
void StgSetNoPermissionTo1(SETTING_CONTEXT* ctx) { StgSetNoPermission(ctx, 1); }
void StgSetUserCodeGetTo1(SETTING_CONTEXT* ctx) { StgSetUserCodeGet(ctx, 1); }
void StgSetPropertyTypeTo1(SETTING_CONTEXT* ctx) { StgSetPropertyType(ctx, 1); }
void StgSetUserCodeDLLTo1(SETTING_CONTEXT* ctx) { StgSetUserCodeDLL(ctx, 1); }

BYTE* StgGetDmPrivatePart(DEVMODEW* dm) {
  return Reaches(dm, kPrivatePart + 1) ? reinterpret_cast<BYTE*>(dm) + kPrivatePart : nullptr;
}

BYTE StgGetDmMachineTypeBits(const DEVMODEW* dm) {
  return Reaches(dm, kMachineTypeBits + 1) ? reinterpret_cast<const BYTE*>(dm)[kMachineTypeBits] : 0;
}

BYTE StgGetDmNupKind(const DEVMODEW* dm) {
  return Reaches(dm, kNupKind + 1) ? reinterpret_cast<const BYTE*>(dm)[kNupKind] : 0;
}

SHORT StgGetDmColor(const DEVMODEW* dm) { return Reaches(dm, offsetof(DEVMODEW, dmColor) + 2) ? dm->dmColor : 0; }

const NUP_STEP* UiGetNupSteps(DWORD* count) {
  if (count) *count = 5;
  return kNupSteps;
}

int UiTestBit(DWORD value, DWORD bit) { return bit < 8 ? (int)((value >> bit) & 1u) : 0; }

int UiIsNot1020Or1025(DWORD dialogId) {
  WORD id = (WORD)(dialogId & 0xFFFF);
  return id == 1020 || id == 1025 ? 0 : 1;
}

int UiSwitchOff() { return 0; }
