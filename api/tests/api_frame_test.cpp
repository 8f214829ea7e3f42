// The driver-API frame: versions, masks, last error, handles and the open of a connection.
#include <fstream>
#include <sstream>

#include "api_fixture.h"
#include "api_services.h"
#include "api_tables.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "kvplat/handle.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "settings/setting_ids.h"

namespace {

using apitest::ApiTest;
using apitest::kPrinter;

class ApiFrame : public ApiTest {
 protected:
  // Rewrites the [ZARNAPI] ZARNAPIVer line of the installed model INI (no line for nullptr).
  void SetModelVersion(const char* value) {
    std::string path = DriverFile("kvdrvmod.ini");
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    size_t at = s.find("ZARNAPIVer=");
    if (at == std::string::npos) at = s.find("[ZARNAPI]") + 10;
    else s.erase(at, s.find('\n', at) + 1 - at);
    if (value) s.insert(at, std::string("ZARNAPIVer=") + value + "\n");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << s;
    kvp::test::NoteOutsideChange();
  }
};

TEST_F(ApiFrame, VersionComesFromTheModelIni) {
  struct Case {
    const char* ini;
    int highest;
    int newConnection;
  } cases[] = {{"20", 16, 3}, {nullptr, 3, 3}, {"2", 2, 2}, {"-4", 3, 3}, {"text", 3, 3}, {"16", 16, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini ? c.ini : "(absent)");
    SetModelVersion(c.ini);
    EXPECT_EQ(ZARNDrvCheckAPIVer(kPrinter), c.highest);
    API_HANDLE h = ZARNDrvEnable(kPrinter);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ApiGetMaxVersion(Ctx(h)), c.highest);
    EXPECT_EQ(ApiGetVersion(Ctx(h)), c.newConnection);
    EXPECT_EQ(ZARNDrvDisable(h), 1);
  }
}

TEST_F(ApiFrame, InitAgreesTheLowerVersionPerConnection) {
  API_HANDLE a = ZARNDrvEnable(kPrinter), b = ZARNDrvEnable(kPrinter);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  API_INIT_RECORD twenty{8, 20}, five{8, 5};
  EXPECT_EQ(ZARNDrvInit(a, &twenty), 1);
  EXPECT_EQ(ZARNDrvInit(b, &five), 1);
  EXPECT_EQ(ApiGetVersion(Ctx(a)), 16);
  EXPECT_EQ(ApiGetVersion(Ctx(b)), 5);  // the other connection's agreement does not reach it
  // At version 5 only status ids 1-36 have rows; at 16 the high ids are there too.
  EXPECT_NE(ApiFindStatusRow(Ctx(b), 36), nullptr);
  EXPECT_EQ(ApiFindStatusRow(Ctx(b), 37), nullptr);
  EXPECT_EQ(ApiFindStatusRow(Ctx(b), 257), nullptr);
  EXPECT_NE(ApiFindStatusRow(Ctx(a), 257), nullptr);
  EXPECT_EQ(ApiStatusIdLimit(Ctx(b), 1), 36);
  EXPECT_EQ(ApiStatusIdLimit(Ctx(a), 1), 269);
  // Refused: a NULL record, a negative version; nothing changes.
  API_INIT_RECORD negative{8, -1};
  EXPECT_EQ(ZARNDrvInit(a, nullptr), 0);
  EXPECT_EQ(ZARNDrvInit(a, &negative), 0);
  EXPECT_EQ(ApiGetVersion(Ctx(a)), 16);
  ZARNDrvDisable(a);
  ZARNDrvDisable(b);
}

