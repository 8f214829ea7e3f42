// Profile (INI) functions: reading rules, lists and truncation, writes, file forms, bad input and
// concurrent writers in two processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/profile.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "kvtest/temp_root.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}
void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

// A list returned in a double-zero buffer, as strings.
std::vector<std::u16string> SplitList(const WCHAR* buf) {
  std::vector<std::u16string> out;
  for (const WCHAR* p = buf; *p; p += kvp::WLen(p) + 1) out.emplace_back(p);
  return out;
}

// The bytes of a literal, zero bytes included.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

class PrivateProfile : public ::testing::Test {
 protected:
  kvtest::TempRoot root;
  std::string Host(const char* rel) { return root.path() + "/c/" + rel; }
  const WCHAR* kFile = u"C:\\test.ini";
  void Put(const std::string& bytes) { WriteBytes(Host("test.ini"), bytes); }
};

const char* kFixture =
    "; leading comment\r\n"
    "orphan=before any section\r\n"
    "[Main]\r\n"
    "Plain=hello\r\n"
    "  Spaced  =   padded value   \r\n"
    "Quoted=\"  in quotes  \"\r\n"
    "Single='x'\r\n"
    "Unbalanced=\"abc\r\n"
    "Empty=\r\n"
    "NoEquals\r\n"
    "; Plain=commented out\r\n"
    "Num=42\r\n"
    "Neg=-7\r\n"
    "Junk=12abc\r\n"
    "Words=abc\r\n"
    "Huge=99999999999999999999\r\n"
    "Unsigned=3000000000\r\n"
    "AllOnes=4294967295\r\n"
    "Wraps=4294967298\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "[  Other Sec  ] trailing text\r\n"
    "k=v\n"
    "bare-lf=1\r"
    "bare-cr=2\r\n"
    "[main]\r\n"
    "Later=from the second Main\r\n";

TEST_F(PrivateProfile, StringReadRules) {
  Put(kFixture);
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* deflt;
    DWORD size;
    const char16_t* want;
    DWORD ret;
    DWORD err;
  } cases[] = {
      {u"Main", u"Plain", u"d", 64, u"hello", 5, ERROR_SUCCESS},
      {u"MAIN", u"plain", u"d", 64, u"hello", 5, ERROR_SUCCESS},               // case-insensitive
      {u" main ", u" Plain ", u"d", 64, u"hello", 5, ERROR_SUCCESS},           // blanks around names
      {u"Main", u"Spaced", u"d", 64, u"padded value", 12, ERROR_SUCCESS},     // value trimmed
      {u"Main", u"Quoted", u"d", 64, u"  in quotes  ", 13, ERROR_SUCCESS},    // one pair of quotes removed
      {u"Main", u"Single", u"d", 64, u"x", 1, ERROR_SUCCESS},
      {u"Main", u"Unbalanced", u"d", 64, u"\"abc", 4, ERROR_SUCCESS},
      {u"Main", u"Empty", u"d", 64, u"", 0, ERROR_SUCCESS},                    // present but empty
      {u"Main", u"NoEquals", u"d", 64, u"", 0, ERROR_SUCCESS},
      {u"Main", u"Dup", u"d", 64, u"first", 5, ERROR_SUCCESS},
      {u"Main", u"Later", u"d", 64, u"from the second Main", 20, ERROR_SUCCESS},
      {u"Other Sec", u"k", u"d", 64, u"v", 1, ERROR_SUCCESS},
      {u"Other Sec", u"bare-lf", u"d", 64, u"1", 1, ERROR_SUCCESS},
      {u"Other Sec", u"bare-cr", u"d", 64, u"2", 1, ERROR_SUCCESS},
      {u"Main", u"; Plain", u"d", 64, u"d", 1, ERROR_FILE_NOT_FOUND},         // comments are not keys
      {u"Main", u"orphan", u"d", 64, u"d", 1, ERROR_FILE_NOT_FOUND},          // lines before any section
      {u"Main", u"Missing", u"default  ", 64, u"default", 7, ERROR_FILE_NOT_FOUND},  // default trimmed
      {u"Main", u"Missing", nullptr, 64, u"", 0, ERROR_FILE_NOT_FOUND},
      {u"Nowhere", u"Plain", u"dd", 64, u"dd", 2, ERROR_FILE_NOT_FOUND},
      {u"Main", u"Plain", u"d", 5, u"hell", 4, ERROR_MORE_DATA},              // truncated: size-1
      {u"Main", u"Plain", u"d", 6, u"hello", 5, ERROR_SUCCESS},               // exactly fits
      {u"Main", u"Plain", u"d", 1, u"", 0, ERROR_MORE_DATA},
      {u"Main", u"Missing", u"longdefault", 5, u"long", 4, ERROR_FILE_NOT_FOUND},  // default cut alike
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(kvp::WView(c.section)) + "/" + kvp::ToUtf8(kvp::WView(c.key)) + " size " +
                 std::to_string(c.size));
    WCHAR buf[64];
    std::fill(std::begin(buf), std::end(buf), u'#');
    SetLastError(12345);
    DWORD n = GetPrivateProfileStringW(c.section, c.key, c.deflt, buf, c.size, kFile);
    EXPECT_EQ(n, c.ret);
    EXPECT_EQ(std::u16string(buf), std::u16string(c.want));
    EXPECT_EQ(GetLastError(), c.err);
    if (c.size < 64) {
      EXPECT_EQ(buf[c.size], u'#') << "wrote past the buffer";
    }
  }
}

