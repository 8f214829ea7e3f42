// The interface library's job-control client against the scripted job-control library: the item walks
// through printer data, the direct calls of the interface, the probe of DEVMODE conversion and the
// hand-over of parked items when a context is created for a printer batch installation marked.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/ini.h"
#include "devlink/job_control.h"
#include "inst_batch.h"
#include "kvplat/text.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/item_records.h"
#include "sheets/dlg_language.h"
#include "ui_fixture.h"
#include "ui_jobctl.h"
#include "ui_printer_data.h"


namespace {

class JobItems : public uitest::CompanionPrinterTest {
 protected:
  void Script(const std::string& answers) { CompanionPrinterTest::Script("KAVJC64", answers); }
  std::string Log() { return CallLog("KAVJC64"); }
  void ClearLog() { std::filesystem::remove(root_.path() + "/companions/KAVJC64.log"); }
  void SetText(SETTING_CONTEXT* c, WORD id, const char16_t* text) { StgSetString(c, StgFindItem(c, id), text); }
  bool HasPrinterData(const char16_t* name) {
    DWORD type = 0, needed = 0;
    BYTE buf[512];
    return GetPrinterDataW(printer_, const_cast<LPWSTR>(name), &type, buf, sizeof buf, &needed) == 0;
  }
};

}  // namespace

TEST_F(JobItems, DriverItemsAnswerUnknownAndTheWalksStillSucceed) {
  for (DWORD item : {256u, 257u, 258u, 12u, 0u}) {
    SCOPED_TRACE(item);
    EXPECT_EQ(UiJcImportItem(ctx_, item), JC_STATUS_UNKNOWN_ITEM);
    EXPECT_EQ(UiJcExportItem(ctx_, item), JC_STATUS_UNKNOWN_ITEM);
    EXPECT_EQ(UiJcClearItem(ctx_, item), JC_STATUS_UNKNOWN_ITEM);
  }
  EXPECT_EQ(UiJcImportItems(ctx_, 0x700), 0u);
  EXPECT_EQ(UiJcExportItems(ctx_, 0xFFFFFFFF), 0u);
}

TEST_F(JobItems, ItemsMoveThroughPrinterDataUnderTheSettingsNames) {
  SetText(ctx_, sid::rdmUserCode, u"4711");
  SetText(ctx_, sid::rdmOwnerName, u"Owner");
  StgSetValue(ctx_, sid::rdmTelLine, 3);
  EXPECT_EQ(UiJcExportItems(ctx_, 0x1 | 0x2 | 0x40), 0u);
  EXPECT_TRUE(HasPrinterData(u"rdmUserCode"));
  EXPECT_FALSE(HasPrinterData(u"rdmJOBPassword"));
  EXPECT_EQ(UiJcClearItemsIfOn(ctx_, 0x1 | 0x2 | 0x40), 0u);
  EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "");
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmTelLine, nullptr), 0u);
  SetText(ctx_, sid::rdmJOBPassword, u"kept");
  EXPECT_EQ(UiJcImportItems(ctx_, 0x1 | 0x2 | 0x4 | 0x40), 0u);
  EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "4711");
  EXPECT_EQ(Text(ctx_, sid::rdmOwnerName), "Owner");
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmTelLine, nullptr), 3u);
  EXPECT_EQ(Text(ctx_, sid::rdmJOBPassword), "kept");  // no value stored: the setting stays
}

TEST_F(JobItems, DirectCallsNeedTheOpenHandle) {
  Script("RecordResult=0\n");
  EXPECT_EQ(UiJcNotify(ctx_, 9), 0u);
  EXPECT_EQ(UiJcSendLanguage(ctx_), 0u);
  EXPECT_EQ(Log(), "");
  ASSERT_EQ(UiJcOpen(ctx_), 0u);
  EXPECT_EQ(UiJcNotify(ctx_, 9), 0u);
  EXPECT_EQ(UiJcSendLanguage(ctx_), 0u);
  EXPECT_EQ(UiJcSendRecord(ctx_, 2), 0u);  // no other record is known
  EXPECT_EQ(UiJcClose(ctx_), 0u);
  BYTE region = BYTE(StgGetValue(ctx_, sid::rdmLanguageID, nullptr));
  WORD sub = 0;
  StgGetRegionLangId(region, &sub);
  const std::string record =
      "record 1 8 " + std::to_string(DlgLanguageEntry(region) & 0xFF) + " " + std::to_string(sub) + "\n";
  std::string log = Log();
  EXPECT_NE(log.find("withdraw 9\n"), std::string::npos) << log;
  EXPECT_NE(log.find(record), std::string::npos) << log;
  EXPECT_EQ(log.find("record 2"), std::string::npos) << log;
  EXPECT_NE(log.find("unload\n"), std::string::npos) << log;
}

