// Units and derived settings: the conversion table with its rounding in both unit systems, the
// custom-size limits, display conversions through a context, change flags, charsets, output and fit
// papers, the fitted scale, the balance macro, driver id and chapter limits from the INI files, the
// small tests, and the print-notification query with its library present, partial, failing or absent.
#include <cstring>

#include "config/paths.h"
#include "settings/modules.h"
#include "platform_queries_fixture.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "tests/stand_ins/stand_in_answer.h"

using namespace kvcfgtest;

TEST(UnitConversions, TableOfCases) {
  struct Case {
    const char* what;
    DWORD got, want;
  };
  const Case cases[] = {
      {"210.0 mm to dots (9921 lowered to even)", StgLengthToDots(STG_UNIT_METRIC, 2100, 1200), 9920},
      {"210.0 mm at 600 dpi", StgLengthToDots(STG_UNIT_METRIC, 2100, 600), 4960},
      {"9920 dots shown metric", StgDotsToLength(STG_UNIT_METRIC, 9920, 1200), 2100},
      {"9920 dots shown in inches", StgDotsToLength(STG_UNIT_INCH, 9920, 1200), 827},
      {"8.27 in to dots", StgLengthToDots(STG_UNIT_INCH, 827, 1200), 9924},
      {"inches convert exactly", StgLengthToDots(STG_UNIT_INCH, 1100, 1200), 13200},
      {"dots at 600 taken to 1200 first", StgDotsToLength(STG_UNIT_METRIC, 4960, 600), 2100},
      {"unknown unit flag", StgLengthToDots(3, 2100, 1200), 0},
      {"unknown unit flag back", StgDotsToLength(0, 9920, 1200), 0},
      {"dots to tenth mm", StgDotsToTenthMm(1200, 1200), 254},
      {"dots to tenth mm, dpi 0", StgDotsToTenthMm(1200, 0), 0},
      {"dots to hundredth inch", StgDotsToHundredthInch(1200, 1200), 100},
      {"dots to hundredth inch, dpi below 100", StgDotsToHundredthInch(1200, 99), 0},
      {"tenth mm to dots", StgTenthMmToDots(254, 1200), 1200},
      {"hundredth inch to dots", StgHundredthInchToDots(100, 600), 600},
      {"rescale", StgRescale(9920, 1200, 600), 4960},
      {"rescale without overflow", StgRescale(4000000000u, 1200, 1200), 4000000000u},
      {"rescale from 0 dpi", StgRescale(9920, 0, 600), 0},
      {"rescale to 0 dpi", StgRescale(9920, 1200, 0), 0},
      {"zero length", StgLengthToDots(STG_UNIT_METRIC, 0, 1200), 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_EQ(k.got, k.want);
  }
  EXPECT_EQ(StgMulDiv(100, 3, 0), -1);
  EXPECT_EQ(StgMulDiv(-10, 3, 2), -15);
  EXPECT_EQ(StgMulDiv(2000000000, 2, 4), 1000000000);
}

// Converting a length to dots and back never gives a different length, and never fewer dots.
TEST(UnitConversions, RoundTripsAreStable) {
  for (int flag : {STG_UNIT_METRIC, STG_UNIT_INCH})
    for (DWORD len = 1; len < 5000; len += 7) {
      DWORD dots = StgLengthToDots(flag, len, 1200);
      ASSERT_EQ(dots % 2, 0u);
      DWORD back = StgDotsToLength(flag, dots, 1200);
      ASSERT_LE(back, len) << flag << " " << len;
      ASSERT_GE(StgLengthToDots(flag, StgDotsToLength(flag, dots + 1, 1200), 1200) + 1, dots + 1);
    }
}

class Units : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    printer_ = AddPrinter(u"Plotter");
    ctx_ = Context(printer_, 0);
    ASSERT_NE(ctx_, nullptr);
    ASSERT_NE(ctx_->store, nullptr);
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  void Inch(bool on) { StgSetValue(ctx_, sid::rdmDspUnit, on ? 1 : 0); }
  DWORD V(WORD id) { return (DWORD)StgGetValue(ctx_, id, nullptr); }

  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(Units, DisplayConversionsFollowTheDisplayUnit) {
  Inch(false);
  EXPECT_EQ(StgIsMetric(ctx_), 1);
  EXPECT_EQ(StgDotsToDisplayUnits(ctx_, 0, 9920), 2100);
  EXPECT_EQ(StgDotsToDisplayUnits(ctx_, 0, -5), 0);
  EXPECT_EQ(StgDisplayUnitsToDots(ctx_, 0, -1), 0);
  EXPECT_EQ(StgDisplayUnitsToDots(ctx_, sid::wdmFreeSizeWidth, 2100), 9920);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmFreeSizeWidth, nullptr), 9920u);
  EXPECT_EQ(StgDotsToDisplayUnits(ctx_, sid::wdmFreeSizeWidth, 0), 2100);
  Inch(true);
  EXPECT_EQ(StgIsMetric(ctx_), 0);
  EXPECT_EQ(StgDotsToDisplayUnits(ctx_, sid::wdmFreeSizeWidth, 0), 827);
  EXPECT_EQ(StgDisplayUnitsToDots(ctx_, 0, 827), 9924);
}

