// Resource strings and text conversion: the context's resource library (missing, then placed; both
// regions), strings cut to capacity, each decoration kind with its bounds, the limit formats that are
// never handed to a formatter, decimal text, the bitmap test, and bounded ANSI/wide conversion in the
// code pages 1252 and 932.
#include <cstring>

#include "config/free_size.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "kvplat/handle.h"
#include "kvtest/install_printer.h"
#include "settings/free_size_module.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"
#include "tests/stand_ins/stand_in_answer.h"

using namespace kvcfgtest;

namespace {
const std::u16string kDir = kDriverDir;
}

class ResourceStrings : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SetSwitch("ACP", "1252");
    printer_ = AddPrinter(u"Plotter");
    PlaceModule("kvcfgfix_us", kDir + u"KV8350us.DLL");
    PlaceModule("kvcfgfix_jp", kDir + u"KV8350jp.DLL");
    ctx_ = Context(printer_, 0);
    ASSERT_NE(ctx_, nullptr);
    StgSetValue(ctx_, sid::rdmLanguageID, 1);
    StgSetValue(ctx_, sid::rdmDspUnit, 0);
    CfgFreeContextLibraries(ctx_);  // creation may have loaded it before the region was set
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  std::u16string Load(DWORD id, int capacity = 256, int decorate = 1) {
    std::vector<WCHAR> buf((size_t)capacity + 8, u'#');
    CfgLoadString(ctx_, id, buf.data(), capacity, decorate);
    EXPECT_LT(kvp::WLen(buf.data()), (size_t)capacity) << id;
    EXPECT_EQ(buf[(size_t)capacity], u'#') << "written past the capacity";
    return S(buf.data());
  }
  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(ResourceStrings, LibraryPerContextAndRegion) {
  EXPECT_EQ(Load(30, 256, 0), u"Output Tray 2");
  EXPECT_NE(ctx_->resourceLib, nullptr);
  EXPECT_EQ(Load(4711), u"");  // no such string
  EXPECT_EQ(Load(50000, 16, 0), u"A text that is ");
  EXPECT_EQ(CfgFreeContextLibraries(ctx_), ctx_);
  EXPECT_EQ(ctx_->resourceLib, nullptr);
  // The double-byte region's library, chosen by rdmLanguageID.
  StgSetValue(ctx_, sid::rdmLanguageID, 0);
  EXPECT_EQ(Load(30, 256, 0), u"排紙トレイ2");
  EXPECT_EQ(Load(50000, 4, 0), u"日本語");
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeWidth, 9920);
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeLength, 14030);
  EXPECT_EQ(Load(752), u"ユーザー定義用紙(210.0 x 297.0 mm)");
  EXPECT_EQ(Load(752, 12), u"ユーザー定義用紙(21");
  CfgFreeContextLibraries(ctx_);
}

TEST_F(ResourceStrings, MissingLibraryIsTriedAgain) {
  std::filesystem::remove(Host(kDir + u"KV8350us.DLL"));
  EXPECT_EQ(Load(30), u"");
  EXPECT_EQ(CfgLoadResourceDll(ctx_), nullptr);
  PlaceModule("kvcfgfix_us", kDir + u"KV8350us.DLL");
  EXPECT_EQ(Load(30, 256, 0), u"Output Tray 2");
  // A missing library gives an empty, undecorated string.
  WCHAR buf[8] = u"xyz";
  CfgLoadString(nullptr, 30, buf, 8, 1);
  EXPECT_EQ(buf[0], 0);
}

TEST_F(ResourceStrings, TrayNames) {
  ITEM_DESC* row = StgFindItem(ctx_, sid::wdmPrintPostTray1Name + 1);
  ASSERT_NE(row, nullptr);
  StgSetString(ctx_, row, u"Bin A");
  EXPECT_EQ(Load(30), u"Output Tray 2:Bin A");
  EXPECT_EQ(Load(814), u"Tray 2:Bin A");
  EXPECT_EQ(Load(30, 10), u"Output Tr");  // cut at capacity - 1
  EXPECT_EQ(Load(30, 256, 0), u"Output Tray 2");
}

