// Printer set-up: the conversion's size rules and roads, the set-up modes against what they write, the
// printer events with the spooler's identity switch, the upgrade, and the renamed printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inst_setup.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "ui_convert.h"
#include "ui_fixture.h"
#include "ui_workers.h"

using namespace uitest;

namespace {

class Setup : public ModelPrinterTest {
 protected:
  bool Has(const char16_t* value) {
    std::vector<kvp::SplDataValue> all;
    kvp::SplGetAllPrinterData(printer_, all);
    for (auto& v : all)
      if (v.name == value) return true;
    return false;
  }
  std::vector<BYTE> Value(const char16_t* value) {
    std::vector<kvp::SplDataValue> all;
    kvp::SplGetAllPrinterData(printer_, all);
    for (auto& v : all)
      if (v.name == value) return v.data;
    return {};
  }
  void SetText(const char16_t* value, const std::u16string& text) {
    std::u16string t = text;
    ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(value), REG_SZ, reinterpret_cast<LPBYTE>(t.data()),
                              DWORD((t.size() + 1) * 2)),
              (DWORD)ERROR_SUCCESS);
  }
  void Clear(const char16_t* value) { DeletePrinterDataW(printer_, const_cast<LPWSTR>(value)); }
  LPWSTR Name() { return name_.data(); }
};

std::vector<BYTE> ValidDevmode() {
  std::vector<BYTE> b(STG_DEVMODE_SIZE, 0);
  Put<WORD>(b, offsetof(DEVMODEW, dmSpecVersion), DM_SPECVERSION);
  Put<WORD>(b, offsetof(DEVMODEW, dmSize), 220);
  Put<WORD>(b, offsetof(DEVMODEW, dmDriverExtra), 1016);
  return b;
}

// ---- Conversion.