TEST_F(JobItems, ConversionWithoutAHandleTakesTheLogCodeAndStillWritesTheDriverItems) {
  Script("OpenResult=5\n");
  // The code the server keeps for its clients is loaded before it is sent.
  BYTE one = 1;
  char code[] = "9876";
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"ServerUse"), REG_BINARY, &one, 1);
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"UserCodeUse"), REG_BINARY, &one, 1);
  SetPrinterDataW(printer_, const_cast<LPWSTR>(u"UserCode"), REG_BINARY, reinterpret_cast<LPBYTE>(code), 4);
  SetText(ctx_, sid::rdmUserCode, u"1111");
  EXPECT_FALSE(UiJcSessionAvailable(ctx_));
  EXPECT_EQ(UiJcSyncAtConversion(ctx_), 5u);  // the write could not open a handle either
  EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "9876");
  EXPECT_EQ(JcGetBinding(ctx_)->module, nullptr);
  // With a handle the user code is left alone and the driver items are written.
  Script("");
  ClearLog();
  SetText(ctx_, sid::rdmUserCode, u"1111");
  EXPECT_TRUE(UiJcSessionAvailable(ctx_));
  EXPECT_EQ(UiJcSyncAtConversion(ctx_), 0u);
  EXPECT_EQ(Text(ctx_, sid::rdmUserCode), "1111");
  std::string log = Log();
  EXPECT_NE(log.find("set 256 1"), std::string::npos) << log;
  EXPECT_NE(log.find("set 257 1"), std::string::npos) << log;
  EXPECT_NE(log.find("set 258 4"), std::string::npos) << log;
}

TEST_F(JobItems, AMarkedPrinterHandsItsParkedItemsOverOnce) {
  Script("");
  SetText(ctx_, sid::rdmUserCode, u"4711");
  SetText(ctx_, sid::rdmJOBPassword, u"secret");
  SetText(ctx_, sid::wdmAuthenticationNetworkKey, u"netkey");
  ASSERT_EQ(UiJcExportItems(ctx_, 0x1 | 0x4 | 0x2000), 0u);
  ASSERT_TRUE(HasPrinterData(u"rdmJOBPassword"));
  WCHAR ini[260] = {};
  ASSERT_NE(InstGetBatchIniPathTo(ini, 260), nullptr);
  InstMarkDrvInstSet(ini, u"UI plotter", 1);
  ClearLog();

  SETTING_CONTEXT* first = Open();
  ASSERT_NE(first, nullptr);
  std::string log = Log();
  EXPECT_EQ(Text(first, sid::rdmUserCode), "4711");
  EXPECT_NE(log.find("set 1 1 18 4711\n"), std::string::npos) << log;
  EXPECT_NE(log.find("set 3 1 18 secret\n"), std::string::npos) << log;
  EXPECT_NE(log.find("set 11 1"), std::string::npos) << log;
  EXPECT_EQ(InstHasDrvInstSet(ini, u"UI plotter"), 0);
  EXPECT_EQ(CfgIniGetInt(u"UI plotter", u"DrvInstSet", 77, ini), 0);
  // The secrets are kept by job control now, not in printer data; the other items stay.
  EXPECT_FALSE(HasPrinterData(u"rdmJOBPassword"));
  EXPECT_FALSE(HasPrinterData(u"wdmAuthenticationNetworkKey"));
  EXPECT_TRUE(HasPrinterData(u"rdmUserCode"));
  StgReleaseContext(first, STG_RELEASE_FREE);

  ClearLog();
  SETTING_CONTEXT* second = Open();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Log().find("set "), std::string::npos);
  StgReleaseContext(second, STG_RELEASE_FREE);
}
