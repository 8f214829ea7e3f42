// Reader and tokenizer: statement shapes, malformed forms, resumption, value scanners, the FileVersion
// probe, mapping of the file and running out of memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "dfc_test_support.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvtest/temp_root.h"

using namespace dfc;
using dfctest::Compiled;

namespace {

struct Read {
  int result;
  std::string keyword, option, option2, value;
};

std::vector<Read> ReadAll(const std::string& text) {
  STATEMENT_TOKENS t;
  EXPECT_TRUE(t.Init());
  DATA_FILE_READER r;
  r.base = r.cursor = reinterpret_cast<const uint8_t*>(text.data());
  r.remaining = text.size();
  std::vector<Read> out;
  for (;;) {
    int res = DfcReadStatement(t, r);
    out.push_back({res, t.keyword.bytes, t.option.bytes, t.option2.bytes, std::string(t.value.bytes, t.value.length)});
    if (res != kReadOk && res != kReadMalformed) break;
  }
  t.Free();
  return out;
}

TEST(DfcReader, StatementShapesAndMalformedForms) {
  struct Case {
    const char* text;
    int result;
    const char* keyword;
    const char* option;
    const char* option2;
    const char* value;
  } cases[] = {
      {"*CloseUI\r\n", 0, "CloseUI", "", "", ""},
      {"*CloseUI \r\n", 3, "CloseUI", "", "", ""},
      {"*FileVersion: 8.63\n", 0, "FileVersion", "", "", "8.63"},
      {"*CommandString 3: \"x\"\n", 0, "CommandString", "3", "", "\"x\""},
      {"*PageValue Area IDS_A4: 86 P\n", 0, "PageValue", "Area", "IDS_A4", "86 P"},
      {"*PageValue a b c: x\n", 3, "PageValue", "a", "b", ""},
      {"*OpenUI *Foo/Bar: PickOne\n", 3, "OpenUI", "*Foo", "", ""},
      {"*Key: {a\nb}\n", 0, "Key", "", "", "{a\nb}"},
      {"*Key: \"a(b\"\n", 3, "Key", "", "", "\"a"},
      {"*Key: \"a%(b\"\n", 0, "Key", "", "", "\"a%(b\""},
      {"*Key: \"a{b\"\n", 3, "Key", "", "", "\"a"},
      {"*Key: ( \"q\" )\n", 0, "Key", "", "", "( \"q\" )"},
      {"*Key: ({)\n", 3, "Key", "", "", "("},
      {"*Key: )\n", 3, "Key", "", "", ""},
      {"*Key: }\n", 3, "Key", "", "", ""},
      {"*Key: x  \n", 0, "Key", "", "", "x  "},
      {"*Key:\n", 0, "Key", "", "", ""},
      {"*Key: \"%\nx\"\n", 3, "Key", "", "", "\"%"},
      {"*:x\n", 3, "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<Read> r = ReadAll(c.text);
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r[0].result, c.result);
    EXPECT_EQ(r[0].keyword, c.keyword);
    EXPECT_EQ(r[0].option, c.option);
    EXPECT_EQ(r[0].option2, c.option2);
    if (c.result == 0) {
      EXPECT_EQ(r[0].value, c.value);
    }
  }
}

TEST(DfcReader, CommentsIgnoredLinesResumptionAndEndOfFile) {
  std::vector<Read> r = ReadAll(
      "*% comment *Key: no\n"
      "  *Indented: no\n"
      "# hash\n"
      "text *Key: no\n"
      "\n\r\n"
      "*A: )*B: after\n"       // malformed; reading resumes after the ')' as at a line start
      "*C: \"(\" *D: x\n"     // malformed at '('; the rest of the line is no statement start
      "*E: {unclosed\n"
      "}\n"
      "*Last: no line end");
  std::vector<std::string> ok;
  for (const Read& x : r)
    if (x.result == 0) ok.push_back(x.keyword + "=" + x.value);
  EXPECT_EQ(ok, (std::vector<std::string>{"B=after", "E={unclosed\n}"}));
  EXPECT_EQ(r.back().result, kReadEof);
}

TEST(DfcReader, LongStatementIsReadWhole) {
  std::string v(5000, 'x');
  std::vector<Read> r = ReadAll("*Key: " + v + "\n");
  ASSERT_EQ(r[0].result, 0);
  EXPECT_EQ(r[0].value, v);
}

TEST(DfcReader, LeadByteCarriesItsTrailByte) {
  test::SetLeadByteHook([](uint8_t c) { return c == 0x81; });
  // The trail byte is a double quote; it does not open a string, so the line end ends the value.
  std::vector<Read> r = ReadAll("*Key: \x81\"ab\n*Next: 1\n");
  test::SetLeadByteHook(nullptr);
  ASSERT_GE(r.size(), 2u);
  EXPECT_EQ(r[0].value, "\x81\"ab");
  EXPECT_EQ(r[1].keyword, "Next");
  // Without the lead byte the quote stays open across the line end up to the end of the file.
  r = ReadAll("*Key: \x81\"ab\n*Next: 1\n");
  EXPECT_EQ(r[0].result, kReadEof);
}

TEST(DfcReader, ValueScanners) {
  TOKEN_BUFFER t;
  ASSERT_TRUE(t.Init());
  auto set = [&](const std::string& s) {
    t.Clear();
    for (char c : s) t.Append(c);
  };
  Arena a;
  uint32_t n = 0;
  int after = -1;
  set("lead \"AB<41 42>%\"X\" tail");
  char* s = DfcTakeString(t, a, &n, &after);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(std::string(s, n), "ABAB\"X");
  EXPECT_EQ(after, ' ');
  set("\"<1B>%%-123<0D0A>\"");
  s = DfcTakeString(t, a, &n, &after);
  EXPECT_EQ(std::string(s, n), "\x1b%-123\r\n");
  EXPECT_EQ(after, 0);
  set("\"<4 1>\" \"\" none");
  s = DfcTakeString(t, a, &n, nullptr);  // a lone digit before a blank is dropped
  EXPECT_EQ(s, nullptr);
  set("no quote");
  EXPECT_EQ(DfcTakeString(t, a, &n, nullptr), nullptr);

  int ended = -1;
  set("  *Word{rest");
  EXPECT_STREQ(DfcNextWord(t, &ended), "Word");
  EXPECT_EQ(ended, '{');
  EXPECT_STREQ(DfcNextWord(t, &ended), "rest");
  EXPECT_EQ(ended, 0);
  EXPECT_EQ(DfcNextWord(t, &ended), nullptr);

  set(" -12x 7\"");
  EXPECT_EQ(DfcNextNumber(t, &after), -12);
  EXPECT_EQ(after, 'x');
  EXPECT_EQ(DfcNextNumber(t, &after), 0);  // 'x' stays unconsumed
  set("7\"");
  EXPECT_EQ(DfcNextNumber(t, &after), 7);
  EXPECT_EQ(after, '"');

  EXPECT_EQ(DfcParseNumber("Judge12"), 12);
  EXPECT_EQ(DfcParseNumber("12=Alias9"), 12);
  EXPECT_EQ(DfcParseNumber("-5"), -5);
  int used = 0;
  EXPECT_EQ(DfcParseInt("-42abc", &used), -42);
  EXPECT_EQ(used, 3);
  EXPECT_TRUE(DfcIsDigits(""));
  EXPECT_FALSE(DfcIsDigits("1a"));
  t.Free();
}

TEST(DfcReader, FileVersionHandlerAndProbe) {
  const std::string text =
      "*FileVersion: 8.63\n"
      "*FileVersion: 123456789012345678\n";
  Compiled c(text);
  ASSERT_NE(c.rec, nullptr);
  EXPECT_EQ(std::u16string(c->fileVersion), u"12345678901234");
  WCHAR probe[16] = u"keep";
  DfcProbeFileVersionBytes(text.data(), text.size(), probe);
  EXPECT_EQ(std::u16string(probe), u"8.63");
  WCHAR none[16] = u"keep";
  std::string other = "*% nothing\n*Other: 1\n";
  EXPECT_EQ(DfcProbeFileVersionBytes(other.data(), other.size(), none), 1);
  EXPECT_EQ(std::u16string(none), u"keep");
  // Quotes and trailing blanks are kept as written.
  Compiled q("*FileVersion: \"8.63\" \n");
  EXPECT_EQ(std::u16string(q->fileVersion), u"\"8.63\" ");
}

TEST(DfcReader, KeywordsAreExactAndMemoResetsAtCloseUI) {
  Compiled c(
      "*fileversion: 1\n"
      "*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: Numeric\n"
      "*NumericValue: 1 \"1 5\"\n"
      "*NumericValue: 1 \"1 6\"\n");
  EXPECT_EQ(c->fileVersion[0], 0);
  EXPECT_EQ(c->keywordMemo, 4);  // the NumericValue row, found through the memo the second time
  ASSERT_EQ(c.Nodes().size(), 1u);
  EXPECT_EQ(c.Nodes()[0]->numeric->defaultValue, 6);
  Compiled d("*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: Numeric\n*CloseUI\n");
  EXPECT_EQ(d->keywordMemo, 0);
}

TEST(DfcReader, ParsesMappedFileAndRefusesMissingOrEmptyFiles) {
  kvtest::TempRoot root;
  std::string dir = root.path() + "/c/drv";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/kvdrvdat.dat") << "*FileVersion: 8.63\n";
  std::ofstream(dir + "/empty.dat").close();
  COMPILE_RECORD* rec = DfcParseDataFile(u"C:\\drv\\kvdrvdat.dat", dfctest::Resolver());
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(std::u16string(rec->fileVersion), u"8.63");
  DfcFreeCompileRecord(rec);
  EXPECT_EQ(DfcParseDataFile(u"C:\\drv\\empty.dat", dfctest::Resolver()), nullptr);
  EXPECT_EQ(DfcParseDataFile(u"C:\\drv\\missing.dat", dfctest::Resolver()), nullptr);
  WCHAR probe[16] = {};
  DfcProbeFileVersion(u"C:\\drv\\kvdrvdat.dat", probe);
  EXPECT_EQ(std::u16string(probe), u"8.63");
}

TEST(DfcReader, RunningOutOfMemoryFailsTheParseWithoutLeaks) {
  // A value longer than the first token buffer needs one more allocation while reading.
  std::string text = "*OpenUI *QDV_RADIOLIST_1: PickOne\n*QDV_RADIOLIST_1 IDS_T_PORTRAIT: \"" +
                     std::string(3000, 'p') + "\"\n*CloseUI\n";
  bool sawFailure = false, sawSuccess = false;
  for (unsigned n = 1; n < 40 && !sawSuccess; ++n) {
    kvp::test::FailAllocAt(n);
    COMPILE_RECORD* rec = DfcParseDataBytes(text.data(), text.size(), dfctest::Resolver());
    kvp::test::FailAllocAt(0);
    if (!rec) {
      sawFailure = true;
      continue;
    }
    // A record that survived holds either the whole option or none of it.
    CR_NODE* node = rec->features.head;
    if (node && node->options && node->options->command) {
      EXPECT_EQ(std::strlen(node->options->command), 3000u);
      sawSuccess = true;
    }
    DfcFreeCompileRecord(rec);
  }
  EXPECT_TRUE(sawFailure);
  EXPECT_TRUE(sawSuccess);
}

// The chunk one compilation leaves for the next comes back zero-filled, however the last one used it,
// and a record that needs several chunks or one oversized block still gets zeroes everywhere.
TEST(DfcReader, AKeptArenaChunkComesBackZeroFilled) {
  for (size_t first : {size_t(100), size_t(40000), size_t(200000)}) {
    SCOPED_TRACE(first);
    {
      Arena a;
      for (size_t n : {first, size_t(30000), size_t(30000)}) {
        auto* p = static_cast<uint8_t*>(a.Alloc(n));
        ASSERT_NE(p, nullptr);
        std::memset(p, 0xA5, n);
      }
    }
    Arena b;
    for (size_t n : {size_t(64), size_t(50000), size_t(70000)}) {
      auto* p = static_cast<const uint8_t*>(b.Alloc(n));
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(std::count(p, p + n, 0), ptrdiff_t(n));
    }
  }
}

}  // namespace

