// Folders, paths and file names: the folder getters with their registry and printer-data sources,
// every bounded builder with a result that fits and one that does not, the INI path in and out of
// terminal-server mode, the context's file names and names, the file-name operations, the path macros,
// and the file utilities with their failures.
#include <cstring>

#include "config/paths.h"
#include "kvplat/file.h"
#include "kvplat/handle.h"
#include "kvplat/registry.h"
#include "kvplat/testhooks.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {
constexpr char16_t kSys[] = u"C:\\Windows\\System32";
const std::u16string kDir = kDriverDir;

void SetRegString(const WCHAR* name, const void* data, DWORD bytes, DWORD type) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\KAVRO\\ZarnDrv", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
  RegCloseKey(key);
}
}  // namespace

class Paths : public PlotterTest {};

TEST_F(Paths, CommonDataFolderFromRegistryPrinterDataOrDrive) {
  WCHAR buf[260];
  EXPECT_EQ(CfgGetSystemDir(buf, 260, ctx_), kvp::WLen(kSys));
  EXPECT_EQ(S(buf), kSys);
  EXPECT_EQ(CfgGetCommonDataDir(buf, 260, ctx_), 8u);
  EXPECT_EQ(S(buf), u"C:\\_zarn");
  EXPECT_EQ(CfgGetCommonDataDir(buf, 8, ctx_), 0u);  // does not fit
  EXPECT_EQ(buf[0], 0);

  std::u16string folder = u"D:\\Shared\\zarn";
  SetRegString(u"_ZARNDirectory", folder.c_str(), (DWORD)(folder.size() + 1) * 2, REG_SZ);
  EXPECT_EQ(CfgGetCommonDataDirForPrinter(buf, 260, printer_), folder.size());
  EXPECT_EQ(S(buf), folder);
  // Values of the wrong type or an empty value fall back to the drive.
  DWORD number = 0x3A0044;  // reads as "D:" without a terminator
  SetRegString(u"_ZARNDirectory", &number, 4, REG_DWORD);
  CfgGetCommonDataDir(buf, 260, ctx_);
  EXPECT_EQ(S(buf), u"C:\\_zarn");
  SetRegString(u"_ZARNDirectory", u"", 2, REG_SZ);
  CfgGetCommonDataDir(buf, 260, ctx_);
  EXPECT_EQ(S(buf), u"C:\\_zarn");

  // A remote printer takes the data folder inside the existing folder its printer data names.
  HANDLE far = AddPrinter(u"Far", 0, u"\\\\SRV");
  std::u16string client = u"C:\\Client";
  ASSERT_TRUE(CreateDirectoryW(client.c_str(), nullptr));
  ASSERT_EQ(SetPrinterDataW(far, (LPWSTR)u"_ZARNDirectoryClient", REG_SZ, (LPBYTE)client.c_str(),
                            (DWORD)(client.size() + 1) * 2),
            (DWORD)ERROR_SUCCESS);
  SETTING_CONTEXT* r = Context(far, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(S((CfgGetCommonDataDir(buf, 260, r), buf)), client + u"\\_zarn");
  EXPECT_EQ(S((CfgGetDataDirForPrinter(buf, 260, far), buf)), client + u"\\_zarn");
  StgReleaseContext(r, STG_RELEASE_FREE);
  // The local printer ignores such a value.
  SetPrinterDataW(printer_, (LPWSTR)u"_ZARNDirectoryClient", REG_SZ, (LPBYTE)client.c_str(),
                  (DWORD)(client.size() + 1) * 2);
  EXPECT_EQ(S((CfgGetCommonDataDir(buf, 260, ctx_), buf)), u"C:\\_zarn");
}

TEST_F(Paths, DataFolderByVersion) {
  WCHAR buf[260];
  EXPECT_EQ(S((CfgGetDataDir(buf, 260, ctx_), buf)), u"C:\\_zarn");
  SetSwitch("OSMajor", "4");
  EXPECT_EQ(S((CfgGetDataDir(buf, 260, ctx_), buf)), kSys);
  EXPECT_EQ(S((CfgGetDataDirForPrinter(buf, 260, printer_), buf)), kSys);
}

TEST_F(Paths, PerUserFolderByVersionAndFromTheIniPath) {
  WCHAR low[260], profile[260], buf[260];
  ASSERT_TRUE(CfgGetLocalAppDataLowDir(low, 260));
  EXPECT_FALSE(CfgGetLocalAppDataLowDir(buf, 5));  // shorter than the answer
  EXPECT_EQ(buf[0], 0);
  ASSERT_TRUE(CfgGetUserProfileDirEx(profile, 260, printer_, TRUE));
  EXPECT_EQ(S(profile), kvp::UserProfileDir());
  // Too small without fall-back fails; with fall-back the common data folder is written.
  EXPECT_FALSE(CfgGetUserProfileDirEx(buf, 4, printer_, TRUE));
  EXPECT_TRUE(CfgGetUserProfileDir(buf, 260, printer_) && S(buf) == S(profile));

  // The device settings of the new context were loaded with its INI path: start without it.
  ctx_->work->iniPath[0] = 0;
  EXPECT_GT(CfgGetUserDataDirForPrinter(buf, 260, printer_), 0u);
  EXPECT_EQ(S(buf), S(low) + u"\\_zarn");
  SetSwitch("OSMajor", "5");
  CfgGetUserDataDir(buf, 260, ctx_);
  EXPECT_EQ(S(buf), S(profile) + u"\\_zarn");
  SetSwitch("OSMajor", "4");
  CfgGetUserDataDir(buf, 260, ctx_);
  EXPECT_EQ(S(buf), std::u16string(kSys) + u"\\kavro\\_zarn\\" + S(CfgFindFileName(profile)));
  EXPECT_EQ(CfgGetUserDataDir(buf, 10, ctx_), 0u);
  EXPECT_EQ(buf[0], 0);
  // Once the INI path is absolute, its folder is the per-user folder.
  kvp::WCopy(ctx_->work->iniPath, 260, u"F:\\Users\\Me\\_zarn\\kvdrvset.ini");
  EXPECT_EQ(CfgGetUserDataDir(buf, 260, ctx_), 17u);
  EXPECT_EQ(S(buf), u"F:\\Users\\Me\\_zarn");
}

TEST_F(Paths, DriverFolder) {
  EXPECT_EQ(S(CfgGetDriverDir(ctx_)), kDir);
  WCHAR dst[260];
  EXPECT_EQ(S(CfgGetDriverDirForPrinter((HANDLE)0x7777, dst)), std::u16string(kSys) + u"\\spool\\drivers\\w32x86\\2\\");
  EXPECT_EQ(S(CfgMakeDriverFilePath(ctx_, u"kvdrvdat")), kDir + u"kvdrvdat");
  EXPECT_EQ(S(CfgMakeDriverFilePath(ctx_, std::u16string(250, u'x').c_str())), u"");
  EXPECT_EQ(S(CfgGetModelIniPath(ctx_)), kDir + u"kvdrvmod.ini");
}

TEST_F(Paths, BoundedBuildersEmptyRatherThanTruncate) {
  const std::u16string sysName = std::u16string(kSys) + u"\\kvrest.txt";    // 30 characters
  const std::u16string winName = u"C:\\Windows\\kvrest.txt";                   // 21
  const std::u16string dataName = u"C:\\_zarn\\kvrest.txt";                    // 19
  const std::u16string drvName = kDir + u"kvrest.txt";
  struct Case {
    const char* what;
    std::function<WCHAR*(WCHAR*, DWORD)> build;
    std::u16string full;
  };
  SETTING_CONTEXT* ctx = ctx_;
  HANDLE h = printer_;
  const Case cases[] = {
      {"system", [](WCHAR* d, DWORD n) { return CfgMakeSystemDirPath(d, n, u"kvrest.txt"); }, sysName},
      {"windows", [](WCHAR* d, DWORD n) { return CfgMakeWindowsDirPath(d, n, u"kvrest.txt"); }, winName},
      {"data", [ctx](WCHAR* d, DWORD n) { return CfgMakeDataFilePath(d, n, u"kvrest.txt", ctx); }, dataName},
      {"driver", [h](WCHAR* d, DWORD n) { return CfgMakeDriverDirPath(d, n, u"kvrest.txt", h); }, drvName},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    WCHAR buf[260];
    DWORD exact = (DWORD)k.full.size() + 1;
    EXPECT_EQ(S(k.build(buf, exact)), k.full);
    std::memset(buf, 0x41, sizeof buf);
    EXPECT_EQ(S(k.build(buf, exact - 1)), u"");
    EXPECT_EQ(S(k.build(buf, 3)), u"");
  }
  // Missing arguments leave the destination untouched.
  WCHAR keep[8] = u"keep";
  CfgMakeSystemDirPath(keep, 8, nullptr);
  CfgMakeDataFilePath(keep, 0, u"x", ctx_);
  EXPECT_EQ(S(keep), u"keep");
  // No driver information: the driver-folder join leaves the destination as it was.
  CfgMakeDriverDirPath(keep, 8, u"x", (HANDLE)0x7777);
  EXPECT_EQ(S(keep), u"keep");
}

TEST_F(Paths, ClimbingFromTheSystemFolder) {
  struct Case {
    const WCHAR* in;
    DWORD cch;
    std::u16string out;
  };
  const Case cases[] = {
      {u"..\\kv.ini", 260, u"C:\\Windows\\kv.ini"},
      {u"..\\..\\kv.ini", 260, u"C:\\kv.ini"},
      {u"..\\..\\..\\kv.ini", 260, u""},  // more levels than folders
      {u"..\\kv.ini", 17, u""},           // does not fit
      {u"..\\kv.ini", 18, u"C:\\Windows\\kv.ini"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(kvp::ToUtf8(k.in));
    WCHAR buf[260];
    EXPECT_EQ(S(CfgClimbFromSystemDir(buf, k.cch, k.in)), k.out);
  }
}

TEST_F(Paths, IniPathInAndOutOfTerminalServerMode) {
  EXPECT_EQ(S(CfgGetIniPath(ctx_)), u"C:\\_zarn\\kvdrvset.ini");
  WCHAR buf[260], user[260];
  EXPECT_TRUE(CfgGetIniPathForPrinter(buf, 260, 0, printer_));
  EXPECT_EQ(S(buf), u"C:\\_zarn\\kvdrvset.ini");
  EXPECT_TRUE(CfgGetIniPathForPrinter(buf, 260, 1, printer_));
  CfgGetUserDataDirForPrinter(user, 260, printer_);
  EXPECT_EQ(S(buf), S(user) + u"\\kvdrvset.ini");
  EXPECT_FALSE(CfgGetIniPathForPrinter(buf, 10, 0, printer_));

  // Terminal-server mode: the per-user copy, except for the common-INI kind; the path stays the same
  // on a second request.
  PlaceModule("kvtse", kDir + u"kvtse.dll");
  Script("kvtse", "TerminalServer=1\n");
  StgResetPlatformQueryCaches();
  SETTING_CONTEXT* ts = Context(printer_, 0);
  SETTING_CONTEXT* common = Context(printer_, 0, STG_KIND_UI | STG_KIND_COMMON_INI);
  ASSERT_TRUE(ts && common);
  std::u16string perUser = S(CfgGetIniPath(ts));
  EXPECT_EQ(perUser, S(user) + u"\\kvdrvset.ini");
  EXPECT_EQ(S(CfgGetIniPath(ts)), perUser);
  EXPECT_EQ(S(CfgGetIniPath(common)), u"C:\\_zarn\\kvdrvset.ini");
  EXPECT_TRUE(CfgMakeUserSettingsPath(buf, u"D:\\in\\job.rsd", 260, common));
  EXPECT_EQ(S(buf), u"C:\\_zarn\\job.rsr");
  EXPECT_TRUE(CfgMakeUserSettingsPath(buf, u"D:\\in\\job.rsd", 260, ts));
  EXPECT_EQ(S(buf), S(user) + u"\\job.rsr");
  EXPECT_FALSE(CfgMakeUserSettingsPath(buf, u"D:\\in\\job.rsd", 20, ts));
  StgReleaseContext(ts, STG_RELEASE_FREE);
  StgReleaseContext(common, STG_RELEASE_FREE);

  // An absolute driver INI name is used unchanged in every mode.
  ctx_->model->driverIniName = u"G:\\cfg\\own.ini";
  EXPECT_EQ(S(CfgGetIniPath(ctx_)), u"G:\\cfg\\own.ini");
  ctx_->work->kind |= STG_KIND_COMMON_INI;
  EXPECT_EQ(S(CfgGetIniPath(ctx_)), u"G:\\cfg\\own.ini");
}

TEST_F(Paths, NamesOfTheContext) {
  EXPECT_EQ(S(CfgGetPrinterName(ctx_)), u"Plotter");
  EXPECT_EQ(S(CfgGetDriverName(ctx_)), kDriver);
  EXPECT_EQ(CfgGetModelNameFromModelIni(ctx_), nullptr);
  WriteFile(kDir + u"kvdrvmod.ini", "[Models]\r\nKAVRO Lumeta QT M8350 ZARN=" + std::string(40, 'M') + "\r\n");
  EXPECT_EQ(S(CfgGetModelNameFromModelIni(ctx_)), std::u16string(32, u'M'));
  // Without printer information the driver name is the model block's stand-in.
  // (A light context: a full one needs an image, which an unknown printer cannot give.)
  SETTING_CONTEXT* none = Context((HANDLE)0x7777, 4);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(S(CfgGetDriverName(none)), u"US");
  EXPECT_EQ(S(CfgGetPrinterName(none)), u"");
  StgReleaseContext(none, STG_RELEASE_FREE);

  StgSetValue(ctx_, sid::rdmLanguageID, 6);
  EXPECT_EQ(S(CfgGetRegionCode(ctx_)), u"fr");
  EXPECT_EQ(S(CfgGetRsdSection(ctx_)), u"fr");
  EXPECT_EQ(S(CfgGetRegionSuffix(ctx_)), u"fr");
}

TEST_F(Paths, ResourceLibraryPathCarriesTheRegion) {
  EXPECT_EQ(S(CfgGetResourceDllPath(ctx_)), kDir + u"KV8350us.DLL");
  EXPECT_FALSE(CfgIsJapaneseResourceDll(ctx_));
  StgSetValue(ctx_, sid::rdmLanguageID, 0);
  EXPECT_EQ(S(CfgGetResourceDllPath(ctx_)), kDir + u"KV8350jp.DLL");
  EXPECT_TRUE(CfgIsJapaneseResourceDll(ctx_));
  // The letters go only where a name has an extension and two characters before it.
  struct Case {
    std::u16string in, out;
    BOOL done;
  };
  const Case cases[] = {{u"C:\\d\\RESus.DLL", u"C:\\d\\RESjp.DLL", TRUE},
                        {u"C:\\d\\us.DLL", u"C:\\d\\jp.DLL", TRUE},
                        {u"C:\\d\\u.DLL", u"C:\\d\\u.DLL", FALSE},
                        {u"C:\\d.x\\RESUS", u"C:\\d.x\\RESUS", FALSE},
                        {u"C:\\d\\.DLL", u"C:\\d\\.DLL", FALSE}};
  for (const Case& k : cases) {
    SCOPED_TRACE(kvp::ToUtf8(k.in));
    WCHAR buf[260];
    kvp::WCopy(buf, 260, k.in.c_str());
    EXPECT_EQ(CfgSubstituteRegionLetters(buf, u"jp"), k.done);
    EXPECT_EQ(S(buf), k.out);
  }
}

TEST(FileNames, Operations) {
  EXPECT_TRUE(CfgIsAbsolutePath(u"C:\\x"));
  EXPECT_TRUE(CfgIsAbsolutePath(u"\\\\srv\\x"));
  EXPECT_FALSE(CfgIsAbsolutePath(u"C:x"));
  EXPECT_FALSE(CfgIsAbsolutePath(u"x\\y"));
  EXPECT_FALSE(CfgIsAbsolutePath(nullptr));
  EXPECT_EQ(S(CfgFindFileName(u"C:\\a\\b.txt")), u"b.txt");
  EXPECT_EQ(S(CfgFindFileName(u"C:\\a\\")), u"");
  EXPECT_EQ(S(CfgFindFileName(u"plain")), u"plain");

  struct Ext {
    const WCHAR* path;
    std::u16string ext;
    DWORD len;
    std::u16string base;
    DWORD baseLen;
    BOOL shortExt;
  };
  const Ext exts[] = {
      {u"C:\\a\\b.txt", u"txt", 3, u"b.txt", 1, TRUE},
      {u"C:\\dir.d\\name", u"name", 0, u"name", 4, FALSE},  // the only dot lies in a folder
      {u"x.tar.gz", u"gz", 2, u"x.tar.gz", 1, TRUE},
      {u"a.rsrx", u"rsrx", 4, u"a.rsrx", 1, FALSE},
      {u".rsr", u"rsr", 3, u".rsr", 0, FALSE},
      {u"a.", u"", 0, u"a.", 1, FALSE},
  };
  for (const Ext& k : exts) {
    SCOPED_TRACE(kvp::ToUtf8(k.path));
    DWORD len = 99, baseLen = 99;
    EXPECT_EQ(S(CfgFindExtension(k.path, &len)), k.ext);
    EXPECT_EQ(len, k.len);
    EXPECT_EQ(S(CfgFindBaseName(k.path, &baseLen)), k.base);
    EXPECT_EQ(baseLen, k.baseLen);
    EXPECT_EQ(CfgHasShortExtension(k.path), k.shortExt);
  }

  WCHAR buf[260];
  EXPECT_TRUE(CfgMakeFileNameWithExt(buf, u"D:\\x\\job.rsd", u"rst"));
  EXPECT_EQ(S(buf), u"D:\\x\\job.rst");
  EXPECT_TRUE(CfgMakeFileNameWithExt(buf, u"D:\\x.y\\job", u"rst"));
  EXPECT_EQ(S(buf), u"D:\\x.y\\rst");  // no dot: the name is replaced as a whole
  EXPECT_FALSE(CfgMakeFileNameWithExt(buf, u"", u"rst"));
  EXPECT_FALSE(CfgMakeFileNameWithExt(buf, nullptr, u"rst"));
  EXPECT_TRUE(CfgChangeExtToRsd(buf, u"job.rsr", 260));
  EXPECT_EQ(S(buf), u"job.rsd");
  EXPECT_TRUE(CfgMakeRsqFileName(buf, u"job.rsr", 260));
  EXPECT_EQ(S(buf), u"job.rsq");
  EXPECT_FALSE(CfgMakeRsqFileName(buf, u"job.rsr", 7));
  EXPECT_EQ(buf[0], 0);
}

TEST_F(Paths, CommonDataFileNames) {
  WCHAR buf[260];
  EXPECT_TRUE(CfgMakeRsqPath(buf, u"D:\\in\\job.rsr", 260, ctx_));
  EXPECT_EQ(S(buf), u"C:\\_zarn\\job.rsq");
  EXPECT_TRUE(CfgMakeCommonDataFilePath(buf, u"D:\\in\\job.rsr", 260, CFG_EXT_RSD, ctx_));
  EXPECT_EQ(S(buf), u"C:\\_zarn\\job.rsd");
  EXPECT_TRUE(CfgMakeCommonDataFilePath(buf, u"D:\\in\\job.rsr", 260, 0, ctx_));
  EXPECT_EQ(S(buf), u"C:\\_zarn\\job.rsr");
  EXPECT_FALSE(CfgMakeCommonDataFilePath(buf, nullptr, 260, 0, ctx_));
  EXPECT_FALSE(CfgMakeCommonDataFilePath(buf, u"D:\\in\\job.rsr", 12, 0, ctx_));
  EXPECT_EQ(buf[0], 0);
}

TEST_F(Paths, MacroExpansion) {
  struct Case {
    const char* os;
    int mode;
    std::u16string in, out;
    BOOL ok;
  };
  const std::u16string data = u"C:\\_zarn";
  const Case cases[] = {
      {"10", 1, u"D:\\x\\a.rsr", u"D:\\x\\a.rsr", TRUE},
      {"10", 1, u".\\a.rsr", kDir + u"a.rsr", TRUE},
      {"10", 1, u"a.rsr", kDir + u"a.rsr", TRUE},
      {"10", 1, u"%SYSDIR%\\a.rsr", data + u"\\\\a.rsr", TRUE},
      {"10", 1, u"%WinDir%\\a.rsr", kDir + u"\\a.rsr", TRUE},
      {"10", 1, u"..\\..\\a.rsr", u"C:\\a.rsr", TRUE},
      {"10", 0, u".\\a.rsr", std::u16string(kSys) + u"\\a.rsr", TRUE},
      {"10", 0, u"%windir%\\a.rsr", u"C:\\Windows\\\\a.rsr", TRUE},
      {"10", 0, u"%sysdir%\\a.rsr", std::u16string(kSys) + u"\\\\a.rsr", TRUE},
      {"4", 1, u"a.rsr", std::u16string(kSys) + u"\\a.rsr", TRUE},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(kvp::ToUtf8(k.in) + " mode " + std::to_string(k.mode) + " os " + k.os);
    SetSwitch("OSMajor", k.os);
    WCHAR buf[260];
    kvp::WCopy(buf, 260, k.in.c_str());
    EXPECT_EQ(CfgExpandPathMacros(buf, 260, k.mode, ctx_), k.ok);
    EXPECT_EQ(S(buf), k.out);
  }
  SetSwitch("OSMajor", "10");
  // A path of 260 characters or more is refused and left as it is.
  std::u16string longPath(260, u'a');
  std::vector<WCHAR> big(longPath.begin(), longPath.end());
  big.push_back(0);
  EXPECT_FALSE(CfgExpandPathMacros(big.data(), 261, 1, ctx_));
  EXPECT_EQ(S(big.data()), longPath);
  // No driver information: the expansion fails instead of passing the relative path on.
  SETTING_CONTEXT* none = Context((HANDLE)0x7777, 0);
  WCHAR buf[260] = u".\\a.rsr";
  EXPECT_FALSE(CfgExpandPathMacros(buf, 260, 1, none));
  EXPECT_EQ(buf[0], 0);
  StgReleaseContext(none, STG_RELEASE_FREE);

  WCHAR a[260] = u".\\a.rsrx", b[260] = u".\\.rsr", c[260] = u".\\good.rsr";
  EXPECT_FALSE(CfgExpandSettingsFilePath(a, 260, ctx_));
  EXPECT_FALSE(CfgExpandSettingsFilePath(b, 260, ctx_));
  EXPECT_TRUE(CfgExpandSettingsFilePath(c, 260, ctx_));
}

TEST_F(Paths, FileUtilities) {
  const std::u16string f = u"C:\\work\\a.txt", g = u"C:\\work\\b.txt";
  WriteFile(f, "hello");
  EXPECT_TRUE(CfgFileExists(f.c_str()));
  EXPECT_FALSE(CfgFileExists(g.c_str()));
  EXPECT_FALSE(CfgFileExists(u""));
  EXPECT_TRUE(CfgCopyFile(f.c_str(), g.c_str(), TRUE));
  EXPECT_EQ(GetFileAttributesW(g.c_str()) & FILE_ATTRIBUTE_ARCHIVE, (DWORD)FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_FALSE(CfgCopyFile(f.c_str(), g.c_str(), TRUE));  // exists
  EXPECT_EQ(ReadFile(g), "hello");

  // Deleting: a read-only file goes; a missing or open file reports the failure.
  SetFileAttributesW(g.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(CfgDeleteFile(g.c_str()));
  EXPECT_FALSE(CfgFileExists(g.c_str()));
  EXPECT_FALSE(CfgDeleteFile(g.c_str()));
  HANDLE open = CreateFileW(f.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(CfgDeleteFile(f.c_str()));
  CloseHandle(open);
  EXPECT_TRUE(CfgFileExists(f.c_str()));
}

TEST_F(Paths, RawReadAndWriteReportTheBytesMoved) {
  const std::u16string f = u"C:\\work\\raw.bin";
  WriteFile(f, "abc");
  HANDLE h = CreateFileW(f.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buf[10] = {};
  EXPECT_EQ(CfgReadFileBytes(h, buf, 2), 2);
  EXPECT_EQ(CfgReadFileBytes(h, buf, 10), -1);  // short read: one byte was left
  EXPECT_EQ(CfgWriteFileBytes(h, "xyz", 3), 3);
  kvp::test::FailWriteAt(1);
  EXPECT_EQ(CfgWriteFileBytes(h, "xyz", 3), -1);
  kvp::test::FailWriteAt(0);
  EXPECT_EQ(CfgReadFileBytes((HANDLE)0x7777, buf, 1), -1);
  CloseHandle(h);
}

TEST_F(Paths, CompareTimesAndPutDriverFilesIntoPlace) {
  const std::u16string src = kDir + u"kvbidi.ini", sysTarget = std::u16string(kSys) + u"\\kvbidi.ini";
  auto setTime = [](const std::u16string& p, DWORD t) {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME ft{t, 0x01D00000};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
  };
  // Mode 1 without a source fails; with one it copies once and then leaves the target.
  EXPECT_FALSE(CfgCopyDriverFileToSystemDir(u"kvbidi.ini", nullptr, 1, ctx_));
  WriteFile(src, "v1");
  setTime(src, 100);
  EXPECT_TRUE(CfgCopyDriverFileToSystemDir(u"kvbidi.ini", nullptr, 1, ctx_));
  EXPECT_EQ(ReadFile(sysTarget), "v1");
  WriteFile(src, "v2");
  setTime(src, 200);
  EXPECT_TRUE(CfgCopyDriverFileToSystemDir(u"kvbidi.ini", nullptr, 1, ctx_));
  EXPECT_EQ(ReadFile(sysTarget), "v1");

  // Mode 2: a target not older than the source stays (answer 0); an older one is replaced.
  setTime(sysTarget, 300);
  EXPECT_TRUE(CfgCompareFileTimes(src.c_str(), sysTarget.c_str(), 1));
  EXPECT_FALSE(CfgCompareFileTimes(src.c_str(), sysTarget.c_str(), 0));
  EXPECT_FALSE(CfgCompareFileTimes(src.c_str(), sysTarget.c_str(), 2));
  EXPECT_FALSE(CfgCopyDriverFileToSystemDir(u"kvbidi.ini", nullptr, 2, ctx_));
  EXPECT_EQ(ReadFile(sysTarget), "v1");
  setTime(sysTarget, 50);
  EXPECT_TRUE(CfgCopyDriverFileToSystemDir(u"kvbidi.ini", nullptr, 2, ctx_));
  EXPECT_EQ(ReadFile(sysTarget), "v2");
  EXPECT_TRUE(CfgCompareFileTimes(src.c_str(), sysTarget.c_str(), 0));  // the copy keeps the time
  EXPECT_FALSE(CfgCompareFileTimes(src.c_str(), u"C:\\none.txt", 0));

  // An absolute target with time mode 0 copies whenever the times differ; a missing source never
  // costs the target.
  const std::u16string target = u"C:\\Users\\Public\\kvbidi.ini";
  WriteFile(target, "old");
  setTime(target, 999);
  EXPECT_TRUE(CfgInstallDriverFile(target.c_str(), nullptr, 2, ctx_));
  EXPECT_EQ(ReadFile(target), "v2");
  EXPECT_FALSE(CfgInstallDriverFile(target.c_str(), nullptr, 2, ctx_));  // same times now
  EXPECT_FALSE(CfgInstallDriverFile(target.c_str(), u"missing.ini", 2, ctx_));
  EXPECT_EQ(ReadFile(target), "v2");
  // A relative target goes to the system folder; identical paths answer 1.
  EXPECT_TRUE(CfgInstallDriverFileEx(u"kvbidi.ini", nullptr, 1, ctx_, 0));
  EXPECT_TRUE(CfgInstallDriverFile(src.c_str(), nullptr, 2, ctx_));
}