TEST_F(ApiFrame, MasksHoldWhatTheModelSupports) {
  API_HANDLE h = Open(16);
  ASSERT_NE(h, 0u);
  SETTING_CONTEXT* ctx = Ctx(h);
  for (DWORD id : {1u, 57u, 60u, 67u, 69u, 127u, 257u, 272u, 274u, 282u})
    EXPECT_TRUE(ApiIsItemSupported(ctx, 0, id)) << "capability " << id;
  for (DWORD id : {0u, 58u, 59u, 68u, 128u, 273u, 283u, 513u}) EXPECT_FALSE(ApiIsItemSupported(ctx, 0, id)) << id;
  EXPECT_TRUE(ApiIsItemSupported(ctx, 0, API_CAPS_EXTRA_ID));
  for (DWORD id : {1u, 36u, 38u, 43u, 45u, 79u, 257u, 262u, 264u, 269u})
    EXPECT_TRUE(ApiIsItemSupported(ctx, 1, id)) << "status " << id;
  for (DWORD id : {37u, 44u, 80u, 100u, 126u, 263u, 270u}) EXPECT_FALSE(ApiIsItemSupported(ctx, 1, id)) << id;
  // Capability 273 has an enabled row but the model lacks it: the export answers 0 and keeps the error.
  EXPECT_EQ(ZARNDrvGetCaps(h, 273, nullptr), 0);
  EXPECT_EQ(ZARNDrvGetLastError(h), 0);
  // Status 100 is unsupported although the version-16 limit reads 126.
  BYTE record[64] = {};
  EXPECT_EQ(ZARNDrvSetStatus(h, 100, record, nullptr, 0), -1);
  EXPECT_EQ(ZARNDrvGetLastError(h), API_ERROR_UNSUPPORTED);
  ZARNDrvDisable(h);
}

TEST_F(ApiFrame, LastErrorIsKeptFromVersionNine) {
  for (int version : {8, 9}) {
    SCOPED_TRACE(version);
    API_HANDLE h = Open(version);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ApiSetLastError(h, API_ERROR_REFUSED), version >= 9 ? 1 : 0);
    EXPECT_EQ(ZARNDrvGetLastError(h), version >= 9 ? API_ERROR_REFUSED : -1);
    EXPECT_EQ(ZARNDrvGetDevmode(h, 0x10, nullptr), -1);  // flags refused
    EXPECT_EQ(ZARNDrvGetLastError(h), version >= 9 ? API_ERROR_FLAGS : -1);
    ZARNDrvDisable(h);
  }
  // A fresh connection runs at version 3, which keeps no last error.
  API_HANDLE h = ZARNDrvEnable(kPrinter);
  EXPECT_EQ(ZARNDrvGetLastError(h), -1);
  ZARNDrvDisable(h);
}

TEST_F(ApiFrame, HandlesThatNameNoConnection) {
  API_HANDLE live = Open(16);
  ASSERT_NE(live, 0u);
  API_HANDLE closed = Open(16);
  ZARNDrvDisable(closed);
  BYTE buffer[2048] = {};
  API_INIT_RECORD init{8, 16};
  for (API_HANDLE h : {API_HANDLE(0), closed, API_HANDLE(live + 1000), API_HANDLE(0xFFFFFFFFu), API_HANDLE(0x7A5C3E11u)}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(ZARNDrvInit(h, &init), 0);
    EXPECT_EQ(ZARNDrvGetLastError(h), -1);
    EXPECT_EQ(ZARNDrvGetCaps(h, 34, buffer), -1);
    EXPECT_EQ(ZARNDrvSetStatus(h, 9, buffer, nullptr, 0), -1);
    EXPECT_EQ(ZARNDrvGetStatus(h, 9, buffer, 1), -1);
    EXPECT_EQ(ZARNDrvGetDevmode(h, 1, buffer), -1);
    EXPECT_EQ(ZARNDrvGetDevmodeEx(h, 8, buffer, buffer), -1);
    EXPECT_EQ(ZARNDrvSaveQualityData(h), 0);
    EXPECT_EQ(ZARNDrvRestoreQualityData(h), 0);
    EXPECT_EQ(ZARNDrvDisable(h), 1);
  }
  EXPECT_EQ(ApiConnectionCount(), 1);  // the live one is untouched
  EXPECT_EQ(ZARNDrvGetLastError(live), 0);
  ZARNDrvDisable(live);
  EXPECT_EQ(ApiConnectionCount(), 0);
}

TEST_F(ApiFrame, RefusedNamesOpenNothing) {
  std::string tooLong(300, 'P'), justTooLong(261, 'P');
  const char* names[] = {nullptr, "", "No such printer", tooLong.c_str(), justTooLong.c_str(), "bad \xff\xfe name"};
  size_t handles = kvp::HandleCount();
  for (const char* n : names) {
    SCOPED_TRACE(n ? std::string(n).substr(0, 20) : "(null)");
    EXPECT_EQ(ZARNDrvCheckAPIVer(n), 0);
    EXPECT_EQ(ZARNDrvEnable(n), 0u);
  }
  EXPECT_EQ(kvp::HandleCount(), handles);
  EXPECT_EQ(ApiConnectionCount(), 0);
}