namespace {

TEST(DfcReader, SystemDoubleByteCodePageKeepsTrailBytes) {
  kvtest::TempRoot root;
  // 0x83 0x7B is one double-byte character in code page 932; its trail byte is the brace character.
  const std::string text = "*CommandString 1: \"\x83{\"\n";
  Compiled western(text);
  EXPECT_EQ(western->commandStrings.head, nullptr);  // a brace inside quotes: malformed
  ASSERT_EQ(kvp::ProfileSet("ACP", "932"), ERROR_SUCCESS);
  Compiled japanese(text);
  ASSERT_NE(japanese->commandStrings.head, nullptr);
  EXPECT_EQ(japanese->commandStrings.head->length, 3);
}

}  // namespace

namespace {

TEST(DfcReader, DataFilePathComesFromThePrintersDriver) {
  kvtest::TempRoot root;
  std::u16string name = u"ZARN Test Driver", env = u"Windows x64", drv = u"kvdrvgr.dll", data = u"kvdrvdat.dat",
                 cfg = u"kvdrvui.dll", printer = u"Plotter";
  DRIVER_INFO_2W di{3, name.data(), env.data(), drv.data(), data.data(), cfg.data()};
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&di)));
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = printer.data();
  pi.pDriverName = name.data();
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
  ASSERT_NE(h, nullptr);
  LPWSTR path = DfcGetDataFilePath(h);
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::u16string(path), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvdat.dat");
  GlobalFree(path);
  ClosePrinter(h);
  EXPECT_EQ(DfcGetDataFilePath(nullptr), nullptr);
}

}  // namespace
