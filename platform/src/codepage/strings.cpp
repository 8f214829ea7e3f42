// Case mapping and comparison of UTF-16 and ANSI text.
#include <locale.h>
#include <wctype.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"

namespace {

// One-to-one case tables for the Basic Multilingual Plane, built once from the host's Unicode data.
struct CaseTables {
  std::vector<char16_t> upper, lower;
  CaseTables() : upper(65536), lower(65536) {
    locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (!loc) loc = newlocale(LC_CTYPE_MASK, "C.utf8", nullptr);
    for (uint32_t c = 0; c < 65536; ++c) {
      char16_t u = char16_t(c), l = char16_t(c);
      if (c < 0xD800 || c > 0xDFFF) {
        if (loc) {
          wint_t uu = towupper_l(wint_t(c), loc), ll = towlower_l(wint_t(c), loc);
          if (uu < 0x10000) u = char16_t(uu);
          if (ll < 0x10000) l = char16_t(ll);
        } else {
          u = kvp::WFoldUpper(char16_t(c));
          if (c >= u'A' && c <= u'Z') l = char16_t(c + 32);
        }
      }
      upper[c] = u;
      lower[c] = l;
    }
    if (loc) freelocale(loc);
  }
};
const CaseTables& Cases() {
  static const CaseTables* t = new CaseTables();
  return *t;
}

template <bool Upper>
LPWSTR MapW(LPWSTR s) {
  if (!s) return nullptr;
  if ((uintptr_t(s) >> 16) == 0) {
    WCHAR c = WCHAR(uintptr_t(s));
    return reinterpret_cast<LPWSTR>(uintptr_t(Upper ? kvp::UpperChar(c) : kvp::LowerChar(c)));
  }
  for (LPWSTR p = s; *p; ++p) *p = Upper ? kvp::UpperChar(*p) : kvp::LowerChar(*p);
  return s;
}

template <bool Upper>
DWORD MapBuffW(LPWSTR s, DWORD n) {
  if (!s) return 0;
  for (DWORD i = 0; i < n; ++i) s[i] = Upper ? kvp::UpperChar(s[i]) : kvp::LowerChar(s[i]);
  return n;
}

// Maps one ANSI character through UTF-16; characters without a single-byte image are kept.
template <bool Upper>
char MapAnsiChar(UINT cp, char c) {
  WCHAR w;
  if (MultiByteToWideChar(cp, 0, &c, 1, &w, 1) != 1) return c;
  w = Upper ? kvp::UpperChar(w) : kvp::LowerChar(w);
  char out[2];
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(cp, 0, &w, 1, out, 2, nullptr, &usedDefault);
  return (n == 1 && !usedDefault) ? out[0] : c;
}

template <bool Upper>
LPSTR MapA(LPSTR s) {
  if (!s) return nullptr;
  UINT cp = GetACP();  // once per call: the profile is not read again for every character
  if ((uintptr_t(s) >> 16) == 0) return reinterpret_cast<LPSTR>(uintptr_t(BYTE(MapAnsiChar<Upper>(cp, char(uintptr_t(s))))));
  for (LPSTR p = s; *p; ++p) {
    if (IsDBCSLeadByteEx(cp, BYTE(*p))) {
      if (!p[1]) break;
      ++p;
      continue;
    }
    *p = MapAnsiChar<Upper>(cp, *p);
  }
  return s;
}

int Compare(const WCHAR* a, size_t na, const WCHAR* b, size_t nb, bool ignoreCase) {
  size_t n = na < nb ? na : nb;
  for (size_t i = 0; i < n; ++i) {
    WCHAR x = kvp::UpperChar(a[i]), y = kvp::UpperChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (na != nb) return na < nb ? -1 : 1;
  if (ignoreCase) return 0;
  // Equal but for case: the lower-case letter comes first.
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    bool aLower = kvp::LowerChar(a[i]) == a[i];
    return aLower ? -1 : 1;
  }
  return 0;
}

int CompareNullable(LPCWSTR a, LPCWSTR b, bool ignoreCase) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  return Compare(a, kvp::WLen(a), b, kvp::WLen(b), ignoreCase);
}

}  // namespace

namespace kvp {
WCHAR UpperChar(WCHAR c) { return c < 0x80 ? (c >= u'a' && c <= u'z' ? WCHAR(c - 32) : c) : Cases().upper[c]; }
WCHAR LowerChar(WCHAR c) { return c < 0x80 ? (c >= u'A' && c <= u'Z' ? WCHAR(c + 32) : c) : Cases().lower[c]; }
}  // namespace kvp

KVAPI LPWSTR CharUpperW(LPWSTR s) { return MapW<true>(s); }
KVAPI LPWSTR CharLowerW(LPWSTR s) { return MapW<false>(s); }
KVAPI DWORD CharUpperBuffW(LPWSTR s, DWORD n) { return MapBuffW<true>(s, n); }
KVAPI DWORD CharLowerBuffW(LPWSTR s, DWORD n) { return MapBuffW<false>(s, n); }
KVAPI LPSTR CharUpperA(LPSTR s) { return MapA<true>(s); }
KVAPI LPSTR CharLowerA(LPSTR s) { return MapA<false>(s); }

KVAPI int lstrcmpW(LPCWSTR a, LPCWSTR b) { return CompareNullable(a, b, false); }
KVAPI int lstrcmpiW(LPCWSTR a, LPCWSTR b) { return CompareNullable(a, b, true); }
KVAPI int lstrlenW(LPCWSTR s) { return int(kvp::WLen(s)); }

KVAPI LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int max) {
  if (!dst || !src) return nullptr;
  if (max <= 0) return dst;
  kvp::WCopy(dst, size_t(max), src);
  return dst;
}

KVAPI int CompareStringW(LCID locale, DWORD flags, LPCWSTR s1, int c1, LPCWSTR s2, int c2) {
  if (!s1 || !s2 || c1 < -1 || c2 < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  constexpr DWORD kKnownFlags = NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | NORM_IGNOREKANATYPE |
                                NORM_IGNOREWIDTH | SORT_STRINGSORT;
  if (flags & ~kKnownFlags) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  size_t n1 = c1 == -1 ? kvp::WLen(s1) : size_t(c1);
  size_t n2 = c2 == -1 ? kvp::WLen(s2) : size_t(c2);
  int r = Compare(s1, n1, s2, n2, (flags & NORM_IGNORECASE) != 0);
  return r < 0 ? CSTR_LESS_THAN : (r == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN);
}
