// Per-user installation: the user install state from the two copies' stamps, the terminal-server
// correction, the stamp, the installation check for a new user, the driver-INI key table, the list
// copies into a target that is not current, and the user code store.
#include <gtest/gtest.h>

#include <string>

#include "config/ini.h"
#include "config/free_size.h"
#include "config/paths.h"
#include "inst_data_folder.h"
#include "inst_install_state.h"
#include "inst_ini_util.h"
#include "inst_lists.h"
#include "inst_setup.h"
#include "kvplat/file.h"
#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "ui_fixture.h"
#include "ui_frame.h"
#include "ui_user_code.h"
#include "ui_workers.h"

using namespace uitest;

namespace {

class UserState : public CompanionPrinterTest {
 protected:
  void SetUp() override {
    CompanionPrinterTest::SetUp();
    TerminalServer(false);
    WCHAR p[260] = {};
    ASSERT_TRUE(CfgGetIniPathForPrinter(p, 260, 0, printer_));
    machine_ = p;
    ASSERT_TRUE(CfgGetIniPathForPrinter(p, 260, 1, printer_));
    user_ = p;
    for (const std::u16string& f : {machine_, user_}) InstCreateFolder(Folder(f).c_str());
  }
  void TearDown() override {
    StgResetPlatformQueryCaches();
    CompanionPrinterTest::TearDown();
  }
  void TerminalServer(bool on) {
    Script("kvtse", on ? "TerminalServer=1\n" : "TerminalServer=0\n");
    StgResetPlatformQueryCaches();
  }
  static std::u16string Folder(const std::u16string& path) { return path.substr(0, path.rfind(u'\\')); }
  void Put(const std::u16string& ini, const char16_t* key, const char16_t* value,
           const char16_t* section = nullptr) {
    CfgIniWriteString(section ? section : name_.c_str(), key, value, ini.c_str());
  }
  std::u16string Get(const std::u16string& ini, const char16_t* key, const char16_t* section = nullptr) {
    WCHAR v[260] = {};
    CfgIniGetString(section ? section : name_.c_str(), key, u"<none>", v, 260, ini.c_str());
    return v;
  }
  void Remove(const std::u16string& path) { DeleteFileW(path.c_str()); }
  int State() {
    WORD s = 99;
    EXPECT_EQ(InstGetUserInstallStateOf(printer_, &s), 1);
    return s;
  }
  std::u16string machine_, user_;
};

TEST_F(UserState, UserInstallStateFromTheTwoCopies) {
  struct Case {
    const char* what;
    const char16_t* userTime;     // null: no user copy
    const char16_t* machineTime;  // null: no machine copy; u"": no "DrvInstTime"
    const char16_t* first;
    DWORD adminChange;
    int state;
  } cases[] = {
      {"user copy missing", nullptr, u"20240101000000", u"20240101000000", 0, 1},
      {"user older than the first installation", u"20231231235959", u"20240101000000", u"20240101000000", 0, 1},
      {"current", u"20240102000000", u"20240101000000", u"20240101000000", 0, 0},
      {"equal times are current", u"20240101000000", u"20240101000000", u"20240101000000", 0, 0},
      {"only the first 14 characters count", u"20240101000000zz", u"20240101000000aa", u"20240101000000", 0, 0},
      {"installed again", u"20240102000000", u"20240103000000", u"20240101000000", 0, 2},
      {"installed again by an administrator", u"20240102000000", u"20240103000000", u"20240101000000", 1, 3},
      {"machine copy unstamped", u"20240102000000", u"", u"20240101000000", 0, 5},
      {"machine copy missing", u"20240102000000", nullptr, nullptr, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Remove(machine_);
    Remove(user_);
    if (c.userTime) Put(user_, u"DrvInstTime", c.userTime);
    if (c.machineTime) {
      Put(machine_, u"DrvFirstInstTime", c.first);
      if (c.machineTime[0]) Put(machine_, u"DrvInstTime", c.machineTime);
    }
    DWORD admin = c.adminChange;
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"AdminChange"), REG_DWORD, reinterpret_cast<LPBYTE>(&admin),
                    sizeof admin);
    EXPECT_EQ(State(), c.state);
  }
}

