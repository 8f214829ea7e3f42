// Shared between the table sources of the settings model; not for other folders.
#pragma once

#include "settings/item_records.h"

// The template dictionary's run-time rows, in id order (row n-1 holds id n, then 10001 onwards).
extern ITEM_DESC StgTemplateRows[STG_ITEM_COUNT];

constexpr int StgRowIndexOf(int id) { return id <= 1555 ? id - 1 : id - 10001 + 1555; }
