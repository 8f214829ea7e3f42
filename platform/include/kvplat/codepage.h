// Code pages and the string functions that depend on them: conversions between ANSI/OEM/UTF-8 text and
// UTF-16, lead-byte tests, case mapping and comparison.
//
// Supported code pages: 1250-1258, 874, 437, 737, 775, 850, 852, 855, 857, 866 (single byte), 932, 936,
// 949, 950 (double byte), 20127 (US-ASCII), 28591 (Latin-1) and CP_UTF8. The tables of a code page are
// built once per process from the host's converter and kept.
#pragma once
#include <string>
#include <string_view>

#include "kvplat/types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

#define NORM_IGNORECASE 0x00000001
#define NORM_IGNORENONSPACE 0x00000002
#define NORM_IGNORESYMBOLS 0x00000004
#define NORM_IGNOREKANATYPE 0x00010000
#define NORM_IGNOREWIDTH 0x00020000
#define SORT_STRINGSORT 0x00001000
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3

// MultiByteToWideChar: converts cbMultiByte bytes (any negative length: up to and including the
// terminator) and returns the UTF-16 units written, or needed when cchWideChar is 0. Errors (result 0):
// ERROR_INVALID_PARAMETER (null input, zero length, unknown code page, same buffer), ERROR_INVALID_FLAGS,
// ERROR_INSUFFICIENT_BUFFER, ERROR_NO_UNICODE_TRANSLATION (MB_ERR_INVALID_CHARS and an invalid sequence:
// a byte the code page leaves undefined, a lead byte without a valid trail byte). In single-byte code
// pages the undefined bytes 0x80-0x9F are the control characters of the same value, never invalid.
// Without the flag an invalid sequence becomes '?' (U+FFFD for UTF-8).
KVAPI int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR mb, int cbMultiByte, LPWSTR wide, int cchWideChar);
// WideCharToMultiByte: the reverse (a negative cchWideChar: up to and including the terminator). A character the code page lacks becomes defaultChar (or the code
// page's '?') and sets *usedDefaultChar; for CP_UTF8 both must be null. Unpaired surrogates become U+FFFD
// in UTF-8 (an error with WC_ERR_INVALID_CHARS).
KVAPI int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWideChar, LPSTR mb, int cbMultiByte,
                              LPCSTR defaultChar, BOOL* usedDefaultChar);
KVAPI BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar);
KVAPI BOOL IsDBCSLeadByte(BYTE testChar);
KVAPI BOOL IsValidCodePage(UINT codePage);

// Case mapping by the platform's simple (one to one) Unicode rules. With a pointer whose high bits are
// zero, CharUpperW/CharLowerW map the single character in its low word and return it the same way.
KVAPI LPWSTR CharUpperW(LPWSTR s);
KVAPI LPWSTR CharLowerW(LPWSTR s);
KVAPI DWORD CharUpperBuffW(LPWSTR s, DWORD length);
KVAPI DWORD CharLowerBuffW(LPWSTR s, DWORD length);
// CharUpperA/CharLowerA: the same on ANSI text (double-byte characters are left as they are).
KVAPI LPSTR CharUpperA(LPSTR s);
KVAPI LPSTR CharLowerA(LPSTR s);

// lstrcmpiW compares case-folded code points; lstrcmpW the same, with a lower-case letter before the
// upper-case one when the strings differ only in case (the order of the platform's word sort for Latin
// letters; the full linguistic order is not modelled). A null string sorts before every other.
KVAPI int lstrcmpW(LPCWSTR a, LPCWSTR b);
KVAPI int lstrcmpiW(LPCWSTR a, LPCWSTR b);
KVAPI int lstrlenW(LPCWSTR s);
// lstrcpynW: copies at most max-1 characters and terminates; returns dst (null for null arguments).
KVAPI LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int max);
// CompareStringW: CSTR_LESS_THAN/EQUAL/GREATER_THAN with the lstrcmp(i)W order (NORM_IGNORECASE);
// counts of -1 mean terminated strings. 0 with ERROR_INVALID_PARAMETER or ERROR_INVALID_FLAGS.
KVAPI int CompareStringW(LCID locale, DWORD flags, LPCWSTR s1, int c1, LPCWSTR s2, int c2);

namespace kvp {
// Conversions for the platform's own A entry points; false when the code page is unknown.
bool AnsiToWide(std::string_view s, std::u16string* out, UINT codePage = CP_ACP);
bool WideToAnsi(std::u16string_view s, std::string* out, UINT codePage = CP_ACP);
WCHAR UpperChar(WCHAR c);
WCHAR LowerChar(WCHAR c);
}  // namespace kvp
