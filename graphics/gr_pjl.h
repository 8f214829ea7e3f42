// PJL text of the job: the producers of the job header, page header and page trailer blocks, and the
// interpreter of the compiled image's command lists they run.
#pragma once
#include <cstdint>

#include "config/string_handover.h"
#include "driverdata/img_image.h"
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

// Where a run of a command list puts its text: with no buffer only the length is counted. Writing never
// passes `size`; a text that would is cut there and the output is marked as overflowed.
struct GR_PJL_OUT {
  char* buffer;
  DWORD size;
  DWORD length;
  bool overflow;
};

// Runs a command list (its root block, an image address, or 0 for none) into `size` bytes of `buffer`
// (none: only the length), the length in *length. Returns -1 when an item has an unknown kind, a setting
// command lacks its setting or command node, or a string setting has no text; else 0, or 1 for a sizing
// run that found text to write. A writing run whose text does not fill exactly `size` bytes fails.
int GrProduceCommandList(SETTING_CONTEXT* context, IMG_REF block, DWORD size, char* buffer, DWORD* length);

// The command node of a setting command: the first node of the feature list with the item's key whose
// sub-key equals `subKey` or that matches any sub-key (flag 0x1000); 0 when none.
IMG_REF GrFindCommandNode(WORD key, WORD subKey, SETTING_CONTEXT* context);

// The text of stored value `value` of setting `id` for the PJL: for a list setting the text of the option
// whose stored value it is, for an on/off setting its on or off text; none otherwise or when none matches.
const char* GrGetOptionText(SETTING_CONTEXT* context, WORD id, DWORD value);

// Appends prefix, value and suffix (each when present); counts only when the output has no buffer.
void GrAppendPjlLine(GR_PJL_OUT* out, const char* prefix, const char* value, const char* suffix);
// Appends the line "@PJL SET key = value \r\n"; nothing when key or value is missing.
void GrPutPjlSet(GR_PJL_OUT* out, const char* key, const char* value);
// dest (at least 32 bytes) := key followed by n in decimal, without a blank. dest is returned.
char* GrNumberedKey(char* dest, size_t bytes, const char* key, int n);
// The chapter lines of the context's chapter rows: the trays that start chapters with their duplex
// choice, then each row's page lines. Nothing without rows or without a tray limit.
void GrPutChapterSettings(SETTING_CONTEXT* context, GR_PJL_OUT* out);
// The DEVFONTID line of the context's device fonts (nothing without any).
void GrPutDevFontIds(SETTING_CONTEXT* context, GR_PJL_OUT* out);
// The value of a scaled number: value * multiplier / divisor in signed 64-bit arithmetic. False (nothing
// to write) for a zero divisor.
bool GrScaleValue(int64_t value, int64_t multiplier, int64_t divisor, int64_t* result);
