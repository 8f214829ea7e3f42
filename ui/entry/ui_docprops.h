// The document-properties road of applications without a sheet, the entries that start a sheet, and the
// small probes they need.
#pragma once
#include "kvplat/drvcontract.h"
#include "kvplat/spooler.h"
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;

// DEVMODE size the entries answer (fMode 0 or no output).
constexpr LONG UI_DEVMODE_SIZE = 1236;
// fMode of the advanced document settings: DM_ADVANCED | DM_PROMPT | DM_COPY.
constexpr DWORD UI_ADVANCED_FMODE = 22;

// The header's call without a sheet: cbOut := 1236; with fMode 0 or no output that size. Otherwise the
// caller's DEVMODE merged (DM_MODIFY with an input) and written (DM_UPDATE or DM_COPY): 1, or -1 when no
// context can be had, the merge or the write fails.
LONG UiDocumentPropertiesSilent(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info, int renamed);
// The sheet (DM_PROMPT) or the silent road for a header built from the arguments.
LONG UiRunDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD fMode);
// 1 on Windows 5.0 with a service pack below 4 / with service pack 4.
int UiIsWin2000BeforeSp4();
int UiIsWin2000Sp4();
// 1 when the printer-data "Permission" (REG_DWORD) could be written with `data`.
int UiWritePermissionProbe(HANDLE printer, const BYTE* data, DWORD size);
// 1 when the machine value "SaveDeviceSetup" of "Software\KAVRO\ZarnDrvCustomSetup" begins with the
// 16-bit value 1: the sheets then also write the device settings file and the restore file.
int UiIsSaveDeviceSetupOn(SETTING_CONTEXT* ctx);
// The machine's own bytes of a document call: the companions installed and the user code taken, which
// a caller's DEVMODE merged afterwards must not change.
struct UI_MACHINE_BYTES {
  BYTE jobBinder, preview, userCodeGet;
};
// Sets the companion bytes, takes the user code, and returns what they are.
UI_MACHINE_BYTES UiTakeMachineBytes(SETTING_CONTEXT* ctx);
// Puts them back after a merge (rdmUserCodeGet and rdmUserCodeDLL 1 only when the user code was taken).
void UiRestoreMachineBytes(SETTING_CONTEXT* ctx, const UI_MACHINE_BYTES& bytes);
// The environment bytes of a document call (the caller, the system, the permission) from fMode.
void UiSetDocumentEnvironment(SETTING_CONTEXT* ctx, DWORD fMode);
