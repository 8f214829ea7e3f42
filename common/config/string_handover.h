// The localized texts the interface library hands the graphics library at the start of a document
// (escape 122). Both libraries hold a table of this layout: the interface library fills its own from the
// resource library and sends it; the graphics library copies the texts into its own copy.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

#pragma pack(push, 1)
struct STRING_HANDOVER_ROW {
  WORD key;        // option value the text replaces in the job header; 0 ends the table
  WORD stringId;   // id of the text in the resource library
  WCHAR text[261]; // zero-terminated, at most 260 characters
};
#pragma pack(pop)
static_assert(sizeof(STRING_HANDOVER_ROW) == 526 && offsetof(STRING_HANDOVER_ROW, text) == 4);

// Rows of a hand-over table: keys 731, 733 and 735 with string ids 15000-15002, then a row of zeros.
constexpr int kStringHandoverRows = 4;
static_assert(kStringHandoverRows * sizeof(STRING_HANDOVER_ROW) == 2104);