TEST_F(ApiFrame, EveryFailedAllocationOfTheOpenLeavesNothingOpen) {
  // One open and close first: what the library keeps for the process (the shared-files mutex, the
  // compiled image) is not the open's to give back.
  ZARNDrvDisable(ZARNDrvEnable(kPrinter));
  size_t handles = kvp::HandleCount();
  kvp::test::FailAllocAt(1000000);
  API_HANDLE h = ZARNDrvEnable(kPrinter);
  unsigned total = kvp::test::AllocCount();
  kvp::test::FailAllocAt(0);
  ASSERT_NE(h, 0u);
  ZARNDrvDisable(h);
  ASSERT_GT(total, 3u);
  int refused = 0;
  // Every allocation of the first hundred, then a sample across the rest.
  for (unsigned n = 1; n <= total; n += n < 100 ? 1 : 1 + total / 100) {
    kvp::test::FailAllocAt(n);
    h = ZARNDrvEnable(kPrinter);
    kvp::test::FailAllocAt(0);
    refused += h == 0;
    ZARNDrvDisable(h);
    EXPECT_EQ(ApiConnectionCount(), 0) << n;
    EXPECT_EQ(kvp::HandleCount(), handles) << n;
  }
  EXPECT_GT(refused, 0);
}

TEST_F(ApiFrame, OpenWritesQualityEntry128AndStamp256) {
  struct Case {
    const char* entry0;
    const char* entry128;  // nullptr: not written
  } cases[] = {
      {"C:\\data\\user0001.rsq", "C:\\data\\user000y.rsq"},
      {"C:\\data\\user.0001.rsq", "C:\\data\\user.000y.rsq"},
      {"C:\\data\\.rsq", nullptr},           // '.' at the start of the file name
      {"C:\\data.d\\quality", nullptr},      // '.' only in a folder name
      {"quality", nullptr},
      {"", nullptr},
  };
  // The INI is ANSI text: a code page that holds the resource library's text.
  kvp::ProfileSet("ACP", "932");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry0);
    std::u16string section = kvp::FromUtf8(kPrinter), ini = IniPath();
    CfgIniWriteString(section.c_str(), u"QualityList0", kvp::FromUtf8(c.entry0).c_str(), ini.c_str());
    CfgIniWriteString(section.c_str(), u"QualityList128", nullptr, ini.c_str());
    CfgIniWriteString(section.c_str(), u"QualityList128Name", nullptr, ini.c_str());
    API_HANDLE h = Open(16);
    ASSERT_NE(h, 0u);
    WCHAR value[261] = {}, name[261] = {};
    CfgIniGetString(section.c_str(), u"QualityList128", u"", value, 261, ini.c_str());
    CfgIniGetString(section.c_str(), u"QualityList128Name", u"", name, 261, ini.c_str());
    EXPECT_EQ(kvp::ToUtf8(value), c.entry128 ? c.entry128 : "");
    WCHAR title[261] = {};
    CfgLoadString(Bind(Ctx(h)), 922, title, 261, 0);  // in the resource library of the user's region
    Bind(Ctx(h), false);
    EXPECT_NE(title[0], 0);
    EXPECT_EQ(kvp::ToUtf8(name), c.entry128 ? kvp::ToUtf8(title) : "");
    ZARNDrvDisable(h);
  }
}

TEST_F(ApiFrame, Stamp256IsCreatedOnce) {
  API_HANDLE h = Open(16);
  ASSERT_NE(h, 0u);
  SETTING_CONTEXT* ctx = Bind(Ctx(h));
  EXPECT_TRUE(ApiHasApiStampSlot(ctx));
  WCHAR section[64];
  CfgFormatStampSection(section, 256, 0, ctx);
  std::u16string ini = IniPath();
  Bind(ctx, false);
  // A second open keeps the stamp as it stands.
  CfgIniWriteString(section, u"wdmWmCharName", u"kept", ini.c_str());
  ZARNDrvDisable(h);
  h = Open(16);
  WCHAR text[64] = {};
  CfgIniGetString(section, u"wdmWmCharName", u"", text, 64, ini.c_str());
  EXPECT_EQ(kvp::ToUtf8(text), "kept");
  ZARNDrvDisable(h);
}

}  // namespace
