// PJL text of the job: the producers of the job header, page header and page trailer blocks.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Text producers of the job header, page header and page trailer: with no buffer they put the text's
// length in *length; with a buffer of `size` bytes they write the text (not zero-terminated). A negative
// result is a failure, 0 or 1 success.
int GrJobHeaderProducer(SETTING_CONTEXT* context, DWORD size, char* buffer, DWORD* length);
int GrPageHeaderProducer(SETTING_CONTEXT* context, DWORD size, char* buffer, DWORD* length);
int GrPageTrailerProducer(SETTING_CONTEXT* context, DWORD size, char* buffer, DWORD* length);
