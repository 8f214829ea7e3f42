// The system profile (<root>/machine.ini) and the queries that answer from it: OS version, terminal-server
// mode, locale and language, user and computer name, ANSI and OEM code pages.
#pragma once
#include <string>

#include "kvplat/types.h"

namespace kvp {

// Reads key `key` of section [System] of the current root's machine.ini (keys compare without case).
// Numbers are decimal or 0x-hexadecimal; a missing file, key or unreadable number gives `def`.
// The file is parsed once and kept: a change made through ProfileSet, in this or another process, is seen
// at the next call; an edit made by other means within a second (kvp::test::NoteOutsideChange makes it
// seen at once). Selecting another root drops the copy.
DWORD ProfileGetInt(const char* key, DWORD def);
std::string ProfileGetString(const char* key, const std::string& def);
// Writes (adds or replaces) key `key` of [System]; the file is replaced atomically so other processes
// never see half of it. Returns ERROR_SUCCESS, ERROR_INVALID_PARAMETER (null/empty key, line breaks),
// or ERROR_WRITE_FAULT when the file cannot be written.
DWORD ProfileSet(const char* key, const std::string& value);

}  // namespace kvp

// ---- Version -------------------------------------------------------------------------------------------

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define VER_NT_WORKSTATION 1
#define VER_NT_DOMAIN_CONTROLLER 2
#define VER_NT_SERVER 3

#define VER_SUITE_SMALLBUSINESS 0x0001
#define VER_SUITE_ENTERPRISE 0x0002
#define VER_SUITE_TERMINAL 0x0010
#define VER_SUITE_SINGLEUSERTS 0x0100

#define VER_MINORVERSION 0x0000001
#define VER_MAJORVERSION 0x0000002
#define VER_BUILDNUMBER 0x0000004
#define VER_PLATFORMID 0x0000008
#define VER_SERVICEPACKMINOR 0x0000010
#define VER_SERVICEPACKMAJOR 0x0000020
#define VER_SUITENAME 0x0000040
#define VER_PRODUCT_TYPE 0x0000080

#define VER_EQUAL 1
#define VER_GREATER 2
#define VER_GREATER_EQUAL 3
#define VER_LESS 4
#define VER_LESS_EQUAL 5
#define VER_AND 6
#define VER_OR 7

typedef struct _OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *LPOSVERSIONINFOW;

typedef struct _OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
} OSVERSIONINFOEXW, *LPOSVERSIONINFOEXW;

static_assert(sizeof(OSVERSIONINFOW) == 276);
static_assert(sizeof(OSVERSIONINFOEXW) == 284);
static_assert(offsetof(OSVERSIONINFOEXW, wServicePackMajor) == 276);
static_assert(offsetof(OSVERSIONINFOEXW, wSuiteMask) == 280);
static_assert(offsetof(OSVERSIONINFOEXW, wProductType) == 282);

// GetVersionExW: fills the record whose dwOSVersionInfoSize is 276 (basic) or 284 (extended) from the
// profile (OSMajor, OSMinor, OSBuild, ProductType, TerminalServer, and the optional ServicePackMajor,
// ServicePackMinor, CSDVersion, PlatformId). Any other size or null: FALSE, ERROR_INVALID_PARAMETER.
KVAPI BOOL GetVersionExW(LPOSVERSIONINFOW info);
// VerSetConditionMask: records condition `cond` for every field bit of `typeMask` in the mask.
KVAPI ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE cond);
// VerifyVersionInfoW: TRUE when this machine meets every requested test. Version numbers (major, minor,
// service-pack major, service-pack minor) are compared as one version with the condition of the highest
// field asked. FALSE with ERROR_OLD_WIN_VERSION when a test fails; ERROR_BAD_ARGUMENTS for an empty mask.
KVAPI BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, ULONGLONG conditionMask);

// ---- Locale --------------------------------------------------------------------------------------------

typedef DWORD LCTYPE;

#define LOCALE_NEUTRAL 0x0000
#define LOCALE_INVARIANT 0x007F
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800

#define LOCALE_NOUSEROVERRIDE 0x80000000
#define LOCALE_RETURN_NUMBER 0x20000000

#define LOCALE_ILANGUAGE 0x00000001
#define LOCALE_SLANGUAGE 0x00000002
#define LOCALE_SABBREVLANGNAME 0x00000003
#define LOCALE_ICOUNTRY 0x00000005
#define LOCALE_SCOUNTRY 0x00000006
#define LOCALE_IDEFAULTCODEPAGE 0x0000000B
#define LOCALE_SENGLANGUAGE 0x00001001
#define LOCALE_SENGCOUNTRY 0x00001002
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004
#define LOCALE_SISO639LANGNAME 0x00000059
#define LOCALE_SISO3166CTRYNAME 0x0000005A
#define LOCALE_SNAME 0x0000005C

KVAPI LCID GetUserDefaultLCID(void);
KVAPI LCID GetSystemDefaultLCID(void);
KVAPI LANGID GetUserDefaultLangID(void);
KVAPI LANGID GetSystemDefaultLangID(void);
KVAPI LANGID GetUserDefaultUILanguage(void);
KVAPI LANGID GetSystemDefaultUILanguage(void);
// GetLocaleInfoW: writes the value of `type` for `locale` and returns the characters written including
// the terminator; with cch 0 returns the size needed. Too small a buffer: 0, ERROR_INSUFFICIENT_BUFFER.
// An unknown locale or type: 0, ERROR_INVALID_PARAMETER (ERROR_INVALID_FLAGS for LOCALE_RETURN_NUMBER
// on a text value). LOCALE_RETURN_NUMBER writes the number as a DWORD (cch counts WCHARs: 2).
KVAPI int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int cch);
// GetLocaleInfoA: the same in bytes of the ANSI code page.
KVAPI int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int cch);
KVAPI BOOL IsValidLocale(LCID locale, DWORD flags);

// ---- Names and code pages -----------------------------------------------------------------------------

#define UNLEN 256
#define MAX_COMPUTERNAME_LENGTH 15

// GetUserNameW: *size is the buffer's capacity in characters; on success the characters written including
// the terminator. Too small: FALSE, ERROR_INSUFFICIENT_BUFFER and *size = the capacity needed.
KVAPI BOOL GetUserNameW(LPWSTR buffer, LPDWORD size);
KVAPI BOOL GetUserNameA(LPSTR buffer, LPDWORD size);
// GetComputerNameW: on success *size is the length without terminator. Too small: FALSE,
// ERROR_BUFFER_OVERFLOW and *size = the capacity needed (with the terminator).
KVAPI BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size);

// The ANSI and OEM code pages of the machine (profile keys ACP, OEMCP; 1252 and 437 by default).
KVAPI UINT GetACP(void);
KVAPI UINT GetOEMCP(void);
