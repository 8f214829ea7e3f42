// Install defaults, the model database and the set-up programs; default presets, quality lists and the
// pack installation.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/presets.h"
#include "inst_bundles.h"
#include "inst_default_presets.h"
#include "inst_defaults.h"
#include "inst_model_files.h"
#include "inst_work.h"
#include "kvplat/process.h"
#include "kvplat/profile.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "kvplat/window.h"
#include "settings/setting_ids.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

namespace fs = std::filesystem;

class InstDefaults : public CompanionPrinterTest {
 protected:
  void SetUp() override {
    CompanionPrinterTest::SetUp();
    WCHAR p[260] = {};
    ASSERT_TRUE(CfgMakeDataFilePath(p, 260, u"kvuserdef.ini", ctx_));
    defaults_ = p;
    fs::create_directories(fs::path(Host(defaults_)).parent_path());
  }
  void TearDown() override {
    kvp::ProfileSet("UserLocale", std::to_string(0x0409));
    CompanionPrinterTest::TearDown();
  }
  static std::string Host(const std::u16string& machine) {
    std::string h;
    kvp::MapPath(machine, h);
    return h;
  }
  std::u16string Get(const std::u16string& file, const char16_t* section, const char16_t* key) {
    WCHAR v[300] = {};
    CfgIniGetString(section, key, u"<none>", v, 300, file.c_str());
    return v;
  }
  void Put(const std::u16string& file, const char16_t* section, const char16_t* key, const char16_t* value) {
    CfgIniWriteString(section, key, value, file.c_str());
  }
  std::u16string Ini() { return std::u16string(CfgGetIniPath(ctx_)); }
  std::u16string Section() { return std::u16string(CfgGetPresetSection(ctx_)); }
  std::u16string ModelIni() { return std::u16string(CfgGetModelIniPath(ctx_)); }
  std::u16string DriverDir() { return std::u16string(CfgGetDriverDir(ctx_)); }
  uint64_t Value(WORD id) { return StgGetValue(ctx_, id, nullptr); }

  std::u16string defaults_;
};

// ---- Install defaults.

