// What set-up stores: the registration values byte for byte, the data folder with its access rules
// and the file helpers, and the printer-data store (font-table rows, lock bits, locked values).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/printer_data.h"
#include "inst_data_folder.h"
#include "inst_registration.h"
#include "ui_builds.h"
#include "kvplat/file.h"
#include "kvplat/profile.h"
#include "kvplat/registry.h"
#include "kvplat/security.h"
#include "kvplat/text.h"
#include "settings/library_hooks.h"
#include "ui_fixture.h"
#include "ui_printer_data.h"

using namespace uitest;

namespace {

class Store : public ModelPrinterTest {
 protected:
  bool Read(const char16_t* value, std::vector<BYTE>* out) {
    std::vector<kvp::SplDataValue> all;
    kvp::SplGetAllPrinterData(printer_, all);
    for (auto& v : all)
      if (v.name == value) {
        *out = v.data;
        return true;
      }
    return false;
  }
  static std::vector<BYTE> Bytes(const std::u16string& s, bool terminator) {
    std::vector<BYTE> b((s.size() + (terminator ? 1 : 0)) * 2, 0);
    std::memcpy(b.data(), s.data(), s.size() * 2);
    return b;
  }
  std::string Host(const char16_t* machinePath) {
    std::string h;
    kvp::MapPath(machinePath, h);
    return h;
  }
};

// ---- Registration values.

TEST_F(Store, RegistrationValuesByteForByte) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  ASSERT_TRUE(InstWriteDriverFileValues(printer_, ctx));
  EXPECT_EQ(UiWriteHelpFileNameValue(ctx), 1);
  EXPECT_TRUE(UiWriteLogFileValues(1, ctx));
  EXPECT_TRUE(InstWritePrinterNameValue(printer_));
  EXPECT_TRUE(InstWriteDriverNameValue(printer_));
  StgReleaseContext(ctx, STG_RELEASE_FREE);
  struct Case {
    const char16_t* value;
    std::u16string text;
    bool terminator;
  } cases[] = {
      {u"SPLUserModePrinterDriver", u"kvdrvaux.DLL", false},
      {u"DriverIniFileName", u"kvdrvset.ini", false},
      {u"DriverGRFileName", u"kvdrvgr.dll", true},
      {u"HelpFileName", u"KV8350us.hlp", true},
      {u"LogFileName", u"kvdrvgr.log", true},
      {u"ZARNPrinterName", name_, true},
      {u"DriverName", kvsetup::kModelDriverName, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(c.value));
    std::vector<BYTE> got;
    ASSERT_TRUE(Read(c.value, &got));
    EXPECT_EQ(got, Bytes(c.text, c.terminator));
  }
  // The ED name comes from the model INI, at most 25 characters, and is a 2-byte empty text without it.
  std::vector<BYTE> ed;
  ASSERT_TRUE(Read(u"DriverEDFileName", &ed));
  EXPECT_GE(ed.size(), 2u);
  EXPECT_LE(ed.size(), 52u);
  EXPECT_EQ(ed[ed.size() - 1], 0);
  EXPECT_EQ(ed[ed.size() - 2], 0);
}

