// Canned printer replies through the reply parser and its handlers.
#include <gtest/gtest.h>

#include <string>

#include "kvplat/error.h"
#include "kvplat/testhooks.h"
#include "statusdata/pjlreply.h"
#include "statusdata/tests/record_fixture.h"

namespace {

using sdtest::AddText;
using sdtest::Codes;
using sdtest::Nodes;
using sdtest::Record;
using sdtest::Str;
using sdtest::Tree;

const std::string kConfigReply =
    "@PJL INFO CONFIG\r\n"
    "IN TRAYS [3 ENUMERATED]\r\n"
    "\tINTRAY1\r\n"
    "\tINTRAY2\r\n"
    "\tINTRAYMANUAL\r\n"
    "OUT TRAYS [1 ENUMERATED]\r\n"
    "\tOUTTRAYACCORDIONFOLD\r\n"
    "MEMORY=268435456\r\n"
    "VERSION [2 ENUMERATED]\r\n"
    "\tFIRMWARE=1.10\r\n"
    "\tZARN=1.00\r\n"
    "DISK=INSTALLED\r\n"
    "\f";

std::string Inquire(const std::string& category, const std::string& word) {
  return "@PJL INQUIRE " + category + "\r\n" + word + "\r\n\f";
}

const std::string kOutBinReply = "@PJL INFO OUTBINSTATUS\r\nUPPER=READY\r\nLOWER=FULL\r\n\f";
const std::string kZarnReply =
    "@PJL INFO ZARN\r\nMEMORYUSAGE=USER\r\nOTHER=\"SOME TEXT\"\r\nIMAGEROTATION=POSSIBLE\r\n\f";

// Parses a reply container holding `text` (and the id text when given) into the record.
DWORD Parse(PRN_INFO_EX* record, const std::string& text, DWORD rootId = INFO_ID_REPLY, const char* id = nullptr) {
  DWORD fifteen = 15;
  Tree reply(InfoNodeCreate(nullptr, rootId, rootId == INFO_ID_EMUL_REPLY ? &fifteen : nullptr,
                            rootId == INFO_ID_EMUL_REPLY ? 4 : 0));
  AddText(reply.root, INFO_ID_PJL_TEXT, text);
  if (id) AddText(reply.root, INFO_ID_DEVICE_ID, id);
  return PatParseInfoReply(g_PatModelReplyTable, reply.root, record);
}

TEST(ReplyParse, ConfigFillsTraysDevicesMemoryAndVersions) {
  Record record;
  ASSERT_EQ(Parse(record.get(), kConfigReply), 0u);
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 52, 1}));
  EXPECT_EQ(record->cTrayInfo, 3u);
  EXPECT_EQ(Codes(record->pDeviceInfo), (std::vector<int>{42, 16, 126, 3}));
  EXPECT_EQ(record->cDeviceInfo, 4u);
  EXPECT_EQ(record->memoryKB, 262144u);
  EXPECT_EQ(Str(record->pSYSVersion), "1.10");
  auto emuls = Nodes<EMULATION_NODE>(record->pLoadedEmul);
  ASSERT_EQ(emuls.size(), 1u);
  EXPECT_EQ(emuls[0]->code, 15);
  EXPECT_EQ(std::string(emuls[0]->version), "1.00");
  EXPECT_EQ(record->cLoadedEmul, 1u);
  EXPECT_EQ(record->pMainProgVersion, nullptr);

  // A second CONFIG replaces the devices rather than adding to them.
  ASSERT_EQ(Parse(record.get(), kConfigReply), 0u);
  EXPECT_EQ(Codes(record->pDeviceInfo), (std::vector<int>{42, 16, 126, 3}));
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 52, 1}));
}

