// Device capabilities: the answer to every capability index of the contract, from the model constants,
// from the printer's stored state, or from a capability context with the caller's DEVMODE merged.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Lock bits of "rdmLock000InfoBit" and "rdmLock001InfoBit" the answers look at.
constexpr BYTE UI_LOCK_NUP_KIND = 0x08;
constexpr BYTE UI_LOCK_NUP_ALL = 0x10;
constexpr BYTE UI_LOCK_DUPLEX = 0x20;
constexpr BYTE UI_LOCK_COLOR = 0x01;
// Setting ids of the two lock bytes (UiReadLockBits).
constexpr WORD UI_LOCK_BYTE_000 = 10418;
constexpr WORD UI_LOCK_BYTE_001 = 10426;

// The answers that need settings: the context (kind 0x1000000) with the caller's DEVMODE merged (not
// for DC_TRUETYPE and DC_DATATYPE_PRODUCED). -1 when the printer is not ready, no context can be had,
// the merge or a list fails.
DWORD UiCapsFromContext(HANDLE printer, LPWSTR ignored, WORD capability, void* output, PDEVMODEW devmode);
// DC_COLORDEVICE from the printer's own DEVMODE: 0 or 1, -1 without one.
DWORD UiCapsFromPrinterDevmode(HANDLE printer, LPWSTR ignored, WORD capability);
// 1 and the printer's DEVMODE (STG_DEVMODE_SIZE bytes) into dst when the printer holds one of this
// driver's size (dmSize + dmDriverExtra); 0 otherwise (a DEVMODE of another size counts as none).
int UiGetPrinterDevmode(HANDLE printer, DEVMODEW* dst);
// DC_DUPLEX from the printer-data "Duplex": 1, 0, or -1 when it cannot be read (and for other indexes).
DWORD UiCapsDuplex(HANDLE printer, LPWSTR ignored, WORD capability);
// 0 when the DEVMODE is not of a colour machine, or colour is locked and the DEVMODE is monochrome; else 1.
int UiCapsColorDevice(BYTE lockBits, const DEVMODEW* dm);
int UiCapsTrueType(SETTING_CONTEXT* ctx);
int UiCapsCollate(SETTING_CONTEXT* ctx);
// "ZARN" into 32 characters of output (when given); 1.
int UiCapsPersonality(void* output);
// Papers in the trays (each once, at most 32): their names in 64-character fields; the count.
int UiCapsMediaReady(SETTING_CONTEXT* ctx, void* output);
int UiCapsStaple(SETTING_CONTEXT* ctx);
// Pages per sheet of the N-up steps the lock bits leave: the number of DWORD entries written (or that
// would be written without an output).
int UiCapsNup(HANDLE printer, BYTE lockBits, void* output);
// "PPM" of the printer's driver-name section of the model INI; 0 when absent.
int UiGetPagesPerMinute(HANDLE printer);
// 1 when the setting has a selectable value (switch-off rows left out).
int UiIsSettingSelectable(SETTING_CONTEXT* ctx, WORD id);
