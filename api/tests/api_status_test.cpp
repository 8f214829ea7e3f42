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
  RowHandlers(DWORD id, API_SET_HANDLER set, API_SET_HANDLER verify, API_GET_HANDLER get = nullptr)
      : row_(ApiEditStatusRow(id)), kept_(*row_) {
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
      {14, sid::rdmNUPType, 1, 3, true},    {14, sid::rdmNUPType, 163, 162, true}, {14, sid::rdmNUPType, 1, 2, false},
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
  // The set switched the margin function: the map marks status 18 only where shift ranges exist.
  EXPECT_EQ(ApiMaskHas(map, 18), ApiCapsShiftMargin(ctx_, 34, nullptr) != 0);
  EXPECT_TRUE(ApiMaskHas(map, 9));  // the copies moved
  EXPECT_FALSE(ApiMaskHas(map, 36));
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
  if (RuleTestValue(sid::rdmActionProof, 1, ctx_) != 1) GTEST_SKIP() << "proof print is not offered";
  ASSERT_EQ(Set(30, 1), 0);
  EXPECT_EQ(GetValue(30), 1u);
  std::u16string word = IniText(CfgGetPrinterName(ctx_), u"rdmAction");
  ASSERT_NE(word, u"<none>");
  EXPECT_NE(std::stoul(std::string(word.begin(), word.end())) , 0u);
}

}  // namespace
