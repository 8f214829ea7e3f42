// The module loader: search rules, load entries, reference counts, built-in modules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "kvtest/temp_root.h"

namespace {

std::u16string Log() {
  WCHAR buf[512] = {};
  DWORD n = GetEnvironmentVariableW(u"KVTEST_MODLOG", buf, 512);
  return std::u16string(buf, n < 512 ? n : 0);
}

// A root with test module A in System32 as "kvtestmod_a.so" and module B in the driver folder under
// the exact name "KVTESTMOD_B.DLL".
struct ModuleRoot {
  kvtest::TempRoot root;
  std::string driverDir = root.path() + "/c/Windows/System32/spool/drivers/x64/3";
  ModuleRoot() {
    namespace fs = std::filesystem;
    fs::copy_file(fs::path(KV_MODULE_DIR) / "kvtestmod_a.so", root.path() + "/c/Windows/System32/kvtestmod_a.so");
    fs::copy_file(fs::path(KV_MODULE_DIR) / "kvtestmod_b.so", driverDir + "/KVTESTMOD_B.DLL");
    kvp::ClearModuleSearchDirs();
    kvp::AddModuleSearchDir(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3");
    SetEnvironmentVariableW(u"KVTEST_MODLOG", u"");
  }
  ~ModuleRoot() { kvp::ClearModuleSearchDirs(); }
};

template <typename F>
F Proc(HMODULE m, const char* name) {
  return reinterpret_cast<F>(GetProcAddress(m, name));
}

}  // namespace

TEST(Module, LoadEntriesRunInOrderAndCountsHold) {
  ModuleRoot r;
  HMODULE b = LoadLibraryW(u"kvtestmod_b.dll");
  ASSERT_NE(b, nullptr) << GetLastError();
  EXPECT_EQ(Log(), u"b+;a+;");  // B's load entry loads A
  auto selfDuringLoad = Proc<HMODULE (*)()>(b, "KvTestSelfDuringLoad");
  ASSERT_NE(selfDuringLoad, nullptr);
  EXPECT_EQ(selfDuringLoad(), b);  // the module found its own handle while loading

  HMODULE a = GetModuleHandleW(u"KVTESTMOD_A");  // no reference added
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Proc<HMODULE (*)()>(b, "KvTestLoadedA")(), a);
  EXPECT_EQ(Proc<HMODULE (*)()>(a, "KvTestSelf")(), a);
  EXPECT_EQ(Proc<int (*)(int)>(a, "KvTestA")(41), 42);
  EXPECT_EQ(GetProcAddress(a, "KvTestB"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(GetProcAddress(a, "GetTickCount"), nullptr);  // a dependency's export is not the module's
  EXPECT_EQ(GetProcAddress(a, MAKEINTRESOURCEA(1)), nullptr);

  HMODULE a2 = LoadLibraryW(u"C:\\WINDOWS\\system32\\KvTestMod_A.DLL");  // a full path, any case
  EXPECT_EQ(a2, a);
  kvp::ModuleInfo info;
  ASSERT_TRUE(kvp::GetModuleInfo(a, &info));
  EXPECT_EQ(info.refs, 2u);
  WCHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(b, path, MAX_PATH);
  EXPECT_EQ(std::u16string_view(path, n), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvtestmod_b.dll");
  WCHAR small[5];
  EXPECT_EQ(GetModuleFileNameW(b, small, 5), 5u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string_view(small), u"C:\\W");

  EXPECT_TRUE(FreeLibrary(b));  // B's unload frees its reference to A; ours keeps A
  EXPECT_EQ(Log(), u"b+;a+;b-;");
  EXPECT_EQ(GetModuleHandleW(u"kvtestmod_b.dll"), nullptr);
  EXPECT_TRUE(FreeLibrary(a2));
  EXPECT_EQ(Log(), u"b+;a+;b-;a-;");
  EXPECT_FALSE(FreeLibrary(a));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST(Module, DataFileAndBuiltins) {
  ModuleRoot r;
  HMODULE d = LoadLibraryExW(u"kvtestmod_a.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Log(), u"");  // no code ran
  EXPECT_EQ(GetProcAddress(d, "KvTestA"), nullptr);
  EXPECT_EQ(GetModuleHandleW(u"kvtestmod_a.dll"), nullptr);
  kvp::ModuleInfo info;
  ASSERT_TRUE(kvp::GetModuleInfo(d, &info));
  EXPECT_TRUE(info.dataFile);
  EXPECT_NE(info.hostPath.find("kvtestmod_a.so"), std::string::npos);
  EXPECT_TRUE(FreeLibrary(d));

  // Built-in modules answer with the platform's own exports, in any case and with or without ".dll".
  HMODULE userenv = LoadLibraryW(u"UserEnv.dll");
  ASSERT_NE(userenv, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(userenv, "GetUserProfileDirectoryW")),
            reinterpret_cast<void*>(&GetUserProfileDirectoryW));
  HMODULE shell = LoadLibraryW(u"shell32.dll"), ole = LoadLibraryA("OLE32");
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")),
            reinterpret_cast<void*>(&SHGetKnownFolderPath));
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(ole, "CoTaskMemFree")), reinterpret_cast<void*>(&CoTaskMemFree));
  EXPECT_EQ(GetModuleHandleW(u"KERNEL32"), GetModuleHandleW(u"kernel32.dll"));
  EXPECT_TRUE(FreeLibrary(userenv));
  EXPECT_TRUE(FreeLibrary(shell));
  EXPECT_TRUE(FreeLibrary(ole));
  EXPECT_NE(GetModuleHandleW(u"userenv.dll"), nullptr);  // never unloaded
  EXPECT_TRUE(DisableThreadLibraryCalls(userenv));

  HMODULE self = GetModuleHandleW(nullptr);
  EXPECT_NE(self, nullptr);
  kvp::SetProcessImagePath(u"C:\\Windows\\explorer.exe");
  WCHAR path[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameW(nullptr, path, MAX_PATH), 23u);
  EXPECT_EQ(std::u16string_view(path), u"C:\\Windows\\explorer.exe");
  char apath[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameA(nullptr, apath, MAX_PATH), 23u);
  kvp::SetProcessImagePath(u"");
  HMODULE fromAddr = nullptr;
  EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCWSTR>(&Log), &fromAddr));
  EXPECT_EQ(fromAddr, self);
}