TEST_F(Units, CustomSizeLimitsInBothUnits) {
  struct Case {
    bool inch;
    WORD id;
    LONG mn, mx;
  };
  const Case cases[] = {
      {false, sid::wdmFreeSizeWidth, 2100, 9144},
      {false, sid::wdmFreeSizeLength, 2570, 150000},
      {true, sid::wdmFreeSizeWidth, 827, 3600},
      {true, sid::wdmFreeSizeLength, 1012, 59055},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.id) + (k.inch ? " inch" : " metric"));
    Inch(k.inch);
    LONG mn = -1, mx = -1;
    EXPECT_EQ(StgGetCustomSizeLimits(ctx_, k.id, &mn, &mx), 1);
    EXPECT_EQ(mn, k.mn);
    EXPECT_EQ(mx, k.mx);
  }
  LONG mn = 7, mx = 7;
  EXPECT_EQ(StgGetCustomSizeLimits(ctx_, sid::dmPaperSize, &mn, &mx), 0);
  EXPECT_EQ(mn, 7);
}

TEST_F(Units, ChangeFlagsAndLastError) {
  StgRaiseChangeFlags(ctx_, 0x00020011);
  StgRaiseChangeFlags(ctx_, 0x0001002D);
  EXPECT_EQ(StgGetChangeFlags(ctx_), 0x0003002Du);
  StgRaiseChangeFlags(ctx_, 0x00400000);  // flags only: the number stays
  EXPECT_EQ(StgGetChangeFlags(ctx_), 0x0043002Du);
  StgRaiseChangeFlags(ctx_, 0);
  EXPECT_EQ(StgGetChangeFlags(ctx_), 0u);

  for (DWORD& w : ctx_->work->changeWords) w = 0x14000000;
  StgClearChangeFlags(ctx_, 0x10000000);
  for (DWORD w : ctx_->work->changeWords) EXPECT_EQ(w, 0x04000000u);
  StgClearChangeFlags(ctx_, 0x04000000);
  EXPECT_EQ(ctx_->work->changeWords[STG_CHANGE_WORD_CURRENT], 0u);
  for (DWORD i = 0; i < STG_UNDO_DEPTH; ++i) EXPECT_EQ(ctx_->work->changeWords[i], 0x04000000u);

  StgSetLastError(ctx_, 1223);
  EXPECT_EQ(StgGetLastError(ctx_), 1223u);
  EXPECT_EQ(StgGetLastError(nullptr), 0u);
}