TEST(ReplyParse, InquiriesSetTheTrayFields) {
  Record record;
  std::string replies = Inquire("INTRAY1SIZE", "ROLL841") + Inquire("INTRAY1QUANT", "3/5") +
                        Inquire("INTRAY1MEDIA", "PLAIN") + Inquire("INTRAY1", "LOCKED") +
                        Inquire("INTRAYMSIZE", "A3LONG") + Inquire("INTRAYMMEDIA", "COATED") +
                        Inquire("INTRAYMULTI", "UNLOCKED") + Inquire("INTRAY2SIZE", "NOSUCHSIZE");
  ASSERT_EQ(Parse(record.get(), replies), 0u);
  auto trays = Nodes<TRAY_NODE>(record->pTrayInfo);
  ASSERT_EQ(trays.size(), 3u);
  EXPECT_EQ(trays[0]->trayCode, 51);
  EXPECT_EQ(trays[0]->paperSize, 257);
  EXPECT_EQ(trays[0]->level, 60);
  EXPECT_EQ(trays[0]->paperType, 1);
  EXPECT_EQ(trays[0]->flags, 1u);
  EXPECT_EQ(trays[1]->trayCode, 1);
  EXPECT_EQ(trays[1]->paperSize, 4);
  EXPECT_EQ(trays[1]->paperType, 43);
  EXPECT_EQ(trays[1]->flags, 0u);
  EXPECT_EQ(trays[2]->trayCode, 52);
  EXPECT_EQ(trays[2]->paperSize, 0);

  // Unlocking clears the lock bit again.
  ASSERT_EQ(Parse(record.get(), Inquire("INTRAY1", "UNLOCKED")), 0u);
  EXPECT_EQ(trays[0]->flags, 0u);
}

TEST(ReplyParse, OutputBinsAndZarnInfo) {
  Record record;
  ASSERT_EQ(Parse(record.get(), kOutBinReply), 0u);
  auto bins = Nodes<OUTBIN_NODE>(record->pOutBinInfo);
  ASSERT_EQ(bins.size(), 2u);
  EXPECT_EQ(bins[0]->binCode, 29);
  EXPECT_EQ(bins[0]->state, 0);
  EXPECT_EQ(bins[1]->binCode, 30);
  EXPECT_EQ(bins[1]->state, 2);
  EXPECT_EQ(record->outBinState, 255u);
  ASSERT_EQ(Parse(record.get(), "@PJL INFO OUTBINSTATUS\r\nLOWER=PAPEREXIST\r\n\f"), 0u);
  EXPECT_EQ(Codes(record->pOutBinInfo), (std::vector<int>{30}));
  EXPECT_EQ(Nodes<OUTBIN_NODE>(record->pOutBinInfo)[0]->state, 1);

  ASSERT_EQ(Parse(record.get(), kZarnReply, INFO_ID_EMUL_REPLY), 0u);
  auto uniq = Nodes<EMUL_UNIQUE_NODE>(record->pEmulUniqInfo);
  ASSERT_EQ(uniq.size(), 1u);
  EXPECT_EQ(uniq[0]->hdr.size, 64u);
  EXPECT_EQ(uniq[0]->code, 15);
  EXPECT_EQ(uniq[0]->memoryUsage, 2u);
  EXPECT_EQ(std::string(uniq[0]->other), "SOME TEXT");
  EXPECT_EQ(uniq[0]->imageRotation, 1u);
  // The node is found again, not duplicated.
  ASSERT_EQ(Parse(record.get(), "@PJL INFO ZARN\r\nMEMORYUSAGE=PAGE\r\n\f", INFO_ID_EMUL_REPLY), 0u);
  EXPECT_EQ(record->cEmulUniqInfo, 1u);
  EXPECT_EQ(uniq[0]->memoryUsage, 1u);

  // An emulation-unique reply must carry the emulation id 15 in its root.
  DWORD fourteen = 14;
  Tree bad(InfoNodeCreate(nullptr, INFO_ID_EMUL_REPLY, &fourteen, 4));
  AddText(bad.root, INFO_ID_PJL_TEXT, kZarnReply);
  EXPECT_EQ(PatParseInfoReply(g_PatModelReplyTable, bad.root, record.get()), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(ReplyParse, VersionListStopsAtItsCount) {
  Record record;
  const std::string reply =
      "@PJL INFO CONFIG\r\n"
      "VERSION [2 ENUMERATED]\r\n"
      "\tPOSTSCRIPT=3.0\r\n"
      "\tFIRMWARE=2.01\r\n"
      "\tZARN=9.99\r\n"
      "\f";
  ASSERT_EQ(Parse(record.get(), reply), 0u);
  EXPECT_EQ(Codes(record->pLoadedEmul), (std::vector<int>{2}));
  EXPECT_EQ(Str(record->pKPSVersion), "3.0");
  EXPECT_EQ(Str(record->pSYSVersion), "2.01");
  // The third line went to the level logic: no handler takes it.
  EXPECT_EQ(record->cLoadedEmul, 1u);

  // A count larger than the list ends with the reply block; the next block is its own.
  Record other;
  ASSERT_EQ(Parse(other.get(), "@PJL INFO CONFIG\r\nVERSION [5 ENUMERATED]\r\n\tZARN=1.00\r\n\f" +
                                   std::string("@PJL INFO CONFIG\r\nIN TRAYS [1 ENUMERATED]\r\n\tINTRAY2\r\n\f")),
            0u);
  EXPECT_EQ(Codes(other->pLoadedEmul), (std::vector<int>{15}));
  EXPECT_EQ(Codes(other->pTrayInfo), (std::vector<int>{52}));
}

TEST(ReplyParse, TrayListIsRebuiltFromEachConfig) {
  Record record;
  ASSERT_EQ(Parse(record.get(), "@PJL INFO CONFIG\r\nIN TRAYS [2 ENUMERATED]\r\n\tINTRAY1\r\n\tINTRAY2\r\n\f"), 0u);
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 52}));
  // Same count, another set of trays: tray 2 is gone, the bypass came.
  ASSERT_EQ(Parse(record.get(), "@PJL INFO CONFIG\r\nIN TRAYS [2 ENUMERATED]\r\n\tINTRAY1\r\n\tINTRAYMANUAL\r\n\f"), 0u);
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 1}));
  EXPECT_EQ(record->cTrayInfo, 2u);
}

