// The PJL text of a job: golden job headers of the model through zarndump for its defaults and for
// changed settings, and the command-list interpreter on hand-built lists (item kinds, value kinds, the
// composed lines, and the sizing run against the writing run).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "gr_escape.h"
#include "gr_fixture.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "gr_pjl.h"
#include "kvplat/devmode.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/time.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/item_records.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "zarn_decode.h"

namespace {

// An installed printer of the model with one device context enabled through the engine, on a virtual
// clock that stands still.
class PjlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(kvp::MachineRoot() + "/companions");
    SYSTEMTIME utc{2026, 3, 0, 7, 9, 5, 30, 0};
    kvp::test::SetSystemTime(utc);
    SYSTEMTIME local{};
    GetLocalTime(&local);
    char text[96];
    std::snprintf(text, sizeof text, "  | @PJL SET DATE = \"%04u/%02u/%02u\" \\r\\n\n  | @PJL SET TIME = \"%02u:%02u:%02u\" \\r\\n\n",
                  local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
    dateLines_ = text;
    ASSERT_EQ(kvp::eng::EnableDriver(&DrvEnableDriver, &drv_), 0u);
  }
  void TearDown() override {
    kvp::eng::DisablePdev(&dev_);
    StgPurgeContextCache(1);
    kvp::ProfileSet("ACP", "1252");
    kvp::test::UseRealClock();
  }
  GR_PDEV* Enable(const DEVMODEW* devmode = nullptr) {
    EXPECT_EQ(kvp::eng::EnablePdev(drv_, machine_.printer, machine_.name.c_str(), devmode, &dev_), 0u);
    so_.dhpdev = dev_.dhpdev;
    return static_cast<GR_PDEV*>(dev_.dhpdev);
  }
  // A device context whose job starts with one setting changed: the settings' DEVMODE goes to a new
  // context, as an application's changed document settings do.
  GR_PDEV* EnableWith(const std::vector<std::pair<WORD, DWORD>>& changes) {
    GR_PDEV* p = Enable();
    for (auto [id, option] : changes) StgSetOptionValue(p->settings, id, option);
    const DEVMODEW* store = StgGetDevmode(p->settings);
    std::vector<BYTE> dm(size_t(store->dmSize) + store->dmDriverExtra);
    std::memcpy(dm.data(), store, dm.size());
    kvp::eng::DisablePdev(&dev_);
    StgPurgeContextCache(1);  // the next context starts from the printer's settings again
    return Enable(reinterpret_cast<const DEVMODEW*>(dm.data()));
  }
  // A job of one empty page; its stream's dump ("" when a hook fails).
  std::string JobDump(const char16_t* name, DWORD id) {
    if (!DrvStartDoc(&so_, const_cast<LPWSTR>(name), id) || !DrvStartPage(&so_) || !DrvSendPage(&so_) ||
        !DrvEndDoc(&so_, 0))
      return "";
    std::string bytes = grtest::ReadHostFile(kvp::MachineRoot() + "/spool/output/job" + std::to_string(id) + ".zarn");
    std::string out;
    EXPECT_TRUE(zarn::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false, &out).ok) << out;
    return out;
  }

  grtest::ModelPrinter machine_;
  kvp::eng::Driver drv_;
  kvp::eng::Device dev_;
  SURFOBJ so_{};
  std::string dateLines_;
};

// The model's job header for its default settings, line by line as the data file's command lists give it.
TEST_F(PjlTest, JobHeaderOfTheModelForItsDefaults) {
  Enable();
  std::string dump = JobDump(u"plan", 1);
  std::string expected =
      "block 243 job-header length 969\n"
      "  | \\x1B%-12345X@PJL \\r\\n\n"
      "  | @PJL JOB \\r\\n\n"
      "  | @PJL SET ZARNDRIVERNAME = \"KAVRO Lumeta QT M8350 ZARN\" \\r\\n\n"
      "  | @PJL SET ZARNPRINTERNAME = \"Engine plotter\" \\r\\n\n" +
      dateLines_ +
      "  | @PJL SET JOBTYPE = NORMAL \\r\\n\n"
      "  | @PJL SET COPIES = 1 \\r\\n\n"
      "  | @PJL SET TRAY = ALL \\r\\n\n"
      "  | @PJL SET APLPAGESIZE = A4 \\r\\n\n"
      "  | @PJL SET PAPER = SAME \\r\\n\n"
      "  | @PJL SET ORIENTATION = PORTRAIT \\r\\n\n"
      "  | @PJL SET MEDIATYPE = AUTO \\r\\n\n"
      "  | @PJL SET COLORSELECT = MONO \\r\\n\n"
      "  | @PJL SET RESOLUTION = 600 \\r\\n\n"
      "  | @PJL SET ECONOMODE = OFF \\r\\n\n"
      "  | @PJL SET OUTBIN = UPPER \\r\\n\n"
      "  | @PJL SET COLLATE = OFF \\r\\n\n"
      "  | @PJL SET SCALETYPE = OFF \\r\\n\n"
      "  | @PJL SET NUP = OFF \\r\\n\n"
      "  | @PJL SET FOLDING = OFF \\r\\n\n"
      "  | @PJL SET MARGINODD = 0 \\r\\n\n"
      "  | @PJL SET MARGINEVEN = 0 \\r\\n\n"
      "  | @PJL SET DEVFONTID = \"1+ZarnSans/2+ZarnSansBold/3+ZarnSansCondensed/4+ZarnSerif/5+ZarnSerifBold/"
      "6+ZarnMono/7+ZarnSymbol\" \\r\\n\n"
      "  | @PJL SET TTFONT = SUBSTITUTE \\r\\n\n"
      "  | @PJL SET SUBFONTTABLE = \"Orlen Sans+ZarnSans/Orlen Sans Narrow+ZarnSansCondensed/Orlen Serif+ZarnSerif/"
      "Orlen Mono+ZarnMono/Orlen Symbol+ZarnSymbol\" \\r\\n\n"
      "  | @PJL ENTER LANGUAGE = ZARN \\r\\n\n"
      "block 243 job-header length 27\n"
      "  | @PJL SET JOBNAME = \"plan\"\\r\\n\n"
      "block 244 page-header length 77\n"
      "  | @PJL COMMENT PAGE \\r\\n\n"
      "  | @PJL SET PAGESIZE = A4 \\r\\n\n"
      "  | @PJL SET PAGERESOLUTION = 600 \\r\\n\n"
      "block 240 marker\n";
  EXPECT_EQ(dump.substr(0, expected.size()), expected);
  EXPECT_NE(dump.find("block 241 page-trailer length 27\n  | @PJL COMMENT END OF PAGE \\r\\n\n"), std::string::npos) << dump;
}

