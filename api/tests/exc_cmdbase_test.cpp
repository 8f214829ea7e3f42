// The command base: the SET-line grammar, the text buffer, the current text's rules, the change list and
// rebuilt base, trials and value lists, on the model's printer.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api_fixture.h"
#include "config/driver_lists.h"
#include "exc_cmdbase.h"
#include "kvplat/codepage.h"
#include "kvplat/sysinfo.h"
#include "settings/access.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

using apitest::ApiTest;

std::string Line(const std::string& name, const std::string& value) { return "@PJL SET " + name + " = " + value + " \r\n"; }

TEST(ExcParse, SetLineGrammar) {
  const std::string n271(271, 'N'), n272(272, 'N');
  struct Case {
    std::string text;
    int result;  // -1, 0, or 1 for "parses the whole first line"
    const char* name;
    const char* value;
  } cases[] = {
      {"@PJL SET COPIES =3\r\n", 1, "COPIES", "3"},
      {"@PJL SET COPIES= 3\r\n", -1, "", ""},  // no blank before '='
      {"@PJL SET COPIES = 3\n", -1, "", ""},   // LF alone
      {"  @PJL  SET  COPIES  =  3  \r\n", 1, "COPIES", "3"},
      {"\t@PJL\tSET\tCOPIES\t=\t3\t\r\n", 1, "COPIES", "3"},
      {"@PJLSET COPIES = 3\r\n", 1, "COPIES", "3"},
      {"@PJL SETCOPIES = 3\r\n", 1, "COPIES", "3"},
      {"@PJL SET COPIES = \r\n", 1, "COPIES", ""},  // the empty value
      {"@PJL SET COPIES =\r\n", 1, "COPIES", ""},
      {"\r\n", -1, "", ""},  // an empty line
      {"", 0, "", ""},
      {"  \t ", 0, "", ""},  // blanks after the last line end the text
      {"@PJL SET COPIES = 3 4\r\n", -1, "", ""},
      {"@PJL GET COPIES = 3\r\n", -1, "", ""},
      {"@pjl SET COPIES = 3\r\n", -1, "", ""},
      {"@PJL SET = 3\r\n", -1, "", ""},
      {"@PJL SET COPIES = 3\r", -1, "", ""},
      {"@PJL SET " + n271 + " = 1\r\n", 1, n271.c_str(), "1"},
      {"@PJL SET " + n272 + " = 1\r\n", -1, "", ""},
      {"@PJL SET X = " + n271 + "\r\n", 1, "X", n271.c_str()},
      {"@PJL SET X = " + n272 + "\r\n", -1, "", ""},
      {"@PJL SET X = " + std::string(5000, 'V') + "\r\n", -1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    char name[PJL_TOKEN_BYTES + 8], value[PJL_TOKEN_BYTES + 8];
    std::memset(name, 0x5A, sizeof name);
    std::memset(value, 0x5A, sizeof value);
    int r = CmdParseSetLine(c.text.c_str(), name, value);
    EXPECT_EQ(r, c.result > 0 ? int(c.text.size()) : c.result);
    if (c.result > 0) {
      EXPECT_STREQ(name, c.name);
      EXPECT_STREQ(value, c.value);
    }
    // Nothing is ever written past the token buffers.
    for (int i = PJL_TOKEN_BYTES; i < PJL_TOKEN_BYTES + 8; ++i) {
      EXPECT_EQ(name[i], 0x5A);
      EXPECT_EQ(value[i], 0x5A);
    }
  }
  char name[PJL_TOKEN_BYTES], value[PJL_TOKEN_BYTES];
  EXPECT_EQ(CmdParseSetLine(nullptr, name, value), 0);
  // A text of two lines: the first line's bytes.
  EXPECT_EQ(CmdParseSetLine("@PJL SET A = 1 \r\n@PJL SET B = 2 \r\n", name, value), 17);
}

TEST(ExcParse, FindSetValueAndWriteLine) {
  const std::string text = Line("A", "1") + Line("B", "2") + "junk\r\n" + Line("C", "3");
  char value[PJL_TOKEN_BYTES];
  bool found = false;
  EXPECT_EQ(CmdFindSetValue(text.c_str(), "B", value, &found), 17);
  EXPECT_TRUE(found);
  EXPECT_STREQ(value, "2");
  // The walk stops at the first line that does not parse.
  CmdFindSetValue(text.c_str(), "C", value, &found);
  EXPECT_FALSE(found);
  EXPECT_STREQ(value, "");
  PjlText buf;
  ASSERT_TRUE(buf.ok());
  EXPECT_EQ(CmdWriteSetLine(buf.get(), "NUP", "OFF"), 0);
  EXPECT_STREQ(buf.text(), "@PJL SET NUP = OFF \r\n");
}

TEST(ExcText, GrowsPastItsFirstBlockKeepingTheText) {
  PjlText buf;
  ASSERT_TRUE(buf.ok());
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    std::string piece = "line " + std::to_string(i) + ";";
    ASSERT_EQ(CmdBufAppend(buf.get(), piece.c_str()), 0);
    expected += piece;
  }
  ASSERT_EQ(CmdBufAppendChar(buf.get(), 0), 0);
  EXPECT_GT(buf.get()->capacity, PJL_TEXT_STEP);
  EXPECT_EQ(buf.get()->capacity % PJL_TEXT_STEP, 0u);
  EXPECT_EQ(buf.length(), expected.size() + 1);
  EXPECT_EQ(std::string(buf.text()), expected);
}