TEST_F(ResourceStrings, CustomSizesInBothUnitsAndTheEuropeanComma) {
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeWidth, 9920);
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeLength, 14030);
  EXPECT_EQ(Load(752), u"Custom Paper Size(210.0 x 297.0 mm)");
  StgSetValue(ctx_, sid::rdmLanguageID, 4);  // German: a European region; its library is the us one here
  PlaceModule("kvcfgfix_us", kDir + u"KV8350gm.DLL");
  CfgFreeContextLibraries(ctx_);
  EXPECT_EQ(Load(752), u"Custom Paper Size(210,0 x 297,0 mm)");
  StgSetValue(ctx_, sid::rdmLanguageID, 1);
  CfgFreeContextLibraries(ctx_);
  StgSetValue(ctx_, sid::rdmDspUnit, 1);
  EXPECT_EQ(Load(752), u"Custom Paper Size(8.27 x 11.70 in.)");
  EXPECT_EQ(Load(153), u" in.");
  StgSetValue(ctx_, sid::rdmDspUnit, 0);
  EXPECT_EQ(Load(153), u" mm");
  // Over-long decoration stays within the capacity.
  EXPECT_EQ(Load(752, 24), u"Custom Paper Size(210.0");
  // A slot of the roll tray in portrait: its width is held to that row's minimum (9920 dots).
  StgSetValue(ctx_, sid::wdmFreeSizeTray, 287);
  StgSetValue(ctx_, sid::wdmFreeSizeOrient, 1);
  StgSetOptionValue(ctx_, sid::wdmFreeSizeWidth, 5000);
  StgSetOptionValue(ctx_, sid::wdmFreeSizeLength, 14030);
  CfgStoreFreeSizeSlot(ctx_, 0);
  EXPECT_EQ(Load(109), u"Custom Size 1(210.0 x 297.0 mm)");
}

TEST_F(ResourceStrings, LimitFormatsAreFilledWithoutAFormatter) {
  EXPECT_EQ(Load(13275), u"Width 0 to 0");  // no custom-size dialog in use
  StgSetValue(ctx_, sid::rdmDspUnit, 1);
  EXPECT_EQ(Load(13275), u"Width 0.00 to 0.00");
  StgSetValue(ctx_, sid::rdmDspUnit, 0);
  ctx_->dialogInUse = 1017;
  EXPECT_EQ(Load(13275), u"Width 0 to 0");  // no limit row for tray 0
  // The roll tray in portrait.
  for (WORD id : {sid::wdmFreeSizeTray, sid::rdmPaperFreeSizeTray, sid::rdmPrintFreeSizeTray}) StgSetValue(ctx_, id, 287);
  for (WORD id : {sid::wdmFreeSizeOrient, sid::rdmPaperFreeSizeOrient, sid::rdmPrintFreeSizeOrient})
    StgSetValue(ctx_, id, 1);
  EXPECT_EQ(Load(13275), u"Width 210 to 914.4");
  EXPECT_EQ(Load(13273), u"Length 279.4 to 15000");
  // Conversions that are not ours stay as text; a number placeholder without a number gives nothing.
  EXPECT_EQ(Load(13276), u"Width %n 210-914.4 %x%");
  StgSetValue(ctx_, sid::rdmDspUnit, 1);
  EXPECT_EQ(Load(13275), u"Width 8.27 to 36.00");
  ctx_->dialogInUse = 1041;
  StgSetValue(ctx_, sid::rdmDspUnit, 0);
  EXPECT_EQ(Load(13273), u"Length 279.4 to 15000");
  EXPECT_EQ(Load(13275, 12), u"Width 210 t");
  ctx_->dialogInUse = 0;
}

TEST_F(ResourceStrings, ModuleTextsAndCustomMedia) {
  // Ids 565-580 name the colour-matching profiles: the profile's mode text replaces the loaded one.
  const WCHAR* ini = CfgGetIniPath(ctx_);
  kvtest::WriteMachineFile(ini, "");  // the driver INI that printer set-up leaves
  ASSERT_TRUE(CfgIniWriteString(u"us", u"CmmCount", u"1", ini));
  ASSERT_TRUE(CfgIniWriteString(u"ColorMatching0us", u"rdmColorMatchingMode", u"Vivid", ini));
  EXPECT_EQ(Load(565), u"Vivid");
  // The custom-media feature is off in this model: the loaded text stays.
  ITEM_DESC* row = StgFindItem(ctx_, sid::wdmCustomMedia1Name);
  ASSERT_NE(row, nullptr);
  StgSetString(ctx_, row, u"Glossy");
  EXPECT_EQ(Load(13708), u"Custom Media 1");
}

