// The interface library's own builds of common operations: its rows of the common library's hook
// table, filled when the library is loaded, before any other call into it.
#pragma once
#include "settings/library_hooks.h"

// The library's rows (unset rows keep the common build).
const LIBRARY_HOOKS* UiGetLibraryHooks();
// Fills the library's rows into the common library's table; the number of rows filled.
int UiFillLibraryHooks();

// The builds that live here (the others belong to the files of their areas).
// The mark of this library's DEVMODEs after the common texts: "KCOMMON" and 5.
void UiWritePrivateTexts(SETTING_CONTEXT* ctx);
// The environment bytes of a fresh store (UiSetSetupEnvironment).
void UiInitStateBytes(SETTING_CONTEXT* ctx);
// The language of the context's resources (UiSetResourceLanguage).
void UiSetContextLanguage(SETTING_CONTEXT* ctx);
// The common size of a custom paper; in the oriented form a size taken from the DEVMODE's own width and
// length also reads exchanged under orientation 2, as the slot sizes do. 1 done, 0 not.
int UiGetCustomPaperSize(SETTING_CONTEXT* ctx, LONG size[2], DWORD code, int oriented);
// The automatic actions: each value action is stored as the common build stores it, but an action on
// wdmBuiltInFunc is a follow-up code of the sheets, run on the open sheet instead of stored.
DWORD UiRunTransact(SETTING_CONTEXT* ctx, IMG_REF transacts);
// The user's quality macro: 160 restores quality entry 128 as well as 32-39 entries 0-7.
LONG UiApplyUserMacro(SETTING_CONTEXT* ctx);
// The common chapter merge; a refusal is shown to the user (its cause's message, MB_ICONWARNING, owned
// by the chapter dialog) and answers 1, the rows unchanged; an accepted merge selects the last row of the
// chapter list. 0 accepted.
int UiEditChapterRows(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, const DWORD* pages, void* unused,
                      const WCHAR (*ranges)[STG_CHAPTER_RANGE_CHARS]);
// Deletes the row selected in the chapter list (control 2800 of dialog 1044) and selects the row at its
// place, or the new last row: 0, or 1 without the list or a selected row.
int UiDeleteChapterRow(SETTING_CONTEXT* ctx);
// Empties the rows and selects the first entry of the chapter list when it exists. 0.
int UiClearChapterRows(SETTING_CONTEXT* ctx);