TEST_F(PrivateProfile, IntReadRules) {
  Put(kFixture);
  struct Case {
    const char16_t* key;
    INT deflt;
    INT want;
  } cases[] = {
      {u"Num", 5, 42},  {u"Neg", 5, -7},       {u"Junk", 5, 12},     {u"Words", 5, 0},
      {u"Empty", 5, 5}, {u"Missing", 5, 5},    {u"Missing", -3, -3}, {u"Quoted", 5, 0},
      {u"Spaced", 9, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(kvp::WView(c.key)));
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntW(u"Main", c.key, c.deflt, kFile)), c.want);
  }
  // Numbers wrap at 32 bits: what "%u" wrote reads back as the same bits, longer numbers modulo 2^32.
  struct Wide {
    const char16_t* key;
    UINT want;
  } wide[] = {{u"Unsigned", 3000000000u}, {u"AllOnes", 4294967295u}, {u"Wraps", 2u}, {u"Huge", 1661992959u}};
  for (const auto& c : wide) {
    SCOPED_TRACE(kvp::ToUtf8(kvp::WView(c.key)));
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", c.key, 5, kFile), c.want);
  }
  EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntW(u"Main", u"Num", 5, u"C:\\missing.ini")), 5);
}

TEST_F(PrivateProfile, ListsAndTheirTruncation) {
  Put(kFixture);
  WCHAR buf[512];
  // Section names: each once, as first spelled, blanks trimmed.
  DWORD n = GetPrivateProfileSectionNamesW(buf, 512, kFile);
  EXPECT_EQ(SplitList(buf), (std::vector<std::u16string>{u"Main", u"Other Sec"}));
  EXPECT_EQ(n, 15u);  // "Main\0Other Sec\0" without the last zero
  EXPECT_EQ(GetPrivateProfileStringW(nullptr, u"ignored", u"d", buf, 512, kFile), 15u);

  // Key names of both [Main] parts, duplicates once, comments left out.
  GetPrivateProfileStringW(u"main", nullptr, u"d", buf, 512, kFile);
  auto keys = SplitList(buf);
  EXPECT_EQ(keys.front(), u"Plain");
  EXPECT_EQ(keys.back(), u"Later");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), u"Dup"), 1);
  EXPECT_EQ(std::count(keys.begin(), keys.end(), u"NoEquals"), 0);  // a line without '=' is no key here

  // Whole section, in file order with values as stored (quotes kept).
  GetPrivateProfileSectionW(u"Other Sec", buf, 512, kFile);
  EXPECT_EQ(SplitList(buf), (std::vector<std::u16string>{u"k=v", u"bare-lf=1", u"bare-cr=2"}));
  n = GetPrivateProfileSectionW(u"MAIN", buf, 512, kFile);
  auto lines = SplitList(buf);
  EXPECT_EQ(lines[1], u"Spaced=padded value");
  EXPECT_EQ(lines[2], u"Quoted=\"  in quotes  \"");
  EXPECT_EQ(lines[6], u"NoEquals");

  struct Case {
    DWORD size;
    DWORD ret;
    std::u16string content;  // the whole buffer
  } cases[] = {
      {16, 15, std::u16string(u"Main\0Other Sec\0\0", 16)},  // fits exactly
      {15, 13, std::u16string(u"Main\0Other Se\0\0", 15)},  // cut: size-2, two zeros at the end
      {6, 4, std::u16string(u"Main\0\0", 6)},
      {5, 3, std::u16string(u"Mai\0\0", 5)},
      {2, 0, std::u16string(u"\0\0", 2)},
      {1, 0, std::u16string(u"\0", 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    WCHAR b[20];
    std::fill(std::begin(b), std::end(b), u'#');
    EXPECT_EQ(GetPrivateProfileSectionNamesW(b, c.size, kFile), c.ret);
    EXPECT_EQ(std::u16string(b, c.content.size()), c.content);
    EXPECT_EQ(b[c.size], u'#');
  }

  // An empty list (missing file or section) is two zeros.
  buf[0] = buf[1] = u'#';
  EXPECT_EQ(GetPrivateProfileSectionW(u"none", buf, 512, kFile), 0u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 512, u"C:\\missing.ini"), 0u);
  EXPECT_EQ(GetPrivateProfileStringW(u"Main", u"Plain", u"d", nullptr, 10, kFile), 0u);
}