// Changed settings reach their lines of the job header (and the page header where it repeats them);
// the defaults' lines are gone.
TEST_F(PjlTest, ChangedSettingsInTheJobHeader) {
  auto option = [](const char* name) { return DWORD(StgFindEnumSymbolByName(name)->value & 0xFFFF); };
  struct Case {
    const char* name;
    std::vector<std::pair<WORD, DWORD>> changes;
    std::vector<std::string> lines;  // lines the dump holds
    std::string gone;                // a default line it no longer holds
  } cases[] = {
      {"paper A0", {{sid::dmPaperSize, option("IDS_PAPERSIZE_A0")}},
       {"  | @PJL SET APLPAGESIZE = A0 \\r\\n\n", "  | @PJL SET PAGESIZE = A0 \\r\\n\n"}, "APLPAGESIZE = A4"},
      {"translucent media", {{sid::rdmMediaType, option("IDS_MEDIATYPE_TRACINGPAPER")}},
       {"  | @PJL SET MEDIATYPE = TRANSLUCENT \\r\\n\n"}, "MEDIATYPE = AUTO"},
      {"300 dpi", {{sid::dmPrintQuality, 300}, {sid::dmYResolution, 300}},
       {"  | @PJL SET RESOLUTION = 300 \\r\\n\n", "  | @PJL SET PAGERESOLUTION = 300 \\r\\n\n"}, "RESOLUTION = 600"},
      {"three copies", {{sid::dmCopies, 3}}, {"  | @PJL SET COPIES = 3 \\r\\n\n"}, "COPIES = 1 "},
      {"collated", {{sid::rdmFuncSelectSort, 1}}, {"  | @PJL SET COLLATE = SORT \\r\\n\n"}, "COLLATE = OFF"},
      {"rear output", {{sid::rdmOutputTrayID, option("IDS_OUTPUT_REAR")}}, {"  | @PJL SET OUTBIN = LOWER \\r\\n\n"},
       "OUTBIN = UPPER"},
  };
  DWORD job = 10;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    EnableWith(k.changes);
    std::string dump = JobDump(u"plan", job++);
    for (const std::string& line : k.lines) EXPECT_NE(dump.find(line), std::string::npos) << line << dump;
    EXPECT_EQ(dump.find(k.gone), std::string::npos) << dump;
    EXPECT_NE(dump.find(dateLines_), std::string::npos) << dump;
    kvp::eng::DisablePdev(&dev_);
    StgPurgeContextCache(1);
  }
  // A double-byte job name in code page 932 keeps its bytes.
  kvp::ProfileSet("ACP", "932");
  Enable();
  std::string dump = JobDump(u"\u56F3\u9762", job);
  EXPECT_NE(dump.find("  | @PJL SET JOBNAME = \"\\x90}\\x96\\xCA\"\\r\\n\n"), std::string::npos) << dump;
}

// A user code an application gives through its job-log escape before the document starts is kept
// through the start of the document and reaches the job header's conditional user-code line.
TEST_F(PjlTest, AJobLogUserCodeReachesTheJobHeader) {
  Enable();
  const char code[] = "U123";
  ASSERT_EQ(DrvEscape(&so_, GR_ESC_USER_CODE, sizeof code, const_cast<char*>(code), 0, nullptr), 1u);
  std::string dump = JobDump(u"plan", 40);
  const std::string line = "  | @PJL SET USERCODE = \"U123\" \\r\\n\n";
  EXPECT_NE(dump.find(dateLines_ + line), std::string::npos) << dump;
  // Without a code the line is left out.
  ASSERT_EQ(DrvEscape(&so_, GR_ESC_USER_CODE, 0, nullptr, 0, nullptr), 1u);
  dump = JobDump(u"plan", 41);
  EXPECT_EQ(dump.find("USERCODE"), std::string::npos) << dump;
}

