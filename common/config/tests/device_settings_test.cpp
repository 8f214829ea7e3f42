// Device settings in printer data and the driver INI: migration of the old lock and action keys, values
// of the wrong size, the change test against the forced write, value types, the font lists and their
// bootstrap from the compiled image, the context kinds that read no INI, and a save in one process
// loaded by a context of another.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "config/device_settings.h"
#include "config/ini_text.h"
#include "config/paths.h"
#include "driverdata/img_image.h"
#include "kvplat/file.h"
#include "kvplat/registry.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

enum : WORD {
  kActionSecurity = 211,
  kActionProof = 212,
  kTray1Name = 1453,
  kRam = 10012,
  kRamType = 10013,
  kDuplex = 10014,
  kLogging = 10275,
  kOther = 10274,
  kLockInfo = 10386,
  kLockInfoBit1 = 10387,
  kLockDefault = 10418,
  kLockTray = 10419,
  kLockColor = 10426,
};

}  // namespace

class DeviceSettings : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\_zarn", nullptr));
    printer_ = AddPrinter(u"Plotter");
  }
  void TearDown() override {
    for (SETTING_CONTEXT* c : contexts_) StgReleaseContext(c, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  SETTING_CONTEXT* Full(DWORD kind = STG_KIND_UI) {
    SETTING_CONTEXT* c = Context(printer_, 0, kind);
    EXPECT_NE(c, nullptr);
    if (c) contexts_.push_back(c);
    return c;
  }
  void SetData(const WCHAR* name, const void* bytes, DWORD size, DWORD type = REG_BINARY) {
    ASSERT_EQ(SetPrinterDataW(printer_, (LPWSTR)name, type, (LPBYTE)bytes, size), (DWORD)ERROR_SUCCESS);
  }
  void SetDword(const WCHAR* name, DWORD v) { SetData(name, &v, 4); }
  // Every printer-data value by name.
  std::map<std::u16string, kvp::SplDataValue> Data() {
    std::vector<kvp::SplDataValue> all;
    EXPECT_EQ(kvp::SplGetAllPrinterData(printer_, all), (DWORD)ERROR_SUCCESS);
    std::map<std::u16string, kvp::SplDataValue> out;
    for (auto& v : all) out[v.name] = v;
    return out;
  }
  void ClearData() {
    for (auto& [name, v] : Data()) DeletePrinterDataW(printer_, (LPWSTR)name.c_str());
  }
  std::string Ini() { return ReadFile(u"C:\\_zarn\\kvdrvset.ini"); }
  void WriteIni(const std::string& text) { WriteFile(u"C:\\_zarn\\kvdrvset.ini", text); }

  HANDLE printer_ = nullptr;
  std::vector<SETTING_CONTEXT*> contexts_;
};

TEST_F(DeviceSettings, OldLockKeysMigrateToThePackedValues) {
  SetDword(u"LockDriver", 1);
  SetDword(u"LockDefault", 1);
  SetDword(u"LockSourceTray", 0);
  SetDword(u"LockColor", 1);
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(StgGetValue(ctx, kLockInfo, nullptr), 1u);
  EXPECT_EQ(StgGetValue(ctx, kLockDefault, nullptr), 1u);
  EXPECT_EQ(StgGetValue(ctx, kLockTray, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx, kLockColor, nullptr), 1u);
  auto data = Data();
  ASSERT_TRUE(data.count(u"rdmLockInfo") && data.count(u"rdmLock000InfoBit") && data.count(u"rdmLock001InfoBit"));
  EXPECT_EQ(data[u"rdmLockInfo"].data, (std::vector<BYTE>{1, 0, 0, 0}));
  EXPECT_EQ(data[u"rdmLock000InfoBit"].data, (std::vector<BYTE>{1}));
  EXPECT_EQ(data[u"rdmLock001InfoBit"].data, (std::vector<BYTE>{1}));
  // Later loads take the packed values, not the old keys.
  SetDword(u"LockDriver", 0);
  BYTE packed = 0x02;  // rdmLock000InfoBitTray only
  SetData(u"rdmLock000InfoBit", &packed, 1);
  SETTING_CONTEXT* again = Full();
  EXPECT_EQ(StgGetValue(again, kLockInfo, nullptr), 1u);
  EXPECT_EQ(StgGetValue(again, kLockDefault, nullptr), 0u);
  EXPECT_EQ(StgGetValue(again, kLockTray, nullptr), 1u);
  EXPECT_EQ(StgGetValue(again, kLockColor, nullptr), 1u);  // the neighbouring group is untouched
}

TEST_F(DeviceSettings, OldActionKeysMigrateToTheActionWord) {
  WriteIni("[Plotter]\r\nACT_SECUREPRINT=1\r\nACT_PROOFPRINT=0\r\n");
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(StgGetValue(ctx, kActionSecurity, nullptr), 1u);
  EXPECT_EQ(StgGetValue(ctx, kActionProof, nullptr), 0u);
  // Bit 3 is the stored-print action, which a default store has on.
  EXPECT_NE(Ini().find("rdmAction=9\r\n"), std::string::npos) << Ini();
  // The packed word wins from now on.
  WriteIni("[Plotter]\r\nACT_SECUREPRINT=1\r\nrdmAction=2\r\n");
  ctx = Full();
  EXPECT_EQ(StgGetValue(ctx, kActionSecurity, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx, kActionProof, nullptr), 1u);
}

TEST_F(DeviceSettings, ContextKindsThatReadNoIni) {
  WriteIni("[Plotter]\r\nrdmAction=1\r\n");
  for (DWORD kind : {STG_KIND_CAPS, STG_KIND_DOCPROP}) {
    SCOPED_TRACE(kind);
    SETTING_CONTEXT* ctx = Full(kind);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(StgGetValue(ctx, kActionSecurity, nullptr), 0u);
  }
  EXPECT_EQ(StgGetValue(Full(STG_KIND_UI), kActionSecurity, nullptr), 1u);
}

TEST_F(DeviceSettings, ValuesOfTheWrongSize) {
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  StgSetValue(ctx, kRam, 64);
  ITEM_DESC* tray = StgFindItem(ctx, kTray1Name);
  ASSERT_NE(tray, nullptr);
  StgSetString(ctx, tray, u"Glossy roll");
  // Longer than the field: not loaded, the settings keep their values.
  BYTE longer[24];
  std::memset(longer, 'x', sizeof longer);
  SetData(u"Tray1", longer, 24);
  SetData(u"RAM", longer, 6);
  CfgLoadSettingClass(printer_, ctx, 2, 0);
  EXPECT_EQ(StgGetValue(ctx, kRam, nullptr), 64u);
  WCHAR name[32];
  StgGetString(ctx, tray, name);
  EXPECT_EQ(S(name), u"Glossy roll");
  // Shorter: read as far as it reaches, the rest of the field zero (no bytes of an earlier read).
  std::string other(33, 'O');
  SetData(u"Other", other.data(), 33);
  SetData(u"Tray1", "AB", 2);
  BYTE one = 3;
  SetData(u"RAM", &one, 1);
  CfgLoadSettingClass(printer_, ctx, 2, 0);
  EXPECT_EQ(StgGetValue(ctx, kRam, nullptr), 3u);
  const BYTE* field = StgGetValuePtr(ctx, tray);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(std::string((const char*)field, 2), "AB");
  for (int i = 2; i < 17; ++i) EXPECT_EQ(field[i], 0) << i;
  // Missing: no change.
  DeletePrinterDataW(printer_, (LPWSTR)u"RAM");
  CfgLoadSettingClass(printer_, ctx, 2, 0);
  EXPECT_EQ(StgGetValue(ctx, kRam, nullptr), 3u);
}

TEST_F(DeviceSettings, ChangeTestSkipsUnchangedValuesUnlessForced) {
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  ClearData();
  CfgSaveDeviceSettings(printer_, ctx, 2, CFG_SAVE_NORMAL);
  auto data = Data();
  // Only the packed lock groups are written whatever their state.
  for (auto& [name, v] : data)
    EXPECT_TRUE(name == u"rdmLockInfo" || name == u"rdmLock000InfoBit" || name == u"rdmLock001InfoBit")
        << kvp::ToUtf8(name);
  StgSetValue(ctx, kRam, 128);
  CfgSaveDeviceSettings(printer_, ctx, 2, CFG_SAVE_NORMAL);
  data = Data();
  EXPECT_EQ(data[u"RAM"].data, (std::vector<BYTE>{128, 0, 0, 0}));
  EXPECT_FALSE(data.count(u"Tray1"));

  CfgSaveDeviceSettings(printer_, ctx, 2, CFG_SAVE_FORCE);
  data = Data();
  struct Case {
    const char16_t* name;
    DWORD type;
    size_t size;
  } cases[] = {
      {u"Logging", REG_DWORD, 4},    {u"RAM", REG_BINARY, 4},      {u"RAMType", REG_BINARY, 1},
      {u"CoverTray", REG_BINARY, 2}, {u"Tray1Paper", REG_BINARY, 2}, {u"Duplex", REG_BINARY, 4},
      {u"Tray1", REG_BINARY, 17},    {u"Other", REG_BINARY, 33},   {u"DllUserCode", REG_BINARY, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(c.name));
    ASSERT_TRUE(data.count(c.name));
    EXPECT_EQ(data[c.name].type, c.type);
    EXPECT_EQ(data[c.name].data.size(), c.size);
  }
  // The old per-bit keys of the packed groups and the font-list settings are never written one by one.
  EXPECT_FALSE(data.count(u"LockDriver"));
  EXPECT_FALSE(data.count(u"LockColor"));
  // A bit setting is stored as 0 or 1.
  StgSetValue(ctx, kDuplex, 1);
  CfgSaveDeviceSettings(printer_, ctx, 2, CFG_SAVE_NORMAL);
  EXPECT_EQ(Data()[u"Duplex"].data, (std::vector<BYTE>{1, 0, 0, 0}));
}

TEST_F(DeviceSettings, ClassOneGoesToTheDriverIni) {
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  StgSetValue(ctx, kActionProof, 1);
  StgSetValue(ctx, 209, 2);  // rdmPrnMethod
  CfgSaveDeviceSettings(printer_, ctx, 1, CFG_SAVE_NORMAL);
  std::string ini = Ini();
  EXPECT_NE(ini.find("rdmAction=10\r\n"), std::string::npos) << ini;  // with the stored-print action of a default store
  EXPECT_NE(ini.find("PrnMethod=2\r\n"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("ACT_PROOFPRINT"), std::string::npos) << ini;
  SETTING_CONTEXT* other = Full();
  EXPECT_EQ(StgGetValue(other, kActionProof, nullptr), 1u);
  EXPECT_EQ(StgGetValue(other, 209, nullptr), 2u);
}

TEST_F(DeviceSettings, FontListsBootstrapFromTheImage) {
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  int count = 0;
  DEVICE_FONT_REC* image = ImgCopyDeviceFonts(ctx, &count);
  ASSERT_NE(image, nullptr);
  ASSERT_GT(count, 0);
  // The new context found no list in printer data, so it wrote the image's and loaded it.
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmDeviceFontNum, nullptr), (uint64_t)count);
  auto* list = (const DEVICE_FONT_REC*)(uintptr_t)StgGetValue(ctx, QDV_rdmDeviceFont, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::memcmp(list, image, count * sizeof(DEVICE_FONT_REC)), 0);
  auto data = Data();
  EXPECT_EQ(data[u"DeviceFontNum"].data.size(), 2u);
  EXPECT_EQ(data[u"DeviceFont"].data.size(), count * sizeof(DEVICE_FONT_REC));
  StgFree(image);
  // The substitution table likewise.
  int rows = 0;
  FONT_SUBST_REC* table = ImgCopyFontSubstitutions(ctx, &rows);
  ASSERT_NE(table, nullptr);
  ASSERT_GE(rows, 2);
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmFontTableNum, nullptr), (uint64_t)rows);
  auto* loaded = (const FONT_SUBST_REC*)(uintptr_t)StgGetValue(ctx, QDV_rdmFontTable, nullptr);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(std::memcmp(loaded, table, rows * sizeof(FONT_SUBST_REC)), 0);
  EXPECT_TRUE(data.count(u"TTFontTable1") && data.count(u"DevFontTable1") && data.count(u"LastFontTableNum"));
  // A row whose TrueType name is missing reads as an empty row, and the error is reported.
  DeletePrinterDataW(printer_, (LPWSTR)u"TTFontTable2");
  std::vector<FONT_SUBST_REC> read(rows);
  EXPECT_EQ(CfgReadFontTableRows(printer_, read.data(), rows, 0), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(std::memcmp(&read[0], &table[0], sizeof(FONT_SUBST_REC)), 0);
  EXPECT_EQ(read[1].trueTypeName[0], 0);
  EXPECT_EQ(read[1].deviceName[0], 0);
  StgFree(table);
  // Freeing the lists clears their settings.
  CfgFreeDeviceFontLists(ctx);
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmDeviceFont, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmFontTable, nullptr), 0u);
}