TEST_F(InstDefaults, TheHandOverIsTakenOnceAndOnlyWhenMarkedWaiting) {
  struct Case {
    const char* what;
    const char16_t* done;  // "ZarnInstDone" before, or none
    bool dispLang;
    bool taken;
  } cases[] = {
      {"waiting", u"0", true, true},
      {"waiting without a language", u"0", false, false},
      {"taken already", u"1", true, false},
      {"nothing handed over", nullptr, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WritePrivateProfileStringW(name_.c_str(), nullptr, nullptr, defaults_.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, defaults_.c_str());
    if (c.done) Put(defaults_, name_.c_str(), u"ZarnInstDone", c.done);
    if (c.dispLang) Put(defaults_, name_.c_str(), u"DispLang", u"1");
    Put(defaults_, name_.c_str(), u"DefPaper", u"1");
    Put(defaults_, name_.c_str(), u"DefUnit", u"1");
    Put(defaults_, name_.c_str(), u"UserCode", u"1");
    Put(defaults_, name_.c_str(), u"UserCodeString", u"00123456789");
    StgSetValue(ctx_, sid::rdmLogCodeUse, 0);
    InstImportInstallDefaults(name_.c_str(), ctx_);
    EXPECT_EQ(Get(defaults_, name_.c_str(), u"ZarnInstDone"), c.taken ? u"1" : c.done ? c.done : u"<none>");
    if (c.taken) {
      EXPECT_EQ(Value(sid::rdmLogCodeUse) & 0xFF, 1u);
      EXPECT_EQ(Text(ctx_, sid::rdmLogCode), "00123456");  // read with room for 8 characters
      EXPECT_EQ(Get(defaults_, name_.c_str(), u"ZarnInstDone"), u"1");
      EXPECT_EQ(Value(sid::dmPaperSize), 1u);
      EXPECT_EQ(Value(sid::rdmDspUnit), 1u);
    } else {
      // The locale's defaults (United States: Letter, inches) are written back for the printer.
      EXPECT_EQ(Get(defaults_, name_.c_str(), u"DefPaper"), u"1");
      EXPECT_EQ(Get(defaults_, name_.c_str(), u"DispLang"), u"1");
      EXPECT_EQ(Value(sid::rdmLocaleID), 1u);
    }
    // A second set-up takes nothing over any more (a section still marked 0 has got its language now).
    if (c.taken || !c.done || c.done[0] != u'0') {
      EXPECT_EQ(InstReadInstallDefaults(name_.c_str(), ctx_), 0);
    }
  }
}

TEST_F(InstDefaults, TheLocaleRuleOnTheCountryCode) {
  struct Case {
    LCID lcid;
    WORD paper, unit, country;
  } cases[] = {{0x080A, 1, 1, 52}, {0x0407, 9, 0, 0}, {0x0416, 1, 1, 55}, {0x0409, 1, 1, 1}, {0x0411, 9, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lcid);
    ASSERT_EQ(kvp::ProfileSet("UserLocale", std::to_string(c.lcid)), 0u);
    EXPECT_EQ(InstComputeLocaleDefaults(nullptr, ctx_), 1);
    INST_WORK* w = InstWork(ctx_);
    EXPECT_EQ(w->defaultPaper, c.paper);
    EXPECT_EQ(w->displayUnit, c.unit);
    EXPECT_EQ(w->countryNumber, c.country);
  }
}

TEST_F(InstDefaults, ARenamedPrinterKeepsLetterForAWholeCountryCode) {
  // Mexico's code 52 gave Letter at set-up; written back after a rename it must stay Letter.
  ASSERT_EQ(kvp::ProfileSet("UserLocale", std::to_string(0x080A)), 0u);
  InstImportInstallDefaults(name_.c_str(), ctx_);
  ASSERT_EQ(Value(sid::rdmLocaleID), 52u);
  ASSERT_EQ(Value(sid::dmPaperSize), 1u);
  EXPECT_EQ(InstWriteInstallDefaults(u"Renamed", ctx_), 1);
  EXPECT_EQ(Get(defaults_, u"Renamed", u"DefPaper"), u"1");
  EXPECT_EQ(Get(defaults_, u"Renamed", u"ZarnInstDone"), u"1");  // written 0, then taken over again
  StgSetValue(ctx_, sid::rdmLocaleID, 49);
  InstWriteInstallDefaults(u"Renamed", ctx_);
  EXPECT_EQ(Get(defaults_, u"Renamed", u"DefPaper"), u"9");
}

TEST_F(InstDefaults, AHelpFileOfRegionZeroResetsLanguagePaperAndUnit) {
  // A copy of the driver whose help file is the Japanese one (region 0).
  DWORD need = 0;
  GetPrinterDriverW(printer_, nullptr, 3, nullptr, 0, &need);
  std::vector<BYTE> buf(need);
  ASSERT_TRUE(GetPrinterDriverW(printer_, nullptr, 3, buf.data(), need, &need));
  DRIVER_INFO_3W di = *reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
  std::u16string driver = u"Help jp", help = u"KV8350jp.hlp", printer = u"Help jp printer";
  di.pName = driver.data();
  di.pHelpFile = help.data();
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di)));
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = printer.data();
  pi.pDriverName = driver.data();
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
  ASSERT_NE(h, nullptr);
  SETTING_CONTEXT* ctx = StgCreateContextEx(h, h, nullptr, 0x100, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(ctx, nullptr);
  // The locale's language (Chinese, region 16) differs from the help file's region 0.
  ASSERT_EQ(kvp::ProfileSet("UserLocale", std::to_string(0x0804)), 0u);
  InstImportInstallDefaults(printer.c_str(), ctx);
  EXPECT_EQ(StgGetValue(ctx, sid::rdmLanguageID, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx, sid::rdmDspUnit, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx, sid::dmPaperSize, nullptr), 9u);
  EXPECT_EQ(Get(defaults_, printer.c_str(), u"DispLang"), u"0");
  EXPECT_EQ(Get(defaults_, printer.c_str(), u"DefPaper"), u"9");
  EXPECT_EQ(Get(defaults_, printer.c_str(), u"DefUnit"), u"0");
  StgReleaseContext(ctx, STG_RELEASE_FREE);
  ClosePrinter(h);
}

// ---- Model database.

TEST_F(InstDefaults, TheModelDatabaseHasOneSectionPerModelName) {
  WCHAR db[260] = {};
  CfgMakeSystemDirPath(db, 260, u"kavdb.ini");
  std::u16string installer = DriverDir() + u"kvinst.ini";
  for (const char16_t* model : {u"Lumeta QT M8350", u"Lumeta QT M8340"}) {
    Put(installer, model, u"LoadDll32", u"kvstat32.dll");
    Put(installer, model, u"Version32", u"1.2");
  }
  // The model INI lists the driver in "Models1" and "Models2".
  EXPECT_EQ(InstWriteModelDatabase(ctx_), 1);
  for (const char16_t* model : {u"Lumeta QT M8350", u"Lumeta QT M8340"}) {
    EXPECT_EQ(Get(db, model, u"ResDll"), u"M8350d64.dll");
    EXPECT_EQ(Get(db, model, u"LoadDll"), u"kvstat32.dll");
    EXPECT_EQ(Get(db, model, u"Version"), u"1.2");
  }
  // Names that differ only in case match; a changed version is noticed and rewritten.
  Put(db, u"Lumeta QT M8350", u"ResDll", u"m8350D64.DLL");
  EXPECT_EQ(InstCheckModelDatabase(ctx_), 1);
  EXPECT_EQ(Get(db, u"Lumeta QT M8350", u"ResDll"), u"m8350D64.DLL");
  Put(db, u"Lumeta QT M8340", u"Version", u"1.1");
  EXPECT_EQ(InstCheckModelDatabase(ctx_), 1);
  EXPECT_EQ(Get(db, u"Lumeta QT M8340", u"Version"), u"1.2");

  // Only in "Models": one section, whose library is the model's own.
  fs::remove(Host(db));
  WritePrivateProfileStringW(u"Models1", nullptr, nullptr, ModelIni().c_str());
  WritePrivateProfileStringW(u"Models2", nullptr, nullptr, ModelIni().c_str());
  EXPECT_EQ(InstWriteModelDatabase(ctx_), 1);
  EXPECT_EQ(Get(db, u"Lumeta QT M8350", u"ResDll"), u"M8350d64.dll");
  EXPECT_EQ(Get(db, u"Lumeta QT M8350", u"LoadDll"), u"kvstat32.dll");
  EXPECT_EQ(Get(db, u"Lumeta QT M8340", u"ResDll"), u"<none>");
}

