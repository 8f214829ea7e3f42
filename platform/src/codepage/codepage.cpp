// Code-page tables and conversions. Each code page's tables (byte -> UTF-16, lead bytes, UTF-16 -> bytes)
// are built once from the host's converter, so a conversion afterwards is plain table look-ups.
#include "kvplat/codepage.h"

#include <iconv.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/sysinfo.h"

namespace {

constexpr char16_t kNone = 0xFFFF;  // no mapping

struct CodePageTable {
  UINT cp = 0;
  bool dbcs = false;
  bool lead[256] = {};
  char16_t single[256];
  std::vector<char16_t> pairs;   // lead * 256 + trail -> UTF-16 (kNone when invalid)
  std::vector<uint16_t> toBytes; // UTF-16 unit -> bytes (lead << 8 | trail, or the single byte); 0 = none
};

struct Known {
  UINT cp;
  const char* iconvName;
};
constexpr Known kKnown[] = {
    {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"},
    {1255, "CP1255"}, {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"}, {874, "CP874"},
    {437, "CP437"},   {737, "CP737"},   {775, "CP775"},   {850, "CP850"},   {852, "CP852"},
    {855, "CP855"},   {857, "CP857"},   {866, "CP866"},   {932, "CP932"},   {936, "CP936"},
    {949, "CP949"},   {950, "CP950"},   {20127, "ASCII"}, {28591, "ISO-8859-1"},
};
constexpr size_t kKnownCount = sizeof kKnown / sizeof kKnown[0];

std::atomic<CodePageTable*> g_tables[kKnownCount];
std::mutex g_buildMu;

// Converts `in` with `cd`; returns the single UTF-16 unit it gives, or kNone.
char16_t ConvertOne(iconv_t cd, const char* in, size_t len) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char16_t out[4];
  char* ip = const_cast<char*>(in);
  char* op = reinterpret_cast<char*>(out);
  size_t il = len, ol = sizeof out;
  if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return kNone;
  if (iconv(cd, nullptr, nullptr, &op, &ol) == size_t(-1)) return kNone;
  size_t units = (sizeof out - ol) / 2;
  return units == 1 ? out[0] : kNone;
}

CodePageTable* Build(const Known& k) {
  iconv_t cd = iconv_open("UTF-16LE", k.iconvName);
  if (cd == iconv_t(-1)) return nullptr;
  auto t = std::make_unique<CodePageTable>();
  t->cp = k.cp;
  t->dbcs = k.cp == 932 || k.cp == 936 || k.cp == 949 || k.cp == 950;
  t->toBytes.assign(65536, 0);
  for (int b = 0; b < 256; ++b) {
    char c = char(b);
    char16_t u = ConvertOne(cd, &c, 1);
    // Bytes a single-byte code page leaves undefined among 0x80-0x9F stand for the control character of
    // the same value (the gaps of 1252 and its relatives); undefined bytes above are no character at all:
    // an error under MB_ERR_INVALID_CHARS, the default character otherwise.
    if (u == kNone && !t->dbcs && k.cp != 20127 && b < 0xA0) u = char16_t(b);
    // The Japanese page keeps byte 0x80 as the control character of the same value.
    if (u == kNone && k.cp == 932 && b == 0x80) u = char16_t(b);
    t->single[b] = u;
  }
  if (t->dbcs) {
    t->pairs.assign(65536, kNone);
    for (int l = 0x81; l <= 0xFE; ++l) {
      bool any = false;
      for (int tr = 0x40; tr <= 0xFE; ++tr) {
        char two[2] = {char(l), char(tr)};
        char16_t u = ConvertOne(cd, two, 2);
        // A pair that decodes as two single bytes is not a double-byte character.
        if (u == kNone) continue;
        t->pairs[l * 256 + tr] = u;
        any = true;
      }
      if (any && t->single[l] == kNone) t->lead[l] = true;
    }
  }
  iconv_close(cd);
  for (int b = 255; b >= 0; --b)
    if (t->single[b] != kNone && !t->lead[b] && (t->toBytes[t->single[b]] == 0 || t->single[b] == b))
      t->toBytes[t->single[b]] = uint16_t(b);
  if (t->dbcs)
    for (int l = 0xFE; l >= 0x81; --l) {
      if (!t->lead[l]) continue;
      for (int tr = 0xFE; tr >= 0x40; --tr) {
        char16_t u = t->pairs[l * 256 + tr];
        if (u != kNone && t->toBytes[u] == 0) t->toBytes[u] = uint16_t(l << 8 | tr);
      }
    }
  return t.release();  // kept for the life of the process
}

UINT Resolve(UINT cp) {
  switch (cp) {
    case CP_ACP:
    case CP_THREAD_ACP:
    case CP_MACCP: return GetACP();
    case CP_OEMCP: return GetOEMCP();
    default: return cp;
  }
}

const CodePageTable* Table(UINT cp) {
  for (size_t i = 0; i < kKnownCount; ++i) {
    if (kKnown[i].cp != cp) continue;
    if (CodePageTable* t = g_tables[i].load(std::memory_order_acquire)) return t;
    std::lock_guard<std::mutex> g(g_buildMu);
    if (CodePageTable* t = g_tables[i].load(std::memory_order_acquire)) return t;
    CodePageTable* t = Build(kKnown[i]);
    g_tables[i].store(t, std::memory_order_release);
    return t;
  }
  return nullptr;
}

// ---- UTF-8 ----

// Decodes one UTF-8 sequence at s[i..n); returns the code point or -1 for an invalid sequence, and sets
// *len to the bytes taken (at least 1).
int32_t DecodeUtf8(const unsigned char* s, size_t n, size_t i, size_t* len) {
  unsigned char b = s[i];
  *len = 1;
  if (b < 0x80) return b;
  int need;
  uint32_t c, min;
  if (b >= 0xC2 && b <= 0xDF) { need = 1; c = b & 0x1F; min = 0x80; }
  else if (b >= 0xE0 && b <= 0xEF) { need = 2; c = b & 0x0F; min = 0x800; }
  else if (b >= 0xF0 && b <= 0xF4) { need = 3; c = b & 0x07; min = 0x10000; }
  else return -1;
  for (int k = 1; k <= need; ++k) {
    if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
      *len = size_t(k);
      return -1;
    }
    c = (c << 6) | (s[i + k] & 0x3F);
  }
  *len = size_t(need + 1);
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
  return int32_t(c);
}

// Both converters write into a sink that counts when there is no room to write.
struct Sink16 {
  LPWSTR out;
  size_t cap;
  size_t n = 0;
  bool overflow = false;
  void Put(char16_t c) {
    if (out) {
      if (n >= cap) {
        overflow = true;
        return;
      }
      out[n] = c;
    }
    ++n;
  }
};
struct Sink8 {
  LPSTR out;
  size_t cap;
  size_t n = 0;
  bool overflow = false;
  void Put(const char* p, size_t len) {
    if (out) {
      if (n + len > cap) {
        overflow = true;
        return;
      }
      std::memcpy(out + n, p, len);
    }
    n += len;
  }
};

int Fail(DWORD err) {
  SetLastError(err);
  return 0;
}

}  // namespace

