// Settings save/restore files: the full save's layout and its device part, a restore into a second
// printer's context, refused files (another model, locked values) that change nothing, class filters
// of preset, stamp and free-size transfers, secrets kept out of every kind of save, and the header
// arithmetic.
#include <cstring>
#include <string>
#include <vector>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/file.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"
#include "settings/units.h"

using namespace kvcfgtest;

namespace {

class SettingsFiles : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SetSwitch("ACP", "1252");
    printer_ = AddPrinter(u"Plotter");
    ctx_ = Make(printer_);
    ASSERT_NE(ctx_, nullptr);
    ASSERT_TRUE(CreateDirectoryW(u"C:\\_zarn", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\sets", nullptr));
  }
  void TearDown() override {
    for (SETTING_CONTEXT* c : contexts_) StgReleaseContext(c, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  SETTING_CONTEXT* Make(HANDLE printer) {
    SETTING_CONTEXT* c = Context(printer, 0);
    if (c) {
      contexts_.push_back(c);
      StgSetValue(c, sid::rdmLanguageID, 1);  // region "us"
    }
    return c;
  }
  static void SetText(SETTING_CONTEXT* c, WORD id, const WCHAR* text) {
    ITEM_DESC* row = StgFindItem(c, id);
    ASSERT_NE(row, nullptr) << id;
    StgSetString(c, row, text);
  }
  static std::u16string Text(SETTING_CONTEXT* c, WORD id) {
    ITEM_DESC* row = StgFindItem(c, id);
    std::vector<WCHAR> buf(StgTypeLength(row->type) + 2, 0);
    StgGetString(c, row, buf.data());
    return S(buf.data());
  }
  static std::string Store(SETTING_CONTEXT* c) { return std::string((const char*)c->store->bytes, sizeof(SETTING_STORE)); }
  static std::u16string Get(const WCHAR* file, const WCHAR* section, const WCHAR* key) {
    WCHAR buf[300];
    CfgIniGetString(section, key, u"<none>", buf, 300, file);
    return S(buf);
  }
  // Writes a settings-file text (lines joined with CR LF) to a machine path.
  static void Put(const std::u16string& path, const std::string& text) { WriteFile(path, text); }

  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
  std::vector<SETTING_CONTEXT*> contexts_;
};

TEST_F(SettingsFiles, FullSaveLayoutAndDevicePart) {
  WriteFile(u"C:\\sets\\a.rsr", "[Other]\r\nx=1\r\n");
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\a.rsr", 0, ctx_), 1);
  std::string text = ReadFile(u"C:\\sets\\a.rsr");
  std::string head = "[" + kvp::ToUtf8(kDriver) + "]\r\nRstVersion=322\r\nRstMachine=104\r\nRstLanguage=1\r\nRstOSKind=";
  EXPECT_EQ(text.compare(0, head.size(), head), 0) << text.substr(0, 200);
  EXPECT_NE(text.find("\r\ndmOrientation="), std::string::npos);
  EXPECT_NE(text.find("[Other]\r\nx=1"), std::string::npos);  // other sections stay, after it
  // Settings of the state range and the device block are not in a settings section.
  EXPECT_EQ(text.find("\r\nrdmLock000InfoBitTray="), text.rfind("\r\nrdmLock000InfoBitTray="));
  WCHAR rest[CFG_MAX_PATH];
  CfgMakeDataFilePath(rest, CFG_MAX_PATH, u"kvrest.txt", ctx_);
  std::string device = ReadFile(S(rest));
  EXPECT_EQ(device.rfind("[ZARNPrnSection]", 0), 0u) << device.substr(0, 100);
  EXPECT_NE(device.find("\r\nrdmFontTableNum=0\r\n"), std::string::npos);
  EXPECT_EQ(device.find("rdmServerLogCode="), std::string::npos);
}

TEST_F(SettingsFiles, RestoreIntoASecondPrinterReproducesTheSettings) {
  StgSetValue(ctx_, sid::dmOrientation, 2);
  StgSetValue(ctx_, sid::dmCopies, 7);
  StgSetOptionValue(ctx_, sid::rdmFuncSelectNup, 1);
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\full.rsr", 0, ctx_), 1);

  HANDLE second = AddPrinter(u"Second");
  SETTING_CONTEXT* other = Make(second);
  ASSERT_NE(other, nullptr);
  ASSERT_NE(StgGetValue(other, sid::dmOrientation, nullptr), 2u);
  EXPECT_EQ(CfgReadSettingsFile(second, u"C:\\sets\\full.rsr", 0, other), 1);
  EXPECT_EQ(StgGetLastError(other), CFG_FILE_OK);
  for (WORD id : {sid::dmOrientation, sid::dmCopies, sid::rdmFuncSelectNup, sid::dmPaperSize, sid::dmColor}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(StgGetValue(other, id, nullptr), StgGetValue(ctx_, id, nullptr));
  }
  EXPECT_EQ((uint8_t)StgGetValue(other, sid::rdmPresetNo, nullptr), 255u);
  // The printer name is the context's own again.
  EXPECT_EQ(S(CfgGetPrinterName(other)), u"Second");
}

TEST_F(SettingsFiles, SpecialsAreKeptByAFullRestore) {
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\full.rsr", 0, ctx_), 1);
  std::string text = ReadFile(u"C:\\sets\\full.rsr");
  text += "";
  // A file that carries other function rights does not grant them.
  size_t at = text.find("\r\n", text.find("RstOSKind="));
  text.insert(at + 2, "wdmSpecial1=77\r\n");
  WriteFile(u"C:\\sets\\full.rsr", text);
  StgSetValue(ctx_, sid::wdmSpecial1, 3);
  CfgReadSettingsFile(printer_, u"C:\\sets\\full.rsr", 0, ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::wdmSpecial1, nullptr), 3u);
}

TEST_F(SettingsFiles, RefusedFilesChangeNothing) {
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\full.rsr", 0, ctx_), 1);
  std::string good = ReadFile(u"C:\\sets\\full.rsr");
  StgSetValue(ctx_, sid::dmOrientation, 2);
  StgSetValue(ctx_, sid::dmCopies, 9);
  struct Case {
    const char* what;
    std::string from, to;
    DWORD code;
  } cases[] = {
      {"another model", "RstMachine=104", "RstMachine=105", CFG_FILE_HEADER_MISMATCH},
      {"another language", "RstLanguage=1", "RstLanguage=2", CFG_FILE_HEADER_MISMATCH},
      {"another major version", "RstVersion=322", "RstVersion=421", CFG_FILE_HEADER_MISMATCH},
      {"no version", "RstVersion=322", "Rst=322", CFG_FILE_HEADER_MISMATCH},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = good;
    text.replace(text.find(c.from), c.from.size(), c.to);
    WriteFile(u"C:\\sets\\bad.rsr", text);
    std::string before = Store(ctx_);
    EXPECT_EQ(CfgReadSettingsFile(printer_, u"C:\\sets\\bad.rsr", 0, ctx_), 0);
    EXPECT_EQ(StgGetLastError(ctx_), c.code);
    EXPECT_EQ(Store(ctx_) == before, true);
  }
  // A file that is not there reads nothing either, and is not made.
  std::string before = Store(ctx_);
  EXPECT_EQ(CfgReadSettingsFile(printer_, u"C:\\sets\\none.rsr", 0, ctx_), 0);
  EXPECT_EQ(StgGetLastError(ctx_), CFG_FILE_HEADER_MISMATCH);
  EXPECT_TRUE(Store(ctx_) == before);
  EXPECT_FALSE(CfgFileExists(u"C:\\sets\\none.rsr"));
  // A relative path is refused before anything is read.
  EXPECT_EQ(CfgReadSettingsFile(printer_, u"sets\\full.rsr", 0, ctx_), 0);
  EXPECT_TRUE(Store(ctx_) == before);
}

TEST_F(SettingsFiles, AnOlderMinorVersionIsTakenAndAStrictCheckRefusesIt) {
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\full.rsr", 0, ctx_), 1);
  std::string text = ReadFile(u"C:\\sets\\full.rsr");
  text.replace(text.find("RstVersion=322"), 14, "RstVersion=310");
  WriteFile(u"C:\\sets\\old.rsr", text);
  StgSetValue(ctx_, sid::dmOrientation, 2);
  EXPECT_EQ(CfgReadSettingsFile(printer_, u"C:\\sets\\old.rsr", 0, ctx_), 1);
  EXPECT_EQ(StgGetLastError(ctx_), CFG_FILE_OK);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmOrientation, nullptr), 1u);
  std::u16string section = kDriver;
  EXPECT_EQ(CfgCheckRstHeader(u"C:\\sets\\old.rsr", section.c_str(), CFG_TRANSFER_READ, ctx_, nullptr, nullptr, 1), 1);
  EXPECT_EQ(CfgCheckRstHeader(u"C:\\sets\\old.rsr", section.c_str(), CFG_TRANSFER_READ, ctx_, nullptr, nullptr, 0), 0);
  EXPECT_EQ(CfgCheckRstHeader(u"C:\\sets\\full.rsr", section.c_str(), CFG_TRANSFER_READ, ctx_, nullptr, nullptr, 0), 1);
}

