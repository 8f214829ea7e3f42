// PJL text of the job: the producers of the job header, page header and page trailer blocks.
#pragma once
#include "config/string_handover.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Text producers of the job header, page header and page trailer: with no buffer they put the text's
// length in *length; with a buffer of `size` bytes they write the text (not zero-terminated). A negative
// result is a failure, 0 or 1 success.
int GrJobHeaderProducer(SETTING_CONTEXT* context, DWORD size, char* buffer, DWORD* length);
int GrPageHeaderProducer(SETTING_CONTEXT* context, DWORD size, char* buffer, DWORD* length);
int GrPageTrailerProducer(SETTING_CONTEXT* context, DWORD size, char* buffer, DWORD* length);

// The graphics library's own copy of the hand-over table (keys 731, 733, 735 with string ids 15000-15002,
// then a row of zeros). Escape 122 copies the interface library's texts into it; the job header loads a
// row's text anew from the resource library when it writes that option's value.
extern STRING_HANDOVER_ROW GR_STRING_TABLE[kStringHandoverRows];