TEST_F(DeviceSettings, NoListAnywhereLoadsEmpty) {
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  ClearData();
  COMPILED_IMAGE* image = ctx->image;
  ctx->image = nullptr;  // a context whose image has no font lists
  EXPECT_EQ(CfgLoadDeviceFonts(printer_, ctx), 1);
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmDeviceFontNum, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmDeviceFont, nullptr), 0u);
  EXPECT_EQ(CfgLoadFontTable(printer_, ctx), 1);
  EXPECT_EQ(StgGetValue(ctx, QDV_rdmFontTable, nullptr), 0u);
  EXPECT_FALSE(Data().count(u"DeviceFontNum"));
  ctx->image = image;
}

TEST_F(DeviceSettings, SavedByOneProcessLoadedByAnother) {
  SETTING_CONTEXT* probe = Full();
  ASSERT_NE(probe, nullptr);
  ASSERT_NE(StgGetValue(probe, kRam, nullptr), 512u);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SETTING_CONTEXT* ctx = Context(printer_, 0, STG_KIND_EXC);
    if (!ctx) _exit(2);
    StgSetValue(ctx, kRam, 512);
    StgSetString(ctx, StgFindItem(ctx, kTray1Name), u"Matte");
    StgSetValue(ctx, kLockInfoBit1, 1);
    StgSetValue(ctx, kActionProof, 1);
    CfgSaveDeviceSettings(printer_, ctx, 2, CFG_SAVE_NORMAL);
    CfgSaveDeviceSettings(printer_, ctx, 1, CFG_SAVE_NORMAL);
    StgReleaseContext(ctx, STG_RELEASE_FREE);
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  SETTING_CONTEXT* ctx = Full(STG_KIND_UI);
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(StgGetValue(ctx, kRam, nullptr), 512u);
  EXPECT_EQ(StgGetValue(ctx, kLockInfoBit1, nullptr), 1u);
  EXPECT_EQ(StgGetValue(ctx, kActionProof, nullptr), 1u);
  WCHAR name[32];
  StgGetString(ctx, StgFindItem(ctx, kTray1Name), name);
  EXPECT_EQ(S(name), u"Matte");
}

