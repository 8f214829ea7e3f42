// The interface library's client of the job-control library. Results are those of the job-control
// events (0 success, otherwise the library's status).
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Masks of the job items the interface library moves.
constexpr DWORD UI_JC_MASK_USER_CODE = 0x1;
constexpr DWORD UI_JC_MASK_JOB_ITEMS = 158;      // owner, job password, user id, document name, stored password
constexpr DWORD UI_JC_MASK_DRIVER_ITEMS = 1792;  // stream language, driver version, language
constexpr DWORD UI_JC_MASK_AUTH_PASSWORD = 4096;
constexpr DWORD UI_JC_MASK_NETWORK_KEY = 8192;
constexpr DWORD UI_JC_MASK_USER_ITEMS = 14494;   // the job items and the authentication data
constexpr DWORD UI_JC_MASK_ALL_ITEMS = 14495;    // those and the user code

// Loads the library and opens a handle / closes it and unloads.
DWORD UiJcOpen(SETTING_CONTEXT* ctx);
DWORD UiJcClose(SETTING_CONTEXT* ctx);
// With job control on: reads the masked items into their settings / writes them from their settings /
// empties the masked settings and writes them / resets the user-code source; 0 with it off. Reading
// and writing need the open handle.
DWORD UiJcReadItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcWriteItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcWriteItemsAllIfOn(SETTING_CONTEXT* ctx, DWORD mask);
// Writes the items of the mask to job control / reads them back into their settings, while job control
// is on.
DWORD UiJcWriteItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcReadItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcResetUserCodeSourceIfOn(SETTING_CONTEXT* ctx);
// With job control on, empties the masked item settings (UiJcClearItems); 0.
DWORD UiJcClearItemsIfOn(SETTING_CONTEXT* ctx, DWORD mask);
// Withdraws one stored item with the open handle: the library's status; 0 without a handle.
DWORD UiJcNotify(SETTING_CONTEXT* ctx, DWORD item);
// Sends a record with the open handle (code 1: the language record): the library's status; 0 without a
// handle or for another code.
DWORD UiJcSendRecord(SETTING_CONTEXT* ctx, DWORD code);
DWORD UiJcSendLanguage(SETTING_CONTEXT* ctx);

// Item walks over the job-item table (the authentication items only with model feature 0): every item of
// the mask is read from its printer-data value (import), written to it (export) or emptied (clear).
// Always 0.
DWORD UiJcImportItems(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcExportItems(SETTING_CONTEXT* ctx, DWORD mask);
DWORD UiJcClearItems(SETTING_CONTEXT* ctx, DWORD mask);
// One item: 0, or JC_STATUS_UNKNOWN_ITEM for an item without a setting of the table.
DWORD UiJcImportItem(SETTING_CONTEXT* ctx, DWORD item);
DWORD UiJcExportItem(SETTING_CONTEXT* ctx, DWORD item);
DWORD UiJcClearItem(SETTING_CONTEXT* ctx, DWORD item);

// True when the library grants a handle for the printer (or job control is off).
bool UiJcSessionAvailable(SETTING_CONTEXT* ctx);
// Takes a non-empty log code as the user code and writes it to job control, when the client user code
// loads and the log code is in use. 1.
int UiJcUserCodeFromLogCode(SETTING_CONTEXT* ctx);
// Brings the job-control items in line after a DEVMODE conversion: without a handle the user code falls
// back to the log code; the driver items are written in every case (their status).
DWORD UiJcSyncAtConversion(SETTING_CONTEXT* ctx);
// The step of context creation: a full context (build mode 0) of a printer that batch installation
// marked ("DrvInstSet") hands the items parked in printer data over to job control, once.
void UiJcImportAtCreation(SETTING_CONTEXT* ctx);
