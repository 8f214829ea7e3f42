// Code-page conversions, lead bytes, case mapping and comparison.
#include <gtest/gtest.h>

#include <climits>

#include <string>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvtest/temp_root.h"

TEST(CodePage, RoundTripsPerCodePage) {
  struct Case {
    UINT cp;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {1252, "Caf\xE9 \x80", u"Café €"},
      {1250, "\xA3\xF3\x9F", u"Łóź"},
      {1251, "\xCF\xF0\xE8", u"При"},
      {932, "\x93\xFA\x96\x7B\xB1", u"日本ｱ"},
      {936, "\xD6\xD0\xCE\xC4", u"中文"},
      {949, "\xC7\xD1\xB1\xDB", u"한글"},
      {950, "\xA4\xA4\xA4\xE5", u"中文"},
      {932, "a\x80z", u"a\u0080z"},
      {437, "\x82", u"é"},
      {CP_UTF8, "\xE2\x82\xAC\xF0\x9F\x98\x80", u"€\U0001F600"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cp);
    int n = MultiByteToWideChar(c.cp, 0, c.bytes.data(), int(c.bytes.size()), nullptr, 0);
    ASSERT_EQ(n, int(c.text.size()));
    std::u16string w(size_t(n), u'\0');
    EXPECT_EQ(MultiByteToWideChar(c.cp, MB_ERR_INVALID_CHARS, c.bytes.data(), int(c.bytes.size()), w.data(), n), n);
    EXPECT_EQ(w, c.text);
    int m = WideCharToMultiByte(c.cp, 0, c.text.data(), int(c.text.size()), nullptr, 0, nullptr, nullptr);
    ASSERT_EQ(m, int(c.bytes.size()));
    std::string b(size_t(m), '\0');
    EXPECT_EQ(WideCharToMultiByte(c.cp, 0, c.text.data(), int(c.text.size()), b.data(), m, nullptr, nullptr), m);
    EXPECT_EQ(b, c.bytes);
  }
}

TEST(CodePage, CountsTerminatorsAndBuffers) {
  WCHAR w[16];
  // -1 counts the terminator in and writes it.
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, w, 16), 4);
  EXPECT_EQ(std::u16string_view(w), u"abc");
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", 3, w, 16), 3);  // an explicit count writes none
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, w, 3), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  char b[8];
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"日本", -1, nullptr, 0, nullptr, nullptr), 5);
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"日本", -1, b, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);

  struct Bad {
    UINT cp;
    DWORD flags;
    const char* src;
    int len;
    DWORD err;
  } bad[] = {
      {1252, 0, nullptr, 3, ERROR_INVALID_PARAMETER},
      {1252, 0, "abc", 0, ERROR_INVALID_PARAMETER},
      {12345, 0, "abc", 3, ERROR_INVALID_PARAMETER},
      {CP_UTF8, MB_PRECOMPOSED, "abc", 3, ERROR_INVALID_FLAGS},
      {CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3", 2, ERROR_NO_UNICODE_TRANSLATION},
      {CP_UTF8, MB_ERR_INVALID_CHARS, "\xED\xA0\x80", 3, ERROR_NO_UNICODE_TRANSLATION},  // a surrogate
      {CP_UTF8, MB_ERR_INVALID_CHARS, "\xC0\xAF", 2, ERROR_NO_UNICODE_TRANSLATION},      // overlong
      {932, MB_ERR_INVALID_CHARS, "\x93", 1, ERROR_NO_UNICODE_TRANSLATION},              // cut lead byte
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(testing::Message() << c.cp << " error " << c.err);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(c.cp, c.flags, c.src, c.len, w, 16), 0);
    EXPECT_EQ(GetLastError(), c.err);
  }
  // Without the flag the bad bytes become replacement characters.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xFFz", 3, w, 16), 3);
  EXPECT_EQ(w[1], 0xFFFD);
  EXPECT_EQ(MultiByteToWideChar(932, 0, "a\x93", 2, w, 16), 2);
  EXPECT_EQ(w[1], u'?');
}

// Any negative length, not only -1, converts up to and with the terminator, both ways.
TEST(CodePage, EveryNegativeLengthMeansUpToTheTerminator) {
  for (int len : {-1, -2, -5, -2002, INT_MIN}) {
    SCOPED_TRACE(len);
    WCHAR w[8] = {};
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "ab\xE9", len, w, 8), 4);
    EXPECT_EQ(std::u16string(w, 4), std::u16string(u"ab\u00E9", 3) + u'\0');
    char b[8] = {};
    EXPECT_EQ(WideCharToMultiByte(932, 0, u"a日", len, b, 8, nullptr, nullptr), 4);
    EXPECT_EQ(std::string(b, 4), std::string("a\x93\xFA", 3) + '\0');
  }
}