// Option texts by stored value: list settings by their options (the pick-one forms for pages read as
// pick-one), on/off settings by their two texts.
TEST_F(PjlTest, OptionTextsOfStoredValues) {
  SETTING_CONTEXT* ctx = Enable()->settings;
  auto text = [&](WORD id, DWORD value) {
    const char* t = GrGetOptionText(ctx, id, value);
    return std::string(t ? t : "(none)");
  };
  EXPECT_EQ(text(sid::dmPaperSize, DMPAPER_A4), "A4");
  EXPECT_EQ(text(sid::dmPaperSize, 267), "A0");
  EXPECT_EQ(text(sid::dmPaperSize, 4242), "(none)");
  EXPECT_EQ(text(sid::rdmFuncSelectSort, 1), "SORT");
  EXPECT_EQ(text(sid::rdmFuncSelectSort, 0), "OFF");
  EXPECT_EQ(text(sid::dmCopies, 1), "(none)");  // a number has no option text
}

// ---- the interpreter on hand-built lists ------------------------------------------------------------

// Records of a relocated image built in memory: every record keeps its address while the image lives.
class FakeImage {
 public:
  FakeImage() : header_(dfc::kHeaderSize) {}
  COMPILED_IMAGE* image() { return reinterpret_cast<COMPILED_IMAGE*>(header_.data()); }

  uint64_t Bytes(const void* p, size_t n) {
    blobs_.emplace_back(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
    return uint64_t(uintptr_t(blobs_.back().data()));
  }
  template <class T>
  uint64_t Rec(const T& t) {
    return Bytes(&t, sizeof t);
  }
  uint64_t Str(const char* s) { return s ? Bytes(s, std::strlen(s) + 1) : 0; }

  // A command node, appended to the feature list.
  uint64_t Node(WORD key, WORD subKey, WORD type, uint64_t options, const char* prefix = "<", const char* suffix = ">\n") {
    dfc::IMAGE_NODE n{};
    n.key = key;
    n.variant = subKey;
    n.type = type;
    n.options = options;
    if (prefix || suffix) n.commands = Rec(dfc::OPTION_COMMAND_PAIR{Str(prefix), Str(suffix)});
    uint64_t at = Rec(n);
    if (last_)
      dfc::Put<uint64_t>(reinterpret_cast<void*>(uintptr_t(last_)), 0, at);
    else
      dfc::Put<uint64_t>(header_.data(), DFC_OFF(COMPILED_IMAGE_HEADER, FeatureList), at);
    last_ = at;
    return at;
  }
  uint64_t Options(std::vector<std::pair<WORD, const char*>> list) {
    uint64_t next = 0;
    for (auto it = list.rbegin(); it != list.rend(); ++it) next = Rec(dfc::IMAGE_OPTION{next, it->first, Str(it->second)});
    return next;
  }
  uint64_t Numeric(int16_t multiplier, int16_t divisor) {
    dfc::NUMERIC_VALUE v{};
    v.number7 = multiplier;
    v.number8 = divisor;
    return Rec(v);
  }
  // Makes `node` the node of setting `id` (the image's slot of the setting).
  void Slot(WORD id, uint64_t node) { dfc::Put<uint64_t>(header_.data(), dfc::SlotOffset(dfc::SlotIndex(id)), node); }
  // The root block of one of the header's command groups.
  void Group(size_t offset, uint64_t block) { dfc::Put<uint64_t>(header_.data(), offset, block); }
  uint64_t OnOff(const char* on, const char* off) { return Rec(dfc::BOOLEAN_VALUE{0, Str(on), Str(off)}); }

  // Command entries: each takes the entry that follows it.
  uint64_t Setting(WORD key, int16_t subKey, uint64_t next = 0) {
    return Rec(dfc::COMMAND_ENTRY_GROUP{next, 1, key, subKey, 0});
  }
  uint64_t Literal(const char* text, uint64_t next = 0) {
    return Rec(dfc::COMMAND_ENTRY_STRING{next, 2, std::strlen(text) + 1, Str(text)});
  }
  uint64_t Fonts(uint64_t next = 0) { return Rec(dfc::COMMAND_ENTRY_FONT{next, 4}); }
  uint64_t Kind(uint64_t kind, uint64_t next = 0) { return Rec(dfc::COMMAND_ENTRY_FONT{next, kind}); }
  uint64_t Block(uint64_t condition, uint64_t thenList, uint64_t elseList = 0) {
    return Rec(dfc::COMMAND_BLOCK{condition, thenList, elseList});
  }
  uint64_t Conditional(uint64_t block, uint64_t next = 0) { return Rec(dfc::COMMAND_ENTRY_BLOCK{next, 3, block}); }
  // A rule expression that is a constant.
  uint64_t Constant(WORD value) {
    dfc::RULE_CELL cells[2] = {{dfc::kCellConstant, value}, {dfc::kCellOperator, dfc::kOpEnd}};
    return Bytes(cells, sizeof cells);
  }

 private:
  std::vector<uint8_t> header_;
  std::deque<std::vector<uint8_t>> blobs_;
  uint64_t last_ = 0;
};

// A settings context of the model whose compiled image is swapped for a hand-built one.
class InterpreterTest : public PjlTest {
 protected:
  void SetUp() override {
    PjlTest::SetUp();
    ctx_ = Enable()->settings;
    ASSERT_NE(ctx_, nullptr);
    saved_ = ctx_->image;
    ctx_->image = fake_.image();
  }
  void TearDown() override {
    ctx_->image = saved_;
    PjlTest::TearDown();
  }
  // Runs a list both ways: the sizing run's result and the written text (sizing and writing must agree).
  int Produce(uint64_t block, std::string* text) {
    DWORD length = 0;
    int sized = GrProduceCommandList(ctx_, block, 0, nullptr, &length);
    text->clear();
    if (sized < 0) return sized;
    std::vector<char> buffer(length + 1, '#');
    DWORD written = 0;
    int wrote = GrProduceCommandList(ctx_, block, length, buffer.data(), &written);
    EXPECT_GE(wrote, 0);
    EXPECT_EQ(written, length);
    EXPECT_EQ(buffer[length], '#');  // nothing past the sized length
    text->assign(buffer.data(), written);
    return sized;
  }
  std::string Text(uint64_t block) {
    std::string t;
    EXPECT_GE(Produce(block, &t), 0);
    return t;
  }

