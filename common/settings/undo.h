// Undo of the whole settings store (eight deep), and the copy of the dictionary's run-time rows.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct ITEM_DICTIONARY;

// The property sheets nest their snapshots: the sheet's own, a page's sub-dialog, the file dialog it
// opens and that dialog's trial loads, with room to spare. Nothing stored depends on the depth.
constexpr DWORD STG_UNDO_DEPTH = 8;
// Index of the current change word in CONTEXT_WORK_AREA::changeWords (the ones before it travel with
// the snapshots).
constexpr DWORD STG_CHANGE_WORD_CURRENT = STG_UNDO_DEPTH;

// Saves the store and its change word as the newest snapshot and broadcasts module event 26.
// 1 pushed; 0 when STG_UNDO_DEPTH snapshots are held already or the context has no store (nothing changes).
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