// Bytes a code page leaves undefined: the 0x80-0x9F gaps of single-byte pages are control characters;
// others (and double-byte holes) are invalid under MB_ERR_INVALID_CHARS and '?' without it.
TEST(CodePage, UndefinedBytesPerCodePage) {
  struct Case {
    UINT cp;
    const char* bytes;
    char16_t strict;  // 0: ERROR_NO_UNICODE_TRANSLATION under the flag
    char16_t lax;
  } cases[] = {
      {1252, "\x81", 0x81, 0x81}, {1252, "\x90", 0x90, 0x90}, {1252, "\x9D", 0x9D, 0x9D},
      {1250, "\x83", 0x83, 0x83}, {1251, "\x98", 0x98, 0x98}, {1253, "\xAA", 0, u'?'},
      {1253, "\xFF", 0, u'?'},    {1255, "\xFF", 0, u'?'},    {1257, "\xA5", 0, u'?'},
      {874, "\xDD", 0, u'?'},     {20127, "\x80", 0, u'?'},   {936, "\xFF", 0, u'?'},
      {949, "\xFF", 0, u'?'},     {950, "\xFF", 0, u'?'},     {932, "\x81", 0, u'?'},  // a cut lead byte
      {1252, "\xE9", 0xE9, 0xE9}, {1253, "\xE1", 0x03B1, 0x03B1}, {932, "\x80", 0x80, 0x80},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cp << " byte " << int((unsigned char)c.bytes[0]));
    WCHAR w[4] = {};
    SetLastError(0);
    int n = MultiByteToWideChar(c.cp, MB_ERR_INVALID_CHARS, c.bytes, 1, w, 4);
    if (c.strict) {
      EXPECT_EQ(n, 1);
      EXPECT_EQ(w[0], c.strict);
    } else {
      EXPECT_EQ(n, 0);
      EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
    }
    EXPECT_EQ(MultiByteToWideChar(c.cp, 0, c.bytes, 1, w, 4), 1);
    EXPECT_EQ(w[0], c.lax);
  }
}

TEST(CodePage, DefaultCharacter) {
  char b[8] = {};
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"a日", 2, b, 8, nullptr, &used), 2);
  EXPECT_EQ(std::string(b, 2), "a?");
  EXPECT_TRUE(used);
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"日b", 2, b, 8, "*", &used), 2);
  EXPECT_EQ(std::string(b, 2), "*b");
  used = TRUE;
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"ab", 2, b, 8, "*", &used), 2);
  EXPECT_FALSE(used);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"ab", 2, b, 8, nullptr, &used), 0);  // UTF-8 takes neither
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  const char16_t lone[] = {u'a', char16_t(0xD800), u'b'};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, 3, b, 8, nullptr, nullptr), 5);
  EXPECT_EQ(std::string(b, 5), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 3, b, 8, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePage, AnsiFollowsTheProfileAndLeadBytes) {
  kvtest::TempRoot root;
  WCHAR w[4];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, w, 4), 1);
  EXPECT_EQ(w[0], u'é');
  EXPECT_FALSE(IsDBCSLeadByte(0x93));
  kvp::ProfileSet("ACP", "932");
  EXPECT_TRUE(IsDBCSLeadByte(0x93));
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x93\xFA", 2, w, 4), 1);
  EXPECT_EQ(w[0], u'日');
  struct Lead {
    UINT cp;
    BYTE b;
    bool lead;
  } leads[] = {{932, 0x81, true},  {932, 0x9F, true},  {932, 0xA0, false}, {932, 0xB1, false},
               {932, 0xE0, true},  {932, 0xFC, true},  {932, 0x41, false}, {936, 0x81, true},
               {936, 0x80, false}, {949, 0xB0, true},  {950, 0xA4, true},  {950, 0x7F, false},
               {1252, 0x93, false}, {CP_UTF8, 0xE2, false}};
  for (const auto& l : leads) {
    SCOPED_TRACE(testing::Message() << l.cp << " " << int(l.b));
    EXPECT_EQ(IsDBCSLeadByteEx(l.cp, l.b) != 0, l.lead);
  }
  char text[] = "ab\x83\x61z";  // a double-byte character whose trail byte is 'a' stays as it is
  CharUpperA(text);
  EXPECT_EQ(std::string(text), "AB\x83\x61Z");
}

TEST(Strings, CaseAndCompare) {
  WCHAR s[] = u"straße Ärger ÿ ω";
  CharUpperW(s);
  EXPECT_EQ(std::u16string_view(s), u"STRAßE ÄRGER Ÿ Ω");
  CharLowerBuffW(s, 6);
  EXPECT_EQ(std::u16string_view(s), u"straße ÄRGER Ÿ Ω");
  EXPECT_EQ(uintptr_t(CharUpperW(reinterpret_cast<LPWSTR>(uintptr_t(u'ä')))), uintptr_t(u'Ä'));
  char a[] = "abc\xE4";
  CharUpperA(a);
  EXPECT_EQ(std::string(a), "ABC\xC4");

  struct Case {
    const char16_t* x;
    const char16_t* y;
    int cmp, cmpi;
  } cases[] = {
      {u"abc", u"ABC", -1, 0}, {u"ABC", u"abc", 1, 0},   {u"abc", u"abd", -1, -1},
      {u"ab", u"abc", -1, -1}, {u"Zeta", u"alpha", 1, 1}, {nullptr, u"", -1, -1},
      {nullptr, nullptr, 0, 0}, {u"Äpfel", u"äPFEL", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(lstrcmpW(c.x, c.y), c.cmp);
    EXPECT_EQ(lstrcmpiW(c.x, c.y), c.cmpi);
    if (c.x && c.y) {
      EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, c.x, -1, c.y, -1), c.cmpi + 2);
      EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, c.x, -1, c.y, -1), c.cmp + 2);
    }
  }
  EXPECT_EQ(CompareStringW(0, NORM_IGNORECASE, u"abcX", 3, u"ABCY", 3), CSTR_EQUAL);
  EXPECT_EQ(CompareStringW(0, 0x40000000, u"a", -1, u"a", -1), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_FLAGS);
  EXPECT_EQ(lstrlenW(u"four"), 4);
  EXPECT_EQ(lstrlenW(nullptr), 0);
  WCHAR dst[4];
  EXPECT_EQ(lstrcpynW(dst, u"truncate", 4), dst);
  EXPECT_EQ(std::u16string_view(dst), u"tru");
  EXPECT_EQ(lstrcpynW(nullptr, u"x", 4), nullptr);
}