  SETTING_CONTEXT* ctx_ = nullptr;
  COMPILED_IMAGE* saved_ = nullptr;
  FakeImage fake_;
};

constexpr WORD kCopiesKey = 552;      // dmCopies, signed 16 bits
constexpr WORD kCollateKey = 677;     // rdmFuncSelectSort, on/off
constexpr WORD kMediaKey = 534;       // rdmMediaType, a list
constexpr WORD kUserCodeKey = 834;    // rdmUserCode, multibyte text
constexpr WORD kTimeKey = 65;         // rdmTime: date and time
constexpr WORD kMarginKey = 1171;     // rdmMarginOdd: 1200-dpi dots
constexpr WORD kShiftXKey = 1160;     // rdmShiftMarginX: dots, negated by the shift direction

TEST_F(InterpreterTest, ItemKindsAndTheirFailures) {
  fake_.Node(kCollateKey, 0, dfc::kTypeBoolean, fake_.OnOff("ON", "OFF"));
  std::string text;
  // No list, or a list without items: an empty block and success.
  EXPECT_EQ(Produce(0, &text), 0);
  EXPECT_EQ(Produce(fake_.Block(0, 0), &text), 0);
  EXPECT_EQ(text, "");
  // A literal of size 1 (only its terminator) writes nothing; the sizing run says 1 when there is text.
  EXPECT_EQ(Produce(fake_.Block(0, fake_.Literal("", fake_.Literal("A\r\n"))), &text), 1);
  EXPECT_EQ(text, "A\r\n");
  struct Case {
    const char* name;
    uint64_t list;
  } failing[] = {
      {"unknown kind", fake_.Literal("x", fake_.Kind(7))},
      {"no node for the setting", fake_.Setting(kCopiesKey, 0)},
      {"no setting for the key", fake_.Setting(0xFFF0, 0)},
      {"sub-key without a node", fake_.Setting(kCollateKey, 3)},
  };
  for (const Case& k : failing) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(Produce(fake_.Block(0, k.list), &text), -1);
    DWORD length = 0;
    char buffer[16];
    EXPECT_EQ(GrProduceCommandList(ctx_, fake_.Block(0, k.list), sizeof buffer, buffer, &length), -1);
  }
  // A writing run whose buffer is not exactly the sized length fails instead of leaving bytes unwritten
  // or writing past the buffer.
  uint64_t text2 = fake_.Block(0, fake_.Literal("ABCD"));
  char buffer[8] = "#######";
  DWORD length = 0;
  EXPECT_EQ(GrProduceCommandList(ctx_, text2, 3, buffer, &length), -1);
  EXPECT_EQ(std::string(buffer, 4), "ABC#");
  EXPECT_EQ(GrProduceCommandList(ctx_, text2, 6, buffer, &length), -1);
  EXPECT_EQ(GrProduceCommandList(ctx_, text2, 4, buffer, &length), 0);
  EXPECT_EQ(length, 4u);
  // A failing item inside a conditional fails the whole list.
  EXPECT_EQ(Produce(fake_.Block(0, fake_.Conditional(fake_.Block(0, fake_.Kind(9)))), &text), -1);
}

