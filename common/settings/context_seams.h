// Calls from the settings context, the store and the DEVMODE intake into Parts that are being built
// elsewhere now (device settings, companions, the sheet orientation test, the feature modules, version
// migration). context_seams.cpp holds a weak least body for each until its owner's definition lands;
// the owner then declares the function in its own header and deletes both lines here.
#pragma once
#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;

// Device settings, printer data, companions.
void CfgReloadDeviceSettings(SETTING_CONTEXT* ctx);
void CfgFreeDeviceFontLists(SETTING_CONTEXT* ctx);
int CfgAdoptPrinterDefaultDevmode(SETTING_CONTEXT* ctx);
int CfgIsCompanionInstalled(DWORD kind, SETTING_CONTEXT* ctx);
int CfgLoadSettingClass(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, int mode);

// Rule engine.
int RuleIsSheetLandscape(SETTING_CONTEXT* ctx);

// Feature modules.
int StgIsModelFeatureOn(SETTING_CONTEXT* ctx, WORD feature, int unused);
void StgCreateModules(SETTING_CONTEXT* ctx);
void StgFreeModules(SETTING_CONTEXT* ctx);
int StgBroadcastModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg);

// Version migration.
int StgCompareStoreVersion(const DEVMODEW* dm);
int StgMigrateStore(const DEVMODEW* dm, SETTING_CONTEXT* ctx);
