// Files, folders, attributes, find, mapping, paths, environment and known folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/handle.h"
#include "kvplat/testhooks.h"
#include "kvplat/time.h"
#include "kvtest/temp_root.h"
#include "../src/file/internal.h"

namespace {

std::u16string W(const char* s) { return std::u16string(s, s + std::strlen(s)); }

HANDLE Open(const char16_t* name, DWORD access, DWORD disp, DWORD share = FILE_SHARE_READ, DWORD attrs = 0) {
  return CreateFileW(name, access, share, nullptr, disp, attrs, nullptr);
}

bool Write(const char16_t* name, const std::string& data) {
  HANDLE h = Open(name, GENERIC_WRITE, CREATE_ALWAYS);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n;
  bool ok = WriteFile(h, data.data(), DWORD(data.size()), &n, nullptr) && n == data.size();
  CloseHandle(h);
  return ok;
}

std::string Read(const char16_t* name) {
  HANDLE h = Open(name, GENERIC_READ, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
  std::string out(4096, '\0');
  DWORD n = 0;
  ReadFile(h, out.data(), DWORD(out.size()), &n, nullptr);
  CloseHandle(h);
  out.resize(n);
  return out;
}

// Every file under `dir` (recursively), to show nothing was created outside the root.
size_t CountFiles(const std::string& dir) {
  size_t n = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec); it != std::filesystem::end(it); it.increment(ec))
    ++n;
  return n;
}

}  // namespace

TEST(File, WriteThenReadUnderAnotherSpelling) {
  kvtest::TempRoot root;
  ASSERT_TRUE(Write(u"C:\\Windows\\Temp\\A.TXT", "hello"));
  EXPECT_EQ(Read(u"c:\\windows\\temp\\a.txt"), "hello");
  EXPECT_EQ(Read(u"C:/WINDOWS/Temp/./x/../A.txt"), "hello");
  EXPECT_TRUE(std::filesystem::exists(root.path() + "/c/Windows/Temp/A.TXT"));
}