KVAPI int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR mb, int cbMultiByte, LPWSTR wide, int cchWideChar) {
  if (!mb || cbMultiByte == 0 || cchWideChar < 0 || (cchWideChar > 0 && !wide) ||
      (wide && static_cast<const void*>(mb) == static_cast<const void*>(wide)))
    return Fail(ERROR_INVALID_PARAMETER);
  UINT cp = Resolve(codePage);
  bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  if (cp == CP_UTF8 ? (flags & ~DWORD(MB_ERR_INVALID_CHARS)) != 0
                    : (flags & ~DWORD(MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS)) != 0 ||
                          ((flags & MB_PRECOMPOSED) && (flags & MB_COMPOSITE)))
    return Fail(ERROR_INVALID_FLAGS);
  // Any negative length, not only -1, means "up to and with the terminating zero".
  size_t len = cbMultiByte < 0 ? std::strlen(mb) + 1 : size_t(cbMultiByte);
  auto* s = reinterpret_cast<const unsigned char*>(mb);
  Sink16 sink{cchWideChar ? wide : nullptr, size_t(cchWideChar)};
  if (cp == CP_UTF8) {
    for (size_t i = 0; i < len;) {
      size_t l;
      int32_t c = DecodeUtf8(s, len, i, &l);
      i += l;
      if (c < 0) {
        if (strict) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        sink.Put(0xFFFD);
      } else if (c >= 0x10000) {
        sink.Put(char16_t(0xD800 + ((c - 0x10000) >> 10)));
        sink.Put(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        sink.Put(char16_t(c));
      }
    }
  } else {
    const CodePageTable* t = Table(cp);
    if (!t) return Fail(ERROR_INVALID_PARAMETER);
    for (size_t i = 0; i < len;) {
      unsigned char b = s[i];
      char16_t u;
      if (t->lead[b]) {
        u = i + 1 < len ? t->pairs[b * 256 + s[i + 1]] : kNone;
        i += (i + 1 < len && u != kNone) ? 2 : 1;
      } else {
        u = t->single[b];
        ++i;
      }
      if (u == kNone) {
        if (strict) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        u = u'?';
      }
      sink.Put(u);
    }
  }
  if (sink.overflow) return Fail(ERROR_INSUFFICIENT_BUFFER);
  return int(sink.n);
}

KVAPI int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWideChar, LPSTR mb, int cbMultiByte,
                              LPCSTR defaultChar, BOOL* usedDefaultChar) {
  if (!wide || cchWideChar == 0 || cbMultiByte < 0 || (cbMultiByte > 0 && !mb) ||
      (mb && static_cast<const void*>(mb) == static_cast<const void*>(wide)))
    return Fail(ERROR_INVALID_PARAMETER);
  UINT cp = Resolve(codePage);
  if (cp == CP_UTF8 && (defaultChar || usedDefaultChar)) return Fail(ERROR_INVALID_PARAMETER);
  if (cp == CP_UTF8 ? (flags & ~DWORD(WC_ERR_INVALID_CHARS)) != 0
                    : (flags & ~DWORD(WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR |
                                      WC_NO_BEST_FIT_CHARS | WC_ERR_INVALID_CHARS)) != 0)
    return Fail(ERROR_INVALID_FLAGS);
  size_t len = cchWideChar < 0 ? std::char_traits<char16_t>::length(wide) + 1 : size_t(cchWideChar);
  if (usedDefaultChar) *usedDefaultChar = FALSE;
  Sink8 sink{cbMultiByte ? mb : nullptr, size_t(cbMultiByte)};
  if (cp == CP_UTF8) {
    bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
    for (size_t i = 0; i < len; ++i) {
      uint32_t c = wide[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < len && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        if (strict) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        c = 0xFFFD;
      }
      char buf[4];
      size_t n;
      if (c < 0x80) { buf[0] = char(c); n = 1; }
      else if (c < 0x800) { buf[0] = char(0xC0 | (c >> 6)); buf[1] = char(0x80 | (c & 0x3F)); n = 2; }
      else if (c < 0x10000) {
        buf[0] = char(0xE0 | (c >> 12)); buf[1] = char(0x80 | ((c >> 6) & 0x3F)); buf[2] = char(0x80 | (c & 0x3F)); n = 3;
      } else {
        buf[0] = char(0xF0 | (c >> 18)); buf[1] = char(0x80 | ((c >> 12) & 0x3F));
        buf[2] = char(0x80 | ((c >> 6) & 0x3F)); buf[3] = char(0x80 | (c & 0x3F)); n = 4;
      }
      sink.Put(buf, n);
      if (sink.overflow) break;
    }
  } else {
    const CodePageTable* t = Table(cp);
    if (!t) return Fail(ERROR_INVALID_PARAMETER);
    std::string def = defaultChar ? std::string(defaultChar, defaultChar[0] && t->lead[(unsigned char)defaultChar[0]] ? 2 : 1)
                                  : std::string("?");
    if (def.empty() || def[0] == 0) def = std::string(1, '\0');
    for (size_t i = 0; i < len; ++i) {
      char16_t c = wide[i];
      uint16_t bytes = t->toBytes[c];
      if (c == 0) {
        sink.Put("", 1);
      } else if (bytes == 0) {
        if ((flags & WC_ERR_INVALID_CHARS) && c >= 0xD800 && c <= 0xDFFF) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        if (usedDefaultChar) *usedDefaultChar = TRUE;
        // A surrogate pair is one character: one default character stands for it.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < len && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) ++i;
        sink.Put(def.data(), def.size());
      } else if (bytes > 0xFF) {
        char two[2] = {char(bytes >> 8), char(bytes & 0xFF)};
        sink.Put(two, 2);
      } else {
        char one = char(bytes);
        sink.Put(&one, 1);
      }
      if (sink.overflow) break;
    }
  }
  if (sink.overflow) return Fail(ERROR_INSUFFICIENT_BUFFER);
  return int(sink.n);
}

KVAPI BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
  UINT cp = Resolve(codePage);
  if (cp == CP_UTF8) return FALSE;
  const CodePageTable* t = Table(cp);
  if (!t) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return t->lead[testChar];
}
KVAPI BOOL IsDBCSLeadByte(BYTE testChar) { return IsDBCSLeadByteEx(CP_ACP, testChar); }
KVAPI BOOL IsValidCodePage(UINT codePage) {
  return codePage == CP_UTF8 || (codePage > CP_THREAD_ACP && Table(codePage) != nullptr);
}

namespace kvp {
bool AnsiToWide(std::string_view s, std::u16string* out, UINT codePage) {
  out->clear();
  if (s.empty()) return true;
  int n = MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), nullptr, 0);
  if (n <= 0) return false;
  out->resize(size_t(n));
  MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), out->data(), n);
  return true;
}
bool WideToAnsi(std::u16string_view s, std::string* out, UINT codePage) {
  out->clear();
  if (s.empty()) return true;
  UINT cp = Resolve(codePage);
  int n = WideCharToMultiByte(cp, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  out->resize(size_t(n));
  WideCharToMultiByte(cp, 0, s.data(), int(s.size()), out->data(), n, nullptr, nullptr);
  return true;
}
}  // namespace kvp
