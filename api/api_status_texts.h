// What the job, method and quality items share: texts of a record read within their fields, the texts
// of settings in the system code page, and capability answers of the connection.
#pragma once
#include <string>

#include "api_status_text.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Zeroes the field and copies `text` with its NUL into it when it has 1 to width - 1 bytes; a longer
// text is left out, never cut.
void ApiPutRecordText(void* record, int offset, int width, const std::string& text);
// Every character is an ASCII digit (an empty text passes).
bool ApiIsDigits(const std::string& text);
// The answer of a capability on the context's connection (-1 for a context of no connection).
int ApiCapabilityAnswer(SETTING_CONTEXT* ctx, DWORD capsId);
// Stores the setting as a device setting in the driver INI (or its own medium), journalled first so a
// refused set puts the old value back.
void ApiStoreDeviceSetting(SETTING_CONTEXT* ctx, WORD id);
// Hands job items to the job-control link, announced to the set's journal first.
int ApiWriteJournalledJobItems(SETTING_CONTEXT* ctx, DWORD mask);