TEST(ExcMerge, ChangeListRules) {
  const std::string base = Line("TRAY", "ROLL1") + Line("PAPER", "A0") + Line("COPIES", "1");
  struct Case {
    const char* what;
    std::string current;
    std::string changed;  // "" for none
    std::string expected;
  } cases[] = {
      {"nothing changed", base, "", ""},
      {"the rules changed PAPER while the caller changed TRAY", Line("TRAY", "TRAY2") + Line("PAPER", "SAME") + Line("COPIES", "1"),
       Line("TRAY", "TRAY2"), Line("PAPER", "SAME")},
      {"the rules refused the TRAY change", base, Line("TRAY", "MANUAL"), Line("TRAY", "ROLL1")},
      {"the rules set TRAY to another value than asked", Line("TRAY", "ALL") + Line("PAPER", "A0") + Line("COPIES", "1"),
       Line("TRAY", "MANUAL"), Line("TRAY", "ALL")},
      {"a command not in the base is never reported", base + Line("NUP", "OFF"), "", ""},
      {"a change without a caller's line (the base itself)", Line("TRAY", "ALL") + Line("PAPER", "A0"), "", Line("TRAY", "ALL")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PjlText buf;
    ASSERT_EQ(CmdMergeChanged(buf.get(), base.c_str(), c.current.c_str(), c.changed.empty() ? nullptr : c.changed.c_str()), 0);
    EXPECT_EQ(std::string(buf.text()), c.expected);
  }
  PjlText none;
  EXPECT_EQ(CmdMergeChanged(none.get(), nullptr, base.c_str(), nullptr), 0);
  EXPECT_EQ(none.length(), 0u);
}

// A handle on the model's printer, its positions and settings reachable.
class ExcBase : public ApiTest {
 protected:
  void SetUp() override {
    ApiTest::SetUp();
    h_ = ExcGetExclusive(apitest::kPrinter);
    ASSERT_NE(h_, nullptr);
  }
  void TearDown() override {
    ExcFreeExclusive(h_);
    ApiTest::TearDown();
  }
  std::string Current() {
    PjlText buf;
    EXPECT_EQ(CmdEmitCurrent(buf.get(), h_), 0);
    return buf.text();
  }
  // A text answer fetched as a caller does: its size first, then the text.
  template <typename Call>
  std::vector<char> Fetch(Call call) {
    int32_t needed = 0;
    if (call(0, nullptr, &needed) != 1) return {};
    std::vector<char> b(static_cast<size_t>(needed));
    EXPECT_EQ(call(needed, b.data(), &needed), 0);
    return b;
  }
  std::string Base() {
    std::vector<char> b = Fetch([&](int32_t s, char* t, int32_t* n) { return ExcGetCommandBase(h_, s, t, n); });
    return b.empty() ? std::string() : std::string(b.data());
  }
  std::string Changes() {
    std::vector<char> b = Fetch([&](int32_t s, char* t, int32_t* n) { return ExcGetCommandChange(h_, s, t, n); });
    return b.empty() ? std::string() : std::string(b.data());
  }
  // The NUL-separated items of a list answer.
  std::vector<std::string> Items(const std::vector<char>& list) {
    std::vector<std::string> out;
    for (size_t i = 0; i < list.size() && list[i]; i += out.back().size() + 1) out.push_back(&list[i]);
    return out;
  }
  std::vector<std::string> Values(const char* name, int onlyAvailable) {
    return Items(Fetch([&](int32_t s, char* t, int32_t* n) { return ExcGetCommandValue(h_, name, onlyAvailable, s, t, n); }));
  }
  int32_t Value(DWORD id) { return int32_t(StgGetValue(h_->ctx, WORD(id), nullptr)); }

  static std::string Required(const char* paper = "A0", const char* tray = "ROLL1") {
    return Line("APLPAGESIZE", paper) + Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "SAME") + Line("TRAY", tray);
  }
  EXC_HANDLE h_ = nullptr;
};