// A page header the data file cannot make fails the page; the job header and the trailer come from
// their own lists.
TEST_F(InterpreterTest, APageHeaderThatFailsFailsThePage) {
  fake_.Group(DFC_OFF(COMPILED_IMAGE_HEADER, JobStart), fake_.Block(0, fake_.Literal("@PJL JOB\r\n")));
  fake_.Group(DFC_OFF(COMPILED_IMAGE_HEADER, PageStart), fake_.Block(0, fake_.Kind(7)));
  ASSERT_TRUE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), 40));
  EXPECT_FALSE(DrvStartPage(&so_));
  DrvEndDoc(&so_, ED_ABORTDOC);
}

TEST_F(InterpreterTest, ConditionalsTakeTheirTrueOrFalseList) {
  auto list = [&](uint64_t condition) {
    return fake_.Block(0, fake_.Literal("<", fake_.Conditional(fake_.Block(condition, fake_.Literal("yes"), fake_.Literal("no")),
                                                               fake_.Literal(">"))));
  };
  EXPECT_EQ(Text(list(0)), "<yes>");
  EXPECT_EQ(Text(list(fake_.Constant(1))), "<yes>");
  EXPECT_EQ(Text(list(fake_.Constant(0))), "<no>");
  // Nesting deeper than any data file needs stops the run instead of the stack.
  uint64_t deep = fake_.Literal("x");
  for (int i = 0; i < 100; ++i) deep = fake_.Conditional(fake_.Block(0, deep));
  std::string text;
  EXPECT_EQ(Produce(fake_.Block(0, deep), &text), -1);
}

TEST_F(InterpreterTest, ValueKinds) {
  fake_.Node(kMediaKey, 0, dfc::kTypePickOne, fake_.Options({{1, "AUTO"}, {5, "FILM"}}));
  fake_.Node(kCollateKey, 0, dfc::kTypeBoolean, fake_.OnOff("SORT", "OFF"));
  fake_.Node(kUserCodeKey, 0, dfc::kTypeString, 0, "<\"", "\">");
  fake_.Node(kCopiesKey, 0, dfc::kTypeNumeric, fake_.Numeric(1, 2));
  fake_.Node(kCopiesKey, 1, dfc::kTypeNumeric, fake_.Numeric(3, 0));  // a divisor of 0 from a bad data file
  fake_.Node(kCopiesKey, 2, dfc::kTypeNumeric | dfc::kTypeUnknown, fake_.Numeric(1, 1));
  fake_.Node(kCopiesKey, 3, dfc::kTypeNumeric | dfc::kTypeIdentity, fake_.Numeric(10, 1));

  ITEM_DESC* media = StgFindItemByKey(ctx_, kMediaKey);
  StgWriteOptionValue(ctx_, media, 5);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kMediaKey, 0))), "<FILM>\n");
  StgWriteOptionValue(ctx_, media, 4);  // no option of that value: nothing
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kMediaKey, 0))), "");

  StgSetValue(ctx_, sid::rdmFuncSelectSort, 1);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kCollateKey, 0))), "<SORT>\n");
  StgSetValue(ctx_, sid::rdmFuncSelectSort, 0);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kCollateKey, 0))), "<OFF>\n");

  ITEM_DESC* code = StgFindItemByKey(ctx_, kUserCodeKey);
  StgSetString(ctx_, code, u"4711");
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kUserCodeKey, 0))), "<\"4711\">");
  StgSetString(ctx_, code, u"");
  std::string text;
  EXPECT_EQ(Produce(fake_.Block(0, fake_.Setting(kUserCodeKey, 0)), &text), -1);

  // Scaled numbers in signed arithmetic: a negative setting prints as a negative number.
  struct Number {
    int16_t value;
    WORD subKey;
    const char* text;
  } numbers[] = {
      {7, 0, "<3>\n"}, {-5, 0, "<-2>\n"}, {-1, 0, "<0>\n"}, {9, 1, ""}, {9, 2, ""}, {-4, 3, "<-40>\n"}, {4, 9, "<40>\n"},
  };
  for (const Number& n : numbers) {
    SCOPED_TRACE(n.text);
    StgSetValue(ctx_, sid::dmCopies, uint64_t(uint32_t(int32_t(n.value))));
    EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kCopiesKey, int16_t(n.subKey)))), n.text);
  }
}

TEST_F(InterpreterTest, WideTextsAreConvertedToTheAnsiCodePage) {
  // The form name is the model's one wide text setting; a key is lent to it for this list.
  ITEM_DESC* form = StgFindItem(ctx_, sid::dmFormName);
  ASSERT_NE(form, nullptr);
  uint64_t key = form->key;
  form->key = 0x7FF0;
  fake_.Node(0x7FF0, 0, dfc::kTypeString, 0);
  StgSetString(ctx_, form, u"Plan \u00C4");
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(0x7FF0, 0))), "<Plan \xC4>\n");
  form->key = key;
}