TEST_F(Store, PrintLogValuesOnlyWhenAbsentOrEmpty) {
  auto get = [](const char16_t* name, void* buf, DWORD bytes) {
    return CfgReadHklmValue(u"Software\\KAVRO\\PrintLog", name, buf, bytes);
  };
  EXPECT_EQ(UiEnsurePrintLogKeys(nullptr), 1);
  WCHAR dir[64] = {};
  DWORD size = 0;
  ASSERT_TRUE(get(u"LogFileDirectory", dir, sizeof dir));
  EXPECT_EQ(std::u16string(dir), u"C:\\Windows\\temp\\PrintLog");
  ASSERT_TRUE(get(u"MaxLogFileSize", &size, sizeof size));
  EXPECT_EQ(size, 64u);
  // Values an administrator set stay; an empty folder is filled in.
  DWORD mine = 10;
  std::u16string folder = u"D:\\logs";
  UiWriteRegistryValue(u"Software\\KAVRO\\PrintLog", u"LogFileDirectory", folder.c_str(), DWORD(folder.size() * 2 + 2), REG_SZ);
  UiWriteRegistryValue(u"Software\\KAVRO\\PrintLog", u"MaxLogFileSize", &mine, 4, REG_DWORD);
  UiEnsurePrintLogKeys(nullptr);
  std::fill(std::begin(dir), std::end(dir), 0);
  get(u"LogFileDirectory", dir, sizeof dir);
  get(u"MaxLogFileSize", &size, sizeof size);
  EXPECT_EQ(std::u16string(dir), folder);
  EXPECT_EQ(size, 10u);
  UiWriteRegistryValue(u"Software\\KAVRO\\PrintLog", u"LogFileDirectory", u"", 2, REG_SZ);
  UiEnsurePrintLogKeys(nullptr);
  get(u"LogFileDirectory", dir, sizeof dir);
  EXPECT_EQ(std::u16string(dir), u"C:\\Windows\\temp\\PrintLog");
}

TEST_F(Store, StoredNamesAreBoundedByTheirBuffers) {
  std::u16string huge(5000, u'x');
  ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"ZARNPrinterName"), REG_SZ,
                            reinterpret_cast<LPBYTE>(huge.data()), DWORD(huge.size() * 2)),
            (DWORD)ERROR_SUCCESS);
  WCHAR name[261];
  EXPECT_EQ(InstReadPrinterNameValueTo(printer_, name), 0);  // larger than the name's buffer: not read
  std::u16string fits(300, u'y');
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"ZARNPrinterName"), REG_SZ, reinterpret_cast<LPBYTE>(fits.data()), 520);
  ASSERT_EQ(InstReadPrinterNameValueTo(printer_, name), 1);
  EXPECT_EQ(kvp::WLen(name), 260u);  // unterminated data ends inside the buffer
  EXPECT_EQ(InstReadPrinterNameValueTo(printer_, nullptr), 0);
}

// ---- Data folder.

TEST_F(Store, DataFolderResolution) {
  WCHAR dir[260];
  ASSERT_GT(InstGetDefaultDataDir(dir, 260), 0u);
  EXPECT_EQ(std::u16string(dir), u"C:\\_zarn");
  PRINTER_INFO_2W remote{};
  std::u16string server = u"\\\\SERVER";
  remote.pServerName = server.data();
  // A client value naming no usable folder falls back to the registry value, then to the default.
  std::u16string missing = u"Q:\\nowhere";
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"_ZARNDirectoryClient"), REG_SZ,
                  reinterpret_cast<LPBYTE>(missing.data()), DWORD(missing.size() * 2 + 2));
  InstGetCommonDataDirFor(dir, 260, printer_, &remote);
  EXPECT_EQ(std::u16string(dir), u"C:\\_zarn");
  std::u16string moved = u"E:\\Shared\\zarn";
  ASSERT_EQ(InstWriteDriverRegistryValue(u"_ZARNDirectory", moved.c_str(), DWORD(moved.size() * 2 + 2)), 1);
  InstGetCommonDataDirFor(dir, 260, printer_, &remote);
  EXPECT_EQ(std::u16string(dir), moved);
  // A usable client folder wins for a printer of a server, and only for one.
  std::filesystem::create_directories(Host(u"C:\\Client\\zarn"));
  std::u16string client = u"C:\\Client\\zarn";
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"_ZARNDirectoryClient"), REG_SZ,
                  reinterpret_cast<LPBYTE>(client.data()), DWORD(client.size() * 2 + 2));
  InstGetCommonDataDirFor(dir, 260, printer_, &remote);
  EXPECT_EQ(std::u16string(dir).rfind(client, 0), 0u);
  InstGetCommonDataDirFor(dir, 260, printer_, nullptr);
  EXPECT_EQ(std::u16string(dir), moved);
}