TEST_F(Units, CharsetCodeOfTheAnsiCodePage) {
  struct Case {
    const char* acp;
    DWORD code;
  };
  for (const Case& k : {Case{"932", 1}, Case{"1252", 2}, Case{"1250", 3}, Case{"874", 12}, Case{"437", 0}}) {
    SCOPED_TRACE(k.acp);
    SetSwitch("ACP", k.acp);
    EXPECT_EQ(StgGetAcpCharsetCode(), k.code);
  }
  EXPECT_EQ(StgCharsetCodeOfCharset(129), 13u);  // Hangul and Johab share a code
  EXPECT_EQ(StgCharsetCodeOfCharset(130), 13u);
  SetSwitch("ACP", "932");
  StgSetValue(ctx_, sid::rdmAuthUserNameCharSet, 0);
  StgSetCharsetSettings(ctx_, 2);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmAuthUserNameCharSet, nullptr), 0u);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmAuthPasswordCharSet, nullptr), 1u);
  StgSetCharsetSetting(ctx_, sid::rdmCharSet);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmCharSet, nullptr), 1u);
}

TEST_F(Units, OutputAndFitPaper) {
  // The job-settings module answers the fit-paper event: the fit paper is the small standard paper.
  StgSetValue(ctx_, sid::dmPaperSize, 8);
  StgSetValue(ctx_, sid::rdmDriverType, 0);
  EXPECT_EQ(StgUsesInchPapers(ctx_), 0);
  EXPECT_EQ(StgGetFitPaper(ctx_), 9u);
  StgSetValue(ctx_, sid::rdmDriverType, 1);
  StgSetValue(ctx_, sid::rdmLocaleID, 1);
  EXPECT_EQ(StgUsesInchPapers(ctx_), 1);
  EXPECT_EQ(StgGetFitPaper(ctx_), 1u);
  StgSetValue(ctx_, sid::rdmHiddenFunc16, 1);
  EXPECT_EQ(StgUsesInchPapers(ctx_), 0);

  StgSetValue(ctx_, sid::rdmOutPaperSize, 1024);
  EXPECT_EQ(StgNeedsFitPaper(ctx_), 0);
  EXPECT_EQ(StgGetOutputPaperSize(ctx_), 8u);  // dmPaperSize
  StgSetValue(ctx_, sid::rdmOutPaperSize, 1026);
  EXPECT_EQ(StgGetOutputPaperSize(ctx_), StgGetFitPaper(ctx_));
  StgSetValue(ctx_, sid::rdmOutPaperSize, 9);
  EXPECT_EQ(StgGetOutputPaperSize(ctx_), 9u);
  // Larger than the fit paper: A3 against A4.
  EXPECT_EQ(StgIsLargerThanFitPaper(ctx_, 8), 1);
}

TEST_F(Units, FittedScaleAndItsZeroSource) {
  // An A1 page fitted to the fit paper (A4 here): the geometry comes from the image at 600 dpi.
  StgSetValue(ctx_, sid::rdmOutPaperSize, 1025);
  StgSetValue(ctx_, sid::dmPaperSize, 268);
  StgUpdatePaperSettings(ctx_, 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmSrcPaperWidthDot, nullptr), 14031u);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmScaleH, nullptr), 35u);  // min(4960 / 14031, 7016 / 19866)
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmScaleV, nullptr), 35u);
  // Regression: a source dimension of 0 used to give a scale of -1; it keeps 100. A paper the image
  // does not know leaves the source geometry as it is.
  StgSetValue(ctx_, sid::dmPaperSize, 77);
  StgSetOptionValue(ctx_, sid::rdmSrcPaperWidthDot, 0);
  StgUpdatePaperSettings(ctx_, 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmScaleH, nullptr), 100u);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmScaleV, nullptr), 100u);
  // Output 1024 without scaling: 100.
  StgSetOptionValue(ctx_, sid::rdmScaleH, 55);
  StgSetValue(ctx_, sid::rdmOutPaperSize, 1024);
  StgSetValue(ctx_, sid::rdmFuncSelectScale, 0);
  StgUpdatePaperSettings(ctx_, 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmScaleH, nullptr), 100u);
}