TEST(File, DispositionsTable) {
  kvtest::TempRoot root;
  const char16_t* f = u"C:\\Windows\\Temp\\d.bin";
  struct Case {
    bool exists;
    DWORD disp, access;
    bool ok;
    DWORD err;  // last error afterwards
    const char* content;
  } cases[] = {
      {false, CREATE_NEW, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
      {true, CREATE_NEW, GENERIC_WRITE, false, ERROR_FILE_EXISTS, "old"},
      {false, CREATE_ALWAYS, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
      {true, CREATE_ALWAYS, GENERIC_WRITE, true, ERROR_ALREADY_EXISTS, ""},
      {false, OPEN_EXISTING, GENERIC_READ, false, ERROR_FILE_NOT_FOUND, nullptr},
      {true, OPEN_EXISTING, GENERIC_READ, true, ERROR_SUCCESS, "old"},
      {false, OPEN_ALWAYS, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
      {true, OPEN_ALWAYS, GENERIC_WRITE, true, ERROR_ALREADY_EXISTS, "old"},
      {false, TRUNCATE_EXISTING, GENERIC_WRITE, false, ERROR_FILE_NOT_FOUND, nullptr},
      {true, TRUNCATE_EXISTING, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
      {true, TRUNCATE_EXISTING, GENERIC_READ, false, ERROR_INVALID_PARAMETER, "old"},
      {true, 9, GENERIC_READ, false, ERROR_INVALID_PARAMETER, "old"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "disposition " << c.disp << " exists " << c.exists);
    DeleteFileW(f);
    if (c.exists) {
      ASSERT_TRUE(Write(f, "old"));
    }
    SetLastError(12345);
    HANDLE h = Open(f, c.access, c.disp);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.ok);
    EXPECT_EQ(GetLastError(), c.err);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (c.content) {
      EXPECT_EQ(Read(f), c.content);
    } else {
      EXPECT_EQ(GetFileAttributesW(f), INVALID_FILE_ATTRIBUTES);
    }
  }
  EXPECT_EQ(Open(u"C:\\NoSuchDir\\x.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Open(u"C:\\Windows", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
}

TEST(File, PointerSizeEndAndTimes) {
  kvtest::TempRoot root;
  HANDLE h = Open(u"C:\\Windows\\Temp\\p.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
  EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
  char buf[8] = {};
  ASSERT_TRUE(ReadFile(h, buf, 8, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "6789");
  ASSERT_TRUE(ReadFile(h, buf, 8, &n, nullptr));
  EXPECT_EQ(n, 0u);  // at the end: success, nothing read
  SetLastError(0);
  EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NEGATIVE_SEEK);
  LONG high = 1;  // 4 GiB + 3: a sparse position beyond the end is allowed
  EXPECT_EQ(SetFilePointer(h, 3, &high, FILE_BEGIN), 3u);
  EXPECT_EQ(high, 1);
  LARGE_INTEGER d, pos;
  d.QuadPart = 4;
  ASSERT_TRUE(SetFilePointerEx(h, d, &pos, FILE_BEGIN));
  EXPECT_EQ(pos.QuadPart, 4);
  ASSERT_TRUE(SetEndOfFile(h));
  DWORD hi = 7;
  EXPECT_EQ(GetFileSize(h, &hi), 4u);
  EXPECT_EQ(hi, 0u);
  EXPECT_TRUE(FlushFileBuffers(h));

  SYSTEMTIME st{2001, 2, 0, 3, 4, 5, 6, 0};
  FILETIME ft, c, w;
  SystemTimeToFileTime(&st, &ft);
  FILETIME created = ft;
  created.dwHighDateTime -= 1;
  ASSERT_TRUE(SetFileTime(h, &created, nullptr, &ft));
  ASSERT_TRUE(GetFileTime(h, &c, nullptr, &w));
  EXPECT_EQ(CompareFileTime(&w, &ft), 0);
  EXPECT_EQ(CompareFileTime(&c, &created), 0);
  CloseHandle(h);
  WIN32_FILE_ATTRIBUTE_DATA ad;
  ASSERT_TRUE(GetFileAttributesExW(u"C:\\Windows\\Temp\\P.BIN", GetFileExInfoStandard, &ad));
  EXPECT_EQ(ad.nFileSizeLow, 4u);
  EXPECT_EQ(CompareFileTime(&ad.ftLastWriteTime, &ft), 0);
  EXPECT_EQ(CompareFileTime(&ad.ftCreationTime, &created), 0);

  h = Open(u"C:\\Windows\\Temp\\p.bin", GENERIC_READ, OPEN_EXISTING);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_FALSE(SetEndOfFile(h));
  EXPECT_FALSE(SetFileTime(h, nullptr, nullptr, &ft));
  EXPECT_FALSE(ReadFile(h, buf, 1, nullptr, nullptr));  // the count is required
  CloseHandle(h);
}

TEST(File, FailNthWrite) {
  kvtest::TempRoot root;
  HANDLE h = Open(u"C:\\Windows\\Temp\\w.bin", GENERIC_WRITE, CREATE_ALWAYS);
  DWORD n;
  kvp::test::FailWriteAt(2);
  EXPECT_TRUE(WriteFile(h, "ab", 2, &n, nullptr));
  EXPECT_FALSE(WriteFile(h, "cd", 2, &n, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_DISK_FULL);
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(WriteFile(h, "ef", 2, &n, nullptr));
  kvp::test::FailWriteAt(0);
  CloseHandle(h);
  EXPECT_EQ(Read(u"C:\\Windows\\Temp\\w.bin"), "abef");

  // A copy that fails leaves the existing target untouched and no temporary file behind.
  ASSERT_TRUE(Write(u"C:\\Windows\\Temp\\target.bin", "keep"));
  kvp::test::FailWriteAt(1);
  EXPECT_FALSE(CopyFileW(u"C:\\Windows\\Temp\\w.bin", u"C:\\Windows\\Temp\\target.bin", FALSE));
  kvp::test::FailWriteAt(0);
  EXPECT_EQ(Read(u"C:\\Windows\\Temp\\target.bin"), "keep");
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW(u"C:\\Windows\\Temp\\*", &fd);
  int entries = 0;
  do ++entries;
  while (FindNextFileW(f, &fd));
  FindClose(f);
  EXPECT_EQ(entries, 4);  // ".", "..", the two files
}

TEST(File, SharingBetweenHandles) {
  kvtest::TempRoot root;
  const char16_t* f = u"C:\\Windows\\Temp\\s.txt";
  ASSERT_TRUE(Write(f, "x"));
  HANDLE a = Open(f, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  HANDLE b = Open(f, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  EXPECT_NE(b, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(f, GENERIC_WRITE, OPEN_EXISTING, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileW(f));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  CloseHandle(a);
  CloseHandle(b);
  HANDLE c = Open(f, GENERIC_WRITE, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  EXPECT_TRUE(DeleteFileW(f));
  CloseHandle(c);
}

TEST(File, AttributesReadOnlyAndHidden) {
  kvtest::TempRoot root;
  const char16_t* f = u"C:\\Windows\\Temp\\ro.txt";
  ASSERT_TRUE(Write(f, "data"));
  EXPECT_EQ(GetFileAttributesW(f), (DWORD)FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(SetFileAttributesW(f, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesW(u"C:\\WINDOWS\\TEMP\\RO.TXT"), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  struct Refused {
    const char* what;
    bool ok;
  } refused[] = {
      {"open for writing", Open(f, GENERIC_WRITE, OPEN_EXISTING) != INVALID_HANDLE_VALUE},
      {"delete", DeleteFileW(f) != 0},
      {"replace by copy", CopyFileW(u"C:\\Windows\\Temp\\..\\Temp\\ro.txt", f, FALSE) != 0},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.what);
    EXPECT_FALSE(r.ok);
  }
  EXPECT_EQ(Read(f), "data");  // reading is allowed
  // The attributes travel with a rename and are copied by CopyFileW.
  ASSERT_TRUE(MoveFileExW(f, u"C:\\Windows\\Temp\\moved.txt", 0));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\Temp\\moved.txt") & FILE_ATTRIBUTE_READONLY, (DWORD)FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesW(f), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(CopyFileW(u"C:\\Windows\\Temp\\moved.txt", u"C:\\Windows\\Temp\\copy.txt", TRUE));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\Temp\\copy.txt") & FILE_ATTRIBUTE_READONLY, (DWORD)FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Windows\\Temp\\moved.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\Temp\\moved.txt"), (DWORD)FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(DeleteFileW(u"C:\\Windows\\Temp\\moved.txt"));
  // A hidden file is replaced only by a creation that says hidden.
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Windows\\Temp\\copy.txt", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Open(u"C:\\Windows\\Temp\\copy.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  HANDLE h = Open(u"C:\\Windows\\Temp\\copy.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  // A folder's attributes, as the driver sets them on its data folder.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\ProgramData\\Data", nullptr));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\ProgramData\\Data", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesW(u"C:\\ProgramData\\data"), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
}

TEST(File, CopyMoveAndFolders) {
  kvtest::TempRoot root;
  ASSERT_TRUE(Write(u"C:\\Windows\\Temp\\a.txt", "A"));
  ASSERT_TRUE(Write(u"C:\\Windows\\Temp\\b.txt", "B"));
  EXPECT_FALSE(CopyFileW(u"C:\\Windows\\Temp\\a.txt", u"C:\\Windows\\Temp\\b.txt", TRUE));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
  EXPECT_TRUE(CopyFileW(u"C:\\Windows\\Temp\\a.txt", u"C:\\Windows\\Temp\\b.txt", FALSE));
  EXPECT_EQ(Read(u"C:\\Windows\\Temp\\b.txt"), "A");
  EXPECT_FALSE(CopyFileW(u"C:\\Windows\\Temp\\none.txt", u"C:\\Windows\\Temp\\c.txt", FALSE));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);

  ASSERT_TRUE(Write(u"C:\\Windows\\Temp\\b.txt", "B"));
  EXPECT_FALSE(MoveFileExW(u"C:\\Windows\\Temp\\a.txt", u"C:\\Windows\\Temp\\b.txt", 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileExW(u"C:\\Windows\\Temp\\a.txt", u"C:\\Windows\\Temp\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Read(u"C:\\Windows\\Temp\\b.txt"), "A");
  // Renaming to another spelling of the same name changes the spelling on disk.
  EXPECT_TRUE(MoveFileExW(u"C:\\Windows\\Temp\\b.txt", u"C:\\Windows\\Temp\\B.TXT", 0));
  EXPECT_TRUE(std::filesystem::exists(root.path() + "/c/Windows/Temp/B.TXT"));

  EXPECT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
  EXPECT_FALSE(CreateDirectoryW(u"C:\\work", nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryW(u"C:\\Missing\\Sub", nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(Write(u"C:\\Work\\f.txt", "f"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\f.txt", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(RemoveDirectoryW(u"C:\\Work"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(RemoveDirectoryW(u"C:\\Work\\f.txt"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIRECTORY);
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\F.TXT"));
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\WORK"));  // the side store of the hidden file does not keep it
  EXPECT_FALSE(RemoveDirectoryW(u"C:\\"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\"), (DWORD)FILE_ATTRIBUTE_DIRECTORY);
}

TEST(File, FindWildcards) {
  kvtest::TempRoot root;
  ASSERT_TRUE(CreateDirectoryW(u"C:\\F", nullptr));
  for (const char16_t* n : {u"C:\\F\\Alpha.txt", u"C:\\F\\beta.TXT", u"C:\\F\\gamma.ini", u"C:\\F\\noext", u"C:\\F\\a1.txt"})
    ASSERT_TRUE(Write(n, "x"));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\F\\Sub", nullptr));
  SetFileAttributesW(u"C:\\F\\gamma.ini", FILE_ATTRIBUTE_READONLY);
  struct Case {
    const char16_t* pattern;
    const char* names;  // in order, separated by '|'
  } cases[] = {
      {u"C:\\F\\*.txt", "a1.txt|Alpha.txt|beta.TXT"},
      {u"C:\\f\\*", ".|..|a1.txt|Alpha.txt|beta.TXT|gamma.ini|noext|Sub"},
      {u"C:\\F\\*.*", ".|..|a1.txt|Alpha.txt|beta.TXT|gamma.ini|noext|Sub"},
      {u"C:\\F\\?1.TXT", "a1.txt"},
      {u"C:\\F\\ALPHA.TXT", "Alpha.txt"},
      {u"C:\\F\\*a*", "a1.txt|Alpha.txt|beta.TXT|gamma.ini"},
      {u"C:\\F\\s*", "Sub"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.names));
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(c.pattern, &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::u16string got;
    do {
      if (!got.empty()) got += u"|";
      got += fd.cFileName;
      std::u16string_view name(fd.cFileName);
      if (name == u"gamma.ini") {
        EXPECT_EQ(fd.dwFileAttributes, (DWORD)FILE_ATTRIBUTE_READONLY);
      }
      if (name == u"Sub") {
        EXPECT_TRUE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
      }
      if (name == u"a1.txt") {
        EXPECT_EQ(fd.nFileSizeLow, 1u);
      }
    } while (FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    EXPECT_EQ(got, W(c.names));
  }
  WIN32_FIND_DATAW fd;
  EXPECT_EQ(FindFirstFileW(u"C:\\F\\*.doc", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileW(u"C:\\Nope\\*", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  HANDLE h = FindFirstFileW(u"C:\\*", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_NE(std::u16string_view(fd.cFileName), u".");  // no "." at a drive's root
  EXPECT_FALSE(CloseHandle(HANDLE(nullptr)));
  EXPECT_TRUE(FindClose(h));
  EXPECT_FALSE(FindClose(h));
}

// Small files are read into memory and large ones mapped: both give the same view contents, offsets and
// lifetime (valid after the handles are closed, until unmapped once).
TEST(File, ReadOnlyMapping) {
  kvtest::TempRoot root;
  for (size_t size : {size_t(70000), size_t(300000)}) {
    SCOPED_TRACE(size);
    std::string data(size, 'a');
    data[65536] = 'Z';
    data[size - 1] = 'E';
    ASSERT_TRUE(Write(u"C:\\Windows\\Temp\\m.bin", data));
    HANDLE f = Open(u"C:\\Windows\\Temp\\m.bin", GENERIC_READ, OPEN_EXISTING);
    HANDLE m = CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(CreateFileMappingW(f, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
    EXPECT_EQ(MapViewOfFile(m, FILE_MAP_READ, 0, 100, 0), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MAPPED_ALIGNMENT);
    EXPECT_EQ(MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0), nullptr);
    EXPECT_EQ(MapViewOfFile(m, FILE_MAP_READ, 0, 65536, DWORD(size)), nullptr);  // past the end
    auto* whole = static_cast<const char*>(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0));
    auto* tail = static_cast<const char*>(MapViewOfFile(m, FILE_MAP_READ, 0, 65536, 10));
    ASSERT_TRUE(whole && tail);
    CloseHandle(m);
    CloseHandle(f);  // views stay valid after the handles are gone
    EXPECT_EQ(std::string(whole, size), data);
    EXPECT_EQ(uintptr_t(whole) % 4096, 0u);
    EXPECT_EQ(std::string(tail, 10), data.substr(65536, 10));
    EXPECT_TRUE(UnmapViewOfFile(whole));
    EXPECT_TRUE(UnmapViewOfFile(tail));
    EXPECT_FALSE(UnmapViewOfFile(tail));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ADDRESS);
  }
  ASSERT_TRUE(Write(u"C:\\Windows\\Temp\\empty.bin", ""));
  HANDLE f = Open(u"C:\\Windows\\Temp\\empty.bin", GENERIC_READ, OPEN_EXISTING);
  EXPECT_EQ(CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_INVALID);
  CloseHandle(f);
}

TEST(Paths, FullPathNames) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
    const char16_t* part;
  } cases[] = {
      {u"C:\\a\\b\\..\\c.txt", u"C:\\a\\c.txt", u"c.txt"},
      {u"c:/x/./y/", u"c:\\x\\y\\", nullptr},
      {u"C:\\..\\..\\z", u"C:\\z", u"z"},
      {u"rel.dll", u"C:\\Windows\\System32\\rel.dll", u"rel.dll"},
      {u"\\top.ini", u"C:\\top.ini", u"top.ini"},
      {u"\\\\srv\\share\\..\\f", u"\\\\srv\\share\\f", u"f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    WCHAR buf[MAX_PATH];
    LPWSTR part = nullptr;
    DWORD n = GetFullPathNameW(c.in, MAX_PATH, buf, &part);
    EXPECT_EQ(std::u16string_view(buf, n), c.out);
    if (c.part) {
      EXPECT_EQ(std::u16string_view(part ? part : u""), c.part);
    } else {
      EXPECT_EQ(part, nullptr);
    }
  }
  WCHAR small[4];
  EXPECT_EQ(GetFullPathNameW(u"C:\\abcdef", 4, small, nullptr), 10u);
}

TEST(Paths, FoldersAndBufferProtocol) {
  kvtest::TempRoot root;
  WCHAR buf[MAX_PATH];
  struct Case {
    UINT (*fn)(LPWSTR, UINT);
    const char16_t* want;
  } cases[] = {
      {GetSystemDirectoryW, u"C:\\Windows\\System32"},
      {GetWindowsDirectoryW, u"C:\\Windows"},
      {GetSystemWindowsDirectoryW, u"C:\\Windows"},
  };
  for (const auto& c : cases) {
    UINT len = UINT(std::char_traits<char16_t>::length(c.want));
    EXPECT_EQ(c.fn(buf, MAX_PATH), len);
    EXPECT_EQ(std::u16string_view(buf), c.want);
    EXPECT_EQ(c.fn(buf, len), len + 1);  // no room for the terminator: the size needed
    EXPECT_EQ(c.fn(nullptr, 0), len + 1);
  }
  DWORD n = GetTempPathW(MAX_PATH, buf);
  EXPECT_EQ(std::u16string_view(buf, n), u"C:\\Users\\user\\AppData\\Local\\Temp\\");
  HANDLE tok = kvp::HandleCreate(kvp::kHandleKindToken, new int(0), [](void* p) { delete static_cast<int*>(p); });
  DWORD size = 3;
  EXPECT_FALSE(GetUserProfileDirectoryW(tok, buf, &size));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 14u);
  EXPECT_TRUE(GetUserProfileDirectoryW(tok, buf, &size));
  EXPECT_EQ(std::u16string_view(buf), u"C:\\Users\\user");
  EXPECT_FALSE(GetUserProfileDirectoryW(nullptr, buf, &size));
  CloseHandle(tok);
  LPWSTR p = nullptr;
  EXPECT_EQ(SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &p), S_OK);
  EXPECT_EQ(std::u16string_view(p), u"C:\\Users\\user\\AppData\\LocalLow");
  CoTaskMemFree(p);
  GUID unknown{1, 2, 3, {4}};
  EXPECT_TRUE(FAILED(SHGetKnownFolderPath(unknown, 0, nullptr, &p)));
  EXPECT_EQ(p, nullptr);
}

TEST(Paths, Environment) {
  kvtest::TempRoot root;
  WCHAR buf[MAX_PATH];
  EXPECT_EQ(GetEnvironmentVariableW(u"systemroot", buf, MAX_PATH), 10u);
  EXPECT_EQ(std::u16string_view(buf), u"C:\\Windows");
  EXPECT_EQ(GetEnvironmentVariableW(u"SystemRoot", buf, 5), 11u);
  EXPECT_EQ(GetEnvironmentVariableW(u"NOPE", buf, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ENVVAR_NOT_FOUND);
  EXPECT_TRUE(SetEnvironmentVariableW(u"Mine", u"v1"));
  EXPECT_EQ(GetEnvironmentVariableW(u"MINE", buf, MAX_PATH), 2u);
  EXPECT_TRUE(SetEnvironmentVariableW(u"MINE", nullptr));
  EXPECT_EQ(GetEnvironmentVariableW(u"Mine", buf, MAX_PATH), 0u);
  EXPECT_FALSE(SetEnvironmentVariableW(u"a=b", u"x"));
  EXPECT_FALSE(SetEnvironmentVariableW(u"", u"x"));

  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"%SystemRoot%\\System32", u"C:\\Windows\\System32"},
      {u"%windir%|%SYSTEMDRIVE%|%TEMP%", u"C:\\Windows|C:|C:\\Users\\user\\AppData\\Local\\Temp"},
      {u"%USERPROFILE%\\x", u"C:\\Users\\user\\x"},
      {u"%Unknown%\\%windir%", u"%Unknown%\\C:\\Windows"},
      {u"100% sure", u"100% sure"},
      {u"%%windir%", u"%C:\\Windows"},
  };
  for (const auto& c : cases) {
    DWORD n = ExpandEnvironmentStringsW(c.in, buf, MAX_PATH);
    EXPECT_EQ(std::u16string_view(buf), c.out);
    EXPECT_EQ(n, std::char_traits<char16_t>::length(c.out) + 1);
    EXPECT_EQ(ExpandEnvironmentStringsW(c.in, buf, 2), n);
  }
}

TEST(File, BadInputNeverEscapesTheRoot) {
  kvtest::TempRoot root;
  std::string outside = root.path() + "-outside";
  std::filesystem::create_directories(outside);
  size_t before = CountFiles(root.path());
  std::u16string longPath = u"C:\\" + std::u16string(MAX_PATH, u'x');
  std::u16string longPrefixed = u"\\\\?\\C:\\Windows\\Temp\\" + std::u16string(300, u'y');
  struct Case {
    const char16_t* name;
    DWORD err;
  } cases[] = {
      {nullptr, ERROR_INVALID_PARAMETER},
      {u"", ERROR_PATH_NOT_FOUND},
      {longPath.c_str(), ERROR_FILENAME_EXCED_RANGE},
      {u"C:\\..\\..\\etc\\passwd", ERROR_ACCESS_DENIED},
      {u"C:\\Windows\\..\\..\\x.txt", ERROR_ACCESS_DENIED},
      {u"D:\\x.txt", ERROR_PATH_NOT_FOUND},
      {u"C:\\Windows\\Temp\\a*b.txt", ERROR_INVALID_NAME},
      {u"C:\\Windows\\Temp\\a<b", ERROR_INVALID_NAME},
      {u"C:\\Windows\\Temp\\.kvattr", ERROR_ACCESS_DENIED},
      {u"C:\\Windows\\Temp\\.KVATTR\\x.txt", ERROR_ACCESS_DENIED},
      {longPrefixed.c_str(), ERROR_FILENAME_EXCED_RANGE},  // the host's name limit, not a crash
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "error " << c.err);
    SetLastError(0);
    EXPECT_EQ(Open(c.name, GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.err);
    SetLastError(0);
    EXPECT_EQ(GetFileAttributesW(c.name), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(DeleteFileW(c.name));
    EXPECT_FALSE(CreateDirectoryW(c.name, nullptr));
    EXPECT_FALSE(CopyFileW(u"C:\\Windows\\win.ini", c.name, FALSE));
    EXPECT_FALSE(MoveFileExW(u"C:\\Windows\\Temp", c.name, MOVEFILE_REPLACE_EXISTING));
  }
  // Truncated and null buffers.
  DWORD n;
  HANDLE h = Open(u"C:\\Windows\\Temp\\t.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  EXPECT_FALSE(WriteFile(h, nullptr, 5, &n, nullptr));
  EXPECT_FALSE(ReadFile(h, nullptr, 5, &n, nullptr));
  EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &n, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetFileSize(nullptr, nullptr), INVALID_FILE_SIZE);
  CloseHandle(h);
  EXPECT_FALSE(GetFileAttributesExW(u"C:\\Windows", GetFileExMaxInfoLevel, &n));
  WIN32_FIND_DATAW fd;
  EXPECT_EQ(FindFirstFileW(nullptr, &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileW(u"C:\\..\\..\\*", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CountFiles(outside), 0u);
  EXPECT_EQ(CountFiles(root.path()), before + 1);  // only t.bin
  std::filesystem::remove_all(outside);
}

// The host's errors keep their own meaning: a read-only file system is not a refusal of rights (which a
// user would read as "not administrator"), a full disk says so, and an error without a platform
// counterpart is a general failure, not "access denied".
TEST(FileErrors, HostErrorsKeepTheirMeaning) {
  const struct {
    int host;
    DWORD platform;
  } rows[] = {
      {EROFS, ERROR_WRITE_PROTECT}, {ENOSPC, ERROR_DISK_FULL},   {EDQUOT, ERROR_DISK_FULL},
      {EACCES, ERROR_ACCESS_DENIED}, {EPERM, ERROR_ACCESS_DENIED}, {EIO, ERROR_GEN_FAILURE},
      {ELOOP, ERROR_GEN_FAILURE},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::strerror(r.host));
    EXPECT_EQ(kvp::fs::ErrorFromErrno(r.host, "/tmp/x"), r.platform);
  }
}