TEST(DecorationTable, RowsByKind) {
  int count[7] = {};
  const STRING_DECORATION_ROW* t = CfgGetStringDecorationTable();
  int n = 0;
  for (; t[n].stringId; ++n) ++count[t[n].kind];
  EXPECT_EQ(n, 79);
  EXPECT_EQ(count[1], 27);
  EXPECT_EQ(count[2], 14);
  EXPECT_EQ(count[3], 2);
  EXPECT_EQ(count[4], 16);
  EXPECT_EQ(count[5], 4);
  EXPECT_EQ(count[6], 16);
  ASSERT_NE(CfgFindStringDecoration(50025), nullptr);
  EXPECT_EQ(CfgFindStringDecoration(50025)->settingId, sid::wdmPrintPostTray1Name + 8);
  EXPECT_EQ(CfgFindStringDecoration(13723)->settingId, sid::wdmCustomMedia1Name + 15);
  EXPECT_EQ(CfgFindStringDecoration(0), nullptr);
  EXPECT_EQ(CfgFindStringDecoration(38), nullptr);
}

TEST(DecimalText, FormatAndComma) {
  struct Case {
    DWORD divisor;
    LONG value;
    std::u16string text;
  };
  const Case cases[] = {{10000, 123456, u"12.3456"}, {1, 123456, u"123456"}, {10, 2100, u"210.0"},
                        {100, 827, u"8.27"},         {1000, 5, u"0.005"},     {100000, 5, u"5"},
                        {0, 42, u"42"},              {10, 0, u"0.0"}};
  for (const Case& k : cases) {
    WCHAR buf[CFG_DECIMAL_TEXT];
    CfgFormatDecimal(buf, k.divisor, k.value, nullptr);
    EXPECT_EQ(S(buf), k.text) << k.divisor << " " << k.value;
  }
  WCHAR a[] = u"1.5 (2.5 x 3.5";
  CfgDecimalPointToComma(a);
  EXPECT_EQ(S(a), u"1.5 (2,5 x 3,5");
  WCHAR b[] = u"1.5 x 2.5";
  CfgDecimalPointToComma(b);
  EXPECT_EQ(S(b), u"1,5 x 2,5");
  CfgDecimalPointToComma(nullptr);
}