// A printer whose data file is the model's with the rules of tests/data/refuse_manual_feed.rules
// appended: the automatic actions put any job asking for the manual feed back on roll 1.
class ExcRules : public ExcBase {
 protected:
  void SetUp() override {
    ApiTest::SetUp();
    std::ifstream model(std::string(KV_SOURCE_DIR) + "/model/kvdrvdat", std::ios::binary);
    std::ifstream rules(std::string(KV_SOURCE_DIR) + "/api/tests/data/refuse_manual_feed.rules", std::ios::binary);
    std::stringstream text;
    text << model.rdbuf() << rules.rdbuf();
    const std::u16string path = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvrules.dat";
    kvtest::WriteMachineFile(path, text.str());
    HANDLE p = kvtest::InstallPrinter(u"Rules plotter", kvsetup::kModelDriverName, path);
    ASSERT_NE(p, nullptr);
    ClosePrinter(p);
    h_ = ExcGetExclusive("Rules plotter");
    ASSERT_NE(h_, nullptr);
  }
};

TEST_F(ExcBase, EmitRules) {
  struct Case {
    const char* what;
    std::vector<std::pair<DWORD, int32_t>> positions;
    std::string present;
    std::string absent;
  } cases[] = {
      {"an output tray of 0 is written as UPPER", {{53, 0}}, Line("OUTBIN", "UPPER"), ""},
      {"a custom slot paper is written as CUSTOM", {{46, 388}}, Line("PAPER", "CUSTOM"), ""},
      {"295 is written as TRAY2", {{13, 295}}, Line("TRAY", "TRAY2"), "TRAY3"},
      {"NUP 3 is written as 2IN1P1 while 91 and 56 agree", {{92, 3}, {91, 1}, {56, 1}}, Line("NUP", "2IN1P1"), ""},
      {"NUP with 56 at 0 is written as OFF", {{92, 33}, {56, 0}}, Line("NUP", "OFF"), ""},
      {"a resolution whose assignments disagree has no line", {{14, 300}, {178, 17}}, "", "SRCRESOLUTIONW"},
      {"a resolution whose assignments agree", {{14, 300}, {178, 18}}, Line("SRCRESOLUTIONW", "300"), ""},
      {"a value without a value row has no line", {{15, 2}}, "", "COLORSELECT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(CmdResetHandle(h_, 0), 0);
    for (auto [p, v] : c.positions) CmdSetPosition(h_, p, v);
    std::string text = Current();
    if (!c.present.empty()) {
      EXPECT_NE(text.find(c.present), std::string::npos) << text;
    }
    if (!c.absent.empty()) {
      EXPECT_EQ(text.find(c.absent), std::string::npos) << text;
    }
  }
  // COLLATE at the place of position 61, once.
  CmdResetHandle(h_, 0);
  CmdSetPosition(h_, 46, 267);
  CmdSetPosition(h_, 61, 1);
  CmdSetPosition(h_, 92, 0);
  CmdSetPosition(h_, 56, 0);
  CmdSetPosition(h_, 119, 1);
  EXPECT_EQ(Current(), Line("PAPER", "A0") + Line("COLLATE", "SORT") + Line("NUP", "OFF"));
}

TEST_F(ExcBase, ApplyRules) {
  ASSERT_EQ(CmdResetHandle(h_, 0), 0);
  auto apply = [&](const char* name, const char* value) {
    const PJL_COMMAND_ROW* row = CmdFindRow(h_, name, PJL_USE_COMMAND | PJL_USE_OPTION);
    ASSERT_NE(row, nullptr) << name;
    CmdApplyValue(h_, row, name, value, 0);
  };
  apply("OUTBIN", "UPPER");
  EXPECT_EQ(Value(53), 40);
  apply("PAPER", "CUSTOM");
  EXPECT_EQ(Value(46), 448);
  // Neither tray condition holds on the model's default options: the first TRAY2 row is taken.
  apply("TRAY", "TRAY3");
  EXPECT_EQ(Value(13), 295);
  EXPECT_NE(Current().find(Line("TRAY", "TRAY2")), std::string::npos);
  // NUP OFF marks 56 with 0 and 92 with the current n-up type, which it leaves alone.
  StgSetValue(h_->ctx, sid::rdmNUPType, 33);
  apply("NUP", "OFF");
  EXPECT_EQ(Value(sid::rdmNUPType), 33);
  EXPECT_TRUE(h_->setFlags[55] && h_->values[55] == 0);
  EXPECT_TRUE(h_->setFlags[91] && h_->values[91] == 33);
  EXPECT_NE(Current().find(Line("NUP", "OFF")), std::string::npos);
  // COLLATE SORT sets 61 and 119; the text holds COLLATE once.
  apply("COLLATE", "SORT");
  EXPECT_TRUE(h_->values[60] == 1 && h_->values[118] == 1);
  std::string text = Current();
  EXPECT_EQ(text.find("COLLATE"), text.rfind("COLLATE"));
  // A word that no value row carries changes nothing.
  apply("TRAY", "NOWHERE");
  EXPECT_EQ(Value(13), 295);
}

TEST_F(ExcBase, NumbersKeepTheirValueAndNeverDivideByZero) {
  int32_t changeSize = -1;
  ASSERT_GE(ExcSetCommandBase(h_, (Required() + Line("COPIES", "3")).c_str(), &changeSize), 0);
  EXPECT_NE(Base().find(Line("COPIES", "3")), std::string::npos) << Base();
  EXPECT_EQ(Value(sid::dmCopies), 3);
  // A margin is in dots of the output resolution; a zero resolution leaves the number unscaled.
  IMG_REF margin = CmdFindImageNode(h_->ctx, sid::rdmMarginOdd, 0);
  ASSERT_NE(margin, 0u);
  char text[32];
  StgSetValue(h_->ctx, sid::rdmDstResolutionW, 0);
  EXPECT_GT(CmdFormatImageValue(h_->ctx, margin, sid::rdmMarginOdd, 600, PJL_KIND_NUMBER, sizeof text, text), 0u);
  EXPECT_STREQ(text, "600");
  EXPECT_EQ(CmdParseImageNumber(h_->ctx, margin, "600"), 600);
  StgSetValue(h_->ctx, sid::rdmDstResolutionW, 600);
  CmdFormatImageValue(h_->ctx, margin, sid::rdmMarginOdd, 1000, PJL_KIND_NUMBER, sizeof text, text);
  EXPECT_STREQ(text, "500");
  EXPECT_EQ(CmdParseImageNumber(h_->ctx, margin, "500"), 1000);
  // Large values go through 64-bit intermediates.
  CmdFormatImageValue(h_->ctx, margin, sid::rdmMarginOdd, 2000000000, PJL_KIND_NUMBER, sizeof text, text);
  EXPECT_STREQ(text, "1000000000");
}

// Every command text pair of the image-feature commands and of the watermark items makes a line of the
// SET grammar around a value.
TEST_F(ExcBase, ImageCommandTextsMakeSetLines) {
  std::vector<std::pair<DWORD, uint64_t>> features;
  const PJL_COMMAND_TABLE* t = StgGetExcCommandTable();
  for (uint64_t i = 0; i < t->count; ++i)
    if (t->rows[i].form == PJL_FORM_IMAGE) features.push_back({DWORD(t->rows[i].setting), t->rows[i].valueKind});
  EXPECT_EQ(features.size(), 7u);
  const WATERMARK_ITEM_TABLE* w = StgGetWatermarkItemTable();
  for (uint64_t i = 0; i < w->count; ++i)
    if (w->rows[i].valueKind != PJL_KIND_FIXED_LINE) features.push_back({w->rows[i].setting, w->rows[i].valueKind});
  EXPECT_EQ(features.size(), 7u + 17u);
  for (auto [id, kind] : features) {
    SCOPED_TRACE(id);
    IMG_REF f = CmdFindImageNode(h_->ctx, id, 0);
    ASSERT_NE(f, 0u);
    const char* before = CmdImageCommandText(f, 0);
    const char* after = CmdImageCommandText(f, 1);
    ASSERT_TRUE(before && after);
    std::string head = before, tail = after;
    std::string value = "7";
    if (kind == PJL_KIND_TEXT) {
      // Texts are quoted: the pair carries the quotes the value then brings itself.
      ASSERT_EQ(head.back(), '"');
      ASSERT_EQ(tail.front(), '"');
      value = "\"TEXT\"";
      head.pop_back();
      tail.erase(0, 1);
    }
    char name[PJL_TOKEN_BYTES], parsed[PJL_TOKEN_BYTES];
    std::string line = head + value + tail;
    EXPECT_EQ(CmdParseSetLine(line.c_str(), name, parsed), int(line.size())) << line;
    EXPECT_EQ(std::string(parsed), value);
  }
}

TEST_F(ExcBase, BaseInstallationResults) {
  int32_t changeSize = -1;
  // A NULL text, and a text without TRAY: -2, and nothing of it remains.
  EXPECT_EQ(ExcSetCommandBase(h_, nullptr, &changeSize), -2);
  EXPECT_EQ(changeSize, 0);
  std::string noTray = Line("APLPAGESIZE", "A1") + Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "SAME");
  EXPECT_EQ(ExcSetCommandBase(h_, noTray.c_str(), &changeSize), -2);
  int32_t needed = -1;
  EXPECT_EQ(ExcGetCommandBase(h_, 0, nullptr, &needed), 0);
  EXPECT_EQ(needed, 0);
  EXPECT_EQ(CmdIsAvailable(h_, CmdFindRow(h_, "APLPAGESIZE", 1)), 0);
  // A second line without its CR LF: -1, and the first line is not left applied.
  std::string broken = Required() + "@PJL SET COPIES = 5";
  EXPECT_EQ(ExcSetCommandBase(h_, broken.c_str(), &changeSize), -1);
  EXPECT_EQ(CmdIsAvailable(h_, CmdFindRow(h_, "APLPAGESIZE", 1)), 0);
  EXPECT_EQ(Value(sid::dmCopies), 1);
  EXPECT_EQ(ExcGetCommandBase(h_, 0, nullptr, &needed), 0);
  EXPECT_EQ(needed, 0);
  // Blanks after the last line are accepted, anything else there is a syntax error.
  EXPECT_GE(ExcSetCommandBase(h_, (Required() + "  \t").c_str(), &changeSize), 0);
  EXPECT_EQ(ExcSetCommandBase(h_, (Required() + "x").c_str(), &changeSize), -1);
  // A name that is no command is dropped from the rebuilt base.
  EXPECT_GE(ExcSetCommandBase(h_, (Required() + Line("MEMORYSIZE", "512") + Line("FOO", "1")).c_str(), &changeSize), 0);
  std::string base = Base();
  EXPECT_EQ(base.find("MEMORYSIZE"), std::string::npos) << base;
  EXPECT_EQ(base.find("FOO"), std::string::npos) << base;
  EXPECT_NE(base.find(Line("TRAY", "ROLL1")), std::string::npos) << base;
}

