// Composite resource strings of the interface library: a loaded string completed or replaced with
// current values (tray names, custom sizes with their unit, size limits, module texts, custom media
// names), by the one decoration table of the common library.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Decorates `text` (the string `stringId` as loaded) in place, never past capacity - 1 characters and
// never inside a surrogate pair. An id without a decoration row leaves the text as it is.
void DlgComposeDynamicString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* text, int capacity);

// The library's build of the resource-string loader: dest := the string, cut to capacity - 1
// characters, decorated with DlgComposeDynamicString when asked; empty when the library or the string
// is missing (a missing library's strings are not decorated).
void DlgLoadString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* dest, int capacity, int decorate);
