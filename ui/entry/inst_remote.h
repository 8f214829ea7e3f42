// Remote configuration through the status service.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The DEVMODE kept by the remote configuration, into `dm`; *serverType (when given) the server's type.
BOOL InstFetchRemoteDevmode(SETTING_CONTEXT* ctx, DEVMODEW* dm, BYTE* serverType);
// Fetches the remote configuration of kind 7 (feature bit 7) or 0 (feature bit 0).
BOOL InstFetchRemoteConfig(int kind, DWORD ignored, SETTING_CONTEXT* ctx);
// Clears what the remote configuration saved for the printer.
BOOL InstClearRemoteSavedInfo(SETTING_CONTEXT* ctx);
// The bidi INI of the data folder (secured in place of the folder on systems before major version 5).
void InstCreateBidiIni(SETTING_CONTEXT* ctx);