TEST_F(Store, DataFolderIsHiddenOwnedAndOpenToEveryone) {
  kvp::test::ClearFileSecurityLog();
  ASSERT_EQ(InstCreateDataFolder(printer_), 1);
  ASSERT_EQ(InstCreateDataFolder(printer_), 1);  // again over the existing folder
  EXPECT_EQ(GetFileAttributesW(u"C:\\_zarn"), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
  auto log = kvp::test::FileSecurityLog();
  ASSERT_EQ(log.size(), 4u);
  const auto& owner = log[0];
  EXPECT_EQ(owner.info, (SECURITY_INFORMATION)OWNER_SECURITY_INFORMATION);
  EXPECT_EQ(owner.owner, "S-1-5-32-544");
  EXPECT_FALSE(owner.daclPresent);
  const auto& world = log[1];
  EXPECT_EQ(world.info, (SECURITY_INFORMATION)DACL_SECURITY_INFORMATION);
  ASSERT_TRUE(world.daclPresent);
  ASSERT_EQ(world.aces.size(), 1u);
  EXPECT_EQ(world.aces[0].type, 0);
  EXPECT_EQ(world.aces[0].flags, 3);
  EXPECT_EQ(world.aces[0].mask, 0x1F01FFu);
  EXPECT_EQ(world.aces[0].sid, "S-1-1-0");
  // The files directly inside get both rules too; subfolders only with their flags.
  kvtest::WriteMachineFile(u"C:\\_zarn\\a.ini", "x");
  std::filesystem::create_directories(Host(u"C:\\_zarn\\sub"));
  kvp::test::ClearFileSecurityLog();
  EXPECT_EQ(InstSecureDataFolderFiles(printer_), 1);
  EXPECT_EQ(kvp::test::FileSecurityLog().size(), 4u);  // folder and file, each rule
}

TEST_F(Store, DeletePatternsAndTrees) {
  std::filesystem::create_directories(Host(u"C:\\T\\sub\\deeper"));
  kvtest::WriteMachineFile(u"C:\\T\\a.txt", "a");
  kvtest::WriteMachineFile(u"C:\\T\\b.ini", "b");
  kvtest::WriteMachineFile(u"C:\\T\\sub\\deeper\\c.txt", "c");
  EXPECT_EQ(InstDeleteMatchingFiles(u"C:\\T\\*.zzz"), 0);
  EXPECT_EQ(InstDeleteMatchingFiles(u"C:\\T\\*.txt"), 1);
  EXPECT_FALSE(std::filesystem::exists(Host(u"C:\\T\\a.txt")));
  EXPECT_TRUE(std::filesystem::exists(Host(u"C:\\T\\b.ini")));
  EXPECT_EQ(InstDeleteTree(u"C:\\T"), 1);
  EXPECT_TRUE(std::filesystem::exists(Host(u"C:\\T")));
  EXPECT_FALSE(std::filesystem::exists(Host(u"C:\\T\\b.ini")));
  EXPECT_FALSE(std::filesystem::exists(Host(u"C:\\T\\sub")));
  EXPECT_EQ(InstDeleteTree(u"C:\\T"), 1);  // empty: still listed
  EXPECT_EQ(InstDeleteTree(u"C:\\Missing"), 0);
  EXPECT_EQ(InstCreateFolder(u"C:\\T"), 1);
  EXPECT_EQ(InstCreateFolder(nullptr), 0);
}

TEST_F(Store, CopyFileIfNewer) {
  kvtest::WriteMachineFile(u"C:\\S\\src.ini", "new");
  kvtest::WriteMachineFile(u"C:\\S\\dst.ini", "old");
  EXPECT_EQ(InstCopyFileIfNewer(u"dst.ini", u"C:\\S\\src.ini", 0), 0);  // relative: untouched
  EXPECT_EQ(InstCopyFileIfNewer(u"C:\\S\\DST.ini", u"C:\\S\\dst.ini", 0), 1);  // the same file
  EXPECT_EQ(InstCopyFileIfNewer(u"C:\\S\\dst.ini", u"C:\\S\\src.ini", 1), 1);  // mode 1: target kept
  std::ifstream(Host(u"C:\\S\\dst.ini")).get();
  auto read = [&](const char16_t* p) {
    std::ifstream f(Host(p));
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  };
  EXPECT_EQ(read(u"C:\\S\\dst.ini"), "old");
  // Equal times: nothing to do, the target stays.
  std::filesystem::last_write_time(Host(u"C:\\S\\dst.ini"), std::filesystem::last_write_time(Host(u"C:\\S\\src.ini")));
  EXPECT_EQ(InstCopyFileIfNewer(u"C:\\S\\dst.ini", u"C:\\S\\src.ini", 0), 0);
  EXPECT_EQ(read(u"C:\\S\\dst.ini"), "old");
  std::filesystem::last_write_time(Host(u"C:\\S\\dst.ini"),
                                   std::filesystem::last_write_time(Host(u"C:\\S\\src.ini")) - std::chrono::hours(1));
  // A copy that fails keeps the old target.
  kvp::test::FailWriteAt(1);
  EXPECT_EQ(InstCopyFileIfNewer(u"C:\\S\\dst.ini", u"C:\\S\\src.ini", 0), 0);
  kvp::test::FailWriteAt(0);
  EXPECT_EQ(read(u"C:\\S\\dst.ini"), "old");
  EXPECT_EQ(InstCopyFileIfNewer(u"C:\\S\\dst.ini", u"C:\\S\\src.ini", 0), 1);
  EXPECT_EQ(read(u"C:\\S\\dst.ini"), "new");
}

TEST_F(Store, IniWriteKeepsTheLastWriteTime) {
  kvtest::WriteMachineFile(u"C:\\S\\k.ini", "[A]\nx=1\n");
  auto before = std::filesystem::last_write_time(Host(u"C:\\S\\k.ini")) - std::chrono::hours(5);
  std::filesystem::last_write_time(Host(u"C:\\S\\k.ini"), before);
  EXPECT_TRUE(InstIniWriteKeepTime(u"A", u"y", u"2", u"C:\\S\\k.ini"));
  EXPECT_EQ(GetPrivateProfileIntW(u"A", u"y", 0, u"C:\\S\\k.ini"), 2u);
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(std::filesystem::last_write_time(Host(u"C:\\S\\k.ini")) - before).count(), 0);
}

