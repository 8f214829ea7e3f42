// The status engine and the first status items, through ZARNDrvSetStatus and ZARNDrvGetStatus. Rows
// whose own items are not built get test handlers for the engine's cases.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "api_fixture.h"
#include "api_services.h"
#include "api_status.h"
#include "api_tables.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "config/device_settings.h"
#include "kvplat/profile.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"
#include "driverdata/rule_values.h"
#include "api_caps.h"

namespace {

using apitest::ApiTest;

// Test handlers: a set that writes copies, the INI and printer data and a verify that refuses.
int g_setCalls = 0;
int SetTouchesEverything(SETTING_CONTEXT* ctx, DWORD, void*, BYTE*, int) {
  ++g_setCalls;
  StgSetValue(ctx, sid::dmCopies, 7);
  StgSetValue(ctx, sid::rdmFuncSelectMargin, StgGetValue(ctx, sid::rdmFuncSelectMargin, nullptr) ? 0 : 1);
  StgSetValue(ctx, 95, StgGetValue(ctx, 95, nullptr) + 1);
  ctx->store->bytes[StgGetDevmodeSize() + 100] ^= 0xFF;                           // the device block
  ctx->store->bytes[StgGetStoreSize() - StgGetWorkBlockSize() + 100] ^= 0xFF;   // the work block
  const WCHAR* ini = CfgGetIniPath(ctx);
  ApiJournalIniKey(u"TestSection", u"TestKey", ini);
  WritePrivateProfileStringW(u"TestSection", u"TestKey", u"written", ini);
  ApiJournalIniKey(CfgGetPrinterName(ctx), u"rdmAction", ini);
  WritePrivateProfileStringW(CfgGetPrinterName(ctx), u"rdmAction", u"65535", ini);
  ApiJournalPrinterData(ctx->printer, u"TestValue");
  DWORD v = 42;
  SetPrinterDataW(ctx->printer, const_cast<WCHAR*>(u"TestValue"), REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
  return 1;
}
int SetAccepts(SETTING_CONTEXT*, DWORD, void*, BYTE*, int) { return ++g_setCalls, 1; }
int SetRefusesWithFont(SETTING_CONTEXT* ctx, DWORD, void*, BYTE*, int) {
  ApiSetContextError(ctx, API_ERROR_FONT);
  return -1;
}
int VerifyRefuses(SETTING_CONTEXT*, DWORD, void*, BYTE*, int) { return -1; }

// Puts test handlers into a status row for one test and the row's own back afterwards.
class RowHandlers {
 public:
  // keepSetting false: the row has no main setting, so the engine's node guard lets every set reach the
  // handler (this model keeps the functions it lacks as nodes that are always excluded).
  RowHandlers(DWORD id, API_SET_HANDLER set, API_SET_HANDLER verify, API_GET_HANDLER get = nullptr,
              bool keepSetting = false)
      : row_(ApiEditStatusRow(id)), kept_(*row_) {
    if (!keepSetting) row_->setting = 0;
    row_->set = set;
    row_->verify = verify;
    row_->get = get;
  }
  ~RowHandlers() { *row_ = kept_; }

 private:
  API_ROW* row_;
  API_ROW kept_;
};

class ApiStatus : public ApiTest {
 protected:
  void SetUp() override {
    ApiTest::SetUp();
    g_setCalls = 0;
    h_ = Open(16);
    ASSERT_NE(h_, 0u);
    ctx_ = Ctx(h_);
  }
  void TearDown() override {
    ZARNDrvDisable(h_);
    ApiTest::TearDown();
  }
  // The DEVMODE, device block and work block of the connection's store.
  std::vector<BYTE> Store() { return std::vector<BYTE>(ctx_->store->bytes, ctx_->store->bytes + StgGetStoreSize()); }
  API_DRIVER_DEVMODEW Devmode() {
    API_DRIVER_DEVMODEW dm{};
    std::memcpy(&dm, ctx_->store->bytes, sizeof dm);
    return dm;
  }
  std::u16string IniText(const WCHAR* section, const WCHAR* key) {
    WCHAR buf[256] = {};
    GetPrivateProfileStringW(section, key, u"<none>", buf, 256, IniPath().c_str());
    return buf;
  }
  int Set(DWORD id, DWORD value, BYTE* map = nullptr, int mode = 0) {
    API_STATUS_VALUE_RECORD r{1, value, {}};
    return ZARNDrvSetStatus(h_, id, &r, map, mode);
  }
  DWORD GetValue(DWORD id) {
    API_STATUS_VALUE_RECORD r{};
    EXPECT_EQ(ZARNDrvGetStatus(h_, id, &r, 1), 32);
    return r.value;
  }
  int Error() { return ZARNDrvGetLastError(h_); }

  API_HANDLE h_ = 0;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(ApiStatus, CallsRefusedBeforeTheTransactionChangeNothing) {
  API_STATUS_VALUE_RECORD r{1, 3, {}};
  BYTE map[64];
  std::memset(map, 0xAA, sizeof map);
  std::vector<BYTE> before = Store();
  struct Case {
    DWORD id;
    bool record;
    int code;
  } cases[] = {
      {37, true, API_ERROR_UNSUPPORTED},  // a disabled row: the mask never admits it
      {44, true, API_ERROR_UNSUPPORTED},
      {300, true, API_ERROR_UNSUPPORTED},  // no row at all
      {9, false, API_ERROR_NO_INPUT},
      {36, true, API_ERROR_GENERAL},  // a row without a set handler
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(ZARNDrvSetStatus(h_, c.id, c.record ? &r : nullptr, map, 0), -1);
    EXPECT_EQ(Error(), c.code);
  }
  EXPECT_EQ(Store(), before);
  for (BYTE b : map) ASSERT_EQ(b, 0xAA);
  // A get without a get handler has nothing to run either.
  EXPECT_EQ(ZARNDrvGetStatus(h_, 36, &r, 1), -1);
  EXPECT_EQ(Error(), API_ERROR_GENERAL);
  EXPECT_EQ(ZARNDrvSetStatus(0, 9, &r, nullptr, 0), -1);
}

TEST_F(ApiStatus, GuardsRefuseWithTheirCodesAndAnAllZeroMap) {
  RowHandlers row70(70, SetAccepts, nullptr);
  RowHandlers row29(29, SetAccepts, nullptr);
  RowHandlers row19(19, SetAccepts, nullptr);
  BYTE map[64];
  // Status 70 needs API version 15.
  API_INIT_RECORD v14{8, 14}, v15{8, 15}, v16{8, 16};
  ZARNDrvInit(h_, &v14);
  std::memset(map, 0xAA, sizeof map);
  EXPECT_EQ(Set(70, 1, map), -1);
  EXPECT_EQ(Error(), API_ERROR_UNSUPPORTED);
  for (BYTE b : map) ASSERT_EQ(b, 0);
  EXPECT_EQ(g_setCalls, 0);
  ZARNDrvInit(h_, &v15);
  EXPECT_EQ(Set(70, 1, map), 0);
  EXPECT_EQ(g_setCalls, 1);
  ZARNDrvInit(h_, &v16);
  // The action items are refused in terminal-server mode.
  StgSetValue(ctx_, sid::rdmTSE, 1);
  std::memset(map, 0xAA, sizeof map);
  EXPECT_EQ(Set(29, 1, map), -1);
  EXPECT_EQ(Error(), API_ERROR_TERMINAL_SERVER);
  for (BYTE b : map) ASSERT_EQ(b, 0);
  StgSetValue(ctx_, sid::rdmTSE, 0);
  EXPECT_EQ(Set(29, 1, map), 0);
  // A handler's own code stays; without one the code is 7.
  RowHandlers font(70, SetRefusesWithFont, nullptr);
  EXPECT_EQ(Set(70, 1), -1);
  EXPECT_EQ(Error(), API_ERROR_FONT);
  EXPECT_EQ(Set(9, 0xFFFF), -1);
  EXPECT_EQ(Error(), API_ERROR_REFUSED);
}

TEST_F(ApiStatus, ARefusedVerifyLeavesEveryStoreAsItWas) {
  RowHandlers row36(36, SetTouchesEverything, VerifyRefuses);
  HANDLE p = nullptr;
  ASSERT_TRUE(OpenPrinterW(ctx_->work->printerName, &p, nullptr));
  WritePrivateProfileStringW(CfgGetPrinterName(ctx_), u"rdmAction", u"3", IniPath().c_str());
  std::vector<BYTE> before = Store();
  BYTE map[64];
  std::memset(map, 0xAA, sizeof map);
  EXPECT_EQ(Set(36, 1, map), -1);
  EXPECT_EQ(g_setCalls, 1);
  EXPECT_EQ(Error(), API_ERROR_REFUSED);
  EXPECT_EQ(Store(), before);
  for (BYTE b : map) ASSERT_EQ(b, 0);
  EXPECT_EQ(IniText(u"TestSection", u"TestKey"), u"<none>");
  EXPECT_EQ(IniText(CfgGetPrinterName(ctx_), u"rdmAction"), u"3");
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(p, const_cast<WCHAR*>(u"TestValue"), &type, nullptr, 0, &needed), (DWORD)ERROR_FILE_NOT_FOUND);
  ClosePrinter(p);
  // Without the refusing verify the same set stays.
  RowHandlers kept(36, SetTouchesEverything, nullptr);
  EXPECT_EQ(Set(36, 1, map), 0);
  EXPECT_EQ(IniText(u"TestSection", u"TestKey"), u"written");
  EXPECT_EQ(Devmode().pub.dmCopies, 7);
}

TEST_F(ApiStatus, RecordVersions) {
  API_PAPER_SIZE_RECORD r{};
  // The driver's version of status 7 is 2; a version-0 probe tells it.
  EXPECT_EQ(ZARNDrvGetStatus(h_, 7, &r, 0), 0);
  EXPECT_EQ(r.version, 2u);
  EXPECT_EQ(ZARNDrvGetStatus(h_, 7, nullptr, 2), 32);
  EXPECT_EQ(ZARNDrvGetStatus(h_, 7, &r, 3), -1);
  EXPECT_EQ(Error(), API_ERROR_VERSION);
  ASSERT_EQ(ZARNDrvGetStatus(h_, 7, &r, 1), 32);
  EXPECT_EQ(r.version, 1u);
  DWORD paper = r.code;
  // A newer record is applied as version 2 and answered 2; in mode 2 nothing happens.
  DWORD other = paper == 9 ? 8 : 9;
  API_PAPER_SIZE_RECORD newer{3, other, 0, 0, 0, {}};
  std::vector<BYTE> before = Store();
  EXPECT_EQ(ZARNDrvSetStatus(h_, 7, &newer, nullptr, 2), 2);
  EXPECT_EQ(Store(), before);
  EXPECT_EQ(ZARNDrvSetStatus(h_, 7, &newer, nullptr, 0), 2);
  ASSERT_EQ(ZARNDrvGetStatus(h_, 7, &r, 2), 32);
  EXPECT_EQ(r.code, other);
  // Version 2 needs API version 12.
  API_INIT_RECORD v11{8, 11};
  ZARNDrvInit(h_, &v11);
  EXPECT_EQ(ZARNDrvGetStatus(h_, 7, &r, 2), -1);
  EXPECT_EQ(Error(), API_ERROR_VERSION);
  API_PAPER_SIZE_RECORD v2{2, paper, 0, 0, 0, {}};
  EXPECT_EQ(ZARNDrvSetStatus(h_, 7, &v2, nullptr, 0), -1);
  EXPECT_EQ(Error(), API_ERROR_REFUSED);
}

TEST_F(ApiStatus, MapSizeFollowsTheVersionAndOwnBitsFollowTheirRules) {
  BYTE map[64];
  for (int version : {5, 6}) {
    API_INIT_RECORD init{8, version};
    ZARNDrvInit(h_, &init);
    std::memset(map, 0xAA, sizeof map);
    ASSERT_EQ(Set(9, 2, map), 0);
    int size = version < 6 ? 32 : 64;
    for (int i = 0; i < 64; ++i) ASSERT_EQ(map[i] == 0xAA, i >= size) << version << " byte " << i;
  }
  API_INIT_RECORD v16{8, 16};
  ZARNDrvInit(h_, &v16);
  RowHandlers row14(14, SetAccepts, nullptr);
  RowHandlers row15(15, SetAccepts, nullptr);
  struct Case {
    DWORD id;
    WORD setting;
    DWORD now, requested;
    bool own;
  } cases[] = {
      {14, sid::rdmNUPType, 1, 3, true},    {14, sid::rdmNUPType, 1, 2, false},
      {15, sid::rdmDuplexType, 18, 17, true}, {15, sid::rdmDuplexType, 20, 22, true},
      {15, sid::rdmDuplexType, 22, 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << c.now << "->" << c.requested);
    StgSetValue(ctx_, c.setting, c.now);
    API_FUNCTION_RECORD r{1, {c.requested}, 0};
    ASSERT_EQ(ZARNDrvSetStatus(h_, c.id, &r, map, 0), 0);
    EXPECT_EQ(ApiMaskHas(map, c.id), c.own);
  }
}

TEST_F(ApiStatus, Status18IsNeverMarkedWithoutShiftRanges) {
  RowHandlers row36(36, SetTouchesEverything, nullptr);
  BYTE map[64];
  ASSERT_EQ(Set(36, 1, map), 0);
  // The set switched the margin function and moved its setting; without shift ranges (this model has
  // none) the map never marks status 18.
  ASSERT_EQ(ApiCapsShiftMargin(ctx_, 34, nullptr), 0);
  EXPECT_FALSE(ApiMaskHas(map, 18));
  EXPECT_TRUE(ApiMaskHas(map, 9));  // the copies moved
  EXPECT_FALSE(ApiMaskHas(map, 36));
}

TEST_F(ApiStatus, TrySwitchOnLeavesTheDevmodeAsItFoundIt) {
  Bind(ctx_);
  StgSetValue(ctx_, sid::rdmFuncSelectMargin, 0);
  std::vector<BYTE> dm(ctx_->store->bytes, ctx_->store->bytes + StgGetDevmodeSize());
  ApiTrySwitchOn(ctx_, 18, sid::rdmFuncSelectMargin, sid::rdmShiftDir, 1);
  EXPECT_EQ(std::vector<BYTE>(ctx_->store->bytes, ctx_->store->bytes + StgGetDevmodeSize()), dm);
  // With the switch on there is nothing to try.
  StgSetValue(ctx_, sid::rdmFuncSelectMargin, 1);
  EXPECT_EQ(ApiTrySwitchOn(ctx_, 18, sid::rdmFuncSelectMargin, sid::rdmShiftDir, 0xFFFF), 1);
  // The shared verifiers.
  API_FUNCTION_RECORD off{1, {}, 0}, on{1, {}, 1};
  EXPECT_EQ(ApiVerifyStatusBySwitch(ctx_, 18, &off, nullptr, 0), 1);
  EXPECT_EQ(ApiVerifyStatusBySwitch(ctx_, 18, &on, nullptr, 0), 1);
  StgSetValue(ctx_, sid::rdmFuncSelectMargin, 0);
  EXPECT_EQ(ApiVerifyStatusBySwitch(ctx_, 18, &on, nullptr, 0), -1);
  EXPECT_EQ(ApiVerifyStatusBySwitch(ctx_, 9, &off, nullptr, 0), -1);  // no switch row
  EXPECT_EQ(ApiVerifyStatusAlways(ctx_, 9, &on, nullptr, 0), 1);
  Bind(ctx_, false);
}

TEST_F(ApiStatus, SingleValueItems) {
  struct Item {
    DWORD id;
    WORD setting;
    DWORD field;
  } items[] = {{2, sid::dmDefaultSource, API_DM_DEFAULTSOURCE}, {3, sid::rdmMediaType, 0},
               {4, sid::rdmOutputTrayID, 0},                    {5, sid::dmColor, API_DM_COLOR},
               {6, sid::dmOrientation, API_DM_ORIENTATION},     {9, sid::dmCopies, API_DM_COPIES},
               {22, sid::rdmExtOutputDirection, 0},             {23, sid::rdmExtOutputOrderly, 0},
               {24, sid::rdmExtOutputWhitePaper, 0},            {25, sid::rdmEmulation, 0},
               {27, sid::rdmExtPrintArea, 0},                   {45, sid::rdmExtOutput2A4Fit, 0}};
  for (const Item& item : items) {
    SCOPED_TRACE(item.id);
    // A get with no record answers the size and touches nothing.
    std::vector<BYTE> before = Store();
    EXPECT_EQ(ZARNDrvGetStatus(h_, item.id, nullptr, 1), 32);
    DWORD now = GetValue(item.id);
    EXPECT_EQ(now, (DWORD)StgGetValue(ctx_, item.setting, nullptr));
    // A value the rules refuse changes nothing.
    EXPECT_EQ(Set(item.id, 0xFFFF), -1);
    EXPECT_EQ(Error(), API_ERROR_REFUSED);
    EXPECT_EQ(Store(), before);
    // An admissible value is taken and read back; the public field's bit is set even when unchanged.
    bool offered = RuleTestValue(item.setting, now, ctx_) == 1;
    if (!offered) {
      EXPECT_EQ(Set(item.id, now), -1);
      continue;
    }
    if (item.field) reinterpret_cast<API_DEVMODEW*>(ctx_->store->bytes)->dmFields &= ~item.field;
    EXPECT_EQ(Set(item.id, now), 0);
    EXPECT_EQ(GetValue(item.id), now);
    if (item.field) {
      EXPECT_TRUE(Devmode().pub.dmFields & item.field);
    }
  }
  // Copies through to the DEVMODE.
  ASSERT_EQ(Set(9, 3), 0);
  EXPECT_EQ(Devmode().pub.dmCopies, 3);
  EXPECT_EQ(GetValue(9), 3u);
}

TEST_F(ApiStatus, ActionItemsStoreTheWholeWord) {
  // Status 29 needs the job-binder companion, which is not installed here.
  EXPECT_EQ(Set(29, 1), -1);
  EXPECT_EQ(Error(), API_ERROR_REFUSED);
  // The first action this model offers stores the whole word.
  struct Action {
    DWORD id;
    WORD setting;
  } actions[] = {{30, sid::rdmActionProof}, {31, sid::rdmActionSecurity}, {32, sid::rdmActionStored},
                 {33, sid::rdmActionOverlay}};
  for (const Action& a : actions) {
    if (RuleTestValue(a.setting, 1, ctx_) != 1) {
      EXPECT_EQ(Set(a.id, 1), -1);
      continue;
    }
    ASSERT_EQ(Set(a.id, 1), 0) << a.id;
    EXPECT_EQ(GetValue(a.id), 1u);
    std::u16string word = IniText(CfgGetPrinterName(ctx_), u"rdmAction");
    ASSERT_NE(word, u"<none>");
    EXPECT_NE(std::stoul(std::string(word.begin(), word.end())), 0u);
    return;
  }
  GTEST_SKIP() << "no action is offered by this model's data";
}

// ---- Status 1: settings files ----

class ApiPresetFile : public ApiStatus {
 protected:
  void SetUp() override {
    ApiStatus::SetUp();
    std::string host;
    ASSERT_EQ(kvp::MapPath(u"C:\\presets", host), 0u);
    std::filesystem::create_directories(host);
  }
  // Writes the connection's settings into a settings file (as the sheets save a preset).
  void Save(const char16_t* path) {
    Bind(ctx_);
    ASSERT_EQ(CfgWriteSettingsFileLocked(printer_, path, 0, ctx_), 1);
    Bind(ctx_, false);
  }
  void PutKey(const char16_t* path, WORD id, const char16_t* value) {
    WritePrivateProfileStringW(CfgGetPrinterFileSection(ctx_).c_str(), StgGetItemName(ctx_, id), value, path);
  }
  // A device setting written where the engine's reload finds it.
  void SetDeviceSetting(WORD id, uint64_t value) {
    Bind(ctx_);
    StgSetValue(ctx_, id, value);
    CfgWriteDeviceSetting(printer_, ctx_, StgFindItem(ctx_, id), nullptr);
    Bind(ctx_, false);
  }
  int SetFile(const char* path) {
    API_PRESET_FILE_RECORD r{};
    r.version = 1;
    std::strncpy(r.path, path, sizeof r.path - 1);
    return ZARNDrvSetStatus(h_, 1, &r, nullptr, 0);
  }
  int GetFile(const char* path, API_PRESET_FILE_RECORD* r) {
    *r = API_PRESET_FILE_RECORD{};
    std::strncpy(r->path, path, sizeof r->path - 1);
    return ZARNDrvGetStatus(h_, 1, r, 1);
  }
};

TEST_F(ApiPresetFile, AFileLoadsAndItsNameAndCommentReadBack) {
  StgSetValue(ctx_, sid::dmCopies, 4);
  Save(u"C:\\presets\\job.ini");
  WritePrivateProfileStringW(CfgGetPrinterFileSection(ctx_).c_str(), u"wdmPresetName", u"Drafts",
                             u"C:\\presets\\job.ini");
  WritePrivateProfileStringW(CfgGetPrinterFileSection(ctx_).c_str(), u"wdmPresetComment", u"one\\ntwo\\x",
                             u"C:\\presets\\job.ini");
  ASSERT_EQ(Set(9, 1), 0);
  std::vector<BYTE> before = Store();
  API_PRESET_FILE_RECORD r;
  ASSERT_EQ(GetFile("C:\\presets\\job.ini", &r), 824);
  EXPECT_STREQ(r.name, "Drafts");
  EXPECT_STREQ(r.comment, "one\r\ntwo\\x");
  EXPECT_EQ(Store(), before);  // a get leaves the settings as they were
  ASSERT_EQ(SetFile("C:\\presets\\job.ini"), 0) << Error();
  EXPECT_EQ(GetValue(9), 4u);
  EXPECT_EQ(ZARNDrvGetStatus(h_, 1, nullptr, 1), 824);
}

TEST_F(ApiPresetFile, RefusedFilesChangeNothing) {
  Save(u"C:\\presets\\job.ini");
  Save(u"C:\\presets\\other.ini");
  WritePrivateProfileStringW(CfgGetPrinterFileSection(ctx_).c_str(), u"RstVersion", u"1", u"C:\\presets\\other.ini");
  std::string folder;
  kvp::MapPath(u"C:\\presets\\folder.ini", folder);
  std::filesystem::create_directories(folder);
  std::string junk;
  kvp::MapPath(u"C:\\presets\\junk.ini", junk);
  std::ofstream(junk) << "not a settings file\n";
  struct Case {
    const char* path;
    int setCode, getCode;
  } cases[] = {
      {"presets\\job.ini", API_ERROR_FILE, API_ERROR_FILE},                 // relative
      {"C:\\presets\\missing.ini", API_ERROR_FILE, API_ERROR_FILE},
      {"C:\\presets\\folder.ini", API_ERROR_FILE, API_ERROR_FILE},
      {"C:\\presets\\other.ini", API_ERROR_PRESET_LOAD, API_ERROR_PRESET_LOAD},  // another settings version
      {"C:\\presets\\junk.ini", API_ERROR_PRESET_LOAD, API_ERROR_PRESET_LOAD},
      {"", API_ERROR_FILE, API_ERROR_FILE},
  };
  std::vector<BYTE> before = Store();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(SetFile(c.path), -1);
    EXPECT_EQ(Error(), c.setCode);
    API_PRESET_FILE_RECORD r;
    EXPECT_EQ(GetFile(c.path, &r), -1);
    EXPECT_EQ(Error(), c.getCode);
    EXPECT_EQ(Store(), before);
  }
  // A path without its NUL inside the field is never read past the field.
  API_PRESET_FILE_RECORD r{};
  r.version = 1;
  std::memset(r.path, 'A', sizeof r.path);
  EXPECT_EQ(ZARNDrvSetStatus(h_, 1, &r, nullptr, 0), -1);
  EXPECT_EQ(Error(), API_ERROR_FILE);
  // While the print method does not allow presets the valid file is refused too.
  SetDeviceSetting(sid::rdmPrnMethod, 5);
  EXPECT_EQ(SetFile("C:\\presets\\job.ini"), -1);
  EXPECT_EQ(Error(), API_ERROR_REFUSED);
}

TEST_F(ApiPresetFile, LocksAndTheMarginReset) {
  StgSetValue(ctx_, sid::rdmFuncSelectMargin, 0);
  Save(u"C:\\presets\\job.ini");
  PutKey(u"C:\\presets\\job.ini", sid::rdmShiftMarginX, u"40");
  // A locked tray whose value in the file differs refuses the file.
  DWORD tray = (DWORD)StgGetValue(ctx_, sid::dmDefaultSource, nullptr);
  PutKey(u"C:\\presets\\job.ini", sid::dmDefaultSource, tray == 1 ? u"2" : u"1");
  SetDeviceSetting(10419, 1);
  EXPECT_EQ(SetFile("C:\\presets\\job.ini"), -1);
  EXPECT_EQ(Error(), API_ERROR_REFUSED);
  SetDeviceSetting(10419, 0);
  ASSERT_EQ(SetFile("C:\\presets\\job.ini"), 0) << Error();
  // The margin function is off in the file: its settings are put back.
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmShiftMarginX, nullptr), 0u);
}