TEST_F(PrivateProfile, WritesCreateReplaceAndDelete) {
  // Creates the file with the section.
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer ,A,", u"Count", u"0", kFile));
  ASSERT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, kFile));  // flush
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[Printer ,A,]\r\nCount=0\r\n");
  EXPECT_FALSE(WritePrivateProfileStringW(u"Printer [A]", u"Count", u"0", kFile));  // ']' refused
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetPrivateProfileIntW(u"printer ,a,", u"COUNT", 9, kFile), 0u);

  Put("; keep me\r\n[S]\r\nA=1\r\n; note\r\n\r\n[T]\r\nX=1\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"a", u"2", kFile));   // replace keeps the stored spelling
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"B", u" 3 ", kFile));  // new key after the section's last line
  ASSERT_TRUE(WritePrivateProfileStringW(u"U", u"Y", u"4", kFile));    // new section at the end
  EXPECT_EQ(ReadBytes(Host("test.ini")),
            "; keep me\r\n[S]\r\nA=2\r\n; note\r\nB= 3 \r\n\r\n[T]\r\nX=1\r\n[U]\r\nY=4\r\n");
  WCHAR buf[16];
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"B", u"", buf, 16, kFile), 1u);

  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"A", nullptr, kFile));     // delete a key
  ASSERT_TRUE(WritePrivateProfileStringW(u"T", nullptr, nullptr, kFile));  // delete a section
  ASSERT_TRUE(WritePrivateProfileStringW(u"T", u"Gone", nullptr, kFile));  // deleting the absent is fine
  EXPECT_EQ(ReadBytes(Host("test.ini")), "; keep me\r\n[S]\r\n; note\r\nB= 3 \r\n\r\n[U]\r\nY=4\r\n");
  EXPECT_EQ(GetPrivateProfileStringW(u"T", u"X", u"gone", buf, 16, kFile), 4u);

  // Deleting from a missing file does not create it.
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", nullptr, nullptr, u"C:\\never.ini"));
  EXPECT_FALSE(fs::exists(Host("never.ini")));
}

