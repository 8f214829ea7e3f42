// Administrator lock data and custom media kept in printer data.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

struct SETTING_CONTEXT;

// One record of "CustomMediaData" (little-endian): the slot's quotient and name character set
// settings and its name as zero-terminated ANSI text.
struct CUSTOM_MEDIA_REC {
  DWORD quotient;
  DWORD charSet;
  char name[260];
};
static_assert(sizeof(CUSTOM_MEDIA_REC) == 268 && offsetof(CUSTOM_MEDIA_REC, charSet) == 4 &&
              offsetof(CUSTOM_MEDIA_REC, name) == 8);

// The administrator's default store ("LockDefaultData") from / into printer data, through the
// context's default-settings copy. 1 done; 0 failed or no default copy.
int CfgLoadLockDefaultData(HANDLE printer, SETTING_CONTEXT* ctx);
int CfgSaveLockDefaultData(HANDLE printer, SETTING_CONTEXT* ctx);
// Custom media records ("CustomMediaDataNum" u16, "CustomMediaData" wdmCustomMediaMaxNum records) from /
// into printer data; at most 16 slots. Load: 1 loaded; 0 nothing loaded (the slots are left reset),
// also for a stored count above the slots or beyond the records stored. Save: 1 written, 0 failed.
int CfgLoadCustomMedia(HANDLE printer, SETTING_CONTEXT* ctx);
int CfgSaveCustomMedia(HANDLE printer, SETTING_CONTEXT* ctx);
// wdmCustomMediaDataNum := wdmCustomMediaMaxNum; every slot: quotient 1, empty name, character set 0.
void CfgResetCustomMedia(SETTING_CONTEXT* ctx);
// Reads the printer-data value of each active administrator lock into the locked settings and applies
// the locks again. 1 applied, 0 when a value of an active lock was missing or unreadable.
int CfgLoadLockData(HANDLE printer, SETTING_CONTEXT* ctx);