TEST_F(DeviceSettings, SettingsFileKeysThroughTheIniText) {
  SETTING_CONTEXT* ctx = Full();
  ASSERT_NE(ctx, nullptr);
  ITEM_DESC* copyChar = StgFindItem(ctx, 524);  // rdmCopyProtectChar: a present but empty value counts
  ASSERT_NE(copyChar, nullptr);
  copyChar->iniKey = u"CopyChar";
  const WCHAR* path = u"C:\\saved.rsr";
  std::string text = "[S]\r\nCoverTray=-1\r\nRAMType=300\r\nDuplex=5\r\nCopyChar=\r\nRAM=\r\n";
  const char* body = CfgIniTextFindSection(u"S", text.c_str());
  ASSERT_NE(body, nullptr);
  StgSetString(ctx, copyChar, u"abc");
  StgSetValue(ctx, kRam, 64);
  struct Case {
    WORD id;
    int found;
    uint64_t value;
  } cases[] = {
      {10276, 1, 0xFFFFFFFFu},  // rdmCoverDefTray, signed 16 bits
      {kRamType, 1, 44},        // 8 bits unsigned: the low byte of 300
      {kDuplex, 1, 1},          // a bit: any non-zero value sets it
      {kRam, 0, 64},            // empty: not found, the value stays
  };
  DWORD cursor = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(CfgReadIniSetting(ctx, StgFindItem(ctx, c.id), path, body, &cursor), c.found);
    EXPECT_EQ(StgGetValue(ctx, c.id, nullptr), c.value);
  }
  EXPECT_EQ(CfgReadIniSetting(ctx, copyChar, path, body, &cursor), 1);
  WCHAR chars[80];
  StgGetString(ctx, copyChar, chars);
  EXPECT_EQ(S(chars), u"");
  StgSetString(ctx, copyChar, u"abc");
  std::string without = "[S]\r\nOther=1\r\n";
  cursor = 0;
  EXPECT_EQ(CfgReadIniSetting(ctx, copyChar, path, CfgIniTextFindSection(u"S", without.c_str()), &cursor), 0);
  StgGetString(ctx, copyChar, chars);
  EXPECT_EQ(S(chars), u"abc");
  // Without a drive-letter path nothing is read.
  EXPECT_EQ(CfgReadIniSetting(ctx, StgFindItem(ctx, kRam), u"saved.rsr", body, &cursor), 1);
  EXPECT_EQ(StgGetValue(ctx, kRam, nullptr), 64u);

  // The same rows composed into a settings-file section.
  INI_TEXT_WRITER w{};
  ASSERT_EQ(CfgIniTextWriterInit(&w), 1);
  for (WORD id : {(WORD)10276, (WORD)kRamType, (WORD)kDuplex, (WORD)524})
    EXPECT_EQ(CfgWriteIniSetting(printer_, ctx, StgFindItem(ctx, id), path, &w), 1);
  EXPECT_EQ(std::string(w.text, w.length), "CoverTray=-1\r\nRAMType=44\r\nDuplex=1\r\nCopyChar=abc\r\n");
  CfgIniTextWriterFree(&w);
  copyChar->iniKey = nullptr;
}