TEST_F(SettingsFiles, MajorVersions) {
  struct Case {
    DWORD a, b;
    int same;
  } cases[] = {{322, 300, 1}, {322, 399, 1}, {322, 400, 0}, {322, 299, 0}, {0x10000 + 322, 322, 1}, {0, 99, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
    EXPECT_EQ(CfgSameMajorVersion(c.a, c.b), c.same);
  }
}

TEST_F(SettingsFiles, LockedValuesThatDifferRefuseTheFile) {
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\full.rsr", 0, ctx_), 1);
  std::string text = ReadFile(u"C:\\sets\\full.rsr");
  size_t at = text.find("\r\ndmDefaultSource=");
  ASSERT_NE(at, std::string::npos);
  size_t end = text.find("\r\n", at + 2);
  DWORD tray = (DWORD)StgGetValue(ctx_, sid::dmDefaultSource, nullptr);
  text.replace(at, end - at, "\r\ndmDefaultSource=" + std::to_string(tray + 1));
  text.replace(text.find("dmCopies="), 9, "dmCopies=5\r\nx=");
  WriteFile(u"C:\\sets\\other-tray.rsr", text);

  StgSetValue(ctx_, sid::rdmLock000InfoBitTray, 1);
  std::string before = Store(ctx_);
  EXPECT_EQ(CfgTransferSettingsFile(printer_, u"C:\\sets\\other-tray.rsr", CFG_TRANSFER_READ, ctx_), 0);
  // The default section's read goes the same way (its section is the driver name here).
  EXPECT_EQ(CfgReadSettingsFile(printer_, u"C:\\sets\\other-tray.rsr", 0, ctx_), 0);
  EXPECT_EQ(StgGetLastError(ctx_), CFG_FILE_LOCKED);
  EXPECT_TRUE(Store(ctx_) == before);
  // Without the lock the same file is read.
  StgSetValue(ctx_, sid::rdmLock000InfoBitTray, 0);
  CfgReadSettingsFile(printer_, u"C:\\sets\\other-tray.rsr", 0, ctx_);
  EXPECT_EQ(StgGetLastError(ctx_), CFG_FILE_OK);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmCopies, nullptr), 5u);
}

