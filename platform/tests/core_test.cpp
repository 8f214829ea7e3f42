// Heap, last error, text and path mapping.
#include <gtest/gtest.h>

#include <filesystem>

#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/root.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "kvtest/temp_root.h"

TEST(Heap, ZeroInitFixedAndMoveable) {
  auto* p = static_cast<unsigned char*>(GlobalAlloc(GPTR, 64));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(GlobalSize(p), 64u);
  EXPECT_EQ(GlobalFree(p), nullptr);

  HGLOBAL h = GlobalAlloc(GHND, 16);
  ASSERT_NE(h, nullptr);
  auto* q = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_NE(q, nullptr);
  EXPECT_NE(static_cast<void*>(q), h);
  q[15] = 7;
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GetLastError(), (DWORD)NO_ERROR);
  EXPECT_EQ(GlobalHandle(q), h);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(Heap, BadAndDoubleFreeRefused) {
  void* p = GlobalAlloc(GMEM_FIXED, 8);
  ASSERT_EQ(GlobalFree(p), nullptr);
  SetLastError(0);
  EXPECT_EQ(GlobalFree(p), p);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  int local = 0;
  EXPECT_EQ(LocalFree(&local), static_cast<HLOCAL>(&local));
  EXPECT_EQ(GlobalSize(&local), 0u);
}

TEST(Heap, FailNthAllocationAndHugeSizes) {
  kvp::test::FailAllocAt(2);
  void* a = GlobalAlloc(GPTR, 4);
  void* b = GlobalAlloc(GPTR, 4);
  void* c = GlobalAlloc(GPTR, 4);
  kvp::test::FailAllocAt(0);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_NE(c, nullptr);
  GlobalFree(a);
  GlobalFree(c);
  EXPECT_EQ(GlobalAlloc(GPTR, ~SIZE_T(0)), nullptr);
}

TEST(Text, Utf8RoundTripAndCaseFold) {
  std::u16string s = u"Drucker \u00e4\u00f6 \U0001F5A8";
  EXPECT_EQ(kvp::FromUtf8(kvp::ToUtf8(s)), s);
  EXPECT_TRUE(kvp::WEqualI(u"KvDrvSet.INI", u"kvdrvset.ini"));
  EXPECT_TRUE(kvp::WEqualI(u"\u00c4", u"\u00e4"));
  WCHAR buf[4];
  EXPECT_EQ(kvp::WCopy(buf, 4, u"abcdef"), 3u);
  EXPECT_EQ(std::u16string(buf), u"abc");
}

TEST(PathMapping, CaseInsensitiveAndBounded) {
  kvtest::TempRoot root;
  std::filesystem::create_directories(root.path() + "/c/Windows/Temp");
  std::string out;
  ASSERT_EQ(kvp::MapPath(u"c:\\WINDOWS\\temp\\A.TXT", out), (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(out, root.path() + "/c/Windows/Temp/A.TXT");
  ASSERT_EQ(kvp::MapPath(u"C:/Windows/./Temp/../Temp/x", out), (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(out, root.path() + "/c/Windows/Temp/x");

  struct Bad {
    const char16_t* path;
    DWORD err;
  } bad[] = {
      {u"", ERROR_PATH_NOT_FOUND},
      {u"relative\\x", ERROR_INVALID_NAME},
      {u"C:\\..\\..\\etc\\passwd", ERROR_ACCESS_DENIED},
      {u"C:\\Windows\\..\\..\\x", ERROR_ACCESS_DENIED},
      {u"Q:\\x", ERROR_PATH_NOT_FOUND},
      {u"C:\\a<b", ERROR_INVALID_NAME},
      {u"C:x", ERROR_INVALID_NAME},
      {u"\\\\server\\..\\x", ERROR_ACCESS_DENIED},
  };
  for (auto& b : bad) {
    SCOPED_TRACE(kvp::ToUtf8(b.path));
    EXPECT_EQ(kvp::MapPath(b.path, out), b.err);
  }
  std::u16string huge = u"C:\\" + std::u16string(40000, u'a');
  EXPECT_EQ(kvp::MapPath(huge, out), (DWORD)ERROR_FILENAME_EXCED_RANGE);
}

TEST(ErrorText, SystemTextsAllocatedCopiedOrRefused) {
  const DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  LPWSTR text = nullptr;
  DWORD n = FormatMessageW(kFlags | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, ERROR_ACCESS_DENIED, 0x400,
                           reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text), u"Access is denied.\r\n");
  EXPECT_EQ(n, kvp::WLen(text));
  EXPECT_EQ(LocalFree(text), nullptr);

  WCHAR buf[64];
  EXPECT_EQ(FormatMessageW(kFlags, nullptr, ERROR_FILE_NOT_FOUND, 0, buf, 64, nullptr), 44u);
  EXPECT_EQ(std::u16string(buf), u"The system cannot find the file specified.\r\n");
  SetLastError(0);
  EXPECT_EQ(FormatMessageW(kFlags, nullptr, ERROR_FILE_NOT_FOUND, 0, buf, 44, nullptr), 0u);  // no room for the end
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);

  // A code without text, a source other than the system, a failed block.
  text = nullptr;
  EXPECT_EQ(FormatMessageW(kFlags | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 0xDEAD, 0, reinterpret_cast<LPWSTR>(&text), 0,
                           nullptr),
            0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"x", 0, 0, buf, 64, nullptr), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(FormatMessageW(kFlags | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, ERROR_ACCESS_DENIED, 0,
                           reinterpret_cast<LPWSTR>(&text), 0, nullptr),
            0u);
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(text, nullptr);
}
