// Printer-data and registry accessors: missing arguments make no platform call, the companion tests by
// their registry values, the help-file name, and the adoption of the spooler's default DEVMODE only
// when it has this driver's sizes and layout.
#include <cstring>

#include "config/printer_data.h"
#include "kvplat/registry.h"
#include "settings/store.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

void SetHklmDword(const WCHAR* path, const WCHAR* name, DWORD v) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&v, 4), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace

class PrinterData : public PlotterTest {
 protected:
  void TearDown() override {
    kvp::test::ResetSpoolerFailures();
    PlotterTest::TearDown();
  }
};

TEST_F(PrinterData, MissingArgumentsMakeNoCall) {
  DWORD v = 0x01020304, out = 0;
  ASSERT_TRUE(CfgSetPrinterDataBinary(printer_, &v, 4, u"Value"));
  // Armed to fail the next call: the refused calls must not consume it.
  kvp::test::FailSpoolerCall("GetPrinterDataW", 1);
  EXPECT_FALSE(CfgGetPrinterDataValue(printer_, &out, 0, u"Value"));
  EXPECT_FALSE(CfgGetPrinterDataValue(printer_, nullptr, 4, u"Value"));
  EXPECT_FALSE(CfgGetPrinterDataValue(printer_, &out, 4, nullptr));
  EXPECT_FALSE(CfgGetPrinterDataValue(printer_, &out, 4, u"Value"));  // this one met the failure
  EXPECT_TRUE(CfgGetPrinterDataValue(printer_, &out, 4, u"Value"));
  EXPECT_EQ(out, v);
  EXPECT_FALSE(CfgSetPrinterDataTyped(printer_, &v, 0, REG_DWORD, u"Value"));
  EXPECT_TRUE(CfgSetPrinterDataTyped(printer_, &v, 4, REG_DWORD, u"Typed"));
  std::vector<kvp::SplDataValue> all;
  kvp::SplGetAllPrinterData(printer_, all);
  bool typed = false;
  for (auto& d : all) typed = typed || (d.name == u"Typed" && d.type == REG_DWORD);
  EXPECT_TRUE(typed);
}

TEST_F(PrinterData, CompanionsByTheirRegistryValues) {
  EXPECT_EQ(CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx_), 0);  // no key
  SetHklmDword(u"Software\\KAVRO\\TaskBlend\\JobBinder", u"INSTALL_COUNT", 0);
  SetHklmDword(u"Software\\KAVRO\\TaskBlend\\Preview", u"VERSION", 3);
  EXPECT_EQ(CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx_), 0);  // a count of 0 is not installed
  EXPECT_EQ(CfgIsCompanionInstalled(CFG_COMPANION_PREVIEW, ctx_), 1);
  SetHklmDword(u"Software\\KAVRO\\TaskBlend\\JobBinder", u"INSTALL_COUNT", 2);
  EXPECT_EQ(CfgIsCompanionInstalled(CFG_COMPANION_JOB_BINDER, ctx_), 1);
  EXPECT_EQ(CfgIsCompanionInstalled(4, ctx_), 0);
  DWORD dir = 0;
  EXPECT_FALSE(CfgReadDriverRegValue(u"_ZARNDirectory", &dir, 4));
  SetHklmDword(u"SOFTWARE\\KAVRO\\ZarnDrv", u"_ZARNDirectory", 7);
  EXPECT_TRUE(CfgReadDriverRegValue(u"_ZARNDirectory", &dir, 4));
  EXPECT_EQ(dir, 7u);
}

TEST_F(PrinterData, HelpFileName) {
  WCHAR buf[16];
  EXPECT_FALSE(CfgGetHelpFileName(buf, 16 * 2, ctx_));
  EXPECT_FALSE(CfgGetHelpFileName(buf, 0, ctx_));
  std::u16string name = u"kvhelpus.chm";
  ASSERT_TRUE(CfgSetPrinterDataTyped(printer_, name.c_str(), (DWORD)(name.size() + 1) * 2, REG_SZ, u"HelpFileName"));
  EXPECT_TRUE(CfgGetHelpFileName(buf, 16 * 2, ctx_));
  EXPECT_EQ(S(buf), name);
  EXPECT_FALSE(CfgGetHelpFileName(buf, 8, ctx_));  // does not fit
}

TEST_F(PrinterData, DefaultDevmodeAdoptedOnlyWithThisDriversSizes) {
  std::vector<BYTE> good(ctx_->store->bytes, ctx_->store->bytes + STG_DEVMODE_SIZE);
  auto setDefault = [&](std::vector<BYTE>& dm) {
    PRINTER_INFO_2W* pi = (PRINTER_INFO_2W*)StgGetPrinterInfo(printer_, 2);
    ASSERT_NE(pi, nullptr);
    pi->pDevMode = reinterpret_cast<DEVMODEW*>(dm.data());
    ASSERT_TRUE(SetPrinterW(printer_, 2, reinterpret_cast<LPBYTE>(pi), 0));
    StgFree(pi);
  };
  EXPECT_EQ(CfgAdoptPrinterDefaultDevmode(ctx_), 0);  // the spooler has none yet

  std::vector<BYTE> bigger = good;
  bigger.resize(STG_DEVMODE_SIZE + 8);
  WORD extra = 1024;
  std::memcpy(bigger.data() + DM_OFF_DRIVER_EXTRA, &extra, 2);
  setDefault(bigger);
  std::vector<BYTE> before(ctx_->store->bytes, ctx_->store->bytes + STG_DEVMODE_SIZE);
  EXPECT_EQ(CfgAdoptPrinterDefaultDevmode(ctx_), 0);
  EXPECT_EQ(std::memcmp(ctx_->store->bytes, before.data(), STG_DEVMODE_SIZE), 0);  // nothing copied

  WORD copies = 7;
  std::memcpy(good.data() + offsetof(DEVMODEW, dmCopies), &copies, 2);
  setDefault(good);
  EXPECT_EQ(CfgAdoptPrinterDefaultDevmode(ctx_), 1);
  EXPECT_EQ(StgGetDevmode(ctx_)->dmCopies, 7);
}
