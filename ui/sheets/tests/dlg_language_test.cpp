// UI language lookups: the locale table with its sub-language rule, the region rows' languages, and the
// help-file name of the printer's driver with its fall-backs.
#include "inst_registration.h"
#include "kvplat/sysinfo.h"
#include "sheets/dlg_language.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

TEST(UiLanguage, LocalesLanguagesAndRegions) {
  struct Case {
    LCID lcid;
    WORD region;
  };
  // A row without sub-language answers only a request without one, so the common locales find none.
  for (Case c : std::initializer_list<Case>{{0x0804, 16}, {0x0404, 17}, {0x0409, DLG_NO_REGION}, {0x0407, DLG_NO_REGION},
                                            {0x0411, DLG_NO_REGION}, {0x0011, 0}, {0x0007, 4}, {0x0412 & 0x3FF, 18},
                                            {0x10804, 16}, {0x0C04, DLG_NO_REGION}}) {
    SCOPED_TRACE(c.lcid);
    EXPECT_EQ(DlgLcidLanguageIndex(c.lcid), c.region);
  }
  EXPECT_EQ(DlgLanguageIndexOf(0x07, 0), 4);
  EXPECT_EQ(DlgLanguageIndexOf(0x04, 0), 16);  // the first row of the language
  EXPECT_EQ(DlgLanguageIndexOf(0x04, 1), 17);
  EXPECT_EQ(DlgLanguageIndexOf(0x04, 3), DLG_NO_REGION);
  EXPECT_EQ(DlgLanguageIndexOf(0x99, 0), DLG_NO_REGION);
  EXPECT_EQ(DlgLanguageEntry(18), 0x12);
  EXPECT_EQ(DlgLanguageEntry(16), 0x04);
  EXPECT_EQ(DlgLanguageEntry(19), 0);
  EXPECT_EQ(DlgLanguageEntry(0x100 + 4), 0x07);  // taken as a byte
}

class HelpFileLanguage : public SheetsTest {
 protected:
  // A printer of a copy of the model's driver that names `helpFile`; a context of it.
  SETTING_CONTEXT* PrinterWithHelpFile(const std::u16string& driver, const std::u16string& helpFile) {
    DWORD need = 0;
    GetPrinterDriverW(printer_, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buf(need);
    if (!GetPrinterDriverW(printer_, nullptr, 3, buf.data(), need, &need)) return nullptr;
    DRIVER_INFO_3W di = *reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
    std::u16string name = driver, help = helpFile, printer = u"Help " + driver;
    di.pName = name.data();
    di.pHelpFile = help.data();
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di))) return nullptr;
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = printer.data();
    pi.pDriverName = name.data();
    HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    if (!h) return nullptr;
    handles_.push_back(h);
    SETTING_CONTEXT* ctx = StgCreateContextEx(h, h, nullptr, 0, STG_KIND_UI, 0, nullptr);
    if (ctx) contexts_.push_back(ctx);
    return ctx;
  }
  void TearDown() override {
    for (SETTING_CONTEXT* c : contexts_) StgReleaseContext(c, STG_RELEASE_FREE);
    for (HANDLE h : handles_) ClosePrinter(h);
    SheetsTest::TearDown();
  }
  std::vector<SETTING_CONTEXT*> contexts_;
  std::vector<HANDLE> handles_;
};

TEST_F(HelpFileLanguage, TwoLettersBeforeTheExtension) {
  struct Case {
    const char16_t* driver;
    const char16_t* help;
    WORD region;
    const char16_t* code;
  };
  for (Case c : std::initializer_list<Case>{{u"D1", u"C:\\Help\\KV8350gm.hlp", 4, u"gm"},
                                            {u"D2", u"KV8350JP.HLP", 0, u"jp"},        // named in the driver folder
                                            {u"D3", u"C:\\Help\\KV8350zz.hlp", 1, u"us"},  // letters of no region
                                            {u"D4", u"C:\\Help\\x.hlp", 1, u"us"},         // one letter only
                                            {u"D5", u"C:\\Help\\KV8350gm", 1, u"us"},      // no extension
                                            {u"D6", u"", 1, u"us"}}) {                      // no help file
    SCOPED_TRACE(kvp::ToUtf8(c.help));
    SETTING_CONTEXT* ctx = PrinterWithHelpFile(c.driver, c.help);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(DlgHelpFileLanguageIndex(ctx), c.region);
    EXPECT_EQ(std::u16string(DlgHelpFileLanguageCode(ctx)), c.code);
  }
  EXPECT_EQ(DlgHelpFileLanguageIndex(nullptr), 1);
  EXPECT_EQ(std::u16string(DlgHelpFileLanguageCode(nullptr)), u"us");
}

TEST_F(HelpFileLanguage, HelpFileNameNeedsABackslash) {
  SETTING_CONTEXT* ctx = PrinterWithHelpFile(u"D7", u"C:\\Help\\KV8350fr.hlp");
  ASSERT_NE(ctx, nullptr);
  WCHAR name[64] = u"keep";
  EXPECT_EQ(UiGetHelpFileName(ctx->printer, name, 64, ctx), 1);
  EXPECT_EQ(std::u16string(name), u"KV8350fr.hlp");
  EXPECT_EQ(UiGetHelpFileName(ctx->printer, name, 7, ctx), 1);  // cut to the capacity
  EXPECT_EQ(std::u16string(name), u"KV8350");
  WCHAR untouched[8] = u"keep";
  EXPECT_EQ(UiGetHelpFileName(nullptr, untouched, 8, ctx), 0);
  EXPECT_EQ(std::u16string(untouched), u"keep");
}

TEST_F(SheetsTest, UserLocaleOfTheMachine) {
  ASSERT_EQ(kvp::ProfileSet("UserLocale", std::to_string(0x0804)), 0u);
  EXPECT_EQ(DlgUserLanguageIndex(), 16);
  ASSERT_EQ(kvp::ProfileSet("UserLocale", std::to_string(0x0409)), 0u);
  EXPECT_EQ(DlgUserLanguageIndex(), DLG_NO_REGION);
}
