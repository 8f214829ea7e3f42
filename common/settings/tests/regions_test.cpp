// Regions: the table and its lookups, the region of a help-file name and of the printer's help file,
// and the country class of the user locale with the defaults it writes.
#include "config/paths.h"
#include "platform_queries_fixture.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"

using namespace kvcfgtest;

TEST(Regions, TableHasEveryRegionOnceAndEndsWithTheMarker) {
  const REGION_ROW* t = StgGetRegionTable();
  int n = 0;
  bool seen[19] = {};
  for (; t[n].regionId != STG_REGION_END; ++n) {
    ASSERT_LT(t[n].regionId, 19);
    EXPECT_FALSE(seen[t[n].regionId]);
    seen[t[n].regionId] = true;
    EXPECT_EQ(kvp::WLen(t[n].code), 2u);
  }
  EXPECT_EQ(n, 19);
  EXPECT_EQ(t[18].regionId, 15);  // "ru" stands last
  // Every code finds its id in either case, and every id its code.
  for (int i = 0; i < n; ++i) {
    std::u16string upper = S(t[i].code);
    for (auto& ch : upper) ch = (WCHAR)(ch - 32);
    SCOPED_TRACE(kvp::ToUtf8(upper));
    EXPECT_EQ(StgRegionIdOfCode(t[i].code), t[i].regionId);
    EXPECT_EQ(StgRegionIdOfCode(upper.c_str()), t[i].regionId);
    EXPECT_EQ(StgRegionCodeOfId(t[i].regionId), t[i].code);
    EXPECT_EQ(StgNormalizeRegionCode(upper.c_str()), t[i].code);
  }
}

TEST(Regions, CodesAndIds) {
  struct Case {
    const WCHAR* code;
    int id;
    std::u16string normal;
  };
  const Case cases[] = {{u"us", 1, u"us"}, {u"US", 1, u"us"}, {u"Us", 1, u"us"}, {u"JP", 0, u"jp"},
                        {u"ru", 15, u"ru"}, {u"Ct", 17, u"ct"}, {u"xx", 1, u"us"}, {u"", 1, u"us"},
                        {nullptr, 1, u"us"}, {u"usa", 1, u"us"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.code ? kvp::ToUtf8(k.code) : "null");
    EXPECT_EQ(StgRegionIdOfCode(k.code), k.id);
    EXPECT_EQ(S(StgNormalizeRegionCode(k.code)), k.normal);
  }
  EXPECT_EQ(S(StgRegionCodeOfId(15)), u"ru");
  EXPECT_EQ(S(StgRegionCodeOfId(19)), u"us");
  EXPECT_EQ(S(StgRegionCodeOfId(0)), u"jp");
  EXPECT_EQ(StgIsKnownRegion(18), 1);
  EXPECT_EQ(StgIsKnownRegion(19), 0);
  EXPECT_EQ(StgIsKnownRegion(0xFFFF), 0);
}

TEST(Regions, LanguageIdsWithSubLanguage) {
  WORD sub = 77;
  EXPECT_EQ(StgGetRegionLangId(16, &sub), 0x04);
  EXPECT_EQ(sub, 2);
  EXPECT_EQ(StgGetRegionLangId(17, &sub), 0x04);
  EXPECT_EQ(sub, 1);
  EXPECT_EQ(StgGetRegionLangId(1, &sub), 0x09);
  EXPECT_EQ(sub, 0);
  sub = 5;
  EXPECT_EQ(StgGetRegionLangId(99, &sub), 0);
  EXPECT_EQ(sub, 0);
  EXPECT_EQ(StgGetRegionLangId(0, nullptr), 0x11);
}

TEST(Regions, FileNames) {
  struct Case {
    const WCHAR* name;
    int id;
    std::u16string code;
  };
  const Case cases[] = {
      {u"helpjp.chm", 0, u"jp"},
      {u"C:\\Help\\KV8350GM.HLP", 4, u"gm"},
      {u"C:\\he.lp\\helpjp", 1, u"us"},   // no extension: the dot is in a folder name
      {u"jp.chm", 0, u"jp"},
      {u"p.chm", 1, u"us"},                // fewer than two characters before the extension
      {u".chm", 1, u"us"},
      {u"helpxx.chm", 1, u"us"},
      {nullptr, 1, u"us"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name ? kvp::ToUtf8(k.name) : "null");
    EXPECT_EQ(StgRegionIdOfFileName(k.name), k.id);
    EXPECT_EQ(S(StgRegionCodeOfFileName(k.name)), k.code);
  }
}

class RegionContext : public MachineTest {};

TEST_F(RegionContext, HelpFileOfThePrinterAndTheContextRegion) {
  HANDLE h = AddPrinter(u"Plotter");
  SETTING_CONTEXT* c = Context(h, 0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(StgGetHelpFileRegionId(c), 1);  // absent
  EXPECT_EQ(S(StgGetHelpFileRegionCode(c)), u"us");
  std::u16string help = u"helpjp.chm";
  ASSERT_EQ(SetPrinterDataW(h, (LPWSTR)u"HelpFileName", REG_SZ, (LPBYTE)help.c_str(),
                            (DWORD)(help.size() + 1) * 2),
            (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(StgGetHelpFileRegionId(c), 0);
  EXPECT_EQ(S(StgGetHelpFileRegionCode(c)), u"jp");
  EXPECT_EQ(S(CfgGetInstalledRegionCode(c)), u"jp");
  // An over-long value is cut within the work area's text buffer.
  std::u16string huge(3000, u'a');
  huge += u"fr.chm";
  SetPrinterDataW(h, (LPWSTR)u"HelpFileName", REG_SZ, (LPBYTE)huge.c_str(), (DWORD)(huge.size() + 1) * 2);
  EXPECT_EQ(StgGetHelpFileRegionId(c), 1);

  StgSetValue(c, sid::rdmLanguageID, 4);
  EXPECT_EQ(S(StgGetRegionCode(c)), u"gm");
  EXPECT_EQ(S(CfgGetRegionSection(c)), u"gm");
  StgSetValue(c, sid::rdmLanguageID, 42);
  EXPECT_EQ(S(StgGetRegionCode(c)), u"us");
  StgReleaseContext(c, STG_RELEASE_FREE);
}

TEST_F(RegionContext, CountryClassOfTheUserLocale) {
  HANDLE h = AddPrinter(u"Plotter");
  SETTING_CONTEXT* c = Context(h, 0);
  ASSERT_NE(c, nullptr);
  struct Case {
    const char* locale;
    WORD cls, paper, inch;
  };
  const Case cases[] = {{"0x0409", 1, 1, 1}, {"0x0C0C", 2, 1, 1}, {"0x080A", 5, 1, 1},
                        {"0x0407", 0, 9, 0}, {"0x0411", 0, 9, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.locale);
    SetSwitch("UserLocale", k.locale);
    EXPECT_EQ(CfgGetCountryClass(c), k.cls);
    CfgApplyCountryClass(c);
    EXPECT_EQ(c->work->countryClass[0], k.paper);
    EXPECT_EQ(c->work->countryClass[1], k.inch);
    EXPECT_EQ(c->work->countryClass[2], k.cls);
    EXPECT_EQ(StgGetValue(c, sid::rdmLocaleID, nullptr), k.cls);
  }
  StgReleaseContext(c, STG_RELEASE_FREE);
}
