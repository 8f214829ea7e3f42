// Status selection, expansion and the status texts and device names from the string tables.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/testhooks.h"
#include "statusdata/status.h"
#include "statusdata/tests/status_fixture.h"

namespace {

using sdtest::Language;
using sdtest::StatusContainer;
using sdtest::StatusRecord;

constexpr DWORD kAlt = PAT_KIND_ALTERNATE;
constexpr WORD kEnglish = 0x0409, kGerman = 0x0407, kChinese = 0x0804;

// The short or long text the library composes for a record, the way PatGetStatusString does it.
DWORD ComposeIn(DWORD kind, INFO_NODE* container, DWORD form, std::string* text, DWORD capacity = PAT_TEXT_CAPACITY) {
  *text = "";
  PAT_MERGED_RECORD merged;
  DWORD r = PatSelectStatus(kind, container, &merged);
  if (r) return r;
  ELEMENT_LIST* display = ElemListCreate(sizeof(STATUS_ENTRY), 4, 0);
  STATUS_CONTEXT context{kind, 0, &merged.record};
  r = PatCollectStatusCodes(&context, display);
  std::vector<CHAR> buffer(capacity, 'x');
  if (r == 0) r = PatComposeStatusText(&context, display, form, buffer.data(), capacity);
  ElemListFree(display);
  *text = r == 0 ? std::string(buffer.data()) : std::string();
  return r;
}

DWORD Compose(DWORD kind, PRN_INFO_EX* record, DWORD form, std::string* text, DWORD capacity = PAT_TEXT_CAPACITY) {
  StatusContainer container(record, nullptr, 1);
  return ComposeIn(kind, container.get(), form, text, capacity);
}

std::vector<DWORD> TopCodes(DWORD kind, PRN_INFO_EX* record) {
  ELEMENT_LIST* list = ElemListCreate(sizeof(DWORD), 4, 0);
  STATUS_CONTEXT context{kind, 0, record};
  std::vector<DWORD> out;
  if (PatSelectTopCodes(&context, list) == 0)
    for (DWORD i = 1; i <= ElemListCount(list); ++i) out.push_back(*static_cast<DWORD*>(ElemListAt(list, i)));
  ElemListFree(list);
  return out;
}

TEST(StatusText, EnglishTextsOfTheEngineCodes) {
  Language lang(kEnglish);
  const char* sc = "Service call: SC542";
  struct Case {
    std::vector<DWORD> codes;
    bool noResponse;
    DWORD kind;
    const char* shortText;
    const char* longText;
  } cases[] = {
      {{10001, 41201}, false, 1, "No Paper", "Load paper in the indicated paper source tray.\nTray 1(Paper Roll 1)"},
      {{41200, 41301}, false, 1, "Not Detected",
       "The selected paper source tray, its roll paper, or internal cutter cover is not set properly. \n"
       "Check the indicated tray.\nTray 1(Paper Roll 1)"},
      {{13300, 13200}, false, 1, "Operational",
       "The following paper source tray(s) is empty: \nTray 1(Paper Roll 1), Tray 2(Paper Roll 2)"},
      {{42000}, false, 1, "Paper Misfeed",
       "Open the indicated cover, and then remove any jammed paper.\nPaper Input Tray(s), Mainframe Cover"},
      {{42001}, false, 1, "Paper Misfeed",
       "Open the indicated cover, and then remove any jammed paper.\nMainframe Cover, Upper Paper Exit"},
      {{41201, 40010}, true, 1, "No Response from Machine", "Check the cable, power cord, and main switch."},
      {{40800}, false, 1, "Call Service Center",
       "Turn the main switch off, then on. \nIf this message appears again, please call your service center. \nSC542"},
      {{41100}, false, 1, "Paper is set in Bypass",
       "Paper sheet is set in the Paper Bypass.\nPlease remove the paper sheet in the Paper Bypass or reset the job."},
      {{46401}, false, 1, "Paper Type Mismatch",
       "Paper of the selected type is not loaded in the indicated paper source tray. \nCheck the indicated tray.\n"
       "Tray 3(Cut Paper)"},
      {{10002, 10001}, false, 1, "Offline", "Press the Online key on the Operation Panel to enable printing."},
      {{50110}, false, 1 | kAlt, "Operational",
       "A wireless I/F card error occurred. \nCheck that the wireless I/F card is set correctly. Turn off the main "
       "switch first before securing or reinserting the card."},
      {{40724}, false, 1 | kAlt, "Operational", "Input Tray related problem is detected.\nPlease reset the job. \n"
                                               "Tray 3(Cut Paper)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.longText);
    StatusRecord r(c.codes, {}, c.noResponse, sc);
    std::string shortText, longText;
    ASSERT_EQ(Compose(c.kind, r.record.get(), PAT_FORM_SHORT, &shortText), 0u);
    ASSERT_EQ(Compose(c.kind, r.record.get(), PAT_FORM_LONG, &longText), 0u);
    EXPECT_EQ(shortText, c.shortText);
    EXPECT_EQ(longText, c.longText);
  }
}

TEST(StatusText, CodesWithoutTextOrTableFail) {
  Language lang(kEnglish);
  struct Case {
    std::vector<DWORD> codes;
    DWORD kind;
    DWORD form;
    DWORD error;
  } cases[] = {
      {{10002}, 1 | kAlt, 1, PAT_ERROR_NOT_FOUND},  // selected, but the alternate tables do not show it
      {{99999}, 1, 1, PAT_ERROR_NOT_FOUND},         // no priority row, no expansion row
      {{41201}, 1, 3, PAT_ERROR_NOT_FOUND},         // no text table for form 3
      {{41201}, 0x8000, 1, PAT_ERROR_NOT_FOUND},    // no priority table for the kind
      {{41201}, 2, 1, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codes[0]);
    StatusRecord r(c.codes);
    std::string text = "untouched";
    EXPECT_EQ(Compose(c.kind, r.record.get(), c.form, &text), c.error);
    EXPECT_EQ(text, "");
  }
}

TEST(StatusSelection, MostUrgentPriorityWinsAndCodesSortUnsigned) {
  DWORD p = 0;
  EXPECT_TRUE(PatLookupPriority(g_PatPriorityTable, 41200, &p));
  EXPECT_EQ(p, 6650u);  // its own row before the pattern 412yy
  EXPECT_TRUE(PatLookupPriority(g_PatPriorityTable, 41201, &p));
  EXPECT_EQ(p, 6700u);
  EXPECT_FALSE(PatLookupPriority(g_PatPriorityTable, 77777, &p));
  EXPECT_EQ(p, 65535u);

  StatusRecord mixed({13300, 10001, 13200, 13400});
  EXPECT_EQ(TopCodes(1, mixed.record.get()), (std::vector<DWORD>{13200, 13300, 13400}));
  StatusRecord unknown({88888, 77777});  // every code unmatched: all of them, sorted
  EXPECT_EQ(TopCodes(1, unknown.record.get()), (std::vector<DWORD>{77777, 88888}));
  StatusRecord none({}, {}, true);
  EXPECT_EQ(TopCodes(1 | kAlt, none.record.get()), (std::vector<DWORD>{PAT_STATUS_NO_RESPONSE}));
  EXPECT_TRUE(TopCodes(0x8000, mixed.record.get()).empty());

  // The general item supplies the engine status; the kind's record everything else it lacks.
  StatusRecord general({41201}), selected({10001}, {DEVICE_CUT_PAPER});
  StatusContainer container(general.record.get(), selected.record.get());
  PAT_MERGED_RECORD merged;
  ASSERT_EQ(PatSelectStatus(1, container.get(), &merged), 0u);
  EXPECT_EQ(merged.record.pEngineStatus, general.record->pEngineStatus);
  EXPECT_EQ(merged.record.pDeviceInfo, selected.record->pDeviceInfo);
  // Kind 0x8000 takes the item whose id is the root's data length.
  StatusContainer h(general.record.get(), selected.record.get(), 1);  // root data of 4 bytes: item 4
  ASSERT_EQ(PatSelectStatus(0x8000, h.get(), &merged), 0u);
  EXPECT_EQ(merged.record.pDeviceInfo, selected.record->pDeviceInfo);
  StatusContainer noItem(general.record.get(), selected.record.get());  // no root data: no item 0
  EXPECT_EQ(PatSelectStatus(0x8000, noItem.get(), &merged), ERROR_INVALID_PARAMETER);
  sdtest::Record small(403);
  StatusContainer tooSmall(small.get());
  EXPECT_EQ(PatSelectStatus(1, tooSmall.get(), &merged), ERROR_INVALID_PARAMETER);
}

TEST(StatusText, EveryLanguageHasEveryStringAndKeepsItsLocations) {
  kvtest::TempRoot root;
  const WORD languages[] = {0x0409, 0x0407, 0x040C, 0x0410, 0x040A, 0x0413, 0x041D, 0x0406,
                            0x0414, 0x0405, 0x040E, 0x0416, 0x0415, 0x040B, 0x0804};
  WORD saved = PatCurrentLanguage();
  for (WORD lang : languages) {
    SCOPED_TRACE(lang);
    PatSetCurrentLanguage(lang);
    for (DWORD tableKind : {1u, 2u})
      for (DWORD form : {1u, 2u}) {
        const CODE_TEXT_ROW* table = PatFindCodeTable(tableKind, form);
        for (; table->code != PAT_TABLE_END; ++table) {
          CHAR text[PAT_TEXT_CAPACITY], english[PAT_TEXT_CAPACITY];
          ASSERT_EQ(PatFindStringBlock(table->stringId, text, sizeof text), 0u) << table->stringId;
          PatSetCurrentLanguage(kEnglish);
          PatFindStringBlock(table->stringId, english, sizeof english);
          PatSetCurrentLanguage(lang);
          // A translation names the tray or cover exactly where the English text does.
          EXPECT_EQ(std::strstr(text, "%s") != nullptr, std::strstr(english, "%s") != nullptr) << table->stringId;
        }
      }
    // The separator and the option and device names exist in every language.
    for (DWORD id : {3500u, 3000u, 3009u, 4000u, 4001u, 4002u, 4003u, 5000u, 5003u, 5010u, 5013u}) {
      CHAR text[256];
      EXPECT_EQ(PatFindStringBlock(id, text, sizeof text), 0u) << id;
    }
  }
  PatSetCurrentLanguage(saved);
}

TEST(StatusText, OtherLanguagesListTheirLocations) {
  StatusRecord both({13200, 13300});
  {
    Language lang(kGerman);
    std::string text;
    ASSERT_EQ(Compose(1, both.record.get(), PAT_FORM_LONG, &text), 0u);
    EXPECT_EQ(text, "Folgende Papiermagazine sind leer:\nMagazin 1 (Papierrolle 1), Magazin 2 (Papierrolle 2)");
    ASSERT_EQ(Compose(1, StatusRecord({40010}).record.get(), PAT_FORM_LONG, &text), 0u);
    EXPECT_EQ(sdtest::Wide(text, 1252),
              u"Der Toner ist aufgebraucht.\n\u00D6ffnen Sie die angezeigte Abdeckung und ersetzen Sie die "
              u"Tonerkartusche.\nVordere Abdeckung");
  }
  {
    // A double-byte language arrives in its own code page.
    Language lang(kChinese);
    std::string text;
    ASSERT_EQ(Compose(1, StatusRecord({41201}).record.get(), PAT_FORM_LONG, &text), 0u);
    EXPECT_EQ(sdtest::Wide(text, 936), u"请在所指示的纸盒中装纸。\n纸盒1（卷筒纸1）");
    ASSERT_EQ(Compose(1, both.record.get(), PAT_FORM_LONG, &text), 0u);
    EXPECT_EQ(sdtest::Wide(text, 936), u"以下纸盒无纸：\n纸盒1（卷筒纸1）、纸盒2（卷筒纸2）");
    ASSERT_EQ(Compose(1, both.record.get(), PAT_FORM_SHORT, &text), 0u);
    EXPECT_EQ(sdtest::Wide(text, 936), u"可以使用");
  }
}

TEST(StatusText, LongTextsStayWithinTheDestination) {
  Language lang(kEnglish);
  StatusRecord tray({41201});
  std::string text;
  // Plain characters stop at the capacity; a list that does not fit is left out whole.
  ASSERT_EQ(Compose(1, tray.record.get(), PAT_FORM_LONG, &text, 20), 0u);
  EXPECT_EQ(text, "Load paper in the i");
  ASSERT_EQ(Compose(1, tray.record.get(), PAT_FORM_LONG, &text, 60), 0u);
  EXPECT_EQ(text, "Load paper in the indicated paper source tray.\n");

  // A service-call text longer than what is left is cut, never written past the end.
  std::string longCode = "SC" + std::string(250, '9');
  StatusRecord service({40800}, {}, false, longCode.c_str());
  ASSERT_EQ(Compose(1, service.record.get(), PAT_FORM_LONG, &text, 120), 0u);
  EXPECT_EQ(text.size(), 119u);
  EXPECT_EQ(text.substr(0, 35), "Turn the main switch off, then on. ");

  // In a double-byte code page a character is never cut in half.
  Language zh(kChinese);
  ASSERT_EQ(Compose(1, tray.record.get(), PAT_FORM_LONG, &text, 6), 0u);
  EXPECT_EQ(sdtest::Wide(text, 936), u"请在");
  ASSERT_EQ(Compose(1, tray.record.get(), PAT_FORM_LONG, &text, 7), 0u);
  EXPECT_EQ(sdtest::Wide(text, 936), u"请在所");
}

TEST(StatusText, DefaultLanguageIsTheUsersLocale) {
  Language lang(0x0400);
  auto setUserLocale = [&](const char* value) {
    std::string path = lang.root.path() + "/machine.ini";
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string ini = text.str();
    size_t at = ini.find("UserLocale=");
    ini.replace(at, ini.find('\n', at) - at, std::string("UserLocale=") + value);
    std::ofstream(path) << ini;
    kvp::SetMachineRoot(lang.root.path());
  };
  setUserLocale("0x0407");
  CHAR text[64];
  ASSERT_EQ(PatFindStringBlock(1050, text, sizeof text), 0u);
  EXPECT_STREQ(text, "Kein Papier");
  // A user locale the library has no strings for still shows English, in that locale's code page.
  setUserLocale("0x0419");
  ASSERT_EQ(PatFindStringBlock(1050, text, sizeof text), 0u);
  EXPECT_STREQ(text, "No Paper");
  UINT cp = 0;
  EXPECT_EQ(PatCurrentCodePage(&cp), 0u);
  EXPECT_EQ(cp, 1251u);
}

TEST(StatusText, LanguageWithoutCodePageIsALocaleError) {
  Language lang(0x0401);  // not a locale of this machine
  CHAR text[64] = "x";
  EXPECT_EQ(PatFindStringBlock(1000, text, sizeof text), PAT_ERROR_LOCALE);
  EXPECT_STREQ(text, "");
  Language english(kEnglish);
  EXPECT_EQ(PatFindStringBlock(1071, text, sizeof text), PAT_ERROR_NOT_FOUND);  // empty slot of a block
  EXPECT_EQ(PatFindStringBlock(7000, text, sizeof text), PAT_ERROR_NOT_FOUND);  // no such block
}

TEST(StatusText, ServiceCodeIsTheTextFromItsLastSC) {
  struct Case {
    const char* text;
    const char* code;
  } cases[] = {{"Error SC542", "SC542"}, {"SC1 then SC2", "SC2"}, {"no code", ""}, {"ends in S", ""},
               {"SC", "SC"},             {"", ""}};
  for (const auto& c : cases) {
    CHAR out[256] = "x";
    EXPECT_EQ(PatExtractServiceCode(c.text, out, sizeof out), 0u);
    EXPECT_STREQ(out, c.code) << c.text;
  }
  CHAR out[4];
  EXPECT_EQ(PatExtractServiceCode("xx SC12345", out, sizeof out), 0u);
  EXPECT_STREQ(out, "SC1");
  EXPECT_EQ(PatExtractServiceCode(nullptr, out, sizeof out), ERROR_INVALID_PARAMETER);
}

TEST(DeviceName, TraysBinsAndOptions) {
  Language lang(kEnglish);
  DWORD fan = 976, unknown = 999;
  struct Case {
    DWORD kind;
    const void* data;
    BYTE form;
    DWORD error;
    const char* text;
  } cases[] = {
      {1, "Cut Paper Tray", 0x97, 0, "Cut Paper Tray"},
      {1, "Tray 2(Paper Roll 2)", 0x97, 0, "Tray 2(Paper Roll 2)"},
      {2, "Rear Paper Exit", 0x97, 0, "Rear Paper Exit"},
      {3, &fan, 0x96, 0, "Fan Folding Finisher"},
      {1, "Tray 3(Cut Paper)", 0x97, ERROR_INVALID_PARAMETER, ""},  // a location, not a tray name
      {2, "Cut Paper Tray", 0x97, ERROR_INVALID_PARAMETER, ""},
      {3, &unknown, 0x96, PAT_ERROR_NOT_FOUND, ""},
      {1, "Cut Paper Tray", 0x96, ERROR_INVALID_PARAMETER, ""},
      {3, &fan, 0x97, ERROR_INVALID_PARAMETER, ""},
      {0, "Cut Paper Tray", 0x97, ERROR_INVALID_PARAMETER, ""},
      {1, nullptr, 0x97, ERROR_INVALID_PARAMETER, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    CHAR text[256] = "x";
    EXPECT_EQ(PatLookupDeviceName(c.kind, c.data, c.form, text, sizeof text), c.error);
    EXPECT_STREQ(text, c.text);
  }
  Language de(kGerman);
  CHAR text[256];
  ASSERT_EQ(PatLookupDeviceName(3, &fan, 0x96, text, sizeof text), 0u);
  EXPECT_STREQ(text, "Leporello-Falzfinisher");
}

TEST(StatusText, RunningOutOfMemoryLeavesNothingBehind) {
  Language lang(kEnglish);
  StatusRecord r({13200, 13300});
  StatusContainer container(r.record.get());
  for (unsigned n = 1;; ++n) {
    SCOPED_TRACE(n);
    kvp::test::FailAllocAt(n);
    std::string text;
    DWORD e = ComposeIn(1, container.get(), PAT_FORM_LONG, &text);
    kvp::test::FailAllocAt(0);
    if (e == 0) {
      EXPECT_EQ(text, "The following paper source tray(s) is empty: \nTray 1(Paper Roll 1), Tray 2(Paper Roll 2)");
      break;
    }
    // The list itself is the test's (ElemListCreate in Compose); every failure is a memory failure.
    EXPECT_TRUE(e == ERROR_NOT_ENOUGH_MEMORY || e == ERROR_INVALID_PARAMETER) << e;
    ASSERT_LT(n, 100u);
  }
}

}  // namespace
