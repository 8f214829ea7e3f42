// Job items between a context and the scripted job-control library, per event code; the one-shot read
// of a printer's value without a context.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "devlink/job_control.h"
#include "driverdata/img_image.h"
#include "devlink_fixture.h"
#include "kvplat/spooler.h"
#include "settings/model_tables.h"
#include "settings/regions.h"

using namespace devlinktest;

namespace {

class JobControl : public DevlinkTest {
 protected:
  void SetUp() override {
    DevlinkTest::SetUp();
    ctx_ = Full();
    ASSERT_NE(ctx_, nullptr);
  }
  void Jc(const std::string& answers) { Script("KAVJC64", answers); }
  std::string Log() { return CallLog("KAVJC64"); }
  void ClearLog() { std::filesystem::remove(root_.path() + "/companions/KAVJC64.log"); }
  // Runs `fn` between the open and the close events.
  template <class Fn>
  void InSession(Fn fn) {
    ASSERT_EQ(JcHandleEvent(ctx_, JC_EVENT_OPEN, 0), 0u);
    fn();
    EXPECT_EQ(JcHandleEvent(ctx_, JC_EVENT_CLOSE, 0), 0u);
    EXPECT_EQ(JcGetBinding(ctx_)->module, nullptr);
  }
  void SetText(WORD id, const char16_t* text) { StgSetString(ctx_, StgFindItem(ctx_, id), text); }
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(JobControl, ItemsMoveBothWaysPerEvent) {
  Jc("Item1=4711\nItem2=Owner\nItem7=5\nItem9=alice\nItem3=secret\nItem3Flags=0\n");
  StgSetValue(ctx_, sid::rdmUserCodeGet, 1);
  StgSetValue(ctx_, sid::rdmUserCodeDLL, 1);
  EXPECT_EQ(JcReadItems(ctx_, 0x1 | 0x2 | 0x4 | 0x40 | 0x800), 0);
  EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "4711");
  EXPECT_EQ(Text(ctx_, sid::rdmOwnerName), "Owner");
  EXPECT_EQ(Text(ctx_, sid::rdmJOBPassword), "");  // the library says it cannot be read
  EXPECT_EQ(Get(ctx_, sid::rdmTelLine), 5u);
  EXPECT_EQ(Text(ctx_, sid::wdmAuthenticationUserName), "alice");
  EXPECT_EQ(Get(ctx_, sid::rdmUserCodeGet), 0u);
  EXPECT_EQ(Get(ctx_, sid::rdmUserCodeDLL), 0u);
  std::string log = Log();
  EXPECT_EQ(log.rfind("load\ngetInterface 517\nopen Plotter\n", 0), 0u) << log;
  EXPECT_NE(log.find("close\ndispose\n"), std::string::npos);
  EXPECT_EQ(log.find("get 3"), std::string::npos);
  // Back: the number as decimal text, the texts as wide text of twice the setting's length.
  ClearLog();
  StgSetValue(ctx_, sid::rdmTelLine, 42);
  EXPECT_EQ(JcWriteItems(ctx_, 0x40 | 0x2), 0);
  log = Log();
  EXPECT_NE(log.find("set 2 1 "), std::string::npos) << log;
  EXPECT_NE(log.find(" Owner\n"), std::string::npos);
  EXPECT_NE(log.find("set 7 1 32 42\n"), std::string::npos);
  // The identification items are written only.
  WORD sub = 0;
  BYTE primary = StgGetRegionLangId(BYTE(Get(ctx_, sid::rdmLanguageID)), &sub);
  ClearLog();
  InSession([&] {
    EXPECT_EQ(JcReadItem(ctx_, 256), JC_STATUS_UNKNOWN_ITEM);
    EXPECT_EQ(JcReadItem(ctx_, 12), JC_STATUS_UNKNOWN_ITEM);
    EXPECT_EQ(JcHandleEvent(ctx_, JC_EVENT_WRITE, 0x100 | 0x400), 0u);
  });
  log = Log();
  EXPECT_NE(log.find("set 256 1 32 ZARN\n"), std::string::npos) << log;
  EXPECT_NE(log.find("set 258 4 4 " + std::to_string((DWORD(sub) << 10) | primary) + "\n"), std::string::npos);
  EXPECT_EQ(log.find("get 256"), std::string::npos);
}

TEST_F(JobControl, ClearingWriteEmptiesTheSettingFirst) {
  Jc("");
  SetText(sid::rdmUserCode, u"1234");
  StgSetValue(ctx_, sid::rdmTelLine, 9);
  InSession([&] { EXPECT_EQ(JcHandleEvent(ctx_, JC_EVENT_CLEAR_WRITE, 0x1 | 0x40), 0u); });
  EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "");
  DWORD telDefault = ImgGetDefaultValue(ctx_, sid::rdmTelLine);
  EXPECT_EQ(Get(ctx_, sid::rdmTelLine), telDefault);
  std::string log = Log();
  EXPECT_NE(log.find("set 7 1 32 " + std::to_string(telDefault) + "\n"), std::string::npos) << log;
  size_t at = log.find("set 1 1 ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(log.substr(log.find(' ', at + 8), 2), " \n");  // the empty text
  // The driver's own identification is no job setting: a clearing write sends it as it is.
  std::string version = Text(ctx_, sid::wdmDriverVersion);
  ASSERT_FALSE(version.empty());
  InSession([&] { EXPECT_EQ(JcHandleEvent(ctx_, JC_EVENT_CLEAR_WRITE, 0x200), 0u); });
  EXPECT_EQ(Text(ctx_, sid::wdmDriverVersion), version);
  EXPECT_NE(Log().find("set 257 1 32 " + version + "\n"), std::string::npos) << Log();
}

TEST_F(JobControl, OverlongAnswersAreCutAndTerminated) {
  ITEM_DESC* owner = StgFindItem(ctx_, sid::rdmOwnerName);
  DWORD len = StgTypeLength(owner->type);
  Jc("Item2=" + std::string(len + 40, 'o') + "\n");
  EXPECT_EQ(JcReadItems(ctx_, 0x2), 0);
  // One wide character per byte of the setting, the last one the terminator.
  EXPECT_EQ(Text(ctx_, sid::rdmOwnerName), std::string(len - 1, 'o'));
}

TEST_F(JobControl, FailedLoadOrOpenStillResetsAndUnloads) {
  struct Case {
    const char* script;
    bool placed;
    DWORD status;
  } cases[] = {
      {"OpenResult=5\n", true, 5},
      {"GetInterfaceResult=7\n", true, 7},
      {"GrantNoTable=1\n", true, JC_STATUS_UNKNOWN_ITEM},
      {"", false, DWORD(ERROR_MOD_NOT_FOUND)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.script);
    if (!k.placed) DeleteFileW((std::u16string(kDriverDir) + u"KAVJC64.DLL").c_str());
    Jc(std::string("Item1=4711\n") + k.script);
    ClearLog();
    StgSetValue(ctx_, sid::rdmUserCodeGet, 1);
    StgSetValue(ctx_, sid::rdmUserCodeDLL, 1);
    EXPECT_EQ(JcHandleEvent(ctx_, JC_EVENT_READ_ONCE, 0x1), k.status);
    EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "");
    EXPECT_EQ(Get(ctx_, sid::rdmUserCodeGet), 0u);
    EXPECT_EQ(Get(ctx_, sid::rdmUserCodeDLL), 0u);
    JC_BINDING* b = JcGetBinding(ctx_);
    EXPECT_TRUE(!b->module && !b->iface && !b->session);
    std::string log = Log();
    EXPECT_EQ(log.find("get 1"), std::string::npos);
    if (k.status == 5) {
      EXPECT_NE(log.find("dispose\n"), std::string::npos) << log;
    }
  }
}