TEST_F(UserState, CorrectionRewritesMachinePathsOnceAndStopsAtAMissingName) {
  std::u16string machineFolder = Folder(machine_), userFolder = Folder(user_);
  std::u16string inMachine = machineFolder + u"\\a.rsd", elsewhere = u"C:\\elsewhere\\b.rsd";
  Put(inMachine, u"Kept", u"1");
  Put(inMachine, u"X", u"2", u"condition");
  Put(user_, u"Count", u"2");
  Put(user_, u"PresetList0", inMachine.c_str());
  Put(user_, u"PresetList0Name", u"A");
  Put(user_, u"PresetList1", elsewhere.c_str());
  Put(user_, u"PresetList1Name", u"B");
  PRINTER_INFO_2W* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer_, 2));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(InstGetTsIniState(printer_, info), 2);
  EXPECT_EQ(InstCorrectTsIni(printer_, info), 0);
  std::u16string moved = userFolder + u"\\a.rsd";
  EXPECT_EQ(Get(user_, u"PresetList0"), moved);
  EXPECT_EQ(Get(user_, u"PresetList1"), elsewhere);
  EXPECT_EQ(Get(moved, u"Kept"), u"1");
  EXPECT_EQ(Get(moved, u"X", u"condition"), u"2");
  EXPECT_EQ(Get(user_, u"TSIniCorrectDone"), u"1");
  EXPECT_EQ(Get(user_, u"DrvDefPreviewPath"), userFolder + u"\\PREVIEW");
  EXPECT_EQ(InstGetTsIniState(printer_, info), 0);

  // A preset without its name stops the correction, which then counts as a missing copy.
  Remove(user_);
  Put(user_, u"Count", u"1");
  Put(user_, u"PresetList0", inMachine.c_str());
  EXPECT_EQ(InstCorrectTsIni(printer_, info), 3);
  EXPECT_EQ(Get(user_, u"TSIniCorrectDone"), u"<none>");
  Remove(user_);
  EXPECT_EQ(InstGetTsIniState(printer_, info), 3);
  StgFree(info);
}

TEST_F(UserState, SectionCopiesAreNotCutAtAnyLength) {
  std::u16string big = Folder(machine_) + u"\\big.rsd";
  std::u16string value(200, u'v'), lines;
  for (int i = 0; i < 400; ++i) lines += u"K" + kvp::FromUtf8(std::to_string(i)) + u"=" + value + u'\0';
  lines += u'\0';
  ASSERT_TRUE(WritePrivateProfileSectionW(name_.c_str(), lines.c_str(), big.c_str()));
  Put(user_, u"Count", u"1");
  Put(user_, u"PresetList0", big.c_str());
  Put(user_, u"PresetList0Name", u"Big");
  PRINTER_INFO_2W* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer_, 2));
  ASSERT_EQ(InstCorrectTsIni(printer_, info), 0);
  StgFree(info);
  EXPECT_EQ(Get(Folder(user_) + u"\\big.rsd", u"K399"), value);
}

TEST_F(UserState, StampOnlyInTerminalServerMode) {
  Remove(machine_);
  EXPECT_TRUE(InstStampInstall(printer_, 1, 0));
  EXPECT_EQ(Get(machine_, u"DrvInstTime"), u"<none>");
  TerminalServer(true);
  EXPECT_TRUE(InstStampInstall(printer_, 2, 0));
  EXPECT_EQ(Get(machine_, u"DrvInstTime").size(), 14u);
  EXPECT_EQ(Get(machine_, u"DrvFirstInstTime"), u"<none>");
  EXPECT_EQ(Get(machine_, u"DrvInstType"), u"2");
  EXPECT_EQ(Get(machine_, u"DrvInstVersion"), u"8.63");
  EXPECT_TRUE(InstStampInstall(printer_, 1, 2));
  EXPECT_EQ(Get(user_, u"DrvFirstInstTime").size(), 14u);
}