TEST_F(PrivateProfile, SectionWrites) {
  Put("[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n");
  ASSERT_TRUE(WritePrivateProfileSectionW(u"A", u"k1=v1\0k2 = v2\0\0", kFile));
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[A]\r\nk1=v1\r\nk2 = v2\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(WritePrivateProfileSectionW(u"C", u"n=1\0\0", kFile));
  ASSERT_TRUE(WritePrivateProfileSectionW(u"B", nullptr, kFile));
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[A]\r\nk1=v1\r\nk2 = v2\r\n[C]\r\nn=1\r\n");
  WCHAR buf[32];
  EXPECT_EQ(GetPrivateProfileSectionW(u"A", buf, 32, kFile), 12u);  // "k1=v1\0k2=v2\0"
  EXPECT_FALSE(WritePrivateProfileSectionW(u"A", u"[evil]\0\0", kFile));
  EXPECT_FALSE(WritePrivateProfileSectionW(u"A", u"a=1\r\n[evil]\0\0", kFile));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST_F(PrivateProfile, FileFormsAreKept) {
  // UTF-16 with BOM stays UTF-16.
  std::u16string text = u"[S\u00e9c]\r\nK=\u65e5\u672c\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : text) utf16 += std::string{char(c & 0xFF), char(c >> 8)};
  Put(utf16);
  WCHAR buf[16];
  EXPECT_EQ(GetPrivateProfileStringW(u"S\u00c9C", u"k", u"", buf, 16, kFile), 2u);
  EXPECT_EQ(std::u16string(buf), u"\u65e5\u672c");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S\u00e9c", u"L", u"\u0416", kFile));
  std::string bytes = ReadBytes(Host("test.ini"));
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_NE(bytes.find(std::string("\x16\x04", 2)), std::string::npos);

  // ANSI (1252) stays ANSI, every byte kept, even those the code page leaves unassigned.
  Put("[S]\r\nK=caf\xE9 \x80 \x81\r\nOther=1\r\n");
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"K", u"", buf, 16, kFile), 8u);
  EXPECT_EQ(std::u16string(buf), u"caf\u00e9 \u20ac \u0081");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"Other", u"\u00fc\u2122", kFile));
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[S]\r\nK=caf\xE9 \x80 \x81\r\nOther=\xFC\x99\r\n");
  // A character the ANSI file cannot hold is refused, not turned into '?'.
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"Other", u"\u65e5", kFile));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[S]\r\nK=caf\xE9 \x80 \x81\r\nOther=\xFC\x99\r\n");
  // A new file whose text needs it is written as UTF-16.
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"\u65e5", u"C:\\wide.ini"));
  EXPECT_EQ(ReadBytes(Host("wide.ini")).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"K", u"", buf, 16, u"C:\\wide.ini"), 1u);
}

TEST_F(PrivateProfile, OtherAnsiCodePage) {
  ASSERT_EQ(kvp::ProfileSet("ACP", "932"), (DWORD)ERROR_SUCCESS);
  Put("[S]\r\nK=\x93\xfa\x96\x7b\r\n");  // two double-byte characters
  WCHAR buf[16];
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"K", u"", buf, 16, kFile), 2u);
  EXPECT_EQ(std::u16string(buf), u"\u65e5\u672c");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"L", u"\u672c", kFile));
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[S]\r\nK=\x93\xfa\x96\x7b\r\nL=\x96\x7b\r\n");
  // Bytes the code page cannot read back the same are never rewritten.
  Put("[S]\r\nK=\x81\r\n");
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"L", u"1", kFile));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[S]\r\nK=\x81\r\n");
}