TEST_F(InterpreterTest, SpecialKindsWriteTheirOwnLines) {
  // A node that writes nothing still runs its setting's special writer.
  fake_.Node(kTimeKey, 0, dfc::kTypePickOne | dfc::kTypeUnknown, 0, "@PJL SET TIME = ", " \r\n");
  SYSTEMTIME local{};
  GetLocalTime(&local);
  char expected[96];
  std::snprintf(expected, sizeof expected, "@PJL SET DATE = \"%04u/%02u/%02u\" \r\n@PJL SET TIME = \"%02u:%02u:%02u\" \r\n",
                local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kTimeKey, 0))), expected);

  // Dot values at the output resolution (600 dpi): value * multiplier * 600 / (divisor * 1200).
  fake_.Node(kMarginKey, 0, dfc::kTypeNumeric, fake_.Numeric(1, 1));
  fake_.Node(kMarginKey, 1, dfc::kTypeNumeric, fake_.Numeric(1, 0));
  fake_.Node(kShiftXKey, 0, dfc::kTypeNumeric, fake_.Numeric(1, 1));
  ASSERT_EQ(StgGetDstResolutionW(ctx_), 600u);
  StgSetValue(ctx_, sid::rdmMarginOdd, 1200);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kMarginKey, 0))), "<600>\n");
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kMarginKey, 1))), "");  // zero divisor: nothing, the run goes on
  StgSetValue(ctx_, sid::rdmShiftMarginX, 5);
  struct Shift {
    DWORD dir;
    const char* text;
  } shifts[] = {{1, "<2>\n"}, {2, "<-2>\n"}, {3, "<2>\n"}, {4, "<-2>\n"}};
  for (const Shift& s : shifts) {
    SCOPED_TRACE(s.dir);
    StgSetValue(ctx_, sid::rdmShiftDir, s.dir);
    EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kShiftXKey, 0))), s.text);
  }
}

TEST_F(InterpreterTest, DeviceFontLine) {
  DEVICE_FONT_REC fonts[3] = {};
  fonts[0].id = 0xFFFF;
  fonts[1].id = 0xFFFF;
  fonts[2].id = 0xFFFF;
  std::memcpy(fonts[1].name, u"Zarn", 10);
  void* kept = reinterpret_cast<void*>(uintptr_t(StgGetValue(ctx_, sid::rdmDeviceFont, nullptr)));
  uint64_t keptNum = StgGetValue(ctx_, sid::rdmDeviceFontNum, nullptr);
  void** slot = StgFontListSlot(ctx_, sid::rdmDeviceFont, false);
  ASSERT_NE(slot, nullptr);
  *slot = fonts;
  StgSetValue(ctx_, sid::rdmDeviceFontNum, 3);
  // Every record unused: the opening quote is closed at once.
  EXPECT_EQ(Text(fake_.Block(0, fake_.Fonts())), "@PJL SET DEVFONTID = \" \r\n");
  fonts[1].id = 12;
  fonts[2].id = 0x10007;  // only the low 16 bits are the id
  std::memcpy(fonts[2].name, u"A name longer than thirty-two characters", 64);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Fonts())),
            "@PJL SET DEVFONTID = \"12+Zarn/7+A name longer than thirty-two ch\" \r\n");
  fonts[2].id = 0xFFFF;
  EXPECT_EQ(Text(fake_.Block(0, fake_.Fonts())), "@PJL SET DEVFONTID = \"12+Zarn\" \r\n");
  StgSetValue(ctx_, sid::rdmDeviceFontNum, 0);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Fonts())), "");
  *slot = kept;
  StgSetValue(ctx_, sid::rdmDeviceFontNum, keptNum);
}

TEST_F(InterpreterTest, ComposedLines) {
  GR_PJL_OUT sized{nullptr, 0, 0, false};
  GrPutPjlSet(&sized, "CHAPTERPRINTTRAY1", "ROLL1");
  GrPutPjlSet(&sized, nullptr, "x");
  GrPutPjlSet(&sized, "x", nullptr);
  char buffer[64] = {};
  GR_PJL_OUT out{buffer, sizeof buffer, 0, false};
  char key[32];
  GrPutPjlSet(&out, GrNumberedKey(key, sizeof key, "CHAPTERPRINTTRAY", 1), "ROLL1");
  EXPECT_EQ(std::string(buffer, out.length), "@PJL SET CHAPTERPRINTTRAY1 = ROLL1 \r\n");
  EXPECT_EQ(sized.length, out.length);
  // A text longer than the buffer is cut at its end and marked.
  GR_PJL_OUT small{buffer, 8, 0, false};
  GrAppendPjlLine(&small, "@PJL SET ", "A", nullptr);
  EXPECT_TRUE(small.overflow);
  EXPECT_EQ(std::string(buffer, 8), "@PJL SET");
}