TEST_F(SettingsFiles, SecretsAreNeverSaved) {
  SetText(ctx_, sid::rdmJOBPassword, u"jobsecret");
  SetText(ctx_, sid::rdmStoredPassword, u"storedsecret");
  SetText(ctx_, sid::rdmSavePrintPassword, u"savesecret");
  SetText(ctx_, sid::rdmPrintAndSavePassword, u"pssecret");
  SetText(ctx_, 608, u"pausefile");
  SetText(ctx_, sid::wdmAuthenticationPassword, u"authsecret");
  for (DWORD flags : {0u, 2u, 4u, 0x20004u, 0x8000u, 0x8002u, 0x10000u}) {
    SCOPED_TRACE(flags);
    std::u16string path = u"C:\\sets\\s" + kvp::FromUtf8(std::to_string(flags)) + u".rsr";
    ASSERT_EQ(CfgWriteSettingsFile(printer_, path.c_str(), flags, ctx_), 1);
    std::string text = ReadFile(path);
    ASSERT_NE(text.find("RstVersion="), std::string::npos);
    for (const char* secret : {"jobsecret", "storedsecret", "savesecret", "pssecret", "pausefile", "authsecret",
                               "rdmDiskSpace="})
      EXPECT_EQ(text.find(secret), std::string::npos) << secret;
  }
}