TEST_F(Units, BalanceMacroOfAResolution) {
  StgSetMacroForResolution(600, ctx_);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmBalanceMacro, nullptr), 17u);
  StgSetMacroForResolution(1200, ctx_);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmBalanceMacro, nullptr), 18u);
  StgSetValue(ctx_, sid::rdmLock000InfoBitResolution, 1);
  StgSetMacroForResolution(300, ctx_);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmBalanceMacro, nullptr), 18u);
}

TEST_F(Units, DriverIdAndChapterLimitsFromTheIniFiles) {
  StgLoadDriverId(ctx_);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmDriverID, nullptr), 0u);  // no model INI
  WriteFile(std::u16string(kDriverDir) + u"kvdrvmod.ini",
            "[Models]\r\nKAVRO Lumeta QT M8350 ZARN=M8350\r\n[KAVRO Lumeta QT M8350 ZARN]\r\nDriverID=104\r\n");
  StgLoadDriverId(ctx_);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmDriverID, nullptr), 104u);

  const WCHAR* ini = CfgGetIniPath(ctx_);
  ASSERT_NE(ini, nullptr);
  WriteFile(S(ini), "[Plotter]\r\nChapterMax=12\r\nChapterTrayMax=3\r\n");
  StgLoadChapterLimits(ctx_);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmChapterMax, nullptr), 12u);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmChapterTrayMax, nullptr), 3u);
}

TEST_F(Units, LocksAndSmallTests) {
  struct Lock {
    WORD id;
    int (*test)(SETTING_CONTEXT*);
  };
  const Lock locks[] = {{10418, StgIsDefaultLocked},   {10419, StgIsTrayLocked},       {10420, StgIsMediaLocked},
                        {10421, StgIsNupKindLocked},   {10422, StgIsNupKindAllLocked}, {10423, StgIsDuplexLocked},
                        {10424, StgIsPrintTypeLocked}, {10425, StgIsResolutionLocked}, {10426, StgIsColorLocked}};
  EXPECT_EQ(StgAnyAdminLock(ctx_), 0);
  for (const Lock& l : locks) {
    SCOPED_TRACE(l.id);
    EXPECT_EQ(l.test(ctx_), 0);
    StgSetValue(ctx_, l.id, 1);
    EXPECT_EQ(l.test(ctx_), 1);
    EXPECT_EQ(StgAnyAdminLock(ctx_), 1);
    StgSetValue(ctx_, l.id, 0);
  }
  StgSetValue(ctx_, 10433, 1);
  EXPECT_EQ(StgAnyAdminLock(ctx_), 1);

  for (DWORD r = 0; r <= 19; ++r) {
    StgSetValue(ctx_, sid::rdmLanguageID, r);
    EXPECT_EQ(StgIsEuropeanRegion(ctx_), r >= 2 && r <= 15) << r;
  }
  StgSetValue(ctx_, sid::wdmCustomFunc0 + 5, 1);
  EXPECT_EQ(StgGetCustomFuncBit(ctx_, sid::wdmCustomFunc0 + 5), 1u);
  EXPECT_EQ(StgGetCustomFuncBit(ctx_, sid::dmPaperSize), 0u);
  EXPECT_EQ(StgHasFeatureBit15(), 0);
  EXPECT_EQ(StgRequestDeviceDataLoad(ctx_), 1);
  StgSetDeviceQueryValue(1, sid::rdmBalanceMacro, 17, ctx_);
  EXPECT_EQ(V(sid::rdmBalanceMacro), 17u);
  EXPECT_EQ(StgIsSettingExcluded(ctx_, 0), 0);
}

