// The interface library's own builds of common operations: its rows of the common library's hook
// table, filled when the library is loaded, before any other call into it.
#pragma once
#include "settings/library_hooks.h"

// The library's rows (unset rows keep the common build).
const LIBRARY_HOOKS* UiGetLibraryHooks();
// Fills the library's rows into the common library's table; the number of rows filled.
int UiFillLibraryHooks();
