// Apply and commit of the sheets: what OK and Apply write (device settings to printer data, document
// settings into the caller's DEVMODE), and the commits the workers run when a sheet ends.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The apply of either sheet, run by PSN_APPLY of the sheet's first page: the commit's result (1).
int DlgApplyDeviceSheet(SETTING_CONTEXT* ctx);
// The commits with kind 3, run by the workers at the end of a sheet: 1.
int DlgCommitDeviceSettings3(SETTING_CONTEXT* ctx);
int DlgCommitDocumentSettings3(SETTING_CONTEXT* ctx);