// ---- Printer-data store.

std::vector<BYTE> Rows(int n, char tag) {
  std::vector<BYTE> rows(size_t(n) * 128, 0);
  for (int i = 0; i < n; ++i) rows[size_t(i) * 128] = BYTE(tag + i);
  return rows;
}

TEST_F(Store, FontTableRows) {
  auto has = [&](const char16_t* v) {
    std::vector<BYTE> b;
    return Read(v, &b);
  };
  std::vector<BYTE> five = Rows(5, 'a'), three = Rows(3, 'k');
  ASSERT_EQ(UiWriteFontTableRows(printer_, five.data(), 5, 0x100), 1);
  ASSERT_EQ(UiWriteFontTableRows(printer_, five.data(), 5, 0), 1);
  ASSERT_EQ(UiWriteFontTableRows(printer_, three.data(), 3, 0), 1);
  EXPECT_TRUE(has(u"TTFontTable3"));
  EXPECT_FALSE(has(u"TTFontTable4"));
  EXPECT_FALSE(has(u"DevFontTable5"));
  ASSERT_EQ(UiWriteFontTableRows(printer_, three.data(), 3, 0x100), 1);
  EXPECT_TRUE(has(u"TTFontDefTable5"));  // the default table never loses rows
  // No table: nothing written or deleted. An empty one: the rows go, the count says 0.
  EXPECT_EQ(UiWriteFontTableRows(printer_, nullptr, 0, 0), 0);
  EXPECT_TRUE(has(u"TTFontTable1"));
  ASSERT_EQ(UiWriteFontTableRows(printer_, three.data(), 0, 0), 1);
  EXPECT_FALSE(has(u"TTFontTable1"));
  std::vector<BYTE> count;
  ASSERT_TRUE(Read(u"LastFontTableNum", &count));
  EXPECT_EQ(count, (std::vector<BYTE>{0, 0}));
  // The library's build is what the common writer reaches once the library filled its rows.
  EXPECT_EQ(UiFillLibraryHooks(), 25);  // every row the library builds, the font-table rows among them
  EXPECT_EQ(StgGetLibraryHooks()->CfgWriteFontTableRows, &UiWriteFontTableRows);
  StgResetLibraryHooks();
}

