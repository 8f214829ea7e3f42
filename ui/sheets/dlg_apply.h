// Apply and commit of the sheets: what OK and Apply write (device settings to printer data, document
// settings into the caller's DEVMODE), and the commits the workers run when a sheet ends.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The apply of either sheet, run by PSN_APPLY of the sheet's first page: the commit's result (1). A
// device sheet tells the spooler that the printer's published data changed before the result is set.
int DlgApplyDeviceSheet(SETTING_CONTEXT* ctx);
// Job control and the commit by sheet kind. 1.
int DlgApplySheetCore(SETTING_CONTEXT* ctx);
// The user code back to its provider, the derived settings brought up to date for `kind` and the
// device settings written to printer data. 1 whatever the storage reports (it reports its own faults).
int DlgCommitDeviceSettings(SETTING_CONTEXT* ctx, int kind);
// The derived settings for `kind`, then DlgStoreDocumentAndSave. 1.
int DlgCommitDocumentSettings(SETTING_CONTEXT* ctx, int kind);
// The commits with kind 3, run by the workers at the end of a sheet: 1.
int DlgCommitDeviceSettings3(SETTING_CONTEXT* ctx);
int DlgCommitDocumentSettings3(SETTING_CONTEXT* ctx);
// The caller's DEVMODE (DlgStoreDocumentDevmode), then the device settings of storage classes 3 and 1
// to printer data. 1.
int DlgStoreDocumentAndSave(SETTING_CONTEXT* ctx);