TEST_F(UserState, ANewUserOfATerminalServerGetsAStampedCopyOnce) {
  TerminalServer(true);
  {
    UI_SETUP_SCOPE setup;
    ASSERT_TRUE(InstSetupPrinter(printer_, nullptr, INST_SETUP_NEW));
  }
  ASSERT_TRUE(InstStampInstall(printer_, 1, 0));
  Put(machine_, u"DrvFirstInstTime", Get(machine_, u"DrvInstTime").c_str());
  Remove(user_);
  EXPECT_EQ(State(), 1);
  EXPECT_EQ(InstCheckInstalled(printer_), 1);
  EXPECT_EQ(Get(user_, u"DrvInstTime").size(), 14u);
  EXPECT_EQ(Get(user_, u"DrvInstVersion"), u"8.63");
  EXPECT_NE(Get(user_, u"DrvDefPreviewPath"), u"<none>");
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(InstCheckInstalled(printer_), 1);
  // The machine copy carries the printer's section written by set-up.
  EXPECT_NE(Get(machine_, u"PresetRefresh"), u"<none>");
}

TEST_F(UserState, OutsideTerminalServerModeNothingIsCopied) {
  Remove(user_);
  EXPECT_EQ(InstCheckInstalled(printer_), 1);
  EXPECT_FALSE(CfgFileExists(user_.c_str()));
}

// ---- Driver-INI keys and list copies.

TEST_F(UserState, KeyTableModes) {
  const WCHAR* region = CfgGetRegionSection(ctx_);
  std::u16string model = CfgGetModelIniPath(ctx_), ini = CfgGetIniPath(ctx_);
  Put(model, u"MergeKey", u"model merge", region);
  Put(model, u"DrvDefPreviewPath2k", u"preview 2k", region);
  Put(model, u"DrvDefPreviewPathnt", u"preview nt", region);
  Put(model, u"APIAPLName", nullptr, region);
  Put(ini, u"MergeKey", u"admin merge");
  Put(ini, u"APIAPLName", u"admin name");
  // Refresh: keys the model INI gives stay; keys it leaves empty are emptied.
  ASSERT_EQ(InstRefreshDriverIniKeys(ctx_), 1);
  EXPECT_EQ(Get(ini, u"MergeKey"), u"admin merge");
  EXPECT_EQ(Get(ini, u"APIAPLName"), u"");
  EXPECT_EQ(Get(ini, u"PresetRefresh"), u"1");
  // Set-up: every model key, the "2k" variant on this system.
  ASSERT_EQ(InstWriteDriverIniKeys(ctx_, 0, nullptr), 1);
  EXPECT_EQ(Get(ini, u"MergeKey"), u"model merge");
  EXPECT_EQ(Get(ini, u"DrvDefPreviewPath"), u"preview 2k");
  EXPECT_EQ(Get(ini, u"PresetRefresh"), u"0");
  ASSERT_EQ(InstWriteDriverIniKeys(ctx_, 1, u"C:\\b.rsb"), 1);
  EXPECT_EQ(Get(ini, u"DefaultRst"), u"C:\\b.rsb");
  EXPECT_EQ(Get(ini, u"BatchInstRst"), u"<none>");
  ASSERT_EQ(InstWriteDriverIniKeys(ctx_, 3, u"C:\\c.rsb"), 1);
  EXPECT_EQ(Get(ini, u"BatchInstRst"), u"C:\\c.rsb");
  ASSERT_EQ(InstWriteDriverIniKeys(ctx_, 4, nullptr), 1);
  EXPECT_EQ(Get(ini, u"BatchInstRst"), u"<none>");
}