TEST_F(SettingsFiles, PresetStampAndFreeSizeReadsTakeOnlyTheirClass) {
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\p.rsr", 4, ctx_), 1);
  std::string text = ReadFile(u"C:\\sets\\p.rsr");
  EXPECT_EQ(text.rfind("[Plotter]\r\nRstVersion=322\r\n", 0), 0u) << text.substr(0, 80);
  // Change one layout-class setting and one that is not of the class in the file.
  text.replace(text.find("dmDefaultSource="), 16, "dmDefaultSource=259\r\nx=");
  text.replace(text.find("dmCopies="), 9, "dmCopies=42\r\ny=");
  WriteFile(u"C:\\sets\\p.rsr", text);
  DWORD copies = (DWORD)StgGetValue(ctx_, sid::dmCopies, nullptr);
  CfgReadSettingsFile(printer_, u"C:\\sets\\p.rsr", CFG_TRANSFER_FULL | CFG_TRANSFER_PRESET, ctx_);
  EXPECT_EQ(StgGetLastError(ctx_), CFG_FILE_OK);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmDefaultSource, nullptr), 259u);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmCopies, nullptr), copies);

  // A free-size input slot moves exactly its five settings and the version.
  ASSERT_EQ(CfgTransferSettingsFile(printer_, u"C:\\sets\\fs.rsr", CFG_TRANSFER_WRITE | CFG_TRANSFER_FREE_SIZE, ctx_), 1);
  std::string fs = ReadFile(u"C:\\sets\\fs.rsr");
  std::vector<std::string> keys;
  for (size_t p = fs.find("\r\n"); p != std::string::npos && p + 2 < fs.size(); p = fs.find("\r\n", p + 2))
    keys.push_back(fs.substr(p + 2, fs.find('=', p + 2) - p - 2));
  EXPECT_EQ(keys, (std::vector<std::string>{"RstVersion", "wdmFreeSizeName", "wdmFreeSizeWidth", "wdmFreeSizeLength",
                                            "wdmFreeSizeTray", "wdmFreeSizeOrient"}));

  // A stamp read makes the line pitch (1022) a watermark-class member and takes it.
  ASSERT_EQ(CfgTransferSettingsFile(printer_, u"C:\\sets\\st.rsr", CFG_TRANSFER_WRITE | CFG_TRANSFER_STAMP, ctx_), 1);
  std::string st = ReadFile(u"C:\\sets\\st.rsr");
  ASSERT_NE(st.find("wdmWmLinePitch="), std::string::npos);
  EXPECT_EQ(st.find("dmCopies="), std::string::npos);
  EXPECT_EQ(text.find("wdmWmLinePitch="), std::string::npos);  // never in other files
  st.replace(st.find("wdmWmLinePitch="), 15, "wdmWmLinePitch=17\r\nx=");
  st += "dmCopies=44\r\n";
  WriteFile(u"C:\\sets\\st.rsr", st);
  copies = (DWORD)StgGetValue(ctx_, sid::dmCopies, nullptr);
  CfgTransferSettingsFile(printer_, u"C:\\sets\\st.rsr", CFG_TRANSFER_READ | CFG_TRANSFER_STAMP, ctx_);
  EXPECT_EQ(StgGetValue(ctx_, 1022, nullptr), 17u);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmCopies, nullptr), copies);
}