// ---- Set-up programs.

TEST_F(InstDefaults, SetUpProgramsRunInOrderEachInItsFolder) {
  fs::copy_file(KV_MODULE_DIR "/kv_marker", Host(DriverDir() + u"marker.exe"));
  std::u16string ini = ModelIni();
  Put(ini, u"Expand File", u"SystemDirfiles", u"2");
  Put(ini, u"Expand File", u"SystemDir1", u"marker.exe");
  Put(ini, u"Expand File", u"SystemDir2", u"..\\..\\marker.exe");  // outside the driver folder: refused
  Put(ini, u"Expand File", u"DriverDirfiles", u"2");
  Put(ini, u"Expand File", u"DriverDir1", u"missing.exe");  // cannot start: skipped
  Put(ini, u"Expand File", u"DriverDir2", u"marker.exe");
  kvp::TakeProcessStarts();
  InstRunExpandPrograms(ctx_);
  auto starts = kvp::TakeProcessStarts();
  ASSERT_EQ(starts.size(), 3u);
  WCHAR sys[260] = {};
  CfgGetSystemDir(sys, 260, ctx_);
  EXPECT_EQ(starts[0].application, DriverDir() + u"marker.exe");
  EXPECT_EQ(starts[0].directory, std::u16string(sys));
  EXPECT_EQ(starts[0].flags, DWORD(STARTF_USESHOWWINDOW));
  EXPECT_EQ(starts[0].showWindow, SW_HIDE);
  EXPECT_FALSE(starts[0].inheritHandles);
  EXPECT_NE(starts[1].error, 0u);
  EXPECT_EQ(starts[2].directory, DriverDir());
  EXPECT_TRUE(fs::exists(Host(std::u16string(sys) + u"\\marker.txt")));
  EXPECT_TRUE(fs::exists(Host(DriverDir() + u"marker.txt")));
}

// ---- Quality lists.

class QualityImport : public InstDefaults {
 protected:
  void SetUp() override {
    InstDefaults::SetUp();
    region_ = CfgGetRsdSection(ctx_);
    defaults_ = DriverDir() + u"kvdef.ini";
    Put(defaults_, region_.c_str(), u"NumDefqualityfiles", u"2");
    Put(defaults_, region_.c_str(), u"Defqualityfiles1", (DriverDir() + u"Q1.rsq").c_str());
    Put(defaults_, region_.c_str(), u"Defqualityfiles2", (DriverDir() + u"Q2.rsq").c_str());
    Put(DriverDir() + u"Q1.rsq", region_.c_str(), u"qualityname", u"Fine lines");
    Put(DriverDir() + u"Q2.rsq", region_.c_str(), u"RstVersion", u"322");  // no name
  }
  std::u16string UserCopy(const char16_t* name) {
    WCHAR p[260] = {};
    CfgMakeUserSettingsPath(p, name, 260, ctx_);
    return p;
  }
  std::u16string region_;
};