TEST_F(UserState, ListsAreCopiedOnlyIntoATargetThatIsNotCurrent) {
  const WCHAR* region = CfgGetRegionSection(ctx_);
  const WCHAR* code = CfgGetRegionCode(ctx_);
  std::u16string source = Folder(machine_) + u"\\source.ini", target = Folder(machine_) + u"\\target.ini";
  Put(source, u"FreeSizeCount", u"1", region);
  Put(source, u"StampCount", u"0", region);
  WCHAR section[260] = {};
  CfgFormatFreeSizeSection(section, 0, 0, ctx_);
  const WCHAR* widthKey = StgGetItemName(ctx_, sid::wdmFreeSizeWidth);
  Put(source, widthKey, u"3000", section);
  struct Case {
    const char16_t* version;
    bool copied;
  } cases[] = {{u"321", false}, {u"322", false}, {u"299", true}, {nullptr, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version ? kvp::ToUtf8(c.version) : "absent");
    Remove(target);
    Put(target, u"RstVersion", c.version ? c.version : u"", code);
    if (!c.version) Put(target, u"RstVersion", nullptr, code);
    ASSERT_EQ(InstCopyListSections(target.c_str(), source.c_str(), ctx_), 1);
    EXPECT_EQ(Get(target, u"FreeSizeCount", region) == u"1", c.copied);
    EXPECT_EQ(Get(target, widthKey, section) == u"3000", c.copied);
  }
}

TEST_F(UserState, RepairLeavesTheSettingsAsTheyWere) {
  std::vector<BYTE> before = StoreBytes(ctx_);
  ASSERT_EQ(InstRepairListEntries(ctx_), 1);
  EXPECT_EQ(StoreBytes(ctx_), before);
}

// ---- The user code store.

TEST_F(UserState, UserCodeDefaultsByMode) {
  WCHAR path[260] = {};
  ASSERT_TRUE(CfgMakeDataFilePath(path, 260, u"kvuserdef.ini", ctx_));
  std::u16string defs = path;
  ITEM_DESC* codeRow = StgFindItem(ctx_, sid::rdmLogCode);
  ASSERT_NE(codeRow, nullptr);
  struct Case {
    const char* what;
    int mode;
    int use;
    const char16_t* code;
    int result;
    const char16_t* userCode;
    const char16_t* text;
    const char16_t* mru;
  } cases[] = {
      {"mode 0 with a code", 0, 1, u"1234", 1, u"1", u"1234", u"<none>"},
      {"mode 0, code use but empty", 0, 1, u"", 0, u"0", u"", u"<none>"},
      {"mode 1 without code use writes nothing", 1, 0, u"77", 0, u"9", u"old", u"<none>"},
      {"mode 1 with a code", 1, 1, u"55", 1, u"1", u"55", u"55"},
      {"mode 2 resets the switches only", 2, 1, u"55", 1, u"0", u"old", u"<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Remove(defs);
    Put(defs, u"UserCode", u"9");
    Put(defs, u"UserCodeString", u"old");
    StgSetValue(ctx_, sid::rdmLogCodeUse, c.use);
    StgSetString(ctx_, codeRow, c.code);
    EXPECT_EQ(InstWriteUserCodeDefaults(nullptr, c.mode, ctx_), c.result);
    EXPECT_EQ(Get(defs, u"UserCode"), c.userCode);
    EXPECT_EQ(Get(defs, u"UserCodeString"), c.text);
    EXPECT_EQ(Get(defs, u"MRUUserCode", u"KAVRO UserCode"), c.mru);
  }
}

TEST_F(UserState, ServerKeptUserCodeIsTerminatedAndCut) {
  BYTE one = 1;
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"ServerUse"), REG_BINARY, &one, 1);
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"UserCodeUse"), REG_BINARY, &one, 1);
  char nine[9] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"UserCode"), REG_BINARY, reinterpret_cast<LPBYTE>(nine), 9);
  ASSERT_EQ(UiLoadClientUserCode(ctx_), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmLogCodeUse, nullptr) & 0xFF, 1u);
  ITEM_DESC* row = StgFindItem(ctx_, sid::rdmLogCode);
  std::string expect = std::string("123456789").substr(0, StgTypeLength(row->type));
  EXPECT_EQ(Text(ctx_, sid::rdmLogCode), expect);
  // The switched-off provider entries answer at once.
  EXPECT_EQ(UiApplyUserCodeSettings(ctx_), 0);
  EXPECT_EQ(UiSaveUserCodeProvider(ctx_), 0);
  EXPECT_EQ(UiLoadUserCodeIfEnabled(ctx_), 1);
}

}  // namespace