TEST_F(SettingsFiles, IdFilters) {
  struct Case {
    WORD id;
    bool transferable, savable, restorable, device, lockSet;
  } cases[] = {
      {0, false, true, true, false, false},          {7, true, true, true, false, false},
      {207, true, false, false, false, false},        {681, true, false, true, false, false},
      {683, true, false, false, false, false},        {1113, false, true, true, false, false},
      {1116, false, true, true, false, false},        {1117, true, true, true, false, false},
      {10011, true, true, false, false, false},       {10012, true, true, false, true, false},
      {10354, true, true, false, false, false},       {10386, true, true, false, true, true},
      {10434, true, true, false, true, true},         {10417, true, true, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(CfgIsTransferableSetting(c.id), c.transferable);
    EXPECT_EQ(CfgIsSavableSetting(c.id), c.savable);
    if (c.id) {
      EXPECT_EQ(CfgIsRestorableSetting(c.id), c.restorable);
    }
    EXPECT_EQ(CfgIsDeviceWorkId(c.id), c.device);
    EXPECT_EQ(CfgIsLockSetSetting(c.id), c.lockSet);
  }
  EXPECT_FALSE(CfgIsRestoreFileSetting(3));
  EXPECT_TRUE(CfgIsRestoreFileSetting(6));
  EXPECT_FALSE(CfgIsNotNoticeSetting(531));
  EXPECT_FALSE(CfgIsCustomMediaId(ctx_, 1500));  // custom media is off in this model
}

TEST_F(SettingsFiles, LockSetOfAFullSave) {
  StgSetValue(ctx_, sid::rdmLock000InfoBitDuplex, 1);
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\full.rsr", 2, ctx_), 1);
  std::u16string section = kDriver;
  EXPECT_EQ(Get(u"C:\\sets\\full.rsr", section.c_str(), u"rdmLockInfoLockInfo"), u"1");
  EXPECT_EQ(Get(u"C:\\sets\\full.rsr", section.c_str(), u"rdmLock000InfoBitDuplex"), u"1");
  EXPECT_EQ(Get(u"C:\\sets\\full.rsr", section.c_str(), u"rdmPrnFuncAuthenticationMode"), u"0");
  // A preset save carries no lock set.
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\p.rsr", 4, ctx_), 1);
  EXPECT_EQ(Get(u"C:\\sets\\p.rsr", u"Plotter", u"rdmLockInfoLockInfo"), u"<none>");
}

TEST_F(SettingsFiles, CustomMediaTypesAreSetAsideAndPutBack) {
  EXPECT_EQ(CfgSetAsideCustomMediaTypes(ctx_), 1);
  EXPECT_NE(ctx_->work->asideMediaTypes, nullptr);
  CfgRestoreCustomMediaTypes(ctx_);
  EXPECT_EQ(ctx_->work->asideMediaTypes, nullptr);
  StgSetValue(ctx_, sid::rdmCoverMediaType, 1030);
  DWORD option = StgGetOptionValue(ctx_, sid::rdmCoverMediaType, nullptr);
  if (option >= 1025 && option <= 1040) {
    ASSERT_EQ(CfgSetAsideCustomMediaTypes(ctx_), 1);
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmCoverMediaType, nullptr), 1u);
    CfgRestoreCustomMediaTypes(ctx_);
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmCoverMediaType, nullptr), option);
  }
}

}  // namespace
