// UTF-16 text helpers for code that works on WCHAR strings (never wchar_t).
#pragma once
#include <string>
#include <string_view>
#include "kvplat/types.h"

namespace kvp {

inline size_t WLen(const WCHAR* s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

// Copies at most cap-1 characters and always terminates (when cap > 0). Returns the characters copied.
inline size_t WCopy(WCHAR* dst, size_t cap, const WCHAR* src) {
  if (!dst || cap == 0) return 0;
  size_t n = 0;
  if (src)
    for (; n + 1 < cap && src[n]; ++n) dst[n] = src[n];
  dst[n] = 0;
  return n;
}

// Simple case folding used for names (files, INI sections and keys, registry keys): ASCII and Latin-1.
inline WCHAR WFoldUpper(WCHAR c) {
  if (c >= u'a' && c <= u'z') return WCHAR(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return WCHAR(c - 32);
  if (c == 0xFF) return 0x178;
  return c;
}

inline int WCompareI(std::u16string_view a, std::u16string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    WCHAR x = WFoldUpper(a[i]), y = WFoldUpper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
inline bool WEqualI(std::u16string_view a, std::u16string_view b) { return WCompareI(a, b) == 0; }

inline std::u16string_view WView(const WCHAR* s) { return s ? std::u16string_view(s, WLen(s)) : std::u16string_view(); }

// UTF-8 <-> UTF-16 for host-side names (file names on disk, messages). Invalid sequences become U+FFFD.
std::string ToUtf8(std::u16string_view s);
std::u16string FromUtf8(std::string_view s);

}  // namespace kvp
