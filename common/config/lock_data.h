// Administrator lock data and custom media kept in printer data.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The administrator's default store ("LockDefaultData") from / into printer data, through the
// context's default-settings copy. 1 done; 0 failed or no default copy.
int CfgLoadLockDefaultData(HANDLE printer, SETTING_CONTEXT* ctx);
int CfgSaveLockDefaultData(HANDLE printer, SETTING_CONTEXT* ctx);
// Custom media records ("CustomMediaDataNum", "CustomMediaData") from / into printer data.
int CfgLoadCustomMedia(HANDLE printer, SETTING_CONTEXT* ctx);
int CfgSaveCustomMedia(HANDLE printer, SETTING_CONTEXT* ctx);
// Reads the printer-data value of each active administrator lock into the locked settings and applies
// the locks again. 1 applied, 0 when a value of an active lock was missing or unreadable.
int CfgLoadLockData(HANDLE printer, SETTING_CONTEXT* ctx);
// wdmCustomMediaDataNum := the slot maximum; every slot: quotient 1, empty name, character set 0.
void CfgResetCustomMedia(SETTING_CONTEXT* ctx);