TEST(ResourceFormat, InsertsAndConversionsThatDoNotFit) {
  const WCHAR* texts[2] = {u"first", u"second"};
  const LONG numbers[10] = {1, -2, 3, 4, 5, 6, 7, 8, 9, 10};
  struct Case {
    const char* name;
    const char16_t* format;
    int textCount, numberCount;
    std::u16string text;
  };
  const Case cases[] = {
      {"texts in order", u"%s and %s", 2, 0, u"first and second"},
      {"numbers in order", u"%d/%i/%u", 0, 3, u"1/-2/3"},
      {"length modifiers", u"%ld %lu %hd %ls", 1, 3, u"1 4294967294 3 first"},
      {"percent", u"100%% sure%", 0, 0, u"100% sure%"},
      {"other conversions stay as written", u"%n %x %99999d %-5s %.3d", 2, 8, u"%n %x %99999d %-5s %.3d"},
      {"more conversions than inserts", u"%s %s %s %d %d", 2, 1, u"first second  1 "},
      {"numbers for a text placeholder", u"[%s] %d", 0, 2, u"[] 1"},
      {"at most eight numbers", u"%d%d%d%d%d%d%d%d%d%d", 0, 10, u"1-2345678"},
      {"no format", nullptr, 2, 2, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CFG_FORMAT_INSERTS args{texts, c.textCount, numbers, c.numberCount};
    WCHAR out[64];
    int n = CfgFormatResourceText(out, 64, c.format, &args);
    EXPECT_EQ(S(out), c.text);
    EXPECT_EQ((size_t)n, c.text.size());
  }
  // Cut to the capacity, never inside a surrogate pair.
  CFG_FORMAT_INSERTS args{texts, 2, numbers, 10};
  WCHAR small[8] = {};
  EXPECT_EQ(CfgFormatResourceText(small, 6, u"%s%s", &args), 5);
  EXPECT_EQ(S(small), u"first");
  const WCHAR* pair[1] = {u"ab\xD83D\xDE00" u"c"};
  CFG_FORMAT_INSERTS emoji{pair, 1, nullptr, 0};
  EXPECT_EQ(CfgFormatResourceText(small, 4, u"%s", &emoji), 2);
  EXPECT_EQ(S(small), u"ab");
  EXPECT_EQ(CfgFormatResourceText(small, 5, u"%s", &emoji), 4);
  EXPECT_EQ(CfgFormatResourceText(small, 0, u"%s", &emoji), 0);
  // Bounded appends.
  WCHAR buf[8] = u"Tray";
  EXPECT_EQ(CfgAppendText(buf, 8, u":Upper"), 7);
  EXPECT_EQ(S(buf), u"Tray:Up");
  EXPECT_EQ(CfgAppendText(buf, 8, u"more"), 7);
  EXPECT_EQ(CfgCopyText(buf, 8, u"ab\xD83D\xDE00" u"cdefg"), 7);
  EXPECT_EQ(CfgCopyText(buf, 4, u"ab\xD83D\xDE00"), 2);
  EXPECT_EQ(S(buf), u"ab");
}

class TextFiles : public MachineTest {};

TEST_F(TextFiles, BitmapHeaderSize) {
  auto bmp = [](DWORD headerSize) {
    std::string s = "BM" + std::string(12, '\0');
    s.append(reinterpret_cast<const char*>(&headerSize), 4);
    s.append(40, '\0');
    return s;
  };
  WriteFile(u"C:\\pics\\new.bmp", bmp(40));
  WriteFile(u"C:\\pics\\old.bmp", bmp(12));
  WriteFile(u"C:\\pics\\short.bmp", "BM12");
  HANDLE h = nullptr;
  EXPECT_EQ(CfgOpenBmpFile(u"C:\\pics\\new.bmp", &h), 1);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(CfgOpenBmpFile(u"C:\\pics\\old.bmp", &h), 0);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CfgOpenBmpFile(u"C:\\pics\\short.bmp", &h), 0);
  EXPECT_EQ(CfgOpenBmpFile(u"C:\\pics\\none.bmp", &h), 0);
  EXPECT_EQ(CfgOpenBmpFile(u"C:\\pics\\new.bmp", nullptr), 0);
}

TEST_F(TextFiles, ConversionsAreBoundedAndTerminated) {
  SetSwitch("ACP", "1252");
  WCHAR w[8];
  std::memset(w, 0x41, sizeof w);
  EXPECT_EQ(S(CfgAnsiToWide(w, "caf\xe9!", 8)), u"café!");
  std::memset(w, 0x41, sizeof w);
  EXPECT_EQ(S(CfgAnsiToWide(w, "caf\xe9!", 4)), u"caf");
  EXPECT_EQ(w[4], 0x4141);  // nothing past the capacity
  EXPECT_EQ(S(CfgAnsiToWide(w, "ab", 0)), u"ab");
  EXPECT_EQ(S(CfgAnsiToWide(w, nullptr, 8)), u"");
  char a[8];
  std::memset(a, 'Z', sizeof a);
  EXPECT_STREQ(CfgWideToAnsi(a, u"été", 8), "\xe9t\xe9");
  EXPECT_EQ(a[7], 0);  // zero-filled
  std::memset(a, 'Z', sizeof a);
  EXPECT_STREQ(CfgWideToAnsi(a, u"abcdef", 4), "abc");
  EXPECT_EQ(a[4], 'Z');

  SetSwitch("ACP", "932");
  const char sjis[] = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語
  EXPECT_EQ(S(CfgAnsiToWide(w, sjis, 8)), u"日本語");
  EXPECT_EQ(S(CfgAnsiToWide(w, sjis, 2)), u"日");
  std::memset(a, 'Z', sizeof a);
  EXPECT_STREQ(CfgWideToAnsi(a, u"日本語", 7), sjis);
  // A double-byte character that does not fit whole is left out, never split.
  std::memset(a, 'Z', sizeof a);
  EXPECT_STREQ(CfgWideToAnsi(a, u"日本語", 4), "\x93\xfa");
  EXPECT_EQ(a[2], 0);
  EXPECT_EQ(a[3], 0);
  EXPECT_STREQ(CfgWideToAnsi(a, u"a日", 3), "a");
  SetSwitch("ACP", "1252");
}
