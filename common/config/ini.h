// INI access through the platform's private-profile functions: the section name is normalised
// ('[' and ']' become ','), numbers are read with the profile's integer reading, and every write is
// followed by a flush of the profile cache so that the next reader, in this process or another, sees
// it at once. Also the section lookup in an ANSI INI text.
#pragma once
#include "kvplat/types.h"

// Longest section name the wrappers take (a longer one reads as absent and fails to write).
constexpr DWORD CFG_MAX_SECTION = 260;

// The number, or `def` when the key is absent, unreadable or the section name too long.
int CfgIniGetInt(const WCHAR* section, const WCHAR* key, int def, const WCHAR* iniPath);
// Characters copied into buffer (at most chars - 1, always terminated); the default when absent.
DWORD CfgIniGetString(const WCHAR* section, const WCHAR* key, const WCHAR* def, WCHAR* buffer, DWORD chars,
                      const WCHAR* iniPath);
// Writes the value; a missing key deletes the section, a missing value the key. Then flushes.
BOOL CfgIniWriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* iniPath);
// Every '[' and ']' becomes ','; the same pointer (none for none).
WCHAR* CfgNormalizeSectionName(WCHAR* section);
// The '[' of the section's header line in an ANSI INI text of `length` bytes, or none. With
// sectionLength, the bytes of the header line and of every line up to the next line beginning with '['.
const char* CfgFindIniSectionText(const char* section, const char* text, DWORD length, DWORD* sectionLength);
// The character after the next line feed and the count passed (line feed included); at the end of the
// text, one past the terminator with a count that includes it.
const char* CfgSkipTextLine(const char* text, DWORD* count);
