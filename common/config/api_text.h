// Checks of texts from outside callers (ANSI in the system code page): names, file names and paths.
// Shared by the driver API and the printer interface library, so both apply one set of rules.
#pragma once
#include "kvplat/types.h"

// Every character is an ASCII digit or letter; an empty text passes, NULL does not.
bool ApiIsAlphanumeric(const char* text);
// False for NULL or when a refused character occurs: backslash (unless allowed), slash, colon,
// semicolon, comma, asterisk, question mark, double quote, less-than, greater-than, vertical bar.
// A double-byte character (lead byte and the byte after it) is passed over whole.
bool ApiCheckPathChars(const char* text, bool backslashAllowed);
// ApiCheckPathChars with the backslash refused.
bool ApiIsValidFileName(const char* name);
// False for NULL; a leading drive letter and colon are passed over, then ApiCheckPathChars with the
// backslash allowed.
bool ApiIsValidPath(const char* path);
// The text after the last backslash (a backslash that is the second byte of a double-byte character
// does not count); the whole text when there is none; NULL for NULL.
const char* ApiFindFileNamePart(const char* path);
// The text after the last '.' of the file-name part and its length, when the path has a folder part and
// the file-name part holds a '.'; otherwise the whole path and length 0. NULL for NULL.
const char* ApiFindExtensionPart(const char* path, int* length);
// The character occurs as a single-byte character (double-byte characters are passed over whole).
bool ApiHasChar(const char* text, char c);