TEST(UnitSmallTests, NameCharacters) {
  struct Case {
    DWORD ch;
    int kind, valid;
  };
  const Case cases[] = {{8, 1, 1},   {31, 1, 0},  {32, 1, 1},  {'"', 1, 0}, {'"', 2, 1},
                        {255, 1, 1}, {256, 2, 0}, {'a', 3, 0}, {8, 2, 1},   {0x3042, 1, 0}};
  for (const Case& k : cases) EXPECT_EQ(StgIsValidNameChar(k.ch, k.kind), k.valid) << k.ch << " kind " << k.kind;
}

TEST(UnitSmallTests, NextListOptionOnlyForListNodes) {
  // Node and option records as the relocated image holds them: next at 0, type at 38.
  alignas(8) BYTE node[48] = {};
  alignas(8) BYTE second[24] = {}, first[24] = {};
  void* next = second;
  std::memcpy(first, &next, sizeof next);
  for (WORD type : {0x1, 0x2, 0x101, 0x201, 0x4, 0x8, 0x10}) {
    std::memcpy(node + 38, &type, 2);
    BYTE low = (BYTE)type;
    EXPECT_EQ(StgNextListOption(node, first), low == 1 || low == 2 ? (void*)second : nullptr) << type;
  }
  EXPECT_EQ(StgNextListOption(nullptr, first), nullptr);
}

class PrintNotification : public Units {
 protected:
  void Preset() {
    for (WORD id : {sid::rdmSupportFunc2SelectJobComplete, sid::rdmSupportFunc2SelectJobErr,
                    sid::rdmFunc2SelectJobComplete, sid::rdmFunc2SelectJobErr})
      StgSetValue(ctx_, id, 1);
  }
  static constexpr char16_t kLib[] = u"C:\\Windows\\System32\\KVPNInf.dll";
};

TEST_F(PrintNotification, MissingLibraryClearsTheCapability) {
  Preset();
  StgQueryPrintNotification(ctx_, 0);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobComplete), 0u);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobErr), 0u);
  EXPECT_EQ(V(sid::rdmFunc2SelectJobComplete), 1u);  // untouched
}

TEST_F(PrintNotification, AnswersOfTheLibrary) {
  PlaceModule("KVPNInf", kLib);
  Preset();
  Script("KVPNInf", "CapabilityBits=2\nValueBits=1\n");
  StgQueryPrintNotification(ctx_, 0);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobComplete), 0u);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobErr), 1u);
  EXPECT_EQ(V(sid::rdmFunc2SelectJobComplete), 1u);
  EXPECT_EQ(V(sid::rdmFunc2SelectJobErr), 0u);
  EXPECT_NE(CallLog("KVPNInf").find("KVGetPrintNotificationCapability Plotter"), std::string::npos);

  // Flag bit 0: no value query.
  std::filesystem::remove(root_.path() + "/companions/KVPNInf.log");
  Script("KVPNInf", "CapabilityBits=3\nValueBits=0\n");
  StgQueryPrintNotification(ctx_, 1);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobComplete), 1u);
  EXPECT_EQ(V(sid::rdmFunc2SelectJobComplete), 1u);
  EXPECT_EQ(CallLog("KVPNInf").find("KVGetPrintNotificationValue"), std::string::npos);

  // A failing value query leaves the values; a failing capability query clears the capability.
  Script("KVPNInf", "CapabilityBits=3\nValueResult=5\nValueBits=0\n");
  StgQueryPrintNotification(ctx_, 0);
  EXPECT_EQ(V(sid::rdmFunc2SelectJobComplete), 1u);
  Script("KVPNInf", "CapabilityResult=1\n");
  StgQueryPrintNotification(ctx_, 0);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobComplete), 0u);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobErr), 0u);
}

TEST_F(PrintNotification, LibraryWithoutTheValueExport) {
  PlaceModule("KVPNInf_novalue", kLib);
  Preset();
  Script("KVPNInf", "CapabilityBits=3\n");
  StgQueryPrintNotification(ctx_, 0);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobComplete), 0u);
  EXPECT_EQ(V(sid::rdmSupportFunc2SelectJobErr), 0u);
}
