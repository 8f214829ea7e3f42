// Where a device query's results go: printer data for a user who may write it, the bidi INI for one who
// may not, and from there into printer data at the next context of a user who may.
#include <gtest/gtest.h>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "devlink_fixture.h"

using namespace devlinktest;

namespace {

class BidiState : public DevlinkTest {
 protected:
  void SetUp() override {
    DevlinkTest::SetUp();
    Script("kvbidi64", "Item1=51,60\nItem20=0,0\nItem21=0,0\nItem23=0x4,0x8\nItem11=1048576\nItem8Text=FW 2\n");
  }
  std::string Ini() { return ReadFile(u"C:\\_zarn\\kvbidi.ini"); }
  DWORD ParkedFunc() {
    return DWORD(GetPrivateProfileIntW(u"Plotter", u"BidiFunc", 99, u"C:\\_zarn\\kvbidi.ini"));
  }
  // A query by a user who may not change the printer's data.
  SETTING_CONTEXT* QueryAsUser() {
    SETTING_CONTEXT* c = Full(UserHandle());
    EXPECT_TRUE(BidiQueryDevice(c));
    return c;
  }
};

TEST_F(BidiState, AUserWhoMayNotWriteParksTheResults) {
  SETTING_CONTEXT* c = QueryAsUser();
  EXPECT_EQ(Get(c, sid::rdmBiDirect), 1u);
  DWORD flag = 0;
  EXPECT_FALSE(BidiReadFlagValue(printer_, &flag, c));  // printer data as before: no flag
  EXPECT_TRUE(BidiIniHasFlag(c));
  EXPECT_TRUE(BidiIniFlagSet(c));
  EXPECT_EQ(GetPrivateProfileIntW(u"Plotter", u"BidiExFlag", 0, u"C:\\_zarn\\kvbidi.ini"), 1u);
  EXPECT_EQ(ParkedFunc(), DWORD(BIDI_FUNC_COVER | BIDI_FUNC_INSERT));
  // The device settings are parked with them.
  EXPECT_NE(Ini().find("rdmPrinterMemory"), std::string::npos) << Ini();
  // Someone who asks for results finds them parked and does not ask the device.
  SETTING_CONTEXT* d = Full(UserHandle());
  EXPECT_TRUE(BidiEnsureQueried(d, false));
  EXPECT_EQ(Get(d, sid::rdmBiDirect), 1u);
}

TEST_F(BidiState, AnAdministratorMovesParkedResultsIntoPrinterData) {
  QueryAsUser();
  DWORD zero = 0;
  ASSERT_EQ(SetPrinterDataW(printer_, (LPWSTR)u"BidiFlag", REG_BINARY, (LPBYTE)&zero, 4), (DWORD)ERROR_SUCCESS);
  SETTING_CONTEXT* admin = Full();  // the reload at creation takes the parked results
  EXPECT_EQ(Get(admin, sid::rdmBidiFunc), DWORD(BIDI_FUNC_COVER | BIDI_FUNC_INSERT));
  EXPECT_FALSE(BidiIniHasFlag(admin));
  EXPECT_EQ(Ini().find("[Plotter]"), std::string::npos) << Ini();
}

TEST_F(BidiState, WithoutAFlagInPrinterDataTheParkedResultsStay) {
  QueryAsUser();
  SETTING_CONTEXT* admin = Full();
  EXPECT_EQ(Get(admin, sid::rdmBidiFunc), DWORD(BIDI_FUNC_COVER | BIDI_FUNC_INSERT));  // loaded all the same
  EXPECT_TRUE(BidiIniFlagSet(admin));
  DWORD flag = 0;
  EXPECT_FALSE(BidiReadFlagValue(printer_, &flag, admin));
}

TEST_F(BidiState, AServerConnectionNeitherParksNorLoads) {
  SETTING_CONTEXT* c = Full(UserHandle());
  StgSetValue(c, sid::rdmServerClientMode, 1);
  EXPECT_TRUE(BidiQueryDevice(c));
  EXPECT_FALSE(BidiIniHasFlag(c));
  // Parked by someone else, still not taken by a server connection.
  QueryAsUser();
  SETTING_CONTEXT* d = Full();
  StgSetValue(d, sid::rdmServerClientMode, 1);
  StgSetValue(d, sid::rdmBidiFunc, 0);
  CfgReloadDeviceSettings(d);
  EXPECT_EQ(Get(d, sid::rdmServerClientMode), 1u);
  EXPECT_EQ(Get(d, sid::rdmBidiFunc), 0u);
  EXPECT_TRUE(BidiIniFlagSet(d));
}

TEST_F(BidiState, AWriterStoresInPrinterDataAndClearsTheSection) {
  QueryAsUser();
  ASSERT_TRUE(BidiIniFlagSet(contexts_.back()));
  // Without a flag in printer data the first query of an administrator writes one; the write test
  // passes and the parked section goes.
  SETTING_CONTEXT* admin = Full();
  ASSERT_TRUE(BidiQueryDevice(admin));
  EXPECT_TRUE(BidiGetPrinterFlag(printer_, admin));
  BYTE func = 0;
  DWORD type = 0, needed = 0;
  ASSERT_EQ(GetPrinterDataW(printer_, (LPWSTR)u"BidiFunc", &type, &func, 1, &needed), (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(func, BYTE(BIDI_FUNC_COVER | BIDI_FUNC_INSERT));
  EXPECT_FALSE(BidiIniHasFlag(admin));
  EXPECT_TRUE(BidiTouchFlag(admin));
}

}  // namespace