TEST_F(ExcBase, UpdatesAndTheirChangeLists) {
  int32_t changeSize = -1;
  const std::string base = Line("APLPAGESIZE", "A0") + Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "A0") +
                           Line("TRAY", "ROLL1") + Line("MEMORYSIZE", "512");
  ASSERT_EQ(ExcSetCommandBase(h_, base.c_str(), &changeSize), 0) << Changes();
  // A NULL line answers 0 and says there is no change list.
  changeSize = -1;
  EXPECT_EQ(ExcUpdateCommand(h_, nullptr, &changeSize), 0);
  EXPECT_EQ(changeSize, 0);
  // A command that was not part of the base, and a line that does not parse.
  changeSize = -1;
  EXPECT_EQ(ExcUpdateCommand(h_, Line("NUP", "OFF").c_str(), &changeSize), 0);
  EXPECT_EQ(changeSize, 0);
  EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET TRAY= ROLL2\r\n", &changeSize), -1);
  // The model prints A0 from the cut-sheet tray only as it comes: the rules set PAPER to SAME, and the
  // change list names PAPER alone (TRAY took the value asked).
  EXPECT_EQ(ExcUpdateCommand(h_, Line("TRAY", "TRAY2").c_str(), &changeSize), 1);
  EXPECT_EQ(changeSize, int32_t(Line("PAPER", "SAME").size() + 1));
  // Too small: 1, and the list stays; delivered once.
  std::vector<char> small(size_t(changeSize - 1), 'G');
  int32_t needed = 0;
  EXPECT_EQ(ExcGetCommandChange(h_, changeSize - 1, small.data(), &needed), 1);
  EXPECT_EQ(small, std::vector<char>(size_t(changeSize - 1), 'G'));
  EXPECT_EQ(Changes(), Line("PAPER", "SAME"));
  EXPECT_EQ(ExcGetCommandChange(h_, 0, nullptr, &needed), 0);
  EXPECT_EQ(needed, 0);
  // The rebuilt base: the caller's order, the values now, MEMORYSIZE (no command) dropped.
  EXPECT_EQ(Base(), Line("APLPAGESIZE", "A0") + Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "SAME") +
                        Line("TRAY", "TRAY2"));
  // An accepted change: no list.
  EXPECT_EQ(ExcUpdateCommand(h_, Line("TRAY", "ROLL2").c_str(), &changeSize), 0) << Changes();
  EXPECT_EQ(changeSize, 0);
}