TEST_F(Store, LoadFontTable) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"DefFontTableNum"));
  EXPECT_TRUE(UiLoadFontTable(printer_, ctx));  // absent
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmFontTableNum, nullptr), 0u);
  WORD zero = 0;
  CfgSetPrinterDataBinary(printer_, &zero, 2, u"DefFontTableNum");
  EXPECT_TRUE(UiLoadFontTable(printer_, ctx));  // 0 rows
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmFontTable, nullptr), 0u);
  std::vector<BYTE> two = Rows(2, 'p');
  UiWriteFontTableRows(printer_, two.data(), 2, 0x100);
  ASSERT_TRUE(UiLoadFontTable(printer_, ctx));
  ASSERT_EQ(StgGetValue(ctx, QDV_rdmFontTableNum, nullptr), 2u);
  auto* rows = reinterpret_cast<const BYTE*>((uintptr_t)StgGetValue(ctx, QDV_rdmFontTable, nullptr));
  EXPECT_EQ(rows[128], 'q');
  StgReleaseContext(ctx, STG_RELEASE_FREE);
}

TEST_F(Store, LockBitsAndLockedValues) {
  BYTE bits = 0x5A;
  CfgSetPrinterDataBinary(printer_, &bits, 1, u"rdmLock000InfoBit");
  BYTE out = 0;
  EXPECT_FALSE(UiReadLockBits(printer_, &out, 10419));
  EXPECT_EQ(out, 0);
  EXPECT_FALSE(UiReadLockBits(printer_, nullptr, 10418));
  ASSERT_TRUE(UiReadLockBits(printer_, &out, 10418));
  EXPECT_EQ(out, 0x5A);
  EXPECT_FALSE(UiReadLockBits(printer_, &out, 10426));  // not stored
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  // Only the N-up kind lock is on: its two values and nothing else.
  for (WORD id = 10419; id <= 10433; ++id) StgSetValue(ctx, id, id == 10421 ? 1 : 0);
  StgSetValue(ctx, 91, 3);
  ASSERT_TRUE(UiSaveLockedValues(printer_, ctx));
  std::vector<BYTE> v;
  ASSERT_TRUE(Read(u"LockNUPPOSTKindData", &v));
  EXPECT_EQ(v, (std::vector<BYTE>{3, 0, 0, 0}));
  EXPECT_TRUE(Read(u"LockNUPTypeData", &v));
  for (const char16_t* other : {u"LockTrayData", u"LockMediaData", u"LockPrnMethodData", u"LockColorData", u"LockDuplexTypeData"})
    EXPECT_FALSE(Read(other, &v)) << kvp::ToUtf8(other);
  // The first write that fails ends the run.
  StgSetValue(ctx, 10419, 1);
  kvp::test::FailSpoolerCall("SetPrinterDataExW", 1, ERROR_WRITE_FAULT);
  EXPECT_FALSE(UiSaveLockedValues(printer_, ctx));
  kvp::test::ResetSpoolerFailures();
  StgReleaseContext(ctx, STG_RELEASE_FREE);
}

}  // namespace
