// Texts of status records and the text settings behind them. A record's text is ANSI in the system code
// page and is read only within its field; a setting holds wide text.
#pragma once
#include <string>

#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The text of a record field of `width` bytes; false when the field holds no NUL.
bool ApiRecordText(const void* record, int offset, int width, std::string* out);
// A text setting in the system code page (empty for none or one the code page cannot hold).
std::string ApiSettingText(SETTING_CONTEXT* ctx, WORD id);
// Stores a system-code-page text in a text setting; false when the setting is no text or the text does
// not convert.
bool ApiSetSettingText(SETTING_CONTEXT* ctx, WORD id, const std::string& text);
// A setting's text := the ANSI text (cut to the setting's room); a text that does not convert empties it.
void ApiSetTextSetting(SETTING_CONTEXT* ctx, WORD id, const char* text);
// The setting's text into a field of `width` bytes, always ended inside it. whole: a text that does
// not fit leaves the field empty; otherwise it is cut at a character boundary.
void ApiGetTextSetting(SETTING_CONTEXT* ctx, WORD id, char* field, int width, bool whole);
// The setting holds a non-empty text.
bool ApiHasTextSetting(SETTING_CONTEXT* ctx, WORD id);
// The exact compare of a setting's text with an ANSI text.
bool ApiTextSettingIs(SETTING_CONTEXT* ctx, WORD id, const std::string& text);
// The size of a versioned item's record at the asked version (0: the newest); *used := the version
// read (an asked version above the newest reads as the newest).
int ApiVersionedRecordSize(DWORD statusId, DWORD version, DWORD* used);