TEST_F(ExcRules, ARefusedChangeIsReportedWithTheValueKept) {
  int32_t changeSize = -1;
  ASSERT_EQ(ExcSetCommandBase(h_, Required("A1").c_str(), &changeSize), 0) << Changes();
  EXPECT_EQ(ExcUpdateCommand(h_, Line("TRAY", "MANUAL").c_str(), &changeSize), 1);
  EXPECT_EQ(Changes(), Line("TRAY", "ROLL1"));
  EXPECT_EQ(Base(), Required("A1"));
  // A base asking for the manual feed is installed with the rules' value, and says so.
  EXPECT_EQ(ExcSetCommandBase(h_, Required("A1", "MANUAL").c_str(), &changeSize), 1);
  EXPECT_EQ(Changes(), Line("TRAY", "ROLL1"));
  EXPECT_EQ(Base(), Required("A1"));
  // Only-available leaves the refused value out.
  std::vector<std::string> available = Values("TRAY", 1);
  EXPECT_EQ(std::find(available.begin(), available.end(), "MANUAL"), available.end());
  EXPECT_NE(std::find(available.begin(), available.end(), "ROLL1"), available.end());
}

// A trial or a list never changes the handle: every byte of the settings and every position is as it was.
TEST_F(ExcBase, ValueListsLeaveTheHandleAsItWas) {
  int32_t changeSize = 0;
  ASSERT_GE(ExcSetCommandBase(h_,
                              (Required("A1") + Line("COPIES", "2") + Line("SCALETYPE", "PAPERDEFSCALE") +
                               Line("PAPERSCALEW", "100"))
                                  .c_str(),
                              &changeSize),
            0);
  const DWORD storeSize = StgGetStoreSize();
  std::vector<BYTE> store(storeSize), flags(EXC_POSITIONS);
  std::vector<int32_t> values(EXC_POSITIONS);
  auto snapshot = [&] {
    std::memcpy(store.data(), h_->ctx->store, storeSize);
    std::memcpy(flags.data(), h_->setFlags, EXC_POSITIONS);
    std::memcpy(values.data(), h_->values, EXC_POSITIONS * sizeof(int32_t));
  };
  auto unchanged = [&] {
    EXPECT_EQ(0, std::memcmp(store.data(), h_->ctx->store, storeSize));
    EXPECT_EQ(0, std::memcmp(flags.data(), h_->setFlags, EXC_POSITIONS));
    EXPECT_EQ(0, std::memcmp(values.data(), h_->values, EXC_POSITIONS * sizeof(int32_t)));
  };
  snapshot();
  std::vector<std::string> all = Values("PAPER", 0), available = Values("PAPER", 1);
  unchanged();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.front(), "SAME");
  EXPECT_EQ(std::count(all.begin(), all.end(), "CUSTOM"), 1);  // the alternate rows are not offered
  EXPECT_FALSE(available.empty());
  EXPECT_LE(available.size(), all.size());
  for (const std::string& v : available) EXPECT_NE(std::find(all.begin(), all.end(), v), all.end()) << v;
  // Only-available is empty for a command the base does not hold; numbers give low, high and step.
  EXPECT_TRUE(Values("NUP", 1).empty());
  EXPECT_EQ(Values("COPIES", 0), (std::vector<std::string>{"1", "999", "1"}));
  EXPECT_EQ(Values("COPIES", 1), (std::vector<std::string>{"1", "999", "1"}));
  // The scale numbers are offered only while the scale type is PAPERSCALE.
  EXPECT_EQ(Values("PAPERSCALEW", 0), (std::vector<std::string>{"20", "400", "1"}));
  EXPECT_TRUE(Values("PAPERSCALEW", 1).empty());
  unchanged();
  // Watermark listing loads stamps and puts every setting back.
  int32_t needed = 0;
  ExcGetWaterMarkList(h_, 0, 0, nullptr, &needed);
  ExcGetWaterMarkList(h_, 1, 0, nullptr, &needed);
  unchanged();
}