// The writing run fills exactly what the sizing run measured, for any list.
TEST_F(InterpreterTest, SizingAndWritingAgreeOnGeneratedLists) {
  fake_.Node(kMediaKey, 0, dfc::kTypePickOne, fake_.Options({{1, "AUTO"}, {5, "FILM"}}));
  fake_.Node(kCollateKey, 0, dfc::kTypeBoolean, fake_.OnOff("SORT", "OFF"));
  fake_.Node(kCopiesKey, 0, dfc::kTypeNumeric, fake_.Numeric(7, 3));
  fake_.Node(kTimeKey, 0, dfc::kTypePickOne | dfc::kTypeUnknown, 0, "T", "\r\n");
  std::mt19937 rng(29);
  const char* literals[] = {"@PJL JOB \r\n", "", "x", "@PJL ENTER LANGUAGE = ZARN \r\n"};
  const WORD keys[] = {kMediaKey, kCollateKey, kCopiesKey, kTimeKey};
  std::function<uint64_t(int)> list = [&](int depth) {
    uint64_t next = 0;
    int items = int(rng() % 6);
    for (int i = 0; i < items; ++i) {
      switch (rng() % 4) {
        case 0: next = fake_.Literal(literals[rng() % 4], next); break;
        case 1: next = fake_.Setting(keys[rng() % 4], 0, next); break;
        case 2: next = fake_.Fonts(next); break;
        default:
          if (depth < 3)
            next = fake_.Conditional(fake_.Block(rng() % 2 ? fake_.Constant(WORD(rng() % 2)) : 0, list(depth + 1), list(depth + 1)),
                                     next);
      }
    }
    return next;
  };
  for (int n = 0; n < 60; ++n) {
    StgSetValue(ctx_, sid::dmCopies, rng() % 200);
    std::string text;
    EXPECT_GE(Produce(fake_.Block(0, list(0)), &text), 0);
  }
}

// The localized option texts: the resource library's text first, then the text handed over at the start
// of the document, then the option's own text.
TEST_F(InterpreterTest, LocalizedValueFallsBackToTheHandedOverText) {
  constexpr WORD kFormKey = 1141;  // rdmHFPageForm, special kind 13
  ITEM_DESC* row = StgFindItemByKey(ctx_, kFormKey);
  ASSERT_NE(row, nullptr);
  fake_.Node(kFormKey, 0, dfc::kTypePickOne, fake_.Options({{731, "OWN731"}, {733, "OWN733"}, {734, "OTHER"}}));
  STRING_HANDOVER_ROW kept = GR_STRING_TABLE[1];
  ASSERT_EQ(kept.key, 733);
  // The model's resource library holds text 15001: it wins over the handed-over text.
  std::u16string handed = u"Page \u00E9";
  std::memcpy(GR_STRING_TABLE[1].text, handed.c_str(), (handed.size() + 1) * 2);
  StgWriteOptionValue(ctx_, row, 733);
  std::string fromLibrary = Text(fake_.Block(0, fake_.Setting(kFormKey, 0)));
  EXPECT_NE(fromLibrary, "<Page \xE9>\n");
  EXPECT_NE(fromLibrary, "<OWN733>\n");
  GR_STRING_TABLE[1].text[0] = 0;
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kFormKey, 0))), fromLibrary);
  // A value that is no row of the table writes the option's text.
  StgWriteOptionValue(ctx_, row, 734);
  EXPECT_EQ(Text(fake_.Block(0, fake_.Setting(kFormKey, 0))), "<OTHER>\n");
  GR_STRING_TABLE[1] = kept;
}