TEST(ReplyParse, ConfigKeepsWhatInquiriesToldOfTraysStillListed) {
  Record record;
  ASSERT_EQ(Parse(record.get(), Inquire("INTRAY1SIZE", "ROLL841") + Inquire("INTRAY1QUANT", "3/5") +
                                    Inquire("INTRAY1MEDIA", "PLAIN") + Inquire("INTRAY2SIZE", "ROLL841")),
            0u);
  ASSERT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 52}));
  // Tray 1 is still listed and keeps its paper, level and media; tray 2 is gone, the bypass came.
  ASSERT_EQ(Parse(record.get(), "@PJL INFO CONFIG\r\nIN TRAYS [2 ENUMERATED]\r\n\tINTRAYMANUAL\r\n\tINTRAY1\r\n\f"),
            0u);
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 1}));
  EXPECT_EQ(record->cTrayInfo, 2u);
  auto trays = Nodes<TRAY_NODE>(record->pTrayInfo);
  EXPECT_EQ(trays[0]->paperSize, 257);
  EXPECT_EQ(trays[0]->level, 60);
  EXPECT_EQ(trays[0]->paperType, 1);
  EXPECT_EQ(trays[0]->flags, 0u);
  EXPECT_EQ(trays[1]->flags, 0u);
  // A reply cut short in its listing drops nothing.
  EXPECT_NE(Parse(record.get(), "@PJL INFO CONFIG\r\nIN TRAYS [2 ENUMERATED]\r\n\tINTRAY1\r\nVERSION [1 ENUM"), 0u);
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 1}));
  EXPECT_EQ(Nodes<TRAY_NODE>(record->pTrayInfo)[1]->flags, 0u);
}

