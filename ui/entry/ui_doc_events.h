// Document events of a printer device context and the hand-over of localized texts to the graphics
// library at the start of a document.
#pragma once
#include "config/string_handover.h"
#include "kvplat/types.h"
#include "kvplat/window.h"

// The escape that carries the hand-over table to the graphics library.
constexpr int UI_ESCAPE_STRING_TABLE = 122;

// Fills `table` (kStringHandoverRows rows) from the hand-over keys and string ids with the texts of the
// printer's hand-over library: every text empty when the library or a string cannot be had, each cut to
// 260 characters. Each call fills its own copy, so documents starting on two threads never mix texts.
void UiFillStringTable(HANDLE printer, STRING_HANDOVER_ROW* table);
// Fills a table and sends it through the device context (escape 122, 2104 bytes).
void UiSendStringTable(HANDLE printer, HDC dc);
// Empties `text` (261 characters) and loads string `id` of the hand-over library into it, loading the
// library into *module on first use.
void UiLoadHandoverText(HANDLE printer, HMODULE* module, UINT id, WCHAR* text);
// The hand-over library kept in *module: the driver folder, the printer-data "HelpFileName" with its
// extension made "dll". None when the value or the library is missing.
HMODULE UiLoadHandoverLibrary(HANDLE printer, HMODULE* module);
// 1 when the printer-data "HelpFileName" was read into buf (`bytes` bytes); 0 for no buffer, a zero size
// or a failed read.
int UiReadHelpFileNameValue(WCHAR* buf, DWORD bytes, HANDLE printer);
