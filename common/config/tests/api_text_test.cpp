// Checks of texts from outside callers: names, file names, paths, with double-byte characters.
#include <gtest/gtest.h>

#include <cstring>

#include "config/api_text.h"
#include "kvplat/sysinfo.h"
#include "kvtest/temp_root.h"

namespace {

class ApiText : public ::testing::Test {
 protected:
  void SetUp() override { kvp::ProfileSet("ACP", "932"); }
  kvtest::TempRoot root_;
};

// "\x95\x5c" is one double-byte character of code page 932 whose second byte is a backslash.
TEST_F(ApiText, Checks) {
  struct Case {
    const char* text;
    bool alnum, fileName, path;
  } cases[] = {
      {"", true, true, true},
      {"User01", true, true, true},
      {"user_01", false, true, true},
      {"a b", false, true, true},
      {"name;x", false, false, false},
      {"a,b", false, false, false},
      {"a*b", false, false, false},
      {"a/b", false, false, false},
      {"a\\b", false, false, true},
      {"C:\\folder\\file.rpo", false, false, true},
      {"C:file", false, false, true},
      {"C:\\a:b", false, false, false},
      {"\\\\server\\share\\f", false, false, true},
      {"\x95\x5c.rst", false, true, true},
      {"x\x95\x5c|", false, false, false},
      {"\x95", false, true, true},  // a lead byte alone at the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ApiIsAlphanumeric(c.text), c.alnum);
    EXPECT_EQ(ApiIsValidFileName(c.text), c.fileName);
    EXPECT_EQ(ApiIsValidPath(c.text), c.path);
  }
  EXPECT_FALSE(ApiCheckPathChars("C:\\x", true));  // the drive colon passes only in a path
  EXPECT_FALSE(ApiIsAlphanumeric(nullptr));
  EXPECT_FALSE(ApiIsValidFileName(nullptr));
  EXPECT_FALSE(ApiIsValidPath(nullptr));
}

TEST_F(ApiText, Parts) {
  struct Case {
    const char* path;
    const char* name;
    const char* ext;  // nullptr: the whole path with length 0
  } cases[] = {
      {"C:\\dir\\file.rpo", "file.rpo", "rpo"},
      {"C:\\dir.d\\file", "file", nullptr},
      {"C:\\dir\\a.b.RPO", "a.b.RPO", "RPO"},
      {"file.rpo", "file.rpo", nullptr},  // no folder part
      {"C:\\dir\\\x95\x5c.rpo", "\x95\x5c.rpo", "rpo"},  // the pair is no folder separator
      {"C:\\dir\\", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_STREQ(ApiFindFileNamePart(c.path), c.name);
    int length = -1;
    const char* ext = ApiFindExtensionPart(c.path, &length);
    if (c.ext) {
      EXPECT_STREQ(ext, c.ext);
      EXPECT_EQ(length, (int)std::strlen(c.ext));
    } else {
      EXPECT_EQ(ext, c.path);
      EXPECT_EQ(length, 0);
    }
  }
  EXPECT_EQ(ApiFindFileNamePart(nullptr), nullptr);
  EXPECT_EQ(ApiFindExtensionPart(nullptr, nullptr), nullptr);
}

TEST_F(ApiText, HasCharPassesOverDoubleByteCharacters) {
  EXPECT_TRUE(ApiHasChar("a\\b", '\\'));
  EXPECT_FALSE(ApiHasChar("a\x95\x5c", '\\'));
  EXPECT_TRUE(ApiHasChar("a\x95\x5c\\", '\\'));
  EXPECT_FALSE(ApiHasChar("", 'a'));
  EXPECT_FALSE(ApiHasChar(nullptr, 'a'));
  kvp::ProfileSet("ACP", "1252");  // no double-byte characters: 0x95 is a character of its own
  EXPECT_TRUE(ApiHasChar("a\x95\x5c", '\\'));
  EXPECT_FALSE(ApiIsValidFileName("\x95\x5c"));
}

}  // namespace
