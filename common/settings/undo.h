// Three-deep undo of the whole settings store, and the copy of the dictionary's run-time rows.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct ITEM_DICTIONARY;

constexpr DWORD STG_UNDO_DEPTH = 3;

// Saves the store and its change word as the newest snapshot and broadcasts module event 26.
// 1 pushed; 0 when three snapshots are held already or the context has no store (nothing changes).
int StgPushUndo(SETTING_CONTEXT* ctx);
// Drops the newest snapshot; with restore != 0 it first becomes the store again (change word back,
// store-modified flag and every row's change state cleared, module event 27). 1 popped; 0 when
// nothing was pushed (nothing changes).
int StgPopUndo(SETTING_CONTEXT* ctx, int restore);
// A copy of the context's dictionary rows with their run-time fields, owned by the caller until
// StgRestoreDictionary; none when no memory (a header without rows when only the rows failed).
ITEM_DICTIONARY* StgSaveDictionary(SETTING_CONTEXT* ctx);
// Copies the saved rows back (when the copy has the dictionary's rows) and frees the copy.
void StgRestoreDictionary(SETTING_CONTEXT* ctx, ITEM_DICTIONARY* copy);