TEST_F(PrivateProfile, ReadOnlyFileIsNotWritten) {
  Put("[S]\r\nK=1\r\n");
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"2", kFile));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"K", 0, kFile), 1u);
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"2", kFile));
  EXPECT_EQ(GetFileAttributesW(kFile) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(PrivateProfile, FileNamesResolve) {
  // A bare name and a null name live in the Windows folder.
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"1", u"bare.ini"));
  EXPECT_TRUE(fs::exists(Host("Windows/bare.ini")));
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"2", nullptr));
  EXPECT_TRUE(fs::exists(Host("Windows/win.ini")));
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"K", 0, u"C:\\WINDOWS\\BARE.INI"), 1u);
  // Nothing is written outside the machine root, and a missing folder is an error.
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"1", u"C:\\..\\..\\escape.ini"));
  EXPECT_FALSE(fs::exists(fs::path(root.path()).parent_path() / "escape.ini"));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"1", u"C:\\no\\such\\dir\\x.ini"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"1", u"C:\\Windows"));  // a folder
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"1", u"C:\\bad|name.ini"));
}

TEST_F(PrivateProfile, BadNamesAndValuesAreRefused) {
  Put("[S]\r\nK=1\r\n");
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
  } cases[] = {
      {u"S]x", u"K", u"1"}, {u"S\r\n[T", u"K", u"1"}, {u"S", u"K=V", u"1"}, {u"S", u"[T]", u"1"},
      {u"S", u";K", u"1"},  {u"S", u"K\n", u"1"},       {u"S", u"K", u"1\r\n[T]"}, {nullptr, u"K", u"1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(kvp::WView(c.section)) + "|" + kvp::ToUtf8(kvp::WView(c.key)));
    EXPECT_FALSE(WritePrivateProfileStringW(c.section, c.key, c.value, kFile));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[S]\r\nK=1\r\n");
}

TEST_F(PrivateProfile, CorruptAndHugeFiles) {
  // Binary garbage reads as text without harm; the sections it happens to hold are found.
  std::string junk;
  for (int i = 0; i < 4096; ++i) {
    char c = static_cast<char>((i * 7919) & 0xFF);
    junk.push_back(c == '\r' || c == '\n' ? 'x' : c);  // no line ends: rewrites make them CR LF
  }
  Put(junk + "\r\n[S]\r\nK=ok\r\n");
  WCHAR buf[8];
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"K", u"", buf, 8, kFile), 2u);
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K2", u"v", kFile));
  // The rest is kept byte for byte, zero bytes included.
  EXPECT_TRUE(ReadBytes(Host("test.ini")).substr(0, junk.size()) == junk);

  // A UTF-16 file with an odd length loses nothing but the odd byte.
  Put(std::string("\xFF\xFE[\0S\0]\0\n\0K\0=\0v\0\x01", 17));
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"K", u"", buf, 8, kFile), 1u);

  // A file over the size limit is refused with a clear error, not loaded.
  {
    std::ofstream f(Host("test.ini"), std::ios::binary | std::ios::trunc);
    f.seekp((33 << 20));
    f.put('x');
  }
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"K", u"d", buf, 8, kFile), 1u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_TOO_LARGE);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"v", kFile));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_TOO_LARGE);
}

TEST_F(PrivateProfile, FailedWriteLeavesFileUntouched) {
  Put("[S]\r\nK=1\r\n");
  for (unsigned n = 1; n <= 2; ++n) {
    kvp::test::FailWriteAt(1);
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"2", kFile));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_WRITE_FAULT);
    kvp::test::FailWriteAt(0);
    EXPECT_EQ(ReadBytes(Host("test.ini")), "[S]\r\nK=1\r\n");
  }
  for (auto& e : fs::directory_iterator(Host(""))) EXPECT_EQ(e.path().filename().string().find(".kvtmp"), std::string::npos);
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"2", kFile));
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"K", 0, kFile), 2u);
}