TEST_F(QualityImport, TheFlagsDecideListCopiesAndMark) {
  struct Case {
    const char* what;
    DWORD flags;
    int count;        // "QualityCount" afterwards (-1: untouched)
    bool userCopies;  // the user copies exist afterwards
    bool marked;      // "DrvInstQualityDone"
  } cases[] = {
      {"nothing", 0, -1, false, false},
      {"list", 0x1, 2, false, false},
      {"install", 0x2, -1, true, false},
      {"list and install, first", 0x103, 2, true, true},
      {"install then delete", 0x22, -1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put(Ini(), Section().c_str(), u"QualityCount", u"7");
    WritePrivateProfileStringW(region_.c_str(), u"DrvInstQualityDone", nullptr, defaults_.c_str());
    fs::remove(Host(UserCopy(u"Q1.rsr")));
    fs::remove(Host(UserCopy(u"Q2.rsr")));
    EXPECT_EQ(InstImportInstalledQualities(defaults_.c_str(), region_.c_str(), c.flags, ctx_), 1);
    EXPECT_EQ(Get(Ini(), Section().c_str(), u"QualityCount"), c.count < 0 ? u"7" : kvp::FromUtf8(std::to_string(c.count)));
    EXPECT_EQ(fs::exists(Host(UserCopy(u"Q1.rsr"))), c.userCopies);
    EXPECT_EQ(Get(defaults_, region_.c_str(), u"DrvInstQualityDone"), c.marked ? u"1" : u"<none>");
    if (c.count == 2) {
      EXPECT_EQ(Get(Ini(), Section().c_str(), u"QualityList0"), UserCopy(u"Q1.rsr"));
      EXPECT_EQ(Get(Ini(), Section().c_str(), u"QualityList0Name"), u"Fine lines");
      EXPECT_EQ(Get(Ini(), Section().c_str(), u"QualityList1Name"), u"");
    }
  }
}

TEST_F(QualityImport, EmptyListsAndFailedCopies) {
  // No quality files: 1, but a rebuild still empties the list.
  Put(defaults_, region_.c_str(), u"NumDefqualityfiles", u"0");
  Put(Ini(), Section().c_str(), u"QualityCount", u"3");
  EXPECT_EQ(InstImportInstalledQualities(defaults_.c_str(), region_.c_str(), 0x1, ctx_), 1);
  EXPECT_EQ(Get(Ini(), Section().c_str(), u"QualityCount"), u"0");
  // A listed file whose driver-folder copy is missing cannot be installed: the import answers 0, also
  // when a later file installs; an entry that does not exist anywhere is skipped.
  Put(defaults_, region_.c_str(), u"NumDefqualityfiles", u"3");
  WCHAR elsewhere[260] = {};
  CfgMakeDataFilePath(elsewhere, 260, u"Q3.rsq", ctx_);
  Put(elsewhere, region_.c_str(), u"qualityname", u"Elsewhere");
  Put(defaults_, region_.c_str(), u"Defqualityfiles1", elsewhere);
  Put(defaults_, region_.c_str(), u"Defqualityfiles3", u"");
  EXPECT_EQ(InstImportInstalledQualities(defaults_.c_str(), region_.c_str(), 0x102, ctx_), 0);
  EXPECT_EQ(Get(defaults_, region_.c_str(), u"DrvInstQualityDone"), u"<none>");
}

// ---- Default presets and the pack installation.

TEST_F(InstDefaults, ThePackInstallationRunsOnce) {
  std::u16string ini = Ini(), section = Section();
  struct Case {
    const char* what;
    int mode;
    const char16_t* packDone;
    BYTE biDirect;
    bool runs;
  } cases[] = {
      {"device sheet of a printer set up by a batch", 2, u"1", 0, false},
      {"document sheet with two-way communication", 0, u"0", 1, true},
      {"device sheet", 2, u"0", 0, true},
      {"install", 1, u"0", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WritePrivateProfileStringW(section.c_str(), u"PresetRefresh", nullptr, ini.c_str());
    Put(ini, section.c_str(), u"PackInstallDone", c.packDone);
    StgSetValue(ctx_, sid::rdmBiDirect, c.biDirect);
    EXPECT_EQ(InstRunPackInstall(ctx_, c.mode), 1);
    EXPECT_EQ(Get(ini, section.c_str(), u"PresetRefresh"), c.runs ? u"1" : u"<none>");
    if (!c.runs) continue;
    // A second call in any mode is silent and changes nothing.
    for (int mode : {0, 1, 2}) EXPECT_EQ(InstRunPackInstall(ctx_, mode), 1);
    EXPECT_EQ(Get(ini, section.c_str(), u"PresetRefresh"), u"1");
  }
  DWORD type = 0, v = 0, got = 0;
  EXPECT_EQ(GetPrinterDataW(printer_, const_cast<LPWSTR>(u"PresetRefresh"), &type, reinterpret_cast<LPBYTE>(&v),
                            sizeof v, &got),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(v, 1u);
}

TEST_F(InstDefaults, SafeNamesForTheDriverFolder) {
  struct Case {
    const char16_t* name;
    int safe;
  } cases[] = {{u"kvdef.ini", 1}, {u"sub\\kvdef.ini", 1}, {u"..\\kvdef.ini", 0}, {u"a\\..\\..\\x", 0},
               {u"C:\\Any\\kvdef.ini", 1}, {u"a/../x", 0}};
  for (const Case& c : cases) EXPECT_EQ(InstIsSafeDriverRelativeName(c.name), c.safe) << kvp::ToUtf8(c.name);
}

}  // namespace
