// The settings store of a context: creation (from the printer's default DEVMODE or from compiled
// defaults), defaults and resets, the private state bytes, and the store accessors.
#pragma once
#include "kvplat/types.h"
#include "settings/context.h"
#include "settings/devmode.h"

SETTING_STORE* StgCreateStore(SETTING_CONTEXT* ctx, WORD buildMode);
// The work of StgCreateStore: the printer's default DEVMODE adopted (its work-block settings and driver
// version text reset to their compiled defaults only with resetWorkItems) or compiled defaults.
SETTING_STORE* StgCreateStoreWith(SETTING_CONTEXT* ctx, WORD buildMode, bool resetWorkItems);
void StgInitStoreDefaults(SETTING_CONTEXT* ctx);
void StgInitStateBytes(SETTING_CONTEXT* ctx);
void StgResetAllItems(SETTING_CONTEXT* ctx);
// Every setting to its compiled default (the work of StgResetAllItems); with keepLocked the settings
// under an administrator lock keep their values.
void StgResetItemsToDefaults(SETTING_CONTEXT* ctx, bool keepLocked);
void StgResetWorkItems(SETTING_CONTEXT* ctx);
void StgResetItem(SETTING_CONTEXT* ctx, ITEM_DESC* row);
void StgSetDriverVersionText(SETTING_CONTEXT* ctx);
// The value of "DefaultRst" in the printer's preset section of the driver INI: 1, or 0 when absent.
int StgGetDefaultRstPath(WCHAR* path, SETTING_CONTEXT* ctx);

// Store accessors (none for a context without a store).
SETTING_STORE* StgGetStore(SETTING_CONTEXT* ctx);
DEVMODEW* StgGetDevmode(SETTING_CONTEXT* ctx);
BYTE* StgGetPrivatePart(SETTING_CONTEXT* ctx);
BYTE* StgGetDeviceBlock(SETTING_CONTEXT* ctx);
BYTE* StgGetWorkBlock(SETTING_CONTEXT* ctx);
// rdmOther := the model's identification text.
void StgFillOtherText(SETTING_CONTEXT* ctx);

// State bytes of the context's store (no write marks).
#define STG_STATE_ACCESSORS(Name) \
  void StgSet##Name(SETTING_CONTEXT* ctx, BYTE v); \
  BYTE StgGet##Name(SETTING_CONTEXT* ctx);
STG_STATE_ACCESSORS(TVInstalled)
STG_STATE_ACCESSORS(CallSrc)
STG_STATE_ACCESSORS(OSKind)
STG_STATE_ACCESSORS(BatchInst)
STG_STATE_ACCESSORS(PrintLog)
STG_STATE_ACCESSORS(BiDirect)
STG_STATE_ACCESSORS(NoPermission)
STG_STATE_ACCESSORS(PresentUIMode)
STG_STATE_ACCESSORS(BidiSupport)
STG_STATE_ACCESSORS(ServerClientMode)
STG_STATE_ACCESSORS(UserCodeFIX)
STG_STATE_ACCESSORS(UserCodeGet)
STG_STATE_ACCESSORS(JBInstalled)
STG_STATE_ACCESSORS(PropertyType)
STG_STATE_ACCESSORS(UserCodeDLL)
STG_STATE_ACCESSORS(TSE)
STG_STATE_ACCESSORS(Admin)
STG_STATE_ACCESSORS(BidiFunc)
#undef STG_STATE_ACCESSORS

void StgSetTVInstalledTo0(SETTING_CONTEXT* ctx);
void StgSetTVInstalledTo1(SETTING_CONTEXT* ctx);
void StgSetCallSrcTo1(SETTING_CONTEXT* ctx);
void StgSetOSKindTo0(SETTING_CONTEXT* ctx);
void StgSetOSKindTo1(SETTING_CONTEXT* ctx);
void StgSetOSKindTo2(SETTING_CONTEXT* ctx);
void StgSetOSKindTo3(SETTING_CONTEXT* ctx);
void StgSetBatchInstTo1(SETTING_CONTEXT* ctx);
void StgSetPrintLogTo0(SETTING_CONTEXT* ctx);
void StgSetBiDirectTo0(SETTING_CONTEXT* ctx);
void StgSetBiDirectTo1(SETTING_CONTEXT* ctx);
void StgSetNoPermissionTo0(SETTING_CONTEXT* ctx);
void StgSetPresentUIModeTo0(SETTING_CONTEXT* ctx);
void StgSetPresentUIModeTo1(SETTING_CONTEXT* ctx);
void StgSetBidiSupportTo0(SETTING_CONTEXT* ctx);
void StgSetBidiSupportTo1(SETTING_CONTEXT* ctx);
void StgSetServerClientModeTo0(SETTING_CONTEXT* ctx);
void StgSetServerClientModeTo1(SETTING_CONTEXT* ctx);
void StgSetUserCodeFIXTo0(SETTING_CONTEXT* ctx);
void StgSetUserCodeFIXTo1(SETTING_CONTEXT* ctx);
void StgSetUserCodeGetTo0(SETTING_CONTEXT* ctx);
void StgSetJBInstalledTo0(SETTING_CONTEXT* ctx);
void StgSetJBInstalledTo1(SETTING_CONTEXT* ctx);
void StgSetPropertyTypeTo0(SETTING_CONTEXT* ctx);
void StgSetUserCodeDLLTo0(SETTING_CONTEXT* ctx);