// ---- Status 7, 8 and 28: paper ----

class ApiPaper : public ApiStatus {
 protected:
  // The custom-size limits come from the capability handlers: 13 and 14 below API version 16, 124
  // and 125 from 16 on.
  bool LimitsAnswered(int version) {
    int32_t pair[2] = {};
    return version < 16 ? ZARNDrvGetCaps(h_, 13, pair) > 0 && ZARNDrvGetCaps(h_, 14, pair) > 0
                        : ZARNDrvGetCaps(h_, 124, pair) > 0 && ZARNDrvGetCaps(h_, 125, pair) > 0;
  }
  int SetPaper(DWORD code, DWORD width, DWORD length, API_PAPER_SIZE_RECORD* r = nullptr) {
    API_PAPER_SIZE_RECORD own{1, code, width, length, 0, {}};
    if (!r) r = &own;
    *r = own;
    return ZARNDrvSetStatus(h_, 7, r, nullptr, 0);
  }
};

TEST_F(ApiPaper, CustomSizesInBothUnits) {
  int tried = 0;
  struct Case {
    int unit;  // rdmDspUnit: 0 tenths of a millimetre, 1 hundredths of an inch
    int version;
    DWORD width, length;
    int answer;
    SHORT dmWidth, dmLength;  // 0 0: too large for the DEVMODE
    DWORD readWidth, readLength;
  } cases[] = {
      {0, 16, 2100, 2970, 0, 2100, 2970, 2100, 2970},
      {0, 16, 2970, 2100, 0, 2100, 2970, 2100, 2970},  // width above length: swapped
      {1, 16, 827, 1169, 0, 2101, 2970, 827, 1169},
      {1, 16, 1169, 827, 0, 2101, 2970, 827, 1169},
      {0, 16, 2100, 32760, 0, 2100, 32760, 2100, 32760},
      {0, 16, 2100, 32761, 0, 0, 0, 2100, 32761},
      {1, 16, 1000, 12897, 0, 2540, 32759, 1000, 12897},
      {1, 16, 1000, 12898, 0, 0, 0, 1000, 12898},  // 3276.1 mm: too long for the DEVMODE
      {0, 16, 0, 2970, -1, 0, 0, 0, 0},
      {0, 16, 2100, 0, -1, 0, 0, 0, 0},
      {0, 16, (DWORD)-2100, 2970, -1, 0, 0, 0, 0},
      {0, 15, 2100, 2970, 0, 2100, 2970, 2100, 2970},
      {1, 15, 1169, 827, 0, 2101, 2970, 827, 1169},
      {0, 15, 2100, 70000, -1, 0, 0, 0, 0},  // beyond 16 bits below version 16: never compared cut
      {0, 15, 70000, 2970, -1, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "unit " << c.unit << " v" << c.version << " " << (LONG)c.width << "x" << c.length);
    API_INIT_RECORD init{8, c.version};
    ZARNDrvInit(h_, &init);
    if (!LimitsAnswered(c.version)) continue;
    ++tried;
    StgSetValue(ctx_, sid::rdmDspUnit, c.unit);
    std::vector<BYTE> before = Store();
    API_PAPER_SIZE_RECORD r;
    ASSERT_EQ(SetPaper(256, c.width, c.length, &r), c.answer) << Error();
    if (c.answer == -1) {
      EXPECT_EQ(Error(), API_ERROR_REFUSED);
      EXPECT_EQ(Store(), before);
      continue;
    }
    API_DEVMODEW dm = Devmode().pub;
    EXPECT_EQ(dm.dmPaperSize, 256);
    EXPECT_EQ(dm.dmPaperWidth, c.dmWidth);
    if (c.dmWidth) {
      EXPECT_EQ(dm.dmPaperLength, c.dmLength);
      EXPECT_EQ(dm.dmFields & (API_DM_PAPERWIDTH | API_DM_PAPERLENGTH | API_DM_PAPERSIZE),
                API_DM_PAPERWIDTH | API_DM_PAPERLENGTH);
    } else {
      EXPECT_EQ(dm.dmFields & (API_DM_PAPERWIDTH | API_DM_PAPERLENGTH | API_DM_PAPERSIZE), API_DM_PAPERSIZE);
    }
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectFreeShortOver, nullptr), c.dmWidth ? 0u : 1u);
    API_PAPER_SIZE_RECORD back{};
    ASSERT_EQ(ZARNDrvGetStatus(h_, 7, &back, 1), 32);
    EXPECT_EQ(back.code, 256u);
    EXPECT_EQ(back.width, c.readWidth);
    EXPECT_EQ(back.length, c.readLength);
    ASSERT_EQ(SetPaper(9, 0, 0), 0);
  }
  if (!tried) GTEST_SKIP() << "the custom-size limits are not answered by the capabilities yet";
}