// A zero byte is no text: it does not split or make a line, is never returned, and a rewrite drops it.
TEST_F(PrivateProfile, ZeroBytesAreNotText) {
  for (bool utf16 : {false, true}) {
    SCOPED_TRACE(utf16);
    std::string text("[S]\r\nA=1\r\n\0\r\nB=\0two\r\nC\0=3\r\n", 27);
    std::string bytes;
    if (utf16) {
      bytes = "\xFF\xFE";
      for (char c : text) bytes += std::string{c, '\0'};
    } else {
      bytes = text;
    }
    Put(bytes);
    WCHAR buf[64];
    GetPrivateProfileStringW(u"S", nullptr, u"", buf, 64, kFile);
    EXPECT_EQ(SplitList(buf), (std::vector<std::u16string>{u"A", u"B", u"C"}));
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"B", u"", buf, 64, kFile), 3u);
    EXPECT_EQ(std::u16string(buf), u"two");
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"C", 0, kFile), 3u);
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"A", u"9", kFile));
    std::string back = ReadBytes(Host("test.ini"));
    std::string want = "[S]\r\nA=9\r\n\r\nB=two\r\nC=3\r\n";
    if (utf16) {
      std::string w = "\xFF\xFE";
      for (char c : want) w += std::string{c, '\0'};
      want = w;
    }
    EXPECT_EQ(back, want);
  }
}

// A write never changes the file's encoding: the lines outside the section it touches keep their bytes,
// zero bytes and line ends included, so an ANSI file whose zero byte parts FF and FE stays ANSI.
TEST_F(PrivateProfile, AWriteKeepsTheEncodingAndTheUntouchedBytes) {
  const struct {
    const char* name;
    std::string before;  // kept as it is; the file goes on with [S] K=v
  } cases[] = {
      {"zero between FF and FE", Bytes("\xFF\0\xFE;note\r\n")},
      {"zero at offset 0", Bytes("\0\xFF\xFE\r\n")},
      {"zeros and bare line ends", Bytes("\xFF\0\0\xFE\n[A]\nz=\0x\r")},
      {"an untouched section before", Bytes("\xFF\0\xFE;note\r\n[B]\r\nb=1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(c.before + "\r\n[S]\r\nK=v\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"New", u"1", kFile));
    ASSERT_TRUE(WritePrivateProfileStringW(u"T", u"X", u"2", kFile));
    std::string after = ReadBytes(Host("test.ini"));
    EXPECT_EQ(after.substr(0, c.before.size()), c.before);
    WCHAR buf[16];
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"K", u"", buf, 16, kFile), 1u);
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"New", 0, kFile), 1u);
    EXPECT_EQ(GetPrivateProfileIntW(u"T", u"X", 0, kFile), 2u);
  }
  EXPECT_EQ(GetPrivateProfileIntW(u"B", u"b", 0, kFile), 1u);
  // The file's last line had no line end: the line written after it starts a line of its own.
  Put(Bytes("\xFF\0\xFE;note"));
  ASSERT_TRUE(WritePrivateProfileStringW(u"T", u"X", u"2", kFile));
  EXPECT_EQ(ReadBytes(Host("test.ini")), Bytes("\xFF\0\xFE;note\r\n[T]\r\nX=2\r\n"));
  // An untouched section keeps its zero byte and bare line ends; its value reads without the zero.
  WCHAR buf[16];
  Put(Bytes("[A]\nz=\0x\n[S]\r\nK=v\r\n"));
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"w", kFile));
  EXPECT_EQ(ReadBytes(Host("test.ini")), Bytes("[A]\nz=\0x\n[S]\r\nK=w\r\n"));
  EXPECT_EQ(GetPrivateProfileStringW(u"A", u"z", u"", buf, 16, kFile), 1u);
  EXPECT_EQ(std::u16string(buf), u"x");
}

// A write honours the sharing of the file's open handles: refused while a handle shares no writing; with
// a handle that shares writing but not deletion the file is rewritten in place, so what that handle
// reads and writes afterwards is the file itself and nothing it writes is lost.
TEST_F(PrivateProfile, WritesHonourOpenHandles) {
  Put("[S]\r\nK=1\r\n");
  HANDLE exclusive = CreateFileW(kFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"2", kFile));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadBytes(Host("test.ini")), "[S]\r\nK=1\r\n");
  CloseHandle(exclusive);

  HANDLE shared = CreateFileW(kFile, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(shared, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"22", kFile));
  char got[32] = {};
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(shared, got, sizeof got, &n, nullptr));
  EXPECT_EQ(std::string(got, n), "[S]\r\nK=22\r\n");  // the handle sees the new text
  ASSERT_TRUE(WriteFile(shared, "L=3\r\n", 5, &n, nullptr));
  CloseHandle(shared);
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"L", 0, kFile), 3u);  // and what it wrote is in the file
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"K", 0, kFile), 22u);
}