TEST(ReplyParse, FirstErrorIsReported) {
  struct Case {
    const char* name;
    std::string text;
    DWORD expected;
  } cases[] = {
      {"grammar broken", "@PJL INFO CONFIG\r\nMEMORY=1024\r\nKEY = VALUE\r\n\f", 13},
      {"cut in a bracket", "@PJL INFO CONFIG\r\nIN TRAYS [3 ENUMERATED=", 13},
      {"in trays without count", "@PJL INFO CONFIG\r\nIN TRAYS=3\r\n\f", ERROR_INVALID_PARAMETER},
      {"inquiry word on the command line", "@PJL INQUIRE INTRAY1SIZE=ROLL841\r\n\f", ERROR_INVALID_PARAMETER},
      {"punch count above 5", "@PJL INFO CONFIG\r\nPUNCH [6 ENUMERATED]\r\n\f", ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Record record;
    EXPECT_EQ(Parse(record.get(), c.text), c.expected);
  }
  // What came before the error has been applied.
  Record record;
  EXPECT_EQ(Parse(record.get(), cases[0].text), 13u);
  EXPECT_EQ(record->memoryKB, 1u);
}

TEST(ReplyParse, EmptyPartsAndDeviceIdAfterText) {
  Record record;
  Tree reply(InfoNodeCreate(nullptr, INFO_ID_REPLY, nullptr, 0));
  InfoNodeCreate(reply.root, INFO_ID_PJL_TEXT, nullptr, 0);
  EXPECT_EQ(PatParseInfoReply(g_PatModelReplyTable, reply.root, record.get()), DWORD(ERROR_INVALID_PARAMETER));

  // The PJL text is applied before the device id fails to store its maker.
  Tree both(InfoNodeCreate(nullptr, INFO_ID_REPLY, nullptr, 0));
  AddText(both.root, INFO_ID_PJL_TEXT, "@PJL INFO CONFIG\r\nMEMORY=2048\r\n\f");
  AddText(both.root, INFO_ID_DEVICE_ID, "MFG:Maker;MDL:Model 1;");
  Record r;
  kvp::test::FailAllocAt(1);
  DWORD result = PatParseInfoReply(g_PatModelReplyTable, both.root, r.get());
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(result, DWORD(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(r->memoryKB, 2u);
  EXPECT_EQ(r->pMakerName, nullptr);
  EXPECT_EQ(r->pModelName, nullptr);
}

TEST(ReplyParse, RepeatedLinesStayBounded) {
  std::string reply = "@PJL INFO CONFIG\r\nIN TRAYS [9999 ENUMERATED]\r\n";
  for (int i = 0; i < 5000; ++i) reply += "\tINTRAY2\r\n";
  reply += "\f";
  Record record;
  ASSERT_EQ(Parse(record.get(), reply), 0u);
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{52}));
  EXPECT_EQ(record->cDeviceInfo, 256u);
}

TEST(ReplyParse, HandlerRowsMatchAllFiveLevels) {
  const char* levels[5] = {"INFO", "CONFIG", "IN TRAYS", "INTRAY2", ""};
  DWORD value = 0;
  const REPLY_HANDLER_ROW* row = PatFindHandlerRow(g_PatModelReplyTable, levels, &value);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->handler, &PatOnTrayPresent);
  EXPECT_EQ(value, 52u);
  row = PatFindHandlerRow(row + 1, levels, &value);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->handler, &PatOnDeviceOption);
  EXPECT_EQ(value, 42u);
  EXPECT_EQ(PatFindHandlerRow(row + 1, levels, &value), nullptr);
  const char* lower[5] = {"info", "config", "", "", ""};
  EXPECT_EQ(PatFindHandlerRow(g_PatCommonReplyTable, lower, &value), nullptr);
  EXPECT_EQ(PatFindHandlerRow(nullptr, levels, &value), nullptr);
}

}  // namespace

namespace {

TEST(ReplyParse, EveryFailedAllocationIsReported) {
  const std::string text = kConfigReply + Inquire("INTRAY1SIZE", "ROLL841") + Inquire("INTRAYMULTI", "LOCKED") +
                           kOutBinReply + kZarnReply;
  Tree reply(InfoNodeCreate(nullptr, INFO_ID_REPLY, nullptr, 0));
  AddText(reply.root, INFO_ID_PJL_TEXT, text);
  AddText(reply.root, INFO_ID_DEVICE_ID, "MFG:Maker;MDL:Model 1;DES:Wide printer;STS:10001/41100,1,SC542;KIJ:1234/;");
  for (unsigned n = 1;; ++n) {
    SCOPED_TRACE(n);
    Record record;
    kvp::test::FailAllocAt(n);
    DWORD result = PatParseInfoReply(g_PatModelReplyTable, reply.root, record.get());
    bool failed = kvp::test::AllocCount() >= n;
    kvp::test::FailAllocAt(0);
    if (!failed) {
      EXPECT_EQ(result, 0u);
      EXPECT_GT(n, 10u);
      break;
    }
    // Only a model name or an engine-status code of STS is passed over when it cannot be stored.
    if (result == 0)
      EXPECT_TRUE(record->cEngineStatus == 1 || (!record->pModelName && record->modelCode == 255));
    else
      EXPECT_EQ(result, DWORD(ERROR_NOT_ENOUGH_MEMORY));
    ASSERT_LT(n, 100u);
  }
}

}  // namespace