TEST_F(ApiPaper, OutputPaperAndRotationVersions) {
  // A custom print size needs a record of version 2; a version-1 get cannot tell it.
  API_OUTPUT_PAPER_SIZE_RECORD out{1, 448, 2000, 2800, 0, {}};
  EXPECT_EQ(ZARNDrvSetStatus(h_, 8, &out, nullptr, 0), -1);
  EXPECT_EQ(Error(), API_ERROR_REFUSED);
  out.version = 3;
  if (ZARNDrvSetStatus(h_, 8, &out, nullptr, 0) == 0) {
    API_OUTPUT_PAPER_SIZE_RECORD back{};
    EXPECT_EQ(ZARNDrvGetStatus(h_, 8, &back, 1), -1);
    EXPECT_EQ(Error(), API_ERROR_VERSION);
    ASSERT_EQ(ZARNDrvGetStatus(h_, 8, &back, 3), 32);
    EXPECT_EQ(back.code, 448u);
  }
  // A version-1 get leaves width and length as the caller had them.
  API_OUTPUT_PAPER_SIZE_RECORD same{1, API_OUTPUT_PAPER_SAME, 0, 0, 0, {}};
  if (ZARNDrvSetStatus(h_, 8, &same, nullptr, 0) == 0) {
    API_OUTPUT_PAPER_SIZE_RECORD back{0, 0, 111, 222, 333, {}};
    ASSERT_EQ(ZARNDrvGetStatus(h_, 8, &back, 1), 32);
    EXPECT_EQ(back.code, (DWORD)API_OUTPUT_PAPER_SAME);
    EXPECT_EQ(back.width, 111u);
    EXPECT_EQ(back.length, 222u);
  }
  // Status 28 at version 0 writes nothing and answers 0 bytes on a get.
  API_PAPER_ROTATION_RECORD rot{};
  EXPECT_EQ(ZARNDrvGetStatus(h_, 28, &rot, 0), 0);
  EXPECT_EQ(rot.version, 3u);
  EXPECT_EQ(rot.rotation, 0u);
}

}  // namespace