// The chapter lines follow the chapter switch's on/off text: the trays that start chapters with their
// duplex choice, then each row's lines in row order.
TEST_F(InterpreterTest, ChapterLines) {
  ITEM_DESC* row = StgFindItemByKey(ctx_, kCollateKey);
  ASSERT_NE(row, nullptr);
  const uint64_t keptSpecial = row->special;
  row->special = 11;
  fake_.Node(kCollateKey, 0, dfc::kTypeBoolean, fake_.OnOff("ON", "OFF"));
  fake_.Slot(sid::wdmChapterTray, fake_.Node(0, 0, dfc::kTypePickOne, fake_.Options({{2, "ROLL1"}, {3, "ROLL2"}})));
  StgSetValue(ctx_, sid::wdmChapterMax, 8);
  StgSetValue(ctx_, sid::wdmChapterNum, 3);
  StgSetValue(ctx_, sid::wdmChapterTrayMax, 2);
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 1);
  struct Row {
    WORD page;
    SHORT tray;
    BYTE kind, print;
    const char16_t* range;
  } rows[] = {{1, 2, 0, 1, u""}, {3, 3, 3, 2, u"5"}, {9, 0, 1, 0, u""}};
  for (int i = 0; i < 3; ++i) {
    CHAPTER_ROW* r = StgGetChapterRow(ctx_, i);
    ASSERT_NE(r, nullptr);
    *r = CHAPTER_ROW{rows[i].page, rows[i].tray, rows[i].kind, rows[i].print, {}};
    std::memcpy(r->range, rows[i].range, std::char_traits<char16_t>::length(rows[i].range) * 2);
  }
  const uint64_t list = fake_.Block(0, fake_.Setting(kCollateKey, 0));
  StgWriteOptionValue(ctx_, row, 1);
  EXPECT_EQ(Text(list),
            "<ON>\n"
            "@PJL SET CHAPTERPRINTTRAY1 = ROLL1 \r\n"
            "@PJL SET CHAPTERPRINTDUPLEX1 = ON \r\n"
            "@PJL SET CHAPTERPRINTTRAY2 = ROLL2 \r\n"
            "@PJL SET CHAPTERPRINTDUPLEX2 = OFF \r\n"
            "@PJL SET CHAPTERPAGENUMBER1 = 1 \r\n"
            "@PJL SET CHAPTERPAGE1 = COPY \r\n"
            "@PJL SET CHAPTERPAGETRAY1 = CHAPTERPRINTTRAY1 \r\n"
            "@PJL SET CHAPTERPAGESTART2 = 5 \r\n"
            "@PJL SET CHAPTERPAGEEND2 = 5 \r\n"
            "@PJL SET CHAPTERPAGETRAY2 = CHAPTERPRINTTRAY2 \r\n"
            "@PJL SET CHAPTERPAGENUMBER3 = 9 \r\n"
            "@PJL SET CHAPTERPAGE3 = BREAK \r\n");

  // One usable tray: the second tray's rows name the line one past the used trays; a range of two
  // numbers gives both ends.
  StgSetValue(ctx_, sid::wdmChapterTrayMax, 1);
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 0);
  std::memcpy(StgGetChapterRow(ctx_, 1)->range, u"12-20", 12);
  EXPECT_EQ(Text(list),
            "<ON>\n"
            "@PJL SET CHAPTERPRINTTRAY1 = ROLL1 \r\n"
            "@PJL SET CHAPTERPRINTDUPLEX1 = OFF \r\n"
            "@PJL SET CHAPTERPAGENUMBER1 = 1 \r\n"
            "@PJL SET CHAPTERPAGE1 = COPY \r\n"
            "@PJL SET CHAPTERPAGETRAY1 = CHAPTERPRINTTRAY1 \r\n"
            "@PJL SET CHAPTERPAGESTART2 = 12 \r\n"
            "@PJL SET CHAPTERPAGEEND2 = 20 \r\n"
            "@PJL SET CHAPTERPAGETRAY2 = CHAPTERPRINTTRAY2 \r\n"
            "@PJL SET CHAPTERPAGENUMBER3 = 9 \r\n"
            "@PJL SET CHAPTERPAGE3 = BREAK \r\n");

  // Switched off, or without a tray limit: only the on/off text.
  StgWriteOptionValue(ctx_, row, 0);
  EXPECT_EQ(Text(list), "<OFF>\n");
  StgWriteOptionValue(ctx_, row, 1);
  StgSetValue(ctx_, sid::wdmChapterTrayMax, 0);
  EXPECT_EQ(Text(list), "<ON>\n");
  row->special = keptSpecial;
}

// Colour-matching files: the model's files after the driver folder, and for values 200-215 the path of
// the user's colour profile.
TEST_F(InterpreterTest, ColorFilesAndUserProfiles) {
  ITEM_DESC* row = StgFindItemByKey(ctx_, kCollateKey);
  ASSERT_NE(row, nullptr);
  const uint64_t keptSpecial = row->special;
  row->special = 102;
  fake_.Node(kCollateKey, 3, dfc::kTypeBoolean, fake_.OnOff("ON", "OFF"));  // sub-key 3: images
  const uint64_t list = fake_.Block(0, fake_.Setting(kCollateKey, 3));
  StgSetValue(ctx_, sid::rdmMachineTypeColor, 1);
  StgSetValue(ctx_, sid::rdmAdjustMode, 0);
  char dir[262] = {};
  CfgWideToAnsi(dir, CfgGetDriverDir(ctx_), 261);
  std::string folder = dir;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  StgSetValue(ctx_, sid::rdmColorMatchingMode, 128);
  EXPECT_EQ(Text(list), "<" + folder + "KV99C152.kcm>\n");

  // Profile 1 of the region's list is value 201.
  const std::u16string region = StgGetRegionCode(ctx_);
  const WCHAR* ini = CfgGetIniPath(ctx_);
  std::string host;
  kvp::MapPath(ini, host);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  StgSetCmmCount(ctx_, 2);
  ASSERT_EQ(StgGetCmmCount(ctx_), 2);
  ASSERT_TRUE(CfgIniWriteString((u"ColorMatching1" + region).c_str(), u"wdmColorProfilePath", u"C:\\Profiles\\Proof.icm", ini));
  StgSetValue(ctx_, sid::rdmColorMatchingMode, 201);
  EXPECT_EQ(Text(list), "<C:\\Profiles\\Proof.icm>\n");
  // With adjustment per object class the class setting names the profile.
  StgSetValue(ctx_, sid::rdmAdjustMode, 1);
  StgSetValue(ctx_, sid::wdmColorMatchingImage, 201);
  StgSetValue(ctx_, sid::rdmColorMatchingMode, 0);
  EXPECT_EQ(Text(list), "<C:\\Profiles\\Proof.icm>\n");
  // A value past the registered profiles writes nothing.
  StgSetValue(ctx_, sid::wdmColorMatchingImage, 205);
  EXPECT_EQ(Text(list), "");
  row->special = keptSpecial;
}

}  // namespace
