// Public DEVMODE fields: their defaults, checks and merge, and the settings derived from them.
#pragma once
#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;

// Mode 1: defaults for every public field; mode 2: all settings to defaults with the printer's
// default DEVMODE adopted first; other modes: each public field checked and replaced when invalid.
void StgSetPublicDefaults(DEVMODEW* dm, int mode, SETTING_CONTEXT* ctx);
// The finishing pass of a store filled with defaults (model identity, derived geometry and state).
void StgFinishStoreDefaults(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// Recomputes paper geometry and the state settings after an adopted DEVMODE (kind 1).
void StgRefreshGeometryAndState(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind);
// Merges the incoming DEVMODE's public fields into the store DEVMODE.
void StgMergePublicFields(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
// Merges the settings that depend on the public fields.
void StgMergeDependentSettings(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
// Recomputes the derived settings (kind 2 after a merge).
void StgRefreshDerivedSettings(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind);