TEST_F(Setup, ConversionSizeRulesAndLastErrors) {
  std::vector<BYTE> in = ValidDevmode(), out(2048, 0);
  struct Case {
    const char* what;
    DWORD mode;
    LONG size;
    bool withOut;
    int result;
    LONG sizeAfter;
    DWORD error;
  } cases[] = {
      {"default 1235", CDM_DRIVER_DEFAULT, 1235, true, 0, 1236, ERROR_INSUFFICIENT_BUFFER},
      {"default no output", CDM_DRIVER_DEFAULT, 4000, false, 0, 1236, ERROR_INSUFFICIENT_BUFFER},
      {"default 1236", CDM_DRIVER_DEFAULT, 1236, true, 2, 1236, 0},
      {"351 1203", CDM_CONVERT351, 1203, true, 0, 1204, ERROR_INSUFFICIENT_BUFFER},
      {"351 1204", CDM_CONVERT351, 1204, true, 1, 1204, 0},
      {"convert short", CDM_CONVERT, 1235, true, 0, 1235, ERROR_INVALID_PARAMETER},
      {"convert no output", CDM_CONVERT, 1236, false, 0, 1236, ERROR_INVALID_PARAMETER},
      {"convert", CDM_CONVERT, 1300, true, 1, 1236, 0},
      {"unknown", 0x40, 10, true, 2, 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::fill(out.begin(), out.end(), 0);
    Put<WORD>(out, offsetof(DEVMODEW, dmSize), 220);
    Put<WORD>(out, offsetof(DEVMODEW, dmDriverExtra), 1016);
    LONG size = c.size;
    SetLastError(0);
    EXPECT_EQ(UiConvertDevmodeSizes(Name(), D(in), c.withOut ? D(out) : nullptr, &size, c.mode), c.result);
    EXPECT_EQ(size, c.sizeAfter);
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(0);
  EXPECT_EQ(UiConvertDevmodeSizes(Name(), D(in), D(out), nullptr, CDM_CONVERT), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  // An unknown mode fails without a last error of its own.
  LONG size = 10;
  SetLastError(77);
  EXPECT_FALSE(UiConvertDevMode(Name(), D(in), D(out), &size, 0x40));
  EXPECT_EQ(GetLastError(), 77u);
}

TEST_F(Setup, Convert351GivesTheOldHeader) {
  std::vector<BYTE> in = ValidDevmode(), out(1204, 0xEE);
  LONG size = 1204;
  ASSERT_TRUE(UiConvertDevMode(Name(), D(in), D(out), &size, CDM_CONVERT351));
  EXPECT_EQ(size, 1204);
  EXPECT_EQ(Get<WORD>(out.data(), offsetof(DEVMODEW, dmSpecVersion)), 0x320);
  EXPECT_EQ(Get<WORD>(out.data(), offsetof(DEVMODEW, dmSize)), 188);
  EXPECT_EQ(Get<WORD>(out.data(), offsetof(DEVMODEW, dmDriverVersion)), 0x350);
  EXPECT_EQ(Get<WORD>(out.data(), offsetof(DEVMODEW, dmDriverExtra)), 1016);
}

TEST_F(Setup, ConvertWithoutMachineDriverIniOnlyConverts) {
  std::vector<BYTE> in = ValidDevmode(), out(STG_DEVMODE_SIZE, 0);
  Put<WORD>(out, offsetof(DEVMODEW, dmSize), 220);
  Put<WORD>(out, offsetof(DEVMODEW, dmDriverExtra), 1016);
  LONG size = STG_DEVMODE_SIZE;
  ASSERT_TRUE(UiConvertDevMode(Name(), D(in), D(out), &size, CDM_CONVERT));
  EXPECT_EQ(size, (LONG)STG_DEVMODE_SIZE);
  EXPECT_FALSE(Has(u"ZARNPrinterName"));  // nothing of the re-synchronisation ran
}

TEST_F(Setup, DriverDefaultSetsTheNewPrinterUp) {
  std::vector<BYTE> out(STG_DEVMODE_SIZE, 0);
  LONG size = STG_DEVMODE_SIZE;
  ASSERT_TRUE(UiConvertDevMode(Name(), nullptr, D(out), &size, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(Get<WORD>(out.data(), offsetof(DEVMODEW, dmSize)), 220);
  EXPECT_EQ(Get<WORD>(out.data(), offsetof(DEVMODEW, dmDriverExtra)), 1016);
  EXPECT_TRUE(StgIsValidPrivateDevmode(D(out)));
  for (const char16_t* v : {u"ZARNPrinterName", u"DriverName", u"HelpFileName", u"DefFontTableNum", u"LogFileName",
                            u"SPLUserModePrinterDriver", u"BidiFlag"})
    EXPECT_TRUE(Has(v)) << kvp::ToUtf8(v);
}

TEST_F(Setup, MergeDevmodeSizesTakesTheSmallerSizes) {
  std::vector<BYTE> source = ValidDevmode(), input = ValidDevmode(), dest(STG_DEVMODE_SIZE, 0);
  Put<WORD>(input, offsetof(DEVMODEW, dmSize), 156);
  Put<WORD>(input, offsetof(DEVMODEW, dmSpecVersion), 0x320);
  EXPECT_EQ(UiMergeDevmodeSizes(D(source), D(input), D(dest)), 1);
  EXPECT_EQ(Get<WORD>(dest.data(), offsetof(DEVMODEW, dmSize)), 156);
  EXPECT_EQ(Get<WORD>(dest.data(), offsetof(DEVMODEW, dmDriverExtra)), 1016);
  EXPECT_EQ(UiMergeDevmodeSizes(D(source), nullptr, nullptr), -1);
  std::fill(dest.begin(), dest.end(), 0);
  EXPECT_EQ(UiMergeDevmodeSizes(D(source), nullptr, D(dest)), 1);
  EXPECT_EQ(dest, source);
}

// ---- Set-up modes.

TEST_F(Setup, ModesWriteWhatTheirStepsSay) {
  struct Case {
    int mode;
    bool machineValues;  // steps 6, 8 and 12
    bool logName;        // step 13 with the log name
  } cases[] = {{0, true, true}, {1, true, true}, {2, false, false}, {5, true, true}, {6, false, false}, {7, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    for (const char16_t* v : {u"HelpFileName", u"ZARNPrinterName", u"DefFontTableNum", u"BidiFlag", u"LogFileName",
                              u"SPLUserModePrinterDriver"})
      Clear(v);
    ASSERT_TRUE(InstSetupPrinter(printer_, nullptr, c.mode));
    EXPECT_EQ(Has(u"HelpFileName"), c.machineValues);
    EXPECT_EQ(Has(u"ZARNPrinterName"), c.machineValues);
    EXPECT_EQ(Has(u"DefFontTableNum"), c.machineValues);
    EXPECT_EQ(Has(u"BidiFlag"), c.machineValues);
    EXPECT_EQ(Has(u"SPLUserModePrinterDriver"), c.machineValues);
    EXPECT_EQ(Has(u"LogFileName"), c.logName);
  }
}

TEST_F(Setup, DeviceSettingsThatCannotBeWrittenFailTheSetUp) {
  ASSERT_TRUE(InstSetupPrinter(printer_, nullptr, INST_SETUP_NEW));
  // One device setting that cannot be written: the set-up is not reported as done.
  kvp::test::FailSpoolerCall("SetPrinterDataExW", 1, ERROR_WRITE_FAULT);
  BOOL ok = InstSetupPrinter(printer_, nullptr, INST_SETUP_NEW);
  kvp::test::ResetSpoolerFailures();
  EXPECT_FALSE(ok);
  std::vector<BYTE> out(STG_DEVMODE_SIZE, 0);
  LONG size = STG_DEVMODE_SIZE;
  kvp::test::FailSpoolerCall("SetPrinterDataExW", 1, ERROR_WRITE_FAULT);
  ok = UiConvertDevMode(Name(), nullptr, D(out), &size, CDM_DRIVER_DEFAULT);
  kvp::test::ResetSpoolerFailures();
  EXPECT_FALSE(ok);
}

// ---- Events.

TEST_F(Setup, EventsSwitchToTheSpoolerAndBackOnEveryPath) {
  std::u16string missing = u"No such printer";
  struct Case {
    const char* what;
    LPWSTR printer;
    int event;
    BOOL result;
    std::vector<std::string> log;
  } cases[] = {
      {"add connection", Name(), PRINTER_EVENT_ADD_CONNECTION, TRUE, {"revert", "impersonate"}},
      {"add connection, no printer", missing.data(), PRINTER_EVENT_ADD_CONNECTION, FALSE, {"revert", "impersonate"}},
      {"delete connection", Name(), PRINTER_EVENT_DELETE_CONNECTION, TRUE, {"revert", "impersonate"}},
      {"delete connection, no printer", missing.data(), PRINTER_EVENT_DELETE_CONNECTION, TRUE, {"revert", "impersonate"}},
      {"initialize", Name(), PRINTER_EVENT_INITIALIZE, TRUE, {"revert", "impersonate"}},
      {"initialize, no printer", missing.data(), PRINTER_EVENT_INITIALIZE, FALSE, {}},
      {"delete", Name(), PRINTER_EVENT_DELETE, TRUE, {}},
      {"cache refresh", Name(), PRINTER_EVENT_CACHE_REFRESH, TRUE, {}},
      {"unknown", Name(), 99, TRUE, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kvp::test::ClearSpoolerImpersonationLog();
    EXPECT_EQ(UiPrinterEvent(c.printer, c.event, 0, 0), c.result);
    EXPECT_EQ(kvp::test::SpoolerImpersonationLog(), c.log);
  }
}

TEST_F(Setup, InitializeSetsUpAndStamps) {
  ASSERT_TRUE(UiPrinterEvent(Name(), PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_TRUE(Has(u"ZARNPrinterName"));
  EXPECT_TRUE(Has(u"DefFontTableNum"));
}

TEST_F(Setup, UpgradeTakesLevelOneOnly) {
  std::u16string oldDir = u"C:\\old";
  DRIVER_UPGRADE_INFO_1 info{Name(), oldDir.data()};
  SetLastError(0);
  EXPECT_FALSE(UiUpgradePrinter(2, reinterpret_cast<LPBYTE>(&info)));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(UiUpgradePrinter(1, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(UiUpgradePrinter(1, reinterpret_cast<LPBYTE>(&info)));
  EXPECT_EQ(Value(u"SPLUserModePrinterDriver").size(), 24u);
}

// ---- Renamed printers.

TEST_F(Setup, RenameDetection) {
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer_, 2));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(UiIsPrinterRenamed(printer_, nullptr), 0);
  Clear(u"ZARNPrinterName");
  EXPECT_EQ(UiIsPrinterRenamed(printer_, info), 1);  // never recorded
  SetText(u"ZARNPrinterName", u"ui PLOTTER");
  EXPECT_EQ(UiIsPrinterRenamed(printer_, info), 0);  // case does not count
  SetText(u"ZARNPrinterName", u"Old plotter");
  EXPECT_EQ(UiIsPrinterRenamed(printer_, info), 1);
  SetText(u"ClientName", u"");
  EXPECT_EQ(UiIsPrinterRenamed(printer_, info), 1);  // an empty client name is none
  SetText(u"ClientName", u"\\\\CLIENT");
  EXPECT_EQ(UiIsPrinterRenamed(printer_, info), 0);  // a client-side connection never is
  Clear(u"ClientName");
  std::u16string server = u"\\\\SERVER";
  info->pServerName = server.data();
  EXPECT_EQ(UiIsPrinterRenamed(printer_, info), 0);  // nor a printer of a server
  StgFree(info);
}

TEST_F(Setup, RenameMovesTheWholeBidiSectionAndRewritesTheName) {
  // A section longer than the old fixed buffer of 30720 characters moves whole.
  std::string text = "[Old plotter]\n";
  for (int i = 0; i < 800; ++i) text += "Key" + std::to_string(i) + "=" + std::string(40, 'v') + "\n";
  kvtest::WriteMachineFile(u"C:\\_zarn\\kvbidi.ini", text);
  SetText(u"ZARNPrinterName", u"Old plotter");
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(InstHandlePrinterRename(ctx), 1);
  EXPECT_EQ(InstHandlePrinterRename(ctx), 0);  // done once
  StgReleaseContext(ctx, STG_RELEASE_FREE);
  std::vector<BYTE> name = Value(u"ZARNPrinterName");
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name.data())), name_);
  WCHAR value[64] = {};
  GetPrivateProfileStringW(name_.c_str(), u"Key799", u"", value, 64, u"C:\\_zarn\\kvbidi.ini");
  EXPECT_EQ(std::u16string(value), std::u16string(40, u'v'));
}

}  // namespace
