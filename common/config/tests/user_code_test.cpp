// The user code of the install-defaults INI: inactive behind the model switch; when loaded, the
// printer's entry, the most recently used code and the creation of a missing file.
#include <string>

#include "config/user_code.h"
#include "kvplat/file.h"
#include "kvplat/profile.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

constexpr char16_t kIni[] = u"C:\\_zarn\\kvuserdef.ini";

class UserCode : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\_zarn", nullptr));
    ctx_ = Context(AddPrinter(u"Plotter"), 0);
    ASSERT_NE(ctx_, nullptr);
    StgSetValue(ctx_, sid::rdmLogCodeUse, 5);
    StgSetValue(ctx_, sid::rdmUserCodeFIX, 1);
  }
  void TearDown() override {
    StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  std::string Text(WORD id) {
    ITEM_DESC* row = StgFindItem(ctx_, id);
    std::u16string out(StgTypeLength(row->type) + 1, u'\0');
    StgGetString(ctx_, row, out.data());
    return kvp::ToUtf8(out.c_str());
  }
  DWORD Get(WORD id) { return DWORD(StgGetValue(ctx_, id, nullptr)); }
  std::u16string Key(const char16_t* section, const char16_t* key) {
    WCHAR buf[300] = {};
    GetPrivateProfileStringW(section, key, u"<none>", buf, 300, kIni);
    return buf;
  }
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(UserCode, TheModelSwitchKeepsItOff) {
  ASSERT_FALSE(StgIsServerLogCheckOn());
  EXPECT_EQ(CfgLoadUserCodeIfEnabled(ctx_), 1);
  EXPECT_EQ(ReadFile(kIni), "");  // not created
  EXPECT_EQ(Get(sid::rdmLogCodeUse), 5u);
}

TEST_F(UserCode, AMissingFileIsCreatedWithItsThreeKeys) {
  EXPECT_EQ(CfgLoadUserCodeChecked(ctx_), 1);
  EXPECT_EQ(Key(u"Plotter", u"UserCode"), u"0");
  EXPECT_EQ(Key(u"Plotter", u"UserCodeString"), u"");
  EXPECT_EQ(Key(u"KAVRO UserCode", u"MRUUserCode"), u"");
  EXPECT_EQ(Get(sid::rdmLogCodeUse), 0u);
  EXPECT_EQ(Text(sid::rdmLogCode), "");
  EXPECT_EQ(Get(sid::rdmUserCodeFIX), 0u);
}

TEST_F(UserCode, EntriesAndTheLastUsedCode) {
  struct Case {
    const char* name;
    std::string ini;
    DWORD use, fixed;
    std::string code;
  } cases[] = {
      {"the last used code is adopted", "[KAVRO UserCode]\r\nMRUUserCode=4711\r\n", 0, 0, "4711"},
      {"the printer's entry", "[Plotter]\r\nUserCode=1\r\nUserCodeString=0815\r\nUserCodeFIX=1\r\n", 1, 1, "0815"},
      {"cut to the setting", "[Plotter]\r\nUserCode=1\r\nUserCodeString=123456789012\r\n", 1, 0, "123456789"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    WriteFile(kIni, k.ini);
    EXPECT_EQ(CfgLoadUserCode(ctx_), 1);
    EXPECT_EQ(Get(sid::rdmLogCodeUse), k.use);
    EXPECT_EQ(Get(sid::rdmUserCodeFIX), k.fixed);
    EXPECT_EQ(Text(sid::rdmLogCode), k.code);
    EXPECT_EQ(Text(sid::rdmDllLogCode), k.code);
  }
  // The adopted code was written into the printer's new entry.
  WriteFile(kIni, "[KAVRO UserCode]\r\nMRUUserCode=4711\r\n");
  CfgLoadUserCode(ctx_);
  EXPECT_EQ(Key(u"Plotter", u"UserCode"), u"0");
  EXPECT_EQ(Key(u"Plotter", u"UserCodeString"), u"4711");
}

}  // namespace