TEST_F(ExcBase, WatermarkBlocks) {
  SETTING_CONTEXT* ctx = h_->ctx;
  auto save = [&](int n, int kind, const char16_t* text) {
    StgSetValue(ctx, sid::rdmWmKind, kind);
    StgSetString(ctx, StgFindItem(ctx, sid::wdmWmChar), text);
    StgSetString(ctx, StgFindItem(ctx, sid::wdmWmImage), u"C:\\Stamps\\logo.bmp");
    StgSetValue(ctx, sid::wdmWmPage, 0);
    CfgSaveStamp(ctx, n);
  };
  auto list = [&](int kind) {
    return Fetch([&](int32_t s, char* t, int32_t* n) { return ExcGetWaterMarkList(h_, kind, s, t, n); });
  };
  // The model's three stored text watermarks.
  EXPECT_EQ(Items(list(0)).size(), 3u);
  CfgSetStampCount(ctx, 0);
  EXPECT_TRUE(list(0).empty());
  save(0, 1, u"DRAFT");
  save(1, 1, u"COPY");
  save(2, 2, u"");
  std::vector<char> text = list(0);
  // Two blocks, each ended by a NUL, and the final NUL.
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.back(), 0);
  std::vector<std::string> blocks = Items(text);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(text.size(), blocks[0].size() + blocks[1].size() + 3);
  EXPECT_NE(blocks[0].find(Line("WMKTEXT", "\"DRAFT\"")), std::string::npos) << blocks[0];
  EXPECT_NE(blocks[1].find(Line("WMKTEXT", "\"COPY\"")), std::string::npos) << blocks[1];
  EXPECT_NE(blocks[0].find(Line("WMKORDER", "PAPER")), std::string::npos);
  // The page switch off skips the start and end page.
  EXPECT_EQ(blocks[0].find("WMKSTARTPAGE"), std::string::npos);
  EXPECT_EQ(blocks[0].find("WMKIMAGE"), std::string::npos);
  std::vector<std::string> image = Items(list(1));
  ASSERT_EQ(image.size(), 1u);
  EXPECT_NE(image[0].find("WMKIMAGE"), std::string::npos);
  EXPECT_NE(image[0].find("WMKIMAGESCALE"), std::string::npos);
  EXPECT_EQ(image[0].find("WMKTEXT"), std::string::npos);
  // Any other kind lists the image stamps with the rows for both kinds only.
  std::vector<std::string> other = Items(list(2));
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0].find("WMKIMAGE"), std::string::npos);
  EXPECT_NE(other[0].find(Line("WMKORDER", "PAPER")), std::string::npos);
  // A damaged count: only what is stored is listed, and the walk ends.
  CfgSetStampCount(ctx, 1000000);
  EXPECT_EQ(Items(list(0)).size(), 2u);
  EXPECT_EQ(Items(list(1)).size(), 1u);
}

// A printer name cut into the 32-byte device name never splits a double-byte character.
TEST_F(ApiTest, DeviceNameIsCutAtACharacterBoundary) {
  kvp::ProfileSet("ACP", "932");
  const std::u16string wide = std::u16string(30, u'P') + u"\u65E5\u672C";  // 30 + 2 + 2 bytes in code page 932
  HANDLE p = kvtest::InstallModelPrinter(wide, kvsetup::kModelFiles);
  ASSERT_NE(p, nullptr);
  ClosePrinter(p);
  char ansi[64] = {};
  ASSERT_EQ(WideCharToMultiByte(932, 0, wide.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr), 35);
  API_DRIVER_DEVMODEA dm;
  std::memset(&dm, 0xCC, sizeof dm);
  int32_t needed = 0;
  ASSERT_EQ(ExcGetDriverDevmode(ansi, 1, sizeof dm, &dm, &needed), 0);
  EXPECT_EQ(std::string(dm.pub.dmDeviceName), std::string(30, 'P'));
  EXPECT_EQ(std::string(dm.pub.dmDeviceName + 30, 2), std::string(2, '\0'));
}

}  // namespace