// What a killed writer leaves is cleaned up by the next access: temporary files of writers that no longer
// run go (those of a running writer stay), and an in-place rewrite cut after its journal was made is
// finished, while one cut before its journal was whole leaves the old text.
TEST_F(PrivateProfile, KilledWritersLeaveNeitherMixNorTemporaries) {
  pid_t dead = fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string stale = Host((".kvtmp-test.ini-" + std::to_string(dead) + "-0").c_str());
  const std::string running = Host((".kvtmp-test.ini-" + std::to_string(getpid()) + "-9999").c_str());
  Put("[S]\r\nK=1\r\n");
  WriteBytes(stale, "half a file");
  WriteBytes(running, "being written");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"2", kFile));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(running));
  fs::remove(running);

  // The journal of an in-place rewrite: the new text, "KVJOURN1", its length and FNV-1a checksum.
  auto journal = [](const std::string& text) {
    unsigned long long length = text.size(), sum = 1469598103934665603ull;
    for (unsigned char c : text) sum = (sum ^ c) * 1099511628211ull;
    std::string j = text + "KVJOURN1";
    j.append(reinterpret_cast<const char*>(&length), 8).append(reinterpret_cast<const char*>(&sum), 8);
    return j;
  };
  const std::string newText = "[S]\r\nK=3\r\n";
  const struct {
    const char* name;
    std::string journal;
    unsigned want;
  } cuts[] = {
      {"cut after the journal", journal(newText), 3},
      {"cut inside the journal", journal(newText).substr(0, newText.size() + 5), 2},
  };
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.name);
    for (bool byWrite : {false, true}) {
      // Cut after the journal, the new text stands over the old one whose tail is not cut off yet;
      // cut inside it, the file was not touched.
      Put(c.want == 3 ? "[S]\r\nK=3\r\nLonger=old tail\r\n" : "[S]\r\nK=2\r\nLonger=old tail\r\n");
      WriteBytes(Host(".kvtmp-test.ini.journal"), c.journal);
      if (byWrite) {
        ASSERT_TRUE(WritePrivateProfileStringW(u"Other", u"X", u"1", kFile));
      }
      EXPECT_EQ(GetPrivateProfileIntW(u"S", u"K", 0, kFile), c.want);
      std::string text = ReadBytes(Host("test.ini"));
      EXPECT_EQ(text.find("Longer") == std::string::npos, c.want == 3) << text;
      EXPECT_FALSE(fs::exists(Host(".kvtmp-test.ini.journal")));
    }
  }
}

// Two processes write different keys of one file at the same time; every key of both survives.
TEST_F(PrivateProfile, TwoProcessesLoseNoKey) {
  constexpr int kKeys = 60;
  auto writer = [&](const char16_t* prefix) {
    for (int i = 0; i < kKeys; ++i) {
      std::u16string key = std::u16string(prefix) + kvp::FromUtf8(std::to_string(i));
      if (!WritePrivateProfileStringW(u"Shared", key.c_str(), key.c_str(), kFile)) return false;
    }
    return true;
  };
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) _exit(writer(u"child") ? 0 : 1);
  bool ok = writer(u"parent");
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(ok);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (const char16_t* prefix : {u"child", u"parent"}) {
    for (int i = 0; i < kKeys; ++i) {
      std::u16string key = std::u16string(prefix) + kvp::FromUtf8(std::to_string(i));
      WCHAR buf[32];
      ASSERT_EQ(GetPrivateProfileStringW(u"Shared", key.c_str(), u"", buf, 32, kFile), key.size())
          << kvp::ToUtf8(key);
    }
  }
}

}  // namespace