TEST_F(JobControl, ReadAllAndSessionFlags) {
  Jc("Item1=77\nItem8=stored\nItem11=net\nQuery9=256\n");
  ASSERT_EQ(JcHandleEvent(ctx_, JC_EVENT_OPEN_READ_ALL, 0), 0u);
  EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "77");
  EXPECT_EQ(Text(ctx_, sid::rdmStoredPassword), "stored");
  EXPECT_EQ(Text(ctx_, sid::wdmAuthenticationNetworkKey), "net");
  JC_BINDING* b = JcGetBinding(ctx_);
  EXPECT_EQ(b->version, JC_INTERFACE_VERSION);
  EXPECT_EQ(JcGetSessionFlags(b->iface, b->session), 256u);
  EXPECT_EQ(JcHandleEvent(ctx_, JC_EVENT_CLOSE2, 0), 0u);
  EXPECT_NE(Log().find("mode 2 0\nquery 9\nmode 0 2\n"), std::string::npos);
  // Reads and writes without a session do nothing.
  EXPECT_EQ(JcReadItem(ctx_, 1), 0u);
  EXPECT_EQ(JcWriteItem(ctx_, 1, JC_EVENT_WRITE), 0u);
  EXPECT_EQ(JcHandleEvent(ctx_, 0x12345, 0), 0u);
}

// The one-shot read writes no more than the caller's destination holds, whatever the item's own size.
TEST_F(JobControl, OneShotReadRespectsTheDestination) {
  Jc("Item6=" + std::string(99, '6') + "\nItem2=Owner\n");
  WCHAR dest[100];
  std::fill(std::begin(dest), std::end(dest), u'x');
  ASSERT_TRUE(JcQueryPrinterValue(printer_, 6, JC_KIND_TEXT, dest, sizeof(dest)));
  EXPECT_EQ(std::u16string(dest), std::u16string(64, u'6'));  // 130 bytes, the last one the terminator
  EXPECT_EQ(dest[65], u'x');
  WCHAR small[10];
  std::fill(std::begin(small), std::end(small), u'x');
  ASSERT_TRUE(JcQueryPrinterValue(printer_, 6, JC_KIND_TEXT, small, sizeof(small)));
  EXPECT_EQ(std::u16string(small), std::u16string(9, u'6'));
  ASSERT_TRUE(JcQueryPrinterValue(printer_, 2, JC_KIND_TEXT, dest, sizeof(dest)));
  EXPECT_EQ(std::u16string(dest), u"Owner");
  EXPECT_FALSE(JcQueryPrinterValue(printer_, 4, JC_KIND_TEXT, dest, sizeof(dest)));  // no value
  EXPECT_FALSE(JcQueryPrinterValue(printer_, 6, JC_KIND_TEXT, dest, 1));
  EXPECT_FALSE(JcQueryPrinterValue((HANDLE)0x7777, 6, JC_KIND_TEXT, dest, sizeof(dest)));
  std::string log = Log();
  EXPECT_EQ(log.find("open", log.rfind("getInterface")), log.find("open Plotter", log.rfind("getInterface")));
  EXPECT_EQ(log.substr(log.size() - 21), "close\ndispose\nunload\n");
}

}  // namespace