TEST(Module, NotFoundAndBadInput) {
  ModuleRoot r;
  // Not an ELF object under the exact name and no ".so" sibling: a bad image.
  HANDLE h = CreateFileW(u"C:\\Windows\\System32\\notelf.dll", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  WriteFile(h, "MZ......", 8, &n, nullptr);
  CloseHandle(h);
  struct Case {
    const char16_t* name;
    DWORD err;
  } cases[] = {
      {nullptr, ERROR_INVALID_PARAMETER},
      {u"", ERROR_INVALID_PARAMETER},
      {u"missing.dll", ERROR_MOD_NOT_FOUND},
      {u"notelf.dll", ERROR_BAD_EXE_FORMAT},
      {u"C:\\..\\..\\lib\\libc.so.6", ERROR_MOD_NOT_FOUND},
      {u"D:\\x.dll", ERROR_MOD_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "error " << c.err);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(c.name), nullptr);
    EXPECT_EQ(GetLastError(), c.err);
  }
  std::u16string longName = u"C:\\" + std::u16string(300, u'x') + u".dll";
  EXPECT_EQ(LoadLibraryW(longName.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILENAME_EXCED_RANGE);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(uintptr_t(0x1234)), "x"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_FALSE(GetModuleHandleExW(0, u"kvtestmod_a.dll", nullptr));
  EXPECT_EQ(GetModuleHandleW(u"missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(kvp::AddModuleSearchDir(u"C:\\..\\.."), (DWORD)ERROR_ACCESS_DENIED);
}

// Loading a module again is cheap but never stale: a resource-only module freed to zero references is no
// longer found and loads again at once; a file replaced or removed in between is what the next load sees;
// a module with load entries of its own runs them at every load and unload.
TEST(Module, LoadingAgainFollowsEveryChange) {
  namespace fs = std::filesystem;
  ModuleRoot r;
  std::string host = r.driverDir + "/KVRES.DLL";
  fs::copy_file(fs::path(KV_MODULE_DIR) / "kvres_sample.so", host);
  const char16_t* path = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\KVRES.DLL";
  auto text = [](HMODULE m, UINT id) {
    WCHAR b[64];
    int n = LoadStringW(m, id, b, 64);
    return std::u16string(b, size_t(n > 0 ? n : 0));
  };
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    HMODULE m = LoadLibraryW(path);
    ASSERT_NE(m, nullptr) << GetLastError();
    EXPECT_EQ(LoadLibraryW(u"c:\\windows\\system32\\SPOOL\\drivers\\x64\\3\\kvres.dll"), m);  // already loaded
    EXPECT_EQ(text(m, 100), u"Hello");
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(GetModuleHandleW(u"KVRES.DLL"), nullptr);  // gone for every caller
    EXPECT_FALSE(FreeLibrary(m));
  }
  // Replaced on disk (written aside and renamed, as installers do) between a free and the next load.
  fs::copy_file(fs::path(KV_MODULE_DIR) / "kvres_embedded.so", host + ".new");
  fs::rename(host + ".new", host);
  HMODULE m = LoadLibraryW(path);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(text(m, 4001), u"Fan Folding Finisher");
  EXPECT_EQ(text(m, 100), u"");
  EXPECT_TRUE(FreeLibrary(m));
  // Rewritten in place through the platform (same file) between a free and the next load.
  {
    std::ifstream in(std::string(KV_MODULE_DIR) + "/kvres_sample.so", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(f, bytes.data(), DWORD(bytes.size()), &n, nullptr));
    CloseHandle(f);
  }
  m = LoadLibraryW(path);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(text(m, 100), u"Hello");
  EXPECT_TRUE(FreeLibrary(m));
  // Opened as a data file, freed, then removed: the next load does not find it.
  HMODULE d = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(text(d, 100), u"Hello");
  EXPECT_TRUE(FreeLibrary(d));
  fs::remove(host);
  SetLastError(0);
  EXPECT_EQ(LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryW(path), nullptr);
  // Load entries of its own: they run at every load and every last free.
  for (int round = 0; round < 2; ++round) {
    HMODULE a = LoadLibraryW(u"C:\\Windows\\System32\\kvtestmod_a.dll");
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(FreeLibrary(a));
  }
  EXPECT_EQ(Log(), u"a+;a-;a+;a-;");
}
